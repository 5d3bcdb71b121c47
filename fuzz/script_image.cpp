// Runs arbitrary bytes as a script image, with host variables of every type and host routines
// that pop, push and write through pointer handles registered. Every outcome must be an
// ordinary result or a reported script error, and the same whether the image runs decoded (the
// first run, and again from what that run decoded) or read from the code as it goes.
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/types.h"
#include "script/interpreter.h"
#include "script/scripts.h"
#include "script/sdatabase.h"

namespace {

int32_t HostInt = 0;
float HostFloat = 0;
ShortString<255> HostText{};
int32_t HostRecord = 0;

void TakeOne() { PopString(); }
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

std::vector<std::string> Reports;
void Collect(const TScriptErrorReport& r) { Reports.push_back(r.Title + " " + r.Message); }

// What one run gave, with the host variables as every run starts.
struct Outcome {
  std::string Result;
  std::vector<std::string> Reports;
  int32_t Position = 0;
  int32_t Int = 0, Record = 0;
  uint32_t FloatBits = 0;
  std::string Text;

  bool operator==(const Outcome&) const = default;
};

Outcome RunOnce(const uint8_t* Data, size_t Size, bool Decoded) {
  HostInt = 3;
  HostFloat = 1.5f;
  HostText = ShortString<255>("text");
  HostRecord = 7;
  Reports.clear();
  Accumulator = TQzVariant();  // a run starts with the accumulator the last one left
  ScriptErrorFlag = false;
  ScriptRunning = false;
  interpreter_test::SetDecodedRuns(Decoded);
  interpreter_test::ResetPointerGenerations();
  Outcome o;
  RunScript(Data, Size, true, o.Result);
  if (ScriptRunning || StackDepth != 0) std::abort();
  o.Reports = Reports;
  o.Position = ProgramCounter;
  o.Int = HostInt;
  o.Record = HostRecord;
  std::memcpy(&o.FloatBits, &HostFloat, 4);
  o.Text = HostText.str();
  return o;
}

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
  ScriptErrorHook = &Collect;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool started = Start();
  (void)started;
  const Outcome decoded = RunOnce(Data, Size, true);
  const Outcome again = RunOnce(Data, Size, true);
  const Outcome read = RunOnce(Data, Size, false);
  if (!(decoded == read) || !(again == read)) {
    for (const Outcome* o : {&read, &decoded, &again}) {
      std::fprintf(stderr, "result \"%s\" at %d, int %d record %d float %08x text \"%s\"\n", o->Result.c_str(),
                   o->Position, o->Int, o->Record, o->FloatBits, o->Text.c_str());
      for (const std::string& r : o->Reports) std::fprintf(stderr, "  %s\n", r.c_str());
    }
    std::abort();
  }
  return 0;
}
