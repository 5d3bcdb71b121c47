// Compiles arbitrary text as script source, assembles what compiles and runs the image. Every
// outcome must be assembler text and an image, or a reported script error; nothing may crash or
// hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/script_host.h"
#include "fuzz/script_runs.h"
#include "script/compiler.h"
#include "script/sourcecompiler.h"

using namespace fuzz_script;

namespace {

void TakeFour() {
  for (int i = 0; i < 4; ++i) PopFloat();
}

// The shared registry, and names the source compiler treats specially.
bool Start() {
  StartHost();
  AddExtProc("setrotation", TakeFour, "", 4, 0);
  AddExtProc("a$_", GiveFloat, "Float", 1, 1);
  AddExtProc("a$__", TakeOne, "", 2, 0);
  return true;
}

// The text holds "asm" in any case.
bool MentionsAsm(const uint8_t* Data, size_t Size) {
  for (size_t i = 0; i + 3 <= Size; ++i)
    if ((Data[i] | 0x20) == 'a' && (Data[i + 1] | 0x20) == 's' && (Data[i + 2] | 0x20) == 'm') return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool started = Start();
  (void)started;
  if (Size > 20000) return 0;
  const std::vector<std::string> lines = Lines(Data, Size);
  std::vector<std::string> assembler;
  CompileSource(lines, assembler);
  if (ScriptErrorFlag) {
    // A failed stage does not close the text with the program's QUIT (an inline asm statement
    // before the failure may have written one of its own).
    if (!assembler.empty() && assembler.back() == "QUIT" && !MentionsAsm(Data, Size)) std::abort();
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
  RunEveryWay(image.data(), image.size(), ResetHosts, DescribeHosts);
  return 0;
}
