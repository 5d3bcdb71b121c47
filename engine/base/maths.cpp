#include "engine/base/maths.h"

#include <algorithm>
#include <cmath>
#include <limits>

TVector RayHitPoint = {0.0f, 0.0f, 0.0f};
float RayHitDistance = 0.0f;

namespace {
using LD = long double;

constexpr LD kPi = 3.141592653589793238462643383279502884L;
// The hash constant, rounded to extended precision.
constexpr LD kHashK = 25.1945535734246767716609793908L;

// An already integral value into 32 bits: NaN gives 0, the rest saturates.
int32_t SaturateIntegral(LD t) {
  if (std::isnan(t)) return 0;
  if (t >= 2147483648.0L) return std::numeric_limits<int32_t>::max();
  if (t <= -2147483648.0L) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(t);
}

float F(LD x) { return static_cast<float>(x); }

LD SqrXZ(const TVector& V) { return LD(V.x) * V.x + LD(V.z) * V.z; }

// The angle of (x, z) measured from +X toward +Z, exact pi; x = 0 handled by the callers.
LD HeadingNonVertical(float x, float z) {
  if (x > 0) return ArcTan2(z, std::fabs(x));
  if (z >= 0) return kPi - ArcTan2(z, std::fabs(x));
  return -kPi - ArcTan2(z, std::fabs(x));
}
}  // namespace

int32_t TruncToInt(float X) { return SaturateIntegral(std::trunc(LD(X))); }
int32_t TruncExtended(long double X) { return SaturateIntegral(std::trunc(X)); }
int32_t RoundToInt(long double X) { return SaturateIntegral(std::nearbyint(X)); }

int32_t HashRandom(int32_t Seed, int32_t N) {
  const LD s = Seed;
  const LD x = s * (kHashK * s);
  const LD frac = x - std::trunc(x);
  return TruncExtended(frac * N);
}

long double ArcTan2(float Y, float X) { return std::atan2(LD(Y), LD(X)); }

float ArcCos(float X) {
  float t = F(1.0L - LD(X) * X);
  if (t < 0) t = 0;
  return F(ArcTan2(F(std::sqrt(LD(t))), X));
}

float ArcSin(float X) {
  float t = F(1.0L - LD(X) * X);
  if (t < 0) t = 0;
  return F(ArcTan2(X, F(std::sqrt(LD(t)))));
}

long double Tan(float X) { return std::tan(LD(X)); }

void SinCos(float& S, float& C, float A) {
  const LD a = A;
  S = F(std::sin(a));
  C = F(std::cos(a));
}

float Power(float Base, float Exponent) { return F(std::exp(LD(Exponent) * std::log(LD(Base)))); }

void Smooth2(float& A, float& B, float X) {
  A = F(0.75L * A + 0.25L * X);
  B = F(0.75L * B + 0.25L * A);
}

bool RangesOverlap(const float (&R)[4]) { return R[0] > R[3] && R[1] < R[2]; }

void MakeVector(TVector& V, float X, float Y, float Z) { V = {X, Y, Z}; }

void VecAdd(const TVector& A, const TVector& B, TVector& Out) { Out = {A.x + B.x, A.y + B.y, A.z + B.z}; }

void VecSub(const TVector& A, const TVector& B, TVector& Out) { Out = {A.x - B.x, A.y - B.y, A.z - B.z}; }

void VecSubXZ(const TVector& A, const TVector& B, TVector& Out) { Out = {A.x - B.x, 0.0f, A.z - B.z}; }

void VecScale(const TVector& V, TVector& Out, float F) { Out = {V.x * F, V.y * F, V.z * F}; }

void VecScaleSelf(TVector& V, float F) { VecScale(V, V, F); }

void VecNegate(const TVector& V, TVector& Out) { Out = {-V.x, -V.y, -V.z}; }

void VecMidpoint(const TVector& A, const TVector& B, TVector& Out) {
  Out = {F((LD(A.x) + B.x) / 2), F((LD(A.y) + B.y) / 2), F((LD(A.z) + B.z) / 2)};
}

float VecDot(const TVector& A, const TVector& B) { return F(LD(A.x) * B.x + LD(A.y) * B.y + LD(A.z) * B.z); }

float VecDotXZ(const TVector& A, const TVector& B) { return F(LD(A.x) * B.x + LD(A.z) * B.z); }

void VecCross(const TVector& A, const TVector& B, TVector& Out) {
  Out = {F(LD(A.y) * B.z - LD(A.z) * B.y), F(LD(A.z) * B.x - LD(A.x) * B.z), F(LD(A.x) * B.y - LD(A.y) * B.x)};
}

long double VecLength(const TVector& V) { return std::sqrt(LD(V.x) * V.x + LD(V.y) * V.y + LD(V.z) * V.z); }

long double VecLengthXZ(const TVector& V) { return std::sqrt(SqrXZ(V)); }

long double VecDistance(const TVector& A, const TVector& B) {
  const LD dx = LD(A.x) - B.x, dy = LD(A.y) - B.y, dz = LD(A.z) - B.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

float VecDistanceXZ(const TVector& A, const TVector& B) {
  const LD dx = LD(A.x) - B.x, dz = LD(A.z) - B.z;
  return F(std::sqrt(dx * dx + dz * dz));
}

void NormalizeTo(const TVector& V, TVector& Out) {
  const float len = F(VecLength(V));
  if (len == 0) {
    Out = V;
    return;
  }
  VecScale(V, Out, F(1.0L / len));
}

void Normalize(TVector& V) { NormalizeTo(V, V); }

void TriangleNormal(const TVector& A, const TVector& B, const TVector& C, TVector& N) {
  TVector e1, e2, n;
  VecSub(B, A, e1);
  VecSub(C, A, e2);
  VecCross(e1, e2, n);
  VecScale(n, N, F(1.0L / VecLength(n)));
}

void OffsetByAngle(const TVector& P, TVector& Out, float Angle, float R) {
  const LD a = Angle;
  Out = {F(P.x - std::sin(a) * R), P.y, F(P.z - std::cos(a) * R)};
}

float PointLineDistance(const TVector& P0, const TVector& Dir, const TVector& P) {
  const float dd = VecDot(Dir, Dir);
  if (dd == 0) return F(VecDistance(P0, P));
  TVector w, q;
  VecSub(P, P0, w);
  const float t = F(LD(VecDot(w, Dir)) / dd);
  q = {F(P0.x + LD(t) * Dir.x), F(P0.y + LD(t) * Dir.y), F(P0.z + LD(t) * Dir.z)};
  return F(VecDistance(P, q));
}

float AngleBetween(const TVector& A, const TVector& B) {
  return ArcCos(F(LD(VecDot(A, B)) / (VecLength(B) * VecLength(A))));
}

float AngleBetweenXZ(const TVector& A, const TVector& B) {
  return ArcCos(F(LD(VecDotXZ(A, B)) / (VecLengthXZ(B) * VecLengthXZ(A))));
}

long double Heading(const TVector& V) {
  if (V.x == 0) return V.z > 0 ? kPi / 2 : -kPi / 2;
  return HeadingNonVertical(V.x, V.z);
}

float HeadingTo(const TVector& A, const TVector& B) {
  const float dx = A.x - B.x;
  const float dz = A.z - B.z;
  float h = F(std::atan(LD(dx) / LD(dz)));
  if (dz < 0) h = F(h + 3.1415L);
  if (h < 0) h = F(h + 6.283L);
  return h;
}

float HeadingDifference(const TVector& A, const TVector& B) {
  // As Heading, but straight along z the angle is pi/2 as a float.
  auto angle = [](const TVector& V) -> LD {
    if (V.x == 0) return V.z >= 0 ? 1.5707964f : -1.5707964f;
    return HeadingNonVertical(V.x, V.z);
  };
  LD d = angle(B) - angle(A);
  if (d > kPi)
    d -= 2 * kPi;
  else if (d < -kPi)
    d += 2 * kPi;
  return F(d);
}

long double Pitch(const TVector& V) { return ArcTan2(V.y, F(std::sqrt(SqrXZ(V)))); }

void RotateX(TVector& V, float CosA, float SinA) {
  const LD y = V.y, z = V.z;
  V.y = F(y * CosA - z * SinA);
  V.z = F(z * CosA + y * SinA);
}

void RotateY(TVector& V, float CosA, float SinA) {
  const LD x = V.x, z = V.z;
  V.x = F(x * CosA + z * SinA);
  V.z = F(z * CosA - x * SinA);
}

void RotateYInverse(TVector& V, float CosA, float SinA) {
  const LD x = V.x, z = V.z;
  V.x = F(x * CosA - z * SinA);
  V.z = F(z * CosA + x * SinA);
}

void RotateZ(TVector& V, float CosA, float SinA) {
  const LD x = V.x, y = V.y;
  V.x = F(x * CosA - y * SinA);
  V.y = F(y * CosA + x * SinA);
}

namespace {
struct BezierWeights {
  float w0, w1, w2, w3;
};

BezierWeights Weights(float T) {
  const LD t = T;
  const LD u = 1.0L - t;
  return {F(u * u * u), F(3.0L * u * u * t), F(3.0L * u * t * t), F(t * t * t)};
}

float Blend(const BezierWeights& w, float a, float b, float c, float d) {
  return F(LD(a) * w.w0 + LD(b) * w.w1 + LD(c) * w.w2 + LD(d) * w.w3);
}
}  // namespace

void BezierPoint(const TVector& P0, const TVector& P1, const TVector& P2, const TVector& P3, float T,
                 TVector& Out) {
  const BezierWeights w = Weights(T);
  Out = {Blend(w, P0.x, P1.x, P2.x, P3.x), Blend(w, P0.y, P1.y, P2.y, P3.y), Blend(w, P0.z, P1.z, P2.z, P3.z)};
}

void BezierPointXZ(const TVector& P0, const TVector& P1, const TVector& P2, const TVector& P3, float T,
                   TVector& Out) {
  const BezierWeights w = Weights(T);
  Out = {Blend(w, P0.x, P1.x, P2.x, P3.x), 0.0f, Blend(w, P0.z, P1.z, P2.z, P3.z)};
}

bool RayTriangleIntersect(const TVector& A, const TVector& B, const TVector& C, const TVector& Origin,
                          const TVector& Target, bool Triangle) {
  TVector e1, e2, d, w;
  VecSub(B, A, e1);
  VecSub(C, A, e2);
  VecSub(Origin, Target, d);
  VecSub(Origin, A, w);
  if (d.y == 0) d.y = 1e-5f;

  const LD p = LD(e1.y) * d.x - LD(e1.x) * d.y;
  const LD q = LD(e2.z) * d.y - LD(e2.y) * d.z;
  const LD r = LD(e1.z) * d.y - LD(e1.y) * d.z;
  const LD s = LD(e2.y) * d.x - LD(e2.x) * d.y;
  const LD det = p * q - r * s;
  if (det == 0) return false;

  const LD f = LD(w.y) * d.x - LD(w.x) * d.y;
  const LD g = LD(w.z) * d.y - LD(w.y) * d.z;
  const LD u = (f * q - g * s) / det;
  const LD v = (g * p - f * r) / det;
  if (u < 0 || v < 0) return false;
  if (Triangle) {
    if (u + v > 1) return false;
  } else if (u > 1 || v > 1) {
    return false;
  }

  const TVector h = {F(A.x + u * e1.x + v * e2.x), F(A.y + u * e1.y + v * e2.y), F(A.z + u * e1.z + v * e2.z)};
  if (d.x != 0) {
    // The point lies behind the origin when it is not on the target's side in x.
    if ((LD(Origin.x) - h.x) * d.x < 0) return false;
  } else {
    // A ray without an x component: the whole direction decides.
    const LD along = (LD(Origin.x) - h.x) * d.x + (LD(Origin.y) - h.y) * d.y + (LD(Origin.z) - h.z) * d.z;
    if (along < 0) return false;
  }
  RayHitPoint = h;
  RayHitDistance = F(VecDistance(Origin, h));
  return true;
}

void LineSphereHits(const TVector& Centre, const TVector& P0, const TVector& P1, float R, TLineHits& Hits) {
  TVector d, u, w;
  VecSub(P1, P0, d);
  const LD len = VecLength(d);
  u = {F(d.x / len), F(d.y / len), F(d.z / len)};
  VecSub(Centre, P0, w);
  const float b = VecDot(w, u);
  const LD disc = LD(b) * b - (LD(w.x) * w.x + LD(w.y) * w.y + LD(w.z) * w.z) + LD(R) * R;
  Hits.Count = 0;
  if (!(disc >= 0)) return;
  const LD s = std::sqrt(disc);
  const LD ts[2] = {b + s, b - s};
  for (const LD t : ts) {
    if (t < -0.01L || t > len + 0.01L) continue;
    const TVector pt = {F(P0.x + u.x * t), F(P0.y + u.y * t), F(P0.z + u.z * t)};
    const float param = F(t / (len + 0.01L));
    if (Hits.Count == 0) {
      Hits.Point1 = pt;
      Hits.Param1 = param;
    } else {
      Hits.Point2 = pt;
      Hits.Param2 = param;
    }
    ++Hits.Count;
  }
}

void LineCircleHitsXZ(const TVector& Centre, const TVector& P0, const TVector& P1, float R, TLineHits& Hits) {
  TVector d;
  VecSub(P1, P0, d);
  const LD wx = LD(P0.x) - Centre.x, wz = LD(P0.z) - Centre.z;
  const LD a = SqrXZ(d);
  const LD p = 2 * (d.x * wx + d.z * wz) / a;
  const LD q = (wx * wx + wz * wz - LD(R) * R) / a;
  const LD disc = (p / 2) * (p / 2) - q;
  Hits.Count = 0;
  if (!(disc >= 0)) return;
  const LD s = std::sqrt(disc);
  const LD ts[2] = {s - p / 2, -p / 2 - s};
  for (const LD t : ts) {
    if (t < 0 || t > 1) continue;
    const TVector pt = {F(P0.x + d.x * t), F(P0.y + d.y * t), F(P0.z + d.z * t)};
    if (Hits.Count == 0) {
      Hits.Point1 = pt;
      Hits.Param1 = F(t);
    } else {
      Hits.Point2 = pt;
      Hits.Param2 = F(t);
    }
    ++Hits.Count;
  }
}

uint8_t SegmentIntersectXZ(const TVector& A1, const TVector& A2, const TVector& B1, const TVector& B2,
                           TVector& P, float& TA, float& TB) {
  TVector da, db;
  VecSubXZ(A2, A1, da);
  VecSubXZ(B2, B1, db);
  const LD det = LD(db.z) * da.x - LD(db.x) * da.z;
  if (det == 0) return 2;
  const float ta = F(((LD(A1.z) - B1.z) * db.x - (LD(A1.x) - B1.x) * db.z) / det);
  const float tb = F(((LD(B1.z) - A1.z) * da.x - (LD(B1.x) - A1.x) * da.z) / -det);
  TA = ta;
  TB = tb;
  P = {F(A1.x + LD(ta) * da.x), 0.0f, F(A1.z + LD(ta) * da.z)};
  return (ta >= 0 && ta <= 1 && tb >= 0 && tb <= 1) ? 0 : 1;
}

bool LineIntersectXZ(const TVector& A1, const TVector& A2, const TVector& B1, const TVector& B2, TVector& P) {
  TVector da, db;
  VecSubXZ(A2, A1, da);
  VecSubXZ(B2, B1, db);
  const LD det = LD(db.z) * da.x - LD(db.x) * da.z;
  if (det == 0) return false;
  const float ta = F(((LD(A1.z) - B1.z) * db.x - (LD(A1.x) - B1.x) * db.z) / det);
  P = {F(A1.x + LD(ta) * da.x), 0.0f, F(A1.z + LD(ta) * da.z)};
  return true;
}

namespace {
TVector CentreXZ(const TVector (&Q)[4]) {
  return {F((LD(Q[0].x) + Q[1].x + Q[2].x + Q[3].x) / 4), 0.0f, F((LD(Q[0].z) + Q[1].z + Q[2].z + Q[3].z) / 4)};
}

float PerimeterXZ(const TVector (&Q)[4]) {
  LD sum = 0;
  for (int i = 0; i < 4; ++i) sum += VecDistanceXZ(Q[i], Q[(i + 1) % 4]);
  return F(sum);
}

bool SegmentCrossesEdge(const TVector& S1, const TVector& S2, const TVector (&Q)[4]) {
  for (int j = 0; j < 4; ++j) {
    TVector p;
    float ta, tb;
    if (SegmentIntersectXZ(S1, S2, Q[j], Q[(j + 1) % 4], p, ta, tb) == 0) return true;
  }
  return false;
}
}  // namespace

bool QuadsOverlap(const TVector (&A)[4], const TVector (&B)[4]) {
  const TVector ca = CentreXZ(A);
  const TVector cb = CentreXZ(B);
  // Each quad's reach from its mean is its farthest corner: a quad whose first corner lies nearer
  // its mean than the others (a curved piece's inner corner) must not be passed over.
  const auto reach = [](const TVector (&Q)[4], const TVector& c) {
    float r = 0.0f;
    for (const TVector& corner : Q) r = std::max(r, VecDistanceXZ(corner, c));
    return r;
  };
  const float ra = reach(A, ca);
  const float rb = reach(B, cb);
  if (LD(ra) + rb < VecDistanceXZ(ca, cb)) return false;
  for (int i = 0; i < 4; ++i) {
    if (SegmentCrossesEdge(A[i], A[(i + 1) % 4], B)) return true;
  }
  // No edges cross: one quad lies inside the other or they lie apart. The smaller one is inside
  // when the line between the centres leaves the larger one nowhere.
  if (PerimeterXZ(A) <= PerimeterXZ(B)) return !SegmentCrossesEdge(ca, cb, B);
  return !SegmentCrossesEdge(ca, cb, A);
}
