// Compiles arbitrary text as script source, assembles what compiles and runs the image. Every
// outcome must be assembler text and an image, or a reported script error; nothing may crash or
// hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/sys.h"
#include "engine/types.h"
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/scripts.h"
#include "script/sdatabase.h"
#include "script/sourcecompiler.h"

namespace {

int32_t HostInt = 0;
float HostFloat = 0;
ShortString<255> HostText{};

void TakeOne() { PopString(); }
void GiveFloat() { PushFloat(PopFloat() * 2.0f); }
void TakeFour() {
  for (int i = 0; i < 4; ++i) PopFloat();
}

[[noreturn]] void FatalSink(const std::string&) { std::abort(); }

bool Start() {
  sys_test::SetFatalWait(0);
  sys_test::SetFatalSink([](const std::string& text) { FatalSink(text); });
  InitScriptUnits();
  AddExtVar("frame", 0, &HostInt);
  AddExtVar("speed", 1, &HostFloat);
  AddExtVar("caption", 2, &HostText);
  AddExtProc("showmess", TakeOne, "", 1, 0);
  AddExtProc("twice", GiveFloat, "FLOAT", 1, 1);
  AddExtProc("setrotation", TakeFour, "", 4, 0);
  AddExtProc("a$_", GiveFloat, "Float", 1, 1);
  AddExtProc("a$__", TakeOne, "", 2, 0);
  interpreter_test::SetStepLimit(50000);
  return true;
}

uint32_t Word(const std::vector<uint8_t>& b, size_t at) {
  uint32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool started = Start();
  (void)started;
  if (Size > 20000) return 0;
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < Size; ++i) {
    if (Data[i] == '\n') lines.emplace_back();
    else lines.back() += static_cast<char>(Data[i]);
  }
  std::vector<std::string> assembler;
  CompileSource(lines, assembler);
  if (ScriptErrorFlag) {
    if (!assembler.empty() && assembler.back() == "QUIT") std::abort();  // a failed stage ends no text
    return 0;
  }
  if (!assembler.empty() && (assembler.size() < 2 || assembler.back() != "QUIT")) std::abort();
  TScriptStream code;
  AssembleScript(assembler, code);
  const std::vector<uint8_t>& image = code.Bytes;
  if (ScriptErrorFlag) {
    if (image.size() != 4 || Word(image, 0) != 0) std::abort();
    return 0;
  }
  if (!CheckScriptImage(image.data(), image.size()).empty()) std::abort();
  ScriptRunning = false;
  std::string result;
  RunScript(image.data(), image.size(), true, result);
  if (ScriptRunning || StackDepth != 0) std::abort();
  return 0;
}
