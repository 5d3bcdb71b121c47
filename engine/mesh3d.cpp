#include "engine/mesh3d.h"

#include <cmath>
#include <cstring>

#include "engine/filehandling.h"
#include "engine/lib.h"
#include "engine/libmath.h"
#include "engine/qzrepository.h"
#include "engine/sys.h"

namespace {

constexpr const char* kMagic20 = "QZ 3D Mesh 2.0";
constexpr const char* kMagic21 = "QZ 3D Mesh 2.1";
constexpr const char* kNoMesh = "NoMesh.msh2";

// Reads little-endian fields from the file; whatever the file does not hold reads as zero.
class MeshReader {
 public:
  explicit MeshReader(TRepositoryFile& f) : f_(f) {}
  void bytes(void* dst, int32_t n) {
    std::memset(dst, 0, static_cast<size_t>(n));
    if (n > 0) xBlockRead(f_, dst, n);
  }
  uint8_t u8() {
    uint8_t b[1];
    bytes(b, 1);
    return b[0];
  }
  uint16_t u16() {
    uint8_t b[2];
    bytes(b, 2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
  }
  float f32() {
    uint8_t b[4];
    bytes(b, 4);
    uint32_t u = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
                 static_cast<uint32_t>(b[3]) << 24;
    float v;
    std::memcpy(&v, &u, 4);
    return v;
  }
  // A String[20]: a length byte, then 20 bytes; characters past the length are ignored.
  std::string str20() {
    uint8_t b[21];
    bytes(b, 21);
    return std::string(reinterpret_cast<const char*>(b + 1), std::min<uint8_t>(b[0], 20));
  }
  // The raw 21 bytes as a length and its characters, for the exact magic comparison.
  void raw21(uint8_t (&b)[21]) { bytes(b, 21); }

 private:
  TRepositoryFile& f_;
};

bool MagicIs(const uint8_t (&b)[21], const char* magic) {
  const size_t n = std::strlen(magic);
  return b[0] == n && std::memcmp(b + 1, magic, n) == 0;
}

bool Finite(float v) { return std::isfinite(v); }

// A vertex index names a vertex when it lies in 1..count; 0 and anything above count do not.
bool NamesVertex(uint16_t index, uint16_t count) { return index >= 1 && index <= count; }

}  // namespace

void LoadMesh2(TMesh2& mesh, const std::string& dir, const std::string& name) {
  std::memset(&mesh, 0, sizeof(mesh));
  std::string fileName = name;
  if (!xFileExists(dir + fileName)) {
    SYS_Warning("ERROR: " + dir + fileName + " NOT EXISTS!!");
    fileName = kNoMesh;
  }
  TRepositoryFile f;
  xAssign(f, dir + fileName);
  xReset(f, 1);
  MeshReader in(f);

  uint8_t magic[21];
  in.raw21(magic);
  int version = 0;
  if (MagicIs(magic, kMagic20))
    version = 20;
  else if (MagicIs(magic, kMagic21))
    version = 21;
  else {
    xClose(f);
    SYS_BREAKPROGRAM("Unknown mesh-Version: " + fileName);
  }

  // Texture positions of the file map to texture slots; position 0 is untextured.
  uint16_t slotOf[kMeshMaxFileTextures + 1] = {};
  const uint8_t textureCount = in.u8();
  for (int i = 1; i <= textureCount; ++i) {
    const std::string texture = in.str20();
    const uint8_t state = in.u8();
    if (i > kMeshMaxFileTextures) {
      if (i == kMeshMaxFileTextures + 1)
        SYS_Warning("Mesh3D: LoadMesh2: more than 20 textures in " + fileName + "; the rest are left untextured");
      continue;
    }
    if (texture.find(".ani") != std::string::npos) mesh.Flags |= kMeshAnimatedTexture;
    slotOf[i] = texture.empty() ? 0 : LoadTexture(texture, state, 0, true);
  }

  const uint16_t vertexCount = in.u16();
  if (vertexCount > kMeshMaxVertices) {
    xClose(f);
    SYS_BREAKPROGRAM("Error: Mesh3D: LoadMesh2: Too much Vertexe of Mesh while loading file: " + dir + "/" + fileName);
  }
  mesh.VertexCount = vertexCount;
  mesh.PolygonCount = in.u8();

  uint8_t colours[kMeshMaxVertices + 1][4] = {};
  for (int i = 1; i <= vertexCount; ++i) {
    TMeshVertex& v = mesh.Vertex(i);
    v.x = in.f32();
    v.y = in.f32();
    v.z = in.f32();
    v.nx = in.f32();
    v.ny = in.f32();
    v.nz = in.f32();
    in.bytes(colours[i], 4);
    v.u = in.f32();
    v.v = in.f32();
  }

  std::vector<bool> badTexture(mesh.PolygonCount + 1, false);
  for (int p = 1; p <= mesh.PolygonCount; ++p) {
    TMeshPolygon& poly = mesh.Polygon(p);
    uint16_t textureIndex = 0;
    if (version == 20) {
      for (uint16_t& index : poly.Vertices) index = in.u16();
      textureIndex = in.u16();
      poly.Kind = in.u8();
      const uint8_t lit = in.u8();
      const uint8_t flat = in.u8();
      poly.Flags = in.u8();
      if (lit) poly.Flags |= kPolyLit;
      if (flat) poly.Flags |= kPolyFlat;
      poly.Spare = in.u16();
    } else {
      in.f32();  // the stored normal is replaced by the computed one
      in.f32();
      in.f32();
      for (uint16_t& index : poly.Vertices) index = in.u16();
      textureIndex = in.u16();
      poly.Kind = in.u8();
      poly.Spare1 = in.u8();
      poly.Spare2 = in.u8();
      poly.Flags = in.u8();
      poly.Spare = in.u16();
    }
    // The colour and normal come from the first vertices; an index naming no vertex counts as 1.
    auto at = [&](int k) -> const TMeshVertex& {
      const uint16_t index = poly.Vertices[k];
      return mesh.Vertex(NamesVertex(index, vertexCount) ? index : 1);
    };
    const uint16_t first = NamesVertex(poly.Vertices[0], vertexCount) ? poly.Vertices[0] : 1;
    std::memcpy(poly.Colour, colours[first], 4);
    const TMeshVertex& a = at(0);
    const TMeshVertex& b = at(1);
    const TMeshVertex& c = at(2);
    TriangleNormal({a.x, a.y, a.z}, {b.x, b.y, b.z}, {c.x, c.y, c.z}, poly.Normal);
    if (textureIndex > textureCount || textureIndex > kMeshMaxFileTextures) {
      poly.Texture = 0;
      badTexture[p] = true;
    } else {
      poly.Texture = slotOf[textureIndex];
    }
  }
  xClose(f);

  bool badVertex = false;
  for (int i = 1; i <= vertexCount && !badVertex; ++i) {
    const TMeshVertex& v = mesh.Vertex(i);
    for (float x : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v})
      if (!Finite(x)) badVertex = true;
  }
  if (badVertex) SYS_Warning("TMesh2.load:" + fileName + " Vertex are fehlerhaft!!");

  for (int p = 1; p <= mesh.PolygonCount; ++p) {
    TMeshPolygon& poly = mesh.Polygon(p);
    const bool normalBad = !Finite(poly.Normal.x) || !Finite(poly.Normal.y) || !Finite(poly.Normal.z);
    // Every slot is tested against the count; 0 names no vertex in a slot the polygon uses (the
    // fourth slot of a triangle is unused and may hold 0).
    const int used = poly.Kind == kPolyTriangle ? 3 : 4;
    for (int k = 0; k < 4; ++k) {
      bool bad = normalBad;
      if (poly.Vertices[k] > vertexCount || (poly.Vertices[k] == 0 && k < used)) {
        poly.Vertices[k] = 1;
        bad = true;
      }
      if (k == 0 && badTexture[p]) bad = true;
      if (bad) SYS_Warning("TMesh2.load:" + fileName + " Polygone: " + IntToStrShort(p) + " fehlerhaft!!");
    }
  }

  SortPolygonsByTexture(mesh);
}

void SortPolygonsByTexture(TMesh2& mesh) {
  const int count = mesh.PolygonCount;
  int h = 1;
  while (!(count - 1 < h)) h = 3 * h + 1;
  do {
    h /= 3;
    if (h < 1) break;
    for (int i = h + 1; i <= count; ++i) {
      const TMeshPolygon taken = mesh.Polygon(i);
      int j = i;
      while (mesh.Polygon(j - h).Texture < taken.Texture) {
        mesh.Polygon(j) = mesh.Polygon(j - h);
        j -= h;
        if (j <= h) break;
      }
      mesh.Polygon(j) = taken;
    }
  } while (h != 1);
}
