#include "economy/step/handlers.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <span>
#include <vector>

#include "economy/step/commands.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/gui/mousemode.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/connectpool.h"
#include "engine/world/building.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"
#include "network/construction/connects.h"
#include "network/construction/crossings.h"
#include "network/construction/curveline.h"
#include "network/construction/ground.h"
#include "network/construction/routers.h"
#include "network/construction/stationtracks.h"
#include "network/construction/wayextension.h"
#include "network/picking.h"
#include "network/track/blocks.h"
#include "network/track/stations.h"
#include "network/track/trackfields.h"

namespace {

constexpr uint8_t kExecuting = 0, kInteractive = 1;
constexpr uint8_t kPreview = 0;
constexpr uint8_t kRoad = 0, kRail = 1;
constexpr int kRefused = 29, kNothingPicked = 2;

// Tool modes that the handlers switch to.
constexpr uint8_t kNoTool = 0;
constexpr uint8_t kChooseBuildingPoint = 26;
constexpr uint8_t kRoadCurveTool = 9, kRailCurveTool = 15, kSecondTrackCurveTool = 17;
constexpr uint8_t kRoadStartTool = 8, kRailStartTool = 14, kSecondTrackStartTool = 16;

// Way and building states.
constexpr uint8_t kStateFinished = 2, kStateMarked = 3;
// The removal modes.
constexpr uint8_t kMark = 0, kLiftMark = 1, kRemove = 2;
// The building-type kinds that a removal treats apart.
constexpr uint8_t kKindBridge = 3, kKindPillar = 4;

// A corner of a station piece that lies this near the hit point chooses that side.
constexpr float kCornerReach = 50.0f;
// A station track beside a platform lies this far out from the platform's edge (half the rail
// width and 20) and this far below its top.
constexpr float kTrackBesidePlatform = 35.0f;
constexpr float kTrackBelowPlatform = 10.0f;

TConstructResult Refusal() { return TConstructResult::Of({kRefused}); }

// The construction word: its low byte first, its high byte the curve mode. A curve mode that the
// solver does not know is refused.
bool WordOptions(uint16_t word, TCurveOptions& options) {
  options.Unused = static_cast<uint8_t>(word & 0xFF);
  options.CurveMode = static_cast<uint8_t>(word >> 8);
  return options.CurveMode <= 2;
}

bool StoredWay(uint32_t way) { return ArrayerHolds(kTWayDesc, way); }
bool StoredBuilding(uint32_t building) { return ArrayerHolds(kTBuildingDesc, building); }
bool StoredStation(uint32_t station) { return ArrayerHolds(kTStationDesc, station); }
bool StoredMesh(uint32_t mesh) { return ArrayerHolds(kTMeshdata2Desc, mesh); }
bool UsedConnect(uint32_t connect) {
  return connect >= 1 && connect <= ConnectArrayCount && ConnectByIndex(connect).Used != 0;
}

TWay ReadWay(uint32_t index) {
  TWay w{};
  w.A_Read(index);
  return w;
}
TBuilding ReadBuilding(uint32_t index) {
  TBuilding b{};
  b.A_Read(index);
  return b;
}

// The connect at Point for a construction; false when FindOrCreateConnect refuses.
bool MakeConnect(uint8_t waytype, const TVector& point, TMetaconnect& meta) {
  TConstructResult r{};
  meta = TMetaconnect{};
  FindOrCreateConnect(waytype, point, meta, r);
  return r.Ok();
}

TVector PositionOf(const TMetaconnect& meta) { return meta.Position; }


// The last point of an interactive construction, picked under the mouse into PlacementPoints[k];
// false (R the pick's refusal) when there is none to be had.
bool PickLastPoint(uint8_t waytype, int k, TMetaconnect& meta, TConstructResult& r) {
  meta = TMetaconnect{};
  PickPlacementTarget(waytype, meta, r);
  if (!r.Ok()) return false;
  PlacementPoints[k] = PositionOf(meta);
  return true;
}

// The second end of a two-point tool: the payload's point as a connect (executing; a failure is
// the handler's refusal) or the point picked under the mouse, kept in PlacementPoints[1]
// (interactive). At := where it lies. False when the handler ends here (R says why).
bool SecondEnd(uint8_t source, uint8_t waytype, const TVector& given, TMetaconnect& meta, TVector& at,
               TConstructResult& r) {
  if (source == kExecuting) {
    at = given;
    if (MakeConnect(waytype, given, meta)) return true;
    r = Refusal();
    return false;
  }
  if (!PickLastPoint(waytype, 1, meta, r)) return false;
  at = PlacementPoints[1];
  return true;
}

// The mode of the construction call: the executing form builds as asked, the interactive one
// previews.
uint8_t ModeOf(uint8_t source, uint8_t execute) { return source == kExecuting ? execute : kPreview; }

// The pick of an object under the ray: the handler's own (executing) or the mouse's (interactive).
void PickAlong(const TVector& rayStart, const TVector& rayDir, uint8_t source, uint8_t pickMode, TPickResult& hit) {
  hit = TPickResult{};
  if (source == kExecuting) {
    PickObject(rayStart, rayDir, pickMode, hit);
  } else {
    PickObjectUnderMouse(pickMode, hit);
  }
}

// What a command's ray hits: the ray it carries when it runs from the queue, else the player's
// pick ray (Start and Dir give the one taken).
TPickResult PickForCommand(const TVector& rayStart, const TVector& rayDir, uint8_t source, uint8_t pickMode,
                           TVector& Start, TVector& Dir) {
  Start = source == kExecuting ? rayStart : PickRayStart();
  Dir = source == kExecuting ? rayDir : PickRayDir();
  TPickResult hit;
  PickAlong(Start, Dir, source, pickMode, hit);
  return hit;
}

// Vertices 1..4 of a stored mesh; false when the mesh is not stored or has fewer.
bool MeshCorners(uint32_t mesh, TVector (&v)[5]) {
  if (!StoredMesh(mesh)) return false;
  auto m = std::make_unique<TMeshdata2>();
  m->A_Read(mesh);
  if (m->VertexCount < 4) return false;
  for (int k = 1; k <= 4; ++k) {
    const TMeshVertex& x = m->Vertex(k);
    v[k] = {x.x, x.y, x.z};
  }
  return true;
}

// The first corner 1..4 that lies less than 50.0 from Hit in the ground plane; 0 none.
int CornerNear(const TVector (&v)[5], const TVector& hit) {
  for (int k = 1; k <= 4; ++k) {
    if (VecDistanceXZ(v[k], hit) < kCornerReach) return k;
  }
  return 0;
}

// The edge of a platform by its side byte: 1 from corner 4 to corner 1, 2 from corner 2 to corner 3;
// false for any other side.
bool PlatformEdge(uint8_t side, const TVector (&v)[5], TVector& first, TVector& second) {
  if (side == 1) {
    first = v[4];
    second = v[1];
  } else if (side == 2) {
    first = v[2];
    second = v[3];
  } else {
    return false;
  }
  return true;
}

// A platform (the rail station building type) with a stored station; its record in B.
bool PlatformWithStation(const TPickResult& hit, TBuilding& b) {
  if (hit.Kind != kPickBuilding || !StoredBuilding(hit.Index)) return false;
  b = ReadBuilding(hit.Index);
  const uint16_t type = b.BuildingType;
  return type != 0 && type == SpecialBuildingTypes[kPlatformTypeEntry] && StoredStation(b.Station);
}

}  // namespace

void SelectConstructionLog(uint8_t source) {
  if (source == kExecuting) {
    GlobalCurveline->PieceLog = nullptr;
  } else {
    ClearPieceLog(GlobalPieceLog);
    GlobalCurveline->PieceLog = &GlobalPieceLog;
  }
}

void EndTool() {
  SetMouseMode(kNoTool);
  MouseModeChanged = 0;
}

bool PlantTree(const TVector& point, uint8_t kind, uint8_t source, uint8_t execute) {
  TVector at = point;
  if (source == kInteractive) {
    TConstructResult r{};
    GetClickedTerrainPoint(at, r);
    if (!r.Ok()) return false;
  }
  TTree t{};
  t.Kind = kind;
  t.Scale = 1.0f;
  t.Position = at;
  t.Rotation = static_cast<float>(HashRandom(RoundToInt(at.y), 360));
  if (execute == 1) t.A_Write();
  return true;
}

void BuildCurveWay(uint8_t waytype, uint8_t secondTrack, uint16_t word, const TVector& a, const TVector& b,
                   uint8_t source, uint8_t execute, TConstructResult& r) {
  SelectConstructionLog(source);
  TCurveOptions options;
  TMetaconnect ma, mb;
  if (waytype > kRail || !WordOptions(word, options) || !MakeConnect(waytype, a, ma)) {
    r = Refusal();
    return;
  }
  if (source == kExecuting) {
    if (!MakeConnect(waytype, b, mb)) {
      r = Refusal();
      return;
    }
    constructcurve(*GlobalCurveline, waytype, ma, mb, secondTrack != 0, options, execute, r);
    return;
  }
  if (!PickLastPoint(waytype, 1, mb, r)) return;
  constructcurve(*GlobalCurveline, waytype, ma, mb, secondTrack != 0, options, kPreview, r);
  if (r.Ok() && execute == 1) {
    PostBuildCurveWay(CommandQueue, LocalPlayer, waytype, secondTrack, word, a, PlacementPoints[1]);
    EndTool();
  }
}

void BuildWay(const TVector& a, const TVector& b, const TVector& c, uint16_t word, uint8_t source, uint8_t execute,
              TConstructResult& r) {
  SelectConstructionLog(source);
  TCurveOptions options;
  TMetaconnect ma, mb, mc;
  if (!WordOptions(word, options) || !MakeConnect(kRail, a, ma) || !MakeConnect(kRail, b, mb)) {
    r = Refusal();
    return;
  }
  if (source == kExecuting) {
    if (!MakeConnect(kRail, c, mc)) {
      r = Refusal();
      return;
    }
    ConstructWay(*GlobalCurveline, kRail, ma, mb, mc, options, 0, 0, execute, r);
    return;
  }
  mc = TMetaconnect{};
  PickPlacementTarget(kRail, mc, r);
  if (!r.Ok()) return;
  if (FixedPickActive == 0 && mc.ConnectIndex == 0) mc.Position.y = b.y;
  PlacementPoints[2] = PositionOf(mc);
  ConstructWay(*GlobalCurveline, kRail, ma, mb, mc, options, 0, 0, kPreview, r);
  if (r.Ok() && execute == 1) {
    PostBuildWay(CommandQueue, LocalPlayer, word, a, b, PlacementPoints[2]);
    EndTool();
  }
}

namespace {
// The crossings: Arms road points, the last one picked in the interactive form.
void BuildCrossing(uint8_t arms, const TVector (&points)[4], uint16_t word, uint8_t source, uint8_t execute,
                   TConstructResult& r) {
  SelectConstructionLog(source);
  TCurveOptions options;
  TMetaconnect m[4] = {};
  if (!WordOptions(word, options)) {
    r = Refusal();
    return;
  }
  const int last = arms - 1;
  for (int k = 0; k < last; ++k) {
    if (!MakeConnect(kRoad, points[k], m[k])) {
      r = Refusal();
      return;
    }
  }
  if (source == kExecuting) {
    if (!MakeConnect(kRoad, points[last], m[last])) {
      r = Refusal();
      return;
    }
  } else if (!PickLastPoint(kRoad, last, m[last], r)) {
    return;
  }
  uint8_t swapped = 0;
  const TVector centre{};
  ConstructCrossing(*GlobalCurveline, arms, arms, swapped, m, centre, options, ModeOf(source, execute), 0, r);
  if (source == kInteractive && r.Ok() && execute == 1) {
    if (arms == 4) {
      PostBuildXCrossing(CommandQueue, LocalPlayer, word, points[0], points[1], points[2], PlacementPoints[3]);
    } else {
      PostBuildTCrossing(CommandQueue, LocalPlayer, word, points[0], points[1], PlacementPoints[2]);
    }
    EndTool();
  }
}
}  // namespace

void BuildXCrossing(const TVector& a, const TVector& b, const TVector& c, const TVector& d, uint16_t word,
                    uint8_t source, uint8_t execute, TConstructResult& r) {
  const TVector points[4] = {a, b, c, d};
  BuildCrossing(4, points, word, source, execute, r);
}

void BuildTCrossing(const TVector& a, const TVector& b, const TVector& c, uint16_t word, uint8_t source,
                    uint8_t execute, TConstructResult& r) {
  const TVector points[4] = {a, b, c, {}};
  BuildCrossing(3, points, word, source, execute, r);
}

void BuildRouter(const TVector& rayStart, const TVector& rayDir, const TVector& target, uint16_t word,
                 uint8_t stubMode, uint8_t source, uint8_t execute, TConstructResult& r) {
  SelectConstructionLog(source);
  TCurveOptions options;
  if (!WordOptions(word, options)) {
    r = Refusal();
    return;
  }
  GetWaySnapAtPick(AddRouterInfo, rayStart, rayDir);
  TMetaconnect t;
  if (AddRouterInfo.Valid == 0 || !MakeConnect(kRail, target, t)) {
    r = Refusal();
    return;
  }
  PrepareRouterBranch(AddRouterInfo, t);
  if (AddRouterInfo.Valid == 0 || AddRouterInfo.BranchPrepared == 0) {
    r = Refusal();
    return;
  }
  ConstructAddRouter(*GlobalCurveline, options, stubMode, ModeOf(source, execute), r);
}

void ExtendWayAtPick(const TVector& rayStart, const TVector& rayDir, const TVector& target, uint16_t word,
                     uint8_t source, uint8_t execute, TConstructResult& r) {
  SelectConstructionLog(source);
  TCurveOptions options;
  TMetaconnect t;
  if (!WordOptions(word, options) || !GetExtendWayInfoAtPick(ExtendWayInfo, rayStart, rayDir) ||
      !MakeConnect(kRoad, target, t)) {
    r = Refusal();
    return;
  }
  if (ExtendWayInfo.Valid != 0) SetExtendTargetConnect(ExtendWayInfo, t);
  if (ExtendWayInfo.Valid == 0 || ExtendWayInfo.TargetPresent == 0) {
    r = Refusal();
    return;
  }
  ConstructWayExtension(*GlobalCurveline, options, ModeOf(source, execute), r);
}

void BuildWayedBuilding(uint16_t buildingType, const TVector& connectPoint, const TVector& buildingPoint,
                        uint8_t phase, uint8_t source, uint8_t execute, TConstructResult& r) {
  SelectConstructionLog(source);
  const uint16_t type = source == kExecuting ? buildingType : SelectedBuildingType;
  if (type < 1 || type > 255 || phase > 2) {
    r = Refusal();
    return;
  }
  const uint8_t waytype = BuildingTypeWayUse(BuildingTypes[type]);
  if (waytype > kRail) {
    r = Refusal();
    return;
  }
  TMetaconnect meta;
  if (source == kExecuting) {
    if (!MakeConnect(waytype, connectPoint, meta) || (phase == 1 && meta.ConnectIndex == 0)) {
      r = Refusal();
      return;
    }
    ConstructWayedBuilding(type, meta, buildingPoint, *GlobalCurveline, execute, r);
    return;
  }
  TVector point = buildingPoint;
  if (phase == 2) {
    if (!MakeConnect(waytype, connectPoint, meta)) {
      r = Refusal();
      return;
    }
    int32_t x = 0, z = 0;
    if (!PickTerrain(x, z)) {
      r.Assign(kNothingPicked);
      return;
    }
    point = PickHitPoint;
    PlacementPoints[1] = point;
  } else {
    if (!PickLastPoint(waytype, 0, meta, r)) return;
    if (meta.ConnectIndex == 0 && meta.HasDirection == 0) {
      // A free point: the building's direction is chosen with a second click.
      if (execute == 1) SetMouseMode(kChooseBuildingPoint);
      return;
    }
  }
  ConstructWayedBuilding(type, meta, point, *GlobalCurveline, kPreview, r);
  if (r.Ok() && execute == 1) {
    const TVector at = phase == 2 ? connectPoint : PlacementPoints[0];
    PostBuildWayedBuilding(CommandQueue, LocalPlayer, type, phase, at, point);
    EndTool();
  }
}

namespace {
// The chord of a way: the positions of its first two connects; false when it has no such pair.
bool Chord(uint32_t way, TVector& from, TVector& to) {
  if (!StoredWay(way)) return false;
  const TWay w = ReadWay(way);
  const uint32_t c1 = w.Connections[0], c2 = w.Connections[1];
  if (w.ConnectionCounter < 2 || !UsedConnect(c1) || !UsedConnect(c2)) return false;
  from = ConnectByIndex(c1).Position;
  to = ConnectByIndex(c2).Position;
  return true;
}

// Whether the chord of Way crosses the segment from B to A in the ground plane; At the crossing.
bool ChordCrosses(uint32_t way, const TVector& a, const TVector& b, TVector& at) {
  TVector from, to;
  float ta = 0, tb = 0;
  return Chord(way, from, to) && SegmentIntersectXZ(from, to, b, a, at, ta, tb) == 0;
}
}  // namespace

void ExtendWayFindTarget(uint32_t way, const TVector& a, const TVector& b, TConstructResult& r) {
  TVector at{};
  uint32_t met = 0;
  if (ChordCrosses(way, a, b, at)) {
    met = way;
  } else if (StoredWay(way)) {
    const TWay w = ReadWay(way);
    for (int k = 0; k < 2 && met == 0; ++k) {
      const uint32_t c = w.Connections[k];
      if (k >= w.ConnectionCounter || !UsedConnect(c)) continue;
      const uint32_t other = OtherWayOfCon(way, c);
      if (other != 0 && ChordCrosses(other, a, b, at)) met = other;
    }
  }
  if (met == 0) {
    r.Assign(18);
    return;
  }
  const TWay w = ReadWay(met);
  SetExtendWayInfo(ExtendWayInfo, w, at);
  TMetaconnect target, end;
  if (ExtendWayInfo.Valid != 0 && MakeConnect(kRoad, b, target)) SetExtendTargetConnect(ExtendWayInfo, target);
  if (ExtendWayInfo.TargetPresent != 0 && MakeConnect(kRoad, a, end)) SetExtendEndConnect(ExtendWayInfo, end);
  if (ExtendWayInfo.EndFar == 0) {
    r.Assign(17);
    return;
  }
  r = TConstructResult::Success();
}

void ExtendWay(const TVector& a, const TVector& b, uint32_t way, uint16_t word, uint8_t source, uint8_t execute,
               TConstructResult& r) {
  SelectConstructionLog(source);
  TCurveOptions options;
  TMetaconnect ma, mb;
  if (!WordOptions(word, options) || !StoredWay(way) || !MakeConnect(kRoad, a, ma)) {
    r = Refusal();
    return;
  }
  TVector target;
  if (!SecondEnd(source, kRoad, b, mb, target, r)) return;
  ExtendWayFindTarget(way, a, target, r);
  if (!r.Ok()) return;
  ConstructWayExtension(*GlobalCurveline, options, ModeOf(source, execute), r);
  if (source == kInteractive && r.Ok() && execute == 1) {
    PostExtendWay(CommandQueue, LocalPlayer, word, a, target, way);
    EndTool();
  }
}

void BuildStationTrack(const TVector& a, const TVector& b, uint32_t station, uint8_t source, uint8_t execute,
                       TConstructResult& r) {
  SelectConstructionLog(source);
  TMetaconnect ma, mb;
  if ((station != 0 && !StoredStation(station)) || !MakeConnect(kRail, a, ma)) {
    r = Refusal();
    return;
  }
  TVector end;
  if (!SecondEnd(source, kRail, b, mb, end, r)) return;
  ConstructRailStationTrack(*GlobalCurveline, ma, mb, station, ModeOf(source, execute), r);
  if (source == kInteractive && r.Ok() && execute == 1) {
    PostBuildStationTrack(CommandQueue, LocalPlayer, a, end, station);
    EndTool();
  }
}

void BuildStationBuilding(const TVector& rayStart, const TVector& rayDir, uint8_t source, uint8_t execute,
                          TConstructResult& r) {
  SelectConstructionLog(source);
  r = TConstructResult{};
  TVector start, dir;
  const TPickResult hit = PickForCommand(rayStart, rayDir, source, 0, start, dir);
  const TVector h = hit.HitPoint;
  TVector v[5] = {};
  TVector sideA, sideB;
  uint32_t station = 0;
  std::vector<uint32_t> exclude;
  bool single = false;
  if (hit.Kind == kPickWay && StoredWay(hit.Index)) {
    const TWay w = ReadWay(hit.Index);
    const uint8_t wt = w.Waytype;
    if (wt == 0 || wt == 1 || wt == 3 || wt == 4 || wt == 6) {
      r.Assign(16);
      return;
    }
    if (wt != kWaytypePlainRail || !StoredStation(w.Station) || !MeshCorners(w.Mesh, v)) return;
    station = w.Station;
    const int k = CornerNear(v, h);
    sideA = k == 0 ? v[4] : k <= 2 ? v[1] : v[3];
    sideB = k == 0 ? v[1] : k <= 2 ? v[2] : v[4];
  } else {
    TBuilding b{};
    if (!PlatformWithStation(hit, b) || !MeshCorners(b.Mesh, v)) return;
    station = b.Station;
    if (const int k = CornerNear(v, h); k != 0) {
      sideA = k <= 2 ? v[1] : v[3];
      sideB = k <= 2 ? v[2] : v[4];
    } else {
      const uint8_t side = b.Side;
      TVector first, second;
      if (!PlatformEdge(side, v, first, second)) {
        r = Refusal();
        return;
      }
      sideA = first;
      sideB = second;
      single = true;
      exclude.push_back(b.Index);
    }
  }
  // SideA moves to the foot of the perpendicular from the hit point onto the side line.
  TVector along;
  VecSubXZ(sideB, sideA, along);
  const TVector across{-along.z, 0.0f, along.x};
  TVector through, foot = sideA;
  VecAdd(h, across, through);
  float ta = 0, tb = 0;
  SegmentIntersectXZ(sideA, sideB, h, through, foot, ta, tb);
  sideA.x = foot.x;
  sideA.z = foot.z;
  auto s = std::make_unique<TStation>();
  s->A_Read(station);
  if (!single) {
    for (int i = 0; i < std::min<int>(s->StationBuildingcounter, kMostStationBuildings); ++i)
      exclude.push_back(s->Buildings[i]);
    for (int i = 0; i < std::min<int>(s->StationWayCounter, kMostStationWays); ++i) exclude.push_back(s->Ways[i]);
  }
  ConstructStationBuilding(*GlobalCurveline, sideA, sideB, *s, std::span<const uint32_t>(exclude),
                           ModeOf(source, execute), r);
  if (source == kInteractive && r.Ok() && execute == 1) {
    PostBuildStationBuilding(CommandQueue, LocalPlayer, start, dir);
    EndTool();
  }
}

void BuildStationTrackAtPick(const TVector& rayStart, const TVector& rayDir, uint8_t source, uint8_t execute,
                             TConstructResult& r) {
  SelectConstructionLog(source);
  r = TConstructResult{};
  TVector start, dir;
  const TPickResult hit = PickForCommand(rayStart, rayDir, source, 0, start, dir);
  TBuilding b{};
  TVector v[5] = {};
  if (!PlatformWithStation(hit, b) || !MeshCorners(b.Mesh, v)) return;
  TVector first, second;
  if (!PlatformEdge(b.Side, v, first, second)) {
    r = Refusal();
    return;
  }
  TVector d;
  VecSub(second, first, d);
  TVector out{d.z, d.y, -d.x};
  const long double length = VecLength(out);
  if (!(length > 0)) {
    r = Refusal();
    return;
  }
  VecScaleSelf(out, static_cast<float>(kTrackBesidePlatform / length));
  TMetaconnect ma, mb;
  for (TVector* p : {&first, &second}) {
    p->y -= kTrackBelowPlatform;
    VecAdd(*p, out, *p);
  }
  if (!MakeConnect(kRail, first, ma) || !MakeConnect(kRail, second, mb)) {
    r = Refusal();
    return;
  }
  ConstructRailStationTrack(*GlobalCurveline, ma, mb, b.Station, ModeOf(source, execute), r);
  if (source == kInteractive && r.Ok() && execute == 1) {
    PostBuildStationTrackAtPick(CommandQueue, LocalPlayer, start, dir);
    EndTool();
  }
}

namespace {
// The way under the ray when it is a router way of ActPlayer.
bool RebuildWayCheck(const TPickResult& hit, TWay& way) {
  if (hit.Kind != kPickWay || !StoredWay(hit.Index)) return false;
  way = ReadWay(hit.Index);
  return way.Waytype == kWaytypeRouter && way.Owner == ActPlayer;
}
}  // namespace

void RebuildWay(const TVector& rayStart, const TVector& rayDir, uint16_t word, uint8_t source, uint8_t execute,
                TConstructResult& r) {
  SelectConstructionLog(source);
  r = TConstructResult::Success();
  TCurveOptions options;
  if (!WordOptions(word, options)) {
    r = Refusal();
    return;
  }
  if (source == kInteractive && execute == 0) return;
  TVector start, dir;
  const TPickResult hit = PickForCommand(rayStart, rayDir, source, 2, start, dir);
  TWay way{};
  if (!RebuildWayCheck(hit, way)) {
    r.Assign(kNothingPicked);
    return;
  }
  if (source == kExecuting) {
    ReconstructWay(way, *GlobalCurveline, options, 1, r);
    return;
  }
  if (execute != 1) return;
  // The click only posts: the router is rebuilt once, when the command runs.
  PostRebuildWay(CommandQueue, LocalPlayer, word, start, dir);
  EndTool();
}

void RaiseLowerTerrain(int32_t column, int32_t row, int32_t delta, uint8_t source, uint8_t, TConstructResult& r) {
  r.Assign(30);
  if (source == kExecuting) {
    TerraformVertex(column, row, delta, 1, 1, r);
    return;
  }
  int32_t x = 0, z = 0;
  if (!PickTerrain(x, z)) {
    r.Assign(kNothingPicked);
    return;
  }
  TerraformVertex(x, z, delta, 1, 0, r);
  if (r.Ok()) PostRaiseLowerTerrain(CommandQueue, LocalPlayer, x, z, delta);
}

// ---- Removal

namespace {

// The removal mode that an object's state and PlanOnly ask for.
uint8_t RemovalMode(uint8_t state, uint8_t planOnly) {
  if (FreeBuildMode != 0) return kRemove;
  if (state == kStateFinished) return planOnly != 0 ? kMark : kRemove;
  if (state == kStateMarked) return planOnly != 0 ? kLiftMark : kRemove;
  return kRemove;  // planned, under construction, or anything else
}

// The record kind that a removal works on, with its own steps 5.. of the cascade.
struct TRemoval {
  bool (*Stored)(uint32_t index);
  uint8_t (*State)(uint32_t index);
  void (*Post)(TCommandQueue& queue, uint8_t player, uint32_t index, uint8_t planOnly);
  // The cascade once the phase and mode are settled; Came is the way a building's removal came
  // from (0 none).
  void (*Cascade)(uint32_t index, uint8_t source, uint8_t phase, uint8_t planOnly, uint8_t mode, uint32_t came,
                  TConstructResult& r);
};

// Ways and buildings hand a removal to each other (a bridge to its way, a way to its building);
// records that name each other in a ring would do so for ever, so the nesting is bounded.
constexpr int kDeepestRemoval = 16;
int g_removalDepth = 0;

struct TRemovalDepth {
  TRemovalDepth() { ++g_removalDepth; }
  ~TRemovalDepth() { --g_removalDepth; }
};

// Steps 1..4 of a removal, then its cascade.
void Remove(const TRemoval& kind, uint32_t index, uint8_t source, uint8_t phase, uint8_t planOnly, uint32_t came,
            TConstructResult& r) {
  const TRemovalDepth depth;
  r = TConstructResult::Success();
  if (!kind.Stored(index) || g_removalDepth > kDeepestRemoval) {
    r = Refusal();
    return;
  }
  const uint8_t mode = RemovalMode(kind.State(index), planOnly);
  if (phase != 0 && mode != kLiftMark) {
    Remove(kind, index, source, 0, planOnly, came, r);
    if (!r.Ok()) return;
    phase = 2;
  }
  if (source == kInteractive && phase != 0) {
    kind.Post(CommandQueue, LocalPlayer, index, planOnly);
    return;
  }
  kind.Cascade(index, source, phase, planOnly, mode, came, r);
}

uint8_t WayState(uint32_t way) { return ReadWay(way).State; }
uint8_t BuildingState(uint32_t building) { return ReadBuilding(building).State; }

void WayCascade(uint32_t way, uint8_t source, uint8_t phase, uint8_t planOnly, uint8_t mode, uint32_t came,
                TConstructResult& r);
void BuildingCascade(uint32_t building, uint8_t source, uint8_t phase, uint8_t planOnly, uint8_t mode,
                     uint32_t came, TConstructResult& r);

constexpr TRemoval kWayRemoval{StoredWay, WayState, PostRemoveWay, WayCascade};
constexpr TRemoval kBuildingRemoval{StoredBuilding, BuildingState, PostRemoveBuilding, BuildingCascade};

void WayCascade(uint32_t way, uint8_t source, uint8_t phase, uint8_t planOnly, uint8_t mode, uint32_t,
                TConstructResult& r) {
  const TWay w = ReadWay(way);
  const uint8_t flags = WayFlags(w);
  const uint32_t building = w.Building;
  const bool ofBuilding = building != 0 && StoredBuilding(building);
  if ((flags & (kWayCutting | kWayBridge)) != 0 && ofBuilding) {
    RemoveWayWithBuilding(way, phase, mode, r);
  } else if (w.Waytype == kWaytypeXCrossing || w.Waytype == kWaytypeTCrossing) {
    RemoveCrossingCascade(way, phase, kCrossingCentrePart, mode, r);
  } else if (w.Waytype == kWaytypeRouter) {
    RemoveCrossingCascade(way, phase, kRouterCentrePart, mode, r);
  } else if (ofBuilding) {
    Remove(kBuildingRemoval, building, source, phase, planOnly, way, r);
  } else {
    DestroyWayCmd(way, phase, mode, r);
  }
}

void BuildingCascade(uint32_t building, uint8_t source, uint8_t phase, uint8_t planOnly, uint8_t mode, uint32_t came,
                     TConstructResult& r) {
  const TBuilding b = ReadBuilding(building);
  const uint16_t type = b.BuildingType;
  const uint8_t kind = type >= 1 && type <= 255 ? BuildingTypeUse(BuildingTypes[type]) : 0;
  if (kind == kKindPillar) {
    r.Assign(kNothingPicked);
    return;
  }
  // A bridge goes with its access way, a platform with its track; a removal that came from that
  // very way removes the building itself (the way would only hand it back).
  uint32_t way = 0;
  if (kind == kKindBridge) {
    way = b.BuildingWayCounter > 0 ? b.Ways[0] : 0;
  } else if (type != 0 && type == SpecialBuildingTypes[kPlatformTypeEntry]) {
    way = b.Way;
  }
  if (way != 0 && way != came && StoredWay(way)) {
    Remove(kWayRemoval, way, source, phase, planOnly, 0, r);
  } else {
    DestroyBuildingCmd(building, phase, mode, r);
  }
}

}  // namespace

void RemoveWay(uint32_t way, uint8_t source, uint8_t phase, uint8_t planOnly, TConstructResult& r) {
  Remove(kWayRemoval, way, source, phase, planOnly, 0, r);
}

void RemoveBuilding(uint32_t building, uint8_t source, uint8_t phase, uint8_t planOnly, TConstructResult& r) {
  Remove(kBuildingRemoval, building, source, phase, planOnly, 0, r);
}

void DestroyWayCmd(uint32_t way, uint8_t phase, uint8_t mode, TConstructResult& r) {
  r = TConstructResult::Success();
  if (!StoredWay(way)) return;  // gone with an earlier step of the same removal
  TWay w = ReadWay(way);
  if (mode == kMark) {
    w.Destroy(kDestroyCheck, r);
    if (r.Ok() && phase != 0) {
      w.State = kStateMarked;
      w.A_Overwrite();
    }
  } else if (mode == kLiftMark) {
    if (phase != 0) {
      w.State = kStateFinished;
      w.A_Overwrite();
    }
  } else {
    w.Destroy(phase == 0 ? kDestroyCheck : kDestroyForced, r);
  }
}

void DestroyBuildingCmd(uint32_t building, uint8_t phase, uint8_t mode, TConstructResult& r) {
  r = TConstructResult::Success();
  if (building == 0 || !StoredBuilding(building)) return;
  TBuilding b = ReadBuilding(building);
  if (mode == kRemove) {
    b.Destroy(phase == 0 ? kDestroyCheck : kDestroyForced, r);
    return;
  }
  if (mode == kMark) {
    b.Destroy(kDestroyCheck, r);
    if (!r.Ok()) return;
  }
  if (phase == 0) return;
  b.State = mode == kMark ? kStateMarked : kStateFinished;
  b.A_Overwrite();
  const int count = std::min<int>(b.BuildingWayCounter, 20);
  for (int i = 0; i < count; ++i) {
    TConstructResult wr{};
    DestroyWayCmd(b.Ways[i], phase, mode, wr);
    r.Merge(wr);
  }
}

void RemoveCrossingCascade(uint32_t way, uint8_t phase, uint8_t centrePart, uint8_t mode, TConstructResult& r) {
  r = TConstructResult::Success();
  if (!StoredWay(way)) {
    r = Refusal();
    return;
  }
  const TWay w = ReadWay(way);
  const uint32_t centre = WayPart(w) == centrePart ? way : WayCentreLink(w);
  if (!StoredWay(centre)) {
    r = Refusal();
    return;
  }
  const TWay c = ReadWay(centre);
  std::vector<TWay> met(10);
  uint32_t count = 0;
  world_hooks::WaysAtCons(c, count, met.data());
  std::vector<uint32_t> arms;
  for (uint32_t i = 0; i < count && i < met.size(); ++i) {
    if (met[i].Index != centre) arms.push_back(met[i].Index);
  }
  for (const uint32_t arm : arms) {
    if (!r.Ok()) return;
    DestroyWayCmd(arm, phase, mode, r);
  }
  if (r.Ok()) DestroyWayCmd(centre, phase, mode, r);
}

namespace {
// The building of a way and, through connects without a junction building, the ways of the same
// kind beyond it; each way is visited once.
void RemoveBuildingWays(uint32_t way, uint8_t phase, uint8_t mode, std::set<uint32_t>& seen, TConstructResult& r) {
  if (!seen.insert(way).second || !StoredWay(way)) return;
  const TWay w = ReadWay(way);
  const uint8_t kindFlags = WayFlags(w) & (kWayOnGround | kWayCutting | kWayBridge);
  // The ways beyond are found before anything here is removed.
  std::vector<uint32_t> beyond;
  for (int k = 0; k < std::min<int>(w.ConnectionCounter, 2); ++k) {
    const uint32_t c = w.Connections[k];
    if (!UsedConnect(c) || ConnectByIndex(c).JunctionBuilding != 0) continue;
    const uint32_t other = OtherWayOfCon(way, c);
    if (other == 0 || seen.count(other) != 0 || !StoredWay(other)) continue;
    if ((WayFlags(ReadWay(other)) & (kWayOnGround | kWayCutting | kWayBridge)) == kindFlags) beyond.push_back(other);
  }
  DestroyBuildingCmd(w.Building, phase, mode, r);
  for (const uint32_t other : beyond) {
    if (!r.Ok()) return;
    RemoveBuildingWays(other, phase, mode, seen, r);
  }
}
}  // namespace

void RemoveWayWithBuilding(uint32_t way, uint8_t phase, uint8_t mode, TConstructResult& r) {
  r = TConstructResult::Success();
  if (phase == 1) {
    RemoveWayWithBuilding(way, 0, mode, r);
    if (!r.Ok()) return;
  }
  std::set<uint32_t> seen;
  RemoveBuildingWays(way, phase, mode, seen, r);
}

void ConvertToStationTrack(uint32_t way, uint32_t station, uint8_t source, uint8_t execute, TConstructResult& r) {
  if (!StoredWay(way) || (station != 0 && !StoredStation(station))) {
    r = Refusal();
    return;
  }
  MakeStationTrack(way, station, ModeOf(source, execute), r);
  // The check leaves the result empty when the way may become a stop.
  if (!r.HasReason()) r = TConstructResult::Success();
  if (source == kInteractive && r.Ok() && execute == 1) {
    PostConvertToStationTrack(CommandQueue, LocalPlayer, way, station);
    EndTool();
  }
}

void ContinueCurvePlacement(uint8_t waytype, uint8_t secondTrack, const TVector& endPoint) {
  if (MouseModeChanged != 0) return;
  const bool road = waytype == kRoad;
  SetMouseMode(road ? kRoadCurveTool : secondTrack != 0 ? kSecondTrackCurveTool : kRailCurveTool);
  TMetaconnect meta{};
  TConstructResult r{};
  FindOrCreateConnect(road ? kRoad : kRail, endPoint, meta, r);
  if (r.Has(15)) return;  // off the map: nothing was looked up
  PlacementPoints[0] = PositionOf(meta);
  if (r.Has(17)) SetMouseMode(road ? kRoadStartTool : secondTrack != 0 ? kSecondTrackStartTool : kRailStartTool);
}

void InstallCommandHandlers() {
  auto& h = command_handlers::Handlers;
  h.PlantTree = PlantTree;
  h.BuildCurveWay = BuildCurveWay;
  h.BuildWay = BuildWay;
  h.BuildXCrossing = BuildXCrossing;
  h.BuildTCrossing = BuildTCrossing;
  h.BuildRouter = BuildRouter;
  h.ExtendWayAtPick = ExtendWayAtPick;
  h.BuildWayedBuilding = BuildWayedBuilding;
  h.ExtendWay = ExtendWay;
  h.BuildStationTrack = BuildStationTrack;
  h.BuildStationBuilding = BuildStationBuilding;
  h.BuildStationTrackAtPick = BuildStationTrackAtPick;
  h.RebuildWay = RebuildWay;
  h.RaiseLowerTerrain = RaiseLowerTerrain;
  h.RemoveWay = RemoveWay;
  h.RemoveBuilding = RemoveBuilding;
  h.ConvertToStationTrack = ConvertToStationTrack;
  h.ContinueCurvePlacement = ContinueCurvePlacement;
}
