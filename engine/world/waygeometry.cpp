// Way geometry: the curve line of a way piece, the curved way mesh and the lane line.
#include "engine/world/waygeometry.h"

#include <memory>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"

TCurveLineGeometry CurveGeometry;

const float WayLaneOffset[2] = {0.5f, 0.0f};

namespace {

using LD = long double;

constexpr LD kPi = 3.141592653589793238462643383279502884L;

float F(LD x) { return static_cast<float>(x); }

void Warn(const char* routine, const std::string& what) {
  SYS_Warning(std::string("Error: WayGeometry: ") + routine + ": " + what);
}

bool SegmentCountFits(const char* routine, int32_t n) {
  if (n >= 1 && n <= kCurveMaxSegments) return true;
  Warn(routine, "Illegal segment count: " + IntToStrShort(n));
  return false;
}

// P + D and P - D in the ground plane; y stays P's.
TVector AddXZ(const TVector& p, const TVector& d) { return {F(LD(p.x) + d.x), p.y, F(LD(p.z) + d.z)}; }
TVector SubXZ(const TVector& p, const TVector& d) { return {F(LD(p.x) - d.x), p.y, F(LD(p.z) - d.z)}; }

// The turn at inner point k: the ground-plane directions into and out of it and half the angle
// between the backward and the forward direction, whose cosine and sine turn the incoming
// direction onto the bisector of the two segments.
void TurnAtInnerPoint(TCurveLineGeometry& g, int k) {
  VecSubXZ(g.Centre[k], g.Centre[k - 1], g.Incoming);
  VecSubXZ(g.Centre[k + 1], g.Centre[k], g.Outgoing);
  g.HalfAngle = F((kPi + HeadingDifference(g.Incoming, g.Outgoing)) / 2.0L);
  SinCos(g.TurnSin, g.TurnCos, g.HalfAngle);
}

// The incoming direction of the current inner point scaled to length len (negative: the other
// way) and turned onto the bisector; the incoming direction has a length (no coinciding points).
TVector BisectorOffset(const TCurveLineGeometry& g, LD len) {
  TVector offset;
  VecScale(g.Incoming, offset, F(len / VecLengthXZ(g.Incoming)));
  RotateYInverse(offset, g.TurnCos, g.TurnSin);
  return offset;
}

// The line itself, into g (a scratch copy: on false it holds half a line).
bool ComputeCurveLine(TCurveLineGeometry& g, int32_t n, const TVector& v1, const TVector& v2, const TVector& v3,
                      const TVector& v4) {
  static const char* const kRoutine = "BuildCurveLine";
  TVector& m1 = g.Control[0];
  TVector& m2 = g.Control[3];
  VecMidpoint(v1, v2, m1);
  VecMidpoint(v3, v4, m2);
  VecSub(m2, m1, g.Direction);

  // A quarter turn about y: (x, z) becomes (-z, x).
  g.Side = g.Direction;
  RotateYInverse(g.Side, 0.0f, 1.0f);
  Normalize(g.Side);
  VecScaleSelf(g.Side, g.W);

  VecSub(v1, m1, g.StartEdge);
  VecSub(m2, v4, g.EndEdge);
  g.HandleLength = F(VecLength(g.Direction) / 3.0L);

  // The handles leave each end at right angles to its edge: (x, z) becomes (z, -x).
  TVector handle;
  g.HandleDir = g.StartEdge;
  RotateY(g.HandleDir, 0.0f, 1.0f);
  Normalize(g.HandleDir);
  VecScale(g.HandleDir, handle, g.HandleLength);
  VecAdd(m1, handle, g.Control[1]);
  g.HandleDir = g.EndEdge;
  RotateY(g.HandleDir, 0.0f, 1.0f);
  Normalize(g.HandleDir);
  VecScale(g.HandleDir, handle, g.HandleLength);
  VecAdd(m2, handle, g.Control[2]);

  g.Step = F(1.0L / n);
  for (int k = 0; k <= n; ++k) {
    g.CurveParam = static_cast<float>(k) * g.Step;
    BezierPoint(g.Control[0], g.Control[1], g.Control[2], g.Control[3], g.CurveParam, g.Centre[k]);
  }
  // Every ground-plane length below divides: refuse what has none before using it.
  for (int k = 1; k <= n; ++k) {
    g.SegmentLength[k] = VecDistanceXZ(g.Centre[k - 1], g.Centre[k]);
    if (!(g.SegmentLength[k] > 0.0f)) {
      Warn(kRoutine, "The piece has no length");
      return false;
    }
  }
  const LD startWidth = VecLengthXZ(g.StartEdge);
  const LD endWidth = VecLengthXZ(g.EndEdge);
  if (!(startWidth > 0.0L) || !(endWidth > 0.0L)) {
    Warn(kRoutine, "The piece has no width");
    return false;
  }

  // The ends lie on the edges of the piece.
  VecSub(g.Centre[0], g.StartEdge, g.EdgeA[0]);
  VecAdd(g.Centre[0], g.StartEdge, g.EdgeB[0]);
  VecAdd(g.Centre[n], g.EndEdge, g.EdgeA[n]);
  VecSub(g.Centre[n], g.EndEdge, g.EdgeB[n]);
  TVector s1, s2;
  VecScale(g.StartEdge, s1, F((startWidth + kCurveOuterMargin) / startWidth));
  VecScale(g.EndEdge, s2, F((endWidth + kCurveOuterMargin) / endWidth));
  g.OuterA[0] = SubXZ(g.Centre[0], s1);
  g.OuterB[0] = AddXZ(g.Centre[0], s1);
  g.OuterA[n] = AddXZ(g.Centre[n], s2);
  g.OuterB[n] = SubXZ(g.Centre[n], s2);

  // Inner points: the offsets lie along the bisector of the two segments at their full length.
  for (int k = 1; k < n; ++k) {
    TurnAtInnerPoint(g, k);
    const TVector outer = BisectorOffset(g, LD(g.W) + kCurveOuterMargin);
    g.Side = BisectorOffset(g, g.W);
    g.OuterB[k] = AddXZ(g.Centre[k], outer);
    g.OuterA[k] = SubXZ(g.Centre[k], outer);
    g.EdgeB[k] = AddXZ(g.Centre[k], g.Side);
    g.EdgeA[k] = SubXZ(g.Centre[k], g.Side);
  }

  // The height rises evenly with the distance along the centre line.
  g.Rise = F(LD(m2.y) - m1.y);
  g.Fraction[0] = 0.0f;
  for (int k = 1; k <= n; ++k) g.Fraction[k] = F(LD(g.Fraction[k - 1]) + g.SegmentLength[k]);
  g.TotalLength = g.Fraction[n];
  for (int k = 0; k <= n; ++k) {
    g.Fraction[k] = F(LD(g.Fraction[k]) / g.TotalLength);
    const float y = F(m1.y + LD(g.Rise) * g.Fraction[k]);
    g.Centre[k].y = y;
    g.EdgeA[k].y = y;
    g.EdgeB[k].y = y;
    g.OuterA[k].y = y;
    g.OuterB[k].y = y;
  }
  return true;
}

bool ComputeFromEdges(TCurveLineGeometry& g, int32_t n, const TVector& v1, const TVector& v2, const TVector& v3,
                      const TVector& v4) {
  g.W = F(VecDistance(v1, v2) / 2.0L);
  return ComputeCurveLine(g, n, v1, v2, v3, v4);
}

bool ComputeFromCorners(TCurveLineGeometry& g, int32_t n, const TMesh2& piece) {
  const TMeshVertex& c1 = piece.Vertex(1);
  const TMeshVertex& c2 = piece.Vertex(2);
  const TMeshVertex& c3 = piece.Vertex(3);
  const TMeshVertex& c4 = piece.Vertex(4);
  return ComputeFromEdges(g, n, {c1.x, c1.y, c1.z}, {c2.x, c2.y, c2.z}, {c3.x, c3.y, c3.z}, {c4.x, c4.y, c4.z});
}

void SetVertex(TMesh2& mesh, int i, const TVector& p, float u, float v) {
  mesh.vxA(static_cast<uint16_t>(i), p.x, p.y, p.z, u, v);
}

// A ground-strip vertex: its texture follows the ground, 100 units per repeat.
void SetStripVertex(TMesh2& mesh, int i, const TVector& p) {
  mesh.vxA(static_cast<uint16_t>(i), p.x, p.y, p.z, F(LD(p.z) / 100.0L), F(LD(p.x) / 100.0L));
}

TVector Lowered(const TVector& p, float by) { return {p.x, F(LD(p.y) - by), p.z}; }

void AddWayQuad(TMesh2& mesh, int a, int b, int c, int d, uint16_t texture) {
  AddQuad(mesh, static_cast<uint16_t>(a), static_cast<uint16_t>(b), static_cast<uint16_t>(c),
          static_cast<uint16_t>(d), texture, true, false, 255, 255, 255, 255);
}

}  // namespace

bool BuildCurveLine(TCurveLineGeometry& g, int32_t n, const TVector& v1, const TVector& v2, const TVector& v3,
                    const TVector& v4) {
  if (!SegmentCountFits("BuildCurveLine", n)) return false;
  const auto work = std::make_unique<TCurveLineGeometry>(g);
  if (!ComputeCurveLine(*work, n, v1, v2, v3, v4)) return false;
  g = *work;
  return true;
}

bool CurveLineFromEdges(TCurveLineGeometry& g, int32_t n, const TVector& v1, const TVector& v2, const TVector& v3,
                        const TVector& v4) {
  if (!SegmentCountFits("CurveLineFromEdges", n)) return false;
  const auto work = std::make_unique<TCurveLineGeometry>(g);
  if (!ComputeFromEdges(*work, n, v1, v2, v3, v4)) return false;
  g = *work;
  return true;
}

void PointAlongCurveLine(const TVector* points, const float* lengths, int32_t n, long double target, TVector& out) {
  int i = 1;
  LD sum = 0;
  for (;; ++i) {
    if (sum + lengths[i] >= target || i >= n) break;
    sum += lengths[i];
  }
  const TVector p0 = points[i - 1];
  const TVector p1 = points[i];
  const LD len = VecDistance(p1, p0);
  const LD f = len > 0 ? (target - sum) / len : 0;
  out = {F(p0.x + (LD(p1.x) - p0.x) * f), F(p0.y + (LD(p1.y) - p0.y) * f), F(p0.z + (LD(p1.z) - p0.z) * f)};
}

bool CurveLineFromCorners(TCurveLineGeometry& g, int32_t n, const TMesh2& piece) {
  if (!SegmentCountFits("CurveLineFromCorners", n)) return false;
  const auto work = std::make_unique<TCurveLineGeometry>(g);
  if (!ComputeFromCorners(*work, n, piece)) return false;
  g = *work;
  return true;
}

bool BuildCurveWayMesh(TCurveLineGeometry& g, int32_t n, const TMesh2& piece, uint8_t strips, bool startCap,
                       bool endCap, TMesh2& out) {
  out.Init();
  if (!SegmentCountFits("BuildCurveWayMesh", n)) return false;
  const auto work = std::make_unique<TCurveLineGeometry>(g);
  TCurveLineGeometry& c = *work;
  c.Thickness = F(LD(piece.Vertex(1).y) - piece.Vertex(5).y);
  const uint16_t texture = piece.Polygon(1).Texture;
  if (!ComputeFromCorners(c, n, piece)) return false;

  const uint16_t stripTexture = StandardTextures[6];
  const bool stripA = (strips & kCurveStripA) != 0;
  const bool stripB = (strips & kCurveStripB) != 0;
  const int stride = strips != 0 ? 10 : 6;
  // The line each wall and cap stands on: a strip moves its side out to the outer line.
  const TVector* sideA = stripA ? c.OuterA : c.EdgeA;
  const TVector* sideB = stripB ? c.OuterB : c.EdgeB;

  for (int k = 0; k <= n; ++k) {
    const int base = k * stride;
    c.TexV = F(LD(c.Fraction[k]) * c.TotalLength / c.W * 0.5L);
    const float v = c.TexV;
    SetVertex(out, base + 1, c.EdgeA[k], 0.5f, v);
    SetVertex(out, base + 2, c.EdgeB[k], 0.0f, v);
    SetVertex(out, base + 3, sideA[k], 0.5f, v);
    SetVertex(out, base + 4, Lowered(sideA[k], c.Thickness), 1.0f, v);
    SetVertex(out, base + 5, sideB[k], 0.5f, v);
    SetVertex(out, base + 6, Lowered(sideB[k], c.Thickness), 1.0f, v);
    if (stripA) {
      SetStripVertex(out, base + 7, c.EdgeA[k]);
      SetStripVertex(out, base + 8, c.OuterA[k]);
    }
    if (stripB) {
      SetStripVertex(out, base + 9, c.OuterB[k]);
      SetStripVertex(out, base + 10, c.EdgeB[k]);
    }
    if (k >= 1) {
      const int prev = (k - 1) * stride;
      AddWayQuad(out, base + 1, base + 2, prev + 2, prev + 1, texture);
      AddWayQuad(out, base + 3, base + 4, prev + 4, prev + 3, texture);
      if (stripA) AddWayQuad(out, base + 7, base + 8, prev + 8, prev + 7, stripTexture);
      AddWayQuad(out, base + 5, base + 6, prev + 6, prev + 5, texture);
      if (stripB) AddWayQuad(out, base + 9, base + 10, prev + 10, prev + 9, stripTexture);
    }
  }
  // The numbers of a missing strip that lie below the last one written would keep whatever the
  // mesh held before; they repeat the top vertex of edge line A at their point instead.
  for (int k = 0; k <= n && stride == 10; ++k) {
    const int base = k * stride;
    for (int i = 7; i <= 10; ++i) {
      const bool written = (i <= 8) ? stripA : stripB;
      if (!written && base + i <= out.VertexCount) out.Vertex(base + i) = out.Vertex(base + 1);
    }
  }

  if (startCap) {
    const int m = out.VertexCount;
    SetVertex(out, m + 1, sideB[0], 0.5f, 0.0f);
    SetVertex(out, m + 2, Lowered(sideB[0], c.Thickness), 1.0f, 0.0f);
    SetVertex(out, m + 3, sideA[0], 0.5f, 1.0f);
    SetVertex(out, m + 4, Lowered(sideA[0], c.Thickness), 1.0f, 1.0f);
    AddWayQuad(out, m + 1, m + 2, m + 4, m + 3, texture);
  }
  if (endCap) {
    const int m = out.VertexCount;
    SetVertex(out, m + 1, sideA[n], 0.5f, 1.0f);
    SetVertex(out, m + 2, Lowered(sideA[n], c.Thickness), 1.0f, 1.0f);
    SetVertex(out, m + 3, sideB[n], 0.5f, 0.0f);
    SetVertex(out, m + 4, Lowered(sideB[n], c.Thickness), 1.0f, 0.0f);
    AddWayQuad(out, m + 1, m + 2, m + 4, m + 3, texture);
  }
  g = c;
  return true;
}

bool CurveLineFromWay(TCurveLineGeometry& g, int32_t n, const TWay& way, uint32_t fromNode) {
  static const char* const kRoutine = "CurveLineFromWay";
  if (!SegmentCountFits(kRoutine, n)) return false;
  const auto mesh = std::make_unique<TMeshdata2>();
  mesh->A_Read(way.Mesh);
  const auto work = std::make_unique<TCurveLineGeometry>(g);
  TCurveLineGeometry& c = *work;
  if (!ComputeFromCorners(c, n, *mesh)) return false;

  // The lane's side: seen from the first node toward V1's side of the way, else the other one.
  float f = way.Use < 2 ? WayLaneOffset[way.Use] : 0.0f;
  if (fromNode != way.Nodes[0]) f = -f;
  VecScaleSelf(c.StartEdge, f);
  VecScaleSelf(c.EndEdge, f);
  VecAdd(c.Centre[0], c.StartEdge, c.EdgeB[0]);
  VecSub(c.Centre[n], c.EndEdge, c.EdgeB[n]);
  for (int k = 1; k < n; ++k) {
    TurnAtInnerPoint(c, k);
    c.Side = BisectorOffset(c, LD(f) * c.W);
    VecAdd(c.Centre[k], c.Side, c.EdgeB[k]);
  }

  // The lane rises by even steps per segment; its lengths are taken in space.
  const TVector& m1 = c.Control[0];
  const TVector& m2 = c.Control[3];
  c.Rise = F(LD(m2.y) - m1.y);
  c.Fraction[0] = 0.0f;
  for (int k = 1; k <= n; ++k) {
    c.EdgeB[k].y = F(m1.y + LD(k) * c.Rise / n);
    c.SegmentLength[k] = F(VecDistance(c.EdgeB[k - 1], c.EdgeB[k]));
    c.Fraction[k] = F(LD(c.Fraction[k - 1]) + c.SegmentLength[k]);
  }
  c.TotalLength = c.Fraction[n];
  if (!(c.TotalLength > 0.0f)) {
    Warn(kRoutine, "The lane has no length");
    return false;
  }
  for (int k = 0; k <= n; ++k) c.Fraction[k] = F(LD(c.Fraction[k]) / c.TotalLength);
  g = c;
  return true;
}
