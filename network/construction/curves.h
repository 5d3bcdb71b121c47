// Curve solving: from a start connect A to an end connect B, each with or without a direction, a
// chain of 2 to 20 connects whose pieces keep the length and bend limits of their waytype. Five
// solvers are tried in a fixed order until one succeeds: a stepping solver that walks from A
// towards B turning gradually, a single arc (forwards, then backwards), two arcs that meet in the
// middle, and a cubic Bezier. The chain then gets interpolated heights, the plan's gradient and a
// side vector per connect; on request a parallel chain is placed beside it.
//
// Angles between vectors are taken in the ground plane unless a routine says otherwise. A
// rotation by s turns (x, z) to (x cos s - z sin s, x sin s + z cos s), so a positive s increases
// the heading.
#pragma once

#include <cstdint>

#include "network/construction/curveline.h"
#include "network/construction/result.h"

// False when the piece drifts more than 10 units sideways at a third of its length
// (sin(Angle) * Len / 3 > 10); otherwise true exactly when Angle <= MaxAngle.
bool BendOK(float maxAngle, float angle, float len);
// Tests the piece From -> To against the limits of a variant (Variant and 127): {1} for equal
// ends, else {0} or the reasons 4 (too short) or 3 (too long), 5 (bend at the start over the
// variant's limit) and 6 (bend at the end over the base limit).
void PieceTest(uint8_t wt, const TMetaconnect& from, const TMetaconnect& to, uint8_t variant, TConstructResult& result);
// One step from From towards To: straight at the target when it lies within reach of a gentle
// turn, else along From's way turned as far as allowed. Out becomes a new connect (its waytype
// kept) with its direction pointing back to From. Step 0 means 1.2 times the minimum length.
void NextPiece(uint8_t wt, uint8_t counter, const TMetaconnect& from, const TMetaconnect& to, TMetaconnect& out,
               float step, bool parallel, TConstructResult& result);

void StepCurve(uint8_t wt, const TMetaconnect& a, const TMetaconnect& b, TCurveline& curve, TConstructResult& result);
void BezierCurve(uint8_t wt, const TMetaconnect& a, const TMetaconnect& b, TCurveline& curve,
                 TConstructResult& result);
void BiRadialCurve(uint8_t wt, const TMetaconnect& a, const TMetaconnect& b, TCurveline& curve,
                   TConstructResult& result);
// The arc from From (which must have a direction) to To in at most MaxPieces (<= 19) pieces, into
// Slots[1..Count], reversed when Reverse. A target straight ahead or exactly behind has no arc: {1}
// with Slots untouched and Count 2.
void ArcCurve(uint8_t wt, bool reverse, bool parallel, const TMetaconnect& from, const TMetaconnect& to,
              TMetaconnect* slots, uint8_t& count, TConstructResult& result, int maxPieces = 19);

// The ends and choices of one curve construction. SolveCurve may swap A and B.
struct TCurvePlan {
  TCurveline* Curve;
  uint8_t Waytype;  // 0 road, 1 rail
  TMetaconnect A;
  TMetaconnect B;
  uint8_t CurveMode;  // with A directed and B not: 0 arc first, 1 steps, 2 arc only for a sharp, near target
};
// Solves the chain into the plan's record, then heights, Gradient and side vectors.
void SolveCurve(TCurvePlan& plan, TConstructResult& result);
// The parallel set (slots k + 20) beside a solved chain, -1.2 gauges along the side vectors; its
// ends snap to usable connects within 40.0.
void ParallelSet(TCurvePlan& plan, TConstructResult& result);
