// Runs arbitrary bytes as a script image, with host variables of every type and host routines
// that pop, push and write through pointer handles registered. Every outcome must be an
// ordinary result or a reported script error, and the same whether the image runs decoded (the
// first run, and again from what that run decoded) or read from the code as it goes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/types.h"
#include "fuzz/script_host.h"
#include "fuzz/script_runs.h"
#include "script/interpreter.h"
#include "script/scripts.h"
#include "script/sdatabase.h"

namespace {

using fuzz_script::HostFloat;
using fuzz_script::HostInt;
using fuzz_script::HostText;
using fuzz_script::TakeOne;

int32_t HostRecord = 0;

void GiveInt() { PushInt(PopInt() + 1); }
void GiveText() { PushString(PopString() + "x"); }
void WriteRef() {
  const int32_t handle = PopInt();
  float x = 0;
  if (ScriptPointerGetFloat(handle, x)) ScriptPointerSetFloat(handle, x + PopFloat());
}
void Flood() {
  for (int i = 0; i < 2100; ++i) PushFloat(1.0f);
}

[[noreturn]] void FatalSink(const std::string&) { std::abort(); }

// The shared host variables and the record, as every run starts and as a run left them.
void Reset() {
  fuzz_script::ResetHosts();
  HostRecord = 7;
}

std::string Hosts() { return fuzz_script::DescribeHosts() + " " + std::to_string(HostRecord); }

bool Start() {
  sys_test::SetFatalWait(0);
  sys_test::SetFatalSink([](const std::string& text) { FatalSink(text); });
  InitScriptUnits();
  AddExtVar("frame", 0, &HostInt);
  AddExtVar("speed", 1, &HostFloat);
  AddExtVar("caption", 2, &HostText);
  AddExtVar("depot", 3, &HostRecord);
  AddExtVar("frame", 0, &HostInt);
  AddExtProc("showmess", TakeOne, "", 1, 0);
  AddExtProc("next", GiveInt, "INTEGER", 1, 1);
  AddExtProc("append", GiveText, "STRING", 1, 1);
  AddExtProc("addref", WriteRef, "", 2, 0);
  AddExtProc("flood", Flood, "", 0, 0);
  interpreter_test::SetStepLimit(50000);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool started = Start();
  (void)started;
  fuzz_script::RunEveryWay(Data, Size, Reset, Hosts);
  return 0;
}
