#include <gtest/gtest.h>

#include <cstdint>

#include "engine/base/worldstate.h"

namespace {

TEST(GameTimeReached, ComparesOnTheCycleOfTheGameTime) {
  struct Row {
    uint32_t now;
    int64_t at;
    bool reached;
  };
  const Row rows[] = {
      {100, 100, true},
      {99, 100, false},
      {5000, 100, true},
      {kGameTimeLast, kGameTimeLast + 1, false},
      {0, kGameTimeLast + 1, true},        // the restart follows kGameTimeLast
      {10, kGameTimeLast + 20, false},
      {19, kGameTimeLast + 20, true},
      {kGameTimeLast - 5, 10, false},      // just before the restart, a tick just after it is ahead
      {150000000, 0, true},                // less than half a cycle late
      {160000000, 0, false},               // more than half a cycle: taken as still ahead
  };
  for (const Row& r : rows) {
    GameTime = r.now;
    EXPECT_EQ(GameTimeReached(r.at), r.reached) << r.now << " " << r.at;
  }
  GameTime = 0;
}

TEST(CalendarTicksPerYear, IsTheTicksOfTheDaysOfTwelveMonths) {
  struct Row {
    int32_t ticksPerDay, ticksPerYear;
  };
  // A standing calendar has no year; a year that would not fit 32 bits is cut to the largest.
  for (const Row r : {Row{10, 3650}, Row{1, 365}, Row{0, 0}, Row{-4, 0}, Row{INT32_MAX, INT32_MAX}}) {
    GameSettings.TicksPerDay = r.ticksPerDay;
    EXPECT_EQ(CalendarTicksPerYear(), r.ticksPerYear) << r.ticksPerDay;
  }
  GameSettings.TicksPerDay = 0;
}

}  // namespace
