// The building program's font without a GL context: loading (the full name for the files, a cut
// name in the record, a missing file ends the program), the scale, the measure and the quads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "apps/brumin/fonts.h"
#include "apps/brumin/textures.h"
#include "tests/apps/brumin/brumin_fixture.h"

using brumin::FontScale;
using brumin_test::CallsOf;
using brumin_test::GlCall;
using testing_support::FatalError;

namespace {

std::vector<std::pair<std::string, std::string>> g_boxes;

void PutFloat(std::string& s, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  for (int i = 0; i < 4; ++i) s += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

// Glyphs: x offset, advance, height, u0, v0, u1, v1.
struct Glyph {
  unsigned char c;
  float f[7];
};
constexpr float kInf = std::numeric_limits<float>::infinity();
const Glyph kGlyphs[] = {
    {'A', {9, 0.125f, 0.25f, 0.0f, 0.5f, 0.0625f, 0.75f}},
    {'B', {9, 0.25f, 0.5f, 0.25f, 0.5f, 0.375f, 1.0f}},
    {'\r', {0, 0.5f, 0.125f, 0.5f, 0.0f, 0.625f, 0.125f}},  // drawn as a glyph like any other
    {'x', {0, 0.5f, 0, 0, 0, 0, 0}},
    {'d', {0, 0.3f, 0, 0, 0, 0, 0}},
    {'n', {0, std::nanf(""), 1, 0, 0, 0, 0}},
    {'i', {0, 1, kInf, 0, 0, 0, 0}},
    {'h', {0, 3e9f, -3e9f, 0, 0, 0, 0}},
};

std::string GlyphTable() {
  std::string s;
  for (int c = 0; c < 256; ++c) {
    float f[7] = {};
    for (const Glyph& g : kGlyphs)
      if (g.c == c) std::memcpy(f, g.f, sizeof f);
    for (float v : f) PutFloat(s, v);
  }
  return s;
}

class BruminFonts : public brumin_test::BruminBase {
 protected:
  void SetUp() override {
    BruminBase::SetUp();
    brumin::CurrentFont = nullptr;
    FontScale = 0;
    SetTextPos(0, 0, 0);
    g_boxes.clear();
    platform::SetMessageBoxSink([](const std::string& caption, const std::string& text) {
      g_boxes.push_back({caption, text});
    });
  }
  void TearDown() override {
    platform::SetMessageBoxSink(nullptr);
    brumin::CurrentFont = nullptr;
    BruminBase::TearDown();
  }
  // The font "name": its glyph table and a picture 64 pixels wide.
  void WriteFont(const std::string& name) {
    Write("ui/" + name + ".fnt", GlyphTable());
    Write("ui/" + name + ".bmp", gfx_test::SolidBmp(64, 32, {255, 255, 255}));
  }
  brumin::TFont3D font_{};
};

TEST_F(BruminFonts, LoadsGlyphsAndPictureUnderTheFullNameAndKeepsTwentyCharactersOfIt) {
  const std::string name = "a-font-name-of-25-letters";
  ASSERT_EQ(name.size(), 25u);
  WriteFont(name);
  brumin::LoadFont(font_, name);
  EXPECT_EQ(font_.Name.str(), name.substr(0, 20));
  ASSERT_EQ(font_.Slot, 1);
  EXPECT_EQ(brumin::MeshTextureTable[1].FileName.str(), name + ".bmp");
  EXPECT_EQ(brumin::MeshTextureTable[1].Alpha, 1);  // black and magenta are transparent
  EXPECT_EQ(font_.Width, 64.0f);
  EXPECT_EQ(font_.Glyphs[static_cast<unsigned char>('B')].Advance, 0.25f);
  EXPECT_EQ(font_.Glyphs[static_cast<unsigned char>('B')].Top, 1.0f);
  // The advances and heights that are no finite number or pass the integer range: 0, one warning.
  for (unsigned char c : {'n', 'i', 'h'}) {
    EXPECT_EQ(font_.Glyphs[c].Advance, c == 'i' ? 1.0f : 0.0f) << c;
    EXPECT_EQ(font_.Glyphs[c].Height, c == 'n' ? 1.0f : 0.0f) << c;
  }
  ASSERT_EQ(Warnings().size(), 1u);
  EXPECT_NE(Warnings()[0].find("4 glyph advances or heights"), std::string::npos);
}

TEST_F(BruminFonts, MissingFontFileShowsItsBoxAndEndsTheProgram) {
  Write("ui/lonely.bmp", gfx_test::SolidBmp(8, 8, {1, 2, 3}));
  std::string ended;
  try {
    brumin::LoadFont(font_, "lonely");
  } catch (const FatalError& e) {
    ended = e.what();
  }
  EXPECT_EQ(ended, "Fontfile \"lonely.fnt\" missing!");
  EXPECT_EQ(g_boxes, (std::vector<std::pair<std::string, std::string>>{{"Brumin", "Fontfile \"lonely.fnt\" missing!"}}));
  EXPECT_EQ(brumin::MeshTextureCount, 0);  // the picture is not loaded
}

TEST_F(BruminFonts, SelectFontBindsThePictureAndSetsTheScaleThatCallersMayOverride) {
  WriteFont("times");
  brumin::LoadFont(font_, "times");
  brumin_test::Calls().clear();
  brumin::SelectFont(font_);
  EXPECT_EQ(FontScale, 64.0f);
  EXPECT_EQ(brumin::CurrentFont, &font_);
  EXPECT_EQ(CallsOf("glBindTexture"), (std::vector<GlCall>{{"glBindTexture", {3}}}));
  EXPECT_EQ(brumin::TextWidth("AB"), 24);
  FontScale = 128.0f;
  EXPECT_EQ(brumin::TextWidth("AB"), 48);
  brumin::DrawText("A");
  EXPECT_EQ(TextCursor.x, 16.0f);
  brumin::SelectFont(font_);
  EXPECT_EQ(FontScale, 64.0f);
}

TEST_F(BruminFonts, TextWidthSumsInDoubleAndRoundsHalvesToEvenSaturating) {
  WriteFont("times");
  brumin::LoadFont(font_, "times");
  brumin::SelectFont(font_);
  struct Case {
    float scale;
    std::string text;
    int32_t width;
  };
  const Case cases[] = {
      {64, "", 0},
      {64, "AB", 24},
      {64, "\r", 32},
      {5, "x", 2},                        // 2.5
      {5, "xxx", 8},                      // 7.5
      {1, std::string(15, 'd'), 5},       // 4.50000018 in double (4.5 exactly when summed in floats)
      {1, std::string(65, 'd'), 20},      // 19.5000008 in double (19.499998 in floats)
      {1e10f, "B", INT32_MAX},
      {-1e10f, "B", INT32_MIN},
      {std::nanf(""), "A", 0},
      {1, std::string(300, 'x'), 128},    // the first 255 characters count
  };
  for (const Case& c : cases) {
    FontScale = c.scale;
    EXPECT_EQ(brumin::TextWidth(c.text), c.width) << c.scale << " " << c.text.size();
  }
}

TEST_F(BruminFonts, DrawTextLaysOneQuadACharacterAndLeavesTheCursorBehindTheText) {
  WriteFont("times");
  brumin::LoadFont(font_, "times");
  brumin::SelectFont(font_);
  SetTextPos(0, 10, -1);
  brumin_test::Calls().clear();
  brumin::DrawText("AB");
  const float polygon = float(brumin::kGlPolygon);
  // A: w = 0.0625 x 64 = 4, h = 0.25 x 64 = 16; B from x = 8: w = 8, h = 32.
  const std::vector<GlCall> expected = {
      {"glBegin", {polygon}},
      {"glTexCoord2f", {0, 0.5f}},      {"glVertex3f", {0, 10, -1}},
      {"glTexCoord2f", {0.0625f, 0.5f}}, {"glVertex3f", {4, 10, -1}},
      {"glTexCoord2f", {0.0625f, 0.75f}}, {"glVertex3f", {4, 26, -1}},
      {"glTexCoord2f", {0, 0.75f}},     {"glVertex3f", {0, 26, -1}},
      {"glEnd", {}},
      {"glBegin", {polygon}},
      {"glTexCoord2f", {0.25f, 0.5f}},  {"glVertex3f", {8, 10, -1}},
      {"glTexCoord2f", {0.375f, 0.5f}}, {"glVertex3f", {16, 10, -1}},
      {"glTexCoord2f", {0.375f, 1}},    {"glVertex3f", {16, 42, -1}},
      {"glTexCoord2f", {0.25f, 1}},     {"glVertex3f", {8, 42, -1}},
      {"glEnd", {}},
  };
  EXPECT_EQ(brumin_test::Calls(), expected);
  EXPECT_EQ(TextCursor.x, 24.0f);  // (0.125 + 0.25) x 64
  EXPECT_EQ(TextCursor.y, 10.0f);
  // A carriage return is a glyph: no new line.
  brumin_test::Calls().clear();
  brumin::DrawText("\rA");
  EXPECT_EQ(CallsOf("glBegin").size(), 2u);
  EXPECT_EQ(TextCursor.x, 24.0f + 32.0f + 8.0f);
  EXPECT_EQ(TextCursor.y, 10.0f);
}

TEST_F(BruminFonts, WithoutASelectedFontNothingIsMeasuredOrDrawn) {
  FontScale = 64;
  EXPECT_EQ(brumin::TextWidth("AB"), 0);
  brumin::DrawText("AB");
  EXPECT_TRUE(brumin_test::Calls().empty());
  EXPECT_EQ(TextCursor.x, 0.0f);
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"Font3D: TextWidth: no font is selected",
                                                  "Font3D: DrawText: no font is selected"}));
}

}  // namespace
