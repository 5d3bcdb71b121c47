#include "economy/goods/goodsentries.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/world/industry.h"

namespace {

template <class Entry>
Entry FromBytes(const uint8_t* bytes) {
  Entry e;
  std::memcpy(&e, bytes, sizeof(Entry));
  return e;
}

bool IsIndustryType(uint8_t t) { return t >= 1 && t <= 52; }

}  // namespace

TStationGoods StationGoods(const TStation& s, int k) { return FromBytes<TStationGoods>(s.Goods[k]); }

void SetStationGoods(TStation& s, int k, const TStationGoods& e) { std::memcpy(s.Goods[k], &e, sizeof(e)); }

int FindStationGoods(const TStation& s, uint8_t goodType) {
  const int used = std::min<int>(s.StationGoodsCounter, kStationGoodsRoom);
  for (int k = 0; k < used; ++k) {
    if (StationGoods(s, k).GoodType == goodType) return k;
  }
  return -1;
}

bool StationAccepts(const TStation& s, uint8_t goodType) {
  const int k = FindStationGoods(s, goodType);
  return k >= 0 && (StationGoods(s, k).Flags & kStationGoodsAccepted) != 0;
}

TIndustryInput IndustryInput(const TIndustry& i, int k) { return FromBytes<TIndustryInput>(i.Input[k]); }

void SetIndustryInput(TIndustry& i, int k, const TIndustryInput& e) { std::memcpy(i.Input[k], &e, sizeof(e)); }

int FindOrAddIndustryInput(TIndustry& i, uint8_t goodType) {
  const int used = std::min<int>(i.IndustryInputCounter, kIndustryInputRoom);
  for (int k = 0; k < used; ++k) {
    if (IndustryInput(i, k).GoodType == goodType) return k;
  }
  if (used >= kIndustryInputRoom) return -1;
  TIndustryInput e{};
  e.GoodType = goodType;
  SetIndustryInput(i, used, e);
  i.IndustryInputCounter = static_cast<uint8_t>(used + 1);
  return used;
}

TIndustryProduction IndustryProduction(const TIndustry& i, int k) { return FromBytes<TIndustryProduction>(i.PCOutput[k]); }

void SetIndustryProduction(TIndustry& i, int k, const TIndustryProduction& e) {
  std::memcpy(i.PCOutput[k], &e, sizeof(e));
}

int IndustryTypeRecipeCount(uint8_t industryType) {
  if (!IsIndustryType(industryType)) return 0;
  return std::min<int>(IndustryTypes[industryType].Bytes[kIndustryTypeRecipeCountOffset], kIndustryTypeRecipeRoom);
}

TRecipe IndustryTypeRecipe(uint8_t industryType, int k) {
  if (!IsIndustryType(industryType) || k < 0 || k >= kIndustryTypeRecipeRoom) return TRecipe{};
  return Recipe(IndustryTypes[industryType].Bytes[kIndustryTypeRecipesOffset + k]);
}

void SetIndustryTypeRecipes(TIndustryType& t, int count, const uint8_t* recipeNumbers) {
  count = std::clamp(count, 0, kIndustryTypeRecipeRoom);
  t.Bytes[kIndustryTypeRecipeCountOffset] = static_cast<uint8_t>(count);
  for (int k = 0; k < kIndustryTypeRecipeRoom; ++k)
    t.Bytes[kIndustryTypeRecipesOffset + k] = k < count ? recipeNumbers[k] : 0;
}

int32_t IndustryTypeCapacity(uint8_t industryType) {
  if (!IsIndustryType(industryType)) return 0;
  return FromBytes<int32_t>(IndustryTypes[industryType].Bytes + kIndustryTypeCapacityOffset);
}

void SetIndustryTypeCapacity(TIndustryType& t, int32_t capacity) {
  std::memcpy(t.Bytes + kIndustryTypeCapacityOffset, &capacity, sizeof(capacity));
}

TRecipe Recipe(int n) {
  if (n < 1 || n > kRecipeCount) return TRecipe{};
  return FromBytes<TRecipe>(IndustryTypeEntries[n - 1].Bytes);
}

bool SetRecipe(int n, const TRecipe& r) {
  if (n < 1 || n > kRecipeCount) return false;
  for (int k = 0; k < RecipeInputCount(r); ++k) {
    if (!(r.Needs[k] > 0.0f)) {
      SYS_Warning("Recipe " + std::to_string(n) + ": the need of input " + std::to_string(k + 1) + " must be above 0");
      return false;
    }
  }
  std::memcpy(IndustryTypeEntries[n - 1].Bytes, &r, sizeof(r));
  return true;
}

int32_t IndustryTypeInterval(uint8_t industryType) {
  if (!IsIndustryType(industryType)) return 0;
  return FromBytes<int32_t>(IndustryTypes[industryType].Bytes + kIndustryTypeIntervalOffset);
}

bool SetIndustryTypeInterval(TIndustryType& t, int32_t interval) {
  if (interval <= 0) {
    SYS_Warning("Industry type: the production interval must be above 0, not " + std::to_string(interval));
    return false;
  }
  std::memcpy(t.Bytes + kIndustryTypeIntervalOffset, &interval, sizeof(interval));
  return true;
}

float IndustryTypeCostFactor(uint8_t industryType) {
  if (!IsIndustryType(industryType)) return 0.0f;
  return FromBytes<float>(IndustryTypes[industryType].Bytes + kIndustryTypeCostFactorOffset);
}

void SetIndustryTypeCostFactor(TIndustryType& t, float factor) {
  std::memcpy(t.Bytes + kIndustryTypeCostFactorOffset, &factor, sizeof(factor));
}

TMarketGoods MarketGoods(const TMarket& m, int k) { return FromBytes<TMarketGoods>(m.Goods[k]); }

void SetMarketGoods(TMarket& m, int k, const TMarketGoods& e) { std::memcpy(m.Goods[k], &e, sizeof(e)); }

int FindMarketGoods(const TMarket& m, uint8_t goodType) {
  const int used = std::min<int>(m.MarketGoodsCounter, kMarketGoodsRoom);
  for (int k = 0; k < used; ++k) {
    if (MarketGoods(m, k).GoodType == goodType) return k;
  }
  return -1;
}

int RecipeInputCount(const TRecipe& r) { return std::min<int>(r.InputCount, 4); }

static_assert(kIndustryTypeRecipesOffset + kIndustryTypeRecipeRoom <= kIndustryTypeCityFactorsOffset);
