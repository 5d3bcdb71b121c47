// The train pool: trains and road-vehicle convoys, a fixed block of 352-byte records addressed
// from 1 that never moves once allocated; the vehicle logic reads and changes them in place through
// TrainByIndex. Allocated, reset and freed with the Arrayer store.
#pragma once

#include <cstddef>
#include <cstdint>

struct TDestroyResult;  // the world records' removal result


constexpr uint8_t kTrainRoad = 0;  // VBT_Type: a road-vehicle convoy
constexpr uint8_t kTrainRail = 1;  // a rail train
constexpr uint8_t kTrainFree = 4;  // a free pool slot
constexpr uint32_t kTrainGrowthStep = 100;
// States: standing, driving, loading, unloading, idle (nothing happens), driving toward its halt,
// inside a depot, waiting at a crossing, waiting long at a crossing, turning at a dead end.
constexpr uint8_t kTrainStanding = 0, kTrainDriving = 1, kTrainLoading = 2, kTrainUnloading = 3, kTrainIdle = 4,
                  kTrainToHalt = 5, kTrainInDepot = 6, kTrainWaiting = 7, kTrainWaitingLong = 8,
                  kTrainTurning = 9;
// Route modes.
constexpr uint8_t kRouteSchedule = 0, kRouteFromDepot = 1, kRouteStartSchedule = 2, kRouteToDepot = 3,
                  kRouteNone = 4;
constexpr int kTrainMaxVehicles = 12;
constexpr int kTrainNodesAhead = 50;

#pragma pack(push, 1)
struct TTrain {
  uint32_t Index;
  uint8_t VBT_Type;       // kTrainRoad, kTrainRail, kTrainFree
  // Route mode: 0 following its schedule, 1 just out of a depot, 2 to start its schedule at halt 1,
  // 3 heading for a depot, 4 without schedule.
  uint8_t ScheduleState;
  uint8_t CurrentStop;    // 1-based position in its schedule's stops (its halt)
  uint8_t VehicleCount;   // at most 12
  uint32_t Schedule;      // TSchedule index (0 none)
  uint32_t Vehicles[kTrainMaxVehicles];    // TVehicle indices
  // The nodes its head has entered, newest first, each once (its next node among them); ends at
  // its first 0 or at ClosingNode.
  uint32_t NodesAhead[kTrainNodesAhead];
  uint32_t CurrentNode;     // the node its head last entered
  uint32_t NextNode;        // the node its head runs toward
  uint32_t ClosingNode;     // its tail node: the last node its rear has passed
  uint32_t Timer;           // the tick a state is due (0 none)
  uint32_t LastStopTick;
  uint32_t Path;           // TPath index (0 none)
  uint32_t TargetStation;  // TStation index
  float DistanceOnLink;     // how far the head is past its current node
  float PowerRatio;        // the sum of its vehicles' scaled power
  float MaxSpeed;          // the least of its vehicles' maximum speeds
  float Speed;             // world units per tick
  float TargetSpeed;
  float Speed2;            // its speed of the tick before
  uint32_t TotalWeight;    // its vehicles' empty weights and their goods
  float DistanceSinceStop;
  float BrakeDeceleration;  // speed lost per tick while it brakes
  float RevenueThisYear;
  float RevenueLastYear;
  uint32_t BlockedSince;   // the tick it began waiting at a red signal (0 none)
  uint8_t Reserved336[12];
  uint8_t Owner;           // 0 a town's own car, 1 to 10 a player
  uint8_t Reversed;        // 1 while it runs with its last vehicle first
  uint8_t State;           // kTrainStanding ... kTrainTurning
  uint8_t Reserved351;

  // Mode 0 only checks, 1 checks and then deletes, 2 deletes without checks. It removes world
  // records and lives with them (engine/world/train.h).
  static void Destroy(uint32_t index, uint8_t mode, TDestroyResult& result);
};
static_assert(sizeof(TTrain) == 352);
static_assert(offsetof(TTrain, CurrentNode) == 260 && offsetof(TTrain, Timer) == 272 && offsetof(TTrain, Path) == 280 &&
              offsetof(TTrain, DistanceOnLink) == 288 && offsetof(TTrain, TotalWeight) == 312 &&
              offsetof(TTrain, BlockedSince) == 332 && offsetof(TTrain, Owner) == 348 && offsetof(TTrain, State) == 350);
#pragma pack(pop)

extern TTrain* MemTraindataArray;        // train n at MemTraindataArray[n - 1]
extern uint32_t TraindataArrayCapacity;  // 10,000; one growth step of reserve lies beyond it
extern uint32_t TraindataArrayCount;
extern uint32_t TraindataArrayLast;

inline TTrain& TrainByIndex(uint32_t n) { return MemTraindataArray[n - 1]; }

bool TraindataArrayAlloc();
void TraindataArrayFree();
void TraindataArrayReset();
void TraindataArrayGrow();
uint32_t TraindataArrayFindFree();

uint32_t NewTrain();
uint32_t FindNextTrain(uint32_t start);
bool IsTrainUsed(uint32_t index);  // false also for an index outside the pool
