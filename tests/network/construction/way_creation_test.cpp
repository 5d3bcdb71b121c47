// Ways: a planned piece becomes a planned way with its connects, mesh, lane nodes and pre-booked
// cost; completing it books the cost, finishes the way and counts it for its owner.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/world/hooks.h"
#include "network/construction/buildings.h"
#include "network/construction/connects.h"
#include "network/construction/ways.h"
#include "network/services.h"
#include "tests/network/construction/construction_fixture.h"

namespace {

using namespace construction_testing;

// One planned straight piece from A to B, as the curve construction prepares it.
struct Piece {
  TMetaconnect A, B;
  TVector Side;  // half the gauge, to the left of A -> B
  TWay Way;
  TPieceMesh Mesh;
};

class WayConstruction : public ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();
    GameSettings.Level = 2;
    PlayerCount = 2;
    world_hooks::InstallDefaults();
    building_hooks::InstallDefaults();
    bookings_ = 0;
    booked_ = 0.0f;
    building_hooks::BookMoney = [](uint8_t, float&, float amount, float) {
      ++bookings_;
      booked_ += amount;
    };
  }
  void TearDown() override {
    building_hooks::InstallDefaults();
    world_hooks::InstallDefaults();
    ResetWorldState();
    ConstructionTest::TearDown();
  }

  static std::unique_ptr<Piece> Plan(uint8_t use, const TMetaconnect& a, const TMetaconnect& b) {
    auto p = std::make_unique<Piece>();
    p->A = a;
    p->B = b;
    const float dx = b.Position.x - a.Position.x, dz = b.Position.z - a.Position.z;
    const float len = std::sqrt(dx * dx + dz * dz), half = WayGauge[use] / 2.0f;
    p->Side = {-dz / len * half, 0.0f, dx / len * half};
    const TVector& s = p->Side;
    const TVector pa = a.Position, pb = b.Position;
    auto full = std::make_unique<TMeshdata2>();
    BuildBlockMesh(*full, {pa.x + s.x, pa.y, pa.z + s.z}, {pa.x - s.x, pa.y, pa.z - s.z},
                   {pb.x - s.x, pb.y, pb.z - s.z}, {pb.x + s.x, pb.y, pb.z + s.z}, WayBodyDepth, false, 0, 1.0f);
    CompactMesh(p->Mesh, *full);
    p->Way.Init(use, use == 0 ? 0 : 2);
    WayFlags(p->Way) = kWayOnGround;
    VecMidpoint(pa, pb, p->Way.Position);
    return p;
  }
  static uint32_t Create(Piece& p) {
    const uint8_t use = p.Way.Use;
    return CreateWay(use, p.A, p.B, p.Side, p.Side, p.Way, p.Mesh);
  }

  static uint32_t UsedNodes() {
    uint32_t n = 0;
    for (uint32_t i = 1; i <= NodeArrayCount; ++i) n += NodeByIndex(i).Used != 0;
    return n;
  }
  static TWay Stored(uint32_t index) {
    TWay w{};
    w.A_Read(index);
    return w;
  }
  static TVector At(uint32_t node) { return NodeByIndex(node).Position; }

  static inline int bookings_;
  static inline float booked_;
};

TEST_F(WayConstruction, PlannedWayHasItsConnectsMeshLanesAndPrebookedCost) {
  struct Case {
    uint8_t use, waytype;
    float laneOffset;  // distance of each lane from the centre line
    float price;       // per unit of length
  };
  for (const Case& c : {Case{0, 0, 20.0f, 10.0f}, Case{1, 2, 0.0f, 15.0f}}) {
    SCOPED_TRACE("use " + std::to_string(c.use));
    ArrayerReset();
    Players[1].PrevCost = 0.0L;
    const uint32_t nodesBefore = UsedNodes();
    auto p = Plan(c.use, Meta(c.use, 1000, 1000), Meta(c.use, 1000, 1100));
    const uint32_t index = Create(*p);

    const TWay w = Stored(index);
    EXPECT_EQ(w.State, 0);
    EXPECT_EQ(w.Waytype, c.waytype);
    EXPECT_EQ(w.Use, c.use);
    ASSERT_EQ(w.ConnectionCounter, 2);
    EXPECT_EQ(w.Connections[0], p->A.ConnectIndex);
    EXPECT_EQ(w.Connections[1], p->B.ConnectIndex);
    EXPECT_EQ(ConnectByIndex(w.Connections[0]).WayA, index);
    EXPECT_EQ(p->B.WayA, index);  // the slot is the image of its stored connect again
    EXPECT_NE(w.Mesh, 0u);
    EXPECT_FLOAT_EQ(w.SideLengths[0], 100.0f);
    EXPECT_FLOAT_EQ(w.SideLengths[1], 100.0f);

    // Four distinct nodes, lanes 1 -> 4 and 3 -> 2, the lanes c.laneOffset to either side (the
    // + side lies towards -x for a way running along +z). Rail nodes 1 and 2 share a point.
    ASSERT_EQ(w.NodesCounter, 4);
    EXPECT_EQ(UsedNodes() - nodesBefore, 4u);
    EXPECT_NE(w.Nodes[0], w.Nodes[1]);
    EXPECT_NE(w.Nodes[2], w.Nodes[3]);
    EXPECT_FLOAT_EQ(At(w.Nodes[0]).x, 1000.0f - c.laneOffset);
    EXPECT_FLOAT_EQ(At(w.Nodes[1]).x, 1000.0f + c.laneOffset);
    EXPECT_FLOAT_EQ(At(w.Nodes[2]).x, 1000.0f + c.laneOffset);
    EXPECT_FLOAT_EQ(At(w.Nodes[3]).x, 1000.0f - c.laneOffset);
    EXPECT_FLOAT_EQ(At(w.Nodes[0]).z, 1000.0f);
    EXPECT_FLOAT_EQ(At(w.Nodes[3]).z, 1100.0f);
    const TNode& n1 = NodeByIndex(w.Nodes[0]);
    const TNode& n3 = NodeByIndex(w.Nodes[2]);
    EXPECT_EQ(n1.NextLinkCount, 1);
    EXPECT_EQ(n1.NextLinks[0], w.Nodes[3]);
    EXPECT_EQ(n3.NextLinks[0], w.Nodes[1]);
    EXPECT_EQ(n1.Way, index);
    EXPECT_EQ(n3.Way, index);
    EXPECT_EQ(NodeByIndex(w.Nodes[1]).Way, 0u);
    EXPECT_EQ(NodeByIndex(w.Nodes[3]).Way, 0u);
    EXPECT_EQ(n1.Flags & kNodeFlagRouteEnd, 0);

    EXPECT_DOUBLE_EQ(static_cast<double>(Players[1].PrevCost.get()), 100.0 * c.price);
  }
}

TEST_F(WayConstruction, WayAtAStoredEndTakesTheNodesOfTheWayThere) {
  auto first = Plan(0, Meta(0, 1000, 1000), Meta(0, 1000, 1100));
  const uint32_t w1 = Create(*first);
  const uint32_t nodesAfterFirst = UsedNodes();
  auto second = Plan(0, first->B, Meta(0, 1050, 1200));
  const uint32_t w2 = Create(*second);
  EXPECT_EQ(UsedNodes() - nodesAfterFirst, 2u);

  const TWay a = Stored(w1), b = Stored(w2);
  EXPECT_EQ(b.Connections[0], a.Connections[1]);
  EXPECT_EQ(b.Nodes[0], a.Nodes[3]);
  EXPECT_EQ(b.Nodes[1], a.Nodes[2]);
  // The forward lane runs on over the connect: 1 -> 4 -> 4'; the node where the second way's lane
  // starts belongs to it now.
  const TNode& joint = NodeByIndex(a.Nodes[3]);
  EXPECT_EQ(joint.PrevLinks[0], a.Nodes[0]);
  EXPECT_EQ(joint.NextLinks[0], b.Nodes[3]);
  EXPECT_EQ(joint.Way, w2);
  EXPECT_EQ(NodeByIndex(b.Nodes[2]).NextLinks[0], a.Nodes[2]);

  // Finishing both marks every node of a lane start; the two lane ends at the dead ends keep no
  // way and are never marked.
  for (uint32_t index : {w1, w2}) {
    TWay w = Stored(index);
    CompleteWay(w);
  }
  EXPECT_EQ(Stored(w1).State, 2);
  EXPECT_EQ(Stored(w2).State, 2);
  for (uint32_t n : {a.Nodes[0], a.Nodes[3], b.Nodes[2], a.Nodes[2]}) {
    SCOPED_TRACE("node " + std::to_string(n));
    EXPECT_NE(NodeByIndex(n).Flags & kNodeFlagRouteEnd, 0);
  }
  for (uint32_t n : {a.Nodes[1], b.Nodes[3]}) {
    SCOPED_TRACE("dead end node " + std::to_string(n));
    EXPECT_EQ(NodeByIndex(n).Way, 0u);
    EXPECT_EQ(NodeByIndex(n).Flags & kNodeFlagRouteEnd, 0);
  }
}

TEST_F(WayConstruction, CompletingBooksTheCostAndCountsTheWayOnlyForAPlayer) {
  struct Case {
    uint8_t owner, use;
    int bookings;
    float cost, road, rail;
  };
  for (const Case& c : {Case{0, 0, 0, 0.0f, 0.0f, 0.0f}, Case{1, 0, 1, 1000.0f, 100.0f, 0.0f},
                        Case{1, 1, 1, 1500.0f, 0.0f, 100.0f}}) {
    SCOPED_TRACE("owner " + std::to_string(c.owner) + " use " + std::to_string(c.use));
    ArrayerReset();
    ResetWorldState();
    GameSettings.Level = 2;
    ActPlayer = c.owner;
    bookings_ = 0;
    booked_ = 0.0f;
    auto p = Plan(c.use, Meta(c.use, 1000, 1000), Meta(c.use, 1000, 1100));
    TWay w = Stored(Create(*p));
    const long double prebooked = Players[1].PrevCost.get();
    CompleteWay(w);
    EXPECT_EQ(Stored(w.Index).State, 2);
    EXPECT_EQ(bookings_, c.bookings);
    EXPECT_FLOAT_EQ(booked_, -c.cost);
    EXPECT_DOUBLE_EQ(static_cast<double>(Players[1].PrevCost.get()), static_cast<double>(prebooked - c.cost));
    const TYearFinance& year = Players[1].Finances[0];
    EXPECT_FLOAT_EQ(year.WayValue, c.cost);
    EXPECT_FLOAT_EQ(year.RoadLength, c.road);
    EXPECT_FLOAT_EQ(year.RailLength, c.rail);
  }
}

TEST_F(WayConstruction, WayOfAnUnknownUseIsStillFinishedWithAWarning) {
  auto p = Plan(0, Meta(0, 1000, 1000), Meta(0, 1000, 1100));
  TWay w = Stored(Create(*p));
  w.Use = 5;
  testing_support::Warnings().clear();
  FinishWay(w);
  EXPECT_EQ(w.State, 2);
  EXPECT_NE(NodeByIndex(w.Nodes[0]).Flags & kNodeFlagRouteEnd, 0);
  EXPECT_EQ(testing_support::Warnings().back(), "ERROR: gp_ways: FinishWay: Unsuportet Way.Use!");
}

TEST_F(WayConstruction, WorldRecordsMeasureWaySidesThroughTheNetwork) {
  auto mesh = std::make_unique<TMeshdata2>();
  mesh->Init();
  mesh->vxA(1, 0, 0, 0, 0, 0);
  mesh->vxA(2, 0, 0, 10, 0, 0);
  mesh->vxA(3, 40, 9, 10, 0, 0);
  mesh->vxA(4, 30, -5, 0, 0, 0);
  TWay w{};
  w.SideLengths[0] = w.SideLengths[1] = 7.0f;
  world_hooks::CalcWaySideLengths(w, *mesh);
  EXPECT_EQ(w.SideLengths[0], 7.0f);  // the engine alone leaves them
  InstallNetworkServices();
  world_hooks::CalcWaySideLengths(w, *mesh);
  EXPECT_FLOAT_EQ(w.SideLengths[0], 30.0f);  // ground plane only
  EXPECT_FLOAT_EQ(w.SideLengths[1], 40.0f);
}

}  // namespace
