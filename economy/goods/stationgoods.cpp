#include "economy/goods/stationgoods.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "economy/goods/driver.h"
#include "economy/goods/goodsentries.h"
#include "economy/goods/handling.h"
#include "economy/goods/processframe.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "engine/world/records.h"

TPPFoundGoodsStation PPFoundGoodsStation{};
TPPUpdateStationRating PPUpdateStationRating{};

namespace industry_size_hooks {
namespace {
void Nothing(TIndustry&) {}
}  // namespace
void (*GrowIndustry)(TIndustry&) = Nothing;
void (*ShrinkIndustry)(TIndustry&) = Nothing;
void InstallDefaults() {
  GrowIndustry = Nothing;
  ShrinkIndustry = Nothing;
}
}  // namespace industry_size_hooks

namespace {

using LD = long double;

constexpr int kStationsPerStep = 10;
constexpr int kBuildingsPerStep = 20;
constexpr int kIndustryOutputRoom = 250;
constexpr int kIndustriesInRangeRoom = 16;
constexpr uint8_t kResizeShrink = 0, kResizeKeep = 1, kResizeGrow = 2;
// Service flags of a station: what its buildings allow.
constexpr uint8_t kServesPassengers = 1, kServesUnloading = 2, kServesLoading = 4;

std::unique_ptr<TStation> ReadStation(uint32_t index) {
  auto s = std::make_unique<TStation>();
  s->A_Read(index);
  return s;
}

bool IsHouse(uint16_t buildingType) {
  return buildingType >= 1 && buildingType <= 255 && BuildingTypeUse(BuildingTypes[buildingType]) == 0;
}

// ---- The goods list of the examined station

int FindListed(const TPPFoundGoodsStation& p, uint8_t goodType) {
  for (int k = 0; k < std::min<int>(p.GoodsCount, kFoundGoodsRoom); ++k) {
    if (p.Goods[k] == goodType) return k;
  }
  return -1;
}

// The listed goods type's place; a type not yet listed is appended with the exchange (-1 when the
// list is full or the type is none).
int AddListed(TPPFoundGoodsStation& p, uint8_t goodType, uint8_t exchange) {
  if (goodType == 0) return -1;
  const int k = FindListed(p, goodType);
  if (k >= 0 || p.GoodsCount >= kFoundGoodsRoom) return k;
  p.Goods[p.GoodsCount] = goodType;
  p.Exchange[p.GoodsCount] = exchange;
  return p.GoodsCount++;
}

void RemoveListed(TPPFoundGoodsStation& p, int k) {
  for (int i = k; i + 1 < p.GoodsCount; ++i) {
    p.Goods[i] = p.Goods[i + 1];
    p.Exchange[i] = p.Exchange[i + 1];
  }
  --p.GoodsCount;
}

// ---- TPPFoundGoodsStation, phase by phase

void NextStation(TPPFoundGoodsStation& p) {
  for (int n = 0; n < kStationsPerStep; ++n) {
    p.StationCursor = FindInArrayerOA(kARTypeStation, p.StationCursor);
    if (p.StationCursor == 0) {
      p.Phase = 10;
      return;
    }
    auto s = ReadStation(p.StationCursor);
    if (s->StationObjectOf != 0) continue;
    p.GoodsCount = 0;
    p.SearchCursor = 0;
    p.Population = 0;
    p.ServedPopulation = 0.0f;
    p.Position = s->Position;
    const int psgr = PsgrGoodType == 0 ? -1 : FindStationGoods(*s, PsgrGoodType);
    if (psgr < 0) {
      p.RatingPercent = 20;
    } else {
      const float rating = StationGoods(*s, psgr).Rating;
      p.RatingPercent = rating <= 1.0f ? static_cast<uint8_t>(std::max(0.0f, std::trunc(rating * 100.0f))) : 100;
    }
    p.Phase = 2;
    return;
  }
}

// The examined station takes in what the industry's recipes use and make, joins the industry's
// output list and lists the industry as in range.
void IndustryInRange(TPPFoundGoodsStation& p, uint32_t industryIndex) {
  auto industry = std::make_unique<TIndustry>();
  industry->A_Read(industryIndex);
  for (int r = 0; r < IndustryTypeRecipeCount(industry->IndustryType); ++r) {
    const TRecipe recipe = IndustryTypeRecipe(industry->IndustryType, r);
    for (int i = 0; i < RecipeInputCount(recipe); ++i) AddListed(p, recipe.Inputs[i], kExchangeAccept);
    const int k = AddListed(p, recipe.Output, kExchangeSupply);
    if (k >= 0) p.Exchange[k] = kExchangeSupply;
  }
  const int outputs = std::min<int>(industry->IndustryOutputCounter, kIndustryOutputRoom);
  bool listed = false;
  for (int k = 0; k < outputs; ++k) listed = listed || industry->Output[k].Target == p.StationCursor;
  if (!listed && outputs < kIndustryOutputRoom) {
    industry->Output[outputs] = TIndustryOutput{0, p.StationCursor};
    industry->IndustryOutputCounter = static_cast<uint8_t>(outputs + 1);
    industry->A_ReWrite();
  }
  auto s = ReadStation(p.StationCursor);
  const int inRange = std::min<int>(s->StationIndustryInRangeCounter, kIndustriesInRangeRoom);
  bool known = false;
  for (int k = 0; k < inRange; ++k) known = known || s->IndustriesInRange[k] == industryIndex;
  if (!known && inRange < kIndustriesInRangeRoom) {
    s->IndustriesInRange[inRange] = industryIndex;
    s->StationIndustryInRangeCounter = static_cast<uint8_t>(inRange + 1);
    s->A_ReWrite();
  }
}

void StationsAround(TPPFoundGoodsStation& p) {
  for (int n = 0; n < kStationsPerStep; ++n) {
    uint32_t type = 0;
    p.SearchCursor = FindInArrayerRangeOAMultipel(kARTypeStation, p.SearchCursor, type, p.Position.x, p.Position.z,
                                                  kStationGoodsRange);
    if (p.SearchCursor == 0) {
      p.Phase = 3;
      return;
    }
    if (p.SearchCursor == p.StationCursor) continue;
    const uint32_t link = StoredRecord<TStation>(p.SearchCursor).StationObjectOf;
    if (link == 0 || GetArrayerType(link) != kARTypeIndustry) continue;
    IndustryInRange(p, link);
    return;
  }
}

void BuildingsAround(TPPFoundGoodsStation& p) {
  TBuilding b{};
  for (int n = 0; n < kBuildingsPerStep; ++n) {
    uint32_t type = 0;
    p.SearchCursor = FindInArrayerRangeBWMultipel(kARTypeBuilding, p.SearchCursor, type, p.Position.x, p.Position.z,
                                                  kStationGoodsRange);
    if (p.SearchCursor == 0) {
      p.Phase = 4;
      return;
    }
    b.A_Read(p.SearchCursor);
    if (!IsHouse(b.BuildingType)) continue;
    p.Population += b.Inhabitants;
    b.PsgrRatingSum = static_cast<uint16_t>(std::min<int32_t>(b.PsgrRatingSum + p.RatingPercent, 65535));
    // The station's share of the house: its rating against the ratings of all stations around in
    // the last pass (all of it when that pass rated the house at 0).
    LD share = 1.0L;
    if (p.RatingPercent <= b.PsgrRatingSumLast && b.PsgrRatingSumLast > 0)
      share = static_cast<LD>(p.RatingPercent) / b.PsgrRatingSumLast;
    if (p.RatingPercent == 0) share = 0.0L;
    p.ServedPopulation = static_cast<float>(p.ServedPopulation + static_cast<LD>(b.Inhabitants) * share);
    b.A_Overwrite();
  }
}

// Keeps what the station's buildings allow; an exchange of both may lose one side.
void FilterByService(TPPFoundGoodsStation& p, uint8_t service) {
  for (int k = 0; k < p.GoodsCount;) {
    bool keep = false;
    if (p.Goods[k] == PsgrGoodType) {
      keep = (service & kServesPassengers) != 0;
    } else if (p.Exchange[k] == kExchangeSupply) {
      keep = (service & kServesLoading) != 0;
    } else if (p.Exchange[k] == kExchangeAccept) {
      keep = (service & kServesUnloading) != 0;
    } else if (p.Exchange[k] == kExchangeBoth) {
      keep = (service & (kServesLoading | kServesUnloading)) != 0;
      if ((service & kServesLoading) == 0) {
        p.Exchange[k] = kExchangeAccept;
      } else if ((service & kServesUnloading) == 0) {
        p.Exchange[k] = kExchangeSupply;
      }
    }
    if (keep) {
      ++k;
    } else {
      RemoveListed(p, k);
    }
  }
}

TStationGoods Supplied(uint8_t goodType) {
  TStationGoods e{};
  e.GoodType = goodType;
  e.Flags = kStationGoodsSupplied;
  e.Rating = kNewSupplyRating;
  return e;
}

TStationGoods Accepted(uint8_t goodType) {
  TStationGoods e{};
  e.GoodType = goodType;
  e.Flags = kStationGoodsAccepted;
  return e;
}

void WriteGoodsEntries(TPPFoundGoodsStation& p) {
  auto s = ReadStation(p.StationCursor);
  if (p.Population >= kConsumerPopulation) {
    for (int t = 1; t <= std::min<int>(GoodsTypeCount, 52); ++t) {
      if (GoodsTypes[t].ConsumerValue > 0.0f) AddListed(p, static_cast<uint8_t>(t), kExchangeAccept);
    }
  }
  const LD served = std::trunc(static_cast<LD>(p.ServedPopulation));
  if (served > 0 && PsgrGoodType != 0) {
    const uint8_t exchange = p.Population < kConsumerPopulation ? kExchangeSupply : kExchangeBoth;
    const int k = AddListed(p, PsgrGoodType, exchange);
    if (k >= 0) p.Exchange[k] = exchange;
  }
  s->PassengerProduction = static_cast<int32_t>(std::clamp<LD>(served, 0, INT32_MAX));
  FilterByService(p, s->ServiceFlags);

  // The entries the station has keep their place and what they hold when the exchange still fits.
  const int before = std::min<int>(s->StationGoodsCounter, kStationGoodsRoom);
  int kept = 0;
  for (int k = 0; k < before; ++k) {
    TStationGoods e = StationGoods(*s, k);
    const int listed = FindListed(p, e.GoodType);
    if (listed < 0) continue;
    const bool accepted = (e.Flags & kStationGoodsAccepted) != 0, supplied = (e.Flags & kStationGoodsSupplied) != 0;
    switch (p.Exchange[listed]) {
      case kExchangeSupply:
        if (accepted && !supplied) e = Supplied(e.GoodType);
        break;
      case kExchangeAccept:
        if (supplied && !accepted) e = Accepted(e.GoodType);
        break;
      default:
        if (!supplied) e = Supplied(e.GoodType);
        e.Flags |= kStationGoodsAccepted;
        break;
    }
    SetStationGoods(*s, kept++, e);
    RemoveListed(p, listed);
  }
  for (int k = 0; k < p.GoodsCount && kept < kStationGoodsRoom; ++k) {
    TStationGoods e{};
    switch (p.Exchange[k]) {
      case kExchangeSupply:
        e = Supplied(p.Goods[k]);
        break;
      case kExchangeAccept:
        e = Accepted(p.Goods[k]);
        break;
      case kExchangeBoth:
        e = Supplied(p.Goods[k]);
        e.Flags |= kStationGoodsAccepted;
        e.LastTick = static_cast<uint16_t>(GameTime % 65535);
        break;
      default:
        SYS_Warning("ERROR: Goods_FGS: Unsorportet GoodsExchangeAtStation Type foundet!");
        continue;
    }
    SetStationGoods(*s, kept++, e);
  }
  for (int k = kept; k < before; ++k) SetStationGoods(*s, k, TStationGoods{});
  p.GoodsCount = 0;
  const bool sameCount = kept == s->StationGoodsCounter;
  s->StationGoodsCounter = static_cast<uint8_t>(kept);
  if (sameCount) {
    s->A_Overwrite();
  } else {
    s->A_ReWrite();
  }
  p.Phase = 1;
}

// The buildings' rating sums of this pass become those of the last pass.
void RollRatingSums(TPPFoundGoodsStation& p) {
  TBuilding b{};
  for (int n = 0; n < kBuildingsPerStep; ++n) {
    p.StationCursor = FindInArrayerBW(kARTypeBuilding, p.StationCursor);
    if (p.StationCursor == 0) {
      p.Phase = 0;
      return;
    }
    b.A_Read(p.StationCursor);
    b.PsgrRatingSumLast = b.PsgrRatingSum;
    b.PsgrRatingSum = 0;
    b.A_Overwrite();
  }
}

// ---- TPPUpdateStationRating

}  // namespace

void ResizeIndustryBy(TIndustry& industry, float served, const char* unsupported) {
  const uint8_t state = served > 0.99f ? kResizeGrow : served > 0.5f ? kResizeKeep : kResizeShrink;
  if (state != industry.ResizeState) {
    industry.ResizeState = state;
    industry.ResizeTick = GameTime;
  } else if (GameTicksSince(industry.ResizeTick) > kResizeAfter) {
    switch (industry.ResizeState) {
      case kResizeShrink:
        industry_size_hooks::ShrinkIndustry(industry);
        break;
      case kResizeGrow:
        industry_size_hooks::GrowIndustry(industry);
        break;
      case kResizeKeep:
        break;
      default:
        SYS_Warning(unsupported);
        break;
    }
    industry.ResizeTick = GameTime;
  }
}

namespace {

void RateIndustryService(uint32_t industryIndex) {
  auto industry = std::make_unique<TIndustry>();
  industry->A_Read(industryIndex);
  bool outputs[53] = {};
  for (int r = 0; r < IndustryTypeRecipeCount(industry->IndustryType); ++r) {
    const uint8_t output = IndustryTypeRecipe(industry->IndustryType, r).Output;
    if (output >= 1 && output <= 52) outputs[output] = true;
  }
  LD sum = 0;
  auto s = std::make_unique<TStation>();
  for (int k = 0; k < std::min<int>(industry->IndustryOutputCounter, kIndustryOutputRoom); ++k) {
    const uint32_t station = industry->Output[k].Target;
    if (!ArrayerHolds(kTStationDesc, station)) continue;
    s->A_Read(station);
    for (int g = 0; g < std::min<int>(s->StationGoodsCounter, kStationGoodsRoom); ++g) {
      const TStationGoods e = StationGoods(*s, g);
      const float rating = e.Rating;
      if (e.GoodType >= 1 && e.GoodType <= 52 && outputs[e.GoodType]) sum += std::min(rating, 1.0f);
    }
  }
  ResizeIndustryBy(*industry, std::min(static_cast<float>(sum), 1.0f),
                   "ERROR: Goods_USR: FoundNewGoodsways: Unsorportet IndustryShuldResize detektet!");
  industry->A_Overwrite();
}

void RateStationGoods(TStation& s) {
  const LD decay = s.LastRatingTick == 0 ? kRatingDecay : GameTicksSince(s.LastRatingTick) * kRatingDecay;
  int64_t waiting[53] = {};
  for (int k = 0; k < std::min<int>(s.StationOutGoodsCounter, kStationListRoom); ++k) {
    const TGood g = StoredRecord<TGood>(s.GoodsOut[k]);
    if (g.GoodType >= 1 && g.GoodType <= 52) waiting[g.GoodType] += g.GoodAmount;
  }
  for (int k = 0; k < std::min<int>(s.StationGoodsCounter, kStationGoodsRoom); ++k) {
    TStationGoods e = StationGoods(s, k);
    const int64_t now = e.GoodType >= 1 && e.GoodType <= 52 ? waiting[e.GoodType] : 0;
    LD change = 0;
    if (static_cast<int64_t>(e.Waiting) > now) change = kRatingTakenAway;
    if ((e.Flags & kStationGoodsLost) != 0) {
      change = kRatingLost;
      e.Flags &= static_cast<uint8_t>(~kStationGoodsLost);
    }
    if ((e.Flags & kStationGoodsLoaded) != 0) {
      change = kRatingPickUp;
      e.Flags &= static_cast<uint8_t>(~kStationGoodsLoaded);
    }
    e.Rating = std::clamp(static_cast<float>(e.Rating + change - decay), kLeastRating, kMostRating);
    e.Waiting = static_cast<uint32_t>(std::clamp<int64_t>(now, 0, UINT32_MAX));
    SetStationGoods(s, k, e);
  }
  s.LastRatingTick = GameTime;
  s.A_Overwrite();
}

// True when the station was updated.
bool RateStation(uint32_t index) {
  auto s = ReadStation(index);
  if (s->StationObjectOf != 0) {
    if (GetArrayerType(s->StationObjectOf) != kARTypeIndustry) return false;
    RateIndustryService(s->StationObjectOf);
    return true;
  }
  if (!GameTimeReached(static_cast<int64_t>(s->LastRatingTick) + kRatingInterval + 1)) return false;
  RateStationGoods(*s);
  return true;
}

}  // namespace

void FoundGoodsStationStep(TPPFoundGoodsStation& p) {
  switch (p.Phase) {
    case 0:
      RetuneGoodsProcess(TGoodsProcess::FoundGoodsStation, p.Speed, p.PassStart);
      p.StationCursor = 0;
      p.Phase = 1;
      break;
    case 1:
      NextStation(p);
      break;
    case 2:
      StationsAround(p);
      if (p.Phase == 3) p.SearchCursor = 0;
      break;
    case 3:
      BuildingsAround(p);
      break;
    case 4:
      WriteGoodsEntries(p);
      break;
    case 10:
      RollRatingSums(p);
      break;
    default:
      p.Phase = 0;
      break;
  }
}

void FGSStationDeleted(TPPFoundGoodsStation& p, uint32_t station) {
  if (p.StationCursor == station && p.Phase >= 2 && p.Phase <= 4) p.Phase = 1;
}

void RecalcGoodsStation(uint32_t station) {
  if (GameSettings.EconomyMode == 0 || station == 0) return;
  TPPFoundGoodsStation p{};
  p.StationCursor = station - 1;
  p.Phase = 1;
  while (p.Phase != 0) FoundGoodsStationStep(p);
}

void UpdateStationRatingStep(TPPUpdateStationRating& p) {
  switch (p.Phase) {
    case 0:
      RetuneGoodsProcess(TGoodsProcess::UpdateStationRating, p.Speed, p.PassStart);
      p.StationCursor = 0;
      p.Phase = 1;
      break;
    case 1:
      for (int n = 0; n < kStationsPerStep; ++n) {
        p.StationCursor = FindInArrayerOA(kARTypeStation, p.StationCursor);
        if (p.StationCursor == 0) {
          p.Phase = 0;
          return;
        }
        if (RateStation(p.StationCursor)) return;
      }
      break;
    default:
      p.Phase = 0;
      break;
  }
}
