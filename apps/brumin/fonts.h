// The building program's bitmap font: the shared ".fnt" glyph table, its picture in the program's
// own texture table, and text drawn as one immediate-mode quad a character at the text cursor of
// SetTextPos (engine/render/fonts.h), with no line handling.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/types.h"
#include "engine/render/fonts.h"

namespace brumin {

struct TFont3D {
  uint16_t Slot;            // MeshTextureTable slot of the picture
  ShortString<20> Name;     // the name passed to LoadFont, cut to 20 characters
  float Width;              // the picture's width in pixels
  TFontGlyph Glyphs[256];   // the glyph table, by character code
};

extern TFont3D* CurrentFont;  // none until SelectFont
// World units per texture unit of the glyphs; SelectFont sets the picture's width, and callers
// may set it directly until the next SelectFont.
extern float FontScale;

// Reads Base_DIR + "ui\" + Name + ".fnt" (the full name) and loads Name + ".bmp" with alpha
// through LoadTextureByName. Without the ".fnt" file a message box says
// Fontfile "<name>.fnt" missing! and the program ends.
void LoadFont(TFont3D& font, const std::string& name);
// Makes the font current, binds its picture (frame 1) and sets FontScale to its width.
void SelectFont(TFont3D& font);
// The sum of FontScale x advance over the characters (at most 255), in double precision, rounded
// to the nearest integer (halves to even) and saturating. 0 with a warning before any SelectFont.
int32_t TextWidth(const std::string& text);
// Draws each character (at most 255) as its glyph's quad at the text cursor and moves the cursor
// on by its advance; the current GL colour and texture apply. Nothing is drawn, with a warning,
// before any SelectFont.
void DrawText(const std::string& text);

}  // namespace brumin
