// The mesh records of the store: TMeshdata2 stored with only its used vertices and polygons, its
// vertex limit before anything else, its overwrite rules and texts; TMeshAni read from the Static
// array with its frames left in place.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/statistics.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/compaction.h"
#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"

using namespace arrayer_testing;

namespace {

template <class T>
concept HasRead = requires(T t) { t.A_Read(1u); };
template <class T>
concept HasWrite = requires(T t) { t.A_Write(); };
template <class T>
concept HasReWrite = requires(T t) { t.A_ReWrite(); };
template <class T>
concept HasOverwrite = requires(T t) { t.A_Overwrite(); };

static_assert(HasRead<TMeshdata2> && HasWrite<TMeshdata2> && HasReWrite<TMeshdata2> && HasOverwrite<TMeshdata2>);
static_assert(HasRead<TMeshAni> && !HasWrite<TMeshAni> && !HasReWrite<TMeshAni> && !HasOverwrite<TMeshAni>);

// A record with a tail keeps a pointer into its entry: only the Static array, which never moves
// an entry, may hold one, no writer may drop the tail, and the pointer lies after the lists.
constexpr RecordDesc WithTail(ArrayerId array, uint8_t ops, uint16_t tail) {
  RecordDesc d = kTMeshAniDesc;
  d.Array = array;
  d.Ops = ops;
  d.TailPointer = tail;
  return d;
}
static_assert(RecordDescProblem(WithTail(ArrayerId::Static, kOpRead, 8172)) == nullptr);
static_assert(RecordDescProblem(WithTail(ArrayerId::Rest, kOpRead, 8172)) != nullptr);
static_assert(RecordDescProblem(WithTail(ArrayerId::Static, kOpRead | kOpReWrite, 8172)) != nullptr);
static_assert(RecordDescProblem(WithTail(ArrayerId::Static, kOpRead, 100)) != nullptr);
static_assert(RecordDescProblem(WithTail(ArrayerId::Static, kOpRead, 8173)) != nullptr);

std::unique_ptr<TMesh2> MeshFilledWith(uint8_t byte) {
  auto m = std::make_unique<TMesh2>();
  std::memset(static_cast<void*>(m.get()), byte, sizeof(TMesh2));
  return m;
}

// A mesh of v vertices and p polygons whose every used byte tells where it stands.
std::unique_ptr<TMesh2> SampleMesh(uint16_t v, uint8_t p) {
  auto m = MeshFilledWith(0);
  m->VertexCount = v;
  m->PolygonCount = p;
  m->Flags = 3;
  for (int i = 1; i <= v; ++i) m->Vertex(i) = {1.0f * i, 2.0f * i, 3.0f * i, 0, 1, 0, 0.5f, 0.25f * i};
  for (int i = 1; i <= p; ++i) {
    TMeshPolygon& q = m->Polygon(i);
    q.Normal = {0, 0, 1.0f * i};
    q.Colour[0] = static_cast<uint8_t>(i);
    q.Vertices[0] = 1;
    q.Texture = static_cast<uint16_t>(1000 + i);
    q.Spare = 7;
    q.Kind = 1;
    q.Spare1 = 8;
    q.Spare2 = 9;
    q.Flags = 49;
  }
  return m;
}

const uint8_t* EntryOf(ArrayerId id, uint32_t index) {
  return arrayer_internal::EntryOfCell(arrayer_internal::ArrayOf(id), index);
}

// The Rest array and the statistics, to show that a refused operation changed nothing.
struct RestImage {
  RestImage() {
    const TArrayerArray& a = ArrayerRest;
    heapTop = a.HeapTop;
    tableTop = a.TableTop;
    lastSlot = a.LastSlot;
    heap.assign(a.HeapBase, a.HeapTop);
    std::memcpy(counters, InfoScreenData.CallCounters, sizeof(counters));
  }
  bool operator==(const RestImage& o) const {
    return heapTop == o.heapTop && tableTop == o.tableTop && lastSlot == o.lastSlot && heap == o.heap &&
           std::memcmp(counters, o.counters, sizeof(counters)) == 0;
  }
  const uint8_t* heapTop;
  uint32_t tableTop, lastSlot;
  std::vector<uint8_t> heap;
  uint32_t counters[4][210];
};

using MeshRecords = ArrayerTest;

TEST_F(MeshRecords, MeshIsStoredWithItsUsedPartsOnlyAndReadsBackIntoTheRest) {
  auto m = SampleMesh(3, 1);
  m->A_Write();
  ASSERT_NE(m->Index, 0u);
  EXPECT_EQ(FindInArrayerRest(kARTypeMeshdata2, 0), m->Index);
  const uint8_t* e = EntryOf(ArrayerId::Rest, m->Index);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(arrayer_internal::EntryKind(e), 0x80);
  // Header, then counts and flags, 3 vertices and 1 polygon: 3 + 8V + 8P words.
  EXPECT_EQ(arrayer_internal::EntryBytes(e), 8u + 4 + 96 + 32);
  EXPECT_EQ(arrayer_internal::EntryBytes(e), 4u * (3 + 8 * 3 + 8 * 1));
  EXPECT_EQ(std::memcmp(e + 8, reinterpret_cast<const uint8_t*>(m.get()) + 4, 4), 0);
  EXPECT_EQ(std::memcmp(e + 12, m->Vertices, 96), 0);
  EXPECT_EQ(std::memcmp(e + 108, m->Polygons, 32), 0);

  auto r = MeshFilledWith(0xAB);
  r->A_Read(m->Index);
  EXPECT_EQ(r->Index, m->Index);
  EXPECT_EQ(r->VertexCount, 3);
  EXPECT_EQ(r->PolygonCount, 1);
  EXPECT_EQ(r->Flags, 3);
  EXPECT_EQ(std::memcmp(r->Vertices, m->Vertices, 3 * sizeof(TMeshVertex)), 0);
  EXPECT_EQ(std::memcmp(r->Polygons, m->Polygons, sizeof(TMeshPolygon)), 0);
  // Beyond the counts the record keeps what it held.
  const auto untouched = MeshFilledWith(0xAB);
  EXPECT_EQ(std::memcmp(&r->Vertex(4), &untouched->Vertex(4), sizeof(TMeshVertex)), 0);
  EXPECT_EQ(std::memcmp(&r->Polygon(2), &untouched->Polygon(2), sizeof(TMeshPolygon)), 0);
  EXPECT_EQ(std::memcmp(&r->Vertex(600), &untouched->Vertex(600), sizeof(TMeshVertex)), 0);
}

TEST_F(MeshRecords, StoredSizeGrowsBy32BytesPerVertexAndPerPolygon) {
  struct Case {
    uint16_t v;
    uint8_t p;
    uint32_t bytes;
  };
  for (const Case c : {Case{0, 0, 12}, Case{3, 1, 140}, Case{1, 255, 12 + 32 + 8160}, Case{600, 255, 27372}}) {
    SCOPED_TRACE(std::to_string(c.v) + " vertices, " + std::to_string(c.p) + " polygons");
    auto m = SampleMesh(c.v, c.p);
    EXPECT_EQ(RecordStoredBytes(kTMeshdata2Desc, m.get()), c.bytes);
    const uint8_t* before = ArrayerRest.HeapTop;
    m->A_Write();
    EXPECT_EQ(ArrayerRest.HeapTop - before, static_cast<ptrdiff_t>(c.bytes));
    EXPECT_EQ(arrayer_internal::EntryBytes(EntryOf(ArrayerId::Rest, m->Index)), c.bytes);
  }
  // The record itself: the index, the counts and flags, 600 vertices and 255 polygons.
  EXPECT_EQ(sizeof(TMeshdata2), 27368u);
  EXPECT_EQ(sizeof(TMeshAni), 8172u + sizeof(void*));
}

TEST_F(MeshRecords, VertexLimitIsCheckedBeforeAnythingElseAndLeavesTheStoreAsItWas) {
  auto m = SampleMesh(600, 2);
  m->A_Write();  // 600 is accepted
  auto r = MeshFilledWith(0);
  r->A_Read(m->Index);
  EXPECT_EQ(r->VertexCount, 600);
  EXPECT_EQ(r->Vertex(600).y, 1200.0f);

  auto big = SampleMesh(601, 2);
  const RestImage before;
  // The vertex count comes first: not even a store operation left under way is noticed.
  ArrayerBusy = 1;
  EXPECT_EQ(FatalOf([&] { big->A_Write(); }), Fatal("VertexCounter overfull! Arrayer Error by TMeshdata2.A_Write"));
  big->Index = 0;  // nor an index that no entry has
  EXPECT_EQ(FatalOf([&] { big->A_ReWrite(); }),
            Fatal("VertexCounter overfull! Arrayer Error by TMeshdata2.A_ReWrite"));
  ArrayerBusy = 0;
  EXPECT_TRUE(RestImage() == before);
  EXPECT_EQ(big->Index, 0u);
  big->Index = m->Index;
  EXPECT_EQ(FatalOf([&] { big->A_ReWrite(); }),
            Fatal("VertexCounter overfull! Arrayer Error by TMeshdata2.A_ReWrite"));
  EXPECT_TRUE(RestImage() == before);
  std::string problem;
  EXPECT_TRUE(ArrayerCheckArray(ArrayerId::Rest, problem)) << problem;
}

TEST_F(MeshRecords, ReadRefusesAStoredVertexCountAbove600BeforeCopyingVertices) {
  // Only a damaged entry can hold such a count: forge one in the layout of the store.
  auto m = SampleMesh(2, 0);
  m->A_Write();
  uint8_t* e = arrayer_internal::EntryOfCell(ArrayerRest, m->Index);
  const uint16_t count = 601;
  std::memcpy(e + 8, &count, 2);
  auto r = MeshFilledWith(0x11);
  EXPECT_EQ(FatalOf([&] { r->A_Read(m->Index); }),
            Fatal("VertexCounter overfull! Arrayer Error by TMeshdata2.A_Read"));
  const auto untouched = MeshFilledWith(0x11);
  EXPECT_EQ(std::memcmp(r->Vertices, untouched->Vertices, sizeof(r->Vertices)), 0);
  EXPECT_EQ(ArrayerBusy, 0);
}

TEST_F(MeshRecords, OverwriteNeedsBothCountsUnchangedWhileRewriteTakesNewOnes) {
  auto m = SampleMesh(4, 2);
  m->A_Write();
  const uint32_t index = m->Index;
  const uint8_t* place = EntryOf(ArrayerId::Rest, index);

  // Same counts: changed in place.
  m->Vertex(4).x = -5.0f;
  m->Polygon(2).Texture = 77;
  m->A_Overwrite();
  EXPECT_EQ(EntryOf(ArrayerId::Rest, index), place);
  auto r = MeshFilledWith(0);
  r->A_Read(index);
  EXPECT_EQ(r->Vertex(4).x, -5.0f);
  EXPECT_EQ(r->Polygon(2).Texture, 77);

  auto fewer = SampleMesh(3, 2);
  fewer->Index = index;
  EXPECT_EQ(FatalOf([&] { fewer->A_Overwrite(); }),
            Fatal("VertexCounter has changed! Arrayer Error by TMeshdata2.A_OverWrite"));
  auto more = SampleMesh(4, 3);
  more->Index = index;
  EXPECT_EQ(FatalOf([&] { more->A_Overwrite(); }),
            Fatal("PolygonCounter has changed! Arrayer Error by TMeshdata2.A_OverWrite"));
  r->A_Read(index);
  EXPECT_EQ(r->Vertex(4).x, -5.0f);  // neither refused overwrite touched the entry

  // The same records rewrite: a new entry under the same index.
  more->A_ReWrite();
  EXPECT_EQ(more->Index, index);
  EXPECT_EQ(arrayer_internal::EntryBytes(EntryOf(ArrayerId::Rest, index)), 12u + 32 * 4 + 32 * 3);
  r->A_Read(index);
  EXPECT_EQ(r->PolygonCount, 3);
  EXPECT_EQ(r->Polygon(3).Texture, 1003);
  fewer->A_ReWrite();
  r->A_Read(index);
  EXPECT_EQ(r->VertexCount, 3);
  std::string problem;
  EXPECT_TRUE(ArrayerCheckArray(ArrayerId::Rest, problem)) << problem;
}

TEST_F(MeshRecords, IndexAndEntryTextsOfEachAccessor) {
  TBlock other{};
  other.A_Write();  // an entry of another kind in the Rest array
  auto m = SampleMesh(1, 0);
  m->A_Write();
  const uint32_t empty = m->Index;
  m->Destroy();
  struct Case {
    uint32_t index;
    const char* read;
    const char* rewrite;
    const char* overwrite;
  };
  const Case cases[] = {
      {1u << 30, "Ung\xFCltiger Index! Arrayer Error by TMeshdata2.A_Read",
       "Ung\xFCltiger Index! Arrayer Error by TMeshdata2.A_Rewrite",
       "Ung\xFCltiger Index! Arrayer Error by TMeshdata2.A_Overwrite"},
      {ArrayerRest.TableTop, "Index is too High! Arrayer Error by TMeshdata2.A_Read",
       "Index is too High! Arrayer Error by TMeshdata2.A_ReWrite",
       "Index is too High! Arrayer Error by TMeshdata2.A_Overwrite"},
      {0, "\xDC" "bergebener Index war 0! Arrayer Error by TMeshdata2.A_Read",
       "\xDC" "bergebener Index war 0! Arrayer Error by TMeshdata2.A_ReWrite",
       "\xDC" "bergebener Index war 0! Arrayer Error by TMeshdata2.A_Overwrite"},
      {empty, "Entry was empty! Arrayer Error by TMeshdata2.A_Read",
       "Entry was empty! Arrayer Error by TMeshdata2.A_ReWrite", "Entry was empty! Arrayer Error by TMeshdata2.Overwrite"},
      {other.Index, "The Type was diffrent! Arrayer Error by TMeshdata2.A_Read",
       "The Type was diffrent! Arrayer Error by TMeshdata2.A_ReWrite",
       "The Type was diffrent! Arrayer Error by TMeshdata2.Overwrite"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.read);
    auto r = SampleMesh(1, 0);
    EXPECT_EQ(FatalOf([&] { r->A_Read(c.index); }), Fatal(c.read));
    r->Index = c.index;
    EXPECT_EQ(FatalOf([&] { r->A_ReWrite(); }), Fatal(c.rewrite));
    r->Index = c.index;
    EXPECT_EQ(FatalOf([&] { r->A_Overwrite(); }), Fatal(c.overwrite));
    EXPECT_EQ(ArrayerBusy, 0);
  }
}

TEST_F(MeshRecords, InitEmptiesTheCountsButKeepsIndexAndData) {
  auto m = SampleMesh(5, 2);
  m->Index = 42;
  m->Init();
  EXPECT_EQ(m->VertexCount, 0);
  EXPECT_EQ(m->PolygonCount, 0);
  EXPECT_EQ(m->Flags, 2);
  EXPECT_EQ(m->Index, 42u);
  EXPECT_EQ(m->Vertex(5).z, 15.0f);
  EXPECT_EQ(m->Polygon(2).Texture, 1002);
}

TEST_F(MeshRecords, DestroyFreesTheEntryAndCountsItInTheMeshRow) {
  const uint32_t row = 17;
  auto a = SampleMesh(2, 1);
  a->A_Write();
  auto b = SampleMesh(3, 1);
  b->A_Write();
  b->A_ReWrite();
  b->A_Overwrite();
  auto r = MeshFilledWith(0);
  r->A_Read(a->Index);
  EXPECT_EQ(ArrayerCounterOf(0, row, kCountLive), 2u);
  EXPECT_EQ(ArrayerCounterOf(0, row, kCountWrite), 2u);
  EXPECT_EQ(ArrayerCounterOf(0, row, kCountReWrite), 1u);
  EXPECT_EQ(ArrayerCounterOf(0, row, kCountOverwrite), 1u);
  EXPECT_EQ(ArrayerCounterOf(0, row, kCountRead), 1u);

  a->Destroy();
  EXPECT_EQ(EntryOf(ArrayerId::Rest, a->Index), nullptr);
  TMeshdata2::DestroyByIndex(b->Index);
  EXPECT_EQ(EntryOf(ArrayerId::Rest, b->Index), nullptr);
  EXPECT_EQ(ArrayerCounterOf(0, row, kCountLive), 0u);
  EXPECT_EQ(ArrayerCounterOf(0, row, kCountDeleted), 2u);
  EXPECT_EQ(FindInArrayerRest(kARTypeMeshdata2, 0), 0u);

  // DestroyByIndex reads first: an index of another kind stops the program and stays.
  TBlock block{};
  block.A_Write();
  EXPECT_EQ(FatalOf([&] { TMeshdata2::DestroyByIndex(block.Index); }),
            Fatal("The Type was diffrent! Arrayer Error by TMeshdata2.A_Read"));
  EXPECT_NE(EntryOf(ArrayerId::Rest, block.Index), nullptr);
}

// ---- Animations ----

// An animation of `frames` frames, v vertices and p polygons; every value tells its frame, vertex
// and field.
struct SampleAni {
  SampleAni(uint16_t frames, uint16_t v, uint8_t p) : header(std::make_unique<TMeshAni>()) {
    std::memset(static_cast<void*>(header.get()), 0, sizeof(TMeshAni));
    header->FrameCount = frames;
    header->VertexCount = v;
    header->PolygonCount = p;
    header->Spare = 0xC3;
    header->SpareWord = 0xBEEF;
    for (int i = 0; i < p; ++i) {
      header->Polygons[i].Vertices[0] = static_cast<uint16_t>(i + 1);
      header->Polygons[i].Texture = static_cast<uint16_t>(2000 + i);
      header->Polygons[i].Kind = 1;
      header->Polygons[i].Flags = 33;
    }
    for (int f = 1; f <= frames; ++f) {
      for (int i = 1; i <= v; ++i) {
        const float b = 1000.0f * f + 10.0f * i;
        vertices.push_back({b, b + 1, b + 2, b + 3, b + 4, b + 5, b + 6, b + 7});
      }
      for (int i = 1; i <= p; ++i) normals.push_back({-1000.0f * f - i, 0.5f * f, 0.25f * i});
    }
  }
  uint32_t Store() const { return meshrecords_test::StoreMeshAni(*header, vertices.data(), normals.data()); }
  std::unique_ptr<TMeshAni> header;
  std::vector<TMeshVertex> vertices;
  std::vector<TVector> normals;
};

TEST_F(MeshRecords, AnimationReadCopiesHeaderAndPolygonsAndPointsAtItsFramesInTheStore) {
  SampleAni first(1, 1, 1);
  first.Store();
  SampleAni s(3, 10, 4);
  const uint32_t index = s.Store();
  const uint8_t* e = EntryOf(ArrayerId::Static, index);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(arrayer_internal::EntryKind(e), 0x1);
  // Header, 8 header bytes, the polygons, then 3 frames of 32V + 12P bytes.
  EXPECT_EQ(arrayer_internal::EntryBytes(e), 8u + 8 + 32 * 4 + 3 * (32 * 10 + 12 * 4));

  auto a = std::make_unique<TMeshAni>();
  std::memset(static_cast<void*>(a.get()), 0x5A, sizeof(TMeshAni));
  a->A_Read(index);
  EXPECT_EQ(a->Index, index);
  EXPECT_EQ(a->FrameCount, 3);
  EXPECT_EQ(a->VertexCount, 10);
  EXPECT_EQ(a->Spare, 0xC3);
  EXPECT_EQ(a->PolygonCount, 4);
  EXPECT_EQ(a->SpareWord, 0xBEEF);
  EXPECT_EQ(std::memcmp(a->Polygons, s.header->Polygons, 4 * sizeof(TMeshPolygon)), 0);
  EXPECT_EQ(a->Polygons[4].Texture, 0x5A5A);  // only the used polygons are copied
  const uint8_t* frames = a->FrameData;  // a packed field: read by value
  EXPECT_EQ(frames, e + 8 + 8 + 32 * 4);

  // The frame stride is 32V + 12P = 368 bytes; a frame's normals follow its 320 bytes of vertices.
  EXPECT_EQ(a->FrameBytes(), 368u);
  const TMeshVertex *va, *vb;
  const TVector *na, *nb;
  a->GetFramePointers(1, 2, va, na, vb, nb);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(vb) - reinterpret_cast<const uint8_t*>(va), 368);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(na) - reinterpret_cast<const uint8_t*>(va), 320);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(nb) - reinterpret_cast<const uint8_t*>(vb), 320);
  EXPECT_EQ(va, reinterpret_cast<const TMeshVertex*>(frames));
  a->GetFramePointers(3, 2, va, na, vb, nb);
  EXPECT_EQ(va[9].x, 3000.0f + 100.0f);
  EXPECT_EQ(va[9].v, 3000.0f + 107.0f);
  EXPECT_EQ(na[3].x, -3004.0f);
  EXPECT_EQ(vb[0].y, 2011.0f);
  EXPECT_EQ(nb[0].y, 1.0f);
  std::string problem;
  EXPECT_TRUE(ArrayerCheckArray(ArrayerId::Static, problem)) << problem;
}

TEST_F(MeshRecords, AnimationTexts) {
  const uint32_t index = SampleAni(1, 2, 1).Store();
  // An entry of another kind in the Static array.
  const uint32_t cell = arrayer_internal::FindFreeSlot(ArrayerStatic, ArrayerId::Static);
  arrayer_internal::AppendEntry(ArrayerStatic, cell, 0x2, 16);
  const uint32_t free = cell + 1;
  ASSERT_LT(free, ArrayerStatic.TableTop);
  const std::pair<uint32_t, const char*> cases[] = {
      {1u << 30, "Ung\xFCltiger Index! Arrayer Error by TMeshAni.A_Read"},
      {ArrayerStatic.TableTop, "Index is too High! Arrayer Error by TMeshAni.A_Read"},
      {0, "\xDC" "bergebener Index war 0! Arrayer Error by TMeshAni.A_Read"},
      {free, "Entry was empty! Arrayer Error by TMeshAni.A_Read"},
      {cell, "The Type was diffrent! Arrayer Error by TMeshAni.A_Read"},
  };
  auto a = std::make_unique<TMeshAni>();
  for (const auto& [index_, text] : cases) {
    const uint32_t i = index_;  // a lambda captures a variable, not a binding
    EXPECT_EQ(FatalOf([&] { a->A_Read(i); }), Fatal(text));
    EXPECT_EQ(ArrayerBusy, 0);
  }
  a->A_Read(index);
  EXPECT_EQ(a->VertexCount, 2);
}

}  // namespace
