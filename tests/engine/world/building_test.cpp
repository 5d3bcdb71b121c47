// Building records: creation, cost, the link to a station and TBuilding::Destroy on the small test
// world.
#include <gtest/gtest.h>

#include <memory>

#include "engine/mesh/meshrecords.h"
#include "tests/engine/world/world_fixture.h"

namespace {

using namespace world_testing;
using testing_support::Warnings;
using Calls = std::vector<std::string>;

class BuildingRecords : public WorldTest {
 protected:
  static TDestroyResult Destroy(uint32_t building, uint8_t mode) {
    TDestroyResult r;
    std::memset(&r, 0xFF, sizeof(r));
    TBuilding::DestroyByIndex(building, mode, r);
    return r;
  }
  // A depot building with its depot, holding the given trains.
  static uint32_t AddDepotBuilding(uint8_t owner, std::initializer_list<uint32_t> trains) {
    TDepot d{};
    for (const uint32_t t : trains) d.TrainsInside[d.TrainInsideCounter++] = t;
    d.A_Write();
    TBuilding b{};
    b.Init(kDepotType, owner);
    b.State = 2;
    b.Depot = d.Index;
    b.A_Write();
    d.Building = b.Index;
    d.A_Overwrite();
    return b.Index;
  }
  static void GiveWays(uint32_t building, std::initializer_list<uint32_t> ways) {
    TBuilding b = Building(building);
    for (const uint32_t w : ways) {
      b.Ways[b.BuildingWayCounter++] = w;
      TWay way = Way(w);
      way.Building = building;
      way.A_Overwrite();
    }
    b.A_ReWrite();
  }
};

TEST_F(BuildingRecords, InitClearsTheRecordAndSetsTypeAndOwner) {
  TBuilding b;
  std::memset(static_cast<void*>(&b), 0x5A, sizeof(b));
  b.Init(300, 7);
  EXPECT_EQ(b.BuildingType, 300);
  EXPECT_EQ(b.Owner, 7);
  EXPECT_EQ(b.State, 0);
  EXPECT_EQ(b.Index, 0u);
  EXPECT_EQ(b.Ways[19], 0u);
  EXPECT_EQ(b.Frontage, 0.0f);
}

TEST_F(BuildingRecords, CostOfBridgesPillarsAndTunnelsGrowsWithTheirSize) {
  struct Case {
    const char* name;
    uint8_t use;
    const char* file;
    int32_t price;
    TVector end1, end2;
    float low, high;
    float cost;
    const char* warning;
  };
  const Case cases[] = {
      {"bridge", 3, "BRIDGE.BIF", 1000, {0, 0, 0}, {10, 0, 25}, 2, 7, 2000.0f, nullptr},
      {"viaduct", 3, "BRIDGE-VIADUCT.BIF", 1000, {0, 0, 0}, {10, 0, 25}, 2, 7, 2100.0f, nullptr},
      {"viaduct, heights upside down", 3, "BRIDGE-VIADUCT.BIF", 1000, {0, 0, 0}, {-25, 0, 10}, 7, 2, 2100.0f, nullptr},
      {"pillar", 4, "PILLAR.BIF", 300, {0, 0, 0}, {0, 0, 0}, 7, 2, 550.0f, nullptr},
      {"tunnel", 8, "TUNNEL.BIF", 500, {5, 0, 0}, {2, 0, 1}, 0, 0, 1700.0f, nullptr},
      {"house", 0, "HOUSE.BIF", 700, {0, 0, 0}, {50, 0, 50}, 0, 9, 700.0f, nullptr},
      {"station", 1, "S.BIF", 800, {0, 0, 0}, {50, 0, 50}, 0, 9, 800.0f, nullptr},
      {"use 9", 9, "X.BIF", 900, {0, 0, 0}, {50, 0, 50}, 0, 9, 900.0f, nullptr},
      {"unknown use",
       11,
       "X.BIF",
       900,
       {0, 0, 0},
       {50, 0, 50},
       0,
       9,
       900.0f,
       "ERROR in TBuilding.BuildingCost: Unsuportet Buildinginfo.Nutzung!"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    SetBuildingTypeUse(BuildingTypes[20], k.use);
    SetBuildingTypeFileName(BuildingTypes[20], k.file);
    SetBuildingTypePrice(BuildingTypes[20], k.price);
    TBuilding b{};
    b.Init(20, 1);
    b.Corners[0] = k.end1;
    b.Corners[2] = k.end2;
    b.Corners[1] = TVector{1000, 0, 1000};  // the other corners do not count
    b.LowHeight = k.low;
    b.HighHeight = k.high;
    Warnings().clear();
    EXPECT_EQ(b.BuildingCost(), k.cost);
    EXPECT_EQ(Warnings(), k.warning ? Calls{k.warning} : Calls{});
  }
  TBuilding none{};
  none.Init(0, 1);
  EXPECT_EQ(none.BuildingCost(), 0.0f);
  TBuilding beyond{};
  beyond.Init(256, 1);  // beyond the table of types
  EXPECT_EQ(beyond.BuildingCost(), 0.0f);
}

TEST_F(BuildingRecords, CheckGivesTheReasonsAgainstAndChangesNothing) {
  struct Case {
    const char* name;
    uint8_t owner;
    bool freeBuild;
    bool depotTrain;
    int wayOwner;  // -1: the building has no way
    bool convoyOnWay;
    std::vector<int> result;
  };
  const Case cases[] = {
      {"a building without owner", 0, false, false, -1, false, {33}},
      {"another player's building", 2, false, false, -1, false, {32}},
      {"free build mode", 2, true, false, -1, false, {0}},
      {"a depot with a train inside", 1, false, true, -1, false, {38}},
      {"its way is another player's", 1, false, false, 2, false, {36}},
      {"a convoy on its way", 1, false, false, 1, true, {39}},
      {"depot and way both refuse", 1, false, true, 2, false, {36, 38}},
      {"another player's, whatever its depot", 2, false, true, -1, false, {32}},
      {"nothing against", 1, false, false, 1, false, {0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    ArrayerReset();
    FreeBuildMode = k.freeBuild;
    uint32_t train = 0;
    if (k.depotTrain) train = AddTrain(kTrainRail, 1, {});
    const uint32_t b = AddDepotBuilding(k.owner, {});
    if (train) {
      TDepot d{};
      d.A_Read(Building(b).Depot);
      d.TrainsInside[d.TrainInsideCounter] = train;
      d.TrainFlags[d.TrainInsideCounter++] = 0;
      d.A_ReWrite();
    }
    uint32_t w = 0;
    if (k.wayOwner >= 0) {
      const uint32_t a = AddConnection(0, 0), z = AddConnection(0, 100);
      w = AddPlainWay(a, z, 0, static_cast<uint8_t>(k.wayOwner));
      GiveWays(b, {w});
      if (k.convoyOnWay) AddTrain(kTrainRoad, 2, {Way(w).Nodes[0]});
    }
    HookCalls().clear();
    const uint32_t count = BuildingCount(kDepotType);
    EXPECT_EQ(Elements(Destroy(b, 0)), k.result);
    EXPECT_TRUE(HasBuilding(b));
    EXPECT_EQ(Building(b).Owner, k.owner);
    EXPECT_TRUE(ArrayerHolds(kTDepotDesc, Building(b).Depot));
    if (w) {
      EXPECT_TRUE(HasWay(w));
    }
    if (train) {
      EXPECT_TRUE(IsTrainUsed(train));
    }
    EXPECT_EQ(BuildingCount(kDepotType), count);
    EXPECT_EQ(HookCalls(), Calls{});
  }
  FreeBuildMode = 0;
  const uint32_t odd = AddDepotBuilding(11, {});
  EXPECT_EQ(FatalOf([&] { Destroy(odd, 0); }), Fatal("Error in UTBuilding.Destroy: Undefined Owner!"));
}

TEST_F(BuildingRecords, ADepotBuildingGoesWithItsDepotTrainsAndTracks) {
  const uint32_t train = AddTrain(kTrainRail, 1, {});
  TrainByIndex(train).State = 6;
  const uint32_t b = AddDepotBuilding(1, {train});
  const uint32_t a = AddConnection(0, 0), z = AddConnection(0, 100);
  const uint32_t track = AddPlainWay(a, z, 1);
  GiveWays(b, {track});
  const uint32_t depot = Building(b).Depot;
  // Mode 1 refuses while a train is inside.
  EXPECT_EQ(Elements(Destroy(b, 1)), std::vector<int>{38});
  EXPECT_TRUE(HasBuilding(b));
  EXPECT_TRUE(IsTrainUsed(train));
  EXPECT_EQ(HookCalls(), Calls{});

  EXPECT_EQ(Elements(Destroy(b, 2)), std::vector<int>{0});
  EXPECT_FALSE(HasBuilding(b));
  EXPECT_FALSE(ArrayerHolds(kTDepotDesc, depot));
  EXPECT_FALSE(IsTrainUsed(train));
  EXPECT_FALSE(HasWay(track));
  EXPECT_EQ(CallsOf({"OnDestroyTrain", "OnDestroyDepot", "OnDestroyWay", "OnDestroyBuilding"}),
            (Calls{"OnDestroyTrain 1", "OnDestroyDepot " + std::to_string(depot),
                   "OnDestroyWay " + std::to_string(track), "OnDestroyBuilding"}));
  EXPECT_EQ(BuildingCount(kDepotType), 0u);
  EXPECT_EQ(Players[1].Finances[0].BuildingValue, -3000.0f);
}

TEST_F(BuildingRecords, TheLastRoadsideBuildingGivesItsRoadSideLengthsFromTheMesh) {
  const uint32_t a = AddConnection(0, 0), z = AddConnection(100, 0);
  const uint32_t road = AddPlainWay(a, z);
  auto mesh = std::make_unique<TMeshdata2>();
  *mesh = TMeshdata2{};
  mesh->A_Write();
  TWay w = Way(road);
  w.Mesh = mesh->Index;
  w.SideLengths[0] = w.SideLengths[1] = 100.0f;
  w.A_Overwrite();
  const uint32_t h1 = AddRoadsideBuilding(road, 1, 20.0f), h2 = AddRoadsideBuilding(road, 2, 30.0f);
  ASSERT_EQ(Way(road).SideLengths[0], 80.0f);

  EXPECT_EQ(Elements(Destroy(h1, 1)), std::vector<int>{0});
  w = Way(road);
  EXPECT_EQ(w.RoadsideBuildings, 1);
  EXPECT_EQ(w.SideLengths[0], 100.0f);  // its frontage back
  EXPECT_EQ(w.SideLengths[1], 70.0f);
  EXPECT_EQ(CallsOf({"CalcWaySideLengths"}), Calls{});

  EXPECT_EQ(Elements(Destroy(h2, 1)), std::vector<int>{0});
  w = Way(road);
  EXPECT_EQ(w.RoadsideBuildings, 0);
  EXPECT_EQ(w.SideLengths[0], 77.0f);  // from the mesh, by the network service
  EXPECT_EQ(CallsOf({"CalcWaySideLengths", "NextWayAlongStreetSide"}),
            Calls{"CalcWaySideLengths 1 mesh " + std::to_string(mesh->Index)});

  // A street of Waytype 6 also follows its side to the next way.
  w.Waytype = 6;
  w.A_Overwrite();
  const uint32_t h3 = AddRoadsideBuilding(road, 2);
  HookCalls().clear();
  EXPECT_EQ(Elements(Destroy(h3, 2)), std::vector<int>{0});
  EXPECT_EQ(CallsOf({"CalcWaySideLengths", "NextWayAlongStreetSide"}),
            (Calls{"CalcWaySideLengths 1 mesh " + std::to_string(mesh->Index), "NextWayAlongStreetSide 1 side 2"}));

  TBuilding stray = Building(AddRoadsideBuilding(road));
  w = Way(road);
  w.RoadsideBuildings = 0;
  w.A_Overwrite();
  EXPECT_EQ(FatalOf([&] { stray.RemoveFromWay(); }),
            Fatal("ERROR: UTBuilding: TBuilding.RemoveFromWay: The BuildingRefcount was 0!"));
}

TEST_F(BuildingRecords, TheLastPartOfAStationTakesTheStationAlong) {
  const SmallNetwork n = BuildSmallNetwork();
  const uint32_t second = AddStationBuilding(n.station);
  EXPECT_EQ(Elements(Destroy(n.stationBuilding, 1)), std::vector<int>{0});
  auto s = std::make_unique<TStation>();
  s->A_Read(n.station);
  ASSERT_EQ(s->StationBuildingcounter, 1);
  EXPECT_EQ(s->Buildings[0], second);
  EXPECT_EQ(Elements(Destroy(second, 1)), std::vector<int>{0});
  ASSERT_TRUE(HasStation(n.station));  // its way is still there
  s->A_Read(n.station);
  EXPECT_EQ(s->StationBuildingcounter, 0);
  EXPECT_EQ(s->ServiceFlags, 1 | 32);  // only the road is left

  // A station of buildings alone goes with the last of them.
  const uint32_t lone = AddStation(900, 0);
  const uint32_t only = AddStationBuilding(lone);
  HookCalls().clear();
  EXPECT_EQ(Elements(Destroy(only, 2)), std::vector<int>{0});
  EXPECT_FALSE(HasStation(lone));
  EXPECT_EQ(CallsOf({"OnDestroyStation", "OnDestroyBuilding"}),
            (Calls{"OnDestroyStation " + std::to_string(lone), "OnDestroyBuilding"}));

  TBuilding unknown = Building(AddStationBuilding(n.station));
  unknown.Station = AddStation(0, 0);
  EXPECT_EQ(FatalOf([&] { unknown.RemoveFromStation(); }),
            Fatal("ERROR: UTBuilding: TBuilding.RemoveFromStation: The Building is unknown by the Station"));
}

TEST_F(BuildingRecords, AStationTakesOneHundredBuildingsAndTheNextIsFatal) {
  const uint32_t station = AddStation(0, 0);
  auto s = std::make_unique<TStation>();
  for (int i = 0; i < 100; ++i) AddStationBuilding(station);
  s->A_Read(station);
  EXPECT_EQ(s->StationBuildingcounter, 100);
  TBuilding b = Building(s->Buildings[99]);
  EXPECT_EQ(b.Station, station);
  TBuilding extra{};
  extra.Init(kStationType, 1);
  extra.A_Write();
  EXPECT_EQ(FatalOf([&] { extra.AddToStation(*s, true); }),
            Fatal("ERROR in TBuilding.AddToStation: Limit for Buildings in station exceeded"));
  EXPECT_EQ(Building(extra.Index).Station, 0u);

  // Without rewriting, only the building is stored.
  auto other = std::make_unique<TStation>();
  other->Init(1, 0, TVector{5, 0, 5});
  other->A_Write();
  extra.AddToStation(*other, false);
  EXPECT_EQ(other->StationBuildingcounter, 1);
  EXPECT_EQ(Building(extra.Index).Station, other->Index);
  other->A_Read(other->Index);
  EXPECT_EQ(other->StationBuildingcounter, 0);
}

TEST_F(BuildingRecords, MoneyCompanyBuildingAndTypeCountsGoWithTheBuilding) {
  CompanyBuildingType = kHouseType;
  TBuilding planned{};
  planned.Init(kHouseType, 2);
  planned.City = 4;
  planned.A_Write();
  Players[2].CompanyBuilding = planned.Index;
  TBuilding town{};
  town.Init(kStationType, 0);
  town.City = 4;
  town.A_Write();
  ASSERT_EQ(BuildingCount(kHouseType), 1u);
  LocalWorldChanged = 0;
  ActPlayer = 3;
  EXPECT_EQ(Elements(Destroy(planned.Index, 2)), std::vector<int>{0});
  EXPECT_EQ(Players[2].PrevCost.get(), -5000.0L);
  EXPECT_EQ(uint32_t{Players[2].CompanyBuilding}, 0u);  // a packed field: read by value
  EXPECT_EQ(BuildingCount(kHouseType), 0u);
  EXPECT_EQ(LocalWorldChanged, 0);  // another player's action
  ActPlayer = 1;
  EXPECT_EQ(Elements(Destroy(town.Index, 2)), std::vector<int>{0});
  EXPECT_EQ(Cities[4].Budget.get(), 8000.0L);
  EXPECT_EQ(LocalWorldChanged, 1);
  EXPECT_EQ(CallsOf({"AddtoPrevCost"}), (Calls{"AddtoPrevCost 2 4 5000", "AddtoPrevCost 0 4 8000"}));
}

// The cost is reckoned only where the removal books it back: a type of unknown use warns about
// its cost in those states alone.
TEST_F(BuildingRecords, RemovalReckonsTheCostOnlyWhereItIsBookedBack) {
  SetBuildingTypeUse(BuildingTypes[20], 11);
  SetBuildingTypeFileName(BuildingTypes[20], "ODD.BIF");
  SetBuildingTypePrice(BuildingTypes[20], 900);
  struct Case {
    uint8_t state, owner;
    bool booked;
  };
  const Case cases[] = {{0, 1, true}, {0, 0, true}, {1, 1, false}, {2, 1, true},
                        {3, 1, true}, {2, 0, false}, {3, 0, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE("state " + std::to_string(k.state) + ", owner " + std::to_string(k.owner));
    TBuilding b{};
    b.Init(20, k.owner);
    b.City = 4;
    b.State = k.state;
    b.A_Write();
    Players[1].Finances[0].BuildingValue = 0.0f;
    HookCalls().clear();
    Warnings().clear();
    EXPECT_TRUE(Destroy(b.Index, 2).Has(0));
    const Calls costWarning{"ERROR in TBuilding.BuildingCost: Unsuportet Buildinginfo.Nutzung!"};
    EXPECT_EQ(Warnings(), k.booked ? costWarning : Calls{});
    const bool prebooked = k.booked && k.state == 0;
    EXPECT_EQ(CallsOf({"AddtoPrevCost"}),
              prebooked ? Calls{"AddtoPrevCost " + std::to_string(k.owner) + " 4 900"} : Calls{});
    EXPECT_EQ(Players[1].Finances[0].BuildingValue, k.booked && !prebooked ? -900.0f : 0.0f);
  }
}

// BuildingsPerType has rows 1 to 255: a building of any other type is counted nowhere.
TEST_F(BuildingRecords, TypesOutsideTheCountTableOnlyWarn) {
  for (const uint16_t type : {uint16_t{0}, uint16_t{256}, uint16_t{0xFFFF}}) {
    Warnings().clear();
    TBuilding b{};
    b.Init(type, 1);
    b.State = 2;
    b.A_Write();
    EXPECT_EQ(Destroy(b.Index, 2).Has(0), true);
    EXPECT_FALSE(HasBuilding(b.Index));
    const std::string text = "WARNING: BuildingsPerType: building type " + std::to_string(type) + " is not counted";
    Calls counted;
    for (const std::string& w : Warnings()) {
      if (w.rfind("WARNING: BuildingsPerType", 0) == 0) counted.push_back(w);
    }
    EXPECT_EQ(counted, (Calls{text, text}));  // once written, once removed
  }
  EXPECT_EQ(BuildingCount(kHouseType), 0u);
}

// A junction building goes with its last connection, which goes with one of the building's own
// ways: the building is removed once, by the outer call.
TEST_F(BuildingRecords, AJunctionBuildingMetAgainByItsOwnCascadeIsRemovedOnce) {
  const uint32_t a = AddConnection(0, 0), z = AddConnection(100, 0), y = AddConnection(200, 0);
  const uint32_t w1 = AddPlainWay(a, z), w2 = AddPlainWay(z, y);
  TBuilding j{};
  j.Init(kHouseType, 1);
  j.State = 2;
  j.A_Write();
  GiveWays(j.Index, {w1, w2});
  ConnectByIndex(z).JunctionBuilding = j.Index;
  EXPECT_EQ(Elements(Destroy(j.Index, 1)), std::vector<int>{0});
  EXPECT_FALSE(HasBuilding(j.Index));
  EXPECT_FALSE(HasWay(w1));
  EXPECT_FALSE(HasWay(w2));
  EXPECT_EQ(CallsOf({"DestroyUnconnectedBuilding", "OnDestroyBuilding"}),
            (Calls{"DestroyUnconnectedBuilding 3", "OnDestroyBuilding"}));
  EXPECT_EQ(BuildingCount(kHouseType), 0u);

  // Removing the way alone lets the junction building go with the connection.
  const uint32_t b = AddConnection(0, 50), c = AddConnection(100, 50);
  const uint32_t w3 = AddPlainWay(b, c);
  TBuilding k{};
  k.Init(kHouseType, 1);
  k.A_Write();
  GiveWays(k.Index, {w3});
  ConnectByIndex(c).JunctionBuilding = k.Index;
  TDestroyResult r{};
  TWay::DestroyByIndex(w3, 2, r);
  EXPECT_FALSE(HasBuilding(k.Index));
}

}  // namespace
