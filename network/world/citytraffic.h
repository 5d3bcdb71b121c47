// City traffic: civilian cars that belong to nobody drive on the town streets. Their number follows
// the towns' population (one car for every 4,000 people, worked out every 3,000 ticks); a car is put
// on a street one at a time, at the street where the passenger route builder has its origin, and it
// goes when the road-vehicle logic ends it (the end of its road, a dead end, a long wait) or its
// street is removed. The cars are road convoys (TTrain) of owner 0; the list here keeps their
// indices.
//
// The convoy routines live above this unit (network/vehicles) and the route builder in the economy:
// both are reached through citytraffic_hooks, which their units install.
#pragma once

#include <cstdint>

#include "engine/store/trainpool.h"

constexpr uint16_t kMostCivilianCars = 1000;
constexpr int kCivilianCarTypeRoom = 100;
// Ticks between two computations of the target count; people per car.
constexpr int32_t kCivilianCarTargetInterval = 3000;
constexpr int64_t kPeoplePerCivilianCar = 4000;
// GameFlags bit: every new car takes the special type (CivilianCarTypes entry 0).
constexpr uint16_t kGameFlagSpecialCars = 0x400;
// A new car starts this far past its street's first node.
constexpr float kCivilianCarStartDistance = 2.0f;

#pragma pack(push, 1)
// The list of civilian cars (4,008 bytes): car k (1..Count) is Cars[k - 1].
struct TCarList {
  uint16_t Count;
  uint16_t Target;
  uint32_t LastTargetTick;  // GameTime of the last target computation
  uint32_t Cars[kMostCivilianCars];
};
static_assert(sizeof(TCarList) == 4008);

// The vehicle types of civilian cars (201 bytes): entry 0 the special type, entries 1 to Count - 1
// the ordinary ones.
struct TCivilianCarTypes {
  uint16_t Types[kCivilianCarTypeRoom];
  uint8_t Count;
};
static_assert(sizeof(TCivilianCarTypes) == 201);
#pragma pack(pop)

extern TCarList CarList;
extern TCivilianCarTypes CivilianCarTypes;

namespace citytraffic_hooks {
// The way where the passenger route builder has its origin now (0 none). Default: 0, so no car is
// put on a street.
extern uint32_t (*OriginWay)();
// The convoy routines (network/vehicles). Defaults: nothing (BuyVehicleForTrain false); a car whose
// convoy is not set up is not listed.
extern void (*InitTrain)(TTrain& t, uint32_t node, uint32_t index, uint8_t kind, uint8_t state, uint8_t owner);
extern bool (*BuyVehicleForTrain)(TTrain& t, uint16_t type);
extern void (*CalcTrainPower)(TTrain& t);
extern void (*TrainEntersNode)(TTrain& t, uint32_t node);
// Every hook back to its default.
void InstallDefaults();
}  // namespace citytraffic_hooks

// The step's process: the target again after more than 3,000 ticks, then one new car while the list
// is below its target.
void UpdateCityTraffic();
// The target := the people of every town / 4,000, at most the list's room; its tick := GameTime.
void RecalcCivilianCarTarget();
// Puts at most one car on the street of the route builder's origin; refuses silently when the street
// or the car type does not suit or the list is full. True when a car was put on the street.
bool SpawnCivilianCar();
// Destroys the car and drops it from the list (the last car takes its place). A car the list does
// not hold gives the warning "WARNING: civiliancar not in carlist is deleted!" and is destroyed all
// the same. The world records' hook.
void RemoveCivilianCar(uint32_t train);
// The unit's start state: an empty list, target 0, no car types.
void ResetCityTraffic();
