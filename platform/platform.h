// The operating-system layer: every call the engine makes to the machine goes through here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Milliseconds since an arbitrary start, wrapping at 2^32 like a tick counter.
uint32_t Ticks();
// Test seam: when set, Ticks() returns this function's value instead of the clock.
void SetTickSource(uint32_t (*source)());
// Milliseconds from tick `at` to tick `now` across a wrap of the counter: the signed difference,
// so a tick shortly before a wrap still lies shortly before one shortly after it.
inline int32_t TicksSince(uint32_t at, uint32_t now) { return static_cast<int32_t>(now - at); }

// Text for an attached debugger (stderr here). The text is written as one line.
void DebuggerOut(const std::string& text);
// Test seam: captures debugger output instead of writing it to stderr (nullptr restores stderr).
void SetDebuggerSink(void (*sink)(const std::string& text));

// A short tone; silent when no GUI application runs.
void Beep(uint32_t frequency, uint32_t milliseconds);

// A modal message box with an OK button. Without a GUI application the text goes to stderr.
void MessageBox(const std::string& caption, const std::string& text);
// Test seam: replaces the box (nullptr restores it).
void SetMessageBoxSink(void (*sink)(const std::string& caption, const std::string& text));

// Moves the mouse pointer to a screen position.
void SetCursorPos(int x, int y);

// Display modes. Nothing here changes the screen: no modes are listed and no change succeeds.
bool EnumDisplayMode(int index, int& width, int& height, int& bits);
enum class DisplayChange { Successful, Restart, BadFlags, Failed, BadMode, NotUpdated, Other };
DisplayChange ChangeDisplayMode(int width, int height, int bits, bool testOnly);
// Brings the desktop's task bar back; nothing to do here.
void ShowTaskbar();

// The folder that holds the running program, with a trailing '/'.
std::string ProgramFolder();

// Starts a program and waits for its end; returns its exit code, or -1 when it could not start.
int RunProcessAndWait(const std::string& program, const std::vector<std::string>& args);

// Dynamic libraries by name.
void* LoadLibrary(const std::string& name);
void* GetProcAddress(void* library, const std::string& name);
void FreeLibrary(void* library);

// The system's own names use '\' and any letter case. Turns such a name into a path on disk:
// '\' becomes '/', each component is matched exactly first, then without regard to case.
// Components that match nothing are kept as written, so a path for a new file can be made too.
std::string DiskPath(const std::string& name);
// True when the path names a regular file (a folder, a device or a pipe is none).
bool IsRegularFile(const std::string& path);
// The entries of a folder (names only), sorted by name without regard to case.
std::vector<std::string> ListFolder(const std::string& folder, bool wantFolders);
// Current directory, by the system's own name rules.
bool SetCurrentDir(const std::string& name);
std::string CurrentDir();

}  // namespace platform
