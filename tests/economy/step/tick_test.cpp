// The simulation step: the calendar, the order of its steps and their switches, the year's
// book-keeping, the announcements of new vehicle types and a world that stays as it was while the
// game does not run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "economy/messages/news.h"
#include "economy/messages/newspaper.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "engine/store/connectpool.h"
#include "engine/store/trainpool.h"
#include "engine/world/records.h"
#include "engine/world/train.h"
#include "engine/world/vehicle.h"
#include "tests/economy/economy_fixture.h"
#include "tests/support/test_support.h"

namespace {

using economy_test::EconomyTest;

std::vector<std::string> g_calls;

class SimulationStep : public EconomyTest {
 protected:
  void SetUp() override {
    EconomyTest::SetUp();
    step_hooks::InstallDefaults();
    g_calls.clear();
    GameRunning = 1;
    GameDay = 1;
    GameMonth = 1;
    GameYear = 1950;
  }
  void TearDown() override {
    step_hooks::InstallDefaults();
    ResetWorldState();
    EconomyTest::TearDown();
  }
};

TEST_F(SimulationStep, TheCalendar) {
  struct Case {
    const char* name;
    int32_t ticksPerDay;
    uint32_t time;
    int32_t day, month, year;
    uint32_t timeAfter;
    int32_t dayAfter, monthAfter, yearAfter;
    uint8_t newMonth, newYear;
  };
  const Case cases[] = {
      {"a day", 1, 10, 5, 3, 1950, 11, 6, 3, 1950, 0, 0},
      {"28.2 to 1.3", 1, 10, 28, 2, 1951, 11, 1, 3, 1951, 1, 0},
      {"31.1 to 1.2", 1, 10, 31, 1, 1951, 11, 1, 2, 1951, 1, 0},
      {"30.4 to 1.5", 1, 10, 30, 4, 1951, 11, 1, 5, 1951, 1, 0},
      {"31.12 to 1.1", 1, 10, 31, 12, 1951, 11, 1, 1, 1952, 1, 1},
      {"not yet a day", 10, 8, 5, 3, 1950, 9, 5, 3, 1950, 0, 0},
      {"the tenth tick", 10, 9, 5, 3, 1950, 10, 6, 3, 1950, 0, 0},
      {"no ticks per day", 0, 9, 5, 3, 1950, 10, 5, 3, 1950, 0, 0},
      {"negative ticks per day", -10, 9, 5, 3, 1950, 10, 5, 3, 1950, 0, 0},
      {"the counter's last tick", 7, kGameTimeLast - 1, 5, 3, 1950, kGameTimeLast, 5, 3, 1950, 0, 0},
      {"the wrap: 0 is a new day", 7, kGameTimeLast, 5, 3, 1950, 0, 6, 3, 1950, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameSettings.TicksPerDay = c.ticksPerDay;
    GameTime = c.time;
    GameDay = c.day;
    GameMonth = c.month;
    GameYear = c.year;
    NewMonth = NewYear = 1;
    GameplayTick();
    EXPECT_EQ(GameTime, c.timeAfter);
    EXPECT_EQ(GameDay, c.dayAfter);
    EXPECT_EQ(GameMonth, c.monthAfter);
    EXPECT_EQ(GameYear, c.yearAfter);
    EXPECT_EQ(NewMonth, c.newMonth);
    EXPECT_EQ(NewYear, c.newYear);
  }
  // The flags live for one tick.
  GameSettings.TicksPerDay = 10;
  GameTime = 10;
  GameplayTick();
  EXPECT_EQ(NewMonth + NewYear, 0);
}

TEST_F(SimulationStep, NothingMovesWhileTheGameDoesNotRun) {
  ASSERT_TRUE(ResetSimulationWorld());
  const uint64_t before = WorldStateHash();
  GameSettings.TicksPerDay = 1;
  for (int i = 0; i < 500; ++i) GameplayTick();
  GameSettings.TicksPerDay = 0;
  EXPECT_EQ(WorldStateHash(), before);
  // A running world changes it.
  GameRunning = 1;
  GameplayTick();
  EXPECT_NE(WorldStateHash(), before);
}

TEST_F(SimulationStep, TheYearEndsAfterDecembersBankStep) {
  GameSettings.Level = 2;
  GameSettings.TicksPerDay = 1;
  PlayerCount = 1;
  TYearFinance* years = Players[1].Finances;
  years[0].Year = 1950;
  years[0].Balance = 400000.0L;  // below the balance out of which credit is repaid
  years[0].Credit = 500.0f;
  years[0].WayValue = 77.0f;
  years[1].Year = 1949;
  years[3].Year = 1947;
  years[4].Year = 1946;
  GameDay = 31;
  GameMonth = 12;
  GameYear = 1950;
  GameplayTick();
  // December's interest stands in 1950's block, now the second.
  EXPECT_EQ(years[1].Year, 1950);
  EXPECT_GT(years[1].InterestIncome, 0.0f);
  EXPECT_FLOAT_EQ(years[1].WayValue, 77.0f);
  EXPECT_EQ(years[2].Year, 1949);
  EXPECT_EQ(years[4].Year, 1947);  // the oldest dropped
  EXPECT_EQ(years[0].Year, 1951);
  EXPECT_EQ(years[0].Balance.get(), years[1].Balance.get());
  EXPECT_EQ(years[0].Credit, 500.0f);
  EXPECT_EQ(years[0].InterestIncome, 0.0f);
  EXPECT_EQ(years[0].WayValue, 0.0f);  // recomputed from an empty store

  // On hold, neither the bank nor the year shift runs.
  EconomyHoldCount = 1;
  GameDay = 31;
  GameMonth = 12;
  GameplayTick();
  EXPECT_EQ(years[0].Year, 1951);
  EXPECT_EQ(years[1].Year, 1950);
}

TEST_F(SimulationStep, StepsRunInTheirOrderWhenSwitchedOn) {
  using namespace step_hooks;
  ProcessGoods = [] { g_calls.push_back("goods"); };
  PlaceTownBuildings = [] { g_calls.push_back("placement"); };
  DevelopmentTick = [] { g_calls.push_back("development"); };
  UpdateBuildingsTick = [] { g_calls.push_back("upkeep"); };
  UpdatePassengerRoutes = [] { g_calls.push_back("routes"); };
  GeneratePassengers = [] { g_calls.push_back("passengers"); };
  MoveAnimals = [] { g_calls.push_back("animals"); };
  ScheduleTick = [] { g_calls.push_back("schedules"); };
  MovePlanes = [] { g_calls.push_back("planes"); };
  UpdateParticles = [] { g_calls.push_back("particles"); };
  AwardPrizes = [] { g_calls.push_back("prizes"); };
  CheckWinConditions = [] { g_calls.push_back("win"); };
  MonthlyGoods = [] { g_calls.push_back("monthly goods"); };
  UpdateCityTraffic = [] { g_calls.push_back("traffic"); };
  PsgrGoodType = 1;
  GameSettings.TicksPerDay = 1;
  GameDay = 31;  // a new month in the first tick
  GameTime = 1;  // the first tick is even
  GameplayTick();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"monthly goods", "prizes", "win", "particles", "goods", "placement",
                                               "development", "upkeep", "routes", "passengers", "animals",
                                               "schedules", "planes", "traffic"}));
  struct Case {
    const char* name;
    int switchOff;  // -1 none
    uint8_t freeBuild, psgrType, economyMode;
    std::vector<std::string> calls;
  };
  const std::vector<std::string> vehicles = {"animals", "schedules", "planes"};
  const Case cases[] = {
      {"free build mode skips the processes", -1, 1, 1, 0, {"animals", "schedules", "planes", "traffic"}},
      {"no passenger goods", 3, 0, 0, 0, {"goods", "placement", "upkeep", "animals", "schedules", "planes", "traffic"}},
      {"the simple economy has no passengers", 7, 0, 1, 1, {"goods", "placement", "development", "upkeep", "traffic"}},
      {"city traffic needs both switches", 8, 1, 1, 0, vehicles},
      {"and the other", 5, 1, 1, 0, vehicles},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (auto& s : SimSwitches) s = 1;
    if (c.switchOff >= 0) SimSwitches[c.switchOff] = 0;
    FreeBuildMode = c.freeBuild;
    PsgrGoodType = c.psgrType;
    GameSettings.EconomyMode = c.economyMode;
    GameTime = 2;  // odd and within the month
    g_calls.clear();
    GameplayTick();
    EXPECT_EQ(g_calls, c.calls);
  }
}

TEST_F(SimulationStep, TrainsMoveAndATrainGoneDuringItsMoveIsLeftAlone) {
  using namespace step_hooks;
  static uint32_t doomed = 0;
  PrepareTrain = [](TTrain&, uint32_t index) { g_calls.push_back("prepare " + std::to_string(index)); };
  MoveOn = [](TTrain& t) {
    if (t.Index == doomed) {
      TDestroyResult r{};
      TTrain::Destroy(t.Index, 2, r);
      return true;
    }
    return t.Index == 1;
  };
  PlaceTrainVehicles = [](TTrain& t, uint8_t) { g_calls.push_back("place " + std::to_string(t.Index)); };
  WriteBackTrainVehicles = [](TTrain& t) { g_calls.push_back("write " + std::to_string(t.Index)); };
  ShiftTrainRevenue = [](TTrain& t) { g_calls.push_back("shift " + std::to_string(t.Index)); };
  // Empty trains: a slot taken again keeps what its last convoy left there.
  for (int i = 0; i < 3; ++i) {
    const uint32_t n = NewTrain();
    TrainByIndex(n) = TTrain{};
    TrainByIndex(n).Index = n;
    TrainByIndex(n).VBT_Type = kTrainRail;
  }
  doomed = 3;
  GameSettings.TicksPerDay = 1;
  GameDay = 31;
  GameMonth = 12;  // a new year
  GameplayTick();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"prepare 1", "place 1", "shift 1", "prepare 2", "write 2", "shift 2",
                                               "prepare 3"}));
  EXPECT_FALSE(IsTrainUsed(3));
}

TEST_F(SimulationStep, PropertiesAreRecomputedFromTheFinishedObjects) {
  PlayerCount = 2;
  const auto way = [](uint8_t owner, uint8_t use, uint8_t state, float length) {
    TWay w{};
    w.Init(use, 0);
    w.Owner = owner;
    w.State = state;
    w.ConnectionCounter = 2;
    for (int k = 0; k < 2; ++k) {
      TConnect c{};
      ClearConnect(c, 0);
      c.Position = {length * k, 0, 0};
      w.Connections[k] = AddConnect(c);
    }
    w.A_Write();
  };
  way(1, 0, 2, 100);  // road: 10 a unit
  way(1, 1, 3, 50);   // rail to be demolished: 15 a unit
  way(1, 0, 0, 400);  // planned: not counted
  way(2, 7, 2, 30);   // an unknown use: its value, no length
  way(0, 0, 2, 20);   // nobody's
  Players[1].Finances[0].RoadLength = 999;
  testing_support::Warnings().clear();
  RecalcPlayersProperties();
  const TYearFinance& one = Players[1].Finances[0];
  EXPECT_FLOAT_EQ(one.WayValue, 1000 + 750);
  EXPECT_FLOAT_EQ(one.RoadLength, 100);
  EXPECT_FLOAT_EQ(one.RailLength, 50);
  const TYearFinance& two = Players[2].Finances[0];
  EXPECT_FLOAT_EQ(two.RoadLength + two.RailLength, 0);
  const auto& w = testing_support::Warnings();
  EXPECT_EQ(std::count(w.begin(), w.end(), "ERROR: Gameplay: RecalcPlayersProperties: Unsuportet Way.Use!"), 1);
}

TEST_F(SimulationStep, NewVehicleTypesOfTheYearAreAnnounced) {
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(testing_support::MakeTempFolder("announce"));
  std::filesystem::create_directory("NewsPaper");
  // The news picks one of five items of each kind.
  std::string file = "[GENERAL]\r\nEVENTCOUNT=10\r\n";
  for (int i = 1; i <= 10; ++i) {
    const bool train = i <= 5;
    file += "[EV" + std::to_string(i) + "]\r\nEVENT=NEWVEHICLE-" + (train ? "TRAIN" : "VAN") +
            std::to_string(train ? i : i - 5) + "\r\nTEXTENGLISH=" + (train ? "Train" : "Van") +
            " %DATA3%\r\nWHERE=TICKER\r\n";
  }
  testing_support::WriteFileBytes("NewsPaper/NEWS.INI", file);
  SetNewsFile(kDefaultNewsFile);
  struct Type {
    const char* name;
    uint8_t kind;
    uint16_t year;
    uint8_t announced;
  };
  const Type types[] = {{"Rocket", 1, 1951, 1}, {"Lorry", 0, 1951, 1}, {"Quiet", 1, 1951, 0},
                        {"Later", 0, 1952, 1},  {"Blimp", 2, 1951, 1}};
  VehicleTypeCount = 5;
  for (int t = 1; t <= 5; ++t) {
    TVehicleType& v = VehicleTypes[t];
    const std::string name = types[t - 1].name;
    v.Bytes[0] = static_cast<uint8_t>(name.size());
    std::memcpy(v.Bytes + 1, name.data(), name.size());
    v.Bytes[kVehicleTypeKindOffset] = types[t - 1].kind;
    SetVehicleTypeStartYear(v, types[t - 1].year);
    v.Bytes[kVehicleTypeAnnounceOffset] = types[t - 1].announced;
  }
  GameYear = 1951;
  NewYear = 0;
  AnnounceVehicleTypes();  // only at a new year
  EXPECT_EQ(TickerLines.Count, 0);
  NewYear = 1;
  AnnounceVehicleTypes();
  std::vector<std::string> lines;
  for (int i = 0; i < TickerLines.Count; ++i) lines.push_back(TickerLines.Lines[i].str());
  // The names go through the translation, which marks the untranslated ones.
  EXPECT_EQ(lines, (std::vector<std::string>{"TRAIN !ROCKET!", "VAN !LORRY!"}));
  std::filesystem::current_path(previous);
}

TEST_F(SimulationStep, HooksStillAtTheirDefaultAreListed) {
  const std::vector<std::string> all = step_hooks::AtDefault();
  EXPECT_EQ(all.size(), 21u);
  step_hooks::MoveShip = [](uint32_t) {};
  const std::vector<std::string> rest = step_hooks::AtDefault();
  EXPECT_EQ(rest.size(), 20u);
  EXPECT_EQ(std::find(rest.begin(), rest.end(), "MoveShip"), rest.end());
  testing_support::Warnings().clear();
  step_hooks::WarnAtDefault();
  ASSERT_EQ(testing_support::Warnings().size(), 20u);
  EXPECT_EQ(testing_support::Warnings()[0], "WARNING: Simulation step: ProcessGoods is not installed");
}

}  // namespace
