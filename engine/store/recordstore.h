// The Arrayer record store: four arrays of variable-length entries addressed by stable 32-bit
// indices, their slot tables and heaps, the store's flags, initialisation, reset and release, the
// searches over the arrays and the type query. The node, connection and train pools live beside
// the store and are allocated, reset and freed with it (nodepool.h, connectpool.h, trainpool.h).
//
// Entry layout in a heap (every entry 4-byte aligned):
//   offset 0  u32  SlotRef: the entry's own index (its slot-table cell); 0 marks a dead entry
//   offset 4  u16  size of the whole entry in 4-byte units, header and padding included
//   offset 6  u16  kind bit of the record
//   offset 8  ...  the record image without its leading index, padded to a multiple of 4
// A record field at distance d from the record's start lies at distance d + 4 in its entry.
//
// A slot-table cell holds 0 for a free index, else the entry's heap offset / 4 + 1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// Array flags: the high half of a record kind's ARType and of a search mask.
constexpr uint32_t kArrayerBWFlag = 0x10000;
constexpr uint32_t kArrayerOAFlag = 0x20000;
constexpr uint32_t kArrayerRestFlag = 0x40000;

// Kind bits of the record types within their arrays, in one table so that no two types of an
// array share a bit. The types themselves belong to the mesh and world units.
constexpr uint16_t kKindBuilding = 0x1, kKindWay = 0x2;                                        // BW
constexpr uint16_t kKindDepot = 0x1, kKindShip = 0x2, kKindSignal = 0x4, kKindStation = 0x8;  // OA
constexpr uint16_t kKindStreetBlock = 0x10, kKindTree = 0x40, kKindMarket = 0x80, kKindIndustry = 0x100;
constexpr uint16_t kKindBlock = 0x1, kKindGood = 0x8, kKindGoodsway = 0x10, kKindMeshdata2 = 0x80;  // Rest
constexpr uint16_t kKindPath = 0x100, kKindSchedule = 0x200, kKindVehicle = 0x400, kKindPsgrWay = 0x800;
constexpr uint16_t kKindMeshAni = 0x1;                                                        // Static

constexpr uint32_t kArrayerInvalidIndex = 1u << 30;  // this index and every one above is invalid
constexpr uint32_t kArrayerPageCells = 1024;
constexpr uint32_t kArrayerEntryHeader = 8;

constexpr size_t kMiB = 1024 * 1024;
constexpr uint32_t kArrayerTableBytes = 1052672;       // room of the BW, OA and Rest slot tables
constexpr uint32_t kArrayerTableLimitBytes = 1048576;  // their limit (one page of reserve above)
constexpr uint32_t kArrayerStaticTableBytes = 12288;
constexpr uint32_t kArrayerStaticTableLimitBytes = 8192;

enum class ArrayerId : uint8_t { BW, OA, Rest, Static };

// The state of one array.
struct TArrayerArray {
  uint32_t* TableBase;   // cell n at TableBase[n]; nullptr while the array is not allocated
  uint8_t* HeapBase;
  uint32_t TableLimit;   // in cells: a table top plus one page beyond it raises ArrayerOverflow
  uint8_t* HeapLimit;    // a heap top beyond it raises ArrayerOverflow
  uint32_t LastSlot;     // the cell of the most recently created entry
  uint32_t TableTop;     // the first cell beyond the pages in use
  uint8_t* HeapTop;      // the end of the used heap; entries are appended here
  uint8_t* ScanCursor;   // compaction: the next entry to be examined
  uint8_t* WriteCursor;  // compaction: the end of the packed region
  // The room of the buffers: the limit and its reserve. Nothing is ever written beyond it.
  uint32_t TableRoom;    // cells (0 while not allocated)
  uint8_t* HeapEnd;
};

extern TArrayerArray ArrayerBW, ArrayerOA, ArrayerRest, ArrayerStatic;

extern uint8_t ArrayerBusy;      // 1 while a store operation touches the tables and heaps
extern uint8_t ArrayerStatus;    // 0 found, 1 no entry, 2 another kind, 11 a list length changed
extern uint8_t ArrayerOverflow;  // 1 once a table, heap or pool passed its limit
// The stored copy that A_Overwrite compares against, addressed so that a record field at offset d
// is read at ArrayerOverwriteTarget + d.
extern uint8_t* ArrayerOverwriteTarget;

// Allocates the pools and the arrays; false when any allocation failed (what was allocated stays
// until ArrayerFree). Installs ArrayerFree as the fatal stop's clean-up.
bool ArrayerInit();
// Empties the whole store and the pools.
void ArrayerReset();
// Releases the pools and the arrays; safe in any state.
void ArrayerFree();
// True while every buffer of the store is allocated.
bool ArrayerReady();

// Searches: the next index above Start whose entry's kind bit is in Mask; 0 when there is none.
uint32_t FindInArrayerBW(uint32_t mask, uint32_t start);
uint32_t FindInArrayerOA(uint32_t mask, uint32_t start);
uint32_t FindInArrayerRest(uint32_t mask, uint32_t start);
// As above; a hit also gives the entry's full ARType in foundType (left alone on 0).
uint32_t FindInArrayerBWMultipel(uint32_t mask, uint32_t start, uint32_t& foundType);
uint32_t FindInArrayerOAMultipel(uint32_t mask, uint32_t start, uint32_t& foundType);
// As the Multipel forms, and only records whose position (x, z: the record's fourth and sixth
// words) lies within Range of (X, Z) on both axes.
uint32_t FindInArrayerRangeBWMultipel(uint32_t mask, uint32_t start, uint32_t& foundType, float x, float z,
                                      float range);
uint32_t FindInArrayerRangeOAMultipel(uint32_t mask, uint32_t start, uint32_t& foundType, float x, float z,
                                      float range);
// The ARType of the OA entry at index.
uint32_t GetArrayerType(uint32_t index);

// Statistics: each record kind has a row of seven counters in InfoScreenData.CallCounters.
enum ArrayerCounter : uint32_t {
  kCountLive = 0,
  kCountDeleted = 1,
  kCountRead = 2,
  kCountWrite = 3,
  kCountReWrite = 4,
  kCountOverwrite = 5,
};
constexpr uint32_t kArrayerRowWidth = 7;
// Row of the search calls (column = the search: BW, OA, Rest, BWMultipel, OAMultipel,
// RangeBWMultipel, RangeOAMultipel) and of the pool walks (column 0 FindNextConnect,
// column 1 FindNextTrain).
constexpr uint32_t kArrayerSearchRow = 23;
constexpr uint32_t kArrayerPoolWalkRow = 24;
// The counter of row and column in a bank (0 totals, 2 inside the simulation step, 3 outside it).
uint32_t& ArrayerCounterOf(uint32_t bank, uint32_t row, uint32_t column);
// Adds amount to a counter in the totals and, when inBank, in the current bank.
void ArrayerCount(uint32_t row, uint32_t column, uint32_t amount = 1, bool inBank = true);

// The store's own services for its units (compaction, the accessor family, the mesh records).
namespace arrayer_internal {

TArrayerArray& ArrayOf(ArrayerId id);
const char* ArrayName(ArrayerId id);  // "BW", "OA", "Rest", "Static"

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}
inline uint16_t Load16(const uint8_t* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return v;
}
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline void Store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }

inline uint32_t EntrySlotRef(const uint8_t* entry) { return Load32(entry); }
inline uint32_t EntryBytes(const uint8_t* entry) { return 4u * Load16(entry + 4); }
inline uint16_t EntryKind(const uint8_t* entry) { return Load16(entry + 6); }

// The entry that the cell refers to; nullptr for a free cell.
inline uint8_t* EntryOfCell(const TArrayerArray& a, uint32_t cell) {
  const uint32_t ref = a.TableBase[cell];
  return ref == 0 ? nullptr : a.HeapBase + 4u * (ref - 1);
}
inline uint32_t CellRefOf(const TArrayerArray& a, const uint8_t* entry) {
  return static_cast<uint32_t>((entry - a.HeapBase) / 4) + 1;
}

// Stops the program when another store operation is under way.
void BusyCheck();
// Clears ArrayerBusy and stops the program with msg.
[[noreturn]] void Fail(const std::string& msg);

// Whether an entry of `bytes` bytes (header included, a multiple of 4) fits below the heap's room.
bool HeapHasRoom(const TArrayerArray& a, size_t bytes);
// The free-slot search: the cell of a free index (adding a page when none is free). Stops the
// program (clearing ArrayerBusy) when the table has no room for another page.
uint32_t FindFreeSlot(TArrayerArray& a, ArrayerId id);
// Appends an entry of `bytes` bytes (header included, a multiple of 4) for cell at the heap top
// and makes the cell refer to it; returns the entry. The caller checked the room first.
uint8_t* AppendEntry(TArrayerArray& a, uint32_t cell, uint16_t kind, uint32_t bytes);
// The fatal text when a heap has no room for an entry.
std::string HeapFullText(ArrayerId id);

// Zeroed memory for the store and the pools (nullptr on failure); the test seam can refuse it.
void* Allocate(size_t bytes);

// A pool block: room for `records` records of `size` bytes after the start has been raised to a
// multiple of 32. Registers the block under `name`; nullptr when the allocation failed.
uint8_t* AllocPool(uint32_t records, size_t size, const char* name, void*& block);
// Frees a pool block (if any) and removes it from the register.
void FreePool(void*& block);

// The free-index search of the pools: last + 1 up to count, then 1 up to last, else grow() and
// take the first new record (the old count + 1). The index found becomes last.
template <class IsFree, class Grow>
uint32_t PoolFindFree(uint32_t& last, uint32_t count, IsFree isFree, Grow grow) {
  for (uint32_t i = last + 1; i <= count; ++i) {
    if (isFree(i)) return last = i;
  }
  for (uint32_t i = 1; i <= last && i <= count; ++i) {
    if (isFree(i)) return last = i;
  }
  grow();
  return last = count + 1;
}

}  // namespace arrayer_internal

// Calls visit(index, kind, image, bytes) for every live entry of the array in index order; image is
// the record without its leading index (bytes long, padding to 4 bytes included).
template <class Visit>
void ForEachArrayerEntry(ArrayerId id, Visit visit) {
  const TArrayerArray& a = arrayer_internal::ArrayOf(id);
  if (a.TableBase == nullptr) return;
  for (uint32_t cell = 1; cell < a.TableTop; ++cell) {
    const uint8_t* entry = arrayer_internal::EntryOfCell(a, cell);
    if (entry == nullptr) continue;
    visit(cell, arrayer_internal::EntryKind(entry), entry + kArrayerEntryHeader,
          arrayer_internal::EntryBytes(entry) - kArrayerEntryHeader);
  }
}

// Test seams: never reachable through a user-visible option.
namespace arrayer_test {
// The n-th allocation from now on (1-based) fails; 0 lets every allocation succeed.
void FailAllocation(int n);
}  // namespace arrayer_test
