#include "network/vehicles/movement.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/random.h"
#include "engine/base/worldstate.h"
#include "engine/sound/samples.h"
#include "engine/store/nodepool.h"
#include "engine/world/hooks.h"
#include "engine/world/vehicletype.h"
#include "network/track/blocks.h"
#include "network/track/stations.h"
#include "network/track/trackfields.h"
#include "network/vehicles/convoys.h"
#include "network/vehicles/sounds.h"
#include "script/runners.h"

namespace movement_hooks {
namespace {
void NothingFor(TTrain&) {}
void NoPath(TTrain&, const TSchedule&, uint8_t, TPath*, bool, bool) {}
bool NotCaptured(TDepot&, const TBuilding&, uint32_t) { return false; }
uint8_t NoCaptureNode(uint16_t) { return 0; }
void NoLaneQueue(TTrain&, uint32_t, uint8_t) {}
bool MayEnter(TTrain&, TWay&) { return true; }
uint32_t LinkUnchanged(const TTrain&, uint32_t node, const TWay&, uint8_t k) {
  return NodeByIndex(node).NextLinks[k == 2 ? 1 : 0];
}
void NoSwitch(TWay&, uint8_t) {}
void NoRouterPath(TTrain&, TWay&) {}
}  // namespace

void (*ArriveAtStation)(TTrain&) = NothingFor;
void (*FinishedUnloadingBeginLoading)(TTrain&) = NothingFor;
void (*FindPathToSchedulestation)(TTrain&, const TSchedule&, uint8_t, TPath*, bool, bool) = NoPath;
bool (*CaptureTrain)(TDepot&, const TBuilding&, uint32_t) = NotCaptured;
uint8_t (*CaptureNodeNumber)(uint16_t) = NoCaptureNode;
void (*KeepDistance)(TTrain&) = NothingFor;
void (*LaneQueueUpdate)(TTrain&, uint32_t, uint8_t) = NoLaneQueue;
bool (*CrossingEntry)(TTrain&, TWay&) = MayEnter;
uint32_t (*TownCarCrossingLink)(const TTrain&, uint32_t, const TWay&, uint8_t) = LinkUnchanged;
void (*SetRouterSwitch)(TWay&, uint8_t) = NoSwitch;
void (*SetRouterForPath)(TTrain&, TWay&) = NoRouterPath;
int32_t (*RunBuildingEvent)(int32_t, int32_t, int32_t, int32_t, TBuilding&, int32_t, TDepot*) = RunBuildingEventScript;

void InstallDefaults() {
  ArriveAtStation = NothingFor;
  FinishedUnloadingBeginLoading = NothingFor;
  FindPathToSchedulestation = NoPath;
  CaptureTrain = NotCaptured;
  CaptureNodeNumber = NoCaptureNode;
  KeepDistance = NothingFor;
  LaneQueueUpdate = NoLaneQueue;
  CrossingEntry = MayEnter;
  TownCarCrossingLink = LinkUnchanged;
  SetRouterSwitch = NoSwitch;
  SetRouterForPath = NoRouterPath;
  RunBuildingEvent = RunBuildingEventScript;
}
}  // namespace movement_hooks

namespace {

using LD = long double;

constexpr float kNoStopSeen = 102300.0f;
constexpr LD kNormalSpeedFactor = 1.2L;
// A convoy too weak for its slope creeps on up to this speed.
constexpr float kCreepBelow = 0.3f, kCreepStep = 0.0005f, kCreepCost = 3.0f;
constexpr LD kGradeDivisor = 50.0L, kSpeedMargin = 0.1L;
constexpr float kEqualNodesAcceleration = 0.005f;
// Waiting times in ticks: a long wait at a crossing before the car is taken off, a dead end on a
// way and one without, a one-way signal against the convoy, a hold node.
constexpr int64_t kMostCrossingWait = 4500;
constexpr uint32_t kDeadEndWait = 3000, kLooseEndWait = 250, kOneWayWait = 500, kHoldWait = 2500;
// Speeds: before a red signal or its halt, over a reverse node, at the start of a turn.
constexpr float kSignalApproach = 0.02f, kReverseNodeSpeed = 0.5f, kTurnSpeed = 2.0f;
// Braking: the least deceleration that counts, and when it is loud.
constexpr LD kBrakeMargin = 0.01L, kBrakeSoundTarget = 0.1L, kTrainBrakeSoundAbove = 0.11L,
             kRoadBrakeSoundWithin = 10.0L, kLoudBrake = 0.3L;
// Building events of the nodes: a branch, the head reached the node, the tail left it.
constexpr int32_t kEventBranch = 1, kEventHeadReached = 3, kEventTailLeft = 4;
constexpr uint8_t kNodeFlagDepotCapture = kNodeFlagCapture;
constexpr uint8_t kWaytypeUnbuilt = 4;
constexpr uint8_t kLaneQueueEntered = 0, kLaneQueueLeft = 2;

// A node by value: the pool's records are packed.
TNode NodeAt(uint32_t n) { return NodeByIndex(n); }
uint32_t NextLink(const TNode& n, uint8_t k) { return n.NextLinks[k == 2 ? 1 : 0]; }
bool IsNextLink(const TNode& n, uint32_t node) {
  for (int k = 0; k < n.NextLinkCount && k < 2; ++k)
    if (n.NextLinks[k] == node) return true;
  return false;
}
LD LinkLength(uint32_t a, uint32_t b) { return VecDistance(NodeByIndex(b).Position, NodeByIndex(a).Position); }

// Timer is due: set and passed.
bool Due(uint32_t timer) { return timer != 0 && GameTimeReached(static_cast<int64_t>(timer) + 1); }
uint32_t In(uint32_t ticks) { return GameTime + ticks; }

int VehicleCount(const TTrain& t) { return std::min<int>(t.VehicleCount, kTrainMaxVehicles); }

// While a dead-end turn steps the convoy on inside one tick of the step, the month's costs of that
// tick are not booked again.
int g_turnDepth = 0;
struct TurnSteps {
  TurnSteps() { ++g_turnDepth; }
  ~TurnSteps() { --g_turnDepth; }
  TurnSteps(const TurnSteps&) = delete;
  TurnSteps& operator=(const TurnSteps&) = delete;
};

// The record is packed: its node history is read and written entry by entry.
void Remember(TTrain& t, uint32_t node) {
  for (int i = 0; i < kTrainNodesAhead; ++i)
    if (t.NodesAhead[i] == node) return;
  for (int i = kTrainNodesAhead - 1; i > 0; --i) t.NodesAhead[i] = t.NodesAhead[i - 1];
  t.NodesAhead[0] = node;
}

}  // namespace

std::vector<uint32_t> NodesUnder(const TTrain& t) {
  int end = 0;
  while (end < kTrainNodesAhead && t.NodesAhead[end] != 0) ++end;
  for (int i = 0; i < end; ++i) {
    if (t.NodesAhead[i] == t.ClosingNode) {
      end = i;
      break;
    }
  }
  std::vector<uint32_t> nodes;
  for (int i = end - 1; i >= 0; --i)
    if (t.NodesAhead[i] != t.NextNode) nodes.push_back(t.NodesAhead[i]);
  return nodes;
}

namespace {

// The way, building and depot of a building node; false when the node lies on no building's way.
struct BuildingOfNode {
  TBuilding Building{};
  std::unique_ptr<TDepot> Depot;
  bool Read(const TNode& n) {
    if (n.Way == 0) return false;
    TWay w{};
    w.A_Read(n.Way);
    if (w.Building == 0) return false;
    Building.A_Read(w.Building);
    if (Building.Depot != 0) {
      Depot = std::make_unique<TDepot>();
      Depot->A_Read(Building.Depot);
    }
    return true;
  }
};

// The building event of a building node: its answer, -1 when the node lies on no building's way.
int32_t NodeEvent(const TTrain& t, const TNode& n, int32_t event, bool withDepot) {
  BuildingOfNode b;
  if (!b.Read(n)) return -1;
  return movement_hooks::RunBuildingEvent(event, n.Used, 0, 0, b.Building, static_cast<int32_t>(t.Index),
                                          withDepot ? b.Depot.get() : nullptr);
}

// The waiting check of a train held at a signal: a warning once per year of waiting.
void WaitingAtSignal(TTrain& t) {
  if (t.BlockedSince == 0) {
    t.BlockedSince = GameTime;
  } else if (GameTimeReached(static_cast<int64_t>(t.BlockedSince) + TicksPerYear + 1)) {
    SYS_Warning("Missing Feature: gp_vehicles: Missing News: A train stands since 1 Year in one Block and can't leave it");
    t.BlockedSince = GameTime;
  }
}

// The node after Node on the convoy's path (read from its end toward its start), when that is one
// of Node's next nodes; 0 otherwise.
uint32_t NodeAfterOnPath(uint32_t pathIndex, uint32_t node, const TNode& n) {
  if (pathIndex == 0) return 0;
  auto p = std::make_unique<TPath>();
  p->A_Read(pathIndex);
  const int count = std::min<int>(p->PathNodeCounter, 1000);
  for (int i = 1; i < count; ++i) {
    if (p->Nodes[i] != node) continue;
    const uint32_t after = p->Nodes[i - 1];
    return IsNextLink(n, after) ? after : 0;
  }
  return 0;
}

// An owned convoy at a crossing follows its path; a node off its path makes it search its path
// once more.
uint32_t CrossingLinkOnPath(TTrain& t, uint32_t node, const TNode& n) {
  if (t.Path == 0) return NextLink(n, 1);
  uint32_t after = NodeAfterOnPath(t.Path, node, n);
  if (after == 0) {
    auto s = std::make_unique<TSchedule>();
    if (t.Schedule != 0) s->A_Read(t.Schedule);
    movement_hooks::FindPathToSchedulestation(t, *s, t.CurrentStop, nullptr, true, false);
    after = NodeAfterOnPath(t.Path, node, n);
  }
  return after != 0 ? after : NextLink(n, 1);
}

bool IsCrossingEntry(const TWay& w, uint32_t node) {
  if (WayPart(w) != kCrossingCentrePart) return false;
  const int entries = w.Waytype == kWaytypeXCrossing ? 4 : w.Waytype == kWaytypeTCrossing ? 3 : 0;
  for (int e = 0; e < entries && 2 * e < w.NodesCounter; ++e)
    if (w.Nodes[2 * e] == node) return true;
  return false;
}

// The brake sound on each vehicle that plays none yet.
void BrakeSound(TTrain& t) {
  for (int i = 0; i < VehicleCount(t); ++i) {
    TVehicle& v = ConvoyScratch.Vehicles[i];
    if (FindChannel(kVehicleEventOwner2, v.Index) == 0) UpdateVehicleSound(t.Index, v, 4, 0.0f, 0.0f);
  }
}

// The lane queue events of a road convoy for the nodes under it.
void LaneQueueEvents(TTrain& t, uint8_t event) {
  for (uint32_t n : NodesUnder(t)) movement_hooks::LaneQueueUpdate(t, n, event);
}

void CurveLimit(TTrain& t) {
  if (!NodeInPool(t.CurrentNode) || !NodeInPool(t.NextNode)) return;
  const TNode next = NodeAt(t.NextNode);
  const float c = std::max(CurveValue(next, 0), CurveValue(next, 1));
  BrakeForStop(t, static_cast<float>(LinkLength(t.CurrentNode, t.NextNode) - t.DistanceOnLink), c);
}

bool Driving(TTrain& t) {
  const uint32_t train = t.Index;
  t.Speed2 = t.Speed;
  float creep = 0.0f;
  if (t.Speed > t.TargetSpeed) {
    t.Speed = std::max(static_cast<float>(LD(t.Speed) - t.BrakeDeceleration), t.TargetSpeed);
  } else {
    const float a = Acceleration(t);
    if (a < 0.0f && t.Speed < kCreepBelow) {
      t.Speed = static_cast<float>(LD(t.Speed) + kCreepStep);
      creep = kCreepCost;
    } else {
      t.Speed = static_cast<float>(LD(t.Speed) + a);
    }
    t.Speed = std::min(t.Speed, t.TargetSpeed);
  }
  t.DistanceOnLink = static_cast<float>(LD(t.DistanceOnLink) + t.Speed);
  t.DistanceSinceStop = static_cast<float>(LD(t.DistanceSinceStop) + t.Speed);
  if (t.Owner != 0) BookDistanceCosts(t, creep);
  t.Timer = 0;
  Advance(t);
  if (!IsTrainUsed(train)) return false;
  if (t.State == kTrainDriving || t.State == kTrainToHalt) {
    if (t.VBT_Type == kTrainRoad) movement_hooks::KeepDistance(t);
    CurveLimit(t);
  }
  return true;
}

bool HasValidPath(const TTrain& t) {
  if (t.Path == 0) return false;
  auto p = std::make_unique<TPath>();
  p->A_Read(t.Path);
  return p->Invalid == 0;
}

bool Standing(TTrain& t) {
  const uint32_t train = t.Index;
  if (!Advance(t)) {
    if (!IsTrainUsed(train)) return false;
    if (Due(t.Timer)) {
      t.Timer = 0;
      TurnOnDeadEnd(t);
    }
    return false;
  }
  if (!IsTrainUsed(train)) return false;
  t.Timer = 0;
  for (int i = 0; i < VehicleCount(t); ++i) UpdateVehicleSound(train, ConvoyScratch.Vehicles[i], 5, 0.0f, 0.0f);
  t.Speed2 = 0.0f;
  if (t.State == kTrainStanding) {
    t.State = kTrainDriving;
    t.TargetSpeed = NormalTargetSpeed(t);
  }
  if (!HasValidPath(t) && t.Schedule != 0) {
    auto s = std::make_unique<TSchedule>();
    s->A_Read(t.Schedule);
    if (s->IsCalculated()) movement_hooks::FindPathToSchedulestation(t, *s, t.CurrentStop, nullptr, true, false);
  }
  return true;
}

}  // namespace

float NormalTargetSpeed(const TTrain& t) { return static_cast<float>(kNormalSpeedFactor * t.MaxSpeed); }

void PrepareTrain(TTrain& t, uint32_t index) {
  TConvoyScratch& s = ConvoyScratch;
  s.NearestStop = kNoStopSeen;
  s.ClassByte = t.VBT_Type == kTrainRoad ? 2 : t.VBT_Type == kTrainRail ? 1 : 0;
  float length = 0.0f;
  const int count = VehicleCount(t);
  for (int i = 0; i < kTrainMaxVehicles; ++i) {
    s.Vehicles[i] = TVehicle{};
    if (i >= count) continue;
    s.Vehicles[i].A_Read(t.Vehicles[i]);
    const uint16_t type = s.Vehicles[i].VehicleType;
    if (type < 1 || type > 255) continue;
    const TVehicleTypeDriving d = VehicleTypeDriving(VehicleTypes[type]);
    length = static_cast<float>(LD(length) + d.FrontLength + d.AxleDistance + d.RearLength);
    if (d.PassengerCapacity > 0 || d.VolumeCapacity > 0) s.ClassByte |= 4;
    if (d.WeightCapacity > 0) s.ClassByte |= 8;
  }
  s.TrainLength = length;
  t.Index = index;
  ActPlayer = t.Owner;
}

bool MoveOn(TTrain& t) {
  const uint32_t train = t.Index;
  if (t.State == kTrainWaitingLong && GameTimeReached(static_cast<int64_t>(t.Timer) + kMostCrossingWait + 1)) {
    world_hooks::RemoveCivilianCar(train);
    return false;
  }
  if (NewMonth != 0 && g_turnDepth == 0) BookMonthlyCosts(t);
  switch (t.State) {
    case kTrainDriving:
    case kTrainToHalt:
    case kTrainTurning:
      return Driving(t);
    case kTrainUnloading:
      if (Due(t.Timer)) {
        t.Timer = 0;
        movement_hooks::FinishedUnloadingBeginLoading(t);
      }
      return false;
    case kTrainLoading:
      if (Due(t.Timer)) {
        t.Timer = 0;
        t.State = kTrainStanding;
        t.TargetSpeed = NormalTargetSpeed(t);
      }
      return false;
    case kTrainStanding:
      return Standing(t);
    case kTrainWaiting:
    case kTrainWaitingLong:
      return t.VBT_Type == kTrainRoad && Advance(t) && IsTrainUsed(train);
    default:
      return false;
  }
}

float Acceleration(TTrain& t) {
  if (t.MaxSpeed == 0.0f) SYS_BREAKPROGRAM("ERROR: MaxSpeed=0 in Train " + std::to_string(t.Index));
  if (!NodeInPool(t.CurrentNode) || !NodeInPool(t.NextNode)) return 0.0f;
  if (t.CurrentNode == t.NextNode) return kEqualNodesAcceleration;
  if (t.TotalWeight == 0) CalcTrainPower(t);
  // A convoy without weight (no vehicle weighs anything) counts as weighing 1.
  const LD weight = t.TotalWeight != 0 ? LD(t.TotalWeight) : 1.0L;
  const TVector from = NodeByIndex(t.CurrentNode).Position, to = NodeByIndex(t.NextNode).Position;
  const float ground = VecDistanceXZ(from, to);
  const LD slope = ground != 0.0f ? (LD(to.y) - from.y) / ground : 0.0L;
  const LD grade = slope * weight / kGradeDivisor;
  const LD drive = (1.0L - t.Speed / (kSpeedMargin + t.MaxSpeed)) * t.PowerRatio;
  return static_cast<float>((drive - grade) / weight);
}

bool Advance(TTrain& t) {
  const uint32_t train = t.Index;
  for (;;) {
    // No current node, or a node outside the pool: the head goes no further.
    if (!NodeInPool(t.CurrentNode)) return false;
    if (t.NextNode == 0) {
      t.NextNode = GetHeadingnode(t, t.CurrentNode);
      if (!IsTrainUsed(train)) return false;
      if (t.NextNode == 0) SYS_BREAKPROGRAM("GetHeadingnode=0 IN TTRAIN.MOVEON");
    }
    if (!NodeInPool(t.NextNode)) return false;
    Remember(t, t.NextNode);
    const LD length = LinkLength(t.CurrentNode, t.NextNode);
    if (t.DistanceOnLink <= length) {
      t.BrakeDeceleration = 0.0f;
      t.TargetSpeed = NormalTargetSpeed(t);
      const TNode next = NodeAt(t.NextNode);
      if ((next.Flags & kNodeFlagReverse) != 0) t.TargetSpeed = kReverseNodeSpeed;
      if (t.State == kTrainToHalt || (next.Signal != 0 && BlockStateAtNode(t.NextNode) != 0))
        BrakeForStop(t, static_cast<float>(length - t.DistanceOnLink), kSignalApproach);
      return true;
    }
    const uint8_t r = TrainHeadBeforeNode(t, t.NextNode);
    if (r == 1) return false;
    if (r == 2) return true;
    const TNode next = NodeAt(t.NextNode);
    if (next.NextLinkCount == 0 || (next.Flags & kNodeFlagWayFinished) == 0) {
      if (t.State == kTrainDriving || (t.State == kTrainStanding && t.Timer == 0)) {
        t.Timer = In(next.Way != 0 ? kDeadEndWait : kLooseEndWait);
        t.State = kTrainStanding;
      }
      t.Speed = 0.0f;
      return false;
    }
    if (t.VBT_Type == kTrainRoad && next.Way != 0) {
      TWay w{};
      w.A_Read(next.Way);
      if (IsCrossingEntry(w, t.NextNode) && !movement_hooks::CrossingEntry(t, w)) return false;
      if (!IsTrainUsed(train)) return false;
    }
    t.DistanceOnLink = static_cast<float>(LD(t.DistanceOnLink) - length);
    t.CurrentNode = t.NextNode;
    t.NextNode = GetHeadingnode(t, t.CurrentNode);
    if (!IsTrainUsed(train)) return false;
    TrainEntersNode(t, t.CurrentNode);
    if (!IsTrainUsed(train)) return false;
  }
}

void BrakeForStop(TTrain& t, float dist, float v) {
  TConvoyScratch& s = ConvoyScratch;
  if (dist > s.NearestStop) return;
  s.NearestStop = dist;
  const LD d = (LD(t.Speed) - v) / (LD(dist) / (LD(v) / 2.0L + t.Speed));
  if (t.Speed <= v || !(d > kBrakeMargin)) return;
  if (d > kBrakeMargin + t.BrakeDeceleration && v + kBrakeSoundTarget < t.TargetSpeed && d > kLoudBrake) {
    const bool loud = t.VBT_Type == kTrainRail   ? t.TargetSpeed > kTrainBrakeSoundAbove
                      : t.VBT_Type == kTrainRoad ? dist < kRoadBrakeSoundWithin
                                                 : false;
    if (loud) BrakeSound(t);
  }
  t.TargetSpeed = v;
  t.BrakeDeceleration = static_cast<float>(d);
}

uint32_t GetHeadingnode(TTrain& t, uint32_t node) {
  const TNode n = NodeAt(node);
  if ((n.Flags & kNodeFlagWayFinished) == 0)
    SYS_BREAKPROGRAM("Node " + std::to_string(node) + " id not ready. It must not have been entered!!");
  if (n.NextLinkCount == 1) return n.NextLinks[0];
  if (n.NextLinkCount != 2) return 0;
  if (n.Way == 0) SYS_BREAKPROGRAM("Error! Node " + std::to_string(node) + " has 2 Next but no Way!");
  TWay w{};
  w.A_Read(n.Way);
  switch (w.Waytype) {
    case kWaytypeXCrossing:
    case kWaytypeTCrossing: {
      if (t.Owner != 0) return CrossingLinkOnPath(t, node, n);
      RandSeed = GameTime + t.Index;
      const uint8_t k = static_cast<uint8_t>(1 + Random(1000 * n.NextLinkCount) % 2);
      return movement_hooks::TownCarCrossingLink(t, node, w, k);
    }
    case kWaytypeRouter:
      if (WayPart(w) != kRouterCentrePart || w.Nodes[0] != node) return 0;
      return NextLink(n, WaySwitch(w));
    case kWaytypeBuildingWay:
      // A script that gives no link number of the node sends the convoy over its first link.
      return NextLink(n, static_cast<uint8_t>(NodeEvent(t, n, kEventBranch, false) == 2 ? 2 : 1));
    default:
      SYS_BREAKPROGRAM("Error! Node " + std::to_string(node) + " has 2 Next in Way " + std::to_string(w.Index));
  }
}

uint8_t TrainHeadBeforeNode(TTrain& t, uint32_t node) {
  const uint32_t train = t.Index;
  const TNode n = NodeAt(node);
  constexpr uint8_t kTownCarEnds = kNodeFlagReverse | kNodeFlagBuilding | kNodeFlagDepotCapture | kNodeFlagScripted;
  if (t.Owner == 0 && (n.Flags & kTownCarEnds) != 0) {
    world_hooks::RemoveCivilianCar(train);
    return 2;
  }
  if (t.State == kTrainToHalt) {
    movement_hooks::ArriveAtStation(t);
    return 1;
  }
  if (t.VBT_Type == kTrainRail) {
    switch (BlockStateAtNode(node)) {
      case 0:
        t.TargetSpeed = NormalTargetSpeed(t);
        if (n.Signal != 0) t.BlockedSince = 0;
        break;
      case 1:
        t.Speed = 0.0f;
        t.State = kTrainStanding;
        t.Timer = 0;
        WaitingAtSignal(t);
        return 1;
      default:
        if (t.State == kTrainTurning) break;  // a turning convoy passes a one-way signal
        t.Speed = 0.0f;
        if (t.State != kTrainStanding || t.Timer == 0) {
          t.State = kTrainStanding;
          t.Timer = In(kOneWayWait);
        }
        WaitingAtSignal(t);
        return 1;
    }
  }
  if ((n.Flags & kNodeFlagStation) != 0) {
    BuildingOfNode b;
    if (b.Read(n) && b.Depot != nullptr) {
      if (movement_hooks::CaptureNodeNumber(b.Building.BuildingType) != n.Used)
        SYS_BREAKPROGRAM("Error in TrainHeadBeforeNode: Bif-EnranceNode does not match with reality!");
      if (movement_hooks::CaptureTrain(*b.Depot, b.Building, train)) return 2;
      if (!IsTrainUsed(train)) return 2;
    }
  }
  if ((n.Flags & kNodeFlagHold) != 0) {
    t.Speed = 0.0f;
    if (t.State != kTrainStanding) {
      t.State = kTrainStanding;
      t.Timer = In(kHoldWait);
    }
    return 1;
  }
  if ((n.Flags & kNodeFlagScripted) != 0) {
    NodeEvent(t, n, kEventHeadReached, true);
    if (!IsTrainUsed(train)) return 2;
  }
  return 0;
}

void TrainEntersNode(TTrain& t, uint32_t node) {
  const TNode n = NodeAt(node);
  if (n.Way != 0) {
    TWay w{};
    w.A_Read(n.Way);
    const bool stopForTarget = w.Station != 0 && (n.Flags & kNodeFlagStation) != 0 && w.Station == t.TargetStation;
    switch (w.Waytype) {
      case kWaytypeStreet:
      case kWaytypeXCrossing:
      case kWaytypePlainRail:
      case kWaytypeTCrossing:
        if (stopForTarget && t.State != kTrainToHalt) t.State = kTrainToHalt;
        break;
      case kWaytypeRouter:
        if (w.Nodes[0] != node) break;
        if (WayPart(w) == 1) movement_hooks::SetRouterForPath(t, w);
        if (WayPart(w) == 2) movement_hooks::SetRouterSwitch(w, 1);
        if (WayPart(w) == 3) movement_hooks::SetRouterSwitch(w, 2);
        break;
      case kWaytypeBuildingWay:
        if (stopForTarget && t.State == kTrainDriving) t.State = kTrainToHalt;
        break;
      default:
        break;
    }
  }
  if ((n.Flags & kNodeFlagReverse) != 0) ReverseTrain(t, node);
  if (n.Signal != 0) SignalPassedByHead(n.Signal, t.Index);
  if (t.VBT_Type == kTrainRoad) movement_hooks::LaneQueueUpdate(t, node, kLaneQueueEntered);
}

void TrainLeavesNode(TTrain& t, uint32_t node) {
  const TNode n = NodeAt(node);
  if (n.Signal != 0) SignalPassedByTail(n.Signal, t.Index);
  if ((n.Flags & kNodeFlagScripted) != 0) NodeEvent(t, n, kEventTailLeft, false);
  if (t.VBT_Type == kTrainRoad && IsTrainUsed(t.Index)) movement_hooks::LaneQueueUpdate(t, node, kLaneQueueLeft);
}

namespace {

// The steps of a turn onto O: on until the rear has cleared O (the last vehicle's rear stands on
// O's link at least its rear coupling length beyond O, or its rear node is none of O's next nodes)
// or the convoy is no longer turning. A convoy that never gets there (its head stopped at a dead end
// before) gives up after kMostTurnSteps: false.
bool StepThroughTurn(TTrain& t, uint32_t o) {
  const uint32_t train = t.Index;
  const TNode on = NodeAt(o);
  const int count = VehicleCount(t);
  if (count == 0) return true;
  const TurnSteps turning;
  for (int step = 0; step < kMostTurnSteps; ++step) {
    MoveOn(t);
    if (IsTrainUsed(train)) PlaceTrainVehicles(t, 1);
    if (!IsTrainUsed(train) || t.State != kTrainTurning) return false;
    const TVehicle& last = ConvoyScratch.Vehicles[count - 1];
    const uint16_t type = last.VehicleType;
    const float rear = VehicleTypeDrivingOf(type).RearLength;
    if ((last.BackNode == o && last.BackDistance >= rear) || !IsNextLink(on, last.BackNode)) return true;
  }
  return false;
}

}  // namespace

bool TurnOnDeadEnd(TTrain& t) {
  const uint32_t train = t.Index;
  if (t.Owner == 0) {
    world_hooks::RemoveCivilianCar(train);
    return false;
  }
  if (!NodeInPool(t.CurrentNode) || !NodeInPool(t.NextNode)) return false;
  if (const uint32_t way = NodeByIndex(t.CurrentNode).Way; way != 0) {
    TWay w{};
    w.A_Read(way);
    if (w.Waytype == kWaytypeUnbuilt || w.Waytype == kWaytypeBuildingWay) return false;
  }
  const uint32_t o = OppositeNode(t.NextNode, 0);
  if (const uint32_t oWay = NodeByIndex(o).Way; oWay != 0) {
    TWay w{};
    w.A_Read(oWay);
    if (w.Block != 0 && t.VBT_Type == kTrainRoad) {
      TStreetBlock q{};
      q.A_Read(w.Block);
      const auto holds = [&q, train](int side) {
        const int count = std::min<int>(side == 0 ? q.Side0Count : q.Side1Count, 10);
        for (int i = 0; i < count; ++i)
          if ((side == 0 ? q.Side0[i] : q.Side1[i]) == train) return true;
        return false;
      };
      // A convoy that found its side of the queue full (ten convoys) was left out of it: it counts
      // as standing on the side of its own lane.
      const int side = holds(0) ? 0 : holds(1) ? 1 : LaneSideOf(w, t.CurrentNode);
      if ((side == 0 ? q.Side1Count : q.Side0Count) != 0) return false;
      for (uint32_t n : NodesUnder(t)) TrainLeavesNode(t, n);
      TrainEntersNode(t, o);
    } else if (w.Block != 0) {
      TBlock b{};
      b.A_Read(w.Block);
      if (b.TrainCount > 1 || (b.TrainCount == 1 && b.Trains[0] != train)) return false;
      RemoveTrainFromAllBlocks(train);
      b.A_Read(w.Block);
      AddTrainToBlock(b, train);
    }
  }
  if (!IsTrainUsed(train)) return false;

  const TTrain before = t;
  auto vehiclesBefore = std::make_unique<TVehicle[]>(kTrainMaxVehicles);
  std::copy(ConvoyScratch.Vehicles, ConvoyScratch.Vehicles + kTrainMaxVehicles, vehiclesBefore.get());
  t.CurrentNode = o;
  t.NextNode = 0;
  t.DistanceOnLink = kTurnSpeed;
  t.Speed = kTurnSpeed;
  t.TargetSpeed = kTurnSpeed;
  t.State = kTrainTurning;
  for (int i = 0; i < kTrainNodesAhead; ++i) t.NodesAhead[i] = 0;
  t.ClosingNode = 0;
  t.NodesAhead[0] = o;

  const bool cleared = StepThroughTurn(t, o);
  if (!IsTrainUsed(train)) return false;
  if (t.State == kTrainInDepot) return true;
  if (t.State == kTrainTurning && cleared) {
    t.State = kTrainStanding;
    t.Speed = 0.0f;
    t.TargetSpeed = NormalTargetSpeed(t);
    if (t.Schedule != 0 && t.Path != 0) {
      auto p = std::make_unique<TPath>();
      p->A_Read(t.Path);
      p->Invalid = 1;
      p->A_Overwrite();
    }
    return true;
  }
  // The turn failed: the convoy as it was before, counted again where it stands.
  if (t.VBT_Type == kTrainRoad) LaneQueueEvents(t, kLaneQueueLeft);
  t = before;
  std::copy(vehiclesBefore.get(), vehiclesBefore.get() + kTrainMaxVehicles, ConvoyScratch.Vehicles);
  if (t.VBT_Type == kTrainRail) {
    UpdateTrainBlocks(train);
  } else if (t.VBT_Type == kTrainRoad) {
    LaneQueueEvents(t, kLaneQueueEntered);
  }
  PlaceTrainVehicles(t, 1);
  return false;
}
