#include <gtest/gtest.h>

#include <cstdint>

#include "engine/base/random.h"
#include "platform/platform.h"

namespace {

TEST(RandomGenerator, DrawsTheHighWordOfTheAdvancedSeedTimesTheRange) {
  struct Case {
    uint32_t seed;
    int32_t n;
    int32_t result;
    uint32_t seedAfter;
  };
  const Case cases[] = {
      {0, 10, 0, 1},  // the seed advances before the draw
      {1, 100, 3, 134775814u},
      {0xFFFFFFFFu, 1000, 968, 4160191484u},  // the product wraps modulo 2^32
      {123456789u, 2147483647, 1167649460, 2335298922u},
      {0x80000000u, 7, 3, 0x80000001u},
      {1, 0, 0, 134775814u},   // no range: 0, and the seed still advances
      {1, -5, 0, 134775814u},  // a negative range has no values either
  };
  for (const Case& c : cases) {
    RandSeed = c.seed;
    EXPECT_EQ(Random(c.n), c.result) << c.seed << " " << c.n;
    EXPECT_EQ(RandSeed, c.seedAfter) << c.seed << " " << c.n;
  }
}

TEST(RandomGenerator, RealFormIsTheAdvancedSeedOverTwoToThe32) {
  RandSeed = 0;
  EXPECT_EQ(Random(), 1.0L / 4294967296.0L);
  RandSeed = 0xFFFFFFFFu;
  EXPECT_EQ(Random(), 4160191484.0L / 4294967296.0L);
  // The largest seed stays below 1 (a float would round it to 1).
  RandSeed = 1298181734u;  // advances to 0xFFFFFFFF
  EXPECT_EQ(Random(), 4294967295.0L / 4294967296.0L);
}

TEST(RandomGenerator, RandomizeSeedsFromTheTickCounterSoTheSameTicksGiveTheSameDraws) {
  platform::SetTickSource([] { return 987654321u; });
  Randomize();
  EXPECT_EQ(RandSeed, 987654321u);
  const int32_t first[3] = {Random(1000), Random(1000), Random(1000)};
  Randomize();
  for (int32_t expected : first) EXPECT_EQ(Random(1000), expected);
  platform::SetTickSource(nullptr);
}

}  // namespace
