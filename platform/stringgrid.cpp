#include "platform/stringgrid.h"

#include <QHeaderView>

namespace platform {

StringGrid::StringGrid(int colCount, int rowCount, int fixedCols, int fixedRows, QWidget* parent)
    : QTableWidget(rowCount, colCount, parent), fixedCols_(fixedCols), fixedRows_(fixedRows) {
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(20);
  horizontalHeader()->setDefaultSectionSize(64);
  for (int r = 0; r < rowCount; ++r) {
    for (int c = 0; c < colCount; ++c) {
      auto* item = new QTableWidgetItem();
      if (r < fixedRows || c < fixedCols) {
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(palette().button());
      }
      setItem(r, c, item);
    }
  }
}

QString StringGrid::cell(int col, int row) const {
  const QTableWidgetItem* it = item(row, col);
  return it ? it->text() : QString();
}

void StringGrid::setCell(int col, int row, const QString& text) {
  QTableWidgetItem* it = item(row, col);
  if (!it) {
    it = new QTableWidgetItem();
    setItem(row, col, it);
  }
  it->setText(text);
}

void StringGrid::cellAt(const QPoint& pos, int& col, int& row) const {
  col = columnAt(pos.x());
  row = rowAt(pos.y());
}

}  // namespace platform
