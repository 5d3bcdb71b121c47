#include "network/picking.h"

#include <algorithm>
#include <memory>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/connectpool.h"
#include "engine/store/recordstore.h"
#include "engine/store/trainpool.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "engine/world/vehicle.h"
#include "network/construction/harbours.h"
#include "network/construction/result.h"
#include "network/construction/connects.h"
#include "network/world/terrain.h"
#include "script/gamecommands.h"
#include "script/runners.h"

TVector PickHitPoint{};
uint32_t TreeKindMeshes[256]{};

namespace {

constexpr float kNoHit = 100000000.0f;
constexpr int kAllPolygons = 255;

// The working mesh of every pick.
TMesh2& WorkMesh() {
  static const auto mesh = std::make_unique<TMesh2>();
  return *mesh;
}

struct Ray {
  TVector Start, Through;
  float Best = kNoHit;
};

bool VertexOk(const TMesh2& m, uint16_t v) { return v >= 1 && v <= m.VertexCount; }

TVector At(const TMesh2& m, uint16_t v) {
  const TMeshVertex& x = m.Vertex(v);
  return {x.x, x.y, x.z};
}

// Tests the working mesh's polygons 1..upper in order; the first one hit nearer than the best sets
// the best distance and PickHitPoint and ends the test.
bool RayHitsMesh(Ray& ray, int upper) {
  const TMesh2& m = WorkMesh();
  for (int p = 1; p <= m.PolygonCount && p <= upper; ++p) {
    const TMeshPolygon& poly = m.Polygon(p);
    const bool triangle = poly.Kind == kPolyTriangle;
    if (!triangle && poly.Kind != kPolyQuad) continue;
    const uint16_t a = poly.Vertices[0], b = poly.Vertices[1], c = triangle ? poly.Vertices[2] : poly.Vertices[3];
    if (!VertexOk(m, a) || !VertexOk(m, b) || !VertexOk(m, c)) continue;
    if (RayTriangleIntersect(At(m, a), At(m, b), At(m, c), ray.Start, ray.Through, triangle) &&
        RayHitDistance < ray.Best) {
      ray.Best = RayHitDistance;
      PickHitPoint = RayHitPoint;
      return true;
    }
  }
  return false;
}

bool ReadMesh(uint32_t record) {
  if (record == 0) return false;
  WorkMesh().A_Read(record);
  return true;
}

uint32_t NoAnimals() { return 0; }
bool NoAnimalMesh(uint32_t, TMesh2&) { return false; }

// A building without a mesh of its own: each mesh row of its type, moved by the script's part
// placement (when the type has a script), the row's own placement (when it applies) and the
// building's placement, in that order.
bool PickBuildingRows(TBuilding& b, Ray& r) {
  if (b.BuildingType == 0 || b.BuildingType > 255) return false;
  const TBuildingType& type = BuildingTypes[b.BuildingType];
  const int rows = std::min<int>(BuildingTypeMeshCount(type), kBuildingTypeMeshRows);
  const bool scripted = BuildingTypeScriptNumber(type) != 0;
  const TPlacement own = {b.Position.x, b.Position.y, b.Position.z, b.Roll, b.Gier, b.Nick};
  bool hit = false;
  for (int k = 1; k <= rows; ++k) {
    const TBuildingTypeMeshRow row = BuildingTypeMeshRow(type, k);
    if (!ReadMesh(row.Meshes[0])) continue;
    if (scripted) {
      RunBuildingScript(b, 1);
      TransformMesh(WorkMesh(), MeshPartTransforms[k]);
    }
    if (row.PlacementApplies != 0) TransformMesh(WorkMesh(), row.Placement);
    TransformMesh(WorkMesh(), own);
    hit = RayHitsMesh(r, kAllPolygons) || hit;
  }
  return hit;
}

}  // namespace

namespace picking_hooks {
uint32_t (*AnimalCount)() = NoAnimals;
bool (*AnimalMesh)(uint32_t, TMesh2&) = NoAnimalMesh;
void InstallDefaults() {
  AnimalCount = NoAnimals;
  AnimalMesh = NoAnimalMesh;
}
}  // namespace picking_hooks

void PickObject(const TVector& start, const TVector& ray, uint8_t mode, TPickResult& result) {
  const int32_t reach = ViewRange * 100;
  const long double range = static_cast<int32_t>(static_cast<uint32_t>(reach) * static_cast<uint32_t>(reach));
  const auto near = [&](const TVector& p) {
    const long double dx = static_cast<long double>(start.x) - p.x, dz = static_cast<long double>(start.z) - p.z;
    return dx * dx + dz * dz < range;
  };
  Ray r{start, {start.x + ray.x, start.y + ray.y, start.z + ray.z}};
  result.Kind = result.Extra = result.Index = result.SecondIndex = 0;

  uint32_t kinds = kARTypeBuilding | kARTypeWay;
  if (mode == 1 || mode == 2) kinds = kARTypeWay;
  if (mode == 3) kinds = kARTypeBuilding;
  uint32_t type = 0;
  for (uint32_t i = FindInArrayerBWMultipel(kinds, 0, type); i != 0; i = FindInArrayerBWMultipel(kinds, i, type)) {
    if (type == kARTypeBuilding) {
      TBuilding b;
      b.A_Read(i);
      bool counts = false;
      for (const TVector& corner : b.Corners) counts = counts || near(corner);
      if (!counts) continue;
      if (b.Mesh != 0) {
        ReadMesh(b.Mesh);
        if (RayHitsMesh(r, kAllPolygons)) result = {kPickBuilding, 0, i, 0, result.HitPoint};
        continue;
      }
      if (PickBuildingRows(b, r)) result = {kPickBuilding, 0, i, 0, result.HitPoint};
    } else if (type == kARTypeWay) {
      TWay w;
      w.A_Read(i);
      if (!near(w.Position) || !ReadMesh(w.Mesh)) continue;
      int upper = kAllPolygons;
      if (w.Waytype == 0 || w.Waytype == 1 || w.Waytype == 2 || w.Waytype == 6) upper = 1;
      if (w.Waytype == 3) upper = w.Completion == 4 ? 2 : 1;
      if (RayHitsMesh(r, upper)) result = {kPickWay, 0, i, 0, result.HitPoint};
    }
  }

  if (mode != 1 && mode != 2 && mode != 4) {
    for (uint32_t i = FindInArrayerOAMultipel(kARTypeTree, 0, type); i != 0;
         i = FindInArrayerOAMultipel(kARTypeTree, i, type)) {
      TTree t;
      t.A_Read(i);
      if (!near(t.Position) || !ReadMesh(TreeKindMeshes[t.Kind])) continue;
      TransformMesh(WorkMesh(), {t.Position.x, t.Position.y, t.Position.z, 0.0f, t.Rotation, 0.0f});
      if (RayHitsMesh(r, kAllPolygons)) result = {kPickTree, 0, i, 0, result.HitPoint};
    }

    for (uint32_t train = FindNextTrain(0); train != 0; train = FindNextTrain(train)) {
      const TTrain& tr = TrainByIndex(train);
      const int count = tr.VehicleCount < kTrainMaxVehicles ? tr.VehicleCount : kTrainMaxVehicles;
      for (int k = 0; k < count; ++k) {
        if (tr.Vehicles[k] == 0) continue;
        TVehicle v;
        v.A_Read(tr.Vehicles[k]);
        if (!v.Shown || v.VehicleType == 0 || v.VehicleType > 255) continue;
        PrepareVehicleMeshes(v, static_cast<int32_t>(train));
        const TVehicleType& vt = VehicleTypes[v.VehicleType];
        for (int part = 1; part <= VehicleTypeMeshCount(vt); ++part) {
          if (!ReadMesh(VehicleTypeMeshRecord(vt, part))) continue;
          TransformMesh(WorkMesh(), v.Placement);
          if (RayHitsMesh(r, kAllPolygons)) {
            result.Kind = kPickVehicle;
            result.Extra = kPickVehicleExtra;
            result.Index = v.Index;
            result.SecondIndex = train;
            return;
          }
        }
      }
    }
  }
  if (mode == 0 && result.Kind == 0) {
    const uint32_t animals = picking_hooks::AnimalCount();
    for (uint32_t k = 1; k <= animals; ++k) {
      if (picking_hooks::AnimalMesh(k, WorkMesh()) && RayHitsMesh(r, kAllPolygons))
        result = {kPickAnimal, 0, k, 0, result.HitPoint};
    }
  }
  result.HitPoint = PickHitPoint;
}

void PickObjectUnderMouse(uint8_t mode, TPickResult& result) {
  if (LocalPlayer < 1 || LocalPlayer > 10) return;
  const TPlacement& cam = Players[LocalPlayer].Camera;
  PickObject({cam.X, cam.Y, cam.Z}, MouseRay, mode, result);
}

bool PickTerrain(int32_t& tileX, int32_t& tileZ) {
  if (LocalPlayer < 1 || LocalPlayer > 10) return false;
  const TPlacement& cam = Players[LocalPlayer].Camera;
  const TVector eye{cam.X, cam.Y, cam.Z};
  const TVector through{cam.X + MouseRay.x, cam.Y + MouseRay.y, cam.Z + MouseRay.z};
  const TVector groundEye{cam.X, 0.0f, cam.Z};
  const TVector groundRay{MouseRay.x, 0.0f, MouseRay.z};
  const int32_t cx = RoundToInt(static_cast<long double>(cam.X) / 100);
  const int32_t cz = RoundToInt(static_cast<long double>(cam.Z) / 100);
  float best = kNoHit;
  bool found = false;
  TTileFan fan;
  for (int64_t x = int64_t{cx} - ViewRange; x <= int64_t{cx} + ViewRange; ++x) {
    for (int64_t z = int64_t{cz} - ViewRange; z <= int64_t{cz} + ViewRange; ++z) {
      if (x < 0 || z < 0 || x >= kMapSize || z >= kMapSize) continue;  // never hit off the map
      const TVector corner{static_cast<float>(100 * x), 0.0f, static_cast<float>(100 * z)};
      if (!(PointLineDistance(groundEye, groundRay, corner) < 100.0f)) continue;
      if (!BuildTileFan(fan, static_cast<int>(x), static_cast<int>(z))) continue;
      const TVector centre{fan.CentreX, fan.CentreHeight, fan.CentreZ};
      // The fan's triangles over the diagonal points: together the square of the tile.
      for (int k = 1; k < 8; k += 2) {
        const int l = (k + 2) % 8;
        const TVector a{fan.RingX[k], fan.RingHeight[k], fan.RingZ[k]};
        const TVector b{fan.RingX[l], fan.RingHeight[l], fan.RingZ[l]};
        if (RayTriangleIntersect(centre, a, b, eye, through, true) && RayHitDistance < best) {
          best = RayHitDistance;
          PickHitPoint = RayHitPoint;
          tileX = static_cast<int32_t>(x);
          tileZ = static_cast<int32_t>(z);
          found = true;
        }
      }
    }
  }
  return found;
}

uint32_t PickBuildingOfSelectedType(const TVector& rayStart, const TVector& rayDir, TPickResult& pick,
                                    TConstructResult& result) {
  PickObject(rayStart, rayDir, 0, pick);
  if (pick.Kind != kPickBuilding) {
    result.Assign(24);
    return 0;
  }
  TBuilding b{};
  b.A_Read(pick.Index);
  if (b.BuildingType != SpecialBuildingTypes[kHarbourTypeEntry]) result.Assign(29);
  return pick.Index;
}

TVector PickRayStart() {
  if (LocalPlayer < 1 || LocalPlayer > 10) return {};
  const TPlacement& cam = Players[LocalPlayer].Camera;
  return {cam.X, cam.Y, cam.Z};
}

TVector PickRayDir() { return MouseRay; }

void GetClickedTerrainPoint(TVector& point, TConstructResult& result) {
  int32_t x = 0, z = 0;
  if (!PickTerrain(x, z)) {
    result.Assign(2);
    return;
  }
  point = PickHitPoint;
  result = TConstructResult::Success();
}

namespace {
constexpr float kConnectPickDistance = 20.0f;
constexpr float kConnectNearHit = 11.0f;

// The copy of a stored connect, with nothing left of what the record held before.
void TakeConnect(TMetaconnect& target, uint32_t connect) {
  target = TMetaconnect{};
  LoadConnect(target, connect);
}

// The usable connect of the waytype nearest to At in the ground plane, nearer than 11.0; 0 none.
uint32_t ConnectNearPickPoint(uint8_t waytype, const TVector& at) {
  uint32_t found = 0;
  float best = kConnectNearHit;
  for (uint32_t c = FindNextConnect(0); c != 0; c = FindNextConnect(c)) {
    const TConnect& con = ConnectByIndex(c);
    if (con.WayType != waytype) continue;
    const float d = VecDistanceXZ(con.Position, at);
    if (!(d < best) || !IsConnectUsable(c)) continue;
    found = c;
    best = d;
  }
  return found;
}
}  // namespace

bool PickConnectUnderMouse(uint8_t waytype, TMetaconnect& target) {
  if (ActPlayer < 1 || ActPlayer > 10) return false;
  const TPlacement& cam = Players[ActPlayer].Camera;
  const TVector eye{cam.X, cam.Y, cam.Z};
  const long double range = static_cast<long double>(ViewRange) * 100;
  uint32_t candidate = 0;
  uint8_t candidateType = 0;
  float best = kConnectPickDistance;
  for (uint32_t c = FindNextConnect(0); c != 0; c = FindNextConnect(c)) {
    const TConnect& con = ConnectByIndex(c);
    const long double dx = static_cast<long double>(con.Position.x) - eye.x;
    const long double dz = static_cast<long double>(con.Position.z) - eye.z;
    if (!(dx * dx + dz * dz < range * range)) continue;
    const float d = PointLineDistance(eye, MouseRay, con.Position);
    if (!(d < kConnectPickDistance)) continue;
    if (candidate != 0) {
      if (con.WayType != waytype) continue;
      if (!(d < best) && candidateType == waytype) continue;
    }
    if (!IsConnectUsable(c)) continue;
    candidate = c;
    candidateType = con.WayType;
    best = d;
  }
  if (candidate == 0) return false;
  TakeConnect(target, candidate);
  return true;
}

void PickPlacementTarget(uint8_t waytype, TMetaconnect& target, TConstructResult& result) {
  if (!PickConnectUnderMouse(waytype, target)) {
    int32_t x = 0, z = 0;
    if (!PickTerrain(x, z)) {
      result.Assign(2);
      return;
    }
    const TVector hit = PickHitPoint;
    if (const uint32_t near = ConnectNearPickPoint(waytype, hit); near != 0) {
      TakeConnect(target, near);
    } else {
      target = TMetaconnect{};
      target.Waytype = waytype;
      target.Position = {hit.x, hit.y + 1.0f, hit.z};
    }
  }
  CheckConnectPlace(waytype, target, result);
  if (result.Ok()) MakeMetaconnectDir(target, result);
}
