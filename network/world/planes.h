// Air traffic: the one plane of the world and its flight model. The plane taxis from its gate to the
// runway, takes off and climbs to cruising height, flies toward its destination airport, lines up
// with the runway on turning circles and straight legs, glides down, lands or goes around, rolls
// out and taxis to a gate. The simulation step calls MovePlanes every tick; it moves Plane while
// PlaneActive is set and the plane is not parked.
//
// Nothing here creates a plane: the game's set-up fills PlaneTypes and the route entries, places
// the plane with its destination route entry, its taxi points and its take-off turn target, and
// sets PlaneActive. All of that is outside data: a plane whose type names no row, whose type has
// values the flight model cannot fly with (a take-off speed, turn rate, climb step or largest climb
// angle that is not positive, a speed beyond kPlaneSpeedLimit, a value that is not a finite
// number), or whose own figures are not finite numbers or too fast, is reported once
// ("MovePlane: ...") and the plane is switched off (PlaneActive 0). An airport whose building or
// runway cannot be read gives no runway: the plane circles and asks again, as it does when every
// slot is taken.
//
// Directions, distances and angles are taken in the ground plane (x, z). Turning toward side 1
// turns a heading (x, z) into (x cos a - z sin a, z cos a + x sin a) (RotateYInverse), toward the
// other side into (x cos a + z sin a, z cos a - x sin a) (RotateY).
#pragma once

#include <cstdint>

#include "engine/base/types.h"

#pragma pack(push, 1)

// A row of PlaneTypes.
struct TPlaneType {
  uint8_t Class;          // airport slots admit classes 0..7
  float TurnRate;         // radians per unit flown in cruise; the cruise turn radius is its inverse
  float TopSpeed;         // the limit in the air and on the take-off run
  float TaxiTopSpeed;
  float TakeOffSpeed;
  float AccelBelow;       // acceleration below the take-off speed
  float AccelAbove;       // acceleration above it
  float ApproachDecel;    // deceleration on the approach
  float BrakeDecel;       // braking deceleration on the ground
  float MaxClimbAngle;    // radians
  float ClimbStep;        // radians per tick
  float EngineValue;
};
static_assert(sizeof(TPlaneType) == 45);

// The navigation record of a plane. Its fields also serve the ground states.
struct TPlaneNav {
  // In cruise first the destination airport's position, from the approach set-up on the final
  // approach point; on the ground the first taxi point.
  TVector TargetPoint;
  // A point 300000.0 out on the approach line; on the ground the second taxi point (the runway
  // start before a take-off, the gate after a landing).
  TVector FarPoint;
  TVector Position, Heading;  // working copies of the plane's
  // The runway end of the approach; on the ground and in the take-off the take-off turn target.
  TVector LandingPoint;
  TVector ApproachDir;    // from the far point toward the final approach point, not normalised
  TVector SideStepPoint;  // the detour target PlanManeuver plans
  uint8_t Side;           // 1 or 2: the side of the side-step point
  uint8_t SubState;       // 0, 1, 3..8, 10, 98, 99
  uint8_t SlotByte;       // copied from the airport slot found
  uint8_t SlotFound;      // set by the slot search; cleared at the take-off run and after taxiing in
  int16_t TurnDir;        // 1 toward side 1, -1 or 2 toward the other side; 0 straight
  int16_t SavedTurnDir;   // kept while a ground turn is captured
  float TurnRadius;       // 1 / TurnRate
  float TurnRate;         // the plane type's
  uint32_t DestEntry;     // the destination's route entry
  float LastDistance;     // the last ground distance to the current ground target or the landing point
};
static_assert(sizeof(TPlaneNav) == 108);

// Plane states.
constexpr uint8_t kPlaneParked = 0, kPlaneTaxiOut = 2, kPlaneTurnOntoRunway = 3, kPlaneTaxiIn = 4,
                  kPlaneRollToGate = 5, kPlaneTakeOff = 6, kPlaneCruise = 7, kPlaneLanding = 8;

struct TPlane {
  uint16_t PlaneType;  // row of PlaneTypes
  uint8_t State;       // kPlaneParked .. kPlaneLanding
  TVector Position;
  TVector Heading;  // unit length in the ground plane
  float Speed, Altitude, TargetAltitude, ClimbAngle, BankAngle, EngineShare;
  TVector LandingPoint;  // the runway end the plane lands toward; its height is the runway height
  TVector RunwayStart;
  uint32_t RouteEntry;  // the entry of the airport of the last landing
  TPlaneNav Nav;
};
static_assert(sizeof(TPlane) == 187);

// An airport slot of a route entry.
struct TAirportSlot {
  uint8_t Defined;
  uint8_t Occupied;
  uint32_t Building;  // the airport building
  uint8_t SlotByte;
  uint8_t Classes;  // bit k set: plane class k (0..7) is admitted
};
static_assert(sizeof(TAirportSlot) == 8);

constexpr int kAirportSlots = 16;
constexpr int kPlaneRouteEntries = 100;
constexpr int kPlaneTypeRows = 255;

// A route entry: an airport and its slots (the first SlotCount of Slots; a larger count reads as
// kAirportSlots).
struct TPlaneRouteEntry {
  uint8_t SlotCount;
  uint32_t Building;  // the airport building
  TAirportSlot Slots[kAirportSlots];
};
static_assert(sizeof(TPlaneRouteEntry) == 133);

#pragma pack(pop)

// The fastest a plane may be or be made to go, world units per tick: the cruise runs one
// navigation step per unit of speed.
constexpr float kPlaneSpeedLimit = 1000.0f;

extern TPlaneType PlaneTypes[kPlaneTypeRows + 1];                   // 1..255
extern TPlaneRouteEntry PlaneRouteEntries[kPlaneRouteEntries + 1];  // 1..100
extern TPlane Plane;
extern uint8_t PlaneActive;

// 2 x HeightMap at the vertex nearest to (X, Z), each index clamped to 0..1023.
float GroundHeightAt(float X, float Z);
// The turn angle per tick on the ground and in the take-off: a turning circle of radius 37.5.
float TurnStep(float Speed);

// Why the plane cannot fly, or nullptr: its type row and the figures the flight model divides by
// or loops over.
const char* PlaneProblem(const TPlane& P);

// The simulation step's plane process: MovePlane(Plane).
void MovePlanes();
// One tick of P: nothing while PlaneActive is 0 or P is parked; a plane that PlaneProblem refuses is
// reported and PlaneActive is cleared.
void MovePlane(TPlane& P);
// One navigation step of a cruising plane: the navigator moves 1.0 along its heading (five moves of
// 0.2 on the final approach). Nav is P's navigator, held apart from P while the step runs.
void NavigatePlane(TPlaneNav& Nav, TPlane& P);
// The detour when the navigator lies on the runway side of the final approach point: a side-step
// point beside the approach line and the turn toward it (sub-state 0); otherwise nothing.
void PlanManeuver(TPlaneNav& Nav);
// The navigation set-up at the end of the climb.
void StartCruise(TPlaneNav& Nav, TPlane& P, uint32_t DestinationEntry);
// The approach to the runway from RunwayStart to RunwayEnd.
void SetupApproach(TPlaneNav& Nav, TPlane& P, const TVector& RunwayStart, const TVector& RunwayEnd);
// The runway of the slot's airport (type nodes 1 and 2 of its building, placed in the world), its
// ends ordered so that the approach comes from the plane's side. False when the building, its type
// or the placed nodes cannot be read as a runway (RunwayEnd and RunwayStart are then untouched).
bool FindRunway(const TAirportSlot& Slot, TVector& RunwayEnd, TVector& RunwayStart, const TVector& PlanePos);
// The first free slot of route entry Entry that admits P's class, copied whole into Slot; Slot's
// Defined flag is 0 when there is none (or Entry names no route entry).
void FindAirportSlot(uint32_t Entry, const TPlane& P, TAirportSlot& Slot);

// Type node Node (1..100) of the building's type, turned by the building's Gier and moved to its
// position. False when the building is not stored, its type names no row, or the point is not a
// finite one.
bool AirportNode(uint32_t Building, int Node, TVector& Out);

// The unit's start state: no plane, PlaneActive 0, empty types and route entries.
void ResetPlanes();
