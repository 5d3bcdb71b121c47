// The newspaper page and the news ticker: pages wait in a queue while they cannot be shown, ticker
// lines wait for the screen that scrolls them.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/types.h"

constexpr int kNewspaperQueueRoom = 100;
constexpr int kTickerRoom = 20;
// Newspaper pictures lie in this folder; a missing one is shown as the stand-in texture.
constexpr const char* kNewspaperFolder = "newspaper\\";

// The newspaper window's content. Picture is the file shown (folder and name), empty without one.
struct TNewspaperWindow {
  std::string Headline;
  std::string Picture;
  uint8_t PictureFlag = 0;
  uint8_t Visible = 0;
};
extern TNewspaperWindow NewspaperWindow;

struct TNewspaperPage {
  ShortString<80> Headline;
  ShortString<22> Picture;
};
struct TNewspaperQueue {
  uint8_t Count;
  TNewspaperPage Pages[kNewspaperQueueRoom];  // 0-based, the oldest first
};
extern TNewspaperQueue NewspaperQueue;

struct TTickerLines {
  uint8_t Count;
  ShortString<255> Lines[kTickerRoom];  // 0-based
  uint32_t FirstArrived;                // GameTime of the first waiting line
};
extern TTickerLines TickerLines;

// Shows the page now when no modal window is open and the newspaper is not showing (true);
// otherwise queues it at the end, cut to its room, or loses it when 100 pages wait (false).
bool ShowNewspaper(const std::string& headline, const std::string& picture);
// The user closed the newspaper; the next queued page can be shown.
void CloseNewspaperWindow();
// Appends a ticker line unless 20 wait (the line is then lost).
void AddTickerLine(const std::string& text);
// The unit start again: nothing queued, nothing waiting, the window closed.
void ResetNewspaper();
