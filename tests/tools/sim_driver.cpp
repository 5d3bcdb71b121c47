// The simulation on the command line, without a window: resets the world, builds what the
// sub-command names and prints the results as key=value lines (floats with 3 decimals), for
// tests, benchmarks and bug reports.
//
//   sim_driver curve KIND X1 Z1 DIR1 X2 Z2 DIR2 [--road-angle DEG]
//     Solves one curve from (X1, 0, Z1) to (X2, 0, Z2). KIND is rail or road; each DIR is the
//     vector DX DZ of that end's direction (into the way that ends there), or "-" for an end
//     without one. --road-angle sets the road's bend limit per piece in degrees (the vehicle
//     editor uses 40). Prints the result set, the connect and piece counts, the gradient, and
//     each slot's position and heading (degrees, from +X toward +Z, along the chain).
//
//   sim_driver collide X [Y]
//     The collision test of one planned road piece, 100 long and 30 wide, from (X, Y, 1000) to
//     (X + 100, Y, 1000) (Y is 0 unless given), in a world of two objects: a house standing on the
//     square 1090..1110 x 990..1010 from height 0 to 30, and a road 30 wide from (1400, 0, 800) to
//     (1400, 0, 1200). Only objects placed within the plan's square (its centre +- its radius, half
//     the piece's length plus 500) are looked at; a road, planned or built, reaches 50 above its
//     surface and 20 below it. Prints the square, the result set, the piece's flags (32 once hit),
//     the plan's hit way (0 none), what was hit (building, way or none) and the indices of the
//     house and the road.
//
//   sim_driver bank BALANCE CREDIT COMPANYVALUE LEVEL
//     One monthly bank step for player 1 (the local player) at economy level LEVEL, whose company
//     value is made up by its building value. Prints the balance, the credit, the interest booked
//     (credit, overdraft and income, and their sum) and the bank message kind (-1 none).
//
//   sim_driver revenue UNITS DISTANCE FACTOR LEVEL [boom|slack]
//     One delivery in the simple economy: UNITS of a goods type whose transport factor is FACTOR,
//     carried DISTANCE along x, at economy level LEVEL (0..4), the type booming or slack when
//     asked. Prints the revenue booked and the batch's transport time.
//
// The world is flat land of ground kind 5 with no connects, ways or nodes; ActPlayer is 1.
//
//   sim_driver height X Z
//     The terrain height at world point (X, Z) on the generated map, with the vertex whose fan
//     holds the point, its ground kind, shading and border flag. The generated map: vertex
//     columns x = 0..3 are open water (kind 4) at height 0; every other vertex is land of kind 5
//     at map height min(5 (x - 4) + z, 1500). The shading and ground kinds then come from the
//     land update of the whole map, and the border flags from the border marking. So the land
//     rises by 0.1 world units per unit along X and 0.02 along Z, from shore kind 8 next to the
//     water through kind 5 to sloped kind 9 (map height 600 and more) and high kind 7 (above 1000).
//
//   sim_driver weather TICKS
//     Runs the weather on every even tick from 0 to TICKS - 1 in the start-up world (weather on,
//     view range 74, fog base 0), its random generator seeded from a fixed clock. Prints the start
//     values, then each change of the aimed or reached state with its tick, the intensity, the
//     light, the fog and the sky tone, the number of changes, and the values after the last tick.
//
//   sim_driver level BLOCK WAY
//     Levels the ground under a planned rail way that runs straight across a raised block. The
//     block is the 5 x 5 height vertices of columns 10..14 and rows 8..12 at map height BLOCK
//     (an integer 0..4000; world height 2 BLOCK) on flat land at 0; the way's piece mesh runs
//     along X from (500, WAY, 1000) to (1900, WAY, 1000), 30 wide, with all four corners at world
//     height WAY. Its ground grid (the fine one, as for a completed plan) is levelled. Prints the
//     grid's rows and columns, the passes that lowered a vertex, every height vertex that changed
//     (column, row, old and new map height) and their number, and the smallest point height over
//     the terrain after the levelling.
//
//   sim_driver run SCENARIO TICKS
//     Resets the world, sets up the scenario and runs the simulation step TICKS times. Prints the
//     date, the tick counter, each player's balance and last year's interest, and the state hash.
//     Scenarios: idle (nothing running), calendar (a running game from 1.1.1950 at 10 ticks a
//     day, economy level 2, one player with 1,000,000, the goods processes started at speed 1),
//     shuttle (the calendar's game with a
//     straight rail line of four ways 500 long along x from (1000, 0, 1000), a station on its first
//     and on its last way, a schedule calling at both, and a train of a locomotive and a wagon
//     standing at its near end; in the simple economy, its wagon carries 100 of coal and each
//     station accepts coal and holds a batch of 1000 made there, works beside each end taking coal)
//     and simple-econ (the calendar's game in the simple economy: the shuttle line carrying
//     passengers, coal and tools, a mine by its near end, works and a market by its far end, houses
//     of 2,000 inhabitants by the near end and of 5,000 by the far end). Every scenario sets TicksPerYear
//     from the calendar. The shuttle first prints each dead-end turn of the train (turnN.tick,
//     turnN.end near or far, turnN.node the node its head stands on after the turn), the turns at
//     each end, the revenue booked at each end (revenue.near, revenue.far), the train's state,
//     node, speed and revenue of this year, the rail costs of this year (purchases, monthly,
//     distance) and the number of warnings. The simple economy first prints the passenger batches
//     the stations made (passenger_batches), each end's passenger production, out-goods count and
//     goods entries (near.goodsN.type, .flags, .waiting, .rating, .accumulated), the resize state
//     and the station count of the mine and the works, and the goods driver's status line.
//     The town (the calendar's game with the town Alderby:
//     an L-shaped street of five town roads, seven houses of two wealth classes, a market hall with
//     its market and station, an industry of production 100 and player 1's company building, all
//     under construction; player 1 then holds 3,000,000) first prints the town's population and
//     the people waiting for a home, the house types it may build next (town.wishes), the buildings,
//     the finished ones and the inhabitants of the houses, the roads, the finished ones and those
//     that found the market, the residents counted at the market in the last pass of the building
//     upkeep, the company building's level and the industry's production. Every scenario but idle
//     starts the world development with the building upkeep at one step a tick.
//
//     The transfer (gw-transfer: the calendar's game in the goods-way economy with a tool maker and
//     a market of 5,000 residents 2,000 apart, each with its station, joined by no line; no building
//     upkeep runs, so the market keeps its residents) first prints the goods ways found, the units
//     of the batches made and the units delivered at the market's station.
//
//     The ambient scenario (the town's world; no animal or car types are loaded, so no animal or
//     town car appears) first prints the town's cars on the streets and their target, and the
//     animals that are no flyers and the flyers.
//
//     The rail line (rail-line: the calendar's game in the goods-way economy with the towns
//     Alderby and Bramwick 3,600 apart, each with a street and twelve houses by its station, joined
//     by a rail line of two station tracks with their platforms and station buildings and eight
//     rail ways, a rail depot at its start, and a train of a locomotive and a passenger wagon on a
//     schedule calling at both stations) first prints the passengers the train set down at the
//     stations (passengers.carried), the revenue booked for them and the longest tick of the run
//     in milliseconds (longest_tick_ms, which differs from run to run and is no part of the state).
//
//   sim_driver hash
//     The state hash of the freshly reset world.
//
//   sim_driver testtrack
//     Builds the vehicle editor's test track as the editor does at start-up (the rail curve, the
//     road curve with the editor's 40-degree bend limit, the planned constructions finished for
//     player 1, 500 simulation steps) in the start-up world of economy level 3. Prints both curves'
//     results and piece counts, every node (position, previous and next links as comma lists or
//     "-", way, flags), every way (state, waytype, use, length) and player 1's balance.
//
//   sim_driver testrun train|car AXLELENGTH
//     Builds the test track as testtrack does and places a vehicle of that kind on it as the vehicle
//     editor's test run does: the front 1.0 from node 6 toward node 8 (train) or from node 13 toward
//     node 12 (car), the back AXLELENGTH further back. Prints whether it was placed, the cursor after
//     the move (its nodes and distance), the front and back nodes and distances, the front and rear
//     points and the pose.
//
//   sim_driver pathcheck --grid WxH --pairs N --seed S
//     Builds a grid network of W x H nodes 100 apart (every node on a finished way, no dead ends,
//     every link 100 long; sample_world::BuildNodeGrid) and searches N pairs of distinct nodes,
//     drawn by a Mersenne twister seeded with S, with the path search and with Dijkstra's
//     algorithm of the Boost Graph Library on the same weights (link length plus the branch and
//     stop costs). Prints the node and pair counts, the pairs whose costs differ (mismatches, the
//     first ten also on standard error), the pairs neither reaches, the deepest branch stack of
//     the search and each side's total time in milliseconds.
//
//   sim_driver signals
//     Builds a closed loop of six finished rail ways round the rectangle (1000, 1000) - (3000, 1000)
//     - (3000, 2000) - (1000, 2000) on flat land, puts a train on the first lane of the first and
//     of the last way, and places a signal pair at (2000, 0, 1000) and then one at (2000, 0, 2000)
//     as the signal command does. Prints each command's result and the number of blocks after it
//     (the first pair alone leaves one: the loop joins its two sides), then every block (its ways,
//     trains and in-signals as comma lists or "-") and every signal (node, block, partner, lamp
//     1 green, one-way flag, position and heading in degrees).
//
//   sim_driver crossings
//     Builds an X-crossing of two roads from the arm points (800, 1000), (1200, 1000), (1000, 1200)
//     and (1000, 800), and a T-crossing from (800, 2000), (1200, 2000) and the stem (1000, 2200), on
//     flat land, each completed at once. Prints each result and its swapped flag, every way (type,
//     part, centre way, state, connects and nodes as comma lists), every node as testtrack does
//     and the state hash.
//
//   sim_driver lights X|T PERIOD TICKS
//     The traffic lights of an X- or a T-crossing with the light period PERIOD (a whole number;
//     below 1 the start-up period 40 holds): each tick from 0 to TICKS - 1 at which the phase
//     changes, the first included (changeN.tick, changeN.phase), and the number of changes.
//
//   sim_driver crossing X|T
//     The X- or the T-crossing of the crossings command alone, printed the same way.
//
//   sim_driver router
//     Lays finished rail track from (500, 0, 1000) to (2000, 0, 1000) in three ways of 500 on flat
//     land and puts a switch into its middle way at x = 1200, its branch toward +z, as the router
//     command does (the branch target 190 along the branch). Prints the result set, every way
//     (type 3 for the router's legs, part 4 its centre, with its nodes), every node with its links
//     and the state hash.
//
//   sim_driver replay FILE
//     Replays a file of posted command messages, one a line: PLAYER DUETICK COMMAND PAYLOAD (the
//     payload's bytes in hexadecimal; see sim_replay.h). The world is the calendar game of run on
//     flat land, with as many players as the file names; each message is posted in the tick before
//     its due tick and the simulation runs until the last due tick. Prints the number of commands,
//     the messages still waiting, the ways, buildings, signals and trees, the warnings, the tick and
//     the state hash. A line it cannot read gives 2 with the file's name and the line number.
//
//   sim_driver replay-gen SEED COUNT
//     Prints a replay file of COUNT messages drawn from SEED: curves, routers, crossings, station
//     tracks, signals, removals and a few trees and terrain changes.
//
// Exit status 0 after a run, 2 for a command line it does not understand.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "economy/weather/weather.h"
#include "economy/money/bank.h"
#include "economy/goods/goodstypes.h"
#include "economy/goods/handling.h"
#include "economy/step/services.h"
#include "economy/money/finances.h"
#include "economy/port/uiport.h"
#include "engine/base/maths.h"
#include "engine/base/random.h"
#include "engine/base/worldstate.h"
#include "engine/gui/mousemode.h"
#include "engine/store/recordstore.h"
#include "economy/step/worldstate_hash.h"
#include "economy/testtrack.h"
#include "engine/store/nodepool.h"
#include "engine/world/records.h"
#include "network/construction/collision.h"
#include "network/construction/curves.h"
#include "network/construction/ground.h"
#include "network/construction/limits.h"
#include "network/services.h"
#include "network/track/cursor.h"
#include "network/world/terrain.h"
#include "platform/platform.h"
#include "tests/tools/sim_replay.h"
#include "tests/tools/sim_scenarios.h"
#include "tools/sample_world.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: sim_driver curve rail|road X1 Z1 DX1 DZ1|- X2 Z2 DX2 DZ2|- [--road-angle DEG]\n"
               "       sim_driver collide X [Y]\n"
               "       sim_driver bank BALANCE CREDIT COMPANYVALUE LEVEL\n"
               "       sim_driver revenue UNITS DISTANCE FACTOR LEVEL [boom|slack]\n"
               "       sim_driver height X Z\n"
               "       sim_driver weather TICKS\n"
               "       sim_driver level BLOCK WAY\n"
               "       sim_driver run idle|calendar|shuttle|simple-econ|town|gw-transfer|ambient|rail-line TICKS\n"
               "       sim_driver hash\n"
               "       sim_driver testtrack\n"
               "       sim_driver testrun train|car AXLELENGTH\n"
               "       sim_driver pathcheck --grid WxH --pairs N --seed S\n"
               "       sim_driver signals\n"
               "       sim_driver crossings\n"
               "       sim_driver crossing X|T\n"
               "       sim_driver router\n"
               "       sim_driver lights X|T PERIOD TICKS\n"
               "       sim_driver replay FILE\n"
               "       sim_driver replay-gen SEED COUNT\n");
  return 2;
}

bool ReadFloat(const char* text, float& value) {
  char* end = nullptr;
  value = std::strtof(text, &end);
  return end != text && *end == '\0' && std::isfinite(value);
}

// An empty flat world of land.
bool ResetWorld() {
  if (!ResetSimulationWorld()) return false;
  std::memset(GroundMap, 5, sizeof(GroundMap));
  return true;
}

void Print(const char* key, float value) { std::printf("%s=%.3f\n", key, static_cast<double>(value)); }

// One end: X Z and either "-" or DX DZ, read from args starting at i.
bool ReadEnd(const std::vector<std::string>& args, size_t& i, uint8_t wt, TMetaconnect& end) {
  end = TMetaconnect{};
  end.Waytype = wt;
  if (i + 3 > args.size() || !ReadFloat(args[i].c_str(), end.Position.x) || !ReadFloat(args[i + 1].c_str(), end.Position.z))
    return false;
  i += 2;
  if (args[i] == "-") {
    ++i;
    return true;
  }
  if (i + 2 > args.size() || !ReadFloat(args[i].c_str(), end.Direction.x) ||
      !ReadFloat(args[i + 1].c_str(), end.Direction.z))
    return false;
  end.HasDirection = 1;
  i += 2;
  return true;
}

int Curve(std::vector<std::string> args) {
  float roadAngle = -1.0f;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--road-angle") continue;
    if (i + 1 >= args.size() || !ReadFloat(args[i + 1].c_str(), roadAngle) || roadAngle <= 0.0f) return Usage();
    args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
    break;
  }
  if (args.empty() || (args[0] != "rail" && args[0] != "road")) return Usage();
  const uint8_t wt = args[0] == "rail" ? kWaytypeRail : kWaytypeRoad;
  if (!ResetWorld()) {
    std::fprintf(stderr, "sim_driver: the record store could not be allocated\n");
    return 1;
  }
  TCurvePlan plan{};
  size_t i = 1;
  if (!ReadEnd(args, i, wt, plan.A) || !ReadEnd(args, i, wt, plan.B) || i != args.size()) return Usage();
  if (roadAngle > 0.0f)
    MaxPieceAngle[LimitIndex(kWaytypeRoad)] = static_cast<float>(roadAngle * 3.141592653589793L / 180.0L);

  std::unique_ptr<TCurveline> curve = NewCurveline();
  ResetConstruction(*curve);
  plan.Curve = curve.get();
  plan.Waytype = wt;
  TConstructResult result{};
  SolveCurve(plan, result);

  const int n = curve->conzahl;
  std::printf("result=%s\n", result.Elements().c_str());
  std::printf("connects=%d\n", n);
  std::printf("pieces=%d\n", n - 1);
  Print("gradient", curve->Gradient);
  for (int k = 1; k <= n; ++k) {
    const TMetaconnect& s = curve->Slots[k];
    const TVector& side = curve->SideVectors[k];
    const TVector along = {side.z, 0.0f, -side.x};  // the side vector is the chain's direction turned by 90 degrees
    const std::string key = "slot" + std::to_string(k);
    Print((key + ".x").c_str(), s.Position.x);
    Print((key + ".y").c_str(), s.Position.y);
    Print((key + ".z").c_str(), s.Position.z);
    Print((key + ".heading").c_str(), static_cast<float>(Heading(along) * 180.0L / 3.141592653589793L));
  }
  for (int k = 1; k < n; ++k)
    Print(("piece" + std::to_string(k) + ".length").c_str(),
          VecDistanceXZ(curve->Slots[k].Position, curve->Slots[k + 1].Position));
  return 0;
}

// The scene of the collide command: the house type's row, the plan's line and the width of roads.
constexpr uint16_t kCollideHouse = 1;
constexpr float kCollideZ = 1000.0f, kCollideLength = 100.0f, kCollideHalfWidth = 15.0f;

int Collide(const std::vector<std::string>& args) {
  float x = 0.0f, y = 0.0f;
  if (args.empty() || args.size() > 2 || !ReadFloat(args[0].c_str(), x) ||
      (args.size() == 2 && !ReadFloat(args[1].c_str(), y)))
    return Usage();
  if (!ResetWorld()) {
    std::fprintf(stderr, "sim_driver: the record store could not be allocated\n");
    return 1;
  }
  sample_world::SetHouseType(kCollideHouse, 10.0f, 0.0f, 30.0f);
  const uint32_t house = sample_world::PlaceHouse(kCollideHouse, {1100.0f, 0.0f, kCollideZ});
  const uint32_t road =
      sample_world::StraightWay(kWaytypeRoad, {1400.0f, 0.0f, 800.0f}, {1400.0f, 0.0f, 1200.0f}, kCollideHalfWidth);

  std::unique_ptr<TCurveline> curve = NewCurveline();
  ResetConstruction(*curve);
  const TVector ends[2] = {{x, y, kCollideZ}, {x + kCollideLength, y, kCollideZ}};
  sample_world::StraightPlan(*curve, kWaytypeRoad, ends, 2, kCollideHalfWidth);
  TConstructResult result{};
  CollisionTest(*curve, kCollisionWays, result, curve->Centre.x, curve->Centre.z, curve->Radius);

  // A refusal names the way it met; with none named it met the house.
  const char* hit = result.Ok() ? "none" : curve->HitWay != 0 ? "way" : "building";
  Print("centre.x", curve->Centre.x);
  Print("centre.z", curve->Centre.z);
  Print("radius", curve->Radius);
  std::printf("result=%s\n", result.Elements().c_str());
  std::printf("flags=%d\n", WayFlags(curve->Pieces[1].Way));
  std::printf("hitway=%u\n", curve->HitWay);
  std::printf("hit=%s\n", hit);
  std::printf("building=%u\n", house);
  std::printf("way=%u\n", road);
  return 0;
}

// The generated map of the height command.
void GenerateMap() {
  ResetWorldState();
  for (int x = 0; x < kMapSize; ++x) {
    for (int z = 0; z < kMapSize; ++z) {
      if (x < 4) {
        GroundMap[x][z] = kGroundOpenWater;
        HeightMap[x][z] = 0;
      } else {
        GroundMap[x][z] = 5;
        HeightMap[x][z] = static_cast<int16_t>(std::min(5 * (x - 4) + z, 1500));
      }
    }
  }
  UpdateLandRect(1, kMapSize - 2, 1, kMapSize - 2, true);
  MarkGroundBorders();
}

int Height(const std::vector<std::string>& args) {
  float x = 0.0f, z = 0.0f;
  if (args.size() != 2 || !ReadFloat(args[0].c_str(), x) || !ReadFloat(args[1].c_str(), z)) return Usage();
  GenerateMap();
  TTileFan fan{};
  const float height = GetHeightAt(fan, x, z);
  Print("height", height);
  const long double vx = std::nearbyint(static_cast<long double>(x) / 100.0L);
  const long double vz = std::nearbyint(static_cast<long double>(z) / 100.0L);
  if (!(vx >= 0.0L && vx < kMapSize && vz >= 0.0L && vz < kMapSize)) {
    std::printf("vertex=none\n");
    return 0;
  }
  const int ix = static_cast<int>(vx), iz = static_cast<int>(vz);
  std::printf("vertex.x=%d\nvertex.z=%d\n", ix, iz);
  std::printf("kind=%d\n", GroundMap[ix][iz]);
  std::printf("shading=%d\n", ShadingMap[ix][iz]);
  std::printf("border=%d\n", CellFlags[ix][iz] & 0x01);
  return 0;
}

uint32_t FixedClock() { return 20240601u; }

void PrintWeather(const std::string& prefix) {
  Print((prefix + ".intensity").c_str(), Weather.Intensity);
  Print((prefix + ".light").c_str(), Weather.AmbientCeiling);
  Print((prefix + ".fog").c_str(), Weather.LightFactor);
  std::printf("%s.sky=%d\n", prefix.c_str(), Weather.Byte2);
  std::printf("%s.raining=%d\n", prefix.c_str(), Weather.Raining);
}

int WeatherRun(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage();
  char* end = nullptr;
  const long ticks = std::strtol(args[0].c_str(), &end, 10);
  if (end == args[0].c_str() || *end != '\0' || ticks < 0 || ticks > static_cast<long>(kGameTimeLast)) return Usage();
  ResetWorldState();
  for (float& s : SkyScroll) s = 0.0f;
  platform::SetTickSource(FixedClock);
  Randomize();
  platform::SetTickSource(nullptr);
  std::printf("seed=%u\n", RandSeed);
  int changes = 0;
  for (long t = 0; t < ticks; ++t) {
    GameTime = static_cast<uint32_t>(t);
    if (t % 2 != 0) continue;
    const uint8_t state = Weather.Kind, reached = Weather.PreviousKind;
    const bool first = Weather.NextChange == 0;
    UpdateWeather();
    if (first) {
      std::printf("start.tick=%ld\n", t);
      std::printf("start.next=%d\n", Weather.NextChange);
      PrintWeather("start");
    } else if (Weather.Kind != state || Weather.PreviousKind != reached) {
      const std::string key = "change" + std::to_string(++changes);
      std::printf("%s.tick=%ld\n", key.c_str(), t);
      std::printf("%s.state=%d\n", key.c_str(), Weather.Kind);
      std::printf("%s.reached=%d\n", key.c_str(), Weather.PreviousKind);
      std::printf("%s.next=%d\n", key.c_str(), Weather.NextChange);
      PrintWeather(key);
    }
  }
  std::printf("changes=%d\n", changes);
  std::printf("end.state=%d\n", Weather.Kind);
  PrintWeather("end");
  return 0;
}

int Bank(const std::vector<std::string>& args) {
  float balance = 0, credit = 0, value = 0, level = 0;
  if (args.size() != 4 || !ReadFloat(args[0].c_str(), balance) || !ReadFloat(args[1].c_str(), credit) ||
      !ReadFloat(args[2].c_str(), value) || !ReadFloat(args[3].c_str(), level) || level < 0 || level > 4 ||
      level != std::floor(level))
    return Usage();
  ResetWorldState();
  SetUserInterface({});
  int kind = -1;
  UserInterface().ShowBankMessage = [&kind](const TBankMessageWindow& w) { kind = w.Kind; };
  GameSettings.Level = static_cast<uint8_t>(level);
  LocalPlayer = 1;
  TYearFinance& y = Players[1].Finances[0];
  y.Balance = static_cast<long double>(balance);
  y.Credit = credit;
  y.BuildingValue = static_cast<float>(static_cast<long double>(value) - balance + credit);
  MonthlyBank(1);
  std::printf("balance=%.3Lf\n", y.Balance.get());
  Print("credit", y.Credit);
  Print("credit_interest", y.CreditInterest);
  Print("overdraft_interest", y.OverdraftInterest);
  Print("interest_income", y.InterestIncome);
  Print("interest", y.CreditInterest + y.OverdraftInterest + y.InterestIncome);
  std::printf("message=%d\n", kind);
  return 0;
}

int Revenue(const std::vector<std::string>& args) {
  float units = 0, distance = 0, factor = 0, level = 0;
  if (args.size() < 4 || args.size() > 5 || !ReadFloat(args[0].c_str(), units) ||
      !ReadFloat(args[1].c_str(), distance) || !ReadFloat(args[2].c_str(), factor) ||
      !ReadFloat(args[3].c_str(), level) || units < 0 || units > 1e9f || units != std::floor(units) ||
      distance < 0 || level < 0 || level > 4 || level != std::floor(level))
    return Usage();
  uint8_t attractivity = 0;
  if (args.size() == 5) {
    if (args[4] != "boom" && args[4] != "slack") return Usage();
    attractivity = args[4] == "boom" ? 1 : 2;
  }
  ResetWorldState();
  GameSettings.EconomyMode = 1;
  SetDifficultyLevel(static_cast<int>(level));
  GoodsTypeCount = 1;
  TGoodsType type{};
  SetGoodsInfoKind(type, kGoodsKindGoods);
  type.WeightPerUnit = 1;
  type.VolumePerUnit = 1;
  type.TransportFactor = factor;
  type.GoodsAttractivity = attractivity;
  SetGoodsType(1, type);
  const TVector from{0.0f, 0.0f, 0.0f}, to{distance, 0.0f, 0.0f};
  Print("revenue", CalcGoodsRevenue(1, GoodsTransportCost(from, to, 1) * units));
  Print("transport_time", GoodsTransportTime(from, to, 1));
  return 0;
}

// The level command's scenario: the block's vertices and the way's ends.
constexpr int kBlockFirstColumn = 10, kBlockFirstRow = 8, kBlockSize = 5;
constexpr float kLevelWayStart = 500.0f, kLevelWayEnd = 1900.0f, kLevelWayZ = 1000.0f, kLevelWayHalf = 15.0f;

int Level(const std::vector<std::string>& args) {
  float block = 0.0f, y = 0.0f;
  if (args.size() != 2 || !ReadFloat(args[0].c_str(), block) || !ReadFloat(args[1].c_str(), y) || block < 0.0f ||
      block > static_cast<float>(kHighestGround) || block != std::floor(block))
    return Usage();
  if (!ResetWorld()) {
    std::fprintf(stderr, "sim_driver: the record store could not be allocated\n");
    return 1;
  }
  for (int c = kBlockFirstColumn; c < kBlockFirstColumn + kBlockSize; ++c)
    for (int r = kBlockFirstRow; r < kBlockFirstRow + kBlockSize; ++r) HeightMap[c][r] = static_cast<int16_t>(block);

  auto mesh = std::make_unique<TMeshdata2>();
  mesh->Init();
  mesh->vxA(1, kLevelWayStart, y, kLevelWayZ + kLevelWayHalf, 0, 0);
  mesh->vxA(2, kLevelWayStart, y, kLevelWayZ - kLevelWayHalf, 0, 0);
  mesh->vxA(3, kLevelWayEnd, y, kLevelWayZ - kLevelWayHalf, 0, 0);
  mesh->vxA(4, kLevelWayEnd, y, kLevelWayZ + kLevelWayHalf, 0, 0);
  TWay way{};
  way.Init(kWaytypeRail, 0);  // a rail way of the ordinary kind
  WayFlags(way) = kWayOnGround;

  const std::vector<int16_t> before(&HeightMap[0][0], &HeightMap[0][0] + kMapSize * kMapSize);
  CalcWayGroundGrid(GroundGrid, way, *mesh, 0);
  LevelGround();
  SampleGroundGrid(GroundGrid);

  std::printf("grid.rows=%d\n", GroundGrid.RowCount);
  std::printf("grid.cols=%d\n", GroundGrid.ColCount);
  std::printf("passes=%d\n", LevelGroundPasses);
  int changes = 0;
  for (int c = 0; c < kMapSize; ++c) {
    for (int r = 0; r < kMapSize; ++r) {
      const int old = before[static_cast<size_t>(c) * kMapSize + r];
      if (HeightMap[c][r] == old) continue;
      const std::string key = "change" + std::to_string(++changes);
      std::printf("%s.column=%d\n%s.row=%d\n", key.c_str(), c, key.c_str(), r);
      std::printf("%s.old=%d\n%s.new=%d\n", key.c_str(), old, key.c_str(), HeightMap[c][r]);
    }
  }
  std::printf("changes=%d\n", changes);
  Print("min_diff", GroundGrid.MinDiff);
  return 0;
}

// The vehicle editor's test track on a reset world, with the editor's road bend limit; false
// (after a message) when the store cannot be had. Curve holds the road curve afterwards.
bool BuildDriverTestTrack(TCurveline& curve, const TTestTrackSteps& steps, TConstructResult& rail,
                          TConstructResult& road) {
  if (!ResetWorld()) {
    std::fprintf(stderr, "sim_driver: the record store could not be allocated\n");
    return false;
  }
  MaxPieceAngle[LimitIndex(kWaytypeRoad)] = kEditorRoadBendLimit;
  TMetaconnect a{}, b{};
  BuildTestTrack(curve, a, b, steps, rail, road);
  return true;
}

int TestTrack(const std::vector<std::string>& args) {
  if (!args.empty()) return Usage();
  std::unique_ptr<TCurveline> curve = NewCurveline();
  int railPieces = 0;
  TTestTrackSteps steps;
  steps.AfterRail = [&](const TCurveline& c) { railPieces = c.conzahl - 1; };
  TConstructResult rail, road;
  if (!BuildDriverTestTrack(*curve, steps, rail, road)) return 1;

  std::printf("rail.result=%s\n", rail.Elements().c_str());
  std::printf("rail.pieces=%d\n", railPieces);
  std::printf("road.result=%s\n", road.Elements().c_str());
  std::printf("road.pieces=%d\n", curve->conzahl - 1);
  PrintNodes();
  int ways = 0;
  for (uint32_t w = FindInArrayerBW(kARTypeWay, 0); w != 0; w = FindInArrayerBW(kARTypeWay, w)) {
    TWay way{};
    way.A_Read(w);
    ++ways;
    const std::string key = "way" + std::to_string(w);
    std::printf("%s.state=%u\n", key.c_str(), static_cast<unsigned>(way.State));
    std::printf("%s.type=%u\n", key.c_str(), static_cast<unsigned>(way.Waytype));
    std::printf("%s.use=%u\n", key.c_str(), static_cast<unsigned>(way.Use));
    Print((key + ".length").c_str(), way.Length());
  }
  std::printf("ways=%d\n", ways);
  Print("balance", static_cast<float>(Players[1].Finances[0].Balance.get()));
  return 0;
}

void PrintVector(const std::string& key, const TVector& v) {
  Print((key + ".x").c_str(), v.x);
  Print((key + ".y").c_str(), v.y);
  Print((key + ".z").c_str(), v.z);
}

int TestRun(const std::vector<std::string>& args) {
  float axLength = 0.0f;
  if (args.size() != 2 || (args[0] != "train" && args[0] != "car") || !ReadFloat(args[1].c_str(), axLength) ||
      axLength < 0.0f)
    return Usage();
  std::unique_ptr<TCurveline> curve = NewCurveline();
  TConstructResult rail, road;
  if (!BuildDriverTestTrack(*curve, TTestTrackSteps{}, rail, road)) return 1;
  TVehicle v{};
  const bool placed = PlaceTestVehicle(v, args[0] == "train" ? 1 : 0, axLength);
  std::printf("placed=%d\n", placed ? 1 : 0);
  std::printf("cursor.prev=%u\ncursor.cur=%u\n", NodeCursor.PrevNode, NodeCursor.CurNode);
  Print("cursor.dist", NodeCursor.Dist);
  std::printf("front.node=%u\n", v.FrontNode);
  Print("front.dist", v.FrontDistance);
  std::printf("back.node=%u\n", v.BackNode);
  Print("back.dist", v.BackDistance);
  PrintVector("front", NodeCursor.FrontPoint);
  PrintVector("rear", NodeCursor.RearPoint);
  const TPlacement p = v.Placement;
  PrintVector("pose", {p.X, p.Y, p.Z});
  Print("pose.roll", p.Roll);
  Print("pose.gier", p.Gier);
  Print("pose.nick", p.Nick);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "curve") return Curve(args);
  if (command == "collide") return Collide(args);
  if (command == "height") return Height(args);
  if (command == "weather") return WeatherRun(args);
  if (command == "bank") return Bank(args);
  if (command == "revenue") return Revenue(args);
  if (command == "level") return Level(args);
  if (command == "run" || command == "hash" || command == "pathcheck" || command == "signals" ||
      command == "crossings" || command == "crossing" || command == "router") {
    if (command == "crossings" && !args.empty()) return Usage();
    if (command == "crossing" && args.size() != 1) return Usage();
    const int status = command == "run"         ? RunScenario(args)
                       : command == "hash"      ? PrintResetHash(args)
                       : command == "pathcheck" ? PathCheck(args)
                       : command == "signals"   ? SignalScenario(args)
                       : command == "router"    ? RouterScenario(args)
                                                : CrossingScenario(args);
    return status == 2 ? Usage() : status;
  }
  if (command == "lights") {
    const int status = LightsRun(args);
    return status == 2 ? Usage() : status;
  }
  if (command == "replay" || command == "replay-gen") {
    const int status = command == "replay" ? ReplayCommands(args) : GenerateReplay(args);
    return status == 2 && (command == "replay-gen" || args.size() != 1) ? Usage() : status;
  }
  if (command == "testtrack") return TestTrack(args);
  if (command == "testrun") return TestRun(args);
  return Usage();
}
