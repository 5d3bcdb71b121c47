// The kind of a goods type (TGoodsType, rows 1 to 52 of GoodsTypes) as the goods units ask it.
#pragma once

#include <cstdint>

#include "engine/base/worldstate.h"

// GoodsInfoKind values.
constexpr uint8_t kGoodsKindGoods = 0;
constexpr uint8_t kGoodsKindPassengers = 1;
// What GoodsInfoKind gives for a number that is no goods type (0 or above 52): a kind that no
// routine serves, so the caller's check of the kind stops on it.
constexpr uint8_t kGoodsKindNone = 0xFF;

// The GoodsInfoKind of goods type 1 to 52.
uint8_t GoodsInfoKind(uint8_t goodType);
void SetGoodsInfoKind(TGoodsType& t, uint8_t kind);

// The rows of GoodsTypes and the difficulty level are set through these, so that what the goods
// routines divide by and index with is sound. Row 1..52 := T unless T is a goods type (kind 0)
// whose weight or volume per unit is not above 0: that is refused with the warning
// "Goods type <row>: weight and volume per unit must be above 0" and the row keeps what it held;
// so is a goods type whose transport factor is not above 0 ("Goods type <row>: transport factor
// must be above 0"), by which the goods-way search divides.
// A row outside 1..52 is refused the same way ("Goods type <row>: no such row").
bool SetGoodsType(int row, const TGoodsType& t);
// GameSettings.Level := Level (0..4); a higher level is refused with the warning "Difficulty level
// <level> is not known: the level stays <old>".
bool SetDifficultyLevel(int level);
