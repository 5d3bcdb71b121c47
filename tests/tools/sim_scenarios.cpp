#include "tests/tools/sim_scenarios.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "economy/goods/driver.h"
#include "economy/goods/goodsentries.h"
#include "economy/goods/goodstypes.h"
#include "economy/goods/handling.h"
#include "economy/goods/records.h"
#include "economy/step/plans.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "economy/town/development.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "engine/store/trainpool.h"
#include "platform/platform.h"
#include "network/track/paths.h"
#include "tools/path_check.h"
#include "engine/store/recordstore.h"
#include "engine/world/hooks.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "network/construction/buildings.h"
#include "network/construction/crossings.h"
#include "network/construction/routers.h"
#include "network/construction/signals.h"
#include "network/track/trackfields.h"
#include "network/vehicles/stops.h"
#include "network/world/animals.h"
#include "network/world/citytraffic.h"
#include "network/vehicles/traffic.h"
#include "tools/sample_economy.h"
#include "tools/sample_world.h"

namespace {

// A whole number from min to max, the whole text.
bool ReadWhole(const std::string& text, long min, long max, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return end != text.c_str() && *end == '\0' && value >= min && value <= max;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

bool Reset() {
  if (ResetSimulationWorld()) return true;
  std::fprintf(stderr, "sim_driver: the record store could not be allocated\n");
  return false;
}

std::string List(const std::vector<uint32_t>& values) {
  if (values.empty()) return "-";
  std::string text;
  for (uint32_t v : values) text += (text.empty() ? "" : ",") + std::to_string(v);
  return text;
}

// A node's links: at most the two it holds.
std::string Links(const uint32_t* links, uint8_t count) { return List({links, links + std::min<int>(count, 2)}); }

int BlockCount() {
  int n = 0;
  for (uint32_t b = FindInArrayerRest(kARTypeBlock, 0); b != 0; b = FindInArrayerRest(kARTypeBlock, b)) ++n;
  return n;
}

void PrintFloat(const std::string& key, float value) {
  std::printf("%s=%.3f\n", key.c_str(), static_cast<double>(value));
}

// The loop of the signals scenario: six ways round a rectangle, the pairs at two opposite
// connects, the trains on the first lane of two ways.
constexpr TVector kLoop[] = {{1000, 0, 1000}, {2000, 0, 1000}, {3000, 0, 1000},
                             {3000, 0, 2000}, {2000, 0, 2000}, {1000, 0, 2000}};
constexpr int kLoopPoints = 6;
constexpr int kPairAt[] = {1, 4};
constexpr int kTrainOn[] = {0, 5};

// The shuttle scenario: a straight line of four rail ways 500 long, a station at each end, a
// schedule calling at both and a train of two vehicles. Its dead-end turns are seen by watching
// the step's move of the train: a train that stood with its timer set at a dead end and stands on
// another node after its move has turned. The warnings are counted as they reach the debugger.
constexpr TVector kShuttleOrigin{1000.0f, 0.0f, 1000.0f};
constexpr int kShuttleWays = 4;
constexpr float kShuttleWayLength = 500.0f;

struct TTurnSeen {
  uint32_t Tick;
  uint32_t Node;
  bool FarEnd;
};
std::vector<TTurnSeen> g_turns;
bool (*g_moveOn)(TTrain&) = nullptr;
uint32_t g_warnings = 0;

bool WatchedMoveOn(TTrain& t) {
  const bool waiting = t.State == kTrainStanding && t.Timer != 0;
  const uint32_t train = t.Index, node = t.CurrentNode;
  const bool moved = g_moveOn(t);
  if (waiting && IsTrainUsed(train) && t.Timer == 0 && t.CurrentNode != node) {
    const float middle = kShuttleOrigin.x + kShuttleWays * kShuttleWayLength / 2.0f;
    g_turns.push_back({GameTime, t.CurrentNode, NodeByIndex(t.CurrentNode).Position.x > middle});
  }
  return moved;
}

void CountWarnings(const std::string& line) {
  if (line.rfind("Warning: ", 0) == 0) ++g_warnings;
}

// The shuttle's goods, in the simple economy: its wagon carries 100 of coal (one unit weighs and
// fills 1), both stations accept coal and hold a batch of it made there. The revenue each station
// books is summed as the train unloads there.
constexpr uint8_t kShuttleCoal = 1;
constexpr int32_t kShuttleWagonRoom = 100, kShuttleStock = 1000;
uint32_t g_shuttleStations[2] = {};
float g_shuttleRevenue[2] = {};

void UnloadAndCount(bool unloadAll, uint8_t onlyType, uint8_t stopNumber, uint32_t (&goods)[kVehicleGoodsRoom],
                    uint8_t& goodsCount, uint32_t station, uint16_t vehicleType, uint8_t vbtType, uint32_t& keptWeight,
                    uint32_t& keptVolume, uint32_t& keptPassengers, uint32_t& handlingTime, float& goodsRevenue,
                    float& passengerRevenue) {
  const float before = goodsRevenue + passengerRevenue;
  UnloadGoods(unloadAll, onlyType, stopNumber, goods, goodsCount, station, vehicleType, vbtType, keptWeight,
              keptVolume, keptPassengers, handlingTime, goodsRevenue, passengerRevenue);
  for (int end = 0; end < 2; ++end)
    if (station == g_shuttleStations[end]) g_shuttleRevenue[end] += goodsRevenue + passengerRevenue - before;
}

void StockShuttle(const sample_world::TShuttle& line) {
  GameSettings.EconomyMode = 1;
  sample_economy::SetSampleGoods();
  GoodsTypeCount = std::max(GoodsTypeCount, kShuttleCoal);
  TGoodsType coal{};
  SetGoodsInfoKind(coal, kGoodsKindGoods);
  coal.WeightPerUnit = 1;
  coal.VolumePerUnit = 1;
  coal.TransportFactor = 1.0f;
  coal.MaxAge = 100000;
  SetGoodsType(kShuttleCoal, coal);
  TVehicleCargo cargo;
  cargo.WeightCapacity = kShuttleWagonRoom;
  cargo.VolumeCapacity = kShuttleWagonRoom;
  cargo.GoodsTypes[0] = kShuttleCoal;
  SetVehicleCargo(VehicleTypes[sample_world::kShuttleWagon], cargo);
  for (int end = 0; end < 2; ++end) {
    const uint32_t index = line.Stations[end];
    g_shuttleStations[end] = index;
    g_shuttleRevenue[end] = 0.0f;
    TGood g{};
    g.GoodType = kShuttleCoal;
    g.GoodAmount = kShuttleStock;
    g.Goodsway = index;  // made here
    g.GoodStartTime = GameTime;
    g.A_Write();
    auto s = std::make_unique<TStation>();
    s->A_Read(index);
    TStationGoods e{};
    e.GoodType = kShuttleCoal;
    e.Flags = kStationGoodsAccepted | kStationGoodsSupplied;
    SetStationGoods(*s, s->StationGoodsCounter++, e);
    s->GoodsOut[s->StationOutGoodsCounter++] = g.Index;
    // Goods are loaded and unloaded there, and works beside it take coal: the station goods
    // process keeps coal accepted and supplied.
    s->ServiceFlags |= 1 | 2 | 4;
    s->A_ReWrite();
    sample_economy::IndustryWithStation(sample_economy::kWorks, 10,
                                        {s->Position.x, s->Position.y, s->Position.z - 800.0f});
  }
  stop_hooks::UnloadGoods = UnloadAndCount;
}

sample_world::TShuttle StartShuttle() {
  sample_world::SetShuttleVehicleTypes();
  const sample_world::TShuttle line =
      sample_world::BuildShuttle(kShuttleOrigin, kShuttleWays, kShuttleWayLength, true);
  StockShuttle(line);
  g_turns.clear();
  g_warnings = 0;
  g_moveOn = step_hooks::MoveOn;
  step_hooks::MoveOn = WatchedMoveOn;
  platform::SetDebuggerSink(CountWarnings);
  return line;
}

void PrintShuttle(const sample_world::TShuttle& line) {
  step_hooks::MoveOn = g_moveOn;
  platform::SetDebuggerSink(nullptr);
  int ends[2] = {0, 0};
  for (size_t i = 0; i < g_turns.size(); ++i) {
    const TTurnSeen& turn = g_turns[i];
    const std::string key = "turn" + std::to_string(i + 1);
    std::printf("%s.tick=%u\n%s.end=%s\n%s.node=%u\n", key.c_str(), turn.Tick, key.c_str(),
                turn.FarEnd ? "far" : "near", key.c_str(), turn.Node);
    ++ends[turn.FarEnd ? 1 : 0];
  }
  std::printf("turns.near=%d\nturns.far=%d\n", ends[0], ends[1]);
  PrintFloat("revenue.near", g_shuttleRevenue[0]);
  PrintFloat("revenue.far", g_shuttleRevenue[1]);
  if (IsTrainUsed(line.Train)) {
    const TTrain& t = TrainByIndex(line.Train);
    std::printf("train.state=%u\ntrain.node=%u\n", t.State, t.CurrentNode);
    PrintFloat("train.speed", t.Speed);
    PrintFloat("train.revenue", t.RevenueThisYear);
  } else {
    std::printf("train.state=gone\n");
  }
  const TYearFinance& year = Players[1].Finances[0];
  PrintFloat("costs.purchases", year.RailStats[kFinanceVehiclePurchaseStat]);
  PrintFloat("costs.monthly", year.RailStats[kFinanceVehicleMonthlyStat]);
  PrintFloat("costs.distance", year.RailStats[kFinanceVehicleDistanceStat]);
  std::printf("warnings=%u\n", g_warnings);
}

// The simple-economy scenario: the passenger batches the stations make are counted by their
// origin and start tick (a batch split on loading keeps both).
std::set<std::pair<uint32_t, uint32_t>> g_passengerBatches;

void NotePassengerBatches() {
  TGood g{};
  for (uint32_t i = FindInArrayerRest(kARTypeGood, 0); i != 0; i = FindInArrayerRest(kARTypeGood, i)) {
    g.A_Read(i);
    if (g.GoodType == PsgrGoodType) g_passengerBatches.insert({g.Goodsway, g.GoodStartTime});
  }
}

// What the industries hand out (their production of the interval) and the goods units (not
// passengers) that leave the vehicles at stations are summed as they happen.
double g_goodsCreated = 0.0;
int64_t g_goodsDelivered = 0;
void (*g_createGoodsStep)(TPPCreateGoods&) = nullptr;
decltype(stop_hooks::UnloadGoods) g_unloadGoods = nullptr;

void CountingCreateGoodsStep(TPPCreateGoods& p) {
  const bool handingOut = p.Phase == 2;
  double production = 0.0;
  if (handingOut) {
    auto i = std::make_unique<TIndustry>();
    i->A_Read(p.IndustryCursor);
    for (int k = 0; k < std::min<int>(i->IndustryPCOutputCounter, kIndustryProductionRoom); ++k)
      production += IndustryProduction(*i, k).Production;
  }
  g_createGoodsStep(p);
  if (handingOut && p.Phase == 3) g_goodsCreated += production;
}

// The units of the kind (goods or passengers) aboard.
int64_t UnitsAboard(const uint32_t (&goods)[kVehicleGoodsRoom], uint8_t count, uint8_t kind) {
  int64_t units = 0;
  for (int k = 0; k < std::min<int>(count, kVehicleGoodsRoom); ++k) {
    if (goods[k] == 0) continue;
    const TGood g = StoredRecord<TGood>(goods[k]);
    if (GoodsInfoKind(g.GoodType) == kind) units += g.GoodAmount;
  }
  return units;
}

// The passengers that leave the vehicles at stations and the revenue the unloading books.
int64_t g_passengersCarried = 0;
double g_revenueBooked = 0.0;

void CountingUnloadGoods(bool unloadAll, uint8_t onlyType, uint8_t stopNumber, uint32_t (&goods)[kVehicleGoodsRoom],
                         uint8_t& goodsCount, uint32_t station, uint16_t vehicleType, uint8_t vbtType,
                         uint32_t& keptWeight, uint32_t& keptVolume, uint32_t& keptPassengers, uint32_t& handlingTime,
                         float& goodsRevenue, float& passengerRevenue) {
  const int64_t goodsBefore = UnitsAboard(goods, goodsCount, kGoodsKindGoods);
  const int64_t passengersBefore = UnitsAboard(goods, goodsCount, kGoodsKindPassengers);
  const float revenueBefore = goodsRevenue + passengerRevenue;
  g_unloadGoods(unloadAll, onlyType, stopNumber, goods, goodsCount, station, vehicleType, vbtType, keptWeight,
                keptVolume, keptPassengers, handlingTime, goodsRevenue, passengerRevenue);
  g_goodsDelivered += goodsBefore - UnitsAboard(goods, goodsCount, kGoodsKindGoods);
  g_passengersCarried += passengersBefore - UnitsAboard(goods, goodsCount, kGoodsKindPassengers);
  g_revenueBooked += goodsRevenue + passengerRevenue - revenueBefore;
}

void CountGoods() {
  g_goodsCreated = 0.0;
  g_goodsDelivered = 0;
  g_passengersCarried = 0;
  g_revenueBooked = 0.0;
  g_createGoodsStep = goods_process_hooks::CreateGoodsStep;
  goods_process_hooks::CreateGoodsStep = CountingCreateGoodsStep;
  g_unloadGoods = stop_hooks::UnloadGoods;
  stop_hooks::UnloadGoods = CountingUnloadGoods;
}

void StopCountingGoods() {
  goods_process_hooks::CreateGoodsStep = g_createGoodsStep;
  stop_hooks::UnloadGoods = g_unloadGoods;
}

void PrintStationGoods(const std::string& key, uint32_t index) {
  auto s = std::make_unique<TStation>();
  s->A_Read(index);
  std::printf("%s.production=%d\n%s.out_goods=%u\n%s.goods=%u\n", key.c_str(), s->PassengerProduction, key.c_str(),
              s->StationOutGoodsCounter, key.c_str(), s->StationGoodsCounter);
  for (int k = 0; k < std::min<int>(s->StationGoodsCounter, kStationGoodsRoom); ++k) {
    const TStationGoods e = StationGoods(*s, k);
    const std::string entry = key + ".goods" + std::to_string(k + 1);
    std::printf("%s.type=%u\n%s.flags=%u\n%s.waiting=%u\n", entry.c_str(), e.GoodType, entry.c_str(), e.Flags,
                entry.c_str(), e.Waiting);
    PrintFloat(entry + ".rating", e.Rating);
    PrintFloat(entry + ".accumulated", e.Accumulated);
  }
}

// The ambient scenario: the town's cars on the streets and the animals by kind.
void PrintAmbient() {
  int flyers = 0, others = 0;
  for (uint32_t k = 1; k <= std::min<uint32_t>(AnimalCount, kAnimalSlots); ++k)
    (Animals[k].Kind == kAnimalFlyer ? flyers : others) += 1;
  std::printf("cars=%u\ncars.target=%u\nanimals=%d\nflyers=%d\n", CarList.Count, CarList.Target, others, flyers);
}

// The transfer scenario: the tools batches in the market station's in-goods after a tick, by index
// with their start tick and amount; one gone at the next tick was delivered there.
struct TWaitingBatch {
  uint32_t Start;
  int32_t Amount;
};
std::map<uint32_t, TWaitingBatch> g_atMarket;
int64_t g_transferDelivered = 0;
// Every batch seen so far (index and start tick) and the units they held when first seen: without
// vehicles no batch is split, so that is what the industry made.
std::set<std::pair<uint32_t, uint32_t>> g_batchesSeen;
int64_t g_transferCreated = 0;

void NoteMarketDeliveries(uint32_t station) {
  TGood seen{};
  for (uint32_t i = FindInArrayerRest(kARTypeGood, 0); i != 0; i = FindInArrayerRest(kARTypeGood, i)) {
    seen.A_Read(i);
    if (g_batchesSeen.insert({i, seen.GoodStartTime}).second) g_transferCreated += seen.GoodAmount;
  }
  for (const auto& [index, batch] : g_atMarket) {
    const bool gone = !ArrayerHolds(kTGoodDesc, index) || StoredRecord<TGood>(index).GoodStartTime != batch.Start;
    if (gone) g_transferDelivered += batch.Amount;
  }
  g_atMarket.clear();
  auto s = std::make_unique<TStation>();
  s->A_Read(station);
  for (int k = 0; k < std::min<int>(s->StationInGoodsCounter, kStationListRoom); ++k) {
    const TGood g = StoredRecord<TGood>(s->GoodsIn[k]);
    g_atMarket[s->GoodsIn[k]] = {g.GoodStartTime, g.GoodAmount};
  }
}

void PrintTransferEconomy() {
  int ways = 0;
  for (uint32_t i = FindInArrayerRest(kARTypeGoodsway, 0); i != 0; i = FindInArrayerRest(kARTypeGoodsway, i)) ++ways;
  std::printf("goods_ways=%d\n", ways);
  std::printf("goods_created=%lld\ngoods_delivered=%lld\n", static_cast<long long>(g_transferCreated),
              static_cast<long long>(g_transferDelivered));
}

void PrintSimpleEconomy(const sample_economy::TSimpleEconomy& world) {
  StopCountingGoods();
  std::printf("passenger_batches=%zu\n", g_passengerBatches.size());
  std::printf("goods_created=%.3f\ngoods_delivered=%lld\n", g_goodsCreated, static_cast<long long>(g_goodsDelivered));
  PrintStationGoods("near", world.Line.Stations[0]);
  PrintStationGoods("far", world.Line.Stations[1]);
  for (const auto& [key, site] : {std::pair{"mine", world.Mine}, std::pair{"works", world.Works}}) {
    auto i = std::make_unique<TIndustry>();
    i->A_Read(site.Industry);
    std::printf("%s.resize=%u\n%s.stations=%u\n", key, i->ResizeState, key, i->IndustryOutputCounter);
  }
  std::printf("status=%s\n", ProcessStatus[0].str().c_str());
}

// The rail-line scenario: the passengers the train set down, the revenue booked for them and the
// longest tick of the run (which differs from run to run).
void PrintRailLine(double longestTick) {
  StopCountingGoods();
  std::printf("passengers.carried=%lld\n", static_cast<long long>(g_passengersCarried));
  std::printf("revenue=%.3f\n", g_revenueBooked);
  std::printf("longest_tick_ms=%.3f\n", longestTick);
}

void PrintTown(const sample_economy::TTown& town) {
  const TCity& city = Cities[1];
  int64_t population = 0, waiting = 0;
  for (int k = 0; k < 6; ++k) {
    population += city.Population[k];
    waiting += city.Waiting[k];
  }
  std::printf("town.population=%lld\ntown.waiting=%lld\n", static_cast<long long>(population),
              static_cast<long long>(waiting));
  std::vector<uint32_t> wishes;
  for (int t = 1; t <= 255; ++t)
    if (CityWishes(city, static_cast<uint8_t>(t))) wishes.push_back(static_cast<uint32_t>(t));
  std::printf("town.wishes=%s\n", List(wishes).c_str());
  int buildings = 0, finished = 0, placed = 0;
  int64_t inhabitants = 0;
  TBuilding b{};
  for (uint32_t i = FindInArrayerBW(kARTypeBuilding, 0); i != 0; i = FindInArrayerBW(kARTypeBuilding, i)) {
    b.A_Read(i);
    ++buildings;
    if (b.State == 2) ++finished;
    // The town's own placement stands its buildings on a street side.
    if (b.Owner == 0 && b.Side != 0) ++placed;
    inhabitants += BuildingInhabitants(b);
  }
  std::printf("buildings=%d\nbuildings.finished=%d\nhouses.inhabitants=%lld\n", buildings, finished,
              static_cast<long long>(inhabitants));
  std::printf("town.placed=%d\n", placed);
  // Pairs of buildings whose ground plans overlap.
  std::vector<std::array<TVector, 4>> plans;
  for (uint32_t i = FindInArrayerBW(kARTypeBuilding, 0); i != 0; i = FindInArrayerBW(kARTypeBuilding, i)) {
    b.A_Read(i);
    plans.push_back({b.Corners[0], b.Corners[1], b.Corners[2], b.Corners[3]});
  }
  int overlapping = 0;
  for (size_t i = 0; i < plans.size(); ++i) {
    for (size_t j = i + 1; j < plans.size(); ++j) {
      TVector a[4], c[4];
      for (int k = 0; k < 4; ++k) {
        a[k] = plans[i][k];
        c[k] = plans[j][k];
      }
      if (QuadsOverlap(a, c)) ++overlapping;
    }
  }
  std::printf("buildings.overlapping=%d\n", overlapping);
  int roadsFinished = 0, roadsServed = 0;
  TWay w{};
  for (uint32_t road : town.Roads) {
    w.A_Read(road);
    if (w.State == 2) ++roadsFinished;
    if (w.Market == town.Market) ++roadsServed;
  }
  std::printf("roads=%zu\nroads.finished=%d\nroads.market=%d\n", town.Roads.size(), roadsFinished, roadsServed);
  auto market = std::make_unique<TMarket>();
  market->A_Read(town.Market);
  int64_t residents = 0;
  for (int k = 0; k < 6; ++k) residents += market->LastResidents[k];
  std::printf("market.residents=%lld\n", static_cast<long long>(residents));
  b.A_Read(town.Company);
  std::printf("company.level=%d\n", b.ScriptVars[0]);
  auto industry = std::make_unique<TIndustry>();
  industry->A_Read(town.Industry);
  std::printf("industry.production=%d\n", industry->Size);
}

}  // namespace

int SignalScenario(const std::vector<std::string>& args) {
  if (!args.empty()) return 2;
  if (!Reset()) return 1;
  std::vector<uint32_t> connects;
  const std::vector<uint32_t> ways = sample_world::RailTrack(kLoop, kLoopPoints, true, &connects);
  std::printf("ways=%zu\n", ways.size());
  for (int w : kTrainOn) sample_world::RailTrainOn(ways[w], 0);
  for (int k = 0; k < 2; ++k) {
    TConstructResult r{};
    PlaceSignal(kLoop[kPairAt[k]], r);
    std::printf("pair%d.result=%s\n", k + 1, r.Elements().c_str());
    std::printf("pair%d.blocks=%d\n", k + 1, BlockCount());
  }
  TBlock b{};
  for (uint32_t i = FindInArrayerRest(kARTypeBlock, 0); i != 0; i = FindInArrayerRest(kARTypeBlock, i)) {
    b.A_Read(i);
    std::vector<uint32_t> in;
    TWay w{};
    for (uint32_t way : ways) {
      w.A_Read(way);
      if (w.Block == i) in.push_back(way);
    }
    const std::string key = "block" + std::to_string(i);
    std::printf("%s.ways=%s\n", key.c_str(), List(in).c_str());
    std::printf("%s.trains=%s\n", key.c_str(), List({b.Trains, b.Trains + b.TrainCount}).c_str());
    std::printf("%s.insignals=%s\n", key.c_str(), List({b.InSignals, b.InSignals + b.Insignalcounter}).c_str());
  }
  std::printf("blocks=%d\n", BlockCount());
  int signals = 0;
  TSignal s{};
  for (uint32_t i = FindInArrayerOA(kARTypeSignal, 0); i != 0; i = FindInArrayerOA(kARTypeSignal, i)) {
    s.A_Read(i);
    ++signals;
    const std::string key = "signal" + std::to_string(i);
    std::printf("%s.node=%u\n%s.block=%u\n%s.partner=%u\n", key.c_str(), s.Node, key.c_str(), s.Block, key.c_str(),
                s.Partner);
    std::printf("%s.lamp=%u\n%s.oneway=%u\n", key.c_str(), s.Lamp, key.c_str(), s.OneWay);
    PrintFloat(key + ".x", s.Pose.X);
    PrintFloat(key + ".y", s.Pose.Y);
    PrintFloat(key + ".z", s.Pose.Z);
    PrintFloat(key + ".heading", s.Pose.Gier);
  }
  std::printf("signals=%d\n", signals);
  return 0;
}

int RunScenario(const std::vector<std::string>& args) {
  if (args.size() != 2) return 2;
  char* end = nullptr;
  const long ticks = std::strtol(args[1].c_str(), &end, 10);
  if (end == args[1].c_str() || *end != '\0' || ticks < 0 || ticks > 100000000) return 2;
  if (args[0] != "idle" && args[0] != "calendar" && args[0] != "shuttle" && args[0] != "simple-econ" &&
      args[0] != "town" && args[0] != "gw-transfer" && args[0] != "ambient" && args[0] != "rail-line")
    return 2;
  if (!Reset()) return 1;
  if (args[0] != "idle") {
    sample_world::StartCalendarGame();
    // The transfer scenario's market counts residents without houses: no building upkeep there.
    if (args[0] != "gw-transfer") StartWorldDevelopment();
  }
  TicksPerYear = CalendarTicksPerYear();
  sample_world::TShuttle line;
  if (args[0] == "shuttle") line = StartShuttle();
  const bool simple = args[0] == "simple-econ";
  sample_economy::TSimpleEconomy economy;
  if (simple) {
    economy = sample_economy::BuildSimpleEconomy();
    CountGoods();
  }
  sample_economy::TTown town;
  if (args[0] == "town" || args[0] == "ambient") town = sample_economy::BuildTown();
  const bool transfer = args[0] == "gw-transfer";
  sample_economy::TTransferEconomy transferWorld;
  if (transfer) {
    transferWorld = sample_economy::BuildTransferEconomy();
    g_atMarket.clear();
    g_batchesSeen.clear();
    g_transferDelivered = g_transferCreated = 0;
  }
  const bool railLine = args[0] == "rail-line";
  if (railLine) {
    sample_economy::BuildRailLine();
    CountGoods();
  }
  g_passengerBatches.clear();
  double longestTick = 0.0;
  for (long t = 0; t < ticks; ++t) {
    const auto start = std::chrono::steady_clock::now();
    GameplayTick();
    longestTick = std::max(longestTick, Milliseconds(std::chrono::steady_clock::now() - start));
    if (simple) NotePassengerBatches();
    if (transfer) NoteMarketDeliveries(transferWorld.Market.Station);
  }
  if (railLine) PrintRailLine(longestTick);
  if (transfer) PrintTransferEconomy();
  if (args[0] == "ambient") PrintAmbient();
  if (args[0] == "shuttle") PrintShuttle(line);
  if (simple) PrintSimpleEconomy(economy);
  if (args[0] == "town") PrintTown(town);
  std::printf("date=%d.%d.%d\n", GameDay, GameMonth, GameYear);
  std::printf("tick=%u\n", GameTime);
  for (int p = 1; p <= PlayerCount && p <= 10; ++p) {
    const TYearFinance& now = Players[p].Finances[0];
    const TYearFinance& last = Players[p].Finances[1];
    std::printf("player%d.balance=%.3Lf\n", p, now.Balance.get());
    std::printf("player%d.last_year_interest=%.3f\n", p,
                static_cast<double>(last.CreditInterest + last.OverdraftInterest + last.InterestIncome));
  }
  std::printf("hash=%s\n", WorldStateHashText().c_str());
  return 0;
}

int PrintResetHash(const std::vector<std::string>& args) {
  if (!args.empty()) return 2;
  if (!Reset()) return 1;
  std::printf("hash=%s\n", WorldStateHashText().c_str());
  return 0;
}

int PathCheck(const std::vector<std::string>& args) {
  long columns = 0, rows = 0, pairs = -1, seed = -1;
  for (size_t i = 0; i + 1 < args.size(); i += 2) {
    const std::string& value = args[i + 1];
    if (args[i] == "--grid") {
      const size_t x = value.find('x');
      if (x == std::string::npos || !ReadWhole(value.substr(0, x), 2, 100000, columns) ||
          !ReadWhole(value.substr(x + 1), 2, 100000, rows))
        return 2;
    } else if (args[i] == "--pairs") {
      if (!ReadWhole(value, 0, 10000000, pairs)) return 2;
    } else if (args[i] == "--seed") {
      if (!ReadWhole(value, 0, 4294967295L, seed)) return 2;
    } else {
      return 2;
    }
  }
  if (args.size() % 2 != 0 || columns == 0 || pairs < 0 || seed < 0) return 2;
  if (!Reset()) return 1;
  if (columns * rows > static_cast<long>(NodeArrayCapacity)) {
    std::fprintf(stderr, "sim_driver: a grid of more than %u nodes does not fit the node pool\n", NodeArrayCapacity);
    return 2;
  }
  const sample_world::TNodeGrid grid =
      sample_world::BuildNodeGrid(static_cast<int>(columns), static_cast<int>(rows), 100.0f, {1000.0f, 0.0f, 1000.0f});
  path_check::TReferenceGraph reference;
  const auto list =
      path_check::SeededPairs(static_cast<uint32_t>(pairs), static_cast<uint32_t>(seed), grid.First, grid.Count());

  struct Answer {
    bool found = false;
    uint64_t cost = 0;
  };
  std::vector<Answer> ours(list.size()), theirs(list.size());
  uint32_t deepest = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (size_t i = 0; i < list.size(); ++i) {
    ours[i].found = path_check::SearchCost(list[i].first, list[i].second, ours[i].cost);
    deepest = std::max(deepest, PathSearchDeepestStack);
  }
  const auto t1 = std::chrono::steady_clock::now();
  for (size_t i = 0; i < list.size(); ++i)
    theirs[i].found = reference.Cost(list[i].first, list[i].second, theirs[i].cost);
  const auto t2 = std::chrono::steady_clock::now();

  int mismatches = 0, unreachable = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    if (!ours[i].found && !theirs[i].found) {
      ++unreachable;
    } else if (ours[i].found != theirs[i].found || ours[i].cost != theirs[i].cost) {
      if (++mismatches <= 10)
        std::fprintf(stderr, "sim_driver: %u -> %u: search %s %llu, dijkstra %s %llu\n", list[i].first,
                     list[i].second, ours[i].found ? "found" : "none", static_cast<unsigned long long>(ours[i].cost),
                     theirs[i].found ? "found" : "none", static_cast<unsigned long long>(theirs[i].cost));
    }
  }
  std::printf("nodes=%u\n", grid.Count());
  std::printf("pairs=%zu\n", list.size());
  std::printf("mismatches=%d\n", mismatches);
  std::printf("unreachable=%d\n", unreachable);
  std::printf("deepest_stack=%u\n", deepest);
  std::printf("calcpath_ms=%.3f\n", Milliseconds(t1 - t0));
  std::printf("dijkstra_ms=%.3f\n", Milliseconds(t2 - t1));
  return 0;
}

namespace {

// The crossings scenario: an X-crossing of two roads at (1000, 1000) and a T-crossing whose stem
// comes from +z at (1000, 2000).
TMetaconnect RoadPoint(float x, float z) {
  TMetaconnect m{};
  m.Waytype = 0;
  m.Position = {x, 0.0f, z};
  return m;
}

void PrintCrossing(const char* name, uint8_t arms, const TMetaconnect (&points)[4], TCurveline& curve) {
  uint8_t swapped = 0;
  TConstructResult r;
  ConstructCrossing(curve, arms, arms, swapped, points, {}, {}, 1, 1, r);
  std::printf("%s.result=%s\n%s.swapped=%u\n", name, r.Elements().c_str(), name, swapped);
}

}  // namespace

namespace {

// Every way (type, part, centre way, state, connects and nodes), every node, and the hash.
void PrintNetwork() {
  int ways = 0;
  TWay w{};
  for (uint32_t i = FindInArrayerBW(kARTypeWay, 0); i != 0; i = FindInArrayerBW(kARTypeWay, i)) {
    w.A_Read(i);
    ++ways;
    const std::string key = "way" + std::to_string(i);
    std::printf("%s.type=%u\n%s.part=%u\n%s.centre=%u\n%s.state=%u\n", key.c_str(), w.Waytype, key.c_str(),
                WayPart(w), key.c_str(), WayCentreLink(w), key.c_str(), w.State);
    std::printf("%s.connects=%s\n", key.c_str(), List({w.Connections, w.Connections + w.ConnectionCounter}).c_str());
    std::printf("%s.nodes=%s\n", key.c_str(), List({w.Nodes, w.Nodes + w.NodesCounter}).c_str());
  }
  std::printf("ways=%d\n", ways);
  PrintNodes();
  std::printf("hash=%s\n", WorldStateHashText().c_str());
}

}  // namespace

int CrossingScenario(const std::vector<std::string>& args) {
  // No argument: both crossings; X or T: that one alone.
  if (args.size() > 1 || (args.size() == 1 && args[0] != "X" && args[0] != "T")) return 2;
  if (!Reset()) return 1;
  std::memset(GroundMap, 5, sizeof(GroundMap));
  auto curve = NewCurveline();
  if (args.empty() || args[0] == "X") {
    const TMetaconnect x[4] = {RoadPoint(800, 1000), RoadPoint(1200, 1000), RoadPoint(1000, 1200),
                               RoadPoint(1000, 800)};
    PrintCrossing("x", 4, x, *curve);
  }
  if (args.empty() || args[0] == "T") {
    const TMetaconnect t[4] = {RoadPoint(800, 2000), RoadPoint(1200, 2000), RoadPoint(1000, 2200), {}};
    PrintCrossing("t", 3, t, *curve);
  }
  PrintNetwork();
  return 0;
}

int RouterScenario(const std::vector<std::string>& args) {
  if (!args.empty()) return 2;
  if (!Reset()) return 1;
  std::memset(GroundMap, 5, sizeof(GroundMap));
  const TVector track[] = {{500, 0, 1000}, {1000, 0, 1000}, {1500, 0, 1000}, {2000, 0, 1000}};
  const std::vector<uint32_t> ways = sample_world::RailTrack(track, 4, false);
  // The switch at 1200 on the middle way, its branch toward a point 190 along the branch direction.
  SetRouterFromWay(AddRouterInfo, ways[1], {1200.0f, 0.0f, 1010.0f});
  TMetaconnect target{};
  target.Waytype = kWaytypeRail;
  target.Position = {1230.0f + std::cos(kBranchTurn) * 190.0f, 0.0f, 1000.0f + std::sin(kBranchTurn) * 190.0f};
  PrepareRouterBranch(AddRouterInfo, target);
  auto curve = NewCurveline();
  TConstructResult r;
  ConstructAddRouter(*curve, {}, 0, 1, r);
  std::printf("result=%s\n", r.Elements().c_str());
  PrintNetwork();
  return 0;
}

void PrintNodes() {
  int nodes = 0;
  for (uint32_t n = 1; n <= NodeArrayCount; ++n) {
    const TNode& node = NodeByIndex(n);
    if (node.Used == 0) continue;
    ++nodes;
    const std::string key = "node" + std::to_string(n);
    PrintFloat(key + ".x", node.Position.x);
    PrintFloat(key + ".y", node.Position.y);
    PrintFloat(key + ".z", node.Position.z);
    std::printf("%s.prev=%s\n", key.c_str(), Links(node.PrevLinks, node.PrevLinkCount).c_str());
    std::printf("%s.next=%s\n", key.c_str(), Links(node.NextLinks, node.NextLinkCount).c_str());
    std::printf("%s.way=%u\n", key.c_str(), static_cast<unsigned>(node.Way));
    std::printf("%s.flags=%u\n", key.c_str(), static_cast<unsigned>(node.Flags));
  }
  std::printf("nodes=%d\n", nodes);
}

int LightsRun(const std::vector<std::string>& args) {
  long period = 0, ticks = 0;
  if (args.size() != 3 || (args[0] != "X" && args[0] != "T") ||
      !ReadWhole(args[1], INT32_MIN, INT32_MAX, period) || !ReadWhole(args[2], 0, kGameTimeLast + 1L, ticks))
    return 2;
  const uint8_t waytype = args[0] == "X" ? kWaytypeXCrossing : kWaytypeTCrossing;
  TrafficLightPeriod = static_cast<int32_t>(period);
  int changes = 0;
  uint8_t last = 0;
  for (long tick = 0; tick < ticks; ++tick) {
    const uint8_t phase = GetTrafficLightStateAt(static_cast<int32_t>(tick), waytype);
    if (phase == last) continue;
    last = phase;
    ++changes;
    std::printf("change%d.tick=%ld\nchange%d.phase=%u\n", changes, tick, changes, static_cast<unsigned>(phase));
  }
  std::printf("changes=%d\n", changes);
  return 0;
}
