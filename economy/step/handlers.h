// The command handlers: one per world-changing tool. Each has two forms, chosen by Source:
//
// - Source 1 (interactive): the user interface calls it while the player points and clicks. It
//   picks what lies under the mouse, runs the construction as a preview (mode 0) and, when the
//   click came (Execute 1) and the preview succeeded, posts the command for LocalPlayer, ends the
//   tool (SetMouseMode(0)) and clears MouseModeChanged. A failed preview is never posted.
// - Source 0 (executing): the command queue calls it with the message's payload. It rebuilds its
//   inputs from the payload, checks that every object the payload names still exists ({29} and the
//   world unchanged when not) and builds for real (mode Execute) on behalf of ActPlayer.
//
// Every handler gives its outcome as a TConstructResult: {0} ok, {29} a refusal of the handler's
// own (a vanished object, a payload that names nothing), {2} nothing under the mouse.
//
// The payload of a message may come from elsewhere: indices are looked up before they are read,
// a way type, a building type, a side byte or a curve mode out of range is refused with {29}.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "network/construction/constructcurve.h"
#include "network/construction/result.h"

// Before a construction handler plans: Source 0 switches GlobalCurveline's piece log off; Source 1
// clears the log and switches it on, so that the previews can be drawn.
void SelectConstructionLog(uint8_t source);
// The end of an interactive tool after its command was posted: no tool (SetMouseMode(0)) and
// MouseModeChanged := 0.
void EndTool();

// 1: a tree of Kind at Point, turned by HashRandom(round(Point.y), 360) degrees. Interactive: the
// terrain point under the mouse replaces Point (none: false). Execute 1 stores it. True otherwise.
bool PlantTree(const TVector& point, uint8_t kind, uint8_t source, uint8_t execute);
// 3: a road (Waytype 0) or rail (1) curve from A to B; interactive: B is picked (PlacementPoints[1]).
void BuildCurveWay(uint8_t waytype, uint8_t secondTrack, uint16_t word, const TVector& a, const TVector& b,
                   uint8_t source, uint8_t execute, TConstructResult& r);
// 4: a rail router from A along B with its branch to C; interactive: C is picked (PlacementPoints[2]);
// a free point picked without a fixed pick takes B's height.
void BuildWay(const TVector& a, const TVector& b, const TVector& c, uint16_t word, uint8_t source, uint8_t execute,
              TConstructResult& r);
// 5, 6: road crossings; interactive: the last arm point is picked (PlacementPoints[3] / [2]).
void BuildXCrossing(const TVector& a, const TVector& b, const TVector& c, const TVector& d, uint16_t word,
                    uint8_t source, uint8_t execute, TConstructResult& r);
void BuildTCrossing(const TVector& a, const TVector& b, const TVector& c, uint16_t word, uint8_t source,
                    uint8_t execute, TConstructResult& r);
// 7: a router put into the rail way that the ray meets, its branch towards Target.
// 8: a street extension onto the road that the ray meets, from Target.
// Both have no interactive form of their own: called with Source 1 they preview and post nothing.
void BuildRouter(const TVector& rayStart, const TVector& rayDir, const TVector& target, uint16_t word,
                 uint8_t stubMode, uint8_t source, uint8_t execute, TConstructResult& r);
void ExtendWayAtPick(const TVector& rayStart, const TVector& rayDir, const TVector& target, uint16_t word,
                     uint8_t source, uint8_t execute, TConstructResult& r);
// 9: a building with its own access way from the connect at ConnectPoint. Interactive (with
// SelectedBuildingType): phases 0 and 1 pick the connect (PlacementPoints[0]); a free point there
// makes no preview and a click switches to mouse mode 26 (choose the building point); phase 2 takes
// the terrain point as the building point (PlacementPoints[1]). Executing: phase 1 needs a stored
// connect at ConnectPoint.
void BuildWayedBuilding(uint16_t buildingType, const TVector& connectPoint, const TVector& buildingPoint,
                        uint8_t phase, uint8_t source, uint8_t execute, TConstructResult& r);
// 11: a street from A across the road Way (or a neighbour of it) to B; interactive: B is picked.
void ExtendWay(const TVector& a, const TVector& b, uint32_t way, uint16_t word, uint8_t source, uint8_t execute,
               TConstructResult& r);
// 12: a station track from A to B joined to Station (0: a new one); interactive: B is picked.
void BuildStationTrack(const TVector& a, const TVector& b, uint32_t station, uint8_t source, uint8_t execute,
                       TConstructResult& r);
// 13: a station building beside the station track or platform under the ray.
void BuildStationBuilding(const TVector& rayStart, const TVector& rayDir, uint8_t source, uint8_t execute,
                          TConstructResult& r);
// 14: a station track beside the platform under the ray, joined to its station.
void BuildStationTrackAtPick(const TVector& rayStart, const TVector& rayDir, uint8_t source, uint8_t execute,
                             TConstructResult& r);
// 15: the router under the ray rebuilt as a plain track. The interactive click only checks that the
// way under the mouse is a router of the acting player ({2} when not) and posts; no preview is
// made, and the router is rebuilt once, when the posted command runs.
void RebuildWay(const TVector& rayStart, const TVector& rayDir, uint16_t word, uint8_t source, uint8_t execute,
                TConstructResult& r);
// 16: a height vertex raised or lowered; interactive: the vertex under the mouse, posted at once
// when the test passes.
void RaiseLowerTerrain(int32_t column, int32_t row, int32_t delta, uint8_t source, uint8_t execute,
                       TConstructResult& r);
// 20, 21: removal of a way or a building. Phase 0 only tests, 1 tests and then removes, 2 removes;
// PlanOnly 1 marks a finished object for demolition (or lifts the mark) instead of removing it.
// Interactive with a phase other than 0: the test runs and a passing one is posted.
void RemoveWay(uint32_t way, uint8_t source, uint8_t phase, uint8_t planOnly, TConstructResult& r);
void RemoveBuilding(uint32_t building, uint8_t source, uint8_t phase, uint8_t planOnly, TConstructResult& r);
// 23: the street Way made a stop of Station (0: a new one).
void ConvertToStationTrack(uint32_t way, uint32_t station, uint8_t source, uint8_t execute, TConstructResult& r);

// After a successful curve of the local player, while MouseModeChanged is 0: the curve tool again
// (9 road, 17 rail with a second track, 15 rail) starting at the connect at EndPoint; a connect
// that is full already gives the tool that starts a new line (8, 16, 14).
void ContinueCurvePlacement(uint8_t waytype, uint8_t secondTrack, const TVector& endPoint);

// The removal cascade. Mode: 0 mark for demolition, 1 lift the mark, 2 remove. Phase as above.
void DestroyWayCmd(uint32_t way, uint8_t phase, uint8_t mode, TConstructResult& r);
void DestroyBuildingCmd(uint32_t building, uint8_t phase, uint8_t mode, TConstructResult& r);
// A crossing (centre part 5) or a router (centre part 4) with all the ways at its centre's connects.
void RemoveCrossingCascade(uint32_t way, uint8_t phase, uint8_t centrePart, uint8_t mode, TConstructResult& r);
// A bridge or tunnel way of a building: its building, and along the run of ways of the same kind
// (flags 1, 2 and 4 equal) through connects without a junction building, theirs too.
void RemoveWayWithBuilding(uint32_t way, uint8_t phase, uint8_t mode, TConstructResult& r);
// The road that the extension from A to B crosses: Way, else the way at its first or its second
// connect whose chord crosses B..A ({18} none); then ExtendWayInfo with its target B and end A
// ({17} when A does not lie beyond the road).
void ExtendWayFindTarget(uint32_t way, const TVector& a, const TVector& b, TConstructResult& r);

// The handlers into the command queue's table (all but the harbour and coast commands 17..19).
void InstallCommandHandlers();
