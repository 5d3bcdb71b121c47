// Assembles arbitrary text as assembler lines; an image that assembles is checked for its
// layout and run. Every outcome must be an image or a reported script error.
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

namespace {

int32_t HostInt = 0;
float HostFloat = 0;
ShortString<255> HostText{};

void TakeOne() { PopString(); }
void GiveFloat() { PushFloat(PopFloat() * 2.0f); }

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
  AddExtProc("twice", GiveFloat, "FLOAT", 1, 1);
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
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < Size; ++i) {
    if (Data[i] == '\n') lines.emplace_back();
    else lines.back() += static_cast<char>(Data[i]);
  }
  TScriptStream code;
  AssembleScript(lines, code);
  const std::vector<uint8_t>& image = code.Bytes;
  if (ScriptErrorFlag) {
    if (image.size() != 4 || Word(image, 0) != 0) std::abort();
    return 0;
  }
  // The layout every assembled image keeps.
  if (image.size() < 13 || image.size() > 65536 || Word(image, 0) != image.size()) std::abort();
  const uint32_t q = Word(image, image.size() - 4);
  if (q < 4 || q >= image.size() || image[q] != 99) std::abort();
  ScriptRunning = false;
  std::string result;
  RunScript(image.data(), image.size(), true, result);
  if (ScriptRunning || StackDepth != 0) std::abort();
  if (LastScriptError.Message.rfind("I-012", 0) == 0 && ScriptErrorFlag) std::abort();  // refused its own image
  return 0;
}
