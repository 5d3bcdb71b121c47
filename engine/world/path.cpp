// Path records: the node list a vehicle follows, and the walk over the valid paths of one use.
#include "engine/world/path.h"

#include <algorithm>

#include "engine/base/diagnostics.h"
#include "engine/store/compaction.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"

using namespace arrayer_internal;

void TPath::Init(uint8_t use) {
  PathNodeCounter = 0;
  Invalid = 1;
  Use = use;
}

bool TPath::ContainsNode(uint32_t node) const {
  const int count = std::min<int>(PathNodeCounter, 1000);
  for (int i = 0; i < count; ++i) {
    if (Nodes[i] == node) return true;
  }
  return false;
}

void TPath::Destroy() const { ArrayerEntryDestroyRest(Index); }

uint32_t FindPathOfUse(uint8_t use, uint32_t start) {
  const TArrayerArray& a = ArrayerRest;
  if (start >= a.TableTop) SYS_BREAKPROGRAM("Error: Arrayer: FindInArrayer: The StartPoint was to high");
  BusyCheck();
  ArrayerBusy = 1;
  uint32_t found = 0;
  for (uint32_t cell = start + 1; cell < a.TableTop; ++cell) {
    const uint8_t* e = EntryOfCell(a, cell);
    if (!e || EntryKind(e) != kKindPath) continue;
    // A record field at offset d lies at entry offset d + 4.
    const uint8_t invalid = e[offsetof(TPath, Invalid) + 4];
    const uint8_t pathUse = e[offsetof(TPath, Use) + 4];
    if (invalid == 0 && pathUse == use) {
      found = cell;
      break;
    }
  }
  ArrayerBusy = 0;
  return found;
}
