// The script file (*.mas) reader on arbitrary bytes: the file is read from disk and checked whole;
// a file it takes gives the editor's lines of its source, writes back to the same bytes, and its
// image (used unchanged, not compiled again) runs with the shared host registry.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/file_host.h"
#include "fuzz/script_host.h"
#include "script/interpreter.h"
#include "script/scriptfile.h"

using fuzz_files::Check;

namespace {

bool Start() {
  fuzz_files::Start();
  fuzz_script::StartHost();  // nothing here stops fatally: a fatal stop aborts, a finding
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = Start();
  (void)started;
  fuzz_files::WriteInput("vehicles/FUZZ.MAS", data, size);
  TScriptFileData out;
  out.Source = "before";
  std::string error;
  bool read = false;
  fuzz_files::StoppedFatally([&] { read = ReadScriptFile(fuzz_files::Base() + "vehicles/FUZZ.MAS", out, error); });
  const std::vector<uint8_t> bytes(data, data + size);
  TScriptFileData direct;
  const std::string refused = DecodeScriptFile(bytes, direct);
  Check(read == refused.empty(), "the file and its bytes are judged alike");
  if (!read) {
    Check(out.Source == "before" && out.Code.empty(), "a refused file leaves the data as it was");
    Check(!error.empty(), "a refused file is reported");
    return 0;
  }
  Check(out.Source == direct.Source && out.Code == direct.Code, "the file and its bytes give the same data");

  // Written back, the data gives the file's bytes up to the end of its image.
  const std::vector<uint8_t> again = EncodeScriptFile(out.Source, out.Code);
  Check(again.size() <= size && std::equal(again.begin(), again.end(), data), "the data writes back to the same bytes");
  const std::vector<std::string> lines = ScriptSourceLines(out.Source);
  Check(lines.size() <= out.Source.size() + 1, "no more lines than characters");

  if (!out.Code.empty()) {
    Check(out.Code.size() == 4 || CheckScriptImage(out.Code.data(), out.Code.size()).empty(),
          "a taken image passes the interpreter's check");
    ScriptErrorFlag = false;
    ScriptRunning = false;
    std::string result;
    RunScript(out.Code.data(), out.Code.size(), true, result);
    if (ScriptRunning || StackDepth != 0) std::abort();
  }
  return 0;
}
