// The view driver's own figures, without a window: the frustum of a perspective, the camera's
// angle truncation, the colour components and the settings of a new driver.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "apps/brumin/gldriver.h"
#include "platform/platform.h"

namespace {

TEST(ViewDriver, FrustumOfThePerspective) {
  struct Case {
    double augYAngle, nearClipping, aspectRatio;
    float top, right;
  };
  const Case cases[] = {
      {60.0, 10.0, 1.3333, 5.773502691896257f, 7.697811139105279f},  // the form's view
      {60.0, 1.0, 1.3333, 0.5773502691896257f, 0.769781113910528f},   // a new driver's
      {90.0, 1.0, 1.0, 1.0f, 1.0f},
      {45.0, 2.0, 2.0, 0.8284271247461901f, 1.6568542494923801f},
      {120.0, 0.5, 1.5, 0.8660254037844384f, 1.2990381056766576f},
      {0.0, 5.0, 1.0, 0.0f, 0.0f},
  };
  for (const Case& c : cases) {
    brumin::TPerspective p;
    p.AugYAngle = c.augYAngle;
    p.NearClipping = c.nearClipping;
    p.AspectRatio = c.aspectRatio;
    brumin::ComputeFrustum(p);
    EXPECT_FLOAT_EQ(p.Top, c.top) << c.augYAngle << " " << c.nearClipping;
    EXPECT_FLOAT_EQ(p.Right, c.right) << c.augYAngle << " " << c.nearClipping;
    EXPECT_FLOAT_EQ(p.Bottom, -c.top);
    EXPECT_FLOAT_EQ(p.Left, -c.right);
  }
}

TEST(ViewDriver, CameraAnglesAreTruncatedTowardZeroAndKeepTheirSignBelow360) {
  const long double inf = std::numeric_limits<long double>::infinity();
  const struct {
    long double degrees;
    float turn;
  } cases[] = {
      {359.9L, 359.0f}, {-45.5L, -45.0f}, {-370.5L, -10.0f}, {360.0L, 0.0f},   {725.7L, 5.0f},
      {0.99L, 0.0f},    {-0.99L, 0.0f},   {-720.0L, 0.0f},   {1.0e6L + 0.5L, 280.0f},  {-359.999L, -359.0f},
      {inf, 0.0f},      {-inf, 0.0f},     {std::numeric_limits<long double>::quiet_NaN(), 0.0f},
  };
  for (const auto& c : cases) {
    const float turn = brumin::ViewAngle(c.degrees);
    EXPECT_EQ(turn, c.turn) << static_cast<double>(c.degrees);
  }
}

TEST(ViewDriver, ColourComponentsComeFromTheBytesOfTheValue) {
  brumin::TGlColour sky;
  for (float component : sky.Components) EXPECT_EQ(component, 0.0f);  // alpha too, until set
  sky.Set(0x800000);  // navy
  EXPECT_EQ(sky.Value, 0x800000u);
  EXPECT_FLOAT_EQ(sky.Components[0], 0.0f);
  EXPECT_FLOAT_EQ(sky.Components[1], 0.0f);
  EXPECT_FLOAT_EQ(sky.Components[2], 128.0f / 255.0f);
  EXPECT_FLOAT_EQ(sky.Components[3], 1.0f);
  sky.Set(0x12345678);  // the top byte plays no part
  EXPECT_FLOAT_EQ(sky.Components[0], 0x78 / 255.0f);
  EXPECT_FLOAT_EQ(sky.Components[1], 0x56 / 255.0f);
  EXPECT_FLOAT_EQ(sky.Components[2], 0x34 / 255.0f);
}

// A driver whose owner has no panel: its settings as made, and no context, so a frame does
// nothing and says why.
class NoPanel : public brumin::TOpenGlOwner {
 public:
  void* PrepareGlWindow() override { return nullptr; }
  void GlWindowFailed() override { ++failures; }
  int failures = 0;
};

TEST(ViewDriver, NewDriverSettings) {
  NoPanel owner;
  brumin::TOpenGl gl(&owner);
  EXPECT_EQ(gl.ColorBits, 32);
  EXPECT_EQ(gl.DepthBits, 32);
  EXPECT_TRUE(gl.TextureFiles.empty());
  EXPECT_TRUE(gl.DoubleBuffer);
  EXPECT_EQ(gl.DisplayRect.pwidth, 0);
  EXPECT_TRUE(gl.AutoInitialize);
  EXPECT_FALSE(gl.Fog.FogActive);
  EXPECT_EQ(gl.Fog.FogMode, brumin::fmLinear);
  EXPECT_EQ(gl.Fog.FogDensity, 0.8L);
  EXPECT_EQ(gl.Fog.FogStart, 500.0L);
  EXPECT_EQ(gl.Fog.FogEnd, 600.0L);
  EXPECT_EQ(gl.Fog.FogColor.Value, 0xFFFFFFu);
  EXPECT_FLOAT_EQ(gl.Fog.FogColor.Components[2], 1.0f);
  EXPECT_EQ(gl.Perspective.AugYAngle, 60.0);
  EXPECT_EQ(gl.Perspective.AspectRatio, 1.3333);
  EXPECT_EQ(gl.Perspective.NearClipping, 1.0);
  EXPECT_EQ(gl.Perspective.FarClipping, 600.0);
  EXPECT_EQ(gl.ViewMode, brumin::vmModelView);
  EXPECT_FALSE(gl.Initialized());
  EXPECT_TRUE(gl.TexturesActive);
  EXPECT_EQ(gl.SkyColor.Value, 0u);
  EXPECT_TRUE(gl.ZBuffer);
  EXPECT_EQ(gl.Alpha.HolesAt, 0.7L);
  EXPECT_TRUE(gl.Alpha.AlphaActive);
  EXPECT_FALSE(gl.Alpha.BlendActive);
  EXPECT_EQ(gl.Observer.AugZ, 0.0L);
  EXPECT_EQ(gl.Owner, &owner);

  bool drawn = false;
  owner.OnRedrawWorld = [&](brumin::TOpenGl&) { drawn = true; };
  gl.Redraw();
  EXPECT_FALSE(drawn);
  EXPECT_FALSE(gl.BeginScene());
}

std::vector<std::pair<std::string, std::string>> g_boxes;

// A context that cannot be made is reported once, naming the step, and leaves the driver without
// context: nothing is drawn, and asking again reports again.
TEST(ViewDriver, FailedContextNamesTheStep) {
  g_boxes.clear();
  platform::SetMessageBoxSink([](const std::string& c, const std::string& t) { g_boxes.push_back({c, t}); });
  NoPanel owner;
  bool drawn = false, initialized = false;
  owner.OnRedrawWorld = [&](brumin::TOpenGl&) { drawn = true; };
  owner.OnInitialized = [&](brumin::TOpenGl&) { initialized = true; };
  brumin::TOpenGl gl(&owner);
  EXPECT_FALSE(gl.Initialize());
  EXPECT_FALSE(gl.Initialized());
  EXPECT_TRUE(gl.InitFailed());
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].first, "OpenGL");
  EXPECT_EQ(g_boxes[0].second, "The 3D view cannot find the window of the GL panel; it stays empty.");
  EXPECT_EQ(gl.InitError(), g_boxes[0].second);
  EXPECT_EQ(owner.failures, 1);  // the owner takes its panel back
  EXPECT_FALSE(drawn);
  EXPECT_FALSE(initialized);
  EXPECT_FALSE(gl.Initialize());
  EXPECT_EQ(g_boxes.size(), 2u);
  platform::SetMessageBoxSink(nullptr);
}

}  // namespace
