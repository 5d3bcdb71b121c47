// The planning record of way construction: the working copy of a connect (TMetaconnect), the
// planned pieces with their small meshes, bridge groups, and the log of pieces built in previews.
// A plan is a chain of up to 20 connects (slots 1..20) with a piece between each two; slot k + 20
// is the partner of slot k in the parallel set. Every array here counts from 1; entry 0 is unused.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>

#include "engine/base/types.h"
#include "engine/mesh/mesh.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/connectpool.h"
#include "engine/world/records.h"
#include "network/track/trackfields.h"

constexpr int kCurveConnects = 20;
constexpr int kCurvePieces = 19;
constexpr int kPieceLogRoom = 90;

// The records below are packed; those whose floats all lie on 4-byte offsets are also 4-byte
// aligned, so that their floats are aligned wherever the records are placed.
#pragma pack(push, 1)
// The working copy of a connect: the image of a TConnect, then where it came from, its direction
// and its height above the ground.
struct alignas(4) TMetaconnect {
  // -- the image of the stored connect
  uint8_t Waytype;  // 0 road, 1 rail; 3 must lie on water; 4 the building end of an access way
  uint8_t ConnectUsed;
  uint8_t ConnectBytes[2];
  TVector Position;
  float ArcStep;  // the angle per piece when placed on an arc, else 0
  uint32_t WayA;
  uint32_t WayB;
  uint32_t JunctionBuilding;
  // -- the copy
  uint32_t ConnectIndex;  // the stored connect this copy came from; 0 = not stored yet
  uint8_t HasDirection;
  uint8_t Pad[3];
  TVector Direction;  // into the way that already ends here (or that a planned end continues); not unit length
  float HeightAboveGround;
};
static_assert(sizeof(TMetaconnect) == 56 && offsetof(TMetaconnect, ConnectIndex) == sizeof(TConnect));

// The mesh of one planned piece; vertices 1..4 are the top corners start + side, start - side,
// end - side, end + side.
struct TPieceMesh {
  uint8_t PolygonCount;
  uint8_t VertexCount;
  uint8_t Pad[2];
  TMeshVertex Vertices[20];
  TMeshPolygon Polygons[5];
};
static_assert(sizeof(TPieceMesh) == 804);

struct TCurvePiece {
  TWay Way;            // the planned way
  uint8_t AfterWay;    // cleared with every reset and piece preparation
  uint8_t Marker;
  uint8_t Group;       // 0 = in no group
  uint8_t GroupIndex;  // position within the group
  TPieceMesh Mesh;
  uint8_t Tail[2];
};
// 1,378 bytes: in an array every second piece lies 2 bytes off a 4-byte boundary.
static_assert(sizeof(TCurvePiece) == 1378 && offsetof(TCurvePiece, Mesh) == 572 && alignof(TCurvePiece) == 1);

// A run of consecutive bridge pieces.
struct alignas(4) TPieceGroup {
  uint8_t PieceCount;
  uint8_t Kind;       // 2 main set only, 8 parallel set only, 10 both
  uint8_t FreeBelow;  // 1 after reset, 0 once an object lies below the group
  uint8_t Spare;
  float Length;          // total ground length
  float ClearanceBelow;  // 50,000 after reset
  float ClearanceAbove;  // 50,000 after reset
};
static_assert(sizeof(TPieceGroup) == 16);

// The piece meshes of successful previews, for display.
struct TPieceLog {
  uint32_t Lead;
  uint8_t Count;  // at most 90
  TPieceMesh Entries[kPieceLogRoom + 1];  // 1..90
  uint8_t Trail;
};
#pragma pack(pop)

// The planning record. About 0.6 MB: keep it on the heap or in static storage (NewCurveline).
struct TCurveline {
  TPieceLog* PieceLog;  // only GlobalCurveline logs
  uint8_t Parallel;     // plan a second set beside the first
  uint8_t conzahl;      // connects of the plan, 0..20; conzahl - 1 pieces
  TMetaconnect Slots[2 * kCurveConnects + 1];
  TCurvePiece Pieces[kCurvePieces + 1];          // piece k joins slots k and k + 1
  TCurvePiece ParallelPieces[kCurvePieces + 1];  // joins slots k + 20 and k + 21
  alignas(4) TVector SideVectors[kCurveConnects + 1];
  alignas(4) TVector ParallelSideVectors[kCurveConnects + 1];
  uint8_t PreviewBuilding[kCurvePieces + 1];
  alignas(4) TBuilding PreviewBuildings[kCurvePieces + 1];
  alignas(4) TMeshdata2 PreviewMeshes[kCurvePieces + 1];
  float FreeBelow[kCurveConnects];
  float FreeAbove[kCurveConnects];
  float Underside[kCurveConnects];
  float DeckTop[kCurveConnects];
  float LowestGround[kCurveConnects];
  uint32_t GroupCount;
  TPieceGroup Groups[kCurvePieces + 1];
  TPieceMesh RouterMeshes[4];
  float Gradient;  // (last y - first y) / summed ground length * 1,000
  uint32_t HitWay;
  alignas(4) TVector Centre;
  float Radius;
};

// The log that GlobalCurveline writes to, and the record the command handlers plan in.
extern TPieceLog GlobalPieceLog;
extern TCurveline* const GlobalCurveline;

// A zeroed record on the heap, without a log.
std::unique_ptr<TCurveline> NewCurveline();

// Parallel, conzahl and GroupCount := 0; the connect index of every slot := 0; per piece: preview
// building flag 0, both piece meshes emptied, the byte after each planned way and its flags byte 0,
// the preview mesh emptied (TMeshdata2.Init), the group reset; Gradient and HitWay := 0. The log
// reference and everything else keep their values.
void ResetConstruction(TCurveline& curve);
void ClearPieceLog(TPieceLog& log);
// After a successful preview: with a log and at least two connects, every piece mesh (with
// Parallel each followed by its parallel piece mesh) is appended while the log has room; the rest is
// dropped without notice.
void LogPieces(TCurveline& curve);

// The small mesh of a piece from a full one: its counts and its first polygons and vertices, at
// most the 5 polygons and 20 vertices that a piece mesh holds (larger counts are cut to those).
void CompactMesh(TPieceMesh& small, const TMeshdata2& full);
// The full mesh of a piece: emptied (TMeshdata2.Init), then the piece's counts, polygons and
// vertices; its flags keep 2.
void ExpandMesh(const TPieceMesh& small, TMeshdata2& full);

// The way fields that construction gives a meaning, in the bytes the way record leaves to the
// network code.
constexpr uint8_t kWayOnGround = 1;  // the terrain under it is levelled when completed
constexpr uint8_t kWayCutting = 2;
constexpr uint8_t kWayBridge = 4;
constexpr uint8_t kWayHit = 32;      // hit by the last collision test
constexpr uint8_t kWayAccess = 64;   // an invisible access way of a building
inline uint8_t& WayFlags(TWay& w) { return w.Reserved6; }
inline uint8_t WayFlags(const TWay& w) { return w.Reserved6; }
// Which sides of a road have a sidewalk, the sides where town buildings may stand: bit 1 side 1,
// bit 2 side 2.
inline uint8_t& WaySideBits(TWay& w) { return w.Reserved125[0]; }
inline uint8_t WaySideBits(const TWay& w) { return w.Reserved125[0]; }
// The class of a town street: which town buildings may stand along it (its low 7 bits; 0 any).
inline uint8_t& WayStreetClass(TWay& w) { return w.Reserved125[1]; }
inline uint8_t WayStreetClass(const TWay& w) { return w.Reserved125[1]; }
// The sides of a crossing arm whose street side runs on round the crossing to another arm (bit 1
// side 1, bit 2 side 2); 0 on other ways.
inline uint8_t& WaySideMask(TWay& w) { return w.Reserved123; }
inline uint8_t WaySideMask(const TWay& w) { return w.Reserved123; }
// The centre way of a crossing arm or router leg (0 none).
inline uint32_t WayCentreLink(const TWay& w) {
  uint32_t v;
  std::memcpy(&v, w.Reserved28, 4);
  return v;
}
inline void SetWayCentreLink(TWay& w, uint32_t centre) { std::memcpy(w.Reserved28, &centre, 4); }
// The part number of a crossing or router way: WayPart (network/track/trackfields.h).

// The deck of a bridge piece (way flag 4) is thin: its lower vertices 5..8 lie 2.0 below the top
// corners 1..4 instead of a whole way body. Other pieces are left as they are.
constexpr float kBridgeDeckDepth = 2.0f;
void BridgeDeck(TPieceMesh& small, const TWay& way);
