// The arithmetic of the two tools that fill controls for the author: the bounding box from the
// part meshes and the circle of light silhouette points.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/mesh/mesh.h"

namespace vadrel {

// Rows of the light silhouette grid that the record keeps.
constexpr int32_t kSilhouetteRows = 51;

struct TBoundResult {
  float MinX, MinY, MinZ;
  float MaxX, MaxY, MaxZ;
};

// The box of the vertices of the checked rows' meshes (nullptr for a row whose box is off), as
// the mesh stores them: the row's placement is not applied. The minimum starts at 16,777,215.0
// and the maximum at 0.0 on every axis, so the box always reaches 0 on its upper side.
TBoundResult MeshBound(const std::array<const TMesh2*, 5>& rows);

struct TSilhouettePoint {
  int32_t Row;  // 1 .. kSilhouetteRows
  float X, Y, Z;
};

// The circle of silhouette points: for i = 0 .. Count - 1 with the angle a = 2 pi i / Count, row
// First + i gets (cos(a) Radius + Cx, sin(a) Radius + Cy, Cz). Rows outside 1 .. 51 get
// nothing; a Count of 0 or less gives no point.
std::vector<TSilhouettePoint> SilhouetteCircle(int32_t first, int32_t count, float radius, float cx, float cy,
                                               float cz);

// A value as the tools write it: two decimals; a value that rounds to zero shows as "0.00".
std::string ToolNumberText(float x);

}  // namespace vadrel
