#include "engine/world/vehicletype.h"

#include <algorithm>
#include <cstring>
#include <string>


namespace {

template <typename T>
void Put(TVehicleType& t, size_t offset, T value) {
  std::memcpy(t.Bytes + offset, &value, sizeof value);
}

template <typename T>
T Get(const TVehicleType& t, size_t offset) {
  T value;
  std::memcpy(&value, t.Bytes + offset, sizeof value);
  return value;
}

constexpr size_t kPlacementBytes = 24;

}  // namespace

void VehicleInfoToType(const TVehicleInfo& info, const TVehicleTypeSpecials& specials, TVehicleType& vt) {
  const std::string name = info.Names[0].Name.str().substr(0, 59);
  vt.Bytes[kVehicleTypeNameOffset] = static_cast<uint8_t>(name.size());
  std::memset(vt.Bytes + kVehicleTypeNameOffset + 1, 0, 59);
  std::memcpy(vt.Bytes + kVehicleTypeNameOffset + 1, name.data(), name.size());
  vt.Bytes[kVehicleTypeKindOffset] = info.VehicleType;
  Put<int32_t>(vt, kVehicleTypeCapacityOffset, info.PassengerCapacity);
  int32_t used = 0;
  for (const TVehicleMeshRow& row : info.Meshes) {
    if (row.Used == 0) continue;
    const float values[6] = {row.X, row.Y, row.Z, row.Roll, row.Gier, row.Nick};
    std::memcpy(vt.Bytes + kVehicleTypePlacementsOffset + kPlacementBytes * used, values, sizeof values);
    ++used;
  }
  Put<int32_t>(vt, kVehicleTypeMeshCountOffset, used);
  Put<float>(vt, kVehicleTypeCopLengthOffset, info.CopLength);
  Put<float>(vt, kVehicleTypeAxLengthOffset, info.AxLength);
  Put<float>(vt, kVehicleTypeCopLength2Offset, info.CopLength2);
  Put<float>(vt, kVehicleTypeHorsepowerOffset, static_cast<float>(static_cast<uint32_t>(info.Horsepower)));
  Put<float>(vt, kVehicleTypeMaxSpeedOffset, info.MaxSpeed);
  Put<int32_t>(vt, kVehicleTypeWeightOffset, info.Weight);
  Put<int32_t>(vt, kVehicleTypePriceOffset, info.Price);
  Put<int32_t>(vt, kVehicleTypeCostsPerYearOffset, info.CostsPerYear);
  for (int k = 0; k < kVehicleTypeSpecialValues; ++k) {
    Put<float>(vt, kVehicleTypeSpecialFloatsOffset + 4 * k, specials.Floats[k]);
    vt.Bytes[kVehicleTypeSpecialFlagsOffset + k] = specials.Flags[k];
    Put<int32_t>(vt, kVehicleTypeSpecialIntsOffset + 4 * k, specials.Ints[k]);
  }
}

float VehicleTypeAxLength(const TVehicleType& t) { return Get<float>(t, kVehicleTypeAxLengthOffset); }

uint8_t VehicleTypeSpecialFlag(const TVehicleType& t, int k) {
  return k >= 1 && k <= kVehicleTypeSpecialValues ? t.Bytes[kVehicleTypeSpecialFlagsOffset + k - 1] : 0;
}

TPlacement VehicleTypePlacement(const TVehicleType& t, int k) {
  TPlacement p{};
  if (k >= 1 && k <= kVehicleTypeMeshParts)
    std::memcpy(&p, t.Bytes + kVehicleTypePlacementsOffset + kPlacementBytes * (k - 1), sizeof p);
  return p;
}
