// The removal of a train with its path, vehicles, block occupation and schedule entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/world/train.h"
#include "tests/engine/store/store_fixture.h"

using namespace arrayer_testing;

namespace {

std::vector<std::string> g_calls;
void (*g_installedPathDestroy)(const TPath&) = nullptr;
void (*g_installedVehicleDestroy)(uint32_t, bool) = nullptr;

void InstallRecordingHooks() {
  g_calls.clear();
  g_installedPathDestroy = train_hooks::PathDestroy;
  g_installedVehicleDestroy = train_hooks::VehicleDestroyByIndex;
  train_hooks::PathDestroy = [](const TPath& p) {
    g_calls.push_back("path " + std::to_string(p.Index) + " nodes " + std::to_string(p.PathNodeCounter));
  };
  train_hooks::VehicleDestroyByIndex = [](uint32_t v, bool fromTrains) {
    g_calls.push_back("vehicle " + std::to_string(v) + (fromTrains ? " from trains" : ""));
  };
  train_hooks::RemoveTrainFromAllBlocks = [](uint32_t t) { g_calls.push_back("blocks " + std::to_string(t)); };
  train_hooks::RemoveTrainFromStreetBlocks = [](uint32_t t) { g_calls.push_back("street " + std::to_string(t)); };
  train_hooks::RemoveTrainFromSchedule = [](uint32_t t, uint32_t s) {
    g_calls.push_back("schedule " + std::to_string(t) + " " + std::to_string(s));
    TrainByIndex(t).Schedule = 0;
    TrainByIndex(t).ScheduleState = 4;
  };
  train_hooks::OnDestroyTrain = [](uint32_t t) { g_calls.push_back("destroyed " + std::to_string(t)); };
}

// The hooks of the units above the engine are taken out; the engine's own are put back.
void RemoveHooks() {
  train_hooks::PathDestroy = g_installedPathDestroy;
  train_hooks::VehicleDestroyByIndex = g_installedVehicleDestroy;
  train_hooks::RemoveTrainFromAllBlocks = nullptr;
  train_hooks::RemoveTrainFromStreetBlocks = nullptr;
  train_hooks::RemoveTrainFromSchedule = nullptr;
  train_hooks::OnDestroyTrain = nullptr;
}

std::vector<int> Elements(const TDestroyResult& r) {
  std::vector<int> e;
  for (int i = 0; i < 48; ++i) {
    if (r.Has(i)) e.push_back(i);
  }
  return e;
}

class TrainDestroy : public ArrayerTest {
 protected:
  void SetUp() override {
    ArrayerTest::SetUp();
    InstallRecordingHooks();
  }
  void TearDown() override {
    RemoveHooks();
    ArrayerTest::TearDown();
  }
  uint32_t MakeTrain(uint8_t kind, uint8_t owner, uint8_t vehicles) {
    const uint32_t t = NewTrain();
    TTrain& tr = TrainByIndex(t);
    tr = TTrain{};  // the caller fills the whole record: a slot keeps the bytes of its last train
    tr.Index = t;
    tr.VBT_Type = kind;
    tr.Owner = owner;
    tr.VehicleCount = vehicles;
    for (int i = 0; i < vehicles; ++i) tr.Vehicles[i] = 500u + i;
    return t;
  }
};

TEST_F(TrainDestroy, CheckModeGivesTheReasonsAgainst) {
  ActPlayer = 2;
  struct Case {
    uint8_t owner;
    uint8_t vehicles;
    std::vector<int> result;
  };
  const Case cases[] = {
      {0, 0, {0}},    // a town car
      {3, 0, {34}},   // another player's train
      {11, 0, {35}},  // an owner beyond the players
      {2, 2, {44}},   // the acting player's train with vehicles
      {3, 2, {34}},   // the owner is tested first
      {2, 0, {0}},
  };
  for (const Case& c : cases) {
    const uint32_t t = MakeTrain(kTrainRail, c.owner, c.vehicles);
    TDestroyResult r;
    std::memset(&r, 0xFF, sizeof(r));
    TTrain::Destroy(t, 0, r);
    EXPECT_EQ(Elements(r), c.result) << int(c.owner) << " " << int(c.vehicles);
    EXPECT_EQ(TrainByIndex(t).VBT_Type, kTrainRail);  // checks change nothing
    TTrain::Destroy(t, 1, r);
    EXPECT_EQ(Elements(r), c.result);
    EXPECT_EQ(IsTrainUsed(t), c.result != std::vector<int>{0});
  }
  EXPECT_EQ(g_calls, (std::vector<std::string>{"blocks 1", "destroyed 1", "blocks 6", "destroyed 6"}));
}

TEST_F(TrainDestroy, DeleteModeRemovesPathVehiclesBlocksAndScheduleInOrder) {
  TPath p{};
  p.PathNodeCounter = 3;
  p.A_Write();
  const uint32_t t = MakeTrain(kTrainRail, 5, 2);
  TrainByIndex(t).Path = p.Index;
  TrainByIndex(t).Schedule = 17;
  TDestroyResult r{};
  TTrain::Destroy(t, 2, r);
  EXPECT_EQ(Elements(r), std::vector<int>{0});
  EXPECT_EQ(g_calls, (std::vector<std::string>{"path 1 nodes 3", "vehicle 500", "vehicle 501", "blocks 1",
                                               "schedule 1 17", "destroyed 1"}));
  EXPECT_FALSE(IsTrainUsed(t));
  EXPECT_EQ(TrainByIndex(t).VBT_Type, kTrainFree);

  g_calls.clear();
  const uint32_t road = MakeTrain(kTrainRoad, 0, 0);
  TTrain::Destroy(road, 2, r);
  EXPECT_EQ(road, 2u);  // the search goes on above the last index handed out
  EXPECT_EQ(g_calls, (std::vector<std::string>{"street 2", "destroyed 2"}));

  // Without the services of the units above the engine the slot is freed all the same, and the
  // engine's own removals take the train's path and vehicles from the store.
  RemoveHooks();
  TVehicle v{};
  v.A_Write();
  p.A_Write();
  const uint32_t plain = MakeTrain(kTrainRail, 0, 1);
  TrainByIndex(plain).Vehicles[0] = v.Index;
  TrainByIndex(plain).Path = p.Index;
  TTrain::Destroy(plain, 2, r);
  EXPECT_FALSE(IsTrainUsed(plain));
  EXPECT_FALSE(ArrayerHolds(kTVehicleDesc, v.Index));
  EXPECT_FALSE(ArrayerHolds(kTPathDesc, p.Index));
}

TEST_F(TrainDestroy, UnsupportedKindAndBadIndexAreFatal) {
  const uint32_t t = MakeTrain(kTrainRail, 0, 0);
  TrainByIndex(t).VBT_Type = 2;
  TDestroyResult r{};
  EXPECT_EQ(FatalOf([&] { TTrain::Destroy(t, 2, r); }),
            Fatal("TTrain.Destroy : Unsupported VBT_Type has been deleted! Index : 1 0"));
  TrainByIndex(t).VBT_Type = kTrainFree;
  EXPECT_EQ(FatalOf([&] { TTrain::Destroy(t, 2, r); }),
            Fatal("TTrain.Destroy : Unsupported VBT_Type has been deleted! Index : 1 0"));
  EXPECT_EQ(FatalOf([&] { TTrain::Destroy(0, 0, r); }), Fatal("TTrain.Destroy : Index out of range! Index : 0"));
}

}  // namespace
