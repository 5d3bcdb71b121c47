#include <cmath>

#include "economy/money/finances.h"
#include "engine/world/records.h"
#include "tests/economy/economy_fixture.h"

namespace {

using economy_test::EconomyTest;
using testing_support::FatalError;

class Bank : public EconomyTest {
 protected:
  // Player 1 with a balance, a credit and (through the building value) a company value.
  static void Set(uint8_t p, long double balance, float credit, long double value) {
    TYearFinance& y = Players[p].Finances[0];
    y.Balance = balance;
    y.Credit = credit;
    y.BuildingValue = static_cast<float>(value - balance + credit);
  }
  static TYearFinance& Year(uint8_t p) { return Players[p].Finances[0]; }
};

TEST_F(Bank, MonthlyStepThroughItsRules) {
  constexpr int kNone = -1;
  struct Case {
    const char* name;
    int level;
    long double balance;
    float credit;
    long double value;
    long double balanceAfter;
    float creditAfter;
    int message;
  };
  const Case cases[] = {
      // The overdraft interest of 100 first, then credit tops the balance up to 50,000.
      {"automatic credit", 2, -10000, 0, 1000000, 50000, 60100, kBankCreditGranted},
      // 4,950 credit and 149.50 overdraft interest; the need is cut to 10,000, which leaves the
      // balance negative: refused.
      {"credit refused", 2, -10000, 990000, 1000000, -15099.5L, 990000, kBankCreditRefused},
      // 1,500 credit interest and 698.50 income, then the whole credit is repaid.
      {"repayment", 2, 700000, 300000, 1000000, 399198.5L, 0, kBankCreditRepaid},
      // A balance below the repayment line only earns interest.
      {"interest only", 2, 100000, 1000, 1000000, 100000 - 5 + 99.99L, 1000, kNone},
      // Level 1 books no interest, yet credit and repayment still move money.
      {"level 1 credit", 1, -10000, 0, 1000000, 50000, 60000, kBankCreditGranted},
      {"level 1 repayment", 1, 700000, 300000, 1000000, 400000, 0, kBankCreditRepaid},
      {"level 1 balance", 1, 100000, 1000, 1000000, 100000, 1000, kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetWorldState();
    bank.clear();
    GameSettings.Level = static_cast<uint8_t>(c.level);
    Set(1, c.balance, c.credit, c.value);
    MonthlyBank(1);
    EXPECT_NEAR(static_cast<double>(Year(1).Balance.get()), static_cast<double>(c.balanceAfter), 0.01);
    EXPECT_NEAR(Year(1).Credit, c.creditAfter, 0.01f);
    if (c.message == kNone) {
      EXPECT_TRUE(bank.empty());
    } else {
      ASSERT_EQ(bank.size(), 1u);
      EXPECT_EQ(bank[0], c.message);
      EXPECT_EQ(BankMessageWindow.Credit, Year(1).Credit);
      EXPECT_NEAR(BankMessageWindow.MonthlyInterest, Year(1).Credit * 0.005f, 0.01f);
    }
  }
}

TEST_F(Bank, InterestIsBookedInItsStatisticsFields) {
  GameSettings.Level = 2;
  Set(1, -10000, 990000, 1000000);
  MonthlyBank(1);
  EXPECT_FLOAT_EQ(Year(1).CreditInterest, -4950.0f);
  EXPECT_FLOAT_EQ(Year(1).OverdraftInterest, -149.5f);
  Set(2, 700000, 300000, 1000000);
  MonthlyBank(2);
  EXPECT_FLOAT_EQ(Year(2).InterestIncome, 698.5f);
}

TEST_F(Bank, RefusalIsShownOnceUntilTheNextGrant) {
  GameSettings.Level = 2;
  Set(1, -10000, 990000, 1000000);
  MonthlyBank(1);
  Set(1, -10000, 990000, 1000000);
  MonthlyBank(1);
  EXPECT_EQ(bank, (std::vector<uint8_t>{kBankCreditRefused}));
  Set(1, -10000, 0, 1000000);
  MonthlyBank(1);
  Set(1, -10000, 990000, 1000000);
  MonthlyBank(1);
  EXPECT_EQ(bank, (std::vector<uint8_t>{kBankCreditRefused, kBankCreditGranted, kBankCreditRefused}));
}

TEST_F(Bank, DeadlineEndsTheGameAYearLaterForTheLocalPlayerOnly) {
  GameSettings.Level = 2;
  for (uint8_t p : {1, 2}) Set(p, -1000, 0, -5000);
  GameYear = 1950;
  GameMonth = 3;
  MonthlyBank(1);
  MonthlyBank(2);
  EXPECT_EQ(+Players[1].DeadlineYear, 1951);
  EXPECT_EQ(+Players[1].DeadlineMonth, 3);
  EXPECT_EQ(+Players[2].DeadlineYear, 1951);
  EXPECT_EQ(bank, (std::vector<uint8_t>{kBankDeadlineStarted}));  // the local player's only
  for (int month : {4, 12}) {
    GameMonth = month;
    MonthlyBank(1);
  }
  GameYear = 1951;
  GameMonth = 2;
  MonthlyBank(1);
  EXPECT_TRUE(gameOver.empty());
  GameMonth = 3;
  MonthlyBank(1);
  MonthlyBank(2);
  EXPECT_EQ(gameOver, (std::vector<uint8_t>{109}));
  // A month with a balance of 0 or more ends the deadline.
  Set(2, 10, 0, -5000);
  MonthlyBank(2);
  EXPECT_EQ(+Players[2].DeadlineYear, 0);
}

TEST_F(Bank, RepaymentForOtherPlayersCanBeSwitchedOff) {
  GameSettings.Level = 2;
  GameSettings.RepayLocalOnly = 1;
  Set(2, 700000, 300000, 1000000);
  MonthlyBank(2);
  EXPECT_FLOAT_EQ(Year(2).Credit, 300000.0f);
  Set(1, 700000, 300000, 1000000);
  MonthlyBank(1);
  EXPECT_FLOAT_EQ(Year(1).Credit, 0.0f);
}

TEST_F(Bank, NothingWhileTheEconomyIsHeld) {
  GameSettings.Level = 2;
  EconomyHold = 1;
  Set(1, -10000, 0, 1000000);
  MonthlyBank(1);
  EXPECT_EQ(Year(1).Balance.get(), -10000.0L);
  EXPECT_TRUE(bank.empty());
}

TEST_F(Bank, BookMoneyMovesBalanceAndStatisticFromLevelTwo) {
  GameSettings.Level = 2;
  TYearFinance& y = Year(3);
  BookMoney(3, FinanceStats(y, VByte(1))[kFinanceConstructionStat], -250.0f, -1.0f);
  EXPECT_EQ(y.Balance.get(), -250.0L);
  EXPECT_EQ(y.RailStats[kFinanceConstructionStat], 250.0f);
  GameSettings.Level = 1;
  BookMoney(3, y.Prizes, 100.0f, 1.0f);
  EXPECT_EQ(y.Balance.get(), -250.0L);
  EXPECT_EQ(y.Prizes, 0.0f);
  Players[3].PrevCost = 50.0L;
  EXPECT_EQ(PlayerCash(3), -300.0L);
  y.WayValue = 1000.0f;
  y.Credit = 100.0f;
  EXPECT_EQ(PlayerAssets(3, 1), 650.0L);
  EXPECT_EQ(PlayerAssets(3, 6), 0.0L);
}

TEST_F(Bank, BookingForPlayerZeroIsAFatalStop) {
  GameSettings.Level = 2;
  float stat = 0.0f;
  try {
    BookMoney(0, stat, 1.0f, 1.0f);
    FAIL() << "no fatal stop";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(),
                 "FATAL ERROR: WARNING: Playernum must not be 0 here. Program terminates if not in debugmode. "
                 "PROGRAM TERMINATES!");
  }
}

TEST_F(Bank, FinanceCategoryOfRoadAndRail) {
  EXPECT_EQ(VByte(uint8_t{0}), kFinanceRoad);
  EXPECT_EQ(VByte(uint8_t{1}), kFinanceRail);
  TWay w{};
  w.Use = 1;
  EXPECT_EQ(VByte(w), kFinanceRail);
  try {
    VByte(uint8_t{2});
    FAIL() << "no fatal stop";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(), "FATAL ERROR: Error: Unknown VehicleBasetype in function VByte PROGRAM TERMINATES!");
  }
}

}  // namespace
