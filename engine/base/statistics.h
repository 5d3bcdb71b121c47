// Run-time statistics: record-store call counters, renderer counters and the register of large
// memory blocks. Only collected; nothing shows them.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/types.h"

constexpr int kInfoBlockSlots = 60;
constexpr int kRendererCounterCount = 256;

struct TInfoScreenData {
  uint8_t CounterBank;                 // 2 inside the simulation step, 3 outside it
  uint32_t CallCounters[4][210];       // the record store's counters, per bank
  // Owned by their units: compaction statistics and one counter per graphics call. Each unit
  // names its own indices.
  uint32_t RendererCounters[kRendererCounterCount];
  uint32_t TextureBindCounts[2501];    // per texture slot (slot 0 unused)
  void* BlockPointers[kInfoBlockSlots + 1];  // 1-based; nullptr = free slot
  ShortString<30> BlockNames[kInfoBlockSlots + 1];
  int32_t BlockSizes[kInfoBlockSlots + 1];
  uint32_t BlockAdds;
  uint32_t BlockAddsTotal;
  uint32_t MaxBlocksUsed;
  uint32_t MaxBlockBytes;
};

extern TInfoScreenData InfoScreenData;

void InfoScreenBeginTick(TInfoScreenData& info);
void InfoScreenEndTick(TInfoScreenData& info);
void AddToCounter(TInfoScreenData& info, uint32_t& counter, uint32_t amount);
void ClearInfoCounters(TInfoScreenData& info);
void AddMemoryBlock(TInfoScreenData& info, void* p, int32_t size, const std::string& name);
void RemoveMemoryBlock(TInfoScreenData& info, void* p);
// Unit start: every slot free, counts zero, bank 3. Runs once before main; tests call it again.
void InitInfoScreen(TInfoScreenData& info);
