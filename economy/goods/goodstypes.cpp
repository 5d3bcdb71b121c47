#include "economy/goods/goodstypes.h"

uint8_t GoodsInfoKind(uint8_t goodType) {
  if (goodType < 1 || goodType > 52) return kGoodsKindNone;
  return GoodsTypes[goodType].GoodsInfoKind;
}

void SetGoodsInfoKind(TGoodsType& t, uint8_t kind) { t.GoodsInfoKind = kind; }
