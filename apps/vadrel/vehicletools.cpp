#include "apps/vadrel/vehicletools.h"

#include <algorithm>
#include <cmath>

#include "engine/base/text.h"

namespace vadrel {

TBoundResult MeshBound(const std::array<const TMesh2*, 5>& rows) {
  TBoundResult b{16777215.0f, 16777215.0f, 16777215.0f, 0.0f, 0.0f, 0.0f};
  for (const TMesh2* mesh : rows) {
    if (!mesh) continue;
    const int count = std::min<int>(mesh->VertexCount, kMeshMaxVertices);
    for (int i = 1; i <= count; ++i) {
      const TMeshVertex& v = mesh->Vertex(i);
      b.MinX = std::min(b.MinX, v.x);
      b.MinY = std::min(b.MinY, v.y);
      b.MinZ = std::min(b.MinZ, v.z);
      b.MaxX = std::max(b.MaxX, v.x);
      b.MaxY = std::max(b.MaxY, v.y);
      b.MaxZ = std::max(b.MaxZ, v.z);
    }
  }
  return b;
}

std::vector<TSilhouettePoint> SilhouetteCircle(int32_t first, int32_t count, float radius, float cx, float cy,
                                               float cz) {
  std::vector<TSilhouettePoint> points;
  if (count <= 0) return points;
  // Only the points that land on rows 1 .. 51.
  const int64_t from = std::max<int64_t>(0, 1 - int64_t{first});
  const int64_t to = std::min<int64_t>(int64_t{count} - 1, kSilhouetteRows - int64_t{first});
  const long double pi = 3.14159265358979323846264338327950288L;
  for (int64_t i = from; i <= to; ++i) {
    const long double a = 2.0L * pi * static_cast<long double>(i) / static_cast<long double>(count);
    TSilhouettePoint p;
    p.Row = static_cast<int32_t>(first + i);
    p.X = static_cast<float>(std::cos(a) * radius + cx);
    p.Y = static_cast<float>(std::sin(a) * radius + cy);
    p.Z = cz;
    points.push_back(p);
  }
  return points;
}

std::string ToolNumberText(float x) {
  std::string s = FloatToStrDigits(2, x);
  if (!s.empty() && s[0] == '-' && s.find_first_not_of("0.", 1) == std::string::npos) s.erase(0, 1);
  return s;
}

}  // namespace vadrel
