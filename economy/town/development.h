// World development: the world changes by itself. Towns ask for homes and say which house types
// they may build next, construction sites whose time is up are finished, town roads find their
// nearest reachable market, houses fill with inhabitants who are counted per road, town and market,
// industries grow and shrink, and company buildings rise in level with their owner's company value.
//
// The work is done by small incremental processes whose records are world state: each call does a
// bounded amount of work and leaves its place in its record, and the next call resumes there.
// DevelopmentTick runs one step of three tasks in turn (the market search, the town development,
// the finishing of due constructions); UpdateBuildingsTick runs the building upkeep Speed steps per
// tick.
#pragma once

#include <cstdint>

#include "engine/base/worldstate.h"
#include "engine/world/records.h"
#include "network/track/paths.h"

// What the development calls upward; each starts at doing nothing, the economy installs its own
// (InstallEconomyServices) and tests install recording ones.
namespace development_hooks {
// Raises a news event (industry grows: kind 9, industry loses: kind 10).
extern void (*TriggerNewsEvent)(uint8_t kind, uint32_t p1, uint32_t p2, uint32_t p3, uint32_t p4, uint32_t p5,
                                uint32_t p6);
void InstallDefaults();
}  // namespace development_hooks

// The market search that gives each finished town road (no owner) its nearest reachable market.
// State 0 looks for the next road, state 1 measures the markets one a step from MarketCursor on.
struct TMarketSearch {
  uint8_t State;
  uint32_t WayCursor;
  float BestDistance;
  uint32_t BestMarket;
  uint32_t MarketCursor;
};

// The cursors of the finishing of due constructions.
struct TConstructionCursors {
  uint32_t BuildingCursor;
  uint32_t WayCursor;
};

// The town development process: the town it works on and its state (0 next town, 1 demand,
// 2 house types; 3, 4, 100 and 200 as described at DevelopCityStep).
struct TPPDevelopcity {
  uint8_t State;
  uint8_t City;
};

// The building upkeep process: the steps it runs per tick, the tick its pass started, its step
// (0 re-tune, 1, 2 buildings, 3 markets, 4 ways) and the record it stands at.
struct TPPUpdatebuildings {
  uint32_t Cursor;
  int32_t Speed;
  uint32_t LastTick;
  uint32_t Step;
};

// The path evaluator of the market search: a node is a target when it is one of the nodes of Road,
// the road of the market's building. It keeps the path record its searches fill.
class TFindMarketForWay : public TPathEvaluator {
 public:
  bool IsTarget(uint32_t node) override;
  // Aims at the road (read from the store) and the position.
  void AimAt(uint32_t market, const TWay& road, const TVector& position);

  uint32_t Market = 0;
  uint32_t Road = 0;
  uint8_t RoadNodeCount = 0;
  uint32_t RoadNodes[100] = {};
  TPath PathRecord{};
};

// The process records (world state) and the evaluator of the market search.
extern uint8_t DevelopmentPhase;  // 0 market search, 1 town development, 2 due constructions
extern TMarketSearch MarketSearch;
extern TConstructionCursors ConstructionCursors;
extern TPPDevelopcity DevelopCity;
extern TPPUpdatebuildings UpdateBuildings;
extern TFindMarketForWay MarketFinder;

// The building upkeep re-tunes its speed so that a pass over all buildings takes about this long.
constexpr long double kUpdateBuildingsPeriod = 15000.0L;
// A market nearer than this to a road is looked at.
constexpr float kMarketSearchDistance = 5000.0f;

// Writes status line 3, then runs one step of the task Phase names and moves Phase on (0 market
// search, 1 town development, 2 due constructions, then 0 again).
void DevelopmentTick(uint8_t& phase);
// One step of the market search. A market with more than one building stops the program. A road
// that is gone from the store ends the search of that road; a best market that is gone is
// forgotten.
void MarketSearchStep(TMarketSearch& search);
// Whether a vehicle can drive from Way to the market: the path search from the way's first node,
// and when that fails from its third, to any node of the road of the market's building, without a
// cost limit. A market without a building (or whose building is gone or stands at no road) is not
// accessible; one with more than one building stops the program.
bool IsMarketAccessible(TFindMarketForWay& finder, const TWay& way, const TMarket& market, TPath& path);
// One step of the town development (TPPDevelopcity.PPCall); a state it does not know stops the
// program with "invalid instruction pointer in TPPDevelopcity.PPCall".
void DevelopCityStep(TPPDevelopcity& process);
// Marks in the town's wishes the house types (kind 0) of the class that suit a demand of Demand
// and the era, in passes that stop at the first that marks anything.
void ChooseHouseTypes(TCity& city, uint8_t wealthClass, int32_t demand, uint8_t era);
// Marks every special town type (kind 13) that suits the era and is built this year; when there is
// none, every special town type.
void ChooseSpecialTypes(TCity& city, uint8_t era);
// Finishes the buildings, then the ways, under construction whose completion tick has passed: at
// most 20 of each are looked at a call, each cursor starting again from 0 after the last record.
void FinishDueConstructions(TConstructionCursors& cursors);
// Runs the building upkeep Speed times (never while Speed is 0 or less).
void UpdateBuildingsTick(TPPUpdatebuildings& process);
// One step of the building upkeep; writes status line 4 first.
void UpdateBuildingsStep(TPPUpdatebuildings& process);
// A house of a town takes in people waiting for a home of its class, up to its capacity (in run
// mode 4 an empty house is filled at once); the record is stored.
void MoveInhabitants(TBuilding& b);
// 2 outside the radius, 1 outside 0.3 of it, else 0 (the centre).
uint8_t CityZone(float distance, float radius);
// The level of a company building from its owner's company value (1 below economy level 2); it
// only rises. Buildings without an owner keep theirs. The caller stores the record.
void UpdateCompanyBuildingLevel(TBuilding& b);
// The industry's production grows by half, or shrinks by a third, within its type's bounds; its
// production statistics are scaled to match, its town's counts follow (goods-way economy) and the
// news is told. An industry without production, or already at the bound, does not change and
// raises no news. The caller stores the record.
void GrowIndustry(TIndustry& industry);
void ShrinkIndustry(TIndustry& industry);

// The resets that the deletion of a road, a market or a town calls.
void ResetMarketSearchWay(TMarketSearch& search, uint32_t way);
void ResetMarketSearchMarket(TMarketSearch& search, uint32_t market);
void ResetDevelopcity(TPPDevelopcity& process);
// Every process record at its start value (the building upkeep's speed 0: it does not run).
void ResetWorldDevelopment();
// The start of a new game: the building upkeep runs one step a tick until it re-tunes itself.
void StartWorldDevelopment();
