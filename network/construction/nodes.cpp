#include "network/construction/nodes.h"

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/store/connectpool.h"
#include "network/construction/connects.h"
#include "network/construction/curveline.h"

uint32_t NewNode(uint8_t corner, const TVector& pos, uint32_t connect) {
  if (connect == 0) SYS_BREAKPROGRAM("Error in NewNode: con=0!");
  TConnect c;
  GetConnect(c, connect);
  const uint32_t ways = ConnectWayCount(c);
  if (ways == 2) SYS_BREAKPROGRAM("Error in NewNode: con has 2 ways");
  if (ways == 0) {
    TNode node{};
    InitNode(node, pos);
    return AddNode(node);
  }
  TWay way{};
  way.A_Read(c.WayA);
  const bool evenCorner = corner == 2 || corner == 4;
  if (ConnectEnd(way, connect) == 2) return evenCorner ? way.Nodes[0] : way.Nodes[1];
  return evenCorner ? way.Nodes[2] : way.Nodes[3];
}

void SetNodeWay(const TWay& way, uint32_t node) {
  TNode& n = NodeByIndex(node);
  n.Way = way.Index;
  if (way.State < 2)
    n.Flags &= static_cast<uint8_t>(~kNodeFlagRouteEnd);
  else if (way.State <= 3)
    n.Flags |= kNodeFlagRouteEnd;
}

void LinkWayNodes(const TWay& way) {
  const uint8_t part = WayPart(way);
  if ((way.Waytype == 1 || way.Waytype == 6) && part == 5) return;
  if (way.Waytype == 3 && part == 4) return;
  LinkNodes(way.Nodes[0], way.Nodes[3]);
  LinkNodes(way.Nodes[2], way.Nodes[1]);
}

namespace {
void RefreshCurve(uint32_t index) {
  TNode& n = NodeByIndex(index);
  if (n.PrevLinkCount >= 1 && n.NextLinkCount >= 1) {
    CalcNodeCurve(index);
  } else {
    SetCurveValue(n, 0, kNoCurve);
    SetCurveValue(n, 1, kNoCurve);
  }
}
}  // namespace

void LinkNodes(uint32_t from, uint32_t to) {
  TNode& a = NodeByIndex(from);
  TNode& b = NodeByIndex(to);
  const long double d = VecDistance(a.Position, b.Position);
  if (d > 2147483647.0L) SYS_BREAKPROGRAM("Error in LinkNodes: Distance is irreal large");
  // A node holds two links each way; a third would run past the record.
  if (a.NextLinkCount >= 2) SYS_BREAKPROGRAM("Error in LinkNodes: a node cannot have more than 2 next nodes");
  if (b.PrevLinkCount >= 2) SYS_BREAKPROGRAM("Error in LinkNodes: a node cannot have more than 2 previous nodes");
  a.NextLinks[a.NextLinkCount] = to;
  SetLinkLength(a, a.NextLinkCount, RoundToInt(d));
  ++a.NextLinkCount;
  b.PrevLinks[b.PrevLinkCount] = from;
  ++b.PrevLinkCount;
  RefreshCurve(to);
  RefreshCurve(from);
  for (int i = 0; i < a.PrevLinkCount; ++i) RefreshCurve(a.PrevLinks[i]);
}

void UnlinkNextNodes(uint32_t from) {
  TNode& a = NodeByIndex(from);
  while (a.NextLinkCount > 0) {
    const uint32_t to = a.NextLinks[--a.NextLinkCount];
    if (!NodeInPool(to)) continue;
    TNode& b = NodeByIndex(to);
    for (int p = 0; p < b.PrevLinkCount && p < 2; ++p) {
      if (b.PrevLinks[p] != from) continue;
      if (p == 0) b.PrevLinks[0] = b.PrevLinks[1];
      --b.PrevLinkCount;
      break;
    }
    RefreshCurve(to);
  }
  RefreshCurve(from);
}

void CalcNodeCurve(uint32_t node) {
  TNode& n = NodeByIndex(node);
  for (int k = 0; k < n.NextLinkCount && k < 2; ++k) {
    const TNode& next = NodeByIndex(n.NextLinks[k]);
    TVector out;
    VecSub(next.Position, n.Position, out);
    float a = 0.0f;
    for (int p = 0; p < n.PrevLinkCount && p < 2; ++p) {
      TVector in;
      VecSub(n.Position, NodeByIndex(n.PrevLinks[p]).Position, in);
      const float bend = AngleBetweenXZ(out, in);
      if (bend > a) a = bend;
    }
    // Held in 1..90 degrees; an undefined bend (a link of no ground length) counts as straight.
    long double held = a;
    if (!(held >= 0.0174533L)) held = 0.0174533L;
    if (held > 1.5707963L) held = 1.5707963L;
    const long double d = VecDistance(n.Position, next.Position);
    SetCurveValue(n, k, static_cast<float>((2.0L * 3.141592653589793L / held * d) / 600.0L));
  }
}
