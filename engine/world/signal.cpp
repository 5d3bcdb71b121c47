// Signal records: the removal of a signal and whether both directions of its pair are clear.
#include "engine/store/compaction.h"
#include "engine/store/nodepool.h"
#include "engine/world/records.h"

void TSignal::Destroy() const {
  if (Node >= 1 && Node <= NodeArrayCount) NodeByIndex(Node).Signal = 0;
  ArrayerEntryDestroyOA(Index);
}

bool TSignal::IsClear() const {
  if (OneWay != 0) return false;
  TSignal partner{};
  partner.A_Read(Partner);
  return partner.OneWay == 0;
}
