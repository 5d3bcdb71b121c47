// Curve construction: the plan's pieces with their meshes, ground flags and bridge groups, the
// refusals, and what a build creates.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/recordstore.h"
#include "engine/world/hooks.h"
#include "network/construction/constructcurve.h"
#include "tests/network/construction/construction_fixture.h"

namespace {

using namespace construction_testing;

struct Counts {
  uint32_t nodes = 0, connects = 0, ways = 0, meshes = 0;
  bool operator==(const Counts&) const = default;
};

class CurveConstruction : public ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();
    GameSettings.Level = 2;
    PlayerCount = 2;
    world_hooks::InstallDefaults();
    curve_ = NewCurveline();
  }
  void TearDown() override {
    ResetWorldState();
    ConstructionTest::TearDown();
  }

  static Counts Count() {
    Counts c;
    for (uint32_t i = 1; i <= NodeArrayCount; ++i) c.nodes += NodeByIndex(i).Used != 0;
    for (uint32_t i = FindNextConnect(0); i != 0; i = FindNextConnect(i)) ++c.connects;
    for (uint32_t i = FindInArrayerBW(kARTypeWay, 0); i != 0; i = FindInArrayerBW(kARTypeWay, i)) ++c.ways;
    for (uint32_t i = FindInArrayerRest(kARTypeMeshdata2, 0); i != 0; i = FindInArrayerRest(kARTypeMeshdata2, i))
      ++c.meshes;
    return c;
  }

  TConstructResult Construct(uint8_t waytype, const TMetaconnect& a, const TMetaconnect& b, uint8_t mode) {
    TConstructResult r;
    constructcurve(*curve_, waytype, a, b, false, {}, mode, r);
    return r;
  }
  // The vehicle editor's rail test curve: four pieces on an arc.
  TConstructResult RailTestCurve(uint8_t mode) {
    TMetaconnect b = Meta(1, 330, 300);
    b.Direction = {1.2f, 0.0f, -1.0f};  // kept, but not a direction
    return Construct(1, Directed(1, 330, 680, 0.8f, 1.0f), b, mode);
  }
  static TMetaconnect At(uint8_t waytype, float x, float y, float z) {
    TMetaconnect m = Meta(waytype, x, z);
    m.Position.y = y;
    return m;
  }

  std::unique_ptr<TCurveline> curve_;
};

TEST_F(CurveConstruction, IllegalWaytypeStopsTheProgram) {
  EXPECT_EQ(FatalOf([&] { Construct(2, Meta(2, 1000, 1000), Meta(2, 1000, 1300), 1); }),
            Fatal("Gameplay.constructcurve: call with illegal waytype: 2"));
}

TEST_F(CurveConstruction, RefusalsCreateNothing) {
  struct Case {
    const char* name;
    uint8_t waytype;
    TMetaconnect a, b;
    TConstructResult result;
  };
  const Case cases[] = {
      {"ends 0.5 apart", 1, Meta(1, 1000, 1000), Meta(1, 1000.3f, 1000.4f), Set({2})},
      {"rail gradient 0.16", 1, At(1, 1000, 0, 1000), At(1, 1000, 48, 1300), Set({19})},
      {"connect on tile 2", 1, Meta(1, 240, 1000), Meta(1, 240, 1300), Set({15})},
      {"connect on tile 1021", 0, Meta(0, 1000, 101800), Meta(0, 1000, 102100), Set({15})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayerReset();
    const Counts before = Count();
    EXPECT_EQ(Construct(c.waytype, c.a, c.b, 1), c.result);
    EXPECT_EQ(Count(), before);
  }
  EXPECT_GE(curve_->conzahl, 2);  // the plan stays for a look
  EXPECT_EQ(Construct(1, Meta(1, 1000, 1000), Meta(1, 1000.3f, 1000.4f), 0), Set({2}));
  EXPECT_EQ(curve_->conzahl, 0);
  // The same gradient is within a road's limit.
  EXPECT_EQ(Construct(0, At(0, 1000, 0, 1000), At(0, 1000, 48, 1300), 0), Set({0}));
}

TEST_F(CurveConstruction, FirstPieceBeyondFiveThousandIsRefusedAsTooLong) {
  MinPieceLength[LimitIndex(kWaytypeRail)] = 5500.0f;
  MaxPieceLength[LimitIndex(kWaytypeRail)] = 20000.0f;
  const Counts before = Count();
  EXPECT_EQ(Construct(1, Meta(1, 1000, 1000), Meta(1, 1000, 7000), 1), Set({3}));
  EXPECT_EQ(curve_->conzahl, 2);
  EXPECT_EQ(curve_->Pieces[1].Mesh.VertexCount, 0);  // not prepared
  EXPECT_EQ(Count(), before);
}

TEST_F(CurveConstruction, PreviewPlansPiecesAndCreatesNothing) {
  const Counts before = Count();
  Players[1].PrevCost = 0.0L;
  EXPECT_EQ(RailTestCurve(0), Set({0}));
  EXPECT_EQ(Count(), before);
  EXPECT_EQ(static_cast<double>(Players[1].PrevCost.get()), 0.0);
  ASSERT_EQ(curve_->conzahl, 5);
  for (int k = 1; k <= 4; ++k) {
    SCOPED_TRACE("piece " + std::to_string(k));
    const TCurvePiece& p = curve_->Pieces[k];
    EXPECT_EQ(p.Mesh.VertexCount, 12);
    EXPECT_EQ(p.Mesh.PolygonCount, 3);
    EXPECT_EQ(WayFlags(p.Way), kWayOnGround);
    EXPECT_EQ(p.Way.Use, 1);
    EXPECT_EQ(p.Way.Waytype, 2);
    const uint32_t index = p.Way.Index;  // pieces lie off 4-byte boundaries: read by value
    EXPECT_EQ(index, 0u);
    EXPECT_EQ(p.Group, 0);
    EXPECT_EQ(curve_->Slots[k].ConnectIndex, 0u);
  }
  EXPECT_EQ(curve_->GroupCount, 0u);
}

TEST_F(CurveConstruction, BuildCreatesWaysConnectsAndTwoLanesOfNodes) {
  EXPECT_EQ(RailTestCurve(1), Set({0}));
  ASSERT_EQ(curve_->conzahl, 5);
  EXPECT_EQ(Count(), (Counts{10, 5, 4, 4}));
  for (int k = 1; k <= 4; ++k) {
    TWay w{};
    w.A_Read(curve_->Pieces[k].Way.Index);
    EXPECT_EQ(w.State, 0);
    EXPECT_EQ(w.Connections[0], curve_->Slots[k].ConnectIndex);
    EXPECT_EQ(w.Connections[1], curve_->Slots[k + 1].ConnectIndex);
  }
  // Lane 1 -> 4 -> 6 -> 8 -> 10 from A to B, lane 9 -> 7 -> 5 -> 3 -> 2 back.
  for (const auto& lane : {std::vector<uint32_t>{1, 4, 6, 8, 10}, std::vector<uint32_t>{9, 7, 5, 3, 2}}) {
    for (size_t i = 0; i + 1 < lane.size(); ++i) {
      SCOPED_TRACE("node " + std::to_string(lane[i]));
      const TNode& n = NodeByIndex(lane[i]);
      ASSERT_EQ(n.NextLinkCount, 1);
      EXPECT_EQ(n.NextLinks[0], lane[i + 1]);
    }
    EXPECT_EQ(NodeByIndex(lane.back()).NextLinkCount, 0);
    EXPECT_EQ(NodeByIndex(lane.back()).Way, 0u);
  }
  // Both rail nodes of a connect lie on its point.
  EXPECT_EQ(NodeByIndex(1).Position.x, NodeByIndex(2).Position.x);
  EXPECT_EQ(NodeByIndex(1).Position.z, NodeByIndex(2).Position.z);
}

TEST_F(CurveConstruction, ParallelBuildCreatesASecondLineBeside) {
  TConstructResult r;
  constructcurve(*curve_, 1, Meta(1, 1000, 1000), Meta(1, 1000, 1400), true, {}, 1, r);
  ASSERT_EQ(r, Set({0}));
  const uint32_t n = curve_->conzahl;
  ASSERT_GE(n, 2u);
  EXPECT_EQ(Count(), (Counts{4 * n, 2 * n, 2 * (n - 1), 2 * (n - 1)}));
  for (uint32_t k = 1; k < n; ++k) {
    SCOPED_TRACE("piece " + std::to_string(k));
    const TCurvePiece& main = curve_->Pieces[k];
    const TCurvePiece& side = curve_->ParallelPieces[k];
    const uint32_t mainWay = main.Way.Index, sideWay = side.Way.Index;  // read by value
    EXPECT_NE(sideWay, 0u);
    EXPECT_NE(sideWay, mainWay);
    // 1.2 gauges apart.
    EXPECT_NEAR(std::fabs(side.Way.Position.x - main.Way.Position.x), 36.0f, 0.01f);
  }
}

TEST_F(CurveConstruction, PiecesAboveOrBelowTheGroundBecomeBridgesOrCuttings) {
  struct Case {
    float y;
    uint8_t flags;
    bool grouped;
  };
  for (const Case& c : {Case{0, kWayOnGround, false}, Case{100, kWayOnGround | kWayBridge, true},
                        Case{-150, kWayCutting, false}}) {
    SCOPED_TRACE("height " + std::to_string(c.y));
    ResetConstruction(*curve_);
    ASSERT_EQ(Construct(0, At(0, 1000, c.y, 1000), At(0, 1000, c.y, 1400), 0), Set({0}));
    const int pieces = curve_->conzahl - 1;
    ASSERT_GE(pieces, 1);
    EXPECT_EQ(curve_->GroupCount, c.grouped ? 1u : 0u);
    if (c.grouped) {
      EXPECT_EQ(curve_->Groups[1].PieceCount, pieces);
      EXPECT_EQ(curve_->Groups[1].Kind, 2);
      EXPECT_FLOAT_EQ(curve_->Groups[1].Length, 400.0f);
    }
    for (int k = 1; k <= pieces; ++k) {
      SCOPED_TRACE("piece " + std::to_string(k));
      const TCurvePiece& p = curve_->Pieces[k];
      EXPECT_EQ(WayFlags(p.Way), c.flags);
      EXPECT_EQ(p.Group, c.grouped ? 1 : 0);
      EXPECT_EQ(curve_->Slots[k].HeightAboveGround, c.y);
      // A bridge stands on a thin deck; other pieces on a whole way body.
      const float depth = (c.flags & kWayBridge) ? 2.0f : WayBodyDepth;
      for (int v = 5; v <= 8; ++v) EXPECT_FLOAT_EQ(p.Mesh.Vertices[v - 1].y, c.y - depth);
      if (c.flags & (kWayBridge | kWayCutting)) {
        EXPECT_FLOAT_EQ(curve_->DeckTop[k], c.y);
        EXPECT_FLOAT_EQ(curve_->Underside[k], c.y - depth);
      }
    }
  }
}

}  // namespace
