#include "apps/brumin/meshes.h"

#include <algorithm>
#include <cfenv>
#include <cstring>
#include <memory>
#include <vector>

#include "apps/brumin/textures.h"
#include "engine/base/text.h"
#include "engine/base/worldstate.h"
#include "engine/files/repository.h"
#include "engine/render/graphics.h"
#include "platform/platform.h"

namespace brumin {

namespace {

uint16_t MeshTextureSlot(const std::string& name, uint8_t state) { return LoadTextureByName(name, state == 1); }

const TMesh2ReadRules kMeshRules = {kBlockMaxVertices, false, false, false, false, MeshTextureSlot, MeshUnitWarning};

// Reads a file of the older layout in order and remembers whether it ended too early; what lies
// beyond the end reads as zero.
class LayoutReader {
 public:
  explicit LayoutReader(TRepositoryFile& f) : f_(f) {}
  bool Short() const { return short_; }

  void Take(void* dst, uint32_t n) {
    std::memset(dst, 0, n);
    if (short_ || n == 0) return;
    if (xBlockRead(f_, dst, static_cast<int32_t>(n)) != static_cast<int32_t>(n)) short_ = true;
  }
  void Skip(uint64_t n) {
    const int64_t left = static_cast<int64_t>(xFileSize(f_)) - xFilePos(f_);
    if (short_ || static_cast<int64_t>(n) > left) {
      short_ = true;
      return;
    }
    xSeek(f_, xFilePos(f_) + static_cast<int32_t>(n));
  }
  uint8_t U8() {
    uint8_t b = 0;
    Take(&b, 1);
    return b;
  }
  uint16_t U16() {
    uint8_t b[2];
    Take(b, 2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
  }
  uint32_t U32() {
    uint8_t b[4];
    Take(b, 4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
  }
  float F32() {
    const uint32_t bits = U32();
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
  }

 private:
  TRepositoryFile& f_;
  bool short_ = false;
};

struct LayoutTexture {
  bool alpha;
  std::string name;
};

// A polygon record: U, V, the corners, the texture position and the bytes kept.
template <class Polygon>
void ReadPolygons(LayoutReader& in, Polygon* polygons, uint16_t& count) {
  count = in.U8();
  for (int i = 0; i < count; ++i) {
    Polygon& p = polygons[i];
    for (float& u : p.U) u = in.F32();
    for (float& v : p.V) v = in.F32();
    for (uint16_t& c : p.Corners) c = in.U16();
    p.Texture = in.U8();
    in.Take(&p.Spare, sizeof(p.Spare));
  }
}

// A corner that names no vertex of the block becomes 1, a texture position beyond the list 0
// (untextured); each polygon that is cut is warned about, unless only the unused texture position
// of a colour polygon was.
template <class Polygon>
void CutPolygons(Polygon* polygons, int count, const char* kind, const TMeshBlock& block, const std::string& path) {
  for (int i = 0; i < count; ++i) {
    Polygon& p = polygons[i];
    bool cut = false;
    for (uint16_t& c : p.Corners) {
      if (c >= 1 && c <= block.VertexCount) continue;
      c = 1;
      cut = true;
    }
    if (p.Texture > block.TextureSlotCount) {
      p.Texture = 0;
      cut = cut || p.U[0] != kColourPolygon;
    }
    if (cut)
      MeshUnitWarning("Mesh3D: LoadMeshFile: " + path + " " + kind + " " + std::to_string(i + 1) +
                      " names no vertex or texture");
  }
}

// The older layout from path into the block, which comes zero-filled.
void ReadLayoutFile(TMeshBlock& block, const std::string& path) {
  if (!xFileExists(path)) {
    MeshUnitWarning("ERROR: " + path + " NOT EXISTS!!");
    return;
  }
  TRepositoryFile f;
  xAssign(f, path);
  xReset(f, 1);
  LayoutReader in(f);
  // Everything is read before a texture loads, so a short file leaves the texture table as it
  // was and the block empty.
  TMeshBlock& b = block;
  const uint16_t vertexCount = in.U16();
  b.VertexCount = std::min<uint16_t>(vertexCount, kBlockMaxVertices);
  for (int i = 1; i <= b.VertexCount; ++i) b.Vertex(i) = {in.F32(), in.F32(), in.F32()};
  in.Skip(12ull * (vertexCount - b.VertexCount));
  ReadPolygons(in, b.Quads, b.QuadCount);
  ReadPolygons(in, b.Triangles, b.TriangleCount);
  const uint8_t textureCount = in.U8();
  std::vector<LayoutTexture> textures;
  bool longName = false;
  for (int i = 1; i <= textureCount && !in.Short(); ++i) {
    const bool alpha = in.U8() != 0;
    const uint32_t length = in.U32();
    std::string name(std::min<uint32_t>(length, 255), '\0');
    in.Take(name.data(), static_cast<uint32_t>(name.size()));
    in.Skip(length - name.size());
    longName = longName || length > 255;
    textures.push_back({alpha, name});
  }
  xClose(f);
  if (in.Short()) {
    std::memset(&block, 0, sizeof(block));
    MeshUnitWarning("Mesh3D: LoadMeshFile: " + path + " ends before its counts say, no mesh is loaded");
    return;
  }

  if (vertexCount > kBlockMaxVertices)
    MeshUnitWarning("Mesh3D: LoadMeshFile: " + path + " has " + std::to_string(vertexCount) + " vertices, only " +
                    std::to_string(kBlockMaxVertices) + " are kept");
  if (textureCount > kBlockTextureSlots)
    MeshUnitWarning("Mesh3D: LoadMeshFile: " + path + " has " + std::to_string(textureCount) + " textures, only " +
                    std::to_string(kBlockTextureSlots) + " are kept");
  if (longName) MeshUnitWarning("Mesh3D: LoadMeshFile: " + path + ": texture names are cut to 255 characters");
  b.TextureSlotCount = static_cast<uint8_t>(std::min<size_t>(textures.size(), kBlockTextureSlots));
  CutPolygons(b.Quads, b.QuadCount, "quad", b, path);
  CutPolygons(b.Triangles, b.TriangleCount, "triangle", b, path);
  for (int i = 0; i < b.TextureSlotCount; ++i)
    b.TextureSlots[i] = LoadMeshTexture(textures[static_cast<size_t>(i)].name, textures[static_cast<size_t>(i)].alpha);
}

// The position of a corner, vertex 1 for a corner that names no vertex.
const TVector& CornerOf(const TMeshBlock& block, uint16_t corner) {
  const int count = std::min<int>(block.VertexCount, kBlockMaxVertices);
  return block.Vertex(corner >= 1 && corner <= count ? corner : 1);
}

// One polygon: its colour and texture, then the corners between glBegin and glEnd. A quad sets
// its colour before its texture, a triangle after.
template <size_t N>
void DrawPolygon(const TMeshBlock& block, const float (&u)[N], const float (&v)[N], const uint16_t (&corners)[N],
                 uint8_t texture, const float (&colour)[3], uint8_t frame, uint32_t primitive) {
  const bool quad = N == 4;
  if (u[0] != kColourPolygon) {
    if (quad) GraGL.glColor3f(colour[0], colour[1], colour[2]);
    BindTexture(block.SlotAt(texture), frame);
    if (!quad) GraGL.glColor3f(colour[0], colour[1], colour[2]);
  } else {
    GraGL.glColor3f(v[0], v[1], v[2]);
    BindTexture(0, 0);
  }
  GraGL.glBegin(primitive);
  for (size_t k = 0; k < N; ++k) {
    if (TexturingOn) GraGL.glTexCoord2f(u[k], v[k]);
    const TVector& p = CornerOf(block, corners[k]);
    Vertex3f(p.x, p.y, p.z);
  }
  GraGL.glEnd();
}

}  // namespace

uint16_t TMeshBlock::SlotAt(int position) const {
  const int count = std::min<int>(TextureSlotCount, kBlockTextureSlots);
  return position >= 1 && position <= count ? TextureSlots[position - 1] : 0;
}

void InitMeshUnit() {
  ResetMeshTextures(platform::CurrentDir() + "/");
  std::fesetenv(FE_DFL_ENV);
}

void LoadMesh2(TMesh2& mesh, const std::string& dir, const std::string& name) {
  std::memset(&mesh, 0, sizeof(mesh));
  TMesh2Parts parts{0, 0, 0, mesh.Vertices, mesh.Polygons};
  ReadMesh2File(dir, name, kMeshRules, parts);
  mesh.VertexCount = parts.VertexCount;
  mesh.PolygonCount = parts.PolygonCount;
  mesh.Flags = parts.Flags;
}

void Mesh2ToBlock(const TMesh2& mesh, TMeshBlock& block) {
  block.VertexCount = std::min<uint16_t>(mesh.VertexCount, kBlockMaxVertices);
  block.QuadCount = 0;
  block.TriangleCount = 0;
  block.TextureSlotCount = 0;
  for (int i = 1; i <= block.VertexCount; ++i) {
    const TMeshFileVertex& v = mesh.Vertices[i - 1];
    block.Vertex(i) = {v.x, v.y, v.z};
  }
  TIndexList slots;
  ClearIndexList(slots);
  // The u and v of a corner's vertex; a corner that names no vertex takes vertex 1's.
  const auto vertexOf = [&](uint16_t corner) -> const TMeshFileVertex& {
    return mesh.Vertices[corner >= 1 && corner <= block.VertexCount ? corner - 1 : 0];
  };
  for (int p = 0; p < std::min<int>(mesh.PolygonCount, kMeshMaxPolygons); ++p) {
    const TMeshPolygon& poly = mesh.Polygons[p];
    if (poly.Kind != kPolyTriangle && poly.Kind != kPolyQuad) continue;
    AddUniqueIndex(slots, poly.Texture);
    uint8_t position = 0;
    for (int i = 0; i < slots.Count; ++i)
      if (slots.Entries[i] == poly.Texture) position = static_cast<uint8_t>(i + 1);
    // A quad takes the four corners, a triangle the first three.
    const auto take = [&](auto& to) {
      for (size_t k = 0; k < std::size(to.Corners); ++k) {
        to.Corners[k] = poly.Vertices[k];
        to.U[k] = vertexOf(poly.Vertices[k]).u;
        to.V[k] = vertexOf(poly.Vertices[k]).v;
      }
      to.Texture = position;
    };
    if (poly.Kind == kPolyQuad)
      take(block.Quad(++block.QuadCount));
    else
      take(block.Triangle(++block.TriangleCount));
  }
  block.TextureSlotCount = slots.Count;
  std::copy(slots.Entries, slots.Entries + slots.Count, block.TextureSlots);
}

void LoadMeshFile(TMeshBlock& block, const std::string& requested) {
  const std::string name = requested.size() > 255 ? requested.substr(0, 255) : requested;
  std::memset(&block, 0, sizeof(block));
  if (UpperShort(name).find(".MSH2") == std::string::npos) {
    ReadLayoutFile(block, Work_DIR.str() + name);
    return;
  }
  const auto staging = std::make_unique<TMesh2>();
  LoadMesh2(*staging, Work_DIR.str(), name);
  Mesh2ToBlock(*staging, block);
}

void DrawMesh(const TMeshBlock& block, uint8_t red, uint8_t green, uint8_t blue, uint8_t frame) {
  const float colour[3] = {static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue)};
  GraGL.glTexEnvf(glk::TEXTURE_ENV, glk::TEXTURE_ENV_MODE, static_cast<float>(glk::MODULATE));
  for (int i = 0; i < std::min<int>(block.TriangleCount, kBlockMaxPolygons); ++i) {
    const TMeshTriangle& t = block.Triangles[i];
    DrawPolygon(block, t.U, t.V, t.Corners, t.Texture, colour, frame, glk::TRIANGLES);
  }
  for (int i = 0; i < std::min<int>(block.QuadCount, kBlockMaxPolygons); ++i) {
    const TMeshQuad& q = block.Quads[i];
    DrawPolygon(block, q.U, q.V, q.Corners, q.Texture, colour, frame, kGlPolygon);
  }
}

void Vertex3f(float x, float y, float z) {
  GraGL.glVertex3f(x, y, z);
  std::fesetenv(FE_DFL_ENV);
}

}  // namespace brumin
