// A small world built in memory: houses, straight ways and straight plans.
#include "tools/sample_world.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

#include "economy/goods/driver.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/store/connectpool.h"
#include "engine/store/recordaccess.h"
#include "engine/store/trainpool.h"
#include "engine/world/building.h"
#include "engine/world/vehicletype.h"
#include "network/construction/buildings.h"
#include "network/construction/collision.h"
#include "network/construction/nodes.h"
#include "network/construction/limits.h"
#include "network/construction/ways.h"
#include "network/track/blocks.h"
#include "network/track/stations.h"
#include "network/track/trackfields.h"
#include "network/vehicles/convoys.h"

namespace sample_world {

void StripCorners(const TVector& a, const TVector& b, float half, TVector (&corners)[4]) {
  const float dx = b.x - a.x, dz = b.z - a.z, len = std::sqrt(dx * dx + dz * dz);
  const TVector side = {-dz / len * half, 0.0f, dx / len * half};
  corners[0] = {a.x + side.x, a.y, a.z + side.z};
  corners[1] = {a.x - side.x, a.y, a.z - side.z};
  corners[2] = {b.x - side.x, b.y, b.z - side.z};
  corners[3] = {b.x + side.x, b.y, b.z + side.z};
}

void SetHouseType(uint16_t type, float half, float bottom, float top) {
  TBuildingType& t = BuildingTypes[type];
  const TVector corners[4] = {{-half, 0, -half}, {half, 0, -half}, {half, 0, half}, {-half, 0, half}};
  for (int k = 1; k <= 4; ++k) SetBuildingTypeCorner(t, k, corners[k - 1]);
  SetBuildingTypeHeights(t, bottom, top);
}

uint32_t PlaceHouse(uint16_t type, const TVector& position) {
  TBuilding b{};
  b.BuildingType = type;
  const TVector toward = {position.x + 1.0f, position.y, position.z};
  TVector at{};
  float angle = 0.0f;
  CalcBuildingGeometry(b, position, toward, {0, 0, 0}, {1, 0, 0}, at, angle);
  InitBuilding(type, b, at, angle, 0);
  return b.Index;
}

uint32_t WayBetween(uint32_t from, uint32_t to, float half, uint8_t owner) {
  TVector corners[4];
  StripCorners(ConnectByIndex(from).Position, ConnectByIndex(to).Position, half, corners);
  auto mesh = std::make_unique<TMesh2>();
  mesh->Init();
  for (int i = 0; i < 4; ++i) mesh->vxA(static_cast<uint16_t>(i + 1), corners[i].x, corners[i].y, corners[i].z, 0, 0);
  mesh->A_Write();
  TWay w{};
  w.Init(ConnectByIndex(from).WayType, 0);
  w.Owner = owner;
  w.Mesh = mesh->Index;
  w.ConnectionCounter = 2;
  w.Connections[0] = from;
  w.Connections[1] = to;
  w.A_Write();
  for (uint32_t c : {from, to}) {
    TConnect& con = ConnectByIndex(c);
    (con.WayA == 0 ? con.WayA : con.WayB) = w.Index;
  }
  return w.Index;
}

uint32_t StraightWay(uint8_t use, const TVector& a, const TVector& b, float half) {
  uint32_t ends[2];
  const TVector at[2] = {a, b};
  for (int i = 0; i < 2; ++i) {
    TConnect c{};
    ClearConnect(c, use);
    c.Position = at[i];
    ends[i] = AddConnect(c);
  }
  TWay w{};
  w.A_Read(WayBetween(ends[0], ends[1], half, ActPlayer));
  w.Position = {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2};
  w.A_Overwrite();
  return w.Index;
}

uint32_t PlannedWay(uint8_t use, TMetaconnect& a, TMetaconnect& b) {
  TPieceMesh mesh{};
  TVector corners[4];
  StripCorners(a.Position, b.Position, WayGauge[use] / 2.0f, corners);
  for (int i = 0; i < 4; ++i) {
    mesh.Vertices[i].x = corners[i].x;
    mesh.Vertices[i].y = corners[i].y;
    mesh.Vertices[i].z = corners[i].z;
  }
  mesh.VertexCount = 4;
  const TVector side = {(corners[0].x - corners[1].x) / 2.0f, 0.0f, (corners[0].z - corners[1].z) / 2.0f};
  TWay w{};
  w.Init(use, use == kWaytypeRail ? kWaytypePlainRail : kWaytypeStreet);
  w.Position = {(a.Position.x + b.Position.x) / 2.0f, a.Position.y, (a.Position.z + b.Position.z) / 2.0f};
  return CreateWay(use, a, b, side, side, w, mesh);
}

uint32_t RailWay(TMetaconnect& a, TMetaconnect& b) {
  TWay w{};
  w.A_Read(PlannedWay(kWaytypeRail, a, b));
  FinishWay(w);
  w.A_Overwrite();
  return w.Index;
}

namespace {

// A way made by Make between each two of the Count points, and from the last back to the first when
// Closed; At receives the stored connect at each point.
template <class Make>
std::vector<uint32_t> WaysThrough(uint8_t use, const TVector* points, int count, bool closed,
                                  std::vector<uint32_t>* at, Make make) {
  std::vector<TMetaconnect> slots(static_cast<size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) {
    slots[i].Waytype = use;
    slots[i].Position = points[i];
  }
  std::vector<uint32_t> ways;
  const int pieces = count < 2 ? 0 : closed ? count : count - 1;
  for (int k = 0; k < pieces; ++k) ways.push_back(make(slots[k], slots[(k + 1) % count]));
  if (at != nullptr) {
    at->clear();
    for (const TMetaconnect& slot : slots) at->push_back(slot.ConnectIndex);
  }
  return ways;
}

}  // namespace

std::vector<uint32_t> RailTrack(const TVector* points, int count, bool closed, std::vector<uint32_t>* at) {
  return WaysThrough(kWaytypeRail, points, count, closed, at, RailWay);
}

std::vector<uint32_t> PlannedStreet(const TVector* points, int count) {
  return WaysThrough(kWaytypeRoad, points, count, false, nullptr,
                     [](TMetaconnect& a, TMetaconnect& b) { return PlannedWay(kWaytypeRoad, a, b); });
}

uint32_t RailTrainOn(uint32_t way, int lane) {
  TWay w{};
  w.A_Read(way);
  const uint32_t entered = w.Nodes[lane == 0 ? 0 : 2], next = w.Nodes[lane == 0 ? 3 : 1];
  const uint32_t t = NewTrain();
  TTrain& train = TrainByIndex(t);
  InitTrain(train, entered, t, kTrainRail, kTrainStanding, ActPlayer);
  train.NodesAhead[0] = next;
  train.NodesAhead[1] = entered;
  train.NextNode = next;
  train.ClosingNode = entered;
  UpdateTrainBlocks(t);
  return t;
}

uint32_t ScheduleOf(const std::vector<uint32_t>& stations, const std::vector<uint32_t>& trains) {
  auto s = std::make_unique<TSchedule>();
  s->ScheduleStationCounter = static_cast<uint8_t>(std::min<size_t>(stations.size(), 20));
  for (int k = 0; k < s->ScheduleStationCounter; ++k) {
    s->Stops[k].Halt = 1;
    s->Stops[k].Station = stations[k];
  }
  s->ScheduleTrainCounter = static_cast<uint8_t>(std::min<size_t>(trains.size(), 50));
  for (int k = 0; k < s->ScheduleTrainCounter; ++k) s->Trains[k] = trains[k];
  // Schedules are made only here: the store's writer of the record type is used with the write
  // allowed.
  RecordDesc desc = kTScheduleDesc;
  desc.Ops |= kOpWrite;
  RecordWrite(desc, s.get());
  for (uint32_t t : trains) {
    TTrain& train = TrainByIndex(t);
    train.Schedule = s->Index;
    train.ScheduleState = kRouteSchedule;
    train.CurrentStop = 1;
  }
  return s->Index;
}

void SetShuttleVehicleTypes() {
  const TVehicleTypeDriving locomotive{.FrontLength = 8.0f, .AxleDistance = 44.0f, .RearLength = 8.0f,
                                       .Power = 2000.0f, .PowerScale = 1.0f, .MaxSpeed = 2.0f, .Weight = 40000,
                                       .Price = 80000, .YearlyCost = 12000, .RunningCost = 20.0f, .Smoking = 1,
                                       .SmokePosition = {0.0f, 30.0f, 20.0f}};
  const TVehicleTypeDriving wagon{.FrontLength = 5.0f, .AxleDistance = 40.0f, .RearLength = 5.0f, .MaxSpeed = 2.5f,
                                  .Weight = 20000, .Price = 20000, .YearlyCost = 2400, .RunningCost = 4.0f,
                                  .WeightCapacity = 30000};
  for (const auto& [type, d] : {std::pair{kShuttleLocomotive, locomotive}, std::pair{kShuttleWagon, wagon}}) {
    TVehicleType& vt = VehicleTypes[type];
    vt = TVehicleType{};
    vt.Bytes[kVehicleTypeKindOffset] = kTrainRail;
    SetVehicleTypeDriving(vt, d);
  }
  VehicleTypeCount = std::max<int32_t>(VehicleTypeCount, kShuttleWagon);
}

TShuttle BuildShuttle(const TVector& origin, int ways, float length, bool stations) {
  TShuttle line;
  std::vector<TVector> points;
  for (int k = 0; k <= ways; ++k) points.push_back({origin.x + k * length, origin.y, origin.z});
  line.Ways = RailTrack(points.data(), static_cast<int>(points.size()), false);
  if (stations && !line.Ways.empty()) {
    auto s = std::make_unique<TStation>();
    const uint32_t ends[2] = {line.Ways.front(), line.Ways.back()};
    for (int e = 0; e < 2; ++e) {
      TWay w{};
      w.A_Read(ends[e]);
      TDestroyResult r{};
      AddWayToStation(w, *s, 0, r);
      line.Stations[e] = s->Index;
    }
  }
  line.Train = ShuttleTrainOn(line.Ways.front(), length);
  if (stations) line.Schedule = ScheduleOf({line.Stations[0], line.Stations[1]}, {line.Train});
  return line;
}

uint32_t ShuttleTrainOn(uint32_t way, float length) {
  const uint32_t t = RailTrainOn(way, 0);
  TTrain& train = TrainByIndex(t);
  BuyVehicleForTrain(train, kShuttleLocomotive);
  BuyVehicleForTrain(train, kShuttleWagon);
  // The head as far in as the train is long, so that every vehicle stands on the track.
  float trainLength = 0.0f;
  for (uint16_t type : {kShuttleLocomotive, kShuttleWagon}) trainLength += VehicleTypeDriving(VehicleTypes[type]).Length();
  train.DistanceOnLink = std::min(trainLength, length / 2.0f);
  return t;
}

void StraightPlan(TCurveline& curve, uint8_t use, const TVector* points, int count, float half) {
  count = std::clamp(count, 2, kCurveConnects);
  curve.conzahl = static_cast<uint8_t>(count);
  for (int j = 1; j <= count; ++j) {
    TMetaconnect& slot = curve.Slots[j];
    slot = TMetaconnect{};
    slot.Waytype = use;
    slot.Position = points[j - 1];
  }
  for (int k = 1; k < count; ++k) {
    TCurvePiece& piece = curve.Pieces[k];
    piece.Way.Use = use;
    TVector corners[4];
    StripCorners(points[k - 1], points[k], half, corners);
    for (int i = 0; i < 4; ++i) {
      piece.Mesh.Vertices[i].x = corners[i].x;
      piece.Mesh.Vertices[i].y = corners[i].y;
      piece.Mesh.Vertices[i].z = corners[i].z;
    }
    piece.Mesh.VertexCount = 4;
  }
  CurvelineBounds(curve);
}

TNodeGrid BuildNodeGrid(int columns, int rows, float spacing, const TVector& origin) {
  TNodeGrid g;
  g.Columns = columns;
  g.Rows = rows;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      TNode n{};
      InitNode(n, {origin.x + c * spacing, origin.y, origin.z + r * spacing});
      n.Flags = kNodeFlagRouteEnd;
      const uint32_t index = AddNode(n);
      if (r == 0 && c == 0) g.First = index;
      if (index != g.Node(c, r)) SYS_BREAKPROGRAM("BuildNodeGrid: the node pool was not empty");
    }
  }
  const int lastC = columns - 1, lastR = rows - 1;
  // The ring.
  for (int c = 0; c < lastC; ++c) {
    LinkNodes(g.Node(c, 0), g.Node(c + 1, 0));
    LinkNodes(g.Node(c + 1, lastR), g.Node(c, lastR));
  }
  for (int r = 0; r < lastR; ++r) {
    LinkNodes(g.Node(lastC, r), g.Node(lastC, r + 1));
    LinkNodes(g.Node(0, r + 1), g.Node(0, r));
  }
  // The inner rows and columns, each from border to border.
  for (int r = 1; r < lastR; ++r) {
    for (int c = 0; c < lastC; ++c) {
      if (r % 2 == 1)
        LinkNodes(g.Node(c, r), g.Node(c + 1, r));
      else
        LinkNodes(g.Node(c + 1, r), g.Node(c, r));
    }
  }
  for (int c = 1; c < lastC; ++c) {
    for (int r = 0; r < lastR; ++r) {
      if (c % 2 == 1)
        LinkNodes(g.Node(c, r), g.Node(c, r + 1));
      else
        LinkNodes(g.Node(c, r + 1), g.Node(c, r));
    }
  }
  return g;
}

uint32_t MarketOf(uint32_t building, uint32_t station) {
  auto m = std::make_unique<TMarket>();
  *m = TMarket{};
  m->MarketBuildingCount = 1;
  m->FirstBuilding = building;
  m->Station = station;
  // Markets are made only here: the store's writer of the record type is used with the write
  // allowed.
  RecordDesc desc = kTMarketDesc;
  desc.Ops |= kOpWrite;
  RecordWrite(desc, m.get());
  return m->Index;
}

void StartCalendarGame() {
  GameRunning = 1;
  GameDay = 1;
  GameMonth = 1;
  GameYear = 1950;
  GameSettings.TicksPerDay = 10;
  TicksPerYear = CalendarTicksPerYear();
  GameSettings.Level = 2;
  PlayerCount = 1;
  LocalPlayer = 1;
  Players[1].Finances[0].Year = 1950;
  Players[1].Finances[0].Balance = 1000000.0L;
  StartGoodsProcesses();
}

}  // namespace sample_world
