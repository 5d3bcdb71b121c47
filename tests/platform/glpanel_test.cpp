#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWidget>

#include "platform/gl.h"
#include "platform/glpanel.h"

namespace {

TEST(GlPanel, ClearsAndReadsBackTheBackBuffer) {
  QWidget form;
  form.resize(200, 150);
  auto* panel = new platform::GlPanel();
  QWidget* box = panel->container(&form);
  box->setGeometry(0, 0, 64, 48);
  form.show();
  std::string failed;
  ASSERT_TRUE(platform::GlCreateContext(panel, 32, true, failed)) << failed;
  ASSERT_TRUE(platform::GlMakeCurrent(panel));
  EXPECT_GE(panel->context()->format().depthBufferSize(), 24);
  EXPECT_GE(panel->context()->format().stencilBufferSize(), 8);

  using ClearColorFn = void (*)(float, float, float, float);
  using ClearFn = void (*)(unsigned);
  using ViewportFn = void (*)(int, int, int, int);
  using ReadPixelsFn = void (*)(int, int, int, int, unsigned, unsigned, void*);
  using ReadBufferFn = void (*)(unsigned);
  auto clearColor = reinterpret_cast<ClearColorFn>(platform::GlProcAddress(panel, "glClearColor"));
  auto clear = reinterpret_cast<ClearFn>(platform::GlProcAddress(panel, "glClear"));
  auto viewport = reinterpret_cast<ViewportFn>(platform::GlProcAddress(panel, "glViewport"));
  auto readPixels = reinterpret_cast<ReadPixelsFn>(platform::GlProcAddress(panel, "glReadPixels"));
  auto readBuffer = reinterpret_cast<ReadBufferFn>(platform::GlProcAddress(panel, "glReadBuffer"));
  ASSERT_TRUE(clearColor && clear && viewport && readPixels && readBuffer);
  viewport(0, 0, 64, 48);
  clearColor(1.0f, 0.0f, 0.0f, 1.0f);
  clear(0x4000);
  readBuffer(0x0405);  // back buffer, before the swap
  unsigned char px[4] = {};
  readPixels(10, 10, 1, 1, 0x1908, 0x1401, px);  // RGBA, unsigned byte
  EXPECT_EQ(px[0], 255);
  EXPECT_EQ(px[1], 0);
  EXPECT_EQ(px[2], 0);
  platform::GlSwapBuffers(panel);
  platform::GlDestroyContext(panel);
  EXPECT_FALSE(panel->hasContext());
}

TEST(GlPanel, MissingWindowNamesTheFailedStep) {
  std::string failed;
  EXPECT_FALSE(platform::GlCreateContext(nullptr, 32, false, failed));
  EXPECT_EQ(failed, "find the window of the GL panel");
}

}  // namespace
