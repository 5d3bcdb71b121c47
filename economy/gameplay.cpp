#include "economy/gameplay.h"

#include "engine/base/diagnostics.h"

void BuildingGameplayStart() { SYS_Warning("Gameplay Initialization"); }
