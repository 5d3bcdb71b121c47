// The node pool: the track and road nodes of the network, a fixed block of 64-byte records
// addressed from 1 that never moves once allocated. The network code reads and changes nodes in
// place through NodeByIndex. Allocated, reset and freed with the Arrayer store.
#pragma once

#include <cstdint>

#include "engine/base/types.h"

#pragma pack(push, 1)
struct TNode {
  TVector Position;
  uint32_t PrevLinks[2];   // previous nodes (first, second)
  uint32_t NextLinks[2];   // next nodes (first, second)
  uint32_t LinkValues[4];  // owned by the network code
  uint32_t Way;            // the TWay the node belongs to (0 none)
  uint32_t NetValues[2];   // owned by the network code
  uint32_t Signal;         // the TSignal standing at the node (0 none)
  uint8_t PrevLinkCount;   // 0 to 2
  uint8_t NextLinkCount;   // 0 to 2
  uint8_t Used;            // 0 free; InitNode sets 255, nodes inside a building carry their number there
  uint8_t Flags;           // 4 station node, 64 end of a route for way removal
};
static_assert(sizeof(TNode) == 64);
#pragma pack(pop)

constexpr uint8_t kNodeFlagStation = 4;
constexpr uint8_t kNodeFlagRouteEnd = 64;
constexpr uint32_t kNodeGrowthStep = 1000;

extern TNode* MemNodeArray;        // node n at MemNodeArray[n - 1]
extern uint32_t NodeArrayCapacity;  // 100,000; one growth step of reserve lies beyond it
extern uint32_t NodeArrayCount;     // records made available so far (a multiple of the step)
extern uint32_t NodeArrayLast;      // the index last handed out
extern uint8_t* PFIDArray;          // one byte per node for the path search (node n at n - 1)
extern uint8_t PFIDMark;            // the value that marks a node as visited

inline TNode& NodeByIndex(uint32_t n) { return MemNodeArray[n - 1]; }
// Whether node n lies within the records made available so far.
inline bool NodeInPool(uint32_t n) { return n >= 1 && n <= NodeArrayCount; }

bool NodeArrayAlloc();
void NodeArrayFree();
void NodeArrayReset();
void NodeArrayGrow();
uint32_t NodeArrayFindFree();

void InitNode(TNode& node, const TVector& position);
uint32_t AddNode(const TNode& node);
void DeleteNode(uint32_t index);
void ClearPFIDArray();
