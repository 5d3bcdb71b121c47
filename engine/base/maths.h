// Vector maths and geometry: vector arithmetic, lengths and distances in space and in the ground
// plane, normals, angles, the two heading conventions, rotations by a cosine and sine, ray and
// triangle tests for picking, line and circle or sphere hits, segment crossings, quad overlaps,
// Bezier points and a repeatable pseudo-random number.
//
// y is the vertical axis; x and z span the ground plane; every routine named "XZ" ignores y.
// Intermediate results are computed in extended precision (long double) and stored as float
// unless a routine returns long double. Division by zero and invalid operations give infinities
// and NaNs; no routine raises for them.
//
// Every routine may take the same vector as input and output.
#pragma once

#include <cstdint>

#include "engine/base/types.h"

// Degrees to radians for placement angles, as a float.
constexpr float kDegToRad = 0.017453292f;

// Result of the line-and-circle and line-and-sphere tests; only the first Count points and
// parameters are meaningful.
struct TLineHits {
  uint8_t Count;
  alignas(4) TVector Point1;  // TVector itself is packed; keep its floats aligned here
  TVector Point2;
  float Param1, Param2;
};

// Written by RayTriangleIntersect on a hit, read by picking.
extern TVector RayHitPoint;
extern float RayHitDistance;

// ---- Conversions to a 32-bit integer. NaN gives 0; values beyond the range saturate.
int32_t TruncToInt(float X);               // toward zero
int32_t TruncExtended(long double X);      // toward zero
int32_t RoundToInt(long double X);         // to nearest, halves to even

// ---- Scalar routines
// Trunc(Frac(Seed * (K * Seed)) * N) in extended precision: repeatable, 0..N-1 for N > 0.
int32_t HashRandom(int32_t Seed, int32_t N);
long double ArcTan2(float Y, float X);     // angle of (X, Y) in [-pi, pi]
float ArcCos(float X);                     // X just beyond +-1 gives 0 or pi
float ArcSin(float X);
long double Tan(float X);
void SinCos(float& S, float& C, float A);
float Power(float Base, float Exponent);   // exp(Exponent * ln Base)
void Smooth2(float& A, float& B, float X); // A := 0.75A + 0.25X, then B := 0.75B + 0.25A
// Two height intervals stored high, low: R[0] > R[3] and R[1] < R[2].
bool RangesOverlap(const float (&R)[4]);

// ---- Vector routines
void MakeVector(TVector& V, float X, float Y, float Z);
void VecAdd(const TVector& A, const TVector& B, TVector& Out);
void VecSub(const TVector& A, const TVector& B, TVector& Out);
void VecSubXZ(const TVector& A, const TVector& B, TVector& Out);  // (A.x - B.x, 0, A.z - B.z)
void VecScale(const TVector& V, TVector& Out, float F);
void VecScaleSelf(TVector& V, float F);
void VecNegate(const TVector& V, TVector& Out);
void VecMidpoint(const TVector& A, const TVector& B, TVector& Out);
float VecDot(const TVector& A, const TVector& B);
float VecDotXZ(const TVector& A, const TVector& B);
void VecCross(const TVector& A, const TVector& B, TVector& Out);
long double VecLength(const TVector& V);
long double VecLengthXZ(const TVector& V);
long double VecDistance(const TVector& A, const TVector& B);
float VecDistanceXZ(const TVector& A, const TVector& B);
// V * (1 / |V|) with |V| and 1 / |V| as floats; a zero vector stays unchanged.
void Normalize(TVector& V);
void NormalizeTo(const TVector& V, TVector& Out);
// (B - A) x (C - A) scaled to unit length; a degenerate triangle gives NaNs.
void TriangleNormal(const TVector& A, const TVector& B, const TVector& C, TVector& N);
// (P.x - sin(Angle) R, P.y, P.z - cos(Angle) R)
void OffsetByAngle(const TVector& P, TVector& Out, float Angle, float R);
// Distance from P to the line P0 + t Dir; a zero Dir gives the distance P0 to P.
float PointLineDistance(const TVector& P0, const TVector& Dir, const TVector& P);
float AngleBetween(const TVector& A, const TVector& B);
float AngleBetweenXZ(const TVector& A, const TVector& B);

// Heading(V): angle of (x, z) from +X toward +Z in (-pi, pi], exact pi; x = 0 gives +pi/2 for
// z > 0 and -pi/2 otherwise.
long double Heading(const TVector& V);
// HeadingTo(A, B): direction of A seen from B, from +Z toward +X, in [0, 2pi) with the constants
// 3.1415 and 6.283. Equal x and z give NaN.
float HeadingTo(const TVector& A, const TVector& B);
// Signed turn from direction A to direction B in the ground plane, wrapped to [-pi, pi].
float HeadingDifference(const TVector& A, const TVector& B);
// ArcTan2(y, sqrt(x^2 + z^2)) in [-pi/2, pi/2]; the zero vector gives 0.
long double Pitch(const TVector& V);

// Rotations by the cosine and sine of the angle (from SinCos).
void RotateX(TVector& V, float CosA, float SinA);         // y' = yc - zs, z' = zc + ys
void RotateY(TVector& V, float CosA, float SinA);         // x' = xc + zs, z' = zc - xs
void RotateYInverse(TVector& V, float CosA, float SinA);  // x' = xc - zs, z' = zc + xs
void RotateZ(TVector& V, float CosA, float SinA);         // x' = xc - ys, y' = yc + xs

// Cubic Bezier point; each weight is rounded to a float. The XZ form sets Out.y to 0.
void BezierPoint(const TVector& P0, const TVector& P1, const TVector& P2, const TVector& P3, float T,
                 TVector& Out);
void BezierPointXZ(const TVector& P0, const TVector& P1, const TVector& P2, const TVector& P3, float T,
                   TVector& Out);

// The ray from Origin through Target against triangle ABC (Triangle true) or the parallelogram
// spanned by B - A and C - A. A hit sets RayHitPoint and RayHitDistance; a miss leaves both.
// A hit behind the origin is no hit.
bool RayTriangleIntersect(const TVector& A, const TVector& B, const TVector& C, const TVector& Origin,
                          const TVector& Target, bool Triangle);
void LineSphereHits(const TVector& Centre, const TVector& P0, const TVector& P1, float R, TLineHits& Hits);
void LineCircleHitsXZ(const TVector& Centre, const TVector& P0, const TVector& P1, float R, TLineHits& Hits);
// 0: the segments cross (ends included); 1: the lines cross outside a segment; 2: parallel
// (P, TA and TB untouched).
uint8_t SegmentIntersectXZ(const TVector& A1, const TVector& A2, const TVector& B1, const TVector& B2,
                           TVector& P, float& TA, float& TB);
// False for parallel lines (P untouched); else P is the crossing with y = 0.
bool LineIntersectXZ(const TVector& A1, const TVector& A2, const TVector& B1, const TVector& B2, TVector& P);
// Two quads given by their four corners in order (corner 1 is index 0), ground plane only.
bool QuadsOverlap(const TVector (&A)[4], const TVector (&B)[4]);
