// The production and goods-way planning: whole passes over small worlds of industries, goods ways
// and a market, with the goods invariants checked after every step.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "economy/goods/planning.h"
#include "engine/store/recordaccess.h"
#include "tests/economy/goods/goods_fixture.h"
#include "tests/economy/goods/goods_invariants.h"

namespace {

using goods_testing::kCoal;
using goods_testing::kTools;

constexpr uint8_t kFactory = 1, kWorks = 2, kMine = 3, kLoop = 4;
constexpr int32_t kInterval = 100;

class GoodsPlanning : public goods_testing::GoodsTest {
 protected:
  void SetUp() override {
    GoodsTest::SetUp();
    GameSettings.EconomyMode = 0;
    TGoodsType tools = GoodsTypes[kTools];
    tools.ConsumerValue = 1.0f;
    tools.MaxTransportTime = 1000.0f;
    tools.DemandFactors[0] = 1.0f;
    tools.PriceLimits[0] = 13.0f;
    ASSERT_TRUE(SetGoodsType(kTools, tools));
    // 1 tools of nothing, 2 tools of 2 coal, 3 coal of nothing, 4 coal of 1 coal.
    TRecipe r{};
    r.Output = kTools;
    ASSERT_TRUE(SetRecipe(1, r));
    r.Inputs[0] = kCoal;
    r.Needs[0] = 2.0f;
    r.InputCount = 1;
    ASSERT_TRUE(SetRecipe(2, r));
    TRecipe coalOnly{};
    coalOnly.Output = kCoal;
    ASSERT_TRUE(SetRecipe(3, coalOnly));
    r.Needs[0] = 1.0f;
    r.Output = kCoal;
    ASSERT_TRUE(SetRecipe(4, r));
    for (uint8_t type : {kFactory, kWorks, kMine, kLoop}) {
      const uint8_t recipe[] = {type};
      SetIndustryTypeRecipes(IndustryTypes[type], 1, recipe);
      ASSERT_TRUE(SetIndustryTypeInterval(IndustryTypes[type], kInterval));
      SetIndustryTypeCostFactor(IndustryTypes[type], 1.0f);
    }
    PPRecalcProductionWays.Speed = 1;
    PPRecalcProductionWays.PassStart = kNow;
  }
  void TearDown() override {
    for (int n = 1; n <= 4; ++n) SetRecipe(n, TRecipe{});
    for (uint8_t t : {kFactory, kWorks, kMine, kLoop}) IndustryTypes[t] = TIndustryType{};
    GoodsTest::TearDown();
  }

  // An industry of the type and size (a full production of size / 100 per tick), cost value 2.
  static uint32_t Site(uint8_t type, int32_t size) {
    auto i = std::make_unique<TIndustry>();
    i->IndustryType = type;
    i->Size = size;
    i->CostValue = 2.0f;
    i->IndustryPCOutputCounter = 1;
    i->A_Write();
    return i->Index;
  }
  static uint32_t Market(int32_t population) {
    RecordDesc d = kTMarketDesc;
    d.Ops |= kOpWrite;
    auto m = std::make_unique<TMarket>();
    *m = TMarket{};
    m->LastResidents[0] = population;
    RecordWrite(d, m.get());
    return m->Index;
  }
  static std::unique_ptr<TMarket> ReadMarket(uint32_t index) {
    auto m = std::make_unique<TMarket>();
    m->A_Read(index);
    return m;
  }
  // A goods way of the type from the industry to the market or industry (To an industry when
  // ToIndustry), transport time 10; a direct way may carry any amount.
  static uint32_t Way(uint32_t from, uint32_t to, bool toIndustry, uint8_t type, uint8_t flags = kGoodswayActive | kGoodswayByTransfer) {
    TGoodsway w{};
    w.GoodsWayFrom = from;
    w.GoodswayTo = to;
    w.GoodsWayGoodType = type;
    w.GoodsWayFlags = flags;
    w.GoodsWayTime = 10.0f;
    w.GoodsWayFreeAmount = (flags & kGoodswayByTransfer) != 0 ? kPlanningFree : 0.0f;
    w.GoodsWayMeasureStart = kNow;
    w.GoodsWayPathCounter = 2;
    w.Path[0].ScheduleHop = (flags & kGoodswayByTransfer) != 0 ? 0 : 1;
    w.A_Write();
    if (toIndustry) {
      auto i = ReadIndustry(to);
      i->CalcGWFrom[i->IndustryCalcGWFromCounter++] = w.Index;
      i->A_ReWrite();
    } else {
      auto m = ReadMarket(to);
      m->CalcGWFrom[m->MarketCalcGWFromCounter++] = w.Index;
      m->A_ReWrite();
    }
    return w.Index;
  }
  static TGoodsway ReadWay(uint32_t index) { return StoredRecord<TGoodsway>(index); }
  static float Requests(uint32_t industry) { return IndustryProduction(*ReadIndustry(industry), 0).Requests; }
  static TMarketGoods ToolsEntry(uint32_t market) {
    const auto m = ReadMarket(market);
    const int k = FindMarketGoods(*m, kTools);
    return k < 0 ? TMarketGoods{} : MarketGoods(*m, k);
  }

  // Steps until the pass has run through and phase 0 comes again; the invariants hold after each step.
  static void OnePass() {
    bool started = false;
    for (int n = 0; n < 200000; ++n) {
      RecalcProductionWaysStep(PPRecalcProductionWays);
      const std::vector<std::string> problems = goods_testing::GoodsInvariantViolations();
      ASSERT_TRUE(problems.empty()) << "step " << n << ": " << problems.front();
      started = started || PPRecalcProductionWays.Phase != 0;
      if (started && PPRecalcProductionWays.Phase == 0) return;
    }
    FAIL() << "the pass did not end";
  }
};

TEST_F(GoodsPlanning, ADirectWayIsLimitedOnlyByTheIndustryAndTheMarket) {
  // The chain costs (cost factor 1 x cost value 2 + time 10) x 1 + consumer value 1 = 13, where
  // the market's 1,000 inhabitants demand 1000 x factor / (1 + 9 x 13 / 13) = 100 x factor. The
  // factory makes 10 / 100 = 0.1 per tick at most.
  const struct {
    float Factor;
    float Amount;
    uint8_t Demand;
  } cases[] = {{1.0f, 0.1f, 1}, {0.0005f, 0.05f, 0}};
  // The bisection stops at its first step not above 0.00001: its result lies within twice the last
  // step it took (0.1 / 2^13) of the amount the market takes.
  constexpr float kBisection = 0.1f / 4096.0f;
  // Each case has a factory, a market and a way of its own.
  for (const auto& c : cases) {
    TGoodsType tools = GoodsTypes[kTools];
    tools.DemandFactors[0] = c.Factor;
    ASSERT_TRUE(SetGoodsType(kTools, tools));
    const uint32_t factory = Site(kFactory, 10), market = Market(1000);
    const uint32_t way = Way(factory, market, false, kTools);
    OnePass();
    EXPECT_NEAR(ReadWay(way).GoodsWayNewAmount, c.Amount, kBisection) << c.Factor;
    EXPECT_NEAR(Requests(factory), c.Amount / 0.1f, 10.0f * kBisection);
    const TMarketGoods e = ToolsEntry(market);
    EXPECT_EQ(e.GoodType, kTools);
    EXPECT_NEAR(e.Assigned, c.Amount, kBisection);
    EXPECT_FLOAT_EQ(e.AverageCost, 13.0f);
    EXPECT_EQ(e.Demand, c.Demand);
    // The next pass makes the collected requests the factory's requested amount.
    OnePass();
    EXPECT_NEAR(IndustryProduction(*ReadIndustry(factory), 0).ThisMonth, c.Amount / 0.1f, 10.0f * kBisection);
  }
}

TEST_F(GoodsPlanning, AMarketWithoutPopulationLosesItsEntryAndTakesNothing) {
  const uint32_t factory = Site(kFactory, 10), market = Market(0);
  {
    auto m = ReadMarket(market);
    TMarketGoods coal{};
    coal.GoodType = kCoal;
    coal.Assigned = 3.0f;
    SetMarketGoods(*m, 0, coal);
    TMarketGoods tools{};
    tools.GoodType = kTools;
    tools.Demand = 1;
    tools.Assigned = 5.0f;
    SetMarketGoods(*m, 1, tools);
    m->MarketGoodsCounter = 2;
    m->A_ReWrite();
  }
  const uint32_t way = Way(factory, market, false, kTools);
  OnePass();
  const auto m = ReadMarket(market);
  ASSERT_EQ(m->MarketGoodsCounter, 1);
  EXPECT_EQ(MarketGoods(*m, 0).GoodType, kCoal);
  EXPECT_FLOAT_EQ(MarketGoods(*m, 0).Assigned, 3.0f);
  EXPECT_EQ(ReadWay(way).GoodsWayNewAmount, 0.0f);
  EXPECT_EQ(Requests(factory), 0.0f);
}

TEST_F(GoodsPlanning, AScheduledWayIsPlannedByItsDeliveries) {
  // Measured over 4,000 ticks: 3,000 delivered, rates 0.4 and 0.2 before: Smooth2 gives 0.4875
  // and 0.271875. A way that lost batches is planned at 1.05 x 0.271875; one that did not may
  // carry what its free vehicles take (none here) + 1.7 / weight 1 + 1.1 x 0.271875; a way that
  // never delivered is tried with probe batches first.
  const struct {
    uint8_t Flags;
    int32_t LastDelivery;
    uint8_t FlagsAfter;
    float Free;
  } cases[] = {
      {kGoodswayLost, kNow - 10, kGoodswayLostBefore, 1.05f * 0.271875f},
      {kGoodswayLostBefore, kNow - 10, 0, 1.7f + 1.1f * 0.271875f},
      {0, 0, kGoodswayProbe, 0.0f},
  };
  for (const auto& c : cases) {
    const uint32_t factory = Site(kFactory, 1000), market = Market(1000);
    const uint32_t way = Way(factory, market, false, kTools, kGoodswayActive | c.Flags);
    {
      TGoodsway w = ReadWay(way);
      w.GoodsWayRateA = 0.4f;
      w.GoodsWayRateB = 0.2f;
      w.GoodsWayDelivered = 3000;
      w.GoodsWayMeasureStart = kNow - 4000;
      w.GoodsWayLastDelivery = c.LastDelivery;
      w.A_Overwrite();
    }
    OnePass();
    const TGoodsway w = ReadWay(way);
    EXPECT_EQ(w.GoodsWayFlags, kGoodswayActive | c.FlagsAfter) << int(c.Flags);
    EXPECT_FLOAT_EQ(w.GoodsWayRateB, 0.271875f);
    EXPECT_EQ(w.GoodsWayMeasureStart, kNow);
    EXPECT_EQ(w.GoodsWayDelivered, 0);
    EXPECT_NEAR(w.GoodsWayFreeAmount, c.Free, 1e-6f);
    EXPECT_NEAR(w.GoodsWayNewAmount, c.Free, 1e-6f);  // the market and the factory would take more
  }
}

TEST_F(GoodsPlanning, TheMarketBuysUntilItsDemandAtTheAverageCostIsMet) {
  // 100 inhabitants with factor 1 and price limit 100 hold 1 at cost 10; offered at 20:
  // 1 + x = 100 / (1 + 0.09 x (10 + 20 x) / (1 + x)) gives 2.8 x = 98.1.
  TGoodsType tools = GoodsTypes[kTools];
  tools.PriceLimits[0] = 100.0f;
  ASSERT_TRUE(SetGoodsType(kTools, tools));
  const int32_t population[6] = {100, 0, 0, 0, 0, 0};
  bool saturated = false;
  EXPECT_NEAR(MarketTakes(population, kTools, 1.0f, 10.0f, 20.0f, 1000.0f, saturated), 98.1f / 2.8f, 1e-4f);
  EXPECT_TRUE(saturated);
  EXPECT_FLOAT_EQ(MarketTakes(population, kTools, 1.0f, 10.0f, 20.0f, 30.0f, saturated), 30.0f);
  EXPECT_FALSE(saturated);
  // Above ten times the price limit a class buys nothing.
  EXPECT_FLOAT_EQ(MarketDemand(population, kTools, 1000.0f), 0.0f);
  EXPECT_FLOAT_EQ(MarketDemand(population, kTools, 100.0f), 10.0f);
}

TEST_F(GoodsPlanning, ChainsReachThroughTheWorksToEachMineCheapestFirst) {
  // Tools from works (0.1 per tick at most, 2 coal a unit) that two mines can supply: the near
  // mine's coal way is quicker, but it makes only enough for half the works' tools.
  const uint32_t works = Site(kWorks, 10), market = Market(1000);
  const uint32_t nearMine = Site(kMine, 10), farMine = Site(kMine, 1000);
  const uint32_t tools = Way(works, market, false, kTools);
  const uint32_t farCoal = Way(farMine, works, true, kCoal);
  const uint32_t nearCoal = Way(nearMine, works, true, kCoal);
  {
    TGoodsway w = ReadWay(farCoal);
    w.GoodsWayTime = 20.0f;
    w.A_Overwrite();
  }
  TGoodsType type = GoodsTypes[kTools];
  type.PriceLimits[0] = 1000.0f;
  ASSERT_TRUE(SetGoodsType(kTools, type));
  OnePass();
  EXPECT_NEAR(ReadWay(tools).GoodsWayNewAmount, 0.1f, 1e-6f);
  EXPECT_NEAR(ReadWay(nearCoal).GoodsWayNewAmount, 0.1f, 1e-6f);
  EXPECT_NEAR(ReadWay(farCoal).GoodsWayNewAmount, 0.1f, 1e-6f);
  EXPECT_NEAR(Requests(works), 1.0f, 1e-5f);
  EXPECT_NEAR(Requests(nearMine), 1.0f, 1e-5f);
  EXPECT_NEAR(Requests(farMine), 0.01f, 1e-6f);
  // The near chain (13 + (2 + 10) x 2 = 37) went first, then the far one (13 + (2 + 20) x 2 = 57).
  const TMarketGoods e = ToolsEntry(market);
  EXPECT_NEAR(e.Assigned, 0.1f, 1e-6f);
  EXPECT_NEAR(e.AverageCost, (0.05f * 37.0f + 0.05f * 57.0f) / 0.1f, 1e-3f);
}

TEST_F(GoodsPlanning, AChainThatWouldNeedASixteenthStepEnds) {
  // The loop industry makes coal of coal and feeds itself: every chain through it grows without
  // end and none completes. The search stops each at 15 steps and the pass ends with nothing planned.
  const uint32_t works = Site(kWorks, 10), market = Market(1000), loop = Site(kLoop, 10);
  const uint32_t tools = Way(works, market, false, kTools);
  Way(loop, works, true, kCoal);
  Way(loop, loop, true, kCoal);
  uint8_t most = 0;
  for (int n = 0; n < 5000 && !(n > 0 && PPRecalcProductionWays.Phase == 0); ++n) {
    RecalcProductionWaysStep(PPRecalcProductionWays);
    most = std::max(most, PPRecalcProductionWays.Chain.StepCount);
    ASSERT_LE(PPRecalcProductionWays.Chain.StepCount, TPPRecalcProductionWays::kChainRoom);
  }
  EXPECT_EQ(PPRecalcProductionWays.Phase, 0);
  EXPECT_EQ(most, TPPRecalcProductionWays::kChainRoom);
  EXPECT_EQ(ReadWay(tools).GoodsWayNewAmount, 0.0f);
  EXPECT_TRUE(goods_testing::GoodsInvariantViolations().empty());
}

TEST_F(GoodsPlanning, DeleteNoticesLeaveTheWorkingChainAndInvalidateSlots) {
  TPPRecalcProductionWays& p = PPRecalcProductionWays;
  const auto setUp = [&p] {
    p = {};
    p.Phase = 15;
    p.Chain.Market = 5;
    p.Chain.LastTried = 40;
    p.Chain.StepCount = 2;
    p.Chain.Steps[0].Industry = 7;
    p.Chain.Steps[0].Slots[0] = 41;
    p.Chain.Steps[1].Industry = 8;
    for (auto& slot : p.Best) slot.Chain.TotalCost = kPlanningFree;
    p.Best[3].Chain = p.Chain;
    p.Best[3].Chain.TotalCost = 50.0f;
    p.Best[3].Valid = 1;
  };
  const struct {
    const char* Name;
    void (*Notice)(TPPRecalcProductionWays&, uint32_t);
    uint32_t Index;
    uint8_t Phase;
    uint32_t LastTried;
    uint8_t Valid;
  } cases[] = {
      {"last tried way", RPWGoodswayDeleted, 40, 14, 40, 0},
      {"way in a slot", RPWGoodswayDeleted, 41, 14, 39, 0},
      {"other way", RPWGoodswayDeleted, 42, 15, 40, 1},
      {"industry of a step", RPWIndustryDeleted, 8, 14, 39, 0},
      {"other industry", RPWIndustryDeleted, 9, 15, 40, 1},
      {"the market", RPWMarketDeleted, 5, 13, 40, 0},
      {"other market", RPWMarketDeleted, 6, 15, 40, 1},
  };
  for (const auto& c : cases) {
    setUp();
    c.Notice(p, c.Index);
    EXPECT_EQ(p.Phase, c.Phase) << c.Name;
    EXPECT_EQ(p.Chain.LastTried, c.LastTried) << c.Name;
    EXPECT_EQ(p.Best[3].Valid, c.Valid) << c.Name;
  }
  // Outside the search only the slots are touched.
  setUp();
  p.Phase = 20;
  RPWIndustryDeleted(p, 7);
  EXPECT_EQ(p.Phase, 20);
  EXPECT_EQ(p.Best[3].Valid, 0);
}

}  // namespace
