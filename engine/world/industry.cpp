// Industry records: goods-way removal, the removal of an industry, and its weight in its town.
#include "engine/world/industry.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/compaction.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

float IndustryTypeCityFactor(const TIndustryType& t, int k) {
  float f;
  std::memcpy(&f, t.Bytes + kIndustryTypeCityFactorsOffset + 4 * k, 4);
  return f;
}

void SetIndustryTypeCityFactor(TIndustryType& t, int k, float factor) {
  std::memcpy(t.Bytes + kIndustryTypeCityFactorsOffset + 4 * k, &factor, 4);
}

namespace {

[[noreturn]] void Identical(uint32_t industry, uint32_t goodsway) {
  SYS_BREAKPROGRAM("ERROR: UTIndustry: RemoveAGoodsway: The Industry(" + std::to_string(industry) +
                   ") have min. 2 identical Goodsways(" + std::to_string(goodsway) + ")");
}

// Each of the town's six counts changes by the truncated size times the type's factor, with sign.
void ChangeCity(const TIndustry& i, int sign) {
  if (i.City < 1 || i.City > 100 || i.IndustryType < 1 || i.IndustryType > 52) return;
  const TIndustryType& type = IndustryTypes[i.IndustryType];
  TCity& city = Cities[i.City];
  for (int k = 0; k < 6; ++k) {
    // The product is rounded to a float before it is cut.
    const float product = static_cast<float>(static_cast<long double>(i.Size) * IndustryTypeCityFactor(type, k));
    city.IndustryWeights[k] += static_cast<uint32_t>(sign * TruncToInt(product));
  }
}

}  // namespace

bool TIndustry::RemoveAGoodsway(uint32_t goodsway) {
  const int outputs = std::min<int>(IndustryOutputCounter, 250);
  int kept = 0;
  for (int i = 0; i < outputs; ++i) {
    if (Output[i].Target == goodsway) {
      world_hooks::OnRemoveIndustryGoodsway();
      continue;
    }
    Output[kept++] = Output[i];
  }
  const bool outputChanged = kept != outputs;
  if (outputChanged) {
    if (outputs - kept > 1) Identical(Index, goodsway);
    IndustryOutputCounter = static_cast<uint8_t>(kept);
  }
  const int from = std::min<int>(IndustryCalcGWFromCounter, 250);
  kept = 0;
  for (int i = 0; i < from; ++i) {
    if (CalcGWFrom[i] != goodsway) CalcGWFrom[kept++] = CalcGWFrom[i];
  }
  if (kept == from) return outputChanged;
  if (from - kept > 1) Identical(Index, goodsway);
  IndustryCalcGWFromCounter = static_cast<uint8_t>(kept);
  return true;
}

void TIndustry::Destroy() {
  if (GameSettings.EconomyMode != 0) {
    // The simple economy: the output list names stations, which hold the industry in range.
    auto s = std::make_unique<TStation>();
    for (int i = 0; i < std::min<int>(IndustryOutputCounter, 250); ++i) {
      s->A_Read(Output[i].Target);
      const int count = std::min<int>(s->StationIndustryInRangeCounter, 16);
      int at = 0;
      while (at < count && s->IndustriesInRange[at] != Index) ++at;
      if (at == count) continue;  // the station does not hold it: nothing to take away
      for (int k = at; k + 1 < count; ++k) s->IndustriesInRange[k] = s->IndustriesInRange[k + 1];
      --s->StationIndustryInRangeCounter;
      s->A_ReWrite();
    }
  } else {
    for (uint32_t i = FindInArrayerRest(kARTypeGoodsway, 0); i != 0; i = FindInArrayerRest(kARTypeGoodsway, i)) {
      TGoodswayFields w{};
      world_hooks::ReadGoodsway(i, w);
      if (w.SourceIndustry == Index) {
        w.SourceIndustry = 0;
        w.Flags &= static_cast<uint8_t>(~2u);
        world_hooks::OverwriteGoodsway(w);
      }
      if (w.Target == Index) world_hooks::GoodswayDestroy(i);
    }
  }
  world_hooks::OnDestroyIndustry(Index);
  ArrayerEntryDestroyOA(Index);
}

void TIndustry::DestroyByIndex(uint32_t index) {
  auto i = std::make_unique<TIndustry>();
  i->A_Read(index);
  i->Destroy();
}

void TIndustry::AddToCity() const { ChangeCity(*this, 1); }
void TIndustry::RemoveFromCity() const { ChangeCity(*this, -1); }
