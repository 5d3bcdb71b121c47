// The building program's script commands: the variables and procedures that the game's building
// scripts use, registered before the main form exists so that every building script compiles and
// runs in the editor. The form registers its own preview commands afterwards, and those are the
// ones a script reaches for the names both register.
//
// The train, depot and building commands take their arguments and do nothing. The node and point
// commands work on small slot tables of their own: node slots hold node records copied from the
// program's record store, and at a node with two links the link is the one the switch of the
// node's router selects. Nothing else in the program reads these tables.
#pragma once

#include <cstdint>
#include <span>

#include "apps/brumin/recordstore.h"
#include "engine/base/types.h"
#include "network/track/cursor.h"
#include "script/hostcommands.h"

namespace brumin {

constexpr int kCommandNodeSlots = 20;
constexpr int kCommandCoordSlots = 20;
constexpr int kCommandParts = 10;

// The tables, numbered from 1 (element 0 unused); zero at start and kept between runs.
extern TNodeRecord NodeSlots[kCommandNodeSlots + 1];
extern TVector CoordSlots[kCommandCoordSlots + 1];
extern TPlacement MeshPartTransforms[kCommandParts + 1];
extern TWalkCursor NodeCursor;
// The last value given to "DebugProc".
extern int32_t DebugValue;

// The building program's host variables and procedures in their registration order.
std::span<const TScriptHostVar> BuildingHostVars();
std::span<const TScriptHostProc> BuildingHostProcs();

// The unit's start: the four SParam and BVar variables := 0, the curve commands on with three
// segments, then the variables and the procedures into the registry (which the caller has started
// with its built-ins).
void RegisterBuildingHostNames();

// Which link to take at the node: of its next links (Forward) or previous ones. One link is taken;
// of two, the one the switch selects when the node's way is a router and the node its entry for that
// direction (forward: the way's first node of a router of sub-kind 4, with that way's switch;
// backward: the way's third node of a router of sub-kind 1, with the switch of the way it refers
// to); else none.
uint8_t SwitchLink(const TRecordStore& store, const TNodeRecord& node, bool forward);

}  // namespace brumin
