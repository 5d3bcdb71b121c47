#include "tools/sample_mesh.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>

#include "tools/sample_gfx.h"

namespace sample_mesh {

namespace {

void Put8(std::string& out, uint8_t v) { out.push_back(static_cast<char>(v)); }
void Put16(std::string& out, uint16_t v) {
  Put8(out, static_cast<uint8_t>(v));
  Put8(out, static_cast<uint8_t>(v >> 8));
}
void PutF(std::string& out, float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  for (int i = 0; i < 4; ++i) Put8(out, static_cast<uint8_t>(u >> (8 * i)));
}
// A String[20]: a length byte and 20 bytes.
void PutStr20(std::string& out, const std::string& s) {
  const size_t n = std::min<size_t>(s.size(), 20);
  Put8(out, static_cast<uint8_t>(n));
  std::string body = s.substr(0, n);
  body.resize(20, '\0');
  out += body;
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes, std::string& error) {
  return sample_gfx::WriteSampleFile(path.string(), bytes, error);
}

// Flags 16 (lit) and 32 (flat) are flag bits in version 2.1 and bytes of their own in 2.0.
void SetFlags(Polygon& p, uint8_t flags, int version) {
  p.flags = flags;
  p.lit = (flags & 16) ? 1 : 0;
  p.flat = (flags & 32) ? 1 : 0;
  if (version == 20) p.flags = static_cast<uint8_t>(flags & ~(16 | 32));
}

}  // namespace

void MeshFile::AddBox(float x0, float y0, float z0, float x1, float y1, float z1, const uint8_t colour[4],
                      uint16_t texture, uint8_t flags) {
  const float dx = x1 - x0, dy = y1 - y0, dz = z1 - z0;
  struct Face {
    float ox, oy, oz;     // first corner
    float e1[3], e2[3];   // edges; e1 x e2 points outwards
    float n[3];
  };
  const Face faces[6] = {
      {x1, y0, z0, {0, dy, 0}, {0, 0, dz}, {1, 0, 0}},  {x0, y0, z0, {0, 0, dz}, {0, dy, 0}, {-1, 0, 0}},
      {x0, y1, z0, {0, 0, dz}, {dx, 0, 0}, {0, 1, 0}},  {x0, y0, z0, {dx, 0, 0}, {0, 0, dz}, {0, -1, 0}},
      {x0, y0, z1, {dx, 0, 0}, {0, dy, 0}, {0, 0, 1}},  {x0, y0, z0, {0, dy, 0}, {dx, 0, 0}, {0, 0, -1}},
  };
  const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  for (const Face& f : faces) {
    const uint16_t first = static_cast<uint16_t>(vertices.size() + 1);
    for (int k = 0; k < 4; ++k) {
      const float a = (k == 1 || k == 2) ? 1.0f : 0.0f;  // along e1
      const float b = (k >= 2) ? 1.0f : 0.0f;            // along e2
      Vertex v{};
      v.x = f.ox + a * f.e1[0] + b * f.e2[0];
      v.y = f.oy + a * f.e1[1] + b * f.e2[1];
      v.z = f.oz + a * f.e1[2] + b * f.e2[2];
      v.nx = f.n[0];
      v.ny = f.n[1];
      v.nz = f.n[2];
      std::memcpy(v.colour, colour, 4);
      v.u = uv[k][0];
      v.v = uv[k][1];
      vertices.push_back(v);
    }
    Polygon p;
    for (int k = 0; k < 4; ++k) p.vertices[k] = static_cast<uint16_t>(first + k);
    p.texture = texture;
    p.kind = 1;
    SetFlags(p, flags, version);
    std::memcpy(p.normal, f.n, sizeof(p.normal));
    polygons.push_back(p);
  }
}

void MeshFile::AddGridBox(float x0, float y0, float z0, float x1, float y1, float z1, const uint8_t colour[4],
                          uint16_t texture, uint8_t flags, int divisions) {
  const float dx = x1 - x0, dy = y1 - y0, dz = z1 - z0;
  struct Face {
    float o[3];          // first corner
    float e1[3], e2[3];  // edges; e1 x e2 points outwards
    float n[3];
  };
  const Face faces[6] = {
      {{x1, y0, z0}, {0, dy, 0}, {0, 0, dz}, {1, 0, 0}},  {{x0, y0, z0}, {0, 0, dz}, {0, dy, 0}, {-1, 0, 0}},
      {{x0, y1, z0}, {0, 0, dz}, {dx, 0, 0}, {0, 1, 0}},  {{x0, y0, z0}, {dx, 0, 0}, {0, 0, dz}, {0, -1, 0}},
      {{x0, y0, z1}, {dx, 0, 0}, {0, dy, 0}, {0, 0, 1}},  {{x0, y0, z0}, {0, dy, 0}, {dx, 0, 0}, {0, 0, -1}},
  };
  const int d = divisions;
  for (const Face& f : faces) {
    const size_t first = vertices.size() + 1;
    for (int j = 0; j <= d; ++j) {
      for (int i = 0; i <= d; ++i) {
        const float a = static_cast<float>(i) / static_cast<float>(d), b = static_cast<float>(j) / static_cast<float>(d);
        Vertex v{};
        v.x = f.o[0] + a * f.e1[0] + b * f.e2[0];
        v.y = f.o[1] + a * f.e1[1] + b * f.e2[1];
        v.z = f.o[2] + a * f.e1[2] + b * f.e2[2];
        v.nx = f.n[0];
        v.ny = f.n[1];
        v.nz = f.n[2];
        std::memcpy(v.colour, colour, 4);
        v.u = a;
        v.v = b;
        vertices.push_back(v);
      }
    }
    auto at = [&](int i, int j) { return static_cast<uint16_t>(first + static_cast<size_t>(j * (d + 1) + i)); };
    for (int j = 0; j < d; ++j) {
      for (int i = 0; i < d; ++i) {
        Polygon p;
        p.vertices[0] = at(i, j);
        p.vertices[1] = at(i + 1, j);
        p.vertices[2] = at(i + 1, j + 1);
        p.vertices[3] = at(i, j + 1);
        p.texture = texture;
        p.kind = 1;
        SetFlags(p, flags, version);
        std::memcpy(p.normal, f.n, sizeof(p.normal));
        polygons.push_back(p);
      }
    }
  }
}

void MeshFile::AddCylinder(float cx, float cy, float cz, float radius, float halfLength, bool alongX, int segments,
                           const uint8_t colour[4], uint16_t texture, uint8_t flags) {
  // (axis, u, v) with u x v = axis: (x, y, z) along x, (z, x, y) along z.
  auto point = [&](float along, float u, float v, float out[3]) {
    if (alongX) {
      out[0] = along;
      out[1] = u;
      out[2] = v;
    } else {
      out[2] = along;
      out[0] = u;
      out[1] = v;
    }
  };
  const float centre[3] = {cx, cy, cz};
  auto add = [&](float along, float u, float v, float nAlong, float nu, float nv, float tu, float tv) {
    float p[3], n[3];
    point(along, u, v, p);
    point(nAlong, nu, nv, n);
    Vertex x{};
    x.x = centre[0] + p[0];
    x.y = centre[1] + p[1];
    x.z = centre[2] + p[2];
    x.nx = n[0];
    x.ny = n[1];
    x.nz = n[2];
    std::memcpy(x.colour, colour, 4);
    x.u = tu;
    x.v = tv;
    vertices.push_back(x);
    return static_cast<uint16_t>(vertices.size());
  };
  auto angle = [&](int i) { return static_cast<float>(2.0 * M_PI * i / segments); };
  auto polygon = [&](std::initializer_list<uint16_t> corners) {
    Polygon p;
    int k = 0;
    p.vertices[3] = 0;  // unused by a triangle
    for (uint16_t c : corners) p.vertices[k++] = c;
    p.kind = k == 4 ? 1 : 0;
    p.texture = texture;
    SetFlags(p, flags, version);
    polygons.push_back(p);
  };
  // The side: one column of two vertices per segment edge (the seam twice, for its texture).
  const uint16_t side = static_cast<uint16_t>(vertices.size() + 1);
  for (int i = 0; i <= segments; ++i) {
    const float c = std::cos(angle(i)), s = std::sin(angle(i));
    const float tu = static_cast<float>(i) / static_cast<float>(segments);
    add(-halfLength, radius * c, radius * s, 0, c, s, tu, 0);
    add(halfLength, radius * c, radius * s, 0, c, s, tu, 1);
  }
  for (int i = 0; i < segments; ++i) {
    const uint16_t a = static_cast<uint16_t>(side + 2 * i);
    polygon({a, static_cast<uint16_t>(a + 2), static_cast<uint16_t>(a + 3), static_cast<uint16_t>(a + 1)});
  }
  // The caps: a centre and a ring each, facing out along the axis.
  for (const float end : {-halfLength, halfLength}) {
    const float facing = end < 0 ? -1.0f : 1.0f;
    const uint16_t mid = add(end, 0, 0, facing, 0, 0, 0.5f, 0.5f);
    for (int i = 0; i < segments; ++i) {
      const float c = std::cos(angle(i)), s = std::sin(angle(i));
      add(end, radius * c, radius * s, facing, 0, 0, 0.5f + 0.5f * c, 0.5f + 0.5f * s);
    }
    for (int i = 0; i < segments; ++i) {
      const uint16_t a = static_cast<uint16_t>(mid + 1 + i);
      const uint16_t b = static_cast<uint16_t>(mid + 1 + (i + 1) % segments);
      if (facing > 0)
        polygon({mid, a, b});
      else
        polygon({mid, b, a});
    }
  }
}

std::string MeshFile::Bytes() const {
  std::string out;
  PutStr20(out, !magic.empty() ? magic : version == 21 ? "QZ 3D Mesh 2.1" : "QZ 3D Mesh 2.0");
  Put8(out, static_cast<uint8_t>(textures.size()));
  for (const Texture& t : textures) {
    PutStr20(out, t.name);
    Put8(out, t.state);
  }
  Put16(out, static_cast<uint16_t>(vertexCountOverride >= 0 ? vertexCountOverride : vertices.size()));
  Put8(out, static_cast<uint8_t>(polygons.size()));
  for (const Vertex& v : vertices) {
    for (float f : {v.x, v.y, v.z, v.nx, v.ny, v.nz}) PutF(out, f);
    for (uint8_t c : v.colour) Put8(out, c);
    PutF(out, v.u);
    PutF(out, v.v);
  }
  for (const Polygon& p : polygons) {
    if (version == 21)
      for (float f : p.normal) PutF(out, f);
    for (uint16_t i : p.vertices) Put16(out, i);
    Put16(out, p.texture);
    Put8(out, p.kind);
    if (version == 21) {
      Put8(out, p.spare1);
      Put8(out, p.spare2);
      Put8(out, p.flags);
    } else {
      Put8(out, p.lit);
      Put8(out, p.flat);
      Put8(out, p.flags);
    }
    Put16(out, p.spare);
  }
  return out;
}

Polygon MakePolygon(uint16_t a, uint16_t b, uint16_t c, uint16_t d, uint16_t texture, uint8_t kind) {
  Polygon p;
  p.vertices[0] = a;
  p.vertices[1] = b;
  p.vertices[2] = c;
  p.vertices[3] = d;
  p.texture = texture;
  p.kind = kind;
  return p;
}

MeshFile NoMeshFile() {
  // Four triangles round a point over a square.
  MeshFile noMesh;
  noMesh.vertices = {{-2, 0, -2, 0, 1, 0, {160, 160, 160, 255}, 0, 0}, {2, 0, -2, 0, 1, 0, {160, 160, 160, 255}, 1, 0},
                     {2, 0, 2, 0, 1, 0, {160, 160, 160, 255}, 1, 1},  {-2, 0, 2, 0, 1, 0, {160, 160, 160, 255}, 0, 1},
                     {0, 4, 0, 0, 1, 0, {220, 220, 220, 255}, 0.5f, 0.5f}};
  const uint16_t sides[4][3] = {{1, 5, 2}, {2, 5, 3}, {3, 5, 4}, {4, 5, 1}};
  for (const auto& s : sides) {
    Polygon p = MakePolygon(s[0], s[1], s[2], 0, 0, 0);
    p.lit = 1;
    noMesh.polygons.push_back(p);
  }
  return noMesh;
}

std::string LayoutMesh::Bytes() const {
  std::string out;
  Put16(out, static_cast<uint16_t>(vertices.size()));
  for (const Position& p : vertices)
    for (float f : {p.x, p.y, p.z}) PutF(out, f);
  // The count, then each record: U, V, corners, texture, the spare bytes.
  const auto polygons = [&out](const auto& list) {
    Put8(out, static_cast<uint8_t>(list.size()));
    for (const auto& p : list) {
      for (float f : p.u) PutF(out, f);
      for (float f : p.v) PutF(out, f);
      for (uint16_t c : p.corners) Put16(out, c);
      Put8(out, p.texture);
      out.append(reinterpret_cast<const char*>(&p.spare), sizeof(p.spare));
    }
  };
  polygons(quads);
  polygons(triangles);
  Put8(out, static_cast<uint8_t>(textures.size()));
  for (size_t i = 0; i < textures.size(); ++i) {
    Put8(out, textures[i].alpha);
    const int64_t length = i < nameLengthOverride.size() ? nameLengthOverride[i] : static_cast<int64_t>(textures[i].name.size());
    const auto l = static_cast<uint32_t>(length);
    Put16(out, static_cast<uint16_t>(l));
    Put16(out, static_cast<uint16_t>(l >> 16));
    out += textures[i].name;
  }
  return out;
}

bool WriteSampleMeshes(const std::string& root, std::string& error) {
  namespace fs = std::filesystem;
  const fs::path vehicles = fs::path(root) / "vehicles";
  const fs::path gfx = fs::path(root) / "gfx";
  fs::create_directories(vehicles);
  fs::create_directories(gfx);

  // Textures of the sample vehicle: a red body with windows, dark wheels.
  using sample_gfx::Rgb;
  const std::string body = sample_gfx::MakeBmp(64, 64, [](int x, int y) {
    const bool window = y >= 10 && y < 26 && (x % 16) >= 3 && (x % 16) < 13;
    return window ? Rgb{150, 200, 230} : (y >= 56 ? Rgb{60, 60, 60} : Rgb{200, 30, 30});
  });
  const std::string wheel = sample_gfx::MakeBmp(32, 32, [](int x, int y) {
    const int dx = x - 16, dy = y - 16;
    return dx * dx + dy * dy < 36 ? Rgb{180, 180, 180} : Rgb{25, 25, 25};
  });
  if (!WriteFile(gfx / "vbody.bmp", body, error) || !WriteFile(gfx / "vwheel.bmp", wheel, error)) return false;

  const uint8_t grey[4] = {160, 160, 160, 255};
  const uint8_t white[4] = {255, 255, 255, 255};
  const uint8_t red[4] = {210, 40, 30, 255};

  // The vehicle body (version 2.0): a textured box 10 long, 4 wide, 3 high over the wheels.
  MeshFile bodyMesh;
  bodyMesh.textures = {{"vbody.bmp", 0}};
  bodyMesh.AddBox(-5, 1, -2, 5, 4, 2, white, 1, 16);

  // A bogie (version 2.1): a dark frame with two textured wheels.
  MeshFile bogie;
  bogie.version = 21;
  bogie.textures = {{"vwheel.bmp", 0}};
  bogie.AddBox(-1.5f, 0.4f, -1.2f, 1.5f, 0.8f, 1.2f, grey, 0, 16);
  bogie.AddBox(-0.6f, 0, -1.6f, 0.6f, 1.2f, -1.3f, white, 1, 16 | 1);
  bogie.AddBox(-0.6f, 0, 1.3f, 0.6f, 1.2f, 1.6f, white, 1, 16 | 1);

  // A plain red cube of side 10 around the origin, unlit.
  MeshFile cube;
  cube.AddBox(-5, -5, -5, 5, 5, 5, red, 0, 0);

  return WriteFile(vehicles / "NoMesh.msh2", NoMeshFile().Bytes(), error) &&
         WriteFile(vehicles / "samplebus.msh2", bodyMesh.Bytes(), error) &&
         WriteFile(vehicles / "samplebogie.msh2", bogie.Bytes(), error) &&
         WriteFile(vehicles / "cube.msh2", cube.Bytes(), error);
}

bool WriteDetailedMeshes(const std::string& root, std::string& error) {
  const std::filesystem::path vehicles = std::filesystem::path(root) / "vehicles";
  std::filesystem::create_directories(vehicles);
  const uint8_t white[4] = {255, 255, 255, 255};
  const uint8_t grey[4] = {150, 150, 155, 255};
  const uint8_t dark[4] = {70, 70, 75, 255};
  const uint8_t roofGrey[4] = {190, 190, 185, 255};

  // 294 vertices, 216 quads.
  MeshFile body;
  body.version = 21;
  body.textures = {{"vbody.bmp", 0}};
  body.AddGridBox(-5, 1.2f, -1.6f, 5, 3.8f, 1.6f, white, 1, 16, 6);

  // 350 vertices: a frame of 96 quads and two wheels of 72 polygons each.
  MeshFile bogie;
  bogie.version = 21;
  bogie.textures = {{"vwheel.bmp", 0}};
  bogie.AddGridBox(-1.5f, 0.4f, -1.2f, 1.5f, 0.8f, 1.2f, grey, 0, 16 | 32, 4);
  bogie.AddCylinder(0, 0.55f, -1.45f, 0.55f, 0.15f, false, 24, white, 1, 16);
  bogie.AddCylinder(0, 0.55f, 1.45f, 0.55f, 0.15f, false, 24, white, 1, 16);

  // 196 vertices, 144 polygons.
  MeshFile roof;
  roof.version = 21;
  roof.AddCylinder(0, 3.6f, 0, 1.5f, 4.9f, true, 48, roofGrey, 0, 16);

  // 216 vertices, 150 quads.
  MeshFile frame;
  frame.version = 21;
  frame.AddGridBox(-4.6f, 0.8f, -1.3f, 4.6f, 1.2f, 1.3f, dark, 0, 16 | 32, 5);

  return WriteFile(vehicles / "detailbody.msh2", body.Bytes(), error) &&
         WriteFile(vehicles / "detailbogie.msh2", bogie.Bytes(), error) &&
         WriteFile(vehicles / "detailroof.msh2", roof.Bytes(), error) &&
         WriteFile(vehicles / "detailframe.msh2", frame.Bytes(), error);
}

}  // namespace sample_mesh
