#include "network/construction/curves.h"

#include <cmath>
#include <utility>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "network/construction/connects.h"
#include "network/construction/limits.h"

namespace {

constexpr long double kPi = 3.141592653589793L;

long double Wrap(long double a) {
  if (a > kPi) return a - 2 * kPi;
  if (a < -kPi) return a + 2 * kPi;
  return a;
}

// The smaller of two values as the maths unit's Min takes it: a NaN first value gives the second.
long double MinOf(long double a, long double b) { return a < b ? a : b; }

TVector Negated(const TVector& v) { return {-v.x, -v.y, -v.z}; }
TVector Ground(const TVector& to, const TVector& from) {
  TVector d;
  VecSubXZ(to, from, d);
  return d;
}
TVector Diff(const TVector& to, const TVector& from) {
  TVector d;
  VecSub(to, from, d);
  return d;
}
float BaseAngle(uint8_t wt) { return MaxPieceAngle[LimitIndex(wt)]; }
float BaseMinLength(uint8_t wt) { return MinPieceLength[LimitIndex(wt)]; }
float BaseMaxLength(uint8_t wt) { return MaxPieceLength[LimitIndex(wt)]; }

// A new connect of the plan at a point: cleared, not stored, no direction.
void NewSlot(TMetaconnect& slot, uint8_t wt, const TVector& pos) {
  slot = TMetaconnect{};
  slot.Waytype = wt;
  slot.Position = pos;
  TConstructResult ignored;
  MakeMetaconnectDir(slot, ignored);
}

// Tangents t[0..n] and unit side vectors 1..n of a chain of n slots; an end with a direction takes
// its tangent from it; an end without one takes its side vector from endSides when given.
void SideVectors(const TMetaconnect* slots, int n, TVector* sides, const TVector* endSides) {
  TVector t[kCurveConnects + 1];
  for (int k = 1; k <= n - 1; ++k) t[k] = Diff(slots[k + 1].Position, slots[k].Position);
  t[0] = slots[1].HasDirection ? Negated(slots[1].Direction) : t[1];
  t[n] = slots[n].HasDirection ? slots[n].Direction : t[n - 1];
  for (int k = 1; k <= n; ++k) {
    TVector s;
    if (k == 1 && slots[1].HasDirection) {
      s = Rotate90(t[0]);
    } else if (k == n && slots[n].HasDirection) {
      s = Rotate90(t[n]);
    } else if (endSides && (k == 1 || k == n)) {
      sides[k] = endSides[k];
      continue;
    } else {
      TVector sum;
      VecAdd(t[k - 1], t[k], sum);
      VecScale(sum, sum, 0.5f);
      s = Rotate90(sum);
    }
    s.y = 0.0f;
    Normalize(s);
    sides[k] = s;
  }
}

}  // namespace

bool BendOK(float maxAngle, float angle, float len) {
  if (std::sin(static_cast<long double>(angle)) * len / 3.0L > 10.0L) return false;
  return angle <= maxAngle;
}

void PieceTest(uint8_t wt, const TMetaconnect& from, const TMetaconnect& to, uint8_t variant, TConstructResult& result) {
  const int v = LimitIndex(wt, variant & 127);
  const float startLimit = MaxPieceAngle[v];
  const float endLimit = MaxPieceAngle[LimitIndex(wt)];
  result = TConstructResult::Success();
  if (from.Position.x == to.Position.x && from.Position.y == to.Position.y && from.Position.z == to.Position.z) {
    result.Assign(1);
    return;
  }
  const TVector chord = Ground(to.Position, from.Position);
  const float len = static_cast<float>(VecLengthXZ(chord));
  if (len < MinPieceLength[v])
    result.Refuse(4);
  else if (len > MaxPieceLength[v])
    result.Refuse(3);
  const TVector d1 = from.HasDirection ? Negated(from.Direction) : chord;
  if (!BendOK(startLimit, AngleBetweenXZ(chord, d1), len)) result.Refuse(5);
  const TVector d2 = to.HasDirection ? to.Direction : chord;
  if (!BendOK(endLimit, AngleBetweenXZ(chord, d2), len)) result.Refuse(6);
}

void NextPiece(uint8_t wt, uint8_t counter, const TMetaconnect& from, const TMetaconnect& to, TMetaconnect& out,
               float step, bool parallel, TConstructResult& result) {
  const long double maxTurn = (from.HasDirection && counter == 1 ? 0.9L : 1.8L) * BaseAngle(wt);
  long double stepLen = step == 0.0f ? 1.2L * BaseMinLength(wt) : step;
  const TVector chord = Ground(to.Position, from.Position);
  const long double turn = from.HasDirection ? Wrap(Heading(chord) - Heading(Negated(from.Direction))) : 0.0L;
  const uint8_t waytype = out.Waytype;
  out = TMetaconnect{};
  out.Waytype = waytype;
  const long double chordLen = VecLengthXZ(chord);
  const long double absTurn = std::fabs(turn);
  TVector offset;
  if (std::sin(absTurn) * chordLen / 3.0L <= 20.0L && absTurn <= maxTurn) {
    offset = {static_cast<float>(chord.x / chordLen * stepLen), 0.0f, static_cast<float>(chord.z / chordLen * stepLen)};
  } else {
    long double a = ArcSin(static_cast<float>(60.0L / stepLen));
    a = MinOf(a, maxTurn);
    a = MinOf(a, absTurn);
    long double s = turn > 0 ? a : -a;
    if (parallel) {
      if (s < 0) stepLen += std::sin(std::fabs(s)) * 1.2L * WayGauge[wt];
      s *= 0.93L;
    }
    TVector u = Negated(from.Direction);
    u.y = 0.0f;
    const long double ulen = VecLengthXZ(u);
    u = {static_cast<float>(u.x / ulen * stepLen), 0.0f, static_cast<float>(u.z / ulen * stepLen)};
    float sn, cs;
    SinCos(sn, cs, static_cast<float>(s));
    RotateYInverse(u, cs, sn);
    offset = u;
  }
  out.Position = {from.Position.x + offset.x, from.Position.y, from.Position.z + offset.z};
  out.Direction = Diff(from.Position, out.Position);
  out.HasDirection = 1;
  result = TConstructResult::Success();
}

void StepCurve(uint8_t wt, const TMetaconnect& a, const TMetaconnect& b, TCurveline& curve, TConstructResult& result) {
  curve.conzahl = 2;
  curve.Slots[1] = a;
  curve.Slots[2] = b;
  TMetaconnect current = a;
  uint8_t counter = 0;
  for (;;) {
    ++counter;
    PieceTest(wt, current, b, 0, result);
    if (result.Ok() || curve.conzahl == kCurveConnects || result.Has(4) || result.Has(17) || result.Has(2)) return;
    TMetaconnect& next = curve.Slots[curve.conzahl];
    if (result.Has(5)) {
      NextPiece(wt, counter, current, b, next, 0.0f, curve.Parallel != 0, result);
    } else if (result.Has(3)) {
      const float len = VecDistanceXZ(current.Position, b.Position);
      const int32_t n = TruncToInt(len / BaseMaxLength(wt)) + 1;
      NextPiece(wt, counter, current, b, next, static_cast<float>(len / n + 0.5f), curve.Parallel != 0, result);
    } else {
      return;
    }
    if (!result.Ok()) return;
    ++curve.conzahl;
    current = curve.Slots[curve.conzahl - 1];
    curve.Slots[curve.conzahl] = b;
  }
}

void BezierCurve(uint8_t wt, const TMetaconnect& a, const TMetaconnect& b, TCurveline& curve,
                 TConstructResult& result) {
  curve.conzahl = 2;
  curve.Slots[1] = a;
  curve.Slots[2] = b;
  const float minLen = BaseMinLength(wt);
  const long double maxAng = 0.9L * BaseAngle(wt);
  const long double d = VecDistanceXZ(a.Position, b.Position) / 3.0L;
  TVector p1, p2;
  const long double la = VecLength(a.Direction), lb = VecLength(b.Direction);
  p1 = {static_cast<float>(a.Position.x - a.Direction.x * d / la), static_cast<float>(a.Position.y - a.Direction.y * d / la),
        static_cast<float>(a.Position.z - a.Direction.z * d / la)};
  p2 = {static_cast<float>(b.Position.x - b.Direction.x * d / lb), static_cast<float>(b.Position.y - b.Direction.y * d / lb),
        static_cast<float>(b.Position.z - b.Direction.z * d / lb)};
  result = TConstructResult::Success();
  TMetaconnect* s = curve.Slots;
  for (int n = 1; n <= kCurvePieces; ++n) {
    curve.conzahl = static_cast<uint8_t>(n + 1);
    s[1] = a;
    s[n + 1] = b;
    for (int i = 1; i <= n - 1; ++i) {
      TVector p;
      BezierPointXZ(a.Position, p1, p2, b.Position, static_cast<float>(i) / static_cast<float>(n), p);
      NewSlot(s[i + 1], wt, p);
    }
    bool passed = true;
    for (int j = 0; j <= n && passed; ++j) {
      const int piece = j == 0 ? 1 : j;
      const float len = VecDistanceXZ(s[piece].Position, s[piece + 1].Position);
      if (j >= 1 && len < minLen) {
        result.Assign(8);
        return;
      }
      float angle;
      long double limit = maxAng;
      if (j == 0) {
        angle = AngleBetweenXZ(a.Direction, Diff(s[1].Position, s[2].Position));
      } else if (j == n) {
        angle = AngleBetweenXZ(b.Direction, Diff(s[n + 1].Position, s[n].Position));
      } else {
        angle = AngleBetweenXZ(Diff(s[j].Position, s[j + 1].Position), Diff(s[j + 1].Position, s[j + 2].Position));
        limit = 2 * maxAng;
      }
      if (angle > limit || std::sin(static_cast<long double>(angle)) * len / 3.0L > 20.0L) passed = false;
    }
    if (passed) {
      result = TConstructResult::Success();
      return;
    }
  }
  result.Assign(3);
}

void ArcCurve(uint8_t wt, bool reverse, bool parallel, const TMetaconnect& from, const TMetaconnect& to,
              TMetaconnect* slots, uint8_t& count, TConstructResult& result, int maxPieces) {
  if (maxPieces > kCurvePieces) maxPieces = kCurvePieces;
  TMetaconnect local[kCurveConnects + 1];
  count = 2;
  local[1] = from;
  local[2] = to;
  result = TConstructResult::Success();
  const TVector chord = Ground(to.Position, from.Position);
  const long double turn = Wrap(Heading(chord) - Heading(Negated(from.Direction)));
  // Straight ahead, the arc is a straight piece; exactly behind, the two lines of the centre never
  // meet. Neither has an arc.
  TVector centre;
  const TVector half = {chord.x / 2, 0.0f, chord.z / 2};
  const TVector mid = {from.Position.x + half.x, 0.0f, from.Position.z + half.z};
  const TVector d = from.Direction;
  if (std::fabs(turn) < 0.001L ||
      !LineIntersectXZ(from.Position, {from.Position.x - d.z, 0.0f, from.Position.z + d.x}, mid,
                       {mid.x - half.z, 0.0f, mid.z + half.x}, centre) ||
      !std::isfinite(centre.x) || !std::isfinite(centre.z)) {
    result.Assign(1);
    return;
  }
  const bool right = turn <= 0;
  long double arc = Heading(Ground(to.Position, centre)) - Heading(Ground(from.Position, centre));
  if (arc > 0 && right) arc -= 2 * kPi;
  if (arc < 0 && !right) arc += 2 * kPi;
  long double stepMax = 1.8L * BaseAngle(wt);
  if (parallel && right) stepMax *= 0.95L;
  int n = TruncExtended(std::fabs(arc) / stepMax) + 1;
  bool retried = false;
  const TVector radius = Ground(from.Position, centre);
  for (;;) {
    if (n > maxPieces) {
      result.Assign(1);
      break;
    }
    const long double dA = arc / n;
    local[1] = from;
    count = static_cast<uint8_t>(n + 1);
    for (int i = 1; i <= n; ++i) {
      float sn, cs;
      SinCos(sn, cs, static_cast<float>(i * dA));
      TVector r = radius;
      RotateYInverse(r, cs, sn);
      TMetaconnect& slot = local[i + 1];
      slot = TMetaconnect{};
      slot.Waytype = wt;
      slot.Position = {centre.x + r.x, 0.0f, centre.z + r.z};
      slot.ArcStep = static_cast<float>(dA);
      TConstructResult ignored;
      MakeMetaconnectDir(slot, ignored);
    }
    local[count] = to;
    if (VecDistanceXZ(from.Position, local[2].Position) < BaseMinLength(wt)) {
      result.Assign(8);
      break;
    }
    for (int i = 1; i <= n; ++i) {
      PieceTest(wt, local[i], local[i + 1], 0, result);
      if (!result.Ok()) break;
      if (i > 1 && i < count) {
        const float halfBend =
            AngleBetweenXZ(Diff(local[i].Position, local[i - 1].Position), Diff(local[i + 1].Position, local[i].Position)) /
            2;
        const float len = VecDistanceXZ(local[i - 1].Position, local[i].Position);
        if (!BendOK(BaseAngle(wt), halfBend, len)) {
          result.Assign(5);
          break;
        }
      }
    }
    if (result.Has(3) || result.Has(5) || (result.Has(6) && n < maxPieces && !retried)) {
      if (result.Has(6)) retried = true;
      ++n;
      continue;
    }
    break;
  }
  result.Exclude(4);
  local[1] = from;
  local[count] = to;
  for (int k = 1; k <= count; ++k) slots[k] = local[reverse ? count + 1 - k : k];
}

void BiRadialCurve(uint8_t wt, const TMetaconnect& a, const TMetaconnect& b, TCurveline& curve,
                   TConstructResult& result) {
  TVector m;
  VecMidpoint(a.Position, b.Position, m);
  TMetaconnect mid{};
  FindOrCreateConnect(wt, m, mid, result);
  if (mid.ConnectIndex != 0) result.Assign(18);
  if (!result.Ok()) return;
  TMetaconnect list1[kCurveConnects + 1], list2[kCurveConnects + 1];
  uint8_t k1 = 0, k2 = 0;
  ArcCurve(wt, false, curve.Parallel != 0, a, mid, list1, k1, result);
  if (!result.Ok()) return;
  ArcCurve(wt, false, curve.Parallel != 0, b, mid, list2, k2, result);
  if (!result.Ok()) return;
  if (k1 == 0 || k2 == 0) SYS_BREAKPROGRAM("ERROR in Bi-Radial-Algo");
  // Both tangents point the way the chain runs, from A towards B: list 1 arrives at the middle,
  // list 2 leaves it (it was solved from B backwards).
  auto t1At = [&](int k) { return k == 1 ? Negated(list1[1].Direction) : Ground(list1[k].Position, list1[k - 1].Position); };
  auto t2At = [&](int k) { return k == 1 ? list2[1].Direction : Ground(list2[k - 1].Position, list2[k].Position); };
  const long double limit = BaseAngle(wt);
  bool merged = false;
  TVector t1 = t1At(k1), t2 = t2At(k2);
  for (bool first = true;; first = false) {
    bool ok;
    if (first) {
      ok = AngleBetween(t1, t2) <= 1.8L * limit;
    } else {
      const TVector v = Ground(list2[k2].Position, list1[k1].Position);
      ok = AngleBetween(t1, v) <= 0.9L * limit && AngleBetween(v, t2) <= 0.9L * limit;
    }
    if (ok) break;
    result.Assign(5);
    if (k1 < 2 || k2 < 2) {
      result.Assign(8);
      return;
    }
    --k1;
    --k2;
    merged = true;
    t1 = t1At(k1);
    t2 = t2At(k2);
  }
  result = TConstructResult::Success();
  if (k1 > 1 && k2 > 1) {
    const TVector t1b = t1At(k1 - 1), t2b = t2At(k2 - 1);
    const TVector v = Ground(list2[k2 - 1].Position, list1[k1 - 1].Position);
    if (AngleBetweenXZ(t1b, v) < AngleBetweenXZ(t1, t1b) && AngleBetweenXZ(t2b, v) < AngleBetweenXZ(t2, t2b)) {
      --k1;
      --k2;
      merged = true;
    }
  }
  const int total = merged ? k1 + k2 : k1 + k2 - 1;
  if (total > kCurveConnects) {
    result.Assign(3);
    return;
  }
  curve.conzahl = static_cast<uint8_t>(total);
  for (int i = 1; i <= k1; ++i) curve.Slots[i] = list1[i];
  for (int j = merged ? 1 : 2; j <= k2; ++j) curve.Slots[k1 + j - (merged ? 0 : 1)] = list2[k2 - j + 1];
}

void SolveCurve(TCurvePlan& plan, TConstructResult& result) {
  TCurveline& c = *plan.Curve;
  const uint8_t wt = plan.Waytype;
  const bool parallel = c.Parallel != 0;
  result = TConstructResult{};
  if (!plan.A.HasDirection) {
    StepCurve(wt, plan.A, plan.B, c, result);
  } else if (plan.B.HasDirection) {
    StepCurve(wt, plan.A, plan.B, c, result);
    if (!(result.Has(4) && c.conzahl == 2)) {
      if (!result.Ok() && !parallel) {
        std::swap(plan.A, plan.B);
        StepCurve(wt, plan.A, plan.B, c, result);
        if (!result.Ok()) std::swap(plan.A, plan.B);
      }
      if (!result.Ok()) ArcCurve(wt, false, parallel, plan.A, plan.B, c.Slots, c.conzahl, result);
      if (!result.Ok()) ArcCurve(wt, true, parallel, plan.B, plan.A, c.Slots, c.conzahl, result);
      if (!result.Ok()) BiRadialCurve(wt, plan.A, plan.B, c, result);
      if (!result.Ok()) BezierCurve(wt, plan.A, plan.B, c, result);
    }
  } else if (plan.CurveMode == 0) {
    ArcCurve(wt, false, parallel, plan.A, plan.B, c.Slots, c.conzahl, result);
    if (result == TConstructResult::Of({1})) StepCurve(wt, plan.A, plan.B, c, result);
  } else if (plan.CurveMode == 1) {
    StepCurve(wt, plan.A, plan.B, c, result);
  } else if (plan.CurveMode == 2) {
    const TVector toB = Ground(plan.B.Position, plan.A.Position);
    if (AngleBetweenXZ(Negated(plan.A.Direction), toB) > BaseAngle(wt) &&
        2 * BaseMaxLength(wt) > VecDistanceXZ(plan.A.Position, plan.B.Position))
      ArcCurve(wt, false, parallel, plan.A, plan.B, c.Slots, c.conzahl, result);
    else
      StepCurve(wt, plan.A, plan.B, c, result);
  }
  const int n = c.conzahl;
  if (n < 1 || n > kCurveConnects) SYS_BREAKPROGRAM("Error in Constructcurve: conzahl not initialized!");
  c.Slots[n] = plan.B;

  // Heights along the ground length; the gradient in thousandths.
  const long double y0 = c.Slots[1].Position.y;
  const long double dy = c.Slots[n].Position.y - y0;
  long double total = 0;
  for (int k = 1; k <= n - 1; ++k) total += VecDistanceXZ(c.Slots[k].Position, c.Slots[k + 1].Position);
  long double before = 0;
  for (int k = 1; k <= n - 1; ++k) {
    if (k > 1 && total > 0) c.Slots[k].Position.y = static_cast<float>(y0 + dy * before / total);
    before += VecDistanceXZ(c.Slots[k].Position, c.Slots[k + 1].Position);
  }
  c.Gradient = total > 0 ? static_cast<float>(dy / total * 1000.0L) : 0.0f;

  SideVectors(c.Slots, n, c.SideVectors, nullptr);
}

void ParallelSet(TCurvePlan& plan, TConstructResult& result) {
  TCurveline& c = *plan.Curve;
  if (!c.Parallel) return;
  const uint8_t wt = plan.Waytype;
  const int n = c.conzahl;
  TMetaconnect* p = c.Slots + kCurveConnects;  // p[k] is slot k + 20
  const float offset = -1.2f * WayGauge[wt];
  for (int k = 1; k <= n; ++k) {
    const TVector& s = c.SideVectors[k];
    NewSlot(p[k], wt,
            {c.Slots[k].Position.x + s.x * offset, c.Slots[k].Position.y + s.y * offset,
             c.Slots[k].Position.z + s.z * offset});
  }
  FindNearConnect(p[1], c.Slots[1].Position, 40.0f);
  FindNearConnect(p[n], c.Slots[n].Position, 40.0f);
  SideVectors(p, n, c.ParallelSideVectors, c.SideVectors);
  const long double limit = BaseAngle(wt);
  for (int k = 1; k <= n - 1; ++k) {
    const TVector chord = Ground(p[k + 1].Position, p[k].Position);
    if (std::fabs(AngleBetweenXZ(chord, c.ParallelSideVectors[k]) - kPi / 2) > limit ||
        std::fabs(AngleBetweenXZ(chord, c.ParallelSideVectors[k + 1]) - kPi / 2) > limit)
      result.Assign(5);
    if (VecLengthXZ(chord) < BaseMinLength(wt)) result.Assign(8);
  }
}
