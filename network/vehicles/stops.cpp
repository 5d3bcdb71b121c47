#include "network/vehicles/stops.h"

#include <algorithm>
#include <memory>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/sound/samples.h"
#include "engine/store/nodepool.h"
#include "engine/world/hooks.h"
#include "engine/world/vehicle.h"
#include "engine/world/vehicletype.h"
#include "network/construction/buildings.h"
#include "network/track/schedules.h"
#include "network/track/trackfields.h"
#include "network/vehicles/convoys.h"
#include "network/vehicles/movement.h"
#include "network/world/particles.h"
#include "platform/platform.h"

namespace stop_hooks {
namespace {
void NothingUnloaded(bool, uint8_t, uint8_t, uint32_t (&)[100], uint8_t&, uint32_t, uint16_t, uint8_t,
                     uint32_t& keptWeight, uint32_t& keptVolume, uint32_t& keptPassengers, uint32_t&, float&,
                     float&) {
  keptWeight = keptVolume = keptPassengers = 0;
}
void NothingLoaded(uint32_t (&)[100], uint8_t&, uint8_t, uint16_t, uint8_t, uint32_t, const TSchedule&, uint8_t,
                   uint32_t& loadedWeight, uint32_t& loadedVolume, uint32_t& loadedPassengers, uint32_t&) {
  loadedWeight = loadedVolume = loadedPassengers = 0;
}
}  // namespace

void (*UnloadGoods)(bool, uint8_t, uint8_t, uint32_t (&)[100], uint8_t&, uint32_t, uint16_t, uint8_t, uint32_t&,
                    uint32_t&, uint32_t&, uint32_t&, float&, float&) = NothingUnloaded;
void (*LoadGoods)(uint32_t (&)[100], uint8_t&, uint8_t, uint16_t, uint8_t, uint32_t, const TSchedule&, uint8_t,
                  uint32_t&, uint32_t&, uint32_t&, uint32_t&) = NothingLoaded;

void InstallDefaults() {
  UnloadGoods = NothingUnloaded;
  LoadGoods = NothingLoaded;
}
}  // namespace stop_hooks

int32_t CashSoundSample = 0;

namespace {

using LD = long double;

// The cash sound's owner pair: (kCashSoundOwner, the vehicle).
constexpr uint32_t kCashSoundOwner = 0x7FFFFF9;
// The money text rises from this far above the first vehicle.
constexpr float kMoneyTextHeight = 60.0f;
// Leaving a stop node costs about this much more than its length: a train prefers the stop node from
// which the path on to its next halt is cheapest only when it is cheaper by more than this.
constexpr uint64_t kOnwardMargin = 500;
// A reused path may cost at most this much more than the present one; red blocks are avoided within
// this radius of the start.
constexpr uint32_t kReuseMargin = 250, kReuseRadius = 1000;
constexpr uint32_t kNoLimit = 0x7FFFFFFF;
constexpr uint8_t kLeftWithoutLoad = 2;
constexpr uint8_t kPathFound = 0, kDepotPathFailed = 1, kPathFailed = 2;

// The number of halts of a schedule, held to its room.
int HaltCount(const TSchedule& s) { return std::clamp<int>(s.ScheduleStationCounter, 0, 20); }
bool IsHalt(const TSchedule& s, int halt) { return halt >= 1 && halt <= HaltCount(s); }
// The halt after Halt, 1 after the last.
uint8_t FollowingHalt(const TSchedule& s, uint8_t halt) {
  return static_cast<uint8_t>(halt >= HaltCount(s) ? 1 : halt + 1);
}

std::unique_ptr<TSchedule> ScheduleOf(const TTrain& t) {
  if (t.Schedule == 0) return nullptr;
  auto s = std::make_unique<TSchedule>();
  s->A_Read(t.Schedule);
  return s;
}

// The convoy's vehicle at position I (0-based) as the step holds it: the scratch record, read from
// the store when the scratch holds another vehicle (a call outside the convoy's tick).
TVehicle& VehicleAt(const TTrain& t, int i) {
  TVehicle& v = ConvoyScratch.Vehicles[i];
  if (v.Index != t.Vehicles[i]) v.A_Read(t.Vehicles[i]);
  return v;
}
int VehicleCount(const TTrain& t) { return std::min<int>(t.VehicleCount, kTrainMaxVehicles); }

TVehicleTypeDriving TypeOf(const TVehicle& v) { return VehicleTypeDrivingOf(v.VehicleType); }
uint8_t KindOf(const TVehicle& v) {
  return v.VehicleType >= 1 && v.VehicleType <= 255 ? VehicleTypeKind(VehicleTypes[v.VehicleType]) : 0;
}

// Round(Amount x 100 / Capacity), held to 0..100.
uint8_t Percent(uint32_t amount, int32_t capacity) {
  return static_cast<uint8_t>(std::clamp<int32_t>(RoundToInt(LD(amount) * 100.0L / capacity), 0, 100));
}
// The load percentage of the larger of the volume and the weight share, each of a capacity above 0.
uint8_t GoodsPercent(const TVehicleTypeDriving& d, uint32_t weight, uint32_t volume) {
  uint8_t p = 0;
  if (d.VolumeCapacity > 0) p = std::max(p, Percent(volume, d.VolumeCapacity));
  if (d.WeightCapacity > 0) p = std::max(p, Percent(weight, d.WeightCapacity));
  return p;
}
bool HasCapacity(const TVehicleTypeDriving& d) {
  return d.PassengerCapacity > 0 || d.WeightCapacity > 0 || d.VolumeCapacity > 0;
}

// What a vehicle holds after its goods were handled, and its batch count before and after.
struct THandled {
  uint32_t Weight = 0, Volume = 0, Seats = 0;
  uint8_t Before = 0, After = 0;
};

// Each vehicle of the convoy with room has its goods list handled (Handle) between its handling
// start and end ticks, which Delay (grown by the handling) gives; Finish completes the vehicle
// before it is stored.
template <class Handle, class Finish>
void HandleEachVehicle(const TTrain& t, const uint32_t& delay, Handle handle, Finish finish) {
  for (int i = 0; i < VehicleCount(t); ++i) {
    TVehicle& v = VehicleAt(t, i);
    const TVehicleTypeDriving d = TypeOf(v);
    if (!HasCapacity(d)) continue;
    v.LoadingStartTick = GameTime + delay;
    uint32_t list[100] = {};
    THandled h;
    uint8_t count = std::min<uint8_t>(v.VehicleGoodsCounter, 100);
    h.Before = count;
    std::copy(v.Goods, v.Goods + count, list);
    handle(v, i, list, count, h);
    count = std::min<uint8_t>(count, 100);
    std::copy(list, list + count, v.Goods);
    v.VehicleGoodsCounter = h.After = count;
    v.LoadingEndTick = GameTime + delay;
    finish(v, i, d, h);
    v.A_ReWrite();
  }
}

// A train longer than its platform (the link into the node it stands before) takes the difference
// longer.
void PlatformDelay(const TTrain& t, uint32_t& delay) {
  if (t.VBT_Type != kTrainRail || delay == 0 || !NodeInPool(t.NextNode)) return;
  const TNode next = NodeByIndex(t.NextNode);
  if (next.PrevLinkCount == 0 || !NodeInPool(next.PrevLinks[0])) return;
  const float platform = VecDistanceXZ(next.Position, NodeByIndex(next.PrevLinks[0]).Position);
  if (platform < ConvoyScratch.TrainLength)
    delay += static_cast<uint32_t>(std::max(0, RoundToInt(LD(ConvoyScratch.TrainLength) - platform)));
}

// The halt's goods type for the vehicle position (0 any of the vehicle's).
uint8_t GoodsTypeAt(const TSchedule* s, uint8_t halt, int position) {
  return s != nullptr && IsHalt(*s, halt) ? s->Stops[halt - 1].GoodsTypes[position] : 0;
}

// The bonus of the convoy's kind, once per game, for the first convoy at its schedule's second halt.
void FirstArrivalBonus(const TTrain& t) {
  if (t.CurrentStop != kFirstArrivalHalt || t.Owner > 10) return;
  const bool road = t.VBT_Type == kTrainRoad;
  const float bonus = road ? GameSettings.RoadFirstArrivalBonus : GameSettings.RailFirstArrivalBonus;
  const uint8_t taker = road ? GameSettings.RoadBonusTaker : GameSettings.RailBonusTaker;
  if (!(bonus > 0.0f) || taker != 0) return;
  float prizes = Players[t.Owner].Finances[0].Prizes;
  building_hooks::BookMoney(t.Owner, prizes, bonus, 1.0f);
  Players[t.Owner].Finances[0].Prizes = prizes;
  if (road) {
    GameSettings.RoadBonusTaker = t.Owner;
  } else {
    GameSettings.RailBonusTaker = t.Owner;
  }
}

// The leg that ended at halt H belongs to the halt before it: its cost and time become running
// averages of what the convoys measure. True when the leg had no cost yet.
bool MeasureLeg(TTrain& t, TSchedule& s) {
  if (!IsHalt(s, t.CurrentStop)) return false;
  const int previous = t.CurrentStop == 1 ? HaltCount(s) : t.CurrentStop - 1;
  TScheduleStop& p = s.Stops[previous - 1];
  const bool first = p.PathCost == 0.0f;
  p.PathCost = first ? t.DistanceSinceStop : static_cast<float>((3.0L * p.PathCost + t.DistanceSinceStop) / 4.0L);
  int64_t elapsed = static_cast<int64_t>(GameTime) - t.LastStopTick;
  if (p.TimeToNext != 0) elapsed = (elapsed + 3 * int64_t{p.TimeToNext}) / 4;
  p.TimeToNext = static_cast<int32_t>(std::clamp<int64_t>(elapsed, INT32_MIN, INT32_MAX));
  return first;
}

// A road convoy carrying passengers links two towns: the news of the connection.
void TownConnection(const TTrain& t, const TSchedule& s, bool firstMeasure) {
  if (t.VBT_Type != kTrainRoad || VehicleCount(t) == 0 || !IsHalt(s, t.CurrentStop)) return;
  if (firstMeasure && t.CurrentStop < 2) return;
  const TVehicle& first = VehicleAt(t, 0);
  if (first.VehicleType < 1 || first.VehicleType > 255) return;
  bool passengers = false;
  for (int k = 1; k <= kVehicleTypeLoadSlots; ++k) {
    const uint8_t g = VehicleTypeLoadGoods(VehicleTypes[first.VehicleType], k);
    if (g >= 1 && g <= 52 && GoodsTypes[g].GoodsInfoKind == 1) passengers = true;
  }
  if (!passengers) return;
  const int previous = t.CurrentStop == 1 ? HaltCount(s) : t.CurrentStop - 1;
  const uint32_t a = s.Stops[t.CurrentStop - 1].Station, b = s.Stops[previous - 1].Station;
  if (a == 0 || b == 0) return;
  auto station = std::make_unique<TStation>();
  station->A_Read(a);
  const uint8_t townA = station->City;
  station->A_Read(b);
  const uint8_t townB = station->City;
  if (townA == townB) return;
  building_hooks::TriggerNewsEvent(3, 0, 0, t.Owner, std::max(townA, townB), std::min(townA, townB), 0);
}

// Revenue: the owner's books, the convoy's year, the cash sound and the rising money text.
void BookRevenue(TTrain& t, float goods, float passengers, const TVector& at, uint32_t vehicle) {
  t.RevenueThisYear = static_cast<float>(LD(t.RevenueThisYear) + goods + passengers);
  if (t.Owner >= 1 && t.Owner <= 10) {
    float* group = FinanceStats(Players[t.Owner].Finances[0], VByte(t.VBT_Type));
    for (const auto& [stat, amount] : {std::pair{kFinanceGoodsIncomeStat, goods},
                                       std::pair{kFinancePassengerIncomeStat, passengers}}) {
      float value = group[stat];
      building_hooks::BookMoney(t.Owner, value, amount, 1.0f);
      group[stat] = value;
    }
  }
  const int32_t total = RoundToInt(LD(goods) + passengers);
  if (total == 0) return;
  if (CashSoundSample != 0) {
    const int32_t c = PrepareChannel(kCashSoundOwner, vehicle, CashSoundSample, 0, at, {}, 1.0f, false);
    if (c > 0) StartChannel(c, true);
  }
  NewParticle(static_cast<uint32_t>(std::max(total, 0)), at.x, at.y + kMoneyTextHeight, at.z);
}

uint32_t PresentPathCost(const TTrain& t) {
  if (t.Path == 0) return 0;
  auto p = std::make_unique<TPath>();
  p->A_Read(t.Path);
  return p->Cost;
}

// The chosen path into T's path record and the caller's copy.
void Deliver(TTrain& t, TPath& path, TPath* out, bool store) {
  if (store) {
    if (t.Path != 0) {
      path.Index = t.Path;
      path.A_ReWrite();
    } else {
      path.A_Write();
      t.Path = path.Index;
    }
  }
  if (out != nullptr) {
    const uint32_t index = out->Index;
    *out = path;
    out->Index = index;
  }
}

}  // namespace

void FindPathToDepot(TTrain& t, TPath* out, bool store, bool reuse) {
  auto path = std::make_unique<TPath>();
  path->Init(t.VBT_Type);
  TDepotTargetEvaluator e;
  e.Owner = t.Owner;
  e.Target = reuse ? kReuseRadius : 0;
  e.AcceptRadius = e.Target;
  e.UseAccept = reuse ? 1 : 0;
  e.StartNode = t.CurrentNode;
  e.Path = path.get();
  if (NodeInPool(t.CurrentNode)) e.TargetPos = NodeByIndex(t.CurrentNode).Position;
  CalcPath(e, kNoLimit);
  if (path->Invalid != kPathFound) {
    path->Init(t.VBT_Type);
    path->Invalid = kDepotPathFailed;
  }
  Deliver(t, *path, out, store);
}

bool TScheduleStationEvaluator::IsTarget(uint32_t node) {
  if (!TStationSearchEvaluator::IsTarget(node)) return false;
  return std::find(Excluded, Excluded + ExcludedCount, node) == Excluded + ExcludedCount;
}

bool TDepotTargetEvaluator::IsTarget(uint32_t node) {
  const TNode n = NodeByIndex(node);
  if ((n.Flags & kNodeFlagCapture) == 0 || n.Way == 0) return false;
  TWay w{};
  w.A_Read(n.Way);
  if (w.Building == 0) return false;
  TBuilding b{};
  b.A_Read(w.Building);
  return b.Depot != 0 && b.Owner == Owner;
}

void ArriveAtStation(TTrain& t) {
  if (t.Owner == 0) SYS_BREAKPROGRAM("WARNING: Playernum must not be 0 here. Program terminates if not in debugmode.");
  t.Speed = 0.0f;
  t.TargetSpeed = 0.0f;
  std::unique_ptr<TSchedule> s = ScheduleOf(t);
  const bool onSchedule = s != nullptr && s->IsCalculated();
  bool firstMeasure = false;
  if (onSchedule) {
    if (t.ScheduleState == kRouteSchedule) firstMeasure = MeasureLeg(t, *s);
    s->A_Overwrite();
    FirstArrivalBonus(t);
  }
  t.DistanceSinceStop = 0.0f;
  t.LastStopTick = GameTime;
  if (onSchedule) TownConnection(t, *s, firstMeasure);

  uint32_t delay = kStopHandlingDelay;
  float goods = 0.0f, passengers = 0.0f;
  const uint8_t halt = onSchedule ? t.CurrentStop : 0;
  HandleEachVehicle(
      t, delay,
      [&](const TVehicle& v, int i, uint32_t (&list)[100], uint8_t& count, THandled& h) {
        stop_hooks::UnloadGoods(!onSchedule, GoodsTypeAt(s.get(), halt, i), halt, list, count, t.TargetStation,
                                v.VehicleType, KindOf(v), h.Weight, h.Volume, h.Seats, delay, goods, passengers);
      },
      [](TVehicle& v, int, const TVehicleTypeDriving& d, const THandled& h) {
        v.LoadPercentage = GoodsPercent(d, h.Weight, h.Volume);
      });
  PlatformDelay(t, delay);
  CalcTrainPower(t);
  const TVehicle* first = VehicleCount(t) > 0 ? &VehicleAt(t, 0) : nullptr;
  BookRevenue(t, goods, passengers, first ? TVector{first->Placement.X, first->Placement.Y, first->Placement.Z} : TVector{},
              first ? first->Index : 0);
  t.State = kTrainUnloading;
  t.Timer = GameTime + delay;
}

void FinishedUnloadingBeginLoading(TTrain& t) {
  switch (t.ScheduleState) {
    case kRouteFromDepot:
      t.ScheduleState = kRouteSchedule;
      break;
    case kRouteStartSchedule:
      if (t.Schedule == 0)
        SYS_BREAKPROGRAM("TTrain.FinishedUnloading_BeginLoading: Train tries to get a not existing Schedule!");
      t.CurrentStop = 1;
      t.ScheduleState = kRouteFromDepot;
      break;
    case kRouteToDepot:
      SYS_BREAKPROGRAM("Error: Train heading to depot has finished unloading???");
    case kRouteNone:
      HeadForDepot(t);
      return;
    default:
      break;
  }
  std::unique_ptr<TSchedule> s = ScheduleOf(t);
  bool loading = false;
  if (t.ScheduleState == kRouteSchedule && s != nullptr && s->IsCalculated() && IsHalt(*s, t.CurrentStop)) {
    loading = true;
    const uint8_t current = t.CurrentStop;
    t.CurrentStop = FollowingHalt(*s, current);
    uint32_t delay = kStopHandlingDelay;
    HandleEachVehicle(
        t, delay,
        [&](const TVehicle& v, int i, uint32_t (&list)[100], uint8_t& count, THandled& h) {
          stop_hooks::LoadGoods(list, count, GoodsTypeAt(s.get(), current, i), v.VehicleType, KindOf(v), 0, *s,
                                current, h.Weight, h.Volume, h.Seats, delay);
        },
        [&](TVehicle& v, int i, const TVehicleTypeDriving& d, const THandled& h) {
          v.LoadPercentage =
              d.PassengerCapacity > 0 ? Percent(h.Seats, d.PassengerCapacity) : GoodsPercent(d, h.Weight, h.Volume);
          const uint8_t flags = s->Stops[current - 1].VehicleFlags[i];
          s->Stops[current - 1].VehicleFlags[i] =
              static_cast<uint8_t>(h.After == h.Before ? (flags | kLeftWithoutLoad) : (flags & ~kLeftWithoutLoad));
        });
    PlatformDelay(t, delay);
    CalcTrainPower(t);
    t.State = kTrainLoading;
    t.Timer = GameTime + delay;
    s->A_Overwrite();
  }
  if (s != nullptr) {
    auto path = std::make_unique<TPath>();
    FindPathToSchedulestation(t, *s, t.CurrentStop, path.get(), true, false);
    if (path->Invalid != kPathFound) loading = false;
  }
  if (!loading) {
    t.State = kTrainStanding;
    t.Timer = GameTime + kStopNothingToLoadWait;
    CalcTrainPower(t);
  }
}

void FindPathToSchedulestation(TTrain& t, const TSchedule& schedule, uint8_t halt, TPath* out, bool store, bool reuse) {
  if (t.ScheduleState == kRouteToDepot) {
    FindPathToDepot(t, out, store, reuse);
    return;
  }
  if (!schedule.IsCalculated())
    SYS_Warning("WARNING: Train " + std::to_string(t.Index) + " has no valid schedule in FindPathToSchedulestation.");
  const uint32_t started = platform::Ticks();
  const uint32_t radius = reuse ? kReuseRadius : 0;
  const uint32_t limit =
      reuse ? static_cast<uint32_t>(std::min<uint64_t>(uint64_t{PresentPathCost(t)} + kReuseMargin, kNoLimit)) : kNoLimit;
  auto s = std::make_unique<TSchedule>(schedule);  // the searches take the schedule by pointer
  auto best = std::make_unique<TPath>();
  auto first = std::make_unique<TPath>();
  auto path = std::make_unique<TPath>();
  auto onward = std::make_unique<TPath>();
  bool found = false, chosen = false;
  if (IsHalt(*s, halt)) {
    const uint32_t target = s->Stops[halt - 1].Station;
    t.TargetStation = target;
    const uint8_t next = FollowingHalt(*s, halt);
    const uint32_t nextStation = s->Stops[next - 1].Station;
    TScheduleStationEvaluator e;
    uint64_t bestTotal = kNoLimit;
    while (target != 0 && e.ExcludedCount < kMostPathAlternatives) {
      path->Init(t.VBT_Type);
      StationSearch(e, t.CurrentNode, target, radius, limit, path.get(), s.get(), halt);
      if (path->Invalid != kPathFound) break;
      const uint32_t end = path->Nodes[0];
      e.Excluded[e.ExcludedCount++] = end;
      if (!found) *first = *path;
      found = true;
      if (t.VBT_Type == kTrainRoad) break;
      if (nextStation == 0) continue;
      onward->Init(t.VBT_Type);
      StationSearch(StationAvoidingBlocksEvaluator, end, nextStation, 0, static_cast<uint32_t>(bestTotal),
                    onward.get(), s.get(), next);
      if (onward->Invalid != kPathFound) continue;
      const uint64_t total = uint64_t{path->Cost} + onward->Cost + kOnwardMargin;
      if (total < bestTotal) {
        bestTotal = total;
        *best = *path;
        chosen = true;
      }
    }
  }
  if (!chosen && found) *best = *first;  // no stop node leads on: the first one found
  if (!found) {
    best->Init(t.VBT_Type);
    best->Invalid = kPathFailed;
  }
  Deliver(t, *best, out, store);
  const int32_t ms = platform::TicksSince(started, platform::Ticks());
  if (ms > kSlowPathSearchMs)
    SYS_Warning(std::string(t.VBT_Type == kTrainRoad ? "Van " : "Train ") + std::to_string(t.Index) +
                " Pathfinding " + std::to_string(ms) + " ms");
}

void HeadForDepot(TTrain& t) {
  t.State = kTrainDriving;
  t.TargetSpeed = NormalTargetSpeed(t);
  t.ScheduleState = kRouteToDepot;
  t.TargetStation = 0;
  FindPathToDepot(t, nullptr, true, false);
}
