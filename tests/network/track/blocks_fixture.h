// The block tests' world: the construction tests' flat land with the network's services installed,
// finished rail track built by the way construction, and trains standing on it.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "engine/world/hooks.h"
#include "engine/world/train.h"
#include "network/construction/ways.h"
#include "network/services.h"
#include "network/track/blocks.h"
#include "tests/network/construction/construction_fixture.h"
#include "tools/sample_world.h"

namespace block_testing {

class BlockTest : public construction_testing::ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();
    InstallNetworkServices();
  }
  void TearDown() override {
    world_hooks::InstallDefaults();
    way_hooks::InstallDefaults();
    train_hooks::RemoveTrainFromAllBlocks = nullptr;
    ConstructionTest::TearDown();
  }

  // Track through the points on the ground plane (x, z pairs).
  static std::vector<uint32_t> Track(std::initializer_list<std::pair<float, float>> points, bool closed = false,
                                     std::vector<uint32_t>* connects = nullptr) {
    std::vector<TVector> at;
    for (const auto& [x, z] : points) at.push_back({x, 0.0f, z});
    return sample_world::RailTrack(at.data(), static_cast<int>(at.size()), closed, connects);
  }

  static TWay Way(uint32_t index) {
    TWay w{};
    w.A_Read(index);
    return w;
  }
  static uint32_t BlockOf(uint32_t way) { return Way(way).Block; }
  static TBlock Block(uint32_t index) {
    TBlock b{};
    b.A_Read(index);
    return b;
  }
  static TSignal Signal(uint32_t index) {
    TSignal s{};
    s.A_Read(index);
    return s;
  }
  // Every block in the store.
  static std::set<uint32_t> Blocks() {
    std::set<uint32_t> all;
    for (uint32_t i = FindInArrayerRest(kARTypeBlock, 0); i != 0; i = FindInArrayerRest(kARTypeBlock, i))
      all.insert(i);
    return all;
  }
  static std::vector<uint32_t> TrainsIn(uint32_t block) {
    const TBlock b = Block(block);
    return {b.Trains, b.Trains + b.TrainCount};
  }
  // The lamps of the block's in-signals, in list order.
  static std::vector<int> Lamps(uint32_t block) {
    const TBlock b = Block(block);
    std::vector<int> lamps;
    for (int i = 0; i < b.Insignalcounter; ++i) lamps.push_back(Signal(b.InSignals[i]).Lamp);
    return lamps;
  }

  static uint32_t TrainOn(uint32_t way, int lane = 0) { return sample_world::RailTrainOn(way, lane); }
};

}  // namespace block_testing
