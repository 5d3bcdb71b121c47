// Buildings along ways: a town building stands beside a street on one of its two sides (and gives
// the street its sidewalk there); some buildings own the ways that run through them; a row of
// houses continues along one street side around a crossing to the next arm.
#pragma once

#include <cstdint>

#include "engine/world/records.h"

// The StandardTextures entry of the sidewalk texture.
constexpr int kSidewalkTextureEntry = 2;

// The building stands on Side (1 or 2; any other side stops the program) of Way: it takes the
// way, the side and the way's town, the way counts it, the street gets its sidewalk there, and
// both records are stored.
void AddBuildingToWay(TBuilding& building, TWay& way, uint8_t side);
// Gives a road the sidewalk of the side bits in Side that it does not have yet (none on a bridge
// or in a cutting); a crossing way also gets the sidewalk's quads in its mesh (vertices 13..16 for
// side 1, 17..20 for side 2). The caller stores the way.
void addsidewalk(TWay& way, uint8_t side);
// The way becomes one of the building's ways (at most 20; a way owned by another building stops
// the program); both records are stored.
void AddWayToBuilding(TBuilding& building, TWay& way);
// The way that continues street side Side of Way beyond its crossing, into OutWay, and the side
// it continues on into OutSide: 2 (from side 1) or 3 (from side 2); 1 when there is none; 0 for a
// crossing centre that is no T-crossing's or is asked for side 1. A way without a crossing centre
// has no continuation (1).
uint8_t NextWayAlongStreetSide(const TWay& way, uint8_t side, uint8_t& outSide, TWay& outWay);
