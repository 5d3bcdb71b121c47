// The schedules of the lines: their calculation after the network changes.
#pragma once

#include <cstdint>

#include "network/track/paths.h"

// Every schedule in store order is calculated again (world_hooks::CalcSchedule) and stored for each
// of its stops at the station; a schedule that calls there twice is calculated twice.
void RecalcSchedulesOfStation(uint32_t station);

// The schedule unit's path evaluators (network/track/paths.h): the station target that avoids red
// blocks near the start, and the two halt-candidate targets of the schedule calculation.
extern TStationSearchEvaluator StationAvoidingBlocksEvaluator;
extern TOpenHaltCandidateEvaluator OpenHaltCandidateEvaluator;
extern TGoodHaltCandidateEvaluator GoodHaltCandidateEvaluator;
