// Vehicle records (TVehicle, declared with the other world records in records.h): value and
// removal (vehicle.cpp).
//
// The vehicle type's price, an i32 of TVehicleType after its name, kind, passenger capacity, mesh
// count, five mesh records, five mesh placements, the five driving values and the weight.
#pragma once

#include <cstdint>

#include "engine/base/worldstate.h"

constexpr size_t kVehicleTypeKindOffset = 60;  // 0 road vehicle, 1 train, 2 plane, 3 ship
constexpr size_t kVehicleTypePriceOffset = 233;
// Among the fields that only the game reads, after the yearly cost: the year from which the type
// is sold (u16) and whether its arrival is announced in the news (byte).
constexpr size_t kVehicleTypeStartYearOffset = 241;
constexpr size_t kVehicleTypeAnnounceOffset = 243;

int32_t VehicleTypePrice(const TVehicleType& t);
void SetVehicleTypePrice(TVehicleType& t, int32_t price);
inline uint8_t VehicleTypeKind(const TVehicleType& t) { return t.Bytes[kVehicleTypeKindOffset]; }
uint16_t VehicleTypeStartYear(const TVehicleType& t);
void SetVehicleTypeStartYear(TVehicleType& t, uint16_t year);
inline uint8_t VehicleTypeAnnounced(const TVehicleType& t) { return t.Bytes[kVehicleTypeAnnounceOffset]; }

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
constexpr size_t kVehicleTypeMeshCountOffset = 65;
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
