// Planned constructions become construction sites or finished objects; plans marked for
// demolition go; a player in debt cannot start plans.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "economy/step/services.h"
#include "economy/step/plans.h"
#include "economy/step/tick.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/connectpool.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "engine/world/hooks.h"
#include "network/construction/buildings.h"
#include "network/construction/curveline.h"
#include "network/construction/ways.h"
#include "tests/economy/economy_fixture.h"

namespace {

using economy_test::EconomyTest;

constexpr uint16_t kHouse = 1, kSpecial = 2;

class PlannedConstructions : public EconomyTest {
 protected:
  void SetUp() override {
    EconomyTest::SetUp();
    InstallEconomyServices();
    GameSettings.Level = 2;
    PlayerCount = 2;
    GameTime = 500;
    std::memset(GroundMap, 5, sizeof(GroundMap));
    for (uint16_t t : {kHouse, kSpecial}) {
      SetBuildingTypePrice(BuildingTypes[t], 1000);
      SetBuildingTypeWayUse(BuildingTypes[t], 0);
    }
    SpecialBuildingTypes[1] = kSpecial;
    for (int p = 1; p <= 2; ++p) Players[p].Finances[0].Balance = 100000.0L;
  }
  void TearDown() override {
    building_hooks::InstallDefaults();
    world_hooks::InstallDefaults();
    step_hooks::InstallDefaults();
    ResetWorldState();
    EconomyTest::TearDown();
  }

  // A building on the square 1000..1200 x 2000..2200, its ground at height y.
  static uint32_t Building(uint8_t owner, uint8_t city, uint8_t state, uint16_t type = kHouse, float y = 0) {
    TBuilding b{};
    b.Init(type, owner);
    b.City = city;
    b.State = state;
    const TVector corners[4] = {{1000, y, 2000}, {1200, y, 2000}, {1200, y, 2200}, {1000, y, 2200}};
    for (int k = 0; k < 4; ++k) b.Corners[k] = corners[k];
    b.A_Write();
    return b.Index;
  }
  // A 100-unit road between two points along x at z, with a piece mesh at height 0.
  static uint32_t Way(uint8_t owner, uint8_t state, float z = 3000, uint8_t flags = 0) {
    auto mesh = std::make_unique<TMeshdata2>();
    mesh->Init();
    mesh->vxA(1, 1000, 0, z - 15, 0, 0);
    mesh->vxA(2, 1000, 0, z + 15, 0, 0);
    mesh->vxA(3, 1100, 0, z + 15, 0, 0);
    mesh->vxA(4, 1100, 0, z - 15, 0, 0);
    mesh->A_Write();
    TWay w{};
    w.Init(0, 0);
    w.ConnectionCounter = 2;
    for (int k = 0; k < 2; ++k) {
      TConnect c{};
      ClearConnect(c, 0);
      c.Position = {1000.0f + 100.0f * k, 0, z};
      w.Connections[k] = AddConnect(c);
    }
    w.Owner = owner;
    w.State = state;
    w.Mesh = mesh->Index;
    WayFlags(w) = flags;
    w.A_Write();
    return w.Index;
  }
  static uint8_t BuildingState(uint32_t index) {
    TBuilding b{};
    b.A_Read(index);
    return b.State;
  }
  static uint8_t WayState(uint32_t index) {
    TWay w{};
    w.A_Read(index);
    return w.State;
  }
};

TEST_F(PlannedConstructions, APlayerInDebtIsRefusedUnlessBuildingIsFreeOrTheEconomyHolds) {
  struct Case {
    const char* name;
    uint8_t player, city, free;
    uint32_t hold;
    bool refused;
    uint8_t mine, town;  // the states of player 1's plan and of town 3's plan after
  };
  const Case cases[] = {
      {"the player in debt", 1, 0, 0, 0, true, 0, 0},
      {"free build mode finishes at once", 1, 0, 1, 0, false, 2, 0},
      {"the economy on hold", 1, 0, 0, 1, false, 1, 0},
      {"everybody", 0, 0, 0, 0, false, 1, 1},
      {"the town", 0, 3, 0, 0, false, 0, 1},
      {"another player", 2, 0, 0, 0, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayerReset();
    const uint32_t mine = Building(1, 0, 0), town = Building(0, 3, 0);
    Players[1].Finances[0].Balance = 100.0L;
    Players[1].PrevCost = 200.0L;  // cash -100
    FreeBuildMode = c.free;
    EconomyHoldCount = c.hold;
    EXPECT_EQ(CompletePlannedConstructions(c.player, c.city, false), c.refused);
    EXPECT_EQ(BuildingState(mine), c.mine);
    EXPECT_EQ(BuildingState(town), c.town);
  }
}

TEST_F(PlannedConstructions, PlansStartOrFinishAndMarkedObjectsGo) {
  const uint32_t house = Building(1, 0, 0), road = Way(1, 0), others = Building(2, 0, 0);
  const uint32_t doomedHouse = Building(1, 0, 3, kHouse), doomedRoad = Way(1, 3, 4000);
  EXPECT_FALSE(CompletePlannedConstructions(1, 0, false));
  TBuilding b{};
  b.A_Read(house);
  EXPECT_EQ(b.State, 1);
  EXPECT_EQ(BuildingCompletionTick(b), 600u);
  TWay w{};
  w.A_Read(road);
  EXPECT_EQ(w.State, 1);
  EXPECT_EQ(WayCompletionTick(w), 600u);
  EXPECT_EQ(BuildingState(others), 0);
  EXPECT_FALSE(ArrayerHolds(kTBuildingDesc, doomedHouse));
  EXPECT_FALSE(ArrayerHolds(kTWayDesc, doomedRoad));
  // Booked now: the house's price and the road's 10 a unit.
  const TYearFinance& year = Players[1].Finances[0];
  EXPECT_EQ(year.Balance.get(), 100000.0L - 1000.0L - 1000.0L);
  EXPECT_FLOAT_EQ(year.RoadStats[kFinanceConstructionStat + 1], 1000.0f);  // the building
  EXPECT_FLOAT_EQ(year.RoadStats[kFinanceConstructionStat], 1000.0f);      // the way

  // Sites already under construction are left alone; with Instant the new plans are finished.
  const uint32_t later = Building(2, 0, 0);
  EXPECT_FALSE(CompletePlannedConstructions(0, 0, true));
  EXPECT_EQ(BuildingState(house), 1);
  EXPECT_EQ(BuildingState(others), 2);
  EXPECT_EQ(BuildingState(later), 2);
  EXPECT_EQ(WayState(road), 1);
}

TEST_F(PlannedConstructions, TheGroundIsLevelledUnlessTheBuildingTypeIsExempt) {
  // A vertex of height 100 under the middle of each building.
  for (uint16_t type : {kHouse, kSpecial}) {
    SCOPED_TRACE(type);
    ArrayerReset();
    std::memset(HeightMap, 0, sizeof(HeightMap));
    HeightMap[11][21] = 50;
    Building(1, 0, 0, type, 0);
    EXPECT_FALSE(CompletePlannedConstructions(1, 0, false));
    if (type == kSpecial) {
      EXPECT_EQ(HeightMap[11][21], 50);
    } else {
      EXPECT_LE(HeightMap[11][21], 0);
      EXPECT_EQ(CellFlags[11][21] & 0x10, 0x10);
    }
  }
  // A way is levelled only when it asks for it.
  for (uint8_t flags : {uint8_t{0}, kWayOnGround}) {
    SCOPED_TRACE(int(flags));
    ArrayerReset();
    std::memset(HeightMap, 0, sizeof(HeightMap));
    HeightMap[10][30] = 50;
    Way(1, 0, 3000, flags);
    EXPECT_FALSE(CompletePlannedConstructions(1, 0, false));
    EXPECT_EQ(HeightMap[10][30] < 50, flags == kWayOnGround);
  }
}

}  // namespace
