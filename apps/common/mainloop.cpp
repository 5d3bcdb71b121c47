#include "apps/common/mainloop.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

#include "platform/platform.h"

namespace appcommon {

namespace {

// Waits, handling events, until one frame interval has passed since frameStart.
void WaitForNextFrame(uint32_t frameStart) {
  const int32_t rest = kFrameIntervalMs - platform::TicksSince(frameStart, platform::Ticks());
  if (rest <= 0) return;
  QEventLoop wait;
  QTimer::singleShot(std::min(rest, kFrameIntervalMs), Qt::PreciseTimer, &wait, &QEventLoop::quit);
  wait.exec();
}

}  // namespace

void RunMainLoop(const std::function<bool()>& terminated, const std::function<void()>& frame) {
  while (!terminated()) {
    QApplication::processEvents(QEventLoop::AllEvents);
    if (terminated()) break;
    const uint32_t frameStart = platform::Ticks();
    frame();
    if (terminated()) break;
    WaitForNextFrame(frameStart);
  }
}

}  // namespace appcommon
