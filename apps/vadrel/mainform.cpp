#include "apps/vadrel/mainform.h"

#include "apps/common/scriptpage.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>

#include <cerrno>
#include <cmath>
#include <memory>

#include "apps/common/controls.h"
#include "apps/common/mainloop.h"
#include "apps/common/startup.h"
#include "economy/step/services.h"
#include "economy/step/tick.h"
#include "economy/testtrack.h"
#include "script/runners.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/files/languages.h"
#include "engine/render/fonts.h"
#include "engine/render/graphics.h"
#include "engine/render/texturefiles.h"
#include "engine/store/recordstore.h"
#include "engine/world/waygeometry.h"
#include "network/services.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "script/interpreter.h"
#include "script/scripts.h"
#include "script/sdatabase.h"

namespace vadrel {

namespace {

QString Num(int n) { return QString::number(n); }

}  // namespace

void ScriptShowMess(const std::string& text) { platform::MessageBox("", text); }

namespace {
void ShowMessRoutine() { ScriptShowMess(PopString()); }
}  // namespace

void FormUnitStart() {
  // The script units first (interpreter pools, registry with the built-ins, name tables), then
  // the form's own host procedure.
  InitScriptUnits();
  InitGameScriptHost();
  AddExtProc("showmess", ShowMessRoutine, "", 1, 0);
  // Missing language texts are captured for the translation tool.
  CaptureMissingTexts = true;
  // The road's base bend limit per curve piece: 40 degrees in place of the way unit's 12.
  MaxPieceAngle[LimitIndex(kWaytypeRoad)] = kEditorRoadBendLimit;
  // The network books, reports and finds towns through the economy; the world records reach the
  // network through theirs.
  InstallEconomyServices();
  InstallNetworkServices();
#ifndef NDEBUG
  if constexpr (step_hooks::kEveryProcessBuilt) step_hooks::WarnAtDefault();
#endif
}

MainForm::MainForm(QWidget* parent) : QWidget(parent) {
  setObjectName("MainForm");
  resize(1032, 677);
  TestCurve = new TCurveline();

  const appcommon::TGlPanelPlace view = appcommon::MakeGlPanel(this, "OGLW", QRect(0, 80, 535, 433));
  OGLW = view.Panel;
  OGLWContainer = view.Container;

  drawtimer = new QTimer(this);  // disabled in the form; the main loop calls its handler
  drawtimer->setObjectName("drawtimer");

  FileListBox_Vehiclenames = new QListWidget(this);
  FileListBox_Vehiclenames->setObjectName("FileListBox_Vehiclenames");
  FileListBox_Vehiclenames->hide();

  CB_Filenames = new QComboBox(this);
  CB_Filenames->setObjectName("CB_Filenames");
  CB_Filenames->setGeometry(250, 560, 280, 22);

  buildPages();
  buildView3D();
}

MainForm::~MainForm() {
  // The graphics go with the panel that holds their context.
  if (MainWindowHandle == OGLW) {
    Gra_Done();
    MainWindowHandle = nullptr;
  }
  delete TestCurve;
}

bool MainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SGrid_Meshes->viewport() && event->type() == QEvent::MouseMove) {
    auto* me = static_cast<QMouseEvent*>(event);
    meshGridMouseX_ = me->position().toPoint().x();
    meshGridMouseY_ = me->position().toPoint().y();
  }
  return QWidget::eventFilter(watched, event);
}

void MainForm::SGrid_MeshesDblClick() {
  int col = -1, row = -1;
  SGrid_Meshes->cellAt(QPoint(meshGridMouseX_, meshGridMouseY_), col, row);
  if (col != 1 || row < 1 || row > 5) return;
  QString chosen;
  if (!appcommon::ChooseMeshFile(this, QString::fromLatin1(LastMeshFile.c_str()), chosen)) return;
  LastMeshFile = chosen.toLatin1().toStdString();
  SGrid_Meshes->setCell(1, row, "'" + QFileInfo(chosen).fileName() + "'");
  MeshRowBoxes[row]->setChecked(true);
}

void MainForm::FormShow() {
  CB_Language->clear();
  for (int32_t i = 0; i < Languages.Count; ++i) CB_Language->addItem(QString::fromLatin1(LanguageAt(i)->Name.c_str()));
  if (CB_Language->currentIndex() < 0 && CB_Language->count() > 0) CB_Language->setCurrentIndex(0);
}

void MainForm::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  FormShow();
}

void MainForm::closeEvent(QCloseEvent* e) {
  terminated_ = true;  // takes effect when the main loop next looks
  QWidget::closeEvent(e);
}

bool MainForm::stopStartup(int step, const std::string& message) {
  failedStep_ = step;
  platform::MessageBox("Vadrel", message);
  // The window stays open without frames; closing it ends the program.
  show();
  return false;
}

int32_t MainForm::takeTestPieces(const TCurveline& curve, std::array<TCurvePiece, 11>& pieces,
                                 std::array<TMesh2, 11>& meshes) {
  // The form has room for 10 pieces per curve.
  const int32_t count = std::min<int32_t>(std::max<int32_t>(curve.conzahl - 1, 0), 10);
  // Each piece is drawn bent along its curve: 5 segments, no ground strips, both ends closed.
  auto block = std::make_unique<TMesh2>();
  for (int32_t k = 1; k <= count; ++k) {
    pieces[k] = curve.Pieces[k];
    ExpandMesh(curve.Pieces[k].Mesh, *block);
    BuildCurveWayMesh(CurveGeometry, 5, *block, 0, true, true, meshes[k]);
  }
  return count;
}

void MainForm::FormCreate() {
  // 1. The debug log beside the program.
  SYS_InitDebugFile(false);

  // 2. Graphics on the 3D view (32 colour bits, no stencil).
  MainWindowHandle = OGLW;
  Gra_Init(OGLWContainer->width(), OGLWContainer->height(), 32, 0, false);

  // 3. Start-up weather, then the light.
  {
    const float len = std::sqrt(0.4f * 0.4f + 0.3f * 0.3f + 0.7f * 0.7f);
    Weather = {};
    Weather.LightDirection = {0.4f / len, -0.3f / len, -0.7f / len};
    Weather.RawLightDirection = {0.4f, -0.3f, -0.7f};
    Weather.ParticleDrift = {0.02f, 0.0f, 0.01f};
    Weather.IntensityStep = 0.002f;
    Weather.Colour[0] = 230;
    Weather.Colour[1] = 230;
    Weather.Colour[2] = 255;
    Weather.Colour[3] = 255;
    Weather.AmbientCeiling = 0.666f;
    Weather.LightFactor = 3.0f;
    Weather.BaseLightFactor = 3.0f;
    Weather.Byte2 = 80;
    Weather.ViewDistance1 = 2500.0f;
    Weather.ViewDistance2 = 10000.0f;
  }
  Gra_SetLight(true);

  // 4. The camera of player 1.
  Players[1].Camera = {600.0f, 130.0f, 240.0f, 0.0f, 140.0f, -20.0f};

  // 5. The record store and the pools.
  if (!ArrayerInit()) SYS_BREAKPROGRAM("ArrayerInit failed");
  ArrayerReset();

  // 6.-8. Base and work directories.
  std::string error;
  if (!appcommon::SetStartFolders(kIniName, kVehiclesDirName, error)) {
    stopStartup(6, error);
    return;
  }
  SYS_Warning("Base_DIR=" + Base_DIR.str());
  SYS_Warning("Work_DIR=" + Work_DIR.str());

  // 9. Languages; without a single language file there is no text to show.
  if (LanguageFiles(Base_DIR.str() + appcommon::kUIDirName).empty()) {
    stopStartup(9, appcommon::NoLanguageText(platform::DiskPath(Base_DIR.str() + appcommon::kUIDirName)));
    return;
  }
  LoadLanguages(Base_DIR.str() + appcommon::kUIDirName);
  SetLanguage("English");

  // 10. The vehicle file list; the work folder becomes the current directory.
  FillFileList();
  if (!platform::SetCurrentDir(Work_DIR.str())) {
    stopStartup(10, appcommon::IoErrorText(errno, platform::DiskPath(Work_DIR.str())));
    return;
  }

  // 11. Caption.
  setWindowTitle(QString("Corvane Vadrel v") + "10" + "." + "0");

  // 12. Start selections and the code stream.
  for (QComboBox* c : {CB_Smoketype, motorsoundt, gearcc, CB_Vehicletype, enginetype, prequ[0], prequ[1], prequ[2],
                       prequ[3]})
    c->setCurrentIndex(0);
  CodeStream.clear();

  // 13. Grid texts and the mesh-row boxes.
  SGrid_Points->setCell(1, 0, "X");
  SGrid_Points->setCell(2, 0, "Y");
  SGrid_Points->setCell(3, 0, "Z");
  for (int r = 1; r <= 5; ++r) {
    SGrid_Points->setCell(0, r, Num(r));
    for (int c = 1; c <= 3; ++c) SGrid_Points->setCell(c, r, "0.0");
  }
  for (int r = 0; r <= 11; ++r) SGrid_Goods->setCell(0, r, Num(r + 1));
  const char* meshHead[] = {"FILENAME", "X", "Y", "Z", "NICK", "GIER", "ROLL"};
  for (int c = 1; c <= 7; ++c) SGrid_Meshes->setCell(c, 0, meshHead[c - 1]);
  for (int r = 1; r <= 5; ++r) {
    SGrid_Meshes->setCell(0, r, Num(r));
    SGrid_Meshes->setCell(1, r, "NONE");
    for (int c = 2; c <= 7; ++c) SGrid_Meshes->setCell(c, r, "0.0");
  }
  appcommon::LayMeshRowBoxes(SGrid_Meshes, 18, MeshRowBoxes);

  // 14. The window becomes visible before the test world is built.
  show();

  // 15. The script.
  ScriptSaved = true;
  ScriptFileName = "NONE.MAS";

  // 16. Flat terrain.
  std::memset(HeightMap, 0, sizeof(HeightMap));

  // 17. - 20. The test track: the rail curve, the special variables, the road curve, the planned
  // constructions and 500 simulation steps. Each curve's pieces take the texture loaded before it.
  bool baseDirOk = true;
  TTestTrackSteps steps;
  steps.BeforeRail = [&] {
    if (!platform::SetCurrentDir(Base_DIR.str())) {
      baseDirOk = false;
      stopStartup(17, appcommon::IoErrorText(errno, platform::DiskPath(Base_DIR.str())));
      return false;
    }
    StandardTextures[kRailTextureEntry] = LoadTexture("gleis1.bmp", 0, 0, true);
    return true;
  };
  steps.AfterRail = [this](const TCurveline& curve) {
    // 18. Special variables.
    SGrid_SpecialVars->setCell(1, 0, "Boolean");
    SGrid_SpecialVars->setCell(2, 0, "Integer");
    SGrid_SpecialVars->setCell(3, 0, "Float");
    for (int r = 1; r <= 10; ++r) {
      SGrid_SpecialVars->setCell(0, r, Num(r));
      SGrid_SpecialVars->setCell(1, r, "False");
      SGrid_SpecialVars->setCell(2, r, "0");
      SGrid_SpecialVars->setCell(3, r, "0.0");
    }
    // 19. Rail pieces.
    RailPieceCount = takeTestPieces(curve, *RailPieces, *RailPieceMeshes);
  };
  steps.BeforeRoad = [this] {
    StandardTextures[kStreetTextureEntry] = LoadTexture("strasse1.bmp", 0, 0, true);
    SmokeTexture = LoadTexture("smokesource.bmp", 0, 0, true);
    GrassTexture = LoadTexture("nlgrasb.bmp", 0, 0, true);
    LoadFont(NodeFont, "times");
  };
  TConstructResult railResult, roadResult;  // not examined: a refused curve has fewer pieces
  BuildTestTrack(*TestCurve, TestConnectA, TestConnectB, steps, railResult, roadResult);
  if (!baseDirOk) return;
  RoadPieceCount = takeTestPieces(*TestCurve, *RoadPieces, *RoadPieceMeshes);

  // 21. Light grids.
  lightcoords->setCell(1, 0, "X");
  lightcoords->setCell(2, 0, "Y");
  lightcoords->setCell(3, 0, "Z");
  for (int r = 1; r <= 51; ++r) {
    lightcoords->setCell(0, r, Num(r));
    for (int c = 1; c <= 3; ++c) lightcoords->setCell(c, r, "0.0");
  }
  lightconel->setCell(1, 0, "Simple");
  lightconel->setCell(2, 0, "Stencil");
  for (int r = 1; r <= 3; ++r) {
    lightconel->setCell(0, r, "Light " + Num(r));
    lightconel->setCell(1, r, "0.0");
    lightconel->setCell(2, r, "0.0");
  }
  const char* xyz[] = {"X", "Y", "Z"};
  for (int c = 0; c <= 2; ++c) {
    silcrcoord->setCell(c, 0, xyz[c]);
    silcrcoord->setCell(c, 1, "0.0");
  }

  // 22. The main loop: pending messages, then one frame, until told to terminate. Frames come
  // at most at the display's rate.
  appcommon::RunMainLoop([this] { return terminated_; }, [this] { drawtimerTimer(); });
}

void MainForm::drawtimerTimer() {
  if (!platform::GlMakeCurrent(OGLW)) return;
  OGLWRedrawWorld();
}

}  // namespace vadrel
