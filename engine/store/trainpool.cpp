#include "engine/store/trainpool.h"

#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"

TTrain* MemTraindataArray = nullptr;
uint32_t TraindataArrayCapacity = 0;
uint32_t TraindataArrayCount = 0;
uint32_t TraindataArrayLast = 0;

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
