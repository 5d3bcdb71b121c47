// The economy's tests start from the unit-start state of the world, the store, the news, the
// names and the windows, with the user-interface port recording what it was asked to show.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "economy/messages/news.h"
#include "economy/messages/newspaper.h"
#include "economy/money/bank.h"
#include "economy/port/uiport.h"
#include "economy/town/randomnames.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace economy_test {

inline uint32_t g_ticks = 0;
// Advances by one a call, so a fatal stop's wait ends.
inline uint32_t Ticks() { return g_ticks++; }

class EconomyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWorldState();
    if (!ArrayerReady()) {
      ASSERT_TRUE(ArrayerInit());
    }
    ArrayerReset();
    ResetNews();
    ResetNewspaper();
    ResetBankMessage();
    InitNameTables();
    g_ticks = 1000;
    platform::SetTickSource(Ticks);
    TUserInterfacePort port;
    port.ShowBankMessage = [this](const TBankMessageWindow& w) { bank.push_back(w.Kind); };
    port.ShowGameOver = [this](uint8_t code) { gameOver.push_back(code); };
    port.ShowNewspaper = [this](const TNewspaperWindow& w) { pages.push_back(w.Headline + "|" + w.Picture); };
    SetUserInterface(port);
    testing_support::CaptureDebugger();
  }
  void TearDown() override {
    SetUserInterface({});
    platform::SetTickSource(nullptr);
    platform::SetDebuggerSink(nullptr);
  }

  std::vector<uint8_t> bank;
  std::vector<uint8_t> gameOver;
  std::vector<std::string> pages;
};

}  // namespace economy_test
