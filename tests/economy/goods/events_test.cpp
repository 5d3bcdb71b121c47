// Goods events: a boom or slack drawn at its tick lasts until its end tick, only normal goods types
// are drawn, and the yearly industry offer collects at most 20 industries.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "economy/goods/events.h"
#include "economy/goods/records.h"
#include "engine/base/worldstate.h"
#include "engine/files/languages.h"
#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"
#include "tests/support/test_support.h"

namespace {

class GoodsEvents : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    ArrayerTest::SetUp();
    ResetWorldState();
    ResetGoodsEvent();
    testing_support::Warnings().clear();
    TicksPerYear = 36000;
    GoodsTypeCount = 2;
    GoodsTypes[1].NameKey = "COAL";
    GoodsTypes[2].NameKey = "GRAIN";
    GoodsTypes[1].ConsumerValue = GoodsTypes[2].ConsumerValue = 1.0f;
    GameTime = 5000;
  }
  void TearDown() override {
    ResetWorldState();
    ArrayerTest::TearDown();
  }

  static uint32_t Industry(float productivity) {
    auto i = std::make_unique<TIndustry>();
    *i = TIndustry{};
    i->Productivity = productivity;
    i->A_Write();
    return i->Index;
  }
  static const std::vector<std::string>& Warnings() { return testing_support::Warnings(); }
};

TEST_F(GoodsEvents, ABoomOrSlackLastsUntilItsEndTick) {
  GoodsEventStep(GoodsEvent);
  EXPECT_GT(GoodsEvent.NextEventTick, GameTime + 1000);
  EXPECT_LE(GoodsEvent.NextEventTick, GameTime + 1000 + 4 * 36000);
  GoodsTypes[2].GoodsAttractivity = 1;  // already booming: only type 1 can be drawn
  GameTime = GoodsEvent.NextEventTick;
  GoodsEventStep(GoodsEvent);
  const TGoodsType& coal = GoodsTypes[1];
  ASSERT_NE(coal.GoodsAttractivity, 0);
  const std::string state = coal.GoodsAttractivity == 1 ? " is now booming." : " is now slack.";
  EXPECT_EQ(Warnings().back(), "Missing Feature: Goods_Event: The Good: " + Translate("COAL") + state);
  EXPECT_GE(coal.BoomEnd, GameTime + 36000);
  EXPECT_LT(coal.BoomEnd, GameTime + 36000 + 18000);
  EXPECT_EQ(GoodsEvent.NextEventTick, 0u);

  const uint32_t end = coal.BoomEnd;
  GameTime = end - 1;
  GoodsEventStep(GoodsEvent);
  EXPECT_NE(coal.GoodsAttractivity, 0);
  GameTime = end;
  GoodsEventStep(GoodsEvent);
  EXPECT_EQ(coal.GoodsAttractivity, 0);
  EXPECT_EQ(Warnings().back(), "Missing Feature: Goods_Event: The Boomtime of Good: " + Translate("COAL") + " is over.");
  // A boom whose end tick went by without a step stays.
  GoodsTypes[2].BoomEnd = GameTime - 1;
  GameTime += 1;
  GoodsEventStep(GoodsEvent);
  EXPECT_EQ(GoodsTypes[2].GoodsAttractivity, 1);
}

TEST_F(GoodsEvents, AnEventWithoutANormalGoodsTypePassesAndRunModeFourStopsEverything) {
  GoodsTypes[1].GoodsAttractivity = 2;
  GoodsTypes[2].ConsumerValue = 0.0f;  // towns do not buy it: not drawn in the goods-way economy
  GoodsEvent.NextEventTick = GameTime;
  GoodsEventStep(GoodsEvent);
  EXPECT_EQ(GoodsTypes[2].GoodsAttractivity, 0);
  EXPECT_EQ(GoodsEvent.NextEventTick, 0u);
  EXPECT_TRUE(Warnings().empty());
  RunMode = 4;
  GoodsEventStep(GoodsEvent);
  EXPECT_EQ(GoodsEvent.NextEventTick, 0u);
}

TEST_F(GoodsEvents, TheYearlyOfferTakesTheFirstTwentyIndustriesThatNeedHelp) {
  std::vector<uint32_t> weak;
  Industry(0.5f);
  for (int i = 0; i < 25; ++i) weak.push_back(Industry(0.05f));
  GoodsEvent.NextEventTick = 0xFFFFFFFF;  // no boom in the way
  GoodsEventStep(GoodsEvent);
  EXPECT_EQ(GoodsEvent.Phase, 0);
  NewYear = 1;
  GoodsEventStep(GoodsEvent);
  NewYear = 0;
  EXPECT_EQ(GoodsEvent.Phase, 1);
  for (int i = 0; i < 21; ++i) GoodsEventStep(GoodsEvent);  // the strong one and twenty weak ones
  EXPECT_EQ(GoodsEvent.Phase, 2);
  EXPECT_EQ(std::vector<uint32_t>(GoodsEvent.Candidates, GoodsEvent.Candidates + GoodsEvent.CandidateCount),
            std::vector<uint32_t>(weak.begin(), weak.begin() + 20));
  // Outside phase 0 a removed industry leaves the list, which closes up.
  EventIndustryDeleted(GoodsEvent, weak[3]);
  EXPECT_EQ(GoodsEvent.CandidateCount, 19);
  EXPECT_EQ(GoodsEvent.Candidates[3], weak[4]);
  GoodsEventStep(GoodsEvent);
  EXPECT_EQ(GoodsEvent.Phase, 0);
  ASSERT_FALSE(Warnings().empty());
  const std::string& offer = Warnings().back();
  EXPECT_EQ(offer.rfind("Missing Feature: Goods_Event: The Industry with Index: ", 0), 0u) << offer;
  EXPECT_NE(offer.find(" wants to work with the Player."), std::string::npos);
  EventIndustryDeleted(GoodsEvent, weak[4]);
  EXPECT_EQ(GoodsEvent.CandidateCount, 19);
}

}  // namespace
