// Schedule records: the stops and trains of a line; its removal and the removal of a stop.
#include <algorithm>
#include <memory>

#include "engine/store/compaction.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

bool TSchedule::IsCalculated() const { return State == 1 || State == 2; }

void TSchedule::Destroy() const {
  for (uint32_t t = FindNextTrain(0); t != 0; t = FindNextTrain(t)) {
    TTrain& train = TrainByIndex(t);
    if (train.Schedule != Index) continue;
    train.Schedule = 0;
    train.ScheduleState = 4;
  }
  world_hooks::OnDestroySchedule(Index);
  ArrayerEntryDestroyRest(Index);
}

void TSchedule::RemoveStation(uint32_t station) {
  if (ScheduleStationCounter == 0) return;
  bool removed = false;
  int pos = 0;
  while (pos < std::min<int>(ScheduleStationCounter, 20)) {
    if (Stops[pos].Station != station) {
      ++pos;
      continue;
    }
    removed = true;
    --ScheduleStationCounter;
    if (ScheduleStationCounter < 2) {
      Destroy();
      return;
    }
    for (int k = pos; k < ScheduleStationCounter; ++k) Stops[k] = Stops[k + 1];
    if (Use != 0 && Use != 1) continue;
    // The trains of the line: stop numbers are 1-based.
    const int gone = pos + 1;
    for (uint32_t t = FindNextTrain(0); t != 0; t = FindNextTrain(t)) {
      TTrain& train = TrainByIndex(t);
      if (train.Schedule != Index) continue;
      if (train.CurrentStop > gone) --train.CurrentStop;
      if (train.CurrentStop != gone) continue;
      if (train.CurrentStop > ScheduleStationCounter) train.CurrentStop = 1;
      train.TargetStation = Stops[train.CurrentStop - 1].Station;
      // A train without a path has nothing to search again.
      if (train.Path == 0) continue;
      auto path = std::make_unique<TPath>();
      path->A_Read(train.Path);
      if (path->Invalid == 0) {
        path->Invalid = 1;
        path->A_Overwrite();
      }
    }
  }
  if (!removed) return;
  world_hooks::CalcSchedule(*this);
  A_ReWrite();
  world_hooks::OnDestroySchedule(Index);
  if (IsCalculated()) world_hooks::AddStationStretches(Index);
}
