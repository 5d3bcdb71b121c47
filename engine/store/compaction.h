// The low level of the Arrayer store: deleting an entry by index, and the incremental compaction
// that closes the holes which deletions and rewrites leave in a heap. Each compaction call moves at
// most one entry per step, two steps per call; the Static array is never compacted.
#pragma once

#include <cstdint>
#include <string>

#include "engine/store/recordstore.h"

// Compaction statistics in InfoScreenData.RendererCounters: per array the scan position and the
// space freed by the last completed pass, both in KiB.
enum ArrayerCompactCounter : uint32_t {
  kCompactScanBW = 0,
  kCompactFreedBW = 1,
  kCompactScanOA = 2,
  kCompactFreedOA = 3,
  kCompactScanRest = 4,
  kCompactFreedRest = 5,
};

// Two compaction steps on that array's heap.
void ArrayerCompactStepBW();
void ArrayerCompactStepOA();
void ArrayerCompactStepRest();
void ArrayerCompactStepStatic();  // does nothing
void ArrayerCompactStep(ArrayerId id);
// One compaction step, half of the above; true when it completed a pass.
bool ArrayerCompactSingleStep(ArrayerId id);
// The steps of BW, OA, Rest and Static in that order; once per simulation tick.
void ArrayerCollect();
// Both compaction cursors of BW, OA and Rest back to the heap's start.
void ArrayerCompactReset();

// Delete the entry at index in that array, whatever its kind.
void ArrayerEntryDestroyBW(uint32_t index);
void ArrayerEntryDestroyOA(uint32_t index);
void ArrayerEntryDestroyRest(uint32_t index);

// The statistics row of a record kind of an array; 0 for a kind the array does not know.
uint32_t ArrayerKindRow(ArrayerId id, uint16_t kind);

// Walks the heap and the slot table of an array and checks the store's invariants: the cursors in
// order, whole entries up to the heap top, every live entry referred to by its own cell and every
// used cell referring to a live entry of its own. False with a description of the first fault.
bool ArrayerCheckArray(ArrayerId id, std::string& problem);
