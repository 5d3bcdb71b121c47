#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/files/bmp.h"
#include "engine/render/graphics.h"
#include "platform/platform.h"
#include "tests/support/gfx_test_files.h"
#include "tests/support/test_support.h"

using gfx_test::Bgr;
using gfx_test::BmpBytes;
using gfx_test::Pixels;
using testing_support::FatalError;
using testing_support::MakeTempFolder;
using testing_support::WriteFileBytes;

namespace {


class BmpFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeTempFolder("bmp");
    testing_support::CaptureDebugger();
  }
  void TearDown() override { platform::SetDebuggerSink(nullptr); }
  std::string folder_;
};

// ---- Pixel states ----

struct PixelCase {
  const char* what;
  uint8_t state;
  Bgr in;
  std::vector<uint8_t> pixel;  // R, G, B (and A)
  int32_t word;                // -1: no word for this state
};

TEST(TexturePixels, EachStateConvertsByItsRule) {
  const PixelCase cases[] = {
      {"state 0 white", 0, {255, 255, 255}, {255, 255, 255}, 0xFFDF},
      {"state 0 red", 0, {0, 0, 255}, {255, 0, 0}, 0xF800},
      {"state 0 green keeps five bits, shifted into six", 0, {0, 255, 0}, {0, 255, 0}, 0x07C0},
      {"state 0 low bits dropped", 0, {24, 16, 8}, {8, 16, 24}, 0x0883},
      {"state 1 magenta becomes transparent grey", 1, {255, 0, 255}, {100, 100, 100, 0}, 0x318C},
      {"state 1 white", 1, {255, 255, 255}, {255, 255, 255, 255}, 0xFFFF},
      {"state 1 nearly magenta stays opaque", 1, {255, 0, 254}, {254, 0, 255, 255}, 0xFC1F},
      {"state 1 black", 1, {0, 0, 0}, {0, 0, 0, 255}, 0x8000},
      {"state 2 alpha from red", 2, {20, 10, 200}, {0, 0, 0, 200}, -1},
      {"state 2 black is transparent", 2, {0, 0, 0}, {0, 0, 0, 0}, -1},
      {"state 2 no red but green", 2, {0, 1, 0}, {0, 0, 0, 5}, -1},
      {"state 2 no red but blue", 2, {7, 0, 0}, {0, 0, 0, 5}, -1},
      {"state 3 red byte spans two channels", 3, {0, 0, 255}, {252, 12, 0, 0}, -1},
      {"state 3 all bits set", 3, {255, 255, 255}, {252, 252, 252, 252}, -1},
      {"state 3 alpha in the blue byte", 3, {0xFC, 0, 0}, {0, 0, 0, 252}, -1},
  };
  for (const PixelCase& c : cases) {
    uint8_t bgr[3] = {c.in.b, c.in.g, c.in.r};
    uint8_t pixel[4] = {};
    uint16_t word = 0;
    ConvertTexturePixels(c.state, bgr, 1, pixel, c.word >= 0 ? &word : nullptr);
    EXPECT_EQ(std::vector<uint8_t>(pixel, pixel + c.pixel.size()), c.pixel) << c.what;
    if (c.word >= 0) {
      EXPECT_EQ(word, c.word) << c.what;
    }
  }
}

TEST(TexturePixels, AlphaFromRedLooksOnlyAtItsOwnPixel) {
  // A black pixel followed by a blue one: the byte after the first pixel is not its own.
  const uint8_t bgr[6] = {0, 0, 0, 255, 0, 0};
  uint8_t pixels[8] = {};
  ConvertTexturePixels(2, bgr, 2, pixels, nullptr);
  EXPECT_EQ(pixels[3], 0);
  EXPECT_EQ(pixels[7], 5);
}

// ---- Halving ----

struct HalveCase {
  const char* what;
  bool colourKey;
  Bgr block[4];  // the 2 x 2 block at the first two rows and columns
  Bgr expected;
};

TEST(BmpHalving, TwoByTwoBlocksAverageOrKeepTheColourKey) {
  const Bgr m = {255, 0, 255};
  const HalveCase cases[] = {
      {"plain average truncates", false, {{10, 20, 30}, {11, 21, 31}, {12, 22, 32}, {14, 24, 34}}, {11, 21, 31}},
      {"without the key magenta is averaged", false, {m, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {63, 0, 63}},
      {"one magenta is left out", true, {m, {30, 60, 90}, {31, 61, 91}, {33, 63, 93}}, {31, 61, 91}},
      {"two magenta give magenta", true, {m, {30, 60, 90}, m, {33, 63, 93}}, m},
      {"three magenta give magenta", true, {m, m, {1, 2, 3}, m}, m},
      {"four magenta give magenta", true, {m, m, m, m}, m},
      {"no magenta averages all four", true, {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {4, 4, 4}}, {1, 1, 1}},
  };
  for (const HalveCase& c : cases) {
    TBMP bmp;
    bmp.Width = 8;
    bmp.Height = 8;
    std::vector<uint8_t> buf(8 * 8 * 3, 77);
    const int index[4] = {0, 1, 8, 9};  // (row 0, col 0), (0, 1), (1, 0), (1, 1)
    for (int k = 0; k < 4; ++k) std::memcpy(&buf[index[k] * 3], &c.block[k], 3);
    bmp.Halve(buf.data(), buf.size(), 1, c.colourKey);
    EXPECT_EQ(bmp.Width, 4) << c.what;
    EXPECT_EQ(bmp.Height, 4) << c.what;
    EXPECT_EQ(buf[0], c.expected.b) << c.what;
    EXPECT_EQ(buf[1], c.expected.g) << c.what;
    EXPECT_EQ(buf[2], c.expected.r) << c.what;
  }
}

TEST(BmpHalving, PacksTheHalfImageInRowOrderOverRepeatedSteps) {
  // Every source byte tells its place; after two halvings each output pixel is the mean of a
  // 4 x 4 source block, found at row r, column c of the quarter-size image.
  TBMP bmp;
  bmp.Width = 16;
  bmp.Height = 16;
  std::vector<uint8_t> buf(16 * 16 * 3);
  for (int row = 0; row < 16; ++row)
    for (int col = 0; col < 16; ++col) {
      buf[(row * 16 + col) * 3] = static_cast<uint8_t>(col * 8);
      buf[(row * 16 + col) * 3 + 1] = static_cast<uint8_t>(row * 16);
      buf[(row * 16 + col) * 3 + 2] = static_cast<uint8_t>(row * 16 + col);
    }
  bmp.Halve(buf.data(), buf.size(), 2, false);
  ASSERT_EQ(bmp.Width, 4);
  ASSERT_EQ(bmp.Height, 4);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      // Means of 4 consecutive values starting at 4c (columns) and 4r (rows), truncated twice.
      const int colMean = ((8 * (4 * c) + 8 * (4 * c + 1)) / 2 + (8 * (4 * c + 2) + 8 * (4 * c + 3)) / 2) / 2;
      const int rowMean = ((16 * (4 * r) + 16 * (4 * r + 1)) / 2 + (16 * (4 * r + 2) + 16 * (4 * r + 3)) / 2) / 2;
      EXPECT_EQ(buf[(r * 4 + c) * 3], colMean) << r << "," << c;
      EXPECT_EQ(buf[(r * 4 + c) * 3 + 1], rowMean) << r << "," << c;
    }
}

TEST(BmpHalving, BufferSmallerThanTheBitmapIsLeftAlone) {
  TBMP bmp;
  bmp.Width = 8;
  bmp.Height = 8;
  std::vector<uint8_t> buf(8 * 4 * 3, 9);
  bmp.Halve(buf.data(), buf.size(), 1, false);
  EXPECT_EQ(bmp.Width, 8);
  EXPECT_EQ(buf, std::vector<uint8_t>(8 * 4 * 3, 9));
}

// ---- Shrink rules ----

TEST_F(BmpFiles, ShrinkFactorIsLoweredUntilBothSidesStayAtLeastFour) {
  struct Case {
    int32_t width, height;
    uint8_t shrink;
    uint8_t checked;
    size_t warnings;
  };
  const Case cases[] = {
      {256, 128, 2, 2, 0}, {8, 8, 2, 1, 1}, {2048, 4, 3, 0, 3}, {4, 4, 0, 0, 0}, {2048, 2048, 255, 9, 246},
  };
  for (const Case& c : cases) {
    testing_support::Warnings().clear();
    TBMP bmp;
    bmp.Width = c.width;
    bmp.Height = c.height;
    bmp.Name = "gfx\\X.BMP";
    EXPECT_EQ(bmp.CheckShrinkFactor(c.shrink), c.checked) << c.width << "x" << c.height;
    ASSERT_EQ(testing_support::Warnings().size(), c.warnings) << c.width << "x" << c.height;
    for (const std::string& w : testing_support::Warnings())
      EXPECT_EQ(w, "INFO: TBMP: CheckShrinkFactor: The Bitmap will be to small!gfx\\X.BMP");
    EXPECT_EQ(bmp.ShrunkWidth(c.shrink), c.width >> c.checked);
    EXPECT_EQ(bmp.ShrunkHeight(c.shrink), c.height >> c.checked);
  }
}

TEST_F(BmpFiles, SideBelowFourIsFatalWhateverTheShrink) {
  for (int32_t side : {1, 2}) {
    TBMP bmp;
    bmp.Width = side;
    bmp.Height = 16;
    try {
      bmp.CheckShrinkFactor(0);
      ADD_FAILURE() << "no fatal stop for side " << side;
    } catch (const FatalError& e) {
      EXPECT_STREQ(e.what(), "FATAL ERROR: ERROR: TBMP: CheckShrinkFactor: The Bitmap is to small! PROGRAM TERMINATES!");
    }
  }
}

// ---- Header ----

TEST_F(BmpFiles, RefusedHeadersAreWarnedAndReadAsFourByFour) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"4096 wide", BmpBytes(4096, 4, 24, "")},
      {"300 wide", BmpBytes(300, 4, 24, "")},
      {"8 bits a pixel", BmpBytes(8, 8, 8, "")},
      {"top-down (negative height)", BmpBytes(8, -8, 24, "")},
      {"zero width", BmpBytes(0, 8, 24, "")},
      {"file shorter than its headers", std::string("BM\x10\x00", 4)},
  };
  for (const Case& c : cases) {
    testing_support::Warnings().clear();
    const std::string path = folder_ + "bad.bmp";
    WriteFileBytes(path, c.bytes);
    TBMP bmp;
    ASSERT_TRUE(bmp.GetInfoOfFile(path)) << c.what;
    EXPECT_EQ(bmp.Width, 4) << c.what;
    EXPECT_EQ(bmp.Height, 4) << c.what;
    EXPECT_EQ(bmp.Name, path);
    ASSERT_FALSE(testing_support::Warnings().empty()) << c.what;
    EXPECT_EQ(testing_support::Warnings()[0],
              "ERROR: TBMP: GetInfoOfFile: The Bitmap is to big, have wrong size or have not 24 Bit: " + path)
        << c.what;
  }
}

TEST_F(BmpFiles, GoodHeaderGivesItsSidesAndMissingFileGivesFalse) {
  WriteFileBytes(folder_ + "long.bmp", BmpBytes(2048, 4, 24, ""));
  TBMP bmp;
  ASSERT_TRUE(bmp.GetInfoOfFile(folder_ + "long.bmp"));
  EXPECT_EQ(bmp.Width, 2048);
  EXPECT_EQ(bmp.Height, 4);
  EXPECT_TRUE(testing_support::Warnings().empty());
  TBMP none;
  EXPECT_FALSE(none.GetInfoOfFile(folder_ + "none.bmp"));
  EXPECT_TRUE(testing_support::Warnings().empty());
}

// ---- Pixels ----

TEST_F(BmpFiles, PixelsStartAtOffset54WhateverTheHeaderSays) {
  const std::string pixels = Pixels(4, 4, [](int32_t x, int32_t row) {
    return Bgr{static_cast<uint8_t>(x), static_cast<uint8_t>(row), 200};
  });
  WriteFileBytes(folder_ + "p.bmp", BmpBytes(4, 4, 24, pixels, 1000));
  TBMP bmp;
  ASSERT_TRUE(bmp.GetInfoOfFile(folder_ + "p.bmp"));
  std::vector<uint8_t> buf(48);
  ASSERT_TRUE(bmp.ReadPixels(folder_ + "p.bmp", buf.data(), buf.size()));
  EXPECT_EQ(std::string(buf.begin(), buf.end()), pixels);
  EXPECT_TRUE(testing_support::Warnings().empty());
}

TEST_F(BmpFiles, ShortFileIsFilledWithBlackAndWarned) {
  WriteFileBytes(folder_ + "short.bmp", BmpBytes(4, 4, 24, std::string(30, '\x55')));
  TBMP bmp;
  ASSERT_TRUE(bmp.GetInfoOfFile(folder_ + "short.bmp"));
  std::vector<uint8_t> buf(48, 0xEE);
  ASSERT_TRUE(bmp.ReadPixels(folder_ + "short.bmp", buf.data(), buf.size()));
  EXPECT_EQ(std::vector<uint8_t>(buf.begin(), buf.begin() + 30), std::vector<uint8_t>(30, 0x55));
  EXPECT_EQ(std::vector<uint8_t>(buf.begin() + 30, buf.end()), std::vector<uint8_t>(18, 0));
  ASSERT_EQ(testing_support::Warnings().size(), 1u);
  EXPECT_EQ(testing_support::Warnings()[0],
            "WARNING: TBMP: ReadPixels: The Bitmap file is too short, missing pixels are black: " + folder_ + "short.bmp");
}

TEST_F(BmpFiles, ReadPixelsNeverWritesPastItsBufferAndMissingFileGivesFalse) {
  WriteFileBytes(folder_ + "p.bmp", gfx_test::SolidBmp(8, 8, {1, 2, 3}));
  TBMP bmp;
  ASSERT_TRUE(bmp.GetInfoOfFile(folder_ + "p.bmp"));
  std::vector<uint8_t> small(10);
  ASSERT_TRUE(bmp.ReadPixels(folder_ + "p.bmp", small.data(), small.size()));
  EXPECT_EQ(small[9], 1);
  EXPECT_FALSE(bmp.ReadPixels(folder_ + "gone.bmp", small.data(), small.size()));
}

}  // namespace
