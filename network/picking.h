// Picking: the world object whose mesh a ray meets first, and the terrain tile under the mouse.
// The tests run on the CPU against the stored meshes, polygon by polygon: a quad as the
// parallelogram of its vertices 1, 2 and 4, a triangle as its vertices 1, 2, 3. All objects of one
// pick share one best distance, so a later object wins only with a nearer hit (ties keep the
// earlier); within one mesh the first polygon nearer than the best ends that mesh's test.
//
// Buildings, ways and trees count only near the ray's start (ground distance below ViewRange x
// 100); vehicles are tested without a range. Buildings are tested with a mesh of their own; the
// meshes of a building type's rows are not part of this unit yet, nor are the animals, and vehicle
// parts are drawn at the vehicle's pose without the animation script's part placements.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "network/construction/curveline.h"
#include "network/construction/result.h"

#pragma pack(push, 1)
struct TPickResult {
  uint32_t Kind;         // the hit record's type word (kPick...), 0 nothing
  uint32_t Extra;        // kPickVehicleExtra for a vehicle, else 0
  uint32_t Index;        // the hit record's index
  uint32_t SecondIndex;  // the train of a hit vehicle, else 0
  TVector HitPoint;
};
static_assert(sizeof(TPickResult) == 28);
#pragma pack(pop)

constexpr uint32_t kPickBuilding = 0x10001;
constexpr uint32_t kPickWay = 0x10002;
constexpr uint32_t kPickTree = 0x20040;
constexpr uint32_t kPickVehicle = 0x40400;
constexpr uint32_t kPickAnimal = 0x80001;
constexpr uint32_t kPickVehicleExtra = 0x10000020;

// The point of the last accepted hit of any pick.
extern TVector PickHitPoint;
// The mesh record of each tree kind (0: the kind is not drawn and not picked).
extern uint32_t TreeKindMeshes[256];

struct TMesh2;

// The animals of the world, which their unit installs: their number, and animal K's (1..count)
// animated mesh at its animation time, moved by its placement, into Mesh (false: none). Default:
// no animals.
namespace picking_hooks {
extern uint32_t (*AnimalCount)();
extern bool (*AnimalMesh)(uint32_t k, TMesh2& mesh);
void InstallDefaults();
}  // namespace picking_hooks

// The ray runs from start through start + ray. Mode 0: buildings, ways, trees and vehicles; 1 and
// 2: ways only; 3: buildings, trees and vehicles; 4: buildings and ways; 5 and above: everything
// of mode 0; animals only in mode 0 when nothing else was hit. A hit vehicle ends the pick at once
// and leaves the result's hit point alone; otherwise the hit point becomes PickHitPoint.
void PickObject(const TVector& start, const TVector& ray, uint8_t mode, TPickResult& result);
// PickObject from the local player's camera along MouseRay.
void PickObjectUnderMouse(uint8_t mode, TPickResult& result);
// The terrain tile nearest along the mouse ray from the local player's camera, among the tiles
// within ViewRange of the camera's tile whose vertex lies less than 100 from the ray in the ground
// plane. A tile is the square of four fan triangles around its height vertex. False, x and z
// untouched, when none is hit.
bool PickTerrain(int32_t& tileX, int32_t& tileZ);

struct TConstructResult;
// The harbour under the ray: PickObject in mode 0; nothing or no building hit gives Result := {24}
// and 0; a building of another type than the harbour (SpecialBuildingTypes[2]) gives {29}. The
// hit building's index is returned either way; Result is left alone for a harbour.
uint32_t PickBuildingOfSelectedType(const TVector& rayStart, const TVector& rayDir, TPickResult& pick,
                                    TConstructResult& result);

// The pick ray of the mouse: the local player's camera position and MouseRay (what
// PickObjectUnderMouse uses).
TVector PickRayStart();
TVector PickRayDir();

// The terrain point under the mouse: PickTerrain, then Point := PickHitPoint and Result {0}; no
// tile: Result {2} and Point untouched.
void GetClickedTerrainPoint(TVector& point, TConstructResult& result);

// The stored connect that the mouse ray passes nearest (less than 20.0 from the ray, within the
// picking range of the acting player's camera, usable by ActPlayer): the first one found of any
// waytype, replaced only by one of the asked waytype that lies nearer or when the one found is of
// another waytype. Found: Target is that connect (its image and index); false when none.
bool PickConnectUnderMouse(uint8_t waytype, TMetaconnect& target);

// Where a way end of the placement tools goes: the connect under the mouse; else, on the terrain
// under the mouse, the usable connect of the waytype nearest to the hit in the ground plane within
// 11.0, or a new point 1.0 above the hit. No terrain: Result {2}. Then the place test
// (CheckConnectPlace) and, when it passes, the direction (MakeMetaconnectDir).
void PickPlacementTarget(uint8_t waytype, TMetaconnect& target, TConstructResult& result);
