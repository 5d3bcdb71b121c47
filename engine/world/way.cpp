// Way records: creation, length and cost, and the removal of a way with everything that hangs on
// it (the ways met by a completed router, its roadside buildings, the vehicles on it, its nodes,
// connections, mesh, paths and its place in its station and building).
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/compaction.h"
#include "engine/store/connectpool.h"
#include "engine/store/nodepool.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "engine/world/path.h"
#include "engine/world/records.h"

namespace {

int NodeCount(const TWay& w) { return std::min<int>(w.NodesCounter, 100); }
int ConnectionCount(const TWay& w) { return std::min<int>(w.ConnectionCounter, 10); }

// The router types whose removal takes the ways met at their connections along.
bool TakesNeighboursAlong(const TWay& w) {
  return (w.Waytype == 3 && w.Completion == 4) || ((w.Waytype == 1 || w.Waytype == 6) && w.Completion == 5);
}

// A vehicle is on W when one of W's nodes whose way field is W or 0 stands among the train's nodes
// ahead: the list up to its closing node or its first 0, at most 50 entries.
bool TrainOnWay(const TTrain& t, const TWay& w) {
  uint32_t ahead[kTrainNodesAhead];
  int count = 0;
  for (int i = 0; i < kTrainNodesAhead; ++i) {
    const uint32_t n = t.NodesAhead[i];
    if (n == 0) break;
    ahead[count++] = n;
    if (n == t.ClosingNode) break;
  }
  for (int i = 0; i < NodeCount(w); ++i) {
    const uint32_t n = w.Nodes[i];
    if (!NodeInPool(n)) continue;
    const uint32_t owner = NodeByIndex(n).Way;
    if (owner != w.Index && owner != 0) continue;
    if (std::find(ahead, ahead + count, n) != ahead + count) return true;
  }
  return false;
}

// Every BW building whose way field is W goes with TBuilding::Destroy (building, 2).
void DestroyBuildingsAt(const TWay& w) {
  TBuilding b{};
  for (uint32_t i = FindInArrayerBW(kARTypeBuilding, 0); i != 0; i = FindInArrayerBW(kARTypeBuilding, i)) {
    b.A_Read(i);
    if (b.Way != w.Index) continue;
    TDestroyResult r{};
    b.Destroy(kDestroyForced, r);
  }
}

// Result := {0} when empty. A result that names a reason against never claims element 0: a way
// refused by its own check is not removed by Mode 1, whatever its neighbours answered.
void Finish(TDestroyResult& result) {
  if (result.HasReason()) result.Exclude(kDestroyOk);
  if (result.Empty()) result.Include(kDestroyOk);
}

void DestroyWay(TWay& w, uint8_t mode, TDestroyResult& result) {
  result.Clear();
  uint8_t inner = mode;
  if (mode == kDestroyChecked) {
    DestroyWay(w, kDestroyCheck, result);
    if (!result.Has(kDestroyOk)) return;
    inner = kDestroyForced;
  }

  // The router cascade.
  bool cascadeFailed = false;
  if (w.Waytype == 4) SYS_BREAKPROGRAM("ERROR: UTWay: TWay.Destroy: W4EndRouter are not implementiert!");
  if (TakesNeighboursAlong(w)) {
    std::vector<TWay> met(10);
    uint32_t count = 0;
    world_hooks::WaysAtCons(w, count, met.data());
    std::vector<uint32_t> indices;
    for (uint32_t i = 0; i < count && i < 10; ++i) indices.push_back(met[i].Index);
    for (const uint32_t other : indices) {
      TDestroyResult r{};
      DestroyDependant<TWay>(other, inner, r);
      result.Unite(r);
      if (!r.Has(kDestroyOk)) cascadeFailed = true;
    }
    w.A_Read(w.Index);
  }

  if (FreeBuildMode) w.Owner = ActPlayer;

  if (mode == kDestroyCheck && w.Owner != ActPlayer) {
    if (w.Owner == 0) {
      result.Include(kReasonWayWithoutOwner);
    } else {
      if (w.Owner > 10) SYS_BREAKPROGRAM("Error in UTWay.Destroy: Undefined Wayowner!");
      result.Include(kReasonForeignWay);
    }
    Finish(result);
    return;
  }

  // The vehicles on the way: Mode 0 finds them, Mode 2 removes them.
  if (mode != kDestroyChecked) {
    bool occupied = false;
    if (w.Use == 0) {
      for (uint32_t t = FindNextTrain(0); t != 0; t = FindNextTrain(t)) {
        const TTrain& train = TrainByIndex(t);
        if (train.VBT_Type != kTrainRoad) continue;
        if (mode == kDestroyCheck && train.Owner == 0) continue;
        if (!TrainOnWay(train, w)) continue;
        if (train.Owner != 0) {
          occupied = true;
          if (mode == kDestroyForced) {
            TDestroyResult r{};
            TTrain::Destroy(t, kDestroyForced, r);
          }
        } else if (mode == kDestroyForced) {
          world_hooks::RemoveCivilianCar(t);
        }
      }
    } else if (w.Use == 1) {
      if (w.State == 2 || w.State == 3) {
        TBlock block{};
        block.A_Read(w.Block);
        const int trains = std::min<int>(block.TrainCount, 3);
        for (int i = 0; i < trains; ++i) {
          const uint32_t t = block.Trains[i];
          if (!IsTrainUsed(t) || !TrainOnWay(TrainByIndex(t), w)) continue;
          occupied = true;
          if (mode == kDestroyForced) {
            TDestroyResult r{};
            TTrain::Destroy(t, kDestroyForced, r);
          }
        }
      }
    } else if (w.Use > 4) {
      SYS_Warning("ERROR: UTWay: destroy: Unsuportet Way.Use!");
    }
    if (occupied) result.Include(kReasonVehicleOnRoad + w.Use);

    if (w.Use == 0 && w.RoadsideBuildings != 0) {
      result.Include(kReasonBuildingsAtRoad);
      if (mode == kDestroyForced) {
        DestroyBuildingsAt(w);
        w.A_Read(w.Index);
      }
    }
  }

  if (cascadeFailed) result.Exclude(kDestroyOk);
  if (!(mode == kDestroyForced || (mode == kDestroyChecked && result.Has(kDestroyOk)))) {
    Finish(result);
    return;
  }

  // Money: a planned way gives its pre-booked cost back; a built one leaves its owner's property.
  if (w.Waytype != 5) {
    if (w.State == 0) {
      world_hooks::AddtoPrevCost(w.Owner, w.City, w.WayCost(0.0f));
    } else if ((w.State == 2 || w.State == 3) && w.Owner >= 1 && w.Owner <= 10) {
      TYearFinance& year = Players[w.Owner].Finances[0];
      year.WayValue -= w.WayCost(0.0f);
      if (w.Use == 0) year.RoadLength -= w.Length();
      if (w.Use == 1) year.RailLength -= w.Length();
    }
  }

  // The valid paths over the way must be searched again.
  {
    auto path = std::make_unique<TPath>();
    for (uint32_t p = FindPathOfUse(w.Use, 0); p != 0; p = FindPathOfUse(w.Use, p)) {
      path->A_Read(p);
      for (int i = 0; i < NodeCount(w); ++i) {
        if (w.Nodes[i] != 0 && path->ContainsNode(w.Nodes[i])) {
          path->Invalid = 1;
          path->A_Overwrite();
          break;
        }
      }
    }
  }

  auto ends = std::make_unique<TWayEndNodes>();
  switch (w.Waytype) {
    case 0:
    case 2:
      w.RemovePlainWay(*ends);
      break;
    case 1:
    case 6:
      if (w.Completion == 5) {
        w.RemoveRouterWay(*ends);
      } else {
        w.RemovePlainWay(*ends);
      }
      break;
    case 3:
      if (w.Completion == 4) {
        w.RemoveRouterWay(*ends);
      } else {
        w.RemovePlainWay(*ends);
      }
      break;
    case 5:
      w.RemoveRouterWay(*ends);
      break;
    case 4:
      SYS_BREAKPROGRAM("ERROR in TWay.Destroy: W4EndRouter not implemented!");
    default:
      SYS_BREAKPROGRAM("ERROR in TWay.Destroy: Unsupp. waytype!");
  }

  if (w.RoadsideBuildings != 0) DestroyBuildingsAt(w);
  if (w.Mesh != 0) TMeshdata2::DestroyByIndex(w.Mesh);
  w.ReleasePsgrWays();
  const bool hadStation = w.Station != 0;
  if (hadStation) {
    w.RemoveFromStation();
    w.InvalidateSchedules();
  }
  if (w.Building != 0) w.RemoveFromBuilding();
  if (w.City != 0) CityWayRemoved();
  world_hooks::OnDestroyWay(w.Index);
  world_hooks::RemovePathsOfWay(ends->Count, ends->Nodes, TWayEndNodes::kRoom, hadStation || ends->StationFlag);
  ArrayerEntryDestroyBW(w.Index);
  if (ActPlayer == LocalPlayer) LocalWorldChanged = 1;
  Finish(result);
}

}  // namespace

void TWay::Init(uint8_t use, uint8_t wayType) {
  *this = TWay{};
  Use = use;
  Waytype = wayType;
  Owner = ActPlayer;
  City = ActCity;
  State = 0;
}

bool TWay::CanBeDemolished() const {
  if ((Waytype == 1 || Waytype == 6) && Completion != 5) return false;
  if (Waytype == 3 && Completion != 4) return false;
  return true;
}

float TWay::Length() const {
  if (ConnectionCounter < 2 || Connections[0] == 0 || Connections[1] == 0) return 0.0f;
  TConnect a{}, b{};
  GetConnect(a, Connections[0]);
  GetConnect(b, Connections[1]);
  return static_cast<float>(VecDistance(a.Position, b.Position));
}

float TWay::WayCost(float length) const {
  float price = 0.0f;
  switch (Use) {
    case 0:
      price = 10.0f;
      break;
    case 1:
      price = 15.0f;
      break;
    case 2:
    case 3:
    case 4:
      break;
    default:
      SYS_Warning("WARNING: TWay.WayCost: Unsupp. Use");
  }
  if (length == 0.0f) length = Length();
  switch (Waytype) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 6:
      return length * price;
    case 5:
      return 0.0f;
    default:
      SYS_Warning("WARNING: TWay.WayCost: Unsupp. Typ");
      return 0.0f;
  }
}

void TWay::Destroy(uint8_t mode, TDestroyResult& result) {
  // A way met again by its own cascade (two routers at one connection) is left to the outer call.
  if (DestroyInProgress::Active(kTWayDesc, Index)) {
    result.Clear();
    result.Include(kDestroyOk);
    return;
  }
  DestroyInProgress mark(kTWayDesc, Index);
  DestroyWay(*this, mode, result);
}

void TWay::DestroyByIndex(uint32_t index, uint8_t mode, TDestroyResult& result) {
  if (DestroyInProgress::Active(kTWayDesc, index)) {
    result.Clear();
    result.Include(kDestroyOk);
    return;
  }
  TWay w{};
  w.A_Read(index);
  w.Destroy(mode, result);
}

void TWay::RemovePlainWay(TWayEndNodes& ends) {
  if (Station != 0) {
    if (NodeInPool(Nodes[1])) NodeByIndex(Nodes[1]).Flags &= static_cast<uint8_t>(~kNodeFlagStation);
    if (NodeInPool(Nodes[3])) NodeByIndex(Nodes[3]).Flags &= static_cast<uint8_t>(~kNodeFlagStation);
  }
  ReleaseEndNode(Nodes[0], ends);
  ReleaseEndNode(Nodes[2], ends);
  world_hooks::RemoveWayFromBlockSystem(*this);
  FreeNodes();
  DetachFromConnect(0);
  DetachFromConnect(1);
}

void TWay::RemoveRouterWay(TWayEndNodes& ends) {
  for (int i = 0; i < NodeCount(*this); ++i) {
    if (Nodes[i] != 0) ReleaseEndNode(Nodes[i], ends);
  }
  FreeNodes();
  if (Use == 1) world_hooks::RemoveWayFromBlockSystem(*this);
  for (int k = 0; k < ConnectionCount(*this); ++k) DetachFromConnect(k);
}

void TWay::ReleaseEndNode(uint32_t n, TWayEndNodes& ends) const {
  if (!NodeInPool(n) || NodeByIndex(n).Way != Index) return;
  TNode& node = NodeByIndex(n);  // the pool never moves
  if (node.Flags & kNodeFlagRouteEnd) {
    ends.Add(n);
    if (node.Flags & kNodeFlagStation) ends.StationFlag = true;
    CollectRouterNode(n, ends);
  }
  DestroyNodeSignal(node.Signal);
  node.Way = 0;
  node.Flags &= static_cast<uint8_t>(~kNodeFlagStation);
  while (node.NextLinkCount > 0) {
    const uint32_t m = node.NextLinks[0];
    node.NextLinks[0] = node.NextLinks[1];
    --node.NextLinkCount;
    if (!NodeInPool(m)) continue;
    TNode& next = NodeByIndex(m);
    if (next.PrevLinkCount > 0 && next.PrevLinks[0] == n) {
      next.PrevLinks[0] = next.PrevLinks[1];
      --next.PrevLinkCount;
    } else if (next.PrevLinkCount == 2 && next.PrevLinks[1] == n) {
      --next.PrevLinkCount;
    }
    DestroyNodeSignal(next.Signal);
  }
}

void TWay::CollectRouterNode(uint32_t start, TWayEndNodes& ends) {
  uint32_t n = start;
  // A walk never takes more steps than there are nodes, whatever the links say.
  for (uint32_t steps = 0; steps <= NodeArrayCount && NodeInPool(n); ++steps) {
    const TNode& node = NodeByIndex(n);
    if (node.NextLinkCount == 2 || node.PrevLinkCount == 2) {
      ends.Add(n);
      return;
    }
    if (node.PrevLinkCount == 0) return;
    n = node.PrevLinks[0];
    if (n == start) return;
  }
}

void TWay::DestroyNodeSignal(uint32_t signal) {
  if (signal == 0) return;
  TSignal s{};
  s.A_Read(signal);
  TBlock block{};
  block.A_Read(s.Block);
  s.Destroy();
  world_hooks::CollectBlockSignals(block);
}

void TWay::FreeNodes() const {
  for (int i = 0; i < NodeCount(*this); ++i) {
    const uint32_t n = Nodes[i];
    if (!NodeInPool(n)) continue;
    const TNode& node = NodeByIndex(n);
    if (node.PrevLinkCount == 0 && node.NextLinkCount == 0) DeleteNode(n);
  }
}

void TWay::DetachFromConnect(int k) const {
  const uint32_t c = Connections[k];
  if (c == 0 || c > ConnectArrayCount) return;
  TConnect& con = ConnectByIndex(c);
  if (con.WayB == Index) {
    con.WayB = 0;
  } else if (con.WayA == Index) {
    con.WayA = con.WayB;
    con.WayB = 0;
  } else {
    return;  // the way was not at this connection
  }
  if (ConnectWayCount(con) == 0) DeleteConnect(c);
}

void TWay::RemoveFromBuilding() {
  if (Building == 0) return;
  // The building may have gone before its way in the same cascade (a junction building goes with
  // its last connection).
  if (!ArrayerHolds(kTBuildingDesc, Building)) return;
  TBuilding b{};
  b.A_Read(Building);
  int at = -1;
  for (int i = 0; i < std::min<int>(b.BuildingWayCounter, 20); ++i) {
    if (b.Ways[i] == Index) at = i;
  }
  if (at < 0) SYS_BREAKPROGRAM("ERROR: UTWay: TWay.RemoveFromBuilding: The Way is unknown by the Building");
  for (int i = at; i + 1 < b.BuildingWayCounter; ++i) b.Ways[i] = b.Ways[i + 1];
  --b.BuildingWayCounter;
  b.A_ReWrite();
}

void TWay::RemoveFromStation() {
  if (Station == 0) return;
  const uint32_t station = Station;
  Station = 0;
  if (!ArrayerHolds(kTStationDesc, station)) return;  // gone earlier in the same cascade
  auto s = std::make_unique<TStation>();
  s->A_Read(station);
  int at = -1;
  for (int i = 0; i < std::min<int>(s->StationWayCounter, 100); ++i) {
    if (s->Ways[i] == Index) at = i;
  }
  if (at < 0) SYS_BREAKPROGRAM("ERROR: UTWay: TWay.RemoveFromStation: The Way is unknown by the Station");
  for (int i = at; i + 1 < s->StationWayCounter; ++i) s->Ways[i] = s->Ways[i + 1];
  --s->StationWayCounter;
  s->CalcStationKind();
  s->A_ReWrite();
  if (s->StationBuildingcounter == 0 && s->StationWayCounter == 0) {
    TDestroyResult r{};
    s->destroy(kDestroyForced, r);
    return;
  }
  if ((Use == 0 && !(s->ServiceFlags & 32)) || (Use == 1 && !(s->ServiceFlags & 16))) InvalidateSchedules();
}

void TWay::InvalidateSchedules() const {
  TSchedule s{};
  for (uint32_t i = FindInArrayerRest(kARTypeSchedule, 0); i != 0; i = FindInArrayerRest(kARTypeSchedule, i)) {
    s.A_Read(i);
    if (s.Use == Use && s.State == 1) {
      s.State = 2;
      s.A_Overwrite();
    }
  }
}

void TWay::ReleasePsgrWays() {
  for (int i = 0; i < 3; ++i) {
    const uint32_t index = PsgrWays[i];
    if (index == 0) continue;
    TPsgrWayFields p{};
    world_hooks::ReadPsgrWay(index, p);
    p.Used = 0;
    world_hooks::OverwritePsgrWay(p);
    world_hooks::PsgrWayDestroyIfUnused(index);
    PsgrWays[i] = 0;
  }
}
