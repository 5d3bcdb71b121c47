#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "engine/base/worldstate.h"
#include "network/world/terrain.h"

namespace {

// Flat land of kind 5 at height 0.
class TerrainTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetWorldState();
    std::memset(GroundMap, 5, sizeof(GroundMap));
  }
  // Every vertex of the square x-r..x+r, z-r..z+r at map height h.
  static void Plateau(int x, int z, int r, int16_t h) {
    for (int i = x - r; i <= x + r; ++i)
      for (int j = z - r; j <= z + r; ++j) HeightMap[i][j] = h;
  }
};

TEST_F(TerrainTest, AVertexReadsTwiceItsMapValueAndItsFanTheNeighbours) {
  HeightMap[10][10] = 50;
  HeightMap[10][9] = 20;   // edge neighbour k = 0
  HeightMap[11][9] = 70;   // corner neighbour k = 1
  ShadingMap[10][10] = -40;
  GroundMap[11][10] = 2;   // a water kind, k = 2
  EXPECT_FLOAT_EQ(HeightAt(1000.0f, 1000.0f), 100.0f);
  EXPECT_FLOAT_EQ(TileFan.CentreHeight, 100.0f);
  EXPECT_FLOAT_EQ(TileFan.CentreX, 1000.0f);
  EXPECT_FLOAT_EQ(TileFan.CentreZ, 1000.0f);
  EXPECT_FLOAT_EQ(TileFan.RingHeight[0], 40.0f);
  // Ring 1 lies on the diagonal to (11, 9) (mean 120) and on the one between rings 0 and 2 (mean 20).
  EXPECT_FLOAT_EQ(TileFan.RingHeight[1], 20.0f);
  EXPECT_FLOAT_EQ(TileFan.RingX[1], 1050.0f);
  EXPECT_FLOAT_EQ(TileFan.RingZ[1], 950.0f);
  EXPECT_FLOAT_EQ(TileFan.RingX[6], 900.0f);
  EXPECT_EQ(TileFan.Kinds[0], 5);
  EXPECT_EQ(TileFan.Kinds[3], 3);  // water kinds read as 3
  EXPECT_EQ(TileFan.EdgesUniform, 0);
  EXPECT_EQ(TileFan.CornersUniform, 1);
  EXPECT_EQ(TileFan.Shading, -40);
}

TEST_F(TerrainTest, HeightsBetweenVerticesFollowTheFanTriangles) {
  HeightMap[10][10] = 50;  // a single raised vertex, world height 100, on flat ground
  struct Row {
    float x, z, height;
  };
  const Row rows[] = {
      {1000.0f, 950.0f, 50.0f},   // halfway to edge neighbour (10, 9)
      {1050.0f, 1000.0f, 50.0f},  // halfway to (11, 10)
      {1025.0f, 975.0f, 50.0f},   // halfway to the diagonal middle, which stays low
      {1050.0f, 950.0f, 0.0f},    // the diagonal middle itself
      {940.0f, 1000.0f, 40.0f},
      {1100.0f, 1000.0f, 0.0f},   // the neighbour vertex
      {5000.0f, 5000.0f, 0.0f},   // flat ground
  };
  for (const Row& r : rows) EXPECT_NEAR(HeightAt(r.x, r.z), r.height, 1e-3f) << r.x << ", " << r.z;

  // Where a raised vertex and its raised diagonal partner meet, the middle rises only as far as
  // the other diagonal allows.
  HeightMap[11][9] = 50;
  EXPECT_FLOAT_EQ(HeightAt(1050.0f, 950.0f), 0.0f);
  HeightMap[10][9] = HeightMap[11][10] = 50;
  EXPECT_FLOAT_EQ(HeightAt(1050.0f, 950.0f), 100.0f);
}

TEST_F(TerrainTest, HeightIsContinuousAcrossTheEdgeBetweenTwoFans) {
  // An uneven patch: the vertex nearest the point changes at x = 150 and z = 150 (halves go to the
  // even vertex); both fans build the shared diagonal middle from the same four vertices.
  const int16_t h[5][5] = {{3, 40, 7, 22, 9}, {18, 0, 55, 12, 4}, {30, 61, 5, 47, 20},
                           {8, 26, 33, 2, 50}, {41, 15, 19, 36, 11}};
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j) HeightMap[i][j] = h[i][j];
  for (float along = 20.0f; along <= 380.0f; along += 15.0f) {
    EXPECT_NEAR(HeightAt(149.99f, along), HeightAt(150.0f, along), 0.05f) << "z = " << along;
    EXPECT_NEAR(HeightAt(150.01f, along), HeightAt(150.0f, along), 0.05f) << "z = " << along;
    EXPECT_NEAR(HeightAt(along, 249.99f), HeightAt(along, 250.0f), 0.05f) << "x = " << along;
    EXPECT_NEAR(HeightAt(along, 250.01f), HeightAt(along, 250.0f), 0.05f) << "x = " << along;
  }
}

TEST_F(TerrainTest, TheMapEdgesInAndOut) {
  Plateau(1, 1, 1, 10);       // vertex (0, 0) and its neighbours at 10
  HeightMap[1023][1023] = 30;
  GroundMap[1023][1023] = 11;
  struct Row {
    float x, z, height;
  };
  const Row rows[] = {
      {0.0f, 0.0f, 20.0f},
      {-50.0f, 0.0f, 20.0f},        // rounds to vertex 0
      {-50.01f, 0.0f, 0.0f},        // rounds to -1: off the map
      {0.0f, -50.0f, 20.0f},
      {0.0f, -51.0f, 0.0f},
      {102300.0f, 102300.0f, 60.0f},
      {102349.0f, 102300.0f, 60.0f},  // past the last vertex the outside neighbour is the vertex itself
      {102350.0f, 102300.0f, 0.0f},   // rounds to 1024
      {1e30f, 0.0f, 0.0f},
      {std::numeric_limits<float>::quiet_NaN(), 0.0f, 0.0f},
  };
  for (const Row& r : rows) EXPECT_FLOAT_EQ(HeightAt(r.x, r.z), r.height) << r.x << ", " << r.z;

  // The corner vertex: neighbours off the map take its own height and kind.
  TTileFan fan{};
  ASSERT_TRUE(BuildTileFan(fan, 1023, 1023));
  for (int k = 0; k < 8; ++k) EXPECT_EQ(fan.Kinds[1 + k], k == 6 || k == 7 || k == 0 ? 5 : 11) << k;
  EXPECT_FLOAT_EQ(fan.RingHeight[2], 60.0f);
  EXPECT_FLOAT_EQ(fan.RingHeight[4], 60.0f);
  EXPECT_FLOAT_EQ(fan.RingHeight[3], 60.0f);
  EXPECT_FLOAT_EQ(fan.RingHeight[6], 0.0f);

  // A vertex off the map leaves the fan as it was.
  TTileFan before = fan;
  EXPECT_FALSE(BuildTileFan(fan, 1024, 5));
  EXPECT_FALSE(BuildTileFan(fan, 5, -1));
  EXPECT_EQ(std::memcmp(&before, &fan, sizeof fan), 0);

  EXPECT_FALSE(NeighbourTileInMap(0, 5, 6));
  EXPECT_TRUE(NeighbourTileInMap(0, 5, 2));
  EXPECT_FALSE(NeighbourTileInMap(1023, 1023, 3));
  EXPECT_TRUE(NeighbourTileInMap(1023, 1023, 7));
  EXPECT_FALSE(NeighbourTileInMap(5, 5, 8));
}

TEST_F(TerrainTest, GroundBordersAndBuildingGround) {
  GroundMap[100][101] = 9;
  CellFlags[200][200] = 0x01;  // a stale border flag on uniform ground
  MarkGroundBorders();
  EXPECT_EQ(CellFlags[100][100] & 0x01, 0x01);
  EXPECT_EQ(CellFlags[100][101] & 0x01, 0x01);
  EXPECT_EQ(CellFlags[99][102] & 0x01, 0x01);  // the other kind is its corner neighbour
  EXPECT_EQ(CellFlags[100][103] & 0x01, 0);
  EXPECT_EQ(CellFlags[200][200] & 0x01, 0);

  // Building ground clears bits 0x02 and 0x04 of the neighbours of another kind only.
  CellFlags[300][300] = 0x10;
  GroundMap[301][300] = 7;
  CellFlags[301][300] = 0x07 | 0x20;
  CellFlags[299][300] = 0x06;
  MarkGroundBorder(300, 300);
  EXPECT_EQ(CellFlags[300][300], 0x11);
  EXPECT_EQ(CellFlags[301][300], 0x21);
  EXPECT_EQ(CellFlags[299][300], 0x06);

  // The outer rows are not inner vertices: nothing happens there.
  GroundMap[1][0] = 9;
  MarkGroundBorder(0, 0);
  EXPECT_EQ(CellFlags[0][0], 0);
}

TEST_F(TerrainTest, ShadingFollowsTheFallAcrossAVertex) {
  struct Row {
    int16_t west, north, east, south;  // (x-1, z), (x, z-1), (x+1, z), (x, z+1)
    int8_t shading;
  };
  const Row rows[] = {
      {100, 0, 0, 0, 16},      // d = 50: round(7.07 x 2.2)
      {0, 0, 100, 0, -16},
      {3, 0, 0, 0, 2},         // d = 1 (3 div 2)
      {0, 0, 3, 0, -2},        // d = -1, truncated toward zero
      {1, 0, 0, 0, 0},
      {20000, 0, 0, 0, 127},   // round(220) cut to 127
      {0, 0, 0, 20000, -127},
      {40, 40, 40, 40, 0},
  };
  for (const Row& r : rows) {
    SetUp();
    HeightMap[499][500] = r.west;
    HeightMap[500][499] = r.north;
    HeightMap[501][500] = r.east;
    HeightMap[500][501] = r.south;
    UpdateLandRect(500, 500, 500, 500, false);
    EXPECT_EQ(ShadingMap[500][500], r.shading) << r.west << " " << r.north << " " << r.east << " " << r.south;
    EXPECT_EQ(GroundMap[500][500], 5);
  }
}

TEST_F(TerrainTest, GroundKindsByHeightAndSteepness) {
  struct Row {
    int16_t height;
    int steepness;
    uint8_t kind, expected;
  };
  const Row rows[] = {
      {100, 0, 5, 5},    {100, 20, 5, 5},   {100, 21, 5, 9},   {100, 50, 12, 9},  {100, 51, 5, 6},
      {599, 51, 10, 6},  {600, 0, 5, 9},    {700, 50, 5, 9},   {700, 51, 5, 6},   {1000, 60, 11, 6},
      {1000, 0, 7, 9},   {1001, 0, 12, 7},  {1001, 80, 5, 7},  {1001, 81, 5, 6},  {1500, 20, 9, 7},
      {100, 60, 4, 4},   {1500, 90, 3, 3},  {100, 60, 13, 13},
  };
  for (const Row& r : rows) {
    SetUp();
    Plateau(500, 500, 2, r.height);
    HeightMap[501][501] = static_cast<int16_t>(r.height - r.steepness);
    GroundMap[500][500] = r.kind;
    GroundMap[500][501] = 11;  // keeps the edge neighbours from agreeing on one kind
    UpdateLandRect(500, 500, 500, 500, true);
    EXPECT_EQ(GroundMap[500][500], r.expected) << "height " << r.height << " steepness " << r.steepness
                                               << " kind " << int(r.kind);
  }
}

TEST_F(TerrainTest, AVertexTakesTheLandKindItsEdgeNeighboursAgreeOn) {
  struct Row {
    uint8_t own, west, north, east, south, expected;
  };
  const Row rows[] = {
      {9, 11, 11, 11, 11, 11},  // all four agree
      {9, 11, 11, 11, 5, 9},    // they do not
      {9, 4, 4, 4, 4, 9},       // they agree on water
      {4, 11, 11, 11, 11, 4},   // the vertex is water
      {9, 5, 5, 13, 5, 5},      // the bitwise AND of 5 and 13 is 5, the kind below it
  };
  for (const Row& r : rows) {
    SetUp();
    Plateau(500, 500, 2, 100);  // level, and too high for a shore
    GroundMap[500][500] = r.own;
    GroundMap[499][500] = r.west;
    GroundMap[500][499] = r.north;
    GroundMap[501][500] = r.east;
    GroundMap[500][501] = r.south;
    UpdateLandRect(500, 500, 500, 500, true);
    EXPECT_EQ(GroundMap[500][500], r.expected) << int(r.own) << " " << int(r.west) << " " << int(r.north) << " "
                                               << int(r.east) << " " << int(r.south);
  }
}

TEST_F(TerrainTest, LowLandNearOpenWaterBecomesShore) {
  struct Row {
    int16_t height;
    uint8_t kind;
    int waterDX, waterDZ;
    uint8_t expected;
  };
  const Row rows[] = {
      {5, 5, 2, 2, 8},   {0, 9, -2, 0, 8},  {10, 10, 0, 1, 8}, {11, 5, 1, 1, 5},  {-1, 5, 1, 1, 5},
      {5, 5, 3, 0, 5},   {5, 6, 1, 0, 6},   {5, 7, 0, -1, 7},  {5, 12, 1, 1, 12},
  };
  for (const Row& r : rows) {
    SetUp();
    HeightMap[500][500] = r.height;
    GroundMap[500][500] = r.kind;
    GroundMap[500][501] = 11;  // no agreeing edge neighbours
    GroundMap[500 + r.waterDX][500 + r.waterDZ] = kGroundOpenWater;
    UpdateLandRect(500, 500, 500, 500, true);
    EXPECT_EQ(GroundMap[500][500], r.expected) << "height " << r.height << " kind " << int(r.kind) << " water at "
                                               << r.waterDX << ", " << r.waterDZ;
  }

  // Water on the map's outer row does not count.
  SetUp();
  GroundMap[0][5] = kGroundOpenWater;
  UpdateLandRect(1, 1, 5, 5, true);
  EXPECT_EQ(GroundMap[1][5], 5);
  GroundMap[1][7] = kGroundOpenWater;
  UpdateLandRect(1, 1, 5, 5, true);
  EXPECT_EQ(GroundMap[1][5], 8);
}

TEST_F(TerrainTest, ARectanglePastTheMapIsCutToTheInnerVertices) {
  HeightMap[0][1] = 100;        // falls toward (1, 1)
  HeightMap[1023][1022] = 100;  // rises beyond (1022, 1022)
  ShadingMap[0][0] = 99;
  ShadingMap[1023][1023] = 99;
  UpdateLandRect(-5, 5000, -5, 5000, true);
  EXPECT_EQ(ShadingMap[1][1], 16);
  EXPECT_EQ(ShadingMap[1022][1022], -16);
  EXPECT_EQ(ShadingMap[0][0], 99);
  EXPECT_EQ(ShadingMap[1023][1023], 99);
}

}  // namespace
