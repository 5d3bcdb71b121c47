// What a test reads back from GL: a pixel of the back buffer before the swap, and 4 x 4 matrices
// as GL keeps them (column by column), with the ones a test expects.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "engine/render/graphics.h"

namespace gl_readback {

using Rgba = std::array<int, 4>;

// A pixel of the back buffer, x and y from the bottom left.
inline Rgba ReadPixel(int x, int y) {
  uint8_t px[4] = {};
  GraGL.glReadBuffer(glk::BACK);
  GraGL.glPixelStorei(glk::PACK_ALIGNMENT, 1);
  GraGL.glReadPixels(x, y, 1, 1, glk::RGBA, glk::UNSIGNED_BYTE, px);
  return {px[0], px[1], px[2], px[3]};
}

// Its colour without alpha.
using Rgb = std::array<int, 3>;
inline Rgb ReadRgb(int x, int y) {
  const Rgba p = ReadPixel(x, y);
  return {p[0], p[1], p[2]};
}

using Mat = std::array<double, 16>;

inline Mat Identity() {
  Mat m{};
  m[0] = m[5] = m[10] = m[15] = 1;
  return m;
}

inline Mat Mul(const Mat& a, const Mat& b) {
  Mat c{};
  for (int col = 0; col < 4; ++col)
    for (int row = 0; row < 4; ++row)
      for (int k = 0; k < 4; ++k) c[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
  return c;
}

inline Mat Translate(double x, double y, double z) {
  Mat m = Identity();
  m[12] = x;
  m[13] = y;
  m[14] = z;
  return m;
}

// The rotation of glRotate: angle in degrees about the axis (x, y, z).
inline Mat Rotate(double degrees, double x, double y, double z) {
  const double len = std::sqrt(x * x + y * y + z * z);
  x /= len;
  y /= len;
  z /= len;
  const double a = degrees * M_PI / 180.0, c = std::cos(a), s = std::sin(a);
  Mat m = Identity();
  m[0] = x * x * (1 - c) + c;
  m[1] = y * x * (1 - c) + z * s;
  m[2] = x * z * (1 - c) - y * s;
  m[4] = x * y * (1 - c) - z * s;
  m[5] = y * y * (1 - c) + c;
  m[6] = y * z * (1 - c) + x * s;
  m[8] = x * z * (1 - c) + y * s;
  m[9] = y * z * (1 - c) - x * s;
  m[10] = z * z * (1 - c) + c;
  return m;
}

// The matrix of glFrustum.
inline Mat Frustum(double l, double r, double b, double t, double n, double f) {
  Mat m{};
  m[0] = 2 * n / (r - l);
  m[5] = 2 * n / (t - b);
  m[8] = (r + l) / (r - l);
  m[9] = (t + b) / (t - b);
  m[10] = -(f + n) / (f - n);
  m[11] = -1;
  m[14] = -2 * f * n / (f - n);
  return m;
}

// A matrix of the current context (glk::MODELVIEW_MATRIX, glk::PROJECTION_MATRIX).
inline Mat Read(uint32_t which) {
  float f[16] = {};
  GraGL.glGetFloatv(which, f);
  Mat m;
  for (int i = 0; i < 16; ++i) m[i] = f[i];
  return m;
}

inline Mat ModelView() { return Read(glk::MODELVIEW_MATRIX); }

inline void ExpectNear(const Mat& got, const Mat& want, const std::string& what) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(got[i], want[i], 1e-3) << what << " element " << i;
}

}  // namespace gl_readback
