// Camera steering with the right mouse button, as both editors' 3D views do it: every move is
// measured from a reference point (the view centre after the cursor was put back there), and one
// step turns, raises, tilts or walks the camera. The editors differ only in the signs of the
// turns and of the heading, which each passes as its own TNavigationSigns.
#pragma once

#include <cmath>
#include <cstdint>

namespace appcommon {

// +1 or -1 each: the turn per pixel to the right (Gier), the tilt per pixel downwards (Nick), and
// the x of the heading, the vector (0, 0, -1) turned about the vertical axis by Gier, which is
// (HeadingX x sin Gier, 0, -cos Gier).
struct TNavigationSigns {
  int Gier;
  int Nick;
  int HeadingX;
};

// The camera values a step changes, in the precision the editor keeps them.
template <typename T>
struct TNavCamera {
  T X, Y, Z, Nick, Gier;
};

// One step for a move of (moveX, moveY) view pixels with the right button held (y grows
// downwards): Gier turns a quarter degree per pixel to the right; then Shift raises the camera
// three units per pixel upwards, else Ctrl tilts Nick a quarter degree per pixel (kept within
// -90..90), else the camera walks a fifth of a unit per pixel along its new heading (upwards is
// forwards). The heading used, or (0, 0, 0) when the camera did not walk, goes to headingX/Z.
template <typename T>
TNavCamera<T> NavigationStep(TNavCamera<T> c, int32_t moveX, int32_t moveY, bool shift, bool ctrl,
                             const TNavigationSigns& signs, long double& headingX, long double& headingZ) {
  headingX = 0.0L;
  headingZ = 0.0L;
  c.Gier = static_cast<T>(c.Gier + signs.Gier * (moveX / 4.0L));
  if (shift) {
    c.Y = static_cast<T>(c.Y - 3.0L * moveY);
  } else if (ctrl) {
    T nick = static_cast<T>(c.Nick + signs.Nick * (moveY / 4.0L));
    if (nick > T(90)) nick = T(90);
    if (nick < T(-90)) nick = T(-90);
    c.Nick = nick;
  } else {
    const long double a = c.Gier * 3.141592653589793L / 180.0L;
    headingX = signs.HeadingX * std::sin(a);
    headingZ = -std::cos(a);
    c.X = static_cast<T>(c.X - moveY * headingX / 5.0L);
    c.Z = static_cast<T>(c.Z - moveY * headingZ / 5.0L);
  }
  return c;
}

// The reference point of the next move, in view pixels, and whether the next move is only the
// echo of the program putting the cursor back.
struct TNavMouse {
  int32_t& RefX;
  int32_t& RefY;
  bool& SkipNext;

  // A move event at (x, y): a pending echo is used up; without the right button the position
  // becomes the reference point; with it the move from the reference point goes to (moveX,
  // moveY) and true is returned, so the caller steps the camera and recentres.
  bool Move(int32_t x, int32_t y, bool rightHeld, int32_t& moveX, int32_t& moveY) {
    if (SkipNext) {
      SkipNext = false;
      return false;
    }
    if (!rightHeld) {
      RefX = x;
      RefY = y;
      return false;
    }
    moveX = x - RefX;
    moveY = y - RefY;
    return true;
  }
  // The reference point becomes the centre of a view of the given size (each side halved toward
  // zero) and the next move will be skipped. Moving the cursor there is the caller's part.
  void Recentre(int32_t viewWidth, int32_t viewHeight) {
    RefX = viewWidth / 2;
    RefY = viewHeight / 2;
    SkipNext = true;
  }
};

}  // namespace appcommon
