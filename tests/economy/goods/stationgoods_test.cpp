// The station goods of the simple economy: what a station supplies and accepts from the industries
// and houses around it and what its buildings allow, its passenger production, the ratings of its
// goods entries, and the resize state of the industries its ratings serve.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "economy/goods/stationgoods.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "tests/economy/goods/goods_fixture.h"

namespace {

using goods_testing::kCoal;
using goods_testing::ChangeStation;
using goods_testing::ReadStation;
using goods_testing::kPassengers;
using goods_testing::kTools;

constexpr uint8_t kWorks = 1;       // industry type: tools of coal
constexpr uint16_t kHouse = 1, kShed = 2;

std::vector<std::string> g_resized;

class StationGoods : public goods_testing::GoodsTest {
 protected:
  void SetUp() override {
    GoodsTest::SetUp();
    GameSettings.EconomyMode = 1;
    TRecipe works{};
    works.Inputs[0] = kCoal;
    works.Needs[0] = 1.0f;
    works.InputCount = 1;
    works.Output = kTools;
    SetRecipe(1, works);
    const uint8_t one[] = {1};
    SetIndustryTypeRecipes(IndustryTypes[kWorks], 1, one);
    SetBuildingTypeUse(BuildingTypes[kHouse], 0);
    SetBuildingTypeUse(BuildingTypes[kShed], 1);
    g_resized.clear();
    industry_size_hooks::GrowIndustry = [](TIndustry& i) { g_resized.push_back("grow " + std::to_string(i.Index)); };
    industry_size_hooks::ShrinkIndustry = [](TIndustry& i) {
      g_resized.push_back("shrink " + std::to_string(i.Index));
    };
  }
  void TearDown() override {
    for (int n = 1; n <= 100; ++n) SetRecipe(n, TRecipe{});
    BuildingTypes[kHouse] = BuildingTypes[kShed] = TBuildingType{};
    GoodsTest::TearDown();
  }

  static uint32_t Building(uint16_t type, const TVector& position, uint16_t inhabitants) {
    TBuilding b{};
    b.BuildingType = type;
    b.Position = position;
    b.Inhabitants = inhabitants;
    b.A_Write();
    return b.Index;
  }
  // Works with their own station at Position.
  static uint32_t Works(const TVector& position) {
    const uint32_t industry = Industry(kWorks);
    Station(position, industry);
    return industry;
  }
  static std::string Text(const std::vector<TStationGoods>& entries) {
    std::string text;
    for (const TStationGoods& e : entries)
      text += (text.empty() ? "" : " ") + std::to_string(e.GoodType) + ":" + std::to_string(e.Flags);
    return text;
  }
};

TEST_F(StationGoods, FiveThousandInhabitantsAroundMakeAStationTakeWhatTownsBuy) {
  struct Case {
    uint16_t Inhabitants;
    std::string Entries;
  };
  const Case cases[] = {
      {2500, "2:1 3:3"},  // 5,000: tools accepted, passengers supplied and accepted
      {2499, "3:2"},      // 4,998: passengers supplied only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Inhabitants);
    ArrayerReset();
    const uint32_t station = Station({1000, 0, 1000});
    Building(kHouse, {1500, 0, 1000}, c.Inhabitants);
    Building(kHouse, {1000, 0, 2400}, c.Inhabitants);
    Building(kShed, {1000, 0, 1100}, 9999);         // no house
    Building(kHouse, {1000, 0, 2600}, 9999);         // beyond 1500
    RecalcGoodsStation(station);
    const std::vector<TStationGoods> entries = Entries(station);
    EXPECT_EQ(Text(entries), c.Entries);
    const TStationGoods psgr = entries.back();
    EXPECT_EQ(psgr.Rating, kNewSupplyRating);
    EXPECT_EQ(psgr.LastTick, c.Inhabitants == 2500 ? kNow % 65535 : 0u);
    EXPECT_EQ(ReadStation(station)->PassengerProduction, 2 * c.Inhabitants);
  }
}

TEST_F(StationGoods, TheStationsServiceFlagsSayWhatStays) {
  // Works around: coal accepted, tools supplied; 5,000 inhabitants: passengers both ways.
  const std::string expected[8] = {"", "3:3", "1:1", "1:1 3:3", "2:2", "2:2 3:3", "1:1 2:2", "1:1 2:2 3:3"};
  for (uint8_t service = 0; service < 8; ++service) {
    SCOPED_TRACE(int(service));
    ArrayerReset();
    const uint32_t station = Station({1000, 0, 1000}, 0, service);
    Works({1200, 0, 1000});
    Building(kHouse, {900, 0, 900}, 5000);
    RecalcGoodsStation(station);
    EXPECT_EQ(Text(Entries(station)), expected[service]);
  }
}

TEST_F(StationGoods, EntriesThatStillFitKeepWhatTheyHoldAndTheOthersStartAgain) {
  const uint32_t station = Station({1000, 0, 1000});
  const uint32_t industry = Works({1200, 0, 1000});
  Building(kHouse, {900, 0, 900}, 1000);
  TStationGoods coal = Entry(kCoal, kStationGoodsSupplied, 0.7f);  // now only accepted
  coal.Accumulated = 3.0f;
  AddStationGoods(station, coal);
  AddStationGoods(station, Entry(kTools, kStationGoodsAccepted, 0.4f));  // now only supplied
  TStationGoods psgr = Entry(kPassengers, kStationGoodsSupplied, 0.9f);
  psgr.Waiting = 4;
  AddStationGoods(station, psgr);
  AddStationGoods(station, Entry(4, kStationGoodsAccepted));  // nothing around uses it
  RecalcGoodsStation(station);
  const std::vector<TStationGoods> entries = Entries(station);
  ASSERT_EQ(Text(entries), "1:1 2:2 3:2");
  EXPECT_EQ(entries[0].Rating, 0.0f);
  EXPECT_EQ(entries[0].Accumulated, 0.0f);
  EXPECT_EQ(entries[1].Rating, kNewSupplyRating);
  EXPECT_EQ(entries[2].Rating, 0.9f);
  EXPECT_EQ(entries[2].Waiting, 4u);
  // The industry and the station know each other, once however often they are examined.
  RecalcGoodsStation(station);
  const auto i = ReadIndustry(industry);
  ASSERT_EQ(i->IndustryOutputCounter, 1);
  EXPECT_EQ(i->Output[0].Target, station);
  const auto s = ReadStation(station);
  ASSERT_EQ(s->StationIndustryInRangeCounter, 1);
  EXPECT_EQ(s->IndustriesInRange[0], industry);
}

TEST_F(StationGoods, StationsShareTheHousesAroundThemByTheirRatingsOfTheLastPass) {
  const uint32_t a = Station({1000, 0, 1000}), b = Station({1100, 0, 1000});
  const uint32_t house = Building(kHouse, {1050, 0, 1000}, 1000);
  RecalcGoodsStation(a);  // no sums of a last pass: each takes the whole house
  EXPECT_EQ(ReadStation(a)->PassengerProduction, 1000);
  EXPECT_EQ(ReadStation(b)->PassengerProduction, 1000);
  EXPECT_EQ(StoredRecord<TBuilding>(house).PsgrRatingSumLast, 40);
  EXPECT_EQ(StoredRecord<TBuilding>(house).PsgrRatingSum, 0);
  ChangeStation(b, [](TStation& s) {
    TStationGoods e = ::StationGoods(s, 0);
    e.Rating = 1.2f;  // counts as 100
    SetStationGoods(s, 0, e);
  });
  RecalcGoodsStation(a);
  EXPECT_EQ(ReadStation(a)->PassengerProduction, 500);   // 20 of 40
  EXPECT_EQ(ReadStation(b)->PassengerProduction, 1000);  // 100 is above 40: all of it
  EXPECT_EQ(StoredRecord<TBuilding>(house).PsgrRatingSumLast, 120);
}

TEST_F(StationGoods, ARecalculationExaminesTheStationAndThoseAfterItInTheSimpleEconomyOnly) {
  const uint32_t before = Station({1000, 0, 1000}), station = Station({1000, 0, 1000}),
                 after = Station({1000, 0, 1000});
  Building(kHouse, {1000, 0, 1000}, 100);
  GameSettings.EconomyMode = 0;
  RecalcGoodsStation(station);
  EXPECT_EQ(ReadStation(station)->StationGoodsCounter, 0);
  GameSettings.EconomyMode = 1;
  RecalcGoodsStation(station);
  EXPECT_EQ(ReadStation(before)->StationGoodsCounter, 0);
  EXPECT_EQ(ReadStation(station)->StationGoodsCounter, 1);
  EXPECT_EQ(ReadStation(after)->StationGoodsCounter, 1);
  EXPECT_EQ(PPFoundGoodsStation.Phase, 0);  // the global process is not touched
}

TEST_F(StationGoods, AProcessExaminingADeletedStationGoesOnWithTheNext) {
  for (uint8_t phase : {0, 1, 2, 3, 4, 10}) {
    SCOPED_TRACE(int(phase));
    TPPFoundGoodsStation p{};
    p.StationCursor = 7;
    p.Phase = phase;
    FGSStationDeleted(p, 8);
    EXPECT_EQ(p.Phase, phase);
    FGSStationDeleted(p, 7);
    EXPECT_EQ(p.Phase, phase >= 2 && phase <= 4 ? 1 : phase);
  }
}

// ---- Ratings

TEST_F(StationGoods, ARatingFollowsThePickUpsSinceTheLastRating) {
  struct Case {
    const char* What;
    uint8_t Flags;
    uint32_t WaitingBefore;
    float Rating, Expected;
  };
  const Case cases[] = {
      {"no service", kStationGoodsSupplied, 4, 0.5f, 0.49f},
      {"a pick-up", kStationGoodsSupplied | kStationGoodsLoaded, 4, 0.5f, 0.79f},
      {"a lost batch", kStationGoodsSupplied | kStationGoodsLost, 4, 0.5f, 0.48f},
      {"both: the pick-up counts", kStationGoodsSupplied | kStationGoodsLoaded | kStationGoodsLost, 4, 0.5f, 0.79f},
      {"goods taken away", kStationGoodsSupplied, 10, 0.5f, 0.54f},
      {"at least 0.01", kStationGoodsSupplied, 4, 0.015f, 0.01f},
      {"at most 1.2", kStationGoodsSupplied | kStationGoodsLoaded, 4, 1.1f, 1.2f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    ArrayerReset();
    const uint32_t station = Station({0, 0, 0});
    TStationGoods e = Entry(kCoal, c.Flags, c.Rating);
    e.Waiting = c.WaitingBefore;
    AddStationGoods(station, e);
    const uint32_t good = Good(kCoal, 4, station, 0);
    ChangeStation(station, [&](TStation& s) {
      s.LastRatingTick = kNow - 1000;
      s.GoodsOut[s.StationOutGoodsCounter++] = good;
    });
    PPUpdateStationRating = {1, kNow, 0, 1};
    UpdateStationRatingStep(PPUpdateStationRating);
    EXPECT_EQ(PPUpdateStationRating.StationCursor, station);
    const TStationGoods after = Entries(station)[0];
    EXPECT_NEAR(after.Rating, c.Expected, 1e-6);
    EXPECT_EQ(after.Flags, kStationGoodsSupplied);
    EXPECT_EQ(after.Waiting, 4u);
    EXPECT_EQ(ReadStation(station)->LastRatingTick, kNow);
  }
}

TEST_F(StationGoods, AStationIsRatedEvery500TicksAndItsFirstRatingDecaysOneTick) {
  const uint32_t recent = Station({0, 0, 0}), fresh = Station({0, 0, 0});
  AddStationGoods(recent, Entry(kCoal, kStationGoodsSupplied, 0.5f));
  AddStationGoods(fresh, Entry(kCoal, kStationGoodsSupplied, 0.5f));
  ChangeStation(recent, [](TStation& s) { s.LastRatingTick = kNow - 500; });
  PPUpdateStationRating = {1, kNow, 0, 1};
  UpdateStationRatingStep(PPUpdateStationRating);  // passes over the recent one
  EXPECT_EQ(PPUpdateStationRating.StationCursor, fresh);
  EXPECT_EQ(Entries(recent)[0].Rating, 0.5f);
  EXPECT_NEAR(Entries(fresh)[0].Rating, 0.49999f, 1e-7);
  UpdateStationRatingStep(PPUpdateStationRating);
  EXPECT_EQ(PPUpdateStationRating.Phase, 0);
}

TEST_F(StationGoods, AnIndustryShrinksAtHalfServiceKeepsItsSizeAt99PercentAndGrowsAbove) {
  struct Case {
    float RatingA, RatingB;
    uint8_t State;
  };
  const Case cases[] = {
      {0.25f, 0.25f, 0}, {0.3f, 0.21f, 1}, {0.99f, 0.0f, 1}, {0.5f, 0.5f, 2}, {1.2f, 0.0f, 2}, {0.0f, 0.0f, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.RatingA);
    ArrayerReset();
    const uint32_t a = Station({0, 0, 0}), b = Station({0, 0, 0});
    AddStationGoods(a, Entry(kTools, kStationGoodsSupplied, c.RatingA));
    AddStationGoods(a, Entry(kCoal, kStationGoodsAccepted, 1.0f));  // no output of the works
    AddStationGoods(b, Entry(kTools, kStationGoodsSupplied, c.RatingB));
    const uint32_t industry = Industry(kWorks);
    {
      auto i = ReadIndustry(industry);
      i->Output[0].Target = a;
      i->Output[1].Target = b;
      i->IndustryOutputCounter = 2;
      i->ResizeState = 7;
      i->A_ReWrite();
    }
    const uint32_t own = Station({0, 0, 0}, industry);
    PPUpdateStationRating = {1, kNow, own - 1, 1};
    UpdateStationRatingStep(PPUpdateStationRating);
    EXPECT_EQ(PPUpdateStationRating.StationCursor, own);
    EXPECT_EQ(ReadIndustry(industry)->ResizeState, c.State);
    EXPECT_EQ(ReadIndustry(industry)->ResizeTick, kNow);
  }
  EXPECT_TRUE(g_resized.empty());
}

TEST_F(StationGoods, AResizeStateThatStoodLongerThan45000TicksActs) {
  struct Case {
    uint8_t State;
    uint32_t Since;
    std::string Acted;
  };
  const Case cases[] = {{0, 45001, "shrink"}, {0, 45000, ""}, {2, 45001, "grow"}, {1, 45001, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Since);
    ArrayerReset();
    g_resized.clear();
    const uint32_t station = Station({0, 0, 0});
    AddStationGoods(station, Entry(kTools, kStationGoodsSupplied, c.State == 0 ? 0.1f : c.State == 1 ? 0.6f : 1.0f));
    const uint32_t industry = Industry(kWorks);
    {
      auto i = ReadIndustry(industry);
      i->Output[0].Target = station;
      i->IndustryOutputCounter = 1;
      i->ResizeState = c.State;
      i->ResizeTick = kNow - c.Since;
      i->A_ReWrite();
    }
    const uint32_t own = Station({0, 0, 0}, industry);
    PPUpdateStationRating = {1, kNow, own - 1, 1};
    UpdateStationRatingStep(PPUpdateStationRating);
    const bool acted = c.Since > 45000;
    EXPECT_EQ(g_resized, c.Acted.empty() ? std::vector<std::string>{}
                                         : std::vector<std::string>{c.Acted + " " + std::to_string(industry)});
    EXPECT_EQ(ReadIndustry(industry)->ResizeTick, acted ? kNow : kNow - c.Since);
  }
}

}  // namespace
