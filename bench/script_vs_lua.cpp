// The script interpreter against the Lua 5.4 interpreter embedded in the same program, on the
// same small programs written in both languages: an integer loop with arithmetic, a float loop,
// a million calls of a host procedure, recursive procedure calls, and the start of one run of a
// short animation script with the game's registry of host names. Each pair must compute the
// same result (checked before timing); the end of the run prints script time / Lua time.
//
// Every script program is there twice: written as assembler text and assembled (<program>), and
// written in the script language and compiled through both stages of the compiler, as the
// editors compile a script (<program>_source). Both images are made once; each timed iteration
// is one RunScript. Lua programs are loaded once; each timed iteration is one call of the loaded
// chunk.
//
// The building tick (building_tick): 1,000 buildings of one scripted type, each running the
// type's compiled script once for the update event through RunBuildingEventScript with its own
// variables bound, as the depot tick runs them; one iteration is one tick. Its Lua side is the
// same script as a loaded chunk, called once per building with the building's variables and the
// event in the chunk's own globals and the placements set through host functions.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include <lua.hpp>

#include "bench/ratio_reporter.h"
#include "script/compiler.h"
#include "engine/base/worldstate.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "script/gamecommands.h"
#include "script/interpreter.h"
#include "script/runners.h"
#include "script/scripts.h"
#include "script/sdatabase.h"
#include "script/sourcecompiler.h"

namespace {

// ---- The programs

const std::vector<std::string> kIntLoopScript = {
    "SET I,N,S INTEGER", "MOV I 1", "MOV N 100000", "MOV S 0", "LABEL L", "CALC (S+I*3)%1000003", "MOVR +S",
    "BUFFC", "INC I", "SME I N", "IF", "JUMP L", "MOVR S", "QUIT"};
const char* const kIntLoopLua =
    "local s = 0 for i = 1, 100000 do s = (s + i * 3) % 1000003 end return s";

const std::vector<std::string> kFloatLoopScript = {
    "SET I,N INTEGER", "SET F,G FLOAT", "MOV I 1", "MOV N 100000", "MOV F 0.0", "LABEL L", "CALC F+0.75-0.5",
    "MOVR +F", "CALC F*2.0/4.0", "MOVR +G", "BUFFC", "INC I", "SME I N", "IF", "JUMP L", "CALC F+G", "QUIT"};
const char* const kFloatLoopLua =
    "local f, g = 0.0, 0.0 for i = 1, 100000 do f = f + 0.75 - 0.5 g = f * 2.0 / 4.0 end return f + g";

const std::vector<std::string> kHostCallScript = {
    "@HOSTADD", "SET I,N INTEGER", "MOV I 1", "MOV N 1000000", "LABEL L", "PUSHV I", "CALLEXT HOSTADD", "INC I",
    "SME I N", "IF", "JUMP L", "QUIT"};
const char* const kHostCallLua = "for i = 1, 1000000 do hostadd(i) end return 0";

const std::vector<std::string> kRecursionScript = {
    "PROC FIB N/INTEGER", "SET N INTEGER", "POPV N", "CALC N<2", "BUFFC", "IF", "BLOCK", "PUSHV N", "ENDBLOCK",
    "CALC N>=2", "BUFFC", "IF", "BLOCK", "SET A,B INTEGER", "CALC N-1", "BUFFC", "PUSH", "CALL FIB", "POPV A",
    "CALC N-2", "BUFFC", "PUSH", "CALL FIB", "POPV B", "CALC A+B", "BUFFC", "PUSH", "UNSET A,B", "ENDBLOCK",
    "UNSET N", "RET", "PUSHVA 20", "CALL FIB", "POP", "QUIT"};
const char* const kRecursionLua =
    "local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end return fib(20)";

// The editor's default declarations and one turn of part 1 by the frame counter.
const std::vector<std::string> kStartScript = {
    "@SETROTATION", "@SETPOSITION", "@SETNICK", "@SETGIER", "@SETROLL", "^FRAME", "@READNODE", "@GETNEXTNODE",
    "@GETCOORDPOS", "@CMBEZIER", "@COPYCOORD", "@COPYNODE", "@TBC", "@TFC", "@SETTEXTURE", "BLOCK",
    "CALC FRAME*2.5", "PUSHVA 0.0", "PUSH", "PUSHVA 0.0", "PUSHVA 1", "BUFFC", "CALLEXT SETROTATION", "ENDBLOCK",
    "BUFFC", "QUIT"};
const char* const kStartLua = "SetRotation(1, 0.0, frame * 2.5, 0.0)";

// The same programs in the script language; the main block leaves the result in the accumulator
// as the assembler text does.
const std::vector<std::string> kIntLoopSource = {
    "var i,s:integer;", "begin", "  s:=0;", "  for i:=1 to 100000 do s:=(s+i*3)%1000003;", "  asm 'MOVR S';end;",
    "end;"};
const std::vector<std::string> kFloatLoopSource = {
    "var i:integer;", "var f,g:float;", "begin", "  f:=0.0;",
    "  for i:=1 to 100000 do begin f:=f+0.75-0.5; g:=f*2.0/4.0; end;", "  asm 'CALC F+G';end;", "end;"};
const std::vector<std::string> kHostCallSource = {
    "defineproc hostadd;", "var i:integer;", "begin", "  for i:=1 to 1000000 do hostadd(i);", "end;"};
const std::vector<std::string> kRecursionSource = {
    "var r,k:integer;", "function fib(n:integer):integer;", "begin",
    "  if n<2 then k:=n else k:=fib(n-1)+fib(n-2);", "  result(k);", "ret;", "begin", "  r:=fib(20);",
    "  asm 'MOVR R';end;", "end;"};
const std::vector<std::string> kStartSource = {
    "defineproc setrotation,setposition,setnick,setgier,setroll;",
    "defineproc readnode,getnextnode,getcoordpos,cmbezier,copycoord,copynode,tbc,tfc,settexture;",
    "definevar frame;", "begin", "  setrotation(1,0.0,frame*2.5,0.0);", "end;"};

// A typical building script, after the building program's template: on the update event it
// advances a counter kept in the building's variables, turns one part and moves two by them, and
// answers 1.
const std::vector<std::string> kBuildingSource = {
    "defineproc setrotation,setposition,setnick,setgier,setroll;",
    "defineproc settexture;",
    "defineproc SetTrainSpeed,SetTrainSollSpeed,SetTrainSpeedNormal,",
    "           ActivateDepotScript,DisableDepotScript,LoadTrain,",
    "           SaveTrain,SaveBuilding,DebugProc,AllowEnter,ForbidEnter,",
    "           AllowLeave,ForbidLeave,LockNode,UnLockNode;",
    "definevar frame,sparam1,sparam2,sparam3,sparam4,",
    "          bvar1,bvar2,bvar3,bvar4;",
    "Const Script_Display = 0;",
    "      Script_Update  = 2;",
    "Procedure Update;",
    "Begin",
    "  bvar1:=bvar1+1;",
    "  If bvar1>=bvar2 Then bvar1:=0;",
    "  setrotation(2,0.0,bvar1*1.5,0.0);",
    "  setposition(3,0.0,bvar3*0.25,0.0);",
    "  setposition(4,bvar1*0.5,0.0,1.0);",
    "  sparam4:=1;",
    "Ret;",
    "Begin",
    "  If sparam1=Script_Update Then Update;",
    "End;"};
const char* const kBuildingLua =
    "if sparam1 == 2 then\n"
    "  bvar1 = bvar1 + 1\n"
    "  if bvar1 >= bvar2 then bvar1 = 0 end\n"
    "  SetRotation(2, 0.0, bvar1 * 1.5, 0.0)\n"
    "  SetPosition(3, 0.0, bvar3 * 0.25, 0.0)\n"
    "  SetPosition(4, bvar1 * 0.5, 0.0, 1.0)\n"
    "  sparam4 = 1\n"
    "end";
constexpr int kBuildings = 1000;
constexpr uint16_t kBuildingType = 20;

// ---- The game's registry: ten host variables and thirty-four host procedures

int32_t Frame = 7, MipLevel = 1, Bvar[4] = {}, SParam[4] = {};
long long HostSum = 0;
float LastGier = 0;

void TakeArguments(int n) {
  for (int i = 0; i < n; ++i) PopFloat();
}
void SetRotationScript() {
  PopInt();
  PopFloat();
  LastGier = PopFloat();
  PopFloat();
}
void HostAddScript() { HostSum += PopInt(); }

struct HostName {
  const char* name;
  int params;
  const char* result;
};
const HostName kGameProcedures[] = {
    {"SetRotation", 4, ""}, {"SetPosition", 4, ""}, {"SetNick", 2, ""}, {"SetGier", 2, ""}, {"SetRoll", 2, ""},
    {"ReadNode", 2, ""}, {"GetNextNode", 2, "Integer"}, {"GetCoordPos", 4, ""}, {"CMBezier", 4, ""},
    {"CopyCoord", 2, ""}, {"CopyNode", 2, ""}, {"TBC", 6, "integer"}, {"TFC", 6, "integer"}, {"OrientObj", 3, ""},
    {"SetTexture", 3, ""}, {"WaggonStandardPosition", 3, ""}, {"CalcBulk", 3, ""}, {"CalcParcel", 3, ""},
    {"LoadTrain", 1, ""}, {"SaveTrain", 0, ""}, {"ActivateDepotScript", 0, ""}, {"DisableDepotScript", 0, ""},
    {"SetTrainSpeed", 1, ""}, {"SetTrainSollSpeed", 1, ""}, {"SetTrainSpeedNormal", 0, ""}, {"DebugProc", 1, ""},
    {"Savebuilding", 0, ""}, {"AllowLeave", 0, ""}, {"ForbidLeave", 0, ""}, {"AllowEnter", 0, ""},
    {"ForbidEnter", 0, ""}, {"LockNode", 1, ""}, {"UnLockNode", 1, ""}, {"GetProducity", 0, "FLOAT"}};
const char* const kGameVariables[] = {"frame", "miplevel", "bvar1", "bvar2", "bvar3", "bvar4",
                                      "SParam1", "SParam2", "SParam3", "SParam4"};
int32_t* const kGameStorage[] = {&Frame, &MipLevel, &Bvar[0], &Bvar[1], &Bvar[2], &Bvar[3],
                                 &SParam[0], &SParam[1], &SParam[2], &SParam[3]};

void RegisterScriptHost() {
  InitScriptUnits();
  for (int i = 0; i < 10; ++i) AddExtVar(kGameVariables[i], 0, kGameStorage[i]);
  for (const HostName& h : kGameProcedures) {
    if (std::string(h.name) == "SetRotation") AddExtProc(h.name, SetRotationScript, h.result, h.params, 0);
    else AddExtProc(h.name, [] { TakeArguments(0); }, h.result, h.params, *h.result ? 1 : 0);
  }
  AddExtProc("hostadd", HostAddScript, "", 1, 0);
}

int LuaSetRotation(lua_State* L) {
  LastGier = static_cast<float>(lua_tonumber(L, 3));
  return 0;
}
int LuaHostAdd(lua_State* L) {
  HostSum += lua_tointeger(L, 1);
  return 0;
}
int LuaNothing(lua_State*) { return 0; }

lua_State* LuaHost() {
  static lua_State* L = [] {
    lua_State* s = luaL_newstate();
    luaL_openlibs(s);
    for (const HostName& h : kGameProcedures) {
      lua_pushcfunction(s, std::string(h.name) == "SetRotation" ? LuaSetRotation : LuaNothing);
      lua_setglobal(s, h.name);
    }
    for (int i = 0; i < 10; ++i) {
      lua_pushinteger(s, *kGameStorage[i]);
      lua_setglobal(s, kGameVariables[i]);
    }
    lua_pushcfunction(s, LuaHostAdd);
    lua_setglobal(s, "hostadd");
    return s;
  }();
  return L;
}

// ---- Running them

struct Program {
  const char* name;
  const std::vector<std::string>* script;
  const std::vector<std::string>* source;
  const char* lua;
};
const Program kPrograms[] = {
    {"int_loop", &kIntLoopScript, &kIntLoopSource, kIntLoopLua},
    {"float_loop", &kFloatLoopScript, &kFloatLoopSource, kFloatLoopLua},
    {"host_calls", &kHostCallScript, &kHostCallSource, kHostCallLua},
    {"recursion", &kRecursionScript, &kRecursionSource, kRecursionLua},
    {"start_run", &kStartScript, &kStartSource, kStartLua},
};

std::string SourceName(const char* name) { return std::string(name) + "_source"; }

// The programs run against the registry above, the building tick against the game's own; each
// case puts its registry in place before it is timed (a run links the image's names afresh).
enum class Host { None, Bench, Game };
Host CurrentHost = Host::None;
void UseHost(Host h) {
  if (h == CurrentHost) return;
  if (h == Host::Bench) RegisterScriptHost();
  else InitGameScriptHost();
  CurrentHost = h;
}

std::map<std::string, std::vector<uint8_t>>& Images() {
  static std::map<std::string, std::vector<uint8_t>> images;
  return images;
}
std::map<std::string, int>& LuaChunks() {
  static std::map<std::string, int> chunks;
  return chunks;
}

std::string RunQuillon(const std::string& name) {
  ScriptRunning = false;
  ScriptErrorFlag = false;
  return RunScript(Images()[name]);
}

double RunLua(const std::string& name) {
  lua_State* L = LuaHost();
  lua_rawgeti(L, LUA_REGISTRYINDEX, LuaChunks()[name]);
  if (lua_pcall(L, 0, 1, 0) != LUA_OK) {
    std::fprintf(stderr, "lua: %s\n", lua_tostring(L, -1));
    std::exit(1);
  }
  const double r = lua_isnil(L, -1) ? 0.0 : lua_tonumber(L, -1);
  lua_pop(L, 1);
  return r;
}

// Assembles and loads every program and checks that both languages agree.
// The image of a script-language source through both compiler stages; a failure ends the program.
std::vector<uint8_t> CompileOrExit(const std::string& name, const std::vector<std::string>& source) {
  std::vector<std::string> assembler;
  TScriptStream code;
  if (!CompileScript(source, assembler, code)) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), LastScriptError.Message.c_str());
    std::exit(1);
  }
  return code.Bytes;
}

int LoadLuaOrExit(const std::string& name, const char* text) {
  lua_State* L = LuaHost();
  if (luaL_loadstring(L, text) != LUA_OK) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), lua_tostring(L, -1));
    std::exit(1);
  }
  return luaL_ref(L, LUA_REGISTRYINDEX);
}

// Runs the program's image (assembled or compiled) and its Lua chunk once and checks they agree.
void CheckProgram(const Program& p, const std::string& name) {
  HostSum = 0;
  LastGier = 0;
  std::string quillon = RunQuillon(name);
  if (ScriptErrorFlag) {
    std::fprintf(stderr, "%s: %s\n", name.c_str(), LastScriptError.Message.c_str());
    std::exit(1);
  }
  const long long scriptSum = HostSum;
  const float scriptGier = LastGier;
  HostSum = 0;
  LastGier = 0;
  const double lua = RunLua(name);
  const char* n = name.c_str();
  if (std::string(p.name) == "host_calls") {
    quillon = std::to_string(scriptSum);
    std::printf("%-20s %22lld %22lld\n", n, scriptSum, HostSum);
    if (scriptSum != HostSum) std::exit(1);
  } else if (std::string(p.name) == "start_run") {
    std::printf("%-20s %22.3f %22.3f\n", n, scriptGier, LastGier);
    if (scriptGier != LastGier || scriptGier == 0) std::exit(1);
  } else {
    std::printf("%-20s %22s %22.3f\n", n, quillon.c_str(), lua);
    if (quillon.empty() || std::stod(quillon) != lua) std::exit(1);
  }
}

// ---- The building tick

std::vector<TBuilding>& Buildings() {
  static std::vector<TBuilding> buildings(kBuildings);
  return buildings;
}

// Every building of the scripted type, with its own counter limit and offset.
void ResetBuildings() {
  for (int i = 0; i < kBuildings; ++i) {
    TBuilding b{};
    b.BuildingType = kBuildingType;
    b.ScriptVars[0] = i % 7;
    b.ScriptVars[1] = 5 + i % 11;
    b.ScriptVars[2] = i;
    b.ScriptVars[3] = 0;
    Buildings()[i] = b;
  }
}

// One tick: every building's script once for the update event. The sum of the answers.
long long BuildingTickQuillon() {
  long long answers = 0;
  for (TBuilding& b : Buildings()) answers += RunBuildingEventScript(2, 0, 0, 0, b, 0, nullptr);
  return answers;
}

// The Lua side's placements, set by its SetRotation and SetPosition.
float LuaPlacements[11][6] = {};
int LuaSetPart(lua_State* L, int first) {
  const lua_Integer part = lua_tointeger(L, 1);
  if (part < 1 || part > 10) return 0;
  for (int k = 0; k < 3; ++k) LuaPlacements[part][first + k] = static_cast<float>(lua_tonumber(L, 2 + k));
  return 0;
}
int LuaBuildingSetPosition(lua_State* L) { return LuaSetPart(L, 0); }
int LuaBuildingSetRotation(lua_State* L) { return LuaSetPart(L, 3); }

// The building chunk runs in its own environment (its globals), as each building type's script
// has its own names.
int BuildingLuaChunk = LUA_NOREF;
int BuildingLuaEnv = LUA_NOREF;
std::vector<int32_t> LuaBuildingVars;  // four a building

void ResetLuaBuildings() {
  LuaBuildingVars.assign(4 * kBuildings, 0);
  for (int i = 0; i < kBuildings; ++i)
    for (int k = 0; k < 4; ++k) LuaBuildingVars[4 * i + k] = Buildings()[i].ScriptVars[k];
}

// The Lua tick: each building's variables and the event go into the chunk's globals, the chunk runs, the
// variables and the answer come back, as the script's bindings do.
long long BuildingTickLua() {
  static const char* const kVars[] = {"bvar1", "bvar2", "bvar3", "bvar4"};
  lua_State* L = LuaHost();
  long long answers = 0;
  lua_rawgeti(L, LUA_REGISTRYINDEX, BuildingLuaEnv);
  const int env = lua_gettop(L);
  for (int i = 0; i < kBuildings; ++i) {
    int32_t* vars = &LuaBuildingVars[4 * i];
    for (int k = 0; k < 4; ++k) {
      lua_pushinteger(L, vars[k]);
      lua_setfield(L, env, kVars[k]);
    }
    lua_pushinteger(L, 2);
    lua_setfield(L, env, "sparam1");
    lua_pushinteger(L, 0);
    lua_setfield(L, env, "sparam4");
    lua_rawgeti(L, LUA_REGISTRYINDEX, BuildingLuaChunk);
    if (lua_pcall(L, 0, 0, 0) != LUA_OK) {
      std::fprintf(stderr, "lua: %s\n", lua_tostring(L, -1));
      std::exit(1);
    }
    for (int k = 0; k < 4; ++k) {
      lua_getfield(L, env, kVars[k]);
      vars[k] = static_cast<int32_t>(lua_tointeger(L, -1));
      lua_pop(L, 1);
    }
    lua_getfield(L, env, "sparam4");
    answers += lua_tointeger(L, -1);
    lua_pop(L, 1);
  }
  lua_pop(L, 1);
  return answers;
}

// Compiles the building script for image 1 of the building type and checks that one tick in both
// languages leaves the same variables, answers and last placements.
void PrepareBuildingTick() {
  UseHost(Host::Game);
  SetBuildingTypeScriptNumber(BuildingTypes[kBuildingType], 1);
  CompiledScriptImages[1] = CompileOrExit("building_tick", kBuildingSource);
  lua_State* L = LuaHost();
  lua_newtable(L);
  lua_pushcfunction(L, LuaBuildingSetPosition);
  lua_setfield(L, -2, "SetPosition");
  lua_pushcfunction(L, LuaBuildingSetRotation);
  lua_setfield(L, -2, "SetRotation");
  BuildingLuaEnv = luaL_ref(L, LUA_REGISTRYINDEX);
  BuildingLuaChunk = LoadLuaOrExit("building_tick", kBuildingLua);
  lua_rawgeti(L, LUA_REGISTRYINDEX, BuildingLuaChunk);
  lua_rawgeti(L, LUA_REGISTRYINDEX, BuildingLuaEnv);
  lua_setupvalue(L, -2, 1);  // _ENV
  lua_pop(L, 1);

  ResetBuildings();
  ResetLuaBuildings();
  ScriptErrorFlag = false;
  const long long scriptAnswers = BuildingTickQuillon();
  if (ScriptErrorFlag) {
    std::fprintf(stderr, "building_tick: %s\n", LastScriptError.Message.c_str());
    std::exit(1);
  }
  const long long luaAnswers = BuildingTickLua();
  long long scriptSum = 0, luaSum = 0;
  for (int i = 0; i < kBuildings; ++i)
    for (int k = 0; k < 4; ++k) {
      scriptSum += Buildings()[i].ScriptVars[k];
      luaSum += LuaBuildingVars[4 * i + k];
    }
  const TPlacement p2 = MeshPartTransforms[2], p3 = MeshPartTransforms[3], p4 = MeshPartTransforms[4];
  const bool placed = p2.Gier == LuaPlacements[2][4] && p3.Y == LuaPlacements[3][1] && p4.X == LuaPlacements[4][0] &&
                      p4.Z == 1.0f && LuaPlacements[4][2] == 1.0f;
  std::printf("%-20s %22s %22s\n", "building_tick",
              (std::to_string(scriptAnswers) + " / " + std::to_string(scriptSum)).c_str(),
              (std::to_string(luaAnswers) + " / " + std::to_string(luaSum)).c_str());
  if (scriptAnswers != kBuildings || scriptAnswers != luaAnswers || scriptSum != luaSum || !placed) {
    std::fprintf(stderr, "building_tick: the two ticks disagree\n");
    std::exit(1);
  }
}

// Assembles, compiles and loads every program and checks that both languages agree.
void Prepare() {
  UseHost(Host::Bench);
  std::printf("%-20s %22s %22s\n", "program", "script result", "Lua result");
  for (const Program& p : kPrograms) {
    TScriptStream code;
    AssembleScript(*p.script, code);
    if (ScriptErrorFlag) {
      std::fprintf(stderr, "%s: %s\n", p.name, LastScriptError.Message.c_str());
      std::exit(1);
    }
    Images()[p.name] = code.Bytes;
    Images()[SourceName(p.name)] = CompileOrExit(SourceName(p.name), *p.source);
    LuaChunks()[p.name] = LuaChunks()[SourceName(p.name)] = LoadLuaOrExit(p.name, p.lua);
    CheckProgram(p, p.name);
    CheckProgram(p, SourceName(p.name));
  }
  PrepareBuildingTick();
  std::printf("(building_tick: answers / sum of the buildings' variables after one tick)\n\n");
}

void BM_Quillon(benchmark::State& state, std::string name) {
  UseHost(Host::Bench);
  for (auto _ : state) benchmark::DoNotOptimize(RunQuillon(name));
}
void BM_Lua(benchmark::State& state, std::string name) {
  for (auto _ : state) benchmark::DoNotOptimize(RunLua(name));
}
void BM_BuildingTickQuillon(benchmark::State& state) {
  UseHost(Host::Game);
  ResetBuildings();
  for (auto _ : state) benchmark::DoNotOptimize(BuildingTickQuillon());
}
void BM_BuildingTickLua(benchmark::State& state) {
  ResetBuildings();
  ResetLuaBuildings();
  for (auto _ : state) benchmark::DoNotOptimize(BuildingTickLua());
}

void PrintRatio(const bench::RatioReporter& r, const std::string& name) {
  const double q = r.Nanoseconds(name + "/ours"), l = r.Nanoseconds(name + "/vs_lua");
  if (q == 0 || l == 0) return;
  std::printf("%-20s %16.3f %16.3f %16.2f\n", name.c_str(), q / 1000.0, l / 1000.0, q / l);
}

void PrintRatios(const bench::RatioReporter& r) {
  std::printf("\n%-20s %16s %16s %16s\n", "program", "script (us)", "Lua (us)", "script / Lua");
  for (const Program& p : kPrograms) {
    PrintRatio(r, p.name);
    PrintRatio(r, SourceName(p.name));
  }
  PrintRatio(r, "building_tick");
  const double tick = r.Nanoseconds("building_tick/ours");
  if (tick != 0)
    std::printf("building tick: %.1f us a tick of %d buildings, %.3f us a building\n", tick / 1000.0, kBuildings,
                tick / 1000.0 / kBuildings);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Prepare();
  for (const Program& p : kPrograms) {
    for (const std::string& name : {std::string(p.name), SourceName(p.name)}) {
      benchmark::RegisterBenchmark((name + "/ours").c_str(), BM_Quillon, name);
      benchmark::RegisterBenchmark((name + "/vs_lua").c_str(), BM_Lua, name);
    }
  }
  benchmark::RegisterBenchmark("building_tick/ours", BM_BuildingTickQuillon)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("building_tick/vs_lua", BM_BuildingTickLua)->Unit(benchmark::kMicrosecond);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter);
  benchmark::Shutdown();
  lua_close(LuaHost());
  DoneScriptUnits();
  return 0;
}
