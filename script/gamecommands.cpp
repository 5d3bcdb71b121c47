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
bool RegisterValid(int32_t r) { return r >= 1 && r <= kScriptRegisters; }

}  // namespace

namespace {
constexpr TScriptNetwork kDefaultScriptNetwork = {
    DefaultPointBetweenNodes, DefaultPointOnWayCurve,       DefaultNextLinkOnPath, DefaultCursorMove,
    DefaultCursorMove,        DefaultOrientationFromPoints, DefaultReleaseTrain};
}  // namespace

TScriptNetwork ScriptNetwork = kDefaultScriptNetwork;

void InstallDefaultScriptNetwork() { ScriptNetwork = kDefaultScriptNetwork; }

bool ScriptNodeValid(uint32_t n) { return MemNodeArray != nullptr && n >= 1 && n <= NodeArrayCount; }

TTrain* ScriptTrain(int32_t n) {
  if (MemTraindataArray == nullptr || n < 1 || !IsTrainUsed(static_cast<uint32_t>(n))) return nullptr;
  return &TrainByIndex(static_cast<uint32_t>(n));
}

// ---- Part placements

namespace {

// Three fields of a part ("SetPosition": X, Y, Z; "SetRotation": Roll, Gier, Nick): the part, then
// the three values.
template <float TPlacement::*A, float TPlacement::*B, float TPlacement::*C>
void SetThree() {
  const int32_t part = PopInt();
  const float a = PopFloat(), b = PopFloat(), c = PopFloat();
  if (!PlacedPart(part)) return;
  MeshPartTransforms[part].*A = a;
  MeshPartTransforms[part].*B = b;
  MeshPartTransforms[part].*C = c;
}

// One angle of a part: the part, then the angle.
template <float TPlacement::*Angle>
void SetAngle() {
  const int32_t part = PopInt();
  const float value = PopFloat();
  if (PlacedPart(part)) MeshPartTransforms[part].*Angle = value;
}

// ---- Registers

void ReadNode() {
  const int32_t node = PopInt(), reg = PopInt();
  if (RegisterValid(reg)) NodeRegisters[reg] = node;
}

// The train's nodes ahead, or none.
void NodesAheadOf(int32_t train, const uint32_t*& list, int& high) {
  const TTrain* t = ScriptTrain(train);
  list = t ? t->NodesAhead : nullptr;
  high = t ? kTrainNodesAhead - 1 : -1;
}

void GetNextNode() {
  const int32_t reg = PopInt(), target = PopInt();
  int32_t found = 0;
  if (RegisterValid(reg) && RegisterValid(target)) {
    const uint32_t node = static_cast<uint32_t>(NodeRegisters[reg]);
    if (ScriptNodeValid(node)) {
      const uint32_t* list;
      int high;
      NodesAheadOf(CurrentTrain, list, high);
      const uint8_t link = ScriptNetwork.NextLinkOnPath(node, list, high);
      if (link == 1 || link == 2) {
        NodeRegisters[target] = static_cast<int32_t>(NodeByIndex(node).NextLinks[link - 1]);
        found = 1;
      }
    }
  }
  PushInt(found);
}

void GetCoordPos() {
  const int32_t a = PopInt(), b = PopInt();
  const float dist = PopFloat();
  const int32_t coord = PopInt();
  if (!RegisterValid(a) || !RegisterValid(b) || !RegisterValid(coord)) return;
  ScriptNetwork.PointBetweenNodes(static_cast<uint32_t>(NodeRegisters[a]), static_cast<uint32_t>(NodeRegisters[b]),
                                  CoordRegisters[coord], dist);
}

void CMBezier() {
  const int32_t a = PopInt(), b = PopInt();
  const float dist = PopFloat();
  const int32_t coord = PopInt();
  if (CurveCommandsOn == 0 || !RegisterValid(a) || !RegisterValid(b) || !RegisterValid(coord)) return;
  ScriptNetwork.PointOnWayCurve(static_cast<uint32_t>(NodeRegisters[a]), static_cast<uint32_t>(NodeRegisters[b]),
                                CurveSegments, dist, CoordRegisters[coord]);
}

void CopyCoord() {
  const int32_t source = PopInt(), dest = PopInt();
  if (RegisterValid(source) && RegisterValid(dest)) CoordRegisters[dest] = CoordRegisters[source];
}

void CopyNode() {
  const int32_t source = PopInt(), dest = PopInt();
  if (RegisterValid(source) && RegisterValid(dest)) NodeRegisters[dest] = NodeRegisters[source];
}

// "TBC" and "TFC": register A is the link's start, register B its end, the referenced float the
// distance from A toward B. The cursor is written back whether or not the move succeeded.
template <bool Forward>
void TrackCursor() {
  static TScriptCursor cursor{};
  const int32_t a = PopInt(), b = PopInt(), distRef = PopInt(), from = PopInt();
  const float dist = PopFloat();
  const int32_t to = PopInt();
  int32_t moved = 0;
  float linkDist = 0.0f;
  if (RegisterValid(a) && RegisterValid(b) && RegisterValid(from) && RegisterValid(to) &&
      ScriptPointerGetFloat(distRef, linkDist)) {
    cursor.PrevNode = static_cast<uint32_t>(NodeRegisters[a]);
    cursor.CurNode = static_cast<uint32_t>(NodeRegisters[b]);
    cursor.Dist = linkDist;
    bool ok = false;
    if (ScriptNodeValid(cursor.PrevNode) && ScriptNodeValid(cursor.CurNode)) {
      const TVector start = CoordRegisters[from];
      const uint32_t train = CurrentTrain > 0 ? static_cast<uint32_t>(CurrentTrain) : 0;
      ok = Forward ? ScriptNetwork.NodeCursorForward(cursor, start, CoordRegisters[to], train, dist)
                   : ScriptNetwork.NodeCursorBackward(cursor, start, CoordRegisters[to], train, dist);
    }
    ScriptPointerSetFloat(distRef, cursor.Dist);
    NodeRegisters[a] = static_cast<int32_t>(cursor.PrevNode);
    NodeRegisters[b] = static_cast<int32_t>(cursor.CurNode);
    moved = ok ? 1 : 0;
  }
  PushInt(moved);
}

void OrientObj() {
  const int32_t part = PopInt(), from = PopInt(), to = PopInt();
  if (PartValid(part) && RegisterValid(from) && RegisterValid(to))
    ScriptNetwork.OrientationFromPoints(MeshPartTransforms[part], CoordRegisters[from], CoordRegisters[to]);
}

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

// ---- Commands that take arguments and do nothing

template <int Count>
void Ignore() {
  for (int i = 0; i < Count; ++i) PopInt();
}
void Nothing() {}

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

void RegisterGameHostNames() {
  FrameVarIndex = ExtVarCount();
  AddExtVar("frame", 0, &ScriptTime);
  AddExtVar("miplevel", 0, &MipLevel);
  for (int i = 1; i <= 4; ++i) {
    BvarIndices[i] = ExtVarCount();
    AddExtVar("bvar" + std::to_string(i), 0, &BvarStorage[i]);
  }
  int32_t* const params[4] = {&SParam1, &SParam2, &SParam3, &SParam4};
  for (int i = 1; i <= 4; ++i) AddExtVar("SParam" + std::to_string(i), 0, params[i - 1]);

  AddExtProc("SetRotation", SetThree<&TPlacement::Roll, &TPlacement::Gier, &TPlacement::Nick>, "", 4, 0);
  AddExtProc("SetPosition", SetThree<&TPlacement::X, &TPlacement::Y, &TPlacement::Z>, "", 4, 0);
  AddExtProc("SetNick", SetAngle<&TPlacement::Nick>, "", 2, 0);
  AddExtProc("SetGier", SetAngle<&TPlacement::Gier>, "", 2, 0);
  AddExtProc("SetRoll", SetAngle<&TPlacement::Roll>, "", 2, 0);
  AddExtProc("ReadNode", ReadNode, "", 2, 0);
  AddExtProc("GetNextNode", GetNextNode, "Integer", 2, 1);
  AddExtProc("GetCoordPos", GetCoordPos, "", 4, 0);
  AddExtProc("CMBezier", CMBezier, "", 4, 0);
  AddExtProc("CopyCoord", CopyCoord, "", 2, 0);
  AddExtProc("CopyNode", CopyNode, "", 2, 0);
  AddExtProc("TBC", TrackCursor<false>, "integer", 6, 1);
  AddExtProc("TFC", TrackCursor<true>, "integer", 6, 1);
  AddExtProc("OrientObj", OrientObj, "", 3, 0);
  AddExtProc("SetTexture", SetTexture, "", 3, 0);
  AddExtProc("WaggonStandardPosition", Nothing, "", 3, 0);
  AddExtProc("CalcBulk", Nothing, "", 3, 0);
  AddExtProc("CalcParcel", Nothing, "", 3, 0);
  AddExtProc("LoadTrain", LoadTrain, "", 1, 0);
  AddExtProc("SaveTrain", Nothing, "", 0, 0);
  AddExtProc("ActivateDepotScript", DepotFlag<1, true>, "", 0, 0);
  AddExtProc("DisableDepotScript", DepotFlag<1, false>, "", 0, 0);
  AddExtProc("SetTrainSpeed", SetTrainSpeed, "", 1, 0);
  AddExtProc("SetTrainSollSpeed", SetTrainSollSpeed, "", 1, 0);
  AddExtProc("SetTrainSpeedNormal", SetTrainSpeedNormal, "", 0, 0);
  AddExtProc("DebugProc", Ignore<1>, "", 1, 0);
  AddExtProc("Savebuilding", SaveBuilding, "", 0, 0);
  AddExtProc("AllowLeave", DepotFlag<2, true>, "", 0, 0);
  AddExtProc("ForbidLeave", DepotFlag<2, false>, "", 0, 0);
  AddExtProc("AllowEnter", DepotFlag<4, true>, "", 0, 0);
  AddExtProc("ForbidEnter", DepotFlag<4, false>, "", 0, 0);
  AddExtProc("LockNode", LockBuildingNode<true>, "", 1, 0);
  AddExtProc("UnLockNode", LockBuildingNode<false>, "", 1, 0);
  AddExtProc("GetProducity", GetProducity, "FLOAT", 0, 1);
}
