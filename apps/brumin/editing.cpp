// The handlers of the building editor's pages: the name per language, the grids' cell and key
// rules, the mesh and sound file choices, "AutoBound", and the page change that rebuilds the
// preview the 3D view draws.
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabWidget>

#include <functional>

#include "apps/brumin/mainform.h"
#include "apps/common/controls.h"
#include "apps/common/filedialog.h"
#include "apps/common/wintext.h"
#include "engine/base/text.h"

namespace brumin {

namespace {

// Discards the key presses a rule refuses; every other event passes.
class KeyGate : public QObject {
 public:
  KeyGate(QObject* watched, std::function<bool(QKeyEvent*)> allowed) : QObject(watched), allowed_(std::move(allowed)) {
    watched->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    return e->type() == QEvent::KeyPress && !allowed_(static_cast<QKeyEvent*>(e));
  }

 private:
  std::function<bool(QKeyEvent*)> allowed_;
};

// The grid's cell editors: each gets the grid's key rule and the edit mask of its cell.
class GridCellDelegate : public QStyledItemDelegate {
 public:
  GridCellDelegate(QObject* parent, std::function<bool(QKeyEvent*)> keys, std::function<QString(int, int)> mask)
      : QStyledItemDelegate(parent), keys_(std::move(keys)), mask_(std::move(mask)) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (keys_) new KeyGate(editor, keys_);
    auto* line = qobject_cast<QLineEdit*>(editor);
    // "99": at most two digits.
    if (line && mask_ && mask_(index.column(), index.row()) == "99")
      line->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,2}"), line));
    return editor;
  }

 private:
  std::function<bool(QKeyEvent*)> keys_;
  std::function<QString(int, int)> mask_;
};

// A typed character as the grids' key rules see it; keys that type nothing pass.
bool TypedCharacterAllowed(QKeyEvent* e, bool (*rule)(QChar)) {
  const QString text = e->text();
  if (text.isEmpty() || e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) return true;
  return rule(text.at(0));
}

// Cells a grid refuses to select are shown but neither selected nor edited.
void RefuseCells(platform::StringGrid* g, const std::function<bool(int, int)>& selectable) {
  for (int r = g->fixedRows(); r < g->rowCount(); ++r)
    for (int c = g->fixedCols(); c < g->columnCount(); ++c)
      if (!selectable(c, r) && g->item(r, c)) g->item(r, c)->setFlags(Qt::ItemIsEnabled);
}

std::string CellText(const platform::StringGrid* g, int col, int row) { return appcommon::ToWinText(g->cell(col, row)); }
float CellFloat(const platform::StringGrid* g, int col, int row) { return ControlTextToFloat(CellText(g, col, row)); }
int32_t CellInt(const platform::StringGrid* g, int col, int row) { return ControlTextToInt(CellText(g, col, row)); }

QString OneDecimal(float v) { return QString::fromLatin1(FloatToStrDigits(1, v).c_str()); }

}  // namespace

void MainForm::connectPages() {
  connect(Notebook, &QTabWidget::currentChanged, this, [this](int) { NotebookChange(); });

  // The name per language; the language is chosen with the mouse only.
  new KeyGate(CB_Language, [](QKeyEvent*) { return false; });

  // Ways: the "Used" and "Way type" columns hold their row's controls; numbers only.
  RefuseCells(SGrid_Ways, [this](int c, int r) { return SGrid_WaysSelectCell(c, r); });
  auto wayKeys = [](QKeyEvent* e) { return TypedCharacterAllowed(e, &MainForm::SGrid_WaysKeyPress); };
  new KeyGate(SGrid_Ways, wayKeys);
  SGrid_Ways->setItemDelegate(new GridCellDelegate(SGrid_Ways, wayKeys, nullptr));

  // Nodes: the flag columns hold the row's boxes; the links take two digits.
  RefuseCells(SGrid_Nodes, [this](int c, int r) { return SGrid_NodesSelectCell(c, r); });
  SGrid_Nodes->setItemDelegate(
      new GridCellDelegate(SGrid_Nodes, nullptr, [this](int c, int r) { return SGrid_NodesGetEditMask(c, r); }));

  // Meshes: the file cells are chosen by double-click, never typed.
  RefuseCells(SGrid_Meshes, [this](int c, int r) { return SGrid_MeshesSelectCell(c, r); });
  SGrid_Meshes->setMouseTracking(true);
  new appcommon::EventHook(SGrid_Meshes->viewport(), [this](QEvent* e) {
    if (e->type() == QEvent::MouseMove) SGrid_MeshesMouseMove(static_cast<QMouseEvent*>(e)->position().toPoint());
  });
  connect(SGrid_Meshes, &QTableWidget::cellDoubleClicked, this, [this](int, int) { SGrid_MeshesDblClick(); });

  connect(Button_LoadSound, &QPushButton::clicked, this, [this] { Button_LoadSoundClick(); });
  connect(AutoBoundB, &QPushButton::clicked, this, [this] { AutoBoundBClick(); });
}

// ---- Grids

bool MainForm::SGrid_WaysSelectCell(int col, int) const { return col != 1 && col != 6; }

bool MainForm::SGrid_WaysKeyPress(QChar key) {
  const char16_t c = key.unicode();
  return (c >= '0' && c <= '9') || c == '.' || c == 8 || c == 13 || c == 27 || c == 7;
}

bool MainForm::SGrid_NodesSelectCell(int col, int) const { return col <= 5; }

QString MainForm::SGrid_NodesGetEditMask(int col, int) const { return col == 4 || col == 5 ? "99" : QString(); }

bool MainForm::SGrid_MeshesSelectCell(int col, int) const { return col != 1; }

void MainForm::SGrid_MeshesMouseMove(const QPoint& pos) {
  MeshGridMouseX = pos.x();
  MeshGridMouseY = pos.y();
}

void MainForm::SGrid_MeshesDblClick() {
  int col = -1, row = -1;
  SGrid_Meshes->cellAt(QPoint(MeshGridMouseX, MeshGridMouseY), col, row);
  if (col != 1 || row < 1 || row > 30) return;
  std::string& path = row <= 10 ? MeshPathNear : row <= 20 ? MeshPathMid : MeshPathFar;
  QString chosen;
  if (!appcommon::ChooseMeshFile(this, QString::fromStdString(path), chosen)) return;
  path = chosen.toStdString();
  SGrid_Meshes->setCell(1, row, "'" + QFileInfo(chosen).fileName() + "'");
  MeshRowBoxes[static_cast<size_t>(row)]->setChecked(true);
}

// ---- Sound page

void MainForm::Button_LoadSoundClick() {
  QFileDialog dlg(this, QString(), "sfx");
  dlg.setObjectName("DLG_LoadWAV");
  dlg.setNameFilter("PCM-Wavefiles (*.wav)");
  dlg.setDefaultSuffix("wav");
  dlg.setFileMode(QFileDialog::ExistingFile);
  QString chosen;
  if (!RunFileDialog(dlg, chosen)) return;
  E_Sound15M->setText(QFileInfo(chosen).fileName());
}

// ---- Bounding box page

void MainForm::AutoBoundBClick() {
  const TAutoBound b = AutoBound(*PreviewBlocks);
  const float xs[4] = {b.Min.x, b.Min.x, b.Max.x, b.Max.x};
  const float zs[4] = {b.Min.z, b.Max.z, b.Max.z, b.Min.z};
  for (size_t i = 0; i < 4; ++i) {
    bbx[i]->setText(OneDecimal(xs[i]));
    bby[i]->setText("0.0");
    bbz[i]->setText(OneDecimal(zs[i]));
  }
  btop->setText(OneDecimal(b.Max.y));
  bbottom->setText(OneDecimal(b.Min.y));
}

// ---- The preview

void MainForm::NotebookChange() {
  std::array<TNodeRow, 101> rows{};
  for (int k = 1; k <= 100; ++k) {
    TNodeRow& r = rows[static_cast<size_t>(k)];
    r.X = CellFloat(SGrid_Nodes, 1, k);
    r.Y = CellFloat(SGrid_Nodes, 2, k);
    r.Z = CellFloat(SGrid_Nodes, 3, k);
    r.Next1 = CellInt(SGrid_Nodes, 4, k);
    r.Next2 = CellInt(SGrid_Nodes, 5, k);
    r.Station = NodeStationBoxes[static_cast<size_t>(k)]->isChecked();
    r.Switcher = NodeSwitcherBoxes[static_cast<size_t>(k)]->isChecked();
    r.Scripted = NodeScriptedBoxes[static_cast<size_t>(k)]->isChecked();
  }
  // A waypoint number of 0 takes the header row, whose texts read as (0, 0, 0).
  auto point = [this](int row) {
    return TVector{CellFloat(SGrid_Points, 1, row), CellFloat(SGrid_Points, 2, row), CellFloat(SGrid_Points, 3, row)};
  };
  TWayedSettings way;
  way.Wayed = CB_Wayed->isChecked();
  way.Waypoint1 = point(Spin_Waypoint1->value());
  way.Waypoint2 = point(Spin_Waypoint2->value());
  way.WayType = CB_Waytype->currentIndex();
  BuildPreviewNodes(rows, way, PreviewNodes, WayPreview);

  // The Near rows' meshes; a block whose row is off keeps its mesh but is not drawn.
  for (int k = 1; k <= 10; ++k) {
    TPreviewBlock& block = (*PreviewBlocks)[static_cast<size_t>(k)];
    block.Loaded = MeshRowBoxes[static_cast<size_t>(k)]->isChecked();
    if (!block.Loaded) continue;
    const std::string cell = CellText(SGrid_Meshes, 1, k);  // the name between its quotes
    LoadMeshFile(block.Mesh, cell.size() >= 2 ? cell.substr(1, cell.size() - 2) : std::string());
    block.RowPlacement = {CellFloat(SGrid_Meshes, 2, k), CellFloat(SGrid_Meshes, 3, k), CellFloat(SGrid_Meshes, 4, k),
                          CellFloat(SGrid_Meshes, 5, k), CellFloat(SGrid_Meshes, 6, k), CellFloat(SGrid_Meshes, 7, k)};
    block.ScriptPlacement = {};
  }
}

}  // namespace brumin
