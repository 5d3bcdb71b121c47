// Building records: creation, cost, the link to a station, and the removal of a building with its
// depot and its own ways, unhooked from its road and station, its money booked back.
#include "engine/world/building.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/compaction.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"

uint8_t BuildingTypeUse(const TBuildingType& t) { return t.Bytes[kBuildingTypeUseOffset]; }

std::string BuildingTypeFileName(const TBuildingType& t) {
  const uint8_t length = std::min<uint8_t>(t.Bytes[kBuildingTypeFileNameOffset], kBuildingTypeFileNameRoom);
  return std::string(reinterpret_cast<const char*>(t.Bytes + kBuildingTypeFileNameOffset + 1), length);
}

int32_t BuildingTypePrice(const TBuildingType& t) {
  int32_t price;
  std::memcpy(&price, t.Bytes + kBuildingTypePriceOffset, 4);
  return price;
}

void SetBuildingTypeUse(TBuildingType& t, uint8_t use) { t.Bytes[kBuildingTypeUseOffset] = use; }

void SetBuildingTypeFileName(TBuildingType& t, const std::string& name) {
  const size_t length = std::min(name.size(), kBuildingTypeFileNameRoom);
  t.Bytes[kBuildingTypeFileNameOffset] = static_cast<uint8_t>(length);
  std::memcpy(t.Bytes + kBuildingTypeFileNameOffset + 1, name.data(), length);
}

void SetBuildingTypePrice(TBuildingType& t, int32_t price) {
  std::memcpy(t.Bytes + kBuildingTypePriceOffset, &price, 4);
}

namespace {

float LoadFloat(const TBuildingType& t, size_t offset) {
  float v;
  std::memcpy(&v, t.Bytes + offset, 4);
  return v;
}

void StoreFloat(TBuildingType& t, size_t offset, float v) { std::memcpy(t.Bytes + offset, &v, 4); }

size_t CornerOffset(int corner) { return kBuildingTypeCornersOffset + static_cast<size_t>(corner - 1) * 12; }

}  // namespace

uint8_t BuildingTypeClass(const TBuildingType& t) { return t.Bytes[kBuildingTypeClassOffset]; }
uint8_t BuildingTypeWayUse(const TBuildingType& t) { return t.Bytes[kBuildingTypeWayUseOffset]; }

TVector BuildingTypeCorner(const TBuildingType& t, int corner) {
  const size_t at = CornerOffset(corner);
  return {LoadFloat(t, at), LoadFloat(t, at + 4), LoadFloat(t, at + 8)};
}

float BuildingTypeBottom(const TBuildingType& t) { return LoadFloat(t, kBuildingTypeBottomOffset); }
float BuildingTypeTop(const TBuildingType& t) { return LoadFloat(t, kBuildingTypeTopOffset); }

void SetBuildingTypeClass(TBuildingType& t, uint8_t value) { t.Bytes[kBuildingTypeClassOffset] = value; }
void SetBuildingTypeWayUse(TBuildingType& t, uint8_t use) { t.Bytes[kBuildingTypeWayUseOffset] = use; }

void SetBuildingTypeCorner(TBuildingType& t, int corner, const TVector& v) {
  const size_t at = CornerOffset(corner);
  StoreFloat(t, at, v.x);
  StoreFloat(t, at + 4, v.y);
  StoreFloat(t, at + 8, v.z);
}

TBuildingTypeTown BuildingTypeTown(const TBuildingType& t) {
  int32_t v[4];
  std::memcpy(v, t.Bytes + kBuildingTypeTownOffset, sizeof(v));
  return {v[0], v[1], v[2], v[3]};
}

void SetBuildingTypeTown(TBuildingType& t, const TBuildingTypeTown& town) {
  const int32_t v[4] = {town.Capacity, town.StartYear, town.EndYear, town.Era};
  std::memcpy(t.Bytes + kBuildingTypeTownOffset, v, sizeof(v));
}

TBuildingTypePlacement BuildingTypePlacement(const TBuildingType& t) {
  TBuildingTypePlacement v;
  const uint8_t* at = t.Bytes + kBuildingTypePlacementOffset;
  std::memcpy(&v.MinTownSize, at, 4);
  std::memcpy(&v.MaxTownSize, at + 4, 4);
  std::memcpy(v.Fronts, at + 8, 4);
  v.CornerPlacement = at[12];
  v.Location = at[13];
  v.OnePerMap = at[14];
  return v;
}

void SetBuildingTypePlacement(TBuildingType& t, const TBuildingTypePlacement& v) {
  uint8_t* at = t.Bytes + kBuildingTypePlacementOffset;
  std::memcpy(at, &v.MinTownSize, 4);
  std::memcpy(at + 4, &v.MaxTownSize, 4);
  std::memcpy(at + 8, v.Fronts, 4);
  at[12] = v.CornerPlacement;
  at[13] = v.Location;
  at[14] = v.OnePerMap;
}

void SetBuildingTypeHeights(TBuildingType& t, float bottom, float top) {
  StoreFloat(t, kBuildingTypeBottomOffset, bottom);
  StoreFloat(t, kBuildingTypeTopOffset, top);
}

namespace {

void DestroyBuilding(TBuilding& b, uint8_t mode, TDestroyResult& result) {
  if (FreeBuildMode) b.Owner = ActPlayer;
  result.Clear();
  if (mode == kDestroyChecked) {
    DestroyBuilding(b, kDestroyCheck, result);
    if (!result.Has(kDestroyOk)) return;
  }
  if (mode == kDestroyCheck && b.Owner != ActPlayer) {
    if (b.Owner == 0) {
      result.Include(kReasonBuildingWithoutOwner);
    } else if (b.Owner <= 10) {
      result.Include(kReasonForeignBuilding);
    } else {
      SYS_BREAKPROGRAM("Error in UTBuilding.Destroy: Undefined Owner!");
    }
    return;
  }

  bool failed = false;
  if (b.Depot != 0) {
    TDestroyResult r{};
    DestroyDependant<TDepot>(b.Depot, mode, r);
    result.Unite(r);
    if (!r.Has(kDestroyOk)) failed = true;
  }
  uint32_t ways[20];
  const int wayCount = std::min<int>(b.BuildingWayCounter, 20);
  std::memcpy(ways, b.Ways, sizeof(ways));
  for (int i = 0; i < wayCount; ++i) {
    TDestroyResult r{};
    DestroyDependant<TWay>(ways[i], mode, r);
    result.Unite(r);
    if (!r.Has(kDestroyOk)) failed = true;
  }
  if (failed) result.Exclude(kDestroyOk);

  if (mode == kDestroyForced || (mode == kDestroyChecked && result.Has(kDestroyOk))) {
    if (b.Way != 0) b.RemoveFromWay();
    if (b.Mesh != 0) TMeshdata2::DestroyByIndex(b.Mesh);
    if (b.Station != 0) b.RemoveFromStation();
    // The cost is reckoned only where it is booked back, so no other removal warns about it.
    if (b.State == 0) {
      world_hooks::AddtoPrevCost(b.Owner, b.City, b.BuildingCost());
    } else if ((b.State == 2 || b.State == 3) && b.Owner >= 1 && b.Owner <= 10) {
      Players[b.Owner].Finances[0].BuildingValue -= b.BuildingCost();
    }
    if (b.BuildingType == CompanyBuildingType && b.Owner >= 1 && b.Owner <= 10) Players[b.Owner].CompanyBuilding = 0;
    world_hooks::OnDestroyBuilding();
    ArrayerEntryDestroyBW(b.Index);
    if (ActPlayer == LocalPlayer) LocalWorldChanged = 1;
    ChangeBuildingsPerType(b.BuildingType, -1);
  }
  if (result.Empty()) result.Include(kDestroyOk);
}

}  // namespace

void TBuilding::Init(uint16_t buildingType, uint8_t owner) {
  *this = TBuilding{};
  State = 0;
  BuildingType = buildingType;
  Owner = owner;
}

void TBuilding::AddToStation(TStation& s, bool rewrite) {
  if (s.StationBuildingcounter >= 100)
    SYS_BREAKPROGRAM("ERROR in TBuilding.AddToStation: Limit for Buildings in station exceeded");
  s.Buildings[s.StationBuildingcounter++] = Index;
  if (rewrite) s.A_ReWrite();
  Station = s.Index;
  A_Overwrite();
}

float TBuilding::BuildingCost() const {
  if (BuildingType == 0) return 0.0f;
  if (BuildingType > 255) {  // beyond the table of building types
    SYS_Warning("ERROR in TBuilding.BuildingCost: Unknown Buildingtype " + std::to_string(BuildingType));
    return 0.0f;
  }
  const TBuildingType& type = BuildingTypes[BuildingType];
  const float price = static_cast<float>(BuildingTypePrice(type));
  // The larger distance of the two end points (corners 1 and 3) along x and along z.
  const float d = std::max(std::fabs(Corners[0].x - Corners[2].x), std::fabs(Corners[0].z - Corners[2].z));
  const float height = std::fabs(HighHeight - LowHeight);
  switch (BuildingTypeUse(type)) {
    case 0:
    case 1:
    case 2:
    case 5:
    case 6:
    case 7:
    case 9:
      return price;
    case kBuildingUseBridge: {
      float cost = price + d * 40.0f;
      if (BuildingTypeFileName(type) == "BRIDGE-VIADUCT.BIF") cost += height * 20.0f;
      return cost;
    }
    case kBuildingUsePillar:
      return price + height * 50.0f;
    case kBuildingUseTunnel:
      return price + d * 400.0f;
    default:
      SYS_Warning("ERROR in TBuilding.BuildingCost: Unsuportet Buildinginfo.Nutzung!");
      return price;
  }
}

void TBuilding::Destroy(uint8_t mode, TDestroyResult& result) {
  // A building met again by its own cascade (a junction building whose last connection goes with
  // one of its ways) is left to the outer call.
  if (DestroyInProgress::Active(kTBuildingDesc, Index)) {
    result.Clear();
    result.Include(kDestroyOk);
    return;
  }
  DestroyInProgress mark(kTBuildingDesc, Index);
  DestroyBuilding(*this, mode, result);
}

void TBuilding::DestroyByIndex(uint32_t index, uint8_t mode, TDestroyResult& result) {
  if (DestroyInProgress::Active(kTBuildingDesc, index)) {
    result.Clear();
    result.Include(kDestroyOk);
    return;
  }
  TBuilding b{};
  b.A_Read(index);
  b.Destroy(mode, result);
}

void TBuilding::RemoveFromWay() {
  if (!ArrayerHolds(kTWayDesc, Way)) {  // the road went earlier in the same cascade
    Way = 0;
    return;
  }
  TWay w{};
  w.A_Read(Way);
  if (w.RoadsideBuildings == 0)
    SYS_BREAKPROGRAM("ERROR: UTBuilding: TBuilding.RemoveFromWay: The BuildingRefcount was 0!");
  --w.RoadsideBuildings;
  if (Side == 1 || Side == 2) w.SideLengths[Side - 1] += Frontage;
  if ((w.Waytype == 0 || w.Waytype == 1 || w.Waytype == 6) && w.RoadsideBuildings == 0 && w.Mesh != 0) {
    auto mesh = std::make_unique<TMeshdata2>();
    mesh->A_Read(w.Mesh);
    world_hooks::CalcWaySideLengths(w, *mesh);
    if (w.Waytype == 1 || w.Waytype == 6) {
      uint8_t side = Side, found = 0;
      auto next = std::make_unique<TWay>();
      world_hooks::NextWayAlongStreetSide(w, side, found, *next);
    }
  }
  w.A_Overwrite();
  Way = 0;
}

void TBuilding::RemoveFromStation() {
  if (!ArrayerHolds(kTStationDesc, Station)) return;  // the station went earlier in the same cascade
  auto s = std::make_unique<TStation>();
  s->A_Read(Station);
  int at = -1;
  for (int i = 0; i < std::min<int>(s->StationBuildingcounter, 100); ++i) {
    if (s->Buildings[i] == Index) at = i;
  }
  if (at < 0)
    SYS_BREAKPROGRAM("ERROR: UTBuilding: TBuilding.RemoveFromStation: The Building is unknown by the Station");
  for (int i = at; i + 1 < s->StationBuildingcounter; ++i) s->Buildings[i] = s->Buildings[i + 1];
  --s->StationBuildingcounter;
  s->CalcStationKind();
  s->A_ReWrite();
  if (s->StationBuildingcounter == 0 && s->StationWayCounter == 0) {
    TDestroyResult r{};
    s->destroy(kDestroyForced, r);
  }
}

// ---- Fields of a building type read by the script host

TBuildingTypeDepot BuildingTypeDepot(const TBuildingType& t) {
  TBuildingTypeDepot d;
  std::memcpy(&d.CaptureNode, t.Bytes + kBuildingTypeCaptureNodeOffset, 4);
  std::memcpy(&d.ExitNode, t.Bytes + kBuildingTypeExitNodeOffset, 4);
  d.Nirvana = t.Bytes[kBuildingTypeNirvanaOffset];
  return d;
}

void SetBuildingTypeDepot(TBuildingType& t, const TBuildingTypeDepot& d) {
  std::memcpy(t.Bytes + kBuildingTypeCaptureNodeOffset, &d.CaptureNode, 4);
  std::memcpy(t.Bytes + kBuildingTypeExitNodeOffset, &d.ExitNode, 4);
  t.Bytes[kBuildingTypeNirvanaOffset] = d.Nirvana;
}

// ---- The network fields of a building type

namespace {
TVector LoadVector(const TBuildingType& t, size_t at) {
  return {LoadFloat(t, at), LoadFloat(t, at + 4), LoadFloat(t, at + 8)};
}
void StoreVector(TBuildingType& t, size_t at, const TVector& v) {
  StoreFloat(t, at, v.x);
  StoreFloat(t, at + 4, v.y);
  StoreFloat(t, at + 8, v.z);
}
size_t NodeAt(int node) { return kBuildingTypeNodesOffset + kBuildingTypeNodeBytes * static_cast<size_t>(node - 1); }
bool NodeValid(int node) { return node >= 1 && node <= kBuildingTypeNodes; }
}  // namespace

static_assert(kBuildingTypeNodesOffset + kBuildingTypeNodeBytes * kBuildingTypeNodes <= kBuildingTypeMeshRowsOffset);

TVector BuildingTypeAccessAnchor(const TBuildingType& t) { return LoadVector(t, kBuildingTypeAccessAnchorOffset); }
TVector BuildingTypeAccessEnd(const TBuildingType& t) { return LoadVector(t, kBuildingTypeAccessEndOffset); }

void SetBuildingTypeAccess(TBuildingType& t, const TVector& anchor, const TVector& end) {
  StoreVector(t, kBuildingTypeAccessAnchorOffset, anchor);
  StoreVector(t, kBuildingTypeAccessEndOffset, end);
}

namespace {
size_t ReferencePointOffset(int point) {
  if (point <= 2) return kBuildingTypeReferencePointsOffset + 12 * static_cast<size_t>(point - 1);
  return kBuildingTypeMorePointsOffset + 12 * static_cast<size_t>(point - 3);
}
}  // namespace

TVector BuildingTypeReferencePoint(const TBuildingType& t, int point) {
  if (point < 1 || point > kBuildingTypeReferencePoints) return {0.0f, 0.0f, 0.0f};
  return LoadVector(t, ReferencePointOffset(point));
}

void SetBuildingTypeReferencePoint(TBuildingType& t, int point, const TVector& v) {
  if (point >= 1 && point <= kBuildingTypeReferencePoints) StoreVector(t, ReferencePointOffset(point), v);
}

uint32_t BuildingTypeMesh(const TBuildingType& t) {
  uint32_t m;
  std::memcpy(&m, t.Bytes + kBuildingTypeMeshOffset, 4);
  return m;
}

void SetBuildingTypeMesh(TBuildingType& t, uint32_t mesh) { std::memcpy(t.Bytes + kBuildingTypeMeshOffset, &mesh, 4); }

uint8_t BuildingTypeWaysInvisible(const TBuildingType& t) { return t.Bytes[kBuildingTypeWaysInvisibleOffset]; }
void SetBuildingTypeWaysInvisible(TBuildingType& t, uint8_t invisible) {
  t.Bytes[kBuildingTypeWaysInvisibleOffset] = invisible;
}

TBuildingTypeNode BuildingTypeNode(const TBuildingType& t, int node) {
  TBuildingTypeNode n;
  if (!NodeValid(node)) return n;
  const size_t at = NodeAt(node);
  n.Position = LoadVector(t, at);
  n.Next[0] = t.Bytes[at + 12];
  n.Next[1] = t.Bytes[at + 13];
  n.Station = t.Bytes[at + 14];
  n.Switcher = t.Bytes[at + 15];
  n.Scripted = t.Bytes[at + 16];
  return n;
}

void SetBuildingTypeNode(TBuildingType& t, int node, const TBuildingTypeNode& value) {
  if (!NodeValid(node)) return;
  const size_t at = NodeAt(node);
  StoreVector(t, at, value.Position);
  t.Bytes[at + 12] = value.Next[0];
  t.Bytes[at + 13] = value.Next[1];
  t.Bytes[at + 14] = value.Station;
  t.Bytes[at + 15] = value.Switcher;
  t.Bytes[at + 16] = value.Scripted;
}

int32_t BuildingTypeScriptNumber(const TBuildingType& t) {
  int32_t s;
  std::memcpy(&s, t.Bytes + kBuildingTypeScriptNumberOffset, 4);
  return s;
}

void SetBuildingTypeScriptNumber(TBuildingType& t, int32_t script) {
  std::memcpy(t.Bytes + kBuildingTypeScriptNumberOffset, &script, 4);
}

namespace {
bool LevelSlotValid(int level, int slot) {
  return level >= 1 && level <= kBuildingTypeLevels && slot >= 1 && slot <= kBuildingTypeLevelSlots;
}
size_t LevelMeshAt(int level, int slot) {
  return kBuildingTypeLevelMeshesOffset + 4 * static_cast<size_t>((level - 1) * kBuildingTypeLevelSlots + slot - 1);
}
}  // namespace

uint32_t BuildingTypeLevelMesh(const TBuildingType& t, int level, int slot) {
  if (!LevelSlotValid(level, slot)) return 0;
  uint32_t m;
  std::memcpy(&m, t.Bytes + LevelMeshAt(level, slot), 4);
  return m;
}

void SetBuildingTypeLevelMesh(TBuildingType& t, int level, int slot, uint32_t mesh) {
  if (LevelSlotValid(level, slot)) std::memcpy(t.Bytes + LevelMeshAt(level, slot), &mesh, 4);
}

TBuildingTypeMeshRow BuildingTypeMeshRow(const TBuildingType& t, int row) {
  TBuildingTypeMeshRow r;
  if (row < 1 || row > kBuildingTypeMeshRows) return r;
  const uint8_t* at = t.Bytes + kBuildingTypeMeshRowsOffset + kBuildingTypeMeshRowBytes * (row - 1);
  std::memcpy(&r.Placement, at, sizeof r.Placement);
  r.PlacementApplies = at[24];
  std::memcpy(r.Meshes, at + 25, sizeof r.Meshes);
  return r;
}

void SetBuildingTypeMeshRow(TBuildingType& t, int row, const TBuildingTypeMeshRow& value) {
  if (row < 1 || row > kBuildingTypeMeshRows) return;
  uint8_t* at = t.Bytes + kBuildingTypeMeshRowsOffset + kBuildingTypeMeshRowBytes * (row - 1);
  std::memcpy(at, &value.Placement, sizeof value.Placement);
  at[24] = value.PlacementApplies;
  std::memcpy(at + 25, value.Meshes, sizeof value.Meshes);
}

static_assert(kBuildingTypeMeshRowsOffset + kBuildingTypeMeshRowBytes * kBuildingTypeMeshRows <=
              kBuildingTypeScriptNumberOffset);
static_assert(kBuildingTypeMeshRowsOffset + kBuildingTypeMeshRowBytes * kBuildingTypeMeshRows <=
                  kBuildingTypeMorePointsOffset &&
              kBuildingTypeMorePointsOffset + 12 * (kBuildingTypeReferencePoints - 2) <=
                  kBuildingTypeScriptNumberOffset);
