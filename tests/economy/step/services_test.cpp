// The economy's services behind the lower units' hooks: a building's cost reaches the real books,
// the signal commands reach the network, the world records see the goods records and send batches
// on, and the step updates the particles.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "economy/goods/goodstypes.h"
#include "economy/goods/records.h"
#include "economy/step/commandpayloads.h"
#include "economy/step/commands.h"
#include "economy/step/services.h"
#include "economy/step/tick.h"
#include "engine/base/worldstate.h"
#include "engine/world/building.h"
#include "engine/world/hooks.h"
#include "network/construction/buildings.h"
#include "tests/economy/economy_fixture.h"

namespace {

class EconomyServices : public economy_test::EconomyTest {
 protected:
  void SetUp() override {
    EconomyTest::SetUp();
    InstallEconomyServices();
  }
  void TearDown() override {
    building_hooks::InstallDefaults();
    command_handlers::InstallDefaults();
    world_hooks::InstallDefaults();
    step_hooks::InstallDefaults();
    EconomyTest::TearDown();
  }
};

TEST_F(EconomyServices, PayingABuildingMovesTheOwnersMoney) {
  SetBuildingTypeUse(BuildingTypes[1], kBuildingKindBridge);
  SetBuildingTypeWayUse(BuildingTypes[1], 1);
  SetBuildingTypePrice(BuildingTypes[1], 1500);
  for (uint8_t level : {1, 2}) {
    SCOPED_TRACE(int(level));
    GameSettings.Level = level;
    Players[1] = TPlayer{};
    Players[1].Finances[0].Balance = 10000.0L;
    TBuilding b{};
    b.Init(1, 1);
    b.A_Write();
    PayBuilding(b);
    const bool books = level >= 2;
    EXPECT_EQ(Players[1].Finances[0].Balance.get(), books ? 8500.0L : 10000.0L);
    EXPECT_EQ(float{Players[1].Finances[0].RailStats[kFinanceConstructionStat]}, books ? 1500.0f : 0.0f);
  }
}

TEST_F(EconomyServices, TheSignalCommandsReachTheNetwork) {
  // Open land: no pair to place or remove (the defaults would refuse with 29).
  const TCommandPayload payload = PackCommandArgs(TSignalArgs{TVector{1500.0f, 0.0f, 1500.0f}});
  TConstructResult r = TConstructResult::Of({5});
  command_handlers::Handlers.PlaceSignal(payload, r);
  EXPECT_EQ(r, TConstructResult{});
  command_handlers::Handlers.RemoveSignal(payload, r);
  EXPECT_EQ(r, TConstructResult::Of({2}));
}

TEST_F(EconomyServices, TheWorldRecordsReachTheGoodsRecordsAndTheStepTheParticles) {
  SetGoodsInfoKind(GoodsTypes[3], kGoodsKindPassengers);
  EXPECT_EQ(world_hooks::GoodsInfoKind(3), kGoodsKindPassengers);
  TGood g{};
  g.GoodType = 3;
  g.A_Write();
  TGoodFields f{};
  world_hooks::ReadGood(g.Index, f);
  EXPECT_EQ(f.GoodType, 3);
  // A batch the engine sends on reaches the station's in-goods list.
  auto s = std::make_unique<TStation>();
  s->Init(1, 0, TVector{100.0f, 0.0f, 0.0f});
  s->A_Write();
  world_hooks::SenGoodPerIV(f, TVector{}, s->Index);
  s->A_Read(s->Index);
  ASSERT_EQ(s->StationInGoodsCounter, 1);
  EXPECT_EQ(s->GoodsIn[0], g.Index);
  EXPECT_EQ(f.ReadyTick, GameTime + 100);
  world_hooks::DestroyGood(g.Index);
  EXPECT_FALSE(ArrayerHolds(kTGoodDesc, g.Index));
  const std::vector<std::string> idle = step_hooks::AtDefault();
  EXPECT_EQ(std::find(idle.begin(), idle.end(), "UpdateParticles"), idle.end());
}

// With every process of the network and the economy in, the step's debug check finds no hook left
// at its default.
TEST_F(EconomyServices, EveryStepOfTheSimulationIsInstalled) {
  EXPECT_EQ(step_hooks::AtDefault(), std::vector<std::string>{});
}

}  // namespace
