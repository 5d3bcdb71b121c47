#include "network/construction/alongways.h"

#include <memory>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/recordaccess.h"
#include "engine/world/hooks.h"
#include "network/construction/curveline.h"

namespace {

constexpr int kMostBuildingWays = 20;

bool IsCrossingWay(const TWay& w) { return w.Waytype == 1 || w.Waytype == 6; }

}  // namespace

void AddBuildingToWay(TBuilding& building, TWay& way, uint8_t side) {
  if (side != 1 && side != 2)
    SYS_BREAKPROGRAM("ADDBUILDINGTOWAY: invalid side argument (" + std::to_string(side) + ")");
  building.Way = way.Index;
  building.Side = side;
  building.City = way.City;
  ++way.RoadsideBuildings;
  addsidewalk(way, side);
  way.A_Overwrite();
  building.A_Overwrite();
}

void addsidewalk(TWay& way, uint8_t side) {
  if (way.Use != 0) return;
  side = static_cast<uint8_t>(side & ~WaySideBits(way));
  if ((WayFlags(way) & (kWayBridge | kWayCutting)) != 0) return;
  if (way.Mesh == 0) SYS_BREAKPROGRAM("Error in addsidewalk - Way has no mesh!");
  if (way.Waytype == 1 && WayPart(way) == kCrossingCentrePart)
    SYS_BREAKPROGRAM("Error in addsidewalk - built house on x-crossing!");
  if (way.Waytype == 6 && WayPart(way) == kCrossingCentrePart && side == 1)
    SYS_BREAKPROGRAM("Error in addsidewalk - built house on t-crossing on wrong side!");
  WaySideBits(way) |= side;
  if (!IsCrossingWay(way)) return;
  auto mesh = std::make_unique<TMeshdata2>();
  mesh->A_Read(way.Mesh);
  const uint16_t texture = StandardTextures[kSidewalkTextureEntry];
  if ((side & 1) != 0) AddQuad(*mesh, 13, 14, 15, 16, texture, true, true, 255, 255, 255, 255);
  if ((side & 2) != 0) AddQuad(*mesh, 17, 18, 19, 20, texture, true, true, 255, 255, 255, 255);
  if (side > 3) SYS_BREAKPROGRAM("Error in gp_ways.addsidewalk - built house in nirvana!");
  mesh->A_ReWrite();
}

void AddWayToBuilding(TBuilding& building, TWay& way) {
  if (building.BuildingWayCounter >= kMostBuildingWays)
    SYS_BREAKPROGRAM("Error in AddWayToBuilding. Building has already maximum (20)");
  if (way.Building != 0) SYS_BREAKPROGRAM("Error in AddWayToBuilding: Way is already assigned elsewhere");
  building.Ways[building.BuildingWayCounter++] = way.Index;
  building.A_ReWrite();
  way.Building = building.Index;
  way.A_ReWrite();
}

uint8_t NextWayAlongStreetSide(const TWay& way, uint8_t side, uint8_t& outSide, TWay& outWay) {
  const uint8_t part = WayPart(way);
  if (part == kCrossingCentrePart) {
    if (way.ConnectionCounter != 3 || side == 1) return 0;
    return 1;  // side 2 of a T-crossing's centre
  }
  // A street that belongs to no crossing (or one drawn inside a building) has no continuation.
  const uint32_t centreIndex = WayCentreLink(way);
  if (centreIndex == 0 || !ArrayerHolds(kTWayDesc, centreIndex)) return 1;
  TWay centre{};
  centre.A_Read(centreIndex);
  uint32_t count = 0;
  auto arms = std::make_unique<TWay[]>(10);
  world_hooks::WaysAtCons(centre, count, arms.get());
  const bool tCrossing = centre.Waytype == 6;
  int wanted = 0;
  switch (part) {
    case 1:
      if (side == 2 && tCrossing) return 1;
      wanted = side == 2 ? 4 : 3;
      break;
    case 2:
      if (side != 2 && tCrossing) return 1;
      wanted = side == 2 ? 3 : 4;
      break;
    case 3:
      wanted = side == 2 ? 1 : 2;
      break;
    case 4:
      wanted = side == 2 ? 2 : 1;
      break;
    default:
      break;
  }
  for (uint32_t i = 0; i < count && i < 10; ++i) {
    if (wanted != 0 && WayPart(arms[i]) == wanted) {
      outWay = arms[i];
      break;
    }
  }
  if (side == 1) {
    outSide = 2;
    return 2;
  }
  outSide = 1;
  return 3;
}
