// Depot records: the removal of a depot with the trains inside.
#include <algorithm>
#include <cstring>

#include "engine/store/compaction.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

void TDepot::Destroy(uint8_t mode, TDestroyResult& result) {
  result.Clear();
  if (mode == kDestroyChecked) {
    Destroy(kDestroyCheck, result);
    if (!result.Has(kDestroyOk)) return;
  }
  if (mode == kDestroyCheck && TrainInsideCounter > 0) result.Include(kReasonDepotHoldsTrains);
  if (mode == kDestroyForced) {
    uint32_t trains[100];
    std::memcpy(trains, TrainsInside, sizeof(trains));
    for (int i = 0; i < std::min<int>(TrainInsideCounter, 100); ++i) {
      TDestroyResult r{};
      TTrain::Destroy(trains[i], kDestroyForced, r);
    }
  }
  if (mode == kDestroyForced || (mode == kDestroyChecked && result.Has(kDestroyOk))) {
    world_hooks::OnDestroyDepot(Index);
    ArrayerEntryDestroyOA(Index);
  }
  if (result.Empty()) result.Include(kDestroyOk);
}

void TDepot::DestroyByIndex(uint32_t index, uint8_t mode, TDestroyResult& result) {
  TDepot d{};
  d.A_Read(index);
  d.Destroy(mode, result);
}
