// The plane: a whole flight from gate to gate, the switch and the parked state, the take-off roll,
// the cruise that starts close to its destination, circling without an airport slot, go-arounds for
// a bad touch-down or a landing roll that cannot stop, the slot search, the runway's orientation,
// the ground height, and planes, airports and route entries that cannot be flown with.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/engine/store/store_fixture.h"
#include "tests/network/world/plane_fixture.h"

namespace {
using namespace plane_testing;

constexpr float kAngle = 1e-5f;

class Planes : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    ResetWorldState();
    ArrayerTest::SetUp();
    ResetPlanes();
  }
  void TearDown() override {
    ResetPlanes();
    ResetWorldState();
    ArrayerTest::TearDown();
  }

  static bool Same(const TPlane& a, const TPlane& b) { return std::memcmp(&a, &b, sizeof(TPlane)) == 0; }
  static bool Warned(const std::string& part) {
    const std::vector<std::string>& w = testing_support::Warnings();
    return std::any_of(w.begin(), w.end(), [&](const std::string& s) { return s.find(part) != std::string::npos; });
  }

  // Airport 2's runway: the landing end E (type node 1) and the start S (type node 2), turned by 90
  // degrees: the approach runs along +z toward E.
  static TVector E() { return World(kAirport2, kNode1, 90.0f); }
  static TVector S() { return World(kAirport2, kNode2, 90.0f); }

  // A plane of the sample type in state 8 on the final approach to airport 2, D short of E, at
  // Height above the runway with the climb angle, landing point passed when Passed.
  static void LandingPlane(float d, float height, float climb, float speed, bool passed) {
    SetUpAirWorld();
    TPlane p = Plane;
    p.State = kPlaneLanding;
    p.Position = {E().x, 0.0f, E().z - d};
    p.Heading = {0.0f, 0.0f, 1.0f};
    p.Altitude = E().y + height;
    p.ClimbAngle = climb;
    p.Speed = speed;
    p.TargetAltitude = 0.0f;
    p.LandingPoint = E();
    p.RunwayStart = S();
    TPlaneNav n{};
    n.LandingPoint = E();
    n.DestEntry = 2;
    n.TurnRate = 0.01f;
    n.TurnRadius = 100.0f;
    n.SubState = 8;
    n.SlotFound = 1;
    n.LastDistance = passed ? d - 1.0f : 1.0e6f;
    p.Nav = n;
    Plane = p;
  }

  // The go-around set up a new approach to the same runway: the final approach point lies out on
  // the runway's line behind its start.
  static void ExpectNewApproachToTheSameRunway() {
    const TPlane p = Plane;
    const TPlaneNav n = p.Nav;
    EXPECT_EQ(Val(p.State), kPlaneCruise);
    EXPECT_EQ(Val(p.TargetAltitude), 900.0f);
    EXPECT_EQ(Val(p.LandingPoint.z), Val(E().z));
    EXPECT_EQ(Val(p.RunwayStart.z), Val(S().z));
    EXPECT_EQ(Val(n.LandingPoint.z), Val(E().z));
    const float out = 900.0f / std::sin(0.2f) + 1.5f * 1200.0f;
    EXPECT_NEAR(Val(n.TargetPoint.x), Val(S().x), 1e-2);
    EXPECT_NEAR(Val(n.TargetPoint.z), Val(S().z) - out, 1e-1);
    EXPECT_NEAR(Val(n.FarPoint.z), Val(S().z) - 300000.0f, 1.0);
  }
};

// The states a flight passes through, each once, in order.
// MaxBank: the largest bank angle met.
std::vector<uint8_t> Fly(int ticks, bool& inRange, float* maxBank = nullptr) {
  std::vector<uint8_t> states;
  inRange = true;
  for (int t = 0; t < ticks && PlaneActive != 0; ++t) {
    MovePlanes();
    const TPlane p = Plane;
    inRange = inRange && PlaneInRange(p);
    if (maxBank) *maxBank = std::max(*maxBank, std::fabs(p.BankAngle));
    if (states.empty() || states.back() != p.State) states.push_back(p.State);
    if (p.State == kPlaneParked) break;
  }
  return states;
}

TEST_F(Planes, AFlightTaxisTakesOffCruisesLandsAndParksAtTheDestinationsGate) {
  SetUpAirWorld();
  bool inRange = false;
  float maxBank = 0.0f;
  const std::vector<uint8_t> states = Fly(20000, inRange, &maxBank);
  EXPECT_TRUE(inRange);
  // It banks in its turns, never much beyond 30 degrees.
  EXPECT_GT(maxBank, 0.01f);
  EXPECT_LT(maxBank, 0.5236f + 0.001f);
  EXPECT_EQ(states, (std::vector<uint8_t>{2, 3, 6, 7, 8, 4, 5, 0}));
  const TPlane p = Plane;
  EXPECT_EQ(Val(p.RouteEntry), 2u);
  EXPECT_EQ(Val(p.Altitude), 0.0f);
  const TVector gate = World(kAirport2, kGate, 90.0f);
  EXPECT_LT(VecDistanceXZ(Val(p.Position), gate), 5.0f);
  EXPECT_TRUE(testing_support::Warnings().empty());

  // The same flight again ends in the same bytes.
  const TPlane first = Plane;
  ArrayerReset();
  ResetPlanes();
  SetUpAirWorld();
  Fly(20000, inRange);
  EXPECT_TRUE(Same(Plane, first));
}

TEST_F(Planes, ASwitchedOffOrParkedPlaneNeverMoves) {
  struct Case {
    uint8_t active, state;
  };
  for (const Case c : {Case{0, kPlaneCruise}, Case{0, kPlaneTaxiOut}, Case{1, kPlaneParked}}) {
    ResetPlanes();
    SetUpAirWorld();
    Plane.Speed = 5.0f;
    Plane.State = c.state;
    PlaneActive = c.active;
    const TPlane before = Plane;
    for (int t = 0; t < 50; ++t) MovePlanes();
    EXPECT_TRUE(Same(Plane, before)) << int(c.active) << " " << int(c.state);
    EXPECT_EQ(PlaneActive, c.active);
  }
}

TEST_F(Planes, ATakeOffRunBelowTakeOffSpeedStaysOnTheGround) {
  SetUpAirWorld();
  Plane.State = kPlaneTakeOff;
  Plane.Speed = 1.0f;
  Plane.Altitude = 5.0f;
  Plane.ClimbAngle = 0.1f;
  Plane.TargetAltitude = 900.0f;
  Plane.Heading = {1.0f, 0.0f, 0.0f};
  TPlaneNav n = Plane.Nav;
  n.TurnDir = 0;
  Plane.Nav = n;
  float x = Plane.Position.x;
  for (float speed : {1.5f, 2.0f, 2.5f, 3.0f, 3.5f, 4.0f, 4.5f, 5.0f, 5.5f}) {
    MovePlanes();
    const TPlane p = Plane;
    EXPECT_EQ(Val(p.State), kPlaneTakeOff);
    EXPECT_EQ(Val(p.Speed), speed);
    EXPECT_EQ(Val(p.Altitude), 5.0f);
    EXPECT_EQ(Val(p.ClimbAngle), 0.1f);
    EXPECT_FLOAT_EQ(Val(p.Position.x), x + speed);
    x = p.Position.x;
  }
  // At take-off speed it climbs.
  MovePlanes();
  MovePlanes();
  EXPECT_GT(Val(Plane.Altitude), 5.0f);
  EXPECT_GT(Val(Plane.ClimbAngle), 0.1f);
}

TEST_F(Planes, ACruiseStartedWithinTwoTurnRadiiOfTheDestinationStartsTheApproach) {
  SetUpAirWorld();
  // StartCruise alone: turn radius 100, the destination is airport 2's building.
  struct Case {
    float distance;
    uint8_t subState;
  };
  for (const Case c : {Case{150.0f, 1}, Case{199.0f, 1}, Case{201.0f, 98}, Case{5000.0f, 98}}) {
    TPlane p = Plane;
    p.Position = {kAirport2.x - c.distance, 900.0f, kAirport2.z};
    TPlaneNav n{};
    StartCruise(n, p, 2);
    EXPECT_EQ(Val(n.SubState), c.subState) << c.distance;
    EXPECT_EQ(Val(n.TargetPoint.x), kAirport2.x);
    EXPECT_EQ(Val(n.TurnRate), 0.01f);
    EXPECT_FLOAT_EQ(Val(n.TurnRadius), 100.0f);
    EXPECT_EQ(Val(n.DestEntry), 2u);
  }

  // Reaching 900 above the ground there: in the same tick the slot is found and the approach set
  // up, without the flight toward the airport (sub-states 98 and 99).
  for (const float distance : {150.0f, 5000.0f}) {
    SetUpAirWorld();
    TPlane p = Plane;
    p.State = kPlaneTakeOff;
    p.Speed = 10.0f;
    p.Altitude = 905.0f;
    p.Position = {kAirport2.x - distance, 0.0f, kAirport2.z};
    p.Heading = {1.0f, 0.0f, 0.0f};
    TPlaneNav n = p.Nav;
    n.TurnDir = 0;
    p.Nav = n;
    Plane = p;
    MovePlanes();
    const TPlaneNav after = Plane.Nav;
    EXPECT_EQ(Val(Plane.State), kPlaneCruise);
    if (distance < 200.0f) {
      // Heading for the final approach point out on the runway's line.
      EXPECT_EQ(Val(after.SlotFound), 1);
      EXPECT_EQ(Val(after.SlotByte), 7);
      EXPECT_NEAR(Val(after.TargetPoint.x), Val(S().x), 1e-2);
      EXPECT_NEAR(Val(after.TargetPoint.z), Val(S().z) - (900.0f / std::sin(0.2f) + 1.5f * 1200.0f), 1e-1);
      EXPECT_EQ(Val(Plane.LandingPoint.z), Val(E().z));
    } else {
      EXPECT_EQ(Val(after.SlotFound), 0);
      EXPECT_EQ(Val(after.SubState), 99);
      EXPECT_EQ(Val(after.TargetPoint.x), kAirport2.x);
      EXPECT_EQ(Val(after.TargetPoint.z), kAirport2.z);
    }
  }
}

TEST_F(Planes, WithoutAFreeSlotThePlaneCirclesTowardSide1AtAThirdOfItsTurnRate) {
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"slot occupied", [] { PlaneRouteEntries[2].Slots[0].Occupied = 1; }},
      {"class not admitted", [] { PlaneRouteEntries[2].Slots[0].Classes = 0xFB; }},
      {"no slots", [] { PlaneRouteEntries[2].SlotCount = 0; }},
      {"class beyond 7", [] { PlaneTypes[1].Class = 8; }},
      {"route entry 0", [] { Plane.Nav.DestEntry = 0; }},
      {"route entry past the table", [] { Plane.Nav.DestEntry = kPlaneRouteEntries + 1; }},
      {"slot's airport not stored", [] { PlaneRouteEntries[2].Slots[0].Building = 999; }},
      {"runway of no length", [] {
         TBuildingTypeNode n = BuildingTypeNode(BuildingTypes[kAirportType], 1);
         n.Position = kNode2;
         SetBuildingTypeNode(BuildingTypes[kAirportType], 1, n);
       }},
      {"runway not finite", [] {
         TBuildingTypeNode n = BuildingTypeNode(BuildingTypes[kAirportType], 2);
         n.Position.x = NAN;
         SetBuildingTypeNode(BuildingTypes[kAirportType], 2, n);
       }},
  };
  // A cruising plane far from airport 2, at the slot search.
  const auto circling = [] {
    ArrayerReset();
    ResetPlanes();
    SetUpAirWorld();
    Plane.State = kPlaneCruise;
    Plane.Position = {10000.0f, 900.0f, 10000.0f};
    Plane.Heading = {1.0f, 0.0f, 0.0f};
    Plane.Speed = 10.0f;
    TPlaneNav n{};
    n.DestEntry = 2;
    n.TurnRate = 0.01f;
    n.TurnRadius = 100.0f;
    n.SubState = 1;
    Plane.Nav = n;
  };
  for (const auto& [name, spoil] : cases) {
    circling();
    spoil();
    TPlaneNav n = Plane.Nav;
    TPlane p = Plane;
    const float a = 0.01f / 3.0f;
    for (int step = 1; step <= 3; ++step) {
      NavigatePlane(n, p);
      EXPECT_EQ(Val(n.SlotFound), 0) << name;
      EXPECT_EQ(Val(n.SubState), 1) << name;
      EXPECT_NEAR(Val(p.Heading.x), std::cos(step * a), kAngle) << name;
      EXPECT_NEAR(Val(p.Heading.z), std::sin(step * a), kAngle) << name;
    }
    EXPECT_NEAR(Val(p.Position.z), 10000.0f + std::sin(a) + std::sin(2 * a) + std::sin(3 * a), 2e-3) << name;
  }
  // Once the slot is free again the next step takes it.
  circling();
  PlaneRouteEntries[2].Slots[0].Occupied = 1;
  TPlaneNav n = Plane.Nav;
  TPlane p = Plane;
  NavigatePlane(n, p);
  EXPECT_EQ(Val(n.SlotFound), 0);
  PlaneRouteEntries[2].Slots[0].Occupied = 0;
  NavigatePlane(n, p);
  EXPECT_EQ(Val(n.SlotFound), 1);
  EXPECT_TRUE(testing_support::Warnings().empty());
}

TEST_F(Planes, TheSlotSearchTakesTheFirstFreeSlotThatAdmitsTheClass) {
  SetUpAirWorld();
  TPlaneRouteEntry entry{};
  entry.SlotCount = 4;
  entry.Slots[0] = TAirportSlot{1, 1, 11, 1, 0xFF};     // occupied
  entry.Slots[1] = TAirportSlot{1, 0, 12, 2, 0x01};     // class 0 only
  entry.Slots[2] = TAirportSlot{1, 0, 13, 3, 0x04};     // class 2
  entry.Slots[3] = TAirportSlot{1, 0, 14, 4, 0xFF};
  PlaneRouteEntries[5] = entry;
  TAirportSlot slot{};
  FindAirportSlot(5, Plane, slot);
  EXPECT_EQ(Val(slot.Defined), 1);
  EXPECT_EQ(Val(slot.Building), 13u);
  EXPECT_EQ(Val(slot.SlotByte), 3);
  // A slot count beyond the table's room reads the slots there are.
  entry.SlotCount = 255;
  entry.Slots[2].Occupied = 1;
  entry.Slots[3].Occupied = 1;
  entry.Slots[kAirportSlots - 1] = TAirportSlot{1, 0, 99, 9, 0x04};
  PlaneRouteEntries[5] = entry;
  slot = TAirportSlot{1, 0, 0, 0, 0};
  FindAirportSlot(5, Plane, slot);
  EXPECT_EQ(Val(slot.Building), 99u);
  entry.Slots[kAirportSlots - 1].Occupied = 1;
  PlaneRouteEntries[5] = entry;
  FindAirportSlot(5, Plane, slot);
  EXPECT_EQ(Val(slot.Defined), 0);
}

TEST_F(Planes, TheRunwayIsApproachedFromThePlanesSide) {
  const TAirWorld w = SetUpAirWorld();
  const TAirportSlot slot{1, 0, w.Airport2, 0, 0xFF};
  // Airport 2 is turned by 90 degrees: node 1 lies at +z, node 2 at -z of its centre.
  struct Case {
    float planeZ;
    bool swapped;
  };
  for (const Case c : {Case{-5000.0f, false}, Case{5000.0f, true}, Case{-601.0f, false}}) {
    TVector end{1, 1, 1}, start{2, 2, 2};
    ASSERT_TRUE(FindRunway(slot, end, start, TVector{kAirport2.x + 300.0f, 0.0f, kAirport2.z + c.planeZ}));
    const TVector wantEnd = c.swapped ? S() : E();
    const TVector wantStart = c.swapped ? E() : S();
    EXPECT_NEAR(Val(end.x), wantEnd.x, 1e-2);
    EXPECT_NEAR(Val(end.z), wantEnd.z, 1e-2);
    EXPECT_NEAR(Val(start.x), wantStart.x, 1e-2);
    EXPECT_NEAR(Val(start.z), wantStart.z, 1e-2);
  }
  // A building that is not stored, or whose type names no row, gives no runway.
  TVector end{1, 1, 1}, start{2, 2, 2};
  EXPECT_FALSE(FindRunway(TAirportSlot{1, 0, 0, 0, 0xFF}, end, start, TVector{}));
  EXPECT_FALSE(FindRunway(TAirportSlot{1, 0, 4711, 0, 0xFF}, end, start, TVector{}));
  TBuilding b{};
  b.A_Read(w.Airport1);
  b.BuildingType = 0;
  b.A_Overwrite();
  EXPECT_FALSE(FindRunway(TAirportSlot{1, 0, w.Airport1, 0, 0xFF}, end, start, TVector{}));
  EXPECT_EQ(Val(end.x), 1.0f);
  EXPECT_EQ(Val(start.x), 2.0f);
}

TEST_F(Planes, ATouchDownTooHighOrTooSteepGoesAroundToTheSameRunway) {
  struct Case {
    float height, climb;
    bool lands;
  };
  for (const Case c : {Case{5.0f, 0.0f, false}, Case{-5.0f, 0.0f, false}, Case{0.0f, 0.06f, false},
                       Case{0.0f, -0.08f, false}, Case{4.9f, 0.0f, true}, Case{0.0f, 0.05f, true}}) {
    ArrayerReset();
    ResetPlanes();
    LandingPlane(10.0f, c.height, c.climb, 1.0f, true);
    MovePlanes();
    const std::string name = std::to_string(c.height) + " " + std::to_string(c.climb);
    if (!c.lands) {
      ExpectNewApproachToTheSameRunway();
      continue;
    }
    const TPlane p = Plane;
    const TPlaneNav n = p.Nav;
    EXPECT_EQ(Val(p.State), kPlaneTaxiIn) << name;
    EXPECT_EQ(Val(p.Altitude), Val(E().y)) << name;
    EXPECT_EQ(Val(p.RouteEntry), 2u) << name;
    const TVector gate = World(kAirport2, kGate, 90.0f);
    EXPECT_NEAR(Val(n.FarPoint.x), Val(gate.x), 1e-2) << name;
    EXPECT_NEAR(Val(n.FarPoint.z), Val(gate.z), 1e-2) << name;
    EXPECT_NEAR(Val(n.TargetPoint.z), Val(E().z), 1e-2) << name;  // the nearer runway node
    EXPECT_TRUE(Val(n.TurnDir) == 1 || Val(n.TurnDir) == -1) << name;
  }
}

TEST_F(Planes, ALandingRollThatCannotStopBeforeTheLandingPointGoesAround) {
  // On the runway at speed 10: 20 short needs 100 / 30 to stop, more than the brakes' 0.5.
  LandingPlane(20.0f, 0.0f, 0.0f, 10.0f, false);
  MovePlanes();
  ExpectNewApproachToTheSameRunway();
  // 400 short it brakes by 100 / 790.
  ArrayerReset();
  ResetPlanes();
  LandingPlane(400.0f, 0.0f, 0.0f, 10.0f, false);
  MovePlanes();
  EXPECT_EQ(Val(Plane.State), kPlaneLanding);
  EXPECT_FLOAT_EQ(Val(Plane.Speed), 10.0f - 100.0f / 790.0f);
}

TEST_F(Planes, PlanesThatCannotBeFlownAreReportedAndSwitchedOff) {
  const std::vector<std::pair<const char*, std::function<void()>>> cases = {
      {"type 0", [] { Plane.PlaneType = 0; }},
      {"type past the table", [] { Plane.PlaneType = 256; }},
      {"take-off speed 0", [] { PlaneTypes[1].TakeOffSpeed = 0.0f; }},
      {"turn rate not a number", [] { PlaneTypes[1].TurnRate = NAN; }},
      {"climb step 0", [] { PlaneTypes[1].ClimbStep = 0.0f; }},
      {"climb angle 0", [] { PlaneTypes[1].MaxClimbAngle = 0.0f; }},
      {"climb angle beyond 90 degrees", [] { PlaneTypes[1].MaxClimbAngle = 2.0f; }},
      {"top speed too high", [] { PlaneTypes[1].TopSpeed = 1.0e9f; }},
      {"negative braking", [] { PlaneTypes[1].BrakeDecel = -1.0f; }},
      {"infinite engine value", [] { PlaneTypes[1].EngineValue = INFINITY; }},
      {"speed too high", [] { Plane.Speed = 2.0e9f; }},
      {"speed not a number", [] { Plane.Speed = NAN; }},
      {"position not finite", [] { Plane.Position.x = INFINITY; }},
      {"navigator not finite", [] { Plane.Nav.TargetPoint.z = NAN; }},
  };
  for (const auto& [name, spoil] : cases) {
    ResetPlanes();
    SetUpAirWorld();
    Plane.State = kPlaneCruise;
    spoil();
    testing_support::Warnings().clear();
    const TPlane before = Plane;
    MovePlanes();
    MovePlanes();
    EXPECT_EQ(PlaneActive, 0) << name;
    EXPECT_TRUE(Same(Plane, before)) << name;
    EXPECT_EQ(testing_support::Warnings().size(), 1u) << name;
    EXPECT_TRUE(Warned("MovePlane: plane of type")) << name;
  }
}

TEST_F(Planes, ALandingAtAnAirportWithoutTaxiPointsStopsOnTheRunway) {
  LandingPlane(10.0f, 0.0f, 0.0f, 1.0f, true);
  PlaneRouteEntries[2].Building = 4711;
  MovePlanes();
  EXPECT_EQ(Val(Plane.State), kPlaneParked);
  EXPECT_EQ(Val(Plane.Speed), 0.0f);
  EXPECT_TRUE(Warned("MovePlane: the airport of route entry 2 has no taxi points"));
}

TEST_F(Planes, ACruiseToARouteEntryWithoutAnAirportCirclesWhereItIs) {
  SetUpAirWorld();
  for (const uint32_t entry : {0u, 3u, 1000u}) {
    TPlane p = Plane;
    p.Position = {5000.0f, 900.0f, 7000.0f};
    TPlaneNav n{};
    testing_support::Warnings().clear();
    StartCruise(n, p, entry);
    EXPECT_EQ(Val(n.SubState), 1);
    EXPECT_EQ(Val(n.TargetPoint.x), 5000.0f);
    EXPECT_EQ(Val(n.TargetPoint.z), 7000.0f);
    EXPECT_TRUE(Warned("StartCruise: route entry " + std::to_string(entry) + " names no airport"));
  }
}

TEST_F(Planes, TheGroundHeightIsTwiceTheNearestVertexWithinTheMapAndTheGroundTurnIsACircle) {
  HeightMap[0][0] = 7;
  HeightMap[2][3] = 11;
  HeightMap[1][3] = 13;
  HeightMap[1023][1023] = 17;
  struct Case {
    float x, z, height;
  };
  for (const Case c : {Case{0.0f, 0.0f, 14.0f}, Case{-5000.0f, -1.0e9f, 14.0f}, Case{249.0f, 251.0f, 22.0f},
                       Case{250.0f, 300.0f, 22.0f}, Case{150.0f, 300.0f, 22.0f}, Case{149.0f, 300.0f, 26.0f},
                       Case{1.0e9f, 1.0e9f, 34.0f}, Case{NAN, NAN, 14.0f}}) {
    EXPECT_EQ(GroundHeightAt(c.x, c.z), c.height) << c.x << " " << c.z;
  }
  // The ground turn: a circle of radius 37.5 whatever the speed.
  for (const float speed : {0.5f, 2.0f, 6.0f}) EXPECT_NEAR(TurnStep(speed) * 37.5f, speed, 1e-5f);
}

}  // namespace
