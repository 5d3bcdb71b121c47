#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QWidget>

#include <vector>

#include "apps/common/controls.h"
#include "platform/glpanel.h"

namespace {

// Each mesh-row box lies inside its own grid row, also in the long grid of thirty rows.
TEST(MeshRowBoxes, EachBoxLiesInsideItsRow) {
  struct Case {
    int rows, left;
  };
  for (const Case& c : {Case{5, 18}, Case{30, 49}}) {
    QWidget form;
    platform::StringGrid* grid = appcommon::MakeGrid(&form, "grid", 8, c.rows + 1, 1, 1, QRect(0, 0, 470, 700));
    for (int r = 0; r <= c.rows; ++r) grid->setRowHeight(r, 20);
    std::vector<QCheckBox*> boxes(static_cast<size_t>(c.rows) + 1, nullptr);
    appcommon::LayMeshRowBoxes(grid, c.left, boxes);
    form.resize(480, 720);
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes[0], nullptr);
    for (int k = 1; k <= c.rows; ++k) {
      QCheckBox* box = boxes[static_cast<size_t>(k)];
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->objectName(), QString("MeshRowBox%1").arg(k));
      EXPECT_EQ(box->parent(), grid);
      EXPECT_FALSE(box->isChecked());
      EXPECT_EQ(box->geometry(), QRect(c.left, 20 * k + 5, 14, 14)) << k;
      // The row in the grid's own coordinates.
      const QRect row = grid->visualItemRect(grid->item(k, 0)).translated(grid->viewport()->pos());
      EXPECT_TRUE(row.contains(box->geometry().center())) << c.rows << " rows, box " << k;
    }
  }
}

TEST(GlPanelPlace, ContainerCarriesTheNameAndGeometry) {
  QWidget form;
  const appcommon::TGlPanelPlace place = appcommon::MakeGlPanel(&form, "OGLW", QRect(3, 4, 50, 40));
  ASSERT_NE(place.Panel, nullptr);
  ASSERT_NE(place.Container, nullptr);
  EXPECT_EQ(place.Container->parent(), &form);
  EXPECT_EQ(place.Container->objectName(), "OGLW");
  EXPECT_EQ(place.Container->geometry(), QRect(3, 4, 50, 40));
  EXPECT_EQ(form.findChild<QWidget*>("OGLW"), place.Container);
}

}  // namespace
