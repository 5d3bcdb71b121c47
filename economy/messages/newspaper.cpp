#include "economy/messages/newspaper.h"

#include <cstring>

#include "economy/port/uiport.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/files/repository.h"
#include "engine/render/texturefiles.h"

TNewspaperWindow NewspaperWindow;
TNewspaperQueue NewspaperQueue;
TTickerLines TickerLines;

bool ShowNewspaper(const std::string& headline, const std::string& picture) {
  if (!PortModalWindowOpen() && NewspaperWindow.Visible == 0) {
    NewspaperWindow.Headline = headline;
    NewspaperWindow.Picture.clear();
    NewspaperWindow.PictureFlag = 0;
    if (!picture.empty()) {
      NewspaperWindow.Picture = kNewspaperFolder + picture;
      if (!xFileExists(NewspaperWindow.Picture)) {
        SYS_Warning("WARNING: Newspaper: picture " + NewspaperWindow.Picture + " not found");
        NewspaperWindow.Picture = std::string(kGfxFolder) + kNoTextureName;
      }
      NewspaperWindow.PictureFlag = 1;
    }
    NewspaperWindow.Visible = 1;
    PortShowNewspaper(NewspaperWindow);
    return true;
  }
  if (NewspaperQueue.Count < kNewspaperQueueRoom) {
    TNewspaperPage& page = NewspaperQueue.Pages[NewspaperQueue.Count++];
    page.Headline = headline;
    page.Picture = picture;
  }
  return false;
}

void CloseNewspaperWindow() { NewspaperWindow.Visible = 0; }

void AddTickerLine(const std::string& text) {
  if (TickerLines.Count >= kTickerRoom) return;
  if (TickerLines.Count == 0) TickerLines.FirstArrived = GameTime;
  TickerLines.Lines[TickerLines.Count++] = text;
}

void ResetNewspaper() {
  NewspaperWindow = TNewspaperWindow{};
  std::memset(static_cast<void*>(&NewspaperQueue), 0, sizeof(NewspaperQueue));
  std::memset(static_cast<void*>(&TickerLines), 0, sizeof(TickerLines));
}
