#include "economy/port/uiport.h"

#include <utility>

namespace {
TUserInterfacePort g_port;
}  // namespace

TUserInterfacePort& UserInterface() { return g_port; }
void SetUserInterface(TUserInterfacePort port) { g_port = std::move(port); }

void PortShowBankMessage(const TBankMessageWindow& window) {
  if (g_port.ShowBankMessage) g_port.ShowBankMessage(window);
}
void PortShowOkBox(uint32_t value) {
  if (g_port.ShowOkBox) g_port.ShowOkBox(value);
}
void PortShowGameOver(uint8_t code) {
  if (g_port.ShowGameOver) g_port.ShowGameOver(code);
}
void PortShowNewspaper(const TNewspaperWindow& window) {
  if (g_port.ShowNewspaper) g_port.ShowNewspaper(window);
}
void PortShowYearReport(uint8_t page) {
  if (g_port.ShowYearReport) g_port.ShowYearReport(page);
}
bool PortModalWindowOpen() { return g_port.ModalWindowOpen ? g_port.ModalWindowOpen() : false; }
void PortCloseDepotWindow(uint32_t depot) {
  if (g_port.CloseDepotWindow) g_port.CloseDepotWindow(depot);
}
void PortResetIndustryWindowCounters() {
  if (g_port.ResetIndustryWindowCounters) g_port.ResetIndustryWindowCounters();
}
void PortCloseIndustryWindows(uint32_t industry) {
  if (g_port.CloseIndustryWindows) g_port.CloseIndustryWindows(industry);
}
void PortCloseTrainWindows(uint32_t train) {
  if (g_port.CloseTrainWindows) g_port.CloseTrainWindows(train);
}
void PortRefreshTrainList() {
  if (g_port.RefreshTrainList) g_port.RefreshTrainList();
}
void PortBringTutorialToFront(const TTutorialWindow& window) {
  if (g_port.BringTutorialToFront) g_port.BringTutorialToFront(window);
}
