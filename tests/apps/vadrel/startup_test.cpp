#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

#include <filesystem>
#include <unistd.h>

#include "apps/vadrel/mainform.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/files/languages.h"
#include "engine/render/graphics.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"
#include "tools/sample_gfx.h"

using testing_support::MakeTempFolder;
using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

namespace {

std::vector<std::pair<std::string, std::string>> g_boxes;

class VadrelStartup : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    base_ = MakeTempFolder("base");
    for (const char* sub : {"ui", "gfx", "vehicles"}) std::filesystem::create_directory(base_ + sub);
    WriteFileBytes(base_ + "ui/English.lgd", "HELLO\r\nHello\r\n@@\r\n^^\r\n");
    WriteFileBytes(base_ + "ui/Deutsch.lgd", "HELLO\r\nHallo\r\n@@\r\n^^\r\n");
    FreeLanguages();
    vadrel::FormUnitStart();
    std::string error;
    ASSERT_TRUE(sample_gfx::WriteSampleGraphics(base_, error)) << error;
    // The ini names the base folder without its trailing '/'.
    WriteFileBytes(base_ + "vadrel.ini", base_.substr(0, base_.size() - 1) + "\r\n");
    ASSERT_EQ(chdir(base_.c_str()), 0);
    logFolder_ = MakeTempFolder("vlog");
    sys_test::SetLogFolder(logFolder_);
    g_boxes.clear();
    platform::SetMessageBoxSink([](const std::string& c, const std::string& t) { g_boxes.push_back({c, t}); });
  }
  void TearDown() override {
    platform::SetMessageBoxSink(nullptr);
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }
  std::string oldDir_, base_, logFolder_;
};

TEST_F(VadrelStartup, RunsTheMainLoopUntilTheWindowCloses) {
  vadrel::MainForm form;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, &form, [&form] {
    if (form.frames() >= 3) form.close();
  });
  closer.start(10);
  form.FormCreate();
  EXPECT_TRUE(form.terminated());
  EXPECT_EQ(form.failedStep(), 0);
  EXPECT_GT(form.frames(), 0u);
  EXPECT_EQ(form.windowTitle(), "Corvane Vadrel v10.0");
  EXPECT_TRUE(g_boxes.empty());

  const std::string base = base_.substr(0, base_.size() - 1) + "\\";
  EXPECT_EQ(Base_DIR.str(), base);
  EXPECT_EQ(Work_DIR.str(), base + "vehicles\\");
  EXPECT_EQ(ReadFileBytes(logFolder_ + "SYS_Debug.txt"),
            "Ostrel Debugfile\r\n0:Base_DIR=" + base + "\r\n0:Work_DIR=" + base + "vehicles\\\r\n");

  // Start values of the grids and the camera.
  EXPECT_EQ(form.SGrid_Meshes->cell(1, 0), "FILENAME");
  EXPECT_EQ(form.SGrid_Meshes->cell(1, 3), "NONE");
  EXPECT_EQ(form.SGrid_Meshes->cell(7, 5), "0.0");
  EXPECT_EQ(form.SGrid_Points->cell(3, 0), "Z");
  EXPECT_EQ(form.SGrid_Goods->cell(0, 11), "12");
  EXPECT_EQ(form.SGrid_SpecialVars->cell(1, 10), "False");
  EXPECT_EQ(form.lightcoords->cell(0, 51), "51");
  EXPECT_EQ(form.lightconel->cell(0, 3), "Light 3");
  EXPECT_EQ(form.lightconel->cell(2, 0), "Stencil");
  EXPECT_EQ(form.silcrcoord->cell(2, 1), "0.0");
  for (int k = 1; k <= 5; ++k) EXPECT_FALSE(form.MeshRowBoxes[k]->isChecked());
  // The language combo lists the loaded languages; English is current.
  ASSERT_EQ(form.CB_Language->count(), 2);
  EXPECT_EQ(form.CB_Language->itemText(0), "Deutsch");
  EXPECT_EQ(form.CB_Language->itemText(1), "English");
  EXPECT_EQ(form.CB_Language->currentIndex(), 0);
  EXPECT_EQ(CurrentLanguage->Name, "English");
  EXPECT_EQ(form.ScriptFileName, "NONE.MAS");
  EXPECT_FLOAT_EQ(Players[1].Camera.Gier, 140.0f);
  EXPECT_FLOAT_EQ(Players[1].Camera.Nick, -20.0f);
  EXPECT_EQ(GameTime, 0u);  // 500 simulation steps changed nothing
  // The test track: 4 rail and 3 road pieces, their ways finished for player 1 (the free build
  // mode of their completion is over), each piece's curved mesh with the texture loaded before its
  // curve.
  ASSERT_EQ(form.RailPieceCount, 4);
  ASSERT_EQ(form.RoadPieceCount, 3);
  EXPECT_EQ(FreeBuildMode, 0);
  const struct {
    const std::array<TCurvePiece, 11>& pieces;
    const std::array<TMesh2, 11>& meshes;
    int count;
    uint16_t texture;
  } curves[] = {{*form.RailPieces, *form.RailPieceMeshes, 4, StandardTextures[0]},
                {*form.RoadPieces, *form.RoadPieceMeshes, 3, StandardTextures[3]}};
  for (const auto& c : curves) {
    for (int k = 1; k <= c.count; ++k) {
      TWay w{};
      w.A_Read(c.pieces[k].Way.Index);
      EXPECT_EQ(w.State, 2);
      EXPECT_EQ(w.Owner, 1);
      // Bent in 5 segments of 6 vertices a point, with both end caps.
      EXPECT_EQ(c.meshes[k].VertexCount, 6 * 5 + 6 + 8);
      EXPECT_EQ(c.meshes[k].Polygon(1).Texture, c.texture);
    }
  }
  // The current directory is the base folder at the end of start-up.
  EXPECT_EQ(platform::CurrentDir() + "/", base_);
}

TEST_F(VadrelStartup, LoadsItsTexturesAndFontFromTheSampleData) {
  vadrel::MainForm form;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, &form, [&form] {
    if (form.frames() >= 2) form.close();
  });
  closer.start(10);
  form.FormCreate();
  ASSERT_EQ(form.failedStep(), 0);

  // Game textures from gfx_hi\, halved once at the default texture detail 2.
  struct Loaded {
    int32_t slot;
    const char* name;
    int32_t side;
  };
  const Loaded loaded[] = {
      {StandardTextures[0], "GLEIS1.BMP", 64},
      {StandardTextures[3], "STRASSE1.BMP", 64},
      {form.SmokeTexture, "SMOKESOURCE.BMP", 32},
      {form.GrassTexture, "NLGRASB.BMP", 64},
  };
  for (const Loaded& l : loaded) {
    ASSERT_GE(l.slot, kFirstGameTextureSlot) << l.name;
    const TTextureEntry& e = TextureTable[l.slot];
    EXPECT_EQ(e.Name.str(), l.name);
    EXPECT_EQ(e.Width, l.side) << l.name;
    EXPECT_EQ(e.Height, l.side) << l.name;
    EXPECT_NE(e.GLName, 0u) << l.name;
  }
  EXPECT_EQ(StandardTextures[0], kFirstGameTextureSlot);

  // The font: its picture is the first user-interface texture, colour-keyed, 256 x 256.
  EXPECT_EQ(form.NodeFont.Name.str(), "times");
  EXPECT_EQ(form.NodeFont.TextureSlot, 1);
  EXPECT_EQ(TextureTable[1].Name.str(), "TIMES.BMP");
  EXPECT_EQ(TextureTable[1].State, 1);
  EXPECT_FLOAT_EQ(form.NodeFont.XScale, 256.0f);
  EXPECT_FLOAT_EQ(form.NodeFont.YScale, 256.0f);
  EXPECT_GT(form.NodeFont.Glyphs[static_cast<unsigned char>('X')].Advance, 0.0f);

  // Nothing was warned about: the log holds only the two directory lines.
  const std::string base = base_.substr(0, base_.size() - 1) + "\\";
  EXPECT_EQ(ReadFileBytes(logFolder_ + "SYS_Debug.txt"),
            "Ostrel Debugfile\r\n0:Base_DIR=" + base + "\r\n0:Work_DIR=" + base + "vehicles\\\r\n");
  // The light of the start-up weather.
  EXPECT_FLOAT_EQ(LightScale, 3.3f);
  EXPECT_FLOAT_EQ(AmbientLight, 0.666f);
  EXPECT_GE(Gra_Counter(kGraCountSwaps), form.frames());
}

// A start-up that stopped leaves its window visible without frames, and closing the window is the
// end of the program (the application quits when its last window closes).
void ExpectStoppedWindowThatClosesTheProgram(vadrel::MainForm& form) {
  EXPECT_FALSE(form.terminated());
  EXPECT_EQ(form.frames(), 0u);
  EXPECT_TRUE(form.isVisible());
  // The program's run loop, as its main function enters it; the window is closed from inside it.
  // Should the loop not end, the guard ends it with another code.
  QTimer closer, guard;
  closer.setSingleShot(true);
  guard.setSingleShot(true);
  QObject::connect(&closer, &QTimer::timeout, &form, [&form] { form.close(); });
  QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
  closer.start(20);
  guard.start(10000);
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_FALSE(form.isVisible());
  // The later steps did not run: the caption was not set.
  EXPECT_NE(form.windowTitle(), "Corvane Vadrel v10.0");
}

TEST_F(VadrelStartup, MissingWorkFolderStopsStartUpWithAMessageNamingIt) {
  std::filesystem::remove(base_ + "vehicles");
  vadrel::MainForm form;
  form.FormCreate();
  EXPECT_EQ(form.failedStep(), 10);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].second.find(base_ + "vehicles/"), std::string::npos) << g_boxes[0].second;
  ExpectStoppedWindowThatClosesTheProgram(form);
}

TEST_F(VadrelStartup, MissingBaseFolderStopsBeforeAnythingIsReadFromIt) {
  const std::string missing = base_ + "nowhere";
  WriteFileBytes(base_ + "vadrel.ini", missing + "\r\n");
  vadrel::MainForm form;
  form.FormCreate();
  EXPECT_EQ(form.failedStep(), 6);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_NE(g_boxes[0].second.find(missing + "/"), std::string::npos) << g_boxes[0].second;
  EXPECT_EQ(Languages.Count, 0);
  ExpectStoppedWindowThatClosesTheProgram(form);
}

TEST_F(VadrelStartup, BaseFolderWithoutLanguageFilesStopsWithAMessageNamingItsFolder) {
  std::filesystem::remove(base_ + "ui/English.lgd");
  std::filesystem::remove(base_ + "ui/Deutsch.lgd");
  vadrel::MainForm form;
  form.FormCreate();
  EXPECT_EQ(form.failedStep(), 9);
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].second, "No language file (*.lgd) in " + base_ + "ui/");
  ExpectStoppedWindowThatClosesTheProgram(form);
}

}  // namespace
