// The routines every building of the simulation passes through: its frame is fitted to the ground
// from its building type, its record is filled and stored, and when construction ends it is paid
// and finished. Building corners are numbered 1..4 and wrap; edge k runs from corner k to corner
// k + 1.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/base/worldstate.h"
#include "engine/world/records.h"

// The finance groups of the players' statistics: rail and road.
constexpr uint8_t kGroupRail = kFinanceRail, kGroupRoad = kFinanceRoad;
// The kinds of building type that construction treats apart.
constexpr uint8_t kBuildingKindBridge = 3, kBuildingKindTunnel = 8;
// The news event of a new rail station.
constexpr uint8_t kNewsNewRailStation = 2;

// Set by GetPillarType for PayBuilding: the building is booked as part of the way network.
extern bool PillarIsWay;

// Services of the economy that building construction calls upward; the economy installs its own
// (InstallEconomyServices), tests install recording ones.
namespace building_hooks {
// Books Amount on the player's balance of this year and Amount * Factor on Stat (from economy
// level 2 on). Default: nothing.
extern void (*BookMoney)(uint8_t player, float& stat, float amount, float factor);
// Raises a news event. Default: nothing.
extern void (*TriggerNewsEvent)(uint8_t kind, uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5,
                                uint32_t p6);
// The town nearest to the position (0 none) and its distance. Default: 0, no town.
extern uint8_t (*NearestCity)(const TVector& position, float& distance);
// Sets the level of a player's company building from the owner's company value; the caller stores
// the record. Default: nothing.
extern void (*UpdateCompanyBuildingLevel)(TBuilding& b);
// Every hook above back to its default.
void InstallDefaults();
}  // namespace building_hooks

// Construction ends this many ticks after it starts.
constexpr uint32_t kCompletionDelay = 100;

// The completion tick of a building: the game tick at which construction ends (0 once finished).
uint32_t BuildingCompletionTick(const TBuilding& b);
void SetBuildingCompletionTick(TBuilding& b, uint32_t tick);
// The class byte that a building copies from its type.
inline uint8_t& BuildingClass(TBuilding& b) { return b.Reserved10[0]; }
// The inhabitants of a house (cleared at creation), by value.
uint16_t BuildingInhabitants(const TBuilding& b);
void SetBuildingInhabitants(TBuilding& b, uint16_t inhabitants);

// The row of a building type in BuildingTypes; a type beyond the table stops the program rather
// than read past it.
const TBuildingType& BuildingTypeRow(uint16_t type);

// I + 1, and 1 after 4 (and for anything above); I - 1, and 4 before 1 (and for 0).
uint8_t NextCorner(uint8_t i);
uint8_t PrevCorner(uint8_t i);

// The four ground corners of the building.
void GetBuildingCorners(const TBuilding& b, TVector (&corners)[4]);
// The top height into element 2 * Slot - 2 and the bottom height into 2 * Slot - 1 (Slot 1 or 2):
// the high-then-low layout of RangesOverlap.
void GetBuildingHeights(const TBuilding& b, float (&ranges)[4], uint8_t slot);

// Fits the building (its type set) so that its building-coordinate point LocalAnchor lies on
// WorldAnchor and its direction LocalAnchor -> LocalToward points along WorldAnchor ->
// WorldToward: Angle (radians) := heading of the local direction - heading of the world
// direction, Position := the world place of the building's origin; corners, heights, way counter
// and station are set.
void CalcBuildingGeometry(TBuilding& b, const TVector& worldAnchor, const TVector& worldToward,
                          const TVector& localAnchor, const TVector& localToward, TVector& position, float& angle);
// Fills the remaining fields of a building whose geometry is set (owner ActPlayer, town ActCity,
// Gier the angle in degrees, completion GameTime + 100) and stores it as a new record. A company
// building becomes its owner's company building and takes its level.
void InitBuilding(uint16_t typeIndex, TBuilding& b, const TVector& position, float angle, uint8_t state);
// A building whose frame is given by its corners (the pieces of a way that need a building); stores
// it as a new record. Angles and mesh keep what the caller set.
void InitWayedBuilding(TBuilding& b, const TVector& c1, const TVector& c2, const TVector& c3, const TVector& c4,
                       float bottom, float top, uint16_t typeIndex, uint8_t state);

// The finance group of the building's cost, 1 rail or 2 road; sets PillarIsWay. A building whose
// group cannot be known stops the program.
uint8_t GetPillarType(const TBuilding& b);
// Books the building's cost on its owner (nothing without an owner).
void PayBuilding(const TBuilding& b);
// Ends construction of a planned building or one under construction (nothing otherwise); the
// caller stores the record.
void FinishBuilding(TBuilding& b);
