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
#include "economy/step/commands.h"
#include "economy/step/tick.h"
#include "economy/town/randomnames.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/hooks.h"
#include "network/construction/buildings.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace economy_test {

// The hooks that the economy's services fill in back at their defaults, for the tests that ran a
// world with the services installed (ResetSimulationWorld).
inline void UninstallEconomyServices() {
  step_hooks::InstallDefaults();
  world_hooks::InstallDefaults();
  building_hooks::InstallDefaults();
  command_handlers::InstallDefaults();
}

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
