// The building program's drawable meshes: the block of vertices, quads and triangles it draws in
// immediate mode, read from a *.msh2 file (through the shared mesh file reader, into a staging
// mesh of its own) or from a file of the older header-less layout.
//
// The older layout, little endian: u16 vertex count; vertices of three f32 (x, y, z); u8 quad
// count; quads of 44 bytes (f32 U1..U4, f32 V1..V4, u16 corners 1..4, u8 texture, 3 bytes kept);
// u8 triangle count; triangles of 32 bytes (f32 U1..U3, f32 V1..V3, u16 corners 1..3, u8 texture,
// 1 byte kept); u8 texture count; per texture a u8 alpha flag, a u32 name length and the name.
// A polygon whose U1 is exactly 100.0 is a colour polygon: untextured, V1, V2, V3 its red, green
// and blue (0.0 to 1.0).
#pragma once

#include <cstdint>
#include <string>

#include "engine/base/types.h"
#include "engine/mesh/mesh.h"

namespace brumin {

constexpr int kBlockMaxVertices = 5000;
constexpr int kBlockMaxPolygons = 5000;
constexpr int kBlockTextureSlots = 20;
constexpr float kColourPolygon = 100.0f;  // U1 of a colour polygon
constexpr uint32_t kGlPolygon = 0x0009;   // GL_POLYGON

#pragma pack(push, 1)
struct TMeshQuad {
  float U[4];
  float V[4];
  uint16_t Corners[4];  // vertex numbers from 1
  uint8_t Texture;      // position in the block's TextureSlots from 1; 0 untextured
  uint8_t Spare[3];     // carried over from the file
};
static_assert(sizeof(TMeshQuad) == 44);

struct TMeshTriangle {
  float U[3];
  float V[3];
  uint16_t Corners[3];
  uint8_t Texture;
  uint8_t Spare;
};
static_assert(sizeof(TMeshTriangle) == 32);
#pragma pack(pop)

// About 440 KB: keep blocks on the heap. Arrays count from 0 here; the accessors count from 1.
struct TMeshBlock {
  uint16_t VertexCount;
  uint16_t QuadCount;
  uint8_t TextureSlotCount;
  uint16_t TriangleCount;
  // The records are packed; the arrays start on float boundaries so their floats can be read in place.
  alignas(4) TVector Vertices[kBlockMaxVertices];
  alignas(4) TMeshQuad Quads[kBlockMaxPolygons];
  uint16_t TextureSlots[kBlockTextureSlots];  // MeshTextureTable slots
  alignas(4) TMeshTriangle Triangles[kBlockMaxPolygons];

  TVector& Vertex(int i) { return Vertices[i - 1]; }
  const TVector& Vertex(int i) const { return Vertices[i - 1]; }
  TMeshQuad& Quad(int i) { return Quads[i - 1]; }
  TMeshTriangle& Triangle(int i) { return Triangles[i - 1]; }
  // The table slot at a position of TextureSlots; 0 for a position outside 1..TextureSlotCount.
  uint16_t SlotAt(int position) const;
};

// The staging mesh of LoadMesh2: the polygons as the engine's mesh holds them, the vertices as the
// file stores them (with their colour bytes), room for 5000.
struct TMesh2 {
  uint16_t VertexCount;
  uint8_t PolygonCount;
  uint8_t Flags;
  TMeshFileVertex Vertices[kBlockMaxVertices];  // vertex i is Vertices[i - 1]
  TMeshPolygon Polygons[kMeshMaxPolygons];
};

// The unit's start: the texture table emptied with "logfile.txt" in the current folder, and the
// floating-point environment at its default (all exceptions masked, round to nearest).
void InitMeshUnit();

// Reads Dir + Name into the mesh (zero-filled first) as the engine's LoadMesh2 does, except: up to
// 5000 vertices (more are cut with a warning), textures through LoadTextureByName (alpha for the
// state byte 1), an unknown version is warned about and keeps no polygon, a missing "NoMesh.msh2"
// leaves the mesh empty with a warning, and vertex values are not checked.
void LoadMesh2(TMesh2& mesh, const std::string& dir, const std::string& name);
// Converts the mesh's triangles (kind 0) and quads (kind 1) in their order; any other kind is
// dropped. Each corner takes its vertex's u and v; the polygons' texture slots become a list of
// distinct slots in first-seen order (at most 20: the polygons of further slots are untextured).
void Mesh2ToBlock(const TMesh2& mesh, TMeshBlock& block);
// Reads Work_DIR + Name into the block: a name containing ".MSH2" (any case) through LoadMesh2,
// any other as the older layout, whose textures load through LoadMeshTexture. A missing or short
// file leaves the block empty with a warning; counts beyond the block's room and corners or
// texture positions that name nothing are cut with a warning.
void LoadMeshFile(TMeshBlock& block, const std::string& name);
// Draws the block with the current matrices: triangles, then quads (as GL polygons), each
// textured with its slot's frame in the colour (1 is full intensity) or, as a colour polygon,
// untextured in its own colour.
void DrawMesh(const TMeshBlock& block, uint8_t red, uint8_t green, uint8_t blue, uint8_t frame);
// glVertex3f, then the floating-point environment back at its default.
void Vertex3f(float x, float y, float z);

}  // namespace brumin
