#include "network/vehicles/convoys.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/sound/samples.h"
#include "engine/store/nodepool.h"
#include "engine/world/train.h"
#include "engine/world/vehicletype.h"
#include "network/construction/buildings.h"
#include "network/track/cursor.h"
#include "network/track/schedules.h"
#include "network/vehicles/movement.h"
#include "network/vehicles/sounds.h"
#include "network/world/particles.h"

TConvoyScratch ConvoyScratch{};

namespace convoy_hooks {
namespace {
uint32_t NoWeight(uint32_t) { return 0; }
}  // namespace
uint32_t (*GoodWeight)(uint32_t) = NoWeight;
void InstallDefaults() { GoodWeight = NoWeight; }
}  // namespace convoy_hooks

namespace {

using LD = long double;

constexpr float kMonthsPerYear = 12.0f;
constexpr float kRunningCostDistance = 100.0f;  // running costs are given per 100 units
constexpr LD kWearPerTick = 0.99999L, kWearPerDistance = 200000.0L;
// The smoke rises from the vehicle's centre line, a little below the given point.
constexpr float kSmokeDrop = 5.0f;
constexpr float kSmokeReference = 3.5f;

int CountOf(const TTrain& t) { return std::min<int>(t.VehicleCount, kTrainMaxVehicles); }

const TVehicleType* TypeOf(uint16_t type) { return type >= 1 && type <= 255 ? &VehicleTypes[type] : nullptr; }

// Books a cost of the owner into entry Stat of the statistics group of the convoy's or vehicle
// type's kind, in the owner's current year.
void BookCost(uint8_t owner, uint8_t kind, int stat, float cost) {
  if (owner > 10) return;  // no player's books
  float* group = FinanceStats(Players[owner].Finances[0], VByte(kind));
  float value = group[stat];
  building_hooks::BookMoney(owner, value, -cost, -1.0f);
  group[stat] = value;
}

// A running cost of the convoy; revenue this year falls by it from level 2 on.
void BookRunningCost(TTrain& t, int stat, float cost) {
  if (GameSettings.Level >= 2) t.RevenueThisYear = static_cast<float>(LD(t.RevenueThisYear) - cost);
  BookCost(t.Owner, t.VBT_Type, stat, cost);
}

// The cursor's point: a copy, so that the mover may write over the place it reads from.
bool Back(TVector& out, const TVector& from, uint32_t train, float step) {
  const TVector p = from;
  return NodeCursorBackward(p, out, train, step);
}

// Places one vehicle whose front point is the cursor's: its rear point lies Axle further back.
bool PlaceVehicle(TTrain& t, TVehicle& v, const TVehicleTypeDriving& d, uint8_t mode) {
  TNodeCursor& c = NodeCursor;
  v.FrontNode = c.PrevNode;
  v.FrontDistance = c.Dist;
  TVector rear{};
  const bool placed = Back(rear, c.FrontPoint, t.Index, d.AxleDistance);
  c.RearPoint = rear;
  v.Shown = placed ? 1 : 0;
  if (!placed) return false;
  TPlacement pose{};
  if (t.Reversed != 0) {
    OrientationFromPoints(pose, c.RearPoint, c.FrontPoint);
  } else {
    OrientationFromPoints(pose, c.FrontPoint, c.RearPoint);
  }
  v.Placement = pose;
  if (mode == 0) {
    UpdateVehicleSound(t.Index, v, 0, t.Speed2, t.Speed);
    if (GameOptions[kSmokeOption] != 0 && d.Smoking != 0) {
      TVector at = d.SmokePosition;
      at.x = 0.0f;
      at.y -= kSmokeDrop;
      RotateVectorDeg(at, pose);
      if (d.SmokeKind == 0) EmitSmoke(0, at, t.Speed, kSmokeReference);
    }
  }
  v.BackNode = c.PrevNode;
  v.BackDistance = c.Dist;
  if (t.Reversed != 0) {
    const uint32_t frontNode = v.FrontNode;
    const float front = v.FrontDistance;
    v.FrontNode = v.BackNode;
    v.FrontDistance = v.BackDistance;
    v.BackNode = frontNode;
    v.BackDistance = front;
  }
  return true;
}

// The position of Node in the convoy's node history (newest first); -1 when it is not there. The
// node 0 stands for the end of the history: the first empty entry.
int HistoryIndex(const uint32_t (&nodes)[kTrainNodesAhead], uint32_t node) {
  for (int i = 0; i < kTrainNodesAhead; ++i) {
    if (nodes[i] == node) return i;
    if (nodes[i] == 0) return node == 0 ? i : -1;
  }
  return node == 0 ? kTrainNodesAhead : -1;
}

bool IsPrevLink(uint32_t node, uint32_t prev) {
  const TNode& n = NodeByIndex(node);
  for (int k = 0; k < n.PrevLinkCount && k < 2; ++k)
    if (n.PrevLinks[k] == prev) return true;
  return false;
}

// The tail follows the rear to New: each node it passes becomes the tail in turn and is left.
void MoveTail(TTrain& t, uint32_t fresh) {
  const uint32_t old = t.ClosingNode;
  if (fresh == old) return;
  const uint32_t train = t.Index;
  if (fresh >= 1 && fresh <= NodeArrayCount && IsPrevLink(fresh, old)) {
    t.ClosingNode = fresh;
    TrainLeavesNode(t, fresh);
  } else {
    uint32_t nodes[kTrainNodesAhead];
    for (int i = 0; i < kTrainNodesAhead; ++i) nodes[i] = t.NodesAhead[i];
    const int from = HistoryIndex(nodes, old), to = HistoryIndex(nodes, fresh);
    if (to >= 0) {
      // Without the old tail in the history, everything older than New is left.
      int i = from >= 0 ? from - 1 : HistoryIndex(nodes, 0) - 1;
      for (; i >= to && IsTrainUsed(train); --i) {
        t.ClosingNode = nodes[i];
        TrainLeavesNode(t, nodes[i]);
      }
    }
    if (!IsTrainUsed(train)) return;
    t.ClosingNode = fresh;
  }
  if (!IsTrainUsed(train)) return;
  uint32_t nodes[kTrainNodesAhead];
  for (int i = 0; i < kTrainNodesAhead; ++i) nodes[i] = t.NodesAhead[i];
  const int at = HistoryIndex(nodes, t.ClosingNode);
  for (int i = at + 1; at >= 0 && i < kTrainNodesAhead; ++i) t.NodesAhead[i] = 0;
}

}  // namespace

void InitTrain(TTrain& t, uint32_t node, uint32_t index, uint8_t kind, uint8_t state, uint8_t owner) {
  t = TTrain{};
  t.Index = index;
  t.VBT_Type = kind;
  t.Owner = owner;
  t.State = state;
  t.CurrentNode = node;
  t.Reversed = 0;
  t.Speed2 = 0.0f;
  t.ScheduleState = kRouteNone;
}

void InitVehicle(uint16_t type, uint8_t owner, TVehicle& v) {
  v = TVehicle{};
  v.VehicleType = type;
  v.Owner = owner;
  v.FrontNode = 0;
  v.BackNode = 0;
  v.Wear = 1.0f;
  v.A_Write();
  v.Shown = 0;
  if (owner == 0) return;
  const TVehicleType* vt = TypeOf(type);
  const float price = vt != nullptr ? static_cast<float>(VehicleTypePrice(*vt)) : 0.0f;
  BookCost(owner, vt != nullptr ? VehicleTypeKind(*vt) : 0, kFinanceVehiclePurchaseStat, price);
  Players[owner].Finances[0].VehicleValue += price;
}

void AddVehicleToTrain(TTrain& t, const TVehicle& v) {
  if (t.VehicleCount >= kTrainMaxVehicles) {
    SYS_Warning("WARNING: Tried to add the " + std::to_string(kTrainMaxVehicles + 1) + ". vehicle to the train");
    return;
  }
  t.Vehicles[t.VehicleCount++] = v.Index;
  t.ClosingNode = 0;
  CalcTrainPower(t);
  if (t.Schedule != 0) RemoveTrainFromSchedule(t.Index, t.Schedule);
}

bool BuyVehicleForTrain(TTrain& t, uint16_t type) {
  if (t.VehicleCount >= kTrainMaxVehicles) return false;
  TVehicle v{};
  InitVehicle(type, t.Owner, v);
  AddVehicleToTrain(t, v);
  return true;
}

void RemoveVehicleFromTrain(TTrain& t, uint32_t vehicle) {
  const int count = CountOf(t);
  int at = -1;
  for (int i = 0; i < count; ++i)
    if (t.Vehicles[i] == vehicle) at = i;
  if (at < 0) return;
  for (int i = at; i + 1 < count; ++i) t.Vehicles[i] = t.Vehicles[i + 1];
  t.Vehicles[count - 1] = 0;
  t.VehicleCount = static_cast<uint8_t>(count - 1);
  CalcTrainPower(t);
  if (t.VehicleCount > 0) {
    if (t.Schedule != 0) RemoveTrainFromSchedule(t.Index, t.Schedule);
  } else {
    TDestroyResult r{};
    TTrain::Destroy(t.Index, kDestroyForced, r);
  }
}

void CalcTrainPower(TTrain& t) {
  LD power = 0.0L;
  float maxSpeed = 1000.0f;
  int64_t weight = 0;
  TVehicle v{};
  for (int i = 0; i < CountOf(t); ++i) {
    v.A_Read(t.Vehicles[i]);
    const TVehicleTypeDriving d = VehicleTypeDrivingOf(v.VehicleType);
    power += d.PowerScale != 0.0f ? LD(d.Power) / d.PowerScale : LD(d.Power);
    maxSpeed = std::min(maxSpeed, d.MaxSpeed);
    weight += d.Weight;
    for (int g = 0; g < std::min<int>(v.VehicleGoodsCounter, 100); ++g) weight += convoy_hooks::GoodWeight(v.Goods[g]);
  }
  t.PowerRatio = static_cast<float>(power);
  t.MaxSpeed = maxSpeed;
  t.TotalWeight = static_cast<uint32_t>(std::clamp<int64_t>(weight, 0, UINT32_MAX));
}

void PlaceTrainVehicles(TTrain& t, uint8_t mode) {
  const int count = CountOf(t);
  TVehicle* vehicles = ConvoyScratch.Vehicles;
  for (int i = 0; i < count; ++i) vehicles[i].Shown = 0;
  const auto store = [&] {
    for (int i = 0; i < count; ++i)
      if (vehicles[i].Index != 0) vehicles[i].A_Overwrite();
  };
  if (t.CurrentNode == 0 || t.NextNode == 0 || t.State == kTrainInDepot) {
    store();
    return;
  }
  TNodeCursor& c = NodeCursor;
  c.PrevNode = t.CurrentNode;
  c.CurNode = t.NextNode;
  c.Dist = t.DistanceOnLink;
  PointBetweenNodes(t.CurrentNode, t.NextNode, c.FrontPoint, t.DistanceOnLink);
  c.AheadNode = t.NextNode;

  // Vehicles in the order they run: from the first, or from the last when reversed.
  const bool reversed = t.Reversed != 0;
  const auto vehicleAt = [&](int k) -> TVehicle& { return vehicles[reversed ? count - 1 - k : k]; };
  // The couplings between running neighbours: the leading end of the one ahead is its front, or its
  // rear when reversed.
  const auto leading = [&](const TVehicleTypeDriving& d) { return reversed ? d.RearLength : d.FrontLength; };
  const auto trailing = [&](const TVehicleTypeDriving& d) { return reversed ? d.FrontLength : d.RearLength; };
  bool placed = count > 0 && Back(c.FrontPoint, c.FrontPoint, t.Index, leading(VehicleTypeDrivingOf(vehicleAt(0).VehicleType)));
  for (int k = 0; placed && k < count; ++k) {
    TVehicle& v = vehicleAt(k);
    const TVehicleTypeDriving d = VehicleTypeDrivingOf(v.VehicleType);
    placed = PlaceVehicle(t, v, d, mode);
    if (!placed) break;
    if (reversed) {
      v.RunDistance = static_cast<float>(LD(v.RunDistance) - t.Speed);
    } else {
      v.RunDistance = static_cast<float>(LD(v.RunDistance) + t.Speed);
      if (v.RunDistance > kMostDistanceDriven) v.RunDistance = 1.0f;
    }
    if (k + 1 < count) {
      const float gap = trailing(d) + leading(VehicleTypeDrivingOf(vehicleAt(k + 1).VehicleType));
      placed = Back(c.FrontPoint, c.RearPoint, t.Index, gap);
    }
  }
  store();
  if (!placed) return;
  MoveTail(t, c.PrevNode);
}

void WriteBackTrainVehicles(TTrain& t) {
  for (int i = 0; i < CountOf(t); ++i)
    if (ConvoyScratch.Vehicles[i].Index != 0) ConvoyScratch.Vehicles[i].A_Overwrite();
}

void ReverseTrain(TTrain& t, uint32_t node) {
  const int count = CountOf(t);
  const TVector at = NodeByIndex(node).Position;
  TVector end = at;
  if (count > 0) {
    if (t.Reversed != 0) {
      const TVehicle& first = ConvoyScratch.Vehicles[0];
      PointBetweenNodes(first.FrontNode, node, end, first.FrontDistance);
      t.Reversed = 0;
    } else {
      const TVehicle& last = ConvoyScratch.Vehicles[count - 1];
      const float rear = VehicleTypeDrivingOf(last.VehicleType).RearLength;
      PointBetweenNodes(last.BackNode, node, end, static_cast<float>(LD(last.BackDistance) - rear));
      t.Reversed = 1;
    }
  } else {
    t.Reversed = t.Reversed != 0 ? 0 : 1;
  }
  TVector d{};
  VecSub(at, end, d);
  t.DistanceOnLink = static_cast<float>(LD(t.DistanceOnLink) + VecLength(d));
  t.TargetSpeed = t.Reversed != 0 ? 1.0f : NormalTargetSpeed(t);
}

void BookMonthlyCosts(TTrain& t) {
  if (t.Owner == 0) return;
  float cost = 0.0f;
  for (int i = 0; i < CountOf(t); ++i) {
    TVehicle& v = ConvoyScratch.Vehicles[i];
    cost += static_cast<float>(VehicleTypeDrivingOf(v.VehicleType).YearlyCost / LD(kMonthsPerYear));
    if (GameSettings.VehicleSetting == 0) v.Wear = 1.0f;
  }
  BookRunningCost(t, kFinanceVehicleMonthlyStat, cost);
}

void BookDistanceCosts(TTrain& t, float creep) {
  if (t.Owner == 0) return;
  float sum = 0.0f;
  for (int i = 0; i < CountOf(t); ++i) {
    TVehicle& v = ConvoyScratch.Vehicles[i];
    const TVehicleTypeDriving d = VehicleTypeDrivingOf(v.VehicleType);
    const LD driven = d.Power > 0.0f ? LD(t.Speed) + creep : LD(t.Speed);
    sum += static_cast<float>(driven * d.RunningCost / kRunningCostDistance);
    v.Wear = static_cast<float>((kWearPerTick - driven / kWearPerDistance) * v.Wear);
  }
  BookRunningCost(t, kFinanceVehicleDistanceStat, sum);
}

void ShiftTrainRevenue(TTrain& t) {
  t.RevenueLastYear = t.RevenueThisYear;
  t.RevenueThisYear = 0.0f;
}
