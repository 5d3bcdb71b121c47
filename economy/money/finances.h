// Money: every amount a player earns or spends is booked here, and once a month the bank charges
// and pays interest, grants and takes back credit and watches the bankruptcy deadline.
// Money moves only from economy level 2 on.
#pragma once

#include <cstdint>

#include "engine/base/worldstate.h"

struct TWay;

// Yearly rate of the credit interest in percent; the overdraft pays twice the rate, a positive
// balance earns 0.2 times it. All are charged monthly (a twelfth).
constexpr long double kBankRatePercent = 6.0L;
constexpr long double kCreditTopUp = 50000.0L;    // automatic credit brings the balance up to this
constexpr long double kRepayAbove = 500000.0L;    // credit is repaid out of a balance above this
constexpr long double kRepayLeaves = 100000.0L;   // and leaves this much
constexpr uint8_t kGameOverBankrupt = 109;


// Adds Amount to the player's balance of this year and Amount * Factor to Stat. Costs are booked
// as a negative Amount with Factor -1, so the statistics field grows by the cost. Player 0 is a
// fatal stop; below level 2 nothing is booked.
void BookMoney(uint8_t player, float& stat, float amount, float factor);
// The company value of a year block (1 = this year): balance + building, way and vehicle value -
// credit. 0 for a player or block out of range.
long double PlayerAssets(uint8_t player, int block);
// This year's balance less the pre-booked construction costs.
long double PlayerCash(uint8_t player);
// The bank's monthly step for one player (nothing while EconomyHold is set).
void MonthlyBank(uint8_t player);
// The finance category of a way's use (VByte of the world state).
uint8_t VByte(const TWay& way);
