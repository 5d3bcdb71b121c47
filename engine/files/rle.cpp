#include "engine/files/rle.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "engine/base/statistics.h"

uint8_t RleOverflow = 0;
TRleStatus RleStatus = TRleStatus::Complete;

namespace {

// ---------------------------------------------------------------------------------------------
// Decoder

// Reads fields of 1 to 8 bits, least significant bit first, never past the input. A read that
// would pass the end yields 0 and sets `past`.
class BitReader {
 public:
  BitReader(const uint8_t* src, int32_t len) : src_(src), bitLen_(static_cast<uint64_t>(len) * 8) {}

  uint32_t Get(unsigned width) {
    if (pos_ + width > bitLen_) {
      past = true;
      pos_ = bitLen_;
      return 0;
    }
    const uint64_t byte = pos_ >> 3;
    const unsigned shift = static_cast<unsigned>(pos_ & 7);
    uint32_t v = src_[byte];
    if (shift + width > 8) v |= static_cast<uint32_t>(src_[byte + 1]) << 8;
    pos_ += width;
    return (v >> shift) & ((1u << width) - 1);
  }

  bool past = false;

 private:
  const uint8_t* src_;
  uint64_t bitLen_;
  uint64_t pos_ = 0;
};

struct RingSlot {
  uint32_t start;
  uint32_t length;
};

// The largest ring the widths allow: IdxBits 8 with a single alphabet entry.
constexpr int kMaxRing = 254;

int32_t FinishDecode(TRleStatus status, uint32_t written, TRleStatus* out) {
  RleStatus = status;
  RleOverflow = status == TRleStatus::Overflow ? 1 : 0;
  if (out) *out = status;
  return static_cast<int32_t>(written);
}

}  // namespace

int32_t rledecompress(const uint8_t* Src, int32_t SrcLen, uint8_t* Dst, int32_t MaxLen, TRleStatus* Status) {
  BitReader in(Src, std::max(SrcLen, 0));
  const uint32_t bound = static_cast<uint32_t>(std::max(MaxLen, 0));
  uint32_t out = 0;

  // The alphabet.
  const uint32_t n = in.Get(8);
  if (in.past || n == 0) return FinishDecode(TRleStatus::Corrupt, out, Status);
  uint8_t alphabet[255];
  uint32_t have = 0;
  uint8_t v = 0;
  while (have < n) {
    const uint32_t code = in.Get(2);
    if (in.past) return FinishDecode(TRleStatus::Corrupt, out, Status);
    switch (code) {
      case 0:
        v = static_cast<uint8_t>(v + 1);
        alphabet[have++] = v;
        break;
      case 1:
        v = static_cast<uint8_t>(v + 2);
        alphabet[have++] = v;
        break;
      case 2:
        if (have + 2 > n) return FinishDecode(TRleStatus::Corrupt, out, Status);
        alphabet[have++] = static_cast<uint8_t>(v + 1);
        v = static_cast<uint8_t>(v + 2);
        alphabet[have++] = v;
        break;
      default: {
        const uint32_t d = in.Get(8);
        if (in.past) return FinishDecode(TRleStatus::Corrupt, out, Status);
        v = static_cast<uint8_t>(v + d);
        alphabet[have++] = v;
        break;
      }
    }
  }

  const unsigned lenBits = in.Get(3) + 1;
  const unsigned idxBits = in.Get(3) + 1;
  if (in.past) return FinishDecode(TRleStatus::Corrupt, out, Status);
  const int ringSize = std::max(static_cast<int>((1u << idxBits) - 1) - static_cast<int>(n), 0);
  RingSlot ring[kMaxRing];
  int counter = -1;
  int filled = 0;

  for (;;) {
    if (in.Get(1) == 0) {
      // Literal or ring repeat.
      const uint32_t index = in.Get(idxBits);
      if (in.past) return FinishDecode(TRleStatus::Corrupt, out, Status);
      if (index < n) {
        if (out + 1 > bound) return FinishDecode(TRleStatus::Overflow, out, Status);
        Dst[out++] = alphabet[index];
      } else {
        const uint32_t slot = index - n;
        if (slot >= static_cast<uint32_t>(filled)) return FinishDecode(TRleStatus::Corrupt, out, Status);
        const RingSlot& s = ring[slot];
        if (s.length > bound - out) return FinishDecode(TRleStatus::Overflow, out, Status);
        // The slot's bytes lie wholly before the output's end: no overlap.
        std::memcpy(Dst + out, Dst + s.start, s.length);
        out += s.length;
      }
      continue;
    }
    if (in.Get(1) == 0) {
      // Run, or the end code.
      const uint32_t index = in.Get(idxBits);
      const uint32_t count = in.Get(lenBits);
      if (in.past) return FinishDecode(TRleStatus::Corrupt, out, Status);
      if (count == 0) {
        if (index == 0) return FinishDecode(TRleStatus::Complete, out, Status);
        continue;  // an empty run appends nothing
      }
      if (index >= n) return FinishDecode(TRleStatus::Corrupt, out, Status);
      const uint32_t fit = std::min(count, bound - out);
      if (fit > 0) std::memset(Dst + out, alphabet[index], fit);
      out += fit;
      if (fit < count) return FinishDecode(TRleStatus::Overflow, out, Status);
      continue;
    }
    // Back-reference: 110, 1110 or 1111.
    uint32_t distance;
    uint32_t length;
    if (in.Get(1) == 0) {
      distance = in.Get(8);
      distance |= in.Get(2) << 8;
      length = in.Get(5) + 1;
    } else if (in.Get(1) == 0) {
      distance = in.Get(8);
      distance |= in.Get(1) << 8;
      length = in.Get(4) + 1;
    } else {
      distance = in.Get(6);
      length = in.Get(5);
    }
    if (in.past) return FinishDecode(TRleStatus::Corrupt, out, Status);
    if (length == 0 || distance < length || distance > out) return FinishDecode(TRleStatus::Corrupt, out, Status);
    if (length > bound - out) return FinishDecode(TRleStatus::Overflow, out, Status);
    if (ringSize > 0) {
      counter = (counter + 1) % ringSize;
      ring[counter] = RingSlot{out - distance, length};
      if (filled < ringSize) ++filled;
    }
    std::memcpy(Dst + out, Dst + out - distance, length);  // distance >= length: no overlap
    out += length;
  }
}

namespace {

// ---------------------------------------------------------------------------------------------
// Encoder

// Writes fields of 1 to 8 bits, least significant bit first, straight into the output. Bytes
// that would pass the capacity are not written and set `full`.
class BitWriter {
 public:
  BitWriter(uint8_t* dst, int32_t cap) : dst_(dst), cap_(static_cast<uint32_t>(std::max(cap, 0))) {}

  void Put(uint32_t value, unsigned width) {
    acc_ |= static_cast<uint64_t>(value & ((1u << width) - 1)) << fill_;
    fill_ += width;
    while (fill_ >= 8) {
      Store(static_cast<uint8_t>(acc_));
      acc_ >>= 8;
      fill_ -= 8;
    }
  }

  // Stores the last, partly filled byte, even when it holds no bit; returns the stream size.
  uint32_t Finish() {
    Store(static_cast<uint8_t>(acc_));
    acc_ = 0;
    fill_ = 0;
    return written_;
  }

  bool full = false;

 private:
  void Store(uint8_t b) {
    if (full || written_ >= cap_) {
      full = true;
      return;
    }
    dst_[written_++] = b;
  }

  uint8_t* dst_;
  uint32_t cap_;
  uint32_t written_ = 0;
  uint64_t acc_ = 0;
  unsigned fill_ = 0;
};

// The largest k from 1 to 8 with x >= 2^(k-1) - 1.
unsigned BitLength(uint8_t x) {
  unsigned k = 8;
  while (k > 1 && x < (1u << (k - 1)) - 1) --k;
  return k;
}

// Calls f(length) for every maximal stretch of equal bytes except the last one of the block.
template <class F>
void ForEachCountedRun(const uint8_t* src, int32_t len, F&& f) {
  int32_t i = 0;
  while (i < len) {
    int32_t j = i + 1;
    while (j < len && src[j] == src[i]) ++j;
    if (j < len) f(static_cast<uint64_t>(j - i));
    i = j;
  }
}

// The typical run length: the rounded mean of the squared lengths of the runs of 2 or more,
// leaving out runs longer than the first pass's mean square + 1.
uint64_t TypicalRunLength(const uint8_t* src, int32_t len) {
  uint64_t sum = 0, count = 0;
  ForEachCountedRun(src, len, [&](uint64_t r) {
    if (r >= 2) {
      sum += r * r;
      ++count;
    }
  });
  const uint64_t limit = count ? sum / count + 1 : 1;
  sum = 0;
  count = 0;
  ForEachCountedRun(src, len, [&](uint64_t r) {
    if (r >= 2 && r <= limit) {
      sum += r * r;
      ++count;
    }
  });
  if (count == 0) return 1;
  // Round to nearest, halves to even.
  uint64_t q = sum / count;
  const uint64_t twice = 2 * (sum % count);
  if (twice > count || (twice == count && (q & 1))) ++q;
  return q;
}

constexpr int32_t kMaxRun = 65536;       // a longer stretch starts a new run
constexpr int32_t kSearchWindow = 1023;  // farthest back-reference distance
constexpr int32_t kMaxMatch = 31;

class Encoder {
 public:
  // `prevSame[i]`: how far back the previous equal symbol lies, 0 when not within the window.
  Encoder(const uint8_t* symbols, const uint16_t* prevSame, int32_t len, unsigned n, BitWriter& w)
      : sym_(symbols), prev_(prevSame), len_(len), n_(n), w_(w) {}

  void SetWidths(unsigned lenBits, unsigned idxBits, uint32_t maxRunCount) {
    lenBits_ = lenBits;
    idxBits_ = idxBits;
    maxRunCount_ = maxRunCount;
    ringSize_ = static_cast<int>((1u << idxBits) - 1) - static_cast<int>(n_);  // >= 1 below 255 entries
  }

  void EncodeData() {
    int32_t r = 0;
    uint8_t p = sym_[0];
    int32_t c = -1;
    int32_t runStart = 0;
    do {
      ++c;
      if (sym_[c] == p && r <= kMaxRun - 1) {
        ++r;
      } else {
        PutRun(r, p, runStart);
        r = 1;
        if (RunShorterThanTwo(c) && int64_t{c} + 20 < len_) PutMatchOrLiteral(c);
        runStart = c;
        p = sym_[c];
      }
    } while (c < len_ - 1 && !w_.full);
    PutRun(r, p, runStart);
  }

  void PutEnd() {
    w_.Put(1, 1);
    w_.Put(0, 1);
    w_.Put(0, idxBits_);
    w_.Put(0, lenBits_);
  }

 private:
  void Literal(uint32_t s) {
    w_.Put(0, 1);
    w_.Put(s, idxBits_);
  }

  void RunCode(uint32_t s, uint32_t count) {
    w_.Put(1, 1);
    w_.Put(0, 1);
    w_.Put(s, idxBits_);
    w_.Put(count, lenBits_);
  }

  void RingRepeat(int slot) {
    w_.Put(0, 1);
    w_.Put(static_cast<uint32_t>(slot) + n_, idxBits_);
  }

  // Every back-reference written takes the next ring slot, as the decoder does.
  void StoreSlot(int32_t start, int32_t length) {
    if (n_ >= 255) return;
    counter_ = (counter_ + 1) % ringSize_;
    ring_[counter_] = Slot{start, length};
    if (filled_ < ringSize_) ++filled_;
  }

  // The run of r symbols s that began at runStart.
  void PutRun(int32_t r, uint8_t s, int32_t runStart) {
    const int32_t maxRun = static_cast<int32_t>(maxRunCount_);
    if (r == 1 || (r <= maxRun && lenBits_ + idxBits_ + 2 > static_cast<uint32_t>(r) * (idxBits_ + 1))) {
      for (int32_t i = 0; i < r; ++i) Literal(s);
    } else if (r <= maxRun) {
      RunCode(s, static_cast<uint32_t>(r));
    } else if (4 * maxRun < r && r > 32 && n_ < 255) {
      // A run code, a copy of it right behind it, then repeats of that copy.
      const int32_t m = std::min(maxRun, 31);
      RunCode(s, static_cast<uint32_t>(m));
      w_.Put(1, 1);
      w_.Put(1, 1);
      w_.Put(1, 1);
      w_.Put(1, 1);
      w_.Put(static_cast<uint32_t>(m), 6);
      w_.Put(static_cast<uint32_t>(m), 5);
      StoreSlot(runStart, m);
      const int slot = counter_;
      r -= 2 * m;
      while (m <= r) {
        RingRepeat(slot);
        r -= m;
      }
      if (r > 0) RunCode(s, static_cast<uint32_t>(r));
    } else {
      while (r > 0) {
        const int32_t part = std::min(r, maxRun);
        RunCode(s, static_cast<uint32_t>(part));
        r -= part;
      }
    }
  }

  // Whether the run starting at c, counted only below the block's last position, is shorter
  // than 2 symbols.
  bool RunShorterThanTwo(int32_t c) const {
    if (c >= len_ - 1) return true;
    return !(c + 1 < len_ - 1 && sym_[c + 1] == sym_[c]);
  }

  // The nearest position b from `from` down to c - 1023 whose l symbols equal those at c, or -1.
  // Only positions holding the symbol at c can match, so the walk follows their chain.
  int32_t FindBackRef(int32_t c, int32_t l, int32_t from) const {
    const int32_t lowest = std::max(0, c - kSearchWindow);
    for (int32_t b = c;;) {
      if (prev_[b] == 0) return -1;
      b -= prev_[b];
      if (b < lowest) return -1;
      if (b > from) continue;
      int32_t k = 1;
      while (k < l && sym_[b + k] == sym_[c + k]) ++k;
      if (k == l) return b;
    }
  }

  // What the l symbols at c would cost as runs and literals.
  uint32_t PlainCost(int32_t c, int32_t l) const {
    const uint32_t runCost = 2 + idxBits_ + lenBits_;
    uint32_t cost = 0;
    int32_t start = c;
    int32_t run = 1;
    for (int32_t j = c + 1; j < c + l; ++j) {
      if (sym_[j] == sym_[j - 1] && run < 255) {
        ++run;
        continue;
      }
      if (run > 1) {
        cost += runCost;
      } else {
        cost += sym_[start] == sym_[start - 2] ? 3 : 1 + idxBits_;
      }
      start = j;
      run = 1;
    }
    cost += run > 1 ? runCost : 1 + idxBits_;
    return cost;
  }

  // The highest filled slot of length >= l - 2 that ends before the block's last symbol when
  // taken at c and whose symbols equal those at c; -1 when none.
  int FindInRing(int32_t c, int32_t l) const {
    for (int s = filled_ - 1; s >= 0; --s) {
      const Slot& slot = ring_[s];
      if (slot.length >= l - 2 && int64_t{c} + slot.length < len_ && sym_[slot.start] == sym_[c] &&
          std::memcmp(sym_ + slot.start, sym_ + c, static_cast<size_t>(slot.length)) == 0) {
        return s;
      }
    }
    return -1;
  }

  // Codes the symbols at c as a ring repeat or a back-reference when that pays, and moves c past
  // them; otherwise writes nothing.
  void PutMatchOrLiteral(int32_t& c) {
    if (c < 2 || c + 1 >= len_) return;
    // Grow the match one symbol at a time while a match of the longer length exists. A match of
    // l + 1 symbols also matches l, so its search starts at the nearest match of l.
    int32_t l = 1;
    int32_t b = FindBackRef(c, 1, c - 1);
    if (b < 0) return;
    for (;;) {
      const int32_t longer = FindBackRef(c, l + 1, std::min(b, c - (l + 1)));
      if (longer < 0) break;
      ++l;
      b = longer;
      if (l + 2 == c || l == kMaxMatch || int64_t{c} + l + 10 >= len_) break;
    }
    const uint32_t d = static_cast<uint32_t>(c - b);
    const uint32_t cost = PlainCost(c, l);

    const int slot = FindInRing(c, l);
    if (slot >= 0) {
      RingRepeat(slot);
      c += ring_[slot].length;
      return;
    }

    const uint32_t ul = static_cast<uint32_t>(l);
    if (d >= 64 && d <= 511 && l <= 15 && cost > 16) {
      w_.Put(1, 1);
      w_.Put(1, 1);
      w_.Put(1, 1);
      w_.Put(0, 1);
      w_.Put(d & 0xFF, 8);
      w_.Put((d >> 8) & 1, 1);
      w_.Put(ul - 1, 4);
    } else if (d >= 64 && cost > 21) {
      w_.Put(1, 1);
      w_.Put(1, 1);
      w_.Put(0, 1);
      w_.Put(d & 0xFF, 8);
      w_.Put((d >> 8) & 3, 2);
      w_.Put(ul - 1, 5);
    } else if (d <= 63 && cost > 15) {
      w_.Put(1, 1);
      w_.Put(1, 1);
      w_.Put(1, 1);
      w_.Put(1, 1);
      w_.Put(d, 6);
      w_.Put(ul, 5);
    } else {
      return;
    }
    StoreSlot(b, l);
    c += l;
  }

  struct Slot {
    int32_t start;
    int32_t length;
  };

  const uint8_t* sym_;
  const uint16_t* prev_;
  int32_t len_;
  unsigned n_;
  BitWriter& w_;
  unsigned lenBits_ = 1;
  unsigned idxBits_ = 1;
  uint32_t maxRunCount_ = 1;
  int ringSize_ = 0;
  std::array<Slot, kMaxRing> ring_{};
  int counter_ = -1;
  int filled_ = 0;
};

// A work buffer of the compressor, kept in the memory-block register while the call runs.
template <class T>
class WorkBlock {
 public:
  WorkBlock(int32_t count, const char* name) : data_(new T[static_cast<size_t>(count)]) {
    const int64_t bytes = int64_t{count} * static_cast<int64_t>(sizeof(T));
    AddMemoryBlock(InfoScreenData, data_.get(), static_cast<int32_t>(std::min<int64_t>(bytes, INT32_MAX)), name);
  }
  ~WorkBlock() { RemoveMemoryBlock(InfoScreenData, data_.get()); }
  WorkBlock(const WorkBlock&) = delete;
  WorkBlock& operator=(const WorkBlock&) = delete;
  T* get() { return data_.get(); }

 private:
  std::unique_ptr<T[]> data_;
};

int32_t RefusePack(TRlePackStatus why, TRlePackStatus* out) {
  if (out) *out = why;
  return 0;
}

}  // namespace

int32_t rlecompress(const uint8_t* Src, int32_t Len, uint8_t* Dst, int32_t DstCap, TRlePackStatus* Status) {
  if (Len < 1) return RefusePack(TRlePackStatus::EmptyBlock, Status);

  // The alphabet: the distinct byte values, ascending.
  bool present[256] = {};
  for (int32_t i = 0; i < Len; ++i) present[Src[i]] = true;
  uint8_t alphabet[256];
  uint8_t indexOf[256] = {};
  unsigned n = 0;
  for (unsigned b = 0; b < 256; ++b) {
    if (!present[b]) continue;
    indexOf[b] = static_cast<uint8_t>(n);
    alphabet[n++] = static_cast<uint8_t>(b);
  }
  if (n > 255) return RefusePack(TRlePackStatus::AllByteValues, Status);

  BitWriter w(Dst, DstCap);
  w.Put(n, 8);
  unsigned v = 0;
  for (unsigned i = 0; i < n;) {
    const unsigned d = alphabet[i] - v;
    if (d == 1) {
      if (i + 1 < n && alphabet[i + 1] == alphabet[i] + 1) {
        w.Put(2, 2);
        v = alphabet[i + 1];
        i += 2;
        continue;
      }
      w.Put(0, 2);
    } else if (d == 2) {
      w.Put(1, 2);
    } else {
      w.Put(3, 2);
      w.Put(d, 8);
    }
    v = alphabet[i];
    ++i;
  }

  // The index block, and for each symbol the distance back to the previous equal one.
  WorkBlock<uint8_t> symbols(Len, "unum_rlecompress - x2");
  WorkBlock<uint16_t> prevSame(Len, "unum_rlecompress - chain");
  int32_t last[256];
  std::fill(std::begin(last), std::end(last), -1);
  for (int32_t i = 0; i < Len; ++i) {
    const uint8_t s = indexOf[Src[i]];
    symbols.get()[i] = s;
    prevSame.get()[i] = static_cast<uint16_t>(last[s] >= 0 && i - last[s] <= kSearchWindow ? i - last[s] : 0);
    last[s] = i;
  }

  const uint64_t t = TypicalRunLength(Src, Len);
  const unsigned k = BitLength(static_cast<uint8_t>(t & 0xFF));
  const uint32_t maxRunCount = (1u << k) - 1;
  const unsigned lenBits = BitLength(static_cast<uint8_t>(maxRunCount));
  const unsigned idxBits = BitLength(static_cast<uint8_t>(n));
  w.Put(lenBits - 1, 3);
  w.Put(idxBits - 1, 3);

  Encoder enc(symbols.get(), prevSame.get(), Len, n, w);
  enc.SetWidths(lenBits, idxBits, maxRunCount);
  enc.EncodeData();
  enc.PutEnd();
  const uint32_t size = w.Finish();
  if (w.full) return RefusePack(TRlePackStatus::OutputFull, Status);
  if (Status) *Status = TRlePackStatus::Packed;
  return static_cast<int32_t>(size);
}
