// The frame of the incremental processes: each keeps its phase and cursors in one global record of
// world state and does a bounded amount of work per step; the simulation step runs it Speed steps
// per tick. At the start of every pass a process re-tunes its speed from the ticks its last pass
// took, so that one pass over the world takes about its period.
#pragma once

#include <cstdint>
#include <string>

// The most steps a process runs per tick.
constexpr int32_t kMostProcessSpeed = 100;

// The ticks from At to GameTime on the cycle of the tick counter (GameTime starts again at 0 after
// kGameTimeLast): a GameTime below At has passed the restart. An At beyond kGameTimeLast, which
// GameTime never reaches, counts by plain 32-bit difference.
uint32_t GameTicksSince(uint32_t at);

// The re-tuning at the start of a pass. E := the ticks since PassStart (GameTicksSince, taken
// across a restart of the tick counter); Speed := Trunc(E x Speed / Period) + 1 (E x Speed is the
// number of steps the last pass took). Above 100 the warning Text followed by the computed value is
// given and Speed := 100. PassStart := GameTime. A period that is not above 0 leaves Speed as it
// is (the periods are refused when they are set), and Speed never falls below 1.
void RetuneProcessSpeed(int32_t& speed, uint32_t& passStart, long double period, const std::string& text);
