#include "engine/base/buildingmaths.h"

#include <algorithm>
#include <cmath>

namespace brumin {

namespace {
constexpr long double kHalfPi = 1.570796326794896619231321691639751442L;
}  // namespace

long double ArcTan2(long double Y, long double X) { return std::atan2(Y, X); }

long double Tan(long double X) { return std::tan(X); }

void SinCos(long double& S, long double& C, long double A) {
  S = std::sin(A);
  C = std::cos(A);
}

long double ArcCos(long double X) { return ArcTan2(std::sqrt(std::max(0.0L, 1.0L - X * X)), X); }

float VecLength(const TVector& V) { return static_cast<float>(::VecLength(V)); }

float VecLengthXZ(const TVector& V) { return static_cast<float>(::VecLengthXZ(V)); }

float VecDistance(const TVector& A, const TVector& B) { return static_cast<float>(::VecDistance(A, B)); }

long double Heading(const TVector& V) {
  if (V.x == 0) return V.z < 0 ? -kHalfPi : kHalfPi;
  return ::Heading(V);  // the same wherever x is not 0
}

}  // namespace brumin
