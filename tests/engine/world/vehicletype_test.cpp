// The vehicle document converted into the game's vehicle type.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/world/vehicle.h"
#include "engine/world/vehicletype.h"

namespace {

TEST(VehicleTypeConversion, TheDocumentsFieldsLandAtTheirPlaces) {
  auto info = std::make_unique<TVehicleInfo>();
  *info = TVehicleInfo{};
  info->Names[0].Language = "Deutsch";
  info->Names[0].Name = "Zephyr";  // the first entry's name, whatever its language
  info->Names[1].Language = "English";
  info->Names[1].Name = "Tram";
  info->VehicleType = 1;
  info->PassengerCapacity = 80;
  for (int row : {1, 3}) {  // rows 2 and 4 in the window
    TVehicleMeshRow& m = info->Meshes[row];
    m.Used = 1;
    m.X = 1.0f * row;
    m.Y = 2.0f;
    m.Z = 3.0f;
    m.Nick = 4.0f;
    m.Gier = 5.0f;
    m.Roll = 6.0f;
  }
  info->Horsepower = -1;
  info->MaxSpeed = 1800.0f;
  info->Weight = 30000;
  info->CopLength = 1.5f;
  info->AxLength = 12.5f;
  info->CopLength2 = 2.5f;
  info->Price = 90000;
  info->CostsPerYear = 4000;
  TVehicleTypeSpecials specials;
  specials.Floats[0] = 0.25f;
  specials.Flags[9] = 1;
  specials.Ints[4] = -7;
  auto vt = std::make_unique<TVehicleType>();
  std::memset(vt->Bytes, 0xAB, sizeof vt->Bytes);  // fields the conversion does not write keep this
  VehicleInfoToType(*info, specials, *vt);

  EXPECT_EQ(vt->Bytes[0], 6);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(vt->Bytes + 1), 6), "Zephyr");
  EXPECT_EQ(vt->Bytes[7], 0);
  EXPECT_EQ(VehicleTypeKind(*vt), 1);
  EXPECT_EQ(VehicleTypeMeshCount(*vt), 2);
  const TPlacement first = VehicleTypePlacement(*vt, 1), second = VehicleTypePlacement(*vt, 2);
  EXPECT_EQ(first.X, 1.0f);
  EXPECT_EQ(second.X, 3.0f);
  EXPECT_EQ(second.Roll, 6.0f);
  EXPECT_EQ(second.Gier, 5.0f);
  EXPECT_EQ(second.Nick, 4.0f);
  float horsepower;
  std::memcpy(&horsepower, vt->Bytes + kVehicleTypeHorsepowerOffset, 4);
  EXPECT_EQ(horsepower, 4294967295.0f);
  EXPECT_EQ(VehicleTypeAxLength(*vt), 12.5f);
  EXPECT_EQ(VehicleTypePrice(*vt), 90000);
  EXPECT_EQ(VehicleTypeSpecialFloat(*vt, 1), 0.25f);
  EXPECT_EQ(VehicleTypeSpecialFlag(*vt, 10), 1);
  EXPECT_EQ(VehicleTypeSpecialInt(*vt, 5), -7);
  EXPECT_EQ(VehicleTypeSpecialInt(*vt, 11), 0);
  // The mesh records, the sale year and the sounds are not the conversion's.
  EXPECT_EQ(vt->Bytes[kVehicleTypeMeshRecordsOffset], 0xAB);
  EXPECT_EQ(vt->Bytes[kVehicleTypeStartYearOffset], 0xAB);
  EXPECT_EQ(vt->Bytes[kVehicleTypeSoundsOffset], 0xAB);
}

}  // namespace
