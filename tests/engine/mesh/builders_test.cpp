// The mesh builders and transforms: vertices, quads and triangles with their normals and flags,
// the three turns of a placement and their order, the bounding box, the block mesh, the blend of
// two keyframes of a stored animation and the short list of distinct values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/maths.h"
#include "engine/mesh/mesh.h"
#include "engine/mesh/meshrecords.h"
#include "tests/engine/store/store_fixture.h"

using namespace arrayer_testing;

namespace {

std::vector<std::string> Warnings() {
  std::vector<std::string> w;
  for (const std::string& line : DebuggerLines())
    if (line.rfind("Warning: ", 0) == 0) w.push_back(line.substr(9));
  return w;
}

std::unique_ptr<TMesh2> MeshFilledWith(uint8_t byte) {
  auto m = std::make_unique<TMesh2>();
  std::memset(static_cast<void*>(m.get()), byte, sizeof(TMesh2));
  return m;
}

bool SameBytes(const TMesh2& a, const TMesh2& b) { return std::memcmp(&a, &b, sizeof(TMesh2)) == 0; }

TVector Pos(const TMeshVertex& v) { return {v.x, v.y, v.z}; }
TVector Nrm(const TMeshVertex& v) { return {v.nx, v.ny, v.nz}; }

void ExpectNear(const TVector& got, const TVector& want, float eps = 1e-6f) {
  EXPECT_NEAR(got.x, want.x, eps);
  EXPECT_NEAR(got.y, want.y, eps);
  EXPECT_NEAR(got.z, want.z, eps);
}

// The warning sink of the record-store fixture serves every test here.
using MeshBuild = ArrayerTest;

// ---- Vertices and polygons ----

TEST_F(MeshBuild, VertexSetsPositionAndTextureRaisesTheCountAndRefusesSlotsBeyond600) {
  auto m = MeshFilledWith(0x33);
  const auto before = MeshFilledWith(0x33);
  m->Init();
  m->vxA(5, 1, 2, 3, 0.25f, 0.75f);
  EXPECT_EQ(m->VertexCount, 5);
  const TMeshVertex& v = m->Vertex(5);
  EXPECT_EQ(v.x, 1.0f);
  EXPECT_EQ(v.y, 2.0f);
  EXPECT_EQ(v.z, 3.0f);
  EXPECT_EQ(v.u, 0.25f);
  EXPECT_EQ(v.v, 0.75f);
  EXPECT_EQ(std::memcmp(&v.nx, &before->Vertex(5).nx, 12), 0);  // the normal is not touched
  EXPECT_EQ(std::memcmp(m->Vertices, before->Vertices, 4 * sizeof(TMeshVertex)), 0);
  m->vxA(2, 9, 9, 9, 0, 0);
  EXPECT_EQ(m->VertexCount, 5);  // never lowered
  m->vxA(600, 6, 0, 0, 0, 0);
  EXPECT_EQ(m->VertexCount, 600);
  EXPECT_TRUE(Warnings().empty());

  const auto kept = std::make_unique<TMesh2>(*m);
  m->vxA(601, 7, 7, 7, 7, 7);
  m->vxA(0, 7, 7, 7, 7, 7);
  EXPECT_TRUE(SameBytes(*m, *kept));
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"Error: Mesh3D: TMesh2.vxA: Too much Vertexe for a Mesh",
                                                  "Error: Mesh3D: TMesh2.vxA: Vertex 0 does not exist"}));
}

// A quad that is not flat: A, B and D span the plane y = 0, C lies above it.
std::unique_ptr<TMesh2> BentQuadCorners() {
  auto m = MeshFilledWith(0);
  m->Init();
  m->vxA(1, 0, 0, 0, 0, 0);
  m->vxA(2, 1, 0, 0, 0, 0);
  m->vxA(3, 1, 1, 0, 0, 0);
  m->vxA(4, 0, 0, 1, 0, 0);
  return m;
}

TEST_F(MeshBuild, QuadNormalComesFromItsFirstSecondAndFourthVertexAndMarksAllFour) {
  auto m = BentQuadCorners();
  m->Polygon(1).Spare = 0x1234;
  m->Polygon(1).Spare1 = 5;
  m->Polygon(1).Spare2 = 6;
  AddQuad(*m, 1, 2, 3, 4, 1007, true, false, 10, 20, 30, 40);
  ASSERT_EQ(m->PolygonCount, 1);
  const TMeshPolygon& q = m->Polygon(1);
  // (B - A) x (D - A) = (1, 0, 0) x (0, 0, 1) = (0, -1, 0); A, B and C would give (0, 0, 1).
  ExpectNear(q.Normal, {0, -1, 0});
  for (int i = 1; i <= 4; ++i) ExpectNear(Nrm(m->Vertex(i)), {0, -1, 0});
  EXPECT_EQ(q.Kind, kPolyQuad);
  EXPECT_EQ(q.Vertices[2], 3);
  EXPECT_EQ(q.Vertices[3], 4);
  EXPECT_EQ(q.Texture, 1007);
  EXPECT_EQ((std::vector<int>{q.Colour[0], q.Colour[1], q.Colour[2], q.Colour[3]}), (std::vector<int>{10, 20, 30, 40}));
  EXPECT_EQ(q.Spare, 0x1234);  // the spare fields are not written
  EXPECT_EQ(q.Spare1, 5);
  EXPECT_EQ(q.Spare2, 6);
  EXPECT_EQ(m->VertexCount, 4);

  // A triangle takes A, B and C and leaves the fourth slot; a shared vertex ends with the normal
  // of the last polygon added.
  m->Polygon(2).Vertices[3] = 99;
  AddTriangle(*m, 1, 2, 3, 0, false, true, 1, 2, 3, 4);
  const TMeshPolygon& t = m->Polygon(2);
  ExpectNear(t.Normal, {0, 0, 1});
  EXPECT_EQ(t.Kind, kPolyTriangle);
  EXPECT_EQ(t.Vertices[3], 99);
  for (int i = 1; i <= 3; ++i) ExpectNear(Nrm(m->Vertex(i)), {0, 0, 1});
  ExpectNear(Nrm(m->Vertex(4)), {0, -1, 0});
  ExpectNear(m->Polygon(1).Normal, {0, -1, 0});
}

TEST_F(MeshBuild, PolygonFlagsAreFlatPlusLitPlusTwoSidedWhenNotCulled) {
  struct Case {
    bool lit, cull;
    uint8_t flags;
  };
  for (const Case c : {Case{false, true, 32}, Case{true, true, 48}, Case{false, false, 33}, Case{true, false, 49}}) {
    auto m = BentQuadCorners();
    m->Polygon(1).Flags = 0xFF;
    m->Polygon(2).Flags = 0xFF;
    AddQuad(*m, 1, 2, 3, 4, 0, c.lit, c.cull, 0, 0, 0, 0);
    AddTriangle(*m, 1, 2, 3, 0, c.lit, c.cull, 0, 0, 0, 0);
    EXPECT_EQ(m->Polygon(1).Flags, c.flags) << c.lit << c.cull;
    EXPECT_EQ(m->Polygon(2).Flags, c.flags) << c.lit << c.cull;
  }
}

TEST_F(MeshBuild, FullMeshTakesNoPolygonSilentlyAndAnIndexBeyondTheRoomWithAWarning) {
  auto m = BentQuadCorners();
  for (int i = 0; i < 255; ++i) AddTriangle(*m, 1, 2, 3, 0, true, true, 0, 0, 0, 0);
  ASSERT_EQ(m->PolygonCount, 255);
  auto kept = std::make_unique<TMesh2>(*m);
  AddQuad(*m, 4, 3, 2, 1, 5, true, true, 0, 0, 0, 0);
  AddTriangle(*m, 4, 3, 2, 5, true, true, 0, 0, 0, 0);
  EXPECT_TRUE(SameBytes(*m, *kept));
  EXPECT_TRUE(Warnings().empty());

  // Vertices 0 and 601 lie outside the mesh's room: the polygon is refused.
  m = BentQuadCorners();
  kept = std::make_unique<TMesh2>(*m);
  AddQuad(*m, 1, 2, 3, 601, 5, true, true, 0, 0, 0, 0);
  AddTriangle(*m, 0, 2, 3, 5, true, true, 0, 0, 0, 0);
  EXPECT_TRUE(SameBytes(*m, *kept));
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"Error: Mesh3D: AddQuad: Vertex 601 does not exist",
                                                  "Error: Mesh3D: AddTriangle: Vertex 0 does not exist"}));
}

// ---- Turns and moves ----

struct TurnCase {
  const char* what;
  TPlacement p;
  TVector in, out;
};

const std::vector<TurnCase>& TurnCases() {
  static const std::vector<TurnCase> cases = {
      {"Gier 90", {0, 0, 0, 0, 90, 0}, {1, 0, 0}, {0, 0, -1}},
      {"Roll 90", {0, 0, 0, 90, 0, 0}, {1, 0, 0}, {0, 1, 0}},
      {"Nick 90", {0, 0, 0, 0, 0, 90}, {0, 1, 0}, {0, 0, 1}},
      {"Gier -90", {0, 0, 0, 0, -90, 0}, {0, 0, 1}, {-1, 0, 0}},
      {"Nick 180", {0, 0, 0, 0, 0, 180}, {0, 2, 3}, {0, -2, -3}},
      // Roll first ((1,0,0) -> (0,1,0)), then Nick (-> (0,0,1)), then Gier (-> (1,0,0)); any other
      // order ends elsewhere.
      {"Roll, Nick, Gier 90", {0, 0, 0, 90, 90, 90}, {1, 0, 0}, {1, 0, 0}},
      {"Roll 90 and Gier 90", {0, 0, 0, 90, 90, 0}, {1, 0, 0}, {0, 1, 0}},
      {"Nick 90 and Gier 90", {0, 0, 0, 0, 90, 90}, {0, 1, 0}, {1, 0, 0}},
      // The move comes after the turn.
      {"Gier 90 and a move", {10, 20, 30, 0, 90, 0}, {1, 0, 0}, {10, 20, 29}},
      {"no angle, a move", {-1.5f, 2, 4, 0, 0, 0}, {1, 2, 3}, {-0.5f, 4, 7}},
  };
  return cases;
}

TEST_F(MeshBuild, TurnsOfAPlacementAsTable) {
  for (const TurnCase& c : TurnCases()) {
    SCOPED_TRACE(c.what);
    TVector v = c.in;
    RotateVectorDeg(v, c.p);
    ExpectNear(v, c.out, 1e-5f);

    // The mesh: position turned and moved, vertex normal and polygon normal only turned.
    auto m = MeshFilledWith(0);
    m->VertexCount = 1;
    m->PolygonCount = 1;
    m->Vertex(1) = {c.in.x, c.in.y, c.in.z, c.in.x, c.in.y, c.in.z, 0.5f, 0.25f};
    m->Polygon(1).Normal = c.in;
    TransformMesh(*m, c.p);
    ExpectNear(Pos(m->Vertex(1)), c.out, 1e-5f);
    const TVector turned = {c.out.x - c.p.X, c.out.y - c.p.Y, c.out.z - c.p.Z};
    ExpectNear(Nrm(m->Vertex(1)), turned, 1e-5f);
    ExpectNear(m->Polygon(1).Normal, turned, 1e-5f);
    EXPECT_EQ(m->Vertex(1).u, 0.5f);
    EXPECT_EQ(m->Vertex(1).v, 0.25f);
  }
}

TEST_F(MeshBuild, TransformWithoutAnglesOnlyMovesThePositionsOfUsedVertices) {
  auto m = MeshFilledWith(0);
  m->VertexCount = 2;
  m->PolygonCount = 1;
  const float odd = 0.1f;  // a normal that a turn by 0 degrees through sine and cosine could change
  m->Vertex(1) = {1, 2, 3, odd, odd, odd, 0, 0};
  m->Vertex(2) = {4, 5, 6, 0, 1, 0, 0, 0};
  m->Vertex(3) = {7, 7, 7, 0, 0, 0, 0, 0};
  m->Polygon(1).Normal = {odd, -odd, odd};
  const auto before = std::make_unique<TMesh2>(*m);
  TransformMesh(*m, {10, 20, 30, 0, 0, 0});
  EXPECT_EQ(m->Vertex(1).x, 11.0f);
  EXPECT_EQ(m->Vertex(2).z, 36.0f);
  EXPECT_EQ(m->Vertex(3).x, 7.0f);  // beyond the count
  EXPECT_EQ(std::memcmp(&m->Vertex(1).nx, &before->Vertex(1).nx, 12), 0);
  EXPECT_EQ(std::memcmp(&m->Polygon(1), &before->Polygon(1), sizeof(TMeshPolygon)), 0);

  TranslateMesh(*m, -10, -20, -30);
  EXPECT_TRUE(SameBytes(*m, *before));
}

TEST_F(MeshBuild, BoundingBoxSpansTheUsedVerticesFromVertexOne) {
  auto m = MeshFilledWith(0);
  m->VertexCount = 3;
  m->Vertex(1) = {1, -2, 3, 0, 0, 0, 0, 0};
  m->Vertex(2) = {-4, 5, 0, 0, 0, 0, 0, 0};
  m->Vertex(3) = {2, 0, -6, 0, 0, 0, 0, 0};
  m->Vertex(4) = {100, 100, 100, 0, 0, 0, 0, 0};  // unused
  float b[6];
  MeshBoundingBox(*m, b[0], b[1], b[2], b[3], b[4], b[5]);
  EXPECT_EQ((std::vector<float>(b, b + 6)), (std::vector<float>{-4, -2, -6, 2, 5, 3}));
  // Without vertices the box is vertex 1's slot, whatever it holds.
  m->VertexCount = 0;
  MeshBoundingBox(*m, b[0], b[1], b[2], b[3], b[4], b[5]);
  EXPECT_EQ((std::vector<float>(b, b + 6)), (std::vector<float>{1, -2, 3, 1, -2, 3}));
}

// ---- The block ----

TEST_F(MeshBuild, BlockHasTopAndLongWallsAndWithSidesItsEnds) {
  const TVector p1{0, 10, 0}, p2{4, 10, 0}, p3{4, 12, 8}, p4{0, 12, 8};
  for (bool sides : {false, true}) {
    SCOPED_TRACE(sides ? "with sides" : "without sides");
    auto m = MeshFilledWith(0x77);
    m->Index = 9;
    BuildBlockMesh(*m, p1, p2, p3, p4, 3.0f, sides, 1200, 2.5f);
    EXPECT_EQ(m->VertexCount, sides ? 20 : 12);
    EXPECT_EQ(m->PolygonCount, sides ? 5 : 3);
    EXPECT_EQ(m->Flags, 2);
    EXPECT_EQ(m->Index, 9u);

    struct Quad {
      uint16_t v[4];
    };
    std::vector<Quad> quads = {{{4, 3, 2, 1}}, {{12, 9, 5, 8}}, {{7, 6, 10, 11}}};
    if (sides) {
      quads.push_back({{13, 14, 16, 15}});
      quads.push_back({{17, 18, 20, 19}});
    }
    for (size_t k = 0; k < quads.size(); ++k) {
      const TMeshPolygon& q = m->Polygon(static_cast<int>(k) + 1);
      EXPECT_EQ((std::vector<uint16_t>(q.Vertices, q.Vertices + 4)),
                (std::vector<uint16_t>(quads[k].v, quads[k].v + 4)))
          << k;
      EXPECT_EQ(q.Kind, kPolyQuad);
      EXPECT_EQ(q.Texture, 1200);
      EXPECT_EQ(q.Flags, 49);  // lit, flat, two-sided
      EXPECT_EQ(q.Colour[0] & q.Colour[1] & q.Colour[2] & q.Colour[3], 255);
    }
    // The top: corners with the left half of the texture; its normal faces up here.
    EXPECT_EQ(m->Vertex(3).u, 0.5f);
    EXPECT_EQ(m->Vertex(3).v, 2.5f);
    EXPECT_EQ(m->Vertex(4).u, 0.0f);
    EXPECT_GT(m->Polygon(1).Normal.y, 0.0f);
    // The walls: top and bottom of each corner, right half of the texture.
    const TVector corners[4] = {p1, p2, p3, p4};
    const uint16_t tops[4] = {9, 10, 11, 12}, bottoms[4] = {5, 6, 7, 8};
    const float vs[4] = {0, 0, 2.5f, 2.5f};
    for (int k = 0; k < 4; ++k) {
      const TMeshVertex& t = m->Vertex(tops[k]);
      const TMeshVertex& b = m->Vertex(bottoms[k]);
      ExpectNear(Pos(t), corners[k], 0);
      ExpectNear(Pos(b), {corners[k].x, corners[k].y - 3.0f, corners[k].z}, 0);
      EXPECT_EQ(t.u, 0.5f);
      EXPECT_EQ(b.u, 1.0f);
      EXPECT_EQ(t.v, vs[k]);
      EXPECT_EQ(b.v, vs[k]);
    }
    if (sides) {
      ExpectNear(Pos(m->Vertex(16)), {4, 7, 0}, 0);
      EXPECT_EQ(m->Vertex(16).v, 1.0f);
      EXPECT_EQ(m->Vertex(19).v, 0.0f);
    }
  }
}

// ---- Animations ----

// An animation of four frames of two vertices and one polygon: every float of frame f is a
// multiple of f, so a blend shows its weights.
uint32_t StoreFourFrames(uint16_t frames = 4, uint16_t vertices = 2) {
  auto header = std::make_unique<TMeshAni>();
  std::memset(static_cast<void*>(header.get()), 0, sizeof(TMeshAni));
  header->FrameCount = frames;
  header->VertexCount = vertices;
  header->PolygonCount = 1;
  header->Polygons[0].Vertices[0] = 1;
  header->Polygons[0].Vertices[1] = 2;
  header->Polygons[0].Texture = 1500;
  header->Polygons[0].Colour[0] = 200;
  header->Polygons[0].Kind = kPolyTriangle;
  std::vector<TMeshVertex> v;
  std::vector<TVector> n;
  for (int f = 1; f <= frames; ++f) {
    const float s = 8.0f * f;
    for (int i = 1; i <= vertices; ++i) v.push_back({s * i, -s, 1, s, 0, 0, s / 8, 100.0f * i});
    n.push_back({s, 2 * s, -s});
  }
  return meshrecords_test::StoreMeshAni(*header, v.data(), n.data());
}

TEST_F(MeshBuild, AnimationBlendsTheFrameOfTheTimeIntoTheNextOneWrappingToTheFirst) {
  const uint32_t ani = StoreFourFrames();
  struct Case {
    float t;
    float scale;  // the blended value of 8 * frame
  };
  const Case cases[] = {
      {2.25f, 0.75f * 16 + 0.25f * 24},  // frames 2 and 3
      {4.5f, 0.5f * 32 + 0.5f * 8},      // frames 4 and 1
      {0.0f, 32},                        // frame 4 exactly
      {1.0f, 8},                         // frame 1 exactly
      {7.75f, 0.25f * 24 + 0.75f * 32},  // frames 3 and 4 after a wrap
      // Trunc goes toward zero: below 0 the time and the time + 1 may name the same frame.
      {-0.5f, 32},                       // frame 4 with itself
      {-2.75f, 1.75f * 16 - 0.75f * 24},  // frames 2 and 3 with the fraction -0.75
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    auto m = MeshFilledWith(0x44);
    m->Index = 3;
    GetAnimatedMesh(ani, *m, c.t);
    EXPECT_EQ(m->VertexCount, 2);
    EXPECT_EQ(m->PolygonCount, 1);
    EXPECT_EQ(m->Flags, 2);
    EXPECT_EQ(m->Index, 3u);
    EXPECT_EQ(m->Polygon(1).Texture, 1500);
    EXPECT_EQ(m->Polygon(1).Colour[0], 200);
    EXPECT_EQ(m->Polygon(1).Vertices[1], 2);
    const TMeshVertex& v2 = m->Vertex(2);
    EXPECT_FLOAT_EQ(v2.x, 2 * c.scale);
    EXPECT_FLOAT_EQ(v2.y, -c.scale);
    EXPECT_FLOAT_EQ(v2.z, 1.0f);
    EXPECT_FLOAT_EQ(v2.nx, c.scale);
    EXPECT_FLOAT_EQ(v2.u, c.scale / 8);
    EXPECT_FLOAT_EQ(v2.v, 200.0f);
    ExpectNear(m->Polygon(1).Normal, {c.scale, 2 * c.scale, -c.scale}, 1e-4f);
    // Vertices beyond the animation's count are left.
    EXPECT_EQ(m->Vertex(3).x, MeshFilledWith(0x44)->Vertex(3).x);
  }
  EXPECT_TRUE(Warnings().empty());
}

TEST_F(MeshBuild, AnimationThatCannotBeSampledLeavesTheMeshWithAWarning) {
  const uint32_t four = StoreFourFrames();
  const uint32_t none = StoreFourFrames(0);
  const uint32_t big = StoreFourFrames(1, 601);
  const uint32_t largest = StoreFourFrames(1, 600);
  struct Case {
    uint32_t ani;
    float t;
    const char* warning;
  };
  const Case cases[] = {
      {none, 1.0f, "Error: Mesh3D: GetAnimatedMesh: The animation 2 has no frames"},
      {four, -4.0f, "Error: Mesh3D: GetAnimatedMesh: Time out of range"},
      {four, -4.5f, "Error: Mesh3D: GetAnimatedMesh: Time out of range"},
      {four, -1000.0f, "Error: Mesh3D: GetAnimatedMesh: Time out of range"},
      {four, std::numeric_limits<float>::quiet_NaN(), "Error: Mesh3D: GetAnimatedMesh: Time out of range"},
      {big, 1.0f, "Error: Mesh3D: GetAnimatedMesh: Too much Vertexe for a Mesh"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.warning);
    DebuggerLines().clear();
    auto m = MeshFilledWith(0x55);
    const auto kept = MeshFilledWith(0x55);
    GetAnimatedMesh(c.ani, *m, c.t);
    EXPECT_TRUE(SameBytes(*m, *kept));
    EXPECT_EQ(Warnings(), std::vector<std::string>{c.warning});
  }
  // Just inside: a time above minus the frame count, 600 vertices.
  DebuggerLines().clear();
  auto m = MeshFilledWith(0);
  GetAnimatedMesh(four, *m, -3.5f);
  EXPECT_EQ(m->VertexCount, 2);
  GetAnimatedMesh(largest, *m, 0.0f);
  EXPECT_EQ(m->VertexCount, 600);
  EXPECT_EQ(m->Vertex(600).x, 8.0f * 600);
  EXPECT_TRUE(Warnings().empty());
}

// ---- The list of distinct values ----

TEST_F(MeshBuild, IndexListKeepsDistinctValuesUpToItsRoom) {
  TIndexList list;
  std::memset(&list, 0xEE, sizeof(list));
  ClearIndexList(list);
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(list.Flag, 0);
  list.Flag = 1;
  for (uint16_t v : {5, 7, 5, 0, 7, 0}) AddUniqueIndex(list, v);
  EXPECT_EQ(list.Count, 3);
  EXPECT_EQ((std::vector<uint16_t>(list.Entries, list.Entries + 3)), (std::vector<uint16_t>{5, 7, 0}));
  EXPECT_EQ(list.Entries[3], 0xEEEE);
  EXPECT_EQ(list.Flag, 1);

  for (uint16_t v = 100; v < 117; ++v) AddUniqueIndex(list, v);
  ASSERT_EQ(list.Count, 20);
  EXPECT_TRUE(Warnings().empty());
  // A 21st distinct value stays out; values already held are still welcome.
  const TIndexList full = list;
  AddUniqueIndex(list, 999);
  AddUniqueIndex(list, 116);
  EXPECT_EQ(std::memcmp(&list, &full, sizeof(list)), 0);
  EXPECT_EQ(Warnings(), std::vector<std::string>{"Error: Mesh3D: AddUniqueIndex: The list is full, 999 is left out"});

  ClearIndexList(list);
  EXPECT_EQ(list.Count, 0);
  EXPECT_EQ(list.Flag, 0);
  EXPECT_EQ(list.Entries[19], 116);  // the entries stay, unused
}

}  // namespace
