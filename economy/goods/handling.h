// Loading and unloading at a station stop, transfers between stations, and what transport earns.
//
// When a convoy stops, the vehicle logic calls UnloadGoods for each vehicle and later LoadGoods.
// They move batches (TGood) between the vehicle's goods list and the station's in-goods and
// out-goods lists, add the time the handling takes, add the revenue earned, and keep the batches'
// references on their goods ways and passenger ways counted. Both economies are served
// (GameSettings.EconomyMode): in the goods-way economy (0) a batch follows its goods way or
// passenger way; in the simple economy (any other mode) it goes wherever it is accepted, and its
// Goodsway field names the station that made it.
//
// Handling takes 0.6 x units / the station's handling rate, summed over the stop as a float and
// rounded once into HandlingTime: for goods that leave a vehicle or board it; passengers take no
// time, except in the simple economy's unloading, which counts every unit sold or handed on. A
// station whose handling rate is 0 handles as if it were 1.
//
// The vehicle logic holds the vehicle's goods list by value (TVehicleGoods) and passes its batches
// and count by reference; a count above the list's room counts as the room.
#pragma once

#include <cstdint>
#include <string>

#include "economy/goods/records.h"
#include "engine/base/types.h"
#include "engine/base/worldstate.h"
#include "engine/world/records.h"

// ---- Revenue

// By GameSettings.Level 0..4; a level above 4 earns as level 4.
constexpr int kRevenueLevels = 5;
inline constexpr float RevenueFactor[kRevenueLevels] = {0.0f, 0.0f, 2.0f, 1.3f, 1.0f};
inline constexpr float SlackRevenueFactor[kRevenueLevels] = {0.75f, 0.0f, 0.75f, 0.5f, 0.25f};
inline constexpr float BoomRevenueFactor[kRevenueLevels] = {0.15f, 0.0f, 1.75f, 1.5f, 1.25f};

// Performance x RevenueFactor of the level, times the boom factor when the type booms
// (GoodsAttractivity 1) or the slack factor when it is slack (2). Another attractivity is warned
// about and earns the product so far; a number that is no goods type (0, above 52) counts as
// normal.
float CalcGoodsRevenue(uint8_t goodType, float performance);
// The distance of a and b, beyond 1500 growing as 1500 + (d - 1500)^1.2, times the type's
// transport factor, plus 2.
float GoodsTransportTime(const TVector& a, const TVector& b, uint8_t goodType);
// The distance of a and b truncated.
int32_t GoodsDistance(const TVector& a, const TVector& b);
// The distance of a and b times the type's transport factor.
float GoodsTransportCost(const TVector& a, const TVector& b, uint8_t goodType);

// ---- A station's goods lists

constexpr int kStationListRoom = 5000;
enum class StationList { In, Out };

// Appends the batch to the station's in-goods or out-goods list (in memory). A full list (5000)
// gives the warning and its last place to the batch: the batch there is destroyed, in the
// goods-way economy its goods way marked lost (kGoodswayLost) first when MarkWay. The goods type of
// the batch that lost its place, 0 when none did.
uint8_t AppendToStation(TStation& s, StationList l, uint32_t good, const std::string& fullWarning, bool markWay);

// ---- Transfers

// Sends the batch to the station without a vehicle: it is ready there after GoodsDistance(from,
// the station's position) ticks and joins the station's in-goods list. A full list (5000) loses its
// last batch to the new one, with a warning; in the goods-way economy the lost batch's goods way is
// marked (kGoodswayLost). The station is stored with A_ReWrite, the batch with A_Overwrite.
void SenGoodPerIV(TGood& good, const TVector& from, uint32_t station);

// ---- The vehicle's side

constexpr int kVehicleGoodsRoom = 100;
constexpr int kVehicleGoodsTypes = 12;

// A vehicle's goods list by value.
struct TVehicleGoods {
  uint32_t Goods[kVehicleGoodsRoom] = {};
  uint8_t Count = 0;

  static TVehicleGoods Of(const TVehicle& v);
  void StoreIn(TVehicle& v) const;
};

// The cargo fields of a vehicle type: the passenger capacity (i32 at 61), the weight and volume
// capacities (i32 at 252 and 256), the twelve goods types it carries (the goods types of its load
// slots, 0 none) and the single-cargo flag (u8 at 1272, after the load slot tables: 0 for a vehicle
// that carries one goods type at a time).
struct TVehicleCargo {
  int32_t PassengerCapacity = 0;
  int32_t WeightCapacity = 0;
  int32_t VolumeCapacity = 0;
  uint8_t GoodsTypes[kVehicleGoodsTypes] = {};
  uint8_t SingleCargo = 0;

  bool OneTypeAtATime() const { return SingleCargo == 0; }
};
constexpr size_t kVehicleTypeSingleCargoOffset = 1272;
// The cargo fields of vehicle type 1..255; another number gives a type that carries nothing.
TVehicleCargo VehicleCargo(uint16_t vehicleType);
void SetVehicleCargo(TVehicleType& t, const TVehicleCargo& c);

// ---- Unloading

// Unloads the vehicle's batches at the station. UnloadAll: the convoy runs without a calculated
// schedule (OnlyType 0, StopNumber 0); otherwise StopNumber is the convoy's current stop. The
// batches that stay aboard are reported in KeptWeight, KeptVolume and KeptPassengers (set, not
// added to); the handling time is added to HandlingTime and the revenue to GoodsRevenue and
// PassengerRevenue. VehicleType and VBTType are not read.
//
// Along goods ways a batch whose way leads here leaves the vehicle: into the in-goods list (goods
// at their hop's end, earning GoodAmount x hop cost x share / 100 unless older than twice their
// maximum age; they are ready once the handling so far is over) or into the out-goods list for
// their next stretch (passengers, earning GoodAmount x ride time for 30000 ticks; at their way's
// end they earn and are gone). A batch whose way goes on with this schedule's stop rides on;
// without schedule, or of another type than OnlyType, it is handed on into the out-goods list. A
// batch bound for another station stays aboard (warned); one without way, or whose place lies
// outside its way, is thrown away, the latter counted lost on its goods way.
//
// In the simple economy what the station accepts is sold: its revenue is its transport cost from
// the station that made it (without one: from 1000 along x) per unit, and the industries around
// the station take it into their input stock. Without schedule, or of another type than OnlyType,
// the rest is handed on as one new batch per goods type and origin; otherwise it stays aboard.
void UnloadGoods(bool unloadAll, uint8_t onlyType, uint8_t stopNumber, uint32_t (&goods)[kVehicleGoodsRoom],
                 uint8_t& goodsCount, uint32_t station, uint16_t vehicleType, uint8_t vbtType, uint32_t& keptWeight,
                 uint32_t& keptVolume, uint32_t& keptPassengers, uint32_t& handlingTime, float& goodsRevenue,
                 float& passengerRevenue);

// The simple economy adds up what a vehicle sells or hands on at a station in rows of goods type
// and origin station: at most 100 rows, which is as many as a vehicle holds batches.
struct TUnloadRow {
  uint32_t Origin;  // the station that made the goods; 0 none
  int64_t Amount;
  uint8_t GoodType;
  bool Sold;  // sold here (else handed on)
};
class TUnloadRows {
 public:
  static constexpr int kRoom = 100;
  // Adds the amount to the row of the type and origin, or to a new row. With every row taken the
  // warning "WARNING: Goods: UnloadGoods: To much diffrent Goods to unload on a Station (simple
  // Economy)" is given and false returned: the goods were not taken.
  bool Add(uint8_t goodType, uint32_t origin, int32_t amount, bool sold);
  int Count() const { return count_; }
  const TUnloadRow& operator[](int k) const { return rows_[k]; }

 private:
  TUnloadRow rows_[kRoom] = {};
  int count_ = 0;
};

// ---- Loading

// Loads batches that wait at the station of the schedule's stop StopNumber (1-based) into the
// vehicle: WantedType alone, or with 0 every goods type of the vehicle type; a vehicle that carries
// one goods type at a time and holds something takes only the type of its last batch. LoadedWeight,
// LoadedVolume and LoadedPassengers report what the vehicle holds afterwards; the loading time is
// added to HandlingTime. VBTType 2 or above is fatal; Reserved is not read. A stop the schedule
// does not have loads nothing.
//
// Along goods ways the vehicle takes the batches whose place on their way names this schedule and
// stop: goods under contract at once in list order, the others from the end of the list; batches
// of a wanted type without way are dropped. In the simple economy it takes, in list order, the
// wanted types that another stop of the schedule accepts, and marks each of them served
// (kStationGoodsLoaded) at the station when none of it was left behind.
void LoadGoods(uint32_t (&goods)[kVehicleGoodsRoom], uint8_t& goodsCount, uint8_t wantedType, uint16_t vehicleType,
               uint8_t vbtType, uint32_t reserved, const TSchedule& schedule, uint8_t stopNumber,
               uint32_t& loadedWeight, uint32_t& loadedVolume, uint32_t& loadedPassengers, uint32_t& handlingTime);

// What a vehicle's batches weigh, fill and seat.
struct TCargoAboard {
  int64_t Weight = 0, Volume = 0, Passengers = 0;

  // Adds the batch: goods by their type's weight and volume per unit, passengers by their count.
  // A kind other than goods and passengers is fatal with the text.
  void Carry(const TGood& g, const char* unsupportedKind);
  // The three amounts, each held to 0..4294967295.
  void Report(uint32_t& weight, uint32_t& volume, uint32_t& passengers) const;
};

// A vehicle being loaded: its batches, what it carries, the goods types it still takes and the
// loading time so far.
struct TLoadingVehicle {
  TVehicleGoods Goods;
  TVehicleCargo Cargo;
  TCargoAboard Aboard;
  uint8_t Wanted[kVehicleGoodsTypes] = {};
  int WantedCount = 0;
  uint8_t HandlingRate = 1;  // of the station
  float LoadingTime = 0;

  bool Wants(uint8_t goodType) const;
  // The wanted types become the one type.
  void WantOnly(uint8_t goodType);
};

// Puts as much of the batch aboard as the free weight, volume or seats allow. True when all of it
// went: the batch itself is then aboard and leaves the station's list. Part of it: the batch keeps
// the rest (A_Overwrite) and a new batch with the part goes aboard, holding a reference of its own
// on the batch's goods way or passenger way (goods-way economy). Nothing fits, or the vehicle holds
// 100 batches: false, nothing changes. The first batch aboard a vehicle that carries one goods
// type at a time makes that type the only one wanted.
bool LoadOneGood(TGood& good, TLoadingVehicle& v);

// Puts SenGoodPerIV behind the world records' hook.
void InstallGoodsHandlingHooks();
