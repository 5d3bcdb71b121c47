#include "apps/brumin/scriptcommands.h"

#include <memory>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/world/waygeometry.h"
#include "script/interpreter.h"

namespace brumin {

alignas(4) TNodeRecord NodeSlots[kCommandNodeSlots + 1];
TVector CoordSlots[kCommandCoordSlots + 1];
TPlacement MeshPartTransforms[kCommandParts + 1];
TWalkCursor NodeCursor{};
int32_t DebugValue = 0;

namespace {

using LD = long double;

// "frame" is always shadowed by the form's; its storage here is never read.
int32_t FrameStorage = 0;
int32_t MipLevelStorage = 0;
int32_t SParams[5];
int32_t BVars[5];

// ---- The view of the world: slots of node records read from the record store

TPlacement* Part(int32_t part) { return part >= 1 && part <= kCommandParts ? &MeshPartTransforms[part] : nullptr; }

bool ReadStoreNode(const void* store, uint32_t n, TNode& out) {
  TNodeRecord rec;
  if (!static_cast<const TRecordStore*>(store)->StoreRead(n, rec)) return false;
  out = rec.Node;
  return true;
}

uint8_t ChooseBySwitch(const void* store, const TNodeRecord& node, bool forward) {
  return SwitchLink(*static_cast<const TRecordStore*>(store), node, forward);
}

// An index with no node entry leaves the slot as it is.
void ReadNodeToSlot(int32_t node, int32_t slot) {
  TNodeRecord rec;
  if (node > 0 && BuildingStore.StoreRead(static_cast<uint32_t>(node), rec)) NodeSlots[slot] = rec;
}

bool NextNodeToSlot(int32_t slot, int32_t target) {
  const TNodeRecord from = NodeSlots[slot];
  const uint8_t k = SwitchLink(BuildingStore, from, true);
  TNodeRecord next;
  if (k == 0 || !BuildingStore.StoreRead(from.Node.NextLinks[k - 1], next)) return false;
  NodeSlots[target] = next;
  return true;
}

// Two nodes at one position give a point of no finite value; floating-point exceptions are off, so
// the script runs on.
void PointBetweenSlots(int32_t a, int32_t b, float dist, TVector& out) {
  const TVector pa = NodeSlots[a].Node.Position, pb = NodeSlots[b].Node.Position;
  const LD f = LD(dist) / VecDistance(pb, pa);
  out = {static_cast<float>(pa.x + (LD(pb.x) - pa.x) * f), static_cast<float>(pa.y + (LD(pb.y) - pa.y) * f),
         static_cast<float>(pa.z + (LD(pb.z) - pa.z) * f)};
}

void CurvePointOfSlots(int32_t a, int32_t b, int32_t segments, float dist, TVector& out) {
  const TNodeRecord from = NodeSlots[a];
  TStoreWay way;
  if (from.Node.Way == 0 || !BuildingStore.StoreRead(from.Node.Way, way)) return;
  if (way.Kind == kStoreRouterWay && way.RouterKind == kRouterForwardEntry) return;
  const TVector pa = from.Node.Position, pb = NodeSlots[b].Node.Position;
  const LD length = VecDistance(pb, pa);
  LD target = length;
  if (from.Index == way.Nodes[0])
    target = dist;
  else if (from.Index == way.Nodes[2])
    target = length - dist;
  const auto g = std::make_unique<TCurveLineGeometry>();
  if (!BuildStoredWayCurve(BuildingStore, way, segments, *g)) return;
  PointAlongCurveLine(g->Centre, g->SegmentLength, segments, target, out);
}

void CopyNodeSlot(int32_t from, int32_t to) { NodeSlots[to] = NodeSlots[from]; }

bool MoveSlotCursor(bool forward, int32_t a, int32_t b, float& dist, const TVector& p, float step, TVector& out) {
  NodeCursor.Prev = NodeSlots[a];
  NodeCursor.Cur = NodeSlots[b];
  NodeCursor.Dist = dist;
  const TNodeWalk walk{ReadStoreNode, ChooseBySwitch, &BuildingStore};
  const bool moved = forward ? WalkCursorForward(NodeCursor, walk, p, out, step)
                             : WalkCursorBackward(NodeCursor, walk, p, out, step);
  dist = NodeCursor.Dist;
  NodeSlots[a] = NodeCursor.Prev;
  NodeSlots[b] = NodeCursor.Cur;
  return moved;
}

// The pose of the network's placement on the track, with the pitch the other way round.
void OrientWithPitchTurned(TPlacement& pose, const TVector& a, const TVector& b) {
  OrientationFromPoints(pose, a, b);
  pose.Nick = -pose.Nick;
}

constexpr TScriptWorldView kBuildingWorldView = {
    Part,           Part,         CoordSlots,        kCommandCoordSlots, kCommandNodeSlots,    ReadNodeToSlot,
    NextNodeToSlot, PointBetweenSlots, CurvePointOfSlots, CopyNodeSlot,  MoveSlotCursor, OrientWithPitchTurned};
using World = TScriptWorldCommands<kBuildingWorldView>;

void DebugProc() { DebugValue = PopInt(); }

const TScriptHostVar kBuildingHostVars[] = {
    {"frame", 0, &FrameStorage}, {"miplevel", 0, &MipLevelStorage}, {"SParam1", 0, &SParams[1]}, {"BVar1", 0, &BVars[1]},
    {"SParam2", 0, &SParams[2]}, {"BVar2", 0, &BVars[2]},    {"SParam3", 0, &SParams[3]}, {"BVar3", 0, &BVars[3]},
    {"SParam4", 0, &SParams[4]}, {"BVar4", 0, &BVars[4]},
};

// The train, depot and building commands take their arguments and do nothing here.
const TScriptHostProc kBuildingTrainRows[] = {
    {"LoadTrain", TakeArguments<1>, "", 1, 0},
    {"SaveTrain", DoNothing, "", 0, 0},
    {"ActivateDepotScript", DoNothing, "", 0, 0},
    {"DisableDepotScript", DoNothing, "", 0, 0},
    {"SetTrainSpeedNormal", DoNothing, "", 0, 0},
    {"AllowEnter", DoNothing, "", 0, 0},
    {"ForbidEnter", DoNothing, "", 0, 0},
    {"AllowLeave", DoNothing, "", 0, 0},
    {"ForbidLeave", DoNothing, "", 0, 0},
    {"LockNode", TakeArguments<1>, "", 1, 0},
    {"UnLockNode", TakeArguments<1>, "", 1, 0},
    {"SetTrainSpeed", TakeArguments<0, 1>, "", 1, 0},
    {"SetTrainSollSpeed", TakeArguments<0, 1>, "", 1, 0},
    {"SaveBuilding", TakeArguments<1>, "", 1, 0},
};

const TScriptHostProc kBuildingLastRows[] = {
    {"SetTexture", TakeArguments<3>, "", 3, 0},
    {"WaggonStandardPosition", DoNothing, "", 0, 0},
    {"CalcBulk", DoNothing, "", 0, 0},
    {"CalcParcel", DoNothing, "", 0, 0},
    {"DebugProc", DebugProc, "", 1, 0},
};

const std::vector<TScriptHostProc> kBuildingHostProcs = JoinHostRows({kBuildingTrainRows, World::kRows, kBuildingLastRows});

}  // namespace

std::span<const TScriptHostVar> BuildingHostVars() { return kBuildingHostVars; }
std::span<const TScriptHostProc> BuildingHostProcs() { return kBuildingHostProcs; }

uint8_t SwitchLink(const TRecordStore& store, const TNodeRecord& node, bool forward) {
  const uint8_t count = forward ? node.Node.NextLinkCount : node.Node.PrevLinkCount;
  if (count == 1) return 1;
  TStoreWay way;
  if (count != 2 || node.Node.Way == 0 || !store.StoreRead(node.Node.Way, way) || way.Kind != kStoreRouterWay)
    return 0;
  uint8_t setting;
  if (forward) {
    if (way.RouterKind != kRouterForwardEntry || way.NodeCount < 1 || way.Nodes[0] != node.Index) return 0;
    setting = way.Switch;
  } else {
    TStoreWay linked;
    if (way.RouterKind != kRouterBackwardEntry || way.NodeCount < 3 || way.Nodes[2] != node.Index ||
        !store.StoreRead(way.LinkedWay, linked))
      return 0;
    setting = linked.Switch;
  }
  return setting == 0 ? 1 : setting == 1 ? 2 : 0;
}

void RegisterBuildingHostNames() {
  for (int n = 1; n <= 4; ++n) SParams[n] = BVars[n] = 0;
  CurveCommandsOn = 1;
  CurveSegments = 3;
  RegisterHostTables(kBuildingHostVars, kBuildingHostProcs);
}

}  // namespace brumin
