// Blocks: finished rail ways joined without a signal share a block; signal pairs split blocks and
// switch by the trains in them; trains are counted in and out.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/store/connectpool.h"
#include "engine/store/nodepool.h"
#include "network/construction/connects.h"
#include "network/construction/signals.h"
#include "tests/network/track/blocks_fixture.h"

namespace {

using namespace block_testing;
using construction_testing::Fatal;
using construction_testing::FatalOf;

class BlockSystem : public BlockTest {
 protected:
  // The pair at the connect: the signal at its way A's lane start, then the one at its lane end.
  static std::pair<uint32_t, uint32_t> Pair(uint32_t connect) {
    TWay a{}, b{};
    uint32_t laneEnd = 0, laneStart = 0;
    NodesofCon(connect, a, b, laneEnd, laneStart);
    return {NodeByIndex(laneStart).Signal, NodeByIndex(laneEnd).Signal};
  }
  static TConstructResult Place(uint32_t connect) {
    TConstructResult r{};
    PlaceSignal(ConnectByIndex(connect).Position, r);
    return r;
  }
  static TConstructResult Remove(uint32_t connect) {
    TConstructResult r{};
    RemoveSignal(ConnectByIndex(connect).Position, r);
    return r;
  }
  // No way names a block that is gone, and the ways share exactly Count blocks.
  static void ExpectBlocks(const std::vector<uint32_t>& ways, size_t count) {
    std::set<uint32_t> held;
    for (uint32_t w : ways) {
      held.insert(BlockOf(w));
      ASSERT_TRUE(ArrayerHolds(kTBlockDesc, BlockOf(w))) << "way " << w;
    }
    EXPECT_EQ(held.size(), count);
    EXPECT_EQ(Blocks(), held);
  }
};

TEST_F(BlockSystem, ALongLineJoinedToAnotherBlockTakesItWholeWithItsTrains) {
  // 1,500 ways in a row: far more than a flood that recursed once per way could follow.
  std::vector<TVector> points;
  for (int i = 0; i <= 1500; ++i) points.push_back({1000.0f + 60.0f * i, 0.0f, 1000.0f});
  std::vector<uint32_t> lineAt, otherAt;
  const std::vector<uint32_t> line = sample_world::RailTrack(points.data(), 1501, false, &lineAt);
  ExpectBlocks(line, 1);
  const uint32_t lineBlock = BlockOf(line[0]);
  const uint32_t farTrain = TrainOn(line.back());
  const std::vector<uint32_t> other = Track({{1000, 3000}, {1000, 2000}}, false, &otherAt);
  const uint32_t otherBlock = BlockOf(other[0]);
  ASSERT_NE(otherBlock, lineBlock);

  // The joining way takes its first neighbour's block and floods it over the whole line.
  TMetaconnect a{}, b{};
  LoadConnect(a, otherAt[1]);
  LoadConnect(b, lineAt[0]);
  const uint32_t join = sample_world::RailWay(a, b);
  std::vector<uint32_t> all = line;
  all.push_back(other[0]);
  all.push_back(join);
  ExpectBlocks(all, 1);
  EXPECT_EQ(BlockOf(line.back()), otherBlock);
  EXPECT_FALSE(ArrayerHolds(kTBlockDesc, lineBlock));
  EXPECT_EQ(TrainsIn(otherBlock), std::vector<uint32_t>{farTrain});
}

TEST_F(BlockSystem, RoadsKeepTheirLaneQueueOutOfTheBlocks) {
  TWay road = Way(sample_world::StraightWay(kWaytypeRoad, {1000, 0, 1000}, {2000, 0, 1000}, 15.0f));
  road.Block = 5;  // a road's block field names its lane queue
  FinishWay(road);
  road.A_Overwrite();
  RemoveWayFromBlockSystem(road);
  EXPECT_EQ(Way(road.Index).Block, 5u);
  EXPECT_TRUE(Blocks().empty());
}

TEST_F(BlockSystem, APairInsideALoopKeepsOneBlockAndASecondPairSplitsIt) {
  std::vector<uint32_t> at;
  const std::vector<uint32_t> loop = Track({{1000, 1000}, {2000, 1000}, {2000, 2000}, {1000, 2000}}, true, &at);
  ExpectBlocks(loop, 1);
  const uint32_t before = BlockOf(loop[0]);
  const uint32_t train = TrainOn(loop[0]);

  // The flood from one side comes round to the other: one block, renewed, with the train.
  EXPECT_EQ(Place(at[1]), TConstructResult::Success());
  ExpectBlocks(loop, 1);
  const uint32_t renewed = BlockOf(loop[0]);
  EXPECT_NE(renewed, before);
  EXPECT_EQ(TrainsIn(renewed), std::vector<uint32_t>{train});
  const auto [start, end] = Pair(at[1]);
  ASSERT_NE(start, 0u);
  ASSERT_NE(end, 0u);
  EXPECT_EQ(Signal(start).Partner, end);
  EXPECT_EQ(Signal(end).Partner, start);
  EXPECT_EQ(Signal(start).Block, renewed);
  EXPECT_EQ(Signal(end).Block, renewed);
  EXPECT_EQ(Lamps(renewed), (std::vector<int>{0, 0}));  // the train's block is closed

  // A second pair across the loop: two blocks, the train counted only in its own.
  EXPECT_EQ(Place(at[3]), TConstructResult::Success());
  ExpectBlocks(loop, 2);
  const uint32_t trainBlock = BlockOf(loop[0]);
  const uint32_t emptyBlock = BlockOf(loop[1]);
  EXPECT_EQ(BlockOf(loop[3]), trainBlock);
  EXPECT_EQ(BlockOf(loop[2]), emptyBlock);
  EXPECT_EQ(TrainsIn(trainBlock), std::vector<uint32_t>{train});
  EXPECT_TRUE(TrainsIn(emptyBlock).empty());
  EXPECT_EQ(Lamps(trainBlock), (std::vector<int>{0, 0}));
  EXPECT_EQ(Lamps(emptyBlock), (std::vector<int>{1, 1}));
  // Each signal leads into the block of the way that starts at its node.
  for (uint32_t c : {at[1], at[3]}) {
    for (uint32_t s : {Pair(c).first, Pair(c).second}) {
      const TNode& n = NodeByIndex(Signal(s).Node);
      EXPECT_EQ(Signal(s).Block, BlockOf(n.Way)) << "signal " << s;
    }
  }
  // Into the train's block it is red, out of it green.
  EXPECT_EQ(BlockStateAtNode(Signal(Pair(at[1]).first).Node), 1);
  EXPECT_EQ(BlockStateAtNode(Signal(Pair(at[1]).second).Node), 0);

  // Removing a pair merges the two blocks again with the train; the signals leave their nodes.
  const auto [gone1, gone2] = Pair(at[3]);
  EXPECT_EQ(Remove(at[3]), TConstructResult::Success());
  ExpectBlocks(loop, 1);
  EXPECT_EQ(TrainsIn(BlockOf(loop[2])), std::vector<uint32_t>{train});
  EXPECT_FALSE(ArrayerHolds(kTSignalDesc, gone1));
  EXPECT_FALSE(ArrayerHolds(kTSignalDesc, gone2));
  EXPECT_EQ(Pair(at[3]), (std::pair<uint32_t, uint32_t>{0, 0}));
}

TEST_F(BlockSystem, ClickingAPairCyclesItsOneWayDirection) {
  std::vector<uint32_t> at;
  Track({{1000, 1000}, {2000, 1000}, {3000, 1000}}, false, &at);
  ASSERT_EQ(Place(at[1]), TConstructResult::Success());
  const uint32_t start = Pair(at[1]).first, end = Pair(at[1]).second;
  const auto state = [&] {
    return std::make_pair(int(Signal(start).OneWay), int(Signal(end).OneWay));
  };
  const std::pair<int, int> cycle[] = {{1, 0}, {0, 1}, {0, 0}, {1, 0}};
  for (const auto& expected : cycle) {
    EXPECT_EQ(Place(at[1]), TConstructResult::Success());
    EXPECT_EQ(state(), expected);
    // A one-way signal is closed whatever its lamp.
    EXPECT_EQ(BlockStateAtNode(Signal(start).Node), expected.first ? 2 : 0);
    EXPECT_EQ(BlockStateAtNode(Signal(end).Node), expected.second ? 2 : 0);
    EXPECT_EQ(Signal(start).IsClear(), expected == std::make_pair(0, 0));
  }
}

TEST_F(BlockSystem, AnEmptyBlockFollowsThePresignalRule) {
  // Four ways in a row with a pair between each two: blocks of one way each.
  std::vector<uint32_t> at;
  const std::vector<uint32_t> w = Track({{1000, 1000}, {2000, 1000}, {3000, 1000}, {4000, 1000}, {5000, 1000}},
                                        false, &at);
  for (int c : {1, 2, 3}) ASSERT_EQ(Place(at[c]), TConstructResult::Success());
  ExpectBlocks(w, 4);
  const uint32_t middle = BlockOf(w[1]);
  ASSERT_EQ(Block(middle).Insignalcounter, 2);
  // The pair before the middle block one-way: its only two-way exit is toward w[2].
  ASSERT_EQ(Place(at[1]), TConstructResult::Success());
  EXPECT_EQ(Lamps(middle), (std::vector<int>{1, 1}));

  // A train beyond that exit closes it: the block keeps only its two-way entry open.
  const uint32_t train = TrainOn(w[2]);
  EXPECT_EQ(TestOutSignals(Block(middle)), 1);
  const TBlock m = Block(middle);
  for (int i = 0; i < 2; ++i) {
    const TSignal s = Signal(m.InSignals[i]);
    const bool twoWay = s.OneWay == 0 && Signal(s.Partner).OneWay == 0;
    EXPECT_EQ(s.Lamp, twoWay ? 1 : 0) << "in-signal " << s.Index;
  }
  // When the train leaves, the exit opens and so do all entries.
  TBlock b = Block(BlockOf(w[2]));
  RemoveTrainFromBlock(b, train);
  EXPECT_EQ(TestOutSignals(Block(middle)), 2);
  EXPECT_EQ(Lamps(middle), (std::vector<int>{1, 1}));

  // Without any two-way exit the empty block shows green at every entry.
  ASSERT_EQ(Place(at[2]), TConstructResult::Success());
  TrainOn(w[2]);
  EXPECT_EQ(TestOutSignals(Block(middle)), 0);
  EXPECT_EQ(Lamps(middle), (std::vector<int>{1, 1}));
  EXPECT_EQ(FatalOf([&] { TestOutSignals(Block(BlockOf(w[2]))); }),
            Fatal("Never call TestOutSignals with unempty block!"));
}

TEST_F(BlockSystem, AFourthTrainIsOnlyWarnedAbout) {
  const std::vector<uint32_t> w = Track({{1000, 1000}, {2000, 1000}, {3000, 1000}, {4000, 1000}, {5000, 1000}});
  const uint32_t block = BlockOf(w[0]);
  std::vector<uint32_t> trains;
  for (int i = 0; i < 3; ++i) trains.push_back(TrainOn(w[i]));
  EXPECT_TRUE(testing_support::Warnings().empty());
  const uint32_t fourth = TrainOn(w[3]);
  EXPECT_EQ(testing_support::Warnings(),
            std::vector<std::string>{"Warning: the 4th Train entered Block No " + std::to_string(block)});
  EXPECT_EQ(TrainsIn(block), trains);
  // A train counted already is not a fourth one.
  testing_support::Warnings().clear();
  TBlock b = Block(block);
  AddTrainToBlock(b, trains[1]);
  EXPECT_TRUE(testing_support::Warnings().empty());
  // Out goes the middle one; the fourth fits now.
  RemoveTrainFromAllBlocks(trains[1]);
  UpdateTrainBlocks(fourth);
  EXPECT_EQ(TrainsIn(block), (std::vector<uint32_t>{trains[0], trains[2], fourth}));
  b = Block(block);
  b.TrainCount = 4;
  EXPECT_EQ(FatalOf([&] { AddTrainToBlock(b, 99); }), Fatal("Error in AddTrainToBlock: blocktraincount is over 3!"));
}

TEST_F(BlockSystem, RemovingABridgingWaySplitsTheBlockAndRecountsItsTrains) {
  std::vector<uint32_t> at;
  const std::vector<uint32_t> w =
      Track({{1000, 1000}, {2000, 1000}, {3000, 1000}, {4000, 1000}, {5000, 1000}}, false, &at);
  // A pair at the far end: the last way is a block of its own beyond it.
  ASSERT_EQ(Place(at[3]), TConstructResult::Success());
  const uint32_t old = BlockOf(w[0]);
  const uint32_t left = TrainOn(w[0], 1);  // heading away from the way removed below
  const uint32_t right = TrainOn(w[2]);
  EXPECT_EQ(TrainsIn(old), (std::vector<uint32_t>{left, right}));

  TDestroyResult r{};
  TWay::DestroyByIndex(w[1], kDestroyForced, r);
  ASSERT_TRUE(r.Has(kDestroyOk));
  EXPECT_FALSE(ArrayerHolds(kTBlockDesc, old));
  ExpectBlocks({w[0], w[2], w[3]}, 3);
  EXPECT_EQ(TrainsIn(BlockOf(w[0])), std::vector<uint32_t>{left});
  EXPECT_EQ(TrainsIn(BlockOf(w[2])), std::vector<uint32_t>{right});
  // The part beyond the pair keeps its block and its signals lead into the right parts.
  EXPECT_EQ(Signal(Pair(at[3]).first).Block, BlockOf(w[2]));
  EXPECT_EQ(Signal(Pair(at[3]).second).Block, BlockOf(w[3]));
  EXPECT_EQ(Block(BlockOf(w[2])).Insignalcounter, 1);

  // A way with one neighbour leaves the block to it; the last way of a block takes it along.
  const uint32_t lastBlock = BlockOf(w[0]);
  TWay::DestroyByIndex(w[0], kDestroyForced, r);
  EXPECT_FALSE(ArrayerHolds(kTBlockDesc, lastBlock));
}

TEST_F(BlockSystem, ATrainPassingASignalIsCountedFromHeadToTail) {
  std::vector<uint32_t> at;
  const std::vector<uint32_t> w = Track({{1000, 1000}, {2000, 1000}, {3000, 1000}}, false, &at);
  ASSERT_EQ(Place(at[1]), TConstructResult::Success());
  const uint32_t behind = BlockOf(w[0]), ahead = BlockOf(w[1]);
  const uint32_t train = TrainOn(w[0]);
  // The signal into w[1] along the train's lane.
  const uint32_t signal = NodeByIndex(Way(w[1]).Nodes[0]).Signal;
  ASSERT_EQ(Signal(signal).Block, ahead);

  SignalPassedByHead(signal, train);
  EXPECT_EQ(TrainsIn(ahead), std::vector<uint32_t>{train});
  EXPECT_EQ(TrainsIn(behind), std::vector<uint32_t>{train});
  EXPECT_EQ(Signal(signal).Lamp, 1);  // green while the train passes
  SignalPassedByTail(signal, train);
  EXPECT_EQ(Signal(signal).Lamp, 0);
  EXPECT_TRUE(TrainsIn(behind).empty());
  EXPECT_EQ(TrainsIn(ahead), std::vector<uint32_t>{train});
  EXPECT_EQ(Lamps(behind), std::vector<int>{1});

  // A signal of kind 0 neither counts nor switches.
  RemoveTrainFromAllBlocks(train);
  TSignal s = Signal(signal);
  s.Kind = 0;
  s.Lamp = 0;
  s.A_Overwrite();
  SignalPassedByHead(signal, train);
  EXPECT_TRUE(TrainsIn(ahead).empty());
  EXPECT_EQ(Signal(signal).Lamp, 0);
  UpdateTrainBlocks(train);  // back in the block behind
  SignalPassedByTail(signal, train);
  EXPECT_EQ(TrainsIn(behind), std::vector<uint32_t>{train});
}

TEST_F(BlockSystem, BrokenBlockDataStopsTheProgram) {
  std::vector<uint32_t> at;
  const std::vector<uint32_t> w =
      Track({{1000, 1000}, {2000, 1000}, {3000, 1000}, {4000, 1000}, {5000, 1000}}, false, &at);
  EXPECT_EQ(OtherWayOfCon(w[0], at[1]), w[1]);
  EXPECT_EQ(OtherWayOfCon(w[1], at[1]), w[0]);
  EXPECT_EQ(OtherWayOfCon(w[2], at[1]), 0u);

  TWay a{}, b{};
  uint32_t end = 0, start = 0;
  TWay crossing = Way(w[0]);
  crossing.Waytype = 1;
  crossing.A_Overwrite();
  EXPECT_EQ(FatalOf([&] { NodesofCon(at[1], a, b, end, start); }),
            Fatal("Unforeseen Waytype in gp_signals.NodesofCon! Please implement handling"));
  crossing.Waytype = 2;
  crossing.A_Overwrite();

  ASSERT_EQ(Place(at[1]), TConstructResult::Success());
  ASSERT_EQ(Place(at[2]), TConstructResult::Success());
  Signal(Pair(at[1]).second).Destroy();
  EXPECT_EQ(FatalOf([&] { Remove(at[1]); }), Fatal("Error in gp_signals: this con has only 1 signal!"));
  TWay blockless = Way(w[2]);
  blockless.Block = 0;
  blockless.A_Overwrite();
  EXPECT_EQ(FatalOf([&] { Remove(at[2]); }), Fatal("Error in gp_signals: one block is zero here!"));
  // With two neighbours a way without block cannot be taken out.
  EXPECT_EQ(FatalOf([&] { RemoveWayFromBlockSystem(blockless); }),
            Fatal("Error in RemoveWayFromBlockSystem: This way had no block!?"));
}

}  // namespace
