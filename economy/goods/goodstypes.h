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
