// The 3D view control on a real GL panel: the matrices a frame opens with, the colours of the
// first frames, the context made once, the placeholder before it, and the size it follows.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QImage>
#include <QWidget>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "apps/brumin/glwindow.h"
#include "engine/render/graphics.h"
#include "platform/glpanel.h"
#include "platform/platform.h"
#include "tests/support/gl_readback.h"

namespace {

using gl_readback::ExpectNear;
using gl_readback::Frustum;
using gl_readback::Identity;
using gl_readback::Mat;
using gl_readback::Mul;
using gl_readback::Read;
using gl_readback::ReadRgb;
using gl_readback::Rgb;
using gl_readback::Rotate;
using gl_readback::Translate;

constexpr uint32_t kViewport = 0x0BA2;
constexpr uint32_t kProjectionStackDepth = 0x0BA4;

class ViewControl : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::SetMessageBoxSink([](const std::string& c, const std::string& t) { Boxes().push_back({c, t}); });
    Boxes().clear();
  }
  void TearDown() override {
    form_.reset();
    platform::SetMessageBoxSink(nullptr);
  }

  static std::vector<std::pair<std::string, std::string>>& Boxes() {
    static std::vector<std::pair<std::string, std::string>> boxes;
    return boxes;
  }

  // A shown form holding the control at (0, 0, 160, 120); the driver waits to be initialised.
  brumin::TOpenGlWin& Open(bool autoInitialize = false) {
    form_ = std::make_unique<QWidget>();
    form_->resize(200, 160);
    auto* view = new brumin::TOpenGlWin(form_.get());
    view->glDriver->AutoInitialize = autoInitialize;
    view->setGeometry(0, 0, 160, 120);
    form_->show();
    QCoreApplication::processEvents();
    return *view;
  }

  std::unique_ptr<QWidget> form_;
};

// The frustum and the observer's turns and position go into the model-view matrix; the
// projection matrix stays the identity. Angles turn by whole degrees, toward zero.
TEST_F(ViewControl, FrameOpensWithTheFrustumAndTheObserverInTheModelViewMatrix) {
  brumin::TOpenGlWin& view = Open();
  brumin::TOpenGl& gl = *view.glDriver;
  ASSERT_TRUE(gl.Initialize()) << gl.InitError();
  gl.Perspective.AugYAngle = 60.0;
  gl.Perspective.AspectRatio = 1.3333;
  gl.Perspective.NearClipping = 10.0;
  gl.Perspective.FarClipping = 10000.0;
  const struct {
    long double augX, augY, augZ, nick, gier, roll;
    double turnNick, turnGier, turnRoll;
  } cases[] = {
      {0, 0, 0, 0, 0, 0, 0, 0, 0},
      {0, 0, 30, 0, 0, 0, 0, 0, 0},
      {1.5L, -2, 30, 359.9L, -45.5L, -370.5L, 359, -45, -10},
      {-100, 20, 5, -89.9L, 720.5L, 0.5L, -89, 0, 0},
  };
  for (const auto& c : cases) {
    gl.Observer.AugX = c.augX;
    gl.Observer.AugY = c.augY;
    gl.Observer.AugZ = c.augZ;
    gl.Observer.Nick = c.nick;
    gl.Observer.Gier = c.gier;
    gl.Observer.Roll = c.roll;
    ASSERT_TRUE(gl.BeginScene());
    Mat want = Frustum(gl.Perspective.Left, gl.Perspective.Right, gl.Perspective.Bottom, gl.Perspective.Top, 10.0,
                       10000.0);
    EXPECT_FLOAT_EQ(gl.Perspective.Top, 5.773502691896257f);
    want = Mul(want, Rotate(c.turnNick, 1, 0, 0));
    want = Mul(want, Rotate(c.turnGier, 0, 1, 0));
    want = Mul(want, Rotate(c.turnRoll, 0, 0, 1));
    want = Mul(want, Translate(static_cast<double>(-c.augX), static_cast<double>(-c.augY),
                               static_cast<double>(-c.augZ)));
    const std::string what = "nick " + std::to_string(static_cast<double>(c.nick));
    ExpectNear(Read(glk::MODELVIEW_MATRIX), want, what);
    ExpectNear(Read(glk::PROJECTION_MATRIX), Identity(), what);
    int32_t depth = 0;
    GraGL.glGetIntegerv(glk::MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 2);  // one push for the frame
    GraGL.glGetIntegerv(kProjectionStackDepth, &depth);
    EXPECT_EQ(depth, 1);
    gl.EndScene();
    // Every frame ends with the matrix it started with.
    ExpectNear(Read(glk::MODELVIEW_MATRIX), Identity(), what + " after the frame");
    GraGL.glGetIntegerv(glk::MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
  }
  EXPECT_TRUE(Boxes().empty());
}

// The clear of a frame uses the sky colour the frame before set: black first, the sky from then.
TEST_F(ViewControl, FirstFrameIsClearedBlackLaterOnesWithTheSky) {
  brumin::TOpenGlWin& view = Open();
  view.glDriver->SkyColor.Set(0x800000);
  std::vector<Rgb> frames;
  int initialised = 0;
  view.OnInitialized = [&](brumin::TOpenGl&) { ++initialised; };
  view.OnRedrawWorld = [&](brumin::TOpenGl&) { frames.push_back(ReadRgb(80, 60)); };
  ASSERT_TRUE(view.glDriver->Initialize());  // the first frame
  void* context = view.Panel()->context();
  view.glDriver->Redraw();
  view.glDriver->Redraw();
  // Asked again, the driver only draws: the context stays the one it made.
  ASSERT_TRUE(view.glDriver->Initialize());
  EXPECT_EQ(view.Panel()->context(), context);
  EXPECT_EQ(initialised, 1);
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[0], (Rgb{0, 0, 0}));
  for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i], (Rgb{0, 0, 128})) << i;
}

// Without initialising by itself, the control shows its placeholder until it is initialised;
// from then the GL panel fills it.
TEST_F(ViewControl, ShowsThePlaceholderUntilInitialised) {
  brumin::TOpenGlWin& view = Open(false);
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  EXPECT_FALSE(view.glDriver->Initialized());
  EXPECT_FALSE(view.PanelContainer()->isVisible());
  // The picture is as large as the control here, so it shows pixel for pixel.
  const QImage shown = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(shown, view.Placeholder().convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(shown.pixelColor(2, 2), QColor(24, 32, 72));
  ASSERT_TRUE(view.glDriver->Initialize());
  EXPECT_TRUE(view.PanelContainer()->isVisible());
  EXPECT_EQ(view.PanelContainer()->geometry(), QRect(0, 0, 160, 120));
}

TEST_F(ViewControl, InitialisesItselfWhenFirstPainted) {
  brumin::TOpenGlWin& view = Open(true);
  // The paint event comes when the window system gets to it: wait for it, up to ten seconds.
  QDeadlineTimer deadline(10000);
  while (!view.glDriver->Initialized() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(view.glDriver->Initialized());
  EXPECT_TRUE(Boxes().empty());
}

// The size follows the control; the next frame's viewport takes it, the aspect ratio stays.
TEST_F(ViewControl, ViewportFollowsTheControlsSize) {
  brumin::TOpenGlWin& view = Open();
  EXPECT_EQ(view.CachedWidth(), 160);
  EXPECT_EQ(view.CachedHeight(), 120);
  EXPECT_EQ(view.glDriver->DisplayRect.pwidth, 160);
  EXPECT_EQ(view.glDriver->DisplayRect.pheight, 120);
  ASSERT_TRUE(view.glDriver->Initialize());
  view.resize(120, 90);
  EXPECT_EQ(view.CachedWidth(), 120);
  EXPECT_EQ(view.glDriver->DisplayRect.pwidth, 120);
  EXPECT_EQ(view.glDriver->DisplayRect.pheight, 90);
  ASSERT_TRUE(view.glDriver->BeginScene());
  int32_t viewport[4] = {};
  GraGL.glGetIntegerv(kViewport, viewport);
  EXPECT_EQ(viewport[2], 120);
  EXPECT_EQ(viewport[3], 90);
  view.glDriver->EndScene();
  EXPECT_EQ(view.glDriver->Perspective.AspectRatio, 1.3333);
}

TEST(ViewControlMade, StartsAt640By480WithItsDriver) {
  brumin::TOpenGlWin view;
  EXPECT_EQ(view.CachedWidth(), 640);
  EXPECT_EQ(view.CachedHeight(), 480);
  ASSERT_NE(view.glDriver, nullptr);
  EXPECT_EQ(view.glDriver->Owner, &view);
  EXPECT_FALSE(view.Placeholder().isNull());
}

}  // namespace
