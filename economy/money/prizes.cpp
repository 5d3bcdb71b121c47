#include "economy/money/prizes.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "economy/money/finances.h"
#include "economy/port/uiport.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"

namespace {

constexpr int kPrizes = 3, kMostWinConditions = 5;

uint8_t Players10() { return std::min<uint8_t>(PlayerCount, 10); }
long double NetworkLength(uint8_t p) {
  const TYearFinance& y = Players[p].Finances[0];
  return static_cast<long double>(y.RailLength) + y.RoadLength;
}
TWinCondition Condition(int n) { return GameSettings.WinConditions[n - 1]; }

// The winner among players 1..PlayerCount, the lowest or the highest number; 0 nobody.
uint8_t Winner(bool highest) {
  uint8_t winner = 0;
  for (uint8_t p = 1; p <= Players10(); ++p) {
    if (!PlayerHasWon(p)) continue;
    winner = p;
    if (!highest) break;
  }
  return winner;
}

void EndGame(uint8_t winner) {
  if (winner == LocalPlayer) {
    PortShowOkBox(0);
  } else {
    PortShowGameOver(kGameOverOtherWon);
  }
}

}  // namespace

int32_t PlayerWinCounter(uint8_t player) {
  int32_t counter = 0;
  std::memcpy(&counter, Players[player].Reserved + kPlayerWinCounterByte, sizeof counter);
  return counter;
}

void AwardPrizes() {
  if (GameSettings.PrizeYear == 0 || GameSettings.PrizeYear > GameYear) return;
  bool ranked[11] = {};
  for (int r = 0; r < kPrizes; ++r) {
    uint8_t winner = 0;
    long double best = 0.0L;
    for (uint8_t p = 1; p <= Players10(); ++p) {
      if (ranked[p] || !(NetworkLength(p) > best)) continue;
      best = NetworkLength(p);
      winner = p;
    }
    if (winner == 0) continue;
    ranked[winner] = true;
    float prizes = Players[winner].Finances[0].Prizes;
    BookMoney(winner, prizes, GameSettings.PrizeAmounts[r], 1.0f);
    Players[winner].Finances[0].Prizes = prizes;
  }
}

long double WinQuantity(uint8_t player, int n) {
  switch (Condition(n).Quantity) {
    case kWinCompanyValue:
      return PlayerAssets(player, 1);
    case kWinNetworkLength:
      return NetworkLength(player);
    case kWinBalance:
      return Players[player].Finances[0].Balance.get();
    case kWinCounter:
      return PlayerWinCounter(player);
    default:
      SYS_Warning("WARNING: Undefined WinCondition nr." + std::to_string(n));
      return 0.0L;
  }
}

bool WinConditionMet(uint8_t player, int n) {
  const TWinCondition c = Condition(n);
  const long double mine = WinQuantity(player, n);
  switch (c.Kind) {
    case kWinThreshold:
      return mine > c.Threshold.get();
    case kWinLeader:
      for (uint8_t p = 1; p <= Players10(); ++p)
        if (p != player && WinQuantity(p, n) > mine) return false;
      return true;
    default:
      return false;
  }
}

bool PlayerHasWon(uint8_t player) {
  const int count = std::min<int>(GameSettings.WinConditionCount, kMostWinConditions);
  if (count == 0) return false;
  bool all = true, any = false;
  for (int n = 1; n <= count; ++n) {  // every condition is evaluated
    const bool met = WinConditionMet(player, n);
    all = all && met;
    any = any || met;
  }
  return GameSettings.WinConditionMode == 0 ? all : any;
}

void CheckWinConditions() {
  if (GameSettings.EndYear == 0) {
    const uint8_t winner = Winner(true);
    if (winner != 0) EndGame(winner);
    return;
  }
  // From the end date on, as a date: the month of the end date and every month after it.
  const int64_t now = int64_t{GameYear} * 12 + GameMonth;
  const int64_t end = int64_t{GameSettings.EndYear} * 12 + GameSettings.EndMonth;
  if (now < end) return;
  const uint8_t winner = Winner(false);
  if (winner != 0) {
    EndGame(winner);
  } else {
    PortShowGameOver(kGameOverTimeUp);
  }
}
