#include "engine/base/buildingmaths.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr long double kPiL = 3.141592653589793238462643383279502884L;

TVector V(float x, float y, float z) { return {x, y, z}; }

// Each routine the building program computes its own way, beside the shared routine on the same
// input where the two differ.
TEST(BuildingMaths, DifferencesFromTheSharedRoutines) {
  const long double tiny = 0x1p-40L;  // below a float's resolution at 1
  long double s = 0, c = 0;
  brumin::SinCos(s, c, kPiL / 6);
  float fs = 0, fc = 0;
  ::SinCos(fs, fc, static_cast<float>(kPiL / 6));
  struct Row {
    const char* routine;
    long double actual;
    long double expected;
  };
  const Row rows[] = {
      {"Heading (1, 0, 0)", brumin::Heading(V(1, 0, 0)), 0},
      {"Heading (-1, 0, 0)", brumin::Heading(V(-1, 0, 0)), kPiL},
      {"Heading (3, 0, 3)", brumin::Heading(V(3, 0, 3)), kPiL / 4},
      {"Heading (0, 0, 1)", brumin::Heading(V(0, 0, 1)), kPiL / 2},
      {"Heading (0, 0, -1)", brumin::Heading(V(0, 0, -1)), -kPiL / 2},
      {"Heading (0, 0, 0)", brumin::Heading(V(0, 0, 0)), kPiL / 2},
      {"shared Heading (0, 0, 0)", ::Heading(V(0, 0, 0)), -kPiL / 2},
      {"Heading (0, 5, 0)", brumin::Heading(V(0, 5, 0)), kPiL / 2},
      {"shared Heading (0, 5, 0)", ::Heading(V(0, 5, 0)), -kPiL / 2},
      {"VecLength (1, 1, 0)", brumin::VecLength(V(1, 1, 0)), static_cast<float>(std::sqrt(2.0L))},
      {"shared VecLength (1, 1, 0)", ::VecLength(V(1, 1, 0)), std::sqrt(2.0L)},
      {"VecLengthXZ (1, 7, 1)", brumin::VecLengthXZ(V(1, 7, 1)), static_cast<float>(std::sqrt(2.0L))},
      {"shared VecLengthXZ (1, 7, 1)", ::VecLengthXZ(V(1, 7, 1)), std::sqrt(2.0L)},
      {"VecDistance (1, 0, 0) (0, 1, 0)", brumin::VecDistance(V(1, 0, 0), V(0, 1, 0)),
       static_cast<float>(std::sqrt(2.0L))},
      {"VecLength (3, 0, 4)", brumin::VecLength(V(3, 0, 4)), 5},
      // Extended arguments keep what a float would round away.
      {"ArcTan2 (1, 1 + 2^-40)", brumin::ArcTan2(1.0L, 1.0L + tiny), std::atan2(1.0L, 1.0L + tiny)},
      {"shared ArcTan2 (1, 1 + 2^-40)", ::ArcTan2(1.0f, static_cast<float>(1.0L + tiny)), kPiL / 4},
      {"Tan (0.1)", brumin::Tan(0.1L), std::tan(0.1L)},
      {"shared Tan (0.1)", ::Tan(0.1f), std::tan(static_cast<long double>(0.1f))},
      {"SinCos (pi/6) sine", s, std::sin(kPiL / 6)},
      {"SinCos (pi/6) cosine", c, std::cos(kPiL / 6)},
      {"shared SinCos (pi/6) sine", fs, static_cast<float>(std::sin(static_cast<long double>(static_cast<float>(kPiL / 6))))},
      {"ArcCos (0.5)", brumin::ArcCos(0.5L), std::atan2(std::sqrt(0.75L), 0.5L)},
      {"ArcCos (1 + 2^-40)", brumin::ArcCos(1.0L + tiny), 0},
      {"ArcCos (-1 - 2^-40)", brumin::ArcCos(-1.0L - tiny), kPiL},
      {"ArcCos (1 - 2^-40)", brumin::ArcCos(1.0L - tiny), std::atan2(std::sqrt(1.0L - (1.0L - tiny) * (1.0L - tiny)), 1.0L - tiny)},
      {"shared ArcCos (1 - 2^-40)", ::ArcCos(static_cast<float>(1.0L - tiny)), 0},
      // The same routine as the shared one, with its guard: a zero direction gives |P - P0|.
      {"PointLineDistance, zero direction", brumin::PointLineDistance(V(1, 0, 0), V(0, 0, 0), V(4, 4, 0)), 5},
      {"PointLineDistance", brumin::PointLineDistance(V(0, 0, 0), V(0, 0, 2), V(3, 9, 4)), std::sqrt(90.0f)},
  };
  for (const Row& r : rows) EXPECT_EQ(r.actual, r.expected) << r.routine;
}

}  // namespace
