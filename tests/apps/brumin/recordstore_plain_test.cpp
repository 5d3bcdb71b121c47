// The building program's record store: every record shape packs and reads back, reads of a missing
// entry leave the record alone, the slot table grows, and the heap and table limits warn first and
// then refuse further entries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "apps/brumin/recordstore.h"
#include "tests/apps/brumin/store_writer.h"

namespace {

using namespace brumin;
using store_testing::Cleared;
using store_testing::Write;

template <class T>
bool SameBytes(const T& a, const T& b) {
  return std::memcmp(&a, &b, sizeof(T)) == 0;
}

TEST(BuildingRecordStore, EmptyStoreFindsNothingAndReadsLeaveTheRecord) {
  const TRecordStore store;
  for (uint16_t kind : {kStoreNodeKind, kStoreGeometryKind, kStoreBuildingKind, kStoreWayKind, kStoreWayEndKind,
                        uint16_t{0}})
    for (uint32_t start : {0u, 1u, 5000u, 0xFFFFFFFFu}) EXPECT_EQ(store.StoreFindNext(kind, start), 0u) << kind;
  TNodeRecord node;
  std::memset(&node, 0xAB, sizeof(node));
  const TNodeRecord before = node;
  for (uint32_t index : {0u, 1u, 1023u, 1024u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(store.StoreRead(index, node));
    EXPECT_TRUE(SameBytes(node, before));
  }
}

TEST(BuildingRecordStore, EveryShapeReadsBackAsWrittenFromItsPackedForm) {
  TRecordStore store;
  uint32_t top = store.HeapTop();
  // Each entry takes its 8-byte header and the used part of its record, rounded up to 4 bytes.
  auto expectGrowth = [&](uint32_t packed) {
    EXPECT_EQ(store.HeapTop() - top, (8 + packed + 3) / 4 * 4);
    top = store.HeapTop();
  };

  TStoreBuilding b = Cleared<TStoreBuilding>();
  b.Fixed[0] = 7;
  b.Fixed[96] = 9;
  b.Counts[0] = 3;
  b.Counts[1] = 2;
  b.Counts[2] = 1;
  for (int i = 0; i < 3; ++i) {
    b.ListA[i] = 100 + i;
    b.ListAValues[i] = static_cast<uint16_t>(200 + i);
  }
  b.ListC[0] = 300;
  b.ListC[1] = 301;
  b.ListD[0] = 400;
  store.StoreWrite(b);
  EXPECT_EQ(b.Index, 1u);
  expectGrowth(100 + 3 * 4 + 3 * 2 + 2 * 4 + 4);

  TStoreWay w = Cleared<TStoreWay>();
  w.LinkedWay = 4;
  w.Kind = kStoreRouterWay;
  w.RouterKind = kRouterForwardEntry;
  w.Switch = 1;
  w.Geometry = 3;
  w.ConnectionCount = 2;
  w.Connections[0] = 11;
  w.Connections[1] = 12;
  w.NodeCount = 3;
  w.Nodes[0] = 21;
  w.Nodes[1] = 22;
  w.Nodes[2] = 23;
  w.Index = Write(store, w);
  expectGrowth(57 + 2 * 4 + 3 * 4);

  TStoreWayGeometry g = Cleared<TStoreWayGeometry>();
  g.Ends[0] = 5;
  g.Ends[1] = 6;
  g.VertexCount = 4;
  g.Counts[0] = 2;
  g.Counts[1] = 1;
  g.Counts[2] = 2;
  for (int i = 0; i < 4; ++i) g.Points[i] = {float(i), 1.0f, -float(i)};
  g.Polygons[0].Data[0] = 1;
  g.Polygons[1].Data[38] = 2;
  g.Shorts[0] = 77;
  g.Records[0].Data[0] = 3;
  g.Records[1].Data[29] = 4;
  g.Index = Write(store, g);
  expectGrowth(15 + 4 * 12 + 2 * 39 + 2 + 2 * 30);

  TStoreWayEnd e = Cleared<TStoreWayEnd>();
  e.Left = {1, 2, 3};
  e.Right = {4, 5, 6};
  e.Rest[8] = 5;
  e.Index = Write(store, e);
  expectGrowth(33);

  TNodeRecord n = store_testing::Node({10, 20, 30}, 1, 0, 2, 3, 2);
  n.Index = Write(store, n);
  expectGrowth(64);
  EXPECT_EQ((std::vector<uint32_t>{w.Index, g.Index, e.Index, n.Index}), (std::vector<uint32_t>{2, 3, 4, 5}));

  TStoreBuilding b2;
  TStoreWay w2;
  auto g2 = std::make_unique<TStoreWayGeometry>();
  TStoreWayEnd e2;
  TNodeRecord n2;
  ASSERT_TRUE(store.StoreRead(1, b2) && store.StoreRead(2, w2) && store.StoreRead(3, *g2) && store.StoreRead(4, e2) &&
              store.StoreRead(5, n2));
  EXPECT_TRUE(SameBytes(b, b2));
  EXPECT_TRUE(SameBytes(w, w2));
  EXPECT_TRUE(SameBytes(g, *g2));
  EXPECT_TRUE(SameBytes(e, e2));
  EXPECT_TRUE(SameBytes(n, n2));

  // Each kind is found in slot order, and a read of another kind finds no entry.
  EXPECT_EQ(store.StoreFindNext(kStoreWayKind, 0), 2u);
  EXPECT_EQ(store.StoreFindNext(kStoreWayKind, 2), 0u);
  EXPECT_EQ(store.StoreFindNext(kStoreNodeKind, 1), 5u);
  EXPECT_FALSE(store.StoreRead(2, n2));
  EXPECT_TRUE(SameBytes(n, n2));
}

TEST(BuildingRecordStore, ListCountsBeyondTheirRoomOrTheEntryAreRefused) {
  TRecordStore store;
  // A way whose count bytes promise more than its entry holds: no read past the entry.
  TStoreWay w = Cleared<TStoreWay>();
  w.NodeCount = 2;
  std::vector<uint8_t> packed = PackRecord(w);
  packed[offsetof(TStoreWay, NodeCount) - 4] = 100;
  const uint32_t slot = store.WriteEntry(kStoreWayKind, packed);
  TStoreWay read = Cleared<TStoreWay>();
  read.Switch = 9;
  EXPECT_FALSE(store.StoreRead(slot, read));
  EXPECT_EQ(read.Switch, 9);
  // Counts above a list's room are cut to it when written.
  TStoreBuilding b = Cleared<TStoreBuilding>();
  b.Counts[2] = 200;
  store.StoreWrite(b);
  TStoreBuilding b2;
  ASSERT_TRUE(store.StoreRead(b.Index, b2));
  EXPECT_EQ(b2.Counts[2], 20);
}

TEST(BuildingRecordStore, RewriteWayChangesTheEntryInPlaceOnlyAtTheSameLength) {
  TRecordStore store;
  TStoreWay w = Cleared<TStoreWay>();
  w.NodeCount = 3;
  w.Index = Write(store, w);
  const uint32_t top = store.HeapTop();
  w.Switch = 1;
  w.Nodes[1] = 42;
  EXPECT_TRUE(store.StoreRewriteWay(w));
  TStoreWay read;
  ASSERT_TRUE(store.StoreRead(w.Index, read));
  EXPECT_EQ(read.Switch, 1);
  EXPECT_EQ(uint32_t{read.Nodes[1]}, 42u);
  w.NodeCount = 4;
  EXPECT_FALSE(store.StoreRewriteWay(w));
  w.Index = 77;
  EXPECT_FALSE(store.StoreRewriteWay(w));
  ASSERT_TRUE(store.StoreRead(1, read));
  EXPECT_EQ(read.NodeCount, 3);
  EXPECT_EQ(store.HeapTop(), top);
}

TEST(BuildingRecordStore, TheTableGrowsByStepsAndEveryEntryStaysReadable) {
  TRecordStore store;
  EXPECT_EQ(store.TableSlots(), 1024u);
  for (uint32_t i = 1; i <= 1500; ++i)
    ASSERT_EQ(Write(store, store_testing::Node({float(i), 0, 0})), i);
  EXPECT_EQ(store.TableSlots(), 2048u);
  for (uint32_t i : {1u, 1023u, 1024u, 1500u}) {
    TNodeRecord n;
    ASSERT_TRUE(store.StoreRead(i, n));
    EXPECT_EQ(n.Node.Position.x, float(i));
  }
  EXPECT_FALSE(store.FirstWarning());
}

TEST(BuildingRecordStore, LimitsWarnFirstAndThenRefuseNewEntries) {
  // The heap: the first warning once less than 512 KiB are left, the overflow below 32 KiB.
  {
    TRecordStore store(600000);
    TStoreBuilding b = Cleared<TStoreBuilding>();
    b.Counts[0] = b.Counts[1] = 100;
    while (!store.FirstWarning()) store.StoreWrite(b);
    EXPECT_GT(store.HeapTop() + TRecordStore::kHeapFirstWarning, 600000u);
    EXPECT_FALSE(store.Overflow());
    while (!store.Overflow()) store.StoreWrite(b);
    EXPECT_GT(store.HeapTop() + TRecordStore::kHeapLastRoom, 600000u);
    const uint32_t top = store.HeapTop();
    b.Index = 0;
    store.StoreWrite(b);
    EXPECT_EQ(b.Index, 0u);
    EXPECT_EQ(store.HeapTop(), top);
  }
  // The table: three steps of 1,024 slots fit in 12 KiB, the third warns, a fourth is refused.
  {
    TRecordStore store(TRecordStore::kDefaultHeapLimit, 3 * 4096);
    uint32_t written = 0;
    while (Write(store, store_testing::Node({})) != 0) ++written;
    EXPECT_EQ(written, 3 * 1024u - 1);
    EXPECT_TRUE(store.FirstWarning());
    EXPECT_TRUE(store.Overflow());
    TNodeRecord n;
    EXPECT_TRUE(store.StoreRead(written, n));
  }
}

}  // namespace
