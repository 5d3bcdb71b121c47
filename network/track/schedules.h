// The schedules of the lines: a cyclic list of halts shared by one or more convoys. The calculation
// checks that the network offers a closed tour through all halts in order, with path searches
// between the halts' platform entry nodes and backtracking over their other entry nodes, and
// estimates each halt's path cost and travel time to the next halt.
#pragma once

#include <cstdint>

#include "engine/world/records.h"
#include "network/track/paths.h"

// The schedule's state: 3 (invalid) unless every halt can be reached from the one before and the
// last halt leads back to the first; then 1 (valid). While not every halt has a cost and a time, the
// costs are measured anew and the times estimated from the first convoy's maximum speed (a speed of
// 0, or no convoy, leaves them 0). The caller stores the schedule. A candidate found by the first
// search of a halt that is not a candidate of that halt is a fatal stop.
void CalcSchedule(TSchedule& s);
// Once per tick: every tenth tick the next schedule in store order takes one step (0 -> 2;
// 2 -> calculated; 3 -> 0). Its cursor is part of the world (ScheduleTickCursor).
void ScheduleTick();
extern uint32_t ScheduleTickCursor;
// Every schedule in store order is calculated again (world_hooks::CalcSchedule, which the network
// sets to CalcSchedule) and stored for each of its halts at the station; a schedule that calls
// there twice is calculated twice.
void RecalcSchedulesOfStation(uint32_t station);
// The convoy leaves the schedule (its schedule 0, route mode 4) and the schedule forgets the convoy
// (its last entry of it); a schedule left without convoys is destroyed. A schedule that does not
// know the convoy is a fatal stop.
void RemoveTrainFromSchedule(uint32_t train, uint32_t schedule);
// The next halt after Current (1-based) at which vehicles stop, wrapping after the last; Current
// itself for a schedule not calculated. A calculated schedule without such a halt gives Current
// after one round.
uint8_t NextHalt(const TSchedule& s, uint8_t current);

// The halt candidates of the schedule's halts (at most 200 each): the first nodes of the runs of
// station stop nodes of each halt's station, seen against the direction of travel.
void CollectHaltCandidates(const TSchedule& s, THaltCandidates& c);

// The schedule unit's path evaluators (network/track/paths.h): the station target that avoids red
// blocks near the start, and the two halt-candidate targets of the schedule calculation.
extern TStationSearchEvaluator StationAvoidingBlocksEvaluator;
extern TOpenHaltCandidateEvaluator OpenHaltCandidateEvaluator;
extern TGoodHaltCandidateEvaluator GoodHaltCandidateEvaluator;
