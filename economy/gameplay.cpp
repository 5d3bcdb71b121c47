#include "economy/gameplay.h"

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"

void GameplayTick() {
  if (GameRunning == 0) return;
  // The simulation itself is built by the economy units; the editors never switch it on.
}

void BuildingGameplayStart() { SYS_Warning("Gameplay Initialization"); }
