// Tree records: the removal of a tree.
#include "engine/store/compaction.h"
#include "engine/world/records.h"

void TTree::Destroy() const { ArrayerEntryDestroyOA(Index); }
