// Building records (TBuilding, declared with the other world records in records.h): creation,
// cost, the link to a station and the removal with its depot and its own ways (building.cpp).
//
// The fields of a building type that these routines read. The game's building-type loader owns
// the rest of the record; these fields lie at the start of TBuildingType:
//   offset 0   u8          use ("Nutzung"): 3 bridge, 4 pillar, 8 tunnel, ...
//   offset 1   String[40]  the type's file name ("BRIDGE-VIADUCT.BIF"), also the key of its
//                          language text
//   offset 42  i32         price
//   offset 46  u8          the class byte that new buildings copy
//   offset 47  u8          way use: 0 road, 1 rail, 2 or more taken from the building's ways
//   offset 48  4 x TVector the ground corners in building coordinates (x and z span the ground,
//                          origin at the building's reference point)
//   offset 96  f32         bottom height, relative to the reference point
//   offset 100 f32         top height, relative to the reference point
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/worldstate.h"

constexpr size_t kBuildingTypeUseOffset = 0;
constexpr size_t kBuildingTypeFileNameOffset = 1;
constexpr size_t kBuildingTypeFileNameRoom = 40;
constexpr size_t kBuildingTypePriceOffset = 42;
constexpr size_t kBuildingTypeClassOffset = 46;
constexpr size_t kBuildingTypeWayUseOffset = 47;
constexpr size_t kBuildingTypeCornersOffset = 48;
constexpr size_t kBuildingTypeBottomOffset = 96;
constexpr size_t kBuildingTypeTopOffset = 100;

constexpr uint8_t kBuildingUseBridge = 3, kBuildingUsePillar = 4, kBuildingUseTunnel = 8;

uint8_t BuildingTypeUse(const TBuildingType& t);
std::string BuildingTypeFileName(const TBuildingType& t);
int32_t BuildingTypePrice(const TBuildingType& t);
uint8_t BuildingTypeClass(const TBuildingType& t);
uint8_t BuildingTypeWayUse(const TBuildingType& t);
TVector BuildingTypeCorner(const TBuildingType& t, int corner);  // corner 1..4
float BuildingTypeBottom(const TBuildingType& t);
float BuildingTypeTop(const TBuildingType& t);
// Writers, for the loader and for tests.
void SetBuildingTypeUse(TBuildingType& t, uint8_t use);
void SetBuildingTypeFileName(TBuildingType& t, const std::string& name);  // cut to 40 characters
void SetBuildingTypePrice(TBuildingType& t, int32_t price);
void SetBuildingTypeClass(TBuildingType& t, uint8_t value);
void SetBuildingTypeWayUse(TBuildingType& t, uint8_t use);
void SetBuildingTypeCorner(TBuildingType& t, int corner, const TVector& v);  // corner 1..4
void SetBuildingTypeHeights(TBuildingType& t, float bottom, float top);

// ---- The depot fields of a building type, behind its heights
//
//   offset 104 i32  the capture node: the type node (1..100) where the depot takes convoys in; 0 none
//   offset 108 i32  the exit node: the type node onto which convoys leave
//   offset 112 u8   nirvana: convoys taken in vanish from the track (0/1)
constexpr size_t kBuildingTypeCaptureNodeOffset = 104;
constexpr size_t kBuildingTypeExitNodeOffset = 108;
constexpr size_t kBuildingTypeNirvanaOffset = 112;
constexpr uint8_t kBuildingKindDepot = 7;

struct TBuildingTypeDepot {
  int32_t CaptureNode = 0;
  int32_t ExitNode = 0;
  uint8_t Nirvana = 0;
};
TBuildingTypeDepot BuildingTypeDepot(const TBuildingType& t);
void SetBuildingTypeDepot(TBuildingType& t, const TBuildingTypeDepot& d);

// ---- The town fields of a building type, behind the depot fields
//
//   offset 116 i32  capacity: the most inhabitants a house holds
//   offset 120 i32  start year and offset 124 i32 end year: towns build the type after the start
//                   year and before the end year
//   offset 128 i32  era: the town era the type suits (1 any era)
// The kind byte (the use at offset 0) tells houses (0) and a town's special buildings (13) apart;
// a house's wealth class (0 poor .. 5 military) is the class byte that its buildings copy.
constexpr size_t kBuildingTypeTownOffset = 116;
constexpr uint8_t kBuildingKindHouse = 0, kBuildingKindSpecialTown = 13;
constexpr int32_t kBuildingEraAny = 1;

struct TBuildingTypeTown {
  int32_t Capacity = 0;
  int32_t StartYear = 0;
  int32_t EndYear = 0;
  int32_t Era = 0;
};
TBuildingTypeTown BuildingTypeTown(const TBuildingType& t);
void SetBuildingTypeTown(TBuildingType& t, const TBuildingTypeTown& v);

// ---- The placement fields of a building type, behind the town fields: where a town may stand it
//
//   offset 132 i32     minimum town size and, at 136, maximum town size
//   offset 140 4 x u8  front flags of edges 1..4 (edge k from corner k to the next; 1 may face a street)
//   offset 144 u8      corner placement: 0 not at a corner, 1 only at a corner, 2 also at a corner
//   offset 145 u8      location: 0 central, 1 peripheral, 2 outside, 3 anywhere, 4 coast
//   offset 146 u8      one per map (0/1)
constexpr size_t kBuildingTypePlacementOffset = 132;
constexpr uint8_t kLocationCentral = 0, kLocationPeripheral = 1, kLocationOutside = 2, kLocationAnywhere = 3,
                  kLocationCoast = 4;
constexpr uint8_t kCornerNever = 0, kCornerOnly = 1, kCornerAlso = 2;

struct TBuildingTypePlacement {
  int32_t MinTownSize = 0;
  int32_t MaxTownSize = 0;
  uint8_t Fronts[4] = {0, 0, 0, 0};
  uint8_t CornerPlacement = 0;
  uint8_t Location = 0;
  uint8_t OnePerMap = 0;
};
TBuildingTypePlacement BuildingTypePlacement(const TBuildingType& t);
void SetBuildingTypePlacement(TBuildingType& t, const TBuildingTypePlacement& v);

// ---- The network fields of a building type: a wayed building (a station or depot that brings
// its own access way), the station building beside a station, and the type's nodes
//
//   offset 200 TVector   access anchor point: placed on the network connect where the access way starts
//   offset 212 TVector   access end point: placed on the far end of the access way (the building end)
//   offset 224 TVector   first and, at 236, second reference point of the station-building type
//   offset 248 u32       the type's mesh (TMeshdata2 index; 0 none)
//   offset 252 u8        ways invisible: the building's access and inner ways are not drawn (0/1)
//   offset 256 100 x 17  the type nodes 1..100: position (TVector, building coordinates), next node 1
//                        and next node 2 (u8 type node numbers, 0 none), station, switcher and
//                        scripted flags (u8, 0/1)
constexpr size_t kBuildingTypeAccessAnchorOffset = 200;
constexpr size_t kBuildingTypeAccessEndOffset = 212;
constexpr size_t kBuildingTypeReferencePointsOffset = 224;
constexpr size_t kBuildingTypeMeshOffset = 248;
constexpr size_t kBuildingTypeWaysInvisibleOffset = 252;
constexpr size_t kBuildingTypeNodesOffset = 256;
constexpr size_t kBuildingTypeNodeBytes = 17;
constexpr int kBuildingTypeNodes = 100;
constexpr uint8_t kBuildingKindStation = 2;

TVector BuildingTypeAccessAnchor(const TBuildingType& t);
TVector BuildingTypeAccessEnd(const TBuildingType& t);
void SetBuildingTypeAccess(TBuildingType& t, const TVector& anchor, const TVector& end);
// Reference point 1..10 (the origin for others; writing others does nothing). Points 1 and 2 are
// the anchor and the direction point of every type that is fitted by two points; the ship landing
// names its two mooring edges by points 3-4 and 5-6, the coast building outlines its water part by
// points 3-6 and its land part by points 7-10. Points 3..10 lie at 2380 (8 x TVector).
constexpr size_t kBuildingTypeMorePointsOffset = 2380;
constexpr int kBuildingTypeReferencePoints = 10;
TVector BuildingTypeReferencePoint(const TBuildingType& t, int point);
void SetBuildingTypeReferencePoint(TBuildingType& t, int point, const TVector& v);
uint32_t BuildingTypeMesh(const TBuildingType& t);
void SetBuildingTypeMesh(TBuildingType& t, uint32_t mesh);
uint8_t BuildingTypeWaysInvisible(const TBuildingType& t);
void SetBuildingTypeWaysInvisible(TBuildingType& t, uint8_t invisible);

struct TBuildingTypeNode {
  TVector Position{};
  uint8_t Next[2] = {0, 0};  // type node numbers; 0 none
  uint8_t Station = 0;
  uint8_t Switcher = 0;
  uint8_t Scripted = 0;
};
// Type node 1..100 (an empty entry for others; writing others does nothing).
TBuildingTypeNode BuildingTypeNode(const TBuildingType& t, int node);
void SetBuildingTypeNode(TBuildingType& t, int node, const TBuildingTypeNode& value);

// ---- Fields of a building type read by the script host (script/runners.h)
//
// Behind the fields the loader keeps for the editors: the script number (i32 at 3000: 0 no script,
// -1 the company building's built-in appearance, else a row of CompiledScripts), the mesh count
// (u8 at 3004) and the level meshes (7 levels x 5 slots of u32 TMeshdata2 indices, level by level,
// 3008..3147).
constexpr size_t kBuildingTypeScriptNumberOffset = 3000;
constexpr size_t kBuildingTypeMeshCountOffset = 3004;
constexpr size_t kBuildingTypeLevelMeshesOffset = 3008;
constexpr int kBuildingTypeLevels = 7, kBuildingTypeLevelSlots = 5;

int32_t BuildingTypeScriptNumber(const TBuildingType& t);
void SetBuildingTypeScriptNumber(TBuildingType& t, int32_t script);
inline uint8_t BuildingTypeMeshCount(const TBuildingType& t) { return t.Bytes[kBuildingTypeMeshCountOffset]; }
inline void SetBuildingTypeMeshCount(TBuildingType& t, uint8_t count) { t.Bytes[kBuildingTypeMeshCountOffset] = count; }
// Level 1..7, slot 1..5 (0 for others).
uint32_t BuildingTypeLevelMesh(const TBuildingType& t, int level, int slot);
void SetBuildingTypeLevelMesh(TBuildingType& t, int level, int slot, uint32_t mesh);

// The mesh rows of a building type, as many as its mesh count (at most 10), 37 bytes each from
// 2000: the row's placement (TPlacement), whether that placement applies (u8), and the row's
// TMeshdata2 indices for near, middle and far view (u32 each); the near one is drawn and picked.
constexpr size_t kBuildingTypeMeshRowsOffset = 2000;
constexpr size_t kBuildingTypeMeshRowBytes = 37;
constexpr int kBuildingTypeMeshRows = 10;
struct TBuildingTypeMeshRow {
  TPlacement Placement{};
  uint8_t PlacementApplies = 0;
  uint32_t Meshes[3] = {};
};
// Row 1..10 (an empty row for others).
TBuildingTypeMeshRow BuildingTypeMeshRow(const TBuildingType& t, int row);
void SetBuildingTypeMeshRow(TBuildingType& t, int row, const TBuildingTypeMeshRow& value);
