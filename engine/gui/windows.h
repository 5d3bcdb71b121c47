// The windows the game draws inside the 3D view: the window tree (children of one parent in a
// doubly linked list, the top-level windows children of the root), bringing a window to the
// front, showing it, modal windows, centring, the message box, and the hooks with which deleting
// a world record updates or closes the window that shows it. The concrete window kinds and all
// drawing belong to the game flow; they derive from TControl3D and fill in the operations.
#pragma once

#include <cstdint>

#include "engine/base/types.h"

class TControl3D {
 public:
  TControl3D() = default;
  // A window that goes away leaves the tree and every module pointer that names it.
  virtual ~TControl3D();
  TControl3D(const TControl3D&) = delete;
  TControl3D& operator=(const TControl3D&) = delete;

  // The operations the tree calls, in slot order. The base versions: Show sets visible to the
  // flag; SetState does nothing; Close hides the window and, when it is the modal window, ends
  // the modal state (EndModal3D); Refresh does nothing.
  virtual void Show(uint8_t flag);
  virtual void SetState(uint32_t value);
  virtual void Close();
  virtual void Refresh(uint32_t value);

  // In pixels of the 3D view.
  int32_t X = 0, Y = 0, Width = 0, Height = 0;
  uint8_t Visible = 0;
  TControl3D* NextSibling = nullptr;
  TControl3D* PreviousSibling = nullptr;
  TControl3D* Parent = nullptr;
  TControl3D* FirstChild = nullptr;
  TControl3D* LastChild = nullptr;
  uint32_t StateValue = 0;
  uint8_t StateByte = 0;
};

// Module state; all empty at the unit's start. The root is made by the game flow.
extern TControl3D* RootWindow;
extern TControl3D* FocusWindow;
extern TControl3D* PreviousFocusWindow;
extern TControl3D* ModalWindow;
extern TControl3D* CaptureWindow;

// Tree building: appends the window as the last child of the parent (taking it out of any earlier
// place first), or takes it out of its parent's list. Adding a window below itself or below one of
// its own children is refused.
void AddChildWindow3D(TControl3D& parent, TControl3D& window);
void RemoveWindow3D(TControl3D& window);

// Makes the window's top-level window the root's last child. Refused while a modal window other
// than this one is open, and while a window other than the root holds the capture.
void BringToFront(TControl3D& window);
// Brings the window to the front and shows it; a modal window takes the focus (the previous focus
// is kept). A second modal window warns and replaces the first.
void ShowWindow3D(TControl3D& window, bool modal);
void SetWindowState(TControl3D& window, uint32_t stateValue, uint32_t methodValue, uint8_t stateByte);
// ShowWindow3D, then centres the window in ViewportSize (division towards zero).
void ShowCenteredWindow(TControl3D& window, bool modal);
// Ends the modal state of the window: the modal window is cleared and the focus goes back to the
// window that had it before. Nothing when the window is not the modal window.
void EndModal3D(TControl3D& window);

// The one message box of the game.
class TMessageBox3D : public TControl3D {
 public:
  ShortString<255> Title{};
  uint8_t Kind = 0;   // 0 the OK box, 1 the game-over box
  uint32_t Value = 0;
  uint8_t Code = 0;
};
extern TMessageBox3D MessageBox3D;

void ShowOkBox(uint32_t value);
// Codes: 109 bankrupt, 111 another player has won, 116 the end date passed without a winner.
void ShowGameOver(uint8_t code);

// The window kinds that the delete hooks update. The game flow derives its windows from them.
class TListBox3D : public TControl3D {
 public:
  virtual uint32_t EntryCount() const { return 0; }
};

class TTrainWindow3D : public TControl3D {
 public:
  TListBox3D* List = nullptr;  // the list embedded in the window
  uint8_t ListValue = 0;       // handed to the list's refresh
};

class TDepotWindow3D : public TControl3D {
 public:
  uint32_t Depot = 0;  // the depot shown
};

class TIndustryWindow3D : public TControl3D {
 public:
  uint32_t Industry = 0;  // the industry shown
  uint32_t Counters[2] = {0, 0};
};

// A visible train window refreshes its list; a list left empty closes the window.
void RefreshTrainWindow(TTrainWindow3D& window);
void CloseDepotWindowIfShowing(TDepotWindow3D& window, uint32_t depot);
void ResetIndustryWindowCounters(TIndustryWindow3D& window);
void CloseIndustryWindowIfShowing(TIndustryWindow3D& window, uint32_t industry);

// The unit start again, for tests: every module pointer empty.
void InitControl3D();
