// Goods, recipes, industries and markets for the simulation driver's economy scenarios and their
// tests, built in memory on a reset world with a running calendar (sample_world::StartCalendarGame).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/base/types.h"
#include "tools/sample_world.h"

namespace sample_economy {

// Goods types: coal and tools are goods (tools are bought by towns), passengers.
constexpr uint8_t kCoal = 1, kTools = 2, kPassengers = 3;
// Industry types: a mine makes coal out of nothing (recipe 1), works make tools of coal (recipe 2).
constexpr uint8_t kMine = 1, kWorks = 2;
// Both produce every 500 ticks.
constexpr int32_t kProductionInterval = 500;
constexpr uint16_t kHouseType = 1;

// The three goods types (each 20,000 ticks old at most), PsgrGoodType, the two recipes and the two
// industry types.
void SetSampleGoods();

// An industry of the type and size (productivity 1, a production entry per recipe of its type,
// its first production one interval from now) with its own station (linked to it, and named as
// the industry's station) at Position.
struct TSite {
  uint32_t Industry = 0;
  uint32_t Station = 0;
};
TSite IndustryWithStation(uint8_t industryType, int32_t size, const TVector& position);
// A market with its own station at Position, with a goods entry of each of the types.
TSite MarketWithStation(const TVector& position, const std::vector<uint8_t>& goodTypes = {});

// The goods wagon of the goods-way scenarios: a vehicle type that carries coal and tools.
constexpr uint16_t kGoodsWagon = 3;
void SetGoodsWagon();
// A calculated road-and-rail schedule (mode 1, hop flag 1, the share percent) over the stations in
// order, each a halt with its ticks to the next, run by one train of one goods wagon (a train in
// the pool, its vehicle in the store; nothing stands on a track).
uint32_t GoodsSchedule(const std::vector<uint32_t>& stations, int32_t ticksToNext, uint8_t sharePercent);

// The goods-way scenario of the search benchmark: the goods-way economy with the sample goods (coal
// and tools 20,000 ticks old at most and 200,000 ticks of transport time), Industries industries
// (mines and works in turn) and Markets markets that take tools (5,000 poor residents counted at
// each in the last upkeep pass), on a grid with a site every 1,200
// units, every station loading and unloading goods; lines of four halts join neighbouring sites
// along the grid's rows and columns.
struct TGoodswayEconomy {
  std::vector<TSite> Industries;
  std::vector<TSite> Markets;
  std::vector<uint32_t> Schedules;
};
TGoodswayEconomy BuildGoodswayEconomy(int industries, int markets);
// A house of kHouseType (a 40 x 40 house) at Position with the inhabitants.
uint32_t HouseWith(const TVector& position, uint16_t inhabitants);

// The simple-economy scenario: a shuttle line of four rail ways 500 long along +x from (1000, 0,
// 1000), whose stations load and unload goods and passengers and whose wagon carries 40
// passengers, coal and tools; a mine with its station beside the near end, works and a market
// with their stations beside the far end (each only within 1500 of its own end); two houses of
// 1,000 inhabitants by the near end and five by the far end (5,000: the far end accepts what towns
// buy). The economy is the simple one.
struct TSimpleEconomy {
  sample_world::TShuttle Line;
  TSite Mine, Works, Market;
  std::vector<uint32_t> Houses;
};
TSimpleEconomy BuildSimpleEconomy();

// The town scenario (sim_driver run town): the town Alderby (radius 3,000, on dry land) with an
// L-shaped street of five town roads on whose both sides houses may stand, seven houses of two
// wealth classes along it (their types' first edge faces a street), a market with its station at
// the third road, an industry with its station, and player 1's company building; everything
// planned, then under construction (the planned constructions completed). Player 1 holds 3,000,000
// afterwards.
struct TTown {
  std::vector<uint32_t> Roads;
  uint32_t Market = 0;
  uint32_t Industry = 0;
  uint32_t Company = 0;
};
TTown BuildTown();

// The transfer scenario (sim_driver run gw-transfer): the goods-way economy with the sample goods
// (coal and tools may travel 200,000 ticks)
// and a tool maker (industry type kToolMaker, tools out of nothing, recipe 3) of size 10 with its
// station, and a market of 5,000 poor residents that takes tools with its station 2,000 away. No
// line joins them: goods can only go by transfer.
constexpr uint8_t kToolMaker = 3;
struct TTransferEconomy {
  TSite Maker, Market;
};
TTransferEconomy BuildTransferEconomy();

// The rail-line scenario (sim_driver run rail-line): the goods-way economy with the sample goods,
// on dry land, the towns Alderby and Bramwick 3,600 apart, each with a street of two town roads 200
// north of its station and twelve houses for 80 people along it (the people wait to move in); the
// player's rail line along +x at z 1000: a station track of 400 at each end (founding its station,
// with its two platforms) and eight rail ways of 400 between them, a station building north of
// each station's platforms, a rail depot (capture node, exit node, an inner way through it) at the
// outer end of Alderby's track; everything finished at once. The shuttles' train, its wagon
// carrying 40 passengers, stands on the first rail way after Alderby's track and runs on a schedule
// calling at both stations (its share 50 percent), whose stretches the stations hold. A construction refused stops the
// program.
struct TRailLine {
  uint32_t Stations[2] = {};
  std::vector<uint32_t> Ways;  // the first station track, the line, the second station track
  uint32_t Depot = 0;
  std::vector<uint32_t> Houses;
  uint32_t Schedule = 0;
  uint32_t Train = 0;
};
TRailLine BuildRailLine();

}  // namespace sample_economy
