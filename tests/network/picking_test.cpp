// Picking: the nearest object along a ray by mode, and the terrain tile under the mouse.
#include "network/picking.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <utility>

#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/mesh/meshrecords.h"
#include "engine/store/trainpool.h"
#include "engine/world/building.h"
#include "engine/world/vehicle.h"
#include "engine/world/records.h"
#include "tests/engine/store/store_fixture.h"

namespace {

// A stored mesh of upright quads facing the x axis, one per (x, z): from z - 20 to z + 20 and from
// y 0 to 40.
uint32_t WallMesh(std::initializer_list<std::pair<float, float>> walls) {
  auto m = std::make_unique<TMesh2>();
  m->Init();
  uint16_t v = 0;
  for (const auto& [x, z] : walls) {
    m->vxA(++v, x, 0, z - 20, 0, 0);
    m->vxA(++v, x, 0, z + 20, 0, 0);
    m->vxA(++v, x, 40, z + 20, 0, 0);
    m->vxA(++v, x, 40, z - 20, 0, 0);
    TMeshPolygon& p = m->Polygon(++m->PolygonCount);
    p.Kind = kPolyQuad;
    for (int i = 0; i < 4; ++i) p.Vertices[i] = static_cast<uint16_t>(v - 3 + i);
  }
  m->A_Write();
  return m->Index;
}

class Picking : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    ArrayerTest::SetUp();
    ViewRange = 10;
  }
  static uint32_t Building(float x) {
    TBuilding b{};
    for (int i = 0; i < 4; ++i) b.Corners[i] = {x, 0, i < 2 ? -20.0f : 20.0f};
    b.Mesh = WallMesh({{x, 0}});
    b.A_Write();
    return b.Index;
  }
  static uint32_t Way(uint8_t waytype, std::initializer_list<std::pair<float, float>> walls) {
    TWay w{};
    w.Waytype = waytype;
    w.Position = {walls.begin()->first, 0, 0};
    w.Mesh = WallMesh(walls);
    w.A_Write();
    return w.Index;
  }
  static TPickResult Pick(uint8_t mode) {
    TPickResult r{7, 7, 7, 7, {}};
    PickObject({0, 10, 0}, {1000, 0, 0}, mode, r);
    return r;
  }
};

TEST_F(Picking, NothingUnderTheRayGivesAnEmptyResult) {
  Building(300);  // beside the ray's line
  PickHitPoint = {1, 2, 3};
  TPickResult r{7, 7, 7, 7, {}};
  PickObject({0, 10, 100}, {1000, 0, 0}, 0, r);
  EXPECT_EQ(r.Kind, 0u);
  EXPECT_EQ(r.Extra, 0u);
  EXPECT_EQ(r.Index, 0u);
  EXPECT_EQ(r.SecondIndex, 0u);
}

TEST_F(Picking, TheNearerOfTwoBuildingsWinsWhateverTheirOrder) {
  for (const bool nearFirst : {true, false}) {
    ArrayerReset();
    const uint32_t first = Building(nearFirst ? 200 : 500);
    const uint32_t second = Building(nearFirst ? 500 : 200);
    const TPickResult r = Pick(0);
    EXPECT_EQ(r.Kind, kPickBuilding);
    EXPECT_EQ(r.Index, nearFirst ? first : second);
    EXPECT_NEAR(r.HitPoint.x, 200, 1e-3);
    EXPECT_NEAR(r.HitPoint.y, 10, 1e-3);
  }
  // Far from the ray's start the building is out of range.
  ArrayerReset();
  Building(1500);
  EXPECT_EQ(Pick(0).Kind, 0u);
}

TEST_F(Picking, ABuildingWithoutAMeshOfItsOwnIsPickedByItsTypesRows) {
  // Type 1: row 1 a wall at local x = 0, row 2 none; the building stands at x = 300.
  TBuildingTypeMeshRow row;
  row.Meshes[0] = WallMesh({{0, 0}});
  row.Placement = {-100, 0, 0, 0, 0, 0};
  struct Case {
    const char* name;
    uint8_t applies;
    float position;
    float hitX;  // 0: no hit
  };
  const Case cases[] = {{"at the building", 0, 300, 300}, {"moved by the row's placement", 1, 300, 200},
                        {"out of reach", 0, 5000, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ArrayerReset();
    std::memset(&BuildingTypes[1], 0, sizeof(TBuildingType));
    SetBuildingTypeMeshCount(BuildingTypes[1], 2);
    row.Meshes[0] = WallMesh({{0, 0}});
    row.PlacementApplies = c.applies;
    SetBuildingTypeMeshRow(BuildingTypes[1], 1, row);
    TBuilding b{};
    b.BuildingType = 1;
    b.Position = {c.position, 0, 0};
    for (int i = 0; i < 4; ++i) b.Corners[i] = {c.position, 0, i < 2 ? -20.0f : 20.0f};
    b.A_Write();
    const TPickResult r = Pick(0);
    if (c.hitX == 0) {
      EXPECT_EQ(r.Kind, 0u);
      continue;
    }
    EXPECT_EQ(r.Kind, kPickBuilding);
    EXPECT_EQ(r.Index, b.Index);
    EXPECT_NEAR(r.HitPoint.x, c.hitX, 0.01f);
  }
}

TEST_F(Picking, AnimalsCountInModeZeroWhenNothingElseWasHit) {
  // Two animals: a wall at x = 400 and one at x = 250; the nearer wins.
  static uint32_t walls[3];
  walls[1] = WallMesh({{400, 0}});
  walls[2] = WallMesh({{250, 0}});
  picking_hooks::AnimalCount = [] { return 2u; };
  picking_hooks::AnimalMesh = [](uint32_t k, TMesh2& mesh) {
    mesh.A_Read(walls[k]);
    return true;
  };
  TPickResult r = Pick(0);
  EXPECT_EQ(r.Kind, kPickAnimal);
  EXPECT_EQ(r.Index, 2u);
  EXPECT_NEAR(r.HitPoint.x, 250, 1e-3);
  EXPECT_EQ(Pick(3).Kind, 0u);
  // A building hit first keeps the animals out, however near they are.
  const uint32_t building = Building(500);
  r = Pick(0);
  EXPECT_EQ(r.Kind, kPickBuilding);
  EXPECT_EQ(r.Index, building);
  picking_hooks::InstallDefaults();
}

TEST_F(Picking, ModesChooseBetweenWaysAndBuildings) {
  const uint32_t building = Building(200);
  const uint32_t way = Way(4, {{400, 0}});
  struct Case {
    uint8_t mode;
    uint32_t kind, index;
  };
  for (const Case& k : {Case{0, kPickBuilding, building}, Case{1, kPickWay, way}, Case{2, kPickWay, way},
                        Case{3, kPickBuilding, building}, Case{4, kPickBuilding, building}}) {
    const TPickResult r = Pick(k.mode);
    EXPECT_EQ(r.Kind, k.kind) << int(k.mode);
    EXPECT_EQ(r.Index, k.index) << int(k.mode);
  }
  // With the way nearer, mode 3 still never gives it.
  ArrayerReset();
  const uint32_t nearWay = Way(4, {{100, 0}});
  const uint32_t farBuilding = Building(300);
  EXPECT_EQ(Pick(0).Index, nearWay);
  EXPECT_EQ(Pick(3).Kind, kPickBuilding);
  EXPECT_EQ(Pick(3).Index, farBuilding);
}

TEST_F(Picking, TreesAndVehiclesCountOnlyInTheirModesAndAVehicleEndsThePick) {
  // A tree at 250 and a vehicle whose one part stands at 300 once placed.
  TreeKindMeshes[2] = WallMesh({{0, 0}});
  TTree tree{};
  tree.Kind = 2;
  tree.Position = {250, 0, 0};
  tree.A_Write();
  TVehicleType& type = VehicleTypes[3];
  type = TVehicleType{};
  const uint32_t parts[5] = {WallMesh({{0, 0}})};
  SetVehicleTypeMeshes(type, 1, parts);
  TVehicle v{};
  v.VehicleType = 3;
  v.Shown = 1;
  v.Placement = {300, 0, 0, 0, 0, 0};
  v.A_Write();
  const uint32_t train = NewTrain();
  TrainByIndex(train).VBT_Type = kTrainRail;
  TrainByIndex(train).VehicleCount = 1;
  TrainByIndex(train).Vehicles[0] = v.Index;

  struct Case {
    uint8_t mode;
    uint32_t kind;
  };
  for (const Case& k : {Case{0, kPickTree}, Case{3, kPickTree}, Case{5, kPickTree}, Case{1, 0}, Case{4, 0}}) {
    EXPECT_EQ(Pick(k.mode).Kind, k.kind) << int(k.mode);
  }
  TreeKindMeshes[2] = 0;  // the kind is not drawn: the vehicle is nearest
  TPickResult r{7, 7, 7, 7, {-1, -1, -1}};
  PickObject({0, 10, 0}, {1000, 0, 0}, 0, r);
  EXPECT_EQ(r.Kind, kPickVehicle);
  EXPECT_EQ(r.Extra, kPickVehicleExtra);
  EXPECT_EQ(r.Index, v.Index);
  EXPECT_EQ(r.SecondIndex, train);
  EXPECT_EQ(r.HitPoint.x, -1.0f);  // not written for a vehicle
  EXPECT_NEAR(PickHitPoint.x, 300, 1e-3);
  // Behind a nearer building the vehicle is not taken; hidden it is not tested.
  const uint32_t building = Building(200);
  EXPECT_EQ(Pick(0).Index, building);
  v.Shown = 0;
  v.A_Overwrite();
  EXPECT_EQ(Pick(3).Kind, kPickBuilding);
  VehicleTypes[3] = TVehicleType{};
}

TEST_F(Picking, PlainWaysAreTestedOnTheirFirstPolygonOnly) {
  // Polygon 1 stands beside the ray, polygon 2 across it.
  for (const auto& [waytype, picked] : {std::pair{0, false}, std::pair{6, false}, std::pair{4, true}}) {
    ArrayerReset();
    Way(static_cast<uint8_t>(waytype), {{100, 500}, {100, 0}});
    EXPECT_EQ(Pick(1).Kind == kPickWay, picked) << waytype;
  }
}

TEST_F(Picking, TerrainGivesTheTileUnderTheMouseOrNothing) {
  std::memset(HeightMap, 0, sizeof(HeightMap));
  std::memset(GroundMap, 5, sizeof(GroundMap));
  ViewRange = 5;
  TPlacement& cam = Players[LocalPlayer].Camera;
  cam = {10020, 300, 10040, 0, 0, 0};
  MouseRay = {0, -1, 0};
  int32_t x = -1, z = -1;
  ASSERT_TRUE(PickTerrain(x, z));
  EXPECT_EQ(x, 100);
  EXPECT_EQ(z, 100);
  EXPECT_NEAR(PickHitPoint.x, 10020, 1e-2);
  EXPECT_NEAR(PickHitPoint.y, 0, 1e-2);
  EXPECT_NEAR(PickHitPoint.z, 10040, 1e-2);

  // A slanted ray meets the nearer tile along it.
  MouseRay = {100, -100, 0};
  ASSERT_TRUE(PickTerrain(x, z));
  EXPECT_EQ(x, 103);
  EXPECT_EQ(z, 100);

  for (const auto& [position, ray] : {std::pair{TVector{10020, 300, 10040}, TVector{0, 1, 0}},
                                      std::pair{TVector{-1000, 300, -1000}, TVector{0, -1, 0}}}) {
    cam.X = position.x;
    cam.Y = position.y;
    cam.Z = position.z;
    MouseRay = ray;
    x = z = -7;
    EXPECT_FALSE(PickTerrain(x, z));
    EXPECT_EQ(x, -7);
    EXPECT_EQ(z, -7);
  }
}

}  // namespace
