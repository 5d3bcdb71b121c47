#include "network/vehicles/traffic.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/nodepool.h"
#include "engine/world/train.h"
#include "engine/world/vehicletype.h"
#include "network/construction/curveline.h"
#include "network/track/blocks.h"
#include "network/track/cursor.h"
#include "network/track/trackfields.h"
#include "network/vehicles/convoys.h"
#include "network/vehicles/movement.h"

namespace traffic_hooks {
namespace {
void NoDepotPath(TTrain&, TPath*, bool, bool) {}
}  // namespace

void (*FindPathToDepot)(TTrain&, TPath*, bool, bool) = NoDepotPath;

void InstallDefaults() { FindPathToDepot = NoDepotPath; }
}  // namespace traffic_hooks

namespace {

using LD = long double;

constexpr uint8_t kLaneQueueEntered = 0, kLaneQueueLeft = 2;
constexpr int32_t kStartUpLightPeriod = 40;
// The light cycle in periods, and the length of one phase of an X- and of a T-crossing.
constexpr int64_t kLightCycle = 75, kXLightStep = 13, kTLightStep = 26;
constexpr uint8_t kXLightSequence[6] = {1, 3, 4, 2, 5, 6};
constexpr uint8_t kTLightSequence[3] = {1, 2, 3};
// A path is looked at from the entry on over this many further nodes.
constexpr int kLookAheadNodes = 5;
constexpr LD kKeepDistanceBrake = 0.02L;
constexpr int kRouterAttempts = 3;

TNode NodeAt(uint32_t n) { return NodeByIndex(n); }

bool IsCrossingCentre(const TWay& w) {
  return (w.Waytype == kWaytypeXCrossing || w.Waytype == kWaytypeTCrossing) && WayPart(w) == kCrossingCentrePart;
}
int EntryCount(const TWay& c) {
  return c.Waytype == kWaytypeXCrossing ? 4 : c.Waytype == kWaytypeTCrossing ? 3 : 0;
}
int NodeCount(const TWay& w) { return std::min<int>(w.NodesCounter, 100); }
// The node at 1-based position Pos of the way's node list; 0 beyond it.
uint32_t NodeAtPosition(const TWay& w, int pos) { return pos >= 1 && pos <= NodeCount(w) ? w.Nodes[pos - 1] : 0; }
// Entries stand at the odd positions 1, 3, ..., exits at the even ones after them.
bool IsEntryOf(const TWay& c, uint32_t node) {
  for (int e = 0; e < EntryCount(c); ++e)
    if (node != 0 && NodeAtPosition(c, 2 * e + 1) == node) return true;
  return false;
}
bool IsExitOf(const TWay& c, uint32_t node) {
  for (int e = 0; e < EntryCount(c); ++e)
    if (node != 0 && NodeAtPosition(c, 2 * e + 2) == node) return true;
  return false;
}

const TCrossingPhase* PhaseRow(uint8_t waytype, uint8_t phase) {
  if (phase < 1) return nullptr;
  if (waytype == kWaytypeXCrossing && phase <= std::size(kXCrossingPhases)) return &kXCrossingPhases[phase - 1];
  if (waytype == kWaytypeTCrossing && phase <= std::size(kTCrossingPhases)) return &kTCrossingPhases[phase - 1];
  return nullptr;
}

// The 1-based position of Node in the path; 0 when it is not there.
int PositionInPath(const TPath& p, uint32_t node) {
  const int count = std::min<int>(p.PathNodeCounter, 1000);
  for (int i = 0; i < count; ++i)
    if (p.Nodes[i] == node) return i + 1;
  return 0;
}

// Ticks from Tick to now on the cycle of GameTime, folded as GameTimeReached folds them.
int64_t TicksSince(uint32_t tick) {
  constexpr int64_t cycle = static_cast<int64_t>(kGameTimeLast) + 1;
  int64_t d = (static_cast<int64_t>(GameTime) - tick) % cycle;
  if (d < 0) d += cycle;
  if (d >= cycle / 2) d -= cycle;
  return d;
}

bool IsWaiting(const TTrain& t) { return t.State == kTrainWaiting || t.State == kTrainWaitingLong; }

// Every convoy of both sides of the queue, in queue order.
template <class Fn>
void ForEachQueued(const TStreetBlock& q, Fn fn) {
  for (int i = 0; i < std::min<int>(q.Side0Count, 10); ++i) fn(q.Side0[i]);
  for (int i = 0; i < std::min<int>(q.Side1Count, 10); ++i) fn(q.Side1[i]);
}

bool LookAhead(uint8_t waytype, uint8_t phase, const TTrain& t, bool fromHistory, bool ignoreInner, const TWay* given) {
  const TCrossingPhase* row = PhaseRow(waytype, phase);
  if (row == nullptr) return false;
  uint32_t entry = t.NextNode;
  TWay c{};
  if (given != nullptr) {
    c = *given;
  } else if (NodeInPool(entry) && NodeAt(entry).Way != 0) {
    c.A_Read(NodeAt(entry).Way);
  }
  if (fromHistory) {
    for (int i = 0; i < kTrainNodesAhead && t.NodesAhead[i] != 0; ++i) {
      if (IsEntryOf(c, t.NodesAhead[i])) {
        entry = t.NodesAhead[i];
        break;
      }
    }
  }
  std::unique_ptr<TPath> path;
  if (t.Path != 0) {
    path = std::make_unique<TPath>();
    path->A_Read(t.Path);
  }
  const int tries = t.Path != 0 ? 1 : 2;
  for (int k = 1; k <= tries; ++k) {
    int pos = path != nullptr ? PositionInPath(*path, entry) : 0;
    const bool onPath = pos != 0;
    uint32_t substitute[2] = {};
    if (!onPath) {
      // Without the entry on a path: the entry and its next node K (its only one when it has one).
      const TNode e = NodeInPool(entry) ? NodeAt(entry) : TNode{};
      const int links = std::min<int>(e.NextLinkCount, 2);
      substitute[0] = links == 1 ? e.NextLinks[0] : k <= links ? e.NextLinks[k - 1] : 0;
      substitute[1] = entry;
      pos = 2;
    }
    const auto nodeAt = [&](int p) { return onPath ? path->Nodes[p - 1] : substitute[p - 1]; };
    bool ok = true;
    if (!ignoreInner) {
      for (uint8_t f : row->Forbidden) {
        const uint32_t inner = NodeAtPosition(c, f);
        if (inner == 0) continue;
        for (int p = pos; p >= std::max(pos - kLookAheadNodes, 1); --p)
          if (nodeAt(p) == inner) ok = false;
      }
    }
    for (uint8_t closed : row->Closed) {
      const uint32_t node = NodeAtPosition(c, closed);
      if (node != 0 && node == entry) ok = false;
    }
    if (ok) return true;
  }
  return false;
}

uint8_t FirstOpen(uint8_t waytype, const TTrain& t) {
  const int phases = waytype == kWaytypeXCrossing ? 7 : 4;
  for (int phase = 1; phase <= phases; ++phase)
    if (LookAhead(waytype, static_cast<uint8_t>(phase), t, false, false, nullptr)) return static_cast<uint8_t>(phase);
  return 0;
}

bool HasSchedule(const TTrain& t) { return t.Schedule != 0 && t.ScheduleState != kRouteNone; }
bool PathFailed(const TTrain& t) {
  if (t.Path == 0) return false;
  auto p = std::make_unique<TPath>();
  p->A_Read(t.Path);
  return p->Invalid == 2;
}
// The schedule path searched again and stored.
void SearchSchedulePath(TTrain& t) {
  auto s = std::make_unique<TSchedule>();
  s->A_Read(t.Schedule);
  movement_hooks::FindPathToSchedulestation(t, *s, t.CurrentStop, nullptr, true, false);
}

// Is T the convoy that waits longest among the waiting convoys on the arms of C? A convoy not yet
// waiting starts to wait now.
bool WaitsLongest(const TTrain& t, const TWay& c) {
  const int64_t mine = IsWaiting(t) ? TicksSince(t.Timer) : 0;
  bool longest = true;
  for (int k = 0; k < std::min<int>(c.ConnectionCounter, 10) && longest; ++k) {
    const uint32_t arm = OtherWayOfCon(c.Index, c.Connections[k]);
    if (arm == 0) continue;
    TWay w{};
    w.A_Read(arm);
    if (w.Block == 0 || w.Use != 0) continue;
    TStreetBlock q{};
    q.A_Read(w.Block);
    ForEachQueued(q, [&](uint32_t other) {
      if (other == t.Index || !IsTrainUsed(other)) return;
      const TTrain& o = TrainByIndex(other);
      if (IsWaiting(o) && TicksSince(o.Timer) > mine) longest = false;
    });
  }
  return longest;
}

// The lane queue of road way W: read, or new and empty.
struct TLaneQueue {
  TWay Way{};
  TStreetBlock Queue{};
  bool Stored = false;

  // False for a way that keeps no lane queue (no road).
  bool Read(uint32_t way) {
    if (way == 0) return false;
    Way.A_Read(way);
    if (Way.Use != 0) return false;
    Stored = Way.Block != 0;
    if (Stored) Queue.A_Read(Way.Block);
    return true;
  }
  // An emptied queue leaves the store and its way; any other is stored under its way.
  void Store() {
    if (Queue.IsEmpty()) {
      if (!Stored) return;
      Queue.Destroy();
      Way.Block = 0;
      Way.A_Overwrite();
      Stored = false;
      return;
    }
    if (Stored) {
      Queue.A_Overwrite();
      return;
    }
    Queue.A_Write();
    Way.Block = Queue.Index;
    Way.A_Overwrite();
    Stored = true;
  }
};

// Takes the convoy out of the way's lane queue: false when it was not in it.
bool RemoveFromWayQueue(uint32_t way, uint32_t train) {
  TLaneQueue q;
  if (!q.Read(way) || !q.Stored) return false;
  const bool side0 = q.Queue.RemoveFromSide(0, train);
  const bool side1 = q.Queue.RemoveFromSide(1, train);
  if (!side0 && !side1) return false;
  q.Store();
  return true;
}

float CouplingLength(uint16_t type, bool front) {
  const TVehicleTypeDriving d = VehicleTypeDrivingOf(type);
  return front ? d.FrontLength : d.RearLength;
}

// Shows router setting K on the top (polygon 1) of the mesh.
void ShowRouterSetting(uint32_t mesh, uint8_t k) {
  if (mesh == 0) return;
  auto m = std::make_unique<TMeshdata2>();
  m->A_Read(mesh);
  if (m->PolygonCount < 1) return;
  TMeshPolygon top = m->Polygon(1);
  top.Texture = StandardTextures[kRouterSwitchTextureEntries[k == 1 ? 0 : 1]];
  m->Polygon(1) = top;
  m->A_Overwrite();
}

// The path of a router's convoy: to its depot in route mode 3, else to its schedule's halt.
struct TRouterPath {
  TTrain& T;
  bool ToDepot = false;
  std::unique_ptr<TSchedule> Schedule;

  // False for a convoy that follows no schedule (and does not head for a depot).
  bool Read() {
    ToDepot = T.ScheduleState == kRouteToDepot;
    if (ToDepot) return true;
    if (T.ScheduleState == kRouteNone || T.Schedule == 0) return false;
    Schedule = std::make_unique<TSchedule>();
    Schedule->A_Read(T.Schedule);
    return Schedule->IsCalculated();
  }
  void Search(TPath* out, bool store, bool reuse) {
    if (ToDepot) {
      traffic_hooks::FindPathToDepot(T, out, store, reuse);
    } else {
      movement_hooks::FindPathToSchedulestation(T, *Schedule, T.CurrentStop, out, store, reuse);
    }
  }
};

}  // namespace

uint8_t GetTrafficLightStateAt(int32_t time, uint8_t waytype) {
  const int64_t period = TrafficLightPeriod >= 1 ? TrafficLightPeriod : kStartUpLightPeriod;
  const int64_t cycle = period * kLightCycle;
  const int64_t at = ((time % cycle) + cycle) % cycle;
  if (waytype == kWaytypeXCrossing)
    return kXLightSequence[std::min<int64_t>(at / (period * kXLightStep), std::size(kXLightSequence) - 1)];
  if (waytype == kWaytypeTCrossing)
    return kTLightSequence[std::min<int64_t>(at / (period * kTLightStep), std::size(kTLightSequence) - 1)];
  SYS_BREAKPROGRAM("Impossible waytype used for calling GetTrafficLightStateAt!");
}

bool PathLookAhead(uint8_t phase, const TTrain& t, bool fromHistory, bool ignoreInner, const TWay* c) {
  return LookAhead(kWaytypeXCrossing, phase, t, fromHistory, ignoreInner, c);
}
bool PathLookAheadT(uint8_t phase, const TTrain& t, bool fromHistory, bool ignoreInner, const TWay* c) {
  return LookAhead(kWaytypeTCrossing, phase, t, fromHistory, ignoreInner, c);
}
uint8_t FirstOpenPhase(const TTrain& t) { return FirstOpen(kWaytypeXCrossing, t); }
uint8_t FirstOpenPhaseT(const TTrain& t) { return FirstOpen(kWaytypeTCrossing, t); }

bool CrossingEntry(TTrain& t, TWay& c) {
  const uint8_t type = c.Waytype == kWaytypeTCrossing ? kWaytypeTCrossing : kWaytypeXCrossing;
  const auto allows = [&](uint8_t phase, const TTrain& train, bool fromHistory) {
    return LookAhead(type, phase, train, fromHistory, false, &c);
  };
  const bool lights = (WayFlags(c) & kWayTrafficLights) != 0;
  uint8_t phase = lights ? GetTrafficLightStateAt(static_cast<int32_t>(GameTime), c.Waytype) : WaySwitch(c);
  // A switch byte that names no phase of the table counts as none chosen.
  if (PhaseRow(type, phase) == nullptr) phase = 0;
  bool may = lights || phase != 0 ? allows(phase, t, false) : true;
  if (lights) {
    if (c.Block != 0) {
      TStreetBlock q{};
      q.A_Read(c.Block);
      ForEachQueued(q, [&](uint32_t other) {
        if (other != t.Index && IsTrainUsed(other) && !allows(phase, TrainByIndex(other), true)) may = false;
      });
    }
  } else if (phase == 0 || !may) {
    if (phase != 0 && c.Block != 0) {
      may = false;
    } else if (phase == 0 || WaitsLongest(t, c)) {
      phase = FirstOpen(type, t);
      WaySwitch(c) = phase;
      c.A_Overwrite();
      may = phase != 0 && allows(phase, t, false);
    } else {
      may = false;
    }
  }

  if (may) {
    const bool searchedWhileWaiting =
        t.State == kTrainWaitingLong && GameTimeReached(static_cast<int64_t>(t.Timer) + kCrossingResearchWait);
    if (PathFailed(t) && HasSchedule(t) && !searchedWhileWaiting) SearchSchedulePath(t);
    t.State = kTrainDriving;
    t.TargetSpeed = kCrossingEntrySpeed;
    t.Timer = 0;
    return true;
  }
  if (!IsWaiting(t)) {
    t.Timer = GameTime;
    t.State = kTrainWaiting;
    t.Speed = 0.0f;
  } else if (t.State == kTrainWaiting) {
    if (GameTimeReached(static_cast<int64_t>(t.Timer) + kCrossingLongWait)) {
      t.State = kTrainWaitingLong;
      t.Timer = GameTime;
    }
  } else if (GameTimeReached(static_cast<int64_t>(t.Timer) + kCrossingResearchWait) && c.Block != 0 &&
             PathFailed(t) && HasSchedule(t)) {
    SearchSchedulePath(t);
  }
  return false;
}

uint32_t TownCarCrossingLink(const TTrain&, uint32_t node, const TWay& c, uint8_t k) {
  const TNode n = NodeAt(node);
  uint8_t link = k == 2 ? 2 : 1;
  uint32_t next = n.NextLinks[link - 1];
  int p = 0;
  for (int i = 1; i <= NodeCount(c); ++i)
    if (c.Nodes[i - 1] == next) p = i;
  const TCrossingPhase* row = PhaseRow(c.Waytype, WaySwitch(c));
  if (p == 0 || row == nullptr) return next;
  for (uint8_t f : row->Forbidden) {
    if (f == 0 || f != p) continue;
    link = link == 1 ? 2 : 1;
    next = n.NextLinks[link - 1];
  }
  return next;
}

void LaneQueueUpdate(TTrain& t, uint32_t node, uint8_t event) {
  if ((event != kLaneQueueEntered && event != kLaneQueueLeft) || !NodeInPool(node)) return;
  const uint32_t left = node;
  uint32_t n = node;
  if (event == kLaneQueueLeft) {
    // The way the tail left is the one whose lane leads from the node before into Node.
    const TNode at = NodeAt(node);
    if (at.PrevLinkCount == 0) return;
    uint32_t history[kTrainNodesAhead];
    for (int i = 0; i < kTrainNodesAhead; ++i) history[i] = t.NodesAhead[i];
    const uint8_t k = PrevLinkOnPath(node, history, kTrainNodesAhead - 1);
    if (k == 0) return;
    n = at.PrevLinks[k - 1];
    if (!NodeInPool(n)) return;
  }
  const TNode at = NodeAt(n);
  if ((at.Flags & kNodeFlagWayFinished) == 0) return;
  TLaneQueue q;
  if (!q.Read(at.Way)) return;
  const TWay& w = q.Way;
  TStreetBlock& sb = q.Queue;
  if (IsCrossingCentre(w)) {
    if (event == kLaneQueueEntered && IsEntryOf(w, n)) sb.AddToSide(0, t.Index, true);
    if (event == kLaneQueueLeft && IsExitOf(w, left)) sb.RemoveFromSide(0, t.Index);
  } else if (w.Waytype == kWaytypeBuildingWay) {
    if (event == kLaneQueueEntered) {
      sb.AddToSide(0, t.Index, true);
    } else if (!(NodeAt(left).Way == at.Way && at.NextLinkCount > 0)) {
      sb.RemoveFromSide(0, t.Index);
    }
  } else {
    const int count = NodeCount(w);
    const int side = count >= 1 && w.Nodes[0] == n ? 1 : count >= 3 && w.Nodes[2] == n ? 0 : -1;
    if (side < 0) return;
    if (event == kLaneQueueEntered) {
      sb.AddToSide(static_cast<uint8_t>(side), t.Index, true);
    } else {
      sb.RemoveFromSide(static_cast<uint8_t>(side), t.Index);
    }
  }
  q.Store();
}

void RemoveTrainFromStreetBlocks(uint32_t train) {
  if (!IsTrainUsed(train)) return;
  const uint32_t start = TrainByIndex(train).CurrentNode;
  // The walk back over previous links; the way handled last before each node (none at the start).
  constexpr uint32_t kNoWay = UINT32_MAX;
  std::vector<std::pair<uint32_t, uint32_t>> open{{start, kNoWay}};
  std::vector<uint32_t> seen;
  while (!open.empty()) {
    const auto [n, handled] = open.back();
    open.pop_back();
    if (!NodeInPool(n) || std::find(seen.begin(), seen.end(), n) != seen.end()) continue;
    seen.push_back(n);
    const TNode at = NodeAt(n);
    if (at.Way != handled && !RemoveFromWayQueue(at.Way, train)) continue;
    for (int k = 0; k < std::min<int>(at.PrevLinkCount, 2); ++k) open.emplace_back(at.PrevLinks[k], at.Way);
  }
}

void KeepDistance(TTrain& t) {
  const int count = std::min<int>(t.VehicleCount, kTrainMaxVehicles);
  if (count == 0) return;
  const TVehicle& first = ConvoyScratch.Vehicles[0];
  const TVehicle& last = ConvoyScratch.Vehicles[count - 1];
  const uint32_t frontNode = first.FrontNode;
  if (!NodeInPool(frontNode) || !NodeInPool(t.CurrentNode)) return;
  if (NodeInPool(t.NextNode) && (NodeAt(t.NextNode).Flags & kNodeFlagHold) != 0) return;
  if (NodeAt(t.CurrentNode).Way == 0) return;

  const LD speed = t.Speed;
  const LD reach = std::fabs(speed - speed * speed / kKeepDistanceBrake) * 0.5L;
  const LD start = -LD(first.FrontDistance) - CouplingLength(first.VehicleType, true) - kKeepDistanceMargin;
  // A convoy on one of T's own links whose rear lies behind T's front (or rear) runs behind T.
  const auto behind = [&](const TVehicle& v) {
    return (v.BackNode == first.FrontNode && v.BackDistance < first.FrontDistance) ||
           (v.BackNode == last.BackNode && v.BackDistance < last.BackDistance);
  };

  bool found = false;
  LD nearest = 0.0L;
  std::vector<std::pair<uint32_t, LD>> open{{frontNode, start}};
  std::unordered_map<uint32_t, LD> reached;  // the least distance a node was scanned at
  while (!open.empty()) {
    const auto [n, dist] = open.back();
    open.pop_back();
    if (!(dist < reach) || !NodeInPool(n)) continue;
    const TNode at = NodeAt(n);
    if ((at.Flags & kNodeFlagWayFinished) == 0) continue;
    if (const auto it = reached.find(n); it != reached.end() && it->second <= dist) continue;
    reached[n] = dist;
    bool here = false;
    TLaneQueue q;
    if (q.Read(at.Way) && q.Stored) {
      const TWay& w = q.Way;
      const bool lanes = w.Waytype == kWaytypeStreet || ((w.Waytype == kWaytypeXCrossing || w.Waytype == kWaytypeTCrossing) &&
                                                         WayPart(w) != kCrossingCentrePart);
      const uint8_t side = lanes ? LaneSideOf(w, n) : 0;
      const int queued = std::min<int>(side == 0 ? q.Queue.Side0Count : q.Queue.Side1Count, 10);
      for (int i = 0; i < queued; ++i) {
        const uint32_t other = side == 0 ? q.Queue.Side0[i] : q.Queue.Side1[i];
        if (other == t.Index || !IsTrainUsed(other)) continue;
        const TTrain& o = TrainByIndex(other);
        const int vehicles = std::min<int>(o.VehicleCount, kTrainMaxVehicles);
        if (vehicles == 0 || o.Vehicles[vehicles - 1] == 0) continue;
        TVehicle v{};
        v.A_Read(o.Vehicles[vehicles - 1]);
        if (behind(v)) break;
        if (v.BackNode != n) continue;
        const LD d = dist + v.BackDistance - CouplingLength(v.VehicleType, false);
        if (!found || d < nearest) nearest = d;
        found = here = true;
      }
    }
    if (here) continue;
    for (int k = 0; k < std::min<int>(at.NextLinkCount, 2); ++k)
      open.emplace_back(at.NextLinks[k], dist + std::max(LinkLength(at, k), 0));
  }
  if (!found) return;
  BrakeForStop(t, static_cast<float>(nearest), 0.0f);
  if (nearest < 1.0L) {
    t.TargetSpeed = 0.0f;
    t.Speed = 0.0f;
  }
}

void SetRouterSwitch(TWay& w, uint8_t k) {
  WaySwitch(w) = k;
  ShowRouterSetting(w.Mesh, k);
  w.A_Overwrite();
  // The companion (a leg's centre, the centre's first leg) follows: the centre's setting is the one
  // the branch node gives.
  const uint32_t companion = WayCentreLink(w);
  if (companion == 0 || companion == w.Index) return;
  TWay o{};
  o.A_Read(companion);
  if (o.Waytype != kWaytypeRouter) return;
  WaySwitch(o) = k;
  ShowRouterSetting(o.Mesh, k);
  o.A_Overwrite();
}

void SetRouterForPath(TTrain& t, TWay& w) {
  TRouterPath route{t, false, nullptr};
  const uint32_t entered = w.Nodes[0];
  if (!NodeInPool(entered)) return;
  auto path = std::make_unique<TPath>();
  for (int attempt = 1; attempt <= kRouterAttempts; ++attempt) {
    if (!route.Read() || t.Path == 0) return;
    path->A_Read(t.Path);
    if (path->Invalid != 0) {
      route.Search(nullptr, true, false);
      if (t.Path == 0) return;
      path->A_Read(t.Path);
      if (path->Invalid != 0) return;
    }
    const TNode at = NodeAt(entered);
    if (at.NextLinkCount == 0) return;
    const uint32_t branch = at.NextLinks[0];
    const int pos = PositionInPath(*path, branch);
    if (pos == 1) SYS_BREAKPROGRAM("Incomplete Path ends at router!! Node " + std::to_string(branch));
    if (pos == 0) {
      SYS_Warning("Warning: Train " + std::to_string(t.Index) + " could not find direction");
      if (attempt > 1) return;
      route.Search(nullptr, true, false);
      continue;
    }
    const uint32_t chosen = path->Nodes[pos - 2];
    const TNode b = NodeInPool(branch) ? NodeAt(branch) : TNode{};
    if (b.NextLinkCount < 2)
      SYS_BREAKPROGRAM("Router expected (but there is no branch) at Node " + std::to_string(branch));
    if (chosen == b.NextLinks[0]) {
      SetRouterSwitch(w, 1);
    } else if (chosen == b.NextLinks[1]) {
      SetRouterSwitch(w, 2);
    }
    if (attempt == kRouterAttempts || !RedSignalAhead(static_cast<uint32_t>(pos - 1), *path, kRouterRedSignalReach))
      return;
    // A red signal just behind the branch: another path, when there is one, and the switch again.
    auto other = std::make_unique<TPath>();
    other->Init(path->Use);
    route.Search(other.get(), false, true);
    if (other->Invalid != 0) return;
    other->Index = t.Path;
    other->A_ReWrite();
  }
}

bool RedSignalAhead(uint32_t from, const TPath& p, uint32_t limit) {
  if (from < 2 || from > std::min<uint32_t>(p.PathNodeCounter, 1000)) return false;
  uint32_t n = p.Nodes[from - 1];
  uint64_t cost = 0;
  // Every step costs at least nothing: a walk longer than the pool has nodes goes round a loop.
  for (uint32_t steps = 0; steps <= NodeArrayCount; ++steps) {
    if (!NodeInPool(n)) return false;
    const TNode at = NodeAt(n);
    int k = 0;
    switch (at.NextLinkCount) {
      case 0:
        return false;
      case 1:
        k = 0;
        break;
      case 2:
        k = p.ContainsNode(at.NextLinks[0]) ? 0 : 1;
        break;
      default:
        SYS_BREAKPROGRAM("Error: NNextcount was not 0,1 or 2!");
    }
    cost += static_cast<uint64_t>(std::max(LinkLength(at, k), 0));
    const uint32_t next = at.NextLinks[k];
    if (BlockStateAtNode(next) == 1) return true;
    if (cost > limit) return false;
    n = next;
  }
  return false;
}

void InstallTrafficHooks() {
  movement_hooks::KeepDistance = KeepDistance;
  movement_hooks::LaneQueueUpdate = LaneQueueUpdate;
  movement_hooks::CrossingEntry = CrossingEntry;
  movement_hooks::TownCarCrossingLink = TownCarCrossingLink;
  movement_hooks::SetRouterSwitch = SetRouterSwitch;
  movement_hooks::SetRouterForPath = SetRouterForPath;
  train_hooks::RemoveTrainFromStreetBlocks = RemoveTrainFromStreetBlocks;
}
