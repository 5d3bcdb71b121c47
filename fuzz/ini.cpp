// The fast ini reader on arbitrary bytes: FUZZ.INI is loaded, then keys of the sections it holds
// are looked up as strings and numbers. A file of 2,250 kept lines or more stops fatally, as the
// reader is meant to.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/files/ini.h"
#include "fuzz/file_host.h"

using fuzz_files::Check;

namespace {

TFastIni& Ini() {
  static TFastIni* ini = new TFastIni();
  return *ini;
}

// How many key lines are looked up, so that a long file stays quick.
constexpr int kLookups = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = fuzz_files::Start();
  (void)started;
  fuzz_files::WriteInput("FUZZ.INI", data, size);
  TFastIni& ini = Ini();
  if (fuzz_files::StoppedFatally([&] { LoadIni(ini, "FUZZ.INI"); })) return 0;
  Check(ini.Count >= 0 && ini.Count < kIniMaxLines, "at most 2,249 lines kept");
  Check(ini.LastSection == 1, "the section search starts at line 1");

  // Each key line below a section line is looked up under that section's name.
  std::string section;
  int lookups = 0;
  for (int32_t i = 1; i <= ini.Count && lookups < kLookups; ++i) {
    const std::string line = ini.Lines[i].str();
    Check(!line.empty() && line.size() <= 31, "kept lines hold 1 to 31 characters");
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    ++lookups;
    const std::string key = line.substr(0, eq);
    const int32_t found = FindKey(ini, section, key);
    Check(found >= 0 && found <= ini.Count, "a found key names a kept line");
    if (found > 0) Check(ini.Lines[found].str().substr(0, ini.Lines[found].str().find('=')) == key, "the found line holds the key");
    std::string value;
    ReadString(ini, section, key, "default", value);
    Check(value.size() <= 50, "a value holds at most 50 characters");
    ReadInteger(ini, section, key, -1);
  }
  return 0;
}
