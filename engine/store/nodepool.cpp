#include "engine/store/nodepool.h"

#include <cstring>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/statistics.h"
#include "engine/store/recordstore.h"

TNode* MemNodeArray = nullptr;
uint32_t NodeArrayCapacity = 0;
uint32_t NodeArrayCount = 0;
uint32_t NodeArrayLast = 0;
uint8_t* PFIDArray = nullptr;
uint8_t PFIDMark = 0;

namespace {
void* g_block = nullptr;
void* g_pfidBlock = nullptr;
uint32_t g_room = 0;  // records the block has room for
}  // namespace

bool NodeArrayAlloc() {
  NodeArrayFree();
  const uint32_t records = NodeArrayCapacity + kNodeGrowthStep;
  MemNodeArray = reinterpret_cast<TNode*>(arrayer_internal::AllocPool(records, sizeof(TNode), "MemNodeArray", g_block));
  if (!MemNodeArray) return false;
  PFIDArray = static_cast<uint8_t*>(arrayer_internal::Allocate(records));
  g_pfidBlock = PFIDArray;
  if (!PFIDArray) return false;
  AddMemoryBlock(InfoScreenData, PFIDArray, static_cast<int32_t>(records), "PFID-Array");
  g_room = records;
  return true;
}

void NodeArrayFree() {
  arrayer_internal::FreePool(g_block);
  arrayer_internal::FreePool(g_pfidBlock);
  MemNodeArray = nullptr;
  PFIDArray = nullptr;
  g_room = 0;
  NodeArrayCount = 0;
  NodeArrayLast = 0;
}

void NodeArrayReset() {
  NodeArrayCount = 0;
  NodeArrayLast = 0;
  NodeArrayGrow();
}

void NodeArrayGrow() {
  if (NodeArrayCount + kNodeGrowthStep > g_room)
    SYS_BREAKPROGRAM("Error: UTNode: NodeArrayGrow: The node pool is full!");
  for (uint32_t n = NodeArrayCount + 1; n <= NodeArrayCount + kNodeGrowthStep; ++n) {
    NodeByIndex(n).Used = 0;
    PFIDArray[n - 1] = 0;
  }
  NodeArrayCount += kNodeGrowthStep;
  if (NodeArrayCount > NodeArrayCapacity) ArrayerOverflow = 1;
}

uint32_t NodeArrayFindFree() {
  return arrayer_internal::PoolFindFree(
      NodeArrayLast, NodeArrayCount, [](uint32_t n) { return NodeByIndex(n).Used == 0; }, NodeArrayGrow);
}

void InitNode(TNode& node, const TVector& position) {
  node.Position = position;
  node.Way = 0;
  node.Signal = 0;
  node.PrevLinkCount = 0;
  node.NextLinkCount = 0;
  node.Used = 255;
  node.Flags = 0;
}

uint32_t AddNode(const TNode& node) {
  const uint32_t n = NodeArrayFindFree();
  std::memcpy(&NodeByIndex(n), &node, sizeof(TNode));
  return n;
}

void DeleteNode(uint32_t index) {
  if (index == 0 || index > NodeArrayCount)
    SYS_BREAKPROGRAM("Error: UTNode: DeleteNode: The Index is invalid! Index : " + std::to_string(index));
  NodeByIndex(index).Used = 0;
}

void ClearPFIDArray() {
  PFIDMark = 1;
  if (PFIDArray) std::memset(PFIDArray, 0, NodeArrayCount);
}
