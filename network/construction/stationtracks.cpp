// Station tracks, wayed buildings and station buildings.
#include "network/construction/stationtracks.h"

#include <cmath>
#include <memory>
#include <utility>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/connectpool.h"
#include "engine/store/nodepool.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "engine/world/hooks.h"
#include "network/construction/alongways.h"
#include "network/construction/buildings.h"
#include "network/construction/collision.h"
#include "network/construction/connects.h"
#include "network/construction/constructcurve.h"
#include "network/construction/nodes.h"
#include "network/construction/prevcost.h"
#include "network/construction/vectorops.h"
#include "network/construction/ways.h"
#include "network/track/stations.h"
#include "network/track/trackfields.h"
#include "network/world/areas.h"

using namespace vecops;

namespace {

constexpr uint8_t kRail = 1;
constexpr uint8_t kPreview = 0, kBuild = 1;
constexpr uint32_t kBuildingsAndWays = kArrayerBWFlag | kKindBuilding | kKindWay;
constexpr double kRadToDeg = 57.29577951308232;

// The mesh of a building type into Mesh: the stored mesh, or an empty one when the type has none.
void ReadTypeMesh(TMeshdata2& mesh, const TBuildingType& type) {
  const uint32_t index = BuildingTypeMesh(type);
  if (index == 0) {
    mesh.Init();
    return;
  }
  mesh.A_Read(index);
}

// A new connect copy of the waytype at Position (not stored, no direction).
TMetaconnect NewPoint(uint8_t waytype, const TVector& position) {
  TMetaconnect m{};
  m.Waytype = waytype;
  m.Position = position;
  return m;
}

// Whether the building collides with a stored building or way not in Exclude.
bool BuildingCollides(const TBuilding& b, std::span<const uint32_t> exclude) {
  TVector corners[4];
  float heights[4];
  GetBuildingCorners(b, corners);
  GetBuildingHeights(b, heights, 1);
  return FindCollidingObject(corners, heights, exclude, kBuildingsAndWays);
}

// ---- The nodes of a wayed building

// Type node i of the building type is node World(i) of the world once created (0 while not).
// Type nodes 1..4 are the lane ends of the access way, 5..100 the nodes inside the building.
class TBuildingNodes {
 public:
  explicit TBuildingNodes(const TBuildingType& type) {
    for (int i = 1; i <= kBuildingTypeNodes; ++i) entries_[i] = BuildingTypeNode(type, i);
    // The lane ends always; an inner node when it links to or is linked from another inner node.
    for (int j = 1; j <= 4; ++j) made_[j] = true;
    for (int i = 5; i <= kBuildingTypeNodes; ++i) {
      for (const uint8_t n : entries_[i].Next) {
        if (n == 0 || n > kBuildingTypeNodes) continue;
        made_[n] = true;
        made_[i] = true;
      }
    }
  }

  // Whether N is a type node number that names a node a building of the type has.
  bool Names(int32_t n) const { return n >= 1 && n <= kBuildingTypeNodes && made_[n]; }

  // Whether the type's node references can all be honoured: every next node names a node the
  // building has, so does a capture node number that is not 0 and a depot's exit node, and no
  // node ends up with more than two next or two previous links. The lane ends count the links of
  // the access way, and on the network side one link into the way that ends at the connect.
  bool Sound(const TBuildingTypeDepot& depot, bool isDepot) const {
    if (depot.CaptureNode != 0 && !Names(depot.CaptureNode)) return false;
    if (isDepot && !Names(depot.ExitNode)) return false;
    int next[kBuildingTypeNodes + 1] = {}, prev[kBuildingTypeNodes + 1] = {};
    next[4] = 1, prev[1] = 1;  // lane 1: type node 4 -> 1
    next[2] = 1, prev[3] = 1;  // lane 2: type node 2 -> 3
    next[3] = 1, prev[4] = 1;  // the lanes of the way at the connect
    for (int j = 1; j <= 4; ++j) {
      if (entries_[j].Next[0] == 0) continue;
      // A lane end that leads on drops the links it had.
      if (j == 4) --prev[1];
      if (j == 2) --prev[3];
      next[j] = 0;
    }
    for (int i = 1; i <= kBuildingTypeNodes; ++i) {
      for (const uint8_t n : entries_[i].Next) {
        if (n == 0) continue;
        if (!Names(n)) return false;
        ++next[i];
        ++prev[n];
      }
    }
    for (int i = 1; i <= kBuildingTypeNodes; ++i)
      if (next[i] > 2 || prev[i] > 2) return false;
    return true;
  }

  uint32_t World(int32_t n) const { return Names(n) ? world_[n] : 0; }
  bool Made(int i) const { return made_[i]; }

  // Type nodes 1..4 are the access way's nodes 4, 3, 2 and 1; lane 1 now ends in the building.
  void TakeAccessWay(const TWay& access) {
    for (int j = 1; j <= 4; ++j) world_[j] = access.Nodes[4 - j];
    NodeByIndex(world_[1]).Way = access.Index;
  }

  // Every inner node of the building at its place in the world.
  void CreateInnerNodes(const TPlacement& placement) {
    for (int i = 5; i <= kBuildingTypeNodes; ++i) {
      if (!made_[i]) continue;
      TVector position = entries_[i].Position;
      RotateVectorDeg(position, placement);
      TNode node{};
      InitNode(node, position);
      world_[i] = AddNode(node);
    }
  }

  // The lane ends of the access way lead on to the nodes their entries name; a lane end whose
  // first next node is named loses the links it had.
  void LinkLaneEnds() {
    for (int j = 1; j <= 4; ++j) {
      if (entries_[j].Next[0] != 0) UnlinkNextNodes(world_[j]);
      LinkFrom(j);
    }
  }

  // Capture node, building node numbers and the type node flags.
  void MarkNodes(int32_t capture) {
    if (capture != 0) NodeByIndex(World(capture)).Flags |= kNodeFlagCapture;
    for (int i = 1; i <= kBuildingTypeNodes; ++i) {
      if (!made_[i]) continue;
      TNode& node = NodeByIndex(world_[i]);
      node.Used = static_cast<uint8_t>(i);
      if (entries_[i].Switcher != 0) node.Flags |= kNodeFlagSwitcher;
      if (entries_[i].Station != 0) node.Flags |= kNodeFlagStation;
      if (entries_[i].Scripted != 0) node.Flags |= kNodeFlagScripted;
    }
  }

  // Links the inner nodes; true when there is any.
  bool LinkInnerNodes() {
    bool inner = false;
    for (int i = 5; i <= kBuildingTypeNodes; ++i) {
      if (!made_[i]) continue;
      inner = true;
      LinkFrom(i);
    }
    return inner;
  }

 private:
  void LinkFrom(int i) {
    for (const uint8_t n : entries_[i].Next)
      if (n != 0) LinkNodes(world_[i], world_[n]);
  }

  TBuildingTypeNode entries_[kBuildingTypeNodes + 1];
  uint32_t world_[kBuildingTypeNodes + 1] = {};
  bool made_[kBuildingTypeNodes + 1] = {};
};

// The invisible way inside the building: its owner, the lane end of the access way that enters it
// (type node 1), the one that leaves it (type node 2) and the inner nodes.
uint32_t CreateInnerWay(TBuilding& b, uint8_t use, const TBuildingNodes& nodes) {
  TWay inner{};
  inner.Init(use, kWaytypeBuildingWay);
  inner.Building = b.Index;
  inner.Station = b.Station;
  SetWayCentreLink(inner, kInvisibleWayLink);
  inner.A_Write();
  b.BuildingWayCounter = 2;
  b.Ways[1] = inner.Index;
  for (int i = 1; i <= kBuildingTypeNodes; ++i) {
    if (!nodes.Made(i)) continue;
    const uint32_t n = nodes.World(i);
    if (i == 1 || i >= 5) NodeByIndex(n).Way = inner.Index;
    if (i == 1 || i == 2 || i >= 5) inner.Nodes[inner.NodesCounter++] = n;
  }
  inner.A_ReWrite();
  return inner.Index;
}

// The depot of the building: convoys leave onto Exit and are taken in at Capture.
void CreateDepot(TBuilding& b, uint8_t use, uint32_t exit, uint32_t capture) {
  TDepot d{};
  d.TrainInsideCounter = 0;
  d.Flags = 2 | 4;  // convoys may leave and enter
  d.Building = b.Index;
  d.DepotKind = use;
  d.A_Write();
  b.Depot = d.Index;
  d.ExitNode = exit;
  d.A_Overwrite();
  NodeByIndex(capture).Flags |= kNodeFlagStation;
  b.A_ReWrite();
}

void CreateBuildingStation(TBuilding& b, uint16_t buildingType) {
  auto s = std::make_unique<TStation>();
  s->Init(ActPlayer, b.City, b.Position);
  s->StationWayCounter = b.BuildingWayCounter;
  for (int i = 0; i < b.BuildingWayCounter; ++i) s->Ways[i] = b.Ways[i];
  s->StationBuildingcounter = 1;
  s->Buildings[0] = b.Index;
  s->HandlingRate = kBuildingStationHandlingRate;
  station_hooks::NameStation(*s, buildingType);
  s->A_Write();
  b.Station = s->Index;
  for (int i = 0; i < b.BuildingWayCounter; ++i) {
    TWay w{};
    w.A_Read(b.Ways[i]);
    w.Station = s->Index;
    w.A_Overwrite();
  }
  b.A_ReWrite();
  s->CalcStationKind();
  s->A_Overwrite();
  world_hooks::RecalcGoodsStation(s->Index);
}

}  // namespace

void ConstructRailStationTrack(TCurveline& curve, const TMetaconnect& endA, const TMetaconnect& endB,
                               uint32_t station, uint8_t mode, TConstructResult& result) {
  result = TConstructResult::Success();
  curve.Parallel = 0;
  TMetaconnect a = endA, b = endB;
  float d = VecDistanceXZ(a.Position, b.Position);
  if (d < 1.0f) {
    curve.conzahl = 0;
    result.Assign(4);
    return;
  }
  if (!a.HasDirection && b.HasDirection) std::swap(a, b);
  ResetConstruction(curve);
  if (a.HasDirection && b.HasDirection && std::fabs(a.Position.y - b.Position.y) > kStationTrackHeightTolerance) {
    result.Assign(19);
    return;
  }
  if (a.HasDirection && !b.HasDirection) {
    // The clicked distance straight on out of the way that ends at A.
    b = NewPoint(kRail, Plus(a.Position, WithLength(Negated(a.Direction), d)));
    CheckConnectPlace(kRail, b, result);
    if (!result.Ok()) return;
    MakeMetaconnectDir(b, result);
  }

  d = VecDistanceXZ(a.Position, b.Position);
  if (d < kShortestStationTrack) result.Assign(4);
  else if (d > kLongestStationTrack) result.Assign(3);

  b.Position.y = a.Position.y;
  curve.Slots[1] = a;
  curve.Slots[2] = b;
  curve.conzahl = 2;

  TCurvePiece& piece = curve.Pieces[1];
  auto buffer = std::make_unique<TMeshdata2>();
  float lowestGround = 0.0f;
  TConstructResult pieceResult;
  PreparePiece(kRail, curve.Slots[1], curve.Slots[2], piece.Mesh, *buffer, piece.Way, curve.SideVectors[1],
               curve.SideVectors[2], kSidesFromChord, lowestGround, pieceResult);
  piece.AfterWay = 0;

  // The platforms on the + side (1) and the - side (3) of the track.
  const uint8_t sides[3] = {0, 1, 3};
  for (int k = 1; k <= 2; ++k) {
    curve.PreviewBuildings[k] = TBuilding{};
    CalcPlatformGeometry(*buffer, curve.PreviewBuildings[k], curve.PreviewMeshes[k], sides[k]);
    curve.PreviewBuilding[k] = 1;
  }

  auto s = std::make_unique<TStation>();
  if (station != 0) {
    s->A_Read(station);
    if (s->StationBuildingcounter + 2 > kMostStationBuildings) result.Assign(kCollisionElement);
    if (s->StationWayCounter >= kMostStationWays) result.Assign(kCollisionElement);
  }
  for (int k = 1; k <= 2; ++k) {
    curve.PreviewBuildings[k].Station = station;
    curve.PreviewBuildings[k].BuildingType = SpecialBuildingTypes[kPlatformTypeEntry];
  }

  CurvelineBounds(curve);
  if (result.Ok()) CollisionTest(curve, kCollisionStationTrack, result, curve.Centre.x, curve.Centre.z, curve.Radius);
  if (!result.Ok() || mode != kBuild) return;

  CreateWay(kRail, curve.Slots[1], curve.Slots[2], curve.SideVectors[1], curve.SideVectors[2], piece.Way, piece.Mesh);
  AddWayToStation(piece.Way, *s, station, result);
  if (!result.Ok()) SYS_BREAKPROGRAM("ERROR: incomplete station by TCurveline.ConstructRailStationTrack");
  for (int k = 1; k <= 2; ++k) {
    TBuilding& platform = curve.PreviewBuildings[k];
    curve.PreviewMeshes[k].A_Write();
    platform.Mesh = curve.PreviewMeshes[k].Index;
    const TVector c1 = platform.Corners[0], c2 = platform.Corners[1], c3 = platform.Corners[2],
                  c4 = platform.Corners[3];
    InitWayedBuilding(platform, c1, c2, c3, c4, platform.LowHeight, platform.HighHeight,
                      SpecialBuildingTypes[kPlatformTypeEntry], 0);
    platform.AddToStation(*s, false);
    platform.A_Overwrite();
    AddtoPrevCost(platform.BuildingCost());
    AddBuildingToWay(platform, piece.Way, static_cast<uint8_t>(k));
  }
  s->CalcStationKind();
  s->A_ReWrite();
}

void ConstructWayedBuilding(uint16_t buildingType, const TMetaconnect& a, const TVector& p, TCurveline& curve,
                            uint8_t mode, TConstructResult& result) {
  ResetConstruction(curve);
  const TBuildingType& type = BuildingTypeRow(buildingType);
  const TVector anchor = BuildingTypeAccessAnchor(type), accessEnd = BuildingTypeAccessEnd(type);
  const float length = static_cast<float>(VecDistance(anchor, accessEnd));
  const uint8_t use = BuildingTypeWayUse(type);
  const bool isDepot = BuildingTypeUse(type) == kBuildingKindDepot;
  const TBuildingTypeDepot depot = BuildingTypeDepot(type);
  auto nodes = std::make_unique<TBuildingNodes>(type);
  if (!nodes->Sound(depot, isDepot)) {
    result.Assign(kBadBuildingTypeElement);
    return;
  }

  TVector v;
  if (a.HasDirection) {
    v = Negated(a.Direction);
  } else {
    v = Minus({p.x, a.Position.y, p.z}, a.Position);
  }
  const float vLength = Length3(v);
  if (vLength == 0.0f) {
    result.Refuse(2);
    return;
  }

  TMetaconnect b = NewPoint(use, {a.Position.x + v.x * length / vLength, a.Position.y + v.y * length / vLength,
                                  a.Position.z + v.z * length / vLength});
  CheckConnectPlace(use, b, result);
  if (!result.Ok()) return;
  MakeMetaconnectDir(b, result);

  // The access way is always planned as a preview; its own refusals are not this construction's.
  TConstructResult planResult;
  constructcurve(curve, use, a, b, false, TCurveOptions{0, 2}, kPreview, planResult);
  if (curve.conzahl < 2) {
    result.Assign(2);
    return;
  }
  if (curve.conzahl > 2) {
    result.Assign(13);
    return;
  }
  TCurvePiece& piece = curve.Pieces[1];
  if ((WayFlags(piece.Way) & kWayBridge) != 0) result.Assign(11);
  if ((WayFlags(piece.Way) & kWayCutting) != 0) result.Assign(12);

  TBuilding building{};
  building.Init(buildingType, ActPlayer);
  TVector position;
  float angle;
  CalcBuildingGeometry(building, a.Position, b.Position, anchor, accessEnd, position, angle);

  if (mode == kPreview) {
    curve.PreviewBuilding[1] = 1;
    TMeshdata2& mesh = curve.PreviewMeshes[1];
    ReadTypeMesh(mesh, type);
    float sinA, cosA;
    SinCos(sinA, cosA, angle);
    for (int i = 1; i <= mesh.VertexCount && i <= kMeshMaxVertices; ++i) {
      TMeshVertex& vertex = mesh.Vertex(i);
      TVector at{vertex.x, vertex.y, vertex.z};
      RotateY(at, cosA, sinA);
      vertex.x = at.x + position.x;
      vertex.y = at.y + position.y;
      vertex.z = at.z + position.z;
    }
  }

  const uint32_t ownWay[1] = {a.WayA};
  if (BuildingCollides(building, ownWay)) result.Refuse(kCollisionElement);
  if (!result.Ok() || mode != kBuild) return;
  if (isDepot && depot.CaptureNode == 0)
    SYS_BREAKPROGRAM("Error in ConstructWayedBuilding: it should be a depot, but there is no capture node!");

  // The access way, owned by the building.
  const uint32_t accessIndex = CreateWay(use, curve.Slots[1], curve.Slots[2], curve.SideVectors[1],
                                         curve.SideVectors[2], piece.Way, piece.Mesh);
  InitBuilding(buildingType, building, position, angle, 0);
  AddtoPrevCost(building.BuildingCost());
  building.BuildingWayCounter = 1;
  building.Ways[0] = accessIndex;
  TWay access{};
  access.A_Read(accessIndex);
  access.Building = building.Index;
  if (BuildingTypeWaysInvisible(type) != 0) {
    WayFlags(access) |= kWayAccess;
    SetWayCentreLink(access, kInvisibleWayLink);
  }
  access.A_Overwrite();
  ConnectByIndex(curve.Slots[2].ConnectIndex).WayType = kAccessEndConnect;
  curve.Slots[2].Waytype = kAccessEndConnect;

  // The type's nodes, linked to the lanes of the access way.
  nodes->TakeAccessWay(access);
  const TPlacement placement{building.Position.x, building.Position.y, building.Position.z,
                             building.Roll,       building.Gier,       building.Nick};
  nodes->CreateInnerNodes(placement);
  nodes->LinkLaneEnds();
  nodes->MarkNodes(depot.CaptureNode);
  if (nodes->LinkInnerNodes()) CreateInnerWay(building, use, *nodes);

  switch (BuildingTypeUse(type)) {
    case kBuildingKindDepot:
      CreateDepot(building, use, nodes->World(depot.ExitNode), nodes->World(depot.CaptureNode));
      break;
    case kBuildingKindStation:
      CreateBuildingStation(building, buildingType);
      break;
    default:
      // The stored building keeps its way list too, so that it takes its ways along when it goes.
      building.A_ReWrite();
      break;
  }
}

void ConstructStationBuilding(TCurveline& curve, const TVector& sideA, const TVector& sideB, TStation& station,
                              std::span<const uint32_t> exclude, uint8_t mode, TConstructResult& result) {
  result = TConstructResult::Success();
  if (mode == kPreview) ResetConstruction(curve);
  const uint16_t typeIndex = SpecialBuildingTypes[kStationBuildingTypeEntry];
  const TBuildingType& type = BuildingTypeRow(typeIndex);
  TBuilding building{};
  building.Init(typeIndex, ActPlayer);
  TVector position;
  float angle;
  CalcBuildingGeometry(building, sideA, sideB, BuildingTypeReferencePoint(type, 1), BuildingTypeReferencePoint(type, 2),
                       position, angle);
  if (BuildingCollides(building, exclude)) result.Assign(kCollisionElement);
  if (station.StationBuildingcounter >= kMostStationBuildings) result.Assign(kCollisionElement);

  if (result.Ok() && mode == kBuild) {
    InitBuilding(typeIndex, building, position, angle, 0);
    // Planned like every other building: its cost is pre-booked, as completing or removing it
    // books it back.
    AddtoPrevCost(building.BuildingCost());
    building.AddToStation(station, true);
  }
  if (mode == kPreview) {
    curve.PreviewBuilding[1] = 1;
    TMeshdata2& mesh = curve.PreviewMeshes[1];
    ReadTypeMesh(mesh, type);
    const TPlacement placement{position.x, position.y, position.z, 0.0f, static_cast<float>(angle * kRadToDeg), 0.0f};
    TransformMesh(mesh, placement);
  }
}
