// The command handlers: each tool's interactive form previews under the mouse and posts, the queue
// runs the executing form and the world changes as a direct build; refusals for vanished objects and
// payloads that name nothing; the follow-up of a curve; the removal cascade with its planning marks.
#include "economy/step/handlers.h"
#include "economy/step/shiphandlers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "economy/step/commands.h"
#include "economy/step/services.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/gui/mousemode.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/nodepool.h"
#include "engine/world/building.h"
#include "network/construction/buildings.h"
#include "network/construction/connects.h"
#include "network/construction/curveline.h"
#include "network/construction/stationtracks.h"
#include "network/construction/wayextension.h"
#include "network/picking.h"
#include "network/track/stations.h"
#include "network/track/trackfields.h"
#include "tests/network/construction/crossing_fixture.h"

namespace {

using namespace construction_testing;

template <class T>
T Value(T v) {
  return v;
}

TMetaconnect Rail(float x, float z) { return Meta(kWaytypeRail, x, z); }

constexpr uint16_t kPlatformType = 30, kStationBuildingType = 31, kPillarType = 32, kDepotType = 40;

class Handlers : public CrossingTest {
 protected:
  void SetUp() override {
    CrossingTest::SetUp();
    ResetCommandQueue();
    InitUserInterface();
    InstallCommandHandlers();
    Players[1].PrevCost = 0.0L;
  }
  void TearDown() override {
    command_handlers::InstallDefaults();
    FreeBuildMode = 0;
    CrossingTest::TearDown();
  }

  // The mouse over P: the local player's camera above and before it, the ray through P.
  static void AimAt(const TVector& p) {
    TPlacement& cam = Players[LocalPlayer].Camera;
    cam.X = p.x;
    cam.Y = p.y + 400.0f;
    cam.Z = p.z - 300.0f;
    MouseRay = {p.x - cam.X, p.y - cam.Y, p.z - cam.Z};
  }
  // The mouse pointing at the sky: nothing under it.
  static void AimAtSky() {
    AimAt({3000, 0, 3000});
    MouseRay = {0, 1, 0};
  }
  // The posted messages run (in the tick they are due).
  static void RunQueue() {
    GameTime = CommandDueTick(CommandQueue);
    ExecuteCommands();
  }
  static int Posted() {
    int n = 0;
    for (const TCommandSlot& s : CommandQueue.Slots) n += s.Player != 0;
    return n;
  }
  static uint16_t PostedCommand() {
    for (const TCommandSlot& s : CommandQueue.Slots)
      if (s.Player != 0) return s.Command;
    return 0;
  }

  // Everything a build changes: the stored ways, buildings, stations, trees, depots and meshes
  // byte for byte, the used connects and nodes, the player's pre-booked cost and the heights.
  // One hash per part: ways, buildings, object-array entries, stations, meshes, connects, nodes,
  // the pre-booked cost and a row of heights.
  static std::vector<uint64_t> World() {
    std::vector<uint64_t> parts;
    THashWriter h;
    auto add = [&h](const void* p, size_t n) { h.Bytes(p, n); };
    auto next = [&] {
      parts.push_back(h.Value());
      h = THashWriter();
    };
    for (uint32_t i = FindInArrayerBW(kARTypeWay, 0); i != 0; i = FindInArrayerBW(kARTypeWay, i)) {
      const TWay w = ReadWay(i);
      add(&w, sizeof w);
    }
    next();
    for (uint32_t i = FindInArrayerBW(kARTypeBuilding, 0); i != 0; i = FindInArrayerBW(kARTypeBuilding, i)) {
      TBuilding b{};
      b.A_Read(i);
      add(&b, sizeof b);
    }
    next();
    for (uint32_t i = FindInArrayerOA(kARTypeStation | kARTypeTree | kARTypeDepot, 0); i != 0;
         i = FindInArrayerOA(kARTypeStation | kARTypeTree | kARTypeDepot, i)) {
      h.U32(i);
    }
    next();
    for (uint32_t i = FindInArrayerOA(kARTypeStation, 0); i != 0; i = FindInArrayerOA(kARTypeStation, i)) {
      auto st = std::make_unique<TStation>();
      st->A_Read(i);
      add(st.get(), sizeof *st);
    }
    next();
    for (uint32_t i = FindInArrayerRest(kARTypeMeshdata2, 0); i != 0; i = FindInArrayerRest(kARTypeMeshdata2, i)) {
      auto m = std::make_unique<TMeshdata2>();
      m->A_Read(i);
      add(m.get(), sizeof *m);
    }
    next();
    for (uint32_t c = FindNextConnect(0); c != 0; c = FindNextConnect(c)) {
      const TConnect k = ConnectByIndex(c);
      h.U32(c);
      h.U8(k.WayType);
      h.Vec(k.Position);
      h.U32(k.WayA);
      h.U32(k.WayB);
      h.U32(k.JunctionBuilding);
    }
    next();
    for (uint32_t n = 1; n <= NodeArrayCount; ++n) {
      if (NodeByIndex(n).Used != 0) add(&NodeByIndex(n), sizeof(TNode));
    }
    next();
    h.Ext(Players[1].PrevCost);
    next();
    add(HeightMap[20], sizeof HeightMap[20]);
    next();
    return parts;
  }

  // An empty world on flat land, nothing booked.
  static void Fresh() {
    ArrayerReset();
    std::memset(HeightMap, 0, sizeof HeightMap);
    Players[1].PrevCost = 0.0L;
    GameTime = 0;
  }

  // The world that Start builds, changed once through the interactive form and the queue and once
  // by the executing form called directly: both must come out the same, and differ from the start.
  void ExpectRoundTrip(const std::function<void()>& start, const std::function<void()>& interactive,
                       const std::function<TConstructResult()>& direct, uint16_t command) {
    Fresh();
    start();
    const std::vector<uint64_t> before = World();
    interactive();
    ASSERT_EQ(Posted(), 1);
    EXPECT_EQ(PostedCommand(), command);
    EXPECT_EQ(World(), before) << "the preview changed the world";
    RunQueue();
    const uint32_t ranAt = GameTime;
    EXPECT_EQ(Posted(), 0);
    EXPECT_NE(StatusLine.str(), "Commanqueue Error");
    const std::vector<uint64_t> queued = World();
    EXPECT_NE(queued, before);

    Fresh();
    start();
    GameTime = ranAt;  // what is built records the tick it was built in
    EXPECT_EQ(direct(), Set({0}));
    EXPECT_EQ(World(), queued);
  }
};

// ---------------------------------------------------------------- the table

TEST_F(Handlers, TheEconomyInstallsEveryHandler) {
  command_handlers::InstallDefaults();
  InstallEconomyServices();
  const auto& h = command_handlers::Handlers;
  EXPECT_EQ(h.BuildCurveWay, &BuildCurveWay);
  EXPECT_EQ(h.RemoveWay, &RemoveWay);
  EXPECT_EQ(h.ConvertToStationTrack, &ConvertToStationTrack);
  EXPECT_EQ(h.ContinueCurvePlacement, &ContinueCurvePlacement);
  EXPECT_EQ(h.BuildCoastBuilding, &BuildCoastBuilding);
  EXPECT_EQ(h.PlaceHarbour, &PlaceHarbour);
  EXPECT_EQ(h.BuildShipLanding, &BuildShipLanding);
  building_hooks::InstallDefaults();
  world_hooks::InstallDefaults();
  step_hooks::InstallDefaults();
}

TEST_F(Handlers, TheConstructionLogIsOnForPreviewsOnly) {
  GlobalPieceLog.Count = 5;
  SelectConstructionLog(1);
  EXPECT_EQ(GlobalCurveline->PieceLog, &GlobalPieceLog);
  EXPECT_EQ(GlobalPieceLog.Count, 0);
  SelectConstructionLog(0);
  EXPECT_EQ(GlobalCurveline->PieceLog, nullptr);
}

// ---------------------------------------------------------------- trees

TEST_F(Handlers, ATreeFromTheQueueTurnsByItsRoundedHeightOnly) {
  const TVector points[] = {{1000, 10.4f, 1000}, {5000, 9.6f, 700}, {300, 10.0f, 9000}};
  for (const TVector& p : points) PostCommand(CommandQueue, 1, kCmdPlantTree, PackCommandArgs(TPlantTreeArgs{p, 3}));
  RunQueue();
  std::vector<TTree> trees;
  for (uint32_t i = FindInArrayerOA(kARTypeTree, 0); i != 0; i = FindInArrayerOA(kARTypeTree, i)) {
    TTree t{};
    t.A_Read(i);
    trees.push_back(t);
  }
  ASSERT_EQ(trees.size(), 3u);
  for (const TTree& t : trees) {
    EXPECT_EQ(Value(t.Rotation), static_cast<float>(HashRandom(10, 360)));
    EXPECT_EQ(Value(t.Kind), 3);
    EXPECT_EQ(Value(t.Scale), 1.0f);
  }
  EXPECT_TRUE(Near(Value(trees[1].Position), points[1]));
}

TEST_F(Handlers, APlantedTreeStandsOnTheTerrainUnderTheMouse) {
  AimAtSky();
  EXPECT_FALSE(PlantTree({}, 1, 1, 1));
  AimAt({2000, 0, 2000});
  EXPECT_TRUE(PlantTree({}, 1, 1, 0));  // the test stores nothing
  EXPECT_EQ(FindInArrayerOA(kARTypeTree, 0), 0u);
  EXPECT_TRUE(PlantTree({}, 1, 1, 1));
  TTree t{};
  t.A_Read(FindInArrayerOA(kARTypeTree, 0));
  EXPECT_TRUE(Near(Value(t.Position), {2000, 0, 2000}, 0.5f));
  EXPECT_EQ(Posted(), 0);
}

// ---------------------------------------------------------------- curves

TEST_F(Handlers, ACurveClickedIsPostedAndBuildsAsADirectBuild) {
  const TVector a{1000, 0, 1000}, b{1600, 0, 1000};
  ExpectRoundTrip(
      [] {},
      [&] {
        PlacementPoints[0] = a;
        AimAt(b);
        TConstructResult r{};
        BuildCurveWay(0, 0, 0, a, b, 1, 1, r);
        EXPECT_EQ(r, Set({0}));
        EXPECT_EQ(MouseMode, 0);
        EXPECT_EQ(MouseModeChanged, 0);
        EXPECT_TRUE(Near(PlacementPoints[1], {1600, 1, 1000}, 0.5f));
      },
      [&] {
        TConstructResult r{};
        BuildCurveWay(0, 0, 0, a, PlacementPoints[1], 0, 1, r);
        return r;
      },
      kCmdBuildCurveWay);
  EXPECT_FALSE(WaysOfType(kWaytypeStreet).empty());
}

TEST_F(Handlers, AfterACurveTheToolGoesOnFromItsEndOrStartsAnewAtAFullConnect) {
  struct Case {
    const char* name;
    uint8_t waytype, secondTrack;
    bool full;
    uint8_t mode;
  };
  const Case cases[] = {
      {"road", 0, 0, false, 9},          {"rail", 1, 0, false, 15},          {"second track", 1, 1, false, 17},
      {"road, full end", 0, 0, true, 8}, {"rail, full end", 1, 0, true, 14}, {"second track, full end", 1, 1, true, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayerReset();
    const uint8_t wt = c.waytype == 0 ? kWaytypeRoad : kWaytypeRail;
    const TVector end{1600, 0, 1000};
    if (c.full) {
      // A way already ends at the end point from the far side: the curve makes it a through point.
      Lay(wt, Meta(wt, 2200, 1000), Meta(wt, end.x, end.z));
    }
    PostBuildCurveWay(CommandQueue, 1, c.waytype, c.secondTrack, 0, {1000, 0, 1000}, end);
    MouseMode = 3;
    MouseModeChanged = 0;
    RunQueue();
    EXPECT_NE(StatusLine.str(), "Commanqueue Error");
    EXPECT_EQ(MouseMode, c.mode);
    EXPECT_TRUE(Near(PlacementPoints[0], end, 0.01f));
  }
}

TEST_F(Handlers, AFailingPreviewIsNeverPostedAndTheToolStays) {
  // The curve would end on water.
  for (auto& row : GroundMap)
    for (uint8_t& g : row) g = 5;
  GroundMap[16][10] = 2;
  MouseMode = 9;
  MouseModeChanged = 1;
  PlacementPoints[0] = {1000, 0, 1000};
  AimAt({1600, 0, 1000});
  TConstructResult r{};
  BuildCurveWay(0, 0, 0, PlacementPoints[0], {}, 1, 1, r);
  EXPECT_FALSE(r.Ok());
  // A curve too short to build.
  PlacementPoints[0] = {1000, 1, 1000};
  AimAt({1000.3f, 0, 1000});
  BuildCurveWay(0, 0, 0, PlacementPoints[0], {}, 1, 1, r);
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(Posted(), 0);
  EXPECT_EQ(MouseMode, 9);
  EXPECT_EQ(MouseModeChanged, 1);

  // Nothing under the mouse.
  AimAtSky();
  BuildCurveWay(0, 0, 0, PlacementPoints[0], {}, 1, 1, r);
  EXPECT_EQ(r, Set({2}));
  EXPECT_EQ(Posted(), 0);
}

TEST_F(Handlers, ThePickTakesTheConnectUnderTheMouse) {
  const uint32_t way = Lay(kWaytypeRoad, Road(1000, 1000), Road(1600, 1000));
  AimAt({1608, 0, 1004});
  TMetaconnect m{};
  TConstructResult r{};
  PickPlacementTarget(kWaytypeRoad, m, r);
  EXPECT_EQ(r, Set({0}));
  EXPECT_NE(m.ConnectIndex, 0u);
  EXPECT_TRUE(Near(Value(m.Position), {1600, 0, 1000}));
  EXPECT_EQ(m.HasDirection, 1);
  (void)way;
  // Open ground: a new point 1.0 above the terrain.
  AimAt({3000, 0, 3000});
  PickPlacementTarget(kWaytypeRoad, m, r);
  EXPECT_EQ(r, Set({0}));
  EXPECT_EQ(m.ConnectIndex, 0u);
  EXPECT_TRUE(Near(Value(m.Position), {3000, 1, 3000}, 0.5f));
  AimAtSky();
  PickPlacementTarget(kWaytypeRoad, m, r);
  EXPECT_EQ(r, Set({2}));
}

// ---------------------------------------------------------------- routers, crossings, extensions

TEST_F(Handlers, ARouterClickedIsPostedAndBuildsAsADirectBuild) {
  const TVector a{1000, 0, 1000}, b{1200, 0, 1000};
  const TVector c{1030 + std::cos(0.2792527f) * 280, 0, 1000 + std::sin(0.2792527f) * 280};
  ExpectRoundTrip(
      [] {},
      [&] {
        AimAt(c);
        TConstructResult r{};
        BuildWay(a, b, {}, 0, 1, 1, r);
        EXPECT_EQ(r, Set({0}));
      },
      [&] {
        TConstructResult r{};
        BuildWay(a, b, PlacementPoints[2], 0, 0, 1, r);
        return r;
      },
      kCmdBuildWay);
  EXPECT_EQ(WaysOfType(kWaytypeRouter).size(), 4u);
}

TEST_F(Handlers, CrossingsClickedArePostedAndBuildAsADirectBuild) {
  ExpectRoundTrip(
      [] {},
      [&] {
        AimAt({1000, 0, 800});
        TConstructResult r{};
        BuildXCrossing({800, 0, 1000}, {1200, 0, 1000}, {1000, 0, 1200}, {}, 0, 1, 1, r);
        EXPECT_EQ(r, Set({0}));
      },
      [&] {
        TConstructResult r{};
        BuildXCrossing({800, 0, 1000}, {1200, 0, 1000}, {1000, 0, 1200}, PlacementPoints[3], 0, 0, 1, r);
        return r;
      },
      kCmdBuildXCrossing);
  EXPECT_EQ(WaysOfType(kWaytypeXCrossing).size(), 5u);

  ArrayerReset();
  ExpectRoundTrip(
      [] {},
      [&] {
        AimAt({1000, 0, 1200});
        TConstructResult r{};
        BuildTCrossing({800, 0, 1000}, {1200, 0, 1000}, {}, 0, 1, 1, r);
        EXPECT_EQ(r, Set({0}));
      },
      [&] {
        TConstructResult r{};
        BuildTCrossing({800, 0, 1000}, {1200, 0, 1000}, PlacementPoints[2], 0, 0, 1, r);
        return r;
      },
      kCmdBuildTCrossing);
  EXPECT_EQ(WaysOfType(kWaytypeTCrossing).size(), 4u);
}

TEST_F(Handlers, ARouterIntoATrackAndAnExtensionOntoAStreetRunFromTheQueue) {
  const uint32_t track = Lay(kWaytypeRail, Rail(500, 1000), Rail(1500, 1000));
  // The ray meets the track from above at x 1000.
  PostCommand(CommandQueue, 1, kCmdBuildRouter,
              PackCommandArgs(TRouterArgs{0, {1000, 300, 700}, {0, -300, 300}, {1400, 0, 1200}, 0}));
  RunQueue();
  EXPECT_NE(StatusLine.str(), "Commanqueue Error");
  EXPECT_EQ(WaysOfType(kWaytypeRouter).size(), 4u);
  (void)track;

  Lay(kWaytypeRoad, Road(500, 3000), Road(1500, 3000));
  TConstructResult r{};
  ExtendWayAtPick({1000, 300, 2700}, {0, -300, 300}, {1000, 0, 3300}, 0, 0, 1, r);
  EXPECT_EQ(r, Set({0}));
  EXPECT_EQ(WaysOfType(kWaytypeTCrossing).size(), 4u);

  // No way under the ray.
  const std::vector<uint64_t> before = World();
  BuildRouter({5000, 300, 4700}, {0, -300, 300}, {5400, 0, 5200}, 0, 0, 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  ExtendWayAtPick({5000, 300, 4700}, {0, -300, 300}, {5000, 0, 5300}, 0, 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  EXPECT_EQ(World(), before);
}

TEST_F(Handlers, AStreetExtendedAcrossARoadIsPostedAndBuildsAnXCrossing) {
  uint32_t street = 0;
  ExpectRoundTrip(
      [&] { street = Lay(kWaytypeRoad, Road(500, 1000), Road(1500, 1000)); },
      [&] {
        AimAt({1050, 0, 1300});
        TConstructResult r{};
        ExtendWay({1050, 0, 700}, {}, street, 0, 1, 1, r);
        EXPECT_EQ(r, Set({0}));
      },
      [&] {
        TConstructResult r{};
        ExtendWay({1050, 0, 700}, PlacementPoints[1], street, 0, 0, 1, r);
        return r;
      },
      kCmdExtendWay);
  EXPECT_EQ(WaysOfType(kWaytypeXCrossing).size(), 5u);
}

TEST_F(Handlers, AnExtensionFindsTheRoadItCrossesOrRefuses) {
  const uint32_t first = Lay(kWaytypeRoad, Road(500, 1000), Road(1000, 1000));
  TMetaconnect from{};
  TConstructResult r{};
  FindOrCreateConnect(kWaytypeRoad, {1000, 0, 1000}, from, r);
  const uint32_t second = Lay(kWaytypeRoad, from, Road(1500, 1000));
  // Named the first road, crossing the second: the neighbour is taken.
  ExtendWayFindTarget(first, {1250, 0, 700}, {1250, 0, 1300}, r);
  EXPECT_EQ(r, Set({0}));
  EXPECT_EQ(ExtendWayInfo.Way, second);
  // Crossing neither.
  ExtendWayFindTarget(first, {3000, 0, 700}, {3000, 0, 1300}, r);
  EXPECT_EQ(r, Set({18}));
  // Ending on the road: no fourth arm.
  ExtendWayFindTarget(first, {750, 0, 1000}, {750, 0, 1300}, r);
  EXPECT_EQ(r, Set({17}));
}

// ---------------------------------------------------------------- stations

class StationHandlers : public Handlers {
 protected:
  void SetUp() override {
    Handlers::SetUp();
    SpecialBuildingTypes[kPlatformTypeEntry] = kPlatformType;
    SetBuildingTypePrice(BuildingTypes[kPlatformType], 500);
    station_hooks::NameStation = [](TStation& s, uint16_t) { s.Number = 7; };
    world_hooks::RecalcGoodsStation = [](uint32_t) {};
  }
  void TearDown() override {
    station_hooks::InstallDefaults();
    Handlers::TearDown();
  }
  // A station track from (1000, 0, 1000) to (1600, 0, 1000) with its two platforms.
  static void Track() {
    TConstructResult r{};
    BuildStationTrack({1000, 0, 1000}, {1600, 0, 1000}, 0, 0, 1, r);
    ASSERT_EQ(r, Set({0}));
  }
  static std::vector<TBuilding> Platforms() {
    std::vector<TBuilding> all;
    for (uint32_t i = FindInArrayerBW(kARTypeBuilding, 0); i != 0; i = FindInArrayerBW(kARTypeBuilding, i)) {
      TBuilding b{};
      b.A_Read(i);
      if (b.BuildingType == kPlatformType) all.push_back(b);
    }
    return all;
  }
  static uint32_t FirstStation() { return FindInArrayerOA(kARTypeStation, 0); }
};

TEST_F(StationHandlers, AStationTrackClickedIsPostedAndBuildsAsADirectBuild) {
  ExpectRoundTrip(
      [] {},
      [&] {
        AimAt({1600, 0, 1000});
        TConstructResult r{};
        BuildStationTrack({1000, 0, 1000}, {}, 0, 1, 1, r);
        EXPECT_EQ(r, Set({0}));
      },
      [&] {
        TConstructResult r{};
        BuildStationTrack({1000, 0, 1000}, PlacementPoints[1], 0, 0, 1, r);
        return r;
      },
      kCmdBuildStationTrack);
  EXPECT_EQ(Platforms().size(), 2u);
  EXPECT_NE(FirstStation(), 0u);
}

// The track beside a platform is planned 35 out from the platform's edge at the track (half the
// rail width and the platform's 20), level with the track, and joined to the platform's station. Its
// side then lies exactly on the platform's outer edge, which the collision test counts as touching:
// the plan is refused and nothing is posted.
TEST_F(StationHandlers, ATrackBesideAPlatformIsPlannedAlongItsOuterEdge) {
  Track();
  const std::vector<TBuilding> platforms = Platforms();
  ASSERT_EQ(platforms.size(), 2u);
  for (const TBuilding& p : platforms) {
    const uint8_t side = p.Side;
    SCOPED_TRACE(int(side));
    const TVector centre{(p.Corners[0].x + p.Corners[2].x) / 2, 10, (p.Corners[0].z + p.Corners[2].z) / 2};
    AimAt(centre);
    TConstructResult r{};
    BuildStationTrackAtPick({}, {}, 1, 1, r);
    EXPECT_EQ(r, Set({18}));
    EXPECT_EQ(Posted(), 0);
    const float z = side == 1 ? 1050.0f : 950.0f;
    const TVector first = side == 1 ? TVector{1600, 0, z} : TVector{1000, 0, z};
    const TVector second = side == 1 ? TVector{1000, 0, z} : TVector{1600, 0, z};
    EXPECT_TRUE(Near(Value(GlobalCurveline->Slots[1].Position), first, 1e-2f));
    EXPECT_TRUE(Near(Value(GlobalCurveline->Slots[2].Position), second, 1e-2f));
    EXPECT_EQ(Value(GlobalCurveline->PreviewBuildings[1].Station), FirstStation());
  }
}

TEST_F(StationHandlers, APlatformWithoutAnEdgeSideIsRefused) {
  Track();
  TBuilding p = Platforms()[0];
  p.Side = 3;
  p.A_Overwrite();
  const TVector centre{(p.Corners[0].x + p.Corners[2].x) / 2, 10, (p.Corners[0].z + p.Corners[2].z) / 2};
  AimAt(centre);
  const std::vector<uint64_t> before = World();
  TConstructResult r{};
  BuildStationTrackAtPick(PickRayStart(), PickRayDir(), 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  EXPECT_EQ(World(), before);
  // A station building there (no corner near the hit point) has no side to stand at either.
  BuildStationBuilding(PickRayStart(), PickRayDir(), 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  EXPECT_EQ(World(), before);
  // Nothing of a station under the ray: nothing happens.
  BuildStationTrackAtPick({5000, 300, 4700}, {0, -300, 300}, 0, 1, r);
  EXPECT_TRUE(r.Empty());
}

TEST_F(StationHandlers, AStationBuildingStandsBesideTheSideNearestTheClick) {
  SpecialBuildingTypes[kStationBuildingTypeEntry] = kStationBuildingType;
  TBuildingType& t = BuildingTypes[kStationBuildingType];
  SetBuildingTypePrice(t, 700);
  SetBuildingTypeReferencePoint(t, 1, {0, 0, 0});
  SetBuildingTypeReferencePoint(t, 2, {100, 0, 0});
  const TVector corners[4] = {{0, 0, 10}, {100, 0, 10}, {100, 0, 50}, {0, 0, 50}};
  for (int k = 1; k <= 4; ++k) SetBuildingTypeCorner(t, k, corners[k - 1]);
  SetBuildingTypeHeights(t, 0.0f, 20.0f);
  ExpectRoundTrip(
      [&] {
        Track();
        // The type's mesh (a store reset takes it away).
        auto again = std::make_unique<TMeshdata2>();
        again->Init();
        again->vxA(1, 50, 5, 30, 0, 0);
        again->A_Write();
        SetBuildingTypeMesh(BuildingTypes[kStationBuildingType], again->Index);
      },
      [&] {
        // Over the track's middle.
        AimAt({1300, 0, 1000});
        TConstructResult r{};
        BuildStationBuilding({}, {}, 1, 1, r);
        EXPECT_EQ(r, Set({0}));
      },
      [&] {
        TConstructResult r{};
        BuildStationBuilding(PickRayStart(), PickRayDir(), 0, 1, r);
        return r;
      },
      kCmdBuildStationBuilding);
  auto s = std::make_unique<TStation>();
  s->A_Read(FirstStation());
  EXPECT_EQ(Value(s->StationBuildingcounter), 3);

  // A street under the ray is no place for it.
  Lay(kWaytypeRoad, Road(500, 3000), Road(1500, 3000));
  TConstructResult r{};
  BuildStationBuilding({1000, 300, 2700}, {0, -300, 300}, 0, 1, r);
  EXPECT_EQ(r, Set({16}));
}

TEST_F(StationHandlers, AStreetMadeAStopIsPostedAndJoinsAsADirectBuild) {
  uint32_t street = 0;
  ExpectRoundTrip(
      [&] { street = Lay(kWaytypeRoad, Road(500, 1000), Road(1000, 1000)); },
      [&] {
        TConstructResult r{};
        ConvertToStationTrack(street, 0, 1, 0, r);  // hovering: checked, not posted
        EXPECT_EQ(r, Set({0}));
        EXPECT_EQ(Posted(), 0);
        ConvertToStationTrack(street, 0, 1, 1, r);
        EXPECT_EQ(r, Set({0}));
      },
      [&] {
        TConstructResult r{};
        ConvertToStationTrack(street, 0, 0, 1, r);
        return r;
      },
      kCmdConvertToStationTrack);
  EXPECT_NE(Value(ReadWay(street).Station), 0u);

  // A rail way cannot be a stop; the click posts nothing.
  const uint32_t rail = Lay(kWaytypeRail, Rail(500, 3000), Rail(1000, 3000));
  TConstructResult r{};
  ConvertToStationTrack(rail, 0, 1, 1, r);
  EXPECT_EQ(r, Set({16}));
  EXPECT_EQ(Posted(), 0);
}

TEST_F(StationHandlers, AWayedBuildingNeedsAConnectOrAChosenPointAndIsPosted) {
  TBuildingType& t = BuildingTypes[kDepotType];
  SetBuildingTypeUse(t, 0);
  SetBuildingTypeWayUse(t, 0);
  SetBuildingTypePrice(t, 100);
  SetBuildingTypeAccess(t, {0, 0, 0}, {0, 0, 100});
  const TVector corners[4] = {{-40, 0, 100}, {40, 0, 100}, {40, 0, 200}, {-40, 0, 200}};
  for (int k = 1; k <= 4; ++k) SetBuildingTypeCorner(t, k, corners[k - 1]);
  SetBuildingTypeHeights(t, 0.0f, 30.0f);
  auto storeMesh = [] {
    auto mesh = std::make_unique<TMeshdata2>();
    mesh->Init();
    mesh->vxA(1, 10, 5, 150, 0, 0);
    mesh->A_Write();
    SetBuildingTypeMesh(BuildingTypes[kDepotType], mesh->Index);
  };
  SelectedBuildingType = kDepotType;
  BuildingTypeCount = 50;  // the payload check knows the type

  // A free point under the mouse: no preview; the click asks for the building point.
  storeMesh();
  AimAt({3000, 0, 3000});
  TConstructResult r{};
  BuildWayedBuilding(0, {}, {}, 0, 1, 1, r);
  EXPECT_EQ(Posted(), 0);
  EXPECT_EQ(MouseMode, 26);

  ArrayerReset();
  ExpectRoundTrip(
      [&] {
        Lay(kWaytypeRoad, Road(500, 1000), Road(1000, 1000));
        storeMesh();
      },
      [&] {
        // Phase 1 at the road's end: the access way runs on from it.
        AimAt({1000, 0, 1000});
        BuildWayedBuilding(0, {}, {}, 1, 1, 1, r);
        EXPECT_EQ(r, Set({0}));
      },
      [&] {
        BuildWayedBuilding(kDepotType, PlacementPoints[0], {}, 1, 0, 1, r);
        return r;
      },
      kCmdBuildWayedBuilding);

  // Phase 1 from the queue at a free point: the connect it needs is gone.
  const std::vector<uint64_t> before = World();
  BuildWayedBuilding(kDepotType, {3000, 0, 3000}, {3000, 0, 3200}, 1, 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  EXPECT_EQ(World(), before);
}

// ---------------------------------------------------------------- rebuild and terrain

TEST_F(Handlers, ARouterRebuiltByAClickIsOnlyCheckedAndPostedAndRebuiltWhenTheCommandRuns) {
  const TVector c{1030 + std::cos(0.2792527f) * 280, 0, 1000 + std::sin(0.2792527f) * 280};
  ExpectRoundTrip(
      [&] {
        TConstructResult r{};
        BuildWay({1000, 0, 1000}, {1200, 0, 1000}, c, 0, 0, 1, r);
        ASSERT_EQ(r, Set({0}));
      },
      [&] {
        // Over the straight leg.
        AimAt({1160, 0, 1000});
        TConstructResult r{};
        RebuildWay({}, {}, 0, 1, 0, r);  // hovering does nothing
        EXPECT_EQ(Posted(), 0);
        ResetConstruction(*GlobalCurveline);
        RebuildWay({}, {}, 0, 1, 1, r);
        EXPECT_EQ(r, Set({0}));
        EXPECT_EQ(MouseMode, 0);
        EXPECT_EQ(WaysOfType(kWaytypeRouter).size(), 4u);  // still there until the command runs
        // The click plans nothing: no plain track was laid out in its place.
        EXPECT_EQ(int{GlobalCurveline->conzahl}, 0);
        EXPECT_EQ(GlobalPieceLog.Count, 0);
      },
      [&] {
        TConstructResult r{};
        RebuildWay(PickRayStart(), PickRayDir(), 0, 0, 1, r);
        return r;
      },
      kCmdRebuildWay);
  EXPECT_EQ(WaysOfType(kWaytypeRouter).size(), 0u);
  EXPECT_EQ(WaysOfType(kWaytypePlainRail).size(), 1u);

  // No router under the ray, from the queue or under the mouse: nothing is posted.
  TConstructResult r{};
  RebuildWay({1100, 300, 700}, {0, -300, 300}, 0, 0, 1, r);
  EXPECT_EQ(r, Set({2}));
  AimAt({1160, 0, 1000});
  RebuildWay({}, {}, 0, 1, 1, r);
  EXPECT_EQ(r, Set({2}));
  EXPECT_EQ(Posted(), 0);
}

TEST_F(Handlers, TerrainRaisedUnderTheMouseIsPostedAtOnce) {
  ExpectRoundTrip(
      [] {},
      [&] {
        AimAt({2000, 0, 2000});
        TConstructResult r{};
        RaiseLowerTerrain(0, 0, 5, 1, 0, r);
        EXPECT_EQ(r, Set({0}));
      },
      [&] {
        TConstructResult r{};
        RaiseLowerTerrain(20, 20, 5, 0, 1, r);
        return r;
      },
      kCmdRaiseLowerTerrain);
  EXPECT_EQ(HeightMap[20][20], 5);
  AimAtSky();
  TConstructResult r{};
  RaiseLowerTerrain(0, 0, 5, 1, 0, r);
  EXPECT_EQ(r, Set({2}));
  EXPECT_EQ(Posted(), 0);
}

// ---------------------------------------------------------------- removal

TEST_F(Handlers, RemovingAWayMarksLiftsOrDestroysByItsStateAndPlanOnly) {
  struct Step {
    uint8_t planOnly;
    bool exists;
    uint8_t state;
  };
  struct Case {
    const char* name;
    uint8_t startState;
    uint8_t freeBuild;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"finished: marked, restored, destroyed", 2, 0, {{1, true, 3}, {1, true, 2}, {0, false, 0}}},
      {"marked, removed", 2, 0, {{1, true, 3}, {0, false, 0}}},
      {"planned: destroyed even when only planned", 0, 0, {{1, false, 0}}},
      {"free building destroys at once", 2, 1, {{1, false, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayerReset();
    FreeBuildMode = c.freeBuild;
    const uint32_t way = Lay(kWaytypeRoad, Road(500, 1000), Road(1000, 1000), c.startState == 2);
    for (const Step& s : c.steps) {
      TConstructResult r{};
      RemoveWay(way, 1, 1, s.planOnly, r);  // the click tests and posts
      ASSERT_EQ(r, Set({0}));
      ASSERT_EQ(Posted(), 1);
      RunQueue();
      EXPECT_NE(StatusLine.str(), "Commanqueue Error");
      ASSERT_EQ(ArrayerHolds(kTWayDesc, way), s.exists);
      if (s.exists) {
        EXPECT_EQ(Value(ReadWay(way).State), s.state);
      }
    }
  }
}

TEST_F(Handlers, ARemovalTestThatFailsIsNotPosted) {
  const uint32_t way = Lay(kWaytypeRoad, Road(500, 1000), Road(1000, 1000));
  TWay w = ReadWay(way);
  w.Owner = 2;
  w.A_Overwrite();
  TConstructResult r{};
  RemoveWay(way, 1, 1, 0, r);
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(Posted(), 0);
  RemoveWay(way, 1, 0, 0, r);  // hovering only tests
  EXPECT_FALSE(r.Ok());
  EXPECT_EQ(Posted(), 0);
}

TEST_F(Handlers, RemovingACrossingArmTakesTheWholeCrossing) {
  TConstructResult r{};
  BuildXCrossing({800, 0, 1000}, {1200, 0, 1000}, {1000, 0, 1200}, {1000, 0, 800}, 0, 0, 1, r);
  ASSERT_EQ(r, Set({0}));
  const std::vector<TWay> crossing = WaysOfType(kWaytypeXCrossing);
  ASSERT_EQ(crossing.size(), 5u);
  const TWay arm = WayPart(crossing[0]) == kCrossingCentrePart ? crossing[1] : crossing[0];
  RemoveWay(arm.Index, 0, 1, 0, r);
  EXPECT_EQ(r, Set({0}));
  EXPECT_TRUE(WaysOfType(kWaytypeXCrossing).empty());
}

TEST_F(Handlers, APillarCannotBeRemoved) {
  SetBuildingTypeUse(BuildingTypes[kPillarType], 4);
  TBuilding pillar{};
  pillar.Init(kPillarType, 1);
  pillar.A_Write();
  TConstructResult r{};
  RemoveBuilding(pillar.Index, 0, 1, 0, r);
  EXPECT_EQ(r, Set({2}));
  EXPECT_TRUE(ArrayerHolds(kTBuildingDesc, pillar.Index));
}

TEST_F(Handlers, RemovingARouterLegTakesTheWholeRouter) {
  const TVector c{1030 + std::cos(0.2792527f) * 280, 0, 1000 + std::sin(0.2792527f) * 280};
  TConstructResult r{};
  BuildWay({1000, 0, 1000}, {1200, 0, 1000}, c, 0, 0, 1, r);
  ASSERT_EQ(r, Set({0}));
  const std::vector<TWay> router = WaysOfType(kWaytypeRouter);
  ASSERT_EQ(router.size(), 4u);
  const TWay leg = WayPart(router[0]) == kRouterCentrePart ? router[1] : router[0];
  RemoveWay(leg.Index, 0, 1, 0, r);
  EXPECT_EQ(r, Set({0}));
  EXPECT_TRUE(WaysOfType(kWaytypeRouter).empty());
}

namespace {
constexpr uint16_t kBridgeType = 33, kHouseType = 34;

// A stored building of the type, finished, owned by player 1, with the given ways.
uint32_t BuildingWith(uint16_t type, std::initializer_list<uint32_t> ways) {
  TBuilding b{};
  b.Init(type, 1);
  b.State = 2;
  for (const uint32_t w : ways) b.Ways[b.BuildingWayCounter++] = w;
  b.A_Write();
  for (const uint32_t w : ways) {
    TWay way = ReadWay(w);
    way.Building = b.Index;
    way.A_Overwrite();
  }
  return b.Index;
}
}  // namespace

TEST_F(Handlers, ABuildingMarkedForDemolitionMarksItsWaysAndALiftedMarkLiftsThem) {
  SetBuildingTypeUse(BuildingTypes[kHouseType], 0);
  const uint32_t way = Lay(kWaytypeRoad, Road(500, 1000), Road(1000, 1000));
  const uint32_t house = BuildingWith(kHouseType, {way});
  for (const uint8_t state : {3, 2}) {
    TConstructResult r{};
    RemoveBuilding(house, 0, 1, 1, r);
    ASSERT_EQ(r, Set({0}));
    TBuilding b{};
    b.A_Read(house);
    EXPECT_EQ(Value(b.State), state);
    EXPECT_EQ(Value(ReadWay(way).State), state);
  }
  TConstructResult r{};
  RemoveBuilding(house, 0, 1, 0, r);
  EXPECT_EQ(r, Set({0}));
  EXPECT_FALSE(ArrayerHolds(kTBuildingDesc, house));
  EXPECT_TRUE(WaysOfType(kWaytypeStreet).empty());
}

TEST_F(Handlers, ABridgeGoesWithTheBridgesAlongItsRun) {
  SetBuildingTypeUse(BuildingTypes[kBridgeType], 3);
  // Three bridge pieces in a row, each with its bridge building, then a road on the ground.
  std::vector<uint32_t> pieces;
  TMetaconnect from = Road(500, 1000);
  for (float x : {1000.0f, 1500.0f, 2000.0f, 2500.0f}) {
    pieces.push_back(Lay(kWaytypeRoad, from, Road(x, 1000)));
    TConstructResult ignored;
    FindOrCreateConnect(kWaytypeRoad, {x, 0, 1000}, from, ignored);
  }
  std::vector<uint32_t> bridges;
  for (int i = 0; i < 3; ++i) {
    TWay w = ReadWay(pieces[i]);
    WayFlags(w) = kWayBridge;
    w.A_Overwrite();
    bridges.push_back(BuildingWith(kBridgeType, {pieces[i]}));
  }
  TConstructResult r{};
  RemoveWay(pieces[1], 0, 1, 0, r);
  EXPECT_EQ(r, Set({0}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(ArrayerHolds(kTBuildingDesc, bridges[i])) << i;
    EXPECT_FALSE(ArrayerHolds(kTWayDesc, pieces[i])) << i;
  }
  EXPECT_TRUE(ArrayerHolds(kTWayDesc, pieces[3]));  // the road on the ground stays
}

TEST_F(Handlers, WaysAndBridgesThatHandARemovalToEachOtherInARingAreRefused) {
  SetBuildingTypeUse(BuildingTypes[kBridgeType], 3);
  const uint32_t w1 = Lay(kWaytypeRoad, Road(500, 1000), Road(1000, 1000));
  const uint32_t w2 = Lay(kWaytypeRoad, Road(500, 2000), Road(1000, 2000));
  // Each way belongs to a bridge whose own way is the other one.
  const uint32_t b1 = BuildingWith(kBridgeType, {w2});
  const uint32_t b2 = BuildingWith(kBridgeType, {w1});
  TWay a = ReadWay(w1), b = ReadWay(w2);
  a.Building = b1;
  b.Building = b2;
  a.A_Overwrite();
  b.A_Overwrite();
  const std::vector<uint64_t> before = World();
  TConstructResult r{};
  RemoveWay(w1, 0, 1, 0, r);
  EXPECT_EQ(r, Set({29}));
  EXPECT_EQ(World(), before);
}

TEST_F(StationHandlers, RemovingAPlatformRemovesItsTrackAndTheOtherPlatform) {
  Track();
  const std::vector<TBuilding> platforms = Platforms();
  ASSERT_EQ(platforms.size(), 2u);
  TConstructResult r{};
  RemoveBuilding(platforms[0].Index, 1, 1, 0, r);
  ASSERT_EQ(r, Set({0}));
  RunQueue();
  EXPECT_TRUE(Platforms().empty());
  EXPECT_TRUE(WaysOfType(kWaytypePlainRail).empty());
}

// ---------------------------------------------------------------- vanished objects and bad payloads

TEST_F(Handlers, ObjectsThatVanishedOrNeverWereAreRefusedAndNothingChanges) {
  const uint32_t street = Lay(kWaytypeRoad, Road(500, 1000), Road(1000, 1000));
  const uint32_t gone = Lay(kWaytypeRoad, Road(500, 2000), Road(1000, 2000));
  TConstructResult destroyed{};
  TWay::DestroyByIndex(gone, 2, destroyed);
  const std::vector<uint64_t> before = World();
  const uint32_t bad[] = {gone, 0, 0xFFFFFFFFu, 1u << 30, street + 1000};
  for (const uint32_t index : bad) {
    SCOPED_TRACE(index);
    TConstructResult r{};
    RemoveWay(index, 0, 1, 0, r);
    EXPECT_EQ(r, Set({29}));
    RemoveBuilding(index, 0, 1, 0, r);
    EXPECT_EQ(r, Set({29}));
    ConvertToStationTrack(index, 0, 0, 1, r);
    EXPECT_EQ(r, Set({29}));
    ConvertToStationTrack(street, index == 0 ? 12345 : index, 0, 1, r);
    EXPECT_EQ(r, Set({29}));
    ExtendWay({750, 0, 700}, {750, 0, 1300}, index, 0, 0, 1, r);
    EXPECT_EQ(r, Set({29}));
    BuildStationTrack({3000, 0, 3000}, {3600, 0, 3000}, index == 0 ? 12345 : index, 0, 1, r);
    EXPECT_EQ(r, Set({29}));
  }
  EXPECT_EQ(World(), before);
}

TEST_F(Handlers, PayloadValuesOutOfRangeAreRefused) {
  const std::vector<uint64_t> before = World();
  TConstructResult r{};
  // A curve mode that the solver does not know.
  BuildCurveWay(0, 0, 0x0700, {1000, 0, 1000}, {1600, 0, 1000}, 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  BuildWay({1000, 0, 1000}, {1200, 0, 1000}, {1300, 0, 1100}, 0x0300, 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  // A way type that is neither road nor rail.
  BuildCurveWay(5, 0, 0, {1000, 0, 1000}, {1600, 0, 1000}, 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  // Building types out of the table, a phase beyond 2, a type whose way is neither road nor rail.
  BuildWayedBuilding(0, {1000, 0, 1000}, {1000, 0, 1100}, 0, 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  BuildWayedBuilding(300, {1000, 0, 1000}, {1000, 0, 1100}, 0, 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  BuildWayedBuilding(40, {1000, 0, 1000}, {1000, 0, 1100}, 3, 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  SetBuildingTypeWayUse(BuildingTypes[41], 7);
  BuildWayedBuilding(41, {1000, 0, 1000}, {1000, 0, 1100}, 0, 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  // A vertex off the map and a height change beyond any range.
  RaiseLowerTerrain(-1, 5000, 5, 0, 1, r);
  EXPECT_EQ(r, Set({2}));
  RaiseLowerTerrain(10, 10, std::numeric_limits<int32_t>::min(), 0, 1, r);
  EXPECT_EQ(r, Set({2}));
  // Connects off the map.
  BuildCurveWay(0, 0, 0, {-50000, 0, 1000}, {1600, 0, 1000}, 0, 1, r);
  EXPECT_EQ(r, Set({29}));
  EXPECT_EQ(World(), before);
}

}  // namespace
