// The services of the transport network (network/) and of the economy (economy/) that the world
// records' routines call: their removals, cost bookings and name and schedule work. The engine
// cannot include those units, so it calls them through the pointers below. Each pointer starts at
// the engine's default, which does the least its callers rely on (mostly nothing); the network and
// economy units install their own at start-up, and tests install recording ones.
//
// The goods, goods-way and passenger-way records belong to the economy (economy/goods/records.h);
// the engine sees only the fields it works with, through the small field sets below, and reads and
// stores them through the economy's hooks.
//
// Hooks of the same kind live with their units: connect_hooks::DestroyUnconnectedBuilding
// (engine/store/connectpool.h) and train_hooks (engine/world/train.h). InstallDefaults puts the
// engine's own routines into those of them that the engine implements.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/world/records.h"

struct TMesh2;
struct TTrain;

// The fields of a TGood (Rest kind 0x8) that the engine works with.
struct TGoodFields {
  uint32_t Index;
  uint8_t GoodsWayEntry;  // the good's position in its goods way
  uint8_t GoodType;       // 1-based row of GoodsTypes
  uint32_t Goodsway;      // its TGoodsway; in the simple economy mode a station
  uint32_t ReadyTick;     // the GameTime at which it arrives
};

// The fields of a TGoodsway (Rest kind 0x10) that the engine works with.
struct TGoodswayFields {
  uint32_t Index;
  uint32_t SourceIndustry;
  uint32_t Target;        // a TIndustry or TMarket
  uint8_t Flags;          // flag 2 is cleared when the source goes
  uint8_t Entry;          // the goods way's last entry (its path count): where its goods end
  uint32_t EntryStation;  // the station (first field) of the entry numbered Entry
};

// The fields of a TPsgrWay (Rest kind 0x800) that the engine works with.
struct TPsgrWayFields {
  uint32_t Index;
  float PassengerspF;
  uint32_t PsgrEndStation;
  uint32_t Stations[10];
  uint8_t Used;
};

constexpr uint32_t kARTypeGood = kArrayerRestFlag | kKindGood;
constexpr uint32_t kARTypeGoodsway = kArrayerRestFlag | kKindGoodsway;
constexpr uint32_t kARTypePsgrWay = kArrayerRestFlag | kKindPsgrWay;

namespace world_hooks {

// ---- Transport network

// Count := 0, then for each connection of W's list the other way met there (way B when W is way A,
// way A when W is way B, else none) is read into the next element of Ways (room for 10).
// Default: exactly that, from the connection pool.
extern void (*WaysAtCons)(const TWay& w, uint32_t& count, TWay* ways);
// Rebuilds B's in-signal list from every TSignal whose block is B and stores B (A_ReWrite).
// Default: exactly that.
extern void (*CollectBlockSignals)(TBlock& b);
// Detaches a built rail way from its block, splitting or merging blocks. Default: nothing.
extern void (*RemoveWayFromBlockSystem)(TWay& w);
// Sets W's two side lengths from the way's mesh. Default: nothing (the lengths stay).
extern void (*CalcWaySideLengths)(TWay& w, const TMesh2& mesh);
// Follows the street side to the next way. Default: false, nothing found.
extern bool (*NextWayAlongStreetSide)(TWay& w, uint8_t& side, uint8_t& found, TWay& way);
// Recalculates a schedule's stop data after a change. Default: nothing.
extern void (*CalcSchedule)(TSchedule& s);
// Removes a convoy without owner and drops it from the town cars. Default: TTrain::Destroy
// (train, 2).
extern void (*RemoveCivilianCar)(uint32_t train);
// Takes the vehicle out of T's vehicle list (the gap closed); a train left without vehicles goes
// with TTrain::Destroy (T, 2). Default: exactly that.
extern void (*RemoveVehicleFromTrain)(TTrain& t, uint32_t vehicle);

// ---- Economy: money and delete notices

// Gives a pre-booked cost back: with a player (1 to 10) and a game level above 1, the player's
// PrevCost goes down by Amount; without a player but with a town, the town's budget goes up by it;
// neither: the warning "WARNING in Gameplay.AddtoPrevCost: Could not assign money to a player".
// Default: exactly that.
extern void (*AddtoPrevCost)(uint8_t player, uint8_t city, float amount);
// The delete notices: the economy drops the object from its processes and windows. Default:
// nothing. OnDestroySchedule also follows a schedule's change (TSchedule::RemoveStation).
extern void (*OnDestroyBuilding)();
extern void (*OnDestroyDepot)(uint32_t depot);
extern void (*OnDestroyIndustry)(uint32_t industry);
extern void (*OnDestroyMarket)(uint32_t market);
extern void (*OnDestroyStation)(uint32_t station);
extern void (*OnDestroySchedule)(uint32_t schedule);
extern void (*OnDestroyWay)(uint32_t way);
extern void (*OnRemoveIndustryGoodsway)();
// Removes the paths that run over the listed end nodes of a removed way (Max is passed as 999).
// Default: nothing.
extern void (*RemovePathsOfWay)(uint32_t count, const uint32_t* nodes, uint32_t max, bool stationFlag);
// A private pass of the goods-station process over one station (simple economy mode only).
// Default: nothing.
extern void (*RecalcGoodsStation)(uint32_t station);
// Rebuilds the stretches between the stations of a calculated schedule. Default: nothing.
extern void (*AddStationStretches)(uint32_t schedule);

// ---- Economy: goods, goods ways, passenger ways

// TGood.A_Read: fills G from the good at Index. Default: G holds Index and zeros.
extern void (*ReadGood)(uint32_t index, TGoodFields& g);
// TGood.A_Overwrite: stores GoodsWayEntry, Goodsway and ReadyTick of G. Default: nothing.
extern void (*OverwriteGood)(const TGoodFields& g);
// TGood.Destroy: drops the good's reference on its goods or passenger way and frees its entry.
// Default: nothing.
extern void (*GoodDestroy)(const TGoodFields& g);
// DestroyGood: reads the good and destroys it. Default: nothing.
extern void (*DestroyGood)(uint32_t good);
// Sends G on to Station: its ready tick := GameTime + the travel time from Position, appended to
// the station's in-goods list; station and good are stored. Default: nothing.
extern void (*SenGoodPerIV)(TGoodFields& g, const TVector& position, uint32_t station);
// The GoodsInfoKind of a goods type: 0 goods, 1 passengers. Default: 0.
extern uint8_t (*GoodsInfoKind)(uint8_t goodType);
// TGoodsway.A_Read. Default: W holds Index and zeros.
extern void (*ReadGoodsway)(uint32_t index, TGoodswayFields& w);
// TGoodsway.A_Overwrite: stores SourceIndustry and Flags of W. Default: nothing.
extern void (*OverwriteGoodsway)(const TGoodswayFields& w);
// TGoodsway.destroy. Default: nothing.
extern void (*GoodswayDestroy)(uint32_t goodsway);
// TPsgrWay.A_Read. Default: P holds Index and zeros.
extern void (*ReadPsgrWay)(uint32_t index, TPsgrWayFields& p);
// TPsgrWay.A_Overwrite: stores PassengerspF and Used of P. Default: nothing.
extern void (*OverwritePsgrWay)(const TPsgrWayFields& p);
// TPsgrWay.DestroyIfUnused: frees the passenger way when nothing refers to it and it is unused;
// true when freed. Default: false.
extern bool (*PsgrWayDestroyIfUnused)(uint32_t psgrWay);

// Every hook above back to its default, and the engine's own routines into the pool hooks it
// implements: train_hooks::PathDestroy (TPath::Destroy), train_hooks::VehicleDestroyByIndex
// (TVehicle::DestroyByIndex) and connect_hooks::DestroyUnconnectedBuilding
// (DefaultDestroyUnconnectedBuilding). The other train hooks are left as they are.
void InstallDefaults();

// The defaults that do something.
void DefaultWaysAtCons(const TWay& w, uint32_t& count, TWay* ways);
void DefaultCollectBlockSignals(TBlock& b);
void DefaultRemoveCivilianCar(uint32_t train);
void DefaultRemoveVehicleFromTrain(TTrain& t, uint32_t vehicle);
void DefaultAddtoPrevCost(uint8_t player, uint8_t city, float amount);
// Removes the building with TBuilding::Destroy (building, 2) when no used connection names it as
// junction building any more; a building that is gone or being removed already is left alone.
void DefaultDestroyUnconnectedBuilding(uint32_t building);

}  // namespace world_hooks
