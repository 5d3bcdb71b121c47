// The 3D view's rules that need no window: camera steering, the coordinates text, the light
// silhouettes, node labels and the placing of part meshes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "apps/vadrel/view3d.h"

using vadrel::NavigationStep;

namespace {

const TPlacement kStartCamera = {600.0f, 130.0f, 240.0f, 0.0f, 140.0f, -20.0f};

TEST(ViewNavigation, StepFromTheStartCameraByMovementAndModifiers) {
  struct Case {
    const char* what;
    int32_t mx, my;
    bool shift, ctrl;
    double x, y, z, gier, nick;
  };
  const double pi = 3.141592653589793;
  // Walking: X - moveY * (-sin a) / 5, Z - moveY * (-cos a) / 5 with a the new Gier.
  auto walkX = [pi](int my, double gier) { return 600.0 - my * -std::sin(gier * pi / 180) / 5; };
  auto walkZ = [pi](int my, double gier) { return 240.0 - my * -std::cos(gier * pi / 180) / 5; };
  const Case cases[] = {
      {"right turns Gier down a quarter degree a pixel", 8, 0, false, false, 600, 130, 240, 138, -20},
      {"left turns it up", -6, 0, false, false, 600, 130, 240, 141.5, -20},
      {"up walks forwards along the heading", 0, -10, false, false, walkX(-10, 140), 130, walkZ(-10, 140), 140, -20},
      {"down walks backwards", 0, 25, false, false, walkX(25, 140), 130, walkZ(25, 140), 140, -20},
      {"a diagonal walks along the new heading", 20, -10, false, false, walkX(-10, 135), 130, walkZ(-10, 135), 135,
       -20},
      {"Shift: up raises three units a pixel", 0, -10, true, false, 600, 160, 240, 140, -20},
      {"Shift still turns", 4, 5, true, false, 600, 115, 240, 139, -20},
      {"Shift wins over Ctrl", 0, -10, true, true, 600, 160, 240, 140, -20},
      {"Ctrl: up tilts Nick up a quarter degree a pixel", 0, -10, false, true, 600, 130, 240, 140, -17.5},
      {"Ctrl: Nick stops at 90", 0, -1000, false, true, 600, 130, 240, 140, 90},
      {"Ctrl: Nick stops at -90", 0, 1000, false, true, 600, 130, 240, 140, -90},
      {"Gier is not wrapped", -2000, 0, false, false, 600, 130, 240, 640, -20},
  };
  for (const Case& c : cases) {
    const TPlacement got = NavigationStep(kStartCamera, c.mx, c.my, c.shift, c.ctrl);
    EXPECT_NEAR(got.X, c.x, 1e-3) << c.what;
    EXPECT_NEAR(got.Y, c.y, 1e-3) << c.what;
    EXPECT_NEAR(got.Z, c.z, 1e-3) << c.what;
    EXPECT_NEAR(got.Gier, c.gier, 1e-4) << c.what;
    EXPECT_NEAR(got.Nick, c.nick, 1e-4) << c.what;
    EXPECT_EQ(got.Roll, 0.0f) << c.what;
  }
  // Forwards from Gier 140 is towards smaller x and larger z.
  const TPlacement fwd = NavigationStep(kStartCamera, 0, -50, false, false);
  EXPECT_LT(fwd.X, 600.0f);
  EXPECT_GT(fwd.Z, 240.0f);
}

TEST(ViewNavigation, MoveAfterARecentreIsIgnoredAndMovesCountFromTheCentre) {
  TPlacement cam = kStartCamera;
  vadrel::SkipNextMouseMove = false;

  // Without the right button a move only sets the reference point.
  EXPECT_FALSE(vadrel::ViewMouseMove(cam, 10, 20, false, false, false));
  EXPECT_EQ(vadrel::LastMouseX, 10);
  EXPECT_EQ(vadrel::LastMouseY, 20);
  EXPECT_EQ(std::memcmp(&cam, &kStartCamera, sizeof cam), 0);

  vadrel::ViewRecentre(535, 433);
  EXPECT_EQ(vadrel::LastMouseX, 267);
  EXPECT_EQ(vadrel::LastMouseY, 216);
  EXPECT_TRUE(vadrel::SkipNextMouseMove);

  // The first move after the recentre is dropped, even a real one.
  EXPECT_FALSE(vadrel::ViewMouseMove(cam, 300, 216, true, false, false));
  EXPECT_FALSE(vadrel::SkipNextMouseMove);
  EXPECT_EQ(cam.Gier, 140.0f);
  EXPECT_EQ(vadrel::LastMouseX, 267);

  // The next one turns by its distance from the centre and asks for a recentre.
  EXPECT_TRUE(vadrel::ViewMouseMove(cam, 299, 216, true, false, false));
  EXPECT_FLOAT_EQ(cam.Gier, 132.0f);
  vadrel::ViewRecentre(535, 433);
  EXPECT_FALSE(vadrel::ViewMouseMove(cam, 299, 216, true, false, false));
  EXPECT_TRUE(vadrel::ViewMouseMove(cam, 267, 206, true, false, true));
  EXPECT_FLOAT_EQ(cam.Nick, -17.5f);
  EXPECT_FLOAT_EQ(cam.Gier, 132.0f);
}

TEST(ViewFrame, CoordsTextShowsTheCameraWithOneDecimal) {
  EXPECT_EQ(vadrel::CoordsText(kStartCamera),
            "X:600.0    Y:130.0    Z:240.0    NICK:-20.0    GIER:140.0    ROLL:0.0");
  EXPECT_EQ(vadrel::CoordsText({-12.34f, 1.26f, 2.0f, 7.0f, 1000.55f, -0.5f}),
            "X:-12.3    Y:1.3    Z:2.0    NICK:-0.5    GIER:1000.5    ROLL:7.0");
}

// A record with points i at (i, 100 + i, 0) and the centre point 10 at (0, 0, 0).
std::unique_ptr<TVehicleInfo> LightRecord() {
  auto info = std::make_unique<TVehicleInfo>();
  std::memset(info.get(), 0, sizeof(TVehicleInfo));
  for (int i = 1; i <= 51; ++i) info->LightSilhouette[i - 1] = {float(i), 100.0f + i, 0.0f};
  info->LightSilhouette[9] = {0, 0, 0};
  return info;
}

TEST(ViewFrame, LightSilhouetteOutlinesClosePushOutAndSkipRangesOutsideThePoints) {
  auto info = LightRecord();
  info->LightActive[0] = 1;
  info->LightRanges[0] = {1, 3, 10};
  info->LightCones[0][0] = 5.0f;
  info->LightCones[0][1] = 99.0f;  // the second cone value is not the length
  vadrel::TLightGeometry g = vadrel::LightSilhouettes(*info);
  ASSERT_EQ(g.Quads.size(), 3u);
  // Quad j: P = point j, Q = point j + 1, the last one back to point 1.
  EXPECT_EQ(g.Quads[0][0].x, 1.0f);
  EXPECT_EQ(g.Quads[0][1].x, 2.0f);
  EXPECT_EQ(g.Quads[2][0].x, 3.0f);
  EXPECT_EQ(g.Quads[2][1].x, 1.0f);
  // Q' and P' lie 5 units further out from the centre.
  for (const auto& q : g.Quads) {
    for (int a : {0, 1}) {
      const TVector& in = q[a];
      const TVector& out = q[3 - a];
      const double r = std::hypot(in.x, in.y);
      EXPECT_NEAR(out.x, in.x * (r + 5) / r, 1e-3);
      EXPECT_NEAR(out.y, in.y * (r + 5) / r, 1e-3);
    }
  }
  // Points 1, 2, 3 and the centre 10, each once.
  ASSERT_EQ(g.Points.size(), 4u);
  EXPECT_EQ(g.Points[0].x, 1.0f);
  EXPECT_EQ(g.Points[2].x, 3.0f);
  EXPECT_EQ(g.Points[3].y, 0.0f);

  struct Case {
    const char* what;
    uint8_t active;
    TLightRange range;
    size_t quads, points;
  };
  const Case cases[] = {
      {"inactive light", 0, {1, 3, 10}, 0, 0},
      {"first point 0", 1, {0, 3, 10}, 0, 0},
      {"last point 0", 1, {1, 0, 10}, 0, 0},
      {"centre 0", 1, {1, 3, 0}, 0, 0},
      {"first point beyond 51", 1, {52, 53, 10}, 0, 0},
      {"last point beyond 51", 1, {50, 52, 10}, 0, 0},
      {"centre beyond 51", 1, {1, 3, 1000000}, 0, 0},
      {"negative point", 1, {-4, 3, 10}, 0, 0},
      {"last below first: only the centre", 1, {5, 4, 10}, 0, 1},
      {"one point: a quad back to itself", 1, {51, 51, 10}, 1, 2},
  };
  for (const Case& c : cases) {
    auto rec = LightRecord();
    rec->LightActive[1] = c.active;
    rec->LightRanges[1] = c.range;
    rec->LightCones[1][0] = 2.0f;
    g = vadrel::LightSilhouettes(*rec);
    EXPECT_EQ(g.Quads.size(), c.quads) << c.what;
    EXPECT_EQ(g.Points.size(), c.points) << c.what;
  }
}

TEST(ViewFrame, LightPointOnItsCentreStaysInPlace) {
  auto info = LightRecord();
  info->LightActive[2] = 1;
  info->LightRanges[2] = {10, 11, 10};  // point 10 is the centre itself
  info->LightCones[2][0] = 3.0f;
  const vadrel::TLightGeometry g = vadrel::LightSilhouettes(*info);
  ASSERT_EQ(g.Quads.size(), 2u);
  EXPECT_EQ(g.Quads[0][3].x, 0.0f);  // P' of the centre point
  EXPECT_EQ(g.Quads[0][3].y, 0.0f);
  EXPECT_FALSE(std::isnan(g.Quads[1][2].x));
}

TEST(ViewFrame, PieceNodesAndNodeLabels) {
  TCurvePiece piece{};
  piece.Way.NodesCounter = 3;
  const uint32_t nodes[3] = {7, 70000, 0x01020304};
  for (int i = 0; i < 3; ++i) piece.Way.Nodes[i] = nodes[i];
  EXPECT_EQ(vadrel::PieceNodes(piece), (std::vector<uint32_t>{7, 70000, 0x01020304}));
  piece.Way.NodesCounter = 250;  // more than a way holds
  EXPECT_EQ(vadrel::PieceNodes(piece).size(), 100u);

  TNode node{};
  EXPECT_EQ(vadrel::NodeLabel(12, node), "Node 12");
  node.PrevLinks[0] = 11;
  node.PrevLinks[1] = 99;
  node.NextLinks[0] = 13;
  node.NextLinkCount = 1;
  EXPECT_EQ(vadrel::NodeLabel(12, node), "Node 12 N13");
  node.PrevLinkCount = 2;
  EXPECT_EQ(vadrel::NodeLabel(12, node), "Node 12 B11 N13");
}

TEST(ViewFrame, PlacedPartIsTurnedRollNickGierThenMovedAndTheSourceKept) {
  auto src = std::make_unique<TMesh2>();
  std::memset(src.get(), 0, sizeof(TMesh2));
  src->VertexCount = 2;
  src->Vertex(1) = {1, 0, 0, 1, 0, 0, 0.5f, 0.25f};
  src->Vertex(2) = {0, 1, 0, 0, 1, 0, 0, 0};
  src->PolygonCount = 1;
  src->Polygon(1).Normal = {1, 0, 0};
  auto out = std::make_unique<TMesh2>();

  struct Case {
    const char* what;
    TPlacement p;
    TVector v1, v2;  // where (1, 0, 0) and (0, 1, 0) go
  };
  const Case cases[] = {
      {"only moved", {10, 20, 30, 0, 0, 0}, {11, 20, 30}, {10, 21, 30}},
      {"Gier 90", {0, 0, 0, 0, 90, 0}, {0, 0, -1}, {0, 1, 0}},
      {"Roll 90", {0, 0, 0, 90, 0, 0}, {0, 1, 0}, {-1, 0, 0}},
      {"Nick 90", {0, 0, 0, 0, 0, 90}, {1, 0, 0}, {0, 0, 1}},
      // Roll first: (1,0,0) -> (0,1,0); then Nick: -> (0,0,1); then Gier 90: -> (1,0,0); then moved.
      {"Roll, then Nick, then Gier, then moved", {5, 0, 0, 90, 90, 90}, {6, 0, 0}, {5, 0, 1}},
  };
  for (const Case& c : cases) {
    vadrel::PlacePartMesh(*src, c.p, *out);
    const TMeshVertex& a = out->Vertex(1);
    const TMeshVertex& b = out->Vertex(2);
    EXPECT_NEAR(a.x, c.v1.x, 1e-5) << c.what;
    EXPECT_NEAR(a.y, c.v1.y, 1e-5) << c.what;
    EXPECT_NEAR(a.z, c.v1.z, 1e-5) << c.what;
    EXPECT_NEAR(b.x, c.v2.x, 1e-5) << c.what;
    EXPECT_NEAR(b.y, c.v2.y, 1e-5) << c.what;
    EXPECT_NEAR(b.z, c.v2.z, 1e-5) << c.what;
    // Normals turn with the positions but are not moved.
    EXPECT_NEAR(a.nx, c.v1.x - c.p.X, 1e-5) << c.what;
    EXPECT_NEAR(out->Polygon(1).Normal.z, c.v1.z - c.p.Z, 1e-5) << c.what;
    EXPECT_EQ(a.u, 0.5f);
    EXPECT_EQ(a.v, 0.25f);
  }
  // The source is untouched, so placing it again gives the same mesh.
  EXPECT_EQ(src->Vertex(1).x, 1.0f);
  EXPECT_EQ(src->Vertex(1).nx, 1.0f);
}

}  // namespace
