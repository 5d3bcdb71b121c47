#include "network/track/cursor.h"

#include <cmath>
#include <cstring>

#include "engine/base/maths.h"
#include "engine/store/nodepool.h"
#include "engine/store/trainpool.h"
#include "engine/world/records.h"
#include "engine/world/waygeometry.h"
#include "network/track/trackfields.h"

TNodeCursor NodeCursor{};

namespace {

using LD = long double;

constexpr int kForwardSteps = 3;
constexpr int kBackwardSteps = 6;
constexpr LD kHalfPi = 1.5707963267948966L;
constexpr LD kRadToDeg = 57.29577951308232L;
// The word after a way's mesh field holds this for the ways a building declares invisible.
constexpr uint32_t kWayInvisibleMarker = 0xF0000000u;

float F(LD x) { return static_cast<float>(x); }

bool NodeExists(uint32_t n) { return n >= 1 && n <= NodeArrayCount; }

LD LinkLength(uint32_t a, uint32_t b) { return VecDistance(NodeByIndex(b).Position, NodeByIndex(a).Position); }

// The nodes ahead of the train that decide a branch; none without a train.
struct History {
  const uint32_t* List = nullptr;
  int High = -1;
};
History HistoryOf(uint32_t train) {
  if (train == 0 || !IsTrainUsed(train)) return {};
  return {TrainByIndex(train).NodesAhead, kTrainNodesAhead - 1};
}

uint8_t LinkOnPath(uint8_t count, uint32_t second, const uint32_t* list, int high) {
  switch (count) {
    case 1:
      return 1;
    case 2:
      for (int i = 0; i <= high; ++i)
        if (list[i] == second) return 2;
      return 1;
    default:
      return 0;
  }
}

// Cuts the cursor's link with the sphere; takes the hit nearer the link's start (forward) or its
// end (backward) and sets Dist and Out from it.
bool TakeSphereHit(const TVector& p, float step, bool nearStart, TVector& out) {
  TNodeCursor& c = NodeCursor;
  TLineHits hits{};
  LineSphereHits(p, NodeByIndex(c.PrevNode).Position, NodeByIndex(c.CurNode).Position, step, hits);
  if (hits.Count == 0) return false;
  bool second = false;
  if (hits.Count == 2) second = nearStart ? hits.Param2 < hits.Param1 : hits.Param2 > hits.Param1;
  out = second ? hits.Point2 : hits.Point1;
  c.Dist = F(LinkLength(c.PrevNode, c.CurNode) * (second ? hits.Param2 : hits.Param1));
  return true;
}

bool CursorOnPool() {
  const TNodeCursor& c = NodeCursor;
  return NodeExists(c.PrevNode) && NodeExists(c.CurNode);
}

}  // namespace

void PointBetweenNodes(uint32_t a, uint32_t b, TVector& out, float dist) {
  if (!NodeExists(a) || !NodeExists(b)) return;
  const TVector& pa = NodeByIndex(a).Position;
  const TVector& pb = NodeByIndex(b).Position;
  const LD len = LinkLength(a, b);
  if (len == 0) {
    out = pa;
    return;
  }
  const LD f = LD(dist) / len;
  out = {F(pa.x + (LD(pb.x) - pa.x) * f), F(pa.y + (LD(pb.y) - pa.y) * f), F(pa.z + (LD(pb.z) - pa.z) * f)};
}

uint8_t NextLinkOnPath(uint32_t node, const uint32_t* list, int high) {
  if (!NodeExists(node)) return 0;
  const TNode& n = NodeByIndex(node);
  return LinkOnPath(n.NextLinkCount, n.NextLinks[1], list, high);
}

uint8_t PrevLinkOnPath(uint32_t node, const uint32_t* list, int high) {
  if (!NodeExists(node)) return 0;
  const TNode& n = NodeByIndex(node);
  return LinkOnPath(n.PrevLinkCount, n.PrevLinks[1], list, high);
}

bool NodeCursorForward(const TVector& p, TVector& out, uint32_t train, float step) {
  TNodeCursor& c = NodeCursor;
  if (!CursorOnPool()) return false;
  if (step < LinkLength(c.PrevNode, c.CurNode) - c.Dist) {
    c.Dist = F(LD(c.Dist) + step);
    PointBetweenNodes(c.PrevNode, c.CurNode, out, c.Dist);
    return true;
  }
  const History h = HistoryOf(train);
  for (int i = 0; i < kForwardSteps; ++i) {
    const uint8_t k = NextLinkOnPath(c.CurNode, h.List, h.High);
    if (k == 0) return false;
    const uint32_t next = NodeByIndex(c.CurNode).NextLinks[k - 1];
    if (!NodeExists(next)) return false;
    c.PrevNode = c.CurNode;
    c.CurNode = next;
    if (TakeSphereHit(p, step, true, out)) return true;
  }
  return false;
}

bool NodeCursorBackward(const TVector& p, TVector& out, uint32_t train, float step) {
  TNodeCursor& c = NodeCursor;
  if (!CursorOnPool()) return false;
  if (step < c.Dist) {
    c.Dist = F(LD(c.Dist) - step);
    PointBetweenNodes(c.PrevNode, c.CurNode, out, c.Dist);
    return true;
  }
  const History h = HistoryOf(train);
  for (int i = 0; i < kBackwardSteps; ++i) {
    const uint8_t k = PrevLinkOnPath(c.PrevNode, h.List, h.High);
    if (k == 0) return false;
    const uint32_t prev = NodeByIndex(c.PrevNode).PrevLinks[k - 1];
    if (!NodeExists(prev)) return false;
    c.AheadNode = c.CurNode;
    c.CurNode = c.PrevNode;
    c.PrevNode = prev;
    if (TakeSphereHit(p, step, false, out)) return true;
  }
  return false;
}

void OrientationFromPoints(TPlacement& pose, const TVector& front, const TVector& rear) {
  TVector d;
  VecSub(front, rear, d);
  pose.X = front.x;
  pose.Y = front.y;
  pose.Z = front.z;
  pose.Gier = F((-kHalfPi - Heading(d)) * kRadToDeg);
  pose.Nick = F(Pitch(d) * kRadToDeg);
  pose.Roll = 0.0f;
}

void PointOnWayCurve(uint32_t a, uint32_t b, int32_t segments, float dist, TVector& out) {
  if (segments <= 0 || !NodeExists(a) || !NodeExists(b)) return;
  const uint32_t w = NodeByIndex(a).Way;
  if (w == 0) return;
  TWay way;
  way.A_Read(w);
  if (way.Mesh == 0) return;
  uint32_t marker;
  static_assert(sizeof(way.Reserved28) == sizeof(marker));
  std::memcpy(&marker, way.Reserved28, sizeof(marker));
  switch (way.Waytype) {
    case 0:
    case 2:
      if (marker == kWayInvisibleMarker) return;
      break;
    case 1:
    case 5:
    case 6:
      return;
    case 3:
      if (WayPart(way) == kRouterCentrePart) return;
      break;
    default:
      break;
  }
  LD target = LinkLength(a, b);
  TCurveLineGeometry& g = CurveGeometry;
  if (!CurveLineFromWay(g, segments, way, a)) return;
  if (a == way.Nodes[0])
    target = dist;
  else if (a == way.Nodes[2])
    target = target - dist;

  int i = 1;
  LD sum = 0;
  for (;; ++i) {
    if (sum + g.SegmentLength[i] >= target || i == segments) break;
    sum += g.SegmentLength[i];
  }
  const TVector& p0 = g.EdgeB[i - 1];
  const TVector& p1 = g.EdgeB[i];
  const LD len = VecDistance(p1, p0);
  const LD f = len > 0 ? (target - sum) / len : 0;
  out = {F(p0.x + (LD(p1.x) - p0.x) * f), F(p0.y + (LD(p1.y) - p0.y) * f), F(p0.z + (LD(p1.z) - p0.z) * f)};
}
