// The runtime's uniform random generator: a 32-bit seed, advanced before every draw as
// seed := seed * 134775813 + 1 (mod 2^32). The same seed gives the same draws on every machine.
#pragma once

#include <cstdint>

// The seed. Randomize sets it from the clock; a test sets it directly to make its draws repeatable
// (and reads it to compare a state).
extern uint32_t RandSeed;

// 0..N-1: the high 32 bits of the advanced seed times N. N = 0, and a negative N, which has no
// values to draw, give 0; the seed advances in every case.
int32_t Random(int32_t N);
// The advanced seed / 2^32, in [0, 1).
long double Random();
// Seeds the generator from the tick counter (SYS_GetTicks).
void Randomize();
