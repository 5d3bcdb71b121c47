// Station stops: a convoy that follows its schedule drives toward the station of its halt, brakes
// after entering a stop node of it (state 5) and arrives at the next node. It unloads, earns its
// revenue, measures the leg it has just driven and stands for the handling time; then it loads for
// the next leg, moves its halt on and finds its path to the next station. Which batches move, how
// long handling takes and what they earn is the economy's (stop_hooks below).
#pragma once

#include <cstdint>

#include "engine/store/trainpool.h"
#include "engine/world/records.h"
#include "network/track/paths.h"

// The goods side of a stop, which the economy installs; tests install recording ones.
namespace stop_hooks {
// Unloads one vehicle's batches at the station (economy/goods/handling.h UnloadGoods). Default:
// nothing is unloaded, kept amounts 0.
extern void (*UnloadGoods)(bool unloadAll, uint8_t onlyType, uint8_t stopNumber, uint32_t (&goods)[100],
                           uint8_t& goodsCount, uint32_t station, uint16_t vehicleType, uint8_t vbtType,
                           uint32_t& keptWeight, uint32_t& keptVolume, uint32_t& keptPassengers,
                           uint32_t& handlingTime, float& goodsRevenue, float& passengerRevenue);
// Loads batches of the schedule's stop into one vehicle (economy/goods/handling.h LoadGoods).
// Default: nothing is loaded, loaded amounts 0.
extern void (*LoadGoods)(uint32_t (&goods)[100], uint8_t& goodsCount, uint8_t wantedType, uint16_t vehicleType,
                         uint8_t vbtType, uint32_t reserved, const TSchedule& schedule, uint8_t stopNumber,
                         uint32_t& loadedWeight, uint32_t& loadedVolume, uint32_t& loadedPassengers,
                         uint32_t& handlingTime);
// Both hooks above back to their defaults.
void InstallDefaults();
}  // namespace stop_hooks

// Handling starts this many ticks after arrival; a convoy with nothing to load stands this long.
constexpr uint32_t kStopHandlingDelay = 100;
constexpr uint32_t kStopNothingToLoadWait = 1000;
// The first-arrival bonus is taken by the first convoy to arrive at its schedule's second halt.
constexpr uint8_t kFirstArrivalHalt = 2;
// A path search for a schedule that takes longer than this (milliseconds) is warned about.
constexpr int32_t kSlowPathSearchMs = 100;
// The schedule path search tries at most this many end nodes.
constexpr int kMostPathAlternatives = 50;
// The entries of a transport kind's statistics group that station revenue is booked into.
constexpr int kFinanceGoodsIncomeStat = 0, kFinancePassengerIncomeStat = 1;
// The sample of the cash sound (0: no sound), set by the loader of the game's sounds.
extern int32_t CashSoundSample;

// The convoy in state 5 has reached the node after its stop node: it unloads and stands (state 3).
void ArriveAtStation(TTrain& t);
// The unloading time is over: the convoy loads for its next halt and finds its path there (state
// 2), or stands (state 0) when there is nothing to load or no path.
void FinishedUnloadingBeginLoading(TTrain& t);
// The path from T's current node to the station of S's halt Halt. Trains weigh each stop node of the
// station by the path on to the next halt; road convoys take the first path found. Store: into T's
// path record (a new one when T has none); Out (may be null): copied there. Reuse: only a path within
// 250 of the present one, avoiding red blocks within 1000 of the start. A convoy heading for a
// depot (route mode 3) searches for a depot instead.
void FindPathToSchedulestation(TTrain& t, const TSchedule& s, uint8_t halt, TPath* out, bool store, bool reuse);
// The path from T's current node to a capture node of a depot of T's owner (an empty path of status
// 1 when there is none): Store, Out and Reuse as above.
void FindPathToDepot(TTrain& t, TPath* out, bool store, bool reuse);
// The convoy drives to a depot of its owner (route mode 3, no target station).
void HeadForDepot(TTrain& t);

// The station target of the schedule path search that does not end at one of the end nodes of the
// alternatives found before.
class TScheduleStationEvaluator : public TStationSearchEvaluator {
 public:
  bool IsTarget(uint32_t node) override;

  uint32_t Excluded[kMostPathAlternatives] = {};
  int ExcludedCount = 0;
};

// The depot target: a capture node (flag 8) of a depot building of Owner. Target is the radius
// within which red blocks are refused when edge acceptance is on.
class TDepotTargetEvaluator : public TStationSearchEvaluator {
 public:
  bool IsTarget(uint32_t node) override;

  uint8_t Owner = 0;
};
