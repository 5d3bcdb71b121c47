// Pre-booked construction costs: a planned way or building books its cost in advance on the party
// that plans it, and gives it back when the plan is deleted. The cost itself is booked when the
// plan is completed.
#pragma once

#include <cstdint>

// Pre-books Amount for the acting party: with an acting player (from economy level 2 on) its
// PrevCost grows; otherwise the acting town's budget shrinks; with neither the warning
// "WARNING in Gameplay.AddtoPrevCost: Could not assign money to a player".
void AddtoPrevCost(float amount);
// Gives a pre-booked cost back to the player or town (world_hooks::AddtoPrevCost).
void AddtoPrevCost(uint8_t player, uint8_t city, float amount);
