// Prizes and win conditions: once a month, after the bank, up to three prizes go to the players
// with the longest networks, and the game ends when a player meets the scenario's win conditions
// or the scenario's end date is reached. Both read the scenario settings in GameSettings.
#pragma once

#include <cstddef>
#include <cstdint>

// Win-condition kinds: the quantity above a threshold, or no other player ahead in it.
constexpr uint8_t kWinThreshold = 0, kWinLeader = 1;
// Win-condition quantities: company value, network length, cash, the player's win counter.
constexpr uint8_t kWinCompanyValue = 0, kWinNetworkLength = 1, kWinBalance = 2, kWinCounter = 3;
// The game-over codes: another player has won, the time is up.
constexpr uint8_t kGameOverOtherWon = 111, kGameOverTimeUp = 116;

// From PrizeYear on (not at all while it is 0): prize r (1..3) to the unranked player with the
// longest network (rail and road length of this year), a longer one only; a tie goes to the lower
// player number, and a length of 0 never wins.
void AwardPrizes();
// The quantity of win condition N (1..5) for the player; an undefined quantity is warned about
// ("WARNING: Undefined WinCondition nr." and N) and gives 0.
long double WinQuantity(uint8_t player, int n);
// Threshold: above it (strictly). Leader: no other player strictly ahead. Another kind: false.
bool WinConditionMet(uint8_t player, int n);
// False without conditions; all of them (mode 0) or any one (mode 1).
bool PlayerHasWon(uint8_t player);
// Without an end date the highest-numbered winner ends the game; with one, from the end date on,
// the lowest-numbered winner, or nobody: the time is up. The local player's win shows the OK box.
void CheckWinConditions();

// The player record's counter that quantity 3 measures (the four bytes after the colour and logo
// numbers); nothing in the simulation writes it.
constexpr size_t kPlayerWinCounterByte = 2;
int32_t PlayerWinCounter(uint8_t player);
