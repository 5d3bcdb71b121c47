// Water transport's structures: the harbour quay drawn along the coast (a building with its own
// station and industry), the ship landing set against a harbour's quay, and the coast building
// (shipyard) that stands across the coast line with its slipway.
//
// Each construction works in preview mode (0: the construction record shows the meshes) or build
// mode (1: the records are created), starts from a reset record with its piece log cleared and
// reports {0} or the reasons of refusal:
//   2 quay shorter than 1.0 (and a coast building drawn without length), 3 quay too long,
//   4 quay too short, 7 landing too close to a quay end, 26 no water, 27 no coast (or the water
//   lost at the end of the coast building's search), 28 the landing does not meet the quay.
// Ground kinds: 4 open water, 5..12 land. An area that lists no map cell (off the map) is neither.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "network/construction/curveline.h"
#include "network/construction/result.h"

// The SpecialBuildingTypes entries of the harbour, the coast building and the ship landing.
constexpr int kHarbourTypeEntry = 2, kCoastBuildingTypeEntry = 6, kLandingTypeEntry = 7;
// The StandardTextures entry of the quay.
constexpr int kQuayTextureEntry = 6;

// The harbour quay.
constexpr float kQuayShortest = 200.0f;
constexpr float kQuayLongest = 500.0f;
constexpr float kQuayWidth = 200.0f;
constexpr float kQuayHeight = 20.0f;
constexpr float kQuayWaterReach = 150.0f;
// The ship landing.
constexpr float kLandingSearchReach = 400.0f;
constexpr float kLandingEndDistance = 50.0f;
constexpr float kMooringReach = 150.0f;
constexpr float kPreviewShipGap = 10.0f;
constexpr float kPreviewLandingWidth = 60.0f;

// The station and industry that a new harbour founds.
constexpr uint8_t kHarbourHandlingRate = 20;
constexpr uint8_t kHarbourStationDirection = 7;
constexpr uint8_t kHarbourIndustryType = 5;

// The quay from A to B. Its ends are ordered so that the land lies on the quay's land side, and one
// end is moved sideways by up to 100 so that the line lies in open water with the quay's back on
// land. The quay mesh is preview mesh 1 of Curve (3 connects), with the ship of type 1 moored
// along it as preview mesh 2 when the quay is longer than that ship. Build mode stores the quay
// mesh and creates the harbour building (state 0, planned), its station "Harbour: <industry>" and
// its industry.
void BuildHarbour(const TVector& a, const TVector& b, TCurveline& curve, TConstructResult& result, uint8_t mode);

// A ship landing against the quay of HarbourBuilding, where the segment from Point 400 toward the
// quay meets the quay's water edge: the landing type's point 1 lies on that crossing and its point
// 2 points away from the quay. Preview mesh 1 is the landing (shown once the search meets the
// quay), meshes 2 and 3 the ship of type 1 at each free mooring side (open water for 150 beside the
// landing's mooring edges), its bow out along the landing and its stern 10 off the quay. A harbour
// building or quay mesh that is not stored is met as no quay ({28}).
void ConstructShipLanding(uint32_t harbourBuilding, const TVector& point, TCurveline& curve, TConstructResult& result,
                          uint8_t mode);

// The coast building with its point 1 on A and its point 2 toward B, moved along its own z axis
// (by up to 100 in steps of 10) until its water part covers open water and its land part land.
// Preview mesh 1 shows it (2 connects); build mode creates it (state 0).
void ConstructCoastBuilding(const TVector& a, const TVector& b, TCurveline& curve, TConstructResult& result,
                            uint8_t mode);
