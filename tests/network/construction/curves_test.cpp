// Curve solving: the piece test, the solvers and their fallback order, heights, side vectors and
// the parallel set.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/base/maths.h"
#include "network/construction/connects.h"
#include "network/construction/curves.h"
#include "tests/network/construction/construction_fixture.h"

namespace {

using namespace construction_testing;

constexpr double kPi = 3.141592653589793;

class Curves : public ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();
    curve = NewCurveline();
    ResetConstruction(*curve);
  }
  TConstructResult Solve(uint8_t wt, const TMetaconnect& a, const TMetaconnect& b, uint8_t mode = 0) {
    plan = TCurvePlan{curve.get(), wt, a, b, mode};
    TConstructResult r;
    SolveCurve(plan, r);
    return r;
  }
  std::unique_ptr<TCurveline> curve;
  TCurvePlan plan{};
};

TEST(BendOK, RefusesADriftOfMoreThanTenUnitsAtAThirdOfTheLengthWhateverTheLimit) {
  const struct {
    float max, angle, len;
    bool ok;
  } cases[] = {{0.2f, 0.2f, 100, true},  {0.2f, 0.21f, 100, false}, {1.0f, 0.5f, 62, true},
               {1.0f, 0.5f, 63, false},  {3.0f, 0.0f, 1e6f, true}};
  for (const auto& c : cases) EXPECT_EQ(BendOK(c.max, c.angle, c.len), c.ok) << c.angle << " over " << c.len;
}

TEST(PieceTest, LengthAndBendLimitsOfRoadAndRail) {
  InitWayConstruction();
  const float deg = static_cast<float>(kPi / 180);
  struct Case {
    const char* name;
    uint8_t wt, variant;
    float len, startDeg, endDeg;  // the piece runs along +x; bends of the ends' directions
    bool startDir, endDir;
    TConstructResult result;
  };
  const Case cases[] = {
      {"road 550 passes", 0, 0, 550, 0, 0, false, false, Set({0})},
      {"road 551 too long", 0, 0, 551, 0, 0, false, false, Set({3})},
      {"rail 500 passes", 1, 0, 500, 0, 0, false, false, Set({0})},
      {"rail 501 too long", 1, 0, 501, 0, 0, false, false, Set({3})},
      {"road 60 passes", 0, 0, 60, 0, 0, false, false, Set({0})},
      {"road 59 too short", 0, 0, 59, 0, 0, false, false, Set({4})},
      {"rail 71 too short", 1, 0, 71, 0, 0, false, false, Set({4})},
      {"rail variant 1: 159 too short", 1, 1, 159, 0, 0, false, false, Set({4})},
      {"rail variant 2: 251 too long", 1, 2, 251, 0, 0, false, false, Set({3})},
      {"road variant 1: every length too long", 0, 1, 100, 0, 0, false, false, Set({3})},
      {"road variant 1: any bend too sharp", 0, 1, 100, 1, 0, true, false, Set({3, 5})},
      {"road start bend 11 degrees", 0, 0, 100, 11, 0, true, false, Set({0})},
      {"road start bend 13 degrees", 0, 0, 100, 13, 0, true, false, Set({5})},
      {"rail variant 1 start 11, end 11", 1, 1, 200, 11, 11, true, true, Set({5, 6})},
      {"rail end bend 13", 1, 0, 100, 0, 13, false, true, Set({6})},
      {"drift within the angle: 11 degrees over 500", 0, 0, 500, 11, 0, true, false, Set({5})},
      {"59 units and a bend: short first, bend too", 0, 0, 59, 13, 0, true, false, Set({4, 5})},
  };
  for (const Case& c : cases) {
    TMetaconnect from = Meta(c.wt, 1000, 1000), to = Meta(c.wt, 1000 + c.len, 1000);
    if (c.startDir) {
      from.HasDirection = 1;  // the way behind the start runs in at startDeg
      from.Direction = {-std::cos(c.startDeg * deg), 0, -std::sin(c.startDeg * deg)};
    }
    if (c.endDir) {
      to.HasDirection = 1;
      to.Direction = {std::cos(c.endDeg * deg), 0, std::sin(c.endDeg * deg)};
    }
    TConstructResult r;
    PieceTest(c.wt, from, to, c.variant, r);
    EXPECT_EQ(r, c.result) << c.name << ": " << r.Elements();
  }
  TConstructResult r;
  PieceTest(0, Meta(0, 5, 5), Meta(0, 5, 5), 0, r);
  EXPECT_EQ(r, Set({1}));
}

TEST_F(Curves, TheRailTestCurveIsOneArcOfFourPieces) {
  const TConstructResult r = Solve(1, Directed(1, 330, 680, 0.8f, 1.0f), Meta(1, 330, 300));
  EXPECT_EQ(r, Set({0}));
  ASSERT_EQ(curve->conzahl, 5);
  for (int k = 1; k <= 5; ++k) {
    const TVector& p = curve->Slots[k].Position;
    EXPECT_NEAR(std::hypot(p.x - 567.5, p.z - 490.0), 304.148, 0.01) << k;
    if (k < 5) {
      EXPECT_NEAR(VecDistanceXZ(p, curve->Slots[k + 1].Position), 102.125, 0.01) << k;
    }
  }
  // Side vectors are unit, level and square to the chain; the first one is square to A's way.
  for (int k = 1; k <= 5; ++k) {
    const TVector& s = curve->SideVectors[k];
    EXPECT_NEAR(std::hypot(s.x, s.z), 1.0, 1e-6);
    EXPECT_EQ(s.y, 0.0f);
  }
  EXPECT_NEAR(curve->SideVectors[1].x * -0.8 + curve->SideVectors[1].z * -1.0, 0.0, 1e-6);
}

TEST_F(Curves, AStraightAheadTargetHasNoArcAndFallsBackToTheStepSolver) {
  TMetaconnect slots[kCurveConnects + 1] = {};
  uint8_t count = 0;
  TConstructResult r;
  const TMetaconnect a = Directed(1, 1000, 1000, -1, 0), b = Meta(1, 1800, 1000);
  ArcCurve(1, false, false, a, b, slots, count, r);
  EXPECT_EQ(r, Set({1}));
  EXPECT_EQ(count, 2);
  EXPECT_EQ(slots[1].Position.x, 0.0f);  // untouched

  // 800 units are too long for one rail piece: the step solver lays two of 400.5.
  EXPECT_EQ(Solve(1, a, b), Set({0}));
  ASSERT_EQ(curve->conzahl, 3);
  EXPECT_FLOAT_EQ(curve->Slots[2].Position.x, 1400.5f);
  EXPECT_EQ(curve->Slots[3].Position.x, 1800.0f);
}

TEST_F(Curves, ATargetExactlyBehindHasNoArcCentre) {
  TMetaconnect slots[kCurveConnects + 1] = {};
  uint8_t count = 0;
  TConstructResult r;
  ArcCurve(1, false, false, Directed(1, 1000, 1000, 1, 0), Meta(1, 700, 1000), slots, count, r);
  EXPECT_EQ(r, Set({1}));
  EXPECT_EQ(count, 2);
}

TEST_F(Curves, ARotationByAPositiveStepIncreasesTheHeading) {
  // Travelling along +x with the target to the +z side: the arc turns towards +z.
  TMetaconnect slots[kCurveConnects + 1] = {};
  uint8_t count = 0;
  TConstructResult r;
  ArcCurve(1, false, false, Directed(1, 1000, 1000, -1, 0), Meta(1, 1300, 1300), slots, count, r);
  ASSERT_TRUE(r.Ok()) << r.Elements();
  const TVector first = {slots[2].Position.x - 1000, 0, slots[2].Position.z - 1000};
  EXPECT_GT(Heading(first), 0.0L);
  EXPECT_GT(slots[2].Position.z, 1000.0f);
}

TEST_F(Curves, BezierEndsWithTooShortAtTheMinimumLength) {
  // Two directed ends 100 apart whose bends need more pieces than 72-unit rail pieces allow.
  const TMetaconnect a = Directed(1, 1000, 1000, 0, -1), b = Directed(1, 1100, 1000, 0, -1);
  TConstructResult r;
  BezierCurve(1, a, b, *curve, r);
  EXPECT_EQ(r, Set({8}));
  // A gentle S over a long way solves with a few pieces.
  BezierCurve(1, Directed(1, 1000, 1000, -1, 0), Directed(1, 2500, 1150, 1, 0), *curve, r);
  EXPECT_EQ(r, Set({0}));
  EXPECT_GE(curve->conzahl, 3);
  EXPECT_EQ(curve->Slots[curve->conzahl].Position.x, 2500.0f);
}

TEST_F(Curves, TheStepSolverNeverPassesTwentyConnects) {
  // A road target 12,000 behind a directed start: turning round and 22 pieces of 550 do not fit.
  TConstructResult r;
  StepCurve(0, Directed(0, 50000, 5000, -1, 0), Meta(0, 38000, 5000), *curve, r);
  EXPECT_EQ(curve->conzahl, kCurveConnects);
  EXPECT_TRUE(r.Has(3)) << r.Elements();
  EXPECT_FALSE(r.Ok());
}

TEST_F(Curves, HeightsFollowTheGroundLengthAndGiveTheGradient) {
  TMetaconnect a = Directed(1, 1000, 1000, -1, 0), b = Meta(1, 2000, 1000);
  a.Position.y = 10;
  b.Position.y = 40;
  EXPECT_EQ(Solve(1, a, b), Set({0}));
  ASSERT_EQ(curve->conzahl, 4);  // three pieces of 333.8, 333.8 and 332.3
  EXPECT_EQ(curve->Slots[1].Position.y, 10.0f);
  for (int k = 2; k <= 3; ++k)
    EXPECT_NEAR(curve->Slots[k].Position.y, 10 + 30 * (curve->Slots[k].Position.x - 1000) / 1000, 1e-4) << k;
  EXPECT_NEAR(curve->Slots[2].Position.x, 1333.833, 1e-3);
  EXPECT_EQ(curve->Slots[4].Position.y, 40.0f);
  EXPECT_NEAR(curve->Gradient, 30.0, 1e-4);
}

TEST_F(Curves, BothDirectedEndsOnAStraightLineAreOnePiece) {
  EXPECT_EQ(Solve(1, Directed(1, 1000, 1000, -1, 0), Directed(1, 1300, 1000, 1, 0)), Set({0}));
  EXPECT_EQ(curve->conzahl, 2);
  // Too short a straight piece between directed ends: no other solver runs.
  EXPECT_EQ(Solve(1, Directed(1, 1000, 1000, -1, 0), Directed(1, 1050, 1000, 1, 0)), Set({4}));
  EXPECT_EQ(curve->conzahl, 2);
}

TEST_F(Curves, TheTwoArcSolverRefusesAMidpointOnAStoredConnect) {
  AddConnectAt(1, 1500, 1202);
  TConstructResult r;
  BiRadialCurve(1, Directed(1, 1000, 1000, -1, 0), Directed(1, 2000, 1400, 1, 0), *curve, r);
  EXPECT_EQ(r, Set({18}));
}

TEST_F(Curves, TheTwoArcSolverJoinsTwoArcsIntoAnS) {
  TConstructResult r;
  BiRadialCurve(1, Directed(1, 1000, 1000, -1, 0), Directed(1, 2600, 1300, 1, 0), *curve, r);
  ASSERT_EQ(r, Set({0}));
  ASSERT_GE(curve->conzahl, 3);
  EXPECT_EQ(curve->Slots[1].Position.x, 1000.0f);
  EXPECT_EQ(curve->Slots[curve->conzahl].Position.x, 2600.0f);
  for (int k = 1; k < curve->conzahl; ++k) EXPECT_GT(curve->Slots[k + 1].Position.x, curve->Slots[k].Position.x) << k;
}

TEST_F(Curves, TheParallelSetLiesOnePointTwoGaugesBeside) {
  curve->Parallel = 1;
  EXPECT_EQ(Solve(1, Directed(1, 1000, 1000, -1, 0), Meta(1, 1400, 1000)), Set({0}));
  TConstructResult r = Set({0});
  ParallelSet(plan, r);
  EXPECT_EQ(r, Set({0}));
  for (int k = 1; k <= curve->conzahl; ++k) {
    const TMetaconnect& p = curve->Slots[k + 20];
    EXPECT_NEAR(p.Position.x, curve->Slots[k].Position.x, 1e-3);
    EXPECT_NEAR(p.Position.z, 1000 - 36.0, 1e-3);  // the side vector points to +z
    EXPECT_NEAR(curve->ParallelSideVectors[k].z, 1.0, 1e-6);
  }
}

}  // namespace
