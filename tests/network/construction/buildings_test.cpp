// Building construction: the frame fitted from the type, the stored record, the booking of its
// cost and the end of construction.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/world/building.h"
#include "network/construction/buildings.h"
#include "tests/network/construction/construction_fixture.h"

namespace {

using namespace construction_testing;

constexpr uint16_t kHouse = 1, kBridge = 2, kTunnel = 3, kWayed = 4, kJunction = 5, kCompany = 6, kPlatform = 7;

class BuildingConstruction : public ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();
    GameSettings.Level = 2;
    PlayerCount = 2;
    // A 10 x 20 ground plan from -1 to 15 around its reference point.
    TBuildingType& house = BuildingTypes[kHouse];
    SetBuildingTypeFileName(house, "HOUSE.BIF");
    SetBuildingTypePrice(house, 1000);
    SetBuildingTypeClass(house, 7);
    SetBuildingTypeWayUse(house, 1);
    const TVector corners[4] = {{0, 0, 0}, {10, 0, 0}, {10, 0, 20}, {0, 0, 20}};
    for (int k = 1; k <= 4; ++k) SetBuildingTypeCorner(house, k, corners[k - 1]);
    SetBuildingTypeHeights(house, -1.0f, 15.0f);
    Type(kBridge, kBuildingKindBridge, 0, 2000);
    Type(kTunnel, kBuildingKindTunnel, 1, 3000);
    Type(kWayed, 0, 2, 400);
    Type(kJunction, kBuildingUsePillar, 2, 500);
    Type(kCompany, 0, 0, 600);
    Type(kPlatform, 2, 1, 700);
    SpecialBuildingTypes[0] = kJunction;
    SpecialBuildingTypes[3] = kPlatform;
    building_hooks::InstallDefaults();
    bookings_.clear();
    building_hooks::BookMoney = [](uint8_t player, float& stat, float amount, float factor) {
      bookings_.push_back({player, &stat, amount, factor});
    };
  }
  void TearDown() override {
    building_hooks::InstallDefaults();
    ResetWorldState();
    ConstructionTest::TearDown();
  }

  static void Type(uint16_t row, uint8_t kind, uint8_t wayUse, int32_t price) {
    SetBuildingTypeUse(BuildingTypes[row], kind);
    SetBuildingTypeWayUse(BuildingTypes[row], wayUse);
    SetBuildingTypePrice(BuildingTypes[row], price);
  }

  // A stored building of the type with all corners and heights at 0, so its cost is the price.
  static TBuilding Stored(uint16_t type, uint8_t owner = 1, uint8_t state = 0) {
    TBuilding b{};
    b.Init(type, owner);
    b.State = state;
    b.A_Write();
    return b;
  }

  struct Booking {
    uint8_t player;
    float* stat;
    float amount, factor;
  };
  static inline std::vector<Booking> bookings_;
};

TEST_F(BuildingConstruction, CornersWrap) {
  const uint8_t next[5] = {1, 2, 3, 4, 1}, prev[5] = {4, 4, 1, 2, 3};
  for (uint8_t i = 0; i <= 4; ++i) {
    EXPECT_EQ(NextCorner(i), i == 0 ? 1 : next[i]) << int(i);
    EXPECT_EQ(PrevCorner(i), prev[i]) << int(i);
  }
}

TEST_F(BuildingConstruction, GeometryTurnsTheTypeOntoTheWorldDirection) {
  constexpr float kPi = std::numbers::pi_v<float>;
  struct Case {
    const char* name;
    TVector localAnchor, localToward, worldAnchor, worldToward;
    float angle;
    TVector position, corner3;
  };
  const Case cases[] = {
      {"same heading: shifted only", {0, 0, 0}, {10, 0, 0}, {100, 5, 200}, {150, 5, 200}, 0.0f, {100, 5, 200}, {110, 5, 220}},
      {"opposite heading", {0, 0, 0}, {10, 0, 0}, {100, 5, 200}, {50, 5, 200}, -kPi, {100, 5, 200}, {90, 5, 180}},
      {"world along +z", {0, 0, 0}, {10, 0, 0}, {100, 0, 100}, {100, 0, 300}, -kPi / 2, {100, 0, 100}, {80, 0, 110}},
      {"anchor off the origin", {5, 0, 0}, {5, 0, 10}, {100, 0, 100}, {200, 0, 100}, kPi / 2, {100, 0, 105}, {120, 0, 95}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBuilding b{};
    b.BuildingType = kHouse;
    b.BuildingWayCounter = 3;
    b.Station = 9;
    TVector position{};
    float angle = 99.0f;
    CalcBuildingGeometry(b, c.worldAnchor, c.worldToward, c.localAnchor, c.localToward, position, angle);
    EXPECT_NEAR(angle, c.angle, 1e-6);
    EXPECT_NEAR(position.x, c.position.x, 1e-3);
    EXPECT_NEAR(position.y, c.position.y, 1e-3);
    EXPECT_NEAR(position.z, c.position.z, 1e-3);
    EXPECT_NEAR(b.Corners[2].x, c.corner3.x, 1e-3);
    EXPECT_NEAR(b.Corners[2].y, c.corner3.y, 1e-3);
    EXPECT_NEAR(b.Corners[2].z, c.corner3.z, 1e-3);
    EXPECT_FLOAT_EQ(b.LowHeight, c.position.y - 1.0f);
    EXPECT_FLOAT_EQ(b.HighHeight, c.position.y + 15.0f);
    EXPECT_EQ(b.BuildingWayCounter, 0);
    EXPECT_EQ(b.Station, 0u);
  }
}

TEST_F(BuildingConstruction, InitBuildingFillsAndStoresTheRecord) {
  GameTime = 5000;
  ActPlayer = 2;
  ActCity = 4;
  struct Case {
    float angle, gier;
  };
  for (const Case c : {Case{std::numbers::pi_v<float> / 2, 90.0f}, Case{0.0f, 0.0f}, Case{-std::numbers::pi_v<float>, -180.0f}}) {
    TBuilding b{};
    b.Mesh = 77;
    b.Depot = 3;
    b.ScriptVars[0] = 5;
    b.Inhabitants = 9;
    InitBuilding(kHouse, b, {1, 2, 3}, c.angle, 1);
    ASSERT_NE(b.Index, 0u);
    TBuilding stored{};
    stored.A_Read(b.Index);
    EXPECT_FLOAT_EQ(stored.Gier, c.gier);
    EXPECT_EQ(stored.Roll, 0.0f);
    EXPECT_EQ(stored.BuildingType, kHouse);
    EXPECT_EQ(stored.Position.z, 3.0f);
    EXPECT_EQ(stored.Mesh, 0u);
    EXPECT_EQ(stored.Depot, 0u);
    EXPECT_EQ(stored.ScriptVars[0], 0);
    EXPECT_EQ(stored.Inhabitants, 0);
    EXPECT_EQ(stored.State, 1);
    EXPECT_EQ(stored.Owner, 2);
    EXPECT_EQ(stored.City, 4);
    EXPECT_EQ(BuildingClass(stored), 7);
    EXPECT_EQ(BuildingCompletionTick(stored), 5100u);
  }
  EXPECT_EQ(uint32_t{Players[2].CompanyBuilding}, 0u);  // the player record is packed
}

TEST_F(BuildingConstruction, ACompanyBuildingBecomesItsOwnersAndTakesItsLevel) {
  CompanyBuildingType = kCompany;
  building_hooks::UpdateCompanyBuildingLevel = [](TBuilding& b) { b.ScriptVars[0] = 3; };
  TBuilding b{};
  InitBuilding(kCompany, b, {0, 0, 0}, 0.0f, 0);
  EXPECT_EQ(uint32_t{Players[1].CompanyBuilding}, b.Index);
  TBuilding stored{};
  stored.A_Read(b.Index);
  EXPECT_EQ(stored.ScriptVars[0], 3);

  // Without an owner nothing changes hands.
  ActPlayer = 0;
  TBuilding town{};
  InitBuilding(kCompany, town, {0, 0, 0}, 0.0f, 0);
  EXPECT_EQ(uint32_t{Players[1].CompanyBuilding}, b.Index);
  stored.A_Read(town.Index);
  EXPECT_EQ(stored.ScriptVars[0], 0);
}

TEST_F(BuildingConstruction, InitWayedBuildingTakesItsCorners) {
  GameTime = 10;
  ActCity = 2;
  TBuilding b{};
  b.Gier = 33.0f;
  b.Mesh = 12;
  b.Way = 4;
  InitWayedBuilding(b, {1, 0, 1}, {2, 0, 1}, {2, 0, 2}, {1, 0, 2}, -3.0f, 8.0f, kHouse, 0);
  TBuilding stored{};
  stored.A_Read(b.Index);
  EXPECT_EQ(stored.Position.x, 1.0f);
  EXPECT_EQ(stored.Corners[2].x, 2.0f);
  EXPECT_EQ(stored.Corners[2].z, 2.0f);
  EXPECT_EQ(stored.LowHeight, -3.0f);
  EXPECT_EQ(stored.HighHeight, 8.0f);
  EXPECT_EQ(stored.Gier, 33.0f);
  EXPECT_EQ(stored.Mesh, 12u);
  EXPECT_EQ(stored.Way, 0u);
  EXPECT_EQ(BuildingClass(stored), 0);
  EXPECT_EQ(stored.Owner, 1);
  EXPECT_EQ(stored.City, 2);
  EXPECT_EQ(BuildingCompletionTick(stored), 110u);
}

TEST_F(BuildingConstruction, PaymentGoesToTheGroupAndEntryOfTheBuilding) {
  // A wayed building and a junction building take their group from their ways and connects.
  TWay rail{};
  rail.Init(1, 1);
  rail.A_Write();
  struct Case {
    const char* name;
    uint16_t type;
    uint8_t group;
    int entry;  // 0-based in the group's statistics
    bool pillarIsWay;
  };
  const Case cases[] = {
      {"bridge of road use", kBridge, kGroupRoad, kFinanceConstructionStat, true},
      {"house of rail use", kHouse, kGroupRail, kFinanceConstructionStat + 1, false},
      {"tunnel of rail use", kTunnel, kGroupRail, kFinanceConstructionStat, true},
      {"wayed building on a rail way", kWayed, kGroupRail, kFinanceConstructionStat + 1, false},
      {"junction building of a road connect", kJunction, kGroupRoad, kFinanceConstructionStat, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bookings_.clear();
    Players[2].PrevCost = 5000.0L;
    TBuilding b = Stored(c.type, 2);
    if (c.type == kWayed) {
      b.BuildingWayCounter = 1;
      b.Ways[0] = rail.Index;
    }
    if (c.type == kJunction) {
      ConnectByIndex(AddConnectAt(1, 1000, 1000)).JunctionBuilding = 999;  // another building's
      ConnectByIndex(AddConnectAt(0, 1100, 1000)).JunctionBuilding = b.Index;
    }
    const float cost = b.BuildingCost();
    ASSERT_GT(cost, 0.0f);
    EXPECT_EQ(GetPillarType(b), c.group);
    EXPECT_EQ(PillarIsWay, c.pillarIsWay);
    PayBuilding(b);
    TYearFinance& y = Players[2].Finances[0];
    float* stats = c.group == kGroupRail ? y.RailStats : y.RoadStats;
    ASSERT_EQ(bookings_.size(), 1u);
    EXPECT_EQ(bookings_[0].player, 2);
    EXPECT_EQ(bookings_[0].stat, &stats[c.entry]);
    EXPECT_EQ(bookings_[0].amount, -cost);
    EXPECT_EQ(bookings_[0].factor, -1.0f);
    EXPECT_EQ(Players[2].PrevCost.get(), 5000.0L - cost);
  }
}

TEST_F(BuildingConstruction, NothingIsPaidWithoutOwnerAndNothingPreBookedBelowLevelTwo) {
  Players[1].PrevCost = 50.0L;
  PayBuilding(Stored(kHouse, 0));
  EXPECT_TRUE(bookings_.empty());
  GameSettings.Level = 1;
  PayBuilding(Stored(kHouse, 1));
  EXPECT_EQ(bookings_.size(), 1u);  // the booking itself knows the level
  EXPECT_EQ(Players[1].PrevCost.get(), 50.0L);
}

TEST_F(BuildingConstruction, AGroupThatCannotBeKnownStopsWithTheTypeName) {
  const std::string name(40, 'N');
  SetBuildingTypeFileName(BuildingTypes[kWayed], name);
  SetBuildingTypeFileName(BuildingTypes[kJunction], name);
  TWay third{};
  third.Init(2, 1);
  third.A_Write();
  TBuilding wayed = Stored(kWayed);
  wayed.BuildingWayCounter = 1;
  wayed.Ways[0] = third.Index;
  const std::string inWayed = "Unknown WayUseType in wayed building " + name;
  const std::string of = "Unknown WayUseType of " + name;
  EXPECT_EQ(inWayed.size(), 77u);
  EXPECT_EQ(of.size(), 62u);
  EXPECT_EQ(FatalOf([&] { GetPillarType(wayed); }), Fatal(inWayed));
  EXPECT_EQ(FatalOf([&] { GetPillarType(Stored(kWayed)); }), Fatal(of));
  EXPECT_EQ(FatalOf([&] { GetPillarType(Stored(kJunction)); }), Fatal("Unknown Pillartype!!"));
}

TEST_F(BuildingConstruction, FinishingEndsConstructionOnceAndBooksTheValue) {
  struct Case {
    uint8_t state, owner, finalState;
    float value;
  };
  const Case cases[] = {{0, 1, 2, 1000.0f}, {1, 1, 2, 1000.0f}, {2, 1, 2, 0.0f}, {3, 1, 3, 0.0f}, {0, 0, 2, 0.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "state " << int(c.state) << " owner " << int(c.owner));
    Players[1] = TPlayer{};
    TBuilding b = Stored(kHouse, c.owner, c.state);
    SetBuildingCompletionTick(b, 4321);
    FinishBuilding(b);
    FinishBuilding(b);  // a second time changes nothing
    EXPECT_EQ(b.State, c.finalState);
    EXPECT_EQ(BuildingCompletionTick(b), c.state <= 1 ? 0u : 4321u);
    EXPECT_EQ(float{Players[1].Finances[0].BuildingValue}, c.value);
  }
}

TEST_F(BuildingConstruction, AFinishedRailStationOfAPlayerIsNews) {
  struct News {
    uint8_t kind;
    uint32_t town, raiser;
  };
  static std::vector<News> news;
  news.clear();
  building_hooks::NearestCity = [](const TVector& p, float& d) {
    d = 1.0f;
    return static_cast<uint8_t>(p.x > 500 ? 4 : 3);
  };
  building_hooks::TriggerNewsEvent = [](uint8_t kind, uint32_t, uint32_t, uint32_t, uint32_t p4, uint32_t, uint32_t p6) {
    news.push_back({kind, p4, p6});
  };
  TBuilding station = Stored(kPlatform, 2);
  station.Position = {600, 0, 0};
  FinishBuilding(station);
  FinishBuilding(station);
  TBuilding town = Stored(kPlatform, 0);
  FinishBuilding(town);
  TBuilding house = Stored(kHouse, 2);
  FinishBuilding(house);
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0].kind, kNewsNewRailStation);
  EXPECT_EQ(news[0].town, 4u);
  EXPECT_EQ(news[0].raiser, 2u);
}

}  // namespace
