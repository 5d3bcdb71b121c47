// Road traffic and routers: the light phases of X- and T-crossings, which movements a phase lets
// through, the crossing entry with and without lights, the town cars' links at a crossing, the lane
// queues and their ten places, keeping distance, taking a destroyed convoy out of the queues,
// setting a router along a path and the red signal behind it, and two convoys meeting at a lit
// crossing under the real movement.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/mesh/meshrecords.h"
#include "engine/store/recordstore.h"
#include "engine/world/vehicletype.h"
#include "network/construction/crossings.h"
#include "network/construction/curveline.h"
#include "network/construction/routers.h"
#include "network/track/trackfields.h"
#include "network/vehicles/traffic.h"
#include "tests/network/vehicles/convoy_fixture.h"

namespace {

using convoy_testing::Fatal;
using convoy_testing::FatalOf;
using convoy_testing::Value;

constexpr uint16_t kCar = 20;

// A built crossing: its centre and its arms by part number.
struct TBuiltCrossing {
  TWay Centre{};
  TWay Arms[5]{};
  uint32_t At(int position) const { return Centre.Nodes[position - 1]; }
};

std::vector<std::string>& Searches() {
  static std::vector<std::string> searches;
  return searches;
}

class Traffic : public convoy_testing::ConvoyTest {
 protected:
  void SetUp() override {
    ConvoyTest::SetUp();
    InstallTrafficHooks();
    TrafficLightPeriod = 40;
    for (int i = 0; i < 16; ++i) StandardTextures[i] = static_cast<uint16_t>(100 + i);
    SetVehicleTypeDriving(VehicleTypes[kCar], {.FrontLength = 1.0f, .AxleDistance = 8.0f, .RearLength = 1.0f,
                                               .Power = 400.0f, .PowerScale = 1.0f, .MaxSpeed = 2.0f, .Weight = 1000});
    Searches().clear();
  }
  void TearDown() override {
    traffic_hooks::InstallDefaults();
    train_hooks::RemoveTrainFromStreetBlocks = nullptr;
    ConvoyTest::TearDown();
  }

  // An X-crossing (4 arms) of the roads through (800, 1000) - (1200, 1000) and (1000, 1200) -
  // (1000, 800), or a T-crossing (3 arms, the stem from (1000, 1200)), built and finished.
  static TBuiltCrossing Crossing(uint8_t arms, bool lights = false) {
    auto curve = NewCurveline();
    const auto road = [](float x, float z) {
      TMetaconnect m{};
      m.Waytype = 0;
      m.Position = {x, 0.0f, z};
      return m;
    };
    const TMetaconnect points[4] = {road(800, 1000), road(1200, 1000), road(1000, 1200),
                                    arms == 4 ? road(1000, 800) : TMetaconnect{}};
    uint8_t swapped = 0;
    TConstructResult r;
    ConstructCrossing(*curve, arms, arms, swapped, points, {}, {}, 1, 1, r);
    EXPECT_TRUE(r.Ok()) << r.Elements();
    TBuiltCrossing c;
    for (uint32_t i = FindInArrayerBW(kARTypeWay, 0); i != 0; i = FindInArrayerBW(kARTypeWay, i)) {
      TWay w{};
      w.A_Read(i);
      if (WayPart(w) == kCrossingCentrePart) {
        c.Centre = w;
      } else if (WayPart(w) >= 1 && WayPart(w) <= 4) {
        c.Arms[WayPart(w)] = w;
      }
    }
    if (lights) {
      WayFlags(c.Centre) |= kWayTrafficLights;
      c.Centre.A_Overwrite();
    }
    return c;
  }

  // A convoy of the owner between the two nodes, driving, without vehicles.
  static uint32_t Convoy(uint32_t from, uint32_t to, uint8_t owner = 1) {
    const uint32_t t = TrainBetween(from, to, kTrainRoad, owner);
    TrainByIndex(t).MaxSpeed = 2.0f;
    return t;
  }
  // A road convoy of one car whose head stands Dist past From toward To, counted on the lane it is
  // on, its car placed.
  static uint32_t Car(uint32_t from, uint32_t to, float dist, uint8_t owner = 1) {
    const uint32_t t = TrainBetween(from, to, kTrainRoad, owner);
    TTrain& train = TrainByIndex(t);
    BuyVehicleForTrain(train, kCar);
    train.DistanceOnLink = dist;
    train.TargetSpeed = NormalTargetSpeed(train);
    LaneQueueUpdate(train, from, 0);
    PrepareTrain(train, t);
    PlaceTrainVehicles(train, 0);
    return t;
  }
  // A stored path of the nodes, from its end back to its start.
  static uint32_t PathOf(std::initializer_list<uint32_t> nodes, uint8_t invalid = 0) {
    auto p = std::make_unique<TPath>();
    p->Init(0);
    p->Invalid = invalid;
    for (uint32_t n : nodes) p->Nodes[p->PathNodeCounter++] = n;
    p->A_Write();
    return p->Index;
  }
  // The path the search finds from the node to the other, stored.
  static uint32_t PathBetween(uint32_t from, uint32_t to) {
    auto p = std::make_unique<TPath>();
    p->Init(0);
    NodeSearch(NodeTargetEvaluator, from, to, p.get());
    EXPECT_EQ(p->Invalid, 0);
    p->A_Write();
    return p->Index;
  }
  static TStreetBlock Queue(uint32_t way) {
    TStreetBlock q{};
    const TWay w = ReadWay(way);
    if (w.Block != 0) q.A_Read(w.Block);
    return q;
  }
  static std::vector<uint32_t> Side(const TStreetBlock& q, int side) {
    std::vector<uint32_t> list;
    for (int i = 0; i < (side == 0 ? q.Side0Count : q.Side1Count); ++i) list.push_back(side == 0 ? q.Side0[i] : q.Side1[i]);
    return list;
  }
};

// ---- Lights and phases

TEST_F(Traffic, TheLightsOfXAndTCrossingsRunThroughTheirPhasesOverAWholeCycle) {
  struct Case {
    int32_t time;
    uint8_t x, t;
  };
  for (const Case c : {Case{0, 1, 1}, Case{519, 1, 1}, Case{520, 3, 1}, Case{1039, 3, 1}, Case{1040, 4, 2},
                       Case{1559, 4, 2}, Case{1560, 2, 2}, Case{2079, 2, 2}, Case{2080, 5, 3}, Case{2599, 5, 3},
                       Case{2600, 6, 3}, Case{2999, 6, 3}, Case{3000, 1, 1}, Case{-1, 6, 3}}) {
    SCOPED_TRACE(c.time);
    EXPECT_EQ(GetTrafficLightStateAt(c.time, kWaytypeXCrossing), c.x);
    EXPECT_EQ(GetTrafficLightStateAt(c.time, kWaytypeTCrossing), c.t);
  }
  // The period scales the cycle; a period below 1 counts as the start-up period.
  TrafficLightPeriod = 2;
  EXPECT_EQ(GetTrafficLightStateAt(25, kWaytypeXCrossing), 1);
  EXPECT_EQ(GetTrafficLightStateAt(26, kWaytypeXCrossing), 3);
  for (const int32_t period : {0, -5}) {
    TrafficLightPeriod = period;
    EXPECT_EQ(GetTrafficLightStateAt(520, kWaytypeXCrossing), 3);
    EXPECT_EQ(GetTrafficLightStateAt(2600, kWaytypeXCrossing), 6);
  }
  EXPECT_EQ(FatalOf([] { GetTrafficLightStateAt(0, kWaytypeStreet); }),
            Fatal("Impossible waytype used for calling GetTrafficLightStateAt!"));
}

TEST_F(Traffic, EachPhaseOfAnXCrossingLetsThroughTheMovementsItsTableAllows) {
  const TBuiltCrossing x = Crossing(4);
  const TWay& c = x.Centre;
  struct Case {
    const char* name;
    std::vector<int> positions;  // the movement's nodes from its exit back to its entry
    const char* phases;          // phases 1..7: + passes, - waits
    uint8_t first;
  };
  const Case cases[] = {
      {"right from arm 1", {8, 1}, "+-+--+-", 1},
      {"straight from arm 1", {6, 14, 9, 1}, "+-+----", 1},
      {"left from arm 1 across 12", {4, 12, 9, 1}, "--+----", 3},
      {"straight from arm 3", {4, 12, 15, 7}, "-+---+-", 2},
      {"left from arm 3 across 10", {2, 10, 15, 7}, "-----+-", 6},
      {"straight from arm 4", {8, 16, 11, 3}, "-+--+--", 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const uint32_t entry = x.At(k.positions.back());
    const uint32_t t = Convoy(x.Arms[1].Nodes[0], entry);
    auto p = std::make_unique<TPath>();
    p->Init(0);
    p->Invalid = 0;
    for (int pos : k.positions) p->Nodes[p->PathNodeCounter++] = x.At(pos);
    p->Nodes[p->PathNodeCounter++] = x.Arms[1].Nodes[0];
    p->A_Write();
    TrainByIndex(t).Path = p->Index;
    std::string got;
    for (uint8_t phase = 1; phase <= 7; ++phase) got += PathLookAhead(phase, TrainByIndex(t), false, false, &c) ? '+' : '-';
    EXPECT_EQ(got, k.phases);
    EXPECT_EQ(FirstOpenPhase(TrainByIndex(t)), k.first);
    // Read from the entry's way without a crossing given: the same.
    EXPECT_EQ(PathLookAhead(k.first, TrainByIndex(t), false, false, nullptr), true);
  }
  // The forbidden inner nodes do not count when asked to ignore them: only the closed entries do.
  const uint32_t left = Convoy(x.Arms[1].Nodes[0], x.At(1));
  TrainByIndex(left).Path = PathOf({x.At(4), x.At(12), x.At(9), x.At(1)});
  EXPECT_FALSE(PathLookAhead(1, TrainByIndex(left), false, false, &c));
  EXPECT_TRUE(PathLookAhead(1, TrainByIndex(left), false, true, &c));
  EXPECT_FALSE(PathLookAhead(2, TrainByIndex(left), false, true, &c));
  // A phase that is not in the table lets nobody through.
  EXPECT_FALSE(PathLookAhead(0, TrainByIndex(left), false, true, &c));
  EXPECT_FALSE(PathLookAhead(8, TrainByIndex(left), false, true, &c));
}

TEST_F(Traffic, TheAllRedPhaseClosesEveryEntryOfAnXCrossing) {
  const TBuiltCrossing x = Crossing(4);
  for (int entry : {1, 3, 5, 7}) {
    SCOPED_TRACE(entry);
    const uint32_t t = Convoy(x.Arms[1].Nodes[0], x.At(entry), 0);  // a town car without path
    EXPECT_FALSE(PathLookAhead(7, TrainByIndex(t), false, true, &x.Centre));
    EXPECT_NE(FirstOpenPhase(TrainByIndex(t)), 0);
  }
}

TEST_F(Traffic, EachPhaseOfATCrossingLetsThroughTheMovementsItsTableAllows) {
  const TBuiltCrossing tc = Crossing(3);
  const TWay& c = tc.Centre;
  ASSERT_EQ(c.NodesCounter, 9);
  struct Case {
    const char* name;
    std::vector<int> positions;
    const char* phases;  // phases 1..4
    uint8_t first;
  };
  const Case cases[] = {
      {"straight from arm 1", {4, 9, 1}, "+---", 1},
      {"arm 2 into the stem across 7", {6, 7, 3}, "-+--", 2},
      {"the stem into arm 1 across 8", {2, 8, 5}, "--+-", 3},
      {"the stem into arm 2", {4, 5}, "-++-", 2},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    const uint32_t t = Convoy(tc.Arms[1].Nodes[0], tc.At(k.positions.back()));
    auto p = std::make_unique<TPath>();
    p->Init(0);
    p->Invalid = 0;
    for (int pos : k.positions) p->Nodes[p->PathNodeCounter++] = tc.At(pos);
    p->A_Write();
    TrainByIndex(t).Path = p->Index;
    std::string got;
    for (uint8_t phase = 1; phase <= 4; ++phase)
      got += PathLookAheadT(phase, TrainByIndex(t), false, false, &c) ? '+' : '-';
    EXPECT_EQ(got, k.phases);
    EXPECT_EQ(FirstOpenPhaseT(TrainByIndex(t)), k.first);
  }
}

TEST_F(Traffic, AConvoyWithoutPathIsJudgedByEitherLinkOfItsEntryAndAConvoyInsideByItsLastEntry) {
  const TBuiltCrossing x = Crossing(4);
  const TWay& c = x.Centre;
  // Entry 1 leads on to 9 (straight on) and 8 (right): phase 6 forbids 9, so only the right turn
  // lets the car through; phase 2 closes the entry.
  const uint32_t car = Convoy(x.Arms[1].Nodes[0], x.At(1), 0);
  EXPECT_TRUE(PathLookAhead(6, TrainByIndex(car), false, false, &c));
  EXPECT_FALSE(PathLookAhead(2, TrainByIndex(car), false, false, &c));
  // A convoy with a path that lacks the entry is judged by its first link only.
  TrainByIndex(car).Path = PathOf({x.Arms[2].Nodes[1]});
  EXPECT_FALSE(PathLookAhead(6, TrainByIndex(car), false, false, &c));

  // Inside the crossing on its left turn, between 9 and 12: from its history its entry is 1.
  const uint32_t inside = Convoy(x.At(9), x.At(12));
  TTrain& t = TrainByIndex(inside);
  t.NodesAhead[0] = x.At(12);
  t.NodesAhead[1] = x.At(9);
  t.NodesAhead[2] = x.At(1);
  t.Path = PathOf({x.At(4), x.At(12), x.At(9), x.At(1)});
  EXPECT_FALSE(PathLookAhead(1, t, true, false, &c));
  EXPECT_TRUE(PathLookAhead(3, t, true, false, &c));
}

// ---- Crossing entry

TEST_F(Traffic, AConvoyWhosePathCrossesAForbiddenInnerNodeWaitsAtAnOpenEntryUntilItsPhase) {
  const TBuiltCrossing x = Crossing(4, true);
  TWay c = x.Centre;
  const uint32_t id = Convoy(x.Arms[1].Nodes[0], x.At(1));
  TTrain& t = TrainByIndex(id);
  t.Path = PathOf({x.At(4), x.At(12), x.At(9), x.At(1)});
  t.Speed = 1.5f;
  GameTime = 100;  // phase 1: entry 1 open, 12 forbidden
  EXPECT_FALSE(CrossingEntry(t, c));
  EXPECT_EQ(t.State, kTrainWaiting);
  EXPECT_EQ(Value(t.Timer), 100u);
  EXPECT_EQ(Value(t.Speed), 0.0f);
  GameTime = 499;
  EXPECT_FALSE(CrossingEntry(t, c));
  EXPECT_EQ(t.State, kTrainWaiting);
  GameTime = 500;  // 400 ticks of waiting: waiting long, counted again from now
  EXPECT_FALSE(CrossingEntry(t, c));
  EXPECT_EQ(t.State, kTrainWaitingLong);
  EXPECT_EQ(Value(t.Timer), 500u);
  GameTime = 520;  // phase 3 lets the left turn through
  EXPECT_TRUE(CrossingEntry(t, c));
  EXPECT_EQ(t.State, kTrainDriving);
  EXPECT_EQ(Value(t.TargetSpeed), 2.5f);
  EXPECT_EQ(Value(t.Timer), 0u);
}

TEST_F(Traffic, UnderLightsAConvoyStillInsideTheCrossingKeepsOthersOut) {
  const TBuiltCrossing x = Crossing(4, true);
  // A convoy turning left from arm 1 stands between 9 and 12 when the lights turn to phase 2,
  // which forbids nothing it crosses but closes its entry: read from its history it is allowed
  // only by phases that open entry 1.
  const uint32_t inside = Convoy(x.At(9), x.At(12));
  TTrain& in = TrainByIndex(inside);
  in.NodesAhead[2] = x.At(1);
  in.Path = PathOf({x.At(4), x.At(12), x.At(9), x.At(1)});
  TStreetBlock q{};
  q.AddToSide(0, inside, true);
  q.A_Write();
  TWay c = x.Centre;
  c.Block = q.Index;
  c.A_Overwrite();
  // Straight on from arm 3 in phase 2 (1560..2079): its own movement is allowed, the one inside
  // is not.
  const uint32_t id = Convoy(x.Arms[3].Nodes[0], x.At(7));
  TrainByIndex(id).Path = PathOf({x.At(4), x.At(12), x.At(15), x.At(7)});
  GameTime = 1600;
  EXPECT_TRUE(PathLookAhead(2, TrainByIndex(id), false, false, &c));
  EXPECT_FALSE(CrossingEntry(TrainByIndex(id), c));
  // Once the crossing is empty it goes.
  c.Block = 0;
  c.A_Overwrite();
  q.Destroy();
  EXPECT_TRUE(CrossingEntry(TrainByIndex(id), c));
}

TEST_F(Traffic, WithoutLightsTheLongestWaitingConvoyPicksThePhase) {
  const TBuiltCrossing x = Crossing(4);
  TWay c = x.Centre;
  // No phase yet: the first convoy picks the first phase that lets it through.
  const uint32_t left = Convoy(x.Arms[1].Nodes[0], x.At(1));
  TrainByIndex(left).Path = PathOf({x.At(4), x.At(12), x.At(9), x.At(1)});
  GameTime = 1000;
  EXPECT_TRUE(CrossingEntry(TrainByIndex(left), c));
  EXPECT_EQ(WaySwitch(c), 3);
  EXPECT_EQ(WaySwitch(ReadWay(c.Index)), 3);

  // Phase 3 does not let arm 3 in: with the crossing occupied the convoy waits.
  const uint32_t a = Convoy(x.Arms[3].Nodes[0], x.At(7));
  TrainByIndex(a).Path = PathOf({x.At(4), x.At(12), x.At(15), x.At(7)});
  TStreetBlock q{};
  q.AddToSide(0, left, true);
  q.A_Write();
  c.Block = q.Index;
  c.A_Overwrite();
  GameTime = 1010;
  EXPECT_FALSE(CrossingEntry(TrainByIndex(a), c));
  EXPECT_EQ(TrainByIndex(a).State, kTrainWaiting);
  EXPECT_EQ(WaySwitch(c), 3);

  // Empty again: a convoy of arm 4 that waits since later than the one of arm 3 does not pick; the
  // one of arm 3 does, and its phase stays for the convoys it lets through.
  c.Block = 0;
  c.A_Overwrite();
  q.Destroy();
  const uint32_t b = Convoy(x.Arms[4].Nodes[0], x.At(3));
  TrainByIndex(b).Path = PathOf({x.At(8), x.At(16), x.At(11), x.At(3)});
  TrainByIndex(b).State = kTrainWaiting;
  TrainByIndex(b).Timer = 1050;
  for (const uint32_t t : {a, b}) {
    TWay arm = ReadWay(t == a ? x.Arms[3].Index : x.Arms[4].Index);
    TStreetBlock armQueue{};
    armQueue.AddToSide(1, t, true);
    armQueue.A_Write();
    arm.Block = armQueue.Index;
    arm.A_Overwrite();
  }
  GameTime = 1100;
  EXPECT_FALSE(CrossingEntry(TrainByIndex(b), c));
  EXPECT_EQ(WaySwitch(c), 3);
  EXPECT_TRUE(CrossingEntry(TrainByIndex(a), c));
  EXPECT_EQ(WaySwitch(c), 2);
  EXPECT_EQ(TrainByIndex(a).State, kTrainDriving);
  // Phase 2 lets arm 4 straight on too.
  EXPECT_TRUE(CrossingEntry(TrainByIndex(b), c));
  EXPECT_EQ(WaySwitch(c), 2);
}

TEST_F(Traffic, AFailedPathIsSearchedAgainWhenTheConvoyIsLetInAndAfterALongWait) {
  movement_hooks::FindPathToSchedulestation = [](TTrain& t, const TSchedule&, uint8_t, TPath*, bool store, bool) {
    Searches().push_back("search " + std::to_string(t.Index) + (store ? " store" : ""));
  };
  const TBuiltCrossing x = Crossing(4, true);
  TWay c = x.Centre;
  const uint32_t id = Convoy(x.Arms[3].Nodes[0], x.At(7));
  sample_world::ScheduleOf({}, {id});
  TTrain& t = TrainByIndex(id);
  t.Path = PathOf({x.At(4), x.At(12), x.At(15), x.At(7)}, 2);  // straight on: kept out until phase 2
  TStreetBlock q{};
  q.AddToSide(0, 999, true);  // a queue whose convoy is gone
  q.A_Write();
  c.Block = q.Index;
  c.A_Overwrite();
  GameTime = 0;  // phase 1 closes entry 7
  EXPECT_FALSE(CrossingEntry(t, c));
  GameTime = 400;
  EXPECT_FALSE(CrossingEntry(t, c));
  ASSERT_EQ(t.State, kTrainWaitingLong);
  GameTime = 1199;
  EXPECT_FALSE(CrossingEntry(t, c));
  EXPECT_TRUE(Searches().empty());
  GameTime = 1200;
  EXPECT_FALSE(CrossingEntry(t, c));
  EXPECT_EQ(Searches(), std::vector<std::string>{"search " + std::to_string(id) + " store"});
  // Let in after that long wait it is not searched once more; a convoy let in otherwise is.
  GameTime = 1560;
  EXPECT_TRUE(CrossingEntry(t, c));
  EXPECT_EQ(Searches().size(), 1u);
  t.State = kTrainDriving;
  EXPECT_TRUE(CrossingEntry(t, c));
  EXPECT_EQ(Searches().size(), 2u);
}

TEST_F(Traffic, ATownCarTurnsAwayFromAnInnerNodeThePhaseForbids) {
  const TBuiltCrossing x = Crossing(4);
  TWay c = x.Centre;
  const uint32_t car = Convoy(x.Arms[1].Nodes[0], x.At(1), 0);
  struct Case {
    uint8_t phase;
    int node, k, to;
  };
  // Entry 1 leads to 9 (link 1) and 8 (link 2); inner node 9 to 14 (link 1) and 12 (link 2).
  for (const Case k : {Case{0, 1, 1, 9}, Case{6, 1, 1, 8}, Case{6, 1, 2, 8}, Case{1, 1, 1, 9}, Case{1, 9, 2, 14},
                       Case{1, 9, 1, 14}, Case{3, 9, 2, 12}, Case{9, 1, 1, 9}}) {
    SCOPED_TRACE(testing::Message() << int(k.phase) << " " << k.node << " " << k.k);
    WaySwitch(c) = k.phase;
    EXPECT_EQ(TownCarCrossingLink(TrainByIndex(car), x.At(k.node), c, static_cast<uint8_t>(k.k)), x.At(k.to));
  }
}

// ---- Lane queues

TEST_F(Traffic, TheLanesOfAStreetAreQueuedFromTheHeadEnteringToTheTailLeaving) {
  const uint32_t n1 = NodeAt(0, 0, 0), n2 = NodeAt(0, 0, 10), n3 = NodeAt(100, 0, 10), n4 = NodeAt(100, 0, 0);
  const uint32_t w = Way(kWaytypeStreet, 0, {n1, n2, n3, n4});
  const uint32_t n5 = NodeAt(200, 0, 0);
  const uint32_t next = Way(kWaytypeStreet, 0, {n4, NodeAt(100, 0, 10), NodeAt(200, 0, 10), n5}, false);
  Link(n4, n5, 100);
  const uint32_t a = Convoy(n1, n4), b = Convoy(n3, n2);
  LaneQueueUpdate(TrainByIndex(a), n1, 0);
  LaneQueueUpdate(TrainByIndex(b), n3, 0);
  LaneQueueUpdate(TrainByIndex(a), n4, 0);  // its head enters the next way's lane
  EXPECT_EQ(Side(Queue(w), 1), std::vector<uint32_t>{a});
  EXPECT_EQ(Side(Queue(w), 0), std::vector<uint32_t>{b});
  EXPECT_EQ(Side(Queue(next), 1), std::vector<uint32_t>{a});
  // Its tail leaves the first way at n4 (the node before it on its history is n1).
  TTrain& t = TrainByIndex(a);
  t.NodesAhead[0] = n5;
  t.NodesAhead[1] = n4;
  t.NodesAhead[2] = n1;
  LaneQueueUpdate(t, n4, 2);
  EXPECT_TRUE(Side(Queue(w), 1).empty());
  const uint32_t block = ReadWay(w).Block;
  LaneQueueUpdate(TrainByIndex(b), n2, 2);
  EXPECT_EQ(Value(ReadWay(w).Block), 0u);  // emptied: the queue left the store
  EXPECT_FALSE(ArrayerHolds(kTStreetBlockDesc, block));
  // A node without a way that is finished changes nothing.
  NodeByIndex(n3).Flags = 0;
  LaneQueueUpdate(TrainByIndex(b), n3, 0);
  EXPECT_EQ(Value(ReadWay(w).Block), 0u);
}

TEST_F(Traffic, ALaneTakesTenConvoysAndALeftOutConvoyStillTurnsAtItsDeadEnd) {
  const uint32_t n1 = NodeAt(0, 0, 0), n2 = NodeAt(0, 0, 10), n3 = NodeAt(100, 0, 10), n4 = NodeAt(100, 0, 0);
  const uint32_t w = Way(kWaytypeStreet, 0, {n1, n2, n3, n4});
  std::vector<uint32_t> convoys;
  for (int i = 0; i < 11; ++i) {
    convoys.push_back(Convoy(n1, n4));
    LaneQueueUpdate(TrainByIndex(convoys.back()), n1, 0);
  }
  const std::vector<uint32_t> ten(convoys.begin(), convoys.begin() + 10);
  EXPECT_EQ(Side(Queue(w), 1), ten);
  // The eleventh stands at the dead end n4, out of the queue: it counts as standing on its own lane
  // and turns onto the empty other one.
  TTrain& last = TrainByIndex(convoys.back());
  last.State = kTrainStanding;
  last.DistanceOnLink = 100.0f;
  PrepareTrain(last, convoys.back());
  EXPECT_TRUE(TurnOnDeadEnd(last));
  EXPECT_EQ(Value(last.CurrentNode), n3);
  EXPECT_EQ(Side(Queue(w), 0), std::vector<uint32_t>{convoys.back()});
  EXPECT_EQ(Side(Queue(w), 1), ten);
  // One of the ten cannot turn while the other lane is taken.
  TTrain& first = TrainByIndex(convoys.front());
  first.State = kTrainStanding;
  PrepareTrain(first, convoys.front());
  EXPECT_FALSE(TurnOnDeadEnd(first));
}

TEST_F(Traffic, ACrossingQueuesItsConvoysFromTheEntryToTheExit) {
  const TBuiltCrossing x = Crossing(4);
  const uint32_t id = Convoy(x.At(1), x.At(9));
  TTrain& t = TrainByIndex(id);
  LaneQueueUpdate(t, x.At(1), 0);
  LaneQueueUpdate(t, x.At(9), 0);  // an inner node adds nothing
  EXPECT_EQ(Side(Queue(x.Centre.Index), 0), std::vector<uint32_t>{id});
  // The tail leaves inner node 14: still inside; then exit 6: out.
  t.NodesAhead[0] = x.At(6);
  t.NodesAhead[1] = x.At(14);
  t.NodesAhead[2] = x.At(9);
  t.NodesAhead[3] = x.At(1);
  LaneQueueUpdate(t, x.At(14), 2);
  EXPECT_EQ(Side(Queue(x.Centre.Index), 0), std::vector<uint32_t>{id});
  LaneQueueUpdate(t, x.At(6), 2);
  EXPECT_EQ(Value(ReadWay(x.Centre.Index).Block), 0u);
}

TEST_F(Traffic, ADestroyedConvoyLeavesTheQueuesOfTheWaysUnderIt) {
  // Three streets in a row; the convoy's head is on the third, its tail on the second.
  std::vector<uint32_t> ends{NodeAt(0, 0, 0)};
  std::vector<uint32_t> ways;
  for (int i = 1; i <= 3; ++i) {
    const uint32_t end = NodeAt(100.0f * i, 0, 0);
    ways.push_back(Way(kWaytypeStreet, 0, {ends.back(), NodeAt(100.0f * (i - 1), 0, 10), NodeAt(100.0f * i, 0, 10), end}));
    ends.push_back(end);
  }
  const uint32_t other = Convoy(ends[0], ends[1]);
  LaneQueueUpdate(TrainByIndex(other), ends[0], 0);
  const uint32_t id = Convoy(ends[2], ends[3]);
  LaneQueueUpdate(TrainByIndex(id), ends[1], 0);
  LaneQueueUpdate(TrainByIndex(id), ends[2], 0);
  // The walk ends at the first way, whose queue does not hold it.
  TDestroyResult r{};
  TTrain::Destroy(id, kDestroyForced, r);
  EXPECT_EQ(Value(ReadWay(ways[1]).Block), 0u);
  EXPECT_EQ(Value(ReadWay(ways[2]).Block), 0u);
  EXPECT_EQ(Side(Queue(ways[0]), 1), std::vector<uint32_t>{other});
}

// ---- Keeping distance

TEST_F(Traffic, AFollowingCarStopsBehindTheCarAheadOnItsLane) {
  const uint32_t n1 = NodeAt(0, 0, 0), n2 = NodeAt(0, 0, 10), n3 = NodeAt(1000, 0, 10), n4 = NodeAt(1000, 0, 0);
  Way(kWaytypeStreet, 0, {n1, n2, n3, n4}, true, 1000);
  const uint32_t ahead = Car(n1, n4, 400.0f);
  const uint32_t behind = Car(n1, n4, 100.0f);
  TrainByIndex(ahead).State = kTrainIdle;  // it stands still
  TrainByIndex(behind).Speed = 1.5f;
  // The car ahead does not brake for the one behind it.
  {
    TTrain& a = TrainByIndex(ahead);
    PrepareTrain(a, ahead);
    a.Speed = 1.5f;
    const float target = a.TargetSpeed;
    KeepDistance(a);
    EXPECT_EQ(Value(a.TargetSpeed), target);
    a.Speed = 0.0f;
  }
  for (int i = 0; i < 1000; ++i) {
    Tick(behind);
    Step(ahead);
  }
  const TTrain& b = TrainByIndex(behind);
  EXPECT_EQ(Value(b.Speed), 0.0f);
  const TVehicle rear = Vehicle(TrainByIndex(ahead).Vehicles[0]);
  const float gap = rear.BackDistance - 1.0f - b.DistanceOnLink;  // its rear end to the follower's head
  EXPECT_GT(gap, 0.0f);
  EXPECT_LT(gap, 25.0f);
  EXPECT_GE(gap, 19.0f);
}

// ---- Routers

class RouterSwitching : public Traffic {
 protected:
  void SetUp() override {
    Traffic::SetUp();
    movement_hooks::FindPathToSchedulestation = [](TTrain& t, const TSchedule&, uint8_t, TPath* out, bool store,
                                                   bool reuse) {
      Searches().push_back(std::string(store ? "store" : "keep") + (reuse ? " reuse" : ""));
      if (out != nullptr && Alternative() != 0) {
        out->A_Read(Alternative());
        out->Index = 0;
      }
      (void)t;
    };
    Alternative() = 0;
    auto curve = NewCurveline();
    const auto rail = [](float x, float z) {
      TMetaconnect m{};
      m.Waytype = 1;
      m.Position = {x, 0.0f, z};
      return m;
    };
    TConstructResult r;
    // The branch leaves 30 along, turned 16 degrees toward +z; its target lies 190 along that line.
    const float turn = kBranchTurn;
    ConstructWay(*curve, kWaytypeRail, rail(1000, 1000), rail(1200, 1000),
                 rail(1030.0f + 190.0f * std::cos(turn), 1000.0f + 190.0f * std::sin(turn)), {}, 0, 1, 1, r);
    ASSERT_TRUE(r.Ok()) << r.Elements();
    for (uint32_t i = FindInArrayerBW(kARTypeWay, 0); i != 0; i = FindInArrayerBW(kARTypeWay, i)) {
      const TWay w = ReadWay(i);
      if (w.Waytype != kWaytypeRouter) continue;
      if (WayPart(w) == kRouterCentrePart) centre_ = w;
      if (WayPart(w) >= 1 && WayPart(w) <= 3) legs_[WayPart(w) - 1] = w;
    }
    train_ = Convoy(legs_[0].Nodes[0], legs_[0].Nodes[3]);
    TrainByIndex(train_).VBT_Type = kTrainRail;
    TSchedule s{};
    s.A_Read(sample_world::ScheduleOf({}, {train_}));
    s.State = 1;  // calculated
    s.A_Overwrite();
  }
  static uint32_t& Alternative() {
    static uint32_t path = 0;
    return path;
  }
  // The path from leg 1's start out of the router over leg K (2 or 3).
  uint32_t PathOver(int k) const {
    const uint32_t b = centre_.Nodes[0];
    return PathOf({legs_[k - 1].Nodes[1], legs_[k - 1].Nodes[2], b, legs_[0].Nodes[0]});
  }
  uint16_t TopTexture(uint32_t way) const {
    auto m = std::make_unique<TMeshdata2>();
    m->A_Read(ReadWay(way).Mesh);
    return m->Polygon(1).Texture;
  }
  static void RedSignalAt(uint32_t node) {
    TSignal s{};
    s.Lamp = 0;
    s.Node = node;
    s.A_Write();
    NodeByIndex(node).Signal = s.Index;
  }

  TWay centre_{};
  TWay legs_[3]{};
  uint32_t train_ = 0;
};

TEST_F(RouterSwitching, ATrainSetsTheRouterTowardTheNextNodeOfItsPath) {
  TTrain& t = TrainByIndex(train_);
  const uint32_t b = centre_.Nodes[0];
  for (const int k : {3, 2, 3}) {
    SCOPED_TRACE(k);
    t.Path = PathOver(k);
    TWay leg = legs_[0];
    SetRouterForPath(t, leg);
    const uint8_t setting = k == 2 ? 1 : 2;
    EXPECT_EQ(WaySwitch(ReadWay(legs_[0].Index)), setting);
    EXPECT_EQ(WaySwitch(ReadWay(centre_.Index)), setting);
    // The branch node now leads the train onto that leg; both tops show the setting.
    EXPECT_EQ(GetHeadingnode(t, b), Value(legs_[k - 1].Nodes[2]));
    const uint16_t texture = StandardTextures[setting == 1 ? 1 : 0];
    EXPECT_EQ(TopTexture(legs_[0].Index), texture);
    EXPECT_EQ(TopTexture(centre_.Index), texture);
  }
  EXPECT_TRUE(Searches().empty());
  // The trailing legs set the router for the train coming back from them.
  TWay leg3 = ReadWay(legs_[2].Index);
  SetRouterSwitch(leg3, 1);
  EXPECT_EQ(WaySwitch(ReadWay(centre_.Index)), 1);
}

TEST_F(RouterSwitching, ARouterNeedsAPathThroughItsBranchAndABranchNode) {
  TTrain& t = TrainByIndex(train_);
  TWay leg = legs_[0];
  // Without schedule, or without path: nothing.
  t.ScheduleState = kRouteNone;
  t.Path = PathOver(3);
  SetRouterForPath(t, leg);
  EXPECT_EQ(WaySwitch(ReadWay(centre_.Index)), 1);
  t.ScheduleState = kRouteSchedule;
  // A path that ends at the branch node.
  t.Path = PathOf({centre_.Nodes[0], legs_[0].Nodes[0]});
  EXPECT_EQ(FatalOf([&] { SetRouterForPath(t, leg); }),
            Fatal("Incomplete Path ends at router!! Node " + std::to_string(centre_.Nodes[0])));
  // A path that misses the router: warned, searched again once (the search finds nothing better).
  t.Path = PathOf({legs_[1].Nodes[1]});
  SetRouterForPath(t, leg);
  EXPECT_EQ(Searches(), std::vector<std::string>{"store"});
  // A failed path that stays failed.
  Searches().clear();
  t.Path = PathOf({legs_[1].Nodes[1]}, 2);
  SetRouterForPath(t, leg);
  EXPECT_EQ(Searches(), std::vector<std::string>{"store"});
}

TEST_F(RouterSwitching, ARedSignalJustBehindTheChosenBranchMakesTheTrainTakeAnotherPath) {
  TTrain& t = TrainByIndex(train_);
  const uint32_t path = PathOver(3);
  t.Path = path;
  RedSignalAt(legs_[2].Nodes[1]);
  Alternative() = PathOver(2);
  TWay leg = legs_[0];
  SetRouterForPath(t, leg);
  EXPECT_EQ(Searches(), std::vector<std::string>{"keep reuse"});
  EXPECT_EQ(Value(t.Path), path);  // rewritten under its index
  auto stored = std::make_unique<TPath>();
  stored->A_Read(path);
  EXPECT_EQ(Value(stored->Nodes[0]), Value(legs_[1].Nodes[1]));
  EXPECT_EQ(WaySwitch(ReadWay(centre_.Index)), 1);
}

TEST_F(RouterSwitching, ARedSignalCountsOnlyWithinReachAlongThePath) {
  const uint32_t path = PathOver(3);
  auto p = std::make_unique<TPath>();
  p->A_Read(path);
  const int chosen = 2, branch = 3;  // leg 3's inner node, the branch node
  EXPECT_FALSE(RedSignalAhead(branch, *p, 1000));
  RedSignalAt(legs_[2].Nodes[1]);
  EXPECT_TRUE(RedSignalAhead(branch, *p, 1000));
  // Beyond the reach after the first link (90 from the branch node to leg 3's inner end); a red
  // signal at the end of the first link counts whatever it costs.
  EXPECT_FALSE(RedSignalAhead(branch, *p, 50));
  EXPECT_TRUE(RedSignalAhead(chosen, *p, 0));
  EXPECT_FALSE(RedSignalAhead(1, *p, 1000));
  // At the branch node the walk follows the path's branch, not the first link.
  NodeByIndex(legs_[2].Nodes[1]).Signal = 0;
  RedSignalAt(legs_[1].Nodes[1]);
  EXPECT_FALSE(RedSignalAhead(branch, *p, 1000));
  // A node with three next links stops the program.
  NodeByIndex(legs_[2].Nodes[2]).NextLinkCount = 3;
  EXPECT_EQ(FatalOf([&] { RedSignalAhead(chosen, *p, 1000); }), Fatal("Error: NNextcount was not 0,1 or 2!"));
  NodeByIndex(legs_[2].Nodes[2]).NextLinkCount = 1;
}

// ---- Two convoys at a lit crossing

TEST_F(Traffic, TwoCarsMeetingAtALitCrossingPassItInTurn) {
  const TBuiltCrossing x = Crossing(4, true);
  // Straight on from arm 1 (entry 1) to the end of arm 2, and from arm 3 (entry 7) to the end of arm
  // 4, both 40 before the crossing, each on its path.
  const uint32_t a = Car(x.Arms[1].Nodes[0], x.Arms[1].Nodes[3], 40.0f);
  const uint32_t b = Car(x.Arms[3].Nodes[0], x.Arms[3].Nodes[3], 40.0f);
  TrainByIndex(a).Path = PathBetween(x.Arms[1].Nodes[0], x.Arms[2].Nodes[1]);
  TrainByIndex(b).Path = PathBetween(x.Arms[3].Nodes[0], x.Arms[4].Nodes[1]);
  ASSERT_EQ(Value(x.Arms[1].Nodes[3]), x.At(1));
  ASSERT_EQ(Value(x.Arms[3].Nodes[3]), x.At(7));
  const uint32_t exitA = x.At(6), exitB = x.At(4);
  int passedA = -1, passedB = -1, bothInside = 0, waitedB = 0;
  GameTime = 300;
  for (int tick = 0; tick < 2000; ++tick) {
    ++GameTime;
    for (const uint32_t id : {a, b}) {
      if (IsTrainUsed(id)) Step(id);
    }
    ASSERT_TRUE(IsTrainUsed(a) && IsTrainUsed(b)) << tick;
    if (passedA < 0 && TrainByIndex(a).CurrentNode == exitA) passedA = static_cast<int>(GameTime);
    if (passedB < 0 && TrainByIndex(b).CurrentNode == exitB) passedB = static_cast<int>(GameTime);
    waitedB += TrainByIndex(b).State == kTrainWaiting || TrainByIndex(b).State == kTrainWaitingLong;
    bothInside += Side(Queue(x.Centre.Index), 0).size() == 2;
  }
  // A goes in phase 1 (until 519); B, straight on across inner node 15, waits for phase 2 (from
  // 1560). Meanwhile A has turned at the end of arm 2 and come back through the crossing from arm 2.
  EXPECT_GT(passedA, 300);
  EXPECT_LT(passedA, 520);
  EXPECT_GE(passedB, 1560);
  EXPECT_LT(passedB, 1700);
  EXPECT_GT(waitedB, 400);
  EXPECT_EQ(bothInside, 0);
  EXPECT_EQ(Value(ReadWay(x.Centre.Index).Block), 0u);
}

}  // namespace
