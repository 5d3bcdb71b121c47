#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <memory>
#include <unistd.h>

#include "engine/mesh/mesh.h"
#include "engine/render/graphics.h"
#include "platform/platform.h"
#include "tests/support/test_support.h"
#include "tools/sample_gfx.h"
#include "tools/sample_mesh.h"

using sample_mesh::MeshFile;
using testing_support::FatalError;
using testing_support::MakeTempFolder;
using testing_support::WriteFileBytes;

namespace {

class MeshLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    oldDir_ = platform::CurrentDir();
    base_ = MakeTempFolder("mesh");
    for (const char* sub : {"ui", "gfx", "gfx_hi", "vehicles"}) std::filesystem::create_directory(base_ + sub);
    const auto solid = [](sample_gfx::Rgb c) { return sample_gfx::MakeBmp(8, 8, [c](int, int) { return c; }); };
    WriteFileBytes(base_ + "gfx/NOTEXTURE.BMP", solid({0, 0, 255}));
    for (const char* t : {"a.bmp", "b.bmp", "c.bmp"}) WriteFileBytes(base_ + "gfx/" + t, solid({10, 200, 10}));
    ASSERT_EQ(chdir(base_.c_str()), 0);
    InitTextureTable();
    testing_support::CaptureDebugger();
    mesh_ = std::make_unique<TMesh2>();
  }
  void TearDown() override {
    platform::SetDebuggerSink(nullptr);
    InitTextureTable();
    ASSERT_EQ(chdir(oldDir_.c_str()), 0);
  }
  void Write(const std::string& name, const MeshFile& m) { WriteFileBytes(base_ + "vehicles/" + name, m.Bytes()); }
  void Load(const std::string& name) { LoadMesh2(*mesh_, "vehicles\\", name); }
  std::vector<std::string> Warnings() const { return testing_support::Warnings(); }
  std::string oldDir_, base_;
  std::unique_ptr<TMesh2> mesh_;
};

sample_mesh::Vertex V(float x, float y, float z, uint8_t r, uint8_t g = 0, uint8_t b = 0) {
  return {x, y, z, 0, 1, 0, {r, g, b, 255}, 0.25f, 0.75f};
}

sample_mesh::Polygon P(uint16_t a, uint16_t b, uint16_t c, uint16_t d, uint16_t texture, uint8_t kind = 1) {
  return sample_mesh::MakePolygon(a, b, c, d, texture, kind);
}

TEST_F(MeshLoad, BothVersionsArriveWithComputedNormalsFirstVertexColoursAndFlags) {
  for (int version : {20, 21}) {
    MeshFile m;
    m.version = version;
    m.textures = {{"a.bmp", 0}};
    m.vertices = {V(0, 0, 0, 10), V(0, 0, 1, 20), V(1, 0, 1, 30), V(1, 0, 0, 40)};
    auto p = P(1, 2, 3, 4, 1);
    p.lit = 1;
    p.flat = 0;
    p.flags = version == 20 ? 1 : (16 | 32 | 4);
    p.normal[0] = 9;  // a stored normal has no effect
    p.spare = 0xBEEF;
    p.spare1 = 7;
    p.spare2 = 8;
    m.polygons = {p};
    Write("quad.msh2", m);
    Load("quad.msh2");
    ASSERT_EQ(mesh_->VertexCount, 4) << version;
    ASSERT_EQ(mesh_->PolygonCount, 1);
    EXPECT_EQ(mesh_->Index, 0u);
    const TMeshPolygon& poly = mesh_->Polygon(1);
    // (B - A) x (C - A) = (0,0,1) x (1,0,1) = (0,1,0)
    EXPECT_FLOAT_EQ(poly.Normal.x, 0);
    EXPECT_FLOAT_EQ(poly.Normal.y, 1);
    EXPECT_FLOAT_EQ(poly.Normal.z, 0);
    EXPECT_EQ(poly.Colour[0], 10);  // the first vertex's colour, whatever the others hold
    EXPECT_EQ(poly.Colour[3], 255);
    EXPECT_EQ(poly.Flags, version == 20 ? (1 | 16) : (16 | 32 | 4));
    EXPECT_EQ(poly.Spare, 0xBEEF);
    EXPECT_EQ(poly.Spare1, version == 21 ? 7 : 0);
    EXPECT_EQ(poly.Spare2, version == 21 ? 8 : 0);
    EXPECT_GE(poly.Texture, 1001);  // a game slot
    EXPECT_EQ(poly.Kind, 1);
    EXPECT_FLOAT_EQ(mesh_->Vertex(3).x, 1);
    EXPECT_FLOAT_EQ(mesh_->Vertex(3).ny, 1);
    EXPECT_FLOAT_EQ(mesh_->Vertex(3).v, 0.75f);
    EXPECT_TRUE(Warnings().empty()) << version;
  }
}

TEST_F(MeshLoad, PolygonsEndInDescendingSlotOrderWithNoneLost) {
  MeshFile m;
  m.textures = {{"a.bmp", 0}, {"", 0}, {"b.bmp", 0}, {"c.bmp", 0}};
  for (int i = 0; i < 4; ++i) m.vertices.push_back(V(static_cast<float>(i), 0, static_cast<float>(i * i), 1));
  const uint16_t textures[] = {1, 0, 3, 2, 4, 1, 0, 3, 4, 2, 1, 1, 0, 4, 3, 2, 0, 1, 3, 4, 2, 2, 1};
  for (size_t i = 0; i < std::size(textures); ++i) {
    auto p = P(1, 2, 3, 4, textures[i]);
    p.spare = static_cast<uint16_t>(i);  // tags each polygon
    m.polygons.push_back(p);
  }
  Write("many.msh2", m);
  Load("many.msh2");
  ASSERT_EQ(mesh_->PolygonCount, std::size(textures));
  std::vector<uint16_t> tags;
  for (int p = 1; p <= mesh_->PolygonCount; ++p) {
    tags.push_back(mesh_->Polygon(p).Spare);
    if (p > 1) {
      EXPECT_GE(mesh_->Polygon(p - 1).Texture, mesh_->Polygon(p).Texture);
    }
  }
  std::sort(tags.begin(), tags.end());
  for (size_t i = 0; i < tags.size(); ++i) EXPECT_EQ(tags[i], i);
  // The empty name and position 0 are untextured and come last.
  EXPECT_EQ(mesh_->Polygon(mesh_->PolygonCount).Texture, 0);
  int untextured = 0;
  for (int p = 1; p <= mesh_->PolygonCount; ++p) untextured += mesh_->Polygon(p).Texture == 0;
  EXPECT_EQ(untextured, 4 + 5);  // four at position 0, five at the empty name
}

TEST_F(MeshLoad, VertexLimitAndUnknownVersionStop) {
  for (int count : {600, 601}) {
    MeshFile m;
    for (int i = 0; i < count; ++i) m.vertices.push_back(V(static_cast<float>(i), 0, 0, 1));
    Write("big.msh2", m);
    if (count == 600) {
      Load("big.msh2");
      EXPECT_EQ(mesh_->VertexCount, 600);
    } else {
      try {
        Load("big.msh2");
        ADD_FAILURE() << "601 vertices loaded";
      } catch (const FatalError& e) {
        EXPECT_STREQ(e.what(),
                     "FATAL ERROR: Error: Mesh3D: LoadMesh2: Too much Vertexe of Mesh while loading file: "
                     "vehicles\\/big.msh2 PROGRAM TERMINATES!");
      }
    }
  }
  MeshFile other;
  other.magic = "QZ 3D Mesh 2.2";
  Write("v22.msh2", other);
  try {
    Load("v22.msh2");
    ADD_FAILURE() << "an unknown version loaded";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(), "FATAL ERROR: Unknown mesh-Version: v22.msh2 PROGRAM TERMINATES!");
  }
}

TEST_F(MeshLoad, AFatalStopOfATextureLeavesTheMeshFileClosed) {
  // A missing texture with an invalid state stops in the texture lookup while the mesh file is
  // still being read.
  MeshFile m;
  m.textures = {{"gone.bmp", 4}};
  m.vertices = {V(0, 0, 0, 1)};
  Write("state4.msh2", m);
  const size_t before = testing_support::OpenFileCount();
  try {
    Load("state4.msh2");
    ADD_FAILURE() << "an invalid texture state loaded";
  } catch (const FatalError& e) {
    EXPECT_STREQ(e.what(), "FATAL ERROR: Filehandling.LoadTexture: invalid texture state for NoTexture.bmp PROGRAM TERMINATES!");
  }
  EXPECT_EQ(testing_support::OpenFileCount(), before);
}

TEST_F(MeshLoad, MagicCharactersPastItsLengthAreIgnored) {
  MeshFile m;
  m.vertices = {V(0, 0, 0, 1)};
  std::string bytes = m.Bytes();
  bytes[1 + 14] = 'X';  // a stray character after "QZ 3D Mesh 2.0"
  WriteFileBytes(base_ + "vehicles/stray.msh2", bytes);
  Load("stray.msh2");
  EXPECT_EQ(mesh_->VertexCount, 1);
}

TEST_F(MeshLoad, MissingFileLoadsTheStandInWithAWarning) {
  MeshFile stand;
  stand.vertices = {V(0, 0, 0, 1), V(1, 0, 0, 1), V(0, 1, 0, 1)};
  stand.polygons = {P(1, 2, 3, 0, 0, 0)};
  Write("NoMesh.msh2", stand);
  Load("gone.msh2");
  EXPECT_EQ(mesh_->VertexCount, 3);
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"ERROR: vehicles\\gone.msh2 NOT EXISTS!!"}));
}

TEST_F(MeshLoad, BadIndicesTexturesAndAnimatedNames) {
  MeshFile m;
  m.textures = {{"a.bmp", 0}, {"wave.ani", 0}};
  m.vertices = {V(0, 0, 0, 5), V(0, 0, 1, 6), V(1, 0, 1, 7)};
  m.polygons = {P(1, 2, 3, 700, 1, 0),   // fourth slot above the count
                P(2, 0, 3, 1, 0, 0),     // index 0 names no vertex in a used slot
                P(1, 2, 3, 1, 9, 0),     // texture position above the list
                P(1, 1, 1, 1, 0, 0)};    // no normal: all four slots bad
  Write("bad.msh2", m);
  Load("bad.msh2");
  EXPECT_EQ(mesh_->Flags & kMeshAnimatedTexture, kMeshAnimatedTexture);
  int fixed = 0, untexturedBad = 0;
  for (int p = 1; p <= mesh_->PolygonCount; ++p) {
    for (uint16_t index : mesh_->Polygon(p).Vertices) {
      EXPECT_GE(index, 1);
      EXPECT_LE(index, 3);
    }
    fixed += mesh_->Polygon(p).Vertices[3] == 1;
    untexturedBad += mesh_->Polygon(p).Texture == 0;
  }
  EXPECT_EQ(fixed, 4);
  EXPECT_EQ(untexturedBad, 3);
  std::vector<std::string> w = Warnings();
  std::sort(w.begin(), w.end());
  const std::vector<std::string> expected = {
      "TMesh2.load:bad.msh2 Polygone: 1 fehlerhaft!!", "TMesh2.load:bad.msh2 Polygone: 2 fehlerhaft!!",
      "TMesh2.load:bad.msh2 Polygone: 3 fehlerhaft!!", "TMesh2.load:bad.msh2 Polygone: 4 fehlerhaft!!",
      "TMesh2.load:bad.msh2 Polygone: 4 fehlerhaft!!", "TMesh2.load:bad.msh2 Polygone: 4 fehlerhaft!!",
      "TMesh2.load:bad.msh2 Polygone: 4 fehlerhaft!!"};
  // The texture "wave.ani" is missing: its stand-in warns too.
  std::vector<std::string> polygonWarnings;
  for (const auto& s : w)
    if (s.find("Polygone") != std::string::npos) polygonWarnings.push_back(s);
  EXPECT_EQ(polygonWarnings, expected);
}

TEST_F(MeshLoad, CapitalAniIsNotAnimatedAndNonFiniteVerticesWarnOnce) {
  MeshFile m;
  m.textures = {{"WAVE.ANI", 0}};
  const float inf = std::numeric_limits<float>::infinity();
  m.vertices = {V(0, 0, 0, 1), V(0, 0, 1, 1), V(1, 0, 1, 1), V(inf, 0, 0, 1), V(std::nanf(""), 0, 0, 1)};
  Write("odd.msh2", m);
  Load("odd.msh2");
  EXPECT_EQ(mesh_->Flags & kMeshAnimatedTexture, 0);
  EXPECT_TRUE(std::isinf(mesh_->Vertex(4).x));
  const auto w = Warnings();
  EXPECT_EQ(std::count(w.begin(), w.end(), "TMesh2.load:odd.msh2 Vertex are fehlerhaft!!"), 1);
}

TEST_F(MeshLoad, TooManyTexturesKeepTheFirstTwenty) {
  MeshFile m;
  for (int i = 0; i < 22; ++i) m.textures.push_back({"a.bmp", 0});
  m.vertices = {V(0, 0, 0, 1), V(0, 0, 1, 1), V(1, 0, 1, 1)};
  m.polygons = {P(1, 2, 3, 1, 20, 0), P(1, 2, 3, 1, 21, 0)};
  Write("tex22.msh2", m);
  Load("tex22.msh2");
  EXPECT_GE(mesh_->Polygon(1).Texture, 1001);
  EXPECT_EQ(mesh_->Polygon(2).Texture, 0);
  const auto w = Warnings();
  EXPECT_EQ(std::count_if(w.begin(), w.end(),
                          [](const std::string& s) { return s.find("more than 20 textures") != std::string::npos; }),
            1);
}

TEST_F(MeshLoad, ShortFileLeavesTheRestZero) {
  MeshFile m;
  m.vertices = {V(1, 2, 3, 50), V(4, 5, 6, 60), V(7, 8, 9, 70)};
  m.polygons = {P(1, 2, 3, 1, 0, 0)};
  std::string bytes = m.Bytes();
  bytes.resize(25 + 36 + 10);  // the second vertex is cut after its position's first two floats
  WriteFileBytes(base_ + "vehicles/short.msh2", bytes);
  Load("short.msh2");
  EXPECT_EQ(mesh_->VertexCount, 3);
  EXPECT_FLOAT_EQ(mesh_->Vertex(2).x, 4);
  EXPECT_FLOAT_EQ(mesh_->Vertex(2).z, 0);
  EXPECT_FLOAT_EQ(mesh_->Vertex(3).x, 0);
  EXPECT_EQ(mesh_->Polygon(1).Vertices[0], 1);  // all zero, then set to 1 by the check
}

// The generator's detailed parts (grid boxes and cylinders) load without a warning, within the
// mesh limits, and every polygon's winding gives a normal on the side its corners' normals point
// to, so the light falls on the outside.
TEST_F(MeshLoad, DetailedSamplePartsLoadWholeAndFaceOutwards) {
  std::string error;
  ASSERT_TRUE(sample_mesh::WriteSampleMeshes(base_, error)) << error;
  ASSERT_TRUE(sample_mesh::WriteDetailedMeshes(base_, error)) << error;
  const struct {
    const char* file;
    int vertices, polygons, textured;
  } parts[] = {{"detailbody.msh2", 294, 216, 216},
               {"detailbogie.msh2", 350, 240, 144},
               {"detailroof.msh2", 196, 144, 0},
               {"detailframe.msh2", 216, 150, 0}};
  for (const auto& part : parts) {
    SCOPED_TRACE(part.file);
    Load(part.file);
    EXPECT_TRUE(Warnings().empty());
    EXPECT_EQ(mesh_->VertexCount, part.vertices);
    EXPECT_EQ(mesh_->PolygonCount, part.polygons);
    int textured = 0;
    for (int i = 1; i <= mesh_->PolygonCount; ++i) {
      const TMeshPolygon& p = mesh_->Polygon(i);
      textured += p.Texture != 0;
      const int corners = p.Kind == kPolyQuad ? 4 : 3;
      float along = 0;
      for (int k = 0; k < corners; ++k) {
        const TMeshVertex& v = mesh_->Vertex(p.Vertices[k]);
        along += v.nx * p.Normal.x + v.ny * p.Normal.y + v.nz * p.Normal.z;
      }
      ASSERT_GT(along / static_cast<float>(corners), 0.5f) << "polygon " << i;
    }
    EXPECT_EQ(textured, part.textured);
  }
}

}  // namespace
