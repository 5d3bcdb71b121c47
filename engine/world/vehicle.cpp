// Vehicle records: the value of a car or wagon and its removal with its goods.
#include "engine/world/vehicle.h"

#include <algorithm>
#include <cstring>

#include "engine/base/worldstate.h"
#include "engine/store/compaction.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

int32_t VehicleTypePrice(const TVehicleType& t) { return VehicleTypeField<int32_t>(t, kVehicleTypePriceOffset); }

void SetVehicleTypePrice(TVehicleType& t, int32_t price) { SetVehicleTypeField(t, kVehicleTypePriceOffset, price); }

uint16_t VehicleTypeStartYear(const TVehicleType& t) {
  return VehicleTypeField<uint16_t>(t, kVehicleTypeStartYearOffset);
}

void SetVehicleTypeStartYear(TVehicleType& t, uint16_t year) { SetVehicleTypeField(t, kVehicleTypeStartYearOffset, year); }

namespace {

static_assert(kVehicleTypeMeshRecordsOffset + 4 * kVehicleTypeMeshParts <= kVehicleTypePriceOffset);
static_assert(kVehicleTypePitchSlopeOffset + 4 <= sizeof(TVehicleType));

}  // namespace

int VehicleTypeMeshCount(const TVehicleType& t) {
  return std::clamp<int32_t>(VehicleTypeField<int32_t>(t, kVehicleTypeMeshCountOffset), 0, kVehicleTypeMeshParts);
}

uint32_t VehicleTypeMeshRecord(const TVehicleType& t, int part) {
  if (part < 1 || part > kVehicleTypeMeshParts) return 0;
  return VehicleTypeField<uint32_t>(t, kVehicleTypeMeshRecordsOffset + 4 * (part - 1));
}

void SetVehicleTypeMeshes(TVehicleType& t, int count, const uint32_t (&records)[kVehicleTypeMeshParts]) {
  SetVehicleTypeField<int32_t>(t, kVehicleTypeMeshCountOffset, count);
  for (int k = 0; k < kVehicleTypeMeshParts; ++k) SetVehicleTypeField(t, kVehicleTypeMeshRecordsOffset + 4 * k, records[k]);
}

uint32_t VehicleTypeSound(const TVehicleType& t, int k) {
  if (k < 1 || k > kVehicleTypeSounds) return 0;
  return VehicleTypeField<uint32_t>(t, kVehicleTypeSoundsOffset + 4 * (k - 1));
}

void SetVehicleTypeSound(TVehicleType& t, int k, uint32_t sample) {
  if (k >= 1 && k <= kVehicleTypeSounds) SetVehicleTypeField(t, kVehicleTypeSoundsOffset + 4 * (k - 1), sample);
}

int32_t VehicleTypeSoundKind(const TVehicleType& t) { return VehicleTypeField<int32_t>(t, kVehicleTypeSoundKindOffset); }
void SetVehicleTypeSoundKind(TVehicleType& t, int32_t kind) { SetVehicleTypeField(t, kVehicleTypeSoundKindOffset, kind); }

int VehicleTypeGearCount(const TVehicleType& t) {
  return std::clamp<int32_t>(VehicleTypeField<int32_t>(t, kVehicleTypeGearCountOffset), 0, kVehicleTypeGears);
}

void VehicleTypeGear(const TVehicleType& t, int g, float& from, float& change) {
  from = change = 0.0f;
  if (g < 1 || g > kVehicleTypeGears) return;
  from = VehicleTypeField<float>(t, kVehicleTypeGearsOffset + 8 * (g - 1));
  change = VehicleTypeField<float>(t, kVehicleTypeGearsOffset + 8 * (g - 1) + 4);
}

void SetVehicleTypeGears(TVehicleType& t, int count, const float (&gears)[kVehicleTypeGears][2]) {
  SetVehicleTypeField<int32_t>(t, kVehicleTypeGearCountOffset, count);
  for (int g = 0; g < kVehicleTypeGears; ++g) {
    SetVehicleTypeField(t, kVehicleTypeGearsOffset + 8 * g, gears[g][0]);
    SetVehicleTypeField(t, kVehicleTypeGearsOffset + 8 * g + 4, gears[g][1]);
  }
}

float VehicleTypePitchMin(const TVehicleType& t) { return VehicleTypeField<float>(t, kVehicleTypePitchMinOffset); }
float VehicleTypePitchMax(const TVehicleType& t) { return VehicleTypeField<float>(t, kVehicleTypePitchMaxOffset); }
float VehicleTypePitchBase(const TVehicleType& t) { return VehicleTypeField<float>(t, kVehicleTypePitchBaseOffset); }
float VehicleTypePitchSlope(const TVehicleType& t) { return VehicleTypeField<float>(t, kVehicleTypePitchSlopeOffset); }

void SetVehicleTypePitch(TVehicleType& t, float min, float max, float base, float slope) {
  SetVehicleTypeField(t, kVehicleTypePitchMinOffset, min);
  SetVehicleTypeField(t, kVehicleTypePitchMaxOffset, max);
  SetVehicleTypeField(t, kVehicleTypePitchBaseOffset, base);
  SetVehicleTypeField(t, kVehicleTypePitchSlopeOffset, slope);
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

// ---- Fields of the vehicle type read by the script host

namespace {
bool SpecialIndex(int k) { return k >= 1 && k <= kVehicleTypeSpecialValues; }
bool LoadIndex(int s) { return s >= 1 && s <= kVehicleTypeLoadSlots; }
}  // namespace

void SetVehicleTypeMeshCountValue(TVehicleType& t, int32_t count) { SetVehicleTypeField(t, kVehicleTypeMeshCountOffset, count); }

float VehicleTypeSpecialFloat(const TVehicleType& t, int k) {
  return SpecialIndex(k) ? VehicleTypeField<float>(t, kVehicleTypeSpecialFloatsOffset + 4 * (k - 1)) : 0.0f;
}
int32_t VehicleTypeSpecialInt(const TVehicleType& t, int k) {
  return SpecialIndex(k) ? VehicleTypeField<int32_t>(t, kVehicleTypeSpecialIntsOffset + 4 * (k - 1)) : 0;
}
void SetVehicleTypeSpecialFloat(TVehicleType& t, int k, float value) {
  if (SpecialIndex(k)) SetVehicleTypeField(t, kVehicleTypeSpecialFloatsOffset + 4 * (k - 1), value);
}
void SetVehicleTypeSpecialInt(TVehicleType& t, int k, int32_t value) {
  if (SpecialIndex(k)) SetVehicleTypeField(t, kVehicleTypeSpecialIntsOffset + 4 * (k - 1), value);
}

uint32_t VehicleTypeLoadMesh(const TVehicleType& t, int s) {
  return LoadIndex(s) ? VehicleTypeField<uint32_t>(t, kVehicleTypeLoadMeshesOffset + 4 * (s - 1)) : 0;
}
uint8_t VehicleTypeLoadGoods(const TVehicleType& t, int s) {
  return LoadIndex(s) ? t.Bytes[kVehicleTypeLoadGoodsOffset + (s - 1)] : 0;
}
uint8_t VehicleTypeLoadStyle(const TVehicleType& t, int s) {
  return LoadIndex(s) ? t.Bytes[kVehicleTypeLoadStylesOffset + (s - 1)] : 0;
}
void SetVehicleTypeLoadSlot(TVehicleType& t, int s, uint32_t mesh, uint8_t goods, uint8_t style) {
  if (!LoadIndex(s)) return;
  SetVehicleTypeField(t, kVehicleTypeLoadMeshesOffset + 4 * (s - 1), mesh);
  t.Bytes[kVehicleTypeLoadGoodsOffset + (s - 1)] = goods;
  t.Bytes[kVehicleTypeLoadStylesOffset + (s - 1)] = style;
}
