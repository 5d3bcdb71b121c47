// The world reset and the world's hash: the particle table, a part of the world that the economy's
// services register, is reset with the world, counts in its hash, and moves with the step.
#include <gtest/gtest.h>

#include "economy/step/commands.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "engine/world/hooks.h"
#include "network/construction/buildings.h"
#include "network/world/particles.h"
#include "tests/economy/economy_fixture.h"

namespace {

class WorldReset : public economy_test::EconomyTest {
 protected:
  void TearDown() override {
    economy_test::UninstallEconomyServices();
    ResetParticles();
    ResetWorldState();
    EconomyTest::TearDown();
  }
};

TEST_F(WorldReset, ParticlesMoveOnEvenTicksAndCountInTheHash) {
  ASSERT_TRUE(ResetSimulationWorld());
  const uint64_t fresh = WorldStateHash();
  ParticlesOn = 1;
  ASSERT_EQ(NewParticle(5, 0.0f, 0.0f, 0.0f), 1);
  EXPECT_NE(WorldStateHash(), fresh);
  GameRunning = 1;
  GameTime = 10;
  GameplayTick();  // tick 11
  EXPECT_EQ(Particles[0].Life, 100.0f);
  GameplayTick();  // tick 12
  EXPECT_EQ(Particles[0].Life, 101.0f);
  ASSERT_TRUE(ResetSimulationWorld());
  EXPECT_EQ(WorldStateHash(), fresh);
}

}  // namespace
