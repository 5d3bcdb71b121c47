// City traffic: the target count from the towns' people and when it is worked out again, a car put
// on the route builder's origin street and every reason to refuse one, the choice of the car's
// type, and removing cars from the list, by the road-vehicle logic and with their street.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/random.h"
#include "engine/store/recordstore.h"
#include "engine/world/vehicletype.h"
#include "network/picking.h"
#include "network/vehicles/traffic.h"
#include "network/world/citytraffic.h"
#include "tests/network/vehicles/convoy_fixture.h"
#include "tests/support/test_support.h"

namespace {

using convoy_testing::Value;

constexpr uint16_t kCar = 20, kLongCar = 21, kSpecialCar = 22;

uint32_t g_origin = 0;
uint32_t Origin() { return g_origin; }

class CityTraffic : public convoy_testing::ConvoyTest {
 protected:
  void SetUp() override {
    ConvoyTest::SetUp();
    InstallTrafficHooks();
    ResetCityTraffic();
    citytraffic_hooks::OriginWay = Origin;
    g_origin = 0;
    const TVehicleTypeDriving car{.FrontLength = 1.0f, .AxleDistance = 8.0f, .RearLength = 1.0f, .Power = 400.0f,
                                  .PowerScale = 1.0f, .MaxSpeed = 2.0f, .Weight = 1000};
    SetVehicleTypeDriving(VehicleTypes[kCar], car);
    SetVehicleTypeDriving(VehicleTypes[kSpecialCar], car);
    TVehicleTypeDriving longCar = car;
    longCar.AxleDistance = 95.0f;  // 97 in all: longer than a link of 96
    SetVehicleTypeDriving(VehicleTypes[kLongCar], longCar);
    CivilianCarTypes.Types[0] = kSpecialCar;
    CivilianCarTypes.Types[1] = kCar;
    CivilianCarTypes.Count = 2;
  }
  void TearDown() override {
    ResetCityTraffic();
    citytraffic_hooks::InstallDefaults();
    picking_hooks::InstallDefaults();
    traffic_hooks::InstallDefaults();
    train_hooks::RemoveTrainFromStreetBlocks = nullptr;
    ConvoyTest::TearDown();
  }

  // A finished town street (owner 0) from (x, 0) to (x + 100, 0): its lanes run node 1 -> 4 and
  // 3 -> 2, 96 apart at its first lane.
  static uint32_t Street(float x = 0.0f) {
    const uint32_t n1 = Node(x, -2.0f), n2 = Node(x, 2.0f), n3 = Node(x + 96.0f, 2.0f), n4 = Node(x + 96.0f, -2.0f);
    const uint32_t w = Way(kWaytypeStreet, 0, {n1, n2, n3, n4}, true, 96);
    TWay way = ReadWay(w);
    way.Owner = 0;
    way.A_Overwrite();
    return w;
  }
  static int UsedTrains() {
    int n = 0;
    for (uint32_t t = FindNextTrain(0); t != 0; t = FindNextTrain(t)) ++n;
    return n;
  }
  static std::vector<uint32_t> Listed() {
    return std::vector<uint32_t>(CarList.Cars, CarList.Cars + CarList.Count);
  }
  // Cars standing in the pool, listed in order (not on any street).
  static std::vector<uint32_t> ListOfCars(int count) {
    for (int k = 0; k < count; ++k) {
      const uint32_t t = TrainBetween(Node(1000.0f + 10 * k, 0), Node(1005.0f + 10 * k, 0), kTrainRoad, 0);
      CarList.Cars[CarList.Count++] = t;
    }
    return Listed();
  }
};

TEST_F(CityTraffic, TheTargetIsOneCarForEveryFourThousandPeople) {
  const struct {
    const char* name;
    std::vector<std::vector<int32_t>> towns;  // each town's populations by class
    int32_t cityCount;                        // -1: the number of towns given
    uint16_t target;
  } cases[] = {
      {"no towns", {}, -1, 0},
      {"3,999 people in all", {{1000, 999}, {2000}}, -1, 0},
      {"12,345 people in all", {{5000, 0, 0, 0, 0, 345}, {4000, 3000}}, -1, 3},
      {"people of every class count", {{4000, 4000, 4000, 4000, 4000, 4000}}, -1, 6},
      {"only towns 1..CityCount count", {{4000}, {40000}}, 1, 1},
      {"a count beyond the town table counts the table", {{8000}}, 5000, 2},
      {"a negative count counts no town", {{8000}}, -5, 0},
      {"negative populations give no negative target", {{-90000, 4000}}, -1, 0},
      {"a target beyond the list's room is its room", {{2000000000, 2000000000, 2000000000}}, -1, 1000},
  };
  for (const auto& c : cases) {
    ResetWorldState();
    for (size_t t = 0; t < c.towns.size(); ++t)
      for (size_t k = 0; k < c.towns[t].size(); ++k) Cities[t + 1].Population[k] = c.towns[t][k];
    CityCount = c.cityCount == -1 ? static_cast<int32_t>(c.towns.size()) : c.cityCount;
    GameTime = 777;
    RecalcCivilianCarTarget();
    EXPECT_EQ(Value(CarList.Target), c.target) << c.name;
    EXPECT_EQ(Value(CarList.LastTargetTick), 777u) << c.name;
  }
}

TEST_F(CityTraffic, TheTargetIsWorkedOutAgainOnlyAfterMoreThan3000Ticks) {
  CityCount = 1;
  Cities[1].Population[0] = 12345;
  const struct {
    uint32_t last, now;
    bool again;
  } cases[] = {
      {1000, 4000, false},                // exactly 3000 ticks
      {1000, 4001, true},                 // 3001
      {1000, 999, false},                 // the last computation lies ahead
      {kGameTimeLast - 1000, 2000, true},  // 3001 ticks across the restart of GameTime at 0
      {kGameTimeLast - 1000, 1999, false},
  };
  for (const auto& c : cases) {
    CarList = TCarList{};
    CarList.Target = 0;
    CarList.LastTargetTick = c.last;
    GameTime = c.now;
    UpdateCityTraffic();
    EXPECT_EQ(Value(CarList.Target), c.again ? 3 : 0) << c.last << " -> " << c.now;
    EXPECT_EQ(Value(CarList.LastTargetTick), c.again ? c.now : c.last) << c.last << " -> " << c.now;
  }
}

TEST_F(CityTraffic, TownsOfFewerThan4000PeopleNeverGetACar) {
  g_origin = Street();
  CityCount = 2;
  Cities[1].Population[0] = 2000;
  Cities[2].Population[3] = 1999;
  for (GameTime = 1; GameTime <= 20000; ++GameTime) UpdateCityTraffic();
  EXPECT_EQ(Value(CarList.Target), 0);
  EXPECT_EQ(Value(CarList.Count), 0);
  EXPECT_EQ(UsedTrains(), 0);
}

TEST_F(CityTraffic, ACarIsPutOnTheOriginStreetOneAtATimeWhileTheListIsBelowItsTarget) {
  const uint32_t street = Street();
  const uint32_t other = Street(500.0f);
  const TWay w = ReadWay(street);
  CityCount = 1;
  Cities[1].Population[0] = 8000;  // two cars
  g_origin = street;
  GameTime = 3001;
  UpdateCityTraffic();
  ASSERT_EQ(Value(CarList.Target), 2);
  ASSERT_EQ(Listed().size(), 1u);
  const uint32_t car = CarList.Cars[0];
  const TTrain t = TrainByIndex(car);
  EXPECT_EQ(Value(t.VBT_Type), kTrainRoad);
  EXPECT_EQ(Value(t.Owner), 0);
  EXPECT_EQ(Value(t.State), kTrainDriving);
  EXPECT_EQ(Value(t.ScheduleState), kRouteNone);
  EXPECT_EQ(Value(t.CurrentNode), w.Nodes[0]);
  EXPECT_EQ(Value(t.NextNode), w.Nodes[3]);
  EXPECT_EQ(Value(t.DistanceOnLink), 2.0f);
  ASSERT_EQ(Value(t.VehicleCount), 1);
  EXPECT_EQ(Value(Vehicle(t.Vehicles[0]).VehicleType), kCar);
  EXPECT_EQ(Value(t.MaxSpeed), 2.0f);  // its power worked out
  // It entered its lane's queue: the street has a block now and takes no second car.
  EXPECT_NE(Value(ReadWay(street).Block), 0u);
  UpdateCityTraffic();
  EXPECT_EQ(Listed().size(), 1u);
  g_origin = other;
  UpdateCityTraffic();
  EXPECT_EQ(Listed().size(), 2u);
  // At its target the list grows no more.
  g_origin = Street(1000.0f);
  UpdateCityTraffic();
  EXPECT_EQ(Listed().size(), 2u);
  EXPECT_EQ(UsedTrains(), 2);
}

TEST_F(CityTraffic, SpawningRefusesEveryStreetOrTypeThatDoesNotSuit) {
  const struct {
    const char* name;
    void (*change)(uint32_t& origin);
  } cases[] = {
      {"no origin way", [](uint32_t& origin) { origin = 0; }},
      {"the origin way is gone", [](uint32_t& origin) {
         TDestroyResult r{};
         TWay::DestroyByIndex(origin, kDestroyForced, r);
       }},
      {"an origin beyond the store", [](uint32_t& origin) { origin = 0xFFFFFFF0u; }},
      {"not a street", [](uint32_t& origin) {
         TWay w = ReadWay(origin);
         w.Waytype = kWaytypePlainRail;
         w.A_Overwrite();
       }},
      {"its first node leads nowhere", [](uint32_t& origin) {
         const uint32_t first = ReadWay(origin).Nodes[0];
         NodeByIndex(first).NextLinkCount = 0;
       }},
      {"its first node is outside the pool", [](uint32_t& origin) {
         TWay w = ReadWay(origin);
         w.Nodes[0] = 0;
         w.A_Overwrite();
       }},
      {"its first node leads outside the pool", [](uint32_t& origin) {
         NodeByIndex(ReadWay(origin).Nodes[0]).NextLinks[0] = 0xFFFFFFu;
       }},
      {"a player's street", [](uint32_t& origin) {
         TWay w = ReadWay(origin);
         w.Owner = 1;
         w.A_Overwrite();
       }},
      {"an unfinished street", [](uint32_t& origin) {
         TWay w = ReadWay(origin);
         w.State = 1;
         w.A_Overwrite();
       }},
      {"a car longer than the street's first link", [](uint32_t&) { CivilianCarTypes.Types[1] = kLongCar; }},
      {"a street in a block", [](uint32_t& origin) {
         TWay w = ReadWay(origin);
         w.Block = 1;
         w.A_Overwrite();
       }},
      {"no car types", [](uint32_t&) { CivilianCarTypes.Count = 0; }},
      {"only the special type", [](uint32_t&) { CivilianCarTypes.Count = 1; }},
      {"a type entry that names no vehicle type", [](uint32_t&) { CivilianCarTypes.Types[1] = 0; }},
      {"a type entry beyond the vehicle types", [](uint32_t&) { CivilianCarTypes.Types[1] = 256; }},
      {"the special type names no vehicle type", [](uint32_t&) {
         GameFlags = kGameFlagSpecialCars;
         CivilianCarTypes.Types[0] = 0;
       }},
      {"the list is full", [](uint32_t&) { CarList.Count = kMostCivilianCars; }},
      {"the list's count lies beyond its room", [](uint32_t&) { CarList.Count = 60000; }},
  };
  for (const auto& c : cases) {
    ResetCityTraffic();
    CivilianCarTypes.Types[0] = kSpecialCar;
    CivilianCarTypes.Types[1] = kCar;
    CivilianCarTypes.Count = 2;
    GameFlags = 0;
    uint32_t origin = Street(static_cast<float>(2000 * (&c - cases)));
    c.change(origin);
    g_origin = origin;
    const int trains = UsedTrains();
    const uint16_t listed = CarList.Count;
    EXPECT_FALSE(SpawnCivilianCar()) << c.name;
    EXPECT_EQ(UsedTrains(), trains) << c.name;
    EXPECT_EQ(Value(CarList.Count), listed) << c.name;
  }
}

TEST_F(CityTraffic, TheCarTypeIsAnOrdinaryEntryAtRandomOrTheSpecialOneUnderTheGameFlag) {
  const TVehicleTypeDriving car = VehicleTypeDriving(VehicleTypes[kCar]);
  SetVehicleTypeDriving(VehicleTypes[kCar + 10], car);
  SetVehicleTypeDriving(VehicleTypes[kCar + 11], car);
  CivilianCarTypes.Types[2] = kCar + 10;
  CivilianCarTypes.Types[3] = kCar + 11;
  const struct {
    uint16_t flags;
    uint8_t count;
    uint32_t seed;
  } cases[] = {{0, 4, 1}, {0, 4, 2}, {0, 4, 3}, {0, 4, 99}, {kGameFlagSpecialCars, 4, 5}, {kGameFlagSpecialCars, 0, 5}};
  float x = 0.0f;
  for (const auto& c : cases) {
    GameFlags = c.flags;
    CivilianCarTypes.Count = c.count;
    g_origin = Street(x);
    x += 500.0f;
    RandSeed = c.seed;
    const uint16_t expected = c.flags != 0 ? kSpecialCar : CivilianCarTypes.Types[Random(c.count - 1) + 1];
    RandSeed = c.seed;
    ASSERT_TRUE(SpawnCivilianCar()) << c.seed;
    const TTrain t = TrainByIndex(CarList.Cars[CarList.Count - 1]);
    EXPECT_EQ(Value(Vehicle(t.Vehicles[0]).VehicleType), expected) << c.seed;
  }
  // A count beyond the table draws within the table: its empty entries put no car on the street.
  GameFlags = 0;
  CivilianCarTypes.Count = 255;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    ResetCityTraffic();
    CivilianCarTypes.Types[1] = kCar;
    CivilianCarTypes.Count = 255;
    g_origin = Street(x);
    x += 500.0f;
    RandSeed = seed;
    const bool spawned = SpawnCivilianCar();
    RandSeed = seed;
    EXPECT_EQ(spawned, Random(kCivilianCarTypeRoom - 1) + 1 == 1) << seed;
  }
}

TEST_F(CityTraffic, RemovingACarKeepsTheListWhole) {
  const struct {
    const char* name;
    int cars;
    int removed;  // 0-based in the list; -1 a convoy the list does not hold
    std::vector<int> after;  // the list afterwards, as positions in the list before
    bool warned;
  } cases[] = {
      {"from the middle: the last takes its place", 4, 1, {0, 3, 2}, false},
      {"the first", 3, 0, {2, 1}, false},
      {"the last: the list only shortens", 4, 3, {0, 1, 2}, false},
      {"the only car", 1, 0, {}, false},
      {"a car the list does not hold", 3, -1, {0, 1, 2}, true},
  };
  for (const auto& c : cases) {
    ResetCityTraffic();
    const std::vector<uint32_t> before = ListOfCars(c.cars);
    const uint32_t gone = c.removed >= 0 ? before[c.removed] : TrainBetween(Node(0, 0), Node(5, 0), kTrainRoad, 0);
    testing_support::Warnings().clear();
    RemoveCivilianCar(gone);
    std::vector<uint32_t> expected;
    for (int k : c.after) expected.push_back(before[k]);
    EXPECT_EQ(Listed(), expected) << c.name;
    EXPECT_FALSE(IsTrainUsed(gone)) << c.name;  // destroyed in any case
    EXPECT_EQ(testing_support::Warnings(),
              c.warned ? std::vector<std::string>{"WARNING: civiliancar not in carlist is deleted!"}
                       : std::vector<std::string>{})
        << c.name;
  }
}

TEST_F(CityTraffic, ACarListedTwiceLeavesItsLastEntry) {
  std::vector<uint32_t> cars = ListOfCars(3);
  CarList.Cars[CarList.Count++] = cars[0];  // 0 1 2 0
  CarList.Cars[CarList.Count++] = cars[1];  // 0 1 2 0 1
  RemoveCivilianCar(cars[0]);
  EXPECT_EQ(Listed(), (std::vector<uint32_t>{cars[0], cars[1], cars[2], cars[1]}));
}

TEST_F(CityTraffic, RemovingAConvoyThatIsGoneAlreadyOnlyDropsItsEntry) {
  std::vector<uint32_t> cars = ListOfCars(2);
  TDestroyResult r{};
  TTrain::Destroy(cars[0], kDestroyForced, r);
  testing_support::Warnings().clear();
  RemoveCivilianCar(cars[0]);
  EXPECT_EQ(Listed(), std::vector<uint32_t>{cars[1]});
  RemoveCivilianCar(0);
  RemoveCivilianCar(0xFFFFFFFFu);
  EXPECT_EQ(Listed(), std::vector<uint32_t>{cars[1]});
  EXPECT_EQ(testing_support::Warnings().size(), 2u);
}

TEST_F(CityTraffic, ACarGoesWithItsStreetAndAtTheEndOfItsRoad) {
  CityCount = 1;
  Cities[1].Population[0] = 8000;
  const uint32_t street = Street();
  g_origin = street;
  GameTime = 3001;
  UpdateCityTraffic();
  ASSERT_EQ(Listed().size(), 1u);
  const uint32_t car = CarList.Cars[0];
  TDestroyResult r{};
  TWay::DestroyByIndex(street, kDestroyForced, r);
  EXPECT_TRUE(Listed().empty());
  EXPECT_FALSE(IsTrainUsed(car));

  // A car that drives to the end of its street turns at the dead end there: it goes.
  g_origin = Street(500.0f);
  ASSERT_TRUE(SpawnCivilianCar());
  const uint32_t driver = CarList.Cars[0];
  for (int i = 0; i < 2000 && IsTrainUsed(driver); ++i) Tick(driver);
  EXPECT_FALSE(IsTrainUsed(driver));
  EXPECT_TRUE(Listed().empty());
}

}  // namespace
