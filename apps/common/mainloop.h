// The main loop of both editors: pending events, then one frame, until the program is told to
// terminate.
#pragma once

#include <cstdint>
#include <functional>

namespace appcommon {

// About 60 frames a second: a frame starts at most once per interval.
constexpr int32_t kFrameIntervalMs = 16;

// Repeats { process all pending events; one frame } until `terminated` is true; it is asked
// again after the events, so a close handled there draws no further frame. Frames come at most at
// the display's rate: the rest of each interval waits for events.
void RunMainLoop(const std::function<bool()>& terminated, const std::function<void()>& frame);

}  // namespace appcommon
