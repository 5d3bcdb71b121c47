#include "engine/base/diagnostics.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "engine/base/worldstate.h"
#include "platform/platform.h"

bool DebugFileOpen = false;
void* MainWindowHandle = nullptr;
int32_t ViewportSize[2] = {0, 0};
int32_t CurrentDisplayMode[3] = {0, 0, 0};
int32_t SavedDisplayMode[3] = {0, 0, 0};
bool DisplayModeChanged = false;

namespace sys_hooks {
void (*ArrayerFree)() = nullptr;
void (*GraDone)() = nullptr;
}  // namespace sys_hooks

const TSysProfile kEngineSysProfile = {
    .FileName = "SYS_Debug.txt",
    .Header = "Ostrel Debugfile",
    .NumberedNames = true,
    .InStartFolder = false,
    .AnnounceInit = true,
    .WarningBeeps = true,
    .WarningGameTime = true,
    .WarningPrefix = "Warning: ",
    .DebuggerRoom = 254,
};

const TSysProfile kBuildingSysProfile = {
    .FileName = "SYS_debug.txt",
    .Header = "Ostrel Debugfile (initialized by SYS)",
    .NumberedNames = false,
    .InStartFolder = true,
    .AnnounceInit = false,
    .WarningBeeps = false,
    .WarningGameTime = false,
    .WarningPrefix = "ErrorMessage: ",
    .DebuggerRoom = 255,
};

namespace {
const TSysProfile* g_profile = &kEngineSysProfile;
std::string g_debugFileName;
std::string g_debugFolder;  // fixed when the log is made
std::string g_logFolder;    // the test seam
uint32_t g_fatalWaitMs = 10000;
void (*g_fatalSink)(const std::string&) = nullptr;

std::string Cut(const std::string& s, size_t n) { return s.size() > n ? s.substr(0, n) : s; }

// The debugger receives the text with a terminating zero inside 255 characters.
void ToDebugger(const std::string& text) { platform::DebuggerOut(Cut(text, 254)); }

// The folder current now, absolute, with a trailing '/' (empty when it cannot be told).
std::string CurrentFolder() {
  std::string dir = platform::CurrentDir();
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

std::string LogFolder() {
  if (!g_logFolder.empty()) return g_logFolder;
  return g_profile->InStartFolder ? CurrentFolder() : platform::ProgramFolder();
}

void AppendLogLine(const std::string& line) {
  if (!DebugFileOpen) return;
  FILE* f = std::fopen(g_debugFileName.c_str(), "ab");
  if (!f) return;  // a line that cannot be appended is dropped
  std::fwrite(line.data(), 1, line.size(), f);
  std::fwrite("\r\n", 1, 2, f);
  std::fclose(f);
}

}  // namespace

void SYS_Halt(const std::string& text) {
  if (g_fatalSink) {
    g_fatalSink(text);
  }
  std::fflush(nullptr);
  std::_Exit(1);
}

namespace sys_test {
void SetFatalSink(void (*sink)(const std::string&)) { g_fatalSink = sink; }
void SetLogFolder(const std::string& folder) { g_logFolder = folder; }
void SetFatalWait(uint32_t ms) { g_fatalWaitMs = ms; }
}  // namespace sys_test

void SYS_SetProfile(const TSysProfile& profile) { g_profile = &profile; }

const TSysProfile& SYS_Profile() { return *g_profile; }

const std::string& SYS_DebugFileName() { return g_debugFileName; }

std::string SYS_LogFolder() { return g_debugFolder.empty() ? LogFolder() : g_debugFolder; }

void SYS_InitDebugFile(bool numbered) {
  const TSysProfile& profile = *g_profile;
  if (profile.AnnounceInit) ToDebugger("Initializing SYS_Debug.txt...");
  const std::string folder = LogFolder();
  std::string name = folder + profile.FileName;
  if (numbered && profile.NumberedNames) {
    for (uint32_t n = 1;; ++n) {
      name = folder + "SYS_Debug_" + std::to_string(n) + ".txt";
      if (!SYS_FileExists(name)) break;
    }
  }
  g_debugFolder = folder;
  DebugFileOpen = false;
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return;
  const std::string header = std::string(profile.Header) + "\r\n";
  std::fwrite(header.data(), 1, header.size(), f);
  std::fclose(f);
  g_debugFileName = name;
  DebugFileOpen = true;
}

void SYS_Warning(const std::string& msg) {
  const TSysProfile& profile = *g_profile;
  const std::string text = Cut(msg, 255);
  if (profile.WarningBeeps) platform::Beep(1000, 100);
  AppendLogLine(profile.WarningGameTime ? std::to_string(GameTime) + ":" + text : text);
  platform::DebuggerOut(Cut(profile.WarningPrefix + text, profile.DebuggerRoom));
}

void SYS_DebugOut(const std::string& msg) { ToDebugger(Cut(msg, 255)); }

void SYS_BREAKPROGRAM(const std::string& msg) {
  platform::Beep(1000, 1);
  const uint32_t t0 = SYS_GetTicks();
  const std::string text = Cut("FATAL ERROR: " + Cut(msg, 255) + " PROGRAM TERMINATES!", 255);
  AppendLogLine(std::to_string(GameTime) + ":" + text);
  ToDebugger(Cut("SYS_BREAKPROGRAM: " + text, 255));
  if (DisplayModeChanged) SYS_RestoreDisplayMode();
  // The unsigned difference makes a wrap of the tick counter harmless.
  while (static_cast<uint32_t>(SYS_GetTicks() - t0) <= g_fatalWaitMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  SYS_ShowTaskbar();
  if (sys_hooks::ArrayerFree) sys_hooks::ArrayerFree();
  if (sys_hooks::GraDone) sys_hooks::GraDone();
  SYS_RestoreDisplayMode();
  SYS_Halt(text);
}

std::string SYS_FatalBoxText(uint16_t code) {
  switch (code) {
    case 1: return "Could not register sfWindow class";
    case 2: return "Could not create sfWindow";
    case 5: return "Cannot ChoosePixelFormat";
    case 6: return "Cannot SetPixelFormat";
    case 7: return "Cannot DescribePixelFormat";
    case 10: return "There's no OpenGL renderer";
    case 11: return "Cannot find OpenGL version";
    case 14: return "You have to restart to change display mode";
    case 15: return "Bad display mode flags";
    case 16: return "Failed in changing resolution";
    case 17: return "Display mode not supported";
    case 18: return "Registry could not be updated";
    case 19: return "Couldn't restore old display settings!";
    default: return "";
  }
}

void SYS_FatalBox(uint16_t code) {
  const std::string text = SYS_FatalBoxText(code);
  platform::MessageBox("Fatal Error", text);
  SYS_Halt(text);
}

bool SYS_SetDisplayMode(int32_t width, int32_t height, int32_t bits) {
  if (width == CurrentDisplayMode[0] && height == CurrentDisplayMode[1] && bits == CurrentDisplayMode[2])
    return true;
  bool result = false;
  int w = 0, h = 0, b = 0;
  for (int i = 0; platform::EnumDisplayMode(i, w, h, b); ++i) {
    if (w != width || h != height || b != bits) continue;
    switch (platform::ChangeDisplayMode(width, height, bits, true)) {
      case platform::DisplayChange::Restart: SYS_FatalBox(14);
      case platform::DisplayChange::BadFlags: SYS_FatalBox(15);
      case platform::DisplayChange::Failed: SYS_FatalBox(16);
      case platform::DisplayChange::BadMode: SYS_FatalBox(17);
      case platform::DisplayChange::NotUpdated: SYS_FatalBox(18);
      default: break;
    }
    platform::ChangeDisplayMode(width, height, bits, false);
    CurrentDisplayMode[0] = width;
    CurrentDisplayMode[1] = height;
    CurrentDisplayMode[2] = bits;
    DisplayModeChanged = true;
    result = true;
  }
  return result;
}

void SYS_RestoreDisplayMode() {
  SYS_SetDisplayMode(SavedDisplayMode[0], SavedDisplayMode[1], SavedDisplayMode[2]);
  DisplayModeChanged = false;
}

void SYS_ShowTaskbar() { platform::ShowTaskbar(); }

uint32_t SYS_GetTicks() { return platform::Ticks(); }

bool SYS_FileExists(const std::string& name) {
  // Only a regular file: a folder opens here too, but reads nothing.
  const std::string path = platform::DiskPath(name);
  if (!platform::IsRegularFile(path)) return false;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

void SYS_ExtractPath(const std::string& s, std::string& path) {
  // The system's own names use '\'; paths handed out by the platform use '/'.
  size_t p = s.find_last_of("\\/");
  path = p == std::string::npos ? std::string() : s.substr(0, p + 1);
}
