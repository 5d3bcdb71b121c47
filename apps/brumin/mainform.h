// The building editor's main window: the 3D view on the left, the notebook of the building's
// pages on the right, the building files along the bottom; start-up, the main loop and its frame.
#pragma once

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "apps/brumin/fonts.h"
#include "apps/brumin/meshes.h"
#include "apps/brumin/preview.h"
#include "apps/common/filedialog.h"
#include "engine/base/types.h"
#include "engine/files/buildingfile.h"
#include "platform/stringgrid.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTabWidget;
class QTimer;
namespace appcommon {
class TScriptPage;
}

namespace brumin {

class TOpenGlWin;

constexpr const char* kIniName = "brumin.ini";
constexpr const char* kBuildingsDirName = "buildings\\";
constexpr const char* kCaption = "Corvane Brumin v8.0";

// The script's 20 ms gate: a run is due when none ran yet or more than 20 ms passed since the last
// one. The ticks compare across a wrap of the counter; a difference below zero on a clock that only
// goes forward means the last run lies more than 24.8 days back, which is due as well.
struct TScriptGate {
  static constexpr int32_t kIntervalMs = 20;
  bool HasRun = false;
  uint32_t LastRun = 0;

  bool Due(uint32_t now) const;
  void Ran(uint32_t now) {
    HasRun = true;
    LastRun = now;
  }
};

class MainForm : public QWidget {
 public:
  explicit MainForm(QWidget* parent = nullptr);
  ~MainForm() override;

  // Start-up in its fixed order, then the main loop. Comes back once the program terminates; a
  // start-up step that fails comes back at once and leaves the window open, frameless, until closed.
  void FormCreate();
  // One pass of the frame: the script when it is due, then the 3D view. Only the main loop calls it.
  void drawtimerTimer();
  // Fills the language list; runs when the form is shown.
  void FormShow();
  // Requests the end of the program; the main loop ends after its current pass.
  void FormClose();
  // The view's drawing handler, between the start and the end of every frame (view3d.cpp).
  void OGLWRedrawWorld();
  // Right-button navigation of the view.
  void OGLWMouseDown(QMouseEvent* e);
  void OGLWMouseMove(QMouseEvent* e);

  // ---- Handlers of the pages.
  // Rebuilds the preview (nodes, way strip, meshes) from the pages; runs at every page change.
  void NotebookChange();
  bool SGrid_WaysSelectCell(int col, int row) const;
  // True when a typed character may go into the ways grid.
  static bool SGrid_WaysKeyPress(QChar key);
  bool SGrid_NodesSelectCell(int col, int row) const;
  // The edit mask of a nodes grid cell; empty for a free cell.
  QString SGrid_NodesGetEditMask(int col, int row) const;
  bool SGrid_MeshesSelectCell(int col, int row) const;
  void SGrid_MeshesMouseMove(const QPoint& pos);
  void SGrid_MeshesDblClick();
  void Button_LoadSoundClick();
  void AutoBoundBClick();

  // ---- The "Script" page (scriptpage.cpp).
  // Any edit of the text: not saved.
  void srcmemoChange();
  // "Compile": the text into CodeStream, the listing into "DEBUGSCRIPTING.TXT"; an error shows its
  // box and empties CodeStream, so the preview's script stops.
  void CompileBClick();
  // "Save": compiles, then writes the script file; a failed compile writes nothing.
  void SaveSBClick();
  // "Load": an unsaved text is offered for saving first; the file's image replaces CodeStream
  // without a compile.
  void LoadSBClick();
  bool SaveScriptTo(const std::string& path);
  bool LoadScriptFrom(const std::string& path);
  std::vector<std::string> ScriptLines() const;

  bool terminated() const { return terminated_; }
  // The step at which start-up stopped (0 when it ran through).
  int failedStep() const { return failedStep_; }
  // Passes of the main loop's frame so far, and script runs among them.
  unsigned long frames() const { return frames_; }
  unsigned long scriptRuns() const { return scriptRuns_; }

  // ---- Components, named as the form names them.
  TOpenGlWin* OGLW = nullptr;
  QTimer* drawtimer = nullptr;  // disabled: the main loop calls its handler
  QTabWidget* Notebook = nullptr;
  QLabel* L_Coords = nullptr;
  QCheckBox* CB_ShowNodes = nullptr;
  // The building files along the bottom.
  QListWidget* FileListBox_Buildingfilenames = nullptr;  // hidden, "*.bif" of the work folder
  QPushButton *Bn_Open = nullptr, *Bn_Save = nullptr, *Bn_SaveAs = nullptr, *Bn_Loadit = nullptr;
  QComboBox* CB_Filenames = nullptr;
  // "General"
  QComboBox* CB_Language = nullptr;
  QLineEdit* E_BuildingName = nullptr;
  QComboBox *CB_BuildingType = nullptr, *Startyear = nullptr, *Endyear = nullptr, *wealth = nullptr;
  QSpinBox *SP_MinCitySize = nullptr, *minindust = nullptr, *minwealth = nullptr, *inhmax = nullptr;
  QCheckBox* fixedsize = nullptr;
  QSpinBox *costs = nullptr, *dcosts = nullptr;
  QComboBox *CB_Style = nullptr, *CB_Location = nullptr, *CB_Placement = nullptr;
  QCheckBox* smoking = nullptr;
  QLineEdit *smokeposx = nullptr, *smokeposy = nullptr, *smokeposz = nullptr;
  QComboBox* smoketp = nullptr;
  QCheckBox* CB_Wayed = nullptr;
  QSpinBox *Spin_Waypoint1 = nullptr, *Spin_Waypoint2 = nullptr;
  QComboBox* CB_Waytype = nullptr;
  QCheckBox* CB_WayInvisible = nullptr;
  QSpinBox *entrynode = nullptr, *depotnode = nullptr, *parkingslots = nullptr;
  QCheckBox* nirvdepot = nullptr;
  QLineEdit *slotl = nullptr, *mdepotspeed = nullptr;
  QCheckBox *MapUni = nullptr, *CitySp = nullptr;
  // "Bounding box": corners 1..4 at 0..3, fronts of sides 1..4 at 0..3
  std::array<QLineEdit*, 4> bbx{}, bby{}, bbz{};
  std::array<QCheckBox*, 4> front{};
  QLineEdit *btop = nullptr, *bbottom = nullptr;
  QPushButton* AutoBoundB = nullptr;
  // "Script"
  QPlainTextEdit* srcmemo = nullptr;
  QPushButton *CompileB = nullptr, *LoadSB = nullptr, *SaveSB = nullptr;
  // "Points"
  platform::StringGrid* SGrid_Points = nullptr;
  QSpinBox* generatorpoint = nullptr;
  // "Ways", "Nodes", "Meshes": each grid at its full size inside a scroll box.
  QScrollArea *ScrollBox_Ways = nullptr, *ScrollBox_Nodes = nullptr, *ScrollBox_Meshes = nullptr;
  platform::StringGrid *SGrid_Ways = nullptr, *SGrid_Nodes = nullptr, *SGrid_Meshes = nullptr;
  QLabel* ProtectedPanel = nullptr;
  // "Sound"
  QCheckBox* CB_Play15Minutes = nullptr;
  QLineEdit* E_Sound15M = nullptr;
  QPushButton* Button_LoadSound = nullptr;

  // Controls made at start-up over the grid rows, 1-based (element 0 unused).
  std::array<QCheckBox*, 21> WayUsedBoxes{};
  std::array<QComboBox*, 21> WayTypeBoxes{};
  std::array<QCheckBox*, 101> NodeStationBoxes{}, NodeSwitcherBoxes{}, NodeScriptedBoxes{};
  std::array<QCheckBox*, 31> MeshRowBoxes{};

  // ---- The form's state.
  std::array<TLanguageName, 20> NameTable{};  // the building's name per language, 0..19
  // Preview blocks 1..10 (element 0 unused), kept off the stack: the mesh blocks are large.
  std::unique_ptr<TPreviewBlocks> PreviewBlocks = std::make_unique<TPreviewBlocks>();
  // The preview the view draws, rebuilt at every page change.
  TPreviewNodes PreviewNodes;
  TWayPreview WayPreview;  // WayEdgePoints and WayPreviewVisible
  int32_t MeshGridMouseX = 0, MeshGridMouseY = 0;  // the last mouse position over the mesh grid
  std::string CodeStream;  // the compiled script image; empty when none is compiled
  bool ScriptSaved = true;
  std::string ScriptFileName;
  int32_t Frame = 0;  // the script variable "frame"
  uint32_t SphereTexture = 0, SmokeTexture = 0;  // marker textures, 0 until loaded
  TFont3D TextFont{};  // the label font
  std::string MeshPathNear, MeshPathMid, MeshPathFar;
  TScriptGate ScriptGate;

  // ---- The building file (buildingfile.cpp).
  std::string SaveTarget;  // the file "Save file" writes: the save dialog's file name
  // Saves the controls as the building file `FileName`; false when nothing was written.
  bool SaveBuildingInfo(const std::string& FileName);
  // Loads the building file `FileName` into the controls; false, with no control changed, when it
  // is refused.
  bool LoadBuildingInfo(const std::string& FileName);
  void Bn_OpenClick();
  void Bn_SaveClick();
  void Bn_SaveAsClick();
  void Bn_LoaditClick();
  // The building's name per language (names.cpp).
  int32_t LanguageIndex() const;
  void E_BuildingNameKeyUp();
  void CB_LanguageChange();

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;

 private:
  void buildPages();
  void buildGeneralPage();
  void buildBoundingBoxPage();
  void buildScriptPage();
  void buildGridPages();
  void buildSoundPage();
  void buildFilePanel();
  // Start-up steps that other units of the program complete.
  void loadLanguages();
  void fillFileList();
  void loadMarkers();
  void loadFont();
  // The per-row controls over the ways, nodes and meshes grids.
  void layWayRowControls();
  void layNodeRowBoxes();
  void registerScriptNames();
  // Wires the handlers of the pages to their controls.
  void connectPages();
  // The cursor back to the view's centre; the move this causes is skipped.
  void recentreCursor();
  void connectScriptPage();
  void stopStartup(int step, const std::string& message);
  // The building file's part of the form (buildingfile.cpp).
  void wireDocumentControls();
  void ControlsToRecord(TBuildingInfo& v) const;
  void RecordToControls(const TBuildingInfo& v);
  void fillBuildingList();
  // The script page's save, run before a building is saved while the script has unsaved changes.
  bool SaveScriptBeforeBuilding();

  std::unique_ptr<appcommon::TScriptPage> scriptPage_;
  bool terminated_ = false;
  int failedStep_ = 0;
  unsigned long frames_ = 0;
  unsigned long scriptRuns_ = 0;
};

// The form unit's start, before the form exists: the script units with their tables and built-ins.
void FormUnitStart();
// Its end, at program end: the script registry is released.
void FormUnitEnd();

// The year lists of the first and last year: 1800 to 2050 one by one, 2075 to 2200 by 25, 2300 to
// 3000 by 100.
QStringList YearItems();

// The lines the script editor starts with: the template of a building script.
QStringList ScriptTemplate();

// Every file dialog of the form runs through the shared runner, which tests answer.
using appcommon::FileDialogRunner;
using appcommon::RunFileDialog;
using appcommon::SetFileDialogRunner;

}  // namespace brumin
