#include "network/construction/ways.h"

#include <cstring>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "network/construction/buildings.h"
#include "network/track/schedules.h"

namespace way_hooks {
namespace {
void Nothing(TWay&) {}
}  // namespace
void (*AddWayToBlockSystem)(TWay&) = Nothing;
void InstallDefaults() { AddWayToBlockSystem = Nothing; }
}  // namespace way_hooks

namespace {
bool IsPlayer(uint8_t owner) { return owner >= 1 && owner <= 10; }
}  // namespace

uint32_t WayCompletionTick(const TWay& way) {
  uint32_t tick = 0;
  std::memcpy(&tick, way.Reserved52, 4);
  return tick;
}

void SetWayCompletionTick(TWay& way, uint32_t tick) { std::memcpy(way.Reserved52, &tick, 4); }

void BookWayCost(const TWay& way) {
  if (!IsPlayer(way.Owner)) return;
  const float cost = way.WayCost(0.0f);
  TPlayer& player = Players[way.Owner];
  building_hooks::BookMoney(way.Owner, FinanceStats(player.Finances[0], VByte(way.Use))[kFinanceConstructionStat],
                            -cost, -1.0f);
  if (GameSettings.Level > 1) player.PrevCost = player.PrevCost.get() - static_cast<long double>(cost);
}

void FinishWay(TWay& way) {
  way.State = 2;
  SetWayCompletionTick(way, 0);
  const int count = way.NodesCounter < 100 ? way.NodesCounter : 100;
  for (int i = 0; i < count; ++i) {
    const uint32_t n = way.Nodes[i];
    if (n == 0 || n > NodeArrayCount) continue;
    TNode& node = NodeByIndex(n);
    if (node.Way == way.Index) node.Flags |= kNodeFlagRouteEnd;
  }
  way_hooks::AddWayToBlockSystem(way);
  if (way.Station != 0) RecalcSchedulesOfStation(way.Station);
  if (IsPlayer(way.Owner))
    CountWayInYear(way, Players[way.Owner].Finances[0], "ERROR: gp_ways: FinishWay: Unsuportet Way.Use!");
}

void CountWayInYear(const TWay& way, TYearFinance& year, const char* unknownUse) {
  year.WayValue += way.WayCost(0.0f);
  switch (way.Use) {
    case 0:
      year.RoadLength += way.Length();
      break;
    case 1:
      year.RailLength += way.Length();
      break;
    case 2:
    case 3:
    case 4:
      break;
    default:
      SYS_Warning(unknownUse);
  }
}
