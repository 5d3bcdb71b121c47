// The fields of the game's goods-type records (TGoodsType, 124 bytes, rows 1 to 52 of GoodsTypes)
// that the goods units read. The record, in order: name key (String[43]), weight and volume per
// unit (i32), transport factor and consumer value (f32), maximum age in ticks (i32), maximum
// transport time (f32), six demand factors and six price limits by wealth class (f32), boom end
// tick (u32), GoodsInfoKind (u8) and GoodsAttractivity (u8), padded to 124 bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/base/worldstate.h"

constexpr size_t kGoodsTypeInfoKindOffset = 120;

// GoodsInfoKind values.
constexpr uint8_t kGoodsKindGoods = 0;
constexpr uint8_t kGoodsKindPassengers = 1;
// What GoodsInfoKind gives for a number that is no goods type (0 or above 52): a kind that no
// routine serves, so the caller's check of the kind stops on it.
constexpr uint8_t kGoodsKindNone = 0xFF;

// The GoodsInfoKind of goods type 1 to 52.
uint8_t GoodsInfoKind(uint8_t goodType);
void SetGoodsInfoKind(TGoodsType& t, uint8_t kind);
