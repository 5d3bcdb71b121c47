// Road crossings: an X-crossing of two roads with four arms (waytype 1) or a T-crossing where a
// stem meets a road (waytype 6, three arms). The crossing is a centre way (part 5) over the
// quadrilateral where the two road bands overlap, and one short arm way per arm (parts 1 to 4)
// from the arm's point to the edge of that quadrilateral. An arm point that lies too far away, or
// whose way meets the arm at too sharp a bend, is moved close to the centre and joined to its
// given point by a curve. The centre way carries the lane nodes and links of every movement
// through the crossing; the traffic over them is the road traffic's.
//
// Arms 1 and 2 lie on one road, arms 3 and 4 on the other; a T-crossing's arm 3 is its stem and
// its fourth arm point is made just beyond the centre, opposite the stem (its piece is planned and
// shown, never built).
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "network/construction/constructcurve.h"
#include "network/construction/curveline.h"
#include "network/construction/result.h"

// The StandardTextures entries of the centre of an X- and of a T-crossing.
constexpr int kXCrossingTextureEntry = 4, kTCrossingTextureEntry = 5;
// An arm shorter than this from its point to the edge of the centre is refused ({4}).
constexpr float kShortestCrossingArm = 25.0f;
// The width of the sidewalk strips laid out beside each arm.
constexpr float kCrossingSidewalkWidth = 60.0f;
// The factors of the inner nodes of an X-crossing along the straight lines (32-bit floats).
constexpr float kInnerThird = 0.333f, kInnerTwoThirds = 0.666f;

// Plans, previews (Mode 0) or builds (Mode 1) a crossing of Arms (3 or 4; anything else stops the
// program) arms from the road points ArmPoints[0..Arms - 1]. ArmWays arms (1..ArmWays, at most 4)
// take part in the arm-length, bridge, cutting and arm-way tests; callers pass Arms. A Centre with
// x = z = 0 is computed (the crossing of the two roads, or the middle of arms 1 and 2), y = 0 asks
// for the height weighted by the arm points' inverse ground distances. Swapped is 1 when the plan
// took arms 1 and 2 in the other order (so that arm 3 lies on the side that rotate90 of the
// direction 1 -> 2 points to).
//
// Refusals: {1} the two roads of an X-crossing do not cross between their arm points; {4} two arm
// points of one road closer than 1.0, or an arm shorter than 25.0; {5} the side lines of the two
// roads do not meet; {11} or {12} an arm piece would be a bridge or lie in a cutting; {16} an arm
// point is a stored connect of another waytype; {17} the build would give a stored connect a third
// way; and the refusals of the join previews, the piece preparation and the collision test. {1},
// {5} and the 1.0 test end the call at once; the others still leave the plan (arm pieces 1..4 in
// the TCurveline, conzahl 5) and log it in a preview. A build follows a successful plan only; with
// Instant the arm ways, the centre and the joining ways of arms 1 and 2 are completed at once.
void ConstructCrossing(TCurveline& curve, uint8_t arms, uint8_t armWays, uint8_t& swapped,
                       const TMetaconnect (&armPoints)[4], const TVector& centre, TCurveOptions options,
                       uint8_t mode, uint8_t instant, TConstructResult& result);
