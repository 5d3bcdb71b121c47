// Tree records: the removal of a tree.
#include "engine/arrayerlow.h"
#include "engine/worldrecords.h"

void TTree::Destroy() const { ArrayerEntryDestroyOA(Index); }
