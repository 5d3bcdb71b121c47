// Diagnostics: the debug log, warnings, the fatal stop, debugger text, display modes and ticks.
#pragma once

#include <cstdint>
#include <string>

extern bool DebugFileOpen;
extern void* MainWindowHandle;       // the window that receives the GL context
extern int32_t ViewportSize[2];      // width, height of the 3D view, set by each frame
extern int32_t CurrentDisplayMode[3];
extern int32_t SavedDisplayMode[3];
extern bool DisplayModeChanged;

void SYS_InitDebugFile(bool numbered);
void SYS_Warning(const std::string& msg);
[[noreturn]] void SYS_BREAKPROGRAM(const std::string& msg);
void SYS_DebugOut(const std::string& msg);
[[noreturn]] void SYS_FatalBox(uint16_t code);
// Ends the program at once with a non-zero exit status: no log line, no clean-up step. The text
// says why; only the fatal sink of tests sees it.
[[noreturn]] void SYS_Halt(const std::string& text);
std::string SYS_FatalBoxText(uint16_t code);
bool SYS_SetDisplayMode(int32_t width, int32_t height, int32_t bits);
void SYS_RestoreDisplayMode();
void SYS_ShowTaskbar();
uint32_t SYS_GetTicks();
bool SYS_FileExists(const std::string& name);
void SYS_ExtractPath(const std::string& s, std::string& path);

// The full name of the debug log in use (empty until SYS_InitDebugFile made one).
const std::string& SYS_DebugFileName();

// Clean-up steps of the fatal stop that belong to higher units. Each unit installs its own;
// an empty hook does nothing.
namespace sys_hooks {
extern void (*ArrayerFree)();  // frees the record store and the pools
extern void (*GraDone)();      // shuts the graphics layer down
}  // namespace sys_hooks

// Test seams: never reachable through a user-visible option.
namespace sys_test {
// Called in place of ending the process at the fatal stop's last step (it may throw).
void SetFatalSink(void (*sink)(const std::string& text));
// The folder of the debug log (with a trailing '/'); empty restores the program's folder.
void SetLogFolder(const std::string& folder);
// Milliseconds the fatal stop waits before it ends the program (10,000 unless set).
void SetFatalWait(uint32_t ms);
}  // namespace sys_test
