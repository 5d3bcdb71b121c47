// Station tracks with their platforms and station, buildings that bring their own access way (their
// nodes, inner way, depot or station), and station buildings beside a station.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/nodepool.h"
#include "engine/world/building.h"
#include "engine/world/hooks.h"
#include "network/construction/connects.h"
#include "network/construction/stationtracks.h"
#include "network/track/stations.h"
#include "network/track/trackfields.h"
#include "platform/platform.h"
#include "tests/network/construction/crossing_fixture.h"
#include "tests/support/test_support.h"

namespace {

using namespace construction_testing;

constexpr uint16_t kPlatformType = 30, kStationBuildingType = 31, kHouseType = 32, kWayedType = 40;
constexpr float kPrice = 2000.0f, kPlatformPrice = 500.0f;

// Packed record fields are read by value before they are compared.
template <class T>
T Value(T v) {
  return v;
}

std::vector<uint16_t> g_named;
std::vector<uint32_t> g_recalculated;
uint32_t g_fillStation = 0;

TStation StoredStation(uint32_t index) {
  auto s = std::make_unique<TStation>();
  s->A_Read(index);
  return *s;
}

TBuilding StoredBuilding(uint32_t index) {
  TBuilding b{};
  b.A_Read(index);
  return b;
}

std::vector<TBuilding> Buildings() {
  std::vector<TBuilding> all;
  for (uint32_t i = FindInArrayerBW(kARTypeBuilding, 0); i != 0; i = FindInArrayerBW(kARTypeBuilding, i))
    all.push_back(StoredBuilding(i));
  return all;
}

class StationConstruction : public CrossingTest {
 protected:
  void SetUp() override {
    CrossingTest::SetUp();
    g_named.clear();
    g_recalculated.clear();
    station_hooks::NameStation = [](TStation& s, uint16_t kind) {
      g_named.push_back(kind);
      s.Number = 7;
    };
    world_hooks::RecalcGoodsStation = [](uint32_t s) { g_recalculated.push_back(s); };
    SpecialBuildingTypes[kPlatformTypeEntry] = kPlatformType;
    SetBuildingTypePrice(BuildingTypes[kPlatformType], static_cast<int32_t>(kPlatformPrice));
    TBuildingType& house = BuildingTypes[kHouseType];
    SetBuildingTypePrice(house, 100);
    testing_support::CaptureDebugger();
  }
  void TearDown() override {
    platform::SetDebuggerSink(nullptr);
    station_hooks::InstallDefaults();
    CrossingTest::TearDown();
  }

  // A stored station holding the given numbers of (empty) building and way entries.
  static uint32_t StationWith(int buildings, int ways) {
    auto s = std::make_unique<TStation>();
    s->Init(1, 0, {5000, 0, 5000});
    s->StationBuildingcounter = static_cast<uint8_t>(buildings);
    s->StationWayCounter = static_cast<uint8_t>(ways);
    s->A_Write();
    return s->Index;
  }
  // A stored house between x0..x1, z0..z1 from height 0 to 20.
  static uint32_t HouseAt(float x0, float z0, float x1, float z1) {
    TBuilding b{};
    b.Init(kHouseType, 1);
    const TVector corners[4] = {{x0, 0, z0}, {x1, 0, z0}, {x1, 0, z1}, {x0, 0, z1}};
    for (int k = 0; k < 4; ++k) b.Corners[k] = corners[k];
    b.Position = corners[0];
    b.LowHeight = 0.0f;
    b.HighHeight = 20.0f;
    b.A_Write();
    return b.Index;
  }
  // A directed end of a stored, finished way of the waytype from (x0, z) to (x1, z).
  TMetaconnect EndOfWay(uint8_t waytype, float x0, float x1, float z, float y = 0.0f) {
    TMetaconnect from = Meta(waytype, x0, z), to = Meta(waytype, x1, z);
    from.Position.y = to.Position.y = y;
    Lay(waytype, from, to);
    TMetaconnect end{};
    TConstructResult r;
    FindOrCreateConnect(waytype, {x1, y, z}, end, r);
    EXPECT_TRUE(Value(end.HasDirection));
    return end;
  }
  static float PrevCost() { return static_cast<float>(Players[1].PrevCost.get()); }
  static bool WarnedOf(const std::string& part) {
    for (const std::string& w : testing_support::Warnings())
      if (w.find(part) != std::string::npos) return true;
    return false;
  }
};

// ---------------------------------------------------------------- station tracks

class StationTracks : public StationConstruction {
 protected:
  TConstructResult Track(const TMetaconnect& a, const TMetaconnect& b, uint32_t station, uint8_t mode) {
    TConstructResult r = Set({30});
    ConstructRailStationTrack(*curve_, a, b, station, mode, r);
    return r;
  }
  static TMetaconnect At(float x, float z, float y = 0.0f) {
    TMetaconnect m = Meta(kWaytypeRail, x, z);
    m.Position.y = y;
    return m;
  }
  static TMetaconnect DirectedAt(float x, float z, float y, float dx) {
    TMetaconnect m = Directed(kWaytypeRail, x, z, dx, 0.0f);
    m.Position.y = y;
    return m;
  }
};

TEST_F(StationTracks, TheGroundLengthIsHeldBetween300And2400AndThePreviewIsMadeAnyway) {
  struct Case {
    float length;
    TConstructResult result;
    bool planned;
  };
  for (const Case& c : {Case{0.5f, Set({4}), false}, Case{299.9f, Set({4}), true}, Case{300.0f, Set({0}), true},
                        Case{2400.0f, Set({0}), true}, Case{2400.1f, Set({3}), true}}) {
    SCOPED_TRACE("length " + std::to_string(c.length));
    ResetConstruction(*curve_);
    EXPECT_EQ(Track(At(1000, 1000), At(1000 + c.length, 1000), 0, 0), c.result);
    EXPECT_EQ(curve_->conzahl, c.planned ? 2 : 0);
    for (int k = 1; k <= 2; ++k) {
      EXPECT_EQ(curve_->PreviewBuilding[k], c.planned ? 1 : 0);
      EXPECT_EQ(Value(curve_->PreviewMeshes[k].VertexCount), c.planned ? 20 : 0);
    }
    if (!c.planned) continue;
    // The platforms: 20 wide beside the 30-wide track, their top 10 above it, 100 deep.
    const TBuilding plus = curve_->PreviewBuildings[1], minus = curve_->PreviewBuildings[2];
    EXPECT_NEAR(Value(plus.Corners[0].z), 1015.0f, 1e-3f);
    EXPECT_NEAR(Value(plus.Corners[1].z), 1035.0f, 1e-3f);
    EXPECT_NEAR(Value(minus.Corners[0].z), 965.0f, 1e-3f);
    EXPECT_NEAR(Value(minus.Corners[1].z), 985.0f, 1e-3f);
    EXPECT_FLOAT_EQ(Value(plus.HighHeight), 10.0f);
    EXPECT_FLOAT_EQ(Value(plus.LowHeight), -90.0f);
    EXPECT_EQ(Value(plus.BuildingType), kPlatformType);
    EXPECT_EQ(Value(minus.BuildingType), kPlatformType);
  }
  EXPECT_TRUE(Ways().empty());
  EXPECT_TRUE(Buildings().empty());
}

TEST_F(StationTracks, DirectedEndsMayDifferInHeightByATenth) {
  EXPECT_EQ(Track(DirectedAt(1000, 1000, 0.0f, -1), DirectedAt(1500, 1000, 0.05f, 1), 0, 0), Set({0}));
  // The track is level: its far end takes the near end's height.
  EXPECT_FLOAT_EQ(Value(curve_->Slots[2].Position.y), 0.0f);
  EXPECT_EQ(Track(DirectedAt(1000, 1000, 0.0f, -1), DirectedAt(1500, 1000, 0.2f, 1), 0, 0), Set({19}));
  EXPECT_EQ(curve_->conzahl, 0);
  EXPECT_EQ(curve_->PreviewBuilding[1], 0);
}

TEST_F(StationTracks, AFarEndWithoutDirectionLiesStraightOnFromTheWayAtTheNearEnd) {
  const TMetaconnect end = EndOfWay(kWaytypeRail, 500, 1000, 1000);
  // Clicked 500 away, off the line: the end moves onto the line, 500 on.
  const TMetaconnect clicked = At(1300, 1400);
  for (const bool swapped : {false, true}) {
    SCOPED_TRACE(swapped ? "ends given the other way round" : "directed end first");
    ASSERT_EQ(swapped ? Track(clicked, end, 0, 0) : Track(end, clicked, 0, 0), Set({0}));
    EXPECT_EQ(Value(curve_->Slots[1].ConnectIndex), Value(end.ConnectIndex));
    EXPECT_TRUE(Near(Value(curve_->Slots[2].Position), {1500, 0, 1000}));
    EXPECT_EQ(Value(curve_->Slots[2].ConnectIndex), 0u);
  }
  ASSERT_EQ(Track(end, clicked, 0, 1), Set({0}));
  const TWay track = Stored(curve_->Pieces[1].Way.Index);
  EXPECT_TRUE(Near(ConnectAt(track, 0), {1000, 0, 1000}));
  EXPECT_TRUE(Near(ConnectAt(track, 1), {1500, 0, 1000}));
}

TEST_F(StationTracks, TheEndsMustLieWhereAConnectMayBePlaced) {
  const TMetaconnect end = EndOfWay(kWaytypeRail, 500, 1000, 1000);
  GroundMap[15][10] = 0;  // water where the far end would go
  EXPECT_EQ(Track(end, At(1300, 1400), 0, 1), Set({9}));
  EXPECT_EQ(Ways().size(), 1u);
}

TEST_F(StationTracks, AStationTakesTheTrackWhileItHasRoomForTwoBuildingsAndOneWay) {
  struct Case {
    int buildings, ways;
    TConstructResult result;
  };
  for (const Case& c : {Case{98, 0, Set({0})}, Case{99, 0, Set({18})}, Case{0, 99, Set({0})}, Case{0, 100, Set({18})}}) {
    SCOPED_TRACE(std::to_string(c.buildings) + " buildings, " + std::to_string(c.ways) + " ways");
    const uint32_t station = StationWith(c.buildings, c.ways);
    EXPECT_EQ(Track(At(1000, 1000), At(1500, 1000), station, 0), c.result);
    EXPECT_EQ(Value(curve_->PreviewBuildings[1].Station), station);
  }
  // 98 buildings: the build fills the station to 100.
  const uint32_t station = StationWith(98, 3);
  ASSERT_EQ(Track(At(1000, 1000), At(1500, 1000), station, 1), Set({0}));
  const TStation s = StoredStation(station);
  EXPECT_EQ(Value(s.StationBuildingcounter), 100);
  EXPECT_EQ(Value(s.StationWayCounter), 4);
  EXPECT_EQ(Value(s.Ways[3]), Value(curve_->Pieces[1].Way.Index));
  EXPECT_EQ(Value(s.Buildings[98]), Value(curve_->PreviewBuildings[1].Index));
  EXPECT_EQ(Value(s.Buildings[99]), Value(curve_->PreviewBuildings[2].Index));
  EXPECT_TRUE(g_named.empty());
}

TEST_F(StationTracks, BuildingFoundsAStationWithTheTrackAndItsTwoPlatforms) {
  ASSERT_EQ(Track(At(1000, 1000), At(1500, 1000), 0, 1), Set({0}));
  ASSERT_EQ(Ways().size(), 1u);
  const TWay track = Ways()[0];
  EXPECT_EQ(Value(track.Use), 1);
  EXPECT_EQ(Value(track.Waytype), kWaytypePlainRail);
  EXPECT_EQ(Value(track.State), 0);
  EXPECT_EQ(Value(track.RoadsideBuildings), 2);
  ASSERT_NE(Value(track.Station), 0u);
  const TStation s = StoredStation(track.Station);
  EXPECT_EQ(g_named, std::vector<uint16_t>{0});
  EXPECT_EQ(Value(s.Number), 7);
  EXPECT_EQ(Value(s.StationWayCounter), 1);
  EXPECT_EQ(Value(s.Ways[0]), Value(track.Index));
  ASSERT_EQ(Value(s.StationBuildingcounter), 2);
  EXPECT_EQ(Value(s.ServiceFlags) & 16, 16);  // rail service from the platforms
  EXPECT_EQ(g_recalculated, std::vector<uint32_t>{Value(track.Station)});
  // The lane starts are stop nodes.
  EXPECT_NE(Value(NodeByIndex(track.Nodes[0]).Flags) & kNodeFlagStation, 0);
  EXPECT_NE(Value(NodeByIndex(track.Nodes[2]).Flags) & kNodeFlagStation, 0);
  for (int k = 1; k <= 2; ++k) {
    SCOPED_TRACE("platform " + std::to_string(k));
    const TBuilding p = StoredBuilding(s.Buildings[k - 1]);
    EXPECT_EQ(Value(p.BuildingType), kPlatformType);
    EXPECT_EQ(Value(p.State), 0);
    EXPECT_EQ(Value(p.Station), Value(track.Station));
    EXPECT_EQ(Value(p.Way), Value(track.Index));
    EXPECT_EQ(Value(p.Side), k);
    EXPECT_FLOAT_EQ(Value(p.HighHeight), 10.0f);
    EXPECT_FLOAT_EQ(Value(p.LowHeight), -90.0f);
    EXPECT_NEAR(Value(p.Corners[0].z), k == 1 ? 1015.0f : 965.0f, 1e-3f);
    // The platform's block mesh is stored as its mesh.
    ASSERT_NE(Value(p.Mesh), 0u);
    auto mesh = std::make_unique<TMeshdata2>();
    mesh->A_Read(p.Mesh);
    EXPECT_EQ(mesh->VertexCount, 20);
    EXPECT_FLOAT_EQ(mesh->Vertex(1).y, 10.0f);
  }
  // Pre-booked: the track's cost (500 long, 15 a unit) and both platforms.
  EXPECT_NEAR(PrevCost(), 500.0f * 15.0f + 2 * kPlatformPrice, 0.5f);
}

TEST_F(StationTracks, AnObjectUnderAPlatformIsACollision) {
  // Beside the track on its + side, clear of the track itself but under the platform.
  HouseAt(1200, 1020, 1300, 1030);
  EXPECT_EQ(Track(At(1000, 1000), At(1500, 1000), 0, 1), Set({18}));
  EXPECT_TRUE(Ways().empty());
  EXPECT_EQ(Buildings().size(), 1u);
}

TEST_F(StationTracks, ATrackThatCannotJoinItsStationAfterItsChecksStopsTheProgram) {
  // The station fills up after the checks, while the track's way is being created.
  g_fillStation = StationWith(0, 0);
  world_hooks::AddtoPrevCost = [](uint8_t, uint8_t, float) {
    auto s = std::make_unique<TStation>();
    s->A_Read(g_fillStation);
    s->StationWayCounter = 100;
    s->A_ReWrite();
  };
  EXPECT_EQ(FatalOf([&] { Track(At(1000, 1000), At(1500, 1000), g_fillStation, 1); }),
            Fatal("ERROR: incomplete station by TCurveline.ConstructRailStationTrack"));
}

// ---------------------------------------------------------------- wayed buildings

// A building type whose access way runs 100 along its +z axis from its anchor at the origin; the
// building stands beyond the way's end, 80 wide and 100 deep, 30 high. Type node 1 leads in to the
// capture node 5, 5 to the switcher 6 (scripted too), 6 out to type node 2.
class WayedBuildings : public StationConstruction {
 protected:
  void SetUp() override {
    StationConstruction::SetUp();
    Type(kBuildingKindDepot, kWaytypeRoad, 100.0f);
    auto mesh = std::make_unique<TMeshdata2>();
    mesh->Init();
    mesh->vxA(1, 10, 5, 150, 0, 0);
    mesh->A_Write();
    SetBuildingTypeMesh(type(), mesh->Index);
  }
  static TBuildingType& type() { return BuildingTypes[kWayedType]; }
  static void Type(uint8_t kind, uint8_t use, float length, float back = 0.0f) {
    TBuildingType& t = type();
    SetBuildingTypeFileName(t, "DEPOT.BIF");
    SetBuildingTypeUse(t, kind);
    SetBuildingTypeWayUse(t, use);
    SetBuildingTypePrice(t, static_cast<int32_t>(kPrice));
    SetBuildingTypeAccess(t, {0, 0, 0}, {0, 0, length});
    const TVector corners[4] = {
        {-40, 0, length - back}, {40, 0, length - back}, {40, 0, length + 100}, {-40, 0, length + 100}};
    for (int k = 1; k <= 4; ++k) SetBuildingTypeCorner(t, k, corners[k - 1]);
    SetBuildingTypeHeights(t, 0.0f, 30.0f);
    for (int i = 1; i <= kBuildingTypeNodes; ++i) SetBuildingTypeNode(t, i, {});
    Node(1, {0, 0, length}, 5);
    Node(5, {0, 0, length + 20}, 6);
    Node(6, {0, 0, length + 80}, 2);
    TBuildingTypeNode six = BuildingTypeNode(t, 6);
    six.Switcher = 1;
    six.Scripted = 1;
    SetBuildingTypeNode(t, 6, six);
    SetBuildingTypeDepot(t, {.CaptureNode = 5, .ExitNode = 6, .Nirvana = 0});
  }
  static void Depot(int32_t capture, int32_t exit) {
    SetBuildingTypeDepot(type(), {.CaptureNode = capture, .ExitNode = exit, .Nirvana = 0});
  }
  static void Node(int i, const TVector& position, uint8_t next1, uint8_t next2 = 0) {
    TBuildingTypeNode n;
    n.Position = position;
    n.Next[0] = next1;
    n.Next[1] = next2;
    SetBuildingTypeNode(type(), i, n);
  }
  TConstructResult Place(const TMetaconnect& a, uint8_t mode, const TVector& p = {0, 0, 0},
                         TConstructResult r = Set({0})) {
    ConstructWayedBuilding(kWayedType, a, p, *curve_, mode, r);
    return r;
  }
  // The road end at (1000, 1000) of a road from (500, 1000).
  TMetaconnect RoadEnd() { return EndOfWay(kWaytypeRoad, 500, 1000, 1000); }
  static TBuilding TheBuilding() {
    for (const TBuilding& b : Buildings())
      if (b.BuildingType == kWayedType) return b;
    ADD_FAILURE() << "no wayed building";
    return TBuilding{};
  }
  // The node of the inner way whose building node number is Number (0 none).
  static uint32_t NodeNumbered(const TWay& w, uint8_t number) {
    for (int i = 0; i < w.NodesCounter; ++i)
      if (NodeByIndex(w.Nodes[i]).Used == number) return w.Nodes[i];
    return 0;
  }
  static std::vector<uint32_t> NextOf(uint32_t n) {
    const TNode& node = NodeByIndex(n);
    std::vector<uint32_t> links;
    for (int k = 0; k < node.NextLinkCount; ++k) links.push_back(node.NextLinks[k]);
    return links;
  }
  static std::vector<uint32_t> PrevOf(uint32_t n) {
    const TNode& node = NodeByIndex(n);
    std::vector<uint32_t> links;
    for (int k = 0; k < node.PrevLinkCount; ++k) links.push_back(node.PrevLinks[k]);
    return links;
  }
  static std::vector<uint32_t> NodeList(const TWay& w) {
    std::vector<uint32_t> nodes;
    for (int i = 0; i < w.NodesCounter; ++i) nodes.push_back(w.Nodes[i]);
    return nodes;
  }
};

TEST_F(WayedBuildings, APreviewPlansTheAccessWayAndShowsTheTypesMeshTurnedOntoIt) {
  const TMetaconnect a = RoadEnd();
  ASSERT_EQ(Place(a, 0), Set({0}));
  ASSERT_EQ(curve_->conzahl, 2);
  EXPECT_TRUE(Near(Value(curve_->Slots[2].Position), {1100, 0, 1000}));
  EXPECT_EQ(curve_->PreviewBuilding[1], 1);
  // Local +z runs along world +x: (10, 5, 150) lies at (1150, 5, 990).
  ASSERT_EQ(Value(curve_->PreviewMeshes[1].VertexCount), 1);
  const TMeshVertex v = curve_->PreviewMeshes[1].Vertex(1);
  EXPECT_TRUE(Near({Value(v.x), Value(v.y), Value(v.z)}, {1150, 5, 990}));
  EXPECT_EQ(Ways().size(), 1u);
  EXPECT_TRUE(Buildings().empty());
}

TEST_F(WayedBuildings, ADepotGetsItsAccessWayNodesInnerWayAndDepotRecord) {
  SetBuildingTypeWaysInvisible(type(), 1);
  const TMetaconnect a = RoadEnd();
  const float before = PrevCost();
  ASSERT_EQ(Place(a, 1), Set({0}));
  EXPECT_EQ(curve_->PreviewBuilding[1], 0);  // a build shows nothing

  const TBuilding b = TheBuilding();
  EXPECT_EQ(Value(b.State), 0);
  ASSERT_EQ(Value(b.BuildingWayCounter), 2);
  const TWay access = Stored(b.Ways[0]), inner = Stored(b.Ways[1]);
  // The access way: owned, invisible, its building end a connect of kind 4.
  EXPECT_EQ(Value(access.Building), Value(b.Index));
  EXPECT_EQ(WayFlags(access) & kWayAccess, kWayAccess);
  EXPECT_EQ(WayCentreLink(access), kInvisibleWayLink);
  EXPECT_EQ(Value(ConnectByIndex(access.Connections[1]).WayType), kAccessEndConnect);
  EXPECT_TRUE(Near(ConnectAt(access, 1), {1100, 0, 1000}));
  EXPECT_EQ(Value(access.Connections[0]), Value(a.ConnectIndex));
  // The inner way: invisible, way type 5, owned; it lists type nodes 1, 2 and the inner nodes.
  EXPECT_EQ(Value(inner.Waytype), kWaytypeBuildingWay);
  EXPECT_EQ(Value(inner.Use), 0);
  EXPECT_EQ(Value(inner.Building), Value(b.Index));
  EXPECT_EQ(WayCentreLink(inner), kInvisibleWayLink);
  const uint32_t m1 = access.Nodes[3], m2 = access.Nodes[2], m3 = access.Nodes[1], m4 = access.Nodes[0];
  const uint32_t m5 = NodeNumbered(inner, 5), m6 = NodeNumbered(inner, 6);
  ASSERT_NE(m5, 0u);
  ASSERT_NE(m6, 0u);
  EXPECT_EQ(NodeList(inner),
            (std::vector<uint32_t>{m1, m2, m5, m6}));
  // Type nodes 3 and 4 stay with the access way.
  EXPECT_EQ(Value(NodeByIndex(m1).Way), Value(inner.Index));
  EXPECT_EQ(Value(NodeByIndex(m5).Way), Value(inner.Index));
  EXPECT_EQ(Value(NodeByIndex(m4).Way), Value(access.Index));
  for (const auto& [node, number] : {std::pair{m1, 1}, {m2, 2}, {m3, 3}, {m4, 4}, {m5, 5}, {m6, 6}})
    EXPECT_EQ(Value(NodeByIndex(node).Used), number);
  // Placed with the building: local (0, 0, 120) and (0, 0, 180).
  EXPECT_TRUE(Near(Value(NodeByIndex(m5).Position), {1120, 0, 1000}));
  EXPECT_TRUE(Near(Value(NodeByIndex(m6).Position), {1180, 0, 1000}));
  // In through 1 -> 5 -> 6 -> 2, out along lane 2.
  EXPECT_EQ(NextOf(m1), std::vector<uint32_t>{m5});
  EXPECT_EQ(NextOf(m5), std::vector<uint32_t>{m6});
  EXPECT_EQ(NextOf(m6), std::vector<uint32_t>{m2});
  EXPECT_EQ(NextOf(m2), std::vector<uint32_t>{m3});
  EXPECT_EQ(Value(NodeByIndex(m5).Flags), kNodeFlagCapture | kNodeFlagStation);
  EXPECT_EQ(Value(NodeByIndex(m6).Flags), kNodeFlagSwitcher | kNodeFlagScripted);
  // The depot.
  ASSERT_NE(Value(b.Depot), 0u);
  TDepot d{};
  d.A_Read(b.Depot);
  EXPECT_EQ(Value(d.Flags), 6);
  EXPECT_EQ(Value(d.Building), Value(b.Index));
  EXPECT_EQ(Value(d.DepotKind), 0);
  EXPECT_EQ(Value(d.ExitNode), m6);
  EXPECT_EQ(Value(d.TrainInsideCounter), 0);
  // The building and its access way are pre-booked (the access way 100 long, 10 a unit).
  EXPECT_NEAR(PrevCost() - before, kPrice + 100.0f * 10.0f, 0.5f);
}

TEST_F(WayedBuildings, AStationTypeFoundsItsStationWithTheBuildingAndItsWays) {
  Type(kBuildingKindStation, kWaytypeRail, 100.0f);
  const TMetaconnect a = EndOfWay(kWaytypeRail, 500, 1000, 1000);
  ASSERT_EQ(Place(a, 1), Set({0}));
  const TBuilding b = TheBuilding();
  ASSERT_NE(Value(b.Station), 0u);
  EXPECT_EQ(Value(b.Depot), 0u);
  const TStation s = StoredStation(b.Station);
  EXPECT_EQ(g_named, std::vector<uint16_t>{kWayedType});
  EXPECT_EQ(Value(s.Number), 7);
  EXPECT_EQ(Value(s.HandlingRate), 10);
  ASSERT_EQ(Value(s.StationBuildingcounter), 1);
  EXPECT_EQ(Value(s.Buildings[0]), Value(b.Index));
  ASSERT_EQ(Value(s.StationWayCounter), 2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Value(s.Ways[i]), Value(b.Ways[i]));
    EXPECT_EQ(Value(Stored(b.Ways[i]).Station), Value(b.Station));
    EXPECT_EQ(Value(Stored(b.Ways[i]).Use), 1);
  }
  EXPECT_EQ(g_recalculated, std::vector<uint32_t>{Value(b.Station)});
  // The capture node of a station is no depot's stop.
  const uint32_t m5 = NodeNumbered(Stored(b.Ways[1]), 5);
  EXPECT_EQ(Value(NodeByIndex(m5).Flags), kNodeFlagCapture);
}

TEST_F(WayedBuildings, ABuildingOfAnotherKindKeepsItsWaysInTheStoredRecord) {
  Type(5, kWaytypeRoad, 100.0f);
  SetBuildingTypeDepot(type(), {});
  ASSERT_EQ(Place(RoadEnd(), 1), Set({0}));
  const TBuilding b = TheBuilding();
  EXPECT_EQ(Value(b.Depot), 0u);
  EXPECT_EQ(Value(b.Station), 0u);
  ASSERT_EQ(Value(b.BuildingWayCounter), 2);
  EXPECT_EQ(Value(Stored(b.Ways[0]).Building), Value(b.Index));
  EXPECT_EQ(Value(Stored(b.Ways[1]).Waytype), kWaytypeBuildingWay);
  // A visible type's access way is drawn.
  EXPECT_EQ(WayFlags(Stored(b.Ways[0])) & kWayAccess, 0);
  EXPECT_EQ(WayCentreLink(Stored(b.Ways[0])), 0u);
}

TEST_F(WayedBuildings, AnInnerNodeIsMadeWhenItLinksOrIsLinkedAndNotOtherwise) {
  Node(8, {10, 0, 150}, 7);  // 7 is only the target of 8
  Node(7, {20, 0, 150}, 0);
  Node(9, {30, 0, 150}, 0);  // no link at all
  const TMetaconnect a = RoadEnd();
  const uint32_t nodesBefore = NodeArrayLast;
  ASSERT_EQ(Place(a, 1), Set({0}));
  const TWay inner = Stored(TheBuilding().Ways[1]);
  EXPECT_EQ(Value(inner.NodesCounter), 6);  // 1, 2, 5, 6, 7, 8
  ASSERT_NE(NodeNumbered(inner, 7), 0u);
  ASSERT_NE(NodeNumbered(inner, 8), 0u);
  EXPECT_EQ(NextOf(NodeNumbered(inner, 8)), std::vector<uint32_t>{NodeNumbered(inner, 7)});
  for (uint32_t n = 1; n <= NodeArrayLast; ++n) EXPECT_NE(Value(NodeByIndex(n).Used), 9) << "node " << n;
  // Two new lane nodes at the building end and four inner nodes.
  EXPECT_EQ(NodeArrayLast - nodesBefore, 6u);
}

TEST_F(WayedBuildings, TheAccessWayMustBeOnePieceOnTheGround) {
  struct Case {
    const char* name;
    float length;
    float y;
    bool hills;
    TConstructResult result;
  };
  for (const Case& c : {Case{"anchor on the end point", 0.0f, 0.0f, false, Set({2})},
                        Case{"longer than a piece", 1200.0f, 0.0f, false, Set({13})},
                        Case{"a bridge", 100.0f, 100.0f, false, Set({11})},
                        Case{"a bridge and a cutting", 400.0f, 0.0f, true, Set({12})}}) {
    SCOPED_TRACE(c.name);
    Type(kBuildingKindDepot, kWaytypeRoad, c.length);
    for (int x = 9; x <= 15; ++x) {
      for (int z = 8; z <= 12; ++z) HeightMap[x][z] = c.hills ? (x <= 11 ? -30 : 80) : 0;
    }
    TMetaconnect a = Meta(kWaytypeRoad, 1000, 1000);
    a.Position.y = c.y;
    EXPECT_EQ(Place(a, 1, {1500, 0, 1000}), c.result);
    if (c.hills) {
      EXPECT_EQ(WayFlags(Value(curve_->Pieces[1].Way)) & (kWayBridge | kWayCutting), kWayBridge | kWayCutting);
    }
    EXPECT_TRUE(Ways().empty());
    EXPECT_TRUE(Buildings().empty());
  }
}

TEST_F(WayedBuildings, TheFarEndOfTheAccessWayMustLieWhereAConnectMayBePlaced) {
  GroundMap[11][10] = 0;  // water at (1100, 1000)
  EXPECT_EQ(Place(RoadEnd(), 1), Set({9}));
  EXPECT_EQ(Ways().size(), 1u);
}

TEST_F(WayedBuildings, APointOnAnUndirectedConnectIsRefusedWithNothingPlanned) {
  // Element 2 joins what the caller had and success goes.
  for (const auto& [before, after] : {std::pair{Set({0}), Set({2})}, {Set({27}), Set({2, 27})}}) {
    SCOPED_TRACE(before.Elements());
    curve_->PreviewBuilding[1] = 1;
    EXPECT_EQ(Place(Meta(kWaytypeRoad, 1000, 1000), 1, {1000, 50, 1000}, before), after);
    EXPECT_EQ(curve_->conzahl, 0);
    EXPECT_EQ(curve_->PreviewBuilding[1], 0);
    EXPECT_EQ(Ways().size(), 0u);
  }
}

TEST_F(WayedBuildings, TheWayAtTheConnectIsNoCollisionButOtherObjectsAre) {
  // The building reaches back 60 over the road's end.
  Type(kBuildingKindDepot, kWaytypeRoad, 100.0f, 160.0f);
  const TMetaconnect a = RoadEnd();
  EXPECT_EQ(Place(a, 0), Set({0}));
  HouseAt(1150, 990, 1160, 1000);
  EXPECT_EQ(Place(a, 1), Set({18}));
  EXPECT_EQ(Ways().size(), 1u);
  // The preview is refused as well.
  EXPECT_EQ(Place(a, 0), Set({18}));
}

TEST_F(WayedBuildings, ADepotWithoutCaptureNodeStopsTheProgramBeforeBuildingAnything) {
  SetBuildingTypeDepot(type(), {.CaptureNode = 0, .ExitNode = 6, .Nirvana = 0});
  const TMetaconnect a = RoadEnd();
  // A preview does not build, so it shows the building.
  EXPECT_EQ(Place(a, 0), Set({0}));
  const uint32_t nodesBefore = NodeArrayLast;
  EXPECT_EQ(FatalOf([&] { Place(a, 1); }),
            Fatal("Error in ConstructWayedBuilding: it should be a depot, but there is no capture node!"));
  EXPECT_EQ(Ways().size(), 1u);
  EXPECT_TRUE(Buildings().empty());
  EXPECT_EQ(NodeArrayLast, nodesBefore);
}

// The fixture's depot: 1 -> 5 -> 6 -> 2, capture 5, exit 6; lane 1 (4 -> 1) and lane 2 (2 -> 3)
// are the access way's, and 4 and 3 carry one link each into the road at the connect.
TEST_F(WayedBuildings, ATypeWhoseNodeReferencesCannotBeHonouredIsRefusedBeforeAnythingIsMade) {
  struct Case {
    const char* name;
    void (*edit)();
    TConstructResult result;
  };
  const Case cases[] = {
      {"a lane end leads to an inner node that nothing links",
       [] {
         Node(1, {0, 0, 100}, 20, 5);
         Node(20, {0, 0, 140}, 0);
       },
       Set({29})},
      {"an inner node names a node past 100", [] { Node(5, {0, 0, 120}, 150, 6); }, Set({29})},
      {"a lane end names a node past 100", [] { Node(2, {0, 0, 100}, 0, 101); }, Set({29})},
      {"the exit node is 0", [] { Depot(5, 0); }, Set({29})},
      {"the exit node names no created node", [] { Depot(5, 99); }, Set({29})},
      {"the capture node names no created node", [] { Depot(9, 6); }, Set({29})},
      {"the capture node is negative", [] { Depot(-1, 6); }, Set({29})},
      {"a building of another kind with a capture node past 100",
       [] {
         SetBuildingTypeUse(type(), 5);
         Depot(120, 0);
       },
       Set({29})},
      {"a building of another kind needs no exit",
       [] {
         SetBuildingTypeUse(type(), 5);
         Depot(5, 0);
       },
       Set({0})},
      {"an inner node with three previous links",
       [] {
         Node(7, {10, 0, 150}, 6);
         Node(8, {20, 0, 150}, 6);
       },
       Set({29})},
      {"an inner node with two previous links", [] { Node(7, {10, 0, 150}, 6); }, Set({0})},
      {"the building end of lane 1 with two more previous links",
       [] {
         Node(7, {10, 0, 150}, 1, 5);
         Node(6, {0, 0, 180}, 1);
       },
       Set({29})},
      {"the same once lane 1 enters the building at once",
       [] {
         Node(4, {0, 0, 0}, 5);
         Node(1, {0, 0, 100}, 0);
         Node(7, {10, 0, 150}, 1, 5);
         Node(6, {0, 0, 180}, 1, 2);
       },
       Set({0})},
      {"the network end of lane 1 with two more previous links",
       [] {
         Node(5, {0, 0, 120}, 6, 4);
         Node(6, {0, 0, 180}, 2, 4);
       },
       Set({29})},
      {"the network end of lane 1 with one more previous link", [] { Node(5, {0, 0, 120}, 6, 4); }, Set({0})},
  };
  float z = 1000;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Type(kBuildingKindDepot, kWaytypeRoad, 100.0f);
    c.edit();
    z += 1000;
    const TMetaconnect a = EndOfWay(kWaytypeRoad, 500, 1000, z);
    const size_t ways = Ways().size(), buildings = Buildings().size();
    const uint32_t nodesBefore = NodeArrayLast;
    // The preview refuses alike; a refused build makes nothing (and a node number that names no node
    // is never looked up: the pool has no entry 0).
    EXPECT_EQ(Place(a, 0), c.result);
    EXPECT_EQ(Place(a, 1), c.result);
    if (c.result.Ok()) {
      EXPECT_EQ(Buildings().size(), buildings + 1);
      continue;
    }
    EXPECT_EQ(Ways().size(), ways);
    EXPECT_EQ(Buildings().size(), buildings);
    EXPECT_EQ(NodeArrayLast, nodesBefore);
  }
}

TEST_F(WayedBuildings, ALaneEndThatLeadsElsewhereLeavesNoLinkBehindAtItsOldTarget) {
  // Lane 1 enters the building at once: type node 4 (the access way's first node) leads to 5.
  Node(1, {0, 0, 100}, 0);
  Node(4, {0, 0, 0}, 5);
  ASSERT_EQ(Place(RoadEnd(), 1), Set({0}));
  const TBuilding b = TheBuilding();
  const TWay access = Stored(b.Ways[0]), inner = Stored(b.Ways[1]);
  const uint32_t m1 = access.Nodes[3], m4 = access.Nodes[0], m5 = NodeNumbered(inner, 5);
  EXPECT_EQ(NextOf(m4), std::vector<uint32_t>{m5});
  EXPECT_EQ(PrevOf(m5), std::vector<uint32_t>{m4});
  EXPECT_TRUE(PrevOf(m1).empty());
}

// ---------------------------------------------------------------- station buildings

// The station building's reference points lie 100 apart along its +x axis; its ground plan lies
// beside them, 10..50 along +z.
class StationBuildings : public StationConstruction {
 protected:
  void SetUp() override {
    StationConstruction::SetUp();
    SpecialBuildingTypes[kStationBuildingTypeEntry] = kStationBuildingType;
    TBuildingType& t = BuildingTypes[kStationBuildingType];
    SetBuildingTypePrice(t, 700);
    SetBuildingTypeReferencePoint(t, 1, {0, 0, 0});
    SetBuildingTypeReferencePoint(t, 2, {100, 0, 0});
    const TVector corners[4] = {{0, 0, 10}, {100, 0, 10}, {100, 0, 50}, {0, 0, 50}};
    for (int k = 1; k <= 4; ++k) SetBuildingTypeCorner(t, k, corners[k - 1]);
    SetBuildingTypeHeights(t, 0.0f, 20.0f);
    auto mesh = std::make_unique<TMeshdata2>();
    mesh->Init();
    mesh->vxA(1, 50, 5, 30, 0, 0);
    mesh->A_Write();
    SetBuildingTypeMesh(t, mesh->Index);
  }
  TConstructResult Place(TStation& s, std::span<const uint32_t> exclude, uint8_t mode) {
    TConstructResult r = Set({30});
    ConstructStationBuilding(*curve_, {2000, 0, 2000}, {2000, 0, 2100}, s, exclude, mode, r);
    return r;
  }
};

TEST_F(StationBuildings, TheBuildingFitsItsReferencePointsAndJoinsTheStationPreBooked) {
  TStation s = StoredStation(StationWith(3, 1));
  EXPECT_EQ(Place(s, {}, 0), Set({0}));
  EXPECT_EQ(curve_->PreviewBuilding[1], 1);
  // Local +x runs along world +z: (50, 5, 30) lies at (1970, 5, 2050).
  ASSERT_EQ(Value(curve_->PreviewMeshes[1].VertexCount), 1);
  const TMeshVertex v = curve_->PreviewMeshes[1].Vertex(1);
  EXPECT_TRUE(Near({Value(v.x), Value(v.y), Value(v.z)}, {1970, 5, 2050}, 1e-2f));
  EXPECT_TRUE(Buildings().empty());

  const float before = PrevCost();
  EXPECT_EQ(Place(s, {}, 1), Set({0}));
  ASSERT_EQ(Buildings().size(), 1u);
  const TBuilding b = Buildings()[0];
  EXPECT_EQ(Value(b.BuildingType), kStationBuildingType);
  EXPECT_EQ(Value(b.State), 0);
  EXPECT_EQ(Value(b.Station), Value(s.Index));
  EXPECT_TRUE(Near(Value(b.Corners[0]), {1990, 0, 2000}, 1e-2f));
  EXPECT_TRUE(Near(Value(b.Corners[2]), {1950, 0, 2100}, 1e-2f));
  EXPECT_NEAR(PrevCost() - before, 700.0f, 0.01f);
  const TStation stored = StoredStation(s.Index);
  ASSERT_EQ(Value(stored.StationBuildingcounter), 4);
  EXPECT_EQ(Value(stored.Buildings[3]), Value(b.Index));
}

TEST_F(StationBuildings, AFullStationRefusesTheBuildingButThePreviewStillShowsIt) {
  TStation s = StoredStation(StationWith(100, 0));
  EXPECT_EQ(Place(s, {}, 0), Set({18}));
  EXPECT_EQ(curve_->PreviewBuilding[1], 1);
  EXPECT_EQ(Value(curve_->PreviewMeshes[1].VertexCount), 1);
  EXPECT_EQ(Place(s, {}, 1), Set({18}));
  EXPECT_TRUE(Buildings().empty());
}

TEST_F(StationBuildings, OnlyObjectsOutsideTheExclusionListCollide) {
  TStation s = StoredStation(StationWith(0, 0));
  const uint32_t house = HouseAt(1960, 2040, 1970, 2050);
  EXPECT_EQ(Place(s, {}, 1), Set({18}));
  const uint32_t exclude[2] = {7777, house};
  EXPECT_EQ(Place(s, exclude, 1), Set({0}));
  EXPECT_EQ(Buildings().size(), 2u);
}

}  // namespace
