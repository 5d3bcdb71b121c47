// Vehicle records (TVehicle, declared with the other world records in records.h): value and
// removal (vehicle.cpp).
//
// The vehicle type's price, an i32 of TVehicleType after its name, kind, passenger capacity, mesh
// count, five mesh records, five mesh placements, the five driving values and the weight.
#pragma once

#include <cstdint>

#include "engine/base/worldstate.h"

constexpr size_t kVehicleTypePriceOffset = 233;

int32_t VehicleTypePrice(const TVehicleType& t);
void SetVehicleTypePrice(TVehicleType& t, int32_t price);
