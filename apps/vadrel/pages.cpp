// The editing pages of the main window: the notebook with its eight pages, the controls below
// the 3D view, and the small behaviours of the pages (names per language, the mesh and goods
// grids, the file pickers, the sound page's panels, the script page's views).
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <initializer_list>
#include <utility>

#include "apps/common/controls.h"
#include "apps/common/names.h"
#include "apps/vadrel/mainform.h"
#include "apps/common/wintext.h"
#include "engine/base/worldstate.h"
#include "platform/platform.h"

namespace vadrel {

using appcommon::EventHook;
using appcommon::MakeButton;
using appcommon::MakeCheck;
using appcommon::MakeCombo;
using appcommon::MakeEdit;
using appcommon::MakeGrid;
using appcommon::MakeLabel;
using appcommon::MakeLabeledEdit;
using appcommon::SetColumnWidths;

namespace {

QString Num(int n) { return QString::number(n); }

}  // namespace

void MainForm::buildPages() {
  Notebook = new QTabWidget(this);
  Notebook->setObjectName("Notebook");
  Notebook->setGeometry(540, 0, 492, 640);

  // ---- "General"
  auto* general = new QWidget();
  general->setObjectName("General");
  CB_Language = MakeCombo(general, "CB_Language", {}, 8, 8, 140);  // a list only: no typing
  E_Vehiclename = MakeEdit(general, "E_Vehiclename", "", 156, 8, 200);
  E_Vehiclename->setToolTip("Name of vehicle in selected language (max. 40 chars)");
  CB_Vehicletype = MakeCombo(general, "CB_Vehicletype", {"Car", "Train", "Plane", "Ship"}, 8, 36, 140);
  CB_Trainhead = MakeCheck(general, "CB_Trainhead", "Trainhead", 156, 36, 80);
  CB_Semitrailer = MakeCheck(general, "CB_Semitrailer", "Semitrailer", 238, 36, 90);
  ewcb = MakeCheck(general, "ewcb", "At end", 330, 36, 70);
  IsAddOn_ = MakeCheck(general, "IsAddOn_", "AddOn", 402, 36, 70);
  E_Startyear = MakeLabeledEdit(general, "Start year", "E_Startyear", "1800", 8, 64, 70, 50);
  E_Lastyear = MakeLabeledEdit(general, "Last year", "E_Lastyear", "2000", 136, 64, 60, 50);
  E_PsgrCapacity = MakeLabeledEdit(general, "Passengers", "E_PsgrCapacity", "", 254, 64, 74, 50);
  E_Price = MakeLabeledEdit(general, "Price", "E_Price", "", 8, 92, 40, 70);
  MakeLabel(general, "DM", 120, 92, 24);
  E_CostsPerYear = MakeLabeledEdit(general, "Costs/year", "E_CostsPerYear", "0", 148, 92, 66, 60);
  MakeLabel(general, "DM", 276, 92, 24);
  E_CostsPerKM = MakeLabeledEdit(general, "Costs/km", "E_CostsPerKM", "0", 304, 92, 60, 60);
  MakeLabel(general, "DM", 426, 92, 24);
  coplength = MakeLabeledEdit(general, "Front of vehicle --> Front axis", "coplength", "0", 8, 120, 184, 50);
  axlength = MakeLabeledEdit(general, "Length of axis", "axlength", "0", 8, 146, 184, 50);
  coplength2 = MakeLabeledEdit(general, "Back-axis --> End of vehicle", "coplength2", "0", 8, 172, 184, 50);
  E_NextVehicle = MakeLabeledEdit(general, "Next vehicle", "E_NextVehicle", "", 8, 200, 94, 110);
  Bn_LoadNextVehicle = MakeButton(general, "Bn_LoadNextVehicle", "...", 214, 199, 26);
  E_NextVehicle2 = MakeLabeledEdit(general, "Next vehicle 2", "E_NextVehicle2", "", 8, 226, 94, 110);
  Bn_LoadNextVehicle2 = MakeButton(general, "Bn_LoadNextVehicle2", "...", 214, 225, 26);
  Bn_LoadNextVehicle2->setEnabled(false);

  auto* smoke = new QGroupBox("Smoke", general);
  smoke->setGeometry(8, 254, 236, 104);
  smoking = MakeCheck(smoke, "smoking", "Object is smoking", 8, 18, 200);
  E_SmokeX = MakeLabeledEdit(smoke, "X", "E_SmokeX", "0.0", 8, 44, 14, 50);
  smokeposy = MakeLabeledEdit(smoke, "Y", "smokeposy", "0.0", 80, 44, 14, 50);
  smokeposz = MakeLabeledEdit(smoke, "Z", "smokeposz", "0.0", 152, 44, 14, 50);
  CB_Smoketype = MakeCombo(smoke, "CB_Smoketype",
                           {"Steam engine smoke (gray)", "Industry smoke (black)", "Reserved1", "Reserved2", "Reserved3",
                            "Reserved4", "Reserved5", "Reserved6", "Reserved7"},
                           8, 72, 210);

  auto* engine = new QGroupBox("Engine", general);
  engine->setGeometry(252, 120, 228, 210);
  E_Power = MakeLabeledEdit(engine, "Horsepower", "E_Power", "", 8, 18, 90, 60);
  E_MaxSpeed = MakeLabeledEdit(engine, "Max. speed", "E_MaxSpeed", "0", 8, 44, 90, 60);
  MakeLabel(engine, "1/20 km/h", 160, 44, 64);
  E_Weight = MakeLabeledEdit(engine, "Weight", "E_Weight", "0", 8, 70, 90, 60);
  MakeLabel(engine, "kg", 160, 70, 64);
  E_Wheelsize = MakeLabeledEdit(engine, "Wheelsize", "E_Wheelsize", "0", 8, 96, 90, 60);
  MakeLabel(engine, "1/10 m", 160, 96, 64);
  E_LoadingWeight = MakeLabeledEdit(engine, "Loading weight", "E_LoadingWeight", "0", 8, 122, 90, 60);
  MakeLabel(engine, "kg", 160, 122, 64);
  E_Volume = MakeLabeledEdit(engine, "Volume", "E_Volume", "0", 8, 148, 90, 60);
  MakeLabel(engine, "litres", 160, 148, 64);
  enginetype = MakeCombo(engine, "enginetype", {"None", "Steam", "Electro", "Diesel", "Benzine"}, 8, 178, 150);

  MakeLabel(general, "Goods", 8, 362, 60);
  SGrid_Goods = MakeGrid(general, "SGrid_Goods", 4, 12, 1, 0, QRect(8, 384, 300, 180));
  SetColumnWidths(SGrid_Goods, {30, 100, 100, 48});
  for (int r = 0; r <= 11; ++r) SGrid_Goods->setCell(0, r, Num(r + 1));
  SGrid_Goods->setMouseTracking(true);
  new EventHook(SGrid_Goods->viewport(), [this](QEvent* e) {
    if (e->type() == QEvent::MouseMove) SGrid_GoodsMouseMove(static_cast<QMouseEvent*>(e)->position().toPoint());
  });
  connect(SGrid_Goods, &QTableWidget::cellDoubleClicked, this, [this](int, int) { SGrid_GoodsDblClick(); });
  GoodsMixCB = MakeCheck(general, "GoodsMixCB", "Goods mixable", 8, 568, 160);

  auto* unused = new QGroupBox("unused stuff", general);
  unused->setGeometry(316, 338, 164, 236);
  brakespeed = MakeLabeledEdit(unused, "Brakespeed", "brakespeed", "0", 8, 18, 76, 60);
  CB_b1 = MakeCheck(unused, "CB_b1", "b1", 8, 44, 44);
  CB_b2 = MakeCheck(unused, "CB_b2", "b2", 56, 44, 44);
  IsSteering_ = MakeCheck(unused, "IsSteering_", "b3/x", 104, 44, 56);
  for (int i = 0; i < 4; ++i) {
    const std::string name = "prequ" + std::to_string(i + 1);
    prequ[i] = MakeCombo(unused, name.c_str(), {"Nothing"}, 8, 76 + 28 * i, 148);
  }
  Notebook->addTab(general, "General");

  // ---- "Bounding box"
  QWidget* bbox = appcommon::MakeBoundingBoxPage(bbx, bby, bbz);
  btop = MakeLabeledEdit(bbox, "Top", "btop", "0.0", 8, 156, 60, 84);
  bbottom = MakeLabeledEdit(bbox, "Bottom", "bbottom", "0.0", 8, 184, 60, 84);
  AutoBoundB = MakeButton(bbox, "AutoBoundB", "AutoBound", 8, 220, 100);
  connect(AutoBoundB, &QPushButton::clicked, this, [this] { AutoBoundBClick(); });
  Notebook->addTab(bbox, "Bounding box");

  // ---- "Script"
  auto* script = new QWidget();
  script->setObjectName("Script");
  srcmemo = new QPlainTextEdit(script);
  srcmemo->setObjectName("srcmemo");
  srcmemo->setGeometry(8, 8, 470, 500);
  srcmemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  srcmemo->setPlainText(
      "defineproc setrotation,setposition,setnick,setgier,setroll;\n"
      "definevar frame;\n"
      "defineproc ReadNode,GetNextNode,GetCoordPos,CMBezier;\n"
      "defineproc CopyCoord,CopyNode,TBC,TFC;\n"
      "defineproc SetTexture;\n"
      "\n"
      "Begin\n"
      "End;");
  Memox = new QPlainTextEdit(script);
  Memox->setObjectName("Memox");
  Memox->setGeometry(8, 8, 470, 500);
  Memox->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memox->hide();
  CheckBox1 = MakeCheck(script, "CheckBox1", "CheckBox1", 8, 514, 120);
  Bn_CompileScript = MakeButton(script, "Bn_CompileScript", "Compile", 8, 542, 80);
  Bn_LoadScript = MakeButton(script, "Bn_LoadScript", "Load", 92, 542, 80);
  Bn_SaveScript = MakeButton(script, "Bn_SaveScript", "Save", 176, 542, 80);
  Bn_ExecuteScript = MakeButton(script, "Bn_ExecuteScript", "Execute script", 260, 542, 110);
  Label27 = new QLabel("Label27", script);
  Label27->setObjectName("Label27");
  Label27->setGeometry(380, 542, 96, 24);
  connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
  connect(srcmemo, &QPlainTextEdit::textChanged, this, [this] { srcmemoChange(); });
  connectScriptPage();
  Notebook->addTab(script, "Script");

  // ---- "Points"
  auto* points = new QWidget();
  points->setObjectName("Points");
  SGrid_Points = MakeGrid(points, "SGrid_Points", 4, 6, 1, 1, QRect(8, 8, 300, 126));
  SetColumnWidths(SGrid_Points, {36, 80, 80, 80});
  Notebook->addTab(points, "Points");

  // ---- "Meshes"
  auto* meshes = new QWidget();
  meshes->setObjectName("Meshes");
  SGrid_Meshes = MakeGrid(meshes, "SGrid_Meshes", 8, 6, 1, 1, QRect(8, 8, 470, 126));
  SetColumnWidths(SGrid_Meshes, {36, 130, 48, 48, 48, 48, 48, 48});
  // The file cells are chosen by double-click, never typed.
  for (int r = 1; r <= 5; ++r)
    for (int c = 1; c <= 7; ++c)
      if (!SGrid_MeshesSelectCell(c, r)) SGrid_Meshes->item(r, c)->setFlags(Qt::ItemIsEnabled);
  SGrid_Meshes->setMouseTracking(true);
  SGrid_Meshes->viewport()->installEventFilter(this);
  new EventHook(SGrid_Meshes->viewport(), [this](QEvent* e) {
    if (e->type() != QEvent::MouseButtonPress) return;
    auto* me = static_cast<QMouseEvent*>(e);
    SGrid_MeshesMouseDown(me->button(), me->modifiers(), me->position().toPoint());
  });
  connect(SGrid_Meshes, &QTableWidget::cellDoubleClicked, this, [this](int, int) { SGrid_MeshesDblClick(); });
  Notebook->addTab(meshes, "Meshes");

  // ---- "SpecialVars"
  auto* special = new QWidget();
  special->setObjectName("SpecialVars");
  SGrid_SpecialVars = MakeGrid(special, "SGrid_SpecialVars", 4, 11, 1, 1, QRect(8, 8, 300, 226));
  SetColumnWidths(SGrid_SpecialVars, {36, 80, 80, 80});
  Notebook->addTab(special, "SpecialVars");

  // ---- "Sound"
  auto* sound = new QWidget();
  sound->setObjectName("Sound");
  auto* sounds = new QGroupBox("Sounds", sound);
  sounds->setGeometry(8, 8, 470, 184);
  const char* soundNames[6] = {"sndenginestart", "sndengineoff", "sndpreaccel", "sndprebrake", "sndbraking", "sndmoving"};
  const char* soundCaptions[6] = {"Engine-start", "Engine-off", "Before accelration", "Prebraking", "Braking", "Moving"};
  QLineEdit** soundEdits[6] = {&sndenginestart, &sndengineoff, &sndpreaccel, &sndprebrake, &sndbraking, &sndmoving};
  for (int i = 0; i < 6; ++i) {
    const int y = 20 + 26 * i;
    *soundEdits[i] = MakeLabeledEdit(sounds, soundCaptions[i], soundNames[i], "", 8, y, 120, 290);
    const std::string button = "SpeedButton" + std::to_string(i + 1);
    SoundPickers[i] = MakeButton(sounds, button.c_str(), "...", 422, y - 1, 26);
    QPushButton* pressed = SoundPickers[i];
    connect(pressed, &QPushButton::clicked, this, [this, pressed] { SpeedButton6Click(pressed); });
  }
  motorsoundt = MakeCombo(sound, "motorsoundt", {"Steamenginetrain", "Car", "Dieseltrain", "Futuristic"}, 8, 200, 160);
  connect(motorsoundt, &QComboBox::activated, this, [this](int) { motorsoundtChange(); });
  speed2stepse = MakeLabeledEdit(sound, "Speed-->Steps/s : ", "speed2stepse", "1.0", 8, 232, 120, 60);
  sminfactor = MakeLabeledEdit(sound, "min. factor:", "sminfactor", "1.0", 8, 258, 120, 60);
  smaxsfactor = MakeLabeledEdit(sound, "max. factor:", "smaxsfactor", "1.0", 8, 284, 120, 60);
  basesf = MakeLabeledEdit(sound, "Base:", "basesf", "1.0", 8, 310, 120, 60);
  motorpan = new QWidget(sound);
  motorpan->setObjectName("motorpan");
  motorpan->setGeometry(8, 342, 470, 220);
  MakeLabel(motorpan, "Count of gears", 0, 0, 100);
  gearcc = MakeCombo(motorpan, "gearcc", {"1", "2", "3", "4", "5", "6"}, 104, 0, 60);
  MakeLabel(motorpan, "From", 60, 28, 80);
  MakeLabel(motorpan, "Change", 150, 28, 80);
  for (int i = 0; i < 6; ++i) {
    const std::string n = std::to_string(i + 1);
    const int y = 52 + 26 * i;
    MakeLabel(motorpan, "Gear " + Num(i + 1), 0, y, 56);
    gfrom[i] = MakeEdit(motorpan, ("gfrom" + n).c_str(), "0.0", 60, y, 84);
    gfrch[i] = MakeEdit(motorpan, ("gfrch" + n).c_str(), "0.0", 150, y, 84);
  }
  motorpan->hide();
  Notebook->addTab(sound, "Sound");

  // ---- "Light"
  auto* light = new QWidget();
  light->setObjectName("Light");
  const char* activeNames[3] = {"Light1active", "Light2Active", "Light3Active"};
  for (int k = 0; k < 3; ++k) {
    const std::string n = std::to_string(k + 1);
    const int y = 8 + 26 * k;
    LightActive[k] = MakeCheck(light, activeNames[k], "Light " + Num(k + 1) + " active", 8, y, 110);
    firstsil[k] = MakeLabeledEdit(light, "First silouette-point:", ("firstsil" + n).c_str(), "0", 122, y, 128, 36);
    LastSil[k] = MakeLabeledEdit(light, "Last", ("LastSil" + n).c_str(), "0", 292, y, 32, 36);
    LightCoord[k] = MakeLabeledEdit(light, "Coord", ("LightCoord" + n).c_str(), "0", 366, y, 40, 36);
  }
  lightcoords = MakeGrid(light, "lightcoords", 4, 52, 1, 1, QRect(8, 92, 264, 480));
  SetColumnWidths(lightcoords, {30, 70, 70, 70});
  MakeLabel(light, "Lightconelengths:", 280, 92, 200);
  lightconel = MakeGrid(light, "lightconel", 3, 4, 1, 1, QRect(280, 114, 200, 86));
  SetColumnWidths(lightconel, {60, 64, 64});
  ShowLights = MakeCheck(light, "ShowLights", "Show lights in 3D-view", 280, 206, 200);
  auto* maker = new QGroupBox("Make lightsilouette", light);
  maker->setGeometry(280, 236, 200, 200);
  firstsi = MakeLabeledEdit(maker, "First", "firstsi", "1", 8, 20, 60, 60);
  silco = MakeLabeledEdit(maker, "Count", "silco", "16", 8, 46, 60, 60);
  SilRadius = MakeLabeledEdit(maker, "Radius", "SilRadius", "10.0", 8, 72, 60, 60);
  MakeLabel(maker, "Coord", 8, 98, 60);
  silcrcoord = MakeGrid(maker, "silcrcoord", 3, 2, 0, 1, QRect(8, 120, 184, 44));
  SetColumnWidths(silcrcoord, {58, 58, 58});
  silcrcoord->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  silcrcoord->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  CreateSC = MakeButton(maker, "CreateSC", "Create", 8, 168, 80);
  connect(CreateSC, &QPushButton::clicked, this, [this] { CreateSCClick(); });
  Notebook->addTab(light, "Light");

  // ---- Below the 3D view: the vehicle files.
  Bn_Load = MakeButton(this, "Bn_Load", "Open file", 8, 540, 90);
  Bn_Save = MakeButton(this, "Bn_Save", "Save file", 104, 540, 90);
  Bn_Save->setEnabled(false);
  Bn_SaveAs = MakeButton(this, "Bn_SaveAs", "Save file as", 200, 540, 100);
  CB_Filenames->setGeometry(8, 572, 420, 24);
  Bn_LoadIt = MakeButton(this, "Bn_LoadIt", "Load it", 434, 572, 96);
  IgnScript = MakeCheck(this, "IgnScript", "Ignore scriptchanges", 8, 604, 180);
  CB_Nodes = MakeCheck(this, "CB_Nodes", "Show Nodes", 200, 604, 120);
  connect(Bn_Load, &QPushButton::clicked, this, [this] { Bn_LoadClick(); });
  connect(Bn_Save, &QPushButton::clicked, this, [this] { Bn_SaveClick(); });
  connect(Bn_SaveAs, &QPushButton::clicked, this, [this] { Bn_SaveAsClick(); });
  connect(Bn_LoadIt, &QPushButton::clicked, this, [this] { Bn_LoadItClick(); });

  // Names per language.
  connect(CB_Language, &QComboBox::activated, this, [this](int) { CB_LanguageChange(); });
  connect(E_Vehiclename, &QLineEdit::textEdited, this, [this](const QString&) { E_VehiclenameKeyUp(); });
  // The following vehicles.
  connect(Bn_LoadNextVehicle, &QPushButton::clicked, this, [this] { Bn_LoadNextVehicleClick(); });
  connect(Bn_LoadNextVehicle2, &QPushButton::clicked, this, [this] { Bn_LoadNextVehicle2Click(); });
}

// ---- Names per language

int MainForm::LanguageIndex() const { return appcommon::LanguageEntry(LanguageNames, CB_Language); }

void MainForm::E_VehiclenameKeyUp() { appcommon::StoreEditedName(LanguageNames, CB_Language, E_Vehiclename); }

void MainForm::CB_LanguageChange() { appcommon::ShowLanguageName(LanguageNames, CB_Language, E_Vehiclename); }

// ---- Mesh and goods grids

bool MainForm::SGrid_MeshesSelectCell(int col, int) const { return col != 1; }

void MainForm::SGrid_MeshesMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& pos) {
  if (button != Qt::RightButton || !(modifiers & Qt::ShiftModifier)) return;
  int col = -1, row = -1;
  SGrid_Meshes->cellAt(pos, col, row);
  if (col != 1 || row < 1 || row > 5) return;
  SGrid_Meshes->setCell(1, row, "NONE");
  if (MeshRowBoxes[static_cast<size_t>(row)]) MeshRowBoxes[static_cast<size_t>(row)]->setChecked(false);
}

void MainForm::SGrid_GoodsMouseMove(const QPoint& pos) {
  goodsGridMouseX_ = pos.x();
  goodsGridMouseY_ = pos.y();
}

void MainForm::SGrid_GoodsDblClick() {
  int col = -1, row = -1;
  SGrid_Goods->cellAt(QPoint(goodsGridMouseX_, goodsGridMouseY_), col, row);
  if (col != 2 || row < 0) return;
  QFileDialog dlg(this, "Select mesh-file to open");
  dlg.setObjectName("DLG_LoadMesh");
  dlg.setNameFilters({"Mesh-files (*.msh *.msh2)", "All files (*)"});
  dlg.setDefaultSuffix("msh");
  dlg.setFileMode(QFileDialog::ExistingFile);
  QString chosen;
  if (!RunFileDialog(dlg, chosen)) return;
  SGrid_Goods->setCell(2, row, QFileInfo(chosen).fileName());
}

// ---- File pickers

void MainForm::SpeedButton6Click(QPushButton* sender) {
  QLineEdit* edits[6] = {sndenginestart, sndengineoff, sndpreaccel, sndprebrake, sndbraking, sndmoving};
  QLineEdit* target = nullptr;
  for (size_t i = 0; i < SoundPickers.size(); ++i)
    if (SoundPickers[i] == sender) target = edits[i];
  if (!target) return;
  const std::string folder = platform::DiskPath(Base_DIR.str() + "sfx\\");
  QFileDialog dlg(this, "Choose sound", QString::fromStdString(folder));
  dlg.setObjectName("openwavdlg");
  dlg.setDefaultSuffix("wav");
  dlg.setFileMode(QFileDialog::ExistingFile);
  QString chosen;
  if (!RunFileDialog(dlg, chosen)) return;
  target->setText(QFileInfo(chosen).fileName());
}

bool MainForm::PickVehicleFile(QString& chosen) {
  QFileDialog dlg(this, "Load vehicle-info");
  dlg.setObjectName("DLG_LoadVIF");
  dlg.setNameFilter("Vehicle-info-file (*.vif)");
  dlg.setFileMode(QFileDialog::ExistingFile);
  return RunFileDialog(dlg, chosen);
}

void MainForm::Bn_LoadNextVehicleClick() {
  QString chosen;
  if (PickVehicleFile(chosen)) E_NextVehicle->setText(QFileInfo(chosen).fileName());
}

void MainForm::Bn_LoadNextVehicle2Click() {
  QString chosen;
  if (PickVehicleFile(chosen)) E_NextVehicle2->setText(QFileInfo(chosen).fileName());
}

// ---- Sound page and script page

void MainForm::motorsoundtChange() {
  motorpan->setVisible(motorsoundt->currentIndex() == 1);
  sndmoving->setVisible(motorsoundt->currentIndex() != 0);
}

void MainForm::CheckBox1Click() {
  Memox->setVisible(CheckBox1->isChecked());
  srcmemo->setVisible(Memox->isHidden());
}

void MainForm::srcmemoChange() { ScriptSaved = false; }

}  // namespace vadrel
