// The vehicle document converted into the game's vehicle type: the vehicle editor shows the edited
// vehicle on its test track as the game would, from slot 1 of VehicleTypes.
//
// The fields the conversion writes, at their offsets in TVehicleType (the others keep what they
// held): the name (String[59]) 0, the kind 60, the passenger capacity 61, the mesh count 65, the
// five mesh placements (X, Y, Z, Roll, Gier, Nick) 89, the front coupling length 209, the axle
// distance 213, the rear coupling length 217, the horsepower 221, the maximum speed 225, the
// weight 229, the price 233, the yearly cost 237, the ten special floats 260, the ten special flags
// 300 and the ten special integers 310 (engine/world/vehicle.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/base/worldstate.h"
#include "engine/files/vehiclefile.h"
#include "engine/world/vehicle.h"

constexpr size_t kVehicleTypeNameOffset = 0;
constexpr size_t kVehicleTypeCapacityOffset = 61;
constexpr size_t kVehicleTypePlacementsOffset = 89;
constexpr size_t kVehicleTypeCopLengthOffset = 209;
constexpr size_t kVehicleTypeAxLengthOffset = 213;
constexpr size_t kVehicleTypeCopLength2Offset = 217;
constexpr size_t kVehicleTypeHorsepowerOffset = 221;
constexpr size_t kVehicleTypeMaxSpeedOffset = 225;
constexpr size_t kVehicleTypeWeightOffset = 229;
constexpr size_t kVehicleTypeCostsPerYearOffset = 237;

// The special values as the editor's grid gives them (row k to entry k).
struct TVehicleTypeSpecials {
  float Floats[kVehicleTypeSpecialValues] = {};
  uint8_t Flags[kVehicleTypeSpecialValues] = {};
  int32_t Ints[kVehicleTypeSpecialValues] = {};
};

// The fields of a vehicle type that the convoy logic reads, by value. Beside those the conversion
// writes, the game's own fields at offsets of their own: behind the announcement flag the power
// scale (the divisor of the power, f32 244), the running cost per distance (f32 248), the weight and
// the volume capacity (i32 252, 256); behind the special integers the smoking flag (u8 350), the
// smoke kind (u8 351, 0 grey steam smoke) and the smoke position in vehicle coordinates (TVector
// 352).
constexpr size_t kVehicleTypePowerScaleOffset = 244;
constexpr size_t kVehicleTypeRunningCostOffset = 248;
constexpr size_t kVehicleTypeWeightCapacityOffset = 252;
constexpr size_t kVehicleTypeVolumeCapacityOffset = 256;
constexpr size_t kVehicleTypeSmokingOffset = 350;
constexpr size_t kVehicleTypeSmokeKindOffset = 351;
constexpr size_t kVehicleTypeSmokePositionOffset = 352;
struct TVehicleTypeDriving {
  float FrontLength = 0;   // front coupling length: the vehicle's front to its front point
  float AxleDistance = 0;  // its front point to its rear point
  float RearLength = 0;    // rear coupling length: its rear point to its rear end
  float Power = 0;
  float PowerScale = 0;
  float MaxSpeed = 0;
  int32_t Weight = 0;      // empty
  int32_t Price = 0;
  int32_t YearlyCost = 0;
  float RunningCost = 0;   // per 100 units of distance
  int32_t PassengerCapacity = 0;
  int32_t WeightCapacity = 0;
  int32_t VolumeCapacity = 0;
  uint8_t Smoking = 0;
  uint8_t SmokeKind = 0;
  TVector SmokePosition{};

  // The three lengths end to end.
  float Length() const { return FrontLength + AxleDistance + RearLength; }
};
TVehicleTypeDriving VehicleTypeDriving(const TVehicleType& t);
// The same of vehicle type 1..255 of VehicleTypes; a number that names no type gives all zero.
TVehicleTypeDriving VehicleTypeDrivingOf(uint16_t type);
void SetVehicleTypeDriving(TVehicleType& t, const TVehicleTypeDriving& d);

// Writes the document's fields and the special values into the vehicle type: the name of the
// document's first name entry (cut to 59 characters), the used mesh rows as placements 1.. in row
// order (their count the mesh count), the horsepower's 32 bits read as unsigned.
void VehicleInfoToType(const TVehicleInfo& info, const TVehicleTypeSpecials& specials, TVehicleType& vt);

float VehicleTypeAxLength(const TVehicleType& t);
// Special flag k (1..10); 0 outside that range.
uint8_t VehicleTypeSpecialFlag(const TVehicleType& t, int k);
// Placement k (1..5) of the mesh parts.
TPlacement VehicleTypePlacement(const TVehicleType& t, int k);
