#include "economy/goods/driver.h"

#include <algorithm>
#include <memory>
#include <string>

#include "economy/goods/events.h"
#include "economy/goods/goodsentries.h"
#include "economy/goods/ivmove.h"
#include "economy/goods/processframe.h"
#include "economy/goods/stationgoods.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"

TPPFoundNewGoodsways PPFoundNewGoodsways{};
TPPRecalcProductionWays PPRecalcProductionWays{};
TPPCreateGoods PPCreateGoods{};

namespace goods_process_hooks {
namespace {
void NoFNG(TPPFoundNewGoodsways&) {}
void NoRPW(TPPRecalcProductionWays&) {}
void NoCG(TPPCreateGoods&) {}
void Nothing(uint32_t) {}
}  // namespace

void (*FoundNewGoodswaysStep)(TPPFoundNewGoodsways&) = NoFNG;
void (*RecalcProductionWaysStep)(TPPRecalcProductionWays&) = NoRPW;
void (*CreateGoodsStep)(TPPCreateGoods&) = NoCG;
void (*FNGIndustryDeleted)(uint32_t) = Nothing;
void (*FNGScheduleDeleted)(uint32_t) = Nothing;
void (*FNGStationDeleted)(uint32_t) = Nothing;
void (*CGIndustryDeleted)(uint32_t) = Nothing;
void (*RPWGoodswayDeleted)(uint32_t) = Nothing;
void (*RPWIndustryDeleted)(uint32_t) = Nothing;
void (*RPWMarketDeleted)(uint32_t) = Nothing;

void InstallDefaults() {
  FoundNewGoodswaysStep = NoFNG;
  RecalcProductionWaysStep = NoRPW;
  CreateGoodsStep = NoCG;
  for (auto* hook : {&FNGIndustryDeleted, &FNGScheduleDeleted, &FNGStationDeleted, &CGIndustryDeleted,
                     &RPWGoodswayDeleted, &RPWIndustryDeleted, &RPWMarketDeleted})
    *hook = Nothing;
}
}  // namespace goods_process_hooks

void RetuneGoodsProcess(TGoodsProcess process, int32_t& speed, uint32_t& passStart) {
  switch (process) {
    case TGoodsProcess::FoundNewGoodsways:
      RetuneProcessSpeed(speed, passStart, 15000.0L, "Warning: Goods_FNG: TPPFoundNewGoodsways.speed shuld set to: ");
      break;
    case TGoodsProcess::RecalcProductionWays:
      RetuneProcessSpeed(speed, passStart, 6000.0L,
                         "Warning: Goods_RPW: TPPRecalcProductionWays.speed shuld set to: ");
      break;
    case TGoodsProcess::FoundGoodsStation:
      RetuneProcessSpeed(speed, passStart, 15000.0L, "Warning: Goods_FGS: TPPFoundGoodsStation.speed shuld set to: ");
      break;
    case TGoodsProcess::UpdateStationRating:
      RetuneProcessSpeed(speed, passStart, 1000.0L / 50.0L,
                         "Warning: Goods_USR: TPPUpdateStationRating.speed shuld set to: ");
      break;
    case TGoodsProcess::CreateGoods:
      RetuneProcessSpeed(speed, passStart, PPCreateGoods.Period, "Warning: Goods_CG: TPPCreateGoods.speed shuld set to: ");
      break;
    case TGoodsProcess::IVMove:
      RetuneProcessSpeed(speed, passStart, 500.0L, "Warning: Goods_IVMove: TPPIVMove.speed shuld set to: ");
      break;
  }
}

namespace {

// Speed steps, as many as the speed held when the process's turn came.
template <class Step>
void RunSteps(int32_t speed, Step step) {
  for (int32_t i = 0; i < speed; ++i) step();
}

std::string Part(const char* name, int32_t speed, uint32_t cursor) {
  return std::string(name) + std::to_string(speed) + ":" + std::to_string(cursor);
}

}  // namespace

void ProcessGoods() {
  const std::string common = " " + Part("CG:", PPCreateGoods.Speed, PPCreateGoods.IndustryCursor) + " " +
                             Part("IV:", PPIVMove.Speed, PPIVMove.StationCursor);
  if (GameSettings.EconomyMode != 0) {
    ProcessStatus[0] = Part("FGS:", PPFoundGoodsStation.Speed, PPFoundGoodsStation.StationCursor) + " " +
                       Part("USR:", PPUpdateStationRating.Speed, PPUpdateStationRating.StationCursor) + common;
    RunSteps(PPFoundGoodsStation.Speed, [] { FoundGoodsStationStep(PPFoundGoodsStation); });
    RunSteps(PPUpdateStationRating.Speed, [] { UpdateStationRatingStep(PPUpdateStationRating); });
  } else {
    ProcessStatus[0] = Part("FNG:", PPFoundNewGoodsways.Speed, PPFoundNewGoodsways.IndustryCursor) + " " +
                       Part("RP:", PPRecalcProductionWays.Speed, PPRecalcProductionWays.GoodType) + common;
    RunSteps(PPFoundNewGoodsways.Speed, [] { goods_process_hooks::FoundNewGoodswaysStep(PPFoundNewGoodsways); });
    RunSteps(PPRecalcProductionWays.Speed,
             [] { goods_process_hooks::RecalcProductionWaysStep(PPRecalcProductionWays); });
  }
  RunSteps(PPCreateGoods.Speed, [] { goods_process_hooks::CreateGoodsStep(PPCreateGoods); });
  RunSteps(PPIVMove.Speed, [] { IVMoveStep(PPIVMove); });
  GoodsEventStep(GoodsEvent);
}

void MonthlyGoods() {
  if (GameSettings.EconomyMode == 0) return;
  const auto industry = std::make_unique<TIndustry>();
  for (uint32_t i = FindInArrayerOA(kARTypeIndustry, 0); i != 0; i = FindInArrayerOA(kARTypeIndustry, i)) {
    industry->A_Read(i);
    for (int k = 0; k < std::min<int>(industry->IndustryPCOutputCounter, kIndustryProductionRoom); ++k) {
      TIndustryProduction e = IndustryProduction(*industry, k);
      e.LastMonth = e.ThisMonth;
      e.ThisMonth = 0.0f;
      e.Served2 = e.Served;
      SetIndustryProduction(*industry, k, e);
    }
    industry->A_Overwrite();
  }
}

void GoodsOnDestroyGoodsway(uint32_t goodsway) { goods_process_hooks::RPWGoodswayDeleted(goodsway); }

void GoodsOnDestroyIndustry(uint32_t industry) {
  goods_process_hooks::FNGIndustryDeleted(industry);
  goods_process_hooks::CGIndustryDeleted(industry);
  goods_process_hooks::RPWIndustryDeleted(industry);
  EventIndustryDeleted(GoodsEvent, industry);
}

void GoodsOnDestroyMarket(uint32_t market) { goods_process_hooks::RPWMarketDeleted(market); }

void GoodsOnDestroySchedule(uint32_t schedule) { goods_process_hooks::FNGScheduleDeleted(schedule); }

void GoodsOnDestroyStation(uint32_t station) {
  goods_process_hooks::FNGStationDeleted(station);
  IVMoveStationDeleted(PPIVMove, station);
  FGSStationDeleted(PPFoundGoodsStation, station);
}

bool SetCreateGoodsPeriod(int32_t period) {
  if (period <= 0) {
    SYS_Warning("Goods_CG: the period of TPPCreateGoods must be above 0, not " + std::to_string(period));
    return false;
  }
  PPCreateGoods.Period = period;
  return true;
}

void StartGoodsProcesses() {
  for (auto [speed, start] : {std::pair{&PPFoundNewGoodsways.Speed, &PPFoundNewGoodsways.PassStart},
                              std::pair{&PPRecalcProductionWays.Speed, &PPRecalcProductionWays.PassStart},
                              std::pair{&PPFoundGoodsStation.Speed, &PPFoundGoodsStation.PassStart},
                              std::pair{&PPUpdateStationRating.Speed, &PPUpdateStationRating.PassStart},
                              std::pair{&PPCreateGoods.Speed, &PPCreateGoods.PassStart},
                              std::pair{&PPIVMove.Speed, &PPIVMove.PassStart}}) {
    *speed = 1;
    *start = GameTime;
  }
  SetCreateGoodsPeriod(kNewGameCreateGoodsPeriod);
}

void ResetGoodsProcesses() {
  PPFoundNewGoodsways = {};
  PPRecalcProductionWays = {};
  PPFoundGoodsStation = {};
  PPUpdateStationRating = {};
  PPCreateGoods = {};
  PPIVMove = {};
  ResetGoodsEvent();
  ProcessStatus[0] = std::string();
}
