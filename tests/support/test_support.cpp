#include "tests/support/test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "engine/base/diagnostics.h"
#include "platform/platform.h"

namespace testing_support {

namespace {
void ThrowFatal(const std::string& text) { throw FatalError(text); }
}  // namespace

namespace {
// A fresh folder from the pattern (ending in XXXXXX), with a trailing '/'.
std::string MakeUniqueFolder(std::string pattern) {
  char* made = mkdtemp(pattern.data());
  if (!made) throw std::runtime_error("cannot make a temporary folder");
  return std::string(made) + "/";
}

// Every temporary folder of one test program lies in one folder of its own, removed when the
// program ends, so runs leave nothing behind and the system's temporary folder stays small.
const std::string& ProgramTempFolder() {
  // Never destroyed, so the removal at exit can still read it.
  static const std::string* const root = [] {
    auto* made =
        new std::string(MakeUniqueFolder((std::filesystem::temp_directory_path() / "corvane-tests-XXXXXX").string()));
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ProgramTempFolder(), ignored);
    });
    return made;
  }();
  return *root;
}
}  // namespace

std::string MakeTempFolder(const std::string& tag) { return MakeUniqueFolder(ProgramTempFolder() + tag + "-XXXXXX"); }

void InstallTestSeams() {
  sys_test::SetFatalSink(ThrowFatal);
  sys_test::SetFatalWait(0);
  sys_test::SetLogFolder(MakeTempFolder("log"));
}

std::vector<std::string>& DebuggerLines() {
  static std::vector<std::string> lines;
  return lines;
}

std::vector<std::string>& Warnings() {
  static std::vector<std::string> warnings;
  return warnings;
}

void CaptureDebugger() {
  DebuggerLines().clear();
  Warnings().clear();
  platform::SetDebuggerSink([](const std::string& text) {
    DebuggerLines().push_back(text);
    // The engine's warnings and the building program's.
    for (const char* prefix : {"Warning: ", "ErrorMessage: "}) {
      const std::string p = prefix;
      if (text.rfind(p, 0) == 0) Warnings().push_back(text.substr(p.size()));
    }
  });
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

size_t OpenFileCount() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

}  // namespace testing_support
