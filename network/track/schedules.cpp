#include "network/track/schedules.h"

#include "engine/store/recordstore.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"
#include "network/track/paths.h"

TStationSearchEvaluator StationAvoidingBlocksEvaluator;
TOpenHaltCandidateEvaluator OpenHaltCandidateEvaluator;
TGoodHaltCandidateEvaluator GoodHaltCandidateEvaluator;

void RecalcSchedulesOfStation(uint32_t station) {
  TSchedule s{};
  for (uint32_t i = FindInArrayerRest(kARTypeSchedule, 0); i != 0; i = FindInArrayerRest(kARTypeSchedule, i)) {
    s.A_Read(i);
    const int stops = s.ScheduleStationCounter < 20 ? s.ScheduleStationCounter : 20;
    for (int k = 0; k < stops; ++k) {
      if (s.Stops[k].Station != station) continue;
      world_hooks::CalcSchedule(s);
      s.A_ReWrite();
    }
  }
}
