#include "economy/goods/ivmove.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "economy/goods/driver.h"
#include "economy/goods/goodsentries.h"
#include "economy/goods/goodstypes.h"
#include "economy/goods/handling.h"
#include "economy/goods/processframe.h"
#include "economy/goods/records.h"
#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"

TPPIVMove PPIVMove{};

namespace {

using LD = long double;

// A goods way whose successors run on longer than this runs in a circle.
constexpr int kMostSuccessors = 1000;
constexpr int kStationsPerStep = 10;

std::unique_ptr<TStation> ReadStation(uint32_t index) {
  auto s = std::make_unique<TStation>();
  s->A_Read(index);
  return s;
}

int32_t MaxAge(uint8_t goodType) { return goodType >= 1 && goodType <= 52 ? GoodsTypes[goodType].MaxAge : 0; }

// GameTime > Tick, also when Tick lies beyond the restart of the tick counter.
bool After(uint32_t tick) { return GameTimeReached(static_cast<int64_t>(tick) + 1); }

bool YoungerThanMaxAge(const TGood& g) {
  return static_cast<int64_t>(GameTicksSince(g.GoodStartTime)) < MaxAge(g.GoodType);
}

void SetStationGoodsFlag(TStation& s, uint8_t goodType, uint8_t flag) {
  const int k = FindStationGoods(s, goodType);
  if (k < 0) return;
  TStationGoods e = StationGoods(s, k);
  e.Flags |= flag;
  SetStationGoods(s, k, e);
}

// ---- Phase 1: the in-goods of a station

// A delivered goods batch counts on the goods way at the end of its way's successor chain, unless
// it is older than its type's maximum age; a probe batch only ends the probe.
void CountDelivery(const TGood& g) {
  if (g.Goodsway == 0 || GoodsInfoKind(g.GoodType) != kGoodsKindGoods) return;
  TGoodsway w = StoredRecord<TGoodsway>(g.Goodsway);
  for (int hops = 0; w.GoodsWaySuccessor != 0; ++hops) {
    if (hops == kMostSuccessors) {
      SYS_Warning("WARNING: Goods: IVMove: the successors of goods way " + std::to_string(g.Goodsway) +
                  " run in a circle");
      break;
    }
    w = StoredRecord<TGoodsway>(w.GoodsWaySuccessor);
  }
  if (!YoungerThanMaxAge(g)) return;
  if ((w.GoodsWayFlags & kGoodswayProbe) != 0) {
    w.GoodsWayFlags &= static_cast<uint8_t>(~kGoodswayProbe);
    w.GoodsWayLastDelivery = -1;
  } else {
    w.GoodsWayDelivered = static_cast<int32_t>(std::clamp<int64_t>(
        static_cast<int64_t>(w.GoodsWayDelivered) + g.GoodAmount, std::numeric_limits<int32_t>::min(),
        std::numeric_limits<int32_t>::max()));
    w.GoodsWayLastDelivery = static_cast<int32_t>(GameTime);
  }
  w.A_Overwrite();
}

// The batch goes into the industry's input stock (in memory).
void AddToInputs(TIndustry& industry, const TGood& g) {
  const int k = FindOrAddIndustryInput(industry, g.GoodType);
  if (k < 0) {
    SYS_Warning("WARNING: Goods: IVMove: the input list of industry " + std::to_string(industry.Index) + " is full");
    return;
  }
  TIndustryInput input = IndustryInput(industry, k);
  input.Amount = std::min(static_cast<float>(static_cast<LD>(input.Amount) + g.GoodAmount), kIndustryInputCap);
  SetIndustryInput(industry, k, input);
}

// Entries of exactly 0.0 leave the input list.
void DropEmptyInputs(TIndustry& industry) {
  const int used = std::min<int>(industry.IndustryInputCounter, kIndustryInputRoom);
  int kept = 0;
  for (int k = 0; k < used; ++k) {
    const TIndustryInput e = IndustryInput(industry, k);
    if (e.Amount == 0.0f) continue;
    SetIndustryInput(industry, kept++, e);
  }
  for (int k = kept; k < used; ++k) SetIndustryInput(industry, k, TIndustryInput{});
  industry.IndustryInputCounter = static_cast<uint8_t>(kept);
}

void InGoods(TPPIVMove& p) {
  p.StationCursor = FindInArrayerOA(kARTypeStation, p.StationCursor);
  if (p.StationCursor == 0) {
    p.Phase = 0;
    return;
  }
  auto s = ReadStation(p.StationCursor);
  const uint32_t link = s->StationObjectOf;
  const uint32_t linkType = link == 0 ? 0 : GetArrayerType(link);
  if (link != 0 && linkType != kARTypeMarket && linkType != kARTypeIndustry)
    SYS_BREAKPROGRAM("ERROR: Goods: IVMove: Unsuported StationType!");
  std::unique_ptr<TIndustry> industry;
  int inputsBefore = 0;
  if (linkType == kARTypeIndustry) {
    industry = std::make_unique<TIndustry>();
    industry->A_Read(link);
    inputsBefore = industry->IndustryInputCounter;
  }
  const int count = std::min<int>(s->StationInGoodsCounter, kStationListRoom);
  int kept = 0;
  for (int k = 0; k < count; ++k) {
    const uint32_t index = s->GoodsIn[k];
    TGood g = StoredRecord<TGood>(index);
    if (!After(g.GoodReady)) {
      s->GoodsIn[kept++] = index;
      continue;
    }
    if (link == 0) {
      AppendToStation(*s, StationList::Out, index,
                      "WARNING: Goods: PPIVMove: StationOutGoodsCounter was full!! Station: " + std::to_string(s->Index),
                      true);
      ++g.GoodsWayEntry;
      g.GoodReady = GameTime;
      g.A_Overwrite();
      continue;
    }
    CountDelivery(g);
    if (industry) AddToInputs(*industry, g);
    g.Destroy();
  }
  if (kept < count) {
    std::fill(s->GoodsIn + kept, s->GoodsIn + count, 0u);
    s->StationInGoodsCounter = static_cast<uint16_t>(kept);
    s->A_ReWrite();
    if (industry) {
      DropEmptyInputs(*industry);
      if (industry->IndustryInputCounter != inputsBefore) {
        industry->A_ReWrite();
      } else {
        industry->A_Overwrite();
      }
    }
  }
  p.Phase = 2;
}

// Simple economy: the next station without link, whose out-goods the next step works.
void NextStationWithoutLink(TPPIVMove& p) {
  for (int n = 0; n < kStationsPerStep; ++n) {
    p.StationCursor = FindInArrayerOA(kARTypeStation, p.StationCursor);
    if (p.StationCursor == 0) {
      p.Phase = 0;
      return;
    }
    if (StoredRecord<TStation>(p.StationCursor).StationObjectOf == 0) {
      p.Phase = 2;
      return;
    }
  }
}

// ---- Phase 2: the out-goods of a station

struct TSend {
  TGood Good;
  uint32_t Station;
};

enum class Fate { Waits, Destroyed, Sent };

// A batch whose place lies outside its way is lost.
Fate Lost(const TGood& g) {
  if (GameSettings.EconomyMode == 0 && g.Goodsway != 0 && GoodsInfoKind(g.GoodType) == kGoodsKindGoods) {
    TGoodsway w = StoredRecord<TGoodsway>(g.Goodsway);
    w.GoodsWayFlags |= kGoodswayLost;
    w.A_Overwrite();
  }
  g.Destroy();
  return Fate::Destroyed;
}

Fate GoodsOnTheirWay(TGood& g, std::vector<TSend>& sends) {
  TGoodsway w = StoredRecord<TGoodsway>(g.Goodsway);
  const int pathCount = std::min<int>(w.GoodsWayPathCounter, kGoodswayPathRoom);
  if (g.GoodsWayEntry < 1 || g.GoodsWayEntry > pathCount) return Lost(g);
  const TGoodswayPathEntry hop = w.Path[g.GoodsWayEntry - 1];
  if (hop.Schedule != 0) {
    if (static_cast<int64_t>(GameTicksSince(g.GoodStartTime)) <= MaxAge(g.GoodType)) return Fate::Waits;
    if (w.GoodsWayContract != 0)
      SYS_BREAKPROGRAM("ERROR : Goods : PPIVMove : Missing Programmcode: What to do when Good with Contract is to old");
    if ((w.GoodsWayFlags & kGoodswayProbe) != 0) {
      g.Destroy();
      return Fate::Destroyed;
    }
    g.GoodsWayEntry = static_cast<uint8_t>(pathCount);
    w.GoodsWayFlags |= kGoodswayLost;
    w.A_Overwrite();
    sends.push_back({g, w.Path[pathCount - 1].Station});
    return Fate::Sent;
  }
  if (!After(g.GoodReady + kTransferWait)) return Fate::Waits;
  if (g.GoodsWayEntry >= pathCount) return Lost(g);
  sends.push_back({g, w.Path[g.GoodsWayEntry].Station});
  return Fate::Sent;
}

Fate PassengersOnTheirWay(TGood& g, std::vector<TSend>& sends) {
  const TPsgrWay w = StoredRecord<TPsgrWay>(g.Goodsway);
  const int stretches = std::min<int>(w.PsgrStretchCounter, kPsgrWayStretchRoom);
  if (g.GoodsWayEntry < 1 || g.GoodsWayEntry > stretches) return Lost(g);
  const TPsgrStretch stretch = w.Stretches[g.GoodsWayEntry - 1];
  if (stretch.Schedule != 0) {
    if (!After(g.GoodReady + kPassengerWait)) return Fate::Waits;
    g.Destroy();
    return Fate::Destroyed;
  }
  sends.push_back({g, stretch.Station});
  return Fate::Sent;
}

void OutGoodsAlongWays(TPPIVMove& p) {
  auto s = ReadStation(p.StationCursor);
  std::vector<TSend> sends;
  const int count = std::min<int>(s->StationOutGoodsCounter, kStationListRoom);
  int kept = 0;
  for (int k = 0; k < count; ++k) {
    const uint32_t index = s->GoodsOut[k];
    TGood g = StoredRecord<TGood>(index);
    Fate fate = Fate::Destroyed;
    if (g.Goodsway == 0) {
      g.Destroy();
    } else {
      switch (GoodsInfoKind(g.GoodType)) {
        case kGoodsKindGoods:
          fate = GoodsOnTheirWay(g, sends);
          break;
        case kGoodsKindPassengers:
          fate = PassengersOnTheirWay(g, sends);
          break;
        default:
          SYS_BREAKPROGRAM("ERROR: good: UnLoadGoods: Unsorportet GoodsInfoKind detected.");
      }
    }
    if (fate == Fate::Waits) s->GoodsOut[kept++] = index;
  }
  if (kept < count) {
    std::fill(s->GoodsOut + kept, s->GoodsOut + count, 0u);
    s->StationOutGoodsCounter = static_cast<uint16_t>(kept);
    s->A_ReWrite();
  }
  // Sent after the station is stored, so that a batch sent to this very station stays in its list.
  for (TSend& send : sends) SenGoodPerIV(send.Good, s->Position, send.Station);
  p.Phase = 1;
}

void OutGoodsSimple(TPPIVMove& p) {
  auto s = ReadStation(p.StationCursor);
  bool changed = false;
  // Batches that waited longer than half their maximum age go.
  const int count = std::min<int>(s->StationOutGoodsCounter, kStationListRoom);
  int kept = 0;
  for (int k = 0; k < count; ++k) {
    const uint32_t index = s->GoodsOut[k];
    const TGood g = StoredRecord<TGood>(index);
    const int64_t keep = RoundToInt(static_cast<LD>(MaxAge(g.GoodType)) * 0.5L);
    if (GameTimeReached(static_cast<int64_t>(g.GoodStartTime) + keep + 1)) {
      g.Destroy();
      SetStationGoodsFlag(*s, g.GoodType, kStationGoodsLost);
      changed = true;
    } else {
      s->GoodsOut[kept++] = index;
    }
  }
  std::fill(s->GoodsOut + kept, s->GoodsOut + count, 0u);
  s->StationOutGoodsCounter = static_cast<uint16_t>(kept);
  // Passengers accrue from the population around, by the station's passenger rating.
  const int psgr = PsgrGoodType == 0 ? -1 : FindStationGoods(*s, PsgrGoodType);
  if (psgr >= 0 && (StationGoods(*s, psgr).Flags & kStationGoodsSupplied) != 0) {
    TStationGoods e = StationGoods(*s, psgr);
    const float stored = e.Rating;
    const LD rating = std::min(stored, 1.0f);
    const uint16_t now = static_cast<uint16_t>(GameTime % 65535);
    int32_t dt = static_cast<int32_t>(now) - e.LastTick;
    if (dt < 0) dt += 65535;
    e.Accumulated = static_cast<float>(e.Accumulated + static_cast<LD>(s->PassengerProduction) * rating *
                                                           kPassengerAccrual * dt);
    e.LastTick = now;
    SetStationGoods(*s, psgr, e);
    changed = true;
  }
  // Whole units become new batches.
  for (int k = 0; k < std::min<int>(s->StationGoodsCounter, kStationGoodsRoom); ++k) {
    TStationGoods e = StationGoods(*s, k);
    if (!(e.Accumulated >= 1.0f)) continue;
    TGood g{};
    g.GoodType = e.GoodType;
    g.GoodAmount = static_cast<int32_t>(std::min<LD>(std::trunc(static_cast<LD>(e.Accumulated)), INT32_MAX));
    g.Goodsway = s->Index;
    g.GoodStartTime = GameTime;
    g.A_Write();
    e.Accumulated = static_cast<float>(static_cast<LD>(e.Accumulated) - g.GoodAmount);
    SetStationGoods(*s, k, e);
    const uint8_t lost = AppendToStation(*s, StationList::Out, g.Index,
                                         "WARNING : Goods_IVMove : PPIVMove : StationOutGoodsCounter was full!", false);
    if (lost != 0) SetStationGoodsFlag(*s, lost, kStationGoodsLost);
    changed = true;
  }
  if (changed) s->A_ReWrite();
  p.Phase = 1;
}

}  // namespace

void IVMoveStep(TPPIVMove& p) {
  const bool simple = GameSettings.EconomyMode != 0;
  switch (p.Phase) {
    case 0:
      RetuneGoodsProcess(TGoodsProcess::IVMove, p.Speed, p.PassStart);
      p.StationCursor = 0;
      p.Phase = 1;
      break;
    case 1:
      if (simple) {
        NextStationWithoutLink(p);
      } else {
        InGoods(p);
      }
      break;
    case 2:
      if (simple) {
        OutGoodsSimple(p);
      } else {
        OutGoodsAlongWays(p);
      }
      break;
    default:
      p.Phase = 0;
      break;
  }
}

void IVMoveStationDeleted(TPPIVMove& p, uint32_t station) {
  if (p.Phase == 2 && p.StationCursor == station) p.Phase = 1;
}
