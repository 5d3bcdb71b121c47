// The vehicle editor's main window.
#pragma once

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "apps/vadrel/view3d.h"
#include "engine/font3d.h"
#include "engine/mesh3d.h"
#include "network/gp_ways.h"
#include "platform/glpanel.h"
#include "platform/stringgrid.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QMouseEvent;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QFileDialog;

namespace vadrel {

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

  // ---- The script page (scriptpage.cpp).
  QPlainTextEdit *srcmemo = nullptr, *Memox = nullptr;  // the source; the assembler text (hidden)
  QCheckBox* CheckBox1 = nullptr;
  QPushButton *Bn_CompileScript = nullptr, *Bn_LoadScript = nullptr, *Bn_SaveScript = nullptr;
  QPushButton* Bn_ExecuteScript = nullptr;
  QLabel* Label27 = nullptr;
  // "Compile": the source into Memox and CodeStream; ScriptErrorFlag tells the outcome.
  void Bn_CompileScriptClick();
  // "Load" and "Save" with their dialogs.
  void Bn_LoadScriptClick();
  void Bn_SaveScriptClick();
  // The dialogs' paths from the chosen file on: false when nothing was loaded or written.
  bool LoadScriptFrom(const std::string& path);
  bool SaveScriptTo(const std::string& path);
  void CheckBox1Click();
  void srcmemoChange();
  // The lines of srcmemo, and replacing them.
  std::vector<std::string> ScriptLines() const;
  void SetScriptLines(const std::vector<std::string>& lines);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildPages();
  void buildScriptPage(QWidget* page);
  bool runScriptDialog(bool save, QString& chosen);
  void FormShow();
  void SGrid_MeshesDblClick();
  bool stopStartup(int step, const std::string& message);
  void buildTestCurve(uint8_t waytype, const TVector& a, const TVector& adir, const TVector& b, const TVector& bdir);
  // The 3D view's label and mouse handlers, and the controls its frame reads (view3d.cpp).
  void buildView3D();
  void recentreCursor();
  bool viewShowNodes() const;
  bool viewShowLights() const;
  bool viewSmoking() const;
  TVector viewSmokePosition() const;
  TViewBox viewBoundingBox() const;
  TPlacement meshRowPlacement(int row) const;

  bool terminated_ = false;
  int failedStep_ = 0;
  unsigned long frames_ = 0;
  int meshGridMouseX_ = 0, meshGridMouseY_ = 0;
  // Start folder and preset file name of the script dialogs, remembered after each use.
  QString omasFolder_, omasName_, smasFolder_, smasName_;
};

// The form unit's start: runs once after every other unit's start, before the form exists.
void FormUnitStart();

// The registered "showmess" routine shows its argument in a modal box.
void ScriptShowMess(const std::string& text);

// Runs a script file dialog ("omasdlg", "smasdlg"); true with the chosen file when the author
// confirmed. Tests put their own runner in (an empty function restores the dialog).
using ScriptDialogRunner = std::function<bool(QFileDialog& dialog, QString& chosen)>;
void SetScriptDialogRunner(ScriptDialogRunner runner);

}  // namespace vadrel
