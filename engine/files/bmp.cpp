#include "engine/files/bmp.h"

#include <cstring>

#include "engine/base/diagnostics.h"
#include "engine/files/repository.h"

namespace {

int32_t ReadInt32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

uint16_t ReadUInt16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool PowerOfTwo(int32_t v) { return v > 0 && (v & (v - 1)) == 0; }

// v >> s for a side; a shift past the width of the number gives 0.
int32_t ShiftSide(int32_t v, int s) { return s >= 31 ? 0 : v >> s; }

bool IsMagenta(const uint8_t* p) { return p[0] == 255 && p[1] == 0 && p[2] == 255; }

// The 14-byte file header and the 40-byte information header; what the file lacks reads as zero.
bool ReadHeaders(const std::string& path, uint8_t (&fileHeader)[14], uint8_t (&infoHeader)[40]) {
  if (!xFileExists(path)) return false;
  TRepositoryFile f;
  xAssign(f, path);
  xReset(f, 1);
  xBlockRead(f, fileHeader, sizeof(fileHeader));
  xBlockRead(f, infoHeader, sizeof(infoHeader));
  xClose(f);
  return true;
}

}  // namespace

bool TBMP::ReadHeader(const std::string& path) {
  uint8_t fileHeader[14] = {};
  uint8_t infoHeader[40] = {};
  if (!ReadHeaders(path, fileHeader, infoHeader)) return false;
  Name = path;
  Type = ReadUInt16(fileHeader);
  Width = ReadInt32(infoHeader + 4);
  Height = ReadInt32(infoHeader + 8);
  return true;
}

bool TBMP::PixelsInFile(const std::string& path) const {
  if (Width <= 0 || Height <= 0 || !xFileExists(path)) return false;
  TRepositoryFile f;
  xAssign(f, path);
  const int64_t room = static_cast<int64_t>(xFileSize(f)) - kBmpPixelOffset;
  xClose(f);
  // At most 2^31 x 2^31 x 3: no overflow in 64 bits.
  const uint64_t wanted = static_cast<uint64_t>(Width) * static_cast<uint64_t>(Height) * 3;
  return room >= 0 && wanted <= static_cast<uint64_t>(room);
}

bool TBMP::GetInfoOfFile(const std::string& path) {
  uint8_t fileHeader[14] = {};
  uint8_t infoHeader[40] = {};
  if (!ReadHeaders(path, fileHeader, infoHeader)) return false;
  int32_t width = ReadInt32(infoHeader + 4);
  int32_t height = ReadInt32(infoHeader + 8);
  const uint16_t bits = ReadUInt16(infoHeader + 14);
  if (width > kBmpMaxSide || height > kBmpMaxSide || !PowerOfTwo(width) || !PowerOfTwo(height) || bits != 24) {
    SYS_Warning("ERROR: TBMP: GetInfoOfFile: The Bitmap is to big, have wrong size or have not 24 Bit: " + path);
    width = 4;
    height = 4;
  }
  Name = path;
  Type = ReadUInt16(fileHeader);
  Width = width;
  Height = height;
  return true;
}

uint8_t TBMP::CheckShrinkFactor(uint8_t shrink) const {
  int s = shrink;
  while (ShiftSide(Width, s) < 4 || ShiftSide(Height, s) < 4) {
    --s;
    SYS_Warning("INFO: TBMP: CheckShrinkFactor: The Bitmap will be to small!" + Name);
    if (s < 0) SYS_BREAKPROGRAM("ERROR: TBMP: CheckShrinkFactor: The Bitmap is to small!");
  }
  return static_cast<uint8_t>(s);
}

int32_t TBMP::ShrunkWidth(uint8_t shrink) const { return ShiftSide(Width, CheckShrinkFactor(shrink)); }

int32_t TBMP::ShrunkHeight(uint8_t shrink) const { return ShiftSide(Height, CheckShrinkFactor(shrink)); }

bool TBMP::ReadPixels(const std::string& path, uint8_t* dest, size_t destSize) const {
  if (!xFileExists(path)) return false;
  const size_t wanted = static_cast<size_t>(Width) * static_cast<size_t>(Height) * 3;
  const size_t n = wanted < destSize ? wanted : destSize;
  TRepositoryFile f;
  xAssign(f, path);
  xReset(f, 1);
  xSeek(f, kBmpPixelOffset);
  size_t got = 0;
  if (n > 0 && xFilePos(f) == kBmpPixelOffset) {
    const int32_t r = xBlockRead(f, dest, static_cast<int32_t>(n));
    got = r > 0 ? static_cast<size_t>(r) : 0;
  }
  xClose(f);
  if (got < n) {
    std::memset(dest + got, 0, n - got);
    SYS_Warning("WARNING: TBMP: ReadPixels: The Bitmap file is too short, missing pixels are black: " + path);
  }
  return true;
}

void TBMP::Halve(uint8_t* buffer, size_t bufferSize, uint8_t shrink, bool colourKey) {
  if (static_cast<size_t>(Width) * static_cast<size_t>(Height) * 3 > bufferSize) return;
  int s = CheckShrinkFactor(shrink);
  while (s > 0) {
    const int32_t w = Width / 2;
    const int32_t h = Height / 2;
    for (int32_t r = 0; r < h; ++r) {
      for (int32_t c = 0; c < w; ++c) {
        const uint8_t* src[4] = {
            buffer + (static_cast<size_t>(2 * r) * Width + 2 * c) * 3,
            buffer + (static_cast<size_t>(2 * r) * Width + 2 * c + 1) * 3,
            buffer + (static_cast<size_t>(2 * r + 1) * Width + 2 * c) * 3,
            buffer + (static_cast<size_t>(2 * r + 1) * Width + 2 * c + 1) * 3,
        };
        uint8_t out[3];
        int magenta = 0;
        if (colourKey)
          for (const uint8_t* p : src) magenta += IsMagenta(p) ? 1 : 0;
        if (magenta >= 2) {
          out[0] = 255;
          out[1] = 0;
          out[2] = 255;
        } else {
          for (int b = 0; b < 3; ++b) {
            int sum = 0, count = 0;
            for (const uint8_t* p : src) {
              if (colourKey && IsMagenta(p)) continue;
              sum += p[b];
              ++count;
            }
            out[b] = static_cast<uint8_t>(sum / count);
          }
        }
        // Row order never overwrites a source pixel that is still to be read.
        std::memcpy(buffer + (static_cast<size_t>(r) * w + c) * 3, out, 3);
      }
    }
    Width = w;
    Height = h;
    --s;
  }
}
