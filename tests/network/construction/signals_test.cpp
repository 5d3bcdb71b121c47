// The signal commands: a pair placed between two finished rail ways of the acting player, where it
// stands and how it looks, and the places where it is refused.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/store/connectpool.h"
#include "engine/store/nodepool.h"
#include "network/construction/signals.h"
#include "tests/network/track/blocks_fixture.h"

namespace {

using namespace block_testing;

class SignalCommands : public BlockTest {
 public:
  // Two ways along +x meeting at the middle connect (2000, 0, 1000).
  void Build() {
    ways_ = Track({{1000, 1000}, {2000, 1000}, {3000, 1000}}, false, &at_);
  }
  static constexpr TVector kMiddle{2000.0f, 0.0f, 1000.0f};
  static int SignalCount() {
    int n = 0;
    for (uint32_t s = FindInArrayerOA(kARTypeSignal, 0); s != 0; s = FindInArrayerOA(kARTypeSignal, s)) ++n;
    return n;
  }
  void Change(int way, const std::function<void(TWay&)>& change) {
    TWay w = Way(ways_[way]);
    change(w);
    w.A_Overwrite();
  }

  std::vector<uint32_t> ways_, at_;
};

TEST_F(SignalCommands, APairStandsBesideTheTrackFacingAlongItsLane) {
  Build();
  TConstructResult r{};
  PlaceSignal({2003.0f, 0.0f, 998.0f}, r);  // within the snap of the connect
  ASSERT_EQ(r, TConstructResult::Success());
  ASSERT_EQ(SignalCount(), 2);
  // At the first way's lane start (its third node, the lane back toward -x) and at its lane end,
  // where the second way's first lane starts toward +x.
  const TWay first = Way(ways_[0]);
  const TSignal back = Signal(NodeByIndex(first.Nodes[2]).Signal);
  const TSignal ahead = Signal(NodeByIndex(first.Nodes[3]).Signal);
  struct Expect {
    const TSignal& s;
    float x, z, gier;
  };
  for (const Expect& e : {Expect{back, 1979.0f, 979.0f, -270.0f}, Expect{ahead, 2021.0f, 1021.0f, -90.0f}}) {
    SCOPED_TRACE(e.s.Index);
    EXPECT_EQ(e.s.Kind, 1);
    EXPECT_EQ(e.s.OneWay, 0);
    EXPECT_EQ(e.s.Lamp, 1);  // both blocks are empty
    EXPECT_FLOAT_EQ(e.s.Pose.X, e.x);
    EXPECT_FLOAT_EQ(e.s.Pose.Y, 0.0f);
    EXPECT_FLOAT_EQ(e.s.Pose.Z, e.z);
    EXPECT_FLOAT_EQ(e.s.Pose.Gier, e.gier);
    EXPECT_EQ(e.s.Pose.Roll, 0.0f);
    EXPECT_EQ(e.s.Pose.Nick, 0.0f);
  }
  EXPECT_EQ(back.Node, first.Nodes[2]);
  EXPECT_EQ(back.Partner, ahead.Index);
  EXPECT_EQ(ahead.Partner, back.Index);
  EXPECT_EQ(back.Block, BlockOf(ways_[0]));
  EXPECT_EQ(ahead.Block, BlockOf(ways_[1]));
  EXPECT_NE(BlockOf(ways_[0]), BlockOf(ways_[1]));
}

TEST_F(SignalCommands, PlacesThatTakeNoSignalAreRefused) {
  struct Case {
    const char* name;
    std::function<void(SignalCommands&)> prepare;
    bool placed;
  };
  const auto both = [](uint8_t flags) {
    return [flags](SignalCommands& t) {
      for (int w : {0, 1}) t.Change(w, [flags](TWay& way) { WayFlags(way) |= flags; });
    };
  };
  const auto router = [](uint8_t part) {
    return [part](SignalCommands& t) {
      t.Change(1, [part](TWay& w) {
        w.Waytype = 3;
        WayPart(w) = part;
      });
    };
  };
  const Case cases[] = {
      {"a finished pair of ways", [](SignalCommands&) {}, true},
      {"another player's way", [](SignalCommands& t) { t.Change(1, [](TWay& w) { w.Owner = 2; }); }, false},
      {"a planned way", [](SignalCommands& t) { t.Change(0, [](TWay& w) { w.State = 0; }); }, false},
      {"a way to be demolished", [](SignalCommands& t) { t.Change(0, [](TWay& w) { w.State = 3; }); }, false},
      {"a router's centre", router(4), false},
      {"a router's leg", router(1), true},
      {"two bridge pieces", both(kWayBridge), false},
      {"two bridge pieces at a junction building",
       [&both](SignalCommands& t) {
         both(kWayBridge)(t);
         ConnectByIndex(t.at_[1]).JunctionBuilding = 7;
       },
       true},
      {"one bridge piece", [](SignalCommands& t) { t.Change(0, [](TWay& w) { WayFlags(w) |= kWayBridge; }); }, true},
      {"two cuttings", both(kWayCutting), false},
      {"one cutting", [](SignalCommands& t) { t.Change(1, [](TWay& w) { WayFlags(w) |= kWayCutting; }); }, true},
      {"a road connect", [](SignalCommands& t) { ConnectByIndex(t.at_[1]).WayType = 0; }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayerReset();
    Build();
    c.prepare(*this);
    TConstructResult r = TConstructResult::Of({5});
    PlaceSignal(kMiddle, r);
    EXPECT_EQ(r, c.placed ? TConstructResult::Success() : TConstructResult{});
    EXPECT_EQ(SignalCount(), c.placed ? 2 : 0);
  }

  // Where no two ways meet: the end of the track, open land, off the map.
  ArrayerReset();
  Build();
  for (const TVector& p : {TVector{1000, 0, 1000}, TVector{1500, 0, 1500}, TVector{10, 0, 10}}) {
    TConstructResult r = TConstructResult::Of({5});
    PlaceSignal(p, r);
    EXPECT_EQ(r, TConstructResult{});
  }
  EXPECT_EQ(SignalCount(), 0);
}

TEST_F(SignalCommands, RemovingIsRefusedWithoutAPairOfTheActingPlayer) {
  Build();
  TConstructResult r{};
  RemoveSignal(kMiddle, r);
  EXPECT_EQ(r, TConstructResult::Of({2}));
  PlaceSignal(kMiddle, r);
  ASSERT_EQ(r, TConstructResult::Success());
  ActPlayer = 2;
  RemoveSignal(kMiddle, r);
  EXPECT_EQ(r, TConstructResult::Of({2}));
  RemoveSignal({1000, 0, 1000}, r);
  EXPECT_EQ(r, TConstructResult::Of({2}));
  EXPECT_EQ(SignalCount(), 2);
  ActPlayer = 1;
  RemoveSignal(kMiddle, r);
  EXPECT_EQ(r, TConstructResult::Success());
  EXPECT_EQ(SignalCount(), 0);
  EXPECT_EQ(BlockOf(ways_[0]), BlockOf(ways_[1]));
  EXPECT_EQ(Blocks().size(), 1u);
}

}  // namespace
