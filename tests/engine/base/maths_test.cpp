#include "engine/base/maths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TVector V(float x, float y, float z) { return {x, y, z}; }

void ExpectVec(const TVector& v, float x, float y, float z, float tol = 0.0f) {
  if (tol == 0.0f) {
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
  } else {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
  }
}

// ---- Scalars

TEST(LibMathHashRandom, MatchesTheFormulaInExtendedPrecision) {
  // Expected values worked out with exact rational arithmetic rounded to 64-bit significands.
  struct Case {
    int32_t seed, n, expected;
  };
  const Case cases[] = {
      {1, 100, 19},          {1000000, 1000, 676},      {325, 5, 3},
      {0, 7, 0},             {-17, 1000, 225},          {123456789, 100000, 75000},
      {2147483647, 1000, 0}, {-2147483647 - 1, 1000, 0}, {42, -10, -1},
      {7, 1, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HashRandom(c.seed, c.n), c.expected) << c.seed << ", " << c.n;
  }
}

TEST(LibMathHashRandom, StaysWithinZeroToNMinusOne) {
  for (int32_t seed = -500; seed <= 500; ++seed) {
    const int32_t r = HashRandom(seed, 5);
    EXPECT_GE(r, 0);
    EXPECT_LE(r, 4);
    EXPECT_EQ(r, HashRandom(seed, 5));
    EXPECT_EQ(HashRandom(0, seed), 0);
  }
}

TEST(LibMathConversions, TruncAndRoundSaturateAndMapNaNToZero) {
  struct Case {
    long double x;
    int32_t trunc, round;
  };
  const int32_t kMax = std::numeric_limits<int32_t>::max();
  const int32_t kMin = std::numeric_limits<int32_t>::min();
  const Case cases[] = {
      {2.7L, 2, 3},    {-2.7L, -2, -3},  {2.5L, 2, 2},       {3.5L, 3, 4},      {-2.5L, -2, -2},
      {0.5L, 0, 0},    {1.5L, 1, 2},     {-0.0L, 0, 0},      {1e10L, kMax, kMax}, {-1e10L, kMin, kMin},
      {kInf, kMax, kMax}, {-kInf, kMin, kMin}, {kNaN, 0, 0},
      {2147483647.0L, kMax, kMax}, {2147483647.5L, kMax, kMax}, {-2147483648.0L, kMin, kMin},
      {-2147483648.9L, kMin, kMin},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TruncExtended(c.x), c.trunc) << static_cast<double>(c.x);
    EXPECT_EQ(RoundToInt(c.x), c.round) << static_cast<double>(c.x);
  }
  EXPECT_EQ(TruncToInt(-3.99f), -3);
  EXPECT_EQ(TruncToInt(3.99f), 3);
  EXPECT_EQ(TruncToInt(kNaN), 0);
  EXPECT_EQ(TruncToInt(3e9f), kMax);
  EXPECT_EQ(TruncToInt(-kInf), kMin);
}

TEST(LibMathScalars, ArcCosAndArcSinClampJustBeyondOne) {
  EXPECT_EQ(ArcCos(1.0000001f), 0.0f);
  EXPECT_EQ(ArcCos(-1.0000001f), static_cast<float>(kPiL));
  EXPECT_EQ(ArcCos(0.0f), static_cast<float>(kPiL / 2));
  EXPECT_NEAR(ArcCos(0.5f), 1.0471976f, 1e-6f);
  EXPECT_EQ(ArcSin(1.0f), static_cast<float>(kPiL / 2));
  EXPECT_EQ(ArcSin(-1.0000001f), static_cast<float>(-kPiL / 2));
  EXPECT_NEAR(ArcSin(0.5f), 0.5235988f, 1e-6f);
  EXPECT_EQ(ArcTan2(0.0f, -1.0f), kPiL);
  EXPECT_EQ(ArcTan2(0.0f, 0.0f), 0.0L);
}

TEST(LibMathScalars, PowerSmoothTanSinCosAndRanges) {
  EXPECT_EQ(Power(2.0f, 10.0f), 1024.0f);
  EXPECT_EQ(Power(0.0f, 2.0f), 0.0f);
  EXPECT_TRUE(std::isnan(Power(-2.0f, 2.0f)));
  EXPECT_NEAR(Power(9.0f, 0.5f), 3.0f, 1e-6f);

  float a = 0.0f, b = 0.0f;
  Smooth2(a, b, 4.0f);
  EXPECT_EQ(a, 1.0f);
  EXPECT_EQ(b, 0.25f);  // B follows the new A
  Smooth2(a, b, 4.0f);
  EXPECT_EQ(a, 1.75f);
  EXPECT_EQ(b, 0.625f);

  EXPECT_NEAR(static_cast<double>(Tan(0.7853982f)), 1.0, 1e-6);
  float s = 0, c = 0;
  SinCos(s, c, static_cast<float>(kPiL / 6));
  EXPECT_NEAR(s, 0.5f, 1e-7f);
  EXPECT_NEAR(c, 0.8660254f, 1e-7f);

  const float overlap[4] = {10, 0, 5, 2};
  const float apart[4] = {10, 0, 0, 2};
  const float above[4] = {10, 6, 20, 12};  // first interval 6..10 below the second 12..20
  EXPECT_TRUE(RangesOverlap(overlap));
  EXPECT_FALSE(RangesOverlap(apart));
  EXPECT_FALSE(RangesOverlap(above));
}

// ---- Vector arithmetic

TEST(LibMathVectors, ArithmeticDotCrossAndLengths) {
  TVector out;
  VecAdd(V(1, 2, 3), V(10, 20, 30), out);
  ExpectVec(out, 11, 22, 33);
  VecSub(V(1, 2, 3), V(10, 20, 30), out);
  ExpectVec(out, -9, -18, -27);
  VecSubXZ(V(1, 2, 3), V(10, 20, 30), out);
  ExpectVec(out, -9, 0, -27);
  VecScale(V(1, -2, 3), out, 2.5f);
  ExpectVec(out, 2.5f, -5, 7.5f);
  VecNegate(V(1, -2, 0), out);
  ExpectVec(out, -1, 2, -0.0f);
  VecMidpoint(V(1, 2, 3), V(2, 4, 8), out);
  ExpectVec(out, 1.5f, 3, 5.5f);
  TVector self = V(1, 2, 3);
  VecScaleSelf(self, -2);
  ExpectVec(self, -2, -4, -6);
  MakeVector(self, 7, 8, 9);
  ExpectVec(self, 7, 8, 9);

  EXPECT_EQ(VecDot(V(1, 2, 3), V(4, -5, 6)), 12.0f);
  EXPECT_EQ(VecDotXZ(V(1, 2, 3), V(4, -5, 6)), 22.0f);
  EXPECT_EQ(VecLength(V(3, 4, 12)), 13.0L);
  EXPECT_EQ(VecLengthXZ(V(3, 100, 4)), 5.0L);
  EXPECT_EQ(VecDistance(V(1, 1, 1), V(4, 5, 13)), 13.0L);
  EXPECT_EQ(VecDistanceXZ(V(1, -50, 1), V(4, 50, 5)), 5.0f);

  VecCross(V(1, 0, 0), V(0, 1, 0), out);
  ExpectVec(out, 0, 0, 1);
  VecCross(V(0, 0, 1), V(1, 0, 0), out);
  ExpectVec(out, 0, 1, 0);
  // The output may be one of the inputs.
  TVector a = V(1, 2, 3);
  VecCross(a, V(4, 5, 6), a);
  ExpectVec(a, -3, 6, -3);
}

TEST(LibMathVectors, NormalizeLeavesZeroAndScalesByTheFloatReciprocal) {
  TVector out = V(9, 9, 9);
  NormalizeTo(V(3, 0, 4), out);
  ExpectVec(out, 0.6f, 0, 0.8f);
  TVector zero = V(0, 0, 0);
  Normalize(zero);
  ExpectVec(zero, 0, 0, 0);
  NormalizeTo(zero, out);
  ExpectVec(out, 0, 0, 0);
  TVector v = V(0, -7, 0);
  Normalize(v);
  ExpectVec(v, 0, -1, 0);
  // |(1,1,1)| = 1.7320508 as a float, its reciprocal 0.57735026 as a float.
  TVector d = V(1, 1, 1);
  Normalize(d);
  const float inv = static_cast<float>(1.0L / static_cast<float>(std::sqrt(3.0L)));
  ExpectVec(d, inv, inv, inv);
}

TEST(LibMathVectors, TriangleNormalPointsAlongTheCrossProduct) {
  TVector n;
  TriangleNormal(V(0, 0, 0), V(0, 0, 3), V(3, 0, 0), n);
  ExpectVec(n, 0, 1, 0);
  TriangleNormal(V(0, 0, 0), V(3, 0, 0), V(0, 0, 3), n);
  ExpectVec(n, 0, -1, 0);
  TriangleNormal(V(1, 1, 1), V(1, 1, 1), V(1, 1, 1), n);  // degenerate: not a number
  EXPECT_TRUE(std::isnan(n.x));
}

TEST(LibMathVectors, OffsetPointLineDistanceAndAngles) {
  TVector out;
  OffsetByAngle(V(10, 5, 20), out, 0.0f, 2.0f);
  ExpectVec(out, 10, 5, 18);
  OffsetByAngle(V(10, 5, 20), out, static_cast<float>(kPiL / 2), 2.0f);
  ExpectVec(out, 8, 5, 20, 1e-5f);

  EXPECT_EQ(PointLineDistance(V(0, 0, 0), V(2, 0, 0), V(5, 3, 4)), 5.0f);
  EXPECT_EQ(PointLineDistance(V(1, 1, 1), V(0, 0, 0), V(4, 5, 1)), 5.0f);
  EXPECT_NEAR(PointLineDistance(V(0, 0, 0), V(1, 1, 0), V(0, 2, 0)), std::sqrt(2.0f), 1e-6f);

  EXPECT_EQ(AngleBetween(V(1, 0, 0), V(0, 5, 0)), static_cast<float>(kPiL / 2));
  EXPECT_EQ(AngleBetween(V(2, 0, 0), V(-1, 0, 0)), static_cast<float>(kPiL));
  EXPECT_EQ(AngleBetween(V(1, 1, 0), V(2, 2, 0)), 0.0f);
  EXPECT_EQ(AngleBetweenXZ(V(1, 5, 0), V(0, -3, 1)), static_cast<float>(kPiL / 2));
  EXPECT_NEAR(AngleBetweenXZ(V(1, 9, 0), V(1, -4, 1)), 0.7853982f, 1e-6f);
}

TEST(LibMathVectors, RotationsReadBothOldCoordinates) {
  // cos 90 = 0, sin 90 = 1; a vector with both changed coordinates set shows a half-updated rotation.
  struct Case {
    void (*rotate)(TVector&, float, float);
    TVector in, out;
  };
  const Case cases[] = {
      {RotateX, {5, 1, 2}, {5, -2, 1}},
      {RotateY, {1, 5, 2}, {2, 5, -1}},
      {RotateYInverse, {1, 5, 2}, {-2, 5, 1}},
      {RotateZ, {1, 2, 5}, {-2, 1, 5}},
  };
  for (const Case& c : cases) {
    TVector v = c.in;
    c.rotate(v, 0.0f, 1.0f);
    ExpectVec(v, c.out.x, c.out.y, c.out.z);
  }
  // A full turn by a placement angle in degrees comes back to the start.
  float s = 0, co = 0;
  SinCos(s, co, 30.0f * kDegToRad);
  TVector v = V(1, 0, 0);
  for (int i = 0; i < 12; ++i) RotateY(v, co, s);
  ExpectVec(v, 1, 0, 0, 1e-5f);
}

TEST(LibMathVectors, BezierPointsRunFromFirstToLastControlPoint) {
  const TVector p0 = V(0, 0, 0), p1 = V(1, 2, 0), p2 = V(3, 2, 1), p3 = V(4, 0, 8);
  TVector out;
  BezierPoint(p0, p1, p2, p3, 0.0f, out);
  ExpectVec(out, 0, 0, 0);
  BezierPoint(p0, p1, p2, p3, 1.0f, out);
  ExpectVec(out, 4, 0, 8);
  BezierPoint(p0, p1, p2, p3, 0.5f, out);  // (P0 + 3 P1 + 3 P2 + P3) / 8
  ExpectVec(out, 2, 1.5f, 1.375f);
  BezierPointXZ(p0, p1, p2, p3, 0.5f, out);
  ExpectVec(out, 2, 0, 1.375f);
}

// ---- Headings

TEST(LibMathHeading, MeasuresFromPlusXTowardPlusZWithExactPi) {
  struct Case {
    TVector v;
    long double expected;
  };
  const Case cases[] = {
      {{1, 0, 0}, 0.0L},          {{0, 0, 1}, kPiL / 2},       {{-1, 0, 0}, kPiL},
      {{0, 0, -1}, -kPiL / 2},    {{0, 0, 0}, -kPiL / 2},      {{0, 7, 0}, -kPiL / 2},
      {{1, 0, 1}, kPiL / 4},      {{-1, 0, 1}, 3 * kPiL / 4},  {{-1, 0, -1}, -3 * kPiL / 4},
      {{1, 0, -1}, -kPiL / 4},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(static_cast<double>(Heading(c.v)), static_cast<double>(c.expected), 1e-15)
        << c.v.x << "," << c.v.z;
  }
  EXPECT_EQ(Heading(V(-1, 0, 0)), kPiL);
  EXPECT_EQ(Heading(V(0, 0, 1)), kPiL / 2);
}

TEST(LibMathHeading, HeadingToMeasuresFromPlusZTowardPlusXWithRoughPi) {
  const TVector origin = V(0, 0, 0);
  EXPECT_EQ(HeadingTo(V(0, 0, 1), origin), 0.0f);
  EXPECT_EQ(HeadingTo(V(1, 0, 0), origin), static_cast<float>(kPiL / 2));
  EXPECT_EQ(HeadingTo(V(0, 0, -1), origin), static_cast<float>(3.1415L));
  EXPECT_EQ(HeadingTo(V(-1, 0, 0), origin), static_cast<float>(static_cast<float>(-kPiL / 2) + 6.283L));
  EXPECT_EQ(HeadingTo(V(-1, 0, 1), origin), static_cast<float>(static_cast<float>(-kPiL / 4) + 6.283L));
  // Relative to B, ignoring y.
  EXPECT_EQ(HeadingTo(V(5, 100, 6), V(4, -3, 6)), static_cast<float>(kPiL / 2));
  const float h = HeadingTo(V(1, 0, -1), origin);  // arctan(-1) + 3.1415
  EXPECT_EQ(h, static_cast<float>(static_cast<float>(-kPiL / 4) + 3.1415L));
}

TEST(LibMathHeading, HeadingDifferenceWrapsIntoMinusPiToPi) {
  EXPECT_EQ(HeadingDifference(V(1, 0, 0), V(0, 0, 1)), 1.5707964f);
  EXPECT_EQ(HeadingDifference(V(0, 0, 1), V(1, 0, 0)), -1.5707964f);
  // x = 0 takes pi/2 as a float, so this turn of twice that lies just beyond pi and wraps.
  EXPECT_EQ(HeadingDifference(V(0, 0, -1), V(0, 0, 0)), static_cast<float>(2.0L * 1.5707964f - 2 * kPiL));
  const float wrap = HeadingDifference(V(-1, 0, 0.1f), V(-1, 0, -0.1f));
  EXPECT_GT(wrap, 0.0f);
  EXPECT_NEAR(wrap, 2 * std::atan(0.1f), 1e-6f);
  EXPECT_NEAR(HeadingDifference(V(-1, 0, -0.1f), V(-1, 0, 0.1f)), -2 * std::atan(0.1f), 1e-6f);
  // Exactly +-pi stays as it is.
  EXPECT_EQ(HeadingDifference(V(1, 0, 0), V(-1, 0, 0)), static_cast<float>(kPiL));
  EXPECT_EQ(HeadingDifference(V(-1, 0, 0), V(1, 0, 0)), static_cast<float>(-kPiL));
}

TEST(LibMathHeading, PitchOfVerticalAndZeroVectors) {
  EXPECT_EQ(Pitch(V(0, 5, 0)), kPiL / 2);
  EXPECT_EQ(Pitch(V(0, -2, 0)), -kPiL / 2);
  EXPECT_EQ(Pitch(V(0, 0, 0)), 0.0L);
  EXPECT_NEAR(static_cast<double>(Pitch(V(3, 5, 4))), std::atan2(5.0, 5.0), 1e-7);
}

// ---- Ray and triangle

class RayTriangle : public ::testing::Test {
 protected:
  void SetUp() override {
    RayHitPoint = kUnset;
    RayHitDistance = -1;
  }
  void ExpectUntouched() {
    ExpectVec(RayHitPoint, kUnset.x, kUnset.y, kUnset.z);
    EXPECT_EQ(RayHitDistance, -1);
  }
  static constexpr TVector kUnset = {-99, -99, -99};
  // A horizontal right triangle at height 0: A at the right angle, hypotenuse from B to C.
  const TVector a = {0, 0, 0}, b = {1, 0, 0}, c = {0, 0, 1};
};

TEST_F(RayTriangle, StraightDownHitsBelowTheOriginAtTheHeightDifference) {
  EXPECT_TRUE(RayTriangleIntersect(a, b, c, V(0.25f, 5, 0.25f), V(0.25f, -1, 0.25f), true));
  ExpectVec(RayHitPoint, 0.25f, 0, 0.25f);
  EXPECT_EQ(RayHitDistance, 5.0f);
}

TEST_F(RayTriangle, HypotenuseHitsAndBeyondItOnlyTheParallelogram) {
  EXPECT_TRUE(RayTriangleIntersect(a, b, c, V(0.5f, 5, 0.5f), V(0.5f, 0, 0.5f), true));  // u + v = 1
  ExpectVec(RayHitPoint, 0.5f, 0, 0.5f);
  SetUp();
  EXPECT_FALSE(RayTriangleIntersect(a, b, c, V(0.75f, 5, 0.5f), V(0.75f, 0, 0.5f), true));
  ExpectUntouched();
  EXPECT_TRUE(RayTriangleIntersect(a, b, c, V(0.75f, 5, 0.5f), V(0.75f, 0, 0.5f), false));
  ExpectVec(RayHitPoint, 0.75f, 0, 0.5f);
  SetUp();
  EXPECT_TRUE(RayTriangleIntersect(a, b, c, V(1, 5, 1), V(1, 0, 1), false));  // far corner
  SetUp();
  EXPECT_FALSE(RayTriangleIntersect(a, b, c, V(1.5f, 5, 0.5f), V(1.5f, 0, 0.5f), false));  // u > 1
  EXPECT_FALSE(RayTriangleIntersect(a, b, c, V(-0.25f, 5, 0.5f), V(-0.25f, 0, 0.5f), false));  // u < 0
  ExpectUntouched();
}

TEST_F(RayTriangle, SlantedRayHitsInFrontAndMissesBehindTheOrigin) {
  // Direction with an x component: the x test decides.
  EXPECT_TRUE(RayTriangleIntersect(a, b, c, V(0.1f, 1, 0.2f), V(0.6f, 0, 0.2f), true));
  ExpectVec(RayHitPoint, 0.6f, 0, 0.2f, 1e-6f);
  EXPECT_NEAR(RayHitDistance, std::sqrt(1.25f), 1e-6f);
  SetUp();
  EXPECT_FALSE(RayTriangleIntersect(a, b, c, V(0.1f, 1, 0.2f), V(-0.4f, 2, 0.2f), true));
  ExpectUntouched();
}

TEST_F(RayTriangle, RayWithoutXComponentMissesBehindTheOrigin) {
  // Straight up from above the triangle: the plane lies behind the origin.
  EXPECT_FALSE(RayTriangleIntersect(a, b, c, V(0.25f, 5, 0.25f), V(0.25f, 10, 0.25f), true));
  ExpectUntouched();
  // Slanted in y and z only, pointing away from the plane.
  EXPECT_FALSE(RayTriangleIntersect(a, b, c, V(0.25f, 1, 0.25f), V(0.25f, 2, 0.0f), true));
  ExpectUntouched();
  // The same line pointing toward the plane hits.
  EXPECT_TRUE(RayTriangleIntersect(a, b, c, V(0.25f, 1, 0.25f), V(0.25f, 0, 0.5f), true));
  ExpectVec(RayHitPoint, 0.25f, 0, 0.5f, 1e-6f);
}

TEST_F(RayTriangle, RayInTheTrianglesPlaneIsNoHit) {
  // Vertical triangle in the plane z = 0, ray along x inside that plane: determinant 0.
  EXPECT_FALSE(RayTriangleIntersect(V(0, 0, 0), V(1, 0, 0), V(0, 1, 0), V(-5, 0.2f, 0), V(5, 0.2f, 0), true));
  ExpectUntouched();
}

// ---- Lines, circles and spheres

TEST(LibMathLineHits, SphereHitsFarPointFirstWithinTheTolerance) {
  TLineHits h{};
  LineSphereHits(V(0, 0, 0), V(-2, 0, 0), V(2, 0, 0), 1.0f, h);
  ASSERT_EQ(h.Count, 2);
  ExpectVec(h.Point1, 1, 0, 0);
  ExpectVec(h.Point2, -1, 0, 0);
  EXPECT_EQ(h.Param1, static_cast<float>(3.0L / 4.01L));
  EXPECT_EQ(h.Param2, static_cast<float>(1.0L / 4.01L));

  LineSphereHits(V(0, 0, 0), V(0, 0, 0), V(2, 0, 0), 1.0f, h);  // starts inside: one hit ahead
  ASSERT_EQ(h.Count, 1);
  ExpectVec(h.Point1, 1, 0, 0);

  LineSphereHits(V(0, 0, 0), V(-2, 0, 0), V(0.995f, 0, 0), 1.0f, h);  // ends 0.005 short: still counts
  EXPECT_EQ(h.Count, 2);
  LineSphereHits(V(0, 0, 0), V(-2, 0, 0), V(0.98f, 0, 0), 1.0f, h);  // 0.02 short: only the near hit
  ASSERT_EQ(h.Count, 1);
  ExpectVec(h.Point1, -1, 0, 0);

  LineSphereHits(V(0, 0, 0), V(-2, 2, 0), V(2, 2, 0), 1.0f, h);
  EXPECT_EQ(h.Count, 0);
  LineSphereHits(V(0, 0, 0), V(1, 1, 1), V(1, 1, 1), 1.0f, h);  // no line at all
  EXPECT_EQ(h.Count, 0);
}

TEST(LibMathLineHits, CircleHitsIgnoreHeightButInterpolateIt) {
  TLineHits h{};
  LineCircleHitsXZ(V(0, 50, 0), V(-2, 0, 0), V(2, 4, 0), 1.0f, h);
  ASSERT_EQ(h.Count, 2);
  EXPECT_EQ(h.Param1, 0.75f);
  EXPECT_EQ(h.Param2, 0.25f);
  ExpectVec(h.Point1, 1, 3, 0);
  ExpectVec(h.Point2, -1, 1, 0);

  LineCircleHitsXZ(V(0, 0, 0), V(-2, 0, 0), V(-1.5f, 0, 0), 1.0f, h);  // both beyond the end
  EXPECT_EQ(h.Count, 0);
  LineCircleHitsXZ(V(0, 0, 0), V(0, 0, 0), V(0, 0, 2), 1.0f, h);  // from the centre
  ASSERT_EQ(h.Count, 1);
  EXPECT_EQ(h.Param1, 0.5f);
  ExpectVec(h.Point1, 0, 0, 1);
  LineCircleHitsXZ(V(0, 0, 0), V(-2, 0, 3), V(2, 0, 3), 1.0f, h);
  EXPECT_EQ(h.Count, 0);
}

// ---- Segments and quads

TEST(LibMathSegments, CrossingTouchingOutsideAndParallel) {
  TVector p;
  float ta = 0, tb = 0;
  EXPECT_EQ(SegmentIntersectXZ(V(0, 0, 0), V(2, 0, 0), V(1, 7, -1), V(1, 7, 1), p, ta, tb), 0);
  EXPECT_EQ(ta, 0.5f);
  EXPECT_EQ(tb, 0.5f);
  ExpectVec(p, 1, 0, 0);

  // Touching at an end point counts as crossing.
  EXPECT_EQ(SegmentIntersectXZ(V(0, 0, 0), V(1, 0, 0), V(1, 0, 0), V(1, 0, 1), p, ta, tb), 0);
  EXPECT_EQ(ta, 1.0f);
  EXPECT_EQ(tb, 0.0f);
  ExpectVec(p, 1, 0, 0);

  // The lines cross beyond the end of A.
  EXPECT_EQ(SegmentIntersectXZ(V(0, 0, 0), V(1, 0, 0), V(3, 0, -1), V(3, 0, 1), p, ta, tb), 1);
  EXPECT_EQ(ta, 3.0f);
  EXPECT_EQ(tb, 0.5f);
  ExpectVec(p, 3, 0, 0);

  // Parallel: P, TA and TB stay as they were.
  p = V(-9, -9, -9);
  ta = -7;
  tb = -8;
  EXPECT_EQ(SegmentIntersectXZ(V(0, 0, 0), V(1, 0, 1), V(0, 0, 1), V(2, 5, 3), p, ta, tb), 2);
  ExpectVec(p, -9, -9, -9);
  EXPECT_EQ(ta, -7);
  EXPECT_EQ(tb, -8);
  // Collinear overlapping segments are parallel too.
  EXPECT_EQ(SegmentIntersectXZ(V(0, 0, 0), V(2, 0, 0), V(1, 0, 0), V(3, 0, 0), p, ta, tb), 2);
}

TEST(LibMathSegments, LineIntersectionIgnoresTheSegmentEnds) {
  TVector p = V(-9, -9, -9);
  EXPECT_FALSE(LineIntersectXZ(V(0, 0, 0), V(1, 0, 1), V(0, 0, 1), V(1, 0, 2), p));
  ExpectVec(p, -9, -9, -9);
  EXPECT_TRUE(LineIntersectXZ(V(0, 4, 0), V(1, 4, 0), V(3, 4, -1), V(3, 4, 1), p));
  ExpectVec(p, 3, 0, 0);
}

TEST(LibMathQuads, OverlapByCrossingEdgesContainmentAndDistance) {
  auto square = [](float x0, float z0, float size) {
    struct Q {
      TVector c[4];
    } q{{{x0, 0, z0}, {x0 + size, 0, z0}, {x0 + size, 0, z0 + size}, {x0, 0, z0 + size}}};
    return q;
  };
  const auto unit = square(0, 0, 1);
  EXPECT_TRUE(QuadsOverlap(unit.c, unit.c));
  EXPECT_FALSE(QuadsOverlap(unit.c, square(100, 100, 1).c));
  EXPECT_TRUE(QuadsOverlap(unit.c, square(0.5f, 0.5f, 1).c));    // edges cross
  EXPECT_FALSE(QuadsOverlap(unit.c, square(1.2f, 0, 1).c));      // near, not touching
  EXPECT_TRUE(QuadsOverlap(square(0.1f, 0.1f, 0.2f).c, square(0, 0, 1).c));  // small inside large
  EXPECT_TRUE(QuadsOverlap(square(0, 0, 1).c, square(0.1f, 0.1f, 0.2f).c));  // large around small
  EXPECT_TRUE(QuadsOverlap(square(0.4f, 0.4f, 0.2f).c, unit.c));             // same centre
  // A kite whose first corner lies at its mean's side: its far corner reaches into the square at
  // x 6..7, beyond the first corner's distance from the mean.
  const TVector kite[4] = {{0, 0, 0}, {1, 0, -0.5f}, {6.5f, 0, 0}, {1, 0, 0.5f}};
  EXPECT_TRUE(QuadsOverlap(kite, square(6, -0.5f, 1).c));
  EXPECT_TRUE(QuadsOverlap(square(6, -0.5f, 1).c, kite));
  // A small quad outside a large one, close enough for the distance test.
  EXPECT_FALSE(QuadsOverlap(square(1.1f, 0.4f, 0.2f).c, unit.c));
  EXPECT_FALSE(QuadsOverlap(unit.c, square(1.1f, 0.4f, 0.2f).c));
  // A rotated quad (diamond) around the unit square's corner.
  const TVector diamond[4] = {{1, 0, 0.5f}, {1.5f, 0, 1}, {1, 0, 1.5f}, {0.5f, 0, 1}};
  EXPECT_TRUE(QuadsOverlap(unit.c, diamond));
}

}  // namespace
