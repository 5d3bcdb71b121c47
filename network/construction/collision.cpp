// The collision test of a planned construction against the buildings and ways around it.
#include "network/construction/collision.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/connectpool.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "network/construction/buildings.h"
#include "network/construction/limits.h"
#include "network/construction/routers.h"

namespace {

constexpr uint32_t kBuildingsAndWays = kArrayerBWFlag | kKindBuilding | kKindWay;

void StoreRange(float (&heights)[4], uint8_t slot, float top, float bottom) {
  if (slot < 1 || slot > 2) SYS_BREAKPROGRAM("ERROR: Collision test: height slot " + std::to_string(slot) + " out of range");
  heights[2 * slot - 2] = top;
  heights[2 * slot - 1] = bottom;
}

template <typename Vertex>
void CornerHeights(const Vertex* vertices, float& highest, float& lowest) {
  highest = vertices[0].y;
  lowest = vertices[0].y;
  for (int i = 1; i < 4; ++i) {
    const float y = vertices[i].y;  // the piece meshes are packed: read by value
    highest = std::max(highest, y);
    lowest = std::min(lowest, y);
  }
}

bool JoinsTwoConnects(const TWay& w) {
  return w.ConnectionCounter >= 2 && w.Connections[0] != 0 && w.Connections[1] != 0;
}

uint32_t JunctionOf(uint32_t connect) {
  if (connect == 0 || connect > ConnectArrayCount) return 0;
  return ConnectByIndex(connect).JunctionBuilding;
}

// The object under test: a way or a building near the plan.
struct Object {
  bool IsWay = false;
  uint32_t Index = 0;
  uint32_t OwningBuilding = 0;  // a way: the building that owns it
  uint32_t BuildingWay = 0;     // a building: its way
  uint16_t BuildingType = 0;
  uint32_t Junctions[4] = {0, 0, 0, 0};  // junction buildings at the connects of its ways
  TVector Corners[4] = {};
  float Heights[4] = {0, 0, 0, 0};

  bool HasJunction(uint32_t building) const {
    return building != 0 && std::find(std::begin(Junctions), std::end(Junctions), building) != std::end(Junctions);
  }
  void TakeJunctions(const TWay& w, int first) {
    Junctions[first] = JunctionOf(w.Connections[0]);
    Junctions[first + 1] = JunctionOf(w.Connections[1]);
  }
};

class Tester {
 public:
  Tester(TCurveline& curve, uint8_t kind, TConstructResult& result)
      : curve_(curve), kind_(kind), result_(result), mesh_(std::make_unique<TMeshdata2>()) {}

  void Way(uint32_t index) {
    TWay w{};
    w.A_Read(index);
    if (w.Mesh == 0) return;
    Object o;
    o.IsWay = true;
    o.Index = index;
    o.OwningBuilding = w.Building;
    if (JoinsTwoConnects(w) && (WayFlags(w) & (kWayBridge | kWayCutting)) != 0) o.TakeJunctions(w, 0);
    mesh_->A_Read(w.Mesh);
    // A way without a footprint of its own has nothing to collide with.
    if (!GetWayCorners(w, *mesh_, o.Corners)) return;
    GetWayHeightRange(w, *mesh_, o.Heights, 2);
    Pieces(o);
    if (result_ == TConstructResult::Of({kCollisionElement})) curve_.HitWay = index;
  }

  void Building(uint32_t index) {
    TBuilding b{};
    b.A_Read(index);
    Object o;
    o.Index = index;
    o.BuildingType = b.BuildingType;
    o.BuildingWay = b.Way;
    const uint8_t kind = b.BuildingType <= 255 ? BuildingTypeUse(BuildingTypes[b.BuildingType]) : 0;
    if (kind == kBuildingKindBridge || kind == kBuildingKindTunnel) {
      for (int i = 0; i < std::min<int>(b.BuildingWayCounter, 2); ++i) {
        TWay w{};
        w.A_Read(b.Ways[i]);
        if (JoinsTwoConnects(w)) o.TakeJunctions(w, 2 * i);
      }
    }
    GetBuildingCorners(b, o.Corners);
    GetBuildingHeights(b, o.Heights, 2);
    Pieces(o);
  }

 private:
  bool Hit() const { return !result_.Ok(); }

  void Collide(TCurvePiece& piece) {
    WayFlags(piece.Way) |= kWayHit;
    result_.Assign(kCollisionElement);
  }

  // A ground piece (or one that shares a junction with the object): footprint and height range.
  bool TestGroundPiece(TCurvePiece& piece, Object& o) {
    TVector corners[4];
    PieceCorners(piece.Mesh, corners);
    if (!QuadsOverlap(corners, o.Corners)) return false;
    PieceHeightRange(piece.Mesh, piece.Way, o.Heights, 1);
    if (!RangesOverlap(o.Heights)) return false;
    Collide(piece);
    return true;
  }

  // A bridge or cutting piece, against the reference heights that the curve construction took from
  // its mesh (the top of its deck and the lowest point of its body). An object below the underside
  // narrows the free room under the group, one within the deck's clearance collides, one above
  // narrows the free room over it.
  void TestBridgePiece(int k, Object& o) {
    TCurvePiece& piece = curve_.Pieces[k];
    const TMeshdata2& preview = curve_.PreviewMeshes[k];
    TVector corners[4];
    for (int i = 0; i < 4; ++i) {
      const TMeshVertex& v = preview.Vertex(i + 1);
      corners[i] = {v.x, v.y, v.z};
    }
    if (!QuadsOverlap(corners, o.Corners)) return;
    const float top = o.Heights[2], bottom = o.Heights[3];
    TPieceGroup* group = piece.Group >= 1 && piece.Group <= kCurvePieces ? &curve_.Groups[piece.Group] : nullptr;
    if (top < curve_.Underside[k]) {
      curve_.FreeBelow[k] = std::max(curve_.FreeBelow[k], top);
      if (group != nullptr) {
        group->FreeBelow = 0;
        group->ClearanceBelow = std::min(group->ClearanceBelow, curve_.Underside[k] - curve_.FreeBelow[k]);
      }
    } else if (curve_.DeckTop[k] + UseClearance(piece.Way.Use) >= bottom) {
      Collide(piece);
    } else {
      curve_.FreeAbove[k] = std::min(curve_.FreeAbove[k], bottom);
      if (group != nullptr)
        group->ClearanceAbove = std::min(group->ClearanceAbove, curve_.FreeAbove[k] - curve_.DeckTop[k]);
    }
  }

  // The station's preview platform meshes against the object: the footprint of vertices 1..4,
  // the range from vertex 1 (top) to vertex 5 (bottom). A platform mesh not built has neither.
  void TestPlatforms(Object& o) {
    for (int m = 1; m <= 2; ++m) {
      const TMeshdata2& preview = curve_.PreviewMeshes[m];
      if (preview.VertexCount < 5) continue;
      TVector corners[4] = {};
      if (!GetWayCorners(curve_.Pieces[1].Way, preview, corners)) continue;
      if (!QuadsOverlap(corners, o.Corners)) continue;
      StoreRange(o.Heights, 1, preview.Vertex(1).y, preview.Vertex(5).y);
      if (RangesOverlap(o.Heights)) {
        result_.Assign(kCollisionElement);
        return;
      }
    }
  }

  void Pieces(Object& o) {
    for (int k = 1; k <= curve_.conzahl - 1 && k <= kCurvePieces; ++k) {
      bool shares = false;
      if (IsOwnNeighbour(k, o, shares)) continue;
      TCurvePiece& piece = curve_.Pieces[k];
      if ((WayFlags(piece.Way) & (kWayBridge | kWayCutting)) == 0 || shares) {
        if (TestGroundPiece(piece, o)) return;
        if (curve_.Parallel && TestGroundPiece(curve_.ParallelPieces[k], o)) return;
      } else if (kind_ != kCollisionStationTrack) {
        TestBridgePiece(k, o);
        if (Hit()) return;
      }
    }
    if (kind_ == kCollisionStationTrack) {
      const bool platformBuilding = !o.IsWay && o.BuildingType == SpecialBuildingTypes[3];
      bool shares = false;
      if (!platformBuilding && !IsOwnNeighbour(1, o, shares)) TestPlatforms(o);
    }
  }

  // The object belongs to the surroundings of slot J (a stored connect): its way A, that way's
  // building and the building's other ways, a building standing on it, the slot's junction
  // building.
  bool OwnAtSlot(int j, const Object& o) const {
    const TMetaconnect& slot = curve_.Slots[j];
    if (slot.ConnectIndex == 0) return false;
    const uint32_t wayA = slot.WayA;
    if (wayA != 0) {
      if (o.IsWay && o.Index == wayA) return true;
      if (!o.IsWay && o.BuildingWay == wayA) return true;
      TWay a{};
      a.A_Read(wayA);
      if (a.Building != 0) {
        if (!o.IsWay && o.Index == a.Building) return true;
        if (o.IsWay && o.OwningBuilding == a.Building) return true;
      }
    }
    return !o.IsWay && slot.JunctionBuilding != 0 && o.Index == slot.JunctionBuilding;
  }

  bool IsOwnNeighbour(int k, const Object& o, bool& shares) const {
    shares = false;
    for (int j = k; j <= k + 1; ++j) {
      if (OwnAtSlot(j, o)) return true;
      const TMetaconnect& slot = curve_.Slots[j];
      if (!curve_.Parallel && slot.ConnectIndex != 0 && o.HasJunction(slot.JunctionBuilding)) {
        if (!o.IsWay) return true;
        shares = true;
      }
    }
    if (curve_.Parallel) {
      for (int j = k + kCurveConnects; j <= k + 1 + kCurveConnects && j <= 2 * kCurveConnects; ++j) {
        if (OwnAtSlot(j, o)) return true;
      }
    }
    // The ways that the router or the extension being planned replaces.
    return o.IsWay && IsReplacedWay(o.Index);
  }

  TCurveline& curve_;
  uint8_t kind_;
  TConstructResult& result_;
  std::unique_ptr<TMeshdata2> mesh_;
};

}  // namespace

float UseClearance(uint8_t use) { return WayClearance[use == 0 ? 0 : 1]; }

void PieceCorners(const TPieceMesh& mesh, TVector (&corners)[4]) {
  for (int i = 0; i < 4; ++i) corners[i] = {mesh.Vertices[i].x, mesh.Vertices[i].y, mesh.Vertices[i].z};
}

bool GetWayCorners(const TWay& way, const TMeshdata2& mesh, TVector (&corners)[4]) {
  if (way.Waytype > 3 && way.Waytype != 6) return false;
  for (int i = 0; i < 4; ++i) {
    const TMeshVertex& v = mesh.Vertex(i + 1);
    corners[i] = {v.x, v.y, v.z};
  }
  return true;
}

void GetWayHeightRange(const TWay& way, const TMeshdata2& mesh, float (&heights)[4], uint8_t slot) {
  float highest, lowest;
  CornerHeights(mesh.Vertices, highest, lowest);
  const float depth = (WayFlags(way) & kWayBridge) != 0 ? kBridgeBodyDepth : WayBodyDepth;
  StoreRange(heights, slot, highest + UseClearance(way.Use), lowest - depth);
}

void PieceHeightRange(const TPieceMesh& mesh, const TWay& way, float (&heights)[4], uint8_t slot) {
  float highest, lowest;
  CornerHeights(mesh.Vertices, highest, lowest);
  StoreRange(heights, slot, highest + UseClearance(way.Use), lowest - WayBodyDepth);
}

void CurvelineBounds(TCurveline& curve) {
  const int count = std::min<int>(curve.conzahl, kCurveConnects);
  TVector sum = {0.0f, 0.0f, 0.0f};
  float maxX = -1.0f, maxZ = -1.0f, minX = 1000000.0f, minZ = 1000000.0f;
  for (int j = 1; j <= count; ++j) {
    const TVector& p = curve.Slots[j].Position;
    sum = {sum.x + p.x, sum.y + p.y, sum.z + p.z};
    maxX = std::max(maxX, p.x);
    maxZ = std::max(maxZ, p.z);
    minX = std::min(minX, p.x);
    minZ = std::min(minZ, p.z);
  }
  if (count > 0) {
    const float n = static_cast<float>(count);
    curve.Centre = {sum.x / n, sum.y / n, sum.z / n};
  } else {
    curve.Centre = sum;
  }
  const TVector& c = curve.Centre;
  const float radius = std::max({std::fabs(c.x - maxX), std::fabs(c.z - maxZ), std::fabs(c.x - minX), std::fabs(c.z - minZ)});
  curve.Radius = radius + kCollisionMargin;
}

void CollisionTest(TCurveline& curve, uint8_t kind, TConstructResult& result, float x, float z, float range) {
  result = TConstructResult::Success();
  Tester tester(curve, kind, result);
  uint32_t index = 0;
  while (result.Ok()) {
    uint32_t type = 0;
    index = FindInArrayerRangeBWMultipel(kBuildingsAndWays, index, type, x, z, range);
    if (index == 0) break;
    if (type == kARTypeWay) {
      tester.Way(index);
    } else if (type == kARTypeBuilding) {
      tester.Building(index);
    }
  }
}

bool FindCollidingObject(const TVector (&corners)[4], float (&heights)[4], std::span<const uint32_t> exclude,
                         uint32_t mask) {
  auto mesh = std::make_unique<TMeshdata2>();
  uint32_t index = 0;
  for (;;) {
    uint32_t type = 0;
    index = FindInArrayerBWMultipel(mask, index, type);
    if (index == 0) return false;
    if (std::find(exclude.begin(), exclude.end(), index) != exclude.end()) continue;
    TVector objectCorners[4];
    if (type == kARTypeWay) {
      TWay w{};
      w.A_Read(index);
      if (w.Mesh == 0) continue;
      mesh->A_Read(w.Mesh);
      if (!GetWayCorners(w, *mesh, objectCorners) || !QuadsOverlap(corners, objectCorners)) continue;
      GetWayHeightRange(w, *mesh, heights, 2);
    } else if (type == kARTypeBuilding) {
      TBuilding b{};
      b.A_Read(index);
      GetBuildingCorners(b, objectCorners);
      if (!QuadsOverlap(corners, objectCorners)) continue;
      GetBuildingHeights(b, heights, 2);
    } else {
      continue;
    }
    if (RangesOverlap(heights)) return true;
  }
}
