// Ground work under new ways and buildings: the sample grids, the comparison with the terrain, the
// levelling and the raising and lowering of single height vertices.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/recordstore.h"
#include "network/construction/ground.h"
#include "network/world/terrain.h"
#include "tests/network/construction/construction_fixture.h"
#include "tests/support/test_support.h"

namespace {

using namespace construction_testing;

const std::string kCannotLevel = "WARNING in Gameplay.LevelGround: the ground could not be levelled";

class GroundWork : public ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();
    LevelGroundPassLimit = kLevelPassLimit;
    mesh_ = std::make_unique<TMeshdata2>();
    grid_ = std::make_unique<TGroundGrid>();
  }
  void TearDown() override {
    LevelGroundPassLimit = kLevelPassLimit;
    ConstructionTest::TearDown();
  }

  // A piece mesh with the four corners.
  TMeshdata2& Piece(const TVector& v1, const TVector& v2, const TVector& v3, const TVector& v4) {
    mesh_->Init();
    const TVector v[4] = {v1, v2, v3, v4};
    for (int i = 0; i < 4; ++i) mesh_->vxA(i + 1, v[i].x, v[i].y, v[i].z, 0, 0);
    return *mesh_;
  }
  // A way of the type along +x from (x, y, z), `length` long and 40 wide: rows run across it.
  void WayGrid(TGroundGrid& grid, float x, float y, float z, float length, uint8_t waytype = 0, uint8_t coarse = 0) {
    TWay w{};
    w.Init(0, waytype);
    CalcWayGroundGrid(grid, w,
                      Piece({x, y, z}, {x, y, z + 40}, {x + length, y, z + 40}, {x + length, y, z}), coarse);
  }
  static TTree Tree(float x, float z) {
    TTree t{};
    t.Scale = 1.0f;
    t.Position = {x, 0, z};
    t.A_Write();
    return t;
  }

  std::unique_ptr<TMeshdata2> mesh_;
  std::unique_ptr<TGroundGrid> grid_;
};

void ExpectAt(const TGroundGrid& g, int row, int col, const TVector& at) {
  SCOPED_TRACE(testing::Message() << "point " << row << "," << col);
  EXPECT_FLOAT_EQ(g.Point(row, col).Position.x, at.x);
  EXPECT_FLOAT_EQ(g.Point(row, col).Position.y, at.y);
  EXPECT_FLOAT_EQ(g.Point(row, col).Position.z, at.z);
}

TEST_F(GroundWork, GridSizesFollowTheObject) {
  struct Case {
    const char* name;
    float length;
    uint8_t waytype, coarse;
    int32_t rows, cols;
  };
  const Case cases[] = {
      {"a 10-unit way", 10, 0, 0, 5, 2},
      {"a 10-unit way, coarse", 10, 0, 1, 3, 2},
      {"70 units: a column every 7", 70, 2, 0, 5, 10},
      {"17.5 units: 2.5 columns round to even", 17.5f, 0, 0, 5, 2},
      {"24.5 units: 3.5 columns round to even", 24.5f, 0, 0, 5, 4},
      {"a long way keeps 50 columns", 1000, 1, 0, 5, 50},
      {"a long way, coarse, keeps 30", 1000, 1, 1, 3, 30},
      {"a crossing centre", 100, 6, 1, 3, 7},
      {"a way of type 5 inside a building", 100, 5, 0, 0, 0},
      {"a way of type 4", 100, 4, 0, 0, 0},
      {"an unknown coarseness", 100, 0, 2, 0, 0},
      {"a way over 50,000 long", 50001, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    grid_->RowCount = grid_->ColCount = 99;
    WayGrid(*grid_, 1000, 5, 2000, c.length, c.waytype, c.coarse);
    EXPECT_EQ(grid_->RowCount, c.rows);
    EXPECT_EQ(grid_->ColCount, c.cols);
  }

  // The four grid corners are the piece's corners; an inner point is the bilinear mix.
  TWay w{};
  w.Init(0, 0);
  CalcWayGroundGrid(*grid_, w, Piece({0, 0, 0}, {0, 8, 40}, {70, 16, 40}, {70, 0, 0}), 0);
  ASSERT_EQ(grid_->ColCount, 10);
  ExpectAt(*grid_, 1, 1, {0, 0, 0});
  ExpectAt(*grid_, 5, 1, {0, 8, 40});
  ExpectAt(*grid_, 5, 10, {70, 16, 40});
  ExpectAt(*grid_, 1, 10, {70, 0, 0});
  ExpectAt(*grid_, 3, 4, {70.0f / 3, 4 + 4.0f / 3, 20});

  // A 200 x 300 building: a point about every 50 units, rows along its first edge.
  TBuilding b{};
  const TVector corners[4] = {{1000, 7, 1000}, {1200, 7, 1000}, {1200, 7, 1300}, {1000, 7, 1300}};
  for (int k = 0; k < 4; ++k) b.Corners[k] = corners[k];
  CalcBuildingGroundGrid(*grid_, b);
  EXPECT_EQ(grid_->RowCount, 6);
  EXPECT_EQ(grid_->ColCount, 8);
  ExpectAt(*grid_, 6, 1, corners[1]);
  ExpectAt(*grid_, 6, 8, corners[2]);
  ExpectAt(*grid_, 1, 8, corners[3]);
  ExpectAt(*grid_, 2, 2, {1040, 7, 1000 + 300.0f / 7});
  // A building too large for the grid keeps 100 points a side.
  b.Corners[1].x = b.Corners[2].x = 1000 + 6000;
  CalcBuildingGroundGrid(*grid_, b);
  EXPECT_EQ(grid_->RowCount, 100);
  EXPECT_EQ(grid_->ColCount, 8);
}

TEST_F(GroundWork, SamplingComparesEachPointWithTheTerrainOnTheMap) {
  std::memset(HeightMap, 0, sizeof(HeightMap));
  for (int x = 0; x < 40; ++x)
    for (int z = 0; z < 40; ++z) HeightMap[x][z] = 10;  // world height 20
  GroundMap[11][20] = 2;                                 // a water cell
  WaterMap[11][20] = 3;
  WayGrid(*grid_, 1000, 25, 2000, 70);  // 5 x 10 points 5 above the ground
  grid_->Point(1, 1).Position.y = 15;             // 5 below
  grid_->Point(1, 2).Position.y = 31;             // 11 above
  grid_->Point(2, 1).Position.x = 6553600;        // column 65,536: off the map, not column 0
  grid_->Point(2, 1).Position.y = -1000;
  grid_->Point(3, 1).Position.x = -60;            // column -1
  grid_->Point(3, 1).Position.y = -1000;
  grid_->Point(5, 3).Position.x = 1100;           // over the water cell
  SampleGroundGrid(*grid_);
  EXPECT_FLOAT_EQ(grid_->MinDiff, -5);
  EXPECT_EQ(grid_->MinRow, 1);
  EXPECT_EQ(grid_->MinCol, 1);
  EXPECT_FLOAT_EQ(grid_->MaxDiff, 11);
  EXPECT_EQ(grid_->MaxRow, 1);
  EXPECT_EQ(grid_->MaxCol, 2);
  EXPECT_FLOAT_EQ(grid_->LowestTerrain, 20);
  EXPECT_EQ(grid_->BelowGround, 1);
  EXPECT_EQ(grid_->OnWater, 1);
  const TGroundPoint& off = grid_->Point(2, 1);
  EXPECT_EQ(off.Column, 65536);
  EXPECT_EQ(off.Difference, 0.0f);
  EXPECT_EQ(off.Terrain, 0.0f);
  EXPECT_EQ(grid_->Point(3, 1).Column, -1);
  EXPECT_EQ(grid_->Point(3, 1).Difference, 0.0f);
  EXPECT_FLOAT_EQ(grid_->Point(5, 3).Water, 26);  // (10 + 3) * 2
  EXPECT_EQ(grid_->Point(5, 3).Column, 11);
  EXPECT_EQ(grid_->Point(5, 3).Row, 20);
  EXPECT_FLOAT_EQ(grid_->Point(4, 4).Terrain, 20);
  EXPECT_FLOAT_EQ(grid_->Point(4, 4).Difference, 5);

  // Nothing below the terrain.
  grid_->Point(1, 1).Position.y = 25;
  SampleGroundGrid(*grid_);
  EXPECT_EQ(grid_->BelowGround, 0);
  EXPECT_FLOAT_EQ(grid_->MinDiff, 5);
}

TEST_F(GroundWork, OverAPitNoHeightChangesButTheCellsAreClearedOfTrees) {
  std::memset(GroundMap, kGroundMeadow, sizeof(GroundMap));
  std::memset(CellFlags, 0x26, sizeof(CellFlags));
  GroundMap[12][21] = 5;
  const TTree inside = Tree(1220, 2010), beside = Tree(1700, 2010), corner = Tree(1000, 2040);
  // 300 x 40 at height 50 over flat ground at 0: the cells x 10..12, z 20.
  WayGrid(GroundGrid, 1000, 50, 2000, 300);
  LandscapeDirty = 0;
  LevelGround();
  EXPECT_EQ(LandscapeDirty, 1);
  for (int x = 0; x < 40; ++x)
    for (int z = 0; z < 40; ++z) ASSERT_EQ(HeightMap[x][z], 0) << x << "," << z;
  for (int x = 10; x <= 12; ++x) {
    SCOPED_TRACE(x);
    EXPECT_EQ(GroundMap[x][20], kGroundLevelled);
    EXPECT_EQ(CellFlags[x][20], kCellBuildingGround);
    EXPECT_EQ(CellFlags[x][21], kCellBuildingGround);  // a neighbour
    EXPECT_EQ(CellFlags[x][22], 0x26);
  }
  EXPECT_EQ(GroundMap[12][21], 5);
  EXPECT_EQ(GroundMap[13][20], kGroundMeadow);
  EXPECT_EQ(CellFlags[13][20], kCellBuildingGround);
  EXPECT_EQ(CellFlags[14][20], 0x26);
  EXPECT_FALSE(ArrayerHolds(kTTreeDesc, inside.Index));
  EXPECT_FALSE(ArrayerHolds(kTTreeDesc, corner.Index));
  EXPECT_TRUE(ArrayerHolds(kTTreeDesc, beside.Index));
  EXPECT_TRUE(testing_support::Warnings().empty());
}

TEST_F(GroundWork, OverAHillTheDeepestVertexGoesDownByHalfItsDepthEachPass) {
  std::memset(HeightMap, 0, sizeof(HeightMap));
  HeightMap[10][20] = 50;  // a hill of world height 100 at (1000, 2000)
  // 20 below the flat ground; the point over the hill lies 120 deep.
  WayGrid(GroundGrid, 1000, -20, 2000, 70);
  LevelGroundPassLimit = 1;
  LevelGround();
  EXPECT_EQ(HeightMap[10][20], 50 - 60);
  EXPECT_EQ(GroundMap[10][20], kGroundLevelled);
  EXPECT_EQ(CellFlags[10][20] & kCellBuildingGround, kCellBuildingGround);
  EXPECT_EQ(testing_support::Warnings(), std::vector<std::string>{kCannotLevel});

  // To the end: every point lies on or above the terrain, and no vertex went up.
  LevelGroundPassLimit = kLevelPassLimit;
  LevelGround();
  SampleGroundGrid(GroundGrid);
  EXPECT_EQ(GroundGrid.BelowGround, 0);
  EXPECT_GE(GroundGrid.MinDiff, 0.0f);
  for (int x = 0; x < 40; ++x)
    for (int z = 0; z < 40; ++z) ASSERT_LE(HeightMap[x][z], x == 10 && z == 20 ? 50 : 0) << x << "," << z;
  EXPECT_EQ(testing_support::Warnings().size(), 1u);
}

TEST_F(GroundWork, LevellingStopsWhereTheWaterDepthWouldOverflow) {
  std::memset(HeightMap, 0, sizeof(HeightMap));
  HeightMap[10][20] = 50;
  CellFlags[10][20] = kCellWaterBearing;
  WaterMap[10][20] = 100;  // lowering by 60 would make it 160
  WayGrid(GroundGrid, 1000, -20, 2000, 70);
  LevelGround();
  EXPECT_EQ(HeightMap[10][20], 50);
  EXPECT_EQ(WaterMap[10][20], 100);
  EXPECT_EQ(GroundMap[10][20], kGroundLevelled);  // the cell is marked all the same
  SampleGroundGrid(GroundGrid);
  EXPECT_EQ(GroundGrid.BelowGround, 1);
  EXPECT_TRUE(testing_support::Warnings().empty());
}

TEST_F(GroundWork, HeightsNeverWrapBelowTheSixteenBitFloor) {
  std::memset(HeightMap, 0, sizeof(HeightMap));
  // 40,000 below the ground: the vertices go down by 20,000 map units and then can go no further.
  WayGrid(GroundGrid, 1000, -40000, 2000, 70);
  LevelGround();
  int lowered = 0;
  for (int x = 0; x < 40; ++x) {
    for (int z = 0; z < 40; ++z) {
      ASSERT_LE(HeightMap[x][z], 0) << x << "," << z;
      if (HeightMap[x][z] < 0) ++lowered;
    }
  }
  EXPECT_GT(lowered, 0);
  // It ended at the floor (not at the pass limit), with the way still below the ground.
  SampleGroundGrid(GroundGrid);
  EXPECT_EQ(GroundGrid.BelowGround, 1);
  EXPECT_TRUE(testing_support::Warnings().empty());
}

TEST_F(GroundWork, TerraformingAVertex) {
  struct Case {
    const char* name;
    int32_t column, row;
    int16_t height;
    uint8_t flags;
    int8_t water;
    int32_t delta;
    uint8_t execute;
    bool ok;
    int16_t newHeight;
    int8_t newWater;
  };
  const Case cases[] = {
      {"raised", 5, 6, 100, 0, 0, 10, 1, true, 110, 0},
      {"lowered", 5, 6, 100, 0, 0, -150, 1, true, -50, 0},
      {"cut at 4000", 5, 6, 3990, 0, 0, 50, 1, true, 4000, 0},
      {"already at 4000", 5, 6, 4000, 0, 0, 1, 1, false, 4000, 0},
      {"down to the 16-bit floor", 5, 6, -32760, 0, 0, -8, 1, true, -32768, 0},
      {"below the 16-bit floor", 5, 6, -32760, 0, 0, -9, 1, false, -32760, 0},
      {"a huge drop", 5, 6, 0, 0, 0, INT32_MIN, 1, false, 0, 0},
      {"nothing to change", 5, 6, 100, 0, 0, 0, 1, false, 100, 0},
      {"only tested", 5, 6, 100, 0, 0, 10, 0, true, 100, 0},
      {"column 1024", 1024, 6, 100, 0, 0, 10, 1, false, 100, 0},
      {"column 65,536", 65536, 6, 100, 0, 0, 10, 1, false, 100, 0},
      {"row -1", 5, -1, 100, 0, 0, 10, 1, false, 100, 0},
      {"water keeps its surface", 5, 6, 100, kCellWaterBearing, 120, -7, 1, true, 93, 127},
      {"water too deep", 5, 6, 100, kCellWaterBearing, 120, -8, 1, false, 100, 120},
      {"water too high", 5, 6, 100, kCellWaterBearing, -120, 9, 1, false, 100, -120},
      {"dry cell ignores its water", 5, 6, 100, 0, 120, -8, 1, true, 92, 120},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetWorldState();
    HeightMap[5][6] = c.height;
    CellFlags[5][6] = c.flags;
    WaterMap[5][6] = c.water;
    LandscapeDirty = 0;
    TConstructResult r = Set({7});
    TerraformVertex(c.column, c.row, c.delta, 1, c.execute, r);
    EXPECT_EQ(r, c.ok ? Set({0}) : Set({2}));
    EXPECT_EQ(HeightMap[5][6], c.newHeight);
    EXPECT_EQ(WaterMap[5][6], c.newWater);
    EXPECT_EQ(LandscapeDirty, c.ok && c.execute == 1 ? 1 : 0);
  }
  // Smoothing recomputes the ground kinds around the vertex.
  ResetWorldState();
  std::memset(GroundMap, 5, sizeof(GroundMap));
  TConstructResult r{};
  TerraformVertex(50, 50, 1000, 1, 1, r);
  EXPECT_NE(GroundMap[50][50], 5);
  TerraformVertex(60, 60, 1000, 0, 1, r);
  EXPECT_EQ(GroundMap[60][60], 5);
}

}  // namespace
