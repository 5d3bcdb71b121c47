// Harbour quays, ship landings and coast buildings on a straight coast: open water west of x = 5000,
// land east of it.
#include "network/construction/harbours.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/mesh/meshrecords.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "network/picking.h"
#include "network/world/ships.h"
#include "network/world/terrain.h"
#include "tests/network/construction/construction_fixture.h"

namespace {

using namespace construction_testing;

constexpr uint16_t kHarbourType = 10, kLandingType = 11, kCoastType = 12;
constexpr uint16_t kQuayTexture = 106;
constexpr int kCoastColumn = 50;  // the first land column

template <class T>
T Value(T v) {
  return v;
}

TVector At(const TMeshdata2& m, int i) {
  const TMeshVertex& v = m.Vertex(i);
  return {v.x, v.y, v.z};
}

// A flat rectangle mesh from (x0, z0) to (x1, z1), stored.
uint32_t StoredRectangle(float x0, float z0, float x1, float z1) {
  auto m = std::make_unique<TMeshdata2>();
  m->Init();
  m->vxA(1, x0, 0, z0, 0, 0);
  m->vxA(2, x1, 0, z0, 1, 0);
  m->vxA(3, x1, 0, z1, 1, 1);
  m->vxA(4, x0, 0, z1, 0, 1);
  AddQuad(*m, 1, 2, 3, 4, 1, true, false, 255, 255, 255, 255);
  m->A_Write();
  return m->Index;
}

std::vector<uint32_t> Stored(uint32_t kind) {
  std::vector<uint32_t> all;
  const bool bw = (kind & kArrayerBWFlag) != 0;
  for (uint32_t i = bw ? FindInArrayerBW(kind, 0) : FindInArrayerOA(kind, 0); i != 0;
       i = bw ? FindInArrayerBW(kind, i) : FindInArrayerOA(kind, i))
    all.push_back(i);
  return all;
}

TBuilding StoredBuilding(uint32_t index) {
  TBuilding b{};
  b.A_Read(index);
  return b;
}

class Harbours : public ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();
    Coast(kCoastColumn);
    SpecialBuildingTypes[kHarbourTypeEntry] = kHarbourType;
    SpecialBuildingTypes[kLandingTypeEntry] = kLandingType;
    SpecialBuildingTypes[kCoastBuildingTypeEntry] = kCoastType;
    StandardTextures[kQuayTextureEntry] = kQuayTexture;
    // The preview ship: 200 long, its bow toward -z.
    ShipTypes[1] = TShipType{StoredRectangle(-10, -100, 10, 100), 2.0f, 0.5f, 4.0f, 100.0f, 100.0f, 0.0f, 20.0f};
    curve = NewCurveline();
  }

  // Open water in the columns below First, land from it on; with Mirrored the other way round.
  static void Coast(int first, bool mirrored = false) {
    for (int x = 0; x < kMapSize; ++x) {
      const bool land = (x >= first) != mirrored;
      std::memset(GroundMap[x], land ? 5 : kGroundOpenWater, sizeof(GroundMap[x]));
    }
  }

  TConstructResult Harbour(const TVector& a, const TVector& b, uint8_t mode = 0) {
    TConstructResult r;
    BuildHarbour(a, b, *curve, r, mode);
    return r;
  }

  std::unique_ptr<TCurveline> curve;
};

TEST_F(Harbours, TheQuayIsBetween200And500Long) {
  struct Case {
    float length;
    TConstructResult result;
  };
  for (const Case& c : {Case{0.5f, Set({2})}, Case{199.0f, Set({4})}, Case{200.0f, Set({0})},
                        Case{500.0f, Set({0})}, Case{501.0f, Set({3})}}) {
    SCOPED_TRACE(c.length);
    const TConstructResult r = Harbour({4900, 0, 5000}, {4900, 0, 5000 + c.length});
    EXPECT_EQ(r.Elements(), c.result.Elements());
    // The refusals of the length show the quay all the same; a line without length shows nothing.
    EXPECT_EQ(curve->PreviewBuilding[1], c.length >= 1.0f ? 1 : 0);
  }
  EXPECT_EQ(Set({4}).Bits[0], 16);
  EXPECT_EQ(Set({3}).Bits[0], 8);
}

TEST_F(Harbours, TheQuayLiesWithItsBackOnTheLandWhicheverWayItIsDrawn) {
  struct Case {
    bool mirrored;
    float line, back;
  };
  for (const Case& c : {Case{false, 4900.0f, 5100.0f}, Case{true, 5100.0f, 4900.0f}}) {
    Coast(kCoastColumn, c.mirrored);
    const TVector a{c.line, 0, 5000}, b{c.line, 0, 5300};
    std::vector<TVector> quays[2];
    for (int drawn = 0; drawn < 2; ++drawn) {
      SCOPED_TRACE(testing::Message() << "mirrored " << c.mirrored << " drawn " << drawn);
      ASSERT_TRUE((drawn == 0 ? Harbour(a, b) : Harbour(b, a)).Ok());
      const TMeshdata2& m = curve->PreviewMeshes[1];
      ASSERT_EQ(Value(m.VertexCount), 8);
      for (int i = 1; i <= 8; ++i) quays[drawn].push_back(At(m, i));
      EXPECT_EQ(curve->conzahl, 3);
    }
    for (int i = 0; i < 8; ++i) {
      EXPECT_EQ(quays[0][i].x, quays[1][i].x) << i;
      EXPECT_EQ(quays[0][i].y, quays[1][i].y) << i;
      EXPECT_EQ(quays[0][i].z, quays[1][i].z) << i;
    }
    // Vertices 1, 2 on the drawn line, 3, 4 200 behind it on the land, 5..8 raised by 20.
    EXPECT_FLOAT_EQ(quays[0][0].x, c.line);
    EXPECT_FLOAT_EQ(quays[0][1].x, c.line);
    EXPECT_NEAR(quays[0][2].x, c.back, 1e-2);
    EXPECT_NEAR(quays[0][3].x, c.back, 1e-2);
    EXPECT_NEAR(quays[0][2].z, quays[0][1].z, 0.05);  // pi is taken as 3.1415
    for (int i = 4; i < 8; ++i) EXPECT_EQ(quays[0][i].y, 20.0f);
  }
  const TMeshdata2& m = curve->PreviewMeshes[1];
  ASSERT_EQ(Value(m.PolygonCount), 5);
  const uint16_t top[4] = {5, 6, 7, 8};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(Value(m.Polygon(1).Vertices[k]), top[k]);
  for (int p = 1; p <= 5; ++p) EXPECT_EQ(Value(m.Polygon(p).Texture), kQuayTexture);
}

TEST_F(Harbours, TheEndDrawnFirstTurnsTheQuayIntoTheWater) {
  // The first end lies on the shore: the front of the quay would reach the land.
  const TVector first{5020, 0, 5000}, second{4900, 0, 5300};
  ASSERT_TRUE(Harbour(first, second).Ok());
  const TMeshdata2& m = curve->PreviewMeshes[1];
  const TVector v1 = At(m, 1), v2 = At(m, 2);
  const bool secondIsV1 = v1.x == second.x && v1.z == second.z;
  ASSERT_TRUE(secondIsV1 || (v2.x == second.x && v2.z == second.z));
  const TVector moved = secondIsV1 ? v2 : v1;
  const float shift = VecDistanceXZ(moved, first);
  EXPECT_GT(shift, 5.0f);
  EXPECT_LE(shift, 100.5f);
  EXPECT_NEAR(std::fmod(shift + 0.5, 10.0), 0.5, 1e-2);
  EXPECT_LT(moved.x, first.x);
}

TEST_F(Harbours, ACoastWithoutWaterOrWithoutLandRefusesTheQuay) {
  for (const auto& [mirrored, first, result] :
       {std::tuple{false, kMapSize, Set({27})}, std::tuple{false, 0, Set({26})}}) {
    Coast(first, mirrored);
    EXPECT_EQ(Harbour({4900, 0, 5000}, {4900, 0, 5300}, 1).Elements(), result.Elements()) << first;
    EXPECT_EQ(curve->PreviewBuilding[2], 0);
  }
  EXPECT_TRUE(Stored(kARTypeBuilding).empty());
}

TEST_F(Harbours, APreviewShipMoorsAlongAQuayLongerThanTheShip) {
  ASSERT_TRUE(Harbour({4900, 0, 5000}, {4900, 0, 5200}).Ok());
  EXPECT_EQ(curve->PreviewBuilding[2], 0);  // 200 is not longer than the ship

  ASSERT_TRUE(Harbour({4900, 0, 5000}, {4900, 0, 5300}).Ok());
  ASSERT_EQ(curve->PreviewBuilding[2], 1);
  const TMeshdata2& ship = curve->PreviewMeshes[2];
  ASSERT_EQ(Value(ship.VertexCount), 4);
  for (int i = 1; i <= 4; ++i) {
    const TVector v = At(ship, i);
    EXPECT_NEAR(v.x, i == 1 || i == 4 ? 4895 : 4875, 0.1) << i;  // along the quay, 15 out
    EXPECT_GE(v.z, 5050.0f - 0.1f);
    EXPECT_LE(v.z, 5250.0f + 0.1f);
  }

  ShipTypes[1].Mesh = 9999;  // no such mesh: no ship is shown
  ASSERT_TRUE(Harbour({4900, 0, 5000}, {4900, 0, 5300}).Ok());
  EXPECT_EQ(curve->PreviewBuilding[2], 0);
}

TEST_F(Harbours, BuildingAQuayFoundsTheHarbourItsStationAndItsIndustry) {
  ActPlayer = 3;
  ASSERT_TRUE(Harbour({4900, 0, 5000}, {4900, 0, 5300}, 1).Ok());
  const std::vector<uint32_t> buildings = Stored(kARTypeBuilding);
  ASSERT_EQ(buildings.size(), 1u);
  const TBuilding b = StoredBuilding(buildings[0]);
  EXPECT_EQ(Value(b.BuildingType), kHarbourType);
  EXPECT_EQ(Value(b.Owner), 3);
  EXPECT_EQ(Value(b.State), 0);
  EXPECT_FLOAT_EQ(Value(b.Position.x), 4900.0f);
  EXPECT_FLOAT_EQ(Value(b.Position.z), 5150.0f);
  EXPECT_GE(Value(b.Gier), 0.0f);
  EXPECT_LT(Value(b.Gier), 360.0f);
  auto mesh = std::make_unique<TMeshdata2>();
  mesh->A_Read(b.Mesh);
  ASSERT_EQ(Value(mesh->VertexCount), 8);
  EXPECT_EQ(Value(mesh->PolygonCount), 5);
  const int corners[4] = {1, 2, 7, 8};
  for (int k = 0; k < 4; ++k) {
    const TVector c = b.Corners[k], v = At(*mesh, corners[k]);
    EXPECT_EQ(c.x, v.x);
    EXPECT_EQ(c.z, v.z);
  }

  const std::vector<uint32_t> stations = Stored(kARTypeStation), industries = Stored(kARTypeIndustry);
  ASSERT_EQ(stations.size(), 1u);
  ASSERT_EQ(industries.size(), 1u);
  auto s = std::make_unique<TStation>();
  s->A_Read(stations[0]);
  EXPECT_EQ(Value(s->Kind), 3);
  EXPECT_EQ(Value(s->HandlingRate), 20);
  EXPECT_EQ(Value(s->StationBuildingcounter), 1);
  EXPECT_EQ(Value(s->Buildings[0]), b.Index);
  EXPECT_EQ(Value(s->StationObjectOf), industries[0]);
  EXPECT_EQ(Value(s->Direction), 7);
  EXPECT_EQ(s->Name.str(), "Harbour: " + std::to_string(industries[0]));
  EXPECT_EQ(Value(b.Station), stations[0]);
  auto i = std::make_unique<TIndustry>();
  i->A_Read(industries[0]);
  EXPECT_EQ(Value(i->CostValue), 1.0f);
  EXPECT_EQ(Value(i->NextProductionTick), 10u);
  EXPECT_EQ(Value(i->Station), stations[0]);
  EXPECT_EQ(Value(i->IndustryType), 5);
  EXPECT_EQ(Value(i->IndustryCalcGWFromCounter), 0);

  // The building knows its station: removing it takes the station and its industry along.
  TDestroyResult r{};
  TBuilding::DestroyByIndex(b.Index, kDestroyForced, r);
  EXPECT_TRUE(Stored(kARTypeStation).empty());
  EXPECT_TRUE(Stored(kARTypeIndustry).empty());
}

// ---- Ship landings at a quay from (4900, 5000) to (4900, 5400)

class Landings : public Harbours {
 protected:
  void SetUp() override {
    Harbours::SetUp();
    TBuildingType& t = BuildingTypes[kLandingType];
    SetBuildingTypeReferencePoint(t, 1, {0, 0, 0});
    SetBuildingTypeReferencePoint(t, 2, {0, 0, 100});
    SetBuildingTypeReferencePoint(t, 3, {30, 0, 0});
    SetBuildingTypeReferencePoint(t, 4, {30, 0, 100});
    SetBuildingTypeReferencePoint(t, 5, {-30, 0, 0});
    SetBuildingTypeReferencePoint(t, 6, {-30, 0, 100});
    SetBuildingTypeCorner(t, 1, {-30, 0, 0});
    SetBuildingTypeCorner(t, 2, {30, 0, 0});
    SetBuildingTypeCorner(t, 3, {30, 0, 100});
    SetBuildingTypeCorner(t, 4, {-30, 0, 100});
    SetBuildingTypeMesh(t, StoredRectangle(-30, 0, 30, 100));
    ASSERT_TRUE(Harbour({4900, 0, 5000}, {4900, 0, 5400}, 1).Ok());
    harbour = Stored(kARTypeBuilding).at(0);
  }

  TConstructResult Landing(uint32_t building, const TVector& point, uint8_t mode = 0) {
    TConstructResult r;
    ConstructShipLanding(building, point, *curve, r, mode);
    return r;
  }

  // The middle of a preview mesh's vertices.
  TVector Middle(int k) const {
    const TMeshdata2& m = curve->PreviewMeshes[k];
    TVector sum{0, 0, 0};
    for (int i = 1; i <= m.VertexCount; ++i) {
      const TVector v = At(m, i);
      sum = {sum.x + v.x, sum.y + v.y, sum.z + v.z};
    }
    const float n = m.VertexCount;
    return {sum.x / n, sum.y / n, sum.z / n};
  }

  uint32_t harbour = 0;
};

TEST_F(Landings, ALandingNearerThan50ToAQuayEndIsRefused) {
  struct Case {
    float z;
    TConstructResult result;
  };
  for (const Case& c : {Case{5049, Set({7})}, Case{5051, Set({0})}, Case{5349, Set({0})}, Case{5351, Set({7})}}) {
    SCOPED_TRACE(c.z);
    const TConstructResult r = Landing(harbour, {4700, 0, c.z});
    EXPECT_EQ(r.Elements(), c.result.Elements());
    // The landing is shown either way, where the search meets the quay.
    EXPECT_EQ(curve->PreviewBuilding[1], 1);
    EXPECT_NEAR(Middle(1).x, 4900 - 50, 0.1);
    EXPECT_NEAR(Middle(1).z, c.z, 0.1);
    EXPECT_EQ(curve->conzahl, 4);
  }
  EXPECT_EQ(Set({7}).Bits[0], 128);
}

TEST_F(Landings, ALandingMustMeetTheQuayOfAStoredHarbour) {
  TBuilding bare{};
  bare.Init(kHarbourType, 1);
  bare.A_Write();
  struct Case {
    uint32_t building;
    TVector point;
  };
  for (const Case& c : {Case{harbour, {4450, 0, 5200}},   // 450 from the quay
                        Case{harbour, {4700, 0, 5450}},   // beyond its end
                        Case{harbour, {5000, 0, 5200}},   // on the land side
                        Case{0, {4700, 0, 5200}}, Case{harbour + 50, {4700, 0, 5200}},
                        Case{bare.Index, {4700, 0, 5200}}}) {  // a harbour without a quay mesh
    SCOPED_TRACE(testing::Message() << c.building << " " << c.point.x << " " << c.point.z);
    EXPECT_EQ(Landing(c.building, c.point, 1).Elements(), "28");
    EXPECT_EQ(curve->PreviewBuilding[1], 0);
  }
  EXPECT_EQ(Stored(kARTypeBuilding).size(), 2u);
}

TEST_F(Landings, ShipsAreShownAtTheMooringSidesThatLieInOpenWater) {
  ASSERT_TRUE(Landing(harbour, {4700, 0, 5200}).Ok());
  ASSERT_EQ(curve->PreviewBuilding[2], 1);
  ASSERT_EQ(curve->PreviewBuilding[3], 1);
  const TVector one = Middle(2), other = Middle(3);
  // Beside the landing, on either side of it, over the water and set back toward the quay.
  EXPECT_NEAR(std::fabs(one.z - 5200), 10 + 35, 0.1);
  EXPECT_NEAR(std::fabs(other.z - 5200), 10 + 35, 0.1);
  EXPECT_LT((one.z - 5200) * (other.z - 5200), 0.0f);
  EXPECT_NEAR(one.x, 4900 - 110, 0.1);

  // Land beside one side leaves only the ship at the other.
  const int blocked = one.z > 5200 ? 52 : 51;
  for (int x = 46; x < 49; ++x) GroundMap[x][blocked] = 5;
  ASSERT_TRUE(Landing(harbour, {4700, 0, 5200}).Ok());
  EXPECT_EQ(curve->PreviewBuilding[2], 0);
  ASSERT_EQ(curve->PreviewBuilding[3], 1);
  EXPECT_NEAR(Middle(3).z, other.z, 0.1);
}

TEST_F(Landings, BuildingPutsTheLandingAgainstTheQuay) {
  ActPlayer = 2;
  ASSERT_TRUE(Landing(harbour, {4700, 0, 5200}, 1).Ok());
  const std::vector<uint32_t> buildings = Stored(kARTypeBuilding);
  ASSERT_EQ(buildings.size(), 2u);
  const TBuilding b = StoredBuilding(buildings[1]);
  EXPECT_EQ(Value(b.BuildingType), kLandingType);
  EXPECT_EQ(Value(b.Owner), 2);
  EXPECT_EQ(Value(b.State), 0);
  EXPECT_NEAR(Value(b.Position.x), 4900.0f, 1e-2);
  EXPECT_NEAR(Value(b.Position.z), 5200.0f, 1e-2);
  // Reaching out over the water.
  for (int k = 0; k < 4; ++k) EXPECT_LE(TVector{b.Corners[k]}.x, 4900.01f);
}

TEST_F(Landings, ThePickFindsTheHarbourUnderTheRay) {
  ViewRange = 20;
  const TVector down{0, -1000, 0};
  TBuilding other{};
  other.Init(kLandingType, 1);
  other.Mesh = StoredRectangle(5500, 5100, 5600, 5300);
  other.Corners[0] = {5550, 0, 5200};
  other.A_Write();
  struct Case {
    TVector start;
    uint32_t building;
    const char* result;
  };
  for (const Case& c : {Case{{5000, 500, 5200}, harbour, "0"}, Case{{5550, 500, 5200}, other.Index, "29"},
                        Case{{4500, 500, 5200}, 0, "24"}}) {
    SCOPED_TRACE(c.start.x);
    TPickResult pick{};
    TConstructResult r = Set({0});
    EXPECT_EQ(PickBuildingOfSelectedType(c.start, down, pick, r), c.building);
    EXPECT_EQ(r.Elements(), c.result);
  }
}

// ---- Coast buildings: the water part 50..300 before point 1, the land part 50..300 beyond it

class CoastBuildings : public Harbours {
 protected:
  void SetUp() override {
    Harbours::SetUp();
    TBuildingType& t = BuildingTypes[kCoastType];
    SetBuildingTypeReferencePoint(t, 1, {0, 0, 0});
    SetBuildingTypeReferencePoint(t, 2, {0, 0, 100});
    const float part[4][2] = {{-50, 50}, {50, 50}, {50, 300}, {-50, 300}};
    for (int k = 0; k < 4; ++k) {
      SetBuildingTypeReferencePoint(t, 3 + k, {part[k][0], 0, -part[k][1]});
      SetBuildingTypeReferencePoint(t, 7 + k, {part[k][0], 0, part[k][1]});
    }
    SetBuildingTypeMesh(t, StoredRectangle(-50, -300, 50, 300));
  }

  TConstructResult Yard(const TVector& a, const TVector& b, uint8_t mode) {
    TConstructResult r;
    ConstructCoastBuilding(a, b, *curve, r, mode);
    return r;
  }
};

TEST_F(CoastBuildings, TheBuildingStandsAcrossTheCoastMovedAlongItsAxisTillItFits) {
  struct Case {
    float x;     // point 1, drawn toward the land
    float built; // where it stands
  };
  for (const Case& c : {Case{4950, 4950}, Case{5085, 5045}}) {
    SCOPED_TRACE(c.x);
    ArrayerReset();
    SetBuildingTypeMesh(BuildingTypes[kCoastType], StoredRectangle(-50, -300, 50, 300));
    ASSERT_TRUE(Yard({c.x, 0, 6000}, {c.x + 300, 0, 6000}, 0).Ok());
    EXPECT_EQ(curve->conzahl, 2);
    ASSERT_EQ(curve->PreviewBuilding[1], 1);
    // The mesh's water end (its z -300) turned onto -x, shown where the building will stand.
    float lowest = 1e9f;
    for (int i = 1; i <= 4; ++i) lowest = std::min(lowest, At(curve->PreviewMeshes[1], i).x);
    EXPECT_NEAR(lowest, c.built - 300, 0.1);

    ASSERT_TRUE(Yard({c.x, 0, 6000}, {c.x + 300, 0, 6000}, 1).Ok());
    const std::vector<uint32_t> buildings = Stored(kARTypeBuilding);
    ASSERT_EQ(buildings.size(), 1u);
    const TBuilding b = StoredBuilding(buildings[0]);
    EXPECT_EQ(Value(b.BuildingType), kCoastType);
    EXPECT_NEAR(Value(b.Position.x), c.built, 1e-2);
    EXPECT_NEAR(Value(b.Position.z), 6000.0f, 1e-2);
    EXPECT_NEAR(Value(b.Gier), 90.0f, 1e-3);
  }
}

TEST_F(CoastBuildings, WithoutWaterOrCoastOrLengthNothingIsBuilt) {
  struct Case {
    const char* what;
    void (*map)();
    float x, length;
    const char* result;
  };
  const Case cases[] = {
      {"all land", [] { Coast(0); }, 4950, 300, "26"},
      {"all water", [] { Coast(kMapSize); }, 4950, 300, "27"},
      // A sandbank in column 47: the land part reaches the shore only where the water part
      // meets the sandbank.
      {"water lost",
       [] {
         Coast(49);
         for (int z = 0; z < kMapSize; ++z) GroundMap[47][z] = 5;
       },
       4750, 300, "27"},
      {"no length", [] { Coast(kCoastColumn); }, 4950, 0, "2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.map();
    EXPECT_EQ(Yard({c.x, 0, 6000}, {c.x + c.length, 0, 6000}, 1).Elements(), c.result);
    EXPECT_TRUE(Stored(kARTypeBuilding).empty());
  }
}

}  // namespace
