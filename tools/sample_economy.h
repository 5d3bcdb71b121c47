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
constexpr uint16_t kHouseType = 1;

// The three goods types (each 20,000 ticks old at most), PsgrGoodType, the two recipes and the two
// industry types.
void SetSampleGoods();

// An industry of the type and size (productivity 1) with its own station (linked to it) at
// Position.
struct TSite {
  uint32_t Industry = 0;
  uint32_t Station = 0;
};
TSite IndustryWithStation(uint8_t industryType, int32_t size, const TVector& position);
// A market with its own station at Position.
TSite MarketWithStation(const TVector& position);
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

}  // namespace sample_economy
