// The building program's small record store: nodes, ways, way geometry, the two end records of a
// way's curve, and buildings, kept as packed entries in one heap and found through a slot table.
//
// Slot table: one u32 per slot, slot 0 unused; a used slot holds the byte offset of its entry in
// the heap, 0 marks a free slot. The table grows by 1,024 slots at a time. A heap entry is an 8-byte
// header (back-reference = slot x 4, size in 4-byte units including the header, record kind)
// followed by the packed record; entries start on 4-byte boundaries.
//
// Packing: a record's fixed part is stored as it is, then each list holds only its used elements,
// their counts taken from count bytes of the fixed part. The record's index (its first field) is
// not stored: reading clears the whole record and puts the slot number there.
//
// The program creates the store empty at start-up and nothing in it writes to it; the script
// commands read node and way records through it. A read of an index with no entry of the asked
// kind (free, out of the table, or of another kind) returns false and leaves the record as it was.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/base/types.h"
#include "engine/world/waygeometry.h"
#include "network/track/cursor.h"

namespace brumin {

// Record kinds of the heap entries.
constexpr uint16_t kStoreNodeKind = 0x100;
constexpr uint16_t kStoreGeometryKind = 0x200;
constexpr uint16_t kStoreBuildingKind = 0x400;
constexpr uint16_t kStoreWayKind = 0x800;
constexpr uint16_t kStoreWayEndKind = 0x1000;

// The way kind of a router, and the router sub-kinds whose switch the script commands read.
constexpr uint8_t kStoreRouterWay = 3;
constexpr uint8_t kRouterForwardEntry = 4;
constexpr uint8_t kRouterBackwardEntry = 1;

#pragma pack(push, 1)
// A building: the fixed fields, three count bytes, and the lists. List A and its parallel u16 list
// take count 1, list C count 2, list D count 3.
struct TStoreBuilding {
  uint32_t Index;
  uint8_t Fixed[97];
  uint8_t Counts[3];
  uint32_t ListA[100];
  uint16_t ListAValues[100];
  uint32_t ListC[100];
  uint32_t ListD[20];
};
static_assert(sizeof(TStoreBuilding) == 1184);

// A way. Of its 55 fixed bytes the program gives meaning to the first ones: the way it refers to,
// its kind (3 router), the router's sub-kind, the switch setting (0 the first link, 1 the second),
// its geometry record and its street flags.
struct TStoreWay {
  uint32_t Index;
  uint32_t LinkedWay;
  uint8_t Kind;
  uint8_t RouterKind;
  uint8_t Switch;
  uint32_t Geometry;
  uint8_t Flags;
  uint8_t Reserved[43];
  uint8_t ConnectionCount;
  uint8_t NodeCount;
  uint32_t Connections[10];
  uint32_t Nodes[100];
};
static_assert(sizeof(TStoreWay) == 4 + 55 + 2 + 40 + 400);

// The geometry of a way. Its first eight bytes are the two end records of the way's curve; the
// points take the vertex count, the three further lists the three counts. Packed, the 39-byte and
// 30-byte records follow without gaps.
struct TStorePolygon39 {
  uint8_t Data[39];
  uint8_t Pad;
};
struct TStoreRecord30 {
  uint8_t Data[30];
  uint8_t Pad[2];
};
struct TStoreWayGeometry {
  uint32_t Index;
  uint32_t Ends[2];
  uint16_t VertexCount;
  uint8_t Byte1;
  uint8_t Counts[3];
  uint8_t Byte2;
  TVector Points[255];
  TStorePolygon39 Polygons[250];
  uint16_t Shorts[10];
  TStoreRecord30 Records[250];
};
static_assert(sizeof(TStorePolygon39) == 40 && sizeof(TStoreRecord30) == 32);
static_assert(sizeof(TStoreWayGeometry) == 4 + 15 + 255 * 12 + 250 * 40 + 20 + 250 * 32);

// One end of a way's curve (the "40-byte" record): its edge from the left corner to the right
// corner, seen along the way from its start, and nine bytes the curve does not use.
struct TStoreWayEnd {
  uint32_t Index;
  TVector Left;
  TVector Right;
  uint8_t Rest[9];
  uint8_t Pad[3];
};
static_assert(sizeof(TStoreWayEnd) == 40);
#pragma pack(pop)

class TRecordStore {
 public:
  static constexpr uint32_t kTableStep = 1024;                 // slots per growth
  static constexpr uint32_t kDefaultTableLimit = 1u << 20;     // bytes
  static constexpr uint32_t kDefaultHeapLimit = 16u << 20;     // bytes
  static constexpr uint32_t kHeapFirstWarning = 524288;        // room left at the first warning
  static constexpr uint32_t kHeapLastRoom = 32768;             // room left at the overflow

  // An empty store: one step of free slots and an empty heap.
  explicit TRecordStore(uint32_t heapLimit = kDefaultHeapLimit, uint32_t tableLimit = kDefaultTableLimit);

  // Stores a new building entry and sets Rec's index (left 0 when the store has overflowed).
  void StoreWrite(TStoreBuilding& rec);
  // Stores packed bytes as a new entry of the kind; the slot, or 0 when the store has overflowed.
  uint32_t WriteEntry(uint16_t kind, std::span<const uint8_t> packed);
  // The next slot after Start whose entry has the kind; 0 when none.
  uint32_t StoreFindNext(uint16_t kind, uint32_t start) const;
  bool StoreRead(uint32_t index, TStoreBuilding& rec) const;
  bool StoreRead(uint32_t index, TStoreWay& rec) const;
  bool StoreRead(uint32_t index, TStoreWayGeometry& rec) const;
  bool StoreRead(uint32_t index, TStoreWayEnd& rec) const;
  bool StoreRead(uint32_t index, TNodeRecord& rec) const;
  // Writes the way back into its entry; false (nothing written) when its entry is not a way of
  // the same packed length.
  bool StoreRewriteWay(const TStoreWay& rec);
  // Adds one step of free slots; false when the table limit leaves no room for it.
  bool StoreGrowTable();

  uint32_t TableSlots() const { return static_cast<uint32_t>(Table.size()); }
  uint32_t HeapTop() const { return static_cast<uint32_t>(Heap.size()); }
  bool FirstWarning() const { return FirstWarning_; }
  bool Overflow() const { return Overflow_; }

 private:
  // The packed bytes of the entry in the slot when it holds the kind; empty otherwise.
  std::span<const uint8_t> Entry(uint32_t index, uint16_t kind) const;
  void CheckHeap();

  std::vector<uint32_t> Table;  // the table's top is its size
  std::vector<uint8_t> Heap;    // the heap's top is its size
  uint32_t TableLimit;
  uint32_t HeapLimit;
  uint32_t LastSlot = 0;
  bool FirstWarning_ = false;
  bool Overflow_ = false;
};

// The packed forms of the record shapes.
std::vector<uint8_t> PackRecord(const TStoreBuilding& rec);
std::vector<uint8_t> PackRecord(const TStoreWay& rec);
std::vector<uint8_t> PackRecord(const TStoreWayGeometry& rec);
std::vector<uint8_t> PackRecord(const TStoreWayEnd& rec);
std::vector<uint8_t> PackRecord(const TNodeRecord& rec);

// The program's one store, empty from start-up.
extern TRecordStore BuildingStore;

// The centre line of the stored way in Segments pieces: the cubic Bezier curve from the middle of
// its start edge to the middle of its end edge, leaving each at right angles to its edge (the
// edges are the two end records named by the way's geometry), sampled into points 0..Segments with
// each segment's length. False when a record is missing or the curve cannot be built.
bool BuildStoredWayCurve(const TRecordStore& store, const TStoreWay& way, int32_t segments, TCurveLineGeometry& g);

}  // namespace brumin
