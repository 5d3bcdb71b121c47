// Packs a block and checks that the stream decodes back to it. The first byte picks how the
// block is made: odd, from a recipe of runs and copies (so that long runs and repeats at every
// distance come up); even, the remaining bytes as they are. Inputs run to 16 KB (the -max_len of
// rle_roundtrip.options), so plain blocks of several kilobytes come up and recipes reach 256 KB.
// Every buffer is exactly as large as it has to be: a byte past one is an overrun.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/files/rle.h"

namespace {

constexpr size_t kMaxBlock = 1 << 18;  // room for runs past 65,536 bytes, small enough for many runs

// Each 3 bytes (x, y, z): x < 128: a run of ((x << 8) | z) + 1 bytes y; else a copy of (z & 31) + 1
// bytes from ((x & 3) << 8 | y) + 1 bytes back.
std::vector<uint8_t> FromRecipe(const uint8_t* p, size_t n) {
  std::vector<uint8_t> b;
  for (size_t i = 0; i + 3 <= n && b.size() < kMaxBlock; i += 3) {
    const uint8_t x = p[i], y = p[i + 1], z = p[i + 2];
    if (x < 128) {
      b.insert(b.end(), static_cast<size_t>((x << 8) | z) + 1, y);
    } else {
      const size_t d = static_cast<size_t>(((x & 3) << 8) | y) + 1;
      if (d > b.size()) {
        b.push_back(y);
        continue;
      }
      for (size_t k = 0; k < static_cast<size_t>(z & 31) + 1u; ++k) b.push_back(b[b.size() - d]);
    }
  }
  if (b.size() > kMaxBlock) b.resize(kMaxBlock);
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::vector<uint8_t> block = (data[0] & 1) ? FromRecipe(data + 1, size - 1) : std::vector<uint8_t>(data + 1, data + size);
  if (block.empty()) return 0;
  const int32_t len = static_cast<int32_t>(block.size());

  bool seen[256] = {};
  int distinct = 0;
  for (uint8_t v : block) distinct += seen[v] ? 0 : (seen[v] = true, 1);

  std::vector<uint8_t> stream(static_cast<size_t>(rlePackBound(len)));
  TRlePackStatus ps;
  const int32_t n = rlecompress(block.data(), len, stream.data(), static_cast<int32_t>(stream.size()), &ps);
  if (distinct == 256) {
    if (n != 0 || ps != TRlePackStatus::AllByteValues) __builtin_trap();
    return 0;
  }
  if (n <= 0 || ps != TRlePackStatus::Packed) __builtin_trap();

  // Exactly n bytes of room is enough; one less is refused (checked on the smaller blocks).
  std::vector<uint8_t> exact(stream.begin(), stream.begin() + n);
  if (len <= 16384) {
    if (rlecompress(block.data(), len, exact.data(), n) != n || std::memcmp(exact.data(), stream.data(), static_cast<size_t>(n)) != 0) __builtin_trap();
    std::vector<uint8_t> tight(static_cast<size_t>(n - 1));
    if (rlecompress(block.data(), len, tight.data(), n - 1, &ps) != 0 || ps != TRlePackStatus::OutputFull) __builtin_trap();
  }

  std::vector<uint8_t> out(static_cast<size_t>(len));
  TRleStatus ds;
  if (rledecompress(exact.data(), n, out.data(), len, &ds) != len || ds != TRleStatus::Complete) __builtin_trap();
  if (out != block) __builtin_trap();
  if (rledecompress(exact.data(), n, out.data(), len - 1, &ds) > len - 1 || ds != TRleStatus::Overflow) __builtin_trap();
  return 0;
}
