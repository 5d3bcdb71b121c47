// The building editor started on a small base folder: its start-up, window, pages and their
// controls, the script names it registers, its first frames and the main loop's end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "apps/brumin/glwindow.h"
#include "apps/brumin/mainform.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/files/languages.h"
#include "engine/render/graphics.h"
#include "script/interpreter.h"
#include "script/sdatabase.h"
#include "tests/apps/brumin/form_fixture.h"
#include "tests/support/gl_readback.h"

using brumin_test::BruminForm;
using brumin_test::Boxes;
using brumin_test::Find;

namespace {

using gl_readback::ReadRgb;
using gl_readback::Rgb;

// A grid cell in the grid's own coordinates.
QRect Cell(const platform::StringGrid* g, int col, int row) {
  return QRect(g->frameWidth() + g->columnViewportPosition(col), g->frameWidth() + g->rowViewportPosition(row),
               g->columnWidth(col), g->rowHeight(row));
}

QStringList Items(const QComboBox* c) {
  QStringList items;
  for (int i = 0; i < c->count(); ++i) items << c->itemText(i);
  return items;
}

TEST_F(BruminForm, StartsOnTheBaseFolderAndRunsUntilTheWindowCloses) {
  const std::string base = base_.substr(0, base_.size() - 1) + "\\";
  RunForm(
      [&](brumin::MainForm& f) {
        EXPECT_EQ(f.windowTitle(), "Corvane Brumin v8.0");
        EXPECT_EQ(f.size(), QSize(1016, 546));
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(Base_DIR.str(), base);
        EXPECT_EQ(Work_DIR.str(), base + "buildings\\");
        EXPECT_EQ(platform::CurrentDir() + "/", base_ + "buildings/");
        // The languages in the order of the language list; the first is selected, English current.
        EXPECT_EQ(Items(f.CB_Language), (QStringList{"Deutsch", "English"}));
        EXPECT_EQ(f.CB_Language->currentIndex(), 0);
        EXPECT_EQ(CurrentLanguage->Name, "English");
        EXPECT_TRUE(f.ScriptSaved);
        EXPECT_TRUE(f.CodeStream.empty());
        EXPECT_TRUE(f.MeshPathNear.empty() && f.MeshPathMid.empty() && f.MeshPathFar.empty());
        for (int k = 1; k <= 10; ++k) EXPECT_FALSE((*f.PreviewBlocks)[static_cast<size_t>(k)].Loaded) << k;
        // The markers take the first texture slots, the label font's picture the next.
        EXPECT_EQ(f.SphereTexture, 1u);
        EXPECT_EQ(f.SmokeTexture, 2u);
        EXPECT_EQ(f.TextFont.Name.str(), "times");
        EXPECT_EQ(f.TextFont.Slot, 3u);
        EXPECT_EQ(f.OGLW->geometry(), QRect(0, 0, 538, 434));
        EXPECT_TRUE(f.OGLW->glDriver->Initialized());
        EXPECT_FALSE(f.drawtimer->isActive());
        // Every redraw counts in the script's frame counter.
        EXPECT_GE(static_cast<unsigned long>(f.Frame), f.frames());
        EXPECT_FALSE(f.terminated());
      },
      3);
  EXPECT_TRUE(Boxes().empty());
}

// On the sample data the debug log holds its header and the simulation unit's start line, and a
// preview block that holds a mesh is drawn at its row placement.
TEST_F(BruminForm, StartsWithItsTwoLogLinesAndDrawsALoadedPreviewMesh) {
  const std::string log = SYS_DebugFileName();
  EXPECT_EQ(testing_support::ReadFileBytes(log), "Ostrel Debugfile (initialized by SYS)\r\nGameplay Initialization\r\n");
  brumin::MainForm form;
  Rgb centre{};
  form.OGLW->OnRedrawWorld = [&](brumin::TOpenGl&) {
    form.OGLWRedrawWorld();
    centre = ReadRgb(269, 217);
  };
  RunForm(
      form,
      [&](brumin::MainForm& f) {
        EXPECT_EQ(centre, (Rgb{0, 0, 128}));  // nothing loaded: the sky
        brumin::TPreviewBlock& block = (*f.PreviewBlocks)[1];
        brumin::LoadMeshFile(block.Mesh, "samplehouse.msh2");
        ASSERT_GT(block.Mesh.VertexCount, 0);
        block.RowPlacement = {0.0f, -2.0f, -40.0f, 0.0f, 30.0f, 0.0f};
        block.Loaded = true;
        f.drawtimerTimer();
        EXPECT_NE(centre, (Rgb{0, 0, 128}));  // the house stands in front of the camera
      },
      2);
  // Start-up and drawing warned about nothing: the log still holds its two lines.
  EXPECT_EQ(testing_support::ReadFileBytes(log), "Ostrel Debugfile (initialized by SYS)\r\nGameplay Initialization\r\n");
}

TEST_F(BruminForm, FormCloseEndsTheMainLoopAfterItsPass) {
  brumin::MainForm form;
  unsigned long framesAtClose = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, &form, [&] {
    if (form.frames() < 2 || form.terminated()) return;
    framesAtClose = form.frames();
    form.FormClose();
  });
  timer.start(5);
  form.FormCreate();
  EXPECT_TRUE(form.terminated());
  EXPECT_EQ(form.frames(), framesAtClose);
}

// The view's stored settings: the first frame (made when the driver starts) is cleared black, the
// later ones navy, the sky colour the form stores.
TEST_F(BruminForm, ViewIsBlackOnTheFirstFrameAndNavyFromTheSecondOn) {
  brumin::MainForm form;
  const brumin::TOpenGl& gl = *form.OGLW->glDriver;
  EXPECT_EQ(gl.ColorBits, 32);
  EXPECT_EQ(gl.DepthBits, 64);
  EXPECT_EQ(gl.DisplayRect.pwidth, 538);
  EXPECT_EQ(gl.DisplayRect.pheight, 434);
  EXPECT_EQ(gl.Perspective.NearClipping, 10.0);
  EXPECT_EQ(gl.Perspective.FarClipping, 10000.0);
  EXPECT_EQ(gl.Perspective.AspectRatio, 1.3333);
  EXPECT_EQ(gl.SkyColor.Value, 0x800000u);
  EXPECT_EQ(gl.Observer.AugZ, 30.0L);
  EXPECT_FALSE(gl.Fog.FogActive);
  std::vector<Rgb> frames;
  form.OGLW->OnRedrawWorld = [&](brumin::TOpenGl&) {
    form.OGLWRedrawWorld();
    frames.push_back(ReadRgb(269, 217));
  };
  RunForm(form, [](brumin::MainForm&) {}, 3);
  ASSERT_GE(frames.size(), 4u);
  EXPECT_EQ(frames[0], (Rgb{0, 0, 0}));
  for (size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i], (Rgb{0, 0, 128})) << i;
  EXPECT_EQ(form.Frame, static_cast<int32_t>(frames.size()));
}

TEST_F(BruminForm, NotebookHasItsEightPagesInOrder) {
  RunForm([](brumin::MainForm& f) {
    const QStringList want = {"General", "Bounding box", "Script", "Points", "Ways", "Nodes", "Sound", "Meshes"};
    ASSERT_EQ(f.Notebook->count(), want.size());
    for (int i = 0; i < want.size(); ++i) {
      EXPECT_EQ(f.Notebook->tabText(i), want[i]);
      EXPECT_EQ(f.Notebook->widget(i)->objectName(), want[i]);
    }
    EXPECT_EQ(f.Notebook->geometry().width(), 478);
    // Each control is on its page.
    const struct {
      const char* page;
      const char* control;
    } placed[] = {
        {"General", "CB_Language"},   {"General", "E_BuildingName"}, {"General", "CB_BuildingType"},
        {"General", "Startyear"},     {"General", "minwealth"},      {"General", "smoketp"},
        {"General", "CB_WayInvisible"}, {"General", "mdepotspeed"},  {"General", "CitySp"},
        {"Bounding box", "bbz4"},     {"Bounding box", "front3"},    {"Bounding box", "AutoBoundB"},
        {"Script", "srcmemo"},        {"Script", "SaveSB"},          {"Points", "SGrid_Points"},
        {"Points", "generatorpoint"}, {"Ways", "SGrid_Ways"},        {"Ways", "WayTypeBox20"},
        {"Nodes", "SGrid_Nodes"},     {"Nodes", "NodeScriptedBox100"}, {"Nodes", "Panel_Protected"},
        {"Sound", "E_Sound15M"},      {"Sound", "Button_LoadSound"}, {"Meshes", "SGrid_Meshes"},
        {"Meshes", "MeshRowBox30"},
    };
    for (const auto& p : placed) {
      QWidget* page = Find<QWidget>(*f.Notebook, p.page);
      ASSERT_NE(page, nullptr);
      EXPECT_NE(page->findChild<QWidget*>(p.control), nullptr) << p.page << ": " << p.control;
    }
  });
}

TEST_F(BruminForm, GeneralPageControls) {
  RunForm([](brumin::MainForm& f) {
    EXPECT_EQ(f.CB_Language->toolTip(), QString::fromUtf8("Select a language for the building\u00B4s name"));
    EXPECT_FALSE(f.CB_Language->isEditable());
    EXPECT_EQ(f.E_BuildingName->toolTip(), "Name of building in selected language (max. 40 chars)");
    EXPECT_EQ(Items(f.CB_BuildingType),
              (QStringList{"House", "Industry", "Station", "Bridge", "Pillar", "Attraction", "Deco", "Depot", "Tunnel",
                           "Airport", "Marketplace", "Public", "Church", "Pseudoindustry"}));
    EXPECT_EQ(f.CB_BuildingType->maxVisibleItems(), 20);
    EXPECT_EQ(Items(f.wealth),
              (QStringList{"Poor", "Lower middle class", "Upper middle class", "Rich", "Students", "Military"}));
    EXPECT_EQ(Items(f.CB_Location), (QStringList{"Central", "Peripheral", "Outside", "Anywhere", "Coast"}));
    EXPECT_EQ(Items(f.CB_Placement), (QStringList{"Not at corner", "Only at corner", "Also at corner"}));
    EXPECT_EQ(Items(f.CB_Waytype), (QStringList{"None", "Rail", "Road"}));
    EXPECT_EQ(Items(f.smoketp).size(), 9);
    EXPECT_EQ(f.smoketp->itemText(1), "Train-factory-Smoke");
    EXPECT_EQ(f.smoketp->itemText(8), "Reserved7");
    for (QComboBox* c : {f.CB_BuildingType, f.wealth, f.CB_Location, f.CB_Placement, f.CB_Waytype}) {
      EXPECT_FALSE(c->isEditable()) << c->objectName().toStdString();
      EXPECT_EQ(c->currentIndex(), 0) << c->objectName().toStdString();
    }
    EXPECT_TRUE(f.CB_Style->isEditable());
    EXPECT_EQ(Items(f.CB_Style), (QStringList{"none", "classic", "chequerwork"}));
    EXPECT_EQ(f.CB_Style->currentText(), "none");

    const struct {
      QSpinBox* spin;
      int minimum, maximum, value;
    } spins[] = {
        {f.SP_MinCitySize, 0, 2000000000, 0}, {f.minindust, 0, 2000000000, 0}, {f.minwealth, 0, 2000000000, 0},
        {f.inhmax, 0, 2000000000, 0},         {f.costs, -1, 2000000000, -1}, {f.dcosts, -1, 2000000000, -1},
        {f.Spin_Waypoint1, 0, 30, 0},         {f.Spin_Waypoint2, 0, 30, 0},  {f.entrynode, 0, 100, 0},
        {f.depotnode, 0, 100, 0},             {f.parkingslots, 0, 100, 0},   {f.generatorpoint, 1, 30, 1},
    };
    for (const auto& s : spins) {
      const std::string name = s.spin->objectName().toStdString();
      EXPECT_EQ(s.spin->minimum(), s.minimum) << name;
      EXPECT_EQ(s.spin->maximum(), s.maximum) << name;
      EXPECT_EQ(s.spin->value(), s.value) << name;
    }
    EXPECT_EQ(f.costs->toolTip(), "Costs to create building (-1 = impossible)");
    EXPECT_EQ(f.minindust->toolTip(), "Minimal size of the industry, till this building can be built");
    for (QLineEdit* e : {f.smokeposx, f.smokeposy, f.smokeposz, f.slotl, f.mdepotspeed})
      EXPECT_EQ(e->text(), "0.0") << e->objectName().toStdString();

    const struct {
      QCheckBox* box;
      const char* text;
    } checks[] = {
        {f.fixedsize, "Building has got fixed size"}, {f.smoking, "Smoking"},
        {f.CB_Wayed, "Wayed"},                        {f.CB_WayInvisible, "Way is invisible"},
        {f.nirvdepot, "Nirvana-depot"},               {f.MapUni, "Only one building of this type per map"},
        {f.CitySp, "Cityspecific"},
    };
    for (const auto& c : checks) {
      EXPECT_EQ(c.box->text(), c.text);
      EXPECT_FALSE(c.box->isChecked()) << c.text;
    }
    // Captions of the page.
    QStringList labels;
    for (const QLabel* l : f.Notebook->widget(0)->findChildren<QLabel*>()) labels << l->text();
    for (const char* caption : {"Name", "Type", "Startyear", "Endyear", "Minimal citysize", "minimal industrysize",
                                "storeys", "Wealth", "max. inhabitants", "Costs", "D.-Costs", "Style", "Location",
                                "Placement", "Smoke-creation-point", "X", "Waypoint 1", "Way type", "Exit node",
                                "Depot node", "Parking slots", "Slotlength", "Depotspeed"})
      EXPECT_TRUE(labels.contains(caption)) << caption;
    QStringList groups;
    for (const QGroupBox* g : f.Notebook->widget(0)->findChildren<QGroupBox*>()) groups << g->title();
    EXPECT_EQ(groups, (QStringList{"Smoke", "WAYED", "Depot-Settings"}));
  });
}

TEST_F(BruminForm, YearListsRunFrom1800To3000AndKeepTheirTexts) {
  RunForm([](brumin::MainForm& f) {
    for (QComboBox* years : {f.Startyear, f.Endyear}) {
      EXPECT_TRUE(years->isEditable());
      ASSERT_EQ(years->count(), 251 + 6 + 8);
      const struct {
        int index;
        const char* year;
      } at[] = {{0, "1800"}, {1, "1801"}, {250, "2050"}, {251, "2075"}, {256, "2200"}, {257, "2300"}, {264, "3000"}};
      for (const auto& a : at) EXPECT_EQ(years->itemText(a.index), a.year) << a.index;
    }
    EXPECT_EQ(f.Startyear->currentText(), "0");
    EXPECT_EQ(f.Endyear->currentText(), "3000");
    EXPECT_EQ(f.Startyear->toolTip(), "First year of appearance");
  });
}

TEST_F(BruminForm, BoundingBoxScriptAndSoundPagesAndTheFilePanel) {
  RunForm([](brumin::MainForm& f) {
    for (int i = 0; i < 4; ++i) {
      const std::string n = std::to_string(i + 1);
      for (const char* axis : {"bbx", "bby", "bbz"})
        EXPECT_EQ(Find<QLineEdit>(f, (axis + n).c_str())->text(), "0.0") << axis << n;
      QCheckBox* front = Find<QCheckBox>(f, ("front" + n).c_str());
      EXPECT_EQ(front->text(), "Front");
      EXPECT_EQ(front->toolTip(), "Is this side a building-front?");
    }
    EXPECT_EQ(f.btop->text(), "0.0");
    EXPECT_EQ(f.bbottom->toolTip(), "Bottom Y-coordinate of the bounding-box");
    EXPECT_EQ(f.AutoBoundB->text(), "AutoBound");

    const QStringList lines = f.srcmemo->toPlainText().split('\n');
    EXPECT_EQ(lines, brumin::ScriptTemplate());
    ASSERT_EQ(lines.size(), 43);
    EXPECT_EQ(lines[0], "//standard procedures:");
    EXPECT_EQ(lines[29], "      Script_HeadOverNode = 3; //HeaveOverNode-Event");
    EXPECT_EQ(lines[41], "   If sparam1=Script_Display Then Display; {else...}");
    EXPECT_EQ(lines[42], "End;");
    EXPECT_EQ(f.srcmemo->palette().color(QPalette::Base), QColor(Qt::black));
    EXPECT_EQ(f.srcmemo->palette().color(QPalette::Text), QColor(Qt::cyan));
    EXPECT_EQ(f.srcmemo->font().family(), "Courier New");
    EXPECT_EQ(f.CompileB->text(), "Compile");
    EXPECT_EQ(f.LoadSB->text(), "Load");
    EXPECT_EQ(f.SaveSB->text(), "Save");

    EXPECT_EQ(f.CB_Play15Minutes->text(), "Play sound everyl 15 minutes");
    EXPECT_EQ(f.E_Sound15M->text(), "");
    EXPECT_EQ(f.Button_LoadSound->text(), "...");

    EXPECT_EQ(f.Bn_Open->text(), "Open file");
    EXPECT_EQ(f.Bn_Save->text(), "Save file");
    EXPECT_FALSE(f.Bn_Save->isEnabled());
    EXPECT_EQ(f.Bn_SaveAs->text(), "Save file as");
    EXPECT_EQ(f.Bn_Loadit->text(), "Load it");
    EXPECT_FALSE(f.FileListBox_Buildingfilenames->isVisible());
    EXPECT_EQ(f.CB_ShowNodes->text(), "Show nodes");
    EXPECT_TRUE(f.CB_ShowNodes->isChecked());
    EXPECT_NE(Find<QLabel>(f, "L_Coords"), nullptr);
    EXPECT_EQ(f.ProtectedPanel->text(), "PROTECTED");
    EXPECT_TRUE(f.ProtectedPanel->font().bold());
    EXPECT_EQ(f.ProtectedPanel->geometry(), QRect(57, 25, 134, 101));
  });
}

TEST_F(BruminForm, GridsHoldTheirTextsAndEachRowItsControls) {
  RunForm([](brumin::MainForm& f) {
    // Points.
    EXPECT_EQ(f.SGrid_Points->columnCount(), 4);
    EXPECT_EQ(f.SGrid_Points->rowCount(), 31);
    EXPECT_EQ(f.SGrid_Points->cell(1, 0), "X");
    EXPECT_EQ(f.SGrid_Points->cell(3, 0), "Z");
    EXPECT_EQ(f.SGrid_Points->cell(0, 30), "30");
    EXPECT_EQ(f.SGrid_Points->cell(2, 17), "0.0");

    // Ways: headers, row numbers, point cells, and each row's box and way-type choice on its cells.
    const QStringList wayHead = {"Used", "Point1", "Point2", "Point3", "Point4", "Way type"};
    for (int c = 1; c <= 6; ++c) EXPECT_EQ(f.SGrid_Ways->cell(c, 0), wayHead[c - 1]);
    const int wayWidths[] = {34, 38, 40, 40, 40, 39, 192};
    for (int c = 0; c < 7; ++c) EXPECT_EQ(f.SGrid_Ways->columnWidth(c), wayWidths[c]);
    for (int k = 1; k <= 20; ++k) {
      EXPECT_EQ(f.SGrid_Ways->cell(0, k), QString::number(k));
      for (int c = 2; c <= 5; ++c) EXPECT_EQ(f.SGrid_Ways->cell(c, k), "0");
      QCheckBox* used = f.WayUsedBoxes[static_cast<size_t>(k)];
      QComboBox* type = f.WayTypeBoxes[static_cast<size_t>(k)];
      ASSERT_TRUE(used && type) << k;
      EXPECT_EQ(used->objectName(), QString("WayUsedBox%1").arg(k));
      EXPECT_FALSE(used->isChecked());
      EXPECT_EQ(used->width(), 12);
      EXPECT_TRUE(Cell(f.SGrid_Ways, 1, k).contains(used->geometry().center())) << k;
      EXPECT_EQ(Items(type), (QStringList{"2-end-street", "4-end-street", "2-end-rail", "3-end-router", "4-end-router"}));
      EXPECT_EQ(type->currentIndex(), 0);
      EXPECT_FALSE(type->isEditable());
      EXPECT_EQ(type->geometry().topLeft(), Cell(f.SGrid_Ways, 6, k).topLeft()) << k;
      EXPECT_EQ(type->width(), 191);
    }
    EXPECT_EQ(f.SGrid_Ways->currentColumn(), 2);

    // Nodes.
    const QStringList nodeHead = {"X", "Y", "Z", "Next1", "Next2", "Station", "Switcher", "Scripted"};
    for (int c = 1; c <= 8; ++c) EXPECT_EQ(f.SGrid_Nodes->cell(c, 0), nodeHead[c - 1]);
    EXPECT_EQ(f.SGrid_Nodes->rowCount(), 101);
    for (int k = 1; k <= 100; ++k) {
      EXPECT_EQ(f.SGrid_Nodes->cell(0, k), "Node " + QString::number(k));
      EXPECT_EQ(f.SGrid_Nodes->cell(3, k), "0.0");
      EXPECT_EQ(f.SGrid_Nodes->cell(5, k), "0");
      const std::array<QCheckBox*, 3> flags = {f.NodeStationBoxes[static_cast<size_t>(k)],
                                               f.NodeSwitcherBoxes[static_cast<size_t>(k)],
                                               f.NodeScriptedBoxes[static_cast<size_t>(k)]};
      for (int i = 0; i < 3; ++i) {
        ASSERT_NE(flags[i], nullptr) << k;
        EXPECT_FALSE(flags[i]->isChecked());
        EXPECT_TRUE(Cell(f.SGrid_Nodes, 6 + i, k).contains(flags[i]->geometry().center())) << k << " " << i;
      }
    }
    EXPECT_EQ(f.NodeSwitcherBoxes[7]->objectName(), "NodeSwitcherBox7");

    // Meshes.
    const QStringList meshHead = {"FILENAME", "X", "Y", "Z", "NICK", "GIER", "ROLL"};
    for (int c = 1; c <= 7; ++c) EXPECT_EQ(f.SGrid_Meshes->cell(c, 0), meshHead[c - 1]);
    const struct {
      int row;
      const char* title;
    } titles[] = {{1, "Near1"}, {10, "Near10"}, {11, "Mid1"}, {20, "Mid10"}, {21, "Far1"}, {30, "Far10"}};
    for (const auto& t : titles) EXPECT_EQ(f.SGrid_Meshes->cell(0, t.row), t.title);
    for (int k = 1; k <= 30; ++k) {
      EXPECT_EQ(f.SGrid_Meshes->cell(1, k), "NONE");
      EXPECT_EQ(f.SGrid_Meshes->cell(7, k), "0.0");
      QCheckBox* box = f.MeshRowBoxes[static_cast<size_t>(k)];
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->geometry().left(), 49);
      EXPECT_EQ(box->size(), QSize(14, 14));
      EXPECT_TRUE(Cell(f.SGrid_Meshes, 0, k).contains(box->geometry().center())) << k;
    }

    // The long grids lie whole in their scroll boxes, so the row controls scroll with them.
    const struct {
      QScrollArea* box;
      platform::StringGrid* grid;
    } scrolled[] = {{f.ScrollBox_Ways, f.SGrid_Ways}, {f.ScrollBox_Nodes, f.SGrid_Nodes},
                    {f.ScrollBox_Meshes, f.SGrid_Meshes}};
    for (const auto& s : scrolled) {
      EXPECT_EQ(s.box->widget(), s.grid);
      EXPECT_GE(s.grid->height(), Cell(s.grid, 0, s.grid->rowCount() - 1).bottom());
    }
    EXPECT_GT(f.SGrid_Nodes->height(), f.ScrollBox_Nodes->viewport()->height());
  });
}

// "frame" and the seven host procedures, registered after the script units' own names; each
// takes its arguments from the script stack, the function leaves its one result.
TEST_F(BruminForm, RegistersTheFrameVariableAndTheHostProcedures) {
  const int32_t before = ExtProcCount();
  RunForm([before](brumin::MainForm& f) {
    const struct {
      const char* name;
      int32_t params, isFunction;
      const char* result;
    } procs[] = {{"SETROTATION", 4, 0, ""}, {"SETPOSITION", 4, 0, ""}, {"SETNICK", 2, 0, ""},
                 {"SETGIER", 2, 0, ""},     {"SETROLL", 2, 0, ""},     {"SETTEXTURE", 3, 0, ""},
                 {"GETPRODUCITY", 0, 1, "FLOAT"}};
    ASSERT_EQ(ExtProcCount(), before + 7);
    for (int32_t i = 0; i < 7; ++i) {
      TSExtProcedure* p = ExtProc(before + i);
      EXPECT_EQ(p->Name, procs[i].name);
      EXPECT_EQ(p->ParamCount, procs[i].params) << p->Name;
      EXPECT_EQ(p->IsFunction, procs[i].isFunction) << p->Name;
      EXPECT_EQ(p->ResultType, procs[i].result) << p->Name;
      // Arguments in, nothing left behind (the function's result apart).
      const int32_t depth = StackDepth;
      for (int32_t a = 0; a < p->ParamCount; ++a) {
        if (a == 0 || std::string(p->Name) == "SETTEXTURE")
          PushInt(1);
        else
          PushFloat(2.5f);
      }
      p->Address();
      EXPECT_EQ(StackDepth, depth + p->IsFunction) << p->Name;
      if (p->IsFunction) {
        EXPECT_EQ(PopFloat(), 1.0f);
      }
      EXPECT_FALSE(ScriptErrorFlag) << p->Name;
    }
    TQzVariantP* frame = ExtVar(ExtVarCount() - 1);
    EXPECT_EQ(frame->Name, "FRAME");
    EXPECT_EQ(frame->HostPtr, &f.Frame);
    f.Frame = 41;
    EXPECT_EQ(frame->GetInteger(), 41);
  });
}

TEST_F(BruminForm, MissingWorkFolderStopsStartUpWithAMessageNamingIt) {
  std::filesystem::remove_all(base_ + "buildings");
  brumin::MainForm form;
  form.FormCreate();
  EXPECT_EQ(form.failedStep(), 5);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].second, "I/O error 2 (No such file or directory): " + base_ + "buildings/");
  EXPECT_EQ(form.frames(), 0u);
  EXPECT_TRUE(form.isVisible());
  EXPECT_FALSE(form.terminated());
  // Closing the window ends the program's run loop.
  QTimer::singleShot(20, &form, [&form] { form.close(); });
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
  guard.start(10000);
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_NE(form.windowTitle(), "Corvane Brumin v8.0");
}

TEST_F(BruminForm, MissingBaseFolderStopsBeforeAnythingIsReadFromIt) {
  testing_support::WriteFileBytes(base_ + "brumin.ini", base_ + "nowhere\r\n");
  brumin::MainForm form;
  form.FormCreate();
  EXPECT_EQ(form.failedStep(), 1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].second.find(base_ + "nowhere/"), std::string::npos) << Boxes()[0].second;
  EXPECT_EQ(Languages.Count, 0);
  EXPECT_FALSE(form.OGLW->glDriver->Initialized());
  form.close();
}

}  // namespace
