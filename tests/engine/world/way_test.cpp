// Way records: creation, length and cost, and the removal cascade of TWay::Destroy on the small
// test world.
#include <gtest/gtest.h>

#include <memory>

#include "engine/mesh/meshrecords.h"
#include "engine/world/path.h"
#include "tests/engine/world/world_fixture.h"

namespace {

using namespace world_testing;
using testing_support::Warnings;
using Calls = std::vector<std::string>;

class WayRecords : public WorldTest {
 protected:
  // Connections 1 to n along x, 100 apart.
  static std::vector<uint32_t> Row(int n) {
    std::vector<uint32_t> c;
    for (int i = 0; i < n; ++i) c.push_back(AddConnection(100.0f * i, 0.0f));
    return c;
  }
  static TDestroyResult Destroy(uint32_t way, uint8_t mode) {
    TDestroyResult r;
    std::memset(&r, 0xFF, sizeof(r));
    TWay::DestroyByIndex(way, mode, r);
    return r;
  }
};

TEST_F(WayRecords, InitSetsUseTypeAndTheActingOwnerAndTown) {
  ActPlayer = 4;
  ActCity = 9;
  TWay w;
  std::memset(static_cast<void*>(&w), 0xAB, sizeof(w));
  w.Init(1, 3);
  EXPECT_EQ(w.Use, 1);
  EXPECT_EQ(w.Waytype, 3);
  EXPECT_EQ(w.Owner, 4);
  EXPECT_EQ(w.City, 9);
  EXPECT_EQ(w.State, 0);
  EXPECT_EQ(w.Index, 0u);
  EXPECT_EQ(w.Nodes[99], 0u);
  EXPECT_EQ(w.Completion, 0);
}

TEST_F(WayRecords, CostIsTenPerUnitOfRoadAndFifteenOfRailByWaytype) {
  const auto c = Row(2);
  struct Case {
    uint8_t use, waytype;
    float length, cost;
    const char* warning;
  };
  const Case cases[] = {
      {0, 0, 12.5f, 125.0f, nullptr},
      {1, 2, 12.5f, 187.5f, nullptr},
      {1, 3, 12.5f, 187.5f, nullptr},
      {0, 6, 4.0f, 40.0f, nullptr},
      {0, 5, 12.5f, 0.0f, nullptr},  // a plain router costs nothing
      {2, 0, 12.5f, 0.0f, nullptr},
      {4, 2, 12.5f, 0.0f, nullptr},
      {0, 0, 0.0f, 1000.0f, nullptr},  // the way's own length: 100 between its connections
      {1, 2, 0.0f, 1500.0f, nullptr},
      {5, 0, 12.5f, 0.0f, "WARNING: TWay.WayCost: Unsupp. Use"},
      {0, 7, 12.5f, 0.0f, "WARNING: TWay.WayCost: Unsupp. Typ"},
  };
  for (const Case& k : cases) {
    Warnings().clear();
    TWay w{};
    w.Init(k.use, k.waytype);
    w.ConnectionCounter = 2;
    w.Connections[0] = c[0];
    w.Connections[1] = c[1];
    EXPECT_EQ(w.WayCost(k.length), k.cost) << int(k.use) << " " << int(k.waytype) << " " << k.length;
    EXPECT_EQ(Warnings(), k.warning ? Calls{k.warning} : Calls{});
  }
}

TEST_F(WayRecords, LengthNeedsTwoConnections) {
  const uint32_t a = AddConnection(0.0f, 0.0f), b = AddConnection(30.0f, 40.0f);
  TWay w{};
  w.ConnectionCounter = 2;
  w.Connections[0] = a;
  w.Connections[1] = b;
  EXPECT_EQ(w.Length(), 50.0f);
  w.ConnectionCounter = 1;
  EXPECT_EQ(w.Length(), 0.0f);
  w.ConnectionCounter = 2;
  w.Connections[1] = 0;
  EXPECT_EQ(w.Length(), 0.0f);
}

TEST_F(WayRecords, OnlyUnfinishedRoutersCannotBeDemolished) {
  struct Case {
    uint8_t waytype, completion;
    bool can;
  };
  const Case cases[] = {{0, 0, true}, {0, 9, true},  {3, 3, false}, {3, 4, true}, {1, 4, false},
                        {1, 5, true}, {6, 0, false}, {6, 5, true},  {5, 0, true}, {2, 1, true}};
  for (const Case& k : cases) {
    TWay w{};
    w.Waytype = k.waytype;
    w.Completion = k.completion;
    EXPECT_EQ(w.CanBeDemolished(), k.can) << int(k.waytype) << " " << int(k.completion);
  }
}

// Mode 0: the reasons against, one world per case; a check changes nothing.
TEST_F(WayRecords, CheckGivesTheReasonsAgainstAndChangesNothing) {
  struct Case {
    const char* name;
    uint8_t owner;
    bool freeBuild;
    int convoyOwner;  // -1 none
    int buildings;
    bool rail;
    std::vector<int> result;
  };
  const Case cases[] = {
      {"another player's way", 2, false, -1, 0, false, {36}},
      {"way without owner", 0, false, -1, 0, false, {37}},
      {"free build mode", 2, true, -1, 0, false, {0}},
      {"free build mode, no owner", 0, true, -1, 0, false, {0}},
      {"a player's convoy", 1, false, 1, 0, false, {39}},
      {"another player's convoy", 1, false, 3, 0, false, {39}},
      {"a town car", 1, false, 0, 0, false, {0}},
      {"a train in the rail way's block", 1, false, 1, 0, true, {40}},
      {"two roadside buildings", 1, false, -1, 2, false, {43}},
      {"convoy and buildings", 1, false, 1, 1, false, {39, 43}},
      {"the owner is looked at first", 2, false, 1, 2, false, {36}},
      {"nothing against", 1, false, -1, 0, false, {0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    ArrayerReset();
    FreeBuildMode = k.freeBuild;
    const auto c = Row(2);
    const uint32_t w = AddPlainWay(c[0], c[1], k.rail ? 1 : 0, k.owner);
    const TWay way = Way(w);
    uint32_t train = 0;
    if (k.convoyOwner >= 0)
      train = AddTrain(k.rail ? kTrainRail : kTrainRoad, k.convoyOwner, {way.Nodes[2], way.Nodes[3]});
    if (k.rail) {
      TBlock b{};
      b.A_Read(way.Block);
      b.TrainCount = 1;
      b.Trains[0] = train;
      b.A_ReWrite();
    }
    for (int i = 0; i < k.buildings; ++i) AddRoadsideBuilding(w);
    HookCalls().clear();
    EXPECT_EQ(Elements(Destroy(w, 0)), k.result);
    EXPECT_TRUE(HasWay(w));
    EXPECT_EQ(Way(w).Owner, k.owner);  // free build mode changes the checked copy only
    if (train) {
      EXPECT_TRUE(IsTrainUsed(train));
    }
    EXPECT_EQ(HookCalls(), Calls{});
    EXPECT_EQ(Players[1].Finances[0].WayValue, 0.0f);
  }
  FreeBuildMode = 0;
}

TEST_F(WayRecords, CheckOfAnOwnerBeyondThePlayersIsFatal) {
  const auto c = Row(2);
  const uint32_t w = AddPlainWay(c[0], c[1], 0, 11);
  EXPECT_EQ(FatalOf([&] { Destroy(w, 0); }), Fatal("Error in UTWay.Destroy: Undefined Wayowner!"));
}

TEST_F(WayRecords, RemovingAWayBetweenTwoOthersTakesOnlyItsOwnLinks) {
  const auto c = Row(4);
  const uint32_t w1 = AddPlainWay(c[0], c[1]), w2 = AddPlainWay(c[1], c[2]), w3 = AddPlainWay(c[2], c[3]);
  const TWay a = Way(w1), b = Way(w2), d = Way(w3);
  LocalWorldChanged = 0;
  ASSERT_EQ(b.Nodes[0], a.Nodes[1]);  // the chain shares its meeting nodes
  ASSERT_EQ(b.Nodes[3], a.Nodes[2]);
  ASSERT_EQ(d.Nodes[0], b.Nodes[1]);

  EXPECT_EQ(Elements(Destroy(w2, 1)), std::vector<int>{0});
  EXPECT_FALSE(HasWay(w2));
  EXPECT_TRUE(HasWay(w1));
  EXPECT_TRUE(HasWay(w3));
  EXPECT_EQ(HookCalls(), (Calls{"RemoveWayFromBlockSystem 2", "OnDestroyWay 2", "RemovePathsOfWay 0 [] 999"}));
  EXPECT_EQ(LocalWorldChanged, 1);

  // W1's lane 1 still ends at its meeting node, which has lost only its way to W2's end.
  const TNode& meet = NodeByIndex(b.Nodes[0]);
  EXPECT_EQ(meet.PrevLinkCount, 1);
  EXPECT_EQ(meet.PrevLinks[0], a.Nodes[0]);
  EXPECT_EQ(meet.NextLinkCount, 0);
  EXPECT_EQ(meet.Way, 0u);
  // W3's lane 1 starts where W2's ended: its start keeps its own link onward.
  const TNode& start3 = NodeByIndex(d.Nodes[0]);
  EXPECT_EQ(start3.PrevLinkCount, 0);
  EXPECT_EQ(start3.NextLinkCount, 1);
  EXPECT_EQ(start3.Way, w3);
  // W2's lane 2 start keeps W3's lane 2 coming in; W1's lane 2 start has lost W2's link.
  EXPECT_EQ(NodeByIndex(b.Nodes[2]).PrevLinkCount, 1);
  EXPECT_EQ(NodeByIndex(b.Nodes[2]).NextLinkCount, 0);
  EXPECT_EQ(NodeByIndex(a.Nodes[2]).PrevLinkCount, 0);
  EXPECT_EQ(NodeByIndex(a.Nodes[2]).NextLinks[0], a.Nodes[3]);
  for (const uint32_t n : b.Nodes) {
    if (n) {
      EXPECT_TRUE(NodeUsed(n)) << n;  // every node still carries a neighbour's lane
    }
  }
  // Both connections still hold the other way.
  EXPECT_EQ(ConnectByIndex(c[1]).Used, 1);
  EXPECT_EQ(ConnectByIndex(c[1]).WayA, w1);
  EXPECT_EQ(ConnectByIndex(c[1]).WayB, 0u);
  EXPECT_EQ(ConnectByIndex(c[2]).Used, 1);
  EXPECT_EQ(ConnectByIndex(c[2]).WayA, w3);
  EXPECT_EQ(ConnectByIndex(c[2]).WayB, 0u);
  // A built way leaves its owner's property and road length.
  EXPECT_EQ(Players[1].Finances[0].WayValue, -1000.0f);
  EXPECT_EQ(Players[1].Finances[0].RoadLength, -100.0f);
  EXPECT_EQ(Players[1].Finances[0].RailLength, 0.0f);
}

TEST_F(WayRecords, TheOnlyWayAtAConnectionTakesItsNodesTheConnectionAndItsJunctionBuilding) {
  const auto c = Row(2);
  const uint32_t w = AddPlainWay(c[0], c[1], 1);
  TBuilding junction{};
  junction.Init(kHouseType, 1);
  junction.A_Write();
  ConnectByIndex(c[0]).JunctionBuilding = junction.Index;
  const TWay way = Way(w);
  EXPECT_EQ(Elements(Destroy(w, 2)), std::vector<int>{0});
  for (const uint32_t n : way.Nodes) {
    if (n) {
      EXPECT_FALSE(NodeUsed(n)) << n;
    }
  }
  EXPECT_EQ(ConnectByIndex(c[0]).Used, 0);
  EXPECT_EQ(ConnectByIndex(c[1]).Used, 0);
  EXPECT_FALSE(HasBuilding(junction.Index));
  EXPECT_EQ(CallsOf({"DestroyUnconnectedBuilding", "OnDestroyBuilding", "OnDestroyWay"}),
            (Calls{"DestroyUnconnectedBuilding 2", "OnDestroyBuilding", "OnDestroyWay 1"}));
  EXPECT_EQ(Players[1].Finances[0].RailLength, -100.0f);
  EXPECT_EQ(Players[1].Finances[0].WayValue, -1500.0f);
}

TEST_F(WayRecords, VehiclesOnTheWayGoWithItInForcedMode) {
  const auto c = Row(2);
  const uint32_t w = AddPlainWay(c[0], c[1]);
  const TWay way = Way(w);
  const uint32_t convoy = AddTrain(kTrainRoad, 1, {way.Nodes[0], way.Nodes[1]});
  const uint32_t townCar = AddTrain(kTrainRoad, 0, {way.Nodes[2]});
  const uint32_t elsewhere = AddTrain(kTrainRoad, 1, {999});
  // Mode 1 refuses while the convoy stands there; the town car does not count.
  EXPECT_EQ(Elements(Destroy(w, 1)), std::vector<int>{39});
  EXPECT_TRUE(HasWay(w));
  EXPECT_TRUE(IsTrainUsed(convoy));
  // Mode 2 removes the convoy, sends the town car away and removes the way all the same.
  EXPECT_EQ(Elements(Destroy(w, 2)), std::vector<int>{39});
  EXPECT_FALSE(HasWay(w));
  EXPECT_FALSE(IsTrainUsed(convoy));
  EXPECT_FALSE(IsTrainUsed(townCar));
  EXPECT_TRUE(IsTrainUsed(elsewhere));
  EXPECT_EQ(CallsOf({"OnDestroyTrain", "RemoveCivilianCar", "OnDestroyWay"}),
            (Calls{"OnDestroyTrain 1", "RemoveCivilianCar 2", "OnDestroyTrain 2", "OnDestroyWay 1"}));
}

TEST_F(WayRecords, ATrainAheadBeyondItsClosingNodeIsNotOnTheWay) {
  const auto c = Row(2);
  const uint32_t w = AddPlainWay(c[0], c[1]);
  const TWay way = Way(w);
  const uint32_t t = AddTrain(kTrainRoad, 1, {500, 501, way.Nodes[0]});
  TrainByIndex(t).ClosingNode = 501;  // the list ends there
  EXPECT_EQ(Elements(Destroy(w, 0)), std::vector<int>{0});
  TrainByIndex(t).ClosingNode = way.Nodes[0];
  EXPECT_EQ(Elements(Destroy(w, 0)), std::vector<int>{39});
  // A node of the way that another way owns does not count.
  NodeByIndex(way.Nodes[0]).Way = 77;
  EXPECT_EQ(Elements(Destroy(w, 0)), std::vector<int>{0});
}

TEST_F(WayRecords, RoadsideBuildingsGoBeforeTheRoad) {
  const auto c = Row(2);
  const uint32_t w = AddPlainWay(c[0], c[1]);
  const uint32_t h1 = AddRoadsideBuilding(w, 1), h2 = AddRoadsideBuilding(w, 2);
  ASSERT_EQ(BuildingCount(kHouseType), 2u);
  EXPECT_EQ(Elements(Destroy(w, 1)), std::vector<int>{43});
  EXPECT_TRUE(HasBuilding(h1));
  EXPECT_EQ(Elements(Destroy(w, 2)), std::vector<int>{43});
  EXPECT_FALSE(HasWay(w));
  EXPECT_FALSE(HasBuilding(h1));
  EXPECT_FALSE(HasBuilding(h2));
  EXPECT_EQ(BuildingCount(kHouseType), 0u);
  EXPECT_EQ(CallsOf({"OnDestroyBuilding", "OnDestroyWay"}),
            (Calls{"OnDestroyBuilding", "OnDestroyBuilding", "OnDestroyWay 1"}));
  EXPECT_EQ(Players[1].Finances[0].BuildingValue, -10000.0f);
}

TEST_F(WayRecords, APlannedWayGivesItsPreBookedCostBack) {
  const auto c = Row(2);
  const uint32_t mine = AddPlainWay(c[0], c[1], 0, 1, 0);
  EXPECT_EQ(Elements(Destroy(mine, 1)), std::vector<int>{0});
  EXPECT_EQ(Players[1].PrevCost.get(), -1000.0L);
  EXPECT_EQ(Players[1].Finances[0].WayValue, 0.0f);

  const auto c2 = Row(2);
  const uint32_t town = AddPlainWay(c2[0], c2[1], 1, 0, 0);
  TWay t = Way(town);
  t.City = 5;
  t.A_Overwrite();
  EXPECT_EQ(Elements(Destroy(town, 2)), std::vector<int>{0});
  EXPECT_EQ(Cities[5].Budget.get(), 1500.0L);
  EXPECT_EQ(CallsOf({"AddtoPrevCost"}), (Calls{"AddtoPrevCost 1 0 1000", "AddtoPrevCost 0 5 1500"}));
}

TEST_F(WayRecords, ValidPathsOverTheWayMustBeSearchedAgain) {
  const auto c = Row(3);
  const uint32_t w1 = AddPlainWay(c[0], c[1]), w2 = AddPlainWay(c[1], c[2]);
  const TWay a = Way(w1), b = Way(w2);
  const uint32_t over = AddPath(0, {900, a.Nodes[3]});
  const uint32_t rail = AddPath(1, {a.Nodes[0]});
  const uint32_t other = AddPath(0, {b.Nodes[1]});
  EXPECT_EQ(Elements(Destroy(w1, 2)), std::vector<int>{0});
  auto p = std::make_unique<TPath>();
  p->A_Read(over);
  EXPECT_EQ(p->Invalid, 1);
  p->A_Read(rail);
  EXPECT_EQ(p->Invalid, 0);
  p->A_Read(other);
  EXPECT_EQ(p->Invalid, 0);
  EXPECT_EQ(FindPathOfUse(0, 0), other);
}

TEST_F(WayRecords, RouteEndsAndTheirBranchesAreHandedToThePathRemoval) {
  const auto c = Row(2);
  const uint32_t w = AddPlainWay(c[0], c[1]);
  const TWay way = Way(w);
  // Behind the way's first node: a switch with two next links, then one more node.
  TNode n{};
  InitNode(n, TVector{-50, 0, 0});
  const uint32_t sw = AddNode(n), mid = AddNode(n), side = AddNode(n);
  auto link = [](uint32_t a, uint32_t b) {
    TNode& x = NodeByIndex(a);
    TNode& y = NodeByIndex(b);
    x.NextLinks[x.NextLinkCount++] = b;
    y.PrevLinks[y.PrevLinkCount++] = a;
  };
  link(sw, mid);
  link(sw, side);
  link(mid, way.Nodes[0]);
  NodeByIndex(way.Nodes[0]).Flags = kNodeFlagRouteEnd | kNodeFlagStation;
  NodeByIndex(way.Nodes[2]).Flags = kNodeFlagRouteEnd;  // its walk back finds no branch
  EXPECT_EQ(Elements(Destroy(w, 2)), std::vector<int>{0});
  EXPECT_EQ(CallsOf({"RemovePathsOfWay"}),
            Calls{"RemovePathsOfWay 3 [" + std::to_string(way.Nodes[0]) + " " + std::to_string(sw) + " " +
                  std::to_string(way.Nodes[2]) + "] 999 station"});
  EXPECT_EQ(NodeByIndex(way.Nodes[0]).Flags, kNodeFlagRouteEnd);  // the station flag is cleared
}

TEST_F(WayRecords, RouterWalkBackStopsAtALoopAndAtTheStart) {
  TNode n{};
  InitNode(n, TVector{0, 0, 0});
  const uint32_t a = AddNode(n), b = AddNode(n), c = AddNode(n);
  auto link = [](uint32_t x, uint32_t y) {
    NodeByIndex(x).NextLinks[NodeByIndex(x).NextLinkCount++] = y;
    NodeByIndex(y).PrevLinks[NodeByIndex(y).PrevLinkCount++] = x;
  };
  link(a, b);
  link(b, c);
  link(c, a);  // a ring without branches
  TWayEndNodes ends;
  TWay::CollectRouterNode(a, ends);
  EXPECT_EQ(ends.Count, 0u);
  const uint32_t d = AddNode(n);
  link(d, b);  // b now has two previous links
  TWay::CollectRouterNode(a, ends);
  EXPECT_EQ(ends.Count, 1u);
  EXPECT_EQ(ends.Nodes[0], b);
}

TEST_F(WayRecords, SignalsAtTheReleasedNodesGoAndTheirBlockIsCollectedAgain) {
  const auto c = Row(2);
  const uint32_t w = AddPlainWay(c[0], c[1]);
  const TWay way = Way(w);
  TBlock block{};
  block.A_Write();
  auto signal = [&](uint32_t node) {
    TSignal s{};
    s.Node = node;
    s.Block = block.Index;
    s.A_Write();
    if (node) NodeByIndex(node).Signal = s.Index;
    block.InSignals[block.Insignalcounter++] = s.Index;
    return s.Index;
  };
  const uint32_t atStart = signal(way.Nodes[0]), atSuccessor = signal(way.Nodes[1]), kept = signal(0);
  block.A_ReWrite();
  EXPECT_EQ(Elements(Destroy(w, 2)), std::vector<int>{0});
  EXPECT_FALSE(ArrayerHolds(kTSignalDesc, atStart));
  EXPECT_FALSE(ArrayerHolds(kTSignalDesc, atSuccessor));
  EXPECT_TRUE(ArrayerHolds(kTSignalDesc, kept));
  block.A_Read(block.Index);
  ASSERT_EQ(block.Insignalcounter, 1);
  EXPECT_EQ(block.InSignals[0], kept);
  EXPECT_EQ(CallsOf({"CollectBlockSignals"}), (Calls{"CollectBlockSignals 1", "CollectBlockSignals 1"}));
}

TEST_F(WayRecords, MeshAndPassengerWaysAreReleased) {
  const auto c = Row(2);
  const uint32_t w = AddPlainWay(c[0], c[1]);
  auto mesh = std::make_unique<TMeshdata2>();
  *mesh = TMeshdata2{};
  mesh->A_Write();
  TWay way = Way(w);
  way.Mesh = mesh->Index;
  way.PsgrWays[0] = 31;
  way.PsgrWays[2] = 33;
  way.A_Overwrite();
  EconomyRecords::PsgrWays[31] = TPsgrWayFields{31, 2.5f, 0, {}, 1};
  EXPECT_EQ(Elements(Destroy(w, 2)), std::vector<int>{0});
  EXPECT_FALSE(ArrayerHolds(kTMeshdata2Desc, mesh->Index));
  EXPECT_EQ(CallsOf({"OverwritePsgrWay", "PsgrWayDestroyIfUnused"}),
            (Calls{"OverwritePsgrWay 31 passengers 2.5 used 0", "PsgrWayDestroyIfUnused 31",
                   "OverwritePsgrWay 33 passengers 0 used 0", "PsgrWayDestroyIfUnused 33"}));
}

TEST_F(WayRecords, AStationWayLeavesItsStationWhichGoesWhenEmpty) {
  const auto c = Row(3);
  const uint32_t road = AddPlainWay(c[0], c[1]), rail = AddPlainWay(c[1], c[2], 1);
  const uint32_t s = AddStation(50, 0);
  AddStationWay(s, road);
  AddStationWay(s, rail);
  const uint32_t roadLine = AddSchedule(0, {}), railLine = AddSchedule(1, {}), fresh = AddSchedule(0, {}, 0);
  EXPECT_EQ(Elements(Destroy(road, 2)), std::vector<int>{0});
  auto station = std::make_unique<TStation>();
  station->A_Read(s);
  EXPECT_EQ(station->StationWayCounter, 1);
  EXPECT_EQ(station->Ways[0], rail);
  EXPECT_EQ(station->ServiceFlags, 1 | 16);  // no road service any more
  TSchedule line{};
  line.A_Read(roadLine);
  EXPECT_EQ(line.State, 2);  // calculated lines of that use are to be calculated again
  line.A_Read(railLine);
  EXPECT_EQ(line.State, 1);
  line.A_Read(fresh);
  EXPECT_EQ(line.State, 0);

  // The last way takes the station along, before the way itself goes.
  EXPECT_EQ(Elements(Destroy(rail, 2)), std::vector<int>{0});
  EXPECT_FALSE(HasStation(s));
  EXPECT_EQ(CallsOf({"OnDestroyStation", "OnDestroyWay"}),
            (Calls{"OnDestroyWay 1", "OnDestroyStation 1", "OnDestroyWay 2"}));
  EXPECT_EQ(CallsOf({"RemovePathsOfWay"}).back(), "RemovePathsOfWay 0 [] 999 station");
  line.A_Read(railLine);
  EXPECT_EQ(line.State, 2);
}

TEST_F(WayRecords, AWayOfABuildingLeavesTheBuildingsList) {
  const auto c = Row(3);
  const uint32_t w1 = AddPlainWay(c[0], c[1]), w2 = AddPlainWay(c[1], c[2]);
  TBuilding b{};
  b.Init(kDepotType, 1);
  b.BuildingWayCounter = 2;
  b.Ways[0] = w1;
  b.Ways[1] = w2;
  b.A_Write();
  for (const uint32_t w : {w1, w2}) {
    TWay way = Way(w);
    way.Building = b.Index;
    way.A_Overwrite();
  }
  EXPECT_EQ(Elements(Destroy(w1, 2)), std::vector<int>{0});
  b.A_Read(b.Index);
  ASSERT_EQ(b.BuildingWayCounter, 1);
  EXPECT_EQ(b.Ways[0], w2);
}

TEST_F(WayRecords, AWayUnknownToItsBuildingOrStationIsFatal) {
  const auto c = Row(2);
  const uint32_t w = AddPlainWay(c[0], c[1]);
  TBuilding b{};
  b.Init(kDepotType, 1);
  b.A_Write();
  TWay way = Way(w);
  way.Building = b.Index;
  EXPECT_EQ(FatalOf([&] { way.RemoveFromBuilding(); }),
            Fatal("ERROR: UTWay: TWay.RemoveFromBuilding: The Way is unknown by the Building"));
  way.Station = AddStation(0, 0);
  EXPECT_EQ(FatalOf([&] { way.RemoveFromStation(); }),
            Fatal("ERROR: UTWay: TWay.RemoveFromStation: The Way is unknown by the Station"));
}

TEST_F(WayRecords, TextsOfUnsupportedTypesAndUses) {
  const auto c = Row(2);
  const uint32_t w = AddPlainWay(c[0], c[1]);
  TWay way = Way(w);
  way.Waytype = 4;
  way.A_Overwrite();
  EXPECT_EQ(FatalOf([&] { Destroy(w, 0); }), Fatal("ERROR: UTWay: TWay.Destroy: W4EndRouter are not implementiert!"));
  way.Waytype = 7;
  way.A_Overwrite();
  EXPECT_EQ(Elements(Destroy(w, 0)), std::vector<int>{0});  // only the removal needs the type
  Warnings().clear();
  EXPECT_EQ(FatalOf([&] { Destroy(w, 2); }), Fatal("ERROR in TWay.Destroy: Unsupp. waytype!"));
  way.Waytype = 0;
  way.Use = 5;
  way.A_Overwrite();
  Warnings().clear();
  EXPECT_EQ(Elements(Destroy(w, 2)), std::vector<int>{0});
  EXPECT_EQ(Warnings(), (Calls{"ERROR: UTWay: destroy: Unsuportet Way.Use!", "WARNING: TWay.WayCost: Unsupp. Use"}));
}

TEST_F(WayRecords, ACompletedRouterTakesTheWaysAtItsConnectionsAlong) {
  const auto c = Row(4);
  const uint32_t w1 = AddPlainWay(c[0], c[1]);
  const uint32_t router = AddRouter({c[1], c[2]}, 1, 5);
  const uint32_t w3 = AddPlainWay(c[2], c[3]);
  const TWay r = Way(router);
  EXPECT_EQ(Elements(Destroy(router, 2)), std::vector<int>{0});
  EXPECT_FALSE(HasWay(w1));
  EXPECT_FALSE(HasWay(w3));
  EXPECT_FALSE(HasWay(router));
  for (const uint32_t con : c) EXPECT_EQ(ConnectByIndex(con).Used, 0) << con;
  EXPECT_EQ(HookCalls(),
            (Calls{"WaysAtCons 2", "RemoveWayFromBlockSystem 1", "OnDestroyWay 1", "RemovePathsOfWay 0 [] 999",
                   "RemoveWayFromBlockSystem 3", "OnDestroyWay 3", "RemovePathsOfWay 0 [] 999", "OnDestroyWay 2",
                   "RemovePathsOfWay 2 [" + std::to_string(r.Nodes[0]) + " " + std::to_string(r.Nodes[1]) + "] 999"}));
  EXPECT_EQ(Players[1].Finances[0].WayValue, -3000.0f);
}

TEST_F(WayRecords, ARouterRefusedByANeighbourRemovesNothing) {
  const auto c = Row(4);
  const uint32_t w1 = AddPlainWay(c[0], c[1]);
  const uint32_t router = AddRouter({c[1], c[2]}, 3, 4);
  const uint32_t foreign = AddPlainWay(c[2], c[3], 0, 2);
  EXPECT_EQ(Elements(Destroy(router, 1)), std::vector<int>{36});
  EXPECT_TRUE(HasWay(w1));
  EXPECT_TRUE(HasWay(router));
  EXPECT_TRUE(HasWay(foreign));
  EXPECT_EQ(HookCalls(), Calls{"WaysAtCons 2"});
  // An unfinished router is a plain way: it takes nothing along.
  TWay r = Way(router);
  r.Completion = 3;
  r.A_Overwrite();
  EXPECT_EQ(Elements(Destroy(router, 1)), std::vector<int>{0});
  EXPECT_TRUE(HasWay(w1));
  EXPECT_TRUE(HasWay(foreign));
}

// Another player's router is refused even when every way it would take along may go: element 0 of
// the neighbours' answers does not stand beside a reason of its own.
TEST_F(WayRecords, ARefusedRouterDoesNotClaimItMayGo) {
  const auto c = Row(4);
  AddPlainWay(c[0], c[1]);
  const uint32_t router = AddRouter({c[1], c[2]}, 6, 5, 2);
  AddPlainWay(c[2], c[3]);
  EXPECT_EQ(Elements(Destroy(router, 0)), std::vector<int>{36});
  EXPECT_EQ(Elements(Destroy(router, 1)), std::vector<int>{36});
  EXPECT_TRUE(HasWay(router));
  const uint32_t convoyRouter = AddRouter({c[0]}, 6, 5, 1);
  const TWay cr = Way(convoyRouter);
  AddTrain(kTrainRoad, 1, {cr.Nodes[0]});
  EXPECT_EQ(Elements(Destroy(convoyRouter, 1)), std::vector<int>{39});
  EXPECT_TRUE(HasWay(convoyRouter));
}

// Two routers at one connection meet each other in their cascades; each is removed once.
TEST_F(WayRecords, TwoRoutersAtOneConnectionDoNotCallEachOtherForever) {
  const auto c = Row(3);
  const uint32_t r1 = AddRouter({c[0], c[1]}, 6, 5);
  const uint32_t r2 = AddRouter({c[1], c[2]}, 1, 5);
  EXPECT_EQ(Elements(Destroy(r1, 0)), std::vector<int>{0});
  EXPECT_EQ(CallsOf({"WaysAtCons"}), (Calls{"WaysAtCons 1", "WaysAtCons 2"}));
  HookCalls().clear();
  EXPECT_EQ(Elements(Destroy(r1, 1)), std::vector<int>{0});
  EXPECT_FALSE(HasWay(r1));
  EXPECT_FALSE(HasWay(r2));
  EXPECT_EQ(CallsOf({"OnDestroyWay"}), (Calls{"OnDestroyWay 2", "OnDestroyWay 1"}));
  for (const uint32_t con : c) EXPECT_EQ(ConnectByIndex(con).Used, 0) << con;
}

TEST_F(WayRecords, FreeBuildModeMakesTheActingPlayerTheOwner) {
  const auto c = Row(2);
  const uint32_t w = AddPlainWay(c[0], c[1], 0, 3);
  FreeBuildMode = 1;
  ActPlayer = 2;
  LocalWorldChanged = 0;
  EXPECT_EQ(Elements(Destroy(w, 1)), std::vector<int>{0});
  EXPECT_EQ(Players[2].Finances[0].WayValue, -1000.0f);  // booked to the acting player
  EXPECT_EQ(Players[3].Finances[0].WayValue, 0.0f);
  EXPECT_EQ(LocalWorldChanged, 0);  // not the local player's action
}

}  // namespace
