// Shared pieces of the record-store tests: a fixture that gives every test an empty store, and
// helpers for fatal stops.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace arrayer_testing {

// The text a fatal stop with msg ends the program with.
inline std::string Fatal(const std::string& msg) {
  std::string text = "FATAL ERROR: " + msg + " PROGRAM TERMINATES!";
  return text.size() > 255 ? text.substr(0, 255) : text;
}

// The text of the fatal stop that f ran into, or "(no fatal stop)".
inline std::string FatalOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const testing_support::FatalError& e) {
    return e.what();
  }
  return "(no fatal stop)";
}

// A clock that moves a second per reading: the fatal stop's wait ends at once.
inline uint32_t RunningTicks() {
  static uint32_t ticks = 0;
  return ticks += 1000;
}

using testing_support::DebuggerLines;

// Every test starts with an empty store. The fatal stop's clean-up hook is taken out, so that a
// test can look at the store after a fatal stop (the store's own test puts it back).
class ArrayerTest : public ::testing::Test {
 protected:
  void TearDown() override {
    platform::SetTickSource(nullptr);
    platform::SetDebuggerSink(nullptr);
  }
  void SetUp() override {
    platform::SetTickSource(RunningTicks);
    testing_support::CaptureDebugger();
    if (!ArrayerReady()) {
      ASSERT_TRUE(ArrayerInit());
    }
    sys_hooks::ArrayerFree = nullptr;
    ArrayerReset();
    ActPlayer = 1;
    LocalPlayer = 1;
    LocalWorldChanged = 0;
  }
};

}  // namespace arrayer_testing
