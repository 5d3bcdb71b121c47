#include "engine/uttraindata.h"

#include <cstring>
#include <string>

#include "engine/arrayer.h"
#include "engine/database.h"
#include "engine/sys.h"

TTrain* MemTraindataArray = nullptr;
uint32_t TraindataArrayCapacity = 0;
uint32_t TraindataArrayCount = 0;
uint32_t TraindataArrayLast = 0;

namespace train_hooks {
// The engine's own removals of a path and a vehicle.
void (*PathDestroy)(const TPath&) = [](const TPath& p) { p.Destroy(); };
void (*VehicleDestroyByIndex)(uint32_t, bool) = TVehicle::DestroyByIndex;
void (*RemoveTrainFromAllBlocks)(uint32_t) = nullptr;
void (*RemoveTrainFromStreetBlocks)(uint32_t) = nullptr;
void (*RemoveTrainFromSchedule)(uint32_t, uint32_t) = nullptr;
void (*OnDestroyTrain)(uint32_t) = nullptr;
}  // namespace train_hooks

namespace {
void* g_block = nullptr;
uint32_t g_room = 0;
}  // namespace

bool TraindataArrayAlloc() {
  TraindataArrayFree();
  const uint32_t records = TraindataArrayCapacity + kTrainGrowthStep;
  MemTraindataArray =
      reinterpret_cast<TTrain*>(arrayer_internal::AllocPool(records, sizeof(TTrain), "MemTraindataArray", g_block));
  if (!MemTraindataArray) return false;
  g_room = records;
  return true;
}

void TraindataArrayFree() {
  arrayer_internal::FreePool(g_block);
  MemTraindataArray = nullptr;
  g_room = 0;
  TraindataArrayCount = 0;
  TraindataArrayLast = 0;
}

void TraindataArrayReset() {
  TraindataArrayCount = 0;
  TraindataArrayLast = 0;
  TraindataArrayGrow();
}

void TraindataArrayGrow() {
  if (TraindataArrayCount + kTrainGrowthStep > g_room)
    SYS_BREAKPROGRAM("Error: UTTrainData: TraindataArrayGrow: The train pool is full!");
  for (uint32_t n = TraindataArrayCount + 1; n <= TraindataArrayCount + kTrainGrowthStep; ++n)
    TrainByIndex(n).VBT_Type = kTrainFree;
  TraindataArrayCount += kTrainGrowthStep;
  if (TraindataArrayCount > TraindataArrayCapacity) ArrayerOverflow = 1;
}

uint32_t TraindataArrayFindFree() {
  return arrayer_internal::PoolFindFree(
      TraindataArrayLast, TraindataArrayCount, [](uint32_t n) { return TrainByIndex(n).VBT_Type == kTrainFree; },
      TraindataArrayGrow);
}

uint32_t NewTrain() {
  const uint32_t n = TraindataArrayFindFree();
  TrainByIndex(n).Index = n;
  return n;
}

uint32_t FindNextTrain(uint32_t start) {
  ArrayerCount(kArrayerPoolWalkRow, 1);
  if (start >= TraindataArrayCount) return 0;
  for (uint32_t n = start + 1; n <= TraindataArrayCount; ++n) {
    if (TrainByIndex(n).VBT_Type != kTrainFree) return n;
  }
  return 0;
}

bool IsTrainUsed(uint32_t index) {
  return index >= 1 && index <= TraindataArrayCount && TrainByIndex(index).VBT_Type != kTrainFree;
}

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
