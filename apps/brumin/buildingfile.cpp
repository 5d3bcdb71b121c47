// Moving a building between the window and a building file: the controls into a record and the
// file, a file back into the controls (after it, its version and its script were read and checked
// whole), the list of the work folder's building files and the buttons along the bottom.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>

#include "apps/brumin/buildingdoc.h"
#include "apps/brumin/mainform.h"
#include "apps/common/doclist.h"
#include "apps/common/scriptpage.h"
#include "apps/common/wintext.h"
#include "engine/base/diagnostics.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "platform/platform.h"
#include "script/scriptfile.h"
#include "script/sdatabase.h"

namespace brumin {

namespace {

using appcommon::FromWinText;
using appcommon::ToWinText;

std::string Text(const QLineEdit* e) { return ToWinText(e->text()); }
std::string Text(const QComboBox* c) { return ToWinText(c->currentText()); }
int32_t IntOf(const QComboBox* c) { return StrToIntVal(Text(c)); }
float FloatOf(const QLineEdit* e) { return StrToFloatVal(Text(e)); }
std::string Cell(const platform::StringGrid* g, int col, int row) { return ToWinText(g->cell(col, row)); }
int32_t IntCell(const platform::StringGrid* g, int col, int row) { return StrToIntVal(Cell(g, col, row)); }
float FloatCell(const platform::StringGrid* g, int col, int row) { return StrToFloatVal(Cell(g, col, row)); }
TVector VectorCells(const platform::StringGrid* g, int row) {
  return {FloatCell(g, 1, row), FloatCell(g, 2, row), FloatCell(g, 3, row)};
}
uint8_t Flag(const QCheckBox* c) { return c->isChecked() ? 1 : 0; }
// An item index as a byte field keeps its low byte: no selection (-1) gives 255.
uint8_t ItemByte(const QComboBox* c) { return static_cast<uint8_t>(c->currentIndex()); }

void SetText(QLineEdit* e, const std::string& text) { e->setText(FromWinText(text)); }
void SetFloat(QLineEdit* e, float v) { SetText(e, FloatToStrExact(1, v)); }
void SetCell(platform::StringGrid* g, int col, int row, const std::string& text) {
  g->setCell(col, row, FromWinText(text));
}
void SetFloatCell(platform::StringGrid* g, int col, int row, float v) { SetCell(g, col, row, FloatToStrExact(1, v)); }
void SetVectorCells(platform::StringGrid* g, int row, const TVector& v) {
  SetFloatCell(g, 1, row, v.x);
  SetFloatCell(g, 2, row, v.y);
  SetFloatCell(g, 3, row, v.z);
}
void SetFlag(QCheckBox* c, uint8_t v) { c->setChecked(v != 0); }
// A stored item index; 255 in a byte field and any index outside the list select nothing.
void SetItem(QComboBox* c, int32_t index) { c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1); }

}  // namespace

void MainForm::wireDocumentControls() {
  connect(Bn_Open, &QPushButton::clicked, this, [this] { Bn_OpenClick(); });
  connect(Bn_Save, &QPushButton::clicked, this, [this] { Bn_SaveClick(); });
  connect(Bn_SaveAs, &QPushButton::clicked, this, [this] { Bn_SaveAsClick(); });
  connect(Bn_Loadit, &QPushButton::clicked, this, [this] { Bn_LoaditClick(); });
  // The building's name per language.
  connect(CB_Language, &QComboBox::activated, this, [this](int) { CB_LanguageChange(); });
  connect(E_BuildingName, &QLineEdit::textEdited, this, [this](const QString&) { E_BuildingNameKeyUp(); });
}

// ---- Controls and record

void MainForm::ControlsToRecord(TBuildingInfo& v) const {
  for (size_t i = 0; i < NameTable.size(); ++i) v.Names[i] = NameTable[i];
  v.BuildingType = ItemByte(CB_BuildingType);
  v.StartYear = static_cast<uint16_t>(IntOf(Startyear));  // the low 16 bits
  v.LastYear = static_cast<uint16_t>(IntOf(Endyear));
  v.MinCitySize = SP_MinCitySize->value();
  v.MinIndustrySize = minindust->value();
  v.Storeys = minwealth->value();
  v.Wealth = ItemByte(wealth);
  v.MaxInhabitants = inhmax->value();
  v.FixedSize = Flag(fixedsize);
  for (size_t i = 0; i < 4; ++i) v.BoundCorners[i] = {FloatOf(bbx[i]), FloatOf(bby[i]), FloatOf(bbz[i])};
  v.BoundTop = FloatOf(btop);
  v.BoundBottom = FloatOf(bbottom);
  for (size_t i = 0; i < 4; ++i) v.Fronts[i] = Flag(front[i]);
  v.ScriptFile = ScriptFileName;
  for (int r = 1; r <= 30; ++r) v.Points[r - 1] = VectorCells(SGrid_Points, r);
  v.GeneratorPoint = static_cast<uint8_t>(generatorpoint->value());
  // The checked ways first, in grid order, then the others.
  size_t w = 0;
  for (bool used : {true, false}) {
    for (int r = 1; r <= 20; ++r) {
      if (WayUsedBoxes[static_cast<size_t>(r)]->isChecked() != used) continue;
      TBuildingWay& way = v.Ways[w++];
      for (int c = 2; c <= 5; ++c) way.Points[c - 2] = static_cast<uint8_t>(IntCell(SGrid_Ways, c, r));
      way.Kind = ItemByte(WayTypeBoxes[static_cast<size_t>(r)]);
      if (used) ++v.UsedWays;
    }
  }
  for (int r = 1; r <= 30; ++r) {
    TInfoMeshRow& m = v.Meshes[r - 1];
    const bool used = MeshRowBoxes[static_cast<size_t>(r)]->isChecked();
    m.FileName = used ? MeshNameOfCell(Cell(SGrid_Meshes, 1, r)) : std::string("NONE");
    m.X = FloatCell(SGrid_Meshes, 2, r);
    m.Y = FloatCell(SGrid_Meshes, 3, r);
    m.Z = FloatCell(SGrid_Meshes, 4, r);
    m.Nick = FloatCell(SGrid_Meshes, 5, r);
    m.Gier = FloatCell(SGrid_Meshes, 6, r);
    m.Roll = FloatCell(SGrid_Meshes, 7, r);
    m.Used = used ? 1 : 0;
  }
  v.Costs = costs->value();
  v.DestructionCosts = dcosts->value();
  v.Style = Text(CB_Style);
  v.Location = ItemByte(CB_Location);
  v.Placement = ItemByte(CB_Placement);
  v.Smoking = Flag(smoking);
  v.SmokeType = smoketp->currentIndex();
  v.SmokePosition = {FloatOf(smokeposx), FloatOf(smokeposy), FloatOf(smokeposz)};
  for (int k = 1; k <= 100; ++k) {
    TBuildingNode& n = v.Nodes[k - 1];
    n.Position = VectorCells(SGrid_Nodes, k);
    n.Next1 = static_cast<uint8_t>(IntCell(SGrid_Nodes, 4, k));
    n.Next2 = static_cast<uint8_t>(IntCell(SGrid_Nodes, 5, k));
    n.Station = Flag(NodeStationBoxes[static_cast<size_t>(k)]);
    n.Switcher = Flag(NodeSwitcherBoxes[static_cast<size_t>(k)]);
    v.NodeScripted[k - 1] = Flag(NodeScriptedBoxes[static_cast<size_t>(k)]);
  }
  v.Wayed = Flag(CB_Wayed);
  v.Waypoint1 = Spin_Waypoint1->value();
  v.Waypoint2 = Spin_Waypoint2->value();
  v.WayType = CB_Waytype->currentIndex();
  v.ExitNode = entrynode->value();
  v.DepotNode = depotnode->value();
  v.ParkingSlots = parkingslots->value();
  v.NirvanaDepot = Flag(nirvdepot);
  v.SlotLength = FloatOf(slotl);
  v.DepotSpeed = FloatOf(mdepotspeed);
  v.WayInvisible = Flag(CB_WayInvisible);
  v.Sound15Minutes = Text(E_Sound15M);
  v.Play15Minutes = Flag(CB_Play15Minutes);
  v.MapUnique = Flag(MapUni);
  v.CitySpecific = Flag(CitySp);
}

void MainForm::RecordToControls(const TBuildingInfo& v) {
  for (size_t i = 0; i < NameTable.size(); ++i) NameTable[i] = v.Names[i];
  SetItem(CB_BuildingType, v.BuildingType);
  Startyear->setEditText(QString::number(v.StartYear));
  Endyear->setEditText(QString::number(v.LastYear));
  SP_MinCitySize->setValue(v.MinCitySize);
  minindust->setValue(v.MinIndustrySize);
  minwealth->setValue(v.Storeys);
  SetItem(wealth, v.Wealth);
  inhmax->setValue(v.MaxInhabitants);
  SetFlag(fixedsize, v.FixedSize);
  for (size_t i = 0; i < 4; ++i) {
    SetFloat(bbx[i], v.BoundCorners[i].x);
    SetFloat(bby[i], v.BoundCorners[i].y);
    SetFloat(bbz[i], v.BoundCorners[i].z);
    SetFlag(front[i], v.Fronts[i]);
  }
  SetFloat(btop, v.BoundTop);
  SetFloat(bbottom, v.BoundBottom);
  for (int r = 1; r <= 30; ++r) SetVectorCells(SGrid_Points, r, v.Points[r - 1]);
  generatorpoint->setValue(v.GeneratorPoint);
  for (int r = 1; r <= 20; ++r) {
    const TBuildingWay& way = v.Ways[r - 1];
    SetItem(WayTypeBoxes[static_cast<size_t>(r)], way.Kind);
    WayUsedBoxes[static_cast<size_t>(r)]->setChecked(r <= v.UsedWays);
    for (int c = 2; c <= 5; ++c) SetCell(SGrid_Ways, c, r, IntToStrShort(way.Points[c - 2]));
  }
  for (int r = 1; r <= 30; ++r) {
    const TInfoMeshRow& m = v.Meshes[r - 1];
    SetCell(SGrid_Meshes, 1, r, MeshCellOfName(m.FileName.str()));
    const float numbers[6] = {m.X, m.Y, m.Z, m.Nick, m.Gier, m.Roll};
    for (int c = 2; c <= 7; ++c) SetFloatCell(SGrid_Meshes, c, r, numbers[c - 2]);
    SetFlag(MeshRowBoxes[static_cast<size_t>(r)], m.Used);
  }
  for (int k = 1; k <= 100; ++k) {
    const TBuildingNode& n = v.Nodes[k - 1];
    SetVectorCells(SGrid_Nodes, k, n.Position);
    SetCell(SGrid_Nodes, 4, k, IntToStrShort(n.Next1));
    SetCell(SGrid_Nodes, 5, k, IntToStrShort(n.Next2));
    SetFlag(NodeStationBoxes[static_cast<size_t>(k)], n.Station);
    SetFlag(NodeSwitcherBoxes[static_cast<size_t>(k)], n.Switcher);
    SetFlag(NodeScriptedBoxes[static_cast<size_t>(k)], v.NodeScripted[k - 1]);
  }
  costs->setValue(v.Costs);
  dcosts->setValue(v.DestructionCosts);
  CB_Style->setEditText(FromWinText(v.Style.str()));
  SetItem(CB_Location, v.Location);
  SetItem(CB_Placement, v.Placement);
  SetFlag(smoking, v.Smoking);
  SetItem(smoketp, v.SmokeType);
  SetFloat(smokeposx, v.SmokePosition.x);
  SetFloat(smokeposy, v.SmokePosition.y);
  SetFloat(smokeposz, v.SmokePosition.z);
  SetFlag(CB_Wayed, v.Wayed);
  Spin_Waypoint1->setValue(v.Waypoint1);
  Spin_Waypoint2->setValue(v.Waypoint2);
  SetItem(CB_Waytype, v.WayType);
  entrynode->setValue(v.ExitNode);
  depotnode->setValue(v.DepotNode);
  parkingslots->setValue(v.ParkingSlots);
  SetFlag(nirvdepot, v.NirvanaDepot);
  SetFloat(slotl, v.SlotLength);
  SetFloat(mdepotspeed, v.DepotSpeed);
  SetFlag(CB_WayInvisible, v.WayInvisible);
  SetText(E_Sound15M, v.Sound15Minutes.str());
  SetFlag(CB_Play15Minutes, v.Play15Minutes);
  SetFlag(MapUni, v.MapUnique);
  SetFlag(CitySp, v.CitySpecific);
  ScriptFileName = v.ScriptFile.str();
}

// ---- Saving and loading

bool MainForm::SaveBuildingInfo(const std::string& FileName) {
  setWindowTitle(QString::fromStdString(BuildingCaption(FileName)));
  // A script with unsaved changes is saved first; when that does not happen, nothing is written.
  if (!ScriptSaved && !SaveScriptBeforeBuilding()) return false;

  TBuildingInfo v{};
  ControlsToRecord(v);
  v.Version = kBuildingInfoVersion;
  std::vector<std::string> languages;
  for (int i = 0; i < CB_Language->count(); ++i) languages.push_back(ToWinText(CB_Language->itemText(i)));
  const int32_t k = BuildingHeadIndex(v.Names, languages);
  std::string error;
  int32_t mismatch = -1;
  if (!SaveBuildingFile(platform::DiskPath(FileName), v.Names[k].Name, v, error, &mismatch)) {
    platform::MessageBox("Brumin", mismatch >= 0 ? "Save Error " + IntToStrShort(mismatch) : error);
    return false;
  }
  return true;
}

bool MainForm::LoadBuildingInfo(const std::string& FileName) {
  // The caption names the file also when the load is refused; everything else changes only after
  // the file, its version and its script were read and checked.
  setWindowTitle(QString::fromStdString(BuildingCaption(FileName)));
  TBuildingLoad load;
  TLoadRefusal refusal;
  if (!ReadBuildingForEditor(FileName, load, refusal)) {
    platform::MessageBox(refusal.Caption, refusal.Text);
    return false;
  }
  RecordToControls(load.Info);
  scriptPage_->SetLines(ScriptSourceLines(load.Script.Source));
  CodeStream.assign(load.Script.Code.begin(), load.Script.Code.end());
  ScriptErrorFlag = false;  // the new image runs, whatever the last one did
  // The preview is rebuilt as on a page change.
  NotebookChange();
  ScriptSaved = !ScriptFileName.empty();
  CB_LanguageChange();
  return true;
}

bool MainForm::SaveScriptBeforeBuilding() {
  // The script page's save: the file is asked for, the text compiled and written; a cancelled
  // dialog or a failed compile leaves the script unsaved.
  SaveSBClick();
  return ScriptSaved;
}

// ---- The building list and the buttons

void MainForm::fillBuildingList() {
  std::vector<std::string> skipped;
  const std::vector<InfoListEntry> list = ListBuildingFiles(platform::DiskPath(Work_DIR.str()), skipped);
  for (const std::string& why : skipped) SYS_Warning("Left out of the building list: " + why);
  appcommon::FillDocumentList(FileListBox_Buildingfilenames, CB_Filenames, list);
}

void MainForm::Bn_LoaditClick() {
  const std::string file = appcommon::SelectedDocumentFile(CB_Filenames);
  if (file.empty()) return;
  platform::SetCurrentDir(Work_DIR.str());
  const std::string name = Work_DIR.str() + file;
  // A refused file does not become the save target: "Save file" would overwrite it.
  if (!LoadBuildingInfo(name)) return;
  SaveTarget = name;
  Bn_Save->setEnabled(true);
}

void MainForm::Bn_OpenClick() {
  QFileDialog dlg(this, "Load building-info");
  dlg.setObjectName("DLG_LoadBIF");
  dlg.setNameFilter("Building-info-file (*.bif)");
  dlg.setDefaultSuffix("bif");
  dlg.setFileMode(QFileDialog::ExistingFile);
  QString chosen;
  if (!RunFileDialog(dlg, chosen)) return;
  const std::string name = ToWinText(chosen);
  if (!LoadBuildingInfo(name)) return;
  SaveTarget = name;
  Bn_Save->setEnabled(true);
}

void MainForm::Bn_SaveClick() {
  if (SaveTarget.empty()) return;
  SaveBuildingInfo(SaveTarget);
}

void MainForm::Bn_SaveAsClick() {
  QFileDialog dlg(this, "Save building-info");
  dlg.setObjectName("DLG_SaveBIF");
  dlg.setNameFilter("Building-info-file (*.bif)");
  dlg.setDefaultSuffix("bif");
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  QString chosen;
  // A cancelled dialog keeps the save target.
  if (!RunFileDialog(dlg, chosen)) return;
  SaveTarget = ToWinText(chosen);
  SaveBuildingInfo(SaveTarget);
  Bn_Save->setEnabled(true);
}

}  // namespace brumin
