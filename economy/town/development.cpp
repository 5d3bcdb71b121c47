#include "economy/town/development.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "economy/goods/goodsentries.h"
#include "economy/goods/processframe.h"
#include "economy/money/finances.h"
#include "economy/town/stations.h"
#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/store/nodepool.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "network/construction/buildings.h"
#include "network/construction/ways.h"

namespace development_hooks {
namespace {
void NoNews(uint8_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
}  // namespace

void (*TriggerNewsEvent)(uint8_t kind, uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5,
                         uint32_t p6) = NoNews;

void InstallDefaults() { TriggerNewsEvent = NoNews; }
}  // namespace development_hooks

uint8_t DevelopmentPhase = 0;
TMarketSearch MarketSearch{};
TConstructionCursors ConstructionCursors{};
TPPDevelopcity DevelopCity{};
TPPUpdatebuildings UpdateBuildings{};
TFindMarketForWay MarketFinder;

namespace {

constexpr int kRecordsPerCall = 20;       // ways or buildings looked at per call
constexpr int kResidentsPerStep = 100;    // markets or ways rolled over per upkeep step
constexpr int32_t kNoCostLimit = 0x7FFFFFFF;
constexpr uint8_t kStateUnderConstruction = 1, kStateFinished = 2;
constexpr uint8_t kNewsIndustryGrows = 9, kNewsIndustryLooses = 10;
constexpr int kWealthClasses = 6;
constexpr uint8_t kMilitaryWaitingClass = 4;  // nobody waits for a home of this class
constexpr uint8_t kTownBuildingsRunMode = 4;  // towns are built up at once

// Whether Index is a record of the kind in the BW or the OA array (without stopping on a free slot).
bool StoredBW(uint32_t kind, uint32_t index) {
  return index != 0 && ArrayerReady() && FindInArrayerBW(kind, index - 1) == index;
}
bool StoredOA(uint32_t kind, uint32_t index) {
  return index != 0 && ArrayerReady() && FindInArrayerOA(kind, index - 1) == index;
}

bool IsTown(uint32_t city) { return city >= 1 && city <= 100; }
int TownCount() { return std::clamp<int32_t>(CityCount, 0, 100); }
bool IsCountedTown(uint32_t city) { return city >= 1 && static_cast<int>(city) <= TownCount(); }

// The building type of a building, or nullptr when it names none.
const TBuildingType* TypeOf(const TBuilding& b) {
  return b.BuildingType >= 1 && b.BuildingType <= 255 ? &BuildingTypes[b.BuildingType] : nullptr;
}

bool IsHouse(const TBuildingType* type) { return type != nullptr && BuildingTypeUse(*type) == kBuildingKindHouse; }

void WriteDevelopmentStatus() {
  ProcessStatus[3] = "AM: " + std::to_string(MarketSearch.WayCursor) + " DC: " + std::to_string(DevelopCity.City) +
                     ":" + std::to_string(DevelopCity.State) +
                     " PB: " + std::to_string(ConstructionCursors.BuildingCursor) + ":" +
                     std::to_string(ConstructionCursors.WayCursor);
}

void WriteUpkeepStatus(const TPPUpdatebuildings& p) {
  ProcessStatus[4] = "Speed: " + std::to_string(p.Speed) + " Step: " + std::to_string(p.Step) +
                     " Index: " + std::to_string(p.Cursor);
}

// A construction site whose completion tick has passed (the tick is below GameTime, also across
// the restart of the tick counter).
bool IsDue(uint8_t state, uint32_t completion) {
  return state == kStateUnderConstruction && completion != 0 && GameTimeReached(static_cast<int64_t>(completion) + 1);
}

// The type suits the town's era: the same era, or any era.
bool SuitsEra(const TBuildingTypeTown& t, uint8_t era) { return t.Era == era || t.Era == kBuildingEraAny; }
// Towns build the type this year.
bool BuiltThisYear(const TBuildingTypeTown& t) {
  return t.StartYear < GameYear && (GameYear < t.EndYear || RunMode == kTownBuildingsRunMode);
}

// A bound of an industry type's production: a tenth in the simple economy when a recipe of the type
// carries the goods table's flag.
long double ScaleBound(uint8_t industryType, long double bound) {
  if (GameSettings.EconomyMode == 0) return bound;
  for (int k = 0; k < IndustryTypeRecipeCount(industryType); ++k) {
    if (IndustryTypeRecipe(industryType, k).TableFlag != 0) return bound / 10.0L;
  }
  return bound;
}

// Production Size changes by Change; every production statistic is multiplied by Factor, the
// town's counts follow in the goods-way economy, and the news of Kind names the industry's station.
void ResizeIndustry(TIndustry& industry, int64_t change, long double factor, uint8_t newsKind) {
  const bool goodsWays = GameSettings.EconomyMode == 0;
  if (goodsWays) industry.RemoveFromCity();
  const int entries = std::min<int>(industry.IndustryPCOutputCounter, 8);
  for (int e = 0; e < entries; ++e) {
    float values[6];
    std::memcpy(values, industry.PCOutput[e], sizeof(values));
    for (float& v : values) v = static_cast<float>(static_cast<long double>(v) * factor);
    std::memcpy(industry.PCOutput[e], values, sizeof(values));
  }
  industry.Size = static_cast<int32_t>(industry.Size + change);
  if (goodsWays) industry.AddToCity();
  development_hooks::TriggerNewsEvent(newsKind, industry.Station, 0, 0, 0, 0, 0);
}

}  // namespace

bool TFindMarketForWay::IsTarget(uint32_t node) {
  return node != 0 && std::find(RoadNodes, RoadNodes + RoadNodeCount, node) != RoadNodes + RoadNodeCount;
}

void TFindMarketForWay::AimAt(uint32_t market, const TWay& road, const TVector& position) {
  Market = market;
  Road = road.Index;
  Target = road.Index;
  TargetPos = position;
  RoadNodeCount = std::min<uint8_t>(road.NodesCounter, 100);
  for (int k = 0; k < RoadNodeCount; ++k) RoadNodes[k] = road.Nodes[k];
}

void DevelopmentTick(uint8_t& phase) {
  WriteDevelopmentStatus();
  switch (phase) {
    case 0:
      MarketSearchStep(MarketSearch);
      phase = 1;
      break;
    case 1:
      DevelopCityStep(DevelopCity);
      phase = 2;
      break;
    default:
      FinishDueConstructions(ConstructionCursors);
      phase = 0;
      break;
  }
}

void MarketSearchStep(TMarketSearch& s) {
  if (s.State == 0) {
    TWay way{};
    for (int n = 0; n < kRecordsPerCall; ++n) {
      s.WayCursor = FindInArrayerBW(kARTypeWay, s.WayCursor);
      if (s.WayCursor == 0) return;
      way.A_Read(s.WayCursor);
      if (way.Owner == 0 && way.State == kStateFinished) {
        s.BestDistance = kMarketSearchDistance;
        s.BestMarket = 0;
        s.MarketCursor = 0;
        s.State = 1;
        return;
      }
    }
    return;
  }
  if (!StoredBW(kARTypeWay, s.WayCursor)) {
    s.State = 0;
    return;
  }
  TWay way{};
  way.A_Read(s.WayCursor);
  s.MarketCursor = FindInArrayerOA(kARTypeMarket, s.MarketCursor);
  if (s.MarketCursor == 0) {
    if (!StoredOA(kARTypeMarket, s.BestMarket)) s.BestMarket = 0;
    way.Market = s.BestMarket;
    way.A_Overwrite();
    s.State = 0;
    return;
  }
  auto market = std::make_unique<TMarket>();
  market->A_Read(s.MarketCursor);
  // A market without a station has no place to measure from.
  if (!IsStoredStation(market->Station)) return;
  auto station = std::make_unique<TStation>();
  station->A_Read(market->Station);
  const float d = VecDistanceXZ(way.Position, station->Position);
  if (d < s.BestDistance && IsMarketAccessible(MarketFinder, way, *market, MarketFinder.PathRecord)) {
    s.BestDistance = d;
    s.BestMarket = s.MarketCursor;
  }
}

bool IsMarketAccessible(TFindMarketForWay& finder, const TWay& way, const TMarket& market, TPath& path) {
  if (market.MarketBuildingCount > 1)
    SYS_BREAKPROGRAM(
        "ERROR: gp_Devolpment: TFindMarketForWay.IsMarketAccessible: Market has more than 1 building! Bug or "
        "feature?");
  if (market.MarketBuildingCount == 0 || !StoredBW(kARTypeBuilding, market.FirstBuilding)) return false;
  TBuilding b{};
  b.A_Read(market.FirstBuilding);
  if (!StoredBW(kARTypeWay, b.Way)) return false;
  TWay road{};
  road.A_Read(b.Way);
  finder.AimAt(market.Index, road, b.Position);
  finder.Path = &path;
  for (int start : {0, 2}) {
    finder.StartNode = way.Nodes[start];
    CalcPath(finder, kNoCostLimit);
    if (path.Invalid == 0) return true;
  }
  return false;
}

void DevelopCityStep(TPPDevelopcity& p) {
  if (TownCount() == 0) {
    ResetDevelopcity(p);
    return;
  }
  switch (p.State) {
    case 0:
      p.City = static_cast<uint8_t>(p.City >= TownCount() ? 1 : p.City + 1);
      p.State = 1;
      return;
    case 1: {
      if (!IsCountedTown(p.City)) break;
      TCity& city = Cities[p.City];
      for (int k = 0; k < kWealthClasses; ++k) {
        const int64_t limit = (static_cast<int64_t>(city.Population[k]) + 500) * 20 / 100;
        if (limit > city.Waiting[k]) city.Waiting[k] += 100;
      }
      city.Waiting[kMilitaryWaitingClass] = 0;
      p.State = 2;
      return;
    }
    case 2: {
      if (!IsCountedTown(p.City)) break;
      TCity& city = Cities[p.City];
      for (int t = 1; t <= 255; ++t) SetCityWish(city, static_cast<uint8_t>(t), false);
      for (int k = 0; k < kWealthClasses; ++k) {
        if (city.Population[k] / 10 < city.Waiting[k])
          ChooseHouseTypes(city, static_cast<uint8_t>(k), city.Waiting[k], city.Era);
      }
      p.State = 0;
      return;
    }
    case 3:
    case 4:
      p.State = 100;
      return;
    case 100:
      p.State = 0;
      return;
    case 200:
      if (RunMode != kTownBuildingsRunMode) return;
      for (int c = 1; c <= TownCount(); ++c) {
        TCity& city = Cities[c];
        for (int k = 0; k < kWealthClasses; ++k) ChooseHouseTypes(city, static_cast<uint8_t>(k), 10000, city.Era);
        ChooseSpecialTypes(city, city.Era);
      }
      ResetDevelopcity(p);
      return;
    default:
      SYS_BREAKPROGRAM("invalid instruction pointer in TPPDevelopcity.PPCall");
  }
  // The town it worked on is no town (any more): on to the next.
  p.State = 0;
}

void ChooseHouseTypes(TCity& city, uint8_t wealthClass, int32_t demand, uint8_t era) {
  const int types = BuildingTypeCount;
  const auto fits = [&](int pass, const TBuildingTypeTown& t) {
    switch (pass) {
      case 1:
        return RunMode != kTownBuildingsRunMode && SuitsEra(t, era) && BuiltThisYear(t) &&
               std::llabs(static_cast<int64_t>(t.Capacity) - demand) < 50;
      case 2:
        return SuitsEra(t, era) && BuiltThisYear(t);
      case 3:
        return t.StartYear < GameYear && (t.Era == era || t.StartYear < city.YearValue);
      default:
        return t.StartYear < GameYear;
    }
  };
  for (int pass = 1; pass <= 4; ++pass) {
    bool marked = false;
    for (int i = 1; i <= types; ++i) {
      const TBuildingType& type = BuildingTypes[i];
      if (BuildingTypeUse(type) != kBuildingKindHouse || BuildingTypeClass(type) != wealthClass) continue;
      if (!fits(pass, BuildingTypeTown(type))) continue;
      SetCityWish(city, static_cast<uint8_t>(i), true);
      marked = true;
    }
    if (marked) return;
  }
}

void ChooseSpecialTypes(TCity& city, uint8_t era) {
  const int types = BuildingTypeCount;
  for (bool any : {false, true}) {
    bool marked = false;
    for (int i = 1; i <= types; ++i) {
      const TBuildingType& type = BuildingTypes[i];
      if (BuildingTypeUse(type) != kBuildingKindSpecialTown) continue;
      const TBuildingTypeTown t = BuildingTypeTown(type);
      if (!any && !(SuitsEra(t, era) && BuiltThisYear(t))) continue;
      SetCityWish(city, static_cast<uint8_t>(i), true);
      marked = true;
    }
    if (marked) return;
  }
}

void FinishDueConstructions(TConstructionCursors& c) {
  TBuilding b{};
  for (int n = 0; n < kRecordsPerCall; ++n) {
    c.BuildingCursor = FindInArrayerBW(kARTypeBuilding, c.BuildingCursor);
    if (c.BuildingCursor == 0) break;
    b.A_Read(c.BuildingCursor);
    if (!IsDue(b.State, BuildingCompletionTick(b))) continue;
    FinishBuilding(b);
    b.A_Overwrite();
  }
  TWay w{};
  for (int n = 0; n < kRecordsPerCall; ++n) {
    c.WayCursor = FindInArrayerBW(kARTypeWay, c.WayCursor);
    if (c.WayCursor == 0) break;
    w.A_Read(c.WayCursor);
    if (!IsDue(w.State, WayCompletionTick(w))) continue;
    FinishWay(w);
    w.A_Overwrite();
  }
}

void UpdateBuildingsTick(TPPUpdatebuildings& p) {
  const int32_t steps = p.Speed;  // a re-tuning during these steps counts from the next tick
  for (int32_t n = 0; n < steps; ++n) UpdateBuildingsStep(p);
}

void UpdateBuildingsStep(TPPUpdatebuildings& p) {
  WriteUpkeepStatus(p);
  switch (p.Step) {
    case 0:
      RetuneProcessSpeed(p.Speed, p.LastTick, kUpdateBuildingsPeriod,
                         "Warning: gp_Development: TPPUpdatebuildings.Speed shuld set to: ");
      p.Cursor = 0;
      p.Step = 1;
      return;
    case 1:
      p.Step = 2;
      return;
    case 2: {
      p.Cursor = FindInArrayerBW(kARTypeBuilding, p.Cursor);
      if (p.Cursor == 0) {
        p.Step = 3;
        return;
      }
      TBuilding b{};
      b.A_Read(p.Cursor);
      MoveInhabitants(b);
      const TBuildingType* type = TypeOf(b);
      const uint8_t cls = BuildingClass(b);
      if (IsHouse(type) && b.State == kStateFinished && b.Way != 0 && cls < kWealthClasses &&
          StoredBW(kARTypeWay, b.Way)) {
        const int32_t inhabitants = BuildingInhabitants(b);
        TWay road{};
        road.A_Read(b.Way);
        road.Residents[cls] += inhabitants;
        road.A_Overwrite();
        if (IsTown(b.City)) Cities[b.City].FreeHousing[cls] += BuildingTypeTown(*type).Capacity - inhabitants;
        if (StoredOA(kARTypeMarket, road.Market)) {
          auto market = std::make_unique<TMarket>();
          market->A_Read(road.Market);
          market->Residents[cls] += inhabitants;
          market->A_Overwrite();
        }
      }
      if (CompanyBuildingType != 0 && b.BuildingType == CompanyBuildingType) {
        UpdateCompanyBuildingLevel(b);
        b.A_Overwrite();
      }
      return;
    }
    case 3: {
      auto market = std::make_unique<TMarket>();
      for (int n = 0; n < kResidentsPerStep; ++n) {
        p.Cursor = FindInArrayerOA(kARTypeMarket, p.Cursor);
        if (p.Cursor == 0) {
          p.Step = 4;
          return;
        }
        market->A_Read(p.Cursor);
        for (int k = 0; k < kWealthClasses; ++k) {
          market->LastResidents[k] = market->Residents[k];
          market->Residents[k] = 0;
        }
        market->A_Overwrite();
      }
      return;
    }
    case 4: {
      TWay w{};
      for (int n = 0; n < kResidentsPerStep; ++n) {
        p.Cursor = FindInArrayerBW(kARTypeWay, p.Cursor);
        if (p.Cursor == 0) {
          for (TCity& city : Cities)
            for (int k = 0; k < kWealthClasses; ++k) city.FreeHousing[k] = 0;
          p.Step = 0;
          return;
        }
        w.A_Read(p.Cursor);
        for (int k = 0; k < kWealthClasses; ++k) {
          w.LastResidents[k] = w.Residents[k];
          w.Residents[k] = 0;
        }
        w.A_Overwrite();
      }
      return;
    }
    default:
      // A step it does not know starts a new pass.
      p.Step = 0;
      return;
  }
}

void MoveInhabitants(TBuilding& b) {
  const TBuildingType* type = TypeOf(b);
  if (!IsHouse(type) || !IsTown(b.City)) return;
  const uint8_t cls = BuildingTypeClass(*type);
  if (cls >= kWealthClasses) return;
  // A house holds at most what its inhabitant count can hold.
  const int64_t capacity = std::clamp<int64_t>(BuildingTypeTown(*type).Capacity, 0, UINT16_MAX);
  TCity& city = Cities[b.City];
  const int64_t inhabitants = BuildingInhabitants(b);
  if (RunMode != kTownBuildingsRunMode) {
    const int64_t move = std::max(std::min<int64_t>(capacity - inhabitants, city.Waiting[cls]), -inhabitants);
    city.Waiting[cls] = static_cast<int32_t>(city.Waiting[cls] - move);
    city.Population[cls] = static_cast<int32_t>(city.Population[cls] + move);
    SetBuildingInhabitants(b, static_cast<uint16_t>(inhabitants + move));
  } else if (inhabitants == 0) {
    city.Population[cls] = static_cast<int32_t>(city.Population[cls] + capacity);
    SetBuildingInhabitants(b, static_cast<uint16_t>(capacity));
  }
  b.A_Overwrite();
}

uint8_t CityZone(float distance, float radius) {
  if (distance > radius) return 2;
  if (distance > 0.3f * radius) return 1;
  return 0;
}

void UpdateCompanyBuildingLevel(TBuilding& b) {
  if (!IsPlayerNumber(b.Owner)) return;
  int32_t level = 1;
  if (GameSettings.Level >= 2) {
    const long double value = PlayerAssets(b.Owner, 1);
    constexpr long double kThresholds[] = {2500000.0L, 9500000.0L, 40000000.0L, 150000000.0L, 651500000.0L,
                                           1701500000.0L};
    for (long double threshold : kThresholds) {
      if (value > threshold) ++level;
    }
  }
  if (level > b.ScriptVars[0]) b.ScriptVars[0] = level;
}

void GrowIndustry(TIndustry& industry) {
  const int64_t production = industry.Size;
  const long double most =
      ScaleBound(industry.IndustryType, 5.0L * IndustryTypeCapacity(industry.IndustryType));
  if (production <= 0 || production >= most) return;
  const int64_t room = static_cast<int64_t>(std::floor(most - production));
  const int64_t increase = std::min(static_cast<int64_t>(std::trunc(production * 0.5L)), room);
  if (increase <= 0) return;
  ResizeIndustry(industry, increase,
                 1.0L / (static_cast<long double>(increase) / static_cast<long double>(production) + 1.0L),
                 kNewsIndustryGrows);
}

void ShrinkIndustry(TIndustry& industry) {
  const int64_t production = industry.Size;
  const long double least =
      ScaleBound(industry.IndustryType, static_cast<long double>(IndustryTypeCapacity(industry.IndustryType)) / 2.0L);
  if (production <= 0 || production <= least) return;
  const int64_t room = static_cast<int64_t>(std::floor(production - least));
  const int64_t decrease = std::min(static_cast<int64_t>(std::trunc(production * 0.33L)), room);
  if (decrease <= 0) return;
  ResizeIndustry(industry, -decrease,
                 1.0L / (1.0L - static_cast<long double>(decrease) / static_cast<long double>(production)),
                 kNewsIndustryLooses);
}

void ResetMarketSearchWay(TMarketSearch& s, uint32_t way) {
  if (way == s.WayCursor) s.State = 0;
}

void ResetMarketSearchMarket(TMarketSearch& s, uint32_t market) {
  if (s.State == 1 && market == s.BestMarket) {
    s.BestDistance = kMarketSearchDistance;
    s.BestMarket = 0;
    s.MarketCursor = 0;
  }
}

void ResetDevelopcity(TPPDevelopcity& p) {
  p.State = 0;
  p.City = 0;
}

void ResetWorldDevelopment() {
  DevelopmentPhase = 0;
  MarketSearch = TMarketSearch{};
  ConstructionCursors = TConstructionCursors{};
  DevelopCity = TPPDevelopcity{};
  UpdateBuildings = TPPUpdatebuildings{};
  MarketFinder.Market = 0;
  MarketFinder.Road = 0;
  MarketFinder.RoadNodeCount = 0;
}

void StartWorldDevelopment() {
  UpdateBuildings.Speed = 1;
  UpdateBuildings.LastTick = GameTime;
}
