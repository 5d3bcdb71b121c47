#include "network/services.h"

#include "engine/world/hooks.h"
#include "network/construction/ways.h"

void InstallNetworkServices() { world_hooks::CalcWaySideLengths = CalcWaySideLengths; }
