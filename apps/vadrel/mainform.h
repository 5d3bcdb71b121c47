// The vehicle editor's main window.
#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "apps/common/filedialog.h"
#include "apps/common/wintext.h"
#include "apps/vadrel/view3d.h"
#include "engine/files/vehiclefile.h"
#include "engine/mesh/mesh.h"
#include "engine/base/worldstate.h"
#include "engine/render/fonts.h"
#include "engine/world/records.h"
#include "network/construction/constructcurve.h"
#include "platform/glpanel.h"
#include "platform/stringgrid.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QMouseEvent;
class QTabWidget;
class QTimer;
class QFileDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
namespace appcommon {
class TScriptPage;
}
class QPushButton;

namespace vadrel {

constexpr const char* kIniName = "vadrel.ini";
constexpr const char* kVehiclesDirName = "vehicles\\";

class MainForm : public QWidget {
 public:
  explicit MainForm(QWidget* parent = nullptr);
  ~MainForm() override;

  // The whole start-up, then the main loop; returns when the program is terminating or when
  // start-up stopped at a failed step (the window then stays open without drawn frames).
  void FormCreate();
  // One frame of the 3D view.
  void drawtimerTimer();
  // One frame of the 3D view, shown (view3d.cpp).
  void OGLWRedrawWorld();
  // The same frame drawn into the back buffer and not shown.
  void DrawView3D();
  // Steering the camera with the right mouse button held over the 3D view (view3d.cpp).
  void OGLWMouseDown(QMouseEvent* e);
  void OGLWMouseMove(QMouseEvent* e);
  // True once the program was told to terminate.
  bool terminated() const { return terminated_; }
  // The step at which start-up stopped (0 when it ran through).
  int failedStep() const { return failedStep_; }
  // Frames drawn so far.
  unsigned long frames() const { return frames_; }

  // Components, named as the form names them.
  platform::GlPanel* OGLW = nullptr;
  QWidget* OGLWContainer = nullptr;
  QTimer* drawtimer = nullptr;
  QTabWidget* Notebook = nullptr;
  QListWidget* FileListBox_Vehiclenames = nullptr;
  QComboBox* CB_Filenames = nullptr;
  QComboBox* CB_Language = nullptr;
  QComboBox* CB_Smoketype = nullptr;
  QComboBox* motorsoundt = nullptr;
  QComboBox* gearcc = nullptr;
  QComboBox* CB_Vehicletype = nullptr;
  QComboBox* enginetype = nullptr;
  std::array<QComboBox*, 4> prequ{};
  platform::StringGrid* SGrid_Points = nullptr;
  platform::StringGrid* SGrid_Goods = nullptr;
  platform::StringGrid* SGrid_Meshes = nullptr;
  platform::StringGrid* SGrid_SpecialVars = nullptr;
  platform::StringGrid* lightcoords = nullptr;
  platform::StringGrid* lightconel = nullptr;
  platform::StringGrid* silcrcoord = nullptr;
  QLabel* L_Coords = nullptr;  // the camera's position and angles under the 3D view

  // Fields of the form.
  std::string LastMeshFile;
  // The vehicle's five part meshes, 1..5 (27 KB each: kept off the stack).
  std::unique_ptr<std::array<TMesh2, 6>> PreviewMeshes = std::make_unique<std::array<TMesh2, 6>>();
  std::array<QCheckBox*, 6> MeshRowBoxes{};  // 1..5
  std::string CodeStream;
  bool ScriptSaved = true;
  std::string ScriptFileName = "NONE.MAS";
  TMetaconnect TestConnectA{}, TestConnectB{};
  TCurveline* TestCurve = nullptr;  // about a megabyte: kept off the stack
  int32_t RailPieceCount = 0;
  int32_t RoadPieceCount = 0;
  // The test curves' piece meshes and piece entries, 1..10 (kept off the stack).
  std::unique_ptr<std::array<TMesh2, 11>> RailPieceMeshes = std::make_unique<std::array<TMesh2, 11>>();
  std::unique_ptr<std::array<TCurvePiece, 11>> RailPieces = std::make_unique<std::array<TCurvePiece, 11>>();
  std::unique_ptr<std::array<TMesh2, 11>> RoadPieceMeshes = std::make_unique<std::array<TMesh2, 11>>();
  std::unique_ptr<std::array<TCurvePiece, 11>> RoadPieces = std::make_unique<std::array<TCurvePiece, 11>>();
  int32_t GrassTexture = 0;
  int32_t SmokeTexture = 0;
  TFont3D NodeFont{};  // the font of the node labels

  // ---- The editing pages and the vehicle file (pages.cpp, vehiclefile.cpp).
  // "General"
  QLineEdit* E_Vehiclename = nullptr;
  QCheckBox *CB_Trainhead = nullptr, *CB_Semitrailer = nullptr, *ewcb = nullptr, *IsAddOn_ = nullptr;
  QLineEdit *E_Startyear = nullptr, *E_Lastyear = nullptr, *E_PsgrCapacity = nullptr;
  QLineEdit *E_Price = nullptr, *E_CostsPerYear = nullptr, *E_CostsPerKM = nullptr;
  QLineEdit *coplength = nullptr, *axlength = nullptr, *coplength2 = nullptr;
  QLineEdit *E_NextVehicle = nullptr, *E_NextVehicle2 = nullptr;
  QPushButton *Bn_LoadNextVehicle = nullptr, *Bn_LoadNextVehicle2 = nullptr;
  QCheckBox* smoking = nullptr;
  QLineEdit *E_SmokeX = nullptr, *smokeposy = nullptr, *smokeposz = nullptr;
  QLineEdit *E_Power = nullptr, *E_MaxSpeed = nullptr, *E_Weight = nullptr, *E_Wheelsize = nullptr;
  QLineEdit *E_LoadingWeight = nullptr, *E_Volume = nullptr;
  QCheckBox* GoodsMixCB = nullptr;
  QLineEdit* brakespeed = nullptr;
  QCheckBox *CB_b1 = nullptr, *CB_b2 = nullptr, *IsSteering_ = nullptr;
  // "Bounding box": corners 1..4 at 0..3
  std::array<QLineEdit*, 4> bbx{}, bby{}, bbz{};
  QLineEdit *btop = nullptr, *bbottom = nullptr;
  QPushButton* AutoBoundB = nullptr;
  // "Script"
  QPlainTextEdit *srcmemo = nullptr, *Memox = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton *Bn_CompileScript = nullptr, *Bn_LoadScript = nullptr, *Bn_SaveScript = nullptr;
  QPushButton* Bn_ExecuteScript = nullptr;
  QLabel* Label27 = nullptr;
  // "Sound": the six sample edits in record order, each with its picker button
  QLineEdit *sndenginestart = nullptr, *sndengineoff = nullptr, *sndpreaccel = nullptr, *sndprebrake = nullptr,
            *sndbraking = nullptr, *sndmoving = nullptr;
  std::array<QPushButton*, 6> SoundPickers{};
  QLineEdit *speed2stepse = nullptr, *sminfactor = nullptr, *smaxsfactor = nullptr, *basesf = nullptr;
  QWidget* motorpan = nullptr;
  std::array<QLineEdit*, 6> gfrom{}, gfrch{};  // gears 1..6 at 0..5
  // "Light": lights 1..3 at 0..2
  std::array<QCheckBox*, 3> LightActive{};
  std::array<QLineEdit*, 3> firstsil{}, LastSil{}, LightCoord{};
  QCheckBox* ShowLights = nullptr;
  QLineEdit *firstsi = nullptr, *silco = nullptr, *SilRadius = nullptr;
  QPushButton* CreateSC = nullptr;
  // Below the 3D view.
  QPushButton *Bn_Load = nullptr, *Bn_Save = nullptr, *Bn_SaveAs = nullptr, *Bn_LoadIt = nullptr;
  QCheckBox *IgnScript = nullptr, *CB_Nodes = nullptr;

  // The vehicle's names being edited, one entry per language.
  std::array<TLanguageName, 20> LanguageNames{};
  // The file that "Save file" writes (a path on disk; empty until a file was named).
  std::string SaveFileName;

  // Vehicle files. SaveVehicleInfo returns true when the file was written (or, for "***", the
  // record kept in TestVehicleInfo); LoadVehicleInfo false when the file was refused.
  bool SaveVehicleInfo(const std::string& FileName);
  bool LoadVehicleInfo(const std::string& FileName);
  void FillFileList();
  void Bn_SaveClick();
  void Bn_SaveAsClick();
  void Bn_LoadClick();
  void Bn_LoadItClick();
  // The vehicle's script file: the script page reads and writes it here.
  bool SaveVehicleScript();
  void LoadVehicleScript(const std::string& scriptFile);
  bool ReadVehicleScriptFile(const std::string& path);

  // ---- The script page (scriptpage.cpp).
  // "Compile": the source into Memox and CodeStream; ScriptErrorFlag tells the outcome.
  void Bn_CompileScriptClick();
  // Compiles the editor's source into CodeStream; false (CodeStream empty) on an error.
  bool CompileScriptSource();
  // Shows LastScriptError under its title, with `outcome` on a line of its own when not empty.
  void ShowScriptError(const std::string& outcome);
  // "Load" and "Save" with their dialogs.
  void Bn_LoadScriptClick();
  void Bn_SaveScriptClick();
  // The dialogs' paths from the chosen file on: false when nothing was loaded or written.
  bool LoadScriptFrom(const std::string& path);
  bool SaveScriptTo(const std::string& path);
  // The lines of srcmemo, and replacing them.
  std::vector<std::string> ScriptLines() const;
  void SetScriptLines(const std::vector<std::string>& lines);

  // ---- The test run (testrun.cpp).
  // The vehicle the test run places on the track (a record of the form, not of the store).
  TVehicle TestVehicle{};
  // The window's vehicle into the vehicle type. With Ask, unsaved script changes first run the
  // script page's save; still unsaved, nothing is converted (false). Without Ask (every frame),
  // the conversion never opens a dialog.
  bool FormToVehicleType(TVehicleType& vt, bool ask);
  // Converts into VehicleTypes[1] and places TestVehicle on the test track: a train from node 6
  // toward node 8, a car from node 13 toward node 12, its back AxLength further back; the script
  // host then prepares its parts. True when the vehicle stands on the track now.
  bool CalcWClick(bool ask = false);
  // "Execute script": converts and places, then runs the compiled script and shows its time.
  void Bn_ExecuteScriptClick();
  // The checked rows' meshes into the script host's part meshes 1...
  void CopyPartMeshes();

  // Page behaviours.
  int LanguageIndex() const;
  void CB_LanguageChange();
  void E_VehiclenameKeyUp();
  bool SGrid_MeshesSelectCell(int col, int row) const;
  void SGrid_MeshesMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint& pos);
  void SGrid_GoodsMouseMove(const QPoint& pos);
  void SGrid_GoodsDblClick();
  void SpeedButton6Click(QPushButton* sender);
  void motorsoundtChange();
  void Bn_LoadNextVehicleClick();
  void Bn_LoadNextVehicle2Click();
  // The vehicle file dialog (DLG_LoadVIF); false when the author cancels.
  bool PickVehicleFile(QString& chosen);
  void CheckBox1Click();
  void srcmemoChange();
  // The tools of the "Bounding box" and "Light" pages.
  void AutoBoundBClick();
  void CreateSCClick();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildPages();
  // The script page's buttons (scriptpage.cpp).
  void connectScriptPage();
  void FormShow();
  void SGrid_MeshesDblClick();
  bool stopStartup(int step, const std::string& message);
  // Copies the curve's pieces (at most 10) into the form's piece arrays, entries 1 on; their count.
  static int32_t takeTestPieces(const TCurveline& curve, std::array<TCurvePiece, 11>& pieces,
                                std::array<TMesh2, 11>& meshes);
  // The 3D view's label and mouse handlers, and the controls its frame reads (view3d.cpp).
  void buildView3D();
  void recentreCursor();
  bool viewShowNodes() const;
  bool viewShowLights() const;
  bool viewSmoking() const;
  TVector viewSmokePosition() const;
  TViewBox viewBoundingBox() const;
  TPlacement meshRowPlacement(int row) const;

  void ControlsToRecord(TVehicleInfo& v) const;
  void RecordToControls(const TVehicleInfo& v);

  int goodsGridMouseX_ = 0, goodsGridMouseY_ = 0;
  bool terminated_ = false;
  int failedStep_ = 0;
  unsigned long frames_ = 0;
  int meshGridMouseX_ = 0, meshGridMouseY_ = 0;
  // Start folder and preset file name of the script dialogs, remembered after each use.
  std::unique_ptr<appcommon::TScriptPage> scriptPage_;
};

// The form unit's start: runs once after every other unit's start, before the form exists.
void FormUnitStart();

// Every file dialog of the form runs through the shared runner, which tests answer.
using appcommon::FromWinText;
using appcommon::ToWinText;
using appcommon::FileDialogRunner;
using appcommon::RunFileDialog;
using appcommon::SetFileDialogRunner;

// The registered "showmess" routine shows its argument in a modal box.
void ScriptShowMess(const std::string& text);

}  // namespace vadrel
