// Small bitmap files for the texture and font tests, written byte by byte.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "tests/support/test_support.h"

namespace gfx_test {

struct Bgr {
  uint8_t b, g, r;
};

inline void PutU32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A bitmap file: 14-byte file header, 40-byte information header, then the pixel bytes given
// (blue, green, red; rows bottom-up). The header fields can be set to anything.
inline std::string BmpBytes(int32_t width, int32_t height, uint16_t bits, const std::string& pixels,
                            uint32_t dataOffset = 54) {
  std::string s = "BM";
  PutU32(s, 54 + static_cast<uint32_t>(pixels.size()));
  PutU32(s, 0);
  PutU32(s, dataOffset);
  PutU32(s, 40);
  PutU32(s, static_cast<uint32_t>(width));
  PutU32(s, static_cast<uint32_t>(height));
  s += static_cast<char>(1);
  s += static_cast<char>(0);
  s += static_cast<char>(bits & 0xFF);
  s += static_cast<char>(bits >> 8);
  for (int i = 0; i < 6; ++i) PutU32(s, 0);
  return s + pixels;
}

// Pixels of a width x height picture; pixel(x, row) with row 0 the first (bottom) row of the file.
inline std::string Pixels(int32_t width, int32_t height, const std::function<Bgr(int32_t x, int32_t row)>& pixel) {
  std::string s;
  for (int32_t row = 0; row < height; ++row) {
    for (int32_t x = 0; x < width; ++x) {
      const Bgr p = pixel(x, row);
      s += static_cast<char>(p.b);
      s += static_cast<char>(p.g);
      s += static_cast<char>(p.r);
    }
  }
  return s;
}

inline std::string SolidBmp(int32_t width, int32_t height, Bgr colour) {
  return BmpBytes(width, height, 24, Pixels(width, height, [colour](int32_t, int32_t) { return colour; }));
}

inline void WriteSolidBmp(const std::string& path, int32_t side, Bgr colour = {10, 20, 30}) {
  testing_support::WriteFileBytes(path, SolidBmp(side, side, colour));
}

}  // namespace gfx_test
