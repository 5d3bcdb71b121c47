#include "economy/gameplay.h"

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"

void GameplayTick() {
  if (GameRunning == 0) return;
  // The simulation itself is built by the economy units; the editors never switch it on.
}

bool CompletePlannedConstructions(uint8_t, uint8_t, bool) {
  // Nothing is planned until the way construction exists.
  return false;
}

void BuildingGameplayStart() { SYS_Warning("Gameplay Initialization"); }
