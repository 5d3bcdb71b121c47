// The window side of the right-button camera steering (navigation.h): the values of a mouse
// event that steering reads, and putting the cursor back to the view's centre.
#pragma once

#include <cstdint>

#include "apps/common/navigation.h"

#include <QPoint>

class QMouseEvent;

namespace appcommon {

struct TNavEvent {
  int32_t X = 0, Y = 0;  // in view pixels
  bool Right = false, Shift = false, Ctrl = false;
};
TNavEvent NavEventOf(const QMouseEvent* e);

// A move event over a camera with the editor's step function: true when the camera stepped, so
// the caller recentres.
template <typename Camera>
bool NavigateMouseMove(TNavMouse mouse, Camera& camera,
                       Camera (*step)(const Camera&, int32_t, int32_t, bool, bool), const TNavEvent& e) {
  int32_t moveX = 0, moveY = 0;
  if (!mouse.Move(e.X, e.Y, e.Right, moveX, moveY)) return false;
  camera = step(camera, moveX, moveY, e.Shift, e.Ctrl);
  return true;
}

// The reference point becomes the centre of a view of the given size, the next move will be
// skipped, and the cursor goes to that point on the screen (the view's origin is at screenOrigin).
void RecentreViewCursor(TNavMouse mouse, QPoint screenOrigin, int32_t viewWidth, int32_t viewHeight);

// A press on the view: with the right button, steering starts at the centre, and the events the
// cursor jump causes are handled before this returns.
void NavigationMouseDown(TNavMouse mouse, const QMouseEvent* e, QPoint screenOrigin, int32_t viewWidth,
                         int32_t viewHeight);

}  // namespace appcommon
