#include "engine/store/connectpool.h"

#include <cstring>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/store/recordstore.h"

TConnect* MemConnectArray = nullptr;
uint32_t ConnectArrayCapacity = 0;
uint32_t ConnectArrayCount = 0;
uint32_t ConnectArrayLast = 0;

namespace connect_hooks {
void (*DestroyUnconnectedBuilding)(uint32_t) = nullptr;
}  // namespace connect_hooks

namespace {
void* g_block = nullptr;
uint32_t g_room = 0;

void CheckIndex(uint32_t index, const char* routine) {
  if (index == 0 || index > ConnectArrayCount)
    SYS_BREAKPROGRAM(std::string("Error: UTConnect: ") + routine + ": The Index is invalid! Index : " +
                     std::to_string(index));
}
}  // namespace

bool ConnectArrayAlloc() {
  ConnectArrayFree();
  const uint32_t records = ConnectArrayCapacity + kConnectGrowthStep;
  MemConnectArray =
      reinterpret_cast<TConnect*>(arrayer_internal::AllocPool(records, sizeof(TConnect), "MemConnectArray", g_block));
  if (!MemConnectArray) return false;
  g_room = records;
  return true;
}

void ConnectArrayFree() {
  arrayer_internal::FreePool(g_block);
  MemConnectArray = nullptr;
  g_room = 0;
  ConnectArrayCount = 0;
  ConnectArrayLast = 0;
}

void ConnectArrayReset() {
  ConnectArrayCount = 0;
  ConnectArrayLast = 0;
  ConnectArrayGrow();
}

void ConnectArrayGrow() {
  if (ConnectArrayCount + kConnectGrowthStep > g_room)
    SYS_BREAKPROGRAM("Error: UTConnect: ConnectArrayGrow: The connection pool is full!");
  for (uint32_t n = ConnectArrayCount + 1; n <= ConnectArrayCount + kConnectGrowthStep; ++n) ConnectByIndex(n).Used = 0;
  ConnectArrayCount += kConnectGrowthStep;
  if (ConnectArrayCount > ConnectArrayCapacity) ArrayerOverflow = 1;
}

uint32_t ConnectArrayFindFree() {
  return arrayer_internal::PoolFindFree(
      ConnectArrayLast, ConnectArrayCount, [](uint32_t n) { return ConnectByIndex(n).Used == 0; }, ConnectArrayGrow);
}

void ClearConnect(TConnect& c, uint8_t wayType) {
  std::memset(&c, 0, sizeof(c));
  c.WayType = wayType;
}

void GetConnect(TConnect& c, uint32_t index) {
  CheckIndex(index, "GetConnect");
  c = ConnectByIndex(index);
}

uint32_t ConnectWayCount(const TConnect& c) {
  if (c.WayA == 0) return 0;
  return c.WayB != 0 ? 2 : 1;
}

uint32_t AddConnect(const TConnect& c) {
  const uint32_t n = ConnectArrayFindFree();
  TConnect& slot = ConnectByIndex(n);
  slot = c;
  slot.Used = 1;
  return n;
}

void DeleteConnect(uint32_t index) {
  CheckIndex(index, "DeleteConnect");
  TConnect& c = ConnectByIndex(index);
  c.Used = 0;
  if (c.JunctionBuilding != 0 && connect_hooks::DestroyUnconnectedBuilding)
    connect_hooks::DestroyUnconnectedBuilding(c.JunctionBuilding);
}

uint32_t FindNextConnect(uint32_t start) {
  ArrayerCount(kArrayerPoolWalkRow, 0);
  if (start >= ConnectArrayCount) return 0;
  for (uint32_t n = start + 1; n <= ConnectArrayCount; ++n) {
    if (ConnectByIndex(n).Used != 0) return n;
  }
  return 0;
}
