// Convoys: the consist and its limits, power, weight and top speed, placing the vehicles along the
// track (partly, reversed), reversing at a reverse node, and the running costs and wear.
#include <gtest/gtest.h>

#include <memory>

#include "engine/world/vehicletype.h"
#include "network/track/cursor.h"
#include "network/track/schedules.h"
#include "tests/network/vehicles/convoy_fixture.h"

namespace {

using convoy_testing::Value;
using sample_world::kShuttleLocomotive;
using sample_world::kShuttleWagon;

class Convoys : public convoy_testing::ConvoyTest {
 protected:
  // The shuttle types' driving values.
  static TVehicleTypeDriving Type(uint16_t type) { return VehicleTypeDriving(VehicleTypes[type]); }
};

TEST_F(Convoys, TwelveVehiclesAtMostTheThirteenthIsRefusedWithAWarning) {
  const uint32_t t = NewTrain();
  InitTrain(TrainByIndex(t), 0, t, kTrainRail, kTrainStanding, 1);
  for (int i = 0; i < 12; ++i) ASSERT_TRUE(BuyVehicleForTrain(TrainByIndex(t), kShuttleWagon));
  EXPECT_FALSE(BuyVehicleForTrain(TrainByIndex(t), kShuttleWagon));
  TVehicle extra{};
  InitVehicle(kShuttleWagon, 1, extra);
  testing_support::Warnings().clear();
  AddVehicleToTrain(TrainByIndex(t), extra);
  EXPECT_EQ(testing_support::Warnings(), std::vector<std::string>{"WARNING: Tried to add the 13. vehicle to the train"});
  EXPECT_EQ(TrainByIndex(t).VehicleCount, 12);
}

TEST_F(Convoys, RemovingAVehicleClosesTheGapAndTheLastOneTakesTheConvoy) {
  const uint32_t t = NewTrain();
  InitTrain(TrainByIndex(t), 0, t, kTrainRail, kTrainStanding, 1);
  for (uint16_t type : {kShuttleLocomotive, kShuttleWagon, kShuttleWagon}) BuyVehicleForTrain(TrainByIndex(t), type);
  const TTrain before = TrainByIndex(t);
  EXPECT_EQ(Value(before.MaxSpeed), 2.0f);  // the locomotive's, the lower
  RemoveVehicleFromTrain(TrainByIndex(t), 999);  // not in it
  EXPECT_EQ(TrainByIndex(t).VehicleCount, 3);

  RemoveVehicleFromTrain(TrainByIndex(t), before.Vehicles[0]);
  EXPECT_EQ(TrainByIndex(t).VehicleCount, 2);
  EXPECT_EQ(Value(TrainByIndex(t).Vehicles[0]), Value(before.Vehicles[1]));
  EXPECT_EQ(Value(TrainByIndex(t).Vehicles[1]), Value(before.Vehicles[2]));
  EXPECT_EQ(Value(TrainByIndex(t).MaxSpeed), 2.5f);  // recomputed without the locomotive
  EXPECT_EQ(Value(TrainByIndex(t).TotalWeight), 40000u);

  // The store's removal of a vehicle reaches its convoy through the world records' hook.
  TVehicle::DestroyByIndex(before.Vehicles[1], true);
  EXPECT_EQ(TrainByIndex(t).VehicleCount, 1);
  EXPECT_TRUE(IsTrainUsed(t));
  TVehicle::DestroyByIndex(before.Vehicles[2], true);
  EXPECT_FALSE(IsTrainUsed(t));
}

TEST_F(Convoys, AChangeOfConsistTakesTheConvoyOffItsSchedule) {
  const std::vector<uint32_t> ways = Rail({{1000, 1000}, {2000, 1000}});
  for (bool adding : {true, false}) {
    SCOPED_TRACE(adding);
    const uint32_t t = TrainOn(ways[0], {kShuttleLocomotive, kShuttleWagon}, 200.0f);
    const uint32_t other = TrainOn(ways[0], {kShuttleLocomotive}, 100.0f);
    const uint32_t s = sample_world::ScheduleOf({}, {t, other});
    if (adding) {
      BuyVehicleForTrain(TrainByIndex(t), kShuttleWagon);
    } else {
      RemoveVehicleFromTrain(TrainByIndex(t), TrainByIndex(t).Vehicles[1]);
    }
    EXPECT_EQ(Value(TrainByIndex(t).Schedule), 0u);
    EXPECT_EQ(TrainByIndex(t).ScheduleState, kRouteNone);
    auto schedule = std::make_unique<TSchedule>();
    schedule->A_Read(s);
    ASSERT_EQ(schedule->ScheduleTrainCounter, 1);
    EXPECT_EQ(Value(schedule->Trains[0]), other);
  }
}

TEST_F(Convoys, PowerWeightAndTopSpeedFollowTheVehicles) {
  TVehicleTypeDriving unscaled = Type(kShuttleLocomotive);
  unscaled.PowerScale = 0.0f;  // not given: the power counts as it is
  unscaled.Power = 300.0f;
  SetVehicleTypeDriving(VehicleTypes[3], unscaled);
  TVehicleTypeDriving scaled = Type(kShuttleLocomotive);
  scaled.PowerScale = 4.0f;
  SetVehicleTypeDriving(VehicleTypes[4], scaled);
  convoy_hooks::GoodWeight = [](uint32_t good) { return good * 10; };

  const uint32_t t = NewTrain();
  TTrain& train = TrainByIndex(t);
  InitTrain(train, 0, t, kTrainRail, kTrainStanding, 1);
  CalcTrainPower(train);
  EXPECT_EQ(Value(train.MaxSpeed), 1000.0f);
  EXPECT_EQ(Value(train.PowerRatio), 0.0f);
  for (uint16_t type : {uint16_t{3}, uint16_t{4}, kShuttleWagon}) BuyVehicleForTrain(train, type);
  TVehicle wagon = Vehicle(train.Vehicles[2]);
  wagon.VehicleGoodsCounter = 2;
  wagon.Goods[0] = 7;
  wagon.Goods[1] = 30;
  wagon.A_ReWrite();
  CalcTrainPower(train);
  EXPECT_EQ(Value(train.PowerRatio), 300.0f + 2000.0f / 4.0f);
  EXPECT_EQ(Value(train.MaxSpeed), 2.0f);
  EXPECT_EQ(Value(train.TotalWeight), 40000u + 40000u + 20000u + 70u + 300u);
}

TEST_F(Convoys, BuyingAVehicleBooksItsPriceAndValue) {
  GameSettings.Level = 2;
  TVehicle v{};
  InitVehicle(kShuttleLocomotive, 1, v);
  EXPECT_EQ(Value(v.Wear), 1.0f);
  EXPECT_EQ(Value(Vehicle(v.Index).VehicleType), kShuttleLocomotive);
  ASSERT_EQ(Bookings().size(), 1u);
  EXPECT_EQ(Bookings()[0].Amount, -80000.0f);
  EXPECT_EQ(Bookings()[0].Factor, -1.0f);
  EXPECT_EQ(Value(Players[1].Finances[0].RailStats[kFinanceVehiclePurchaseStat]), 80000.0f);
  EXPECT_EQ(Value(Players[1].Finances[0].VehicleValue), 80000.0f);
  InitVehicle(kShuttleLocomotive, 0, v);  // the town's: nothing booked
  EXPECT_EQ(Bookings().size(), 1u);
}

TEST_F(Convoys, VehiclesStandOneBehindTheOtherWithTheirCouplingsBetween) {
  const std::vector<uint32_t> ways = Rail({{1000, 1000}, {1500, 1000}, {2000, 1000}});
  // The head 30 past the second way's start: the train reaches back onto the first way.
  const uint32_t t = TrainOn(ways[0], {kShuttleLocomotive, kShuttleWagon}, 530.0f);
  Step(t);  // standing: it starts and is placed
  const TTrain& train = TrainByIndex(t);
  const TVehicle loco = Vehicle(train.Vehicles[0]), wagon = Vehicle(train.Vehicles[1]);
  ASSERT_EQ(loco.Shown, 1);
  ASSERT_EQ(wagon.Shown, 1);
  TVector head{};
  PointBetweenNodes(train.CurrentNode, train.NextNode, head, train.DistanceOnLink);
  const TVehicleTypeDriving l = Type(kShuttleLocomotive), w = Type(kShuttleWagon);
  const TPlacement lp = loco.Placement, wp = wagon.Placement;
  EXPECT_NEAR(head.x - lp.X, l.FrontLength, 1e-3);
  // Where the cursor crosses a node, its sphere cut at x of 1500 holds about a hundredth.
  EXPECT_NEAR(lp.X - wp.X, l.AxleDistance + l.RearLength + w.FrontLength, 0.02);
  EXPECT_NEAR(lp.Gier, -90.0f, 1e-3);  // facing +x
  // The locomotive's front stands on the second way, the wagon's rear on the first, whose first node
  // the tail has passed.
  TWay first{}, second{};
  first.A_Read(ways[0]);
  second.A_Read(ways[1]);
  EXPECT_EQ(Value(loco.FrontNode), Value(second.Nodes[0]));
  EXPECT_EQ(Value(wagon.BackNode), Value(first.Nodes[0]));
  EXPECT_EQ(Value(train.ClosingNode), Value(first.Nodes[0]));

  // Driving, each vehicle counts the distance; reversed, the wagon runs first and faces back.
  Step(t);
  const float speed = train.Speed;
  EXPECT_GT(speed, 0.0f);
  EXPECT_EQ(Value(Vehicle(train.Vehicles[0]).RunDistance), speed);
  TrainByIndex(t).Reversed = 1;
  Step(t);
  const TPlacement rl = Vehicle(train.Vehicles[0]).Placement, rw = Vehicle(train.Vehicles[1]).Placement;
  EXPECT_GT(rw.X, rl.X);
  EXPECT_NEAR(rw.Gier, -270.0f, 1e-3);  // facing -x
  PointBetweenNodes(train.CurrentNode, train.NextNode, head, train.DistanceOnLink);
  // From the head: the wagon's rear coupling, its rear point, then its front point where its pose
  // stands.
  EXPECT_NEAR(head.x - rw.X - w.AxleDistance, w.RearLength, 1e-3);
}

TEST_F(Convoys, VehiclesThatDoNotFitOnTheTrackStayUnplaced) {
  const std::vector<uint32_t> ways = Rail({{1000, 1000}, {2000, 1000}});
  // The head 70 from the start of the line: the locomotive (60 long) fits, the wagon does not.
  const uint32_t t = TrainOn(ways[0], {kShuttleLocomotive, kShuttleWagon}, 70.0f);
  TVehicle stale = Vehicle(TrainByIndex(t).Vehicles[1]);
  stale.Shown = 1;
  stale.A_Overwrite();
  const uint32_t tail = TrainByIndex(t).ClosingNode;
  Step(t);
  EXPECT_EQ(Vehicle(TrainByIndex(t).Vehicles[0]).Shown, 1);
  EXPECT_EQ(Vehicle(TrainByIndex(t).Vehicles[1]).Shown, 0);
  EXPECT_EQ(Value(TrainByIndex(t).ClosingNode), tail);  // the tail stays while the rear is not placed
}

TEST_F(Convoys, AReverseNodeTurnsTheConvoyRoundItsOtherEnd) {
  const std::vector<uint32_t> ways = Rail({{1000, 1000}, {2000, 1000}});
  const uint32_t t = TrainOn(ways[0], {kShuttleLocomotive, kShuttleWagon}, 400.0f);
  Step(t);
  TTrain& train = TrainByIndex(t);
  PrepareTrain(train, t);
  // The node at the end of the way, 1000 from the line's start; the train's rear end lies its length
  // (110) behind the head.
  const uint32_t node = train.NextNode;
  const float dist = train.DistanceOnLink;
  ReverseTrain(train, node);
  EXPECT_EQ(train.Reversed, 1);
  EXPECT_EQ(Value(train.TargetSpeed), 1.0f);
  EXPECT_NEAR(train.DistanceOnLink - dist, 1000.0f - (dist - 110.0f), 1e-2);
  ReverseTrain(train, node);
  EXPECT_EQ(train.Reversed, 0);
  EXPECT_EQ(Value(train.TargetSpeed), NormalTargetSpeed(train));
}

TEST_F(Convoys, MonthlyAndDistanceCostsFollowTheirFormulas) {
  const std::vector<uint32_t> ways = Rail({{1000, 1000}, {2000, 1000}});
  const uint32_t t = TrainOn(ways[0], {kShuttleLocomotive, kShuttleWagon}, 200.0f);
  TTrain& train = TrainByIndex(t);
  const TVehicleTypeDriving l = Type(kShuttleLocomotive), w = Type(kShuttleWagon);
  struct Case {
    uint8_t level, wearSwitch;
    float creep;
  };
  for (const Case c : {Case{2, 1, 0.0f}, Case{1, 0, 3.0f}}) {
    SCOPED_TRACE(int(c.level));
    GameSettings.Level = c.level;
    GameSettings.VehicleSetting = c.wearSwitch;
    train.RevenueThisYear = 0.0f;
    train.Speed = 1.5f;
    PrepareTrain(train, t);
    ConvoyScratch.Vehicles[0].Wear = 0.5f;
    Bookings().clear();

    BookMonthlyCosts(train);
    const float monthly = l.YearlyCost / 12.0f + w.YearlyCost / 12.0f;
    ASSERT_EQ(Bookings().size(), 1u);
    EXPECT_FLOAT_EQ(Bookings()[0].Amount, -monthly);
    EXPECT_EQ(Value(ConvoyScratch.Vehicles[0].Wear), c.wearSwitch == 0 ? 1.0f : 0.5f);
    const float wear = ConvoyScratch.Vehicles[0].Wear;

    BookDistanceCosts(train, c.creep);
    // The locomotive pays for the creep too, the unpowered wagon only for its speed.
    const float distance = (1.5f + c.creep) * l.RunningCost / 100.0f + 1.5f * w.RunningCost / 100.0f;
    ASSERT_EQ(Bookings().size(), 2u);
    EXPECT_FLOAT_EQ(Bookings()[1].Amount, -distance);
    EXPECT_FLOAT_EQ(Value(ConvoyScratch.Vehicles[0].Wear), (0.99999f - (1.5f + c.creep) / 200000.0f) * wear);
    EXPECT_FLOAT_EQ(Value(ConvoyScratch.Vehicles[1].Wear), 0.99999f - 1.5f / 200000.0f);
    EXPECT_FLOAT_EQ(Value(train.RevenueThisYear), c.level >= 2 ? -(monthly + distance) : 0.0f);
  }
  train.RevenueThisYear = 12.0f;
  train.RevenueLastYear = 3.0f;
  ShiftTrainRevenue(train);
  EXPECT_EQ(Value(train.RevenueLastYear), 12.0f);
  EXPECT_EQ(Value(train.RevenueThisYear), 0.0f);
  // The town's cars cost nothing.
  train.Owner = 0;
  Bookings().clear();
  BookMonthlyCosts(train);
  BookDistanceCosts(train, 0.0f);
  EXPECT_TRUE(Bookings().empty());
}

}  // namespace
