#include "tests/engine/world/world_fixture.h"

#include <cstdio>
#include <cstring>

#include "engine/mesh/meshrecords.h"
#include "engine/store/compaction.h"

namespace world_testing {

namespace {

std::vector<std::string> g_calls;

std::string Num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof(buf), "%g", v);
  return buf;
}
std::string U(uint32_t v) { return std::to_string(v); }
void Note(const std::string& call) { g_calls.push_back(call); }

void InstallRecordingHooks() {
  namespace h = world_hooks;
  h::WaysAtCons = [](const TWay& w, uint32_t& count, TWay* ways) {
    Note("WaysAtCons " + U(w.Index));
    h::DefaultWaysAtCons(w, count, ways);
  };
  h::CollectBlockSignals = [](TBlock& b) {
    Note("CollectBlockSignals " + U(b.Index));
    h::DefaultCollectBlockSignals(b);
  };
  h::RemoveWayFromBlockSystem = [](TWay& w) { Note("RemoveWayFromBlockSystem " + U(w.Index)); };
  h::CalcWaySideLengths = [](TWay& w, const TMesh2& m) {
    Note("CalcWaySideLengths " + U(w.Index) + " mesh " + U(m.Index));
    w.SideLengths[0] = w.SideLengths[1] = 77.0f;
  };
  h::NextWayAlongStreetSide = [](TWay& w, uint8_t& side, uint8_t&, TWay&) {
    Note("NextWayAlongStreetSide " + U(w.Index) + " side " + U(side));
    return false;
  };
  h::CalcSchedule = [](TSchedule& s) { Note("CalcSchedule " + U(s.Index)); };
  h::RemoveCivilianCar = [](uint32_t t) {
    Note("RemoveCivilianCar " + U(t));
    h::DefaultRemoveCivilianCar(t);
  };
  h::RemoveVehicleFromTrain = [](TTrain& t, uint32_t v) {
    for (int i = 0; i < t.VehicleCount; ++i) {
      if (t.Vehicles[i] == v) Note("RemoveVehicleFromTrain " + U(t.Index) + " " + U(v));
    }
    h::DefaultRemoveVehicleFromTrain(t, v);
  };
  h::AddtoPrevCost = [](uint8_t player, uint8_t city, float amount) {
    Note("AddtoPrevCost " + U(player) + " " + U(city) + " " + Num(amount));
    h::DefaultAddtoPrevCost(player, city, amount);
  };
  h::OnDestroyBuilding = [] { Note("OnDestroyBuilding"); };
  h::OnDestroyDepot = [](uint32_t i) { Note("OnDestroyDepot " + U(i)); };
  h::OnDestroyIndustry = [](uint32_t i) { Note("OnDestroyIndustry " + U(i)); };
  h::OnDestroyMarket = [](uint32_t i) { Note("OnDestroyMarket " + U(i)); };
  h::OnDestroyStation = [](uint32_t i) { Note("OnDestroyStation " + U(i)); };
  h::OnDestroySchedule = [](uint32_t i) { Note("OnDestroySchedule " + U(i)); };
  h::OnDestroyWay = [](uint32_t i) { Note("OnDestroyWay " + U(i)); };
  h::OnRemoveIndustryGoodsway = [] { Note("OnRemoveIndustryGoodsway"); };
  h::RemovePathsOfWay = [](uint32_t count, const uint32_t* nodes, uint32_t max, bool station) {
    std::string s = "RemovePathsOfWay " + U(count) + " [";
    for (uint32_t i = 0; i < count; ++i) s += (i ? " " : "") + U(nodes[i]);
    Note(s + "] " + U(max) + (station ? " station" : ""));
  };
  h::RecalcGoodsStation = [](uint32_t s) { Note("RecalcGoodsStation " + U(s)); };
  h::AddStationStretches = [](uint32_t s) { Note("AddStationStretches " + U(s)); };
  h::ReadGood = [](uint32_t i, TGoodFields& g) {
    const auto it = EconomyRecords::Goods.find(i);
    g = it != EconomyRecords::Goods.end() ? it->second : TGoodFields{i, 0, 0, 0, 0};
    g.Index = i;
  };
  h::OverwriteGood = [](const TGoodFields& g) {
    Note("OverwriteGood " + U(g.Index) + " entry " + U(g.GoodsWayEntry) + " way " + U(g.Goodsway) + " ready " +
         U(g.ReadyTick));
    EconomyRecords::Goods[g.Index] = g;
  };
  h::GoodDestroy = [](const TGoodFields& g) { Note("GoodDestroy " + U(g.Index)); };
  h::DestroyGood = [](uint32_t g) { Note("DestroyGood " + U(g)); };
  h::SenGoodPerIV = [](TGoodFields& g, const TVector& p, uint32_t station) {
    Note("SenGoodPerIV " + U(g.Index) + " entry " + U(g.GoodsWayEntry) + " from " + Num(p.x) + " to " + U(station));
    g.ReadyTick = GameTime + 100;
  };
  h::GoodsInfoKind = [](uint8_t type) -> uint8_t {
    const auto it = EconomyRecords::GoodsKinds.find(type);
    return it != EconomyRecords::GoodsKinds.end() ? it->second : 0;
  };
  h::ReadGoodsway = [](uint32_t i, TGoodswayFields& w) {
    const auto it = EconomyRecords::Goodsways.find(i);
    w = it != EconomyRecords::Goodsways.end() ? it->second : TGoodswayFields{};
    w.Index = i;
  };
  h::OverwriteGoodsway = [](const TGoodswayFields& w) {
    Note("OverwriteGoodsway " + U(w.Index) + " source " + U(w.SourceIndustry) + " flags " + U(w.Flags));
    EconomyRecords::Goodsways[w.Index] = w;
  };
  h::GoodswayDestroy = [](uint32_t w) { Note("GoodswayDestroy " + U(w)); };
  h::ReadPsgrWay = [](uint32_t i, TPsgrWayFields& p) {
    const auto it = EconomyRecords::PsgrWays.find(i);
    p = it != EconomyRecords::PsgrWays.end() ? it->second : TPsgrWayFields{};
    p.Index = i;
  };
  h::OverwritePsgrWay = [](const TPsgrWayFields& p) {
    Note("OverwritePsgrWay " + U(p.Index) + " passengers " + Num(p.PassengerspF) + " used " + U(p.Used));
    EconomyRecords::PsgrWays[p.Index] = p;
  };
  h::PsgrWayDestroyIfUnused = [](uint32_t p) {
    Note("PsgrWayDestroyIfUnused " + U(p));
    return false;
  };
  connect_hooks::DestroyUnconnectedBuilding = [](uint32_t b) {
    Note("DestroyUnconnectedBuilding " + U(b));
    h::DefaultDestroyUnconnectedBuilding(b);
  };
  train_hooks::PathDestroy = [](const TPath& p) {
    Note("PathDestroy " + U(p.Index));
    p.Destroy();
  };
  train_hooks::VehicleDestroyByIndex = [](uint32_t v, bool fromTrains) {
    Note("VehicleDestroyByIndex " + U(v));
    TVehicle::DestroyByIndex(v, fromTrains);
  };
  train_hooks::RemoveTrainFromAllBlocks = [](uint32_t t) { Note("RemoveTrainFromAllBlocks " + U(t)); };
  train_hooks::RemoveTrainFromStreetBlocks = [](uint32_t t) { Note("RemoveTrainFromStreetBlocks " + U(t)); };
  train_hooks::RemoveTrainFromSchedule = [](uint32_t t, uint32_t s) {
    Note("RemoveTrainFromSchedule " + U(t) + " " + U(s));
    TrainByIndex(t).Schedule = 0;
    TrainByIndex(t).ScheduleState = 4;
  };
  train_hooks::OnDestroyTrain = [](uint32_t t) { Note("OnDestroyTrain " + U(t)); };
}

void SetType(uint16_t row, uint8_t use, const char* name, int32_t price) {
  SetBuildingTypeUse(BuildingTypes[row], use);
  SetBuildingTypeFileName(BuildingTypes[row], name);
  SetBuildingTypePrice(BuildingTypes[row], price);
}

void Link(uint32_t from, uint32_t to) {
  TNode& a = NodeByIndex(from);
  TNode& b = NodeByIndex(to);
  a.NextLinks[a.NextLinkCount++] = to;
  b.PrevLinks[b.PrevLinkCount++] = from;
}

uint32_t NewNode(const TVector& position, uint32_t way) {
  TNode n{};
  InitNode(n, position);
  n.Way = way;
  return AddNode(n);
}

void EnterAtConnection(uint32_t c, uint32_t way) {
  TConnect& con = ConnectByIndex(c);
  if (con.WayA == 0) {
    con.WayA = way;
  } else {
    con.WayB = way;
  }
}

// A plain way at connection c whose first (end 0) or second (end 1) connection is c; 0 when none.
uint32_t PlainWayAt(uint32_t c, int end) {
  const TConnect& con = ConnectByIndex(c);
  for (const uint32_t w : {con.WayA, con.WayB}) {
    if (w == 0) continue;
    const TWay way = WorldTest::Way(w);
    if ((way.Waytype == 0 || way.Waytype == 2) && way.Connections[end] == c) return w;
  }
  return 0;
}

// A test record of an economy kind (goods, goods ways, passenger ways): its index only.
uint32_t StoreEconomyRecord(uint16_t kind) {
  RecordDesc d{};
  d.Name = "TEconomyRecord";
  d.Array = ArrayerId::Rest;
  d.Kind = kind;
  d.Row = static_cast<uint8_t>(ArrayerKindRow(ArrayerId::Rest, kind));
  d.Ops = kOpRead | kOpWrite;
  d.Size = 24;
  d.FixedSize = 24;
  d.CountOp[0] = d.CountOp[1] = d.CountOp[2] = d.CountOp[3] = "op";
  uint8_t rec[24] = {};
  RecordWrite(d, rec);
  uint32_t index;
  std::memcpy(&index, rec, 4);
  return index;
}

}  // namespace

std::map<uint32_t, TGoodFields> EconomyRecords::Goods;
std::map<uint32_t, TGoodswayFields> EconomyRecords::Goodsways;
std::map<uint32_t, TPsgrWayFields> EconomyRecords::PsgrWays;
std::map<uint8_t, uint8_t> EconomyRecords::GoodsKinds;

uint32_t EconomyRecords::AddGood(TGoodFields g) {
  g.Index = StoreEconomyRecord(kKindGood);
  Goods[g.Index] = g;
  return g.Index;
}
uint32_t EconomyRecords::AddGoodsway(TGoodswayFields w) {
  w.Index = StoreEconomyRecord(kKindGoodsway);
  Goodsways[w.Index] = w;
  return w.Index;
}
uint32_t EconomyRecords::AddPsgrWay(TPsgrWayFields p) {
  p.Index = StoreEconomyRecord(kKindPsgrWay);
  PsgrWays[p.Index] = p;
  return p.Index;
}
void EconomyRecords::Clear() {
  Goods.clear();
  Goodsways.clear();
  PsgrWays.clear();
  GoodsKinds.clear();
}

std::vector<std::string>& HookCalls() { return g_calls; }

std::vector<std::string> CallsOf(std::initializer_list<const char*> names) {
  std::vector<std::string> out;
  for (const std::string& call : g_calls) {
    for (const char* name : names) {
      const std::string n = name;
      if (call.compare(0, n.size(), n) == 0 && (call.size() == n.size() || call[n.size()] == ' ')) {
        out.push_back(call);
        break;
      }
    }
  }
  return out;
}

std::vector<int> Elements(const TDestroyResult& r) {
  std::vector<int> e;
  for (int i = 0; i < 48; ++i) {
    if (r.Has(i)) e.push_back(i);
  }
  return e;
}

void WorldTest::SetUp() {
  ResetWorldState();
  ArrayerTest::SetUp();
  world_hooks::InstallDefaults();
  InstallRecordingHooks();
  EconomyRecords::Clear();
  g_calls.clear();
  SetType(kHouseType, 0, "HOUSE.BIF", 5000);
  SetType(kStationType, 1, "STATION.BIF", 8000);
  SetType(kDepotType, 2, "DEPOT.BIF", 3000);
}

void WorldTest::TearDown() {
  world_hooks::InstallDefaults();
  train_hooks::RemoveTrainFromAllBlocks = nullptr;
  train_hooks::RemoveTrainFromStreetBlocks = nullptr;
  train_hooks::RemoveTrainFromSchedule = nullptr;
  train_hooks::OnDestroyTrain = nullptr;
  EconomyRecords::Clear();
  ResetWorldState();
  ArrayerTest::TearDown();
}

uint32_t WorldTest::AddConnection(float x, float z) {
  TConnect c{};
  ClearConnect(c, 0);
  c.Position = TVector{x, 0.0f, z};
  return AddConnect(c);
}

uint32_t WorldTest::AddPlainWay(uint32_t from, uint32_t to, uint8_t use, uint8_t owner, uint8_t state) {
  TWay w{};
  w.Init(use, use == 0 ? 0 : 2);
  w.Owner = owner;
  w.State = state;
  w.ConnectionCounter = 2;
  w.Connections[0] = from;
  w.Connections[1] = to;
  const TVector a = ConnectByIndex(from).Position, b = ConnectByIndex(to).Position;
  w.Position = TVector{(a.x + b.x) / 2, 0.0f, (a.z + b.z) / 2};
  if (use == 1) {  // a rail way lies in a block of its own
    TBlock block{};
    block.A_Write();
    w.Block = block.Index;
  }
  w.A_Write();
  uint32_t n1, n2, n3, n4;
  if (const uint32_t before = PlainWayAt(from, 1)) {  // a way ending here hands its lane ends over
    const TWay prev = Way(before);
    n1 = prev.Nodes[1];
    n4 = prev.Nodes[2];
    NodeByIndex(n1).Way = w.Index;
  } else {
    n1 = NewNode(a, w.Index);
    n4 = NewNode(a, w.Index);
  }
  if (const uint32_t after = PlainWayAt(to, 0)) {
    const TWay next = Way(after);
    n2 = next.Nodes[0];
    n3 = next.Nodes[3];
    NodeByIndex(n3).Way = w.Index;
  } else {
    n2 = NewNode(b, w.Index);
    n3 = NewNode(b, w.Index);
  }
  Link(n1, n2);
  Link(n3, n4);
  w.NodesCounter = 4;
  w.Nodes[0] = n1;
  w.Nodes[1] = n2;
  w.Nodes[2] = n3;
  w.Nodes[3] = n4;
  w.A_ReWrite();
  EnterAtConnection(from, w.Index);
  EnterAtConnection(to, w.Index);
  return w.Index;
}

uint32_t WorldTest::AddRouter(std::initializer_list<uint32_t> connections, uint8_t waytype, uint8_t completion,
                              uint8_t owner) {
  TWay w{};
  w.Init(0, waytype);
  w.Owner = owner;
  w.State = 2;
  w.Completion = completion;
  w.A_Write();
  for (const uint32_t c : connections) {
    w.Connections[w.ConnectionCounter++] = c;
    const uint32_t n = NewNode(ConnectByIndex(c).Position, w.Index);
    NodeByIndex(n).Flags = kNodeFlagRouteEnd;
    w.Nodes[w.NodesCounter++] = n;
    EnterAtConnection(c, w.Index);
  }
  w.A_ReWrite();
  return w.Index;
}

uint32_t WorldTest::AddRoadsideBuilding(uint32_t way, uint8_t side, float frontage, uint8_t owner) {
  TWay w = Way(way);
  TBuilding b{};
  b.Init(kHouseType, owner);
  b.State = 2;
  b.Way = way;
  b.Side = side;
  b.Frontage = frontage;
  b.Position = w.Position;
  b.A_Write();
  ++w.RoadsideBuildings;
  w.SideLengths[side - 1] -= frontage;
  w.A_Overwrite();
  return b.Index;
}

uint32_t WorldTest::AddStation(float x, float z, uint8_t city) {
  auto s = std::make_unique<TStation>();
  s->Init(1, city, TVector{x, 0.0f, z});
  s->A_Write();
  return s->Index;
}

uint32_t WorldTest::AddStationBuilding(uint32_t station, uint8_t owner, uint16_t type) {
  auto s = std::make_unique<TStation>();
  s->A_Read(station);
  TBuilding b{};
  b.Init(type, owner);
  b.State = 2;
  b.Position = s->Position;
  b.A_Write();
  b.AddToStation(*s, true);
  return b.Index;
}

void WorldTest::AddStationWay(uint32_t station, uint32_t way) {
  auto s = std::make_unique<TStation>();
  s->A_Read(station);
  s->Ways[s->StationWayCounter++] = way;
  s->A_ReWrite();
  TWay w = Way(way);
  w.Station = station;
  w.A_Overwrite();
}

uint32_t WorldTest::AddTrain(uint8_t kind, uint8_t owner, std::initializer_list<uint32_t> nodesAhead) {
  const uint32_t t = NewTrain();
  TTrain& train = TrainByIndex(t);
  train = TTrain{};
  train.Index = t;
  train.VBT_Type = kind;
  train.Owner = owner;
  int i = 0;
  for (const uint32_t n : nodesAhead) train.NodesAhead[i++] = n;
  train.ClosingNode = i > 0 ? train.NodesAhead[i - 1] : 0;
  return t;
}

uint32_t WorldTest::AddPath(uint8_t use, std::initializer_list<uint32_t> nodes, uint8_t invalid) {
  auto p = std::make_unique<TPath>();
  *p = TPath{};
  p->Init(use);
  p->Invalid = invalid;
  for (const uint32_t n : nodes) p->Nodes[p->PathNodeCounter++] = n;
  p->A_Write();
  return p->Index;
}

uint32_t WorldTest::AddMarket() {
  RecordDesc d = kTMarketDesc;
  d.Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite;
  auto m = std::make_unique<TMarket>();
  *m = TMarket{};
  RecordWrite(d, m.get());
  return m->Index;
}

uint32_t WorldTest::AddSchedule(uint8_t use, std::initializer_list<uint32_t> stations, uint8_t state) {
  RecordDesc d = kTScheduleDesc;
  d.Ops = kOpRead | kOpWrite | kOpReWrite | kOpOverwrite;
  TSchedule s{};
  s.State = state;
  s.Use = use;
  for (const uint32_t st : stations) s.Stops[s.ScheduleStationCounter++].Station = st;
  RecordWrite(d, &s);
  return s.Index;
}

SmallNetwork WorldTest::BuildSmallNetwork() {
  SmallNetwork n{};
  for (int i = 0; i < 4; ++i) n.c[i] = AddConnection(100.0f * i, 0.0f);
  for (int i = 0; i < 3; ++i) n.w[i] = AddPlainWay(n.c[i], n.c[i + 1]);
  n.house = AddRoadsideBuilding(n.w[1]);
  n.station = AddStation(300.0f, 0.0f);
  n.stationBuilding = AddStationBuilding(n.station);
  AddStationWay(n.station, n.w[2]);
  const TWay first = Way(n.w[0]);
  n.convoy = AddTrain(kTrainRoad, 1, {first.Nodes[2], first.Nodes[3]});  // lane 2 of the first road
  return n;
}

TWay WorldTest::Way(uint32_t index) {
  TWay w{};
  w.A_Read(index);
  return w;
}

TBuilding WorldTest::Building(uint32_t index) {
  TBuilding b{};
  b.A_Read(index);
  return b;
}

uint32_t WorldTest::BuildingCount(uint16_t type) {
  uint32_t count;
  std::memcpy(&count, BuildingsPerType[type].Bytes, 4);
  return count;
}

}  // namespace world_testing
