// The train pool: trains and road-vehicle convoys, a fixed block of 352-byte records addressed
// from 1 that never moves once allocated; the vehicle logic reads and changes them in place through
// TrainByIndex. Allocated, reset and freed with the Arrayer store.
#pragma once

#include <cstdint>

struct TDestroyResult;  // the world records' removal result


constexpr uint8_t kTrainRoad = 0;  // VBT_Type: a road-vehicle convoy
constexpr uint8_t kTrainRail = 1;  // a rail train
constexpr uint8_t kTrainFree = 4;  // a free pool slot
constexpr uint32_t kTrainGrowthStep = 100;
constexpr int kTrainMaxVehicles = 12;
constexpr int kTrainNodesAhead = 50;

#pragma pack(push, 1)
struct TTrain {
  uint32_t Index;
  uint8_t VBT_Type;       // kTrainRoad, kTrainRail, kTrainFree
  uint8_t ScheduleState;  // 4 once the train lost its schedule
  uint8_t CurrentStop;    // 1-based position in its schedule's stops
  uint8_t VehicleCount;   // at most 12
  uint32_t Schedule;      // TSchedule index (0 none)
  uint32_t Vehicles[kTrainMaxVehicles];    // TVehicle indices
  uint32_t NodesAhead[kTrainNodesAhead];   // ends at its first 0 or at ClosingNode
  uint32_t CurrentNode;     // the node its head last entered
  uint32_t NextNode;        // the node its head runs toward
  uint32_t ClosingNode;     // its tail node
  uint8_t Reserved272[8];
  uint32_t Path;           // TPath index (0 none)
  uint32_t TargetStation;  // TStation index
  float DistanceOnLink;     // how far the head is past its current node
  float PowerRatio;
  float MaxSpeed;
  float Speed;             // world units per tick
  float TargetSpeed;
  float Speed2;
  uint8_t Reserved312[36];
  uint8_t Owner;           // 0 none, 1 to 10 a player
  uint8_t Reserved349;
  uint8_t State;           // 6 inside a depot
  uint8_t Reserved351;

  // Mode 0 only checks, 1 checks and then deletes, 2 deletes without checks. It removes world
  // records and lives with them (engine/world/train.h).
  static void Destroy(uint32_t index, uint8_t mode, TDestroyResult& result);
};
static_assert(sizeof(TTrain) == 352);
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
