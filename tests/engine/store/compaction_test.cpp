// Entry deletion and the incremental compaction of the record store's heaps.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/base/statistics.h"
#include "engine/store/compaction.h"
#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"

using namespace arrayer_testing;

namespace {

using ArrayerCompaction = ArrayerTest;
using ArrayerDelete = ArrayerTest;

// Single compaction steps until the current pass of an array completes; the number of steps.
int CompletePass(ArrayerId id) {
  int steps = 1;
  while (!ArrayerCompactSingleStep(id)) ++steps;
  return steps;
}

TVehicle MakeVehicle(uint16_t type, uint8_t goods) {
  TVehicle v{};
  v.VehicleType = type;
  v.VehicleGoodsCounter = goods;
  for (int i = 0; i < goods; ++i) v.Goods[i] = type * 1000u + i;
  return v;
}

void ExpectConsistent(ArrayerId id) {
  std::string problem;
  EXPECT_TRUE(ArrayerCheckArray(id, problem)) << problem;
}

TEST_F(ArrayerCompaction, EmptyHeapCompletesAPassAtEveryStep) {
  InfoScreenData.RendererCounters[kCompactFreedRest] = 99;
  ArrayerCompactStepRest();
  EXPECT_EQ(ArrayerRest.HeapTop, ArrayerRest.HeapBase);
  EXPECT_EQ(ArrayerRest.ScanCursor, ArrayerRest.HeapBase);
  EXPECT_EQ(InfoScreenData.RendererCounters[kCompactFreedRest], 0u);
  EXPECT_EQ(InfoScreenData.RendererCounters[kCompactScanRest], 0u);
}

TEST_F(ArrayerCompaction, HeapOfLiveEntriesStaysAsItIs) {
  for (int i = 0; i < 5; ++i) {
    TVehicle v = MakeVehicle(static_cast<uint16_t>(i + 1), 10);
    v.A_Write();
  }
  CompletePass(ArrayerId::Rest);
  const uint8_t* top = ArrayerRest.HeapTop;
  EXPECT_EQ(CompletePass(ArrayerId::Rest), 6);  // one step per entry and the wrap
  EXPECT_EQ(ArrayerRest.HeapTop, top);
  EXPECT_EQ(InfoScreenData.RendererCounters[kCompactFreedRest], 0u);
  ExpectConsistent(ArrayerId::Rest);
}

TEST_F(ArrayerCompaction, DeletedEntryIsClosedAndSurvivorsKeepTheirIndices) {
  TVehicle a = MakeVehicle(1, 3), b = MakeVehicle(2, 3), c = MakeVehicle(3, 3);
  a.A_Write();
  b.A_Write();
  c.A_Write();
  const uint32_t size = RecordStoredBytes(kTVehicleDesc, &a);
  ASSERT_EQ(size, 84u);
  CompletePass(ArrayerId::Rest);
  const uint8_t* bAt = arrayer_internal::EntryOfCell(ArrayerRest, b.Index);
  const uint8_t* top = ArrayerRest.HeapTop;
  ArrayerEntryDestroyRest(a.Index);
  EXPECT_EQ(CompletePass(ArrayerId::Rest), 4);
  EXPECT_EQ(ArrayerRest.HeapTop, top - size);
  EXPECT_EQ(arrayer_internal::EntryOfCell(ArrayerRest, b.Index), bAt - size);
  TVehicle r{};
  r.A_Read(b.Index);
  EXPECT_EQ(r.VehicleType, 2);
  EXPECT_EQ(r.Goods[2], 2002u);
  r.A_Read(c.Index);
  EXPECT_EQ(r.VehicleType, 3);
  EXPECT_EQ(r.Goods[2], 3002u);
  ExpectConsistent(ArrayerId::Rest);
}

TEST_F(ArrayerCompaction, FreedSpaceIsReportedInKiBWhenThePassCompletes) {
  TPath p{};
  p.PathNodeCounter = 1000;
  for (int i = 0; i < 3; ++i) p.A_Write();  // 4,016 bytes each
  CompletePass(ArrayerId::Rest);
  ArrayerEntryDestroyRest(1);
  ArrayerEntryDestroyRest(2);
  CompletePass(ArrayerId::Rest);
  EXPECT_EQ(InfoScreenData.RendererCounters[kCompactFreedRest], 2u * 4016 / 1024);
  EXPECT_EQ(ArrayerRest.HeapTop - ArrayerRest.HeapBase, 4016);
}

TEST_F(ArrayerCompaction, RewriteOfAPassedRecordIsReclaimedOnlyByTheNextPass) {
  TVehicle v[4];
  for (int i = 0; i < 4; ++i) {
    v[i] = MakeVehicle(static_cast<uint16_t>(i + 1), 20);
    v[i].A_Write();  // each write runs two steps, so the pass wraps as the heap grows
  }
  CompletePass(ArrayerId::Rest);
  const uint32_t size = RecordStoredBytes(kTVehicleDesc, &v[0]);
  const uint8_t* top = ArrayerRest.HeapTop;
  // A fresh pass moves the first two entries (in place); then the first one is rewritten.
  ArrayerCompactSingleStep(ArrayerId::Rest);
  ArrayerCompactSingleStep(ArrayerId::Rest);
  ASSERT_EQ(ArrayerRest.WriteCursor - ArrayerRest.HeapBase, 2 * size);
  v[0].Goods[0] = 777;
  v[0].A_ReWrite();  // its own two steps move the third and fourth entries
  EXPECT_EQ(ArrayerRest.HeapTop, top + size);
  EXPECT_EQ(CompletePass(ArrayerId::Rest), 2);
  // The old copy lay below the write cursor: it stays as a hole for now.
  EXPECT_EQ(ArrayerRest.HeapTop, top + size);
  ExpectConsistent(ArrayerId::Rest);
  EXPECT_EQ(CompletePass(ArrayerId::Rest), 6);
  EXPECT_EQ(InfoScreenData.RendererCounters[kCompactFreedRest], 0u);  // less than a KiB
  EXPECT_EQ(ArrayerRest.HeapTop, top);
  TVehicle r{};
  r.A_Read(v[0].Index);
  EXPECT_EQ(r.Goods[0], 777u);
  EXPECT_EQ(r.Goods[19], 1019u);
  ExpectConsistent(ArrayerId::Rest);
}

TEST_F(ArrayerCompaction, CollectCompactsBWOAAndRestOncePerCall) {
  for (int i = 0; i < 10; ++i) {
    TWay w{};
    w.A_Write();
    TTree t{};
    t.A_Write();
    TBlock b{};
    b.A_Write();
  }
  for (uint32_t i = 1; i <= 10; i += 2) {
    ArrayerEntryDestroyBW(i);
    ArrayerEntryDestroyOA(i);
    ArrayerEntryDestroyRest(i);
  }
  const auto used = [](const TArrayerArray& a) { return a.HeapTop - a.HeapBase; };
  // Two steps per array and call: a pass over at most 21 entries ends within 11 calls.
  for (int i = 0; i < 11 + 11; ++i) ArrayerCollect();
  EXPECT_EQ(used(ArrayerBW), 5 * 132);
  EXPECT_EQ(used(ArrayerOA), 5 * 40);
  EXPECT_EQ(used(ArrayerRest), 5 * 28);
  for (ArrayerId id : {ArrayerId::BW, ArrayerId::OA, ArrayerId::Rest}) ExpectConsistent(id);
  EXPECT_EQ(FindInArrayerRest(kARTypeBlock, 0), 2u);
}

TEST_F(ArrayerDelete, IndexBecomesFreeAndIsCountedInItsKindsRow) {
  auto s = std::make_unique<TStation>();
  s->A_Write();
  TDepot d{};
  d.A_Write();
  InfoScreenBeginTick(InfoScreenData);
  ArrayerEntryDestroyOA(s->Index);
  InfoScreenEndTick(InfoScreenData);
  EXPECT_EQ(ArrayerOA.TableBase[s->Index], 0u);
  EXPECT_EQ(ArrayerCounterOf(0, 6, kCountLive), 0u);
  EXPECT_EQ(ArrayerCounterOf(0, 6, kCountDeleted), 1u);
  EXPECT_EQ(ArrayerCounterOf(2, 6, kCountDeleted), 1u);
  EXPECT_EQ(ArrayerCounterOf(3, 6, kCountDeleted), 0u);
  EXPECT_EQ(ArrayerCounterOf(2, 6, kCountLive), 0u);
  EXPECT_EQ(ArrayerCounterOf(0, 3, kCountLive), 1u);  // the depot is still there
  EXPECT_EQ(FatalOf([&] { s->A_Read(1); }), Fatal("Entry was empty! Arrayer Error by TStation.A_Read"));
}

TEST_F(ArrayerDelete, BadIndicesAreFatal) {
  TTree t{};
  t.A_Write();
  ArrayerEntryDestroyOA(t.Index);
  const std::string empty = Fatal("ERROR: ArrayerLow: ArrayerLowDelete: The Used Entry was Empty!");
  EXPECT_EQ(FatalOf([&] { ArrayerEntryDestroyOA(t.Index); }), empty);
  EXPECT_EQ(FatalOf([] { ArrayerEntryDestroyBW(0); }), empty);
  EXPECT_EQ(FatalOf([] { ArrayerEntryDestroyRest(ArrayerRest.TableTop); }),
            Fatal("Error: ArrayerLow: ArrayerEntryDestroy: The Index is to high!"));
  EXPECT_EQ(FatalOf([] { ArrayerEntryDestroyBW(1u << 30); }),
            Fatal("Error: ArrayerLow: ArrayerEntryDestroy: The Index is invalid!"));
  EXPECT_EQ(ArrayerBusy, 0);
}

TEST_F(ArrayerDelete, KindUnknownToTheArrayWarnsAndIsCountedInRowOne) {
  // OA has no record type of kind bit 0x20.
  RecordDesc odd = kTTreeDesc;
  odd.Kind = 0x20;
  uint8_t rec[36] = {};
  RecordWrite(odd, rec);
  ArrayerEntryDestroyOA(1);
  ASSERT_FALSE(DebuggerLines().empty());
  EXPECT_EQ(DebuggerLines().back(), "Warning: Error: AL_EntryDestroy: Unsorportet ARType destroyed");
  EXPECT_EQ(ArrayerCounterOf(0, 1, kCountDeleted), 1u);
  EXPECT_EQ(ArrayerOA.TableBase[1], 0u);
}

}  // namespace
