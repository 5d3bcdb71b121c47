// Meshes drawn into the back buffer: the colours that reach the pixels in each mode, with the
// software light of the vehicle editor's start-up weather and the back-face test.
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/mesh/drawing.h"
#include "tests/support/gl_view.h"

using gl_test::GlView;
using gl_test::Rgba;

namespace {

// A 40 x 40 pixel square round the panel's centre in the pixel projection (z = -1), unlit, of
// colour (200, 100, 50), with `normal` on the polygon and its vertices.
std::unique_ptr<TMesh2> Square(TVector normal, uint8_t flags) {
  auto m = std::make_unique<TMesh2>();
  std::memset(m.get(), 0, sizeof(TMesh2));
  const float corners[4][2] = {{-20, -20}, {20, -20}, {20, 20}, {-20, 20}};
  for (int k = 0; k < 4; ++k) m->Vertex(k + 1) = {corners[k][0], corners[k][1], -1, normal.x, normal.y, normal.z, 0, 0};
  m->VertexCount = 4;
  m->PolygonCount = 1;
  TMeshPolygon& p = m->Polygon(1);
  p.Normal = normal;
  p.Colour[0] = 200;
  p.Colour[1] = 100;
  p.Colour[2] = 50;
  p.Colour[3] = 255;
  for (int k = 0; k < 4; ++k) p.Vertices[k] = static_cast<uint16_t>(k + 1);
  p.Kind = kPolyQuad;
  p.Flags = flags;
  return m;
}

// The start-up weather of the vehicle editor and its light.
void StartUpLight() {
  const float len = std::sqrt(0.4f * 0.4f + 0.3f * 0.3f + 0.7f * 0.7f);
  Weather.LightDirection = {0.4f / len, -0.3f / len, -0.7f / len};
  Weather.Intensity = 0.0f;
  Weather.LightFactor = 3.0f;
  Weather.AmbientCeiling = 0.666f;
  Gra_SetLight(true);
}

TEST_F(GlView, MeshPixelsInEachModeWithTheStartUpLightAndTheBackFaceTest) {
  Open();
  StartUpLight();
  ASSERT_FLOAT_EQ(LightScale, 3.3f);
  ASSERT_FLOAT_EQ(AmbientLight, 0.666f);
  LocalPlayer = 1;
  Players[1].Camera = TPlacement{};  // where the pixel projection looks from
  const int sky[3] = {0, 51, 102};

  // The light term of a normal facing the camera (0, 0, 1): 0.7 / |(0.4, -0.3, -0.7)| / 3.3.
  const double lit = 0.666 + 0.7 / std::sqrt(0.74) / 3.3;
  auto litByte = [lit](int c) { return static_cast<int>(std::lround(c * lit)); };
  // White at alpha 130/255 over the sky.
  auto ghostByte = [](int s) { return static_cast<int>(std::lround(130 + s * 125 / 255.0)); };

  struct Case {
    const char* what;
    TVector normal;
    uint8_t flags;
    uint8_t mode;
    bool cull;
    Rgba expected;
  };
  const Case cases[] = {
      {"unlit quad in its colour", {0, 0, 1}, 0, kMeshModeOpaque, true, {200, 100, 50, 255}},
      {"lit quad", {0, 0, 1}, kPolyLit, kMeshModeOpaque, true, {litByte(200), litByte(100), litByte(50), 255}},
      {"ghost over the sky", {0, 0, 1}, 0, kMeshModeGhost, true,
       {ghostByte(sky[0]), ghostByte(sky[1]), ghostByte(sky[2]), 255}},
      {"one-sided seen from behind, culled", {0, 0, -1}, 0, kMeshModeOpaque, true, {sky[0], sky[1], sky[2], 255}},
      {"two-sided seen from behind", {0, 0, -1}, kPolyTwoSided, kMeshModeOpaque, true, {200, 100, 50, 255}},
      {"one-sided seen from behind, no culling", {0, 0, -1}, 0, kMeshModeOpaque, false, {200, 100, 50, 255}},
  };
  for (const Case& c : cases) {
    SetSky(sky[0] / 255.0f, sky[1] / 255.0f, sky[2] / 255.0f);
    Gra_ClearScreen();
    PixelProjection();
    const auto mesh = Square(c.normal, c.flags);
    Gra_DrawMesh(mesh.get(), kNoTint, c.mode, c.cull);
    const Rgba got = ReadPixel(W / 2, H / 2);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], c.expected[i], 1) << c.what << " channel " << i;
    // Outside the square the sky stays.
    EXPECT_EQ(ReadPixel(W / 2 + 30, H / 2), (Rgba{sky[0], sky[1], sky[2], 255})) << c.what;
  }
  EXPECT_EQ(GraGL.glGetError(), glk::NO_ERROR);
}

TEST_F(GlView, WireFrameMeshDrawsItsOutlineAndLeavesTheInsideEmpty) {
  Open();
  LocalPlayer = 1;
  Players[1].Camera = TPlacement{};
  SetSky(0, 0, 0);
  Gra_ClearScreen();
  PixelProjection();
  const auto mesh = Square({0, 0, 1}, 0);
  Gra_DrawMesh(mesh.get(), TMeshTint{0, 255, 0, 0}, kMeshModeWire, false);
  EXPECT_EQ(ReadPixel(W / 2, H / 2), (Rgba{0, 0, 0, 255}));
  // Somewhere on the left side (x = -20) the green line lies.
  bool found = false;
  for (int x = W / 2 - 22; x <= W / 2 - 18; ++x) found = found || ReadPixel(x, H / 2) == Rgba{0, 255, 0, 255};
  EXPECT_TRUE(found);
}

}  // namespace
