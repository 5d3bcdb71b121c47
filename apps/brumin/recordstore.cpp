#include "apps/brumin/recordstore.h"

#include <algorithm>
#include <cstring>

#include "engine/base/maths.h"

namespace brumin {

TRecordStore BuildingStore;

namespace {

constexpr uint32_t kHeaderSize = 8;

// Appends bytes to a packed record, and reads them back in the same order.
class TPacker {
 public:
  void PutBytes(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    Bytes.insert(Bytes.end(), p, p + size);
  }
  std::vector<uint8_t> Bytes;
};

class TUnpacker {
 public:
  explicit TUnpacker(std::span<const uint8_t> bytes) : Bytes(bytes) {}
  // Copies Size bytes into Data; false (and nothing copied) when the entry is too short.
  bool Take(void* data, size_t size) {
    if (size > Bytes.size() - At) return false;
    std::memcpy(data, Bytes.data() + At, size);
    At += size;
    return true;
  }
 private:
  std::span<const uint8_t> Bytes;
  size_t At = 0;
};

// The fixed part of a record: the bytes from its second field up to its first list.
template <class T>
void PutFixed(TPacker& p, const T& rec, size_t end) {
  p.PutBytes(reinterpret_cast<const uint8_t*>(&rec) + sizeof(uint32_t), end - sizeof(uint32_t));
}
template <class T>
bool TakeFixed(TUnpacker& u, T& rec, size_t end) {
  return u.Take(reinterpret_cast<uint8_t*>(&rec) + sizeof(uint32_t), end - sizeof(uint32_t));
}

// Unpacks an entry into a cleared copy of the record; Rec changes only when the whole entry reads.
template <class T, class Unpack>
bool ReadInto(std::span<const uint8_t> entry, uint32_t index, T& rec, Unpack unpack) {
  if (entry.empty()) return false;
  T work;
  std::memset(&work, 0, sizeof(work));
  work.Index = index;
  TUnpacker u(entry);
  if (!unpack(u, work)) return false;
  rec = work;
  return true;
}

uint32_t RoundUp4(size_t n) { return static_cast<uint32_t>((n + 3) & ~size_t{3}); }

}  // namespace

// ---- Packed forms

std::vector<uint8_t> PackRecord(const TStoreBuilding& rec) {
  TPacker p;
  PutFixed(p, rec, offsetof(TStoreBuilding, ListA));
  const uint8_t a = std::min<uint8_t>(rec.Counts[0], 100), c = std::min<uint8_t>(rec.Counts[1], 100),
                d = std::min<uint8_t>(rec.Counts[2], 20);
  p.PutBytes(rec.ListA, a * sizeof(uint32_t));
  p.PutBytes(rec.ListAValues, a * sizeof(uint16_t));
  p.PutBytes(rec.ListC, c * sizeof(uint32_t));
  p.PutBytes(rec.ListD, d * sizeof(uint32_t));
  return p.Bytes;
}

std::vector<uint8_t> PackRecord(const TStoreWay& rec) {
  TPacker p;
  PutFixed(p, rec, offsetof(TStoreWay, Connections));
  p.PutBytes(rec.Connections, std::min<uint8_t>(rec.ConnectionCount, 10) * sizeof(uint32_t));
  p.PutBytes(rec.Nodes, std::min<uint8_t>(rec.NodeCount, 100) * sizeof(uint32_t));
  return p.Bytes;
}

std::vector<uint8_t> PackRecord(const TStoreWayGeometry& rec) {
  TPacker p;
  PutFixed(p, rec, offsetof(TStoreWayGeometry, Points));
  p.PutBytes(rec.Points, std::min<uint16_t>(rec.VertexCount, 255) * sizeof(TVector));
  for (int i = 0; i < std::min<uint8_t>(rec.Counts[0], 250); ++i) p.PutBytes(rec.Polygons[i].Data, 39);
  p.PutBytes(rec.Shorts, std::min<uint8_t>(rec.Counts[1], 10) * sizeof(uint16_t));
  for (int i = 0; i < std::min<uint8_t>(rec.Counts[2], 250); ++i) p.PutBytes(rec.Records[i].Data, 30);
  return p.Bytes;
}

std::vector<uint8_t> PackRecord(const TStoreWayEnd& rec) {
  TPacker p;
  PutFixed(p, rec, offsetof(TStoreWayEnd, Pad));
  return p.Bytes;
}

std::vector<uint8_t> PackRecord(const TNodeRecord& rec) {
  TPacker p;
  PutFixed(p, rec, sizeof(TNodeRecord));
  return p.Bytes;
}

// ---- The store

TRecordStore::TRecordStore(uint32_t heapLimit, uint32_t tableLimit)
    : Table(kTableStep, 0), Heap(sizeof(uint32_t), 0), TableLimit(tableLimit), HeapLimit(heapLimit) {
  // The heap starts one word in, so that no entry lies at offset 0, the mark of a free slot.
}

bool TRecordStore::StoreGrowTable() {
  const uint64_t top = static_cast<uint64_t>(Table.size()) * sizeof(uint32_t);
  const uint64_t step = kTableStep * sizeof(uint32_t);
  if (top + step > TableLimit) {
    Overflow_ = true;
    return false;
  }
  Table.resize(Table.size() + kTableStep, 0);
  if (top + 2 * step > TableLimit) {
    if (FirstWarning_) Overflow_ = true;
    FirstWarning_ = true;
  }
  return true;
}

void TRecordStore::CheckHeap() {
  const uint64_t top = Heap.size();
  if (!FirstWarning_) {
    if (top + kHeapFirstWarning > HeapLimit) FirstWarning_ = true;
  } else if (top + kHeapLastRoom > HeapLimit) {
    Overflow_ = true;
  }
}

uint32_t TRecordStore::WriteEntry(uint16_t kind, std::span<const uint8_t> packed) {
  if (Overflow_) return 0;
  const uint64_t size = RoundUp4(kHeaderSize + packed.size());
  if (Heap.size() + size > HeapLimit || size / 4 > UINT16_MAX) {
    Overflow_ = true;
    return 0;
  }
  // A free slot after the last one used, then from the start; else a new step of slots.
  uint32_t slot = 0;
  const uint32_t top = static_cast<uint32_t>(Table.size());
  for (uint32_t s = LastSlot + 1; s < top && slot == 0; ++s)
    if (Table[s] == 0) slot = s;
  for (uint32_t s = 1; s < top && slot == 0; ++s)
    if (Table[s] == 0) slot = s;
  if (slot == 0) {
    if (!StoreGrowTable()) return 0;
    slot = top;
  }
  const uint32_t at = static_cast<uint32_t>(Heap.size());
  Heap.resize(at + size, 0);
  const uint32_t back = slot * 4;
  const uint16_t units = static_cast<uint16_t>(size / 4);
  std::memcpy(&Heap[at], &back, 4);
  std::memcpy(&Heap[at + 4], &units, 2);
  std::memcpy(&Heap[at + 6], &kind, 2);
  if (!packed.empty()) std::memcpy(&Heap[at + kHeaderSize], packed.data(), packed.size());
  Table[slot] = at;
  LastSlot = slot;
  CheckHeap();
  return slot;
}

void TRecordStore::StoreWrite(TStoreBuilding& rec) {
  const uint32_t slot = WriteEntry(kStoreBuildingKind, PackRecord(rec));
  if (slot != 0) rec.Index = slot;
}

std::span<const uint8_t> TRecordStore::Entry(uint32_t index, uint16_t kind) const {
  if (index == 0 || index >= Table.size() || Table[index] == 0) return {};
  const uint32_t at = Table[index];
  if (at + kHeaderSize > Heap.size()) return {};
  uint16_t units, entryKind;
  std::memcpy(&units, &Heap[at + 4], 2);
  std::memcpy(&entryKind, &Heap[at + 6], 2);
  const uint64_t size = uint64_t{units} * 4;
  if (entryKind != kind || size < kHeaderSize || at + size > Heap.size()) return {};
  return {&Heap[at + kHeaderSize], static_cast<size_t>(size - kHeaderSize)};
}

uint32_t TRecordStore::StoreFindNext(uint16_t kind, uint32_t start) const {
  for (uint64_t s = uint64_t{start} + 1; s < Table.size(); ++s)
    if (!Entry(static_cast<uint32_t>(s), kind).empty()) return static_cast<uint32_t>(s);
  return 0;
}

bool TRecordStore::StoreRead(uint32_t index, TStoreBuilding& rec) const {
  return ReadInto(Entry(index, kStoreBuildingKind), index, rec, [](TUnpacker& u, TStoreBuilding& r) {
    if (!TakeFixed(u, r, offsetof(TStoreBuilding, ListA))) return false;
    r.Counts[0] = std::min<uint8_t>(r.Counts[0], 100);
    r.Counts[1] = std::min<uint8_t>(r.Counts[1], 100);
    r.Counts[2] = std::min<uint8_t>(r.Counts[2], 20);
    return u.Take(r.ListA, r.Counts[0] * sizeof(uint32_t)) && u.Take(r.ListAValues, r.Counts[0] * sizeof(uint16_t)) &&
           u.Take(r.ListC, r.Counts[1] * sizeof(uint32_t)) && u.Take(r.ListD, r.Counts[2] * sizeof(uint32_t));
  });
}

bool TRecordStore::StoreRead(uint32_t index, TStoreWay& rec) const {
  return ReadInto(Entry(index, kStoreWayKind), index, rec, [](TUnpacker& u, TStoreWay& r) {
    if (!TakeFixed(u, r, offsetof(TStoreWay, Connections))) return false;
    r.ConnectionCount = std::min<uint8_t>(r.ConnectionCount, 10);
    r.NodeCount = std::min<uint8_t>(r.NodeCount, 100);
    return u.Take(r.Connections, r.ConnectionCount * sizeof(uint32_t)) && u.Take(r.Nodes, r.NodeCount * sizeof(uint32_t));
  });
}

bool TRecordStore::StoreRead(uint32_t index, TStoreWayGeometry& rec) const {
  return ReadInto(Entry(index, kStoreGeometryKind), index, rec, [](TUnpacker& u, TStoreWayGeometry& r) {
    if (!TakeFixed(u, r, offsetof(TStoreWayGeometry, Points))) return false;
    r.VertexCount = std::min<uint16_t>(r.VertexCount, 255);
    r.Counts[0] = std::min<uint8_t>(r.Counts[0], 250);
    r.Counts[1] = std::min<uint8_t>(r.Counts[1], 10);
    r.Counts[2] = std::min<uint8_t>(r.Counts[2], 250);
    if (!u.Take(r.Points, r.VertexCount * sizeof(TVector))) return false;
    for (int i = 0; i < r.Counts[0]; ++i)
      if (!u.Take(r.Polygons[i].Data, 39)) return false;
    if (!u.Take(r.Shorts, r.Counts[1] * sizeof(uint16_t))) return false;
    for (int i = 0; i < r.Counts[2]; ++i)
      if (!u.Take(r.Records[i].Data, 30)) return false;
    return true;
  });
}

bool TRecordStore::StoreRead(uint32_t index, TStoreWayEnd& rec) const {
  return ReadInto(Entry(index, kStoreWayEndKind), index, rec,
                  [](TUnpacker& u, TStoreWayEnd& r) { return TakeFixed(u, r, offsetof(TStoreWayEnd, Pad)); });
}

bool TRecordStore::StoreRead(uint32_t index, TNodeRecord& rec) const {
  return ReadInto(Entry(index, kStoreNodeKind), index, rec,
                  [](TUnpacker& u, TNodeRecord& r) { return TakeFixed(u, r, sizeof(TNodeRecord)); });
}

bool TRecordStore::StoreRewriteWay(const TStoreWay& rec) {
  const std::span<const uint8_t> entry = Entry(rec.Index, kStoreWayKind);
  const std::vector<uint8_t> packed = PackRecord(rec);
  if (entry.empty() || RoundUp4(kHeaderSize + packed.size()) != RoundUp4(kHeaderSize + entry.size())) return false;
  std::memcpy(&Heap[Table[rec.Index] + kHeaderSize], packed.data(), packed.size());
  return true;
}

// ---- The curve of a stored way

bool BuildStoredWayCurve(const TRecordStore& store, const TStoreWay& way, int32_t segments, TCurveLineGeometry& g) {
  TStoreWayGeometry geometry;
  TStoreWayEnd start, end;
  if (!store.StoreRead(way.Geometry, geometry) || !store.StoreRead(geometry.Ends[0], start) ||
      !store.StoreRead(geometry.Ends[1], end))
    return false;
  return CurveLineFromEdges(g, segments, start.Left, start.Right, end.Right, end.Left);
}

}  // namespace brumin
