// Completion of planned ways and the pre-booked costs of plans.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "engine/store/recordaccess.h"
#include "engine/world/hooks.h"
#include "network/construction/buildings.h"
#include "network/construction/prevcost.h"
#include "network/construction/ways.h"
#include "tests/network/construction/construction_fixture.h"
#include "tests/support/test_support.h"

namespace {

using namespace construction_testing;

const std::string kNoParty = "WARNING in Gameplay.AddtoPrevCost: Could not assign money to a player";

class WayCompletion : public ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();
    GameSettings.Level = 2;
    bookings_.clear();
    calculated_.clear();
    building_hooks::InstallDefaults();
    building_hooks::BookMoney = [](uint8_t player, float& stat, float amount, float factor) {
      bookings_.push_back({player, &stat, amount, factor});
    };
    world_hooks::CalcSchedule = [](TSchedule& s) {
      calculated_.push_back(s.Index);
      s.State = 1;
    };
    way_hooks::AddWayToBlockSystem = [](TWay& w) { calculated_.push_back(1000000 + w.Index); };
  }
  void TearDown() override {
    building_hooks::InstallDefaults();
    world_hooks::InstallDefaults();
    way_hooks::InstallDefaults();
    ResetWorldState();
    ConstructionTest::TearDown();
  }

  // A 100-unit way of the use between two new connects.
  TWay Way(uint8_t use, uint8_t owner) {
    TWay w{};
    w.A_Read(AddWayBetween(AddConnectAt(use, 1000, 1000), AddConnectAt(use, 1100, 1000), 15.0f, owner));
    w.Use = use;
    return w;
  }

  struct Booking {
    uint8_t player;
    float* stat;
    float amount, factor;
  };
  static inline std::vector<Booking> bookings_;
  static inline std::vector<uint32_t> calculated_;
};

TEST_F(WayCompletion, TheCostIsBookedOnTheOwnersConstructionCost) {
  struct Case {
    const char* name;
    uint8_t use, owner, level;
    float cost;           // 0: nothing booked
    long double prevCost; // the owner's PrevCost after, from 5000
  };
  const Case cases[] = {
      {"road", 0, 1, 2, 1000, 4000},
      {"rail", 1, 2, 2, 1500, 3500},
      {"level 1 leaves the pre-booked costs", 1, 1, 1, 1500, 5000},
      {"no owner", 0, 0, 2, 0, 5000},
      {"an owner beyond the players", 0, 11, 2, 0, 5000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bookings_.clear();
    GameSettings.Level = c.level;
    for (int p = 1; p <= 10; ++p) Players[p].PrevCost = 5000.0L;
    const TWay w = Way(c.use, c.owner);
    BookWayCost(w);
    if (c.cost == 0) {
      EXPECT_TRUE(bookings_.empty());
      continue;
    }
    ASSERT_EQ(bookings_.size(), 1u);
    TYearFinance& year = Players[c.owner].Finances[0];
    float* group = c.use == 1 ? year.RailStats : year.RoadStats;
    EXPECT_EQ(bookings_[0].player, c.owner);
    EXPECT_EQ(bookings_[0].stat, &group[kFinanceConstructionStat]);
    EXPECT_FLOAT_EQ(bookings_[0].amount, -c.cost);
    EXPECT_EQ(bookings_[0].factor, -1.0f);
    EXPECT_EQ(Players[c.owner].PrevCost.get(), c.prevCost);
  }
}

TEST_F(WayCompletion, FinishingMarksItsOwnNodesAndCountsInTheStatistics) {
  TWay w = Way(1, 1);
  const auto node = [](float x) {
    TNode n{};
    n.Position = {x, 0, 1000};
    return AddNode(n);
  };
  const uint32_t own = node(1000), other = node(1100);
  NodeByIndex(own).Way = w.Index;
  NodeByIndex(other).Way = w.Index + 7;
  w.NodesCounter = 3;
  w.Nodes[0] = own;
  w.Nodes[1] = other;
  w.Nodes[2] = 0;
  SetWayCompletionTick(w, 1234);
  FinishWay(w);
  EXPECT_EQ(w.State, 2);
  EXPECT_EQ(WayCompletionTick(w), 0u);
  EXPECT_EQ(NodeByIndex(own).Flags & kNodeFlagRouteEnd, kNodeFlagRouteEnd);
  EXPECT_EQ(NodeByIndex(other).Flags & kNodeFlagRouteEnd, 0);
  EXPECT_EQ(calculated_, std::vector<uint32_t>{1000000 + w.Index});
  const TYearFinance& year = Players[1].Finances[0];
  EXPECT_FLOAT_EQ(year.WayValue, 1500);
  EXPECT_FLOAT_EQ(year.RailLength, 100);
  EXPECT_FLOAT_EQ(year.RoadLength, 0);

  // A way without owner changes no statistics; one of an unknown use warns and is finished all the same.
  TWay road = Way(0, 0);
  FinishWay(road);
  EXPECT_EQ(road.State, 2);
  EXPECT_FLOAT_EQ(Players[1].Finances[0].RoadLength, 0);
  TWay odd = Way(0, 1);
  odd.Use = 5;
  FinishWay(odd);
  EXPECT_EQ(odd.State, 2);
  EXPECT_EQ(testing_support::Warnings().back(), "ERROR: gp_ways: FinishWay: Unsuportet Way.Use!");
}

TEST_F(WayCompletion, FinishingAStationWayRecalculatesTheSchedulesCallingThere) {
  const auto schedule = [](std::vector<uint32_t> stations) {
    // The programs never write new schedules through these routines; the test does it directly.
    RecordDesc d = kTScheduleDesc;
    d.Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite;
    TSchedule s{};
    s.ScheduleStationCounter = static_cast<uint8_t>(stations.size());
    for (size_t k = 0; k < stations.size(); ++k) s.Stops[k].Station = stations[k];
    RecordWrite(d, &s);
    return s.Index;
  };
  const uint32_t twice = schedule({40, 9, 40}), elsewhere = schedule({9}), once = schedule({40});
  TWay w = Way(1, 0);
  w.Station = 40;
  calculated_.clear();
  FinishWay(w);
  EXPECT_EQ(calculated_, (std::vector<uint32_t>{1000000 + w.Index, twice, twice, once}));
  TSchedule s{};
  s.A_Read(once);
  EXPECT_EQ(s.State, 1);
  s.A_Read(elsewhere);
  EXPECT_EQ(s.State, 0);
}

TEST_F(WayCompletion, PreBookingAndGivingBackGoToThePlayerOrTheTown) {
  struct Case {
    const char* name;
    uint8_t player, city, level;
    long double prevCost, budget;  // after, from 100 and 1000
    bool warns;
  };
  const Case cases[] = {
      {"the acting player", 3, 2, 2, 125, 1000, false},
      {"the acting player below level 2", 3, 2, 1, 100, 1000, false},
      {"the acting town", 0, 2, 2, 100, 975, false},
      {"nobody", 0, 0, 2, 100, 1000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::Warnings().clear();
    GameSettings.Level = c.level;
    Players[3].PrevCost = 100.0L;
    Cities[2].Budget = 1000.0L;
    ActPlayer = c.player;
    ActCity = c.city;
    AddtoPrevCost(25.0f);
    EXPECT_EQ(Players[3].PrevCost.get(), c.prevCost);
    EXPECT_EQ(Cities[2].Budget.get(), c.budget);
    EXPECT_EQ(testing_support::Warnings(), c.warns ? std::vector<std::string>{kNoParty} : std::vector<std::string>{});
    // Giving back restores what was booked.
    AddtoPrevCost(c.player, c.city, 25.0f);
    EXPECT_EQ(Players[3].PrevCost.get(), 100.0L);
    EXPECT_EQ(Cities[2].Budget.get(), 1000.0L);
  }
}

}  // namespace
