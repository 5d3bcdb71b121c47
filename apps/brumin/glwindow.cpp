#include "apps/brumin/glwindow.h"

#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include "apps/common/controls.h"
#include "platform/glpanel.h"

namespace brumin {

QImage PlaceholderPicture() {
  QImage picture(160, 120, QImage::Format_RGB32);
  picture.fill(QColor(24, 32, 72));
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(200, 210, 240), 2));
  // A cube seen from above and to the side: front square, back square, the four edges between.
  const QPointF front[4] = {{50, 50}, {100, 50}, {100, 100}, {50, 100}};
  const QPointF back[4] = {{70, 25}, {120, 25}, {120, 75}, {70, 75}};
  for (int i = 0; i < 4; ++i) {
    p.drawLine(front[i], front[(i + 1) % 4]);
    p.drawLine(back[i], back[(i + 1) % 4]);
    p.drawLine(front[i], back[i]);
  }
  return picture;
}

TOpenGlWin::TOpenGlWin(QWidget* parent) : QWidget(parent), placeholder_(PlaceholderPicture()) {
  glDriver = new TOpenGl(this);
  const appcommon::TGlPanelPlace place = appcommon::MakeGlPanel(this, "OGLWPanel", rect());
  panel_ = place.Panel;
  container_ = place.Container;
  container_->hide();  // shown once the driver makes its context
  panel_->onMousePress = [this](QMouseEvent* e) {
    if (OnMouseDown) OnMouseDown(e);
  };
  panel_->onMouseMove = [this](QMouseEvent* e) {
    if (OnMouseMove) OnMouseMove(e);
  };
  panel_->onMouseRelease = [this](QMouseEvent* e) {
    if (OnMouseUp) OnMouseUp(e);
  };
}

TOpenGlWin::~TOpenGlWin() {
  // The context goes before the panel that holds it.
  delete glDriver;
  glDriver = nullptr;
}

void* TOpenGlWin::PrepareGlWindow() {
  container_->setGeometry(rect());
  container_->show();
  return panel_;
}

void TOpenGlWin::GlWindowFailed() { container_->hide(); }

void TOpenGlWin::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  cachedWidth_ = width();
  cachedHeight_ = height();
  glDriver->DisplayRect.pwidth = cachedWidth_;
  glDriver->DisplayRect.pheight = cachedHeight_;
  container_->setGeometry(rect());
}

void TOpenGlWin::paintEvent(QPaintEvent*) {
  // A driver that makes its context by itself gets it after this paint (not inside it); one that
  // failed once waits to be asked again.
  if (!glDriver->Initialized() && glDriver->AutoInitialize && !glDriver->InitFailed() && !initializeQueued_) {
    initializeQueued_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          initializeQueued_ = false;
          if (!glDriver->Initialized() && glDriver->AutoInitialize && !glDriver->InitFailed()) glDriver->Initialize();
        },
        Qt::QueuedConnection);
  }
  glDriver->DisplayRect.pwidth = width();
  glDriver->DisplayRect.pheight = height();
  if (glDriver->Initialized()) {
    glDriver->Redraw();
    return;
  }
  QPainter p(this);
  p.drawImage(QRect(0, 0, cachedWidth_, cachedHeight_), placeholder_);
}

void TOpenGlWin::mousePressEvent(QMouseEvent* e) {
  if (OnMouseDown) OnMouseDown(e);
}
void TOpenGlWin::mouseMoveEvent(QMouseEvent* e) {
  if (OnMouseMove) OnMouseMove(e);
}
void TOpenGlWin::mouseReleaseEvent(QMouseEvent* e) {
  if (OnMouseUp) OnMouseUp(e);
}

}  // namespace brumin
