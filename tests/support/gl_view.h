// A GL panel in a shown form with the rendering layer started on it, and a read of the back
// buffer before the swap.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <unistd.h>

#include "engine/base/diagnostics.h"
#include "engine/base/statistics.h"
#include "engine/base/worldstate.h"
#include "engine/render/graphics.h"
#include "platform/glpanel.h"
#include "platform/platform.h"
#include "tests/support/gl_readback.h"
#include "tests/support/test_support.h"
#include "tools/sample_gfx.h"

namespace gl_test {

using Rgba = gl_readback::Rgba;

class GlView : public ::testing::Test {
 protected:
  static constexpr int W = 160;
  static constexpr int H = 96;

  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    sys_hooks::GraDone = Gra_Done;
    ResetWorldState();
    InitTextureTable();
    BlendModeCache = 0;
  }
  void TearDown() override {
    Gra_Done();
    MainWindowHandle = nullptr;
    form_.reset();
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }

  // The form with the panel, shown, and Gra_Init on the panel.
  void Open(bool stencil = false) {
    form_ = std::make_unique<QWidget>();
    form_->resize(W + 40, H + 40);
    panel_ = new platform::GlPanel();
    QWidget* box = panel_->container(form_.get());
    box->setGeometry(0, 0, W, H);
    form_->show();
    QCoreApplication::processEvents();
    ASSERT_EQ(panel_->width(), W);
    ASSERT_EQ(panel_->height(), H);
    MainWindowHandle = panel_;
    Gra_Init(W, H, 32, 0, stencil);
    ViewportSize[0] = W;
    ViewportSize[1] = H;
  }

  void SetSky(float r, float g, float b) {
    Weather.SkyColour[0] = r;
    Weather.SkyColour[1] = g;
    Weather.SkyColour[2] = b;
    Weather.SkyColour[3] = 1.0f;
  }

  // A projection in which, at z = -1, one world unit is one pixel and (0, 0) the panel's centre;
  // camera and object at the origin.
  void PixelProjection() {
    const float n = 0.5f;
    ViewFrustum[0] = -W / 2.0f * n;
    ViewFrustum[1] = W / 2.0f * n;
    ViewFrustum[2] = -H / 2.0f * n;
    ViewFrustum[3] = H / 2.0f * n;
    Gra_SetPerspective(60.0f, n, 10.0f);
    Gra_SetCamera(TPlacement{});
    Gra_SetTransform(TPlacement{});
  }

  // A quad of the pixel projection from (x0, y0) to (x1, y1), texture 0..1 across it.
  static void Quad(float x0, float y0, float x1, float y1) {
    Gra_Begin(7);
    GraGL.glTexCoord2f(0, 0);
    GraGL.glVertex3f(x0, y0, -1);
    GraGL.glTexCoord2f(1, 0);
    GraGL.glVertex3f(x1, y0, -1);
    GraGL.glTexCoord2f(1, 1);
    GraGL.glVertex3f(x1, y1, -1);
    GraGL.glTexCoord2f(0, 1);
    GraGL.glVertex3f(x0, y1, -1);
    Gra_End();
  }

  // A pixel of the back buffer, x and y from the bottom left.
  static Rgba ReadPixel(int x, int y) { return gl_readback::ReadPixel(x, y); }

  // The data folders with the sample textures and font, made the current directory.
  std::string SampleBase() {
    const std::string base = testing_support::MakeTempFolder("glbase");
    std::string error;
    EXPECT_TRUE(sample_gfx::WriteSampleGraphics(base, error)) << error;
    EXPECT_EQ(chdir(base.c_str()), 0);
    return base;
  }

  std::unique_ptr<QWidget> form_;
  platform::GlPanel* panel_ = nullptr;
  std::string oldDir_;
};

}  // namespace gl_test
