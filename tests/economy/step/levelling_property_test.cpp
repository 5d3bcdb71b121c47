// Levelling under random plans on random ground: planned ways and buildings at random heights over
// a small patch of random terrain (with water-bearing cells, heights near the floor and the top of
// the height range, patches at the map's edges) are completed for everybody at once, or levelled
// one by one through the ground grid. Afterwards every height lies in -32768..4000, no height rose,
// the water surface of every water-bearing cell stayed where it was (its depth never wrapped), and
// levelling only gave up where the vertex under the deepest point could not be lowered.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "economy/port/uiport.h"
#include "economy/step/plans.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "network/construction/curveline.h"
#include "network/construction/ground.h"
#include "network/construction/limits.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kRounds = 24;
constexpr int kPatch = 24;  // the random terrain: kPatch x kPatch vertices
constexpr uint16_t kHouse = 1;
const std::string kGaveUp = "WARNING in Gameplay.LevelGround: the ground could not be levelled";

class Random {
 public:
  explicit Random(uint32_t seed) : gen_(seed) {}
  float Real(float a, float b) { return a + (b - a) * static_cast<float>(static_cast<double>(gen_()) / 4294967296.0); }
  int Int(int a, int b) { return a + static_cast<int>(gen_() % static_cast<uint32_t>(b - a + 1)); }
  bool Chance(int percent) { return Int(0, 99) < percent; }

 private:
  std::mt19937 gen_;
};

uint32_t Ticks() {
  static uint32_t ticks = 0;
  return ticks += 1000;
}

// The part of the map the work can reach: the patch and a margin beyond the objects over it.
// Everything outside it stays flat dry land at 0.
struct Window {
  int c0, c1, r0, r1;  // columns c0..c1 - 1, rows r0..r1 - 1
  static Window Around(int c, int r, int size) {
    constexpr int kMargin = 8;
    return {std::max(c - kMargin, 0), std::min(c + size + kMargin, kMapSize), std::max(r - kMargin, 0),
            std::min(r + size + kMargin, kMapSize)};
  }
  bool Holds(int c, int r) const { return c >= c0 && c < c1 && r >= r0 && r < r1; }
};

// The map grids in the window as they were before the work.
struct Snapshot {
  Window w;
  std::vector<int16_t> heights;
  std::vector<int8_t> water;
  std::vector<uint8_t> flags;
  explicit Snapshot(const Window& window) : w(window) {
    for (int c = w.c0; c < w.c1; ++c) {
      heights.insert(heights.end(), &HeightMap[c][w.r0], &HeightMap[c][w.r1]);
      water.insert(water.end(), &WaterMap[c][w.r0], &WaterMap[c][w.r1]);
      flags.insert(flags.end(), &CellFlags[c][w.r0], &CellFlags[c][w.r1]);
    }
  }
  size_t At(int c, int r) const { return static_cast<size_t>(c - w.c0) * (w.r1 - w.r0) + (r - w.r0); }
};

// In the window every height in range and none risen, the water-bearing cells keeping their
// surface and the others their water value; outside it, heights and water still 0. Reports the
// first few faults.
void ExpectSoundGround(const Snapshot& before) {
  const Window& w = before.w;
  int faults = 0;
  for (int c = w.c0; c < w.c1 && faults < 5; ++c) {
    for (int r = w.r0; r < w.r1 && faults < 5; ++r) {
      const size_t i = before.At(c, r);
      const int height = HeightMap[c][r], old = before.heights[i];
      const bool ok = height >= -32768 && height <= kHighestGround && height <= old &&
                      ((before.flags[i] & kCellWaterBearing) != 0 ? height + WaterMap[c][r] == old + before.water[i]
                                                                  : WaterMap[c][r] == before.water[i]);
      if (ok) continue;
      ++faults;
      ADD_FAILURE() << "vertex (" << c << ", " << r << "): height " << old << " -> " << height << ", water "
                    << int(before.water[i]) << " -> " << int(WaterMap[c][r]) << ", flags " << int(before.flags[i]);
    }
  }
  static const int16_t zeroHeights[kMapSize] = {};
  static const int8_t zeroWater[kMapSize] = {};
  const auto flat = [](int c, int r0, int r1) {
    const size_t n = static_cast<size_t>(r1 - r0);
    return std::memcmp(&HeightMap[c][r0], zeroHeights, n * sizeof(int16_t)) == 0 &&
           std::memcmp(&WaterMap[c][r0], zeroWater, n) == 0;
  };
  for (int c = 0; c < kMapSize; ++c) {
    const bool ok = w.Holds(c, w.r0) ? flat(c, 0, w.r0) && flat(c, w.r1, kMapSize) : flat(c, 0, kMapSize);
    EXPECT_TRUE(ok) << "column " << c << " changed outside the work's reach";
    if (!ok) return;
  }
}

class LevellingProperty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ResetSimulationWorld());
    platform::SetTickSource(Ticks);
    testing_support::CaptureDebugger();
    SetUserInterface({});
    std::memset(GroundMap, 5, sizeof(GroundMap));  // flat dry land at 0 everywhere
    SetBuildingTypeWayUse(BuildingTypes[kHouse], 0);
    SetBuildingTypePrice(BuildingTypes[kHouse], 100);
    SpecialBuildingTypes[1] = 9;
  }
  void TearDown() override {
    platform::SetTickSource(nullptr);
    platform::SetDebuggerSink(nullptr);
    ResetWorldState();
  }

  // A fresh patch of terrain at one of the map's corners or in its middle. Heights come from one
  // of four bands (ordinary land, the floor, the top, all of them); about a fifth of the cells are
  // water kinds, about a quarter water-bearing with a depth anywhere in the signed-byte range.
  void NewGround(Random& rnd) {
    for (int c = window_.c0; c < window_.c1; ++c) {
      for (int r = window_.r0; r < window_.r1; ++r) {
        HeightMap[c][r] = 0;
        WaterMap[c][r] = 0;
        CellFlags[c][r] = 0;
        GroundMap[c][r] = 5;
      }
    }
    const int origins[3] = {0, kMapSize - kPatch, 500};
    c0_ = origins[rnd.Int(0, 2)];
    r0_ = origins[rnd.Int(0, 2)];
    window_ = Window::Around(c0_, r0_, kPatch);
    const int band = rnd.Int(0, 3);
    for (int c = c0_; c < c0_ + kPatch; ++c) {
      for (int r = r0_; r < r0_ + kPatch; ++r) {
        const int b = band == 3 ? rnd.Int(0, 2) : band;
        HeightMap[c][r] = static_cast<int16_t>(b == 0 ? rnd.Int(-200, 800) : b == 1 ? rnd.Int(-32768, -32700) : rnd.Int(3950, 4000));
        GroundMap[c][r] = static_cast<uint8_t>(rnd.Chance(20) ? rnd.Int(0, 4) : rnd.Int(5, 10));
        if (rnd.Chance(25)) {
          CellFlags[c][r] = kCellWaterBearing;
          WaterMap[c][r] = static_cast<int8_t>(rnd.Int(-128, 127));
        }
      }
    }
  }

  // A random spot over the patch or a little beyond it (off the map at its edges), in world units.
  void Spot(Random& rnd, float& x, float& z) const {
    x = (static_cast<float>(c0_) + rnd.Real(-4, kPatch + 4)) * 100.0f;
    z = (static_cast<float>(r0_) + rnd.Real(-4, kPatch + 4)) * 100.0f;
  }

  // A height for an object: mostly about the patch's terrain, sometimes far below it.
  float Height(Random& rnd) const {
    if (rnd.Chance(5)) return -rnd.Real(1e5f, 1e12f);
    const float terrain = 2.0f * HeightMap[c0_ + kPatch / 2][r0_ + kPatch / 2];
    return terrain + rnd.Real(-3000, 400);
  }

  static void Rectangle(float cx, float cz, float hx, float hz, float a, TVector (&out)[4]) {
    const float c = std::cos(a), s = std::sin(a);
    const float local[4][2] = {{-hx, -hz}, {hx, -hz}, {hx, hz}, {-hx, hz}};
    for (int k = 0; k < 4; ++k)
      out[k] = {cx + local[k][0] * c - local[k][1] * s, 0.0f, cz + local[k][0] * s + local[k][1] * c};
  }

  // A planned way whose piece mesh crosses the patch: corners along a random heading at heights
  // scattered about one random height. Most are to be levelled.
  TWay PlannedWay(Random& rnd) {
    float cx, cz;
    Spot(rnd, cx, cz);
    TVector corners[4];
    Rectangle(cx, cz, rnd.Real(10, 12), rnd.Real(20, 400), rnd.Real(0, 6.3f), corners);
    auto mesh = std::make_unique<TMesh2>();
    mesh->Init();
    const float y = Height(rnd);
    for (int k = 0; k < 4; ++k)
      mesh->vxA(static_cast<uint16_t>(k + 1), corners[k].x, y + rnd.Real(0, 40), corners[k].z, 0, 0);
    mesh->A_Write();
    TWay w{};
    w.Init(static_cast<uint8_t>(rnd.Int(0, 1)), static_cast<uint8_t>(rnd.Int(0, 6)));
    w.Owner = static_cast<uint8_t>(rnd.Int(0, 2));
    WayFlags(w) = rnd.Chance(85) ? kWayOnGround : 0;
    w.Position = {cx, y, cz};
    w.Mesh = mesh->Index;
    w.A_Write();
    return w;
  }

  // A planned building over the patch, its corners at a random height.
  TBuilding PlannedBuilding(Random& rnd) {
    float cx, cz;
    Spot(rnd, cx, cz);
    TVector corners[4];
    Rectangle(cx, cz, rnd.Real(10, 200), rnd.Real(10, 200), rnd.Real(0, 6.3f), corners);
    TBuilding b{};
    b.Init(kHouse, static_cast<uint8_t>(rnd.Int(0, 2)));
    const float y = Height(rnd);
    for (int k = 0; k < 4; ++k) b.Corners[k] = {corners[k].x, y, corners[k].z};
    b.Position = {cx, y, cz};
    b.LowHeight = y;
    b.HighHeight = y + 20.0f;
    b.A_Write();
    return b;
  }

  // After LevelGround: no point of the grid is below the terrain, or the levelling warned that it
  // gave up, or the vertex under the deepest point cannot take the next step.
  static void ExpectLevelledOrStuck(size_t warningsBefore) {
    SampleGroundGrid(GroundGrid);
    if (!GroundGrid.BelowGround) return;
    const auto& w = testing_support::Warnings();
    for (size_t i = warningsBefore; i < w.size(); ++i)
      if (w[i] == kGaveUp) return;
    const TGroundPoint& deepest = GroundGrid.Point(GroundGrid.MinRow, GroundGrid.MinCol);
    TConstructResult r = TConstructResult::Success();
    const double half = std::nearbyint(static_cast<double>(GroundGrid.MinDiff) / 2.0);
    const int32_t delta = half < -2147483648.0 ? INT32_MIN : half == 0 ? -1 : static_cast<int32_t>(half);
    TerraformVertex(deepest.Column, deepest.Row, delta, 0, 0, r);
    EXPECT_FALSE(r.Ok()) << "levelling stopped at (" << deepest.Column << ", " << deepest.Row << ") with "
                         << GroundGrid.MinDiff << " to go";
  }

  int c0_ = 0, r0_ = 0;
  Window window_ = {0, 0, 0, 0};
};

TEST_F(LevellingProperty, CompletingEverybodysPlansKeepsTheGroundSound) {
  Random rnd(7121u);
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ArrayerReset();
    NewGround(rnd);
    std::vector<uint32_t> ways, buildings;
    for (int i = rnd.Int(1, 4); i > 0; --i) ways.push_back(PlannedWay(rnd).Index);
    for (int i = rnd.Int(0, 3); i > 0; --i) buildings.push_back(PlannedBuilding(rnd).Index);
    const Snapshot before(window_);
    ASSERT_FALSE(CompletePlannedConstructions(0, 0, true));
    ExpectSoundGround(before);
    for (uint32_t i : ways) {
      TWay w{};
      w.A_Read(i);
      EXPECT_EQ(w.State, 2);
    }
    for (uint32_t i : buildings) {
      TBuilding b{};
      b.A_Read(i);
      EXPECT_EQ(b.State, 2);
    }
  }
}

TEST_F(LevellingProperty, LevellingOneGridAtATimeKeepsTheGroundSoundAndGivesUpOnlyWhenStuck) {
  Random rnd(90210u);
  for (int round = 0; round < kRounds * 4; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ArrayerReset();
    NewGround(rnd);
    const Snapshot before(window_);
    for (int i = rnd.Int(1, 4); i > 0; --i) {
      if (rnd.Chance(60)) {
        const TWay w = PlannedWay(rnd);
        auto mesh = std::make_unique<TMesh2>();
        mesh->A_Read(w.Mesh);
        CalcWayGroundGrid(GroundGrid, w, *mesh, static_cast<uint8_t>(rnd.Int(0, 1)));
      } else {
        CalcBuildingGroundGrid(GroundGrid, PlannedBuilding(rnd));
      }
      const size_t warnings = testing_support::Warnings().size();
      LevelGround();
      ExpectLevelledOrStuck(warnings);
    }
    ExpectSoundGround(before);
  }
}

// A grid lying further below the terrain than any height can go asks for a change that does not
// fit a height (nor, halved, a 32-bit integer): it is refused at the first pass and no height moves.
TEST_F(LevellingProperty, AGridFarBelowTheFloorIsRefusedAtOnce) {
  for (const float y : {-1e12f, -std::numeric_limits<float>::infinity(), -3e38f}) {
    SCOPED_TRACE(y);
    HeightMap[10][10] = 7;
    TWay w{};
    w.Init(1, 0);
    auto mesh = std::make_unique<TMesh2>();
    mesh->Init();
    const float corners[4][2] = {{950, 1015}, {950, 985}, {1050, 985}, {1050, 1015}};
    for (int k = 0; k < 4; ++k) mesh->vxA(static_cast<uint16_t>(k + 1), corners[k][0], y, corners[k][1], 0, 0);
    CalcWayGroundGrid(GroundGrid, w, *mesh, 0);
    const Snapshot before(Window::Around(0, 0, 20));
    LevelGround();
    EXPECT_EQ(LevelGroundPasses, 1);
    EXPECT_EQ(HeightMap[10][10], 7);
    ExpectSoundGround(before);
  }
}

}  // namespace
