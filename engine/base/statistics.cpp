#include "engine/base/statistics.h"

#include <cstring>

#include "engine/base/diagnostics.h"

TInfoScreenData InfoScreenData;

namespace {
struct InfoScreenStart {
  InfoScreenStart() { InitInfoScreen(InfoScreenData); }
} g_start;
}  // namespace

void InitInfoScreen(TInfoScreenData& info) {
  std::memset(&info, 0, sizeof(info));
  info.CounterBank = 3;
}

void InfoScreenBeginTick(TInfoScreenData& info) { info.CounterBank = 2; }

void InfoScreenEndTick(TInfoScreenData& info) { info.CounterBank = 3; }

void AddToCounter(TInfoScreenData&, uint32_t& counter, uint32_t amount) { counter += amount; }

void ClearInfoCounters(TInfoScreenData& info) { std::memset(info.CallCounters, 0, sizeof(info.CallCounters)); }

void AddMemoryBlock(TInfoScreenData& info, void* p, int32_t size, const std::string& name) {
  int k = 0;
  for (int i = 1; i <= kInfoBlockSlots; ++i) {
    if (!info.BlockPointers[i]) {
      k = i;
      break;
    }
  }
  if (k == 0) {
    SYS_Warning("Warning: InfoScreen: More then 60 MemoryBlocks are allocatet!");
    k = kInfoBlockSlots;
  }
  info.BlockPointers[k] = p;
  info.BlockNames[k] = name;
  info.BlockSizes[k] = size;
  ++info.BlockAdds;
  ++info.BlockAddsTotal;
  uint32_t used = 0, total = 0;
  for (int i = 1; i <= kInfoBlockSlots; ++i) {
    if (!info.BlockPointers[i]) continue;
    ++used;
    total += static_cast<uint32_t>(info.BlockSizes[i]);
  }
  if (used > info.MaxBlocksUsed) info.MaxBlocksUsed = used;
  if (total > info.MaxBlockBytes) info.MaxBlockBytes = total;
}

void RemoveMemoryBlock(TInfoScreenData& info, void* p) {
  if (!p) return;
  for (int i = 1; i <= kInfoBlockSlots; ++i) {
    if (info.BlockPointers[i] == p) {
      info.BlockPointers[i] = nullptr;
      return;
    }
  }
}
