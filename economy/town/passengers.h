// Passengers of the goods-way economy. People live along the streets: a street way counts the
// inhabitants of its houses by wealth class and refers to up to three passenger ways (TPsgrWay).
// The route builder, stepped once a tick, takes an inhabited street, looks for destinations at three
// distance classes and searches routes between them over the stations and the stretch lists that
// the schedules leave in the stations they call at; the best route of each class becomes a
// passenger way with a rate PassengerspF. The generator, stepped once a tick after it, turns the
// rates into passenger batches in the out-goods list of each route's first station.
//
// A station's stretch list (up to 20 entries: next station, schedule, this station's stop number)
// is filled by AddStationStretches after a schedule's stops changed; the delete notices take
// entries out again and reset the route builder through RemoveFromPsgrRoutes and
// RemoveStationFromPsgrRoutes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "economy/goods/records.h"
#include "engine/base/types.h"

#pragma pack(push, 1)

// The generator's place in the passenger ways (8 bytes).
struct TPsgrGenerator {
  uint32_t Cursor;   // the passenger way last looked at; 0 at the start of a pass
  uint32_t NextDue;  // the GameTime from which it runs again
};

constexpr int kPsgrEndStations = 5;   // stations listed around each end of a route
constexpr int kPsgrSlots = 3;         // destination classes: near, middle, far
constexpr int kPsgrSearchLevels = 11;  // stations on one route, the origin's station included

// A destination class of the route builder (250 bytes).
struct TPsgrSlot {
  uint8_t Active;
  uint8_t StationCount;  // at most kPsgrEndStations
  uint32_t WayCursor;    // the street way found for it; also where its next search starts
  TVector Position;
  uint32_t Stations[kPsgrEndStations];
  float Walks[kPsgrEndStations];  // each station's walking distance to Position
  float BestTime;
  int32_t BestCost;
  TPsgrWay Route;  // the best route found so far
};

// One station of the route search (27 bytes). The hop fields describe the stretch that led here.
struct TPsgrSearchLevel {
  float Time;             // from the origin to this station
  int32_t Cost;
  uint32_t Schedule;      // the schedule of the hop; 0 at the origin's station
  uint32_t StopCount;     // that schedule's stop count
  uint8_t StopNumber;     // the stop the hop started at
  uint8_t Transfers;      // rides begun after the first; 255 at the origin's station
  float HopTime;          // the hop's ride time, without the transfer's
  uint32_t Station;
  uint8_t NextStretch;    // 0-based: the next stretch of Station to follow
};

// The route builder (1,126 bytes).
struct TPsgrRouteBuilder {
  uint32_t Phase;     // 0 find an origin, 1 its stations, 2 destinations, 3 their stations, 4 set up,
                      // 5 search, 6 store the routes
  uint32_t Tries;
  uint32_t OriginWay;  // the street way taken; also where the next search for one starts
  TVector Origin;
  uint8_t OriginStationCount;
  uint32_t OriginStations[kPsgrEndStations];
  float OriginWalks[kPsgrEndStations];
  float CostWeight;
  float TimeWeight;
  TPsgrSlot Slots[kPsgrSlots];
  TPsgrSearchLevel Levels[kPsgrSearchLevels];  // level n is Levels[n - 1]
  uint8_t OriginStation;  // 1-based: the origin station the search runs from
  uint8_t Level;          // levels in use
  int32_t Inhabitants;    // of the origin way, summed when the search is set up
};

#pragma pack(pop)

static_assert(sizeof(TPsgrGenerator) == 8);
static_assert(sizeof(TPsgrSlot) == 250 && sizeof(TPsgrSearchLevel) == 27);
static_assert(sizeof(TPsgrRouteBuilder) == 1126);
static_assert(offsetof(TPsgrRouteBuilder, Slots) == 73 && offsetof(TPsgrRouteBuilder, Levels) == 823);

extern TPsgrGenerator PsgrGenerator;
extern TPsgrRouteBuilder PsgrRouteBuilder;

// Both records zero: the builder looks for an origin, the generator starts a pass now.
void ResetPassengers();

// One generator step: from the due tick on, up to 50 passenger ways; each used way gathers a tenth
// of its rate, and a whole passenger or more boards the first station of the route as a batch (a
// batch of the way with fewer than 15 passengers there is topped up). After the last way a pass
// pauses for 1000 ticks. Goods-way economy only.
void GeneratePassengers(TPsgrGenerator& generator);
// One route builder step (its phase). Goods-way economy only.
void UpdatePassengerRoutes(TPsgrRouteBuilder& builder);
// The schedule's stretches into the stations of its stops, when its first train carries
// passengers; a station keeps at most 20 (warnings at the limit).
void AddStationStretches(uint32_t schedule);
// A deleted way: the builder starts again when the way is its origin or an active destination.
void RemoveFromPsgrRoutes(TPsgrRouteBuilder& builder, uint32_t way);
// A deleted station or a station that lost a stretch: the builder starts again when its search or
// its routes pass the station.
void RemoveStationFromPsgrRoutes(TPsgrRouteBuilder& builder, uint32_t station);
// The warning lines about an unusually large batch: the batch, the way as stored, and Way (the
// generator's copy).
void DumpPsgrGood(const TGood& good, const TPsgrWay& way);

// The rate factor of a game level: the passengers per inhabitant and generation step (levels 1
// and 5: 0.006, 2: 0.025, 3: 0.012, 4: 0.007); false for a level that leaves the rate as it was.
bool PassengerLevelFactor(uint8_t level, float& factor);
