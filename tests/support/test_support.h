// Shared pieces of the test programs: the fatal stop throws, the debug log goes to a temporary
// folder, and small file helpers.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

// What a fatal stop throws inside the tests.
struct FatalError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Points the fatal stop at a thrower, the debug log at a fresh temporary folder, and removes
// the fatal stop's wait. Every test program's main calls it.
void InstallTestSeams();

// A fresh empty folder under the system's temporary folder, with a trailing '/'.
std::string MakeTempFolder(const std::string& tag);
std::string ReadFileBytes(const std::string& path);

// Collects what reaches the debugger from now on: every line, and the warnings among them without
// their "Warning: " (or the building program's "ErrorMessage: ") prefix.
// platform::SetDebuggerSink(nullptr) ends it.
void CaptureDebugger();
std::vector<std::string>& DebuggerLines();
std::vector<std::string>& Warnings();
void WriteFileBytes(const std::string& path, const std::string& bytes);
// The number of open file descriptors of the process.
size_t OpenFileCount();

}  // namespace testing_support
