// Fonts without a GL context: the glyph table, the text measures and the layout of the batches
// that would be drawn.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <limits>
#include <unistd.h>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/render/fonts.h"
#include "engine/render/graphics.h"
#include "engine/render/texturefiles.h"
#include "platform/platform.h"
#include "tests/support/gfx_test_files.h"
#include "tests/support/test_support.h"

using gfx_test::WriteSolidBmp;
using testing_support::FatalError;
using testing_support::MakeTempFolder;
using testing_support::WriteFileBytes;

namespace {

std::vector<std::vector<TInterleavedVertex>> g_batches;

void RecordBatch(const TInterleavedVertex* v, int32_t count) { g_batches.emplace_back(v, v + count); }

void PutFloat(std::string& s, float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  for (int i = 0; i < 4; ++i) s += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

// A glyph table in which glyph c has the fields (c, 0.01 c, 0.02 c, ...); 'A', 'B' and 'X' get
// glyphs that the layout tests can follow.
std::string FontFileBytes() {
  std::string s;
  for (int c = 0; c < 256; ++c) {
    float f[7] = {float(c), 0.001f * c, 0.002f * c, 0.003f * c, 0.004f * c, 0.005f * c, 0.006f * c};
    if (c == 'A' || c == 'B' || c == 'X') {
      const float left = c == 'A' ? 0.0f : c == 'B' ? 0.25f : 0.5f;
      f[1] = 0.125f;  // advance
      f[2] = 0.25f;   // height
      f[3] = left;
      f[4] = 0.5f;
      f[5] = left + 0.0625f;
      f[6] = 0.75f;
    }
    for (float v : f) PutFloat(s, v);
  }
  return s;
}

class Fonts : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    base_ = MakeTempFolder("font");
    for (const char* sub : {"ui", "gfx"}) std::filesystem::create_directory(base_ + sub);
    WriteSolidBmp(base_ + "gfx/NOTEXTURE.BMP", 16);
    ASSERT_EQ(chdir(base_.c_str()), 0);
    InitTextureTable();
    Gra_ResetProcs();
    BlendModeCache = 0;
    CurrentFont = nullptr;
    g_batches.clear();
    testing_support::CaptureDebugger();
    font3d_test::SetBatchDrawer(RecordBatch);
  }
  void TearDown() override {
    font3d_test::SetBatchDrawer(nullptr);
    platform::SetDebuggerSink(nullptr);
    CurrentFont = nullptr;
    InitTextureTable();
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }
  // A font "name" with the test glyph table and a picture of 64 x 32 pixels.
  void WriteFont(const std::string& name, const std::string& table) {
    WriteFileBytes(base_ + "ui/" + name + ".fnt", table);
    testing_support::WriteFileBytes(base_ + "ui/" + name + ".bmp", gfx_test::SolidBmp(64, 32, {255, 0, 255}));
  }
  std::string oldDir_, base_;
};

TEST_F(Fonts, LoadFontReadsTheGlyphTableAndItsPicture) {
  WriteFont("times", FontFileBytes());
  TFont3D font{};
  LoadFont(font, "times");
  EXPECT_EQ(font.Name.str(), "times");
  EXPECT_EQ(font.Alpha, 0);
  EXPECT_EQ(font.TextureSlot, 1);  // a user-interface texture
  EXPECT_EQ(TextureTable[1].Name.str(), "TIMES.BMP");
  EXPECT_EQ(TextureTable[1].State, 1);
  EXPECT_EQ(TextureTable[1].Smooth, 0);
  EXPECT_FLOAT_EQ(font.XScale, 64.0f);
  EXPECT_FLOAT_EQ(font.YScale, 32.0f);
  const TFontGlyph& g = font.Glyphs[200];  // the fields in file order
  EXPECT_FLOAT_EQ(g.XOffset, 200.0f);
  EXPECT_FLOAT_EQ(g.Advance, 0.2f);
  EXPECT_FLOAT_EQ(g.Height, 0.4f);
  EXPECT_FLOAT_EQ(g.Left, 0.6f);
  EXPECT_FLOAT_EQ(g.Bottom, 0.8f);
  EXPECT_FLOAT_EQ(g.Right, 1.0f);
  EXPECT_FLOAT_EQ(g.Top, 1.2f);
  EXPECT_TRUE(testing_support::Warnings().empty());
}

TEST_F(Fonts, AlphaFontUsesPackedTexelsAndBlendMode2) {
  WriteFont("smallalpha", FontFileBytes());
  WriteFont("Big-ALPHA", FontFileBytes());
  TFont3D alpha{}, upper{};
  LoadFont(alpha, "smallalpha");
  LoadFont(upper, "Big-ALPHA");  // the name is matched as written
  EXPECT_EQ(alpha.Alpha, 1);
  EXPECT_EQ(TextureTable[alpha.TextureSlot].State, 3);
  EXPECT_EQ(upper.Alpha, 0);
  EXPECT_EQ(TextureTable[upper.TextureSlot].State, 1);

  SelectFont(&alpha);
  DrawText("A");
  EXPECT_EQ(BlendModeCache, 2);
  SelectFont(&upper);
  DrawText("A");
  EXPECT_EQ(BlendModeCache, 1);
}

TEST_F(Fonts, ShortFontFileIsCompletedWithEmptyGlyphs) {
  WriteFont("cut", FontFileBytes().substr(0, 28 * 66));
  TFont3D font{};
  LoadFont(font, "cut");
  EXPECT_FLOAT_EQ(font.Glyphs[65].Advance, 0.125f);
  EXPECT_FLOAT_EQ(font.Glyphs[66].Advance, 0.0f);
  EXPECT_FLOAT_EQ(font.Glyphs[255].Top, 0.0f);
  EXPECT_EQ(testing_support::Warnings(), std::vector<std::string>{
                            "WARNING: Font3D: LoadFont: ui\\cut.fnt is shorter than 7168 bytes, the missing glyphs are empty"});
}

// Advances and heights become integers in the measures: a value that is no finite number or
// lies beyond the integer range is warned once for the font and taken as 0.
TEST_F(Fonts, UnusableAdvancesAndHeightsAreTakenAs0) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  struct Case {
    unsigned char c;
    float advance, height;
    float loadedAdvance, loadedHeight;
  };
  const Case cases[] = {
      {'a', std::numeric_limits<float>::quiet_NaN(), 0.5f, 0.0f, 0.5f},
      {'b', kInf, -kInf, 0.0f, 0.0f},
      {'c', 0.25f, std::numeric_limits<float>::quiet_NaN(), 0.25f, 0.0f},
      {'d', 3e9f, -3e9f, 0.0f, 0.0f},  // beyond the integer range
      {'e', 2e9f, -2e9f, 2e9f, -2e9f},  // within it: kept
  };
  std::string table = FontFileBytes();
  for (const Case& k : cases) {
    std::string glyph;
    for (float v : {0.0f, k.advance, k.height, 0.0f, 0.0f, 0.0f, 0.0f}) PutFloat(glyph, v);
    table.replace(28 * k.c, 28, glyph);
  }
  WriteFont("odd", table);
  TFont3D font{};
  LoadFont(font, "odd");
  for (const Case& k : cases) {
    EXPECT_EQ(font.Glyphs[k.c].Advance, k.loadedAdvance) << k.c;
    EXPECT_EQ(font.Glyphs[k.c].Height, k.loadedHeight) << k.c;
  }
  EXPECT_EQ(testing_support::Warnings(),
            std::vector<std::string>{"WARNING: Font3D: LoadFont: ui\\odd.fnt: 6 glyph advances or heights are not finite "
                                     "or beyond the integer range, 0 is used"});
  SelectFont(&font);  // x scale 64, y scale 32
  EXPECT_EQ(TextWidth("abcd"), 16);
  EXPECT_EQ(TextHeight("abcd"), 16);
  // A kept value that the scale carries beyond the integer range saturates.
  EXPECT_EQ(TextWidth("e"), std::numeric_limits<int32_t>::max());
  font.Glyphs[uint8_t{'e'}].Advance = -2e9f;
  EXPECT_EQ(TextWidth("e"), std::numeric_limits<int32_t>::min());
  font.Glyphs[uint8_t{'e'}].Height = 2e9f;
  EXPECT_EQ(TextHeight("e"), std::numeric_limits<int32_t>::max());
}

TEST_F(Fonts, MissingFilesOfAFont) {
  // Without its glyph table a font is fatal in the repository layer.
  TFont3D font{};
  try {
    LoadFont(font, "nothere");
    ADD_FAILURE() << "no fatal stop";
  } catch (const FatalError& e) {
    EXPECT_NE(std::string(e.what()).find("xReset"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("UI\\NOTHERE.FNT"), std::string::npos) << e.what();
  }
  // Without its picture it takes the placeholder, with its warning.
  WriteFileBytes(base_ + "ui/nopic.fnt", FontFileBytes());
  LoadFont(font, "nopic");
  EXPECT_EQ(TextureTable[font.TextureSlot].Name.str(), "NOPIC.BMP");
  EXPECT_FLOAT_EQ(font.XScale, 16.0f);
  EXPECT_EQ(testing_support::Warnings(), std::vector<std::string>{"Filehandling.LoadTexture: - NOPIC.BMP not found!"});
}

TEST_F(Fonts, SelectFontNeedsAFontAndResetsTheScale) {
  try {
    SelectFont(nullptr);
    ADD_FAILURE() << "no fatal stop";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(), "FATAL ERROR: ERROR: Selected Font is NIL PROGRAM TERMINATES!");
  }
  WriteFont("times", FontFileBytes());
  TFont3D font{};
  LoadFont(font, "times");
  SelectFont(&font);
  SetFontScale(0.5f);
  EXPECT_FLOAT_EQ(font.XScale, 32.0f);
  EXPECT_FLOAT_EQ(font.YScale, 16.0f);
  SelectFont(&font);
  EXPECT_FLOAT_EQ(font.XScale, 64.0f);
  EXPECT_FLOAT_EQ(font.YScale, 32.0f);
  EXPECT_EQ(CurrentTexture, font.TextureSlot);
  EXPECT_EQ(TexturingOn, 1);
}

TEST_F(Fonts, TextWidthAndHeightRoundHalvesToEven) {
  TFont3D font{};
  CurrentFont = &font;
  font.XScale = 256.0f;
  font.YScale = 100.0f;
  font.Glyphs[uint8_t{'a'}].Advance = 0.03f;
  font.Glyphs[uint8_t{'b'}].Advance = 0.04f;
  EXPECT_EQ(TextWidth("ab"), 18);  // round(17.92)
  EXPECT_EQ(TextWidth(""), 0);
  EXPECT_EQ(TextHeight(""), 0);
  font.XScale = 1.0f;
  struct Case {
    float advance;
    int32_t width;
  };
  for (const Case& c : {Case{0.5f, 0}, Case{1.5f, 2}, Case{2.5f, 2}, Case{3.5f, 4}, Case{-0.75f, -1}}) {
    font.Glyphs[uint8_t{'c'}].Advance = c.advance;
    EXPECT_EQ(TextWidth("c"), c.width) << c.advance;
  }
  font.Glyphs[uint8_t{'h'}].Height = 0.125f;
  font.Glyphs[uint8_t{'i'}].Height = 0.205f;
  font.Glyphs[uint8_t{'j'}].Height = -1.0f;
  EXPECT_EQ(TextHeight("hij"), 20);  // the tallest glyph
  EXPECT_EQ(TextHeight("j"), 0);     // never below 0
  // Texts longer than 255 characters are measured up to their 255th.
  font.Glyphs[uint8_t{'c'}].Advance = 1.0f;
  EXPECT_EQ(TextWidth(std::string(300, 'c')), 255);
}

TEST_F(Fonts, GlyphIsTwoTrianglesAtTheCursor) {
  WriteFont("times", FontFileBytes());
  TFont3D font{};
  LoadFont(font, "times");
  SelectFont(&font);
  SetTextPos(10.0f, 20.0f, -3.0f);
  DrawText("A");
  ASSERT_EQ(g_batches.size(), 1u);
  ASSERT_EQ(g_batches[0].size(), 6u);
  // Glyph A: u 0 to 0.0625 (4 units of the 64-wide picture), v 0.5 to 0.75, height 0.25 (8 units).
  const float expected[6][5] = {{10, 20, -3, 0, 0.5f},   {14, 20, -3, 0.0625f, 0.5f}, {14, 28, -3, 0.0625f, 0.75f},
                                {10, 20, -3, 0, 0.5f},   {14, 28, -3, 0.0625f, 0.75f}, {10, 28, -3, 0, 0.75f}};
  for (int i = 0; i < 6; ++i) {
    const TInterleavedVertex& v = g_batches[0][i];
    EXPECT_FLOAT_EQ(v.x, expected[i][0]) << i;
    EXPECT_FLOAT_EQ(v.y, expected[i][1]) << i;
    EXPECT_FLOAT_EQ(v.z, expected[i][2]) << i;
    EXPECT_FLOAT_EQ(v.u, expected[i][3]) << i;
    EXPECT_FLOAT_EQ(v.v, expected[i][4]) << i;
    EXPECT_EQ(v.r & v.g & v.b & v.a, 255) << i;
  }
  // The cursor moved by the advance (0.125 of 64).
  EXPECT_FLOAT_EQ(TextCursor.x, 18.0f);
  EXPECT_FLOAT_EQ(TextCursor.y, 20.0f);
}

TEST_F(Fonts, CarriageReturnStartsALineOneLineHigherAndLineFeedsAreDropped) {
  WriteFont("times", FontFileBytes());
  TFont3D font{};
  LoadFont(font, "times");
  SelectFont(&font);
  SetTextPos(5.0f, 7.0f, 1.0f);
  DrawText("AA\r\nB\n");
  ASSERT_EQ(g_batches.size(), 2u);  // one batch a line
  ASSERT_EQ(g_batches[0].size(), 12u);
  ASSERT_EQ(g_batches[1].size(), 6u);
  EXPECT_FLOAT_EQ(g_batches[0][0].x, 5.0f);
  EXPECT_FLOAT_EQ(g_batches[0][6].x, 13.0f);
  // B at the starting x, one line height (the height of X: 0.25 of 32) higher.
  EXPECT_FLOAT_EQ(g_batches[1][0].x, 5.0f);
  EXPECT_FLOAT_EQ(g_batches[1][0].y, 15.0f);
  EXPECT_FLOAT_EQ(g_batches[1][0].u, 0.25f);
  EXPECT_FLOAT_EQ(g_batches[1][0].z, 1.0f);
  // The cursor stays after the last glyph of the last line.
  EXPECT_FLOAT_EQ(TextCursor.x, 13.0f);
  EXPECT_FLOAT_EQ(TextCursor.y, 15.0f);

  // A text that ends in CR draws its last, empty line as nothing.
  g_batches.clear();
  SetTextPos(0.0f, 0.0f, 0.0f);
  DrawText("A\r");
  EXPECT_EQ(g_batches.size(), 1u);
  EXPECT_FLOAT_EQ(TextCursor.y, 8.0f);
}

TEST_F(Fonts, BatchesAreFlushedWhenTheyPass300Vertices) {
  WriteFont("times", FontFileBytes());
  TFont3D font{};
  LoadFont(font, "times");
  SelectFont(&font);
  struct Case {
    size_t length;
    std::vector<size_t> batches;
  };
  const Case cases[] = {{0, {}}, {1, {6}}, {50, {300}}, {51, {306}}, {52, {306, 6}}, {60, {306, 54}}, {102, {306, 306}},
                        {103, {306, 306, 6}}};
  for (const Case& c : cases) {
    g_batches.clear();
    SetTextPos(0.0f, 0.0f, 0.0f);
    DrawText(std::string(c.length, 'B'));
    std::vector<size_t> sizes;
    for (const auto& b : g_batches) sizes.push_back(b.size());
    EXPECT_EQ(sizes, c.batches) << c.length;
    // The glyphs run on across batches.
    if (!g_batches.empty()) {
      EXPECT_FLOAT_EQ(g_batches.back().back().x, (c.length - 1) * 8.0f);
    }
  }
}

TEST_F(Fonts, NothingIsDrawnWithoutASelectedFont) {
  DrawText("AB");
  EXPECT_TRUE(g_batches.empty());
  EXPECT_EQ(TextWidth("AB"), 0);
}

}  // namespace
