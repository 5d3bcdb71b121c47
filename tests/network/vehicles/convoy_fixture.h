// The convoy tests' world: the track tests' nodes and ways, rail track built by the way construction
// on flat land with the network's services installed, the shuttle's two vehicle types, money booked
// into a record, and the convoy and movement hooks at their defaults.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/store/trainpool.h"
#include "engine/world/hooks.h"
#include "engine/world/train.h"
#include "network/construction/buildings.h"
#include "network/construction/limits.h"
#include "network/construction/ways.h"
#include "network/services.h"
#include "network/vehicles/convoys.h"
#include "network/vehicles/movement.h"
#include "tests/network/track/track_fixture.h"
#include "tools/sample_world.h"

namespace convoy_testing {

using track_testing::Fatal;
using track_testing::FatalOf;

// A field of a packed record by value (the assertions bind references to what they are given).
template <class T>
T Value(T v) {
  return v;
}

// One booking of money: player, amount, factor and the statistics value after it.
struct TBooking {
  uint8_t Player;
  float Amount;
  float Factor;
};

class ConvoyTest : public track_testing::TrackTest {
 protected:
  void SetUp() override {
    TrackTest::SetUp();
    InitWayConstruction();
    std::memset(GroundMap, 5, sizeof(GroundMap));
    InstallNetworkServices();
    sample_world::SetShuttleVehicleTypes();
    Bookings().clear();
    building_hooks::BookMoney = [](uint8_t player, float& stat, float amount, float factor) {
      Bookings().push_back({player, amount, factor});
      stat += amount * factor;
    };
  }
  void TearDown() override {
    convoy_hooks::InstallDefaults();
    movement_hooks::InstallDefaults();
    building_hooks::InstallDefaults();
    way_hooks::InstallDefaults();
    train_hooks::RemoveTrainFromAllBlocks = nullptr;
    train_hooks::RemoveTrainFromSchedule = nullptr;
    TrackTest::TearDown();
  }

  static std::vector<TBooking>& Bookings() {
    static std::vector<TBooking> bookings;
    return bookings;
  }

  // Finished rail track through the points (x, z) on the ground plane; its ways in order.
  static std::vector<uint32_t> Rail(std::initializer_list<std::pair<float, float>> points) {
    std::vector<TVector> at;
    for (const auto& [x, z] : points) at.push_back({x, 0.0f, z});
    return sample_world::RailTrack(at.data(), static_cast<int>(at.size()), false);
  }

  // A train of player 1 on the first lane of the way with vehicles of the given types, its head
  // Dist past the lane's first node.
  static uint32_t TrainOn(uint32_t way, std::initializer_list<uint16_t> types, float dist) {
    const uint32_t t = sample_world::RailTrainOn(way, 0);
    for (uint16_t type : types) BuyVehicleForTrain(TrainByIndex(t), type);
    TrainByIndex(t).DistanceOnLink = dist;
    return t;
  }
  // A train of the kind and owner standing between two nodes, without vehicles: its power and speed
  // as given, its history the two nodes.
  static uint32_t TrainBetween(uint32_t from, uint32_t to, uint8_t kind = kTrainRail, uint8_t owner = 1) {
    const uint32_t t = NewTrain();
    TTrain& train = TrainByIndex(t);
    InitTrain(train, from, t, kind, kTrainDriving, owner);
    train.NextNode = to;
    train.NodesAhead[0] = to;
    train.NodesAhead[1] = from;
    train.ClosingNode = from;
    CalcTrainPower(train);
    return t;
  }

  // One move of the convoy as the simulation step makes it.
  static bool Step(uint32_t train) {
    TTrain& t = TrainByIndex(train);
    PrepareTrain(t, train);
    const bool moved = MoveOn(t);
    if (!IsTrainUsed(train)) return moved;
    if (moved) {
      PlaceTrainVehicles(t, 0);
    } else {
      WriteBackTrainVehicles(t);
    }
    return moved;
  }
  static void Tick(uint32_t train) {
    ++GameTime;
    Step(train);
  }

  static TVehicle Vehicle(uint32_t index) {
    TVehicle v{};
    v.A_Read(index);
    return v;
  }
  // The node at (x, y, z), on a finished way, with the given flags besides.
  static uint32_t NodeAt(float x, float y, float z, uint8_t flags = 0) {
    const uint32_t n = Node(x, z, static_cast<uint8_t>(kNodeFlagWayFinished | flags));
    NodeByIndex(n).Position.y = y;
    return n;
  }
};

}  // namespace convoy_testing
