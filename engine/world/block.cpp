// Block records: the removal of a signal block.
#include "engine/store/compaction.h"
#include "engine/world/records.h"

void TBlock::Destroy() const { ArrayerEntryDestroyRest(Index); }

void TBlock::DestroyByIndex(uint32_t index) {
  TBlock b{};
  b.A_Read(index);
  b.Destroy();
}
