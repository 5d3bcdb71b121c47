// Map areas: the map cells under a four-corner area, and the platform beside a station track.
#pragma once

#include <cstdint>

#include "engine/base/types.h"

struct TMesh2;
struct TBuilding;

constexpr int32_t kAreaCellRoom = 10000;
constexpr float kCellSize = 100.0f;

struct TMapCell {
  int32_t Column;  // x / 100
  int32_t Row;     // z / 100
};
struct TAreaCells {
  TMapCell Cells[kAreaCellRoom];  // 0-based
};

// Lists the map cells of the area between the four corners (in order round the area) row by row
// along z: each row of 100 units is sampled at its centre (within the area's z range) and lists
// the cells whose x range meets the area's between its left and right edge; an area narrower than
// a cell still lists the cell it lies in. Rows off the map are skipped, columns clamped to it.
// Past 10,000 cells the last entry is overwritten. Returns the number listed; 0 warns.
int32_t FillLAndArray(const TVector (&corners)[4], TAreaCells& cells);

// The platform width, its rise above the track and its depth.
constexpr float kPlatformWidth = 20.0f;
constexpr float kPlatformRise = 10.0f;
constexpr float kPlatformDepth = 100.0f;
// The StandardTextures entry of the platform texture.
constexpr int kPlatformTextureEntry = 5;

// The platform beside a station-track piece, from the piece mesh's first four vertices: side 1
// lies beyond the edge V1-V4, side 3 beyond V2-V3 (any other side keeps the platform's corners).
// Fills the platform's ground corners and heights and builds its block mesh.
void CalcPlatformGeometry(const TMesh2& pieceMesh, TBuilding& platform, TMesh2& mesh, uint8_t side);
