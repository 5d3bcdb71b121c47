// The goods driver: each process runs its speed's worth of steps per tick in its economy, the
// re-tuning of every process, the status line, the month of the simple economy, the delete
// notices, and the start of a new game's processes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "economy/goods/driver.h"
#include "economy/goods/events.h"
#include "economy/goods/processframe.h"
#include "tests/economy/goods/goods_fixture.h"

namespace {

using goods_testing::GoodsTest;

std::vector<std::string> g_calls;

void CountFNG(TPPFoundNewGoodsways& p) { g_calls.push_back("FNG " + std::to_string(p.Speed)); }
void CountRPW(TPPRecalcProductionWays&) { g_calls.push_back("RPW"); }
void CountCG(TPPCreateGoods&) { g_calls.push_back("CG"); }

class GoodsDriver : public GoodsTest {
 protected:
  void SetUp() override {
    GoodsTest::SetUp();
    g_calls.clear();
    goods_process_hooks::FoundNewGoodswaysStep = CountFNG;
    goods_process_hooks::RecalcProductionWaysStep = CountRPW;
    goods_process_hooks::CreateGoodsStep = CountCG;
  }
};

TEST_F(GoodsDriver, EachProcessRetunesFromTheStepsOfItsLastPass) {
  // A pass that took 3,000,000 steps over the process's period gives 201: warned about, run at 100.
  SetCreateGoodsPeriod(4000);
  struct Case {
    TGoodsProcess Process;
    uint32_t Period;
    std::string Text;
  };
  const Case cases[] = {
      {TGoodsProcess::FoundNewGoodsways, 15000, "Warning: Goods_FNG: TPPFoundNewGoodsways.speed shuld set to: "},
      {TGoodsProcess::RecalcProductionWays, 6000, "Warning: Goods_RPW: TPPRecalcProductionWays.speed shuld set to: "},
      {TGoodsProcess::FoundGoodsStation, 15000, "Warning: Goods_FGS: TPPFoundGoodsStation.speed shuld set to: "},
      {TGoodsProcess::UpdateStationRating, 20, "Warning: Goods_USR: TPPUpdateStationRating.speed shuld set to: "},
      {TGoodsProcess::CreateGoods, 4000, "Warning: Goods_CG: TPPCreateGoods.speed shuld set to: "},
      {TGoodsProcess::IVMove, 500, "Warning: Goods_IVMove: TPPIVMove.speed shuld set to: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    testing_support::Warnings().clear();
    // 200 steps a tick over the whole period (3,000,000 steps over 15,000 ticks).
    int32_t speed = 200;
    uint32_t start = kNow - c.Period;
    RetuneGoodsProcess(c.Process, speed, start);
    EXPECT_EQ(speed, 100);
    EXPECT_EQ(start, kNow);
    EXPECT_EQ(Warnings(), std::vector<std::string>{c.Text + "201"});
    // A quiet pass of half the period at speed 10 asks for 6.
    speed = 10;
    start = kNow - c.Period / 2;
    RetuneGoodsProcess(c.Process, speed, start);
    EXPECT_EQ(speed, 6);
  }
}

TEST_F(GoodsDriver, TheStepsOfThePassStartRetuneTheirOwnProcess) {
  PPIVMove = {200, kNow - 15000, 77, 0};
  IVMoveStep(PPIVMove);
  EXPECT_EQ(PPIVMove.Speed, 100);
  EXPECT_EQ(PPIVMove.StationCursor, 0u);
  EXPECT_EQ(PPIVMove.Phase, 1);
  EXPECT_EQ(Warnings(), std::vector<std::string>{"Warning: Goods_IVMove: TPPIVMove.speed shuld set to: 6001"});
  PPFoundGoodsStation.Speed = 200;
  PPFoundGoodsStation.PassStart = kNow - 15000;
  FoundGoodsStationStep(PPFoundGoodsStation);
  EXPECT_EQ(PPFoundGoodsStation.Speed, 100);
  EXPECT_EQ(PPFoundGoodsStation.Phase, 1);
  PPUpdateStationRating = {1, kNow - 1000, 5, 0};
  UpdateStationRatingStep(PPUpdateStationRating);
  EXPECT_EQ(PPUpdateStationRating.Speed, 51);  // 1,000 ticks x 1 / 20 + 1
  EXPECT_EQ(PPUpdateStationRating.Phase, 1);
}

TEST_F(GoodsDriver, EachProcessOfTheEconomyRunsItsSpeedInStepsAndZeroRunsNothing) {
  PPFoundNewGoodsways.Speed = 2;
  PPRecalcProductionWays.Speed = 1;
  PPCreateGoods.Speed = 3;
  PPIVMove = {0, kNow, 0, 1};  // would move on to phase 0 with a step
  GameSettings.EconomyMode = 0;
  ProcessGoods();
  EXPECT_EQ(g_calls, (std::vector<std::string>{"FNG 2", "FNG 2", "RPW", "CG", "CG", "CG"}));
  EXPECT_EQ(PPIVMove.Phase, 1);
  PPCreateGoods.Speed = 0;
  PPFoundNewGoodsways.Speed = -4;
  g_calls.clear();
  ProcessGoods();
  EXPECT_EQ(g_calls, std::vector<std::string>{"RPW"});
}

TEST_F(GoodsDriver, ARetuningDuringTheStepsCountsFromTheNextTick) {
  goods_process_hooks::FoundNewGoodswaysStep = [](TPPFoundNewGoodsways& p) {
    g_calls.push_back("FNG");
    p.Speed = 5;
  };
  PPFoundNewGoodsways.Speed = 2;
  ProcessGoods();
  EXPECT_EQ(g_calls.size(), 2u);
  g_calls.clear();
  ProcessGoods();
  EXPECT_EQ(g_calls.size(), 5u);
}

TEST_F(GoodsDriver, SwitchingTheEconomyKeepsTheOtherProcessesWhereTheyStopped) {
  PPFoundNewGoodsways.Speed = 1;
  PPFoundNewGoodsways.PassStart = kNow;
  PPFoundNewGoodsways.IndustryCursor = 7;
  PPFoundNewGoodsways.Phase = 3;
  PPFoundGoodsStation.Speed = 1;
  PPFoundGoodsStation.StationCursor = 5;
  PPFoundGoodsStation.Phase = 3;  // no buildings around: the next step moves on to phase 4
  PPUpdateStationRating = {1, kNow, 9, 1};
  GameSettings.EconomyMode = 0;
  ProcessGoods();
  EXPECT_EQ(g_calls, std::vector<std::string>{"FNG 1"});
  EXPECT_EQ(PPFoundGoodsStation.Phase, 3);
  EXPECT_EQ(PPFoundGoodsStation.StationCursor, 5u);
  EXPECT_EQ(PPUpdateStationRating.StationCursor, 9u);
  GameSettings.EconomyMode = 2;
  g_calls.clear();
  ProcessGoods();
  EXPECT_TRUE(g_calls.empty());
  EXPECT_EQ(PPFoundGoodsStation.Phase, 4);
  EXPECT_EQ(PPFoundNewGoodsways.Phase, 3);
  EXPECT_EQ(PPFoundNewGoodsways.IndustryCursor, 7u);
}

TEST_F(GoodsDriver, TheStatusLineShowsEachProcessSpeedAndCursor) {
  PPFoundGoodsStation.Speed = 1;
  PPFoundGoodsStation.StationCursor = 12;
  PPFoundGoodsStation.Phase = 10;  // no buildings: phase 0 next
  PPUpdateStationRating = {0, kNow, 4, 1};
  PPCreateGoods.Speed = 0;
  PPCreateGoods.IndustryCursor = 9;
  PPIVMove = {0, kNow, 3, 1};
  GameSettings.EconomyMode = 1;
  ProcessGoods();
  // Written before the steps.
  EXPECT_EQ(ProcessStatus[0].str(), "FGS:1:12 USR:0:4 CG:0:9 IV:0:3");
  PPFoundNewGoodsways.Speed = 0;
  PPFoundNewGoodsways.IndustryCursor = 123456;
  PPRecalcProductionWays = {};
  PPRecalcProductionWays.PassStart = kNow;
  PPRecalcProductionWays.GoodType = 17;
  PPCreateGoods.IndustryCursor = 4000000000u;
  PPIVMove.StationCursor = 4000000001u;
  GameSettings.EconomyMode = 0;
  ProcessGoods();
  EXPECT_EQ(ProcessStatus[0].str(), std::string("FNG:0:123456 RP:0:17 CG:0:4000000000 IV:0:4000000001").substr(0, 50));
}

TEST_F(GoodsDriver, TheGoodsEventsStepOncePerTickInEitherEconomy) {
  TicksPerYear = 3650;
  for (uint8_t mode : {0, 1}) {
    ResetGoodsEvent();
    GameSettings.EconomyMode = mode;
    ProcessGoods();
    EXPECT_NE(GoodsEvent.NextEventTick, 0u) << int(mode);  // drawn by the first step
  }
}

TEST_F(GoodsDriver, AMonthOfTheSimpleEconomyMovesTheAmountsOn) {
  const uint32_t index = Industry(1);
  {
    auto i = ReadIndustry(index);
    i->IndustryPCOutputCounter = 2;
    SetIndustryProduction(*i, 0, TIndustryProduction{5.0f, 40.0f, 30.0f, 1.0f, 80.0f, 70.0f});
    SetIndustryProduction(*i, 1, TIndustryProduction{2.0f, 8.0f, 9.0f, 0.0f, 25.0f, 0.0f});
    i->A_ReWrite();
  }
  GameSettings.EconomyMode = 0;
  MonthlyGoods();
  EXPECT_EQ(IndustryProduction(*ReadIndustry(index), 0).ThisMonth, 40.0f);
  GameSettings.EconomyMode = 1;
  MonthlyGoods();
  const auto i = ReadIndustry(index);
  const TIndustryProduction first = IndustryProduction(*i, 0), second = IndustryProduction(*i, 1);
  EXPECT_EQ(first.ThisMonth, 0.0f);
  EXPECT_EQ(first.LastMonth, 40.0f);
  EXPECT_EQ(first.Served2, 80.0f);
  EXPECT_EQ(first.Production, 5.0f);
  EXPECT_EQ(second.LastMonth, 8.0f);
  EXPECT_EQ(second.Served2, 25.0f);
}

TEST_F(GoodsDriver, DeleteNoticesReachTheProcessesThatWorkOnTheObject) {
  goods_process_hooks::FNGStationDeleted = [](uint32_t s) { g_calls.push_back("FNG station " + std::to_string(s)); };
  goods_process_hooks::FNGIndustryDeleted = [](uint32_t i) { g_calls.push_back("FNG industry " + std::to_string(i)); };
  goods_process_hooks::CGIndustryDeleted = [](uint32_t i) { g_calls.push_back("CG industry " + std::to_string(i)); };
  goods_process_hooks::RPWIndustryDeleted = [](uint32_t i) { g_calls.push_back("RPW industry " + std::to_string(i)); };
  goods_process_hooks::RPWMarketDeleted = [](uint32_t m) { g_calls.push_back("RPW market " + std::to_string(m)); };
  goods_process_hooks::RPWGoodswayDeleted = [](uint32_t w) { g_calls.push_back("RPW way " + std::to_string(w)); };
  goods_process_hooks::FNGScheduleDeleted = [](uint32_t s) { g_calls.push_back("FNG schedule " + std::to_string(s)); };
  PPIVMove = {1, kNow, 8, 2};
  PPFoundGoodsStation.StationCursor = 8;
  PPFoundGoodsStation.Phase = 3;
  GoodsEvent.Phase = 1;
  GoodsEvent.CandidateCount = 2;
  GoodsEvent.Candidates[0] = 4;
  GoodsEvent.Candidates[1] = 6;
  GoodsOnDestroyStation(9);  // another station: nothing changes
  EXPECT_EQ(PPIVMove.Phase, 2);
  EXPECT_EQ(PPFoundGoodsStation.Phase, 3);
  GoodsOnDestroyStation(8);
  EXPECT_EQ(PPIVMove.Phase, 1);
  EXPECT_EQ(PPFoundGoodsStation.Phase, 1);
  GoodsOnDestroyIndustry(4);
  EXPECT_EQ(GoodsEvent.CandidateCount, 1);
  EXPECT_EQ(GoodsEvent.Candidates[0], 6u);
  GoodsOnDestroyMarket(5);
  GoodsOnDestroyGoodsway(11);
  GoodsOnDestroySchedule(12);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"FNG station 9", "FNG station 8", "FNG industry 4", "CG industry 4",
                                               "RPW industry 4", "RPW market 5", "RPW way 11", "FNG schedule 12"}));
}

TEST_F(GoodsDriver, ANewGameStartsEveryProcessAndAPeriodMustBeAboveZero) {
  StartGoodsProcesses();
  for (int32_t speed : {PPFoundNewGoodsways.Speed, PPRecalcProductionWays.Speed, PPFoundGoodsStation.Speed,
                        PPUpdateStationRating.Speed, PPCreateGoods.Speed, PPIVMove.Speed})
    EXPECT_EQ(speed, 1);
  EXPECT_EQ(PPCreateGoods.Period, kNewGameCreateGoodsPeriod);
  EXPECT_EQ(PPIVMove.PassStart, kNow);
  for (int32_t period : {0, -5}) {
    EXPECT_FALSE(SetCreateGoodsPeriod(period));
    EXPECT_EQ(PPCreateGoods.Period, kNewGameCreateGoodsPeriod);
  }
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"Goods_CG: the period of TPPCreateGoods must be above 0, not 0",
                                                  "Goods_CG: the period of TPPCreateGoods must be above 0, not -5"}));
  EXPECT_TRUE(SetCreateGoodsPeriod(1));
  EXPECT_EQ(PPCreateGoods.Period, 1);
}

}  // namespace
