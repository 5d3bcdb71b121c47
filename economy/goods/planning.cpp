#include "economy/goods/planning.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "economy/goods/goodsentries.h"
#include "economy/goods/handling.h"
#include "economy/goods/processframe.h"
#include "economy/goods/records.h"
#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

namespace {

using TChain = TPPRecalcProductionWays::TChain;
using TChainStep = TPPRecalcProductionWays::TChainStep;

constexpr uint8_t kPhaseStart = 0, kPhaseIndustries = 1, kPhaseGoodsways = 2, kPhaseNextType = 10,
                  kPhaseMarkets = 11, kPhaseSearch = 12, kPhaseNextMarket = 13, kPhaseTopWay = 14,
                  kPhaseExpand = 15, kPhaseChoose = 20, kPhaseBuy = 21, kPhaseCommit = 22;
constexpr uint8_t kLeftWithoutLoad = 2;
constexpr int kScheduleTrainRoom = 50, kScheduleStopRoom = 20, kTrainVehicleRoom = 12;
constexpr int kCalcGWFromRoom = 250;
constexpr float kRoundTripWithoutTimes = 100000.0f;

bool IsGoodsType(uint8_t t) { return t >= 1 && t <= 52; }

const TGoodsType& GoodsTypeOf(uint8_t t) {
  static const TGoodsType none{};
  return IsGoodsType(t) ? GoodsTypes[t] : none;
}

std::unique_ptr<TIndustry> ReadIndustry(uint32_t index) {
  auto i = std::make_unique<TIndustry>();
  i->A_Read(index);
  return i;
}

std::unique_ptr<TMarket> ReadMarket(uint32_t index) {
  auto m = std::make_unique<TMarket>();
  m->A_Read(index);
  return m;
}

bool HoldsIndustry(uint32_t index) { return index != 0 && ArrayerHolds(kTIndustryDesc, index); }
bool HoldsGoodsway(uint32_t index) { return index != 0 && ArrayerHolds(kTGoodswayDesc, index); }
bool HoldsMarket(uint32_t index) { return index != 0 && ArrayerHolds(kTMarketDesc, index); }

int ProductionCount(const TIndustry& i) { return std::min<int>(i.IndustryPCOutputCounter, kIndustryProductionRoom); }

float CollectedRequests(const TIndustry& i) {
  float sum = 0.0f;
  for (int k = 0; k < ProductionCount(i); ++k) sum += IndustryProduction(i, k).Requests;
  return sum;
}

// The units of the goods type per tick at the industry's full size (0 when it cannot produce).
float FullProduction(const TIndustry& i) {
  const int32_t interval = IndustryTypeInterval(i.IndustryType);
  if (i.Size <= 0 || interval <= 0) return 0.0f;
  return static_cast<float>(i.Size) / static_cast<float>(interval);
}

// ---- Phase 1: the requests collected by the last pass become the industries' requested amounts

void NormaliseIndustry(TPPRecalcProductionWays& p) {
  p.Cursor = FindInArrayerOA(kARTypeIndustry, p.Cursor);
  if (p.Cursor == 0) {
    p.Phase = kPhaseGoodsways;
    return;
  }
  auto i = ReadIndustry(p.Cursor);
  float s = CollectedRequests(*i);
  if (s < 1.0f) s = 1.0f;
  for (int k = 0; k < ProductionCount(*i); ++k) {
    TIndustryProduction e = IndustryProduction(*i, k);
    e.ThisMonth = e.Requests / s;
    e.Requests = 0.0f;
    SetIndustryProduction(*i, k, e);
  }
  const float perTick = FullProduction(*i);
  if (perTick > 0.0f) {
    for (int k = 0; k < std::min<int>(i->IndustryInputCounter, kIndustryInputRoom); ++k) {
      TIndustryInput e = IndustryInput(*i, k);
      const float most = perTick * static_cast<float>(GoodsTypeOf(e.GoodType).MaxAge);
      if (e.Amount > most) {
        e.Amount = most;
        SetIndustryInput(*i, k, e);
      }
    }
  }
  i->A_Overwrite();
}

// ---- Phase 2: the goods ways' deliveries and free amounts

bool RiddenHops(const TGoodsway& w) {
  for (int e = 0; e + 1 < std::min<int>(w.GoodsWayPathCounter, kGoodswayPathRoom); ++e)
    if (w.Path[e].ScheduleHop != 0) return true;
  return false;
}

void EvaluateGoodsway(TPPRecalcProductionWays& p) {
  p.Cursor = FindInArrayerRest(kARTypeGoodsway, p.Cursor);
  if (p.Cursor == 0) {
    p.GoodType = 0;
    p.Phase = kPhaseNextType;
    return;
  }
  auto w = std::make_unique<TGoodsway>();
  w->A_Read(p.Cursor);
  if ((w->GoodsWayFlags & kGoodswayActive) == 0) {
    w->GoodsWayAmount = 0.0f;
    w->GoodsWayRateA = 0.0f;
    w->GoodsWayRateB = 0.0f;
    w->GoodsWayDelivered = 0;
    w->GoodsWayMeasureStart = GameTime;
    w->GoodsWayFlags &= static_cast<uint8_t>(~kGoodswayProbe);
  } else {
    w->GoodsWayAmount = w->GoodsWayNewAmount;
    const uint32_t ticks = GameTicksSince(w->GoodsWayMeasureStart);
    if (ticks > kMeasurePeriod) {
      if ((w->GoodsWayFlags & kGoodswayLost) != 0)
        w->GoodsWayFlags = static_cast<uint8_t>((w->GoodsWayFlags & ~kGoodswayLost) | kGoodswayLostBefore);
      else
        w->GoodsWayFlags &= static_cast<uint8_t>(~kGoodswayLostBefore);
      float rateA = w->GoodsWayRateA, rateB = w->GoodsWayRateB;
      Smooth2(rateA, rateB, static_cast<float>(w->GoodsWayDelivered) / static_cast<float>(ticks));
      w->GoodsWayRateA = rateA;
      w->GoodsWayRateB = rateB;
      w->GoodsWayMeasureStart = GameTime;
      w->GoodsWayDelivered = 0;
    }
    if (w->GoodsWayContract == 0 && RiddenHops(*w)) {
      const TGoodsType& type = GoodsTypeOf(w->GoodsWayGoodType);
      if ((w->GoodsWayFlags & (kGoodswayLost | kGoodswayLostBefore)) != 0) {
        w->GoodsWayFreeAmount = 1.05f * w->GoodsWayRateB;
        if (w->GoodsWayLastDelivery == -1) w->GoodsWayLastDelivery = 0;
      } else {
        const float loose = type.WeightPerUnit > 0 ? 1.7f / static_cast<float>(type.WeightPerUnit) : 0.0f;
        w->GoodsWayFreeAmount = CalcFreeGoodswayAmount(*w) + loose + 1.1f * w->GoodsWayRateB;
      }
      if (w->GoodsWayLastDelivery == 0) {
        w->GoodsWayFreeAmount = 0.0f;
      } else if (w->GoodsWayLastDelivery > 0 &&
                 GameTicksSince(static_cast<uint32_t>(w->GoodsWayLastDelivery)) > static_cast<uint32_t>(std::max(0, type.MaxAge))) {
        w->GoodsWayFreeAmount = 0.0f;
        w->GoodsWayLastDelivery = 0;
      }
    }
  }
  w->GoodsWayNewAmount = 0.0f;
  w->A_Overwrite();
}

// ---- Phase 10 and 11: the next goods type and the markets that buy it

void NextGoodsType(TPPRecalcProductionWays& p) {
  const int last = std::min<int>(GoodsTypeCount, 52);
  while (p.GoodType < last) {
    ++p.GoodType;
    if (GoodsTypes[p.GoodType].ConsumerValue > 0.0f) {
      p.Cursor = 0;
      p.AcceptedCost = 0.0f;
      p.Phase = kPhaseMarkets;
      return;
    }
  }
  p.Phase = kPhaseStart;
}

bool MarketBuys(const TMarket& m, uint8_t goodType) {
  const TGoodsType& type = GoodsTypeOf(goodType);
  for (int k = 0; k < 6; ++k)
    if (m.LastResidents[k] > 0 && type.DemandFactors[k] > 0.0f) return true;
  return false;
}

void MarketDemandFlags(TPPRecalcProductionWays& p) {
  for (int n = 0; n < kPlanningMarketsPerStep; ++n) {
    p.Cursor = FindInArrayerOA(kARTypeMarket, p.Cursor);
    if (p.Cursor == 0) {
      p.PreviousGoodType = p.GoodType;
      p.Phase = kPhaseSearch;
      return;
    }
    auto m = ReadMarket(p.Cursor);
    const bool buys = MarketBuys(*m, p.GoodType);
    int k = FindMarketGoods(*m, p.GoodType);
    bool listChanged = false;
    if (buys && k < 0 && m->MarketGoodsCounter < kMarketGoodsRoom) {
      k = m->MarketGoodsCounter++;
      listChanged = true;
    } else if (!buys && k >= 0) {
      const int used = std::min<int>(m->MarketGoodsCounter, kMarketGoodsRoom);
      for (int j = k; j + 1 < used; ++j) SetMarketGoods(*m, j, MarketGoods(*m, j + 1));
      SetMarketGoods(*m, used - 1, TMarketGoods{});
      m->MarketGoodsCounter = static_cast<uint8_t>(used - 1);
      k = -1;
      listChanged = true;
    }
    if (k >= 0) {
      TMarketGoods e{};
      e.GoodType = p.GoodType;
      e.Demand = 1;
      SetMarketGoods(*m, k, e);
    }
    if (listChanged)
      m->A_ReWrite();
    else
      m->A_Overwrite();
  }
}

// ---- Phases 12 to 15: the search for the ten cheapest chains

void FreeAllSlots(TPPRecalcProductionWays& p) {
  for (auto& slot : p.Best) {
    slot.Chain.TotalCost = kPlanningFree;
    slot.Valid = 0;
  }
  p.WorstKeptCost = kPlanningFree;
}

float HighestSlotCost(const TPPRecalcProductionWays& p) {
  float worst = p.Best[0].Chain.TotalCost;
  for (const auto& slot : p.Best) worst = std::max(worst, slot.Chain.TotalCost);
  return worst;
}

bool MarketWants(const TMarket& m, uint8_t goodType) {
  const int k = FindMarketGoods(m, goodType);
  return k >= 0 && MarketGoods(m, k).Demand != 0;
}

void NextDemandingMarket(TPPRecalcProductionWays& p) {
  for (int n = 0; n < kPlanningMarketsPerStep; ++n) {
    p.Cursor = FindInArrayerOA(kARTypeMarket, p.Cursor);
    if (p.Cursor == 0) {
      p.Phase = kPhaseChoose;
      RecalcProductionWaysStep(p);
      return;
    }
    if (!MarketWants(*ReadMarket(p.Cursor), p.GoodType)) continue;
    p.Chain = TChain{};
    p.Chain.Market = p.Cursor;
    p.Chain.LastTried = 0;
    p.CurrentStep = 0;
    p.Phase = kPhaseTopWay;
    return;
  }
}

// Whether the goods way may take part in a chain for the goods type, and at what cost.
bool GoodswayCandidate(const TPPRecalcProductionWays& p, const TGoodsway& w, uint8_t goodType, float& cost,
                       float factor, float baseCost) {
  if (w.GoodsWayGoodType != goodType || (w.GoodsWayFlags & kGoodswayActive) == 0 ||
      (w.GoodsWayFlags & kGoodswayProbe) != 0)
    return false;
  if (w.GoodsWayFreeAmount > 0.0f) {
    if (!(w.GoodsWayNewAmount < w.GoodsWayFreeAmount)) return false;
  } else if (w.GoodsWayLastDelivery != 0) {
    return false;
  }
  if (!HoldsIndustry(w.GoodsWayFrom)) return false;
  const auto i = ReadIndustry(w.GoodsWayFrom);
  cost = (IndustryTypeCostFactor(i->IndustryType) * i->CostValue + w.GoodsWayTime) * factor + baseCost;
  if (!(cost <= 10.0f * GoodsTypeOf(p.GoodType).MaxTransportTime) || !(cost <= p.WorstKeptCost)) return false;
  return CollectedRequests(*i) <= 0.999f;
}

// The goods way of the list with the smallest index above After that is a candidate; 0 none.
uint32_t NextCandidate(const TPPRecalcProductionWays& p, const uint32_t* list, int count, uint32_t after,
                       uint8_t goodType, float factor, float baseCost, float& cost) {
  uint32_t best = 0;
  float bestCost = 0.0f;
  auto w = std::make_unique<TGoodsway>();
  for (int k = 0; k < std::min(count, kCalcGWFromRoom); ++k) {
    const uint32_t index = list[k];
    if (index <= after || (best != 0 && index >= best) || !HoldsGoodsway(index)) continue;
    w->A_Read(index);
    float c = 0.0f;
    if (GoodswayCandidate(p, *w, goodType, c, factor, baseCost)) {
      best = index;
      bestCost = c;
    }
  }
  cost = bestCost;
  return best;
}

void TopWay(TPPRecalcProductionWays& p) {
  if (!HoldsMarket(p.Chain.Market)) {
    p.Phase = kPhaseNextMarket;
    return;
  }
  const auto m = ReadMarket(p.Chain.Market);
  float cost = 0.0f;
  const uint32_t way = NextCandidate(p, m->CalcGWFrom, m->MarketCalcGWFromCounter, p.Chain.LastTried, p.GoodType, 1.0f,
                                     GoodsTypeOf(p.GoodType).ConsumerValue, cost);
  if (way == 0) {
    p.Phase = kPhaseNextMarket;
    return;
  }
  TGoodsway w{};
  w.A_Read(way);
  p.Chain.LastTried = way;
  TChainStep top{};
  top.Industry = w.GoodsWayFrom;
  top.GoodType = p.GoodType;
  top.Amount = 1.0f;
  top.Cost = cost;
  p.Chain.Steps[0] = top;
  p.Chain.StepCount = 1;
  p.CurrentStep = 1;
  p.Phase = kPhaseExpand;
}

void KeepBestChain(TPPRecalcProductionWays& p) {
  p.Chain.TotalCost = p.Chain.Steps[p.Chain.StepCount - 1].Cost;
  if (!(p.Chain.TotalCost > p.AcceptedCost)) return;
  int worst = 0;
  for (int k = 1; k < TPPRecalcProductionWays::kBestRoom; ++k)
    if (p.Best[k].Chain.TotalCost > p.Best[worst].Chain.TotalCost) worst = k;
  p.Best[worst].Chain = p.Chain;
  p.Best[worst].Valid = 1;
  p.WorstKeptCost = HighestSlotCost(p);
}

// The last added step leaves the chain; its parent becomes current (none left: the next goods way
// into the market).
void RemoveLastStep(TPPRecalcProductionWays& p) {
  const uint8_t parent = p.Chain.Steps[p.Chain.StepCount - 1].Parent;
  --p.Chain.StepCount;
  p.CurrentStep = parent;
  if (p.CurrentStep == 0 || p.Chain.StepCount == 0) {
    p.CurrentStep = 0;
    p.Phase = kPhaseTopWay;
  }
}

// The 1-based production entry after From whose recipe makes the goods type; 0 none.
uint8_t NextRecipe(const TIndustry& i, uint8_t goodType, int from) {
  for (int k = from + 1; k <= ProductionCount(i); ++k)
    if (IndustryTypeRecipe(i.IndustryType, k - 1).Output == goodType) return static_cast<uint8_t>(k);
  return 0;
}

// The current step cannot be made with its recipe: the next recipe with its output, or back.
void NoFurtherRecipe(TPPRecalcProductionWays& p, const TIndustry& industry, TChainStep& c) {
  const uint8_t next = NextRecipe(industry, c.GoodType, c.RecipeCursor);
  if (next != 0) {
    c.RecipeCursor = next;
    c.InputCursor = 1;
    p.Chain.Steps[p.CurrentStep - 1] = c;
    return;
  }
  p.Chain.Steps[p.CurrentStep - 1] = c;
  if (p.CurrentStep == 1) {
    p.CurrentStep = 0;
    p.Phase = kPhaseTopWay;
  } else {
    RemoveLastStep(p);
  }
}

void ExpandStep(TPPRecalcProductionWays& p) {
  if (p.CurrentStep < 1 || p.CurrentStep > p.Chain.StepCount || !HoldsIndustry(p.Chain.Steps[p.CurrentStep - 1].Industry)) {
    p.CurrentStep = 0;
    p.Phase = kPhaseTopWay;
    return;
  }
  TChainStep c = p.Chain.Steps[p.CurrentStep - 1];
  const auto industry = ReadIndustry(c.Industry);
  if (c.RecipeCursor == 0) {
    c.RecipeCursor = NextRecipe(*industry, c.GoodType, 0);
    c.InputCursor = 1;
    if (c.RecipeCursor == 0) {  // the industry makes none of it
      NoFurtherRecipe(p, *industry, c);
      return;
    }
  }
  const TRecipe recipe = IndustryTypeRecipe(industry->IndustryType, c.RecipeCursor - 1);
  const int inputs = RecipeInputCount(recipe);
  if (inputs == 0 || c.InputCursor > inputs) {
    // Complete: back to the parent's next input, or the whole tree is offered.
    if (c.InputCursor > 0) --c.InputCursor;
    p.Chain.Steps[p.CurrentStep - 1] = c;
    if (c.Parent != 0) {
      p.CurrentStep = c.Parent;
      ++p.Chain.Steps[p.CurrentStep - 1].InputCursor;
    } else {
      KeepBestChain(p);
      RemoveLastStep(p);
    }
    return;
  }
  const int in = c.InputCursor - 1;
  float cost = 0.0f;
  uint32_t way = 0;
  if (p.Chain.StepCount < TPPRecalcProductionWays::kChainRoom) {
    way = NextCandidate(p, industry->CalcGWFrom, industry->IndustryCalcGWFromCounter, c.Slots[in], recipe.Inputs[in],
                        recipe.Needs[in] * c.Amount, p.Chain.Steps[p.Chain.StepCount - 1].Cost, cost);
  }
  if (way != 0) {
    TGoodsway w{};
    w.A_Read(way);
    c.Slots[in] = way;
    p.Chain.Steps[p.CurrentStep - 1] = c;
    TChainStep next{};
    next.Amount = recipe.Needs[in] * c.Amount;
    next.Cost = cost;
    next.Industry = w.GoodsWayFrom;
    next.GoodType = w.GoodsWayGoodType;
    next.Parent = p.CurrentStep;
    p.Chain.Steps[p.Chain.StepCount] = next;
    ++p.Chain.StepCount;
    p.CurrentStep = p.Chain.StepCount;
    return;
  }
  c.Slots[in] = 0;
  if (c.InputCursor > 1) {
    --c.InputCursor;
    p.Chain.Steps[p.CurrentStep - 1] = c;
    RemoveLastStep(p);
    return;
  }
  NoFurtherRecipe(p, *industry, c);
}

// ---- Phases 20 to 22: planning the cheapest kept chain

void DropSlot(TPPRecalcProductionWays& p) {
  p.Best[p.ChosenSlot].Chain.TotalCost = kPlanningFree;
  p.Best[p.ChosenSlot].Valid = 0;
}

int ListIndustry(TPPRecalcProductionWays& p, uint32_t industry) {
  for (int k = 0; k < p.IndustryCount; ++k)
    if (p.Industries[k] == industry) return k;
  if (p.IndustryCount >= TPPRecalcProductionWays::kListRoom) return -1;
  const int k = p.IndustryCount++;
  p.Industries[k] = industry;
  for (float& share : p.IndustryShares[k]) share = 0.0f;
  return k;
}

int ListWay(TPPRecalcProductionWays& p, uint32_t way) {
  for (int k = 0; k < p.WayCount; ++k)
    if (p.Ways[k] == way) return k;
  if (p.WayCount >= TPPRecalcProductionWays::kListRoom) return -1;
  const int k = p.WayCount++;
  p.Ways[k] = way;
  p.WayShares[k] = 0.0f;
  return k;
}

// Lists the chain's industries and goods ways with their shares; false when the chain no longer
// holds together (a record is gone).
bool ListChain(TPPRecalcProductionWays& p, const TChain& chain) {
  p.IndustryCount = 0;
  p.WayCount = 0;
  for (int s = 0; s < std::min<int>(chain.StepCount, TPPRecalcProductionWays::kChainRoom); ++s) {
    const TChainStep step = chain.Steps[s];
    if (!HoldsIndustry(step.Industry) || step.RecipeCursor < 1 || step.RecipeCursor > kIndustryProductionRoom)
      return false;
    const auto industry = ReadIndustry(step.Industry);
    const int k = ListIndustry(p, step.Industry);
    if (k < 0) return false;
    p.IndustryShares[k][step.RecipeCursor - 1] += step.Amount;
    const TRecipe recipe = IndustryTypeRecipe(industry->IndustryType, step.RecipeCursor - 1);
    for (int in = 0; in < RecipeInputCount(recipe); ++in) {
      if (step.Slots[in] == 0) continue;
      const int w = ListWay(p, step.Slots[in]);
      if (w < 0) return false;
      p.WayShares[w] += recipe.Needs[in] * step.Amount;
    }
  }
  return true;
}

// Marks the goods ways of a chain that no planning can size yet for single probe batches.
void MarkProbe(const TPPRecalcProductionWays& p, uint32_t top) {
  auto w = std::make_unique<TGoodsway>();
  const auto mark = [&](uint32_t index) {
    if (!HoldsGoodsway(index)) return;
    w->A_Read(index);
    if ((w->GoodsWayFlags & (kGoodswayProbe | kGoodswayByTransfer)) != 0 || w->GoodsWayLastDelivery != 0) return;
    w->GoodsWayFlags |= kGoodswayProbe;
    w->A_Overwrite();
  };
  mark(top);
  for (int k = 0; k < p.WayCount; ++k) mark(p.Ways[k]);
}

void Choose(TPPRecalcProductionWays& p) {
  for (;;) {
    int best = 0;
    for (int k = 1; k < TPPRecalcProductionWays::kBestRoom; ++k)
      if (p.Best[k].Chain.TotalCost < p.Best[best].Chain.TotalCost) best = k;
    p.ChosenSlot = static_cast<uint8_t>(best);
    const TPPRecalcProductionWays::TBestSlot& slot = p.Best[best];
    if (!(slot.Chain.TotalCost <= kPlanningFilled)) {
      if (p.WorstKeptCost <= kPlanningFilled) {
        p.AcceptedCost = p.WorstKeptCost;
        p.Phase = kPhaseSearch;
      } else {
        p.Phase = kPhaseNextType;
      }
      return;
    }
    if (slot.Valid != 0 && HoldsMarket(slot.Chain.Market) && MarketWants(*ReadMarket(slot.Chain.Market), p.GoodType))
      break;
    DropSlot(p);
  }
  const TChain chain = p.Best[p.ChosenSlot].Chain;
  if (!HoldsGoodsway(chain.LastTried)) {
    DropSlot(p);
    return;
  }
  auto top = std::make_unique<TGoodsway>();
  top->A_Read(chain.LastTried);
  bool probe = top->GoodsWayFreeAmount == 0.0f;
  float amount = probe ? kPlanningFree : top->GoodsWayFreeAmount - top->GoodsWayNewAmount;
  if (!(amount >= kPlanningLeast) || !ListChain(p, chain)) {
    DropSlot(p);
    return;
  }
  for (int k = 0; k < p.IndustryCount; ++k) {
    const auto i = ReadIndustry(p.Industries[k]);
    float share = 0.0f;
    for (float s : p.IndustryShares[k]) share += s;
    const float free = FullProduction(*i) * (1.0f - CollectedRequests(*i));
    const float limit = share > 0.0f ? free / share : 0.0f;
    if (!(limit >= kPlanningLeast)) {
      DropSlot(p);
      return;
    }
    amount = std::min(amount, limit);
  }
  auto w = std::make_unique<TGoodsway>();
  for (int k = 0; k < p.WayCount; ++k) {
    if (!HoldsGoodsway(p.Ways[k])) {
      DropSlot(p);
      return;
    }
    w->A_Read(p.Ways[k]);
    if (w->GoodsWayFreeAmount == 0.0f) {
      probe = true;
      continue;
    }
    const float share = p.WayShares[k];
    const float limit = share > 0.0f ? (w->GoodsWayFreeAmount - w->GoodsWayNewAmount) / share : 0.0f;
    if (!(limit >= kPlanningLeast)) {
      DropSlot(p);
      return;
    }
    amount = std::min(amount, limit);
  }
  if (!(amount > 0.0f)) {
    DropSlot(p);
    return;
  }
  if (probe) {
    MarkProbe(p, chain.LastTried);
    DropSlot(p);
    return;
  }
  p.Amount = amount;
  p.Phase = kPhaseBuy;
}

void Buy(TPPRecalcProductionWays& p) {
  const TChain& chain = p.Best[p.ChosenSlot].Chain;
  const float cost = chain.TotalCost;
  if (!HoldsMarket(chain.Market)) {
    DropSlot(p);
    p.Phase = kPhaseChoose;
    return;
  }
  auto m = ReadMarket(chain.Market);
  const int k = FindMarketGoods(*m, p.GoodType);
  if (k < 0) {
    DropSlot(p);
    p.Phase = kPhaseChoose;
    return;
  }
  TMarketGoods e = MarketGoods(*m, k);
  bool saturated = false;
  int32_t populations[6];
  for (int c = 0; c < 6; ++c) populations[c] = m->LastResidents[c];
  const float x = MarketTakes(populations, p.GoodType, e.Assigned, e.AverageCost, cost, p.Amount, saturated);
  const float total = e.Assigned + x;
  e.AverageCost = total > 0.0f ? (e.Assigned * e.AverageCost + x * cost) / total : cost;
  e.Assigned = total;
  if (saturated) e.Demand = 0;
  SetMarketGoods(*m, k, e);
  m->A_Overwrite();
  p.Amount = x;
  p.Phase = kPhaseCommit;
}

void Commit(TPPRecalcProductionWays& p) {
  for (int k = 0; k < p.IndustryCount; ++k) {
    if (!HoldsIndustry(p.Industries[k])) continue;
    auto i = ReadIndustry(p.Industries[k]);
    const float perTick = FullProduction(*i);
    if (perTick > 0.0f) {
      for (int e = 0; e < ProductionCount(*i); ++e) {
        TIndustryProduction entry = IndustryProduction(*i, e);
        entry.Requests += p.Amount * p.IndustryShares[k][e] / perTick;
        SetIndustryProduction(*i, e, entry);
      }
    }
    i->A_Overwrite();
  }
  auto w = std::make_unique<TGoodsway>();
  const auto plan = [&](uint32_t way, float amount) {
    if (!HoldsGoodsway(way)) return;
    w->A_Read(way);
    w->GoodsWayNewAmount = std::min(w->GoodsWayNewAmount + amount, w->GoodsWayFreeAmount);
    w->A_Overwrite();
  };
  for (int k = 0; k < p.WayCount; ++k) plan(p.Ways[k], p.Amount * p.WayShares[k]);
  plan(p.Best[p.ChosenSlot].Chain.LastTried, p.Amount);
  DropSlot(p);
  p.Phase = kPhaseChoose;
}

// Whether the chain uses the goods way (as its top way or in a step's slot) or the industry.
bool ChainUsesWay(const TChain& chain, uint32_t way) {
  if (chain.LastTried == way) return true;
  for (int s = 0; s < std::min<int>(chain.StepCount, TPPRecalcProductionWays::kChainRoom); ++s)
    for (uint32_t slot : chain.Steps[s].Slots)
      if (slot == way) return true;
  return false;
}

bool ChainUsesIndustry(const TChain& chain, uint32_t industry) {
  for (int s = 0; s < std::min<int>(chain.StepCount, TPPRecalcProductionWays::kChainRoom); ++s)
    if (chain.Steps[s].Industry == industry) return true;
  return false;
}

template <class Uses>
void InvalidateSlots(TPPRecalcProductionWays& p, Uses uses) {
  for (auto& slot : p.Best)
    if (slot.Chain.TotalCost <= kPlanningFilled && uses(slot.Chain)) slot.Valid = 0;
}

void StepBackLastTried(TPPRecalcProductionWays& p) {
  p.Phase = kPhaseTopWay;
  if (p.Chain.LastTried > 0) --p.Chain.LastTried;
}

}  // namespace

float CalcFreeGoodswayAmount(const TGoodsway& way) {
  float result = kPlanningFree;
  const int weight = GoodsTypeOf(way.GoodsWayGoodType).WeightPerUnit;
  auto schedule = std::make_unique<TSchedule>();
  auto vehicle = std::make_unique<TVehicle>();
  for (int e = 0; e + 1 < std::min<int>(way.GoodsWayPathCounter, kGoodswayPathRoom); ++e) {
    const TGoodswayPathEntry hop = way.Path[e];
    if (hop.ScheduleHop == 0) continue;
    float capacity = 0.0f;
    const bool known = hop.Schedule != 0 && ArrayerHolds(kTScheduleDesc, hop.Schedule);
    if (known) schedule->A_Read(hop.Schedule);
    const int stops = known ? std::min<int>(schedule->ScheduleStationCounter, kScheduleStopRoom) : 0;
    if (known && hop.StopNumber >= 1 && hop.StopNumber <= stops && weight > 0) {
      const TScheduleStop stop = schedule->Stops[hop.StopNumber - 1];
      for (int t = 0; t < std::min<int>(schedule->ScheduleTrainCounter, kScheduleTrainRoom); ++t) {
        if (!IsTrainUsed(schedule->Trains[t])) continue;
        const TTrain train = TrainByIndex(schedule->Trains[t]);
        for (int v = 0; v < std::min<int>(train.VehicleCount, kTrainVehicleRoom); ++v) {
          if ((stop.VehicleFlags[v] & kLeftWithoutLoad) == 0 || train.Vehicles[v] == 0 ||
              !ArrayerHolds(kTVehicleDesc, train.Vehicles[v]))
            continue;
          vehicle->A_Read(train.Vehicles[v]);
          const TVehicleCargo cargo = VehicleCargo(vehicle->VehicleType);
          const float units = static_cast<float>(cargo.WeightCapacity) / static_cast<float>(weight);
          if (stop.GoodsTypes[v] == way.GoodsWayGoodType) {
            capacity += units;
          } else if (stop.GoodsTypes[v] == 0) {
            for (uint8_t slot : cargo.GoodsTypes)
              if (slot == way.GoodsWayGoodType) capacity += units;
          }
        }
      }
    }
    if (!(capacity > 0.0f)) return 0.0f;
    float roundTrip = 0.0f;
    bool allZero = true;
    for (int s = 0; s < stops; ++s) {
      roundTrip += static_cast<float>(schedule->Stops[s].TimeToNext);
      allZero = allZero && schedule->Stops[s].TimeToNext == 0;
    }
    if (allZero)
      SYS_Warning("Error: Goods: CalcFreeGoodswayAmount: In the Schedule: " + std::to_string(hop.Schedule) +
                  " are all TimetonextStation = 0!");
    if (!(roundTrip > 0.0f)) roundTrip = kRoundTripWithoutTimes;
    result = std::min(result, capacity / roundTrip);
  }
  return result;
}

float MarketDemand(const int32_t (&populations)[6], uint8_t goodType, float cost) {
  const TGoodsType& type = GoodsTypeOf(goodType);
  float demand = 0.0f;
  for (int k = 0; k < 6; ++k) {
    const float limit = type.PriceLimits[k];
    if (!(10.0f * limit > cost) || !(limit > 0.0f)) continue;
    demand += static_cast<float>(populations[k]) * type.DemandFactors[k] / (1.0f + 9.0f * cost / limit);
  }
  return demand;
}

float MarketTakes(const int32_t (&populations)[6], uint8_t goodType, float assigned, float averageCost, float cost,
                  float amount, bool& saturated) {
  const auto averageAt = [&](float x) {
    const float total = assigned + x;
    return total > 0.0f ? (assigned * averageCost + x * cost) / total : cost;
  };
  const auto below = [&](float x) { return assigned + x < MarketDemand(populations, goodType, averageAt(x)); };
  saturated = false;
  if (below(amount)) return amount;
  saturated = true;
  float x = amount;
  for (float step = amount / 2.0f; step > kPlanningLeast; step /= 2.0f) x = below(x) ? x + step : x - step;
  return std::clamp(x, 0.0f, amount);
}

void RecalcProductionWaysStep(TPPRecalcProductionWays& p) {
  switch (p.Phase) {
    case kPhaseStart:
      RetuneGoodsProcess(TGoodsProcess::RecalcProductionWays, p.Speed, p.PassStart);
      p.Cursor = 0;
      p.Phase = kPhaseIndustries;
      return;
    case kPhaseIndustries:
      NormaliseIndustry(p);
      return;
    case kPhaseGoodsways:
      EvaluateGoodsway(p);
      return;
    case kPhaseNextType:
      NextGoodsType(p);
      return;
    case kPhaseMarkets:
      MarketDemandFlags(p);
      return;
    case kPhaseSearch:
      FreeAllSlots(p);
      p.Cursor = 0;
      p.Phase = kPhaseNextMarket;
      return;
    case kPhaseNextMarket:
      NextDemandingMarket(p);
      return;
    case kPhaseTopWay:
      TopWay(p);
      return;
    case kPhaseExpand:
      ExpandStep(p);
      return;
    case kPhaseChoose:
      Choose(p);
      return;
    case kPhaseBuy:
      Buy(p);
      return;
    case kPhaseCommit:
      Commit(p);
      return;
    default:
      return;
  }
}

void RPWGoodswayDeleted(TPPRecalcProductionWays& p, uint32_t goodsway) {
  InvalidateSlots(p, [&](const TChain& c) { return ChainUsesWay(c, goodsway); });
  if (p.Phase != kPhaseExpand) return;
  if (p.Chain.LastTried == goodsway) {
    p.Phase = kPhaseTopWay;
    return;
  }
  for (int s = 0; s < std::min<int>(p.Chain.StepCount, TPPRecalcProductionWays::kChainRoom); ++s)
    for (uint32_t slot : p.Chain.Steps[s].Slots)
      if (slot == goodsway) {
        StepBackLastTried(p);
        return;
      }
}

void RPWIndustryDeleted(TPPRecalcProductionWays& p, uint32_t industry) {
  InvalidateSlots(p, [&](const TChain& c) { return ChainUsesIndustry(c, industry); });
  if (p.Phase == kPhaseExpand && ChainUsesIndustry(p.Chain, industry)) StepBackLastTried(p);
}

void RPWMarketDeleted(TPPRecalcProductionWays& p, uint32_t market) {
  InvalidateSlots(p, [&](const TChain& c) { return c.Market == market; });
  if ((p.Phase == kPhaseTopWay || p.Phase == kPhaseExpand) && p.Chain.Market == market) p.Phase = kPhaseNextMarket;
}
