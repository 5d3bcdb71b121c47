#include "tools/sample_economy.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>

#include "economy/goods/goodsentries.h"
#include "economy/goods/goodstypes.h"
#include "economy/goods/handling.h"
#include "economy/step/plans.h"
#include "economy/town/passengers.h"
#include "engine/base/diagnostics.h"
#include "engine/world/building.h"
#include "network/construction/buildings.h"
#include "network/construction/connects.h"
#include "network/construction/curveline.h"
#include "network/construction/limits.h"
#include "network/construction/stationtracks.h"
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

// The shuttles' vehicle types, the wagon carrying 40 passengers and 100 of goods of the types.
void SetShuttleWagonCargo(std::initializer_list<uint8_t> goodTypes) {
  sample_world::SetShuttleVehicleTypes();
  TVehicleCargo cargo;
  cargo.PassengerCapacity = 40;
  cargo.WeightCapacity = 100;
  cargo.VolumeCapacity = 100;
  int k = 0;
  for (const uint8_t t : goodTypes) cargo.GoodsTypes[k++] = t;
  cargo.SingleCargo = 1;
  SetVehicleCargo(VehicleTypes[sample_world::kShuttleWagon], cargo);
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
  SetShuttleWagonCargo({kPassengers, kCoal, kTools});

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

constexpr int32_t kTownRadius = 3000;

// Town City named Name at Position, of era 2, whose house types from 1900 on suit it.
void FoundTown(uint8_t city, const char* name, const TVector& position) {
  Cities[city].Name = name;
  Cities[city].Position = position;
  Cities[city].Era = 2;
  Cities[city].YearValue = 1900;
}

// Row Type of BuildingTypes becomes a town building of the kind, wealth class and capacity (from
// 1900 to 2100, any era): a 40 x 40 ground plan, 15 high, whose edge 1 (from its first corner to
// its second) faces a street.
void SetTownBuildingType(uint16_t typeIndex, uint8_t kind, uint8_t wealthClass, int32_t capacity) {
  TBuildingType& type = BuildingTypes[typeIndex];
  constexpr float kHalf = 20.0f;
  const TVector corners[4] = {{-kHalf, 0, -kHalf}, {-kHalf, 0, kHalf}, {kHalf, 0, kHalf}, {kHalf, 0, -kHalf}};
  for (int k = 1; k <= 4; ++k) SetBuildingTypeCorner(type, k, corners[k - 1]);
  SetBuildingTypeHeights(type, 0.0f, 15.0f);
  SetBuildingTypeUse(type, kind);
  SetBuildingTypeClass(type, wealthClass);
  SetBuildingTypeTown(type, {capacity, 1900, 2100, kBuildingEraAny});
  TBuildingTypePlacement placement;
  placement.Fronts[0] = 1;
  SetBuildingTypePlacement(type, placement);
}

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
  FoundTown(1, "Alderby", {2000, 0, 2000});
  const struct {
    uint16_t Type;
    uint8_t Kind, Class;
    int32_t Capacity;
  } types[] = {{kPoorHouse, kBuildingKindHouse, 0, 40}, {kRichHouse, kBuildingKindHouse, 1, 25},
               {kMarketHall, 10, 0, 0}, {kCompanyOffice, 5, 0, 0}};
  for (const auto& t : types) SetTownBuildingType(t.Type, t.Kind, t.Class, t.Capacity);
  BuildingTypeCount = kCompanyOffice;
  CompanyBuildingType = kCompanyOffice;
  // Dry land all round; the town reaches 3,000 from its centre.
  std::memset(GroundMap, kTownGround, sizeof(GroundMap));
  Cities[1].Radius = kTownRadius;
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

namespace {

// The rail line's building types beside the towns' houses (kPoorHouse, 80 inhabitants each).
constexpr uint16_t kPlatformType = 5, kStationBuildingType = 6, kRailDepotType = 7;
constexpr int32_t kLineHouseCapacity = 80;
// The line runs along +x at z 1000 from the outer end of the first station track to the outer end
// of the second; each town's street runs 200 north of its station, two roads of 300.
constexpr float kLineZ = 1000.0f, kLineFrom = 1000.0f, kTrackLength = 400.0f, kLinePiece = 400.0f;
constexpr int kLinePieces = 8;
constexpr float kStreetZ = kLineZ + 200.0f, kRoadLength = 300.0f;
constexpr float kHouseSetBack = 60.0f;  // house centres from the street's centre line
constexpr struct {
  const char* Name;
  float StreetFrom;
} kLineTowns[2] = {{"Alderby", 900.0f}, {"Bramwick", 4500.0f}};

void Require(const TConstructResult& r, const std::string& what) {
  if (!r.Ok()) SYS_BREAKPROGRAM("BuildRailLine: " + what + " was refused (" + r.Elements() + ")");
}

// The rail connect at x on the line: the stored one there, or a new one.
TMetaconnect LinePoint(float x) {
  TMetaconnect m{};
  TConstructResult r = TConstructResult::Success();
  FindOrCreateConnect(kWaytypeRail, {x, 0.0f, kLineZ}, m, r);
  Require(r, "the rail point at x " + std::to_string(x));
  return m;
}

// The platform and station building types (station kind), and a rail depot whose access way runs
// 100 along its +z axis from its anchor at the origin: the building, 80 wide and 100 deep, stands
// beyond the way's end; type node 1 leads in to the capture node 5, 5 to 6, the exit, and 6 out to
// type node 2.
void SetRailLineBuildingTypes() {
  TBuildingType& platform = BuildingTypes[kPlatformType];
  SetBuildingTypeUse(platform, kBuildingKindStation);
  SetBuildingTypePrice(platform, 500);
  SpecialBuildingTypes[kPlatformTypeEntry] = kPlatformType;

  TBuildingType& hall = BuildingTypes[kStationBuildingType];
  SetBuildingTypeUse(hall, kBuildingKindStation);
  SetBuildingTypePrice(hall, 5000);
  SetBuildingTypeReferencePoint(hall, 1, {0, 0, 0});
  SetBuildingTypeReferencePoint(hall, 2, {100, 0, 0});
  const TVector hallCorners[4] = {{0, 0, 10}, {100, 0, 10}, {100, 0, 50}, {0, 0, 50}};
  for (int k = 1; k <= 4; ++k) SetBuildingTypeCorner(hall, k, hallCorners[k - 1]);
  SetBuildingTypeHeights(hall, 0.0f, 20.0f);
  SpecialBuildingTypes[kStationBuildingTypeEntry] = kStationBuildingType;

  constexpr float kAccess = 100.0f;
  TBuildingType& depot = BuildingTypes[kRailDepotType];
  SetBuildingTypeFileName(depot, "RAILDEPOT.BIF");
  SetBuildingTypeUse(depot, kBuildingKindDepot);
  SetBuildingTypeWayUse(depot, kWaytypeRail);
  SetBuildingTypePrice(depot, 20000);
  SetBuildingTypeAccess(depot, {0, 0, 0}, {0, 0, kAccess});
  const TVector depotCorners[4] = {{-40, 0, kAccess}, {40, 0, kAccess}, {40, 0, kAccess + 100}, {-40, 0, kAccess + 100}};
  for (int k = 1; k <= 4; ++k) SetBuildingTypeCorner(depot, k, depotCorners[k - 1]);
  SetBuildingTypeHeights(depot, 0.0f, 30.0f);
  const struct {
    int Node;
    float Z;
    uint8_t Next;
  } nodes[] = {{1, kAccess, 5}, {5, kAccess + 20, 6}, {6, kAccess + 80, 2}};
  for (const auto& n : nodes) {
    TBuildingTypeNode node;
    node.Position = {0, 0, n.Z};
    node.Next[0] = n.Next;
    SetBuildingTypeNode(depot, n.Node, node);
  }
  SetBuildingTypeDepot(depot, {.CaptureNode = 5, .ExitNode = 6, .Nirvana = 0});
}

// A station track of the rail line from x0 to x1, founding its station; its way.
uint32_t LineStationTrack(TCurveline& curve, float x0, float x1) {
  TConstructResult r = TConstructResult::Success();
  ConstructRailStationTrack(curve, LinePoint(x0), LinePoint(x1), 0, 1, r);
  Require(r, "the station track at x " + std::to_string(x0));
  return curve.Pieces[1].Way.Index;
}

}  // namespace

TRailLine BuildRailLine() {
  SetGoodswayGoods();
  std::memset(GroundMap, kTownGround, sizeof(GroundMap));
  CityCount = 2;
  for (uint8_t c = 1; c <= 2; ++c) {
    const float middle = kLineTowns[c - 1].StreetFrom + kRoadLength;
    FoundTown(c, kLineTowns[c - 1].Name, {middle, 0.0f, kStreetZ});
    Cities[c].Radius = kTownRadius;
  }
  SetTownBuildingType(kPoorHouse, kBuildingKindHouse, 0, kLineHouseCapacity);
  SetRailLineBuildingTypes();
  BuildingTypeCount = static_cast<uint8_t>(std::max<int>(BuildingTypeCount, kRailDepotType));

  // The player's line: a station track at each end, the line between them, both finished at once.
  ActPlayer = 1;
  ActCity = 0;
  auto curve = NewCurveline();
  TRailLine line;
  line.Ways.push_back(LineStationTrack(*curve, kLineFrom, kLineFrom + kTrackLength));
  for (int k = 0; k < kLinePieces; ++k) {
    const float x0 = kLineFrom + kTrackLength + kLinePiece * static_cast<float>(k);
    TMetaconnect a = LinePoint(x0), b = LinePoint(x0 + kLinePiece);
    line.Ways.push_back(sample_world::RailWay(a, b));
  }
  const float farTrack = kLineFrom + kTrackLength + kLinePiece * kLinePieces;
  line.Ways.push_back(LineStationTrack(*curve, farTrack, farTrack + kTrackLength));
  // A station building beside each station, north of its platforms; a depot at the line's start.
  auto station = std::make_unique<TStation>();
  for (int e = 0; e < 2; ++e) {
    TWay track{};
    track.A_Read(e == 0 ? line.Ways.front() : line.Ways.back());
    line.Stations[e] = track.Station;
    station->A_Read(track.Station);
    const float x = (e == 0 ? kLineFrom : farTrack) + 100.0f;
    TConstructResult r = TConstructResult::Success();
    ConstructStationBuilding(*curve, {x, 0.0f, kLineZ + 40.0f}, {x + 100.0f, 0.0f, kLineZ + 40.0f}, *station, {}, 1,
                             r);
    Require(r, "the station building of station " + std::to_string(line.Stations[e]));
    ServeEverything(line.Stations[e]);
  }
  TConstructResult r = TConstructResult::Success();
  ConstructWayedBuilding(kRailDepotType, LinePoint(kLineFrom), {}, *curve, 1, r);
  Require(r, "the depot");
  for (uint32_t i = FindInArrayerOA(kARTypeDepot, 0); i != 0; i = FindInArrayerOA(kARTypeDepot, i)) line.Depot = i;

  // Each town's street north of its station, houses on both sides of both roads, and the people
  // who will move in.
  ActPlayer = 0;
  for (uint8_t c = 1; c <= 2; ++c) {
    ActCity = c;
    const float from = kLineTowns[c - 1].StreetFrom;
    const TVector points[3] = {{from, 0, kStreetZ}, {from + kRoadLength, 0, kStreetZ}, {from + 2 * kRoadLength, 0, kStreetZ}};
    const std::vector<uint32_t> roads = sample_world::PlannedStreet(points, 3);
    TWay road{};
    for (size_t k = 0; k < roads.size(); ++k) {
      road.A_Read(roads[k]);
      WaySideBits(road) = 1 | 2;
      road.A_Overwrite();
      for (const float side : {kHouseSetBack, -kHouseSetBack}) {
        for (const float along : {50.0f, 150.0f, 250.0f}) {
          const TVector at{from + kRoadLength * static_cast<float>(k) + along, 0.0f, kStreetZ + side};
          line.Houses.push_back(TownBuilding(kPoorHouse, at, roads[k]));
          Cities[c].Waiting[0] += kLineHouseCapacity;
        }
      }
    }
  }
  ActPlayer = 1;
  ActCity = 0;
  CompletePlannedConstructions(0, 0, true);

  // The shuttles' train, its wagon carrying passengers, on the first way of the line, calling at
  // both stations; the stations learn the schedule's stretches.
  SetShuttleWagonCargo({kPassengers});
  line.Train = sample_world::ShuttleTrainOn(line.Ways[1], kLinePiece);
  line.Schedule = sample_world::ScheduleOf({line.Stations[0], line.Stations[1]}, {line.Train});
  // Half of each stop's ride counts as its passengers' ride time, which they pay for.
  auto schedule = std::make_unique<TSchedule>();
  schedule->A_Read(line.Schedule);
  schedule->SharePercent = 50;
  schedule->A_ReWrite();
  AddStationStretches(line.Schedule);
  return line;
}

}  // namespace sample_economy
