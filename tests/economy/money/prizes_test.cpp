// Prizes for the longest networks and the win conditions that end the game.
#include <string>
#include <vector>

#include "economy/money/prizes.h"
#include "tests/economy/economy_fixture.h"

namespace {

using economy_test::EconomyTest;

class Prizes : public EconomyTest {
 protected:
  void SetUp() override {
    EconomyTest::SetUp();
    GameSettings.Level = 2;  // money moves
    GameYear = 1960;
    GameMonth = 3;
    PlayerCount = 3;
    LocalPlayer = 1;
    okBoxes.clear();
    TUserInterfacePort port = UserInterface();
    port.ShowOkBox = [](uint32_t value) { okBoxes.push_back(value); };
    SetUserInterface(port);
  }
  static void Lengths(std::initializer_list<float> lengths) {
    uint8_t p = 1;
    for (float l : lengths) {
      Players[p].Finances[0].RailLength = l / 2;
      Players[p].Finances[0].RoadLength = l / 2;
      ++p;
    }
  }
  static void Conditions(uint8_t mode, std::initializer_list<TWinCondition> conditions) {
    GameSettings.WinConditionMode = mode;
    GameSettings.WinConditionCount = 0;
    for (const TWinCondition& c : conditions) GameSettings.WinConditions[GameSettings.WinConditionCount++] = c;
  }
  static TWinCondition Condition(uint8_t kind, uint8_t quantity, long double threshold = 0) {
    TWinCondition c{};
    c.Kind = kind;
    c.Quantity = quantity;
    c.Threshold = threshold;
    return c;
  }
  static float PrizesOf(uint8_t p) { return Players[p].Finances[0].Prizes; }
  static inline std::vector<uint32_t> okBoxes;
};

TEST_F(Prizes, TheLongestNetworksWinAndATieGoesToTheLowerNumber) {
  GameSettings.PrizeAmounts[0] = 1000;
  GameSettings.PrizeAmounts[1] = 500;
  GameSettings.PrizeAmounts[2] = 250;
  Lengths({500, 500, 0});
  // Before the prize year and without one nothing is paid; in the prize year every month.
  for (const int32_t year : {0, 1961}) {
    GameSettings.PrizeYear = year;
    AwardPrizes();
    EXPECT_EQ(PrizesOf(1) + PrizesOf(2) + PrizesOf(3), 0.0f) << year;
  }
  GameSettings.PrizeYear = 1960;
  for (int month = 1; month <= 2; ++month) AwardPrizes();
  EXPECT_EQ(PrizesOf(1), 2000.0f);
  EXPECT_EQ(PrizesOf(2), 1000.0f);
  EXPECT_EQ(PrizesOf(3), 0.0f);  // a length of 0 never wins
  EXPECT_EQ(Players[1].Finances[0].Balance.get(), 2000.0L);
  // The longest network first, whatever the player number.
  Lengths({100, 200, 300});
  AwardPrizes();
  EXPECT_EQ(PrizesOf(3), 1000.0f);
  EXPECT_EQ(PrizesOf(2), 1500.0f);
  EXPECT_EQ(PrizesOf(1), 2250.0f);
}

TEST_F(Prizes, WinConditionsByKindAndQuantity) {
  Players[1].Finances[0].Balance = 1000000.0L;
  Players[2].Finances[0].Balance = 1000000.0L;
  Players[3].Finances[0].Balance = 10.0L;
  struct Case {
    TWinCondition condition;
    bool met[3];
  };
  const Case cases[] = {
      // Exactly the threshold is not above it; the company value here is the cash.
      {Condition(kWinThreshold, kWinCompanyValue, 1000000), {false, false, false}},
      {Condition(kWinThreshold, kWinBalance, 999999), {true, true, false}},
      // Tied for the lead: both lead.
      {Condition(kWinLeader, kWinBalance), {true, true, false}},
      {Condition(7, kWinBalance), {false, false, false}},
  };
  for (const Case& c : cases) {
    Conditions(0, {c.condition});
    for (uint8_t p = 1; p <= 3; ++p) EXPECT_EQ(WinConditionMet(p, 1), c.met[p - 1]) << int(c.condition.Kind) << " " << int(p);
  }
  Conditions(0, {Condition(kWinThreshold, 9, 0)});
  EXPECT_FALSE(WinConditionMet(1, 1));
  EXPECT_EQ(testing_support::Warnings(), std::vector<std::string>{"WARNING: Undefined WinCondition nr.1"});
  // All of them or any one of them; none: nobody wins.
  Conditions(0, {Condition(kWinThreshold, kWinBalance, 5), Condition(kWinThreshold, kWinNetworkLength, 5)});
  EXPECT_FALSE(PlayerHasWon(1));
  Conditions(1, {Condition(kWinThreshold, kWinBalance, 5), Condition(kWinThreshold, kWinNetworkLength, 5)});
  EXPECT_TRUE(PlayerHasWon(1));
  Conditions(1, {});
  EXPECT_FALSE(PlayerHasWon(1));
}

TEST_F(Prizes, TheGameEndsForTheWinnerOrWhenTheTimeIsUp) {
  Players[1].Finances[0].Balance = 100.0L;
  Players[2].Finances[0].Balance = 100.0L;
  Conditions(0, {Condition(kWinThreshold, kWinBalance, 50)});
  // Without an end date the higher of two winners wins: not the local player.
  GameSettings.EndYear = 0;
  CheckWinConditions();
  EXPECT_EQ(gameOver, std::vector<uint8_t>{kGameOverOtherWon});
  EXPECT_TRUE(okBoxes.empty());
  // With an end date the lower one, from the end date on only.
  gameOver.clear();
  GameSettings.EndYear = 1960;
  GameSettings.EndMonth = 4;
  CheckWinConditions();
  EXPECT_TRUE(okBoxes.empty());
  GameMonth = 4;
  CheckWinConditions();
  EXPECT_EQ(okBoxes, std::vector<uint32_t>{0});
  EXPECT_TRUE(gameOver.empty());
  // Without conditions every game ends at the end date, also in the months after it.
  Conditions(0, {});
  for (const auto& [year, month] : {std::pair{1960, 4}, std::pair{1960, 12}, std::pair{1961, 1}}) {
    GameYear = year;
    GameMonth = month;
    CheckWinConditions();
  }
  EXPECT_EQ(gameOver, (std::vector<uint8_t>{kGameOverTimeUp, kGameOverTimeUp, kGameOverTimeUp}));
  // Without an end date and without a winner nothing happens.
  gameOver.clear();
  GameSettings.EndYear = 0;
  CheckWinConditions();
  EXPECT_TRUE(gameOver.empty());
}

}  // namespace
