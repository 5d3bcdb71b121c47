#include "economy/goods/goodstypes.h"

#include <string>

#include "engine/base/diagnostics.h"

uint8_t GoodsInfoKind(uint8_t goodType) {
  if (goodType < 1 || goodType > 52) return kGoodsKindNone;
  return GoodsTypes[goodType].GoodsInfoKind;
}

void SetGoodsInfoKind(TGoodsType& t, uint8_t kind) { t.GoodsInfoKind = kind; }

bool SetGoodsType(int row, const TGoodsType& t) {
  if (row < 1 || row > 52) {
    SYS_Warning("Goods type " + std::to_string(row) + ": no such row");
    return false;
  }
  if (t.GoodsInfoKind == kGoodsKindGoods && (t.WeightPerUnit <= 0 || t.VolumePerUnit <= 0)) {
    SYS_Warning("Goods type " + std::to_string(row) + ": weight and volume per unit must be above 0");
    return false;
  }
  if (t.GoodsInfoKind == kGoodsKindGoods && !(t.TransportFactor > 0.0f)) {
    SYS_Warning("Goods type " + std::to_string(row) + ": transport factor must be above 0");
    return false;
  }
  GoodsTypes[row] = t;
  return true;
}

bool SetDifficultyLevel(int level) {
  if (level < 0 || level > 4) {
    SYS_Warning("Difficulty level " + std::to_string(level) + " is not known: the level stays " +
                std::to_string(GameSettings.Level));
    return false;
  }
  GameSettings.Level = static_cast<uint8_t>(level);
  return true;
}
