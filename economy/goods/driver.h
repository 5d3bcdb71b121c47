// The goods driver: once per simulation tick ProcessGoods runs each incremental process of the
// goods and passenger economy its Speed steps and the goods events once; MonthlyGoods closes a
// month of the simple economy; the GoodsOnDestroy routines pass the delete notices of the world
// records on to the processes.
//
// Two economies (GameSettings.EconomyMode): 0 the goods-way economy (goods follow planned goods
// ways), any other value the simple economy (goods go to any station that takes them).
//
// | process                   | record                 | economy   | period (ticks)           |
// |---------------------------|------------------------|-----------|--------------------------|
// | goods-way search          | PPFoundNewGoodsways    | goods-way | 15000                    |
// | production planning       | PPRecalcProductionWays | goods-way | 6000                     |
// | station goods             | PPFoundGoodsStation    | simple    | 15000                    |
// | station ratings           | PPUpdateStationRating  | simple    | 20                       |
// | goods creation            | PPCreateGoods          | both      | its Period field         |
// | goods movement            | PPIVMove               | both      | 500                      |
// | goods events              | GoodsEvent             | both      | once per tick            |
//
// The goods-way search, the production planning and the goods creation are stepped through
// goods_process_hooks; until their units install them they do nothing, and the driver keeps of
// their records the frame (speed, pass start, phase) and the cursor its status line shows.
#pragma once

#include <cstdint>

#include "economy/goods/records.h"

// The square around a station within which the goods-way search looks for stations to hand goods
// over to: half its side is Radius.
struct TTransferCircle {
  float X, Z, Radius;
};

// The process records whose steps the driver calls through its hooks.
struct TPPFoundNewGoodsways {
  int32_t Speed;
  uint32_t PassStart;
  uint32_t IndustryCursor;
  uint8_t Phase;  // 0..6 (economy/goods/goodswaysearch.h)
  uint8_t GoodType;  // the output goods type being walked
  // The route being walked: its Index is the ageing cursor and then the last way stored,
  // GoodsWayFrom the industry, the path entries the walk's stack (entry n is Path[n - 1]; the path
  // count is the entry being built). Per entry n at [n - 1]: the transport time from the first
  // station, the ticks of travel to it, and the transfer search that found it.
  TGoodsway Work;
  float ReachTime[kGoodswayPathRoom];
  int32_t TravelTicks[kGoodswayPathRoom];
  TTransferCircle Circle[kGoodswayPathRoom];
};
struct TPPRecalcProductionWays {
  int32_t Speed;
  uint32_t PassStart;
  // A step of a supply chain: an industry making the goods type for its parent step (or, for the
  // top step, for the market) and the goods ways chosen to bring each input of its recipe.
  struct TChainStep {
    uint32_t Slots[4];     // the goods way of each recipe input; 0 none yet
    float Amount;          // what this step supplies per unit of the market's demand
    float Cost;            // the chain's cost up to this step
    uint32_t Industry;
    uint8_t GoodType;
    uint8_t Parent;        // 1-based step; 0 for the top step
    uint8_t RecipeCursor;  // 1-based production entry of the industry; 0 before the first visit
    uint8_t InputCursor;   // 1-based input of the recipe
  };
  static constexpr int kChainRoom = 15;
  struct TChain {
    uint32_t Market;
    uint32_t LastTried;  // the market's last goods way tried as the top step
    float TotalCost;
    uint8_t StepCount;
    TChainStep Steps[kChainRoom];  // step n is Steps[n - 1]
  };
  struct TBestSlot {
    TChain Chain;  // Chain.TotalCost is 1e20 for a free slot
    uint8_t Valid;
  };
  static constexpr int kBestRoom = 10;
  static constexpr int kListRoom = 15;
  uint32_t Cursor;       // the industry, goods way or market being visited, by phase
  TChain Chain;          // the working chain
  uint8_t CurrentStep;   // 1-based; 0 none
  TBestSlot Best[kBestRoom];
  float AcceptedCost;    // the worst cost accepted by the last search pass over this goods type
  float WorstKeptCost;   // the highest cost of the ten slots
  float Amount;          // the amount being handed out
  uint8_t ChosenSlot;    // 0-based
  uint8_t WayCount;
  uint32_t Ways[kListRoom];
  float WayShares[kListRoom];
  uint8_t IndustryCount;
  uint32_t Industries[kListRoom];
  float IndustryShares[kListRoom][8];  // per production entry
  uint8_t PreviousGoodType;
  uint8_t GoodType;  // the goods type being planned
  uint8_t Phase;     // 0, 1, 2, 10..15, 20..22
};
struct TPPCreateGoods {
  int32_t Speed;
  int32_t Period;  // the ticks a pass over the industries should take; set through SetCreateGoodsPeriod
  uint32_t PassStart;
  uint32_t IndustryCursor;
  uint8_t Phase;
};

extern TPPFoundNewGoodsways PPFoundNewGoodsways;
extern TPPRecalcProductionWays PPRecalcProductionWays;
extern TPPCreateGoods PPCreateGoods;

// The processes that re-tune their speed, each with its period and its warning text.
enum class TGoodsProcess : uint8_t {
  FoundNewGoodsways,
  RecalcProductionWays,
  FoundGoodsStation,
  UpdateStationRating,
  CreateGoods,
  IVMove,
};
// The re-tuning at the start of a pass of the process (RetuneProcessSpeed with its period and
// its text "Warning: Goods_...: TPP....speed shuld set to: ").
void RetuneGoodsProcess(TGoodsProcess process, int32_t& speed, uint32_t& passStart);

namespace goods_process_hooks {
// One step of each process that lives in a unit of its own. Default: nothing.
extern void (*FoundNewGoodswaysStep)(TPPFoundNewGoodsways& p);
extern void (*RecalcProductionWaysStep)(TPPRecalcProductionWays& p);
extern void (*CreateGoodsStep)(TPPCreateGoods& p);
// Their delete notices. Default: nothing.
extern void (*FNGIndustryDeleted)(uint32_t industry);
extern void (*FNGScheduleDeleted)(uint32_t schedule);
extern void (*FNGStationDeleted)(uint32_t station);
extern void (*CGIndustryDeleted)(uint32_t industry);
extern void (*RPWGoodswayDeleted)(uint32_t goodsway);
extern void (*RPWIndustryDeleted)(uint32_t industry);
extern void (*RPWMarketDeleted)(uint32_t market);
void InstallDefaults();
}  // namespace goods_process_hooks

// One tick of the goods economy: status line 0 of ProcessStatus (cut to 50 characters), then each
// process of the current economy its Speed steps, in table order (a Speed of 0 or less runs
// nothing; a re-tuning during the steps counts from the next tick), then GoodsEventStep once.
// Simple economy: "FGS:speed:station USR:speed:station CG:speed:industry IV:speed:station";
// goods-way economy: "FNG:speed:industry RP:speed:goodstype CG:... IV:...".
void ProcessGoods();
// At a new month, simple economy only: every industry's production entries move this month's
// amount to last month's (this month's := 0) and the percent served to last month's percent.
void MonthlyGoods();

// The delete notices of the world records, with the deleted index.
void GoodsOnDestroyGoodsway(uint32_t goodsway);
void GoodsOnDestroyIndustry(uint32_t industry);
void GoodsOnDestroyMarket(uint32_t market);
void GoodsOnDestroySchedule(uint32_t schedule);
void GoodsOnDestroyStation(uint32_t station);

// PPCreateGoods.Period := Period; a period that is not above 0 is refused with the warning
// "Goods_CG: the period of TPPCreateGoods must be above 0, not <period>" and the period stays.
bool SetCreateGoodsPeriod(int32_t period);

// The goods creation period of a new game.
constexpr int32_t kNewGameCreateGoodsPeriod = 6000;
// The start of a new game's goods economy: every process at Speed 1 with its pass starting now,
// the goods creation period kNewGameCreateGoodsPeriod. (The records of a fresh world are zero, and
// a process at Speed 0 never steps.)
void StartGoodsProcesses();
// Every process record zero (the goods events included), status line 0 empty.
void ResetGoodsProcesses();
