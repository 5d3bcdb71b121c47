// The collision test against brute force: random worlds of finished buildings and ways, random
// plans of ground and bridge pieces; a plan the test accepts has no piece whose footprint and
// height range both overlap an object, and a plan it refuses has a marked piece that does.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"
#include "network/construction/buildings.h"
#include "network/construction/collision.h"
#include "tests/network/construction/construction_fixture.h"

namespace {

using namespace construction_testing;

constexpr int kRounds = 400;
constexpr uint32_t kBuildingsAndWays = kArrayerBWFlag | kKindBuilding | kKindWay;

class Random {
 public:
  explicit Random(uint32_t seed) : gen_(seed) {}
  // Uniform in [a, b).
  float Real(float a, float b) {
    return a + (b - a) * static_cast<float>(static_cast<double>(gen_()) / 4294967296.0);
  }
  // Uniform in a..b.
  int Int(int a, int b) { return a + static_cast<int>(gen_() % static_cast<uint32_t>(b - a + 1)); }
  bool Chance(int percent) { return Int(0, 99) < percent; }

 private:
  std::mt19937 gen_;
};

// The corners of a rectangle of half-sides (hx, hz) about (cx, cz) turned by angle a, in order
// round it.
void Rectangle(float cx, float cz, float hx, float hz, float a, TVector (&out)[4]) {
  const float c = std::cos(a), s = std::sin(a);
  const float local[4][2] = {{-hx, -hz}, {hx, -hz}, {hx, hz}, {-hx, hz}};
  for (int k = 0; k < 4; ++k)
    out[k] = {cx + local[k][0] * c - local[k][1] * s, 0.0f, cz + local[k][0] * s + local[k][1] * c};
}

class CollisionProperty : public ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();  // the world state at its start: building type 1 a plain building
    curve_ = NewCurveline();
  }
  void TearDown() override {
    ResetWorldState();
    ConstructionTest::TearDown();
  }

  // Objects stand about the plan's area (x, z in 1000..2000); each is stored at the centre of its
  // footprint, which reaches at most 250 from it, so the test's square around the plan finds every
  // object that can touch it.
  void AddBuilding(Random& rnd) {
    TBuilding b{};
    b.Init(1, static_cast<uint8_t>(rnd.Int(0, 2)));
    b.State = 2;
    const float cx = rnd.Real(900, 2100), cz = rnd.Real(900, 2100);
    TVector corners[4];
    Rectangle(cx, cz, rnd.Real(5, 170), rnd.Real(5, 170), rnd.Real(0, 6.3f), corners);
    for (int k = 0; k < 4; ++k) b.Corners[k] = corners[k];
    b.Position = {cx, 0.0f, cz};
    b.LowHeight = rnd.Real(-100, 100);
    b.HighHeight = b.LowHeight + rnd.Real(1, 120);
    b.A_Write();
  }

  void AddWay(Random& rnd) {
    const float cx = rnd.Real(900, 2100), cz = rnd.Real(900, 2100);
    TVector corners[4];
    Rectangle(cx, cz, rnd.Real(10, 170), rnd.Real(5, 30), rnd.Real(0, 6.3f), corners);
    TWay w{};
    w.Init(static_cast<uint8_t>(rnd.Int(0, 1)), static_cast<uint8_t>(rnd.Int(0, 6)));
    w.State = 2;
    w.Owner = static_cast<uint8_t>(rnd.Int(0, 2));
    WayFlags(w) = rnd.Chance(25) ? kWayBridge : 0;
    w.Position = {cx, 0.0f, cz};
    if (!rnd.Chance(10)) {
      auto mesh = std::make_unique<TMesh2>();
      mesh->Init();
      const float base = rnd.Real(-100, 100);
      for (int k = 0; k < 4; ++k) mesh->vxA(static_cast<uint16_t>(k + 1), corners[k].x, base + rnd.Real(0, 20), corners[k].z, 0, 0);
      mesh->A_Write();
      w.Mesh = mesh->Index;
    }
    w.A_Write();
  }

  // A plan of 2..10 slots, a random walk from inside the area; piece k joins slots k and k + 1
  // with the corners start + side, start - side, end - side, end + side. Bridge pieces (only with
  // kind 1) have their preview mesh over the same corners.
  void Plan(Random& rnd, uint8_t kind) {
    TCurveline& c = *curve_;
    ResetConstruction(c);
    c.conzahl = static_cast<uint8_t>(rnd.Int(2, 10));
    TVector at = {rnd.Real(1200, 1800), rnd.Real(-60, 60), rnd.Real(1200, 1800)};
    float heading = rnd.Real(0, 6.3f);
    for (int j = 1; j <= c.conzahl; ++j) {
      c.Slots[j] = Meta(0, at.x, at.z);
      c.Slots[j].Position.y = at.y;
      heading += rnd.Real(-0.5f, 0.5f);
      const float step = rnd.Real(30, 150);
      at = {at.x + std::cos(heading) * step, at.y + rnd.Real(-15, 15), at.z + std::sin(heading) * step};
    }
    const float half = rnd.Real(5, 20);
    const uint8_t use = static_cast<uint8_t>(rnd.Int(0, 1));
    for (int k = 1; k < c.conzahl; ++k) {
      const TVector a = c.Slots[k].Position, b = c.Slots[k + 1].Position;
      const float dx = b.x - a.x, dz = b.z - a.z, len = std::sqrt(dx * dx + dz * dz);
      const TVector side = {-dz / len * half, 0.0f, dx / len * half};
      const TVector corners[4] = {{a.x + side.x, a.y, a.z + side.z},
                                  {a.x - side.x, a.y, a.z - side.z},
                                  {b.x - side.x, b.y, b.z - side.z},
                                  {b.x + side.x, b.y, b.z + side.z}};
      TCurvePiece& p = c.Pieces[k];
      p.Way.Use = use;
      WayFlags(p.Way) = kind == kCollisionWays && rnd.Chance(20) ? kWayBridge : 0;
      p.Mesh.VertexCount = 4;
      TMeshdata2& preview = c.PreviewMeshes[k];
      preview.Init();
      for (int i = 0; i < 4; ++i) {
        p.Mesh.Vertices[i].x = corners[i].x;
        p.Mesh.Vertices[i].y = corners[i].y;
        p.Mesh.Vertices[i].z = corners[i].z;
        preview.vxA(static_cast<uint16_t>(i + 1), corners[i].x, corners[i].y, corners[i].z, 0, 0);
      }
      // The reference heights the curve construction keeps for a bridge piece: its deck's top and
      // its body's bottom, here the body of a ground piece, as the brute-force check measures it.
      c.DeckTop[k] = std::max(std::max(corners[0].y, corners[1].y), std::max(corners[2].y, corners[3].y));
      c.Underside[k] = std::min(std::min(corners[0].y, corners[1].y), std::min(corners[2].y, corners[3].y)) -
                       WayBodyDepth;
    }
    CurvelineBounds(c);
  }

  // Every stored object (or only the one given) whose footprint and height range both overlap
  // piece k, by brute force over the whole store; the first such index, or 0.
  uint32_t Overlapping(int k, uint32_t only = 0) const {
    const TCurvePiece& piece = curve_->Pieces[k];
    TVector pieceCorners[4];
    PieceCorners(piece.Mesh, pieceCorners);
    auto mesh = std::make_unique<TMesh2>();
    uint32_t index = 0;
    for (;;) {
      uint32_t type = 0;
      index = FindInArrayerBWMultipel(kBuildingsAndWays, index, type);
      if (index == 0) return 0;
      if (only != 0 && index != only) continue;
      TVector corners[4];
      float heights[4] = {};
      if (type == kARTypeWay) {
        TWay w{};
        w.A_Read(index);
        if (w.Mesh == 0) continue;
        mesh->A_Read(w.Mesh);
        if (!GetWayCorners(w, *mesh, corners)) continue;
        GetWayHeightRange(w, *mesh, heights, 2);
      } else {
        TBuilding b{};
        b.A_Read(index);
        GetBuildingCorners(b, corners);
        GetBuildingHeights(b, heights, 2);
      }
      PieceHeightRange(piece.Mesh, piece.Way, heights, 1);
      if (QuadsOverlap(pieceCorners, corners) && RangesOverlap(heights)) return index;
    }
  }

  std::unique_ptr<TCurveline> curve_;
};

TEST_F(CollisionProperty, AcceptedPlansOverlapNoObjectAndRefusedOnesMarkAPieceThatDoes) {
  Random rnd(20240611u);
  int accepted = 0, refused = 0;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    ArrayerReset();
    const int buildings = rnd.Int(0, 6), ways = rnd.Int(0, 6);
    for (int i = 0; i < buildings; ++i) AddBuilding(rnd);
    for (int i = 0; i < ways; ++i) AddWay(rnd);
    const uint8_t kind = rnd.Chance(70) ? kCollisionWays : kCollisionStationTrack;
    Plan(rnd, kind);
    TConstructResult r = Set({5});
    CollisionTest(*curve_, kind, r, curve_->Centre.x, curve_->Centre.z, curve_->Radius);
    if (r == Set({0})) {
      ++accepted;
      for (int k = 1; k < curve_->conzahl; ++k) {
        EXPECT_EQ(Overlapping(k), 0u) << "piece " << k << " of " << curve_->conzahl - 1 << " was accepted";
        EXPECT_EQ(WayFlags(curve_->Pieces[k].Way) & kWayHit, 0) << "piece " << k;
      }
      EXPECT_EQ(curve_->HitWay, 0u);
      continue;
    }
    ASSERT_EQ(r, Set({kCollisionElement}));
    ++refused;
    int marked = 0;
    for (int k = 1; k < curve_->conzahl; ++k) {
      if ((WayFlags(curve_->Pieces[k].Way) & kWayHit) == 0) continue;
      ++marked;
      EXPECT_NE(Overlapping(k), 0u) << "piece " << k << " was marked";
      // A way that was hit is the one over that piece.
      if (curve_->HitWay != 0) {
        EXPECT_EQ(Overlapping(k, curve_->HitWay), curve_->HitWay);
      }
    }
    EXPECT_EQ(marked, 1);
  }
  // Both outcomes are met often enough for the property to say something.
  EXPECT_GT(accepted, kRounds / 10);
  EXPECT_GT(refused, kRounds / 10);
}

}  // namespace
