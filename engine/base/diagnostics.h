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

// How a program's debug log and warnings look. The vehicle program keeps the engine's own
// (kEngineSysProfile); the building program installs kBuildingSysProfile at start, before its
// first report.
struct TSysProfile {
  const char* FileName;       // the plain name of the log
  const char* Header;         // its first line
  bool NumberedNames;         // SYS_InitDebugFile(true) picks "SYS_Debug_<n>.txt"
  bool InStartFolder;         // the folder current at SYS_InitDebugFile, else the program's folder
  bool AnnounceInit;          // "Initializing SYS_Debug.txt..." to the debugger
  bool WarningBeeps;
  bool WarningGameTime;       // a warning line starts with GameTime and ':'
  const char* WarningPrefix;  // before a warning's text on the debugger
  size_t DebuggerRoom;        // characters of a warning that reach the debugger
};
// "SYS_Debug.txt" beside the program, "Ostrel Debugfile"; warnings beep, carry the game time and
// reach the debugger as "Warning: " + text within 254 characters.
extern const TSysProfile kEngineSysProfile;
// "SYS_debug.txt" in the folder current at start, "Ostrel Debugfile (initialized by SYS)", no
// numbered variant and no debugger line at start; a warning is its text alone, without a beep,
// and reaches the debugger as "ErrorMessage: " + text cut to 255 characters.
extern const TSysProfile kBuildingSysProfile;
// The profile in force from now on (the engine's until set).
void SYS_SetProfile(const TSysProfile& profile);
const TSysProfile& SYS_Profile();

// Creates the log anew with its header. The log's folder is fixed here, as an absolute path:
// later changes of the current folder move no line elsewhere.
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
// The folder of the debug log with a trailing '/', fixed by SYS_InitDebugFile (before it: the
// folder it would choose now). Other logs of a program that belong beside the debug log (the
// building program's "logfile.txt") are made as SYS_LogFolder() + name.
std::string SYS_LogFolder();

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
// The folder of the debug log (with a trailing '/'); empty restores the profile's own folder.
void SetLogFolder(const std::string& folder);
// Milliseconds the fatal stop waits before it ends the program (10,000 unless set).
void SetFatalWait(uint32_t ms);
}  // namespace sys_test
