// The schedules of the lines: their calculation after the network changes.
#pragma once

#include <cstdint>

// Every schedule in store order is calculated again (world_hooks::CalcSchedule) and stored for each
// of its stops at the station; a schedule that calls there twice is calculated twice.
void RecalcSchedulesOfStation(uint32_t station);
