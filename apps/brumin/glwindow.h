// The building editor's 3D view control: a widget that owns the GL view driver (gldriver.h) and
// the GL panel the driver draws on. Before the driver has its context the control shows a
// placeholder picture; from then on the panel fills the control.
#pragma once

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

#include "apps/brumin/gldriver.h"

class QMouseEvent;

namespace platform {
class GlPanel;
}

namespace brumin {

class TOpenGlWin : public QWidget, public TOpenGlOwner {
 public:
  explicit TOpenGlWin(QWidget* parent = nullptr);
  ~TOpenGlWin() override;

  // The driver, owned by the control.
  TOpenGl* glDriver = nullptr;

  // Mouse input over the view, from the panel once it shows, from the control before.
  std::function<void(QMouseEvent*)> OnMouseDown, OnMouseMove, OnMouseUp;

  // The client size as last set (640 x 480 until the control is first sized); DisplayRect's
  // width and height follow it.
  int CachedWidth() const { return cachedWidth_; }
  int CachedHeight() const { return cachedHeight_; }

  platform::GlPanel* Panel() const { return panel_; }
  QWidget* PanelContainer() const { return container_; }
  // The picture shown until the driver has its context.
  const QImage& Placeholder() const { return placeholder_; }

  void* PrepareGlWindow() override;
  void GlWindowFailed() override;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  QImage placeholder_;
  int cachedWidth_ = 640;
  int cachedHeight_ = 480;
  platform::GlPanel* panel_ = nullptr;
  QWidget* container_ = nullptr;
  bool initializeQueued_ = false;
};

// The placeholder picture: a wire cube on a dark blue ground, drawn here.
QImage PlaceholderPicture();

}  // namespace brumin
