// Vehicle records (TVehicle, declared with the other world records in records.h): value and
// removal (vehicle.cpp).
//
// The fields of TVehicleType that the engine reads lie at fixed offsets: the name (String[59], 60
// bytes), the kind (60), the passenger capacity (i32), the mesh count and five mesh records; the
// price, an i32 after the five mesh placements, the five driving values and the weight; the sounds.
#pragma once

#include <cstdint>
#include <cstring>

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

// A field of the record at its byte offset, read and written by value.
template <typename T>
T VehicleTypeField(const TVehicleType& t, size_t offset) {
  T v;
  std::memcpy(&v, t.Bytes + offset, sizeof(T));
  return v;
}
template <typename T>
void SetVehicleTypeField(TVehicleType& t, size_t offset, T v) {
  std::memcpy(t.Bytes + offset, &v, sizeof(T));
}

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

// ---- Fields of the vehicle type read by the script host (script/runners.h)
//
// The record's field order up to the yearly cost: name (String[59], 0..59), kind (u8, 60),
// passenger capacity (i32, 61), mesh count (i32, 65), five mesh records (u32, 69..88), five mesh
// placements (TPlacement, 89..208), coupling length, axle length, second coupling length,
// horsepower, top speed (f32, 209..228), weight (i32, 229), price (i32, 233), yearly cost (i32,
// 237), then the game's own fields (start year, announcement, 241..243). The special values follow
// at 260: ten floats (260..299), ten flags (u8, 300..309) and ten integers (i32, 310..349). The
// three load slot tables lie far behind the sound fields: twelve load meshes (u32 TMeshdata2
// indices, 1200..1247), twelve goods types (u8, 1248..1259) and twelve load styles (u8, 1 bulk,
// 2 parcels; 1260..1271).
constexpr size_t kVehicleTypeSpecialFloatsOffset = 260;
constexpr size_t kVehicleTypeSpecialFlagsOffset = 300;
constexpr size_t kVehicleTypeSpecialIntsOffset = 310;
constexpr int kVehicleTypeSpecialValues = 10;
constexpr size_t kVehicleTypeLoadMeshesOffset = 1200;
constexpr size_t kVehicleTypeLoadGoodsOffset = 1248;
constexpr size_t kVehicleTypeLoadStylesOffset = 1260;
constexpr int kVehicleTypeLoadSlots = 12;
constexpr uint8_t kLoadStyleBulk = 1, kLoadStyleParcels = 2;

// The low byte of the mesh count, as the script host takes it.
inline uint8_t VehicleTypeMeshCountByte(const TVehicleType& t) { return t.Bytes[kVehicleTypeMeshCountOffset]; }
void SetVehicleTypeMeshCountValue(TVehicleType& t, int32_t count);
// Special values k = 1..10 (0 for another k).
float VehicleTypeSpecialFloat(const TVehicleType& t, int k);
int32_t VehicleTypeSpecialInt(const TVehicleType& t, int k);
void SetVehicleTypeSpecialFloat(TVehicleType& t, int k, float value);
void SetVehicleTypeSpecialInt(TVehicleType& t, int k, int32_t value);
// Load slot s = 1..12 (0 for another s).
uint32_t VehicleTypeLoadMesh(const TVehicleType& t, int s);
uint8_t VehicleTypeLoadGoods(const TVehicleType& t, int s);
uint8_t VehicleTypeLoadStyle(const TVehicleType& t, int s);
void SetVehicleTypeLoadSlot(TVehicleType& t, int s, uint32_t mesh, uint8_t goods, uint8_t style);
