// The engine's defaults of the network and economy services: what the removals rely on when no
// higher unit has installed its own.
#include <gtest/gtest.h>

#include "tests/engine/world/world_fixture.h"

namespace {

using namespace world_testing;
using testing_support::Warnings;
using Calls = std::vector<std::string>;

using WorldHooks = WorldTest;

TEST_F(WorldHooks, PreBookedCostsGoBackToThePlayerOrTheTown) {
  world_hooks::InstallDefaults();
  GameSettings.Level = 2;
  world_hooks::AddtoPrevCost(3, 7, 250.0f);
  EXPECT_EQ(Players[3].PrevCost.get(), -250.0L);
  EXPECT_EQ(Cities[7].Budget.get(), 0.0L);  // a player takes precedence over the town
  GameSettings.Level = 1;                   // the easiest level books nothing for players
  world_hooks::AddtoPrevCost(3, 7, 250.0f);
  EXPECT_EQ(Players[3].PrevCost.get(), -250.0L);
  world_hooks::AddtoPrevCost(0, 7, 125.5f);
  EXPECT_EQ(Cities[7].Budget.get(), 125.5L);
  Warnings().clear();
  world_hooks::AddtoPrevCost(0, 0, 1.0f);
  world_hooks::AddtoPrevCost(11, 101, 1.0f);
  EXPECT_EQ(Warnings(), (Calls{"WARNING in Gameplay.AddtoPrevCost: Could not assign money to a player",
                               "WARNING in Gameplay.AddtoPrevCost: Could not assign money to a player"}));
}

TEST_F(WorldHooks, InstallDefaultsPutsTheEnginesOwnServicesBack) {
  world_hooks::OnDestroyWay = nullptr;
  world_hooks::WaysAtCons = nullptr;
  train_hooks::PathDestroy = nullptr;
  connect_hooks::DestroyUnconnectedBuilding = nullptr;
  world_hooks::InstallDefaults();
  EXPECT_EQ(world_hooks::WaysAtCons, &world_hooks::DefaultWaysAtCons);
  EXPECT_EQ(connect_hooks::DestroyUnconnectedBuilding, &world_hooks::DefaultDestroyUnconnectedBuilding);
  EXPECT_EQ(train_hooks::VehicleDestroyByIndex, &TVehicle::DestroyByIndex);
  ASSERT_NE(train_hooks::PathDestroy, nullptr);
  ASSERT_NE(world_hooks::OnDestroyWay, nullptr);
  world_hooks::OnDestroyWay(5);  // does nothing
  const uint32_t p = AddPath(0, {1});
  TPath path{};
  path.A_Read(p);
  train_hooks::PathDestroy(path);
  EXPECT_FALSE(ArrayerHolds(kTPathDesc, p));
  // Without an economy there are no goods: a read gives the index and zeros.
  TGoodFields g{9, 9, 9, 9, 9};
  world_hooks::ReadGood(4, g);
  EXPECT_EQ(g.Index, 4u);
  EXPECT_EQ(g.Goodsway, 0u);
  EXPECT_FALSE(world_hooks::PsgrWayDestroyIfUnused(4));
}

TEST_F(WorldHooks, TheWaysMetAtAWaysConnections) {
  const uint32_t a = AddConnection(0, 0), b = AddConnection(100, 0), c = AddConnection(200, 0);
  const uint32_t w1 = AddPlainWay(a, b), w2 = AddPlainWay(b, c);
  const uint32_t lone = AddPlainWay(AddConnection(0, 500), AddConnection(0, 600));
  std::vector<TWay> ways(10);
  uint32_t count = 99;
  world_hooks::DefaultWaysAtCons(Way(w2), count, ways.data());
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(ways[0].Index, w1);
  world_hooks::DefaultWaysAtCons(Way(w1), count, ways.data());
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(ways[0].Index, w2);
  world_hooks::DefaultWaysAtCons(Way(lone), count, ways.data());
  EXPECT_EQ(count, 0u);
}

}  // namespace
