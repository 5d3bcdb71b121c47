// Way extensions: a new road that ends on an existing street (a T-crossing whose stem is the new
// road) or runs across it (an X-crossing). The street met is removed around the meeting point, the
// crossing is built there and the cut ends of the street are joined to the crossing's arms again.
//
// The pick is kept in ExtendWayInfo between the pick and the construction.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/world/records.h"
#include "network/construction/constructcurve.h"
#include "network/construction/curveline.h"
#include "network/construction/result.h"

// The arms on the street met lie this far from the meeting point: half the road's width and the
// shortest road piece.
constexpr float kExtensionArmDistance = 100.0f;
// An end of the street nearer than this to the meeting point must join two ways.
constexpr float kExtensionEndClearance = 20.0f;

// The pick of a way extension.
struct TExtendWayInfo {
  TVector MeetingPoint;     // the pick projected onto the street met
  uint32_t Way;             // the street met
  uint8_t Valid;
  TVector Direction;        // unit vector from the street's first connect to its second
  uint32_t Neighbours[2];   // the other streets at its first and second end when those lie within reach
  uint8_t TargetPresent;
  TMetaconnect ArmPoints[2];  // 100 before and 100 after the meeting point along the street
  TMetaconnect Target;      // where the new road comes from (the stem of a T-crossing)
  TMetaconnect End;         // where it goes on beyond the street (an X-crossing's fourth arm)
  uint8_t DeadEnd[2];       // the street ends within reach at its first (0) or second (1) connect
  uint8_t EndFar;           // End lies beyond the street: an X-crossing
};
extern TExtendWayInfo ExtendWayInfo;

// Target present, way, valid, neighbour ways, dead ends and the end-far byte := 0.
void ClearExtendWayInfo(TExtendWayInfo& info);
// The record cleared, then filled for a street (waytype 0, no bridge or cutting) met at Pick: the
// meeting point, the arm points, the neighbours and dead ends within 100 of the meeting point.
// Valid when each end of the street lies more than 20 from the meeting point or joins another way,
// every neighbour is a street, and both arm points lie on the map.
void SetExtendWayInfo(TExtendWayInfo& info, const TWay& way, const TVector& pick);
// The record cleared; the way that the ray meets in pick mode 1 goes to SetExtendWayInfo with the
// point hit: true; no way: false.
bool GetExtendWayInfoAtPick(TExtendWayInfo& info, const TVector& rayStart, const TVector& rayDir);
void SetExtendTargetConnect(TExtendWayInfo& info, const TMetaconnect& target);
// End far := End lies more than 100 from the meeting point in the ground plane.
void SetExtendEndConnect(TExtendWayInfo& info, const TMetaconnect& end);

// Builds the extension from ExtendWayInfo: {1} without a valid pick and a target. The street and its
// recorded neighbours are removed ({12} a cutting, {11} a bridge or, in a preview, a way of a
// building, {17} not a street, and their removal check), an X-crossing (End far) or a T-crossing
// (stem Target) is built at the meeting point, and the cut ends that are neither dead ends nor at
// their arm point already are joined to the arms. Mode 1 runs the preview first and builds only
// when it succeeded; a refusal, and a build, clear the record.
void ConstructWayExtension(TCurveline& curve, TCurveOptions options, uint8_t mode, TConstructResult& result);
