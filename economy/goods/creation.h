// The goods creation at industries (TPPCreateGoods, unit Goods_CG), in both economies. An industry
// produces once per production interval of its type: when its next production tick has come it
// first hands out what it produced in the last interval, then computes what it produces in the
// next one from its size, its recipes and its input stock.
//
// Handing out, simple economy: each output goods type goes to the stations of the output list that
// supply it, by their ratings (at most 1.0 each), into their goods entries' accumulated amounts;
// the production entries count the month's production and the percent served.
// Handing out, goods-way economy: each goods way of the output list accumulates the interval's
// share of its planned amount (production / requested amount of its type); a whole unit or more
// becomes one batch in the out-goods list of the industry's station. A goods way in probe mode
// gets one batch of one unit while nothing of it is on its way and none has arrived.
//
// Next production, simple economy: size / the number of production entries each, plus what the
// input stock allows each recipe, shared fairly between recipes that use the same input.
// Goods-way economy: each production entry makes its requested amount as far as the input stock
// allows (a unit of the requested amount takes need x size of each input).
//
// An industry whose type has no production interval above 0 never produces.
#pragma once

#include <cstdint>

#include "economy/goods/driver.h"

constexpr int kCreateGoodsIndustriesPerStep = 10;

// One step of the process.
void CreateGoodsStep(TPPCreateGoods& p);
// The industry is gone: a process handing out or computing for it goes on with the next industry.
void CGIndustryDeleted(TPPCreateGoods& p, uint32_t industry);
