// The font reader on arbitrary bytes: ui\FUZZ.fnt is read into the glyph table (its picture is
// missing, so the placeholder texture stands in), the font is selected and a text of every
// character code, with line breaks, is laid out and drawn through a batch stand-in.
#include <cstddef>
#include <cstdint>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/render/fonts.h"
#include "fuzz/file_host.h"

using fuzz_files::Check;

namespace {

TFont3D& Font() {
  static TFont3D* font = new TFont3D();
  return *font;
}

void Batch(const TInterleavedVertex* vertices, int32_t count) {
  Check(vertices != nullptr, "a batch has vertices");
  Check(count > 0 && count <= kFontBatchVertices && count % 6 == 0, "a batch holds whole glyphs, at most 306 vertices");
}

std::string EveryCharacter() {
  std::string s;
  for (int c = 0; c < 256; ++c) s += static_cast<char>(c);
  return s + "\r\nX\rY";
}

bool Start() {
  fuzz_files::Start();
  font3d_test::SetBatchDrawer(Batch);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = Start();
  (void)started;
  fuzz_files::ResetTextures();
  CurrentFont = nullptr;
  fuzz_files::WriteInput("ui/FUZZ.fnt", data, size);
  TFont3D& font = Font();
  if (fuzz_files::StoppedFatally([&] { LoadFont(font, "FUZZ"); })) return 0;

  // Every glyph holds the file's floats unchanged; glyphs the file does not reach are zero.
  for (size_t c = 0; c < 256; ++c) {
    float fields[7];
    std::memcpy(fields, &font.Glyphs[c], sizeof(fields));
    for (size_t k = 0; k < 7; ++k) {
      const size_t at = 28 * c + 4 * k;
      uint8_t bytes[4] = {};
      for (size_t b = 0; b < 4; ++b) bytes[b] = at + b < size && at + b < kFontFileSize ? data[at + b] : 0;
      float expected;
      std::memcpy(&expected, bytes, 4);
      // An advance or height that no integer can hold is taken as 0.
      const bool measured = k == 1 || k == 2;
      if (measured && !(std::fabs(static_cast<double>(expected)) <= static_cast<double>(INT32_MAX))) expected = 0.0f;
      Check(std::memcmp(&fields[k], &expected, 4) == 0, "a glyph field holds the file's value");
    }
  }
  Check(font.TextureSlot >= 1 && font.TextureSlot <= kTextureSlots, "the font's picture has a slot");

  SelectFont(&font);
  SetTextPos(1.0f, 2.0f, 3.0f);
  DrawText(EveryCharacter());
  // The measures stay inside the integer range whatever the glyphs hold.
  (void)TextWidth(EveryCharacter());
  (void)TextHeight(EveryCharacter());
  SetFontScale(1.0e30f);
  (void)TextWidth(EveryCharacter());
  (void)TextHeight(EveryCharacter());
  return 0;
}
