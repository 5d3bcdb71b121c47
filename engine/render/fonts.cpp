#include "engine/render/fonts.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/files/repository.h"
#include "engine/render/texturefiles.h"

TFont3D* CurrentFont = nullptr;
TVector TextCursor = {0.0f, 0.0f, 0.0f};
uint8_t TextColour[4] = {255, 255, 255, 255};

namespace {

void (*g_batchDrawer)(const TInterleavedVertex*, int32_t) = nullptr;

float ReadFloat(const uint8_t* p) {
  const uint32_t bits = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                        static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

void DrawBatch(const TInterleavedVertex* vertices, int32_t count) {
  if (g_batchDrawer)
    g_batchDrawer(vertices, count);
  else
    Gra_DrawVertexArray(vertices, count);
}

std::string ShortText(const std::string& text) { return text.size() > 255 ? text.substr(0, 255) : text; }

void Vertex(TInterleavedVertex& v, float x, float y, float z, float u, float t) {
  v.x = x;
  v.y = y;
  v.z = z;
  v.r = TextColour[0];
  v.g = TextColour[1];
  v.b = TextColour[2];
  v.a = TextColour[3];
  v.u = u;
  v.v = t;
}

// One line of text without CR, from TextCursor on.
void DrawLine(const std::string& line) {
  const TFont3D& font = *CurrentFont;
  Gra_SetBlendMode(font.Alpha ? 2 : 1);
  TInterleavedVertex batch[kFontBatchVertices];
  int32_t n = 0;
  for (unsigned char c : line) {
    const TFontGlyph& g = font.Glyphs[c];
    const float w = (g.Right - g.Left) * font.XScale;
    const float h = g.Height * font.YScale;
    const float x = TextCursor.x, y = TextCursor.y, z = TextCursor.z;
    Vertex(batch[n++], x, y, z, g.Left, g.Bottom);
    Vertex(batch[n++], x + w, y, z, g.Right, g.Bottom);
    Vertex(batch[n++], x + w, y + h, z, g.Right, g.Top);
    Vertex(batch[n++], x, y, z, g.Left, g.Bottom);
    Vertex(batch[n++], x + w, y + h, z, g.Right, g.Top);
    Vertex(batch[n++], x, y + h, z, g.Left, g.Top);
    TextCursor.x += g.Advance * font.XScale;
    if (n > kFontBatchVertices - 6) {
      DrawBatch(batch, n);
      n = 0;
    }
  }
  if (n > 0) DrawBatch(batch, n);
}

}  // namespace

namespace font3d_test {
void SetBatchDrawer(void (*drawer)(const TInterleavedVertex*, int32_t)) { g_batchDrawer = drawer; }
}  // namespace font3d_test

void ReadFontGlyphs(const uint8_t* bytes, TFontGlyph glyphs[256]) {
  for (int c = 0; c < 256; ++c) {
    const uint8_t* p = bytes + 28 * c;
    TFontGlyph& g = glyphs[c];
    g.XOffset = ReadFloat(p);
    g.Advance = ReadFloat(p + 4);
    g.Height = ReadFloat(p + 8);
    g.Left = ReadFloat(p + 12);
    g.Bottom = ReadFloat(p + 16);
    g.Right = ReadFloat(p + 20);
    g.Top = ReadFloat(p + 24);
  }
}

void ReadFontFile(const std::string& path, TFontGlyph glyphs[256]) {
  uint8_t bytes[kFontFileSize] = {};
  TRepositoryFile f;
  xAssign(f, path);
  xReset(f, 1);
  const int32_t got = xBlockRead(f, bytes, kFontFileSize);
  xClose(f);
  if (got < kFontFileSize)
    SYS_Warning("WARNING: Font3D: LoadFont: " + path + " is shorter than 7168 bytes, the missing glyphs are empty");
  ReadFontGlyphs(bytes, glyphs);
  // Advances and heights are measured into integers: one that is no finite number or lies
  // beyond the integer range is taken as 0.
  int32_t unusable = 0;
  for (int c = 0; c < 256; ++c) {
    TFontGlyph& g = glyphs[c];
    for (float* v : {&g.Advance, &g.Height}) {
      if (std::fabs(static_cast<double>(*v)) <= static_cast<double>(INT32_MAX)) continue;  // NaN fails too
      *v = 0.0f;
      ++unusable;
    }
  }
  if (unusable > 0)
    SYS_Warning("WARNING: Font3D: LoadFont: " + path + ": " + std::to_string(unusable) +
                " glyph advances or heights are not finite or beyond the integer range, 0 is used");
}

void LoadFont(TFont3D& font, const std::string& name) {
  SYS_DebugOut("Loading font " + name + "...");
  font.Name = name;
  ReadFontFile(std::string(kUIFolder) + name + ".fnt", font.Glyphs);
  font.Alpha = name.find("alpha") != std::string::npos ? 1 : 0;
  font.TextureSlot = LoadTexture(name + ".bmp", font.Alpha ? 3 : 1, -1, false);
  font.XScale = static_cast<float>(TextureTable[font.TextureSlot].Width);
  font.YScale = static_cast<float>(TextureTable[font.TextureSlot].Height);
}

void SelectFont(TFont3D* font) {
  if (!font) SYS_BREAKPROGRAM("ERROR: Selected Font is NIL");
  CurrentFont = font;
  Gra_SetTexture(font->TextureSlot);
  SetFontScale(1.0f);
}

void SetFontScale(float factor) {
  if (!CurrentFont) return;
  const uint16_t slot = CurrentFont->TextureSlot <= kTextureSlots ? CurrentFont->TextureSlot : 0;
  CurrentFont->XScale = static_cast<float>(TextureTable[slot].Width) * factor;
  CurrentFont->YScale = static_cast<float>(TextureTable[slot].Height) * factor;
}

void SetTextPos(float x, float y, float z) { TextCursor = {x, y, z}; }

int32_t TextWidth(const std::string& text) {
  if (!CurrentFont) return 0;
  float sum = 0.0f;
  for (unsigned char c : ShortText(text)) sum += CurrentFont->XScale * CurrentFont->Glyphs[c].Advance;
  return RoundToInt(sum);  // a scale that makes the sum leave the integer range saturates
}

int32_t TextHeight(const std::string& text) {
  if (!CurrentFont) return 0;
  float highest = 0.0f;
  for (unsigned char c : ShortText(text)) {
    const float h = CurrentFont->YScale * CurrentFont->Glyphs[c].Height;
    if (h > highest) highest = h;
  }
  return RoundToInt(highest);
}

void DrawText(const std::string& text) { DrawTextWrapped(text); }

void DrawTextWrapped(const std::string& text) {
  if (!CurrentFont) return;
  const float lineHeight = CurrentFont->YScale * CurrentFont->Glyphs[static_cast<unsigned char>('X')].Height;
  const float startX = TextCursor.x;
  float y = TextCursor.y;
  const float z = TextCursor.z;
  std::string rest;
  rest.reserve(text.size());
  for (char c : text)
    if (c != '\n') rest += c;
  size_t cr;
  while ((cr = rest.find('\r')) != std::string::npos) {
    TextCursor = {startX, y, z};
    DrawLine(rest.substr(0, cr));
    rest.erase(0, cr + 1);
    y += lineHeight;
  }
  TextCursor = {startX, y, z};
  DrawLine(rest);
}
