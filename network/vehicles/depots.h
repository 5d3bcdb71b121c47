// Depots: a depot building's TDepot keeps the convoys inside it (at most 100). A convoy whose head
// reaches the depot's capture node is taken in; a convoy heading for a depot, or one without a
// schedule, stays there, any other passes through when the depot can release it at once. Convoys
// leave over the depot's exit node when its script or the building tick releases them. Inside a
// nirvana depot a convoy leaves the track (state 6, no nodes) until it is released.
#pragma once

#include <cstdint>

#include "engine/world/records.h"

constexpr int kDepotRoom = 100;
constexpr uint8_t kDepotRoad = 0, kDepotRail = 1;
// Depot flags: a convoy waits to leave. Convoy flags: marked to leave.
constexpr uint8_t kDepotConvoyWaits = 8, kDepotMarkedToLeave = 1;
// The building event of a convoy leaving a depot.
constexpr int32_t kDepotEventReleased = 5;

// The depot D of building B takes the convoy in: true when it stays there. A building whose type is
// no depot stops the program.
bool CaptureTrain(TDepot& d, const TBuilding& b, uint32_t train);
// Sets the convoy onto the exit node when it is inside and the depot can let it out (its building
// finished, its exit node on a way; a rail depot's exit way finished and its block free): true then.
// The building's event 5 runs whenever the depot could let a convoy out, whether or not this one was
// inside.
bool ReleaseTrain(TDepot& d, uint32_t train);
// Marks the convoy to leave; true when it is inside.
bool MarkTrainToLeave(TDepot& d, uint32_t train);
// The depot's waiting flag (8) := whether any convoy inside is marked to leave.
void RecalcDepotLeaveFlag(TDepot& d);
// The capture node number of building type 1..255 (0 for others).
uint8_t DepotCaptureNode(uint16_t buildingType);
