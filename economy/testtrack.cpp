#include "economy/testtrack.h"

#include "economy/gameplay.h"
#include "economy/step/plans.h"
#include "engine/base/worldstate.h"
#include "network/construction/constructcurve.h"
#include "network/track/cursor.h"

void SetTestCurveEnds(TCurveline& curve, uint8_t waytype, TMetaconnect& a, TMetaconnect& b) {
  ResetConstruction(curve);
  a = TMetaconnect{};
  b = TMetaconnect{};
  a.Waytype = b.Waytype = waytype;
  a.HasDirection = 1;
  b.HasDirection = 0;
  if (waytype == kWaytypeRail) {
    a.Position = {330.0f, 0.0f, 680.0f};
    a.Direction = {0.8f, 0.0f, 1.0f};
    b.Position = {330.0f, 0.0f, 300.0f};
    b.Direction = {1.2f, 0.0f, -1.0f};
  } else {
    a.Position = {600.0f, 0.0f, 480.0f};
    a.Direction = {6.0f, 0.0f, 1.0f};
    b.Position = {400.0f, 0.0f, 260.0f};
    b.Direction = {1.0f, 0.0f, -1.0f};
  }
}

bool BuildTestTrack(TCurveline& curve, TMetaconnect& a, TMetaconnect& b, const TTestTrackSteps& steps,
                    TConstructResult& railResult, TConstructResult& roadResult) {
  SetTestCurveEnds(curve, kWaytypeRail, a, b);
  if (steps.BeforeRail && !steps.BeforeRail()) return false;
  constructcurve(curve, kWaytypeRail, a, b, false, {}, 1, railResult);
  if (steps.AfterRail) steps.AfterRail(curve);

  SetTestCurveEnds(curve, kWaytypeRoad, a, b);
  if (steps.BeforeRoad) steps.BeforeRoad();
  constructcurve(curve, kWaytypeRoad, a, b, false, {}, 1, roadResult);
  // The pre-booked costs alone would leave player 1 in debt at the start-up's economy level, and a
  // player in debt cannot start plans: the track is built in free build mode.
  const uint8_t freeBuild = FreeBuildMode;
  FreeBuildMode = 1;
  CompletePlannedConstructions(1, 0, true);
  FreeBuildMode = freeBuild;
  for (int i = 0; i < 500; ++i) GameplayTick();
  return true;
}

bool PlaceTestVehicle(TVehicle& vehicle, uint8_t kind, float axLength) {
  uint32_t a = 0, b = 0;
  if (kind == 1) {  // "Train", on the rail curve
    a = 6;
    b = 8;
  } else if (kind == 0) {  // "Car", on the road curve
    a = 13;
    b = 12;
  } else {
    return false;
  }
  NodeCursor.PrevNode = a;
  NodeCursor.CurNode = b;
  NodeCursor.Dist = 1.0f;
  TVector front{}, back{};
  PointBetweenNodes(a, b, front, 1.0f);
  NodeCursor.AheadNode = b;
  NodeCursor.FrontPoint = front;
  vehicle.FrontNode = NodeCursor.PrevNode;
  vehicle.FrontDistance = NodeCursor.Dist;
  const bool placed = NodeCursorBackward(front, back, 0, axLength);
  vehicle.Shown = placed ? 1 : 0;
  if (!placed) return false;
  NodeCursor.RearPoint = back;
  TPlacement pose{};
  OrientationFromPoints(pose, front, back);
  vehicle.Placement = pose;
  vehicle.BackNode = NodeCursor.PrevNode;
  vehicle.BackDistance = NodeCursor.Dist;
  return true;
}
