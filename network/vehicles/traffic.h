// Road traffic and rail routers. Every road way keeps a lane queue (TStreetBlock) of the convoys on
// its two lanes: side 1 the lane from its first node to its fourth, side 0 the lane from its third
// node to its second; a crossing centre and a building way keep all theirs on side 0. Road convoys
// keep their distance to the convoy ahead on their lane. A crossing centre lets a convoy in only
// when the crossing's phase allows its movement: the phase of its traffic lights, or without lights
// the phase the longest-waiting convoy picked. Rail routers are switched by the trains that enter
// them, toward the next node of each train's path.
//
// A crossing centre lists its arms' entry and exit nodes in turn, then its inner nodes: an
// X-crossing entries 1, 3, 5, 7 and exits 2, 4, 6, 8 (arms 1, 4, 2, 3, taken round the crossing),
// inner nodes 9 to 16; a T-crossing entries 1, 3, 5 and exits 2, 4, 6 (arms 1, 2, 3), inner nodes 7
// to 9. The phase tables name positions in that list.
#pragma once

#include <cstdint>

#include "engine/store/trainpool.h"
#include "engine/world/records.h"

// A phase: two forbidden inner nodes, then up to four closed entries (positions in the crossing
// centre's node list, 0 none).
struct TCrossingPhase {
  uint8_t Forbidden[2];
  uint8_t Closed[4];
};
inline constexpr TCrossingPhase kXCrossingPhases[7] = {
    {{12, 16}, {3, 7, 0, 0}}, {{10, 14}, {1, 5, 0, 0}}, {{11, 0}, {5, 7, 0, 0}}, {{15, 0}, {1, 3, 0, 0}},
    {{13, 0}, {1, 7, 0, 0}},  {{9, 0}, {3, 5, 0, 0}},   {{0, 0}, {1, 3, 5, 7}},
};
inline constexpr TCrossingPhase kTCrossingPhases[4] = {
    {{7, 0}, {5, 0, 0, 0}}, {{8, 0}, {1, 0, 0, 0}}, {{9, 0}, {3, 0, 0, 0}}, {{0, 0}, {1, 3, 5, 0}}};

// The way flag of a crossing centre with traffic lights.
constexpr uint8_t kWayTrafficLights = 16;
// The waiting states at a crossing: a convoy refused waits in state 7, after this many ticks in
// state 8 (its count starts again); from the second count on a failed path is searched again.
constexpr uint32_t kCrossingLongWait = 400, kCrossingResearchWait = 800;
// The target speed of a convoy let into a crossing.
constexpr float kCrossingEntrySpeed = 2.5f;
// A road convoy keeps this far behind the rear of the convoy ahead.
constexpr float kKeepDistanceMargin = 20.0f;
// A router's tops show its setting: setting 1 the StandardTextures entry given first (the router
// texture, as a new router shows it), any other setting the second (the rail texture).
constexpr int kRouterSwitchTextureEntries[2] = {1, 0};
// A router whose chosen branch meets a red signal within this path cost looks for another path.
constexpr uint32_t kRouterRedSignalReach = 1000;

// The services of the depots that the routers call. The depot unit installs its own.
namespace traffic_hooks {
// The path from T's current node to a depot: with Store into T's path record, with Out (may be
// null) copied there; Reuse as the depot search takes it. Default: nothing.
extern void (*FindPathToDepot)(TTrain& t, TPath* out, bool store, bool reuse);
void InstallDefaults();
}  // namespace traffic_hooks

// The phase of the traffic lights of a crossing of type Waytype (1 X, 6 T) at tick Time: X runs
// through 1, 3, 4, 2, 5, 6 in steps of 13 TrafficLightPeriod ticks within a cycle of 75 periods,
// T through 1, 2, 3 in steps of 26 periods. A TrafficLightPeriod below 1 counts as 40. Any other
// type stops the program.
uint8_t GetTrafficLightStateAt(int32_t time, uint8_t waytype);

// May T pass the crossing C (the way of T's next node when null) in Phase of the X table (the T
// table for the ...T variants)? Its entry is its next node, or with FromHistory the newest entry of
// its node history that is one of C's entries. Its path is looked at from the entry on (up to five
// nodes further); a convoy without path, or whose path does not hold the entry, is judged by the
// entry and each of its next nodes in turn (one of them must pass). With IgnoreInner the forbidden
// inner nodes do not count. A phase outside the table lets nobody pass.
bool PathLookAhead(uint8_t phase, const TTrain& t, bool fromHistory, bool ignoreInner, const TWay* c);
bool PathLookAheadT(uint8_t phase, const TTrain& t, bool fromHistory, bool ignoreInner, const TWay* c);
// The first phase in which T may pass the crossing of its next node; 0 when none.
uint8_t FirstOpenPhase(const TTrain& t);
uint8_t FirstOpenPhaseT(const TTrain& t);

// A road convoy's head reaches an entry node of the crossing centre C: true when it may go on.
// Refused, it waits (states 7 and 8); let in, it drives on (state 1).
bool CrossingEntry(TTrain& t, TWay& c);
// A town car's random link K (1 or 2) at Node of the crossing C, turned to the node's other link when
// the node it leads to is a forbidden inner node of the phase C's switch byte holds: the node the car
// goes to.
uint32_t TownCarCrossingLink(const TTrain& t, uint32_t node, const TWay& c, uint8_t k);

// The lane queues: event 0 T's head entered Node, 2 its tail left Node.
void LaneQueueUpdate(TTrain& t, uint32_t node, uint8_t event);
// Takes the convoy out of the lane queues of the ways under it, walking back from its current node.
void RemoveTrainFromStreetBlocks(uint32_t train);
// A road convoy brakes for the rear of the convoy ahead on its lane (the movement's scratch vehicles
// are T's).
void KeepDistance(TTrain& t);

// Sets the router way W and its companion way to setting K (1 or 2), and shows it on their tops.
void SetRouterSwitch(TWay& w, uint8_t k);
// T enters the first node of router leg W: the router is set toward the next node of T's path; a red
// signal within reach behind the chosen branch makes it look for another path.
void SetRouterForPath(TTrain& t, TWay& w);
// Is there a red signal within Limit (path cost) after entry From of P, following P where it
// branches?
bool RedSignalAhead(uint32_t from, const TPath& p, uint32_t limit);

// Puts the routines above into the movement's and the train record's hooks.
void InstallTrafficHooks();
