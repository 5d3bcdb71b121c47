// Station ways and opposite nodes: joining a way to a station (founding the station when there is
// none yet), turning a street into a stop, and the node where a convoy goes on after turning.
#pragma once

#include <cstdint>

#include "engine/world/records.h"

// The parts of the game that these routines ask and that live in other units.
namespace station_hooks {
// Names a new station after its town and sector, with the kind word Kind. Default: nothing.
extern void (*NameStation)(TStation& station, uint16_t kind);
// The node number inside a building of the type where convoys turn (0 none). Default: 0.
extern uint8_t (*TurningNodeNumber)(uint16_t buildingType);
// Every hook above back to its default.
void InstallDefaults();
}  // namespace station_hooks

// R is the result set of the construction routines (TConstructResult, network/construction/
// result.h, which adds only its operations to this set): {0} success, other elements refusals.

// A new station founded by a way handles this many goods per step.
constexpr uint8_t kWayStationHandlingRate = 10;

// Joins W to the station Station, or to a new one when Station is 0 (founded by ActPlayer at W's
// town and position, named and stored; S holds it and Station its index). W's first and third nodes
// become stop nodes, W is stored, the station's goods are recalculated and S is read again; R :=
// {0}. Refused with {2} when W has a station already or the station holds 100 ways.
void AddWayToStation(TWay& w, TStation& s, uint32_t station, TDestroyResult& r);

// Turns the street Way into a stop of Station (0: a new station). Mode 0 only checks (R stays empty
// when the way may become a stop); mode 1 joins it and recalculates the station's kind. Refused with
// {16} for a way that is not a street or a crossing arm, and as AddWayToStation refuses.
void MakeStationTrack(uint32_t way, uint32_t station, uint8_t mode, TDestroyResult& r);

// The node where a convoy goes on after turning at N, by the way of N's first previous node. A plain
// way (and a crossing arm or router leg): in mode 0 the start of the other lane at the same end (its
// second node gives its first, its fourth its third), in mode 1 the end of the other lane at the
// far end (second and fourth give each other). A crossing centre: the exit of the next arm. A way
// inside a building: N itself, or the building's turning node when its type names one. No answer,
// a node without previous link or whose previous node has no way is a fatal stop ("Error in
// OppositeNode: confuse way architecture"); way type 4 too ("Error in OppositeNode: Unimplemented
// Waytype").
uint32_t OppositeNode(uint32_t n, uint8_t mode);
