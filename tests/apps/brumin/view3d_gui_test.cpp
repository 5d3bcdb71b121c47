// The building editor's window driven under Xvfb: the page change builds the preview from the
// grids, the view shows its meshes and node spheres (pixels read back), right-drag steering, the
// name per language, the grids' rules and AutoBound.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <QTabWidget>
#include <QTest>

#include "apps/brumin/glwindow.h"
#include "apps/brumin/mainform.h"
#include "apps/brumin/view3d.h"
#include "tests/apps/brumin/form_fixture.h"
#include "tests/support/gl_readback.h"

using brumin_test::BruminForm;

namespace {

using gl_readback::ReadRgb;
using gl_readback::Rgb;

constexpr Rgb kSky{0, 0, 128};

// Draws one frame and reads the given pixels of it (from the bottom left).
std::vector<Rgb> DrawAndRead(brumin::MainForm& f, const std::vector<QPoint>& at) {
  std::vector<Rgb> got;
  f.OGLW->OnRedrawWorld = [&](brumin::TOpenGl&) {
    f.OGLWRedrawWorld();
    for (const QPoint& p : at) got.push_back(ReadRgb(p.x(), p.y()));
  };
  f.drawtimerTimer();
  return got;
}

TEST_F(BruminForm, PageChangeLoadsTheCheckedMeshRowAndTheViewShowsIt) {
  RunForm([](brumin::MainForm& f) {
    EXPECT_EQ(DrawAndRead(f, {{269, 217}})[0], kSky);
    f.SGrid_Meshes->setCell(1, 1, "'samplehouse.msh2'");
    f.SGrid_Meshes->setCell(3, 1, "-2");
    f.SGrid_Meshes->setCell(4, 1, "-40");
    f.SGrid_Meshes->setCell(6, 1, "30");
    f.MeshRowBoxes[1]->setChecked(true);
    (*f.PreviewBlocks)[1].ScriptPlacement.X = 500;  // a rebuild clears the script's placement
    f.Notebook->setCurrentIndex(7);
    const brumin::TPreviewBlock& block = (*f.PreviewBlocks)[1];
    ASSERT_TRUE(block.Loaded);
    EXPECT_GT(block.Mesh.VertexCount, 0);
    EXPECT_EQ(block.RowPlacement.Z, -40.0f);
    EXPECT_EQ(block.RowPlacement.Gier, 30.0f);
    EXPECT_EQ(block.ScriptPlacement.X, 0.0f);
    EXPECT_NE(DrawAndRead(f, {{269, 217}})[0], kSky);  // the house stands in front of the camera

    // Unchecked, the block keeps its mesh but is not drawn.
    f.MeshRowBoxes[1]->setChecked(false);
    f.Notebook->setCurrentIndex(0);
    EXPECT_FALSE(block.Loaded);
    EXPECT_GT(block.Mesh.VertexCount, 0);
    EXPECT_EQ(DrawAndRead(f, {{269, 217}})[0], kSky);
  });
}

// "Load it" on the sample house: the view shows the house's mesh row.
TEST_F(BruminForm, LoadItShowsTheLoadedBuildingInTheView) {
  RunForm([](brumin::MainForm& f) {
    const QPoint centre(269, 217);
    EXPECT_EQ(DrawAndRead(f, {centre})[0], kSky);
    ASSERT_GE(f.CB_Filenames->count(), 1);
    f.CB_Filenames->setCurrentIndex(f.CB_Filenames->findText("Sample house (samplehouse.bif)"));
    QTest::mouseClick(f.Bn_Loadit, Qt::LeftButton);
    ASSERT_TRUE((*f.PreviewBlocks)[1].Loaded);
    EXPECT_NE(DrawAndRead(f, {centre})[0], kSky);
  });
}

TEST_F(BruminForm, NodeSpheresShowInTheirKindsColourWhileNodesAreShown) {
  RunForm([](brumin::MainForm& f) {
    // A station node at the origin: its sphere (radius 2, lifted by 2) lies above the centre. It
    // links to a node the table does not hold, which is not followed.
    f.NodeStationBoxes[1]->setChecked(true);
    f.SGrid_Nodes->setCell(4, 1, "250");
    f.Notebook->setCurrentIndex(5);
    ASSERT_TRUE(f.PreviewNodes[1].Visible);
    EXPECT_EQ(f.PreviewNodes[1].Kind, 1);
    const QPoint sphere(269, 242);
    // The spheres turn with the tick counter: hold it where the sphere shows its face.
    platform::SetTickSource([] { return uint32_t{0}; });
    Rgb at = DrawAndRead(f, {sphere})[0];
    platform::SetTickSource(nullptr);
    EXPECT_EQ(at[0], 0);
    EXPECT_GT(at[1], 0);
    EXPECT_EQ(at[2], 0);
    f.CB_ShowNodes->setChecked(false);
    EXPECT_EQ(DrawAndRead(f, {sphere})[0], kSky);
    // The camera line is written every frame.
    EXPECT_EQ(f.L_Coords->text(), "X : 0.0 Y : 0.0 Z : 30.0 NICK : 0.0 GIER : 0.0 ROLL : 0.0");
  });
}

TEST_F(BruminForm, RightDragTurnsTheCameraFromTheViewCentre) {
  RunForm([](brumin::MainForm& f) {
    const QPoint centre(f.OGLW->CachedWidth() / 2, f.OGLW->CachedHeight() / 2);
    QTest::mousePress(f.OGLW, Qt::RightButton, Qt::NoModifier, centre);
    EXPECT_EQ(brumin::ViewCentreX, centre.x());
    EXPECT_EQ(brumin::ViewCentreY, centre.y());
    // The cursor jump may or may not bring a move of its own (late on a loaded machine); the skip
    // is used up either way.
    QTest::qWaitFor([] { return !brumin::IgnoreMouseMove; }, 1000);
    if (brumin::IgnoreMouseMove) QTest::mouseMove(f.OGLW, centre + QPoint(1, 1));
    EXPECT_FALSE(brumin::IgnoreMouseMove);
    EXPECT_EQ(f.OGLW->glDriver->Observer.Gier, 0.0L);
    QTest::mouseMove(f.OGLW, centre + QPoint(40, 0));
    QTest::mouseRelease(f.OGLW, Qt::RightButton, Qt::NoModifier, centre + QPoint(40, 0));
    EXPECT_EQ(f.OGLW->glDriver->Observer.Gier, 10.0L);
    EXPECT_TRUE(brumin::IgnoreMouseMove);  // recentred after the step
    DrawAndRead(f, {});
    EXPECT_EQ(f.L_Coords->text(), "X : 0.0 Y : 0.0 Z : 30.0 NICK : 0.0 GIER : 10.0 ROLL : 0.0");
  });
}

TEST_F(BruminForm, NamePerLanguageStaysInsideTheTable) {
  RunForm([](brumin::MainForm& f) {
    f.CB_Language->setCurrentIndex(1);
    f.E_BuildingName->setText("Rathaus");
    f.E_BuildingNameKeyUp();
    EXPECT_EQ(f.NameTable[1].Name.str(), "Rathaus");
    EXPECT_EQ(f.NameTable[1].Language.str(), "English");
    f.CB_Language->setCurrentIndex(0);
    f.CB_LanguageChange();
    EXPECT_EQ(f.E_BuildingName->text(), "");
    f.CB_Language->setCurrentIndex(1);
    f.CB_LanguageChange();
    EXPECT_EQ(f.E_BuildingName->text(), "Rathaus");

    // A language past the 20 entries neither stores nor shows a name.
    for (int i = 0; i < 25; ++i) f.CB_Language->addItem(QString("Lang%1").arg(i));
    f.CB_Language->setCurrentIndex(22);
    f.E_BuildingName->setText("Far");
    const auto before = f.NameTable;
    f.E_BuildingNameKeyUp();
    for (size_t i = 0; i < 20; ++i) {
      EXPECT_EQ(f.NameTable[i].Name.str(), before[i].Name.str()) << i;
      EXPECT_EQ(f.NameTable[i].Language.str(), before[i].Language.str()) << i;
    }
    f.CB_LanguageChange();
    EXPECT_EQ(f.E_BuildingName->text(), "");
    // The combo takes no keys.
    f.CB_Language->setCurrentIndex(0);
    QTest::keyClick(f.CB_Language, Qt::Key_Down);
    EXPECT_EQ(f.CB_Language->currentIndex(), 0);
  });
}

TEST_F(BruminForm, GridRulesAutoBoundAndTheMeshChoice) {
  RunForm([](brumin::MainForm& f) {
    // Cells that hold a row's controls cannot be selected.
    EXPECT_FALSE(f.SGrid_Ways->item(3, 1)->flags() & Qt::ItemIsSelectable);
    EXPECT_FALSE(f.SGrid_Ways->item(3, 6)->flags() & Qt::ItemIsSelectable);
    EXPECT_TRUE(f.SGrid_Ways->item(3, 2)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(f.SGrid_Nodes->item(3, 6)->flags() & Qt::ItemIsSelectable);
    EXPECT_TRUE(f.SGrid_Nodes->item(3, 5)->flags() & Qt::ItemIsEditable);
    EXPECT_FALSE(f.SGrid_Meshes->item(3, 1)->flags() & Qt::ItemIsSelectable);
    for (const char* ok : {"0", "9", ".", "\x08", "\r", "\x1b", "\x07"})
      EXPECT_TRUE(brumin::MainForm::SGrid_WaysKeyPress(QChar(ok[0]))) << int(ok[0]);
    for (const char* refused : {"a", "-", ",", " ", "+"})
      EXPECT_FALSE(brumin::MainForm::SGrid_WaysKeyPress(QChar(refused[0]))) << refused;
    EXPECT_EQ(f.SGrid_NodesGetEditMask(4, 1), "99");
    EXPECT_EQ(f.SGrid_NodesGetEditMask(3, 1), "");
    // Typed into a ways cell, only the digits arrive; a link cell takes two digits.
    f.Notebook->setCurrentIndex(4);
    f.SGrid_Ways->editItem(f.SGrid_Ways->item(2, 2));
    QLineEdit* editor = f.SGrid_Ways->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->clear();
    QTest::keyClicks(editor, "x1y2");
    EXPECT_EQ(editor->text(), "12");
    f.Notebook->setCurrentIndex(5);
    f.SGrid_Nodes->editItem(f.SGrid_Nodes->item(3, 4));
    editor = f.SGrid_Nodes->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->clear();
    QTest::keyClicks(editor, "1a23");
    EXPECT_EQ(editor->text(), "12");

    // AutoBound with no mesh writes the start values.
    f.AutoBoundB->click();
    EXPECT_EQ(f.bbx[0]->text(), "16777215.0");
    EXPECT_EQ(f.bbz[1]->text(), "0.0");
    EXPECT_EQ(f.bbx[2]->text(), "0.0");
    EXPECT_EQ(f.bbz[3]->text(), "16777215.0");
    EXPECT_EQ(f.bby[0]->text(), "0.0");
    EXPECT_EQ(f.btop->text(), "0.0");
    EXPECT_EQ(f.bbottom->text(), "16777215.0");

    // A double-click on a Mid row's file cell chooses its mesh.
    QString title;
    brumin::SetFileDialogRunner([&](QFileDialog& dlg, QString& chosen) {
      title = dlg.windowTitle();
      chosen = "/somewhere/meshes/tower.msh2";
      return true;
    });
    const int row = 12;
    f.SGrid_MeshesMouseMove(QPoint(f.SGrid_Meshes->columnViewportPosition(1) + 5,
                                   f.SGrid_Meshes->rowViewportPosition(row) + 5));
    f.SGrid_MeshesDblClick();
    EXPECT_EQ(title, "Select mesh-file to open");
    EXPECT_EQ(f.SGrid_Meshes->cell(1, row), "'tower.msh2'");
    EXPECT_TRUE(f.MeshRowBoxes[row]->isChecked());
    EXPECT_EQ(f.MeshPathMid, "/somewhere/meshes/tower.msh2");
    EXPECT_TRUE(f.MeshPathNear.empty());
  });
}

}  // namespace
