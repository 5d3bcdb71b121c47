// Naming a new station after its nearest town and its compass sector.
#pragma once

#include <cstdint>

#include "engine/base/types.h"

struct TStation;

// Sectors of a station around its town.
constexpr uint8_t kSectorNorth = 0, kSectorSouth = 1, kSectorEast = 2, kSectorWest = 3, kSectorCentral = 4;
// A station nearer to its town than this is central.
constexpr float kCentralRadius = 1000.0f;

// The town nearest to the position in the ground plane (a strictly smaller distance wins, so the
// first of equally near towns); distance gets that distance, 1e20 and answer 0 without towns.
uint8_t NearestCity(const TVector& position, float& distance);
// Sets the station's kind word (the building type whose name enters the station name, 0 none),
// town, sector and number (0, then 2, 3, ...: 1 is never used) and builds its name. The founding
// player and the handling rate are left as they are.
void NameStation(TStation& station, uint16_t kind);
// True when index is a station kept in the record store (any index, without stopping).
bool IsStoredStation(uint32_t index);
