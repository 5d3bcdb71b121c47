// The game flow services the editors call: the simulation step, planned constructions and the
// building program's simulation start.
#pragma once

#include "economy/step/plans.h"
#include "economy/step/tick.h"

// The start of the building program's simulation unit: it writes "Gameplay Initialization" as a
// warning, so right after SYS_InitDebugFile the building program's log holds its header and
// that line. The program calls it once at start, after its debug log exists.
void BuildingGameplayStart();
