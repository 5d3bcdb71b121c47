#include "apps/brumin/preview.h"

#include <algorithm>
#include <cmath>

#include "engine/base/buildingmaths.h"

namespace brumin {

bool LinkFollowed(int32_t link) { return link != 0 && TPreviewNodes::Has(link); }

namespace {

bool NearZero(float v) { return std::fabs(v) <= 0.000001f; }

// The inner half width (where the way nodes lie) and the outer one (the strip's corners).
void HalfWidths(int32_t wayType, float& inner, float& outer) {
  inner = 0.0f;
  outer = 0.0f;
  if (wayType == wtRail) outer = 15.0f;
  if (wayType == wtRoad) {
    inner = 20.0f;
    outer = 40.0f;
  }
}

// base + d with d's x and z scaled by `half`; its y is added unscaled.
TVector Beside(const TVector& base, const TVector& d, float half) {
  return {base.x + d.x * half, base.y + d.y, base.z + d.z * half};
}

void SetNode(TPreviewNode& n, const TVector& p) {
  n.X = p.x;
  n.Y = p.y;
  n.Z = p.z;
  n.Visible = true;
}

}  // namespace

void BuildPreviewNodes(const std::array<TNodeRow, 101>& rows, const TWayedSettings& way, TPreviewNodes& nodes,
                       TWayPreview& strip) {
  for (int32_t k = 1; k <= 100; ++k) {
    const TNodeRow& r = rows[static_cast<size_t>(k)];
    TPreviewNode& n = nodes[k];
    n.X = r.X;
    n.Y = r.Y;
    n.Z = r.Z;
    n.Next1 = r.Next1;
    n.Next2 = r.Next2;
    n.Kind = (r.Station ? 1 : 0) + (r.Switcher ? 2 : 0) + (r.Scripted ? 4 : 0);
    n.Visible = !(n.Next1 == 0 && n.Next2 == 0 && n.Kind == 0 && NearZero(n.X) && NearZero(n.Y) && NearZero(n.Z));
  }
  nodes[-2].Visible = way.Wayed;
  nodes[-1].Visible = way.Wayed;
  nodes[0].Visible = false;
  strip.WayPreviewVisible = way.Wayed;
  if (!way.Wayed) return;

  const TVector w1 = way.Waypoint1, w2 = way.Waypoint2;
  nodes[-1] = {w1.x, w1.y, w1.z, kWaypointKind, -2, 0, true};
  nodes[-2] = {w2.x, w2.y, w2.z, kWaypointKind, 0, 0, true};

  float inner = 0.0f, outer = 0.0f;
  HalfWidths(way.WayType, inner, outer);
  TVector d;
  VecSub(w2, w1, d);
  TVector p = {d.z, d.y, d.x};  // across the line, in the ground plane
  Normalize(p);
  const TVector a = {-p.x, p.y, p.z}, b = {p.x, p.y, -p.z};

  SetNode(nodes[1], Beside(w2, a, inner));
  SetNode(nodes[2], Beside(w2, b, inner));
  SetNode(nodes[3], Beside(w1, b, inner));
  SetNode(nodes[4], Beside(w1, a, inner));
  strip.WayEdgePoints = {Beside(w2, a, outer), Beside(w2, b, outer), Beside(w1, b, outer), Beside(w1, a, outer)};
  // The two lanes: node 4 to node 1 and node 2 to node 3, unless the grid links them itself.
  const struct {
    int32_t node, next;
  } lanes[3] = {{2, 3}, {3, 0}, {4, 1}};
  for (const auto& lane : lanes) {
    TPreviewNode& n = nodes[lane.node];
    if (n.Next1 != 0) continue;
    if (lane.next != 0) n.Next1 = lane.next;
    n.Next2 = 0;
  }
}

void RotateVectorDeg(const TVector& Src, TVector& Dst, float AngleX, float AngleY, float AngleZ) {
  Dst = Src;
  constexpr float kRad = 0.0174533f;
  auto turn = [&Dst](float angle, void (*rotate)(TVector&, float, float)) {
    if (angle == 0.0f) return;
    const long double a = static_cast<long double>(angle) * kRad;
    rotate(Dst, static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)));
  };
  turn(AngleZ, RotateZ);
  turn(AngleX, RotateX);
  turn(AngleY, RotateY);
}

TAutoBound AutoBound(const TPreviewBlocks& blocks) {
  float lo[3] = {16777215.0f, 16777215.0f, 16777215.0f};
  float hi[3] = {0.0f, 0.0f, 0.0f};
  for (int k = 1; k <= 10; ++k) {
    const TPreviewBlock& block = blocks[static_cast<size_t>(k)];
    if (!block.Loaded) continue;
    const TPreviewPlacement& at = block.RowPlacement;
    const int count = std::min<int>(block.Mesh.VertexCount, kBlockMaxVertices);
    for (int v = 1; v <= count; ++v) {
      TVector p;
      RotateVectorDeg(block.Mesh.Vertex(v), p, at.Nick, at.Gier, at.Roll);
      const float placed[3] = {p.x + at.X, p.y + at.Y, p.z + at.Z};
      for (int axis = 0; axis < 3; ++axis) {
        hi[axis] = std::max(hi[axis], placed[axis]);
        lo[axis] = std::min(lo[axis], placed[axis]);
      }
    }
  }
  return {{lo[0], lo[1], lo[2]}, {hi[0], hi[1], hi[2]}};
}

}  // namespace brumin
