#include "economy/step/tick.h"

#include "economy/messages/news.h"
#include "economy/step/commands.h"
#include "economy/money/finances.h"
#include "economy/port/uiport.h"
#include "economy/weather/weather.h"
#include "engine/base/diagnostics.h"
#include "engine/base/statistics.h"
#include "engine/base/worldstate.h"
#include "engine/store/compaction.h"
#include "engine/store/recordstore.h"
#include "engine/store/trainpool.h"
#include "engine/world/records.h"
#include "engine/world/vehicle.h"
#include "network/construction/ways.h"

namespace step_hooks {
namespace {
void Nothing() {}
void NothingAt(uint32_t) {}
void NothingPrepare(TTrain&, uint32_t) {}
bool NotMoved(TTrain&) { return false; }
void NothingPlace(TTrain&, uint8_t) {}
void NothingTrain(TTrain&) {}
}  // namespace

void (*ProcessGoods)() = Nothing;
void (*MonthlyGoods)() = Nothing;
void (*PlaceTownBuildings)() = Nothing;
void (*DevelopmentTick)() = Nothing;
void (*UpdateBuildingsTick)() = Nothing;
void (*UpdatePassengerRoutes)() = Nothing;
void (*GeneratePassengers)() = Nothing;
void (*MoveAnimals)() = Nothing;
void (*ScheduleTick)() = Nothing;
void (*TickBuildingScripts)(uint32_t) = NothingAt;
void (*MoveShip)(uint32_t) = NothingAt;
void (*PrepareTrain)(TTrain&, uint32_t) = NothingPrepare;
bool (*MoveOn)(TTrain&) = NotMoved;
void (*PlaceTrainVehicles)(TTrain&, uint8_t) = NothingPlace;
void (*WriteBackTrainVehicles)(TTrain&) = NothingTrain;
void (*ShiftTrainRevenue)(TTrain&) = NothingTrain;
void (*MovePlanes)() = Nothing;
void (*UpdateParticles)() = Nothing;
void (*AwardPrizes)() = Nothing;
void (*CheckWinConditions)() = Nothing;
void (*UpdateCityTraffic)() = Nothing;

void InstallDefaults() {
  for (auto* hook : {&ProcessGoods, &MonthlyGoods, &PlaceTownBuildings, &DevelopmentTick, &UpdateBuildingsTick,
                     &UpdatePassengerRoutes, &GeneratePassengers, &MoveAnimals, &ScheduleTick, &MovePlanes,
                     &UpdateParticles, &AwardPrizes, &CheckWinConditions, &UpdateCityTraffic})
    *hook = Nothing;
  TickBuildingScripts = NothingAt;
  MoveShip = NothingAt;
  PrepareTrain = NothingPrepare;
  MoveOn = NotMoved;
  PlaceTrainVehicles = NothingPlace;
  WriteBackTrainVehicles = NothingTrain;
  ShiftTrainRevenue = NothingTrain;
}

std::vector<std::string> AtDefault() {
  std::vector<std::string> names;
  const auto check = [&names](bool atDefault, const char* name) {
    if (atDefault) names.emplace_back(name);
  };
  check(ProcessGoods == Nothing, "ProcessGoods");
  check(MonthlyGoods == Nothing, "MonthlyGoods");
  check(PlaceTownBuildings == Nothing, "PlaceTownBuildings");
  check(DevelopmentTick == Nothing, "DevelopmentTick");
  check(UpdateBuildingsTick == Nothing, "UpdateBuildingsTick");
  check(UpdatePassengerRoutes == Nothing, "UpdatePassengerRoutes");
  check(GeneratePassengers == Nothing, "GeneratePassengers");
  check(MoveAnimals == Nothing, "MoveAnimals");
  check(ScheduleTick == Nothing, "ScheduleTick");
  check(TickBuildingScripts == NothingAt, "TickBuildingScripts");
  check(MoveShip == NothingAt, "MoveShip");
  check(PrepareTrain == NothingPrepare, "PrepareTrain");
  check(MoveOn == NotMoved, "MoveOn");
  check(PlaceTrainVehicles == NothingPlace, "PlaceTrainVehicles");
  check(WriteBackTrainVehicles == NothingTrain, "WriteBackTrainVehicles");
  check(ShiftTrainRevenue == NothingTrain, "ShiftTrainRevenue");
  check(MovePlanes == Nothing, "MovePlanes");
  check(UpdateParticles == Nothing, "UpdateParticles");
  check(AwardPrizes == Nothing, "AwardPrizes");
  check(CheckWinConditions == Nothing, "CheckWinConditions");
  check(UpdateCityTraffic == Nothing, "UpdateCityTraffic");
  return names;
}

void WarnAtDefault() {
  for (const std::string& name : AtDefault()) SYS_Warning("WARNING: Simulation step: " + name + " is not installed");
}
}  // namespace step_hooks

namespace {

constexpr long double kRefillTo = 2000000.0L;
constexpr uint32_t kDepotsAndShips = kARTypeDepot | kARTypeShip;
constexpr int kYearReportOption = 283;
constexpr uint8_t kYearReportPage = 2;

uint8_t Players1ToCount() { return PlayerCount <= 10 ? PlayerCount : 10; }
bool Booking() { return EconomyHold == 0 && EconomyHoldCount == 0; }

void Month() {
  if (MoneyRefill != 0 && IsPlayerNumber(LocalPlayer)) {
    TYearFinance& year = Players[LocalPlayer].Finances[0];
    if (year.Balance.get() < kRefillTo)
      BookMoney(LocalPlayer, year.Prizes, static_cast<float>(kRefillTo - year.Balance.get()), 1.0f);
  }
  for (uint8_t p = 1; p <= Players1ToCount(); ++p) MonthlyBank(p);
  step_hooks::MonthlyGoods();
}

// The year blocks move one on: this year's becomes last year's, the oldest is dropped, and the new
// year starts from the old one's balance and credit.
void Year() {
  for (uint8_t p = 1; p <= Players1ToCount(); ++p) {
    TYearFinance* years = Players[p].Finances;
    for (int k = 4; k >= 1; --k) years[k] = years[k - 1];
    years[0] = TYearFinance{};
    years[0].Year = static_cast<uint16_t>(GameYear);
    years[0].Balance = years[1].Balance;
    years[0].Credit = years[1].Credit;
  }
  RecalcPlayersProperties();
  if (GameOptions[kYearReportOption] != 0) PortShowYearReport(kYearReportPage);
}

void MoveVehicles() {
  step_hooks::MoveAnimals();
  step_hooks::ScheduleTick();
  uint32_t index = 0;
  for (;;) {
    uint32_t type = 0;
    index = FindInArrayerOAMultipel(kDepotsAndShips, index, type);
    if (index == 0) break;
    if (type == kARTypeDepot) {
      step_hooks::TickBuildingScripts(index);
    } else if (type == kARTypeShip) {
      step_hooks::MoveShip(index);
    }
  }
  for (uint32_t t = FindNextTrain(0); t != 0; t = FindNextTrain(t)) {
    TTrain& train = TrainByIndex(t);
    step_hooks::PrepareTrain(train, t);
    const bool moved = step_hooks::MoveOn(train);
    if (!IsTrainUsed(t)) continue;  // it went during its own move
    if (moved) {
      step_hooks::PlaceTrainVehicles(train, 0);
    } else {
      step_hooks::WriteBackTrainVehicles(train);
    }
    if (IsTrainUsed(t) && NewYear != 0) step_hooks::ShiftTrainRevenue(train);
  }
  step_hooks::MovePlanes();
}

}  // namespace

void NextDay() {
  ++GameDay;
  const int32_t days = GameMonth >= 1 && GameMonth <= 12 ? DaysInMonth[GameMonth - 1] : 0;
  if (GameDay > days) {
    GameDay = 1;
    ++GameMonth;
    NewMonth = 1;
  }
  if (GameMonth > 12) {
    GameMonth = 1;
    ++GameYear;
    NewYear = 1;
  }
}

void AnnounceVehicleTypes() {
  if (NewYear == 0) return;
  const int count = VehicleTypeCount & 0xFF;
  for (int t = 1; t <= count; ++t) {
    const TVehicleType& type = VehicleTypes[t];
    if (VehicleTypeAnnounced(type) == 0 || VehicleTypeStartYear(type) != GameYear) continue;
    const uint8_t kind = VehicleTypeKind(type);
    if (kind == 0) {
      TriggerNewsEvent(kNewsNewVan, 0, 0, static_cast<uint32_t>(t), 0, 0, 0);
    } else if (kind == 1) {
      TriggerNewsEvent(kNewsNewTrain, 0, 0, static_cast<uint32_t>(t), 0, 0, 0);
    }
  }
}

void RecalcPlayersProperties() {
  for (uint8_t p = 1; p <= Players1ToCount(); ++p) {
    TYearFinance& year = Players[p].Finances[0];
    year.BuildingValue = year.WayValue = year.VehicleValue = year.RailLength = year.RoadLength = 0.0f;
  }
  uint32_t index = 0;
  for (;;) {
    uint32_t type = 0;
    index = FindInArrayerBWMultipel(kArrayerBWFlag | kKindBuilding | kKindWay, index, type);
    if (index == 0) break;
    if (type == kARTypeBuilding) {
      TBuilding b{};
      b.A_Read(index);
      if (IsPlayerNumber(b.Owner) && (b.State == 2 || b.State == 3))
        Players[b.Owner].Finances[0].BuildingValue += b.BuildingCost();
    } else if (type == kARTypeWay) {
      TWay w{};
      w.A_Read(index);
      if (!IsPlayerNumber(w.Owner) || (w.State != 2 && w.State != 3)) continue;
      CountWayInYear(w, Players[w.Owner].Finances[0], "ERROR: Gameplay: RecalcPlayersProperties: Unsuportet Way.Use!");
    }
  }
  TVehicle v{};
  for (uint32_t i = FindInArrayerRest(kARTypeVehicle, 0); i != 0; i = FindInArrayerRest(kARTypeVehicle, i)) {
    v.A_Read(i);
    if (!IsPlayerNumber(v.Owner)) continue;
    bool isNew = false;
    Players[v.Owner].Finances[0].VehicleValue += v.GetValue(isNew);
  }
}

void GameplayTick() {
  if (GameRunning == 0) return;
  InfoScreenBeginTick(InfoScreenData);
  ++GameTime;
  if (static_cast<int32_t>(GameTime) > static_cast<int32_t>(kGameTimeLast)) GameTime = 0;
  NewYear = 0;
  NewMonth = 0;
  const int32_t ticksPerDay = GameSettings.TicksPerDay;
  if (ticksPerDay > 0 && static_cast<int32_t>(GameTime) % ticksPerDay == 0) NextDay();
  if (NewYear != 0) AnnounceVehicleTypes();
  if (NewMonth != 0 && Booking()) Month();
  if (NewYear != 0 && Booking()) Year();
  if (NewMonth != 0 && Booking()) {
    step_hooks::AwardPrizes();
    step_hooks::CheckWinConditions();
  }
  if (GameTime % 2 == 0) {
    step_hooks::UpdateParticles();
    UpdateWeather();
  }
  ArrayerCollect();
  const bool processes = FreeBuildMode == 0;
  if (SimSwitches[0] != 0 && processes) step_hooks::ProcessGoods();
  if (SimSwitches[1] != 0 && processes) step_hooks::PlaceTownBuildings();
  if (SimSwitches[3] != 0 && processes) step_hooks::DevelopmentTick();
  if (SimSwitches[4] != 0 && processes) step_hooks::UpdateBuildingsTick();
  if (SimSwitches[6] != 0 && processes && PsgrGoodType != 0 && GameSettings.EconomyMode == 0) {
    step_hooks::UpdatePassengerRoutes();
    step_hooks::GeneratePassengers();
  }
  if (SimSwitches[7] != 0) MoveVehicles();
  if (EconomyHold == 0) NewsTick();
  ExecuteCommands(CommandQueue);
  if (SimSwitches[5] == 1 && SimSwitches[8] == 1) step_hooks::UpdateCityTraffic();
  InfoScreenEndTick(InfoScreenData);
}
