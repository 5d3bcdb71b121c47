// Decodes any bytes with any output bound. The first two bytes give the bound (0 to 65,535), the
// rest is the stream; source and output are heap blocks of exactly their sizes, so that a read
// or write one byte past either is an overrun.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/files/rle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t bound = data[0] | data[1] << 8;
  const size_t n = size - 2;
  const std::vector<uint8_t> src(data + 2, data + size);
  std::vector<uint8_t> dst(static_cast<size_t>(bound));

  TRleStatus status;
  const int32_t got = rledecompress(src.data(), static_cast<int32_t>(n), dst.data(), bound, &status);
  if (got < 0 || got > bound) __builtin_trap();
  if (status != RleStatus || RleOverflow != (status == TRleStatus::Overflow ? 1 : 0)) __builtin_trap();

  if (status == TRleStatus::Complete) {
    // The same stream decodes alike with a bound of exactly its size, and overflows one below.
    std::vector<uint8_t> again(static_cast<size_t>(got));
    TRleStatus s2;
    if (rledecompress(src.data(), static_cast<int32_t>(n), again.data(), got, &s2) != got || s2 != TRleStatus::Complete) __builtin_trap();
    if (got > 0 && std::memcmp(again.data(), dst.data(), static_cast<size_t>(got)) != 0) __builtin_trap();
    if (got > 0) {
      const int32_t cut = rledecompress(src.data(), static_cast<int32_t>(n), again.data(), got - 1, &s2);
      if (s2 != TRleStatus::Overflow || cut > got - 1) __builtin_trap();
      if (cut > 0 && std::memcmp(again.data(), dst.data(), static_cast<size_t>(cut)) != 0) __builtin_trap();
    }
  }
  return 0;
}
