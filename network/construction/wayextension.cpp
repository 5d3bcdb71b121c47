#include "network/construction/wayextension.h"

#include <cmath>
#include <memory>

#include "engine/base/maths.h"
#include "engine/store/connectpool.h"
#include "network/construction/connects.h"
#include "network/construction/crossings.h"
#include "network/construction/limits.h"
#include "network/construction/routers.h"
#include "network/construction/vectorops.h"
#include "network/construction/ways.h"
#include "network/track/trackfields.h"

using namespace vecops;

TExtendWayInfo ExtendWayInfo{};

namespace {
constexpr uint8_t kPickRoads = 1;
}  // namespace

void ClearExtendWayInfo(TExtendWayInfo& info) {
  info.TargetPresent = info.Valid = info.EndFar = 0;
  info.Way = 0;
  // The dead ends belong to the pick too: a new pick sets only those it finds.
  for (int end = 0; end < 2; ++end) {
    info.Neighbours[end] = 0;
    info.DeadEnd[end] = 0;
  }
}

void SetExtendWayInfo(TExtendWayInfo& info, const TWay& way, const TVector& pick) {
  ClearExtendWayInfo(info);
  if (way.Waytype != kWaytypeStreet || (WayFlags(way) & (kWayCutting | kWayBridge)) != 0 || way.ConnectionCounter < 2)
    return;
  const TVector first = ConnectPosition(way.Connections[0]);
  TVector dir = Minus(ConnectPosition(way.Connections[1]), first);
  Normalize(dir);
  const TVector toPick = Minus(pick, first);
  const float distance = VecDistanceXZ(pick, first);
  const float along = distance > 0.0f ? std::cos(AngleBetweenXZ(dir, toPick)) * distance : 0.0f;
  info.MeetingPoint = Plus(first, Times(dir, along));
  info.Direction = dir;
  info.Way = way.Index;

  bool valid = true;
  for (int i = 0; i < 2; ++i) {
    TConnect c{};
    GetConnect(c, way.Connections[i]);
    if (!(VecDistanceXZ(c.Position, info.MeetingPoint) > kExtensionEndClearance) && ConnectWayCount(c) < 2)
      valid = false;
  }
  const float h = WayGauge[kWaytypeRoad] / 2.0f + MinPieceLength[LimitIndex(kWaytypeRoad)];
  for (int i = 0; i < 2; ++i) {
    // An arm point off the map cannot hold a connect: no extension there.
    TConstructResult r;
    info.ArmPoints[i] = TMetaconnect{};
    FindOrCreateConnect(kWaytypeRoad, Plus(info.MeetingPoint, Times(dir, i == 0 ? -h : h)), info.ArmPoints[i], r);
    if (r.Has(15)) valid = false;
  }
  for (int i = 0; i < 2; ++i) {
    if (!CutAtEndWithinReach(way.Index, way.Connections[i], info.MeetingPoint, kExtensionArmDistance, kWaytypeStreet,
                             info.Neighbours[i], info.DeadEnd[i]))
      valid = false;
  }
  info.Valid = valid ? 1 : 0;
}

bool GetExtendWayInfoAtPick(TExtendWayInfo& info, const TVector& rayStart, const TVector& rayDir) {
  ClearExtendWayInfo(info);
  uint32_t index = 0;
  TVector hit{};
  if (!router_hooks::PickWay(rayStart, rayDir, kPickRoads, index, hit)) return false;
  TWay way{};
  way.A_Read(index);
  SetExtendWayInfo(info, way, hit);
  return true;
}

void SetExtendTargetConnect(TExtendWayInfo& info, const TMetaconnect& target) {
  info.Target = target;
  info.TargetPresent = 1;
}

void SetExtendEndConnect(TExtendWayInfo& info, const TMetaconnect& end) {
  info.End = end;
  info.EndFar = VecDistanceXZ(end.Position, info.MeetingPoint) > kExtensionArmDistance ? 1 : 0;
}

void ConstructWayExtension(TCurveline& curve, TCurveOptions options, uint8_t mode, TConstructResult& result) {
  TExtendWayInfo& info = ExtendWayInfo;
  result = TConstructResult::Success();
  bool instant = true;
  if (mode == 1) {
    ConstructWayExtension(curve, options, 0, result);
    if (!result.Ok()) return;
  }
  if (info.Valid == 0 || info.TargetPresent == 0) {
    result.Assign(1);
    ClearExtendWayInfo(info);
    return;
  }

  const TReplacedWays replaced{info.Way, {info.Neighbours[0], info.Neighbours[1]}};
  TVector cut[2];
  replaced.CutEnds(false, cut);
  replaced.Remove(kWaytypeStreet, mode, true, instant, result);
  TMetaconnect ends[2], arms[2] = {info.ArmPoints[0], info.ArmPoints[1]};
  TMetaconnect target = info.Target, end = info.End;
  for (int i = 0; i < 2; ++i) {
    TConstructResult ignored;
    ends[i] = TMetaconnect{};
    FindOrCreateConnect(kWaytypeRoad, cut[i], ends[i], ignored);
  }
  for (TMetaconnect* point : {&ends[0], &ends[1], &arms[0], &arms[1], &target, &end}) replaced.Forget(*point);

  // A cut end is joined to its arm unless the street ends there or the arm starts at it.
  bool join[2];
  for (int i = 0; i < 2; ++i)
    join[i] = info.DeadEnd[i] == 0 && !(VecDistanceXZ(ends[i].Position, arms[i].Position) < 1.0f);
  TConnectRoom room;
  for (int i = 0; i < 2; ++i) {
    room.Add(arms[i]);
    if (!join[i]) continue;
    room.Add(arms[i]);
    room.Add(ends[i]);
  }
  if (!room.Fits()) result.Refuse(17);

  const uint8_t arms4 = info.EndFar != 0 ? 4 : 3;
  const TMetaconnect points[4] = {arms[0], arms[1], target, end};
  uint8_t swapped = 0;
  TConstructResult crossing;
  ConstructCrossing(curve, arms4, arms4, swapped, points, info.MeetingPoint, options, mode, instant ? 1 : 0, crossing);
  result.Merge(crossing);
  // The arm pieces of the two arm points, before a join plans over them.
  const TPieceMesh armPieces[2] = {curve.Pieces[swapped != 0 ? 2 : 1].Mesh, curve.Pieces[swapped != 0 ? 1 : 2].Mesh};

  if (!crossing.Has(1) && (mode != 1 || crossing.Ok())) {
    auto full = std::make_unique<TMeshdata2>();
    for (int i = 0; i < 2; ++i) {
      if (!join[i]) continue;
      TMetaconnect arm = arms[i];
      if (mode == 1) {
        TConstructResult ignored;
        FindOrCreateConnect(kWaytypeRoad, arm.Position, arm, ignored);
      } else {
        ExpandMesh(armPieces[i], *full);
        MetaconnectDirFromMesh(arm, *full, 1);
      }
      TConstructResult r;
      constructcurve(curve, kWaytypeRoad, ends[i], arm, false, options, mode, r);
      if (mode == 1 && r.Ok() && instant) CompleteCurveWays(curve);
      result.Merge(r);
    }
  }
  // A refusal, and a build (the street it names is gone), end the pick.
  if (!result.Ok() || mode == 1) ClearExtendWayInfo(info);
}
