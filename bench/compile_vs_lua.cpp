// Compiling a generated script of 1,000 source lines (a hundred functions, then loops,
// conditionals and calls of them) against the Lua 5.4 compiler (luaL_loadbuffer) on the same
// program written in Lua, in the same process. Both programs are run once first and must give
// the same result. Timed: the first stage alone (source to assembler text), both stages (source
// to image, the case compared with Lua), and Lua's load of the source into a function. The end of
// the run prints the ratios.

#include <benchmark/benchmark.h>

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
#include "script/sourcecompiler.h"

namespace {

constexpr int kLines = 1000;
constexpr int kFunctions = 100;

struct Programs {
  std::vector<std::string> script;
  std::string lua;
};

// The same program in both languages, line for line where the languages allow.
Programs Generate() {
  Programs p;
  std::vector<std::string>& s = p.script;
  std::string& l = p.lua;
  s.push_back("// generated: a hundred functions and a main block");
  s.push_back("var sum,i,j,k:integer;");
  l += "local sum, i, j, k = 0, 0, 0, 0\n";
  for (int n = 1; n <= kFunctions; ++n) {
    const std::string f = "f" + std::to_string(n), N = std::to_string(n);
    s.push_back("function " + f + "(x:integer):integer;");
    s.push_back("begin");
    s.push_back("  k:=x*" + N + "+1;");
    s.push_back("  if k>100 then k:=k-" + N + " else k:=k+" + N + ";");
    s.push_back("  result(k%97);");
    s.push_back("ret;");
    l += "local function " + f + "(x)\n  k = x*" + N + "+1\n  if k>100 then k = k-" + N + " else k = k+" + N +
         " end\n  return k%97\nend\n";
  }
  s.push_back("begin");
  s.push_back("  sum:=0;");
  for (int m = 1; static_cast<int>(s.size()) + 4 + 2 <= kLines; ++m) {
    const std::string M = std::to_string(m), F = "f" + std::to_string((m * 37) % kFunctions + 1);
    s.push_back("  for i:=1 to 10 do sum:=(sum+" + F + "(i)*3)%100003;");
    s.push_back("  if sum>500 then sum:=sum-500 else sum:=sum+" + M + ";");
    s.push_back("  j:=0; while j<5 do begin j:=j+1; sum:=(sum+j*" + M + ")%100003; end;");
    s.push_back("  repeat j:=j-3; until j<0;");
    l += "for i=1,10 do sum = (sum+" + F + "(i)*3)%100003 end\n";
    l += "if sum>500 then sum = sum-500 else sum = sum+" + M + " end\n";
    l += "j = 0 while j<5 do j = j+1 sum = (sum+j*" + M + ")%100003 end\n";
    l += "repeat j = j-3 until j<0\n";
  }
  while (static_cast<int>(s.size()) < kLines - 2) s.push_back("  // padding");
  s.push_back("  asm 'MOVR SUM';end;");
  s.push_back("end;");
  l += "return sum\n";
  return p;
}

const Programs& Source() {
  static const Programs programs = Generate();
  return programs;
}

std::vector<std::string> g_assembler;

void CompileFirstStage() {
  CompileSource(Source().script, g_assembler);
  if (ScriptErrorFlag) {
    std::fprintf(stderr, "compile: %s\n", LastScriptError.Message.c_str());
    std::exit(1);
  }
}

std::vector<uint8_t> CompileBothStages() {
  TScriptStream code;
  if (!CompileScript(Source().script, g_assembler, code)) {
    std::fprintf(stderr, "compile: %s\n", LastScriptError.Message.c_str());
    std::exit(1);
  }
  return code.Bytes;
}

void LuaLoad(lua_State* L) {
  const std::string& text = Source().lua;
  if (luaL_loadbuffer(L, text.data(), text.size(), "generated") != LUA_OK) {
    std::fprintf(stderr, "lua: %s\n", lua_tostring(L, -1));
    std::exit(1);
  }
}

lua_State* Lua() {
  static lua_State* L = [] {
    lua_State* s = luaL_newstate();
    luaL_openlibs(s);
    return s;
  }();
  return L;
}

// Both programs run once and agree.
void Prepare() {
  InitScriptUnits();
  const std::vector<uint8_t> image = CompileBothStages();
  ScriptRunning = false;
  ScriptErrorFlag = false;
  const std::string script = RunScript(image);
  if (ScriptErrorFlag) {
    std::fprintf(stderr, "run: %s\n", LastScriptError.Message.c_str());
    std::exit(1);
  }
  lua_State* L = Lua();
  LuaLoad(L);
  if (lua_pcall(L, 0, 1, 0) != LUA_OK) {
    std::fprintf(stderr, "lua: %s\n", lua_tostring(L, -1));
    std::exit(1);
  }
  const long long lua = lua_tointeger(L, -1);
  lua_pop(L, 1);
  size_t sourceBytes = 0;
  for (const std::string& line : Source().script) sourceBytes += line.size() + 2;
  std::printf("script: %zu lines, %zu bytes, %zu assembler lines, %zu image bytes; Lua: %zu bytes\n",
              Source().script.size(), sourceBytes, g_assembler.size(), image.size(), Source().lua.size());
  std::printf("result: script %s, Lua %lld\n\n", script.c_str(), lua);
  if (std::stoll(script) != lua) std::exit(1);
}

void BM_FirstStage(benchmark::State& state) {
  for (auto _ : state) {
    CompileFirstStage();
    benchmark::DoNotOptimize(g_assembler.data());
  }
}
void BM_BothStages(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(CompileBothStages());
}
void BM_LuaLoad(benchmark::State& state) {
  lua_State* L = Lua();
  for (auto _ : state) {
    LuaLoad(L);
    lua_pop(L, 1);
  }
}

void PrintRatios(const bench::RatioReporter& r) {
  const double lua = r.Nanoseconds("compile/vs_lua");
  if (lua == 0) return;
  std::printf("\n%-36s %14s %14s\n", "compile", "time (us)", "/ Lua load");
  const std::pair<const char*, const char*> rows[] = {{"compile/first_stage", "source to assembler"},
                                                      {"compile/ours", "source to image (both stages)"},
                                                      {"compile/vs_lua", "Lua luaL_loadbuffer"}};
  for (const auto& [name, what] : rows) {
    const double t = r.Nanoseconds(name);
    if (t == 0) continue;
    std::printf("%-36s %14.1f %14.2f\n", what, t / 1000.0, t / lua);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Prepare();
  benchmark::RegisterBenchmark("compile/first_stage", BM_FirstStage)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("compile/ours", BM_BothStages)->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("compile/vs_lua", BM_LuaLoad)->Unit(benchmark::kMicrosecond);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter);
  benchmark::Shutdown();
  lua_close(Lua());
  DoneScriptUnits();
  return 0;
}
