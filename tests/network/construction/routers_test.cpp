// Routers: the router's legs, centre, nodes and links, its stub towards a far branch target, the
// router put into a track with its cut ends joined again, the pick that prepares it, and the
// rebuild into a plain track.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "network/construction/connects.h"
#include "network/construction/routers.h"
#include "network/construction/wayextension.h"
#include "network/track/trackfields.h"
#include "tests/network/construction/crossing_fixture.h"

namespace {

using namespace construction_testing;

inline TMetaconnect Rail(float x, float z, float y = 0.0f) {
  TMetaconnect m = Meta(kWaytypeRail, x, z);
  m.Position.y = y;
  return m;
}

// The branch of a router from A along +x turns 16 degrees towards +z: it starts 30 along, its inner
// end lies 90 further along v.
const TVector kV{std::cos(kBranchTurn), 0.0f, std::sin(kBranchTurn)};
TVector Along(const TVector& from, float distance) {
  return {from.x + kV.x * distance, from.y, from.z + kV.z * distance};
}
const TVector kM1{1030, 0, 1000};
const TVector kM3 = Along(kM1, 90.0f);

class Routers : public CrossingTest {
 protected:
  TConstructResult Router(const TMetaconnect& c, uint8_t stubMode, uint8_t mode, uint8_t instant = 1,
                          const TMetaconnect& a = Rail(1000, 1000), const TMetaconnect& b = Rail(1200, 1000)) {
    TConstructResult r;
    ConstructWay(*curve_, kWaytypeRail, a, b, c, {}, stubMode, instant, mode, r);
    return r;
  }
  static TWay RouterWay(uint8_t part) {
    for (const TWay& w : WaysOfType(kWaytypeRouter))
      if (WayPart(w) == part) return w;
    ADD_FAILURE() << "no router way of part " << int(part);
    return TWay{};
  }
  // The stored connect at P (0 none).
  static uint32_t ConnectNear(const TVector& p) {
    for (uint32_t c = FindNextConnect(0); c != 0; c = FindNextConnect(c))
      if (VecDistance(ConnectByIndex(c).Position, p) < 0.01L) return c;
    return 0;
  }
  // Finished rail track from 500 to 2000 along z = 1000 in three ways of 500.
  std::vector<uint32_t> Track() {
    std::vector<uint32_t> ways{Lay(kWaytypeRail, Rail(500, 1000), Rail(1000, 1000))};
    for (float x : {1000.0f, 1500.0f}) {
      TMetaconnect from{};
      TConstructResult ignored;
      FindOrCreateConnect(kWaytypeRail, {x, 0, 1000}, from, ignored);
      ways.push_back(Lay(kWaytypeRail, from, Rail(x + 500.0f, 1000)));
    }
    return ways;
  }
};

TEST_F(Routers, ARouterHasThreeLegsAndACentreThatSwitchesFromItsStart) {
  ASSERT_EQ(Router(Rail(Along(kM1, 190).x, Along(kM1, 190).z), 0, 1), Set({0}));
  ASSERT_EQ(Ways().size(), 4u);
  const TWay centre = RouterWay(kRouterCentrePart);
  TWay legs[3];
  for (int i = 0; i < 3; ++i) legs[i] = RouterWay(static_cast<uint8_t>(i + 1));
  EXPECT_EQ(centre.Use, 1);
  EXPECT_EQ(WaySwitch(centre), 1);
  EXPECT_EQ(WayCentreLink(centre), legs[0].Index);
  EXPECT_TRUE(Near(centre.Position, {1100, 0, 1000}));
  ASSERT_EQ(centre.ConnectionCounter, 3);
  const TVector inner[3] = {kM1, {1120, 0, 1000}, kM3};
  const TVector outer[3] = {{1000, 0, 1000}, {1200, 0, 1000}, Along(kM1, 190)};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE("leg " + std::to_string(i + 1));
    EXPECT_TRUE(Near(ConnectAt(centre, i), inner[i], 1e-2f));
    EXPECT_EQ(WayCentreLink(legs[i]), centre.Index);
    EXPECT_EQ(legs[i].State, 2);
    EXPECT_TRUE(Near(ConnectAt(legs[i], 0), outer[i], 1e-2f));
    EXPECT_EQ(legs[i].Connections[1], centre.Connections[i]);
    EXPECT_EQ(centre.Nodes[2 * i], legs[i].Nodes[3]);
    EXPECT_EQ(centre.Nodes[2 * i + 1], legs[i].Nodes[2]);
    EXPECT_EQ(NodeByIndex(centre.Nodes[2 * i]).Way, centre.Index);
  }
  EXPECT_EQ(centre.State, 2);
  ASSERT_EQ(centre.NodesCounter, 6);
  EXPECT_TRUE(Links(legs[0].Nodes[3], legs[1].Nodes[2]));
  EXPECT_TRUE(Links(legs[0].Nodes[3], legs[2].Nodes[2]));
  EXPECT_TRUE(Links(legs[1].Nodes[3], legs[0].Nodes[2]));
  EXPECT_TRUE(Links(legs[2].Nodes[3], legs[0].Nodes[2]));

  // The tops show the router texture: leg 1 mirrored by the branch's side, the centre's quad and
  // the triangle towards the branch.
  auto mesh = std::make_unique<TMeshdata2>();
  mesh->A_Read(legs[0].Mesh);
  EXPECT_EQ(mesh->Polygon(1).Texture, StandardTextures[kRouterTextureEntry]);
  EXPECT_FLOAT_EQ(mesh->Vertex(1).u, 0.6f);
  EXPECT_FLOAT_EQ(mesh->Vertex(3).v, 0.25f);
  mesh->A_Read(centre.Mesh);
  int routerPolygons = 0, triangles = 0;
  for (int p = 1; p <= mesh->PolygonCount; ++p) {
    routerPolygons += mesh->Polygon(p).Texture == StandardTextures[kRouterTextureEntry];
    triangles += mesh->Polygon(p).Kind == 0;
  }
  EXPECT_EQ(routerPolygons, 2);
  EXPECT_EQ(triangles, 1);
  EXPECT_EQ(curve_->RouterMeshes[3].PolygonCount, mesh->PolygonCount);
}

TEST_F(Routers, AFarBranchTargetGetsAStubJoinedByItsStubMode) {
  const TVector target = Along(kM3, 400);
  struct Case {
    const char* name;
    uint8_t stubMode;
    bool storedTarget;
    bool joined;
  };
  for (const Case& c : {Case{"no join", 0, false, false}, Case{"joined", 1, false, true},
                        Case{"a free target stays apart", 2, false, false}, Case{"a stored target", 2, true, true}}) {
    SCOPED_TRACE(c.name);
    ArrayerReset();
    TMetaconnect to = Rail(target.x, target.z);
    if (c.storedTarget) {
      Lay(kWaytypeRail, to, Rail(Along(target, 200).x, Along(target, 200).z));
      TConstructResult ignored;
      FindOrCreateConnect(kWaytypeRail, target, to, ignored);
    }
    ASSERT_EQ(Router(to, c.stubMode, 1), Set({0}));
    const TWay branch = RouterWay(3);
    EXPECT_NEAR(VecDistanceXZ(ConnectAt(branch, 0), kM3), kRouterStub, 1e-2);
    const uint32_t at = ConnectNear(target);
    const uint32_t ways = at == 0 ? 0 : (ConnectByIndex(at).WayA != 0) + (ConnectByIndex(at).WayB != 0);
    EXPECT_EQ(ways, (c.joined ? 1u : 0u) + (c.storedTarget ? 1u : 0u));
  }
}

TEST_F(Routers, RefusalsOfTheRouterItself) {
  const TMetaconnect near = Rail(Along(kM1, 190).x, Along(kM1, 190).z);
  struct Case {
    const char* name;
    TMetaconnect a, b, c;
    TConstructResult result;
  };
  const auto at = [&near](float y) { return Rail(near.Position.x, near.Position.z, y); };
  const Case cases[] = {
      {"a bridge", Rail(1000, 1000, 100), Rail(1200, 1000, 100), at(100), Set({11})},
      {"a cutting", Rail(1000, 1000, -150), Rail(1200, 1000, -150), at(-150), Set({11})},
      {"its end before the straight leg's", Rail(1000, 1000), Rail(1110, 1000), near, Set({4})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Router(c.c, 0, 1, 1, c.a, c.b), c.result);
    EXPECT_TRUE(Ways().empty());
  }
}

TEST_F(Routers, PuttingARouterIntoATrackWithoutAPreparedPickStops) {
  TConstructResult r;
  EXPECT_EQ(FatalOf([&] { ConstructAddRouter(*curve_, {}, 0, 0, r); }),
            Fatal("ERROR: Call of ConstructAddRouter without valid AddRouterInfo"));
}

TEST_F(Routers, APickOnAPlainRailWayOfThePlayerIsValid) {
  const std::vector<uint32_t> track = Track();
  const uint32_t road = Lay(kWaytypeRoad, Road(500, 2000), Road(1000, 2000));
  const uint32_t foreign = Lay(kWaytypeRail, Rail(500, 3000), Rail(1000, 3000));
  TWay w = Stored(foreign);
  w.Owner = 2;
  w.A_Overwrite();
  const uint32_t bridge = Lay(kWaytypeRail, Rail(500, 4000), Rail(1000, 4000));
  w = Stored(bridge);
  WayFlags(w) |= kWayBridge;
  w.A_Overwrite();
  struct Case {
    uint32_t way;
    float z;
    uint8_t valid;
  };
  for (const Case& c : {Case{track[1], 1000, 1}, Case{road, 2000, 0}, Case{foreign, 3000, 0}, Case{bridge, 4000, 0}}) {
    SCOPED_TRACE(c.way);
    SetRouterFromWay(AddRouterInfo, c.way, {700, 0, c.z + 10});
    EXPECT_EQ(AddRouterInfo.Valid, c.valid);
  }
  // The pick projected onto the way, a new point there.
  SetRouterFromWay(AddRouterInfo, track[1], {1200, 0, 1010});
  EXPECT_TRUE(Near(AddRouterInfo.BranchPoint.Position, {1200, 0, 1000}));
  EXPECT_EQ(AddRouterInfo.BranchPoint.ConnectIndex, 0u);
  EXPECT_EQ(AddRouterInfo.Way, track[1]);
}

TEST_F(Routers, ThePicksTakeTheWayUnderTheRay) {
  const std::vector<uint32_t> t = Track();
  const uint32_t street = Lay(kWaytypeRoad, Road(500, 2000), Road(900, 2000));
  static uint32_t hitWay;
  static uint8_t pickMode;
  router_hooks::PickWay = [](const TVector&, const TVector&, uint8_t mode, uint32_t& way, TVector& hit) {
    pickMode = mode;
    way = hitWay;
    hit = {700, 0, way == 0 ? 0.0f : 1010.0f};
    return way != 0;
  };
  hitWay = t[0];
  GetWaySnapAtPick(AddRouterInfo, {}, {});
  EXPECT_EQ(pickMode, 2);
  EXPECT_EQ(AddRouterInfo.Valid, 1);
  EXPECT_TRUE(Near(AddRouterInfo.BranchPoint.Position, {700, 0, 1000}));
  hitWay = 0;
  GetWaySnapAtPick(AddRouterInfo, {}, {});
  EXPECT_EQ(AddRouterInfo.Valid, 0);

  hitWay = street;
  EXPECT_TRUE(GetExtendWayInfoAtPick(ExtendWayInfo, {}, {}));
  EXPECT_EQ(pickMode, 1);
  EXPECT_EQ(ExtendWayInfo.Way, street);
  hitWay = 0;
  EXPECT_FALSE(GetExtendWayInfoAtPick(ExtendWayInfo, {}, {}));
  EXPECT_EQ(ExtendWayInfo.Valid, 0);
}

TEST_F(Routers, TheBranchRunsTowardsItsTargetAndCutsTheTrackEndsWithinReach) {
  const std::vector<uint32_t> t = Track();
  struct Case {
    const char* name;
    TVector pick, target;
    uint32_t way, behind, ahead;
    uint8_t deadBehind, reversed;
    float dirX;
  };
  const Case cases[] = {
      {"inside, ends far", {1200, 0, 1010}, {1600, 0, 1200}, t[1], 0, 0, 0, 0, 1},
      {"inside, near the end behind", {1050, 0, 1010}, {1600, 0, 1200}, t[1], t[0], 0, 0, 0, 1},
      {"inside, near the end ahead", {1400, 0, 1010}, {1800, 0, 1200}, t[1], 0, t[2], 0, 0, 1},
      {"towards the start, near a dead end", {550, 0, 990}, {1000, 0, 800}, t[0], 0, 0, 1, 0, 1},
      {"backwards", {1200, 0, 1010}, {900, 0, 1200}, t[1], 0, 0, 0, 1, -1},
      {"at a track end, ahead", {1002, 0, 1010}, {1400, 0, 1200}, t[1], t[0], 0, 0, 0, 1},
      {"at a track end, backwards", {1002, 0, 1010}, {600, 0, 1200}, t[0], t[1], 0, 0, 1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetRouterFromWay(AddRouterInfo, c.way == t[0] && c.pick.x > 900 ? t[1] : c.way, c.pick);
    ASSERT_EQ(AddRouterInfo.Valid, 1);
    PrepareRouterBranch(AddRouterInfo, Rail(c.target.x, c.target.z));
    ASSERT_EQ(AddRouterInfo.Valid, 1);
    EXPECT_EQ(AddRouterInfo.BranchPrepared, 1);
    EXPECT_EQ(AddRouterInfo.Way, c.way);
    EXPECT_EQ(AddRouterInfo.Neighbours[0], c.behind);
    EXPECT_EQ(AddRouterInfo.Neighbours[1], c.ahead);
    EXPECT_EQ(AddRouterInfo.DeadEnd[0], c.deadBehind);
    EXPECT_EQ(AddRouterInfo.Reversed, c.reversed);
    EXPECT_NEAR(AddRouterInfo.Direction.x, c.dirX, 1e-5);
    EXPECT_NEAR(AddRouterInfo.FarPoint.Position.x, AddRouterInfo.BranchPoint.Position.x + 160.0f * c.dirX, 1e-2);
  }
  // A way to be cut that is no plain rail: the branch point moves to that end once, then gives up.
  TWay w = Stored(t[0]);
  w.Waytype = kWaytypeRouter;
  w.A_Overwrite();
  SetRouterFromWay(AddRouterInfo, t[1], {1050, 0, 1010});
  PrepareRouterBranch(AddRouterInfo, Rail(1600, 1200));
  EXPECT_EQ(AddRouterInfo.Valid, 0);
  EXPECT_EQ(AddRouterInfo.BranchPrepared, 0);
}

TEST_F(Routers, ARouterPutIntoATrackReplacesItsPieceAndIsJoinedAtBothCutEnds) {
  const std::vector<uint32_t> t = Track();
  SetRouterFromWay(AddRouterInfo, t[1], {1200, 0, 1010});
  const TVector target = Along({1230, 0, 1000}, 190);
  PrepareRouterBranch(AddRouterInfo, Rail(target.x, target.z));
  ASSERT_EQ(AddRouterInfo.BranchPrepared, 1);

  TConstructResult r;
  ConstructAddRouter(*curve_, {}, 0, 0, r);
  ASSERT_EQ(r, Set({0}));  // the way it replaces does not collide with it
  EXPECT_EQ(Ways().size(), 3u);
  EXPECT_EQ(AddRouterInfo.Valid, 1);

  ConstructAddRouter(*curve_, {}, 0, 1, r);
  ASSERT_EQ(r, Set({0}));
  // No plain track runs from 1000 to 1500 any more.
  for (const TWay& w : WaysOfType(kWaytypePlainRail))
    EXPECT_FALSE(Near(ConnectAt(w, 0), {1000, 0, 1000}) && Near(ConnectAt(w, 1), {1500, 0, 1000})) << w.Index;
  EXPECT_EQ(WaysOfType(kWaytypeRouter).size(), 4u);
  for (const TWay& w : Ways()) EXPECT_EQ(w.State, 2) << w.Index;  // what it replaced was finished
  for (float x : {1000.0f, 1500.0f}) {
    const TConnect& c = ConnectByIndex(ConnectNear({x, 0, 1000}));
    EXPECT_NE(c.WayB, 0u) << x;
  }
  // The lanes run from one end of the track to the other and into the branch, and back.
  const TWay first = Stored(t[0]), last = Stored(t[2]), branch = RouterWay(3);
  const std::set<uint32_t> onward = Reachable(first.Nodes[0]);
  EXPECT_TRUE(onward.count(last.Nodes[3]));
  EXPECT_TRUE(onward.count(branch.Nodes[1]));
  EXPECT_TRUE(Reachable(last.Nodes[2]).count(first.Nodes[1]));
  EXPECT_EQ(AddRouterInfo.Valid, 0);  // the ways it named are gone
}

TEST_F(Routers, RebuildingARouterLaysAPlainTrackBetweenItsFirstTwoLegs) {
  ASSERT_EQ(Router(Rail(Along(kM1, 190).x, Along(kM1, 190).z), 0, 1), Set({0}));
  TWay leg = RouterWay(2);
  TConstructResult r;
  ReconstructWay(leg, *curve_, {}, 0, r);
  EXPECT_EQ(r, Set({0}));
  EXPECT_EQ(Ways().size(), 4u);  // a preview removes nothing
  EXPECT_EQ(curve_->conzahl, 2);

  ReconstructWay(leg, *curve_, {}, 1, r);
  EXPECT_EQ(r, Set({0}));
  const std::vector<TWay> ways = Ways();
  ASSERT_EQ(ways.size(), 1u);
  EXPECT_EQ(ways[0].Waytype, kWaytypePlainRail);
  const TVector a = ConnectAt(ways[0], 0), b = ConnectAt(ways[0], 1);
  EXPECT_TRUE((Near(a, {1000, 0, 1000}) && Near(b, {1200, 0, 1000})) ||
              (Near(b, {1000, 0, 1000}) && Near(a, {1200, 0, 1000})));
}

TEST_F(Routers, ARebuildThatMayNotRemoveTheRouterIsRefused) {
  ASSERT_EQ(Router(Rail(Along(kM1, 190).x, Along(kM1, 190).z), 0, 1), Set({0}));
  for (TWay w : Ways()) {
    w.Owner = 2;
    w.A_Overwrite();
  }
  TWay centre = RouterWay(kRouterCentrePart);
  TConstructResult r;
  ReconstructWay(centre, *curve_, {}, 1, r);
  EXPECT_EQ(r, Set({18}));
  EXPECT_EQ(Ways().size(), 4u);

  TWay plain = Stored(Lay(kWaytypeRail, Rail(500, 2000), Rail(900, 2000)));
  ReconstructWay(plain, *curve_, {}, 1, r);
  EXPECT_EQ(r, Set({17}));
}

}  // namespace
