#include "network/construction/constructcurve.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "network/construction/collision.h"
#include "network/construction/connects.h"
#include "network/construction/curves.h"
#include "network/construction/ground.h"
#include "network/construction/ways.h"
#include "network/world/terrain.h"

namespace {

float GroundDistance(const TVector& a, const TVector& b) {
  const float dx = b.x - a.x, dz = b.z - a.z;
  return std::sqrt(dx * dx + dz * dz);
}

TVector Beside(const TVector& p, const TVector& side, float sign) {
  return {p.x + sign * side.x, p.y, p.z + sign * side.z};
}

uint16_t PieceTexture(uint8_t use) {
  if (use == 0) return StandardTextures[kStreetTextureEntry];
  if (use == 1) return StandardTextures[kRailTextureEntry];
  return 0;
}

bool SlotOffMap(const TMetaconnect& slot) {
  int32_t tx, tz;
  ConnectTile(slot.Position, tx, tz);
  return TileOutsideMap(tx, tz);
}

bool PiecesOverlap(const TCurvePiece& a, const TCurvePiece& b) {
  TVector ca[4], cb[4];
  PieceCorners(a.Mesh, ca);
  PieceCorners(b.Mesh, cb);
  return QuadsOverlap(ca, cb);
}

// The parallel piece takes the main piece's bridge and cutting flags and the other way round.
void ShareGroundFlags(TCurvePiece& main, TCurvePiece& parallel) {
  for (uint8_t flag : {kWayBridge, kWayCutting}) {
    for (TCurvePiece* piece : {&main, &parallel}) {
      const TCurvePiece& other = piece == &main ? parallel : main;
      uint8_t& flags = WayFlags(piece->Way);
      if ((flags & flag) != 0 || (WayFlags(other.Way) & flag) == 0) continue;
      flags |= flag;
      if (flag == kWayCutting) flags &= static_cast<uint8_t>(~kWayOnGround);
      BridgeDeck(piece->Mesh, piece->Way);
    }
  }
}

// The reference heights of a bridge or cutting piece, from its mesh: the top of its deck and the
// lowest point of its body.
void ReferenceHeights(const TPieceMesh& mesh, float& deckTop, float& underside) {
  const int count = std::min<int>(mesh.VertexCount, 20);
  deckTop = mesh.Vertices[0].y;
  underside = mesh.Vertices[0].y;
  for (int i = 0; i < count; ++i) {
    const float y = mesh.Vertices[i].y;
    if (i < 4) deckTop = std::max(deckTop, y);
    underside = std::min(underside, y);
  }
}

void GroupBridges(TCurveline& c) {
  c.GroupCount = 0;
  uint8_t previous = 0, previous2 = 0;
  for (int k = 1; k <= c.conzahl - 1; ++k) {
    TCurvePiece& main = c.Pieces[k];
    TCurvePiece& parallel = c.ParallelPieces[k];
    const uint8_t mainFlags = WayFlags(main.Way);
    const uint8_t parallelFlags = c.Parallel ? WayFlags(parallel.Way) : 0;
    const uint8_t code = ((mainFlags & kWayBridge) ? 2 : 0) + ((parallelFlags & kWayBridge) ? 8 : 0);
    const uint8_t code2 = ((mainFlags & kWayCutting) ? 2 : 0) + ((parallelFlags & kWayCutting) ? 8 : 0);
    if (code == 0) {
      main.Group = main.GroupIndex = 0;
      parallel.Group = parallel.GroupIndex = 0;
    } else {
      const bool low = c.Slots[k].HeightAboveGround < kBridgeClearance ||
                       (c.Parallel && c.Slots[k + kCurveConnects].HeightAboveGround < kBridgeClearance);
      if (c.GroupCount == 0 || code != previous || code2 != previous2 || low) {
        ++c.GroupCount;
        c.Groups[c.GroupCount].PieceCount = 0;
        c.Groups[c.GroupCount].Length = 0.0f;
      }
      TPieceGroup& g = c.Groups[c.GroupCount];
      ++g.PieceCount;
      g.Kind = code;
      g.Length += GroundDistance(c.Slots[k].Position, c.Slots[k + 1].Position);
      main.Group = parallel.Group = static_cast<uint8_t>(c.GroupCount);
      main.GroupIndex = parallel.GroupIndex = g.PieceCount;
    }
    previous = code;
    previous2 = code2;
  }
}

}  // namespace

void ScaleToGroundLength(TVector& v, float length) {
  v.y = 0.0f;
  const float l = std::sqrt(v.x * v.x + v.z * v.z);
  if (l > 0.0f) {
    v.x = v.x / l * length;
    v.z = v.z / l * length;
  }
}

void PreparePiece(uint8_t use, const TMetaconnect& a, const TMetaconnect& b, TPieceMesh& mesh, TMeshdata2& buffer,
                  TWay& way, TVector& sideA, TVector& sideB, uint8_t sideMode, float& lowestGround,
                  TConstructResult& result) {
  result = TConstructResult::Success();
  way.Init(use, use == 0 ? 0 : use == 1 ? 2 : use);
  WayFlags(way) = kWayOnGround;
  // Uses beyond the third take its gauge, and the rail's gradient.
  const float gauge = WayGauge[std::min<int>(use, 2)];
  const float half = gauge / 2.0f;
  sideA.y = 0.0f;
  sideB.y = 0.0f;

  TVector d;
  VecSub(b.Position, a.Position, d);
  const float length = std::sqrt(d.x * d.x + d.z * d.z);
  const float repeat = length / gauge;
  if (length > 0.0f && std::fabs(d.y) / length > MaxWayGradient[use == 0 ? 0 : 1]) result.Assign(19);

  if (sideMode == kSidesFromChord) sideA = sideB = {-d.z, 0.0f, d.x};
  if (sideMode != kSidesAsGiven) {
    ScaleToGroundLength(sideA, half);
    ScaleToGroundLength(sideB, half);
  }

  BuildBlockMesh(buffer, Beside(a.Position, sideA, 1.0f), Beside(a.Position, sideA, -1.0f),
                 Beside(b.Position, sideB, -1.0f), Beside(b.Position, sideB, 1.0f), WayBodyDepth, false,
                 PieceTexture(use), repeat);
  CompactMesh(mesh, buffer);
  VecMidpoint(a.Position, b.Position, way.Position);

  CalcWayGroundGrid(GroundGrid, way, buffer, 1);
  SampleGroundGrid(GroundGrid);
  if (GroundGrid.RowCount > 0) {
    if (GroundGrid.MinDiff < -kCuttingDepth) WayFlags(way) = (WayFlags(way) | kWayCutting) & ~kWayOnGround;
    if (GroundGrid.MaxDiff > kBridgeClearance) {
      WayFlags(way) |= kWayBridge;
      BridgeDeck(mesh, way);
    }
  }
  lowestGround = GroundGrid.LowestTerrain;
}

void constructcurve(TCurveline& curve, uint8_t waytype, TMetaconnect a, TMetaconnect b, bool parallel,
                    TCurveOptions options, uint8_t mode, TConstructResult& result) {
  if (waytype > 1) SYS_BREAKPROGRAM("Gameplay.constructcurve: call with illegal waytype: " + std::to_string(waytype));
  if (GroundDistance(a.Position, b.Position) < 1.0f) {
    curve.conzahl = 0;
    result.Assign(2);
    return;
  }
  if (a.HasDirection == 0 && b.HasDirection != 0) std::swap(a, b);
  ResetConstruction(curve);
  curve.Parallel = parallel ? 1 : 0;

  TCurvePlan plan{&curve, waytype, a, b, options.CurveMode};
  SolveCurve(plan, result);
  // A first piece this long is no plan to prepare; a solver that claims success for it is refused.
  if (curve.conzahl >= 2 && GroundDistance(curve.Slots[1].Position, curve.Slots[2].Position) > kLongestFirstPiece) {
    if (result.Ok()) result.Assign(3);
    return;
  }
  if (parallel) ParallelSet(plan, result);

  const int n = std::min<int>(curve.conzahl, kCurveConnects);
  for (int k = 1; k <= n; ++k) {
    if (SlotOffMap(curve.Slots[k]) || (parallel && SlotOffMap(curve.Slots[k + kCurveConnects]))) result.Assign(15);
  }

  auto buffer = std::make_unique<TMeshdata2>();
  for (int k = 1; k <= n - 1; ++k) {
    TCurvePiece& piece = curve.Pieces[k];
    TConstructResult r;
    // The main piece's full mesh stays in the preview mesh, where the collision test finds its
    // footprint.
    PreparePiece(waytype, curve.Slots[k], curve.Slots[k + 1], piece.Mesh, curve.PreviewMeshes[k], piece.Way,
                 curve.SideVectors[k], curve.SideVectors[k + 1], kSidesScaled, curve.LowestGround[k], r);
    piece.AfterWay = 0;
    if (!r.Ok()) result = r;
    if (!parallel) continue;
    TCurvePiece& side = curve.ParallelPieces[k];
    float lowest = 0.0f;
    PreparePiece(waytype, curve.Slots[k + kCurveConnects], curve.Slots[k + 1 + kCurveConnects], side.Mesh, *buffer,
                 side.Way, curve.ParallelSideVectors[k], curve.ParallelSideVectors[k + 1], kSidesScaled, lowest, r);
    side.AfterWay = 0;
    curve.LowestGround[k] = std::min(curve.LowestGround[k], lowest);
    if (!r.Ok()) result = r;
  }

  if (parallel && n >= 2) {
    if (PiecesOverlap(curve.Pieces[1], curve.ParallelPieces[1])) result.Refuse(kCollisionElement);
    if (n > 2 && PiecesOverlap(curve.Pieces[n - 1], curve.ParallelPieces[n - 1])) result.Refuse(kCollisionElement);
  }

  for (int k = 1; k <= n; ++k) {
    for (TMetaconnect* slot : {&curve.Slots[k], &curve.Slots[k + kCurveConnects]})
      slot->HeightAboveGround = slot->Position.y - HeightAt(slot->Position.x, slot->Position.z);
  }

  for (int k = 1; k <= n - 1; ++k) {
    TCurvePiece& piece = curve.Pieces[k];
    if (parallel) ShareGroundFlags(piece, curve.ParallelPieces[k]);
    if ((WayFlags(piece.Way) & (kWayBridge | kWayCutting)) != 0)
      ReferenceHeights(piece.Mesh, curve.DeckTop[k], curve.Underside[k]);
  }

  GroupBridges(curve);

  if (mode != 1 || !result.Ok()) return;
  for (int k = 1; k <= n - 1; ++k) {
    TCurvePiece& piece = curve.Pieces[k];
    CreateWay(waytype, curve.Slots[k], curve.Slots[k + 1], curve.SideVectors[k], curve.SideVectors[k + 1], piece.Way,
              piece.Mesh);
    if (!parallel) continue;
    TCurvePiece& side = curve.ParallelPieces[k];
    CreateWay(waytype, curve.Slots[k + kCurveConnects], curve.Slots[k + 1 + kCurveConnects],
              curve.ParallelSideVectors[k], curve.ParallelSideVectors[k + 1], side.Way, side.Mesh);
  }
}
