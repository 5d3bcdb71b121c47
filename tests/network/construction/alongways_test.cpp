// Buildings along ways: houses beside a street and its sidewalks, ways owned by a building, and
// the walk along a street side around a crossing.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/world/hooks.h"
#include "network/construction/alongways.h"
#include "network/construction/curveline.h"
#include "tests/network/construction/construction_fixture.h"

namespace {

using namespace construction_testing;

class AlongWays : public ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();
    world_hooks::InstallDefaults();
    StandardTextures[kSidewalkTextureEntry] = 42;
  }

  // A stored road of the waytype with a mesh of 20 vertices, in town 3.
  static TWay Road(uint8_t waytype = 0, uint8_t part = 0, uint8_t flags = 0) {
    auto mesh = std::make_unique<TMeshdata2>();
    mesh->Init();
    for (uint16_t i = 1; i <= 20; ++i) mesh->vxA(i, i * 10.0f, 0, (i % 2) * 10.0f, 0, 0);
    mesh->A_Write();
    TWay w{};
    w.Init(0, waytype);
    w.Mesh = mesh->Index;
    w.City = 3;
    WayPart(w) = part;
    WayFlags(w) = flags;
    w.A_Write();
    return w;
  }
  static TBuilding House() {
    TBuilding b{};
    b.Init(1, 0);
    b.A_Write();
    return b;
  }
  static uint16_t Polygons(const TWay& w) {
    auto mesh = std::make_unique<TMeshdata2>();
    mesh->A_Read(w.Mesh);
    return mesh->PolygonCount;
  }
};

TEST_F(AlongWays, AHouseTakesItsStreetSideAndGivesItASidewalk) {
  TWay street = Road();
  TBuilding house = House();
  AddBuildingToWay(house, street, 1);
  TBuilding stored{};
  stored.A_Read(house.Index);
  EXPECT_EQ(stored.Way, street.Index);
  EXPECT_EQ(stored.Side, 1);
  EXPECT_EQ(stored.City, 3);
  TWay way{};
  way.A_Read(street.Index);
  EXPECT_EQ(way.RoadsideBuildings, 1);
  EXPECT_EQ(WaySideBits(way), 1);
  EXPECT_EQ(Polygons(way), 0);  // a plain street gets only the bit
  // A second house on the same side counts, the bit stays.
  TBuilding second = House();
  AddBuildingToWay(second, way, 1);
  way.A_Read(street.Index);
  EXPECT_EQ(way.RoadsideBuildings, 2);
  EXPECT_EQ(WaySideBits(way), 1);

  // A crossing arm gets the sidewalk's quad in its mesh, once.
  TWay arm = Road(1, 2);
  addsidewalk(arm, 2);
  EXPECT_EQ(WaySideBits(arm), 2);
  EXPECT_EQ(Polygons(arm), 1);
  addsidewalk(arm, 3);
  EXPECT_EQ(WaySideBits(arm), 3);
  EXPECT_EQ(Polygons(arm), 2);
  // No sidewalk on a bridge, in a cutting or along rails.
  for (TWay w : {Road(0, 0, kWayBridge), Road(0, 0, kWayCutting)}) {
    addsidewalk(w, 1);
    EXPECT_EQ(WaySideBits(w), 0);
  }
  TWay rail = Road();
  rail.Use = 1;
  addsidewalk(rail, 1);
  EXPECT_EQ(WaySideBits(rail), 0);
}

TEST_F(AlongWays, ImpossibleSidewalksAndOwnersStopTheProgram) {
  TBuilding house = House();
  TWay street = Road();
  EXPECT_EQ(FatalOf([&] { AddBuildingToWay(house, street, 3); }), Fatal("ADDBUILDINGTOWAY: invalid side argument (3)"));
  EXPECT_EQ(FatalOf([&] { AddBuildingToWay(house, street, 0); }), Fatal("ADDBUILDINGTOWAY: invalid side argument (0)"));
  TWay bare = Road();
  bare.Mesh = 0;
  EXPECT_EQ(FatalOf([&] { addsidewalk(bare, 1); }), Fatal("Error in addsidewalk - Way has no mesh!"));
  TWay xCentre = Road(1, 5);
  EXPECT_EQ(FatalOf([&] { addsidewalk(xCentre, 2); }), Fatal("Error in addsidewalk - built house on x-crossing!"));
  TWay tCentre = Road(6, 5);
  EXPECT_EQ(FatalOf([&] { addsidewalk(tCentre, 1); }),
            Fatal("Error in addsidewalk - built house on t-crossing on wrong side!"));
  addsidewalk(tCentre, 2);
  EXPECT_EQ(WaySideBits(tCentre), 2);

  TBuilding station = House();
  for (int i = 0; i < 20; ++i) {
    TWay w = Road();
    AddWayToBuilding(station, w);
    TWay stored{};
    stored.A_Read(w.Index);
    ASSERT_EQ(stored.Building, station.Index);
  }
  TBuilding stored{};
  stored.A_Read(station.Index);
  EXPECT_EQ(stored.BuildingWayCounter, 20);
  TWay more = Road();
  EXPECT_EQ(FatalOf([&] { AddWayToBuilding(station, more); }),
            Fatal("Error in AddWayToBuilding. Building has already maximum (20)"));
  TBuilding other = House();
  TWay owned = Road();
  owned.Building = station.Index;
  EXPECT_EQ(FatalOf([&] { AddWayToBuilding(other, owned); }),
            Fatal("Error in AddWayToBuilding: Way is already assigned elsewhere"));
}

TEST_F(AlongWays, AStreetSideContinuesOnTheNextArmOfItsCrossing) {
  // A crossing of the waytype: its centre at the middle connect, one arm per other connect.
  const auto crossing = [this](uint8_t waytype, int arms) {
    const uint32_t middle = AddConnectAt(0, 1000, 1000);
    const TVector ends[4] = {{900, 0, 1000}, {1000, 0, 900}, {1100, 0, 1000}, {1000, 0, 1100}};
    std::vector<uint32_t> armWays;
    TWay centre = Road(waytype, 5);
    centre.ConnectionCounter = static_cast<uint8_t>(arms);
    for (int a = 0; a < arms; ++a) {
      const uint32_t end = AddConnectAt(0, ends[a].x, ends[a].z);
      TWay arm{};
      arm.A_Read(AddWayBetween(middle, end));
      arm.Waytype = waytype;
      WayPart(arm) = static_cast<uint8_t>(a + 1);
      arm.A_Overwrite();
      armWays.push_back(arm.Index);
      centre.Connections[a] = end;
    }
    centre.A_ReWrite();
    for (uint32_t a : armWays) {
      TWay arm{};
      arm.A_Read(a);
      SetWayCentreLink(arm, centre.Index);
      arm.A_Overwrite();
    }
    // The centre meets every arm at the arm's far connect.
    for (int a = 0; a < arms; ++a) {
      TConnect& c = ConnectByIndex(centre.Connections[a]);
      c.WayB = centre.Index;
    }
    return std::make_pair(centre, armWays);
  };
  struct Case {
    const char* name;
    uint8_t waytype;
    int arms;
    int arm;  // 0 the centre
    uint8_t side;
    uint8_t result, outSide;
    int outArm;  // 0 none
  };
  const Case cases[] = {
      {"X arm 1, side 1", 1, 4, 1, 1, 2, 2, 3}, {"X arm 1, side 2", 1, 4, 1, 2, 3, 1, 4},
      {"X arm 2, side 1", 1, 4, 2, 1, 2, 2, 4}, {"X arm 2, side 2", 1, 4, 2, 2, 3, 1, 3},
      {"X arm 3, side 1", 1, 4, 3, 1, 2, 2, 2}, {"X arm 3, side 2", 1, 4, 3, 2, 3, 1, 1},
      {"X arm 4, side 1", 1, 4, 4, 1, 2, 2, 1}, {"X arm 4, side 2", 1, 4, 4, 2, 3, 1, 2},
      {"T arm 1, side 2: none", 6, 3, 1, 2, 1, 0, 0}, {"T arm 2, side 1: none", 6, 3, 2, 1, 1, 0, 0},
      {"T arm 1, side 1", 6, 3, 1, 1, 2, 2, 3},        {"T arm 3, side 2", 6, 3, 3, 2, 3, 1, 1},
      {"T centre, side 2", 6, 3, 0, 2, 1, 0, 0},       {"T centre, side 1", 6, 3, 0, 1, 0, 0, 0},
      {"X centre, side 2", 1, 4, 0, 2, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayerReset();
    const auto [centre, arms] = crossing(c.waytype, c.arms);
    TWay from{};
    if (c.arm == 0) {
      from.A_Read(centre.Index);
    } else {
      from.A_Read(arms[c.arm - 1]);
    }
    uint8_t outSide = 0;
    TWay out{};
    EXPECT_EQ(NextWayAlongStreetSide(from, c.side, outSide, out), c.result);
    EXPECT_EQ(outSide, c.outSide);
    EXPECT_EQ(out.Index, c.outArm == 0 ? 0u : arms[c.outArm - 1]);
  }
  // A street of no crossing has no continuation.
  TWay street = Road();
  uint8_t outSide = 0;
  TWay out{};
  EXPECT_EQ(NextWayAlongStreetSide(street, 1, outSide, out), 1);
}

}  // namespace
