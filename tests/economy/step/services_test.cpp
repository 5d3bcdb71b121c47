// The economy's services behind the network's hooks: a building's cost reaches the real books.
#include <gtest/gtest.h>

#include "economy/step/commandpayloads.h"
#include "economy/step/commands.h"
#include "economy/step/services.h"
#include "engine/base/worldstate.h"
#include "engine/world/building.h"
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

}  // namespace
