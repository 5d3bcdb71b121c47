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

// The point at Dist from A toward B; two nodes at one position give A's position.
TVector PointOnLink(const TVector& pa, const TVector& pb, float dist) {
  const LD len = VecDistance(pb, pa);
  if (len == 0) return pa;
  const LD f = LD(dist) / len;
  return {F(pa.x + (LD(pb.x) - pa.x) * f), F(pa.y + (LD(pb.y) - pa.y) * f), F(pa.z + (LD(pb.z) - pa.z) * f)};
}

LD CursorLinkLength(const TWalkCursor& c) { return VecDistance(c.Cur.Node.Position, c.Prev.Node.Position); }

// Cuts the cursor's link with the sphere; takes the hit nearer the link's start (forward) or its
// end (backward) and sets Dist and Out from it.
bool TakeSphereHit(TWalkCursor& c, const TVector& p, float step, bool nearStart, TVector& out) {
  TLineHits hits{};
  LineSphereHits(p, c.Prev.Node.Position, c.Cur.Node.Position, step, hits);
  if (hits.Count == 0) return false;
  bool second = false;
  if (hits.Count == 2) second = nearStart ? hits.Param2 < hits.Param1 : hits.Param2 > hits.Param1;
  out = second ? hits.Point2 : hits.Point1;
  c.Dist = F(CursorLinkLength(c) * (second ? hits.Param2 : hits.Param1));
  return true;
}

// The node reached over link K of the node's next (Forward) or previous links.
bool FollowLink(const TNodeWalk& walk, const TNodeRecord& from, bool forward, TNodeRecord& to) {
  const uint8_t k = walk.Choose(walk.Context, from, forward);
  if (k != 1 && k != 2) return false;
  to.Index = forward ? from.Node.NextLinks[k - 1] : from.Node.PrevLinks[k - 1];
  return walk.Read(walk.Context, to.Index, to.Node);
}

// The game's walk: the node pool, and at a branch the train's nodes ahead.
bool ReadPoolNode(const void*, uint32_t n, TNode& out) {
  if (!NodeInPool(n)) return false;
  out = NodeByIndex(n);
  return true;
}

uint8_t ChooseOnPath(const void* context, const TNodeRecord& node, bool forward) {
  const History& h = *static_cast<const History*>(context);
  const TNode& n = node.Node;
  return forward ? LinkOnPath(n.NextLinkCount, n.NextLinks[1], h.List, h.High)
                 : LinkOnPath(n.PrevLinkCount, n.PrevLinks[1], h.List, h.High);
}

// Runs a move of the walk on the one cursor of the node pool.
template <bool Forward>
bool MovePoolCursor(const TVector& p, TVector& out, uint32_t train, float step) {
  TNodeCursor& c = NodeCursor;
  if (!NodeInPool(c.PrevNode) || !NodeInPool(c.CurNode)) return false;
  const History h = HistoryOf(train);
  const TNodeWalk walk{ReadPoolNode, ChooseOnPath, &h};
  TWalkCursor w{{c.PrevNode, NodeByIndex(c.PrevNode)}, {c.CurNode, NodeByIndex(c.CurNode)}, c.AheadNode, c.Dist};
  const bool moved = Forward ? WalkCursorForward(w, walk, p, out, step) : WalkCursorBackward(w, walk, p, out, step);
  c.PrevNode = w.Prev.Index;
  c.CurNode = w.Cur.Index;
  c.AheadNode = w.AheadIndex;
  c.Dist = w.Dist;
  return moved;
}

}  // namespace

void PointBetweenNodes(uint32_t a, uint32_t b, TVector& out, float dist) {
  if (!NodeInPool(a) || !NodeInPool(b)) return;
  out = PointOnLink(NodeByIndex(a).Position, NodeByIndex(b).Position, dist);
}

uint8_t NextLinkOnPath(uint32_t node, const uint32_t* list, int high) {
  if (!NodeInPool(node)) return 0;
  const TNode& n = NodeByIndex(node);
  return LinkOnPath(n.NextLinkCount, n.NextLinks[1], list, high);
}

uint8_t PrevLinkOnPath(uint32_t node, const uint32_t* list, int high) {
  if (!NodeInPool(node)) return 0;
  const TNode& n = NodeByIndex(node);
  return LinkOnPath(n.PrevLinkCount, n.PrevLinks[1], list, high);
}

bool WalkCursorForward(TWalkCursor& c, const TNodeWalk& walk, const TVector& p, TVector& out, float step) {
  if (step < CursorLinkLength(c) - c.Dist) {
    c.Dist = F(LD(c.Dist) + step);
    out = PointOnLink(c.Prev.Node.Position, c.Cur.Node.Position, c.Dist);
    return true;
  }
  for (int i = 0; i < kForwardSteps; ++i) {
    TNodeRecord next;
    if (!FollowLink(walk, c.Cur, true, next)) return false;
    c.Prev = c.Cur;
    c.Cur = next;
    if (TakeSphereHit(c, p, step, true, out)) return true;
  }
  return false;
}

bool WalkCursorBackward(TWalkCursor& c, const TNodeWalk& walk, const TVector& p, TVector& out, float step) {
  if (step < c.Dist) {
    c.Dist = F(LD(c.Dist) - step);
    out = PointOnLink(c.Prev.Node.Position, c.Cur.Node.Position, c.Dist);
    return true;
  }
  for (int i = 0; i < kBackwardSteps; ++i) {
    TNodeRecord prev;
    if (!FollowLink(walk, c.Prev, false, prev)) return false;
    c.AheadIndex = c.Cur.Index;
    c.Cur = c.Prev;
    c.Prev = prev;
    if (TakeSphereHit(c, p, step, false, out)) return true;
  }
  return false;
}

bool NodeCursorForward(const TVector& p, TVector& out, uint32_t train, float step) {
  return MovePoolCursor<true>(p, out, train, step);
}

bool NodeCursorBackward(const TVector& p, TVector& out, uint32_t train, float step) {
  return MovePoolCursor<false>(p, out, train, step);
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
  if (segments <= 0 || !NodeInPool(a) || !NodeInPool(b)) return;
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

  PointAlongCurveLine(g.EdgeB, g.SegmentLength, segments, target, out);
}
