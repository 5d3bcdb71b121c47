// The movement of convoys: acceleration and creeping, braking for the nearer stop, the head passing
// several nodes in one tick, signals, dead ends, hold nodes and depots, the town's cars at building
// nodes, the choice of link at a branch, the states of MoveOn, and turning at a dead end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/world/vehicletype.h"
#include "network/track/blocks.h"
#include "tests/network/vehicles/convoy_fixture.h"

namespace {

using convoy_testing::Fatal;
using convoy_testing::FatalOf;
using convoy_testing::Value;
using sample_world::kShuttleLocomotive;
using sample_world::kShuttleWagon;

std::vector<std::string>& Events() {
  static std::vector<std::string> events;
  return events;
}

class Movement : public convoy_testing::ConvoyTest {
 protected:
  void SetUp() override {
    ConvoyTest::SetUp();
    Events().clear();
  }

  // Vehicle type 9: of the given weight and power (scale 1), Axle long, top speed 3.
  static uint16_t LightType(int32_t weight, float power, float axle = 2.0f) {
    SetVehicleTypeDriving(VehicleTypes[9], {.AxleDistance = axle, .Power = power, .PowerScale = 1.0f, .MaxSpeed = 3.0f,
                                            .Weight = weight});
    return 9;
  }
  // A signal of the given lamp and one-way flag at the node, counted by no train.
  static void SignalAt(uint32_t node, uint8_t lamp, uint8_t oneWay) {
    TSignal s{};
    s.Lamp = lamp;
    s.OneWay = oneWay;
    s.Node = node;
    s.A_Write();
    NodeByIndex(node).Signal = s.Index;
  }
  // A building (of a type with a depot when asked) whose way the nodes lie on, each with its
  // number in the building from First on.
  static uint32_t BuildingUnder(std::initializer_list<uint32_t> nodes, uint8_t first, bool depot = false) {
    TBuilding b{};
    b.Init(1, 1);
    b.A_Write();
    if (depot) {
      TDepot d{};
      d.Building = b.Index;
      d.A_Write();
      b.Depot = d.Index;
      b.A_Overwrite();
    }
    TWay w{};
    w.Init(0, kWaytypeBuildingWay);
    w.State = 2;
    w.Building = b.Index;
    w.A_Write();
    for (uint32_t n : nodes) {
      NodeByIndex(n).Way = w.Index;
      NodeByIndex(n).Used = first++;
    }
    return b.Index;
  }
};

TEST_F(Movement, AConvoyTooWeakForItsSlopeCreepsUpToThreeTenths) {
  // A slope of 5: the locomotive's drive (2000) is below its grade (5 * 40000 / 50).
  const uint32_t a = NodeAt(0, 0, 0), b = NodeAt(100, 500, 0);
  Link(a, b, 510);
  const uint32_t t = TrainBetween(a, b);
  BuyVehicleForTrain(TrainByIndex(t), kShuttleLocomotive);
  TrainByIndex(t).TargetSpeed = NormalTargetSpeed(TrainByIndex(t));
  float highest = 0.0f;
  for (int i = 1; i <= 1200; ++i) {
    const float before = TrainByIndex(t).Speed;
    Tick(t);
    const float speed = TrainByIndex(t).Speed;
    if (before < 0.3f) {
      EXPECT_NEAR(speed - before, 0.0005f, 1e-6) << i;
    }
    if (i == 1) {
      // The creeping locomotive pays for 3 more than its speed.
      ASSERT_FALSE(Bookings().empty());
      EXPECT_FLOAT_EQ(Bookings().back().Amount, -(0.0005f + 3.0f) * 20.0f / 100.0f);
    }
    highest = std::max(highest, speed);
  }
  EXPECT_GE(highest, 0.3f);
  EXPECT_LT(highest, 0.3f + 0.0006f);
  EXPECT_EQ(TrainByIndex(t).State, kTrainDriving);
}

TEST_F(Movement, AccelerationOfWeightlessAndVerticalLinksAndItsFatalStop) {
  const uint32_t a = NodeAt(0, 0, 0), up = NodeAt(0, 50, 0), far = NodeAt(100, 100, 0);
  Link(a, up, 50);
  Link(a, far, 141);
  struct Case {
    uint32_t next;
    int32_t weight;
    float expected;
  };
  // Without weight the convoy counts as weighing 1; a link without ground length is flat.
  for (const Case c : {Case{up, 0, 10.0f}, Case{up, 1000, 0.01f}, Case{far, 1000, (10.0f - 1.0f * 1000 / 50) / 1000},
                       Case{a, 1000, 0.005f}}) {
    SCOPED_TRACE(c.next);
    const uint32_t t = TrainBetween(a, c.next);
    BuyVehicleForTrain(TrainByIndex(t), LightType(c.weight, 10.0f));
    EXPECT_FLOAT_EQ(Acceleration(TrainByIndex(t)), c.expected);
  }
  const uint32_t t = TrainBetween(a, far);
  TrainByIndex(t).MaxSpeed = 0.0f;
  EXPECT_EQ(FatalOf([&] { Acceleration(TrainByIndex(t)); }), Fatal("ERROR: MaxSpeed=0 in Train " + std::to_string(t)));
}

TEST_F(Movement, TheNearerOfTwoStopsSetsTheBrake) {
  const uint32_t a = NodeAt(0, 0, 0), b = NodeAt(100, 0, 0);
  Link(a, b, 100);
  const uint32_t t = TrainBetween(a, b);
  for (const auto& [first, second] : {std::pair{50.0f, 20.0f}, std::pair{20.0f, 50.0f}}) {
    TTrain& train = TrainByIndex(t);
    PrepareTrain(train, t);
    train.Speed = 2.0f;
    train.TargetSpeed = 2.4f;
    train.BrakeDeceleration = 0.0f;
    BrakeForStop(train, first, 0.0f);
    BrakeForStop(train, second, 0.0f);
    EXPECT_EQ(Value(train.TargetSpeed), 0.0f);
    EXPECT_FLOAT_EQ(Value(train.BrakeDeceleration), 2.0f / (20.0f / 2.0f));
  }
}

TEST_F(Movement, AHeadPassingSeveralNodesInOneTickMeetsAndEntersEachInTurn) {
  movement_hooks::RunBuildingEvent = [](int32_t event, int32_t number, int32_t, int32_t, TBuilding&, int32_t,
                                        TDepot*) {
    Events().push_back("event " + std::to_string(event) + " at " + std::to_string(number));
    return -1;
  };
  movement_hooks::LaneQueueUpdate = [](TTrain&, uint32_t node, uint8_t event) {
    Events().push_back("lane " + std::to_string(event) + " at " + std::to_string(NodeByIndex(node).Used));
  };
  std::vector<uint32_t> n;
  for (int i = 0; i < 5; ++i) n.push_back(NodeAt(static_cast<float>(i), 0, 0, i >= 1 && i <= 3 ? kNodeFlagScripted : 0));
  for (int i = 0; i + 1 < 5; ++i) Link(n[i], n[i + 1], 1);
  BuildingUnder({n[1], n[2], n[3]}, 2);
  const uint32_t t = TrainBetween(n[0], n[1], kTrainRoad);
  TrainByIndex(t).DistanceOnLink = 0.2f;
  TrainByIndex(t).Speed = 3.5f;
  TrainByIndex(t).TargetSpeed = 3.5f;
  Tick(t);
  EXPECT_EQ(Events(), (std::vector<std::string>{"event 3 at 2", "lane 0 at 2", "event 3 at 3", "lane 0 at 3",
                                                "event 3 at 4", "lane 0 at 4"}));
  EXPECT_EQ(Value(TrainByIndex(t).CurrentNode), n[3]);
  EXPECT_EQ(Value(TrainByIndex(t).NextNode), n[4]);
  EXPECT_NEAR(TrainByIndex(t).DistanceOnLink, 0.7f, 1e-5);
}

TEST_F(Movement, SignalsStopTrainsButATurningTrainPassesAOneWaySignal) {
  const uint32_t a = NodeAt(0, 0, 0), b = NodeAt(10, 0, 0), c = NodeAt(20, 0, 0);
  Link(a, b, 10);
  Link(b, c, 10);
  GameTime = 1000;
  struct Case {
    uint8_t lamp, oneWay, state;
    uint8_t result, stateAfter;
    uint32_t timer;
  };
  for (const Case k : {Case{0, 0, kTrainDriving, 1, kTrainStanding, 0},
                       Case{1, 1, kTrainDriving, 1, kTrainStanding, 1500},
                       Case{1, 1, kTrainTurning, 0, kTrainTurning, 0}, Case{1, 0, kTrainDriving, 0, kTrainDriving, 0}}) {
    SCOPED_TRACE(testing::Message() << int(k.lamp) << int(k.oneWay) << int(k.state));
    SignalAt(b, k.lamp, k.oneWay);
    const uint32_t t = TrainBetween(a, b);
    TTrain& train = TrainByIndex(t);
    train.State = k.state;
    train.Speed = 1.0f;
    EXPECT_EQ(TrainHeadBeforeNode(train, b), k.result);
    EXPECT_EQ(train.State, k.stateAfter);
    EXPECT_EQ(Value(train.Timer), k.timer);
    EXPECT_EQ(Value(train.Speed), k.result == 1 ? 0.0f : 1.0f);
    EXPECT_EQ(Value(train.BlockedSince), k.result == 1 ? GameTime : 0u);
  }
}

TEST_F(Movement, ATrainWaitingAtASignalIsWarnedAboutOnceAYear) {
  const uint32_t a = NodeAt(0, 0, 0), b = NodeAt(10, 0, 0);
  Link(a, b, 10);
  SignalAt(b, 0, 0);
  const std::string warning =
      "Missing Feature: gp_vehicles: Missing News: A train stands since 1 Year in one Block and can't leave it";
  // In the editors the year has no ticks: the warning comes every tick after the first.
  for (const int32_t year : {0, 100}) {
    SCOPED_TRACE(year);
    TicksPerYear = year;
    GameTime = 50;
    const uint32_t t = TrainBetween(a, b);
    testing_support::Warnings().clear();
    int warnings = 0;
    std::vector<uint32_t> warnedAt;
    for (int i = 0; i < 250; ++i, ++GameTime) {
      TrainHeadBeforeNode(TrainByIndex(t), b);
      if (testing_support::Warnings().size() > static_cast<size_t>(warnings)) {
        warnedAt.push_back(GameTime);
        warnings = static_cast<int>(testing_support::Warnings().size());
      }
    }
    ASSERT_FALSE(testing_support::Warnings().empty());
    EXPECT_EQ(testing_support::Warnings().front(), warning);
    if (year == 0) {
      EXPECT_EQ(warnedAt.size(), 249u);
    } else {
      EXPECT_EQ(warnedAt, (std::vector<uint32_t>{50 + 101, 50 + 202}));
    }
  }
}

TEST_F(Movement, DeadEndsAndHoldNodesSetTheirTimersOnce) {
  struct Case {
    uint8_t flags;
    bool way, next;
    uint32_t wait;
  };
  for (const Case c : {Case{0, true, false, 3000}, Case{0, false, false, 250}, Case{kNodeFlagHold, false, true, 2500}}) {
    SCOPED_TRACE(c.wait);
    GameTime = 100;
    const uint32_t a = NodeAt(0, 0, 0), b = NodeAt(10, 0, 0, c.flags);
    Link(a, b, 10);
    if (c.next) Link(b, NodeAt(20, 0, 0), 10);
    if (c.way) NodeByIndex(b).Way = Way(kWaytypePlainRail, 1, {NodeAt(50, 0, 50), NodeAt(50, 0, 60)}, false);
    const uint32_t t = TrainBetween(a, b);
    TrainByIndex(t).DistanceOnLink = 9.5f;
    TrainByIndex(t).Speed = 1.0f;
    TrainByIndex(t).TargetSpeed = 1.0f;
    Tick(t);
    EXPECT_EQ(TrainByIndex(t).State, kTrainStanding);
    EXPECT_EQ(Value(TrainByIndex(t).Speed), 0.0f);
    EXPECT_EQ(Value(TrainByIndex(t).Timer), 101 + c.wait);
    for (int i = 0; i < 10; ++i) Tick(t);
    EXPECT_EQ(Value(TrainByIndex(t).Timer), 101 + c.wait);  // not set again while it waits
    EXPECT_EQ(Value(TrainByIndex(t).CurrentNode), a);
  }
}

TEST_F(Movement, ATrainTurnsAtTheDeadEndOfItsLineWhenItsTimerIsDue) {
  const std::vector<uint32_t> ways = Rail({{1000, 1000}, {1500, 1000}, {2000, 1000}});
  const uint32_t t = TrainOn(ways[1], {kShuttleLocomotive, kShuttleWagon}, 450.0f);
  TWay last{};
  last.A_Read(ways[1]);
  GameTime = 10;
  Tick(t);  // it starts
  int ticks = 0;
  for (; TrainByIndex(t).State != kTrainStanding && ticks < 1000; ++ticks) Tick(t);
  ASSERT_EQ(Value(TrainByIndex(t).Timer), GameTime + 250);  // the end node carries no way
  for (; TrainByIndex(t).Timer != 0 && ticks < 2000; ++ticks) Tick(t);
  const TTrain& train = TrainByIndex(t);
  // On the opposite lane: a step of the turn made, standing.
  EXPECT_EQ(Value(train.CurrentNode), Value(last.Nodes[2]));
  EXPECT_EQ(Value(train.NextNode), Value(last.Nodes[1]));
  EXPECT_EQ(train.State, kTrainStanding);
  EXPECT_EQ(Value(train.Speed), 0.0f);
  EXPECT_EQ(Value(train.NodesAhead[0]), Value(last.Nodes[1]));
  EXPECT_EQ(Value(train.NodesAhead[1]), Value(last.Nodes[2]));
  TBlock block{};
  block.A_Read(last.Block);
  ASSERT_EQ(block.TrainCount, 1);
  EXPECT_EQ(Value(block.Trains[0]), t);
  // The next tick it drives off toward the line's start.
  Tick(t);
  EXPECT_EQ(train.State, kTrainDriving);

  // A block holding another train refuses the turn.
  const uint32_t other = TrainOn(ways[0], {kShuttleWagon}, 100.0f);
  const uint32_t second = TrainOn(ways[1], {kShuttleLocomotive}, 500.0f);
  ASSERT_NE(other, 0u);
  TrainByIndex(second).NextNode = last.Nodes[3];
  PrepareTrain(TrainByIndex(second), second);
  EXPECT_FALSE(TurnOnDeadEnd(TrainByIndex(second)));
  EXPECT_EQ(Value(TrainByIndex(second).CurrentNode), Value(last.Nodes[0]));
}

TEST_F(Movement, ATurnWhoseRearNeverClearsGivesUpAndRestoresTheTrain) {
  // A plain way whose lane 1 ends in a dead end at 100; the opposite lane runs 3 back to its end,
  // then 10 further to a node that is a dead end too, or that goes on.
  for (const bool goesOn : {false, true}) {
    SCOPED_TRACE(goesOn);
    const uint32_t n1 = NodeAt(0, 0, 0), n2 = NodeAt(97, 0, 0), n3 = NodeAt(100, 0, 0), n4 = NodeAt(100, 0, 0);
    Way(kWaytypePlainRail, 1, {n1, n2, n3, n4});
    const uint32_t d = NodeAt(87, 0, 0);
    Link(n2, d, 10);
    if (goesOn) Link(d, NodeAt(0, 0, 0), 87);
    const uint32_t t = TrainBetween(n1, n4);
    BuyVehicleForTrain(TrainByIndex(t), LightType(1000, 2000.0f, 0.5f));
    TTrain& train = TrainByIndex(t);
    train.State = kTrainStanding;
    train.DistanceOnLink = 100.0f;
    PrepareTrain(train, t);
    PlaceTrainVehicles(train, 0);
    const TTrain before = train;
    // In the first tick of a month: the steps of the turn book their distance, not the month again.
    NewMonth = 1;
    Bookings().clear();
    EXPECT_EQ(TurnOnDeadEnd(train), goesOn);
    NewMonth = 0;
    if (goesOn) {
      EXPECT_EQ(train.State, kTrainStanding);
      EXPECT_NE(Value(train.CurrentNode), n1);
    } else {
      // Stuck at the far dead end with its rear still on the lane after the turning node.
      EXPECT_EQ(std::memcmp(&train, &before, sizeof(TTrain)), 0);
      EXPECT_EQ(Bookings().size(), static_cast<size_t>(kMostTurnSteps));
    }
  }
}

TEST_F(Movement, ATownCarVanishesAtABuildingNode) {
  const uint32_t a = NodeAt(0, 0, 0), b = NodeAt(10, 0, 0, kNodeFlagBuilding), c = NodeAt(20, 0, 0);
  Link(a, b, 10);
  Link(b, c, 10);
  for (const uint8_t owner : {1, 0}) {
    SCOPED_TRACE(int(owner));
    const uint32_t t = TrainBetween(a, b, kTrainRoad, owner);
    BuyVehicleForTrain(TrainByIndex(t), kShuttleWagon);
    const uint32_t vehicle = TrainByIndex(t).Vehicles[0];
    TrainByIndex(t).DistanceOnLink = 9.5f;
    TrainByIndex(t).Speed = 1.0f;
    TrainByIndex(t).TargetSpeed = 1.0f;
    Tick(t);
    EXPECT_EQ(IsTrainUsed(t), owner != 0);
    EXPECT_EQ(ArrayerHolds(kTVehicleDesc, vehicle), owner != 0);
  }
}

TEST_F(Movement, ADepotTakesInAtItsCaptureNodeOnly) {
  const uint32_t a = NodeAt(0, 0, 0), b = NodeAt(10, 0, 0, kNodeFlagStation);
  Link(a, b, 10);
  BuildingUnder({b}, 6, true);
  movement_hooks::CaptureTrain = [](TDepot&, const TBuilding&, uint32_t train) {
    Events().push_back("captured " + std::to_string(train));
    return true;
  };
  const uint32_t t = TrainBetween(a, b);
  movement_hooks::CaptureNodeNumber = [](uint16_t) -> uint8_t { return 5; };
  EXPECT_EQ(FatalOf([&] { TrainHeadBeforeNode(TrainByIndex(t), b); }),
            Fatal("Error in TrainHeadBeforeNode: Bif-EnranceNode does not match with reality!"));
  movement_hooks::CaptureNodeNumber = [](uint16_t) -> uint8_t { return 6; };
  EXPECT_EQ(TrainHeadBeforeNode(TrainByIndex(t), b), 2);
  EXPECT_EQ(Events(), std::vector<std::string>{"captured " + std::to_string(t)});
}

TEST_F(Movement, TheLinkAtABranchNode) {
  const uint32_t r1 = NodeAt(0, 0, 0), r2 = NodeAt(10, 0, 10), r3 = NodeAt(10, 0, -10), r4 = NodeAt(0, 0, 5);
  Link(r1, r2, 14);
  Link(r1, r3, 14);
  const uint32_t t = TrainBetween(r4, r1);
  TTrain& train = TrainByIndex(t);
  // Two next links and no way; then a way of a type without branches.
  EXPECT_EQ(FatalOf([&] { GetHeadingnode(train, r1); }), Fatal("Error! Node " + std::to_string(r1) + " has 2 Next but no Way!"));
  const uint32_t plain = Way(kWaytypePlainRail, 1, {r1}, false);
  EXPECT_EQ(FatalOf([&] { GetHeadingnode(train, r1); }),
            Fatal("Error! Node " + std::to_string(r1) + " has 2 Next in Way " + std::to_string(plain)));
  // A router's centre at its first node follows its switch.
  TWay router{};
  router.A_Read(Way(kWaytypeRouter, 1, {r1}, false, 0, kRouterCentrePart));
  for (const uint8_t k : {1, 2}) {
    WaySwitch(router) = k;
    router.A_Overwrite();
    EXPECT_EQ(GetHeadingnode(train, r1), k == 1 ? r2 : r3);
  }
  // A building way asks its building's script.
  BuildingUnder({r1}, 3);
  movement_hooks::RunBuildingEvent = [](int32_t event, int32_t number, int32_t, int32_t, TBuilding&, int32_t,
                                        TDepot*) { return event == 1 && number == 3 ? 2 : 0; };
  EXPECT_EQ(GetHeadingnode(train, r1), r3);
  // A node not yet finished must not be entered.
  NodeByIndex(r1).Flags = 0;
  EXPECT_EQ(FatalOf([&] { GetHeadingnode(train, r1); }),
            Fatal("Node " + std::to_string(r1) + " id not ready. It must not have been entered!!"));
}

TEST_F(Movement, TheStatesOfAStandingLoadingAndWaitingConvoy) {
  movement_hooks::FinishedUnloadingBeginLoading = [](TTrain& t) { Events().push_back("unloaded " + std::to_string(t.Index)); };
  movement_hooks::FindPathToSchedulestation = [](TTrain& t, const TSchedule& s, uint8_t halt, TPath*, bool store,
                                                 bool reuse) {
    Events().push_back("path " + std::to_string(t.Index) + " " + std::to_string(s.Index) + " halt " +
                       std::to_string(halt) + (store ? " store" : "") + (reuse ? " reuse" : ""));
  };
  const uint32_t a = NodeAt(0, 0, 0), b = NodeAt(100, 0, 0);
  Link(a, b, 100);
  GameTime = 500;
  const uint32_t t = TrainBetween(a, b, kTrainRoad);
  TTrain& train = TrainByIndex(t);
  train.State = kTrainLoading;
  train.Timer = 600;
  EXPECT_FALSE(MoveOn(train));
  EXPECT_EQ(train.State, kTrainLoading);  // not yet due
  GameTime = 601;
  EXPECT_FALSE(MoveOn(train));
  EXPECT_EQ(train.State, kTrainStanding);
  EXPECT_EQ(Value(train.TargetSpeed), NormalTargetSpeed(train));

  train.State = kTrainUnloading;
  train.Timer = 600;
  EXPECT_FALSE(MoveOn(train));
  EXPECT_EQ(Events(), std::vector<std::string>{"unloaded " + std::to_string(t)});
  Events().clear();

  // Standing on the link, it starts; on a calculated schedule without a path it looks for one.
  const uint32_t s = sample_world::ScheduleOf({}, {t});
  TSchedule schedule{};
  schedule.A_Read(s);
  schedule.State = 1;
  schedule.A_Overwrite();
  train.State = kTrainStanding;
  train.CurrentStop = 2;
  EXPECT_TRUE(MoveOn(train));
  EXPECT_EQ(train.State, kTrainDriving);
  EXPECT_EQ(Events(), std::vector<std::string>{"path " + std::to_string(t) + " " + std::to_string(s) + " halt 2 store"});

  // A car waiting long at a crossing goes after 4500 ticks.
  GameTime = 10000;
  train.State = kTrainWaitingLong;
  train.Timer = GameTime - 4500;
  MoveOn(train);
  EXPECT_TRUE(IsTrainUsed(t));
  train.Timer = GameTime - 4501;
  EXPECT_FALSE(MoveOn(train));
  EXPECT_FALSE(IsTrainUsed(t));
}

}  // namespace
