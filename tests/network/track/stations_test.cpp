// Station ways: founding a station with a way, joining a station, refusals, the stop command;
// opposite nodes of plain ways, crossings and building ways, and the way architectures that have
// none.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "network/construction/result.h"
#include "tests/network/track/track_fixture.h"

namespace {

using track_testing::Fatal;
using track_testing::FatalOf;

const std::string kConfused = Fatal("Error in OppositeNode: confuse way architecture");

class StationWays : public track_testing::TrackTest {
 protected:
  void SetUp() override {
    TrackTest::SetUp();
    recalcs.clear();
    names.clear();
    world_hooks::RecalcGoodsStation = [](uint32_t s) { recalcs.push_back(s); };
    // The name is given while the new station holds its first way and its handling rate.
    station_hooks::NameStation = [](TStation& s, uint16_t kind) {
      names.push_back({kind, s.StationWayCounter, s.HandlingRate, s.Index});
      s.Number = 42;
    };
  }
  // A street of four new nodes at x, owned by player 1, in town 5.
  uint32_t Street(float x, uint8_t waytype = kWaytypeStreet, uint8_t part = 0) {
    const uint32_t n1 = Node(x, 0, 0), n2 = Node(x, 10, 0), n3 = Node(x + 100, 10, 0), n4 = Node(x + 100, 0, 0);
    const uint32_t way = Way(waytype, 0, {n1, n2, n3, n4}, true, 100, part);
    TWay w = ReadWay(way);
    w.City = 5;
    w.Position = {x + 50, 0, 5};
    w.A_Overwrite();
    return way;
  }
  static std::unique_ptr<TStation> ReadStation(uint32_t index) {
    auto s = std::make_unique<TStation>();
    s->A_Read(index);
    return s;
  }
  static uint8_t FlagsOf(uint32_t way, int k) { return NodeByIndex(ReadWay(way).Nodes[k]).Flags; }

  struct Named {
    uint16_t kind;
    uint8_t ways, rate;
    uint32_t index;
  };
  static inline std::vector<uint32_t> recalcs;
  static inline std::vector<Named> names;
};

TEST_F(StationWays, AWayFoundsAStationAndASecondOneJoinsIt) {
  ActPlayer = 3;
  const uint32_t a = Street(0), b = Street(500);
  TWay w = ReadWay(a);
  auto s = std::make_unique<TStation>();
  TConstructResult r = TConstructResult::Of({5});
  AddWayToStation(w, *s, 0, r);
  EXPECT_EQ(r, TConstructResult::Success());
  const uint32_t station = s->Index;
  ASSERT_NE(station, 0u);
  // S is the stored station, read again.
  EXPECT_EQ(s->Kind, 3);
  EXPECT_EQ(s->HandlingRate, kWayStationHandlingRate);
  EXPECT_EQ(s->City, 5);
  EXPECT_EQ(s->Position.x, 50.0f);
  EXPECT_EQ(s->Direction, 5);
  EXPECT_EQ(s->Number, 42);
  EXPECT_EQ(s->StationWayCounter, 1);
  EXPECT_EQ(s->Ways[0], a);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].kind, 0);
  EXPECT_EQ(names[0].ways, 1);
  EXPECT_EQ(names[0].rate, 10);
  EXPECT_EQ(names[0].index, 0u) << "named before it is stored";
  EXPECT_EQ(ReadWay(a).Station, station);
  EXPECT_EQ(w.Station, station);
  // The lane starts become stop nodes; the lane ends stay as they were.
  EXPECT_TRUE(FlagsOf(a, 0) & kNodeFlagStation);
  EXPECT_TRUE(FlagsOf(a, 2) & kNodeFlagStation);
  EXPECT_FALSE(FlagsOf(a, 1) & kNodeFlagStation);
  EXPECT_FALSE(FlagsOf(a, 3) & kNodeFlagStation);
  EXPECT_EQ(recalcs, (std::vector<uint32_t>{station}));

  TWay w2 = ReadWay(b);
  AddWayToStation(w2, *s, station, r);
  EXPECT_EQ(r, TConstructResult::Success());
  EXPECT_EQ(names.size(), 1u);
  EXPECT_EQ(ReadStation(station)->StationWayCounter, 2);
  EXPECT_EQ(ReadStation(station)->Ways[1], b);
  EXPECT_EQ(s->StationWayCounter, 2);
  EXPECT_EQ(ReadWay(b).Station, station);
  EXPECT_EQ(recalcs, (std::vector<uint32_t>{station, station}));
}

TEST_F(StationWays, AWayWithAStationOrAFullStationIsRefused) {
  const uint32_t a = Street(0);
  TWay w = ReadWay(a);
  auto s = std::make_unique<TStation>();
  TConstructResult r;
  AddWayToStation(w, *s, 0, r);
  const uint32_t station = s->Index;

  // Again with the same way: refused, nothing stored.
  AddWayToStation(w, *s, 0, r);
  EXPECT_EQ(r, TConstructResult::Of({2}));
  EXPECT_EQ(ReadStation(station)->StationWayCounter, 1);
  EXPECT_EQ(recalcs.size(), 1u);

  // A station of 100 ways takes no 101st.
  auto full = ReadStation(station);
  full->StationWayCounter = 100;
  for (int i = 0; i < 100; ++i) full->Ways[i] = a;
  full->A_ReWrite();
  const uint32_t b = Street(500);
  TWay w2 = ReadWay(b);
  AddWayToStation(w2, *s, station, r);
  EXPECT_EQ(r, TConstructResult::Of({2}));
  EXPECT_EQ(ReadStation(station)->StationWayCounter, 100);
  EXPECT_EQ(ReadWay(b).Station, 0u);
  EXPECT_FALSE(FlagsOf(b, 0) & kNodeFlagStation);
}

TEST_F(StationWays, OnlyStreetsAndCrossingArmsBecomeStops) {
  struct Case {
    std::string name;
    uint8_t waytype, part;
    bool allowed;
  };
  const Case cases[] = {
      {"street", kWaytypeStreet, 0, true},
      {"rail", kWaytypePlainRail, 0, false},
      {"router leg", kWaytypeRouter, 1, false},
      {"building way", kWaytypeBuildingWay, 0, false},
      {"X crossing arm", kWaytypeXCrossing, 2, true},
      {"X crossing centre", kWaytypeXCrossing, kCrossingCentrePart, false},
      {"T crossing arm", kWaytypeTCrossing, 1, true},
      {"T crossing centre", kWaytypeTCrossing, kCrossingCentrePart, false},
  };
  for (const Case& c : cases) {
    ArrayerReset();
    const uint32_t way = Street(0, c.waytype, c.part);
    TConstructResult r = TConstructResult::Of({7});
    MakeStationTrack(way, 0, 0, r);
    EXPECT_EQ(r, c.allowed ? TConstructResult{} : TConstructResult::Of({16})) << c.name;
    EXPECT_EQ(ReadWay(way).Station, 0u) << c.name << ": a preview changes nothing";
    MakeStationTrack(way, 0, 1, r);
    EXPECT_EQ(r, c.allowed ? TConstructResult::Success() : TConstructResult::Of({16})) << c.name;
    const uint32_t station = ReadWay(way).Station;
    EXPECT_EQ(station != 0, c.allowed) << c.name;
    // The new station's service flags: passengers and road service.
    if (station != 0) {
      EXPECT_EQ(ReadStation(station)->ServiceFlags, 1 | 32) << c.name;
    }
  }
}

// Opposite nodes. A plain way n1..n4 (lanes n1 -> n4 and n3 -> n2); crossing centres whose arm
// exits x1, x2, ... each follow an entry node of the centre way.
class OppositeNodes : public track_testing::TrackTest {
 protected:
  // A centre way of a crossing with Arms arms: entry ek and exit xk per arm, ek -> xk.
  std::vector<uint32_t> Crossing(uint8_t waytype, int arms) {
    std::vector<uint32_t> list;
    for (int k = 0; k < arms; ++k) {
      list.push_back(Node(k * 100.0f, 0));
      list.push_back(Node(k * 100.0f, 10));
    }
    TWay w{};
    w.Init(0, waytype);
    WayPart(w) = kCrossingCentrePart;
    for (uint32_t n : list) w.Nodes[w.NodesCounter++] = n;
    w.A_Write();
    for (int k = 0; k < arms; ++k) {
      NodeByIndex(list[2 * k]).Way = w.Index;
      Link(list[2 * k], list[2 * k + 1], 100);
    }
    return list;
  }
};

TEST_F(OppositeNodes, PlainWaysGiveTheOtherLaneAtTheSameOrTheFarEnd) {
  for (const auto& [waytype, part] : std::vector<std::pair<uint8_t, uint8_t>>{
           {kWaytypeStreet, 0}, {kWaytypePlainRail, 0}, {kWaytypeXCrossing, 3}, {kWaytypeTCrossing, 1},
           {kWaytypeRouter, 2}}) {
    ArrayerReset();
    const uint32_t n1 = Node(0, 0), n2 = Node(0, 10), n3 = Node(100, 10), n4 = Node(100, 0);
    Way(waytype, 0, {n1, n2, n3, n4}, true, 100, part);
    const std::string name = std::to_string(waytype) + "/" + std::to_string(part);
    EXPECT_EQ(OppositeNode(n2, 0), n1) << name;
    EXPECT_EQ(OppositeNode(n4, 0), n3) << name;
    EXPECT_EQ(OppositeNode(n2, 1), n4) << name;
    EXPECT_EQ(OppositeNode(n4, 1), n2) << name;
    EXPECT_EQ(FatalOf([&] { OppositeNode(n2, 2); }), kConfused) << name;
  }
}

TEST_F(OppositeNodes, CrossingCentresGiveTheExitOfTheNextArm) {
  const std::vector<uint32_t> x = Crossing(kWaytypeXCrossing, 4);
  for (int mode = 0; mode <= 1; ++mode) {
    EXPECT_EQ(OppositeNode(x[1], mode), x[3]);
    EXPECT_EQ(OppositeNode(x[3], mode), x[5]);
    EXPECT_EQ(OppositeNode(x[5], mode), x[7]);
    EXPECT_EQ(OppositeNode(x[7], mode), x[1]);
  }
  const std::vector<uint32_t> t = Crossing(kWaytypeTCrossing, 3);
  EXPECT_EQ(OppositeNode(t[1], 1), t[3]);
  EXPECT_EQ(OppositeNode(t[3], 1), t[5]);
  EXPECT_EQ(OppositeNode(t[5], 1), t[1]);
}

TEST_F(OppositeNodes, BuildingWaysTurnAtTheirTypesTurningNode) {
  const uint32_t e = Node(0, 0), n = Node(100, 0), turn = Node(200, 0);
  NodeByIndex(turn).Used = 7;
  const uint32_t way = Way(kWaytypeBuildingWay, 0, {e, n, turn}, false);
  Link(e, n, 100);
  // Without a building: the node itself.
  EXPECT_EQ(OppositeNode(n, 1), n);
  TBuilding b{};
  b.BuildingType = 9;
  b.A_Write();
  TWay w = ReadWay(way);
  w.Building = b.Index;
  w.A_Overwrite();
  EXPECT_EQ(OppositeNode(n, 1), n) << "a type without a turning node";
  station_hooks::TurningNodeNumber = [](uint16_t type) -> uint8_t { return type == 9 ? 7 : 0; };
  EXPECT_EQ(OppositeNode(n, 0), turn);
  // A turning node that the way does not list is no answer.
  NodeByIndex(turn).Used = 8;
  EXPECT_EQ(FatalOf([&] { OppositeNode(n, 0); }), kConfused);
}

TEST_F(OppositeNodes, ArchitecturesWithoutAnAnswerStopTheProgram) {
  const uint32_t n1 = Node(0, 0), n2 = Node(0, 10), n3 = Node(100, 10), n4 = Node(100, 0);
  Way(kWaytypeStreet, 0, {n1, n2, n3, n4});
  const uint32_t lone = Node(500, 0), wayless = Node(600, 0), after = Node(700, 0);
  Link(wayless, after, 100);
  // A lane start (reached from a node of the way) has no opposite node.
  const uint32_t before = Node(-100, 0);
  NodeByIndex(before).Way = NodeByIndex(n1).Way;
  Link(before, n1, 100);
  EXPECT_EQ(FatalOf([&] { OppositeNode(n1, 1); }), kConfused);
  EXPECT_EQ(FatalOf([&] { OppositeNode(lone, 1); }), kConfused) << "no previous link";
  EXPECT_EQ(FatalOf([&] { OppositeNode(after, 1); }), kConfused) << "the previous node has no way";
  EXPECT_EQ(FatalOf([&] { OppositeNode(0, 1); }), kConfused);
  EXPECT_EQ(FatalOf([&] { OppositeNode(NodeArrayCount + 1, 1); }), kConfused);

  // A router's centre way; a crossing centre asked at an arm's entry.
  ArrayerReset();
  const uint32_t r1 = Node(0, 0), r2 = Node(0, 10), r3 = Node(100, 10), r4 = Node(100, 0);
  Way(kWaytypeRouter, 0, {r1, r2, r3, r4}, true, 100, kRouterCentrePart);
  EXPECT_EQ(FatalOf([&] { OppositeNode(r2, 1); }), kConfused);
  EXPECT_EQ(FatalOf([&] { OppositeNode(r4, 0); }), kConfused);
  const std::vector<uint32_t> x = Crossing(kWaytypeXCrossing, 4);
  Link(x[0], x[2], 100);
  EXPECT_EQ(FatalOf([&] { OppositeNode(x[2], 1); }), kConfused);
  ArrayerReset();
  const uint32_t a = Node(0, 0), b = Node(0, 10), c = Node(100, 10), d = Node(100, 0);
  Way(4, 0, {a, b, c, d});
  EXPECT_EQ(FatalOf([&] { OppositeNode(d, 1); }), Fatal("Error in OppositeNode: Unimplemented Waytype"));
  // A way whose list names no node there.
  ArrayerReset();
  const uint32_t p = Node(0, 0), q = Node(0, 10), r = Node(100, 10), s = Node(100, 0);
  const uint32_t way = Way(kWaytypeStreet, 0, {p, q, r, s});
  TWay w = ReadWay(way);
  w.Nodes[1] = 0;
  w.A_Overwrite();
  EXPECT_EQ(FatalOf([&] { OppositeNode(s, 1); }), kConfused);
}

}  // namespace
