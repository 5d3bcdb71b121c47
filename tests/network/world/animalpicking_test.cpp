// Picking sees the animals through the network's services: an animal with a stored animation is hit
// where it stands; one whose animation the store does not hold, or a number beyond the animals, has
// no mesh.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "engine/mesh/meshrecords.h"
#include "network/picking.h"
#include "network/world/animals.h"
#include "network/world/citytraffic.h"
#include "tests/network/vehicles/convoy_fixture.h"

namespace {

using convoy_testing::Value;

class AnimalPicking : public convoy_testing::ConvoyTest {
 protected:
  void SetUp() override {
    ConvoyTest::SetUp();
    ResetAnimals();
  }
  void TearDown() override {
    ResetAnimals();
    picking_hooks::InstallDefaults();
    citytraffic_hooks::InstallDefaults();
    ConvoyTest::TearDown();
  }
  // One frame: the triangle (0, 0, 0), (10, 0, 0), (0, 10, 0) facing -z.
  static uint32_t StoreTriangle() {
    auto header = std::make_unique<TMeshAni>();
    std::memset(static_cast<void*>(header.get()), 0, sizeof(TMeshAni));
    header->FrameCount = 1;
    header->VertexCount = 3;
    header->PolygonCount = 1;
    header->Polygons[0].Vertices[0] = 1;
    header->Polygons[0].Vertices[1] = 2;
    header->Polygons[0].Vertices[2] = 3;
    header->Polygons[0].Kind = kPolyTriangle;
    const TMeshVertex v[3] = {{0, 0, 0, 0, 0, -1, 0, 0}, {10, 0, 0, 0, 0, -1, 0, 0}, {0, 10, 0, 0, 0, -1, 0, 0}};
    const TVector n{0, 0, -1};
    return meshrecords_test::StoreMeshAni(*header, v, &n);
  }
};

TEST_F(AnimalPicking, AnAnimalIsHitWhereItStandsWithItsStoredAnimation) {
  TAnimal a{};
  a.Kind = kAnimalFlyer;
  a.Placement = TPlacement{1000, 0, 1000, 0, 0, 0};
  Animals[++AnimalCount] = a;
  EXPECT_EQ(picking_hooks::AnimalCount(), 1u);
  TPickResult r{};
  PickObject({1002, 2, 0}, {0, 0, 5000}, 0, r);
  EXPECT_EQ(Value(r.Kind), 0u);  // no animation stored: no mesh
  a.Animation = StoreTriangle();
  Animals[1] = a;
  PickObject({1002, 2, 0}, {0, 0, 5000}, 0, r);
  EXPECT_EQ(Value(r.Kind), kPickAnimal);
  EXPECT_EQ(Value(r.Index), 1u);
  // Beside it the ray meets nothing.
  PickObject({1012, 2, 0}, {0, 0, 5000}, 0, r);
  EXPECT_EQ(Value(r.Kind), 0u);
  std::unique_ptr<TMesh2> mesh = std::make_unique<TMesh2>();
  EXPECT_FALSE(picking_hooks::AnimalMesh(0, *mesh));
  EXPECT_FALSE(picking_hooks::AnimalMesh(2, *mesh));
  AnimalCount = 5000;  // a count beyond the table counts as the table
  EXPECT_EQ(picking_hooks::AnimalCount(), kAnimalSlots);
}

}  // namespace
