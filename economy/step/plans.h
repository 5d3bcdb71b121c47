// Planned constructions: the plans of a player, a town or everybody become construction sites (or,
// with Instant, finished objects), and objects marked for demolition go.
#pragma once

#include <cstdint>

// Starts the planned buildings and ways (state 0) of Player (1..10), of the town City (Player 0),
// or of everybody (both 0): their cost is booked, the ground under them levelled, and they are
// under construction for 100 ticks or, with Instant (always in free build mode), finished at once.
// Buildings and ways marked for demolition (state 3) are destroyed. True means refused: a player
// in debt cannot start plans unless building is free or the economy is on hold; nothing changes then.
bool CompletePlannedConstructions(uint8_t player, uint8_t city, bool instant);
