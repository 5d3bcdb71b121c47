#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/base/timer.h"
#include "platform/platform.h"

namespace {

uint32_t g_now = 0;

class Timers : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 0;
    platform::SetTickSource([] { return g_now; });
  }
  void TearDown() override { platform::SetTickSource(nullptr); }
};

TEST_F(Timers, DueComparesTheElapsedTimePlusTheFirstCallsElapsedTime) {
  struct Call {
    uint32_t elapsed;  // ms since StartTimer
    bool due;
  };
  struct Case {
    const char* what;
    uint32_t start;
    int32_t interval;
    std::vector<Call> calls;
  };
  const Case cases[] = {
      {"2 ms: due on the first call after 2 ms", 1000, 2, {{2, true}}},
      {"2 ms: first call after 1 ms", 1000, 2, {{1, false}, {2, true}}},
      {"the first call counts twice", 1000, 10, {{6, true}, {6, true}}},
      {"later calls add the first value", 1000, 10, {{4, false}, {6, false}, {7, true}}},
      {"a first call at once adds nothing", 1000, 10, {{0, false}, {10, false}, {11, true}}},
      {"the tick counter wraps in between", 0xFFFFFFFEu, 6, {{3, false}, {4, true}}},
  };
  for (const Case& c : cases) {
    TTimerObject t;
    InitTimer(t, c.interval);
    g_now = c.start;
    StartTimer(t);
    for (const Call& call : c.calls) {
      g_now = c.start + call.elapsed;
      EXPECT_EQ(TimerElapsed(t), static_cast<int32_t>(call.elapsed)) << c.what;
      EXPECT_EQ(TimerDue(t), call.due) << c.what << " at " << call.elapsed;
    }
  }
}

TEST_F(Timers, StartingAgainMakesTheNextCallTheFirstOnceMore) {
  TTimerObject t;
  InitTimer(t, 10);
  StartTimer(t);
  g_now = 3;
  EXPECT_FALSE(TimerDue(t));  // 3 + 3
  g_now = 103;
  StartTimer(t);
  g_now = 109;
  EXPECT_TRUE(TimerDue(t));  // 6 + 6, not 6 + 3
  EXPECT_EQ(t.FirstOffset, 6);
}

TEST_F(Timers, EveryTimerSetUpIsListedOnceNewestLastUntilItGoes) {
  auto listed = [] {
    std::vector<TTimerObject*> v;
    for (TTimerObject* t = TimerList; t; t = t->NextTimer) v.push_back(t);
    return v;
  };
  const std::vector<TTimerObject*> before = listed();
  auto after = [&before](std::vector<TTimerObject*> added) {
    std::vector<TTimerObject*> v = before;
    v.insert(v.end(), added.begin(), added.end());
    return v;
  };
  TTimerObject a, b;
  InitTimer(a, 5);
  InitTimer(b, 7);
  InitTimer(a, 9);  // set up again: the new interval, the same place
  EXPECT_EQ(a.Interval, 9);
  {
    TTimerObject c;
    InitTimer(c, 1);
    EXPECT_EQ(listed(), after({&a, &b, &c}));
  }
  EXPECT_EQ(listed(), after({&a, &b}));
}

}  // namespace
