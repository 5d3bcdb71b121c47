#include <cmath>
#include <cstring>
#include <vector>

#include "engine/render/texturefiles.h"
#include "tests/support/gfx_test_files.h"
#include "tests/support/gl_readback.h"
#include "tests/support/gl_view.h"

using gl_test::GlView;
using gl_test::Rgba;
using testing_support::FatalError;

namespace {

bool ExtensionNamed(const std::string& name) {
  const uint8_t* s = GraGL.glGetString(glk::EXTENSIONS);
  if (!s) return false;
  const std::string all = " " + std::string(reinterpret_cast<const char*>(s)) + " ";
  return all.find(" " + name + " ") != std::string::npos;
}

int32_t GetInt(uint32_t pname) {
  int32_t v[4] = {};
  GraGL.glGetIntegerv(pname, v);
  return v[0];
}

float GetFloat(uint32_t pname) {
  float v[16] = {};
  GraGL.glGetFloatv(pname, v);
  return v[0];
}

using gl_readback::ExpectNear;
using gl_readback::Identity;
using gl_readback::Mat;
using gl_readback::ModelView;
using gl_readback::Mul;
using gl_readback::Rotate;
using gl_readback::Translate;

Mat CameraMatrix(const TPlacement& c) {
  return Mul(Mul(Rotate(c.Nick, -1, 0, 0), Rotate(c.Gier, 0, -1, 0)), Translate(-c.X, -c.Y, -c.Z));
}

Mat ObjectMatrix(const TPlacement& p) {
  return Mul(Mul(Mul(Translate(p.X, p.Y, p.Z), Rotate(p.Gier, 0, 1, 0)), Rotate(p.Nick, 1, 0, 0)), Rotate(p.Roll, 0, 0, 1));
}

// ---- Start-up ----

TEST_F(GlView, InitSetsTheDefaultState) {
  GameOptions[7] = 1;  // the vertex-memory option is always overwritten
  testing_support::CaptureDebugger();
  const uint32_t frames = Gra_Counter(kGraCountFrames);
  Open();
  platform::SetDebuggerSink(nullptr);

  EXPECT_TRUE(GraGL.glIsEnabled(glk::DEPTH_TEST));
  EXPECT_EQ(GetInt(0x0B74), static_cast<int32_t>(glk::LEQUAL));  // depth function
  EXPECT_EQ(GetInt(0x0B54), static_cast<int32_t>(glk::SMOOTH));  // shade model
  EXPECT_EQ(GetInt(glk::UNPACK_ALIGNMENT), 1);
  EXPECT_TRUE(GraGL.glIsEnabled(glk::ALPHA_TEST));  // blend mode 1
  EXPECT_FLOAT_EQ(GetFloat(glk::ALPHA_TEST_REF), 0.7f);
  EXPECT_FALSE(GraGL.glIsEnabled(glk::BLEND));
  EXPECT_FALSE(GraGL.glIsEnabled(glk::FOG));
  EXPECT_FALSE(GraGL.glIsEnabled(glk::POLYGON_SMOOTH));
  EXPECT_FALSE(GraGL.glIsEnabled(glk::TEXTURE_2D));
  EXPECT_EQ(GetInt(glk::MODELVIEW_STACK_DEPTH), 2);
  for (uint32_t array : {glk::VERTEX_ARRAY, glk::COLOR_ARRAY, glk::TEXTURE_COORD_ARRAY})
    EXPECT_TRUE(GraGL.glIsEnabled(array)) << array;
  EXPECT_EQ(GraGL.glGetError(), glk::NO_ERROR);

  EXPECT_EQ(GraphicsCaps.StencilWanted, 0);
  EXPECT_EQ(GraphicsCaps.VertexArrays, 1);
  EXPECT_EQ(GraphicsCaps.ArbMultitexture, ExtensionNamed("GL_ARB_multitexture") ? 1 : 0);
  EXPECT_EQ(GraphicsCaps.ExtCompiledVertexArray, ExtensionNamed("GL_EXT_compiled_vertex_array") ? 1 : 0);
  EXPECT_EQ(GraphicsCaps.NvVertexArrayRange, 0);
  EXPECT_EQ(GameOptions[7], 0);
  EXPECT_EQ(TextureNameCounter, 2u);
  EXPECT_EQ(BlendModeCache, 1);
  EXPECT_EQ(CurrentTexture, 0);
  EXPECT_EQ(Gra_Counter(kGraCountFrames), frames + 1);

  const std::vector<std::string> head = {"Loading OpenGL-library...", "Querying basecommands...",
                                         "Initializing graphics with 160x96x32 bit"};
  ASSERT_GE(testing_support::DebuggerLines().size(), 11u);
  EXPECT_EQ(std::vector<std::string>(testing_support::DebuggerLines().begin(), testing_support::DebuggerLines().begin() + 3), head);
  EXPECT_EQ(testing_support::DebuggerLines()[3], "Querying vertexarrax-extensions...");
  EXPECT_EQ(testing_support::DebuggerLines()[4], "...available.");
  EXPECT_EQ(testing_support::DebuggerLines()[5], "Querying multitexturing-extensions...");
  EXPECT_EQ(testing_support::DebuggerLines()[7], "Querying compiled vertexarrays-extensions...");
  EXPECT_EQ(testing_support::DebuggerLines()[9], "Querying Transform & Lighting-extensions...");
  EXPECT_EQ(testing_support::DebuggerLines()[10], "...failed.");
}

TEST_F(GlView, InitStopsAtTheStepThatFailed) {
  MainWindowHandle = nullptr;
  try {
    Gra_Init(64, 48, 32, 0, false);
    ADD_FAILURE() << "no fatal stop";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(), "FATAL ERROR: ERROR: GRA_GL: Init: cannot find the window of the GL panel PROGRAM TERMINATES!");
  }
  EXPECT_FALSE(Gra_LibraryLoaded());  // the fatal stop shut the layer down
}

TEST_F(GlView, StencilIsClearedTo4WhenAskedFor) {
  Open(true);
  EXPECT_EQ(GraphicsCaps.StencilWanted, 1);
  EXPECT_GE(GetInt(glk::STENCIL_BITS), 8);
  GraGL.glClearStencil(0);
  GraGL.glClear(glk::STENCIL_BUFFER_BIT);
  Gra_ClearScreen();
  uint8_t stencil = 0;
  GraGL.glReadBuffer(glk::BACK);
  GraGL.glPixelStorei(glk::PACK_ALIGNMENT, 1);
  GraGL.glReadPixels(5, 5, 1, 1, glk::STENCIL_INDEX, glk::UNSIGNED_BYTE, &stencil);
  EXPECT_EQ(stencil, 4);
}

TEST_F(GlView, DoneReleasesEverythingOnceAndFatalStopsCallIt) {
  Open();
  const std::string base = SampleBase();
  const uint16_t slot = LoadTexture("gleis1.bmp", 0, 0, true);
  EXPECT_EQ(TextureTable[slot].GLName, 3u);
  Gra_Done();
  EXPECT_FALSE(Gra_LibraryLoaded());
  EXPECT_FALSE(panel_->hasContext());
  EXPECT_EQ(TextureCount, 0);
  EXPECT_TRUE(TextureTable[slot].Name.empty());
  Gra_Done();  // nothing more to do
  EXPECT_FALSE(Gra_LibraryLoaded());

  // Again, ended by a fatal stop.
  Gra_Init(W, H, 32, 0, false);
  EXPECT_TRUE(panel_->hasContext());
  EXPECT_THROW(LoadTexture("gleis1.bmp", 0, 2500, true), FatalError);
  EXPECT_FALSE(panel_->hasContext());
  EXPECT_FALSE(Gra_LibraryLoaded());
}

// ---- Frames ----

TEST_F(GlView, ClearedFrameHasTheSkyColour) {
  Open();
  SetSky(0.2f, 0.4f, 0.6f);
  const uint32_t frames = Gra_Counter(kGraCountFrames);
  Gra_ClearScreen();
  for (auto [x, y] : {std::pair{0, 0}, std::pair{W - 1, H - 1}, std::pair{W / 2, H / 2}})
    EXPECT_EQ(ReadPixel(x, y), (Rgba{51, 102, 153, 255})) << x << "," << y;
  EXPECT_EQ(Gra_Counter(kGraCountFrames), frames + 1);
  const uint32_t swaps = Gra_Counter(kGraCountSwaps);
  Gra_SwapBuffers();
  EXPECT_EQ(Gra_Counter(kGraCountSwaps), swaps + 1);
}

TEST_F(GlView, RedTextureOnAQuadReadsRedInsideAndSkyOutside) {
  Open();
  SampleBase();
  gfx_test::WriteSolidBmp("gfx/RED.BMP", 8, {0, 0, 255});
  SetSky(0.0f, 0.0f, 0.4f);
  const uint16_t slot = LoadTexture("red.bmp", 0, 0, true);
  EXPECT_EQ(TextureTable[slot].GLName, 3u);  // the first upload
  Gra_ClearScreen();
  PixelProjection();
  Gra_SetTexture(slot);
  GraGL.glColor4f(1, 1, 1, 1);
  Quad(-20, -20, 20, 20);
  EXPECT_EQ(ReadPixel(W / 2, H / 2), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(ReadPixel(W / 2 + 19, H / 2 - 19), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(ReadPixel(2, 2), (Rgba{0, 0, 102, 255}));
  EXPECT_EQ(ReadPixel(W / 2 + 21, H / 2), (Rgba{0, 0, 102, 255}));
  EXPECT_EQ(GraGL.glGetError(), glk::NO_ERROR);
}

TEST_F(GlView, ColourKeyLetsTheSkyThroughWhereTheTextureIsMagenta) {
  Open();
  SampleBase();
  testing_support::WriteFileBytes(
      "gfx/KEYED.BMP", gfx_test::BmpBytes(8, 8, 24, gfx_test::Pixels(8, 8, [](int32_t x, int32_t) {
                         return x < 4 ? gfx_test::Bgr{255, 0, 255} : gfx_test::Bgr{0, 255, 0};
                       })));
  SetSky(0.0f, 0.0f, 0.4f);
  const uint16_t slot = LoadTexture("keyed.bmp", 1, 0, false);
  Gra_ClearScreen();
  PixelProjection();
  Gra_SetTexture(slot);
  GraGL.glColor4f(1, 1, 1, 1);
  Quad(-20, -20, 20, 20);
  EXPECT_EQ(ReadPixel(W / 2 - 10, H / 2), (Rgba{0, 0, 102, 255}));
  EXPECT_EQ(ReadPixel(W / 2 + 10, H / 2), (Rgba{0, 255, 0, 255}));
}

TEST_F(GlView, LeftoverErrorBeforeAnUploadIsNotTheUploads) {
  Open();
  SampleBase();
  GraGL.glEnable(0xFFFF);  // an invalid enum, left pending
  const uint16_t slot = LoadTexture("gleis1.bmp", 0, 0, true);
  EXPECT_NE(TextureTable[slot].GLName, 0u);
  EXPECT_EQ(GraGL.glGetError(), glk::NO_ERROR);
}

TEST_F(GlView, AnimatedTextureDrawsItsFirstFrame) {
  Open();
  SampleBase();
  const uint16_t slot = LoadTexture("blink.lst", 0, 0, true);
  ASSERT_EQ(TextureTable[slot].FrameCount, 2);
  const uint16_t first = TextureFrames[TextureTable[slot].FirstFrame];
  Gra_SetTexture(slot);
  EXPECT_EQ(static_cast<uint32_t>(GetInt(glk::TEXTURE_BINDING_2D)), TextureTable[first].GLName);
  SetSky(0, 0, 0);
  Gra_ClearScreen();
  PixelProjection();
  GraGL.glColor4f(1, 1, 1, 1);
  Quad(-10, -10, 10, 10);
  const Rgba px = ReadPixel(W / 2, H / 2);  // the yellow frame, in 5-6-5 texels
  EXPECT_EQ(px[0], 255);
  EXPECT_NEAR(px[1], 210, 8);
  EXPECT_NEAR(px[2], 40, 8);
}

TEST_F(GlView, VertexArrayTakesPositionColourAndTextureCoordinatesFromTheirOffsets) {
  Open();
  SetSky(0, 0, 0);
  Gra_ClearScreen();
  PixelProjection();
  Gra_SetTexture(0);
  auto v = [](float x, float y) { return TInterleavedVertex{x, y, -1.0f, 10, 200, 30, 255, 0.0f, 0.0f}; };
  const TInterleavedVertex quad[6] = {v(-8, -8), v(8, -8), v(8, 8), v(-8, -8), v(8, 8), v(-8, 8)};
  Gra_DrawVertexArray(quad, 6);
  EXPECT_EQ(ReadPixel(W / 2, H / 2), (Rgba{10, 200, 30, 255}));
  EXPECT_EQ(ReadPixel(W / 2 + 12, H / 2), (Rgba{0, 0, 0, 255}));
}

// ---- Blend modes and fog ----

TEST_F(GlView, BlendModesTestAlphaAndBlendAsTheirTableSays) {
  Open();
  SetSky(0, 0, 0);
  struct Mode {
    uint8_t mode;
    bool alphaTest;
    float ref;
    bool blend;
    int red[3];  // read back for alpha 1.0, 0.5, 0.05 over black
  };
  const Mode modes[] = {
      {0, false, 0.0f, true, {255, 128, 13}},
      {1, true, 0.7f, false, {255, 0, 0}},
      {2, true, 0.1f, true, {255, 128, 0}},
      {3, false, 0.0f, false, {255, 255, 255}},
  };
  const float alphas[3] = {1.0f, 0.5f, 0.05f};
  for (const Mode& m : modes) {
    Gra_SetBlendMode(m.mode);
    EXPECT_EQ(GraGL.glIsEnabled(glk::ALPHA_TEST) != 0, m.alphaTest) << int(m.mode);
    EXPECT_EQ(GraGL.glIsEnabled(glk::BLEND) != 0, m.blend) << int(m.mode);
    if (m.alphaTest) {
      EXPECT_FLOAT_EQ(GetFloat(glk::ALPHA_TEST_REF), m.ref) << int(m.mode);
      EXPECT_EQ(GetInt(glk::ALPHA_TEST_FUNC), static_cast<int32_t>(glk::GREATER));
    }
    if (m.blend) {
      EXPECT_EQ(GetInt(glk::BLEND_SRC), static_cast<int32_t>(glk::SRC_ALPHA));
      EXPECT_EQ(GetInt(glk::BLEND_DST), static_cast<int32_t>(glk::ONE_MINUS_SRC_ALPHA));
    }
    for (int k = 0; k < 3; ++k) {
      Gra_ClearScreen();
      PixelProjection();
      Gra_SetTexture(0);
      GraGL.glColor4f(1, 0, 0, alphas[k]);
      Quad(-10, -10, 10, 10);
      EXPECT_NEAR(ReadPixel(W / 2, H / 2)[0], m.red[k], 2) << "mode " << int(m.mode) << " alpha " << alphas[k];
    }
  }
}

TEST_F(GlView, BlendModeCacheSkipsRepeatedRequests) {
  Open();
  const uint32_t requests = Gra_Counter(kGraCountBlendRequests), changes = Gra_Counter(kGraCountBlendChanges);
  Gra_SetBlendMode(1);  // the mode applied by Gra_Init
  EXPECT_EQ(Gra_Counter(kGraCountBlendChanges), changes);
  Gra_SetBlendMode(0);
  Gra_SetBlendMode(0);
  EXPECT_FALSE(GraGL.glIsEnabled(glk::ALPHA_TEST));
  EXPECT_TRUE(GraGL.glIsEnabled(glk::BLEND));
  EXPECT_EQ(Gra_Counter(kGraCountBlendRequests), requests + 3);
  EXPECT_EQ(Gra_Counter(kGraCountBlendChanges), changes + 1);
  // An unknown mode changes no GL state but becomes the cached one.
  Gra_SetBlendMode(9);
  EXPECT_EQ(BlendModeCache, 9);
  EXPECT_FALSE(GraGL.glIsEnabled(glk::ALPHA_TEST));
  EXPECT_TRUE(GraGL.glIsEnabled(glk::BLEND));
  Gra_SetBlendMode(1);
  EXPECT_TRUE(GraGL.glIsEnabled(glk::ALPHA_TEST));
  EXPECT_EQ(Gra_Counter(kGraCountBlendChanges), changes + 3);
}

TEST_F(GlView, FogIsOffWhenStartAndEndAddUpToZero) {
  Open();
  SetSky(0.2f, 0.4f, 0.6f);
  Gra_SetFog(100.0f, 500.0f);
  EXPECT_TRUE(GraGL.glIsEnabled(glk::FOG));
  EXPECT_EQ(GetInt(glk::FOG_MODE), static_cast<int32_t>(glk::LINEAR));
  EXPECT_FLOAT_EQ(GetFloat(glk::FOG_START), 100.0f);
  EXPECT_FLOAT_EQ(GetFloat(glk::FOG_END), 500.0f);
  EXPECT_FLOAT_EQ(GetFloat(glk::FOG_DENSITY), 0.8f);
  float colour[4] = {};
  GraGL.glGetFloatv(glk::FOG_COLOR, colour);
  EXPECT_FLOAT_EQ(colour[1], 0.4f);
  Gra_SetFog(10.0f, -10.0f);
  EXPECT_FALSE(GraGL.glIsEnabled(glk::FOG));
  Gra_SetFog(100.0f, 500.0f);
  Gra_SetFog(0.0f, 0.0f);
  EXPECT_FALSE(GraGL.glIsEnabled(glk::FOG));
}

// ---- Matrices ----

TEST_F(GlView, CameraAndObjectTransforms) {
  Open();
  const GraCounter counted[] = {kGraCountPerspectives, kGraCountCameras, kGraCountTransforms, kGraCountBillboards,
                                kGraCountPushes,       kGraCountPops,    kGraCountDepthEnables};
  std::vector<uint32_t> before;
  for (GraCounter c : counted) before.push_back(Gra_Counter(c));
  ViewFrustum[0] = -2.0f;
  ViewFrustum[1] = 2.0f;
  ViewFrustum[2] = -1.5f;
  ViewFrustum[3] = 1.5f;
  Gra_SetPerspective(60.0f, 5.0f, 2000.0f);
  float p[16] = {};
  GraGL.glGetFloatv(glk::PROJECTION_MATRIX, p);
  EXPECT_NEAR(p[0], 2 * 5.0 / 4.0, 1e-5);
  EXPECT_NEAR(p[5], 2 * 5.0 / 3.0, 1e-5);
  EXPECT_NEAR(p[10], -(2000.0 + 5.0) / (2000.0 - 5.0), 1e-5);
  ExpectNear(ModelView(), Identity(), "working matrix after the perspective");

  const TPlacement camera = {600.0f, 130.0f, 240.0f, 0.0f, 140.0f, -20.0f};
  Gra_SetCamera(camera);
  const Mat cam = ModelView();
  ExpectNear(cam, CameraMatrix(camera), "camera");
  // The camera's own position is the eye.
  const double eye[3] = {cam[0] * 600 + cam[4] * 130 + cam[8] * 240 + cam[12],
                         cam[1] * 600 + cam[5] * 130 + cam[9] * 240 + cam[13],
                         cam[2] * 600 + cam[6] * 130 + cam[10] * 240 + cam[14]};
  for (double e : eye) EXPECT_NEAR(e, 0.0, 1e-2);
  // Roll is not used.
  TPlacement rolled = camera;
  rolled.Roll = 90.0f;
  Gra_SetCamera(rolled);
  ExpectNear(ModelView(), cam, "camera with roll");

  const TPlacement a = {10.0f, 2.0f, -3.0f, 15.0f, 30.0f, 45.0f};
  const TPlacement b = {-4.0f, 0.5f, 7.0f, 90.0f, -60.0f, 10.0f};
  Gra_SetTransform(a);
  ExpectNear(ModelView(), Mul(cam, ObjectMatrix(a)), "object a");
  Gra_SetTransform(b);  // from the camera again, not from a
  ExpectNear(ModelView(), Mul(cam, ObjectMatrix(b)), "object b after a");

  LocalPlayer = 1;
  Players[1].Camera.Gier = 33.0f;
  Gra_SetBillboard({1.0f, 2.0f, 3.0f});
  ExpectNear(ModelView(), Mul(cam, Mul(Translate(1, 2, 3), Rotate(33.0, 0, 1, 0))), "billboard");

  Gra_PushMatrix();
  GraGL.glTranslatef(5, 5, 5);
  Gra_PopMatrix();
  ExpectNear(ModelView(), Mul(cam, Mul(Translate(1, 2, 3), Rotate(33.0, 0, 1, 0))), "after push and pop");
  EXPECT_EQ(GetInt(glk::MODELVIEW_STACK_DEPTH), 2);
  EXPECT_EQ(GraGL.glGetError(), glk::NO_ERROR);

  Gra_EnableDepth();
  const uint32_t calls[] = {1, 2, 2, 1, 1, 1, 1};
  for (size_t i = 0; i < std::size(counted); ++i) EXPECT_EQ(Gra_Counter(counted[i]) - before[i], calls[i]) << i;
}

TEST_F(GlView, Color4ubSetsTheCurrentColourFromBytes) {
  Open();
  const uint32_t colours = Gra_Counter(kGraCountColours);
  Gra_Color4ub(255, 0, 51, 102);
  float c[4] = {};
  GraGL.glGetFloatv(0x0B00, c);  // the current colour
  EXPECT_FLOAT_EQ(c[0], 1.0f);
  EXPECT_FLOAT_EQ(c[1], 0.0f);
  EXPECT_FLOAT_EQ(c[2], 0.2f);
  EXPECT_FLOAT_EQ(c[3], 0.4f);
  EXPECT_EQ(Gra_Counter(kGraCountColours), colours + 1);
}

}  // namespace
