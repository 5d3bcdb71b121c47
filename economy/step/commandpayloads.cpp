#include "economy/step/commandpayloads.h"

#include <cmath>

#include "engine/base/worldstate.h"

namespace command_payload_detail {
void FiniteCheck::Vec(size_t, const TVector& v) {
  ok = ok && std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
}  // namespace command_payload_detail

namespace {

template <class Args>
bool Finite(const TCommandPayload& p) {
  return CommandArgsFinite(UnpackCommandArgs<Args>(p));
}

bool OnMap(int32_t v) { return v >= 0 && v < kMapSize; }

}  // namespace

bool CommandPayloadSound(uint16_t command, const TCommandPayload& p) {
  switch (command) {
    case kCmdPlantTree:
      return Finite<TPlantTreeArgs>(p);
    case kCmdBuildCurveWay: {
      const auto a = UnpackCommandArgs<TCurveWayArgs>(p);
      return a.Waytype <= 1 && CommandArgsFinite(a);
    }
    case kCmdBuildWay:
    case kCmdBuildTCrossing:
      return Finite<TThreePointArgs>(p);
    case kCmdBuildXCrossing:
      return Finite<TXCrossingArgs>(p);
    case kCmdBuildRouter:
      return Finite<TRouterArgs>(p);
    case kCmdExtendWayAtPick:
      return Finite<TPickTargetArgs>(p);
    case kCmdBuildWayedBuilding: {
      const auto a = UnpackCommandArgs<TWayedBuildingArgs>(p);
      return a.BuildingType >= 1 && a.BuildingType <= BuildingTypeCount && a.Phase <= 2 && CommandArgsFinite(a);
    }
    case kCmdPlaceSignal:
    case kCmdRemoveSignal:
      return Finite<TSignalArgs>(p);
    case kCmdExtendWay:
      return Finite<TExtendWayArgs>(p);
    case kCmdBuildStationTrack:
      return Finite<TStationTrackArgs>(p);
    case kCmdBuildStationBuilding:
    case kCmdBuildStationTrackAtPick:
      return Finite<TRayArgs>(p);
    case kCmdRebuildWay:
      return Finite<TRebuildWayArgs>(p);
    case kCmdRaiseLowerTerrain: {
      const auto a = UnpackCommandArgs<TTerrainArgs>(p);
      return OnMap(a.Column) && OnMap(a.Row);
    }
    case kCmdBuildCoastBuilding:
    case kCmdPlaceHarbour:
      return Finite<TTwoPointArgs>(p);
    case kCmdBuildShipLanding:
      return Finite<TShipLandingArgs>(p);
    case kCmdRemoveWay:
    case kCmdRemoveBuilding:
    case kCmdConvertToStationTrack:
      return true;  // indices only; the handlers look them up
    default:
      return false;
  }
}
