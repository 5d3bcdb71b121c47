// The building program's texture table without a GL context: slots by exact name, missing and
// refused files, animation rings, ".ANI" redirection, the transparency of black and magenta and
// the binds.
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

#include "apps/brumin/textures.h"
#include "tests/apps/brumin/brumin_fixture.h"

using brumin::LoadMeshTexture;
using brumin::LoadTextureByName;
using brumin::MeshTextureCount;
using brumin::MeshTextureTable;
using brumin_test::CallsOf;
using brumin_test::GlCall;
using brumin_test::Uploads;
using gfx_test::Bgr;

namespace {

class BruminTextures : public brumin_test::BruminBase {};

const brumin::TMeshTexture& Slot(int i) { return MeshTextureTable[i]; }

TEST_F(BruminTextures, SlotsFollowTheExactNameAndAMissingFileCopiesTheSlotBeforeIt) {
  WriteBmp("gfx/a.bmp", 4);
  WriteBmp("gfx_hi/b.bmp", 8);
  WriteBmp("ui/c.bmp", 16);
  WriteBmp("gfx/d.bmp", 4, {0, 0, 255});  // in gfx\ and gfx_hi\: gfx\ comes first
  WriteBmp("gfx_hi/d.bmp", 4, {255, 0, 0});
  struct Step {
    const char* name;
    uint16_t result;
    uint16_t count;  // MeshTextureCount after the request
  };
  const Step steps[] = {
      {"a.bmp", 1, 1},    {"a.bmp", 1, 1},     // the same name, the same slot
      {"A.BMP", 2, 2},                         // another letter case: a slot of its own (same file)
      {"b.bmp", 3, 3},    {"c.bmp", 4, 4},     // found in gfx_hi\ and in ui\  .
      {"gone.bmp", 0, 5},                      // the fifth request is missing: slot 5 is taken
      {"gone.bmp", 0, 5}, {"GONE.BMP", 0, 6},  // known missing: no slot; another case is a new name
      {"d.bmp", 7, 7},    {"a.bmp", 1, 7},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(LoadTextureByName(s.name, false), s.result) << s.name;
    EXPECT_EQ(MeshTextureCount, s.count) << s.name;
  }
  EXPECT_EQ(Slot(2).FileName.str(), "A.BMP");
  EXPECT_EQ(Slot(3).Width, 8);
  EXPECT_EQ(Slot(4).Width, 16);
  // The missing texture's slot repeats slot 4, its name included.
  EXPECT_EQ(Slot(5).FileName.str(), "c.bmp");
  EXPECT_EQ(Slot(5).Width, 16);
  EXPECT_EQ(Slot(5).FrameNames[0], Slot(4).FrameNames[0]);
  // d.bmp is red in gfx\ and blue in gfx_hi\ .
  ASSERT_EQ(Slot(7).Pixels.size(), 48u);
  EXPECT_EQ(Slot(7).Pixels[0], 255);
  EXPECT_EQ(Slot(7).Pixels[2], 0);
  // Each missing name is logged once, in file order, under the log's heading.
  EXPECT_EQ(Log(), "Mesh3D-Fehlermeldungen:\r\nDatei gone.bmp nicht existent!\r\nDatei GONE.BMP nicht existent!\r\n");
  // GL names count from 3, one per upload; every frame of a slot holds its name.
  EXPECT_EQ(Slot(1).FrameNames[0], 3u);
  EXPECT_EQ(Slot(2).FrameNames[0], 4u);
  for (uint32_t name : Slot(3).FrameNames) EXPECT_EQ(name, 5u);
  EXPECT_EQ(Uploads().size(), 5u);
}

TEST_F(BruminTextures, MissingFirstTextureLeavesSlotOneEmpty) {
  EXPECT_EQ(LoadTextureByName("gone.bmp", true), 0);
  EXPECT_EQ(MeshTextureCount, 1);
  EXPECT_TRUE(Slot(1).FileName.empty());
  EXPECT_EQ(Slot(1).Width, 0);
  EXPECT_EQ(Slot(1).FrameNames[0], 0u);
  EXPECT_EQ(LoadTextureByName("", false), 0);  // an empty name names no file and takes no slot
  EXPECT_EQ(MeshTextureCount, 1);
}

TEST_F(BruminTextures, LogFileStaysInTheFolderCurrentAtStartAndStartsAfreshEachRun) {
  Write("logfile.txt", "old run\r\n");
  brumin::InitMeshUnit();
  EXPECT_FALSE(std::filesystem::exists(base_ + "logfile.txt"));
  const std::string elsewhere = testing_support::MakeTempFolder("elsewhere");
  ASSERT_EQ(chdir(elsewhere.c_str()), 0);
  LoadTextureByName("gone.bmp", false);
  EXPECT_EQ(Log(), "Mesh3D-Fehlermeldungen:\r\nDatei gone.bmp nicht existent!\r\n");
  EXPECT_FALSE(std::filesystem::exists(elsewhere + "logfile.txt"));
}

TEST_F(BruminTextures, AllTwoHundredSlotsInUseRefuseANewNameOnly) {
  WriteBmp("gfx/real.bmp", 4);
  for (int i = 1; i <= brumin::kMeshTextureSlots; ++i) {
    const std::string name = i == 7 ? "real.bmp" : "missing" + std::to_string(i) + ".bmp";
    EXPECT_EQ(LoadTextureByName(name, false), i == 7 ? 7 : 0);
  }
  ASSERT_EQ(MeshTextureCount, brumin::kMeshTextureSlots);
  testing_support::Warnings().clear();
  WriteBmp("gfx/late.bmp", 4);
  EXPECT_EQ(LoadTextureByName("late.bmp", false), 0);
  EXPECT_EQ(LoadTextureByName("never.bmp", false), 0);
  EXPECT_EQ(MeshTextureCount, brumin::kMeshTextureSlots);
  EXPECT_EQ(Warnings().size(), 2u);
  EXPECT_EQ(LoadTextureByName("real.bmp", false), 7);  // known names still answer
  EXPECT_EQ(Log().find("late.bmp"), std::string::npos);
}

// Files that are no bitmap, or whose sides ask for more pixels than the file holds: refused with
// a warning, nothing uploaded, the slot keeps its name (a later request returns it).
TEST_F(BruminTextures, NonBitmapsAndShortOrLyingBitmapsAreRefusedBeforeTheUpload) {
  const std::string pixels48 = std::string(48, '\x40');  // 4 x 4 x 3 bytes
  std::string notBm = gfx_test::BmpBytes(4, 4, 24, pixels48);
  notBm[0] = 'X';
  std::string cutHeader = gfx_test::BmpBytes(4, 4, 24, pixels48).substr(0, 20);
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"no BM type", notBm},
      {"one pixel byte short", gfx_test::BmpBytes(4, 4, 24, pixels48.substr(1))},
      {"sides far beyond the file", gfx_test::BmpBytes(2048, 2048, 24, pixels48)},
      {"sides whose product passes 32 bits", gfx_test::BmpBytes(65536, 65536, 24, pixels48)},
      {"negative height", gfx_test::BmpBytes(4, -4, 24, pixels48)},
      {"zero width", gfx_test::BmpBytes(0, 4, 24, pixels48)},
      {"headers cut short", cutHeader},
      {"empty file", ""},
  };
  uint16_t slot = 0;
  for (const Case& c : cases) {
    Uploads().clear();
    testing_support::Warnings().clear();
    const std::string name = "bad" + std::to_string(++slot) + ".bmp";
    Write("gfx/" + name, c.bytes);
    EXPECT_EQ(LoadTextureByName(name, true), 0) << c.what;
    EXPECT_EQ(MeshTextureCount, slot) << c.what;
    EXPECT_EQ(Slot(slot).FileName.str(), name) << c.what;
    EXPECT_EQ(Slot(slot).Width, 0) << c.what;
    EXPECT_TRUE(Slot(slot).Pixels.empty()) << c.what;
    EXPECT_TRUE(Uploads().empty()) << c.what;
    EXPECT_EQ(Warnings().size(), 1u) << c.what;
    EXPECT_EQ(LoadTextureByName(name, true), slot) << c.what;
  }
  EXPECT_EQ(Log(), "");  // refused files are not missing ones
}

TEST_F(BruminTextures, PixelsComeFromByteFiftyFourWhateverTheHeaderSaysOfSizeAndOffset) {
  // 2 x 2 pixels, bottom row first; the file size field 0 and a pixel offset of 100.
  const std::string pixels = gfx_test::Pixels(2, 2, [](int32_t x, int32_t row) {
    return Bgr{static_cast<uint8_t>(10 * x), static_cast<uint8_t>(20 * row), 200};
  });
  std::string bytes = gfx_test::BmpBytes(2, 2, 24, pixels, 100);
  for (int i = 2; i < 6; ++i) bytes[static_cast<size_t>(i)] = 0;
  Write("gfx/odd.bmp", bytes);
  ASSERT_EQ(LoadTextureByName("odd.bmp", false), 1);
  const std::vector<uint8_t> rgb = {200, 0, 0, 200, 0, 10, 200, 20, 0, 200, 20, 10};
  EXPECT_EQ(Slot(1).Pixels, rgb);
  ASSERT_EQ(Uploads().size(), 1u);
  EXPECT_EQ(Uploads()[0].components, 3);
  EXPECT_EQ(Uploads()[0].format, glk::RGB);
  EXPECT_EQ(Uploads()[0].pixels, rgb);
  // Rows of 6 bytes reach GL unpadded.
  EXPECT_EQ(CallsOf("glPixelStorei"), (std::vector<GlCall>{{"glPixelStorei", {float(glk::UNPACK_ALIGNMENT), 1}}}));
}

TEST_F(BruminTextures, AlphaModeMakesPureBlackAndPureMagentaTransparent) {
  struct Case {
    Bgr pixel;
    std::vector<uint8_t> opaque, alpha;
  };
  const Case cases[] = {
      {{0, 0, 0}, {0, 0, 0}, {0, 0, 0, 0}},                  // black
      {{255, 0, 255}, {255, 0, 255}, {0, 0, 0, 0}},          // magenta
      {{0, 0, 1}, {1, 0, 0}, {1, 0, 0, 255}},                // nearly black
      {{255, 1, 255}, {255, 1, 255}, {255, 1, 255, 255}},    // nearly magenta
      {{254, 0, 255}, {255, 0, 254}, {255, 0, 254, 255}},
      {{30, 20, 10}, {10, 20, 30}, {10, 20, 30, 255}},
  };
  int n = 0;
  for (const Case& c : cases) {
    for (bool alpha : {false, true}) {
      const std::string name = "p" + std::to_string(++n) + ".bmp";
      Write("gfx/" + name, gfx_test::SolidBmp(1, 1, c.pixel));
      const uint16_t slot = LoadTextureByName(name, alpha);
      ASSERT_NE(slot, 0);
      EXPECT_EQ(Slot(slot).Pixels, alpha ? c.alpha : c.opaque) << n;
      EXPECT_EQ(Slot(slot).Alpha, alpha ? 1 : 0);
      EXPECT_EQ(Uploads().back().components, alpha ? 4 : 3);
      EXPECT_EQ(Uploads().back().format, alpha ? glk::RGBA : glk::RGB);
    }
  }
}

TEST_F(BruminTextures, AniFilesRedirectToTheTextureOnTheirThirdLine) {
  WriteBmp("gfx/flag1.bmp", 4);
  Write("gfx/flag.ani", "QZ ANI\r\n1\r\nflag1.bmp\r\nflag2.bmp\r\n");
  Write("gfx/lf.ANI", "a\nb\nflag1.bmp\n");  // LF line ends
  Write("gfx/self.ani", "x\r\ny\r\nself.ani\r\n");
  Write("gfx/two.ani", "only\r\ntwo lines\r\n");
  struct Step {
    const char* name;
    uint16_t result;
    uint16_t count;
    size_t warnings;
  };
  const Step steps[] = {
      {"flag.ani", 1, 1, 0},       // loads flag1.bmp
      {"FLAG.Ani", 1, 1, 0},       // any case, the same third line
      {"lf.ANI", 1, 1, 0},
      {"flag1.bmp", 1, 1, 0},      // the slot is flag1.bmp's own
      {"nothere.ani", 0, 1, 1},    // no file: a warning, no slot
      {"self.ani", 0, 1, 1},       // names itself: given up with a warning
      {"two.ani", 0, 1, 0},        // no third line: names nothing
  };
  for (const Step& s : steps) {
    testing_support::Warnings().clear();
    EXPECT_EQ(LoadTextureByName(s.name, false), s.result) << s.name;
    EXPECT_EQ(MeshTextureCount, s.count) << s.name;
    EXPECT_EQ(Warnings().size(), s.warnings) << s.name;
  }
  testing_support::Warnings().clear();
  LoadTextureByName("nothere.ani", false);
  EXPECT_EQ(Warnings(), std::vector<std::string>{"nothere.ani not found!"});
  EXPECT_EQ(Slot(1).FileName.str(), "flag1.bmp");
}

TEST_F(BruminTextures, ThreeFrameListFormsARingAndIsFoundAgainByNameInAnyCase) {
  for (int i = 1; i <= 3; ++i) WriteBmp("gfx/lamp" + std::to_string(i) + ".bmp", 4);
  WriteBmp("gfx/single.bmp", 4);
  Write("gfx/lamp.lst", "; a lamp\r\nlamp1.bmp\r\n\r\nlamp2.bmp\r\n;lamp9.bmp\r\nlamp3.bmp");
  ASSERT_EQ(LoadMeshTexture("single.bmp", false), 1);
  const uint16_t first = LoadMeshTexture("lamp.lst", false);
  ASSERT_EQ(first, 2);
  EXPECT_EQ(MeshTextureCount, 4);
  EXPECT_EQ(Slot(2).Next, 3);
  EXPECT_EQ(Slot(3).Next, 4);
  EXPECT_EQ(Slot(4).Next, 2);
  for (int s = 2; s <= 4; ++s) EXPECT_EQ(Slot(s).ListName.str(), "LAMP.LST");
  EXPECT_TRUE(Slot(1).ListName.empty());
  EXPECT_EQ(Slot(1).Next, 0);
  // The list is not read again: it is found by the frames' list name.
  std::remove((base_ + "gfx/lamp.lst").c_str());
  EXPECT_EQ(LoadMeshTexture("Lamp.Lst", false), 2);
  EXPECT_EQ(MeshTextureCount, 4);
  // A bitmap name leaves the ring's name behind.
  EXPECT_EQ(LoadMeshTexture("lamp2.bmp", false), 3);
  EXPECT_TRUE(Slot(3).ListName.empty());
}

TEST_F(BruminTextures, ListsFoundNowhereOrWithoutALoadableFrameGiveZero) {
  WriteBmp("gfx_hi/hi1.bmp", 4);
  Write("gfx_hi/hi.lst", "hi1.bmp\r\n");               // only in gfx_hi\  .
  Write("gfx/comments.lst", "; nothing\r\n;\r\n");
  Write("gfx/gone.lst", "gone1.bmp\r\ngone2.bmp\r\n");
  Write("gfx/holey.lst", "hi1.bmp\r\ngone3.bmp\r\n");  // hi1.bmp is found in gfx_hi\ .
  struct Step {
    const char* name;
    uint16_t result;
    size_t warnings;
  };
  const Step steps[] = {
      {"hi.lst", 1, 0},
      {"nowhere.lst", 0, 1},
      {"comments.lst", 0, 1},
      {"gone.lst", 0, 1},  // both frames missing (logged, slots copied), no ring
  };
  for (const Step& s : steps) {
    testing_support::Warnings().clear();
    EXPECT_EQ(LoadMeshTexture(s.name, false), s.result) << s.name;
    EXPECT_EQ(Warnings().size(), s.warnings) << s.name;
  }
  EXPECT_EQ(Slot(1).Next, 1);  // a ring of one
  // A frame that cannot be loaded stays out of the ring.
  EXPECT_EQ(LoadMeshTexture("holey.lst", false), 1);
  EXPECT_EQ(Slot(1).Next, 1);
  EXPECT_EQ(Slot(1).ListName.str(), "HOLEY.LST");
}

TEST_F(BruminTextures, BindsOnlyWhenSlotOrFrameChangeAndAgainAfterAnUpload) {
  WriteBmp("gfx/a.bmp", 4);
  WriteBmp("gfx/b.bmp", 4);
  ASSERT_EQ(LoadTextureByName("a.bmp", false), 1);  // GL name 3
  brumin_test::Calls().clear();
  const float tex2d = float(glk::TEXTURE_2D);
  struct Step {
    uint16_t slot;
    uint8_t frame;
    std::vector<GlCall> calls;
    bool on;
  };
  const Step steps[] = {
      {1, 1, {{"glEnable", {tex2d}}, {"glBindTexture", {3}}}, true},
      {1, 1, {}, true},
      {1, 2, {{"glEnable", {tex2d}}, {"glBindTexture", {3}}}, true},
      {0, 2, {{"glDisable", {tex2d}}}, false},
      {0, 2, {{"glDisable", {tex2d}}}, false},
      {1, 2, {{"glEnable", {tex2d}}, {"glBindTexture", {3}}}, true},
      {9, 1, {{"glDisable", {tex2d}}}, false},  // a slot not in use draws untextured
      {1, 0, {{"glEnable", {tex2d}}, {"glBindTexture", {3}}}, true},  // frame 0 counts as 1
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    brumin_test::Calls().clear();
    brumin::BindTexture(steps[i].slot, steps[i].frame);
    EXPECT_EQ(brumin_test::Calls(), steps[i].calls) << i;
    EXPECT_EQ(brumin::TexturingOn, steps[i].on) << i;
  }
  // An upload binds its own name: the same pair as before binds again.
  brumin::BindTexture(1, 1);
  ASSERT_EQ(LoadTextureByName("b.bmp", false), 2);
  brumin_test::Calls().clear();
  brumin::BindTexture(1, 1);
  EXPECT_EQ(CallsOf("glBindTexture"), (std::vector<GlCall>{{"glBindTexture", {3}}}));
}

TEST_F(BruminTextures, UploadRepeatsAndFiltersLinearly) {
  WriteBmp("gfx/a.bmp", 4);
  LoadTextureByName("a.bmp", true);
  const std::vector<GlCall> params = {
      {"glTexParameterf", {float(glk::TEXTURE_WRAP_S), float(glk::REPEAT)}},
      {"glTexParameterf", {float(glk::TEXTURE_WRAP_T), float(glk::REPEAT)}},
      {"glTexParameterf", {float(glk::TEXTURE_MAG_FILTER), float(glk::LINEAR)}},
      {"glTexParameterf", {float(glk::TEXTURE_MIN_FILTER), float(glk::LINEAR)}}};
  EXPECT_EQ(CallsOf("glTexParameterf"), params);
  EXPECT_EQ(CallsOf("glBindTexture"), (std::vector<GlCall>{{"glBindTexture", {3}}}));
}

}  // namespace
