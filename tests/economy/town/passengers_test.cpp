// Passengers of the goods-way economy: the generator's batches and pauses, the schedules' stretches
// in the stations, the route builder's phases and search, and the resets by deleted ways and
// stations.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "economy/goods/handling.h"
#include "economy/town/passengers.h"
#include "engine/base/maths.h"
#include "engine/store/trainpool.h"
#include "tests/economy/goods/goods_fixture.h"
#include "tools/sample_world.h"

namespace {

using goods_testing::kCoal;
using goods_testing::Val;
using goods_testing::AddStretch;
using goods_testing::ChangeStation;
using goods_testing::ReadStation;
using goods_testing::kPassengers;

class Passengers : public goods_testing::GoodsTest {
 protected:
  void SetUp() override {
    GoodsTest::SetUp();
    InstallGoodsRecordHooks();
    ResetPassengers();
    GameSettings.EconomyMode = 0;
    GameSettings.Level = 3;
  }
  void TearDown() override {
    ResetPassengers();
    world_hooks::InstallDefaults();
    GoodsTest::TearDown();
  }

  // A passenger way of one stretch from Station, used.
  static uint32_t PsgrWayFrom(uint32_t station, float rate, float gather, uint8_t used = 1) {
    TPsgrWay p{};
    p.Init(rate);
    p.gather = gather;
    p.Used = used;
    p.PsgrStretchCounter = 1;
    TPsgrStretch s{};
    s.Station = station;
    p.Stretches[0] = s;
    p.A_Write();
    return p.Index;
  }
  static TPsgrWay ReadPsgrWay(uint32_t index) { return StoredRecord<TPsgrWay>(index); }
  static std::vector<TGood> OutGoods(uint32_t station) {
    auto s = ReadStation(station);
    std::vector<TGood> v;
    for (int k = 0; k < s->StationOutGoodsCounter; ++k) v.push_back(StoredRecord<TGood>(s->GoodsOut[k]));
    return v;
  }
  static void AddOut(uint32_t station, uint32_t good) {
    ChangeStation(station, [&](TStation& s) { s.GoodsOut[s.StationOutGoodsCounter++] = good; });
  }
  static std::vector<std::string> Stretches(uint32_t station) {
    auto s = ReadStation(station);
    std::vector<std::string> v;
    for (int k = 0; k < s->StationstretchCounter; ++k) {
      const TStationStretch e = s->Stretches[k];
      v.push_back(std::to_string(e.Station) + "/" + std::to_string(e.Schedule) + "/" + std::to_string(e.StopNumber));
    }
    return v;
  }
  // A street way at Position whose last upkeep pass counted the residents.
  static uint32_t Street(const TVector& position, std::initializer_list<int32_t> residents) {
    TWay w{};
    w.Init(0, 0);
    w.Position = position;
    int k = 0;
    for (int32_t r : residents) w.LastResidents[k++] = r;
    w.A_Write();
    return w.Index;
  }
  // A train whose one vehicle is of vehicle type 1, carrying the goods type.
  static uint32_t TrainCarrying(uint8_t goodType) {
    TVehicleCargo cargo;
    cargo.GoodsTypes[3] = goodType;
    SetVehicleCargo(VehicleTypes[1], cargo);
    TVehicle v{};
    v.VehicleType = 1;
    v.A_Write();
    const uint32_t t = NewTrain();
    TTrain& train = TrainByIndex(t);
    train.VBT_Type = kTrainRail;
    train.VehicleCount = 1;
    train.Vehicles[0] = v.Index;
    return t;
  }
  // A schedule over the stations whose stop k rides PathCost[k] at Share percent and takes
  // TimeToNext[k] ticks.
  static uint32_t Line(const std::vector<uint32_t>& stations, uint8_t share, float ride, int32_t ticks) {
    const uint32_t s = sample_world::ScheduleOf(stations, {});
    TSchedule sch = StoredRecord<TSchedule>(s);
    sch.SharePercent = share;
    for (size_t k = 0; k < stations.size(); ++k) {
      sch.Stops[k].PathCost = ride;
      sch.Stops[k].TimeToNext = ticks;
    }
    sch.A_Overwrite();
    return s;
  }
  // The first tick from kNow on whose skip count (HashRandom of Of) is N.
  static uint32_t TickSkipping(int32_t n, int32_t of) {
    for (uint32_t t = kNow;; ++t)
      if (HashRandom(static_cast<int32_t>(t), of) == n) return t;
  }
};

// ---- Generation

TEST_F(Passengers, AGatherAboveOneBoardsItsWholePassengersAndKeepsTheFraction) {
  struct Case {
    float Gather;        // before the step; the rate adds 0.1
    int32_t Boarded;     // 0: no batch
    float GatherAfter;
  } cases[] = {{0.9f, 0, 1.0f}, {0.91f, 1, 0.01f}, {2.95f, 3, 0.05f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Gather);
    ArrayerReset();
    ResetPassengers();
    const uint32_t station = Station({0, 0, 0});
    const uint32_t way = PsgrWayFrom(station, 1.0f, c.Gather);
    GeneratePassengers(PsgrGenerator);
    const TPsgrWay p = ReadPsgrWay(way);
    EXPECT_NEAR(p.gather, c.GatherAfter, 1e-5f);
    const std::vector<TGood> out = OutGoods(station);
    if (c.Boarded == 0) {
      EXPECT_TRUE(out.empty());
      EXPECT_EQ(Val(p.PsgrRefCount), 0u);
      continue;
    }
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(Val(out[0].GoodAmount), c.Boarded);
    EXPECT_EQ(Val(out[0].GoodType), kPassengers);
    EXPECT_EQ(Val(out[0].Goodsway), way);
    EXPECT_EQ(Val(out[0].GoodsWayEntry), 1);
    EXPECT_EQ(Val(out[0].GoodStartTime), kNow);
    EXPECT_EQ(Val(out[0].GoodReady), kNow);
    EXPECT_EQ(Val(p.PsgrRefCount), 1u);
  }
}

TEST_F(Passengers, OnlyABatchOfTheWayWithFewerThanFifteenIsToppedUp) {
  struct Case {
    int32_t Waiting;
    uint32_t Way;  // 0: the passenger way itself
    bool ToppedUp;
  } cases[] = {{14, 0, true}, {15, 0, false}, {3, 99, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Waiting);
    ArrayerReset();
    ResetPassengers();
    const uint32_t station = Station({0, 0, 0});
    const uint32_t way = PsgrWayFrom(station, 20.0f, 0.5f);  // 2.5: two board
    TPsgrWay p = ReadPsgrWay(way);
    p.PsgrRefCount = 1;
    p.A_Overwrite();
    AddOut(station, Good(kPassengers, c.Waiting, c.Way == 0 ? way : c.Way, kNow));
    GeneratePassengers(PsgrGenerator);
    const std::vector<TGood> out = OutGoods(station);
    if (c.ToppedUp) {
      ASSERT_EQ(out.size(), 1u);
      EXPECT_EQ(Val(out[0].GoodAmount), c.Waiting + 2);
      EXPECT_EQ(Val(ReadPsgrWay(way).PsgrRefCount), 1u);
    } else {
      ASSERT_EQ(out.size(), 2u);
      EXPECT_EQ(Val(out[0].GoodAmount), c.Waiting);
      EXPECT_EQ(Val(out[1].GoodAmount), 2);
      EXPECT_EQ(Val(ReadPsgrWay(way).PsgrRefCount), 2u);
    }
    EXPECT_NEAR(ReadPsgrWay(way).gather, 0.5f, 1e-5f);
  }
}

TEST_F(Passengers, APassOfFiftyWaysAStepPausesAThousandTicksAfterTheLastWay) {
  const uint32_t station = Station({0, 0, 0});
  std::vector<uint32_t> ways;
  for (int k = 0; k < 60; ++k) ways.push_back(PsgrWayFrom(station, 1.0f, 0.0f, k == 7 ? 0 : 1));
  GeneratePassengers(PsgrGenerator);
  EXPECT_EQ(Val(PsgrGenerator.Cursor), ways[49]);
  EXPECT_NEAR(ReadPsgrWay(ways[49]).gather, 0.1f, 1e-6f);
  EXPECT_EQ(Val(ReadPsgrWay(ways[50]).gather), 0.0f);
  EXPECT_EQ(Val(ReadPsgrWay(ways[7]).gather), 0.0f);  // unused: passed over
  GameTime = kNow + 1;
  GeneratePassengers(PsgrGenerator);  // the last ten and the end of the list
  EXPECT_EQ(Val(PsgrGenerator.Cursor), 0u);
  EXPECT_EQ(Val(PsgrGenerator.NextDue), kNow + 1 + 1000);
  EXPECT_NEAR(ReadPsgrWay(ways[59]).gather, 0.1f, 1e-6f);
  GameTime = kNow + 1000;
  GeneratePassengers(PsgrGenerator);
  EXPECT_NEAR(ReadPsgrWay(ways[0]).gather, 0.1f, 1e-6f);  // paused
  GameTime = kNow + 1001;
  GeneratePassengers(PsgrGenerator);
  EXPECT_NEAR(ReadPsgrWay(ways[0]).gather, 0.2f, 1e-6f);
  EXPECT_EQ(Val(PsgrGenerator.NextDue), kNow + 1001);
}

TEST_F(Passengers, NothingBoardsAFullStationAGoneStationOrTheSimpleEconomy) {
  const uint32_t full = Station({0, 0, 0});
  const uint32_t other = Good(kCoal, 1, 0, kNow);
  ChangeStation(full, [&](TStation& s) {
    for (int k = 0; k < 5000; ++k) s.GoodsOut[k] = other;
    s.StationOutGoodsCounter = 5000;
  });
  const uint32_t toFull = PsgrWayFrom(full, 5.0f, 0.9f);
  const uint32_t toNowhere = PsgrWayFrom(4321, 5.0f, 0.9f);
  GeneratePassengers(PsgrGenerator);
  EXPECT_EQ(Warnings(), std::vector<std::string>{"WARNING: Station " + std::to_string(full) +
                                                 " full! Could not generate passengers!"});
  EXPECT_NEAR(ReadPsgrWay(toFull).gather, 1.4f, 1e-5f);
  EXPECT_NEAR(ReadPsgrWay(toNowhere).gather, 1.4f, 1e-5f);
  EXPECT_EQ(Val(ReadPsgrWay(toFull).PsgrRefCount), 0u);

  ResetPassengers();
  GameSettings.EconomyMode = 1;
  GeneratePassengers(PsgrGenerator);
  EXPECT_NEAR(ReadPsgrWay(toFull).gather, 1.4f, 1e-5f);
}

TEST_F(Passengers, AnUnusuallyLargeBatchIsReportedWithTheWayAsStoredAndAsGenerated) {
  const uint32_t station = Station({0, 0, 0});
  const uint32_t way = PsgrWayFrom(station, 20000.0f, 0.5f);
  GeneratePassengers(PsgrGenerator);
  const std::vector<std::string> expected = {
      "Warning: gp_Passengers: The Amount of a Psgr is high!",
      "The TGood has following values:",
      "Index:         0",
      "GoodsWayEntry: 1",
      "GoodType:      3",
      "GoodAmount:    2000",
      "Goodsway:      " + std::to_string(way),
      "GoodStartTime: " + std::to_string(kNow),
      "GoodReady:     " + std::to_string(kNow),
      "The PsgrWay in Memory has following values:",
      "Index: " + std::to_string(way),
      "PsgrRefCount: 0",
      "PassengerspF: 20000.0000",
      "PsgrEndStation: 0",
      "gather: 0.5000",
      "Used: 1",
      "PsgrStretchCounter: 1",
      "The PsgrWay in this function has following values:",
      "Index: " + std::to_string(way),
      "PsgrRefCount: 1",
      "PassengerspF: 20000.0000",
      "PsgrEndStation: 0",
      "gather: 2000.5000",
      "Used: 1",
      "PsgrStretchCounter: 1"};
  EXPECT_EQ(Warnings(), expected);
  EXPECT_EQ(Val(OutGoods(station).at(0).GoodAmount), 2000);
}

// ---- Stretches

TEST_F(Passengers, AScheduleOfAPassengerTrainLeavesOneStretchPerStopOnce) {
  const uint32_t a = Station({0, 0, 0}), b = Station({1000, 0, 0}), c = Station({2000, 0, 0});
  const uint32_t line = sample_world::ScheduleOf({a, b, c}, {TrainCarrying(kPassengers)});
  AddStationStretches(line);
  AddStationStretches(line);
  const std::string l = std::to_string(line);
  EXPECT_EQ(Stretches(a), std::vector<std::string>{std::to_string(b) + "/" + l + "/1"});
  EXPECT_EQ(Stretches(b), std::vector<std::string>{std::to_string(c) + "/" + l + "/2"});
  EXPECT_EQ(Stretches(c), std::vector<std::string>{std::to_string(a) + "/" + l + "/3"});

  const uint32_t coal = sample_world::ScheduleOf({a, b}, {TrainCarrying(kCoal)});
  AddStationStretches(coal);
  EXPECT_EQ(Stretches(a).size(), 1u);
  EXPECT_TRUE(Warnings().empty());
}

TEST_F(Passengers, AStationAtTwentyStretchesWarnsForEachFurtherOneAndKeepsItsList) {
  const uint32_t full = Station({0, 0, 0}), almost = Station({500, 0, 0});
  const uint32_t b = Station({1000, 0, 0}), c = Station({2000, 0, 0});
  for (int k = 0; k < 20; ++k) AddStretch(full, 100 + k, 77, 1);
  for (int k = 0; k < 19; ++k) AddStretch(almost, 100 + k, 77, 1);
  const std::vector<std::string> before = Stretches(full);
  // The full station is called at twice: two stretches of the new schedule start there.
  const uint32_t line = sample_world::ScheduleOf({full, b, full, c, almost}, {TrainCarrying(kPassengers)});
  AddStationStretches(line);
  EXPECT_EQ(Stretches(full), before);
  EXPECT_EQ(Stretches(almost).size(), 20u);
  EXPECT_EQ(Stretches(almost).back(), std::to_string(full) + "/" + std::to_string(line) + "/5");
  const std::string f = "Warning: Station " + std::to_string(full), a = "Warning: Station " + std::to_string(almost);
  EXPECT_EQ(Warnings(), (std::vector<std::string>{f + "exceeded stretchlimit of 20.", f + "exceeded stretchlimit of 20.",
                                                  a + "reached stretchlimit of 20. Further stretches are ignored."}));
}

// ---- Routes

// Origin street O at (0, 0, 0) with station SO 300 away; destination street D 2100 away with
// station SD 100 from it; a line SO -> SD -> SO.
class PassengerRoutes : public Passengers {
 protected:
  void SetUp() override {
    Passengers::SetUp();
    origin = Street({0, 0, 0}, {600, 0, 0, 0, 0, 400});
    destination = Street({2100, 0, 0}, {50, 0, 0, 0, 0, 0});
    so = Station({300, 0, 0});
    sd = Station({2000, 0, 0});
    line = Line({so, sd}, 50, 400.0f, 500);
    AddStretch(so, sd, line, 1);
    AddStretch(sd, so, line, 2);
  }
  // Runs the builder from phase 0 at ticks whose skips take the first way as origin and, for the
  // near class, the way after the origin; Steps steps, the phases it went through.
  std::vector<uint32_t> Build(int steps = 7) {
    std::vector<uint32_t> phases;
    for (int k = 0; k < steps; ++k) {
      GameTime = PsgrRouteBuilder.Phase == 0 ? TickSkipping(1, 500) : TickSkipping(1, 200);
      UpdatePassengerRoutes(PsgrRouteBuilder);
      phases.push_back(PsgrRouteBuilder.Phase);
    }
    return phases;
  }
  uint32_t origin = 0, destination = 0, so = 0, sd = 0, line = 0;
};

TEST_F(PassengerRoutes, AnInhabitedStreetGetsTheRouteToAStreetOfTheNearClass) {
  EXPECT_EQ(Build(), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 0}));
  TWay w{};
  w.A_Read(origin);
  ASSERT_NE(Val(w.PsgrWays[0]), 0u);
  EXPECT_EQ(Val(w.PsgrWays[1]), 0u);
  EXPECT_EQ(Val(w.PsgrWays[2]), 0u);
  const TPsgrWay p = ReadPsgrWay(w.PsgrWays[0]);
  EXPECT_EQ(Val(p.Used), 1);
  EXPECT_FLOAT_EQ(p.PassengerspF, 1000 * 0.012f);  // level 3
  EXPECT_EQ(Val(p.PsgrEndStation), sd);
  ASSERT_EQ(Val(p.PsgrStretchCounter), 1);
  const TPsgrStretch s = p.Stretches[0];
  EXPECT_EQ(Val(s.Station), so);
  EXPECT_EQ(Val(s.Schedule), line);
  EXPECT_EQ(Val(s.StopNumber), 1);
  EXPECT_FLOAT_EQ(s.RideTime, 0.15f * (400.0f * 50.0f / 100.0f * 0.2f));
  // Walk 300, ride 40 and the boarding's 100, walk 100; cost 300 + 500 + 100 + 100.
  EXPECT_FLOAT_EQ(PsgrRouteBuilder.Slots[0].BestTime, 300.0f + 40.0f + 100.0f + 100.0f);
  EXPECT_EQ(Val(PsgrRouteBuilder.Slots[0].BestCost), 1000);
  // Poor (class 0) and military (class 5) people: their weights.
  EXPECT_FLOAT_EQ(PsgrRouteBuilder.TimeWeight, 1.0f + 0.5f * 0.6f);
  EXPECT_FLOAT_EQ(PsgrRouteBuilder.CostWeight, 1.0f + 0.3f * 0.4f);
}

TEST_F(PassengerRoutes, ABuildAgainReleasesTheOldRoutesAndLevelZeroMakesNone) {
  Build();
  TWay w{};
  w.A_Read(origin);
  const uint32_t first = w.PsgrWays[0];
  GameSettings.Level = 0;
  ResetPassengers();
  Build();
  w.A_Read(origin);
  EXPECT_EQ(Val(w.PsgrWays[0]), 0u);
  EXPECT_FALSE(ArrayerHolds(kTPsgrWayDesc, first));  // unused and without batches: gone
}

TEST_F(PassengerRoutes, AStreetWithoutStationsOrADestinationTooFarForItsClassGetsNoRoute) {
  // The destination's station moves out of its walk (2100 / 5 around it).
  ChangeStation(sd, [](TStation& s) { s.Position = {1500, 0, 0}; });
  const std::vector<uint32_t> phases = Build();
  EXPECT_EQ(phases[3], 4u);
  EXPECT_EQ(phases[4], 0u);  // no active class left
  TWay w{};
  w.A_Read(origin);
  EXPECT_EQ(Val(w.PsgrWays[0]), 0u);
}

// Two lines from SO: the direct one is slow; riding on over a middle station M on one line beats
// a change of lines there, and the route of the ride on carries its ride time on its last stretch.
TEST_F(PassengerRoutes, TheSearchRidesOnAlongALineAndPutsTheRideTimeOnItsLastStretch) {
  ChangeStation(so, [](TStation& s) { s.StationstretchCounter = 0; });
  const uint32_t m = Station({1000, 0, 500});
  const uint32_t through = Line({so, m, sd}, 100, 100.0f, 100);
  const uint32_t slow = Line({so, sd}, 100, 10000.0f, 10000);
  const uint32_t change = Line({m, sd}, 100, 100.0f, 100);
  AddStretch(so, sd, slow, 1);
  AddStretch(so, m, through, 1);
  AddStretch(m, sd, change, 1);   // a change of lines: 100 more
  AddStretch(m, sd, through, 2);  // riding on
  Build();
  TWay w{};
  w.A_Read(origin);
  ASSERT_NE(Val(w.PsgrWays[0]), 0u);
  const TPsgrWay p = ReadPsgrWay(w.PsgrWays[0]);
  ASSERT_EQ(Val(p.PsgrStretchCounter), 2);
  const TPsgrStretch first = p.Stretches[0], second = p.Stretches[1];
  EXPECT_EQ(Val(first.Station), so);
  EXPECT_EQ(Val(first.Schedule), through);
  EXPECT_EQ(Val(first.RideTime), 0.0f);
  EXPECT_EQ(Val(second.Station), m);
  EXPECT_EQ(Val(second.Schedule), through);
  EXPECT_EQ(Val(second.StopNumber), 2);
  EXPECT_FLOAT_EQ(second.RideTime, 0.15f * (20.0f + 20.0f));
  EXPECT_FLOAT_EQ(PsgrRouteBuilder.Slots[0].BestTime, 300.0f + 100.0f + 20.0f + 20.0f + 100.0f);
  EXPECT_EQ(Val(PsgrRouteBuilder.Slots[0].BestCost), 300 + 100 + 100 + 100 + 100);
}

// A route of three changes is not taken: with lines SO -> A, A -> B, B -> C, C -> SD only.
TEST_F(PassengerRoutes, ARouteOfMoreThanTwoChangesIsNotTaken) {
  ChangeStation(so, [](TStation& s) { s.StationstretchCounter = 0; });
  // Beyond a walk from the origin: the route starts at SO.
  const uint32_t a = Station({600, 0, 2000}), b = Station({1000, 0, 2000}), c = Station({1500, 0, 2000});
  const std::vector<uint32_t> hops = {so, a, b, c, sd};
  for (size_t k = 0; k + 1 < hops.size(); ++k) AddStretch(hops[k], hops[k + 1], Line({hops[k], hops[k + 1]}, 100, 1.0f, 1), 1);
  Build();
  TWay w{};
  w.A_Read(origin);
  EXPECT_EQ(Val(w.PsgrWays[0]), 0u);
  // One change fewer and the route is found.
  ResetPassengers();
  ChangeStation(a, [&](TStation& s) { s.StationstretchCounter = 0; });
  AddStretch(a, c, Line({a, c}, 100, 1.0f, 1), 1);
  Build();
  w.A_Read(origin);
  ASSERT_NE(Val(w.PsgrWays[0]), 0u);
  EXPECT_EQ(Val(ReadPsgrWay(w.PsgrWays[0]).PsgrStretchCounter), 3);
}

TEST_F(PassengerRoutes, ADeletedWayOrStationOfTheBuildStartsItAgain) {
  struct Case {
    const char* What;
    int Phases;  // builder steps before the deletion
    bool Way;    // a way, else a station
    int Which;   // 0 origin, 1 destination, 2 something else
    bool Restarts;
  } cases[] = {
      {"origin way, phase 3", 3, true, 0, true},       {"destination way, phase 4", 4, true, 1, true},
      {"another way, phase 4", 4, true, 2, false},     {"origin way, back at 0", 7, true, 0, false},
      {"origin station, phase 2", 2, false, 0, true},  {"destination station, phase 4", 4, false, 1, true},
      {"route station, phase 6", 6, false, 0, true},   {"another station, phase 6", 6, false, 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    ResetPassengers();
    Build(c.Phases);
    const uint32_t phase = PsgrRouteBuilder.Phase;
    if (c.Way) {
      RemoveFromPsgrRoutes(PsgrRouteBuilder, c.Which == 0 ? origin : c.Which == 1 ? destination : 999);
    } else {
      RemoveStationFromPsgrRoutes(PsgrRouteBuilder, c.Which == 0 ? so : c.Which == 1 ? sd : 999);
    }
    EXPECT_EQ(Val(PsgrRouteBuilder.Phase), c.Restarts ? 0u : phase);
  }
}

}  // namespace
