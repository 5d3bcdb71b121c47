// Assembles arbitrary text as assembler lines in both programs' script languages; an image that
// assembles is checked for its layout and run. Every outcome must be an image or a reported
// script error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/script_host.h"
#include "fuzz/script_runs.h"
#include "script/compiler.h"

using namespace fuzz_script;

namespace {

// The shared registry, with one name registered a second time.
bool Start() {
  StartHost();
  AddExtProc("twice", GiveFloat, "FLOAT", 1, 1);
  return true;
}

void AssembleAndRun(const std::vector<std::string>& lines) {
  TScriptStream code;
  AssembleScript(lines, code);
  const std::vector<uint8_t>& image = code.Bytes;
  if (ScriptErrorFlag) {
    if (image.size() != 4 || Word(image, 0) != 0) std::abort();
    return;
  }
  // The layout every assembled image keeps.
  if (image.size() < 13 || image.size() > 65536 || Word(image, 0) != image.size()) std::abort();
  const uint32_t q = Word(image, image.size() - 4);
  if (q < 4 || q >= image.size() || image[q] != 99) std::abort();
  RunEveryWay(image.data(), image.size(), ResetHosts, DescribeHosts);
  if (LastScriptError.Message.rfind("I-012", 0) == 0 && ScriptErrorFlag) std::abort();  // refused its own image
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool started = Start();
  (void)started;
  const std::vector<std::string> lines = Lines(Data, Size);
  for (const TScriptProfile* profile : kProfiles) {
    SetScriptProfile(*profile);
    AssembleAndRun(lines);
  }
  return 0;
}
