// The 3D view of the running editor on the sample data: the frame read back from the back
// buffer, and the camera steered with QTest mouse events on the GL panel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

#include "apps/vadrel/mainform.h"
#include "apps/vadrel/view3d.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/files/languages.h"
#include "engine/files/vehiclefile.h"
#include "engine/mesh/mesh.h"
#include "engine/render/graphics.h"
#include "engine/store/nodepool.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "tests/support/editor_form.h"
#include "tests/support/test_support.h"
#include "tools/sample_gfx.h"
#include "tools/sample_mesh.h"

using testing_support::MakeTempFolder;
using testing_support::WriteFileBytes;

namespace {

using Rgb = std::array<int, 3>;

class VadrelView : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    base_ = MakeTempFolder("vbase");
    for (const char* sub : {"ui", "gfx", "vehicles"}) std::filesystem::create_directory(base_ + sub);
    WriteFileBytes(base_ + "ui/English.lgd", "HELLO\r\nHello\r\n@@\r\n^^\r\n");
    FreeLanguages();
    vadrel::FormUnitStart();
    std::string error;
    ASSERT_TRUE(sample_gfx::WriteSampleGraphics(base_, error)) << error;
    ASSERT_TRUE(sample_mesh::WriteSampleMeshes(base_, error)) << error;
    WriteFileBytes(base_ + "vadrel.ini", base_.substr(0, base_.size() - 1) + "\r\n");
    ASSERT_EQ(chdir(base_.c_str()), 0);
    sys_test::SetLogFolder(MakeTempFolder("vlog"));
    platform::SetMessageBoxSink([](const std::string&, const std::string&) {});
    std::memset(&TestVehicleInfo, 0, sizeof TestVehicleInfo);
  }
  void TearDown() override {
    std::memset(&TestVehicleInfo, 0, sizeof TestVehicleInfo);
    platform::SetMessageBoxSink(nullptr);
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }

  // Starts the editor and runs `body` once from its main loop after two frames, then closes it.
  void Run(const std::function<void(vadrel::MainForm&)>& body) {
    vadrel::MainForm form;
    editor_test::RunEditorForm(form, body, 2);
  }

  // The frame drawn into the back buffer and read back whole (rows from the bottom).
  static std::vector<uint8_t> Frame(vadrel::MainForm& form, int& w, int& h) {
    EXPECT_TRUE(platform::GlMakeCurrent(form.OGLW));
    form.DrawView3D();
    w = ViewportSize[0];
    h = ViewportSize[1];
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    GraGL.glReadBuffer(glk::BACK);
    GraGL.glPixelStorei(glk::PACK_ALIGNMENT, 1);
    GraGL.glReadPixels(0, 0, w, h, glk::RGBA, glk::UNSIGNED_BYTE, px.data());
    return px;
  }
  static Rgb At(const std::vector<uint8_t>& px, int w, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * w + x) * 4;
    return {px[i], px[i + 1], px[i + 2]};
  }
  static bool Grass(const Rgb& c) { return c[1] > 60 && c[1] > c[0] + 20 && c[1] > c[2] + 20; }

  std::string oldDir_, base_;
};

TEST_F(VadrelView, DrawsTheTestTracksRailAndRoad) {
  Run([](vadrel::MainForm& form) {
    // The sample textures: the road is a dark blue-grey asphalt, the rail a brown ballast with
    // darker sleepers; both are lit, so only their hues are compared.
    const auto road = [](const Rgb& c) { return c[2] >= c[0] && std::abs(c[0] - c[1]) <= 8 && c[0] < 120 && c[0] > 20; };
    const auto rail = [](const Rgb& c) { return c[0] >= c[2] + 16 && c[0] >= c[1] && c[1] >= c[2]; };
    const auto count = [&](const std::function<bool(const Rgb&)>& kind) {
      int w = 0, h = 0;
      const std::vector<uint8_t> px = Frame(form, w, h);
      int n = 0;
      for (int y = 0; y < h; y += 4)
        for (int x = 0; x < w; x += 4) n += kind(At(px, w, x, y));
      return n;
    };
    EXPECT_GT(count(road), 500);
    EXPECT_GT(count(rail), 100);
    // Without the pieces neither is there: the pixels are the track's.
    const int32_t railPieces = form.RailPieceCount, roadPieces = form.RoadPieceCount;
    form.RailPieceCount = 0;
    form.RoadPieceCount = 0;
    EXPECT_LT(count(road), 10);
    EXPECT_LT(count(rail), 10);
    form.RailPieceCount = railPieces;
    form.RoadPieceCount = roadPieces;
  });
}

TEST_F(VadrelView, ShowsTheGroundAndARightDragTurnsTheView) {
  Run([](vadrel::MainForm& form) {
    int w = 0, h = 0;
    const std::vector<uint8_t> before = Frame(form, w, h);
    ASSERT_EQ(w, 535);
    ASSERT_EQ(h, 433);
    // From the start camera (looking 20 degrees down) the lower half is grass with the test
    // track on it, the top is sky.
    int grass = 0, ground = 0;
    for (int y = 0; y < h / 2; y += 8)
      for (int x = 0; x < w; x += 8) {
        grass += Grass(At(before, w, x, y));
        ground += At(before, w, x, y) != Rgb{0, 0, 0};
      }
    EXPECT_GT(grass, (h / 16) * (w / 8) / 2);
    EXPECT_GT(ground, (h / 16) * (w / 8) * 9 / 10);
    EXPECT_EQ(At(before, w, w / 2, h - 2), (Rgb{0, 0, 0}));
    EXPECT_EQ(form.L_Coords->text(), "X:600.0    Y:130.0    Z:240.0    NICK:-20.0    GIER:140.0    ROLL:0.0");

    // A right-drag of 40 pixels to the right: the press recentres, so the first move may only
    // use up the skip; the camera turns by a quarter degree per pixel from the centre.
    // The pointer warp may or may not bring a real move of its own: it is waited for, and when
    // none came the skip is used up by a move of ours.
    const QPoint centre(form.OGLW->width() / 2, form.OGLW->height() / 2);
    QTest::mousePress(form.OGLW, Qt::RightButton, Qt::NoModifier, centre);
    EXPECT_EQ(vadrel::LastMouseX, centre.x());
    EXPECT_EQ(vadrel::LastMouseY, centre.y());
    QTest::qWaitFor([] { return !vadrel::SkipNextMouseMove; }, 1000);
    if (vadrel::SkipNextMouseMove) QTest::mouseMove(form.OGLW, centre + QPoint(1, 1));
    EXPECT_FALSE(vadrel::SkipNextMouseMove);
    EXPECT_FLOAT_EQ(Players[1].Camera.Gier, 140.0f);
    QTest::mouseMove(form.OGLW, centre + QPoint(40, 0));
    QTest::mouseRelease(form.OGLW, Qt::RightButton, Qt::NoModifier, centre + QPoint(40, 0));
    EXPECT_FLOAT_EQ(Players[1].Camera.Gier, 130.0f);
    // The move ended with a recentre.
    EXPECT_EQ(vadrel::LastMouseX, centre.x());
    EXPECT_TRUE(vadrel::SkipNextMouseMove);

    const std::vector<uint8_t> after = Frame(form, w, h);
    EXPECT_EQ(form.L_Coords->text(), "X:600.0    Y:130.0    Z:240.0    NICK:-20.0    GIER:130.0    ROLL:0.0");
    size_t changed = 0;
    for (size_t i = 0; i < after.size(); i += 4) changed += std::memcmp(&after[i], &before[i], 3) != 0;
    EXPECT_GT(changed, after.size() / 4 / 20);
  });
}

TEST_F(VadrelView, CheckedMeshRowShowsItsMeshAtTheRowPlacementWithoutDrift) {
  Run([](vadrel::MainForm& form) {
    // A plane stands nowhere on the test track, so its checked rows show at their placements.
    form.CB_Vehicletype->setCurrentIndex(2);
    LoadMesh2((*form.PreviewMeshes)[2], Work_DIR.str(), "cube.msh2");
    ASSERT_EQ((*form.PreviewMeshes)[2].PolygonCount, 6);
    // Looking level along -z at the origin from 60 units away; the ground lies below the centre.
    Players[1].Camera = {0.0f, 0.0f, 60.0f, 0.0f, 0.0f, 0.0f};
    int w = 0, h = 0;
    // A point inside the cube's picture but off the bounding box, which the empty box fields put
    // at the origin.
    const auto inside = [](int w, int h) { return std::pair{w / 2 + 10, h / 2 + 10}; };
    std::vector<uint8_t> px = Frame(form, w, h);
    EXPECT_EQ(At(px, w, inside(w, h).first, inside(w, h).second), (Rgb{0, 0, 0})) << "row not checked";

    form.MeshRowBoxes[2]->setChecked(true);
    px = Frame(form, w, h);
    EXPECT_EQ(At(px, w, inside(w, h).first, inside(w, h).second), (Rgb{210, 40, 30})) << "unlit red cube";

    // Moved 20 units to the right: the centre is free, the cube stands right of it.
    form.SGrid_Meshes->setCell(2, 2, "20.0");
    px = Frame(form, w, h);
    EXPECT_EQ(At(px, w, inside(w, h).first, inside(w, h).second), (Rgb{0, 0, 0}));
    // x = 20 at the cube's front (z = 5, 55 units away), with the horizontal half angle ViewFovX / 2.
    const int x20 = w / 2 + static_cast<int>(20.0 / 55.0 / std::tan(ViewFovX / 2 * M_PI / 180) * (w / 2.0));
    EXPECT_EQ(At(px, w, x20, h / 2), (Rgb{210, 40, 30}));

    // Turned by Gier 30 and Roll 10 the picture stays the same from frame to frame: every frame
    // places the loaded mesh anew.
    const std::unique_ptr<TMesh2> loaded = std::make_unique<TMesh2>((*form.PreviewMeshes)[2]);
    form.SGrid_Meshes->setCell(6, 2, "30.0");
    form.SGrid_Meshes->setCell(7, 2, "10.0");
    const std::vector<uint8_t> first = Frame(form, w, h);
    for (int i = 0; i < 3; ++i) form.OGLWRedrawWorld();
    EXPECT_EQ(Frame(form, w, h), first);
    // The loaded mesh itself is not moved.
    EXPECT_EQ(std::memcmp(loaded.get(), &(*form.PreviewMeshes)[2], sizeof(TMesh2)), 0);

    form.MeshRowBoxes[2]->setChecked(false);
    px = Frame(form, w, h);
    EXPECT_EQ(At(px, w, x20, h / 2), (Rgb{0, 0, 0})) << "unchecked again";
  });
}

TEST_F(VadrelView, ATrainShowsItsPartsWhereItStandsOnTheTrack) {
  Run([](vadrel::MainForm& form) {
    LoadMesh2((*form.PreviewMeshes)[2], Work_DIR.str(), "cube.msh2");
    form.MeshRowBoxes[2]->setChecked(true);
    form.CB_Vehicletype->setCurrentIndex(1);
    form.axlength->setText("30");
    ASSERT_TRUE(form.CalcWClick());
    // Looking level along -z at the train's front point from 60 units away: the cube, the body
    // (part 1, the first checked row), stands at the centre.
    const TPlacement pose = form.TestVehicle.Placement;
    Players[1].Camera = {pose.X, pose.Y, pose.Z + 60.0f, 0.0f, 0.0f, 0.0f};
    const auto red = [](const std::vector<uint8_t>& px) {
      int n = 0;
      for (size_t i = 0; i < px.size(); i += 4) n += px[i] == 210 && px[i + 1] == 40 && px[i + 2] == 30;
      return n;
    };
    int w = 0, h = 0;
    EXPECT_GT(red(Frame(form, w, h)), 100);
    // At the origin, where a vehicle standing nowhere shows its rows, there is nothing now.
    Players[1].Camera = {0.0f, 0.0f, 60.0f, 0.0f, 0.0f, 0.0f};
    EXPECT_EQ(red(Frame(form, w, h)), 0);
    form.MeshRowBoxes[2]->setChecked(false);
    Players[1].Camera = {pose.X, pose.Y, pose.Z + 60.0f, 0.0f, 0.0f, 0.0f};
    EXPECT_EQ(red(Frame(form, w, h)), 0);
  });
}

TEST_F(VadrelView, ShowNodesDrawsTheTrackNodesWithTheirLabels) {
  Run([](vadrel::MainForm& form) {
    form.CB_Vehicletype->setCurrentIndex(2);  // no vehicle on the track
    // Looking along -z at the rail curve's node 6 from 300 units, at the labels' height.
    const TVector node = NodeByIndex(6).Position;
    Players[1].Camera = {node.x, node.y + 60.0f, node.z + 300.0f, 0.0f, 0.0f, 0.0f};
    int w = 0, h = 0;
    form.CB_Nodes->setChecked(false);
    const std::vector<uint8_t> without = Frame(form, w, h);
    form.CB_Nodes->setChecked(true);
    const std::vector<uint8_t> with = Frame(form, w, h);
    int changed = 0;
    for (size_t i = 0; i < with.size(); i += 4) changed += with[i] != without[i] || with[i + 1] != without[i + 1];
    EXPECT_GT(changed, 200);
  });
}

TEST_F(VadrelView, LightSilhouettesOfTheSavedRecordShowInRedAndBadRangesAreLeftOut) {
  Run([](vadrel::MainForm& form) {
    // A plane stands nowhere on the test track, so its checked rows show at their placements.
    form.CB_Vehicletype->setCurrentIndex(2);
    Players[1].Camera = {0.0f, 0.0f, 60.0f, 0.0f, 0.0f, 0.0f};
    // A square of four points round the centre point 5 at height 0; the cone pushes it out 8 units.
    const TVector square[4] = {{-4, -4, 0}, {4, -4, 0}, {4, 4, 0}, {-4, 4, 0}};
    for (int i = 0; i < 4; ++i) TestVehicleInfo.LightSilhouette[i] = square[i];
    TestVehicleInfo.LightSilhouette[4] = {0, 0, 0};
    TestVehicleInfo.LightActive[0] = 1;
    TestVehicleInfo.LightRanges[0] = {1, 4, 5};
    TestVehicleInfo.LightCones[0][0] = 8.0f;

    auto redPixels = [&form] {
      int w = 0, h = 0;
      const std::vector<uint8_t> px = Frame(form, w, h);
      int red = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const Rgb c = At(px, w, x, y);
          red += c[0] > 200 && c[1] < 40 && c[2] < 40;
        }
      return red;
    };
    // Drawn only while "Show lights in 3D-view" is checked.
    EXPECT_EQ(redPixels(), 0);
    form.ShowLights->setChecked(true);
    EXPECT_GT(redPixels(), 100);
    TestVehicleInfo.LightRanges[0] = {1, 4, 52};  // a centre past the 51 points
    EXPECT_EQ(redPixels(), 0);
    TestVehicleInfo.LightRanges[0] = {1, 4, 5};
    TestVehicleInfo.LightActive[0] = 0;
    EXPECT_EQ(redPixels(), 0);
  });
}

TEST_F(VadrelView, SaveAsUnderThreeStarsWritesNoFileAndShowsTheLightsAsEntered) {
  // The save dialog adds the extension to the name the author typed.
  vadrel::SetFileDialogRunner([this](QFileDialog&, QString& out) {
    out = QString::fromStdString(base_ + "vehicles/***.vif");
    return true;
  });
  Run([this](vadrel::MainForm& form) {
    // A plane stands nowhere on the test track, so its checked rows show at their placements.
    form.CB_Vehicletype->setCurrentIndex(2);
    Players[1].Camera = {0.0f, 0.0f, 60.0f, 0.0f, 0.0f, 0.0f};
    form.ShowLights->setChecked(true);
    // The same square light as above, entered into the Light page.
    const float square[5][2] = {{-4, -4}, {4, -4}, {4, 4}, {-4, 4}, {0, 0}};
    for (int r = 1; r <= 5; ++r) {
      form.lightcoords->setCell(1, r, QString::number(square[r - 1][0]));
      form.lightcoords->setCell(2, r, QString::number(square[r - 1][1]));
    }
    form.LightActive[0]->setChecked(true);
    form.firstsil[0]->setText("1");
    form.LastSil[0]->setText("4");
    form.LightCoord[0]->setText("5");
    form.lightconel->setCell(1, 1, "8.0");
    auto redPixels = [&form] {
      int w = 0, h = 0;
      const std::vector<uint8_t> px = Frame(form, w, h);
      int red = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const Rgb c = At(px, w, x, y);
          red += c[0] > 200 && c[1] < 40 && c[2] < 40;
        }
      return red;
    };
    EXPECT_EQ(redPixels(), 0);  // nothing kept yet
    form.Bn_SaveAs->click();
    EXPECT_EQ(form.windowTitle(), "Corvane Vadrel v10.0 - ***");
    EXPECT_EQ(form.SaveFileName, "***");
    EXPECT_GT(redPixels(), 100);
    // No file of that name anywhere.
    for (const auto& e : std::filesystem::recursive_directory_iterator(base_))
      EXPECT_EQ(e.path().filename().string().find("***"), std::string::npos) << e.path();
  });
  vadrel::SetFileDialogRunner(nullptr);
}

TEST_F(VadrelView, NodeMarkersStandAsPostsWithTheirLabelsAbove) {
  Run([](vadrel::MainForm& form) {
    // Node 7 at the origin; the piece also names node 0 and a node past the pool, which are left out.
    TNode& node = NodeByIndex(7);
    node = {};
    node.Position = {0, 0, 0};
    node.Used = 255;
    TCurvePiece piece{};
    const uint32_t nodes[3] = {0, 7, NodeArrayCount + 1};
    piece.Way.NodesCounter = 3;
    for (int i = 0; i < 3; ++i) piece.Way.Nodes[i] = nodes[i];
    const TCurvePiece pieces[2] = {{}, piece};

    const TPlacement camera = {0.0f, 27.5f, 100.0f, 0.0f, 0.0f, 0.0f};
    ASSERT_TRUE(platform::GlMakeCurrent(form.OGLW));
    const int w = form.OGLW->width(), h = form.OGLW->height();
    vadrel::BeginViewFrame(camera, w, h);
    vadrel::DrawNodeMarkers(pieces, 1, false, &form.NodeFont);
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    GraGL.glReadBuffer(glk::BACK);
    GraGL.glPixelStorei(glk::PACK_ALIGNMENT, 1);
    GraGL.glReadPixels(0, 0, w, h, glk::RGBA, glk::UNSIGNED_BYTE, px.data());

    // Pixel rows of world heights at the node's distance.
    const double f = (h / 2.0) / (std::tan(ViewFovX / 2 * M_PI / 180) / ViewAspect);
    auto row = [&](double y) { return static_cast<int>(h / 2.0 + (y - 27.5) / 100.0 * f); };
    auto whiteInRow = [&](int y, int x0, int x1) {
      int n = 0;
      for (int x = x0; x <= x1; ++x) n += At(px, w, x, y) == Rgb{255, 255, 255};
      return n;
    };
    // The post from -5 to 60 in the middle column.
    for (double y : {-3.0, 10.0, 30.0, 55.0}) EXPECT_GE(whiteInRow(row(y), w / 2 - 1, w / 2), 1) << y;
    EXPECT_EQ(whiteInRow(row(-8.0), 0, w - 1), 0);
    // The label "Node 7" (no links) sits on the post's top, centred on it.
    int label = 0;
    for (int y = row(60.5); y <= row(66.0); ++y) label += whiteInRow(y, w / 2 - 60, w / 2 + 60) - whiteInRow(y, w / 2 - 1, w / 2);
    EXPECT_GT(label, 10);
    EXPECT_EQ(whiteInRow(row(75.0), 0, w - 1), 0);
    int left = 0, right = 0;
    for (int y = row(60.5); y <= row(66.0); ++y) {
      left += whiteInRow(y, w / 2 - 60, w / 2 - 2);
      right += whiteInRow(y, w / 2 + 1, w / 2 + 60);
    }
    EXPECT_GT(left, 3);
    EXPECT_GT(right, 3);
  });
}

}  // namespace
