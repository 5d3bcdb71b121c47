// Routers: a rail switch put into a track. A router is three leg ways (waytype 3, parts 1 to 3)
// and a centre way (part 4) that holds their six lane nodes and links: the straight leg runs on
// from the start, the branch leaves 30 units in, turned 16 degrees towards the branch target.
// Putting a router into a track removes the piece of track it replaces and joins the cut ends to
// it again with curves; rebuilding a router turns it back into a plain track.
//
// The player's pick is kept in AddRouterInfo between the pick and the construction. The way
// extension (wayextension.h) shares the removal of the replaced ways.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/world/records.h"
#include "network/construction/constructcurve.h"
#include "network/construction/curveline.h"
#include "network/construction/result.h"

// The StandardTextures entry of the router's top.
constexpr int kRouterTextureEntry = 1;
// The branch leaves this far from the router's start, turned by this angle (radians).
constexpr float kBranchStart = RouterUnit;             // 30
constexpr float kStraightEnd = 4.0f * RouterUnit;      // 120: the end of the straight leg's inner end
constexpr float kBranchLength = 3.0f * RouterUnit;     // 90: from the branch start to its inner end
constexpr float kBranchTurn = 0.2792527f;              // 16 degrees
constexpr float kRouterStub = 1.05f * RouterUnit;      // 31.5: a stub towards a target out of reach
constexpr float kFarPointDistance = 160.0f;            // the far point of a router put into a track

// The pick of a router put into a track.
struct TAddRouterInfo {
  uint8_t Valid;
  uint32_t Way;             // the rail way that the router runs into from the branch point
  uint8_t BranchPrepared;   // set once the branch target has been taken
  uint32_t Neighbours[2];   // ways cut as well behind the branch point and ahead of it (0 none)
  TMetaconnect BranchPoint; // the pick on the way (or the track end it snapped to)
  TMetaconnect FarPoint;    // 160 along the way from the branch point
  TMetaconnect BranchTarget;
  uint8_t DeadEnd[2];       // the track ends within reach behind (0) or ahead (1)
  uint8_t Reversed;         // the router runs from the way's second connect towards its first
  TVector Direction;        // unit vector of the router's run along the way
};
extern TAddRouterInfo AddRouterInfo;

// What the construction asks of the user interface. Installed by InstallNetworkServices.
namespace router_hooks {
// The way that the ray from Start along Ray meets first among the objects of pick mode Mode, its
// index and the point hit; false when it meets no way. Default: no way.
extern bool (*PickWay)(const TVector& start, const TVector& ray, uint8_t mode, uint32_t& way, TVector& hit);
void InstallDefaults();
}  // namespace router_hooks

// Valid, way, branch flag, neighbour ways and dead-end bytes := 0.
void ClearAddRouterInfo(TAddRouterInfo& info);
// The branch point on a rail way (waytype 2, not a bridge or cutting) of ActPlayer: Pick projected
// onto the way's chord, as a rail connect (a stored one within reach is taken); valid unless that
// point cannot hold a connect (a connect of two ways is valid). Otherwise the record is cleared.
void SetRouterFromWay(TAddRouterInfo& info, uint32_t way, const TVector& pick);
// The record cleared, then SetRouterFromWay with the way that the ray meets in pick mode 2.
void GetWaySnapAtPick(TAddRouterInfo& info, const TVector& rayStart, const TVector& rayDir);
// Takes the branch target: the router runs along the way towards the side the target lies on (at
// a stored connect along the first of its rail ways that leads towards the target); a track end
// nearer than 72 behind or 160 ahead has its other way cut too, or is a dead end. A way to be cut
// that is not plain rail moves the branch point to that end once; when that fails too, or nothing
// fits, the record is cleared. Then the far point and the branch flag.
void PrepareRouterBranch(TAddRouterInfo& info, const TMetaconnect& target);

// A router of waytype WT from A along the direction to B (which must lie more than 120 away in the
// ground plane, else {4}), with its branch towards C. A branch end out of reach gets a 31.5 stub;
// StubMode 1 (or 2 when C is a stored connect) then joins the stub to C with a curve, in a build
// only when the router was built. Refusals: the branch piece test, {19} a steep branch leg, {11}
// any piece a bridge or cutting, {17} an end connect without room for its leg, the collision test.
// The four piece meshes stay in the TCurveline's RouterMeshes (legs 1 to 3, centre). Mode 1 builds
// a router that was not refused; Instant completes its four ways at once.
void ConstructWay(TCurveline& curve, uint8_t wt, const TMetaconnect& a, const TMetaconnect& b, const TMetaconnect& c,
                  TCurveOptions options, uint8_t stubMode, uint8_t instant, uint8_t mode, TConstructResult& result);
// Puts a router into the track from AddRouterInfo (valid and prepared, else a fatal stop): the way
// and its recorded neighbours are removed ({12} a cutting, {11} a bridge, {17} not plain rail, and
// their removal check), the router is built from the branch point towards the far point, and the
// cut ends are joined to it. Mode 1 runs the preview first and builds only when it succeeded; the
// new ways are completed at once when every removed way was finished. A build clears the record.
void ConstructAddRouter(TCurveline& curve, TCurveOptions options, uint8_t stubMode, uint8_t mode,
                        TConstructResult& result);
// Rebuilds the router of Way (its centre, or a leg: its centre) as a plain track between the outer
// ends of its first two legs. Mode 1 removes the router with its legs and lays the track; Mode 0
// only checks the removal and leaves the track's plan in the TCurveline. {18} when the removal is
// refused, {17} for a way that belongs to no router.
void ReconstructWay(TWay& way, TCurveline& curve, TCurveOptions options, uint8_t mode, TConstructResult& result);

// The ways that a router or a way extension replaces: the way met and the neighbours cut with it
// at its two ends.
struct TReplacedWays {
  uint32_t Way;
  uint32_t Neighbours[2];
  // Where the cut ends, before anything is removed: at each end of the way its own connect, or
  // where the neighbour there is cut too, that neighbour's far connect. End 0 lies at the way's first
  // connect, end 1 at its second; Reversed takes them the other way round.
  void CutEnds(bool reversed, TVector (&ends)[2]) const;
  // Each way in turn: a cutting {12}, a bridge {11}, a waytype other than Plain {17}. Mode 1
  // removes it (a finished way is marked to be demolished first; one that was not finished clears
  // Instant); any other mode merges its removal check, or with RefuseBuildingWays refuses a way of
  // a building with {11}.
  void Remove(uint8_t plain, uint8_t mode, bool refuseBuildingWays, bool& instant, TConstructResult& result) const;
  // The copy forgets the replaced ways (RefreshMetaconnect).
  void Forget(TMetaconnect& point) const;
  bool Holds(uint32_t way) const;
};

// The end of Way at Connect, when it lies nearer than Reach to At in the ground plane: the other way
// there is cut too (Neighbour := it), or Way ends there (DeadEnd := 1). False when that neighbour is
// of another waytype than Plain.
bool CutAtEndWithinReach(uint32_t way, uint32_t connect, const TVector& at, float reach, uint8_t plain,
                         uint32_t& neighbour, uint8_t& deadEnd);

// A way that the router or the way extension being planned replaces: the collision test does not
// count it.
bool IsReplacedWay(uint32_t way);
