// The vehicle editor's test track: a rail curve (nodes 1 to 10) and a road curve (from node 11)
// built on an empty flat world, their planned ways finished at once for player 1, then the
// simulation stepped 500 times. The editor and the simulation driver build it the same way.
#pragma once

#include <functional>

#include "engine/world/records.h"
#include "network/construction/curveline.h"
#include "network/construction/result.h"

// The road's bend limit per piece in the vehicle editor: 40 degrees in place of the way unit's 12.
constexpr float kEditorRoadBendLimit = 0.6981317f;

// What the caller does around the two curves; each may be empty. BeforeRail and BeforeRoad run
// after the curve is reset and its ends set (textures that the pieces take are loaded there);
// BeforeRail returning false ends the build. AfterRail sees the rail curve before it is reset.
struct TTestTrackSteps {
  std::function<bool()> BeforeRail;
  std::function<void(const TCurveline&)> AfterRail;
  std::function<void()> BeforeRoad;
};

// The ends of the rail (waytype 1) or road (0) test curve: A with a direction, B with its direction
// stored but not set. The curve is reset.
void SetTestCurveEnds(TCurveline& curve, uint8_t waytype, TMetaconnect& a, TMetaconnect& b);

// Builds the whole track into Curve, which holds the road curve afterwards; A and B hold the road
// curve's ends. The planned constructions are completed in free build mode (the costs are booked,
// but no player's cash can refuse them); the mode is restored afterwards. False when BeforeRail
// ended the build.
bool BuildTestTrack(TCurveline& curve, TMetaconnect& a, TMetaconnect& b, const TTestTrackSteps& steps,
                    TConstructResult& railResult, TConstructResult& roadResult);

// Places a vehicle on the test track as the editor's test run does: a train (kind 1) with its front
// 1.0 from node 6 toward node 8, a car (kind 0) from node 13 toward node 12, its back AxLength
// further back along the track (NodeCursor keeps the front and rear points). Sets the vehicle's
// front node and distance; when the back can be found, its shown flag, pose, back node and
// distance; otherwise the shown flag is 0 and the pose stays. False for other kinds (nothing
// changed) and when the back cannot be found.
bool PlaceTestVehicle(TVehicle& vehicle, uint8_t kind, float axLength);
