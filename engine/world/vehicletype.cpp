#include "engine/world/vehicletype.h"

#include <cstring>
#include <string>
#include <type_traits>

namespace {

constexpr size_t kPlacementBytes = 24;

}  // namespace

void VehicleInfoToType(const TVehicleInfo& info, const TVehicleTypeSpecials& specials, TVehicleType& vt) {
  const std::string name = info.Names[0].Name.str().substr(0, 59);
  vt.Bytes[kVehicleTypeNameOffset] = static_cast<uint8_t>(name.size());
  std::memset(vt.Bytes + kVehicleTypeNameOffset + 1, 0, 59);
  std::memcpy(vt.Bytes + kVehicleTypeNameOffset + 1, name.data(), name.size());
  vt.Bytes[kVehicleTypeKindOffset] = info.VehicleType;
  SetVehicleTypeField<int32_t>(vt, kVehicleTypeCapacityOffset, info.PassengerCapacity);
  int32_t used = 0;
  for (const TVehicleMeshRow& row : info.Meshes) {
    if (row.Used == 0) continue;
    const float values[6] = {row.X, row.Y, row.Z, row.Roll, row.Gier, row.Nick};
    std::memcpy(vt.Bytes + kVehicleTypePlacementsOffset + kPlacementBytes * used, values, sizeof values);
    ++used;
  }
  SetVehicleTypeMeshCountValue(vt, used);
  SetVehicleTypeField<float>(vt, kVehicleTypeCopLengthOffset, info.CopLength);
  SetVehicleTypeField<float>(vt, kVehicleTypeAxLengthOffset, info.AxLength);
  SetVehicleTypeField<float>(vt, kVehicleTypeCopLength2Offset, info.CopLength2);
  SetVehicleTypeField<float>(vt, kVehicleTypeHorsepowerOffset, static_cast<float>(static_cast<uint32_t>(info.Horsepower)));
  SetVehicleTypeField<float>(vt, kVehicleTypeMaxSpeedOffset, info.MaxSpeed);
  SetVehicleTypeField<int32_t>(vt, kVehicleTypeWeightOffset, info.Weight);
  SetVehicleTypeField<int32_t>(vt, kVehicleTypePriceOffset, info.Price);
  SetVehicleTypeField<int32_t>(vt, kVehicleTypeCostsPerYearOffset, info.CostsPerYear);
  for (int k = 1; k <= kVehicleTypeSpecialValues; ++k) {
    SetVehicleTypeSpecialFloat(vt, k, specials.Floats[k - 1]);
    vt.Bytes[kVehicleTypeSpecialFlagsOffset + k - 1] = specials.Flags[k - 1];
    SetVehicleTypeSpecialInt(vt, k, specials.Ints[k - 1]);
  }
}

namespace {

static_assert(kVehicleTypeVolumeCapacityOffset + 4 <= kVehicleTypeSpecialFloatsOffset);
static_assert(kVehicleTypeSmokingOffset >= kVehicleTypeSpecialIntsOffset + 4 * kVehicleTypeSpecialValues &&
              kVehicleTypeSmokePositionOffset + sizeof(TVector) <= kVehicleTypeSoundsOffset);

// Every field of the driving values with its offset, read or written by one walk.
template <class Vt, class D, class Op>
void EachDrivingField(Vt& t, D& d, Op op) {
  op(t, kVehicleTypeCopLengthOffset, d.FrontLength);
  op(t, kVehicleTypeAxLengthOffset, d.AxleDistance);
  op(t, kVehicleTypeCopLength2Offset, d.RearLength);
  op(t, kVehicleTypeHorsepowerOffset, d.Power);
  op(t, kVehicleTypePowerScaleOffset, d.PowerScale);
  op(t, kVehicleTypeMaxSpeedOffset, d.MaxSpeed);
  op(t, kVehicleTypeWeightOffset, d.Weight);
  op(t, kVehicleTypePriceOffset, d.Price);
  op(t, kVehicleTypeCostsPerYearOffset, d.YearlyCost);
  op(t, kVehicleTypeRunningCostOffset, d.RunningCost);
  op(t, kVehicleTypeCapacityOffset, d.PassengerCapacity);
  op(t, kVehicleTypeWeightCapacityOffset, d.WeightCapacity);
  op(t, kVehicleTypeVolumeCapacityOffset, d.VolumeCapacity);
  op(t, kVehicleTypeSmokingOffset, d.Smoking);
  op(t, kVehicleTypeSmokeKindOffset, d.SmokeKind);
  op(t, kVehicleTypeSmokePositionOffset, d.SmokePosition);
}

}  // namespace

TVehicleTypeDriving VehicleTypeDrivingOf(uint16_t type) {
  return type >= 1 && type <= 255 ? VehicleTypeDriving(VehicleTypes[type]) : TVehicleTypeDriving{};
}

TVehicleTypeDriving VehicleTypeDriving(const TVehicleType& t) {
  TVehicleTypeDriving d;
  EachDrivingField(t, d, [](const TVehicleType& vt, size_t at, auto& field) {
    field = VehicleTypeField<std::remove_reference_t<decltype(field)>>(vt, at);
  });
  return d;
}

void SetVehicleTypeDriving(TVehicleType& t, const TVehicleTypeDriving& d) {
  EachDrivingField(t, d, [](TVehicleType& vt, size_t at, const auto& field) { SetVehicleTypeField(vt, at, field); });
}

float VehicleTypeAxLength(const TVehicleType& t) { return VehicleTypeField<float>(t, kVehicleTypeAxLengthOffset); }

uint8_t VehicleTypeSpecialFlag(const TVehicleType& t, int k) {
  return k >= 1 && k <= kVehicleTypeSpecialValues ? t.Bytes[kVehicleTypeSpecialFlagsOffset + k - 1] : 0;
}

TPlacement VehicleTypePlacement(const TVehicleType& t, int k) {
  TPlacement p{};
  if (k >= 1 && k <= kVehicleTypeMeshParts)
    std::memcpy(&p, t.Bytes + kVehicleTypePlacementsOffset + kPlacementBytes * (k - 1), sizeof p);
  return p;
}
