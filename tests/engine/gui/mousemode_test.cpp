#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/gui/mousemode.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace {

std::vector<std::pair<uint8_t, uint8_t>> g_events;  // (code, mode read from the data)
void RecordTutorialEvent(uint8_t code, const void* data) {
  g_events.emplace_back(code, *static_cast<const uint8_t*>(data));
}

class MouseModes : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::CaptureDebugger();
    std::memcpy(savedTable_, CursorTable, sizeof(CursorTable));
    std::memcpy(savedSpecial_, SpecialBuildingTypes, sizeof(SpecialBuildingTypes));
    for (int i = 0; i < kCursorTableSize; ++i) CursorTable[i] = static_cast<uint16_t>(100 + i);
    SpecialBuildingTypes[5] = 40;
    SpecialBuildingTypes[8] = 41;
    InitUserInterface();
    g_events.clear();
    ui_hooks::TutorialEvent = RecordTutorialEvent;
  }
  void TearDown() override {
    ui_hooks::TutorialEvent = nullptr;
    std::memcpy(CursorTable, savedTable_, sizeof(CursorTable));
    std::memcpy(SpecialBuildingTypes, savedSpecial_, sizeof(SpecialBuildingTypes));
    InitUserInterface();
    platform::SetDebuggerSink(nullptr);
  }
  uint16_t savedTable_[kCursorTableSize];
  uint16_t savedSpecial_[10];
};

TEST_F(MouseModes, ModeTakesItsCursorEndsAFixedPickAndIsReportedEveryTime) {
  FixedPickActive = 1;
  SetMouseMode(3);
  EXPECT_EQ(MouseMode, 3);
  EXPECT_EQ(MouseModeChanged, 1);
  EXPECT_EQ(MouseCursor, 103);
  EXPECT_EQ(FixedPickActive, 0);
  MouseModeChanged = 0;
  FixedPickActive = 1;
  SetMouseMode(3);  // the same mode again still counts as a change
  EXPECT_EQ(MouseModeChanged, 1);
  EXPECT_EQ(FixedPickActive, 0);
  EXPECT_EQ(g_events, (std::vector<std::pair<uint8_t, uint8_t>>{{1, 3}, {1, 3}}));
}

TEST_F(MouseModes, SpecialBuildingTypesBorrowTheCursorsOfModesFiveAndSix) {
  struct Case {
    uint8_t mode;
    uint16_t building;
    uint16_t cursor;
  };
  const Case cases[] = {
      {25, 7, 125}, {25, 40, 105}, {26, 41, 106}, {24, 40, 124}, {27, 41, 127},
  };
  for (const Case& c : cases) {
    SelectedBuildingType = c.building;
    SetMouseMode(c.mode);
    EXPECT_EQ(MouseCursor, c.cursor) << int(c.mode) << " " << c.building;
  }
  // Both special entries name the same type: the second test wins.
  SpecialBuildingTypes[8] = 40;
  SelectedBuildingType = 40;
  SetMouseMode(26);
  EXPECT_EQ(MouseCursor, 106);
}

TEST_F(MouseModes, ModeBeyondTheCursorTableKeepsTheCursor) {
  SetMouseMode(31);
  EXPECT_EQ(MouseCursor, 131);
  for (int mode : {32, 200, 255}) {
    MouseModeChanged = 0;
    SetMouseMode(static_cast<uint8_t>(mode));
    EXPECT_EQ(MouseMode, mode);
    EXPECT_EQ(MouseModeChanged, 1);
    EXPECT_EQ(MouseCursor, 131);
  }
  EXPECT_EQ(g_events.size(), 4u);
  EXPECT_EQ(g_events.back(), (std::pair<uint8_t, uint8_t>{1, 255}));
}

TEST_F(MouseModes, UnitStartClearsTheStateAndWithoutATutorialHookTheModeIsStillSet) {
  EXPECT_EQ(testing_support::DebuggerLines(), (std::vector<std::string>{"Initializing userinterface-variables..."}));
  ui_hooks::TutorialEvent = nullptr;
  SelectedBuildingType = 9;
  SetMouseMode(2);
  EXPECT_EQ(MouseMode, 2);
  EXPECT_EQ(MouseCursor, 102);
  InitUserInterface();
  EXPECT_EQ(MouseMode, 0);
  EXPECT_EQ(MouseModeChanged, 0);
  EXPECT_EQ(MouseCursor, 0);
  EXPECT_EQ(SelectedBuildingType, 0);
}

}  // namespace
