#include "engine/base/random.h"

#include "engine/base/diagnostics.h"

uint32_t RandSeed = 0;

namespace {
uint32_t NextSeed() {
  RandSeed = RandSeed * 134775813u + 1u;  // unsigned: the product wraps modulo 2^32
  return RandSeed;
}
}  // namespace

int32_t Random(int32_t N) {
  const uint32_t seed = NextSeed();
  if (N <= 0) return 0;
  return static_cast<int32_t>((static_cast<uint64_t>(seed) * static_cast<uint32_t>(N)) >> 32);
}

long double Random() { return static_cast<long double>(NextSeed()) / 4294967296.0L; }

void Randomize() { RandSeed = SYS_GetTicks(); }
