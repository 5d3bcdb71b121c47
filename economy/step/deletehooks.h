// The delete notices of the world records. Each record type's Destroy calls its notice after it has
// unlinked the record and before the entry is freed; the notice brings everything that holds a
// cursor or a copy of the index in line: the goods processes, the passenger routes, the town
// building placement and the world development, and the windows (through the user-interface port).
// None of them fails.
#pragma once

#include <cstdint>

// The town building placement process forgets a deleted street (PP_StreetDeleted). The placement
// unit installs it; until then it does nothing.
namespace placement_hooks {
extern void (*StreetDeleted)(uint32_t way);
void InstallDefaults();
}  // namespace placement_hooks

void OnDestroyBuilding();
// The depot window closes when it shows the depot.
void OnDestroyDepot(uint32_t depot);
// The goods driver forgets the goods way; the industry windows reset their counters.
void OnDestroyGoodsway(uint32_t goodsway);
// The goods driver forgets the industry; an industry window that shows it closes.
void OnDestroyIndustry(uint32_t industry);
// The market search of the world development, then the goods driver, forget the market.
void OnDestroyMarket(uint32_t market);
// A schedule deleted or changed: the goods driver forgets it, the goods ways that ride it go, the
// passenger ways that ride it stop making passengers, and the stations lose its stretches.
void OnDestroySchedule(uint32_t schedule);
// The goods driver forgets the station, and the passenger route builder starts again when its
// search passes the station.
void OnDestroyStation(uint32_t station);
// Every depot's building script hears of the train (event 6, the train as its first parameter);
// the train windows that show it close and the train list refreshes.
void OnDestroyTrain(uint32_t train);
// The town building placement, the market search and the passenger route builder forget the way.
void OnDestroyWay(uint32_t way);
void OnRemoveIndustryGoodsway();

// Every goods way whose path rides the schedule (a hop before its last entry) is destroyed.
void DestroyGoodswaysOfSchedule(uint32_t schedule);
// Every passenger way with a stretch of the schedule (all ten stretch slots, used or not) keeps its
// record with PassengerspF 0.
void StopPsgrWaysOfSchedule(uint32_t schedule);
// Every station loses its stretches of the schedule (the last entry takes the place of one that
// goes); the route builder hears of each loss.
void RemoveScheduleStretches(uint32_t schedule);
// Every path over one of the first Count nodes (at most Max) is marked to be searched again. The
// station flag takes no part.
void RemovePathsOfWay(uint32_t count, const uint32_t* nodes, uint32_t max, bool stationFlag);

// Puts the notices into the world records' hooks (world_hooks, train_hooks::OnDestroyTrain) and the
// goods way's (goods_hooks::OnDestroyGoodsway), in place of the goods driver's own notices.
void InstallDeleteHooks();
