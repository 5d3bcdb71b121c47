// Way geometry: the curve line of a way piece (centre, edge and outer lines with their heights,
// lengths and fractions), the curved way mesh with its walls, ground strips and end caps, the lane
// line of a road and a rail, and the refusal of segment counts and pieces that do not fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/mesh/meshrecords.h"
#include "engine/world/records.h"
#include "engine/world/waygeometry.h"
#include "tests/engine/store/store_fixture.h"

using namespace arrayer_testing;

namespace {

constexpr uint16_t kRoadTexture = 1004;
constexpr uint16_t kRailTexture = 1001;
constexpr uint16_t kStripTexture = 1007;

std::vector<std::string> Warnings() {
  std::vector<std::string> w;
  for (const std::string& line : DebuggerLines())
    if (line.rfind("Warning: ", 0) == 0) w.push_back(line.substr(9));
  return w;
}

TVector Pos(const TMeshVertex& v) { return {v.x, v.y, v.z}; }

float DistXZ(const TVector& a, const TVector& b) { return std::hypot(a.x - b.x, a.z - b.z); }

void ExpectNear(const TVector& got, const TVector& want, float eps = 1e-4f) {
  EXPECT_NEAR(got.x, want.x, eps);
  EXPECT_NEAR(got.y, want.y, eps);
  EXPECT_NEAR(got.z, want.z, eps);
}

void ExpectNearXZ(const TVector& got, const TVector& want, float eps = 1e-4f) {
  EXPECT_NEAR(got.x, want.x, eps);
  EXPECT_NEAR(got.z, want.z, eps);
}

// The four top corners of a piece: v1, v2 the start edge, v3, v4 the end edge; v1 and v4 on one
// side (edge line B), v2 and v3 on the other (edge line A).
struct Corners {
  TVector v1, v2, v3, v4;
};

// A straight piece of half width w and ground length len from `start` toward the heading a
// (radians from +z toward +x), rising by `rise`.
Corners StraightPiece(TVector start, float a, float w, float len, float rise) {
  const float dx = std::sin(a), dz = std::cos(a);
  const float sx = -dz, sz = dx;  // the side of v1 and v4
  const TVector end{start.x + len * dx, start.y + rise, start.z + len * dz};
  return {{start.x + w * sx, start.y, start.z + w * sz},
          {start.x - w * sx, start.y, start.z - w * sz},
          {end.x - w * sx, end.y, end.z - w * sz},
          {end.x + w * sx, end.y, end.z + w * sz}};
}

// A quarter bend of centre radius r and half width w: from the origin heading +z, turning toward
// +x, to (r, rise, r) heading +x around the centre (r, 0, 0). Edge line B runs outside the bend.
Corners BendPiece(float r, float w, float rise) {
  return {{-w, 0, 0}, {w, 0, 0}, {r, rise, r - w}, {r, rise, r + w}};
}
constexpr TVector kBendCentre{100, 0, 0};

// A block mesh under the corners, as the way construction makes its pieces.
std::unique_ptr<TMesh2> Piece(const Corners& c, float thickness, uint16_t texture) {
  auto m = std::make_unique<TMesh2>();
  std::memset(static_cast<void*>(m.get()), 0, sizeof(TMesh2));
  BuildBlockMesh(*m, c.v1, c.v2, c.v3, c.v4, thickness, true, texture, 1.0f);
  return m;
}

std::unique_ptr<TCurveLineGeometry> GeometryFilledWith(uint8_t byte) {
  auto g = std::make_unique<TCurveLineGeometry>();
  std::memset(static_cast<void*>(g.get()), byte, sizeof(TCurveLineGeometry));
  return g;
}

std::unique_ptr<TMesh2> MeshFilledWith(uint8_t byte) {
  auto m = std::make_unique<TMesh2>();
  std::memset(static_cast<void*>(m.get()), byte, sizeof(TMesh2));
  return m;
}

bool SameBytes(const TCurveLineGeometry& a, const TCurveLineGeometry& b) {
  return std::memcmp(&a, &b, sizeof(TCurveLineGeometry)) == 0;
}

class WayGeometry : public ArrayerTest {
 protected:
  void SetUp() override {
    ArrayerTest::SetUp();
    std::memcpy(savedTextures_, StandardTextures, sizeof(StandardTextures));
    StandardTextures[6] = kStripTexture;
  }
  void TearDown() override {
    std::memcpy(StandardTextures, savedTextures_, sizeof(StandardTextures));
    ArrayerTest::TearDown();
  }

 private:
  uint16_t savedTextures_[16];
};

// ---- The curve line ----

TEST_F(WayGeometry, StraightPieceKeepsItsCentreLineEdgesAndEvenFractions) {
  struct Case {
    TVector start;
    float heading, w, len;
    int n;
  };
  const Case cases[] = {{{0, 0, 0}, 0.0f, 10, 100, 5},
                        {{250, 7, -40}, 0.7f, 6, 80, 7},
                        {{-30, 0, 500}, 2.5f, 10, 300, 1},
                        {{1000, 0, 1000}, -1.2f, 12, 450, 49}};
  for (const Case& c : cases) {
    SCOPED_TRACE("heading " + std::to_string(c.heading) + ", N " + std::to_string(c.n));
    const Corners k = StraightPiece(c.start, c.heading, c.w, c.len, 0.0f);
    auto g = GeometryFilledWith(0);
    g->W = c.w;
    ASSERT_TRUE(BuildCurveLine(*g, c.n, k.v1, k.v2, k.v3, k.v4));
    const TVector dir{std::sin(c.heading), 0, std::cos(c.heading)};
    EXPECT_NEAR(g->TotalLength, c.len, 1e-3f * c.len);
    EXPECT_FLOAT_EQ(g->Step, 1.0f / c.n);
    EXPECT_EQ(g->Fraction[0], 0.0f);
    for (int i = 0; i <= c.n; ++i) {
      SCOPED_TRACE("point " + std::to_string(i));
      // On the segment M1 to M2, evenly spaced.
      EXPECT_NEAR(PointLineDistance(c.start, dir, g->Centre[i]), 0.0f, 2e-3f);
      EXPECT_NEAR(DistXZ(g->Centre[i], c.start), c.len * i / c.n, 2e-3f * c.len);
      EXPECT_NEAR(g->Fraction[i], static_cast<float>(i) / c.n, 1e-5f);
      // Edges at W on either side, outer lines 60 further; B on the side of v1.
      EXPECT_NEAR(DistXZ(g->EdgeA[i], g->Centre[i]), c.w, 2e-3f);
      EXPECT_NEAR(DistXZ(g->EdgeB[i], g->Centre[i]), c.w, 2e-3f);
      EXPECT_NEAR(DistXZ(g->OuterA[i], g->Centre[i]), c.w + 60.0f, 2e-3f);
      EXPECT_NEAR(DistXZ(g->OuterB[i], g->Centre[i]), c.w + 60.0f, 2e-3f);
      EXPECT_NEAR(PointLineDistance(k.v1, dir, g->EdgeB[i]), 0.0f, 2e-3f);
      EXPECT_NEAR(PointLineDistance(k.v2, dir, g->EdgeA[i]), 0.0f, 2e-3f);
      EXPECT_NEAR(DistXZ(g->OuterB[i], g->EdgeA[i]), 2 * c.w + 60.0f, 2e-3f);
      if (i >= 1) {
        EXPECT_NEAR(g->SegmentLength[i], c.len / c.n, 1e-3f * c.len);
      }
    }
    EXPECT_EQ(g->Fraction[c.n], 1.0f);
  }
}

TEST_F(WayGeometry, EndsOfTheEdgeLinesAreTheCornersAndOneSegmentHasNoInnerPoints) {
  // Corners of a skewed, bent piece: no symmetry to hide a swapped corner.
  const Corners k{{-8, 0, 0}, {12, 0, 2}, {95, 0, 85}, {110, 0, 110}};
  for (int n : {1, 4}) {
    SCOPED_TRACE("N " + std::to_string(n));
    auto g = GeometryFilledWith(0x41);  // about 12.08: a value no computed point holds
    float fill;
    std::memset(&fill, 0x41, sizeof fill);
    g->W = 10.0f;
    ASSERT_TRUE(BuildCurveLine(*g, n, k.v1, k.v2, k.v3, k.v4));
    ExpectNearXZ(g->Centre[0], {2, 0, 1});
    ExpectNearXZ(g->Centre[n], {102.5f, 0, 97.5f});
    ExpectNearXZ(g->EdgeA[0], k.v2);
    ExpectNearXZ(g->EdgeB[0], k.v1);
    ExpectNearXZ(g->EdgeA[n], k.v3);
    ExpectNearXZ(g->EdgeB[n], k.v4);
    EXPECT_NEAR(g->SegmentLength[1] + (n > 1 ? g->SegmentLength[2] + g->SegmentLength[3] + g->SegmentLength[4] : 0),
                g->TotalLength, 1e-3f);
    if (n == 1) {
      // Only the two end points: the points beyond 1 are not touched.
      EXPECT_EQ(g->Centre[2].x, fill);
      EXPECT_EQ(g->EdgeB[2].x, fill);
      EXPECT_NEAR(g->TotalLength, DistXZ({2, 0, 1}, {102.5f, 0, 97.5f}), 1e-3f);
    }
  }
}

TEST_F(WayGeometry, InnerPointsOfABendLieOnTheBisectorWithEdgeBOutside) {
  const Corners k = BendPiece(100, 10, 0);
  auto g = GeometryFilledWith(0);
  g->W = 10.0f;
  const int n = 6;
  ASSERT_TRUE(BuildCurveLine(*g, n, k.v1, k.v2, k.v3, k.v4));
  for (int i = 1; i < n; ++i) {
    SCOPED_TRACE("point " + std::to_string(i));
    const TVector& c = g->Centre[i];
    EXPECT_NEAR(DistXZ(g->EdgeA[i], c), 10.0f, 1e-3f);
    EXPECT_NEAR(DistXZ(g->EdgeB[i], c), 10.0f, 1e-3f);
    EXPECT_NEAR(DistXZ(g->OuterA[i], c), 70.0f, 1e-3f);
    EXPECT_NEAR(DistXZ(g->OuterB[i], c), 70.0f, 1e-3f);
    // Edge B lies outside the bend, edge A inside, both across the centre point.
    const float rc = DistXZ(c, kBendCentre);
    EXPECT_GT(DistXZ(g->EdgeB[i], kBendCentre), rc + 9.0f);
    EXPECT_LT(DistXZ(g->EdgeA[i], kBendCentre), rc - 9.0f);
    // The offset is at equal angles to the segment before and the one after.
    const TVector in{c.x - g->Centre[i - 1].x, 0, c.z - g->Centre[i - 1].z};
    const TVector out{g->Centre[i + 1].x - c.x, 0, g->Centre[i + 1].z - c.z};
    const TVector off{g->EdgeB[i].x - c.x, 0, g->EdgeB[i].z - c.z};
    EXPECT_NEAR(VecDotXZ(off, in) / VecLengthXZ(in), -VecDotXZ(off, out) / VecLengthXZ(out), 1e-3f);
  }
}

TEST_F(WayGeometry, AllFiveLinesShareOneHeightPerPointRisingWithTheDistance) {
  // A rising bend whose corners stand at different heights across each edge.
  Corners k = BendPiece(100, 10, 30);
  k.v1.y = 4;
  k.v2.y = -4;  // M1.y 0
  k.v3.y = 36;
  k.v4.y = 24;  // M2.y 30
  auto g = GeometryFilledWith(0);
  g->W = 10.0f;
  const int n = 8;
  ASSERT_TRUE(BuildCurveLine(*g, n, k.v1, k.v2, k.v3, k.v4));
  EXPECT_FLOAT_EQ(g->Rise, 30.0f);
  float walked = 0;
  for (int i = 0; i <= n; ++i) {
    SCOPED_TRACE("point " + std::to_string(i));
    if (i >= 1) walked += DistXZ(g->Centre[i - 1], g->Centre[i]);
    const float y = g->Centre[i].y;
    EXPECT_EQ(g->EdgeA[i].y, y);
    EXPECT_EQ(g->EdgeB[i].y, y);
    EXPECT_EQ(g->OuterA[i].y, y);
    EXPECT_EQ(g->OuterB[i].y, y);
    EXPECT_NEAR(y, 30.0f * walked / g->TotalLength, 1e-4f);
  }
  EXPECT_EQ(g->Centre[0].y, 0.0f);
  EXPECT_NEAR(g->Centre[n].y, 30.0f, 1e-5f);
}

TEST_F(WayGeometry, CornersOfAPieceGiveHalfItsWidth) {
  const Corners k = StraightPiece({0, 0, 0}, 0.3f, 7.5f, 60, 5);
  auto piece = Piece(k, 2.0f, kRoadTexture);
  auto g = GeometryFilledWith(0);
  ASSERT_TRUE(CurveLineFromCorners(*g, 3, *piece));
  EXPECT_NEAR(g->W, 7.5f, 1e-5f);
  auto h = GeometryFilledWith(0);
  h->W = 7.5f;
  ASSERT_TRUE(BuildCurveLine(*h, 3, k.v1, k.v2, k.v3, k.v4));
  for (int i = 0; i <= 3; ++i) {
    ExpectNear(g->EdgeA[i], h->EdgeA[i], 1e-4f);
    ExpectNear(g->OuterB[i], h->OuterB[i], 1e-4f);
  }
}

// ---- Refusals ----

TEST_F(WayGeometry, SegmentCountsOutsideTheLinesAreRefusedLeavingEverythingAsItWas) {
  const Corners k = StraightPiece({0, 0, 0}, 0.0f, 10, 100, 0);
  auto piece = Piece(k, 2.0f, kRoadTexture);
  for (int n : {0, -1, 50, 1000}) {
    SCOPED_TRACE("N " + std::to_string(n));
    DebuggerLines().clear();
    auto g = GeometryFilledWith(0x5A);
    const auto before = GeometryFilledWith(0x5A);
    EXPECT_FALSE(BuildCurveLine(*g, n, k.v1, k.v2, k.v3, k.v4));
    EXPECT_FALSE(CurveLineFromCorners(*g, n, *piece));
    auto out = MeshFilledWith(0x33);
    EXPECT_FALSE(BuildCurveWayMesh(*g, n, *piece, 3, true, true, *out));
    EXPECT_TRUE(SameBytes(*g, *before));
    EXPECT_EQ(out->VertexCount, 0);
    EXPECT_EQ(out->PolygonCount, 0);
    const std::string count = std::to_string(n);
    EXPECT_EQ(Warnings(),
              (std::vector<std::string>{"Error: WayGeometry: BuildCurveLine: Illegal segment count: " + count,
                                        "Error: WayGeometry: CurveLineFromCorners: Illegal segment count: " + count,
                                        "Error: WayGeometry: BuildCurveWayMesh: Illegal segment count: " + count}));
  }
  // The largest count that fits.
  auto g = GeometryFilledWith(0);
  auto out = MeshFilledWith(0);
  DebuggerLines().clear();
  EXPECT_TRUE(BuildCurveWayMesh(*g, 49, *piece, 0, false, false, *out));
  EXPECT_TRUE(Warnings().empty());
}

TEST_F(WayGeometry, PiecesWithoutLengthOrWidthAreRefusedWithAWarning) {
  struct Case {
    const char* name;
    Corners k;
    const char* warning;
  };
  const Case cases[] = {
      // The end edge is the start edge turned round: M1 and M2 coincide.
      {"no length", {{-10, 0, 0}, {10, 0, 0}, {-10, 0, 0}, {10, 0, 0}}, "The piece has no length"},
      {"no start width", {{0, 0, 0}, {0, 0, 0}, {10, 0, 100}, {-10, 0, 100}}, "The piece has no width"},
      {"no end width", {{-10, 0, 0}, {10, 0, 0}, {0, 0, 100}, {0, 0, 100}}, "The piece has no width"},
      {"start edge upright", {{0, 5, 0}, {0, -5, 0}, {10, 0, 100}, {-10, 0, 100}}, "The piece has no width"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DebuggerLines().clear();
    auto g = GeometryFilledWith(0x5A);
    const auto before = GeometryFilledWith(0x5A);
    g->W = before->W = 10.0f;
    EXPECT_FALSE(BuildCurveLine(*g, 5, c.k.v1, c.k.v2, c.k.v3, c.k.v4));
    auto piece = Piece(c.k, 2.0f, kRoadTexture);
    EXPECT_FALSE(CurveLineFromCorners(*g, 5, *piece));
    auto out = MeshFilledWith(0x33);
    EXPECT_FALSE(BuildCurveWayMesh(*g, 5, *piece, 0, true, true, *out));
    EXPECT_TRUE(SameBytes(*g, *before));
    EXPECT_EQ(out->VertexCount, 0);
    EXPECT_EQ(out->PolygonCount, 0);
    const std::string w = std::string("Error: WayGeometry: BuildCurveLine: ") + c.warning;
    EXPECT_EQ(Warnings(), (std::vector<std::string>{w, w, w}));
  }
}

// ---- The curved way mesh ----

TEST_F(WayGeometry, MeshCountsOfRoadAndRailPiecesByStripsAndCaps) {
  struct Case {
    int n;
    uint8_t strips;
    bool startCap, endCap;
    int vertices, polygons;
  };
  const Case cases[] = {
      {5, 0, true, true, 44, 17},   {5, 0, false, false, 36, 15}, {5, 0, true, false, 40, 16},
      {5, 0, false, true, 40, 16},  {5, 3, false, false, 60, 25}, {5, 3, true, true, 68, 27},
      {5, 1, false, false, 60, 20}, {5, 2, false, false, 58, 20}, {5, 2, true, true, 66, 22},
      {1, 0, false, false, 12, 3},  {1, 3, true, true, 28, 7},    {49, 3, true, true, 508, 247},
      {5, 4, false, false, 56, 15},
  };
  struct Kind {
    const char* name;
    Corners k;
    uint16_t texture;
  };
  const Kind kinds[] = {{"road", BendPiece(100, 10, 0), kRoadTexture},
                        {"rail", StraightPiece({330, 0, 680}, 2.4f, 6, 90, 3), kRailTexture}};
  for (const Kind& kind : kinds) {
    auto piece = Piece(kind.k, 1.5f, kind.texture);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(kind.name) + ": N " + std::to_string(c.n) + ", strips " + std::to_string(c.strips) +
                   ", caps " + std::to_string(c.startCap) + std::to_string(c.endCap));
      auto g = GeometryFilledWith(0);
      auto out = MeshFilledWith(0x44);
      ASSERT_TRUE(BuildCurveWayMesh(*g, c.n, *piece, c.strips, c.startCap, c.endCap, *out));
      EXPECT_EQ(out->VertexCount, c.vertices);
      EXPECT_EQ(out->PolygonCount, c.polygons);
      EXPECT_EQ(out->Flags, kMeshFromRecord);
      int strips = 0;
      for (int i = 1; i <= out->PolygonCount; ++i) {
        const TMeshPolygon& p = out->Polygon(i);
        EXPECT_EQ(p.Kind, kPolyQuad);
        EXPECT_EQ(p.Flags, kPolyLit | kPolyFlat | kPolyTwoSided);
        EXPECT_EQ(p.Colour[0] & p.Colour[1] & p.Colour[2] & p.Colour[3], 255);
        if (p.Texture == kStripTexture)
          ++strips;
        else
          EXPECT_EQ(p.Texture, kind.texture);
        for (uint16_t v : p.Vertices) {
          EXPECT_GE(v, 1);
          EXPECT_LE(v, out->VertexCount);
        }
      }
      EXPECT_EQ(strips, c.n * (((c.strips & 1) != 0) + ((c.strips & 2) != 0)));
    }
  }
}

TEST_F(WayGeometry, MeshFollowsTheLinesWithWallsDroppingByTheThickness) {
  const Corners k = BendPiece(100, 10, 20);
  auto piece = Piece(k, 1.5f, kRoadTexture);
  auto out = MeshFilledWith(0);
  const int n = 5;
  ASSERT_TRUE(BuildCurveWayMesh(CurveGeometry, n, *piece, 0, true, true, *out));
  const TCurveLineGeometry& g = CurveGeometry;
  EXPECT_FLOAT_EQ(g.Thickness, 1.5f);
  EXPECT_NEAR(g.W, 10.0f, 1e-5f);
  for (int i = 0; i <= n; ++i) {
    SCOPED_TRACE("point " + std::to_string(i));
    const int b = 6 * i;
    const float v = g.Fraction[i] * g.TotalLength / 20.0f;
    struct Want {
      int vertex;
      TVector p;
      float u;
    };
    const TVector a = g.EdgeA[i], e = g.EdgeB[i];
    const Want want[] = {{b + 1, a, 0.5f},
                         {b + 2, e, 0.0f},
                         {b + 3, a, 0.5f},
                         {b + 4, {a.x, a.y - 1.5f, a.z}, 1.0f},
                         {b + 5, e, 0.5f},
                         {b + 6, {e.x, e.y - 1.5f, e.z}, 1.0f}};
    for (const Want& w : want) {
      SCOPED_TRACE("vertex " + std::to_string(w.vertex));
      ExpectNear(Pos(out->Vertex(w.vertex)), w.p, 1e-5f);
      EXPECT_EQ(out->Vertex(w.vertex).u, w.u);
      EXPECT_NEAR(out->Vertex(w.vertex).v, v, 1e-5f);
    }
  }
  // The texture runs along the centre line once per full width.
  EXPECT_NEAR(out->Vertex(6 * n + 1).v, g.TotalLength / 20.0f, 1e-4f);
  EXPECT_NEAR(g.TexV, g.TotalLength / 20.0f, 1e-4f);
  // The quads of the first segment and the caps, in order.
  const std::vector<std::vector<uint16_t>> quads = {
      {7, 8, 2, 1}, {9, 10, 4, 3}, {11, 12, 6, 5}, {13, 14, 8, 7}};
  for (size_t q = 0; q < quads.size(); ++q) {
    const TMeshPolygon& p = out->Polygon(static_cast<int>(q) + 1);
    EXPECT_EQ(std::vector<uint16_t>(p.Vertices, p.Vertices + 4), quads[q]) << "quad " << q + 1;
  }
  const TMeshPolygon& startCap = out->Polygon(16);
  const TMeshPolygon& endCap = out->Polygon(17);
  EXPECT_EQ(std::vector<uint16_t>(startCap.Vertices, startCap.Vertices + 4), (std::vector<uint16_t>{37, 38, 40, 39}));
  EXPECT_EQ(std::vector<uint16_t>(endCap.Vertices, endCap.Vertices + 4), (std::vector<uint16_t>{41, 42, 44, 43}));
  ExpectNear(Pos(out->Vertex(37)), g.EdgeB[0], 1e-5f);
  ExpectNear(Pos(out->Vertex(40)), {g.EdgeA[0].x, g.EdgeA[0].y - 1.5f, g.EdgeA[0].z}, 1e-5f);
  EXPECT_EQ(out->Vertex(39).u, 0.5f);
  EXPECT_EQ(out->Vertex(39).v, 1.0f);
  ExpectNear(Pos(out->Vertex(41)), g.EdgeA[n], 1e-5f);
  ExpectNear(Pos(out->Vertex(44)), {g.EdgeB[n].x, g.EdgeB[n].y - 1.5f, g.EdgeB[n].z}, 1e-5f);
  EXPECT_EQ(out->Vertex(44).u, 1.0f);
  EXPECT_EQ(out->Vertex(44).v, 0.0f);
  // The top lies flat: its normal (of the quad's first, second and fourth vertex) is upright.
  EXPECT_GT(std::abs(out->Polygon(1).Normal.y), 0.9f);
}

TEST_F(WayGeometry, StripsMoveTheWallsOutAndLayTheGroundTextureByPosition) {
  const Corners k = BendPiece(100, 10, 0);
  auto piece = Piece(k, 1.5f, kRoadTexture);
  auto g = GeometryFilledWith(0);
  auto out = MeshFilledWith(0);
  const int n = 4;
  ASSERT_TRUE(BuildCurveWayMesh(*g, n, *piece, 3, true, true, *out));
  for (int i = 0; i <= n; ++i) {
    SCOPED_TRACE("point " + std::to_string(i));
    const int b = 10 * i;
    ExpectNear(Pos(out->Vertex(b + 1)), g->EdgeA[i], 1e-5f);
    ExpectNear(Pos(out->Vertex(b + 2)), g->EdgeB[i], 1e-5f);
    ExpectNear(Pos(out->Vertex(b + 3)), g->OuterA[i], 1e-5f);
    ExpectNear(Pos(out->Vertex(b + 5)), g->OuterB[i], 1e-5f);
    const std::pair<int, TVector> strip[] = {
        {b + 7, g->EdgeA[i]}, {b + 8, g->OuterA[i]}, {b + 9, g->OuterB[i]}, {b + 10, g->EdgeB[i]}};
    for (const auto& [vertex, p] : strip) {
      ExpectNear(Pos(out->Vertex(vertex)), p, 1e-5f);
      EXPECT_NEAR(out->Vertex(vertex).u, p.z / 100.0f, 1e-6f);
      EXPECT_NEAR(out->Vertex(vertex).v, p.x / 100.0f, 1e-6f);
    }
  }
  // Per segment: top, wall A, strip A, wall B, strip B.
  const std::vector<std::vector<uint16_t>> quads = {
      {11, 12, 2, 1}, {13, 14, 4, 3}, {17, 18, 8, 7}, {15, 16, 6, 5}, {19, 20, 10, 9}};
  const uint16_t textures[] = {kRoadTexture, kRoadTexture, kStripTexture, kRoadTexture, kStripTexture};
  for (size_t q = 0; q < quads.size(); ++q) {
    const TMeshPolygon& p = out->Polygon(static_cast<int>(q) + 1);
    EXPECT_EQ(std::vector<uint16_t>(p.Vertices, p.Vertices + 4), quads[q]) << "quad " << q + 1;
    EXPECT_EQ(p.Texture, textures[q]) << "quad " << q + 1;
  }
  // The caps close the outer lines.
  ExpectNear(Pos(out->Vertex(51)), g->OuterB[0], 1e-5f);
  ExpectNear(Pos(out->Vertex(53)), g->OuterA[0], 1e-5f);
  ExpectNear(Pos(out->Vertex(55)), g->OuterA[n], 1e-5f);
  ExpectNear(Pos(out->Vertex(57)), g->OuterB[n], 1e-5f);
}

TEST_F(WayGeometry, NumbersOfAMissingStripKeepNothingOfTheMeshBefore) {
  const Corners k = BendPiece(100, 10, 0);
  auto piece = Piece(k, 1.5f, kRoadTexture);
  for (uint8_t strips : {1, 2, 4}) {
    SCOPED_TRACE("strips " + std::to_string(strips));
    auto g = GeometryFilledWith(0);
    auto out = MeshFilledWith(0x70);  // vertices far beyond the piece
    ASSERT_TRUE(BuildCurveWayMesh(*g, 3, *piece, strips, false, false, *out));
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (int i = 1; i <= out->PolygonCount; ++i)
      for (uint16_t v : out->Polygon(i).Vertices) {
        const TVector p = Pos(out->Vertex(v));
        const float c[3] = {p.x, p.y, p.z};
        for (int a = 0; a < 3; ++a) {
          lo[a] = std::min(lo[a], c[a]);
          hi[a] = std::max(hi[a], c[a]);
        }
      }
    float box[6];
    MeshBoundingBox(*out, box[0], box[1], box[2], box[3], box[4], box[5]);
    for (int a = 0; a < 3; ++a) {
      EXPECT_EQ(box[a], lo[a]);
      EXPECT_EQ(box[3 + a], hi[a]);
    }
    for (int i = 1; i <= out->VertexCount; ++i) {
      EXPECT_TRUE(std::isfinite(out->Vertex(i).nx) && std::abs(out->Vertex(i).u) < 1e6f) << "vertex " << i;
    }
  }
}

// ---- The lane line ----

class WayLane : public WayGeometry {
 protected:
  // A way of the given use on a stored copy of the piece, with nodes 11 (first) and 13.
  std::unique_ptr<TWay> StoredWay(const Corners& k, uint8_t use) {
    auto piece = Piece(k, 1.5f, use == 0 ? kRoadTexture : kRailTexture);
    piece->A_Write();
    auto w = std::make_unique<TWay>();
    std::memset(static_cast<void*>(w.get()), 0, sizeof(TWay));
    w->Use = use;
    w->Mesh = piece->Index;
    w->NodesCounter = 4;
    w->Nodes[0] = 11;
    w->Nodes[1] = 12;
    w->Nodes[2] = 13;
    w->Nodes[3] = 14;
    return w;
  }
};

TEST_F(WayLane, RoadLaneRunsAtHalfWOnTheSideOfTravelAndRailOnTheCentre) {
  struct Case {
    const char* name;
    uint8_t use;
    uint32_t from;
    float offset;  // signed, toward edge line B (the side of v1)
  };
  const Case cases[] = {{"road from the first node", 0, 11, 0.5f},
                        {"road from the third node", 0, 13, -0.5f},
                        {"rail from the first node", 1, 11, 0.0f},
                        {"rail from the third node", 1, 13, 0.0f},
                        {"other use", 3, 11, 0.0f}};
  const Corners shapes[] = {BendPiece(100, 10, 0), StraightPiece({40, 0, 40}, 1.1f, 10, 200, 0)};
  for (const Corners& k : shapes) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      const auto way = StoredWay(k, c.use);
      const int n = 5;
      auto plain = GeometryFilledWith(0);
      ASSERT_TRUE(CurveLineFromCorners(*plain, n, *Piece(k, 1.5f, 1)));
      auto g = GeometryFilledWith(0);
      ASSERT_TRUE(CurveLineFromWay(*g, n, *way, c.from));
      for (int i = 0; i <= n; ++i) {
        SCOPED_TRACE("point " + std::to_string(i));
        // The lane lies on the line through the centre point and edge B's point, at the offset.
        const TVector& centre = plain->Centre[i];
        const TVector& edge = plain->EdgeB[i];
        const TVector want{centre.x + c.offset * (edge.x - centre.x), 0, centre.z + c.offset * (edge.z - centre.z)};
        ExpectNearXZ(g->EdgeB[i], want, 2e-3f);
        EXPECT_NEAR(DistXZ(g->EdgeB[i], centre), std::abs(c.offset) * 10.0f, 2e-3f);
        // The other lines keep their values.
        ExpectNear(g->Centre[i], plain->Centre[i], 1e-5f);
        ExpectNear(g->EdgeA[i], plain->EdgeA[i], 1e-5f);
        ExpectNear(g->OuterA[i], plain->OuterA[i], 1e-5f);
        ExpectNear(g->OuterB[i], plain->OuterB[i], 1e-5f);
      }
      float sum = 0;
      for (int i = 1; i <= n; ++i) {
        const float len = std::sqrt(std::pow(DistXZ(g->EdgeB[i - 1], g->EdgeB[i]), 2.0f) +
                                    std::pow(g->EdgeB[i].y - g->EdgeB[i - 1].y, 2.0f));
        EXPECT_NEAR(g->SegmentLength[i], len, 1e-3f);
        sum += g->SegmentLength[i];
        EXPECT_NEAR(g->Fraction[i], sum / g->TotalLength, 1e-5f);
      }
      EXPECT_NEAR(g->TotalLength, sum, 1e-3f);
      EXPECT_EQ(g->Fraction[0], 0.0f);
      EXPECT_EQ(g->Fraction[n], 1.0f);
    }
  }
}

TEST_F(WayLane, LaneOfABendIsLongerOutsideThanInside) {
  const Corners k = BendPiece(100, 10, 0);
  const auto way = StoredWay(k, 0);
  auto outside = GeometryFilledWith(0);
  auto inside = GeometryFilledWith(0);
  ASSERT_TRUE(CurveLineFromWay(*outside, 8, *way, 11));
  ASSERT_TRUE(CurveLineFromWay(*inside, 8, *way, 13));
  auto centre = GeometryFilledWith(0);
  ASSERT_TRUE(CurveLineFromWay(*centre, 8, *StoredWay(k, 1), 11));
  // A quarter circle: the lanes lie 5 units outside and inside the centre's radius.
  EXPECT_GT(outside->TotalLength, centre->TotalLength + 5.0f);
  EXPECT_LT(inside->TotalLength, centre->TotalLength - 5.0f);
  EXPECT_NEAR(outside->TotalLength - centre->TotalLength, centre->TotalLength - inside->TotalLength, 0.5f);
}

TEST_F(WayLane, LaneRisesByEvenStepsPerSegment) {
  Corners k = BendPiece(100, 10, 40);
  const auto way = StoredWay(k, 0);
  auto g = GeometryFilledWith(0);
  const int n = 4;
  ASSERT_TRUE(CurveLineFromWay(*g, n, *way, 11));
  EXPECT_FLOAT_EQ(g->Rise, 40.0f);
  EXPECT_EQ(g->EdgeB[0].y, 0.0f);
  float sum = 0;
  for (int i = 1; i <= n; ++i) {
    SCOPED_TRACE("point " + std::to_string(i));
    EXPECT_NEAR(g->EdgeB[i].y, 10.0f * i, 1e-5f);
    // Lengths in space: the climb counts.
    const float ground = DistXZ(g->EdgeB[i - 1], g->EdgeB[i]);
    EXPECT_NEAR(g->SegmentLength[i], std::sqrt(ground * ground + 100.0f), 1e-3f);
    sum += g->SegmentLength[i];
  }
  EXPECT_NEAR(g->TotalLength, sum, 1e-3f);
}

TEST_F(WayLane, LaneWithoutLengthIsRefusedLeavingTheGeometryAsItWas) {
  // A bend of radius W / 2 in one segment: seen from the third node, both lane ends fall on the
  // bend's centre.
  const Corners k = BendPiece(5, 10, 0);
  const auto way = StoredWay(k, 0);
  auto g = GeometryFilledWith(0x5A);
  const auto before = GeometryFilledWith(0x5A);
  DebuggerLines().clear();
  EXPECT_FALSE(CurveLineFromWay(*g, 1, *way, 13));
  EXPECT_TRUE(SameBytes(*g, *before));
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"Error: WayGeometry: CurveLineFromWay: The lane has no length"}));
  // From the first node the lane runs outside and has its length.
  EXPECT_TRUE(CurveLineFromWay(*g, 1, *way, 11));
  EXPECT_GT(g->TotalLength, 10.0f);
  // A count beyond the lines is refused before the way's mesh is read.
  DebuggerLines().clear();
  EXPECT_FALSE(CurveLineFromWay(*g, 50, *way, 11));
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"Error: WayGeometry: CurveLineFromWay: Illegal segment count: 50"}));
}

}  // namespace
