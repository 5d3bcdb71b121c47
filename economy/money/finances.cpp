#include "economy/money/finances.h"

#include <cmath>

#include "economy/money/bank.h"
#include "economy/port/uiport.h"
#include "engine/base/diagnostics.h"
#include "engine/world/records.h"

namespace {

// The monthly interest on a credit, as the bank messages show it.
float MonthlyCreditInterest(float credit) {
  return static_cast<float>(credit * kBankRatePercent / 12.0L / 100.0L);
}

void Message(uint8_t kind, long double amount, float rate, const TYearFinance& y, long double value) {
  ShowBankMessage(kind, static_cast<float>(amount), rate, y.Credit, static_cast<float>(value),
                  MonthlyCreditInterest(y.Credit));
}

}  // namespace

void BookMoney(uint8_t player, float& stat, float amount, float factor) {
  if (player == 0) SYS_BREAKPROGRAM("WARNING: Playernum must not be 0 here. Program terminates if not in debugmode.");
  if (!IsPlayerNumber(player)) {
    SYS_Warning("WARNING: BookMoney: Playernum " + std::to_string(player) + " is out of range");
    return;
  }
  if (GameSettings.Level < 2) return;
  TYearFinance& y = Players[player].Finances[0];
  y.Balance = y.Balance.get() + static_cast<long double>(amount);
  stat = stat + amount * factor;
}

long double PlayerAssets(uint8_t player, int block) {
  if (!IsPlayerNumber(player) || block < 1 || block > 5) return 0.0L;
  const TYearFinance& y = Players[player].Finances[block - 1];
  return y.Balance.get() + y.BuildingValue + y.WayValue + y.VehicleValue - y.Credit;
}

long double PlayerCash(uint8_t player) {
  if (!IsPlayerNumber(player)) return 0.0L;
  return Players[player].Finances[0].Balance.get() - Players[player].PrevCost.get();
}

void MonthlyBank(uint8_t p) {
  if (EconomyHold != 0) return;
  if (p == 0) SYS_BREAKPROGRAM("WARNING: Playernum must not be 0 here. Program terminates if not in debugmode.");
  if (!IsPlayerNumber(p)) return;
  TPlayer& player = Players[p];
  TYearFinance& y = player.Finances[0];
  const bool local = p == LocalPlayer;
  const long double v = PlayerAssets(p, 1);

  BookMoney(p, y.CreditInterest, static_cast<float>(-std::fabs(y.Credit * kBankRatePercent / 12.0L / 100.0L)), 1.0f);

  if (y.Balance.get() < 0.0L) {
    BookMoney(p, y.OverdraftInterest,
              static_cast<float>(-std::fabs(y.Balance.get() * 2.0L * kBankRatePercent / 12.0L / 100.0L)), 1.0f);
    if (v > 0.0L) {
      long double need = kCreditTopUp - y.Balance.get();
      if (need + y.Credit > v) need = v - y.Credit;
      if (need > 0.0L && y.Balance.get() + need > 0.0L) {
        y.Balance = y.Balance.get() + need;
        y.Credit = static_cast<float>(y.Credit + need);
        if (local) Message(kBankCreditGranted, need, static_cast<float>(kBankRatePercent), y, v);
        player.CreditRefusedShown = 0;
      } else if (local) {
        if (player.DeadlineYear != 0) {
          Message(kBankNoCreditInDeadline, 0.0L, 0.0f, y, v);
        } else if (player.CreditRefusedShown == 0) {
          Message(kBankCreditRefused, 0.0L, 0.0f, y, v);
          player.CreditRefusedShown = 1;
        }
      }
      player.DeadlineYear = 0;
    } else if (player.DeadlineYear == 0) {
      player.DeadlineYear = GameYear + 1;
      player.DeadlineMonth = GameMonth;
      if (local) Message(kBankDeadlineStarted, 0.0L, 0.0f, y, v);
    } else if (local && (GameYear > player.DeadlineYear ||
                         (GameYear == player.DeadlineYear && GameMonth >= player.DeadlineMonth))) {
      PortShowGameOver(kGameOverBankrupt);
    }
    return;
  }

  player.DeadlineYear = 0;
  BookMoney(p, y.InterestIncome,
            static_cast<float>(y.Balance.get() * 0.2L * kBankRatePercent / 12.0L / 100.0L), 1.0f);
  if (y.Credit > 0.0f && y.Balance.get() > kRepayAbove && (local || GameSettings.RepayLocalOnly == 0)) {
    long double repay = y.Balance.get() - kRepayLeaves;
    if (repay > y.Credit) repay = y.Credit;
    y.Balance = y.Balance.get() - repay;
    y.Credit = static_cast<float>(y.Credit - repay);
    if (local) Message(kBankCreditRepaid, repay, 0.0f, y, v);
  }
}

uint8_t VByte(const TWay& way) { return VByte(way.Use); }
