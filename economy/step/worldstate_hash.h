// A reproducible world: one reset of everything the simulation step can read, and a hash of
// everything it can change. Two runs of a scenario from the same reset and seed give the same hash.
//
// The hash is FNV-1a 64 over a little-endian dump written field by field: the calendar and
// switches, the random generator, the weather, the players and towns, every store entry in index
// order with its kind, the used nodes, connects and trains, the command queue, the parts that later
// units register (their process records) and the terrain maps.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/types.h"

// Feeds values into an FNV-1a 64 hash, each in its little-endian bytes.
class THashWriter {
 public:
  void Bytes(const void* data, size_t count);
  void U8(uint8_t v) { Bytes(&v, 1); }
  void U16(uint16_t v);
  void U32(uint32_t v);
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F32(float v);
  void Ext(const Extended80& v) { Bytes(v.bytes, 10); }
  void Vec(const TVector& v) {
    F32(v.x);
    F32(v.y);
    F32(v.z);
  }
  uint64_t Value() const { return hash_; }

 private:
  uint64_t hash_ = 14695981039346656037ull;
};

// A part of the world kept by a later unit: its reset and its share of the hash.
struct TWorldPart {
  const char* Name;
  void (*Reset)();
  void (*Hash)(THashWriter& h);
};
// Registers a part (once per name; a second registration of a name replaces the first).
void RegisterWorldPart(const TWorldPart& part);

// The world of a fresh game: world state at its start values, an empty record store and pools, no
// news, an empty command queue, the economy's services in the network's hooks, the way unit's limits, every registered
// part reset, and the random generator seeded with Seed. The tick source becomes a clock that starts
// at the same value in every run and moves on by one at each reading. False when the store cannot
// be allocated.
bool ResetSimulationWorld(uint32_t seed = 0);
// The hash of the world as it is now.
uint64_t WorldStateHash();
// The hash as 16 hexadecimal digits.
std::string WorldStateHashText();
