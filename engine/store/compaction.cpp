#include "engine/store/compaction.h"

#include "engine/base/diagnostics.h"
#include "engine/base/statistics.h"

using namespace arrayer_internal;

namespace {

// One compaction step; true when it completed a pass, with the space it freed in KiB.
bool CompactOne(TArrayerArray& a, uint32_t& freedKiB) {
  if (a.ScanCursor == a.HeapTop) {
    freedKiB = static_cast<uint32_t>((a.HeapTop - a.WriteCursor) / 1024);
    a.HeapTop = a.WriteCursor;
    a.ScanCursor = a.WriteCursor = a.HeapBase;
    return true;
  }
  uint8_t* e = a.ScanCursor;
  const uint32_t bytes = EntryBytes(e);
  const uint32_t ref = EntrySlotRef(e);
  if (ref != 0) {
    a.TableBase[ref] = CellRefOf(a, a.WriteCursor);
    // The target never lies above the source; an entry already in place is not copied.
    if (a.WriteCursor != e) std::memmove(a.WriteCursor, e, bytes);
    a.WriteCursor += bytes;
  }
  a.ScanCursor += bytes;
  return false;
}

void Report(uint32_t counter, uint32_t value) { InfoScreenData.RendererCounters[counter] = value; }

void EntryDestroy(ArrayerId id, uint32_t index) {
  TArrayerArray& a = ArrayOf(id);
  if (index >= kArrayerInvalidIndex) SYS_BREAKPROGRAM("Error: ArrayerLow: ArrayerEntryDestroy: The Index is invalid!");
  if (index >= a.TableTop) SYS_BREAKPROGRAM("Error: ArrayerLow: ArrayerEntryDestroy: The Index is to high!");
  BusyCheck();
  ArrayerBusy = 1;
  ArrayerStatus = 1;
  uint16_t kind = 0;
  if (uint8_t* e = EntryOfCell(a, index)) {
    a.TableBase[index] = 0;
    Store32(e, 0);
    kind = EntryKind(e);
    ArrayerStatus = 0;
  }
  ArrayerBusy = 0;
  if (ArrayerStatus == 1) SYS_BREAKPROGRAM("ERROR: ArrayerLow: ArrayerLowDelete: The Used Entry was Empty!");
  uint32_t row = ArrayerKindRow(id, kind);
  if (row == 0) {
    SYS_Warning("Error: AL_EntryDestroy: Unsorportet ARType destroyed");
    row = 1;
  }
  ArrayerCount(row, kCountLive, 0xFFFFFFFFu, false);
  ArrayerCount(row, kCountDeleted);
}

}  // namespace

namespace {

bool CountersOf(ArrayerId id, uint32_t& scanCounter, uint32_t& freedCounter) {
  switch (id) {
    case ArrayerId::BW: scanCounter = kCompactScanBW; freedCounter = kCompactFreedBW; return true;
    case ArrayerId::OA: scanCounter = kCompactScanOA; freedCounter = kCompactFreedOA; return true;
    case ArrayerId::Rest: scanCounter = kCompactScanRest; freedCounter = kCompactFreedRest; return true;
    case ArrayerId::Static: break;
  }
  return false;  // the Static array is never compacted
}

// One guarded step; reports the freed space when it completed a pass.
bool GuardedStep(TArrayerArray& a, uint32_t freedCounter) {
  uint32_t freed = 0;
  BusyCheck();
  ArrayerBusy = 1;
  const bool done = CompactOne(a, freed);
  ArrayerBusy = 0;
  if (done) Report(freedCounter, freed);
  return done;
}

}  // namespace

void ArrayerCompactStep(ArrayerId id) {
  uint32_t scanCounter, freedCounter;
  if (!CountersOf(id, scanCounter, freedCounter)) return;
  TArrayerArray& a = ArrayOf(id);
  GuardedStep(a, freedCounter);
  GuardedStep(a, freedCounter);
  Report(scanCounter, static_cast<uint32_t>((a.ScanCursor - a.HeapBase) / 1024));
}

bool ArrayerCompactSingleStep(ArrayerId id) {
  uint32_t scanCounter, freedCounter;
  if (!CountersOf(id, scanCounter, freedCounter)) return false;
  TArrayerArray& a = ArrayOf(id);
  const bool done = GuardedStep(a, freedCounter);
  Report(scanCounter, static_cast<uint32_t>((a.ScanCursor - a.HeapBase) / 1024));
  return done;
}

void ArrayerCompactStepBW() { ArrayerCompactStep(ArrayerId::BW); }
void ArrayerCompactStepOA() { ArrayerCompactStep(ArrayerId::OA); }
void ArrayerCompactStepRest() { ArrayerCompactStep(ArrayerId::Rest); }
void ArrayerCompactStepStatic() {}

void ArrayerCollect() {
  ArrayerCompactStepBW();
  ArrayerCompactStepOA();
  ArrayerCompactStepRest();
  ArrayerCompactStepStatic();
}

void ArrayerCompactReset() {
  for (TArrayerArray* a : {&ArrayerBW, &ArrayerOA, &ArrayerRest}) a->ScanCursor = a->WriteCursor = a->HeapBase;
}

void ArrayerEntryDestroyBW(uint32_t index) { EntryDestroy(ArrayerId::BW, index); }
void ArrayerEntryDestroyOA(uint32_t index) { EntryDestroy(ArrayerId::OA, index); }
void ArrayerEntryDestroyRest(uint32_t index) { EntryDestroy(ArrayerId::Rest, index); }

uint32_t ArrayerKindRow(ArrayerId id, uint16_t kind) {
  switch (id) {
    case ArrayerId::BW:
      switch (kind) {
        case 0x1: return 1;
        case 0x2: return 2;
      }
      return 0;
    case ArrayerId::OA:
      switch (kind) {
        case 0x1: return 3;
        case 0x2: return 4;
        case 0x4: return 5;
        case 0x8: return 6;
        case 0x10: return 7;
        case 0x40: return 9;
        case 0x80: return 16;
        case 0x100: return 15;
      }
      return 0;
    case ArrayerId::Rest:
      switch (kind) {
        case 0x1: return 10;
        case 0x2: return 11;
        case 0x4: return 12;
        case 0x8: return 13;
        case 0x10: return 14;
        case 0x80: return 17;
        case 0x100: return 18;
        case 0x200: return 19;
        case 0x400: return 20;
        case 0x800: return 22;
      }
      return 0;
    case ArrayerId::Static: return 0;
  }
  return 0;
}

bool ArrayerCheckArray(ArrayerId id, std::string& problem) {
  const TArrayerArray& a = ArrayOf(id);
  const std::string name = std::string("Arrayer") + ArrayName(id) + ": ";
  if (!a.TableBase || !a.HeapBase) {
    problem = name + "not allocated";
    return false;
  }
  const bool compacted = id != ArrayerId::Static;
  if (compacted && !(a.HeapBase <= a.WriteCursor && a.WriteCursor <= a.ScanCursor && a.ScanCursor <= a.HeapTop)) {
    problem = name + "compaction cursors out of order";
    return false;
  }
  if (a.HeapTop > a.HeapEnd || a.TableTop > a.TableRoom || a.LastSlot >= a.TableTop) {
    problem = name + "top beyond its room";
    return false;
  }
  // Whole entries follow one another below WriteCursor (moved ones, and holes of entries killed
  // after the pass moved them) and from ScanCursor to HeapTop. The gap between WriteCursor and
  // ScanCursor holds old bytes only.
  uint32_t live = 0;
  auto walk = [&](const uint8_t* from, const uint8_t* to) {
    for (const uint8_t* e = from; e < to;) {
      const uint32_t bytes = EntryBytes(e);
      if (bytes < kArrayerEntryHeader || e + bytes > to) {
        problem = name + "broken entry at heap offset " + std::to_string(e - a.HeapBase);
        return false;
      }
      const uint32_t ref = EntrySlotRef(e);
      if (ref != 0) {
        if (ref >= a.TableTop || a.TableBase[ref] != CellRefOf(a, e)) {
          problem = name + "entry of index " + std::to_string(ref) + " not referred to by its cell";
          return false;
        }
        ++live;
      }
      e += bytes;
    }
    return true;
  };
  if (compacted) {
    if (!walk(a.HeapBase, a.WriteCursor) || !walk(a.ScanCursor, a.HeapTop)) return false;
  } else if (!walk(a.HeapBase, a.HeapTop)) {
    return false;
  }
  uint32_t used = 0;
  for (uint32_t cell = 1; cell < a.TableTop; ++cell) {
    if (a.TableBase[cell] != 0) ++used;
  }
  if (a.TableBase[0] != 0 || used != live) {
    problem = name + std::to_string(used) + " used cells but " + std::to_string(live) + " live entries";
    return false;
  }
  return true;
}
