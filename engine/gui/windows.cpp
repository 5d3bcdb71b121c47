#include "engine/gui/windows.h"

#include "engine/base/diagnostics.h"

TControl3D* RootWindow = nullptr;
TControl3D* FocusWindow = nullptr;
TControl3D* PreviousFocusWindow = nullptr;
TControl3D* ModalWindow = nullptr;
TControl3D* CaptureWindow = nullptr;

TMessageBox3D MessageBox3D;

namespace {

void Unlink(TControl3D& w) {
  TControl3D* parent = w.Parent;
  if (!parent) return;
  if (w.PreviousSibling)
    w.PreviousSibling->NextSibling = w.NextSibling;
  else
    parent->FirstChild = w.NextSibling;
  if (w.NextSibling)
    w.NextSibling->PreviousSibling = w.PreviousSibling;
  else
    parent->LastChild = w.PreviousSibling;
  w.NextSibling = w.PreviousSibling = nullptr;
  w.Parent = nullptr;
}

void AppendChild(TControl3D& parent, TControl3D& w) {
  w.Parent = &parent;
  w.NextSibling = nullptr;
  w.PreviousSibling = parent.LastChild;
  if (parent.LastChild)
    parent.LastChild->NextSibling = &w;
  else
    parent.FirstChild = &w;
  parent.LastChild = &w;
}

}  // namespace

TControl3D::~TControl3D() {
  // The children stay alive with their owners; they only lose their parent.
  for (TControl3D* c = FirstChild; c;) {
    TControl3D* next = c->NextSibling;
    c->Parent = c->NextSibling = c->PreviousSibling = nullptr;
    c = next;
  }
  FirstChild = LastChild = nullptr;
  Unlink(*this);
  for (TControl3D** p : {&RootWindow, &FocusWindow, &PreviousFocusWindow, &ModalWindow, &CaptureWindow})
    if (*p == this) *p = nullptr;
}

void TControl3D::Show(uint8_t flag) { Visible = flag; }
void TControl3D::SetState(uint32_t) {}
void TControl3D::Close() {
  Visible = 0;
  EndModal3D(*this);
}
void TControl3D::Refresh(uint32_t) {}

void AddChildWindow3D(TControl3D& parent, TControl3D& window) {
  for (TControl3D* p = &parent; p; p = p->Parent)
    if (p == &window) return;  // it would hang below itself
  Unlink(window);
  AppendChild(parent, window);
}

void RemoveWindow3D(TControl3D& window) { Unlink(window); }

void BringToFront(TControl3D& window) {
  if (ModalWindow && ModalWindow != &window) return;
  if (CaptureWindow && CaptureWindow != RootWindow) return;
  TControl3D* parent = window.Parent;
  if (!parent) return;
  if (parent != RootWindow) {
    BringToFront(*parent);
    return;
  }
  if (parent->LastChild == &window) return;
  Unlink(window);
  AppendChild(*parent, window);
}

void ShowWindow3D(TControl3D& window, bool modal) {
  BringToFront(window);
  window.Show(1);
  if (!modal) return;
  if (ModalWindow) SYS_Warning("Error! Tried to open modal dialog while other modal dialog is open!");
  ModalWindow = &window;
  PreviousFocusWindow = FocusWindow;
  FocusWindow = &window;
}

void SetWindowState(TControl3D& window, uint32_t stateValue, uint32_t methodValue, uint8_t stateByte) {
  window.StateValue = stateValue;
  window.StateByte = stateByte;
  window.SetState(methodValue);
}

void ShowCenteredWindow(TControl3D& window, bool modal) {
  ShowWindow3D(window, modal);
  // Integer division in C++ rounds towards zero, as wanted for windows wider than the view.
  window.X = static_cast<int32_t>((static_cast<int64_t>(ViewportSize[0]) - window.Width) / 2);
  window.Y = static_cast<int32_t>((static_cast<int64_t>(ViewportSize[1]) - window.Height) / 2);
}

void EndModal3D(TControl3D& window) {
  if (ModalWindow != &window) return;
  ModalWindow = nullptr;
  if (FocusWindow == &window) FocusWindow = PreviousFocusWindow;
  PreviousFocusWindow = nullptr;
}

void ShowOkBox(uint32_t value) {
  MessageBox3D.Kind = 0;
  MessageBox3D.Code = '#';
  MessageBox3D.Value = value;
  MessageBox3D.Title.assign("%OK%");
  ShowCenteredWindow(MessageBox3D, true);
}

void ShowGameOver(uint8_t code) {
  MessageBox3D.Kind = 1;
  MessageBox3D.Code = code;
  MessageBox3D.Value = 0;
  MessageBox3D.Title.assign("GAMEOVER");
  ShowCenteredWindow(MessageBox3D, true);
}

void RefreshTrainWindow(TTrainWindow3D& window) {
  if (!window.Visible || !window.List) return;
  window.List->Refresh(window.ListValue);
  if (window.List->EntryCount() == 0) window.Close();
}

void CloseDepotWindowIfShowing(TDepotWindow3D& window, uint32_t depot) {
  if (window.Depot == depot) window.Close();
}

void ResetIndustryWindowCounters(TIndustryWindow3D& window) {
  window.Counters[0] = 0;
  window.Counters[1] = 0;
}

void CloseIndustryWindowIfShowing(TIndustryWindow3D& window, uint32_t industry) {
  if (window.Industry == industry) window.Close();
}

void InitControl3D() {
  SYS_DebugOut("Initializing Control3D-variables...");
  RootWindow = FocusWindow = PreviousFocusWindow = ModalWindow = CaptureWindow = nullptr;
}

namespace {
struct Control3DStart {
  Control3DStart() { InitControl3D(); }
} g_control3DStart;
}  // namespace
