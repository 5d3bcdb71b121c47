// Station stops and depots: measuring the leg at arrival, the first-arrival bonus, the platform
// delay, loading and the flags of a vehicle that left without load, the schedule path search (a
// train weighs the path on, a road convoy takes the first, reuse stays near the present path, at
// most 50 stop nodes are tried, slow searches are warned about), and depots taking convoys in,
// letting them through, keeping them and letting them out.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/world/building.h"
#include "engine/world/vehicletype.h"
#include "network/vehicles/depots.h"
#include "network/vehicles/stops.h"
#include "platform/platform.h"
#include "tests/network/vehicles/convoy_fixture.h"
#include "tests/support/test_support.h"

namespace {

using convoy_testing::FatalOf;
using convoy_testing::Value;

class Stops : public convoy_testing::ConvoyTest {
 protected:
  void SetUp() override {
    ConvoyTest::SetUp();
    testing_support::CaptureDebugger();
    GameTime = 10000;
    Events().clear();
    movement_hooks::RunBuildingEvent = [](int32_t event, int32_t, int32_t, int32_t, TBuilding& b, int32_t train,
                                          TDepot*) -> int32_t {
      Events().push_back({event, b.Index, static_cast<uint32_t>(train)});
      return 0;
    };
  }
  void TearDown() override {
    platform::SetDebuggerSink(nullptr);
    platform::SetTickSource(nullptr);
    stop_hooks::InstallDefaults();
    ConvoyTest::TearDown();
  }

  struct TEvent {
    int32_t Event;
    uint32_t Building, Train;
    bool operator==(const TEvent&) const = default;
  };
  static std::vector<TEvent>& Events() {
    static std::vector<TEvent> events;
    return events;
  }

  static uint32_t NewStation(float x) {
    auto s = std::make_unique<TStation>();
    s->Init(1, 0, {x, 0.0f, 0.0f});
    s->A_Write();
    return s->Index;
  }
  // The nodes become stop nodes of a way of the station.
  static void StopsOf(uint32_t station, std::initializer_list<uint32_t> nodes) {
    TWay w{};
    w.Init(1, kWaytypePlainRail);
    w.State = 2;
    w.Station = station;
    for (uint32_t n : nodes) w.Nodes[w.NodesCounter++] = n;
    w.A_Write();
    for (uint32_t n : nodes) {
      NodeByIndex(n).Way = w.Index;
      NodeByIndex(n).Flags |= kNodeFlagStation;
    }
  }
  // A calculated schedule over the stations with the train on it.
  static uint32_t Line(std::initializer_list<uint32_t> stations, uint32_t train) {
    const uint32_t index = sample_world::ScheduleOf(stations, {train});
    TSchedule s = Schedule(index);
    s.State = 1;
    s.A_Overwrite();
    return index;
  }
  static TSchedule Schedule(uint32_t index) {
    TSchedule s{};
    s.A_Read(index);
    return s;
  }
  static TPath StoredPath(uint32_t index) {
    auto p = std::make_unique<TPath>();
    p->A_Read(index);
    return *p;
  }
  static TDepot Depot(uint32_t index) {
    TDepot d{};
    d.A_Read(index);
    return d;
  }
};

TEST_F(Stops, TheFirstArrivalStoresTheLegAndLaterOnesAverageThreeToOne) {
  const uint32_t a = NodeAt(0, 0, 0), b = NodeAt(100, 0, 0);
  Link(a, b, 100);
  const uint32_t t = TrainBetween(a, b);
  const uint32_t x = NewStation(0), y = NewStation(1000);
  const uint32_t s = Line({x, y}, t);
  GameSettings.RailFirstArrivalBonus = 5000.0f;
  struct Leg {
    float distance;
    uint32_t ticks;
    float cost;
    int32_t time;
  };
  // Arrivals at halt 2 measure the leg of halt 1: first the leg itself, then (3 old + new) / 4 with
  // the time rounded toward zero.
  for (const Leg leg : {Leg{400.0f, 300, 400.0f, 300}, Leg{800.0f, 701, 500.0f, 400}, Leg{100.0f, 0, 400.0f, 300}}) {
    TTrain& train = TrainByIndex(t);
    train.CurrentStop = 2;
    train.DistanceSinceStop = leg.distance;
    train.LastStopTick = GameTime - leg.ticks;
    ArriveAtStation(train);
    const TScheduleStop stop = Schedule(s).Stops[0];
    EXPECT_FLOAT_EQ(stop.PathCost, leg.cost);
    EXPECT_EQ(stop.TimeToNext, leg.time);
    EXPECT_EQ(Value(train.State), kTrainUnloading);
    EXPECT_EQ(Value(train.Timer), GameTime + kStopHandlingDelay);
    EXPECT_EQ(Value(train.DistanceSinceStop), 0.0f);
    EXPECT_EQ(Value(train.LastStopTick), GameTime);
  }
  // The rail bonus went to player 1 once, as a prize.
  ASSERT_EQ(Bookings().size(), 3u * 2u + 1u);
  EXPECT_EQ(Bookings()[0].Amount, 5000.0f);
  EXPECT_EQ(Value(GameSettings.RailBonusTaker), 1);
  EXPECT_EQ(Value(Players[1].Finances[0].Prizes), 5000.0f);
  // A convoy out of a depot (route mode 1) measures nothing.
  TrainByIndex(t).ScheduleState = kRouteFromDepot;
  TrainByIndex(t).DistanceSinceStop = 9999.0f;
  ArriveAtStation(TrainByIndex(t));
  EXPECT_FLOAT_EQ(Schedule(s).Stops[0].PathCost, 400.0f);
  // Without an owner a convoy may not arrive.
  TrainByIndex(t).Owner = 0;
  EXPECT_EQ(FatalOf([&] { ArriveAtStation(TrainByIndex(t)); }),
            convoy_testing::Fatal("WARNING: Playernum must not be 0 here. Program terminates if not in debugmode."));
}

TEST_F(Stops, ATrainLongerThanItsPlatformWaitsTheDifferenceLonger) {
  // The locomotive and the wagon are 60 + 50 long; the wagon carries something.
  TVehicleTypeDriving wagon = VehicleTypeDriving(VehicleTypes[sample_world::kShuttleWagon]);
  wagon.WeightCapacity = 100;
  SetVehicleTypeDriving(VehicleTypes[sample_world::kShuttleWagon], wagon);
  struct Case {
    float platform;
    uint8_t kind;
    uint32_t delay;
  };
  for (const Case c : {Case{200.0f, kTrainRail, 100}, Case{100.0f, kTrainRail, 110}, Case{99.6f, kTrainRail, 110},
                       Case{100.0f, kTrainRoad, 100}}) {
    SCOPED_TRACE(c.platform);
    const uint32_t a = NodeAt(0, 0, 0), b = NodeAt(c.platform, 0, 0);
    Link(a, b, static_cast<int32_t>(c.platform));
    const uint32_t t = TrainBetween(a, b, c.kind);
    BuyVehicleForTrain(TrainByIndex(t), sample_world::kShuttleLocomotive);
    BuyVehicleForTrain(TrainByIndex(t), sample_world::kShuttleWagon);
    PrepareTrain(TrainByIndex(t), t);
    ArriveAtStation(TrainByIndex(t));
    EXPECT_EQ(Value(TrainByIndex(t).Timer), GameTime + c.delay);
    // Only the wagon has room: only its handling times are set.
    EXPECT_EQ(Vehicle(TrainByIndex(t).Vehicles[0]).LoadingEndTick, 0u);
    EXPECT_EQ(Vehicle(TrainByIndex(t).Vehicles[1]).LoadingEndTick, GameTime + kStopHandlingDelay);
  }
}

// A loading stop: the vehicles load through the goods hook, the halt moves on, the flag of a vehicle
// that loaded nothing is set and cleared again, and the convoy finds its path to the next halt.
TEST_F(Stops, LoadingMovesTheHaltOnAndFlagsAVehicleThatLeftWithoutLoad) {
  TVehicleTypeDriving wagon = VehicleTypeDriving(VehicleTypes[sample_world::kShuttleWagon]);
  wagon.WeightCapacity = 100;
  SetVehicleTypeDriving(VehicleTypes[sample_world::kShuttleWagon], wagon);
  const uint32_t a = NodeAt(0, 0, 0), b = NodeAt(1000, 0, 0), c = NodeAt(2000, 0, 0);
  Link(a, b, 1000);
  Link(b, c, 1000);
  Link(c, a, 5000);
  const uint32_t x = NewStation(0), y = NewStation(2000);
  StopsOf(x, {a});
  StopsOf(y, {c});
  const uint32_t t = TrainBetween(a, b);
  BuyVehicleForTrain(TrainByIndex(t), sample_world::kShuttleWagon);
  const uint32_t s = Line({x, y}, t);
  static int loads = 0;
  loads = 0;
  stop_hooks::LoadGoods = [](uint32_t (&goods)[100], uint8_t& count, uint8_t, uint16_t, uint8_t, uint32_t,
                             const TSchedule&, uint8_t stop, uint32_t& w, uint32_t&, uint32_t&, uint32_t& time) {
    EXPECT_EQ(stop, 1);
    if (loads++ == 1) goods[count++] = 77;  // the second stop finds something
    w = count * 50;
    time += 7;
  };
  for (const bool loaded : {false, true}) {
    SCOPED_TRACE(loaded);
    TTrain& train = TrainByIndex(t);
    train.CurrentStop = 1;
    train.ScheduleState = kRouteSchedule;
    PrepareTrain(train, t);
    FinishedUnloadingBeginLoading(train);
    EXPECT_EQ(Value(train.CurrentStop), 2);
    EXPECT_EQ(Value(train.State), kTrainLoading);
    EXPECT_EQ(Value(train.Timer), GameTime + kStopHandlingDelay + 7);
    EXPECT_EQ(Schedule(s).Stops[0].VehicleFlags[0], loaded ? 0 : 2);
    EXPECT_EQ(Vehicle(train.Vehicles[0]).LoadPercentage, loaded ? 50 : 0);
    EXPECT_EQ(Value(train.TargetStation), y);
    ASSERT_NE(Value(train.Path), 0u);
    EXPECT_EQ(StoredPath(train.Path).Nodes[0], c);
  }
  // Without a path on there is no loading: the convoy stands for 1000 ticks.
  NodeByIndex(c).Flags &= ~kNodeFlagStation;
  TrainByIndex(t).CurrentStop = 1;
  FinishedUnloadingBeginLoading(TrainByIndex(t));
  EXPECT_EQ(Value(TrainByIndex(t).State), kTrainStanding);
  EXPECT_EQ(Value(TrainByIndex(t).Timer), GameTime + kStopNothingToLoadWait);
  // The route modes that end in a fatal stop.
  TrainByIndex(t).ScheduleState = kRouteToDepot;
  EXPECT_EQ(FatalOf([&] { FinishedUnloadingBeginLoading(TrainByIndex(t)); }),
            convoy_testing::Fatal("Error: Train heading to depot has finished unloading???"));
  TrainByIndex(t).ScheduleState = kRouteStartSchedule;
  TrainByIndex(t).Schedule = 0;
  EXPECT_EQ(FatalOf([&] { FinishedUnloadingBeginLoading(TrainByIndex(t)); }),
            convoy_testing::Fatal("TTrain.FinishedUnloading_BeginLoading: Train tries to get a not existing Schedule!"));
}

// S branches to the two stop nodes A (near) and B (far) of station X; from B the next station Z is
// near, from A far. A train weighs the path on and takes B; a road convoy takes the first path, to A.
class SchedulePaths : public Stops {
 protected:
  void SetUp() override {
    Stops::SetUp();
    s = NodeAt(0, 0, 0);
    a = NodeAt(100, 0, 0);
    b = NodeAt(0, 0, 300);
    y = NodeAt(500, 0, 500);
    Link(s, a, 100);
    Link(s, b, 300);
    Link(a, y, 2000);
    Link(b, y, 10);
    Link(y, s, 5000);  // no dead ends: the search turns only at ways built with lanes
    x = NewStation(50);
    z = NewStation(500);
    StopsOf(x, {a, b});
    StopsOf(z, {y});
  }
  uint32_t Search(uint8_t kind, bool reuse = false, uint32_t presentCost = 0) {
    train = TrainBetween(s, a, kind);
    schedule = Line({x, z}, train);
    if (reuse) {
      auto p = std::make_unique<TPath>();
      p->Init(kind);
      p->Cost = presentCost;
      p->A_Write();
      TrainByIndex(train).Path = p->Index;
    }
    auto out = std::make_unique<TPath>();
    FindPathToSchedulestation(TrainByIndex(train), Schedule(schedule), 1, out.get(), true, reuse);
    result = *out;
    return out->Invalid == 0 ? out->Nodes[0] : 0;
  }
  uint32_t s = 0, a = 0, b = 0, y = 0, x = 0, z = 0, train = 0, schedule = 0;
  TPath result{};
};

TEST_F(SchedulePaths, ATrainWeighsThePathOnAndARoadConvoyTakesTheFirst) {
  EXPECT_EQ(Search(kTrainRail), b);
  EXPECT_EQ(Value(TrainByIndex(train).TargetStation), x);
  EXPECT_EQ(StoredPath(TrainByIndex(train).Path).Nodes[0], b);
  EXPECT_EQ(Search(kTrainRoad), a);
  EXPECT_EQ(StoredPath(TrainByIndex(train).Path).Nodes[0], a);
}

TEST_F(SchedulePaths, AReusedPathMayCostAtMost250MoreThanThePresentOne) {
  // The road convoy's path to A costs 300 (100 and the branch's 200).
  EXPECT_EQ(Search(kTrainRoad, true, 40), 0u);
  EXPECT_EQ(result.Invalid, 2);
  EXPECT_EQ(StoredPath(TrainByIndex(train).Path).Invalid, 2);  // the failure is stored
  EXPECT_EQ(Search(kTrainRoad, true, 100), a);
}

TEST_F(SchedulePaths, ASearchThatFindsNothingGivesAnEmptyFailedPathAndANewRecord) {
  for (uint32_t n : {a, b}) NodeByIndex(n).Flags &= ~kNodeFlagStation;
  EXPECT_EQ(Search(kTrainRail), 0u);
  EXPECT_EQ(result.Invalid, 2);
  EXPECT_EQ(result.PathNodeCounter, 0);
  ASSERT_NE(Value(TrainByIndex(train).Path), 0u);
  EXPECT_EQ(StoredPath(TrainByIndex(train).Path).Invalid, 2);
}

TEST_F(SchedulePaths, SlowSearchesAreWarnedAboutWithTheirTime) {
  struct Case {
    uint8_t kind;
    uint32_t ms;
    std::string warning;
  };
  static uint32_t step = 0, now = 0;
  platform::SetTickSource([] { return now += step; });
  for (const Case& c : {Case{kTrainRoad, 150, "Van "}, Case{kTrainRail, 101, "Train "}, Case{kTrainRail, 100, ""}}) {
    testing_support::Warnings().clear();
    // The clock is read when the search starts and when it ends; the trains' onward searches do not
    // read it.
    step = c.ms;
    Search(c.kind);
    if (c.warning.empty()) {
      EXPECT_TRUE(testing_support::Warnings().empty());
    } else {
      EXPECT_EQ(testing_support::Warnings(),
                std::vector<std::string>{c.warning + std::to_string(train) + " Pathfinding " + std::to_string(c.ms) +
                                         " ms"});
    }
  }
}

TEST_F(Stops, AtMostFiftyStopNodesAreTried) {
  // Sixty stop nodes in a row behind the start; the start carries a signal, so that every search
  // from it asks the block state there once.
  const uint32_t start = NodeAt(0, 0, 0);
  std::vector<uint32_t> row;
  uint32_t before = start;
  for (int k = 1; k <= 60; ++k) {
    const uint32_t n = NodeAt(10.0f * k, 0, 0);
    Link(before, n, 10);
    row.push_back(n);
    before = n;
  }
  Link(row.back(), row.front(), 10);
  const uint32_t station = NewStation(300), next = NewStation(5000);
  TWay w{};
  w.Init(1, kWaytypePlainRail);
  w.State = 2;
  w.Station = station;
  w.A_Write();
  for (uint32_t n : row) {
    NodeByIndex(n).Way = w.Index;
    NodeByIndex(n).Flags |= kNodeFlagStation;
  }
  NodeByIndex(start).Signal = 1;
  static int asked = 0;
  asked = 0;
  static uint32_t startNode = 0;
  startNode = start;
  path_hooks::BlockStateAtNode = [](uint32_t n) -> uint8_t {
    if (n == startNode) ++asked;
    return 0;
  };
  const uint32_t t = TrainBetween(start, row[0]);
  const uint32_t s = Line({station, next}, t);
  FindPathToSchedulestation(TrainByIndex(t), Schedule(s), 1, nullptr, true, false);
  EXPECT_EQ(asked, 50);
  // None leads on to the next station: the first one found is taken.
  EXPECT_EQ(StoredPath(TrainByIndex(t).Path).Nodes[0], row[0]);
}

// A rail depot of player 1: its capture node C on the way in, its exit node E on a finished way.
class Depots : public Stops {
 protected:
  void SetUp() override {
    Stops::SetUp();
    SetBuildingTypeUse(BuildingTypes[kDepotType], kBuildingKindDepot);
    SetBuildingTypeDepot(BuildingTypes[kDepotType], {.CaptureNode = 5, .ExitNode = 6, .Nirvana = 0});
    c = NodeAt(0, 0, 0, kNodeFlagCapture | kNodeFlagStation);
    e = NodeAt(100, 0, 0);
    after = NodeAt(200, 0, 0);
    Link(e, after, 100);
    exitWay = Way(kWaytypePlainRail, 1, {e, after, after, e}, false);
    TBuilding bu{};
    bu.Init(kDepotType, 1);
    bu.State = 2;
    bu.A_Write();
    building = bu.Index;
    TDepot d{};
    d.DepotKind = kDepotRail;
    d.ExitNode = e;
    d.Building = building;
    d.A_Write();
    depot = d.Index;
    bu.Depot = depot;
    bu.A_Overwrite();
    TWay in{};
    in.Init(1, kWaytypeBuildingWay);
    in.State = 2;
    in.Building = building;
    in.A_Write();
    NodeByIndex(c).Way = in.Index;
    NodeByIndex(c).Used = 5;
  }
  static TBuilding Building(uint32_t index) {
    TBuilding b{};
    b.A_Read(index);
    return b;
  }
  bool Capture(uint32_t train) {
    TDepot d = Depot(depot);
    return CaptureTrain(d, Building(building), train);
  }
  bool Release(uint32_t train) {
    TDepot d = Depot(depot);
    return ReleaseTrain(d, train);
  }
  static constexpr uint16_t kDepotType = 3;
  uint32_t c = 0, e = 0, after = 0, exitWay = 0, building = 0, depot = 0;
};

TEST_F(Depots, AConvoyWithoutScheduleOrHeadingHereStaysInside) {
  for (const uint8_t mode : {kRouteNone, kRouteToDepot}) {
    SCOPED_TRACE(int(mode));
    const uint32_t t = TrainBetween(NodeAt(-100, 0, 0), c);
    TrainByIndex(t).ScheduleState = mode;
    TrainByIndex(t).Speed = 2.0f;
    EXPECT_TRUE(Capture(t));
    const TDepot d = Depot(depot);
    EXPECT_EQ(d.TrainsInside[d.TrainInsideCounter - 1], t);
    EXPECT_EQ(d.TrainFlags[d.TrainInsideCounter - 1], 0);
    EXPECT_EQ(Value(TrainByIndex(t).Speed), 0.0f);
    EXPECT_EQ(Value(TrainByIndex(t).State), kTrainDriving);  // an ordinary depot keeps it on the track
  }
  EXPECT_TRUE(Events().empty());
}

TEST_F(Depots, AScheduledConvoyPassesAFreeDepotAndWaitsAtAnOccupiedOne) {
  const uint32_t x = NewStation(5000);
  const uint32_t t = TrainBetween(NodeAt(-100, 0, 0), c);
  Line({x, x}, t);
  EXPECT_FALSE(Capture(t));
  const TTrain& train = TrainByIndex(t);
  EXPECT_EQ(Value(train.CurrentNode), e);
  EXPECT_EQ(Value(train.NextNode), e);
  EXPECT_EQ(Value(train.State), kTrainDriving);
  EXPECT_EQ(Value(train.Speed), 1.0f);
  EXPECT_EQ(Value(train.ScheduleState), kRouteFromDepot);
  EXPECT_EQ(Depot(depot).TrainInsideCounter, 0);
  EXPECT_EQ(Events(), (std::vector<TEvent>{{kDepotEventReleased, building, t}}));

  // The exit block holds a train: the convoy stays and is marked to leave.
  TBlock block{};
  block.TrainCount = 1;
  block.Trains[0] = 999;
  block.A_Write();
  TWay w = ReadWay(exitWay);
  w.Block = block.Index;
  w.A_Overwrite();
  const uint32_t u = TrainBetween(NodeAt(-100, 0, 0), c);
  Line({x, x}, u);
  EXPECT_TRUE(Capture(u));
  const TDepot d = Depot(depot);
  ASSERT_EQ(d.TrainInsideCounter, 1);
  EXPECT_EQ(d.TrainFlags[0], kDepotMarkedToLeave);
  EXPECT_EQ(d.Flags & kDepotConvoyWaits, kDepotConvoyWaits);

  // Once the block is free the building tick lets it out; the waiting flag goes.
  block.TrainCount = 0;
  block.A_ReWrite();
  EXPECT_TRUE(Release(u));
  EXPECT_EQ(Depot(depot).TrainInsideCounter, 0);
  EXPECT_EQ(Depot(depot).Flags & kDepotConvoyWaits, 0);
  block.A_Read(block.Index);
  EXPECT_EQ(block.TrainCount, 1);  // counted into the exit block
}

TEST_F(Depots, TheHundredAndFirstConvoyDrivesOn) {
  TDepot d = Depot(depot);
  d.TrainInsideCounter = kDepotRoom;
  for (int i = 0; i < kDepotRoom; ++i) d.TrainsInside[i] = 5000 + i;
  d.A_ReWrite();
  const uint32_t t = TrainBetween(NodeAt(-100, 0, 0), c);
  TrainByIndex(t).Speed = 2.0f;
  EXPECT_FALSE(Capture(t));
  EXPECT_EQ(Depot(depot).TrainInsideCounter, kDepotRoom);
  EXPECT_EQ(Value(TrainByIndex(t).Speed), 2.0f);
}

TEST_F(Depots, ReleasingAConvoyThatIsNotInsideStillRunsTheEvent) {
  const TDepot before = Depot(depot);
  EXPECT_FALSE(Release(4242));
  EXPECT_EQ(Depot(depot).TrainInsideCounter, before.TrainInsideCounter);
  EXPECT_EQ(Events(), (std::vector<TEvent>{{kDepotEventReleased, building, 4242}}));
  // An unfinished building lets nothing out and runs nothing.
  Events().clear();
  TBuilding b = Building(building);
  b.State = 1;
  b.A_Overwrite();
  EXPECT_FALSE(Release(4242));
  EXPECT_TRUE(Events().empty());
}

TEST_F(Depots, ANirvanaDepotTakesTheConvoyOffTheTrack) {
  SetBuildingTypeDepot(BuildingTypes[kDepotType], {.CaptureNode = 5, .ExitNode = 6, .Nirvana = 1});
  const uint32_t t = TrainBetween(NodeAt(-100, 0, 0), c);
  BuyVehicleForTrain(TrainByIndex(t), sample_world::kShuttleWagon);
  TVehicle v = Vehicle(TrainByIndex(t).Vehicles[0]);
  v.Shown = 1;
  v.A_Overwrite();
  EXPECT_TRUE(Capture(t));
  const TTrain& train = TrainByIndex(t);
  EXPECT_EQ(Value(train.State), kTrainInDepot);
  EXPECT_EQ(Value(train.CurrentNode), 0u);
  EXPECT_EQ(Value(train.NextNode), 0u);
  EXPECT_EQ(Value(train.ClosingNode), 0u);
  EXPECT_EQ(Value(train.NodesAhead[0]), 0u);
  EXPECT_EQ(Vehicle(train.Vehicles[0]).Shown, 0);
}

TEST_F(Depots, ABuildingThatIsNoDepotMayNotCapture) {
  SetBuildingTypeUse(BuildingTypes[kDepotType], 0);
  const uint32_t t = TrainBetween(NodeAt(-100, 0, 0), c);
  EXPECT_EQ(FatalOf([&] { Capture(t); }),
            convoy_testing::Fatal("FATAL ERROR: A building which is no depot has tried to capture a train!"));
}

TEST_F(Depots, AConvoyHeadingForADepotFindsACaptureNodeOfItsOwner) {
  const uint32_t start = NodeAt(-200, 0, 0);
  Link(start, c, 200);
  Link(c, start, 200);
  const uint32_t t = TrainBetween(start, c);
  HeadForDepot(TrainByIndex(t));
  EXPECT_EQ(Value(TrainByIndex(t).ScheduleState), kRouteToDepot);
  EXPECT_EQ(Value(TrainByIndex(t).TargetStation), 0u);
  ASSERT_NE(Value(TrainByIndex(t).Path), 0u);
  EXPECT_EQ(StoredPath(TrainByIndex(t).Path).Invalid, 0);
  EXPECT_EQ(StoredPath(TrainByIndex(t).Path).Nodes[0], c);
  // Another player's depot is no target: the path fails with status 1.
  const uint32_t u = TrainBetween(start, c, kTrainRail, 2);
  HeadForDepot(TrainByIndex(u));
  EXPECT_EQ(StoredPath(TrainByIndex(u).Path).Invalid, 1);
}

}  // namespace
