// The script interpreter against the Lua 5.4 interpreter embedded in the same program, on the
// same small programs written in both languages: an integer loop with arithmetic, a float loop,
// a million calls of a host procedure, recursive procedure calls, and the start of one run of a
// short animation script with the game's registry of host names. Each pair must compute the
// same result (checked before timing); the end of the run prints script time / Lua time.
//
// Script programs are written as assembler text, assembled once; each timed iteration is one
// RunScript. Lua programs are loaded once; each timed iteration is one call of the loaded chunk.

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
#include "script/interpreter.h"
#include "script/scripts.h"
#include "script/sdatabase.h"

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
  const char* lua;
};
const Program kPrograms[] = {
    {"int_loop", &kIntLoopScript, kIntLoopLua},     {"float_loop", &kFloatLoopScript, kFloatLoopLua},
    {"host_calls", &kHostCallScript, kHostCallLua}, {"recursion", &kRecursionScript, kRecursionLua},
    {"start_run", &kStartScript, kStartLua},
};

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
void Prepare() {
  RegisterScriptHost();
  lua_State* L = LuaHost();
  std::printf("%-12s %22s %22s\n", "program", "script result", "Lua result");
  for (const Program& p : kPrograms) {
    TScriptStream code;
    AssembleScript(*p.script, code);
    if (ScriptErrorFlag) {
      std::fprintf(stderr, "%s: %s\n", p.name, LastScriptError.Message.c_str());
      std::exit(1);
    }
    Images()[p.name] = code.Bytes;
    if (luaL_loadstring(L, p.lua) != LUA_OK) {
      std::fprintf(stderr, "%s: %s\n", p.name, lua_tostring(L, -1));
      std::exit(1);
    }
    LuaChunks()[p.name] = luaL_ref(L, LUA_REGISTRYINDEX);

    HostSum = 0;
    LastGier = 0;
    std::string quillon = RunQuillon(p.name);
    if (ScriptErrorFlag) {
      std::fprintf(stderr, "%s: %s\n", p.name, LastScriptError.Message.c_str());
      std::exit(1);
    }
    const long long scriptSum = HostSum;
    const float scriptGier = LastGier;
    HostSum = 0;
    LastGier = 0;
    const double lua = RunLua(p.name);
    if (std::string(p.name) == "host_calls") {
      quillon = std::to_string(scriptSum);
      std::printf("%-12s %22lld %22lld\n", p.name, scriptSum, HostSum);
      if (scriptSum != HostSum) std::exit(1);
    } else if (std::string(p.name) == "start_run") {
      std::printf("%-12s %22.3f %22.3f\n", p.name, scriptGier, LastGier);
      if (scriptGier != LastGier || scriptGier == 0) std::exit(1);
    } else {
      std::printf("%-12s %22s %22.3f\n", p.name, quillon.c_str(), lua);
      if (std::stod(quillon) != lua) std::exit(1);
    }
  }
  std::printf("\n");
}

void BM_Quillon(benchmark::State& state, const char* name) {
  for (auto _ : state) benchmark::DoNotOptimize(RunQuillon(name));
}
void BM_Lua(benchmark::State& state, const char* name) {
  for (auto _ : state) benchmark::DoNotOptimize(RunLua(name));
}

void PrintRatios(const bench::RatioReporter& r) {
  std::printf("\n%-12s %16s %16s %16s\n", "program", "script (us)", "Lua (us)", "script / Lua");
  for (const Program& p : kPrograms) {
    const double q = r.Nanoseconds(std::string(p.name) + "/ours"), l = r.Nanoseconds(std::string(p.name) + "/vs_lua");
    if (q == 0 || l == 0) continue;
    std::printf("%-12s %16.3f %16.3f %16.2f\n", p.name, q / 1000.0, l / 1000.0, q / l);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Prepare();
  for (const Program& p : kPrograms) {
    benchmark::RegisterBenchmark((std::string(p.name) + "/ours").c_str(), BM_Quillon, p.name);
    benchmark::RegisterBenchmark((std::string(p.name) + "/vs_lua").c_str(), BM_Lua, p.name);
  }
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter);
  benchmark::Shutdown();
  lua_close(LuaHost());
  DoneScriptUnits();
  return 0;
}
