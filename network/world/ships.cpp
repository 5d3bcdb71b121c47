#include "network/world/ships.h"

#include <cmath>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/mesh/mesh.h"
#include "engine/world/building.h"

namespace {

using LD = long double;

float F(LD v) { return static_cast<float>(v); }

const TShipType kNoShipType{};

// The height map value of the vertex nearest to a world point, 0 off the map.
float MapHeightAt(const TVector& p) {
  const int32_t x = RoundToInt(static_cast<LD>(p.x) / 100);
  const int32_t z = RoundToInt(static_cast<LD>(p.z) / 100);
  if (x < 0 || z < 0 || x >= kMapSize || z >= kMapSize) return 0.0f;
  return static_cast<float>(HeightMap[x][z]);
}

TVector PositionOf(const TPlacement& p) { return {p.X, p.Y, p.Z}; }

// Point 1 or 2 of the building's type, turned by the building's Gier and moved to its position.
TVector SlipwayPoint(const TBuilding& b, int point) {
  TVector v{0.0f, 0.0f, 0.0f};
  if (b.BuildingType <= 255) v = BuildingTypeReferencePoint(BuildingTypes[b.BuildingType], point);
  RotateVectorDeg(v, TPlacement{b.Position.x, b.Position.y, b.Position.z, 0.0f, b.Gier, 0.0f});
  return v;
}

// The schedule's first station when the schedule is stored and calculated.
bool CalculatedSchedule(uint32_t index, uint32_t& firstStation) {
  if (!ArrayerHolds(kTScheduleDesc, index)) return false;
  TSchedule s{};
  s.A_Read(index);
  if (!s.IsCalculated()) return false;
  firstStation = s.Stops[0].Station;
  return true;
}

void Afloat(TShip& ship) {
  uint32_t first = 0;
  if (ship.ScheduleTaken == 0 && ship.Schedule != 0 && CalculatedSchedule(ship.Schedule, first)) {
    ship.ScheduleTaken = 1;
    ship.FirstStation = first;
    ship.State = kShipOnSchedule;
  }
  ShipStep(ship, 0.0f);
  ShipFloat(ship);
}

void Launch(TShip& ship) {
  if (!ArrayerHolds(kTBuildingDesc, ship.SlipwayBuilding)) {
    ship.State = kShipAfloat;
    return;
  }
  TBuilding b{};
  b.A_Read(ship.SlipwayBuilding);
  const TVector p1 = SlipwayPoint(b, 1), p2 = SlipwayPoint(b, 2);
  if (p1.x == p2.x && p1.z == p2.z) {  // no direction to slide along
    ship.State = kShipAfloat;
    return;
  }
  const TShipType& type = ShipTypeRow(ship.ShipType);
  const float h = HeadingTo(p1, p2);
  TPlacement p = ship.Placement;
  p.Gier = F(h / kShipDegToRad);
  ship.Placement = p;
  TVector down;
  VecSub(p1, p2, down);
  const LD incline = Pitch(down);

  ShipStep(ship, kLaunchSpeed);
  p = ship.Placement;
  TVector bow, stern;
  OffsetByAngle(PositionOf(p), bow, h, type.FrontLength);
  OffsetByAngle(PositionOf(p), stern, h + kShipPi, type.RearLength / 2);
  float yb = F(p2.y + std::sin(incline) * VecDistanceXZ(p2, bow) + type.HeightOffset);
  float ys = F(p2.y + std::sin(incline) * VecDistanceXZ(p2, stern) + type.HeightOffset);
  if (yb < p1.y) {
    yb = p1.y;
    ship.State = kShipAfloat;
  }
  if (ys < p1.y) ys = p1.y;
  const TVector hull{bow.x - stern.x, yb - ys, bow.z - stern.z};
  p.Nick = F(Pitch(hull) / kShipDegToRad);
  p.Y = F(yb - std::sin(p.Nick * kShipDegToRad) * type.FrontLength);
  ship.Placement = p;
}

}  // namespace

bool SetShipType(int row, const TShipType& t) {
  if (row < 1 || row > 255) {
    SYS_Warning("Ship type " + std::to_string(row) + ": no such row");
    return false;
  }
  const float divisor = t.AccelerationDivisor;
  if (!(divisor > 0.0f) || !std::isfinite(divisor)) {
    SYS_Warning("Ship type " + std::to_string(row) + ": acceleration divisor must be above 0");
    return false;
  }
  ShipTypes[row] = t;
  return true;
}

const TShipType& ShipTypeRow(uint16_t type) {
  if (type == 0 || type > 255) return kNoShipType;
  return ShipTypes[type];
}

float SineOffset(float base, float angle, float amplitude) { return F(base + std::sin(LD(angle)) * amplitude); }

void ShipStep(TShip& ship, float targetSpeed) {
  const TShipType& type = ShipTypeRow(ship.ShipType);
  float target = targetSpeed;
  if (target > type.MaxSpeed) target = type.MaxSpeed;
  if (target < -type.MaxSpeed) target = -type.MaxSpeed;
  const float step = 1.0f / type.AccelerationDivisor;
  float speed = ship.Speed;
  if (!(step > 0.0f) || !std::isfinite(step)) {
    speed = target;
  } else {
    if (speed < target) speed += step;
    if (speed > target) speed -= step;
  }
  ship.Speed = speed;
  TPlacement p = ship.Placement;
  const LD g = p.Gier * kShipDegToRad;
  p.X = F(p.X - std::sin(g) * speed);
  p.Z = F(p.Z - std::cos(g) * speed);
  ship.Placement = p;
}

void ShipFloat(TShip& ship) {
  const TShipType& type = ShipTypeRow(ship.ShipType);
  TPlacement p = ship.Placement;
  const float g = F(p.Gier * kShipDegToRad);
  TVector bow, stern;
  OffsetByAngle(PositionOf(p), bow, g, type.FrontLength / 2);
  OffsetByAngle(PositionOf(p), stern, g + kShipPi, type.RearLength / 2);
  const float hb = MapHeightAt(bow);
  const float a = F(ArcTan2(hb - MapHeightAt(stern), 1.0f));
  const float nick = F(p.Nick * kShipDegToRad);
  const float pitch = F((LD(a) - nick) * type.Smoothing + nick);
  p.Y = F(p.Y + (LD(SineOffset(hb, pitch, type.FrontLength / 2)) - p.Y) * type.Smoothing);
  p.Nick = F(pitch / kShipDegToRad);
  ship.Placement = p;
}

void MoveShip(uint32_t index) {
  if (!ArrayerHolds(kTShipDesc, index)) return;
  TShip ship{};
  ship.A_Read(index);
  switch (ship.State) {
    case kShipAfloat:
      Afloat(ship);
      break;
    case kShipLaunching:
      Launch(ship);
      break;
    default:
      return;
  }
  ship.A_Overwrite();
}
