// Periodic timer objects on the millisecond tick counter (SYS_GetTicks). An owner derives its
// timer from TTimerObject, sets it up once with InitTimer, starts it with StartTimer and asks
// TimerDue whether its interval has passed. Every timer set up is kept in one list, the newest
// last; the list only records them: nothing walks it to run them.
#pragma once

#include <cstdint>

class TTimerObject {
 public:
  int32_t Interval = 0;               // milliseconds
  TTimerObject* NextTimer = nullptr;  // the next timer of the list, nullptr at the end
  int32_t FirstOffset = 0;            // the elapsed time at the first TimerDue after StartTimer
  uint32_t StartTime = 0;             // SYS_GetTicks at StartTimer
  uint8_t FirstCall = 0;              // 1 from StartTimer to the first TimerDue

  TTimerObject() = default;
  TTimerObject(const TTimerObject&) = delete;
  TTimerObject& operator=(const TTimerObject&) = delete;
  // A timer that goes leaves the list.
  virtual ~TTimerObject();

  // The owner's work and its restart; the base timer does nothing for either.
  virtual void Run() {}
  virtual void Reset() {}
};

// The first timer set up (nullptr while there is none).
extern TTimerObject* TimerList;

// Stores the interval and appends the timer to the list (a timer already listed keeps its place).
void InitTimer(TTimerObject& T, int32_t Interval);
// StartTime := SYS_GetTicks, FirstCall := 1.
void StartTimer(TTimerObject& T);
// Milliseconds since StartTimer. The tick counter wraps at 2^32; the difference is taken modulo
// 2^32 and read as signed, so a wrap in between does not matter.
int32_t TimerElapsed(const TTimerObject& T);
// e := TimerElapsed; the first call after StartTimer keeps e as FirstOffset; due when
// e + FirstOffset > Interval. The first call thus compares twice the elapsed time with the
// interval, every later one the elapsed time plus that first value.
bool TimerDue(TTimerObject& T);
