// The animals: five flyers kept in the world at positions the tick fixes, flyers drifting with the
// wind and holding their height until they leave the map, a removed animal's place taken by the last
// one in the same tick, circling animals slower away from home and their behaviours, ground animals
// walking on meadow near the viewer and leaving where they may not be, and what bad records do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/base/maths.h"
#include "engine/base/random.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "network/world/animals.h"
#include "network/world/terrain.h"
#include "tests/engine/store/store_fixture.h"

namespace {

using arrayer_testing::Fatal;
using arrayer_testing::FatalOf;

template <class T>
T Value(T v) {
  return v;
}

// A stored animation of Frames frames whose frame step is Step; its index.
uint32_t StoreAnimation(uint16_t frames, uint8_t step) {
  auto header = std::make_unique<TMeshAni>();
  *header = TMeshAni{};
  header->FrameCount = frames;
  header->Spare = step;
  static const TMeshVertex noVertex{};
  static const TVector noNormal{};
  return meshrecords_test::StoreMeshAni(*header, &noVertex, &noNormal);
}

TAnimal Flyer(float x, float y, float z) {
  TAnimal a{};
  a.Kind = kAnimalFlyer;
  a.Placement = TPlacement{x, y, z, 0, 0, 0};
  return a;
}

TAnimal Circling(float x, float y, float z, const TVector& dir, const TVector& home, uint8_t state) {
  TAnimal a{};
  a.Kind = kAnimalCircling;
  a.Placement = TPlacement{x, y, z, 0, 0, 0};
  a.Direction = dir;
  a.Home = home;
  a.State = state;
  return a;
}

TAnimal Grazer(float x, float z, const TVector& dir, float speed) {
  TAnimal a{};
  a.Kind = kAnimalGround;
  a.Placement = TPlacement{x, 0, z, 0, 0, 0};
  a.Direction = dir;
  a.Speed = speed;
  a.State = 1;
  a.AnimationLength = 1000;  // no new action in the ticks of a test unless it asks for one
  return a;
}

// Every height vertex at Level (the world height is twice that).
void FlatGround(int16_t level) { std::fill(&HeightMap[0][0], &HeightMap[0][0] + kMapSize * kMapSize, level); }

void Add(const TAnimal& a) { Animals[++AnimalCount] = a; }

class AnimalsTest : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    ResetWorldState();
    ArrayerTest::SetUp();
    ResetAnimals();
    AnimalTypes[kAnimalFlyer].MeshAni = 1;  // flyers have an animation (not stored: length 0)
    LocalPlayer = 1;
    Players[1].Camera = TPlacement{50000, 0, 50000, 0, 0, 0};
    std::memset(GroundMap, kGroundAnimalMeadow, sizeof(GroundMap));
    GameTime = 4321;
  }
  void TearDown() override {
    ResetAnimals();
    ResetWorldState();
    ArrayerTest::TearDown();
  }
};

TEST_F(AnimalsTest, WithoutAnimalsTheFirstTickSpawnsFiveFlyersWhereTheTickSays) {
  FlatGround(50);  // the ground at 100
  AnimalTypes[kAnimalFlyer].MeshAni = StoreAnimation(7, 1);
  const auto spawned = [] {
    ResetAnimals();
    AnimalTypes[kAnimalFlyer].MeshAni = 1;
    MoveAnimals();
    return std::vector<TAnimal>(Animals + 1, Animals + 1 + AnimalCount);
  };
  RandSeed = 99;
  const std::vector<TAnimal> first = spawned();
  ASSERT_EQ(first.size(), 5u);
  // The generator is seeded with GameTime x 45; each flyer draws its x first, then its z.
  RandSeed = GameTime * 45u;
  for (const TAnimal& a : first) {
    const float x = static_cast<float>(Random() * 1024.0L * 100.0L);
    const float z = static_cast<float>(Random() * 1024.0L * 100.0L);
    EXPECT_EQ(Value(a.Kind), kAnimalFlyer);
    EXPECT_EQ(Value(a.Placement.X), x);
    EXPECT_EQ(Value(a.Placement.Z), z);
    EXPECT_EQ(Value(a.Placement.Y), 1900.0f);
    EXPECT_EQ(Value(a.Placement.Gier), 0.0f);
    EXPECT_EQ(Value(a.Animation), 1u);
    EXPECT_EQ(Value(a.AnimationLength), 7u);
    EXPECT_EQ(Value(a.AnimationTime), 0.0f);
  }
  // Whatever the generator held before: the same tick spawns at the same places, another elsewhere.
  RandSeed = 12345;
  const std::vector<TAnimal> again = spawned();
  ASSERT_EQ(again.size(), 5u);
  EXPECT_EQ(std::memcmp(again.data(), first.data(), sizeof(TAnimal) * 5), 0);
  GameTime += 1;
  const std::vector<TAnimal> later = spawned();
  EXPECT_NE(Value(later[0].Placement.X), Value(first[0].Placement.X));
}

TEST_F(AnimalsTest, FlyersDriftOneUnitWithTheWindAndHoldTheirHeight) {
  FlatGround(50);  // h = 100 + 1800 = 1900
  Weather.ParticleDrift = TVector{3.0f, 0.0f, 4.0f};
  const struct {
    float y, after;
  } cases[] = {
      {2000.0f, 1999.95f},  // more than 1.0 above: sinks by 0.05
      {1901.0f, 1901.0f},   // 1.0 above: stays
      {1900.0f, 1900.0f},   // at the height: stays
      {1899.5f, 1900.5f},   // below: rises by 1.0
  };
  for (const auto& c : cases) {
    ResetAnimals();
    Add(Flyer(1000.0f, c.y, 1000.0f));
    ASSERT_TRUE(UpdateFlyer(1));
    const TAnimal a = Animals[1];
    EXPECT_FLOAT_EQ(Value(a.Placement.X), 1000.6f);
    EXPECT_FLOAT_EQ(Value(a.Placement.Z), 1000.8f);
    EXPECT_EQ(Value(a.Placement.Y), c.after) << c.y;
    EXPECT_FLOAT_EQ(Value(a.Direction.x), 0.6f);
  }
}

TEST_F(AnimalsTest, WithoutAFlyerAnimationNoFlyerIsSpawned) {
  // No animal types loaded: the first running ticks spawn nothing and stop nowhere.
  AnimalTypes[kAnimalFlyer].MeshAni = 0;
  for (int t = 0; t < 3; ++t) {
    ++GameTime;
    MoveAnimals();
  }
  EXPECT_EQ(AnimalCount, 0u);
  SpawnFlyer(1000.0f, 1000.0f);
  EXPECT_EQ(AnimalCount, 0u);
}

TEST_F(AnimalsTest, AFlyerBlownPastTheMapEdgeIsRemovedAndReplacedInTheNextTick) {
  Weather.ParticleDrift = TVector{1.0f, 0.0f, 0.0f};
  for (int k = 0; k < 4; ++k) Add(Flyer(1000.0f * (k + 1), 2000.0f, 1000.0f));
  Add(Flyer(102399.5f, 2000.0f, 1000.0f));
  MoveAnimals();
  // The flyer that left still counted toward the five of its tick.
  ASSERT_EQ(AnimalCount, 4u);
  for (uint32_t i = 1; i <= 4; ++i) EXPECT_LT(Value(Animals[i].Placement.X), 102400.0f);
  GameTime += 1;
  MoveAnimals();
  EXPECT_EQ(AnimalCount, 5u);
  // A flyer on the edge stays; past any edge it goes.
  const struct {
    float x, z;
    TVector wind;
    bool stays;
  } cases[] = {{102399.0f, 50.0f, {1, 0, 0}, true},  {102399.5f, 50.0f, {1, 0, 0}, false},
               {0.5f, 50.0f, {-1, 0, 0}, false},     {50.0f, 0.5f, {0, 0, -1}, false},
               {50.0f, 102399.5f, {0, 0, 1}, false}, {50.0f, 1.0f, {0, 0, -1}, true}};
  for (const auto& c : cases) {
    ResetAnimals();
    Weather.ParticleDrift = c.wind;
    Add(Flyer(c.x, 2000.0f, c.z));
    EXPECT_EQ(UpdateFlyer(1), c.stays) << c.x << " " << c.z;
    EXPECT_EQ(AnimalCount, c.stays ? 1u : 0u);
  }
}

TEST_F(AnimalsTest, ARemovedAnimalsPlaceTakesTheLastOneWhichMovesInTheSameTick) {
  const TAnimal far = Grazer(1000.0f, 1000.0f, {1, 0, 0}, 1.0f);  // far from the camera
  const TAnimal flyer = Flyer(5000.0f, 3000.0f, 5000.0f);
  const TAnimal circling = Circling(8000.0f, 2000.0f, 8000.0f, {1, 0, 0}, {0, 0, 0}, 4);
  // What the circling animal does as animal 1 in this tick.
  Add(circling);
  UpdateCirclingAnimal(1);
  const TAnimal expected = Animals[1];
  ResetAnimals();
  AnimalTypes[kAnimalFlyer].MeshAni = 1;
  Add(far);
  Add(flyer);
  Add(circling);
  MoveAnimals();
  // Animal 1 went; the circling animal took its place and moved once; the flyer stays second and
  // four new flyers follow.
  ASSERT_EQ(AnimalCount, 6u);
  EXPECT_EQ(std::memcmp(&Animals[1], &expected, sizeof(TAnimal)), 0);
  EXPECT_EQ(Value(Animals[2].Kind), kAnimalFlyer);
  EXPECT_EQ(Value(Animals[2].Placement.X), 5000.0f);  // no wind
  for (uint32_t i = 3; i <= 6; ++i) EXPECT_EQ(Value(Animals[i].Kind), kAnimalFlyer);
}

TEST_F(AnimalsTest, RemoveAnimalFillsThePlaceWithTheLastAndIgnoresPlacesNotInUse) {
  for (int k = 1; k <= 3; ++k) Add(Flyer(100.0f * k, 0, 0));
  RemoveAnimal(1);
  ASSERT_EQ(AnimalCount, 2u);
  EXPECT_EQ(Value(Animals[1].Placement.X), 300.0f);
  EXPECT_EQ(Value(Animals[2].Placement.X), 200.0f);
  RemoveAnimal(2);
  EXPECT_EQ(AnimalCount, 1u);
  for (uint32_t bad : {0u, 2u, 1000u, 0xFFFFFFFFu}) RemoveAnimal(bad);
  EXPECT_EQ(AnimalCount, 1u);
  ClearAnimals();
  RemoveAnimal(1);
  EXPECT_EQ(AnimalCount, 0u);
}

TEST_F(AnimalsTest, ACirclingAnimalIsSlowerMovingAwayFromHomeThanTowardIt) {
  FlatGround(100);  // the ground at 200: g = 1000
  const struct {
    const char* name;
    TVector dir, home;
    float speed;
  } cases[] = {
      {"away from home", {2, 0, 0}, {9000, 2000, 9000}, 2.5f},
      {"toward home", {2, 0, 0}, {11000, 2000, 10000}, 3.5f},
      {"across: the dot product 0 counts as away", {0, 0, 1}, {9000, 2000, 10000}, 2.5f},
      {"toward, slanting", {-1, 0, -1}, {0, 2000, 0}, 3.5f},
  };
  for (const auto& c : cases) {
    ResetAnimals();
    Add(Circling(10000.0f, 2000.0f, 10000.0f, c.dir, c.home, 4));
    UpdateCirclingAnimal(1);
    const TAnimal a = Animals[1];
    EXPECT_EQ(Value(a.Speed), c.speed) << c.name;
    const float moved = std::hypot(a.Placement.X - 10000.0f, a.Placement.Z - 10000.0f);
    EXPECT_NEAR(moved, c.speed, 1e-3f) << c.name;
    EXPECT_NEAR(std::hypot(a.Direction.x, a.Direction.z), c.speed, 1e-5f) << c.name;
    EXPECT_EQ(Value(a.Placement.Y), 1999.0f) << c.name;  // above the ground: it sinks by 1.0
    EXPECT_EQ(Value(a.Placement.Roll), 0.0f) << c.name;
  }
  // Gier turns the heading into degrees the other way round, a quarter turn on.
  const TVector slant{-1, 0, -1};
  EXPECT_NEAR(Value(Animals[1].Placement.Gier), static_cast<float>((-M_PI / 2 - Heading(slant)) * 57.29577951308232),
              1e-4f);
}

TEST_F(AnimalsTest, ACirclingAnimalKeepsAboveTheGroundAndFlapsWhenItRises) {
  FlatGround(100);  // g = 1000
  Add(Circling(10000.0f, 900.0f, 10000.0f, {1, 0, 0}, {0, 0, 0}, 4));
  TAnimal a = Animals[1];
  a.AnimationTime = 1.0f;
  a.AnimationLength = 10;
  Animals[1] = a;
  UpdateCirclingAnimal(1);
  a = Animals[1];
  EXPECT_EQ(Value(a.Placement.Y), 1000.0f);
  EXPECT_EQ(Value(a.AnimationTime), 1.5f);
  // The animation runs on by 0.5 a tick and starts again at 1.0 past its length + 1.
  for (int i = 0; i < 20; ++i) UpdateCirclingAnimal(1);
  a = Animals[1];
  EXPECT_LE(Value(a.AnimationTime), 11.5f);
  EXPECT_GE(Value(a.AnimationTime), 1.0f);
}

TEST_F(AnimalsTest, ACirclingAnimalTurnsByItsCounterAndTakesANewBehaviourWhenItHasUnwound) {
  const struct {
    uint8_t state, counter, limit;
    uint8_t counterAfter;
    int turn;  // the turn it steers with
  } cases[] = {
      {0, 3, 10, 4, -4},  // winding up to the left
      {1, 3, 10, 2, -2},  // unwinding
      {2, 3, 10, 4, 4},   // winding up to the right
      {3, 3, 10, 2, 2},
  };
  for (const auto& c : cases) {
    ResetAnimals();
    TAnimal a = Circling(10000.0f, 5000.0f, 10000.0f, {1, 0, 0}, {0, 0, 0}, c.state);
    a.TurnCounter = c.counter;
    a.TurnLimit = c.limit;
    Add(a);
    UpdateCirclingAnimal(1);
    a = Animals[1];
    EXPECT_EQ(Value(a.State), c.state);
    EXPECT_EQ(Value(a.TurnCounter), c.counterAfter);
    EXPECT_FLOAT_EQ(Value(a.Placement.Roll), static_cast<float>(-45.0 * c.turn / 255.0));
  }
  // Unwound (state 1 or 3 at 0) or of a behaviour it cannot have: a new behaviour from the seed.
  for (uint8_t state : {1, 3, 9}) {
    ResetAnimals();
    Add(Circling(10000.0f, 5000.0f, 10000.0f, {1, 0, 0}, {0, 0, 0}, state));
    UpdateCirclingAnimal(1);
    const int32_t s = std::abs(static_cast<int32_t>(GameTime) + 4 - 10000);
    const uint8_t states[3] = {0, 2, 4};
    EXPECT_EQ(Value(Animals[1].State), states[HashRandom(s, 3)]) << int(state);
    EXPECT_EQ(Value(Animals[1].TurnLimit), HashRandom(s + 1, 255)) << int(state);
  }
}

TEST_F(AnimalsTest, AGroundAnimalWalksOnMeadowNearTheViewer) {
  FlatGround(10);  // the ground at 20
  AnimalTypes[kAnimalGround].BodyLength = 30.0f;
  Add(Grazer(50000.0f, 50000.0f, {1, 0, 0}, 2.0f));
  ASSERT_TRUE(UpdateGroundAnimal(1));
  const TAnimal a = Animals[1];
  EXPECT_FLOAT_EQ(Value(a.Placement.X), 50002.0f);
  EXPECT_EQ(Value(a.Placement.Y), 20.0f);
  EXPECT_EQ(Value(a.Placement.Nick), 0.0f);  // flat ground
  EXPECT_FLOAT_EQ(Value(a.Placement.Gier), -270.0f);
  EXPECT_EQ(Value(a.Placement.Roll), 0.0f);
}

TEST_F(AnimalsTest, AGroundAnimalLeavesWhereItMayNotBe) {
  const struct {
    const char* name;
    float x, z;
    void (*ground)(int vx, int vz);  // the map round its vertex (vx, vz) after the step
  } cases[] = {
      {"farther than 12,000 from the camera", 50000.0f, 62001.0f, [](int, int) {}},
      {"west of column 10", 998.0f, 50000.0f, [](int, int) {}},
      {"east of column 1010", 101001.0f, 50000.0f, [](int, int) {}},
      {"north of row 10", 50000.0f, 999.0f, [](int, int) {}},
      {"on open water", 50000.0f, 50000.0f, [](int vx, int vz) { GroundMap[vx][vz] = 4; }},
      {"on shallow water", 50000.0f, 50000.0f, [](int vx, int vz) { GroundMap[vx][vz] = 0; }},
      {"on building ground", 50000.0f, 50000.0f, [](int vx, int vz) {
         GroundMap[vx][vz] = 6;
         CellFlags[vx][vz] = 0x10;
       }},
      {"no meadow within five vertices", 50000.0f, 50000.0f, [](int, int) { std::memset(GroundMap, 7, sizeof(GroundMap)); }},
  };
  for (const auto& c : cases) {
    ResetAnimals();
    std::memset(GroundMap, kGroundAnimalMeadow, sizeof(GroundMap));
    std::memset(CellFlags, 0, sizeof(CellFlags));
    Players[1].Camera = TPlacement{c.x, 0, std::min(c.z, 50000.0f), 0, 0, 0};
    c.ground(RoundToInt((c.x + 1.0L) / 100.0L), RoundToInt(c.z / 100.0L));
    Add(Grazer(c.x, c.z, {1, 0, 0}, 1.0f));
    EXPECT_FALSE(UpdateGroundAnimal(1)) << c.name;
    EXPECT_EQ(AnimalCount, 0u) << c.name;
  }
  // Meadow five vertices away (city-block distance 10 at the corner) lets it stay on other land.
  ResetAnimals();
  std::memset(GroundMap, 7, sizeof(GroundMap));
  GroundMap[505][505] = kGroundAnimalMeadow;
  Add(Grazer(49999.0f, 50000.0f, {1, 0, 0}, 1.0f));
  EXPECT_TRUE(UpdateGroundAnimal(1));
  // Building ground that is meadow does not count against it.
  GroundMap[500][500] = kGroundAnimalMeadow;
  CellFlags[500][500] = 0x10;
  EXPECT_TRUE(UpdateGroundAnimal(1));
}

TEST_F(AnimalsTest, AGroundAnimalStartsANewActionWhenItsAnimationHasRunOut) {
  const uint32_t walk = StoreAnimation(40, 25), trot = StoreAnimation(20, 50);
  TAnimalType& type = AnimalTypes[kAnimalGround];
  type.ActionCount = 2;
  type.Actions[0] = walk;
  type.Actions[1] = trot;
  type.ActionSpeeds[0] = 1.5f;
  type.ActionSpeeds[1] = 4.0f;
  TAnimal a = Grazer(50000.0f, 50000.0f, {1, 0, 0}, 2.0f);
  a.State = 0;  // standing
  a.Animation = walk;
  a.AnimationLength = 3;
  a.AnimationTime = 2.8f;
  Add(a);
  RandSeed = 77;
  ASSERT_TRUE(UpdateGroundAnimal(1));  // 2.8 + 25 / 50 = 3.3 > 3
  RandSeed = 77;
  const uint32_t r = static_cast<uint32_t>(Random(5000)) % 2 + 1;
  a = Animals[1];
  EXPECT_EQ(Value(a.State), 1);
  EXPECT_EQ(Value(a.Animation), r == 1 ? walk : trot);
  EXPECT_EQ(Value(a.Speed), r == 1 ? 1.5f : 4.0f);
  EXPECT_EQ(Value(a.AnimationLength), r == 1 ? 40u : 20u);
  EXPECT_EQ(Value(a.AnimationTime), 0.0f);
  const long double rate = HashRandom(static_cast<int32_t>(GameTime * 5 + 100), 1000000) / 1000000.0L * 2.0L *
                           3.14159265358979323846L / 5000.0L;
  EXPECT_FLOAT_EQ(Value(a.TurnRate), static_cast<float>(rate));
  // A standing animal did not move.
  EXPECT_EQ(Value(a.Placement.X), 50000.0f);
}

TEST_F(AnimalsTest, BadRecordsStopNothingButAnUnknownKind) {
  // A kind without actions stands; animations the store does not hold have no frames.
  TAnimal a = Grazer(50000.0f, 50000.0f, {1, 0, 0}, 1.0f);
  a.AnimationLength = 0;
  a.AnimationTime = 5.0f;
  a.Animation = 12345;
  Add(a);
  AnimalTypes[kAnimalGround].ActionCount = 0;
  EXPECT_TRUE(UpdateGroundAnimal(1));
  EXPECT_EQ(Value(Animals[1].State), 0);
  AnimalTypes[kAnimalGround].ActionCount = 0xFFFFFFFFu;  // more than the row holds: its own ten
  Animals[1].AnimationTime = 5.0f;
  EXPECT_TRUE(UpdateGroundAnimal(1));
  EXPECT_EQ(Value(Animals[1].State), 1);
  // A position or a speed that is not a number leaves the map.
  AnimalTypes[kAnimalGround].ActionCount = 0;
  a.Placement.X = NAN;
  Animals[1] = a;
  EXPECT_FALSE(UpdateGroundAnimal(1));
  Add(Grazer(50000.0f, 50000.0f, {1, 0, 0}, NAN));
  EXPECT_FALSE(UpdateGroundAnimal(1));
  EXPECT_EQ(AnimalCount, 0u);
  // Without a local player no ground animal stays.
  LocalPlayer = 200;
  Add(Grazer(50000.0f, 50000.0f, {1, 0, 0}, 1.0f));
  EXPECT_FALSE(UpdateGroundAnimal(1));
  LocalPlayer = 1;
  // A flyer type whose animation is missing spawns flyers without frames.
  ResetAnimals();
  AnimalTypes[kAnimalFlyer].MeshAni = 999;
  MoveAnimals();
  EXPECT_EQ(AnimalCount, 5u);
  EXPECT_EQ(Value(Animals[1].AnimationLength), 0u);
  // A wind that is not a number blows a flyer off the map.
  Weather.ParticleDrift = TVector{NAN, 0, 0};
  EXPECT_FALSE(UpdateFlyer(1));
  EXPECT_EQ(AnimalCount, 4u);
  // A full table takes no flyer; a count beyond the table counts as the table.
  AnimalCount = kAnimalSlots;
  SpawnFlyer(10.0f, 10.0f);
  EXPECT_EQ(AnimalCount, kAnimalSlots);
  AnimalCount = 5000;
  Weather.ParticleDrift = TVector{};
  for (uint32_t i = 1; i <= kAnimalSlots; ++i) Animals[i] = Flyer(10.0f, 2000.0f, 10.0f);
  MoveAnimals();
  EXPECT_EQ(AnimalCount, kAnimalSlots);
  // Any other kind stops the program.
  ResetAnimals();
  TAnimal odd = Flyer(10.0f, 10.0f, 10.0f);
  odd.Kind = 3;
  Add(odd);
  EXPECT_EQ(FatalOf(MoveAnimals), Fatal("Unknown viechtype!"));
}

}  // namespace
