// What a click in the 3D view means: the mouse mode, with its cursor.
#pragma once

#include <cstdint>

extern uint8_t MouseMode;
extern uint8_t MouseModeChanged;  // stays 1 until the command handlers clear it
extern uint16_t SelectedBuildingType;
extern uint16_t MouseCursor;

// Entries of CursorTable (the world state); a mode beyond the table keeps the cursor as it is.
constexpr int kCursorTableSize = 32;

// Sets the mode and its cursor and reports the change to the tutorial (event 1).
void SetMouseMode(uint8_t mode);

// Calls that go up to the game flow; an empty hook does nothing.
namespace ui_hooks {
// The tutorial's event: a code 0 to 13 and a pointer to the event's data.
extern void (*TutorialEvent)(uint8_t code, const void* data);
}  // namespace ui_hooks

// The unit start again, for tests: every variable cleared.
void InitUserInterface();
