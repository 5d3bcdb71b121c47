// The plane in the simulation step: the plane process behind step_hooks::MovePlanes, and the plane,
// its switch and the route entries as a part of the world (reset and hashed).
#pragma once

#include "economy/step/worldstate_hash.h"

void InstallPlaneProcess();
// The plane's share of the world's hash: PlaneActive, the plane with its navigator, and the route
// entries with their slots. The plane types are type data, like the other type tables.
void HashPlanes(THashWriter& h);
