#include "apps/common/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <string>
#include <utility>

#include "platform/glpanel.h"

namespace appcommon {

EventHook::EventHook(QObject* watched, std::function<void(QEvent*)> fn) : QObject(watched), fn_(std::move(fn)) {
  watched->installEventFilter(this);
}

bool EventHook::eventFilter(QObject*, QEvent* event) {
  fn_(event);
  return false;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, const QStringList& items, int x, int y, int w) {
  auto* c = new QComboBox(parent);
  c->setObjectName(name);
  c->addItems(items);
  c->setGeometry(x, y, w, 22);
  return c;
}

platform::StringGrid* MakeGrid(QWidget* parent, const char* name, int cols, int rows, int fixedCols, int fixedRows,
                               const QRect& geometry) {
  auto* g = new platform::StringGrid(cols, rows, fixedCols, fixedRows, parent);
  g->setObjectName(name);
  g->setGeometry(geometry);
  return g;
}

void SetColumnWidths(platform::StringGrid* g, std::initializer_list<int> widths) {
  int c = 0;
  for (int w : widths) g->setColumnWidth(c++, w);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w) {
  auto* l = new QLabel(text, parent);
  l->setGeometry(x, y, w, 22);
  return l;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QString& text, int x, int y, int w) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(name);
  e->setGeometry(x, y, w, 22);
  return e;
}

QLineEdit* MakeLabeledEdit(QWidget* parent, const QString& caption, const char* name, const QString& text, int x,
                           int y, int labelWidth, int editWidth) {
  MakeLabel(parent, caption, x, y, labelWidth);
  return MakeEdit(parent, name, text, x + labelWidth, y, editWidth);
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& caption, int x, int y, int w) {
  auto* c = new QCheckBox(caption, parent);
  c->setObjectName(name);
  c->setGeometry(x, y, w, 22);
  return c;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, int x, int y, int w) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setGeometry(x, y, w, 24);
  return b;
}

QSpinBox* MakeSpin(QWidget* parent, const char* name, int minimum, int maximum, int value, int x, int y, int w) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(name);
  s->setRange(minimum, maximum);
  s->setValue(value);
  s->setGeometry(x, y, w, 22);
  return s;
}

QWidget* MakeBoundingBoxPage(std::array<QLineEdit*, 4>& bbx, std::array<QLineEdit*, 4>& bby,
                             std::array<QLineEdit*, 4>& bbz) {
  auto* page = new QWidget();
  page->setObjectName("Bounding box");
  MakeLabel(page, "X", 40, 8, 80);
  MakeLabel(page, "Y", 130, 8, 80);
  MakeLabel(page, "Z", 220, 8, 80);
  for (size_t i = 0; i < 4; ++i) {
    const std::string n = std::to_string(i + 1);
    const int y = 32 + 28 * static_cast<int>(i);
    MakeLabel(page, QString::fromStdString(n), 16, y, 20);
    bbx[i] = MakeEdit(page, ("bbx" + n).c_str(), "0.0", 40, y, 84);
    bby[i] = MakeEdit(page, ("bby" + n).c_str(), "0.0", 130, y, 84);
    bbz[i] = MakeEdit(page, ("bbz" + n).c_str(), "0.0", 220, y, 84);
  }
  return page;
}

void LayMeshRowBoxes(platform::StringGrid* grid, int left, std::span<QCheckBox*> boxes) {
  const int rowHeight = grid->rowHeight(2) - 1;
  for (size_t k = 1; k < boxes.size(); ++k) {
    auto* box = new QCheckBox(grid);
    box->setObjectName(QString("MeshRowBox%1").arg(k));
    box->setGeometry(left, (rowHeight + 1) * static_cast<int>(k) + 5, 14, 14);
    box->setChecked(false);
    box->show();
    boxes[k] = box;
  }
}

TGlPanelPlace MakeGlPanel(QWidget* parent, const QString& name, const QRect& geometry) {
  TGlPanelPlace place;
  place.Panel = new platform::GlPanel();
  place.Container = place.Panel->container(parent);
  place.Container->setObjectName(name);
  place.Container->setGeometry(geometry);
  return place;
}

}  // namespace appcommon
