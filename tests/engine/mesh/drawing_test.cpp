// Mesh drawing without a GL context: the entry-point table is replaced by recorders, so the tests
// see every colour, texture coordinate, vertex and primitive that a mesh sends.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/mesh/drawing.h"
#include "engine/render/graphics.h"

namespace {

struct Call {
  std::string what;  // "begin", "end", "colour", "tex", "vertex", "texture on", "texture off", "blend"
  float a = 0, b = 0, c = 0, d = 0;
};
std::vector<Call> g_calls;

void RecBegin(uint32_t mode) { g_calls.push_back({"begin", float(mode)}); }
void RecEnd() { g_calls.push_back({"end"}); }
void RecColour(float r, float g, float b, float a) { g_calls.push_back({"colour", r, g, b, a}); }
void RecTex(float u, float v) { g_calls.push_back({"tex", u, v}); }
void RecVertex(float x, float y, float z) { g_calls.push_back({"vertex", x, y, z}); }
void RecEnable(uint32_t cap) {
  if (cap == glk::TEXTURE_2D) g_calls.push_back({"texture on"});
  if (cap == glk::BLEND) g_calls.push_back({"blend", 1});
}
void RecDisable(uint32_t cap) {
  if (cap == glk::TEXTURE_2D) g_calls.push_back({"texture off"});
  if (cap == glk::BLEND) g_calls.push_back({"blend", 0});
}

std::vector<Call> Only(const std::string& what) {
  std::vector<Call> out;
  for (const Call& c : g_calls)
    if (c.what == what) out.push_back(c);
  return out;
}

class MeshDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    Gra_ResetProcs();
    GraGL.glBegin = RecBegin;
    GraGL.glEnd = RecEnd;
    GraGL.glColor4f = RecColour;
    GraGL.glTexCoord2f = RecTex;
    GraGL.glVertex3f = RecVertex;
    GraGL.glEnable = RecEnable;
    GraGL.glDisable = RecDisable;
    g_calls.clear();
    InitTextureTable();
    CurrentTexture = 0;
    TexturingOn = 0;
    BlendModeCache = 1;
    LocalPlayer = 1;
    Players[1].Camera = TPlacement{};  // at the origin
    LightDirection = {0.0f, 0.0f, -1.0f};
    LightScale = 3.3f;
    AmbientLight = 0.666f;
    mesh_ = std::make_unique<TMesh2>();
    std::memset(mesh_.get(), 0, sizeof(TMesh2));
  }
  void TearDown() override {
    Gra_ResetProcs();
    CurrentTexture = 0;
    TexturingOn = 0;
  }

  // A square at z = `z` with its corners 1 to 4 and the given normal on polygon and vertices.
  void Square(float z, TVector normal, uint8_t flags, uint16_t texture = 0, uint8_t kind = kPolyQuad) {
    TMesh2& m = *mesh_;
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    const int base = m.VertexCount;
    for (int k = 0; k < 4; ++k) {
      TMeshVertex& v = m.Vertex(base + k + 1);
      v = {corners[k][0], corners[k][1], z, normal.x, normal.y, normal.z, 0.25f * k, 0.5f};
    }
    m.VertexCount = static_cast<uint16_t>(base + 4);
    TMeshPolygon& p = m.Polygon(++m.PolygonCount);
    p = {};
    p.Normal = normal;
    p.Colour[0] = 200;
    p.Colour[1] = 100;
    p.Colour[2] = 50;
    p.Colour[3] = 255;
    for (int k = 0; k < 4; ++k) p.Vertices[k] = static_cast<uint16_t>(base + k + 1);
    p.Kind = kind;
    p.Flags = flags;
    p.Texture = texture;
  }

  std::unique_ptr<TMesh2> mesh_;
};

constexpr float kColour[3] = {200 / 255.0f, 100 / 255.0f, 50 / 255.0f};

TEST_F(MeshDrawing, LitQuadFacingTheLightIsAmbientPlusOneOverLightScale) {
  Square(-5, {0, 0, 1}, kPolyLit);  // normals opposite to the light of length 1
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeOpaque, false);
  const auto colours = Only("colour");
  ASSERT_EQ(colours.size(), 4u);  // not flat: one colour per vertex
  const float b = 0.666f + 1.0f / 3.3f;
  for (const Call& c : colours) {
    EXPECT_FLOAT_EQ(c.a, kColour[0] * b);
    EXPECT_FLOAT_EQ(c.b, kColour[1] * b);
    EXPECT_FLOAT_EQ(c.c, kColour[2] * b);
    EXPECT_FLOAT_EQ(c.d, 1.0f);  // alpha untouched
  }
  // One fan of four vertices in stored order.
  ASSERT_EQ(Only("begin").size(), 1u);
  EXPECT_EQ(Only("begin")[0].a, float(glk::TRIANGLE_FAN));
  const auto vertices = Only("vertex");
  ASSERT_EQ(vertices.size(), 4u);
  EXPECT_FLOAT_EQ(vertices[2].a, 1.0f);
  EXPECT_FLOAT_EQ(vertices[2].b, 1.0f);
  EXPECT_FLOAT_EQ(vertices[2].c, -5.0f);
}

TEST_F(MeshDrawing, BrightnessNeverFallsBelowAmbientAndFollowsTheTurnedNormal) {
  struct Case {
    const char* what;
    TVector normal;
    float facing;
    float expected;
  };
  const Case cases[] = {
      {"facing the light", {0, 0, 1}, -1, 0.666f + 1 / 3.3f},
      {"turned away: negative term", {0, 0, -1}, -1, 0.666f},
      {"side on", {1, 0, 0}, -1, 0.666f},
      {"back face drawn: normal turned round", {0, 0, -1}, 1, 0.666f + 1 / 3.3f},
      {"edge-on keeps the normal", {0, 0, 1}, 0, 0.666f + 1 / 3.3f},
      {"half way", {0, 0.6f, 0.8f}, -1, 0.666f + 0.8f / 3.3f},
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(MeshVertexBrightness(c.normal, c.facing), c.expected) << c.what;
}

TEST_F(MeshDrawing, CullingSkipsOneSidedBackFacesOnlyWhenAsked) {
  struct Case {
    const char* what;
    float z;          // the square's plane; the camera is at the origin
    TVector normal;
    uint8_t flags;
    bool cull;
    bool drawn;
  };
  const Case cases[] = {
      {"front face, cull", -5, {0, 0, 1}, 0, true, true},
      {"back face, cull", -5, {0, 0, -1}, 0, true, false},
      {"back face, two-sided, cull", -5, {0, 0, -1}, kPolyTwoSided, true, true},
      {"back face, no cull", -5, {0, 0, -1}, 0, false, true},
      {"edge-on counts as back face", -5, {5, 0, -1}, 0, true, false},  // first corner (-1, -1, -5)
      {"plane through the camera is edge-on", 0, {0, 0, 1}, 0, true, false},
  };
  for (const Case& c : cases) {
    SetUp();
    Square(c.z, c.normal, c.flags);
    Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeOpaque, c.cull);
    EXPECT_EQ(Only("vertex").size(), c.drawn ? 4u : 0u) << c.what;
  }
}

TEST_F(MeshDrawing, TwoSidedBackFaceIsLitWithItsNormalReversed) {
  // Seen from behind, the normal points away from the camera, along the light: by itself it
  // would get only the ambient part. Turned round it faces the light.
  Square(-5, {0, 0, -1}, kPolyLit | kPolyTwoSided);
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeOpaque, true);
  const auto colours = Only("colour");
  ASSERT_EQ(colours.size(), 4u);
  for (const Call& c : colours) EXPECT_FLOAT_EQ(c.a, kColour[0] * (0.666f + 1 / 3.3f));

  // The same polygon seen from its front side is turned away from the light.
  g_calls.clear();
  Players[1].Camera.Z = -10;
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeOpaque, true);
  ASSERT_EQ(Only("colour").size(), 4u);
  for (const Call& c : Only("colour")) EXPECT_FLOAT_EQ(c.a, kColour[0] * 0.666f);
}

TEST_F(MeshDrawing, FlatPolygonHasOneColourFromItsFirstVertex) {
  Square(-5, {0, 0, 1}, kPolyLit | kPolyFlat);
  mesh_->Vertex(2).nz = -1;  // later vertices' normals are not read
  mesh_->Vertex(3).nz = -1;
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeOpaque, false);
  const auto colours = Only("colour");
  ASSERT_EQ(colours.size(), 1u);
  EXPECT_FLOAT_EQ(colours[0].a, kColour[0] * (0.666f + 1 / 3.3f));
  // The colour comes before the first vertex.
  size_t colourAt = 0, vertexAt = 0;
  for (size_t i = 0; i < g_calls.size(); ++i) {
    if (g_calls[i].what == "colour" && !colourAt) colourAt = i + 1;
    if (g_calls[i].what == "vertex" && !vertexAt) vertexAt = i + 1;
  }
  EXPECT_LT(colourAt, vertexAt);
}

TEST_F(MeshDrawing, UnlitPolygonKeepsItsColourAndATintReplacesIt) {
  Square(-5, {0, 0, 1}, 0);
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeOpaque, false);
  for (const Call& c : Only("colour")) {
    EXPECT_FLOAT_EQ(c.a, kColour[0]);
    EXPECT_FLOAT_EQ(c.b, kColour[1]);
    EXPECT_FLOAT_EQ(c.c, kColour[2]);
    EXPECT_FLOAT_EQ(c.d, 1.0f);
  }
  g_calls.clear();
  Gra_DrawMesh(mesh_.get(), TMeshTint{0, 255, 0, 51}, kMeshModeOpaque, false);
  const auto tinted = Only("colour");
  ASSERT_EQ(tinted.size(), 4u);
  for (const Call& c : tinted) {
    EXPECT_FLOAT_EQ(c.a, 0.0f);
    EXPECT_FLOAT_EQ(c.b, 1.0f);
    EXPECT_FLOAT_EQ(c.c, 0.0f);
    EXPECT_FLOAT_EQ(c.d, 0.2f);
  }
}

TEST_F(MeshDrawing, GhostModeIsWhiteAtAlpha130WithTexturesAndBlending) {
  TextureTable[1001].GLName = 7;
  Square(-5, {0, 0, 1}, 0, 1001);
  Gra_DrawMesh(mesh_.get(), TMeshTint{10, 20, 30, 255}, kMeshModeGhost, false);
  EXPECT_EQ(BlendModeCache, 2);
  ASSERT_EQ(Only("blend").size(), 1u);
  EXPECT_EQ(Only("blend")[0].a, 1.0f);  // blending switched on
  for (const Call& c : Only("colour")) {
    EXPECT_FLOAT_EQ(c.a, 1.0f);
    EXPECT_FLOAT_EQ(c.b, 1.0f);
    EXPECT_FLOAT_EQ(c.c, 1.0f);
    EXPECT_FLOAT_EQ(c.d, 130 / 255.0f);
  }
  EXPECT_EQ(CurrentTexture, 1001);
  EXPECT_EQ(Only("tex").size(), 4u);
}

TEST_F(MeshDrawing, TexturedPolygonSendsTextureCoordinatesAndSlotZeroSendsNone) {
  TextureTable[1001].GLName = 7;
  Square(-5, {0, 0, 1}, 0, 1001);
  Square(-6, {0, 0, 1}, 0, 0);
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeOpaque, false);
  // First polygon: texturing on and (u, v) before each vertex; second: texturing off, none.
  std::vector<std::string> order;
  for (const Call& c : g_calls)
    if (c.what == "tex" || c.what == "vertex" || c.what == "texture on" || c.what == "texture off")
      order.push_back(c.what);
  const std::vector<std::string> expected = {"texture on", "tex", "vertex", "tex", "vertex", "tex", "vertex",
                                             "tex", "vertex", "texture off", "vertex", "vertex", "vertex", "vertex"};
  EXPECT_EQ(order, expected);
  const auto tex = Only("tex");
  EXPECT_FLOAT_EQ(tex[3].a, 0.75f);
  EXPECT_FLOAT_EQ(tex[3].b, 0.5f);
  EXPECT_EQ(TexturingOn, 0);
}

TEST_F(MeshDrawing, WireFrameDrawsClosedOutlinesInTheTintWithoutTexture) {
  TextureTable[1001].GLName = 7;
  Square(-5, {0, 0, 1}, kPolyLit, 1001, kPolyTriangle);
  const uint32_t edges = Gra_Counter(kGraCountEdges), vertices = Gra_Counter(kGraCountVertices);
  BlendModeCache = 2;
  Gra_DrawMesh(mesh_.get(), TMeshTint{255, 0, 51, 10}, kMeshModeWire, true);
  EXPECT_EQ(BlendModeCache, 1);
  EXPECT_EQ(Only("texture off").size(), 1u);
  EXPECT_TRUE(Only("tex").empty());
  const auto colours = Only("colour");
  ASSERT_EQ(colours.size(), 1u);
  EXPECT_FLOAT_EQ(colours[0].a, 1.0f);
  EXPECT_FLOAT_EQ(colours[0].b, 0.0f);
  EXPECT_FLOAT_EQ(colours[0].c, 0.2f);
  EXPECT_FLOAT_EQ(colours[0].d, 1.0f);  // full alpha, whatever the tint says
  ASSERT_EQ(Only("begin").size(), 1u);
  EXPECT_EQ(Only("begin")[0].a, float(glk::LINES));
  // Three lines: 1-2, 2-3, 3-1.
  const auto v = Only("vertex");
  ASSERT_EQ(v.size(), 6u);
  const float xs[6] = {-1, 1, 1, 1, 1, -1};
  const float ys[6] = {-1, -1, -1, 1, 1, -1};
  for (int i = 0; i < 6; ++i) {
    EXPECT_FLOAT_EQ(v[i].a, xs[i]) << i;
    EXPECT_FLOAT_EQ(v[i].b, ys[i]) << i;
  }
  EXPECT_EQ(Gra_Counter(kGraCountEdges) - edges, 4u);
  EXPECT_EQ(Gra_Counter(kGraCountVertices) - vertices, 5u);
}

TEST_F(MeshDrawing, WireFrameQuadHasFourSides) {
  Square(-5, {0, 0, 1}, 0);
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeWire, false);
  EXPECT_EQ(Only("vertex").size(), 8u);
  const auto v = Only("vertex");
  EXPECT_FLOAT_EQ(v[7].a, -1.0f);  // the last side ends at the first corner
  EXPECT_FLOAT_EQ(v[7].b, -1.0f);
}

TEST_F(MeshDrawing, CountersAddVerticesAndTrianglesOfDrawnPolygons) {
  Square(-5, {0, 0, 1}, 0);                              // quad
  Square(-5, {0, 0, 1}, 0, 0, kPolyTriangle);            // triangle
  Square(-5, {0, 0, -1}, 0);                             // culled
  Square(-5, {0, 0, 1}, 0, 0, 2);                        // no kind: skipped
  const uint32_t meshes = Gra_Counter(kGraCountMeshes), vertices = Gra_Counter(kGraCountVertices),
                 triangles = Gra_Counter(kGraCountTriangles);
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeOpaque, true);
  EXPECT_EQ(Gra_Counter(kGraCountMeshes) - meshes, 1u);
  EXPECT_EQ(Gra_Counter(kGraCountVertices) - vertices, 7u);
  EXPECT_EQ(Gra_Counter(kGraCountTriangles) - triangles, 3u);
  EXPECT_EQ(Only("begin").size(), 2u);
  EXPECT_EQ(Only("begin")[1].a, float(glk::TRIANGLES));
  EXPECT_EQ(Only("vertex").size(), 7u);
}

TEST_F(MeshDrawing, PolygonNamingAVertexOutsideTheRoomIsSkipped) {
  Square(-5, {0, 0, 1}, 0);
  Square(-5, {0, 0, 1}, 0);
  Square(-5, {0, 0, 1}, 0);
  mesh_->Polygon(1).Vertices[2] = 0;
  mesh_->Polygon(2).Vertices[3] = 601;
  mesh_->Polygon(3).Vertices[3] = 601;  // a triangle does not use its fourth slot
  mesh_->Polygon(3).Kind = kPolyTriangle;
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeOpaque, false);
  EXPECT_EQ(Only("vertex").size(), 3u);
  g_calls.clear();
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeWire, false);
  EXPECT_EQ(Only("vertex").size(), 6u);
}

TEST_F(MeshDrawing, EmptyMeshDrawsNothingAndOtherModesLeaveTheBlendMode) {
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeOpaque, false);
  EXPECT_TRUE(Only("begin").empty());
  Gra_DrawMesh(mesh_.get(), kNoTint, kMeshModeWire, false);
  ASSERT_EQ(Only("begin").size(), 1u);  // an empty line list
  EXPECT_EQ(Only("end").size(), 1u);
  EXPECT_TRUE(Only("vertex").empty());
  Gra_DrawMesh(nullptr, kNoTint, kMeshModeOpaque, false);

  g_calls.clear();
  Square(-5, {0, 0, 1}, 0);
  BlendModeCache = 3;
  Gra_DrawMesh(mesh_.get(), TMeshTint{0, 0, 0, 255}, 9, false);
  EXPECT_EQ(BlendModeCache, 3);
  EXPECT_TRUE(Only("blend").empty());
  ASSERT_EQ(Only("colour").size(), 4u);
  EXPECT_FLOAT_EQ(Only("colour")[0].a, 0.0f);  // the tint, as in the opaque mode
}

}  // namespace
