// The goods-way search (TPPFoundNewGoodsways, unit Goods_FNG): in the goods-way economy it finds
// the routes (TGoodsway) on which an industry's goods can reach a market or an industry that takes
// them. Each pass first ages the known ways (a way not found again in the last pass, without
// contract, is no longer active, and goes once nothing is on its way), then walks, for every
// industry and each goods type it makes, depth first from the industry's station: along each
// schedule that calls there and carries the type, halt by halt, and from each station by transfer
// to the stations around it. Every station reached whose market or industry takes the type yields
// a goods way, stored when it is new and refreshed when it is known. The goods type's maximum
// transport time and 0.8 x its maximum age bound the walk; a hop that a direct transfer from an
// earlier station would match is not taken.
//
// Phases of the step: 0 start of a pass (speed re-tuned); 1 ageing, ten ways a step; 2 next
// industry (its resize state follows its requested production); 3 next goods type it makes;
// 4 next schedule at the last station, or the transfer search from it once its schedules are
// done; 5 riding the schedule to its next halt; 6 the next station within transfer reach.
//
// The walk keeps its stack in the work record's path: entry n holds station n; its schedule is the
// one by which the walk leaves station n (0 once it leaves by transfer), its stop number station
// n's stop in that schedule, its schedule flag the schedule's HopFlag while it is ridden (0 for a
// transfer); hop cost and share are set when the walk arrives. The path count is the entry being
// built, so the last station is entry count - 1.
//
// The schedule fields read: State (calculated), Use (the mode: only road and rail schedules, below
// 2, carry goods), HopFlag, SharePercent, the trains and, per stop, the halt flag, station,
// TimeToNext and the goods type per vehicle position (0 any the vehicle's type carries).
#pragma once

#include <cstdint>

#include "economy/goods/driver.h"
#include "economy/goods/records.h"
#include "engine/world/records.h"

// The most entries a path of the search holds (the last one the destination).
constexpr uint8_t kGoodswaySearchMostEntries = 99;
// The most goods ways a destination lists.
constexpr int kGoodswayListRoom = 250;
// Stations farther apart than this in the ground plane hand goods over only when both have a
// market or industry.
constexpr float kFarTransfer = 5000.0f;
// Goods ways aged per step.
constexpr int kGoodswaysAgedPerStep = 10;

// (Time - 2) / the type's transport factor, above 1500 growing only as 1500 + (r - 1500)^0.8333333;
// at most Distance. A factor that is not above 0 (refused by SetGoodsType) reaches Distance.
float GoodsReachWithin(uint8_t goodType, float distance, float time);
// The schedule's mode is below 2 and one of its trains has a vehicle whose type carries the type.
bool ScheduleCarriesGood(const TSchedule& s, uint8_t goodType);
// Goods of the type may be loaded at the schedule's stop (1-based): the mode is below 2 and for
// some train the stop names the type for one of its vehicle positions, or names none (0) and the
// vehicle's type carries it. A stop that is no halt is warned about ("ERROR: GOODS:
// GoodTransFromScheduleStation: This is no normal Station in this schedule!") and checked all the
// same; a stop the schedule does not have is warned about likewise and never carries.
bool GoodTransFromScheduleStation(const TSchedule& s, uint8_t goodType, uint8_t stop);
// A recipe of the industry's type takes the type as an input.
bool IndustryTakesGood(const TIndustry& i, uint8_t goodType);
// The market's goods entries name the type.
bool MarketTakesGood(const TMarket& m, uint8_t goodType);

// Whether, with n the path count, goods could reach entry n at most as late and within 0.8 x the
// maximum age by a direct transfer from an earlier entry where goods may change: the first, one
// left by transfer, or one left by a schedule at a halt whose station has no market or industry
// (entry n - 1 only when the walk rides from it).
bool ShortcutExists(const TPPFoundNewGoodsways& p);
// The walk has reached Link (a TMarket or TIndustry) at the path count's entry: a destination that
// takes the goods type gets the route as a goods way (a ridden route only when it is at least as
// fast as a direct transfer from the first station would be; a new way only when it is direct or
// its travel ticks are at most 0.6 x the maximum age). A new way is listed by the destination and
// by the producing industry; an industry whose output list is full (250) warns ("Warning: Goods:
// PPFoundNewGoodsways: There are no Room to save the Goodsway in Industry: <industry>") and the
// walk leaves it.
void OfferGoodsWay(TPPFoundNewGoodsways& p, uint32_t link);

// A destination's goods-way list, by value.
struct TGoodswayList {
  uint32_t Ways[kGoodswayListRoom] = {};
  uint8_t Count = 0;
};
// Refreshes the goods way that matches Work (same source, contract, path count and goods type, the
// same stations on entries 1 to count - 1 and, where they are ridden, the same schedule and stop;
// looked for in List first, then among all ways with the same destination): its time, the hop
// costs and shares at its transfer points and its flags 2 and 4; false. Without a match and with
// MayCreate a new way is written from Work (Work.Index := its index), appended to List (a full
// list of 250 warns "Warning: Goods: SaveGoodsWayIfNew: CalcGWFrom is full! I/M: <destination>"
// and gives the new way its last place) and true returned; without MayCreate false.
bool SaveGoodsWayIfNew(TGoodswayList& list, TGoodsway& work, bool mayCreate);

// One step of the search.
void FoundNewGoodswaysStep(TPPFoundNewGoodsways& p);
// The delete notices: a walk from the industry goes on with the next industry; a walk whose path
// uses the schedule or station starts the goods type again.
void FNGIndustryDeleted(TPPFoundNewGoodsways& p, uint32_t industry);
void FNGScheduleDeleted(TPPFoundNewGoodsways& p, uint32_t schedule);
void FNGStationDeleted(TPPFoundNewGoodsways& p, uint32_t station);
