// The bank's message window: what the bank tells the local player, kept for the window to show.
#pragma once

#include <cstdint>
#include <string>

// Message kinds.
constexpr uint8_t kBankCreditGranted = 0;
constexpr uint8_t kBankCreditRepaid = 1;
constexpr uint8_t kBankCreditRefused = 2;       // shown once until the next grant
constexpr uint8_t kBankDeadlineStarted = 3;     // one year to get out of debt
constexpr uint8_t kBankNoCreditInDeadline = 4;

struct TBankMessageWindow {
  std::string Caption;  // the translated "WARNING"
  uint8_t Kind = 0;
  float Amount = 0.0f;
  float RatePercent = 0.0f;
  float Credit = 0.0f;           // after the change
  float CompanyValue = 0.0f;
  float MonthlyInterest = 0.0f;  // on that credit
  uint32_t Shown = 0;            // how many messages were shown since the start
};
extern TBankMessageWindow BankMessageWindow;

// Stores the message in BankMessageWindow, sets its caption and shows it through the user
// interface port.
void ShowBankMessage(uint8_t kind, float amount, float ratePercent, float credit, float companyValue,
                     float monthlyInterest);
// The unit start again: an empty window.
void ResetBankMessage();
