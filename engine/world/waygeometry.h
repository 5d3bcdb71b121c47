// Way geometry: the curve line of a way piece and the curved way mesh built along it.
//
// A straight way piece is a block mesh (BuildBlockMesh): a flat top between four corners and walls
// hanging down by the way's thickness. Its vertices 1 to 4 are the top corners V1, V2 (the start
// edge) and V3, V4 (the end edge); vertex 5 lies below V1 by the thickness. From these corners the
// curve line is computed: a cubic Bezier centre line from the midpoint M1 of the start edge to the
// midpoint M2 of the end edge, leaving each end at right angles to its edge, with two edge lines
// (A from V2 to V3, B from V1 to V4) and two outer lines 60 units further out, all sampled at the
// points 0..N of N segments (N in 1..49). The heights of all five lines at a point are equal and
// rise evenly with the ground-plane distance along the centre line from M1.y to M2.y.
//
// The curved way mesh is built along that line, and the lane line on which vehicles travel along
// an existing way replaces edge line B of the way's own curve line.
//
// Refusals: a segment count outside 1..49, a piece whose start or end edge has no width in the
// ground plane, and a piece with two coinciding centre points (no length in the ground plane)
// give a warning and the result false; the geometry record is then left exactly as it was, and
// BuildCurveWayMesh leaves its output mesh empty. A lane line of no length is refused the same way.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/mesh/mesh.h"
#include "engine/world/records.h"

// Room of each line: points 0..49, so at most 49 segments.
constexpr int kCurveLinePoints = 50;
constexpr int kCurveMaxSegments = kCurveLinePoints - 1;
// The outer lines lie this much further from the centre than the edge lines.
constexpr float kCurveOuterMargin = 60.0f;

#pragma pack(push, 1)
// The curve line of one way piece and the work values of the routines that build it.
struct TCurveLineGeometry {
  TVector Direction;      // M2 - M1
  TVector Side;           // work: the direction turned a quarter about y, length W; then the
                          // offset of the last inner point
  TVector StartEdge;      // V1 - M1
  TVector EndEdge;        // M2 - V4
  TVector HandleDir;      // work: the direction of the last Bezier handle
  TVector Incoming;       // work: ground-plane direction into the current inner point
  TVector Outgoing;       // work: ground-plane direction out of it
  TVector Control[4];     // the Bezier control points: M1, the two handles, M2
  float TurnCos, TurnSin; // of the current half angle
  float HandleLength;     // |Direction| / 3
  TVector Centre[kCurveLinePoints];  // point k of the Bezier centre line
  TVector EdgeA[kCurveLinePoints];   // from V2 (point 0) to V3 (point N)
  TVector EdgeB[kCurveLinePoints];   // from V1 to V4; CurveLineFromWay puts the lane line here
  TVector OuterA[kCurveLinePoints];  // beyond edge line A
  TVector OuterB[kCurveLinePoints];  // beyond edge line B
  float Step;                        // 1 / N
  float SegmentLength[kCurveLinePoints];  // entry k (1..N): from point k - 1 to point k; entry 0 unused
  float CurveParam;                  // work
  float HalfAngle;                   // work
  float W;                           // half width of the way; BuildCurveLine needs it set
  float Fraction[kCurveLinePoints];  // share of the total length up to point k (0 at point 0, 1 at N)
  float TotalLength;                 // sum of the segment lengths
  float Thickness;                   // drop of the walls (BuildCurveWayMesh)
  float Rise;                        // M2.y - M1.y
  float TexV;                        // work: texture coordinate v of BuildCurveWayMesh
};
static_assert(sizeof(TCurveLineGeometry) == 3576);
#pragma pack(pop)

// The one shared instance; every routine that is handed it overwrites it.
extern TCurveLineGeometry CurveGeometry;

// The lane's distance from the centre line as a share of W, by the way's Use: 0.5 for road (0),
// 0.0 for rail (1). Ways of any other use travel on the centre line.
extern const float WayLaneOffset[2];

// Strips bits of BuildCurveWayMesh: a ground strip between the edge line and the outer line.
constexpr uint8_t kCurveStripB = 1;
constexpr uint8_t kCurveStripA = 2;

// Fills every line, length and fraction of g for n segments from the four top corners (v1, v2 the
// start edge, v3, v4 the end edge). g.W must be set. False (a warning, g unchanged) for a refused
// count or piece.
bool BuildCurveLine(TCurveLineGeometry& g, int32_t n, const TVector& v1, const TVector& v2, const TVector& v3,
                    const TVector& v4);

// W := half the distance of the piece's vertices 1 and 2, then BuildCurveLine with its vertices 1
// to 4. False (a warning, g unchanged, W included) for a refused count or piece.
bool CurveLineFromCorners(TCurveLineGeometry& g, int32_t n, const TMesh2& piece);

// W := half the distance of v1 and v2, then BuildCurveLine with the four corners. False (a warning,
// g unchanged, W included) for a refused count or piece.
bool CurveLineFromEdges(TCurveLineGeometry& g, int32_t n, const TVector& v1, const TVector& v2, const TVector& v3,
                        const TVector& v4);

// The point at distance Target along the polyline Points[0..N] whose segment k (from point k - 1
// to point k) has the length Lengths[k]: the first segment whose end reaches Target, or segment N,
// takes the point at Target less the lengths before it, measured along that segment's straight
// line (beyond its end when Target lies beyond the polyline). A segment of no length gives its
// start point.
void PointAlongCurveLine(const TVector* points, const float* lengths, int32_t n, long double target, TVector& out);

// Builds the curved way mesh of the piece (a block as BuildBlockMesh makes it) into out: per point
// the top, the two walls dropping by the piece's thickness and the ground strips that `strips`
// asks for (kCurveStripA, kCurveStripB; a strip moves its side's wall out to the outer line), then
// the end caps asked for. Top, walls and caps take the texture of the piece's polygon 1, the strips
// the ground-strip texture (StandardTextures[6]); every quad is lit, two-sided and white.
//
// Point k takes the vertex numbers 10k + 1 to 10k + 10 when strips is not 0 (other bits than the
// two strip bits only select this stride), else 6k + 1 to 6k + 6. The vertex count is the highest
// number written: 6n + 6 without strips, 10n + 10 with kCurveStripB, 10n + 8 with kCurveStripA
// alone (10n + 6 with neither strip bit), plus 4 per cap; the numbers of a missing strip below it
// repeat the top vertex of edge line A at their point. Polygon count: n x (3 + strip bits set) plus one per cap. False (a warning, g unchanged,
// out empty) for a refused count or piece.
bool BuildCurveWayMesh(TCurveLineGeometry& g, int32_t n, const TMesh2& piece, uint8_t strips, bool startCap,
                       bool endCap, TMesh2& out);

// The curve line of the way's own mesh (read from the record store) with edge line B replaced by
// the lane line of a vehicle that enters the way at fromNode: for a road a quarter of the way's
// width from the centre, on the side given by the direction of travel (the side of V1 when
// fromNode is the way's first node, the other side otherwise); for a rail on the centre line.
// The lane rises by even steps per segment; SegmentLength and Fraction then describe the lane
// (lengths in space). False (a warning, g unchanged) for a refused count or piece or a lane of no
// length. A way without mesh is store misuse: the store stops the program.
bool CurveLineFromWay(TCurveLineGeometry& g, int32_t n, const TWay& way, uint32_t fromNode);
