#include "economy/step/deletehooks.h"

#include <algorithm>
#include <memory>

#include "economy/goods/driver.h"
#include "economy/goods/records.h"
#include "economy/port/uiport.h"
#include "economy/town/development.h"
#include "economy/town/passengers.h"
#include "engine/store/recordstore.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"
#include "engine/world/train.h"
#include "network/vehicles/movement.h"

namespace placement_hooks {
namespace {
void Nothing(uint32_t) {}
}  // namespace

void (*StreetDeleted)(uint32_t) = Nothing;

void InstallDefaults() { StreetDeleted = Nothing; }
}  // namespace placement_hooks

namespace {
constexpr int32_t kDepotEventTrainDeleted = 6;
}  // namespace

void OnDestroyBuilding() {}

void OnDestroyDepot(uint32_t depot) { PortCloseDepotWindow(depot); }

void OnDestroyGoodsway(uint32_t goodsway) {
  GoodsOnDestroyGoodsway(goodsway);
  PortResetIndustryWindowCounters();
}

void OnDestroyIndustry(uint32_t industry) {
  GoodsOnDestroyIndustry(industry);
  PortCloseIndustryWindows(industry);
}

void OnDestroyMarket(uint32_t market) {
  ResetMarketSearchMarket(MarketSearch, market);
  GoodsOnDestroyMarket(market);
}

void OnDestroySchedule(uint32_t schedule) {
  GoodsOnDestroySchedule(schedule);
  DestroyGoodswaysOfSchedule(schedule);
  StopPsgrWaysOfSchedule(schedule);
  RemoveScheduleStretches(schedule);
}

void OnDestroyStation(uint32_t station) {
  GoodsOnDestroyStation(station);
  RemoveStationFromPsgrRoutes(PsgrRouteBuilder, station);
}

void OnDestroyTrain(uint32_t train) {
  TDepot d{};
  TBuilding b{};
  for (uint32_t i = FindInArrayerOA(kARTypeDepot, 0); i != 0; i = FindInArrayerOA(kARTypeDepot, i)) {
    d.A_Read(i);
    if (d.Building == 0 || !ArrayerHolds(kTBuildingDesc, d.Building)) continue;
    b.A_Read(d.Building);
    // The train is the script's first parameter; it is gone, so the script gets no train to command.
    movement_hooks::RunBuildingEvent(kDepotEventTrainDeleted, static_cast<int32_t>(train), 0, 0, b, 0, &d);
  }
  PortCloseTrainWindows(train);
  PortRefreshTrainList();
}

void OnDestroyWay(uint32_t way) {
  placement_hooks::StreetDeleted(way);
  ResetMarketSearchWay(MarketSearch, way);
  RemoveFromPsgrRoutes(PsgrRouteBuilder, way);
}

void OnRemoveIndustryGoodsway() {}

void DestroyGoodswaysOfSchedule(uint32_t schedule) {
  TGoodsway w{};
  for (uint32_t i = FindInArrayerRest(kARTypeGoodsway, 0); i != 0; i = FindInArrayerRest(kARTypeGoodsway, i)) {
    w.A_Read(i);
    const int hops = std::min<int>(w.GoodsWayPathCounter, kGoodswayPathRoom) - 1;
    bool rides = false;
    for (int k = 0; k < hops && !rides; ++k) rides = w.Path[k].Schedule == schedule;
    if (rides) w.destroy();
  }
}

void StopPsgrWaysOfSchedule(uint32_t schedule) {
  TPsgrWay p{};
  for (uint32_t i = FindInArrayerRest(kARTypePsgrWay, 0); i != 0; i = FindInArrayerRest(kARTypePsgrWay, i)) {
    p.A_Read(i);
    bool rides = false;
    for (int k = 0; k < kPsgrWayStretchRoom; ++k) rides = rides || p.Stretches[k].Schedule == schedule;
    if (!rides) continue;
    p.PassengerspF = 0.0f;
    p.A_Overwrite();
  }
}

void RemoveScheduleStretches(uint32_t schedule) {
  auto s = std::make_unique<TStation>();
  for (uint32_t i = FindInArrayerOA(kARTypeStation, 0); i != 0; i = FindInArrayerOA(kARTypeStation, i)) {
    s->A_Read(i);
    bool changed = false;
    int k = 0;
    while (k < std::min<int>(s->StationstretchCounter, 20)) {
      if (s->Stretches[k].Schedule != schedule) {
        ++k;
        continue;
      }
      s->Stretches[k] = s->Stretches[s->StationstretchCounter - 1];
      --s->StationstretchCounter;
      changed = true;
      RemoveStationFromPsgrRoutes(PsgrRouteBuilder, i);
    }
    if (changed) s->A_ReWrite();
  }
}

void RemovePathsOfWay(uint32_t count, const uint32_t* nodes, uint32_t max, bool /*stationFlag*/) {
  count = std::min(count, max);
  if (count == 0 || nodes == nullptr) return;
  auto path = std::make_unique<TPath>();
  for (uint32_t i = FindInArrayerRest(kARTypePath, 0); i != 0; i = FindInArrayerRest(kARTypePath, i)) {
    path->A_Read(i);
    const int used = std::min<int>(path->PathNodeCounter, 1000);
    for (int k = 0; k < used; ++k) {
      const uint32_t node = path->Nodes[k];
      if (std::find(nodes, nodes + count, node) == nodes + count) continue;
      path->Invalid = 1;
      path->A_Overwrite();
      break;
    }
  }
}

void InstallDeleteHooks() {
  world_hooks::OnDestroyBuilding = OnDestroyBuilding;
  world_hooks::OnDestroyDepot = OnDestroyDepot;
  world_hooks::OnDestroyIndustry = OnDestroyIndustry;
  world_hooks::OnDestroyMarket = OnDestroyMarket;
  world_hooks::OnDestroySchedule = OnDestroySchedule;
  world_hooks::OnDestroyStation = OnDestroyStation;
  world_hooks::OnDestroyWay = OnDestroyWay;
  world_hooks::OnRemoveIndustryGoodsway = OnRemoveIndustryGoodsway;
  world_hooks::RemovePathsOfWay = RemovePathsOfWay;
  goods_hooks::OnDestroyGoodsway = OnDestroyGoodsway;
  train_hooks::OnDestroyTrain = OnDestroyTrain;
}
