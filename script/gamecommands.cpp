// The game's script commands. Every command takes all its arguments off the stack first; numbers
// that a script gives (parts, registers, list entries, trains, a distance reference) are checked,
// and a command given one outside its range does nothing (a function still leaves its result).
#include "script/gamecommands.h"

#include <cmath>
#include <cstring>
#include <string>

#include "engine/render/graphics.h"
#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "engine/store/recordstore.h"
#include "engine/store/trainpool.h"
#include "script/hostcommands.h"
#include "script/interpreter.h"
#include "script/sdatabase.h"

TPlacement MeshPartTransforms[kScriptParts + 1];
int32_t PartCount = 0;
TMesh2 PartMeshes[kScriptParts + 1];
TIndexList PartTextureLists[kScriptParts + 1];
int32_t NodeRegisters[kScriptRegisters + 1];
TVector CoordRegisters[kScriptRegisters + 1];
int32_t MipLevel = 0;
int32_t SParam1 = 0, SParam2 = 0, SParam3 = 0, SParam4 = 0;
uint32_t ScriptTime = 0;
int32_t BvarStorage[5];
TVehicle CurrentVehicle;
int32_t CurrentTrain = 0;
int32_t CommandTrain = 0;
TDepot* CurrentDepot = nullptr;
TBuilding* CurrentBuilding = nullptr;
int32_t FrameVarIndex = -1;
int32_t BvarIndices[5] = {-1, -1, -1, -1, -1};

// ---- The network's defaults

namespace {

void DefaultPointBetweenNodes(uint32_t, uint32_t, TVector&, float) {}

void DefaultPointOnWayCurve(uint32_t, uint32_t, int32_t, float, TVector&) {}
uint8_t DefaultNextLinkOnPath(uint32_t, const uint32_t*, int) { return 0; }
bool DefaultCursorMove(TScriptCursor&, const TVector&, TVector&, uint32_t, float) { return false; }

void DefaultOrientationFromPoints(TPlacement& pose, const TVector& front, const TVector&) {
  pose.X = front.x;
  pose.Y = front.y;
  pose.Z = front.z;
}

void DefaultReleaseTrain(TDepot&, uint32_t) {}

bool PartValid(int32_t part) { return part >= 1 && part <= kScriptParts; }
bool PlacedPart(int32_t part) { return part >= 1 && part <= PartCount && part <= kScriptParts; }

}  // namespace

namespace {
constexpr TScriptNetwork kDefaultScriptNetwork = {
    DefaultPointBetweenNodes, DefaultPointOnWayCurve,       DefaultNextLinkOnPath, DefaultCursorMove,
    DefaultCursorMove,        DefaultOrientationFromPoints, DefaultReleaseTrain};
}  // namespace

TScriptNetwork ScriptNetwork = kDefaultScriptNetwork;

void InstallDefaultScriptNetwork() { ScriptNetwork = kDefaultScriptNetwork; }

bool ScriptNodeValid(uint32_t n) { return MemNodeArray != nullptr && NodeInPool(n); }

TTrain* ScriptTrain(int32_t n) {
  if (MemTraindataArray == nullptr || n < 1 || !IsTrainUsed(static_cast<uint32_t>(n))) return nullptr;
  return &TrainByIndex(static_cast<uint32_t>(n));
}

// ---- The game's view of the world: the node pool and the network, by node numbers

namespace {

TPlacement* GamePlacedPart(int32_t part) { return PlacedPart(part) ? &MeshPartTransforms[part] : nullptr; }
TPlacement* GameOrientedPart(int32_t part) { return PartValid(part) ? &MeshPartTransforms[part] : nullptr; }

uint32_t RegisterNode(int32_t slot) { return static_cast<uint32_t>(NodeRegisters[slot]); }

void GameReadNode(int32_t node, int32_t slot) { NodeRegisters[slot] = node; }

// The next node on the current train's way: the train's nodes ahead decide a branch.
bool GameNextNode(int32_t slot, int32_t target) {
  const uint32_t node = RegisterNode(slot);
  if (!ScriptNodeValid(node)) return false;
  const TTrain* t = ScriptTrain(CurrentTrain);
  const uint8_t link = ScriptNetwork.NextLinkOnPath(node, t ? t->NodesAhead : nullptr, t ? kTrainNodesAhead - 1 : -1);
  if (link != 1 && link != 2) return false;
  NodeRegisters[target] = static_cast<int32_t>(NodeByIndex(node).NextLinks[link - 1]);
  return true;
}

void GamePointBetween(int32_t a, int32_t b, float dist, TVector& out) {
  ScriptNetwork.PointBetweenNodes(RegisterNode(a), RegisterNode(b), out, dist);
}

void GameCurvePoint(int32_t a, int32_t b, int32_t segments, float dist, TVector& out) {
  ScriptNetwork.PointOnWayCurve(RegisterNode(a), RegisterNode(b), segments, dist, out);
}

void GameCopyNode(int32_t from, int32_t to) { NodeRegisters[to] = NodeRegisters[from]; }

bool GameMoveCursor(bool forward, int32_t a, int32_t b, float& dist, const TVector& p, float step, TVector& out) {
  static TScriptCursor cursor{};
  cursor.PrevNode = RegisterNode(a);
  cursor.CurNode = RegisterNode(b);
  cursor.Dist = dist;
  bool moved = false;
  if (ScriptNodeValid(cursor.PrevNode) && ScriptNodeValid(cursor.CurNode)) {
    const uint32_t train = CurrentTrain > 0 ? static_cast<uint32_t>(CurrentTrain) : 0;
    moved = forward ? ScriptNetwork.NodeCursorForward(cursor, p, out, train, step)
                    : ScriptNetwork.NodeCursorBackward(cursor, p, out, train, step);
  }
  dist = cursor.Dist;
  NodeRegisters[a] = static_cast<int32_t>(cursor.PrevNode);
  NodeRegisters[b] = static_cast<int32_t>(cursor.CurNode);
  return moved;
}

void GameOrient(TPlacement& pose, const TVector& a, const TVector& b) { ScriptNetwork.OrientationFromPoints(pose, a, b); }

constexpr TScriptWorldView kGameWorldView = {
    GamePlacedPart, GameOrientedPart, CoordRegisters, kScriptRegisters, kScriptRegisters, GameReadNode, GameNextNode,
    GamePointBetween, GameCurvePoint, GameCopyNode, GameMoveCursor, GameOrient};
using World = TScriptWorldCommands<kGameWorldView>;

// ---- Animated textures

void SetTexture() {
  const int32_t part = PopInt(), entry = PopInt(), frame = PopInt();
  if (!PartValid(part)) return;
  TMesh2& mesh = PartMeshes[part];
  TIndexList& list = PartTextureLists[part];
  const int polygons = std::min<int>(mesh.PolygonCount, kMeshMaxPolygons);
  if (list.Flag == 0) {
    for (int i = 1; i <= polygons; ++i) {
      if (mesh.Polygon(i).Texture != 0) AddUniqueIndex(list, mesh.Polygon(i).Texture);
    }
    list.Flag = 1;
  }
  if (entry < 1 || entry > list.Count || entry > kIndexListRoom) return;
  const uint16_t slot = list.Entries[entry - 1];
  if (slot > kTextureSlots) return;
  const TTextureEntry& texture = TextureTable[slot];
  if (texture.FrameCount == 0 || texture.FirstFrame == 0) return;
  const int64_t n = texture.FrameCount;
  const int64_t k = ((static_cast<int64_t>(frame) - 1) % n + n) % n;  // frames before the first wrap
  const int64_t at = texture.FirstFrame + k;
  if (at > kTextureFrameSlots) return;
  const uint16_t shown = TextureFrames[at];
  for (int i = 1; i <= polygons; ++i) {
    if (mesh.Polygon(i).Texture == slot) mesh.Polygon(i).Texture = shown;
  }
}

// ---- Trains and depots

void LoadTrain() { CommandTrain = PopInt(); }

void SetTrainSpeed() {
  const float speed = PopFloat();
  if (TTrain* t = ScriptTrain(CommandTrain)) {
    t->Speed = speed;
    t->TargetSpeed = speed;
  }
}

void SetTrainSollSpeed() {
  const float speed = PopFloat();
  if (TTrain* t = ScriptTrain(CommandTrain)) t->TargetSpeed = speed;
}

void SetTrainSpeedNormal() {
  if (TTrain* t = ScriptTrain(CommandTrain)) t->TargetSpeed = 3.0f;
}

// Sets (or clears) a flag of the run's depot and stores the depot.
template <uint8_t Flag, bool Set>
void DepotFlag() {
  if (CurrentDepot == nullptr) return;
  if (Set) {
    CurrentDepot->Flags = static_cast<uint8_t>(CurrentDepot->Flags | Flag);
  } else {
    CurrentDepot->Flags = static_cast<uint8_t>(CurrentDepot->Flags & ~Flag);
  }
  CurrentDepot->A_Overwrite();
}

void SaveBuilding() {
  if (CurrentBuilding) CurrentBuilding->A_Overwrite();
}

// ---- Building nodes and productivity

constexpr uint8_t kNodeFlagScriptLock = 32;

template <bool Lock>
void LockBuildingNode() {
  const int32_t number = PopInt();
  if (CurrentBuilding == nullptr || CurrentBuilding->BuildingWayCounter < 2 || CurrentBuilding->Ways[1] == 0) return;
  TWay way{};
  way.A_Read(CurrentBuilding->Ways[1]);
  const int count = std::min<int>(way.NodesCounter, 100);
  for (int i = 0; i < count; ++i) {
    const uint32_t n = way.Nodes[i];
    if (!ScriptNodeValid(n) || NodeByIndex(n).Used != number) continue;
    TNode& node = NodeByIndex(n);
    node.Flags = Lock ? static_cast<uint8_t>(node.Flags | kNodeFlagScriptLock)
                      : static_cast<uint8_t>(node.Flags & ~kNodeFlagScriptLock);
    return;
  }
}

void GetProducity() {
  float result = 1.0f;
  if (CurrentBuilding != nullptr && CurrentBuilding->Station != 0) {
    TStation station{};
    station.A_Read(CurrentBuilding->Station);
    if (station.StationObjectOf != 0 && GetArrayerType(station.StationObjectOf) == kARTypeIndustry) {
      TIndustry industry{};
      industry.A_Read(station.StationObjectOf);
      result = industry.Productivity;
    }
  }
  PushFloat(result);
}

}  // namespace

void BindBuildingVars(int32_t* vars) {
  for (int i = 1; i <= 4; ++i) {
    if (BvarIndices[i] < 0 || BvarIndices[i] >= ExtVarCount()) continue;
    ExtVar(BvarIndices[i])->HostPtr = vars ? &vars[i - 1] : &BvarStorage[i];
  }
}

namespace {

const TScriptHostVar kGameHostVars[] = {
    {"frame", 0, &ScriptTime},      {"miplevel", 0, &MipLevel},     {"bvar1", 0, &BvarStorage[1]},
    {"bvar2", 0, &BvarStorage[2]},  {"bvar3", 0, &BvarStorage[3]},  {"bvar4", 0, &BvarStorage[4]},
    {"SParam1", 0, &SParam1},       {"SParam2", 0, &SParam2},       {"SParam3", 0, &SParam3},
    {"SParam4", 0, &SParam4},
};

const TScriptHostProc kGameOwnRows[] = {
    {"SetTexture", SetTexture, "", 3, 0},
    // Registered with three parameters, they take nothing off the stack.
    {"WaggonStandardPosition", DoNothing, "", 3, 0},
    {"CalcBulk", DoNothing, "", 3, 0},
    {"CalcParcel", DoNothing, "", 3, 0},
    {"LoadTrain", LoadTrain, "", 1, 0},
    {"SaveTrain", DoNothing, "", 0, 0},
    {"ActivateDepotScript", DepotFlag<1, true>, "", 0, 0},
    {"DisableDepotScript", DepotFlag<1, false>, "", 0, 0},
    {"SetTrainSpeed", SetTrainSpeed, "", 1, 0},
    {"SetTrainSollSpeed", SetTrainSollSpeed, "", 1, 0},
    {"SetTrainSpeedNormal", SetTrainSpeedNormal, "", 0, 0},
    {"DebugProc", TakeArguments<1>, "", 1, 0},
    {"Savebuilding", SaveBuilding, "", 0, 0},
    {"AllowLeave", DepotFlag<2, true>, "", 0, 0},
    {"ForbidLeave", DepotFlag<2, false>, "", 0, 0},
    {"AllowEnter", DepotFlag<4, true>, "", 0, 0},
    {"ForbidEnter", DepotFlag<4, false>, "", 0, 0},
    {"LockNode", LockBuildingNode<true>, "", 1, 0},
    {"UnLockNode", LockBuildingNode<false>, "", 1, 0},
    {"GetProducity", GetProducity, "FLOAT", 0, 1},
};

const std::vector<TScriptHostProc> kGameHostProcs = JoinHostRows({World::kRows, kGameOwnRows});

}  // namespace

std::span<const TScriptHostVar> GameHostVars() { return kGameHostVars; }
std::span<const TScriptHostProc> GameHostProcs() { return kGameHostProcs; }

void RegisterGameHostNames() {
  FrameVarIndex = ExtVarCount();
  for (int i = 1; i <= 4; ++i) BvarIndices[i] = FrameVarIndex + 1 + i;
  RegisterHostTables(kGameHostVars, kGameHostProcs);
}
