// The particle table: its switch, the emission range, the rise of smoke by its source's strength,
// a full table, the life of a revenue marker and the reseed of the generator from the clock.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/base/random.h"
#include "engine/base/worldstate.h"
#include "network/world/particles.h"
#include "platform/platform.h"

namespace {

uint32_t g_clock = 0;
uint32_t Clock() { return g_clock; }

class ParticleTable : public testing::Test {
 protected:
  void SetUp() override {
    ResetWorldState();
    ResetParticles();
    ParticlesOn = 1;
    RandSeed = 12345;
    g_clock = 5000;
    platform::SetTickSource(Clock);
  }
  void TearDown() override {
    platform::SetTickSource(nullptr);
    ResetParticles();
    ResetWorldState();
  }
  // A smoke particle at (x, 0, z) as a vehicle's puff starts it, not advanced.
  static int32_t Emit(float x, float z) {
    return EmitParticle(0, 3, TVector{}, x, 0.0f, z, 1.0f, 1.0f, 0.1f, 1.0f, 0.006f, 4.0f, 0.2f, 0.5f, 0.04f,
                        TVector{0.0f, 0.2f, 0.0f}, 0.94f, 0.94f, 1.0f, 1, 200, 200, 200);
  }
  // SmokePuff until the generator lets a weak source puff; the slot started.
  static int32_t PuffOfIntensity(uint8_t intensity) {
    for (uint32_t seed = 1; seed < 1000; ++seed) {
      RandSeed = seed;
      const int32_t slot = SmokePuff(0, intensity, 3, 1, 2, 3, 1, 0.006f, 0.0f, 0.0f, 0.0f);
      if (slot > 0) return slot;
    }
    return -1;
  }
};

TEST_F(ParticleTable, SwitchedOffNothingIsEmittedOrUpdated) {
  const int32_t smoke = Emit(0.0f, 0.0f);
  const int32_t marker = NewParticle(50, 1.0f, 2.0f, 3.0f);
  ASSERT_EQ(smoke, 1);
  ASSERT_EQ(marker, 2);
  ParticlesOn = 0;
  std::vector<uint8_t> before(sizeof(Particles));
  std::memcpy(before.data(), Particles, sizeof(Particles));
  const uint32_t seed = RandSeed;
  EXPECT_EQ(Emit(0.0f, 0.0f), -1);
  EXPECT_EQ(NewParticle(50, 0.0f, 0.0f, 0.0f), -1);
  EXPECT_EQ(SmokePuff(0, 100, 3, 1, 2, 3, 4, 0.006f, 0.0f, 0.0f, 0.0f), -1);
  Players[LocalPlayer].Camera.X = 777.0f;
  EmitSmoke(2, TVector{}, 3.5f, 3.5f);
  for (int i = 0; i < 10; ++i) UpdateParticles();
  EXPECT_EQ(std::memcmp(before.data(), Particles, sizeof(Particles)), 0);
  EXPECT_EQ(HighestParticle, 2);
  EXPECT_EQ(RandSeed, seed);  // neither drawn from nor reseeded
  EXPECT_EQ(float{ParticleCamera.x}, 0.0f);
}

TEST_F(ParticleTable, OnlySourcesWithinTheViewRangeOfTheCameraEmit) {
  // ViewRange 74: the range is sqrt(1.2) x 7400 = 8106.3 on the ground plane; height does not count.
  ParticleCamera = TVector{100.0f, 5000.0f, 200.0f};
  struct Case {
    float x, z;
    bool emits;
  };
  const Case cases[] = {
      {100.0f + 8106.0f, 200.0f, true},  {100.0f + 8107.0f, 200.0f, false}, {100.0f, 200.0f - 8106.0f, true},
      {100.0f, 200.0f - 8107.0f, false}, {100.0f + 5732.0f, 200.0f + 5732.0f, true},
      {100.0f + 5733.0f, 200.0f - 5733.0f, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " " << c.z);
    const int32_t slot = Emit(c.x, c.z);
    EXPECT_EQ(slot, c.emits ? HighestParticle : -1);
  }
  ViewRange = 10;  // sqrt(1.2) x 1000 = 1095.4
  EXPECT_GT(Emit(100.0f + 1095.0f, 200.0f), 0);
  EXPECT_EQ(Emit(100.0f + 1096.0f, 200.0f), -1);

  // A vehicle's smoke takes the local player's camera.
  ViewRange = 74;
  Players[LocalPlayer].Camera.X = 20000.0f;
  Players[LocalPlayer].Camera.Z = 0.0f;
  const int32_t highest = HighestParticle;
  EmitSmoke(0, TVector{0.0f, 0.0f, 0.0f}, 3.5f, 3.5f);
  EXPECT_EQ(float{ParticleCamera.x}, 20000.0f);
  EXPECT_EQ(HighestParticle, highest);
  EmitSmoke(0, TVector{20000.0f, 0.0f, 8000.0f}, 3.5f, 3.5f);
  EXPECT_EQ(HighestParticle, highest + 1);
  const TParticle& p = Particles[HighestParticle - 1];
  EXPECT_EQ(float{p.Position.x}, 20000.0f);
  EXPECT_FLOAT_EQ(p.Rise, 0.16f);  // at full speed the source is of intensity 100
  EXPECT_EQ(p.Colour[0], p.Colour[2]);
}

TEST_F(ParticleTable, SmokeRisesFasterTheWeakerItsSource) {
  struct Case {
    uint8_t intensity;
    float rise;
  };
  const Case cases[] = {{100, 0.16f}, {0, 0.26f}, {50, 0.21f}, {99, 0.161f}, {200, 0.06f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.intensity));
    const int32_t slot = PuffOfIntensity(c.intensity);
    ASSERT_GT(slot, 0);
    const TParticle& p = Particles[slot - 1];
    EXPECT_FLOAT_EQ(p.Rise, c.rise);
    EXPECT_EQ(p.Kind, kParticleSmoke);
    EXPECT_EQ(p.GrowthStart, 0.7f);
    EXPECT_EQ(p.Decrement, 0.006f);
    EXPECT_EQ(p.Life, 1.0f);
    EXPECT_GE(p.TotalLife, 1.0f);
    EXPECT_LE(p.TotalLife, 1.09f);
    EXPECT_GE(p.Size, 0.975f);  // 1.3 x (0.75 .. 1.49)
    EXPECT_LE(p.Size, 1.937f);
    EXPECT_FLOAT_EQ(p.Lift, p.Size / 1.3f / 8.0f);
    EXPECT_EQ(p.Colour[1], 2);
  }
  // A weak source puffs now and then, a strong one every time; each puff is one particle.
  int weak = 0, strong = 0;
  for (int i = 0; i < 200; ++i) {
    weak += SmokePuff(0, 10, 3, 1, 1, 1, 1, 0.006f, 0.0f, 0.0f, 0.0f) > 0;
    strong += SmokePuff(0, 51, 3, 1, 1, 1, 1, 0.006f, 0.0f, 0.0f, 0.0f) > 0;
  }
  EXPECT_GT(weak, 0);
  EXPECT_LT(weak, 100);
  EXPECT_EQ(strong, 200);
  const int32_t before = HighestParticle;
  EXPECT_EQ(SmokePuff(0, 100, 3, 1, 1, 1, 0, 0.006f, 0.0f, 0.0f, 0.0f), -1);
  EXPECT_EQ(SmokePuff(0, 100, 3, 1, 1, 1, 3, 0.006f, 0.0f, 0.0f, 0.0f), before + 3);
}

TEST_F(ParticleTable, AFullTableRefusesEveryEmitterAndTheSearchWrapsAfterTheHighestSlot) {
  for (int32_t i = 1; i <= kParticleSlots; ++i) ASSERT_EQ(NewParticle(1, 0.0f, 0.0f, 0.0f), i);
  EXPECT_EQ(HighestParticle, kParticleSlots);
  EXPECT_EQ(NewParticle(1, 0.0f, 0.0f, 0.0f), 0);
  EXPECT_EQ(Emit(0.0f, 0.0f), 0);
  EXPECT_EQ(SmokePuff(0, 100, 3, 1, 1, 1, 2, 0.006f, 0.0f, 0.0f, 0.0f), -1);
  // A slot freed below the highest is found by wrapping round.
  Particles[41].Used = 0;
  EXPECT_EQ(Emit(0.0f, 0.0f), 42);
  EXPECT_EQ(Emit(0.0f, 0.0f), 0);

  // The search starts after the highest slot, though lower ones are free.
  ClearParticles();
  HighestParticle = 100;
  EXPECT_EQ(NewParticle(1, 0.0f, 0.0f, 0.0f), 101);
  EXPECT_EQ(HighestParticle, 101);
  // A marker only while the game runs in mode 2.
  RunMode = 4;
  EXPECT_EQ(NewParticle(1, 0.0f, 0.0f, 0.0f), -1);
}

TEST_F(ParticleTable, AMarkerLivesTwoHundredAndFiftyUpdates) {
  const int32_t slot = NewParticle(1234, 10.0f, 20.0f, 30.0f);
  ASSERT_EQ(slot, 1);
  const TParticle& p = Particles[0];
  EXPECT_EQ(p.Kind, kParticleMarker);
  EXPECT_EQ(p.Value, 1234u);
  EXPECT_EQ(p.Size, 1000.0f);
  for (int i = 1; i <= 249; ++i) UpdateParticles();
  EXPECT_EQ(p.Used, 1);
  EXPECT_EQ(p.Life, 349.0f);  // a marker's life grows
  EXPECT_EQ(float{p.Position.y}, 20.0f);
  UpdateParticles();
  EXPECT_EQ(p.Used, 0);
  EXPECT_EQ(HighestParticle, 1);  // it was in use when the pass reached it
  UpdateParticles();
  EXPECT_EQ(HighestParticle, 0);
}

TEST_F(ParticleTable, APassReseedsFromTheClockAndWalksUpToTheHighestSlot) {
  g_clock = 4242;
  UpdateParticles();
  EXPECT_EQ(RandSeed, 4242u);  // nothing to update: nothing drawn after the reseed
  EXPECT_EQ(ParticleUpdateStart, 4242u);

  // Smoke fades and ends; a used slot above the highest is not looked at.
  const int32_t slot = SmokePuff(0, 100, 3, 1, 1, 1, 1, 0.006f, 0.0f, 0.0f, 0.0f);
  ASSERT_EQ(slot, 1);
  Particles[9].Used = 1;
  Particles[9].Kind = kParticleMarker;
  Particles[9].Life = 5.0f;
  int updates = 0;
  while (Particles[0].Used != 0 && updates < 1000) {
    UpdateParticles();
    ++updates;
  }
  EXPECT_GT(updates, 1);
  EXPECT_LE(updates, 167);  // life 1.0 at 0.006 an update
  EXPECT_EQ(ParticleUpdateCounts[kParticleSmoke], 0u);  // the last pass freed it before counting
  EXPECT_GT(float{Particles[0].Position.y}, 0.0f);
  UpdateParticles();
  EXPECT_EQ(HighestParticle, 0);
  EXPECT_EQ(Particles[9].Life, 5.0f);
}

}  // namespace
