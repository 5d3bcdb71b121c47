#include <gtest/gtest.h>

#include "economy/gameplay.h"
#include "engine/base/worldstate.h"

namespace {

TEST(GameplayTick, DoesNothingWhileTheGameIsNotRunning) {
  ResetWorldState();
  for (int i = 0; i < 500; ++i) GameplayTick();
  EXPECT_EQ(GameTime, 0u);
  EXPECT_EQ(GameDay, 0);
  EXPECT_EQ(GameMonth, 1);
}

}  // namespace
