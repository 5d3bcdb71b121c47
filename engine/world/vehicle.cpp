// Vehicle records: the value of a car or wagon and its removal with its goods.
#include "engine/world/vehicle.h"

#include <algorithm>
#include <cstring>

#include "engine/base/worldstate.h"
#include "engine/store/compaction.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

int32_t VehicleTypePrice(const TVehicleType& t) {
  int32_t price;
  std::memcpy(&price, t.Bytes + kVehicleTypePriceOffset, 4);
  return price;
}

void SetVehicleTypePrice(TVehicleType& t, int32_t price) { std::memcpy(t.Bytes + kVehicleTypePriceOffset, &price, 4); }

uint16_t VehicleTypeStartYear(const TVehicleType& t) {
  return static_cast<uint16_t>(t.Bytes[kVehicleTypeStartYearOffset] | t.Bytes[kVehicleTypeStartYearOffset + 1] << 8);
}

void SetVehicleTypeStartYear(TVehicleType& t, uint16_t year) {
  t.Bytes[kVehicleTypeStartYearOffset] = static_cast<uint8_t>(year);
  t.Bytes[kVehicleTypeStartYearOffset + 1] = static_cast<uint8_t>(year >> 8);
}

float TVehicle::GetValue(bool& isNew) const {
  isNew = RunDistance == 0.0f && Wear > 0.99f;
  const float price = VehicleType <= 255 ? static_cast<float>(VehicleTypePrice(VehicleTypes[VehicleType])) : 0.0f;
  return isNew ? price : price * 0.75f;
}

void TVehicle::Destroy(bool fromTrains) {
  if (LocalPlayer >= 1 && LocalPlayer <= 10) {
    TPlayer& local = Players[LocalPlayer];
    if (local.CameraFollowVehicle == Index) {
      local.CameraFollowVehicle = 0;
      local.CameraFollowVehicle2 = 0;
      if (local.CameraFollowing == 1) local.CameraFollowing = 0;
    }
  }
  if (Owner >= 1 && Owner <= 10) {
    bool isNew;
    Players[Owner].Finances[0].VehicleValue -= GetValue(isNew);
  }
  if (fromTrains) {
    for (uint32_t t = FindNextTrain(0); t != 0; t = FindNextTrain(t))
      world_hooks::RemoveVehicleFromTrain(TrainByIndex(t), Index);
  }
  for (int i = 0; i < std::min<int>(VehicleGoodsCounter, 100); ++i) world_hooks::DestroyGood(Goods[i]);
  VehicleGoodsCounter = 0;
  ArrayerEntryDestroyRest(Index);
}

void TVehicle::DestroyByIndex(uint32_t index, bool fromTrains) {
  TVehicle v{};
  v.A_Read(index);
  v.Destroy(fromTrains);
}
