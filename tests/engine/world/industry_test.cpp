// Industry, market and depot records: goods-way removal, the weight of an industry in its town,
// and their removals.
#include "engine/world/industry.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/engine/world/world_fixture.h"

namespace {

using namespace world_testing;
using Calls = std::vector<std::string>;
using List = std::vector<uint32_t>;

class IndustryRecords : public WorldTest {
 protected:
  static std::unique_ptr<TIndustry> MakeIndustry(const List& outputs, const List& from) {
    auto i = std::make_unique<TIndustry>();
    *i = TIndustry{};
    i->Index = 5;
    for (const uint32_t o : outputs) {
      i->Output[i->IndustryOutputCounter].Value = 100 + i->IndustryOutputCounter;
      i->Output[i->IndustryOutputCounter++].Target = o;
    }
    for (const uint32_t f : from) i->CalcGWFrom[i->IndustryCalcGWFromCounter++] = f;
    return i;
  }
  static List Outputs(const TIndustry& i) {
    List l;
    for (int k = 0; k < i.IndustryOutputCounter; ++k) l.push_back(i.Output[k].Target);
    return l;
  }
  static List From(const TIndustry& i) { return List(i.CalcGWFrom, i.CalcGWFrom + i.IndustryCalcGWFromCounter); }
};

TEST_F(IndustryRecords, RemovingAGoodswayShortensBothListsInOrder) {
  struct Case {
    const char* name;
    List outputs, from;
    bool result;
    List outputsAfter, fromAfter;
    int notices;
  };
  const Case cases[] = {
      {"in neither list", {1, 2}, {3}, false, {1, 2}, {3}, 0},
      {"once in each list", {1, 9, 2}, {9, 3}, true, {1, 2}, {3}, 1},
      {"only among the outputs", {9, 2}, {3}, true, {2}, {3}, 1},
      {"only in CalcGWFrom", {1}, {3, 4, 9}, true, {1}, {3, 4}, 0},
      {"empty lists", {}, {}, false, {}, {}, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    HookCalls().clear();
    auto i = MakeIndustry(k.outputs, k.from);
    EXPECT_EQ(i->RemoveAGoodsway(9), k.result);
    EXPECT_EQ(Outputs(*i), k.outputsAfter);
    EXPECT_EQ(From(*i), k.fromAfter);
    EXPECT_EQ(HookCalls().size(), static_cast<size_t>(k.notices));
  }
  auto kept = MakeIndustry({1, 9, 2}, {});
  kept->RemoveAGoodsway(9);
  EXPECT_EQ(kept->Output[1].Value, 102u);  // the whole element moves up

  const std::string text = "ERROR: UTIndustry: RemoveAGoodsway: The Industry(5) have min. 2 identical Goodsways(9)";
  auto twiceOut = MakeIndustry({9, 1, 9}, {});
  EXPECT_EQ(FatalOf([&] { twiceOut->RemoveAGoodsway(9); }), Fatal(text));
  auto twiceFrom = MakeIndustry({}, {9, 9});
  EXPECT_EQ(FatalOf([&] { twiceFrom->RemoveAGoodsway(9); }), Fatal(text));
}

TEST_F(IndustryRecords, MarketGoodswaysAreRemovedOnceAndTwiceIsFatal) {
  auto m = std::make_unique<TMarket>();
  *m = TMarket{};
  m->Index = 3;
  for (const uint32_t g : {4u, 9u, 6u}) m->CalcGWFrom[m->MarketCalcGWFromCounter++] = g;
  EXPECT_FALSE(m->RemoveAGoodsway(5));
  EXPECT_EQ(m->MarketCalcGWFromCounter, 3);
  EXPECT_TRUE(m->RemoveAGoodsway(9));
  EXPECT_EQ(List(m->CalcGWFrom, m->CalcGWFrom + m->MarketCalcGWFromCounter), (List{4, 6}));
  m->CalcGWFrom[m->MarketCalcGWFromCounter++] = 4;
  EXPECT_EQ(FatalOf([&] { m->RemoveAGoodsway(4); }),
            Fatal("ERROR: UTMarket: RemoveAGoodsway: The Market(3) have min. 2 identical Goodsways(4)"));
}

TEST_F(IndustryRecords, AnIndustryWeighsOnItsTownBySizeTimesFactor) {
  const float factors[6] = {1.5f, 0.5f, 0.0f, -1.0f, 2.25f, 0.1f};
  for (int k = 0; k < 6; ++k) SetIndustryTypeCityFactor(IndustryTypes[2], k, factors[k]);
  for (int k = 0; k < 6; ++k) Cities[7].IndustryWeights[k] = 1000;
  auto i = MakeIndustry({}, {});
  i->IndustryType = 2;
  i->City = 7;
  i->Size = 10;
  i->AddToCity();
  const uint32_t expected[6] = {1015, 1005, 1000, 990, 1022, 1001};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(Cities[7].IndustryWeights[k], expected[k]) << k;
  i->RemoveFromCity();
  for (int k = 0; k < 6; ++k) EXPECT_EQ(Cities[7].IndustryWeights[k], 1000u) << k;
  // The product is a float before it is cut: 2^24 + 1 becomes 2^24.
  SetIndustryTypeCityFactor(IndustryTypes[2], 0, 1.0f);
  i->Size = 16777217;
  i->AddToCity();
  EXPECT_EQ(Cities[7].IndustryWeights[0], 1000u + 16777216u);
  EXPECT_EQ(IndustryTypeCityFactor(IndustryTypes[2], 4), 2.25f);
}

TEST_F(IndustryRecords, RemovingAnIndustryUnhooksItsGoodsWays) {
  auto i = MakeIndustry({}, {});
  i->A_Write();
  const uint32_t from = EconomyRecords::AddGoodsway(TGoodswayFields{0, i->Index, 50, 3, 0, 0});
  const uint32_t to = EconomyRecords::AddGoodsway(TGoodswayFields{0, 60, i->Index, 3, 0, 0});
  EconomyRecords::AddGoodsway(TGoodswayFields{0, 60, 61, 3, 0, 0});
  TIndustry::DestroyByIndex(i->Index);
  EXPECT_FALSE(ArrayerHolds(kTIndustryDesc, i->Index));
  EXPECT_EQ(HookCalls(),
            (Calls{"OverwriteGoodsway " + std::to_string(from) + " source 0 flags 1",
                   "GoodswayDestroy " + std::to_string(to), "OnDestroyIndustry " + std::to_string(i->Index)}));
}

// In the simple economy mode an industry's outputs are stations that hold it in their range.
TEST_F(IndustryRecords, RemovingAnIndustryInTheSimpleEconomyLeavesItsStations) {
  GameSettings.EconomyMode = 1;
  const uint32_t a = AddStation(0, 0), b = AddStation(10, 0);
  auto i = MakeIndustry({a, b}, {});
  i->A_Write();
  {
    auto s = std::make_unique<TStation>();
    s->A_Read(a);
    for (const uint32_t x : {40u, i->Index, 41u, i->Index})
      s->IndustriesInRange[s->StationIndustryInRangeCounter++] = x;
    s->A_ReWrite();
  }
  TIndustry::DestroyByIndex(i->Index);
  auto s = std::make_unique<TStation>();
  s->A_Read(a);
  EXPECT_EQ(List(s->IndustriesInRange, s->IndustriesInRange + s->StationIndustryInRangeCounter),
            (List{40, 41, i->Index}));
  s->A_Read(b);  // a station without it in range is left as it is
  EXPECT_EQ(s->StationIndustryInRangeCounter, 0);
  EXPECT_EQ(HookCalls(), Calls{"OnDestroyIndustry " + std::to_string(i->Index)});
}

TEST_F(IndustryRecords, RemovingAMarketLeavesNoGoodsWayOrWayNamingIt) {
  const uint32_t m = AddMarket();
  const uint32_t to = EconomyRecords::AddGoodsway(TGoodswayFields{0, 1, m, 0, 0, 0});
  EconomyRecords::AddGoodsway(TGoodswayFields{0, m, 99, 0, 0, 0});  // only its source is the market's index
  const uint32_t c0 = AddConnection(0, 0), c1 = AddConnection(100, 0), c2 = AddConnection(200, 0);
  const uint32_t served = AddPlainWay(c0, c1), other = AddPlainWay(c1, c2);
  TWay w = Way(served);
  w.Market = m;
  w.A_Overwrite();
  w = Way(other);
  w.Market = m + 1;
  w.A_Overwrite();
  TMarket::DestroyByIndex(m);
  EXPECT_FALSE(ArrayerHolds(kTMarketDesc, m));
  EXPECT_EQ(Way(served).Market, 0u);
  EXPECT_EQ(Way(other).Market, m + 1);
  EXPECT_EQ(HookCalls(), (Calls{"GoodswayDestroy " + std::to_string(to), "OnDestroyMarket " + std::to_string(m)}));
}

TEST_F(IndustryRecords, ADepotWithATrainInsideIsRefusedUntilForced) {
  const uint32_t train = AddTrain(kTrainRoad, 2, {});
  TDepot d{};
  d.TrainsInside[0] = train;
  d.TrainInsideCounter = 1;
  d.A_Write();
  TDestroyResult r{};
  TDepot::DestroyByIndex(d.Index, 0, r);
  EXPECT_EQ(Elements(r), std::vector<int>{38});
  TDepot::DestroyByIndex(d.Index, 1, r);
  EXPECT_EQ(Elements(r), std::vector<int>{38});
  EXPECT_TRUE(ArrayerHolds(kTDepotDesc, d.Index));
  EXPECT_TRUE(IsTrainUsed(train));
  EXPECT_EQ(HookCalls(), Calls{});
  TDepot::DestroyByIndex(d.Index, 2, r);
  EXPECT_EQ(Elements(r), std::vector<int>{0});
  EXPECT_FALSE(ArrayerHolds(kTDepotDesc, d.Index));
  EXPECT_FALSE(IsTrainUsed(train));
  EXPECT_EQ(CallsOf({"OnDestroyTrain", "OnDestroyDepot"}),
            (Calls{"OnDestroyTrain 1", "OnDestroyDepot " + std::to_string(d.Index)}));

  TDepot empty{};
  empty.A_Write();
  TDepot::DestroyByIndex(empty.Index, 1, r);
  EXPECT_EQ(Elements(r), std::vector<int>{0});
  EXPECT_FALSE(ArrayerHolds(kTDepotDesc, empty.Index));
}

}  // namespace
