#include "apps/common/viewmouse.h"

#include <QApplication>
#include <QMouseEvent>

#include "platform/platform.h"

namespace appcommon {

TNavEvent NavEventOf(const QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  const Qt::KeyboardModifiers m = e->modifiers();
  return {p.x(), p.y(), (e->buttons() & Qt::RightButton) != 0, (m & Qt::ShiftModifier) != 0,
          (m & Qt::ControlModifier) != 0};
}

void RecentreViewCursor(TNavMouse mouse, QPoint screenOrigin, int32_t viewWidth, int32_t viewHeight) {
  mouse.Recentre(viewWidth, viewHeight);
  const QPoint screen = screenOrigin + QPoint(mouse.RefX, mouse.RefY);
  platform::SetCursorPos(screen.x(), screen.y());
}

void NavigationMouseDown(TNavMouse mouse, const QMouseEvent* e, QPoint screenOrigin, int32_t viewWidth,
                         int32_t viewHeight) {
  if (e->button() != Qt::RightButton) return;
  RecentreViewCursor(mouse, screenOrigin, viewWidth, viewHeight);
  QApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace appcommon
