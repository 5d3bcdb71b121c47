#include "economy/town/passengers.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "economy/goods/handling.h"
#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "engine/store/compaction.h"
#include "engine/store/recordstore.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

TPsgrGenerator PsgrGenerator{};
TPsgrRouteBuilder PsgrRouteBuilder{};

void ResetPassengers() {
  PsgrGenerator = TPsgrGenerator{};
  PsgrRouteBuilder = TPsgrRouteBuilder{};
}

namespace {

using LD = long double;

constexpr int kWaysPerGeneration = 50;
constexpr uint32_t kGenerationPause = 1000;  // ticks between two passes over the passenger ways
constexpr int32_t kTopUpBelow = 15;          // a batch with fewer passengers is topped up
constexpr int32_t kHighBatch = 1000;         // a batch above this many is reported
constexpr int kStationListRoom = 5000;
constexpr int kStationStretchRoom = 20;

constexpr float kStationSearch = 1500.0f;  // the walk to a station and the square searched for it
constexpr int32_t kOriginSkips = 500;
constexpr int32_t kSlotSkips = 200;
constexpr int kSlotTries = 10;
// Per destination class: the half-side of the square searched around the origin (0: all ways) and
// the least distance from the origin.
constexpr float kSlotRange[kPsgrSlots] = {10000.0f, 25000.0f, 0.0f};
constexpr float kSlotLeast[kPsgrSlots] = {1000.0f, 5000.0f, 10000.0f};
constexpr int32_t kMostBestCost = 15000;
constexpr float kWalkHopTime = 250.0f;  // a stretch without schedule
constexpr int32_t kWalkHopCost = 250;
constexpr float kTransferTime = 100.0f;  // boarding another ride
constexpr int32_t kTransferCost = 100;
constexpr uint8_t kMostTransfers = 2;
constexpr uint8_t kAtOrigin = 255;  // the first boarding brings the transfer count to 0
constexpr float kRideShare = 0.15f;

// ---- Inhabitants

// The inhabitants of a street way by wealth class, as the building upkeep counted them in its last
// finished pass.
int64_t WayInhabitants(const TWay& w) {
  int64_t total = 0;
  for (int k = 0; k < 6; ++k) total += std::max(int32_t{w.LastResidents[k]}, 0);
  return total;
}

// A way people live at. (Nothing in the world keeps a separate "inhabited" mark on a way, so the
// counts themselves tell.)
bool Inhabited(const TWay& w) { return WayInhabitants(w) > 0; }

// The way at index when it exists and people live there.
bool InhabitedWay(uint32_t index, TWay& w) {
  if (index == 0 || !ArrayerHolds(kTWayDesc, index)) return false;
  w.A_Read(index);
  return Inhabited(w);
}

// ---- Stations around a point

struct TEndStations {
  int Count = 0;
  uint32_t Stations[kPsgrEndStations] = {};
  float Walks[kPsgrEndStations] = {};
};

// Up to five stations with stretches within a walk of At, found in the square of half-side Range;
// with five listed a nearer one takes the place of the farthest.
TEndStations StationsAround(const TVector& at, float range) {
  TEndStations e;
  auto s = std::make_unique<TStation>();
  uint32_t kind = 0;
  for (uint32_t i = FindInArrayerRangeOAMultipel(kARTypeStation, 0, kind, at.x, at.z, range); i != 0;
       i = FindInArrayerRangeOAMultipel(kARTypeStation, i, kind, at.x, at.z, range)) {
    if (std::find(e.Stations, e.Stations + e.Count, i) != e.Stations + e.Count) continue;
    s->A_Read(i);
    const TVector position = s->Position;
    const float walk = VecDistanceXZ(at, position);
    if (!(walk < kStationSearch) || s->StationstretchCounter == 0) continue;
    if (e.Count < kPsgrEndStations) {
      e.Stations[e.Count] = i;
      e.Walks[e.Count] = walk;
      ++e.Count;
      continue;
    }
    const int farthest = static_cast<int>(std::max_element(e.Walks, e.Walks + e.Count) - e.Walks);
    if (walk < e.Walks[farthest]) {
      e.Stations[farthest] = i;
      e.Walks[farthest] = walk;
    }
  }
  return e;
}

// ---- Phases 0 to 3: the origin, its stations, the destinations and theirs

void FindOrigin(TPsgrRouteBuilder& b) {
  const int skips = HashRandom(static_cast<int32_t>(GameTime), kOriginSkips);
  uint32_t cursor = b.OriginWay;
  for (int n = 0; n < skips; ++n) {
    cursor = FindInArrayerBW(kARTypeWay, cursor);
    if (cursor == 0) break;
  }
  b.OriginWay = cursor;
  TWay w{};
  if (!InhabitedWay(cursor, w)) return;
  b.Origin = w.Position;
  for (int k = 0; k < kPsgrSlots; ++k) b.Slots[k].Active = 0;
  b.Phase = 1;
}

void FindOriginStations(TPsgrRouteBuilder& b) {
  const TVector origin = b.Origin;
  const TEndStations e = StationsAround(origin, kStationSearch);
  b.OriginStationCount = static_cast<uint8_t>(e.Count);
  for (int k = 0; k < kPsgrEndStations; ++k) {
    b.OriginStations[k] = e.Stations[k];
    b.OriginWalks[k] = e.Walks[k];
  }
  b.Phase = e.Count == 0 ? 0 : 2;
}

uint32_t NextSlotWay(int slot, uint32_t cursor, const TVector& origin) {
  if (kSlotRange[slot] <= 0.0f) return FindInArrayerBW(kARTypeWay, cursor);
  uint32_t kind = 0;
  return FindInArrayerRangeBWMultipel(kARTypeWay, cursor, kind, origin.x, origin.z, kSlotRange[slot]);
}

void FindDestinations(TPsgrRouteBuilder& b) {
  const TVector origin = b.Origin;
  const int skips = HashRandom(static_cast<int32_t>(GameTime), kSlotSkips);
  for (int k = 0; k < kPsgrSlots; ++k) {
    for (int t = 0; t < kSlotTries && b.Slots[k].Active == 0; ++t) {
      uint32_t cursor = b.Slots[k].WayCursor;
      for (int n = 0; n < skips; ++n) {
        cursor = NextSlotWay(k, cursor, origin);
        if (cursor == 0) break;  // the end of the ways: the next try starts again
      }
      b.Slots[k].WayCursor = cursor;
      TWay w{};
      if (!InhabitedWay(cursor, w)) continue;
      const TVector position = w.Position;
      b.Slots[k].Position = position;
      b.Slots[k].Active = VecDistanceXZ(position, origin) < kSlotLeast[k] ? 0 : 1;
    }
  }
  b.Phase = 3;
}

void FindDestinationStations(TPsgrRouteBuilder& b) {
  const TVector origin = b.Origin;
  for (int k = 0; k < kPsgrSlots; ++k) {
    if (b.Slots[k].Active == 0) continue;
    const TVector position = b.Slots[k].Position;
    const TEndStations e = StationsAround(position, VecDistanceXZ(position, origin) / 5.0f);
    b.Slots[k].StationCount = static_cast<uint8_t>(e.Count);
    for (int n = 0; n < kPsgrEndStations; ++n) {
      b.Slots[k].Stations[n] = e.Stations[n];
      b.Slots[k].Walks[n] = e.Walks[n];
    }
    if (e.Count == 0) b.Slots[k].Active = 0;
  }
  b.Phase = 4;
}

// ---- The route search

bool AnyActive(const TPsgrRouteBuilder& b) {
  for (int k = 0; k < kPsgrSlots; ++k)
    if (b.Slots[k].Active != 0) return true;
  return false;
}

// A level no active slot can better: not slower and not cheaper than every slot's best.
bool Pruned(const TPsgrRouteBuilder& b, const TPsgrSearchLevel& level) {
  for (int k = 0; k < kPsgrSlots; ++k) {
    if (b.Slots[k].Active == 0) continue;
    if (level.Time < b.Slots[k].BestTime || level.Cost < b.Slots[k].BestCost) return false;
  }
  return true;
}

int32_t AddCost(int32_t a, int64_t b) {
  return static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(a) + b, INT32_MIN, INT32_MAX));
}

// Level 1 at origin station N (1-based), or the next one after it that is not pruned; false when
// none is left.
bool StartAtOriginStation(TPsgrRouteBuilder& b, int n) {
  for (; n <= std::min<int>(b.OriginStationCount, kPsgrEndStations); ++n) {
    TPsgrSearchLevel level{};
    const float walk = b.OriginWalks[n - 1];
    level.Time = walk;
    level.Cost = TruncToInt(walk);
    level.Transfers = kAtOrigin;
    level.Station = b.OriginStations[n - 1];
    if (Pruned(b, level)) continue;
    b.OriginStation = static_cast<uint8_t>(n);
    b.Levels[0] = level;
    b.Level = 1;
    return true;
  }
  return false;
}

void SetUpSearch(TPsgrRouteBuilder& b) {
  if (!AnyActive(b) || b.OriginWay == 0 || !ArrayerHolds(kTWayDesc, b.OriginWay)) {
    b.Phase = 0;
    return;
  }
  TWay w{};
  w.A_Read(b.OriginWay);
  w.ReleasePsgrWays();
  w.A_Overwrite();
  const int64_t total = WayInhabitants(w);
  if (total <= 0) {
    b.Phase = 0;
    return;
  }
  LD s[6];
  for (int k = 0; k < 6; ++k) s[k] = static_cast<LD>(std::max(int32_t{w.LastResidents[k]}, 0)) / total;
  b.TimeWeight = static_cast<float>(1 + 0.5L * s[0] + 0.4L * s[1]);
  b.CostWeight = static_cast<float>(1 + 0.2L * s[2] + 0.2L * s[3] + 0.3L * s[4] + 0.3L * s[5]);
  const LD timeFactor = 1 - 0.6L * s[0] - 0.4L * s[1] + 0.2L * s[3] - 0.2L * s[4];
  const LD costFactor = 1 - 0.2L * s[2] - 0.2L * s[3] - 0.3L * s[4] - 0.3L * s[5];
  b.Inhabitants = static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
  const TVector origin = b.Origin;
  for (int k = 0; k < kPsgrSlots; ++k) {
    if (b.Slots[k].Active == 0) continue;
    const TVector position = b.Slots[k].Position;
    const LD distance = VecDistanceXZ(position, origin);
    b.Slots[k].BestTime = static_cast<float>(distance * timeFactor);
    b.Slots[k].BestCost = std::min(TruncExtended(distance * costFactor), kMostBestCost);
  }
  if (!StartAtOriginStation(b, 1)) {
    b.Phase = 0;
    return;
  }
  for (int k = 0; k < kPsgrSlots; ++k) {
    TPsgrWay route{};
    route.Init(0.0f);
    b.Slots[k].Route = route;
  }
  b.Phase = 5;
}

// The stations' stretch lists and the schedules' stops as one search reads them: each record is
// read once.
class TSearchRecords {
 public:
  struct TStretches {
    int Count = 0;
    TStationStretch Entries[kStationStretchRoom] = {};
  };
  struct TScheduleStops {
    bool Exists = false;
    uint32_t Count = 0;
    uint8_t Share = 0;
    float Ride[20] = {};
    int32_t TimeToNext[20] = {};
  };

  const TStretches& Stretches(uint32_t station) {
    auto [at, fresh] = stretches_.try_emplace(station);
    if (fresh && ArrayerHolds(kTStationDesc, station)) {
      station_->A_Read(station);
      at->second.Count = std::min<int>(station_->StationstretchCounter, kStationStretchRoom);
      for (int k = 0; k < at->second.Count; ++k) at->second.Entries[k] = station_->Stretches[k];
    }
    return at->second;
  }

  const TScheduleStops& Schedule(uint32_t schedule) {
    auto [at, fresh] = schedules_.try_emplace(schedule);
    if (fresh && ArrayerHolds(kTScheduleDesc, schedule)) {
      const TSchedule s = StoredRecord<TSchedule>(schedule);
      TScheduleStops& stops = at->second;
      stops.Exists = true;
      stops.Count = std::min<uint32_t>(s.ScheduleStationCounter, 20);
      stops.Share = s.SharePercent;
      for (uint32_t k = 0; k < stops.Count; ++k) {
        stops.Ride[k] = s.Stops[k].PathCost;
        stops.TimeToNext[k] = s.Stops[k].TimeToNext;
      }
    }
    return at->second;
  }

 private:
  std::unique_ptr<TStation> station_ = std::make_unique<TStation>();
  std::map<uint32_t, TStretches> stretches_;
  std::map<uint32_t, TScheduleStops> schedules_;
};

// The level reached from From over the stretch; false when the stretch names a schedule that is
// gone or a stop it does not have.
bool Hop(TSearchRecords& records, const TPsgrSearchLevel& from, const TStationStretch& stretch, TPsgrSearchLevel& to) {
  to = TPsgrSearchLevel{};
  to.Station = stretch.Station;
  to.Schedule = stretch.Schedule;
  to.StopNumber = stretch.StopNumber;
  int32_t cost = 0;
  if (stretch.Schedule == 0) {
    to.HopTime = kWalkHopTime;
    cost = kWalkHopCost;
  } else {
    const TSearchRecords::TScheduleStops& stops = records.Schedule(stretch.Schedule);
    if (!stops.Exists || stretch.StopNumber < 1 || stretch.StopNumber > stops.Count) return false;
    to.StopCount = stops.Count;
    to.HopTime = stops.Ride[stretch.StopNumber - 1] * static_cast<float>(stops.Share) / 100.0f * 0.2f;
    cost = AddCost(from.Cost, stops.TimeToNext[stretch.StopNumber - 1]);
  }
  const uint32_t nextStop = from.StopNumber + 1u > from.StopCount ? 1u : from.StopNumber + 1u;
  const bool ridesOn = stretch.Schedule == from.Schedule && stretch.StopNumber == nextStop;
  to.Transfers = ridesOn ? from.Transfers : static_cast<uint8_t>(from.Transfers + 1);
  to.Time = from.Time + to.HopTime;
  if (!ridesOn) {
    to.Time += kTransferTime;
    cost = AddCost(cost, kTransferCost);
  }
  to.Cost = cost;
  return true;
}

// The route over levels 1 to N into the slot's record: stretch j leaves the station of level j on
// the hop into level j + 1; the last stretch of each ride carries its ride time (0.15 of the ride's
// hops; none at game level 1), which passengers earn where they leave the ride.
void TakeRoute(TPsgrRouteBuilder& b, int slot, int n) {
  TPsgrWay route = b.Slots[slot].Route;
  float rate = route.PassengerspF;
  float factor = 0.0f;
  if (PassengerLevelFactor(GameSettings.Level, factor)) rate = static_cast<float>(b.Inhabitants) * factor;
  route.Init(rate);
  route.PsgrStretchCounter = static_cast<uint8_t>(n - 1);
  route.PsgrEndStation = b.Levels[n - 1].Station;
  float ride = 0.0f;
  for (int j = 1; j <= n - 1; ++j) {
    const TPsgrSearchLevel into = b.Levels[j];
    TPsgrStretch s{};
    s.Station = b.Levels[j - 1].Station;
    s.Schedule = into.Schedule;
    s.StopNumber = into.StopNumber;
    ride += into.HopTime;
    const bool rideEnds = j == n - 1 || b.Levels[j + 1].Transfers != into.Transfers;
    if (rideEnds) {
      s.RideTime = GameSettings.Level == 1 ? 0.0f : kRideShare * ride;
      ride = 0.0f;
    }
    route.Stretches[j - 1] = s;
  }
  b.Slots[slot].Route = route;
}

// Rates the route to the top level N for every active slot whose stations include its station.
void RateRoute(TPsgrRouteBuilder& b, int n) {
  const TPsgrSearchLevel level = b.Levels[n - 1];
  if (level.Transfers > kMostTransfers) return;
  for (int k = 0; k < kPsgrSlots; ++k) {
    if (b.Slots[k].Active == 0) continue;
    const int count = std::min<int>(b.Slots[k].StationCount, kPsgrEndStations);
    for (int i = 0; i < count; ++i) {
      if (b.Slots[k].Stations[i] != level.Station) continue;
      const float walk = b.Slots[k].Walks[i];
      const float time = level.Time + walk;
      const int32_t cost = AddCost(level.Cost, TruncToInt(walk));
      const float bestTime = b.Slots[k].BestTime;
      const int32_t bestCost = b.Slots[k].BestCost;
      if (!(bestTime > 0.0f) || bestCost <= 0) break;
      const LD score = (static_cast<LD>(bestTime) - time) / bestTime * static_cast<LD>(b.TimeWeight) +
                       (static_cast<LD>(bestCost) - cost) / bestCost * static_cast<LD>(b.CostWeight);
      if (score > 0) {
        b.Slots[k].BestTime = time;
        b.Slots[k].BestCost = cost;
        TakeRoute(b, k, n);
      }
      break;
    }
  }
}

bool OnStack(const TPsgrRouteBuilder& b, int levels, uint32_t station) {
  for (int n = 0; n < levels; ++n)
    if (b.Levels[n].Station == station) return true;
  return false;
}

// Depth first over the stations and their stretch lists, from each origin station in turn.
void Search(TPsgrRouteBuilder& b) {
  TSearchRecords records;
  int n = std::clamp<int>(b.Level, 1, kPsgrSearchLevels);
  for (;;) {
    TPsgrSearchLevel at = b.Levels[n - 1];
    bool pushed = false;
    if (n < kPsgrSearchLevels && at.Transfers != kMostTransfers && !Pruned(b, at)) {
      const TSearchRecords::TStretches& list = records.Stretches(at.Station);
      while (at.NextStretch < list.Count && !pushed) {
        const TStationStretch stretch = list.Entries[at.NextStretch];
        ++at.NextStretch;
        TPsgrSearchLevel next{};
        if (OnStack(b, n, stretch.Station) || !Hop(records, at, stretch, next)) continue;
        b.Levels[n - 1] = at;
        b.Levels[n] = next;
        ++n;
        b.Level = static_cast<uint8_t>(n);
        RateRoute(b, n);
        pushed = true;
      }
    }
    if (pushed) continue;
    b.Levels[n - 1] = at;
    if (n > 1) {
      --n;
      b.Level = static_cast<uint8_t>(n);
      continue;
    }
    if (!StartAtOriginStation(b, b.OriginStation + 1)) break;
    n = 1;
  }
  b.Phase = 6;
}

void StoreRoutes(TPsgrRouteBuilder& b) {
  b.Phase = 0;
  if (b.OriginWay == 0 || !ArrayerHolds(kTWayDesc, b.OriginWay)) return;
  TWay w{};
  w.A_Read(b.OriginWay);
  bool any = false;
  for (int k = 0; k < kPsgrSlots; ++k) {
    if (b.Slots[k].Active == 0) continue;
    TPsgrWay route = b.Slots[k].Route;
    if (!(route.PassengerspF > 0.0f)) continue;
    route.Used = 1;
    route.A_Write();
    b.Slots[k].Route = route;
    w.PsgrWays[k] = route.Index;
    any = true;
  }
  if (any) w.A_Overwrite();
}

std::string Decimals4(float v) { return FloatToStrDigits(4, v); }

void DumpPsgrWayLines(const TPsgrWay& p) {
  SYS_Warning("Index: " + std::to_string(p.Index));
  SYS_Warning("PsgrRefCount: " + std::to_string(p.PsgrRefCount));
  SYS_Warning("PassengerspF: " + Decimals4(p.PassengerspF));
  SYS_Warning("PsgrEndStation: " + std::to_string(p.PsgrEndStation));
  SYS_Warning("gather: " + Decimals4(p.gather));
  SYS_Warning("Used: " + std::to_string(p.Used));
  SYS_Warning("PsgrStretchCounter: " + std::to_string(p.PsgrStretchCounter));
}

// Amount passengers of the way board its first station: a batch of the way there with fewer than
// 15 is topped up, otherwise a new batch joins the out-goods list. True when they boarded.
bool Board(TPsgrWay& p, int32_t amount) {
  const uint32_t station = p.PsgrStretchCounter >= 1 ? p.Stretches[0].Station : 0;
  if (station == 0 || !ArrayerHolds(kTStationDesc, station)) return false;
  auto s = std::make_unique<TStation>();
  s->A_Read(station);
  const int count = std::min<int>(s->StationOutGoodsCounter, kStationListRoom);
  TGood g{};
  for (int k = 0; k < count; ++k) {
    const uint32_t good = s->GoodsOut[k];
    if (good == 0 || !ArrayerHolds(kTGoodDesc, good)) continue;
    g.A_Read(good);
    if (g.Goodsway != p.Index || g.GoodType != PsgrGoodType || g.GoodAmount >= kTopUpBelow) continue;
    g.GoodAmount = AddCost(g.GoodAmount, amount);
    if (g.GoodAmount > kHighBatch) DumpPsgrGood(g, p);
    g.A_Overwrite();
    return true;
  }
  if (count >= kStationListRoom) {
    SYS_Warning("WARNING: Station " + std::to_string(station) + " full! Could not generate passengers!");
    return false;
  }
  g = TGood{};
  g.GoodsWayEntry = 1;
  g.GoodType = PsgrGoodType;
  g.GoodAmount = amount;
  g.Goodsway = p.Index;
  g.GoodStartTime = GameTime;
  g.GoodReady = GameTime;
  ++p.PsgrRefCount;
  if (g.GoodAmount > kHighBatch) DumpPsgrGood(g, p);
  g.A_Write();
  s->GoodsOut[count] = g.Index;
  s->StationOutGoodsCounter = static_cast<uint16_t>(count + 1);
  s->A_ReWrite();
  return true;
}

}  // namespace

bool PassengerLevelFactor(uint8_t level, float& factor) {
  switch (level) {
    case 1:
    case 5:
      factor = 0.006f;
      return true;
    case 2:
      factor = 0.025f;
      return true;
    case 3:
      factor = 0.012f;
      return true;
    case 4:
      factor = 0.007f;
      return true;
    default:
      return false;
  }
}

void DumpPsgrGood(const TGood& good, const TPsgrWay& way) {
  SYS_Warning("Warning: gp_Passengers: The Amount of a Psgr is high!");
  SYS_Warning("The TGood has following values:");
  SYS_Warning("Index:         " + std::to_string(good.Index));
  SYS_Warning("GoodsWayEntry: " + std::to_string(good.GoodsWayEntry));
  SYS_Warning("GoodType:      " + std::to_string(good.GoodType));
  SYS_Warning("GoodAmount:    " + std::to_string(good.GoodAmount));
  SYS_Warning("Goodsway:      " + std::to_string(good.Goodsway));
  SYS_Warning("GoodStartTime: " + std::to_string(good.GoodStartTime));
  SYS_Warning("GoodReady:     " + std::to_string(good.GoodReady));
  SYS_Warning("The PsgrWay in Memory has following values:");
  const TPsgrWay stored = way.Index != 0 && ArrayerHolds(kTPsgrWayDesc, way.Index) ? StoredRecord<TPsgrWay>(way.Index)
                                                                                    : TPsgrWay{};
  DumpPsgrWayLines(stored);
  SYS_Warning("The PsgrWay in this function has following values:");
  DumpPsgrWayLines(way);
}

void GeneratePassengers(TPsgrGenerator& generator) {
  if (GameSettings.EconomyMode != 0 || !GameTimeReached(generator.NextDue)) return;
  generator.NextDue = GameTime;
  TPsgrWay p{};
  for (int n = 0; n < kWaysPerGeneration; ++n) {
    generator.Cursor = FindInArrayerRest(kARTypePsgrWay, generator.Cursor);
    if (generator.Cursor == 0) {
      generator.NextDue += kGenerationPause;
      return;
    }
    p.A_Read(generator.Cursor);
    if (p.Used == 0) continue;
    p.gather += p.PassengerspF / 10.0f;
    if (p.gather > 1.0f) {
      const int32_t amount = TruncToInt(p.gather);
      if (Board(p, amount)) p.gather -= static_cast<float>(amount);
    }
    p.A_Overwrite();
  }
}

void UpdatePassengerRoutes(TPsgrRouteBuilder& b) {
  if (GameSettings.EconomyMode != 0) return;
  switch (b.Phase) {
    case 0:
      FindOrigin(b);
      break;
    case 1:
      FindOriginStations(b);
      break;
    case 2:
      FindDestinations(b);
      break;
    case 3:
      FindDestinationStations(b);
      break;
    case 4:
      SetUpSearch(b);
      break;
    case 5:
      Search(b);
      break;
    case 6:
      StoreRoutes(b);
      break;
    default:
      b.Phase = 0;
  }
}

namespace {

// Whether a vehicle of the schedule's first train carries passengers.
bool FirstTrainCarriesPassengers(const TSchedule& s) {
  if (PsgrGoodType == 0 || s.ScheduleTrainCounter == 0) return false;
  const uint32_t train = s.Trains[0];
  if (!IsTrainUsed(train)) return false;
  const TTrain& t = TrainByIndex(train);
  const int vehicles = std::min<int>(t.VehicleCount, kTrainMaxVehicles);
  for (int k = 0; k < vehicles; ++k) {
    const uint32_t vehicle = t.Vehicles[k];
    if (vehicle == 0 || !ArrayerHolds(kTVehicleDesc, vehicle)) continue;
    const TVehicleCargo cargo = VehicleCargo(StoredRecord<TVehicle>(vehicle).VehicleType);
    if (std::find(std::begin(cargo.GoodsTypes), std::end(cargo.GoodsTypes), PsgrGoodType) != std::end(cargo.GoodsTypes))
      return true;
  }
  return false;
}

}  // namespace

void AddStationStretches(uint32_t schedule) {
  if (schedule == 0 || !ArrayerHolds(kTScheduleDesc, schedule)) return;
  const TSchedule sch = StoredRecord<TSchedule>(schedule);
  if (!FirstTrainCarriesPassengers(sch)) return;
  const int stops = std::min<int>(sch.ScheduleStationCounter, 20);
  auto s = std::make_unique<TStation>();
  for (int i = 1; i <= stops; ++i) {
    const int j = i == stops ? 1 : i + 1;
    const uint32_t station = sch.Stops[i - 1].Station;
    const uint32_t next = sch.Stops[j - 1].Station;
    if (station == 0 || !ArrayerHolds(kTStationDesc, station)) continue;
    s->A_Read(station);
    const int count = std::min<int>(s->StationstretchCounter, kStationStretchRoom);
    bool there = false;
    for (int k = 0; k < count && !there; ++k) {
      const TStationStretch e = s->Stretches[k];
      there = e.Station == next && e.Schedule == schedule && e.StopNumber == i;
    }
    if (there) continue;
    const std::string name = "Warning: Station " + std::to_string(station);
    if (count >= kStationStretchRoom) {
      SYS_Warning(name + "exceeded stretchlimit of 20.");
      continue;
    }
    TStationStretch e{};
    e.Station = next;
    e.Schedule = schedule;
    e.StopNumber = static_cast<uint8_t>(i);
    s->Stretches[count] = e;
    s->StationstretchCounter = static_cast<uint8_t>(count + 1);
    if (count + 1 == kStationStretchRoom) SYS_Warning(name + "reached stretchlimit of 20. Further stretches are ignored.");
    s->A_ReWrite();
  }
}

void RemoveFromPsgrRoutes(TPsgrRouteBuilder& b, uint32_t way) {
  if (b.Phase == 0) return;
  bool restart = b.OriginWay == way;
  for (int k = 0; k < kPsgrSlots; ++k) {
    if (b.Slots[k].Active == 0 || b.Slots[k].WayCursor != way) continue;
    b.Slots[k].Active = 0;
    restart = true;
  }
  if (restart) b.Phase = 0;
}

void RemoveStationFromPsgrRoutes(TPsgrRouteBuilder& b, uint32_t station) {
  bool passes = false;
  // The search stack, and the origin's stations it starts from.
  for (int n = 0; n < std::min<int>(b.Level, kPsgrSearchLevels); ++n) passes = passes || b.Levels[n].Station == station;
  for (int n = 0; n < std::min<int>(b.OriginStationCount, kPsgrEndStations); ++n)
    passes = passes || b.OriginStations[n] == station;
  for (int k = 0; k < kPsgrSlots && !passes; ++k) {
    if (b.Slots[k].Active == 0) continue;
    for (int n = 0; n < std::min<int>(b.Slots[k].StationCount, kPsgrEndStations); ++n)
      passes = passes || b.Slots[k].Stations[n] == station;
    const TPsgrWay route = b.Slots[k].Route;
    passes = passes || route.PsgrEndStation == station;
    for (int n = 0; n < std::min<int>(route.PsgrStretchCounter, kPsgrWayStretchRoom); ++n)
      passes = passes || route.Stretches[n].Station == station;
  }
  if (passes) b.Phase = 0;
}
