// Decodes any bytes with any output bound. The first two bytes give the bound (0 to 65,535), the
// rest is the stream; source and output are heap blocks of exactly their sizes.
#include <cstdint>
#include <cstring>
#include <memory>

#include "engine/files/rle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t bound = data[0] | data[1] << 8;
  const size_t n = size - 2;
  const std::unique_ptr<uint8_t[]> src(new uint8_t[n + 1]);
  std::memcpy(src.get(), data + 2, n);
  const std::unique_ptr<uint8_t[]> dst(new uint8_t[static_cast<size_t>(bound) + 1]);

  TRleStatus status;
  const int32_t got = rledecompress(src.get(), static_cast<int32_t>(n), dst.get(), bound, &status);
  if (got < 0 || got > bound) __builtin_trap();
  if (status != RleStatus || RleOverflow != (status == TRleStatus::Overflow ? 1 : 0)) __builtin_trap();

  if (status == TRleStatus::Complete) {
    // The same stream decodes alike with a bound of exactly its size, and overflows one below.
    const std::unique_ptr<uint8_t[]> again(new uint8_t[static_cast<size_t>(got) + 1]);
    TRleStatus s2;
    if (rledecompress(src.get(), static_cast<int32_t>(n), again.get(), got, &s2) != got || s2 != TRleStatus::Complete) __builtin_trap();
    if (got > 0 && std::memcmp(again.get(), dst.get(), static_cast<size_t>(got)) != 0) __builtin_trap();
    if (got > 0) {
      const int32_t cut = rledecompress(src.get(), static_cast<int32_t>(n), again.get(), got - 1, &s2);
      if (s2 != TRleStatus::Overflow || cut > got - 1) __builtin_trap();
      if (cut > 0 && std::memcmp(again.get(), dst.get(), static_cast<size_t>(cut)) != 0) __builtin_trap();
    }
  }
  return 0;
}
