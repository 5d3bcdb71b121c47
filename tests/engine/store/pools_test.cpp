// The node, connection and train pools beside the record store.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/store/connectpool.h"
#include "engine/store/nodepool.h"
#include "engine/store/trainpool.h"
#include "tests/engine/store/store_fixture.h"

using namespace arrayer_testing;

namespace {

using NodePool = ArrayerTest;
using ConnectPool = ArrayerTest;
using TrainPool = ArrayerTest;
using Pools = ArrayerTest;

TNode MakeNode(float x) {
  TNode n{};
  InitNode(n, {x, 0.0f, 2.0f * x});
  return n;
}

TEST_F(NodePool, NodesAreNumberedFromOneAndThePoolGrowsByOneStep) {
  EXPECT_EQ(NodeArrayCount, 1000u);
  EXPECT_EQ(AddNode(MakeNode(1)), 1u);
  EXPECT_EQ(AddNode(MakeNode(2)), 2u);
  EXPECT_EQ(AddNode(MakeNode(3)), 3u);
  EXPECT_EQ(NodeByIndex(2).Position.z, 4.0f);
  TNode* const base = MemNodeArray;
  for (uint32_t i = 4; i <= 1000; ++i) ASSERT_EQ(AddNode(MakeNode(static_cast<float>(i))), i);
  EXPECT_EQ(NodeArrayCount, 1000u);
  EXPECT_EQ(AddNode(MakeNode(1001)), 1001u);
  EXPECT_EQ(NodeArrayCount, 2000u);
  EXPECT_EQ(MemNodeArray, base);  // the block never moves
  EXPECT_EQ(NodeByIndex(1002).Used, 0);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(MemNodeArray) % 32, 0u);
}

TEST_F(NodePool, FreedNodeIsReusedOnlyOnceTheSearchWraps) {
  for (uint32_t i = 1; i <= 10; ++i) AddNode(MakeNode(static_cast<float>(i)));
  DeleteNode(5);
  EXPECT_EQ(NodeByIndex(5).Used, 0);
  EXPECT_EQ(NodeByIndex(5).Position.x, 5.0f);  // only the marker is cleared
  EXPECT_EQ(AddNode(MakeNode(11)), 11u);
  for (uint32_t i = 12; i <= 1000; ++i) AddNode(MakeNode(static_cast<float>(i)));
  EXPECT_EQ(AddNode(MakeNode(-5)), 5u);
  EXPECT_EQ(NodeByIndex(5).Position.x, -5.0f);
  EXPECT_EQ(AddNode(MakeNode(1001)), 1001u);
  EXPECT_EQ(FatalOf([] { DeleteNode(0); }), Fatal("Error: UTNode: DeleteNode: The Index is invalid! Index : 0"));
}

TEST_F(NodePool, InitNodeSetsTheCreationFieldsAndKeepsTheRest) {
  TNode n;
  std::memset(&n, 0xAB, sizeof(n));
  InitNode(n, {1.0f, 2.0f, 3.0f});
  EXPECT_EQ(n.Position.y, 2.0f);
  EXPECT_EQ(n.Way, 0u);
  EXPECT_EQ(n.Signal, 0u);
  EXPECT_EQ(n.PrevLinkCount, 0);
  EXPECT_EQ(n.NextLinkCount, 0);
  EXPECT_EQ(n.Used, 255);
  EXPECT_EQ(n.Flags, 0);
  EXPECT_EQ(n.NextLinks[1], 0xABABABABu);
  n.Used = 3;  // a node inside a building carries its number there
  const uint32_t i = AddNode(n);
  EXPECT_EQ(NodeByIndex(i).Used, 3);
  EXPECT_EQ(NodeByIndex(i).LinkValues[3], 0xABABABABu);
}

TEST_F(NodePool, ClearPFIDArrayClearsTheMarksOfEveryCountedNode) {
  EXPECT_EQ(PFIDMark, 0);
  for (uint32_t i = 0; i < NodeArrayCount; ++i) PFIDArray[i] = 7;
  ClearPFIDArray();
  EXPECT_EQ(PFIDMark, 1);
  for (uint32_t i = 0; i < NodeArrayCount; ++i) ASSERT_EQ(PFIDArray[i], 0);
}

TEST_F(ConnectPool, ConnectionsAreAddedInUseAndCountTheirWays) {
  TConnect c;
  std::memset(&c, 0x11, sizeof(c));
  ClearConnect(c, 1);
  EXPECT_EQ(c.WayType, 1);
  EXPECT_EQ(c.WayA, 0u);
  EXPECT_EQ(ConnectWayCount(c), 0u);
  c.WayB = 9;
  EXPECT_EQ(ConnectWayCount(c), 0u);  // way B counts only with way A
  c.WayA = 8;
  EXPECT_EQ(ConnectWayCount(c), 2u);
  c.WayB = 0;
  EXPECT_EQ(ConnectWayCount(c), 1u);
  c.Position = {5, 6, 7};
  EXPECT_EQ(AddConnect(c), 1u);
  TConnect got{};
  GetConnect(got, 1);
  EXPECT_EQ(got.Used, 1);
  EXPECT_EQ(got.WayA, 8u);
  EXPECT_EQ(got.Position.z, 7.0f);
  EXPECT_EQ(FatalOf([&] { GetConnect(got, 1001); }),
            Fatal("Error: UTConnect: GetConnect: The Index is invalid! Index : 1001"));
}

std::vector<uint32_t> g_unconnected;

TEST_F(ConnectPool, DeletingAJunctionAsksForItsBuildingAndTheWalkSkipsIt) {
  TConnect c{};
  ClearConnect(c, 0);
  AddConnect(c);
  c.JunctionBuilding = 42;
  AddConnect(c);
  AddConnect(c);
  g_unconnected.clear();
  const auto installed = connect_hooks::DestroyUnconnectedBuilding;
  connect_hooks::DestroyUnconnectedBuilding = [](uint32_t b) { g_unconnected.push_back(b); };
  DeleteConnect(1);
  EXPECT_TRUE(g_unconnected.empty());
  DeleteConnect(2);
  EXPECT_EQ(g_unconnected, std::vector<uint32_t>{42});
  connect_hooks::DestroyUnconnectedBuilding = nullptr;
  DeleteConnect(3);  // without the hook only the marker goes
  connect_hooks::DestroyUnconnectedBuilding = installed;

  AddConnect(c);  // 4
  AddConnect(c);  // 5
  DeleteConnect(4);
  EXPECT_EQ(FindNextConnect(0), 5u);
  EXPECT_EQ(FindNextConnect(5), 0u);
  EXPECT_EQ(FindNextConnect(0xFFFFFFFFu), 0u);
  EXPECT_EQ(ArrayerCounterOf(0, kArrayerPoolWalkRow, 0), 3u);
  EXPECT_EQ(ArrayerCounterOf(3, kArrayerPoolWalkRow, 0), 3u);
}

TEST_F(TrainPool, NewTrainsAndTheWalkOverTrainsInUse) {
  EXPECT_EQ(FindNextTrain(0), 0u);
  EXPECT_EQ(TraindataArrayCount, 100u);
  for (uint32_t i = 1; i <= 7; ++i) {
    ASSERT_EQ(NewTrain(), i);
    EXPECT_EQ(TrainByIndex(i).Index, i);
    if (i == 3 || i == 7) TrainByIndex(i).VBT_Type = kTrainRail;  // the others are left free
  }
  EXPECT_EQ(FindNextTrain(0), 3u);
  EXPECT_EQ(FindNextTrain(3), 7u);
  EXPECT_EQ(FindNextTrain(7), 0u);
  EXPECT_TRUE(IsTrainUsed(7));
  EXPECT_FALSE(IsTrainUsed(6));
  EXPECT_FALSE(IsTrainUsed(0));
  EXPECT_FALSE(IsTrainUsed(101));
  EXPECT_EQ(ArrayerCounterOf(0, kArrayerPoolWalkRow, 1), 4u);
}

TEST_F(Pools, GrowingPastCapacityRaisesTheFlagAndPastTheReserveIsFatal) {
  struct Case {
    const char* name;
    std::function<void()> add;
    uint32_t* count;
    uint32_t capacity;
    uint32_t step;
    const char* text;
  };
  const Case cases[] = {
      {"nodes", [] { AddNode(MakeNode(0)); }, &NodeArrayCount, 100000, 1000,
       "Error: UTNode: NodeArrayGrow: The node pool is full!"},
      {"connections",
       [] {
         TConnect c{};
         AddConnect(c);
       },
       &ConnectArrayCount, 100000, 1000, "Error: UTConnect: ConnectArrayGrow: The connection pool is full!"},
      {"trains", [] { TrainByIndex(NewTrain()).VBT_Type = kTrainRoad; }, &TraindataArrayCount, 10000, 100,
       "Error: UTTrainData: TraindataArrayGrow: The train pool is full!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayerReset();
    for (uint32_t i = 0; i < c.capacity; ++i) c.add();
    EXPECT_EQ(*c.count, c.capacity);
    EXPECT_EQ(ArrayerOverflow, 0);
    c.add();
    EXPECT_EQ(*c.count, c.capacity + c.step);
    EXPECT_EQ(ArrayerOverflow, 1);
    for (uint32_t i = 1; i < c.step; ++i) c.add();
    EXPECT_EQ(FatalOf(c.add), Fatal(c.text));
    EXPECT_EQ(*c.count, c.capacity + c.step);
  }
}

}  // namespace
