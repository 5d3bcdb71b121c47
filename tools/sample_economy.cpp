#include "tools/sample_economy.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>

#include "economy/goods/goodsentries.h"
#include "economy/goods/goodstypes.h"
#include "economy/goods/handling.h"
#include "economy/step/plans.h"
#include "engine/world/building.h"
#include "network/construction/buildings.h"
#include "network/construction/curveline.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordaccess.h"
#include "engine/store/trainpool.h"
#include "engine/world/records.h"

namespace sample_economy {

namespace {

constexpr TVector kOrigin{1000.0f, 0.0f, 1000.0f};
constexpr int kWays = 4;
constexpr float kWayLength = 500.0f;
constexpr uint8_t kAllServices = 1 | 2 | 4;
// The poor residents a market counted in the last upkeep pass.
constexpr int32_t kMarketResidents = 5000;

void SetMarketResidents(uint32_t market, int32_t residents) {
  auto m = std::make_unique<TMarket>();
  m->A_Read(market);
  m->LastResidents[0] = residents;
  m->A_Overwrite();
}

// The station loads and unloads goods and passengers.
void ServeEverything(uint32_t station) {
  auto s = std::make_unique<TStation>();
  s->A_Read(station);
  s->ServiceFlags |= kAllServices;
  s->A_Overwrite();
}

// The goods-way economy with the sample goods; coal and tools may travel 200,000 ticks, and towns
// of every wealth class buy tools (demand factor 1, at most 1,000 a unit).
void SetGoodswayGoods() {
  GameSettings.EconomyMode = 0;
  SetSampleGoods();
  for (const uint8_t t : {kCoal, kTools}) {
    TGoodsType type = GoodsTypes[t];
    type.MaxTransportTime = 200000.0f;
    if (t == kTools) {
      for (float& f : type.DemandFactors) f = 1.0f;
      for (float& limit : type.PriceLimits) limit = 1000.0f;
    }
    SetGoodsType(t, type);
  }
}

uint32_t LinkedStation(uint32_t link, const TVector& position) {
  auto s = std::make_unique<TStation>();
  s->Init(1, 0, position);
  s->StationObjectOf = link;
  s->A_Write();
  return s->Index;
}

TGoodsType Goods(uint8_t kind, float consumerValue) {
  TGoodsType t{};
  SetGoodsInfoKind(t, kind);
  t.WeightPerUnit = 1;
  t.VolumePerUnit = 1;
  t.TransportFactor = 1.0f;
  t.ConsumerValue = consumerValue;
  t.MaxAge = 20000;
  return t;
}

}  // namespace

void SetSampleGoods() {
  GoodsTypeCount = 3;
  SetGoodsType(kCoal, Goods(kGoodsKindGoods, 0.0f));
  SetGoodsType(kTools, Goods(kGoodsKindGoods, 1.0f));
  SetGoodsType(kPassengers, Goods(kGoodsKindPassengers, 0.0f));
  PsgrGoodType = kPassengers;
  TRecipe mine{};
  mine.Output = kCoal;
  SetRecipe(1, mine);
  TRecipe works{};
  works.Inputs[0] = kCoal;
  works.Needs[0] = 2.0f;
  works.InputCount = 1;
  works.Output = kTools;
  SetRecipe(2, works);
  const uint8_t one[] = {1}, two[] = {2};
  SetIndustryTypeRecipes(IndustryTypes[kMine], 1, one);
  SetIndustryTypeRecipes(IndustryTypes[kWorks], 1, two);
  for (uint8_t type : {kMine, kWorks}) {
    SetIndustryTypeInterval(IndustryTypes[type], kProductionInterval);
    SetIndustryTypeCostFactor(IndustryTypes[type], 1.0f);
  }
}

TSite IndustryWithStation(uint8_t industryType, int32_t size, const TVector& position) {
  auto i = std::make_unique<TIndustry>();
  i->IndustryType = industryType;
  i->Size = size;
  i->Productivity = 1.0f;
  i->ResizeState = 1;
  i->IndustryPCOutputCounter = static_cast<uint8_t>(IndustryTypeRecipeCount(industryType));
  i->NextProductionTick = GameTime + kProductionInterval;
  i->A_Write();
  TSite site;
  site.Industry = i->Index;
  site.Station = LinkedStation(i->Index, position);
  i->Station = site.Station;
  i->A_Overwrite();
  return site;
}

TSite MarketWithStation(const TVector& position, const std::vector<uint8_t>& goodTypes) {
  // Markets come with the towns' development, which stores them through the store's writer.
  RecordDesc d = kTMarketDesc;
  d.Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite;
  auto m = std::make_unique<TMarket>();
  *m = TMarket{};
  for (const uint8_t t : goodTypes) {
    if (m->MarketGoodsCounter >= 52) break;
    m->Goods[m->MarketGoodsCounter++][0] = t;
  }
  RecordWrite(d, m.get());
  TSite site;
  site.Industry = m->Index;
  site.Station = LinkedStation(m->Index, position);
  return site;
}

uint32_t HouseWith(const TVector& position, uint16_t inhabitants) {
  sample_world::SetHouseType(kHouseType, 20.0f, 0.0f, 10.0f);
  BuildingTypeCount = std::max<uint8_t>(BuildingTypeCount, kHouseType);
  TBuilding b{};
  b.A_Read(sample_world::PlaceHouse(kHouseType, position));
  b.Inhabitants = inhabitants;
  b.A_Overwrite();
  return b.Index;
}

void SetGoodsWagon() {
  TVehicleCargo cargo;
  cargo.WeightCapacity = 100;
  cargo.VolumeCapacity = 100;
  cargo.GoodsTypes[0] = kCoal;
  cargo.GoodsTypes[1] = kTools;
  cargo.SingleCargo = 1;
  VehicleTypes[kGoodsWagon] = TVehicleType{};
  SetVehicleCargo(VehicleTypes[kGoodsWagon], cargo);
  VehicleTypeCount = std::max<int32_t>(VehicleTypeCount, kGoodsWagon);
}

uint32_t GoodsSchedule(const std::vector<uint32_t>& stations, int32_t ticksToNext, uint8_t sharePercent) {
  TVehicle v{};
  v.VehicleType = kGoodsWagon;
  v.A_Write();
  const uint32_t train = NewTrain();
  TTrain& t = TrainByIndex(train);
  t.VBT_Type = kTrainRail;
  t.VehicleCount = 1;
  t.Vehicles[0] = v.Index;
  auto s = std::make_unique<TSchedule>();
  s->State = 1;
  s->Use = 1;
  s->HopFlag = 1;
  s->SharePercent = sharePercent;
  s->ScheduleStationCounter = static_cast<uint8_t>(std::min<size_t>(stations.size(), 20));
  for (int k = 0; k < s->ScheduleStationCounter; ++k) {
    s->Stops[k].Halt = 1;
    s->Stops[k].Station = stations[k];
    s->Stops[k].TimeToNext = ticksToNext;
  }
  s->ScheduleTrainCounter = 1;
  s->Trains[0] = train;
  // Schedules come with the lines the players lay out: the store's writer is used with the write
  // allowed.
  RecordDesc desc = kTScheduleDesc;
  desc.Ops |= kOpWrite;
  RecordWrite(desc, s.get());
  t.Schedule = s->Index;
  t.ScheduleState = kRouteSchedule;
  t.CurrentStop = 1;
  return s->Index;
}

TGoodswayEconomy BuildGoodswayEconomy(int industries, int markets) {
  SetGoodswayGoods();
  SetGoodsWagon();
  constexpr float kSpacing = 1200.0f;
  const int sites = std::max(0, industries) + std::max(0, markets);
  int columns = 1;
  while (columns * columns < sites) ++columns;
  TGoodswayEconomy world;
  std::vector<uint32_t> stations(static_cast<size_t>(sites));
  for (int k = 0; k < sites; ++k) {
    const TVector at{kOrigin.x + kSpacing * (k % columns), 0.0f, kOrigin.z + kSpacing * (k / columns)};
    // Markets are spread among the industries: every third site while there are both.
    const bool market = static_cast<int>(world.Markets.size()) < markets &&
                        (k % 3 == 2 || static_cast<int>(world.Industries.size()) >= industries);
    const TSite site = market ? MarketWithStation(at, {kTools})
                              : IndustryWithStation(world.Industries.size() % 2 == 0 ? kMine : kWorks, 10, at);
    (market ? world.Markets : world.Industries).push_back(site);
    if (market) SetMarketResidents(site.Industry, kMarketResidents);
    stations[k] = site.Station;
    ServeEverything(site.Station);
  }
  // Lines of four halts along each row and each column, every second site starting one.
  for (int k = 0; k < sites; k += 2) {
    std::vector<uint32_t> row, column;
    for (int j = 0; j < 4; ++j) {
      if (k % columns + j < columns && k + j < sites) row.push_back(stations[k + j]);
      if (k + j * columns < sites) column.push_back(stations[k + j * columns]);
    }
    for (const auto* halts : {&row, &column})
      if (halts->size() >= 2) world.Schedules.push_back(GoodsSchedule(*halts, 600, 50));
  }
  return world;
}

TSimpleEconomy BuildSimpleEconomy() {
  GameSettings.EconomyMode = 1;
  SetSampleGoods();
  sample_world::SetShuttleVehicleTypes();
  TVehicleCargo cargo;
  cargo.PassengerCapacity = 40;
  cargo.WeightCapacity = 100;
  cargo.VolumeCapacity = 100;
  cargo.GoodsTypes[0] = kPassengers;
  cargo.GoodsTypes[1] = kCoal;
  cargo.GoodsTypes[2] = kTools;
  cargo.SingleCargo = 1;
  SetVehicleCargo(VehicleTypes[sample_world::kShuttleWagon], cargo);

  TSimpleEconomy world;
  world.Line = sample_world::BuildShuttle(kOrigin, kWays, kWayLength, true);
  auto s = std::make_unique<TStation>();
  for (uint32_t station : world.Line.Stations) {
    s->A_Read(station);
    s->ServiceFlags |= kAllServices;
    s->A_Overwrite();
  }
  const float nearX = kOrigin.x, farX = kOrigin.x + kWays * kWayLength;
  world.Mine = IndustryWithStation(kMine, 10, {nearX - 50.0f, 0.0f, kOrigin.z - 800.0f});
  world.Works = IndustryWithStation(kWorks, 10, {farX + 50.0f, 0.0f, kOrigin.z - 800.0f});
  world.Market = MarketWithStation({farX + 50.0f, 0.0f, kOrigin.z + 800.0f});
  for (int k = 0; k < 2; ++k) world.Houses.push_back(HouseWith({nearX + 100.0f * k, 0.0f, kOrigin.z + 600.0f}, 1000));
  for (int k = 0; k < 5; ++k)
    world.Houses.push_back(HouseWith({farX - 200.0f + 100.0f * k, 0.0f, kOrigin.z + 600.0f}, 1000));
  return world;
}

namespace {

constexpr TVector kTownStreet[] = {{1000, 0, 2000}, {1500, 0, 2000}, {2000, 0, 2000},
                                   {2500, 0, 2000}, {2500, 0, 2500}, {2500, 0, 3000}};
constexpr uint16_t kPoorHouse = 1, kRichHouse = 2, kMarketHall = 3, kCompanyOffice = 4;
constexpr uint8_t kTownGround = 10;  // meadow
struct TTownHouse {
  uint16_t Type;
  TVector Position;
  int Road;  // 0-based in the street
};
constexpr TTownHouse kTownHouses[] = {
    {kPoorHouse, {1250, 0, 2060}, 0}, {kPoorHouse, {1750, 0, 2060}, 1}, {kPoorHouse, {2250, 0, 2060}, 2},
    {kRichHouse, {1250, 0, 1940}, 0}, {kRichHouse, {1750, 0, 1940}, 1}, {kPoorHouse, {2560, 0, 2250}, 3},
    {kPoorHouse, {2560, 0, 2750}, 4}};

uint32_t TownBuilding(uint16_t type, const TVector& position, uint32_t road) {
  TBuilding b{};
  b.A_Read(sample_world::PlaceHouse(type, position));
  b.Way = road;
  b.A_Overwrite();
  return b.Index;
}

uint32_t TownStation(const TVector& position) {
  auto s = std::make_unique<TStation>();
  s->Init(0, 1, position);
  s->A_Write();
  return s->Index;
}

}  // namespace

TTown BuildTown() {
  TTown town;
  CityCount = 1;
  Cities[1].Name = "Alderby";
  Cities[1].Position = {2000, 0, 2000};
  Cities[1].Era = 2;
  Cities[1].YearValue = 1900;
  const struct {
    uint16_t Type;
    uint8_t Kind, Class;
    int32_t Capacity;
  } types[] = {{kPoorHouse, kBuildingKindHouse, 0, 40}, {kRichHouse, kBuildingKindHouse, 1, 25},
               {kMarketHall, 10, 0, 0}, {kCompanyOffice, 5, 0, 0}};
  for (const auto& t : types) {
    TBuildingType& type = BuildingTypes[t.Type];
    // A 40 x 40 ground plan whose edge 1 (from its first corner to its second) faces a street.
    constexpr float kHalf = 20.0f;
    const TVector corners[4] = {{-kHalf, 0, -kHalf}, {-kHalf, 0, kHalf}, {kHalf, 0, kHalf}, {kHalf, 0, -kHalf}};
    for (int k = 1; k <= 4; ++k) SetBuildingTypeCorner(type, k, corners[k - 1]);
    SetBuildingTypeHeights(type, 0.0f, 15.0f);
    SetBuildingTypeUse(type, t.Kind);
    SetBuildingTypeClass(type, t.Class);
    SetBuildingTypeTown(type, {t.Capacity, 1900, 2100, kBuildingEraAny});
    TBuildingTypePlacement placement;
    placement.Fronts[0] = 1;
    SetBuildingTypePlacement(type, placement);
  }
  BuildingTypeCount = kCompanyOffice;
  CompanyBuildingType = kCompanyOffice;
  // Dry land all round; the town reaches 3,000 from its centre.
  std::memset(GroundMap, kTownGround, sizeof(GroundMap));
  Cities[1].Radius = 3000;
  // The town builds its street and houses; houses may stand on both sides of each road.
  ActPlayer = 0;
  ActCity = 1;
  town.Roads = sample_world::PlannedStreet(kTownStreet, static_cast<int>(std::size(kTownStreet)));
  TWay road{};
  for (uint32_t r : town.Roads) {
    road.A_Read(r);
    WaySideBits(road) = 1 | 2;
    road.A_Overwrite();
  }
  for (const TTownHouse& h : kTownHouses) TownBuilding(h.Type, h.Position, town.Roads[h.Road]);
  const uint32_t hall = TownBuilding(kMarketHall, {2250, 0, 1940}, town.Roads[2]);
  town.Market = sample_world::MarketOf(hall, TownStation({2250, 0, 1900}));
  SetIndustryTypeCapacity(IndustryTypes[1], 50);
  auto industry = std::make_unique<TIndustry>();
  *industry = TIndustry{};
  industry->IndustryType = 1;
  industry->City = 1;
  industry->Size = 100;
  industry->Station = TownStation({3000, 0, 3000});
  industry->A_Write();
  town.Industry = industry->Index;
  // Player 1's company building.
  ActPlayer = 1;
  ActCity = 0;
  town.Company = TownBuilding(kCompanyOffice, {2440, 0, 2750}, town.Roads[4]);
  Players[1].Finances[0].Balance = 3000000.0L;
  CompletePlannedConstructions(0, 0, false);
  return town;
}

TTransferEconomy BuildTransferEconomy() {
  constexpr float kTransferDistance = 2000.0f;
  SetGoodswayGoods();
  TRecipe maker{};
  maker.Output = kTools;
  SetRecipe(3, maker);
  const uint8_t three[] = {3};
  SetIndustryTypeRecipes(IndustryTypes[kToolMaker], 1, three);
  SetIndustryTypeInterval(IndustryTypes[kToolMaker], kProductionInterval);
  SetIndustryTypeCostFactor(IndustryTypes[kToolMaker], 1.0f);
  TTransferEconomy world;
  world.Maker = IndustryWithStation(kToolMaker, 10, kOrigin);
  world.Market = MarketWithStation({kOrigin.x + kTransferDistance, kOrigin.y, kOrigin.z}, {kTools});
  SetMarketResidents(world.Market.Industry, kMarketResidents);
  for (const uint32_t station : {world.Maker.Station, world.Market.Station}) ServeEverything(station);
  return world;
}

}  // namespace sample_economy
