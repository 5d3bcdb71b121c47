// The movement of trains and road convoys, once per tick each. A convoy's head runs along the node
// graph on the link from its current node to its next node; its vehicles are placed behind it
// afterwards (network/vehicles/convoys.h). This is the per-tick state machine (MoveOn), the speed
// control and acceleration, the stepping of the head from node to node, what the head meets at a
// node (signals, stops, depots, hold nodes, building nodes), the events when the head enters and
// the tail leaves a node, the choice of link at a branch, and turning at a dead end.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/store/trainpool.h"
#include "engine/world/records.h"

// The services of the station stops, depots, lane queues, crossings, routers and buildings that
// the movement calls. Each starts at the least the movement relies on; their units install their
// own, tests install recording ones.
namespace movement_hooks {
// The convoy in state 5 reaches the node after its stop node. Default: nothing.
extern void (*ArriveAtStation)(TTrain& t);
// The unloading time of the convoy is over. Default: nothing.
extern void (*FinishedUnloadingBeginLoading)(TTrain& t);
// The path from T's current node to the station of halt Halt of S; with Store into T's path record,
// with Out (may be null) copied there. Default: nothing.
extern void (*FindPathToSchedulestation)(TTrain& t, const TSchedule& s, uint8_t halt, TPath* out, bool store,
                                         bool reuse);
// The depot D of building B takes the convoy in: true when it stays there. Default: false (it drives
// on).
extern bool (*CaptureTrain)(TDepot& d, const TBuilding& b, uint32_t train);
// The node number in a building of the type where its depot captures convoys (0 none). Default: 0.
extern uint8_t (*CaptureNodeNumber)(uint16_t buildingType);
// A road convoy keeps its distance to the convoy ahead on its lane. Default: nothing.
extern void (*KeepDistance)(TTrain& t);
// The lane queues: event 0 the head entered Node, 2 the tail left Node. Default: nothing.
extern void (*LaneQueueUpdate)(TTrain& t, uint32_t node, uint8_t event);
// A road convoy's head reaches an entry node of the crossing centre C: true when it may go on.
// Default: true.
extern bool (*CrossingEntry)(TTrain& t, TWay& c);
// A town car's random link K (1 or 2) at a crossing node, adjusted by the crossing's phase: the
// node it goes to. Default: next node K unchanged.
extern uint32_t (*TownCarCrossingLink)(const TTrain& t, uint32_t node, const TWay& c, uint8_t k);
// The router events of a convoy entering a router way's first node. Defaults: nothing.
extern void (*SetRouterSwitch)(TWay& w, uint8_t k);
extern void (*SetRouterForPath)(TTrain& t, TWay& w);
// A building's event script (script/runners.h RunBuildingEventScript): its answer, -1 without
// script. Default: exactly that.
extern int32_t (*RunBuildingEvent)(int32_t event, int32_t param2, int32_t param3, int32_t param4, TBuilding& b,
                                   int32_t train, TDepot* depot);
// Every hook above back to its default.
void InstallDefaults();
}  // namespace movement_hooks

// Node flags of the movement, beside those of the node pool and the track (trackfields.h): a slow
// node where convoys also reverse, a node of a building, a hold node.
constexpr uint8_t kNodeFlagReverse = 1, kNodeFlagBuilding = 2, kNodeFlagHold = 32;

// A turning convoy gives up after this many steps without its rear clearing the turning node.
constexpr int kMostTurnSteps = 1000;

// Sets up the tick of the convoy at pool slot Index: its vehicles into the scratch record, its
// length and class byte there, the nearest stop reset; T's index := Index, ActPlayer := its owner.
void PrepareTrain(TTrain& t, uint32_t index);
// One tick of the convoy: true when it moved and its vehicles are to be placed, false otherwise (the
// caller stores the scratch vehicles back unless the slot was freed meanwhile).
bool MoveOn(TTrain& t);
// The acceleration of the convoy on its link now (speed per tick).
float Acceleration(TTrain& t);
// Moves the head on by its distance on link, node by node; true while it may go on.
bool Advance(TTrain& t);
// Brakes to speed V within Dist unless a nearer stop was seen this tick.
void BrakeForStop(TTrain& t, float dist, float v);
// The node T goes to after Node; 0 when Node has no next link (or more than two).
uint32_t GetHeadingnode(TTrain& t, uint32_t node);
// The head reaches Node: 0 go on, 1 stop before it, 2 the convoy is gone or was taken into a depot.
uint8_t TrainHeadBeforeNode(TTrain& t, uint32_t node);
// The head has entered Node; the tail has left Node.
void TrainEntersNode(TTrain& t, uint32_t node);
void TrainLeavesNode(TTrain& t, uint32_t node);
// Turns the convoy standing at a dead end onto the opposite lane: false when nothing changed.
bool TurnOnDeadEnd(TTrain& t);
// The nodes of the convoy's history between its tail and its head, oldest first: the entries newer
// than the tail's (all of them when the tail is not listed), without its next node.
std::vector<uint32_t> NodesUnder(const TTrain& t);
// 1.2 times the maximum speed.
float NormalTargetSpeed(const TTrain& t);
