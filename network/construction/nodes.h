// Nodes: the lanes that vehicles run over. A new way finds or makes the four nodes of its two
// lanes at its connects, links node 1 -> node 4 and node 3 -> node 2, and every link carries its
// rounded length and a curve value that the movement reads for its speed limit.
// A node has at most two previous and two next links (a switch).
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/store/nodepool.h"
#include "engine/world/records.h"
#include "network/track/trackfields.h"

// The curve value of a node that lacks a previous or a next link.
constexpr float kNoCurve = 99999.0f;


// The node for corner 1..4 of a new way at Connect (1 and 2 at its start connect, 3 and 4 at its
// end; 1 and 4 on the + side): a new node at Pos while the connect has no way, else the node of
// the way already there, paired so that every lane runs on across the connect.
uint32_t NewNode(uint8_t corner, const TVector& pos, uint32_t connect);
// The node's way := the way; flag 64 cleared for a way in state 0 or 1, set in state 2 or 3.
void SetNodeWay(const TWay& way, uint32_t node);
// Links the way's two lanes, node 1 -> node 4 and node 3 -> node 2; nothing for the centre way of
// a crossing or a router.
void LinkWayNodes(const TWay& way);
// Appends To to From's next links and From to To's previous links, then recomputes the curve
// values of To, From and From's previous nodes. A third link on either side is a fatal stop.
void LinkNodes(uint32_t from, uint32_t to);
// Drops every next link of From together with the matching previous link at its target, and
// refreshes the curve values of both ends.
void UnlinkNextNodes(uint32_t from);
// Curve value of each next link k: (2 pi / a * d) / 600 with a the largest ground-plane bend from a
// previous node into the link, held in 1..90 degrees, and d the link's 3D length.
void CalcNodeCurve(uint32_t node);
