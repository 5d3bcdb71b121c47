// The node cursor: a place on the node graph (the link from one node to the next and a distance
// along it), the routines that turn it into a world point, move it forward or backward by a
// distance, choose the link at a node with two links, and turn two points into a vehicle pose.
//
// There is one cursor for the whole program. Every use sets PrevNode, CurNode and Dist first; the
// movers then read and change it in place. A move that fails leaves the cursor on the last node
// pair it reached.
//
// Once a move leaves the cursor's link, the new point lies at straight-line distance Step from the
// given centre (a sphere around it cut with the following links), not at Step along the track.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/store/nodepool.h"

#pragma pack(push, 1)
struct TNodeCursor {
  uint32_t PrevNode;   // start node of the link the cursor is on
  uint32_t CurNode;    // end node of that link: one of PrevNode's next nodes
  uint32_t AheadNode;  // the node beyond CurNode; written by backward moves and by the callers
  float Dist;          // distance from PrevNode toward CurNode
  TVector FrontPoint;  // scratch points of the callers (a vehicle's front and rear)
  TVector RearPoint;
};
static_assert(sizeof(TNodeCursor) == 40);

extern TNodeCursor NodeCursor;

// A node with a copy of its record, as a walk along the graph holds it.
struct TNodeRecord {
  uint32_t Index;
  TNode Node;
};
static_assert(sizeof(TNodeRecord) == 68);
#pragma pack(pop)

// Where a walk along the node graph reads its nodes, and which link it takes at a node.
struct TNodeWalk {
  // Out := the record of node N; false when there is none.
  bool (*Read)(const void* context, uint32_t n, TNode& out);
  // The link to take at the node: of its next links (Forward) or its previous links; 0 none, 1 or 2.
  uint8_t (*Choose)(const void* context, const TNodeRecord& node, bool forward);
  const void* Context;
};

// A cursor that holds copies of its two nodes' records.
struct TWalkCursor {
  TNodeRecord Prev;     // start node of the link the cursor is on
  TNodeRecord Cur;      // end node of that link
  uint32_t AheadIndex;  // the node beyond Cur; written by backward moves
  float Dist;           // distance from Prev toward Cur
};

// The node cursor's moves on any node graph: by Step toward Cur and beyond (at most 3 further
// links) or toward Prev and beyond (at most 6), reading each further node and choosing each link
// through the walk. Out receives the new point; the cursor is changed in place, also on failure.
bool WalkCursorForward(TWalkCursor& c, const TNodeWalk& walk, const TVector& p, TVector& out, float step);
bool WalkCursorBackward(TWalkCursor& c, const TNodeWalk& walk, const TVector& p, TVector& out, float step);

// Out := position(A) + (position(B) - position(A)) * Dist / |position(B) - position(A)|. Dist is not
// clamped: beyond the link the point runs on along the same line. Two nodes at one position give
// A's position.
void PointBetweenNodes(uint32_t a, uint32_t b, TVector& out, float dist);

// Which next (previous) link of the node to take: 0 none (no link, or a count above 2), 1 the only
// or the first link, 2 the second link when its node stands in list[0..high]. high < 0 searches
// nothing.
uint8_t NextLinkOnPath(uint32_t node, const uint32_t* list, int high);
uint8_t PrevLinkOnPath(uint32_t node, const uint32_t* list, int high);

// Moves the cursor toward CurNode and beyond (at most 3 further links), or toward PrevNode and
// beyond (at most 6 further links), by Step; Out receives the new point. At a node with two links
// the second is taken exactly when its node is among the nodes ahead of the train (train 0: never).
// False when a node has no usable link that way or the sphere of radius Step around P meets none
// of the links tried.
bool NodeCursorForward(const TVector& p, TVector& out, uint32_t train, float step);
bool NodeCursorBackward(const TVector& p, TVector& out, uint32_t train, float step);

// Pose at Front facing from Rear to Front: Gier = -90 - heading of (Front - Rear) in degrees, Nick
// its pitch (positive when Front is higher), Roll 0.
void OrientationFromPoints(TPlacement& pose, const TVector& front, const TVector& rear);

// Replaces the point at Dist on the straight link A -> B by the point on the lane line of A's way
// built with Segments segments. Out stays untouched when A has no way, the way has no mesh, is of
// way type 1, 5 or 6, is a road or way type 2 that a building declares invisible, is a router's
// centre way, or Segments < 1. On the way's second lane (A its third node) the distance is counted from the
// far end.
void PointOnWayCurve(uint32_t a, uint32_t b, int32_t segments, float dist, TVector& out);
