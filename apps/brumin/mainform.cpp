#include "apps/brumin/mainform.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QTimer>

#include <cerrno>

#include "apps/brumin/glwindow.h"
#include "apps/brumin/previewhost.h"
#include "apps/brumin/scriptcommands.h"
#include "apps/common/scriptpage.h"
#include "apps/brumin/textures.h"
#include "apps/common/controls.h"
#include "apps/common/mainloop.h"
#include "apps/common/startup.h"
#include "economy/gameplay.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/files/repository.h"
#include "engine/render/graphics.h"
#include "engine/files/languages.h"
#include "platform/platform.h"
#include "script/buildingscript.h"
#include "script/interpreter.h"
#include "script/scripts.h"
#include "script/sdatabase.h"

namespace brumin {

namespace {

QString Num(int n) { return QString::number(n); }

}  // namespace

bool TScriptGate::Due(uint32_t now) const {
  if (!HasRun) return true;
  const int32_t since = platform::TicksSince(LastRun, now);
  return since > kIntervalMs || since < 0;
}

void FormUnitStart() {
  // The debug log first, in the folder current at start; then the units' own starts.
  SYS_SetProfile(kBuildingSysProfile);
  SYS_InitDebugFile(false);
  LanguageOptions = kBuildingLanguageOptions;
  RepositoryLenient = true;
  InitMeshUnit();
  SetScriptProfile(kBuildingScriptProfile);
  InitScriptUnits();
  RegisterBuildingHostNames();
  BuildingGameplayStart();
}

void FormUnitEnd() { FreeScriptDatabase(); }

QStringList YearItems() {
  QStringList years;
  for (int y = 1800; y <= 2050; ++y) years << Num(y);
  for (int y = 2075; y <= 2200; y += 25) years << Num(y);
  for (int y = 2300; y <= 3000; y += 100) years << Num(y);
  return years;
}

MainForm::MainForm(QWidget* parent) : QWidget(parent) {
  setObjectName("mainform");
  setFixedSize(1016, 546);

  // The 3D view and its stored settings.
  OGLW = new TOpenGlWin(this);
  OGLW->setObjectName("OGLW");
  OGLW->setGeometry(0, 0, 538, 434);
  TOpenGl& gl = *OGLW->glDriver;
  gl.ColorBits = 32;
  gl.DepthBits = 64;
  gl.TexturesActive = true;
  gl.DoubleBuffer = true;
  gl.DisplayRect = {0, 0, 538, 434};
  gl.AutoInitialize = true;
  gl.Fog.FogActive = false;
  gl.Fog.FogMode = fmLinear;
  gl.Fog.FogDensity = 0.8L;
  gl.Fog.FogStart = 500.0L;
  gl.Fog.FogEnd = 600.0L;
  gl.Fog.FogColor.Set(0xFFFFFF);
  gl.Perspective.AugYAngle = 60.0;
  gl.Perspective.AspectRatio = 1.3333;
  gl.Perspective.NearClipping = 10.0;
  gl.Perspective.FarClipping = 10000.0;
  gl.ViewMode = vmModelView;
  gl.SkyColor.Set(0x800000);  // navy: blue 128
  gl.ZBuffer = true;
  gl.Alpha.HolesAt = 0.7L;
  gl.Alpha.AlphaActive = true;
  gl.Alpha.BlendActive = false;
  gl.Observer = TObserver{};
  gl.Observer.AugZ = 30.0L;
  OGLW->OnRedrawWorld = [this](TOpenGl&) { OGLWRedrawWorld(); };
  OGLW->OnMouseDown = [this](QMouseEvent* e) { OGLWMouseDown(e); };
  OGLW->OnMouseMove = [this](QMouseEvent* e) { OGLWMouseMove(e); };

  drawtimer = new QTimer(this);
  drawtimer->setObjectName("drawtimer");

  buildPages();
  connectPages();
}

MainForm::~MainForm() { SetPreviewHostBlocks(nullptr); }

void MainForm::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  FormShow();
}

void MainForm::closeEvent(QCloseEvent* e) {
  FormClose();
  QWidget::closeEvent(e);
}

void MainForm::FormShow() {
  CB_Language->clear();
  for (int32_t i = 0; i < Languages.Count; ++i) CB_Language->addItem(QString::fromLatin1(LanguageAt(i)->Name.c_str()));
  if (CB_Language->currentIndex() < 0 && CB_Language->count() > 0) CB_Language->setCurrentIndex(0);
}

void MainForm::FormClose() { terminated_ = true; }

void MainForm::stopStartup(int step, const std::string& message) {
  failedStep_ = step;
  platform::MessageBox("Brumin", message);
  // The window stays open without frames; closing it ends the program.
  show();
}

// ---- Start-up steps that other units of the program complete.

void MainForm::loadLanguages() {
  LoadLanguages();
  SetLanguage("English");
}

void MainForm::fillFileList() {
  // The building files of the work folder and the list of their names (buildingfile.cpp).
  fillBuildingList();
}

void MainForm::loadMarkers() {
  SphereTexture = LoadTextureByName("spherem.bmp", false);
  SmokeTexture = LoadTextureByName("smokesource.bmp", true);
}

void MainForm::loadFont() { LoadFont(TextFont, "times"); }

void MainForm::registerScriptNames() {
  // Registered after the script units' own names, so these are the ones a script reaches.
  SetPreviewHostBlocks(PreviewBlocks.get());
  AddExtVar("frame", 0, &Frame);
  AddExtProc("SetRotation", SetRotationRoutine, "", 4, 0);
  AddExtProc("SetPosition", SetPositionRoutine, "", 4, 0);
  AddExtProc("SetNick", SetNickRoutine, "", 2, 0);
  AddExtProc("SetGier", SetGierRoutine, "", 2, 0);
  AddExtProc("SetRoll", SetRollRoutine, "", 2, 0);
  AddExtProc("SetTexture", SetTextureRoutine, "", 3, 0);
  AddExtProc("GetProducity", GetProducityRoutine, "FLOAT", 0, 1);
}

void MainForm::FormCreate() {
  // 1.-2. The base folder from the ini file and the work folder of the building files.
  std::string error;
  if (!appcommon::SetStartFolders(kIniName, kBuildingsDirName, error)) {
    stopStartup(1, error);
    return;
  }

  // 3.-5. Languages, the building files, and the work folder as the current folder.
  loadLanguages();
  fillFileList();
  if (!platform::SetCurrentDir(Work_DIR.str())) {
    stopStartup(5, appcommon::IoErrorText(errno, platform::DiskPath(Work_DIR.str())));
    return;
  }

  // 6. Caption. 7. A file dialog without a start folder opens in the current folder (Qt's way).
  setWindowTitle(kCaption);

  // 8.-11. The code stream, start selections and the year lists (which keep their texts).
  CodeStream.clear();
  CB_BuildingType->setCurrentIndex(0);
  CB_Waytype->setCurrentIndex(0);
  for (QComboBox* years : {Startyear, Endyear}) {
    const QString text = years->currentText();
    years->addItems(YearItems());
    years->setEditText(text);
  }
  wealth->setCurrentIndex(0);
  MeshPathNear.clear();
  MeshPathMid.clear();
  MeshPathFar.clear();

  // 12. Points.
  const char* xyz[] = {"X", "Y", "Z"};
  for (int c = 1; c <= 3; ++c) SGrid_Points->setCell(c, 0, xyz[c - 1]);
  for (int r = 1; r <= 30; ++r) {
    SGrid_Points->setCell(0, r, Num(r));
    for (int c = 1; c <= 3; ++c) SGrid_Points->setCell(c, r, "0.0");
  }

  // 13. Ways, with each row's "Used" box and way-type choice.
  const char* wayHead[] = {"Used", "Point1", "Point2", "Point3", "Point4", "Way type"};
  for (int c = 1; c <= 6; ++c) SGrid_Ways->setCell(c, 0, wayHead[c - 1]);
  for (int r = 1; r <= 20; ++r) {
    SGrid_Ways->setCell(0, r, Num(r));
    for (int c = 2; c <= 5; ++c) SGrid_Ways->setCell(c, r, "0");
  }
  layWayRowControls();
  SGrid_Ways->setCurrentCell(1, 2);

  // 14. Nodes, with each row's three flags.
  const char* nodeHead[] = {"X", "Y", "Z", "Next1", "Next2", "Station", "Switcher", "Scripted"};
  for (int c = 1; c <= 8; ++c) SGrid_Nodes->setCell(c, 0, nodeHead[c - 1]);
  for (int r = 1; r <= 100; ++r) {
    SGrid_Nodes->setCell(0, r, "Node " + Num(r));
    for (int c = 1; c <= 3; ++c) SGrid_Nodes->setCell(c, r, "0.0");
    for (int c = 4; c <= 5; ++c) SGrid_Nodes->setCell(c, r, "0");
  }
  layNodeRowBoxes();

  // 15. Meshes: Near1..10, Mid1..10, Far1..10, each with its box.
  const char* meshHead[] = {"FILENAME", "X", "Y", "Z", "NICK", "GIER", "ROLL"};
  for (int c = 1; c <= 7; ++c) SGrid_Meshes->setCell(c, 0, meshHead[c - 1]);
  const char* groups[] = {"Near", "Mid", "Far"};
  for (int r = 1; r <= 30; ++r) {
    SGrid_Meshes->setCell(0, r, groups[(r - 1) / 10] + Num((r - 1) % 10 + 1));
    SGrid_Meshes->setCell(1, r, "NONE");
    for (int c = 2; c <= 7; ++c) SGrid_Meshes->setCell(c, r, "0.0");
  }
  appcommon::LayMeshRowBoxes(SGrid_Meshes, 49, MeshRowBoxes);

  // 16.-18. No preview mesh yet; the view's context; the script names of the form.
  for (TPreviewBlock& block : *PreviewBlocks) block.Loaded = false;
  OGLW->glDriver->Initialize();
  registerScriptNames();

  // 19.-21. Start selections, the window, the script.
  CB_Style->setCurrentIndex(0);
  CB_Location->setCurrentIndex(0);
  CB_Placement->setCurrentIndex(0);
  show();
  ScriptSaved = true;

  // 22.-23. The marker textures and the label font.
  loadMarkers();
  loadFont();

  // 24. The main loop: pending messages, then one frame, until told to terminate. Frames come at
  // most at the display's rate.
  appcommon::RunMainLoop([this] { return terminated_; }, [this] { drawtimerTimer(); });
}

void MainForm::drawtimerTimer() {
  ScriptRunning = false;
  // A script whose run failed rests until the next good compile or load: its error is not shown
  // again every 20 ms.
  if (!CodeStream.empty() && !ScriptErrorFlag && ScriptGate.Due(platform::Ticks())) {
    std::string result;
    RunScript(reinterpret_cast<const uint8_t*>(CodeStream.data()), CodeStream.size(), true, result);
    ScriptGate.Ran(platform::Ticks());
    ++scriptRuns_;
  }
  ++frames_;
  OGLW->glDriver->Redraw();
}

}  // namespace brumin
