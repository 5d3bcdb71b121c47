// Street block records: the road vehicles waiting on the two sides of a piece of street.
#include "engine/store/compaction.h"
#include "engine/world/records.h"

namespace {
// Side 0 or 1 of a street block; the record is packed, so its lists are reached by position.
struct Side {
  TStreetBlock& sb;
  uint8_t side;
  uint8_t& Count() { return side == 0 ? sb.Side0Count : sb.Side1Count; }
  int Used() { return Count() < 10 ? Count() : 10; }
  uint32_t Get(int i) const { return side == 0 ? sb.Side0[i] : sb.Side1[i]; }
  void Set(int i, uint32_t v) {
    if (side == 0) {
      sb.Side0[i] = v;
    } else {
      sb.Side1[i] = v;
    }
  }
};
}  // namespace

void TStreetBlock::Destroy() const { ArrayerEntryDestroyOA(Index); }

bool TStreetBlock::AddToSide(uint8_t side, uint32_t value, bool) {
  if (side > 1) return false;
  Side s{*this, side};
  for (int i = 0; i < s.Used(); ++i) {
    if (s.Get(i) == value) return true;
  }
  if (s.Count() >= 10) return false;
  s.Set(s.Count(), value);
  ++s.Count();
  return true;
}

bool TStreetBlock::RemoveFromSide(uint8_t side, uint32_t value) {
  if (side > 1) return false;
  Side s{*this, side};
  const int n = s.Used();
  int at = -1;
  for (int i = 0; i < n; ++i) {
    if (s.Get(i) == value) at = i;
  }
  if (at < 0) return false;
  for (int i = at; i + 1 < n; ++i) s.Set(i, s.Get(i + 1));
  s.Count() = static_cast<uint8_t>(n - 1);
  return true;
}

bool TStreetBlock::IsEmpty() const { return Side0Count == 0 && Side1Count == 0; }

void TStreetBlock::ReleaseTrain(uint32_t) {}
