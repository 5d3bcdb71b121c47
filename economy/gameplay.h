// The simulation step and the game flow services the editors call.
#pragma once

#include <cstdint>

// One simulation step; returns at once while GameRunning is 0.
void GameplayTick();

// The start of the building program's simulation unit: it writes "Gameplay Initialization" as a
// warning, so right after SYS_InitDebugFile the building program's log holds its header and
// that line. The program calls it once at start, after its debug log exists.
void BuildingGameplayStart();
