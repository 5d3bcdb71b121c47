// Signal records: the removal of a signal and whether both directions show clear.
#include "engine/store/compaction.h"
#include "engine/store/nodepool.h"
#include "engine/world/records.h"

void TSignal::Destroy() const {
  if (Node >= 1 && Node <= NodeArrayCount) NodeByIndex(Node).Signal = 0;
  ArrayerEntryDestroyOA(Index);
}

bool TSignal::IsClear() const {
  if (State != 0) return false;
  TSignal partner{};
  partner.A_Read(Partner);
  return partner.State == 0;
}
