#include "network/construction/harbours.h"

#include <cmath>
#include <memory>
#include <string>
#include <utility>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/mesh/meshrecords.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "network/construction/buildings.h"
#include "network/world/areas.h"
#include "network/world/ships.h"
#include "network/world/terrain.h"

namespace {

using LD = long double;

constexpr float kPi = 3.1415f;
constexpr float kHalfPi = 1.57075f;
constexpr double kRadToDeg = 57.29577951308232;
// The quay's land strip lies this far behind the quay's front, either side of its back edge.
constexpr float kQuayLandStripNear = 180.0f, kQuayLandStripFar = 220.0f;
// The quay front lies this far into the water at least.
constexpr float kQuayFrontInWater = 20.0f;
// The ends of the quay are turned by up to this much, in steps.
constexpr float kQuayTurnReach = 100.0f, kTurnStep = 10.0f;
// The ship moored along the quay keeps this distance from it; beside a landing it keeps it from the
// landing's edge.
constexpr float kMooringGap = 5.0f;
// The coast building's search stops past this shift.
constexpr float kCoastShiftLimit = 101.0f;

float F(LD v) { return static_cast<float>(v); }

TVector Offset(const TVector& p, float angle, float r) {
  TVector out;
  OffsetByAngle(p, out, angle, r);
  return out;
}

TVector Plus(const TVector& a, const TVector& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

TAreaCells& Cells() {
  static const auto cells = std::make_unique<TAreaCells>();
  return *cells;
}

bool IsWater(uint8_t kind) { return kind == kGroundOpenWater; }
bool IsLand(uint8_t kind) { return kind >= 5 && kind <= 12; }

// Whether every map cell under the quad passes the test; an area that lists no cell does not.
template <class Test>
bool AllCells(const TVector (&quad)[4], Test test) {
  const int32_t count = FillLAndArray(quad, Cells());
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    const TMapCell c = Cells().Cells[i];
    if (!test(GroundMap[c.Column][c.Row])) return false;
  }
  return true;
}

int32_t LandCells(const TVector (&quad)[4]) {
  const int32_t count = FillLAndArray(quad, Cells());
  int32_t land = 0;
  for (int32_t i = 0; i < count; ++i) {
    const TMapCell c = Cells().Cells[i];
    if (IsLand(GroundMap[c.Column][c.Row])) ++land;
  }
  return land;
}

void StartConstruction(TCurveline& curve, TConstructResult& result) {
  ResetConstruction(curve);
  if (curve.PieceLog != nullptr) ClearPieceLog(*curve.PieceLog);
  result = TConstructResult::Success();
}

// The stored mesh at index into Mesh; false, Mesh untouched, when no mesh is stored there.
bool ReadStoredMesh(uint32_t index, TMeshdata2& mesh) {
  if (!ArrayerHolds(kTMeshdata2Desc, index)) return false;
  mesh.A_Read(index);
  return true;
}

// Preview entry k shows the stored mesh at index (nothing when there is none); true when shown.
bool ShowMesh(TCurveline& curve, int k, uint32_t index) {
  if (!ReadStoredMesh(index, curve.PreviewMeshes[k])) {
    curve.PreviewMeshes[k].Init();
    return false;
  }
  curve.PreviewBuilding[k] = 1;
  return true;
}

// ---- The quay

// A quay line: its ends and the heading from B to A; its land side lies at heading + pi/2.
struct QuayLine {
  TVector A, B;
  float H;
};

// The quad between the distances Near and Far from the line, measured toward the land side
// (negative: toward the water).
void SideQuad(const QuayLine& q, float nearSide, float farSide, TVector (&quad)[4]) {
  const float side = q.H + kHalfPi;
  quad[0] = Offset(q.A, side, nearSide);
  quad[1] = Offset(q.B, side, nearSide);
  quad[2] = Offset(q.B, side, farSide);
  quad[3] = Offset(q.A, side, farSide);
}

// The line with one end moved sideways by f (toward the land for f > 0), its heading recomputed.
QuayLine Turned(const QuayLine& q, bool moveB, float f) {
  QuayLine t = q;
  if (moveB) {
    t.B = Offset(q.B, q.H + kHalfPi, f);
  } else {
    t.A = Offset(q.A, q.H + kHalfPi, f);
  }
  t.H = HeadingTo(t.B, t.A);
  return t;
}

bool QuayInWater(const QuayLine& q) {
  TVector quad[4];
  SideQuad(q, kQuayFrontInWater, -kQuayWaterReach, quad);
  return AllCells(quad, IsWater);
}

bool QuayBackOnLand(const QuayLine& q) {
  TVector quad[4];
  SideQuad(q, kQuayLandStripNear, kQuayLandStripFar, quad);
  return AllCells(quad, IsLand);
}

// Turns the quay to fit the coast by moving one end sideways: first toward the water until the
// front lies in water, then toward the land until the back lies on land.
void FitQuayToCoast(QuayLine& q, bool moveB, TConstructResult& result) {
  float f = 0.0f;
  while (!QuayInWater(Turned(q, moveB, f)) && f > -kQuayTurnReach) f -= kTurnStep;
  while (!QuayBackOnLand(Turned(q, moveB, f)) && f < kQuayTurnReach) f += kTurnStep;
  const QuayLine fitted = Turned(q, moveB, f);
  if (!QuayInWater(fitted)) result.Assign(26);
  if (!QuayBackOnLand(fitted)) result.Assign(27);
  if (result.Ok()) q = fitted;
}

// The quay block: vertices 1, 2 on the line, 3, 4 behind them on the land side, 5..8 the same
// raised to the quay's top.
void MakeQuayMesh(const QuayLine& q, TMeshdata2& mesh) {
  mesh.Init();
  const float side = q.H + kHalfPi;
  const TVector ground[4] = {q.A, q.B, Offset(q.B, side, kQuayWidth), Offset(q.A, side, kQuayWidth)};
  const float u[4] = {0.0f, 1.0f, 1.0f, 0.0f}, v[4] = {0.0f, 0.0f, 1.0f, 1.0f};
  for (int i = 0; i < 4; ++i) {
    mesh.vxA(static_cast<uint16_t>(i + 1), ground[i].x, ground[i].y, ground[i].z, u[i], v[i]);
    mesh.vxA(static_cast<uint16_t>(i + 5), ground[i].x, ground[i].y + kQuayHeight, ground[i].z, u[i], v[i]);
  }
  const uint16_t texture = StandardTextures[kQuayTextureEntry];
  const uint16_t quads[5][4] = {{5, 6, 7, 8}, {1, 5, 6, 2}, {4, 8, 7, 3}, {1, 5, 8, 4}, {2, 6, 7, 3}};
  for (const auto& f : quads) AddQuad(mesh, f[0], f[1], f[2], f[3], texture, true, false, 255, 255, 255, 255);
}

TVector VertexAt(const TMeshdata2& mesh, int i) {
  const TMeshVertex& v = mesh.Vertex(i);
  return {v.x, v.y, v.z};
}

// The ship of type 1 moored along the quay's water face, parallel to it.
void ShowMooredShip(TCurveline& curve, const QuayLine& q) {
  const TShipType& ship = ShipTypeRow(1);
  if (!(VecDistance(q.A, q.B) > ship.FrontLength + ship.RearLength)) return;
  if (!ShowMesh(curve, 2, ship.Mesh)) return;
  TVector middle;
  VecMidpoint(q.A, q.B, middle);
  const TVector at = Offset(middle, q.H - kHalfPi, ship.Width / 2 + kMooringGap);
  TransformMesh(curve.PreviewMeshes[2], TPlacement{at.x, at.y, at.z, 0.0f, F(q.H * kRadToDeg), 0.0f});
}

// The harbour building over the stored quay mesh, its station and its industry.
void CreateHarbour(TMeshdata2& mesh) {
  mesh.Flags |= kMeshFromRecord;
  mesh.A_Write();
  const TVector v1 = VertexAt(mesh, 1), v2 = VertexAt(mesh, 2);
  TBuilding b{};
  b.Owner = ActPlayer;
  b.BuildingType = SpecialBuildingTypes[kHarbourTypeEntry];
  b.State = 0;
  b.Mesh = mesh.Index;
  b.Corners[0] = v1;
  b.Corners[1] = v2;
  b.Corners[2] = VertexAt(mesh, 7);
  b.Corners[3] = VertexAt(mesh, 8);
  b.LowHeight = b.HighHeight = 0.0f;
  TVector position;
  VecMidpoint(v1, v2, position);
  b.Position = position;
  float gier = F((LD(HeadingTo(v2, v1)) - kHalfPi) / kShipDegToRad);
  if (gier < 0.0f) gier += 360.0f;
  b.Gier = gier;
  b.A_Write();

  const auto station = std::make_unique<TStation>();
  *station = TStation{};
  station->Kind = ActPlayer;
  station->HandlingRate = kHarbourHandlingRate;
  station->StationBuildingcounter = 1;
  station->Position = position;
  station->Buildings[0] = b.Index;
  station->A_Write();
  // The building knows its station, so that its removal takes it out of the station again.
  b.Station = station->Index;
  b.A_Overwrite();

  const auto industry = std::make_unique<TIndustry>();
  *industry = TIndustry{};
  industry->CostValue = 1.0f;
  industry->NextProductionTick = 10;
  industry->Station = station->Index;
  industry->IndustryType = kHarbourIndustryType;
  industry->A_Write();

  station->StationObjectOf = industry->Index;
  station->Direction = kHarbourStationDirection;
  station->Name = "Harbour: " + std::to_string(industry->Index);
  station->A_ReWrite();
}

// ---- Buildings placed by their type's points

// Where a building fitted at Position and Angle puts its building-coordinate points.
struct Frame {
  TVector Position;
  float Cos, Sin;
  Frame(const TVector& position, float angle) : Position(position) { SinCos(Sin, Cos, angle); }
  TVector Place(TVector local) const {
    RotateY(local, Cos, Sin);
    return Plus(local, Position);
  }
};

TVector TypePoint(const TBuildingType& type, int point) { return BuildingTypeReferencePoint(type, point); }

// The quad of four type points, each moved by Shift in building coordinates, placed by the frame.
void PlacedQuad(const Frame& frame, const TVector (&local)[4], const TVector& shift, TVector (&quad)[4]) {
  for (int k = 0; k < 4; ++k) quad[k] = frame.Place(Plus(local[k], shift));
}

// The type's mesh (empty when the type names none that is stored) into preview entry 1, moved by
// Shift in building coordinates and placed like the building.
void ShowTypeMesh(TCurveline& curve, const TBuildingType& type, const TVector& position, float angle,
                  const TVector& shift) {
  ShowMesh(curve, 1, BuildingTypeMesh(type));
  curve.PreviewBuilding[1] = 1;
  TMeshdata2& mesh = curve.PreviewMeshes[1];
  TranslateMesh(mesh, shift.x, shift.y, shift.z);
  TransformMesh(mesh, TPlacement{position.x, position.y, position.z, 0.0f, F(angle * kRadToDeg), 0.0f});
}

}  // namespace

void BuildHarbour(const TVector& a, const TVector& b, TCurveline& curve, TConstructResult& result, uint8_t mode) {
  StartConstruction(curve, result);
  const float length = F(VecDistance(a, b));
  if (length < 1.0f) {
    result.Assign(2);
    return;
  }
  QuayLine q{a, b, HeadingTo(a, b)};
  // The land side: the end points are ordered so that the side with more land lies at H + pi/2.
  TVector first[4], second[4];
  SideQuad(q, 0.0f, kQuayWidth, first);
  SideQuad(q, 0.0f, -kQuayWidth, second);
  const bool exchanged = LandCells(first) - LandCells(second) >= 0;
  if (exchanged) {
    std::swap(q.A, q.B);
  } else {
    q.H = F(q.H + kPi);
  }
  if (length < kQuayShortest) {
    result.Assign(4);
  } else if (length > kQuayLongest) {
    result.Assign(3);
  }
  // The end drawn first is the one that turns.
  if (result.Ok()) FitQuayToCoast(q, exchanged, result);

  MakeQuayMesh(q, curve.PreviewMeshes[1]);
  curve.PreviewBuilding[1] = 1;
  curve.conzahl = 3;
  if (result.Ok()) ShowMooredShip(curve, q);
  if (result.Ok() && mode == 1) CreateHarbour(curve.PreviewMeshes[1]);
}

void ConstructShipLanding(uint32_t harbourBuilding, const TVector& point, TCurveline& curve, TConstructResult& result,
                          uint8_t mode) {
  StartConstruction(curve, result);
  TBuilding harbour{};
  const auto quay = std::make_unique<TMeshdata2>();
  if (!ArrayerHolds(kTBuildingDesc, harbourBuilding)) {
    result.Assign(28);
    return;
  }
  harbour.A_Read(harbourBuilding);
  if (!ReadStoredMesh(harbour.Mesh, *quay) || quay->VertexCount < 2) {
    result.Assign(28);
    return;
  }
  const TVector v1 = VertexAt(*quay, 1), v2 = VertexAt(*quay, 2);
  const float h = F(LD(HeadingTo(v1, v2)) + kHalfPi);  // away from the quay, over the water
  const TVector reach = Offset(point, h - kPi, kLandingSearchReach);
  TVector crossing;
  float along = 0.0f, onQuay = 0.0f;
  if (SegmentIntersectXZ(point, reach, v1, v2, crossing, along, onQuay) != 0) result.Assign(28);
  curve.conzahl = 4;
  if (!result.Ok()) return;
  crossing.y = F(v1.y + LD(onQuay) * (v2.y - v1.y));  // the quay's foot at the crossing

  const uint16_t typeIndex = SpecialBuildingTypes[kLandingTypeEntry];
  const TBuildingType& type = BuildingTypeRow(typeIndex);
  TBuilding landing{};
  landing.Init(typeIndex, ActPlayer);
  TVector position;
  float angle;
  CalcBuildingGeometry(landing, crossing, Offset(crossing, h, kLandingSearchReach), TypePoint(type, 1),
                       TypePoint(type, 2), position, angle);
  if (VecDistanceXZ(position, v1) < kLandingEndDistance || VecDistanceXZ(position, v2) < kLandingEndDistance)
    result.Assign(7);

  // The mooring sides: open water beside the edges of points 3-4 (side A, +x) and 5-6 (side B, -x).
  const Frame frame(position, angle);
  bool moorable[2];
  for (int side = 0; side < 2; ++side) {
    const TVector p = TypePoint(type, 3 + 2 * side), r = TypePoint(type, 4 + 2 * side);
    const float reachX = side == 0 ? kMooringReach : -kMooringReach;
    const TVector local[4] = {p, r, {r.x + reachX, r.y, r.z}, {p.x + reachX, p.y, p.z}};
    TVector quad[4];
    PlacedQuad(frame, local, {0.0f, 0.0f, 0.0f}, quad);
    moorable[side] = AllCells(quad, IsWater);
  }

  if (mode == 0) {
    ShowTypeMesh(curve, type, position, angle, {0.0f, 0.0f, 0.0f});
    // The ship lies beside the landing with its bow out along it and its stern the gap off the quay.
    const TShipType& ship = ShipTypeRow(1);
    TVector out;  // along the landing, in building coordinates
    VecSubXZ(TypePoint(type, 2), TypePoint(type, 1), out);
    if (out.x == 0.0f && out.z == 0.0f) out = {0.0f, 0.0f, 1.0f};
    Normalize(out);
    const float aside = ship.Width / 2 + kPreviewLandingWidth / 2 + kMooringGap;
    const float along = ship.RearLength + kPreviewShipGap;
    const float shipGier = F(ArcTan2(-out.x, -out.z) * kRadToDeg);
    const TPlacement placement{position.x, position.y, position.z, 0.0f, F(angle * kRadToDeg), 0.0f};
    for (int side = 0; side < 2; ++side) {
      if (!moorable[side] || !ShowMesh(curve, 2 + side, ship.Mesh)) continue;
      TMeshdata2& mesh = curve.PreviewMeshes[2 + side];
      TransformMesh(mesh, TPlacement{out.x * along + (side == 0 ? aside : -aside), 0.0f, out.z * along, 0.0f, shipGier,
                                     0.0f});
      TransformMesh(mesh, placement);
    }
  }
  if (mode == 1 && result.Ok()) InitBuilding(typeIndex, landing, position, angle, 0);
}

void ConstructCoastBuilding(const TVector& a, const TVector& b, TCurveline& curve, TConstructResult& result,
                            uint8_t mode) {
  StartConstruction(curve, result);
  const uint16_t typeIndex = SpecialBuildingTypes[kCoastBuildingTypeEntry];
  const TBuildingType& type = BuildingTypeRow(typeIndex);
  const TVector p1 = TypePoint(type, 1), p2 = TypePoint(type, 2);
  TVector d;
  VecSub(b, a, d);
  const LD length = VecLength(d);
  if (length == 0) {  // a line without length shows nothing and builds nothing
    result.Assign(2);
    return;
  }
  TVector unit = d;
  VecScaleSelf(unit, F(1 / length));
  const float reach = F(VecDistance(p1, p2));
  const auto along = [&](const TVector& from, float r) {
    return TVector{F(from.x + LD(unit.x) * r), F(from.y + LD(unit.y) * r), F(from.z + LD(unit.z) * r)};
  };
  const TVector toward = along(a, reach);

  TBuilding building{};
  building.Init(typeIndex, ActPlayer);
  TVector position;
  float angle;
  CalcBuildingGeometry(building, a, toward, p1, p2, position, angle);
  const Frame frame(position, angle);
  const TVector waterPart[4] = {TypePoint(type, 3), TypePoint(type, 4), TypePoint(type, 5), TypePoint(type, 6)};
  const TVector landPart[4] = {TypePoint(type, 7), TypePoint(type, 8), TypePoint(type, 9), TypePoint(type, 10)};
  const auto covers = [&](const TVector (&part)[4], float f, bool (*test)(uint8_t)) {
    TVector quad[4];
    PlacedQuad(frame, part, {0.0f, 0.0f, f}, quad);
    return AllCells(quad, test);
  };

  float f = 0.0f;
  while (!covers(waterPart, f, IsWater)) {
    f -= kTurnStep;
    if (f < -kCoastShiftLimit) {
      result.Assign(26);
      break;
    }
  }
  if (result.Ok()) {
    while (!covers(landPart, f, IsLand)) {
      f += kTurnStep;
      if (f >= kCoastShiftLimit) {
        result.Assign(27);
        break;
      }
    }
  }
  if (result.Ok() && !covers(waterPart, f, IsWater)) result.Assign(27);

  if (mode == 1) {
    if (!result.Ok()) return;
    CalcBuildingGeometry(building, along(a, f), along(toward, f), p1, p2, position, angle);
    InitBuilding(typeIndex, building, position, angle, 0);
  } else {
    curve.conzahl = 2;
    ShowTypeMesh(curve, type, position, angle, {0.0f, 0.0f, f});
  }
}
