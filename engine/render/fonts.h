// Bitmap fonts in the 3D scene: a glyph table file "ui\<name>.fnt" with its picture
// "ui\<name>.bmp"; text is laid out as textured quads in the plane of the current model-view
// matrix (x to the right, y up) and drawn in batches of interleaved vertices.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/types.h"
#include "engine/render/graphics.h"

constexpr int32_t kFontFileSize = 7168;  // 256 glyphs of 28 bytes
constexpr int32_t kFontBatchVertices = 306;

// One glyph: seven little-endian floats in the file.
struct TFontGlyph {
  float XOffset;  // not used by the layout
  float Advance;  // cursor step, in texture widths
  float Height;   // in texture heights
  float Left, Bottom, Right, Top;  // texture coordinates
};
static_assert(sizeof(TFontGlyph) == 28);

// A loaded font (kept in memory only, so it keeps its natural alignment).
struct TFont3D {
  uint16_t TextureSlot;
  ShortString<20> Name;
  float XScale;   // world units per texture width
  float YScale;   // world units per texture height
  uint8_t Alpha;  // 1 when the name contains "alpha"
  TFontGlyph Glyphs[256];
};

extern TFont3D* CurrentFont;
extern TVector TextCursor;
extern uint8_t TextColour[4];  // 255, 255, 255, 255

// Reads the glyph table and loads the picture as a user-interface texture (state 3 for a font
// whose name contains "alpha", else the colour-keyed state 1; nearest filtering). A missing
// ".fnt" file is fatal (repository layer); a short one is completed with empty glyphs and warned,
// and an advance or height that is not finite or lies beyond the integer range is warned and
// taken as 0.
void LoadFont(TFont3D& font, const std::string& name);
// Makes the font current, binds its texture and sets the scale factor 1.0. Fatal for no font.
void SelectFont(TFont3D* font);
void SetFontScale(float factor);
void SetTextPos(float x, float y, float z);
// Rounded to the nearest integer (halves to even), saturating at the ends of the integer range;
// 0 for an empty text or without a font.
int32_t TextWidth(const std::string& text);
int32_t TextHeight(const std::string& text);
// Draws at TextCursor with the current font and the texture that is current. LF is dropped; each
// CR starts a new line at the starting x, one line height (of the glyph 'X') higher. Without a
// selected font nothing is drawn.
void DrawText(const std::string& text);
void DrawTextWrapped(const std::string& text);

// The glyph table of a font file's 7,168 bytes.
void ReadFontGlyphs(const uint8_t* bytes, TFontGlyph glyphs[256]);
// The glyph table of a font file, read through the repository layer (a missing file is fatal
// there): a short file is completed with empty glyphs, and an advance or height that is not finite
// or lies beyond the integer range is taken as 0, each with a warning naming the file.
void ReadFontFile(const std::string& path, TFontGlyph glyphs[256]);

namespace font3d_test {
// Receives each batch in place of Gra_DrawVertexArray (nullptr restores it).
void SetBatchDrawer(void (*drawer)(const TInterleavedVertex* vertices, int32_t count));
}  // namespace font3d_test
