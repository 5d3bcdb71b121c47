// Town building placement: the process walks the town streets a bounded batch a call, stands a
// wished-for building type beside a street side, front to the street, slides it along the side past
// water and obstacles, builds it for the town, and starts over when its street vanishes.
#include "economy/town/placement.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "economy/step/worldstate_hash.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/connectpool.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "engine/world/hooks.h"
#include "network/construction/buildings.h"
#include "network/construction/curveline.h"
#include "network/track/trackfields.h"
#include "tests/economy/economy_fixture.h"
#include "tests/engine/store/store_fixture.h"
#include "tools/sample_world.h"

namespace {

using arrayer_testing::FatalOf;
using ::testing::HasSubstr;

constexpr float kHalf = 40.0f;       // half the street's width
constexpr uint8_t kLand = 10;        // a land ground kind
constexpr uint16_t kHouse = 7;       // the building type most tests wish for

class TownPlacement : public economy_test::EconomyTest {
 protected:
  void SetUp() override {
    EconomyTest::SetUp();
    ASSERT_TRUE(ResetSimulationWorld());
    platform::SetTickSource(economy_test::Ticks);
    testing_support::Warnings().clear();
    std::memset(GroundMap, kLand, sizeof(GroundMap));
    RunMode = 0;
    GameTime = 1000;
    CityCount = 1;
    Cities[1].Position = {5000.0f, 0.0f, 5000.0f};
    Cities[1].Radius = 100000;
    ActPlayer = 0;
    ActCity = 1;
    p = std::make_unique<TPPPlacebuilding>();
    ResetPlaceBuilding(*p);
  }
  void TearDown() override {
    world_hooks::InstallDefaults();
    ResetPlaceBuilding(PlaceBuildingProcess);
    ResetWorldState();
    EconomyTest::TearDown();
  }

  // Type T: a Width x Depth ground plan whose edge 1 runs from its reference point along +x, the
  // body behind it toward -z (so that edge 1 faces a street side, the body away from the street);
  // the edges in Fronts may face a street. The town wishes for it.
  static void Type(uint16_t t, float width, float depth, std::vector<int> fronts = {1}, uint8_t location = 0,
                   uint8_t corner = 0) {
    TBuildingType& type = BuildingTypes[t];
    type = TBuildingType{};
    const TVector c[4] = {{0, 0, 0}, {width, 0, 0}, {width, 0, -depth}, {0, 0, -depth}};
    for (int k = 1; k <= 4; ++k) SetBuildingTypeCorner(type, k, c[k - 1]);
    SetBuildingTypeHeights(type, -5.0f, 20.0f);
    SetBuildingTypeUse(type, kBuildingKindHouse);
    SetBuildingTypeTown(type, {40, 1900, 2100, kBuildingEraAny});
    TBuildingTypePlacement placement;
    for (int f : fronts) placement.Fronts[f - 1] = 1;
    placement.Location = location;
    placement.CornerPlacement = corner;
    SetBuildingTypePlacement(type, placement);
    if (BuildingTypeCount < t) BuildingTypeCount = static_cast<uint8_t>(t);
    SetCityWish(Cities[1], static_cast<uint8_t>(t), true);
  }

  // A finished town street of the way just stored: its town, the sides where buildings may stand,
  // its midpoint and the free length of both sides.
  static uint32_t Finish(uint32_t way, uint8_t sides, const TVector& a, const TVector& b, uint8_t waytype = 0) {
    TWay w{};
    w.A_Read(way);
    w.State = 2;
    w.City = 1;
    w.Waytype = waytype;
    WaySideBits(w) = sides;
    w.Position = {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
    const float length = VecDistanceXZ(a, b);
    w.SideLengths[0] = w.SideLengths[1] = length;
    w.A_Overwrite();
    return way;
  }
  // A street of its own from A to B (both ends dead ends).
  static uint32_t Street(const TVector& a, const TVector& b, uint8_t sides, uint8_t waytype = 0) {
    return Finish(sample_world::StraightWay(0, a, b, kHalf), sides, a, b, waytype);
  }
  static uint32_t Connect(const TVector& at) {
    TConnect c{};
    ClearConnect(c, 0);
    c.Position = at;
    return AddConnect(c);
  }

  // Runs the process call by call (at most Calls), handing the record to Look after each.
  void Run(int calls, const std::function<void(const TPPPlacebuilding&)>& look = nullptr) {
    for (int k = 0; k < calls; ++k) {
      PP_Placebuilding(*p);
      if (look) look(*p);
    }
  }
  // The buildings in the store.
  static std::vector<TBuilding> Buildings() {
    std::vector<TBuilding> out;
    TBuilding b{};
    for (uint32_t i = FindInArrayerBW(kARTypeBuilding, 0); i != 0; i = FindInArrayerBW(kARTypeBuilding, i)) {
      b.A_Read(i);
      out.push_back(b);
    }
    return out;
  }
  // Way becomes arm 1 of a T crossing whose centre (from its end B, 1500, 0, 5000, to 1600, 0,
  // 5000) also meets arm 3 from C to D: side 1 of Way ends at the crossing corner, arm 3 going on.
  // The ways at the centre's connects are the two arms.
  static uint32_t CrossingArm(uint32_t way, const TVector& c, const TVector& d) {
    const uint32_t centre = Street({1500, 0, 5000}, {1600, 0, 5000}, 0, kWaytypeTCrossing);
    const uint32_t arm3 = Street(c, d, 0, kWaytypeTCrossing);
    TWay w{};
    for (const auto& [index, part] : {std::pair{way, 1}, std::pair{centre, 5}, std::pair{arm3, 3}}) {
      w.A_Read(index);
      WayPart(w) = static_cast<uint8_t>(part);
      if (part != 5) SetWayCentreLink(w, centre);
      w.A_Overwrite();
    }
    static uint32_t s_centre, s_arms[2];
    s_centre = centre;
    s_arms[0] = way;
    s_arms[1] = arm3;
    world_hooks::WaysAtCons = [](const TWay& at, uint32_t& count, TWay* ways) {
      count = 0;
      if (at.Index != s_centre) return;
      for (uint32_t arm : s_arms) ways[count++].A_Read(arm);
    };
    return arm3;
  }
  static void Water(int x0, int x1, int z0, int z1) {
    for (int x = x0; x <= x1; ++x)
      for (int z = z0; z <= z1; ++z) GroundMap[x][z] = 0;
  }

  std::unique_ptr<TPPPlacebuilding> p;
};

TEST_F(TownPlacement, WithoutWishesEachCallLooksAt51WaysAndNothingIsPlaced) {
  Type(kHouse, 40.0f, 40.0f);
  SetCityWish(Cities[1], kHouse, false);
  std::vector<uint32_t> ways;
  for (int k = 0; k < 120; ++k) {
    const float z = 1000.0f + 300.0f * static_cast<float>(k % 30), x = 1000.0f + 1000.0f * static_cast<float>(k / 30);
    ways.push_back(Street({x, 0, z}, {x + 500.0f, 0, z}, 3));
  }
  PP_Placebuilding(*p);
  EXPECT_EQ(+p->Way, ways[50]);
  EXPECT_EQ(+p->Step, 0);
  PP_Placebuilding(*p);
  EXPECT_EQ(+p->Way, ways[101]);
  // The last 18 ways, then the end of the store: the next call starts again at the first way.
  PP_Placebuilding(*p);
  EXPECT_EQ(+p->Way, 0u);
  PP_Placebuilding(*p);
  EXPECT_EQ(+p->Way, ways[50]);
  Run(200);
  EXPECT_TRUE(Buildings().empty());
  EXPECT_EQ(ProcessStatus[1].str().rfind("Way ", 0), 0u);
  // Run mode 4 takes every town street whatever its town wishes for.
  RunMode = 4;
  ResetPlaceBuilding(*p);
  PP_Placebuilding(*p);
  EXPECT_NE(+p->Way, 0u);
  EXPECT_LT(+p->Way, ways[50]);
}

TEST_F(TownPlacement, StreetsThatTakeNoTownBuildingsArePassedOver) {
  Type(kHouse, 40.0f, 40.0f);
  const struct {
    const char* Name;
    std::function<void(TWay&)> Spoil;
  } cases[] = {
      {"no town", [](TWay& w) { w.City = 0; }},
      {"a town beyond the count", [](TWay& w) { w.City = 7; }},
      {"not finished", [](TWay& w) { w.State = 1; }},
      {"no mesh", [](TWay& w) { w.Mesh = 0; }},
      {"a cutting", [](TWay& w) { WayFlags(w) |= 2; }},
      {"a bridge", [](TWay& w) { WayFlags(w) |= 4; }},
      {"a router", [](TWay& w) { w.Waytype = 3; }},
  };
  for (const auto& c : cases) {
    ArrayerReset();
    ResetPlaceBuilding(*p);
    SetCityWish(Cities[1], kHouse, true);
    const uint32_t way = Street({1000, 0, 5000}, {1500, 0, 5000}, 3);
    TWay w{};
    w.A_Read(way);
    c.Spoil(w);
    w.A_Overwrite();
    PP_Placebuilding(*p);
    EXPECT_EQ(+p->Step, 0) << c.Name;
    EXPECT_EQ(+p->Way, 0u) << c.Name;
  }
}

TEST_F(TownPlacement, AFrontWiderThanTheFreeLengthAndSixtyIsNeverTried) {
  for (const auto& [free, placed] : {std::pair{39.0f, false}, std::pair{40.0f, true}}) {
    ArrayerReset();
    ResetPlaceBuilding(*p);
    Type(kHouse, 100.0f, 40.0f);
    const uint32_t way = Street({1000, 0, 5000}, {1500, 0, 5000}, 2);
    TWay w{};
    w.A_Read(way);
    w.SideLengths[1] = free;
    w.A_Overwrite();
    Run(60);
    EXPECT_EQ(Buildings().size(), placed ? 1u : 0u) << free;
  }
}

TEST_F(TownPlacement, AHouseIsBuiltBesideTheStreetForTheTown) {
  Type(kHouse, 40.0f, 30.0f);
  Cities[1].Waiting[0] = 100;
  const TVector a{1000, 0, 5000}, b{1500, 0, 5000};
  const uint32_t way = Street(a, b, 2);
  Run(60);
  const std::vector<TBuilding> built = Buildings();
  ASSERT_EQ(built.size(), 1u);
  const TBuilding house = built[0];
  EXPECT_EQ(+house.BuildingType, kHouse);
  EXPECT_EQ(+house.Owner, 0);
  EXPECT_EQ(+house.City, 1);
  EXPECT_EQ(+house.State, 1);
  EXPECT_EQ(+house.Way, way);
  EXPECT_EQ(+house.Side, 2);
  // Side 2 runs from A - side along +x; the front starts 30 from its dead-end start, the body lies
  // away from the street.
  EXPECT_FLOAT_EQ(+house.Frontage, 70.0f);
  EXPECT_NEAR(+house.Corners[0].x, 1030.0f, 1e-3);
  EXPECT_NEAR(+house.Corners[0].z, 5000.0f - kHalf, 1e-3);
  EXPECT_NEAR(+house.Corners[0].y, -2.0f, 1e-3);
  EXPECT_NEAR(+house.Corners[2].z, 5000.0f - kHalf - 30.0f, 1e-3);
  EXPECT_EQ(+house.Inhabitants, 40);  // the people who waited moved in
  EXPECT_FALSE(CityWishes(Cities[1], kHouse));
  TWay w{};
  w.A_Read(way);
  EXPECT_EQ(+w.RoadsideBuildings, 1);
  EXPECT_FLOAT_EQ(+w.SideLengths[1], 500.0f - 40.0f);
  EXPECT_TRUE(+p->Ended);
  EXPECT_FALSE(+p->Failed);
}

TEST_F(TownPlacement, ADeadEndKeepsTheBuilding30AwayAJunctionLetsItReach30Past) {
  for (const bool junction : {false, true}) {
    ArrayerReset();
    ResetPlaceBuilding(*p);
    Type(kHouse, 40.0f, 30.0f);
    const TVector a{1000, 0, 5000}, b{1500, 0, 5000}, c{2000, 0, 5000};
    uint32_t way = 0;
    if (junction) {
      const uint32_t ca = Connect(a), cb = Connect(b), cc = Connect(c);
      Finish(sample_world::WayBetween(ca, cb, kHalf, 0), 0, a, b);
      way = Finish(sample_world::WayBetween(cb, cc, kHalf, 0), 2, b, c);
    } else {
      way = Street(b, c, 2);
    }
    Run(80);
    const std::vector<TBuilding> built = Buildings();
    ASSERT_EQ(built.size(), 1u) << junction;
    EXPECT_EQ(+built[0].Way, way);
    // The front starts at Shift: +30 from a dead-end start, -30 (before it) at a junction.
    EXPECT_FLOAT_EQ(+built[0].Frontage, junction ? 10.0f : 70.0f);
    EXPECT_NEAR(+built[0].Corners[0].x, junction ? 1470.0f : 1530.0f, 1e-3);
  }
}

TEST_F(TownPlacement, TheSideEndHoldsTheCandidate30ShortOfADeadEndAndLetsItReach30PastAJunction) {
  // Side 2 of a 500-long street runs from A along +x, the candidates 40 wide and sliding by 50
  // from 30 on past water west of x 1500, so the last ones stand at shifts 430 and 480.
  struct Case {
    const char* what;
    float x0;
    bool junction;
    float frontage;  // 0: nothing is built
  };
  for (const Case& c : {Case{"dead end, the last place that keeps 30 short", 1075.0f, false, 470.0f},
                        Case{"dead end, the next place would reach past", 1050.0f, false, 0.0f},
                        Case{"junction, 20 past the end", 1050.0f, true, 520.0f}}) {
    SCOPED_TRACE(c.what);
    ArrayerReset();
    ResetPlaceBuilding(*p);
    std::memset(GroundMap, kLand, sizeof(GroundMap));
    Type(kHouse, 40.0f, 30.0f);
    Water(5, 14, 45, 55);
    const TVector a{c.x0, 0, 5000}, b{c.x0 + 500.0f, 0, 5000}, next{c.x0 + 1000.0f, 0, 5000};
    uint32_t way = 0;
    if (c.junction) {
      const uint32_t ca = Connect(a), cb = Connect(b), cn = Connect(next);
      way = Finish(sample_world::WayBetween(ca, cb, kHalf, 0), 2, a, b);
      Finish(sample_world::WayBetween(cb, cn, kHalf, 0), 0, b, next);
    } else {
      way = Street(a, b, 2);
    }
    Run(120);
    const std::vector<TBuilding> built = Buildings();
    if (c.frontage == 0.0f) {
      EXPECT_TRUE(built.empty());
      continue;
    }
    ASSERT_EQ(built.size(), 1u);
    EXPECT_EQ(+built[0].Way, way);
    EXPECT_FLOAT_EQ(+built[0].Frontage, c.frontage);
  }
}

TEST_F(TownPlacement, TheCandidateSlidesPastWaterAlongAPlainSideButNotOnACrossingCorner) {
  for (const bool corner : {false, true}) {
    ArrayerReset();
    ResetPlaceBuilding(*p);
    world_hooks::InstallDefaults();
    Type(kHouse, 40.0f, 30.0f);
    // Side 1 runs from B toward A along -x at z = 5040; water under its first 100 units.
    const TVector a{1000, 0, 5000}, b{1500, 0, 5000};
    Water(14, 15, 50, 51);
    const uint32_t way = Street(a, b, 1, corner ? kWaytypeTCrossing : kWaytypeStreet);
    if (corner) CrossingArm(way, {1600, 0, 5000}, {1600, 0, 5500});
    std::set<float> shifts;
    Run(80, [&](const TPPPlacebuilding& r) {
      if (r.Way == way && r.Side == 1 && (r.Step == 5 || r.Step == 6)) shifts.insert(+r.Shift);
    });
    const std::vector<TBuilding> built = Buildings();
    if (corner) {
      EXPECT_TRUE(built.empty());
      EXPECT_LE(shifts.size(), 1u);
    } else {
      ASSERT_EQ(built.size(), 1u);
      EXPECT_FLOAT_EQ(+built[0].Frontage, 170.0f);  // 30, 80, then land at 130
    }
  }
}

TEST_F(TownPlacement, TheWayGoingOnRoundACrossingCornerPushesTheCandidateOn) {
  Type(kHouse, 40.0f, 30.0f);
  // Side 1 of the arm runs from (1500, 5040) along -x; the first candidate stands at x 1430..1470,
  // z 5040..5070, where the next arm (x 1410..1490 from z 5045 on) lies.
  const uint32_t way = Street({1000, 0, 5000}, {1500, 0, 5000}, 1, kWaytypeTCrossing);
  CrossingArm(way, {1450, 0, 5045}, {1450, 0, 5300});
  std::vector<std::string> texts;
  int corners = 0;
  Run(80, [&](const TPPPlacebuilding& r) {
    texts.push_back(ProcessStatus[1].str());
    if (r.Way == way && r.Alignment == 2) ++corners;
  });
  EXPECT_GT(corners, 0);
  EXPECT_THAT(texts, ::testing::Contains("Collision (adjacent way)"));
  const std::vector<TBuilding> built = Buildings();
  ASSERT_EQ(built.size(), 1u);
  EXPECT_GE(+built[0].Frontage, 90.0f + 40.0f);  // past x 1410
  EXPECT_LT(+built[0].Frontage, 90.0f + 40.0f + 1.0f);
}

TEST_F(TownPlacement, ABuildingInFrontOnTheSameSideMakesTheCandidateStartAfterItsFarEnd) {
  Type(kHouse, 40.0f, 30.0f);
  const TVector a{1000, 0, 5000}, b{1500, 0, 5000};
  const uint32_t way = Street(a, b, 2);
  // A building of the street on side 2, its front from 10 to 190 along the side, its far end 200.
  sample_world::SetHouseType(9, 10.0f, 0.0f, 10.0f);
  TBuilding old{};
  old.A_Read(sample_world::PlaceHouse(9, {1100, 0, 4900}));
  const TVector c[4] = {{1010, 0, 4960}, {1190, 0, 4960}, {1190, 0, 4900}, {1010, 0, 4900}};
  for (int k = 0; k < 4; ++k) old.Corners[k] = c[k];
  old.Way = way;
  old.Side = 2;
  old.Frontage = 200.0f;
  old.A_Overwrite();
  std::set<std::string> texts;
  Run(80, [&](const TPPPlacebuilding&) { texts.insert(ProcessStatus[1].str()); });
  const std::vector<TBuilding> built = Buildings();
  ASSERT_EQ(built.size(), 2u);
  EXPECT_FLOAT_EQ(+built[1].Frontage, 240.0f);
  EXPECT_EQ(texts.count("Collision (Building At Way)"), 1u);
}

TEST_F(TownPlacement, EachTypeGetsItsFrontEdgesInATypeOrderFixedByTheTick) {
  for (const uint32_t tick : {1000u, 7777u, 123457u}) {
    ArrayerReset();
    ResetPlaceBuilding(*p);
    GameTime = tick;
    // Nothing fits: water everywhere; three types with two front edges each.
    std::memset(GroundMap, 0, sizeof(GroundMap));
    const uint16_t types[] = {3, 5, 8};
    for (uint16_t t : types) Type(t, 40.0f, 30.0f, {1, 3});
    const uint32_t way = Street({1000, 0, 5000}, {1500, 0, 5000}, 2);
    std::vector<std::pair<uint16_t, uint8_t>> seen;
    bool left = false;  // the process has gone on from the street
    Run(200, [&](const TPPPlacebuilding& r) {
      if (!seen.empty() && r.Step == 0) left = true;
      if (left || r.Way != way || r.Side != 2 || r.Step < 4) return;
      const std::pair<uint16_t, uint8_t> attempt{+r.BuildingType, +r.FrontCorner};
      if (seen.empty() || seen.back() != attempt) seen.push_back(attempt);
    });
    std::vector<uint16_t> candidates(std::begin(types), std::end(types));
    std::vector<std::pair<uint16_t, uint8_t>> expected;
    while (!candidates.empty()) {
      const int i = HashRandom(static_cast<int32_t>(tick), static_cast<int32_t>(candidates.size()));
      expected.push_back({candidates[i], 1});
      expected.push_back({candidates[i], 3});
      candidates.erase(candidates.begin() + i);
    }
    EXPECT_EQ(seen, expected) << tick;
    EXPECT_TRUE(Buildings().empty());
  }
}

TEST_F(TownPlacement, DeletingTheStreetDuringAnAttemptRestartsTheSearchFromTheFirstWay) {
  std::memset(GroundMap, 0, sizeof(GroundMap));  // the attempts go on sliding
  Type(kHouse, 40.0f, 30.0f);
  const uint32_t first = Street({1000, 0, 3000}, {1500, 0, 3000}, 2);
  const uint32_t way = Street({1000, 0, 5000}, {1500, 0, 5000}, 2);
  const uint32_t other = Street({3000, 0, 5000}, {3500, 0, 5000}, 0);
  for (int k = 0; k < 40 && !(p->Way == way && p->Step == 5); ++k) PP_Placebuilding(*p);
  ASSERT_EQ(+p->Way, way);
  ASSERT_EQ(+p->Step, 5);
  // Another way does not concern the attempt.
  PP_StreetDeleted(*p, other);
  EXPECT_FALSE(+p->Failed);
  EXPECT_NE(ProcessStatus[1].str(), "The street has disappeared...");
  TDestroyResult r{};
  TWay::DestroyByIndex(way, kDestroyForced, r);
  ASSERT_TRUE(r.Has(kDestroyOk));
  PP_StreetDeleted(*p, way);
  EXPECT_EQ(ProcessStatus[1].str(), "The street has disappeared...");
  EXPECT_TRUE(+p->Ended);
  EXPECT_TRUE(+p->Failed);
  PP_Placebuilding(*p);
  EXPECT_EQ(ProcessStatus[1].str(), "Resetted");
  EXPECT_EQ(+p->Way, 0u);
  EXPECT_EQ(+p->Step, 0);
  PP_Placebuilding(*p);
  EXPECT_EQ(+p->Way, first);
}

TEST_F(TownPlacement, TheStreetsNeighboursAtItsConnectsAlsoEndTheAttempt) {
  std::memset(GroundMap, 0, sizeof(GroundMap));
  Type(kHouse, 40.0f, 30.0f);
  const TVector a{1000, 0, 5000}, b{1500, 0, 5000}, c{2000, 0, 5000};
  const uint32_t ca = Connect(a), cb = Connect(b), cc = Connect(c);
  const uint32_t way = Finish(sample_world::WayBetween(ca, cb, kHalf, 0), 2, a, b);
  const uint32_t next = Finish(sample_world::WayBetween(cb, cc, kHalf, 0), 0, b, c);
  for (int k = 0; k < 40 && !(p->Way == way && p->Step >= 4); ++k) PP_Placebuilding(*p);
  ASSERT_EQ(+p->Way, way);
  PP_StreetDeleted(*p, next);
  EXPECT_EQ(ProcessStatus[1].str(), "The street has disappeared...");
  EXPECT_TRUE(+p->Failed);
  // The street itself is still there: the process goes on with it.
  PP_Placebuilding(*p);
  EXPECT_EQ(+p->Way, way);
}

TEST_F(TownPlacement, RefusedSpotsAreToldOnTheStatusLine) {
  const struct {
    const char* Text;
    std::function<void()> Ground;
    uint8_t Location;
  } cases[] = {
      {"Not in Water!", [] { std::memset(GroundMap, 0, sizeof(GroundMap)); }, kLocationCentral},
      {"Too steep ground", [] { std::memset(HeightMap, 0x7F, sizeof(HeightMap)); }, kLocationCentral},
      {"No ocean for coastal house", [] {}, kLocationCoast},
  };
  for (const auto& c : cases) {
    ArrayerReset();
    ResetPlaceBuilding(*p);
    std::memset(GroundMap, kLand, sizeof(GroundMap));
    std::memset(HeightMap, 0, sizeof(HeightMap));
    c.Ground();
    // The street lies in the town's ring, where any location may stand.
    Cities[1].Position = {1250.0f, 0.0f, 10000.0f};
    Cities[1].Radius = 10000;
    Type(kHouse, 40.0f, 30.0f, {1}, c.Location);
    Street({1000, 0, 5000}, {1500, 0, 5000}, 2);
    std::set<std::string> texts;
    Run(60, [&](const TPPPlacebuilding&) { texts.insert(ProcessStatus[1].str()); });
    EXPECT_EQ(texts.count(c.Text), 1u) << c.Text;
    EXPECT_TRUE(Buildings().empty()) << c.Text;
  }
  std::memset(HeightMap, 0, sizeof(HeightMap));
}

TEST_F(TownPlacement, AStreetAtTheMapsEdgeGivesUpTheWholeSide) {
  Type(kHouse, 40.0f, 30.0f);
  // Side 2 lies at z = 0 - 40: every candidate stands off the map.
  Street({1000, 0, 0}, {1500, 0, 0}, 2);
  std::set<std::string> texts;
  std::set<float> shifts;
  Run(30, [&](const TPPPlacebuilding& r) {
    texts.insert(ProcessStatus[1].str());
    if (r.Step == 5) shifts.insert(+r.Shift);
  });
  EXPECT_EQ(texts.count("Building out of Map!!"), 1u);
  EXPECT_LE(shifts.size(), 1u);  // never slides
  EXPECT_TRUE(Buildings().empty());
}

TEST_F(TownPlacement, CollisionsWithOtherWaysAndBuildingsMoveTheCandidateOn) {
  // The candidate first stands at 30..70 along side 2 (x 1030..1070), its body at z 4930..4960.
  const struct {
    const char* Text;
    bool Way;  // else a building of no street
  } cases[] = {{"Collision (some way)", true}, {"Collision (building, not front)", false}};
  for (const auto& c : cases) {
    ArrayerReset();
    ResetPlaceBuilding(*p);
    Type(kHouse, 40.0f, 30.0f);
    const uint32_t way = Street({1000, 0, 5000}, {1500, 0, 5000}, 2);
    float obstacleEnd = 0.0f;  // along the side
    if (c.Way) {
      Street({1060, 0, 4800}, {1060, 0, 4955}, 0);  // x 1020..1100, not joined to the street
      obstacleEnd = 100.0f;
    } else {
      sample_world::SetHouseType(9, 20.0f, 0.0f, 10.0f);
      sample_world::PlaceHouse(9, {1070, 0, 4930});  // x 1050..1090
      obstacleEnd = 90.0f;
    }
    std::vector<std::string> texts;
    Run(120, [&](const TPPPlacebuilding&) { texts.push_back(ProcessStatus[1].str()); });
    EXPECT_THAT(texts, ::testing::Contains(c.Text)) << c.Text;
    std::vector<TBuilding> built = Buildings();
    ASSERT_FALSE(built.empty()) << c.Text;
    const TBuilding house = built.back();
    EXPECT_EQ(+house.Way, way);
    EXPECT_GE(+house.Frontage, obstacleEnd + 40.0f) << c.Text;
    EXPECT_LT(+house.Frontage, obstacleEnd + 40.0f + 1.0f) << c.Text;
    if (!c.Way) {
      TVector mine[4], theirs[4];
      GetBuildingCorners(house, mine);
      GetBuildingCorners(built[0], theirs);
      EXPECT_FALSE(QuadsOverlap(mine, theirs));
    }
  }
}

TEST_F(TownPlacement, AFrontCollisionPastTheSideEndLeavesTheSideNoRoom) {
  Type(kHouse, 40.0f, 30.0f);
  const uint32_t way = Street({1000, 0, 5000}, {1500, 0, 5000}, 2);
  // The whole of side 2 is taken by a building of the street.
  sample_world::SetHouseType(9, 10.0f, 0.0f, 10.0f);
  TBuilding old{};
  old.A_Read(sample_world::PlaceHouse(9, {1250, 0, 4900}));
  const TVector c[4] = {{960, 0, 4960}, {1540, 0, 4960}, {1540, 0, 4900}, {960, 0, 4900}};
  for (int k = 0; k < 4; ++k) old.Corners[k] = c[k];
  old.Way = way;
  old.Side = 2;
  old.Frontage = 600.0f;
  old.A_Overwrite();
  Run(60);
  EXPECT_EQ(Buildings().size(), 1u);
  TWay w{};
  w.A_Read(way);
  EXPECT_FLOAT_EQ(+w.SideLengths[1], 39.0f);  // the front width less one
}

TEST_F(TownPlacement, TypesSuitAStreetByTownSizeZoneAndStreetClass) {
  Type(kHouse, 40.0f, 30.0f);
  const uint32_t index = Street({1000, 0, 5000}, {1500, 0, 5000}, 2);
  TWay way{};
  way.A_Read(index);
  const bool lucky = HashRandom(static_cast<int32_t>(index), 100) >= 80;  // one street in five
  const struct {
    const char* Name;
    float Distance;  // of the town from the street, the radius 1000
    uint8_t StreetClass, Kind, Wealth, Location;
    int32_t Capacity, TownSize, MinSize, MaxSize;
    bool Suits;
  } cases[] = {
      {"centre needs central", 100, 0, 0, 0, 0, 40, 0, 0, 0, true},
      {"centre refuses peripheral", 100, 0, 0, 0, 1, 40, 0, 0, 0, false},
      {"outside refuses all", 2000, 0, 0, 0, 3, 40, 0, 0, 0, false},
      {"ring, class 0: any", 500, 0, 1, 0, 2, 40, 0, 0, 0, true},
      {"ring, class 1: pseudo-industry", 500, 1, kBuildingKindSpecialTown, 0, 3, 0, 0, 0, 0, true},
      {"ring, class 1: students at the edge", 500, 1, 0, 4, 1, 40, 0, 0, 0, true},
      {"ring, class 1: other house", 500, 1, 0, 0, 1, 40, 0, 0, 0, false},
      {"ring, class 2: small", 500, 2, 0, 0, 1, 50, 0, 0, 0, true},
      {"ring, class 2: too big", 500, 2, 0, 0, 1, 51, 0, 0, 0, false},
      {"ring, class 2: students", 500, 2, 0, 4, 1, 20, 0, 0, 0, false},
      {"ring, class 2: no house", 500, 2, 5, 0, 1, 20, 0, 0, 0, false},
      {"ring, class 3: middle", 500, 3, 0, 1, 1, 150, 0, 0, 0, true},
      {"ring, class 3: not peripheral", 500, 3, 0, 1, 0, 100, 0, 0, 0, false},
      {"ring, class 4: big", 500, 4, 0, 3, 1, 150, 0, 0, 0, true},
      {"ring, class 4: small", 500, 4, 0, 3, 1, 149, 0, 0, 0, false},
      {"ring, class 5: students", 500, 5, 0, 4, 0, 10, 0, 0, 0, true},
      {"ring, class 5: poor", 500, 5, 0, 0, 0, 10, 0, 0, 0, false},
      {"ring, class 0x82: the house rule reads all eight bits", 500, 0x82, 0, 4, 1, 10, 0, 0, 0, true},
      {"ring, class 0x82: its low bits still ask for small", 500, 0x82, 0, 4, 1, 60, 0, 0, 0, false},
      {"ring, class 0x85", 500, 0x85, 0, 4, 0, 10, 0, 0, 0, true},
      {"town too big", 100, 0, 0, 0, 0, 40, 500, 0, 100, lucky},
      {"town too small", 100, 0, 0, 0, 0, 40, 0, 200, 1000, lucky},
  };
  for (const auto& c : cases) {
    TBuildingType& t = BuildingTypes[kHouse];
    SetBuildingTypeUse(t, c.Kind);
    SetBuildingTypeClass(t, c.Wealth);
    SetBuildingTypeTown(t, {c.Capacity, 1900, 2100, kBuildingEraAny});
    TBuildingTypePlacement placement = BuildingTypePlacement(t);
    placement.Location = c.Location;
    placement.MinTownSize = c.MinSize;
    placement.MaxTownSize = c.MaxSize;
    SetBuildingTypePlacement(t, placement);
    Cities[1].Radius = 1000;
    Cities[1].Position = {way.Position.x, 0.0f, way.Position.z + c.Distance};
    Cities[1].Size = c.TownSize;
    Cities[1].BaseSize = c.TownSize;
    WayStreetClass(way) = c.StreetClass;
    EXPECT_EQ(TypeSuitsStreet(kHouse, way), c.Suits) << c.Name;
  }
}

TEST_F(TownPlacement, AOnePerMapTypeStandsOnceUnlessBuildingIsFree) {
  Type(kHouse, 40.0f, 30.0f);
  TBuildingTypePlacement placement = BuildingTypePlacement(BuildingTypes[kHouse]);
  placement.OnePerMap = 1;
  SetBuildingTypePlacement(BuildingTypes[kHouse], placement);
  const uint32_t index = Street({1000, 0, 5000}, {1500, 0, 5000}, 2);
  TWay way{};
  way.A_Read(index);
  EXPECT_TRUE(TypeSuitsStreet(kHouse, way));
  sample_world::PlaceHouse(kHouse, {3000, 0, 3000});
  EXPECT_FALSE(TypeSuitsStreet(kHouse, way));
  FreeBuildMode = 1;
  EXPECT_TRUE(TypeSuitsStreet(kHouse, way));
  FreeBuildMode = 0;
}

TEST_F(TownPlacement, AStepItDoesNotKnowOrAnUndefinedAlignmentStopsTheProgram) {
  Type(kHouse, 40.0f, 30.0f);
  Street({1000, 0, 5000}, {1500, 0, 5000}, 2);
  std::memset(GroundMap, 0, sizeof(GroundMap));
  for (int k = 0; k < 10 && p->Step < 5; ++k) PP_Placebuilding(*p);
  ASSERT_GE(+p->Step, 5);
  p->Step = 4;
  p->Alignment = 4;
  EXPECT_THAT(FatalOf([this] { PP_Placebuilding(*p); }),
              HasSubstr("Error in StreetSideOK: streetalignment undefined!"));
  for (uint8_t step : {8, 99, 255}) {
    p->Step = step;
    EXPECT_THAT(FatalOf([this] { PP_Placebuilding(*p); }), HasSubstr("Invalid instruction pointer in PP_Placebuilding"))
        << int(step);
    EXPECT_EQ(ProcessStatus[1].str(), "Invalid instruction pointer in PP_Placebuilding");
  }
}

TEST_F(TownPlacement, AStreetWithMoreBuildingsThanTheListHoldsStillKeepsThemApart) {
  Type(kHouse, 20.0f, 20.0f);
  const uint32_t way = Street({1000, 0, 5000}, {4000, 0, 5000}, 2);
  // 35 buildings of the street on side 2, 40 apart from 30 on, each 20 wide: room only at the end.
  sample_world::SetHouseType(9, 10.0f, 0.0f, 10.0f);
  for (int k = 0; k < 35; ++k) {
    const float from = 1030.0f + 40.0f * static_cast<float>(k);
    TBuilding b{};
    b.A_Read(sample_world::PlaceHouse(9, {from + 10.0f, 0, 4950}));
    const TVector c[4] = {{from, 0, 4960}, {from + 30.0f, 0, 4960}, {from + 30.0f, 0, 4940}, {from, 0, 4940}};
    for (int i = 0; i < 4; ++i) b.Corners[i] = c[i];
    b.Way = way;
    b.Side = 2;
    b.Frontage = from + 30.0f - 1000.0f;
    b.A_Overwrite();
  }
  std::set<std::string> texts;
  Run(400, [&](const TPPPlacebuilding&) { texts.insert(ProcessStatus[1].str()); });
  // Those beyond the list are met by the scan of nearby buildings, as buildings of this side.
  EXPECT_EQ(texts.count("Collision (building, front)"), 1u);
  const std::vector<TBuilding> built = Buildings();
  ASSERT_EQ(built.size(), 36u);
  EXPECT_EQ(+p->StreetBuildingCount, kPlacementStreetBuildings);
  const TBuilding house = built.back();
  EXPECT_GE(+house.Frontage, 34 * 40.0f + 30.0f + 30.0f + 20.0f);  // after the last one's far end
  TVector mine[4], theirs[4];
  GetBuildingCorners(house, mine);
  for (size_t k = 0; k + 1 < built.size(); ++k) {
    GetBuildingCorners(built[k], theirs);
    EXPECT_FALSE(QuadsOverlap(mine, theirs)) << k;
  }
}

TEST_F(TownPlacement, TheRecordIsAPartOfTheWorldState) {
  Type(kHouse, 40.0f, 30.0f);
  Street({1000, 0, 5000}, {1500, 0, 5000}, 2);
  const uint64_t before = WorldStateHash();
  PP_Placebuilding(PlaceBuildingProcess);
  EXPECT_NE(WorldStateHash(), before);
  ASSERT_TRUE(ResetSimulationWorld());
  EXPECT_EQ(+PlaceBuildingProcess.Way, 0u);
  EXPECT_EQ(+PlaceBuildingProcess.Ended, 1);
  EXPECT_EQ(ProcessStatus[1].str(), "Resetted");
}

}  // namespace
