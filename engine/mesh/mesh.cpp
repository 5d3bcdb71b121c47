#include "engine/mesh/mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/text.h"
#include "engine/files/repository.h"
#include "engine/mesh/meshrecords.h"
#include "engine/render/texturefiles.h"

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

uint16_t GameTextureSlot(const std::string& name, uint8_t state) { return LoadTexture(name, state, 0, true); }

}  // namespace

const TMesh2ReadRules kMesh2Rules = {kMeshMaxVertices, true, true, true, true, GameTextureSlot, SYS_Warning};

void ReadMesh2File(const std::string& dir, const std::string& name, const TMesh2ReadRules& rules, TMesh2Parts& parts) {
  const auto warn = rules.Warning;
  std::string fileName = name;
  if (!xFileExists(dir + fileName)) {
    warn("ERROR: " + dir + fileName + " NOT EXISTS!!");
    fileName = kNoMesh;
    if (!rules.StopWithoutFallback && !xFileExists(dir + fileName)) {
      warn("ERROR: " + dir + fileName + " NOT EXISTS!!");
      return;
    }
  }
  TRepositoryFile f;
  xAssign(f, dir + fileName);
  xReset(f, 1);
  MeshReader in(f);

  uint8_t magic[21];
  in.raw21(magic);
  int version = 0;
  if (MagicIs(magic, kMagic20)) {
    version = 20;
  } else if (MagicIs(magic, kMagic21)) {
    version = 21;
  } else if (rules.StopOnUnknownVersion) {
    xClose(f);
    SYS_BREAKPROGRAM("Unknown mesh-Version: " + fileName);
  } else {
    warn("Unknown mesh-Version: " + fileName);
  }

  // Texture positions of the file map to texture slots; position 0 is untextured.
  uint16_t slotOf[kMeshMaxFileTextures + 1] = {};
  const uint8_t textureCount = in.u8();
  for (int i = 1; i <= textureCount; ++i) {
    const std::string texture = in.str20();
    const uint8_t state = in.u8();
    if (i > kMeshMaxFileTextures) {
      if (i == kMeshMaxFileTextures + 1)
        warn("Mesh3D: LoadMesh2: more than 20 textures in " + fileName + "; the rest are left untextured");
      continue;
    }
    if (texture.find(".ani") != std::string::npos) parts.Flags |= kMeshAnimatedTexture;
    slotOf[i] = texture.empty() ? 0 : rules.TextureSlot(texture, state);
  }

  uint16_t vertexCount = in.u16();
  const uint8_t polygonCount = in.u8();
  int skipped = 0;
  if (vertexCount > rules.VertexRoom) {
    if (rules.StopOnTooManyVertices) {
      xClose(f);
      SYS_BREAKPROGRAM("Error: Mesh3D: LoadMesh2: Too much Vertexe of Mesh while loading file: " + dir + "/" + fileName);
    }
    warn("Error: Mesh3D: LoadMesh2: " + dir + fileName + " has " + IntToStrShort(vertexCount) + " vertices, only " +
         IntToStrShort(rules.VertexRoom) + " are kept");
    skipped = vertexCount - rules.VertexRoom;
    vertexCount = static_cast<uint16_t>(rules.VertexRoom);
  }
  parts.VertexCount = vertexCount;
  // A file of an unknown version keeps its vertices but no polygon: their layout is not known.
  parts.PolygonCount = version == 0 ? 0 : polygonCount;

  for (int i = 1; i <= vertexCount + skipped; ++i) {
    TMeshFileVertex scratch;
    TMeshFileVertex& v = i <= vertexCount ? parts.Vertices[i - 1] : scratch;
    v.x = in.f32();
    v.y = in.f32();
    v.z = in.f32();
    v.nx = in.f32();
    v.ny = in.f32();
    v.nz = in.f32();
    in.bytes(v.Colour, 4);
    v.u = in.f32();
    v.v = in.f32();
  }
  const auto vertex = [&](uint16_t index) -> const TMeshFileVertex& { return parts.Vertices[index - 1]; };

  std::vector<bool> badTexture(parts.PolygonCount + 1, false);
  for (int p = 1; p <= parts.PolygonCount; ++p) {
    TMeshPolygon& poly = parts.Polygons[p - 1];
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
    auto at = [&](int k) -> const TMeshFileVertex& {
      const uint16_t index = poly.Vertices[k];
      return vertex(NamesVertex(index, vertexCount) ? index : 1);
    };
    const TMeshFileVertex& a = at(0);
    const TMeshFileVertex& b = at(1);
    const TMeshFileVertex& c = at(2);
    std::memcpy(poly.Colour, a.Colour, 4);
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
  for (int i = 1; i <= vertexCount && rules.CheckNumbers && !badVertex; ++i) {
    const TMeshFileVertex& v = vertex(static_cast<uint16_t>(i));
    for (float x : {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.u, v.v})
      if (!Finite(x)) badVertex = true;
  }
  if (badVertex) warn("TMesh2.load:" + fileName + " Vertex are fehlerhaft!!");

  for (int p = 1; p <= parts.PolygonCount; ++p) {
    TMeshPolygon& poly = parts.Polygons[p - 1];
    const bool normalBad =
        rules.CheckNumbers && (!Finite(poly.Normal.x) || !Finite(poly.Normal.y) || !Finite(poly.Normal.z));
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
      if (bad) warn("TMesh2.load:" + fileName + " Polygone: " + IntToStrShort(p) + " fehlerhaft!!");
    }
  }

  SortPolygonsByTexture(parts.Polygons, parts.PolygonCount);
}

void LoadMesh2(TMesh2& mesh, const std::string& dir, const std::string& name) {
  std::memset(&mesh, 0, sizeof(mesh));
  const auto vertices = std::make_unique<TMeshFileVertex[]>(kMeshMaxVertices);
  TMesh2Parts parts{0, 0, 0, vertices.get(), mesh.Polygons};
  ReadMesh2File(dir, name, kMesh2Rules, parts);
  mesh.VertexCount = parts.VertexCount;
  mesh.PolygonCount = parts.PolygonCount;
  mesh.Flags = parts.Flags;
  for (int i = 0; i < parts.VertexCount; ++i) {
    const TMeshFileVertex& from = vertices[static_cast<size_t>(i)];
    mesh.Vertices[i] = {from.x, from.y, from.z, from.nx, from.ny, from.nz, from.u, from.v};
  }
}

void SortPolygonsByTexture(TMesh2& mesh) { SortPolygonsByTexture(mesh.Polygons, mesh.PolygonCount); }

void SortPolygonsByTexture(TMeshPolygon* polygons, int count) {
  // Polygon i (1-based) is polygons[i - 1].
  const auto polygon = [polygons](int i) -> TMeshPolygon& { return polygons[i - 1]; };
  int h = 1;
  while (!(count - 1 < h)) h = 3 * h + 1;
  do {
    h /= 3;
    if (h < 1) break;
    for (int i = h + 1; i <= count; ++i) {
      const TMeshPolygon taken = polygon(i);
      int j = i;
      while (polygon(j - h).Texture < taken.Texture) {
        polygon(j) = polygon(j - h);
        j -= h;
        if (j <= h) break;
      }
      polygon(j) = taken;
    }
  } while (h != 1);
}

// ---- Builders and transforms ----

namespace {

// The used vertices: the count, never more than the room.
int UsedVertices(const TMesh2& mesh) { return std::min<int>(mesh.VertexCount, kMeshMaxVertices); }

bool VertexSlot(uint16_t i) { return i >= 1 && i <= kMeshMaxVertices; }

TVector PositionOf(const TMeshVertex& v) { return {v.x, v.y, v.z}; }
TVector NormalOf(const TMeshVertex& v) { return {v.nx, v.ny, v.nz}; }
void SetPosition(TMeshVertex& v, const TVector& p) {
  v.x = p.x;
  v.y = p.y;
  v.z = p.z;
}
void SetNormal(TMeshVertex& v, const TVector& n) {
  v.nx = n.x;
  v.ny = n.y;
  v.nz = n.z;
}

// The sines and cosines of a placement's three angles; an angle of exactly 0 turns nothing.
struct Turn {
  bool roll, nick, gier;
  float sinRoll, cosRoll, sinNick, cosNick, sinGier, cosGier;

  explicit Turn(const TPlacement& p) : roll(p.Roll != 0.0f), nick(p.Nick != 0.0f), gier(p.Gier != 0.0f) {
    sinRoll = cosRoll = sinNick = cosNick = sinGier = cosGier = 0.0f;
    if (roll) SinCos(sinRoll, cosRoll, p.Roll * kDegToRad);
    if (nick) SinCos(sinNick, cosNick, p.Nick * kDegToRad);
    if (gier) SinCos(sinGier, cosGier, p.Gier * kDegToRad);
  }
  // Roll about z, then Nick about x, then Gier about y.
  void Apply(TVector& v) const {
    if (roll) RotateZ(v, cosRoll, sinRoll);
    if (nick) RotateX(v, cosNick, sinNick);
    if (gier) RotateY(v, cosGier, sinGier);
  }
};

void AddPolygon(TMesh2& mesh, const char* routine, uint8_t kind, const uint16_t* indices, int count,
                uint16_t texture, bool lit, bool cull, uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
  if (mesh.PolygonCount == kMeshMaxPolygons) return;
  for (int k = 0; k < count; ++k) {
    if (!VertexSlot(indices[k])) {
      SYS_Warning(std::string("Error: Mesh3D: ") + routine + ": Vertex " + IntToStrShort(indices[k]) +
                  " does not exist");
      return;
    }
  }
  ++mesh.PolygonCount;
  TMeshPolygon& poly = mesh.Polygon(mesh.PolygonCount);
  poly.Kind = kind;
  for (int k = 0; k < count; ++k) poly.Vertices[k] = indices[k];
  poly.Texture = texture;
  poly.Flags = kPolyFlat;
  if (lit) poly.Flags |= kPolyLit;
  if (!cull) poly.Flags |= kPolyTwoSided;
  // A quad's normal comes from its first, second and fourth vertex.
  const uint16_t third = kind == kPolyQuad ? indices[3] : indices[2];
  TVector n;
  TriangleNormal(PositionOf(mesh.Vertex(indices[0])), PositionOf(mesh.Vertex(indices[1])),
                 PositionOf(mesh.Vertex(third)), n);
  for (int k = 0; k < count; ++k) SetNormal(mesh.Vertex(indices[k]), n);
  poly.Normal = n;
  poly.Colour[0] = red;
  poly.Colour[1] = green;
  poly.Colour[2] = blue;
  poly.Colour[3] = alpha;
}

}  // namespace

void TMesh2::vxA(uint16_t i, float x, float y, float z, float u, float v) {
  if (i > kMeshMaxVertices) {
    SYS_Warning("Error: Mesh3D: TMesh2.vxA: Too much Vertexe for a Mesh");
    return;
  }
  if (i == 0) {
    SYS_Warning("Error: Mesh3D: TMesh2.vxA: Vertex 0 does not exist");
    return;
  }
  if (VertexCount < i) VertexCount = i;
  TMeshVertex& vertex = Vertex(i);
  vertex.x = x;
  vertex.y = y;
  vertex.z = z;
  vertex.u = u;
  vertex.v = v;
}

void AddQuad(TMesh2& mesh, uint16_t a, uint16_t b, uint16_t c, uint16_t d, uint16_t texture, bool lit, bool cull,
             uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
  const uint16_t indices[4] = {a, b, c, d};
  AddPolygon(mesh, "AddQuad", kPolyQuad, indices, 4, texture, lit, cull, red, green, blue, alpha);
}

void AddTriangle(TMesh2& mesh, uint16_t a, uint16_t b, uint16_t c, uint16_t texture, bool lit, bool cull,
                 uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha) {
  const uint16_t indices[3] = {a, b, c};
  AddPolygon(mesh, "AddTriangle", kPolyTriangle, indices, 3, texture, lit, cull, red, green, blue, alpha);
}

void TranslateMesh(TMesh2& mesh, float dx, float dy, float dz) {
  for (int i = 1; i <= UsedVertices(mesh); ++i) {
    TMeshVertex& v = mesh.Vertex(i);
    v.x += dx;
    v.y += dy;
    v.z += dz;
  }
}

void TransformMesh(TMesh2& mesh, const TPlacement& p) {
  const Turn turn(p);
  for (int i = 1; i <= UsedVertices(mesh); ++i) {
    TMeshVertex& v = mesh.Vertex(i);
    TVector pos = PositionOf(v);
    turn.Apply(pos);
    TVector normal = NormalOf(v);
    turn.Apply(normal);
    pos.x += p.X;
    pos.y += p.Y;
    pos.z += p.Z;
    SetPosition(v, pos);
    SetNormal(v, normal);
  }
  for (int i = 1; i <= mesh.PolygonCount; ++i) turn.Apply(mesh.Polygon(i).Normal);
}

void RotateVectorDeg(TVector& v, const TPlacement& p) {
  Turn(p).Apply(v);
  v.x += p.X;
  v.y += p.Y;
  v.z += p.Z;
}

void MeshBoundingBox(const TMesh2& mesh, float& minX, float& minY, float& minZ, float& maxX, float& maxY,
                     float& maxZ) {
  const TMeshVertex& first = mesh.Vertex(1);
  minX = maxX = first.x;
  minY = maxY = first.y;
  minZ = maxZ = first.z;
  for (int i = 2; i <= UsedVertices(mesh); ++i) {
    const TMeshVertex& v = mesh.Vertex(i);
    minX = std::min(minX, v.x);
    maxX = std::max(maxX, v.x);
    minY = std::min(minY, v.y);
    maxY = std::max(maxY, v.y);
    minZ = std::min(minZ, v.z);
    maxZ = std::max(maxZ, v.z);
  }
}

void BuildBlockMesh(TMesh2& mesh, const TVector& p1, const TVector& p2, const TVector& p3, const TVector& p4,
                    float height, bool sides, uint16_t texture, float l) {
  mesh.Init();
  mesh.vxA(1, p1.x, p1.y, p1.z, 0.0f, 0.0f);
  mesh.vxA(2, p2.x, p2.y, p2.z, 0.5f, 0.0f);
  mesh.vxA(3, p3.x, p3.y, p3.z, 0.5f, l);
  mesh.vxA(4, p4.x, p4.y, p4.z, 0.0f, l);
  AddQuad(mesh, 4, 3, 2, 1, texture, true, false, 255, 255, 255, 255);

  // Per corner: the top and bottom vertex of its long wall and, with sides, of its end wall, with
  // their texture coordinates.
  struct CornerWalls {
    uint16_t top, bottom, sideTop, sideBottom;
    float v, sideV;
  };
  const CornerWalls corners[4] = {{9, 5, 13, 14, 0.0f, 0.0f},
                                  {10, 6, 15, 16, 0.0f, 1.0f},
                                  {11, 7, 17, 18, l, 1.0f},
                                  {12, 8, 19, 20, l, 0.0f}};
  for (uint16_t k = 0; k < 4; ++k) {
    const TMeshVertex c = mesh.Vertex(k + 1);
    const float low = c.y - height;
    const CornerWalls& w = corners[k];
    mesh.vxA(w.top, c.x, c.y, c.z, 0.5f, w.v);
    mesh.vxA(w.bottom, c.x, low, c.z, 1.0f, w.v);
    if (sides) {
      mesh.vxA(w.sideTop, c.x, c.y, c.z, 0.5f, w.sideV);
      mesh.vxA(w.sideBottom, c.x, low, c.z, 1.0f, w.sideV);
    }
  }
  AddQuad(mesh, 12, 9, 5, 8, texture, true, false, 255, 255, 255, 255);
  AddQuad(mesh, 7, 6, 10, 11, texture, true, false, 255, 255, 255, 255);
  if (sides) {
    AddQuad(mesh, 13, 14, 16, 15, texture, true, false, 255, 255, 255, 255);
    AddQuad(mesh, 17, 18, 20, 19, texture, true, false, 255, 255, 255, 255);
  }
}

void GetAnimatedMesh(uint32_t aniIndex, TMesh2& mesh, float t) {
  const auto ani = std::make_unique<TMeshAni>();
  ani->A_Read(aniIndex);
  const int64_t n = ani->FrameCount;
  if (n == 0) {
    SYS_Warning("Error: Mesh3D: GetAnimatedMesh: The animation " + IntToStrShort(static_cast<int32_t>(aniIndex)) +
                " has no frames");
    return;
  }
  if (!(t > static_cast<float>(-n))) {
    SYS_Warning("Error: Mesh3D: GetAnimatedMesh: Time out of range");
    return;
  }
  if (ani->VertexCount > kMeshMaxVertices) {
    SYS_Warning("Error: Mesh3D: GetAnimatedMesh: Too much Vertexe for a Mesh");
    return;
  }
  // Frame a and the one after it, both 1-based; from the last frame the next is the first.
  const int64_t whole = TruncToInt(t);
  const int64_t a = ((whole - 1 + n) % n) + 1;
  const int64_t b = ((static_cast<int64_t>(TruncExtended(static_cast<long double>(t) + 1.0L)) - 1 + n) % n) + 1;
  const long double f = static_cast<long double>(t) - whole;
  const long double g = 1.0L - f;
  const TMeshVertex *vertsA, *vertsB;
  const TVector *normalsA, *normalsB;
  ani->GetFramePointers(static_cast<uint16_t>(a), static_cast<uint16_t>(b), vertsA, normalsA, vertsB, normalsB);

  mesh.Init();
  mesh.PolygonCount = ani->PolygonCount;
  mesh.VertexCount = ani->VertexCount;
  std::memcpy(mesh.Polygons, ani->Polygons, sizeof(TMeshPolygon) * ani->PolygonCount);
  const auto blend = [&](float x, float y) { return static_cast<float>(x * g + y * f); };
  for (int i = 0; i < ani->VertexCount; ++i) {
    const TMeshVertex va = vertsA[i], vb = vertsB[i];
    TMeshVertex& out = mesh.Vertices[i];
    out.x = blend(va.x, vb.x);
    out.y = blend(va.y, vb.y);
    out.z = blend(va.z, vb.z);
    out.nx = blend(va.nx, vb.nx);
    out.ny = blend(va.ny, vb.ny);
    out.nz = blend(va.nz, vb.nz);
    out.u = blend(va.u, vb.u);
    out.v = blend(va.v, vb.v);
  }
  for (int i = 0; i < ani->PolygonCount; ++i) {
    const TVector na = normalsA[i], nb = normalsB[i];
    mesh.Polygons[i].Normal = {blend(na.x, nb.x), blend(na.y, nb.y), blend(na.z, nb.z)};
  }
}

void AddUniqueIndex(TIndexList& list, uint16_t value) {
  const int used = std::min<int>(list.Count, kIndexListRoom);
  for (int i = 0; i < used; ++i) {
    if (list.Entries[i] == value) return;
  }
  if (list.Count >= kIndexListRoom) {
    SYS_Warning("Error: Mesh3D: AddUniqueIndex: The list is full, " + IntToStrShort(value) + " is left out");
    return;
  }
  list.Entries[list.Count] = value;
  ++list.Count;
}

void ClearIndexList(TIndexList& list) {
  list.Count = 0;
  list.Flag = 0;
}
