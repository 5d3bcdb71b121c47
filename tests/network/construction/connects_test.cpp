// Connects: snapping a planned point to a stored connect, the place test, the direction out of
// an existing way, and registering ways.
#include <gtest/gtest.h>

#include "network/construction/connects.h"
#include "tests/network/construction/construction_fixture.h"

namespace {

using namespace construction_testing;

class Connects : public ConstructionTest {
 protected:
  TMetaconnect Snap(uint8_t waytype, float x, float z, TConstructResult& r) {
    TMetaconnect m{};
    FindOrCreateConnect(waytype, {x, 0.0f, z}, m, r);
    return m;
  }
};

TEST_F(Connects, APointSnapsWithinFiveUnitsButNotAtFive) {
  const uint32_t road = AddConnectAt(0, 1000, 1000);
  TConstructResult r;
  TMetaconnect m = Snap(0, 1004.9f, 1000, r);
  EXPECT_EQ(m.ConnectIndex, road);
  EXPECT_EQ(m.Position.x, 1000.0f);
  EXPECT_EQ(r, Set({0}));
  m = Snap(0, 1005.0f, 1000, r);
  EXPECT_EQ(m.ConnectIndex, 0u);
  EXPECT_EQ(m.Position.x, 1005.0f);
  EXPECT_EQ(m.Waytype, 0);
  EXPECT_EQ(r, Set({0}));
}

TEST_F(Connects, WaytypePrecedenceFollowsPoolOrderAndTheSquareTest) {
  struct Case {
    const char* name;
    float firstX;
    uint8_t firstType;
    float secondX;
    uint8_t secondType;
    int chosen;  // 1 or 2
    TConstructResult result;
  };
  // Road construction at x = 1000 in every case.
  const Case cases[] = {
      {"road at 2 first, rail at 1: the rail has the wrong type", 1002, 0, 1001, 1, 1, Set({0})},
      {"rail at 1 first, road at 2: the road fails the square", 1001, 1, 1002, 0, 1, Set({16})},
      {"rail at 1 first, road at 0.5: the road replaces it", 1001, 1, 1000.5f, 0, 2, Set({0})},
  };
  for (const Case& c : cases) {
    ArrayerReset();
    const uint32_t first = AddConnectAt(c.firstType, c.firstX, 1000);
    const uint32_t second = AddConnectAt(c.secondType, c.secondX, 1000);
    TConstructResult r;
    const TMetaconnect m = Snap(0, 1000, 1000, r);
    EXPECT_EQ(m.ConnectIndex, c.chosen == 1 ? first : second) << c.name;
    EXPECT_EQ(r, c.result) << c.name;
  }
}

TEST_F(Connects, AConnectOfAnotherPlayersWayIsNeverTaken) {
  const uint32_t a = AddConnectAt(0, 1000, 1000), b = AddConnectAt(0, 1200, 1000);
  AddWayBetween(a, b, 15.0f, /*owner=*/2);
  TConstructResult r;
  TMetaconnect m = Snap(0, 1001, 1000, r);
  EXPECT_EQ(m.ConnectIndex, 0u);
  EXPECT_EQ(m.Position.x, 1001.0f);
  ActPlayer = 2;
  m = Snap(0, 1001, 1000, r);
  EXPECT_EQ(m.ConnectIndex, a);
}

TEST_F(Connects, TilesThreeTo1020HoldConnects) {
  const struct {
    int x, z;
    bool outside;
  } tiles[] = {{2, 500, true}, {3, 500, false}, {1020, 1020, false}, {1021, 500, true}, {500, 2, true},
               {500, 1021, true}, {-1, 500, true}};
  for (const auto& t : tiles) EXPECT_EQ(TileOutsideMap(t.x, t.z), t.outside) << t.x << "," << t.z;

  TConstructResult r = Set({0});
  TMetaconnect m = Meta(0, 7, 7);
  FindOrCreateConnect(0, {249, 0, 500}, m, r);  // tile 2
  EXPECT_EQ(r, Set({15}));
  EXPECT_EQ(m.Position.x, 7.0f);  // left as it was
  Snap(0, 251, 500, r);  // tile 3
  EXPECT_EQ(r, Set({0}));
  Snap(0, 500, 102050, r);  // tile 1020.5 rounds to the even 1020
  EXPECT_EQ(r, Set({0}));
}

TEST_F(Connects, ThePlaceTestLooksAtGroundKindAndStoredWaytype) {
  const struct {
    uint8_t waytype, ground;
    TConstructResult result;
  } cases[] = {{0, 4, Set({9})}, {1, 0, Set({9})}, {0, 5, Set({0})}, {1, 12, Set({0})},
               {3, 5, Set({10})}, {3, 12, Set({10})}, {3, 4, Set({0})}, {3, 13, Set({0})}, {2, 0, Set({0})}};
  for (const auto& c : cases) {
    GroundMap[10][20] = c.ground;
    TConstructResult r;
    CheckConnectPlace(c.waytype, Meta(c.waytype, 1000, 2000), r);
    EXPECT_EQ(r, c.result) << int(c.waytype) << " on " << int(c.ground);
  }
  TMetaconnect stored{};
  LoadConnect(stored, AddConnectAt(1, 1000, 2000));
  TConstructResult r;
  CheckConnectPlace(0, stored, r);
  EXPECT_EQ(r, Set({16}));
  CheckConnectPlace(1, stored, r);
  EXPECT_EQ(r, Set({0}));  // a stored connect is not tested against the ground
}

TEST_F(Connects, TheDirectionPointsIntoTheWayThatEndsThereAndTwoWaysGiveNone) {
  // A way along +x from (1000, 1000) to (1200, 1000), half-width 15.
  const uint32_t a = AddConnectAt(0, 1000, 1000), b = AddConnectAt(0, 1200, 1000);
  AddWayBetween(a, b);
  TConstructResult r;
  TMetaconnect m = Snap(0, 1000, 1000, r);  // its start: the direction points along +x
  EXPECT_EQ(r, Set({0}));
  EXPECT_EQ(m.HasDirection, 1);
  EXPECT_FLOAT_EQ(m.Direction.x, 15.0f);
  EXPECT_FLOAT_EQ(m.Direction.z, 0.0f);
  m = Snap(0, 1200, 1000, r);  // its end: back along -x
  EXPECT_FLOAT_EQ(m.Direction.x, -15.0f);
  EXPECT_FLOAT_EQ(m.Direction.z, 0.0f);

  const uint32_t c = AddConnectAt(0, 1200, 1200);
  AddWayBetween(b, c);
  m = Snap(0, 1200, 1000, r);
  EXPECT_EQ(r, Set({17}));
  EXPECT_EQ(m.HasDirection, 0);

  // A new connect forgets direction, junction building and arc step.
  m = Directed(0, 500, 500, 1, 0);
  m.JunctionBuilding = 4;
  m.ArcStep = 0.3f;
  MakeMetaconnectDir(m, r);
  EXPECT_EQ(r, Set({0}));
  EXPECT_EQ(m.HasDirection, 0);
  EXPECT_EQ(m.JunctionBuilding, 0u);
  EXPECT_EQ(m.ArcStep, 0.0f);
}

TEST_F(Connects, AWayWithoutMeshCannotBeJoined) {
  const uint32_t a = AddConnectAt(0, 1000, 1000);
  TWay w{};
  w.Init(0, 0);
  w.ConnectionCounter = 1;
  w.Connections[0] = a;
  w.A_Write();
  ConnectByIndex(a).WayA = w.Index;
  TMetaconnect m{};
  LoadConnect(m, a);
  TConstructResult r;
  EXPECT_EQ(FatalOf([&] { MakeMetaconnectDir(m, r); }),
            Fatal("Error in gp_ways.MakeMetaconnectDir - way has no mesh (tried to connect to virtual way?)"));
}

TEST_F(Connects, StoringAndRegisteringWaysKeepTheCopyAndThePoolAlike) {
  TMetaconnect m = Meta(1, 1000, 1000);
  const uint32_t index = StoreConnect(m);
  EXPECT_EQ(m.ConnectIndex, index);
  EXPECT_EQ(StoreConnect(m), index);  // stored already
  EXPECT_EQ(ConnectByIndex(index).Used, 1);
  WriteBackConnect(m);  // the copy is the record's image: it stays in use
  EXPECT_EQ(ConnectByIndex(index).Used, 1);

  AddWayToCon(5, m);
  EXPECT_EQ(ConnectByIndex(index).WayA, 5u);
  EXPECT_EQ(m.WayA, 5u);
  EXPECT_EQ(FatalOf([&] { AddWayToCon(5, m); }),
            Fatal("Error in gp_ways.AddWayToCon: This Con has already Way nr 5"));
  AddWayToCon(6, m);
  EXPECT_EQ(m.WayB, 6u);
  EXPECT_EQ(FatalOf([&] { AddWayToCon(7, m); }), Fatal("Error in gp_ways.AddWayToCon: This Con has already 2 Ways"));

  TMetaconnect fresh = Meta(1, 0, 0);
  EXPECT_EQ(FatalOf([&] { AddWayToCon(7, fresh); }), Fatal("Error in gp_ways.AddWayToCon: This Con is not stored"));
  EXPECT_EQ(FatalOf([&] { WriteBackConnect(fresh); }), Fatal("Error in gp_ways.WriteBackConnect: This Con is not stored"));
  fresh.WayA = 3;
  EXPECT_EQ(FatalOf([&] { StoreConnect(fresh); }), Fatal("Error: a not-stored connect cannot have a way"));
}

TEST_F(Connects, WaysAtAConnectAndTheirEnds) {
  const uint32_t a = AddConnectAt(0, 1000, 1000), b = AddConnectAt(0, 1200, 1000), c = AddConnectAt(0, 1400, 1000);
  TWay wa, wb;
  EXPECT_EQ(GetConnectWays(a, wa, wb), 0);
  const uint32_t w1 = AddWayBetween(a, b);
  EXPECT_EQ(GetConnectWays(b, wa, wb), 1);
  EXPECT_EQ(wa.Index, w1);
  EXPECT_EQ(wb.Index, 0u);
  const uint32_t w2 = AddWayBetween(b, c);
  EXPECT_EQ(GetConnectWays(b, wa, wb), 2);
  EXPECT_EQ(wb.Index, w2);
  EXPECT_EQ(ConnectEnd(wa, a), 2);
  EXPECT_EQ(ConnectEnd(wa, b), 1);
  EXPECT_EQ(ConnectEnd(wa, c), 0);

  // Removing way 1 from the copy of b: way 2 moves up and gives the direction from its start.
  TMetaconnect m{};
  LoadConnect(m, b);
  RefreshMetaconnect(m, w1, 0, 0);
  EXPECT_EQ(m.WayA, w2);
  EXPECT_EQ(m.WayB, 0u);
  EXPECT_EQ(m.ConnectIndex, b);
  EXPECT_EQ(m.HasDirection, 1);
  EXPECT_FLOAT_EQ(m.Direction.x, 15.0f);  // rotate90(vertex 2 - vertex 1) / 2: into way 2
  RefreshMetaconnect(m, 99, w2, 0);
  EXPECT_EQ(m.ConnectIndex, 0u);
  EXPECT_EQ(m.HasDirection, 0);
}

TEST_F(Connects, FindNearConnectTakesTheNearestUsableFreeEndAwayFromAvoid) {
  const uint32_t far = AddConnectAt(0, 1030, 1000);
  const uint32_t near = AddConnectAt(0, 1010, 1000);
  AddConnectAt(1, 1001, 1000);            // other waytype
  const uint32_t avoid = AddConnectAt(0, 1000, 1000);  // at Avoid itself
  TMetaconnect m = Meta(0, 1000, 1000);
  EXPECT_TRUE(FindNearConnect(m, {1000, 0, 1000}, 40.0f));
  EXPECT_EQ(m.ConnectIndex, near);
  (void)far;
  (void)avoid;
  m = Meta(0, 1000, 1000);
  EXPECT_FALSE(FindNearConnect(m, {1000, 0, 1000}, 5.0f));
  EXPECT_EQ(m.ConnectIndex, 0u);
}

}  // namespace
