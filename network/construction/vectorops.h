// Small vector expressions for the plans of routers and crossings, each in 32-bit floats as the
// construction computes them.
#pragma once

#include <cmath>

#include "engine/base/types.h"

namespace vecops {

inline TVector Plus(const TVector& a, const TVector& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline TVector Minus(const TVector& a, const TVector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline TVector Times(const TVector& v, float f) { return {v.x * f, v.y * f, v.z * f}; }
inline TVector Negated(const TVector& v) { return {-v.x, -v.y, -v.z}; }
inline float Length3(const TVector& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
inline float GroundLength(const TVector& v) { return std::sqrt(v.x * v.x + v.z * v.z); }
// V scaled to the 3D length L; a zero vector stays zero.
inline TVector WithLength(const TVector& v, float l) {
  const float n = Length3(v);
  return n > 0.0f ? Times(v, l / n) : TVector{0.0f, 0.0f, 0.0f};
}
// V scaled so that its ground-plane part has length L (y in proportion); a vector without a
// ground-plane part stays as it is.
inline TVector WithGroundLength(const TVector& v, float l) {
  const float n = GroundLength(v);
  return n > 0.0f ? Times(v, l / n) : v;
}
// A point moved in the ground plane only.
inline TVector BesideXZ(const TVector& p, const TVector& side, float sign) {
  return {p.x + sign * side.x, p.y, p.z + sign * side.z};
}

}  // namespace vecops
