// The production and goods-way planning of the goods-way economy (TPPRecalcProductionWays, unit
// Goods_RPW): how much each goods way carries and how much each industry is asked to produce.
//
// A pass first normalises the requests each industry collected in the last pass into its
// requested amounts (phase 1), then evaluates every goods way (phase 2: its planned amount, its
// smoothed delivery rate, lost batches, and the most it may carry in the next pass). Then, goods
// type by goods type (those towns buy), each market states whether it buys the type (phase 11,
// by the populations of its wealth classes, LastResidents), and for each buying market the search
// (phases 13 to 15) walks every supply chain: a goods way into the market, the industry making the
// goods, for each input of its recipe a goods way into that industry, and so on, keeping the ten
// cheapest chains. The cheapest kept chain is planned first (phases 20 to 22), as far as the free
// capacity of its industries and goods ways and the market's demand at the resulting average cost
// allow; when all ten are handed out another search takes the next ten above their cost.
//
// A market keeps the planning of a goods type in its goods entry of that type (demand flag,
// assigned amount, average cost); a market that does not buy the type has no entry for it.
#pragma once

#include <cstdint>

#include "economy/goods/driver.h"

struct TGoodsway;

constexpr float kPlanningFree = 1e20f;    // the cost of a free slot; the free amount of a direct way
constexpr float kPlanningFilled = 1e19f;  // a slot cost up to this holds a chain
constexpr float kPlanningLeast = 0.00001f;
constexpr int kPlanningMarketsPerStep = 10;
constexpr uint32_t kMeasurePeriod = 3000;  // ticks between two measures of a goods way's deliveries

// One step of the process.
void RecalcProductionWaysStep(TPPRecalcProductionWays& p);

// The most the goods way's ridden hops can carry per tick: for each hop ridden by a schedule, the
// weight capacity of the schedule's vehicles that left the hop's stop without load (counted once
// for the stop's goods type of the vehicle when it is this type, once per load slot of the vehicle
// type naming this type when the stop leaves it open) in units of the goods type, divided by the
// schedule's round trip (the sum of its TimeToNext); the least over the hops, 1e20 without ridden
// hops, 0 when a hop has no such capacity. A schedule whose TimeToNext are all 0 is warned about
// ("Error: Goods: CalcFreeGoodswayAmount: In the Schedule: <index> are all TimetonextStation = 0!")
// and counts a round trip of 100000 ticks.
float CalcFreeGoodswayAmount(const TGoodsway& way);

// The demand of the market's populations (LastResidents) for the goods type at the average cost:
// over the wealth classes whose 10 x price limit lies above the cost, population x demand factor
// / (1 + 9 x cost / price limit).
float MarketDemand(const int32_t (&populations)[6], uint8_t goodType, float cost);
// How much of Amount the market buys that holds Assigned at AverageCost, offered at Cost: the whole
// amount when it is still below the demand at the resulting average cost; otherwise the bisection
// from the whole amount in steps of amount / 2, / 4, ... above 0.00001 (Saturated then true).
float MarketTakes(const int32_t (&populations)[6], uint8_t goodType, float assigned, float averageCost,
                  float cost, float amount, bool& saturated);

// The delete notices: a slot of the ten using the object loses its valid byte, and the search
// leaves a working chain that uses it.
void RPWGoodswayDeleted(TPPRecalcProductionWays& p, uint32_t goodsway);
void RPWIndustryDeleted(TPPRecalcProductionWays& p, uint32_t industry);
void RPWMarketDeleted(TPPRecalcProductionWays& p, uint32_t market);
