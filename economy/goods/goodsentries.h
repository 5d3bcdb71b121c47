// The goods fields of the world records and type tables that the goods processes share, read and
// written by value (the records are packed, so nothing here hands out a reference into them):
//
// - a station's goods entries (TStation::Goods, up to 52 of 16 bytes): what waits, how well the
//   station serves the type, what accrues for it, and its flags;
// - an industry's input stock (TIndustry::Input, up to 32 of 8 bytes);
// - the recipes (the 100 rows of IndustryTypeEntries) and the recipe numbers of an industry type.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/base/worldstate.h"
#include "engine/world/records.h"

#pragma pack(push, 1)

// A station's goods entry (16 bytes).
struct TStationGoods {
  uint32_t Waiting;  // waiting amount at the last rating
  float Rating;
  float Accumulated;  // amount accrued toward the next batch
  uint8_t GoodType;
  uint8_t Flags;      // kStationGoods... bits
  uint16_t LastTick;  // last accrual, GameTime modulo 65535
};

// An entry of an industry's input stock (8 bytes).
struct TIndustryInput {
  float Amount;
  uint8_t GoodType;
  uint8_t Reserved5[3];
};

// An industry's production entry (24 bytes), one per recipe of its type in recipe order. In the
// goods-way economy ThisMonth and LastMonth hold the requested amounts and Served and Served2 a
// smoothed pair; in the simple economy Served is the percent of the production its stations serve
// and Served2 that percent at the end of the last month.
struct TIndustryProduction {
  float Production;  // of the production interval
  float ThisMonth;
  float LastMonth;
  float Requests;    // collected by this planning pass
  float Served;
  float Served2;
};

// A recipe (24 bytes): the output of one unit takes Needs[k] of each input k.
struct TRecipe {
  uint8_t Inputs[4];  // goods types
  float Needs[4];
  uint8_t InputCount;  // at most 4
  uint8_t Output;      // goods type
  // The goods table's flag of the row: in the simple economy an industry type with a flagged recipe
  // grows and shrinks within a tenth of its usual bounds.
  uint8_t TableFlag;
  uint8_t Reserved23;
};

// A market's goods entry (12 bytes): what the planning of the goods way economy handed the market of
// the goods type in its last pass over that type.
struct TMarketGoods {
  uint8_t GoodType;
  uint8_t Demand;  // 1 while the market still buys more of it
  uint8_t Reserved2[2];
  float Assigned;     // amount per tick assigned to the market
  float AverageCost;  // of the assigned amount
};

#pragma pack(pop)

static_assert(sizeof(TStationGoods) == 16 && sizeof(TIndustryInput) == 8 && sizeof(TRecipe) == 24 &&
              sizeof(TIndustryProduction) == 24 && sizeof(TMarketGoods) == 12);
static_assert(sizeof(TMarketGoods) == sizeof(TMarket::Goods[0]));
static_assert(sizeof(TStationGoods) == sizeof(TStation::Goods[0]) &&
              sizeof(TIndustryInput) == sizeof(TIndustry::Input[0]) && sizeof(TRecipe) == sizeof(TIndustryTypeEntry) &&
              sizeof(TIndustryProduction) == sizeof(TIndustry::PCOutput[0]));

// TStationGoods::Flags
constexpr uint8_t kStationGoodsAccepted = 1;  // goods of the type may be unloaded here
constexpr uint8_t kStationGoodsSupplied = 2;  // the station offers the type
constexpr uint8_t kStationGoodsLoaded = 4;    // a vehicle loaded the type since the last rating
constexpr uint8_t kStationGoodsLost = 8;      // a batch of the type was lost

constexpr int kStationGoodsRoom = 52;
constexpr int kMarketGoodsRoom = 52;
constexpr int kIndustryInputRoom = 32;
constexpr int kIndustryProductionRoom = 8;
constexpr float kIndustryInputCap = 500000.0f;  // the most an input entry holds

// The fields of an industry type that the goods processes read, in this order after the type's
// name: its capacity (i32), its cost factor (f32), its production interval in ticks (i32), the
// count of its recipes (u8) and that many 1-based recipe numbers (u8 each, rows of
// IndustryTypeEntries); the six town factors follow at 112 (engine/world/industry.h).
constexpr size_t kIndustryTypeCapacityOffset = 84;
constexpr size_t kIndustryTypeCostFactorOffset = 88;
constexpr size_t kIndustryTypeIntervalOffset = 92;
constexpr size_t kIndustryTypeRecipeCountOffset = 96;
constexpr size_t kIndustryTypeRecipesOffset = 97;
constexpr int kIndustryTypeRecipeRoom = 8;  // an industry keeps one production entry per recipe
constexpr int kRecipeCount = 100;

// Station goods entry k (0-based, below the room) by value, and back.
TStationGoods StationGoods(const TStation& s, int k);
void SetStationGoods(TStation& s, int k, const TStationGoods& e);
// The 0-based entry of the station's used entries with the goods type, or -1.
int FindStationGoods(const TStation& s, uint8_t goodType);
// Whether the station has an entry of the type with flag bit value 1.
bool StationAccepts(const TStation& s, uint8_t goodType);

TIndustryInput IndustryInput(const TIndustry& i, int k);
void SetIndustryInput(TIndustry& i, int k, const TIndustryInput& e);
// The 0-based input entry of the goods type; without one a new entry of the type (amount 0) is
// appended in memory. -1 when there is none and the list is full.
int FindOrAddIndustryInput(TIndustry& i, uint8_t goodType);

// Production entry k (0-based, below 8) of an industry by value, and back.
TIndustryProduction IndustryProduction(const TIndustry& i, int k);
void SetIndustryProduction(TIndustry& i, int k, const TIndustryProduction& e);

// The recipes of an industry type (1..52): their count, held to 0..8, and recipe k (0-based below
// that count). A recipe number outside 1..100 gives an empty recipe; so does a type outside 1..52
// (it has no recipes).
int IndustryTypeRecipeCount(uint8_t industryType);
TRecipe IndustryTypeRecipe(uint8_t industryType, int k);
void SetIndustryTypeRecipes(TIndustryType& t, int count, const uint8_t* recipeNumbers);
// The capacity of an industry type (1..52; 0 for any other).
int32_t IndustryTypeCapacity(uint8_t industryType);
void SetIndustryTypeCapacity(TIndustryType& t, int32_t capacity);
// Recipe row n (1..100) by value and back; outside: an empty recipe, nothing stored. A recipe
// whose need of one of its inputs is not above 0 (what a unit of the output takes is divided by
// it) is refused with the warning "Recipe <n>: the need of input <k> must be above 0" and the row
// keeps what it held.
TRecipe Recipe(int n);
bool SetRecipe(int n, const TRecipe& r);

// The production interval in ticks and the cost factor of an industry type (1..52; 0 for any
// other). An interval that is not above 0 is refused with the warning "Industry type: the
// production interval must be above 0, not <interval>" and the type keeps its interval; the goods
// processes let an industry whose type has no interval above 0 produce nothing.
int32_t IndustryTypeInterval(uint8_t industryType);
bool SetIndustryTypeInterval(TIndustryType& t, int32_t interval);
float IndustryTypeCostFactor(uint8_t industryType);
void SetIndustryTypeCostFactor(TIndustryType& t, float factor);

// Market goods entry k (0-based, below 52) by value, and back; the 0-based entry of the market's
// used entries with the goods type, or -1.
TMarketGoods MarketGoods(const TMarket& m, int k);
void SetMarketGoods(TMarket& m, int k, const TMarketGoods& e);
int FindMarketGoods(const TMarket& m, uint8_t goodType);
// The input count of a recipe, held to 0..4.
int RecipeInputCount(const TRecipe& r);
