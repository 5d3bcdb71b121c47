// Ways: a planned piece becomes a way in the planned state (its connects stored, its mesh written,
// its four lane nodes found or made and linked, its cost pre-booked). Completing a plan books its
// cost, and a finished way marks its nodes usable, joins the block system, refreshes the schedules
// at its station and counts in its owner's statistics.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/world/records.h"
#include "network/construction/curveline.h"

// What finishing a way calls beyond the construction; each starts at doing nothing, and
// InstallNetworkServices puts the network's routines in (tests put recording ones in).
namespace way_hooks {
// Attaches a finished rail way to the block system (AddWayToBlockSystem, network/track/blocks.h).
extern void (*AddWayToBlockSystem)(TWay& way);
// Every hook above back to its default.
void InstallDefaults();
}  // namespace way_hooks

// The tick at which the construction of a way ends (0 once finished).
uint32_t WayCompletionTick(const TWay& way);
void SetWayCompletionTick(TWay& way, uint32_t tick);

// Books the way's cost on its owner (nothing without an owner 1..10): as construction cost of the
// way's finance category, and from economy level 2 on it leaves the owner's pre-booked costs.
void BookWayCost(const TWay& way);
// Finishes the way (state 2); the caller stores the record.
void FinishWay(TWay& way);
// Counts a way in a year's statistics: its value, and its length as road (use 0) or rail (use 1);
// uses 2 to 4 have no length, any other use writes UnknownUse as a warning.
void CountWayInYear(const TWay& way, TYearFinance& year, const char* unknownUse);

// Creates the way of a planned piece from SlotA to SlotB and returns its index. Both slots are
// stored as connects (and reloaded with the new way registered); the piece mesh is written; the
// lane nodes lie at the slots, SideA and SideB scaled by the lane offset of the use (uses other
// than road and rail put them on the centre line), corners 1 and 2 at SlotA, 3 and 4 at SlotB, and
// at a connect that already carries a way its two nodes are taken. Lanes 1 -> 4 and 3 -> 2 are
// linked; nodes 1 and 3 get the way. The way is written in Way's state (planned) and its cost is
// pre-booked on the acting player or town.
uint32_t CreateWay(uint8_t use, TMetaconnect& slotA, TMetaconnect& slotB, const TVector& sideA, const TVector& sideB,
                   TWay& way, const TPieceMesh& mesh);
// The two side lengths of a way from its mesh, in the ground plane: + side from vertex 1 to 4,
// - side from vertex 2 to 3.
void CalcWaySideLengths(TWay& way, const TMeshdata2& mesh);
// Completes a way at once: its cost is booked, it is finished, the ground under a way on the
// ground (flag 1) with a mesh is levelled, and the record is stored.
void CompleteWay(TWay& way);
// Completes the ways that the last build of the plan created (its pieces 1..conzahl - 1), each read
// again from the store first.
void CompleteCurveWays(const TCurveline& curve);
