// The record store's arrays: index hand-out, page growth, the searches and their rules, the type
// query, the busy guard, the limits of tables and heaps, and the store's life cycle.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/statistics.h"
#include "engine/store/compaction.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"

using namespace arrayer_testing;

namespace {

uint32_t WriteTree() {
  TTree t{};
  t.A_Write();
  return t.Index;
}

uint32_t WriteStation(float x, float z) {
  auto s = std::make_unique<TStation>();
  s->Position = {x, 0.0f, z};
  s->A_Write();
  return s->Index;
}

uint32_t WriteDepot(uint8_t trains) {
  TDepot d{};
  d.TrainInsideCounter = trains;
  d.A_Write();
  return d.Index;
}

uint32_t WriteBuilding(float x, float z) {
  TBuilding b{};
  b.Position = {x, 0.0f, z};
  b.A_Write();
  return b.Index;
}

uint32_t WriteWay(float x, float z) {
  TWay w{};
  w.Position = {x, 0.0f, z};
  w.A_Write();
  return w.Index;
}

using ArrayerIndices = ArrayerTest;
using ArrayerSearch = ArrayerTest;
using ArrayerLimits = ArrayerTest;
using ArrayerLifeCycle = ArrayerTest;

TEST_F(ArrayerIndices, FreedIndexIsNotReusedBeforeTheSearchWraps) {
  EXPECT_EQ(WriteTree(), 1u);
  EXPECT_EQ(WriteTree(), 2u);
  ArrayerEntryDestroyOA(1);
  EXPECT_EQ(WriteTree(), 3u);
  EXPECT_EQ(ArrayerOA.LastSlot, 3u);
}

TEST_F(ArrayerIndices, EntryBeyondTheFirstPageAddsOnePage) {
  EXPECT_EQ(ArrayerOA.TableTop, 1025u);
  for (uint32_t i = 1; i <= 1024; ++i) ASSERT_EQ(WriteTree(), i);
  EXPECT_EQ(ArrayerOA.TableTop, 1025u);
  EXPECT_EQ(WriteTree(), 1025u);
  EXPECT_EQ(ArrayerOA.TableTop, 2049u);
  // The other arrays keep their single page.
  EXPECT_EQ(ArrayerBW.TableTop, 1025u);
  EXPECT_EQ(ArrayerRest.TableTop, 1025u);
}

TEST_F(ArrayerIndices, FullPageReusesTheLowestFreedIndexThenSearchesAboveIt) {
  for (uint32_t i = 1; i <= 1024; ++i) ASSERT_EQ(WriteTree(), i);
  ArrayerEntryDestroyOA(5);
  EXPECT_EQ(WriteTree(), 5u);
  EXPECT_EQ(WriteTree(), 1025u);

  ArrayerReset();
  for (uint32_t i = 1; i <= 1024; ++i) ASSERT_EQ(WriteTree(), i);
  ArrayerEntryDestroyOA(9);
  ArrayerEntryDestroyOA(5);
  ArrayerEntryDestroyOA(700);
  EXPECT_EQ(WriteTree(), 5u);    // the wrap starts at 1
  EXPECT_EQ(WriteTree(), 9u);    // then the search goes on above the reused index
  EXPECT_EQ(WriteTree(), 700u);
  EXPECT_EQ(WriteTree(), 1025u);  // nothing free below the top: a new page
}

TEST_F(ArrayerSearch, WalksMatchingKindsFromStart) {
  const uint32_t depot = WriteDepot(0);
  const uint32_t s1 = WriteStation(0, 0);
  const uint32_t tree = WriteTree();
  const uint32_t s2 = WriteStation(5, 5);
  ASSERT_EQ(depot, 1u);
  ASSERT_EQ(s2, 4u);

  EXPECT_EQ(FindInArrayerOA(kARTypeStation, 0), s1);
  EXPECT_EQ(FindInArrayerOA(kARTypeStation, s1), s2);
  EXPECT_EQ(FindInArrayerOA(kARTypeStation, s2), 0u);  // Start at the highest index in use
  EXPECT_EQ(FindInArrayerOA(kArrayerOAFlag | kKindStation | kKindTree, s1), tree);
  EXPECT_EQ(FindInArrayerOA(kArrayerOAFlag | kKindDepot | kKindStation, 0), depot);
  EXPECT_EQ(FindInArrayerOA(kArrayerOAFlag, 0), 0u);  // no kind bit: nothing matches
  EXPECT_EQ(FindInArrayerOA(kARTypeStation, ArrayerOA.TableTop - 1), 0u);

  // A walk may delete the entry it stands on.
  std::set<uint32_t> seen;
  for (uint32_t i = FindInArrayerOA(0x2FFFF, 0); i != 0; i = FindInArrayerOA(0x2FFFF, i)) {
    seen.insert(i);
    ArrayerEntryDestroyOA(i);
  }
  EXPECT_EQ(seen, (std::set<uint32_t>{depot, s1, tree, s2}));
  EXPECT_EQ(FindInArrayerOA(0x2FFFF, 0), 0u);
}

TEST_F(ArrayerSearch, MultipelFormsReportTheFoundTypeAndLeaveItOnAMiss) {
  WriteBuilding(0, 0);
  const uint32_t way = WriteWay(0, 0);
  uint32_t found = 77;
  EXPECT_EQ(FindInArrayerBWMultipel(kARTypeWay, 0, found), way);
  EXPECT_EQ(found, kARTypeWay);
  EXPECT_EQ(FindInArrayerBWMultipel(kArrayerBWFlag | kKindBuilding | kKindWay, 0, found), 1u);
  EXPECT_EQ(found, kARTypeBuilding);
  found = 77;
  EXPECT_EQ(FindInArrayerBWMultipel(kARTypeWay, way, found), 0u);
  EXPECT_EQ(found, 77u);

  const uint32_t depot = WriteDepot(2);
  EXPECT_EQ(FindInArrayerOAMultipel(kArrayerOAFlag | 0xFFFF, 0, found), depot);
  EXPECT_EQ(found, kARTypeDepot);
}

TEST_F(ArrayerSearch, RangeFormsTestBothAxesInclusively) {
  const uint32_t centre = WriteBuilding(100.0f, 200.0f);
  const uint32_t xEdge = WriteWay(110.0f, 200.0f);      // exactly Range away on x
  const uint32_t zEdge = WriteBuilding(100.0f, 190.0f);  // exactly Range away on z
  const uint32_t outside = WriteWay(110.5f, 200.0f);
  const uint32_t corner = WriteBuilding(90.0f, 210.0f);
  (void)outside;
  uint32_t found = 0;
  const uint32_t mask = kArrayerBWFlag | kKindBuilding | kKindWay;

  std::set<uint32_t> hits;
  for (uint32_t i = FindInArrayerRangeBWMultipel(mask, 0, found, 100.0f, 200.0f, 10.0f); i != 0;
       i = FindInArrayerRangeBWMultipel(mask, i, found, 100.0f, 200.0f, 10.0f))
    hits.insert(i);
  EXPECT_EQ(hits, (std::set<uint32_t>{centre, xEdge, zEdge, corner}));

  EXPECT_EQ(FindInArrayerRangeBWMultipel(mask, 0, found, 100.0f, 200.0f, 0.0f), centre);
  EXPECT_EQ(FindInArrayerRangeBWMultipel(mask, centre, found, 100.0f, 200.0f, 0.0f), 0u);
  EXPECT_EQ(FindInArrayerRangeBWMultipel(kARTypeWay, 0, found, 100.0f, 200.0f, 10.0f), xEdge);
  EXPECT_EQ(found, kARTypeWay);
}

TEST_F(ArrayerSearch, RangeFormsSkipEntriesTooSmallToHoldAPosition) {
  // A depot without trains is stored in 20 bytes: it has no fourth and sixth word to compare.
  const uint32_t depot = WriteDepot(0);
  ASSERT_EQ(ArrayerOA.HeapTop - ArrayerOA.HeapBase, 20);
  const uint32_t tree = WriteTree();  // 40 bytes: its (zero) words are read as the position
  uint32_t found = 0;
  const uint32_t mask = kArrayerOAFlag | kKindDepot | kKindTree;
  EXPECT_EQ(FindInArrayerRangeOAMultipel(mask, 0, found, 0.0f, 0.0f, 1e30f), tree);
  EXPECT_EQ(FindInArrayerOA(mask, 0), depot);  // the plain search still finds it
  const uint32_t station = WriteStation(3.0f, 4.0f);
  EXPECT_EQ(FindInArrayerRangeOAMultipel(kARTypeStation, 0, found, 3.0f, 4.0f, 0.0f), station);
  EXPECT_EQ(found, kARTypeStation);
}

TEST_F(ArrayerSearch, MaskOfAnotherArrayAndStartAtTheTopAreFatal) {
  uint32_t found = 0;
  struct Case {
    const char* routine;
    std::function<uint32_t(uint32_t mask, uint32_t start)> search;
    uint32_t goodMask;
    uint32_t wrongMask;
    const char* startText;
    const TArrayerArray* array;
  };
  const Case cases[] = {
      {"FindInArrayerBW", [](uint32_t m, uint32_t s) { return FindInArrayerBW(m, s); }, 0x10003, 0x20003,
       "Error: Arrayer: FindInArrayer: The StartPoint was to high", &ArrayerBW},
      {"FindInArrayerOA", [](uint32_t m, uint32_t s) { return FindInArrayerOA(m, s); }, 0x20008, 0x10008,
       "Error: Arrayer: FindInArrayer: The StartPoint was to high", &ArrayerOA},
      {"FindInArrayerRest", [](uint32_t m, uint32_t s) { return FindInArrayerRest(m, s); }, 0x40400, 0x60400,
       "Error: Arrayer: FindInArrayer: The StartPoint was to high", &ArrayerRest},
      {"FindInArrayerBWMultipel", [&](uint32_t m, uint32_t s) { return FindInArrayerBWMultipel(m, s, found); },
       0x10001, 0x50001, "Error: Arrayer: FindInArrayerMultiple: The StartPoint was to high", &ArrayerBW},
      {"FindInArrayerOAMultipel", [&](uint32_t m, uint32_t s) { return FindInArrayerOAMultipel(m, s, found); },
       0x20001, 0x30001, "Error: Arrayer: FindInArrayerMultiple: The StartPoint was to high", &ArrayerOA},
      {"FindInArrayerRangeBWMultipel",
       [&](uint32_t m, uint32_t s) { return FindInArrayerRangeBWMultipel(m, s, found, 0, 0, 1); }, 0x10002, 0x80002,
       "Error: Arrayer: FindInArrayerRangeMultiple: The StartPoint was to high", &ArrayerBW},
      {"FindInArrayerRangeOAMultipel",
       [&](uint32_t m, uint32_t s) { return FindInArrayerRangeOAMultipel(m, s, found, 0, 0, 1); }, 0x20008, 0x40008,
       "Error: Arrayer: FindInArrayerRangeMultiple: The StartPoint was to high", &ArrayerOA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.routine);
    const std::string wrong = Fatal(std::string("Error: Arrayer: ") + c.routine + ": Tryed to search in the wrong Array!");
    EXPECT_EQ(FatalOf([&] { c.search(c.wrongMask, 0); }), wrong);
    EXPECT_EQ(FatalOf([&] { c.search(c.wrongMask & 0xFFFF, 0); }), wrong);  // no array flag at all
    EXPECT_EQ(FatalOf([&] { c.search(c.goodMask, c.array->TableTop); }), Fatal(c.startText));
    EXPECT_EQ(FatalOf([&] { c.search(c.goodMask, 0xFFFFFFFFu); }), Fatal(c.startText));
    EXPECT_EQ(c.search(c.goodMask, c.array->TableTop - 1), 0u);
    EXPECT_EQ(ArrayerBusy, 0);
  }
  // Each search counts its calls in the totals and in the current bank.
  EXPECT_EQ(ArrayerCounterOf(0, kArrayerSearchRow, 1), 3u);
  EXPECT_EQ(ArrayerCounterOf(3, kArrayerSearchRow, 1), 3u);
  EXPECT_EQ(ArrayerCounterOf(2, kArrayerSearchRow, 1), 0u);
}

TEST_F(ArrayerSearch, GetArrayerTypeAnswersForOAEntriesOnly) {
  const uint32_t depot = WriteDepot(1);
  const uint32_t station = WriteStation(0, 0);
  EXPECT_EQ(GetArrayerType(depot), kARTypeDepot);
  EXPECT_EQ(GetArrayerType(station), kARTypeStation);
  EXPECT_EQ(FatalOf([] { GetArrayerType(3); }), Fatal("Error: Arrayer: GetArrayerType: Entry was empty!"));
  EXPECT_EQ(FatalOf([] { GetArrayerType(0); }), Fatal("\xDC" "bergebener Index war 0! Arrayer Error by GetArrayerType"));
  EXPECT_EQ(FatalOf([] { GetArrayerType(ArrayerOA.TableTop); }), Fatal("Index to high! Arrayer Error by GetArrayerType"));
  EXPECT_EQ(FatalOf([] { GetArrayerType(1u << 30); }), Fatal("Error: GetArrayerType: The Index is invalid!"));
  EXPECT_EQ(ArrayerBusy, 0);
}

TEST_F(ArrayerSearch, OperationStartedWhileAnotherIsUnderWayIsFatal) {
  WriteTree();
  const std::string text = Fatal("FATAL ERROR: Arrayer: A function is not terminatet correctly!");
  ArrayerBusy = 1;
  TTree t{};
  EXPECT_EQ(FatalOf([&] { t.A_Read(1); }), text);
  EXPECT_EQ(FatalOf([&] { t.A_Write(); }), text);
  EXPECT_EQ(FatalOf([] { FindInArrayerOA(kARTypeTree, 0); }), text);
  EXPECT_EQ(FatalOf([] { ArrayerEntryDestroyOA(1); }), text);
  EXPECT_EQ(FatalOf([] { ArrayerCollect(); }), text);
  EXPECT_EQ(FatalOf([] { GetArrayerType(1); }), text);
  ArrayerBusy = 0;
  t.A_Read(1);  // the store is untouched
  EXPECT_EQ(t.Index, 1u);
}

TEST_F(ArrayerLimits, TableGrowsIntoItsReserveThenStopsBeforeItsRoom) {
  // 255 pages raise the overflow flag (one page before the limit); the 256th page is the reserve;
  // a 257th would lie beyond the table's room.
  uint32_t n = 0;
  while (n < 254 * 1024) {
    ASSERT_EQ(WriteTree(), ++n);
  }
  EXPECT_EQ(ArrayerOverflow, 0);
  ASSERT_EQ(WriteTree(), ++n);  // adds page 255
  EXPECT_EQ(ArrayerOverflow, 1);
  while (n < 256 * 1024) ASSERT_EQ(WriteTree(), ++n);
  EXPECT_EQ(ArrayerOA.TableTop, 256u * 1024 + 1);
  const uint8_t* top = ArrayerOA.HeapTop;
  EXPECT_EQ(FatalOf([] { WriteTree(); }), Fatal("Error: Arrayer: ArrayerOA: The slot table is full!"));
  EXPECT_EQ(ArrayerOA.TableTop, 256u * 1024 + 1);
  EXPECT_EQ(ArrayerOA.HeapTop, top);
  EXPECT_EQ(ArrayerBusy, 0);
  // Freed cells are still handed out.
  ArrayerEntryDestroyOA(77);
  EXPECT_EQ(WriteTree(), 77u);
  std::string problem;
  EXPECT_TRUE(ArrayerCheckArray(ArrayerId::OA, problem)) << problem;
}

TEST_F(ArrayerLimits, HeapGrowsIntoItsReserveThenStopsBeforeItsRoom) {
  auto s = std::make_unique<TStation>();
  s->StationInGoodsCounter = 5000;
  s->StationOutGoodsCounter = 5000;
  const uint32_t bytes = RecordStoredBytes(kTStationDesc, s.get());
  ASSERT_EQ(bytes, 64u + 40000u);
  uint32_t written = 0;
  bool overflowSeen = false;
  while (ArrayerOA.HeapEnd - ArrayerOA.HeapTop >= static_cast<ptrdiff_t>(bytes)) {
    s->A_Write();
    ++written;
    overflowSeen = overflowSeen || ArrayerOverflow;
    EXPECT_EQ(ArrayerOverflow != 0, ArrayerOA.HeapTop > ArrayerOA.HeapLimit);
  }
  EXPECT_TRUE(overflowSeen);
  EXPECT_EQ(written, (11 * kMiB) / bytes);
  const uint8_t* top = ArrayerOA.HeapTop;
  const uint32_t tableTop = ArrayerOA.TableTop;
  EXPECT_EQ(FatalOf([&] { s->A_Write(); }), Fatal("Error: Arrayer: ArrayerOA: The heap is full!"));
  // A rewrite that does not fit leaves the old copy alive.
  s->A_Read(1);
  EXPECT_EQ(FatalOf([&] { s->A_ReWrite(); }), Fatal("Error: Arrayer: ArrayerOA: The heap is full!"));
  EXPECT_EQ(ArrayerOA.HeapTop, top);
  EXPECT_EQ(ArrayerOA.TableTop, tableTop);
  s->A_Read(1);
  EXPECT_EQ(s->StationOutGoodsCounter, 5000);
  // An overwrite needs no room.
  s->GoodsOut[4999] = 42;
  s->A_Overwrite();
  std::string problem;
  EXPECT_TRUE(ArrayerCheckArray(ArrayerId::OA, problem)) << problem;
}

TEST_F(ArrayerLifeCycle, ResetEmptiesEveryArrayAndClearsTheFlags) {
  WriteTree();
  WriteWay(0, 0);
  ArrayerOverflow = 1;
  ArrayerCounterOf(2, 3, 3) = 9;
  ArrayerReset();
  for (ArrayerId id : {ArrayerId::BW, ArrayerId::OA, ArrayerId::Rest, ArrayerId::Static}) {
    const TArrayerArray& a = arrayer_internal::ArrayOf(id);
    EXPECT_EQ(a.TableTop, 1025u);
    EXPECT_EQ(a.LastSlot, 0u);
    EXPECT_EQ(a.HeapTop, a.HeapBase);
    for (uint32_t c = 0; c < a.TableTop; ++c) ASSERT_EQ(a.TableBase[c], 0u);
  }
  EXPECT_EQ(ArrayerOverflow, 0);
  EXPECT_EQ(ArrayerCounterOf(2, 3, 3), 0u);
  EXPECT_EQ(FindInArrayerOA(0x2FFFF, 0), 0u);
  EXPECT_EQ(WriteTree(), 1u);
}

int CountBlocksNamed(const std::set<std::string>& names) {
  int n = 0;
  for (int i = 1; i <= kInfoBlockSlots; ++i) {
    if (InfoScreenData.BlockPointers[i] && names.count(InfoScreenData.BlockNames[i].str())) ++n;
  }
  return n;
}

const std::set<std::string> kBlockNames = {"ArrayerBW1",   "ArrayerBW2",     "ArrayerOA1",      "ArrayerOA2",
                                           "ArrayerRest1", "ArrayerRest2",   "ArrayerStatic1",  "ArrayerStatic2",
                                           "MemNodeArray", "PFID-Array",     "MemConnectArray", "MemTraindataArray"};

TEST_F(ArrayerLifeCycle, InitRegistersEveryBlockAndFreeRemovesThem) {
  EXPECT_EQ(CountBlocksNamed(kBlockNames), 12);
  std::map<std::string, int32_t> sizes;
  for (int i = 1; i <= kInfoBlockSlots; ++i) {
    if (InfoScreenData.BlockPointers[i]) sizes[InfoScreenData.BlockNames[i].str()] = InfoScreenData.BlockSizes[i];
  }
  EXPECT_EQ(sizes["ArrayerRest2"], 21 * 1048576);
  EXPECT_EQ(sizes["ArrayerOA1"], 1052672);
  EXPECT_EQ(sizes["ArrayerStatic1"], 12288);
  EXPECT_EQ(sizes["ArrayerStatic2"], 2 * 1048576);
  EXPECT_EQ(sizes["PFID-Array"], 101000);
  EXPECT_EQ(sizes["MemNodeArray"], 101000 * 64 + 31);
  EXPECT_EQ(sizes["MemTraindataArray"], 10100 * 352 + 31);
  ArrayerFree();
  EXPECT_FALSE(ArrayerReady());
  EXPECT_EQ(CountBlocksNamed(kBlockNames), 0);
  ArrayerFree();  // nothing left to do
  EXPECT_EQ(CountBlocksNamed(kBlockNames), 0);
  EXPECT_EQ(FatalOf([] { ArrayerReset(); }), Fatal("Error: Arrayer: ArrayerReset: The store is not allocated!"));
  // Without a store every operation stops instead of touching memory.
  TTree t{};
  EXPECT_EQ(FatalOf([&] { t.A_Read(1); }), Fatal("Index is too High! Arrayer Error by TTree.A_Read"));
  EXPECT_EQ(FatalOf([&] { t.A_Write(); }), Fatal("Error: Arrayer: ArrayerOA: The heap is full!"));
  ArrayerCollect();
  ASSERT_TRUE(ArrayerInit());
  EXPECT_EQ(CountBlocksNamed(kBlockNames), 12);
}

TEST_F(ArrayerLifeCycle, FailedAllocationGivesFalseAndKeepsWhatWasAllocatedUntilFree) {
  for (int n = 1; n <= 12; ++n) {
    SCOPED_TRACE(n);
    arrayer_test::FailAllocation(n);
    EXPECT_FALSE(ArrayerInit());
    EXPECT_FALSE(ArrayerReady());
    // Every allocation before the failing one is registered; nothing after it was tried.
    EXPECT_EQ(CountBlocksNamed(kBlockNames), n - 1);
    ArrayerFree();
    EXPECT_EQ(CountBlocksNamed(kBlockNames), 0);
  }
  arrayer_test::FailAllocation(0);
  EXPECT_TRUE(ArrayerInit());
}

TEST_F(ArrayerLifeCycle, InitInstallsTheFatalStopsCleanUp) {
  ArrayerFree();
  ArrayerOverflow = 1;
  ASSERT_TRUE(ArrayerInit());
  EXPECT_EQ(ArrayerOverflow, 0);
  EXPECT_EQ(sys_hooks::ArrayerFree, &ArrayerFree);
  EXPECT_EQ(FatalOf([] { SYS_BREAKPROGRAM("ArrayerInit failed"); }), Fatal("ArrayerInit failed"));
  EXPECT_FALSE(ArrayerReady());
  EXPECT_EQ(CountBlocksNamed(kBlockNames), 0);
}

}  // namespace
