// Ground work under new ways and buildings: a grid of sample points laid over the object's four
// corners is compared with the terrain, the terrain is lowered where the object would sink into it,
// and the cells under the object become building ground without trees.
//
// Every rounding here goes to the nearest integer, a half to the even neighbour. The map grids are
// the world state's, indexed [column][row] with column = x / 100 and row = z / 100; the world height
// of a vertex is twice its HeightMap value.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/mesh/meshrecords.h"
#include "engine/world/records.h"
#include "network/construction/result.h"

#pragma pack(push, 1)

// One sample point (32 bytes).
struct TGroundPoint {
  TVector Position;
  int32_t Column, Row;  // x / 100 and z / 100, rounded
  float Difference;     // y - terrain
  float Terrain;
  float Water;          // water surface height of a water cell
};
static_assert(sizeof(TGroundPoint) == 32);

constexpr int kGroundGridRoom = 100;

// Up to 100 x 100 sample points over a quadrilateral, rows and columns 1-based.
struct TGroundGrid {
  uint32_t Head;
  TGroundPoint Points[kGroundGridRoom][kGroundGridRoom];
  int32_t RowCount;  // 0: an empty grid
  int32_t ColCount;
  float MaxDiff;     // largest point height - terrain height
  float MinDiff;     // smallest point height - terrain height
  int32_t MaxRow, MinRow;
  int32_t MaxCol, MinCol;
  float LowestTerrain;
  uint8_t BelowGround;  // some point lies below the terrain
  uint8_t OnWater;      // some point lies on a water cell

  TGroundPoint& Point(int row, int col) { return Points[row - 1][col - 1]; }
  const TGroundPoint& Point(int row, int col) const { return Points[row - 1][col - 1]; }
};

#pragma pack(pop)

// The ground grid that the levelling works on.
extern TGroundGrid GroundGrid;

// The highest map value of a height vertex.
constexpr int32_t kHighestGround = 4000;
// LevelGround gives up after LevelGroundPassLimit passes (kLevelPassLimit unless a test lowers it).
constexpr int kLevelPassLimit = 10000;
extern int LevelGroundPassLimit;
// The cell flags the ground work sets and clears.
constexpr uint8_t kCellBuildingGround = 0x10;
constexpr uint8_t kCellWaterBearing = 0x08;
constexpr uint8_t kGroundLevelled = 9;   // the ground kind of levelled cells
constexpr uint8_t kGroundMeadow = 10;    // cleared to kind 9 under a new object

// The grid of a way's piece mesh, from its vertices 1..4 (only waytypes 0..3 and 6): rows across
// the way (V1 -> V2), columns along it (V1 -> V4). Coarse 0: 5 rows and a column about every 7
// units (2..50); Coarse 1: 3 rows and one about every 15 units (2..30); any other value, or a
// ground length V1 - V4 above 50,000 (or not a number), leaves the grid empty. Only the positions
// are written.
void CalcWayGroundGrid(TGroundGrid& grid, const TWay& way, const TMeshdata2& mesh, uint8_t coarse);
// The grid of a building's four corners C1..C4, a point about every 50 units: rows along C1 -> C2,
// columns along C1 -> C4, at most 100 each.
void CalcBuildingGroundGrid(TGroundGrid& grid, const TBuilding& building);
// Compares every point with the terrain: its cell, terrain and water heights and difference, and
// the grid's extremes. A point off the map gets zeros and takes no part.
void SampleGroundGrid(TGroundGrid& grid);
// Levels the terrain under GroundGrid: while some point lies below the terrain, the vertex of the
// deepest point is lowered by half the depth (at least 1), and its cell becomes levelled building
// ground. Then the cells under the grid's corners are cleared (ClearGroundArea). The passes stop
// when a change is refused (the 16-bit floor ends even a point whose terrain hardly follows its
// vertex), or after LevelGroundPassLimit passes with the warning
// "WARNING in Gameplay.LevelGround: the ground could not be levelled".
void LevelGround();
// The passes of the last LevelGround that found a point below the terrain (each tried to lower one
// vertex); for tools that show how the levelling went.
extern int LevelGroundPasses;
// Marks the cells under the area (corners in order round it) and their neighbours as building
// ground, turns meadow into levelled ground and removes the trees standing on the area's cells.
void ClearGroundArea(const TVector& p1, const TVector& p2, const TVector& p3, const TVector& p4);
// Raises (Delta > 0) or lowers a height vertex; the result is {0} when the change can be made,
// {2} when refused: a vertex off the map, a change of nothing (the top is 4000), a height below the
// 16-bit floor, or a water-bearing cell whose depth would leave the signed-byte range. Execute 1
// makes the change (the water surface of a water-bearing cell stays where it was); Smooth recomputes
// the shading and ground kinds around the vertex.
void TerraformVertex(int32_t column, int32_t row, int32_t delta, uint8_t smooth, uint8_t execute,
                     TConstructResult& result);
