// Mesh files (*.msh2) written byte by byte, in either version, and the sample meshes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sample_mesh {

struct Vertex {
  float x, y, z;
  float nx, ny, nz;
  uint8_t colour[4];
  float u, v;
};

struct Polygon {
  uint16_t vertices[4];     // 1-based
  uint16_t texture = 0;     // 0 untextured, else a 1-based position in the texture list
  uint8_t kind = 1;         // 0 triangle, 1 quad
  uint8_t lit = 0, flat = 0;  // version 2.0 only
  uint8_t flags = 0;
  uint16_t spare = 0;
  float normal[3] = {0, 0, 0};  // version 2.1 only
  uint8_t spare1 = 0, spare2 = 0;  // version 2.1 only
};

struct Texture {
  std::string name;
  uint8_t state = 0;
};

struct MeshFile {
  int version = 20;  // 20 or 21
  std::string magic;  // when set, written in place of the version's own magic
  std::vector<Texture> textures;
  std::vector<Vertex> vertices;
  std::vector<Polygon> polygons;
  // Counts written in place of the real ones (to make files that lie about their size).
  int vertexCountOverride = -1;

  // Adds an axis-aligned box of six quads facing outwards, four vertices a face.
  void AddBox(float x0, float y0, float z0, float x1, float y1, float z1, const uint8_t colour[4], uint16_t texture,
              uint8_t flags);
  // The same box with every face cut into divisions x divisions quads that share their corners:
  // (divisions + 1)^2 vertices and divisions^2 quads a face.
  void AddGridBox(float x0, float y0, float z0, float x1, float y1, float z1, const uint8_t colour[4], uint16_t texture,
                  uint8_t flags, int divisions);
  // A closed cylinder round the x axis (alongX) or the z axis through (cx, cy, cz), reaching
  // halfLength either way: `segments` side quads with outward normals and two caps of `segments`
  // triangles each; 4 x (segments + 1) vertices.
  void AddCylinder(float cx, float cy, float cz, float radius, float halfLength, bool alongX, int segments,
                   const uint8_t colour[4], uint16_t texture, uint8_t flags);
  std::string Bytes() const;
};

// A polygon of vertex numbers a to d (d 0 for a triangle), a texture position and a kind.
Polygon MakePolygon(uint16_t a, uint16_t b, uint16_t c, uint16_t d, uint16_t texture, uint8_t kind);

// The stand-in for missing meshes, "NoMesh.msh2": a small grey pyramid.
MeshFile NoMeshFile();

// Writes the sample meshes into root's vehicles\ folder and their textures into gfx\.
bool WriteSampleMeshes(const std::string& root, std::string& error);

// A mesh file of the building program's older header-less layout.
struct LayoutMesh {
  struct Quad {
    float u[4], v[4];
    uint16_t corners[4];  // 1-based
    uint8_t texture;      // 1-based position in the texture list
    uint8_t spare[3] = {0, 0, 0};
  };
  struct Triangle {
    float u[3], v[3];
    uint16_t corners[3];
    uint8_t texture;
    uint8_t spare = 0;
  };
  struct Texture {
    uint8_t alpha;  // 0 opaque
    std::string name;
  };
  struct Position {
    float x, y, z;
  };
  std::vector<Position> vertices;
  std::vector<Quad> quads;
  std::vector<Triangle> triangles;
  std::vector<Texture> textures;
  // Name lengths written in place of the real ones (to make files that lie), by texture position.
  std::vector<int64_t> nameLengthOverride;

  std::string Bytes() const;
};

// The parts of a detailed vehicle, a few hundred polygons each (version 2.1, lit), drawn with the
// sample vehicle's textures: a textured body, a bogie (a frame and two textured wheels), a
// vaulted roof and an underframe. Offsets in the vehicle's frame where each part belongs.
struct DetailedPart {
  const char* file;
  float x, y, z;
};
inline constexpr DetailedPart kDetailedParts[] = {{"detailbody.msh2", 0, 0, 0},
                                                  {"detailbogie.msh2", 3.2f, 0, 0},
                                                  {"detailbogie.msh2", -3.2f, 0, 0},
                                                  {"detailroof.msh2", 0, 0, 0},
                                                  {"detailframe.msh2", 0, 0, 0}};
// Writes the detailed parts into root's vehicles\ folder (after WriteSampleMeshes, whose
// textures they use).
bool WriteDetailedMeshes(const std::string& root, std::string& error);

}  // namespace sample_mesh
