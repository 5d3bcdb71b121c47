// Runs an image every way the interpreter runs one: decoded (its first run, and again from what
// that run decoded) and read from the code as it goes. The three must give the same result, the
// same error reports at the same positions, end at the same place and leave the host variables
// alike; a difference aborts. Every run starts from the same state: the caller's Reset puts the
// host variables back, and Hosts describes them after a run.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "script/interpreter.h"
#include "script/sdatabase.h"

namespace fuzz_script {

struct TRunOutcome {
  std::string Result;
  std::vector<std::string> Reports;
  int32_t Position = 0;
  std::string Hosts;

  bool operator==(const TRunOutcome&) const = default;
};

inline std::vector<std::string>& RunReports() {
  static std::vector<std::string> reports;
  return reports;
}

inline TRunOutcome RunOnce(const uint8_t* Data, size_t Size, bool Decoded, void (*Reset)(),
                           std::string (*Hosts)()) {
  Reset();
  RunReports().clear();
  Accumulator = TQzVariant();  // a run starts with the accumulator the last one left
  ScriptErrorFlag = false;
  ScriptRunning = false;
  interpreter_test::SetDecodedRuns(Decoded);
  interpreter_test::ResetPointerGenerations();
  const auto hook = ScriptErrorHook;
  ScriptErrorHook = [](const TScriptErrorReport& r) { RunReports().push_back(r.Title + " " + r.Message); };
  TRunOutcome o;
  RunScript(Data, Size, true, o.Result);
  ScriptErrorHook = hook;
  interpreter_test::SetDecodedRuns(true);
  if (ScriptRunning || StackDepth != 0) std::abort();
  o.Reports = RunReports();
  o.Position = ProgramCounter;
  o.Hosts = Hosts();
  return o;
}

inline void RunEveryWay(const uint8_t* Data, size_t Size, void (*Reset)(), std::string (*Hosts)()) {
  const TRunOutcome decoded = RunOnce(Data, Size, true, Reset, Hosts);
  const TRunOutcome again = RunOnce(Data, Size, true, Reset, Hosts);
  const TRunOutcome read = RunOnce(Data, Size, false, Reset, Hosts);
  if (decoded == read && again == read) return;
  for (const TRunOutcome* o : {&read, &decoded, &again}) {
    std::fprintf(stderr, "result \"%s\" at %d, hosts %s\n", o->Result.c_str(), o->Position, o->Hosts.c_str());
    for (const std::string& r : o->Reports) std::fprintf(stderr, "  %s\n", r.c_str());
  }
  std::abort();
}

}  // namespace fuzz_script
