// Way extensions: the pick on a street, and the T- or X-crossing built into it with the street's cut
// ends joined to the crossing's arms.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "network/construction/connects.h"
#include "network/construction/crossings.h"
#include "network/construction/wayextension.h"
#include "network/track/trackfields.h"
#include "tests/network/construction/crossing_fixture.h"

namespace {

using namespace construction_testing;

class WayExtensions : public CrossingTest {
 protected:
  // Finished streets from 400 to 800, 800 to 1300 (the one met) and 1300 to 1700 along z = 1000.
  std::vector<uint32_t> Streets() {
    std::vector<uint32_t> ways{Lay(kWaytypeRoad, Road(400, 1000), Road(800, 1000))};
    for (const auto& [from, to] : {std::pair{800.0f, 1300.0f}, std::pair{1300.0f, 1700.0f}}) {
      TMetaconnect start{};
      TConstructResult ignored;
      FindOrCreateConnect(kWaytypeRoad, {from, 0, 1000}, start, ignored);
      ways.push_back(Lay(kWaytypeRoad, start, Road(to, 1000)));
    }
    return ways;
  }
  static TMetaconnect RoadConnect(const TVector& p) {
    TMetaconnect m{};
    TConstructResult ignored;
    FindOrCreateConnect(kWaytypeRoad, p, m, ignored);
    return m;
  }
  static uint8_t WaysAt(const TVector& p) {
    const TMetaconnect m = RoadConnect(p);
    return static_cast<uint8_t>(m.ConnectIndex == 0 ? 0 : (m.WayA != 0) + (m.WayB != 0));
  }
  TConstructResult Extend(uint8_t mode) {
    TConstructResult r;
    ConstructWayExtension(*curve_, {}, mode, r);
    return r;
  }
};

TEST_F(WayExtensions, ThePickFindsTheMeetingPointTheArmPointsAndTheEndsWithinReach) {
  const uint32_t met = Lay(kWaytypeRoad, Road(500, 1000), Road(1000, 1000));
  const uint32_t beyond = Lay(kWaytypeRoad, RoadConnect({1000, 0, 1000}), Road(1500, 1000));
  const uint32_t edge = Lay(kWaytypeRoad, Road(300, 3000), Road(900, 3000));
  const uint32_t rail = Lay(kWaytypeRail, Meta(kWaytypeRail, 500, 4000), Meta(kWaytypeRail, 900, 4000));
  struct Case {
    const char* name;
    uint32_t way;
    TVector pick;
    uint8_t valid;
    float meetingX;
    uint8_t deadFirst;
    uint32_t neighbourSecond;
  };
  const Case cases[] = {
      {"in the middle", met, {750, 0, 1030}, 1, 750, 0, 0},
      {"near a dead end", met, {560, 0, 1000}, 1, 560, 1, 0},
      {"too near a dead end", met, {510, 0, 990}, 0, 510, 1, 0},
      {"near a street going on", met, {950, 0, 1000}, 1, 950, 0, beyond},
      {"an arm point off the map", edge, {330, 0, 3000}, 0, 330, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetExtendWayInfo(ExtendWayInfo, Stored(c.way), c.pick);
    EXPECT_EQ(ExtendWayInfo.Valid, c.valid);
    EXPECT_EQ(ExtendWayInfo.Way, c.way);
    EXPECT_NEAR(ExtendWayInfo.MeetingPoint.x, c.meetingX, 1e-2);
    EXPECT_EQ(ExtendWayInfo.DeadEnd[0], c.deadFirst);
    EXPECT_EQ(ExtendWayInfo.DeadEnd[1], 0);
    EXPECT_EQ(ExtendWayInfo.Neighbours[1], c.neighbourSecond);
    if (c.valid == 0) continue;
    EXPECT_TRUE(Near(ExtendWayInfo.ArmPoints[0].Position, {c.meetingX - 100.0f, 0, 1000}, 1e-2f));
    EXPECT_TRUE(Near(ExtendWayInfo.ArmPoints[1].Position, {c.meetingX + 100.0f, 0, 1000}, 1e-2f));
  }
  // A neighbour that is no plain street, and a way that is no street at all.
  TWay w = Stored(beyond);
  w.Waytype = kWaytypeXCrossing;
  w.A_Overwrite();
  SetExtendWayInfo(ExtendWayInfo, Stored(met), {950, 0, 1000});
  EXPECT_EQ(ExtendWayInfo.Valid, 0);
  SetExtendWayInfo(ExtendWayInfo, Stored(rail), {700, 0, 4000});
  EXPECT_EQ(ExtendWayInfo.Valid, 0);
  EXPECT_EQ(ExtendWayInfo.Way, 0u);
}

TEST_F(WayExtensions, ARoadEndingOnAStreetMakesATCrossingWithTheStreetJoinedAgain) {
  // The stem on either side of the street: on the -z side the crossing takes the street's arms in
  // the other order.
  for (float stemZ : {1300.0f, 700.0f}) {
    SCOPED_TRACE(stemZ);
    ArrayerReset();
    const std::vector<uint32_t> s = Streets();
    SetExtendWayInfo(ExtendWayInfo, Stored(s[1]), {1050, 0, 1010});
    ASSERT_EQ(ExtendWayInfo.Valid, 1);
    SetExtendTargetConnect(ExtendWayInfo, RoadConnect({1050, 0, stemZ}));

    ASSERT_EQ(Extend(0), Set({0}));  // the street it replaces does not collide with the crossing
    EXPECT_EQ(Ways().size(), 3u);
    ASSERT_EQ(Extend(1), Set({0}));
    EXPECT_EQ(ExtendWayInfo.Valid, 0);
    EXPECT_EQ(WaysOfType(kWaytypeTCrossing).size(), 4u);
    EXPECT_EQ(WaysAt({800, 0, 1000}), 2);
    EXPECT_EQ(WaysAt({1300, 0, 1000}), 2);
    EXPECT_EQ(WaysAt({950, 0, 1000}), 2);
    EXPECT_EQ(WaysAt({1150, 0, 1000}), 2);
    // From one end of the street to the other, and into the new road.
    TWay stem{};
    for (const TWay& w : WaysOfType(kWaytypeTCrossing))
      if (WayPart(w) == 3) stem = w;
    ASSERT_NE(stem.Index, 0u);
    EXPECT_TRUE(Near(ConnectAt(stem, 0), {1050, 0, stemZ}));
    const TWay first = Stored(s[0]), last = Stored(s[2]);
    const std::set<uint32_t> onward = Reachable(first.Nodes[0]);
    EXPECT_TRUE(onward.count(last.Nodes[3]));
    EXPECT_TRUE(onward.count(stem.Nodes[1]));
    EXPECT_TRUE(Reachable(last.Nodes[2]).count(first.Nodes[1]));
  }
}

TEST_F(WayExtensions, ARoadRunningOnAcrossTheStreetMakesAnXCrossing) {
  const std::vector<uint32_t> s = Streets();
  SetExtendWayInfo(ExtendWayInfo, Stored(s[1]), {1050, 0, 1010});
  SetExtendTargetConnect(ExtendWayInfo, RoadConnect({1050, 0, 1300}));
  SetExtendEndConnect(ExtendWayInfo, RoadConnect({1050, 0, 700}));
  ASSERT_EQ(ExtendWayInfo.EndFar, 1);
  ASSERT_EQ(Extend(1), Set({0}));
  const std::vector<TWay> crossing = WaysOfType(kWaytypeXCrossing);
  ASSERT_EQ(crossing.size(), 5u);
  for (const TWay& w : crossing) {
    if (WayPart(w) == 4) {
      EXPECT_TRUE(Near(ConnectAt(w, 0), {1050, 0, 700}));
    }
    if (WayPart(w) == 3) {
      EXPECT_TRUE(Near(ConnectAt(w, 0), {1050, 0, 1300}));
    }
  }
  // An end near the street is no fourth arm.
  SetExtendEndConnect(ExtendWayInfo, RoadConnect({1050, 0, 1090}));
  EXPECT_EQ(ExtendWayInfo.EndFar, 0);
}

TEST_F(WayExtensions, RefusalsEndThePick) {
  const std::vector<uint32_t> s = Streets();
  SetExtendWayInfo(ExtendWayInfo, Stored(s[1]), {1050, 0, 1010});
  EXPECT_EQ(Extend(0), Set({1}));  // no target
  EXPECT_EQ(ExtendWayInfo.Valid, 0);

  // A street of a building is not taken apart by a preview.
  TWay met = Stored(s[1]);
  met.Building = 77;
  met.A_Overwrite();
  SetExtendWayInfo(ExtendWayInfo, met, {1050, 0, 1010});
  SetExtendTargetConnect(ExtendWayInfo, RoadConnect({1050, 0, 1300}));
  const TConstructResult r = Extend(1);
  EXPECT_TRUE(r.Has(11) && !r.Ok()) << r.Elements();
  EXPECT_EQ(ExtendWayInfo.Valid, 0);
  EXPECT_EQ(Ways().size(), 3u);
}

}  // namespace
