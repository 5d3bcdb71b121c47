#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/gui/windows.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace {

// A window that records the operations the tree calls on it.
class RecordingWindow : public TControl3D {
 public:
  explicit RecordingWindow(std::string name) : name_(std::move(name)) {}
  void Show(uint8_t flag) override {
    calls.push_back(name_ + ".Show(" + std::to_string(flag) + ")");
    TControl3D::Show(flag);
  }
  void SetState(uint32_t value) override { calls.push_back(name_ + ".SetState(" + std::to_string(value) + ")"); }
  void Close() override {
    calls.push_back(name_ + ".Close");
    TControl3D::Close();
  }
  void Refresh(uint32_t value) override { calls.push_back(name_ + ".Refresh(" + std::to_string(value) + ")"); }
  static std::vector<std::string> calls;

 private:
  std::string name_;
};
std::vector<std::string> RecordingWindow::calls;

class Windows3D : public ::testing::Test {
 protected:
  void SetUp() override {
    InitControl3D();
    RootWindow = &root_;
    for (int i = 0; i < 3; ++i) {
      top_.push_back(std::make_unique<RecordingWindow>("w" + std::to_string(i + 1)));
      AddChildWindow3D(root_, *top_.back());
    }
    RecordingWindow::calls.clear();
    testing_support::CaptureDebugger();
    saved_[0] = ViewportSize[0];
    saved_[1] = ViewportSize[1];
  }
  void TearDown() override {
    platform::SetDebuggerSink(nullptr);
    ViewportSize[0] = saved_[0];
    ViewportSize[1] = saved_[1];
    RemoveWindow3D(MessageBox3D);
    InitControl3D();
  }

  // The root's children from first to last, checked against the links in both directions.
  std::vector<TControl3D*> Order() {
    std::vector<TControl3D*> forward, backward;
    for (TControl3D* w = root_.FirstChild; w; w = w->NextSibling) {
      EXPECT_EQ(w->Parent, &root_);
      forward.push_back(w);
    }
    for (TControl3D* w = root_.LastChild; w; w = w->PreviousSibling) backward.insert(backward.begin(), w);
    EXPECT_EQ(forward, backward);
    return forward;
  }
  TControl3D* W(int n) { return top_[static_cast<size_t>(n - 1)].get(); }

  TControl3D root_;
  std::vector<std::unique_ptr<RecordingWindow>> top_;
  int32_t saved_[2] = {0, 0};
};

TEST_F(Windows3D, BringToFrontMakesTheWindowTheLastChildOfTheRoot) {
  BringToFront(*W(1));
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(2), W(3), W(1)}));
  BringToFront(*W(1));  // already the last child
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(2), W(3), W(1)}));
  BringToFront(*W(3));  // from the middle
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(2), W(1), W(3)}));
  TControl3D loose;  // a window without parent: nothing happens
  BringToFront(loose);
  EXPECT_EQ(loose.Parent, nullptr);
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(2), W(1), W(3)}));
}

TEST_F(Windows3D, BringToFrontOfANestedWindowRaisesItsTopLevelAncestor) {
  TControl3D child, grandchild, sibling;
  AddChildWindow3D(*W(1), child);
  AddChildWindow3D(*W(1), sibling);
  AddChildWindow3D(child, grandchild);
  BringToFront(grandchild);
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(2), W(3), W(1)}));
  // The nested windows keep their places.
  EXPECT_EQ(W(1)->FirstChild, &child);
  EXPECT_EQ(W(1)->LastChild, &sibling);
  EXPECT_EQ(child.FirstChild, &grandchild);
}

TEST_F(Windows3D, ModalWindowAndCaptureRefuseRaisingOthers) {
  ShowWindow3D(*W(1), true);
  EXPECT_EQ(ModalWindow, W(1));
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(2), W(3), W(1)}));
  // Another window is shown but stays where it is.
  ShowWindow3D(*W(2), false);
  EXPECT_EQ(W(2)->Visible, 1);
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(2), W(3), W(1)}));
  EXPECT_EQ(ModalWindow, W(1));

  // Closing the modal window ends the modal state; then raising works again.
  W(1)->Close();
  EXPECT_EQ(ModalWindow, nullptr);
  EXPECT_EQ(W(1)->Visible, 0);
  BringToFront(*W(2));
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(3), W(1), W(2)}));

  // A capture held by a window other than the root refuses too; the root's own does not.
  CaptureWindow = W(3);
  BringToFront(*W(1));
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(3), W(1), W(2)}));
  CaptureWindow = &root_;
  BringToFront(*W(1));
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(3), W(2), W(1)}));
}

TEST_F(Windows3D, ModalWindowTakesTheFocusAndASecondOneWarnsAndReplacesIt) {
  FocusWindow = W(3);
  ShowWindow3D(*W(1), true);
  EXPECT_EQ(FocusWindow, W(1));
  EXPECT_EQ(PreviousFocusWindow, W(3));
  EXPECT_TRUE(testing_support::DebuggerLines().empty());
  EXPECT_EQ(RecordingWindow::calls, (std::vector<std::string>{"w1.Show(1)"}));

  ShowWindow3D(*W(2), true);
  EXPECT_EQ(testing_support::DebuggerLines(), (std::vector<std::string>{"Warning: Error! Tried to open modal dialog while other modal dialog is open!"}));
  EXPECT_EQ(ModalWindow, W(2));
  EXPECT_EQ(FocusWindow, W(2));
  EXPECT_EQ(PreviousFocusWindow, W(1));
  EXPECT_EQ(W(2)->Visible, 1);
  // It was refused the front while the first modal window was open.
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(2), W(3), W(1)}));
}

TEST_F(Windows3D, CentringDividesTowardsZero) {
  ViewportSize[0] = 800;
  ViewportSize[1] = 600;
  struct Case {
    int32_t width, height, x, y;
  };
  for (const Case& c : {Case{300, 200, 250, 200}, Case{301, 201, 249, 199}, Case{803, 601, -1, 0},
                        Case{805, 600, -2, 0}}) {
    W(1)->Width = c.width;
    W(1)->Height = c.height;
    ShowCenteredWindow(*W(1), false);
    EXPECT_EQ(W(1)->X, c.x) << c.width;
    EXPECT_EQ(W(1)->Y, c.y) << c.height;
  }
  EXPECT_EQ(ModalWindow, nullptr);
}

TEST_F(Windows3D, MessageBoxesAreModalAndCentred) {
  ViewportSize[0] = 800;
  ViewportSize[1] = 600;
  AddChildWindow3D(root_, MessageBox3D);
  MessageBox3D.Width = 300;
  MessageBox3D.Height = 100;
  BringToFront(*W(1));

  ShowGameOver(116);
  EXPECT_EQ(MessageBox3D.Title.str(), "GAMEOVER");
  EXPECT_EQ(MessageBox3D.Kind, 1);
  EXPECT_EQ(MessageBox3D.Code, 116);
  EXPECT_EQ(MessageBox3D.Value, 0u);
  EXPECT_EQ(ModalWindow, &MessageBox3D);
  EXPECT_EQ(MessageBox3D.Visible, 1);
  EXPECT_EQ(MessageBox3D.X, 250);
  EXPECT_EQ(MessageBox3D.Y, 250);
  EXPECT_EQ(root_.LastChild, &MessageBox3D);
  MessageBox3D.Close();

  ShowOkBox(7);
  EXPECT_EQ(MessageBox3D.Title.str(), "%OK%");
  EXPECT_EQ(MessageBox3D.Kind, 0);
  EXPECT_EQ(MessageBox3D.Code, '#');
  EXPECT_EQ(MessageBox3D.Value, 7u);
  EXPECT_EQ(ModalWindow, &MessageBox3D);
  EXPECT_TRUE(testing_support::DebuggerLines().empty());
}

TEST_F(Windows3D, SetWindowStateStoresTheStateThenCallsTheOperation) {
  SetWindowState(*W(2), 77, 5, 3);
  EXPECT_EQ(W(2)->StateValue, 77u);
  EXPECT_EQ(W(2)->StateByte, 3);
  EXPECT_EQ(RecordingWindow::calls, (std::vector<std::string>{"w2.SetState(5)"}));
}

TEST_F(Windows3D, RemovedOrDestroyedWindowsLeaveTheTreeAndTheModulePointers) {
  RemoveWindow3D(*W(2));
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(1), W(3)}));
  AddChildWindow3D(root_, *W(2));
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(1), W(3), W(2)}));
  // A window cannot hang below its own child.
  TControl3D child;
  AddChildWindow3D(*W(1), child);
  AddChildWindow3D(child, *W(1));
  EXPECT_EQ(W(1)->Parent, &root_);

  ShowWindow3D(*W(3), true);
  CaptureWindow = W(3);
  top_[2].reset();
  EXPECT_EQ(ModalWindow, nullptr);
  EXPECT_EQ(FocusWindow, nullptr);
  EXPECT_EQ(CaptureWindow, nullptr);
  EXPECT_EQ(Order(), (std::vector<TControl3D*>{W(1), W(2)}));
}

class EntryList : public TListBox3D {
 public:
  uint32_t EntryCount() const override { return entries; }
  void Refresh(uint32_t value) override {
    refreshedWith = value;
    entries = entriesAfterRefresh;
  }
  uint32_t entries = 0, entriesAfterRefresh = 0, refreshedWith = 999;
};

TEST_F(Windows3D, DeleteHooksRefreshOrCloseTheWindowsThatShowTheRecord) {
  EntryList list;
  TTrainWindow3D train;
  train.List = &list;
  train.ListValue = 4;
  list.entriesAfterRefresh = 2;
  RefreshTrainWindow(train);  // hidden: nothing
  EXPECT_EQ(list.refreshedWith, 999u);
  train.Visible = 1;
  RefreshTrainWindow(train);
  EXPECT_EQ(list.refreshedWith, 4u);
  EXPECT_EQ(train.Visible, 1);
  list.entriesAfterRefresh = 0;
  RefreshTrainWindow(train);
  EXPECT_EQ(train.Visible, 0);

  TDepotWindow3D depot;
  depot.Depot = 12;
  depot.Visible = 1;
  CloseDepotWindowIfShowing(depot, 11);
  EXPECT_EQ(depot.Visible, 1);
  CloseDepotWindowIfShowing(depot, 12);
  EXPECT_EQ(depot.Visible, 0);

  TIndustryWindow3D industry;
  industry.Industry = 3;
  industry.Visible = 1;
  industry.Counters[0] = 5;
  industry.Counters[1] = 6;
  ResetIndustryWindowCounters(industry);
  EXPECT_EQ(industry.Counters[0], 0u);
  EXPECT_EQ(industry.Counters[1], 0u);
  CloseIndustryWindowIfShowing(industry, 4);
  EXPECT_EQ(industry.Visible, 1);
  CloseIndustryWindowIfShowing(industry, 3);
  EXPECT_EQ(industry.Visible, 0);
}

TEST(Control3DStart, ClearsThePointersAndTellsTheDebugger) {
  TControl3D w;
  ModalWindow = FocusWindow = &w;
  testing_support::CaptureDebugger();
  InitControl3D();
  platform::SetDebuggerSink(nullptr);
  EXPECT_EQ(ModalWindow, nullptr);
  EXPECT_EQ(FocusWindow, nullptr);
  EXPECT_EQ(testing_support::DebuggerLines(), (std::vector<std::string>{"Initializing Control3D-variables..."}));
}

}  // namespace
