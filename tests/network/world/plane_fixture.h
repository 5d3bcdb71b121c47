// A small air world for the plane tests: plane type 1, two airports of building type 9 (a runway
// from type node 1 to type node 2, a gate at type node 3) as route entries 1 and 2, and a plane at
// the gate of airport 1, ready to taxi out with airport 2 as its destination.
#pragma once

#include <cmath>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "network/world/planes.h"

namespace plane_testing {

// A field of a packed record by value: the test macros bind references to what they compare.
template <typename T>
T Val(T v) {
  return v;
}

constexpr uint16_t kAirportType = 9;
constexpr uint8_t kPlaneClass = 2;
// Building coordinates of the airport type: runway ends and gate.
constexpr TVector kNode1{-600.0f, 0.0f, 0.0f}, kNode2{600.0f, 0.0f, 0.0f}, kGate{0.0f, 0.0f, 200.0f};
constexpr TVector kAirport1{20000.0f, 0.0f, 20000.0f}, kAirport2{32000.0f, 0.0f, 26000.0f};

// Turn radius 100 in cruise, take-off at 6, cruise at 10, taxi at 2.
inline TPlaneType SampleType() {
  TPlaneType t{};
  t.Class = kPlaneClass;
  t.TurnRate = 0.01f;
  t.TopSpeed = 10.0f;
  t.TaxiTopSpeed = 2.0f;
  t.TakeOffSpeed = 6.0f;
  t.AccelBelow = 0.5f;
  t.AccelAbove = 0.2f;
  t.ApproachDecel = 0.05f;
  t.BrakeDecel = 0.5f;
  t.MaxClimbAngle = 0.2f;
  t.ClimbStep = 0.01f;
  t.EngineValue = 1.0f;
  return t;
}

inline void SetAirportType() {
  TBuildingType& type = BuildingTypes[kAirportType];
  const TVector nodes[3] = {kNode1, kNode2, kGate};
  for (int i = 0; i < 3; ++i) {
    TBuildingTypeNode n;
    n.Position = nodes[i];
    SetBuildingTypeNode(type, i + 1, n);
  }
}

// An airport building at the position, turned by Gier degrees.
inline uint32_t AddAirport(const TVector& at, float gier) {
  TBuilding b{};
  b.Init(kAirportType, 1);
  b.Position = at;
  b.Gier = gier;
  b.State = 2;
  b.A_Write();
  return b.Index;
}

// Route entry E: the airport and one free slot admitting the sample class.
inline void SetRouteEntry(uint32_t e, uint32_t building) {
  TPlaneRouteEntry entry{};
  entry.SlotCount = 1;
  entry.Building = building;
  entry.Slots[0] = TAirportSlot{1, 0, building, 7, static_cast<uint8_t>(1u << kPlaneClass)};
  PlaneRouteEntries[e] = entry;
}

// Building coordinates into the world for a building at At turned by 0 or 90 degrees.
inline TVector World(const TVector& at, const TVector& local, float gier) {
  if (gier == 0.0f) return {at.x + local.x, at.y + local.y, at.z + local.z};
  return {at.x + local.z, at.y + local.y, at.z - local.x};  // 90 degrees about y
}

struct TAirWorld {
  uint32_t Airport1 = 0, Airport2 = 0;
};

// Everything above; the plane stands at airport 1's gate heading toward its first taxi point, the
// runway start (node 1) is its second, node 2 the take-off turn target. PlaneActive is set.
inline TAirWorld SetUpAirWorld() {
  TAirWorld w;
  PlaneTypes[1] = SampleType();
  SetAirportType();
  w.Airport1 = AddAirport(kAirport1, 0.0f);
  w.Airport2 = AddAirport(kAirport2, 90.0f);
  SetRouteEntry(1, w.Airport1);
  SetRouteEntry(2, w.Airport2);
  TPlane p{};
  p.PlaneType = 1;
  p.State = kPlaneTaxiOut;
  p.Position = World(kAirport1, kGate, 0.0f);
  p.Heading = {-1.0f, 0.0f, 0.0f};
  p.RouteEntry = 1;
  TPlaneNav n{};
  n.TargetPoint = World(kAirport1, TVector{-500.0f, 0.0f, 200.0f}, 0.0f);
  n.FarPoint = World(kAirport1, kNode1, 0.0f);
  n.LandingPoint = World(kAirport1, kNode2, 0.0f);
  n.DestEntry = 2;
  n.LastDistance = 1.0e6f;
  p.Nav = n;
  Plane = p;
  PlaneActive = 1;
  return w;
}

inline bool FiniteVector(const TVector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The states a plane may be in, and its figures finite.
inline bool PlaneInRange(const TPlane& p) {
  const uint8_t s = p.State;
  if (!(s == 0 || (s >= 2 && s <= 8))) return false;
  const TPlaneNav n = p.Nav;
  const uint8_t sub = n.SubState;
  if (!(sub <= 10 || sub == 98 || sub == 99)) return false;
  for (float v : {p.Speed, p.Altitude, p.TargetAltitude, p.ClimbAngle, p.BankAngle, p.EngineShare, n.LastDistance})
    if (!std::isfinite(v)) return false;
  for (TVector v : {p.Position, p.Heading, n.TargetPoint, n.FarPoint, n.Position, n.Heading}) {
    if (!FiniteVector(v)) return false;
  }
  return std::fabs(p.Position.x) < 2.0e6f && std::fabs(p.Position.z) < 2.0e6f;
}

}  // namespace plane_testing
