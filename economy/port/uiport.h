// The windows the simulation opens, reached through one table that the program installs. An
// empty entry does nothing (a question answers false): tests and the driver run on the empty
// table, and a program fills in the entries of the windows it has.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct TBankMessageWindow;
struct TNewspaperWindow;
struct TTutorialWindow;

struct TUserInterfacePort {
  // The bank message, filled in by ShowBankMessage: centre it in the view and show it.
  std::function<void(const TBankMessageWindow&)> ShowBankMessage;
  // The centred box titled "%OK%" with a value.
  std::function<void(uint32_t value)> ShowOkBox;
  // The centred box titled "GAMEOVER": 109 bankrupt, 111 another player won, 116 end date.
  std::function<void(uint8_t code)> ShowGameOver;
  // The newspaper page, filled in by ShowNewspaper: load its picture (when it has one) and show it.
  std::function<void(const TNewspaperWindow&)> ShowNewspaper;
  // The year report window, opened on the given page.
  std::function<void(uint8_t page)> ShowYearReport;
  // True while a modal window is open (a newspaper page then waits in the queue).
  std::function<bool()> ModalWindowOpen;
  // The windows that show world records, when a record goes: the depot window closes when it shows
  // the depot; each of the five industry windows resets its counters when a goods way goes, and
  // closes when it shows the industry; each of the five train windows closes when it shows the
  // train, and the train list window refreshes (RefreshTrainWindow).
  std::function<void(uint32_t depot)> CloseDepotWindow;
  std::function<void()> ResetIndustryWindowCounters;
  std::function<void(uint32_t industry)> CloseIndustryWindows;
  std::function<void(uint32_t train)> CloseTrainWindows;
  std::function<void()> RefreshTrainList;
  // Brings the tutorial window to the front.
  std::function<void(const TTutorialWindow&)> BringTutorialToFront;
};

// The table in force; empty at start.
TUserInterfacePort& UserInterface();
// Replaces the table; SetUserInterface({}) goes back to the empty one.
void SetUserInterface(TUserInterfacePort port);

// Calls through the table; an empty entry does nothing.
void PortShowBankMessage(const TBankMessageWindow& window);
void PortShowOkBox(uint32_t value);
void PortShowGameOver(uint8_t code);
void PortShowNewspaper(const TNewspaperWindow& window);
void PortShowYearReport(uint8_t page);
bool PortModalWindowOpen();
void PortCloseDepotWindow(uint32_t depot);
void PortResetIndustryWindowCounters();
void PortCloseIndustryWindows(uint32_t industry);
void PortCloseTrainWindows(uint32_t train);
void PortRefreshTrainList();
void PortBringTutorialToFront(const TTutorialWindow& window);
