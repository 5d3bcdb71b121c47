#include "economy/step/goodsprocesses.h"

#include "economy/goods/creation.h"
#include "economy/goods/driver.h"
#include "economy/goods/goodswaysearch.h"
#include "economy/goods/ivmove.h"
#include "economy/goods/planning.h"
#include "economy/goods/records.h"
#include "economy/goods/stationgoods.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "engine/world/hooks.h"

namespace {

void HashGoodsway(THashWriter& h, const TGoodsway& w) {
  h.U32(w.Index);
  h.U32(w.GoodsWaySuccessor);
  h.U32(w.GoodsWayFrom);
  h.U32(w.GoodswayTo);
  h.F32(w.GoodsWayAmount);
  h.F32(w.GoodsWayTime);
  h.U32(w.GoodsWayContract);
  h.U32(w.GoodsWayRefCount);
  h.I32(w.GoodsWayDelivered);
  h.U32(w.GoodsWayMeasureStart);
  h.F32(w.GoodsWayRateA);
  h.F32(w.GoodsWayRateB);
  h.F32(w.GoodsWayFreeAmount);
  h.F32(w.GoodsWayNewAmount);
  h.U8(w.GoodsWayPathCounter);
  h.U8(w.GoodsWayGoodType);
  h.U8(w.GoodsWayFlags);
  h.I32(w.GoodsWayLastDelivery);
  for (const TGoodswayPathEntry e : w.Path) {
    h.U32(e.Station);
    h.U32(e.Schedule);
    h.F32(e.HopCost);
    h.U8(e.StopNumber);
    h.U8(e.ScheduleHop);
    h.U8(e.Share);
  }
}

// The goods-way search works on the driver's record.
void FNGIndustryGone(uint32_t industry) { FNGIndustryDeleted(PPFoundNewGoodsways, industry); }
void FNGScheduleGone(uint32_t schedule) { FNGScheduleDeleted(PPFoundNewGoodsways, schedule); }
void FNGStationGone(uint32_t station) { FNGStationDeleted(PPFoundNewGoodsways, station); }

void HashGoodsProcesses(THashWriter& h) {
  const TPPFoundNewGoodsways& fng = PPFoundNewGoodsways;
  h.I32(fng.Speed);
  h.U32(fng.PassStart);
  h.U32(fng.IndustryCursor);
  h.U8(fng.Phase);
  h.U8(fng.GoodType);
  HashGoodsway(h, fng.Work);
  for (int k = 0; k < kGoodswayPathRoom; ++k) {
    h.F32(fng.ReachTime[k]);
    h.I32(fng.TravelTicks[k]);
    h.F32(fng.Circle[k].X);
    h.F32(fng.Circle[k].Z);
    h.F32(fng.Circle[k].Radius);
  }
  const TPPRecalcProductionWays& rpw = PPRecalcProductionWays;
  h.I32(rpw.Speed);
  h.U32(rpw.PassStart);
  h.U8(rpw.GoodType);
  h.U8(rpw.Phase);
  const auto hashChain = [&h](const TPPRecalcProductionWays::TChain& c) {
    h.U32(c.Market);
    h.U32(c.LastTried);
    h.F32(c.TotalCost);
    h.U8(c.StepCount);
    for (const TPPRecalcProductionWays::TChainStep& s : c.Steps) {
      for (uint32_t slot : s.Slots) h.U32(slot);
      h.F32(s.Amount);
      h.F32(s.Cost);
      h.U32(s.Industry);
      h.U8(s.GoodType);
      h.U8(s.Parent);
      h.U8(s.RecipeCursor);
      h.U8(s.InputCursor);
    }
  };
  h.U32(rpw.Cursor);
  hashChain(rpw.Chain);
  h.U8(rpw.CurrentStep);
  for (const TPPRecalcProductionWays::TBestSlot& slot : rpw.Best) {
    hashChain(slot.Chain);
    h.U8(slot.Valid);
  }
  h.F32(rpw.AcceptedCost);
  h.F32(rpw.WorstKeptCost);
  h.F32(rpw.Amount);
  h.U8(rpw.ChosenSlot);
  h.U8(rpw.WayCount);
  for (int k = 0; k < TPPRecalcProductionWays::kListRoom; ++k) {
    h.U32(rpw.Ways[k]);
    h.F32(rpw.WayShares[k]);
  }
  h.U8(rpw.IndustryCount);
  for (int k = 0; k < TPPRecalcProductionWays::kListRoom; ++k) {
    h.U32(rpw.Industries[k]);
    for (float share : rpw.IndustryShares[k]) h.F32(share);
  }
  h.U8(rpw.PreviousGoodType);
  const TPPFoundGoodsStation& fgs = PPFoundGoodsStation;
  h.I32(fgs.Speed);
  h.U32(fgs.PassStart);
  h.Vec(fgs.Position);
  h.U32(fgs.StationCursor);
  h.U32(fgs.SearchCursor);
  h.Bytes(fgs.Goods, sizeof(fgs.Goods));
  h.Bytes(fgs.Exchange, sizeof(fgs.Exchange));
  h.U8(fgs.GoodsCount);
  h.I32(fgs.Population);
  h.F32(fgs.ServedPopulation);
  h.U8(fgs.RatingPercent);
  h.U8(fgs.Phase);
  const TPPUpdateStationRating& usr = PPUpdateStationRating;
  h.I32(usr.Speed);
  h.U32(usr.PassStart);
  h.U32(usr.StationCursor);
  h.U8(usr.Phase);
  const TPPCreateGoods& cg = PPCreateGoods;
  h.I32(cg.Speed);
  h.I32(cg.Period);
  h.U32(cg.PassStart);
  h.U32(cg.IndustryCursor);
  h.U8(cg.Phase);
  const TPPIVMove& iv = PPIVMove;
  h.I32(iv.Speed);
  h.U32(iv.PassStart);
  h.U32(iv.StationCursor);
  h.U8(iv.Phase);
  const std::string status = ProcessStatus[0].str();
  h.U8(static_cast<uint8_t>(status.size()));
  h.Bytes(status.data(), status.size());
}

}  // namespace

void InstallGoodsProcesses() {
  step_hooks::ProcessGoods = ProcessGoods;
  step_hooks::MonthlyGoods = MonthlyGoods;
  goods_process_hooks::CreateGoodsStep = CreateGoodsStep;
  goods_process_hooks::CGIndustryDeleted = [](uint32_t industry) { CGIndustryDeleted(PPCreateGoods, industry); };
  goods_process_hooks::RecalcProductionWaysStep = RecalcProductionWaysStep;
  goods_process_hooks::RPWGoodswayDeleted = [](uint32_t way) { RPWGoodswayDeleted(PPRecalcProductionWays, way); };
  goods_process_hooks::RPWIndustryDeleted = [](uint32_t i) { RPWIndustryDeleted(PPRecalcProductionWays, i); };
  goods_process_hooks::RPWMarketDeleted = [](uint32_t market) { RPWMarketDeleted(PPRecalcProductionWays, market); };
  world_hooks::RecalcGoodsStation = RecalcGoodsStation;
  goods_process_hooks::FoundNewGoodswaysStep = FoundNewGoodswaysStep;
  goods_process_hooks::FNGIndustryDeleted = FNGIndustryGone;
  goods_process_hooks::FNGScheduleDeleted = FNGScheduleGone;
  goods_process_hooks::FNGStationDeleted = FNGStationGone;
  RegisterWorldPart({"goods processes", ResetGoodsProcesses, HashGoodsProcesses});
}
