// The goods creation at industries: when an industry is due, what it hands out (to the stations
// around in the simple economy, as batches along its goods ways in the goods-way economy) and what
// it computes for the next interval.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "economy/goods/creation.h"
#include "tests/economy/goods/goods_fixture.h"
#include "tests/economy/goods/goods_invariants.h"

namespace {

using goods_testing::kCoal;
using goods_testing::ReadStation;
using goods_testing::kTools;

constexpr uint8_t kMine = 1, kTwin = 2, kWorks = 3;
constexpr int32_t kInterval = 100;

class GoodsCreation : public goods_testing::GoodsTest {
 protected:
  void SetUp() override {
    GoodsTest::SetUp();
    TRecipe coal{};
    coal.Output = kCoal;
    ASSERT_TRUE(SetRecipe(1, coal));
    TRecipe tools{};
    tools.Inputs[0] = kCoal;
    tools.Needs[0] = 2.0f;
    tools.InputCount = 1;
    tools.Output = kTools;
    ASSERT_TRUE(SetRecipe(2, tools));
    TRecipe toolsFromNothing{};
    toolsFromNothing.Output = kTools;
    ASSERT_TRUE(SetRecipe(3, toolsFromNothing));
    const uint8_t mine[] = {1}, twin[] = {1, 3}, works[] = {2};
    SetIndustryTypeRecipes(IndustryTypes[kMine], 1, mine);
    SetIndustryTypeRecipes(IndustryTypes[kTwin], 2, twin);
    SetIndustryTypeRecipes(IndustryTypes[kWorks], 1, works);
    for (uint8_t t : {kMine, kTwin, kWorks}) ASSERT_TRUE(SetIndustryTypeInterval(IndustryTypes[t], kInterval));
    PPCreateGoods.Speed = 1;
    PPCreateGoods.PassStart = kNow;
    ASSERT_TRUE(SetCreateGoodsPeriod(6000));
  }
  void TearDown() override {
    for (int n = 1; n <= 3; ++n) SetRecipe(n, TRecipe{});
    for (uint8_t t : {kMine, kTwin, kWorks}) IndustryTypes[t] = TIndustryType{};
    GoodsTest::TearDown();
  }

  // An industry of the type and size, due at Due, with a production entry per recipe.
  static uint32_t Site(uint8_t type, int32_t size, uint32_t due, uint32_t station = 0) {
    auto i = std::make_unique<TIndustry>();
    i->IndustryType = type;
    i->Size = size;
    i->Productivity = 1.0f;
    i->IndustryPCOutputCounter = static_cast<uint8_t>(IndustryTypeRecipeCount(type));
    i->NextProductionTick = due;
    i->Station = station;
    i->A_Write();
    return i->Index;
  }
  template <class Change>
  static void ChangeIndustry(uint32_t index, Change change) {
    auto i = ReadIndustry(index);
    change(*i);
    i->A_ReWrite();
  }
  static TIndustryProduction Made(uint32_t industry, int k) { return IndustryProduction(*ReadIndustry(industry), k); }
  static float Acc(uint32_t industry, int k) {
    float f;
    const uint32_t v = ReadIndustry(industry)->Output[k].Value;
    std::memcpy(&f, &v, sizeof(f));
    return f;
  }
  static void SetAcc(TIndustry& i, int k, float f) { std::memcpy(&i.Output[k].Value, &f, sizeof(f)); }

  // Steps the process until it has started a new pass (phase 0 stepped) and come back to phase 0.
  static void OnePass() {
    for (int n = 0; n < 1000; ++n) {
      CreateGoodsStep(PPCreateGoods);
      if (PPCreateGoods.Phase == 0) return;
    }
    FAIL() << "the pass did not end";
  }
  static void ExpectInvariants() {
    const std::vector<std::string> problems = goods_testing::GoodsInvariantViolations();
    EXPECT_TRUE(problems.empty()) << problems.front();
  }
};

TEST_F(GoodsCreation, AnIndustryBehindCatchesUpOneIntervalEachPass) {
  GameSettings.EconomyMode = 1;
  const uint32_t mine = Site(kMine, 10, kNow - 250);
  // Each pass hands out the last interval's production and plans the next: 0, then 10 twice.
  const struct {
    uint32_t Due;
    float ThisMonth;
  } passes[] = {{kNow - 150, 0.0f}, {kNow - 50, 10.0f}, {kNow + 50, 20.0f}, {kNow + 50, 20.0f}};
  for (const auto& pass : passes) {
    OnePass();
    EXPECT_EQ(ReadIndustry(mine)->NextProductionTick, pass.Due);
    EXPECT_FLOAT_EQ(Made(mine, 0).ThisMonth, pass.ThisMonth);
    EXPECT_FLOAT_EQ(Made(mine, 0).Production, 10.0f);
  }
  ExpectInvariants();
}

TEST_F(GoodsCreation, TheSimpleEconomySharesSizeAndInputsBetweenRecipes) {
  GameSettings.EconomyMode = 1;
  // Two recipes without inputs each make half the size; recipes that share an input share the
  // stock by what each could make alone.
  const uint32_t twin = Site(kTwin, 10, kNow);
  OnePass();
  EXPECT_FLOAT_EQ(Made(twin, 0).Production, 5.0f);
  EXPECT_FLOAT_EQ(Made(twin, 1).Production, 5.0f);

  const uint8_t bothFromCoal[] = {2, 2};
  SetIndustryTypeRecipes(IndustryTypes[kTwin], 2, bothFromCoal);
  const struct {
    float Stock;
    float Production;  // of each recipe
    float Left;
  } cases[] = {// 2 coal a unit: each could make 10 of 20 coal, together they would take 40, so each makes 5.
               {20.0f, 10.0f, 0.0f},
               // Each could make 4 of 9, together they would take 16: 4 x 9 / 16 = 2.25, 2 each.
               {9.0f, 7.0f, 1.0f},
               {0.0f, 5.0f, 0.0f},
               {1.0f, 5.0f, 1.0f},
               {100.0f, 30.0f, 0.0f}};
  for (const auto& c : cases) {
    const uint32_t i = Site(kTwin, 10, kNow);
    ChangeIndustry(i, [&](TIndustry& r) {
      SetIndustryInput(r, 0, {c.Stock, kCoal, {}});
      r.IndustryInputCounter = 1;
    });
    OnePass();
    EXPECT_FLOAT_EQ(Made(i, 0).Production, c.Production) << c.Stock;
    EXPECT_FLOAT_EQ(Made(i, 1).Production, c.Production) << c.Stock;
    EXPECT_FLOAT_EQ(IndustryInput(*ReadIndustry(i), 0).Amount, c.Left) << c.Stock;
    ChangeIndustry(i, [](TIndustry& r) { r.NextProductionTick = kNow + 1000000; });
  }
}

TEST_F(GoodsCreation, TheSimpleEconomyHandsOutByTheStationsRatings) {
  GameSettings.EconomyMode = 1;
  const struct {
    float Ratings[2];
    float Served;
    float Accumulated[2];
  } cases[] = {{{0.3f, 0.2f}, 50.0f, {3.0f, 2.0f}}, {{0.8f, 1.1f}, 100.0f, {10.0f * 0.8f / 1.8f, 10.0f / 1.8f}}};
  for (const auto& c : cases) {
    const uint32_t mine = Site(kMine, 10, kNow);
    uint32_t stations[2];
    for (int s = 0; s < 2; ++s) {
      stations[s] = Station({0, 0, 0});
      AddStationGoods(stations[s], Entry(kCoal, kStationGoodsSupplied, c.Ratings[s]));
    }
    const uint32_t other = Station({0, 0, 0});
    AddStationGoods(other, Entry(kCoal, kStationGoodsAccepted, 1.0f));  // does not supply coal
    ChangeIndustry(mine, [&](TIndustry& i) {
      for (uint32_t s : {stations[0], stations[1], other}) i.Output[i.IndustryOutputCounter++].Target = s;
      TIndustryProduction e{};
      e.Production = 10.0f;
      SetIndustryProduction(i, 0, e);
    });
    OnePass();
    EXPECT_FLOAT_EQ(Made(mine, 0).Served, c.Served);
    EXPECT_FLOAT_EQ(Made(mine, 0).ThisMonth, 10.0f);
    for (int s = 0; s < 2; ++s) EXPECT_FLOAT_EQ(Entries(stations[s])[0].Accumulated, c.Accumulated[s]);
    EXPECT_FLOAT_EQ(Entries(other)[0].Accumulated, 0.0f);
    ChangeIndustry(mine, [](TIndustry& i) { i.NextProductionTick = kNow + 1000000; });
  }
}

class GoodswayCreation : public GoodsCreation {
 protected:
  void SetUp() override {
    GoodsCreation::SetUp();
    GameSettings.EconomyMode = 0;
    station = Station({0, 0, 0});
    mine = Site(kMine, 10, kNow, station);
  }
  // A goods way of coal from the mine, listed in its output list with the accumulator.
  uint32_t Way(uint8_t flags, float amount, float accumulator = 0.0f) {
    TGoodsway w{};
    w.GoodsWayFrom = mine;
    w.GoodsWayGoodType = kCoal;
    w.GoodsWayFlags = flags;
    w.GoodsWayAmount = amount;
    w.GoodsWayPathCounter = 2;
    w.Path[0].Station = station;
    w.A_Write();
    ChangeIndustry(mine, [&](TIndustry& i) {
      SetAcc(i, i.IndustryOutputCounter, accumulator);
      i.Output[i.IndustryOutputCounter++].Target = w.Index;
    });
    return w.Index;
  }
  void Produce(float production, float requested) {
    ChangeIndustry(mine, [&](TIndustry& i) {
      TIndustryProduction e = IndustryProduction(i, 0);
      e.Production = production;
      e.LastMonth = requested;
      SetIndustryProduction(i, 0, e);
      i.NextProductionTick = GameTime;
    });
  }
  std::vector<int32_t> Batches() {
    auto s = ReadStation(station);
    std::vector<int32_t> amounts;
    for (int k = 0; k < s->StationOutGoodsCounter; ++k) amounts.push_back(StoredRecord<TGood>(s->GoodsOut[k]).GoodAmount);
    return amounts;
  }
  uint32_t station = 0, mine = 0;
};

TEST_F(GoodswayCreation, AProbeWayGetsOneBatchOfOneUnitWhileNothingIsOnItsWay) {
  const uint32_t way = Way(kGoodswayActive | kGoodswayProbe, 0.0f);
  OnePass();
  EXPECT_EQ(Batches(), std::vector<int32_t>{1});
  EXPECT_NEAR(Acc(mine, 0), 0.1f, 1e-6f);
  const TGoodsway w = StoredRecord<TGoodsway>(way);
  EXPECT_EQ(w.GoodsWayRefCount, 1u);
  const TGood g = StoredRecord<TGood>(ReadStation(station)->GoodsOut[0]);
  EXPECT_EQ(g.Goodsway, way);
  EXPECT_EQ(g.GoodsWayEntry, 1);
  EXPECT_EQ(g.GoodType, kCoal);
  EXPECT_EQ(g.GoodStartTime, kNow);
  EXPECT_EQ(g.GoodReady, kNow);
  ExpectInvariants();
  // The batch is still on its way: the next interval makes none.
  GameTime += kInterval;
  OnePass();
  EXPECT_EQ(Batches(), std::vector<int32_t>{1});
  ExpectInvariants();
}

TEST_F(GoodswayCreation, AWholeUnitAboveOneBecomesABatch) {
  // An interval of 100 at 0.01 per tick with all that was requested made adds exactly 1.0.
  ASSERT_EQ(static_cast<float>(kInterval) * 0.01f, 1.0f);
  const uint32_t way = Way(kGoodswayActive, 0.01f, 0.0f);
  Produce(0.5f, 0.5f);
  OnePass();
  // Exactly 1.0 makes no batch yet; 2.0 makes one of 2.
  EXPECT_FLOAT_EQ(Acc(mine, 0), 1.0f);
  EXPECT_TRUE(Batches().empty());
  Produce(0.5f, 0.5f);
  OnePass();
  EXPECT_EQ(Batches(), std::vector<int32_t>{2});
  EXPECT_FLOAT_EQ(Acc(mine, 0), 0.0f);
  EXPECT_EQ(StoredRecord<TGoodsway>(way).GoodsWayRefCount, 1u);
  // Half of what was requested was made: half the planned amount.
  Produce(0.25f, 0.5f);
  OnePass();
  EXPECT_FLOAT_EQ(Acc(mine, 0), 0.5f);
  ExpectInvariants();
}

TEST_F(GoodswayCreation, TheRequestedAmountIsMadeAsFarAsTheStockAllows) {
  // Works of size 10 need 2 coal per unit: a unit of the requested amount takes 20 coal.
  const uint32_t works = Site(kWorks, 10, kNow, station);
  const struct {
    float Requested, Stock, Production, Left;
  } cases[] = {{0.5f, 4.0f, 0.2f, 0.0f}, {0.1f, 100.0f, 0.1f, 98.0f}, {0.5f, 0.0f, 0.0f, 0.0f}, {0.0f, 50.0f, 0.0f, 50.0f}};
  for (const auto& c : cases) {
    ChangeIndustry(works, [&](TIndustry& i) {
      TIndustryProduction e{};
      e.ThisMonth = c.Requested;
      SetIndustryProduction(i, 0, e);
      SetIndustryInput(i, 0, {c.Stock, kCoal, {}});
      i.IndustryInputCounter = 1;
      i.NextProductionTick = GameTime;
    });
    OnePass();
    const auto i = ReadIndustry(works);
    EXPECT_NEAR(IndustryProduction(*i, 0).Production, c.Production, 1e-6f) << c.Requested << " " << c.Stock;
    EXPECT_NEAR(i->Productivity, c.Production, 1e-6f);
    EXPECT_NEAR(IndustryInput(*i, 0).Amount, c.Left, 1e-4f);
    EXPECT_FLOAT_EQ(IndustryProduction(*i, 0).LastMonth, c.Requested);
    EXPECT_FLOAT_EQ(IndustryProduction(*i, 0).Served, 0.25f * c.Requested);  // smoothed once from 0
  }
  // Size 0 makes nothing.
  ChangeIndustry(works, [](TIndustry& i) {
    i.Size = 0;
    TIndustryProduction e{};
    e.ThisMonth = 0.5f;
    SetIndustryProduction(i, 0, e);
    i.NextProductionTick = GameTime;
  });
  OnePass();
  EXPECT_FLOAT_EQ(Made(works, 0).Production, 0.0f);
}

TEST_F(GoodsCreation, TablesRefuseWhatTheProductionDividesBy) {
  TIndustryType t{};
  EXPECT_TRUE(SetIndustryTypeInterval(t, 250));
  EXPECT_FALSE(SetIndustryTypeInterval(t, 0));
  EXPECT_FALSE(SetIndustryTypeInterval(t, -5));
  IndustryTypes[kMine] = t;
  EXPECT_EQ(IndustryTypeInterval(kMine), 250);
  TRecipe r{};
  r.Inputs[0] = kCoal;
  r.InputCount = 1;
  r.Output = kTools;
  EXPECT_FALSE(SetRecipe(5, r));
  EXPECT_EQ(Recipe(5).Output, 0);
  ASSERT_EQ(Warnings().size(), 3u);
  EXPECT_EQ(Warnings()[1], "Industry type: the production interval must be above 0, not -5");
  EXPECT_EQ(Warnings()[2], "Recipe 5: the need of input 1 must be above 0");
  // A type whose interval was never set produces nothing and is never due.
  GameSettings.EconomyMode = 1;
  IndustryTypes[kMine] = TIndustryType{};
  const uint8_t mine[] = {1};
  SetIndustryTypeRecipes(IndustryTypes[kMine], 1, mine);
  const uint32_t i = Site(kMine, 10, 0);
  OnePass();
  EXPECT_EQ(ReadIndustry(i)->NextProductionTick, 0u);
  EXPECT_FLOAT_EQ(Made(i, 0).Production, 0.0f);
}

TEST_F(GoodsCreation, ADeletedIndustryLeavesTheProcessAtTheNextIndustry) {
  for (uint8_t phase : {1, 2, 3}) {
    PPCreateGoods.Phase = phase;
    PPCreateGoods.IndustryCursor = 7;
    CGIndustryDeleted(PPCreateGoods, 8);
    EXPECT_EQ(PPCreateGoods.Phase, phase);
    CGIndustryDeleted(PPCreateGoods, 7);
    EXPECT_EQ(PPCreateGoods.Phase, 1);
  }
}

}  // namespace
