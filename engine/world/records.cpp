#include "engine/world/records.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"

void ChangeBuildingsPerType(uint32_t type, int32_t delta) {
  // The table has rows for the building types 1 to 255 only.
  if (type < 1 || type > 255) {
    SYS_Warning("WARNING: BuildingsPerType: building type " + std::to_string(type) + " is not counted");
    return;
  }
  uint32_t count;
  std::memcpy(&count, BuildingsPerType[type].Bytes, 4);
  count += static_cast<uint32_t>(delta);
  std::memcpy(BuildingsPerType[type].Bytes, &count, 4);
}

void BuildingAfterWrite(const uint8_t* rec) {
  uint16_t type;
  std::memcpy(&type, rec + offsetof(TBuilding, BuildingType), 2);
  if (ActPlayer == LocalPlayer) LocalWorldChanged = 1;
  ChangeBuildingsPerType(type, 1);
}

void WayAfterWrite(const uint8_t*) {
  if (ActPlayer == LocalPlayer) LocalWorldChanged = 1;
}

bool ArrayerHolds(const RecordDesc& d, uint32_t index) {
  const TArrayerArray& a = arrayer_internal::ArrayOf(d.Array);
  if (index == 0 || index >= a.TableTop || a.TableBase == nullptr) return false;
  const uint8_t* e = arrayer_internal::EntryOfCell(a, index);
  return e != nullptr && arrayer_internal::EntryKind(e) == d.Kind;
}

namespace {
std::vector<std::pair<const RecordDesc*, uint32_t>>& InProgress() {
  static std::vector<std::pair<const RecordDesc*, uint32_t>> list;
  return list;
}
}  // namespace

DestroyInProgress::DestroyInProgress(const RecordDesc& d, uint32_t index) : desc_(&d), index_(index) {
  InProgress().emplace_back(desc_, index_);
}

DestroyInProgress::~DestroyInProgress() {
  auto& list = InProgress();
  const auto it = std::find(list.rbegin(), list.rend(), std::make_pair(desc_, index_));
  if (it != list.rend()) list.erase(std::next(it).base());
}

bool DestroyInProgress::Active(const RecordDesc& d, uint32_t index) {
  const auto& list = InProgress();
  return std::find(list.begin(), list.end(), std::make_pair(&d, index)) != list.end();
}
