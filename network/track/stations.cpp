#include "network/track/stations.h"

#include <algorithm>
#include <memory>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "engine/world/hooks.h"
#include "network/track/trackfields.h"

namespace station_hooks {
namespace {
void NoName(TStation&, uint16_t) {}
uint8_t NoTurningNode(uint16_t) { return 0; }
}  // namespace
void (*NameStation)(TStation& station, uint16_t kind) = NoName;
uint8_t (*TurningNodeNumber)(uint16_t buildingType) = NoTurningNode;
void InstallDefaults() {
  NameStation = NoName;
  TurningNodeNumber = NoTurningNode;
}
}  // namespace station_hooks

namespace {

constexpr int kRefused = 2, kNoStopWay = 16;
constexpr int kMostStationWays = 100;

// R := {Element}.
void Assign(TDestroyResult& r, int element) {
  r.Clear();
  r.Include(element);
}

bool IsCrossingCentre(const TWay& w) {
  return (w.Waytype == kWaytypeXCrossing || w.Waytype == kWaytypeTCrossing) && WayPart(w) == kCrossingCentrePart;
}

[[noreturn]] void Confused() { SYS_BREAKPROGRAM("Error in OppositeNode: confuse way architecture"); }

// The node that follows N in the cycle of W's even-numbered nodes (the arms' exits) 2, 4, ..., 2 * arms.
uint32_t NextArmExit(const TWay& w, uint32_t n, int arms) {
  for (int a = 0; a < arms; ++a) {
    if (w.Nodes[2 * a + 1] == n) return w.Nodes[(2 * a + 3) % (2 * arms)];
  }
  return 0;
}

// The node of W's list whose building node number is Number.
uint32_t BuildingNode(const TWay& w, uint8_t number) {
  const int count = std::min<int>(w.NodesCounter, 100);
  for (int i = 0; i < count; ++i) {
    const uint32_t k = w.Nodes[i];
    if (k >= 1 && k <= NodeArrayCount && NodeByIndex(k).Used == number) return k;
  }
  return 0;
}

}  // namespace

void AddWayToStation(TWay& w, TStation& s, uint32_t station, TDestroyResult& r) {
  if (w.Station != 0) {
    Assign(r, kRefused);
    return;
  }
  if (station != 0) {
    s.A_Read(station);
    if (s.StationWayCounter >= kMostStationWays) {
      Assign(r, kRefused);
      return;
    }
    s.Ways[s.StationWayCounter++] = w.Index;
    s.A_ReWrite();
  } else {
    s.Init(ActPlayer, w.City, w.Position);
    s.StationWayCounter = 1;
    s.Ways[0] = w.Index;
    s.HandlingRate = kWayStationHandlingRate;
    station_hooks::NameStation(s, 0);
    s.A_Write();
    station = s.Index;
  }
  for (const uint32_t n : {w.Nodes[0], w.Nodes[2]}) {
    if (NodeInPool(n)) NodeByIndex(n).Flags |= kNodeFlagStation;
  }
  w.Station = station;
  w.A_Overwrite();
  world_hooks::RecalcGoodsStation(station);
  s.A_Read(station);
  Assign(r, 0);
}

void MakeStationTrack(uint32_t way, uint32_t station, uint8_t mode, TDestroyResult& r) {
  r.Clear();
  TWay w;
  w.A_Read(way);
  const bool street = w.Waytype == kWaytypeStreet || w.Waytype == kWaytypeXCrossing || w.Waytype == kWaytypeTCrossing;
  if (!street || IsCrossingCentre(w)) {
    Assign(r, kNoStopWay);
    return;
  }
  if (mode != 1) return;
  const auto s = std::make_unique<TStation>();
  AddWayToStation(w, *s, station, r);
  if (!r.Has(0)) return;
  s->CalcStationKind();
  s->A_Overwrite();
}

uint32_t OppositeNode(uint32_t n, uint8_t mode) {
  if (n < 1 || n > NodeArrayCount) Confused();
  const TNode& node = NodeByIndex(n);
  const uint32_t prev = node.PrevLinks[0];
  if (node.PrevLinkCount == 0 || prev < 1 || prev > NodeArrayCount || NodeByIndex(prev).Way == 0) Confused();
  TWay w;
  w.A_Read(NodeByIndex(prev).Way);
  const uint8_t part = WayPart(w);
  uint32_t answer = 0;
  switch (w.Waytype) {
    case kWaytypeXCrossing:
    case kWaytypeTCrossing:
      if (part == kCrossingCentrePart) {
        answer = NextArmExit(w, n, w.Waytype == kWaytypeXCrossing ? 4 : 3);
        break;
      }
      [[fallthrough]];
    case kWaytypeStreet:
    case kWaytypePlainRail:
    case kWaytypeRouter:
      if (w.Waytype == kWaytypeRouter && part == kRouterCentrePart) break;
      if (mode == 0) {
        if (n == w.Nodes[1]) answer = w.Nodes[0];
        else if (n == w.Nodes[3]) answer = w.Nodes[2];
      } else if (mode == 1) {
        if (n == w.Nodes[1]) answer = w.Nodes[3];
        else if (n == w.Nodes[3]) answer = w.Nodes[1];
      }
      break;
    case 4:
      SYS_BREAKPROGRAM("Error in OppositeNode: Unimplemented Waytype");
    case kWaytypeBuildingWay: {
      answer = n;
      TBuilding b;
      if (w.Building == 0) break;
      b.A_Read(w.Building);
      const uint8_t turning = station_hooks::TurningNodeNumber(b.BuildingType);
      if (turning != 0) answer = BuildingNode(w, turning);
      break;
    }
    default:
      break;
  }
  // An answer outside the node pool (an empty entry of the way's list) is no answer either.
  if (answer < 1 || answer > NodeArrayCount) Confused();
  return answer;
}
