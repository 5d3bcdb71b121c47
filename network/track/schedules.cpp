#include "network/track/schedules.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "engine/store/recordstore.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

TStationSearchEvaluator StationAvoidingBlocksEvaluator;
TOpenHaltCandidateEvaluator OpenHaltCandidateEvaluator;
TGoodHaltCandidateEvaluator GoodHaltCandidateEvaluator;
uint32_t ScheduleTickCursor = 0;

namespace {

constexpr uint32_t kNoLimit = 0x7FFFFFFF;

int HaltCount(const TSchedule& s) { return std::min<int>(s.ScheduleStationCounter, 20); }


// Whether node N is a station stop node of a way that belongs to Station.
bool StopNodeOf(uint32_t n, uint32_t station) {
  if (!NodeInPool(n)) return false;
  const TNode& node = NodeByIndex(n);
  if ((node.Flags & kNodeFlagStation) == 0 || node.Way == 0) return false;
  TWay way;
  way.A_Read(node.Way);
  return way.Station == station;
}

// The first node of the run of stop nodes that N stands in, walking back over first previous
// links; 0 when the run has no node before it (or goes round in a circle).
uint32_t RunStart(uint32_t n, uint32_t station) {
  // A station holds at most 100 ways of 100 nodes: a longer run goes round in a circle.
  for (int steps = 0; steps <= 100 * 100; ++steps) {
    const TNode& node = NodeByIndex(n);
    if (node.PrevLinkCount == 0) return 0;
    const uint32_t prev = node.PrevLinks[0];
    if (!StopNodeOf(prev, station)) return NodeInPool(prev) ? n : 0;
    n = prev;
  }
  return 0;
}

void AddCandidate(THaltCandidates& c, int halt, uint32_t node) {
  if (node == 0 || c.Find(static_cast<uint32_t>(halt), node) != 0 || c.Count[halt] >= kHaltCandidateRoom) return;
  c.Nodes[halt][c.Count[halt]] = node;
  c.Marks[halt][c.Count[halt]] = kCandidateUntried;
  ++c.Count[halt];
}

// Rounds half to even, as the calendar's times do.
int32_t RoundTime(long double x) {
  const long double r = std::nearbyint(x);
  if (!(r < 2147483647.0L) || !(r > -2147483648.0L)) return 0;
  return static_cast<int32_t>(r);
}

// The path's end node, or 0 when the search failed.
uint32_t FoundEnd(const TPath& path) {
  return path.Invalid == 0 && path.PathNodeCounter > 0 ? path.Nodes[0] : 0;
}

// The chain of candidates from start candidate J of halt 1 round the schedule; true when it
// closes. Candidates on the chain are marked 3, those that lead nowhere dead.
bool CloseTour(TSchedule& s, THaltCandidates& c, int j, bool complete, TPath& path) {
  const int halts = HaltCount(s);
  const uint32_t start = c.Nodes[1][j - 1];
  int chosen[21] = {};
  int k = 1, at = j;
  for (;;) {
    chosen[k] = at;
    const uint32_t from = c.Nodes[k][at - 1];
    TScheduleStop& stop = s.Stops[k - 1];
    bool found = false;
    if (k < halts) {
      OpenHaltCandidateEvaluator.Candidates = &c;
      StationSearch(OpenHaltCandidateEvaluator, from, s.Stops[k].Station, 0, kNoLimit, &path, &s,
                    static_cast<uint32_t>(k + 1));
      if (const uint32_t end = FoundEnd(path); end != 0) {
        const int next = c.Find(static_cast<uint32_t>(k + 1), end);
        if (next == 0) SYS_BREAKPROGRAM("Error in CalcSchedule: Whichhalt found halt the first time but not the second time");
        if (!complete && (path.Cost < stop.PathCost || stop.PathCost == 0.0f)) stop.PathCost = static_cast<float>(path.Cost);
        ++k;
        at = next;
        if (c.Marks[k][at - 1] == kCandidateGood) return true;
        c.Marks[k][at - 1] = kCandidateOnChain;
        continue;
      }
    } else {
      NodeSearch(NodeTargetEvaluator, from, start, &path);
      found = FoundEnd(path) != 0;
      if (found) {
        if (!complete && (path.Cost < stop.PathCost || stop.PathCost == 0.0f)) stop.PathCost = static_cast<float>(path.Cost);
        return true;
      }
    }
    // This candidate leads nowhere: back to the halt before, whose search is repeated.
    c.Marks[k][at - 1] = kCandidateDead;
    if (k == 1) return false;
    --k;
    at = chosen[k];
  }
}

}  // namespace

void CollectHaltCandidates(const TSchedule& s, THaltCandidates& c) {
  c = THaltCandidates{};
  const auto station = std::make_unique<TStation>();
  for (int h = 1; h <= HaltCount(s); ++h) {
    const uint32_t st = s.Stops[h - 1].Station;
    if (st == 0) continue;
    station->A_Read(st);
    for (int w = 0; w < std::min<int>(station->StationWayCounter, 100); ++w) {
      if (station->Ways[w] == 0) continue;
      TWay way;
      way.A_Read(station->Ways[w]);
      for (int i = 0; i < std::min<int>(way.NodesCounter, 100); ++i) {
        const uint32_t n = way.Nodes[i];
        if (StopNodeOf(n, st)) AddCandidate(c, h, RunStart(n, st));
      }
    }
  }
}

void CalcSchedule(TSchedule& s) {
  s.State = 3;
  const int halts = HaltCount(s);
  if (halts < 2) return;
  bool complete = true;
  for (int h = 0; h < halts; ++h) complete = complete && s.Stops[h].PathCost != 0.0f && s.Stops[h].TimeToNext != 0;
  if (!complete) {
    for (int h = 0; h < halts; ++h) {
      s.Stops[h].PathCost = 0.0f;
      s.Stops[h].TimeToNext = 0;
    }
  }
  const auto c = std::make_unique<THaltCandidates>();
  CollectHaltCandidates(s, *c);
  for (int h = 1; h <= halts; ++h)
    if (c->Count[h] == 0) return;

  const auto path = std::make_unique<TPath>();
  for (int j = 1; j <= c->Count[1]; ++j) {
    for (int h = 1; h <= halts; ++h)
      for (int i = 0; i < c->Count[h]; ++i)
        if (c->Marks[h][i] == kCandidateDead) c->Marks[h][i] = kCandidateUntried;
    if (!CloseTour(s, *c, j, complete, *path)) continue;
    c->Marks[1][j - 1] = kCandidateGood;
    for (int h = 1; h <= halts; ++h)
      for (int i = 0; i < c->Count[h]; ++i)
        if (c->Marks[h][i] == kCandidateOnChain) c->Marks[h][i] = kCandidateGood;
    s.State = 1;
  }
  if (s.State != 1) {
    s.State = 3;
    return;
  }
  if (complete) return;
  // The travel times from the first convoy's top speed.
  float speed = 0.0f;
  if (s.ScheduleTrainCounter > 0 && IsTrainUsed(s.Trains[0])) speed = TrainByIndex(s.Trains[0]).MaxSpeed;
  if (!(speed > 0.0f)) return;
  for (int h = 0; h < halts; ++h) s.Stops[h].TimeToNext = RoundTime(1.5L * s.Stops[h].PathCost / speed);
}

void ScheduleTick() {
  if (GameTime % 10 != 0) return;
  ScheduleTickCursor = FindInArrayerRest(kARTypeSchedule, ScheduleTickCursor);
  if (ScheduleTickCursor == 0) return;
  TSchedule s{};
  s.A_Read(ScheduleTickCursor);
  switch (s.State) {
    case 0:
      s.State = 2;
      s.A_Overwrite();
      break;
    case 2:
      CalcSchedule(s);
      s.A_ReWrite();
      break;
    case 3:
      s.State = 0;
      s.A_Overwrite();
      break;
    default:
      break;
  }
}

void RecalcSchedulesOfStation(uint32_t station) {
  TSchedule s{};
  for (uint32_t i = FindInArrayerRest(kARTypeSchedule, 0); i != 0; i = FindInArrayerRest(kARTypeSchedule, i)) {
    s.A_Read(i);
    for (int k = 0; k < HaltCount(s); ++k) {
      if (s.Stops[k].Station != station) continue;
      world_hooks::CalcSchedule(s);
      s.A_ReWrite();
    }
  }
}

void RemoveTrainFromSchedule(uint32_t train, uint32_t schedule) {
  if (IsTrainUsed(train)) {
    TrainByIndex(train).Schedule = 0;
    TrainByIndex(train).ScheduleState = 4;
  }
  TSchedule s{};
  s.A_Read(schedule);
  const int count = std::min<int>(s.ScheduleTrainCounter, 50);
  int at = -1;
  for (int i = 0; i < count; ++i)
    if (s.Trains[i] == train) at = i;
  if (at < 0) SYS_BREAKPROGRAM("ERROR in RemoveTrainFromSchedule! This schedule doesnt know this train.");
  for (int i = at; i + 1 < count; ++i) s.Trains[i] = s.Trains[i + 1];
  s.Trains[count - 1] = 0;
  s.ScheduleTrainCounter = static_cast<uint8_t>(count - 1);
  if (s.ScheduleTrainCounter == 0) {
    s.Destroy();
  } else {
    s.A_ReWrite();
  }
}

uint8_t NextHalt(const TSchedule& s, uint8_t current) {
  const int halts = HaltCount(s);
  if (!s.IsCalculated() || halts == 0) return current;
  int k = current;
  for (int step = 0; step < halts; ++step) {
    k = k >= halts ? 1 : k + 1;
    if (s.Stops[k - 1].Halt == 1) return static_cast<uint8_t>(k);
  }
  return current;
}
