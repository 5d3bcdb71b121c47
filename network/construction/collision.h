// The collision test of a planned construction: after a router, a crossing or a station track has
// been planned into a TCurveline, every building and way near the plan is compared with each
// planned piece, first by footprint (two quadrilaterals in the ground plane), then by height range.
// Objects of the construction's own surroundings are ignored. The first collision ends the test
// with element 18 and marks the piece with flag 32.
//
// Height ranges are kept two to an array: slot 1 (the planned piece) and slot 2 (the object), each
// top then bottom, as RangesOverlap compares them.
#pragma once

#include <cstdint>
#include <span>

#include "engine/base/types.h"
#include "engine/mesh/meshrecords.h"
#include "engine/world/records.h"
#include "network/construction/curveline.h"
#include "network/construction/result.h"

constexpr int kCollisionElement = 18;
// Kind of a collision test: routers and crossings, or station tracks (their preview platform
// meshes are tested too).
constexpr uint8_t kCollisionWays = 1, kCollisionStationTrack = 2;
// Added to the plan's extent for the square of objects looked at.
constexpr float kCollisionMargin = 500.0f;
// Depth of a bridge way's body below its highest corner.
constexpr float kBridgeBodyDepth = 2.0f;

// Centre := mean position of slots 1..conzahl; Radius := the largest distance along x or z from
// the centre to the extremes of those positions, plus 500.
void CurvelineBounds(TCurveline& curve);
// Result := {0}, then {18} at the first collision of an object whose position lies in the square
// |x - X| <= Range, |z - Z| <= Range with a planned piece; the piece gets flag 32 and a way hit
// becomes the plan's HitWay. Callers pass Centre and Radius after CurvelineBounds.
void CollisionTest(TCurveline& curve, uint8_t kind, TConstructResult& result, float x, float z, float range);

// The four corners of a piece mesh: the positions of vertices 1..4.
void PieceCorners(const TPieceMesh& mesh, TVector (&corners)[4]);
// For waytypes 0..3 and 6: the positions of mesh vertices 1..4; other waytypes leave Corners
// unchanged and give false.
bool GetWayCorners(const TWay& way, const TMeshdata2& mesh, TVector (&corners)[4]);
// Top := highest y of vertices 1..4 + the clearance of the way's use; bottom := lowest y - 2 for a
// bridge way (flag 4), else lowest y - WayBodyDepth; written to range Slot (1 or 2).
void GetWayHeightRange(const TWay& way, const TMeshdata2& mesh, float (&heights)[4], uint8_t slot);
// The same from a piece mesh, always with WayBodyDepth.
void PieceHeightRange(const TPieceMesh& mesh, const TWay& way, float (&heights)[4], uint8_t slot);
// The clearance above a way of the given use (a third use takes the rail clearance).
float UseClearance(uint8_t use);

// The first stored building or way (of the kinds in Mask) whose footprint overlaps Corners and
// whose height range overlaps the caller's: Heights holds the caller's range in slot 1 (elements 0
// and 1, top then bottom); each object's range goes to slot 2. The objects listed in Exclude do not
// count; a way without a mesh, or of a waytype without corners, has no footprint. True on a hit.
bool FindCollidingObject(const TVector (&corners)[4], float (&heights)[4], std::span<const uint32_t> exclude,
                         uint32_t mask);
