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
