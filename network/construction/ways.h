// Completion of planned ways: the cost of a plan is booked when it is completed, and a finished way
// marks its nodes usable, joins the block system, refreshes the schedules at its station and counts
// in its owner's statistics.
#pragma once

#include <cstdint>

#include "engine/base/worldstate.h"
#include "engine/world/records.h"

// The way units that finishing calls and that are not there yet; each starts at doing nothing.
namespace way_hooks {
// Attaches a finished rail way to the block system.
extern void (*AddWayToBlockSystem)(TWay& way);
// Every hook above back to its default.
void InstallDefaults();
}  // namespace way_hooks

// The tick at which the construction of a way ends (0 once finished).
uint32_t WayCompletionTick(const TWay& way);
void SetWayCompletionTick(TWay& way, uint32_t tick);

// Books the way's cost on its owner (nothing without an owner 1..10): as construction cost of the
// way's finance category, and from economy level 2 on it leaves the owner's pre-booked costs.
void BookWayCost(const TWay& way);
// Finishes the way (state 2); the caller stores the record.
void FinishWay(TWay& way);
// Counts a way in a year's statistics: its value, and its length as road (use 0) or rail (use 1);
// uses 2 to 4 have no length, any other use writes UnknownUse as a warning.
void CountWayInYear(const TWay& way, TYearFinance& year, const char* unknownUse);
