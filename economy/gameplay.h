// The simulation step and the game flow services the editors call.
#pragma once

#include <cstdint>

// One simulation step; returns at once while GameRunning is 0.
void GameplayTick();
// Starts (and with Instant finishes) every planned building and way of an owner.
// True = refused because the player is in debt.
bool CompletePlannedConstructions(uint8_t player, uint8_t city, bool instant);
