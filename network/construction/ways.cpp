#include "network/construction/ways.h"

#include <cmath>
#include <cstring>
#include <memory>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "network/construction/buildings.h"
#include "network/construction/connects.h"
#include "network/construction/ground.h"
#include "network/construction/limits.h"
#include "network/construction/nodes.h"
#include "network/construction/prevcost.h"
#include "network/track/schedules.h"

namespace way_hooks {
namespace {
void Nothing(TWay&) {}
}  // namespace
void (*AddWayToBlockSystem)(TWay&) = Nothing;
void InstallDefaults() { AddWayToBlockSystem = Nothing; }
}  // namespace way_hooks

namespace {

float GroundLength(const TMeshVertex& from, const TMeshVertex& to) {
  const float dx = to.x - from.x, dz = to.z - from.z;
  return std::sqrt(dx * dx + dz * dz);
}

// The slot's point moved by the side vector in the ground plane.
TVector Beside(const TMetaconnect& slot, const TVector& side, float sign) {
  return {slot.Position.x + sign * side.x, slot.Position.y, slot.Position.z + sign * side.z};
}
}  // namespace

uint32_t CreateWay(uint8_t use, TMetaconnect& slotA, TMetaconnect& slotB, const TVector& sideA, const TVector& sideB,
                   TWay& way, const TPieceMesh& mesh) {
  const uint32_t cA = StoreConnect(slotA);
  const uint32_t cB = StoreConnect(slotB);
  auto full = std::make_unique<TMeshdata2>();
  ExpandMesh(mesh, *full);
  full->A_Write();

  way.ConnectionCounter = 2;
  way.Connections[0] = cA;
  way.Connections[1] = cB;
  way.RoadsideBuildings = 0;
  // Rail lanes run on the centre line; so do those of the uses without lanes of their own.
  const float offset = use < 2 ? LaneOffset[use] : 0.0f;
  TVector sA, sB;
  VecScale(sideA, sA, offset);
  VecScale(sideB, sB, offset);
  way.NodesCounter = 4;
  way.Nodes[0] = NewNode(1, Beside(slotA, sA, 1.0f), cA);
  way.Nodes[1] = NewNode(2, Beside(slotA, sA, -1.0f), cA);
  way.Nodes[2] = NewNode(3, Beside(slotB, sB, -1.0f), cB);
  way.Nodes[3] = NewNode(4, Beside(slotB, sB, 1.0f), cB);

  way.Mesh = full->Index;
  way.Use = use;
  SetWayCentreLink(way, 0);  // no crossing centre
  if (use == 0) way.Waytype = 0;
  if (use == 1) way.Waytype = 2;
  CalcWaySideLengths(way, *full);
  LinkWayNodes(way);
  way.Block = 0;
  way.A_Write();

  AddWayToCon(way.Index, slotA);
  AddWayToCon(way.Index, slotB);
  SetNodeWay(way, way.Nodes[0]);
  SetNodeWay(way, way.Nodes[2]);
  AddtoPrevCost(way.WayCost(0.0f));
  return way.Index;
}

void CalcWaySideLengths(TWay& way, const TMeshdata2& mesh) {
  way.SideLengths[0] = GroundLength(mesh.Vertex(1), mesh.Vertex(4));
  way.SideLengths[1] = GroundLength(mesh.Vertex(2), mesh.Vertex(3));
}

void CompleteWay(TWay& way) {
  BookWayCost(way);
  FinishWay(way);
  if ((WayFlags(way) & kWayOnGround) != 0 && way.Mesh != 0) {
    auto mesh = std::make_unique<TMeshdata2>();
    mesh->A_Read(way.Mesh);
    CalcWayGroundGrid(GroundGrid, way, *mesh, 0);
    LevelGround();
  }
  way.A_Overwrite();
}

void CompleteCurveWays(const TCurveline& curve) {
  for (int k = 1; k <= curve.conzahl - 1 && k <= kCurvePieces; ++k) {
    TWay way{};
    way.A_Read(curve.Pieces[k].Way.Index);
    CompleteWay(way);
  }
}

uint32_t WayCompletionTick(const TWay& way) {
  uint32_t tick = 0;
  std::memcpy(&tick, way.Reserved52, 4);
  return tick;
}

void SetWayCompletionTick(TWay& way, uint32_t tick) { std::memcpy(way.Reserved52, &tick, 4); }

void BookWayCost(const TWay& way) {
  if (!IsPlayerNumber(way.Owner)) return;
  const float cost = way.WayCost(0.0f);
  TPlayer& player = Players[way.Owner];
  building_hooks::BookMoney(way.Owner, FinanceStats(player.Finances[0], VByte(way.Use))[kFinanceConstructionStat],
                            -cost, -1.0f);
  if (GameSettings.Level > 1) player.PrevCost = player.PrevCost.get() - static_cast<long double>(cost);
}

void FinishWay(TWay& way) {
  way.State = 2;
  SetWayCompletionTick(way, 0);
  const int count = way.NodesCounter < 100 ? way.NodesCounter : 100;
  for (int i = 0; i < count; ++i) {
    const uint32_t n = way.Nodes[i];
    if (n == 0 || n > NodeArrayCount) continue;
    TNode& node = NodeByIndex(n);
    if (node.Way == way.Index) node.Flags |= kNodeFlagRouteEnd;
  }
  way_hooks::AddWayToBlockSystem(way);
  if (way.Station != 0) RecalcSchedulesOfStation(way.Station);
  if (IsPlayerNumber(way.Owner))
    CountWayInYear(way, Players[way.Owner].Finances[0], "ERROR: gp_ways: FinishWay: Unsuportet Way.Use!");
}

void CountWayInYear(const TWay& way, TYearFinance& year, const char* unknownUse) {
  year.WayValue += way.WayCost(0.0f);
  switch (way.Use) {
    case 0:
      year.RoadLength += way.Length();
      break;
    case 1:
      year.RailLength += way.Length();
      break;
    case 2:
    case 3:
    case 4:
      break;
    default:
      SYS_Warning(unknownUse);
  }
}
