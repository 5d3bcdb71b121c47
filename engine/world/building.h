// Building records (TBuilding, declared with the other world records in records.h): creation,
// cost, the link to a station and the removal with its depot and its own ways (building.cpp).
//
// The fields of a building type that these routines read. The game's building-type loader owns
// the rest of the record; these fields lie at the start of TBuildingType:
//   offset 0   u8          use ("Nutzung"): 3 bridge, 4 pillar, 8 tunnel, ...
//   offset 1   String[40]  the type's file name ("BRIDGE-VIADUCT.BIF"), also the key of its
//                          language text
//   offset 42  i32         price
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/worldstate.h"

constexpr size_t kBuildingTypeUseOffset = 0;
constexpr size_t kBuildingTypeFileNameOffset = 1;
constexpr size_t kBuildingTypeFileNameRoom = 40;
constexpr size_t kBuildingTypePriceOffset = 42;

constexpr uint8_t kBuildingUseBridge = 3, kBuildingUsePillar = 4, kBuildingUseTunnel = 8;

uint8_t BuildingTypeUse(const TBuildingType& t);
std::string BuildingTypeFileName(const TBuildingType& t);
int32_t BuildingTypePrice(const TBuildingType& t);
// Writers, for the loader and for tests.
void SetBuildingTypeUse(TBuildingType& t, uint8_t use);
void SetBuildingTypeFileName(TBuildingType& t, const std::string& name);  // cut to 40 characters
void SetBuildingTypePrice(TBuildingType& t, int32_t price);
