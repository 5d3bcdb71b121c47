// The controls of the building editor's window: the notebook with its eight pages, the camera
// text and the node switch below the 3D view, and the building files along the bottom. The
// per-row controls of the ways and nodes grids are laid over the grid cells at start-up.
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>

#include <initializer_list>

#include "apps/brumin/mainform.h"
#include "apps/common/controls.h"

namespace brumin {

using namespace appcommon;  // the control makers

namespace {

constexpr int kMaxCount = 2000000000;

// A spin edit with its caption in front of it.
QSpinBox* MakeLabeledSpin(QWidget* parent, const QString& caption, const char* name, int minimum, int maximum,
                          int value, int x, int y, int labelWidth, int spinWidth) {
  MakeLabel(parent, caption, x, y, labelWidth);
  return MakeSpin(parent, name, minimum, maximum, value, x + labelWidth, y, spinWidth);
}

// A combo box with its caption in front of it.
QComboBox* MakeLabeledCombo(QWidget* parent, const QString& caption, const char* name, const QStringList& items,
                            int x, int y, int labelWidth, int comboWidth) {
  MakeLabel(parent, caption, x, y, labelWidth);
  return MakeCombo(parent, name, items, x + labelWidth, y, comboWidth);
}

// An editable combo box showing `text`.
QComboBox* MakeTextCombo(QWidget* parent, const char* name, const QStringList& items, const QString& text, int x,
                         int y, int w) {
  QComboBox* c = MakeCombo(parent, name, {}, x, y, w);
  c->setEditable(true);
  c->addItems(items);
  c->setEditText(text);
  return c;
}

// A grid at its full size inside a scroll box: the grid does not scroll itself, so controls laid
// over its cells move with them.
platform::StringGrid* MakeScrolledGrid(QWidget* page, const char* boxName, QScrollArea*& box, const char* gridName,
                                       int cols, int rows, std::initializer_list<int> widths) {
  box = new QScrollArea(page);
  box->setObjectName(boxName);
  box->setGeometry(4, 4, 462, 440);
  platform::StringGrid* g = MakeGrid(nullptr, gridName, cols, rows, 1, 1, QRect());
  SetColumnWidths(g, widths);
  g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  int w = 2 * g->frameWidth(), h = 2 * g->frameWidth();
  for (int c = 0; c < cols; ++c) w += g->columnWidth(c);
  for (int r = 0; r < rows; ++r) h += g->rowHeight(r);
  g->resize(w, h);
  box->setWidget(g);
  return g;
}

// A cell of a grid in the grid's own coordinates.
QRect CellRect(const platform::StringGrid* g, int col, int row) {
  return QRect(g->frameWidth() + g->columnViewportPosition(col), g->frameWidth() + g->rowViewportPosition(row),
               g->columnWidth(col), g->rowHeight(row));
}

void MakeWhite(QWidget* w) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, Qt::white);
  p.setColor(QPalette::Base, Qt::white);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

// A check box without caption over a grid cell.
QCheckBox* MakeCellBox(platform::StringGrid* g, const QString& name, const QRect& geometry) {
  auto* box = new QCheckBox(g);
  box->setObjectName(name);
  MakeWhite(box);
  box->setGeometry(geometry);
  box->show();
  return box;
}

}  // namespace

QStringList ScriptTemplate() {
  return {
      "//standard procedures:",
      "defineproc setrotation,setposition,setnick,setgier,setroll;",
      "defineproc settexture;",
      "",
      "//extended procedures:",
      "defineproc SetTrainSpeed,SetTrainSollSpeed,SetTrainSpeedNormal,",
      "           ActivateDepotScript,DisableDepotScript,LoadTrain,",
      "           SaveTrain,SaveBuilding,DebugProc,AllowEnter,ForbidEnter,",
      "           AllowLeave,ForbidLeave,LockNode,UnLockNode;",
      "",
      "definevar frame,sparam1,sparam2,sparam3,sparam4,",
      "          bvar1,bvar2,bvar3,bvar4;",
      "",
      "//Frame is the actual frame-counter-value, readonly",
      "//Sparam1-4 are read-/writeable variables for communication",
      "//with the mainprogram. Sparam1 contains the event to handle,",
      "//for example Script_Display. The other 3 variables contain",
      "//parameters. Put function-results always into SParam4.",
      "//BVar1-4 are read-/write-able variables owned buy the building itself.",
      "//You can backup the values in them through calling SaveBuilding,",
      "//then they are automatically restored on the next call of this script.",
      "",
      "Const Script_Display      = 0; //Display-Handling",
      "      //Parameters: NONE",
      "      Script_Rooter       = 1; //Rooter-Handling",
      "      //Parameters: Sparam2=Node; Sparam3=Train-Index",
      "      //Result --> Sparam4, default is 1",
      "      Script_Update       = 2; //Update-Handling (50 fps)",
      "      //Parameters: NONE",
      "      Script_HeadOverNode = 3; //HeaveOverNode-Event",
      "      //Parameters: Sparam2=Node; Sparam3=Train-Index",
      "      Script_BackOverNode = 4; //BackOverNode-Event",
      "      //Parameters: Sparam2=Node; Sparam3=Train-Index",
      "      Script_OnSendOut = 5; //Called, when vehicle is send out",
      "      //Parameters: Sparam2=Trainindex",
      "",
      "    Procedure Display; //Display-handling",
      "    Begin",
      "    Ret;",
      "",
      "Begin",
      "   If sparam1=Script_Display Then Display; {else...}",
      "End;",
  };
}

void MainForm::buildPages() {
  Notebook = new QTabWidget(this);
  Notebook->setObjectName("Notebook");
  Notebook->setGeometry(538, 0, 478, 508);
  // All eight tabs in one row across the notebook's width.
  Notebook->tabBar()->setStyleSheet("QTabBar::tab { padding: 4px 5px; }");
  buildGeneralPage();
  buildBoundingBoxPage();
  buildScriptPage();
  buildGridPages();

  // Below the 3D view.
  L_Coords = new QLabel(this);
  L_Coords->setObjectName("L_Coords");
  L_Coords->setGeometry(4, 438, 530, 18);
  CB_ShowNodes = MakeCheck(this, "CB_ShowNodes", "Show nodes", 4, 460, 120);
  CB_ShowNodes->setChecked(true);
  buildFilePanel();
}

void MainForm::buildGeneralPage() {
  auto* page = new QWidget();
  page->setObjectName("General");
  CB_Language = MakeCombo(page, "CB_Language", {}, 6, 6, 150);
  CB_Language->setToolTip("Select a language for the building\u00B4s name");
  MakeLabel(page, "Name", 164, 6, 36);
  E_BuildingName = MakeEdit(page, "E_BuildingName", "", 200, 6, 260);
  E_BuildingName->setToolTip("Name of building in selected language (max. 40 chars)");

  CB_BuildingType = MakeLabeledCombo(page, "Type", "CB_BuildingType",
                                     {"House", "Industry", "Station", "Bridge", "Pillar", "Attraction", "Deco", "Depot",
                                      "Tunnel", "Airport", "Marketplace", "Public", "Church", "Pseudoindustry"},
                                     6, 32, 40, 150);
  CB_BuildingType->setMaxVisibleItems(20);
  CB_BuildingType->setToolTip("Select building type");
  wealth = MakeLabeledCombo(page, "Wealth", "wealth",
                            {"Poor", "Lower middle class", "Upper middle class", "Rich", "Students", "Military"}, 206, 32,
                            50, 204);
  wealth->setToolTip("Luxeriority of the building");

  MakeLabel(page, "Startyear", 6, 58, 60);
  Startyear = MakeTextCombo(page, "Startyear", {}, "0", 66, 58, 80);
  Startyear->setToolTip("First year of appearance");
  MakeLabel(page, "Endyear", 156, 58, 55);
  Endyear = MakeTextCombo(page, "Endyear", {}, "3000", 211, 58, 80);
  MakeLabel(page, "Style", 300, 58, 40);
  CB_Style = MakeTextCombo(page, "CB_Style", {"none", "classic", "chequerwork"}, "none", 340, 58, 120);

  SP_MinCitySize = MakeLabeledSpin(page, "Minimal citysize", "SP_MinCitySize", 0, kMaxCount, 0, 6, 84, 110, 110);
  SP_MinCitySize->setToolTip("Minimal population to allow building");
  minindust = MakeLabeledSpin(page, "minimal industrysize", "minindust", 0, kMaxCount, 0, 236, 84, 120, 104);
  minindust->setToolTip("Minimal size of the industry, till this building can be built");
  minwealth = MakeLabeledSpin(page, "storeys", "minwealth", 0, kMaxCount, 0, 6, 110, 110, 110);
  minwealth->setToolTip("Minimal luxeriority of the city, till this building can be built");
  inhmax = MakeLabeledSpin(page, "max. inhabitants", "inhmax", 0, kMaxCount, 0, 236, 110, 120, 104);
  inhmax->setToolTip("maximal count of inhabitants/people in this house");
  costs = MakeLabeledSpin(page, "Costs", "costs", -1, kMaxCount, -1, 6, 136, 110, 110);
  costs->setToolTip("Costs to create building (-1 = impossible)");
  dcosts = MakeLabeledSpin(page, "D.-Costs", "dcosts", -1, kMaxCount, -1, 236, 136, 120, 104);
  dcosts->setToolTip("Costs to destruct building (-1 = impossible)");

  CB_Location = MakeLabeledCombo(page, "Location", "CB_Location",
                                 {"Central", "Peripheral", "Outside", "Anywhere", "Coast"}, 6, 162, 60, 160);
  CB_Placement = MakeLabeledCombo(page, "Placement", "CB_Placement",
                                  {"Not at corner", "Only at corner", "Also at corner"}, 236, 162, 70, 154);
  fixedsize = MakeCheck(page, "fixedsize", "Building has got fixed size", 6, 188, 220);
  CitySp = MakeCheck(page, "CitySp", "Cityspecific", 236, 188, 220);
  MapUni = MakeCheck(page, "MapUni", "Only one building of this type per map", 6, 214, 300);

  auto* smoke = new QGroupBox("Smoke", page);
  smoke->setGeometry(6, 242, 224, 116);
  smoking = MakeCheck(smoke, "smoking", "Smoking", 8, 18, 100);
  MakeLabel(smoke, "Smoke-creation-point", 8, 40, 200);
  smokeposx = MakeLabeledEdit(smoke, "X", "smokeposx", "0.0", 8, 62, 14, 50);
  smokeposy = MakeLabeledEdit(smoke, "Y", "smokeposy", "0.0", 76, 62, 14, 50);
  smokeposz = MakeLabeledEdit(smoke, "Z", "smokeposz", "0.0", 144, 62, 14, 50);
  smoketp = MakeCombo(smoke, "smoketp",
                      {"Br01-Smoke", "Train-factory-Smoke", "Reserved1", "Reserved2", "Reserved3", "Reserved4",
                       "Reserved5", "Reserved6", "Reserved7"},
                      8, 88, 208);

  auto* wayed = new QGroupBox("WAYED", page);
  wayed->setGeometry(236, 242, 230, 116);
  CB_Wayed = MakeCheck(wayed, "CB_Wayed", "Wayed", 8, 18, 90);
  CB_WayInvisible = MakeCheck(wayed, "CB_WayInvisible", "Way is invisible", 100, 18, 126);
  Spin_Waypoint1 = MakeLabeledSpin(wayed, "Waypoint 1", "Spin_Waypoint1", 0, 30, 0, 8, 44, 72, 50);
  Spin_Waypoint2 = MakeLabeledSpin(wayed, "Waypoint 2", "Spin_Waypoint2", 0, 30, 0, 8, 72, 72, 50);
  MakeLabel(wayed, "Way type", 138, 44, 84);
  CB_Waytype = MakeCombo(wayed, "CB_Waytype", {"None", "Rail", "Road"}, 138, 72, 84);

  auto* depot = new QGroupBox("Depot-Settings", page);
  depot->setGeometry(6, 362, 460, 80);
  entrynode = MakeLabeledSpin(depot, "Exit node", "entrynode", 0, 100, 0, 8, 20, 64, 56);
  depotnode = MakeLabeledSpin(depot, "Depot node", "depotnode", 0, 100, 0, 132, 20, 72, 56);
  parkingslots = MakeLabeledSpin(depot, "Parking slots", "parkingslots", 0, 100, 0, 266, 20, 84, 56);
  nirvdepot = MakeCheck(depot, "nirvdepot", "Nirvana-depot", 8, 48, 120);
  slotl = MakeLabeledEdit(depot, "Slotlength", "slotl", "0.0", 132, 48, 72, 56);
  mdepotspeed = MakeLabeledEdit(depot, "Depotspeed", "mdepotspeed", "0.0", 266, 48, 84, 56);
  Notebook->addTab(page, "General");
}

void MainForm::buildBoundingBoxPage() {
  QWidget* page = MakeBoundingBoxPage(bbx, bby, bbz);
  // The sketch of the box seen from above: corner 1 top left, 2 bottom left, 3 bottom right, 4 top
  // right; the front box of side s lies between corners s and s + 1.
  auto* sketch = new QFrame(page);
  sketch->setObjectName("BoxSketch");
  sketch->setFrameShape(QFrame::Box);
  sketch->setGeometry(130, 200, 160, 120);
  const struct {
    const char* text;
    int x, y;
  } corners[4] = {{"1", 112, 184}, {"2", 112, 322}, {"3", 294, 322}, {"4", 294, 184}};
  for (const auto& c : corners) MakeLabel(page, c.text, c.x, c.y, 16);
  const struct {
    int x, y;
  } fronts[4] = {{60, 250}, {180, 324}, {296, 250}, {180, 174}};
  for (int s = 0; s < 4; ++s) {
    const std::string name = "front" + std::to_string(s + 1);
    front[static_cast<size_t>(s)] = MakeCheck(page, name.c_str(), "Front", fronts[s].x, fronts[s].y, 64);
    front[static_cast<size_t>(s)]->setToolTip("Is this side a building-front?");
  }
  btop = MakeLabeledEdit(page, "Top", "btop", "0.0", 330, 32, 50, 84);
  btop->setToolTip("Top Y-coordinate of the bounding-box");
  bbottom = MakeLabeledEdit(page, "Bottom", "bbottom", "0.0", 330, 60, 50, 84);
  bbottom->setToolTip("Bottom Y-coordinate of the bounding-box");
  AutoBoundB = MakeButton(page, "AutoBoundB", "AutoBound", 330, 100, 134);
  Notebook->addTab(page, "Bounding box");
}

void MainForm::buildScriptPage() {
  auto* page = new QWidget();
  page->setObjectName("Script");
  srcmemo = new QPlainTextEdit(page);
  srcmemo->setObjectName("srcmemo");
  srcmemo->setGeometry(4, 4, 462, 424);
  srcmemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  srcmemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  srcmemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette colours = srcmemo->palette();
  colours.setColor(QPalette::Base, Qt::black);
  colours.setColor(QPalette::Text, Qt::cyan);
  srcmemo->setPalette(colours);
  QFont courier("Courier New");
  courier.setStyleHint(QFont::Monospace);
  srcmemo->setFont(courier);
  srcmemo->setPlainText(ScriptTemplate().join('\n'));
  CompileB = MakeButton(page, "CompileB", "Compile", 4, 434, 90);
  LoadSB = MakeButton(page, "LoadSB", "Load", 100, 434, 90);
  SaveSB = MakeButton(page, "SaveSB", "Save", 196, 434, 90);
  Notebook->addTab(page, "Script");
  connectScriptPage();
}

void MainForm::buildGridPages() {
  auto* points = new QWidget();
  points->setObjectName("Points");
  SGrid_Points = MakeGrid(points, "SGrid_Points", 4, 31, 1, 1, QRect(4, 4, 300, 440));
  SetColumnWidths(SGrid_Points, {36, 80, 80, 80});
  generatorpoint = MakeSpin(points, "generatorpoint", 1, 30, 1, 314, 28, 50);
  MakeLabel(points, "Generator point", 314, 4, 150);
  generatorpoint->setToolTip("Point, where products, of firms for example, are created");
  Notebook->addTab(points, "Points");

  auto* ways = new QWidget();
  ways->setObjectName("Ways");
  SGrid_Ways = MakeScrolledGrid(ways, "ScrollBox_Ways", ScrollBox_Ways, "SGrid_Ways", 7, 21,
                                {34, 38, 40, 40, 40, 39, 192});
  Notebook->addTab(ways, "Ways");

  auto* nodes = new QWidget();
  nodes->setObjectName("Nodes");
  SGrid_Nodes = MakeScrolledGrid(nodes, "ScrollBox_Nodes", ScrollBox_Nodes, "SGrid_Nodes", 9, 101,
                                 {60, 44, 44, 44, 34, 34, 50, 50, 50});
  // The nodes a wayed building generates lie under this panel.
  ProtectedPanel = new QLabel("PROTECTED", SGrid_Nodes);
  ProtectedPanel->setObjectName("Panel_Protected");
  ProtectedPanel->setGeometry(57, 25, 134, 101);
  ProtectedPanel->setAlignment(Qt::AlignCenter);
  QPalette silver = ProtectedPanel->palette();
  silver.setColor(QPalette::Window, QColor(192, 192, 192));
  silver.setColor(QPalette::WindowText, Qt::red);
  ProtectedPanel->setPalette(silver);
  ProtectedPanel->setAutoFillBackground(true);
  QFont times("Times New Roman");
  times.setStyleHint(QFont::Serif);
  times.setBold(true);
  ProtectedPanel->setFont(times);
  Notebook->addTab(nodes, "Nodes");

  // "Sound" comes between "Nodes" and "Meshes".
  buildSoundPage();

  auto* meshes = new QWidget();
  meshes->setObjectName("Meshes");
  SGrid_Meshes = MakeScrolledGrid(meshes, "ScrollBox_Meshes", ScrollBox_Meshes, "SGrid_Meshes", 8, 31,
                                  {64, 132, 38, 38, 38, 38, 38, 38});
  Notebook->addTab(meshes, "Meshes");
}

void MainForm::buildSoundPage() {
  auto* page = new QWidget();
  page->setObjectName("Sound");
  CB_Play15Minutes = MakeCheck(page, "CB_Play15Minutes", "Play sound everyl 15 minutes", 6, 8, 300);
  E_Sound15M = MakeEdit(page, "E_Sound15M", "", 6, 36, 300);
  Button_LoadSound = MakeButton(page, "Button_LoadSound", "...", 310, 35, 26);
  Notebook->addTab(page, "Sound");
}

void MainForm::buildFilePanel() {
  FileListBox_Buildingfilenames = new QListWidget(this);
  FileListBox_Buildingfilenames->setObjectName("FileListBox_Buildingfilenames");
  FileListBox_Buildingfilenames->hide();
  Bn_Open = MakeButton(this, "Bn_Open", "Open file", 4, 514, 90);
  Bn_Save = MakeButton(this, "Bn_Save", "Save file", 98, 514, 90);
  Bn_Save->setEnabled(false);
  Bn_SaveAs = MakeButton(this, "Bn_SaveAs", "Save file as", 192, 514, 100);
  CB_Filenames = MakeCombo(this, "CB_Filenames", {}, 300, 515, 600);
  Bn_Loadit = MakeButton(this, "Bn_Loadit", "Load it", 906, 514, 100);
  wireDocumentControls();
}

void MainForm::layWayRowControls() {
  const QStringList kinds = {"2-end-street", "4-end-street", "2-end-rail", "3-end-router", "4-end-router"};
  for (int k = 1; k <= 20; ++k) {
    const QRect used = CellRect(SGrid_Ways, 1, k);
    WayUsedBoxes[static_cast<size_t>(k)] = MakeCellBox(
        SGrid_Ways, QString("WayUsedBox%1").arg(k),
        QRect(used.x() + (used.width() - 12) / 2 - 2, used.y(), 12, used.height() - 1));
    const QRect type = CellRect(SGrid_Ways, 6, k);
    auto* combo = new QComboBox(SGrid_Ways);
    combo->setObjectName(QString("WayTypeBox%1").arg(k));
    combo->addItems(kinds);
    combo->setCurrentIndex(0);
    MakeWhite(combo);
    combo->setGeometry(type.x(), type.y(), type.width() - 1, type.height() - 1);
    combo->show();
    WayTypeBoxes[static_cast<size_t>(k)] = combo;
  }
}

void MainForm::layNodeRowBoxes() {
  const struct {
    int column;
    const char* name;
    std::array<QCheckBox*, 101>* boxes;
  } flags[3] = {{6, "NodeStationBox%1", &NodeStationBoxes},
                {7, "NodeSwitcherBox%1", &NodeSwitcherBoxes},
                {8, "NodeScriptedBox%1", &NodeScriptedBoxes}};
  for (int k = 1; k <= 100; ++k) {
    for (const auto& f : flags) {
      const QRect cell = CellRect(SGrid_Nodes, f.column, k);
      (*f.boxes)[static_cast<size_t>(k)] = MakeCellBox(
          SGrid_Nodes, QString(f.name).arg(k), QRect(cell.x() + cell.width() / 2 - 6, cell.y() + 1, 12, cell.height() - 3));
    }
  }
}

}  // namespace brumin
