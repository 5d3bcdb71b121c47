#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <string>

#include "apps/common/mainloop.h"

namespace {

TEST(MainLoop, EndsAtOnceWhenTerminationWasRequested) {
  int frames = 0;
  appcommon::RunMainLoop([] { return true; }, [&] { ++frames; });
  EXPECT_EQ(frames, 0);
}

// Each pass handles the pending events before its frame, and a request to terminate made while
// events are handled draws no further frame.
TEST(MainLoop, HandlesPendingEventsBeforeEachFrameAndStopsAfterTheRequest) {
  std::string trace;
  bool terminated = false;
  QTimer::singleShot(0, [&] { trace += "e"; });
  appcommon::RunMainLoop([&] { return terminated; },
                         [&] {
                           trace += "f";
                           if (trace.size() == 4) QTimer::singleShot(0, [&] { terminated = true; });
                         });
  // e f f f (request posted) then the request is handled before a further frame.
  EXPECT_EQ(trace, "efff");
}

TEST(MainLoop, ARequestMadeByTheFrameItselfEndsTheLoop) {
  int frames = 0;
  bool terminated = false;
  appcommon::RunMainLoop([&] { return terminated; },
                         [&] {
                           ++frames;
                           terminated = frames == 3;
                         });
  EXPECT_EQ(frames, 3);
}

}  // namespace
