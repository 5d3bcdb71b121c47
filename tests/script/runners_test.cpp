// The script runners: vehicle parts along the track, animated textures by the distance run, the
// visible load, building event runs with their answer and bindings, and the depot tick.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/mesh/meshrecords.h"
#include "engine/store/trainpool.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "engine/world/vehicle.h"
#include "tests/script/gamehost_fixture.h"

namespace {

using gamehost_testing::GameHostTest;

constexpr uint16_t kWagon = 3;

class VehicleRunner : public GameHostTest {
 protected:
  TVehicle v{};
  void SetUp() override {
    GameHostTest::SetUp();
    VehicleTypes[kWagon] = TVehicleType{};
    SetVehicleTypeMeshCountValue(VehicleTypes[kWagon], 1);
    v.VehicleType = kWagon;
  }
  // A stored mesh: a box from Lo to Hi given by two vertices (one triangle).
  static uint32_t StoredMesh(TVector lo, TVector hi) {
    auto m = std::make_unique<TMesh2>();
    m->Init();
    m->vxA(1, lo.x, lo.y, lo.z, 0, 0);
    m->vxA(2, hi.x, hi.y, hi.z, 0, 0);
    m->vxA(3, lo.x, lo.y, hi.z, 0, 0);
    m->PolygonCount = 1;
    m->Polygon(1).Vertices[0] = 1;
    m->Polygon(1).Vertices[1] = 2;
    m->Polygon(1).Vertices[2] = 3;
    m->A_Write();
    return m->Index;
  }
  void LoadBox(TVector lo, TVector hi) {
    const float values[6] = {lo.x, lo.y, lo.z, hi.x, hi.y, hi.z};
    for (int k = 0; k < 6; ++k) SetVehicleTypeSpecialFloat(VehicleTypes[kWagon], 3 + k, values[k]);
  }
  // A finished load of goods type 5 carried in slot 2 with the given style.
  void Loaded(uint8_t percent, uint32_t mesh, uint8_t style) {
    world_hooks::ReadGood = [](uint32_t, TGoodFields& g) { g.GoodType = 5; };
    SetVehicleTypeLoadSlot(VehicleTypes[kWagon], 1, mesh, 4, style);
    SetVehicleTypeLoadSlot(VehicleTypes[kWagon], 2, mesh, 5, style);
    v.VehicleGoodsCounter = 1;
    v.Goods[0] = 77;
    v.LoadPercentage = percent;
    GameTime = 500;
    v.LoadingStartTick = 100;
    v.LoadingEndTick = 200;
  }
};

TEST_F(VehicleRunner, AnimatedTexturesCycleOncePerFortyUnitsRun) {
  AnimatedTexture(1500, 4, 1601);
  const struct {
    float run;
    uint16_t shown;
  } cases[] = {{0.0f, 1601}, {10.0f, 1602}, {25.0f, 1603}, {39.9f, 1604}, {40.0f, 1601}, {1000000.0f, 1601}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.run);
    TexturedMesh(PartMeshes[1], 2, 1500);
    v.RunDistance = c.run;
    PrepareVehicleMeshes(v, 0);
    EXPECT_EQ(PartCount, 1);
    EXPECT_EQ(PartMeshes[1].Polygon(1).Texture, c.shown);
    EXPECT_EQ(PartMeshes[1].Polygon(2).Texture, c.shown);
    EXPECT_EQ(MipLevel, 1);
  }
}

// Straight test links: node 1 (0,0,0) -> 2 (10,0,0) and node 3 (20,0,0) -> 4 (30,0,0); the
// cursor moves along x.
struct StraightTrack {
  static uint8_t FirstLink(uint32_t, const uint32_t*, int) { return 1; }
  static bool Ahead(TScriptCursor&, const TVector& p, TVector& out, uint32_t, float step) {
    out = {p.x + step, p.y, p.z};
    return true;
  }
  static bool Behind(TScriptCursor&, const TVector& p, TVector& out, uint32_t, float step) {
    out = {p.x - step, p.y, p.z};
    return true;
  }
  // Along +x only: the point on the link and the pose of a vehicle facing +x.
  static void Between(uint32_t a, uint32_t, TVector& out, float dist) {
    const TVector& pa = NodeByIndex(a).Position;
    out = {pa.x + dist, pa.y, pa.z};
  }
  static void Facing(TPlacement& pose, const TVector& front, const TVector&) {
    pose = {front.x, front.y, front.z, 0.0f, -90.0f, 0.0f};
  }
};

TEST_F(VehicleRunner, BodyStandsAtTheFrontPointAndBogiesOnlyForTwoBogieTypes) {
  uint32_t n[5] = {};
  for (int i = 1; i <= 4; ++i) {
    TNode node{};
    InitNode(node, TVector{10.0f * (i - 1), 0, 0});
    n[i] = AddNode(node);
  }
  NodeByIndex(n[1]).NextLinks[0] = n[2];
  NodeByIndex(n[3]).NextLinks[0] = n[4];
  ScriptNetwork.NextLinkOnPath = StraightTrack::FirstLink;
  ScriptNetwork.NodeCursorForward = StraightTrack::Ahead;
  ScriptNetwork.NodeCursorBackward = StraightTrack::Behind;
  ScriptNetwork.PointBetweenNodes = StraightTrack::Between;
  ScriptNetwork.OrientationFromPoints = StraightTrack::Facing;
  SetVehicleTypeMeshCountValue(VehicleTypes[kWagon], 3);
  SetVehicleTypeSpecialFloat(VehicleTypes[kWagon], 1, 2.0f);
  SetVehicleTypeSpecialFloat(VehicleTypes[kWagon], 2, 3.0f);
  const struct {
    uint32_t front;
    int32_t bogies;
    std::vector<float> xs;  // X of parts 1 to 3
  } cases[] = {{n[3], 0, {25, 0, 0}}, {n[3], 1, {25, 27, 8}}, {0, 1, {0, 0, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bogies);
    SetVehicleTypeSpecialInt(VehicleTypes[kWagon], 1, c.bogies);
    v.FrontNode = c.front;
    v.FrontDistance = 5.0f;
    v.BackNode = n[1];
    v.BackDistance = 5.0f;
    PrepareVehicleMeshes(v, 0);
    EXPECT_EQ((std::vector<float>{MeshPartTransforms[1].X, MeshPartTransforms[2].X, MeshPartTransforms[3].X}), c.xs);
    if (c.front != 0) {
      EXPECT_FLOAT_EQ(MeshPartTransforms[1].Gier, -90.0f);
    }
  }
}

TEST_F(VehicleRunner, ParcelsFillTheBoxCentredAcrossFromTheBottomLayerUp) {
  LoadBox({0, 0, 0}, {10, 2, 4});
  const uint32_t parcel = StoredMesh({0, 0, 0}, {3, 1, 2});
  const struct {
    uint8_t percent;
    int32_t parts;
  } cases[] = {{100, 13}, {50, 7}, {0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.percent));
    Loaded(c.percent, parcel, kLoadStyleParcels);
    PrepareVehicleMeshes(v, 0);
    EXPECT_EQ(PartCount, c.parts);
  }
  // A full load: 3 per row (x first), 2 rows, 2 layers, 0.5 in from the box's side.
  Loaded(100, parcel, kLoadStyleParcels);
  PrepareVehicleMeshes(v, 0);
  const struct {
    int part;
    TVector at;  // where the parcel's first vertex lies
  } parcels[] = {{2, {0.5f, 0, 0}}, {3, {3.5f, 0, 0}}, {4, {6.5f, 0, 0}}, {5, {0.5f, 0, 2}}, {8, {0.5f, 1, 0}},
                 {13, {6.5f, 1, 2}}};
  for (const auto& p : parcels) {
    SCOPED_TRACE(p.part);
    const TMeshVertex& first = PartMeshes[p.part].Vertex(1);
    EXPECT_EQ((std::vector<float>{first.x, first.y, first.z}), (std::vector<float>{p.at.x, p.at.y, p.at.z}));
  }
}

TEST_F(VehicleRunner, AFlatParcelCountsAsOneUnitHighAndBulkRisesWithTheLoad) {
  LoadBox({0, 1, 0}, {10, 3, 4});
  const uint32_t flat = StoredMesh({0, 0, 0}, {5, 0, 4});
  Loaded(100, flat, kLoadStyleParcels);
  PrepareVehicleMeshes(v, 0);
  EXPECT_EQ(PartCount, 1 + 2 * 2 * 1);  // 2 across, 2 layers of one unit, 1 deep
  Loaded(50, flat, kLoadStyleBulk);
  MeshPartTransforms[1] = {};
  PrepareVehicleMeshes(v, 0);
  ASSERT_EQ(PartCount, 2);
  EXPECT_EQ(PartMeshes[2].Vertex(1).y, 2.0f);  // halfway up the box
  EXPECT_EQ(PartMeshes[2].Vertex(2).y, 2.0f);
}

TEST_F(VehicleRunner, AtFourteenPartsNoLoadIsAdded) {
  LoadBox({0, 0, 0}, {10, 2, 4});
  const uint32_t parcel = StoredMesh({0, 0, 0}, {3, 1, 2});
  for (const uint8_t style : {kLoadStyleBulk, kLoadStyleParcels}) {
    SCOPED_TRACE(int(style));
    SetVehicleTypeMeshCountValue(VehicleTypes[kWagon], 14);
    Loaded(100, parcel, style);
    PrepareVehicleMeshes(v, 0);
    EXPECT_EQ(PartCount, 14);
  }
  // A mesh count beyond the parts there are is held to 14.
  SetVehicleTypeMeshCountValue(VehicleTypes[kWagon], 200);
  PrepareVehicleMeshes(v, 0);
  EXPECT_EQ(PartCount, 14);
}

TEST_F(VehicleRunner, TheOwnerMarkerCrownsTheFirstVehicleOfAnOwnedTrain) {
  const uint32_t marker = StoredMesh({0, 0, 0}, {1, 1, 1});
  const uint32_t train = NewTrain();
  TrainByIndex(train) = TTrain{};
  TrainByIndex(train).Index = train;
  TrainByIndex(train).VBT_Type = kTrainRail;
  TrainByIndex(train).VehicleCount = 2;
  TrainByIndex(train).Vehicles[0] = 30;
  TrainByIndex(train).Vehicles[1] = 31;
  Players[2].Reserved[kPlayerColourNumberByte] = 3;
  const struct {
    const char* what;
    uint32_t vehicle;
    uint8_t option, follow;
    uint32_t mesh;
    int32_t parts;
  } cases[] = {{"first vehicle", 30, 1, 0, marker, 2},  {"second vehicle", 31, 1, 0, marker, 1},
               {"option off", 30, 0, 0, marker, 1},     {"camera rides along", 30, 1, 1, marker, 1},
               {"no marker mesh", 30, 1, 0, 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OwnerMarkerMesh = c.mesh;
    GameOptions[282] = c.option;
    Players[LocalPlayer].CameraFollowVehicle = 30;
    Players[LocalPlayer].CameraFollowing = c.follow;
    v.Index = c.vehicle;
    v.Owner = 2;
    v.Placement = {5, 0, 0, 0, 0, 0};
    PrepareVehicleMeshes(v, static_cast<int32_t>(train));
    ASSERT_EQ(PartCount, c.parts);
    if (c.parts == 2) {
      EXPECT_EQ(PartMeshes[2].Vertex(2).x, 6.0f);    // moved with the vehicle
      EXPECT_EQ(PartMeshes[2].Vertex(2).y, 101.0f);  // and raised by 100
      EXPECT_EQ(PartMeshes[2].Polygon(1).Colour[2], 255);  // the owner's colour 3: (0, 122, 255)
      EXPECT_EQ(PartMeshes[2].Polygon(1).Colour[1], 122);
    }
  }
}

// Building runs of a building of type 20, whose script is image 1.
class BuildingRunner : public GameHostTest {
 protected:
  static constexpr uint16_t kType = 20;
  TBuilding building{};
  void SetUp() override {
    GameHostTest::SetUp();
    building.BuildingType = kType;
    building.ScriptVars[0] = 40;
    SetBuildingTypeScriptNumber(BuildingTypes[kType], 1);
  }
};

TEST_F(BuildingRunner, EventScriptsAnswerWithSParam4OrMinusOneWithoutAScript) {
  const std::vector<uint8_t> image =
      Compile({"begin", "SParam4:=SParam1*1000+SParam2*100+SParam3*10+SParam4;", "bvar1:=bvar1+1;", "end;"});
  const struct {
    const char* what;
    int32_t number;
    bool filled;
    int32_t answer;
  } cases[] = {{"script", 1, true, 3724}, {"no script", 0, true, -1}, {"company building", -1, true, -1},
               {"empty image", 1, false, -1}, {"beyond the table", 101, true, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SetBuildingTypeScriptNumber(BuildingTypes[kType], c.number);
    CompiledScriptImages[1] = c.filled ? image : std::vector<uint8_t>{};
    SParam1 = SParam2 = SParam3 = SParam4 = 9;
    building.ScriptVars[0] = 40;
    EXPECT_EQ(RunBuildingEventScript(3, 7, 2, 4, building, 0, nullptr), c.answer);
    EXPECT_EQ(LastError(), "");
    const bool ran = c.answer != -1;
    EXPECT_EQ(SParam1, ran ? 3 : 9);
    EXPECT_EQ(building.ScriptVars[0], ran ? 41 : 40);
  }
}

TEST_F(BuildingRunner, BuildingVariablesAndRecordsAreBoundForTheRunOnly) {
  BvarStorage[1] = 5;
  CompiledScriptImages[1] = Compile({"begin", "bvar1:=bvar1+1;", "SParam2:=SParam1;", "end;"});
  SParam1 = 9;
  RunBuildingScript(building, 1);
  EXPECT_EQ(building.ScriptVars[0], 41);
  EXPECT_EQ(SParam2, 0);  // the drawing run's event number
  EXPECT_EQ(PartCount, 10);
  EXPECT_EQ(CurrentBuilding, nullptr);
  EXPECT_EQ(CurrentDepot, nullptr);
  // A later run that is no building run reaches the storage, not the building.
  Run({"begin", "bvar1:=bvar1+1;", "end;"});
  EXPECT_EQ(building.ScriptVars[0], 41);
  EXPECT_EQ(BvarStorage[1], 6);
}

// A depot whose building runs a depot script; trains 11 and 12 inside, 12 ready to leave.
class DepotTick : public BuildingRunner {
 protected:
  static inline std::vector<uint32_t> released;
  static void Release(TDepot&, uint32_t train) { released.push_back(train); }
  uint32_t depot = 0;
  void SetUp() override {
    BuildingRunner::SetUp();
    released.clear();
    ScriptNetwork.ReleaseTrain = Release;
    building.Init(kType, 1);
    building.A_Write();
    TDepot d{};
    d.Building = building.Index;
    d.TrainInsideCounter = 2;
    d.TrainsInside[0] = 11;
    d.TrainsInside[1] = 12;
    d.TrainFlags[1] = 1;
    d.A_Write();
    depot = d.Index;
  }
  void SetFlags(uint8_t flags) {
    TDepot d{};
    d.A_Read(depot);
    d.Flags = flags;
    d.A_Overwrite();
  }
  uint8_t Flags() const {
    TDepot d{};
    d.A_Read(depot);
    return d.Flags;
  }
};

TEST_F(DepotTick, ATrainLeavesOnlyWhenLeavingIsAllowed) {
  CompiledScriptImages[1] = Compile({"begin", "if SParam1=2 then AllowLeave;", "end;"});
  const struct {
    const char* what;
    uint8_t flags;
    std::vector<uint32_t> released;
    uint8_t after;
  } cases[] = {{"waiting, not allowed", 8, {}, 8},
               {"waiting, allowed", 8 | 2, {12}, 8 | 2},
               {"script allows", 8 | 1, {12}, 8 | 2 | 1},
               {"nothing to do", 2, {}, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    released.clear();
    SetFlags(c.flags);
    TickBuildingScripts(depot);
    EXPECT_EQ(released, c.released);
    EXPECT_EQ(Flags(), c.after);
    EXPECT_EQ(LastError(), "");
  }
}

}  // namespace
