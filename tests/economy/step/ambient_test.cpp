// The animals and the city traffic in the simulation step: installed by the economy's services and
// reset with the world, and a town run over many ticks in which town cars appear on its streets,
// drive, and go at the ends of their roads, the same way twice, with the goods invariants holding.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "economy/step/commands.h"
#include "economy/step/services.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "economy/town/development.h"
#include "engine/base/worldstate.h"
#include "engine/world/hooks.h"
#include "engine/world/vehicletype.h"
#include "network/construction/buildings.h"
#include "network/picking.h"
#include "network/world/animals.h"
#include "network/world/citytraffic.h"
#include "tests/economy/economy_fixture.h"
#include "tests/economy/goods/goods_invariants.h"
#include "tools/sample_economy.h"
#include "tools/sample_world.h"

namespace {

constexpr uint16_t kTownCar = 9;

template <class T>
T Value(T v) {
  return v;
}

// The route builder's origin walks the town's roads, one a tick.
std::vector<uint32_t> g_roads;
uint32_t RoadOfTheTick() { return g_roads.empty() ? 0 : g_roads[GameTime % g_roads.size()]; }

struct TTownRun {
  uint64_t Hash = 0;
  std::set<uint32_t> Seen;  // every car that was listed
  size_t MostListed = 0;
  size_t Listed = 0;        // at the end
  bool Drove = false;       // a listed car left the node it started at
  uint32_t Flyers = 0;
};

class AmbientStep : public economy_test::EconomyTest {
 protected:
  void TearDown() override {
    g_roads.clear();
    citytraffic_hooks::InstallDefaults();
    picking_hooks::InstallDefaults();
    economy_test::UninstallEconomyServices();
    ResetAnimals();
    ResetCityTraffic();
    ResetWorldState();
    EconomyTest::TearDown();
  }

  // The town of the driver's town scenario with 12,000 people more (three cars), one car type, and
  // the origin walking its roads.
  static TTownRun RunTown(int ticks) {
    TTownRun run;
    EXPECT_TRUE(ResetSimulationWorld(7));
    testing_support::Warnings().clear();
    sample_world::StartCalendarGame();
    StartWorldDevelopment();
    const sample_economy::TTown town = sample_economy::BuildTown();
    AnimalTypes[kAnimalFlyer].MeshAni = 1;  // flyers have an animation (not stored)
    g_roads = town.Roads;
    citytraffic_hooks::OriginWay = RoadOfTheTick;
    SetVehicleTypeDriving(VehicleTypes[kTownCar], {.FrontLength = 1.0f, .AxleDistance = 8.0f, .RearLength = 1.0f,
                                                   .Power = 400.0f, .PowerScale = 1.0f, .MaxSpeed = 2.0f,
                                                   .Weight = 1000});
    CivilianCarTypes.Types[0] = kTownCar;
    CivilianCarTypes.Types[1] = kTownCar;
    CivilianCarTypes.Count = 2;
    Cities[1].Population[5] += 12000;
    std::vector<std::pair<uint32_t, uint32_t>> starts;  // car, the node it started at
    for (int t = 1; t <= ticks; ++t) {
      GameplayTick();
      const std::vector<std::string> problems = goods_testing::GoodsInvariantViolations();
      EXPECT_TRUE(problems.empty()) << "tick " << t << ": " << problems.front();
      if (!problems.empty()) break;
      EXPECT_LE(Value(CarList.Count), Value(CarList.Target)) << "tick " << t;
      for (uint16_t k = 0; k < CarList.Count; ++k) {
        const uint32_t car = CarList.Cars[k];
        if (!IsTrainUsed(car) || TrainByIndex(car).Owner != 0) {
          ADD_FAILURE() << "tick " << t << ": listed car " << car << " is no town car";
          return run;
        }
        if (run.Seen.insert(car).second) starts.emplace_back(car, TrainByIndex(car).CurrentNode);
        for (const auto& [c, node] : starts)
          if (c == car && TrainByIndex(car).CurrentNode != node) run.Drove = true;
      }
      run.MostListed = std::max<size_t>(run.MostListed, CarList.Count);
    }
    run.Listed = CarList.Count;
    // Every car that went was one of the list's.
    for (const std::string& w : testing_support::Warnings())
      EXPECT_EQ(w.find("civiliancar not in carlist"), std::string::npos) << w;
    for (uint32_t i = 1; i <= AnimalCount; ++i) run.Flyers += Animals[i].Kind == kAnimalFlyer ? 1 : 0;
    run.Hash = WorldStateHash();
    return run;
  }
};

TEST_F(AmbientStep, TheEconomysServicesInstallBothProcessesAndTheWorldResetsThem) {
  ASSERT_TRUE(ResetSimulationWorld());
  const std::vector<std::string> idle = step_hooks::AtDefault();
  EXPECT_EQ(std::count(idle.begin(), idle.end(), "MoveAnimals"), 0);
  EXPECT_EQ(std::count(idle.begin(), idle.end(), "UpdateCityTraffic"), 0);
  const uint64_t fresh = WorldStateHash();
  SpawnFlyer(100.0f, 100.0f);
  EXPECT_EQ(WorldStateHash(), fresh);  // no animal types loaded: no flyer
  AnimalTypes[kAnimalFlyer].MeshAni = 1;
  SpawnFlyer(100.0f, 100.0f);
  EXPECT_NE(WorldStateHash(), fresh);
  CarList.Cars[CarList.Count++] = 5;
  CarList.Target = 4;
  const uint64_t withCar = WorldStateHash();
  GameFlags = kGameFlagSpecialCars;
  EXPECT_NE(WorldStateHash(), withCar);
  ASSERT_TRUE(ResetSimulationWorld());
  EXPECT_EQ(AnimalCount, 0u);
  EXPECT_EQ(Value(CarList.Count), 0);
  EXPECT_EQ(GameFlags, 0);
  EXPECT_EQ(WorldStateHash(), fresh);
  // The first tick brings the five flyers; the town cars wait for their first target.
  sample_world::StartCalendarGame();
  AnimalTypes[kAnimalFlyer].MeshAni = 1;
  GameplayTick();
  EXPECT_EQ(AnimalCount, 5u);
  EXPECT_EQ(Value(CarList.Target), 0);
}

TEST_F(AmbientStep, TownCarsAppearDriveAndGoOverManyTicksTheSameWayTwice) {
  const TTownRun first = RunTown(9000);
  // The target (three cars) is first worked out at tick 3001; from then on cars come, drive the
  // town's roads and go at their ends, and others take their places.
  EXPECT_EQ(Value(CarList.Target), 3);
  EXPECT_GE(first.MostListed, 1u);
  EXPECT_TRUE(first.Drove);
  EXPECT_GT(first.Seen.size(), first.Listed);
  EXPECT_EQ(first.Flyers, 5u);
  const TTownRun second = RunTown(9000);
  EXPECT_EQ(second.Hash, first.Hash);
  EXPECT_EQ(second.Seen, first.Seen);
}

}  // namespace
