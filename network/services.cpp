#include "network/services.h"

#include "engine/world/hooks.h"
#include "engine/mesh/mesh.h"
#include "engine/mesh/meshrecords.h"
#include "engine/world/train.h"
#include "network/construction/alongways.h"
#include "network/construction/routers.h"
#include "network/construction/ways.h"
#include "network/picking.h"
#include "network/track/blocks.h"
#include "network/track/cursor.h"
#include "network/track/paths.h"
#include "network/track/schedules.h"
#include "network/vehicles/convoys.h"
#include "network/vehicles/depots.h"
#include "network/vehicles/movement.h"
#include "network/vehicles/stops.h"
#include "network/vehicles/traffic.h"
#include "network/world/animals.h"
#include "network/world/citytraffic.h"
#include "script/gamecommands.h"

namespace {

// The world records follow a street side without using what they find.
bool FollowStreetSide(TWay& way, uint8_t& side, uint8_t& found, TWay& next) {
  uint8_t outSide = 0;
  found = NextWayAlongStreetSide(way, side, outSide, next);
  if (found >= 2) side = outSide;
  return found >= 2;
}

// The script host's cursor moves run on the network's one cursor: the script's cursor is copied
// in, moved and copied back.
template <bool (*Move)(const TVector&, TVector&, uint32_t, float)>
bool MoveScriptCursor(TScriptCursor& cursor, const TVector& p, TVector& out, uint32_t train, float step) {
  NodeCursor.PrevNode = cursor.PrevNode;
  NodeCursor.CurNode = cursor.CurNode;
  NodeCursor.AheadNode = cursor.AheadNode;
  NodeCursor.Dist = cursor.Dist;
  const bool moved = Move(p, out, train, step);
  cursor.PrevNode = NodeCursor.PrevNode;
  cursor.CurNode = NodeCursor.CurNode;
  cursor.AheadNode = NodeCursor.AheadNode;
  cursor.Dist = NodeCursor.Dist;
  return moved;
}

// The construction picks ways with the world's picking.
bool PickWay(const TVector& start, const TVector& ray, uint8_t mode, uint32_t& way, TVector& hit) {
  TPickResult result{};
  PickObject(start, ray, mode, result);
  if (result.Kind != kPickWay) return false;
  way = result.Index;
  hit = result.HitPoint;
  return true;
}

// Picking sees animal K at its animation time, where it stands; an animal whose animation the store
// does not hold has no mesh.
uint32_t PickableAnimals() { return AnimalCount < kAnimalSlots ? AnimalCount : kAnimalSlots; }
bool AnimalMesh(uint32_t k, TMesh2& mesh) {
  if (k == 0 || k > PickableAnimals()) return false;
  const TAnimal a = Animals[k];
  if (a.Animation == 0 || !ArrayerHolds(kTMeshAniDesc, a.Animation)) return false;
  mesh.VertexCount = 0;
  mesh.PolygonCount = 0;
  GetAnimatedMesh(a.Animation, mesh, a.AnimationTime);
  const TPlacement at = a.Placement;
  TransformMesh(mesh, at);
  return true;
}

}  // namespace

void InstallNetworkServices() {
  router_hooks::PickWay = PickWay;
  ScriptNetwork.PointBetweenNodes = PointBetweenNodes;
  ScriptNetwork.PointOnWayCurve = PointOnWayCurve;
  ScriptNetwork.NextLinkOnPath = NextLinkOnPath;
  ScriptNetwork.NodeCursorForward = MoveScriptCursor<NodeCursorForward>;
  ScriptNetwork.NodeCursorBackward = MoveScriptCursor<NodeCursorBackward>;
  ScriptNetwork.OrientationFromPoints = OrientationFromPoints;
  world_hooks::CalcWaySideLengths = CalcWaySideLengths;
  world_hooks::CalcSchedule = CalcSchedule;
  path_hooks::BlockStateAtNode = BlockStateAtNode;
  train_hooks::RemoveTrainFromSchedule = RemoveTrainFromSchedule;
  world_hooks::NextWayAlongStreetSide = FollowStreetSide;
  world_hooks::RemoveWayFromBlockSystem = RemoveWayFromBlockSystem;
  way_hooks::AddWayToBlockSystem = AddWayToBlockSystem;
  train_hooks::RemoveTrainFromAllBlocks = RemoveTrainFromAllBlocks;
  world_hooks::RemoveVehicleFromTrain = RemoveVehicleFromTrain;
  movement_hooks::ArriveAtStation = ArriveAtStation;
  movement_hooks::FinishedUnloadingBeginLoading = FinishedUnloadingBeginLoading;
  movement_hooks::FindPathToSchedulestation = FindPathToSchedulestation;
  movement_hooks::CaptureTrain = CaptureTrain;
  movement_hooks::CaptureNodeNumber = DepotCaptureNode;
  ScriptNetwork.ReleaseTrain = [](TDepot& d, uint32_t train) { ReleaseTrain(d, train); };
  traffic_hooks::FindPathToDepot = FindPathToDepot;
  // The ambient traffic and animals.
  world_hooks::RemoveCivilianCar = RemoveCivilianCar;
  citytraffic_hooks::InitTrain = InitTrain;
  citytraffic_hooks::BuyVehicleForTrain = BuyVehicleForTrain;
  citytraffic_hooks::CalcTrainPower = CalcTrainPower;
  citytraffic_hooks::TrainEntersNode = TrainEntersNode;
  picking_hooks::AnimalCount = PickableAnimals;
  picking_hooks::AnimalMesh = AnimalMesh;
}
