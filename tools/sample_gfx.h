// The sample textures and the sample font: 24-bit bitmaps with power-of-two sides drawn here
// pixel by pixel, and the glyph table of the font "times" laid out over its picture.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sample_gfx {

struct Rgb {
  uint8_t r, g, b;
};

// The font picture: 16 x 16 cells of 16 x 16 pixels, character c in column c % 16 and row c / 16
// counted from the top. A glyph is a 5 x 7 dot pattern drawn with 2 x 2 pixels a dot, one pixel
// in from the cell's top left corner; its box is 12 pixels wide and the whole cell high, and the
// cursor moves on by 14 pixels. Ink is white, the rest magenta (the colour key).
constexpr int kFontPictureSize = 256;
constexpr int kFontCell = 16;
constexpr int kFontDot = 2;
constexpr int kFontInset = 1;
constexpr int kFontBoxWidth = 12;
constexpr int kFontAdvance = 14;
constexpr int kFontFileSize = 7168;

// The dot rows of a character from the top, five characters each ('#' = ink); nullptr for a
// character outside ' ' to '~'.
const char* const* Glyph5x7(unsigned char c);
// True when the font picture's pixel (x, y from the top) is ink.
bool FontInk(int x, int y);

// A 24-bit bitmap file; pixel(x, y) gives the colour at column x of row y counted from the top.
std::string MakeBmp(int width, int height, const std::function<Rgb(int x, int y)>& pixel);
std::string MakeFontFile();
std::string MakeFontPicture();

// Writes a sample file; false with a message naming it when that fails.
bool WriteSampleFile(const std::string& path, const std::string& bytes, std::string& error);

// Writes the textures (gfx\, their larger copies in gfx_hi\, a frame list) and the font (ui\)
// under root, making the folders. False with a message naming the file that failed.
bool WriteSampleGraphics(const std::string& root, std::string& error);

}  // namespace sample_gfx
