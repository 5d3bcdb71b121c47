#include "economy/goods/handling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "economy/goods/goodsentries.h"
#include "economy/goods/goodstypes.h"
#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/world/hooks.h"
#include "engine/world/vehicle.h"
#include "engine/world/vehicletype.h"

namespace {

using LD = long double;

constexpr uint32_t kPassengerRevenueAge = 30000;  // ticks after which passengers earn nothing

const char* const kUnloadKindText = "ERROR: good: UnLoadGoods: Unsorportet GoodsInfoKind detected.";
const char* const kLoadKindText = "ERROR: good: LoadGoods: Unsorportet GoodsInfoKind detected.";
const char* const kUnloadInFull = "WARNING : Goods : UnloadGoods : StationInGoodsCounter was full!";
const char* const kUnloadOutFull = "WARNING : Goods : UnloadGoods : StationOutGoodsCounter was full!";

bool IsGoodsType(uint8_t t) { return t >= 1 && t <= 52; }

// The goods type's row; a number that is no goods type reads as an empty row.
const TGoodsType& TypeOf(uint8_t t) {
  static const TGoodsType kNone{};
  return IsGoodsType(t) ? GoodsTypes[t] : kNone;
}

uint32_t ToU32(int64_t v) {
  return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, std::numeric_limits<uint32_t>::max()));
}

int32_t ToI32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The handling time so far with units more handled at the rate (0 handles as 1).
float AddHandling(float time, int64_t units, uint8_t rate) {
  return static_cast<float>(time + 0.6L * units / std::max<uint8_t>(rate, 1));
}

// The handling time, rounded once, added to the caller's.
void AddRounded(uint32_t& handlingTime, float time) {
  handlingTime = ToU32(static_cast<int64_t>(handlingTime) + std::max(RoundToInt(time), 0));
}

// ---- A station's in-goods and out-goods lists, by value

int ListCount(const TStation& s, StationList l) {
  return std::min<int>(l == StationList::In ? s.StationInGoodsCounter : s.StationOutGoodsCounter, kStationListRoom);
}
uint32_t ListAt(const TStation& s, StationList l, int k) { return l == StationList::In ? s.GoodsIn[k] : s.GoodsOut[k]; }
void SetListAt(TStation& s, StationList l, int k, uint32_t good) {
  if (l == StationList::In) {
    s.GoodsIn[k] = good;
  } else {
    s.GoodsOut[k] = good;
  }
}
void SetListCount(TStation& s, StationList l, int count) {
  if (l == StationList::In) {
    s.StationInGoodsCounter = static_cast<uint16_t>(count);
  } else {
    s.StationOutGoodsCounter = static_cast<uint16_t>(count);
  }
}

// In the goods-way economy a lost goods batch marks its goods way.
void MarkGoodswayLost(const TGood& g) {
  if (GameSettings.EconomyMode != 0 || g.Goodsway == 0 || GoodsInfoKind(g.GoodType) != kGoodsKindGoods) return;
  TGoodsway w = StoredRecord<TGoodsway>(g.Goodsway);
  w.GoodsWayFlags |= kGoodswayLost;
  w.A_Overwrite();
}

}  // namespace

uint8_t AppendToStation(TStation& s, StationList l, uint32_t good, const std::string& fullWarning, bool markWay) {
  const int n = ListCount(s, l);
  if (n < kStationListRoom) {
    SetListAt(s, l, n, good);
    SetListCount(s, l, n + 1);
    return 0;
  }
  SYS_Warning(fullWarning);
  const uint32_t lost = ListAt(s, l, kStationListRoom - 1);
  SetListAt(s, l, kStationListRoom - 1, good);
  if (lost == 0) return 0;
  const TGood g = StoredRecord<TGood>(lost);
  if (markWay) MarkGoodswayLost(g);
  g.Destroy();
  return g.GoodType;
}

namespace {

// A batch split off in the goods-way economy holds a reference of its own on its way.
void AddWayReference(const TGood& g) {
  if (GameSettings.EconomyMode != 0 || g.Goodsway == 0) return;
  switch (GoodsInfoKind(g.GoodType)) {
    case kGoodsKindGoods: {
      TGoodsway w = StoredRecord<TGoodsway>(g.Goodsway);
      ++w.GoodsWayRefCount;
      w.A_Overwrite();
      break;
    }
    case kGoodsKindPassengers: {
      TPsgrWay p = StoredRecord<TPsgrWay>(g.Goodsway);
      ++p.PsgrRefCount;
      p.A_Overwrite();
      break;
    }
    default:
      SYS_BREAKPROGRAM(kLoadKindText);
  }
}

bool HoldsStation(uint32_t station) { return station != 0 && ArrayerHolds(kTStationDesc, station); }

}  // namespace

// ---- Revenue

float CalcGoodsRevenue(uint8_t goodType, float performance) {
  const int level = std::min<int>(GameSettings.Level, kRevenueLevels - 1);
  float revenue = performance * RevenueFactor[level];
  switch (TypeOf(goodType).GoodsAttractivity) {
    case 0:
      break;
    case 1:
      revenue *= BoomRevenueFactor[level];
      break;
    case 2:
      revenue *= SlackRevenueFactor[level];
      break;
    default:
      SYS_Warning("Error: Goods: CalcGoodsRevenue: Unsorportet GoodsAttractivity!");
  }
  return revenue;
}

float GoodsTransportTime(const TVector& a, const TVector& b, uint8_t goodType) {
  float d = static_cast<float>(VecDistance(a, b));
  if (d > 1500.0f) d = static_cast<float>(1500.0L + std::pow(LD(d) - 1500.0L, 1.2L));
  return static_cast<float>(LD(d) * TypeOf(goodType).TransportFactor + 2.0L);
}

int32_t GoodsDistance(const TVector& a, const TVector& b) { return TruncExtended(VecDistance(a, b)); }

float GoodsTransportCost(const TVector& a, const TVector& b, uint8_t goodType) {
  return static_cast<float>(VecDistance(a, b) * TypeOf(goodType).TransportFactor);
}

// ---- Transfers

void SenGoodPerIV(TGood& good, const TVector& from, uint32_t station) {
  auto s = std::make_unique<TStation>();
  s->A_Read(station);
  good.GoodReady = GameTime + static_cast<uint32_t>(std::max(GoodsDistance(from, s->Position), 0));
  AppendToStation(*s, StationList::In, good.Index, "WARNING : Goods : SenGoodPerIV : StationInGoodsCounter was full!!",
                  true);
  s->A_ReWrite();
  good.A_Overwrite();
}

// ---- The vehicle's side

TVehicleGoods TVehicleGoods::Of(const TVehicle& v) {
  TVehicleGoods g;
  g.Count = static_cast<uint8_t>(std::min<int>(v.VehicleGoodsCounter, kVehicleGoodsRoom));
  for (int k = 0; k < kVehicleGoodsRoom; ++k) g.Goods[k] = v.Goods[k];
  return g;
}

void TVehicleGoods::StoreIn(TVehicle& v) const {
  v.VehicleGoodsCounter = std::min<uint8_t>(Count, kVehicleGoodsRoom);
  for (int k = 0; k < kVehicleGoodsRoom; ++k) v.Goods[k] = Goods[k];
}

TVehicleCargo VehicleCargo(uint16_t vehicleType) {
  TVehicleCargo c;
  if (vehicleType < 1 || vehicleType > 255) return c;
  const TVehicleType& t = VehicleTypes[vehicleType];
  c.PassengerCapacity = VehicleTypeField<int32_t>(t, kVehicleTypeCapacityOffset);
  c.WeightCapacity = VehicleTypeField<int32_t>(t, kVehicleTypeWeightCapacityOffset);
  c.VolumeCapacity = VehicleTypeField<int32_t>(t, kVehicleTypeVolumeCapacityOffset);
  for (int s = 1; s <= kVehicleGoodsTypes; ++s) c.GoodsTypes[s - 1] = VehicleTypeLoadGoods(t, s);
  c.SingleCargo = t.Bytes[kVehicleTypeSingleCargoOffset];
  return c;
}

void SetVehicleCargo(TVehicleType& t, const TVehicleCargo& c) {
  SetVehicleTypeField(t, kVehicleTypeCapacityOffset, c.PassengerCapacity);
  SetVehicleTypeField(t, kVehicleTypeWeightCapacityOffset, c.WeightCapacity);
  SetVehicleTypeField(t, kVehicleTypeVolumeCapacityOffset, c.VolumeCapacity);
  for (int s = 1; s <= kVehicleGoodsTypes; ++s)
    SetVehicleTypeLoadSlot(t, s, VehicleTypeLoadMesh(t, s), c.GoodsTypes[s - 1], VehicleTypeLoadStyle(t, s));
  t.Bytes[kVehicleTypeSingleCargoOffset] = c.SingleCargo;
}

static_assert(kVehicleTypeVolumeCapacityOffset + 4 <= kVehicleTypeSpecialFloatsOffset &&
              kVehicleTypeSingleCargoOffset == kVehicleTypeLoadStylesOffset + kVehicleTypeLoadSlots &&
              kVehicleTypeSingleCargoOffset < sizeof(TVehicleType));

void TCargoAboard::Carry(const TGood& g, const char* unsupportedKind) {
  switch (GoodsInfoKind(g.GoodType)) {
    case kGoodsKindGoods: {
      const TGoodsType& t = GoodsTypes[g.GoodType];
      Weight += static_cast<int64_t>(g.GoodAmount) * t.WeightPerUnit;
      Volume += static_cast<int64_t>(g.GoodAmount) * t.VolumePerUnit;
      break;
    }
    case kGoodsKindPassengers:
      Passengers += g.GoodAmount;
      break;
    default:
      SYS_BREAKPROGRAM(unsupportedKind);
  }
}

void TCargoAboard::Report(uint32_t& weight, uint32_t& volume, uint32_t& passengers) const {
  weight = ToU32(Weight);
  volume = ToU32(Volume);
  passengers = ToU32(Passengers);
}

// ---- Unloading

namespace {

// What a batch's way says at this station.
struct TWayStep {
  enum Place : uint8_t {
    kHere,       // the way leads here
    kElsewhere,  // the way leads to another station: the batch stays aboard (warned)
    kNowhere,    // its place lies outside its way: it can go on to no station
  } At = kHere;
  bool RidesOn = false;      // the way's next hop is this vehicle's next stop
  bool LastStretch = false;  // passengers at the end of their way
  float Performance = 0;     // what carrying it here earns on, before the revenue factors
};

const char* const kGoodsElsewhere = "Warning: Goods: UnloadingGood: This Goods don't want to this Station. Station: ";
const char* const kPassengersElsewhere =
    "Warning: Goods: UnloadingGood: This Pass. don't want to this Station. Station: ";

TWayStep Elsewhere(const char* text, uint32_t station) {
  SYS_Warning(text + std::to_string(station));
  TWayStep step;
  step.At = TWayStep::kElsewhere;
  return step;
}

TWayStep Nowhere() {
  TWayStep step;
  step.At = TWayStep::kNowhere;
  return step;
}

// A goods batch on its goods way: entry P is its place and the next entry N must be this station;
// it rides on when N's hop is the same schedule's next stop.
TWayStep GoodsStep(const TGood& g, uint32_t station, uint8_t stopNumber) {
  const TGoodsway w = StoredRecord<TGoodsway>(g.Goodsway);
  const int entry = g.GoodsWayEntry, used = std::min<int>(w.GoodsWayPathCounter, kGoodswayPathRoom);
  if (entry < 1 || entry >= used) return Nowhere();
  const TGoodswayPathEntry p = w.Path[entry - 1], n = w.Path[entry];
  if (n.Station != station) return Elsewhere(kGoodsElsewhere, station);
  TWayStep step;
  step.RidesOn = p.Schedule == n.Schedule && n.StopNumber == stopNumber;
  step.Performance = static_cast<float>(LD(g.GoodAmount) * p.HopCost * p.Share / 100);
  return step;
}

// A passenger batch on its passenger way, at stretch S: at the last stretch it must be at the
// way's end station; before that the next stretch T must start here, and it rides on when T is the
// same schedule's next stop.
TWayStep PassengerStep(const TGood& g, uint32_t station, uint8_t stopNumber) {
  const TPsgrWay p = StoredRecord<TPsgrWay>(g.Goodsway);
  const int entry = g.GoodsWayEntry, used = std::min<int>(p.PsgrStretchCounter, kPsgrWayStretchRoom);
  if (entry < 1 || entry > used) return Nowhere();
  const TPsgrStretch s = p.Stretches[entry - 1];
  TWayStep step;
  if (entry == used) {
    if (p.PsgrEndStation != station) return Elsewhere(kPassengersElsewhere, station);
    step.LastStretch = true;
  } else {
    const TPsgrStretch t = p.Stretches[entry];
    if (t.Station != station) return Elsewhere(kPassengersElsewhere, station);
    step.RidesOn = s.Schedule == t.Schedule && t.StopNumber == stopNumber;
  }
  step.Performance = static_cast<float>(LD(g.GoodAmount) * s.RideTime);
  return step;
}

enum UnloadCase : uint8_t { kUnloadHere, kTransfer, kThrowAway, kRideOn, kStay };

UnloadCase CaseOf(const TGood& g, const TWayStep& step, bool unloadAll, uint8_t onlyType) {
  switch (step.At) {
    case TWayStep::kNowhere:
      return kThrowAway;
    case TWayStep::kElsewhere:
      return kStay;
    case TWayStep::kHere:
      break;
  }
  if (!step.RidesOn) return kUnloadHere;
  if (unloadAll) return kTransfer;
  if (onlyType != 0) return g.GoodType == onlyType ? kRideOn : kTransfer;
  return kRideOn;
}

// The goods-way economy's unloading of one vehicle at one station.
class TWayUnloading {
 public:
  TWayUnloading(TStation& s, uint32_t handlingBefore, float& goodsRevenue, float& passengerRevenue)
      : s_(s), handlingBefore_(handlingBefore), goodsRevenue_(goodsRevenue), passengerRevenue_(passengerRevenue) {}

  // Handles one batch; true when it leaves the vehicle.
  bool Handle(TGood& g, bool unloadAll, uint8_t onlyType, uint8_t stopNumber) {
    TWayStep step = Nowhere();
    UnloadCase c = kThrowAway;
    if (g.Goodsway != 0) {
      const uint8_t kind = GoodsInfoKind(g.GoodType);
      if (kind == kGoodsKindGoods) {
        step = GoodsStep(g, s_.Index, stopNumber);
      } else if (kind == kGoodsKindPassengers) {
        step = PassengerStep(g, s_.Index, stopNumber);
      } else {
        SYS_BREAKPROGRAM(kUnloadKindText);
      }
      c = CaseOf(g, step, unloadAll, onlyType);
    }
    const bool goods = GoodsInfoKind(g.GoodType) == kGoodsKindGoods;
    switch (c) {
      case kUnloadHere:
        if (goods) {
          UnloadGoodsHere(g, step);
        } else {
          UnloadPassengersHere(g, step);
        }
        return true;
      case kTransfer:
        if (goods) time_ = AddHandling(time_, g.GoodAmount, s_.HandlingRate);
        ++g.GoodsWayEntry;
        Append(StationList::Out, g.Index, kUnloadOutFull, true);
        g.A_Overwrite();
        return true;
      case kThrowAway:
        if (goods) time_ = AddHandling(time_, g.GoodAmount, s_.HandlingRate);
        if (g.Goodsway != 0) MarkGoodswayLost(g);  // a batch that lost its place on its way
        g.Destroy();
        return true;
      case kRideOn:
        ++g.GoodsWayEntry;
        g.A_Overwrite();
        return false;
      case kStay:
        return false;
    }
    return false;
  }

  bool Changed() const { return changed_; }
  float Time() const { return time_; }

 private:
  // Goods earn unless older than twice their maximum age, and wait in the in-goods list until the
  // handling so far is over.
  void UnloadGoodsHere(TGood& g, const TWayStep& step) {
    const int64_t spoilt =
        static_cast<int64_t>(g.GoodStartTime) + 2 * static_cast<int64_t>(GoodsTypes[g.GoodType].MaxAge);
    if (!GameTimeReached(spoilt)) goodsRevenue_ += CalcGoodsRevenue(g.GoodType, step.Performance);
    time_ = AddHandling(time_, g.GoodAmount, s_.HandlingRate);
    g.GoodReady = GameTime + handlingBefore_ + static_cast<uint32_t>(std::max(RoundToInt(time_), 0));
    Append(StationList::In, g.Index, kUnloadInFull, true);
    g.A_Overwrite();
  }

  // Passengers earn for 30000 ticks; they leave their way at its end or wait for the next stretch.
  void UnloadPassengersHere(TGood& g, const TWayStep& step) {
    if (!GameTimeReached(static_cast<int64_t>(g.GoodStartTime) + kPassengerRevenueAge))
      passengerRevenue_ += CalcGoodsRevenue(PsgrGoodType, step.Performance);
    if (step.LastStretch) {
      g.Destroy();
      return;
    }
    ++g.GoodsWayEntry;
    g.GoodReady = GameTime;
    Append(StationList::Out, g.Index, kUnloadOutFull, false);
    g.A_Overwrite();
  }

  void Append(StationList l, uint32_t good, const char* fullWarning, bool markWay) {
    AppendToStation(s_, l, good, fullWarning, markWay);
    changed_ = true;
  }

  TStation& s_;
  uint32_t handlingBefore_;
  float& goodsRevenue_;
  float& passengerRevenue_;
  float time_ = 0;
  bool changed_ = false;
};

// What the industries around the station make of the goods sold there: each industry that works
// (productivity above 0) takes a share of each sold row of one of its recipes' input types, by its
// productivity among those of the industries there that take the type.
void FeedIndustries(const TStation& s, const TUnloadRows& rows) {
  std::vector<std::unique_ptr<TIndustry>> industries;
  for (int k = 0; k < std::min<int>(s.StationIndustryInRangeCounter, 16); ++k) {
    const uint32_t i = s.IndustriesInRange[k];
    if (i == 0 || !ArrayerHolds(kTIndustryDesc, i)) continue;
    if (std::any_of(industries.begin(), industries.end(), [i](const auto& known) { return known->Index == i; }))
      continue;
    industries.push_back(std::make_unique<TIndustry>());
    industries.back()->A_Read(i);
  }
  // Which types each industry takes, and the productivity that takes each type.
  std::vector<std::array<bool, 53>> takes(industries.size());
  float productivity[53] = {};
  for (size_t n = 0; n < industries.size(); ++n) {
    const TIndustry& industry = *industries[n];
    takes[n].fill(false);
    for (int r = 0; r < IndustryTypeRecipeCount(industry.IndustryType); ++r) {
      const TRecipe recipe = IndustryTypeRecipe(industry.IndustryType, r);
      for (int k = 0; k < RecipeInputCount(recipe); ++k) {
        if (IsGoodsType(recipe.Inputs[k])) takes[n][recipe.Inputs[k]] = true;
      }
    }
    if (!(industry.Productivity > 0)) continue;
    for (int t = 1; t <= 52; ++t) {
      if (takes[n][t]) productivity[t] += industry.Productivity;
    }
  }
  for (size_t n = 0; n < industries.size(); ++n) {
    TIndustry& industry = *industries[n];
    if (!(industry.Productivity > 0)) continue;
    bool appended = false, grew = false;
    for (int r = 0; r < rows.Count(); ++r) {
      const TUnloadRow& row = rows[r];
      if (!row.Sold || !takes[n][row.GoodType]) continue;
      const int used = industry.IndustryInputCounter;
      const int k = FindOrAddIndustryInput(industry, row.GoodType);
      if (k < 0) continue;  // no room for another input type
      appended = appended || industry.IndustryInputCounter != used;
      TIndustryInput input = IndustryInput(industry, k);
      const float before = input.Amount;
      input.Amount = std::min(
          static_cast<float>(input.Amount + LD(row.Amount) * industry.Productivity / productivity[row.GoodType]),
          kIndustryInputCap);
      grew = grew || input.Amount > before;
      SetIndustryInput(industry, k, input);
    }
    if (appended) {
      industry.A_ReWrite();
    } else if (grew) {
      industry.A_Overwrite();
    }
  }
}

// The simple economy's unloading: the goods the station accepts are sold, the others handed on
// where the vehicle unloads all or keeps only one type aboard.
void UnloadSimple(bool unloadAll, uint8_t onlyType, TVehicleGoods& list, TStation& s, TCargoAboard& kept,
                  uint32_t& handlingTime, float& goodsRevenue) {
  TUnloadRows rows;
  float time = 0;
  int keptCount = 0;
  for (int k = 0; k < list.Count; ++k) {
    TGood g = StoredRecord<TGood>(list.Goods[k]);
    const bool sold = StationAccepts(s, g.GoodType);
    const bool handedOn = !sold && (unloadAll || (onlyType != 0 && g.GoodType != onlyType));
    if ((sold || handedOn) && rows.Add(g.GoodType, g.Goodsway, g.GoodAmount, sold)) {
      time = AddHandling(time, g.GoodAmount, s.HandlingRate);
      g.Destroy();
      continue;
    }
    kept.Carry(g, kUnloadKindText);
    list.Goods[keptCount++] = list.Goods[k];
  }
  std::fill(list.Goods + keptCount, list.Goods + list.Count, 0u);
  list.Count = static_cast<uint8_t>(keptCount);

  bool changed = false;
  for (int r = 0; r < rows.Count(); ++r) {
    const TUnloadRow& row = rows[r];
    if (row.Sold) continue;
    TGood g{};
    g.GoodType = row.GoodType;
    g.GoodAmount = ToI32(row.Amount);
    g.Goodsway = row.Origin;
    g.GoodStartTime = GameTime;
    g.A_Write();
    AppendToStation(s, StationList::Out, g.Index, kUnloadOutFull, false);
    changed = true;
  }
  FeedIndustries(s, rows);
  if (changed) s.A_ReWrite();

  auto origin = std::make_unique<TStation>();
  for (int r = 0; r < rows.Count(); ++r) {
    const TUnloadRow& row = rows[r];
    if (!row.Sold) continue;
    TVector from = s.Position;
    if (HoldsStation(row.Origin)) {
      origin->A_Read(row.Origin);
      from = origin->Position;
    } else {
      from.x = static_cast<float>(from.x + 1000.0L);
    }
    const float cost = GoodsTransportCost(from, s.Position, row.GoodType);
    goodsRevenue += CalcGoodsRevenue(row.GoodType, static_cast<float>(LD(cost) * row.Amount));
  }
  AddRounded(handlingTime, time);
}

void UnloadAlongWays(bool unloadAll, uint8_t onlyType, uint8_t stopNumber, TVehicleGoods& list, TStation& s,
                     TCargoAboard& kept, uint32_t& handlingTime, float& goodsRevenue, float& passengerRevenue) {
  TWayUnloading unloading(s, handlingTime, goodsRevenue, passengerRevenue);
  int keptCount = 0;
  for (int k = 0; k < list.Count; ++k) {
    TGood g = StoredRecord<TGood>(list.Goods[k]);
    if (unloading.Handle(g, unloadAll, onlyType, stopNumber)) continue;
    kept.Carry(g, kUnloadKindText);
    list.Goods[keptCount++] = list.Goods[k];
  }
  std::fill(list.Goods + keptCount, list.Goods + list.Count, 0u);
  list.Count = static_cast<uint8_t>(keptCount);
  if (unloading.Changed()) s.A_ReWrite();
  AddRounded(handlingTime, unloading.Time());
}

}  // namespace

static_assert(TUnloadRows::kRoom == kVehicleGoodsRoom, "a vehicle's batches always find their rows");

bool TUnloadRows::Add(uint8_t goodType, uint32_t origin, int32_t amount, bool sold) {
  for (int k = 0; k < count_; ++k) {
    TUnloadRow& row = rows_[k];
    if (row.GoodType == goodType && row.Origin == origin && row.Sold == sold) {
      row.Amount += amount;
      return true;
    }
  }
  if (count_ == kRoom) {
    SYS_Warning("WARNING: Goods: UnloadGoods: To much diffrent Goods to unload on a Station (simple Economy)");
    return false;
  }
  rows_[count_++] = TUnloadRow{origin, amount, goodType, sold};
  return true;
}

void UnloadGoods(bool unloadAll, uint8_t onlyType, uint8_t stopNumber, uint32_t (&goods)[kVehicleGoodsRoom],
                 uint8_t& goodsCount, uint32_t station, uint16_t /*vehicleType*/, uint8_t /*vbtType*/,
                 uint32_t& keptWeight, uint32_t& keptVolume, uint32_t& keptPassengers, uint32_t& handlingTime,
                 float& goodsRevenue, float& passengerRevenue) {
  TVehicleGoods list;
  list.Count = static_cast<uint8_t>(std::min<int>(goodsCount, kVehicleGoodsRoom));
  std::copy(goods, goods + list.Count, list.Goods);
  TCargoAboard kept;
  if (list.Count > 0) {
    auto s = std::make_unique<TStation>();
    s->A_Read(station);
    if (GameSettings.EconomyMode == 0) {
      UnloadAlongWays(unloadAll, onlyType, stopNumber, list, *s, kept, handlingTime, goodsRevenue, passengerRevenue);
    } else {
      UnloadSimple(unloadAll, onlyType, list, *s, kept, handlingTime, goodsRevenue);
    }
  }
  std::copy(list.Goods, list.Goods + kVehicleGoodsRoom, goods);
  goodsCount = list.Count;
  kept.Report(keptWeight, keptVolume, keptPassengers);
}

// ---- Loading

bool TLoadingVehicle::Wants(uint8_t goodType) const {
  return std::find(Wanted, Wanted + WantedCount, goodType) != Wanted + WantedCount;
}

void TLoadingVehicle::WantOnly(uint8_t goodType) {
  std::fill(std::begin(Wanted), std::end(Wanted), 0);
  Wanted[0] = goodType;
  WantedCount = 1;
}

bool LoadOneGood(TGood& good, TLoadingVehicle& v) {
  int64_t amount = good.GoodAmount;
  const uint8_t kind = GoodsInfoKind(good.GoodType);
  if (kind == kGoodsKindGoods) {
    // Each dimension with a size per unit limits the amount; one without limits nothing.
    const TGoodsType& t = GoodsTypes[good.GoodType];
    if (t.WeightPerUnit > 0) amount = std::min(amount, (v.Cargo.WeightCapacity - v.Aboard.Weight) / t.WeightPerUnit);
    if (t.VolumePerUnit > 0) amount = std::min(amount, (v.Cargo.VolumeCapacity - v.Aboard.Volume) / t.VolumePerUnit);
  } else if (kind == kGoodsKindPassengers) {
    amount = std::min(amount, v.Cargo.PassengerCapacity - v.Aboard.Passengers);
  } else {
    SYS_BREAKPROGRAM(kLoadKindText);
  }
  if (amount <= 0 || v.Goods.Count >= kVehicleGoodsRoom) return false;
  const bool whole = amount >= good.GoodAmount;
  TGood aboard = good;
  if (!whole) {
    good.GoodAmount = static_cast<int32_t>(good.GoodAmount - amount);
    good.A_Overwrite();
    aboard.GoodAmount = static_cast<int32_t>(amount);
    aboard.A_Write();
    AddWayReference(aboard);
  }
  v.Goods.Goods[v.Goods.Count++] = aboard.Index;
  // The first batch aboard settles the one type such a vehicle carries, whether all of it fitted
  // or a part.
  if (v.Cargo.OneTypeAtATime() && v.Goods.Count == 1) v.WantOnly(aboard.GoodType);
  if (kind == kGoodsKindGoods) v.LoadingTime = AddHandling(v.LoadingTime, aboard.GoodAmount, v.HandlingRate);
  v.Aboard.Carry(aboard, kLoadKindText);
  return whole;
}

namespace {

// The station's out-goods list as it is worked through: the batches and which of them left.
struct TWaitingGoods {
  std::vector<uint32_t> Goods;
  std::vector<bool> Gone;

  explicit TWaitingGoods(const TStation& s) {
    const int n = ListCount(s, StationList::Out);
    for (int k = 0; k < n; ++k) Goods.push_back(s.GoodsOut[k]);
    Gone.assign(Goods.size(), false);
  }
  bool AnyGone() const { return std::find(Gone.begin(), Gone.end(), true) != Gone.end(); }
  // The list closed up over the batches that left.
  void StoreIn(TStation& s) const {
    int n = 0;
    for (size_t k = 0; k < Goods.size(); ++k) {
      if (!Gone[k]) s.GoodsOut[n++] = Goods[k];
    }
    for (size_t k = n; k < Goods.size(); ++k) s.GoodsOut[k] = 0;
    s.StationOutGoodsCounter = static_cast<uint16_t>(n);
  }
};

// The simple economy: a vehicle takes only goods that another stop of its schedule accepts, and
// takes them in list order. A type of which nothing was left behind counts as served.
void LoadSimple(TLoadingVehicle& v, TStation& s, const TSchedule& schedule, uint8_t stopNumber) {
  uint8_t kept[kVehicleGoodsTypes] = {};
  int keptCount = 0;
  auto other = std::make_unique<TStation>();
  bool accepted[kVehicleGoodsTypes] = {};
  for (int k = 0; k < std::min<int>(schedule.ScheduleStationCounter, 20); ++k) {
    const uint32_t station = schedule.Stops[k].Station;
    if (k == stopNumber - 1 || !HoldsStation(station)) continue;
    other->A_Read(station);
    for (int w = 0; w < v.WantedCount; ++w) accepted[w] = accepted[w] || StationAccepts(*other, v.Wanted[w]);
  }
  for (int w = 0; w < v.WantedCount; ++w) {
    if (accepted[w]) kept[keptCount++] = v.Wanted[w];
  }
  std::copy(kept, kept + kVehicleGoodsTypes, v.Wanted);
  v.WantedCount = keptCount;

  TWaitingGoods waiting(s);
  bool leftBehind[53] = {};
  for (size_t k = 0; k < waiting.Goods.size(); ++k) {
    if (waiting.Goods[k] == 0) continue;
    TGood g = StoredRecord<TGood>(waiting.Goods[k]);
    if (!v.Wants(g.GoodType)) continue;
    if (LoadOneGood(g, v)) {
      waiting.Gone[k] = true;
    } else if (IsGoodsType(g.GoodType)) {
      leftBehind[g.GoodType] = true;
    }
  }
  bool flagged = false;
  for (int w = 0; w < v.WantedCount; ++w) {
    const uint8_t t = v.Wanted[w];
    const int e = FindStationGoods(s, t);
    if ((IsGoodsType(t) && leftBehind[t]) || e < 0) continue;
    TStationGoods entry = StationGoods(s, e);
    if (entry.Flags & kStationGoodsLoaded) continue;
    entry.Flags |= kStationGoodsLoaded;
    SetStationGoods(s, e, entry);
    flagged = true;
  }
  if (waiting.AnyGone()) {
    waiting.StoreIn(s);
    s.A_ReWrite();
  } else if (flagged) {
    s.A_Overwrite();
  }
}

// The goods-way economy: a vehicle takes the batches whose next hop is this schedule's stop. Goods
// under contract go first, in list order; the others follow from the end of the list.
void LoadAlongWays(TLoadingVehicle& v, TStation& s, const TSchedule& schedule, uint8_t stopNumber) {
  TWaitingGoods waiting(s);
  std::vector<bool> marked(waiting.Goods.size(), false);
  std::vector<TGood> batches(waiting.Goods.size());
  for (size_t k = 0; k < waiting.Goods.size(); ++k) {
    if (waiting.Goods[k] == 0) continue;
    TGood& g = batches[k];
    g = StoredRecord<TGood>(waiting.Goods[k]);
    if (!v.Wants(g.GoodType)) continue;
    if (g.Goodsway == 0) {
      g.Destroy();
      waiting.Gone[k] = true;
      continue;
    }
    switch (GoodsInfoKind(g.GoodType)) {
      case kGoodsKindGoods: {
        const TGoodsway w = StoredRecord<TGoodsway>(g.Goodsway);
        const int entry = g.GoodsWayEntry;
        if (entry < 1 || entry > std::min<int>(w.GoodsWayPathCounter, kGoodswayPathRoom)) break;
        const TGoodswayPathEntry p = w.Path[entry - 1];
        if (p.Schedule != schedule.Index || p.StopNumber != stopNumber) break;
        if (w.GoodsWayContract != 0) {
          waiting.Gone[k] = LoadOneGood(g, v);
        } else {
          marked[k] = true;
        }
        break;
      }
      case kGoodsKindPassengers: {
        const TPsgrWay p = StoredRecord<TPsgrWay>(g.Goodsway);
        const int entry = g.GoodsWayEntry;
        if (entry < 1 || entry > std::min<int>(p.PsgrStretchCounter, kPsgrWayStretchRoom)) break;
        const TPsgrStretch stretch = p.Stretches[entry - 1];
        marked[k] = stretch.Schedule == schedule.Index && stretch.StopNumber == stopNumber;
        break;
      }
      default:
        SYS_BREAKPROGRAM(kLoadKindText);
    }
  }
  for (size_t k = waiting.Goods.size(); k-- > 0;) {
    if (marked[k] && v.Wants(batches[k].GoodType)) waiting.Gone[k] = LoadOneGood(batches[k], v);
  }
  if (waiting.AnyGone()) {
    waiting.StoreIn(s);
    s.A_ReWrite();
  }
}

}  // namespace

void LoadGoods(uint32_t (&goods)[kVehicleGoodsRoom], uint8_t& goodsCount, uint8_t wantedType, uint16_t vehicleType,
               uint8_t vbtType, uint32_t /*reserved*/, const TSchedule& schedule, uint8_t stopNumber,
               uint32_t& loadedWeight, uint32_t& loadedVolume, uint32_t& loadedPassengers, uint32_t& handlingTime) {
  loadedWeight = loadedVolume = loadedPassengers = 0;
  if (vbtType >= 2) SYS_BREAKPROGRAM("Error: Goods: LoadGoods: Unsorported VBT-Type!");
  TLoadingVehicle v;
  v.Cargo = VehicleCargo(vehicleType);
  if (wantedType != 0) {
    v.WantOnly(wantedType);
  } else {
    for (uint8_t t : v.Cargo.GoodsTypes) {
      if (t != 0) v.Wanted[v.WantedCount++] = t;
    }
  }
  if (v.WantedCount == 0) return;
  v.Goods.Count = static_cast<uint8_t>(std::min<int>(goodsCount, kVehicleGoodsRoom));
  std::copy(goods, goods + v.Goods.Count, v.Goods.Goods);
  TGood last{};
  for (int k = 0; k < v.Goods.Count; ++k) {
    last = StoredRecord<TGood>(v.Goods.Goods[k]);
    v.Aboard.Carry(last, kLoadKindText);
  }
  if (v.Goods.Count > 0 && v.Cargo.OneTypeAtATime()) v.WantOnly(last.GoodType);

  const bool stopExists = stopNumber >= 1 && stopNumber <= std::min<int>(schedule.ScheduleStationCounter, 20);
  const uint32_t station = stopExists ? schedule.Stops[stopNumber - 1].Station : 0;
  if (HoldsStation(station)) {
    auto s = std::make_unique<TStation>();
    s->A_Read(station);
    v.HandlingRate = s->HandlingRate;
    if (GameSettings.EconomyMode == 0) {
      LoadAlongWays(v, *s, schedule, stopNumber);
    } else {
      LoadSimple(v, *s, schedule, stopNumber);
    }
    AddRounded(handlingTime, v.LoadingTime);
  }
  std::copy(v.Goods.Goods, v.Goods.Goods + kVehicleGoodsRoom, goods);
  goodsCount = v.Goods.Count;
  v.Aboard.Report(loadedWeight, loadedVolume, loadedPassengers);
}

// ---- The world records' hook

namespace {

// The engine holds the batch's fields it changed; the whole batch goes.
void SendGoodFields(TGoodFields& f, const TVector& from, uint32_t station) {
  TGood g = StoredRecord<TGood>(f.Index);
  g.GoodsWayEntry = f.GoodsWayEntry;
  g.Goodsway = f.Goodsway;
  g.GoodReady = f.ReadyTick;
  SenGoodPerIV(g, from, station);
  f.ReadyTick = g.GoodReady;
}

}  // namespace

void InstallGoodsHandlingHooks() { world_hooks::SenGoodPerIV = SendGoodFields; }
