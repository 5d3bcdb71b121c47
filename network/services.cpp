#include "network/services.h"

#include "engine/world/hooks.h"
#include "network/construction/alongways.h"
#include "network/construction/ways.h"

namespace {

// The world records follow a street side without using what they find.
bool FollowStreetSide(TWay& way, uint8_t& side, uint8_t& found, TWay& next) {
  uint8_t outSide = 0;
  found = NextWayAlongStreetSide(way, side, outSide, next);
  if (found >= 2) side = outSide;
  return found >= 2;
}

}  // namespace

void InstallNetworkServices() {
  world_hooks::CalcWaySideLengths = CalcWaySideLengths;
  world_hooks::NextWayAlongStreetSide = FollowStreetSide;
}
