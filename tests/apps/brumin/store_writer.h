// Fills the building program's record store for tests: one writer per record shape that the
// program itself only reads, and small builders of linked nodes and ways.
#pragma once

#include <cstring>

#include "apps/brumin/recordstore.h"

namespace store_testing {

inline uint32_t Write(brumin::TRecordStore& s, const TNodeRecord& r) {
  return s.WriteEntry(brumin::kStoreNodeKind, brumin::PackRecord(r));
}
inline uint32_t Write(brumin::TRecordStore& s, const brumin::TStoreWay& r) {
  return s.WriteEntry(brumin::kStoreWayKind, brumin::PackRecord(r));
}
inline uint32_t Write(brumin::TRecordStore& s, const brumin::TStoreWayGeometry& r) {
  return s.WriteEntry(brumin::kStoreGeometryKind, brumin::PackRecord(r));
}
inline uint32_t Write(brumin::TRecordStore& s, const brumin::TStoreWayEnd& r) {
  return s.WriteEntry(brumin::kStoreWayEndKind, brumin::PackRecord(r));
}

template <class T>
T Cleared() {
  T r;
  std::memset(&r, 0, sizeof(r));
  return r;
}

// A node at the position with the given links (0: none) and way.
inline TNodeRecord Node(TVector position, uint32_t prev1 = 0, uint32_t prev2 = 0, uint32_t next1 = 0,
                        uint32_t next2 = 0, uint32_t way = 0) {
  TNodeRecord r = Cleared<TNodeRecord>();
  r.Node.Position = position;
  r.Node.PrevLinks[0] = prev1;
  r.Node.PrevLinks[1] = prev2;
  r.Node.NextLinks[0] = next1;
  r.Node.NextLinks[1] = next2;
  r.Node.PrevLinkCount = static_cast<uint8_t>((prev1 != 0) + (prev2 != 0));
  r.Node.NextLinkCount = static_cast<uint8_t>((next1 != 0) + (next2 != 0));
  r.Node.Way = way;
  r.Node.Used = 255;
  return r;
}

}  // namespace store_testing
