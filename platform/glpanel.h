// The GL panel: a native window with its own GL context inside a widget container, so the
// engine makes the context current and swaps the buffers itself.
#pragma once

#include <QOpenGLContext>
#include <QWindow>

#include <functional>
#include <string>

class QWidget;
class QMouseEvent;

namespace platform {

class GlPanel : public QWindow {
 public:
  explicit GlPanel(QWindow* parent = nullptr);
  ~GlPanel() override;

  // The widget that holds this window inside a form.
  QWidget* container(QWidget* parent);

  // Makes the context: colour bits, depth 24 and stencil 8 when asked. On failure returns false
  // and names the step that failed.
  bool createContext(int colorBits, bool stencil, std::string& failedStep);
  bool makeCurrent();
  void doneCurrent();
  void swapBuffers();
  void* procAddress(const char* name) const;
  void destroyContext();
  bool hasContext() const { return context_ != nullptr; }
  QOpenGLContext* context() const { return context_; }

  // Mouse input over the panel (the container passes no events on).
  std::function<void(QMouseEvent*)> onMousePress, onMouseMove, onMouseRelease;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  QOpenGLContext* context_ = nullptr;
  QWidget* container_ = nullptr;
};

}  // namespace platform
