// Street block and tree records: the road vehicles on the two sides of a street block, and the
// removals of both.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"

namespace {

using arrayer_testing::ArrayerTest;
using List = std::vector<uint32_t>;

List Side(const TStreetBlock& sb, int side) {
  return side == 0 ? List(sb.Side0, sb.Side0 + sb.Side0Count) : List(sb.Side1, sb.Side1 + sb.Side1Count);
}

using StreetBlocks = ArrayerTest;

TEST_F(StreetBlocks, ASideHoldsTenDistinctVehicles) {
  TStreetBlock sb{};
  EXPECT_TRUE(sb.IsEmpty());
  EXPECT_TRUE(sb.AddToSide(1, 7, false));
  EXPECT_TRUE(sb.AddToSide(1, 7, true));  // already there: one copy, whatever the flag
  EXPECT_EQ(Side(sb, 1), List{7});
  EXPECT_TRUE(Side(sb, 0).empty());
  EXPECT_FALSE(sb.IsEmpty());
  for (uint32_t v = 1; v <= 10; ++v) EXPECT_EQ(sb.AddToSide(0, v, false), true) << v;
  EXPECT_FALSE(sb.AddToSide(0, 11, false));
  EXPECT_TRUE(sb.AddToSide(0, 10, false));  // a vehicle already on the full side
  EXPECT_EQ(sb.Side0Count, 10);
  EXPECT_EQ(sb.Side1Count, 1);
}

TEST_F(StreetBlocks, RemovingTakesTheLastCopyAndClosesTheGap) {
  TStreetBlock sb{};
  for (const uint32_t v : {4u, 5u, 6u}) sb.AddToSide(1, v, false);
  const TStreetBlock before = sb;
  EXPECT_FALSE(sb.RemoveFromSide(1, 9));
  EXPECT_FALSE(sb.RemoveFromSide(0, 4));
  EXPECT_EQ(std::memcmp(&sb, &before, sizeof(sb)), 0);
  EXPECT_TRUE(sb.RemoveFromSide(1, 5));
  EXPECT_EQ(Side(sb, 1), (List{4, 6}));
  sb.Side1[sb.Side1Count++] = 4;  // a second copy put there by hand
  EXPECT_TRUE(sb.RemoveFromSide(1, 4));
  EXPECT_EQ(Side(sb, 1), (List{4, 6}));
  EXPECT_TRUE(sb.RemoveFromSide(1, 4));
  EXPECT_TRUE(sb.RemoveFromSide(1, 6));
  EXPECT_TRUE(sb.IsEmpty());
}

// A street block has sides 0 and 1 only.
TEST_F(StreetBlocks, ASideOtherThanZeroOrOneIsRefused) {
  TStreetBlock sb{};
  sb.AddToSide(0, 3, false);
  const TStreetBlock before = sb;
  for (const uint8_t side : {uint8_t{2}, uint8_t{3}, uint8_t{255}}) {
    EXPECT_FALSE(sb.AddToSide(side, 8, false));
    EXPECT_FALSE(sb.RemoveFromSide(side, 3));
  }
  EXPECT_EQ(std::memcmp(&sb, &before, sizeof(sb)), 0);
  TStreetBlock::ReleaseTrain(3);  // does nothing
}

TEST_F(StreetBlocks, StreetBlocksAndTreesLeaveTheStore) {
  TStreetBlock sb{};
  sb.A_Write();
  TTree t{};
  t.A_Write();
  sb.Destroy();
  t.Destroy();
  EXPECT_FALSE(ArrayerHolds(kTStreetBlockDesc, sb.Index));
  EXPECT_FALSE(ArrayerHolds(kTTreeDesc, t.Index));
  EXPECT_EQ(FindInArrayerOA(kArrayerOAFlag | 0xFFFF, 0), 0u);
}

}  // namespace
