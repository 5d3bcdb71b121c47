// A grid of text cells addressed as (column, row) from 0, header cells included. The first
// FixedRows rows and FixedCols columns are fixed header cells that cannot be edited.
#pragma once

#include <QTableWidget>

namespace platform {

class StringGrid : public QTableWidget {
 public:
  StringGrid(int colCount, int rowCount, int fixedCols, int fixedRows, QWidget* parent = nullptr);

  QString cell(int col, int row) const;
  void setCell(int col, int row, const QString& text);
  int fixedCols() const { return fixedCols_; }
  int fixedRows() const { return fixedRows_; }
  // The grid position under a point of the viewport; -1 when outside.
  void cellAt(const QPoint& pos, int& col, int& row) const;

 private:
  int fixedCols_;
  int fixedRows_;
};

}  // namespace platform
