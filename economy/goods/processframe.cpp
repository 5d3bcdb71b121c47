#include "economy/goods/processframe.h"

#include <algorithm>
#include <cmath>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"

uint32_t GameTicksSince(uint32_t at) {
  if (GameTime >= at || at > kGameTimeLast) return GameTime - at;
  return GameTime + (kGameTimeLast - at) + 1;
}

void RetuneProcessSpeed(int32_t& speed, uint32_t& passStart, long double period, const std::string& text) {
  const uint32_t elapsed = GameTicksSince(passStart);
  if (period > 0.0L) {
    const long double steps = std::trunc(static_cast<long double>(elapsed) * speed / period) + 1.0L;
    if (steps > kMostProcessSpeed) {
      SYS_Warning(text + std::to_string(static_cast<int64_t>(std::min(steps, 9.0e18L))));
      speed = kMostProcessSpeed;
    } else {
      speed = std::max<int32_t>(1, static_cast<int32_t>(steps));
    }
  }
  passStart = GameTime;
}
