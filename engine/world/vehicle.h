// Vehicle records (TVehicle, declared with the other world records in records.h): value and
// removal (vehicle.cpp).
//
// The fields of TVehicleType that the engine reads lie at fixed offsets: the name (String[59], 60
// bytes), the kind (60), the passenger capacity (i32), the mesh count and five mesh records; the
// price, an i32 after the five mesh placements, the five driving values and the weight; the sounds.
#pragma once

#include <cstdint>

#include "engine/base/worldstate.h"

constexpr size_t kVehicleTypeKindOffset = 60;  // 0 road vehicle, 1 train, 2 plane, 3 ship
constexpr size_t kVehicleTypePriceOffset = 233;
// Among the fields that only the game reads, after the yearly cost: the year from which the type
// is sold (u16) and whether its arrival is announced in the news (byte).
constexpr size_t kVehicleTypeStartYearOffset = 241;
constexpr size_t kVehicleTypeAnnounceOffset = 243;
// The mesh parts: their count (i32, 0 to 5) after the passenger capacity, then one TMeshdata2 index
// (u32) per part.
constexpr size_t kVehicleTypeMeshCountOffset = 65;
constexpr size_t kVehicleTypeMeshRecordsOffset = 69;
constexpr int kVehicleTypeMeshParts = 5;
// The sounds, after the special values and the fields only the game reads: six sample numbers
// (u32, 0 none; sound 6 the engine sound), the pitch minimum, maximum and base (f32), the sound
// kind (i32: 0 steam engine, 1 car, 2 diesel, 3 futuristic), the gear count (i32, at most 6), six
// gears of (from speed, change) as f32 pairs, and the pitch slope (f32); 96 bytes in all.
constexpr size_t kVehicleTypeSoundsOffset = 400;
constexpr size_t kVehicleTypePitchMinOffset = 424;
constexpr size_t kVehicleTypePitchMaxOffset = 428;
constexpr size_t kVehicleTypePitchBaseOffset = 432;
constexpr size_t kVehicleTypeSoundKindOffset = 436;
constexpr size_t kVehicleTypeGearCountOffset = 440;
constexpr size_t kVehicleTypeGearsOffset = 444;
constexpr size_t kVehicleTypePitchSlopeOffset = 492;
constexpr int kVehicleTypeSounds = 6;
constexpr int kVehicleTypeGears = 6;

int32_t VehicleTypePrice(const TVehicleType& t);
void SetVehicleTypePrice(TVehicleType& t, int32_t price);
inline uint8_t VehicleTypeKind(const TVehicleType& t) { return t.Bytes[kVehicleTypeKindOffset]; }
uint16_t VehicleTypeStartYear(const TVehicleType& t);
void SetVehicleTypeStartYear(TVehicleType& t, uint16_t year);
inline uint8_t VehicleTypeAnnounced(const TVehicleType& t) { return t.Bytes[kVehicleTypeAnnounceOffset]; }

// The number of mesh parts, held to 0..5 whatever the record holds.
int VehicleTypeMeshCount(const TVehicleType& t);
uint32_t VehicleTypeMeshRecord(const TVehicleType& t, int part);  // part 1..5
void SetVehicleTypeMeshes(TVehicleType& t, int count, const uint32_t (&records)[kVehicleTypeMeshParts]);

// The sound fields. Sound k is 1..6; gear g is 1..6; the gear count is held to 0..6.
uint32_t VehicleTypeSound(const TVehicleType& t, int k);
void SetVehicleTypeSound(TVehicleType& t, int k, uint32_t sample);
int32_t VehicleTypeSoundKind(const TVehicleType& t);
void SetVehicleTypeSoundKind(TVehicleType& t, int32_t kind);
int VehicleTypeGearCount(const TVehicleType& t);
void VehicleTypeGear(const TVehicleType& t, int g, float& from, float& change);
void SetVehicleTypeGears(TVehicleType& t, int count, const float (&gears)[kVehicleTypeGears][2]);
float VehicleTypePitchMin(const TVehicleType& t);
float VehicleTypePitchMax(const TVehicleType& t);
float VehicleTypePitchBase(const TVehicleType& t);
float VehicleTypePitchSlope(const TVehicleType& t);
void SetVehicleTypePitch(TVehicleType& t, float min, float max, float base, float slope);
