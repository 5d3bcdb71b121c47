// The building editor's preview data (node entries, the way nodes and strip of a wayed building,
// the links the view follows, AutoBound) and the pure parts of its 3D view (camera steps, node
// colours and texts, the camera line).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "apps/brumin/preview.h"
#include "apps/brumin/view3d.h"

namespace {

using brumin::TPreviewNodes;

struct Built {
  TPreviewNodes nodes;
  brumin::TWayPreview strip;
};

Built Build(const std::array<brumin::TNodeRow, 101>& rows, const brumin::TWayedSettings& way) {
  Built b;
  brumin::BuildPreviewNodes(rows, way, b.nodes, b.strip);
  return b;
}

void ExpectAt(const brumin::TPreviewNode& n, float x, float y, float z, const char* what) {
  EXPECT_FLOAT_EQ(n.X, x) << what;
  EXPECT_FLOAT_EQ(n.Y, y) << what;
  EXPECT_FLOAT_EQ(n.Z, z) << what;
}

TEST(BuildingPreview, NodeRowIsVisibleWhenAnyValueOrFlagIsSet) {
  struct Case {
    brumin::TNodeRow row;
    bool visible;
    int32_t kind;
  } cases[] = {
      {{}, false, 0},
      {{0.000002f, 0, 0, 0, 0, false, false, false}, true, 0},
      {{0, -0.000001f, 0.000001f, 0, 0, false, false, false}, false, 0},
      {{0, 0, 0, 7, 0, false, false, false}, true, 0},
      {{0, 0, 0, 0, 0, true, false, true}, true, 5},
      {{0, 0, 0, 0, 0, true, true, true}, true, 7},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    std::array<brumin::TNodeRow, 101> rows{};
    rows[9] = cases[i].row;
    const Built b = Build(rows, {});
    EXPECT_EQ(b.nodes[9].Visible, cases[i].visible) << i;
    EXPECT_EQ(b.nodes[9].Kind, cases[i].kind) << i;
    EXPECT_FALSE(b.nodes[0].Visible);
    EXPECT_FALSE(b.nodes[-1].Visible || b.nodes[-2].Visible || b.strip.WayPreviewVisible);
  }
}

TEST(BuildingPreview, RoadBuildingHasTwoLanesBesideItsWaypoints) {
  std::array<brumin::TNodeRow, 101> rows{};
  rows[1].Next1 = 9;  // the grid's own link stands
  rows[3].Next2 = 5;
  rows[4].Next2 = 6;
  const Built b = Build(rows, {true, {0, 0, 0}, {0, 0, 100}, brumin::wtRoad});
  ExpectAt(b.nodes[1], -20, 0, 100, "node 1");
  ExpectAt(b.nodes[2], 20, 0, 100, "node 2");
  ExpectAt(b.nodes[3], 20, 0, 0, "node 3");
  ExpectAt(b.nodes[4], -20, 0, 0, "node 4");
  for (int k = 1; k <= 4; ++k) EXPECT_TRUE(b.nodes[k].Visible) << k;
  EXPECT_EQ(b.nodes[1].Next1, 9);
  EXPECT_EQ(b.nodes[2].Next1, 3);
  EXPECT_EQ(b.nodes[3].Next1, 0);
  EXPECT_EQ(b.nodes[3].Next2, 0);
  EXPECT_EQ(b.nodes[4].Next1, 1);
  EXPECT_EQ(b.nodes[4].Next2, 0);
  const float edges[4][3] = {{-40, 0, 100}, {40, 0, 100}, {40, 0, 0}, {-40, 0, 0}};
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_FLOAT_EQ(b.strip.WayEdgePoints[k].x, edges[k][0]) << k;
    EXPECT_FLOAT_EQ(b.strip.WayEdgePoints[k].z, edges[k][2]) << k;
  }
  EXPECT_TRUE(b.strip.WayPreviewVisible);
  // The waypoints: the first links to the second.
  ExpectAt(b.nodes[-1], 0, 0, 0, "W1");
  ExpectAt(b.nodes[-2], 0, 0, 100, "W2");
  EXPECT_EQ(b.nodes[-1].Kind, brumin::kWaypointKind);
  EXPECT_EQ(b.nodes[-1].Next1, -2);
  EXPECT_EQ(b.nodes[-2].Next1, 0);
  EXPECT_TRUE(b.nodes[-1].Visible && b.nodes[-2].Visible);
}

TEST(BuildingPreview, RailBuildingPutsItsNodesOnTheLineAndA30WideStrip) {
  const TVector w1{10, 5, 10}, w2{70, 5, 90};  // 60 across, 80 along: length 100
  const Built b = Build({}, {true, w1, w2, brumin::wtRail});
  ExpectAt(b.nodes[1], 70, 5, 90, "node 1");
  ExpectAt(b.nodes[2], 70, 5, 90, "node 2");
  ExpectAt(b.nodes[3], 10, 5, 10, "node 3");
  ExpectAt(b.nodes[4], 10, 5, 10, "node 4");
  const auto& e = b.strip.WayEdgePoints;
  EXPECT_NEAR(std::hypot(e[0].x - e[1].x, e[0].z - e[1].z), 30.0, 1e-4);
  EXPECT_NEAR(std::hypot(e[2].x - e[3].x, e[2].z - e[3].z), 30.0, 1e-4);
  // Across the line: the strip's ends are square to W1-W2.
  EXPECT_NEAR((e[1].x - e[0].x) * 60 + (e[1].z - e[0].z) * 80, 0.0, 1e-3);
  // A way type outside the list, like "None", gives no width.
  const Built none = Build({}, {true, w1, w2, 7});
  ExpectAt(none.nodes[1], 70, 5, 90, "no width");
  EXPECT_FLOAT_EQ(none.strip.WayEdgePoints[0].x, 70);
}

TEST(BuildingPreview, WaypointsOfDifferentHeightLiftTheWayNodes) {
  // D = (80, 60, 0): P = the unit vector of (0, 60, 80) = (0, 0.6, 0.8), whose y is added unscaled.
  const Built b = Build({}, {true, {0, 0, 0}, {80, 60, 0}, brumin::wtRoad});
  EXPECT_FLOAT_EQ(b.nodes[1].Y, 60.6f);
  EXPECT_FLOAT_EQ(b.nodes[4].Y, 0.6f);
  EXPECT_FLOAT_EQ(b.nodes[1].Z, 16.0f);
  EXPECT_FLOAT_EQ(b.nodes[2].Z, -16.0f);
}

TEST(BuildingPreview, OnlyLinksToNodesOfTheTableAreFollowed) {
  const struct {
    int32_t link;
    bool followed;
  } cases[] = {{0, false}, {-1, true}, {-2, true}, {-3, false}, {1, true}, {100, true}, {101, false}, {255, false},
               {-2147483647 - 1, false}};
  for (const auto& c : cases) EXPECT_EQ(brumin::LinkFollowed(c.link), c.followed) << c.link;
}

TEST(BuildingPreview, RotateVectorDegTurnsZThenXThenY) {
  const struct {
    float nick, gier, roll;
    TVector want;
  } cases[] = {
      {0, 0, 0, {1, 2, 3}},
      {0, 90, 0, {3, 2, -1}},
      {90, 0, 0, {1, -3, 2}},
      {0, 0, 90, {-2, 1, 3}},
      {90, 0, 90, {-2, -3, 1}},  // Z first, then X
  };
  for (const auto& c : cases) {
    TVector out{};
    brumin::RotateVectorDeg({1, 2, 3}, out, c.nick, c.gier, c.roll);
    EXPECT_NEAR(out.x, c.want.x, 1e-4) << c.nick << " " << c.gier << " " << c.roll;
    EXPECT_NEAR(out.y, c.want.y, 1e-4) << c.nick << " " << c.gier << " " << c.roll;
    EXPECT_NEAR(out.z, c.want.z, 1e-4) << c.nick << " " << c.gier << " " << c.roll;
  }
}

TEST(BuildingPreview, AutoBoundTakesTheLoadedBlocksAtTheirRowPlacement) {
  auto blocks = std::make_unique<brumin::TPreviewBlocks>();
  // No mesh: the start values stay.
  brumin::TAutoBound b = brumin::AutoBound(*blocks);
  EXPECT_EQ(b.Min.x, 16777215.0f);
  EXPECT_EQ(b.Min.y, 16777215.0f);
  EXPECT_EQ(b.Max.z, 0.0f);

  // A mesh wholly at negative x: the maximum x stays 0.
  brumin::TPreviewBlock& one = (*blocks)[1];
  one.Mesh.VertexCount = 2;
  one.Mesh.Vertices[0] = {-10, 1, 2};
  one.Mesh.Vertices[1] = {-4, 6, 5};
  one.Loaded = true;
  b = brumin::AutoBound(*blocks);
  EXPECT_EQ(b.Max.x, 0.0f);
  EXPECT_EQ(b.Min.x, -10.0f);
  EXPECT_EQ(b.Max.y, 6.0f);
  EXPECT_EQ(b.Min.z, 2.0f);

  // Turned a quarter about the vertical and moved; the script's placement plays no part, and a
  // block that is not loaded neither.
  one.RowPlacement = {100, 0, 0, 0, 90, 0};
  one.ScriptPlacement = {5000, 5000, 5000, 0, 0, 0};
  (*blocks)[2].Mesh = one.Mesh;
  (*blocks)[2].Mesh.Vertices[0] = {-9000, 0, 0};
  b = brumin::AutoBound(*blocks);
  EXPECT_NEAR(b.Min.x, 102.0f, 1e-3);  // (x, z) = (-10, 2) turns to (2, 10)
  EXPECT_NEAR(b.Max.x, 105.0f, 1e-3);
  EXPECT_NEAR(b.Max.z, 10.0f, 1e-3);
  EXPECT_NEAR(b.Min.z, 4.0f, 1e-3);
}

// The camera steps of the view as a table: Gier grows to the right, Shift lifts, Ctrl tilts
// (within -90..90), else the camera walks along its heading.
TEST(BuildingViewNavigation, StepTable) {
  brumin::TObserver start;
  start.AugX = 10;
  start.AugY = 20;
  start.AugZ = 30;
  const struct {
    const char* what;
    long double gier0, nick0;
    int32_t h, v;
    bool shift, ctrl;
    long double x, y, z, nick, gier;
  } cases[] = {
      {"turn right", 0, 0, 8, 0, false, true, 10, 20, 30, 0, 2},
      {"turn left", 0, 0, -6, 0, false, true, 10, 20, 30, 0, -1.5L},
      {"shift lifts on up", 0, 0, 0, -5, true, false, 10, 35, 30, 0, 0},
      {"shift over ctrl", 0, 0, 0, 4, true, true, 10, 8, 30, 0, 0},
      {"ctrl tilts down", 0, 10, 0, 20, false, true, 10, 20, 30, 15, 0},
      {"nick stops at 90", 0, 80, 0, 400, false, true, 10, 20, 30, 90, 0},
      {"nick stops at -90", 0, -80, 0, -400, false, true, 10, 20, 30, -90, 0},
      {"walk forward at 0", 0, 0, 0, -10, false, false, 10, 20, 28, 0, 0},
      {"walk back at 90", 90, 0, 0, 10, false, false, 8, 20, 30, 0, 90},
      {"turn then walk", 0, 0, 360, -10, false, false, 12, 20, 30, 0, 90},
  };
  for (const auto& c : cases) {
    brumin::TObserver cam = start;
    cam.Gier = c.gier0;
    cam.Nick = c.nick0;
    const brumin::TObserver got = brumin::NavigationStep(cam, c.h, c.v, c.shift, c.ctrl);
    EXPECT_NEAR(static_cast<double>(got.AugX), static_cast<double>(c.x), 1e-6) << c.what;
    EXPECT_NEAR(static_cast<double>(got.AugY), static_cast<double>(c.y), 1e-6) << c.what;
    EXPECT_NEAR(static_cast<double>(got.AugZ), static_cast<double>(c.z), 1e-6) << c.what;
    EXPECT_NEAR(static_cast<double>(got.Nick), static_cast<double>(c.nick), 1e-9) << c.what;
    EXPECT_NEAR(static_cast<double>(got.Gier), static_cast<double>(c.gier), 1e-9) << c.what;
  }
}

TEST(BuildingViewNavigation, WalkingSetsTheDirectionToTheHeading) {
  brumin::TObserver cam;
  cam.Gier = 90;
  cam.Direction = {7, 7, 7};
  const brumin::TObserver tilted = brumin::NavigationStep(cam, 0, 3, false, true);
  EXPECT_EQ(tilted.Direction.x, 7.0f);  // only walking sets it
  const brumin::TObserver walked = brumin::NavigationStep(cam, 0, 3, false, false);
  EXPECT_NEAR(walked.Direction.x, 1.0f, 1e-6);
  EXPECT_EQ(walked.Direction.y, 0.0f);
  EXPECT_NEAR(walked.Direction.z, 0.0f, 1e-6);
}

TEST(BuildingView, NodeColoursTextsAndTheCameraLine) {
  const struct {
    int32_t kind;
    bool label;
    bool named;
    float r, g, b;
  } cases[] = {{0, false, true, 1, 0, 0},   {1, false, true, 0, 1, 0},     {2, true, true, 0, 0, 1},
               {3, false, true, 1, 1, 0},   {4, false, true, 1, 1, 1},     {5, true, true, 0, 1, 1},
               {6, false, true, 0.5f, 1, 1}, {7, false, true, 0.5f, 1, 0}, {100, false, true, 1, 0, 1},
               {100, true, true, 0, 1, 1},  {8, false, false, 9, 9, 9},    {-1, true, false, 9, 9, 9}};
  for (const auto& c : cases) {
    float rgb[3] = {9, 9, 9};
    EXPECT_EQ(brumin::NodeColour(c.kind, c.label, rgb), c.named) << c.kind;
    EXPECT_EQ(rgb[0], c.r) << c.kind;
    EXPECT_EQ(rgb[1], c.g) << c.kind;
    EXPECT_EQ(rgb[2], c.b) << c.kind;
  }
  EXPECT_EQ(brumin::NodeText(17, 3), "17");
  EXPECT_EQ(brumin::NodeText(-1, brumin::kWaypointKind), "CONNECTIONPOINT");
  EXPECT_EQ(brumin::NodeText(-2, brumin::kWaypointKind), "2nd. point");
  EXPECT_EQ(brumin::SphereTurn(3609), 0.0f);
  EXPECT_EQ(brumin::SphereTurn(3619), 1.0f);
  EXPECT_EQ(brumin::SphereTurn(4294967295u), static_cast<float>((4294967295u / 10) % 360));

  brumin::TObserver cam;
  cam.AugX = -1.25L;
  cam.AugZ = 30;
  cam.Gier = 359.96L;
  EXPECT_EQ(brumin::CoordsText(cam), "X : -1.2 Y : 0.0 Z : 30.0 NICK : 0.0 GIER : 360.0 ROLL : 0.0");
}

}  // namespace
