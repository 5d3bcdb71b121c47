#include "network/construction/crossings.h"

#include <memory>
#include <string>
#include <utility>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/store/nodepool.h"
#include "network/construction/collision.h"
#include "network/construction/connects.h"
#include "network/construction/limits.h"
#include "network/construction/nodes.h"
#include "network/construction/prevcost.h"
#include "network/construction/vectorops.h"
#include "network/construction/ways.h"
#include "network/track/trackfields.h"

using namespace vecops;

namespace {

constexpr float kPi = 3.141592653589793f;
// Half the width of a road body.
constexpr float kHalf = WayGauge[kWaytypeRoad] * 0.5f;
// The stem's fourth point lies this far along the stem, just beyond the centre.
constexpr float kBeyondCentre = 1.05f;

// One arm of the plan.
struct TArm {
  TMetaconnect M{};  // the arm point
  TMetaconnect G{};  // the given point, kept while the arm point is moved
  bool NeedsWay = false;
  bool Reaimed = false;
  TMetaconnect E{};       // the edge point where the arm meets the centre
  TVector S{}, T{};       // side vectors at the arm point and at the edge point
  TWay Way{};             // the planned arm way
  TPieceMesh Piece{};
  std::unique_ptr<TMeshdata2> Full = std::make_unique<TMeshdata2>();
};

// The lines of the two road bodies and their crossing.
struct TBody {
  TVector S12{}, S34{};  // side vectors of the two roads, half the road width long
  TVector K[5]{};        // corners 1..4 of the centre
  TVector X1{}, X2{};    // a T-crossing's straight sidewalk corners opposite the stem
};

struct TPlan {
  uint8_t Arms = 0, ArmWays = 0;
  TArm Arm[5];  // 1..4
  TVector C{};
  TBody Body;
};

enum class PassEnd { Stop, Again, Planned };

TMetaconnect RoadPoint(const TVector& position) {
  TMetaconnect m{};
  m.Waytype = kWaytypeRoad;
  m.Position = position;
  return m;
}

float RoadLimit(const float (&table)[6]) { return table[LimitIndex(kWaytypeRoad)]; }

// The weighted height of the centre: each arm point counts by the inverse of its ground distance.
// Arm points on the centre would weigh without bound; their mean height is the centre's then.
float CentreHeight(const TPlan& p) {
  float sum = 0.0f, weights = 0.0f, onCentre = 0.0f;
  int onCentreCount = 0;
  for (int k = 1; k <= p.Arms; ++k) {
    const TVector& m = p.Arm[k].M.Position;
    const float d = VecDistanceXZ(m, p.C);
    if (d == 0.0f) {
      onCentre += m.y;
      ++onCentreCount;
      continue;
    }
    const float w = 1.0f / d;
    sum += w * m.y;
    weights += w;
  }
  if (onCentreCount > 0) return onCentre / static_cast<float>(onCentreCount);
  return weights > 0.0f ? sum / weights : 0.0f;
}

// rotate90 of the ground vector From -> To, half the road width long.
TVector RoadSide(const TVector& from, const TVector& to) {
  TVector side = Rotate90({to.x - from.x, 0.0f, to.z - from.z});
  ScaleToGroundLength(side, kHalf);
  return side;
}

// Where the line A1 - A2 meets the line B1 - B2 (y 0); Fallback where they are parallel.
TVector LinesMeet(const TVector& a1, const TVector& a2, const TVector& b1, const TVector& b2,
                  const TVector& fallback) {
  TVector at = fallback;
  LineIntersectXZ(a1, a2, b1, b2, at);
  return at;
}

// Steps 1 to 8 of a pass: the centre, the order of arms 1 and 2, the body corners and the edge
// points. Stop when the call ends.
bool PlanBody(TPlan& p, uint8_t& swapped, TConstructResult& result) {
  TArm* a = p.Arm;
  if (p.C.x == 0.0f && p.C.z == 0.0f) {
    if (p.Arms == 4) {
      TVector at{};
      float ta = 0.0f, tb = 0.0f;
      if (SegmentIntersectXZ(a[1].M.Position, a[2].M.Position, a[3].M.Position, a[4].M.Position, at, ta, tb) != 0) {
        result.Refuse(1);
        return false;
      }
      p.C = at;
    } else {
      VecMidpoint(a[1].M.Position, a[2].M.Position, p.C);
    }
  }
  if (p.C.y == 0.0f) p.C.y = CentreHeight(p);
  if (p.Arms == 3) {
    TConstructResult ignored;
    a[4].M = RoadPoint(Plus(a[3].M.Position, Times(Minus(p.C, a[3].M.Position), kBeyondCentre)));
    MakeMetaconnectDir(a[4].M, ignored);
  }
  if (VecDistance(a[1].M.Position, a[2].M.Position) < 1.0L ||
      (p.ArmWays >= 3 && VecDistance(a[3].M.Position, a[4].M.Position) < 1.0L)) {
    result.Assign(4);
    return false;
  }

  // Arm 3 must lie on the side that rotate90 of the direction 1 -> 2 points to.
  TVector u = Minus(a[2].M.Position, a[1].M.Position);
  const float length12 = Length3(u);
  Normalize(u);
  const TVector mid = Plus(a[1].M.Position, Times(u, length12 / 2.0f));
  if (AngleBetweenXZ(Minus(a[3].M.Position, mid), Rotate90(u)) > kPi / 2.0f) {
    // The whole arms change places, a moved arm with its given point; Swapped follows every
    // exchange, so that it tells the caller how the final arms 1 and 2 stand to its points.
    std::swap(a[1], a[2]);
    swapped ^= 1;
  }

  TBody& b = p.Body;
  const TVector &m1 = a[1].M.Position, &m2 = a[2].M.Position, &m3 = a[3].M.Position, &m4 = a[4].M.Position;
  b.S12 = RoadSide(m1, m2);
  b.S34 = RoadSide(m3, m4);
  const TVector l12p1 = Plus(m1, b.S12), l12p2 = Plus(m2, b.S12);
  const TVector l12m1 = Minus(m1, b.S12), l12m2 = Minus(m2, b.S12);
  const TVector l34p1 = Plus(m3, b.S34), l34p2 = Plus(m4, b.S34);
  const TVector l34m1 = Minus(m3, b.S34), l34m2 = Minus(m4, b.S34);
  float ta = 0.0f, tb = 0.0f;
  for (TVector& k : b.K) k = p.C;
  const uint8_t meet1 = SegmentIntersectXZ(l12p1, l12p2, l34m1, l34m2, b.K[1], ta, tb);
  const uint8_t meet4 = SegmentIntersectXZ(l12p1, l12p2, l34p1, l34p2, b.K[4], ta, tb);
  if (meet1 != 0 || meet4 != 0) {
    result.Assign(5);
    return false;
  }
  SegmentIntersectXZ(l12m1, l12m2, l34m1, l34m2, b.K[2], ta, tb);
  SegmentIntersectXZ(l12m1, l12m2, l34p1, l34p2, b.K[3], ta, tb);
  for (int k = 1; k <= 4; ++k) b.K[k].y = p.C.y;

  const TVector edges[5] = {{},
                            LinesMeet(m1, m2, l34m1, l34m2, p.C),
                            LinesMeet(m1, m2, l34p1, l34p2, p.C),
                            LinesMeet(m3, m4, l12p1, l12p2, p.C),
                            LinesMeet(m3, m4, l12m1, l12m2, p.C)};
  for (int k = 1; k <= 4; ++k) {
    a[k].E = RoadPoint({edges[k].x, p.C.y, edges[k].z});
    const bool tested = k <= 2 || (k == 3 && p.ArmWays >= 3) || (k == 4 && p.ArmWays >= 4);
    if (result.Ok() && tested && VecDistance(a[k].M.Position, a[k].E.Position) < kShortestCrossingArm)
      result.Assign(4);
  }
  return true;
}

// Step 9: the arms that need an arm way of their own. An arm whose given point has a direction is
// re-aimed along it once; then the centre moves and the plan starts again (Again).
PassEnd PlanArmWays(TPlan& p) {
  TArm* a = p.Arm;
  const float step = RoadLimit(MinPieceLength);
  for (int k = 1; k <= p.Arms; ++k) {
    TArm& arm = a[k];
    // A moved arm stays as it was moved, with the point it was given.
    if (k > p.ArmWays || arm.NeedsWay) continue;
    const TVector out = Minus(arm.M.Position, arm.E.Position);
    const bool far = GroundLength(out) > RoadLimit(MaxPieceLength) / 2.0f;
    const bool bent = arm.M.HasDirection != 0 && AngleBetweenXZ(arm.M.Direction, out) > RoadLimit(MaxPieceAngle);
    if (!far && !bent) continue;
    arm.NeedsWay = true;
    arm.G = arm.M;
    TConstructResult ignored;
    const TVector toward = WithLength(out, step);
    FindOrCreateConnect(kWaytypeRoad, Plus(arm.E.Position, toward), arm.M, ignored);
    if (arm.Reaimed || arm.G.HasDirection == 0) continue;

    const TVector back = WithGroundLength(arm.G.Direction, GroundLength(toward) / 2.0f);
    const TVector q = Minus(arm.M.Position, back);
    FindOrCreateConnect(kWaytypeRoad, Plus(arm.E.Position, WithLength(Minus(q, arm.E.Position), step)), arm.M,
                        ignored);
    arm.Reaimed = true;
    p.C = LinesMeet(a[1].M.Position, a[2].M.Position, a[3].M.Position, a[4].M.Position, p.C);
    p.C.y = 0.0f;
    for (int j = 1; j <= p.Arms; ++j) {
      if (j == k || !a[j].NeedsWay || a[j].Reaimed) continue;
      a[j].NeedsWay = false;
      a[j].M = a[j].G;
    }
    return PassEnd::Again;
  }
  return PassEnd::Planned;
}

// The arm point's direction into the crossing, half the road width long.
void AimIntoCrossing(TArm& arm) {
  arm.M.Direction = WithLength(Minus(arm.E.Position, arm.M.Position), kHalf);
  arm.M.HasDirection = 1;
}

// The vertex's position only (its texture coordinates stay).
void MoveVertex(TMeshdata2& mesh, int i, const TVector& to) {
  TMeshVertex v = mesh.Vertex(i);
  v.x = to.x;
  v.y = to.y;
  v.z = to.z;
  mesh.Vertex(i) = v;
}

// The sidewalk strips beside the arm pieces (vertices 13..16 on side 1, 17..20 on side 2, without
// polygons until a house is built there).
void LayOutSidewalks(TPlan& p) {
  TArm* a = p.Arm;
  TBody& b = p.Body;
  TVector r[5][5];  // r[k][i]: corner i of arm k's piece
  TVector u[5], w[5];
  for (int k = 1; k <= 4; ++k) {
    for (int i = 1; i <= 4; ++i) {
      const TMeshVertex v = a[k].Full->Vertex(i);
      r[k][i] = {v.x, v.y, v.z};
    }
    u[k] = a[k].S;
    ScaleToGroundLength(u[k], kCrossingSidewalkWidth);
    w[k] = a[k].T;
    ScaleToGroundLength(w[k], kCrossingSidewalkWidth);
  }
  const float cy = p.C.y;
  TVector o[5];
  o[1] = Minus(Plus(b.K[1], w[1]), w[3]);
  o[2] = Minus(Plus(b.K[2], w[4]), w[1]);
  o[3] = Minus(Plus(b.K[3], w[2]), w[4]);
  o[4] = Minus(Plus(b.K[4], w[3]), w[2]);
  o[1].y = (cy + r[1][1].y + r[3][2].y) / 3.0f;
  o[2].y = (cy + r[4][1].y + r[1][2].y) / 3.0f;
  o[3].y = (cy + r[2][1].y + r[4][2].y) / 3.0f;
  o[4].y = (cy + r[3][1].y + r[2][2].y) / 3.0f;
  const int outer[5][2] = {{0, 0}, {1, 2}, {3, 4}, {4, 1}, {2, 3}};
  for (int k = 1; k <= 4; ++k) {
    const TVector vertices[8] = {Plus(r[k][1], u[k]), r[k][1], r[k][4], o[outer[k][0]],
                                 r[k][2], Minus(r[k][2], u[k]), o[outer[k][1]], r[k][3]};
    for (int i = 0; i < 8; ++i) {
      const TVector& v = vertices[i];
      a[k].Full->vxA(static_cast<uint16_t>(13 + i), v.x, v.y, v.z, v.z / 100.0f, v.x / 100.0f);
    }
  }
  if (p.Arms != 3) return;
  // Opposite the stem the sidewalk runs straight from arm 1 to arm 2.
  const TMeshVertex from = a[1].Full->Vertex(18), to = a[2].Full->Vertex(13);
  const TVector f{from.x, from.y, from.z}, t{to.x, to.y, to.z};
  const TVector &m3 = a[3].M.Position, &m4 = a[4].M.Position;
  b.X1 = LinesMeet(f, t, Plus(m3, b.S34), Plus(m4, b.S34), f);
  b.X2 = LinesMeet(f, t, Minus(m3, b.S34), Minus(m4, b.S34), f);
  b.X1.y = cy;
  b.X2.y = cy;
  MoveVertex(*a[1].Full, 19, b.X2);
  MoveVertex(*a[2].Full, 16, b.X1);
}

// The arms round the crossing: the order in which their entry and exit nodes stand in the centre's
// node list.
constexpr int kXArmOrder[4] = {1, 4, 2, 3};
constexpr int kTArmOrder[3] = {1, 2, 3};

// The inner nodes of an X-crossing: node P(a) + (P(b) - P(a)) * f.
struct TInnerNode {
  int A, B;
  float F;
};
constexpr TInnerNode kXInner[8] = {{1, 6, kInnerThird}, {5, 2, kInnerTwoThirds}, {3, 8, kInnerThird},
                                   {7, 4, kInnerTwoThirds}, {5, 2, kInnerThird}, {1, 6, kInnerTwoThirds},
                                   {7, 4, kInnerThird}, {3, 8, kInnerTwoThirds}};
constexpr int kXLinks[20][2] = {{1, 9},   {1, 8},   {3, 11},  {3, 2},   {5, 13},  {5, 4},   {7, 15},
                                {7, 6},   {9, 14},  {9, 12},  {10, 2},  {11, 16}, {11, 14}, {12, 4},
                                {13, 10}, {13, 16}, {14, 6},  {15, 12}, {15, 10}, {16, 8}};
constexpr int kTLinks[9][2] = {{1, 9}, {9, 4}, {1, 6}, {3, 2}, {3, 7}, {5, 4}, {5, 8}, {7, 6}, {8, 2}};

uint32_t NodeAt(const TVector& position) {
  TNode node{};
  InitNode(node, position);
  return AddNode(node);
}

TVector NodePosition(const TWay& w, int n) { return NodeByIndex(w.Nodes[n - 1]).Position; }

// The centre way's node list: each arm's entry (its node 4) and exit (its node 3) round the
// crossing, then the inner nodes; linked for every movement through the crossing.
void LinkCentreNodes(TWay& centre, const TWay* armWays, bool x) {
  const int* order = x ? kXArmOrder : kTArmOrder;
  const int arms = x ? 4 : 3;
  for (int i = 0; i < arms; ++i) {
    const TWay& arm = armWays[order[i]];
    centre.Nodes[2 * i] = arm.Nodes[3];
    centre.Nodes[2 * i + 1] = arm.Nodes[2];
  }
  if (x) {
    for (int i = 0; i < 8; ++i) {
      const TInnerNode& n = kXInner[i];
      const TVector pa = NodePosition(centre, n.A), pb = NodePosition(centre, n.B);
      centre.Nodes[8 + i] = NodeAt(Plus(pa, Times(Minus(pb, pa), n.F)));
    }
    centre.NodesCounter = 16;
    for (const auto& l : kXLinks) LinkNodes(centre.Nodes[l[0] - 1], centre.Nodes[l[1] - 1]);
    return;
  }
  centre.Nodes[6] = NodeAt(centre.Position);
  centre.Nodes[7] = NodeAt(centre.Position);
  TVector mid;
  VecMidpoint(NodePosition(centre, 1), NodePosition(centre, 4), mid);
  centre.Nodes[8] = NodeAt(mid);
  centre.NodesCounter = 9;
  for (const auto& l : kTLinks) LinkNodes(centre.Nodes[l[0] - 1], centre.Nodes[l[1] - 1]);
}

// The side mask of an arm: the sides whose street side runs on round the crossing.
uint8_t ArmSideMask(bool x, int k) {
  if (x) return 3;
  return static_cast<uint8_t>(k == 1 ? 1 : k == 2 ? 2 : 3);
}

void Build(TCurveline& curve, TPlan& p, TCurveOptions options, uint8_t instant) {
  TArm* a = p.Arm;
  const bool x = p.Arms == 4;
  for (int k = 1; k <= p.Arms; ++k) {
    TArm& arm = a[k];
    if (!arm.NeedsWay) continue;
    arm.M.Direction = Negated(arm.M.Direction);
    TConstructResult r;
    constructcurve(curve, kWaytypeRoad, arm.G, arm.M, false, options, 1, r);
    if (!r.Ok()) {
      SYS_Warning("Warning: Could not construct adjacent way of crossing after all tests were OK");
    } else if (instant != 0 && k <= 2) {
      CompleteCurveWays(curve);
    }
    TConstructResult ignored;
    FindOrCreateConnect(kWaytypeRoad, arm.M.Position, arm.M, ignored);
  }

  TWay armWays[5]{};
  for (int k = 1; k <= p.Arms; ++k) {
    TArm& arm = a[k];
    CreateWay(kWaytypeRoad, arm.M, arm.E, arm.S, arm.T, arm.Way, arm.Piece);
    armWays[k] = arm.Way;
  }

  // The centre: a piece over the band from edge 1 to edge 2, whose mesh becomes the quadrilateral of
  // the four body corners.
  TWay centre{};
  TPieceMesh centrePiece{};
  auto mesh = std::make_unique<TMeshdata2>();
  TVector sideA = a[1].T, sideB = a[1].T;
  float lowest = 0.0f;
  TConstructResult ignored;
  PreparePiece(kWaytypeRoad, a[1].E, a[2].E, centrePiece, *mesh, centre, sideA, sideB, kSidesAsGiven, lowest, ignored);
  mesh->Init();
  const TVector* k = p.Body.K;
  const float uv[5][2] = {{0, 0}, {0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (int i = 1; i <= 4; ++i) mesh->vxA(static_cast<uint16_t>(i), k[i].x, k[i].y, k[i].z, uv[i][0], uv[i][1]);
  AddQuad(*mesh, 4, 3, 2, 1, StandardTextures[x ? kXCrossingTextureEntry : kTCrossingTextureEntry], true, false, 255,
          255, 255, 255);
  if (!x) {
    // The sidewalk strip of side 2; side 1 of a T centre faces the stem.
    const TVector strip[4] = {k[2], p.Body.X2, p.Body.X1, k[3]};
    for (int i = 0; i < 4; ++i) {
      const TVector& v = strip[i];
      mesh->vxA(static_cast<uint16_t>(17 + i), v.x, v.y, v.z, v.z / 100.0f, v.x / 100.0f);
    }
  }
  mesh->A_Write();

  centre.Waytype = x ? kWaytypeXCrossing : kWaytypeTCrossing;
  centre.Use = 0;
  WayPart(centre) = kCrossingCentrePart;
  WaySwitch(centre) = 0;
  WaySideMask(centre) = 0;
  WaySideBits(centre) = 0;
  SetWayCentreLink(centre, 0);
  centre.State = 0;
  centre.Block = 0;
  centre.Station = 0;
  VecMidpoint(a[1].E.Position, a[2].E.Position, centre.Position);
  centre.Mesh = mesh->Index;
  centre.ConnectionCounter = p.Arms;
  for (int i = 1; i <= p.Arms; ++i) centre.Connections[i - 1] = a[i].E.ConnectIndex;
  LinkCentreNodes(centre, armWays, x);
  centre.A_Write();
  const uint32_t z = centre.Index;
  for (int i = 1; i <= p.Arms; ++i) {
    AddWayToCon(z, a[i].E);
    SetNodeWay(centre, centre.Nodes[2 * i - 2]);
  }
  for (int n = 2 * p.Arms + 1; n <= centre.NodesCounter; ++n) SetNodeWay(centre, centre.Nodes[n - 1]);
  AddtoPrevCost(centre.WayCost(0.0f));

  for (int i = 1; i <= p.Arms; ++i) {
    TWay& w = armWays[i];
    w.A_Read(w.Index);
    w.Waytype = centre.Waytype;
    WayPart(w) = static_cast<uint8_t>(i);
    WaySwitch(w) = 1;
    WaySideMask(w) = ArmSideMask(x, i);
    SetWayCentreLink(w, z);
    w.A_Overwrite();
  }
  if (instant == 0) return;
  for (int i = 1; i <= p.Arms; ++i) {
    TWay& w = armWays[i];
    w.A_Read(w.Index);
    CompleteWay(w);
  }
  centre.A_Read(z);
  CompleteWay(centre);
}

// What the build needs of the arm points beyond the geometry: stored connects of the road, each
// with room for the ways the build adds there (the arm way, and for a moved arm the joining way at
// both its ends).
void CheckArmPoints(const TPlan& p, TConstructResult& result) {
  TConnectRoom room;
  for (int k = 1; k <= p.Arms; ++k) {
    const TArm& arm = p.Arm[k];
    for (const TMetaconnect* point : {&arm.M, &arm.G}) {
      if (point->ConnectIndex != 0 && point->Waytype != kWaytypeRoad) {
        result.Assign(16);
        return;
      }
    }
    room.Add(arm.M);
    if (arm.NeedsWay) {
      room.Add(arm.G);
      room.Add(arm.M);
    }
  }
  if (!room.Fits()) result.Assign(17);
}

}  // namespace

void ConstructCrossing(TCurveline& curve, uint8_t arms, uint8_t armWays, uint8_t& swapped,
                       const TMetaconnect (&armPoints)[4], const TVector& centre, TCurveOptions options,
                       uint8_t mode, uint8_t instant, TConstructResult& result) {
  if (arms != 3 && arms != 4)
    SYS_BREAKPROGRAM("Error in ConstructCrossing: a crossing has 3 or 4 arms, not " + std::to_string(arms));
  ResetConstruction(curve);
  curve.Parallel = 0;
  result = TConstructResult::Success();
  swapped = 0;
  auto plan = std::make_unique<TPlan>();
  TPlan& p = *plan;
  p.Arms = arms;
  p.ArmWays = armWays < 4 ? armWays : 4;
  p.C = centre;
  for (int k = 1; k <= arms; ++k) p.Arm[k].M = armPoints[k - 1];

  // Each arm is re-aimed at most once: at most Arms + 1 passes. A new pass plans anew, so a refusal
  // of the arm lengths of an earlier pass does not outlive the arms it measured.
  PassEnd end = PassEnd::Again;
  for (int pass = 0; pass <= arms && end == PassEnd::Again; ++pass) {
    result = TConstructResult::Success();
    if (!PlanBody(p, swapped, result)) return;
    end = PlanArmWays(p);
  }
  TArm* a = p.Arm;

  for (int k = 1; k <= arms; ++k) {
    TArm& arm = a[k];
    if (!arm.NeedsWay) continue;
    AimIntoCrossing(arm);
    TConstructResult r;
    constructcurve(curve, kWaytypeRoad, arm.G, arm.M, false, options, 0, r);
    result.Merge(r);
    arm.M.Direction = Negated(arm.M.Direction);
  }

  const TBody& b = p.Body;
  const TVector defaults[5] = {{}, b.S12, Negated(b.S12), b.S34, Negated(b.S34)};
  const TVector corners[5] = {{}, b.K[1], b.K[3], b.K[4], b.K[2]};
  for (int k = 1; k <= 4; ++k) {
    TArm& arm = a[k];
    arm.S = arm.M.HasDirection != 0 ? Rotate90(Negated(arm.M.Direction)) : defaults[k];
    arm.T = Minus(corners[k], arm.E.Position);
    TConstructResult r;
    PreparePiece(kWaytypeRoad, arm.M, arm.E, arm.Piece, *arm.Full, arm.Way, arm.S, arm.T, kSidesAsGiven,
                 curve.LowestGround[k], r);
    result.Merge(r);
    curve.Slots[k] = arm.M;
    curve.Pieces[k].Way = arm.Way;
    curve.Pieces[k].Mesh = arm.Piece;
  }
  for (int k = 1; k <= p.ArmWays; ++k) {
    const uint8_t flags = WayFlags(a[k].Way);
    if ((flags & kWayBridge) != 0) result.Assign(11);
    if ((flags & kWayCutting) != 0) result.Assign(12);
  }

  curve.conzahl = static_cast<uint8_t>(p.ArmWays + 1);
  // The slot after the arm points is the centre: the bounds of the collision search never take a
  // point of an earlier plan.
  curve.Slots[5] = RoadPoint(p.C);
  if (result.Ok()) CheckArmPoints(p, result);
  if (result.Ok()) {
    CurvelineBounds(curve);
    TConstructResult r;
    CollisionTest(curve, kCollisionWays, r, curve.Centre.x, curve.Centre.z, curve.Radius);
    result.Merge(r);
  }
  curve.conzahl = 5;

  LayOutSidewalks(p);
  // The planned ways in the TCurveline keep the mark of the collision test.
  for (int k = 1; k <= 4; ++k) {
    CompactMesh(a[k].Piece, *a[k].Full);
    curve.Pieces[k].Mesh = a[k].Piece;
  }
  if (mode == 0) LogPieces(curve);
  if (mode == 1 && result.Ok()) Build(curve, p, options, instant);
}
