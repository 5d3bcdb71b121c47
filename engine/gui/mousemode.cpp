#include "engine/gui/mousemode.h"

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"

uint8_t MouseMode = 0;
uint8_t MouseModeChanged = 0;
uint16_t SelectedBuildingType = 0;
uint16_t MouseCursor = 0;
TVector PlacementPoints[4] = {};
uint8_t FixedPickActive = 0;
ShortString<17> StatusLine{};
float SkyScroll[4] = {};

namespace ui_hooks {
void (*TutorialEvent)(uint8_t code, const void* data) = nullptr;
}  // namespace ui_hooks

static_assert(sizeof(CursorTable) / sizeof(CursorTable[0]) == kCursorTableSize);

void SetMouseMode(uint8_t mode) {
  MouseMode = mode;
  MouseModeChanged = 1;
  FixedPickActive = 0;
  if (mode < kCursorTableSize) {
    MouseCursor = CursorTable[mode];
    if (mode == 25 || mode == 26) {
      // Two building types have their own tool and take that tool's cursor.
      if (SelectedBuildingType == SpecialBuildingTypes[5]) MouseCursor = CursorTable[5];
      if (SelectedBuildingType == SpecialBuildingTypes[8]) MouseCursor = CursorTable[6];
    }
  }
  if (ui_hooks::TutorialEvent) ui_hooks::TutorialEvent(1, &mode);
}

void InitUserInterface() {
  SYS_DebugOut("Initializing userinterface-variables...");
  MouseMode = 0;
  MouseModeChanged = 0;
  SelectedBuildingType = 0;
  MouseCursor = 0;
  for (TVector& p : PlacementPoints) p = {};
  FixedPickActive = 0;
  StatusLine = std::string();
  for (float& s : SkyScroll) s = 0;
}

namespace {
struct UserInterfaceStart {
  UserInterfaceStart() { InitUserInterface(); }
} g_userInterfaceStart;
}  // namespace
