// The world record types kept in the Arrayer store, with their layouts and the descriptors by
// which the accessor family (recordaccess.h) reads and stores them. Each record starts with its
// store index; its counted lists lie at fixed places after its fixed part. Records are held by
// value: `TWay w{}; w.A_Read(index); ...; w.A_ReWrite();`.
//
// | type           | array, ARType  | size   | fixed | operations                          |
// |----------------|----------------|--------|-------|-------------------------------------|
// | TBuilding      | BW   0x10001   |    224 |   144 | A_Read A_Write A_ReWrite A_Overwrite |
// | TWay           | BW   0x10002   |    568 |   128 | A_Read A_Write A_ReWrite A_Overwrite |
// | TDepot         | OA   0x20001   |    516 |    16 | A_Read A_Write A_ReWrite A_Overwrite |
// | TShip          | OA   0x20002   |  1,724 |   108 | A_Read A_Overwrite                   |
// | TSignal        | OA   0x20004   |     52 |    52 | A_Read A_Write A_Overwrite           |
// | TStation       | OA   0x20008   | 42,036 |    56 | A_Read A_Write A_ReWrite A_Overwrite |
// | TStreetBlock   | OA   0x20010   |     88 |    88 | A_Read A_Write A_Overwrite           |
// | TTree          | OA   0x20040   |     36 |    36 | A_Read A_Write                       |
// | TMarket        | OA   0x20080   |  1,692 |    68 | A_Read A_ReWrite A_Overwrite         |
// | TIndustry      | OA   0x20100   |  3,484 |    36 | A_Read A_Write A_ReWrite A_Overwrite |
// | TBlock         | Rest 0x40001   |    424 |    24 | A_Read A_Write A_ReWrite A_Overwrite |
// | TPath          | Rest 0x40100   |  4,012 |    12 | A_Read A_Write A_ReWrite A_Overwrite |
// | TSchedule      | Rest 0x40200   |  1,076 |    76 | A_Read A_ReWrite A_Overwrite         |
// | TVehicle       | Rest 0x40400   |    468 |    68 | A_Read A_Write A_ReWrite A_Overwrite |
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "engine/base/types.h"
#include "engine/store/recordaccess.h"

// ARTypes: the array flag or-ed with the kind bit.
constexpr uint32_t kARTypeBuilding = kArrayerBWFlag | kKindBuilding;
constexpr uint32_t kARTypeWay = kArrayerBWFlag | kKindWay;
constexpr uint32_t kARTypeDepot = kArrayerOAFlag | kKindDepot;
constexpr uint32_t kARTypeShip = kArrayerOAFlag | kKindShip;
constexpr uint32_t kARTypeSignal = kArrayerOAFlag | kKindSignal;
constexpr uint32_t kARTypeStation = kArrayerOAFlag | kKindStation;
constexpr uint32_t kARTypeStreetBlock = kArrayerOAFlag | kKindStreetBlock;
constexpr uint32_t kARTypeTree = kArrayerOAFlag | kKindTree;
constexpr uint32_t kARTypeMarket = kArrayerOAFlag | kKindMarket;
constexpr uint32_t kARTypeIndustry = kArrayerOAFlag | kKindIndustry;
constexpr uint32_t kARTypeBlock = kArrayerRestFlag | kKindBlock;
constexpr uint32_t kARTypePath = kArrayerRestFlag | kKindPath;
constexpr uint32_t kARTypeSchedule = kArrayerRestFlag | kKindSchedule;
constexpr uint32_t kARTypeVehicle = kArrayerRestFlag | kKindVehicle;

#pragma pack(push, 1)

// The result set of every mode-driven Destroy of the world records: elements 0 to 47.
// 0: Mode 0 may delete / Modes 1 and 2 deleted; 32 to 44: the reasons against.
struct TDestroyResult {
  uint8_t Bits[6];

  bool Has(int element) const { return (Bits[element / 8] >> (element % 8)) & 1; }
  void Include(int element) { Bits[element / 8] |= static_cast<uint8_t>(1u << (element % 8)); }
  bool Empty() const {
    for (uint8_t b : Bits) {
      if (b) return false;
    }
    return true;
  }
  void Clear() {
    for (uint8_t& b : Bits) b = 0;
  }
  void Exclude(int element) { Bits[element / 8] &= static_cast<uint8_t>(~(1u << (element % 8))); }
  // Every element of other is added.
  void Unite(const TDestroyResult& other) {
    for (int i = 0; i < 6; ++i) Bits[i] |= other.Bits[i];
  }
  // Whether a reason against (an element other than 0) is in the set.
  bool HasReason() const {
    for (int i = 0; i < 6; ++i) {
      if (Bits[i] & (i == 0 ? 0xFE : 0xFF)) return true;
    }
    return false;
  }
};
static_assert(sizeof(TDestroyResult) == 6);

// Destroy modes: 0 checks only and changes nothing; 1 checks with mode 0 and deletes only when the
// check gave element 0, deleting dependants with mode 2; 2 deletes without any check.
constexpr uint8_t kDestroyCheck = 0, kDestroyChecked = 1, kDestroyForced = 2;

// The result elements: 0 may be deleted (mode 0) or deleted (modes 1 and 2); the others are the
// reasons against.
enum DestroyReason : int {
  kDestroyOk = 0,
  kReasonForeignBuilding = 32,
  kReasonBuildingWithoutOwner = 33,
  kReasonForeignTrain = 34,
  kReasonTrainOwnerUnknown = 35,
  kReasonForeignWay = 36,
  kReasonWayWithoutOwner = 37,
  kReasonDepotHoldsTrains = 38,
  kReasonVehicleOnRoad = 39,  // 40 rail, 41 use 2, 42 use 3: 39 + the way's use
  kReasonBuildingsAtRoad = 43,
  kReasonTrainHasVehicles = 44,
};

struct TStation;
struct TWayEndNodes;

// A placed building (224 bytes).
struct TBuilding : ArrayerRecord<TBuilding> {
  uint32_t Index;
  uint16_t BuildingType;  // 1-based row of BuildingTypes; 0 none
  uint16_t Inhabitants;   // cleared at creation
  uint8_t City;
  uint8_t BuildingWayCounter;  // at most 20
  uint8_t Reserved10[2];
  TVector Position;            // with the three angles the building's TPlacement
  float Roll, Gier, Nick;
  TVector Corners[4];
  float LowHeight, HighHeight;
  // The passenger ratings of the stations around, summed by the station goods process over this
  // pass and the last one.
  uint16_t PsgrRatingSum, PsgrRatingSumLast;
  uint32_t Way;
  uint32_t Mesh;
  uint32_t Station;
  float Frontage;
  uint8_t Reserved112[4];
  uint32_t Depot;
  int32_t ScriptVars[4];
  uint8_t Reserved136;
  uint8_t State;
  uint8_t Owner;
  uint8_t Side;
  uint8_t Reserved140[4];
  uint32_t Ways[20];

  // building.cpp
  void Init(uint16_t buildingType, uint8_t owner);
  void AddToStation(TStation& s, bool rewrite);
  float BuildingCost() const;
  void Destroy(uint8_t mode, TDestroyResult& result);
  static void DestroyByIndex(uint32_t index, uint8_t mode, TDestroyResult& result);
  void RemoveFromWay();
  void RemoveFromStation();
};

// A piece of road or rail, or a router (568 bytes).
struct TWay : ArrayerRecord<TWay> {
  uint32_t Index;
  uint8_t ConnectionCounter;  // at most 10
  uint8_t NodesCounter;       // at most 100
  uint8_t Reserved6;
  uint8_t Owner;
  uint32_t Station;
  TVector Position;
  uint32_t Mesh;
  uint8_t Reserved28[4];
  uint32_t Block;
  uint32_t Building;
  uint32_t Market;
  float SideLengths[2];
  uint8_t Reserved52[4];
  uint32_t PsgrWays[3];
  // The inhabitants of the finished houses at this road by wealth class: counted by the building
  // upkeep's pass now going on, and by the last finished pass.
  int32_t Residents[6];
  int32_t LastResidents[6];
  uint8_t Waytype;
  uint8_t Use;
  uint8_t State;
  uint8_t Reserved119;
  uint8_t Completion;
  uint8_t Reserved121;
  uint8_t RoadsideBuildings;
  uint8_t Reserved123;
  uint8_t City;
  uint8_t Reserved125[3];
  uint32_t Connections[10];
  uint32_t Nodes[100];

  // way.cpp
  void Init(uint8_t use, uint8_t wayType);
  bool CanBeDemolished() const;
  float Length() const;
  float WayCost(float length) const;
  void Destroy(uint8_t mode, TDestroyResult& result);
  static void DestroyByIndex(uint32_t index, uint8_t mode, TDestroyResult& result);
  void RemoveFromBuilding();
  void RemoveFromStation();
  void InvalidateSchedules() const;
  void ReleasePsgrWays();
  // The unlinking steps of Destroy; the end nodes they meet are recorded in ends.
  void RemovePlainWay(TWayEndNodes& ends);
  void RemoveRouterWay(TWayEndNodes& ends);
  void ReleaseEndNode(uint32_t node, TWayEndNodes& ends) const;
  static void CollectRouterNode(uint32_t node, TWayEndNodes& ends);
  static void DestroyNodeSignal(uint32_t signal);
  void FreeNodes() const;
  void DetachFromConnect(int k) const;  // k: 0-based position in the connection list
};

// The depot of a depot building with the trains inside (516 bytes). The two lists are parallel:
// one train index and one byte per train inside.
struct TDepot : ArrayerRecord<TDepot> {
  uint32_t Index;
  uint8_t TrainInsideCounter;  // at most 100; counts both lists
  uint8_t DepotKind;           // the way use of its building: 0 road, 1 rail
  // 1 its script is active, 2 convoys may leave, 4 convoys may enter, 8 a convoy waits to leave.
  uint8_t Flags;
  uint8_t Reserved7;
  uint32_t ExitNode;           // released convoys are set onto this node
  uint32_t Building;
  uint32_t TrainsInside[100];
  uint8_t TrainFlags[100];     // per convoy inside: 1 marked to leave

  // depot.cpp
  void Destroy(uint8_t mode, TDestroyResult& result);
  static void DestroyByIndex(uint32_t index, uint8_t mode, TDestroyResult& result);
};

// A ship's cargo slot (404 bytes): its goods count in the low byte of its first word.
struct TShipSlot {
  uint8_t ShipSlotGoodsCounter;  // at most 100
  uint8_t Reserved1[3];
  uint32_t Goods[100];
};

// A ship with up to four cargo slots (1,724 bytes).
struct TShip : ArrayerRecord<TShip> {
  uint32_t Index;
  float Speed;               // per tick; negative astern
  TPlacement Placement;      // angles in degrees
  uint32_t SlipwayBuilding;  // the coast building it is launched from
  uint32_t FirstStation;
  uint32_t Schedule;         // 0 none
  uint16_t ShipType;         // 1-based row of ShipTypes
  uint8_t ScheduleTaken;
  uint8_t State;             // 0 afloat, 1 launching, 2 on its schedule
  uint8_t Reserved48[56];
  uint8_t ShipSlotsCounter;  // at most 4
  uint8_t Reserved105[3];
  TShipSlot Slots[4];
};

// A signal at a node (52 bytes). Signals stand in pairs, one at each of the two nodes where two
// rail ways meet; each leads into the block of the way that starts at its node.
struct TSignal : ArrayerRecord<TSignal> {
  uint32_t Index;
  uint8_t Lamp;     // 0 red, 1 green
  uint8_t Kind;     // 1 placed by the signal command; passing trains neither count at nor switch kind 0
  uint8_t OneWay;   // 0 clear; 1 entering the block here is forbidden
  uint8_t Reserved7;
  uint32_t Node;    // the node it stands at
  TPlacement Pose;  // beside the track: Gier the heading in degrees, Roll and Nick 0
  uint32_t Block;   // the block a train enters when it passes the signal
  uint32_t Partner; // the signal of the pair at the other node
  uint8_t Reserved44[8];

  // signal.cpp
  void Destroy() const;
  bool IsClear() const;
};

// Where the trains of a schedule go next from this station: a passenger route follows these.
struct TStationStretch {
  uint32_t Station;    // the station at the stretch's other end
  uint32_t Schedule;   // the schedule that runs it
  uint8_t StopNumber;  // this station's stop in the schedule (1-based)
  uint8_t Reserved9[3];
};
static_assert(sizeof(TStationStretch) == 12);

// A stop of the transport network (42,036 bytes).
struct TStation : ArrayerRecord<TStation> {
  uint32_t Index;
  uint8_t Kind;          // given at creation: the founding player
  uint8_t HandlingRate;  // goods handled per loading step; 10 for a station founded by a way
  uint8_t StationBuildingcounter;  // at most 100
  uint8_t StationWayCounter;       // at most 100
  uint32_t LastRatingTick;         // GameTime of the last rating of its goods entries
  TVector Position;
  uint8_t ServiceFlags;  // 32 road service, 16 rail service
  uint8_t Reserved25[3];
  uint32_t StationObjectOf;
  uint32_t LinkedStation;
  uint16_t StationInGoodsCounter;   // at most 5,000
  uint16_t StationOutGoodsCounter;  // at most 5,000
  uint16_t BuildingType;  // the kind word: the type whose name enters the station name (0 none)
  uint8_t StationstretchCounter;    // at most 20
  uint8_t City;
  uint8_t Direction;  // 0 north, 1 south, 2 east, 3 west, 4 central, 5 none
  uint8_t StationIndustryInRangeCounter;  // at most 16
  uint8_t StationGoodsCounter;            // at most 52
  uint8_t Number;
  int32_t PassengerProduction;  // the passengers the buildings around make, weighted by its rating
  uint8_t Reserved52[4];
  uint32_t Buildings[100];
  uint32_t Ways[100];
  uint32_t GoodsIn[5000];
  uint32_t GoodsOut[5000];
  TStationStretch Stretches[20];
  uint32_t IndustriesInRange[16];
  uint8_t Goods[52][16];
  ShortString<43> Name;

  // station.cpp
  void Init(uint8_t kind, uint8_t city, const TVector& position);
  void BuildName();
  void CalcStationKind();
  void destroy(uint8_t mode, TDestroyResult& result);
};

// A piece of street with the road vehicles waiting on its two sides (88 bytes).
struct TStreetBlock : ArrayerRecord<TStreetBlock> {
  uint32_t Index;
  uint8_t Side0Count;  // at most 10
  uint8_t Side1Count;  // at most 10
  uint8_t Reserved6[2];
  uint32_t Side0[10];
  uint32_t Side1[10];

  // streetblock.cpp. The side routines change the record in memory only; a side other than 0
  // or 1 is refused (false, nothing changes).
  void Destroy() const;
  bool AddToSide(uint8_t side, uint32_t value, bool flag);
  bool RemoveFromSide(uint8_t side, uint32_t value);
  bool IsEmpty() const;
  static void ReleaseTrain(uint32_t train);
};

// A tree of the landscape (36 bytes).
struct TTree : ArrayerRecord<TTree> {
  uint32_t Index;
  uint8_t Kind;
  float Scale;        // 1.0
  TVector Position;
  float Rotation;     // degrees
  uint8_t Reserved25[11];

  void Destroy() const;  // tree.cpp
};

// A town's market (1,692 bytes).
struct TMarket : ArrayerRecord<TMarket> {
  uint32_t Index;
  uint8_t MarketGoodsCounter;       // at most 52
  uint8_t MarketCalcGWFromCounter;  // at most 250
  uint8_t MarketBuildingCount;      // a market has one building
  uint8_t Reserved7;
  uint32_t Station;
  uint32_t FirstBuilding;
  // The inhabitants of the houses at the roads this market serves, by wealth class: counted by the
  // building upkeep's pass now going on, and by the last finished pass.
  int32_t Residents[6];
  int32_t LastResidents[6];
  uint8_t Reserved64[4];
  uint8_t Goods[52][12];
  uint32_t CalcGWFrom[250];

  // market.cpp
  bool RemoveAGoodsway(uint32_t goodsway);
  void Destroy();
  static void DestroyByIndex(uint32_t index);
};

struct TIndustryOutput {
  uint32_t Value;
  uint32_t Target;  // a TGoodsway (in the simple economy mode a TStation)
};

// A producing or consuming site (3,484 bytes).
struct TIndustry : ArrayerRecord<TIndustry> {
  uint32_t Index;
  uint8_t IndustryOutputCounter;  // at most 250
  uint8_t IndustryInputCounter;   // at most 32
  uint8_t ResizeState;  // 0 shrink, 1 keep, 2 grow: what its stations' service asks for
  uint8_t Reserved7;
  uint32_t ResizeTick;  // GameTime when ResizeState was set
  int32_t Size;  // its production: what it weighs on its town, grown and shrunk with its trade
  float CostValue;              // weighs with its type's cost factor on the cost of its goods
  uint32_t NextProductionTick;  // GameTime of its next production
  uint32_t Station;             // its own station
  uint8_t IndustryType;
  uint8_t IndustryCalcGWFromCounter;  // at most 250
  uint8_t IndustryPCOutputCounter;    // at most 8
  uint8_t City;
  float Productivity;
  uint32_t CalcGWFrom[250];
  uint8_t PCOutput[8][24];
  TIndustryOutput Output[250];
  uint8_t Input[32][8];

  // industry.cpp
  bool RemoveAGoodsway(uint32_t goodsway);
  void Destroy();
  static void DestroyByIndex(uint32_t index);
  void AddToCity() const;
  void RemoveFromCity() const;
};

// A signal block (424 bytes).
struct TBlock : ArrayerRecord<TBlock> {
  uint32_t Index;
  uint8_t TrainCount;       // at most 3
  uint8_t Insignalcounter;  // at most 100
  uint8_t Reserved6[2];
  uint32_t Value8;
  uint32_t Trains[3];
  uint32_t InSignals[100];

  // block.cpp
  void Destroy() const;
  static void DestroyByIndex(uint32_t index);
};

// The node list a vehicle follows (4,012 bytes).
struct TPath : ArrayerRecord<TPath> {
  uint32_t Index;
  uint16_t PathNodeCounter;  // at most 1,000
  // 0 valid (the search found the path), 1 new or to be searched again, 2 the search failed.
  uint8_t Invalid;
  uint8_t Use;   // 0 road, 1 rail: the kind of the train it serves
  uint32_t Cost;  // the cost of the found path
  // The nodes at which a vehicle decides something, from the end node (first) back to the
  // start node (last).
  uint32_t Nodes[1000];

  // path.cpp
  void Init(uint8_t use);
  bool ContainsNode(uint32_t node) const;
  void Destroy() const;
};

// A halt of a line (40 bytes).
struct TScheduleStop {
  uint8_t Halt;  // 1: vehicles stop here
  uint8_t Reserved1[3];
  uint32_t Station;
  float PathCost;            // cost of the path to the next halt; 0 not measured yet
  int32_t TimeToNext;        // ticks to the next halt; 0 not measured yet
  uint8_t VehicleFlags[12];  // per vehicle position: 2 left this halt without load
  uint8_t GoodsTypes[12];    // per vehicle position: 0 any goods of the vehicle type
};
static_assert(sizeof(TScheduleStop) == 40);

// The stops and trains of a line (1,076 bytes).
struct TSchedule : ArrayerRecord<TSchedule> {
  uint32_t Index;
  uint8_t State;  // 0 not calculated, 1 calculated, 2 calculated and to be calculated again
  uint8_t Use;
  uint8_t HopFlag;  // what a goods way's hop carried by this schedule records (non-zero)
  uint8_t ScheduleTrainCounter;    // at most 50
  uint8_t ScheduleStationCounter;  // at most 20
  uint8_t SharePercent;  // the percent of a ridden hop's transport cost that its goods earn and take
  uint8_t Reserved10[66];
  uint32_t Trains[50];
  TScheduleStop Stops[20];

  // schedule.cpp
  bool IsCalculated() const;
  void Destroy() const;
  void RemoveStation(uint32_t station);
};

// One car or wagon with the goods it carries (468 bytes).
struct TVehicle : ArrayerRecord<TVehicle> {
  uint32_t Index;
  uint16_t VehicleType;
  uint8_t Reserved6;
  uint8_t Shown;
  uint8_t VehicleGoodsCounter;  // at most 100
  uint8_t Owner;
  uint8_t LoadPercentage;
  uint8_t Reserved11;
  TPlacement Placement;
  uint32_t FrontNode, BackNode;
  float FrontDistance, BackDistance;
  float RunDistance;
  float Wear;
  uint32_t LoadingStartTick, LoadingEndTick;
  uint32_t Goods[100];

  // vehicle.cpp
  float GetValue(bool& isNew) const;
  void Destroy(bool fromTrains);
  static void DestroyByIndex(uint32_t index, bool fromTrains);
};

#pragma pack(pop)

// The writers' extra steps.
void BuildingAfterWrite(const uint8_t* rec);  // LocalWorldChanged and BuildingsPerType
void WayAfterWrite(const uint8_t* rec);       // LocalWorldChanged
// The count of a building type in BuildingsPerType changes by delta; a type outside 1 to 255
// only warns.
void ChangeBuildingsPerType(uint32_t type, int32_t delta);

// The operation names in the count texts of most types.
#define ARRAYER_STANDARD_OPS {"A_Read", "A_Write", "A_ReWrite", "A_Overwrite"}

inline constexpr RecordDesc kTBuildingDesc{
    .Name = "TBuilding", .Array = ArrayerId::BW, .Kind = kKindBuilding, .Row = 1,
    .Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite, .Size = 224, .FixedSize = 144, .ListCount = 1,
    .Lists = {PlainList(offsetof(TBuilding, BuildingWayCounter), 1, offsetof(TBuilding, Ways), 4, 20,
                        "BuildingWayCounter overfull", "BuildingWayCounter has changed")},
    .CheckCount = 1, .CheckOrder = {0}, .CountOp = ARRAYER_STANDARD_OPS, .AfterWrite = BuildingAfterWrite};

inline constexpr RecordDesc kTWayDesc{
    .Name = "TWay", .Array = ArrayerId::BW, .Kind = kKindWay, .Row = 2,
    .Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite, .Size = 568, .FixedSize = 128, .ListCount = 2,
    .Lists = {PlainList(offsetof(TWay, ConnectionCounter), 1, offsetof(TWay, Connections), 4, 10,
                        "ConnectionCounter overfull", "ConnectionCounter has changed"),
              PlainList(offsetof(TWay, NodesCounter), 1, offsetof(TWay, Nodes), 4, 100, "NodesCounter overfull",
                        "NodesCounter has changed")},
    .CheckCount = 2, .CheckOrder = {0, 1}, .CountOp = ARRAYER_STANDARD_OPS, .AfterWrite = WayAfterWrite};

inline constexpr RecordDesc kTDepotDesc{
    .Name = "TDepot", .Array = ArrayerId::OA, .Kind = kKindDepot, .Row = 3,
    .Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite, .Size = 516, .FixedSize = 16, .ListCount = 2,
    .Lists = {PlainList(offsetof(TDepot, TrainInsideCounter), 1, offsetof(TDepot, TrainsInside), 4, 100,
                        "TrainInsideCounter overfull", "TrainInsideCounter has changed"),
              PlainList(offsetof(TDepot, TrainInsideCounter), 1, offsetof(TDepot, TrainFlags), 1, 100,
                        "TrainInsideCounter overfull", "TrainInsideCounter has changed")},
    .CheckCount = 1, .CheckOrder = {0}, .CountOp = {"Read", "Write", "ReWrite", "Overwrite"}, .AfterWrite = nullptr};

inline constexpr RecordDesc kTShipDesc{
    .Name = "TShip", .Array = ArrayerId::OA, .Kind = kKindShip, .Row = 4, .Ops = kOpRead | kOpOverwrite,
    .Size = 1724, .FixedSize = 108, .ListCount = 1,
    .Lists = {SlotList(offsetof(TShip, ShipSlotsCounter), offsetof(TShip, Slots), sizeof(TShipSlot), 4,
                       "ShipSlotsCounter overfull", "ShipSlotsCounter has changed", 100,
                       "One of the ShipSlotGoodsCounter is overfull", "One of the ShipSlotGoodsCounter has changed")},
    .CheckCount = 1, .CheckOrder = {0}, .CountOp = ARRAYER_STANDARD_OPS, .AfterWrite = nullptr};

inline constexpr RecordDesc kTSignalDesc{
    .Name = "TSignal", .Array = ArrayerId::OA, .Kind = kKindSignal, .Row = 5,
    .Ops = kOpRead | kOpWrite | kOpOverwrite, .Size = 52, .FixedSize = 52, .ListCount = 0, .Lists = {},
    .CheckCount = 0, .CheckOrder = {}, .CountOp = ARRAYER_STANDARD_OPS, .AfterWrite = nullptr};

inline constexpr RecordDesc kTStationDesc{
    .Name = "TStation", .Array = ArrayerId::OA, .Kind = kKindStation, .Row = 6,
    .Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite, .Size = 42036, .FixedSize = 56, .ListCount = 8,
    .Lists = {PlainList(offsetof(TStation, StationBuildingcounter), 1, offsetof(TStation, Buildings), 4, 100,
                        "StationBuildingcounter overfull", "StationBuildingcounter has changed"),
              PlainList(offsetof(TStation, StationWayCounter), 1, offsetof(TStation, Ways), 4, 100,
                        "StationWayCounter overfull", "StationWayCounter has changed"),
              PlainList(offsetof(TStation, StationInGoodsCounter), 2, offsetof(TStation, GoodsIn), 4, 5000,
                        "StationInGoodsCounter overfull", "StationInGoodsCounter has changed"),
              PlainList(offsetof(TStation, StationOutGoodsCounter), 2, offsetof(TStation, GoodsOut), 4, 5000,
                        "StationOutGoodsCounter overfull", "StationOutGoodsCounter has changed"),
              PlainList(offsetof(TStation, StationstretchCounter), 1, offsetof(TStation, Stretches),
                        sizeof(TStationStretch), 20, "StationstretchCounter overfull",
                        "StationstretchCounter has changed", "A_ReWrite"),
              PlainList(offsetof(TStation, StationIndustryInRangeCounter), 1, offsetof(TStation, IndustriesInRange),
                        4, 16, "StationIndustryInRangeCounter overfull", "StationIndustryInRangeCounter has changed"),
              PlainList(offsetof(TStation, StationGoodsCounter), 1, offsetof(TStation, Goods), 16, 52,
                        "StationGoodsCounter overfull", "StationGoodsCounter has changed"),
              NameList(offsetof(TStation, Name), 43, "StationName too long", "StationName length have changed")},
    .CheckCount = 7, .CheckOrder = {0, 1, 2, 3, 4, 5, 6}, .CountOp = {"A_Read", "A_Write", "A_Rewrite", "A_Overwrite"},
    .AfterWrite = nullptr};

inline constexpr RecordDesc kTStreetBlockDesc{
    .Name = "TStreetBlock", .Array = ArrayerId::OA, .Kind = kKindStreetBlock, .Row = 7,
    .Ops = kOpRead | kOpWrite | kOpOverwrite, .Size = 88, .FixedSize = 88, .ListCount = 0, .Lists = {},
    .CheckCount = 0, .CheckOrder = {}, .CountOp = ARRAYER_STANDARD_OPS, .AfterWrite = nullptr};

inline constexpr RecordDesc kTTreeDesc{
    .Name = "TTree", .Array = ArrayerId::OA, .Kind = kKindTree, .Row = 9, .Ops = kOpRead | kOpWrite, .Size = 36,
    .FixedSize = 36, .ListCount = 0, .Lists = {}, .CheckCount = 0, .CheckOrder = {}, .CountOp = ARRAYER_STANDARD_OPS,
    .AfterWrite = nullptr};

inline constexpr RecordDesc kTMarketDesc{
    .Name = "TMarket", .Array = ArrayerId::OA, .Kind = kKindMarket, .Row = 16,
    .Ops = kOpRead | kOpReWrite | kOpOverwrite, .Size = 1692, .FixedSize = 68, .ListCount = 2,
    .Lists = {PlainList(offsetof(TMarket, MarketGoodsCounter), 1, offsetof(TMarket, Goods), 12, 52,
                        "MarketGoodsCounter overfull", "MarketGoodsCounter has changed"),
              PlainList(offsetof(TMarket, MarketCalcGWFromCounter), 1, offsetof(TMarket, CalcGWFrom), 4, 250,
                        "MarketCalcGWFromCounter overfull", "MarketCalcGWCounter has changed")},
    .CheckCount = 2, .CheckOrder = {0, 1}, .CountOp = {"A_Read", "A_Write", "A_ReWrite", "A_OverWrite"},
    .AfterWrite = nullptr};

inline constexpr RecordDesc kTIndustryDesc{
    .Name = "TIndustry", .Array = ArrayerId::OA, .Kind = kKindIndustry, .Row = 15,
    .Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite, .Size = 3484, .FixedSize = 36, .ListCount = 4,
    .Lists = {PlainList(offsetof(TIndustry, IndustryCalcGWFromCounter), 1, offsetof(TIndustry, CalcGWFrom), 4, 250,
                        "IndustryCalcGWFromCounter overfull", "IndustryCalcGWFromCounter has changed"),
              PlainList(offsetof(TIndustry, IndustryPCOutputCounter), 1, offsetof(TIndustry, PCOutput), 24, 8,
                        "IndustryPCOutputCounter overfull", "IndustryPCOutputCounter has changed"),
              PlainList(offsetof(TIndustry, IndustryOutputCounter), 1, offsetof(TIndustry, Output), 8, 250,
                        "IndustryOutputCounter overfull", "IndustryOutputCounter has changed"),
              PlainList(offsetof(TIndustry, IndustryInputCounter), 1, offsetof(TIndustry, Input), 8, 32,
                        "IndustryInputCounter overfull", "IndustryInputCounter has changed")},
    .CheckCount = 4, .CheckOrder = {0, 1, 2, 3}, .CountOp = {"A_Read", "A_Write", "A_ReWrite", "A_OverWrite"},
    .AfterWrite = nullptr};

inline constexpr RecordDesc kTBlockDesc{
    .Name = "TBlock", .Array = ArrayerId::Rest, .Kind = kKindBlock, .Row = 10,
    .Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite, .Size = 424, .FixedSize = 24, .ListCount = 1,
    .Lists = {PlainList(offsetof(TBlock, Insignalcounter), 1, offsetof(TBlock, InSignals), 4, 100,
                        "Insignalcounter overfull", "InsignalCounter has changed")},
    .CheckCount = 1, .CheckOrder = {0}, .CountOp = ARRAYER_STANDARD_OPS, .AfterWrite = nullptr};

inline constexpr RecordDesc kTPathDesc{
    .Name = "TPath", .Array = ArrayerId::Rest, .Kind = kKindPath, .Row = 18,
    .Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite, .Size = 4012, .FixedSize = 12, .ListCount = 1,
    .Lists = {PlainList(offsetof(TPath, PathNodeCounter), 2, offsetof(TPath, Nodes), 4, 1000, "PathNodeCounter overfull",
                        "PathNodeCounter has changed")},
    .CheckCount = 1, .CheckOrder = {0}, .CountOp = {"A_Read", "A_Write", "A_ReWrite", "A_OverWrite"},
    .AfterWrite = nullptr};

inline constexpr RecordDesc kTScheduleDesc{
    .Name = "TSchedule", .Array = ArrayerId::Rest, .Kind = kKindSchedule, .Row = 19,
    .Ops = kOpRead | kOpReWrite | kOpOverwrite, .Size = 1076, .FixedSize = 76, .ListCount = 2,
    .Lists = {PlainList(offsetof(TSchedule, ScheduleTrainCounter), 1, offsetof(TSchedule, Trains), 4, 50,
                        "ScheduleTrainCounter is overfull", "ScheduleTrainCounter has changed"),
              PlainList(offsetof(TSchedule, ScheduleStationCounter), 1, offsetof(TSchedule, Stops),
                        sizeof(TScheduleStop), 20, "ScheduleStationCounter is overfull",
                        "ScheduleStationCounter has changed")},
    .CheckCount = 2, .CheckOrder = {1, 0}, .CountOp = {"A_Read", "A_Write", "A_ReWrite", "A_overWrite"},
    .AfterWrite = nullptr};

inline constexpr RecordDesc kTVehicleDesc{
    .Name = "TVehicle", .Array = ArrayerId::Rest, .Kind = kKindVehicle, .Row = 20,
    .Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite, .Size = 468, .FixedSize = 68, .ListCount = 1,
    .Lists = {PlainList(offsetof(TVehicle, VehicleGoodsCounter), 1, offsetof(TVehicle, Goods), 4, 100,
                        "VehicleGoodsCounter overfull", "VehicleGoodsCounter has changed")},
    .CheckCount = 1, .CheckOrder = {0}, .CountOp = {"A_Read", "A_Write", "A_ReWrite", "A_overWrite"},
    .AfterWrite = nullptr};

#undef ARRAYER_STANDARD_OPS

ARRAYER_RECORD_TYPE(TBuilding, 224);
ARRAYER_RECORD_TYPE(TWay, 568);
ARRAYER_RECORD_TYPE(TDepot, 516);
static_assert(offsetof(TDepot, ExitNode) == 8 && offsetof(TDepot, Building) == 12 && offsetof(TDepot, TrainsInside) == 16);
ARRAYER_RECORD_TYPE(TShip, 1724);
ARRAYER_RECORD_TYPE(TSignal, 52);
ARRAYER_RECORD_TYPE(TStation, 42036);
ARRAYER_RECORD_TYPE(TStreetBlock, 88);
ARRAYER_RECORD_TYPE(TTree, 36);
ARRAYER_RECORD_TYPE(TMarket, 1692);
ARRAYER_RECORD_TYPE(TIndustry, 3484);
ARRAYER_RECORD_TYPE(TBlock, 424);
ARRAYER_RECORD_TYPE(TPath, 4012);
ARRAYER_RECORD_TYPE(TSchedule, 1076);
ARRAYER_RECORD_TYPE(TVehicle, 468);

// Positions the store reads: the x and z of a located record are its fourth and sixth words.
static_assert(offsetof(TBuilding, Position) == 12 && offsetof(TWay, Position) == 12 &&
              offsetof(TStation, Position) == 12);
static_assert(offsetof(TStation, Name) == 41992 && offsetof(TShip, Slots) == 108);
static_assert(offsetof(TShip, Placement) == 8 && offsetof(TShip, ShipType) == 44 && offsetof(TShip, State) == 47 &&
              offsetof(TShip, ShipSlotsCounter) == 104);
static_assert(offsetof(TSignal, Lamp) == 4 && offsetof(TSignal, Kind) == 5 && offsetof(TSignal, OneWay) == 6 &&
              offsetof(TSignal, Node) == 8 && offsetof(TSignal, Pose) == 12 && offsetof(TSignal, Block) == 36 &&
              offsetof(TSignal, Partner) == 40);

// Every descriptor, for walks over all record types.
inline constexpr const RecordDesc* kWorldRecordDescs[] = {
    &kTBuildingDesc, &kTWayDesc,    &kTDepotDesc,     &kTShipDesc,  &kTSignalDesc, &kTStationDesc, &kTStreetBlockDesc,
    &kTTreeDesc,     &kTMarketDesc, &kTIndustryDesc, &kTBlockDesc, &kTPathDesc,   &kTScheduleDesc, &kTVehicleDesc};

// The end nodes that a way's removal meets (TWay::ReleaseEndNode), for the removal of the paths
// that ran over them; room for 999.
struct TWayEndNodes {
  static constexpr uint32_t kRoom = 999;
  uint32_t Count = 0;
  bool StationFlag = false;  // an end node was a station node
  uint32_t Nodes[kRoom] = {};
  void Add(uint32_t node) {
    if (Count < kRoom) Nodes[Count++] = node;
  }
};

// Whether the entry at index of the descriptor's array holds a record of the descriptor's kind. No
// statistics are counted; an index outside the table gives false.
bool ArrayerHolds(const RecordDesc& d, uint32_t index);

// The removals cascade through each other (a router takes its neighbours along, a station its
// buildings and ways, a junction building goes with its last connection). A record whose Destroy
// is under way is marked for that time; a cascade that meets it again leaves it to the outer call.
class DestroyInProgress {
 public:
  DestroyInProgress(const RecordDesc& d, uint32_t index);
  ~DestroyInProgress();
  DestroyInProgress(const DestroyInProgress&) = delete;
  DestroyInProgress& operator=(const DestroyInProgress&) = delete;
  static bool Active(const RecordDesc& d, uint32_t index);

 private:
  const RecordDesc* desc_;
  uint32_t index_;
};

// A cascade's removal of a dependant (the ways met by a router, a building's depot and ways, a
// station's buildings and ways): a record that an earlier step of the same cascade removed
// already counts as removed ({0}); one whose removal is under way is left to that removal ({0}).
template <class T>
void DestroyDependant(uint32_t index, uint8_t mode, TDestroyResult& result) {
  if (!ArrayerHolds(RecordTraits<T>::Desc, index)) {
    result.Clear();
    result.Include(kDestroyOk);
    return;
  }
  T::DestroyByIndex(index, mode, result);
}
