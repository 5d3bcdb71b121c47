#include "engine/files/rle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "engine/base/statistics.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::string Hex(const Bytes& b) {
  static const char* digits = "0123456789ABCDEF";
  std::string s;
  for (uint8_t x : b) {
    if (!s.empty()) s += ' ';
    s += digits[x >> 4];
    s += digits[x & 15];
  }
  return s;
}

Bytes Pack(const Bytes& in) {
  Bytes out(static_cast<size_t>(rlePackBound(static_cast<int64_t>(in.size()))));
  TRlePackStatus status = TRlePackStatus::OutputFull;
  const int32_t n = rlecompress(in.data(), static_cast<int32_t>(in.size()), out.data(), static_cast<int32_t>(out.size()), &status);
  EXPECT_EQ(status, TRlePackStatus::Packed);
  EXPECT_GT(n, 0);
  out.resize(static_cast<size_t>(std::max(n, 0)));
  return out;
}

struct Decoded {
  Bytes out;
  TRleStatus status;
  uint8_t overflow;
};

// Decodes from a copy of exactly the stream's size into a buffer of exactly the bound, so that
// any access outside either shows up under AddressSanitizer.
Decoded Unpack(const Bytes& stream, int32_t bound) {
  const std::unique_ptr<uint8_t[]> src(new uint8_t[stream.size() + (stream.empty() ? 1 : 0)]);
  if (!stream.empty()) std::memcpy(src.get(), stream.data(), stream.size());
  const std::unique_ptr<uint8_t[]> dst(new uint8_t[static_cast<size_t>(bound) + (bound == 0 ? 1 : 0)]);
  RleOverflow = 7;
  TRleStatus status = TRleStatus::Corrupt;
  const int32_t n = rledecompress(src.get(), static_cast<int32_t>(stream.size()), dst.get(), bound, &status);
  EXPECT_GE(n, 0);
  EXPECT_LE(n, bound);
  EXPECT_EQ(RleStatus, status);
  return Decoded{Bytes(dst.get(), dst.get() + n), status, RleOverflow};
}

// Writes streams by hand, field by field.
class StreamBuilder {
 public:
  StreamBuilder& Bits(uint32_t v, unsigned w) {
    for (unsigned i = 0; i < w; ++i) {
      if (bit_ % 8 == 0) bytes_.push_back(0);
      if ((v >> i) & 1) bytes_.back() |= static_cast<uint8_t>(1u << (bit_ % 8));
      ++bit_;
    }
    return *this;
  }
  // N, then every entry as code 3 with its difference, then the widths.
  StreamBuilder& Head(const Bytes& alphabet, unsigned lenBits, unsigned idxBits) {
    n_ = static_cast<unsigned>(alphabet.size());
    Bits(n_, 8);
    uint8_t v = 0;
    for (uint8_t a : alphabet) {
      Bits(3, 2).Bits(static_cast<uint8_t>(a - v), 8);
      v = a;
    }
    lenBits_ = lenBits;
    idxBits_ = idxBits;
    return Bits(lenBits - 1, 3).Bits(idxBits - 1, 3);
  }
  StreamBuilder& Lit(unsigned index) { return Bits(0, 1).Bits(index, idxBits_); }
  StreamBuilder& Repeat(unsigned slot) { return Bits(0, 1).Bits(slot + n_, idxBits_); }
  StreamBuilder& Run(unsigned index, unsigned count) { return Bits(1, 1).Bits(0, 1).Bits(index, idxBits_).Bits(count, lenBits_); }
  StreamBuilder& End() { return Run(0, 0); }
  // The width fields after an alphabet written with Bits().
  StreamBuilder& Widths(unsigned n, unsigned lenBits, unsigned idxBits) {
    n_ = n;
    lenBits_ = lenBits;
    idxBits_ = idxBits;
    return Bits(lenBits - 1, 3).Bits(idxBits - 1, 3);
  }
  StreamBuilder& Ref110(unsigned d, unsigned len) { return Bits(1, 1).Bits(1, 1).Bits(0, 1).Bits(d & 255, 8).Bits(d >> 8, 2).Bits(len - 1, 5); }
  StreamBuilder& Ref1110(unsigned d, unsigned len) { return Bits(7, 3).Bits(0, 1).Bits(d & 255, 8).Bits(d >> 8, 1).Bits(len - 1, 4); }
  StreamBuilder& Ref1111(unsigned d, unsigned len) { return Bits(15, 4).Bits(d, 6).Bits(len, 5); }
  Bytes Done() const { return bytes_; }

 private:
  Bytes bytes_;
  size_t bit_ = 0;
  unsigned n_ = 0, lenBits_ = 1, idxBits_ = 1;
};

// One code of a stream, with the output position at which it starts.
struct Code {
  enum Kind { Literal, Repeat, Run, Ref110, Ref1110, Ref1111, End } kind;
  uint32_t a;  // literal or run: alphabet index; repeat: slot; reference: distance
  uint32_t b;  // run: count; reference: length
  size_t pos;
  bool operator==(const Code& o) const { return kind == o.kind && a == o.a && b == o.b; }
};

std::ostream& operator<<(std::ostream& os, const Code& c) {
  static const char* names[] = {"Literal", "Repeat", "Run", "Ref110", "Ref1110", "Ref1111", "End"};
  return os << names[c.kind] << "(" << c.a << "," << c.b << ")@" << c.pos;
}

Code Lit(uint32_t i) { return {Code::Literal, i, 0, 0}; }
Code Rep(uint32_t s) { return {Code::Repeat, s, 0, 0}; }
Code RunOf(uint32_t i, uint32_t n) { return {Code::Run, i, n, 0}; }
Code R1111(uint32_t d, uint32_t l) { return {Code::Ref1111, d, l, 0}; }
Code EndCode() { return {Code::End, 0, 0, 0}; }

struct Trace {
  unsigned n = 0;
  std::vector<std::pair<unsigned, unsigned>> alphabetCodes;  // (code, D)
  unsigned lenBits = 0, idxBits = 0;
  std::vector<Code> codes;
  size_t bits = 0;  // stream bits up to the end of the end code
};

// Lists the codes of a well-formed stream (an independent reading of the format).
Trace TraceStream(const Bytes& s) {
  size_t bit = 0;
  auto get = [&](unsigned w) {
    uint32_t v = 0;
    for (unsigned i = 0; i < w; ++i, ++bit) {
      if (bit / 8 >= s.size()) throw std::runtime_error("stream ends early");
      v |= static_cast<uint32_t>((s[bit / 8] >> (bit % 8)) & 1) << i;
    }
    return v;
  };
  Trace t;
  t.n = get(8);
  for (unsigned have = 0; have < t.n;) {
    const unsigned code = get(2);
    const unsigned d = code == 3 ? get(8) : 0;
    t.alphabetCodes.emplace_back(code, d);
    have += code == 2 ? 2 : 1;
  }
  t.lenBits = get(3) + 1;
  t.idxBits = get(3) + 1;
  const int ring = std::max(static_cast<int>((1u << t.idxBits) - 1 - t.n), 0);
  std::vector<uint32_t> slotLen(static_cast<size_t>(std::max(ring, 1)));
  int counter = -1;
  size_t pos = 0;
  auto ref = [&](Code::Kind k, uint32_t d, uint32_t l) {
    t.codes.push_back({k, d, l, pos});
    if (ring > 0) {
      counter = (counter + 1) % ring;
      slotLen[static_cast<size_t>(counter)] = l;
    }
    pos += l;
  };
  for (;;) {
    if (get(1) == 0) {
      const uint32_t i = get(t.idxBits);
      if (i < t.n) {
        t.codes.push_back({Code::Literal, i, 0, pos});
        pos += 1;
      } else {
        t.codes.push_back({Code::Repeat, i - t.n, 0, pos});
        pos += slotLen.at(i - t.n);
      }
    } else if (get(1) == 0) {
      const uint32_t i = get(t.idxBits);
      const uint32_t c = get(t.lenBits);
      if (i == 0 && c == 0) {
        t.codes.push_back({Code::End, 0, 0, pos});
        t.bits = bit;
        return t;
      }
      t.codes.push_back({Code::Run, i, c, pos});
      pos += c;
    } else if (get(1) == 0) {
      const uint32_t d = get(8) | get(2) << 8;
      ref(Code::Ref110, d, get(5) + 1);
    } else if (get(1) == 0) {
      const uint32_t d = get(8) | get(1) << 8;
      ref(Code::Ref1110, d, get(4) + 1);
    } else {
      const uint32_t d = get(6);
      ref(Code::Ref1111, d, get(5));
    }
  }
}

std::vector<Code> LastCodes(const Trace& t, size_t count) {
  return std::vector<Code>(t.codes.end() - static_cast<std::ptrdiff_t>(std::min(count, t.codes.size())), t.codes.end());
}

// A block shaped like an editor's record: mostly zero, with short strings, small integers and
// floats at scattered places.
Bytes RecordLikeBlock(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b(size, 0);
  static const char* words[] = {"English", "Deutsch", "Francais", "Steam locomotive", "NONE", "loco_body.msh2",
                                "wheel.msh2", "engine_start.wav", "Coal", "Passengers"};
  size_t p = 0;
  while (p + 48 < size) {
    switch (rng() % 4) {
      case 0: {
        const std::string w = words[rng() % 10];
        b[p] = static_cast<uint8_t>(w.size());
        std::memcpy(&b[p + 1], w.data(), w.size());
        p += 41;
        break;
      }
      case 1: {
        const float f = static_cast<float>(static_cast<int>(rng() % 4000) - 2000) / 4.0f;
        std::memcpy(&b[p], &f, 4);
        p += 4;
        break;
      }
      case 2: {
        const int32_t v = static_cast<int32_t>(rng() % 100000);
        std::memcpy(&b[p], &v, 4);
        p += 4;
        break;
      }
      default:
        p += rng() % 120;
    }
  }
  return b;
}

// ---------------------------------------------------------------------------------------------

struct WorkedExample {
  std::string input;
  Bytes stream;
};

TEST(RleCodec, PacksAndUnpacksWorkedExamplesExactly) {
  const WorkedExample examples[] = {
      {"abc", {0x03, 0x87, 0x29, 0x81, 0x50, 0x00}},
      {"aaaaaaaa", {0x01, 0x87, 0x29, 0xB1, 0x58, 0x28, 0x00}},
  };
  for (const auto& ex : examples) {
    SCOPED_TRACE(ex.input);
    EXPECT_EQ(Hex(Pack(B(ex.input))), Hex(ex.stream));
    const Decoded d = Unpack(ex.stream, static_cast<int32_t>(ex.input.size()));
    EXPECT_EQ(d.out, B(ex.input));
    EXPECT_EQ(d.status, TRleStatus::Complete);
    EXPECT_EQ(d.overflow, 0);
  }
  // The second example: one alphabet entry, widths 3 and 2, runs of 3, 3 and 2.
  const Trace t = TraceStream(Pack(B("aaaaaaaa")));
  EXPECT_EQ(t.lenBits, 3u);
  EXPECT_EQ(t.idxBits, 2u);
  EXPECT_EQ(t.codes, (std::vector<Code>{RunOf(0, 3), RunOf(0, 3), RunOf(0, 2), EndCode()}));
}

struct BoundCase {
  const char* what;
  Bytes stream;
  Bytes full;          // what the stream decodes to without a bound
  size_t belowBound;   // bytes returned with a bound one below the full size
};

TEST(RleCodec, BoundBelowDecodedSizeStopsAtFirstCodeThatDoesNotFit) {
  const Bytes abcd = B("abcd");
  const BoundCase cases[] = {
      {"last code a literal", {0x03, 0x87, 0x29, 0x81, 0x50, 0x00}, B("abc"), 2},
      {"last code a run", {0x01, 0x87, 0x29, 0xB1, 0x58, 0x28, 0x00}, B("aaaaaaaa"), 7},
      {"last code a copy", StreamBuilder().Head(abcd, 3, 3).Lit(0).Lit(1).Lit(2).Lit(3).Ref1111(4, 4).End().Done(), B("abcdabcd"), 4},
      {"last code a ring repeat",
       StreamBuilder().Head(abcd, 3, 3).Lit(0).Lit(1).Lit(2).Lit(3).Ref1111(3, 3).Repeat(0).End().Done(), B("abcdbcdbcd"), 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int32_t size = static_cast<int32_t>(c.full.size());
    const Decoded exact = Unpack(c.stream, size);
    EXPECT_EQ(exact.out, c.full);
    EXPECT_EQ(exact.status, TRleStatus::Complete);
    EXPECT_EQ(exact.overflow, 0);

    const Decoded cut = Unpack(c.stream, size - 1);
    EXPECT_EQ(cut.out, Bytes(c.full.begin(), c.full.begin() + static_cast<std::ptrdiff_t>(c.belowBound)));
    EXPECT_EQ(cut.status, TRleStatus::Overflow);
    EXPECT_EQ(cut.overflow, 1);

    const Decoded none = Unpack(c.stream, 0);
    EXPECT_TRUE(none.out.empty());
    EXPECT_EQ(none.overflow, 1);
  }
}

TEST(RleCodec, DecodesCodesByTheirFieldWidths) {
  const Bytes ab = B("ab");
  struct Case {
    const char* what;
    Bytes stream;
    std::string out;
  } cases[] = {
      // Length field 5 in each reference code, written bit by bit.
      {"1111 length field is the length", StreamBuilder().Head(ab, 3, 3).Run(0, 3).Run(1, 3).Bits(15, 4).Bits(6, 6).Bits(5, 5).End().Done(), "aaabbbaaabb"},
      {"110 length field is length - 1", StreamBuilder().Head(ab, 3, 3).Run(0, 3).Run(1, 3).Bits(3, 3).Bits(6, 8).Bits(0, 2).Bits(5, 5).End().Done(), "aaabbbaaabbb"},
      {"1110 length field is length - 1", StreamBuilder().Head(ab, 3, 3).Run(0, 3).Run(1, 3).Bits(7, 4).Bits(6, 8).Bits(0, 1).Bits(5, 4).End().Done(), "aaabbbaaabbb"},
      {"run of count 0 appends nothing", StreamBuilder().Head(ab, 3, 3).Lit(0).Run(1, 0).Lit(1).End().Done(), "ab"},
      {"run of count 0 past the alphabet appends nothing", StreamBuilder().Head(ab, 3, 3).Lit(0).Run(5, 0).Lit(1).End().Done(), "ab"},
      {"end code ends before trailing bytes", [&] { Bytes s = StreamBuilder().Head(ab, 3, 3).Lit(1).End().Done(); s.insert(s.end(), {0xFF, 0xFF}); return s; }(), "b"},
      {"ring repeat copies its slot", StreamBuilder().Head(ab, 3, 3).Lit(0).Lit(1).Lit(1).Ref1111(3, 2).Lit(0).Repeat(0).End().Done(), "abbabaab"},
      {"alphabet values wrap at 256", StreamBuilder().Bits(2, 8).Bits(3, 2).Bits(255, 8).Bits(0, 2).Widths(2, 3, 2).Lit(0).Lit(1).End().Done(), std::string("\xFF\x00", 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Decoded d = Unpack(c.stream, 64);
    EXPECT_EQ(d.status, TRleStatus::Complete);
    EXPECT_EQ(std::string(d.out.begin(), d.out.end()), c.out);
  }
}

// The ring holds 2^IdxBits - 1 - N slots: 253 with IdxBits 8 and two entries, filled in turn and
// then reused from slot 0.
TEST(RleCodec, RingHoldsEverySlotTheWidthsGive) {
  StreamBuilder sb;
  sb.Head(B("ab"), 3, 8);
  Bytes expect;
  for (int i = 0; i < 40; ++i) {
    sb.Lit(i % 3 == 0 ? 1 : 0);
    expect.push_back(i % 3 == 0 ? 'b' : 'a');
  }
  std::vector<std::pair<size_t, size_t>> slots;
  for (int k = 0; k < 254; ++k) {  // the 254th reference overwrites slot 0
    const unsigned d = 10 + static_cast<unsigned>(k % 25), l = 1 + static_cast<unsigned>(k % 9);
    sb.Ref1111(d, l);
    const size_t start = expect.size() - d;
    if (k < 253) slots.emplace_back(start, l); else slots[0] = {start, l};
    for (size_t j = 0; j < l; ++j) expect.push_back(expect[start + j]);
  }
  for (unsigned s : {252u, 0u, 128u, 1u}) {
    sb.Repeat(s);
    for (size_t j = 0; j < slots[s].second; ++j) expect.push_back(expect[slots[s].first + j]);
  }
  const Bytes good = StreamBuilder(sb).End().Done();
  const Decoded d = Unpack(good, 100000);
  EXPECT_EQ(d.status, TRleStatus::Complete);
  EXPECT_EQ(d.out, expect);
  // Index 255 names slot 253, one past the ring.
  EXPECT_EQ(Unpack(StreamBuilder(sb).Repeat(253).End().Done(), 100000).status, TRleStatus::Corrupt);
}

TEST(RleCodec, FullAlphabetReferencesStoreNoSlot) {
  Bytes all(255);
  std::iota(all.begin(), all.end(), 0);
  StreamBuilder sb;
  sb.Head(all, 3, 8).Lit(10).Lit(20).Lit(30).Ref1111(3, 3).Ref110(6, 6);
  const Decoded d = Unpack(StreamBuilder(sb).End().Done(), 100);
  EXPECT_EQ(d.status, TRleStatus::Complete);
  EXPECT_EQ(d.out, (Bytes{10, 20, 30, 10, 20, 30, 10, 20, 30, 10, 20, 30}));
  EXPECT_EQ(Unpack(StreamBuilder(sb).Bits(0, 1).Bits(255, 8).End().Done(), 100).status, TRleStatus::Corrupt);
}

struct CorruptCase {
  const char* what;
  Bytes stream;
  size_t written;  // bytes decoded before the fault
};

TEST(RleCodec, RefusesCorruptStreamsWithinBounds) {
  const Bytes abc = B("abc");
  const Bytes valid = {0x03, 0x87, 0x29, 0x81, 0x50, 0x00};
  const CorruptCase cases[] = {
      {"empty input", {}, 0},
      {"alphabet count 0", StreamBuilder().Bits(0, 8).Bits(2, 3).Bits(2, 3).Lit(0).End().Done(), 0},
      {"alphabet code 2 passes the count", StreamBuilder().Bits(1, 8).Bits(2, 2).Bits(2, 3).Bits(1, 3).Lit(0).End().Done(), 0},
      {"input ends inside the alphabet", {0x03, 0x87}, 0},
      {"input ends inside a code", Bytes(valid.begin(), valid.begin() + 4), 1},  // 32 bits: head 26, one literal
      {"no end code before the input ends", StreamBuilder().Head(abc, 3, 3).Lit(0).Lit(2).Lit(1).Done(), 3},  // 56 bits
      {"ring repeat before any reference", StreamBuilder().Head(abc, 3, 3).Lit(0).Repeat(0).End().Done(), 1},
      {"ring repeat of a slot never filled", StreamBuilder().Head(abc, 3, 3).Run(0, 4).Ref1111(2, 2).Repeat(1).End().Done(), 6},
      {"index of all ones", StreamBuilder().Head(abc, 3, 3).Run(1, 2).Ref1111(2, 2).Bits(0, 1).Bits(7, 3).End().Done(), 4},
      {"run of an index past the alphabet", StreamBuilder().Head(abc, 3, 3).Lit(1).Run(3, 2).End().Done(), 1},
      {"reference of distance 0", StreamBuilder().Head(abc, 3, 3).Run(0, 4).Ref1111(0, 1).End().Done(), 4},
      {"reference shorter than its length", StreamBuilder().Head(abc, 3, 3).Run(0, 4).Ref1111(2, 3).End().Done(), 4},
      {"reference before the output (1111)", StreamBuilder().Head(abc, 3, 3).Lit(0).Lit(1).Ref1111(3, 1).End().Done(), 2},
      {"reference before the output (1110)", StreamBuilder().Head(abc, 3, 3).Run(2, 7).Ref1110(300, 4).End().Done(), 7},
      {"reference before the output (110)", StreamBuilder().Head(abc, 3, 3).Run(2, 7).Ref110(1000, 4).End().Done(), 7},
      {"reference of length 0", StreamBuilder().Head(abc, 3, 3).Run(0, 4).Ref1111(3, 0).End().Done(), 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Decoded d = Unpack(c.stream, 1000);
    EXPECT_EQ(d.status, TRleStatus::Corrupt);
    EXPECT_EQ(d.overflow, 0);
    EXPECT_EQ(d.out.size(), c.written);
  }
}

// Every cut of a real stream either fails as corrupt or, when only the padding byte went,
// still decodes whole.
TEST(RleCodec, RefusesEveryTruncationOfAStream) {
  const Bytes block = RecordLikeBlock(3000, 7);
  const Bytes stream = Pack(block);
  for (size_t k = 0; k < stream.size(); ++k) {
    const Decoded d = Unpack(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(k)), 3000);
    if (d.status == TRleStatus::Complete) {
      EXPECT_EQ(k, stream.size() - 1);
      EXPECT_EQ(stream.back(), 0);
      EXPECT_EQ(d.out, block);
    } else {
      ASSERT_EQ(d.status, TRleStatus::Corrupt) << "cut at " << k;
      ASSERT_TRUE(std::equal(d.out.begin(), d.out.end(), block.begin()));
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Compressor choices

TEST(RleCodec, WritesAlphabetAsDifferenceCodes) {
  using Codes = std::vector<std::pair<unsigned, unsigned>>;
  struct Case {
    Bytes values;
    Codes codes;
  } cases[] = {
      {{0, 5, 1}, {{3, 0}, {0, 0}, {3, 4}}},
      {{10, 11, 12, 13}, {{3, 10}, {2, 0}, {0, 0}}},
      {{14, 13, 12, 11, 10}, {{3, 10}, {2, 0}, {2, 0}}},
      {{1, 3, 4, 9}, {{0, 0}, {1, 0}, {0, 0}, {3, 5}}},
      {{97, 98, 99}, {{3, 97}, {2, 0}}},
      {{255, 254}, {{3, 254}, {0, 0}}},
  };
  for (const auto& c : cases) {
    const Trace t = TraceStream(Pack(c.values));
    EXPECT_EQ(t.alphabetCodes, c.codes) << Hex(c.values);
  }
}

TEST(RleCodec, CodesShortRunByCheaperFormRunCodeWinningTies) {
  Bytes seven{1, 2, 3, 4, 5, 6, 7, 7};  // N 7: IdxBits 4; no counted run: LenBits 3
  Bytes wide(12, 200);                  // a counted run of 12: T 144, LenBits 8
  for (uint8_t v = 0; v < 127; ++v) wide.push_back(v);  // N 128: IdxBits 8
  wide.insert(wide.end(), {5, 5});
  Bytes narrow(9, 'a');  // T 81: LenBits 8; N 2: IdxBits 2
  narrow.insert(narrow.end(), {'b', 'a', 'a'});
  struct Case {
    const char* what;
    Bytes block;
    unsigned idxBits, lenBits;
    std::vector<Code> tail;
  } cases[] = {
      {"9 bits against 10", seven, 4, 3, {Lit(5), RunOf(6, 2), EndCode()}},
      {"18 bits against 18", wide, 8, 8, {Lit(126), RunOf(5, 2), EndCode()}},
      {"12 bits against 6", narrow, 2, 8, {Lit(1), Lit(0), Lit(0), EndCode()}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes stream = Pack(c.block);
    const Trace t = TraceStream(stream);
    EXPECT_EQ(t.idxBits, c.idxBits);
    EXPECT_EQ(t.lenBits, c.lenBits);
    EXPECT_EQ(LastCodes(t, c.tail.size()), c.tail);
    EXPECT_EQ(Unpack(stream, static_cast<int32_t>(c.block.size())).out, c.block);
  }
}

TEST(RleCodec, LongRunBecomesRunCopyAndRingRepeats) {
  // Runs of 3 make T 9: MaxRunCount 15, LenBits 5; three values: IdxBits 3, four ring slots.
  Bytes block;
  for (int i = 0; i < 4; ++i) block.insert(block.end(), 3, static_cast<uint8_t>(1 + i % 2));
  block.insert(block.end(), 100, 3);  // the last run is not counted
  const Bytes stream = Pack(block);
  const Trace t = TraceStream(stream);
  EXPECT_EQ(t.lenBits, 5u);
  EXPECT_EQ(t.idxBits, 3u);
  EXPECT_EQ(LastCodes(t, 8), (std::vector<Code>{RunOf(2, 15), R1111(15, 15), Rep(0), Rep(0), Rep(0), Rep(0), RunOf(2, 10), EndCode()}));
  EXPECT_EQ(Unpack(stream, static_cast<int32_t>(block.size())).out, block);
}

TEST(RleCodec, SplitsLongRunIntoRunCodesWithFullAlphabet) {
  Bytes block(255);
  std::iota(block.begin(), block.end(), 0);  // no counted run: MaxRunCount 3
  block.insert(block.end(), 40, 9);
  const Bytes stream = Pack(block);
  const Trace t = TraceStream(stream);
  std::vector<Code> tail(13, RunOf(9, 3));
  tail.push_back(RunOf(9, 1));
  tail.push_back(EndCode());
  EXPECT_EQ(LastCodes(t, tail.size()), tail);
  EXPECT_EQ(Unpack(stream, static_cast<int32_t>(block.size())).out, block);
}

// A chunk of 12 symbols repeated at a given distance, fenced so that the match is exactly the
// chunk: the reference code follows the distance.
TEST(RleCodec, ChoosesReferenceCodeByDistance) {
  struct Case {
    uint32_t distance;
    Code::Kind kind;  // End: no reference
  } cases[] = {{14, Code::Ref1111}, {63, Code::Ref1111}, {64, Code::Ref1110}, {511, Code::Ref1110},
               {512, Code::Ref110}, {1023, Code::Ref110}, {1024, Code::End}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.distance);
    std::mt19937 rng(c.distance);
    Bytes block;
    for (int i = 0; i < 40; ++i) block.push_back(static_cast<uint8_t>(100 + rng() % 100));
    block.push_back(210);
    const size_t first = block.size();
    for (uint8_t v = 0; v < 12; ++v) block.push_back(v);
    block.push_back(220);
    while (block.size() < first + c.distance - 1) block.push_back(static_cast<uint8_t>(100 + rng() % 100));
    block.push_back(211);
    const size_t second = block.size();
    for (uint8_t v = 0; v < 12; ++v) block.push_back(v);
    block.push_back(221);
    for (int i = 0; i < 30; ++i) block.push_back(static_cast<uint8_t>(100 + rng() % 100));

    const Bytes stream = Pack(block);
    const Trace t = TraceStream(stream);
    auto at = std::find_if(t.codes.begin(), t.codes.end(), [&](const Code& x) { return x.pos == second; });
    ASSERT_NE(at, t.codes.end());
    if (c.kind == Code::End) {
      EXPECT_EQ(at->kind, Code::Literal);
    } else {
      EXPECT_EQ(at->kind, c.kind);
      EXPECT_EQ(at->a, c.distance);
      EXPECT_EQ(at->b, 12u);
    }
    EXPECT_EQ(Unpack(stream, static_cast<int32_t>(block.size())).out, block);
  }
}

TEST(RleCodec, FullAlphabetWritesReferencesButNoRingRepeats) {
  std::mt19937 rng(5);
  Bytes values(255);
  std::iota(values.begin(), values.end(), 0);
  Bytes block;
  for (int round = 0; round < 6; ++round) {
    std::shuffle(values.begin(), values.end(), rng);
    block.insert(block.end(), values.begin(), values.end());
    const Bytes repeat(block.end() - 200, block.end() - 170);  // 30 bytes again, 200 back
    block.insert(block.end(), repeat.begin(), repeat.end());
  }
  const Bytes stream = Pack(block);
  const Trace t = TraceStream(stream);
  EXPECT_EQ(t.n, 255u);
  EXPECT_TRUE(std::any_of(t.codes.begin(), t.codes.end(), [](const Code& c) { return c.kind >= Code::Ref110 && c.kind <= Code::Ref1111; }));
  EXPECT_TRUE(std::none_of(t.codes.begin(), t.codes.end(), [](const Code& c) { return c.kind == Code::Repeat; }));
  EXPECT_EQ(Unpack(stream, static_cast<int32_t>(block.size())).out, block);
}

// ---------------------------------------------------------------------------------------------
// The choices that decide only the size, each pinned by a whole stream. The codes above each
// stream are what the compressor's rules give for the block, worked out by hand; the bytes are
// those codes packed. Alphabet indices: a 0, b 1, c 2, d 3, e 4, then x.

struct PinnedStream {
  const char* choice;
  std::string block;
  std::string stream;  // hexadecimal
};

std::string Times(int n, char c) { return std::string(static_cast<size_t>(n), c); }

void ExpectPinnedStreams(const std::vector<PinnedStream>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.choice);
    const Bytes block = B(c.block);
    const Bytes stream = Pack(block);
    EXPECT_EQ(Hex(stream), c.stream);
    EXPECT_EQ(Unpack(stream, static_cast<int32_t>(block.size())).out, block);
  }
}

// T is the mean of the squared lengths of the counted runs (the last run never counts), rounded
// to the nearest integer with halves to even, over the runs no longer than the first pass's mean
// + 1. It sets MaxRunCount = 2^BitLength(T mod 256) - 1 and LenBits.
TEST(RleCodec, PinsTypicalRunLengthByteForByte) {
  std::string alternating;
  for (int i = 0; i < 19; ++i) alternating += Times(2, i % 2 ? 'b' : 'a');
  ExpectPinnedStreams({
      // Runs 2, 3: 13 / 2 = 6.5 gives 6 (rounding up would give 7 and LenBits 5).
      // T 6: MaxRunCount 7, LenBits 4, IdxBits 3. Lit 0, Lit 0, Run(1, 3), Lit 2, end.
      {"a half rounds to even", "aabbbc", "03 87 39 01 94 A1 00 00"},
      // Runs 2, 2, 2, 3, 3, 3, 3: 48 / 7 = 6.86 gives 7 (cutting would give 6 and LenBits 4).
      // T 7: MaxRunCount 15, LenBits 5. Runs of 2 as two literals (10 bits > 8), runs of 3 as
      // run codes: Lit 0 0 1 1 0 0, Run(1, 3), Run(0, 3), Run(1, 3), Run(0, 3), Lit 2, end.
      {"a mean above the half rounds up", "aabbaabbbaaabbbaaac", "03 87 49 01 88 00 94 11 46 19 61 50 00 00"},
      // Nineteen runs of 2, one of 10: the first pass gives 176 div 20 + 1 = 9, so the run of 10
      // is left out and T = 76 / 19 = 4: MaxRunCount 7, LenBits 4, IdxBits 2. Runs of 2 as
      // literals (8 bits > 6); the run of 10 splits into Run(1, 7), Run(1, 3); Lit 0, end. (With
      // the run of 10, T would be 9, LenBits 5 and the run one code.)
      {"the second pass leaves out long runs", alternating + Times(10, 'b') + "a",
       "02 87 B1 00 12 20 01 12 20 01 12 20 01 12 20 01 12 50 57 83 00"},
  });
}

// The plain cost of the matched symbols, against which a back-reference must pay. IdxBits 3: a
// literal costs 4 bits, a 1111 reference 15.
TEST(RleCodec, PinsPlainCostByteForByte) {
  ExpectPinnedStreams({
      // At 7, "abcd" matches at 0 (then e against b): four single symbols, none equal to the
      // symbol two before it, 16 bits > 15. Lit 0 1 2 3 4 2 3, 1111(7, 4), the run of 17 b split
      // by MaxRunCount 3: Run(1, 3) x 5, Run(1, 2), end.
      {"four literals pay for a reference", "abcdecdabcd" + Times(17, 'b'),
       "05 87 A9 04 42 86 64 7F 90 B2 B2 B2 B2 B2 A2 00"},
      // The same, but the b at 8 equals the symbol two before it (6): 3 bits, 15 in all, which
      // does not pay. Lit 0 1 2 3 4 2 1, then the match as Lit 0 1 2 3 (from 8 on fewer than 21
      // symbols remain, so nothing more is tried), the run as before, end.
      {"a single symbol equal to the one two before costs 3 bits", "abcdecbabcd" + Times(17, 'b'),
       "05 87 A9 04 42 86 24 20 64 65 65 65 65 65 45 01 00"},
      // The last symbol of the match is still open: it costs 4 bits even though it equals the
      // symbol two before it (b at 10 and 8). 16 bits: Lit 0 1 2 1 4 2 3, 1111(7, 4), Run(3, 3)
      // x 5, Run(3, 2), end.
      {"the open last symbol costs a literal", "abcbecdabcb" + Times(17, 'd'),
       "05 87 A9 04 42 82 64 7F 90 B6 B6 B6 B6 B6 A6 00"},
      // Runs of 12 and 2, 2 (the last run of e is not counted): T 51, MaxRunCount 63, LenBits 7.
      // At 17, "abb" matches at 12: a single a (4 bits) and the open run bb as a run code (2 + 3
      // + 7 = 12 bits), 16 > 15. Run(2, 12), Lit 0 1 1 4 3, 1111(5, 3), Lit 3, Run(4, 17), end.
      // (Costed as three literals, 12 bits would not pay.)
      {"a run inside the match costs a run code", Times(12, 'c') + "abbedabbd" + Times(17, 'e'),
       "05 87 A9 95 18 20 82 F6 C5 B0 18 09 00"},
  });
}

// The ring: N 5 and IdxBits 3 give two slots. The prefix fills them: 1111(7, 5) at 7 stores
// slot 0 = "abcde" at 0; 1111(8, 4) at 15 stores slot 1 = "abcd" at 7 ("abcde" does not match
// there, as a slot is compared over its own length). At 22 "abcde" follows, matched for L
// symbols (5 to 8) by what comes after it; the ring is searched from the highest slot down for
// a slot of at least L - 2 symbols.
TEST(RleCodec, PinsRingSearchByteForByte) {
  const std::string prefix = "abcdedcabcdebedabcdcbe";
  // Lit 0 1 2 3 4 3 2, 1111(7, 5), Lit 1 4 3, 1111(8, 4), Lit 2 1 4 ...
  ExpectPinnedStreams({
      // L 5: both slots fit; slot 1 comes first. ... Repeat(1), Lit 4, Run(2, 3) x 5,
      // Run(2, 1), end.
      {"the highest slot first", prefix + "abcde" + Times(16, 'c'),
       "05 87 A9 04 42 86 46 7F 14 41 7B 84 90 20 63 5A 5A 5A 5A 5A 4A 00"},
      // L 6: slot 1's four symbols are L - 2. ... Repeat(1), Lit 4 1, Run(2, 3) x 5, end.
      {"a slot of L - 2 symbols", prefix + "abcdeb" + Times(15, 'c'),
       "05 87 A9 04 42 86 46 7F 14 41 7B 84 90 20 A3 A4 A5 A5 A5 A5 05 00"},
      // L 7: slot 1 is too short, slot 0 (5 symbols) fits. ... Repeat(0), Lit 1 4,
      // Run(2, 3) x 4, Run(2, 2), end.
      {"a slot of L - 3 symbols is passed over", prefix + "abcdebe" + Times(14, 'c'),
       "05 87 A9 04 42 86 46 7F 14 41 7B 84 90 A0 0A A6 A5 A5 A5 25 05 00"},
      // L 8: neither fits; a reference (31 bits of plain cost) takes slot 0 anew. ...
      // 1111(15, 8), Run(2, 3) x 4, Run(2, 1), end.
      {"no slot long enough", prefix + "abcdebed" + Times(13, 'c'),
       "05 87 A9 04 42 86 46 7F 14 41 7B 84 90 E0 3F 28 2D 2D 2D 2D 25 00"},
  });
}

TEST(RleCodec, PinsThresholdsByteForByte) {
  const std::string s21 = "abcdeacebdaecbdabdcea";  // no doubles, no 4 symbols twice
  ExpectPinnedStreams({
      // A run of 2 with IdxBits 3 and LenBits 3: 8 bits either way, and the run code wins.
      // Lit 0 1 2, Run(3, 2), end.
      {"a tie goes to the run code", "abcdd", "04 87 89 04 42 4D 01 00"},
      // With IdxBits 2: 7 bits as a run code against 6 as literals. Lit 0 1 1, end.
      {"cheaper literals", "abb", "02 87 A1 40 0A 00"},
      // MaxRunCount 3 (T 1). A run of 33 (more than 32 and than 4 x 3) becomes Run(1, 3),
      // 1111(3, 3) and nine repeats of slot 0 (index 2); a run of 32 splits into run codes.
      {"a run of 33", "a" + Times(33, 'b'), "02 87 A1 A0 F6 C3 20 49 92 64 00"},
      {"a run of 32", "a" + Times(32, 'b'), "02 87 A1 A0 56 AB D5 6A B5 5A AD 56 2B 05 00"},
      // MaxRunCount 15 (T 9 from the run of three a): a run of 61 (more than 4 x 15) becomes
      // Run(2, 15), 1111(15, 15), Repeat(0) x 2, Run(2, 1); a run of 60 four Run(2, 15).
      {"a run of 61", "aaab" + Times(61, 'c'), "03 87 49 85 21 E9 FD F3 CC 52 08 00"},
      {"a run of 60", "aaab" + Times(60, 'c'), "03 87 49 85 21 E9 A5 97 5E 7A 01 00"},
      // Distance 144 or more (the run of 140 x between; runs 2, 140, 2 give T 6536, 6536 mod 256 =
      // 136, MaxRunCount 255, LenBits 8, so the open run bb costs 13 bits): only 1110 and 110
      // reach it, 1110 for more than 16 bits. "abb" after x: 4 + 13 = 17 bits pay. Lit 0 1 1 3,
      // Run(5, 140), 1110(144, 3), Lit 2, Run(4, 17), end. "abb" after "ad", its a equal to the
      // symbol two before it: 3 + 13 = 16 bits do not. Lit 0 1 1 3, Run(5, 140), Lit 0 3 0 1 1 2,
      // Run(4, 17), end.
      {"1110 at 17 bits", "abbd" + Times(140, 'x') + "abbc" + Times(17, 'e'),
       "06 87 E9 13 17 88 58 65 3C 48 42 31 22 00 00"},
      {"1110 not at 16 bits", "abbd" + Times(140, 'x') + "adabbc" + Times(17, 'e'),
       "06 87 E9 13 17 88 58 65 04 03 11 8A 11 01 00"},
      // Distance 530 (the run of 524 x between: 524^2 mod 256 = 144, MaxRunCount 255, LenBits
      // 8): only 110 reaches it, for more than 21 bits. "abacad": the second and third a equal
      // the symbol two before them, 4 + 4 + 3 + 4 + 3 + 4 = 22 bits pay: Lit 0 1 0 2 0 3,
      // Run(5, 255) x 2, Run(5, 14), 110(530, 6), Run(4, 15), end. "ababac": three such symbols,
      // 21 bits do not (a b c d x: x is 4): Lit 0 1 0 1 0 2, Run(4, 255) x 2, Run(4, 14),
      // Lit 0 1 0 1 0 2, Run(3, 15), end.
      {"110 at 22 bits", "abacad" + Times(524, 'x') + "abacad" + Times(15, 'e'),
       "06 87 E9 13 17 08 10 58 FD AF FF D5 61 12 96 F8 10 00 00"},
      {"110 not at 21 bits", "ababac" + Times(524, 'x') + "ababac" + Times(15, 'd'),
       "05 87 C9 14 17 08 08 50 FC 8F FF D1 01 04 04 A8 3D 04 00"},
      // The first block of the plain-cost test one symbol shorter: at 7 only 20 symbols remain,
      // so no reference is tried. Lit 0 1 2 3 4 2 3 0 1 2 3, Run(1, 3) x 5, Run(1, 1), end.
      {"a reference needs more than 20 symbols after it", "abcdecdabcd" + Times(16, 'b'),
       "05 87 A9 04 42 86 64 20 64 65 65 65 65 65 25 01 00"},
      // At 4, "abcd" matches at 0, but the match stops growing at L + 2 = C: L 2, 8 bits.
      // Lit 0 1 2 3 0 1 2 3, Run(2, 3) x 5, Run(2, 2), end.
      {"the match stops at L + 2 = C", "abcdabcd" + Times(17, 'c'), "04 87 89 04 42 06 42 96 96 96 96 96 96 14 00"},
      // s21 three times: at 24, 1111(24, 21) stores slot 0 = (0, 21). At 48 the last 21 symbols
      // remain: the match stops growing at C + L + 10 >= Len (L 11), and slot 0 would end at the
      // block's end, so it is passed over: 1111(24, 11), then the last 10 as literals.
      {"the end of the block", s21 + "bed" + s21 + "dac" + s21,
       "05 87 A9 04 42 86 40 28 06 48 62 20 46 08 82 F6 58 35 A0 C7 16 92 18 88 11 42 00"},
  });
}

// ---------------------------------------------------------------------------------------------
// Round trips

void ExpectRoundTrip(const Bytes& block) {
  const Bytes stream = Pack(block);
  ASSERT_LE(static_cast<int64_t>(stream.size()), rlePackBound(static_cast<int64_t>(block.size())));
  const int32_t size = static_cast<int32_t>(block.size());
  const Decoded whole = Unpack(stream, size);
  ASSERT_EQ(whole.status, TRleStatus::Complete);
  ASSERT_EQ(whole.overflow, 0);
  ASSERT_TRUE(whole.out == block);
  const Decoded cut = Unpack(stream, size - 1);
  ASSERT_EQ(cut.status, TRleStatus::Overflow);
  ASSERT_TRUE(std::equal(cut.out.begin(), cut.out.end(), block.begin()));
}

TEST(RleCodec, RoundTripsGeneratedBlocks) {
  struct Gen {
    const char* what;
    Bytes block;
  };
  std::vector<Gen> gens;
  gens.push_back({"one byte", {42}});
  gens.push_back({"two bytes", {0, 255}});
  gens.push_back({"zero record", Bytes(7736, 0)});
  for (size_t n : {65535u, 65536u, 65537u, 200000u}) {
    Bytes b(n, 'x');
    b.push_back('y');
    gens.push_back({"run around the run limit", b});
    Bytes c{'a', 'b'};
    c.insert(c.end(), n, 'z');
    c.insert(c.end(), {'a', 'b', 'a'});
    gens.push_back({"inner run around the run limit", c});
  }
  {
    Bytes b(255);
    std::iota(b.begin(), b.end(), 0);
    b.insert(b.end(), 70000, 17);
    b.insert(b.end(), {1, 2, 3});
    gens.push_back({"long run with full alphabet", b});
  }
  // Repeats at the distance limits of the reference codes, of lengths around their limits.
  for (uint32_t d : {1u, 2u, 15u, 16u, 31u, 32u, 63u, 64u, 65u, 511u, 512u, 513u, 1022u, 1023u, 1024u, 1025u}) {
    for (uint32_t l : {1u, 2u, 3u, 15u, 16u, 17u, 30u, 31u, 32u, 33u}) {
      std::mt19937 rng(d * 100 + l);
      Bytes b;
      for (uint32_t i = 0; i < d + 40; ++i) b.push_back(static_cast<uint8_t>(rng() % 50));
      for (uint32_t i = 0; i < l; ++i) b.push_back(b[b.size() - d]);
      for (int i = 0; i < 25; ++i) b.push_back(static_cast<uint8_t>(rng() % 50));
      gens.push_back({"repeat at a distance limit", b});
    }
  }
  // Runs of every length around the run thresholds, among different typical lengths.
  for (uint32_t typical : {1u, 2u, 3u, 4u, 8u, 12u, 16u, 17u}) {
    Bytes b;
    for (uint32_t i = 0; i < 20; ++i) b.insert(b.end(), typical, static_cast<uint8_t>(i % 2 ? 'p' : 'q'));
    for (uint32_t r = 1; r <= 300; ++r) {
      b.insert(b.end(), r, static_cast<uint8_t>('a' + r % 7));
      b.push_back('#');
    }
    gens.push_back({"runs around the thresholds", b});
  }
  gens.push_back({"vehicle-sized record", RecordLikeBlock(7736, 1)});
  gens.push_back({"building-sized record", RecordLikeBlock(9436, 2)});
  for (uint32_t seed = 0; seed < 4; ++seed) {
    std::mt19937 rng(seed);
    Bytes b(7736);
    for (auto& x : b) x = static_cast<uint8_t>(rng() % 255);
    gens.push_back({"random record", b});
  }
  for (const auto& g : gens) {
    SCOPED_TRACE(std::string(g.what) + ", " + std::to_string(g.block.size()) + " bytes");
    ExpectRoundTrip(g.block);
  }
}

TEST(RleCodec, RoundTripsEveryCountOfDistinctValues) {
  std::mt19937 rng(11);
  for (unsigned k = 1; k <= 255; ++k) {
    SCOPED_TRACE(k);
    Bytes values(256);
    std::iota(values.begin(), values.end(), 0);
    std::shuffle(values.begin(), values.end(), rng);
    values.resize(k);
    Bytes b(values);  // every value at least once
    while (b.size() < 3000) {
      const uint32_t what = rng() % 3;
      if (what == 0) {
        b.insert(b.end(), 1 + rng() % 40, values[rng() % k]);
      } else if (what == 1 && b.size() > 40) {
        const size_t from = b.size() - 1 - rng() % std::min<size_t>(b.size() - 1, 1100);
        const size_t len = std::min<size_t>(1 + rng() % 35, b.size() - from);
        for (size_t i = 0; i < len; ++i) b.push_back(b[from + i]);
      } else {
        for (uint32_t i = 1 + rng() % 12; i > 0; --i) b.push_back(values[rng() % k]);
      }
    }
    ExpectRoundTrip(b);
    const Trace t = TraceStream(Pack(b));
    EXPECT_EQ(t.n, k);
  }
}

// ---------------------------------------------------------------------------------------------
// Refusals and the work buffer

TEST(RleCodec, RefusesBlocksItCannotDescribe) {
  Bytes all(256);
  std::iota(all.begin(), all.end(), 0);
  Bytes out(4096, 0xEE);
  TRlePackStatus status = TRlePackStatus::Packed;
  EXPECT_EQ(rlecompress(all.data(), 256, out.data(), 4096, &status), 0);
  EXPECT_EQ(status, TRlePackStatus::AllByteValues);
  EXPECT_EQ(rlecompress(all.data(), 0, out.data(), 4096, &status), 0);
  EXPECT_EQ(status, TRlePackStatus::EmptyBlock);
  all.pop_back();
  EXPECT_GT(rlecompress(all.data(), 255, out.data(), 4096, &status), 0);
  EXPECT_EQ(status, TRlePackStatus::Packed);
}

TEST(RleCodec, NeverWritesPastOutputCapacity) {
  const Bytes block = RecordLikeBlock(2000, 3);
  const Bytes stream = Pack(block);
  const int32_t size = static_cast<int32_t>(stream.size());
  for (int32_t cap : {0, 1, 2, size / 2, size - 2, size - 1, size}) {
    SCOPED_TRACE(cap);
    Bytes out(static_cast<size_t>(size) + 16, 0xEE);
    TRlePackStatus status = TRlePackStatus::Packed;
    const int32_t n = rlecompress(block.data(), 2000, out.data(), cap, &status);
    EXPECT_TRUE(std::all_of(out.begin() + cap, out.end(), [](uint8_t x) { return x == 0xEE; }));
    if (cap == size) {
      EXPECT_EQ(n, size);
      EXPECT_EQ(status, TRlePackStatus::Packed);
      EXPECT_TRUE(std::equal(stream.begin(), stream.end(), out.begin()));
    } else {
      EXPECT_EQ(n, 0);
      EXPECT_EQ(status, TRlePackStatus::OutputFull);
    }
  }
}

// The last, partly filled byte is always stored, so a stream whose bits fill whole bytes is
// followed by one zero byte.
TEST(RleCodec, StoresLastByteEvenWhenItHoldsNoBit) {
  int wholeBytes = 0;
  for (unsigned len = 1; len <= 40; ++len) {
    Bytes distinct(len), same(len, 'a');
    std::iota(distinct.begin(), distinct.end(), 10);
    for (const Bytes& b : {distinct, same}) {
      const Bytes s = Pack(b);
      const Trace t = TraceStream(s);
      EXPECT_EQ(s.size(), t.bits / 8 + 1);
      if (t.bits % 8 == 0) {
        ++wholeBytes;
        EXPECT_EQ(s.back(), 0);
      }
    }
  }
  EXPECT_GT(wholeBytes, 0);
}

TEST(RleCodec, RegistersWorkBuffersOnlyWhileItRuns) {
  std::vector<int> freeSlots;
  int used = 0;
  for (int i = 1; i <= kInfoBlockSlots; ++i) {
    if (InfoScreenData.BlockPointers[i]) {
      ++used;
    } else {
      freeSlots.push_back(i);
    }
  }
  ASSERT_GE(freeSlots.size(), 2u);
  const uint32_t adds = InfoScreenData.BlockAdds;
  const Bytes block = RecordLikeBlock(1234, 4);
  Pack(block);
  // The index block and the chain of equal symbols, in the two lowest free slots.
  EXPECT_EQ(InfoScreenData.BlockAdds, adds + 2);
  EXPECT_EQ(InfoScreenData.BlockNames[freeSlots[0]].str(), "unum_rlecompress - x2");
  EXPECT_EQ(InfoScreenData.BlockSizes[freeSlots[0]], 1234);
  EXPECT_EQ(InfoScreenData.BlockNames[freeSlots[1]].str(), "unum_rlecompress - chain");
  EXPECT_EQ(InfoScreenData.BlockSizes[freeSlots[1]], 2468);
  int after = 0;
  for (int i = 1; i <= kInfoBlockSlots; ++i) after += InfoScreenData.BlockPointers[i] ? 1 : 0;
  EXPECT_EQ(after, used);
}

}  // namespace
