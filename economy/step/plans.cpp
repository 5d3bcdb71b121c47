#include "economy/step/plans.h"

#include <memory>

#include "economy/money/finances.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"
#include "network/construction/buildings.h"
#include "network/construction/curveline.h"
#include "network/construction/ground.h"
#include "network/construction/ways.h"
#include "network/world/terrain.h"

namespace {

constexpr uint32_t kBuildingsAndWays = kArrayerBWFlag | kKindBuilding | kKindWay;

void StartBuilding(TBuilding& b, bool instant) {
  PayBuilding(b);
  b.State = 1;
  SetBuildingCompletionTick(b, GameTime + kCompletionDelay);
  if (b.BuildingType != SpecialBuildingTypes[1]) {
    CalcBuildingGroundGrid(GroundGrid, b);
    LevelGround();
  }
  if (instant) FinishBuilding(b);
  b.A_Overwrite();
}

void StartWay(TWay& w, bool instant) {
  BookWayCost(w);
  w.State = 1;
  SetWayCompletionTick(w, GameTime + kCompletionDelay);
  if ((WayFlags(w) & kWayOnGround) != 0 && w.Mesh != 0) {
    auto mesh = std::make_unique<TMeshdata2>();
    mesh->A_Read(w.Mesh);
    CalcWayGroundGrid(GroundGrid, w, *mesh, 0);
    LevelGround();
  }
  if (instant) FinishWay(w);
  w.A_Overwrite();
}

}  // namespace

bool CompletePlannedConstructions(uint8_t player, uint8_t city, bool instant) {
  const bool all = player == 0 && city == 0;
  if (FreeBuildMode) instant = true;
  if (!all && FreeBuildMode == 0 && EconomyHoldCount == 0 && player != 0 && PlayerCash(player) < 0) return true;
  const auto takesPart = [&](uint8_t owner, uint8_t town) {
    return all || owner == player || (player == 0 && town == city);
  };
  uint32_t index = 0;
  for (;;) {
    uint32_t type = 0;
    index = FindInArrayerBWMultipel(kBuildingsAndWays, index, type);
    if (index == 0) break;
    TDestroyResult result{};
    if (type == kARTypeBuilding) {
      TBuilding b{};
      b.A_Read(index);
      if (!takesPart(b.Owner, b.City)) continue;
      if (b.State == 0) {
        StartBuilding(b, instant);
      } else if (b.State == 3) {
        b.Destroy(kDestroyChecked, result);
      }
    } else if (type == kARTypeWay) {
      TWay w{};
      w.A_Read(index);
      if (!takesPart(w.Owner, w.City)) continue;
      if (w.State == 0) {
        StartWay(w, instant);
      } else if (w.State == 3 && w.CanBeDemolished()) {
        w.Destroy(kDestroyChecked, result);
      }
    }
  }
  MarkGroundBorders();
  return false;
}
