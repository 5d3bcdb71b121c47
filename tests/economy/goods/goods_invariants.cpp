#include "tests/economy/goods/goods_invariants.h"

#include <algorithm>
#include <map>
#include <memory>

#include "economy/goods/driver.h"
#include "economy/goods/goodsentries.h"
#include "economy/goods/goodstypes.h"
#include "economy/goods/ivmove.h"
#include "economy/goods/processframe.h"
#include "economy/goods/records.h"
#include "economy/goods/stationgoods.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

namespace goods_testing {

namespace {

class TChecker {
 public:
  std::vector<std::string> Run() {
    Stations();
    Vehicles();
    Ships();
    Batches();
    Processes();
    return problems_;
  }

 private:
  void Problem(const std::string& text) { problems_.push_back(text); }

  void Listed(uint32_t good, const std::string& where) {
    if (good == 0 || !ArrayerHolds(kTGoodDesc, good)) {
      Problem(where + " lists batch " + std::to_string(good) + ", which does not exist");
      return;
    }
    auto [at, fresh] = holders_.emplace(good, where);
    if (!fresh) Problem("batch " + std::to_string(good) + " is listed by " + at->second + " and by " + where);
  }

  void Range(const std::string& what, long value, long low, long high) {
    if (value < low || value > high)
      Problem(what + " is " + std::to_string(value) + ", not in " + std::to_string(low) + ".." + std::to_string(high));
  }

  void Stations() {
    auto s = std::make_unique<TStation>();
    for (uint32_t i = FindInArrayerOA(kARTypeStation, 0); i != 0; i = FindInArrayerOA(kARTypeStation, i)) {
      s->A_Read(i);
      const std::string key = "station " + std::to_string(i);
      Range(key + " in-goods count", s->StationInGoodsCounter, 0, 5000);
      Range(key + " out-goods count", s->StationOutGoodsCounter, 0, 5000);
      Range(key + " goods entry count", s->StationGoodsCounter, 0, kStationGoodsRoom);
      Range(key + " industries in range", s->StationIndustryInRangeCounter, 0, 16);
      for (int k = 0; k < std::min<int>(s->StationInGoodsCounter, 5000); ++k) Listed(s->GoodsIn[k], key + " in-goods");
      for (int k = 0; k < std::min<int>(s->StationOutGoodsCounter, 5000); ++k)
        Listed(s->GoodsOut[k], key + " out-goods");
      for (int k = 0; k < std::min<int>(s->StationGoodsCounter, kStationGoodsRoom); ++k) {
        const TStationGoods e = StationGoods(*s, k);
        const std::string entry = key + " goods entry " + std::to_string(k + 1);
        Range(entry + " type", e.GoodType, 1, 52);
        Range(entry + " flags", e.Flags, 0, 15);
        const float rating = e.Rating, accumulated = e.Accumulated;
        if (!(rating >= 0.0f && rating <= kMostRating)) Problem(entry + " rating " + std::to_string(rating));
        if (!(accumulated >= 0.0f)) Problem(entry + " accumulated " + std::to_string(accumulated));
        for (int j = 0; j < k; ++j)
          if (StationGoods(*s, j).GoodType == e.GoodType) Problem(entry + " repeats goods type " + std::to_string(e.GoodType));
      }
    }
  }

  void Vehicles() {
    TVehicle v{};
    for (uint32_t i = FindInArrayerRest(kARTypeVehicle, 0); i != 0; i = FindInArrayerRest(kARTypeVehicle, i)) {
      v.A_Read(i);
      const std::string key = "vehicle " + std::to_string(i);
      Range(key + " goods count", v.VehicleGoodsCounter, 0, 100);
      for (int k = 0; k < std::min<int>(v.VehicleGoodsCounter, 100); ++k) Listed(v.Goods[k], key);
    }
  }

  void Ships() {
    auto ship = std::make_unique<TShip>();
    for (uint32_t i = FindInArrayerOA(kARTypeShip, 0); i != 0; i = FindInArrayerOA(kARTypeShip, i)) {
      ship->A_Read(i);
      const std::string key = "ship " + std::to_string(i);
      for (int slot = 0; slot < std::min<int>(ship->ShipSlotsCounter, 4); ++slot) {
        const int count = std::min<int>(ship->Slots[slot].ShipSlotGoodsCounter, 100);
        for (int k = 0; k < count; ++k) Listed(ship->Slots[slot].Goods[k], key);
      }
    }
  }

  void Batches() {
    std::map<uint32_t, uint32_t> goodsways, psgrWays;
    TGood g{};
    for (uint32_t i = FindInArrayerRest(kARTypeGood, 0); i != 0; i = FindInArrayerRest(kARTypeGood, i)) {
      g.A_Read(i);
      if (holders_.find(i) == holders_.end()) Problem("batch " + std::to_string(i) + " is listed nowhere");
      if (g.GoodAmount <= 0) Problem("batch " + std::to_string(i) + " holds " + std::to_string(g.GoodAmount));
      if (GameSettings.EconomyMode != 0 || g.Goodsway == 0) continue;
      const uint8_t kind = GoodsInfoKind(g.GoodType);
      if (kind == kGoodsKindGoods) ++goodsways[g.Goodsway];
      if (kind == kGoodsKindPassengers) ++psgrWays[g.Goodsway];
    }
    if (GameSettings.EconomyMode != 0) return;
    TGoodsway w{};
    for (uint32_t i = FindInArrayerRest(kARTypeGoodsway, 0); i != 0; i = FindInArrayerRest(kARTypeGoodsway, i)) {
      w.A_Read(i);
      const std::string way = "goods way " + std::to_string(i);
      Range(way + " path count", w.GoodsWayPathCounter, 2, 99);
      // Entries without a station (the hand-made ways of the planning tests) are not compared.
      for (int k = 1; k < std::min<int>(w.GoodsWayPathCounter, kGoodswayPathRoom); ++k)
        for (int j = 0; j < k; ++j)
          if (w.Path[k].Station != 0 && w.Path[j].Station == w.Path[k].Station)
            Problem(way + " passes station " + std::to_string(w.Path[k].Station) + " twice");
      if (w.GoodsWayRefCount != goodsways[i])
        Problem("goods way " + std::to_string(i) + " counts " + std::to_string(w.GoodsWayRefCount) + " batches, " +
                std::to_string(goodsways[i]) + " refer to it");
      goodsways.erase(i);
    }
    TPsgrWay p{};
    for (uint32_t i = FindInArrayerRest(kARTypePsgrWay, 0); i != 0; i = FindInArrayerRest(kARTypePsgrWay, i)) {
      p.A_Read(i);
      if (p.PsgrRefCount != psgrWays[i])
        Problem("passenger way " + std::to_string(i) + " counts " + std::to_string(p.PsgrRefCount) + " batches, " +
                std::to_string(psgrWays[i]) + " refer to it");
      psgrWays.erase(i);
    }
    for (const auto& [way, n] : goodsways)
      if (n != 0) Problem(std::to_string(n) + " batches refer to goods way " + std::to_string(way) + ", which is gone");
    for (const auto& [way, n] : psgrWays)
      if (n != 0) Problem(std::to_string(n) + " batches refer to passenger way " + std::to_string(way) + ", which is gone");
  }

  void Processes() {
    const auto phase = [this](const char* name, uint8_t value, std::initializer_list<uint8_t> phases) {
      if (std::find(phases.begin(), phases.end(), value) == phases.end())
        Problem(std::string(name) + " phase " + std::to_string(value));
    };
    phase("TPPFoundGoodsStation", PPFoundGoodsStation.Phase, {0, 1, 2, 3, 4, 10});
    phase("TPPUpdateStationRating", PPUpdateStationRating.Phase, {0, 1});
    phase("TPPIVMove", PPIVMove.Phase, {0, 1, 2});
    phase("TPPCreateGoods", PPCreateGoods.Phase, {0, 1, 2, 3});
    phase("TPPRecalcProductionWays", PPRecalcProductionWays.Phase, {0, 1, 2, 10, 11, 12, 13, 14, 15, 20, 21, 22});
    const TPPRecalcProductionWays& rpw = PPRecalcProductionWays;
    Range("TPPRecalcProductionWays chain steps", rpw.Chain.StepCount, 0, TPPRecalcProductionWays::kChainRoom);
    Range("TPPRecalcProductionWays current step", rpw.CurrentStep, 0, rpw.Chain.StepCount);
    for (const auto& slot : rpw.Best)
      Range("TPPRecalcProductionWays kept chain steps", slot.Chain.StepCount, 0, TPPRecalcProductionWays::kChainRoom);
    phase("TPPFoundNewGoodsways", PPFoundNewGoodsways.Phase, {0, 1, 2, 3, 4, 5, 6});
    Range("TPPFoundNewGoodsways path count", PPFoundNewGoodsways.Work.GoodsWayPathCounter, 0, 99);
    Range("TPPFoundGoodsStation goods count", PPFoundGoodsStation.GoodsCount, 0, kFoundGoodsRoom);
    for (const auto& [name, speed] : {std::pair{"TPPFoundNewGoodsways", PPFoundNewGoodsways.Speed},
                                      std::pair{"TPPRecalcProductionWays", PPRecalcProductionWays.Speed},
                                      std::pair{"TPPFoundGoodsStation", PPFoundGoodsStation.Speed},
                                      std::pair{"TPPUpdateStationRating", PPUpdateStationRating.Speed},
                                      std::pair{"TPPCreateGoods", PPCreateGoods.Speed},
                                      std::pair{"TPPIVMove", PPIVMove.Speed}})
      Range(std::string(name) + " speed", speed, 0, kMostProcessSpeed);
    Range("TPPCreateGoods period", PPCreateGoods.Period, 0, INT32_MAX);
  }

  std::map<uint32_t, std::string> holders_;
  std::vector<std::string> problems_;
};

}  // namespace

std::vector<std::string> GoodsInvariantViolations() { return TChecker().Run(); }

}  // namespace goods_testing
