#include "network/construction/routers.h"

#include <cmath>
#include <memory>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/store/connectpool.h"
#include "network/construction/collision.h"
#include "network/construction/connects.h"
#include "network/construction/curves.h"
#include "network/construction/limits.h"
#include "network/construction/nodes.h"
#include "network/construction/prevcost.h"
#include "network/construction/vectorops.h"
#include "network/construction/wayextension.h"
#include "network/construction/ways.h"
#include "network/track/blocks.h"
#include "network/track/trackfields.h"

using namespace vecops;

TAddRouterInfo AddRouterInfo{};

namespace router_hooks {
namespace {
bool NoWay(const TVector&, const TVector&, uint8_t, uint32_t&, TVector&) { return false; }
}  // namespace
bool (*PickWay)(const TVector&, const TVector&, uint8_t, uint32_t&, TVector&) = NoWay;
void InstallDefaults() { PickWay = NoWay; }
}  // namespace router_hooks

namespace {

constexpr long double kPi = 3.141592653589793L;
constexpr uint8_t kPickWays = 2;

// The way's connect at the other end from Connect (the first of its connects that is not Connect),
// 0 when it has none.
uint32_t FarConnect(const TWay& way, uint32_t connect) {
  for (int i = 0; i < way.ConnectionCounter && i < 10; ++i) {
    if (way.Connections[i] != 0 && way.Connections[i] != connect) return way.Connections[i];
  }
  return 0;
}

bool IsPlainRail(const TWay& w) { return w.Waytype == kWaytypePlainRail; }

TMetaconnect NewPoint(uint8_t waytype, const TVector& position) {
  TMetaconnect m{};
  m.Waytype = waytype;
  m.Position = position;
  return m;
}

long double Wrap(long double angle) {
  if (angle > kPi) angle -= 2.0L * kPi;
  if (angle < -kPi) angle += 2.0L * kPi;
  return angle;
}

// V turned about the vertical axis by S (a positive S raises the heading).
TVector Turned(const TVector& v, float s) {
  const float c = std::cos(s), n = std::sin(s);
  return {v.x * c - v.z * n, v.y, v.x * n + v.z * c};
}

// The side vector at a leg end: rotate90 of the leg's chord, at a stored end with a direction
// rotate90 of the way into the leg.
TVector LegSide(const TMetaconnect& end, const TVector& chord) {
  if (end.ConnectIndex != 0 && end.HasDirection != 0) return Rotate90(Negated(end.Direction));
  return Rotate90(chord);
}

// The planned router: its points, legs and centre.
struct TRouterPlan {
  TMetaconnect Outer[3];  // A, B, C: the outer ends of legs 1 to 3
  TMetaconnect Inner[3];  // M1, M2, M3
  TVector OuterSide[3], InnerSide[3];
  TWay Legs[3];
  TPieceMesh LegPieces[3];
  TWay Centre;
  TPieceMesh CentrePiece;
  std::unique_ptr<TMeshdata2> CentreMesh = std::make_unique<TMeshdata2>();
  float Turn = 1.0f;  // +1 when the branch turns towards a rising heading, -1 otherwise
};

// The router's top: its quad over the straight part and a triangle from the branch-side corner at
// M1 to the branch's two corners at M3, both with the router texture; the walls keep the rail's.
void ShapeCentre(TRouterPlan& r) {
  TMeshdata2& mesh = *r.CentreMesh;
  const uint16_t router = StandardTextures[kRouterTextureEntry];
  TMeshPolygon top = mesh.Polygon(1);
  top.Texture = router;
  mesh.Polygon(1) = top;
  const TMeshVertex corner = mesh.Vertex(r.Turn > 0.0f ? 1 : 2);
  const TMeshVertex b3 = r.LegPieces[2].Vertices[2], b4 = r.LegPieces[2].Vertices[3];
  const int base = mesh.VertexCount;
  mesh.vxA(static_cast<uint16_t>(base + 1), corner.x, corner.y, corner.z, 0.0f, 0.0f);
  mesh.vxA(static_cast<uint16_t>(base + 2), b3.x, b3.y, b3.z, 0.5f, 1.0f);
  mesh.vxA(static_cast<uint16_t>(base + 3), b4.x, b4.y, b4.z, 0.0f, 1.0f);
  AddTriangle(mesh, static_cast<uint16_t>(base + 1), static_cast<uint16_t>(base + 2), static_cast<uint16_t>(base + 3),
              router, true, false, 255, 255, 255, 255);
  CompactMesh(r.CentrePiece, mesh);
}

// Leg 1's top shows the router texture, mirrored by the side the branch turns to.
void MarkFirstLeg(TPieceMesh& leg, float turn) {
  static constexpr float kFirstSide[4][2] = {{0.6f, 0.0f}, {0.0f, 0.0f}, {0.0f, 0.25f}, {0.6f, 0.25f}};
  static constexpr float kSecondSide[4][2] = {{0.0f, 0.0f}, {0.6f, 0.0f}, {0.6f, 0.25f}, {0.0f, 0.25f}};
  const auto& uv = turn > 0.0f ? kFirstSide : kSecondSide;
  for (int i = 0; i < 4; ++i) {
    TMeshVertex v = leg.Vertices[i];
    v.u = uv[i][0];
    v.v = uv[i][1];
    leg.Vertices[i] = v;
  }
  TMeshPolygon top = leg.Polygons[0];
  top.Texture = StandardTextures[kRouterTextureEntry];
  leg.Polygons[0] = top;
}

void BuildRouter(TRouterPlan& r, uint8_t wt, uint8_t instant) {
  uint32_t legs[3];
  for (int i = 0; i < 3; ++i)
    legs[i] = CreateWay(wt, r.Outer[i], r.Inner[i], r.OuterSide[i], r.InnerSide[i], r.Legs[i], r.LegPieces[i]);
  TWay& centre = r.Centre;
  centre.Waytype = kWaytypeRouter;
  WayPart(centre) = kRouterCentrePart;
  WaySwitch(centre) = 1;
  SetWayCentreLink(centre, legs[0]);
  centre.ConnectionCounter = 3;
  for (int i = 0; i < 3; ++i) centre.Connections[i] = r.Inner[i].ConnectIndex;
  r.CentreMesh->A_Write();
  centre.Mesh = r.CentreMesh->Index;
  centre.NodesCounter = 6;
  for (int i = 0; i < 3; ++i) {
    centre.Nodes[2 * i] = r.Legs[i].Nodes[3];
    centre.Nodes[2 * i + 1] = r.Legs[i].Nodes[2];
  }
  // The switch faces from A: from leg 1 into legs 2 and 3, and back from each into leg 1.
  LinkNodes(r.Legs[0].Nodes[3], r.Legs[1].Nodes[2]);
  LinkNodes(r.Legs[0].Nodes[3], r.Legs[2].Nodes[2]);
  LinkNodes(r.Legs[1].Nodes[3], r.Legs[0].Nodes[2]);
  LinkNodes(r.Legs[2].Nodes[3], r.Legs[0].Nodes[2]);
  VecMidpoint(r.Outer[0].Position, r.Outer[1].Position, centre.Position);
  centre.A_Write();
  for (int i = 0; i < 3; ++i) AddWayToCon(centre.Index, r.Inner[i]);
  for (int n : {0, 2, 4}) SetNodeWay(centre, centre.Nodes[n]);
  for (int i = 0; i < 3; ++i) {
    TWay leg{};
    leg.A_Read(legs[i]);
    leg.Waytype = kWaytypeRouter;
    WayPart(leg) = static_cast<uint8_t>(i + 1);
    SetWayCentreLink(leg, centre.Index);
    leg.A_Overwrite();
  }
  AddtoPrevCost(centre.WayCost(0.0f));
  if (instant == 0) return;
  for (uint32_t index : {legs[0], legs[1], legs[2], centre.Index}) {
    TWay w{};
    w.A_Read(index);
    CompleteWay(w);
  }
}

// The direction of a router point from the router's leg mesh, as the preview has it (its leg
// starts at the point).
void DirectionFromLeg(TMetaconnect& point, const TPieceMesh& leg) {
  auto full = std::make_unique<TMeshdata2>();
  ExpandMesh(leg, *full);
  MetaconnectDirFromMesh(point, *full, 1);
}

// The router point as the join takes it: in a preview its direction from the leg mesh; after the
// build the stored end of the leg.
void RouterPointForJoin(TMetaconnect& point, uint8_t waytype, const TPieceMesh& leg, uint8_t mode) {
  if (mode == 1) {
    TConstructResult ignored;
    FindOrCreateConnect(waytype, point.Position, point, ignored);
  } else {
    DirectionFromLeg(point, leg);
  }
}

}  // namespace

void ClearAddRouterInfo(TAddRouterInfo& info) {
  info.Valid = 0;
  info.Way = 0;
  info.BranchPrepared = 0;
  info.Neighbours[0] = info.Neighbours[1] = 0;
  info.DeadEnd[0] = info.DeadEnd[1] = 0;
}

void SetRouterFromWay(TAddRouterInfo& info, uint32_t way, const TVector& pick) {
  TWay w{};
  w.A_Read(way);
  if (w.Owner != ActPlayer || !IsPlainRail(w) || (WayFlags(w) & (kWayCutting | kWayBridge)) != 0 ||
      w.ConnectionCounter < 2) {
    ClearAddRouterInfo(info);
    return;
  }
  const TVector first = ConnectPosition(w.Connections[0]);
  TVector dir = Minus(ConnectPosition(w.Connections[1]), first);
  Normalize(dir);
  info.Direction = dir;
  const TVector branch = Plus(first, Times(dir, VecDotXZ(dir, Minus(pick, first))));
  TConstructResult r;
  FindOrCreateConnect(kWaytypeRail, branch, info.BranchPoint, r);
  info.Way = way;
  info.BranchPrepared = 0;  // a new branch point needs its target again
  if (r.Ok() || r == TConstructResult::Of({17})) {
    info.Valid = 1;
  } else {
    ClearAddRouterInfo(info);
  }
}

void GetWaySnapAtPick(TAddRouterInfo& info, const TVector& rayStart, const TVector& rayDir) {
  ClearAddRouterInfo(info);
  uint32_t way = 0;
  TVector hit{};
  if (router_hooks::PickWay(rayStart, rayDir, kPickWays, way, hit)) SetRouterFromWay(info, way, hit);
}

void PrepareRouterBranch(TAddRouterInfo& info, const TMetaconnect& target) {
  for (int pass = 1; pass <= 2; ++pass) {
    if (info.Valid == 0) {
      ClearAddRouterInfo(info);
      return;
    }
    const TVector& at = info.BranchPoint.Position;
    const TVector d = Minus(target.Position, at);
    TWay way{};
    uint32_t behind = 0, ahead = 0;  // the way's connects behind the branch point and ahead of it
    if (info.BranchPoint.ConnectIndex != 0) {
      // The pick snapped to a track end: the router runs into the first rail way there that leads
      // towards the target.
      TConnect c{};
      GetConnect(c, info.BranchPoint.ConnectIndex);
      bool found = false;
      for (uint32_t candidate : {c.WayA, c.WayB}) {
        if (candidate == 0 || found) continue;
        way.A_Read(candidate);
        const uint32_t other = FarConnect(way, info.BranchPoint.ConnectIndex);
        if (!IsPlainRail(way) || other == 0) continue;
        if (AngleBetweenXZ(Minus(ConnectPosition(other), at), d) > kPi / 2.0L) continue;
        found = true;
        behind = info.BranchPoint.ConnectIndex;
        ahead = other;
      }
      if (!found) {
        ClearAddRouterInfo(info);
        return;
      }
      info.Way = way.Index;
      info.Reversed = way.Connections[0] == ahead ? 1 : 0;
      TVector dir = Minus(ConnectPosition(ahead), at);
      Normalize(dir);
      info.Direction = dir;
    } else {
      way.A_Read(info.Way);
      if (!IsPlainRail(way) || way.ConnectionCounter < 2) {
        ClearAddRouterInfo(info);
        return;
      }
      // The router runs along the way towards the side the target lies on.
      info.Reversed = AngleBetweenXZ(d, info.Direction) > kPi / 2.0L ? 1 : 0;
      if (info.Reversed != 0) info.Direction = Negated(info.Direction);
      behind = way.Connections[info.Reversed != 0 ? 1 : 0];
      ahead = way.Connections[info.Reversed != 0 ? 0 : 1];
    }

    // Track ends within reach: their other way is cut too, or the track ends there.
    const uint32_t ends[2] = {behind, ahead};
    const float reach[2] = {MinPieceLength[LimitIndex(kWaytypeRail)], MinPieceLength[LimitIndex(kWaytypeRail, 1)]};
    info.Neighbours[0] = info.Neighbours[1] = 0;
    info.DeadEnd[0] = info.DeadEnd[1] = 0;
    int blocked = -1;
    for (int i = 0; i < 2; ++i) {
      if (!CutAtEndWithinReach(way.Index, ends[i], at, reach[i], kWaytypePlainRail, info.Neighbours[i],
                               info.DeadEnd[i]) &&
          blocked < 0)
        blocked = i;
    }
    if (blocked >= 0) {
      if (pass == 2) {
        ClearAddRouterInfo(info);
        return;
      }
      SetRouterFromWay(info, way.Index, ConnectPosition(ends[blocked]));
      continue;
    }

    TConstructResult r;
    FindOrCreateConnect(kWaytypeRail, Plus(at, Times(info.Direction, kFarPointDistance)), info.FarPoint, r);
    if (r.Has(15)) {
      ClearAddRouterInfo(info);
      return;
    }
    info.BranchTarget = target;
    info.BranchPrepared = 1;
    return;
  }
}

void ConstructWay(TCurveline& curve, uint8_t wt, const TMetaconnect& a, const TMetaconnect& b, const TMetaconnect& c,
                  TCurveOptions options, uint8_t stubMode, uint8_t instant, uint8_t mode, TConstructResult& result) {
  ResetConstruction(curve);
  result = TConstructResult::Success();
  // The straight leg's inner end lies 120 along: B must lie beyond it.
  if (!(VecDistanceXZ(a.Position, b.Position) > kStraightEnd)) {
    result.Assign(4);
    return;
  }
  auto plan = std::make_unique<TRouterPlan>();
  TRouterPlan& r = *plan;
  r.Outer[0] = a;
  r.Outer[1] = b;
  TMetaconnect target = c;

  TVector dir = Minus(b.Position, a.Position);
  Normalize(dir);
  r.Inner[0] = NewPoint(wt, Plus(a.Position, Times(dir, kBranchStart)));
  r.Inner[1] = NewPoint(wt, Plus(a.Position, Times(dir, kStraightEnd)));
  r.Turn = Wrap(Heading(Minus(c.Position, a.Position)) - Heading(dir)) >= 0.0L ? 1.0f : -1.0f;
  const TVector v = Turned(dir, r.Turn * kBranchTurn);
  r.Inner[2] = NewPoint(wt, Plus(r.Inner[0].Position, Times(v, kBranchLength)));
  r.Inner[2].Direction = Negated(v);
  r.Inner[2].HasDirection = 1;

  // The branch end: a target out of reach gets a stub; a plain point that the branch cannot bend to
  // is replaced by the stub's end once.
  bool stubbed = false, moved = false;
  TMetaconnect realTarget{};
  TConstructResult test;
  for (;;) {
    PieceTest(wt, r.Inner[2], target, 2, test);
    if (test.Ok()) break;
    const TMetaconnect stub = NewPoint(wt, Plus(r.Inner[2].Position, Times(v, kRouterStub)));
    if (test.Has(3) && !stubbed) {
      realTarget = target;
      target = stub;
      stubbed = true;
      continue;
    }
    if (test.Has(5) && !stubbed && !moved && target.HasDirection == 0) {
      target = stub;
      moved = true;
      continue;
    }
    break;
  }
  result.Merge(test);
  r.Outer[2] = target;

  auto buffer = std::make_unique<TMeshdata2>();
  float lowest = 0.0f;
  for (int i = 0; i < 3; ++i) {
    const TVector chord = Minus(r.Inner[i].Position, r.Outer[i].Position);
    r.OuterSide[i] = LegSide(r.Outer[i], chord);
    r.InnerSide[i] = Rotate90(chord);
    TConstructResult piece;
    PreparePiece(wt, r.Outer[i], r.Inner[i], r.LegPieces[i], *buffer, r.Legs[i], r.OuterSide[i], r.InnerSide[i],
                 kSidesScaled, lowest, piece);
    if (i == 2 && piece.Has(19)) result.Refuse(19);
  }
  MarkFirstLeg(r.LegPieces[0], r.Turn);
  TVector sideA{}, sideB{};
  TConstructResult ignored;
  PreparePiece(wt, r.Inner[0], r.Inner[1], r.CentrePiece, *r.CentreMesh, r.Centre, sideA, sideB, kSidesFromChord,
               lowest, ignored);
  ShapeCentre(r);

  curve.conzahl = 5;
  const TMetaconnect* slots[5] = {&r.Outer[0], &r.Outer[1], &r.Outer[2], &r.Inner[0], &r.Inner[1]};
  for (int k = 1; k <= 5; ++k) curve.Slots[k] = *slots[k - 1];
  for (int k = 1; k <= 3; ++k) {
    curve.Pieces[k].Way = r.Legs[k - 1];
    curve.Pieces[k].Mesh = r.LegPieces[k - 1];
  }
  curve.Pieces[4].Way = r.Centre;
  curve.Pieces[4].Mesh = r.CentrePiece;

  for (int k = 1; k <= 4; ++k) {
    if ((WayFlags(curve.Pieces[k].Way) & (kWayBridge | kWayCutting)) != 0) result.Assign(11);
  }
  if (result.Ok()) {
    TConnectRoom room;
    for (const TMetaconnect& end : r.Outer) room.Add(end);
    if (stubbed) room.Add(realTarget);
    if (!room.Fits()) result.Refuse(17);
  }
  if (result.Ok()) {
    CurvelineBounds(curve);
    TConstructResult hit;
    CollisionTest(curve, kCollisionWays, hit, curve.Centre.x, curve.Centre.z, curve.Radius);
    result.Merge(hit);
  }
  if (mode == 0 && !result.Has(1)) LogPieces(curve);
  for (int k = 1; k <= 4; ++k) curve.RouterMeshes[k - 1] = curve.Pieces[k].Mesh;

  if (mode == 1 && result.Ok()) BuildRouter(r, wt, instant);

  // The stub is joined to the real target; a refused router leaves it unbuilt.
  const bool join = stubbed && (stubMode == 1 || (stubMode == 2 && realTarget.ConnectIndex != 0));
  if (!join || (mode == 1 && !result.Ok())) return;
  TMetaconnect stubEnd = r.Outer[2];
  RouterPointForJoin(stubEnd, wt, curve.RouterMeshes[2], mode);
  TConstructResult joined;
  constructcurve(curve, wt, stubEnd, realTarget, false, options, mode, joined);
  result.Merge(joined);
}

void ConstructAddRouter(TCurveline& curve, TCurveOptions options, uint8_t stubMode, uint8_t mode,
                        TConstructResult& result) {
  if (mode == 1) {
    ConstructAddRouter(curve, options, stubMode, 0, result);
    if (!result.Ok()) return;
  }
  result = TConstructResult{};
  bool instant = true;
  TAddRouterInfo& info = AddRouterInfo;
  if (info.Valid == 0 || info.BranchPrepared == 0)
    SYS_BREAKPROGRAM("ERROR: Call of ConstructAddRouter without valid AddRouterInfo");
  result = TConstructResult::Success();

  const TReplacedWays replaced{info.Way, {info.Neighbours[0], info.Neighbours[1]}};
  TVector cut[2];
  replaced.CutEnds(info.Reversed != 0, cut);
  replaced.Remove(kWaytypePlainRail, mode, false, instant, result);
  TMetaconnect ends[2];
  for (int i = 0; i < 2; ++i) {
    TConstructResult ignored;
    ends[i] = NewPoint(kWaytypeRail, cut[i]);
    FindOrCreateConnect(kWaytypeRail, cut[i], ends[i], ignored);
  }
  TMetaconnect branch = info.BranchPoint, far = info.FarPoint, target = info.BranchTarget;
  for (TMetaconnect* point : {&branch, &far, &target, &ends[0], &ends[1]}) replaced.Forget(*point);

  const float shortest = MinPieceLength[LimitIndex(kWaytypeRail)];
  const bool joinBehind = info.DeadEnd[0] == 0 && VecDistanceXZ(ends[0].Position, branch.Position) > shortest;
  const bool joinAhead = info.DeadEnd[1] == 0 && VecDistanceXZ(ends[1].Position, far.Position) >= shortest;
  if (!joinAhead) far = ends[1];

  TConnectRoom room;
  for (const TMetaconnect* point : {&branch, &far, &target}) room.Add(*point);
  if (joinBehind) {
    room.Add(ends[0]);
    room.Add(branch);
  }
  if (joinAhead) {
    room.Add(ends[1]);
    room.Add(far);
  }
  if (!room.Fits()) result.Refuse(17);

  TConstructResult router;
  ConstructWay(curve, kWaytypeRail, branch, far, target, options, stubMode, instant ? 1 : 0, mode, router);
  result.Merge(router);

  struct Join {
    bool Wanted;
    const TMetaconnect* End;
    TMetaconnect Point;
    int Leg;
  };
  Join joins[2] = {{joinBehind, &ends[0], branch, 0}, {joinAhead, &ends[1], far, 1}};
  const TPieceMesh legs[2] = {curve.RouterMeshes[0], curve.RouterMeshes[1]};
  for (Join& j : joins) {
    if (!j.Wanted || (mode == 1 && !router.Ok())) continue;
    RouterPointForJoin(j.Point, kWaytypeRail, legs[j.Leg], mode);
    TConstructResult r;
    constructcurve(curve, kWaytypeRail, *j.End, j.Point, false, options, mode, r);
    if (mode == 1 && r.Ok() && instant) CompleteCurveWays(curve);
    result.Merge(r);
  }
  // The ways the record names are gone.
  if (mode == 1) ClearAddRouterInfo(info);
}

void ReconstructWay(TWay& way, TCurveline& curve, TCurveOptions options, uint8_t mode, TConstructResult& result) {
  result = TConstructResult::Success();
  TWay centre = way;
  if (centre.Waytype == kWaytypeRouter && WayPart(centre) != kRouterCentrePart) {
    const uint32_t link = WayCentreLink(centre);
    if (link == 0 || !ArrayerHolds(kTWayDesc, link)) {
      result.Assign(17);
      return;
    }
    centre.A_Read(link);
  }
  if (centre.Waytype != kWaytypeRouter || WayPart(centre) != kRouterCentrePart || centre.ConnectionCounter < 2) {
    result.Assign(17);
    return;
  }
  // The outer ends of the legs at the centre's first two connects.
  TVector ends[2];
  uint32_t legs[2];
  for (int i = 0; i < 2; ++i) {
    legs[i] = OtherWayOfCon(centre.Index, centre.Connections[i]);
    if (legs[i] == 0) {
      result.Assign(17);
      return;
    }
    TWay leg{};
    leg.A_Read(legs[i]);
    const uint32_t end = FarConnect(leg, centre.Connections[i]);
    if (end == 0) {
      result.Assign(17);
      return;
    }
    ends[i] = ConnectPosition(end);
  }
  const uint8_t waytype = centre.Use == 0 ? kWaytypeRoad : kWaytypeRail;

  TConstructResult removal;
  centre.Destroy(mode == 1 ? kDestroyChecked : kDestroyCheck, removal);
  if (!removal.Has(kDestroyOk)) {
    result.Assign(18);
    return;
  }
  TMetaconnect a{}, b{};
  TConstructResult ignored;
  FindOrCreateConnect(waytype, ends[0], a, ignored);
  FindOrCreateConnect(waytype, ends[1], b, ignored);
  if (mode != 1) {
    // The plain track that would replace the router, planned beside it.
    RefreshMetaconnect(a, centre.Index, legs[0], legs[1]);
    RefreshMetaconnect(b, centre.Index, legs[0], legs[1]);
  }
  constructcurve(curve, waytype, a, b, false, options, mode == 1 ? 1 : 0, ignored);
}

void TReplacedWays::CutEnds(bool reversed, TVector (&ends)[2]) const {
  TWay w{};
  w.A_Read(Way);
  const uint32_t own[2] = {w.Connections[reversed ? 1 : 0], w.Connections[reversed ? 0 : 1]};
  for (int i = 0; i < 2; ++i) {
    uint32_t end = own[i];
    if (Neighbours[i] != 0) {
      TWay n{};
      n.A_Read(Neighbours[i]);
      const uint32_t far = FarConnect(n, own[i]);
      if (far != 0) end = far;
    }
    ends[i] = ConnectPosition(end);
  }
}

void TReplacedWays::Remove(uint8_t plain, uint8_t mode, bool refuseBuildingWays, bool& instant,
                           TConstructResult& result) const {
  const uint32_t ways[3] = {Way, Neighbours[0], Neighbours[1]};
  for (int i = 0; i < 3; ++i) {
    const uint32_t index = ways[i];
    // A loop may name one way at both ends; a way gone already needs nothing more.
    if (index == 0 || (i >= 1 && index == ways[0]) || (i == 2 && index == ways[1])) continue;
    if (!ArrayerHolds(kTWayDesc, index)) continue;
    TWay w{};
    w.A_Read(index);
    if ((WayFlags(w) & kWayCutting) != 0) result.Refuse(12);
    if ((WayFlags(w) & kWayBridge) != 0) result.Refuse(11);
    if (w.Waytype != plain) result.Refuse(17);
    if (mode == 1) {
      if (w.State == 2) {
        w.State = 3;
        w.A_Overwrite();
      } else {
        instant = false;
      }
      TConstructResult removed;
      TWay::DestroyByIndex(index, kDestroyForced, removed);
    } else if (refuseBuildingWays && w.Building != 0) {
      result.Refuse(11);
    } else {
      TConstructResult check;
      w.Destroy(kDestroyCheck, check);
      result.Merge(check);
    }
  }
}

void TReplacedWays::Forget(TMetaconnect& point) const { RefreshMetaconnect(point, Way, Neighbours[0], Neighbours[1]); }

bool TReplacedWays::Holds(uint32_t way) const {
  return way != 0 && (way == Way || way == Neighbours[0] || way == Neighbours[1]);
}

bool CutAtEndWithinReach(uint32_t way, uint32_t connect, const TVector& at, float reach, uint8_t plain,
                         uint32_t& neighbour, uint8_t& deadEnd) {
  if (!(VecDistanceXZ(ConnectPosition(connect), at) < reach)) return true;
  const uint32_t other = OtherWayOfCon(way, connect);
  if (other == 0) {
    deadEnd = 1;
    return true;
  }
  neighbour = other;
  TWay n{};
  n.A_Read(other);
  return n.Waytype == plain;
}

bool IsReplacedWay(uint32_t way) {
  const TAddRouterInfo& r = AddRouterInfo;
  if (r.Valid != 0 && r.BranchPrepared != 0 && TReplacedWays{r.Way, {r.Neighbours[0], r.Neighbours[1]}}.Holds(way))
    return true;
  const TExtendWayInfo& e = ExtendWayInfo;
  return e.Valid != 0 && e.TargetPresent != 0 && TReplacedWays{e.Way, {e.Neighbours[0], e.Neighbours[1]}}.Holds(way);
}
