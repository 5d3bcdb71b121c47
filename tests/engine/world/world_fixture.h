// A small world in the record store for the tests of the world records' routines: connections,
// plain ways of four nodes, routers, roadside buildings, stations, convoys, and recording
// network and economy services that note every call in order.
//
// Way nodes: a plain way from connection A to connection B has two lanes, lane 1 from A to B
// (nodes 1 -> 2) and lane 2 from B to A (nodes 3 -> 4). A lane starts at a node of its own way and
// ends at the start node of the next way's lane, so the ways of a chain share the nodes where they
// meet:
//
//     A        W1        B        W2        C
//     o  n1 -------> n2=m1 -------> m2       o      W1.Nodes = {n1, m1, n3, n4}
//        n4 <------- n3   <------- m3               W2.Nodes = {m1, m2, m3, n3}
//
// A node belongs (way field) to the way whose lane starts there. Removing W2 unlinks m1 and m3 from
// their successors and frees m2 and m3; W1 keeps n1 -> m1 and n3 -> n4.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/store/connectpool.h"
#include "engine/store/nodepool.h"
#include "engine/world/building.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"
#include "engine/world/train.h"
#include "tests/engine/store/store_fixture.h"

namespace world_testing {

using arrayer_testing::Fatal;
using arrayer_testing::FatalOf;

// The calls of the network and economy services since the test began, in order: the service's
// name and its arguments ("OnDestroyWay 3").
std::vector<std::string>& HookCalls();
// The calls that begin with one of the given names.
std::vector<std::string> CallsOf(std::initializer_list<const char*> names);

// The economy's records as the tests keep them: an entry of the record's kind in the Rest array
// (so that the walks over the store find it) and its fields here, which the recording services
// read and write.
struct EconomyRecords {
  static std::map<uint32_t, TGoodFields> Goods;
  static std::map<uint32_t, TGoodswayFields> Goodsways;
  static std::map<uint32_t, TPsgrWayFields> PsgrWays;
  static std::map<uint8_t, uint8_t> GoodsKinds;  // GoodsInfoKind by goods type (0 when absent)
  static uint32_t AddGood(TGoodFields g);
  static uint32_t AddGoodsway(TGoodswayFields w);
  static uint32_t AddPsgrWay(TPsgrWayFields p);
  static void Clear();
};

// The elements of a destroy result, in rising order.
std::vector<int> Elements(const TDestroyResult& r);

// Building types of the test world (rows of BuildingTypes).
constexpr uint16_t kHouseType = 10;    // use 0, price 5,000
constexpr uint16_t kStationType = 11;  // use 1, price 8,000
constexpr uint16_t kDepotType = 12;    // use 2, price 3,000

// The small network of BuildSmallNetwork: four connections in a row 100 apart, three roads between
// them, a house at the middle road, a station with a building and the last road as its station
// way, and a player's convoy on the first road.
struct SmallNetwork {
  uint32_t c[4];
  uint32_t w[3];
  uint32_t house;
  uint32_t station;
  uint32_t stationBuilding;
  uint32_t convoy;
};

class WorldTest : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override;
  void TearDown() override;

 public:
  static uint32_t AddConnection(float x, float z);
  // A plain way (road of Waytype 0 for use 0, rail of Waytype 2 otherwise) between two
  // connections, linked to the ways already there; stored and entered at both connections. A rail
  // way gets an empty block of its own.
  static uint32_t AddPlainWay(uint32_t from, uint32_t to, uint8_t use = 0, uint8_t owner = 1, uint8_t state = 2);
  // A router of the given type over the connections: one node of its own at each, route ends
  // (flag 64), no links.
  static uint32_t AddRouter(std::initializer_list<uint32_t> connections, uint8_t waytype = 5, uint8_t completion = 0,
                            uint8_t owner = 1);
  // A built building of kHouseType standing at side 1 or 2 of a road, taking frontage from it.
  static uint32_t AddRoadsideBuilding(uint32_t way, uint8_t side = 1, float frontage = 20.0f, uint8_t owner = 1);
  static uint32_t AddStation(float x, float z, uint8_t city = 0);
  static uint32_t AddStationBuilding(uint32_t station, uint8_t owner = 1, uint16_t type = kStationType);
  static void AddStationWay(uint32_t station, uint32_t way);
  // A convoy or train of the pool with the given nodes ahead (the last one is its closing node).
  static uint32_t AddTrain(uint8_t kind, uint8_t owner, std::initializer_list<uint32_t> nodesAhead);
  static uint32_t AddPath(uint8_t use, std::initializer_list<uint32_t> nodes, uint8_t invalid = 0);
  // Markets and schedules have no writer in this program; the tests store them through the
  // family's writer with the type's own layout.
  static uint32_t AddMarket();
  static uint32_t AddSchedule(uint8_t use, std::initializer_list<uint32_t> stations, uint8_t state = 1);
  static SmallNetwork BuildSmallNetwork();

  static TWay Way(uint32_t index);
  static TBuilding Building(uint32_t index);
  static bool HasWay(uint32_t index) { return ArrayerHolds(kTWayDesc, index); }
  static bool HasBuilding(uint32_t index) { return ArrayerHolds(kTBuildingDesc, index); }
  static bool HasStation(uint32_t index) { return ArrayerHolds(kTStationDesc, index); }
  static bool NodeUsed(uint32_t n) { return NodeByIndex(n).Used != 0; }
  static uint32_t BuildingCount(uint16_t type);
};

}  // namespace world_testing
