// The node, connection and train pools beside the record store, and the removal of a train.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/utconnect.h"
#include "engine/utnode.h"
#include "engine/uttraindata.h"
#include "tests/engine/arrayer_fixture.h"

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

// ---- TTrain::Destroy ----

std::vector<std::string> g_calls;
void (*g_installedPathDestroy)(const TPath&) = nullptr;
void (*g_installedVehicleDestroy)(uint32_t, bool) = nullptr;

void InstallRecordingHooks() {
  g_calls.clear();
  g_installedPathDestroy = train_hooks::PathDestroy;
  g_installedVehicleDestroy = train_hooks::VehicleDestroyByIndex;
  train_hooks::PathDestroy = [](const TPath& p) {
    g_calls.push_back("path " + std::to_string(p.Index) + " nodes " + std::to_string(p.PathNodeCounter));
  };
  train_hooks::VehicleDestroyByIndex = [](uint32_t v, bool fromTrains) {
    g_calls.push_back("vehicle " + std::to_string(v) + (fromTrains ? " from trains" : ""));
  };
  train_hooks::RemoveTrainFromAllBlocks = [](uint32_t t) { g_calls.push_back("blocks " + std::to_string(t)); };
  train_hooks::RemoveTrainFromStreetBlocks = [](uint32_t t) { g_calls.push_back("street " + std::to_string(t)); };
  train_hooks::RemoveTrainFromSchedule = [](uint32_t t, uint32_t s) {
    g_calls.push_back("schedule " + std::to_string(t) + " " + std::to_string(s));
    TrainByIndex(t).Schedule = 0;
    TrainByIndex(t).ScheduleState = 4;
  };
  train_hooks::OnDestroyTrain = [](uint32_t t) { g_calls.push_back("destroyed " + std::to_string(t)); };
}

// The hooks of the units above the engine are taken out; the engine's own are put back.
void RemoveHooks() {
  train_hooks::PathDestroy = g_installedPathDestroy;
  train_hooks::VehicleDestroyByIndex = g_installedVehicleDestroy;
  train_hooks::RemoveTrainFromAllBlocks = nullptr;
  train_hooks::RemoveTrainFromStreetBlocks = nullptr;
  train_hooks::RemoveTrainFromSchedule = nullptr;
  train_hooks::OnDestroyTrain = nullptr;
}

std::vector<int> Elements(const TDestroyResult& r) {
  std::vector<int> e;
  for (int i = 0; i < 48; ++i) {
    if (r.Has(i)) e.push_back(i);
  }
  return e;
}

class TrainDestroy : public ArrayerTest {
 protected:
  void SetUp() override {
    ArrayerTest::SetUp();
    InstallRecordingHooks();
  }
  void TearDown() override {
    RemoveHooks();
    ArrayerTest::TearDown();
  }
  uint32_t MakeTrain(uint8_t kind, uint8_t owner, uint8_t vehicles) {
    const uint32_t t = NewTrain();
    TTrain& tr = TrainByIndex(t);
    tr = TTrain{};  // the caller fills the whole record: a slot keeps the bytes of its last train
    tr.Index = t;
    tr.VBT_Type = kind;
    tr.Owner = owner;
    tr.VehicleCount = vehicles;
    for (int i = 0; i < vehicles; ++i) tr.Vehicles[i] = 500u + i;
    return t;
  }
};

TEST_F(TrainDestroy, CheckModeGivesTheReasonsAgainst) {
  ActPlayer = 2;
  struct Case {
    uint8_t owner;
    uint8_t vehicles;
    std::vector<int> result;
  };
  const Case cases[] = {
      {0, 0, {0}},    // a town car
      {3, 0, {34}},   // another player's train
      {11, 0, {35}},  // an owner beyond the players
      {2, 2, {44}},   // the acting player's train with vehicles
      {3, 2, {34}},   // the owner is tested first
      {2, 0, {0}},
  };
  for (const Case& c : cases) {
    const uint32_t t = MakeTrain(kTrainRail, c.owner, c.vehicles);
    TDestroyResult r;
    std::memset(&r, 0xFF, sizeof(r));
    TTrain::Destroy(t, 0, r);
    EXPECT_EQ(Elements(r), c.result) << int(c.owner) << " " << int(c.vehicles);
    EXPECT_EQ(TrainByIndex(t).VBT_Type, kTrainRail);  // checks change nothing
    TTrain::Destroy(t, 1, r);
    EXPECT_EQ(Elements(r), c.result);
    EXPECT_EQ(IsTrainUsed(t), c.result != std::vector<int>{0});
  }
  EXPECT_EQ(g_calls, (std::vector<std::string>{"blocks 1", "destroyed 1", "blocks 6", "destroyed 6"}));
}

TEST_F(TrainDestroy, DeleteModeRemovesPathVehiclesBlocksAndScheduleInOrder) {
  TPath p{};
  p.PathNodeCounter = 3;
  p.A_Write();
  const uint32_t t = MakeTrain(kTrainRail, 5, 2);
  TrainByIndex(t).Path = p.Index;
  TrainByIndex(t).Schedule = 17;
  TDestroyResult r{};
  TTrain::Destroy(t, 2, r);
  EXPECT_EQ(Elements(r), std::vector<int>{0});
  EXPECT_EQ(g_calls, (std::vector<std::string>{"path 1 nodes 3", "vehicle 500", "vehicle 501", "blocks 1",
                                               "schedule 1 17", "destroyed 1"}));
  EXPECT_FALSE(IsTrainUsed(t));
  EXPECT_EQ(TrainByIndex(t).VBT_Type, kTrainFree);

  g_calls.clear();
  const uint32_t road = MakeTrain(kTrainRoad, 0, 0);
  TTrain::Destroy(road, 2, r);
  EXPECT_EQ(road, 2u);  // the search goes on above the last index handed out
  EXPECT_EQ(g_calls, (std::vector<std::string>{"street 2", "destroyed 2"}));

  // Without the services of the units above the engine the slot is freed all the same, and the
  // engine's own removals take the train's path and vehicles from the store.
  RemoveHooks();
  TVehicle v{};
  v.A_Write();
  p.A_Write();
  const uint32_t plain = MakeTrain(kTrainRail, 0, 1);
  TrainByIndex(plain).Vehicles[0] = v.Index;
  TrainByIndex(plain).Path = p.Index;
  TTrain::Destroy(plain, 2, r);
  EXPECT_FALSE(IsTrainUsed(plain));
  EXPECT_FALSE(ArrayerHolds(kTVehicleDesc, v.Index));
  EXPECT_FALSE(ArrayerHolds(kTPathDesc, p.Index));
}

TEST_F(TrainDestroy, UnsupportedKindAndBadIndexAreFatal) {
  const uint32_t t = MakeTrain(kTrainRail, 0, 0);
  TrainByIndex(t).VBT_Type = 2;
  TDestroyResult r{};
  EXPECT_EQ(FatalOf([&] { TTrain::Destroy(t, 2, r); }),
            Fatal("TTrain.Destroy : Unsupported VBT_Type has been deleted! Index : 1 0"));
  TrainByIndex(t).VBT_Type = kTrainFree;
  EXPECT_EQ(FatalOf([&] { TTrain::Destroy(t, 2, r); }),
            Fatal("TTrain.Destroy : Unsupported VBT_Type has been deleted! Index : 1 0"));
  EXPECT_EQ(FatalOf([&] { TTrain::Destroy(0, 0, r); }), Fatal("TTrain.Destroy : Index out of range! Index : 0"));
}

}  // namespace
