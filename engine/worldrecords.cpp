#include "engine/worldrecords.h"

#include <cstring>

#include "engine/database.h"

void BuildingAfterWrite(const uint8_t* rec) {
  uint16_t type;
  std::memcpy(&type, rec + offsetof(TBuilding, BuildingType), 2);
  if (ActPlayer == LocalPlayer) LocalWorldChanged = 1;
  // The table has rows for the building types 1 to 255 only.
  if (type >= 1 && type <= 255) {
    uint32_t count;
    std::memcpy(&count, BuildingsPerType[type].Bytes, 4);
    ++count;
    std::memcpy(BuildingsPerType[type].Bytes, &count, 4);
  }
}

void WayAfterWrite(const uint8_t*) {
  if (ActPlayer == LocalPlayer) LocalWorldChanged = 1;
}
