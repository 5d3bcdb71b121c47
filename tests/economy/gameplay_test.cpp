#include <gtest/gtest.h>

#include "economy/gameplay.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "tests/support/test_support.h"

namespace {

TEST(GameplayTick, DoesNothingWhileTheGameIsNotRunning) {
  ResetWorldState();
  for (int i = 0; i < 500; ++i) GameplayTick();
  EXPECT_EQ(GameTime, 0u);
  EXPECT_EQ(GameDay, 0);
  EXPECT_EQ(GameMonth, 1);
}

TEST(BuildingGameplayStart, AFreshBuildingLogHoldsTheHeaderAndTheStartLine) {
  const std::string folder = testing_support::MakeTempFolder("gameplay");
  sys_test::SetLogFolder(folder);
  SYS_SetProfile(kBuildingSysProfile);
  SYS_InitDebugFile(false);
  BuildingGameplayStart();
  SYS_SetProfile(kEngineSysProfile);
  DebugFileOpen = false;
  EXPECT_EQ(testing_support::ReadFileBytes(folder + "SYS_debug.txt"),
            "Ostrel Debugfile (initialized by SYS)\r\nGameplay Initialization\r\n");
}

}  // namespace
