// The landscape: terrain height at a world point, the triangle fan around one height vertex, the
// ground-border flags and the shading and ground kinds of reshaped ground.
//
// The maps are the world state's HeightMap, GroundMap, ShadingMap and CellFlags, indexed [x][z]
// with x = world X / 100 and z = world Z / 100. The world height of a vertex is twice its map value.
#pragma once

#include <cstdint>

// Ground kinds: 0..4 water (4 open water), 5..12 land. The kinds this unit gives:
constexpr uint8_t kGroundOpenWater = 4;
constexpr uint8_t kGroundSteep = 6;
constexpr uint8_t kGroundHigh = 7;
constexpr uint8_t kGroundShore = 8;
constexpr uint8_t kGroundSloped = 9;

// The eight neighbours of a vertex, k = 0..7 clockwise from (0, -1); even k are the edge
// neighbours, odd k the corner neighbours.
extern const int kNeighbourDX[8];
extern const int kNeighbourDZ[8];

// The triangle fan around one vertex: the vertex and a diamond ring of eight points. Even ring
// points are the edge-neighbour vertices, odd ones the middles of the cell diagonals. The fan's
// triangles are (vertex, ring k, ring k+1), ring 8 being ring 0.
struct TTileFan {
  uint8_t Kinds[9];        // the vertex's ground kind, then neighbour k's at 1 + k; water kinds read as 3
  uint8_t EdgesUniform;    // 1: the four edge neighbours have the vertex's kind
  uint8_t CornersUniform;  // 1: the four corner neighbours have the vertex's kind
  float RingHeight[8];     // world units
  float CentreHeight;
  float RingX[8];
  float CentreX;
  float RingZ[8];
  float CentreZ;
  int8_t Shading;          // the vertex's ShadingMap value
};

// The landscape's shared fan; HeightAt fills it.
extern TTileFan TileFan;

// True when neighbour K of vertex (X, Z) lies on the map.
bool NeighbourTileInMap(int X, int Z, int K);
// Fills Fan for vertex (X, Z); false, Fan untouched, when the vertex is off the map. Neighbours
// off the map take the vertex's own height and kind.
bool BuildTileFan(TTileFan& Fan, int X, int Z);
// The terrain height at a world point, from the fan of the nearest vertex (which Fan receives):
// 0.0 off the map.
float GetHeightAt(TTileFan& Fan, float WorldX, float WorldZ);
// GetHeightAt with the shared TileFan.
float HeightAt(float WorldX, float WorldZ);

// Sets or clears the border flag (CellFlags bit 0x01) of vertex (X, Z): set when a vertex of its
// 3 x 3 block has another ground kind. A building-ground vertex (bit 0x10) clears bits 0x02 and
// 0x04 of those other-kind neighbours. Vertices off 1..1022 are left alone.
void MarkGroundBorder(int X, int Z);
// MarkGroundBorder for every inner vertex of the map.
void MarkGroundBorders();
// Recomputes the shading and, with SetGround, the ground kinds of the vertices X0..X1 x Z0..Z1
// (cut to the inner vertices 1..1022).
void UpdateLandRect(int X0, int X1, int Z0, int Z1, bool SetGround);
