// Ships: the speed ramp, floating at rest, taking a schedule and the launch down a slipway.
#include "network/world/ships.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"

namespace {

constexpr uint16_t kCoastType = 3;

class Ships : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    ResetWorldState();
    ArrayerTest::SetUp();
    // One speed step is 0.25.
    ShipTypes[1] = TShipType{0, 2.0f, 0.5f, 4.0f, 40.0f, 30.0f, 0.0f, 20.0f};
  }

  static TShip Ship(uint8_t state, float x, float y, float z, float gier = 0.0f) {
    TShip s{};
    s.ShipType = 1;
    s.State = state;
    s.Placement = TPlacement{x, y, z, 0.0f, gier, 0.0f};
    return s;
  }
  static uint32_t Store(TShip s) {
    RecordWrite(kTShipDesc, &s);
    return s.Index;
  }
  static TShip Read(uint32_t index) {
    TShip s{};
    s.A_Read(index);
    return s;
  }
  static uint32_t Schedule(uint8_t state, uint32_t firstStation) {
    TSchedule s{};
    s.State = state;
    s.ScheduleStationCounter = 1;
    s.Stops[0].Station = firstStation;
    RecordWrite(kTScheduleDesc, &s);
    return s.Index;
  }
};

TEST_F(Ships, TheSpeedRampStepsTowardTheTargetWithinTheMaximum) {
  struct Case {
    float speed, target, expected;
  };
  const Case cases[] = {
      {0.5f, 0.6f, 0.5f},     // below by less than a step: up and down again
      {0.75f, 0.6f, 0.5f},    // above by less than a step: drops below
      {0.0f, 1.0f, 0.25f},    // one step up
      {1.0f, 0.0f, 0.75f},    // one step down
      {0.0f, 5.0f, 0.25f},    // the target is cut to the maximum speed
      {2.0f, 5.0f, 2.0f},     // at the maximum it stays
      {-0.25f, -9.0f, -0.5f}, // astern toward minus the maximum
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.speed << " -> " << c.target);
    TShip s = Ship(0, 1000.0f, 0.0f, 1000.0f);
    s.Speed = c.speed;
    ShipStep(s, c.target);
    const TPlacement p = s.Placement;
    EXPECT_EQ(float{s.Speed}, c.expected);
    // Heading 0 runs toward -z.
    EXPECT_FLOAT_EQ(p.Z, 1000.0f - c.expected);
    EXPECT_FLOAT_EQ(p.X, 1000.0f);
  }
  // Heading 90 degrees runs toward -x.
  TShip s = Ship(0, 1000.0f, 0.0f, 1000.0f, 90.0f);
  ShipStep(s, 1.0f);
  const TPlacement p = s.Placement;
  EXPECT_NEAR(p.X, 999.75f, 1e-4);
  EXPECT_NEAR(p.Z, 1000.0f, 1e-4);
}

TEST_F(Ships, ATypeWithoutAStepTakesTheTargetAtOnceAndAnUnknownTypeStandsStill) {
  ShipTypes[2] = TShipType{0, 2.0f, 0.5f, 0.0f, 40.0f, 30.0f, 0.0f, 20.0f};
  TShip s = Ship(0, 1000.0f, 0.0f, 1000.0f);
  s.ShipType = 2;
  ShipStep(s, 1.5f);
  EXPECT_EQ(float{s.Speed}, 1.5f);
  EXPECT_EQ(float{s.Placement.Z}, 998.5f);

  for (uint16_t type : {uint16_t{0}, uint16_t{700}}) {
    TShip u = Ship(0, 1000.0f, 0.0f, 1000.0f);
    u.ShipType = type;
    u.Speed = 3.0f;
    ShipStep(u, 1.0f);
    ShipFloat(u);
    const TPlacement p = u.Placement;
    EXPECT_EQ(float{u.Speed}, 0.0f) << type;
    EXPECT_EQ(p.Z, 1000.0f);
    EXPECT_TRUE(std::isfinite(p.Y) && std::isfinite(p.Nick));
  }
}

// What the speed ramp divides by is refused when the ship types are set; the row keeps what it held.
TEST_F(Ships, AShipTypeWithoutAUsableAccelerationDivisorIsRefusedWhenSet) {
  testing_support::Warnings().clear();
  const TShipType held = ShipTypes[1];
  struct Case {
    float divisor;
    bool taken;
  };
  for (const Case c : {Case{0.0f, false}, Case{-2.0f, false}, Case{std::nanf(""), false},
                       Case{INFINITY, false}, Case{0.5f, true}}) {
    SCOPED_TRACE(c.divisor);
    TShipType t = held;
    t.AccelerationDivisor = c.divisor;
    t.MaxSpeed = 7.0f;
    EXPECT_EQ(SetShipType(1, t), c.taken);
    EXPECT_EQ(ShipTypes[1].MaxSpeed == 7.0f, c.taken);
  }
  TShip s = Ship(0, 1000.0f, 0.0f, 1000.0f);
  ShipStep(s, 5.0f);
  EXPECT_EQ(float{s.Speed}, 2.0f);  // one step of 1 / 0.5
  EXPECT_FALSE(SetShipType(0, held));
  EXPECT_FALSE(SetShipType(256, held));
  const std::string refused = "Ship type 1: acceleration divisor must be above 0";
  EXPECT_EQ(testing_support::Warnings(), (std::vector<std::string>{refused, refused, refused, refused,
                                                                    "Ship type 0: no such row",
                                                                    "Ship type 256: no such row"}));
}

TEST_F(Ships, AShipAtRestEasesTowardTheWaterAndLevelsOut) {
  for (int x = 0; x < 40; ++x)
    for (int z = 0; z < 40; ++z) HeightMap[x][z] = 10;
  TShip s = Ship(0, 2000.0f, 0.0f, 2000.0f);
  s.Placement.Nick = 10.0f;
  ShipFloat(s);
  // Half of the pitch is taken back (smoothing 0.5), half of the way to the bow's height.
  EXPECT_NEAR(float{s.Placement.Nick}, 5.0f, 1e-4);
  const double pitch = 5.0 * kShipDegToRad;
  EXPECT_NEAR(float{s.Placement.Y}, 0.5 * (10.0 + std::sin(pitch) * 20.0), 1e-4);

  // Off the map the heights read 0.
  TShip off = Ship(0, -5000.0f, 8.0f, 200000.0f);
  ShipFloat(off);
  EXPECT_FLOAT_EQ(float{off.Placement.Y}, 4.0f);
}

TEST_F(Ships, AnAfloatShipTakesItsScheduleOnceItIsCalculated) {
  const uint32_t calculated = Schedule(1, 77), pending = Schedule(0, 78);
  struct Case {
    uint32_t schedule;
    uint8_t taken;
    bool takes;
  };
  for (const Case& c : {Case{calculated, 0, true}, Case{pending, 0, false}, Case{calculated, 1, false},
                        Case{9999, 0, false}, Case{0, 0, false}}) {
    SCOPED_TRACE(testing::Message() << c.schedule << " taken " << int(c.taken));
    TShip s = Ship(0, 1000.0f, 0.0f, 1000.0f);
    s.Schedule = c.schedule;
    s.ScheduleTaken = c.taken;
    s.Speed = 1.0f;
    const uint32_t index = Store(s);
    MoveShip(index);
    const TShip r = Read(index);
    EXPECT_EQ(int{r.State}, c.takes ? kShipOnSchedule : kShipAfloat);
    EXPECT_EQ(uint32_t{r.FirstStation}, c.takes ? 77u : 0u);
    EXPECT_EQ(int{r.ScheduleTaken}, c.takes || c.taken ? 1 : 0);
    // Afloat in this tick as well: it slows down and moves on.
    EXPECT_EQ(float{r.Speed}, 0.75f);
    EXPECT_FLOAT_EQ(float{r.Placement.Z}, 999.25f);
  }
}

TEST_F(Ships, AShipOnItsScheduleAndRecordsThatAreNoShipsAreLeftAlone) {
  TShip s = Ship(kShipOnSchedule, 1000.0f, 3.0f, 1000.0f);
  s.Speed = 1.0f;
  s.Index = Store(s);
  MoveShip(s.Index);
  const TShip r = Read(s.Index);
  EXPECT_EQ(std::memcmp(&r, &s, sizeof(TShip)), 0);
  MoveShip(0);
  MoveShip(s.Index + 50);
}

class Launch : public Ships {
 protected:
  void SetUp() override {
    Ships::SetUp();
    SpecialBuildingTypes[6] = kCoastType;
    // The slipway falls from its land end (point 2) to its water end (point 1) at the origin.
    SetBuildingTypeReferencePoint(BuildingTypes[kCoastType], 1, {0.0f, 0.0f, 0.0f});
    SetBuildingTypeReferencePoint(BuildingTypes[kCoastType], 2, {0.0f, 50.0f, 400.0f});
    TBuilding b{};
    b.Init(kCoastType, 1);
    b.Position = {5000.0f, 0.0f, 5000.0f};
    b.A_Write();
    yard = b.Index;
  }
  uint32_t yard = 0;
};

TEST_F(Launch, ALaunchingShipFloatsInTheTickItsBowWouldSinkBelowTheWaterEnd) {
  TShip s = Ship(kShipLaunching, 5000.0f, 40.0f, 5300.0f);
  s.SlipwayBuilding = yard;
  const uint32_t index = Store(s);
  const double sinIncline = std::sin(std::atan2(-50.0, 400.0));
  bool floated = false;
  for (int tick = 0; tick < 2000 && !floated; ++tick) {
    MoveShip(index);
    const TShip r = Read(index);
    EXPECT_NEAR(float{r.Placement.Gier}, 180.0f, 1e-3);
    // The bow, a whole front length toward the land end, on the slipway's slope.
    const double bowZ = r.Placement.Z + 40.0;
    const double yb = 50.0 + sinIncline * (5400.0 - bowZ);
    floated = r.State == kShipAfloat;
    if (yb > 0.01) {
      ASSERT_FALSE(floated) << "tick " << tick;
    }
    if (yb < -0.01) {
      ASSERT_TRUE(floated) << "tick " << tick;
    }
    if (!floated) {
      EXPECT_LT(float{r.Speed}, 0.0f);  // astern
    }
  }
  ASSERT_TRUE(floated);
  // From then on it floats: the next tick slows it toward rest.
  const float speed = Read(index).Speed;
  MoveShip(index);
  EXPECT_EQ(int{Read(index).State}, kShipAfloat);
  EXPECT_EQ(float{Read(index).Speed}, speed + 0.25f);
}

TEST_F(Launch, AShipWhoseSlipwayIsGoneOrHasNoLengthFloatsWhereItIs) {
  TBuilding flat{};
  flat.Init(kCoastType + 1, 1);  // a type without points
  flat.A_Write();
  for (uint32_t slipway : {uint32_t{0}, yard + 100, flat.Index}) {
    TShip s = Ship(kShipLaunching, 5000.0f, 40.0f, 5300.0f);
    s.SlipwayBuilding = slipway;
    const uint32_t index = Store(s);
    MoveShip(index);
    const TShip r = Read(index);
    EXPECT_EQ(int{r.State}, kShipAfloat) << slipway;
    EXPECT_EQ(float{r.Placement.Z}, 5300.0f);
    EXPECT_EQ(float{r.Placement.Y}, 40.0f);
  }
}

}  // namespace
