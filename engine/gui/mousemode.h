// What a click in the 3D view means: the mouse mode, with its cursor.
#pragma once

#include <cstdint>

#include "engine/base/types.h"

extern uint8_t MouseMode;
extern uint8_t MouseModeChanged;  // stays 1 until the command handlers clear it
extern uint16_t SelectedBuildingType;
extern uint16_t MouseCursor;

// The state the placement tools keep between clicks: the points placed so far, whether a fixed
// point stands in for the terrain point under the mouse, the status text and the cloud texture
// offsets of the sky.
extern TVector PlacementPoints[4];
extern uint8_t FixedPickActive;
extern ShortString<17> StatusLine;
extern float SkyScroll[4];

// Entries of CursorTable (the world state); a mode beyond the table keeps the cursor as it is.
constexpr int kCursorTableSize = 32;

// Sets the mode and its cursor, ends a fixed pick (FixedPickActive := 0) and reports the change to
// the tutorial (event 1).
void SetMouseMode(uint8_t mode);

// Calls that go up to the game flow; an empty hook does nothing.
namespace ui_hooks {
// The tutorial's event: a code 0 to 13 and a pointer to the event's data.
extern void (*TutorialEvent)(uint8_t code, const void* data);
}  // namespace ui_hooks

// The unit start again, for tests: every variable cleared.
void InitUserInterface();
