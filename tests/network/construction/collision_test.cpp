// The collision test of a planned construction against the buildings and ways around it.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/world/building.h"
#include "network/construction/collision.h"
#include "network/construction/connects.h"
#include "tests/network/construction/construction_fixture.h"

namespace {

using namespace construction_testing;

constexpr float kHalf = 15.0f;

class Collision : public ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();
    curve_ = NewCurveline();
    ResetConstruction(*curve_);
  }

  // A plan along x at z = 1000 through the given x positions (at height y), one piece between
  // each two; the first slot may be a stored connect.
  void Plan(std::initializer_list<float> xs, uint8_t use = 0, float y = 0.0f, uint32_t firstConnect = 0) {
    TCurveline& c = *curve_;
    c.conzahl = 0;
    for (float x : xs) {
      ++c.conzahl;
      c.Slots[c.conzahl] = Meta(use, x, 1000.0f);
      c.Slots[c.conzahl].Position.y = y;
    }
    if (firstConnect != 0) LoadConnect(c.Slots[1], firstConnect);
    const std::vector<float> at(xs);
    for (int k = 1; k < c.conzahl; ++k) {
      const float a = at[k - 1], b = at[k];
      TCurvePiece& p = c.Pieces[k];
      p.Way.Use = use;
      const float corners[4][2] = {{a, 1000 + kHalf}, {a, 1000 - kHalf}, {b, 1000 - kHalf}, {b, 1000 + kHalf}};
      for (int i = 0; i < 4; ++i) {
        p.Mesh.Vertices[i].x = corners[i][0];
        p.Mesh.Vertices[i].y = y;
        p.Mesh.Vertices[i].z = corners[i][1];
      }
      p.Mesh.VertexCount = 4;
    }
    CurvelineBounds(c);
  }

  TConstructResult Test(uint8_t kind = kCollisionWays) {
    TConstructResult r = Set({5});
    CollisionTest(*curve_, kind, r, curve_->Centre.x, curve_->Centre.z, curve_->Radius);
    return r;
  }

  // A building standing on the square of side 2 * half around (x, z), its record placed at
  // (px, pz) (the centre unless given).
  static uint32_t Building(float x, float z, float half, float bottom, float top, float px = -1, float pz = -1) {
    TBuilding b{};
    b.Init(1, 1);
    b.Position = {px < 0 ? x : px, bottom, pz < 0 ? z : pz};
    const TVector corners[4] = {{x - half, 0, z - half}, {x + half, 0, z - half}, {x + half, 0, z + half}, {x - half, 0, z + half}};
    for (int k = 0; k < 4; ++k) b.Corners[k] = corners[k];
    b.LowHeight = bottom;
    b.HighHeight = top;
    b.A_Write();
    return b.Index;
  }

  // A way between two new connects at z = 1000, placed at its midpoint.
  // The connect at its x1 end goes to `end`.
  uint32_t WayAlong(float x0, float x1, uint32_t* end = nullptr) {
    const uint32_t to = AddConnectAt(0, x1, 1000);
    if (end != nullptr) *end = to;
    const uint32_t w = AddWayBetween(AddConnectAt(0, x0, 1000), to, kHalf);
    TWay way{};
    way.A_Read(w);
    way.Position = {(x0 + x1) / 2, 0, 1000};
    way.A_Overwrite();
    return w;
  }

  uint8_t Flags(int k) const { return WayFlags(curve_->Pieces[k].Way); }

  std::unique_ptr<TCurveline> curve_;
};

TEST_F(Collision, BoundsAreTheMeanAndTheWidestReachPlusTheMargin) {
  TCurveline& c = *curve_;
  c.conzahl = 3;
  c.Slots[1].Position = {1000, 10, 1000};
  c.Slots[2].Position = {1200, 20, 1000};
  c.Slots[3].Position = {1100, 30, 1300};
  c.Slots[4].Position = {9000, 0, 9000};  // beyond conzahl
  CurvelineBounds(c);
  EXPECT_FLOAT_EQ(c.Centre.x, 1100.0f);
  EXPECT_FLOAT_EQ(c.Centre.y, 20.0f);
  EXPECT_FLOAT_EQ(c.Centre.z, 1100.0f);
  EXPECT_FLOAT_EQ(c.Radius, 700.0f);
}

TEST_F(Collision, HeightRangesOfWaysAndPieces) {
  auto mesh = std::make_unique<TMeshdata2>();
  mesh->Init();
  const float ys[4] = {10, 30, 20, 15};
  for (int i = 1; i <= 4; ++i) mesh->vxA(i, 0, ys[i - 1], 0, 0, 0);
  TPieceMesh piece{};
  for (int i = 0; i < 4; ++i) piece.Vertices[i].y = ys[i];
  struct Case {
    uint8_t use, flags;
    float wayTop, wayBottom, pieceBottom;
  };
  const Case cases[] = {{0, 0, 80, -10, -10}, {1, 0, 100, -10, -10}, {0, kWayBridge, 80, 8, -10}, {1, kWayBridge, 100, 8, -10}};
  for (const Case& c : cases) {
    TWay w{};
    w.Use = c.use;
    WayFlags(w) = c.flags;
    float h[4] = {};
    GetWayHeightRange(w, *mesh, h, 2);
    PieceHeightRange(piece, w, h, 1);
    EXPECT_EQ(h[2], c.wayTop);
    EXPECT_EQ(h[3], c.wayBottom);
    EXPECT_EQ(h[0], c.wayTop);
    EXPECT_EQ(h[1], c.pieceBottom);
  }
  TWay crossing{};
  crossing.Waytype = 4;
  TVector corners[4] = {{7, 7, 7}, {7, 7, 7}, {7, 7, 7}, {7, 7, 7}};
  EXPECT_FALSE(GetWayCorners(crossing, *mesh, corners));
  EXPECT_EQ(corners[0].x, 7.0f);
}

TEST_F(Collision, TheWayThePlanStartsFromIsIgnored) {
  uint32_t start = 0;
  const uint32_t way = WayAlong(800, 1000, &start);
  ASSERT_EQ(ConnectByIndex(start).WayA, way);
  Plan({990, 1200}, 0, 0.0f, start);
  EXPECT_EQ(Test(), Set({0}));
  EXPECT_EQ(Flags(1) & kWayHit, 0);
  EXPECT_EQ(curve_->HitWay, 0u);

  // The same way against a plan that does not start from it is a collision.
  Plan({990, 1200});
  EXPECT_EQ(Test(), Set({18}));
  EXPECT_EQ(Flags(1) & kWayHit, kWayHit);
  EXPECT_EQ(curve_->HitWay, way);
}

// The surroundings of the connect a plan starts from: a plan from (1000, 1000) on to 1200 whose
// first piece reaches back over the end of way A (800 to 1000), and one object on that piece.
TEST_F(Collision, TheSurroundingsOfAStoredConnectAreOwn) {
  constexpr uint16_t kBridgeType = 2;
  SetBuildingTypeUse(BuildingTypes[kBridgeType], 3);
  struct World {
    uint32_t start, wayA, junction;
  };
  auto onPiece = [](uint16_t type = 1) {
    TBuilding b{};
    b.Init(type, 1);
    b.Position = {1100, 0, 1000};
    const TVector corners[4] = {{1090, 0, 990}, {1110, 0, 990}, {1110, 0, 1010}, {1090, 0, 1010}};
    for (int k = 0; k < 4; ++k) b.Corners[k] = corners[k];
    b.HighHeight = 30.0f;
    return b;
  };
  // A way with the given flags over the piece, between two connects of its own.
  auto wayOnPiece = [this](uint8_t flags, uint32_t building) {
    TWay w{};
    w.A_Read(WayAlong(1050, 1150));
    WayFlags(w) = flags;
    w.Building = building;
    w.A_Overwrite();
    return w;
  };
  struct Case {
    const char* name;
    std::function<void(const World&)> place;
    bool own;
  };
  const Case cases[] = {
      {"a stranger", [&](const World&) { onPiece().A_Write(); }, false},
      {"the building that owns way A",
       [&](const World& w) {
         TBuilding b = onPiece();
         b.A_Write();
         TWay a{};
         a.A_Read(w.wayA);
         a.Building = b.Index;
         a.A_Overwrite();
       },
       true},
      {"another way of that building",
       [&](const World& w) {
         TBuilding b = onPiece();
         b.Position = {5000, 0, 5000};  // out of range itself
         b.A_Write();
         TWay a{};
         a.A_Read(w.wayA);
         a.Building = b.Index;
         a.A_Overwrite();
         wayOnPiece(0, b.Index);
       },
       true},
      {"a building along way A",
       [&](const World& w) {
         TBuilding b = onPiece();
         b.Way = w.wayA;
         b.A_Write();
       },
       true},
      {"the junction building of the connect",
       [&](const World& w) {
         TBuilding b = onPiece();
         b.A_Write();
         ConnectByIndex(w.start).JunctionBuilding = b.Index;
       },
       true},
      {"a bridge building at the connect's junction",
       [&](const World& w) {
         ConnectByIndex(w.start).JunctionBuilding = w.junction;
         const TWay bridgeWay = wayOnPiece(0, 0);
         ConnectByIndex(bridgeWay.Connections[0]).JunctionBuilding = w.junction;
         TBuilding b = onPiece(kBridgeType);
         b.BuildingWayCounter = 1;
         b.Ways[0] = bridgeWay.Index;
         b.A_Write();
         TWay moved{};
         moved.A_Read(bridgeWay.Index);
         moved.Position = {5000, 0, 5000};  // only the building is met
         moved.A_Overwrite();
       },
       true},
      {"a bridge way at the connect's junction shares it and is tested",
       [&](const World& w) {
         ConnectByIndex(w.start).JunctionBuilding = w.junction;
         const TWay bridgeWay = wayOnPiece(kWayBridge, 0);
         ConnectByIndex(bridgeWay.Connections[0]).JunctionBuilding = w.junction;
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayerReset();
    ResetConstruction(*curve_);
    World w{};
    w.wayA = WayAlong(800, 1000, &w.start);
    TBuilding junction{};
    junction.Init(1, 1);
    junction.Position = {9000, 0, 9000};
    junction.A_Write();
    w.junction = junction.Index;
    c.place(w);
    Plan({990, 1200}, 0, 0.0f, w.start);
    EXPECT_EQ(Test(), c.own ? Set({0}) : Set({18}));
  }
}

TEST_F(Collision, ABuildingOnAPieceRefusesAndTheTestStopsAtOnce) {
  Plan({1000, 1100, 1200});
  Building(1050, 1000, 10, 0, 30);
  const uint32_t way = WayAlong(1150, 1190);  // on piece 2, met after the building
  EXPECT_EQ(Test(), Set({18}));
  EXPECT_EQ(Flags(1) & kWayHit, kWayHit);
  EXPECT_EQ(Flags(2) & kWayHit, 0);
  EXPECT_EQ(curve_->HitWay, 0u);
  ASSERT_NE(way, 0u);
}

TEST_F(Collision, AnObjectAboveThePiecesClearancePasses) {
  struct Case {
    uint8_t use;
    float bottom;
    bool collides;
  };
  // The piece lies at height 100: its range reaches 150 on road and 170 on rail.
  const Case cases[] = {{0, 149, true}, {0, 150, false}, {0, 151, false}, {1, 169, true}, {1, 170, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "use " << int(c.use) << " bottom " << c.bottom);
    ArrayerReset();
    ResetConstruction(*curve_);
    Plan({1000, 1200}, c.use, 100.0f);
    Building(1100, 1000, 10, c.bottom, c.bottom + 40);
    EXPECT_EQ(Test(), c.collides ? Set({18}) : Set({0}));
  }
}

TEST_F(Collision, APlacementFindsTheFirstCollidingObjectNotExcluded) {
  // Along z = 1000: a building on x 1040..1060 (height 0..30) and a road from 1100 to 1200 at
  // height 0 (its range: the clearance of 50 above, the body of 20 below).
  const uint32_t building = Building(1050, 1000, 10, 0, 30);
  const uint32_t way = WayAlong(1100, 1200);
  const uint32_t bare = WayAlong(1300, 1400);
  TWay w{};
  w.A_Read(bare);
  w.Mesh = 0;  // a way without a mesh has no footprint
  w.A_Overwrite();
  constexpr uint32_t kBoth = kArrayerBWFlag | kKindBuilding | kKindWay;
  struct Case {
    const char* name;
    float x0, x1;        // the placement's extent along x, 20 wide around z = 1000
    float top, bottom;   // its height range
    std::vector<uint32_t> exclude;
    uint32_t mask;
    bool hit;
  };
  const Case cases[] = {
      {"on the building", 1045, 1055, 10, 0, {}, kBoth, true},
      {"on the building, excluded", 1045, 1055, 10, 0, {building}, kBoth, false},
      {"on the building, only ways asked", 1045, 1055, 10, 0, {}, kArrayerBWFlag | kKindWay, false},
      {"above the building", 1045, 1055, 60, 31, {}, kBoth, false},
      {"on the way", 1150, 1160, 10, 0, {}, kBoth, true},
      {"on the way, excluded with others", 1150, 1160, 10, 0, {building, way}, kBoth, false},
      {"above the way's clearance", 1150, 1160, 90, 51, {}, kBoth, false},
      {"between them", 1070, 1090, 10, 0, {}, kBoth, false},
      {"on the way without a mesh", 1340, 1360, 10, 0, {}, kBoth, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TVector corners[4] = {{c.x0, 0, 990}, {c.x1, 0, 990}, {c.x1, 0, 1010}, {c.x0, 0, 1010}};
    float heights[4] = {c.top, c.bottom, -1, -1};
    EXPECT_EQ(FindCollidingObject(corners, heights, c.exclude, c.mask), c.hit);
    EXPECT_EQ(heights[0], c.top);
    EXPECT_EQ(heights[1], c.bottom);
  }
}

TEST_F(Collision, ObjectsOutsideTheSquareAreNeverLookedAt) {
  Plan({1000, 1200});
  ASSERT_FLOAT_EQ(curve_->Radius, 600.0f);
  // Both stand on the plan; only their record positions differ.
  Building(1100, 1000, 10, 0, 30, 1100, 1000 + 601);
  EXPECT_EQ(Test(), Set({0}));
  Building(1100, 1000, 10, 0, 30, 1100 + 600, 1000 - 600);
  EXPECT_EQ(Test(), Set({18}));
}

TEST_F(Collision, BridgePiecesRecordTheRoomAroundThem) {
  Plan({1000, 1200}, 0, 300.0f);
  TCurveline& c = *curve_;
  WayFlags(c.Pieces[1].Way) = kWayBridge;
  c.Pieces[1].Group = 1;
  c.GroupCount = 1;
  c.Groups[1] = {1, 2, 1, 0, 200.0f, 50000.0f, 50000.0f};
  c.FreeAbove[1] = 50000.0f;
  c.DeckTop[1] = 300.0f;  // a deck on a body of 20
  c.Underside[1] = 280.0f;
  c.PreviewMeshes[1].Init();
  for (int i = 1; i <= 4; ++i) {
    const TMeshVertex& v = c.Pieces[1].Mesh.Vertices[i - 1];
    c.PreviewMeshes[1].vxA(i, v.x, v.y, v.z, 0, 0);
  }
  Building(1050, 1000, 10, 0, 100);  // under the deck
  EXPECT_EQ(Test(), Set({0}));
  EXPECT_EQ(c.FreeBelow[1], 100.0f);
  EXPECT_EQ(c.Groups[1].FreeBelow, 0);
  EXPECT_EQ(c.Groups[1].ClearanceBelow, 180.0f);  // underside 280

  Building(1150, 1000, 10, 400, 500);  // above the clearance of 350
  EXPECT_EQ(Test(), Set({0}));
  EXPECT_EQ(c.Groups[1].ClearanceAbove, 100.0f);

  Building(1100, 1000, 10, 290, 320);  // through the deck
  EXPECT_EQ(Test(), Set({18}));
  EXPECT_EQ(Flags(1) & kWayHit, kWayHit);
}

}  // namespace

namespace {

using namespace construction_testing;

class StationTrackCollision : public Collision {};

TEST_F(StationTrackCollision, PlatformsAreTestedExceptAgainstRailStationBuildings) {
  constexpr uint16_t kPlatformType = 3;
  SpecialBuildingTypes[3] = kPlatformType;
  struct Case {
    const char* name;
    uint8_t kind;
    uint16_t type;
    float bottom;
    bool collides;
  };
  const Case cases[] = {
      {"a building beside the track", kCollisionStationTrack, 1, 0, true},
      {"the same above the platform", kCollisionStationTrack, 1, 10, false},
      {"a rail station building", kCollisionStationTrack, kPlatformType, 0, false},
      {"a router plan has no platforms", kCollisionWays, 1, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayerReset();
    ResetConstruction(*curve_);
    Plan({1000, 1200}, 1);
    TMeshdata2& platform = curve_->PreviewMeshes[1];
    platform.Init();
    platform.vxA(1, 1000, 10, 1040, 0, 0);
    platform.vxA(2, 1000, 10, 1020, 0, 0);
    platform.vxA(3, 1200, 10, 1020, 0, 0);
    platform.vxA(4, 1200, 10, 1040, 0, 0);
    platform.vxA(5, 1000, 0, 1040, 0, 0);
    TBuilding b{};
    b.Init(c.type, 1);
    b.Position = {1100, c.bottom, 1030};
    const TVector corners[4] = {{1095, 0, 1025}, {1105, 0, 1025}, {1105, 0, 1035}, {1095, 0, 1035}};
    for (int k = 0; k < 4; ++k) b.Corners[k] = corners[k];
    b.LowHeight = c.bottom;
    b.HighHeight = c.bottom + 30;
    b.A_Write();
    EXPECT_EQ(Test(c.kind), c.collides ? Set({18}) : Set({0}));
  }
  SpecialBuildingTypes[3] = 0;
}

}  // namespace
