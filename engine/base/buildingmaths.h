// The building program's vector maths: the shared routines of engine/base/maths.h, except for
// the few that this program computes its own way. A building-program unit calls them as
// brumin::Name; every routine that is the same is the shared one, taken over by name below.
//
// Its own:
// - ArcTan2, Tan, SinCos and ArcCos take and give extended values (long double) throughout;
// - VecLength, VecLengthXZ and VecDistance give their result rounded to a float;
// - Heading of a vector with x = 0 is -pi/2 when z < 0 and +pi/2 otherwise, so the zero vector
//   gives +pi/2 (the shared Heading gives -pi/2 for it).
#pragma once

#include "engine/base/maths.h"

namespace brumin {

long double ArcTan2(long double Y, long double X);
long double Tan(long double X);
void SinCos(long double& S, long double& C, long double A);
// ArcTan2(sqrt(max(0, 1 - X^2)), X), all in extended precision.
long double ArcCos(long double X);
float VecLength(const TVector& V);
float VecLengthXZ(const TVector& V);
float VecDistance(const TVector& A, const TVector& B);
long double Heading(const TVector& V);

// The same as the shared routines. PointLineDistance keeps the shared guard for a direction of
// length 0 (the distance from P0): without it the division by zero would hand NaN to the caller.
using ::AngleBetween;
using ::AngleBetweenXZ;
using ::ArcSin;
using ::BezierPoint;
using ::BezierPointXZ;
using ::HashRandom;
using ::HeadingDifference;
using ::HeadingTo;
using ::kDegToRad;
using ::LineCircleHitsXZ;
using ::LineIntersectXZ;
using ::LineSphereHits;
using ::MakeVector;
using ::Normalize;
using ::NormalizeTo;
using ::OffsetByAngle;
using ::Pitch;
using ::PointLineDistance;
using ::Power;
using ::QuadsOverlap;
using ::RangesOverlap;
using ::RayHitDistance;
using ::RayHitPoint;
using ::RayTriangleIntersect;
using ::RotateX;
using ::RotateY;
using ::RotateYInverse;
using ::RotateZ;
using ::SegmentIntersectXZ;
using ::Smooth2;
using ::TLineHits;
using ::TriangleNormal;
using ::TruncToInt;
using ::VecAdd;
using ::VecCross;
using ::VecDistanceXZ;
using ::VecDot;
using ::VecDotXZ;
using ::VecMidpoint;
using ::VecNegate;
using ::VecScale;
using ::VecScaleSelf;
using ::VecSub;
using ::VecSubXZ;

}  // namespace brumin
