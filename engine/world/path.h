// Path records (TPath, declared with the other world records in records.h) and the walk over
// the valid paths of one use (path.cpp).
#pragma once

#include <cstdint>

// The next Rest index above Start that holds a TPath whose invalid byte is 0 and whose use is Use;
// 0 at the end. Walks the Rest slot table as FindInArrayerRest does (same start check and busy
// check) without its mask check and statistics.
uint32_t FindPathOfUse(uint8_t use, uint32_t start);
