#include "economy/goods/goodswaysearch.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "economy/goods/goodsentries.h"
#include "economy/goods/handling.h"
#include "economy/goods/stationgoods.h"
#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "network/track/schedules.h"

namespace {

using LD = long double;

constexpr uint8_t kUnloadsGoods = 2, kLoadsGoods = 4;
constexpr int kStopRoom = 20, kTrainRoom = 50;

bool IsGoodType(uint8_t t) { return t >= 1 && t <= 52; }

// ---- The parts of the world records the walk reads

// What the walk needs of a station; the station is read into one buffer kept for the purpose.
struct TStationHead {
  TVector Position;
  uint8_t Service;
  uint32_t Link;
};
TStationHead StationHead(uint32_t station) {
  static const std::unique_ptr<TStation> s = std::make_unique<TStation>();
  s->A_Read(station);
  return TStationHead{s->Position, s->ServiceFlags, s->StationObjectOf};
}

TSchedule ReadSchedule(uint32_t schedule) {
  TSchedule s{};
  if (schedule != 0 && ArrayerHolds(kTScheduleDesc, schedule)) s.A_Read(schedule);
  return s;
}

int StopCount(const TSchedule& s) { return std::min<int>(s.ScheduleStationCounter, kStopRoom); }

bool HasHaltAt(const TSchedule& s, uint32_t station) {
  for (int k = 0; k < StopCount(s); ++k)
    if (s.Stops[k].Halt == 1 && s.Stops[k].Station == station) return true;
  return false;
}

bool TypeCarries(uint16_t vehicleType, uint8_t goodType) {
  const TVehicleCargo c = VehicleCargo(vehicleType);
  return std::find(std::begin(c.GoodsTypes), std::end(c.GoodsTypes), goodType) != std::end(c.GoodsTypes);
}

// Whether Test(vehicle position, vehicle type) holds for a vehicle of one of the schedule's trains.
template <class Test>
bool AnyVehicle(const TSchedule& s, Test test) {
  for (int k = 0; k < std::min<int>(s.ScheduleTrainCounter, kTrainRoom); ++k) {
    const uint32_t train = s.Trains[k];
    if (!IsTrainUsed(train)) continue;
    const TTrain& t = TrainByIndex(train);
    for (int i = 0; i < std::min<int>(t.VehicleCount, kTrainMaxVehicles); ++i) {
      const uint32_t vehicle = t.Vehicles[i];
      if (vehicle == 0 || !ArrayerHolds(kTVehicleDesc, vehicle)) continue;
      if (test(i, StoredRecord<TVehicle>(vehicle).VehicleType)) return true;
    }
  }
  return false;
}

bool MakesGood(uint8_t industryType, uint8_t goodType) {
  for (int k = 0; k < IndustryTypeRecipeCount(industryType); ++k)
    if (IndustryTypeRecipe(industryType, k).Output == goodType) return true;
  return false;
}

// ---- The walk's stack

int PathCount(const TPPFoundNewGoodsways& p) { return p.Work.GoodsWayPathCounter; }
void SetPathCount(TPPFoundNewGoodsways& p, int count) { p.Work.GoodsWayPathCounter = static_cast<uint8_t>(count); }
TGoodswayPathEntry Entry(const TPPFoundNewGoodsways& p, int n) { return p.Work.Path[n - 1]; }
void SetEntry(TPPFoundNewGoodsways& p, int n, const TGoodswayPathEntry& e) { p.Work.Path[n - 1] = e; }
float Reach(const TPPFoundNewGoodsways& p, int n) { return p.ReachTime[n - 1]; }
int32_t Ticks(const TPPFoundNewGoodsways& p, int n) { return p.TravelTicks[n - 1]; }
// The walk leaves entry n by a schedule (else by transfer, or not yet).
bool Ridden(const TGoodswayPathEntry& e) { return e.Schedule != 0; }

// Whether one of entries 1 to Last holds the station.
bool OnPath(const TPPFoundNewGoodsways& p, uint32_t station, int last) {
  for (int n = 1; n <= last; ++n)
    if (Entry(p, n).Station == station) return true;
  return false;
}

const TGoodsType& WalkedType(const TPPFoundNewGoodsways& p) { return GoodsTypes[p.GoodType]; }
LD MostTicks(const TPPFoundNewGoodsways& p) { return 0.8L * WalkedType(p).MaxAge; }

// The phase that goes on with the last station: its next schedule while the walk rides from it,
// its next transfer candidate once it hands over.
uint8_t GoOnFromLast(const TPPFoundNewGoodsways& p) { return Ridden(Entry(p, PathCount(p) - 1)) ? 4 : 6; }

// Drops the last station, and each one before it that has a market or industry (the ride only
// passed through them), down to the first station.
void BacktrackThroughLinks(TPPFoundNewGoodsways& p) {
  int count = PathCount(p);
  do {
    --count;
  } while (count > 2 && StationHead(Entry(p, count - 1).Station).Link != 0);
  SetPathCount(p, count);
}

// ---- Phases

void StartPass(TPPFoundNewGoodsways& p) {
  RetuneGoodsProcess(TGoodsProcess::FoundNewGoodsways, p.Speed, p.PassStart);
  p.ReachTime[0] = 0.0f;
  p.TravelTicks[0] = 0;
  p.Work.Index = 0;
  p.IndustryCursor = 0;
  p.Work.GoodsWayFrom = 0;
  p.Phase = 1;
}

void AgeGoodsways(TPPFoundNewGoodsways& p) {
  for (int k = 0; k < kGoodswaysAgedPerStep; ++k) {
    const uint32_t next = FindInArrayerRest(kARTypeGoodsway, p.Work.Index);
    if (next == 0) {
      p.IndustryCursor = 0;
      p.Work.GoodsWayFrom = 0;
      p.Phase = 2;
      return;
    }
    p.Work.A_Read(next);
    if ((p.Work.GoodsWayFlags & kGoodswayFound) != 0) {
      p.Work.GoodsWayFlags &= static_cast<uint8_t>(~kGoodswayFound);
      p.Work.A_Overwrite();
    } else if (p.Work.GoodsWayContract == 0) {
      if (p.Work.GoodsWayRefCount != 0) {
        p.Work.GoodsWayFlags &= static_cast<uint8_t>(~kGoodswayActive);
        p.Work.A_Overwrite();
      } else {
        p.Work.destroy();
        return;
      }
    }
  }
}

void NextIndustry(TPPFoundNewGoodsways& p) {
  p.IndustryCursor = FindInArrayerOA(kARTypeIndustry, p.IndustryCursor);
  p.Work.GoodsWayFrom = p.IndustryCursor;
  if (p.IndustryCursor == 0) {
    p.Phase = 0;
    return;
  }
  auto industry = std::make_unique<TIndustry>();
  industry->A_Read(p.IndustryCursor);
  LD requested = 0;
  for (int k = 0; k < std::min<int>(industry->IndustryPCOutputCounter, kIndustryProductionRoom); ++k)
    requested += IndustryProduction(*industry, k).ThisMonth;
  ResizeIndustryBy(*industry, static_cast<float>(requested),
                   "ERROR: Goods: FoundNewGoodsways: Unsorportet IndustryShuldResize detektet!");
  industry->A_Overwrite();
  p.GoodType = 0;
  p.Phase = 3;
}

void NextGoodType(TPPFoundNewGoodsways& p) {
  if (p.IndustryCursor == 0 || !ArrayerHolds(kTIndustryDesc, p.IndustryCursor)) {
    p.Phase = 2;
    return;
  }
  auto industry = std::make_unique<TIndustry>();
  industry->A_Read(p.IndustryCursor);
  const int last = std::min<int>(GoodsTypeCount, 52);
  int t = p.GoodType;
  do {
    ++t;
  } while (t <= last && !MakesGood(industry->IndustryType, static_cast<uint8_t>(t)));
  const uint32_t station = industry->Station;
  // An industry without a station of its own ships nothing.
  if (t > last || station == 0 || !ArrayerHolds(kTStationDesc, station)) {
    p.GoodType = static_cast<uint8_t>(std::min(t, last));
    p.Phase = 2;
    return;
  }
  p.GoodType = static_cast<uint8_t>(t);
  // The whole work record starts clean: a way read while ageing must not lend the new ones its
  // contract or flags.
  p.Work = TGoodsway{};
  p.Work.GoodsWayFrom = p.IndustryCursor;
  p.Work.GoodsWayGoodType = p.GoodType;
  p.Work.Path[0].Station = station;
  SetPathCount(p, 2);
  std::fill(std::begin(p.ReachTime), std::end(p.ReachTime), 0.0f);
  std::fill(std::begin(p.TravelTicks), std::end(p.TravelTicks), 0);
  std::fill(std::begin(p.Circle), std::end(p.Circle), TTransferCircle{});
  p.Phase = 4;
}

void NextSchedule(TPPFoundNewGoodsways& p) {
  const int count = PathCount(p), last = count - 1;
  TGoodswayPathEntry l = Entry(p, last);
  l.Schedule = FindInArrayerRest(kARTypeSchedule, l.Schedule);
  if (l.Schedule != 0 && count < kGoodswaySearchMostEntries) {
    const TSchedule s = ReadSchedule(l.Schedule);
    if (s.IsCalculated() && HasHaltAt(s, l.Station) && ScheduleCarriesGood(s, p.GoodType)) {
      l.StopNumber = 0;
      l.ScheduleHop = s.HopFlag;
      p.Phase = 5;
    }
    SetEntry(p, last, l);
    return;
  }
  // The schedules are done: the walk hands over from here, or goes back.
  l.Schedule = 0;
  const TGoodsType& type = WalkedType(p);
  const TStationHead here = StationHead(l.Station);
  const float timeLeft = static_cast<float>(static_cast<LD>(type.MaxTransportTime) - Reach(p, last));
  const LD ticksLeft = std::trunc(MostTicks(p)) - Ticks(p, last);
  bool transfer = (here.Service & kUnloadsGoods) != 0 && timeLeft >= 0.0f && ticksLeft > 0;
  if (transfer && count > 2)
    transfer = l.ScheduleHop != 0 &&
               GoodsTransportTime(StationHead(Entry(p, 1).Station).Position, here.Position, p.GoodType) >=
                   Reach(p, last);
  if (transfer) {
    l.ScheduleHop = 0;  // it is left by transfer
    SetEntry(p, last, l);
    SetEntry(p, count, TGoodswayPathEntry{});
    const float radius = GoodsReachWithin(p.GoodType, static_cast<float>(ticksLeft), timeLeft);
    p.Circle[count - 1] = TTransferCircle{here.Position.x, here.Position.z, std::max(radius, 0.0f)};
    p.Phase = 6;
    return;
  }
  SetEntry(p, last, l);
  if (count <= 2) {  // the first station is done with
    p.Phase = 3;
    return;
  }
  SetPathCount(p, count - 1);
  TGoodswayPathEntry dropped = Entry(p, count - 1);
  dropped.StopNumber = 0;
  dropped.ScheduleHop = 0;
  SetEntry(p, count - 1, dropped);
  if (count - 1 > 2 && StationHead(Entry(p, count - 2).Station).Link != 0) {
    // The station before was only passed through on a ride: the ride goes on from where it began.
    BacktrackThroughLinks(p);
    p.Phase = 5;
    return;
  }
  p.Phase = GoOnFromLast(p);
}

// Builds the entry at the path count for halt N of the schedule ridden from the last station;
// true when it stays on the path.
bool ArriveByRide(TPPFoundNewGoodsways& p, const TSchedule& s, uint8_t n) {
  const int count = PathCount(p), last = count - 1;
  const TGoodswayPathEntry l = Entry(p, last);
  int b = 1;
  for (int j = last - 1; j >= 1; --j) {
    if (Entry(p, j).Schedule != l.Schedule) {
      b = j;
      break;
    }
  }
  TGoodswayPathEntry e{};
  e.Station = s.Stops[n - 1].Station;
  const TStationHead from = StationHead(Entry(p, b).Station), to = StationHead(e.Station);
  e.HopCost = GoodsTransportCost(from.Position, to.Position, p.GoodType);
  e.Share = s.SharePercent;
  const int64_t ticks = static_cast<int64_t>(Ticks(p, last)) + s.Stops[l.StopNumber - 1].TimeToNext;
  LD reach = static_cast<LD>(e.HopCost) * 1.5L * e.Share / 100.0L + Reach(p, b) + (ticks - Ticks(p, b)) * 0.00001L;
  if (b != 1) reach += 2.0L;
  for (int j = b + 1; j <= last; ++j)
    if (Entry(p, j).Schedule != Entry(p, j - 1).Schedule) reach += 2.0L;
  SetEntry(p, count, e);
  p.TravelTicks[count - 1] = static_cast<int32_t>(std::clamp<int64_t>(ticks, INT32_MIN, INT32_MAX));
  p.ReachTime[count - 1] = static_cast<float>(reach);
  return ticks <= MostTicks(p) && !ShortcutExists(p);
}

void RideToNextHalt(TPPFoundNewGoodsways& p) {
  const int count = PathCount(p), last = count - 1;
  TGoodswayPathEntry l = Entry(p, last);
  const TStationHead here = StationHead(l.Station);
  const TSchedule s = ReadSchedule(l.Schedule);
  const int stops = StopCount(s);
  const auto nextHalt = [&](uint8_t stop) -> uint8_t {
    const uint8_t n = NextHalt(s, stop);
    return n >= 1 && n <= stops && !OnPath(p, s.Stops[n - 1].Station, last) ? n : 0;
  };
  uint8_t n = 0;
  const bool arrived = here.Link != 0 && count > 2;
  if (arrived) {
    // Just arrived on this schedule at a market or industry: the goods ride on or the ride ends.
    if (GoodTransFromScheduleStation(s, p.GoodType, l.StopNumber)) n = nextHalt(l.StopNumber);
    if (n == 0) {
      BacktrackThroughLinks(p);
      return;
    }
  } else {
    while (n == 0) {
      if (l.StopNumber >= stops) {
        SetEntry(p, last, l);
        p.Phase = 4;
        return;
      }
      ++l.StopNumber;
      const TScheduleStop stop = s.Stops[l.StopNumber - 1];
      if (stop.Halt == 1 && stop.Station == l.Station && GoodTransFromScheduleStation(s, p.GoodType, l.StopNumber))
        n = nextHalt(l.StopNumber);
    }
    SetEntry(p, last, l);
  }
  const bool stays = ArriveByRide(p, s, n);
  const uint32_t link = stays ? StationHead(Entry(p, count).Station).Link : 0;
  if (link != 0) {
    OfferGoodsWay(p, link);
    if (p.Phase != 5) return;  // the walk left the industry
  }
  if (!stays || count >= kGoodswaySearchMostEntries) {
    if (arrived && count >= 3) BacktrackThroughLinks(p);
    return;
  }
  if (link != 0) {
    // The ride goes on along the same schedule.
    TGoodswayPathEntry e = Entry(p, count);
    e.Schedule = l.Schedule;
    e.ScheduleHop = l.ScheduleHop;
    e.StopNumber = n;
    SetEntry(p, count, e);
    SetPathCount(p, count + 1);
    SetEntry(p, count + 1, TGoodswayPathEntry{});
    return;
  }
  SetPathCount(p, count + 1);
  p.Phase = 4;
}

void TransferToNextStation(TPPFoundNewGoodsways& p) {
  const int count = PathCount(p), last = count - 1;
  const TTransferCircle c = p.Circle[count - 1];
  uint32_t found = 0;
  TGoodswayPathEntry e{};
  e.Station = FindInArrayerRangeOAMultipel(kARTypeStation, Entry(p, count).Station, found, c.X, c.Z, c.Radius);
  SetEntry(p, count, e);
  if (e.Station == 0) {
    if (count < 3) {
      p.Phase = 3;
      return;
    }
    BacktrackThroughLinks(p);
    p.Phase = GoOnFromLast(p);
    return;
  }
  if (OnPath(p, e.Station, last)) return;
  const TStationHead there = StationHead(e.Station);
  if ((there.Service & (kUnloadsGoods | kLoadsGoods)) == 0) return;
  const TStationHead here = StationHead(Entry(p, last).Station);
  if ((here.Link == 0 || there.Link == 0) && VecDistanceXZ(here.Position, there.Position) > kFarTransfer) return;
  e.HopCost = GoodsTransportTime(there.Position, here.Position, p.GoodType);
  e.Share = 100;
  SetEntry(p, count, e);
  const LD reach = static_cast<LD>(Reach(p, last)) + e.HopCost + (count > 2 ? 2.0L : 0.0L);
  p.ReachTime[count - 1] = static_cast<float>(reach);
  if (!(p.ReachTime[count - 1] < WalkedType(p).MaxTransportTime)) return;
  const int64_t ticks = static_cast<int64_t>(Ticks(p, last)) + GoodsDistance(there.Position, here.Position);
  p.TravelTicks[count - 1] = static_cast<int32_t>(std::clamp<int64_t>(ticks, INT32_MIN, INT32_MAX));
  if (ticks > MostTicks(p) || ShortcutExists(p)) return;
  if (there.Link != 0) {
    OfferGoodsWay(p, there.Link);
    return;
  }
  if (count >= kGoodswaySearchMostEntries) return;
  SetPathCount(p, count + 1);
  SetEntry(p, count + 1, TGoodswayPathEntry{});
  p.Phase = 4;
}

// ---- Storing what was found

// Entry k of a path of Count entries is a transfer point: the last but one, or one whose schedule
// flag differs from the next entry's.
bool TransferPoint(const TGoodsway& w, int k) {
  const int count = w.GoodsWayPathCounter;
  return k == count - 1 || (k < count && w.Path[k - 1].ScheduleHop != w.Path[k].ScheduleHop);
}

// The hop cost and share a transfer point keeps are those of the hop that ends at the next entry:
// the walk sets them when it arrives there.
void CopyHop(TGoodsway& to, const TGoodsway& from, int k) {
  to.Path[k - 1].HopCost = from.Path[k].HopCost;
  to.Path[k - 1].Share = from.Path[k].Share;
}

bool Matches(const TGoodsway& w, const TGoodsway& work) {
  const int count = work.GoodsWayPathCounter;
  if (w.GoodsWayFrom != work.GoodsWayFrom || w.GoodsWayContract != work.GoodsWayContract ||
      w.GoodsWayPathCounter != count || w.GoodsWayGoodType != work.GoodsWayGoodType)
    return false;
  for (int k = 1; k < count && k <= kGoodswayPathRoom; ++k) {
    const TGoodswayPathEntry a = w.Path[k - 1], b = work.Path[k - 1];
    if (a.Station != b.Station || Ridden(a) != Ridden(b)) return false;
    if (Ridden(b) && (a.Schedule != b.Schedule || a.StopNumber != b.StopNumber)) return false;
  }
  return true;
}

void Refresh(TGoodsway& w, const TGoodsway& work) {
  w.GoodsWayTime = work.GoodsWayTime;
  for (int k = 1; k < work.GoodsWayPathCounter; ++k)
    if (TransferPoint(work, k)) CopyHop(w, work, k);
  w.GoodsWayFlags |= kGoodswayActive | kGoodswayFound;
  w.A_Overwrite();
}

}  // namespace

// ---- Auxiliary routines

float GoodsReachWithin(uint8_t goodType, float distance, float time) {
  const float factor = IsGoodType(goodType) ? GoodsTypes[goodType].TransportFactor : 0.0f;
  if (!(factor > 0.0f)) return distance;
  LD r = (static_cast<LD>(time) - 2.0L) / factor;
  if (r > 1500.0L) r = 1500.0L + std::pow(r - 1500.0L, 0.8333333L);
  return static_cast<float>(std::min(static_cast<LD>(distance), r));
}

bool ScheduleCarriesGood(const TSchedule& s, uint8_t goodType) {
  if (s.Use >= 2) return false;
  return AnyVehicle(s, [goodType](int, uint16_t type) { return TypeCarries(type, goodType); });
}

bool GoodTransFromScheduleStation(const TSchedule& s, uint8_t goodType, uint8_t stop) {
  const bool held = stop >= 1 && stop <= StopCount(s);
  if (!held || s.Stops[stop - 1].Halt != 1)
    SYS_Warning("ERROR: GOODS: GoodTransFromScheduleStation: This is no normal Station in this schedule!");
  if (!held || s.Use >= 2) return false;
  const TScheduleStop st = s.Stops[stop - 1];
  return AnyVehicle(s, [&](int position, uint16_t type) {
    const uint8_t wanted = st.GoodsTypes[position];
    return wanted == goodType || (wanted == 0 && TypeCarries(type, goodType));
  });
}

bool IndustryTakesGood(const TIndustry& i, uint8_t goodType) {
  for (int k = 0; k < IndustryTypeRecipeCount(i.IndustryType); ++k) {
    const TRecipe r = IndustryTypeRecipe(i.IndustryType, k);
    for (int j = 0; j < RecipeInputCount(r); ++j)
      if (r.Inputs[j] == goodType) return true;
  }
  return false;
}

bool MarketTakesGood(const TMarket& m, uint8_t goodType) {
  for (int k = 0; k < std::min<int>(m.MarketGoodsCounter, 52); ++k)
    if (m.Goods[k][0] == goodType) return true;
  return false;
}

bool ShortcutExists(const TPPFoundNewGoodsways& p) {
  const int n = PathCount(p);
  const TStationHead end = StationHead(Entry(p, n).Station);
  for (int i = 1; i < n; ++i) {
    const TGoodswayPathEntry e = Entry(p, i);
    if (i == n - 1 && !Ridden(e)) continue;
    const TStationHead at = StationHead(e.Station);
    bool counts = i == 1 || !Ridden(e);
    if (!counts) {
      const TSchedule s = ReadSchedule(e.Schedule);
      counts = e.StopNumber >= 1 && e.StopNumber <= StopCount(s) && s.Stops[e.StopNumber - 1].Halt == 1 &&
               at.Link == 0;
    }
    if (!counts) continue;
    LD t = GoodsTransportTime(end.Position, at.Position, p.GoodType);
    if (i > 1) t += 2.0L + Reach(p, i);
    if (static_cast<float>(t) <= Reach(p, n) &&
        static_cast<LD>(GoodsDistance(end.Position, at.Position)) + Ticks(p, i) <= MostTicks(p))
      return true;
  }
  return false;
}

void OfferGoodsWay(TPPFoundNewGoodsways& p, uint32_t link) {
  const int count = PathCount(p);
  TGoodsway& work = p.Work;
  work.GoodswayTo = link;
  work.GoodsWayTime = Reach(p, count);
  bool ridden = false;
  for (int k = 1; k < count; ++k) ridden = ridden || Ridden(Entry(p, k));
  work.GoodsWayFlags = static_cast<uint8_t>(ridden ? work.GoodsWayFlags & ~kGoodswayByTransfer
                                                   : work.GoodsWayFlags | kGoodswayByTransfer);
  const bool close = Ticks(p, count) <= 0.6L * WalkedType(p).MaxAge;
  const uint32_t kind = GetArrayerType(link);
  std::unique_ptr<TMarket> market;
  std::unique_ptr<TIndustry> industry;
  TGoodswayList list;
  if (kind == kARTypeMarket) {
    market = std::make_unique<TMarket>();
    market->A_Read(link);
    if (!MarketTakesGood(*market, p.GoodType)) return;
    list.Count = static_cast<uint8_t>(std::min<int>(market->MarketCalcGWFromCounter, kGoodswayListRoom));
    for (int k = 0; k < list.Count; ++k) list.Ways[k] = market->CalcGWFrom[k];
  } else if (kind == kARTypeIndustry) {
    industry = std::make_unique<TIndustry>();
    industry->A_Read(link);
    if (!IndustryTakesGood(*industry, p.GoodType)) return;
    list.Count = static_cast<uint8_t>(std::min<int>(industry->IndustryCalcGWFromCounter, kGoodswayListRoom));
    for (int k = 0; k < list.Count; ++k) list.Ways[k] = industry->CalcGWFrom[k];
  } else {
    SYS_Warning("Warning: Goods: PPFoundNewGoodsWays: Unsorportet Type of a Station found: " + std::to_string(link));
    return;
  }
  if (ridden && Reach(p, count) > GoodsTransportTime(StationHead(Entry(p, 1).Station).Position,
                                                     StationHead(Entry(p, count).Station).Position, p.GoodType))
    return;
  if (!SaveGoodsWayIfNew(list, work, !ridden || close)) return;
  if (market) {
    market->MarketCalcGWFromCounter = list.Count;
    for (int k = 0; k < list.Count; ++k) market->CalcGWFrom[k] = list.Ways[k];
    market->A_ReWrite();
  } else {
    industry->IndustryCalcGWFromCounter = list.Count;
    for (int k = 0; k < list.Count; ++k) industry->CalcGWFrom[k] = list.Ways[k];
    industry->A_ReWrite();
  }
  auto source = std::make_unique<TIndustry>();
  source->A_Read(work.GoodsWayFrom);
  if (source->IndustryOutputCounter >= kGoodswayListRoom) {
    SYS_Warning("Warning: Goods: PPFoundNewGoodsways: There are no Room to save the Goodsway in Industry: " +
                std::to_string(work.GoodsWayFrom));
    FNGIndustryDeleted(p, work.GoodsWayFrom);
    return;
  }
  source->Output[source->IndustryOutputCounter] = TIndustryOutput{0, work.Index};
  ++source->IndustryOutputCounter;
  source->A_ReWrite();
}

bool SaveGoodsWayIfNew(TGoodswayList& list, TGoodsway& work, bool mayCreate) {
  TGoodsway w{};
  for (int k = 0; k < std::min<int>(list.Count, kGoodswayListRoom); ++k) {
    if (list.Ways[k] == 0 || !ArrayerHolds(kTGoodswayDesc, list.Ways[k])) continue;
    w.A_Read(list.Ways[k]);
    if (!Matches(w, work)) continue;
    Refresh(w, work);
    return false;
  }
  for (uint32_t i = FindInArrayerRest(kARTypeGoodsway, 0); i != 0; i = FindInArrayerRest(kARTypeGoodsway, i)) {
    w.A_Read(i);
    if (w.GoodswayTo != work.GoodswayTo || !Matches(w, work)) continue;
    Refresh(w, work);
    return false;
  }
  if (!mayCreate) return false;
  const int count = std::min<int>(work.GoodsWayPathCounter, kGoodswayPathRoom);
  w = TGoodsway{};
  w.GoodsWayFrom = work.GoodsWayFrom;
  w.GoodswayTo = work.GoodswayTo;
  w.GoodsWayTime = work.GoodsWayTime;
  w.GoodsWayPathCounter = static_cast<uint8_t>(count);
  w.GoodsWayGoodType = work.GoodsWayGoodType;
  w.GoodsWayFlags = work.GoodsWayFlags | kGoodswayActive | kGoodswayFound;
  if ((w.GoodsWayFlags & kGoodswayByTransfer) != 0) w.GoodsWayFreeAmount = 1e20f;
  for (int k = 1; k <= count; ++k) {
    const TGoodswayPathEntry e = work.Path[k - 1];
    TGoodswayPathEntry n{};
    n.Station = e.Station;
    n.ScheduleHop = e.ScheduleHop;
    if (Ridden(e)) {
      n.Schedule = e.Schedule;
      n.StopNumber = e.StopNumber;
    }
    w.Path[k - 1] = n;
  }
  for (int k = 1; k < count; ++k)
    if (TransferPoint(work, k)) CopyHop(w, work, k);
  w.A_Write();
  work.Index = w.Index;
  if (list.Count < kGoodswayListRoom) {
    list.Ways[list.Count++] = w.Index;
  } else {
    list.Count = kGoodswayListRoom;
    SYS_Warning("Warning: Goods: SaveGoodsWayIfNew: CalcGWFrom is full! I/M: " + std::to_string(work.GoodswayTo));
    list.Ways[kGoodswayListRoom - 1] = w.Index;
  }
  return true;
}

// ---- The step and the delete notices

void FoundNewGoodswaysStep(TPPFoundNewGoodsways& p) {
  switch (p.Phase) {
    case 0:
      StartPass(p);
      break;
    case 1:
      AgeGoodsways(p);
      break;
    case 2:
      NextIndustry(p);
      break;
    case 3:
      NextGoodType(p);
      break;
    case 4:
      NextSchedule(p);
      break;
    case 5:
      RideToNextHalt(p);
      break;
    case 6:
      TransferToNextStation(p);
      break;
    default:  // no phase of the search: a new pass
      p.Phase = 0;
      break;
  }
}

void FNGIndustryDeleted(TPPFoundNewGoodsways& p, uint32_t industry) {
  if (p.Phase >= 3 && p.Phase <= 6 && p.IndustryCursor == industry) p.Phase = 2;
}

namespace {

// A walk whose path (entries 1 to count - 1) names the schedule or station starts its goods type
// again.
template <class Names>
void RestartTypeIf(TPPFoundNewGoodsways& p, Names names) {
  if (p.Phase < 4 || p.Phase > 6) return;
  const int last = std::min<int>(PathCount(p) - 1, kGoodswayPathRoom);
  for (int n = 1; n <= last; ++n) {
    if (!names(Entry(p, n))) continue;
    p.Phase = 3;
    if (p.GoodType > 0) --p.GoodType;
    return;
  }
}

}  // namespace

void FNGScheduleDeleted(TPPFoundNewGoodsways& p, uint32_t schedule) {
  RestartTypeIf(p, [schedule](const TGoodswayPathEntry& e) { return e.Schedule == schedule; });
}

void FNGStationDeleted(TPPFoundNewGoodsways& p, uint32_t station) {
  RestartTypeIf(p, [station](const TGoodswayPathEntry& e) { return e.Station == station; });
}
