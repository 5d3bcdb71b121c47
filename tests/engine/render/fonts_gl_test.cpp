#include <string>

#include "engine/render/fonts.h"
#include "tests/support/gl_view.h"

using gl_test::GlView;
using gl_test::Rgba;

namespace {

TEST_F(GlView, SampleFontDrawsItsGlyphsWhereTheLettersStandAndNothingBetweenThem) {
  Open();
  SampleBase();
  SetSky(0.0f, 0.0f, 0.4f);
  TFont3D font{};
  LoadFont(font, "times");
  Gra_ClearScreen();
  PixelProjection();
  SelectFont(&font);
  const std::string text = "Node 12";
  EXPECT_EQ(TextWidth(text), 7 * sample_gfx::kFontAdvance);
  EXPECT_EQ(TextHeight(text), sample_gfx::kFontCell);
  // At z = -1 a world unit is a pixel: the text starts at pixel (x0, y0).
  const int x0 = 20, y0 = 30;
  SetTextPos(x0 - W / 2.0f, y0 - H / 2.0f, -1.0f);
  DrawText(text);

  const Rgba ink = {255, 255, 255, 255}, sky = {0, 0, 102, 255};
  int wrong = 0;
  std::vector<int> inkPerLetter(text.size(), 0);
  for (int y = y0 - 3; y < y0 + sample_gfx::kFontCell + 3; ++y) {
    for (int x = x0 - 3; x < x0 + static_cast<int>(text.size()) * sample_gfx::kFontAdvance + 3; ++x) {
      bool expectInk = false;
      const int dx = x - x0, k = dx >= 0 ? dx / sample_gfx::kFontAdvance : -1;
      if (k >= 0 && k < static_cast<int>(text.size()) && dx % sample_gfx::kFontAdvance < sample_gfx::kFontBoxWidth &&
          y >= y0 && y < y0 + sample_gfx::kFontCell) {
        const unsigned char c = static_cast<unsigned char>(text[k]);
        const int px = (c % 16) * sample_gfx::kFontCell + dx % sample_gfx::kFontAdvance;
        const int py = (c / 16) * sample_gfx::kFontCell + (y0 + sample_gfx::kFontCell - 1 - y);  // picture rows from the top
        expectInk = sample_gfx::FontInk(px, py);
      }
      const Rgba got = ReadPixel(x, y);
      if (got != (expectInk ? ink : sky)) ++wrong;
      if (got == ink && k >= 0 && k < static_cast<int>(text.size())) ++inkPerLetter[k];
    }
  }
  EXPECT_EQ(wrong, 0);
  for (size_t k = 0; k < text.size(); ++k) {
    if (text[k] == ' ')
      EXPECT_EQ(inkPerLetter[k], 0);
    else
      EXPECT_GT(inkPerLetter[k], 20) << text[k];
  }
  // The two pixel columns between neighbouring letters stay sky from top to bottom.
  for (size_t k = 0; k + 1 < text.size(); ++k)
    for (int gap = sample_gfx::kFontBoxWidth; gap < sample_gfx::kFontAdvance; ++gap)
      for (int y = y0; y < y0 + sample_gfx::kFontCell; ++y)
        EXPECT_EQ(ReadPixel(x0 + static_cast<int>(k) * sample_gfx::kFontAdvance + gap, y), sky) << k;
}

TEST_F(GlView, SecondLineStandsOneLineHigher) {
  Open();
  SampleBase();
  SetSky(0.0f, 0.0f, 0.0f);
  TFont3D font{};
  LoadFont(font, "times");
  Gra_ClearScreen();
  PixelProjection();
  SelectFont(&font);
  SetTextPos(-W / 2.0f + 10, -H / 2.0f + 10, -1.0f);
  DrawText("I\r\nI");
  // The bar of "I" (dots 1 to 3 of the top row) at pixel rows 14 and 13 of each line, which starts
  // at y = 10 and y = 26.
  for (int line : {10, 26}) {
    EXPECT_EQ(ReadPixel(10 + 1 + 2 * 2, line + 14)[0], 255) << line;
    EXPECT_EQ(ReadPixel(10 + 1, line + 14)[0], 0) << line;
  }
  EXPECT_EQ(ReadPixel(10 + 1 + 2 * 2, 26 + 17)[0], 0);
}

}  // namespace
