#include "engine/base/timer.h"

#include "engine/base/diagnostics.h"
#include "platform/platform.h"

TTimerObject* TimerList = nullptr;

namespace {
// The link that points at T, or nullptr when T is not listed.
TTimerObject** LinkTo(const TTimerObject& T) {
  for (TTimerObject** link = &TimerList; *link; link = &(*link)->NextTimer) {
    if (*link == &T) return link;
  }
  return nullptr;
}
}  // namespace

TTimerObject::~TTimerObject() {
  if (TTimerObject** link = LinkTo(*this)) *link = NextTimer;
}

void InitTimer(TTimerObject& T, int32_t Interval) {
  T.Interval = Interval;
  if (LinkTo(T)) return;
  TTimerObject** link = &TimerList;
  while (*link) link = &(*link)->NextTimer;
  T.NextTimer = nullptr;
  *link = &T;
}

void StartTimer(TTimerObject& T) {
  T.StartTime = SYS_GetTicks();
  T.FirstCall = 1;
}

int32_t TimerElapsed(const TTimerObject& T) { return platform::TicksSince(T.StartTime, SYS_GetTicks()); }

bool TimerDue(TTimerObject& T) {
  const int32_t e = TimerElapsed(T);
  if (T.FirstCall) {
    T.FirstCall = 0;
    T.FirstOffset = e;
  }
  return static_cast<int64_t>(e) + T.FirstOffset > T.Interval;
}
