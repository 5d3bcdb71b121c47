// The in-memory mesh and the mesh file reader. The same record is kept in the record store as
// TMeshdata2: its accessors, Destroy and the stored animations come with engine/meshrecords.h.
#pragma once

#include <cstdint>
#include <string>

#include "engine/recordaccess.h"
#include "engine/types.h"

constexpr int kMeshMaxVertices = 600;
constexpr int kMeshMaxPolygons = 255;
constexpr int kMeshMaxFileTextures = 20;

// Mesh flags
constexpr uint8_t kMeshAnimatedTexture = 1;
constexpr uint8_t kMeshFromRecord = 2;
// Polygon flags
constexpr uint8_t kPolyTwoSided = 1;
constexpr uint8_t kPolyLit = 16;
constexpr uint8_t kPolyFlat = 32;
// Polygon kinds
constexpr uint8_t kPolyTriangle = 0;
constexpr uint8_t kPolyQuad = 1;

#pragma pack(push, 1)
struct TMeshVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};
static_assert(sizeof(TMeshVertex) == 32);

struct TMeshPolygon {
  TVector Normal;
  uint8_t Colour[4];       // red, green, blue, alpha
  uint16_t Vertices[4];    // 1-based; a triangle uses the first three
  uint16_t Texture;        // texture slot; 0 = untextured
  uint16_t Spare;
  uint8_t Kind;            // 0 triangle, 1 quad
  uint8_t Spare1, Spare2;
  uint8_t Flags;
};
static_assert(sizeof(TMeshPolygon) == 32);

struct TMesh2 : ArrayerRecord<TMesh2> {
  uint32_t Index;          // index of the stored mesh record; 0 when only in memory
  uint16_t VertexCount;
  uint8_t PolygonCount;
  uint8_t Flags;
  TMeshVertex Vertices[kMeshMaxVertices];   // vertex i is Vertices[i - 1]
  TMeshPolygon Polygons[kMeshMaxPolygons];  // polygon i is Polygons[i - 1]

  TMeshVertex& Vertex(int i) { return Vertices[i - 1]; }
  const TMeshVertex& Vertex(int i) const { return Vertices[i - 1]; }
  TMeshPolygon& Polygon(int i) { return Polygons[i - 1]; }
  const TMeshPolygon& Polygon(int i) const { return Polygons[i - 1]; }

  // Empties the mesh: no vertices, no polygons, flags 2. The index and the vertex and polygon data
  // stay as they are.
  void Init() {
    VertexCount = 0;
    PolygonCount = 0;
    Flags = kMeshFromRecord;
  }
  // The stored mesh (meshrecords.cpp): frees the entry of this record's index; DestroyByIndex
  // reads the entry first, so an index that holds no mesh stops the program.
  void Destroy();
  static void DestroyByIndex(uint32_t index);
};
static_assert(sizeof(TMesh2) == 27368);
#pragma pack(pop)

// Fills the mesh from the file Dir + Name (read through the repository layer).
void LoadMesh2(TMesh2& mesh, const std::string& dir, const std::string& name);
// Reorders the polygons by texture slot, highest first, untextured last.
void SortPolygonsByTexture(TMesh2& mesh);
