// Stations and buildings that belong to the network: a straight, level station track with a
// platform on each side, joined to a station (an existing one or a new one); a building whose type
// brings its own access way (the stations and depots of the road and rail network), with the nodes
// its type declares linked to the lanes of that way; and a station building beside a station.
//
// Like the other constructions each runs in preview mode (0), which leaves the plan and the preview
// meshes in the TCurveline, or in build mode (1), which creates the records. Ways and buildings are
// created planned (state 0) with their costs pre-booked; station and depot records are created at
// once.
#pragma once

#include <cstdint>
#include <span>

#include "engine/base/types.h"
#include "engine/world/records.h"
#include "network/construction/curveline.h"
#include "network/construction/result.h"

// The ground length of a station track.
constexpr float kShortestStationTrack = 300.0f;
constexpr float kLongestStationTrack = 2400.0f;
// The heights of the two directed ends of a station track may differ by this much.
constexpr float kStationTrackHeightTolerance = 0.1f;
// A station holds at most this many buildings and ways.
constexpr int kMostStationBuildings = 100;
constexpr int kMostStationWays = 100;
// The SpecialBuildingTypes entries of the platform (rail station building) and of the station
// building.
constexpr int kPlatformTypeEntry = 3;
constexpr int kStationBuildingTypeEntry = 4;
// The crossing-centre link of a way that is not drawn.
constexpr uint32_t kInvisibleWayLink = 0xF0000000u;
// The connect kind of the building end of an access way.
constexpr uint8_t kAccessEndConnect = 4;
// The refusal of a building type whose node references cannot all be honoured.
constexpr int kBadBuildingTypeElement = 29;
// A new station founded by a station building type handles this many goods per step.
constexpr uint8_t kBuildingStationHandlingRate = 10;

// Lays a straight, level rail piece from A to B with a platform on each side (preview buildings 1
// and 2) and joins it to Station (0: founds a new station). A without direction and B with one are
// taken the other way round; a B without direction when A has one is moved straight on from A's
// way by the clicked distance. Refusals: ends less than 1.0 apart {4} (at once, nothing planned);
// both ends directed and more than 0.1 apart in height {19}; a track shorter than 300.0 {4} or
// longer than 2,400.0 {3} (the preview is still made); a station that would pass 100 buildings or
// already holds 100 ways {18}; a collision {18}; and the refusals of the place test of B. A track
// that cannot join the station after all checks passed stops the program.
void ConstructRailStationTrack(TCurveline& curve, const TMetaconnect& a, const TMetaconnect& b, uint32_t station,
                               uint8_t mode, TConstructResult& result);

// Places a building of type BuildingType at the network connect A: the one-piece access way leaves
// A against A's direction, or toward P when A has none, as long as the type's access anchor and end
// point lie apart. The building is fitted with its anchor on A and its end point on the far end of
// the way. In build mode the way, the building, the type's nodes (linked to the way's lanes, and
// through an invisible inner way of the building), and a depot or a new station for the kinds 7
// and 2 are created. Refusals, each before anything is created: a type whose node references name
// a node the building does not have (a next node, a capture node number other than 0, a depot's
// exit node) or would give a node more than two links either way {29}; a P on an undirected A
// (nothing planned: Result + {2} - {0}); the access way plan has fewer than two connects {2} or
// more than two {13}; it would be a bridge {11} or a cutting {12} (a cutting wins); the building
// collides with a building or way other than A's way {18}; and the refusals of the place test of
// the far end. Building a depot type without capture node stops the program.
void ConstructWayedBuilding(uint16_t buildingType, const TMetaconnect& a, const TVector& p, TCurveline& curve,
                            uint8_t mode, TConstructResult& result);

// Places a building of the station-building type with its two reference points on SideA and
// SideB beside Station. Refused with {18} when it collides with a building or way not listed in
// Exclude or when the station already holds 100 buildings. Build mode creates the building,
// pre-books its cost and registers it with the station (stored); a preview shows its mesh in
// preview building 1 whatever the result.
void ConstructStationBuilding(TCurveline& curve, const TVector& sideA, const TVector& sideB, TStation& station,
                              std::span<const uint32_t> exclude, uint8_t mode, TConstructResult& result);
