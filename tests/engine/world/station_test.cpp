// Station records: creation, the name, the service flags, and TStation::destroy with every
// reference to the station on the small test world.
#include <gtest/gtest.h>

#include <memory>

#include "engine/files/languages.h"
#include "engine/world/path.h"
#include "tests/engine/world/world_fixture.h"

namespace {

using namespace world_testing;
using testing_support::MakeTempFolder;
using testing_support::Warnings;
using testing_support::WriteFileBytes;
using Calls = std::vector<std::string>;

class StationRecords : public WorldTest {
 protected:
  static std::unique_ptr<TStation> Read(uint32_t index) {
    auto s = std::make_unique<TStation>();
    s->A_Read(index);
    return s;
  }
  static TDestroyResult Destroy(uint32_t station, uint8_t mode) {
    TDestroyResult r;
    std::memset(&r, 0xFF, sizeof(r));
    Read(station)->destroy(mode, r);
    return r;
  }
};

TEST_F(StationRecords, InitClearsTheRecordWithoutDirection) {
  auto s = std::make_unique<TStation>();
  std::memset(static_cast<void*>(s.get()), 0x77, sizeof(TStation));
  s->Init(3, 8, TVector{1, 2, 3});
  EXPECT_EQ(s->Kind, 3);
  EXPECT_EQ(s->City, 8);
  EXPECT_EQ(s->Position.z, 3.0f);
  EXPECT_EQ(s->Direction, 5);
  EXPECT_EQ(s->Index, 0u);
  EXPECT_EQ(s->Number, 0);
  EXPECT_EQ(s->GoodsOut[4999], 0u);
  EXPECT_TRUE(s->Name.empty());
}

class StationNames : public StationRecords {
 protected:
  void SetUp() override {
    StationRecords::SetUp();
    FreeLanguages();
    CaptureMissingTexts = false;
    const std::string root = MakeTempFolder("stationnames");
    WriteFileBytes(root + "English.lgd",
                   "NORTH\r\nNorth\r\n@@\r\nSOUTH\r\nSouth\r\n@@\r\nCENTRAL\r\nCentre\r\n@@\r\n"
                   "STATION.BIF\r\nRailway station\r\n@@\r\n");
    LoadLanguages(root);
    CityCount = 2;
    Cities[1].Name = "Ashford";
    Cities[2].Name = std::string(40, 'L');
  }
  void TearDown() override {
    FreeLanguages();
    StationRecords::TearDown();
  }
  static std::string Name(uint8_t city, uint16_t type, uint8_t direction, uint8_t number) {
    auto s = std::make_unique<TStation>();
    s->Init(1, city, TVector{});
    s->Index = 12;
    s->BuildingType = type;
    s->Direction = direction;
    s->Number = number;
    s->BuildName();
    return s->Name.str();
  }
};

TEST_F(StationNames, TownTypeDirectionAndNumberInTurn) {
  struct Case {
    uint8_t city;
    uint16_t type;
    uint8_t direction, number;
    std::string name;
  };
  const Case cases[] = {
      {1, 0, 1, 2, "Ashford South 2"},
      {1, 0, 5, 0, "Ashford"},
      {1, 0, 0, 0, "Ashford North"},
      {1, kStationType, 4, 0, "Ashford Railway station Centre"},
      {1, 0, 3, 0, "Ashford !WEST!"},  // a text the language lacks
      {1, 0, 9, 14, "Ashford 14"},     // no direction beyond central
      {0, 0, 1, 0, " South"},          // without a town the name starts with the blank
      {0, 0, 5, 0, ""},
      // Cut to 43 after each step: 40 + " South" keeps " So", and the number no longer fits.
      {2, 0, 1, 7, std::string(40, 'L') + " So"},
      {2, kStationType, 5, 0, std::string(40, 'L') + " Ra"},
  };
  for (const Case& k : cases) {
    Warnings().clear();
    const std::string name = Name(k.city, k.type, k.direction, k.number);
    EXPECT_EQ(name, k.name) << int(k.city) << " " << k.type << " " << int(k.direction) << " " << int(k.number);
    EXPECT_LE(name.size(), 43u);
    EXPECT_EQ(Warnings(), Calls{});
  }
}

// A town number beyond the towns keeps its warning; the name is built without the town.
TEST_F(StationNames, ATownBeyondTheTownCountIsLeftOut) {
  Cities[3].Name = "Ghost";
  EXPECT_EQ(Name(3, 0, 1, 2), " South 2");
  EXPECT_EQ(Warnings(), Calls{"WARNING: Range error in Station 12.citycount"});
  Warnings().clear();
  EXPECT_EQ(Name(200, 0, 5, 0), "");  // beyond the table of towns as well
  EXPECT_EQ(Warnings(), Calls{"WARNING: Range error in Station 12.citycount"});
}

TEST_F(StationRecords, ServiceFlagsFromBuildingsWaysAndTheBuildingsAtItsRoads) {
  SpecialBuildingTypes[9] = 30;
  SpecialBuildingTypes[3] = 31;
  SpecialBuildingTypes[4] = 32;
  SetBuildingTypeUse(BuildingTypes[40], 10);
  SetBuildingTypeUse(BuildingTypes[41], 1);
  struct Case {
    const char* name;
    std::vector<uint16_t> buildings;
    bool road, rail;
    uint16_t roadsideType;  // 0: none
    bool objectOf;
    uint8_t flags;
  };
  const Case cases[] = {
      {"a road-service building and a road", {30}, true, false, 0, false, 1 | 2 | 4 | 32},
      {"rail-service building", {31}, false, false, 0, false, 1 | 2 | 4 | 16},
      {"the third special type", {32, kStationType}, false, false, 0, false, 1 | 2 | 4 | 8},
      {"a plain building and a rail way", {kStationType}, false, true, 0, false, 1 | 2 | 4 | 16},
      {"belongs to an industry", {}, true, true, 41, true, 1 | 2 | 4},
      {"a road with a shop", {}, true, false, 41, false, 1 | 2 | 4 | 32},
      {"a road with a stop", {}, true, false, 40, false, 1 | 2 | 32},
      {"a road with a house", {}, true, false, kHouseType, false, 1 | 32},
      {"both ways", {}, true, true, 0, false, 1 | 16 | 32},
      {"nothing", {}, false, false, 0, false, 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    ArrayerReset();
    const uint32_t s = AddStation(0, 0);
    for (const uint16_t type : k.buildings) AddStationBuilding(s, 1, type);
    const uint32_t a = AddConnection(0, 0), b = AddConnection(100, 0), c = AddConnection(200, 0);
    if (k.road) {
      const uint32_t road = AddPlainWay(a, b);
      AddStationWay(s, road);
      if (k.roadsideType) {
        TBuilding h = Building(AddRoadsideBuilding(road));
        h.BuildingType = k.roadsideType;
        h.A_Overwrite();
      }
    }
    if (k.rail) AddStationWay(s, AddPlainWay(b, c, 1));
    auto station = Read(s);
    if (k.objectOf) station->StationObjectOf = 99;
    station->CalcStationKind();
    EXPECT_EQ(station->ServiceFlags, k.flags);
  }
}

TEST_F(StationRecords, ARoadsideBuildingCountsOnlyAtItsOwnRoadAndWithinRange) {
  const uint32_t s = AddStation(0, 0);
  SetBuildingTypeUse(BuildingTypes[41], 1);
  const uint32_t a = AddConnection(0, 0), b = AddConnection(100, 0), c = AddConnection(200, 0);
  const uint32_t road = AddPlainWay(a, b), other = AddPlainWay(b, c);
  AddStationWay(s, road);
  TBuilding h = Building(AddRoadsideBuilding(other));  // at the other road
  h.BuildingType = 41;
  h.A_Overwrite();
  TBuilding far = Building(AddRoadsideBuilding(road));
  far.BuildingType = 41;
  far.Position.x = 1100.0f;  // beyond 1,000 of the road's position (50)
  far.A_Overwrite();
  auto station = Read(s);
  station->CalcStationKind();
  EXPECT_EQ(station->ServiceFlags, 1 | 32);
  far.Position.x = 1050.0f;
  far.A_Overwrite();
  station->CalcStationKind();
  EXPECT_EQ(station->ServiceFlags, 1 | 2 | 4 | 32);
}

TEST_F(StationRecords, CheckTakesTheReasonsOfItsBuildingsAndWaysAndStillRecalculatesGoods) {
  struct Case {
    const char* name;
    uint8_t buildingOwner, wayOwner;
    bool convoy;
    std::vector<int> result;
  };
  const Case cases[] = {
      {"another player's building", 2, 1, false, {32}},   {"a building without owner", 0, 1, false, {33}},
      {"another player's way", 1, 2, false, {36}},        {"a convoy on its way", 1, 1, true, {39}},
      {"building and way refuse", 0, 0, false, {33, 37}}, {"nothing against", 1, 1, false, {0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    ArrayerReset();
    const uint32_t s = AddStation(0, 0);
    const uint32_t near = AddStation(1500, -1500);
    AddStation(1501, 0);  // beyond 1,500 in x
    AddStationBuilding(s, k.buildingOwner);
    const uint32_t road = AddPlainWay(AddConnection(0, 0), AddConnection(0, 100), 0, k.wayOwner);
    AddStationWay(s, road);
    if (k.convoy) AddTrain(kTrainRoad, 1, {Way(road).Nodes[0]});
    HookCalls().clear();
    EXPECT_EQ(Elements(Destroy(s, 0)), k.result);
    EXPECT_TRUE(HasStation(s));
    EXPECT_TRUE(HasWay(road));
    EXPECT_EQ(HookCalls(),
              (Calls{"RecalcGoodsStation " + std::to_string(s), "RecalcGoodsStation " + std::to_string(near)}));
    // Mode 1 stops after the check when it refuses; its check recalculated the goods.
    HookCalls().clear();
    const TDestroyResult r = Destroy(s, 1);
    EXPECT_EQ(Elements(r), k.result);
    EXPECT_EQ(HasStation(s), !r.Has(0));
  }
}

TEST_F(StationRecords, ARemovedStationLeavesNothingNamingIt) {
  const SmallNetwork n = BuildSmallNetwork();
  const uint32_t me = n.station;
  const uint32_t west = AddStation(0, 0), east = AddStation(5000, 0);
  // Stretches to the station, some of them twice, and a link.
  {
    auto w = Read(west);
    for (const uint32_t to : {me, east, me, me, west}) w->Stretches[w->StationstretchCounter++].Station = to;
    w->LinkedStation = me;
    w->A_ReWrite();
    auto e = Read(east);
    e->LinkedStation = west;
    e->Stretches[e->StationstretchCounter++].Station = west;
    e->A_ReWrite();
  }
  // A line west - station - east with a train heading for the station, and a train without line.
  const uint32_t line = AddSchedule(0, {west, me, east});
  const uint32_t path = AddPath(0, {1, 2});
  const uint32_t onLine = AddTrain(kTrainRoad, 1, {});
  TrainByIndex(onLine).Schedule = line;
  TrainByIndex(onLine).CurrentStop = 2;
  TrainByIndex(onLine).TargetStation = me;
  TrainByIndex(onLine).Path = path;
  const uint32_t free = AddTrain(kTrainRoad, 1, {});
  TrainByIndex(free).TargetStation = me;
  // The station's market, an industry in range sending goods there, passenger ways through it.
  const uint32_t market = AddMarket();
  auto industry = std::make_unique<TIndustry>();
  *industry = TIndustry{};
  for (const uint32_t to : {77u, me, me}) industry->Output[industry->IndustryOutputCounter++].Target = to;
  industry->A_Write();
  const uint32_t through = EconomyRecords::AddPsgrWay(TPsgrWayFields{0, 4.0f, 0, {0, 0, 0, me}, 1});
  const uint32_t ending = EconomyRecords::AddPsgrWay(TPsgrWayFields{0, 3.0f, me, {}, 1});
  const uint32_t unrelated = EconomyRecords::AddPsgrWay(TPsgrWayFields{0, 2.0f, west, {east}, 1});
  GameSettings.EconomyMode = 1;
  const uint32_t sent = EconomyRecords::AddGood(TGoodFields{0, 0, 0, me, 0});
  const uint32_t kept = EconomyRecords::AddGood(TGoodFields{0, 0, 0, west, 0});
  {
    auto s = Read(me);
    s->IndustriesInRange[s->StationIndustryInRangeCounter++] = industry->Index;
    s->StationObjectOf = market;
    s->A_ReWrite();
  }
  (void)unrelated;
  HookCalls().clear();

  EXPECT_EQ(Elements(Destroy(me, 1)), std::vector<int>{0});
  EXPECT_FALSE(HasStation(me));
  EXPECT_FALSE(HasBuilding(n.stationBuilding));
  EXPECT_FALSE(HasWay(n.w[2]));
  EXPECT_TRUE(HasWay(n.w[1]));
  auto w = Read(west);
  ASSERT_EQ(w->StationstretchCounter, 2);
  EXPECT_EQ(w->Stretches[0].Station, west);  // the last stretch took the place of the first
  EXPECT_EQ(w->Stretches[1].Station, east);
  EXPECT_EQ(w->LinkedStation, 0u);
  EXPECT_EQ(Read(east)->LinkedStation, west);
  TSchedule sch{};
  sch.A_Read(line);
  ASSERT_EQ(sch.ScheduleStationCounter, 2);
  EXPECT_EQ(sch.Stops[0].Station, west);
  EXPECT_EQ(sch.Stops[1].Station, east);
  EXPECT_EQ(TrainByIndex(onLine).TargetStation, east);  // its stop moved on to the next station
  EXPECT_EQ(TrainByIndex(free).TargetStation, 0u);
  industry->A_Read(industry->Index);
  ASSERT_EQ(industry->IndustryOutputCounter, 2);
  EXPECT_EQ(industry->Output[0].Target, 77u);
  EXPECT_EQ(industry->Output[1].Target, me);  // only the first entry naming the station goes
  EXPECT_EQ(EconomyRecords::Goods[sent].Goodsway, 0u);
  EXPECT_EQ(EconomyRecords::Goods[kept].Goodsway, west);
  auto p = std::make_unique<TPath>();
  p->A_Read(path);
  EXPECT_EQ(p->Invalid, 1);
  EXPECT_FALSE(ArrayerHolds(kTMarketDesc, market));
  EXPECT_EQ(CallsOf({"OverwritePsgrWay", "OverwriteGood", "CalcSchedule", "OnDestroySchedule", "AddStationStretches",
                     "OnDestroyMarket", "OnDestroyStation", "RecalcGoodsStation"}),
            (Calls{"RecalcGoodsStation " + std::to_string(me), "RecalcGoodsStation " + std::to_string(west),
                   "OverwritePsgrWay " + std::to_string(through) + " passengers 0 used 1",
                   "OverwritePsgrWay " + std::to_string(ending) + " passengers 0 used 1",
                   "OverwriteGood " + std::to_string(sent) + " entry 0 way 0 ready 0",
                   "CalcSchedule " + std::to_string(line), "OnDestroySchedule " + std::to_string(line),
                   "AddStationStretches " + std::to_string(line), "OnDestroyMarket " + std::to_string(market),
                   "OnDestroyStation " + std::to_string(me), "RecalcGoodsStation " + std::to_string(west)}));
}

TEST_F(StationRecords, GoodsLeavingOrWaitingAreSentOnOrDestroyed) {
  const uint32_t s = AddStation(250, 0), next = AddStation(9000, 0);
  GameTime = 1000;
  EconomyRecords::GoodsKinds[3] = 1;  // passengers
  EconomyRecords::Goodsways[40] = TGoodswayFields{40, 0, 0, 0, 2, next};
  auto& goods = EconomyRecords::Goods;
  goods[11] = TGoodFields{11, 0, 5, 0, 0};      // no goods way
  goods[12] = TGoodFields{12, 1, 3, 40, 0};     // passengers
  goods[13] = TGoodFields{13, 2, 5, 40, 0};     // already at its goods way's entry
  goods[14] = TGoodFields{14, 1, 5, 40, 1300};  // leaving: sent on
  goods[15] = TGoodFields{15, 1, 5, 40, 1050};  // waiting: keeps its 50 ticks
  goods[16] = TGoodFields{16, 1, 5, 40, 900};   // late: nothing to keep
  {
    auto st = Read(s);
    for (const uint32_t g : {11u, 0u, 12u, 13u, 14u}) st->GoodsOut[st->StationOutGoodsCounter++] = g;
    for (const uint32_t g : {15u, 16u}) st->GoodsIn[st->StationInGoodsCounter++] = g;
    st->A_ReWrite();
  }
  EXPECT_EQ(Elements(Destroy(s, 2)), std::vector<int>{0});
  EXPECT_EQ(CallsOf({"GoodDestroy", "SenGoodPerIV", "OverwriteGood"}),
            (Calls{"GoodDestroy 11", "GoodDestroy 12", "GoodDestroy 13", "SenGoodPerIV 14 entry 2 from 250 to 2",
                   "SenGoodPerIV 15 entry 2 from 250 to 2", "OverwriteGood 15 entry 2 way 40 ready 1150",
                   "SenGoodPerIV 16 entry 2 from 250 to 2", "OverwriteGood 16 entry 2 way 40 ready 1100"}));

  const uint32_t odd = AddStation(0, 0);
  goods[17] = TGoodFields{17, 1, 6, 40, 0};
  EconomyRecords::GoodsKinds[6] = 2;
  {
    auto st = Read(odd);
    st->GoodsOut[st->StationOutGoodsCounter++] = 17;
    st->A_ReWrite();
  }
  EXPECT_EQ(FatalOf([&] { Destroy(odd, 2); }), Fatal("ERROR: UTStation: Unsorportet GoodsInfoKind"));
}

TEST_F(StationRecords, TheObjectTheStationBelongsToGoesWithIt) {
  // An industry that has the station in range and as its output.
  auto industry = std::make_unique<TIndustry>();
  *industry = TIndustry{};
  industry->A_Write();
  const uint32_t s = AddStation(0, 0);
  {
    auto st = Read(s);
    st->StationObjectOf = industry->Index;
    st->IndustriesInRange[st->StationIndustryInRangeCounter++] = industry->Index;
    st->A_ReWrite();
  }
  EXPECT_EQ(Elements(Destroy(s, 2)), std::vector<int>{0});
  EXPECT_FALSE(ArrayerHolds(kTIndustryDesc, industry->Index));
  EXPECT_EQ(CallsOf({"OnDestroyIndustry", "OnDestroyStation"}),
            (Calls{"OnDestroyIndustry " + std::to_string(industry->Index), "OnDestroyStation " + std::to_string(s)}));

  // A station of anything else cannot tell how to remove it.
  TDepot depot{};
  depot.A_Write();
  const uint32_t odd = AddStation(0, 0);
  auto st = Read(odd);
  st->StationObjectOf = depot.Index;
  st->A_ReWrite();
  EXPECT_EQ(FatalOf([&] { Destroy(odd, 2); }),
            Fatal("ERROR: UTStation: TStation.destroy: Shuld destroy unknown StationObjectOf!"));
}

}  // namespace
