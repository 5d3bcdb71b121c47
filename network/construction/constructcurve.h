// Curve construction: the one entry point that turns two connects into a road or rail line. The
// curve is solved, every piece is prepared (its planned way, its small mesh, its gradient and its
// relation to the ground), the map bounds are checked and bridge pieces grouped; in build mode the
// ways are then created with their connects and nodes. A preview leaves the whole plan in the
// TCurveline and creates nothing.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/mesh/meshrecords.h"
#include "engine/world/records.h"
#include "network/construction/curveline.h"
#include "network/construction/limits.h"
#include "network/construction/result.h"

// The choices of a curve construction: the first byte is not read, the second is the curve mode
// of the solver (0, 1 or 2).
#pragma pack(push, 1)
struct TCurveOptions {
  uint8_t Unused;
  uint8_t CurveMode;
};
#pragma pack(pop)
static_assert(sizeof(TCurveOptions) == 2);

// A piece whose first piece spans more than this is not prepared.
constexpr float kLongestFirstPiece = 5000.0f;
// Ground below a piece by more than this makes it a bridge; ground above it by more than the
// cutting depth makes it a cutting.
constexpr float kBridgeClearance = 40.0f;
constexpr float kCuttingDepth = 100.0f;
// The standard texture entries of the street and the rail.
constexpr int kRailTextureEntry = 0;
constexpr int kStreetTextureEntry = 3;

// How PreparePiece takes the side vectors: scaled to half the gauge; first replaced by the chord
// turned a quarter (-d.z, 0, d.x), then scaled; or used as they are.
constexpr uint8_t kSidesScaled = 0, kSidesFromChord = 1, kSidesAsGiven = 2;

// The vector's ground-plane part scaled to Length, its y 0 (a vector without one keeps its x and z).
void ScaleToGroundLength(TVector& v, float length);

// Plans one piece from A to B: its planned way (use 0 a road of waytype 0, use 1 a rail of
// waytype 2, flag 1 for levelled ground), the block mesh of the way body in Buffer and its small
// copy in Mesh, the way's position at the middle. Result {19} when the piece is steeper than its
// use allows. The ground under it makes it a cutting (flag 2 in place of 1) where the piece lies
// more than 100 below the terrain, and a bridge (flag 4, with a thin deck) where it lies more than
// 40 above; LowestGround gets the lowest terrain under it.
void PreparePiece(uint8_t use, const TMetaconnect& a, const TMetaconnect& b, TPieceMesh& mesh, TMeshdata2& buffer,
                  TWay& way, TVector& sideA, TVector& sideB, uint8_t sideMode, float& lowestGround,
                  TConstructResult& result);

// Plans the curve from A to B (waytype 0 road, 1 rail; any other stops the program) and in mode 1
// builds it when nothing was refused. Ends less than 1.0 apart give {2} and no connects. A plan
// whose first piece spans more than 5,000 is not prepared: a solver's success becomes {3}. A
// connect off the map gives {15}, a piece too steep {19}, parallel ends that overlap {18}.
void constructcurve(TCurveline& curve, uint8_t waytype, TMetaconnect a, TMetaconnect b, bool parallel,
                    TCurveOptions options, uint8_t mode, TConstructResult& result);
