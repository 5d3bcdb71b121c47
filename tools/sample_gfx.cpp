#include "tools/sample_gfx.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace sample_gfx {

namespace {

// The dot patterns of ' ' to '~', drawn for this font.
const char* const kGlyphs[95][7] = {
    {".....", ".....", ".....", ".....", ".....", ".....", "....."},  // space
    {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."},  // !
    {".#.#.", ".#.#.", ".....", ".....", ".....", ".....", "....."},  // "
    {".#.#.", ".#.#.", "#####", ".#.#.", "#####", ".#.#.", ".#.#."},  // #
    {"..#..", ".####", "#.#..", ".###.", "..#.#", "####.", "..#.."},  // $
    {"##...", "##..#", "...#.", "..#..", ".#...", "#..##", "...##"},  // %
    {".##..", "#..#.", "#.#..", ".#...", "#.#.#", "#..#.", ".##.#"},  // &
    {"..#..", "..#..", ".#...", ".....", ".....", ".....", "....."},  // '
    {"...#.", "..#..", ".#...", ".#...", ".#...", "..#..", "...#."},  // (
    {".#...", "..#..", "...#.", "...#.", "...#.", "..#..", ".#..."},  // )
    {".....", "..#..", "#.#.#", ".###.", "#.#.#", "..#..", "....."},  // *
    {".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."},  // +
    {".....", ".....", ".....", ".....", ".##..", "..#..", ".#..."},  // ,
    {".....", ".....", ".....", "#####", ".....", ".....", "....."},  // -
    {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."},  // .
    {".....", "....#", "...#.", "..#..", ".#...", "#....", "....."},  // /
    {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."},  // 0
    {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."},  // 1
    {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"},  // 2
    {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."},  // 3
    {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."},  // 4
    {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."},  // 5
    {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."},  // 6
    {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."},  // 7
    {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."},  // 8
    {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."},  // 9
    {".....", ".##..", ".##..", ".....", ".##..", ".##..", "....."},  // :
    {".....", ".##..", ".##..", ".....", ".##..", "..#..", ".#..."},  // ;
    {"...#.", "..#..", ".#...", "#....", ".#...", "..#..", "...#."},  // <
    {".....", ".....", "#####", ".....", "#####", ".....", "....."},  // =
    {".#...", "..#..", "...#.", "....#", "...#.", "..#..", ".#..."},  // >
    {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."},  // ?
    {".###.", "#...#", "....#", ".##.#", "#.#.#", "#.#.#", ".###."},  // @
    {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"},  // A
    {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."},  // B
    {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."},  // C
    {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."},  // D
    {"#####", "#....", "#....", "####.", "#....", "#....", "#####"},  // E
    {"#####", "#....", "#....", "####.", "#....", "#....", "#...."},  // F
    {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"},  // G
    {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"},  // H
    {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."},  // I
    {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."},  // J
    {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"},  // K
    {"#....", "#....", "#....", "#....", "#....", "#....", "#####"},  // L
    {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"},  // M
    {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"},  // N
    {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},  // O
    {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."},  // P
    {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"},  // Q
    {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"},  // R
    {".####", "#....", "#....", ".###.", "....#", "....#", "####."},  // S
    {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."},  // T
    {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},  // U
    {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."},  // V
    {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."},  // W
    {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"},  // X
    {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."},  // Y
    {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"},  // Z
    {".###.", ".#...", ".#...", ".#...", ".#...", ".#...", ".###."},  // [
    {".....", "#....", ".#...", "..#..", "...#.", "....#", "....."},  // backslash
    {".###.", "...#.", "...#.", "...#.", "...#.", "...#.", ".###."},  // ]
    {"..#..", ".#.#.", "#...#", ".....", ".....", ".....", "....."},  // ^
    {".....", ".....", ".....", ".....", ".....", ".....", "#####"},  // _
    {".#...", "..#..", "...#.", ".....", ".....", ".....", "....."},  // `
    {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"},  // a
    {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "####."},  // b
    {".....", ".....", ".###.", "#....", "#....", "#...#", ".###."},  // c
    {"....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"},  // d
    {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."},  // e
    {"..##.", ".#..#", ".#...", "###..", ".#...", ".#...", ".#..."},  // f
    {".....", ".####", "#...#", "#...#", ".####", "....#", ".###."},  // g
    {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"},  // h
    {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."},  // i
    {"...#.", ".....", "..##.", "...#.", "...#.", "#..#.", ".##.."},  // j
    {"#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."},  // k
    {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."},  // l
    {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#...#", "#...#"},  // m
    {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"},  // n
    {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."},  // o
    {".....", ".....", "####.", "#...#", "####.", "#....", "#...."},  // p
    {".....", ".....", ".####", "#...#", ".####", "....#", "....#"},  // q
    {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."},  // r
    {".....", ".....", ".####", "#....", ".###.", "....#", "####."},  // s
    {".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##."},  // t
    {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"},  // u
    {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."},  // v
    {".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."},  // w
    {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"},  // x
    {".....", ".....", "#...#", "#...#", ".####", "....#", ".###."},  // y
    {".....", ".....", "#####", "...#.", "..#..", ".#...", "#####"},  // z
    {"...#.", "..#..", "..#..", ".#...", "..#..", "..#..", "...#."},  // {
    {"..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."},  // |
    {".#...", "..#..", "..#..", "...#.", "..#..", "..#..", ".#..."},  // }
    {".....", ".....", ".#...", "#.#.#", "...#.", ".....", "....."},  // ~
};

void PutU16(std::string& s, uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}

void PutU32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void PutFloat(std::string& s, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  PutU32(s, bits);
}

// A repeatable noise value 0..255 of a pixel.
uint8_t Noise(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<uint8_t>((h ^ (h >> 16)) & 0xFF);
}

uint8_t Clamp(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

Rgb Shade(Rgb c, int delta) { return {Clamp(c.r + delta), Clamp(c.g + delta), Clamp(c.b + delta)}; }

// The start-up textures, drawn for any power-of-two size; u and v run over 0..64 on every size.
Rgb RailPixel(int x, int y, int size) {
  const int u = x * 64 / size, v = y * 64 / size;
  const int grain = Noise(x, y, 1) % 40 - 20;
  if ((u >= 14 && u < 18) || (u >= 46 && u < 50)) return Shade({185, 185, 190}, grain / 4);  // rails
  if (v % 16 < 5 && u >= 6 && u < 58) return Shade({96, 64, 40}, grain / 2);                 // sleepers
  return Shade({128, 118, 104}, grain);                                                      // ballast
}

Rgb RoadPixel(int x, int y, int size) {
  const int u = x * 64 / size, v = y * 64 / size;
  if (u == 2 || u == 61) return {235, 235, 235};                // edge lines
  if ((u == 31 || u == 32) && v % 32 < 16) return {240, 240, 240};  // dashed centre line
  return Shade({84, 84, 88}, Noise(x, y, 2) % 24 - 12);
}

Rgb GrassPixel(int x, int y, int /*size*/) {
  const int n = Noise(x, y, 3) % 60 - 30;
  return {Clamp(70 + n / 2), Clamp(132 + n), Clamp(48 + n / 3)};
}

Rgb SmokePixel(int x, int y, int size) {
  const double c = (size - 1) / 2.0;
  const double d = std::hypot(x - c, y - c) / (size / 2.0);
  if (d >= 1.0) return {40, 40, 40};
  const int v = static_cast<int>(250 - 110 * d);
  return {Clamp(v), Clamp(v), Clamp(v)};
}

Rgb NoTexturePixel(int x, int y, int /*size*/) {
  return ((x / 8) + (y / 8)) % 2 == 0 ? Rgb{220, 30, 30} : Rgb{250, 250, 250};
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes, std::string& error) {
  return WriteSampleFile(path.string(), bytes, error);
}

}  // namespace

bool WriteSampleFile(const std::string& path, const std::string& bytes, std::string& error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

const char* const* Glyph5x7(unsigned char c) {
  if (c < 32 || c > 126) return nullptr;
  return kGlyphs[c - 32];
}

bool FontInk(int x, int y) {
  if (x < 0 || y < 0 || x >= kFontPictureSize || y >= kFontPictureSize) return false;
  const int c = (y / kFontCell) * 16 + x / kFontCell;
  const char* const* rows = Glyph5x7(static_cast<unsigned char>(c));
  if (!rows) return false;
  const int dx = x % kFontCell - kFontInset, dy = y % kFontCell - kFontInset;
  if (dx < 0 || dy < 0 || dx >= 5 * kFontDot || dy >= 7 * kFontDot) return false;
  return rows[dy / kFontDot][dx / kFontDot] == '#';
}

std::string MakeBmp(int width, int height, const std::function<Rgb(int x, int y)>& pixel) {
  const uint32_t rowBytes = static_cast<uint32_t>(width) * 3;  // power-of-two widths need no padding
  const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(height);
  std::string s;
  s += "BM";
  PutU32(s, 54 + dataBytes);
  PutU32(s, 0);
  PutU32(s, 54);  // pixel data offset
  PutU32(s, 40);  // information header size
  PutU32(s, static_cast<uint32_t>(width));
  PutU32(s, static_cast<uint32_t>(height));  // positive: rows bottom-up
  PutU16(s, 1);   // planes
  PutU16(s, 24);  // bits a pixel
  PutU32(s, 0);   // no compression
  PutU32(s, dataBytes);
  PutU32(s, 2835);  // 72 dpi
  PutU32(s, 2835);
  PutU32(s, 0);
  PutU32(s, 0);
  for (int row = height - 1; row >= 0; --row) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, row);
      s += static_cast<char>(c.b);
      s += static_cast<char>(c.g);
      s += static_cast<char>(c.r);
    }
  }
  return s;
}

std::string MakeFontPicture() {
  return MakeBmp(kFontPictureSize, kFontPictureSize,
                 [](int x, int y) { return FontInk(x, y) ? Rgb{255, 255, 255} : Rgb{255, 0, 255}; });
}

std::string MakeFontFile() {
  const float size = kFontPictureSize;
  std::string s;
  for (int c = 0; c < 256; ++c) {
    const int left = (c % 16) * kFontCell;
    const int top = (c / 16) * kFontCell;  // from the top of the picture
    PutFloat(s, 0.0f);                                   // x offset
    PutFloat(s, kFontAdvance / size);                    // advance
    PutFloat(s, kFontCell / size);                       // height
    PutFloat(s, left / size);                            // left
    PutFloat(s, (size - top - kFontCell) / size);        // bottom (rows count from the bottom in the picture)
    PutFloat(s, (left + kFontBoxWidth) / size);          // right
    PutFloat(s, (size - top) / size);                    // top
  }
  return s;
}

bool WriteSampleGraphics(const std::string& rootName, std::string& error) {
  namespace fs = std::filesystem;
  const fs::path root(rootName);
  std::error_code ec;
  for (const char* sub : {"ui", "gfx", "gfx_hi"}) {
    fs::create_directories(root / sub, ec);
    if (ec) {
      error = "cannot create " + (root / sub).string() + ": " + ec.message();
      return false;
    }
  }
  struct Texture {
    const char* name;
    int size;
    Rgb (*pixel)(int, int, int);
  };
  const Texture textures[] = {
      {"gleis1.bmp", 64, RailPixel},
      {"strasse1.bmp", 64, RoadPixel},
      {"smokesource.bmp", 32, SmokePixel},
      {"nlgrasb.bmp", 64, GrassPixel},
  };
  auto bmp = [](int size, Rgb (*pixel)(int, int, int)) {
    return MakeBmp(size, size, [size, pixel](int x, int y) { return pixel(x, y, size); });
  };
  if (!WriteFile(root / "gfx" / "NOTEXTURE.BMP", bmp(64, NoTexturePixel), error)) return false;
  for (const Texture& t : textures) {
    if (!WriteFile(root / "gfx" / t.name, bmp(t.size, t.pixel), error)) return false;
    // The detailed copy, shrunk on loading by the texture-detail option.
    if (!WriteFile(root / "gfx_hi" / t.name, bmp(2 * t.size, t.pixel), error)) return false;
  }
  // An animated texture: a frame list and its two frames.
  if (!WriteFile(root / "gfx" / "blink.lst", "; a blinking lamp, two frames\r\nblink1.bmp\r\nblink2.bmp\r\n", error))
    return false;
  if (!WriteFile(root / "gfx" / "blink1.bmp", MakeBmp(16, 16, [](int, int) { return Rgb{255, 210, 40}; }), error))
    return false;
  if (!WriteFile(root / "gfx" / "blink2.bmp", MakeBmp(16, 16, [](int, int) { return Rgb{70, 60, 20}; }), error))
    return false;
  if (!WriteFile(root / "ui" / "times.fnt", MakeFontFile(), error)) return false;
  if (!WriteFile(root / "ui" / "times.bmp", MakeFontPicture(), error)) return false;
  return true;
}

}  // namespace sample_gfx
