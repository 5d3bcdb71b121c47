#include "economy/goods/records.h"

#include <cstdint>
#include <string>

#include "economy/goods/goodstypes.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/compaction.h"
#include "engine/store/recordstore.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

namespace goods_hooks {
namespace {
void Nothing(uint32_t) {}
}  // namespace

void (*OnDestroyGoodsway)(uint32_t) = Nothing;

void InstallDefaults() { OnDestroyGoodsway = Nothing; }
}  // namespace goods_hooks

// ---- TGood

namespace {

// A way's count of batches less the one that goes; a count already 0 is fatal with the text and
// the way's index.
uint32_t OneBatchFewer(uint32_t count, const char* text, uint32_t way) {
  if (count == 0) SYS_BREAKPROGRAM(text + std::to_string(way));
  return count - 1;
}

}  // namespace

void TGood::Destroy() const {
  if (GameSettings.EconomyMode == 0 && Goodsway != 0) {
    switch (GoodsInfoKind(GoodType)) {
      case kGoodsKindGoods: {
        TGoodsway w = StoredRecord<TGoodsway>(Goodsway);
        w.GoodsWayRefCount = OneBatchFewer(
            w.GoodsWayRefCount, "ERROR: UTGood: Destroy: The ReferencCounter of the Goodsway was 0! GW: ", Goodsway);
        w.A_Overwrite();
        break;
      }
      case kGoodsKindPassengers: {
        TPsgrWay p = StoredRecord<TPsgrWay>(Goodsway);
        p.PsgrRefCount = OneBatchFewer(
            p.PsgrRefCount, "ERROR: UTGood: Destroy: The ReferencCounter of the PsgrWay was 0! PW: ", Goodsway);
        p.A_Overwrite();
        p.DestroyIfUnused();
        break;
      }
      default:
        SYS_BREAKPROGRAM("ERROR: UTGoods: Unsorportet GoodsInfoKind");
    }
  }
  ArrayerEntryDestroyRest(Index);
}

void DestroyGood(uint32_t good) { StoredRecord<TGood>(good).Destroy(); }

uint32_t GoodWeight(uint32_t good) {
  const TGood g = StoredRecord<TGood>(good);
  if (g.GoodType < 1 || g.GoodType > 52) return 0;
  const int64_t weight = static_cast<int64_t>(GoodsTypes[g.GoodType].WeightPerUnit) * g.GoodAmount;
  return weight <= 0 ? 0 : weight > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(weight);
}

// ---- TGoodsway

namespace {

// The goods way leaves the lists of the industry or market at index, which is stored again.
template <class T>
void RemoveFrom(uint32_t index, uint32_t goodsway) {
  T t = StoredRecord<T>(index);
  t.RemoveAGoodsway(goodsway);
  t.A_ReWrite();
}

}  // namespace

void TGoodsway::destroy() const {
  // Batches on their way lose it.
  if (GoodsWayRefCount != 0) {
    TGood g{};
    for (uint32_t i = FindInArrayerRest(kARTypeGood, 0); i != 0; i = FindInArrayerRest(kARTypeGood, i)) {
      g.A_Read(i);
      switch (GoodsInfoKind(g.GoodType)) {
        case kGoodsKindGoods:
          if (g.Goodsway == Index) {
            g.Goodsway = 0;
            g.A_Overwrite();
          }
          break;
        case kGoodsKindPassengers:
          break;
        default:
          SYS_BREAKPROGRAM("ERROR: UTGoodsway: unsorported GoodInfoKind detected.");
      }
    }
  }
  switch (GetArrayerType(GoodswayTo)) {
    case kARTypeMarket:
      RemoveFrom<TMarket>(GoodswayTo, Index);
      break;
    case kARTypeIndustry:
      RemoveFrom<TIndustry>(GoodswayTo, Index);
      break;
    default:
      SYS_BREAKPROGRAM("ERROR: UTGoodsway: TGoodsway.destroy: Unsorportet GoodswayTo Station!");
  }
  if (GoodsWayFrom != 0) RemoveFrom<TIndustry>(GoodsWayFrom, Index);
  // A scheduled way hands its amount to the direct way of the same source, destination and type.
  if (GoodsInfoKind(GoodsWayGoodType) == kGoodsKindGoods && (GoodsWayFlags & kGoodswayByTransfer) == 0) {
    TGoodsway twin{};
    for (uint32_t i = FindInArrayerRest(kARTypeGoodsway, 0); i != 0; i = FindInArrayerRest(kARTypeGoodsway, i)) {
      twin.A_Read(i);
      if ((twin.GoodsWayFlags & kGoodswayByTransfer) == 0 || twin.GoodsWayFrom != GoodsWayFrom ||
          twin.GoodswayTo != GoodswayTo || twin.GoodsWayGoodType != GoodsWayGoodType)
        continue;
      twin.GoodsWayAmount = static_cast<float>(static_cast<long double>(twin.GoodsWayAmount) + GoodsWayAmount);
      twin.A_Overwrite();
      break;
    }
  }
  goods_hooks::OnDestroyGoodsway(Index);
  ArrayerEntryDestroyRest(Index);
}

// ---- TPsgrWay

void TPsgrWay::Init(float passengerspF) {
  *this = TPsgrWay{};
  PassengerspF = passengerspF;
}

void TPsgrWay::Destroy() const { ArrayerEntryDestroyRest(Index); }

bool TPsgrWay::DestroyIfUnused() const {
  if (PsgrRefCount != 0 || Used != 0) return false;
  Destroy();
  return true;
}

// ---- The engine's view

namespace {

// The record at index with the engine's changes, overwritten in place.
template <class R, class Change>
void OverwriteStored(uint32_t index, Change change) {
  R record = StoredRecord<R>(index);
  change(record);
  record.A_Overwrite();
}

void ReadGoodFields(uint32_t index, TGoodFields& f) {
  const TGood g = StoredRecord<TGood>(index);
  f = TGoodFields{g.Index, g.GoodsWayEntry, g.GoodType, g.Goodsway, g.GoodReady};
}

void OverwriteGoodFields(const TGoodFields& f) {
  OverwriteStored<TGood>(f.Index, [&f](TGood& g) {
    g.GoodsWayEntry = f.GoodsWayEntry;
    g.Goodsway = f.Goodsway;
    g.GoodReady = f.ReadyTick;
  });
}

// The engine destroys a good it has just read: the fields it holds are those Destroy works with.
void DestroyGoodFields(const TGoodFields& f) {
  TGood g{};
  g.Index = f.Index;
  g.GoodsWayEntry = f.GoodsWayEntry;
  g.GoodType = f.GoodType;
  g.Goodsway = f.Goodsway;
  g.GoodReady = f.ReadyTick;
  g.Destroy();
}

// The entry the engine sends a batch to is the way's last one, the receiving station.
void ReadGoodswayFields(uint32_t index, TGoodswayFields& f) {
  const TGoodsway w = StoredRecord<TGoodsway>(index);
  const uint8_t last = w.GoodsWayPathCounter;
  const uint32_t station = last >= 1 && last <= kGoodswayPathRoom ? w.Path[last - 1].Station : 0;
  f = TGoodswayFields{w.Index, w.GoodsWayFrom, w.GoodswayTo, w.GoodsWayFlags, last, station};
}

void OverwriteGoodswayFields(const TGoodswayFields& f) {
  OverwriteStored<TGoodsway>(f.Index, [&f](TGoodsway& w) {
    w.GoodsWayFrom = f.SourceIndustry;
    w.GoodsWayFlags = f.Flags;
  });
}

void DestroyGoodsway(uint32_t index) { StoredRecord<TGoodsway>(index).destroy(); }

// The ten station fields are read used or not; unused stretches read as 0.
void ReadPsgrWayFields(uint32_t index, TPsgrWayFields& f) {
  const TPsgrWay p = StoredRecord<TPsgrWay>(index);
  f = TPsgrWayFields{};
  f.Index = p.Index;
  f.PassengerspF = p.PassengerspF;
  f.PsgrEndStation = p.PsgrEndStation;
  for (int i = 0; i < kPsgrWayStretchRoom; ++i) f.Stations[i] = p.Stretches[i].Station;
  f.Used = p.Used;
}

void OverwritePsgrWayFields(const TPsgrWayFields& f) {
  OverwriteStored<TPsgrWay>(f.Index, [&f](TPsgrWay& p) {
    p.PassengerspF = f.PassengerspF;
    p.Used = f.Used;
  });
}

bool DestroyPsgrWayIfUnused(uint32_t index) { return StoredRecord<TPsgrWay>(index).DestroyIfUnused(); }

}  // namespace

void InstallGoodsRecordHooks() {
  world_hooks::ReadGood = ReadGoodFields;
  world_hooks::OverwriteGood = OverwriteGoodFields;
  world_hooks::GoodDestroy = DestroyGoodFields;
  world_hooks::DestroyGood = DestroyGood;
  world_hooks::GoodsInfoKind = GoodsInfoKind;
  world_hooks::ReadGoodsway = ReadGoodswayFields;
  world_hooks::OverwriteGoodsway = OverwriteGoodswayFields;
  world_hooks::GoodswayDestroy = DestroyGoodsway;
  world_hooks::ReadPsgrWay = ReadPsgrWayFields;
  world_hooks::OverwritePsgrWay = OverwritePsgrWayFields;
  world_hooks::PsgrWayDestroyIfUnused = DestroyPsgrWayIfUnused;
}
