// Moving a vehicle between the window and a vehicle file: saving the controls into a record and
// the file, loading a file back into the controls with its meshes, the file list of the work
// folder and the buttons below the 3D view. The tools of the "Bounding box" and "Light" pages
// live here too: they fill controls that are saved with the vehicle.
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include <filesystem>

#include "apps/vadrel/mainform.h"
#include "apps/common/doclist.h"
#include "apps/vadrel/vehicledoc.h"
#include "apps/vadrel/vehicletools.h"
#include "apps/common/wintext.h"
#include "engine/base/diagnostics.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "platform/platform.h"
#include "script/scriptfile.h"

namespace vadrel {

namespace {

// A file name as the system writes it ('\' or '/', any letter case), as an absolute path on disk.
std::string AbsoluteDiskPath(const std::string& name) {
  const std::string disk = platform::DiskPath(name);
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(disk, ec);
  return ec ? disk : abs.lexically_normal().string();
}

std::string Text(const QLineEdit* e) { return ToWinText(e->text()); }
int32_t IntOf(const QLineEdit* e) { return ControlTextToInt(Text(e)); }
float FloatOf(const QLineEdit* e) { return ControlTextToFloat(Text(e)); }
std::string Cell(const platform::StringGrid* g, int col, int row) { return ToWinText(g->cell(col, row)); }
int32_t IntCell(const platform::StringGrid* g, int col, int row) { return ControlTextToInt(Cell(g, col, row)); }
float FloatCell(const platform::StringGrid* g, int col, int row) { return ControlTextToFloat(Cell(g, col, row)); }

void SetText(QLineEdit* e, const std::string& text) { e->setText(FromWinText(text)); }
void SetInt(QLineEdit* e, int32_t v) { SetText(e, IntToStrShort(v)); }
void SetFloat(QLineEdit* e, float v) { SetText(e, FloatToControlText(v)); }
void SetCell(platform::StringGrid* g, int col, int row, const std::string& text) {
  g->setCell(col, row, FromWinText(text));
}
void SetFloatCell(platform::StringGrid* g, int col, int row, float v) { SetCell(g, col, row, FloatToControlText(v)); }

uint8_t Flag(const QCheckBox* c) { return c->isChecked() ? 1 : 0; }
void SetFlag(QCheckBox* c, uint8_t v) { c->setChecked(v != 0); }

}  // namespace

// ---- Controls and record

void MainForm::ControlsToRecord(TVehicleInfo& v) const {
  for (size_t i = 0; i < LanguageNames.size(); ++i) v.Names[i] = LanguageNames[i];
  v.VehicleType = static_cast<uint8_t>(CB_Vehicletype->currentIndex());
  v.StartYear = static_cast<uint16_t>(IntOf(E_Startyear));  // the low 16 bits
  v.LastYear = static_cast<uint16_t>(IntOf(E_Lastyear));
  v.PassengerCapacity = IntOf(E_PsgrCapacity);
  for (size_t i = 0; i < 4; ++i) v.Prerequisites[i] = prequ[i]->currentIndex();
  for (size_t i = 0; i < 4; ++i) v.BoundCorners[i] = {FloatOf(bbx[i]), FloatOf(bby[i]), FloatOf(bbz[i])};
  v.BoundTop = FloatOf(btop);
  v.BoundBottom = FloatOf(bbottom);
  v.ScriptFile = ScriptFileName;
  v.Horsepower = IntOf(E_Power);
  v.Weight = IntOf(E_Weight);
  v.MaxSpeed = FloatOf(E_MaxSpeed);
  v.CopLength = FloatOf(coplength);
  v.AxLength = FloatOf(axlength);
  v.CopLength2 = FloatOf(coplength2);
  for (int r = 1; r <= 5; ++r)
    v.Points[r - 1] = {FloatCell(SGrid_Points, 1, r), FloatCell(SGrid_Points, 2, r), FloatCell(SGrid_Points, 3, r)};
  for (int r = 1; r <= 5; ++r) {
    TVehicleMeshRow& m = v.Meshes[r - 1];
    const bool used = MeshRowBoxes[static_cast<size_t>(r)] && MeshRowBoxes[static_cast<size_t>(r)]->isChecked();
    m.FileName = used ? MeshFileNameOfCell(Cell(SGrid_Meshes, 1, r)) : std::string("NONE");
    m.X = FloatCell(SGrid_Meshes, 2, r);
    m.Y = FloatCell(SGrid_Meshes, 3, r);
    m.Z = FloatCell(SGrid_Meshes, 4, r);
    m.Nick = FloatCell(SGrid_Meshes, 5, r);
    m.Gier = FloatCell(SGrid_Meshes, 6, r);
    m.Roll = FloatCell(SGrid_Meshes, 7, r);
    m.Used = used ? 1 : 0;
  }
  v.Price = IntOf(E_Price);
  v.CostsPerYear = IntOf(E_CostsPerYear);
  for (int r = 1; r <= 10; ++r) {
    TSpecialValue& s = v.SpecialValues[r - 1];
    s.Flag = UpperShort(Cell(SGrid_SpecialVars, 1, r)) == "TRUE" ? 1 : 0;
    s.IntValue = IntCell(SGrid_SpecialVars, 2, r);
    s.FloatValue = FloatCell(SGrid_SpecialVars, 3, r);
  }
  v.NextVehicle1 = Text(E_NextVehicle);
  v.NextVehicle2 = Text(E_NextVehicle2);
  v.AtEnd = Flag(ewcb);
  v.WheelSize = FloatOf(E_Wheelsize);
  v.BrakeSpeed = FloatOf(brakespeed);
  v.Smoking = Flag(smoking);
  v.SmokeType = CB_Smoketype->currentIndex();
  v.SmokePosition = {FloatOf(E_SmokeX), FloatOf(smokeposy), FloatOf(smokeposz)};
  const QLineEdit* sounds[6] = {sndenginestart, sndengineoff, sndpreaccel, sndprebrake, sndbraking, sndmoving};
  for (size_t i = 0; i < 6; ++i) v.Sounds[i] = Text(sounds[i]);
  v.MotorSoundType = motorsoundt->currentIndex();
  v.GearCount = gearcc->currentIndex();  // the item index: 0 for "1"
  for (size_t i = 0; i < 6; ++i) {
    v.GearFrom[i] = FloatOf(gfrom[i]);
    v.GearChange[i] = FloatOf(gfrch[i]);
  }
  v.SpeedToSteps = FloatOf(speed2stepse);
  v.LoadingWeight = IntOf(E_LoadingWeight);
  v.Volume = IntOf(E_Volume);
  v.GoodsMixable = Flag(GoodsMixCB);
  v.CostsPerKm = FloatOf(E_CostsPerKM);
  v.EngineType = enginetype->currentIndex();
  for (int r = 0; r <= 11; ++r) {
    v.GoodsNames[r] = Cell(SGrid_Goods, 1, r);
    v.GoodsMeshes[r] = Cell(SGrid_Goods, 2, r);
    v.GoodsValues[r] = static_cast<uint8_t>(IntCell(SGrid_Goods, 3, r));  // the low byte
  }
  v.SoundMinFactor = FloatOf(sminfactor);
  v.SoundMaxFactor = FloatOf(smaxsfactor);
  v.SoundBase = FloatOf(basesf);
  v.TrainHead = Flag(CB_Trainhead);
  v.B1 = Flag(CB_b1);
  v.B2 = Flag(CB_b2);
  v.B3 = Flag(IsSteering_);
  v.AddOn = Flag(IsAddOn_);
  for (size_t k = 0; k < 3; ++k) v.LightActive[k] = Flag(LightActive[k]);
  for (int r = 1; r <= kSilhouetteRows; ++r)
    v.LightSilhouette[r - 1] = {FloatCell(lightcoords, 1, r), FloatCell(lightcoords, 2, r),
                                FloatCell(lightcoords, 3, r)};
  for (size_t k = 0; k < 3; ++k) {
    v.LightRanges[k] = {IntOf(firstsil[k]), IntOf(LastSil[k]), IntOf(LightCoord[k])};
    v.LightCones[k][0] = FloatCell(lightconel, 1, static_cast<int>(k) + 1);
    v.LightCones[k][1] = FloatCell(lightconel, 2, static_cast<int>(k) + 1);
  }
  v.Semitrailer = Flag(CB_Semitrailer);
}

void MainForm::RecordToControls(const TVehicleInfo& v) {
  for (size_t i = 0; i < LanguageNames.size(); ++i) LanguageNames[i] = v.Names[i];
  CB_Vehicletype->setCurrentIndex(v.VehicleType);
  SetInt(E_Startyear, v.StartYear);
  SetInt(E_Lastyear, v.LastYear);
  SetInt(E_PsgrCapacity, v.PassengerCapacity);
  for (size_t i = 0; i < 4; ++i) prequ[i]->setCurrentIndex(v.Prerequisites[i]);
  for (size_t i = 0; i < 4; ++i) {
    SetFloat(bbx[i], v.BoundCorners[i].x);
    SetFloat(bby[i], v.BoundCorners[i].y);
    SetFloat(bbz[i], v.BoundCorners[i].z);
  }
  SetFloat(btop, v.BoundTop);
  SetFloat(bbottom, v.BoundBottom);
  SetInt(E_Power, v.Horsepower);
  SetInt(E_Weight, v.Weight);
  SetFloat(E_MaxSpeed, v.MaxSpeed);
  SetFloat(coplength, v.CopLength);
  SetFloat(axlength, v.AxLength);
  SetFloat(coplength2, v.CopLength2);
  for (int r = 1; r <= 5; ++r) {
    SetFloatCell(SGrid_Points, 1, r, v.Points[r - 1].x);
    SetFloatCell(SGrid_Points, 2, r, v.Points[r - 1].y);
    SetFloatCell(SGrid_Points, 3, r, v.Points[r - 1].z);
  }
  for (int r = 1; r <= 5; ++r) {
    const TVehicleMeshRow& m = v.Meshes[r - 1];
    SetCell(SGrid_Meshes, 1, r, MeshCellOfFileName(m.FileName.str()));
    const float numbers[6] = {m.X, m.Y, m.Z, m.Nick, m.Gier, m.Roll};
    for (int c = 2; c <= 7; ++c) SetFloatCell(SGrid_Meshes, c, r, numbers[c - 2]);
    if (MeshRowBoxes[static_cast<size_t>(r)]) SetFlag(MeshRowBoxes[static_cast<size_t>(r)], m.Used);
  }
  SetInt(E_Price, v.Price);
  SetInt(E_CostsPerYear, v.CostsPerYear);
  for (int r = 1; r <= 10; ++r) {
    const TSpecialValue& s = v.SpecialValues[r - 1];
    SetCell(SGrid_SpecialVars, 1, r, s.Flag != 0 ? "True" : "False");
    SetCell(SGrid_SpecialVars, 2, r, IntToStrShort(s.IntValue));
    SetFloatCell(SGrid_SpecialVars, 3, r, s.FloatValue);
  }
  SetText(E_NextVehicle, v.NextVehicle1.str());
  SetText(E_NextVehicle2, v.NextVehicle2.str());
  SetFlag(ewcb, v.AtEnd);
  SetFloat(E_Wheelsize, v.WheelSize);
  SetFloat(brakespeed, v.BrakeSpeed);
  SetFlag(smoking, v.Smoking);
  CB_Smoketype->setCurrentIndex(v.SmokeType);
  SetFloat(E_SmokeX, v.SmokePosition.x);
  SetFloat(smokeposy, v.SmokePosition.y);
  SetFloat(smokeposz, v.SmokePosition.z);
  QLineEdit* sounds[6] = {sndenginestart, sndengineoff, sndpreaccel, sndprebrake, sndbraking, sndmoving};
  for (size_t i = 0; i < 6; ++i) SetText(sounds[i], v.Sounds[i].str());
  motorsoundt->setCurrentIndex(v.MotorSoundType);  // the sound page's panels stay as they are
  gearcc->setCurrentIndex(GearItemOfCount(v.GearCount, gearcc->count()));
  for (size_t i = 0; i < 6; ++i) {
    SetFloat(gfrom[i], v.GearFrom[i]);
    SetFloat(gfrch[i], v.GearChange[i]);
  }
  SetFloat(speed2stepse, v.SpeedToSteps);
  SetInt(E_LoadingWeight, v.LoadingWeight);
  SetInt(E_Volume, v.Volume);
  SetFlag(GoodsMixCB, v.GoodsMixable);
  SetFloat(E_CostsPerKM, v.CostsPerKm);
  enginetype->setCurrentIndex(v.EngineType);
  for (int r = 0; r <= 11; ++r) {
    SetCell(SGrid_Goods, 1, r, v.GoodsNames[r].str());
    SetCell(SGrid_Goods, 2, r, v.GoodsMeshes[r].str());
    SetCell(SGrid_Goods, 3, r, IntToStrShort(v.GoodsValues[r]));
  }
  SetFloat(sminfactor, v.SoundMinFactor);
  SetFloat(smaxsfactor, v.SoundMaxFactor);
  SetFloat(basesf, v.SoundBase);
  SetFlag(CB_Trainhead, v.TrainHead);
  SetFlag(CB_b1, v.B1);
  SetFlag(CB_b2, v.B2);
  SetFlag(IsSteering_, v.B3);
  SetFlag(IsAddOn_, v.AddOn);
  for (size_t k = 0; k < 3; ++k) SetFlag(LightActive[k], v.LightActive[k]);
  for (int r = 1; r <= kSilhouetteRows; ++r) {
    SetFloatCell(lightcoords, 1, r, v.LightSilhouette[r - 1].x);
    SetFloatCell(lightcoords, 2, r, v.LightSilhouette[r - 1].y);
    SetFloatCell(lightcoords, 3, r, v.LightSilhouette[r - 1].z);
  }
  for (size_t k = 0; k < 3; ++k) {
    SetInt(firstsil[k], v.LightRanges[k].FirstSil);
    SetInt(LastSil[k], v.LightRanges[k].LastSil);
    SetInt(LightCoord[k], v.LightRanges[k].Coord);
    SetFloatCell(lightconel, 1, static_cast<int>(k) + 1, v.LightCones[k][0]);
    SetFloatCell(lightconel, 2, static_cast<int>(k) + 1, v.LightCones[k][1]);
  }
  SetFlag(CB_Semitrailer, v.Semitrailer);
  ScriptFileName = v.ScriptFile.str();
}

// ---- Saving and loading

bool MainForm::SaveVehicleInfo(const std::string& FileName) {
  setWindowTitle(QString::fromStdString(VehicleCaption(FileName)));
  const bool inMemory = FileName == kInMemorySaveName;
  // A script with unsaved changes is saved first; when that does not happen, nothing is written.
  if (!inMemory && !ScriptSaved && !SaveVehicleScript()) return false;

  TVehicleInfo v{};
  ControlsToRecord(v);
  v.Version = kVehicleInfoVersion;
  if (inMemory) {
    TestVehicleInfo = v;  // the 3D view draws the lights from it
    return true;
  }
  std::vector<std::string> languages;
  for (int i = 0; i < CB_Language->count(); ++i) languages.push_back(ToWinText(CB_Language->itemText(i)));
  const int32_t k = HeadNameIndex(languages);
  std::string error;
  if (!SaveVehicleForEditor(AbsoluteDiskPath(FileName), v.Names[k].Name, v, error)) {
    platform::MessageBox("Vadrel", error);
    return false;
  }
  return true;
}

bool MainForm::LoadVehicleInfo(const std::string& FileName) {
  // Everything is read and checked before the window changes.
  const std::string path = AbsoluteDiskPath(FileName);
  TVehicleInfo v{};
  ShortString<40> head{};
  std::string error;
  if (!ReadVehicleForEditor(path, v, head, error)) {
    platform::MessageBox("Vadrel", "Loading failed: " + error);
    return false;
  }
  setWindowTitle(QString::fromStdString(VehicleCaption(FileName)));
  if (!VehicleVersionLoadable(v.Version)) {
    platform::MessageBox(kVersionRefusalCaption, VersionRefusalText(v.Version));
    return false;
  }
  SaveFileName = path;
  RecordToControls(v);
  LoadVehicleScript(v.ScriptFile.str());
  if (ScriptFileName.empty()) ScriptFileName = kNoScriptName;
  ScriptSaved = true;
  // Mesh textures are found relative to the base folder.
  platform::SetCurrentDir(Base_DIR.str());
  for (int r = 1; r <= 5; ++r) {
    QCheckBox* box = MeshRowBoxes[static_cast<size_t>(r)];
    if (box && box->isChecked())
      LoadMesh2((*PreviewMeshes)[static_cast<size_t>(r)], Work_DIR.str(), MeshFileNameOfCell(Cell(SGrid_Meshes, 1, r)));
  }
  CB_LanguageChange();
  return true;
}

void MainForm::LoadVehicleScript(const std::string& scriptFile) {
  if (!scriptFile.empty()) {
    const std::string path = platform::DiskPath(Work_DIR.str() + scriptFile);
    if (IsNoScriptName(scriptFile)) {
      SYS_Warning("The vehicle has no script file (" + scriptFile + "): its script is empty");
    } else if (!std::filesystem::is_regular_file(path)) {
      SYS_Warning("The vehicle's script file " + path + " was not found: its script is empty");
    } else if (ReadVehicleScriptFile(path)) {
      return;
    }
  }
  srcmemo->clear();
  CodeStream.clear();
}

bool MainForm::ReadVehicleScriptFile(const std::string& path) {
  // The vehicle's *.mas file: its source into the editor and its compiled image into
  // CodeStream. A file that cannot be read or is damaged is reported and taken as no script.
  TScriptFileData data;
  std::string error;
  if (!ReadScriptFile(path, data, error)) {
    platform::MessageBox("Vadrel", error);
    return false;
  }
  SetScriptLines(ScriptSourceLines(data.Source));
  CodeStream.assign(data.Code.begin(), data.Code.end());
  return true;
}

bool MainForm::SaveVehicleScript() {
  // The script page's save action: it asks for the *.mas name, compiles the script when
  // needed and writes it; ScriptSaved tells whether that happened.
  Bn_SaveScriptClick();
  return ScriptSaved;
}

void MainForm::FillFileList() {
  std::vector<std::string> skipped;
  const std::vector<VehicleListEntry> list = ListVehicleFiles(platform::DiskPath(Work_DIR.str()), skipped);
  for (const std::string& why : skipped) SYS_Warning("Left out of the vehicle list: " + why);
  appcommon::FillDocumentList(FileListBox_Vehiclenames, CB_Filenames, list);
}

void MainForm::Bn_LoadItClick() {
  const std::string file = appcommon::SelectedDocumentFile(CB_Filenames);
  if (file.empty()) return;
  SYS_Warning("Begin loading procedure: " + file);
  platform::SetCurrentDir(Work_DIR.str());
  if (LoadVehicleInfo(Work_DIR.str() + file)) Bn_Save->setEnabled(true);
  SYS_Warning("Loading complete");
}

void MainForm::Bn_LoadClick() {
  QString chosen;
  if (PickVehicleFile(chosen)) LoadVehicleInfo(chosen.toStdString());
}

void MainForm::Bn_SaveClick() {
  if (SaveFileName.empty()) return;
  SaveVehicleInfo(SaveFileName);
}

void MainForm::Bn_SaveAsClick() {
  QFileDialog dlg(this, "Save vehicle-info");
  dlg.setObjectName("DLG_SaveVIF");
  dlg.setNameFilter("Vehicle-info-file (*.vif)");
  dlg.setDefaultSuffix("vif");
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  if (!SaveFileName.empty()) {
    const QFileInfo last(QString::fromStdString(SaveFileName));
    dlg.setDirectory(last.absolutePath());
    dlg.selectFile(last.fileName());
  }
  QString chosen;
  if (!RunFileDialog(dlg, chosen)) return;
  // "***" (the dialog may have added the extension) is the save that keeps the record in memory.
  const QString name = QFileInfo(chosen).fileName();
  const bool inMemory = name == kInMemorySaveName || name.compare(QString(kInMemorySaveName) + ".vif", Qt::CaseInsensitive) == 0;
  SaveFileName = inMemory ? std::string(kInMemorySaveName) : AbsoluteDiskPath(chosen.toStdString());
  SaveVehicleInfo(SaveFileName);
  Bn_Save->setEnabled(true);
}

// ---- Tools

void MainForm::AutoBoundBClick() {
  std::array<const TMesh2*, 5> rows{};
  for (size_t r = 1; r <= 5; ++r)
    rows[r - 1] = MeshRowBoxes[r] && MeshRowBoxes[r]->isChecked() ? &(*PreviewMeshes)[r] : nullptr;
  const TBoundResult b = MeshBound(rows);
  const float xs[4] = {b.MinX, b.MinX, b.MaxX, b.MaxX};
  const float zs[4] = {b.MinZ, b.MaxZ, b.MaxZ, b.MinZ};
  for (size_t i = 0; i < 4; ++i) {
    bbx[i]->setText(QString::fromStdString(ToolNumberText(xs[i])));
    bby[i]->setText("0.00");
    bbz[i]->setText(QString::fromStdString(ToolNumberText(zs[i])));
  }
  btop->setText(QString::fromStdString(ToolNumberText(b.MaxY)));
  bbottom->setText(QString::fromStdString(ToolNumberText(b.MinY)));
}

void MainForm::CreateSCClick() {
  const float radius = FloatOf(SilRadius);
  const int32_t first = IntOf(firstsi);
  const int32_t count = IntOf(silco);
  const float cx = FloatCell(silcrcoord, 0, 1), cy = FloatCell(silcrcoord, 1, 1), cz = FloatCell(silcrcoord, 2, 1);
  for (const TSilhouettePoint& p : SilhouetteCircle(first, count, radius, cx, cy, cz)) {
    lightcoords->setCell(3, p.Row, QString::fromStdString(ToolNumberText(p.Z)));
    lightcoords->setCell(1, p.Row, QString::fromStdString(ToolNumberText(p.X)));
    lightcoords->setCell(2, p.Row, QString::fromStdString(ToolNumberText(p.Y)));
  }
}

}  // namespace vadrel
