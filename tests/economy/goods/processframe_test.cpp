// The re-tuning of an incremental process's speed at the start of a pass.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "economy/goods/processframe.h"
#include "engine/base/worldstate.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace {

TEST(ProcessFrame, TheSpeedFollowsTheStepsOfTheLastPass) {
  struct Case {
    uint32_t PassStart, Now;
    int32_t Speed;
    long double Period;
    int32_t Expected;
    std::string Warning;
  };
  const Case cases[] = {
      // 3,000,000 steps over a 15,000-tick pass: 201, warned about, cut to 100.
      {1000, 16000, 200, 15000.0L, 100, "Goods_X: speed shuld set to: 201"},
      {1000, 16000, 1, 15000.0L, 2, ""},
      {1000, 1000, 7, 15000.0L, 1, ""},
      {1000, 31000, 50, 15000.0L, 100, "Goods_X: speed shuld set to: 101"},
      {1000, 16000, 99, 15000.0L, 100, ""},       // 99 + 1
      {0xFFFFFF00u, 0x100u, 3, 512.0L, 4, ""},    // from a start the tick counter never reaches: 512 ticks
      // Across the restart of the tick counter after kGameTimeLast: 500 ticks, not four billion.
      {kGameTimeLast - 99, 400, 1, 500.0L, 2, ""},
      {1000, 16000, -3, 15000.0L, 1, ""},         // never below 1
      {1000, 16000, 0, 15000.0L, 1, ""},          // a process at 0 starts at 1 once re-tuned
      {1000, 16000, 5, 0.0L, 5, ""},              // no period: the speed stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Speed);
    testing_support::CaptureDebugger();
    testing_support::Warnings().clear();
    GameTime = c.Now;
    int32_t speed = c.Speed;
    uint32_t start = c.PassStart;
    RetuneProcessSpeed(speed, start, c.Period, "Goods_X: speed shuld set to: ");
    EXPECT_EQ(speed, c.Expected);
    EXPECT_EQ(start, c.Now);
    EXPECT_EQ(testing_support::Warnings(),
              c.Warning.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.Warning});
  }
  platform::SetDebuggerSink(nullptr);
  GameTime = 0;
}

}  // namespace
