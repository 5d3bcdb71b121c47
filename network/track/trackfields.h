// The node and way fields that the network gives a meaning, in the words and bytes the node pool
// and the way record leave to the network code: a node's link lengths, curve values and path
// search values, its flags beyond the station stop, and the part number of a crossing or router
// way.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/store/nodepool.h"
#include "engine/world/records.h"

// Node flags (beside kNodeFlagStation, 4, and kNodeFlagRouteEnd, 64, which a node carries once its
// way is finished): a depot's capture node and a building's scripted node, which only the owner
// of their way may pass; and a building's switcher node, where convoys go slowly and may reverse.
constexpr uint8_t kNodeFlagSwitcher = 1;
constexpr uint8_t kNodeFlagCapture = 8;
constexpr uint8_t kNodeFlagScripted = 16;
constexpr uint8_t kNodeFlagWayFinished = kNodeFlagRouteEnd;

// Link lengths are the first two network words of a node, curve values the last two. The length
// (the rounded 3D distance) and curve value of next link k (0 or 1).
inline int32_t LinkLength(const TNode& node, int k) { return static_cast<int32_t>(node.LinkValues[k]); }
inline float CurveValue(const TNode& node, int k) {
  float v;
  std::memcpy(&v, &node.LinkValues[2 + k], sizeof(v));
  return v;
}
inline void SetLinkLength(TNode& node, int k, int32_t length) { node.LinkValues[k] = static_cast<uint32_t>(length); }
inline void SetCurveValue(TNode& node, int k, float value) { std::memcpy(&node.LinkValues[2 + k], &value, sizeof(value)); }

// The path search's values of a node: the cost at which the search reached it and the node it
// came from. They count only while the node's PFIDArray byte equals PFIDMark.
inline uint32_t SearchCost(const TNode& node) { return node.NetValues[0]; }
inline uint32_t SearchFrom(const TNode& node) { return node.NetValues[1]; }
inline void SetSearchCost(TNode& node, uint32_t cost) { node.NetValues[0] = cost; }
inline void SetSearchFrom(TNode& node, uint32_t from) { node.NetValues[1] = from; }

// Way types and part numbers: a plain street (0) or rail (2), an X crossing (1) and a T crossing
// (6) with arms 1..4 and their centre 5, a router (3) with legs 1..3 and its centre 4, a way type 4
// that nothing builds yet, and a way inside a building (5).
constexpr uint8_t kWaytypeStreet = 0, kWaytypeXCrossing = 1, kWaytypePlainRail = 2, kWaytypeRouter = 3,
                  kWaytypeBuildingWay = 5, kWaytypeTCrossing = 6;
constexpr uint8_t kCrossingCentrePart = 5, kRouterCentrePart = 4;
// The part number is the byte that the world records read as a router's completion: a crossing
// centre (5) or a router centre (4) takes the ways at its connects along when it is removed.
inline uint8_t& WayPart(TWay& w) { return w.Completion; }
inline uint8_t WayPart(const TWay& w) { return w.Completion; }
// The byte after the part number: a router's switch setting (1 or 2; 1 on a new router centre), the
// current phase of a crossing centre without traffic lights (0 none), 1 on a crossing arm.
inline uint8_t& WaySwitch(TWay& w) { return w.Reserved121; }
inline uint8_t WaySwitch(const TWay& w) { return w.Reserved121; }
// The side of a road way's lane queue (TStreetBlock) that the lane leaving Node belongs to: side 1
// for the lane from the way's first node to its fourth, side 0 for any other.
inline uint8_t LaneSideOf(const TWay& w, uint32_t node) { return w.NodesCounter >= 1 && w.Nodes[0] == node ? 1 : 0; }
