#include <gtest/gtest.h>

#include <memory>

#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/world/records.h"
#include "network/world/areas.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace {

// Flat land of kind 5; the debugger's warnings are captured.
class MapAreas : public testing::Test {
 protected:
  void SetUp() override {
    ResetWorldState();
    testing_support::CaptureDebugger();
  }
  void TearDown() override { platform::SetDebuggerSink(nullptr); }
};

TEST_F(MapAreas, CellsUnderFourCorners) {
  auto cells = std::make_unique<TAreaCells>();
  struct Case {
    const char* name;
    TVector c[4];
    int32_t count;
    TMapCell first, last;
  };
  const Case cases[] = {
      {"one cell exactly", {{0, 0, 0}, {100, 0, 0}, {100, 0, 100}, {0, 0, 100}}, 1, {0, 0}, {0, 0}},
      {"one cell, corners from another start", {{300, 0, 500}, {300, 0, 400}, {200, 0, 400}, {200, 0, 500}}, 1,
       {2, 4}, {2, 4}},
      {"two by three cells", {{100, 0, 200}, {300, 0, 200}, {300, 0, 500}, {100, 0, 500}}, 6, {1, 2}, {2, 4}},
      {"inside one cell", {{510, 0, 510}, {520, 0, 510}, {520, 0, 520}, {510, 0, 520}}, 1, {5, 5}, {5, 5}},
      {"clamped columns", {{-150, 0, 0}, {50, 0, 0}, {50, 0, 100}, {-150, 0, 100}}, 1, {0, 0}, {0, 0}},
      {"a diamond", {{150, 0, 0}, {300, 0, 150}, {150, 0, 300}, {0, 0, 150}}, 5, {1, 0}, {1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t n = FillLAndArray(c.c, *cells);
    ASSERT_EQ(n, c.count);
    EXPECT_EQ(cells->Cells[0].Column, c.first.Column);
    EXPECT_EQ(cells->Cells[0].Row, c.first.Row);
    EXPECT_EQ(cells->Cells[n - 1].Column, c.last.Column);
    EXPECT_EQ(cells->Cells[n - 1].Row, c.last.Row);
  }
  EXPECT_TRUE(testing_support::Warnings().empty());
}

TEST_F(MapAreas, AreaOffTheMapWarns) {
  auto cells = std::make_unique<TAreaCells>();
  const TVector off[4] = {{0, 0, -500}, {100, 0, -500}, {100, 0, -300}, {0, 0, -300}};
  EXPECT_EQ(FillLAndArray(off, *cells), 0);
  const TVector far[4] = {{0, 0, 3e9f}, {100, 0, 3e9f}, {100, 0, 3e9f}, {0, 0, 3e9f}};
  EXPECT_EQ(FillLAndArray(far, *cells), 0);
  EXPECT_EQ(testing_support::Warnings(),
            (std::vector<std::string>(2, "ERROR: GamePlay: FillLAndArray: The Result = 0, wich mean Error or not on Map")));
}

TEST_F(MapAreas, TheWholeMapFillsTheListAndOverwritesItsLastEntry) {
  auto cells = std::make_unique<TAreaCells>();
  const TVector all[4] = {{0, 0, 0}, {102400, 0, 0}, {102400, 0, 102400}, {0, 0, 102400}};
  EXPECT_EQ(FillLAndArray(all, *cells), kAreaCellRoom);
  EXPECT_EQ(cells->Cells[kAreaCellRoom - 1].Column, 1023);
  EXPECT_EQ(cells->Cells[kAreaCellRoom - 1].Row, 1023);
}

TEST_F(MapAreas, PlatformsOnBothSidesOfATrackPiece) {
  auto piece = std::make_unique<TMesh2>();
  piece->VertexCount = 4;
  // A piece along +x, 10 wide: V1 and V4 on the z = -5 edge, V2 and V3 on z = +5.
  const float v[4][3] = {{0, 2, -5}, {0, 2, 5}, {160, 2, 5}, {160, 2, -5}};
  for (int i = 0; i < 4; ++i) {
    piece->Vertex(i + 1).x = v[i][0];
    piece->Vertex(i + 1).y = v[i][1];
    piece->Vertex(i + 1).z = v[i][2];
  }
  auto mesh = std::make_unique<TMesh2>();
  TBuilding b{};
  CalcPlatformGeometry(*piece, b, *mesh, 1);
  EXPECT_EQ(b.Corners[0].z, -5.0f);
  EXPECT_EQ(b.Corners[1].z, -25.0f);
  EXPECT_EQ(b.Corners[2].x, 160.0f);
  EXPECT_EQ(b.Corners[2].z, -25.0f);
  EXPECT_EQ(b.Corners[0].y, 12.0f);
  EXPECT_EQ(b.HighHeight, 12.0f);
  EXPECT_EQ(b.LowHeight, -88.0f);
  EXPECT_GT(mesh->PolygonCount, 0);
  CalcPlatformGeometry(*piece, b, *mesh, 3);
  EXPECT_EQ(b.Corners[0].z, 25.0f);
  EXPECT_EQ(b.Corners[1].z, 5.0f);
  EXPECT_EQ(b.Corners[3].z, 25.0f);
  EXPECT_EQ(b.Corners[3].x, 160.0f);
}

}  // namespace
