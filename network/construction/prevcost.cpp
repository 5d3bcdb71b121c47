#include "network/construction/prevcost.h"

#include "engine/base/worldstate.h"
#include "engine/world/hooks.h"

// Pre-booking is giving back with the sign turned round.
void AddtoPrevCost(float amount) { world_hooks::AddtoPrevCost(ActPlayer, ActCity, -amount); }

void AddtoPrevCost(uint8_t player, uint8_t city, float amount) { world_hooks::AddtoPrevCost(player, city, amount); }
