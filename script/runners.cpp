// The game's script runners: vehicle part preparation, building runs and the depot tick.
#include "script/runners.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/render/graphics.h"
#include "engine/store/nodepool.h"
#include "engine/store/trainpool.h"
#include "engine/world/building.h"
#include "engine/world/hooks.h"
#include "engine/world/vehicle.h"
#include "script/gamecommands.h"
#include "script/interpreter.h"
#include "script/sdatabase.h"

std::vector<uint8_t> CompiledScriptImages[101];

const uint8_t PlayerColours[15][4] = {
    {0, 0, 0, 0},         {255, 78, 78, 255},  {95, 224, 157, 255}, {0, 122, 255, 255},  {125, 198, 34, 255},
    {158, 139, 117, 255}, {174, 73, 226, 255}, {253, 246, 102, 255}, {0, 255, 255, 255}, {255, 161, 46, 255},
    {174, 73, 226, 255},  {153, 31, 83, 255},  {159, 169, 204, 255}, {0, 101, 130, 255},  {226, 73, 156, 255},
};

void InitGameScriptHost() {
  InitScriptDatabase(true);
  RegisterGameHostNames();
}

namespace {

const TVehicleType& TypeOf(uint16_t type) {
  static const TVehicleType kNone{};
  return type >= 1 && type <= 255 ? VehicleTypes[type] : kNone;
}

void ClearPlacements() {
  for (TPlacement& p : MeshPartTransforms) p = TPlacement{};
}

// The frame slot of an animated texture slot after Steps frames (wrapping), or the slot itself
// when it is not animated.
uint16_t AnimatedFrame(uint16_t slot, int64_t steps) {
  if (slot == 0 || slot > kTextureSlots) return slot;
  const TTextureEntry& t = TextureTable[slot];
  if (t.FirstFrame == 0 || t.FrameCount == 0) return slot;
  const int64_t n = t.FrameCount;
  const int64_t at = t.FirstFrame + ((steps % n) + n) % n;
  return at <= kTextureFrameSlots ? TextureFrames[at] : slot;
}

// Where a vehicle end stands: its node, the next node on the train's way, the straight point and
// the point on the way's curve.
struct TVehicleEnd {
  uint32_t node = 0, next = 0;
  float dist = 0.0f;
  TVector point{}, curvePoint{};
};

bool FindEnd(uint32_t node, float dist, const uint32_t* list, int high, TVehicleEnd& end) {
  if (!ScriptNodeValid(node)) return false;
  const uint8_t link = ScriptNetwork.NextLinkOnPath(node, list, high);
  if (link != 1 && link != 2) return false;
  end.node = node;
  end.next = NodeByIndex(node).NextLinks[link - 1];
  end.dist = dist;
  end.point = NodeByIndex(node).Position;
  ScriptNetwork.PointBetweenNodes(node, end.next, end.point, dist);
  end.curvePoint = end.point;
  if (CurveCommandsOn != 0) ScriptNetwork.PointOnWayCurve(node, end.next, CurveSegments, dist, end.curvePoint);
  return true;
}

// A bogie at Offset behind and ahead of the end's point; false when a cursor move fails.
bool PlaceBogie(const TVehicleEnd& end, uint32_t train, float offset, TPlacement& pose) {
  TVector behind{}, ahead{};
  for (int forward = 0; forward <= 1; ++forward) {
    TScriptCursor cursor{end.node, end.next, 0, end.dist};
    TVector& out = forward ? ahead : behind;
    const bool ok = forward ? ScriptNetwork.NodeCursorForward(cursor, end.point, out, train, offset)
                            : ScriptNetwork.NodeCursorBackward(cursor, end.point, out, train, offset);
    if (!ok) return false;
    if (CurveCommandsOn != 0)
      ScriptNetwork.PointOnWayCurve(cursor.PrevNode, cursor.CurNode, CurveSegments, cursor.Dist, out);
  }
  ScriptNetwork.OrientationFromPoints(pose, ahead, behind);
  return true;
}

void PlaceVehicleParts(const TVehicleType& vt) {
  const TVehicle& v = CurrentVehicle;
  // Animated textures: one cycle of the frames per 40 units run.
  for (int m = 1; m <= PartCount; ++m) {
    TMesh2& mesh = PartMeshes[m];
    const int polygons = std::min<int>(mesh.PolygonCount, kMeshMaxPolygons);
    for (int i = 1; i <= polygons; ++i) {
      const uint16_t slot = mesh.Polygon(i).Texture;
      if (slot == 0 || slot > kTextureSlots || TextureTable[slot].FirstFrame == 0) continue;
      const long double n = TextureTable[slot].FrameCount;
      mesh.Polygon(i).Texture = AnimatedFrame(slot, TruncExtended(n * v.RunDistance / 40.0L));
    }
  }
  if (v.FrontNode == 0) return;
  const TTrain* t = ScriptTrain(CurrentTrain);
  const uint32_t* list = t ? t->NodesAhead : nullptr;
  const int high = t ? kTrainNodesAhead - 1 : -1;
  TVehicleEnd front, back;
  if (!FindEnd(v.FrontNode, v.FrontDistance, list, high, front)) return;
  if (!FindEnd(v.BackNode, v.BackDistance, list, high, back)) return;
  ScriptNetwork.OrientationFromPoints(MeshPartTransforms[1], front.curvePoint, back.curvePoint);
  if (VehicleTypeSpecialInt(vt, 1) != 1) return;
  const uint32_t train = CurrentTrain > 0 ? static_cast<uint32_t>(CurrentTrain) : 0;
  if (!PlaceBogie(front, train, VehicleTypeSpecialFloat(vt, 1), MeshPartTransforms[2])) return;
  PlaceBogie(back, train, VehicleTypeSpecialFloat(vt, 2), MeshPartTransforms[3]);
}

// The load box of the type: minimum and maximum corner.
void LoadBox(const TVehicleType& vt, TVector& lo, TVector& hi) {
  lo = {VehicleTypeSpecialFloat(vt, 3), VehicleTypeSpecialFloat(vt, 4), VehicleTypeSpecialFloat(vt, 5)};
  hi = {VehicleTypeSpecialFloat(vt, 6), VehicleTypeSpecialFloat(vt, 7), VehicleTypeSpecialFloat(vt, 8)};
}

void AddBulkLoad(const TVehicleType& vt, uint32_t loadMesh, float a) {
  if (PartCount >= kScriptParts) return;
  ++PartCount;
  MeshPartTransforms[PartCount] = MeshPartTransforms[1];
  TMesh2& mesh = PartMeshes[PartCount];
  mesh.A_Read(loadMesh);
  TVector lo, hi;
  LoadBox(vt, lo, hi);
  const float rise = lo.y + (hi.y - lo.y) * a;
  const int vertices = std::min<int>(mesh.VertexCount, kMeshMaxVertices);
  for (int i = 1; i <= vertices; ++i) mesh.Vertex(i).y += rise;
}

// How many parcels of size Parcel fit along Box: at least 1 (also for a box smaller than a
// parcel), at most as many as could ever be shown.
int32_t ParcelsAlong(float box, float parcel) {
  const long double fit = static_cast<long double>(box) / parcel;
  if (!std::isfinite(fit) || fit < 1.0L) return 1;
  return std::min<int32_t>(TruncExtended(fit), 1000000);
}

void AddParcelLoad(const TVehicleType& vt, uint32_t loadMesh, float a) {
  static TMesh2 probe;
  probe.A_Read(loadMesh);
  float minX, minY, minZ, maxX, maxY, maxZ;
  MeshBoundingBox(probe, minX, minY, minZ, maxX, maxY, maxZ);
  // A parcel without extent along an axis counts as 1 unit there.
  const float px = maxX - minX > 0 ? maxX - minX : 1.0f;
  const float py = maxY - minY > 0 ? maxY - minY : 1.0f;
  const float pz = maxZ - minZ > 0 ? maxZ - minZ : 1.0f;
  TVector lo, hi;
  LoadBox(vt, lo, hi);
  const float bx = hi.x - lo.x, by = hi.y - lo.y, bz = hi.z - lo.z;
  const int32_t nx = ParcelsAlong(bx, px), ny = ParcelsAlong(by, py), nz = ParcelsAlong(bz, pz);
  const long double wanted = std::nearbyint(static_cast<long double>(nx) * a * ny * nz);
  if (!(wanted >= 1.0L)) return;
  const int32_t count = wanted > kScriptParts ? kScriptParts : static_cast<int32_t>(wanted);
  const float ox = lo.x - minX + (bx - nx * px) / 2;
  const float oy = lo.y - minY;
  const float oz = lo.z - minZ + (bz - nz * pz) / 2;
  int32_t placed = 0;
  for (int32_t y = 0; y < ny; ++y) {
    for (int32_t z = 0; z < nz; ++z) {
      for (int32_t x = 0; x < nx; ++x) {
        if (placed >= count || PartCount >= kScriptParts) return;
        ++PartCount;
        ++placed;
        PartMeshes[PartCount] = probe;
        TranslateMesh(PartMeshes[PartCount], ox + x * px, oy + y * py, oz + z * pz);
        MeshPartTransforms[PartCount] = MeshPartTransforms[1];
      }
    }
  }
}

void AddLoadParts(const TVehicleType& vt) {
  const TVehicle& v = CurrentVehicle;
  if (v.VehicleGoodsCounter == 0) return;
  long double fill;
  if (GameTime > v.LoadingEndTick) {
    fill = 1.0L;
  } else if (GameTime < v.LoadingStartTick) {
    fill = 0.0L;
  } else if (v.LoadingEndTick == v.LoadingStartTick) {
    fill = 1.0L;
  } else {
    fill = 1.0L - static_cast<long double>(v.LoadingEndTick - GameTime) /
                      (static_cast<long double>(v.LoadingEndTick) - v.LoadingStartTick);
  }
  const float a = static_cast<float>(v.LoadPercentage / 100.0L * fill);
  if (a == 0.0f) return;
  TGoodFields good{};
  world_hooks::ReadGood(v.Goods[0], good);
  int slot = 0;
  for (int s = 1; s <= kVehicleTypeLoadSlots; ++s) {
    if (VehicleTypeLoadGoods(vt, s) == good.GoodType) slot = s;
  }
  if (slot == 0 || VehicleTypeLoadMesh(vt, slot) == 0) return;
  switch (VehicleTypeLoadStyle(vt, slot)) {
    case kLoadStyleBulk: AddBulkLoad(vt, VehicleTypeLoadMesh(vt, slot), a); break;
    case kLoadStyleParcels: AddParcelLoad(vt, VehicleTypeLoadMesh(vt, slot), a); break;
    default: break;
  }
}

void AddOwnerMarker(int32_t train) {
  const TVehicle& v = CurrentVehicle;
  const TTrain* t = ScriptTrain(train);
  if (EconomyHold != 0 || t == nullptr || t->VehicleCount == 0 || t->Vehicles[0] != v.Index) return;
  if (v.Owner == 0 || v.Owner > 10 || GameOptions[282] == 0 || OwnerMarkerMesh == 0) return;
  const bool localValid = LocalPlayer >= 1 && LocalPlayer <= 10;
  if (localValid && Players[LocalPlayer].CameraFollowVehicle == v.Index && Players[LocalPlayer].CameraFollowing == 1)
    return;
  if (PartCount >= kScriptParts) return;
  ++PartCount;
  TMesh2& mesh = PartMeshes[PartCount];
  mesh.A_Read(OwnerMarkerMesh);
  TranslateMesh(mesh, 0.0f, 100.0f, 0.0f);
  TransformMesh(mesh, v.Placement);
  const uint8_t colour = PlayerColourNumber(Players[v.Owner]);
  if (colour >= 1 && colour <= 14) {
    const int polygons = std::min<int>(mesh.PolygonCount, kMeshMaxPolygons);
    for (int i = 1; i <= polygons; ++i) std::copy_n(PlayerColours[colour], 4, mesh.Polygon(i).Colour);
  }
  TVector camera{};
  if (localValid) camera = {Players[LocalPlayer].Camera.X, Players[LocalPlayer].Camera.Y, Players[LocalPlayer].Camera.Z};
  const TVector d{camera.x - v.Placement.X, camera.y - v.Placement.Y, camera.z - v.Placement.Z};
  constexpr long double kPi = 3.14159265358979323846264338327950288L;
  const float wu = static_cast<float>(std::cos(kPi * (GameTime % 360) / 180.0L) + std::cos(Heading(d)));
  const float wv = static_cast<float>(std::sin(Pitch(d)));
  const int vertices = std::min<int>(mesh.VertexCount, kMeshMaxVertices);
  for (int i = 1; i <= vertices; ++i) {
    mesh.Vertex(i).u += wu;
    mesh.Vertex(i).v += wv;
  }
}

// The compiled image of building type Type's script, or null for none.
const std::vector<uint8_t>* ScriptOfType(uint16_t type, int32_t& number) {
  number = type >= 1 && type <= 255 ? BuildingTypeScriptNumber(BuildingTypes[type]) : 0;
  if (number < 1 || number > 100 || CompiledScriptImages[number].empty()) return nullptr;
  return &CompiledScriptImages[number];
}

// One run of a building script with the building's variables bound; the bindings and the
// references to the caller's records end with the run.
void RunBound(const std::vector<uint8_t>& image, TBuilding& b) {
  BindBuildingVars(b.ScriptVars);
  ScriptRunning = false;
  std::string result;
  RunScript(image.data(), image.size(), true, result);
  BindBuildingVars(nullptr);
  CurrentBuilding = nullptr;
  CurrentDepot = nullptr;
}

}  // namespace

void PrepareVehicleMeshes(const TVehicle& v, int32_t train) {
  MipLevel = 1;
  const TVehicleType& vt = TypeOf(v.VehicleType);
  PartCount = std::min<int32_t>(VehicleTypeMeshCountByte(vt), kScriptParts);
  for (int k = 1; k <= PartCount; ++k) ClearIndexList(PartTextureLists[k]);
  CurrentVehicle = v;
  CurrentTrain = train;
  ClearPlacements();
  ScriptTime = GameTime;
  PlaceVehicleParts(vt);
  AddLoadParts(vt);
  AddOwnerMarker(train);
}

void RunBuildingScript(TBuilding& b, int32_t slot) {
  MipLevel = 1;
  int32_t number = 0;
  const std::vector<uint8_t>* image = ScriptOfType(b.BuildingType, number);
  if (number == 0) return;
  ClearPlacements();
  PartCount = 10;
  ScriptTime = GameTime;
  CurrentBuilding = &b;
  if (number == -1) {
    PrepareCompanyBuilding(slot);
    CurrentBuilding = nullptr;
    return;
  }
  SParam1 = 0;
  if (image == nullptr) {
    CurrentBuilding = nullptr;
    return;
  }
  RunBound(*image, b);
}

void PrepareCompanyBuilding(int32_t slot) {
  TBuilding* b = CurrentBuilding;
  if (b == nullptr || CompanyBuildingType == 0 || b->BuildingType != CompanyBuildingType || CompanyBuildingType > 255)
    return;
  const TPlayer& owner = Players[b->Owner >= 1 && b->Owner <= 10 ? b->Owner : 0];
  const uint8_t logoNumber = PlayerLogoNumber(owner);
  const uint16_t picture = logoNumber <= 32 ? LogoPictures[logoNumber] : 0;
  const uint16_t logo = picture <= 256 ? PictureTextures[picture] : 0;
  const uint8_t colour = PlayerColourNumber(owner);
  const int32_t level = std::clamp(b->ScriptVars[0], 1, kBuildingTypeLevels);
  const TBuildingType& bt = BuildingTypes[CompanyBuildingType];
  const int meshes = std::min<int>(BuildingTypeMeshCount(bt), kScriptParts);
  for (int k = 1; k <= meshes; ++k) {
    PartMeshes[k].VertexCount = 0;
    PartMeshes[k].PolygonCount = 0;
  }
  const uint32_t mesh = BuildingTypeLevelMesh(bt, level, slot);
  if (mesh == 0) return;
  TMesh2& m = PartMeshes[1];
  m.A_Read(mesh);
  const int polygons = std::min<int>(m.PolygonCount, kMeshMaxPolygons);
  for (int i = 1; i <= polygons; ++i) {
    if (m.Polygon(i).Texture != 0) continue;
    m.Polygon(i).Texture = logo;
    if (colour >= 1 && colour <= 14) std::copy_n(PlayerColours[colour], 4, m.Polygon(i).Colour);
  }
}

int32_t RunBuildingEventScript(int32_t event, int32_t param2, int32_t param3, int32_t param4, TBuilding& b,
                               int32_t train, TDepot* depot) {
  int32_t number = 0;
  const std::vector<uint8_t>* image = ScriptOfType(b.BuildingType, number);
  if (image == nullptr) return -1;
  CurrentBuilding = &b;
  CurrentDepot = depot;
  CommandTrain = train;
  SParam1 = event;
  SParam2 = param2;
  SParam3 = param3;
  SParam4 = param4;
  ClearPlacements();
  PartCount = 10;
  ScriptTime = GameTime;
  RunBound(*image, b);
  return SParam4;
}

void TickBuildingScripts(uint32_t depot) {
  TDepot d{};
  d.A_Read(depot);
  if ((d.Flags & (1 | 8)) == 0) return;
  if ((d.Flags & 1) && d.Building != 0) {
    TBuilding building{};
    building.A_Read(d.Building);
    RunBuildingEventScript(2, 0, 0, 0, building, 0, &d);
  }
  if ((d.Flags & 8) == 0 || (d.Flags & 2) == 0) return;
  const int inside = std::min<int>(d.TrainInsideCounter, 100);
  for (int i = 1; i <= inside; ++i) {
    if (d.TrainFlags[i - 1] & 1) {
      ScriptNetwork.ReleaseTrain(d, d.TrainsInside[i - 1]);
      return;
    }
  }
}
