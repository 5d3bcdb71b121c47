// Loading and saving vehicles through the running editor window.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QTest>

#include <cstring>
#include <set>

#include <QImage>

#include "apps/vadrel/vehicledoc.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "engine/files/rle.h"
#include "engine/render/graphics.h"
#include "platform/gl.h"
#include "tests/apps/vadrel/form_fixture.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;
using vadrel::MainForm;
using vadrel_test::Boxes;
using vadrel_test::Find;
using vadrel_test::VadrelForm;

// The record bytes of a vehicle file, decoded with the codec.
TVehicleInfoBytes DecodedRecord(const std::string& file) {
  TVehicleInfoBytes bytes{};
  const auto* stream = reinterpret_cast<const uint8_t*>(file.data()) + 41;
  TRleStatus status;
  rledecompress(stream, static_cast<int32_t>(file.size() - 41), bytes.data(), kVehicleInfoSize, &status);
  EXPECT_EQ(status, TRleStatus::Complete);
  return bytes;
}

uint32_t U32At(const TVehicleInfoBytes& b, size_t off) {
  return b[off] | b[off + 1] << 8 | b[off + 2] << 16 | static_cast<uint32_t>(b[off + 3]) << 24;
}
float F32At(const TVehicleInfoBytes& b, size_t off) {
  const uint32_t u = U32At(b, off);
  float f;
  std::memcpy(&f, &u, 4);
  return f;
}
std::string StrAt(const TVehicleInfoBytes& b, size_t off) {
  return std::string(reinterpret_cast<const char*>(b.data()) + off + 1, b[off]);
}

void WriteVehicle(const std::string& path, const std::string& head, const TVehicleInfo& v) {
  std::string error;
  ASSERT_TRUE(SaveVehicleFile(path, head, v, &error)) << error;
}

// ---- Save, then load: every control of every page comes back.

struct EditCase {
  const char* name;
  const char* typed;
  const char* loaded;
};
struct CellCase {
  const char* grid;
  int col, row;
  const char* typed;
  const char* loaded;
};

const EditCase kEdits[] = {
    // "General": integers keep the sign and digits of their valid start; floats show two decimals
    // and more where the value needs them.
    {"E_Startyear", "1899", "1899"},
    {"E_Lastyear", "70000", "4464"},  // the low 16 bits
    {"E_PsgrCapacity", "-3.7", "-3"},
    {"E_Price", "12x", "12"},
    {"E_CostsPerYear", "2147483648", "2147483647"},
    {"E_CostsPerKM", "1.5", "1.50"},
    {"coplength", "0.125", "0.125"},
    {"axlength", "6.5e1", "65.00"},
    {"coplength2", "-1.75", "-1.75"},
    {"E_NextVehicle", "next.vif", "next.vif"},
    {"E_NextVehicle2", "a_following_vehicle_name_of_40_chars.vif", "a_following_vehicle_name_of_40"},
    {"E_SmokeX", "2.5x", "2.50"},
    {"smokeposy", "0.1", "0.10"},
    {"smokeposz", "-0.333", "-0.333"},
    {"E_Power", "250", "250"},
    {"E_MaxSpeed", "1600", "1600.00"},
    {"E_Weight", "11500", "11500"},
    {"E_Wheelsize", "9", "9.00"},
    {"E_LoadingWeight", "3000", "3000"},
    {"E_Volume", "45", "45"},
    {"brakespeed", "3.25", "3.25"},
    // "Bounding box"
    {"bbx1", "-5", "-5.00"},
    {"bby1", "0.5", "0.50"},
    {"bbz1", "-2", "-2.00"},
    {"bbx2", "-5.5", "-5.50"},
    {"bby2", "1", "1.00"},
    {"bbz2", "2", "2.00"},
    {"bbx3", "5", "5.00"},
    {"bby3", "1.5", "1.50"},
    {"bbz3", "2.25", "2.25"},
    {"bbx4", "5.125", "5.125"},
    {"bby4", "2", "2.00"},
    {"bbz4", "-2.5", "-2.50"},
    {"btop", "4", "4.00"},
    {"bbottom", "-0.5", "-0.50"},
    // "Sound"
    {"sndenginestart", "start.wav", "start.wav"},
    {"sndengineoff", "off.wav", "off.wav"},
    {"sndpreaccel", "pre.wav", "pre.wav"},
    {"sndprebrake", "prebrake.wav", "prebrake.wav"},
    {"sndbraking", "braking.wav", "braking.wav"},
    {"sndmoving", "moving.wav", "moving.wav"},
    {"speed2stepse", "1.5", "1.50"},
    {"sminfactor", "0.8", "0.80"},
    {"smaxsfactor", "1.6", "1.60"},
    {"basesf", "2", "2.00"},
    {"gfrom1", "0", "0.00"},
    {"gfrom2", "300", "300.00"},
    {"gfrom3", "700.5", "700.50"},
    {"gfrom4", "1100", "1100.00"},
    {"gfrom5", "1", "1.00"},
    {"gfrom6", "2", "2.00"},
    {"gfrch1", "0.25", "0.25"},
    {"gfrch2", "0.5", "0.50"},
    {"gfrch3", "0.75", "0.75"},
    {"gfrch4", "1", "1.00"},
    {"gfrch5", "1.125", "1.125"},
    {"gfrch6", "-1", "-1.00"},
    // "Light"
    {"firstsil1", "1", "1"},
    {"LastSil1", "8", "8"},
    {"LightCoord1", "17", "17"},
    {"firstsil2", "9", "9"},
    {"LastSil2", "16", "16"},
    {"LightCoord2", "18", "18"},
    {"firstsil3", "20", "20"},
    {"LastSil3", "30", "30"},
    {"LightCoord3", "-2", "-2"},
};

// Check boxes with the state they are saved in (the round trip has to bring back both).
const std::pair<const char*, bool> kChecks[] = {
    {"CB_Trainhead", true}, {"CB_Semitrailer", true}, {"ewcb", false},       {"IsAddOn_", true},
    {"smoking", true},      {"GoodsMixCB", true},     {"CB_b1", true},       {"CB_b2", false},
    {"IsSteering_", true},  {"Light1active", true},   {"Light2Active", false}, {"Light3Active", true},
};

const std::pair<const char*, int> kCombos[] = {
    {"CB_Vehicletype", 2}, {"CB_Smoketype", 8}, {"enginetype", 4}, {"motorsoundt", 3}, {"gearcc", 3},
    {"prequ1", 0},         {"prequ2", 0},       {"prequ3", 0},     {"prequ4", 0},
};

const CellCase kCells[] = {
    {"SGrid_Points", 1, 1, "1.5", "1.50"},
    {"SGrid_Points", 3, 5, "-0.125", "-0.125"},
    {"SGrid_Meshes", 2, 1, "0.5", "0.50"},
    {"SGrid_Meshes", 7, 1, "90", "90.00"},
    {"SGrid_Meshes", 4, 2, "-3.25", "-3.25"},
    {"SGrid_Meshes", 5, 3, "12", "12.00"},  // the numbers of an unused row are kept
    {"SGrid_SpecialVars", 1, 1, "true", "True"},
    {"SGrid_SpecialVars", 1, 2, "TRUE", "True"},
    {"SGrid_SpecialVars", 1, 3, "yes", "False"},
    {"SGrid_SpecialVars", 2, 4, "-17", "-17"},
    {"SGrid_SpecialVars", 3, 10, "2.5", "2.50"},
    {"SGrid_Goods", 1, 0, "Passengers and their luggage", "Passengers and their"},
    {"SGrid_Goods", 2, 0, "people.msh2", "people.msh2"},
    {"SGrid_Goods", 3, 0, "300", "44"},  // the low byte
    {"SGrid_Goods", 1, 11, "Mail", "Mail"},
    {"SGrid_Goods", 3, 11, "7", "7"},
    {"lightcoords", 1, 1, "5", "5.00"},
    {"lightcoords", 2, 1, "1.675", "1.675"},
    {"lightcoords", 3, 51, "-1.4", "-1.40"},
    {"lightconel", 1, 1, "40", "40.00"},
    {"lightconel", 2, 3, "25.5", "25.50"},
};

TEST_F(VadrelForm, SaveThenLoadRestoresEveryControl) {
  RunForm([&](MainForm& f) {
    // Every edit, check box and combo of the pages that the record keeps is in the tables.
    std::set<std::string> covered = {"E_Vehiclename", "firstsi", "silco", "SilRadius", "CB_Language",
                                     "ShowLights",    "CheckBox1"};
    for (const auto& e : kEdits) covered.insert(e.name);
    for (const auto& c : kChecks) covered.insert(c.first);
    for (const auto& c : kCombos) covered.insert(c.first);
    for (QWidget* w : f.Notebook->findChildren<QWidget*>()) {
      if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QCheckBox*>(w) && !qobject_cast<QComboBox*>(w)) continue;
      const std::string name = w->objectName().toStdString();
      if (name.empty() || name.rfind("MeshRowBox", 0) == 0) continue;
      EXPECT_TRUE(covered.count(name)) << name << " is not saved by the round trip";
    }

    for (const auto& e : kEdits) Find<QLineEdit>(f, e.name)->setText(e.typed);
    for (const auto& c : kChecks) Find<QCheckBox>(f, c.first)->setChecked(c.second);
    for (const auto& c : kCombos) Find<QComboBox>(f, c.first)->setCurrentIndex(c.second);
    for (const auto& c : kCells) Find<platform::StringGrid>(f, c.grid)->setCell(c.col, c.row, c.typed);
    // Names in both languages, typed into the name edit.
    f.CB_Language->setCurrentIndex(1);  // English
    f.CB_LanguageChange();
    QTest::keyClicks(f.E_Vehiclename, "City bus");
    f.CB_Language->setCurrentIndex(0);  // Deutsch
    f.CB_LanguageChange();
    QTest::keyClicks(f.E_Vehiclename, "Stadtbus");
    // Mesh rows: two used ones and an unused one whose file cell is not saved.
    f.SGrid_Meshes->setCell(1, 1, "'samplebus.msh2'");
    f.MeshRowBoxes[1]->setChecked(true);
    f.SGrid_Meshes->setCell(1, 2, "'samplebogie.msh2'");
    f.MeshRowBoxes[2]->setChecked(true);
    f.SGrid_Meshes->setCell(1, 3, "'ignored.msh2'");
    f.ScriptFileName = "citybus.mas";

    ASSERT_TRUE(f.SaveVehicleInfo(work_ + "round.vif"));
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(f.windowTitle(), "Corvane Vadrel v10.0 - round.vif");

    // Everything changes, then the file brings it back.
    for (const auto& e : kEdits) Find<QLineEdit>(f, e.name)->setText("77");
    for (const auto& c : kChecks) Find<QCheckBox>(f, c.first)->setChecked(!c.second);
    for (const auto& c : kCombos) Find<QComboBox>(f, c.first)->setCurrentIndex(c.second == 0 ? -1 : 0);
    for (const auto& c : kCells) Find<platform::StringGrid>(f, c.grid)->setCell(c.col, c.row, "5");
    for (int r = 1; r <= 5; ++r) f.MeshRowBoxes[r]->setChecked(r > 2);
    f.LanguageNames = {};
    f.E_Vehiclename->clear();
    f.ScriptFileName = "other.mas";
    f.CB_Language->setCurrentIndex(1);

    ASSERT_TRUE(f.LoadVehicleInfo(work_ + "round.vif"));
    EXPECT_TRUE(Boxes().empty());
    for (const auto& e : kEdits) EXPECT_EQ(Find<QLineEdit>(f, e.name)->text().toStdString(), e.loaded) << e.name;
    for (const auto& c : kChecks) EXPECT_EQ(Find<QCheckBox>(f, c.first)->isChecked(), c.second) << c.first;
    for (const auto& c : kCombos) EXPECT_EQ(Find<QComboBox>(f, c.first)->currentIndex(), c.second) << c.first;
    EXPECT_EQ(f.gearcc->currentText(), "4");
    for (const auto& c : kCells)
      EXPECT_EQ(Find<platform::StringGrid>(f, c.grid)->cell(c.col, c.row).toStdString(), c.loaded)
          << c.grid << " " << c.col << "," << c.row;
    EXPECT_EQ(f.SGrid_Meshes->cell(1, 1), "'samplebus.msh2'");
    EXPECT_EQ(f.SGrid_Meshes->cell(1, 2), "'samplebogie.msh2'");
    EXPECT_EQ(f.SGrid_Meshes->cell(1, 3), "NONE");
    for (int r = 1; r <= 5; ++r) EXPECT_EQ(f.MeshRowBoxes[r]->isChecked(), r <= 2) << r;
    EXPECT_EQ(f.E_Vehiclename->text(), "City bus");  // the selected language is English
    EXPECT_EQ(f.LanguageNames[0].Language.str(), "Deutsch");
    EXPECT_EQ(f.LanguageNames[0].Name.str(), "Stadtbus");
    EXPECT_EQ(f.LanguageNames[1].Name.str(), "City bus");
    EXPECT_EQ(f.ScriptFileName, "citybus.mas");
    EXPECT_TRUE(f.ScriptSaved);
    // The used rows' meshes were loaded.
    EXPECT_EQ((*f.PreviewMeshes)[1].VertexCount, 24);
    EXPECT_EQ((*f.PreviewMeshes)[2].VertexCount, 72);
  });
}

TEST_F(VadrelForm, FreshWindowSavesTheStartValuesAndZeroGaps) {
  RunForm([&](MainForm& f) {
    ASSERT_TRUE(f.SaveVehicleInfo(work_ + "fresh.vif"));
    const std::string file = ReadFileBytes(work_ + "fresh.vif");
    ASSERT_GT(file.size(), 41u);
    EXPECT_EQ(file.substr(0, 41), std::string(41, '\0'));  // no name typed: an empty head
    const TVehicleInfoBytes b = DecodedRecord(file);
    EXPECT_EQ(b[1642] | b[1643] << 8, 1800);
    EXPECT_EQ(b[1644] | b[1645] << 8, 2000);
    for (size_t row = 0; row < 5; ++row) EXPECT_EQ(StrAt(b, 1944 + 72 * row), "NONE") << row;
    EXPECT_EQ(F32At(b, 2860), 1.0f);  // speed to steps
    EXPECT_EQ(F32At(b, 3632), 1.0f);  // the three sound factors
    EXPECT_EQ(F32At(b, 3636), 1.0f);
    EXPECT_EQ(F32At(b, 3640), 1.0f);
    EXPECT_EQ(U32At(b, 2996), 2560u);
    EXPECT_EQ(StrAt(b, 1724), "NONE.MAS");
    const std::pair<size_t, size_t> gaps[] = {{1641, 1},    {1646, 2},   {1765, 95}, {2494, 93},
                                              {2597, 3},    {2802, 2},   {2873, 123}, {4337, 3399}};
    for (const auto& g : gaps)
      for (size_t i = g.first; i < g.first + g.second; ++i) EXPECT_EQ(b[i], 0) << "gap byte " << i;
    for (size_t row = 0; row < 5; ++row)
      for (size_t i : {41, 42, 43, 69, 70, 71}) EXPECT_EQ(b[1944 + 72 * row + i], 0) << "mesh row gap " << row;
    for (size_t s = 0; s < 10; ++s)
      for (size_t i = 1; i <= 3; ++i) EXPECT_EQ(b[2312 + 12 * s + i], 0) << "special value gap " << s;
    // Every other byte is known too: the record of those values alone.
    TVehicleInfo expect{};
    expect.StartYear = 1800;
    expect.LastYear = 2000;
    for (auto& m : expect.Meshes) m.FileName = "NONE";
    expect.ScriptFile = "NONE.MAS";
    expect.SpeedToSteps = expect.SoundMinFactor = expect.SoundMaxFactor = expect.SoundBase = 1.0f;
    expect.Version = 2560;
    EXPECT_TRUE(VehicleInfoToBytes(expect) == b);
  });
}

TEST_F(VadrelForm, NewerVersionIsRefusedAndOlderOnesLoad) {
  const struct {
    int32_t version;
    bool loads;
  } cases[] = {{2561, false}, {2560, true}, {0, true}, {-1, true}};
  int weight = 4000;
  for (const auto& c : cases) {
    TVehicleInfo v{};
    v.Weight = ++weight;
    v.Version = static_cast<uint32_t>(c.version);
    WriteVehicle(work_ + "v" + std::to_string(c.version) + ".vif", "Versioned", v);
  }
  RunForm([&](MainForm& f) {
    f.E_Weight->setText("1");
    ASSERT_TRUE(f.SaveVehicleInfo(work_ + "before.vif"));
    ASSERT_TRUE(f.LoadVehicleInfo(work_ + "before.vif"));
    f.Bn_Save->setEnabled(true);
    int w = 4000;
    for (const auto& c : cases) {
      SCOPED_TRACE(c.version);
      ++w;
      Boxes().clear();
      const std::string name = "v" + std::to_string(c.version) + ".vif";
      EXPECT_EQ(f.LoadVehicleInfo(work_ + name), c.loads);
      EXPECT_EQ(f.windowTitle().toStdString(), "Corvane Vadrel v10.0 - " + name);
      EXPECT_TRUE(f.Bn_Save->isEnabled());
      if (c.loads) {
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(f.E_Weight->text().toStdString(), std::to_string(w));
        EXPECT_EQ(f.SaveFileName, work_ + name);
      } else {
        ASSERT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(Boxes()[0].first, "! FATAL ERROR OCCURED !");
        EXPECT_EQ(Boxes()[0].second,
                  "ERROR : The file you tried to load has been created with a newer version of this program, "
                  "LOADING CANCELED!\rVersion needed for the chosen file: v10.1 Your version is v10.0!");
        EXPECT_EQ(f.E_Weight->text(), "1");  // the window keeps its vehicle
        EXPECT_EQ(f.SaveFileName, work_ + "before.vif");
      }
    }
  });
}

TEST_F(VadrelForm, LoadItLoadsTheListedFileAndSaveWritesItBack) {
  std::string error;
  ASSERT_TRUE(sample_vehicle::WriteSampleVehicle(base_, error)) << error;
  TVehicleInfo odd{};
  odd.Weight = 777;
  odd.Version = 2560;
  WriteVehicle(work_ + "odd(1).vif", "Odd (one)", odd);
  WriteFileBytes(work_ + "empty.vif", "");
  WriteFileBytes(work_ + "cut.vif", ReadFileBytes(work_ + "samplebus.vif").substr(0, 60));
  RunForm([&](MainForm& f) {
    ASSERT_EQ(f.CB_Filenames->count(), 2);
    EXPECT_EQ(f.CB_Filenames->itemText(0), "Odd (one) (odd(1).vif)");
    EXPECT_EQ(f.CB_Filenames->itemText(1), "Sample bus (samplebus.vif)");
    const std::string log = DebugLog();
    EXPECT_NE(log.find("Left out of the vehicle list: The vehicle file " + work_ + "cut.vif is damaged"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Left out of the vehicle list: The vehicle file " + work_ + "empty.vif is empty"),
              std::string::npos)
        << log;

    // Nothing is selected at first: "Load it" does nothing.
    EXPECT_EQ(f.CB_Filenames->currentIndex(), -1);
    QTest::mouseClick(f.Bn_LoadIt, Qt::LeftButton);
    EXPECT_EQ(f.windowTitle(), "Corvane Vadrel v10.0");
    EXPECT_FALSE(f.Bn_Save->isEnabled());

    f.CB_Filenames->setCurrentIndex(1);
    QTest::mouseClick(f.Bn_LoadIt, Qt::LeftButton);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(f.windowTitle(), "Corvane Vadrel v10.0 - samplebus.vif");
    EXPECT_TRUE(f.Bn_Save->isEnabled());
    EXPECT_EQ(f.E_Vehiclename->text(), "Beispielbus");  // Deutsch is selected
    EXPECT_EQ(f.SGrid_Meshes->cell(1, 1), "'samplebus.msh2'");
    EXPECT_EQ(f.SGrid_Meshes->cell(1, 3), "'samplebogie.msh2'");
    EXPECT_EQ(f.SGrid_Meshes->cell(2, 3), "3.25");
    EXPECT_EQ(f.SGrid_Meshes->cell(1, 4), "NONE");
    EXPECT_EQ((*f.PreviewMeshes)[1].VertexCount, 24);
    EXPECT_EQ((*f.PreviewMeshes)[2].VertexCount, 72);
    EXPECT_EQ((*f.PreviewMeshes)[3].VertexCount, 72);
    EXPECT_EQ(f.gearcc->currentText(), "4");
    EXPECT_EQ(f.ScriptFileName, "NONE.MAS");
    EXPECT_EQ(platform::CurrentDir() + "/", base_);
    const std::string after = DebugLog();
    const size_t begin = after.find("Begin loading procedure: samplebus.vif");
    ASSERT_NE(begin, std::string::npos) << after;
    EXPECT_NE(after.find("Loading complete", begin), std::string::npos);

    // "Save file" writes back into the vehicles folder.
    f.E_Weight->setText("12345");
    QTest::mouseClick(f.Bn_Save, Qt::LeftButton);
    EXPECT_TRUE(Boxes().empty());
    TVehicleInfo back{};
    ASSERT_TRUE(LoadVehicleFile(work_ + "samplebus.vif", back));
    EXPECT_EQ(back.Weight, 12345);
    EXPECT_EQ(back.Meshes[2].FileName.str(), "samplebogie.msh2");
    EXPECT_FALSE(std::filesystem::exists(base_ + "samplebus.vif"));

    // A file whose name holds "(" loads from its item.
    f.CB_Filenames->setCurrentIndex(0);
    QTest::mouseClick(f.Bn_LoadIt, Qt::LeftButton);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(f.windowTitle(), "Corvane Vadrel v10.0 - odd(1).vif");
    EXPECT_EQ(f.E_Weight->text(), "777");
  });
}

// The 3D view after "Load it": the frame read back from the back buffer, also kept as a picture.
TEST_F(VadrelForm, LoadedVehicleShowsItsMeshesInThe3DView) {
  std::string error;
  ASSERT_TRUE(sample_vehicle::WriteSampleVehicle(base_, error)) << error;
  RunForm([&](MainForm& f) {
    auto frame = [&f](int& w, int& h) {
      EXPECT_TRUE(platform::GlMakeCurrent(f.OGLW));
      f.DrawView3D();
      w = ViewportSize[0];
      h = ViewportSize[1];
      std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
      GraGL.glReadBuffer(glk::BACK);
      GraGL.glPixelStorei(glk::PACK_ALIGNMENT, 1);
      GraGL.glReadPixels(0, 0, w, h, glk::RGBA, glk::UNSIGNED_BYTE, px.data());
      return px;
    };
    // Body red: the bus's sides. Looking level along -z at the vehicle from 14 units.
    auto bodyPixels = [](const std::vector<uint8_t>& px) {
      int n = 0;
      for (size_t i = 0; i < px.size(); i += 4) n += px[i] > 90 && px[i] > px[i + 1] + 50 && px[i] > px[i + 2] + 50;
      return n;
    };
    Players[1].Camera = {0.0f, 2.5f, 14.0f, 0.0f, 0.0f, 0.0f};
    int w = 0, h = 0;
    EXPECT_EQ(bodyPixels(frame(w, h)), 0);  // nothing loaded yet

    f.CB_Filenames->setCurrentIndex(0);
    QTest::mouseClick(f.Bn_LoadIt, Qt::LeftButton);
    ASSERT_EQ(f.windowTitle(), "Corvane Vadrel v10.0 - samplebus.vif");
    // As a plane it stands nowhere on the test track, so its rows show at their placements here.
    f.CB_Vehicletype->setCurrentIndex(2);
    Players[1].Camera = {0.0f, 2.5f, 14.0f, 0.0f, 0.0f, 0.0f};
    const std::vector<uint8_t> px = frame(w, h);
    QImage shot(px.data(), w, h, QImage::Format_RGBA8888);
    EXPECT_TRUE(shot.mirrored().save(QString::fromStdString(logFolder_ + "vadrel-samplebus.png")));
    // The body, 10 wide and 3 high at 12 units, fills a good part of the middle of the picture.
    const int body = bodyPixels(px);
    EXPECT_GT(body, w * h / 25) << logFolder_ << "vadrel-samplebus.png";
    auto at = [&](int x, int y) {
      const size_t i = (static_cast<size_t>(y) * w + x) * 4;
      return std::array<int, 3>{px[i], px[i + 1], px[i + 2]};
    };
    // The grey bogies stand under the body.
    int wheels = 0;
    for (int y = 0; y < h / 2; ++y)
      for (int x = 0; x < w; ++x) {
        const auto c = at(x, y);
        wheels += std::abs(c[0] - c[1]) < 12 && std::abs(c[1] - c[2]) < 12 && c[0] > 15 && c[0] < 200;
      }
    EXPECT_GT(wheels, 200);
    // Unchecking the body's row takes it out of the picture.
    f.MeshRowBoxes[1]->setChecked(false);
    EXPECT_LT(bodyPixels(frame(w, h)), body / 10);
  });
}

TEST_F(VadrelForm, FileHeadIsTheEnglishName) {
  RunForm([&](MainForm& f) {
    f.CB_Language->setCurrentIndex(0);  // Deutsch
    QTest::keyClicks(f.E_Vehiclename, "Londoner Bus");
    f.CB_Language->setCurrentIndex(1);  // English
    f.CB_LanguageChange();
    QTest::keyClicks(f.E_Vehiclename, "London bus");
    ASSERT_TRUE(f.SaveVehicleInfo(work_ + "named.vif"));
    const std::string file = ReadFileBytes(work_ + "named.vif");
    EXPECT_EQ(file.substr(0, 41), std::string("\x0a") + "London bus" + std::string(30, '\0'));
    f.FillFileList();
    ASSERT_EQ(f.CB_Filenames->count(), 1);
    EXPECT_EQ(f.CB_Filenames->itemText(0), "London bus (named.vif)");
  });
}

TEST_F(VadrelForm, BadFilesAreRefusedAndTheWindowStaysAsItWas) {
  std::string error;
  ASSERT_TRUE(sample_vehicle::WriteSampleVehicle(base_, error)) << error;
  const std::string good = ReadFileBytes(work_ + "samplebus.vif");
  WriteFileBytes(work_ + "truncated.vif", good.substr(0, good.size() - 30));
  WriteFileBytes(work_ + "corrupt.vif", good.substr(0, 41) + std::string(good.size() - 41, '\xff'));
  WriteFileBytes(work_ + "short.vif", good.substr(0, 12));
  WriteFileBytes(work_ + "empty.vif", "");
  WriteFileBytes(work_ + "long.vif", good + std::string(kVehicleStreamLimit, '\0'));
  RunForm([&](MainForm& f) {
    ASSERT_TRUE(f.LoadVehicleInfo(work_ + "samplebus.vif"));
    const QString title = f.windowTitle();
    for (const char* name : {"truncated.vif", "corrupt.vif", "short.vif", "empty.vif", "long.vif", "missing.vif"}) {
      SCOPED_TRACE(name);
      Boxes().clear();
      f.E_Weight->setText("31");
      f.SGrid_Meshes->setCell(2, 1, "9.5");
      EXPECT_FALSE(f.LoadVehicleInfo(work_ + name));
      ASSERT_EQ(Boxes().size(), 1u);
      EXPECT_EQ(Boxes()[0].second.rfind("Loading failed: ", 0), 0u) << Boxes()[0].second;
      EXPECT_NE(Boxes()[0].second.find(work_ + name), std::string::npos) << Boxes()[0].second;
      EXPECT_EQ(f.windowTitle(), title);
      EXPECT_EQ(f.E_Weight->text(), "31");
      EXPECT_EQ(f.SGrid_Meshes->cell(2, 1), "9.5");
      EXPECT_EQ(f.SaveFileName, work_ + "samplebus.vif");
    }
  });
}

TEST_F(VadrelForm, FailingSaveLeavesTheOldFileByteForByte) {
  RunForm([&](MainForm& f) {
    ASSERT_TRUE(f.SaveVehicleInfo(work_ + "keep.vif"));
    const std::string before = ReadFileBytes(work_ + "keep.vif");
    // Silhouette values whose bytes take every value from 0 to 255: such a record cannot be packed.
    for (int i = 0; i < 128; ++i) {
      const uint32_t bits = static_cast<uint32_t>(2 * i) | static_cast<uint32_t>(2 * i + 1) << 8 | 0x41200000u;
      float value;
      std::memcpy(&value, &bits, 4);
      f.lightcoords->setCell(1 + i % 3, 1 + i / 3, QString::fromStdString(vadrel::FloatToControlText(value)));
    }
    Boxes().clear();
    EXPECT_FALSE(f.SaveVehicleInfo(work_ + "keep.vif"));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(Boxes()[0].second.rfind("Saving failed", 0), 0u) << Boxes()[0].second;
    EXPECT_NE(Boxes()[0].second.find(work_ + "keep.vif"), std::string::npos) << Boxes()[0].second;
    EXPECT_EQ(ReadFileBytes(work_ + "keep.vif"), before);
    EXPECT_FALSE(std::filesystem::exists(work_ + "keep.vif.tmp"));
    // A target that cannot be replaced (a folder stands there) fails the same way.
    std::filesystem::create_directory(work_ + "folder.vif");
    f.lightcoords->setCell(1, 1, "0.0");
    Boxes().clear();
    EXPECT_FALSE(f.SaveVehicleInfo(work_ + "folder.vif"));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_NE(Boxes()[0].second.find(work_ + "folder.vif"), std::string::npos) << Boxes()[0].second;
    EXPECT_TRUE(std::filesystem::is_directory(work_ + "folder.vif"));
  });
}

TEST_F(VadrelForm, VehicleWithoutItsScriptFileLoadsAnEmptyScriptAndItsMeshes) {
  const struct {
    const char* script;
    bool warns;
    const char* name;
  } cases[] = {{"none.mas", true, "none.mas"}, {"missing.mas", true, "missing.mas"}, {"", false, "NONE.MAS"}};
  for (const auto& c : cases) {
    TVehicleInfo v{};
    v.Version = 2560;
    v.ScriptFile = c.script;
    v.Meshes[0].FileName = "samplebus.msh2";
    v.Meshes[0].Used = 1;
    WriteVehicle(work_ + "s_" + c.name + ".vif", "s", v);
  }
  RunForm([&](MainForm& f) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      f.srcmemo->setPlainText("old script");
      f.CodeStream = "old code";
      (*f.PreviewMeshes)[1].VertexCount = 0;
      const size_t logBefore = DebugLog().size();
      ASSERT_TRUE(f.LoadVehicleInfo(work_ + "s_" + c.name + ".vif"));
      EXPECT_TRUE(Boxes().empty());
      EXPECT_EQ(f.srcmemo->toPlainText(), "");
      EXPECT_EQ(f.CodeStream, "");
      EXPECT_EQ(f.ScriptFileName, c.name);
      EXPECT_TRUE(f.ScriptSaved);
      EXPECT_EQ((*f.PreviewMeshes)[1].VertexCount, 24);
      const std::string added = DebugLog().substr(logBefore);
      EXPECT_EQ(added.find(c.script) != std::string::npos && !std::string(c.script).empty(), c.warns) << added;
    }
  });
}

TEST_F(VadrelForm, MeshRowsSaveTheirFileNamesWithoutQuotes) {
  RunForm([&](MainForm& f) {
    f.SGrid_Meshes->setCell(1, 1, "NONE");
    f.MeshRowBoxes[1]->setChecked(true);
    f.SGrid_Meshes->setCell(1, 2, "'bus.msh2'");
    f.SGrid_Meshes->setCell(2, 2, "4.5");
    f.MeshRowBoxes[2]->setChecked(false);
    f.SGrid_Meshes->setCell(1, 3, "'a.msh2'");
    f.MeshRowBoxes[3]->setChecked(true);
    f.SGrid_Meshes->setCell(1, 4, "typed.msh2");
    f.MeshRowBoxes[4]->setChecked(true);
    // "***" keeps the record in memory: no file, no script question.
    f.ScriptSaved = false;
    std::memset(&TestVehicleInfo, 0, sizeof(TestVehicleInfo));
    ASSERT_TRUE(f.SaveVehicleInfo("***"));
    EXPECT_EQ(f.windowTitle(), "Corvane Vadrel v10.0 - ***");
    EXPECT_FALSE(std::filesystem::exists(platform::CurrentDir() + "/***"));
    EXPECT_EQ(TestVehicleInfo.Version, 2560u);
    EXPECT_EQ(TestVehicleInfo.Meshes[0].FileName.str(), "NONE");
    EXPECT_EQ(TestVehicleInfo.Meshes[0].Used, 1);
    EXPECT_EQ(TestVehicleInfo.Meshes[1].FileName.str(), "NONE");
    EXPECT_EQ(TestVehicleInfo.Meshes[1].X, 4.5f);
    EXPECT_EQ(TestVehicleInfo.Meshes[1].Used, 0);
    EXPECT_EQ(TestVehicleInfo.Meshes[2].FileName.str(), "a.msh2");
    EXPECT_EQ(TestVehicleInfo.Meshes[3].FileName.str(), "typed.msh2");
  });
}

TEST_F(VadrelForm, FileButtonsUseTheirDialogs) {
  std::vector<vadrel_test::SeenDialog> seen;
  QString answer;
  AnswerDialogs(seen, [&answer] { return answer; });
  std::string error;
  ASSERT_TRUE(sample_vehicle::WriteSampleVehicle(base_, error)) << error;
  RunForm([&](MainForm& f) {
    // "Save file as": the chosen file is written and "Save file" writes it again.
    answer = QString::fromStdString(work_ + "chosen.vif");
    f.E_Weight->setText("100");
    QTest::mouseClick(f.Bn_SaveAs, Qt::LeftButton);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name, "DLG_SaveVIF");
    EXPECT_EQ(seen[0].title, "Save vehicle-info");
    EXPECT_EQ(seen[0].filters, QStringList{"Vehicle-info-file (*.vif)"});
    EXPECT_EQ(seen[0].mode, QFileDialog::AcceptSave);
    EXPECT_EQ(seen[0].defaultSuffix, "vif");
    EXPECT_TRUE(f.Bn_Save->isEnabled());
    EXPECT_EQ(f.windowTitle(), "Corvane Vadrel v10.0 - chosen.vif");
    f.E_Weight->setText("200");
    QTest::mouseClick(f.Bn_Save, Qt::LeftButton);
    TVehicleInfo back{};
    ASSERT_TRUE(LoadVehicleFile(work_ + "chosen.vif", back));
    EXPECT_EQ(back.Weight, 200);

    // "Open file" loads the chosen file and makes it the file of "Save file".
    answer = QString::fromStdString(work_ + "samplebus.vif");
    QTest::mouseClick(f.Bn_Load, Qt::LeftButton);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].name, "DLG_LoadVIF");
    EXPECT_EQ(seen[1].title, "Load vehicle-info");
    EXPECT_EQ(f.windowTitle(), "Corvane Vadrel v10.0 - samplebus.vif");
    EXPECT_EQ(f.SaveFileName, work_ + "samplebus.vif");
    // "Save file as" starts at the remembered file.
    answer.clear();
    QTest::mouseClick(f.Bn_SaveAs, Qt::LeftButton);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2].preset, work_ + "samplebus.vif");
    EXPECT_EQ(f.windowTitle(), "Corvane Vadrel v10.0 - samplebus.vif");  // cancelled: nothing saved
  });
}

}  // namespace
