// Ground work under new ways and buildings.
#include "network/construction/ground.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "network/world/areas.h"
#include "network/world/terrain.h"

TGroundGrid GroundGrid;
int LevelGroundPassLimit = kLevelPassLimit;
int LevelGroundPasses = 0;

namespace {

// A map coordinate from a world coordinate: x / 100 rounded, half to even, saturated to the 32-bit
// range (not a number reads -1). The map test is made on this whole value.
int32_t MapCoordinate(float world) {
  const long double r = std::nearbyint(static_cast<long double>(world) / 100.0L);
  if (!(r == r)) return -1;
  if (r < -2147483648.0L) return INT32_MIN;
  if (r > 2147483647.0L) return INT32_MAX;
  return static_cast<int32_t>(r);
}

bool OnMap(int64_t column, int64_t row) { return column >= 0 && column < kMapSize && row >= 0 && row < kMapSize; }

int32_t RoundedCount(float value, int32_t lowest, int32_t highest) {
  const double r = std::nearbyint(static_cast<double>(value));
  if (!(r >= lowest)) return lowest;
  if (r > highest) return highest;
  return static_cast<int32_t>(r);
}

TVector Lerp(const TVector& a, const TVector& b, float t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
}

float Length3(const TVector& a, const TVector& b) {
  const float dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Point (i, j) is the bilinear point of the corners at fractions (i - 1) / (rows - 1) from C1
// toward C2 and (j - 1) / (cols - 1) from C1 toward C4; the grid's four corners are the corners.
void FillGrid(TGroundGrid& grid, const TVector& c1, const TVector& c2, const TVector& c3, const TVector& c4) {
  const int rows = grid.RowCount, cols = grid.ColCount;
  for (int i = 1; i <= rows; ++i) {
    const float u = rows > 1 ? static_cast<float>(i - 1) / static_cast<float>(rows - 1) : 0.0f;
    const TVector near = i == rows ? c2 : Lerp(c1, c2, u);  // on the edge C1 - C2
    const TVector far = i == rows ? c3 : Lerp(c4, c3, u);   // on the edge C4 - C3
    for (int j = 1; j <= cols; ++j) {
      const float v = cols > 1 ? static_cast<float>(j - 1) / static_cast<float>(cols - 1) : 0.0f;
      TGroundPoint& p = grid.Point(i, j);
      p.Position = j == cols ? far : Lerp(near, far, v);
    }
  }
}

TVector VertexPosition(const TMeshdata2& mesh, int i) {
  const TMeshVertex v = mesh.Vertex(i);
  return {v.x, v.y, v.z};
}

}  // namespace

void CalcWayGroundGrid(TGroundGrid& grid, const TWay& way, const TMeshdata2& mesh, uint8_t coarse) {
  grid.RowCount = 0;
  grid.ColCount = 0;
  const uint8_t type = way.Waytype;
  if (type > 3 && type != 6) return;
  if (mesh.VertexCount < 4) return;
  const TVector v1 = VertexPosition(mesh, 1), v2 = VertexPosition(mesh, 2), v3 = VertexPosition(mesh, 3),
                v4 = VertexPosition(mesh, 4);
  const float dx = v4.x - v1.x, dz = v4.z - v1.z;
  const float length = std::sqrt(dx * dx + dz * dz);
  if (!(length >= 0.0f && length <= 50000.0f)) return;
  if (coarse == 0) {
    grid.RowCount = 5;
    grid.ColCount = RoundedCount(length / 7.0f, 2, 50);
  } else if (coarse == 1) {
    grid.RowCount = 3;
    grid.ColCount = RoundedCount(length / 15.0f, 2, 30);
  } else {
    return;
  }
  FillGrid(grid, v1, v2, v3, v4);
}

void CalcBuildingGroundGrid(TGroundGrid& grid, const TBuilding& building) {
  const TVector c1 = building.Corners[0], c2 = building.Corners[1], c3 = building.Corners[2],
                c4 = building.Corners[3];
  const float a = std::max(Length3(c1, c2), Length3(c4, c3));
  const float b = std::max(Length3(c1, c4), Length3(c2, c3));
  grid.RowCount = std::min(RoundedCount(a / 100.0f * 2.0f, 0, kGroundGridRoom) + 2, kGroundGridRoom);
  grid.ColCount = std::min(RoundedCount(b / 100.0f * 2.0f, 0, kGroundGridRoom) + 2, kGroundGridRoom);
  FillGrid(grid, c1, c2, c3, c4);
}

void SampleGroundGrid(TGroundGrid& grid) {
  grid.MaxDiff = -500000.0f;
  grid.MinDiff = 500000.0f;
  grid.LowestTerrain = 500000.0f;
  grid.BelowGround = 0;
  grid.OnWater = 0;
  const int rows = std::clamp(grid.RowCount, 0, kGroundGridRoom), cols = std::clamp(grid.ColCount, 0, kGroundGridRoom);
  for (int i = 1; i <= rows; ++i) {
    for (int j = 1; j <= cols; ++j) {
      TGroundPoint& p = grid.Point(i, j);
      const TVector at = p.Position;
      p.Column = MapCoordinate(at.x);
      p.Row = MapCoordinate(at.z);
      if (!OnMap(p.Column, p.Row)) {
        p.Difference = 0.0f;
        p.Terrain = 0.0f;
        p.Water = 0.0f;
        continue;
      }
      p.Water = 0.0f;
      if (GroundMap[p.Column][p.Row] <= 4) {
        grid.OnWater = 1;
        p.Water = static_cast<float>((HeightMap[p.Column][p.Row] + WaterMap[p.Column][p.Row]) * 2);
      }
      const float terrain = HeightAt(at.x, at.z);
      p.Terrain = terrain;
      grid.LowestTerrain = std::min(grid.LowestTerrain, terrain);
      const float difference = at.y - terrain;
      p.Difference = difference;
      if (difference > grid.MaxDiff) {
        grid.MaxDiff = difference;
        grid.MaxRow = i;
        grid.MaxCol = j;
      }
      if (difference < grid.MinDiff) {
        grid.MinDiff = difference;
        grid.MinRow = i;
        grid.MinCol = j;
      }
      if (difference < 0.0f) grid.BelowGround = 1;
    }
  }
}

void LevelGround() {
  TGroundGrid& grid = GroundGrid;
  TConstructResult r = TConstructResult::Success();
  LevelGroundPasses = 0;
  for (int pass = 0;; ++pass) {
    SampleGroundGrid(grid);
    if (!grid.BelowGround) break;
    if (pass >= LevelGroundPassLimit) {
      SYS_Warning("WARNING in Gameplay.LevelGround: the ground could not be levelled");
      break;
    }
    const TGroundPoint deepest = grid.Point(grid.MinRow, grid.MinCol);
    // Only points on the map are compared, so the deepest one lies on it.
    if (!OnMap(deepest.Column, deepest.Row)) break;
    // Half the depth, saturated: a point far below the floor of the heights asks for a change
    // that is refused, never for one that does not fit.
    int32_t delta = RoundToInt(static_cast<long double>(grid.MinDiff) / 2.0L);
    if (delta == 0) delta = -1;
    ++LevelGroundPasses;
    TerraformVertex(deepest.Column, deepest.Row, delta, 1, 1, r);
    GroundMap[deepest.Column][deepest.Row] = kGroundLevelled;
    uint8_t& flags = CellFlags[deepest.Column][deepest.Row];
    flags = static_cast<uint8_t>((flags | kCellBuildingGround) & ~0x06);
    if (!r.Ok()) break;
  }
  LandscapeDirty = 1;
  if (grid.RowCount < 1 || grid.ColCount < 1) return;
  const int rows = std::min(grid.RowCount, kGroundGridRoom), cols = std::min(grid.ColCount, kGroundGridRoom);
  // Round the grid: (1, 1), (rows, 1), (rows, cols), (1, cols).
  ClearGroundArea(grid.Point(1, 1).Position, grid.Point(rows, 1).Position, grid.Point(rows, cols).Position,
                  grid.Point(1, cols).Position);
}

void ClearGroundArea(const TVector& p1, const TVector& p2, const TVector& p3, const TVector& p4) {
  const TVector corners[4] = {p1, p2, p3, p4};
  auto cells = std::make_unique<TAreaCells>();
  const int32_t count = FillLAndArray(corners, *cells);
  if (count <= 0) return;
  // The listed cells as column * kMapSize + row, sorted, for the trees below.
  std::vector<int32_t> listed;
  listed.reserve(static_cast<size_t>(count));
  for (int32_t k = 0; k < count; ++k) {
    const TMapCell cell = cells->Cells[k];
    if (!OnMap(cell.Column, cell.Row)) continue;
    listed.push_back(cell.Column * kMapSize + cell.Row);
    if (GroundMap[cell.Column][cell.Row] == kGroundMeadow) GroundMap[cell.Column][cell.Row] = kGroundLevelled;
    for (int c = cell.Column - 1; c <= cell.Column + 1; ++c) {
      for (int r = cell.Row - 1; r <= cell.Row + 1; ++r) {
        if (!OnMap(c, r)) continue;
        CellFlags[c][r] = static_cast<uint8_t>((CellFlags[c][r] | kCellBuildingGround) & ~0x26);
      }
    }
  }
  std::sort(listed.begin(), listed.end());
  TTree tree{};
  for (uint32_t i = FindInArrayerOA(kARTypeTree, 0); i != 0; i = FindInArrayerOA(kARTypeTree, i)) {
    tree.A_Read(i);
    const TVector at = tree.Position;
    const int32_t c = MapCoordinate(at.x), r = MapCoordinate(at.z);
    if (OnMap(c, r) && std::binary_search(listed.begin(), listed.end(), c * kMapSize + r)) tree.Destroy();
  }
}

void TerraformVertex(int32_t column, int32_t row, int32_t delta, uint8_t smooth, uint8_t execute,
                     TConstructResult& result) {
  result.Assign(2);
  if (!OnMap(column, row)) return;
  const int64_t old = HeightMap[column][row];
  const int64_t changed = std::min<int64_t>(old + delta, kHighestGround);
  if (changed < INT16_MIN) return;
  const bool waterBearing = (CellFlags[column][row] & kCellWaterBearing) != 0;
  const int64_t water = WaterMap[column][row] - (changed - old);
  if (waterBearing && (water < -128 || water > 127)) return;
  if (changed == old) return;
  result.Assign(0);
  if (execute != 1) return;
  HeightMap[column][row] = static_cast<int16_t>(changed);
  if (waterBearing) WaterMap[column][row] = static_cast<int8_t>(water);
  if (smooth) UpdateLandRect(column - 1, column + 1, row - 1, row + 1, true);
  LandscapeDirty = 1;
}
