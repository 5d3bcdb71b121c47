// Building files through the real window: the sample house loads and saves to the same bytes, every
// control comes back from a saved file, the ways, mesh rows and empty choices are stored as the
// file wants them, and bad files are refused without changing a control.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "apps/brumin/mainform.h"
#include "engine/base/worldstate.h"
#include "engine/files/buildingfile.h"
#include "engine/files/rle.h"
#include "script/scriptfile.h"
#include "script/sdatabase.h"
#include "tests/apps/brumin/form_fixture.h"
#include "tools/sample_building.h"

using brumin_test::Boxes;
using brumin_test::BruminForm;

namespace {

// The state of every control that holds a part of the document, and the name table.
std::vector<std::string> Snapshot(brumin::MainForm& f) {
  std::vector<std::string> s;
  auto add = [&](const QObject* o, const QString& v) { s.push_back(o->objectName().toStdString() + "=" + v.toStdString()); };
  for (const QComboBox* c : f.findChildren<QComboBox*>()) {
    if (c == f.CB_Filenames || c == f.CB_Language) continue;
    add(c, QString::number(c->currentIndex()) + ":" + c->currentText());
  }
  for (const QSpinBox* sp : f.findChildren<QSpinBox*>()) add(sp, QString::number(sp->value()));
  for (const QCheckBox* b : f.findChildren<QCheckBox*>())
    if (b != f.CB_ShowNodes) add(b, b->isChecked() ? "1" : "0");
  for (const QLineEdit* e : f.findChildren<QLineEdit*>())
    if (!qobject_cast<QComboBox*>(e->parent()) && !qobject_cast<QSpinBox*>(e->parent())) add(e, e->text());
  for (const platform::StringGrid* g : {f.SGrid_Points, f.SGrid_Ways, f.SGrid_Nodes, f.SGrid_Meshes})
    for (int r = 1; r < g->rowCount(); ++r)
      for (int c = 1; c < g->columnCount(); ++c) add(g, QString("%1,%2:").arg(c).arg(r) + g->cell(c, r));
  add(f.srcmemo, f.srcmemo->toPlainText());
  for (const TLanguageName& n : f.NameTable) s.push_back("name:" + n.Language.str() + "/" + n.Name.str());
  s.push_back("script:" + f.ScriptFileName);
  return s;
}

QString F(int i) { return QString::number(i) + ".5"; }  // a float the controls show as it is typed

// Gives every control of the document a value of its own, each as the controls show it after a
// load: used ways in the first rows, unused mesh rows "NONE".
void FillEveryControl(brumin::MainForm& f) {
  for (int i : {1, 0}) {
    f.CB_Language->setCurrentIndex(i);
    f.E_BuildingName->clear();
    QTest::keyClicks(f.E_BuildingName, QString("Name%1").arg(i));
  }
  f.CB_BuildingType->setCurrentIndex(13);
  f.Startyear->setEditText("1999");
  f.Endyear->setEditText("2075");
  int n = 1;
  for (QSpinBox* sp : f.findChildren<QSpinBox*>()) sp->setValue(std::min(sp->maximum(), sp->minimum() + 1 + n++ % 20));
  f.wealth->setCurrentIndex(5);
  f.fixedsize->setChecked(true);
  for (size_t i = 0; i < 4; ++i) {
    f.bbx[i]->setText(F(int(i)));
    f.bby[i]->setText("-" + F(int(i) + 10));
    f.bbz[i]->setText(F(int(i) + 20));
    f.front[i]->setChecked(i % 2 == 1);
  }
  f.btop->setText("12.5");
  f.bbottom->setText("-0.5");
  for (int r = 1; r <= 30; ++r)
    for (int c = 1; c <= 3; ++c) f.SGrid_Points->setCell(c, r, F(r * 3 + c));
  for (int r = 1; r <= 20; ++r) {
    f.WayUsedBoxes[r]->setChecked(r <= 3);
    f.WayTypeBoxes[r]->setCurrentIndex(r % 5);
    for (int c = 2; c <= 5; ++c) f.SGrid_Ways->setCell(c, r, QString::number((r * 7 + c) % 31));
  }
  for (int r = 1; r <= 30; ++r) {
    const bool used = r % 3 == 1;
    f.MeshRowBoxes[r]->setChecked(used);
    f.SGrid_Meshes->setCell(1, r, used ? QString("'m%1.msh2'").arg(r) : QString("NONE"));
    for (int c = 2; c <= 7; ++c) f.SGrid_Meshes->setCell(c, r, F(r + c));
  }
  f.CB_Style->setEditText("chequerwork");
  f.CB_Location->setCurrentIndex(4);
  f.CB_Placement->setCurrentIndex(1);
  f.smoking->setChecked(true);
  f.smoketp->setCurrentIndex(8);
  f.smokeposx->setText("1.5");
  f.smokeposy->setText("2.5");
  f.smokeposz->setText("-3.5");
  for (int k = 1; k <= 100; ++k) {
    for (int c = 1; c <= 3; ++c) f.SGrid_Nodes->setCell(c, k, F(k + c));
    f.SGrid_Nodes->setCell(4, k, QString::number(k % 100));
    f.SGrid_Nodes->setCell(5, k, QString::number((k + 1) % 100));
    f.NodeStationBoxes[k]->setChecked(k % 2 == 0);
    f.NodeSwitcherBoxes[k]->setChecked(k % 3 == 0);
    f.NodeScriptedBoxes[k]->setChecked(k % 5 == 0);
  }
  f.CB_Wayed->setChecked(true);
  f.CB_Waytype->setCurrentIndex(2);
  f.nirvdepot->setChecked(true);
  f.slotl->setText("7.5");
  f.mdepotspeed->setText("0.5");
  f.CB_WayInvisible->setChecked(true);
  f.E_Sound15M->setText("bell16.wav");
  f.CB_Play15Minutes->setChecked(true);
  f.MapUni->setChecked(true);
  f.CitySp->setChecked(true);
  f.srcmemo->setPlainText("definevar frame;\nBegin\nEnd;");
  f.ScriptFileName = "mill.mas";
  f.ScriptSaved = true;
}

class BuildingFileForm : public BruminForm {
 protected:
  std::string Buildings(const std::string& name = "") const { return base_ + "buildings/" + name; }
  std::string Sample() const { return Buildings("samplehouse.bif"); }
  // A building file of the sample house changed by `change`.
  void WriteHouse(const std::string& name, void (*change)(TBuildingInfo&)) {
    TBuildingInfo b = sample_building::SampleHouseInfo();
    change(b);
    std::string error;
    ASSERT_TRUE(SaveBuildingFile(Buildings(name), "Sample house", b, error)) << error;
  }
  void WriteRaw(const std::string& name, const std::string& stream) {
    testing_support::WriteFileBytes(Buildings(name), std::string("\x05House", 6) + std::string(35, '\0') + stream);
  }
  static std::string Packed(const std::vector<uint8_t>& bytes) {
    std::string out(static_cast<size_t>(rlePackBound(static_cast<int64_t>(bytes.size()))), '\0');
    out.resize(static_cast<size_t>(rlecompress(bytes.data(), static_cast<int32_t>(bytes.size()),
                                               reinterpret_cast<uint8_t*>(out.data()), static_cast<int32_t>(out.size()))));
    return out;
  }
};

TEST_F(BuildingFileForm, TheSampleHouseLoadsFromTheListAndSavesToTheSameBytes) {
  const std::string original = testing_support::ReadFileBytes(Sample());
  RunForm([&](brumin::MainForm& f) {
    ASSERT_EQ(f.CB_Filenames->count(), 1);
    EXPECT_EQ(f.CB_Filenames->itemText(0), "Sample house (samplehouse.bif)");
    EXPECT_FALSE(f.Bn_Save->isEnabled());
    f.CB_Language->setCurrentIndex(f.CB_Language->findText("English"));
    f.CB_Filenames->setCurrentIndex(0);
    QTest::mouseClick(f.Bn_Loadit, Qt::LeftButton);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(f.windowTitle(), "Corvane Brumin v8.0 - samplehouse.bif");
    EXPECT_TRUE(f.Bn_Save->isEnabled());
    EXPECT_EQ(f.E_BuildingName->text(), "Sample house");
    EXPECT_EQ(f.SGrid_Meshes->cell(1, 1), "'samplehouse.msh2'");
    EXPECT_EQ(f.SGrid_Meshes->cell(1, 11), "NONE");
    EXPECT_EQ(f.SGrid_Meshes->cell(2, 11), "12.5");
    EXPECT_TRUE(f.WayUsedBoxes[2]->isChecked());
    EXPECT_FALSE(f.WayUsedBoxes[3]->isChecked());
    EXPECT_EQ(f.CB_Style->currentText(), "classic");
    EXPECT_EQ(f.dcosts->value(), -1);
    EXPECT_EQ(f.srcmemo->toPlainText().toStdString(), "definevar frame;\n\nBegin\n  frame:=frame;\nEnd;");
    EXPECT_TRUE(f.CodeStream.empty());
    EXPECT_TRUE(f.ScriptSaved);
    EXPECT_EQ(f.ScriptFileName, "samplehouse.mas");
    // "Save file" writes over the loaded file, and "Save file as" another one, byte for byte.
    QTest::mouseClick(f.Bn_Save, Qt::LeftButton);
    brumin::SetFileDialogRunner([&](QFileDialog& dlg, QString& chosen) {
      EXPECT_EQ(dlg.objectName(), "DLG_SaveBIF");
      EXPECT_EQ(dlg.windowTitle(), "Save building-info");
      chosen = QString::fromStdString(Buildings("copy.bif"));
      return true;
    });
    QTest::mouseClick(f.Bn_SaveAs, Qt::LeftButton);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(f.windowTitle(), "Corvane Brumin v8.0 - copy.bif");
  });
  EXPECT_EQ(testing_support::ReadFileBytes(Sample()), original);
  EXPECT_EQ(testing_support::ReadFileBytes(Buildings("copy.bif")), original);
  EXPECT_FALSE(std::filesystem::exists(Sample() + ".tmp"));
}

TEST_F(BuildingFileForm, EveryControlComesBackFromASavedFile) {
  std::string error;
  ASSERT_TRUE(WriteScriptFile(Buildings("mill.mas"), "definevar frame;\r\nBegin\r\nEnd;\r\n", {}, error)) << error;
  RunForm([&](brumin::MainForm& f) {
    FillEveryControl(f);
    const std::vector<std::string> saved = Snapshot(f);
    ASSERT_TRUE(f.SaveBuildingInfo(Buildings("mill.bif")));
    // Other values over all of it, then the file again.
    ASSERT_TRUE(f.LoadBuildingInfo(Sample()));
    ASSERT_NE(Snapshot(f), saved);
    ASSERT_TRUE(f.LoadBuildingInfo(Buildings("mill.bif")));
    EXPECT_TRUE(Boxes().empty());
    const std::vector<std::string> loaded = Snapshot(f);
    ASSERT_EQ(loaded.size(), saved.size());
    for (size_t i = 0; i < saved.size(); ++i) EXPECT_EQ(loaded[i], saved[i]);
    // The name field shows the entry of the selected language, the head the English name.
    EXPECT_EQ(f.E_BuildingName->text(), "Name0");
    const int english = f.CB_Language->findText("English");
    ASSERT_GE(english, 0);
    EXPECT_EQ(testing_support::ReadFileBytes(Buildings("mill.bif")).substr(0, 6),
              std::string("\x05Name") + char('0' + english));
  });
}

TEST_F(BuildingFileForm, StoresCheckedWaysFirstUnusedMeshRowsAsNoneAndEmptyChoicesAsAllOnes) {
  RunForm([&](brumin::MainForm& f) {
    f.ScriptFileName = "samplehouse.mas";
    for (int r : {2, 5, 9}) {
      f.WayUsedBoxes[r]->setChecked(true);
      f.SGrid_Ways->setCell(2, r, QString::number(r));
      f.WayTypeBoxes[r]->setCurrentIndex(r % 5);
    }
    f.SGrid_Ways->setCell(2, 1, "11");
    f.SGrid_Ways->setCell(2, 3, "13");
    f.MeshRowBoxes[4]->setChecked(false);
    f.SGrid_Meshes->setCell(1, 4, "'house.msh2'");
    f.MeshRowBoxes[5]->setChecked(true);
    f.SGrid_Meshes->setCell(1, 5, "'");  // one character: the empty name
    f.CB_BuildingType->setCurrentIndex(-1);
    f.smoketp->setCurrentIndex(-1);
    f.CB_Waytype->setCurrentIndex(-1);
    ASSERT_TRUE(f.SaveBuildingInfo(Buildings("ways.bif")));

    TBuildingInfo b{};
    ShortString<40> head{};
    std::string error;
    ASSERT_TRUE(ReadBuildingFile(Buildings("ways.bif"), b, head, error)) << error;
    EXPECT_EQ(b.UsedWays, 3);
    const uint8_t firstPoints[6] = {2, 5, 9, 11, 13, 0};  // rows 2, 5, 9, then 1, 3, 4
    const uint8_t kinds[6] = {2, 0, 4, 0, 0, 0};
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(b.Ways[i].Points[0], firstPoints[i]) << "way " << i + 1;
      EXPECT_EQ(b.Ways[i].Kind, kinds[i]) << "way " << i + 1;
    }
    EXPECT_EQ(b.Meshes[3].FileName.str(), "NONE");
    EXPECT_EQ(b.Meshes[3].Used, 0);
    EXPECT_EQ(b.Meshes[4].FileName.str(), "");
    EXPECT_EQ(b.Meshes[4].Used, 1);
    EXPECT_EQ(b.BuildingType, 255);
    EXPECT_EQ(b.SmokeType, -1);
    EXPECT_EQ(b.WayType, -1);
    EXPECT_EQ(b.Version, 2048u);

    ASSERT_TRUE(f.LoadBuildingInfo(Buildings("ways.bif")));
    for (int r = 1; r <= 20; ++r) EXPECT_EQ(f.WayUsedBoxes[r]->isChecked(), r <= 3) << "row " << r;
    EXPECT_EQ(f.SGrid_Ways->cell(2, 1), "2");
    EXPECT_EQ(f.SGrid_Ways->cell(2, 3), "9");
    EXPECT_EQ(f.SGrid_Ways->cell(2, 4), "11");
    EXPECT_EQ(f.WayTypeBoxes[3]->currentIndex(), 4);
    EXPECT_EQ(f.SGrid_Meshes->cell(1, 4), "NONE");
    EXPECT_EQ(f.SGrid_Meshes->cell(1, 5), "''");
    EXPECT_EQ(f.CB_BuildingType->currentIndex(), -1);
    EXPECT_EQ(f.smoketp->currentIndex(), -1);
  });
}

TEST_F(BuildingFileForm, OlderAndOwnVersionsLoadAndBadFilesAreRefusedWithoutChangingAControl) {
  WriteHouse("v2047.bif", [](TBuildingInfo& b) { b.Version = 2047, b.Costs = 2047; });
  WriteHouse("v2049.bif", [](TBuildingInfo& b) { b.Version = 2049; });
  WriteHouse("noscript.bif", [](TBuildingInfo& b) { b.ScriptFile = "gone.mas"; });
  WriteHouse("shortscript.bif", [](TBuildingInfo& b) { b.ScriptFile = "short.mas"; });
  testing_support::WriteFileBytes(Buildings("short.mas"), std::string("\x09\0\0\0abc", 7));
  testing_support::WriteFileBytes(Buildings("head.bif"), std::string("\x05Hou", 4));
  const TBuildingInfoBytes record = BuildingInfoToBytes(sample_building::SampleHouseInfo());
  const std::string stream = Packed({record.begin(), record.end()});
  WriteRaw("corrupt.bif", stream.substr(0, stream.size() / 2));
  std::vector<uint8_t> twice(record.begin(), record.end());
  twice.insert(twice.end(), record.begin(), record.end());
  WriteRaw("inflating.bif", Packed(twice));
  const struct {
    const char* file;
    const char* caption;
    std::string text;  // the whole box text, or a part of it after '~'
  } refused[] = {
      {"v2049.bif", "Loading Cancelled!",
       "ERROR : The file you tried to load has been created with a newer version of this program!\r"
       "Version needed for the chosen file: v8.1 Your version is v8.0!"},
      {"noscript.bif", "Brumin", "~gone.mas"},
      {"shortscript.bif", "Brumin", "~short.mas"},
      {"head.bif", "Brumin", "~ends inside its name head"},
      {"corrupt.bif", "Brumin", "~damaged"},
      {"inflating.bif", "Brumin", "~more than 9436 bytes"},
  };
  RunForm([&](brumin::MainForm& f) {
    ASSERT_TRUE(f.LoadBuildingInfo(Sample()));
    EXPECT_EQ(f.costs->value(), 25000);
    ASSERT_TRUE(f.LoadBuildingInfo(Buildings("v2047.bif")));
    EXPECT_EQ(f.costs->value(), 2047);
    ASSERT_TRUE(f.LoadBuildingInfo(Sample()));
    const std::vector<std::string> before = Snapshot(f);
    const std::string code = f.CodeStream;
    for (const auto& c : refused) {
      SCOPED_TRACE(c.file);
      Boxes().clear();
      EXPECT_FALSE(f.LoadBuildingInfo(Buildings(c.file)));
      ASSERT_EQ(Boxes().size(), 1u);
      EXPECT_EQ(Boxes()[0].first, c.caption);
      if (c.text[0] == '~')
        EXPECT_NE(Boxes()[0].second.find(c.text.substr(1)), std::string::npos) << Boxes()[0].second;
      else
        EXPECT_EQ(Boxes()[0].second, c.text);
      EXPECT_EQ(f.windowTitle().toStdString(), std::string("Corvane Brumin v8.0 - ") + c.file);
      EXPECT_EQ(Snapshot(f), before);
      EXPECT_EQ(f.CodeStream, code);
      EXPECT_TRUE(f.ScriptSaved);
    }
  });
}

TEST_F(BuildingFileForm, ARefusedFileDoesNotBecomeTheSaveTarget) {
  WriteHouse("v2049.bif", [](TBuildingInfo& b) { b.Version = 2049; });
  const std::string newer = testing_support::ReadFileBytes(Buildings("v2049.bif"));
  RunForm([&](brumin::MainForm& f) {
    brumin::SetFileDialogRunner([&](QFileDialog& dlg, QString& chosen) {
      EXPECT_EQ(dlg.objectName(), "DLG_LoadBIF");
      chosen = QString::fromStdString(Buildings("v2049.bif"));
      return true;
    });
    QTest::mouseClick(f.Bn_Open, Qt::LeftButton);
    EXPECT_EQ(Boxes().size(), 1u);
    EXPECT_FALSE(f.Bn_Save->isEnabled());
    EXPECT_TRUE(f.SaveTarget.empty());
  });
  EXPECT_EQ(testing_support::ReadFileBytes(Buildings("v2049.bif")), newer);
}

TEST_F(BuildingFileForm, ABuildingWithoutScriptAsksForTheScriptFileBeforeItIsSaved) {
  WriteHouse("plain.bif", [](TBuildingInfo& b) { b.ScriptFile = ""; });
  RunForm([&](brumin::MainForm& f) {
    ASSERT_TRUE(f.LoadBuildingInfo(Sample()));
    ASSERT_TRUE(f.LoadBuildingInfo(Buildings("plain.bif")));
    EXPECT_TRUE(f.srcmemo->toPlainText().isEmpty());
    EXPECT_TRUE(f.CodeStream.empty());
    EXPECT_FALSE(f.ScriptSaved);
    // The script's save is cancelled: no building file either.
    std::vector<std::string> asked;
    brumin::SetFileDialogRunner([&](QFileDialog& dlg, QString&) {
      asked.push_back(dlg.objectName().toStdString());
      return false;
    });
    EXPECT_FALSE(f.SaveBuildingInfo(Buildings("plain2.bif")));
    EXPECT_EQ(asked, std::vector<std::string>{"DLG_SaveScript"});
    EXPECT_FALSE(std::filesystem::exists(Buildings("plain2.bif")));
    // Saved under a name, the script file is written and the building names it.
    brumin::SetFileDialogRunner([&](QFileDialog&, QString& chosen) {
      chosen = QString::fromStdString(Buildings("plain.mas"));
      return true;
    });
    // A script that does not compile is not saved: no building file either.
    f.srcmemo->setPlainText("Begin\n  nosuchproc(1);\nEnd;");
    EXPECT_FALSE(f.SaveBuildingInfo(Buildings("plain2.bif")));
    EXPECT_FALSE(std::filesystem::exists(Buildings("plain2.bif")));
    EXPECT_FALSE(std::filesystem::exists(Buildings("plain.mas")));
    ScriptErrorFlag = false;
    f.srcmemo->setPlainText("definevar frame;");
    ASSERT_TRUE(f.SaveBuildingInfo(Buildings("plain2.bif")));
    EXPECT_TRUE(f.ScriptSaved);
    TBuildingInfo b{};
    ShortString<40> head{};
    std::string error;
    ASSERT_TRUE(ReadBuildingFile(Buildings("plain2.bif"), b, head, error)) << error;
    EXPECT_EQ(b.ScriptFile.str(), "plain.mas");
    TScriptFileData script;
    ASSERT_TRUE(ReadScriptFile(Buildings("plain.mas"), script, error)) << error;
    EXPECT_EQ(script.Source, "definevar frame;\r\n");
  });
}

TEST_F(BuildingFileForm, ALanguageWithoutNameEntryNeitherStoresNorShowsAName) {
  RunForm([&](brumin::MainForm& f) {
    const auto table = f.NameTable;
    for (int i = f.CB_Language->count(); i < 25; ++i) f.CB_Language->addItem(QString("Lang%1").arg(i));
    f.CB_Language->setCurrentIndex(22);
    QTest::keyClicks(f.E_BuildingName, "Nowhere");
    EXPECT_EQ(std::memcmp(&table, &f.NameTable, sizeof(table)), 0);
    f.CB_LanguageChange();
    EXPECT_TRUE(f.E_BuildingName->text().isEmpty());
    // A language with an entry: stored, cut to 40 characters, and shown again.
    f.CB_Language->setCurrentIndex(1);
    f.E_BuildingName->clear();
    QTest::keyClicks(f.E_BuildingName, QString(45, 'x'));
    EXPECT_EQ(f.NameTable[1].Name.str(), std::string(40, 'x'));
    EXPECT_EQ(f.NameTable[1].Language.str(), f.CB_Language->itemText(1).toStdString());
    f.CB_Language->setCurrentIndex(22);
    f.CB_LanguageChange();
    EXPECT_TRUE(f.E_BuildingName->text().isEmpty());
    f.CB_Language->setCurrentIndex(1);
    f.CB_LanguageChange();
    EXPECT_EQ(f.E_BuildingName->text(), QString(40, 'x'));
  });
}

TEST_F(BuildingFileForm, AFileShorterThanItsHeadIsLeftOutOfTheListAtStartUp) {
  testing_support::WriteFileBytes(Buildings("cut.bif"), std::string("\x05Ho", 3));
  testing_support::WriteFileBytes(Buildings("empty.bif"), "");
  testing_support::CaptureDebugger();
  RunForm([&](brumin::MainForm& f) {
    ASSERT_EQ(f.CB_Filenames->count(), 1);
    EXPECT_EQ(f.CB_Filenames->itemText(0), "Sample house (samplehouse.bif)");
  });
  int warned = 0;
  for (const std::string& w : testing_support::Warnings())
    warned += w.find("Left out of the building list") != std::string::npos ? 1 : 0;
  EXPECT_EQ(warned, 2);
  platform::SetDebuggerSink(nullptr);
}

}  // namespace
