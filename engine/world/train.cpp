#include "engine/world/train.h"

#include <cstring>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"

namespace train_hooks {
// The engine's own removals of a path and a vehicle.
void (*PathDestroy)(const TPath&) = [](const TPath& p) { p.Destroy(); };
void (*VehicleDestroyByIndex)(uint32_t, bool) = TVehicle::DestroyByIndex;
void (*RemoveTrainFromAllBlocks)(uint32_t) = nullptr;
void (*RemoveTrainFromStreetBlocks)(uint32_t) = nullptr;
void (*RemoveTrainFromSchedule)(uint32_t, uint32_t) = nullptr;
void (*OnDestroyTrain)(uint32_t) = nullptr;
}  // namespace train_hooks

void TTrain::Destroy(uint32_t index, uint8_t mode, TDestroyResult& result) {
  result.Clear();
  if (index == 0 || index > TraindataArrayCount)
    SYS_BREAKPROGRAM("TTrain.Destroy : Index out of range! Index : " + std::to_string(index));
  if (mode == 1) {
    Destroy(index, 0, result);
    if (!result.Has(0)) return;
    result.Clear();
  }
  if (mode == 0) {
    const TTrain& t = TrainByIndex(index);
    if (t.Owner >= 1 && t.Owner <= 10 && t.Owner != ActPlayer) {
      result.Include(34);
    } else if (t.Owner > 10) {
      result.Include(35);
    } else if (t.VehicleCount > 0) {
      result.Include(44);
    }
  } else {
    // The record is read again after each call: the services change it in place.
    if (const uint32_t path = TrainByIndex(index).Path; path != 0) {
      TPath p{};
      p.A_Read(path);
      if (train_hooks::PathDestroy) train_hooks::PathDestroy(p);
    }
    {
      const TTrain& t = TrainByIndex(index);
      const int count = t.VehicleCount < kTrainMaxVehicles ? t.VehicleCount : kTrainMaxVehicles;
      uint32_t vehicles[kTrainMaxVehicles];
      std::memcpy(vehicles, t.Vehicles, sizeof(vehicles));
      for (int i = 0; i < count; ++i) {
        if (train_hooks::VehicleDestroyByIndex) train_hooks::VehicleDestroyByIndex(vehicles[i], false);
      }
    }
    switch (TrainByIndex(index).VBT_Type) {
      case kTrainRail:
        if (train_hooks::RemoveTrainFromAllBlocks) train_hooks::RemoveTrainFromAllBlocks(index);
        break;
      case kTrainRoad:
        if (train_hooks::RemoveTrainFromStreetBlocks) train_hooks::RemoveTrainFromStreetBlocks(index);
        break;
      default:
        SYS_BREAKPROGRAM("TTrain.Destroy : Unsupported VBT_Type has been deleted! Index : " + std::to_string(index) +
                         " 0");
    }
    if (const uint32_t schedule = TrainByIndex(index).Schedule; schedule != 0) {
      if (train_hooks::RemoveTrainFromSchedule) train_hooks::RemoveTrainFromSchedule(index, schedule);
    }
    if (train_hooks::OnDestroyTrain) train_hooks::OnDestroyTrain(index);
    TrainByIndex(index).VBT_Type = kTrainFree;
  }
  if (result.Empty()) result.Include(0);
}
