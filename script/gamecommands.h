// The game's script host: the state that vehicle and building scripts work on (the placements and
// meshes of up to 14 parts, node and point registers, the current vehicle, train, depot and
// building), its ten host variables and its thirty-four host procedures.
//
// Who prepares the state and runs the scripts is script/runners.h. What the commands need of the
// transport network (the node cursor, points between nodes, the next link on a train's way,
// releasing a train from its depot) comes through ScriptNetwork, which the network installs; its
// defaults do the least: no link is found, no cursor move succeeds, no curve point replaces a
// straight one, no train is released.
#pragma once

#include <cstdint>
#include <span>

#include "engine/base/types.h"
#include "engine/mesh/mesh.h"
#include "engine/store/trainpool.h"
#include "engine/world/records.h"
#include "script/hostcommands.h"

constexpr int kScriptParts = 14;
constexpr int kScriptRegisters = 20;

// ---- State (numbered from 1; element 0 is never used)
extern TPlacement MeshPartTransforms[kScriptParts + 1];
extern int32_t PartCount;                                // the parts in use
extern TMesh2 PartMeshes[kScriptParts + 1];
extern TIndexList PartTextureLists[kScriptParts + 1];   // built flag: the list's Flag
extern int32_t NodeRegisters[kScriptRegisters + 1];
extern TVector CoordRegisters[kScriptRegisters + 1];
extern int32_t MipLevel;
extern int32_t SParam1, SParam2, SParam3, SParam4;
extern uint32_t ScriptTime;
extern int32_t BvarStorage[5];                          // 1..4
extern TVehicle CurrentVehicle;
extern int32_t CurrentTrain;
extern int32_t CommandTrain;
// The depot and building of the run under way; null outside a run (the runners clear them).
extern TDepot* CurrentDepot;
extern TBuilding* CurrentBuilding;
// Positions in the registry of "frame" and of "bvar1" to "bvar4" (BvarIndices[1..4]).
extern int32_t FrameVarIndex;
extern int32_t BvarIndices[5];

// ---- The transport network as the commands see it

// A place on the node graph: the link from PrevNode to CurNode (one of PrevNode's next nodes),
// the node beyond CurNode, and the distance from PrevNode toward CurNode.
struct TScriptCursor {
  uint32_t PrevNode;
  uint32_t CurNode;
  uint32_t AheadNode;
  float Dist;
};

// The network installs its own routines (InstallNetworkServices); each entry's default does the
// least.
struct TScriptNetwork {
  // Out := the point at straight distance Dist from node A toward node B. Default: out stays as
  // it is.
  void (*PointBetweenNodes)(uint32_t a, uint32_t b, TVector& out, float dist);
  // Out := the point at Dist on the centre line of A's way built with Segments pieces, when A's
  // way has one. Default: out stays as it is.
  void (*PointOnWayCurve)(uint32_t a, uint32_t b, int32_t segments, float dist, TVector& out);
  // Which next link of Node to take (0 none, 1 or 2) given the nodes List[0..High] ahead of a
  // train (High < 0: none). Default: 0.
  uint8_t (*NextLinkOnPath)(uint32_t node, const uint32_t* list, int high);
  // Moves the cursor by Step toward CurNode (Forward) or PrevNode (Backward) from the point P; Out
  // receives the new point. The cursor is changed in place, also when the move fails. Default:
  // false, nothing changes.
  bool (*NodeCursorForward)(TScriptCursor& cursor, const TVector& p, TVector& out, uint32_t train, float step);
  bool (*NodeCursorBackward)(TScriptCursor& cursor, const TVector& p, TVector& out, uint32_t train, float step);
  // Pose at Front, turned along the line from Rear to Front. Default: only the position, Front.
  void (*OrientationFromPoints)(TPlacement& pose, const TVector& front, const TVector& rear);
  // Sends the train out of the depot and stores the depot. Default: nothing.
  void (*ReleaseTrain)(TDepot& depot, uint32_t train);
};
extern TScriptNetwork ScriptNetwork;
// Puts every entry back to its default.
void InstallDefaultScriptNetwork();

// Whether node n lies within the node pool.
bool ScriptNodeValid(uint32_t n);
// Train n of the pool, or null when n names no train in use.
TTrain* ScriptTrain(int32_t n);

// Registers the ten host variables and then the thirty-four host procedures, in their fixed
// order, into the registry (which the caller has started with its built-ins), noting
// FrameVarIndex and BvarIndices.
void RegisterGameHostNames();
// The game's host variables and procedures in their registration order.
std::span<const TScriptHostVar> GameHostVars();
std::span<const TScriptHostProc> GameHostProcs();

// Binds "bvar1" to "bvar4" to Vars[0..3] (null: back to BvarStorage).
void BindBuildingVars(int32_t* vars);
