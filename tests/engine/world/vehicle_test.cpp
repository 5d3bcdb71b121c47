// Vehicle records: the value of new and used vehicles and the removal of a vehicle from the
// camera, the finances, its trains and its goods.
#include "engine/world/vehicle.h"

#include <gtest/gtest.h>

#include "tests/engine/world/world_fixture.h"

namespace {

using namespace world_testing;
using Calls = std::vector<std::string>;

class VehicleRecords : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    SetVehicleTypePrice(VehicleTypes[4], 20000);
  }
  static TVehicle MakeVehicle(uint8_t owner, float runDistance, float wear) {
    TVehicle v{};
    v.VehicleType = 4;
    v.Owner = owner;
    v.RunDistance = runDistance;
    v.Wear = wear;
    v.A_Write();
    return v;
  }
};

TEST_F(VehicleRecords, ANewVehicleIsWorthItsPriceAndAUsedOneThreeQuarters) {
  struct Case {
    float runDistance, wear;
    bool isNew;
    float value;
  };
  const Case cases[] = {
      {0.0f, 1.0f, true, 20000.0f},   {0.0f, 0.995f, true, 20000.0f},
      {0.0f, 0.99f, false, 15000.0f},  // the wear must lie above 0.99
      {1.0f, 1.0f, false, 15000.0f},  {0.5f, 0.2f, false, 15000.0f},
  };
  for (const Case& k : cases) {
    TVehicle v{};
    v.VehicleType = 4;
    v.RunDistance = k.runDistance;
    v.Wear = k.wear;
    bool isNew = !k.isNew;
    EXPECT_EQ(v.GetValue(isNew), k.value) << k.runDistance << " " << k.wear;
    EXPECT_EQ(isNew, k.isNew);
  }
  TVehicle none{};
  none.VehicleType = 300;  // beyond the table of types: worth nothing
  bool isNew;
  EXPECT_EQ(none.GetValue(isNew), 0.0f);
  EXPECT_EQ(VehicleTypePrice(VehicleTypes[4]), 20000);
}

TEST_F(VehicleRecords, ARemovedVehicleLeavesTheCameraTheFinancesItsTrainAndItsGoods) {
  TVehicle v = MakeVehicle(2, 10.0f, 0.5f);
  TVehicle other = MakeVehicle(2, 0.0f, 1.0f);
  Players[1].CameraFollowVehicle = v.Index;
  Players[1].CameraFollowVehicle2 = 77;
  Players[1].CameraFollowing = 1;
  Players[2].CameraFollowVehicle = v.Index;  // not the local player
  const uint32_t both = AddTrain(kTrainRail, 2, {});
  TrainByIndex(both).Vehicles[0] = other.Index;
  TrainByIndex(both).Vehicles[1] = v.Index;
  TrainByIndex(both).VehicleCount = 2;
  const uint32_t alone = AddTrain(kTrainRail, 2, {});
  TrainByIndex(alone).Vehicles[0] = v.Index;
  TrainByIndex(alone).VehicleCount = 1;
  v.Goods[v.VehicleGoodsCounter++] = 61;
  v.Goods[v.VehicleGoodsCounter++] = 62;
  v.A_ReWrite();

  TVehicle::DestroyByIndex(v.Index, true);
  EXPECT_FALSE(ArrayerHolds(kTVehicleDesc, v.Index));
  EXPECT_EQ(Players[1].CameraFollowVehicle, 0u);
  EXPECT_EQ(Players[1].CameraFollowVehicle2, 0u);
  EXPECT_EQ(Players[1].CameraFollowing, 0);
  EXPECT_EQ(Players[2].CameraFollowVehicle, v.Index);
  EXPECT_EQ(Players[2].Finances[0].VehicleValue, -15000.0f);
  EXPECT_EQ(TrainByIndex(both).VehicleCount, 1);
  EXPECT_EQ(TrainByIndex(both).Vehicles[0], other.Index);
  EXPECT_FALSE(IsTrainUsed(alone));  // a train left without vehicles goes
  EXPECT_EQ(CallsOf({"RemoveVehicleFromTrain", "OnDestroyTrain", "DestroyGood"}),
            (Calls{"RemoveVehicleFromTrain 1 " + std::to_string(v.Index),
                   "RemoveVehicleFromTrain 2 " + std::to_string(v.Index), "OnDestroyTrain 2", "DestroyGood 61",
                   "DestroyGood 62"}));
}

TEST_F(VehicleRecords, AVehicleRemovedByItsTrainLeavesTheTrainsAlone) {
  TVehicle v = MakeVehicle(0, 0.0f, 1.0f);
  Players[1].CameraFollowVehicle = v.Index + 1;
  Players[1].CameraFollowing = 1;
  const uint32_t t = AddTrain(kTrainRoad, 1, {});
  TrainByIndex(t).Vehicles[0] = v.Index;
  TrainByIndex(t).VehicleCount = 1;
  v.Destroy(false);
  EXPECT_EQ(v.VehicleGoodsCounter, 0);
  EXPECT_FALSE(ArrayerHolds(kTVehicleDesc, v.Index));
  EXPECT_EQ(TrainByIndex(t).VehicleCount, 1);
  EXPECT_EQ(Players[1].CameraFollowing, 1);
  EXPECT_EQ(CallsOf({"RemoveVehicleFromTrain"}), Calls{});
}

// The train pool's removal uses the engine's own path and vehicle removals.
TEST_F(VehicleRecords, ARemovedTrainTakesItsPathAndVehiclesFromTheStore) {
  world_hooks::InstallDefaults();
  const TVehicle a = MakeVehicle(1, 0.0f, 1.0f), b = MakeVehicle(1, 3.0f, 1.0f);
  const uint32_t path = AddPath(1, {1, 2});
  const uint32_t t = AddTrain(kTrainRail, 1, {});
  TrainByIndex(t).Vehicles[0] = a.Index;
  TrainByIndex(t).Vehicles[1] = b.Index;
  TrainByIndex(t).VehicleCount = 2;
  TrainByIndex(t).Path = path;
  TDestroyResult r{};
  TTrain::Destroy(t, 2, r);
  EXPECT_FALSE(IsTrainUsed(t));
  EXPECT_FALSE(ArrayerHolds(kTVehicleDesc, a.Index));
  EXPECT_FALSE(ArrayerHolds(kTVehicleDesc, b.Index));
  EXPECT_FALSE(ArrayerHolds(kTPathDesc, path));
  EXPECT_EQ(Players[1].Finances[0].VehicleValue, -35000.0f);
}

}  // namespace
