#include "apps/brumin/fonts.h"

#include "apps/brumin/meshes.h"
#include "apps/brumin/textures.h"
#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/files/repository.h"
#include "engine/render/graphics.h"
#include "engine/render/texturefiles.h"
#include "platform/platform.h"

namespace brumin {

TFont3D* CurrentFont = nullptr;
float FontScale = 0.0f;

namespace {

std::string ShortText(const std::string& text) { return text.size() > 255 ? text.substr(0, 255) : text; }

}  // namespace

void LoadFont(TFont3D& font, const std::string& name) {
  font.Name = name;
  const std::string path = Base_DIR.str() + kUIFolder + name + ".fnt";
  if (!xFileExists(path)) {
    const std::string text = "Fontfile \"" + name + ".fnt\" missing!";
    platform::MessageBox("Brumin", text);
    SYS_Halt(text);
  }
  ReadFontFile(path, font.Glyphs);
  font.Slot = LoadTextureByName(name + ".bmp", true);
  font.Width = static_cast<float>(MeshTextureTable[font.Slot].Width);
}

void SelectFont(TFont3D& font) {
  CurrentFont = &font;
  BindTexture(font.Slot, 1);
  FontScale = font.Width;
}

int32_t TextWidth(const std::string& text) {
  if (!CurrentFont) {
    MeshUnitWarning("Font3D: TextWidth: no font is selected");
    return 0;
  }
  double sum = 0.0;
  for (unsigned char c : ShortText(text)) sum += static_cast<double>(FontScale) * CurrentFont->Glyphs[c].Advance;
  return RoundToInt(sum);
}

void DrawText(const std::string& text) {
  if (!CurrentFont) {
    MeshUnitWarning("Font3D: DrawText: no font is selected");
    return;
  }
  for (unsigned char c : ShortText(text)) {
    const TFontGlyph& g = CurrentFont->Glyphs[c];
    const float w = (g.Right - g.Left) * FontScale;
    const float h = g.Height * FontScale;
    const float x = TextCursor.x, y = TextCursor.y, z = TextCursor.z;
    const float corners[4][5] = {{g.Left, g.Bottom, x, y, z},
                                 {g.Right, g.Bottom, x + w, y, z},
                                 {g.Right, g.Top, x + w, y + h, z},
                                 {g.Left, g.Top, x, y + h, z}};
    GraGL.glBegin(kGlPolygon);
    for (const float* corner : corners) {
      GraGL.glTexCoord2fv(corner);
      GraGL.glVertex3fv(corner + 2);
    }
    GraGL.glEnd();
    TextCursor.x += g.Advance * FontScale;
  }
}

}  // namespace brumin
