#include "engine/store/recordstore.h"

#include <cmath>
#include <cstdlib>

#include "engine/base/diagnostics.h"
#include "engine/base/statistics.h"
#include "engine/store/compaction.h"
#include "engine/store/connectpool.h"
#include "engine/store/nodepool.h"
#include "engine/store/trainpool.h"

TArrayerArray ArrayerBW, ArrayerOA, ArrayerRest, ArrayerStatic;
uint8_t ArrayerBusy = 0;
uint8_t ArrayerStatus = 0;
uint8_t ArrayerOverflow = 0;
uint8_t* ArrayerOverwriteTarget = nullptr;

using namespace arrayer_internal;

namespace {

int g_failAllocationIn = 0;

struct ArraySpec {
  TArrayerArray* array;
  const char* name;
  uint32_t flag;
  const char* tableBlock;
  const char* heapBlock;
  uint32_t tableBytes;
  uint32_t tableLimitBytes;
  size_t heapBytes;
  size_t heapLimitBytes;
};

const ArraySpec kSpecs[4] = {
    {&ArrayerBW, "BW", kArrayerBWFlag, "ArrayerBW1", "ArrayerBW2", kArrayerTableBytes, kArrayerTableLimitBytes, 11 * kMiB, 10 * kMiB},
    {&ArrayerOA, "OA", kArrayerOAFlag, "ArrayerOA1", "ArrayerOA2", kArrayerTableBytes, kArrayerTableLimitBytes, 11 * kMiB, 10 * kMiB},
    {&ArrayerRest, "Rest", kArrayerRestFlag, "ArrayerRest1", "ArrayerRest2", kArrayerTableBytes, kArrayerTableLimitBytes, 21 * kMiB,
     20 * kMiB},
    {&ArrayerStatic, "Static", 0, "ArrayerStatic1", "ArrayerStatic2", kArrayerStaticTableBytes,
     kArrayerStaticTableLimitBytes, 2 * kMiB, 1 * kMiB},
};

const ArraySpec& SpecOf(ArrayerId id) { return kSpecs[static_cast<int>(id)]; }

// Adds the page of cells from TableTop on; false (nothing changed) when the table has no room.
bool AddPage(TArrayerArray& a) {
  if (a.TableRoom < kArrayerPageCells || a.TableTop > a.TableRoom - kArrayerPageCells) return false;
  std::memset(a.TableBase + a.TableTop, 0, kArrayerPageCells * 4);
  a.TableTop += kArrayerPageCells;
  if (a.TableTop + kArrayerPageCells > a.TableLimit) ArrayerOverflow = 1;
  return true;
}

std::string TableFullText(ArrayerId id) {
  return std::string("Error: Arrayer: Arrayer") + ArrayName(id) + ": The slot table is full!";
}

// An empty array: no entries, an empty heap, one page of free cells.
void EmptyArray(TArrayerArray& a) {
  a.LastSlot = 0;
  a.TableTop = 1;
  a.HeapTop = a.HeapBase;
  AddPage(a);
}

bool AllocArray(const ArraySpec& s) {
  TArrayerArray& a = *s.array;
  void* table = Allocate(s.tableBytes);
  if (!table) return false;
  AddMemoryBlock(InfoScreenData, table, static_cast<int32_t>(s.tableBytes), s.tableBlock);
  a.TableBase = static_cast<uint32_t*>(table);
  void* heap = Allocate(s.heapBytes);
  if (!heap) return false;
  AddMemoryBlock(InfoScreenData, heap, static_cast<int32_t>(s.heapBytes), s.heapBlock);
  a.HeapBase = static_cast<uint8_t*>(heap);
  a.TableLimit = s.tableLimitBytes / 4;
  a.HeapLimit = a.HeapBase + s.heapLimitBytes;
  a.TableRoom = s.tableBytes / 4;
  a.HeapEnd = a.HeapBase + s.heapBytes;
  EmptyArray(a);
  a.ScanCursor = a.WriteCursor = a.HeapBase;
  return true;
}

bool AnythingAllocated() {
  for (const ArraySpec& s : kSpecs) {
    if (s.array->TableBase || s.array->HeapBase) return true;
  }
  return MemNodeArray || PFIDArray || MemConnectArray || MemTraindataArray;
}

enum SearchKind { kPlain, kMultipel, kRange };

uint32_t Search(ArrayerId id, const char* routine, uint32_t column, SearchKind kind, uint32_t mask, uint32_t start,
                uint32_t* foundType, float x, float z, float range) {
  TArrayerArray& a = ArrayOf(id);
  const uint32_t flag = SpecOf(id).flag;
  if ((mask & flag) == 0 || (mask & 0xFFFF0000u & ~flag) != 0)
    SYS_BREAKPROGRAM(std::string("Error: Arrayer: ") + routine + ": Tryed to search in the wrong Array!");
  ArrayerCount(kArrayerSearchRow, column);
  if (start >= a.TableTop) {
    switch (kind) {
      case kPlain: SYS_BREAKPROGRAM("Error: Arrayer: FindInArrayer: The StartPoint was to high");
      case kMultipel: SYS_BREAKPROGRAM("Error: Arrayer: FindInArrayerMultiple: The StartPoint was to high");
      case kRange: SYS_BREAKPROGRAM("Error: Arrayer: FindInArrayerRangeMultiple: The StartPoint was to high");
    }
  }
  BusyCheck();
  ArrayerBusy = 1;
  const uint16_t kinds = static_cast<uint16_t>(mask & 0xFFFF);
  const uint32_t top = a.TableTop;
  uint32_t found = 0;
  for (uint32_t cell = start + 1; cell < top; ++cell) {
    const uint8_t* e = EntryOfCell(a, cell);
    if (!e) continue;
    const uint16_t k = EntryKind(e);
    if ((k & kinds) == 0) continue;
    if (kind == kRange) {
      // The position's x and z are the record's fourth and sixth words (entry offsets 16 and 24);
      // a record stored in fewer bytes has no position and never lies in range.
      if (EntryBytes(e) < 28) continue;
      float ex, ez;
      std::memcpy(&ex, e + 16, 4);
      std::memcpy(&ez, e + 24, 4);
      if (!(std::fabs(static_cast<long double>(ex) - static_cast<long double>(x)) <= static_cast<long double>(range)))
        continue;
      if (!(std::fabs(static_cast<long double>(ez) - static_cast<long double>(z)) <= static_cast<long double>(range)))
        continue;
    }
    found = cell;
    if (foundType) *foundType = flag | k;
    break;
  }
  ArrayerBusy = 0;
  return found;
}

}  // namespace

namespace arrayer_internal {

TArrayerArray& ArrayOf(ArrayerId id) { return *SpecOf(id).array; }
const char* ArrayName(ArrayerId id) { return SpecOf(id).name; }

void BusyCheck() {
  if (ArrayerBusy) SYS_BREAKPROGRAM("FATAL ERROR: Arrayer: A function is not terminatet correctly!");
}

void Fail(const std::string& msg) {
  ArrayerBusy = 0;
  SYS_BREAKPROGRAM(msg);
}

bool HeapHasRoom(const TArrayerArray& a, size_t bytes) {
  return a.HeapBase != nullptr && static_cast<size_t>(a.HeapEnd - a.HeapTop) >= bytes;
}

uint32_t FindFreeSlot(TArrayerArray& a, ArrayerId id) {
  uint32_t cell = 0;
  for (uint32_t c = a.LastSlot + 1; c < a.TableTop; ++c) {
    if (a.TableBase[c] == 0) {
      cell = c;
      break;
    }
  }
  if (cell == 0) {
    for (uint32_t c = 1; c <= a.LastSlot && c < a.TableTop; ++c) {
      if (a.TableBase[c] == 0) {
        cell = c;
        break;
      }
    }
  }
  if (cell == 0) {
    cell = a.TableTop;
    if (!AddPage(a)) Fail(TableFullText(id));
  }
  a.LastSlot = cell;
  return cell;
}

uint8_t* AppendEntry(TArrayerArray& a, uint32_t cell, uint16_t kind, uint32_t bytes) {
  uint8_t* e = a.HeapTop;
  Store32(e + bytes - 4, 0);  // the padding of the last word
  Store32(e, cell);
  Store16(e + 4, static_cast<uint16_t>(bytes / 4));
  Store16(e + 6, kind);
  a.TableBase[cell] = CellRefOf(a, e);
  a.HeapTop = e + bytes;
  if (a.HeapTop > a.HeapLimit) ArrayerOverflow = 1;
  return e;
}

std::string HeapFullText(ArrayerId id) {
  return std::string("Error: Arrayer: Arrayer") + ArrayName(id) + ": The heap is full!";
}

void* Allocate(size_t bytes) {
  if (g_failAllocationIn > 0 && --g_failAllocationIn == 0) return nullptr;
  return std::calloc(1, bytes);
}

uint8_t* AllocPool(uint32_t records, size_t size, const char* name, void*& block) {
  const size_t bytes = records * size + 31;
  block = Allocate(bytes);
  if (!block) return nullptr;
  AddMemoryBlock(InfoScreenData, block, static_cast<int32_t>(bytes), name);
  const uintptr_t start = reinterpret_cast<uintptr_t>(block);
  return static_cast<uint8_t*>(block) + ((32 - start % 32) % 32);
}

void FreePool(void*& block) {
  if (!block) return;
  RemoveMemoryBlock(InfoScreenData, block);
  std::free(block);
  block = nullptr;
}

}  // namespace arrayer_internal

namespace arrayer_test {
void FailAllocation(int n) { g_failAllocationIn = n; }
}  // namespace arrayer_test

uint32_t& ArrayerCounterOf(uint32_t bank, uint32_t row, uint32_t column) {
  return InfoScreenData.CallCounters[bank & 3][row * kArrayerRowWidth + column];
}

void ArrayerCount(uint32_t row, uint32_t column, uint32_t amount, bool inBank) {
  AddToCounter(InfoScreenData, ArrayerCounterOf(0, row, column), amount);
  if (inBank) AddToCounter(InfoScreenData, ArrayerCounterOf(InfoScreenData.CounterBank, row, column), amount);
}

bool ArrayerInit() {
  if (AnythingAllocated()) ArrayerFree();  // a second start begins from nothing
  ArrayerOverflow = 0;
  NodeArrayCapacity = 100000;
  ConnectArrayCapacity = 100000;
  TraindataArrayCapacity = 10000;
  // Whatever gets allocated is released again on a fatal stop.
  sys_hooks::ArrayerFree = &ArrayerFree;
  bool ok = NodeArrayAlloc() && ConnectArrayAlloc() && TraindataArrayAlloc();
  for (int i = 0; i < 3 && ok; ++i) ok = AllocArray(kSpecs[i]);
  ok = ok && AllocArray(kSpecs[3]);
  // The arrays start empty; the Static array's first page lies at its limit, which is no overflow
  // of a fresh store.
  ArrayerOverflow = 0;
  return ok;
}

bool ArrayerReady() {
  for (const ArraySpec& s : kSpecs) {
    if (!s.array->TableBase || !s.array->HeapBase) return false;
  }
  return MemNodeArray && PFIDArray && MemConnectArray && MemTraindataArray;
}

void ArrayerReset() {
  if (!ArrayerReady()) SYS_BREAKPROGRAM("Error: Arrayer: ArrayerReset: The store is not allocated!");
  ClearInfoCounters(InfoScreenData);
  NodeArrayReset();
  ConnectArrayReset();
  TraindataArrayReset();
  for (const ArraySpec& s : kSpecs) EmptyArray(*s.array);
  ArrayerOverflow = 0;
  ArrayerCompactReset();
  // Nothing of an earlier world is under way any more.
  ArrayerBusy = 0;
  ArrayerStatus = 0;
  ArrayerOverwriteTarget = nullptr;
}

void ArrayerFree() {
  NodeArrayFree();
  ConnectArrayFree();
  TraindataArrayFree();
  for (const ArraySpec& s : kSpecs) {
    TArrayerArray& a = *s.array;
    if (a.TableBase) {
      RemoveMemoryBlock(InfoScreenData, a.TableBase);
      std::free(a.TableBase);
    }
    if (a.HeapBase) {
      RemoveMemoryBlock(InfoScreenData, a.HeapBase);
      std::free(a.HeapBase);
    }
    a = TArrayerArray{};
  }
  ArrayerOverwriteTarget = nullptr;
}

uint32_t FindInArrayerBW(uint32_t mask, uint32_t start) {
  return Search(ArrayerId::BW, "FindInArrayerBW", 0, kPlain, mask, start, nullptr, 0, 0, 0);
}
uint32_t FindInArrayerOA(uint32_t mask, uint32_t start) {
  return Search(ArrayerId::OA, "FindInArrayerOA", 1, kPlain, mask, start, nullptr, 0, 0, 0);
}
uint32_t FindInArrayerRest(uint32_t mask, uint32_t start) {
  return Search(ArrayerId::Rest, "FindInArrayerRest", 2, kPlain, mask, start, nullptr, 0, 0, 0);
}
uint32_t FindInArrayerBWMultipel(uint32_t mask, uint32_t start, uint32_t& foundType) {
  return Search(ArrayerId::BW, "FindInArrayerBWMultipel", 3, kMultipel, mask, start, &foundType, 0, 0, 0);
}
uint32_t FindInArrayerOAMultipel(uint32_t mask, uint32_t start, uint32_t& foundType) {
  return Search(ArrayerId::OA, "FindInArrayerOAMultipel", 4, kMultipel, mask, start, &foundType, 0, 0, 0);
}
uint32_t FindInArrayerRangeBWMultipel(uint32_t mask, uint32_t start, uint32_t& foundType, float x, float z,
                                      float range) {
  return Search(ArrayerId::BW, "FindInArrayerRangeBWMultipel", 5, kRange, mask, start, &foundType, x, z, range);
}
uint32_t FindInArrayerRangeOAMultipel(uint32_t mask, uint32_t start, uint32_t& foundType, float x, float z,
                                      float range) {
  return Search(ArrayerId::OA, "FindInArrayerRangeOAMultipel", 6, kRange, mask, start, &foundType, x, z, range);
}

uint32_t GetArrayerType(uint32_t index) {
  if (index >= kArrayerInvalidIndex) SYS_BREAKPROGRAM("Error: GetArrayerType: The Index is invalid!");
  if (index >= ArrayerOA.TableTop) SYS_BREAKPROGRAM("Index to high! Arrayer Error by GetArrayerType");
  if (index == 0) SYS_BREAKPROGRAM("\xDC" "bergebener Index war 0! Arrayer Error by GetArrayerType");
  BusyCheck();
  ArrayerBusy = 1;
  ArrayerStatus = 1;
  uint32_t result = 0;
  if (const uint8_t* e = EntryOfCell(ArrayerOA, index)) {
    result = kArrayerOAFlag | EntryKind(e);
    ArrayerStatus = 0;
  }
  ArrayerBusy = 0;
  if (ArrayerStatus == 1) SYS_BREAKPROGRAM("Error: Arrayer: GetArrayerType: Entry was empty!");
  return result;
}
