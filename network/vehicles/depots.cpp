#include "network/vehicles/depots.h"

#include <algorithm>
#include <memory>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "engine/store/trainpool.h"
#include "engine/world/building.h"
#include "network/track/blocks.h"
#include "network/vehicles/convoys.h"
#include "network/vehicles/movement.h"
#include "network/vehicles/sounds.h"
#include "network/vehicles/stops.h"

namespace {

constexpr uint8_t kBuildingFinished = 2, kWayFinished = 2;
// The sound events of a road convoy's first vehicle entering and leaving a depot.
constexpr uint8_t kSoundEnterDepot = 2, kSoundLeaveDepot = 1;

const TBuildingType* TypeOf(uint16_t type) { return type >= 1 && type <= 255 ? &BuildingTypes[type] : nullptr; }

int Inside(const TDepot& d) { return std::min<int>(d.TrainInsideCounter, kDepotRoom); }

// The first vehicle of a road convoy with vehicles plays a sound event, at Where when given.
void FirstVehicleSound(const TDepot& d, const TTrain& t, uint8_t event, const TVector* where) {
  if (d.DepotKind != kDepotRoad || t.VehicleCount == 0 || t.Vehicles[0] == 0) return;
  TVehicle v{};
  v.A_Read(t.Vehicles[0]);
  if (where != nullptr) {
    v.Placement.X = where->x;
    v.Placement.Y = where->y;
    v.Placement.Z = where->z;
  }
  UpdateVehicleSound(t.Index, v, event, 1.0f, 1.0f);
}

// The convoy leaves the track: the nodes under it are left, oldest first, and it has no nodes
// and no placed vehicles any more.
void TakeOffTrack(TTrain& t) {
  const uint32_t train = t.Index;
  t.State = kTrainInDepot;
  for (uint32_t n : NodesUnder(t)) TrainLeavesNode(t, n);
  StopVehicleSounds(train);
  t.CurrentNode = 0;
  t.NextNode = 0;
  for (int i = 0; i < std::min<int>(t.VehicleCount, kTrainMaxVehicles); ++i) {
    // The step holds this tick's vehicles in its scratch record and stores them after the move.
    TVehicle& scratch = ConvoyScratch.Vehicles[i];
    if (scratch.Index == t.Vehicles[i]) scratch.Shown = 0;
    TVehicle v{};
    v.A_Read(t.Vehicles[i]);
    v.Shown = 0;
    v.A_Overwrite();
  }
  std::fill(t.NodesAhead, t.NodesAhead + kTrainNodesAhead, 0u);
  t.ClosingNode = 0;
}

// Whether the depot can let a convoy out now; the exit way's block when it can.
bool CanRelease(const TDepot& d, TBuilding& b) {
  if (d.Building == 0) return false;
  b.A_Read(d.Building);
  if (b.State != kBuildingFinished) return false;
  if (!NodeInPool(d.ExitNode) || NodeByIndex(d.ExitNode).Way == 0) return false;
  if (d.DepotKind != kDepotRail) return true;
  TWay w{};
  w.A_Read(NodeByIndex(d.ExitNode).Way);
  if (w.State != kWayFinished) return false;
  if (w.Block == 0) return true;
  TBlock block{};
  block.A_Read(w.Block);
  return block.TrainCount == 0;
}

}  // namespace

uint8_t DepotCaptureNode(uint16_t buildingType) {
  const TBuildingType* type = TypeOf(buildingType);
  if (type == nullptr) return 0;
  const int32_t c = BuildingTypeDepot(*type).CaptureNode;
  return c >= 1 && c <= 100 ? static_cast<uint8_t>(c) : 0;
}

bool CaptureTrain(TDepot& d, const TBuilding& b, uint32_t train) {
  const TBuildingType* type = TypeOf(b.BuildingType);
  if (type == nullptr || BuildingTypeUse(*type) != kBuildingKindDepot)
    SYS_BREAKPROGRAM("FATAL ERROR: A building which is no depot has tried to capture a train!");
  if (Inside(d) >= kDepotRoom || !IsTrainUsed(train)) return false;
  TTrain& t = TrainByIndex(train);
  FirstVehicleSound(d, t, kSoundEnterDepot, nullptr);
  const int at = Inside(d);
  d.TrainsInside[at] = train;
  d.TrainFlags[at] = 0;
  d.TrainInsideCounter = static_cast<uint8_t>(at + 1);
  d.A_ReWrite();
  if (BuildingTypeDepot(*type).Nirvana != 0) TakeOffTrack(t);
  t.Speed = 0.0f;
  t.TargetSpeed = 0.0f;
  if (d.DepotKind == kDepotRail) RemoveTrainFromAllBlocks(train);
  if (t.ScheduleState == kRouteToDepot || t.ScheduleState == kRouteNone) return true;
  if (ReleaseTrain(d, train)) return false;
  MarkTrainToLeave(d, train);
  return true;
}

bool ReleaseTrain(TDepot& d, uint32_t train) {
  TBuilding b{};
  if (!CanRelease(d, b)) return false;
  const int count = Inside(d);
  const auto end = d.TrainsInside + count;
  const auto at = std::find(d.TrainsInside, end, train);
  const bool released = at != end && IsTrainUsed(train);
  if (at != end) {
    const int k = static_cast<int>(at - d.TrainsInside);
    std::copy(d.TrainsInside + k + 1, end, d.TrainsInside + k);
    std::copy(d.TrainFlags + k + 1, d.TrainFlags + count, d.TrainFlags + k);
    d.TrainsInside[count - 1] = 0;
    d.TrainFlags[count - 1] = 0;
    d.TrainInsideCounter = static_cast<uint8_t>(count - 1);
  }
  if (released) {
    TTrain& t = TrainByIndex(train);
    CalcTrainPower(t);
    t.CurrentNode = d.ExitNode;
    t.NextNode = d.ExitNode;
    t.State = kTrainDriving;
    t.DistanceOnLink = 0.0f;
    t.TargetSpeed = t.MaxSpeed;
    t.Speed = 1.0f;
    if (d.DepotKind == kDepotRail) {
      TWay w{};
      w.A_Read(NodeByIndex(d.ExitNode).Way);
      if (w.Block != 0) {
        TBlock block{};
        block.A_Read(w.Block);
        AddTrainToBlock(block, train);
      }
    }
    if (t.Schedule != 0) {
      t.ScheduleState = kRouteFromDepot;
      auto s = std::make_unique<TSchedule>();
      s->A_Read(t.Schedule);
      if (s->IsCalculated()) FindPathToSchedulestation(t, *s, t.CurrentStop, nullptr, true, false);
    }
  }
  if (at != end) {
    RecalcDepotLeaveFlag(d);
    d.A_ReWrite();
  }
  movement_hooks::RunBuildingEvent(kDepotEventReleased, 0, 0, 0, b, static_cast<int32_t>(train), &d);
  if (released) {
    const TVector exit = NodeByIndex(d.ExitNode).Position;
    FirstVehicleSound(d, TrainByIndex(train), kSoundLeaveDepot, &exit);
  }
  return released;
}

bool MarkTrainToLeave(TDepot& d, uint32_t train) {
  bool found = false;
  for (int i = 0; i < Inside(d); ++i) {
    if (d.TrainsInside[i] != train) continue;
    d.TrainFlags[i] |= kDepotMarkedToLeave;
    d.Flags |= kDepotConvoyWaits;
    d.A_Overwrite();
    found = true;
  }
  return found;
}

void RecalcDepotLeaveFlag(TDepot& d) {
  const bool waiting = std::any_of(d.TrainFlags, d.TrainFlags + Inside(d),
                                   [](uint8_t f) { return (f & kDepotMarkedToLeave) != 0; });
  d.Flags = static_cast<uint8_t>(waiting ? (d.Flags | kDepotConvoyWaits) : (d.Flags & ~kDepotConvoyWaits));
}
