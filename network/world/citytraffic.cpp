#include "network/world/citytraffic.h"

#include <algorithm>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/random.h"
#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"
#include "engine/world/vehicletype.h"

TCarList CarList{};
TCivilianCarTypes CivilianCarTypes{};

namespace citytraffic_hooks {
namespace {
uint32_t NoOrigin() { return 0; }
void NoInit(TTrain&, uint32_t, uint32_t, uint8_t, uint8_t, uint8_t) {}
bool NoVehicle(TTrain&, uint16_t) { return false; }
void NothingTrain(TTrain&) {}
void NothingAtNode(TTrain&, uint32_t) {}
}  // namespace

uint32_t (*OriginWay)() = NoOrigin;
void (*InitTrain)(TTrain&, uint32_t, uint32_t, uint8_t, uint8_t, uint8_t) = NoInit;
bool (*BuyVehicleForTrain)(TTrain&, uint16_t) = NoVehicle;
void (*CalcTrainPower)(TTrain&) = NothingTrain;
void (*TrainEntersNode)(TTrain&, uint32_t) = NothingAtNode;

void InstallDefaults() {
  OriginWay = NoOrigin;
  InitTrain = NoInit;
  BuyVehicleForTrain = NoVehicle;
  CalcTrainPower = NothingTrain;
  TrainEntersNode = NothingAtNode;
}
}  // namespace citytraffic_hooks

namespace {

using LD = long double;

constexpr uint8_t kStreet = 0;
constexpr uint8_t kWayFinished = 2;

// The list's count as far as its room goes.
uint16_t ListedCars() { return std::min(CarList.Count, kMostCivilianCars); }

// The vehicle type of a new car: the special one under the game flag, else one of the ordinary
// entries 1..n-1 at random. 0 when there is none to take (a count of 1 or less leaves no ordinary
// entry; a count beyond the table counts as the table).
uint16_t ChooseCarType() {
  if ((GameFlags & kGameFlagSpecialCars) != 0) return CivilianCarTypes.Types[0];
  const int32_t n = std::min<int32_t>(CivilianCarTypes.Count, kCivilianCarTypeRoom);
  if (n <= 1) return 0;
  return CivilianCarTypes.Types[Random(n - 1) + 1];
}

}  // namespace

void UpdateCityTraffic() {
  // More than the interval since the last computation, also across the restart of GameTime at 0.
  if (GameTimeReached(static_cast<int64_t>(CarList.LastTargetTick) + kCivilianCarTargetInterval + 1))
    RecalcCivilianCarTarget();
  if (CarList.Count < CarList.Target) SpawnCivilianCar();
}

void RecalcCivilianCarTarget() {
  int64_t people = 0;
  const int32_t towns = std::clamp(CityCount, 0, 100);
  for (int32_t c = 1; c <= towns; ++c) {
    for (const int32_t p : Cities[c].Population) people += p;
  }
  // The list holds 1,000 cars: a larger target would only ask for cars it cannot hold.
  CarList.Target = static_cast<uint16_t>(std::clamp<int64_t>(people / kPeoplePerCivilianCar, 0, kMostCivilianCars));
  CarList.LastTargetTick = GameTime;
}

bool SpawnCivilianCar() {
  const uint32_t wayIndex = citytraffic_hooks::OriginWay();
  if (wayIndex == 0 || !ArrayerHolds(RecordTraits<TWay>::Desc, wayIndex)) return false;
  TWay w{};
  w.A_Read(wayIndex);
  if (w.Waytype != kStreet || w.NodesCounter < 1) return false;
  const uint32_t first = w.Nodes[0];
  if (!NodeInPool(first) || NodeByIndex(first).NextLinkCount == 0) return false;
  const uint32_t next = NodeByIndex(first).NextLinks[0];
  if (!NodeInPool(next)) return false;
  const uint16_t type = ChooseCarType();
  if (type < 1 || type > 255) return false;
  if (w.Owner != 0 || w.State != kWayFinished) return false;
  const TVehicleTypeDriving d = VehicleTypeDriving(VehicleTypes[type]);
  const LD length = LD(d.FrontLength) + d.AxleDistance + d.RearLength;
  if (!(length <= VecDistance(NodeByIndex(first).Position, NodeByIndex(next).Position))) return false;
  if (w.Block != 0) return false;
  if (ListedCars() >= kMostCivilianCars) return false;

  const uint32_t index = NewTrain();
  if (index == 0) return false;
  TTrain& t = TrainByIndex(index);
  citytraffic_hooks::InitTrain(t, first, index, kTrainRoad, kTrainDriving, 0);
  if (!IsTrainUsed(index)) return false;
  t.CurrentNode = first;
  t.DistanceOnLink = kCivilianCarStartDistance;
  t.NextNode = next;
  // Its head has entered the first node: the street's removal finds the car there before it moves.
  t.NodesAhead[0] = first;
  citytraffic_hooks::BuyVehicleForTrain(t, type);
  citytraffic_hooks::CalcTrainPower(t);
  citytraffic_hooks::TrainEntersNode(t, first);
  if (!IsTrainUsed(index)) return false;
  CarList.Cars[ListedCars()] = index;
  CarList.Count = static_cast<uint16_t>(ListedCars() + 1);
  return true;
}

void RemoveCivilianCar(uint32_t train) {
  // A slot that holds no convoy has nothing left to destroy.
  if (IsTrainUsed(train)) {
    TDestroyResult r{};
    TTrain::Destroy(train, kDestroyForced, r);
  }
  const uint16_t count = ListedCars();
  int at = -1;
  for (int k = 0; k < count; ++k)
    if (CarList.Cars[k] == train) at = k;
  if (at < 0) {
    SYS_Warning("WARNING: civiliancar not in carlist is deleted!");
    return;
  }
  CarList.Cars[at] = CarList.Cars[count - 1];
  CarList.Cars[count - 1] = 0;
  CarList.Count = static_cast<uint16_t>(count - 1);
}

void ResetCityTraffic() {
  CarList = TCarList{};
  CivilianCarTypes = TCivilianCarTypes{};
}
