// Schedules: the tour through all halts with backtracking over the halts' entry nodes, the costs and
// the travel times, the round-robin step, a convoy leaving its schedule and the next halt.
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "engine/store/recordaccess.h"
#include "engine/store/trainpool.h"
#include "network/track/schedules.h"
#include "tests/network/track/track_fixture.h"

namespace {

using track_testing::Fatal;
using track_testing::FatalOf;

constexpr uint8_t kStop = kNodeFlagWayFinished | kNodeFlagStation;

// A field of a packed record by value.
template <class T>
T Value(T v) {
  return v;
}

class Schedules : public track_testing::TrackTest {
 protected:
  void SetUp() override {
    TrackTest::SetUp();
    world_hooks::CalcSchedule = CalcSchedule;
  }

  // A station at X whose road way holds the stop nodes.
  static uint32_t Station(float x, std::initializer_list<uint32_t> stops) {
    auto st = std::make_unique<TStation>();
    st->Init(1, 0, {x, 0, 0});
    st->A_Write();
    TWay w{};
    w.Init(0, 0);
    w.State = 2;
    w.Station = st->Index;
    for (uint32_t n : stops) {
      w.Nodes[w.NodesCounter++] = n;
    }
    w.A_Write();
    for (uint32_t n : stops) NodeByIndex(n).Way = w.Index;
    st->Ways[st->StationWayCounter++] = w.Index;
    st->A_ReWrite();
    return st->Index;
  }

  // A schedule calling at the stations (every halt a stop), with the given convoys.
  static uint32_t Schedule(std::vector<uint32_t> stations, std::vector<uint32_t> trains = {}) {
    RecordDesc d = kTScheduleDesc;
    d.Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite;
    TSchedule s{};
    s.ScheduleStationCounter = static_cast<uint8_t>(stations.size());
    for (size_t k = 0; k < stations.size(); ++k) {
      s.Stops[k].Station = stations[k];
      s.Stops[k].Halt = 1;
    }
    s.ScheduleTrainCounter = static_cast<uint8_t>(trains.size());
    for (size_t k = 0; k < trains.size(); ++k) s.Trains[k] = trains[k];
    RecordWrite(d, &s);
    for (uint32_t t : trains) TrainByIndex(t).Schedule = s.Index;
    return s.Index;
  }
  static TSchedule Read(uint32_t index) {
    TSchedule s{};
    s.A_Read(index);
    return s;
  }
  static uint32_t Train(float maxSpeed) {
    const uint32_t t = NewTrain();
    TrainByIndex(t).VBT_Type = kTrainRoad;
    TrainByIndex(t).MaxSpeed = maxSpeed;
    return t;
  }
  static TSchedule Calculated(uint32_t index) {
    TSchedule s = Read(index);
    CalcSchedule(s);
    return s;
  }
};

// A ring a -> x -> b -> y -> a with a stop of station A at a and of B at b.
TEST_F(Schedules, ARingGivesAValidTourWithItsCostsAndTimesRoundedHalfToEven) {
  const uint32_t a = Node(0, 0, kStop), x = Node(100, 0), b = Node(150, 0, kStop), y = Node(100, 50);
  Link(a, x, 100);
  Link(x, b, 50);
  Link(b, y, 100);
  Link(y, a, 170);
  const uint32_t sa = Station(0, {a}), sb = Station(150, {b});
  // Leaving a road stop costs 150 more: 300 and 420; at speed 180 the times are 2.5 and 3.5.
  const uint32_t s = Schedule({sa, sb}, {Train(180.0f)});
  TSchedule calc = Calculated(s);
  EXPECT_EQ(calc.State, 1);
  EXPECT_EQ(Value(calc.Stops[0].PathCost), 300.0f);
  EXPECT_EQ(Value(calc.Stops[1].PathCost), 420.0f);
  EXPECT_EQ(Value(calc.Stops[0].TimeToNext), 2);
  EXPECT_EQ(Value(calc.Stops[1].TimeToNext), 4);

  // With every cost and time set, a calculation changes only the state.
  calc.Stops[0].PathCost = 1234.0f;
  calc.Stops[1].TimeToNext = 55;
  calc.State = 2;
  const TSchedule before = calc;
  CalcSchedule(calc);
  EXPECT_EQ(calc.State, 1);
  EXPECT_EQ(Value(calc.Stops[0].PathCost), 1234.0f);
  EXPECT_EQ(Value(calc.Stops[1].TimeToNext), 55);
  EXPECT_EQ(Value(calc.Stops[1].PathCost), before.Stops[1].PathCost);

  // A top speed of 0, or no convoy, leaves the times at 0.
  TrainByIndex(calc.Trains[0]).MaxSpeed = 0.0f;
  calc = Calculated(s);
  EXPECT_EQ(calc.State, 1);
  EXPECT_EQ(Value(calc.Stops[0].TimeToNext), 0);
  EXPECT_EQ(Value(Calculated(Schedule({sa, sb})).Stops[1].TimeToNext), 0);
}

TEST_F(Schedules, ToursThatCannotCloseStayInvalid) {
  const uint32_t a = Node(0, 0, kStop), b = Node(100, 0, kStop), c = Node(200, 0, kStop), d = Node(300, 0, kStop);
  Link(a, b, 100);
  Link(b, a, 100);
  // c has no node before it, d only itself: neither starts a run of stop nodes.
  Link(c, a, 100);
  Link(d, d, 100);
  const uint32_t sa = Station(0, {a}), sb = Station(100, {b}), sc = Station(200, {c}), sd = Station(300, {d});
  EXPECT_EQ(Calculated(Schedule({sa})).State, 3);
  EXPECT_EQ(Calculated(Schedule({sa, sb})).State, 1);
  EXPECT_EQ(Calculated(Schedule({sa, sc})).State, 3);
  EXPECT_EQ(Calculated(Schedule({sa, sd})).State, 3);
  EXPECT_EQ(Calculated(Schedule({sa, 0})).State, 3);
  THaltCandidates cand;
  CollectHaltCandidates(Read(Schedule({sa, sb, sc, sd})), cand);
  EXPECT_EQ((std::vector<int>{cand.Count[1], cand.Count[2], cand.Count[3], cand.Count[4]}),
            (std::vector<int>{1, 1, 0, 0}));
}

// From a the cheaper platform b1 of B is found first, but C cannot be reached from it: the search
// backs up to A and takes B's other platform b2, from which C and then a are reached.
TEST_F(Schedules, AHaltThatLeadsNowhereSendsTheSearchBackToTheHaltBefore) {
  const uint32_t a = Node(0, 0, kStop), n1 = Node(100, 0), b1 = Node(200, 0, kStop), q = Node(200, 50),
                 m = Node(150, -50), b2 = Node(200, -100, kStop), c = Node(300, -100, kStop);
  Link(a, n1, 100);
  Link(n1, b1, 100);
  Link(n1, m, 100);
  Link(b1, q, 50);
  Link(q, b1, 50);
  Link(m, b2, 100);
  Link(b2, c, 100);
  Link(c, a, 300);
  const uint32_t sa = Station(0, {a}), sb = Station(200, {b1, b2}), sc = Station(300, {c});
  THaltCandidates cand;
  const uint32_t s = Schedule({sa, sb, sc});
  CollectHaltCandidates(Read(s), cand);
  EXPECT_EQ((std::vector<uint32_t>{cand.Nodes[2][0], cand.Nodes[2][1]}), (std::vector<uint32_t>{b1, b2}));
  const TSchedule calc = Calculated(s);
  EXPECT_EQ(calc.State, 1);
  // A halt's cost is the cheapest path found to the next halt, also over a platform that then led
  // nowhere (a branch costs 200 more on each link); the tour itself runs over b2.
  EXPECT_EQ(Value(calc.Stops[0].PathCost), 100.0f + 150.0f + 300.0f);
  EXPECT_EQ(Value(calc.Stops[1].PathCost), 100.0f + 150.0f);
  EXPECT_EQ(Value(calc.Stops[2].PathCost), 300.0f + 150.0f);
  // Without the way from b2 to C no tour closes.
  Link(b2, q, 10);
  std::swap(NodeByIndex(b2).NextLinks[0], NodeByIndex(b2).NextLinks[1]);
  NodeByIndex(b2).NextLinkCount = 1;
  EXPECT_EQ(Calculated(s).State, 3);
}

TEST_F(Schedules, TheStepTakesOneScheduleEveryTenthTick) {
  const uint32_t a = Node(0, 0, kStop);
  const uint32_t invalid = Schedule({Station(0, {a})});
  std::vector<int> states;
  for (uint32_t t = 10; t <= 70; ++t) {
    GameTime = t;
    ScheduleTick();
    if (t % 10 == 0) states.push_back(Read(invalid).State);
  }
  // Visits at 10, 30, 50 and 70; at 20, 40 and 60 the cursor runs out and starts again.
  EXPECT_EQ(states, (std::vector<int>{2, 2, 3, 3, 0, 0, 2}));
}

TEST_F(Schedules, AConvoyLeavesItsScheduleAndTheLastOneTakesTheScheduleWithIt) {
  const uint32_t t1 = Train(10.0f), t2 = Train(10.0f), stranger = Train(10.0f);
  const uint32_t s = Schedule({1, 2}, {t1, t2, t1});
  RemoveTrainFromSchedule(t1, s);
  EXPECT_EQ(TrainByIndex(t1).Schedule, 0u);
  EXPECT_EQ(TrainByIndex(t1).ScheduleState, 4);
  TSchedule r = Read(s);
  EXPECT_EQ((std::vector<uint32_t>{r.ScheduleTrainCounter, r.Trains[0], r.Trains[1], r.Trains[2]}),
            (std::vector<uint32_t>{2, t1, t2, 0}));
  EXPECT_EQ(FatalOf([&] { RemoveTrainFromSchedule(stranger, s); }),
            Fatal("ERROR in RemoveTrainFromSchedule! This schedule doesnt know this train."));
  RemoveTrainFromSchedule(t2, s);
  TrainByIndex(t1).Schedule = s;
  RemoveTrainFromSchedule(t1, s);
  EXPECT_EQ(FindInArrayerRest(kARTypeSchedule, 0), 0u);
  EXPECT_EQ(TrainByIndex(t1).Schedule, 0u);
}

TEST_F(Schedules, NextHaltSkipsHaltsWithoutAStopAndWraps) {
  TSchedule s{};
  s.ScheduleStationCounter = 4;
  for (uint8_t flag : {0, 1, 2, 3}) s.Stops[flag].Halt = flag % 2 == 0 ? 1 : 0;  // halts 1 and 3 stop
  s.State = 1;
  EXPECT_EQ(NextHalt(s, 1), 3);
  EXPECT_EQ(NextHalt(s, 3), 1);
  EXPECT_EQ(NextHalt(s, 4), 1);
  EXPECT_EQ(NextHalt(s, 2), 3);
  s.State = 3;
  EXPECT_EQ(NextHalt(s, 1), 1);
  s.State = 2;
  for (TScheduleStop& stop : s.Stops) stop.Halt = 0;
  EXPECT_EQ(NextHalt(s, 2), 2);
}

}  // namespace
