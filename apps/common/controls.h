// Makers of the form controls both editors lay out by hand: each control gets its name (the
// object name by which handlers and tests find it), its texts and its place.
#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <initializer_list>
#include <span>

#include "platform/stringgrid.h"

class QCheckBox;
class QComboBox;
class QEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QWidget;

namespace platform {
class GlPanel;
}

namespace appcommon {

// Passes every event of the watched object to a function; the object still gets the event.
class EventHook : public QObject {
 public:
  EventHook(QObject* watched, std::function<void(QEvent*)> fn);

 protected:
  bool eventFilter(QObject*, QEvent* event) override;

 private:
  std::function<void(QEvent*)> fn_;
};

QComboBox* MakeCombo(QWidget* parent, const char* name, const QStringList& items, int x, int y, int w);
platform::StringGrid* MakeGrid(QWidget* parent, const char* name, int cols, int rows, int fixedCols, int fixedRows,
                               const QRect& geometry);
void SetColumnWidths(platform::StringGrid* g, std::initializer_list<int> widths);
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w);
QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text, int x, int y, int w);
// An edit with its caption in front of it.
QLineEdit* MakeLabeledEdit(QWidget* parent, const QString& caption, const char* name, const QString& text, int x,
                           int y, int labelWidth, int editWidth);
QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& caption, int x, int y, int w);
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int x, int y, int w);
QSpinBox* MakeSpin(QWidget* parent, const char* name, int minimum, int maximum, int value, int x, int y, int w);

// A "Bounding box" page: a header "X", "Y", "Z" and a row per corner 1..4 with its three edits
// "bbx" + k, "bby" + k, "bbz" + k, each "0.0" (corner k at index k - 1).
QWidget* MakeBoundingBoxPage(std::array<QLineEdit*, 4>& bbx, std::array<QLineEdit*, 4>& bby,
                             std::array<QLineEdit*, 4>& bbz);

// The check boxes of the mesh rows, laid over the grid (as its children) at `left`, 14 x 14,
// row k's box at top (row height + 1) x k + 5, where the row height is that of grid row 2 as the
// form's metrics count it, without the grid line that Qt counts into its rows. boxes[k] receives
// the box of row k, named "MeshRowBox" + k, for k = 1 .. boxes.size() - 1; boxes[0] stays as it is.
void LayMeshRowBoxes(platform::StringGrid* grid, int left, std::span<QCheckBox*> boxes);

// A GL panel in its container inside `parent`: the container carries the name and the geometry.
struct TGlPanelPlace {
  platform::GlPanel* Panel = nullptr;
  QWidget* Container = nullptr;
};
TGlPanelPlace MakeGlPanel(QWidget* parent, const QString& name, const QRect& geometry);

}  // namespace appcommon
