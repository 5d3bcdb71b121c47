// Road crossings: the ways, nodes, links and meshes of X- and T-crossings, the arm points that are
// moved and joined, and the refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "network/construction/connects.h"
#include "network/construction/crossings.h"
#include "network/track/trackfields.h"
#include "tests/network/construction/crossing_fixture.h"

namespace {

using namespace construction_testing;

// Two roads crossing at (1000, 1000): arms 1 and 2 along x, arm 3 on the +z side (where rotate90 of
// the direction 1 -> 2 points), arm 4 on the -z side. The body corners are then (960, 1040),
// (960, 960), (1040, 960), (1040, 1040) and the edge points 40 from the centre.
const TMetaconnect kX[4] = {Road(800, 1000), Road(1200, 1000), Road(1000, 1200), Road(1000, 800)};
const TVector kCorners[4] = {{960, 0, 1040}, {960, 0, 960}, {1040, 0, 960}, {1040, 0, 1040}};
const TVector kEdges[4] = {{960, 0, 1000}, {1040, 0, 1000}, {1000, 0, 1040}, {1000, 0, 960}};

class Crossings : public CrossingTest {
 protected:
  TConstructResult Cross(const std::vector<TMetaconnect>& points, uint8_t mode, uint8_t instant = 0,
                         TVector centre = {}, TCurveline* curve = nullptr) {
    TMetaconnect p[4]{};
    int n = 0;
    for (const TMetaconnect& m : points) p[n++] = m;
    TConstructResult r;
    swapped_ = 9;
    ConstructCrossing(curve != nullptr ? *curve : *curve_, static_cast<uint8_t>(n), static_cast<uint8_t>(n), swapped_,
                      p, centre, {}, mode, instant, r);
    return r;
  }
  TConstructResult CrossX(uint8_t mode, uint8_t instant = 0) {
    return Cross({kX[0], kX[1], kX[2], kX[3]}, mode, instant);
  }

  static TWay Part(uint8_t part) {
    for (const TWay& w : Ways())
      if ((w.Waytype == kWaytypeXCrossing || w.Waytype == kWaytypeTCrossing) && WayPart(w) == part) return w;
    ADD_FAILURE() << "no crossing way of part " << int(part);
    return TWay{};
  }
  static TVector At(uint32_t node) { return NodeByIndex(node).Position; }
  static TVector PieceVertex(const TCurveline& c, int piece, int vertex) {
    const TMeshVertex v = c.Pieces[piece].Mesh.Vertices[vertex - 1];
    return {v.x, v.y, v.z};
  }

  uint8_t swapped_ = 0;
};

TEST_F(Crossings, XCrossingBuildsFourArmsAndACentreOverTheBodyWithItsLanes) {
  Players[1].PrevCost = 0.0L;
  ASSERT_EQ(CrossX(1), Set({0}));
  EXPECT_EQ(swapped_, 0);
  ASSERT_EQ(Ways().size(), 5u);

  const TWay centre = Part(kCrossingCentrePart);
  EXPECT_EQ(centre.Waytype, kWaytypeXCrossing);
  EXPECT_EQ(centre.Use, 0);
  EXPECT_EQ(centre.State, 0);
  EXPECT_EQ(WaySwitch(centre), 0);
  EXPECT_EQ(WaySideMask(centre), 0);
  EXPECT_EQ(WayCentreLink(centre), 0u);
  EXPECT_TRUE(Near(centre.Position, {1000, 0, 1000}));
  ASSERT_EQ(centre.ConnectionCounter, 4);
  ASSERT_EQ(centre.NodesCounter, 16);
  for (int k = 0; k < 4; ++k) EXPECT_TRUE(Near(ConnectAt(centre, k), kEdges[k])) << k;

  TWay arms[5];
  for (uint8_t k = 1; k <= 4; ++k) {
    SCOPED_TRACE("arm " + std::to_string(k));
    arms[k] = Part(k);
    EXPECT_EQ(arms[k].Waytype, kWaytypeXCrossing);
    EXPECT_EQ(WayCentreLink(arms[k]), centre.Index);
    EXPECT_EQ(WaySwitch(arms[k]), 1);
    EXPECT_EQ(WaySideMask(arms[k]), 3);
    EXPECT_TRUE(Near(ConnectAt(arms[k], 0), kX[k - 1].Position));
    EXPECT_EQ(arms[k].Connections[1], centre.Connections[k - 1]);
    EXPECT_EQ(ConnectByIndex(centre.Connections[k - 1]).WayB, centre.Index);
  }
  // Entries and exits round the crossing (arms 1, 4, 2, 3), then the inner nodes at a third and at
  // two thirds (the floats 0.333 and 0.666) of the straight lines.
  const int order[4] = {1, 4, 2, 3};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(centre.Nodes[2 * i], arms[order[i]].Nodes[3]);
    EXPECT_EQ(centre.Nodes[2 * i + 1], arms[order[i]].Nodes[2]);
  }
  const struct {
    int a, b;
    float f;
  } inner[8] = {{1, 6, 0.333f}, {5, 2, 0.666f}, {3, 8, 0.333f}, {7, 4, 0.666f},
                {5, 2, 0.333f}, {1, 6, 0.666f}, {7, 4, 0.333f}, {3, 8, 0.666f}};
  for (int i = 0; i < 8; ++i) {
    const TVector pa = At(centre.Nodes[inner[i].a - 1]), pb = At(centre.Nodes[inner[i].b - 1]);
    const TVector want{pa.x + (pb.x - pa.x) * inner[i].f, pa.y + (pb.y - pa.y) * inner[i].f,
                       pa.z + (pb.z - pa.z) * inner[i].f};
    EXPECT_TRUE(Near(At(centre.Nodes[8 + i]), want)) << "node " << 9 + i;
  }
  const int links[20][2] = {{1, 9},   {1, 8},   {3, 11},  {3, 2},   {5, 13},  {5, 4},  {7, 15},
                            {7, 6},   {9, 14},  {9, 12},  {10, 2},  {11, 16}, {11, 14}, {12, 4},
                            {13, 10}, {13, 16}, {14, 6},  {15, 12}, {15, 10}, {16, 8}};
  for (const auto& l : links)
    EXPECT_TRUE(Links(centre.Nodes[l[0] - 1], centre.Nodes[l[1] - 1])) << l[0] << " -> " << l[1];
  int count = 0;
  for (int n = 1; n <= 16; ++n) {
    const TNode& node = NodeByIndex(centre.Nodes[n - 1]);
    if (n % 2 == 1 || n > 8) count += node.NextLinkCount;
    EXPECT_EQ(node.Way, n % 2 == 0 && n <= 8 ? arms[order[n / 2 - 1]].Index : centre.Index) << "node " << n;
  }
  EXPECT_EQ(count, 20);

  auto mesh = std::make_unique<TMeshdata2>();
  mesh->A_Read(centre.Mesh);
  ASSERT_EQ(mesh->PolygonCount, 1);
  EXPECT_EQ(mesh->Polygon(1).Texture, StandardTextures[kXCrossingTextureEntry]);
  for (int i = 1; i <= 4; ++i) {
    const TMeshVertex v = mesh->Vertex(i);
    EXPECT_TRUE(Near({v.x, v.y, v.z}, kCorners[i - 1])) << "corner " << i;
  }
  // Arms of 160 and the centre of 80 (between its first two connects), 10 a unit.
  EXPECT_NEAR(static_cast<double>(Players[1].PrevCost.get()), 7200.0, 0.01);
}

TEST_F(Crossings, TCrossingBuildsThreeArmsNineNodesAndAStraightSidewalkOppositeTheStem) {
  ASSERT_EQ(Cross({kX[0], kX[1], kX[2]}, 1), Set({0}));
  ASSERT_EQ(Ways().size(), 4u);
  const TWay centre = Part(kCrossingCentrePart);
  EXPECT_EQ(centre.Waytype, kWaytypeTCrossing);
  ASSERT_EQ(centre.ConnectionCounter, 3);
  ASSERT_EQ(centre.NodesCounter, 9);
  TWay arms[4];
  for (uint8_t k = 1; k <= 3; ++k) {
    arms[k] = Part(k);
    EXPECT_EQ(WaySideMask(arms[k]), k);
    EXPECT_EQ(centre.Nodes[2 * k - 2], arms[k].Nodes[3]);
    EXPECT_EQ(centre.Nodes[2 * k - 1], arms[k].Nodes[2]);
  }
  EXPECT_TRUE(Near(At(centre.Nodes[6]), {1000, 0, 1000}));
  EXPECT_TRUE(Near(At(centre.Nodes[7]), {1000, 0, 1000}));
  EXPECT_TRUE(Near(At(centre.Nodes[8]), {1000, 0, 1020}));  // between the entry of arm 1 and the exit of arm 2
  const int links[9][2] = {{1, 9}, {9, 4}, {1, 6}, {3, 2}, {3, 7}, {5, 4}, {5, 8}, {7, 6}, {8, 2}};
  for (const auto& l : links)
    EXPECT_TRUE(Links(centre.Nodes[l[0] - 1], centre.Nodes[l[1] - 1])) << l[0] << " -> " << l[1];

  // Opposite the stem the sidewalk runs straight 60 beyond the road's side: arm 1's vertex 19 and
  // arm 2's vertex 16 move onto the stem's side lines, and the centre carries the strip between.
  auto mesh = std::make_unique<TMeshdata2>();
  mesh->A_Read(arms[1].Mesh);
  ASSERT_EQ(mesh->VertexCount, 20);
  EXPECT_TRUE(Near({mesh->Vertex(19).x, mesh->Vertex(19).y, mesh->Vertex(19).z}, {960, 0, 900}));
  mesh->A_Read(arms[2].Mesh);
  EXPECT_TRUE(Near({mesh->Vertex(16).x, mesh->Vertex(16).y, mesh->Vertex(16).z}, {1040, 0, 900}));
  mesh->A_Read(centre.Mesh);
  EXPECT_EQ(mesh->Polygon(1).Texture, StandardTextures[kTCrossingTextureEntry]);
  const TVector strip[4] = {{960, 0, 960}, {960, 0, 900}, {1040, 0, 900}, {1040, 0, 960}};
  for (int i = 0; i < 4; ++i) {
    const TMeshVertex v = mesh->Vertex(17 + i);
    EXPECT_TRUE(Near({v.x, v.y, v.z}, strip[i])) << 17 + i;
    EXPECT_FLOAT_EQ(v.u, v.z / 100.0f);
    EXPECT_FLOAT_EQ(v.v, v.x / 100.0f);
  }
}

TEST_F(Crossings, ArmPiecesCarryTheirSidewalkStripsToTheOuterCorners) {
  ASSERT_EQ(CrossX(0), Set({0}));
  // Arm 1: side 1 from its point's + side out 60 to the corner between arms 1 and 3, side 2 to the
  // corner between arms 1 and 4.
  const TVector want[8] = {{800, 0, 1100}, {800, 0, 1040}, {960, 0, 1040}, {900, 0, 1100},
                           {800, 0, 960},  {800, 0, 900},  {900, 0, 900},  {960, 0, 960}};
  ASSERT_EQ(curve_->Pieces[1].Mesh.VertexCount, 20);
  for (int i = 0; i < 8; ++i) {
    const TMeshVertex v = curve_->Pieces[1].Mesh.Vertices[12 + i];
    EXPECT_TRUE(Near({v.x, v.y, v.z}, want[i])) << "vertex " << 13 + i;
    EXPECT_FLOAT_EQ(v.u, v.z / 100.0f);
  }
  EXPECT_EQ(curve_->conzahl, 5);
}

TEST_F(Crossings, RefusalsAndWhetherThePlanIsStillShown) {
  const uint32_t rail = AddConnectAt(kWaytypeRail, 800, 1000);
  TMetaconnect railPoint{};
  LoadConnect(railPoint, rail);

  const auto at = [](float y) {
    return std::vector<TMetaconnect>{Road(800, 1000, y), Road(1200, 1000, y), Road(1000, 1200, y),
                                     Road(1000, 800, y)};
  };
  struct Case {
    const char* name;
    std::vector<TMetaconnect> points;
    TConstructResult result;
    bool shown;
  };
  const Case cases[] = {
      {"segments that miss", {Road(800, 1000), Road(900, 1000), kX[2], kX[3]}, Set({1}), false},
      {"parallel roads", {Road(800, 1000), Road(1200, 1000), Road(800, 1100), Road(1200, 1100)}, Set({1}), false},
      {"a T's arm points 0.5 apart", {Road(1000, 1000), Road(1000.5f, 1000), kX[2]}, Set({4}), false},
      {"an arm 24 long", {Road(936, 1000), kX[1], kX[2], kX[3]}, Set({4}), true},
      {"an arm 25 long", {Road(935, 1000), kX[1], kX[2], kX[3]}, Set({0}), true},
      {"a T shows its fourth piece too", {kX[0], kX[1], kX[2]}, Set({0}), true},
      {"arms too short for the body", {Road(990, 1000), Road(1010, 1000), kX[2], kX[3]}, Set({5}), false},
      {"a bridge", at(100.0f), Set({11}), true},
      {"a cutting", at(-150.0f), Set({12}), true},
      {"a rail connect", {railPoint, kX[1], kX[2], kX[3]}, Set({16}), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearPieceLog(GlobalPieceLog);
    const TConstructResult r = Cross(c.points, 0, 0, {}, GlobalCurveline);
    EXPECT_EQ(r, c.result) << r.Elements();
    EXPECT_EQ(GlobalPieceLog.Count, c.shown ? 4 : 0);
  }
  EXPECT_EQ(WaysOfType(kWaytypeXCrossing).size(), 0u);
}

TEST_F(Crossings, AnArmPointWithoutRoomForItsArmIsRefused) {
  // A connect where two roads meet already.
  Lay(kWaytypeRoad, Road(800, 1300), Road(800, 1000));
  TMetaconnect point{};
  TConstructResult ignored;
  FindOrCreateConnect(kWaytypeRoad, {800, 0, 1000}, point, ignored);
  Lay(kWaytypeRoad, point, Road(800, 700));
  FindOrCreateConnect(kWaytypeRoad, {800, 0, 1000}, point, ignored);
  ASSERT_NE(point.WayB, 0u);
  const size_t ways = Ways().size();
  EXPECT_EQ(Cross({point, kX[1], kX[2], kX[3]}, 1), Set({17}));
  EXPECT_EQ(Ways().size(), ways);
}

TEST_F(Crossings, ACollisionOnAnArmRefusesWithTheArmMarked) {
  sample_world::SetHouseType(7, 10, 0, 30);
  sample_world::PlaceHouse(7, {880, 0, 1000});
  EXPECT_EQ(CrossX(1), Set({18}));
  EXPECT_NE(WayFlags(curve_->Pieces[1].Way) & kWayHit, 0);
  EXPECT_TRUE(Ways().empty());
}

TEST_F(Crossings, ArmsTakenInTheOtherOrderAreSwappedBack) {
  // Arm 3 on the side that rotate90 of 1 -> 2 does not point to.
  ASSERT_EQ(Cross({kX[0], kX[1], kX[3], kX[2]}, 0), Set({0}));
  EXPECT_EQ(swapped_, 1);
  auto first = NewCurveline();
  *first = *curve_;
  ASSERT_EQ(Cross({kX[1], kX[0], kX[3], kX[2]}, 0), Set({0}));
  EXPECT_EQ(swapped_, 0);
  for (int k = 1; k <= 4; ++k)
    for (int v = 1; v <= 20; ++v)
      EXPECT_TRUE(Near(PieceVertex(*first, k, v), PieceVertex(*curve_, k, v))) << k << "/" << v;
}

TEST_F(Crossings, AFarArmPointGetsAShortArmWayAndAJoiningWay) {
  for (float distance : {300.0f, 270.0f}) {
    SCOPED_TRACE(distance);
    ArrayerReset();
    const float x = 960.0f - distance;
    ASSERT_EQ(Cross({Road(x, 1000), kX[1], kX[2], kX[3]}, 1), Set({0}));
    const TWay arm = Part(1);
    const bool moved = distance > 275.0f;
    EXPECT_TRUE(Near(ConnectAt(arm, 0), {moved ? 900.0f : x, 0, 1000}));
    EXPECT_EQ(Ways().size(), moved ? 6u : 5u);
    if (!moved) continue;
    // The joining way runs from the given point to the arm's outer end.
    const uint32_t join = ConnectByIndex(arm.Connections[0]).WayA;
    ASSERT_NE(join, arm.Index);
    const TWay w = Stored(join);
    EXPECT_EQ(w.Waytype, kWaytypeStreet);
    EXPECT_TRUE(Near(ConnectAt(w, 0), {x, 0, 1000}) || Near(ConnectAt(w, 1), {x, 0, 1000}));
    // The lanes run on from the joining way through the crossing.
    EXPECT_TRUE(Reachable(w.Nodes[0]).count(Part(2).Nodes[1]) || Reachable(w.Nodes[2]).count(Part(2).Nodes[1]));
  }
}

TEST_F(Crossings, AnArmMeetingAStoredRoadAtASharpBendIsReaimedOnce) {
  // A road ends at arm point 1 coming in 20 degrees off the arm's line.
  const float a = 20.0f / 57.29577951308232f;
  const TVector far{700.0f - 200.0f * std::cos(a), 0.0f, 1000.0f + 200.0f * std::sin(a)};
  const uint32_t road = Lay(kWaytypeRoad, Road(far.x, far.z), Road(700, 1000));
  TMetaconnect given{};
  TConstructResult ignored;
  FindOrCreateConnect(kWaytypeRoad, {700, 0, 1000}, given, ignored);
  ASSERT_EQ(given.HasDirection, 1);

  ASSERT_EQ(Cross({given, kX[1], kX[2], kX[3]}, 1), Set({0}));
  // The arm leaves the straight line, some 60 from the centre's edge; the centre moved with it.
  const TWay arm = Part(1);
  const TVector outer = ConnectAt(arm, 0), edge = ConnectAt(arm, 1);
  EXPECT_GT(std::fabs(outer.z - 1000.0f), 5.0f);
  EXPECT_NEAR(VecDistanceXZ(outer, edge), 60.0f, 5.0f);
  EXPECT_FALSE(Near(Part(kCrossingCentrePart).Position, {1000, 0, 1000}, 0.01f));
  // The given connect now joins its road and the joining way.
  const TConnect& c = ConnectByIndex(given.ConnectIndex);
  EXPECT_TRUE(c.WayA == road || c.WayB == road);
  EXPECT_NE(c.WayB, 0u);
}

TEST_F(Crossings, InstantCompletesTheCrossingAndTheJoinsOfArmsOneAndTwoOnly) {
  ASSERT_EQ(Cross({Road(600, 1000), Road(1400, 1000), Road(1000, 1400), Road(1000, 600)}, 1, 1), Set({0}));
  EXPECT_EQ(Part(kCrossingCentrePart).State, 2);
  for (uint8_t k = 1; k <= 4; ++k) {
    const TWay arm = Part(k);
    EXPECT_EQ(arm.State, 2) << int(k);
    const TConnect& outer = ConnectByIndex(arm.Connections[0]);
    const uint32_t join = outer.WayA == arm.Index ? outer.WayB : outer.WayA;
    ASSERT_NE(join, 0u) << int(k);
    EXPECT_EQ(Stored(join).State, k <= 2 ? 2 : 0) << int(k);
  }
}

TEST_F(Crossings, TheCentreHeightIsWeightedGivenOrTheMeanOfATsRoad) {
  // Corner 3 of an arm piece lies at the edge of the centre, at its height.
  const auto height = [this](const std::vector<TMetaconnect>& points, TVector centre) {
    const TConstructResult r = Cross(points, 0, 0, centre);
    EXPECT_TRUE(r.Ok()) << r.Elements();
    return PieceVertex(*curve_, 1, 3).y;
  };
  EXPECT_NEAR(height({Road(800, 1000, 10), Road(1200, 1000, 10), Road(1000, 1200, 30), Road(1000, 800, 30)}, {}),
              20.0f, 1e-3);
  // The nearer arm point counts more: weights 1/200, 1/100, 1/200, 1/200.
  EXPECT_NEAR(height({Road(800, 1000, 0), Road(1100, 1000, 0), Road(1000, 1200, 30), Road(1000, 800, 30)}, {}),
              12.0f, 1e-3);
  EXPECT_NEAR(height({kX[0], kX[1], kX[2], kX[3]}, {1000, 25, 1000}), 25.0f, 1e-3);
  // A T-crossing's centre between arms 1 and 2 keeps their mean height.
  EXPECT_NEAR(height({Road(800, 1000, 20), Road(1200, 1000, 20), Road(1000, 1200, 0)}, {}), 20.0f, 1e-3);
}

TEST_F(Crossings, APreviewCreatesNothing) {
  EXPECT_EQ(Cross({Road(600, 1000), kX[1], kX[2], kX[3]}, 0), Set({0}));
  EXPECT_TRUE(Ways().empty());
  EXPECT_EQ(FindNextConnect(0), 0u);
  for (uint32_t i = 1; i <= NodeArrayCount; ++i) ASSERT_EQ(NodeByIndex(i).Used, 0) << i;
}

TEST_F(Crossings, OnlyThreeOrFourArmsMakeACrossing) {
  TMetaconnect p[4] = {kX[0], kX[1], kX[2], kX[3]};
  uint8_t swapped = 0;
  TConstructResult r;
  EXPECT_EQ(FatalOf([&] { ConstructCrossing(*curve_, 5, 5, swapped, p, {}, {}, 0, 0, r); }),
            Fatal("Error in ConstructCrossing: a crossing has 3 or 4 arms, not 5"));
}

}  // namespace
