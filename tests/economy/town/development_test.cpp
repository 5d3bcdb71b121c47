// World development: the three tasks take turns, towns ask for homes up to a cap and choose house
// types in passes, construction sites are finished when due, the building upkeep fills houses and
// counts their residents per road, town and market, the market search finds the nearest reachable
// market, industries grow and shrink within their bounds, and company buildings only rise in level.
#include "economy/town/development.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "economy/goods/goodsentries.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordaccess.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "engine/world/hooks.h"
#include "engine/world/industry.h"
#include "network/construction/buildings.h"
#include "network/construction/ways.h"
#include "tests/economy/economy_fixture.h"
#include "tests/support/test_support.h"
#include "tools/sample_world.h"

namespace {

using ::testing::HasSubstr;

struct TNews {
  uint8_t Kind;
  uint32_t P1;
  bool operator==(const TNews&) const = default;
};
std::vector<TNews> g_news;

class Development : public economy_test::EconomyTest {
 protected:
  void SetUp() override {
    EconomyTest::SetUp();
    ASSERT_TRUE(ResetSimulationWorld());
    platform::SetTickSource(economy_test::Ticks);
    testing_support::Warnings().clear();
    g_news.clear();
    development_hooks::TriggerNewsEvent = [](uint8_t kind, uint32_t p1, uint32_t, uint32_t, uint32_t, uint32_t,
                                             uint32_t) { g_news.push_back({kind, p1}); };
    GameYear = 1950;
  }
  void TearDown() override {
    development_hooks::InstallDefaults();
    building_hooks::InstallDefaults();
    step_hooks::InstallDefaults();
    world_hooks::InstallDefaults();
    ResetWorldDevelopment();
    ResetWorldState();
    EconomyTest::TearDown();
  }

  static void HouseType(uint16_t type, uint8_t cls, int32_t capacity, int32_t start = 1900, int32_t end = 2100,
                        int32_t era = kBuildingEraAny, uint8_t kind = kBuildingKindHouse) {
    TBuildingType& t = BuildingTypes[type];
    t = TBuildingType{};
    SetBuildingTypeUse(t, kind);
    SetBuildingTypeClass(t, cls);
    SetBuildingTypeTown(t, {capacity, start, end, era});
    if (BuildingTypeCount < type) BuildingTypeCount = static_cast<uint8_t>(type);
  }

  // A building record of the type at the road, for the town, in the state.
  static uint32_t Building(uint16_t type, uint8_t city, uint32_t road, uint8_t state, uint8_t owner = 0) {
    TBuilding b{};
    b.Init(type, owner);
    b.City = city;
    b.Way = road;
    b.State = state;
    if (type >= 1 && type <= 255) BuildingClass(b) = BuildingTypeClass(BuildingTypes[type]);
    b.A_Write();
    return b.Index;
  }

  static uint32_t Road(uint8_t state = 2, uint32_t market = 0) {
    TWay w{};
    w.Init(0, 0);
    w.Owner = 0;
    w.State = state;
    w.Market = market;
    w.A_Write();
    return w.Index;
  }

  static uint32_t Station(const TVector& at) {
    auto s = std::make_unique<TStation>();
    s->Init(0, 1, at);
    s->A_Write();
    return s->Index;
  }

  static uint32_t Market(uint32_t building, uint32_t station, uint8_t buildings = 1) {
    const uint32_t m = sample_world::MarketOf(building, station);
    auto r = std::make_unique<TMarket>();
    r->A_Read(m);
    r->MarketBuildingCount = buildings;
    r->A_Overwrite();
    return m;
  }

  static std::unique_ptr<TMarket> ReadMarket(uint32_t index) {
    auto m = std::make_unique<TMarket>();
    m->A_Read(index);
    return m;
  }
  static TBuilding ReadBuilding(uint32_t index) {
    TBuilding b{};
    b.A_Read(index);
    return b;
  }
  static TWay ReadWay(uint32_t index) {
    TWay w{};
    w.A_Read(index);
    return w;
  }

  // The message of the fatal stop that Run makes.
  template <class Run>
  static std::string FatalOf(Run run) {
    try {
      run();
    } catch (const testing_support::FatalError& e) {
      return e.what();
    }
    return "";
  }
};

TEST_F(Development, TheThreeTasksTakeTurnsAfterTheStatusLine) {
  MarketSearch.WayCursor = 7;
  DevelopCity = {2, 3};
  ConstructionCursors = {11, 5};
  uint8_t phase = 2;
  DevelopmentTick(phase);
  EXPECT_EQ(ProcessStatus[3].str(), "AM: 7 DC: 3:2 PB: 11:5");
  EXPECT_EQ(phase, 0);
  EXPECT_EQ(ConstructionCursors.BuildingCursor, 0u);  // the store is empty: the walk starts again
  DevelopmentTick(phase);
  EXPECT_EQ(phase, 1);
  DevelopmentTick(phase);
  EXPECT_EQ(phase, 2);
  EXPECT_EQ(DevelopCity.State, 0);  // no towns: the town development is reset
  EXPECT_EQ(DevelopCity.City, 0);
}

TEST_F(Development, TheTownProcessVisitsTheTownsInTurnAndStaysAtItsStartWithoutTowns) {
  CityCount = 0;
  DevelopCity = {2, 5};
  DevelopCityStep(DevelopCity);
  EXPECT_EQ(DevelopCity.State, 0);
  EXPECT_EQ(DevelopCity.City, 0);

  CityCount = 2;
  std::vector<int> cities;
  for (int n = 0; n < 9; ++n) {
    DevelopCityStep(DevelopCity);
    if (DevelopCity.State == 1) cities.push_back(DevelopCity.City);
  }
  EXPECT_EQ(cities, (std::vector<int>{1, 2, 1}));
  // The states nothing here sets pass through 100 back to 0; 200 waits for run mode 4.
  for (uint8_t state : {3, 4}) {
    DevelopCity.State = state;
    DevelopCityStep(DevelopCity);
    EXPECT_EQ(DevelopCity.State, 100);
    DevelopCityStep(DevelopCity);
    EXPECT_EQ(DevelopCity.State, 0);
  }
  DevelopCity.State = 200;
  DevelopCityStep(DevelopCity);
  EXPECT_EQ(DevelopCity.State, 200);
}

TEST_F(Development, AStateItDoesNotKnowStopsTheProgram) {
  CityCount = 1;
  for (uint8_t state : {5, 99, 101, 255}) {
    DevelopCity = {state, 1};
    EXPECT_THAT(FatalOf([] { DevelopCityStep(DevelopCity); }),
                HasSubstr("invalid instruction pointer in TPPDevelopcity.PPCall"))
        << int(state);
  }
}

TEST_F(Development, PeopleWaitInHundredsUpToAFifthOfPopulationAndFiveHundred) {
  struct Case {
    int32_t Population, Waiting, Expected;
  };
  const Case cases[] = {
      {0, 0, 100},       // (0 + 500) x 20 / 100 = 100 > 0
      {0, 100, 100},     // 100 is not above 100
      {1000, 250, 350},  // 300 > 250
      {1000, 300, 300},
      {1004, 300, 300},  // 300.8 is cut to 300
      {1005, 300, 400},  // 301
  };
  CityCount = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Population);
    for (int k = 0; k < 6; ++k) {
      Cities[1].Population[k] = c.Population;
      Cities[1].Waiting[k] = c.Waiting;
    }
    DevelopCity = {1, 1};
    DevelopCityStep(DevelopCity);
    EXPECT_EQ(DevelopCity.State, 2);
    for (int k : {0, 1, 2, 3, 5}) EXPECT_EQ(Cities[1].Waiting[k], c.Expected) << k;
    EXPECT_EQ(Cities[1].Waiting[4], 0);  // nobody waits for a home of class 4
  }
}

TEST_F(Development, HouseTypesAreChosenInPassesThatStopAtTheFirstThatMarks) {
  // GameYear 1950; the town's era 2 and year value 1920.
  HouseType(1, 0, 100, 1900, 2000, 2);   // current, the town's era
  HouseType(2, 0, 300, 1900, 2000, 1);   // current, any era
  HouseType(3, 0, 100, 1900, 2000, 3);   // current, another era
  HouseType(4, 0, 100, 1900, 1940, 2);   // ended, the town's era
  HouseType(5, 0, 100, 1960, 2000, 2);   // not yet
  HouseType(6, 1, 100, 1900, 2000, 2);   // another class
  HouseType(7, 0, 100, 1900, 2000, 2, kBuildingKindSpecialTown);  // not a house
  HouseType(10, 2, 100, 1900, 1940, 2);  // class 2: ended, the town's era
  HouseType(11, 2, 100, 1910, 1940, 3);  // ended, another era, started before the year value
  HouseType(12, 2, 100, 1930, 1940, 3);  // ended, another era, started after it
  HouseType(13, 3, 100, 1930, 1940, 3);  // class 3: only a type that started
  HouseType(14, 3, 100, 1960, 2000, 2);
  struct Case {
    uint8_t Class;
    int32_t Demand;
    uint8_t RunMode;
    std::vector<int> Expected;
  };
  const Case cases[] = {
      {0, 120, 2, {1}},        // 1: capacities within 50 of the demand
      {0, 250, 2, {1, 2}},     // 2: 300 is 50 away, not less: every current type of the era
      {0, 120, 4, {1, 2, 4}},  // run mode 4 skips the first pass and takes ended types as current
      {2, 100, 2, {10, 11}},   // 3: started types of the town's era or from before its year value
      {3, 100, 2, {13}},       // 4: every type of the class that started
      {4, 100, 2, {}},         // no type of the class
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << int(c.Class) << " " << c.Demand << " " << int(c.RunMode));
    TCity city{};
    city.Era = 2;
    city.YearValue = 1920;
    RunMode = c.RunMode;
    ChooseHouseTypes(city, c.Class, c.Demand, city.Era);
    std::vector<int> marked;
    for (int t = 1; t <= 255; ++t)
      if (CityWishes(city, static_cast<uint8_t>(t))) marked.push_back(t);
    EXPECT_EQ(marked, c.Expected);
  }
}

TEST_F(Development, SpecialTypesOfTheEraComeFirstAndOtherwiseEveryOne) {
  HouseType(1, 0, 0, 1900, 2000, 2, kBuildingKindSpecialTown);
  HouseType(2, 0, 0, 1900, 1940, 2, kBuildingKindSpecialTown);
  HouseType(3, 0, 0, 1900, 2000, 3, kBuildingKindSpecialTown);
  HouseType(4, 0, 40, 1900, 2000, 2);
  TCity city{};
  ChooseSpecialTypes(city, 2);
  EXPECT_TRUE(CityWishes(city, 1));
  EXPECT_FALSE(CityWishes(city, 2) || CityWishes(city, 3) || CityWishes(city, 4));
  TCity old{};
  ChooseSpecialTypes(old, 5);  // none suits era 5: every special type
  EXPECT_TRUE(CityWishes(old, 1) && CityWishes(old, 2) && CityWishes(old, 3));
  EXPECT_FALSE(CityWishes(old, 4));
}

TEST_F(Development, TheTownClearsItsWishesAndAsksForTheClassesThatWaitMoreThanATenth) {
  HouseType(1, 0, 100);
  HouseType(2, 1, 100);
  CityCount = 1;
  SetCityWish(Cities[1], 200, true);
  Cities[1].Waiting[0] = 100;  // 0 / 10 < 100
  Cities[1].Population[1] = 1000;
  Cities[1].Waiting[1] = 100;  // 1000 / 10 is not below 100
  DevelopCity = {2, 1};
  DevelopCityStep(DevelopCity);
  EXPECT_EQ(DevelopCity.State, 0);
  EXPECT_FALSE(CityWishes(Cities[1], 200));
  EXPECT_TRUE(CityWishes(Cities[1], 1));
  EXPECT_FALSE(CityWishes(Cities[1], 2));
}

TEST_F(Development, ConstructionSitesAreFinishedOnceTheirTickHasPassed) {
  HouseType(1, 0, 40);
  GameTime = 1000;
  struct Case {
    uint8_t State;
    uint32_t Completion;
    bool Finished;
  };
  const Case cases[] = {{1, 999, true}, {1, 1000, false}, {1, 0, false}, {0, 500, false}, {1, 1001, false}};
  std::vector<uint32_t> buildings, ways;
  for (const Case& c : cases) {
    TBuilding b{};
    b.A_Read(Building(1, 0, 0, c.State));
    SetBuildingCompletionTick(b, c.Completion);
    b.A_Overwrite();
    buildings.push_back(b.Index);
    TWay w = ReadWay(Road(c.State));
    SetWayCompletionTick(w, c.Completion);
    w.A_Overwrite();
    ways.push_back(w.Index);
  }
  FinishDueConstructions(ConstructionCursors);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const TBuilding b = ReadBuilding(buildings[i]);
    const TWay w = ReadWay(ways[i]);
    EXPECT_EQ(b.State, cases[i].Finished ? 2 : cases[i].State);
    EXPECT_EQ(w.State, cases[i].Finished ? 2 : cases[i].State);
    EXPECT_EQ(BuildingCompletionTick(b), cases[i].Finished ? 0u : cases[i].Completion);
  }
  // Across the restart of the tick counter a tick from before it is due.
  TBuilding late{};
  late.A_Read(buildings[1]);
  SetBuildingCompletionTick(late, kGameTimeLast - 10);
  late.A_Overwrite();
  GameTime = 50;
  ConstructionCursors = {};
  FinishDueConstructions(ConstructionCursors);
  EXPECT_EQ(ReadBuilding(buildings[1]).State, 2);
}

TEST_F(Development, TheFinishingLooksAtTwentyOfEachPerCallAndStartsAgainAfterTheLast) {
  for (int n = 0; n < 25; ++n) Building(0, 0, 0, 2);
  FinishDueConstructions(ConstructionCursors);
  const uint32_t after = ConstructionCursors.BuildingCursor;
  EXPECT_NE(after, 0u);
  FinishDueConstructions(ConstructionCursors);
  EXPECT_EQ(ConstructionCursors.BuildingCursor, 0u);
  FinishDueConstructions(ConstructionCursors);
  EXPECT_EQ(ConstructionCursors.BuildingCursor, after);
}

TEST_F(Development, ABuildingUpkeepOfSpeedZeroNeverRuns) {
  const uint32_t road = Road();
  HouseType(1, 0, 40);
  CityCount = 1;
  Cities[1].Waiting[0] = 30;
  const uint32_t house = Building(1, 1, road, 2);
  ResetWorldDevelopment();
  ASSERT_EQ(UpdateBuildings.Speed, 0);
  for (int n = 0; n < 50; ++n) UpdateBuildingsTick(UpdateBuildings);
  EXPECT_EQ(UpdateBuildings.Step, 0u);
  EXPECT_EQ(ProcessStatus[4].str(), "");
  EXPECT_EQ(BuildingInhabitants(ReadBuilding(house)), 0);
  UpdateBuildings.Speed = -3;
  UpdateBuildingsTick(UpdateBuildings);
  EXPECT_EQ(UpdateBuildings.Step, 0u);
}

TEST_F(Development, AnUpkeepPassFillsHousesAndCountsTheirResidentsPerRoadTownAndMarket) {
  HouseType(1, 2, 40);
  HouseType(2, 2, 40, 1900, 2100, kBuildingEraAny, 5);  // not a house
  CityCount = 1;
  const uint32_t road = Road();
  const uint32_t hall = Building(2, 1, road, 2);
  const uint32_t market = Market(hall, Station({0, 0, 0}));
  TWay w = ReadWay(road);
  w.Market = market;
  w.A_Overwrite();
  const uint32_t house = Building(1, 1, road, 2);
  const uint32_t site = Building(1, 1, road, 1);  // under construction: fills, but is not counted
  Cities[1].Waiting[2] = 50;
  StartWorldDevelopment();
  UpdateBuildingsTick(UpdateBuildings);  // 0: re-tune
  EXPECT_EQ(UpdateBuildings.Speed, 1);
  UpdateBuildingsTick(UpdateBuildings);  // 1
  for (int n = 0; n < 3; ++n) UpdateBuildingsTick(UpdateBuildings);  // 2: the hall, the house, the site
  EXPECT_EQ(ProcessStatus[4].str(), "Speed: 1 Step: 2 Index: " + std::to_string(house));
  EXPECT_EQ(BuildingInhabitants(ReadBuilding(house)), 40);
  EXPECT_EQ(BuildingInhabitants(ReadBuilding(site)), 10);
  EXPECT_EQ(Cities[1].Population[2], 50);
  EXPECT_EQ(Cities[1].Waiting[2], 0);
  EXPECT_EQ(ReadWay(road).Residents[2], 40);
  EXPECT_EQ(ReadMarket(market)->Residents[2], 40);
  EXPECT_EQ(Cities[1].FreeHousing[2], 0);  // 40 of 40 taken
  UpdateBuildingsTick(UpdateBuildings);  // 2: none left
  EXPECT_EQ(UpdateBuildings.Step, 3u);
  UpdateBuildingsTick(UpdateBuildings);  // 3: the market rolls over, none left
  EXPECT_EQ(ReadMarket(market)->LastResidents[2], 40);
  EXPECT_EQ(ReadMarket(market)->Residents[2], 0);
  EXPECT_EQ(UpdateBuildings.Step, 4u);
  UpdateBuildingsTick(UpdateBuildings);  // 4: the road rolls over, none left
  EXPECT_EQ(ReadWay(road).LastResidents[2], 40);
  EXPECT_EQ(ReadWay(road).Residents[2], 0);
  EXPECT_EQ(UpdateBuildings.Step, 0u);
}

TEST_F(Development, TheUpkeepSpeedKeepsAPassNearFifteenThousandTicksAndNeverFallsBelowOne) {
  struct Case {
    uint32_t LastTick, Now;
    int32_t Speed, Expected;
    std::string Warning;
  };
  const Case cases[] = {
      {1000, 16000, 1, 2, ""},
      {1000, 1000, 40, 1, ""},
      {0, 3000000, 1, 100, "Warning: gp_Development: TPPUpdatebuildings.Speed shuld set to: 201"},
      {kGameTimeLast - 100, 50, 1, 100, ""},  // after the restart of the tick counter: at least 1
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Now);
    testing_support::Warnings().clear();
    GameTime = c.Now;
    UpdateBuildings = {0, c.Speed, c.LastTick, 0};
    UpdateBuildingsStep(UpdateBuildings);
    EXPECT_GE(UpdateBuildings.Speed, 1);
    if (c.LastTick < c.Now) {
      EXPECT_EQ(UpdateBuildings.Speed, c.Expected);
      EXPECT_EQ(testing_support::Warnings(),
                c.Warning.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.Warning});
    }
    EXPECT_EQ(UpdateBuildings.LastTick, c.Now);
    EXPECT_EQ(UpdateBuildings.Step, 1u);
  }
}

TEST_F(Development, HousesTakeInWaitingPeopleUpToTheirCapacity) {
  HouseType(1, 3, 40);
  HouseType(2, 3, 40, 1900, 2100, kBuildingEraAny, 5);
  struct Case {
    uint16_t Type;
    uint8_t City, RunMode;
    uint16_t Inhabitants;
    int32_t Waiting;
    uint16_t ExpectedInhabitants;
    int32_t ExpectedWaiting, ExpectedPopulation;
  };
  const Case cases[] = {
      {1, 1, 2, 10, 100, 40, 70, 30},  // 30 places
      {1, 1, 2, 10, 5, 15, 0, 5},      // 5 waiting
      {1, 1, 4, 0, 5, 40, 5, 40},      // run mode 4: an empty house is filled at once
      {1, 1, 4, 10, 5, 10, 5, 0},      // but not one with inhabitants
      {2, 1, 2, 0, 100, 0, 100, 0},    // not a house
      {1, 0, 2, 0, 100, 0, 100, 0},    // no town
  };
  CityCount = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    RunMode = c.RunMode;
    Cities[1].Waiting[3] = c.Waiting;
    Cities[1].Population[3] = 0;
    TBuilding b{};
    b.A_Read(Building(c.Type, c.City, 0, 2));
    SetBuildingInhabitants(b, c.Inhabitants);
    MoveInhabitants(b);
    EXPECT_EQ(BuildingInhabitants(b), c.ExpectedInhabitants);
    EXPECT_EQ(BuildingInhabitants(ReadBuilding(b.Index)), c.ExpectedInhabitants);
    EXPECT_EQ(Cities[1].Waiting[3], c.ExpectedWaiting);
    EXPECT_EQ(Cities[1].Population[3], c.ExpectedPopulation);
  }
}

TEST_F(Development, TheTownZoneIsTheCentreTheInnerRingOrOutside) {
  EXPECT_EQ(CityZone(0.0f, 1000.0f), 0);
  EXPECT_EQ(CityZone(300.0f, 1000.0f), 0);
  EXPECT_EQ(CityZone(301.0f, 1000.0f), 1);
  EXPECT_EQ(CityZone(1000.0f, 1000.0f), 1);
  EXPECT_EQ(CityZone(1001.0f, 1000.0f), 2);
}

TEST_F(Development, TheCompanyLevelFollowsTheCompanyValueAndOnlyRises) {
  struct Case {
    uint8_t Level;
    long double Value;
    uint8_t Owner;
    int32_t Before, Expected;
  };
  const Case cases[] = {
      {1, 1e12L, 1, 0, 1},          // below economy level 2 always 1
      {2, 1000.0L, 1, 0, 1},
      {2, 2500000.0L, 1, 0, 1},     // not above
      {2, 2500001.0L, 1, 0, 2},
      {2, 9500001.0L, 1, 0, 3},
      {3, 40000001.0L, 1, 0, 4},
      {3, 150000001.0L, 1, 0, 5},
      {3, 651500001.0L, 1, 0, 6},
      {3, 1701500001.0L, 1, 0, 7},
      {3, 3000000.0L, 1, 5, 5},     // a lower level is not taken
      {3, 1e12L, 0, 3, 3},          // no owner: unchanged
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    GameSettings.Level = c.Level;
    Players[1].Finances[0] = TYearFinance{};
    Players[1].Finances[0].Balance = c.Value;
    TBuilding b{};
    b.Owner = c.Owner;
    b.ScriptVars[0] = c.Before;
    UpdateCompanyBuildingLevel(b);
    EXPECT_EQ(b.ScriptVars[0], c.Expected);
  }
}

TEST_F(Development, TheUpkeepRaisesTheCompanyBuildingAndTheEconomyInstallsIt) {
  HouseType(4, 0, 0, 1900, 2100, kBuildingEraAny, 5);
  CompanyBuildingType = 4;
  GameSettings.Level = 2;
  Players[1].Finances[0].Balance = 100.0L;
  TBuilding b{};
  b.Init(4, 1);
  b.Position = {100, 0, 100};
  ActPlayer = 1;
  InitBuilding(4, b, b.Position, 0.0f, 2);  // through the economy's hook: level 1
  EXPECT_EQ(ReadBuilding(b.Index).ScriptVars[0], 1);
  Players[1].Finances[0].Balance = 10000000.0L;
  StartWorldDevelopment();
  for (int n = 0; n < 4; ++n) step_hooks::UpdateBuildingsTick();
  EXPECT_EQ(ReadBuilding(b.Index).ScriptVars[0], 3);
}

struct TIndustryCase {
  const char* Name;
  uint8_t EconomyMode;
  uint8_t Flag;
  int32_t Capacity, Production;
  bool Grow;
  int32_t Expected;
  long double Factor;  // of the statistics; 0: no change and no news
};

class IndustryResize : public Development, public ::testing::WithParamInterface<TIndustryCase> {};

TEST_P(IndustryResize, StaysWithinTheTypesBoundsAndScalesItsStatistics) {
  const TIndustryCase& c = GetParam();
  GameSettings.EconomyMode = c.EconomyMode;
  TRecipe r{};
  r.TableFlag = c.Flag;
  SetRecipe(1, r);
  const uint8_t recipes[] = {1};
  SetIndustryTypeRecipes(IndustryTypes[1], 1, recipes);
  SetIndustryTypeCapacity(IndustryTypes[1], c.Capacity);
  SetIndustryTypeCityFactor(IndustryTypes[1], 0, 1.0f);
  CityCount = 1;
  auto i = std::make_unique<TIndustry>();
  *i = TIndustry{};
  i->IndustryType = 1;
  i->City = 1;
  i->Station = 77;
  i->Size = c.Production;
  i->IndustryPCOutputCounter = 2;
  const float stats[6] = {30.0f, 60.0f, 90.0f, 3.0f, 6.0f, 9.0f};
  for (int e = 0; e < 2; ++e) std::memcpy(i->PCOutput[e], stats, sizeof(stats));
  i->AddToCity();
  if (c.Grow)
    GrowIndustry(*i);
  else
    ShrinkIndustry(*i);
  EXPECT_EQ(i->Size, c.Expected);
  float after[6];
  std::memcpy(after, i->PCOutput[1], sizeof(after));
  const long double factor = c.Factor == 0.0L ? 1.0L : c.Factor;
  for (int k = 0; k < 6; ++k) EXPECT_EQ(after[k], static_cast<float>(stats[k] * factor)) << k;
  if (c.Factor == 0.0L)
    EXPECT_TRUE(g_news.empty());
  else
    EXPECT_EQ(g_news, (std::vector<TNews>{{static_cast<uint8_t>(c.Grow ? 9 : 10), 77}}));
  // In the goods-way economy the town's count follows the production.
  EXPECT_EQ(Cities[1].IndustryWeights[0],
            static_cast<uint32_t>(c.EconomyMode == 0 ? c.Expected : std::max(c.Production, 0)));
}

INSTANTIATE_TEST_SUITE_P(
    Development, IndustryResize,
    ::testing::Values(
        TIndustryCase{"GrowsByHalf", 0, 0, 10, 20, true, 30, 1.0L / 1.5L},
        TIndustryCase{"GrowsToTheBound", 0, 0, 10, 40, true, 50, 1.0L / 1.25L},
        // The simple economy with a flagged recipe: a bound of 24 x 5 / 10 = 12; 10 grows by 2.
        TIndustryCase{"GrowsByTwoToATenthBound", 1, 1, 24, 10, true, 12, 1.0L / (2.0L / 10.0L + 1.0L)},
        TIndustryCase{"FlagCountsOnlyInTheSimpleEconomy", 0, 1, 24, 10, true, 15, 1.0L / 1.5L},
        TIndustryCase{"DoesNotGrowAtTheBound", 0, 0, 10, 50, true, 50, 0.0L},
        TIndustryCase{"DoesNotGrowWithoutProduction", 0, 0, 10, 0, true, 0, 0.0L},
        TIndustryCase{"DoesNotReportGrowthOfNothing", 0, 0, 10, 1, true, 1, 0.0L},
        TIndustryCase{"ShrinksByAThird", 0, 0, 10, 30, false, 21, 1.0L / (1.0L - 9.0L / 30.0L)},
        TIndustryCase{"ShrinksToTheBound", 0, 0, 10, 7, false, 5, 1.0L / (1.0L - 2.0L / 7.0L)},
        TIndustryCase{"DoesNotShrinkAtTheBound", 0, 0, 10, 5, false, 5, 0.0L},
        TIndustryCase{"DoesNotShrinkBelowTheBoundUpward", 0, 0, 10, 3, false, 3, 0.0L},
        TIndustryCase{"DoesNotShrinkWithoutProduction", 1, 0, 10, 0, false, 0, 0.0L}),
    [](const ::testing::TestParamInfo<TIndustryCase>& info) { return std::string(info.param.Name); });

// A town street of two finished roads from (1000, 0, 1000) to (2000, 0, 1000), and an unconnected
// finished road from (1000, 0, 1300) to (1500, 0, 1300).
struct TSearchWorld {
  std::vector<uint32_t> Street;
  uint32_t Lonely = 0;
};

TSearchWorld BuildSearchWorld() {
  ActPlayer = 0;
  ActCity = 1;
  TSearchWorld world;
  const TVector street[] = {{1000, 0, 1000}, {1500, 0, 1000}, {2000, 0, 1000}};
  world.Street = sample_world::PlannedStreet(street, 3);
  const TVector lonely[] = {{1000, 0, 1300}, {1500, 0, 1300}};
  world.Lonely = sample_world::PlannedStreet(lonely, 2)[0];
  for (uint32_t way : {world.Street[0], world.Street[1], world.Lonely}) {
    TWay w{};
    w.A_Read(way);
    FinishWay(w);
    w.A_Overwrite();
  }
  ActPlayer = 1;
  ActCity = 0;
  return world;
}

TEST_F(Development, EachTownRoadGetsTheNearestMarketItCanReach) {
  const TSearchWorld world = BuildSearchWorld();
  HouseType(3, 0, 0, 1900, 2100, kBuildingEraAny, 10);
  // Nearest to the street but reached from no street road; a market without a building; the far
  // market at the street's second road.
  const uint32_t lonelyMarket = Market(Building(3, 1, world.Lonely, 2), Station({1250, 0, 1250}));
  const uint32_t empty = Market(0, Station({1250, 0, 1000}), 0);
  const uint32_t streetMarket = Market(Building(3, 1, world.Street[1], 2), Station({1750, 0, 1100}));
  for (int n = 0; n < 100; ++n) MarketSearchStep(MarketSearch);
  EXPECT_EQ(ReadWay(world.Street[0]).Market, streetMarket);
  EXPECT_EQ(ReadWay(world.Street[1]).Market, streetMarket);
  EXPECT_EQ(ReadWay(world.Lonely).Market, lonelyMarket);
  TPath path{};
  EXPECT_FALSE(IsMarketAccessible(MarketFinder, ReadWay(world.Street[0]), *ReadMarket(empty), path));
  EXPECT_TRUE(IsMarketAccessible(MarketFinder, ReadWay(world.Street[0]), *ReadMarket(streetMarket), path));
  EXPECT_FALSE(IsMarketAccessible(MarketFinder, ReadWay(world.Street[0]), *ReadMarket(lonelyMarket), path));
}

TEST_F(Development, AMarketWithMoreThanOneBuildingStopsTheSearch) {
  const TSearchWorld world = BuildSearchWorld();
  const uint32_t market = Market(Building(3, 1, world.Street[1], 2), Station({1750, 0, 1100}), 2);
  TPath path{};
  EXPECT_THAT(FatalOf([&] { IsMarketAccessible(MarketFinder, ReadWay(world.Street[0]), *ReadMarket(market), path); }),
              HasSubstr("ERROR: gp_Devolpment: TFindMarketForWay.IsMarketAccessible: Market has more than 1 "
                        "building! Bug or feature?"));
}

TEST_F(Development, TheSearchForgetsADeletedRoadOrBestMarket) {
  MarketSearch = {1, 5, 120.0f, 9, 12};
  ResetMarketSearchMarket(MarketSearch, 8);
  EXPECT_EQ(MarketSearch.BestMarket, 9u);
  ResetMarketSearchMarket(MarketSearch, 9);
  EXPECT_EQ(MarketSearch.BestMarket, 0u);
  EXPECT_EQ(MarketSearch.BestDistance, 5000.0f);
  EXPECT_EQ(MarketSearch.MarketCursor, 0u);
  ResetMarketSearchWay(MarketSearch, 4);
  EXPECT_EQ(MarketSearch.State, 1);
  ResetMarketSearchWay(MarketSearch, 5);
  EXPECT_EQ(MarketSearch.State, 0);
  // A road gone from the store without the reset ends its search instead of reading a free slot.
  MarketSearch = {1, 5, 120.0f, 0, 0};
  MarketSearchStep(MarketSearch);
  EXPECT_EQ(MarketSearch.State, 0);
  DevelopCity = {2, 7};
  ResetDevelopcity(DevelopCity);
  EXPECT_EQ(DevelopCity.State, 0);
  EXPECT_EQ(DevelopCity.City, 0);
}

TEST_F(Development, TheProcessRecordsArePartOfTheWorld) {
  ASSERT_TRUE(ResetSimulationWorld());
  const uint64_t fresh = WorldStateHash();
  StartWorldDevelopment();
  EXPECT_NE(WorldStateHash(), fresh);
  ResetWorldDevelopment();
  DevelopCity.City = 3;
  EXPECT_NE(WorldStateHash(), fresh);
  ASSERT_TRUE(ResetSimulationWorld());
  EXPECT_EQ(WorldStateHash(), fresh);
  EXPECT_EQ(UpdateBuildings.Speed, 0);
  step_hooks::DevelopmentTick();
  EXPECT_EQ(DevelopmentPhase, 1);
}

}  // namespace
