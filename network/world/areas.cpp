#include "network/world/areas.h"

#include <algorithm>
#include <cmath>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/world/records.h"

namespace {

// Cell borders are taken with this tolerance (in cells), so an edge lying on a border (or nudged
// off it by a fraction of a unit) does not reach into the next cell.
constexpr double kBorderTolerance = 0.0005;

// The x range of the area on the line z = at: the crossings of its edges with that line.
bool RowRange(const TVector (&c)[4], double at, double& left, double& right) {
  bool any = false;
  for (int k = 0; k < 4; ++k) {
    const TVector& a = c[k];
    const TVector& b = c[(k + 1) % 4];
    const double za = a.z, zb = b.z;
    if (at < std::min(za, zb) || at > std::max(za, zb)) continue;
    double xs[2];
    int n = 0;
    if (za == zb) {
      xs[n++] = a.x;
      xs[n++] = b.x;
    } else {
      xs[n++] = a.x + (static_cast<double>(b.x) - a.x) * (at - za) / (zb - za);
    }
    for (int i = 0; i < n; ++i) {
      if (!any) left = right = xs[i];
      left = std::min(left, xs[i]);
      right = std::max(right, xs[i]);
      any = true;
    }
  }
  return any;
}

}  // namespace

int32_t FillLAndArray(const TVector (&corners)[4], TAreaCells& cells) {
  const auto fail = [] {
    SYS_Warning("ERROR: GamePlay: FillLAndArray: The Result = 0, wich mean Error or not on Map");
    return 0;
  };
  // In their cyclic order from the corner with the smallest z.
  int first = 0;
  for (int k = 0; k < 4; ++k) {
    if (!std::isfinite(corners[k].x) || !std::isfinite(corners[k].z)) return fail();
    if (corners[k].z > 2147483647.0f) return fail();
    if (corners[k].z < corners[first].z) first = k;
  }
  TVector c[4];
  for (int k = 0; k < 4; ++k) c[k] = corners[(first + k) % 4];
  // Nearly vertical edges are nudged apart.
  for (int k = 1; k < 4; ++k)
    if (std::fabs(c[k].x - c[k - 1].x) < 0.01f) c[k].x = c[k - 1].x + 0.02f;
  if (std::fabs(c[3].x - c[0].x) < 0.01f) c[3].x = c[0].x + 0.02f;

  double minZ = c[0].z, maxZ = c[0].z;
  for (const TVector& v : c) {
    minZ = std::min<double>(minZ, v.z);
    maxZ = std::max<double>(maxZ, v.z);
  }
  // Rows whose band meets the area's z range, cut to the map.
  const double firstRow = std::max(0.0, std::floor(minZ / kCellSize + kBorderTolerance));
  double lastRow = std::ceil(maxZ / kCellSize - kBorderTolerance) - 1.0;
  lastRow = std::min<double>(std::max(lastRow, std::floor(minZ / kCellSize + kBorderTolerance)), kMapSize - 1);
  int32_t count = 0;
  for (double r = firstRow; r <= lastRow; r += 1.0) {
    const double at = std::clamp(r * kCellSize + kCellSize / 2.0, minZ, maxZ);
    double left = 0.0, right = 0.0;
    if (!RowRange(c, at, left, right)) continue;
    double from = std::floor(left / kCellSize + kBorderTolerance);
    double to = std::ceil(right / kCellSize - kBorderTolerance) - 1.0;
    if (to < from) to = from;
    from = std::clamp(from, 0.0, static_cast<double>(kMapSize - 1));
    to = std::clamp(to, 0.0, static_cast<double>(kMapSize - 1));
    for (double col = from; col <= to; col += 1.0) {
      const int32_t at_ = count < kAreaCellRoom ? count : kAreaCellRoom - 1;
      cells.Cells[at_] = {static_cast<int32_t>(col), static_cast<int32_t>(r)};
      if (count < kAreaCellRoom) ++count;
    }
  }
  if (count == 0) return fail();
  return count;
}

void CalcPlatformGeometry(const TMesh2& piece, TBuilding& platform, TMesh2& mesh, uint8_t side) {
  const auto corner = [&piece](int i) {
    const TMeshVertex& v = piece.Vertex(i);
    return TVector{v.x, v.y, v.z};
  };
  const TVector v1 = corner(1), v2 = corner(2), v3 = corner(3), v4 = corner(4);
  TVector d1, d2;
  VecSub(v1, v2, d1);
  Normalize(d1);
  VecScaleSelf(d1, kPlatformWidth);
  VecSub(v4, v3, d2);
  Normalize(d2);
  VecScaleSelf(d2, kPlatformWidth);
  TVector* c = platform.Corners;
  if (side == 1) {
    c[0] = v1;
    VecAdd(v1, d1, c[1]);
    VecAdd(v4, d2, c[2]);
    c[3] = v4;
  } else if (side == 3) {
    VecSub(v2, d1, c[0]);
    c[1] = v2;
    c[2] = v3;
    VecSub(v3, d2, c[3]);
  }
  for (int k = 0; k < 4; ++k) c[k].y += kPlatformRise;
  const float repeat = VecDistanceXZ(c[0], c[2]) / 80.0f;
  BuildBlockMesh(mesh, c[0], c[1], c[2], c[3], kPlatformDepth, true, StandardTextures[kPlatformTextureEntry], repeat);
  platform.HighHeight = c[0].y;
  platform.LowHeight = platform.HighHeight - kPlatformDepth;
}
