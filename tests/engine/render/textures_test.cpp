// The texture table without a GL context: the layer's entry points are stand-ins, and single
// entries are replaced by recorders where a test looks at the GL calls.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <unistd.h>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/statistics.h"
#include "engine/base/worldstate.h"
#include "engine/files/repository.h"
#include "engine/render/graphics.h"
#include "engine/render/texturefiles.h"
#include "platform/platform.h"
#include "tests/support/gfx_test_files.h"
#include "tests/support/test_support.h"

using gfx_test::Bgr;
using gfx_test::WriteSolidBmp;
using testing_support::FatalError;
using testing_support::MakeTempFolder;
using testing_support::WriteFileBytes;

namespace {


struct Upload {
  int32_t internalFormat, width, height;
  uint32_t format, type;
  std::vector<uint8_t> firstBytes;
};
std::vector<Upload> g_uploads;
std::deque<uint32_t> g_errors;  // what glGetError answers next (then 0)
std::vector<uint32_t> g_binds;
std::vector<std::pair<uint32_t, float>> g_params;
int g_enables = 0, g_disables = 0, g_draws = 0;
std::vector<uint32_t> g_begins;

void InstallRecorders() {
  g_uploads.clear();
  g_errors.clear();
  g_binds.clear();
  g_params.clear();
  g_enables = g_disables = g_draws = 0;
  g_begins.clear();
  GraGL.glTexImage2D = [](uint32_t, int32_t, int32_t internalFormat, int32_t w, int32_t h, int32_t, uint32_t format,
                          uint32_t type, const void* pixels) {
    const auto* p = static_cast<const uint8_t*>(pixels);
    g_uploads.push_back({internalFormat, w, h, format, type, std::vector<uint8_t>(p, p + 4)});
  };
  GraGL.glGetError = []() -> uint32_t {
    if (g_errors.empty()) return 0;
    const uint32_t e = g_errors.front();
    g_errors.pop_front();
    return e;
  };
  GraGL.glBindTexture = [](uint32_t, uint32_t name) { g_binds.push_back(name); };
  GraGL.glTexParameterf = [](uint32_t, uint32_t pname, float v) { g_params.push_back({pname, v}); };
  GraGL.glEnable = [](uint32_t cap) {
    if (cap == glk::TEXTURE_2D) ++g_enables;
  };
  GraGL.glDisable = [](uint32_t cap) {
    if (cap == glk::TEXTURE_2D) ++g_disables;
  };
  GraGL.glDrawArrays = [](uint32_t, int32_t, int32_t) { ++g_draws; };
  GraGL.glBegin = [](uint32_t mode) { g_begins.push_back(mode); };
}

int RegisteredBlocks() {
  int n = 0;
  for (int i = 1; i <= kInfoBlockSlots; ++i) n += InfoScreenData.BlockPointers[i] ? 1 : 0;
  return n;
}

// A base folder with the data folders, made the current directory.
class Textures : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    base_ = MakeTempFolder("tex");
    for (const char* sub : {"ui", "gfx", "gfx_hi", "buildings"}) std::filesystem::create_directory(base_ + sub);
    WriteSolidBmp(base_ + "gfx/NOTEXTURE.BMP", 16, {0, 0, 255});
    ASSERT_EQ(chdir(base_.c_str()), 0);
    InitTextureTable();
    TextureNameCounter = 2;
    CurrentTexture = 0;
    TexturingOn = 0;
    GameOptions[kTextureDetailOption] = 2;
    InitInfoScreen(InfoScreenData);
    Gra_ResetProcs();
    InstallRecorders();
    testing_support::CaptureDebugger();
  }
  void TearDown() override {
    platform::SetDebuggerSink(nullptr);
    xCloseArchive();
    Gra_ResetProcs();
    InitTextureTable();
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }
  std::string Fatal(const std::function<void()>& f) {
    try {
      f();
    } catch (const FatalError& e) {
      return e.what();
    }
    return "(no fatal stop)";
  }
  std::string oldDir_, base_;
};

// ---- Upload ----

TEST_F(Textures, UploadFormatsFollowTheState) {
  WriteSolidBmp(base_ + "gfx/W.BMP", 8, {255, 255, 255});
  struct Case {
    uint8_t state;
    int32_t internalFormat;
    uint32_t format, type;
    std::vector<uint8_t> first;  // first bytes of the uploaded data
  };
  const Case cases[] = {
      {0, 3, glk::RGB, glk::UNSIGNED_SHORT_5_6_5, {0xDF, 0xFF, 0xDF, 0xFF}},
      {1, 4, glk::BGRA, glk::UNSIGNED_SHORT_1_5_5_5_REV, {0xFF, 0xFF, 0xFF, 0xFF}},
      {2, 4, glk::RGBA, glk::UNSIGNED_BYTE, {0, 0, 0, 255}},
      {3, 4, glk::RGBA, glk::UNSIGNED_BYTE, {252, 252, 252, 252}},
  };
  uint16_t slot = 1001;
  for (const Case& c : cases) {
    g_uploads.clear();
    Gra_LoadTexture(slot, "gfx\\", "W.BMP", c.state, true, 0);
    ASSERT_EQ(g_uploads.size(), 1u) << int(c.state);
    EXPECT_EQ(g_uploads[0].internalFormat, c.internalFormat) << int(c.state);
    EXPECT_EQ(g_uploads[0].format, c.format) << int(c.state);
    EXPECT_EQ(g_uploads[0].type, c.type) << int(c.state);
    EXPECT_EQ(g_uploads[0].width, 8);
    EXPECT_EQ(g_uploads[0].firstBytes, c.first) << int(c.state);
    const TTextureEntry& e = TextureTable[slot];
    EXPECT_EQ(e.State, c.state);
    EXPECT_EQ(e.Width, 8);
    EXPECT_EQ(e.Height, 8);
    EXPECT_EQ(e.Smooth, 1);
    EXPECT_TRUE(e.Name.empty());  // the name is the caller's business
    ++slot;
  }
  // Names are handed out from 3 on, one per upload, and never reused.
  EXPECT_EQ(TextureTable[1001].GLName, 3u);
  EXPECT_EQ(TextureTable[1004].GLName, 6u);
  EXPECT_EQ(RegisteredBlocks(), 0);
  EXPECT_TRUE(testing_support::Warnings().empty());
}

TEST_F(Textures, UploadSetsRepeatAndTheFilterOfTheSmoothFlag) {
  WriteSolidBmp(base_ + "gfx/A.BMP", 4);
  for (bool smooth : {true, false}) {
    g_params.clear();
    Gra_LoadTexture(1001, "gfx\\", "A.BMP", 0, smooth, 0);
    const float filter = static_cast<float>(smooth ? glk::LINEAR : glk::NEAREST);
    const std::vector<std::pair<uint32_t, float>> expected = {
        {glk::TEXTURE_WRAP_S, static_cast<float>(glk::REPEAT)},
        {glk::TEXTURE_WRAP_T, static_cast<float>(glk::REPEAT)},
        {glk::TEXTURE_MIN_FILTER, filter},
        {glk::TEXTURE_MAG_FILTER, filter}};
    EXPECT_EQ(g_params, expected) << smooth;
    EXPECT_EQ(TextureTable[1001].Smooth, smooth ? 1 : 0);
  }
}

TEST_F(Textures, RejectedSixteenBitUploadIsRepeatedInBytes) {
  WriteSolidBmp(base_ + "gfx/A.BMP", 4, {0, 0, 255});
  for (uint8_t state : {0, 1}) {
    g_uploads.clear();
    g_errors = {0, glk::INVALID_ENUM};  // drained before: nothing; after the 16-bit upload: an error
    Gra_LoadTexture(1001, "gfx\\", "A.BMP", state, true, 0);
    ASSERT_EQ(g_uploads.size(), 2u);
    EXPECT_EQ(g_uploads[1].type, glk::UNSIGNED_BYTE);
    EXPECT_EQ(g_uploads[1].format, state == 0 ? glk::RGB : glk::RGBA);
    EXPECT_EQ(g_uploads[1].firstBytes[0], 255);  // red first
  }
}

TEST_F(Textures, LeftoverGlErrorsDoNotFailTheUpload) {
  WriteSolidBmp(base_ + "gfx/A.BMP", 4);
  g_errors = {glk::INVALID_ENUM, glk::INVALID_OPERATION, glk::INVALID_VALUE};
  Gra_LoadTexture(1001, "gfx\\", "A.BMP", 2, true, 0);
  EXPECT_EQ(g_uploads.size(), 1u);
  EXPECT_EQ(TextureTable[1001].GLName, 3u);
}

TEST_F(Textures, ErrorOfTheUploadItselfIsFatal) {
  WriteSolidBmp(base_ + "gfx/A.BMP", 4);
  GraGL.glGetError = []() -> uint32_t { return glk::INVALID_VALUE; };  // a GL that always fails
  EXPECT_EQ(Fatal([] { Gra_LoadTexture(1001, "gfx\\", "A.BMP", 0, true, 0); }),
            "FATAL ERROR: gfx\\A.BMP: Texture binding failed! Check bitmap size. PROGRAM TERMINATES!");
  EXPECT_EQ(RegisteredBlocks(), 0);
}

TEST_F(Textures, MissingFileLeavesTheSlotAsItWas) {
  TextureTable[1001].Width = 77;
  Gra_LoadTexture(1001, "gfx\\", "GONE.BMP", 0, true, 0);
  EXPECT_EQ(TextureTable[1001].Width, 77);
  EXPECT_TRUE(g_uploads.empty());
  EXPECT_EQ(testing_support::Warnings(), std::vector<std::string>{"File GONE.BMP not found"});
}

TEST_F(Textures, ShrinkTooFarWarnsAtEachCheckOfTheFactor) {
  WriteSolidBmp(base_ + "gfx/E.BMP", 8);
  Gra_LoadTexture(1001, "gfx\\", "E.BMP", 0, true, 2);
  EXPECT_EQ(TextureTable[1001].Width, 4);
  EXPECT_EQ(TextureTable[1001].Height, 4);
  // Width, height and the halving each check the factor.
  EXPECT_EQ(testing_support::Warnings(), std::vector<std::string>(3, "INFO: TBMP: CheckShrinkFactor: The Bitmap will be to small!gfx\\E.BMP"));
  WriteSolidBmp(base_ + "gfx/B.BMP", 256);
  Gra_LoadTexture(1002, "gfx\\", "B.BMP", 0, true, 2);
  EXPECT_EQ(TextureTable[1002].Width, 64);
  ASSERT_FALSE(g_uploads.empty());
  EXPECT_EQ(g_uploads.back().width, 64);
}

TEST_F(Textures, UnknownStateOfAFoundFileIsWarnedAndLoadedAsState0) {
  WriteSolidBmp(base_ + "gfx/A.BMP", 4);
  EXPECT_EQ(LoadTexture("a.bmp", 7, 0, true), 1001);
  ASSERT_EQ(g_uploads.size(), 1u);
  EXPECT_EQ(g_uploads[0].type, glk::UNSIGNED_SHORT_5_6_5);
  EXPECT_EQ(TextureTable[1001].State, 0);
  EXPECT_EQ(testing_support::Warnings(),
            std::vector<std::string>{"WARNING: GRA_GL: LoadTexture: invalid texture state 7 for gfx\\A.BMP, loaded as state 0"});
}

// ---- Slot choice ----

TEST_F(Textures, SlotsAreChosenByIndex) {
  WriteSolidBmp(base_ + "gfx/GLEIS1.BMP", 8);
  WriteSolidBmp(base_ + "ui/PANEL.BMP", 8);
  // The first game texture goes into slot 1001; the same name and state again loads nothing.
  EXPECT_EQ(LoadTexture("gleis1.bmp", 0, 0, true), 1001);
  EXPECT_EQ(LoadTexture("GLEIS1.bmp", 0, 0, true), 1001);
  EXPECT_EQ(TextureTable[1001].Name.str(), "GLEIS1.BMP");
  EXPECT_EQ(g_uploads.size(), 1u);
  EXPECT_EQ(TextureCount, 1001);
  // The first user-interface texture goes into slot 1.
  EXPECT_EQ(LoadTexture("panel.bmp", 1, -1, false), 1);
  EXPECT_EQ(LoadTexture("panel.bmp", 1, -1, false), 1);
  EXPECT_EQ(g_uploads.size(), 2u);
  EXPECT_TRUE(testing_support::Warnings().empty());
  EXPECT_EQ(TextureCount, 1001);  // never goes down
}

TEST_F(Textures, NameLoadedWithAnotherState) {
  WriteSolidBmp(base_ + "gfx/GLEIS1.BMP", 8);
  WriteSolidBmp(base_ + "ui/PANEL.BMP", 8);
  LoadTexture("gleis1.bmp", 0, 0, true);
  EXPECT_EQ(LoadTexture("gleis1.bmp", 1, 0, true), 1001);  // the existing slot, after a warning
  EXPECT_EQ(g_uploads.size(), 1u);
  LoadTexture("panel.bmp", 1, -1, false);
  EXPECT_EQ(LoadTexture("panel.bmp", 3, -1, false), 2);  // a second slot, loaded once more
  EXPECT_EQ(TextureTable[2].State, 3);
  EXPECT_EQ(testing_support::Warnings(), (std::vector<std::string>{"GLEIS1.BMP already loaded with different state",
                                                  "PANEL.BMP already loaded with different state - load once more"}));
}

TEST_F(Textures, FullUserInterfaceSlotsSpillIntoGameSlots) {
  for (int i = 1; i <= kUITextureSlots; ++i) TextureTable[i].Name = "TAKEN" + std::to_string(i);
  TextureCount = 1000;
  WriteSolidBmp(base_ + "gfx_hi/ICON.BMP", 16);
  EXPECT_EQ(LoadTexture("icon.bmp", 0, -1, false), 1001);
  ASSERT_EQ(testing_support::Warnings().size(), 1u);
  EXPECT_EQ(testing_support::Warnings()[0], "Error: Filehandling: LoadTexture: To Much UITextures to Load!");
  // Loaded as a game texture: found in gfx_hi\ and halved at texture detail 2.
  EXPECT_EQ(TextureTable[1001].Width, 8);
}

TEST_F(Textures, FixedIndexLoadsThereEvenWhenTheNameSitsElsewhere) {
  WriteSolidBmp(base_ + "gfx/ROOF.BMP", 8);
  LoadTexture("roof.bmp", 0, 0, true);
  EXPECT_EQ(LoadTexture("roof.bmp", 0, 1500, true), 1500);
  EXPECT_EQ(TextureTable[1500].Name.str(), "ROOF.BMP");
  EXPECT_EQ(TextureCount, 1500);
  EXPECT_EQ(g_uploads.size(), 2u);
  EXPECT_EQ(testing_support::Warnings(), std::vector<std::string>{
                            "Filehandling.LoadTexture: ROOF.BMP wants fixed index but is already loaded at another position!"});
  // The fixed slot itself holding the name is no reason to warn; it is loaded again.
  testing_support::Warnings().clear();
  LoadTexture("roof.bmp", 0, 1001, true);
  EXPECT_EQ(testing_support::Warnings().size(), 1u);  // only slot 1500 is "another position"
  EXPECT_EQ(g_uploads.size(), 3u);
}

TEST_F(Textures, TooManyTexturesIsFatalBeforeAnySearch) {
  const std::string msg = "FATAL ERROR: ERROR: Filehandling: LoadTexture: Tryed to load to much Textures! PROGRAM TERMINATES!";
  EXPECT_EQ(Fatal([] { LoadTexture("a.bmp", 0, 2500, true); }), msg);
  WriteSolidBmp(base_ + "gfx/A.BMP", 4);
  LoadTexture("a.bmp", 0, 0, true);
  TextureCount = 2500;
  EXPECT_EQ(Fatal([] { LoadTexture("a.bmp", 0, 0, true); }), msg);  // even for a loaded name
  TextureCount = 1001;
  EXPECT_EQ(Fatal([] { LoadTexture("a.bmp", 0, -2, true); }),
            "FATAL ERROR: ERROR: Filehandling: LoadTexture: invalid index -2 for a.bmp PROGRAM TERMINATES!");
}

TEST_F(Textures, LongNamesFindTheirSlotAgain) {
  const std::string name = "averyveryverylongtexturename.bmp";
  WriteSolidBmp(base_ + "gfx/" + name, 4);
  EXPECT_EQ(LoadTexture(name, 0, 0, true), 1001);
  EXPECT_EQ(TextureTable[1001].Name.str(), "AVERYVERYVERYLONGTEX");
  EXPECT_EQ(LoadTexture(name, 0, 0, true), 1001);
  EXPECT_EQ(g_uploads.size(), 1u);
}

// ---- Folders ----

TEST_F(Textures, FoldersAreSearchedInOrder) {
  // The side tells the folder: gfx_hi 64 (detail 3 keeps it), gfx 32, buildings 16, ui 8.
  GameOptions[kTextureDetailOption] = 3;
  struct Case {
    const char* what;
    int32_t index;
    std::vector<const char*> folders;
    int32_t side;  // 16 x 16 placeholder when nothing is found
    size_t warnings;
  };
  const Case cases[] = {
      {"game: gfx_hi first", 0, {"gfx_hi", "gfx", "buildings", "ui"}, 64, 0},
      {"game: then gfx", 0, {"gfx", "buildings", "ui"}, 32, 0},
      {"game: then buildings", 0, {"buildings", "ui"}, 16, 0},
      {"game: never ui", 0, {"ui"}, 16, 1},
      {"interface: ui first", -1, {"gfx_hi", "gfx", "buildings", "ui"}, 8, 0},
      {"interface: then gfx, never gfx_hi", -1, {"gfx_hi", "gfx", "buildings"}, 32, 0},
      {"interface: then buildings", -1, {"gfx_hi", "buildings"}, 16, 0},
      {"interface: gfx_hi alone is not found", -1, {"gfx_hi"}, 16, 1},
  };
  const std::pair<const char*, int32_t> sides[] = {{"gfx_hi", 64}, {"gfx", 32}, {"buildings", 16}, {"ui", 8}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = "T" + std::to_string(++n) + ".BMP";
    for (const char* folder : c.folders)
      for (const auto& [f, side] : sides)
        if (std::string(f) == folder) WriteSolidBmp(base_ + folder + "/" + name, side);
    testing_support::Warnings().clear();
    const uint16_t slot = LoadTexture(name, 0, c.index, true);
    EXPECT_EQ(TextureTable[slot].Width, c.side) << c.what;
    EXPECT_EQ(testing_support::Warnings().size(), c.warnings) << c.what;
  }
}

TEST_F(Textures, TextureDetailShrinksOnlyWhatComesFromGfxHi) {
  struct Case {
    uint8_t detail;
    const char* folder;
    int32_t side;
  };
  const Case cases[] = {{1, "gfx_hi", 16}, {2, "gfx_hi", 32}, {3, "gfx_hi", 64}, {0, "gfx_hi", 64},
                        {9, "gfx_hi", 64}, {1, "gfx", 64},    {1, "buildings", 64}};
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = "D" + std::to_string(++n) + ".BMP";
    WriteSolidBmp(base_ + c.folder + "/" + name, 64);
    GameOptions[kTextureDetailOption] = c.detail;
    const uint16_t slot = LoadTexture(name, 0, 0, true);
    EXPECT_EQ(TextureTable[slot].Width, c.side) << int(c.detail) << " " << c.folder;
  }
}

// ---- The placeholder ----

TEST_F(Textures, MissingTextureTakesThePlaceholderUnderItsOwnNameWithOneWarning) {
  const uint16_t slot = LoadTexture("missing.bmp", 1, 0, true);
  EXPECT_EQ(slot, 1001);
  EXPECT_EQ(TextureTable[slot].Name.str(), "MISSING.BMP");
  EXPECT_EQ(TextureTable[slot].Width, 16);  // the placeholder's picture
  EXPECT_EQ(TextureTable[slot].State, 1);
  EXPECT_NE(TextureTable[slot].GLName, 0u);
  EXPECT_EQ(testing_support::Warnings(), std::vector<std::string>{"Filehandling.LoadTexture: - MISSING.BMP not found!"});
  EXPECT_EQ(LoadTexture("missing.bmp", 1, 0, true), slot);
  EXPECT_EQ(testing_support::Warnings().size(), 1u);
  EXPECT_EQ(g_uploads.size(), 1u);
}

TEST_F(Textures, MissingTextureWithAnUnknownStateIsFatal) {
  EXPECT_EQ(Fatal([] { LoadTexture("missing.bmp", 4, 0, true); }),
            "FATAL ERROR: Filehandling.LoadTexture: invalid texture state for NoTexture.bmp PROGRAM TERMINATES!");
}

// ---- Frame lists ----

TEST_F(Textures, FrameListMakesAnAnimatedEntryOfConsecutiveFrames) {
  WriteSolidBmp(base_ + "gfx/A.BMP", 4);
  WriteSolidBmp(base_ + "gfx/B.BMP", 8);
  WriteFileBytes(base_ + "gfx/water.lst", "; two frames\r\nA.BMP\r\n\r\nb.bmp\r\n");
  TextureFrameCount = 3;  // frames of an earlier list
  const uint16_t slot = LoadTexture("water.lst", 0, 0, true);
  const TTextureEntry& e = TextureTable[slot];
  EXPECT_EQ(slot, 1001);
  EXPECT_EQ(e.Name.str(), "WATER.LST");
  EXPECT_EQ(e.FrameCount, 2);
  EXPECT_EQ(e.FirstFrame, 4);
  EXPECT_EQ(e.GLName, 0u);
  EXPECT_EQ(TextureFrameCount, 5u);
  EXPECT_EQ(TextureFrames[4], 1002);
  EXPECT_EQ(TextureFrames[5], 1003);
  EXPECT_EQ(TextureTable[1002].Name.str(), "A.BMP");
  EXPECT_EQ(TextureTable[1003].Width, 8);
  EXPECT_TRUE(testing_support::Warnings().empty());

  // Binding the entry binds its first frame.
  g_binds.clear();
  Gra_SetTexture(slot);
  EXPECT_EQ(g_binds, std::vector<uint32_t>{TextureTable[1002].GLName});
  EXPECT_EQ(InfoScreenData.TextureBindCounts[1002], 1u);
}

TEST_F(Textures, FrameLimitsStopWithAMessage) {
  WriteSolidBmp(base_ + "gfx/A.BMP", 4);
  WriteFileBytes(base_ + "gfx/two.lst", "A.BMP\r\nA.BMP\r\n");
  TextureFrameCount = 999;
  EXPECT_EQ(Fatal([] { LoadTexture("two.lst", 0, 0, true); }),
            "FATAL ERROR: ERROR: Filehandling: LoadTexture: gfx\\TWO.LST: more than 1000 texture frames! PROGRAM TERMINATES!");
  std::string many;
  for (int i = 0; i < 256; ++i) many += "A.BMP\r\n";
  WriteFileBytes(base_ + "gfx/many.lst", many);
  TextureFrameCount = 0;
  EXPECT_EQ(Fatal([] { LoadTexture("many.lst", 0, 0, true); }),
            "FATAL ERROR: ERROR: Filehandling: LoadTexture: gfx\\MANY.LST has more than 255 frames! PROGRAM TERMINATES!");
}

TEST_F(Textures, FrameListWithoutFramesIsNotAnimated) {
  WriteFileBytes(base_ + "gfx/empty.lst", "; nothing here\r\n");
  const uint16_t slot = LoadTexture("empty.lst", 0, 0, true);
  EXPECT_EQ(TextureTable[slot].FirstFrame, 0);
  EXPECT_EQ(TextureTable[slot].FrameCount, 0);
  EXPECT_EQ(testing_support::Warnings(), std::vector<std::string>{"Filehandling.LoadTexture: gfx\\EMPTY.LST names no frames"});
}

// An archive entry whose directory promises more bytes than the archive holds: the list ends
// where the reading stops moving.
TEST_F(Textures, FrameListEndsWhereTheReadingStopsMoving) {
  WriteSolidBmp(base_ + "gfx/A.BMP", 4);
  std::string bytes = "A.BMP\r\n";
  xScramble(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size(), 0);
  WriteFileBytes(base_ + "data.arc", bytes);
  ASSERT_TRUE(xOpenArchive(base_ + "data.arc", {{"GFX\\WATER.LST", 60, 0}}));
  const uint16_t slot = LoadTexture("water.lst", 0, 0, true);
  EXPECT_EQ(TextureTable[slot].FrameCount, 1);
  EXPECT_EQ(TextureTable[TextureFrames[TextureTable[slot].FirstFrame]].Name.str(), "A.BMP");
}

// ---- Binding and releasing ----

TEST_F(Textures, SetTextureBindsOnlyWhatChanged) {
  WriteSolidBmp(base_ + "gfx/A.BMP", 4);
  WriteSolidBmp(base_ + "gfx/B.BMP", 4);
  const uint16_t a = LoadTexture("a.bmp", 0, 0, true);
  const uint16_t b = LoadTexture("b.bmp", 0, 0, true);
  g_binds.clear();
  const uint32_t requests = Gra_Counter(kGraCountTextureRequests);
  const uint32_t bindCount = Gra_Counter(kGraCountTextureBinds);

  Gra_SetTexture(0);
  Gra_SetTexture(0);
  EXPECT_EQ(g_disables, 2);  // every request for 0 disables again
  EXPECT_EQ(TexturingOn, 0);

  Gra_SetTexture(a);  // the upload of b left b bound: a binds
  Gra_SetTexture(a);
  EXPECT_EQ(g_binds, std::vector<uint32_t>{TextureTable[a].GLName});
  EXPECT_EQ(TexturingOn, 1);
  EXPECT_EQ(CurrentTexture, a);

  LoadTexture("c.bmp", 0, 0, true);  // an upload (of the placeholder) binds its own texture
  Gra_SetTexture(a);
  EXPECT_EQ(g_binds.size(), 3u);
  EXPECT_EQ(g_binds.back(), TextureTable[a].GLName);

  Gra_FreeTexture(b);  // a release, too
  EXPECT_TRUE(TextureTable[b].Name.empty());
  Gra_SetTexture(a);
  EXPECT_EQ(g_binds.back(), TextureTable[a].GLName);
  EXPECT_EQ(g_binds.size(), 4u);

  Gra_SetTexture(3000);  // outside the table: untextured
  EXPECT_EQ(TexturingOn, 0);
  EXPECT_EQ(CurrentTexture, 0);

  EXPECT_EQ(Gra_Counter(kGraCountTextureRequests) - requests, 7u);
  EXPECT_EQ(Gra_Counter(kGraCountTextureBinds) - bindCount, 3u);
  EXPECT_EQ(InfoScreenData.TextureBindCounts[a], 3u);
}

TEST_F(Textures, FreeTextureDeletesOnlyLoadedPictures) {
  static std::vector<uint32_t> deleted;
  deleted.clear();
  GraGL.glDeleteTextures = [](int32_t n, const uint32_t* names) { deleted.insert(deleted.end(), names, names + n); };
  WriteSolidBmp(base_ + "gfx/A.BMP", 4);
  const uint16_t a = LoadTexture("a.bmp", 0, 0, true);
  TextureTable[1500].Name = std::string("NotLoaded");
  TextureTable[1500].GLName = 99;
  TextureTable[1501].Name = std::string("SOMELIST");
  TextureTable[1501].GLName = 98;
  Gra_FreeTexture(a);
  Gra_FreeTexture(1500);
  Gra_FreeTexture(1501);
  EXPECT_EQ(deleted, (std::vector<uint32_t>{3, 99}));
  EXPECT_TRUE(TextureTable[1501].Name.empty());
  EXPECT_EQ(TextureTable[a].Width, 4);  // the other fields stay
  // A freed slot is chosen again.
  EXPECT_EQ(LoadTexture("a.bmp", 0, 0, true), a);
}

// ---- Other calls without a context ----

TEST_F(Textures, PrimitivesAndVertexArrays) {
  for (int32_t p : {7, 6, 4, 1}) Gra_Begin(p);
  EXPECT_EQ(g_begins, (std::vector<uint32_t>{glk::TRIANGLE_FAN, glk::TRIANGLE_FAN, glk::TRIANGLES, glk::LINES}));
  TInterleavedVertex v[3] = {};
  Gra_DrawVertexArray(v, 0);
  EXPECT_EQ(g_draws, 0);
  Gra_DrawVertexArray(v, 3);
  EXPECT_EQ(g_draws, 1);
}

TEST(GraLight, LightScaleAndAmbientFromTheWeather) {
  struct Case {
    bool lighting;
    float intensity, factor, ceiling;
    float scale, ambient;
  };
  const Case cases[] = {
      {true, 0.0f, 3.0f, 0.666f, 3.3f, 0.666f},                   // the start-up weather
      {true, 1.0f, 1.0f, 1.0f, 3.1f, 0.9999f - 1.0f / 3.1f},       // below the ceiling
      {false, 1.0f, 9.0f, 0.1f, 3.0f, 0.9999f - 1.0f / 3.0f},      // without lighting the weather is not read
  };
  for (const Case& c : cases) {
    Weather = {};
    Weather.LightDirection = {0.0f, -1.0f, 0.0f};
    Weather.Intensity = c.intensity;
    Weather.LightFactor = c.factor;
    Weather.AmbientCeiling = c.ceiling;
    Gra_SetLight(c.lighting);
    EXPECT_FLOAT_EQ(LightScale, c.scale);
    EXPECT_FLOAT_EQ(AmbientLight, c.ambient);
    EXPECT_FLOAT_EQ(LightDirection.y, -1.0f);
  }
  Weather = {};
}

TEST(GraLibrary, LoadFailuresAreFatalWithTheirMessages) {
  sys_hooks::GraDone = Gra_Done;  // the layer's own hook, as its unit start installs it
  auto fatal = [](const std::string& library) -> std::string {
    try {
      Gra_LoadProcs(library);
    } catch (const FatalError& e) {
      return e.what();
    }
    return "(no fatal stop)";
  };
  EXPECT_EQ(fatal("libcorvane-no-such-library.so"),
            "FATAL ERROR: ERROR: GRA_GL: LoadProcs: Handle from LoadLibrary of Opengl32.dll is 0 PROGRAM TERMINATES!");
  EXPECT_EQ(fatal("libm.so.6"), "FATAL ERROR: ERROR: GRA_GL: LoadProcs: libm.so.6 has no glCallList PROGRAM TERMINATES!");
  // The fatal stop shut the layer down again.
  EXPECT_FALSE(Gra_LibraryLoaded());
}

TEST(GraLibrary, DoneWithoutInitDoesNothing) {
  InitTextureTable();
  TextureTable[5].Name = std::string("KEPT.BMP");
  TextureCount = 5;
  Gra_Done();
  Gra_Done();
  EXPECT_EQ(TextureTable[5].Name.str(), "KEPT.BMP");
  InitTextureTable();
}

}  // namespace
