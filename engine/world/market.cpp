// Market records: goods-way removal and the removal of a market.
#include <algorithm>
#include <memory>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/store/compaction.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

bool TMarket::RemoveAGoodsway(uint32_t goodsway) {
  const int from = std::min<int>(MarketCalcGWFromCounter, 250);
  int kept = 0;
  for (int i = 0; i < from; ++i) {
    if (CalcGWFrom[i] != goodsway) CalcGWFrom[kept++] = CalcGWFrom[i];
  }
  if (kept == from) return false;
  if (from - kept > 1)
    SYS_BREAKPROGRAM("ERROR: UTMarket: RemoveAGoodsway: The Market(" + std::to_string(Index) +
                     ") have min. 2 identical Goodsways(" + std::to_string(goodsway) + ")");
  MarketCalcGWFromCounter = static_cast<uint8_t>(kept);
  return true;
}

void TMarket::Destroy() {
  for (uint32_t i = FindInArrayerRest(kARTypeGoodsway, 0); i != 0; i = FindInArrayerRest(kARTypeGoodsway, i)) {
    TGoodswayFields w{};
    world_hooks::ReadGoodsway(i, w);
    if (w.Target == Index) world_hooks::GoodswayDestroy(i);
  }
  TWay way{};
  for (uint32_t i = FindInArrayerBW(kARTypeWay, 0); i != 0; i = FindInArrayerBW(kARTypeWay, i)) {
    way.A_Read(i);
    if (way.Market != Index) continue;
    way.Market = 0;
    way.A_Overwrite();
  }
  world_hooks::OnDestroyMarket(Index);
  ArrayerEntryDestroyOA(Index);
}

void TMarket::DestroyByIndex(uint32_t index) {
  auto m = std::make_unique<TMarket>();
  m->A_Read(index);
  m->Destroy();
}
