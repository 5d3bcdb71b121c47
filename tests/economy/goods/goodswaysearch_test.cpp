// The goods-way search: the ways it finds by transfer and by schedule, their ageing, the transfer
// distance rule, the path's room and the destination lists' room, the reach of a transfer, and
// the delete notices. Each pass runs to its end with the goods invariants checked after every step.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "economy/goods/goodswaysearch.h"
#include "economy/goods/handling.h"
#include "economy/goods/stationgoods.h"
#include "economy/step/goodsprocesses.h"
#include "economy/step/tick.h"
#include "engine/store/recordstore.h"
#include "tests/economy/goods/goods_fixture.h"
#include "tests/economy/goods/goods_invariants.h"
#include "tools/sample_economy.h"

namespace {

using goods_testing::kCoal;
using goods_testing::ChangeStation;
using goods_testing::kTools;

constexpr uint8_t kMine = 1, kWorks = 2;

class GoodswaySearch : public goods_testing::GoodsTest {
 protected:
  void SetUp() override {
    GoodsTest::SetUp();
    GameSettings.EconomyMode = 0;
    for (const uint8_t t : {kCoal, kTools}) {
      TGoodsType type = GoodsTypes[t];
      type.MaxAge = 20000;
      type.MaxTransportTime = 1.0e6f;
      ASSERT_TRUE(SetGoodsType(t, type));
    }
    TRecipe mine{};
    mine.Output = kCoal;
    SetRecipe(1, mine);
    TRecipe works{};
    works.Inputs[0] = kCoal;
    works.Needs[0] = 1.0f;
    works.InputCount = 1;
    works.Output = kTools;
    SetRecipe(2, works);
    const uint8_t one[] = {1}, two[] = {2};
    SetIndustryTypeRecipes(IndustryTypes[kMine], 1, one);
    SetIndustryTypeRecipes(IndustryTypes[kWorks], 1, two);
    sample_economy::SetGoodsWagon();
    PPFoundNewGoodsways.Speed = 1;
    PPFoundNewGoodsways.PassStart = kNow;
  }

  // A plain station (no market or industry) that loads and unloads goods.
  static uint32_t Plain(float x, float z = 0.0f) { return Station({x, 0.0f, z}); }
  static uint32_t Served(uint32_t site) {
    ChangeStation(site, [](TStation& s) { s.ServiceFlags |= 1 | 2 | 4; });
    return site;
  }
  static sample_economy::TSite Mine(float x) {
    auto site = sample_economy::IndustryWithStation(kMine, 10, {x, 0.0f, 0.0f});
    Served(site.Station);
    return site;
  }
  static sample_economy::TSite CoalMarket(float x, float z = 0.0f) {
    auto site = sample_economy::MarketWithStation({x, 0.0f, z}, {kCoal});
    Served(site.Station);
    return site;
  }

  // Runs the search from the start of a pass to its end, checking the invariants after each step;
  // false when the pass did not end within the steps.
  static bool RunPass(int most = 200000) {
    PPFoundNewGoodsways.Phase = 0;
    FoundNewGoodswaysStep(PPFoundNewGoodsways);
    for (int k = 0; k < most; ++k) {
      FoundNewGoodswaysStep(PPFoundNewGoodsways);
      const auto problems = goods_testing::GoodsInvariantViolations();
      if (!problems.empty()) {
        ADD_FAILURE() << problems.front();
        return false;
      }
      if (PPFoundNewGoodsways.Phase == 0) return true;
    }
    return false;
  }

  // The stations of every goods way, each as a list.
  static std::vector<std::vector<uint32_t>> Routes() {
    std::vector<std::vector<uint32_t>> routes;
    TGoodsway w{};
    for (uint32_t i = FindInArrayerRest(kARTypeGoodsway, 0); i != 0; i = FindInArrayerRest(kARTypeGoodsway, i)) {
      w.A_Read(i);
      std::vector<uint32_t> r;
      for (int k = 0; k < w.GoodsWayPathCounter; ++k) r.push_back(uint32_t{w.Path[k].Station});
      routes.push_back(r);
    }
    return routes;
  }
  static uint32_t WayAlong(const std::vector<uint32_t>& stations) {
    TGoodsway w{};
    for (uint32_t i = FindInArrayerRest(kARTypeGoodsway, 0); i != 0; i = FindInArrayerRest(kARTypeGoodsway, i)) {
      w.A_Read(i);
      std::vector<uint32_t> r;
      for (int k = 0; k < w.GoodsWayPathCounter; ++k) r.push_back(uint32_t{w.Path[k].Station});
      if (r == stations) return i;
    }
    return 0;
  }
};

// A mine 3,000 from a market that takes coal, a line between their stations, and a plain station
// by the mine that no line serves: the direct way and the ridden way are found, the pass ends (the
// transfer to the plain station leads nowhere, and the walk goes on with the mine's next
// transfer instead of walking its lines again), and both ways are listed by the market and the
// mine. A second pass finds them again: nothing new, both still active.
TEST_F(GoodswaySearch, FindsTheDirectAndTheRiddenWayAndFindsThemAgain) {
  const auto mine = Mine(0.0f);
  const auto market = CoalMarket(3000.0f);
  Plain(300.0f);
  const uint32_t line = sample_economy::GoodsSchedule({mine.Station, market.Station}, 400, 50);
  ASSERT_TRUE(RunPass());
  EXPECT_EQ(Routes(), (std::vector<std::vector<uint32_t>>(2, {mine.Station, market.Station})));
  // ways[0] the direct way, ways[1] the ridden one.
  TGoodsway ways[2]{};
  uint32_t direct = 0;
  for (uint32_t i = FindInArrayerRest(kARTypeGoodsway, 0); i != 0; i = FindInArrayerRest(kARTypeGoodsway, i)) {
    const TGoodsway w = StoredRecord<TGoodsway>(i);
    if ((w.GoodsWayFlags & kGoodswayByTransfer) != 0) direct = i;
    ways[(w.GoodsWayFlags & kGoodswayByTransfer) != 0 ? 0 : 1] = w;
  }
  ASSERT_NE(direct, 0u);
  EXPECT_EQ(+ways[0].GoodsWayFlags, kGoodswayByTransfer | kGoodswayActive | kGoodswayFound);
  EXPECT_EQ(+ways[0].GoodsWayFreeAmount, 1e20f);
  EXPECT_EQ(+ways[0].Path[0].Schedule, 0u);
  EXPECT_EQ(+ways[1].GoodsWayFlags, kGoodswayActive | kGoodswayFound);
  EXPECT_EQ(+ways[1].Path[0].Schedule, line);
  EXPECT_EQ(+ways[1].Path[0].StopNumber, 1);
  EXPECT_EQ(+ways[1].Path[0].ScheduleHop, 1);
  // The ride's hop cost is the distance x the factor; its time weighs it by 1.5 x the share.
  EXPECT_FLOAT_EQ(+ways[1].Path[0].HopCost, 3000.0f);
  EXPECT_EQ(+ways[1].Path[0].Share, 50);
  EXPECT_NEAR(+ways[1].GoodsWayTime, 2250.0f + 400 * 0.00001f, 0.01f);
  EXPECT_FLOAT_EQ(+ways[0].GoodsWayTime, GoodsTransportTime({0, 0, 0}, {3000.0f, 0, 0}, kCoal));
  for (const auto& w : ways) {
    EXPECT_EQ(+w.GoodsWayFrom, mine.Industry);
    EXPECT_EQ(+w.GoodswayTo, market.Industry);
  }
  auto m = std::make_unique<TMarket>();
  m->A_Read(market.Industry);
  EXPECT_EQ(+m->MarketCalcGWFromCounter, 2);
  EXPECT_EQ(+ReadIndustry(mine.Industry)->IndustryOutputCounter, 2);

  ASSERT_TRUE(RunPass());
  EXPECT_EQ(Routes().size(), 2u);
  ways[0].A_Read(direct);
  EXPECT_EQ(+ways[0].GoodsWayFlags & (kGoodswayActive | kGoodswayFound), kGoodswayActive | kGoodswayFound);
  m->A_Read(market.Industry);
  EXPECT_EQ(+m->MarketCalcGWFromCounter, 2);
  EXPECT_TRUE(Warnings().empty());
}

// A way that is not found again keeps its flags for the pass that follows the one that found it,
// then loses bit value 2 while a batch is on it, and is destroyed by the pass after the batch is
// gone; its market and its mine forget it.
TEST_F(GoodswaySearch, AWayNotFoundAgainLosesItsActiveFlagAndThenGoes) {
  const auto mine = Mine(0.0f);
  const auto market = CoalMarket(2000.0f);
  ASSERT_TRUE(RunPass());
  const uint32_t way = WayAlong({mine.Station, market.Station});
  ASSERT_NE(way, 0u);
  // A batch waits for the way at the mine's station.
  const uint32_t batch = Good(kCoal, 10, way, kNow);
  ChangeStation(mine.Station, [&](TStation& s) { s.GoodsOut[s.StationOutGoodsCounter++] = batch; });
  TGoodsway w = StoredRecord<TGoodsway>(way);
  w.GoodsWayRefCount = 1;
  w.A_Overwrite();
  // The market no longer takes coal.
  auto m = std::make_unique<TMarket>();
  m->A_Read(market.Industry);
  m->MarketGoodsCounter = 0;
  m->A_ReWrite();

  const auto flags = [&] { return StoredRecord<TGoodsway>(way).GoodsWayFlags; };
  ASSERT_TRUE(RunPass());  // ages: the way was found by the last pass
  EXPECT_EQ(flags(), kGoodswayByTransfer | kGoodswayActive);
  ASSERT_TRUE(RunPass());  // not found since: no longer active, kept for its batch
  EXPECT_EQ(flags(), kGoodswayByTransfer);
  ChangeStation(mine.Station, [](TStation& s) { s.StationOutGoodsCounter = 0; });
  DestroyGood(batch);
  ASSERT_TRUE(RunPass());
  EXPECT_FALSE(ArrayerHolds(kTGoodswayDesc, way));
  m->A_Read(market.Industry);
  EXPECT_EQ(+m->MarketCalcGWFromCounter, 0);
  EXPECT_EQ(+ReadIndustry(mine.Industry)->IndustryOutputCounter, 0);
}

// The mine hands its coal over to a plain station on a line to the market: a plain station
// 4,999.9 away is reached, one 5,000.1 away is not; the market, 9,000 away, is reached directly
// by transfer because both ends have a market or industry.
TEST_F(GoodswaySearch, ATransferFartherThan5000NeedsAMarketOrIndustryAtBothEnds) {
  for (const float distance : {4999.9f, 5000.1f}) {
    SCOPED_TRACE(distance);
    TearDown();
    SetUp();
    const auto mine = Mine(0.0f);
    const auto market = CoalMarket(9000.0f);
    const uint32_t between = Plain(distance);
    sample_economy::GoodsSchedule({between, market.Station}, 100, 50);
    ASSERT_TRUE(RunPass());
    EXPECT_NE(WayAlong({mine.Station, market.Station}), 0u);
    EXPECT_EQ(WayAlong({mine.Station, between, market.Station}) != 0, distance < 5000.0f);
  }
}

// A chain of 110 plain stations 10 apart, each joined to the next by a line of its own, from a
// mine's station; markets at the 98th and 99th station. The walk's path never holds more than 99
// entries nor a station twice; the 98th station is reached by schedule and gets its way, the
// 99th (which only a 99th entry could reach) does not.
TEST_F(GoodswaySearch, ThePathHoldsAtMost99EntriesAndNoStationTwice) {
  const auto mine = Mine(0.0f);
  ChangeStation(mine.Station, [](TStation& s) { s.ServiceFlags = 4; });  // no transfer from the mine
  std::vector<uint32_t> chain{mine.Station};
  std::vector<sample_economy::TSite> markets;
  for (int k = 2; k <= 110; ++k) {
    if (k == 98 || k == 99) {
      markets.push_back(CoalMarket(10.0f * (k - 1)));
      chain.push_back(markets.back().Station);
    } else {
      chain.push_back(Station({10.0f * (k - 1), 0.0f, 0.0f}, 0, 4));  // loads, never hands over
    }
  }
  for (size_t k = 0; k + 1 < chain.size(); ++k) sample_economy::GoodsSchedule({chain[k], chain[k + 1]}, 10, 20);
  PPFoundNewGoodsways.Phase = 0;
  int longest = 0;
  for (int step = 0; step < 500000; ++step) {
    FoundNewGoodswaysStep(PPFoundNewGoodsways);
    const TPPFoundNewGoodsways& p = PPFoundNewGoodsways;
    if (p.Phase >= 4) {
      const int count = p.Work.GoodsWayPathCounter;
      ASSERT_LE(count, 99);
      longest = std::max(longest, count);
      std::set<uint32_t> seen;
      for (int n = 1; n < count; ++n) {
        const uint32_t station = p.Work.Path[n - 1].Station;
        ASSERT_TRUE(seen.insert(station).second) << "entry " << n;
      }
    }
    if (step > 0 && p.Phase == 0) break;
  }
  ASSERT_EQ(PPFoundNewGoodsways.Phase, 0);
  EXPECT_EQ(longest, 99);
  const std::vector<uint32_t> to98(chain.begin(), chain.begin() + 98);
  EXPECT_NE(WayAlong(to98), 0u);
  for (const auto& route : Routes()) {
    EXPECT_LE(route.size(), 98u);
    EXPECT_NE(route.back(), markets[1].Station);
  }
  EXPECT_TRUE(goods_testing::GoodsInvariantViolations().empty());
}

// A destination lists at most 250 goods ways: a new one past that takes the last place and warns.
TEST_F(GoodswaySearch, ADestinationListsAtMost250Ways) {
  const auto mine = Mine(0.0f);
  const auto market = CoalMarket(100.0f);
  TGoodswayList list;
  for (int k = 0; k < 250; ++k) list.Ways[k] = 900000 + k;  // none of them stored
  list.Count = 250;
  TGoodsway work{};
  work.GoodsWayFrom = mine.Industry;
  work.GoodswayTo = market.Industry;
  work.GoodsWayGoodType = kCoal;
  work.GoodsWayPathCounter = 2;
  work.Path[0].Station = mine.Station;
  work.Path[1].Station = market.Station;
  work.GoodsWayFlags = kGoodswayByTransfer;
  EXPECT_FALSE(SaveGoodsWayIfNew(list, work, false));
  ASSERT_TRUE(SaveGoodsWayIfNew(list, work, true));
  EXPECT_EQ(+list.Count, 250);
  EXPECT_EQ(+list.Ways[249], +work.Index);
  EXPECT_EQ(+list.Ways[248], 900248u);
  EXPECT_EQ(Warnings(), std::vector<std::string>{"Warning: Goods: SaveGoodsWayIfNew: CalcGWFrom is full! I/M: " +
                                                 std::to_string(market.Industry)});
  // The same route again is the stored way, refreshed.
  work.GoodsWayTime = 77.0f;
  EXPECT_FALSE(SaveGoodsWayIfNew(list, work, true));
  EXPECT_EQ(+StoredRecord<TGoodsway>(work.Index).GoodsWayTime, 77.0f);
  EXPECT_EQ(Routes().size(), 1u);
}

// An industry whose output list is full keeps the way the destination lists, warns, and the
// walk leaves it.
TEST_F(GoodswaySearch, AFullOutputListWarnsAndTheWalkLeavesTheIndustry) {
  const auto mine = Mine(0.0f);
  CoalMarket(100.0f);
  CoalMarket(0.0f, 100.0f);
  auto i = ReadIndustry(mine.Industry);
  for (int k = 0; k < 250; ++k) i->Output[k] = TIndustryOutput{0, 800000u + k};
  i->IndustryOutputCounter = 250;
  i->A_ReWrite();
  ASSERT_TRUE(RunPass());
  EXPECT_EQ(Routes().size(), 1u);  // the second market is not walked to
  EXPECT_EQ(Warnings(), std::vector<std::string>{
                            "Warning: Goods: PPFoundNewGoodsways: There are no Room to save the Goodsway in Industry: " +
                            std::to_string(mine.Industry)});
}

// The reach of a transfer inverts the transport time (beyond 1500 the distance grows by the power
// 1.2, the reach shrinks by its inverse), and is at most the distance asked.
TEST_F(GoodswaySearch, TheReachInvertsTheTransportTime) {
  TGoodsType type = GoodsTypes[kCoal];
  type.TransportFactor = 2.5f;
  ASSERT_TRUE(SetGoodsType(kCoal, type));
  for (const float d : {10.0f, 1400.0f, 1500.0f, 1600.0f, 4000.0f, 12000.0f}) {
    SCOPED_TRACE(d);
    const float time = GoodsTransportTime({0, 0, 0}, {d, 0, 0}, kCoal);
    EXPECT_NEAR(GoodsReachWithin(kCoal, 1.0e9f, time), d, d * 2e-4f);
    EXPECT_EQ(GoodsReachWithin(kCoal, d / 2, time), d / 2);
  }
  EXPECT_LT(GoodsReachWithin(kCoal, 1000.0f, 1.0f), 0.0f);  // less time than a hand-over takes
}

// A goods type without a transport factor above 0 is refused: the reach divides by it.
TEST_F(GoodswaySearch, ATransportFactorNotAbove0IsRefused) {
  for (const float factor : {0.0f, -1.0f, NAN}) {
    TGoodsType type = GoodsTypes[kCoal];
    type.TransportFactor = factor;
    EXPECT_FALSE(SetGoodsType(kCoal, type));
    EXPECT_EQ(+GoodsTypes[kCoal].TransportFactor, 1.0f);
  }
  EXPECT_EQ(Warnings(), std::vector<std::string>(3, "Goods type 1: transport factor must be above 0"));
}

// The delete notices: the walk leaves a deleted industry; a deleted schedule or station on its
// path (entries 1 to count - 1) walks the goods type again; anything else changes nothing.
TEST_F(GoodswaySearch, DeleteNoticesRestartWhatTheyTouch) {
  struct Case {
    uint8_t Phase;
    char What;  // 'i' industry, 's' schedule, 't' station
    uint32_t Index;
    uint8_t PhaseAfter, TypeAfter;
  };
  for (const Case c : {Case{3, 'i', 7, 2, 2}, Case{6, 'i', 7, 2, 2}, Case{2, 'i', 7, 2, 2}, Case{5, 'i', 8, 5, 2},
                       Case{4, 's', 31, 3, 1}, Case{5, 's', 32, 3, 1}, Case{6, 's', 33, 6, 2},
                       Case{3, 's', 31, 3, 2}, Case{5, 't', 21, 3, 1}, Case{6, 't', 22, 3, 1},
                       Case{6, 't', 23, 6, 2}}) {
    SCOPED_TRACE(std::string(1, c.What) + std::to_string(c.Index) + " in phase " + std::to_string(c.Phase));
    TPPFoundNewGoodsways p{};
    p.Phase = c.Phase;
    p.IndustryCursor = 7;
    p.GoodType = 2;
    p.Work.GoodsWayPathCounter = 3;  // entries 1 and 2 on the path, 3 being built
    p.Work.Path[0] = TGoodswayPathEntry{21, 31, 0.0f, 1, 1, 0, 0};
    p.Work.Path[1] = TGoodswayPathEntry{22, 32, 0.0f, 1, 1, 0, 0};
    p.Work.Path[2] = TGoodswayPathEntry{23, 33, 0.0f, 0, 0, 0, 0};
    if (c.What == 'i') FNGIndustryDeleted(p, c.Index);
    if (c.What == 's') FNGScheduleDeleted(p, c.Index);
    if (c.What == 't') FNGStationDeleted(p, c.Index);
    EXPECT_EQ(p.Phase, c.PhaseAfter);
    EXPECT_EQ(p.GoodType, c.TypeAfter);
  }
}

// Goods are loaded where a stop names their type for a vehicle position, or names none and the
// vehicle carries them; ships' and planes' schedules (mode 2 and above) carry nothing; a stop
// that is no halt is warned about.
TEST_F(GoodswaySearch, WhichStopsLoadTheGoods) {
  const uint32_t a = Plain(0.0f), b = Plain(100.0f);
  TSchedule s = StoredRecord<TSchedule>(sample_economy::GoodsSchedule({a, b}, 10, 50));
  EXPECT_TRUE(ScheduleCarriesGood(s, kCoal));
  EXPECT_FALSE(ScheduleCarriesGood(s, goods_testing::kPassengers));
  EXPECT_TRUE(GoodTransFromScheduleStation(s, kCoal, 1));
  s.Stops[0].GoodsTypes[0] = kTools;
  EXPECT_FALSE(GoodTransFromScheduleStation(s, kCoal, 1));
  EXPECT_TRUE(GoodTransFromScheduleStation(s, kTools, 1));
  s.Stops[0].GoodsTypes[0] = goods_testing::kPassengers;  // named for the position: taken as named
  EXPECT_TRUE(GoodTransFromScheduleStation(s, goods_testing::kPassengers, 1));
  EXPECT_TRUE(Warnings().empty());
  s.Stops[1].Halt = 0;
  EXPECT_TRUE(GoodTransFromScheduleStation(s, kCoal, 2));
  EXPECT_FALSE(GoodTransFromScheduleStation(s, kCoal, 3));
  EXPECT_EQ(Warnings().size(), 2u);
  s.Use = 2;
  EXPECT_FALSE(ScheduleCarriesGood(s, kCoal));
  EXPECT_FALSE(GoodTransFromScheduleStation(s, kCoal, 1));
}

// The industry's requested production decides its resize state as the walk reaches it: a state
// taken anew is only noted; one that has stood for more than 45,000 ticks grows or shrinks it.
TEST_F(GoodswaySearch, AnIndustryIsResizedByWhatIsRequestedOfIt) {
  static int grown, shrunk;
  grown = shrunk = 0;
  industry_size_hooks::GrowIndustry = [](TIndustry&) { ++grown; };
  industry_size_hooks::ShrinkIndustry = [](TIndustry&) { ++shrunk; };
  const auto mine = Mine(0.0f);
  auto i = ReadIndustry(mine.Industry);
  i->IndustryPCOutputCounter = 2;
  SetIndustryProduction(*i, 0, TIndustryProduction{0.0f, 0.6f, 0, 0, 0, 0});
  SetIndustryProduction(*i, 1, TIndustryProduction{0.0f, 0.5f, 0, 0, 0, 0});
  i->A_ReWrite();
  ASSERT_TRUE(RunPass());
  EXPECT_EQ(+ReadIndustry(mine.Industry)->ResizeState, 2);
  EXPECT_EQ(+ReadIndustry(mine.Industry)->ResizeTick, kNow);
  GameTime = kNow + 45001;
  ASSERT_TRUE(RunPass());
  EXPECT_EQ(grown, 1);
  EXPECT_EQ(+ReadIndustry(mine.Industry)->ResizeTick, kNow + 45001);
  i = ReadIndustry(mine.Industry);
  SetIndustryProduction(*i, 0, TIndustryProduction{});
  i->A_Overwrite();
  ASSERT_TRUE(RunPass());  // 0.5 is not above 0.5: shrink, noted
  EXPECT_EQ(+ReadIndustry(mine.Industry)->ResizeState, 0);
  EXPECT_EQ(shrunk, 0);
}

// Installed in the economy, the search steps with the goods driver in the goods-way economy and
// hears of deleted stations.
TEST_F(GoodswaySearch, TheDriverStepsTheSearchAndPassesTheDeleteNotices) {
  InstallGoodsProcesses();
  const auto mine = Mine(0.0f);
  Plain(200.0f);
  PPFoundNewGoodsways.Speed = 3;
  ProcessGoods();
  EXPECT_EQ(PPFoundNewGoodsways.Phase, 3);  // started, aged nothing, reached the mine
  EXPECT_EQ(PPFoundNewGoodsways.Speed, 1);  // re-tuned at the start of the pass
  ProcessGoods();
  EXPECT_EQ(PPFoundNewGoodsways.Phase, 4);
  ProcessGoods();
  ASSERT_EQ(PPFoundNewGoodsways.Phase, 6);  // no line: the mine hands over
  EXPECT_EQ(PPFoundNewGoodsways.GoodType, kCoal);
  GoodsOnDestroyStation(mine.Station);
  EXPECT_EQ(PPFoundNewGoodsways.Phase, 3);
  EXPECT_EQ(PPFoundNewGoodsways.GoodType, 0);
  step_hooks::InstallDefaults();
  world_hooks::InstallDefaults();
  goods_hooks::InstallDefaults();
}

}  // namespace
