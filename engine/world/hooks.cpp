#include "engine/world/hooks.h"

#include <memory>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/connectpool.h"
#include "engine/world/train.h"

namespace world_hooks {

namespace {
void Nothing() {}
void NothingU32(uint32_t) {}
void NothingWay(TWay&) {}
void NothingSideLengths(TWay&, const TMesh2&) {}
bool NoNextWay(TWay&, uint8_t&, uint8_t&, TWay&) { return false; }
void NothingSchedule(TSchedule&) {}
void NothingPaths(uint32_t, const uint32_t*, uint32_t, bool) {}
void ZeroGood(uint32_t index, TGoodFields& g) { g = TGoodFields{index, 0, 0, 0, 0}; }
void NothingGood(const TGoodFields&) {}
void NothingSend(TGoodFields&, const TVector&, uint32_t) {}
uint8_t GoodsKind0(uint8_t) { return 0; }
void ZeroGoodsway(uint32_t index, TGoodswayFields& w) { w = TGoodswayFields{index, 0, 0, 0, 0, 0}; }
void NothingGoodsway(const TGoodswayFields&) {}
void ZeroPsgrWay(uint32_t index, TPsgrWayFields& p) {
  p = TPsgrWayFields{};
  p.Index = index;
}
void NothingPsgrWay(const TPsgrWayFields&) {}
bool NotFreed(uint32_t) { return false; }

void PathDestroy(const TPath& p) { p.Destroy(); }
}  // namespace

void (*WaysAtCons)(const TWay&, uint32_t&, TWay*) = DefaultWaysAtCons;
void (*CollectBlockSignals)(TBlock&) = DefaultCollectBlockSignals;
void (*RemoveWayFromBlockSystem)(TWay&) = NothingWay;
void (*CalcWaySideLengths)(TWay&, const TMesh2&) = NothingSideLengths;
bool (*NextWayAlongStreetSide)(TWay&, uint8_t&, uint8_t&, TWay&) = NoNextWay;
void (*CalcSchedule)(TSchedule&) = NothingSchedule;
void (*RemoveCivilianCar)(uint32_t) = DefaultRemoveCivilianCar;
void (*RemoveVehicleFromTrain)(TTrain&, uint32_t) = DefaultRemoveVehicleFromTrain;

void (*AddtoPrevCost)(uint8_t, uint8_t, float) = DefaultAddtoPrevCost;
void (*OnDestroyBuilding)() = Nothing;
void (*OnDestroyDepot)(uint32_t) = NothingU32;
void (*OnDestroyIndustry)(uint32_t) = NothingU32;
void (*OnDestroyMarket)(uint32_t) = NothingU32;
void (*OnDestroyStation)(uint32_t) = NothingU32;
void (*OnDestroySchedule)(uint32_t) = NothingU32;
void (*OnDestroyWay)(uint32_t) = NothingU32;
void (*OnRemoveIndustryGoodsway)() = Nothing;
void (*RemovePathsOfWay)(uint32_t, const uint32_t*, uint32_t, bool) = NothingPaths;
void (*RecalcGoodsStation)(uint32_t) = NothingU32;
void (*AddStationStretches)(uint32_t) = NothingU32;

void (*ReadGood)(uint32_t, TGoodFields&) = ZeroGood;
void (*OverwriteGood)(const TGoodFields&) = NothingGood;
void (*GoodDestroy)(const TGoodFields&) = NothingGood;
void (*DestroyGood)(uint32_t) = NothingU32;
void (*SenGoodPerIV)(TGoodFields&, const TVector&, uint32_t) = NothingSend;
uint8_t (*GoodsInfoKind)(uint8_t) = GoodsKind0;
void (*ReadGoodsway)(uint32_t, TGoodswayFields&) = ZeroGoodsway;
void (*OverwriteGoodsway)(const TGoodswayFields&) = NothingGoodsway;
void (*GoodswayDestroy)(uint32_t) = NothingU32;
void (*ReadPsgrWay)(uint32_t, TPsgrWayFields&) = ZeroPsgrWay;
void (*OverwritePsgrWay)(const TPsgrWayFields&) = NothingPsgrWay;
bool (*PsgrWayDestroyIfUnused)(uint32_t) = NotFreed;

void InstallDefaults() {
  WaysAtCons = DefaultWaysAtCons;
  CollectBlockSignals = DefaultCollectBlockSignals;
  RemoveWayFromBlockSystem = NothingWay;
  CalcWaySideLengths = NothingSideLengths;
  NextWayAlongStreetSide = NoNextWay;
  CalcSchedule = NothingSchedule;
  RemoveCivilianCar = DefaultRemoveCivilianCar;
  RemoveVehicleFromTrain = DefaultRemoveVehicleFromTrain;
  AddtoPrevCost = DefaultAddtoPrevCost;
  OnDestroyBuilding = Nothing;
  OnDestroyDepot = NothingU32;
  OnDestroyIndustry = NothingU32;
  OnDestroyMarket = NothingU32;
  OnDestroyStation = NothingU32;
  OnDestroySchedule = NothingU32;
  OnDestroyWay = NothingU32;
  OnRemoveIndustryGoodsway = Nothing;
  RemovePathsOfWay = NothingPaths;
  RecalcGoodsStation = NothingU32;
  AddStationStretches = NothingU32;
  ReadGood = ZeroGood;
  OverwriteGood = NothingGood;
  GoodDestroy = NothingGood;
  DestroyGood = NothingU32;
  SenGoodPerIV = NothingSend;
  GoodsInfoKind = GoodsKind0;
  ReadGoodsway = ZeroGoodsway;
  OverwriteGoodsway = NothingGoodsway;
  GoodswayDestroy = NothingU32;
  ReadPsgrWay = ZeroPsgrWay;
  OverwritePsgrWay = NothingPsgrWay;
  PsgrWayDestroyIfUnused = NotFreed;
  train_hooks::PathDestroy = PathDestroy;
  train_hooks::VehicleDestroyByIndex = TVehicle::DestroyByIndex;
  connect_hooks::DestroyUnconnectedBuilding = DefaultDestroyUnconnectedBuilding;
}

void DefaultWaysAtCons(const TWay& w, uint32_t& count, TWay* ways) {
  count = 0;
  const int connections = w.ConnectionCounter < 10 ? w.ConnectionCounter : 10;
  for (int k = 0; k < connections; ++k) {
    const uint32_t c = w.Connections[k];
    if (c == 0) continue;
    TConnect con{};
    GetConnect(con, c);
    uint32_t other = 0;
    if (con.WayA == w.Index) {
      other = con.WayB;
    } else if (con.WayB == w.Index) {
      other = con.WayA;
    }
    if (other != 0) ways[count++].A_Read(other);
  }
}

void DefaultCollectBlockSignals(TBlock& b) {
  b.Insignalcounter = 0;
  TSignal s{};
  for (uint32_t i = FindInArrayerOA(kARTypeSignal, 0); i != 0; i = FindInArrayerOA(kARTypeSignal, i)) {
    s.A_Read(i);
    if (s.Block == b.Index && b.Insignalcounter < 100) b.InSignals[b.Insignalcounter++] = i;
  }
  b.A_ReWrite();
}

void DefaultRemoveCivilianCar(uint32_t train) {
  TDestroyResult r{};
  TTrain::Destroy(train, kDestroyForced, r);
}

void DefaultRemoveVehicleFromTrain(TTrain& t, uint32_t vehicle) {
  const int count = t.VehicleCount < kTrainMaxVehicles ? t.VehicleCount : kTrainMaxVehicles;
  for (int i = 0; i < count; ++i) {
    if (t.Vehicles[i] != vehicle) continue;
    for (int j = i; j + 1 < count; ++j) t.Vehicles[j] = t.Vehicles[j + 1];
    t.VehicleCount = static_cast<uint8_t>(count - 1);
    if (t.VehicleCount == 0) {
      TDestroyResult r{};
      TTrain::Destroy(t.Index, kDestroyForced, r);
    }
    return;
  }
}

void DefaultAddtoPrevCost(uint8_t player, uint8_t city, float amount) {
  if (IsPlayerNumber(player)) {
    if (GameSettings.Level > 1) Players[player].PrevCost = Players[player].PrevCost.get() - amount;
  } else if (city >= 1 && city <= 100) {
    Cities[city].Budget = Cities[city].Budget.get() + amount;
  } else {
    SYS_Warning("WARNING in Gameplay.AddtoPrevCost: Could not assign money to a player");
  }
}

void DefaultDestroyUnconnectedBuilding(uint32_t building) {
  if (!ArrayerHolds(kTBuildingDesc, building) || DestroyInProgress::Active(kTBuildingDesc, building)) return;
  for (uint32_t c = FindNextConnect(0); c != 0; c = FindNextConnect(c)) {
    if (ConnectByIndex(c).JunctionBuilding == building) return;
  }
  TDestroyResult r{};
  TBuilding::DestroyByIndex(building, kDestroyForced, r);
}

}  // namespace world_hooks

namespace {
// The connection pool lies below the world records and starts without the removal of a building
// left unconnected; it is put in while the program starts, in every program that has the world
// records (any of their routines brings this unit along).
[[maybe_unused]] const bool g_connectHookInstalled =
    (connect_hooks::DestroyUnconnectedBuilding = world_hooks::DefaultDestroyUnconnectedBuilding, true);
}  // namespace
