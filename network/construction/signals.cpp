#include "network/construction/signals.h"

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/connectpool.h"
#include "engine/store/nodepool.h"
#include "engine/world/records.h"
#include "network/construction/connects.h"
#include "network/construction/curveline.h"
#include "network/construction/limits.h"
#include "network/track/blocks.h"
#include "network/track/trackfields.h"

namespace {

constexpr long double kRadToDeg = 57.29577951308232L;

// The rail connect that Point snaps to, when two ways of the acting player meet there: its index
// with its ways and nodes; 0 otherwise.
struct TPickedConnect {
  uint32_t Connect = 0;
  TWay A{}, B{};
  uint32_t LaneEnd = 0, LaneStart = 0;
};

TPickedConnect PickSignalConnect(const TVector& point) {
  TPickedConnect p;
  TMetaconnect meta{};
  TConstructResult found{};
  FindOrCreateConnect(kWaytypeRail, point, meta, found);
  const uint32_t c = meta.ConnectIndex;
  if (c == 0 || c > ConnectArrayCount) return p;
  const TConnect& con = ConnectByIndex(c);
  if (con.WayType != kWaytypeRail || ConnectWayCount(con) != 2) return p;
  NodesofCon(c, p.A, p.B, p.LaneEnd, p.LaneStart);
  if (p.A.Owner == ActPlayer && p.B.Owner == ActPlayer) p.Connect = c;
  return p;
}

bool RouterCentre(const TWay& w) { return w.Waytype == kWaytypeRouter && WayPart(w) == kRouterCentrePart; }

// Whether a signal pair may stand between the two ways.
bool SignalPlaceAllowed(const TPickedConnect& p) {
  const TWay& a = p.A;
  const TWay& b = p.B;
  if (a.State != 2 || b.State != 2 || RouterCentre(a) || RouterCentre(b)) return false;
  const uint8_t both = WayFlags(a) & WayFlags(b);
  if ((both & kWayBridge) != 0 && ConnectByIndex(p.Connect).JunctionBuilding == 0) return false;
  return (both & kWayCutting) == 0;
}

// The next one-way setting of a pair: two-way, against the lane end, against the lane start.
void CycleOneWay(TSignal& start, TSignal& end) {
  const uint8_t s = start.OneWay, e = end.OneWay;
  start.OneWay = s == 0 && e == 0 ? 1 : 0;
  end.OneWay = s == 1 && e == 0 ? 1 : 0;
}

uint32_t NodeSignal(uint32_t node) { return node >= 1 && node <= NodeArrayCount ? NodeByIndex(node).Signal : 0; }

}  // namespace

uint32_t CreateSignal(uint32_t node) {
  TNode& n = NodeByIndex(node);
  if (n.Signal != 0) return n.Signal;
  TVector d{};
  const uint32_t next = n.NextLinkCount > 0 ? n.NextLinks[0] : 0;
  if (next >= 1 && next <= NodeArrayCount) VecSub(NodeByIndex(next).Position, n.Position, d);
  const long double length = VecLength(d);
  if (length > 0.0L) {
    d.x = static_cast<float>(d.x * 0.7L * WayGauge[kWaytypeRail] / length);
    d.y = static_cast<float>(d.y * 0.7L * WayGauge[kWaytypeRail] / length);
    d.z = static_cast<float>(d.z * 0.7L * WayGauge[kWaytypeRail] / length);
  }
  TVector position;
  VecAdd(n.Position, d, position);
  VecAdd(position, Rotate90(d), position);
  TSignal s{};
  s.Kind = 1;
  s.Node = node;
  s.Pose = TPlacement{position.x, position.y, position.z, 0.0f, 0.0f, 0.0f};
  s.Pose.Gier = static_cast<float>((Heading(TVector{0.0f, 0.0f, -1.0f}) - Heading(d)) * kRadToDeg);
  s.A_Write();
  n.Signal = s.Index;  // the pool never moves
  return s.Index;
}

void PlaceSignal(const TVector& point, TConstructResult& r) {
  r = TConstructResult{};
  const TPickedConnect p = PickSignalConnect(point);
  if (p.Connect == 0 || !SignalPlaceAllowed(p)) return;
  const uint32_t atStart = NodeSignal(p.LaneStart), atEnd = NodeSignal(p.LaneEnd);
  if (atStart == 0 && atEnd == 0) {
    TSignal start{}, end{};
    start.A_Read(CreateSignal(p.LaneStart));
    end.A_Read(CreateSignal(p.LaneEnd));
    start.Partner = end.Index;
    end.Partner = start.Index;
    start.A_Overwrite();
    end.A_Overwrite();
    SplitBlockAtConnect(p.Connect);
    r = TConstructResult::Success();
    return;
  }
  if (atStart == 0 || atEnd == 0) return;
  TSignal start{}, end{};
  start.A_Read(atStart);
  end.A_Read(atEnd);
  CycleOneWay(start, end);
  start.A_Overwrite();
  end.A_Overwrite();
  UpdateBlockSignals(start.Block);
  UpdateBlockSignals(end.Block);
  r = TConstructResult::Success();
}

void RemoveSignal(const TVector& point, TConstructResult& r) {
  r.Assign(2);
  const TPickedConnect p = PickSignalConnect(point);
  if (p.Connect == 0 || NodeSignal(p.LaneStart) == 0) return;
  RemoveSignalPair(p.Connect);
  r = TConstructResult::Success();
}
