// The plane in the simulation step: the step moves it, the world's reset clears it, it counts in the
// world's hash, and a flight over many ticks of the step stays in range and repeats to the bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "economy/step/commands.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/world/hooks.h"
#include "network/construction/buildings.h"
#include "tests/economy/economy_fixture.h"
#include "tests/network/world/plane_fixture.h"

namespace {

using plane_testing::Val;

class PlaneStep : public economy_test::EconomyTest {
 protected:
  void TearDown() override {
    economy_test::UninstallEconomyServices();
    ResetPlanes();
    ResetWorldState();
    EconomyTest::TearDown();
  }

  // A fresh world with the air world in it, run for Ticks steps: the hash at the end; InRange
  // false when the plane ever left its states or finite figures; States every state met.
  static uint64_t Run(int ticks, bool& inRange, std::set<uint8_t>& states) {
    EXPECT_TRUE(ResetSimulationWorld(7));
    plane_testing::SetUpAirWorld();
    GameRunning = 1;
    inRange = true;
    for (int t = 0; t < ticks; ++t) {
      GameplayTick();
      inRange = inRange && plane_testing::PlaneInRange(Plane);
      states.insert(Plane.State);
    }
    return WorldStateHash();
  }
};

TEST_F(PlaneStep, TheResetClearsThePlaneAndThePlaneCountsInTheHash) {
  ASSERT_TRUE(ResetSimulationWorld());
  const uint64_t fresh = WorldStateHash();
  plane_testing::SetUpAirWorld();
  const uint64_t withPlane = WorldStateHash();
  EXPECT_NE(withPlane, fresh);
  PlaneActive = 0;
  EXPECT_NE(WorldStateHash(), withPlane);
  PlaneActive = 1;
  TPlaneNav n = Plane.Nav;
  n.LastDistance = 5.0f;
  Plane.Nav = n;
  EXPECT_NE(WorldStateHash(), withPlane);
  PlaneRouteEntries[2].Slots[0].Occupied = 1;
  const uint64_t occupied = WorldStateHash();
  PlaneRouteEntries[2].Slots[0].Occupied = 0;
  EXPECT_NE(occupied, WorldStateHash());

  ASSERT_TRUE(ResetSimulationWorld());
  EXPECT_EQ(PlaneActive, 0);
  EXPECT_EQ(Val(Plane.State), 0);
  EXPECT_EQ(Val(PlaneTypes[1].TakeOffSpeed), 0.0f);
  EXPECT_EQ(Val(PlaneRouteEntries[2].Building), 0u);
  EXPECT_EQ(WorldStateHash(), fresh);
  const std::vector<std::string> idle = step_hooks::AtDefault();
  EXPECT_EQ(std::find(idle.begin(), idle.end(), "MovePlanes"), idle.end());
}

TEST_F(PlaneStep, AFlightOverManyTicksStaysInRangeAndRepeatsToTheBit) {
  bool inRange = false;
  std::set<uint8_t> states;
  const uint64_t first = Run(5000, inRange, states);
  EXPECT_TRUE(inRange);
  // Every state of a flight was met, and it ended at the gate.
  EXPECT_EQ(states, (std::set<uint8_t>{0, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(Val(Plane.State), 0);
  EXPECT_EQ(Val(Plane.RouteEntry), 2u);
  std::set<uint8_t> again;
  EXPECT_EQ(Run(5000, inRange, again), first);
  EXPECT_EQ(again, states);
}

}  // namespace
