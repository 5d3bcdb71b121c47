#include "network/world/planes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "engine/world/records.h"

TPlaneType PlaneTypes[kPlaneTypeRows + 1];
TPlaneRouteEntry PlaneRouteEntries[kPlaneRouteEntries + 1];
TPlane Plane;
uint8_t PlaneActive = 0;

namespace {

using LD = long double;

constexpr LD kPi = 3.141592653589793L;
constexpr LD kRightAngle = kPi / 2;
constexpr float kCruiseHeight = 900.0f;
constexpr float kFarOut = 300000.0f;
constexpr float kThreeDegrees = 0.05235987755982989f;
constexpr float kThirtyDegrees = 0.5235987755982989f;
// The bank change per navigation step.
constexpr LD kBankStep = kPi * 0.1L / 180.0L / 3.0L;

float F(LD x) { return static_cast<float>(x); }

// The plane's type row; row 0 (all zero) for a type that names none.
TPlaneType TypeOf(const TPlane& P) {
  return P.PlaneType >= 1 && P.PlaneType <= kPlaneTypeRows ? PlaneTypes[P.PlaneType] : PlaneTypes[0];
}

bool Finite(const TVector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Ground-plane direction from A to B.
TVector Toward(const TVector& A, const TVector& B) {
  TVector d;
  VecSubXZ(B, A, d);
  return d;
}

TVector Moved(const TVector& at, const TVector& heading, float by) {
  return {F(LD(at.x) + LD(heading.x) * by), at.y, F(LD(at.z) + LD(heading.z) * by)};
}

// Heading turned by Angle toward side 1 (Side1) or toward the other side.
TVector Turned(TVector heading, float angle, bool side1) {
  float s, c;
  SinCos(s, c, angle);
  if (side1) {
    RotateYInverse(heading, c, s);
  } else {
    RotateY(heading, c, s);
  }
  return heading;
}

// Heading turned by 90 degrees toward side 1 ((x, z) to (-z, x)) or toward the other side.
TVector Square(const TVector& v, bool side1) { return side1 ? TVector{-v.z, v.y, v.x} : TVector{v.z, v.y, -v.x}; }

// D normalised in the ground plane; Heading itself when D has no length.
TVector Aimed(const TVector& heading, const TVector& D) {
  TVector out = heading;
  NormalizeTo(TVector{D.x, 0.0f, D.z}, out);
  return out;
}

TVector Normalized(TVector v) {
  Normalize(v);
  return v;
}

// The turn direction toward direction D: 1 when a small turn toward side 1 brings the heading
// nearer to D, else -1.
int16_t SideToward(const TVector& heading, const TVector& D) {
  const TVector turned = Turned(heading, 0.001f, true);
  return AngleBetweenXZ(turned, D) < AngleBetweenXZ(heading, D) ? 1 : -1;
}

// |speed^2 / (speed - 2 d)|: the deceleration that stops within distance d.
LD StopDeceleration(float speed, float d) {
  const LD s = speed;
  return std::fabs(s * s / (s - 2.0L * d));
}

// Whether Index is a stored building; an index beyond the store's table is none (the store's search
// stops the program for it).
bool StoredBuilding(uint32_t index) {
  return index != 0 && ArrayerReady() && index - 1 < ArrayerBW.TableTop &&
         FindInArrayerBW(kARTypeBuilding, index - 1) == index;
}

bool IsRouteEntry(uint32_t entry) { return entry >= 1 && entry <= kPlaneRouteEntries; }

uint32_t EntryBuilding(uint32_t entry) { return IsRouteEntry(entry) ? PlaneRouteEntries[entry].Building : 0; }

// The position of route entry Entry's airport building.
bool EntryAirportPosition(uint32_t entry, TVector& out) {
  const uint32_t building = EntryBuilding(entry);
  if (!StoredBuilding(building)) return false;
  TBuilding b{};
  b.A_Read(building);
  if (!Finite(b.Position)) return false;
  out = b.Position;
  return true;
}

// ---- The ground states

// While turning: the heading turns by Step and, once within 1.5 steps of Target's direction, aims at
// it (with Save keeping the turn direction first) and the last distance is measured.
void GroundTurn(TPlaneNav& nav, TPlane& P, const TVector& target, float step, bool save) {
  const TVector pos = P.Position;
  TVector heading = P.Heading;
  if (nav.TurnDir == 1 || nav.TurnDir == -1) heading = Turned(heading, step, nav.TurnDir == 1);
  const TVector d = Toward(pos, target);
  if (AngleBetweenXZ(heading, d) < 1.5L * step) {
    if (save) nav.SavedTurnDir = nav.TurnDir;
    heading = Aimed(heading, d);
    nav.TurnDir = 0;
    nav.LastDistance = VecDistanceXZ(target, pos);
  }
  P.Heading = heading;
}

void TaxiAccelerate(TPlane& P, const TPlaneType& t) {
  const float top = t.TaxiTopSpeed;
  P.Speed = std::min(F(LD(P.Speed) + t.AccelBelow), top);
}

// States 2 to 4: taxi toward Target and, once it is passed (or, Near, once it is within reach of a
// turning circle), go on in state Next.
void Taxi(TPlaneNav& nav, TPlane& P, const TPlaneType& t, bool save, bool near, uint8_t next) {
  const float step = TurnStep(P.Speed);
  const bool turning = nav.TurnDir != 0;
  const TVector target = P.State == kPlaneTaxiOut || P.State == kPlaneTaxiIn ? nav.TargetPoint : nav.FarPoint;
  if (turning) GroundTurn(nav, P, target, step, save);
  TaxiAccelerate(P, t);
  if (turning) return;
  const float d = VecDistanceXZ(target, P.Position);
  const bool passed = LD(d) > LD(nav.LastDistance) + 0.1L;
  const bool reached = near && (step == 0.0f || LD(d) <= 1.0L / step);
  if (passed || reached) {
    P.State = next;
    switch (next) {
      case kPlaneTurnOntoRunway:
        nav.TurnDir = SideToward(P.Heading, Toward(P.Position, nav.FarPoint));
        break;
      case kPlaneTakeOff:
        P.TargetAltitude = kCruiseHeight;
        nav.SlotFound = 0;
        nav.TurnDir = nav.SavedTurnDir;
        break;
      default:  // kPlaneRollToGate
        nav.SlotFound = 0;
        nav.TurnDir = nav.SavedTurnDir;
        break;
    }
  }
  nav.LastDistance = d;
}

// State 5: roll to the gate (the second taxi point), braking to stop there.
void RollToGate(TPlaneNav& nav, TPlane& P, const TPlaneType& t) {
  const float step = TurnStep(P.Speed);
  const bool turning = nav.TurnDir != 0;
  if (turning) GroundTurn(nav, P, nav.FarPoint, step, true);
  const float d = VecDistanceXZ(nav.FarPoint, P.Position);
  if (StopDeceleration(P.Speed, d) < t.BrakeDecel) {
    TaxiAccelerate(P, t);
  } else {
    P.Speed = F(LD(P.Speed) - t.BrakeDecel);
    if (P.Speed < 0.01f) {
      P.State = kPlaneParked;
      P.Speed = 0.0f;
      P.EngineShare = t.EngineValue;
    }
  }
  if (turning) return;
  if (d > nav.LastDistance) P.State = kPlaneParked;
  nav.LastDistance = d;
}

// State 6: the take-off run and climb.
void TakeOff(TPlaneNav& nav, TPlane& P, const TPlaneType& t) {
  if (P.Speed < t.TopSpeed && nav.TurnDir == 0) {
    const float a = P.Speed < t.TakeOffSpeed ? t.AccelBelow : t.AccelAbove;
    const float top = t.TopSpeed;
    P.Speed = std::min(F(LD(P.Speed) + a), top);
  }
  if (nav.TurnDir == 0) return;
  const float step = TurnStep(P.Speed);
  TVector heading = P.Heading;
  if (nav.TurnDir == 1 || nav.TurnDir == -1) heading = Turned(heading, step, nav.TurnDir == 1);
  const TVector d = Toward(P.Position, nav.LandingPoint);
  if (AngleBetweenXZ(heading, d) < 1.5L * step) {
    heading = Aimed(heading, d);
    nav.TurnDir = 0;
  }
  P.Heading = heading;
}

void GoAround(TPlaneNav& nav, TPlane& P) {
  P.State = kPlaneCruise;
  P.TargetAltitude = kCruiseHeight;
  const TVector start = P.RunwayStart, end = P.LandingPoint;
  SetupApproach(nav, P, start, end);
}

// The landing is done: taxi in from the nearer runway node toward the airport's node 3. An airport
// whose nodes cannot be read leaves the plane standing where it rolled out.
void Landed(TPlaneNav& nav, TPlane& P) {
  P.State = kPlaneTaxiIn;
  P.Altitude = P.LandingPoint.y;
  P.RouteEntry = nav.DestEntry;
  const uint32_t building = EntryBuilding(nav.DestEntry);
  TVector n1, n2, n3;
  if (!AirportNode(building, 3, n3) || !AirportNode(building, 1, n1) || !AirportNode(building, 2, n2)) {
    SYS_Warning("MovePlane: the airport of route entry " + std::to_string(nav.DestEntry) +
                " has no taxi points; the plane stops on the runway");
    P.State = kPlaneParked;
    P.Speed = 0.0f;
    return;
  }
  const TVector pos = P.Position;
  nav.FarPoint = n3;
  nav.TargetPoint = VecDistanceXZ(n1, pos) < VecDistanceXZ(n2, pos) ? n1 : n2;
  nav.TurnDir = SideToward(P.Heading, Toward(pos, nav.TargetPoint));
}

// State 8 on the runway brakes (or goes around when it cannot stop before the landing point); in
// the air it slows down to the take-off speed.
void Landing(TPlaneNav& nav, TPlane& P, const TPlaneType& t) {
  const float runway = P.LandingPoint.y;
  if (RoundToInt(std::fabs(LD(runway) - P.Altitude)) == 0) {
    const LD m = StopDeceleration(P.Speed, VecDistanceXZ(P.LandingPoint, P.Position));
    if (m > t.BrakeDecel) {
      GoAround(nav, P);
    } else {
      P.Speed = F(P.Speed - m);
    }
    return;
  }
  if (P.Speed > t.TakeOffSpeed) P.Speed = F(LD(P.Speed) - t.ApproachDecel);
  if (P.Speed < t.TakeOffSpeed) P.Speed = t.TakeOffSpeed;
}

bool Flying(const TPlane& P, const TPlaneType& t) {
  return (P.State == kPlaneTakeOff && P.Speed >= t.TakeOffSpeed) || P.State == kPlaneCruise ||
         P.State == kPlaneLanding;
}

// Whether a pull-up circle of radius speed / climb step, tangent to the flight path and above it in
// the path's vertical plane, reaches down to the runway height. In that plane x runs along the path
// and z is the height.
bool PullUpReachesRunway(const TPlane& P, const TPlaneType& t) {
  const float r = F(LD(P.Speed) / t.ClimbStep);
  float s, c;
  SinCos(s, c, P.ClimbAngle);
  const TVector centre{F(-LD(r) * s), 0.0f, F(LD(P.Altitude) + LD(r) * c)};
  const float runway = P.LandingPoint.y;
  const TVector p0{F(LD(centre.x) - 2.0L * r), 0.0f, runway};
  const TVector p1{F(LD(centre.x) + 2.0L * r), 0.0f, runway};
  TLineHits hits{};
  LineCircleHitsXZ(centre, p0, p1, r, hits);
  return hits.Count > 0;
}

// The climb angle toward the target altitude, and in the landing the flare.
void Climb(TPlane& P, const TPlaneType& t, float a) {
  if (P.State == kPlaneLanding) {
    if (P.ClimbAngle < 0.0f && PullUpReachesRunway(P, t)) {
      P.ClimbAngle = F(LD(P.ClimbAngle) + t.ClimbStep);
    } else if (LD(a) > LD(P.TargetAltitude) + 0.1L && P.ClimbAngle > -t.MaxClimbAngle) {
      P.ClimbAngle = F(LD(P.ClimbAngle) - t.ClimbStep);
    }
    return;
  }
  if (std::fabs(LD(P.TargetAltitude) - a) <= 0.1L) return;
  if (P.TargetAltitude < a && P.ClimbAngle > 0.0f) {
    P.ClimbAngle = F(LD(P.ClimbAngle) - t.ClimbStep);
  } else if (P.TargetAltitude > a && P.ClimbAngle < t.MaxClimbAngle) {
    P.ClimbAngle = F(LD(P.ClimbAngle) + t.ClimbStep);
  }
}

void TouchDown(TPlaneNav& nav, TPlane& P) {
  const float d = VecDistanceXZ(P.LandingPoint, P.Position);
  if (d > nav.LastDistance || P.Speed < 0.001f) {
    if (std::fabs(LD(P.Altitude) - P.LandingPoint.y) < 5.0L && std::fabs(P.ClimbAngle) <= kThreeDegrees) {
      Landed(nav, P);
    } else {
      GoAround(nav, P);
    }
    return;
  }
  nav.LastDistance = d;
}

// ---- The navigator

// Blocks 2 to 12 of a navigation step; Turned records the side of the step's last turn (1 side 1,
// 2 the other side).
void NavigateBlocks(TPlaneNav& Nav, TPlane& P, const TPlaneType& t, uint8_t& turned) {
  const float rate = Nav.TurnRate;
  const auto turn = [&](float angle, bool side1) {
    Nav.Heading = Turned(Nav.Heading, angle, side1);
    turned = side1 ? 1 : 2;
  };
  const auto turnByDir = [&] { turn(rate, Nav.TurnDir == 1); };
  const auto move = [&](float by) { Nav.Position = Moved(Nav.Position, Nav.Heading, by); };
  const auto angleTo = [&](const TVector& D) { return LD(AngleBetweenXZ(Nav.Heading, D)); };

  if (Nav.SubState == 98) {
    Nav.TurnDir = SideToward(Nav.Heading, Toward(Nav.Position, Nav.TargetPoint));
    Nav.SubState = 99;
  }
  if (Nav.SubState == 99) {
    turnByDir();
    const TVector d = Toward(Nav.Position, Nav.TargetPoint);
    if (angleTo(d) < 1.5L * rate) Nav.Heading = Aimed(Nav.Heading, d);
    Nav.Heading = Normalized(Nav.Heading);
    if (LD(VecDistanceXZ(Nav.TargetPoint, Nav.Position)) < 8.0L * Nav.TurnRadius) Nav.SubState = 1;
    move(1.0f);
  }
  P.TargetAltitude = kCruiseHeight;
  if (Nav.SubState == 1 && Nav.SlotFound == 0) {
    TAirportSlot slot{};
    FindAirportSlot(Nav.DestEntry, P, slot);
    if (slot.Defined != 0) {
      TVector end, start;
      if (FindRunway(slot, end, start, P.Position)) {
        Nav.SlotFound = 1;
        Nav.SlotByte = slot.SlotByte;
        SetupApproach(Nav, P, start, end);
      }
    }
    if (Nav.SlotFound == 0) {
      turn(F(LD(rate) / 3.0L), true);
      move(1.0f);
      return;
    }
  }
  if (Nav.SubState == 0) {
    turnByDir();
    const TVector d = Toward(Nav.Position, Nav.SideStepPoint);
    if (angleTo(d) < 1.5L * rate) Nav.Heading = Aimed(Nav.Heading, d);
    if (VecDistanceXZ(Nav.SideStepPoint, Nav.Position) < 20.0f) {
      Nav.SubState = 10;
      Nav.TurnDir = Nav.Side;
    }
    move(1.0f);
  } else if (Nav.SubState == 10) {
    turnByDir();
    if (angleTo(Nav.ApproachDir) < 1.5L * rate) {
      Nav.Heading = Aimed(Nav.Heading, Nav.ApproachDir);
      Nav.SubState = 3;
    }
    move(1.0f);
  } else if (Nav.SubState == 1) {
    Nav.ApproachDir = Toward(Nav.FarPoint, Nav.TargetPoint);
    Nav.TurnDir = SideToward(Nav.Heading, Nav.ApproachDir);
    Nav.SubState = 3;
    PlanManeuver(Nav);
  }
  if (Nav.SubState == 2) {
    if (angleTo(Nav.ApproachDir) > rate) {
      turnByDir();
    } else {
      Nav.Heading = Aimed(Nav.Heading, Nav.ApproachDir);
      Nav.SubState = 3;
    }
    Nav.Heading = Normalized(Nav.Heading);
    move(1.0f);
  } else if (Nav.SubState == 3) {
    move(1.0f);
    const TVector w = Normalized(Square(Nav.ApproachDir, true));
    Nav.TurnDir = LD(AngleBetweenXZ(w, Toward(Nav.FarPoint, Nav.Position))) < kRightAngle ? 1 : 2;
    Nav.SubState = 4;
  }
  if (Nav.SubState == 4) {
    if (angleTo(Nav.ApproachDir) < kRightAngle) turn(rate, Nav.TurnDir != 1);
    const TVector c = Square(Nav.Heading, Nav.TurnDir == 1);
    const TVector centre = Moved(Nav.Position, c, Nav.TurnRadius);
    const TVector target = Nav.TargetPoint, far = Nav.FarPoint;
    TLineHits hits{};
    LineCircleHitsXZ(centre, target, far, Nav.TurnRadius, hits);
    if (hits.Count > 0) Nav.SubState = 5;
    move(1.0f);
    PlanManeuver(Nav);
    return;
  }
  if (Nav.SubState == 5) {
    turnByDir();
    if (angleTo(Nav.ApproachDir) < 1.2L * rate) {
      const TVector d = Toward(Nav.Position, Nav.TargetPoint);
      if (angleTo(d) < 3.0L * rate) {
        Nav.SubState = 6;
        Nav.Heading = Aimed(Nav.Heading, d);
      } else {
        Nav.SubState = 1;
      }
    }
    move(1.0f);
    PlanManeuver(Nav);
    return;
  }
  if (Nav.SubState == 6 || Nav.SubState == 7) {
    for (int k = 0; k < 5; ++k) {
      move(0.2f);
      if (VecDistanceXZ(Nav.TargetPoint, Nav.Position) < P.Speed) Nav.SubState = 7;
      if (Nav.SubState != 7) continue;
      const LD runway = P.LandingPoint.y;
      const LD glide = 0.9L * VecDistanceXZ(P.RunwayStart, P.LandingPoint) +
                       (LD(P.Altitude) - runway) / std::sin(LD(t.MaxClimbAngle)) +
                       (LD(t.MaxClimbAngle) / t.ClimbStep) * (LD(P.Speed) + t.TakeOffSpeed) / 2.0L;
      const float d = VecDistanceXZ(Nav.LandingPoint, Nav.Position);
      if (d <= glide) {
        Nav.SubState = 8;
        Nav.Heading = Aimed(Nav.Heading, Toward(Nav.Position, Nav.LandingPoint));
        Nav.LastDistance = d;
        P.State = kPlaneLanding;
        P.TargetAltitude = 0.0f;
        return;
      }
    }
  }
}

}  // namespace

float GroundHeightAt(float X, float Z) {
  const int x = std::clamp(RoundToInt(LD(X) / 100.0L), 0, kMapSize - 1);
  const int z = std::clamp(RoundToInt(LD(Z) / 100.0L), 0, kMapSize - 1);
  return 2.0f * HeightMap[x][z];
}

float TurnStep(float Speed) { return F(2.0L * kPi * Speed / 235.61945L); }

const char* PlaneProblem(const TPlane& P) {
  if (P.PlaneType < 1 || P.PlaneType > kPlaneTypeRows) return "its plane type names no row of the plane types";
  const TPlaneType t = PlaneTypes[P.PlaneType];
  const float typeValues[] = {t.TurnRate,   t.TopSpeed,      t.TaxiTopSpeed, t.TakeOffSpeed,
                              t.AccelBelow, t.AccelAbove,    t.ApproachDecel, t.BrakeDecel,
                              t.MaxClimbAngle, t.ClimbStep, t.EngineValue};
  for (const float v : typeValues) {
    if (!std::isfinite(v)) return "its plane type has a value that is not a finite number";
  }
  if (!(t.TakeOffSpeed > 0.0f && t.TurnRate > 0.0f && t.ClimbStep > 0.0f))
    return "its plane type's take-off speed, turn rate or climb step is not above 0";
  if (!(t.MaxClimbAngle > 0.0f && LD(t.MaxClimbAngle) <= kRightAngle))
    return "its plane type's largest climb angle is not above 0 and at most 90 degrees";
  for (const float v : {t.TopSpeed, t.TaxiTopSpeed, t.AccelBelow, t.AccelAbove, t.ApproachDecel, t.BrakeDecel}) {
    if (v < 0.0f) return "its plane type has a speed, acceleration or deceleration below 0";
  }
  for (const float v : {t.TopSpeed, t.TaxiTopSpeed, t.TakeOffSpeed}) {
    if (v > kPlaneSpeedLimit) return "its plane type is faster than planes may fly";
  }
  const TPlaneNav n = P.Nav;
  const float values[] = {P.Speed,      P.Altitude,   P.TargetAltitude, P.ClimbAngle,
                          P.BankAngle,  P.EngineShare, n.TurnRadius,    n.TurnRate,
                          n.LastDistance};
  for (const float v : values) {
    if (!std::isfinite(v)) return "the plane has a figure that is not a finite number";
  }
  for (const TVector v : {P.Position, P.Heading, P.LandingPoint, P.RunwayStart, n.TargetPoint, n.FarPoint,
                          n.Position, n.Heading, n.LandingPoint, n.ApproachDir, n.SideStepPoint}) {
    if (!Finite(v)) return "the plane has a point or direction that is not finite";
  }
  if (std::fabs(P.Speed) > kPlaneSpeedLimit) return "the plane is faster than planes may fly";
  return nullptr;
}

void MovePlanes() { MovePlane(Plane); }

void MovePlane(TPlane& P) {
  if (PlaneActive == 0 || P.State == kPlaneParked) return;
  if (const char* problem = PlaneProblem(P)) {
    SYS_Warning("MovePlane: plane of type " + std::to_string(P.PlaneType) + ": " + problem +
                "; the plane is switched off");
    PlaneActive = 0;
    return;
  }
  const TPlaneType t = PlaneTypes[P.PlaneType];
  TPlaneNav nav = P.Nav;

  P.EngineShare = F(std::max(0.0L, 1.0L - LD(P.Speed) / (LD(t.TakeOffSpeed) / 2.0L)) * t.EngineValue);

  switch (P.State) {
    case kPlaneTakeOff:
      TakeOff(nav, P, t);
      break;
    case kPlaneTaxiOut:
      Taxi(nav, P, t, false, false, kPlaneTurnOntoRunway);
      break;
    case kPlaneTurnOntoRunway:
      Taxi(nav, P, t, true, true, kPlaneTakeOff);
      break;
    case kPlaneTaxiIn:
      Taxi(nav, P, t, true, true, kPlaneRollToGate);
      break;
    case kPlaneRollToGate:
      RollToGate(nav, P, t);
      break;
    case kPlaneLanding:
      Landing(nav, P, t);
      break;
    default:
      break;
  }

  if (Flying(P, t)) {
    const TVector pos = P.Position;
    float a = F(LD(P.Altitude) - GroundHeightAt(pos.x, pos.z));
    if (P.State == kPlaneTakeOff && a >= kCruiseHeight) {
      P.State = kPlaneCruise;
      StartCruise(nav, P, nav.DestEntry);
    }
    Climb(P, t, a);
  }
  if (P.State == kPlaneLanding) TouchDown(nav, P);
  if (Flying(P, t)) {
    const float runway = P.LandingPoint.y;
    if (P.State == kPlaneLanding && std::fabs(P.ClimbAngle) < kThreeDegrees &&
        std::fabs(LD(P.Altitude) - runway) < 5.0L) {
      P.Altitude = runway;
      P.ClimbAngle = 0.0f;
    } else {
      P.Altitude = F(LD(P.Altitude) + std::sin(LD(P.ClimbAngle)) * P.Speed);
    }
  }

  switch (P.State) {
    case kPlaneTaxiOut:
    case kPlaneTurnOntoRunway:
    case kPlaneTaxiIn:
    case kPlaneRollToGate:
      P.Heading = Normalized(P.Heading);
      [[fallthrough]];
    case kPlaneTakeOff:
    case kPlaneLanding:
      P.Position = Moved(P.Position, P.Heading, P.Speed);
      break;
    case kPlaneCruise: {
      const int32_t steps = RoundToInt(P.Speed);
      for (int32_t i = 0; i < steps && P.State == kPlaneCruise; ++i) NavigatePlane(nav, P);
      break;
    }
    default:
      break;
  }
  P.Nav = nav;
}

void NavigatePlane(TPlaneNav& Nav, TPlane& P) {
  const TPlaneType t = TypeOf(P);
  Nav.Position = P.Position;
  Nav.Heading = P.Heading;
  uint8_t turned = 0;
  NavigateBlocks(Nav, P, t, turned);

  const TVector before = P.Heading, after = Nav.Heading;
  LD bank = P.BankAngle;
  if (LD(AngleBetweenXZ(before, after)) > LD(Nav.TurnRate) / 2.0L) {
    if (std::fabs(bank) < kThirtyDegrees) {
      if (turned == 1) bank -= kBankStep;
      if (turned == 2) bank += kBankStep;
    }
  } else if (bank > 0.0L) {
    bank = std::max(0.0L, bank - kBankStep);
  } else if (bank < 0.0L) {
    bank = std::min(0.0L, bank + kBankStep);
  }
  P.BankAngle = F(bank);
  P.Position = Nav.Position;
  P.Heading = Nav.Heading;
}

void PlanManeuver(TPlaneNav& Nav) {
  const TVector target = Nav.TargetPoint, pos = Nav.Position, heading = Nav.Heading;
  if (LD(AngleBetweenXZ(Toward(target, Nav.FarPoint), Toward(target, pos))) <= kRightAngle) return;
  TVector u{0.0f, 0.0f, 0.0f};
  const TVector approach = Nav.ApproachDir;
  NormalizeTo(TVector{-approach.x, 0.0f, -approach.z}, u);
  const TVector p0 = Moved(target, u, F(1.5L * Nav.TurnRadius));
  const TVector n = Square(u, true);
  const float sideways = F(2.1L * Nav.TurnRadius);
  const TVector p1 = Moved(p0, n, sideways);
  const TVector p2 = Moved(p0, n, -sideways);
  const float a1 = AngleBetweenXZ(heading, Toward(p1, pos));
  const float a2 = AngleBetweenXZ(heading, Toward(p2, pos));
  if (a2 <= a1) {
    Nav.SideStepPoint = p1;
    Nav.Side = 2;
  } else {
    Nav.SideStepPoint = p2;
    Nav.Side = 1;
  }
  Nav.TurnDir = SideToward(heading, Toward(pos, Nav.SideStepPoint));
  Nav.SubState = 0;
}

void StartCruise(TPlaneNav& Nav, TPlane& P, uint32_t DestinationEntry) {
  const TPlaneType t = TypeOf(P);
  Nav.DestEntry = DestinationEntry;
  Nav.TurnRate = t.TurnRate;
  Nav.TurnRadius = F(1.0L / t.TurnRate);
  TVector target = P.Position;
  if (!EntryAirportPosition(DestinationEntry, target)) {
    SYS_Warning("StartCruise: route entry " + std::to_string(DestinationEntry) +
                " names no airport; the plane circles where it is");
  }
  Nav.TargetPoint = target;
  Nav.SubState = LD(VecDistanceXZ(P.Position, target)) >= 2.0L * Nav.TurnRadius ? 98 : 1;
}

void SetupApproach(TPlaneNav& Nav, TPlane& P, const TVector& RunwayStart, const TVector& RunwayEnd) {
  const TPlaneType t = TypeOf(P);
  const TVector s = RunwayStart, e = RunwayEnd;
  const LD length = 1.5L * VecDistanceXZ(s, e);
  const float out = F(kCruiseHeight / std::sin(LD(t.MaxClimbAngle)) + length);
  TVector u{0.0f, 0.0f, 0.0f};
  NormalizeTo(Toward(e, s), u);
  Nav.TargetPoint = Moved(s, u, out);
  Nav.FarPoint = Moved(s, u, kFarOut);
  Nav.LandingPoint = e;
  P.LandingPoint = e;
  P.RunwayStart = s;
  Nav.TurnRadius = F(1.0L / Nav.TurnRate);
  Nav.SubState = LD(VecDistanceXZ(P.Position, s)) >= 2.0L * Nav.TurnRadius ? 98 : 1;
}

bool AirportNode(uint32_t Building, int Node, TVector& Out) {
  if (Node < 1 || Node > kBuildingTypeNodes || !StoredBuilding(Building)) return false;
  TBuilding b{};
  b.A_Read(Building);
  if (b.BuildingType < 1 || b.BuildingType > 255) return false;
  TVector p = BuildingTypeNode(BuildingTypes[b.BuildingType], Node).Position;
  const TVector at = b.Position;
  RotateVectorDeg(p, TPlacement{at.x, at.y, at.z, 0.0f, b.Gier, 0.0f});
  if (!Finite(p)) return false;
  Out = p;
  return true;
}

bool FindRunway(const TAirportSlot& Slot, TVector& RunwayEnd, TVector& RunwayStart, const TVector& PlanePos) {
  TVector e, s;
  if (!AirportNode(Slot.Building, 1, e) || !AirportNode(Slot.Building, 2, s)) return false;
  // Ends in one point give no approach line.
  if (VecDistanceXZ(e, s) == 0.0f) return false;
  if (LD(AngleBetweenXZ(Toward(e, PlanePos), Toward(e, s))) >= kRightAngle) std::swap(e, s);
  RunwayEnd = e;
  RunwayStart = s;
  return true;
}

void FindAirportSlot(uint32_t Entry, const TPlane& P, TAirportSlot& Slot) {
  Slot.Defined = 0;
  if (!IsRouteEntry(Entry)) return;
  const uint8_t cls = TypeOf(P).Class;
  const int count = std::min<int>(PlaneRouteEntries[Entry].SlotCount, kAirportSlots);
  for (int i = 0; i < count; ++i) {
    const TAirportSlot s = PlaneRouteEntries[Entry].Slots[i];
    if (s.Occupied == 0 && cls < 8 && ((s.Classes >> cls) & 1) != 0) {
      Slot = s;
      return;
    }
  }
}

void ResetPlanes() {
  std::memset(PlaneTypes, 0, sizeof(PlaneTypes));
  std::memset(PlaneRouteEntries, 0, sizeof(PlaneRouteEntries));
  std::memset(&Plane, 0, sizeof(Plane));
  PlaneActive = 0;
}
