// The in-memory mesh and the mesh file reader; the mesh builders and transforms. The same record
// is kept in the record store as TMeshdata2: its accessors, Destroy and the stored animations come
// with engine/mesh/meshrecords.h.
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/types.h"
#include "engine/store/recordaccess.h"

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
  // Sets position and texture coordinates of vertex i (1 to 600) and raises the vertex count to i
  // when it is lower; the normal is not touched. Any other i: a warning, the mesh unchanged.
  void vxA(uint16_t i, float x, float y, float z, float u, float v);
  // The stored mesh (meshrecords.cpp): frees the entry of this record's index; DestroyByIndex
  // reads the entry first, so an index that holds no mesh stops the program.
  void Destroy();
  static void DestroyByIndex(uint32_t index);
};
static_assert(sizeof(TMesh2) == 27368);
#pragma pack(pop)

// Fills the mesh from the file Dir + Name (read through the repository layer) by the rules below
// (kMesh2Rules).
void LoadMesh2(TMesh2& mesh, const std::string& dir, const std::string& name);
// Reorders the polygons by texture slot, highest first, untextured last.
void SortPolygonsByTexture(TMesh2& mesh);
void SortPolygonsByTexture(TMeshPolygon* polygons, int count);

// ---- The mesh file reader that LoadMesh2 and other meshes' loaders share.

#pragma pack(push, 1)
// A vertex as the file stores it: position, normal, colour bytes (red, green, blue, alpha), u, v.
struct TMeshFileVertex {
  float x, y, z;
  float nx, ny, nz;
  uint8_t Colour[4];
  float u, v;
};
static_assert(sizeof(TMeshFileVertex) == 36);
#pragma pack(pop)

// How a loader wants the file read where loaders differ.
struct TMesh2ReadRules {
  int32_t VertexRoom;            // vertices the mesh holds
  bool StopOnTooManyVertices;    // fatal; else the first VertexRoom are kept and the rest skipped, with a warning
  bool StopOnUnknownVersion;     // fatal; else a warning, and the textures and vertices are read but no polygon
  bool StopWithoutFallback;      // "NoMesh.msh2" missing too: the repository layer stops; else a warning, no mesh
  bool CheckNumbers;             // warn about vertex values and polygon normals that are not finite
  // The texture slot of a texture name of the file (never called for an empty name).
  uint16_t (*TextureSlot)(const std::string& name, uint8_t state);
  void (*Warning)(const std::string& msg);
};
// LoadMesh2's rules: 600 vertices, game texture slots, the engine's warnings and stops.
extern const TMesh2ReadRules kMesh2Rules;

// Where the reader puts a mesh. The caller hands zero-filled room: Vertices for VertexRoom
// vertices, Polygons for 255. The reader sets the counts and flags; vertex numbers of polygons
// that name no vertex become 1, and texture positions beyond the list 0 (untextured), each with a
// warning; every polygon's colour is its first vertex's and its normal is computed from its first
// three vertices; the polygons are sorted by texture slot, highest first.
struct TMesh2Parts {
  uint16_t VertexCount;
  uint8_t PolygonCount;
  uint8_t Flags;
  TMeshFileVertex* Vertices;
  TMeshPolygon* Polygons;
};
// Reads Dir + Name, or Dir + "NoMesh.msh2" with a warning when that file does not exist.
void ReadMesh2File(const std::string& dir, const std::string& name, const TMesh2ReadRules& rules, TMesh2Parts& parts);

// ---- Builders and transforms. None of them allocates or sorts the polygons; a field that a
// builder does not name keeps its value.

// Appends a quad (a, b, c, d) or a triangle (a, b, c; the fourth index slot keeps what it held)
// with its texture slot, flags (16 when lit, always 32 flat, 1 two-sided when not culled) and
// colour. The normal, of the vertices a, b and d for a quad and a, b and c for a triangle, becomes
// the polygon normal and the normal of each of its vertices. A mesh with 255 polygons is left
// unchanged without a word; an index outside 1 to 600 gives a warning and leaves it unchanged.
void AddQuad(TMesh2& mesh, uint16_t a, uint16_t b, uint16_t c, uint16_t d, uint16_t texture, bool lit, bool cull,
             uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);
void AddTriangle(TMesh2& mesh, uint16_t a, uint16_t b, uint16_t c, uint16_t texture, bool lit, bool cull,
                 uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha);

// Moves every used vertex position by (dx, dy, dz).
void TranslateMesh(TMesh2& mesh, float dx, float dy, float dz);
// Turns every used vertex (position and normal) and every used polygon normal by the angles of p,
// Roll about z first, then Nick about x, then Gier about y (an angle of exactly 0 skips its turn),
// then moves the positions by p's X, Y, Z. This is what Gra_SetTransform (p) does to a vertex.
void TransformMesh(TMesh2& mesh, const TPlacement& p);
// The same turn for one point, then p's X, Y, Z added.
void RotateVectorDeg(TVector& v, const TPlacement& p);
// The smallest and largest coordinate per axis over the used vertices, starting from vertex 1
// (also for a mesh without vertices).
void MeshBoundingBox(const TMesh2& mesh, float& minX, float& minY, float& minZ, float& maxX, float& maxY,
                     float& maxZ);
// Replaces the mesh by a block under the top corners p1 to p4 (in order round the block): the top
// quad (left half of the texture, v from 0 to l), the walls along p4-p1 and p2-p3 dropping by
// height (right half of the texture) and, with sides, the ends p1-p2 and p3-p4. 12 vertices and
// 3 polygons, or 20 and 5 with sides; lit, two-sided, white.
void BuildBlockMesh(TMesh2& mesh, const TVector& p1, const TVector& p2, const TVector& p3, const TVector& p4,
                    float height, bool sides, uint16_t texture, float l);
// Replaces the mesh by the stored animation aniIndex (a TMeshAni) at time t: frame Trunc(t) blended
// into the next one (wrapping from the last frame to the first) by the fraction of t. An animation
// without frames, a time at or below minus the frame count, or an animation of more than 600
// vertices gives a warning and leaves the mesh as it is.
void GetAnimatedMesh(uint32_t aniIndex, TMesh2& mesh, float t);

// A short list of distinct 16-bit values (the texture slots of a mesh).
constexpr int kIndexListRoom = 20;
#pragma pack(push, 1)
struct TIndexList {
  uint16_t Entries[kIndexListRoom];  // entry i (1-based) is Entries[i - 1]
  uint8_t Count;                     // entries in use
  uint8_t Flag;                      // the caller's; cleared with the count
};
static_assert(sizeof(TIndexList) == 42);
#pragma pack(pop)

// Appends value unless an entry in use equals it. A full list keeps its 20 entries and gives a
// warning for a value it does not hold.
void AddUniqueIndex(TIndexList& list, uint16_t value);
// Count and flag := 0.
void ClearIndexList(TIndexList& list);
