#include "platform/glpanel.h"

#include <QMouseEvent>
#include <QWidget>

#include "platform/gl.h"

namespace platform {

GlPanel::GlPanel(QWindow* parent) : QWindow(parent) { setSurfaceType(QSurface::OpenGLSurface); }

GlPanel::~GlPanel() { destroyContext(); }

QWidget* GlPanel::container(QWidget* parent) {
  if (!container_) container_ = QWidget::createWindowContainer(this, parent);
  return container_;
}

bool GlPanel::createContext(int colorBits, bool stencil, std::string& failedStep) {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(1, 1);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  format.setSwapInterval(1);  // a swap waits for the display's refresh where it has one
  int channel = colorBits >= 24 ? 8 : 5;
  format.setRedBufferSize(channel);
  format.setGreenBufferSize(channel);
  format.setBlueBufferSize(channel);
  format.setDepthBufferSize(24);
  format.setStencilBufferSize(stencil ? 8 : 0);
  setFormat(format);
  if (!handle()) create();
  if (!handle()) {
    failedStep = "create the window of the GL panel";
    return false;
  }
  destroyContext();
  context_ = new QOpenGLContext();
  context_->setFormat(format);
  if (!context_->create()) {
    failedStep = "create the GL context";
    destroyContext();
    return false;
  }
  if (!context_->makeCurrent(this)) {
    failedStep = "make the GL context current";
    destroyContext();
    return false;
  }
  return true;
}

bool GlPanel::makeCurrent() { return context_ && context_->makeCurrent(this); }

void GlPanel::doneCurrent() {
  if (context_) context_->doneCurrent();
}

void GlPanel::swapBuffers() {
  if (context_) context_->swapBuffers(this);
}

void* GlPanel::procAddress(const char* name) const {
  if (!context_) return nullptr;
  return reinterpret_cast<void*>(context_->getProcAddress(name));
}

void GlPanel::destroyContext() {
  if (!context_) return;
  context_->doneCurrent();
  delete context_;
  context_ = nullptr;
}

void GlPanel::mousePressEvent(QMouseEvent* e) {
  if (onMousePress) onMousePress(e);
}
void GlPanel::mouseMoveEvent(QMouseEvent* e) {
  if (onMouseMove) onMouseMove(e);
}
void GlPanel::mouseReleaseEvent(QMouseEvent* e) {
  if (onMouseRelease) onMouseRelease(e);
}

static GlPanel* Panel(void* window) { return static_cast<GlPanel*>(window); }

bool GlCreateContext(void* window, int colorBits, bool stencil, std::string& failedStep) {
  if (!window) {
    failedStep = "find the window of the GL panel";
    return false;
  }
  return Panel(window)->createContext(colorBits, stencil, failedStep);
}
bool GlMakeCurrent(void* window) { return window && Panel(window)->makeCurrent(); }
void GlSwapBuffers(void* window) {
  if (window) Panel(window)->swapBuffers();
}
void* GlProcAddress(void* window, const char* name) { return window ? Panel(window)->procAddress(name) : nullptr; }
void GlDestroyContext(void* window) {
  if (window) Panel(window)->destroyContext();
}
void GlWindowSize(void* window, int& width, int& height) {
  width = height = 0;
  if (!window) return;
  width = Panel(window)->width();
  height = Panel(window)->height();
}

}  // namespace platform
