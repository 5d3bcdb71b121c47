// Block, signal, path and schedule records: their small queries, their removals, and the repair of
// a schedule and its trains when a stop goes.
#include <gtest/gtest.h>

#include <memory>

#include "engine/world/path.h"
#include "tests/engine/world/world_fixture.h"

namespace {

using namespace world_testing;
using Calls = std::vector<std::string>;

class ScheduleRecords : public WorldTest {
 protected:
  static TSchedule Read(uint32_t index) {
    TSchedule s{};
    s.A_Read(index);
    return s;
  }
  static std::vector<uint32_t> Stops(const TSchedule& s) {
    std::vector<uint32_t> v;
    for (int i = 0; i < s.ScheduleStationCounter; ++i) v.push_back(s.Stops[i].Station);
    return v;
  }
  static uint32_t TrainOn(uint32_t schedule, uint8_t stop, uint32_t path) {
    const uint32_t t = AddTrain(kTrainRail, 1, {});
    TTrain& train = TrainByIndex(t);
    train.Schedule = schedule;
    train.CurrentStop = stop;
    train.TargetStation = 1000 + stop;
    train.Path = path;
    return t;
  }
  static uint8_t PathInvalid(uint32_t path) {
    auto p = std::make_unique<TPath>();
    p->A_Read(path);
    return p->Invalid;
  }
};

TEST_F(ScheduleRecords, CalculatedMeansStateOneOrTwo) {
  TSchedule s{};
  for (const auto& [state, calculated] : {std::pair{0, false}, {1, true}, {2, true}, {3, false}}) {
    s.State = static_cast<uint8_t>(state);
    EXPECT_EQ(s.IsCalculated(), calculated) << state;
  }
}

TEST_F(ScheduleRecords, LosingAMiddleStopMovesTheTrainsOnAndMakesThemSearchAgain) {
  const uint32_t a = 101, b = 102, c = 103;
  const uint32_t line = AddSchedule(1, {a, b, c});
  const uint32_t other = AddSchedule(1, {a, b});
  const uint32_t p1 = AddPath(1, {1}), p2 = AddPath(1, {2}), p3 = AddPath(1, {3}), p4 = AddPath(1, {4});
  const uint32_t toA = TrainOn(line, 1, p1);
  const uint32_t toB = TrainOn(line, 2, p2);
  const uint32_t toC = TrainOn(line, 3, p3);
  const uint32_t elsewhere = TrainOn(other, 2, p4);
  const uint32_t pathless = TrainOn(line, 2, 0);  // a train without path has nothing to search again
  HookCalls().clear();

  TSchedule s = Read(line);
  s.RemoveStation(b);
  EXPECT_EQ(Stops(s), (std::vector<uint32_t>{a, c}));
  EXPECT_EQ(Stops(Read(line)), (std::vector<uint32_t>{a, c}));  // stored again
  EXPECT_EQ(TrainByIndex(toA).CurrentStop, 1);
  EXPECT_EQ(TrainByIndex(toA).TargetStation, 1001u);
  EXPECT_EQ(PathInvalid(p1), 0);
  EXPECT_EQ(TrainByIndex(toB).CurrentStop, 2);  // now heads for C
  EXPECT_EQ(TrainByIndex(toB).TargetStation, c);
  EXPECT_EQ(PathInvalid(p2), 1);
  EXPECT_EQ(TrainByIndex(toC).CurrentStop, 2);
  EXPECT_EQ(TrainByIndex(toC).TargetStation, c);
  EXPECT_EQ(PathInvalid(p3), 1);
  EXPECT_EQ(TrainByIndex(pathless).TargetStation, c);
  EXPECT_EQ(TrainByIndex(elsewhere).CurrentStop, 2);
  EXPECT_EQ(TrainByIndex(elsewhere).TargetStation, 1002u);
  EXPECT_EQ(PathInvalid(p4), 0);
  EXPECT_EQ(HookCalls(), (Calls{"CalcSchedule " + std::to_string(line), "OnDestroySchedule " + std::to_string(line),
                                "AddStationStretches " + std::to_string(line)}));
}

TEST_F(ScheduleRecords, LosingTheLastStopSendsItsTrainsBackToTheFirst) {
  const uint32_t line = AddSchedule(0, {101, 102, 103}, 0);
  const uint32_t path = AddPath(0, {1}, 1);  // already to be searched again
  const uint32_t t = TrainOn(line, 3, path);
  TSchedule s = Read(line);
  s.RemoveStation(103);
  EXPECT_EQ(TrainByIndex(t).CurrentStop, 1);
  EXPECT_EQ(TrainByIndex(t).TargetStation, 101u);
  EXPECT_EQ(PathInvalid(path), 1);
  // Not calculated: no stretches.
  EXPECT_EQ(HookCalls(), (Calls{"CalcSchedule " + std::to_string(line), "OnDestroySchedule " + std::to_string(line)}));
}

TEST_F(ScheduleRecords, TrainsOfOtherUsesAndStationsNotOnTheLineAreLeftAlone) {
  const uint32_t ships = AddSchedule(2, {101, 102, 103});
  const uint32_t t = TrainOn(ships, 3, 0);
  TSchedule s = Read(ships);
  s.RemoveStation(102);
  EXPECT_EQ(Stops(Read(ships)), (std::vector<uint32_t>{101, 103}));
  EXPECT_EQ(TrainByIndex(t).CurrentStop, 3);
  HookCalls().clear();
  s.RemoveStation(555);
  TSchedule empty{};
  empty.RemoveStation(101);
  EXPECT_EQ(HookCalls(), Calls{});
}

TEST_F(ScheduleRecords, ALineLeftWithOneStopIsRemovedAndItsTrainsLoseIt) {
  const uint32_t line = AddSchedule(0, {101, 102, 101});
  const uint32_t t = TrainOn(line, 2, 0);
  TrainByIndex(t).ScheduleState = 1;
  TSchedule s = Read(line);
  s.RemoveStation(101);
  EXPECT_FALSE(ArrayerHolds(kTScheduleDesc, line));
  EXPECT_EQ(TrainByIndex(t).Schedule, 0u);
  EXPECT_EQ(TrainByIndex(t).ScheduleState, 4);
  EXPECT_EQ(HookCalls(), Calls{"OnDestroySchedule " + std::to_string(line)});  // removed, not recalculated
}

TEST_F(ScheduleRecords, PathsKnowTheirNodesAndTheWalkFindsTheValidOnesOfAUse) {
  auto p = std::make_unique<TPath>();
  std::memset(static_cast<void*>(p.get()), 0x11, sizeof(TPath));
  p->Init(1);
  EXPECT_EQ(p->PathNodeCounter, 0);
  EXPECT_EQ(p->Invalid, 1);
  EXPECT_EQ(p->Use, 1);
  EXPECT_EQ(p->Nodes[0], 0x11111111u);  // the rest is left as it was
  EXPECT_FALSE(p->ContainsNode(0x11111111u));
  p->Nodes[p->PathNodeCounter++] = 8;
  EXPECT_TRUE(p->ContainsNode(8));
  EXPECT_FALSE(p->ContainsNode(0));

  const uint32_t road = AddPath(0, {5});
  const uint32_t invalid = AddPath(1, {5}, 1);
  TBlock block{};
  block.A_Write();  // another kind between them
  const uint32_t rail = AddPath(1, {5});
  const uint32_t rail2 = AddPath(1, {6});
  EXPECT_EQ(FindPathOfUse(1, 0), rail);
  EXPECT_EQ(FindPathOfUse(1, rail), rail2);
  EXPECT_EQ(FindPathOfUse(1, rail2), 0u);
  EXPECT_EQ(FindPathOfUse(0, 0), road);
  EXPECT_EQ(FindPathOfUse(2, 0), 0u);
  (void)invalid;
  EXPECT_EQ(FatalOf([] { FindPathOfUse(1, ArrayerRest.TableTop); }),
            Fatal("Error: Arrayer: FindInArrayer: The StartPoint was to high"));
  p->A_Read(road);
  p->Destroy();
  EXPECT_FALSE(ArrayerHolds(kTPathDesc, road));
}

TEST_F(ScheduleRecords, ASignalIsClearWhenBothDirectionsAre) {
  TSignal a{}, b{};
  a.A_Write();
  b.Partner = a.Index;
  b.A_Write();
  a.Partner = b.Index;
  a.A_Overwrite();
  EXPECT_TRUE(a.IsClear());
  b.OneWay = 1;
  b.A_Overwrite();
  EXPECT_FALSE(a.IsClear());
  EXPECT_FALSE(b.IsClear());
  TSignal lone{};
  EXPECT_EQ(FatalOf([&] { lone.IsClear(); }), Fatal("\xDC"
                                                    "bergebener Index war 0! Arrayer Error by TSignal.A_Read"));
}

TEST_F(ScheduleRecords, ARemovedSignalLeavesItsNodeAndABlockLeavesTheStore) {
  TNode n{};
  InitNode(n, TVector{});
  const uint32_t node = AddNode(n);
  TSignal s{};
  s.Node = node;
  s.A_Write();
  NodeByIndex(node).Signal = s.Index;
  s.Destroy();
  EXPECT_EQ(NodeByIndex(node).Signal, 0u);
  EXPECT_FALSE(ArrayerHolds(kTSignalDesc, s.Index));
  TBlock b{};
  b.A_Write();
  TBlock::DestroyByIndex(b.Index);
  EXPECT_FALSE(ArrayerHolds(kTBlockDesc, b.Index));
}

}  // namespace
