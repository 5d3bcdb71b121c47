// A small world built in memory for the tools and benchmarks that exercise the network without a
// map file: a house type in the building-type table, houses placed from it, straight ways with
// their meshes between stored connects, straight plans of pieces in a TCurveline, and a running
// calendar.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/base/types.h"
#include "network/construction/curveline.h"

namespace sample_world {

// The corners of a straight strip of half-width Half from A to B, in the order of way and piece
// meshes: A + side, A - side, B - side, B + side, the side pointing left of A -> B.
void StripCorners(const TVector& a, const TVector& b, float half, TVector (&corners)[4]);

// Row Type of BuildingTypes becomes a house: its ground plan the square of side 2 * Half around
// its reference point, from Bottom to Top above it.
void SetHouseType(uint16_t type, float half, float bottom, float top);
// A building of that type with its reference point at Position, not turned, stored through the
// construction routines (owner ActPlayer, state 0). Its index.
uint32_t PlaceHouse(uint16_t type, const TVector& position);

// A straight way between the stored connects From and To: its use the waytype of From, its mesh
// the strip of half-width Half between the two positions, owned by Owner and registered at both
// connects (as their way A, or way B when A is taken). Its index.
uint32_t WayBetween(uint32_t from, uint32_t to, float half, uint8_t owner);
// Two new connects of waytype Use (0 road, 1 rail) at A and B and the way between them, owned by
// ActPlayer and placed at its midpoint. Its index.
uint32_t StraightWay(uint8_t use, const TVector& a, const TVector& b, float half);

// A planned straight way of use Use (road or rail) between the connect copies A and B (stored or
// not), built as completing a plan builds it: a way of the way construction (its connects stored,
// a mesh as wide as the use's gauge, four lane nodes, taking the nodes of a way that already ends
// at a connect), owned by ActPlayer for the town ActCity. The copies follow their stored connects.
// Its index.
uint32_t PlannedWay(uint8_t use, TMetaconnect& a, TMetaconnect& b);
// A PlannedWay of rail, then finished. Its index.
uint32_t RailWay(TMetaconnect& a, TMetaconnect& b);
// Rail track through the Count points (at least 2): a RailWay between each two, each finished in
// turn; Closed: one more from the last point back to the first. The ways in order; At (optional)
// receives the stored connect at each point.
std::vector<uint32_t> RailTrack(const TVector* points, int count, bool closed, std::vector<uint32_t>* at = nullptr);

// A street through the Count points: a planned road PlannedWay between each two. The ways in order.
std::vector<uint32_t> PlannedStreet(const TVector* points, int count);

// A market whose one building is Building, served by Station. Its index.
uint32_t MarketOf(uint32_t building, uint32_t station);

// A rail train of ActPlayer in the train pool, standing without vehicles and without schedule,
// whose head has entered one lane of the way (0: the lane from its first node, 1: the lane from its
// third) and runs toward that lane's end, counted into the blocks under it. Its index.
uint32_t RailTrainOn(uint32_t way, int lane);

// A schedule calling at the stations in order (each halt a stop), with the trains on it (route mode
// 0 from halt 1). Its index.
uint32_t ScheduleOf(const std::vector<uint32_t>& stations, const std::vector<uint32_t>& trains);

// The two rail vehicle types of the shuttles: a locomotive (type kShuttleLocomotive: 60 long with its
// couplings, power 2,000 at scale 1, top speed 2, 40,000 heavy, price 80,000, 12,000 a year, 20 per
// 100 units driven, smoking) and a wagon (type kShuttleWagon: 50 long, unpowered, top speed 2.5,
// 20,000 heavy, price 20,000, 2,400 a year, 4 per 100 units).
constexpr uint16_t kShuttleLocomotive = 1, kShuttleWagon = 2;
void SetShuttleVehicleTypes();

// A shuttle line: Ways straight rail ways of Length along +x from Origin, finished; with Stations a
// station on its first and on its last way and a schedule calling at both. On it a train of
// ActPlayer (a locomotive and a wagon, bought) standing on the first way's first lane, heading for
// the far end.
struct TShuttle {
  std::vector<uint32_t> Ways;
  uint32_t Stations[2] = {};
  uint32_t Schedule = 0;
  uint32_t Train = 0;
};
TShuttle BuildShuttle(const TVector& origin, int ways, float length, bool stations);
// The shuttles' train of ActPlayer (a locomotive and a wagon, bought) standing on the first lane of
// the finished rail way of Length, its head as far in as the train is long (at most half the way).
// Its index.
uint32_t ShuttleTrainOn(uint32_t way, float length);

// A plan of use Use through Count points (2 to 20, no stored connects): a slot at each, one piece
// between each two whose mesh is the strip of half-width Half; then its bounds (CurvelineBounds).
// The caller resets the record first (ResetConstruction).
void StraightPlan(TCurveline& curve, uint8_t use, const TVector* points, int count, float half);

// A grid of Columns x Rows nodes (2 or more each) Spacing apart on flat ground from Origin, every
// node on a finished way (flag 64) but without a way record, linked to its neighbours with
// LinkNodes so that every link is Spacing long, every node has one or two next and one or two
// previous links, and every node reaches every other: the border is a ring (the first row runs
// toward +x, the last column toward +z, the last row back toward -x and the first column back
// toward -z), the inner rows run toward +x and -x in turn (the second row toward +x), the inner
// columns toward +z and -z in turn (the second column toward +z). Node (c, r) is First + r *
// Columns + c; the nodes are added to the pool in that order, so the pool is expected empty.
struct TNodeGrid {
  uint32_t First = 0;
  int Columns = 0, Rows = 0;
  uint32_t Node(int column, int row) const { return First + static_cast<uint32_t>(row * Columns + column); }
  uint32_t Count() const { return static_cast<uint32_t>(Columns * Rows); }
};
TNodeGrid BuildNodeGrid(int columns, int rows, float spacing, const TVector& origin);

// A running game from 1.1.1950 at 10 ticks a day (TicksPerYear from the calendar), economy level 2,
// one player (the local one) with 1,000,000, the goods processes started (StartGoodsProcesses): the
// calendar scenario of the driver and the step's benchmark, on a reset world.
void StartCalendarGame();

}  // namespace sample_world
