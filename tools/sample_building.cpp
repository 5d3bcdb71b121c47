#include "tools/sample_building.h"

#include <filesystem>

#include "script/scriptfile.h"
#include "tools/sample_gfx.h"

namespace sample_building {

namespace {

using sample_gfx::Rgb;
using sample_mesh::LayoutMesh;
using sample_mesh::MeshFile;

bool WriteFile(const std::filesystem::path& path, const std::string& bytes, std::string& error) {
  return sample_gfx::WriteSampleFile(path.string(), bytes, error);
}

Rgb Brick(int x, int y) {
  const int shift = (y / 8) % 2 == 0 ? 0 : 8;
  const bool mortar = y % 8 == 7 || (x + shift) % 16 == 15;
  return mortar ? Rgb{200, 195, 185} : Rgb{static_cast<uint8_t>(150 + (x * 7 + y * 3) % 30), 60, 45};
}

Rgb RoofTile(int x, int y) {
  const bool edge = y % 8 == 0 || (x + (y / 8) * 4) % 8 == 0;
  return edge ? Rgb{70, 30, 25} : Rgb{170, 70, 50};
}

// Slats every 8 pixels: a light slat with black edges, magenta between the slats.
Rgb Fence(int x, int) {
  const int in = x % 8;
  if (in == 2 || in == 5) return {0, 0, 0};
  if (in == 3 || in == 4) return {235, 230, 210};
  return {255, 0, 255};
}

// A red ball, shaded towards its rim, on black.
Rgb Sphere(int x, int y) {
  const double dx = (x - 15.5) / 16.0, dy = (y - 15.5) / 16.0;
  const double d = dx * dx + dy * dy;
  if (d >= 1.0) return {0, 0, 0};
  const auto v = static_cast<uint8_t>(255 - 140 * d);
  return {v, static_cast<uint8_t>(v / 4), static_cast<uint8_t>(v / 4)};
}

sample_mesh::Vertex At(float x, float y, float z, float u, float v) { return {x, y, z, 0, 0, 1, {255, 255, 255, 255}, u, v}; }

// A triangle (d = 0) or quad of a version 2.1 file.
sample_mesh::Polygon Face(uint16_t a, uint16_t b, uint16_t c, uint16_t d, uint16_t texture, uint8_t flags) {
  sample_mesh::Polygon p = sample_mesh::MakePolygon(a, b, c, d, texture, d == 0 ? 0 : 1);
  p.flags = flags;
  return p;
}

// A quad of four new vertices (given round it) with the texture spread over it once.
void AddQuad(MeshFile& m, const float (&c)[4][3], uint16_t texture, uint8_t flags) {
  const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  const auto first = static_cast<uint16_t>(m.vertices.size() + 1);
  for (int k = 0; k < 4; ++k) m.vertices.push_back(At(c[k][0], c[k][1], c[k][2], uv[k][0], uv[k][1]));
  m.polygons.push_back(Face(first, static_cast<uint16_t>(first + 1), static_cast<uint16_t>(first + 2),
                            static_cast<uint16_t>(first + 3), texture, flags));
}

}  // namespace

MeshFile SampleHouse() {
  const uint8_t white[4] = {255, 255, 255, 255};
  MeshFile m;
  m.version = 21;
  m.textures = {{"hwall.bmp", 0}, {"hroof.bmp", 0}, {"hfence.bmp", 1}, {"flag.ani", 0}};
  m.AddBox(-6, 0, -4, 6, 5, 4, white, 1, 16 | 32);
  // The roof: two slopes from the eaves to the ridge and the two gables.
  const float north[4][3] = {{-6.5f, 5, -4.5f}, {6.5f, 5, -4.5f}, {6.5f, 8, 0}, {-6.5f, 8, 0}};
  const float south[4][3] = {{6.5f, 5, 4.5f}, {-6.5f, 5, 4.5f}, {-6.5f, 8, 0}, {6.5f, 8, 0}};
  AddQuad(m, north, 2, 16 | 32);
  AddQuad(m, south, 2, 16 | 32);
  for (const float x : {-6.0f, 6.0f}) {
    const auto first = static_cast<uint16_t>(m.vertices.size() + 1);
    m.vertices.push_back(At(x, 5, -4, 0, 0));
    m.vertices.push_back(At(x, 5, 4, 1, 0));
    m.vertices.push_back(At(x, 8, 0, 0.5f, 0.6f));
    m.polygons.push_back(Face(first, static_cast<uint16_t>(first + 1), static_cast<uint16_t>(first + 2), 0, 1, 16 | 32));
  }
  // The fence in front, drawn from both sides, and the flag on the ridge.
  const float fence[4][3] = {{-6, 0, 6}, {6, 0, 6}, {6, 1.5f, 6}, {-6, 1.5f, 6}};
  AddQuad(m, fence, 3, 1 | 32);
  const float flag[4][3] = {{5, 8.5f, 0}, {7, 8.5f, 0}, {7, 9.8f, 0}, {5, 9.8f, 0}};
  AddQuad(m, flag, 4, 1 | 32);
  return m;
}

LayoutMesh SampleShed() {
  LayoutMesh m;
  // The box: bottom corners 1 to 4, top corners 5 to 8.
  m.vertices = {{-3, 0, -2}, {3, 0, -2}, {3, 0, 2}, {-3, 0, 2}, {-3, 3, -2}, {3, 3, -2}, {3, 3, 2}, {-3, 3, 2}};
  const uint16_t faces[5][4] = {{4, 3, 7, 8}, {2, 1, 5, 6}, {3, 2, 6, 7}, {1, 4, 8, 5}, {8, 7, 6, 5}};
  for (const auto& f : faces) m.quads.push_back({{0, 1, 1, 0}, {0, 0, 1, 1}, {f[0], f[1], f[2], f[3]}, 1});
  // The lamp over the door, just before the front wall (z = 2).
  for (const LayoutMesh::Position p : {LayoutMesh::Position{-0.4f, 2.2f, 2.05f}, {0.4f, 2.2f, 2.05f}, {0.4f, 2.8f, 2.05f},
                                       {-0.4f, 2.8f, 2.05f}})
    m.vertices.push_back(p);
  m.quads.push_back({{0, 1, 1, 0}, {0, 0, 1, 1}, {9, 10, 11, 12}, 2});
  // A brown pennant: a colour triangle (U1 = 100, V its red, green and blue).
  for (const LayoutMesh::Position p : {LayoutMesh::Position{-3, 3, 2}, {-3, 4.5f, 2}, {-2, 3.8f, 2}}) m.vertices.push_back(p);
  m.triangles.push_back({{100, 0, 0}, {0.55f, 0.35f, 0.2f}, {13, 14, 15}, 0});
  m.textures = {{0, "hwall.bmp"}, {0, "lamp.lst"}};
  return m;
}

TBuildingInfo SampleHouseInfo() {
  TBuildingInfo b{};
  b.Names[0].Language = "English";
  b.Names[0].Name = "Sample house";
  b.Names[1].Language = "Deutsch";
  b.Names[1].Name = "Beispielhaus";
  b.BuildingType = 0;  // "House"
  b.StartYear = 1850;
  b.LastYear = 3000;
  b.MinCitySize = 200;
  b.Storeys = 2;
  b.Wealth = 1;  // "Lower middle class"
  b.MaxInhabitants = 12;
  b.FixedSize = 1;
  // The house stands on x -10..10, z -8..8, y 0..14.
  const float xs[4] = {-10.0f, -10.0f, 10.0f, 10.0f};
  const float zs[4] = {-8.0f, 8.0f, 8.0f, -8.0f};
  for (int i = 0; i < 4; ++i) b.BoundCorners[i] = {xs[i], 0.0f, zs[i]};
  b.BoundTop = 14.0f;
  b.Fronts[1] = 1;
  b.ScriptFile = "samplehouse.mas";
  // A road in front of the house, its ends points 1 and 2, with two corner points beside it.
  b.Points[0] = {-20.0f, 0.0f, 12.0f};
  b.Points[1] = {20.0f, 0.0f, 12.0f};
  b.Points[2] = {-20.0f, 0.0f, 16.5f};
  b.Points[3] = {20.0f, 0.0f, 16.5f};
  b.GeneratorPoint = 1;
  // Two checked ways stored first, then an unchecked one.
  b.UsedWays = 2;
  b.Ways[0] = {{1, 2, 4, 3}, 0};  // "2-end-street"
  b.Ways[1] = {{3, 4, 0, 0}, 2};  // "2-end-rail"
  b.Ways[2] = {{2, 1, 0, 0}, 1};  // "4-end-street", not in use
  for (int i = 0; i < 30; ++i) b.Meshes[i].FileName = "NONE";
  b.Meshes[0].FileName = "samplehouse.msh2";
  b.Meshes[0].Y = 0.5f;
  b.Meshes[0].Gier = 90.0f;
  b.Meshes[0].Used = 1;
  b.Meshes[10].X = 12.5f;  // a Mid row placed but not in use: saved as "NONE"
  b.Costs = 25000;
  b.DestructionCosts = -1;
  b.Style = "classic";
  b.Location = 1;   // "Peripheral"
  b.Placement = 2;  // "Also at corner"
  b.Smoking = 1;
  b.SmokeType = 0;
  b.SmokePosition = {4.5f, 15.0f, -2.0f};
  b.Version = kBuildingInfoVersion;
  // Two lanes along the road: 1 -> 2 and 4 -> 3; node 2 a station, node 3 scripted.
  const TVector nodes[4] = {{-20.0f, 0.0f, 11.0f}, {20.0f, 0.0f, 11.0f}, {20.0f, 0.0f, 13.0f}, {-20.0f, 0.0f, 13.0f}};
  const uint8_t next[4] = {2, 0, 0, 3};
  for (int i = 0; i < 4; ++i) {
    b.Nodes[i].Position = nodes[i];
    b.Nodes[i].Next1 = next[i];
  }
  b.Nodes[1].Station = 1;
  b.NodeScripted[2] = 1;
  b.Wayed = 1;
  b.Waypoint1 = 1;
  b.Waypoint2 = 2;
  b.WayType = 2;  // "Road"
  b.ParkingSlots = 2;
  b.SlotLength = 7.5f;
  b.DepotSpeed = 2.5f;
  b.Sound15Minutes = "bell16.wav";
  b.Play15Minutes = 1;
  b.CitySpecific = 1;
  return b;
}

std::string SampleHouseScript() {
  return "definevar frame;\r\n\r\nBegin\r\n  frame:=frame;\r\nEnd;\r\n";
}

namespace {

// The sample house's building file, written as the editor writes it, and its script file.
bool WriteSampleHouse(const std::filesystem::path& buildings, std::string& error) {
  const TBuildingInfo house = SampleHouseInfo();
  if (!WriteScriptFile((buildings / "samplehouse.mas").string(), SampleHouseScript(), {}, error)) return false;
  const int32_t head = BuildingHeadIndex(house.Names, {"English", "Deutsch"});
  return SaveBuildingFile((buildings / "samplehouse.bif").string(), house.Names[head].Name, house, error);
}

}  // namespace

bool WriteSampleBuilding(const std::string& rootName, std::string& error) {
  namespace fs = std::filesystem;
  const fs::path root(rootName);
  std::error_code ec;
  for (const char* sub : {"gfx", "buildings"}) {
    fs::create_directories(root / sub, ec);
    if (ec) {
      error = "cannot create " + (root / sub).string() + ": " + ec.message();
      return false;
    }
  }
  const fs::path gfx = root / "gfx";
  const fs::path buildings = root / "buildings";
  using sample_gfx::MakeBmp;
  const Rgb lamps[3] = {{255, 230, 80}, {255, 140, 30}, {120, 60, 10}};
  bool ok = WriteFile(gfx / "hwall.bmp", MakeBmp(64, 64, Brick), error) &&
            WriteFile(gfx / "hroof.bmp", MakeBmp(64, 64, RoofTile), error) &&
            WriteFile(gfx / "hfence.bmp", MakeBmp(32, 32, Fence), error) &&
            WriteFile(gfx / "spherem.bmp", MakeBmp(32, 32, Sphere), error) &&
            WriteFile(gfx / "flag1.bmp", MakeBmp(16, 16, [](int x, int y) {
                        return (x / 4 + y / 4) % 2 == 0 ? Rgb{30, 60, 200} : Rgb{250, 250, 250};
                      }), error) &&
            // Two lines before the one that names the texture.
            WriteFile(gfx / "flag.ani", "QZ ANI\r\n1\r\nflag1.bmp\r\n", error) &&
            WriteFile(gfx / "lamp.lst", "; a lamp in three frames\r\nlamp1.bmp\r\nlamp2.bmp\r\nlamp3.bmp\r\n", error);
  for (int i = 0; i < 3 && ok; ++i) {
    const Rgb c = lamps[i];
    ok = WriteFile(gfx / ("lamp" + std::to_string(i + 1) + ".bmp"), MakeBmp(16, 16, [c](int, int) { return c; }), error);
  }
  return ok && WriteFile(buildings / "NoMesh.msh2", sample_mesh::NoMeshFile().Bytes(), error) &&
         WriteFile(buildings / "samplehouse.msh2", SampleHouse().Bytes(), error) &&
         WriteFile(buildings / "oldshed.msh", SampleShed().Bytes(), error) && WriteSampleHouse(buildings, error);
}

}  // namespace sample_building
