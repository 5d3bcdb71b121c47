// The simple-economy, town, transfer and rail-line scenarios of the driver run tick by tick: the
// goods invariants hold after every tick while the stations find their goods, rate them and make
// passenger batches, the train carries passengers from the near end to the far end, the town's
// houses fill, tools go by transfer along the goods way the search found, and people of two towns
// ride the rail line between them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "economy/goods/driver.h"
#include "economy/goods/goodsentries.h"
#include "economy/goods/ivmove.h"
#include "economy/goods/records.h"
#include "economy/step/commands.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "economy/town/development.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "network/construction/buildings.h"
#include "tests/economy/economy_fixture.h"
#include "tests/economy/goods/goods_invariants.h"
#include "tools/sample_economy.h"
#include "tools/sample_world.h"

namespace {

class EconomyScenario : public economy_test::EconomyTest {
 protected:
  void TearDown() override {
    economy_test::UninstallEconomyServices();
    ResetGoodsProcesses();
    ResetWorldState();
    EconomyTest::TearDown();
  }
};

TEST_F(EconomyScenario, TheGoodsInvariantsHoldAfterEveryTick) {
  ASSERT_TRUE(ResetSimulationWorld());
  sample_world::StartCalendarGame();
  const sample_economy::TSimpleEconomy world = sample_economy::BuildSimpleEconomy();
  ASSERT_TRUE(goods_testing::GoodsInvariantViolations().empty());
  int mostBatches = 0;
  bool carried = false;
  for (int t = 1; t <= 12000; ++t) {
    GameplayTick();
    const std::vector<std::string> problems = goods_testing::GoodsInvariantViolations();
    ASSERT_TRUE(problems.empty()) << "tick " << t << ": " << problems.front();
    int batches = 0;
    for (uint32_t g = FindInArrayerRest(kARTypeGood, 0); g != 0; g = FindInArrayerRest(kARTypeGood, g)) ++batches;
    mostBatches = std::max(mostBatches, batches);
    TVehicle v{};
    for (uint32_t i = FindInArrayerRest(kARTypeVehicle, 0); i != 0; i = FindInArrayerRest(kARTypeVehicle, i)) {
      v.A_Read(i);
      carried = carried || v.VehicleGoodsCounter > 0;
    }
  }
  EXPECT_GT(mostBatches, 0);
  EXPECT_TRUE(carried);
  // The near end rates the passengers it supplies.
  auto s = std::make_unique<TStation>();
  s->A_Read(world.Line.Stations[0]);
  const int psgr = FindStationGoods(*s, sample_economy::kPassengers);
  ASSERT_GE(psgr, 0);
  EXPECT_EQ(StationGoods(*s, psgr).Flags & kStationGoodsSupplied, kStationGoodsSupplied);
  EXPECT_GT(s->LastRatingTick, 0u);
}

TEST_F(EconomyScenario, TheCheckerFindsABatchListedTwiceAndOneListedNowhere) {
  ASSERT_TRUE(ResetSimulationWorld());
  const sample_economy::TSimpleEconomy world = sample_economy::BuildSimpleEconomy();
  TGood g{};
  g.GoodType = sample_economy::kCoal;
  g.GoodAmount = 1;
  g.A_Write();
  TGood loose{};
  loose.GoodType = sample_economy::kCoal;
  loose.GoodAmount = 1;
  loose.A_Write();
  for (uint32_t station : world.Line.Stations) {
    auto s = std::make_unique<TStation>();
    s->A_Read(station);
    s->GoodsOut[s->StationOutGoodsCounter++] = g.Index;
    s->A_ReWrite();
  }
  PPIVMove.Phase = 7;
  const std::vector<std::string> problems = goods_testing::GoodsInvariantViolations();
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_NE(problems[0].find("batch " + std::to_string(g.Index) + " is listed by station"), std::string::npos);
  EXPECT_EQ(problems[1], "batch " + std::to_string(loose.Index) + " is listed nowhere");
  EXPECT_EQ(problems[2], "TPPIVMove phase 7");
}

TEST_F(EconomyScenario, TheGoodsInvariantsHoldAfterEveryTickOfTheTown) {
  ASSERT_TRUE(ResetSimulationWorld());
  sample_world::StartCalendarGame();
  StartWorldDevelopment();
  const sample_economy::TTown town = sample_economy::BuildTown();
  for (int t = 1; t <= 12000; ++t) {
    GameplayTick();
    const std::vector<std::string> problems = goods_testing::GoodsInvariantViolations();
    ASSERT_TRUE(problems.empty()) << "tick " << t << ": " << problems.front();
  }
  int64_t population = 0;
  for (int k = 0; k < 6; ++k) population += Cities[1].Population[k];
  EXPECT_GT(population, 0);
  TBuilding b{};
  b.A_Read(town.Company);
  EXPECT_EQ(b.State, 2);
}

TEST_F(EconomyScenario, TheGoodsInvariantsHoldAfterEveryTickOfTheTransfer) {
  ASSERT_TRUE(ResetSimulationWorld());
  sample_world::StartCalendarGame();
  const sample_economy::TTransferEconomy world = sample_economy::BuildTransferEconomy();
  int64_t delivered = 0;
  for (int t = 1; t <= 20000; ++t) {
    GameplayTick();
    const std::vector<std::string> problems = goods_testing::GoodsInvariantViolations();
    ASSERT_TRUE(problems.empty()) << "tick " << t << ": " << problems.front();
  }
  // The search found the way by transfer, and the market has been delivered to along it.
  uint32_t way = FindInArrayerRest(kARTypeGoodsway, 0);
  ASSERT_NE(way, 0u);
  const TGoodsway w = StoredRecord<TGoodsway>(way);
  EXPECT_EQ(w.GoodswayTo, world.Market.Industry);
  EXPECT_NE(w.GoodsWayFlags & kGoodswayByTransfer, 0);
  delivered = w.GoodsWayDelivered;
  EXPECT_TRUE(delivered > 0 || w.GoodsWayLastDelivery != 0);
}

TEST_F(EconomyScenario, TheGoodsInvariantsHoldAfterEveryTickOfTheRailLine) {
  ASSERT_TRUE(ResetSimulationWorld());
  sample_world::StartCalendarGame();
  StartWorldDevelopment();
  const sample_economy::TRailLine line = sample_economy::BuildRailLine();
  ASSERT_NE(line.Depot, 0u);
  ASSERT_TRUE(goods_testing::GoodsInvariantViolations().empty());
  bool boarded = false, booked = false;
  float revenue = TrainByIndex(line.Train).RevenueThisYear;
  for (int t = 1; t <= 36000; ++t) {
    GameplayTick();
    const std::vector<std::string> problems = goods_testing::GoodsInvariantViolations();
    ASSERT_TRUE(problems.empty()) << "tick " << t << ": " << problems.front();
    TVehicle v{};
    for (uint32_t i = FindInArrayerRest(kARTypeVehicle, 0); i != 0; i = FindInArrayerRest(kARTypeVehicle, i)) {
      v.A_Read(i);
      for (int k = 0; k < v.VehicleGoodsCounter && !boarded; ++k)
        boarded = StoredRecord<TGood>(v.Goods[k]).GoodType == sample_economy::kPassengers;
    }
    // A stop books what the passengers it sets down paid on the train's revenue.
    const float now = TrainByIndex(line.Train).RevenueThisYear;
    booked = booked || now > revenue;
    revenue = now;
  }
  EXPECT_TRUE(boarded);
  EXPECT_TRUE(booked);
  // The routes between the two towns' streets.
  int routes = 0;
  TPsgrWay p{};
  for (uint32_t i = FindInArrayerRest(kARTypePsgrWay, 0); i != 0; i = FindInArrayerRest(kARTypePsgrWay, i)) {
    p.A_Read(i);
    routes += p.Used != 0 && p.PassengerspF > 0.0f ? 1 : 0;
  }
  EXPECT_GT(routes, 0);
}

}  // namespace
