// The editing pages of the running window: their controls and texts, the names per language,
// the grids, the pickers, the sound and script pages, and the two tools.
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QTest>

#include <set>

#include "engine/base/worldstate.h"
#include "tests/apps/vadrel/form_fixture.h"

namespace {

using vadrel::MainForm;
using vadrel_test::Find;
using vadrel_test::SeenDialog;
using vadrel_test::VadrelForm;

QPoint CellCentre(platform::StringGrid* grid, int col, int row) {
  return grid->visualItemRect(grid->item(row, col)).center();
}

// The mouse moves over a grid cell and double-clicks it. The move goes to the widget directly:
// a moved pointer of the test display reaches no window that is not active.
void DoubleClickCell(platform::StringGrid* grid, int col, int row) {
  QWidget* view = grid->viewport();
  const QPoint p = CellCentre(grid, col, row);
  QMouseEvent move(QEvent::MouseMove, p, view->mapToGlobal(p), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(view, &move);
  QTest::mousePress(view, Qt::LeftButton, {}, p);
  QTest::mouseRelease(view, Qt::LeftButton, {}, p);
  QTest::mouseDClick(view, Qt::LeftButton, {}, p);
}

TEST_F(VadrelForm, PagesHoldTheirControlsWithTheirTexts) {
  RunForm([&](MainForm& f) {
    QStringList tabs;
    for (int i = 0; i < f.Notebook->count(); ++i) tabs << f.Notebook->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"General", "Bounding box", "Script", "Points", "Meshes", "SpecialVars", "Sound",
                                 "Light"}));

    const std::pair<const char*, const char*> edits[] = {
        {"E_Vehiclename", ""},     {"E_Startyear", "1800"}, {"E_Lastyear", "2000"},  {"E_PsgrCapacity", ""},
        {"E_Price", ""},           {"E_CostsPerYear", "0"}, {"E_CostsPerKM", "0"},   {"coplength", "0"},
        {"axlength", "0"},         {"coplength2", "0"},     {"E_NextVehicle", ""},   {"E_NextVehicle2", ""},
        {"E_SmokeX", "0.0"},       {"smokeposy", "0.0"},    {"smokeposz", "0.0"},    {"E_Power", ""},
        {"E_MaxSpeed", "0"},       {"E_Weight", "0"},       {"E_Wheelsize", "0"},    {"E_LoadingWeight", "0"},
        {"E_Volume", "0"},         {"brakespeed", "0"},     {"bbx1", "0.0"},         {"bbz4", "0.0"},
        {"btop", "0.0"},           {"bbottom", "0.0"},      {"sndenginestart", ""},  {"sndmoving", ""},
        {"speed2stepse", "1.0"},   {"sminfactor", "1.0"},   {"smaxsfactor", "1.0"},  {"basesf", "1.0"},
        {"gfrom1", "0.0"},         {"gfrch6", "0.0"},       {"firstsil1", "0"},      {"LastSil2", "0"},
        {"LightCoord3", "0"},      {"firstsi", "1"},        {"silco", "16"},         {"SilRadius", "10.0"},
    };
    for (const auto& e : edits) {
      QLineEdit* w = Find<QLineEdit>(f, e.first);
      if (w) {
        EXPECT_EQ(w->text().toStdString(), e.second) << e.first;
      }
    }
    for (int i = 1; i <= 4; ++i)
      for (const char* axis : {"bbx", "bby", "bbz"}) Find<QLineEdit>(f, (axis + std::to_string(i)).c_str());
    for (int i = 1; i <= 6; ++i) {
      Find<QLineEdit>(f, ("gfrom" + std::to_string(i)).c_str());
      Find<QLineEdit>(f, ("gfrch" + std::to_string(i)).c_str());
    }
    EXPECT_EQ(f.E_Vehiclename->toolTip(), "Name of vehicle in selected language (max. 40 chars)");

    const std::pair<const char*, const char*> checks[] = {
        {"CB_Trainhead", "Trainhead"},     {"CB_Semitrailer", "Semitrailer"},
        {"ewcb", "At end"},                {"IsAddOn_", "AddOn"},
        {"smoking", "Object is smoking"},  {"GoodsMixCB", "Goods mixable"},
        {"CB_b1", "b1"},                   {"CB_b2", "b2"},
        {"IsSteering_", "b3/x"},           {"Light1active", "Light 1 active"},
        {"Light2Active", "Light 2 active"}, {"Light3Active", "Light 3 active"},
        {"ShowLights", "Show lights in 3D-view"}, {"IgnScript", "Ignore scriptchanges"},
        {"CB_Nodes", "Show Nodes"},
    };
    for (const auto& c : checks) {
      QCheckBox* w = Find<QCheckBox>(f, c.first);
      if (!w) continue;
      EXPECT_EQ(w->text().toStdString(), c.second) << c.first;
      EXPECT_FALSE(w->isChecked()) << c.first;
    }

    const struct {
      const char* name;
      const char* caption;
      bool enabled;
    } buttons[] = {
        {"AutoBoundB", "AutoBound", true},     {"CreateSC", "Create", true},
        {"Bn_Load", "Open file", true},        {"Bn_Save", "Save file", false},
        {"Bn_SaveAs", "Save file as", true},   {"Bn_LoadIt", "Load it", true},
        {"Bn_LoadNextVehicle", "...", true},   {"Bn_LoadNextVehicle2", "...", false},
        {"Bn_CompileScript", "Compile", true}, {"Bn_LoadScript", "Load", true},
        {"Bn_SaveScript", "Save", true},       {"Bn_ExecuteScript", "Execute script", true},
    };
    for (const auto& b : buttons) {
      QPushButton* w = Find<QPushButton>(f, b.name);
      if (!w) continue;
      EXPECT_EQ(w->text().toStdString(), b.caption) << b.name;
      EXPECT_EQ(w->isEnabled(), b.enabled) << b.name;
    }

    const std::pair<const char*, QStringList> combos[] = {
        {"CB_Vehicletype", {"Car", "Train", "Plane", "Ship"}},
        {"enginetype", {"None", "Steam", "Electro", "Diesel", "Benzine"}},
        {"CB_Smoketype",
         {"Steam engine smoke (gray)", "Industry smoke (black)", "Reserved1", "Reserved2", "Reserved3", "Reserved4",
          "Reserved5", "Reserved6", "Reserved7"}},
        {"motorsoundt", {"Steamenginetrain", "Car", "Dieseltrain", "Futuristic"}},
        {"gearcc", {"1", "2", "3", "4", "5", "6"}},
        {"prequ1", {"Nothing"}}, {"prequ2", {"Nothing"}}, {"prequ3", {"Nothing"}}, {"prequ4", {"Nothing"}},
    };
    for (const auto& c : combos) {
      QComboBox* w = Find<QComboBox>(f, c.first);
      if (!w) continue;
      QStringList items;
      for (int i = 0; i < w->count(); ++i) items << w->itemText(i);
      EXPECT_EQ(items, c.second) << c.first;
      EXPECT_EQ(w->currentIndex(), 0) << c.first;
    }
    EXPECT_FALSE(f.CB_Language->isEditable());

    std::set<QString> texts;
    for (QLabel* l : f.findChildren<QLabel*>()) texts.insert(l->text());
    for (QGroupBox* g : f.findChildren<QGroupBox*>()) texts.insert(g->title());
    for (const char* t : {"Engine-start", "Engine-off", "Before accelration", "Prebraking", "Braking", "Moving",
                          "Speed-->Steps/s : ", "min. factor:", "max. factor:", "Base:", "Count of gears",
                          "First silouette-point:", "Last", "Coord", "Lightconelengths:", "First", "Count", "Radius",
                          "Top", "Bottom", "DM", "Horsepower", "Smoke", "Sounds", "unused stuff",
                          "Make lightsilouette", "Front of vehicle --> Front axis", "Length of axis",
                          "Back-axis --> End of vehicle", "Label27"})
      EXPECT_TRUE(texts.count(t)) << t;

    // Hidden at start: the gear panel and the assembler view.
    EXPECT_TRUE(f.motorpan->isHidden());
    EXPECT_TRUE(f.Memox->isHidden());
    EXPECT_FALSE(f.srcmemo->isHidden());
    EXPECT_TRUE(f.srcmemo->toPlainText().startsWith("defineproc setrotation,setposition,setnick,setgier,setroll;\n"));
    EXPECT_TRUE(f.srcmemo->toPlainText().endsWith("\n\nBegin\nEnd;"));
    EXPECT_TRUE(f.ScriptSaved);
    EXPECT_FALSE(f.findChild<QWidget*>("motorpan")->findChild<QComboBox*>("gearcc") == nullptr);
  });
}

TEST_F(VadrelForm, NamesFollowTheSelectedLanguage) {
  RunForm([&](MainForm& f) {
    ASSERT_EQ(f.CB_Language->currentText(), "Deutsch");
    QTest::keyClicks(f.E_Vehiclename, "Stadtbus");
    QTest::keyClick(f.CB_Language, Qt::Key_Down);  // the author picks English
    EXPECT_EQ(f.CB_Language->currentText(), "English");
    EXPECT_EQ(f.E_Vehiclename->text(), "");
    QTest::keyClicks(f.E_Vehiclename, "City bus");
    QTest::keyClick(f.CB_Language, Qt::Key_Up);
    EXPECT_EQ(f.E_Vehiclename->text(), "Stadtbus");
    EXPECT_EQ(f.LanguageNames[0].Language.str(), "Deutsch");
    EXPECT_EQ(f.LanguageNames[1].Language.str(), "English");
    EXPECT_EQ(f.LanguageNames[1].Name.str(), "City bus");
    // A name is cut to 40 characters.
    QTest::keyClicks(f.E_Vehiclename, std::string(45, 'x').c_str());
    EXPECT_EQ(f.LanguageNames[0].Name.str(), "Stadtbus" + std::string(32, 'x'));

    // Names saved in another language order are found by their language.
    f.LanguageNames = {};
    f.LanguageNames[0].Language = "English";
    f.LanguageNames[0].Name = "E";
    f.LanguageNames[1].Language = "Deutsch";
    f.LanguageNames[1].Name = "D";
    f.CB_LanguageChange();
    EXPECT_EQ(f.E_Vehiclename->text(), "D");
    QTest::keyClick(f.CB_Language, Qt::Key_Down);
    EXPECT_EQ(f.E_Vehiclename->text(), "E");
    // A language without entry shows the entry at its list position.
    f.LanguageNames[0].Language = "Francais";
    f.CB_LanguageChange();
    EXPECT_EQ(f.E_Vehiclename->text(), "D");

    // Only 20 entries: a language further down the list stores and shows nothing.
    const auto before = f.LanguageNames;
    for (int i = 2; i < 25; ++i) f.CB_Language->addItem(QString("Language%1").arg(i));
    f.CB_Language->setCurrentIndex(22);
    f.CB_LanguageChange();
    EXPECT_EQ(f.E_Vehiclename->text(), "");
    QTest::keyClicks(f.E_Vehiclename, "lost");
    EXPECT_EQ(std::memcmp(&before, &f.LanguageNames, sizeof(before)), 0);
    // With no language at all nothing is stored either.
    f.CB_Language->clear();
    QTest::keyClicks(f.E_Vehiclename, "lost too");
    EXPECT_EQ(std::memcmp(&before, &f.LanguageNames, sizeof(before)), 0);
  });
}

TEST_F(VadrelForm, MeshGridFileCellsArePickedOrClearedNeverTyped) {
  std::vector<SeenDialog> seen;
  AnswerDialogs(seen, [this] { return QString::fromStdString(work_ + "cube.msh2"); });
  RunForm([&](MainForm& f) {
    f.Notebook->setCurrentIndex(4);
    QApplication::processEvents();
    platform::StringGrid* g = f.SGrid_Meshes;
    for (int r = 1; r <= 5; ++r) {
      EXPECT_FALSE(g->item(r, 1)->flags() & Qt::ItemIsEditable) << r;
      EXPECT_TRUE(g->item(r, 2)->flags() & Qt::ItemIsEditable) << r;
    }
    // The double-click picker puts the chosen name between quotes and uses the row.
    DoubleClickCell(g, 1, 2);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name, "DLG_LoadMesh");
    EXPECT_EQ(seen[0].title, "Select mesh-file to open");
    EXPECT_EQ(g->cell(1, 2), "'cube.msh2'");
    EXPECT_TRUE(f.MeshRowBoxes[2]->isChecked());

    // A plain right click does nothing; with Shift it clears the file cell and the row's box.
    QTest::mouseClick(g->viewport(), Qt::RightButton, {}, CellCentre(g, 1, 2));
    EXPECT_EQ(g->cell(1, 2), "'cube.msh2'");
    QTest::mouseClick(g->viewport(), Qt::RightButton, Qt::ShiftModifier, CellCentre(g, 2, 2));
    EXPECT_EQ(g->cell(1, 2), "'cube.msh2'");
    EXPECT_TRUE(f.MeshRowBoxes[2]->isChecked());
    QTest::mouseClick(g->viewport(), Qt::RightButton, Qt::ShiftModifier, CellCentre(g, 1, 2));
    EXPECT_EQ(g->cell(1, 2), "NONE");
    EXPECT_FALSE(f.MeshRowBoxes[2]->isChecked());
    QTest::mouseClick(g->viewport(), Qt::RightButton, Qt::ShiftModifier, CellCentre(g, 1, 0));
    EXPECT_EQ(g->cell(1, 0), "FILENAME");
  });
}

TEST_F(VadrelForm, GoodsGridPicksMeshesOnlyInItsMeshColumn) {
  std::vector<SeenDialog> seen;
  AnswerDialogs(seen, [this] { return QString::fromStdString(work_ + "cube.msh2"); });
  RunForm([&](MainForm& f) {
    platform::StringGrid* g = f.SGrid_Goods;
    for (int col : {1, 3}) DoubleClickCell(g, col, 3);
    EXPECT_TRUE(seen.empty());
    DoubleClickCell(g, 2, 3);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name, "DLG_LoadMesh");
    EXPECT_EQ(seen[0].preset, "");
    EXPECT_EQ(g->cell(2, 3), "cube.msh2");
    EXPECT_EQ(g->cell(1, 3), "");
  });
}

TEST_F(VadrelForm, SoundPickersFillTheEditOfTheirButton) {
  std::vector<SeenDialog> seen;
  QString answer;
  AnswerDialogs(seen, [&answer] { return answer; });
  RunForm([&](MainForm& f) {
    f.Notebook->setCurrentIndex(6);
    QApplication::processEvents();
    QLineEdit* edits[6] = {f.sndenginestart, f.sndengineoff, f.sndpreaccel, f.sndprebrake, f.sndbraking, f.sndmoving};
    for (int i = 0; i < 6; ++i) {
      answer = QString::fromStdString(base_ + "sfx/sound" + std::to_string(i) + ".wav");
      QTest::mouseClick(f.SoundPickers[i], Qt::LeftButton);
      ASSERT_EQ(seen.size(), static_cast<size_t>(i + 1));
      EXPECT_EQ(seen[i].name, "openwavdlg");
      EXPECT_EQ(seen[i].title, "Choose sound");
      EXPECT_EQ(seen[i].directory + "/", base_ + "sfx/");
      EXPECT_EQ(seen[i].defaultSuffix, "wav");
      for (int k = 0; k < 6; ++k)
        EXPECT_EQ(edits[k]->text().toStdString(), k <= i ? "sound" + std::to_string(k) + ".wav" : "") << i << k;
    }
    answer.clear();  // cancelled
    QTest::mouseClick(f.SoundPickers[0], Qt::LeftButton);
    EXPECT_EQ(f.sndenginestart->text(), "sound0.wav");
  });
}

TEST_F(VadrelForm, SoundPanelsFollowTheAuthorsMotorSoundChoice) {
  std::string error;
  ASSERT_TRUE(sample_vehicle::WriteSampleVehicle(base_, error)) << error;  // its motor sound is "Car"
  RunForm([&](MainForm& f) {
    f.Notebook->setCurrentIndex(6);
    QApplication::processEvents();
    // Choices made by the program change nothing.
    f.motorsoundt->setCurrentIndex(1);
    EXPECT_TRUE(f.motorpan->isHidden());
    ASSERT_TRUE(f.LoadVehicleInfo(work_ + "samplebus.vif"));
    EXPECT_EQ(f.motorsoundt->currentIndex(), 1);
    EXPECT_TRUE(f.motorpan->isHidden());
    EXPECT_FALSE(f.sndmoving->isHidden());

    QTest::keyClick(f.motorsoundt, Qt::Key_Up);  // "Steamenginetrain"
    EXPECT_TRUE(f.motorpan->isHidden());
    EXPECT_TRUE(f.sndmoving->isHidden());
    QTest::keyClick(f.motorsoundt, Qt::Key_Down);  // "Car"
    EXPECT_FALSE(f.motorpan->isHidden());
    EXPECT_FALSE(f.sndmoving->isHidden());
    QTest::keyClick(f.motorsoundt, Qt::Key_Down);  // "Dieseltrain"
    EXPECT_TRUE(f.motorpan->isHidden());
    EXPECT_FALSE(f.sndmoving->isHidden());
  });
}

TEST_F(VadrelForm, ScriptPageSwitchesViewsAndNotesChanges) {
  RunForm([&](MainForm& f) {
    f.Notebook->setCurrentIndex(2);
    QApplication::processEvents();
    QTest::mouseClick(f.CheckBox1, Qt::LeftButton);
    EXPECT_FALSE(f.Memox->isHidden());
    EXPECT_TRUE(f.srcmemo->isHidden());
    QTest::mouseClick(f.CheckBox1, Qt::LeftButton);
    EXPECT_TRUE(f.Memox->isHidden());
    EXPECT_FALSE(f.srcmemo->isHidden());
    EXPECT_TRUE(f.ScriptSaved);
    QTest::keyClicks(f.srcmemo, "x");
    EXPECT_FALSE(f.ScriptSaved);
  });
}

TEST_F(VadrelForm, FollowingVehiclePickers) {
  std::vector<SeenDialog> seen;
  AnswerDialogs(seen, [] { return QString("/some/folder/next.vif"); });
  RunForm([&](MainForm& f) {
    QTest::mouseClick(f.Bn_LoadNextVehicle, Qt::LeftButton);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name, "DLG_LoadVIF");
    EXPECT_EQ(seen[0].title, "Load vehicle-info");
    EXPECT_EQ(seen[0].filters, QStringList{"Vehicle-info-file (*.vif)"});
    EXPECT_EQ(f.E_NextVehicle->text(), "next.vif");
    QTest::mouseClick(f.Bn_LoadNextVehicle2, Qt::LeftButton);  // disabled
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(f.E_NextVehicle2->text(), "");
  });
}

TEST_F(VadrelForm, AutoBoundTakesTheBoxOfTheCheckedMeshes) {
  RunForm([&](MainForm& f) {
    // A cube of side 10 around the origin as row 1, loaded through a vehicle file.
    f.SGrid_Meshes->setCell(1, 1, "'cube.msh2'");
    f.MeshRowBoxes[1]->setChecked(true);
    ASSERT_TRUE(f.SaveVehicleInfo(work_ + "cube.vif"));
    ASSERT_TRUE(f.LoadVehicleInfo(work_ + "cube.vif"));
    ASSERT_EQ((*f.PreviewMeshes)[1].VertexCount, 24);
    f.Notebook->setCurrentIndex(1);
    QApplication::processEvents();
    QTest::mouseClick(f.AutoBoundB, Qt::LeftButton);
    const char* expect[4][3] = {{"-5.00", "0.00", "-5.00"}, {"-5.00", "0.00", "5.00"}, {"5.00", "0.00", "5.00"},
                                {"5.00", "0.00", "-5.00"}};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(f.bbx[i]->text().toStdString(), expect[i][0]) << i;
      EXPECT_EQ(f.bby[i]->text().toStdString(), expect[i][1]) << i;
      EXPECT_EQ(f.bbz[i]->text().toStdString(), expect[i][2]) << i;
    }
    EXPECT_EQ(f.btop->text(), "5.00");
    EXPECT_EQ(f.bbottom->text(), "-5.00");

    // The placement of the row is not applied; only checked rows count.
    f.SGrid_Meshes->setCell(2, 1, "100");
    f.MeshRowBoxes[1]->setChecked(false);
    QTest::mouseClick(f.AutoBoundB, Qt::LeftButton);
    EXPECT_EQ(f.bbx[0]->text(), "16777215.00");
    EXPECT_EQ(f.bbx[2]->text(), "0.00");
    EXPECT_EQ(f.btop->text(), "0.00");
    EXPECT_EQ(f.bbottom->text(), "16777215.00");
    f.MeshRowBoxes[1]->setChecked(true);
    QTest::mouseClick(f.AutoBoundB, Qt::LeftButton);
    EXPECT_EQ(f.bbx[2]->text(), "5.00");
  });
}

TEST_F(VadrelForm, CreateLaysTheSilhouetteCircle) {
  RunForm([&](MainForm& f) {
    f.Notebook->setCurrentIndex(7);
    QApplication::processEvents();
    QTest::mouseClick(f.CreateSC, Qt::LeftButton);
    const struct {
      int row;
      const char *x, *y;
    } rows[] = {{1, "10.00", "0.00"}, {3, "7.07", "7.07"}, {5, "0.00", "10.00"}, {9, "-10.00", "0.00"},
                {13, "0.00", "-10.00"}, {16, "9.24", "-3.83"}};
    for (const auto& r : rows) {
      EXPECT_EQ(f.lightcoords->cell(1, r.row).toStdString(), r.x) << r.row;
      EXPECT_EQ(f.lightcoords->cell(2, r.row).toStdString(), r.y) << r.row;
      EXPECT_EQ(f.lightcoords->cell(3, r.row), "0.00") << r.row;
    }
    EXPECT_EQ(f.lightcoords->cell(1, 17), "0.0");

    // Another centre, near the end of the grid: rows past 51 get nothing.
    f.silcrcoord->setCell(0, 1, "1");
    f.silcrcoord->setCell(1, 1, "2");
    f.silcrcoord->setCell(2, 1, "3");
    f.firstsi->setText("50");
    f.silco->setText("4");
    f.SilRadius->setText("1");
    QTest::mouseClick(f.CreateSC, Qt::LeftButton);
    EXPECT_EQ(f.lightcoords->cell(1, 50), "2.00");
    EXPECT_EQ(f.lightcoords->cell(2, 50), "2.00");
    EXPECT_EQ(f.lightcoords->cell(3, 50), "3.00");
    EXPECT_EQ(f.lightcoords->cell(1, 51), "1.00");
    EXPECT_EQ(f.lightcoords->cell(2, 51), "3.00");
    EXPECT_EQ(f.lightcoords->rowCount(), 52);

    // No count, nothing written.
    for (const char* count : {"0", "-3"}) {
      f.firstsi->setText("20");
      f.silco->setText(count);
      QTest::mouseClick(f.CreateSC, Qt::LeftButton);
      EXPECT_EQ(f.lightcoords->cell(1, 20), "0.0") << count;
    }
  });
}

}  // namespace
