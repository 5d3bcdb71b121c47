#include <gtest/gtest.h>

#include <cstring>

#include "engine/base/diagnostics.h"
#include "engine/base/statistics.h"
#include "engine/base/worldstate.h"
#include "tests/support/test_support.h"

namespace {

TEST(WorldState, StartUpDefaults) {
  ResetWorldState();
  struct Row {
    const char* name;
    long long actual;
    long long expected;
  };
  const Row rows[] = {
      {"LocalWorldChanged", LocalWorldChanged, 0},
      {"TextureFrameCount", TextureFrameCount, 0},
      {"GameRunning", GameRunning, 0},
      {"ActPlayer", ActPlayer, 1},
      {"LocalPlayer", LocalPlayer, 1},
      {"CurveSegments", CurveSegments, 5},
      {"CurveCommandsOn", CurveCommandsOn, 1},
      {"TrafficLightPeriod", TrafficLightPeriod, 40},
      {"ViewRange", ViewRange, 74},
      {"RunMode", RunMode, 2},
      {"GraphicsCaps.StencilWanted", GraphicsCaps.StencilWanted, 1},
      {"GraphicsCaps.ArbMultitexture", GraphicsCaps.ArbMultitexture, 0},
      {"GraphicsCaps.ExtCompiledVertexArray", GraphicsCaps.ExtCompiledVertexArray, 0},
      {"GameOptions[8]", GameOptions[8], 1},
      {"GameOptions[9] weather", GameOptions[9], 1},
      {"GameOptions[13] texture detail", GameOptions[13], 2},
      {"GameOptions[17] sound", GameOptions[17], 1},
      {"GameOptions[18] volume", GameOptions[18], 229},
      {"GameOptions[20] volume", GameOptions[20], 229},
      {"GameOptions[282]", GameOptions[282], 0},
      {"GameOptions[283]", GameOptions[283], 1},
      {"FreeBuildMode", FreeBuildMode, 0},
      {"EconomyHold", EconomyHold, 0},
      {"EconomyHoldCount", EconomyHoldCount, 0},
      {"GameMonth", GameMonth, 1},
      {"GameDay", GameDay, 0},
      {"GameYear", GameYear, 0},
      {"GameTime", GameTime, 0},
      {"GameSettings first byte", GameSettings.VehicleSetting, 1},
      {"GameSettings economy mode", GameSettings.EconomyMode, 0},
      {"GameSettings level", GameSettings.Level, 3},
      {"GameSettings fourth byte", GameSettings.Fourth, 2},
      {"CityCount", CityCount, 0},
      {"LandscapeDirty", LandscapeDirty, 1},
  };
  for (const Row& r : rows) EXPECT_EQ(r.actual, r.expected) << r.name;
  for (int i = 0; i <= 8; ++i) EXPECT_EQ(SimSwitches[i], 1) << "SimSwitches " << i;
  // The language name fills String[7] exactly: a length byte 7 at option byte 26.
  EXPECT_EQ(LanguageName(), "English");
  EXPECT_EQ(GameOptions[26], 7);
  EXPECT_EQ(std::memcmp(&GameOptions[27], "English", 7), 0);
}

TEST(WorldState, RecordSizes) {
  EXPECT_EQ(sizeof(TPlayer), 1528u);
  EXPECT_EQ(sizeof(TCity), 516u);
  EXPECT_EQ(sizeof(TYearFinance), 232u);
  EXPECT_EQ(sizeof(TBuildingType), 3376u);
  EXPECT_EQ(sizeof(TVehicleType), 1444u);
  EXPECT_EQ(sizeof(TCompiledScript), 60u);
  EXPECT_EQ(offsetof(TYearFinance, Balance), 0u);
  EXPECT_EQ(offsetof(TYearFinance, GoodsValueA), 10u);
  EXPECT_EQ(offsetof(TYearFinance, GoodsValueB), 14u);
  EXPECT_EQ(offsetof(TYearFinance, Year), 28u);
  EXPECT_EQ(offsetof(TYearFinance, RailStats), 32u);
  EXPECT_EQ(offsetof(TYearFinance, RoadStats), 104u);
  EXPECT_EQ(offsetof(TYearFinance, CreditInterest), 192u);
  EXPECT_EQ(offsetof(TYearFinance, OverdraftInterest), 196u);
  EXPECT_EQ(offsetof(TYearFinance, InterestIncome), 200u);
  EXPECT_EQ(offsetof(TYearFinance, Prizes), 204u);
  EXPECT_EQ(offsetof(TYearFinance, BuildingValue), 208u);
  EXPECT_EQ(offsetof(TYearFinance, WayValue), 212u);
  EXPECT_EQ(offsetof(TYearFinance, VehicleValue), 216u);
  EXPECT_EQ(offsetof(TYearFinance, Credit), 220u);
  EXPECT_EQ(offsetof(TYearFinance, RailLength), 224u);
  EXPECT_EQ(offsetof(TYearFinance, RoadLength), 228u);
}

class MemoryBlocks : public ::testing::Test {
 protected:
  void SetUp() override { InitInfoScreen(info_); }
  TInfoScreenData info_;
  int cells_[70] = {};
};

TEST_F(MemoryBlocks, SixtyFirstBlockWarnsAndTakesTheLastSlot) {
  for (int i = 0; i < 60; ++i) AddMemoryBlock(info_, &cells_[i], 10, "Block" + std::to_string(i));
  EXPECT_EQ(info_.MaxBlocksUsed, 60u);
  EXPECT_EQ(info_.MaxBlockBytes, 600u);
  AddMemoryBlock(info_, &cells_[60], 1000, "Latecomer");
  EXPECT_EQ(info_.BlockPointers[60], &cells_[60]);
  EXPECT_EQ(info_.BlockNames[60].str(), "Latecomer");
  EXPECT_EQ(info_.MaxBlocksUsed, 60u);
  EXPECT_EQ(info_.MaxBlockBytes, 590u + 1000u);
  EXPECT_EQ(info_.BlockAdds, 61u);
}

TEST_F(MemoryBlocks, RemovedSlotIsReusedLowestFirstAndUnknownPointersChangeNothing) {
  for (int i = 0; i < 3; ++i) AddMemoryBlock(info_, &cells_[i], 100, "B");
  RemoveMemoryBlock(info_, &cells_[1]);
  EXPECT_EQ(info_.BlockPointers[2], nullptr);
  RemoveMemoryBlock(info_, &cells_[50]);
  EXPECT_EQ(info_.BlockPointers[1], &cells_[0]);
  EXPECT_EQ(info_.BlockPointers[3], &cells_[2]);
  AddMemoryBlock(info_, &cells_[9], 5, std::string(40, 'n'));
  EXPECT_EQ(info_.BlockPointers[2], &cells_[9]);
  EXPECT_EQ(info_.BlockNames[2].str(), std::string(30, 'n'));
  EXPECT_EQ(info_.MaxBlocksUsed, 3u);
  EXPECT_EQ(info_.MaxBlockBytes, 300u);
}

TEST_F(MemoryBlocks, ClearingCountersLeavesRegisterAndRendererCounters) {
  AddMemoryBlock(info_, &cells_[0], 64, "Kept");
  info_.CallCounters[0][5] = 9;
  info_.CallCounters[3][209] = 4;
  info_.RendererCounters[7] = 11;
  info_.TextureBindCounts[1001] = 3;
  AddToCounter(info_, info_.CallCounters[2][0], 0xFFFFFFFFu);
  AddToCounter(info_, info_.CallCounters[2][0], 2);
  EXPECT_EQ(info_.CallCounters[2][0], 1u);  // wraps at 2^32
  ClearInfoCounters(info_);
  EXPECT_EQ(info_.CallCounters[0][5], 0u);
  EXPECT_EQ(info_.CallCounters[3][209], 0u);
  EXPECT_EQ(info_.RendererCounters[7], 11u);
  EXPECT_EQ(info_.TextureBindCounts[1001], 3u);
  EXPECT_EQ(info_.BlockPointers[1], &cells_[0]);
  EXPECT_EQ(info_.MaxBlockBytes, 64u);
}

TEST_F(MemoryBlocks, TickBanks) {
  EXPECT_EQ(info_.CounterBank, 3);
  InfoScreenBeginTick(info_);
  EXPECT_EQ(info_.CounterBank, 2);
  InfoScreenEndTick(info_);
  EXPECT_EQ(info_.CounterBank, 3);
}

}  // namespace
