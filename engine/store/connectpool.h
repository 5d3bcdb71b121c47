// The connection pool: the points where ways meet, a fixed block of 32-byte records addressed from
// 1 that never moves once allocated. Allocated, reset and freed with the Arrayer store.
#pragma once

#include <cstdint>

#include "engine/base/types.h"

#pragma pack(push, 1)
struct TConnect {
  uint8_t WayType;
  uint8_t Used;          // 1 in use, 0 free
  uint8_t NetBytes[2];   // owned by the network code
  TVector Position;
  uint32_t NetValue;     // owned by the network code
  uint32_t WayA;         // TWay index (0 none)
  uint32_t WayB;         // TWay index (0 none); set only while WayA is
  uint32_t JunctionBuilding;  // TBuilding index (0 none)
};
static_assert(sizeof(TConnect) == 32);
#pragma pack(pop)

constexpr uint32_t kConnectGrowthStep = 1000;

extern TConnect* MemConnectArray;      // connection n at MemConnectArray[n - 1]
extern uint32_t ConnectArrayCapacity;  // 100,000; one growth step of reserve lies beyond it
extern uint32_t ConnectArrayCount;
extern uint32_t ConnectArrayLast;

inline TConnect& ConnectByIndex(uint32_t n) { return MemConnectArray[n - 1]; }

// Services of the economy unit that a deleted connection calls; nothing is called while unset.
namespace connect_hooks {
// Removes the building when no used connection names it as junction building any more. The world
// records put their own in (world_hooks::DefaultDestroyUnconnectedBuilding) as soon as they are
// part of the program.
extern void (*DestroyUnconnectedBuilding)(uint32_t building);
}  // namespace connect_hooks

bool ConnectArrayAlloc();
void ConnectArrayFree();
void ConnectArrayReset();
void ConnectArrayGrow();
uint32_t ConnectArrayFindFree();

void ClearConnect(TConnect& c, uint8_t wayType);
void GetConnect(TConnect& c, uint32_t index);
uint32_t ConnectWayCount(const TConnect& c);
uint32_t AddConnect(const TConnect& c);
void DeleteConnect(uint32_t index);
uint32_t FindNextConnect(uint32_t start);
