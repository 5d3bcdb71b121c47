#include "network/construction/curveline.h"

#include <algorithm>
#include <cstring>

TPieceLog GlobalPieceLog{};
namespace {
// Constant-initialised: it logs before any program code runs. Every other field starts at zero.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
TCurveline g_globalCurveline{.PieceLog = &GlobalPieceLog};
#pragma GCC diagnostic pop
}  // namespace
TCurveline* const GlobalCurveline = &g_globalCurveline;

std::unique_ptr<TCurveline> NewCurveline() { return std::make_unique<TCurveline>(); }

namespace {
void EmptyPieceMesh(TPieceMesh& m) {
  m.PolygonCount = 0;
  m.VertexCount = 0;
}
}  // namespace

void ResetConstruction(TCurveline& curve) {
  curve.Parallel = 0;
  curve.conzahl = 0;
  curve.GroupCount = 0;
  for (int k = 1; k <= kCurveConnects; ++k) {
    curve.Slots[k].ConnectIndex = 0;
    curve.Slots[k + kCurveConnects].ConnectIndex = 0;
  }
  for (int k = 1; k <= kCurvePieces; ++k) {
    curve.PreviewBuilding[k] = 0;
    for (TCurvePiece* p : {&curve.Pieces[k], &curve.ParallelPieces[k]}) {
      EmptyPieceMesh(p->Mesh);
      p->AfterWay = 0;
      WayFlags(p->Way) = 0;
    }
    curve.PreviewMeshes[k].Init();
    TPieceGroup& g = curve.Groups[k];
    g.FreeBelow = 1;
    g.ClearanceBelow = 50000.0f;
    g.ClearanceAbove = 50000.0f;
  }
  curve.Gradient = 0.0f;
  curve.HitWay = 0;
}

void ClearPieceLog(TPieceLog& log) {
  log.Count = 0;
  log.Lead = 0;
  log.Trail = 0;
}

void LogPieces(TCurveline& curve) {
  TPieceLog* log = curve.PieceLog;
  if (!log || curve.conzahl < 2) return;
  auto append = [log](const TPieceMesh& m) {
    if (log->Count < kPieceLogRoom) log->Entries[++log->Count] = m;
  };
  for (int k = 1; k <= curve.conzahl - 1; ++k) {
    append(curve.Pieces[k].Mesh);
    if (curve.Parallel) append(curve.ParallelPieces[k].Mesh);
  }
}

void CompactMesh(TPieceMesh& small, const TMeshdata2& full) {
  const int vertices = std::min<int>(full.VertexCount, 20);
  const int polygons = std::min<int>(full.PolygonCount, 5);
  small.VertexCount = static_cast<uint8_t>(vertices);
  small.PolygonCount = static_cast<uint8_t>(polygons);
  for (int i = 0; i < vertices; ++i) small.Vertices[i] = full.Vertices[i];
  for (int i = 0; i < polygons; ++i) small.Polygons[i] = full.Polygons[i];
}

void ExpandMesh(const TPieceMesh& small, TMeshdata2& full) {
  full.Init();
  const int vertices = std::min<int>(small.VertexCount, 20);
  const int polygons = std::min<int>(small.PolygonCount, 5);
  full.VertexCount = static_cast<uint16_t>(vertices);
  full.PolygonCount = static_cast<uint8_t>(polygons);
  for (int i = 0; i < vertices; ++i) full.Vertices[i] = small.Vertices[i];
  for (int i = 0; i < polygons; ++i) full.Polygons[i] = small.Polygons[i];
  full.Flags |= kMeshFromRecord;
}

void BridgeDeck(TPieceMesh& small, const TWay& way) {
  if ((WayFlags(way) & kWayBridge) == 0) return;
  for (int i = 0; i < 4; ++i) small.Vertices[i + 4].y = small.Vertices[i].y - kBridgeDeckDepth;
}
