#include "economy/goods/creation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "economy/goods/goodsentries.h"
#include "economy/goods/handling.h"
#include "economy/goods/records.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"

namespace {

constexpr int kIndustryOutputRoom = 250;
constexpr uint8_t kPhaseStart = 0, kPhaseNextIndustry = 1, kPhaseHandOut = 2, kPhaseNextProduction = 3;

std::unique_ptr<TIndustry> ReadIndustry(uint32_t index) {
  auto i = std::make_unique<TIndustry>();
  i->A_Read(index);
  return i;
}

int ProductionCount(const TIndustry& i) { return std::min<int>(i.IndustryPCOutputCounter, kIndustryProductionRoom); }
int OutputCount(const TIndustry& i) { return std::min<int>(i.IndustryOutputCounter, kIndustryOutputRoom); }

// The recipe of production entry k.
TRecipe EntryRecipe(const TIndustry& i, int k) { return IndustryTypeRecipe(i.IndustryType, k); }

// The distinct output goods types of the industry's production entries, in entry order.
std::vector<uint8_t> OutputTypes(const TIndustry& i) {
  std::vector<uint8_t> types;
  for (int k = 0; k < ProductionCount(i); ++k) {
    const uint8_t out = EntryRecipe(i, k).Output;
    if (out != 0 && std::find(types.begin(), types.end(), out) == types.end()) types.push_back(out);
  }
  return types;
}

// The 0-based input entry of the goods type, or -1 (nothing is added).
int FindInput(const TIndustry& i, uint8_t goodType) {
  for (int k = 0; k < std::min<int>(i.IndustryInputCounter, kIndustryInputRoom); ++k)
    if (IndustryInput(i, k).GoodType == goodType) return k;
  return -1;
}

float InputStock(const TIndustry& i, uint8_t goodType) {
  const int k = FindInput(i, goodType);
  return k < 0 ? 0.0f : IndustryInput(i, k).Amount;
}

void TakeFromStock(TIndustry& i, uint8_t goodType, float amount) {
  const int k = FindInput(i, goodType);
  if (k < 0) return;
  TIndustryInput e = IndustryInput(i, k);
  e.Amount -= amount;
  SetIndustryInput(i, k, e);
}

float Accumulator(const TIndustryOutput& o) {
  float f;
  std::memcpy(&f, &o.Value, sizeof(f));
  return f;
}
void SetAccumulator(TIndustryOutput& o, float f) { std::memcpy(&o.Value, &f, sizeof(f)); }

// ---- Phase 1

void NextIndustry(TPPCreateGoods& p) {
  for (int n = 0; n < kCreateGoodsIndustriesPerStep; ++n) {
    p.IndustryCursor = FindInArrayerOA(kARTypeIndustry, p.IndustryCursor);
    if (p.IndustryCursor == 0) {
      p.Phase = kPhaseStart;
      return;
    }
    const auto i = ReadIndustry(p.IndustryCursor);
    if (IndustryTypeInterval(i->IndustryType) > 0 && i->NextProductionTick <= GameTime) {
      p.Phase = kPhaseHandOut;
      return;
    }
  }
}

// ---- Phase 2, simple economy

void HandOutToStations(TIndustry& industry) {
  const std::vector<uint8_t> types = OutputTypes(industry);
  std::vector<float> produced(types.size(), 0.0f), ratings(types.size(), 0.0f);
  const auto typeAt = [&](uint8_t type) { return std::find(types.begin(), types.end(), type) - types.begin(); };
  for (int k = 0; k < ProductionCount(industry); ++k) {
    const uint8_t out = EntryRecipe(industry, k).Output;
    if (out == 0) continue;
    TIndustryProduction e = IndustryProduction(industry, k);
    produced[typeAt(out)] += e.Production;
    e.ThisMonth += e.Production;
    SetIndustryProduction(industry, k, e);
  }
  auto s = std::make_unique<TStation>();
  const auto eachStation = [&](auto visit) {
    for (int o = 0; o < OutputCount(industry); ++o) {
      const uint32_t station = industry.Output[o].Target;
      if (station == 0 || !ArrayerHolds(kTStationDesc, station)) continue;
      s->A_Read(station);
      visit();
    }
  };
  // A supplied entry of the type: its 0-based place, or -1.
  const auto supplied = [&](uint8_t type) {
    const int g = FindStationGoods(*s, type);
    return g >= 0 && (StationGoods(*s, g).Flags & kStationGoodsSupplied) != 0 ? g : -1;
  };
  eachStation([&] {
    for (size_t t = 0; t < types.size(); ++t) {
      const int g = supplied(types[t]);
      if (g >= 0) ratings[t] += std::min(StationGoods(*s, g).Rating, 1.0f);
    }
  });
  for (int k = 0; k < ProductionCount(industry); ++k) {
    const uint8_t out = EntryRecipe(industry, k).Output;
    if (out == 0) continue;
    TIndustryProduction e = IndustryProduction(industry, k);
    const float r = ratings[typeAt(out)];
    e.Served = r < 1.0f ? r * 100.0f : 100.0f;
    SetIndustryProduction(industry, k, e);
  }
  for (float& r : ratings) r = r < 1.0f ? 1.0f : r;
  eachStation([&] {
    bool changed = false;
    for (size_t t = 0; t < types.size(); ++t) {
      const int g = supplied(types[t]);
      if (g < 0) continue;
      TStationGoods e = StationGoods(*s, g);
      e.Accumulated += produced[t] * std::min(e.Rating, 1.0f) / ratings[t];
      SetStationGoods(*s, g, e);
      changed = true;
    }
    if (changed) s->A_Overwrite();
  });
}

// ---- Phase 2, goods-way economy

void HandOutAlongGoodsways(TIndustry& industry) {
  const std::vector<uint8_t> types = OutputTypes(industry);
  std::vector<float> produced(types.size(), 0.0f), requested(types.size(), 0.0f);
  for (int k = 0; k < ProductionCount(industry); ++k) {
    const uint8_t out = EntryRecipe(industry, k).Output;
    if (out == 0) continue;
    const size_t t = std::find(types.begin(), types.end(), out) - types.begin();
    const TIndustryProduction e = IndustryProduction(industry, k);
    produced[t] += e.Production;
    requested[t] += e.LastMonth;
  }
  const int32_t interval = IndustryTypeInterval(industry.IndustryType);
  const bool hasStation = industry.Station != 0 && ArrayerHolds(kTStationDesc, industry.Station);
  auto station = std::make_unique<TStation>();
  if (hasStation) station->A_Read(industry.Station);
  bool added = false;
  TGoodsway way{};
  for (int o = 0; o < OutputCount(industry); ++o) {
    TIndustryOutput out = industry.Output[o];
    if (out.Target == 0 || !ArrayerHolds(kTGoodswayDesc, out.Target)) continue;
    way.A_Read(out.Target);
    float acc = Accumulator(out);
    const auto it = std::find(types.begin(), types.end(), way.GoodsWayGoodType);
    if ((way.GoodsWayFlags & kGoodswayProbe) == 0) {
      if (it != types.end()) {
        const size_t t = it - types.begin();
        if (requested[t] > 0.0f) acc += static_cast<float>(interval) * way.GoodsWayAmount * produced[t] / requested[t];
      }
    } else if (way.GoodsWayRefCount == 0 && way.GoodsWayLastDelivery == 0) {
      acc = 1.1f;
    }
    if (acc > 1.0f && hasStation) {
      TGood g{};
      g.GoodsWayEntry = 1;
      g.GoodType = way.GoodsWayGoodType;
      g.GoodAmount = static_cast<int32_t>(std::min(std::trunc(acc), 2147483520.0f));
      g.Goodsway = way.Index;
      g.GoodStartTime = GameTime;
      g.GoodReady = GameTime;
      g.A_Write();
      acc -= static_cast<float>(g.GoodAmount);
      ++way.GoodsWayRefCount;
      way.A_Overwrite();
      AppendToStation(*station, StationList::Out, g.Index,
                      "WARNING : Goods : PPCreateGoods : StationOutGoodsCounter was full!", true);
      added = true;
    }
    SetAccumulator(out, acc);
    industry.Output[o] = out;
  }
  if (added) station->A_ReWrite();
}

// ---- Phase 3

void NextProductionSimple(TIndustry& industry) {
  const int n = ProductionCount(industry);
  if (n == 0) return;
  for (int k = 0; k < n; ++k) {
    TIndustryProduction e = IndustryProduction(industry, k);
    e.Production = static_cast<float>(industry.Size) / static_cast<float>(n);
    SetIndustryProduction(industry, k, e);
  }
  // What each recipe could make from the stock alone, and what all of them would take of each input.
  float limits[kIndustryProductionRoom] = {};
  std::vector<std::pair<uint8_t, float>> needs;  // input type, summed need
  const auto needOf = [&](uint8_t type) -> float& {
    for (auto& [t, sum] : needs)
      if (t == type) return sum;
    needs.emplace_back(type, 0.0f);
    return needs.back().second;
  };
  for (int k = 0; k < n; ++k) {
    const TRecipe r = EntryRecipe(industry, k);
    if (RecipeInputCount(r) == 0) continue;
    float limit = -1.0f;
    for (int in = 0; in < RecipeInputCount(r); ++in) {
      if (!(r.Needs[in] > 0.0f)) continue;  // takes nothing of it
      const float has = FindInput(industry, r.Inputs[in]) < 0 ? 0.0f : std::trunc(InputStock(industry, r.Inputs[in]) / r.Needs[in]);
      limit = limit < 0.0f ? has : std::min(limit, has);
    }
    limits[k] = std::max(limit, 0.0f);
    for (int in = 0; in < RecipeInputCount(r); ++in)
      if (r.Needs[in] > 0.0f) needOf(r.Inputs[in]) += limits[k] * r.Needs[in];
  }
  // What the stock covers of what all recipes would take, each input type, before any is taken.
  std::vector<std::pair<uint8_t, float>> ratios;
  for (const auto& [type, sum] : needs)
    if (sum > 0.0f) ratios.emplace_back(type, InputStock(industry, type) / sum);
  for (int k = 0; k < n; ++k) {
    if (!(limits[k] > 0.0f)) continue;
    const TRecipe r = EntryRecipe(industry, k);
    float ratio = 1.0f;
    for (int in = 0; in < RecipeInputCount(r); ++in) {
      if (!(r.Needs[in] > 0.0f)) continue;
      for (const auto& [type, covered] : ratios)
        if (type == r.Inputs[in]) ratio = std::min(ratio, covered);
    }
    float limit = std::trunc(limits[k] * ratio);
    if (!(limit > 0.0f)) continue;
    limit = std::min(limit, static_cast<float>(industry.Size) * 1000.0f);
    for (int in = 0; in < RecipeInputCount(r); ++in)
      if (r.Needs[in] > 0.0f) TakeFromStock(industry, r.Inputs[in], limit * r.Needs[in]);
    TIndustryProduction e = IndustryProduction(industry, k);
    e.Production += limit;
    SetIndustryProduction(industry, k, e);
  }
}

void NextProductionAlongGoodsways(TIndustry& industry) {
  industry.Productivity = 0.0f;
  const float size = static_cast<float>(industry.Size);
  for (int k = 0; k < ProductionCount(industry); ++k) {
    TIndustryProduction e = IndustryProduction(industry, k);
    Smooth2(e.Served, e.Served2, e.ThisMonth);
    const TRecipe r = EntryRecipe(industry, k);
    float x = 0.0f;
    if (e.ThisMonth > 0.0f && size > 0.0f) {
      x = e.ThisMonth;
      for (int in = 0; in < RecipeInputCount(r); ++in)
        if (r.Needs[in] > 0.0f) x = std::min(x, InputStock(industry, r.Inputs[in]) / r.Needs[in] / size);
      x = std::max(x, 0.0f);
    }
    e.Production = x;
    if (x > 0.0f) {
      industry.Productivity += x;
      for (int in = 0; in < RecipeInputCount(r); ++in)
        if (r.Needs[in] > 0.0f) TakeFromStock(industry, r.Inputs[in], x * r.Needs[in] * size);
    }
    e.LastMonth = e.ThisMonth;
    SetIndustryProduction(industry, k, e);
  }
}

}  // namespace

void CreateGoodsStep(TPPCreateGoods& p) {
  switch (p.Phase) {
    case kPhaseStart:
      RetuneGoodsProcess(TGoodsProcess::CreateGoods, p.Speed, p.PassStart);
      p.IndustryCursor = 0;
      p.Phase = kPhaseNextIndustry;
      return;
    case kPhaseNextIndustry:
      NextIndustry(p);
      return;
    case kPhaseHandOut: {
      auto industry = ReadIndustry(p.IndustryCursor);
      if (GameSettings.EconomyMode != 0)
        HandOutToStations(*industry);
      else
        HandOutAlongGoodsways(*industry);
      industry->A_Overwrite();
      p.Phase = kPhaseNextProduction;
      return;
    }
    case kPhaseNextProduction: {
      auto industry = ReadIndustry(p.IndustryCursor);
      if (GameSettings.EconomyMode != 0)
        NextProductionSimple(*industry);
      else
        NextProductionAlongGoodsways(*industry);
      industry->NextProductionTick += static_cast<uint32_t>(IndustryTypeInterval(industry->IndustryType));
      industry->A_Overwrite();
      p.Phase = kPhaseNextIndustry;
      return;
    }
    default:
      return;
  }
}

void CGIndustryDeleted(TPPCreateGoods& p, uint32_t industry) {
  if ((p.Phase == kPhaseHandOut || p.Phase == kPhaseNextProduction) && p.IndustryCursor == industry)
    p.Phase = kPhaseNextIndustry;
}
