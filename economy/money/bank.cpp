#include "economy/money/bank.h"

#include "economy/port/uiport.h"
#include "engine/files/languages.h"

TBankMessageWindow BankMessageWindow;

void ShowBankMessage(uint8_t kind, float amount, float ratePercent, float credit, float companyValue,
                     float monthlyInterest) {
  TBankMessageWindow& w = BankMessageWindow;
  w.Kind = kind;
  w.Amount = amount;
  w.RatePercent = ratePercent;
  w.Credit = credit;
  w.CompanyValue = companyValue;
  w.MonthlyInterest = monthlyInterest;
  w.Caption = Translate("WARNING");
  ++w.Shown;
  PortShowBankMessage(w);
}

void ResetBankMessage() { BankMessageWindow = TBankMessageWindow{}; }
