// The building program's meshes without a GL context: the older layout and its faults, *.msh2
// files through the shared reader with this program's rules, the conversion into a block, and the
// GL calls of DrawMesh.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <limits>
#include <memory>

#include "apps/brumin/meshes.h"
#include "apps/brumin/textures.h"
#include "tests/apps/brumin/brumin_fixture.h"
#include "tools/sample_building.h"
#include "tools/sample_mesh.h"

using brumin::LoadMeshFile;
using brumin::MeshTextureCount;
using brumin::MeshTextureTable;
using brumin::TMeshBlock;
using brumin_test::CallsOf;
using brumin_test::GlCall;
using sample_mesh::LayoutMesh;
using sample_mesh::MakePolygon;
using sample_mesh::MeshFile;

namespace {

class BruminMeshes : public brumin_test::BruminBase {
 protected:
  void SetUp() override {
    BruminBase::SetUp();
    block_ = std::make_unique<TMeshBlock>();
    staging_ = std::make_unique<brumin::TMesh2>();
  }
  void Load(const std::string& name) { LoadMeshFile(*block_, name); }
  // The block holds nothing at all.
  bool Empty() const {
    const auto* bytes = reinterpret_cast<const uint8_t*>(block_.get());
    return std::all_of(bytes, bytes + sizeof(TMeshBlock), [](uint8_t b) { return b == 0; });
  }
  std::unique_ptr<TMeshBlock> block_;
  std::unique_ptr<brumin::TMesh2> staging_;
};

LayoutMesh::Quad Quad(uint16_t a, uint16_t b, uint16_t c, uint16_t d, uint8_t texture, float u1 = 0) {
  return {{u1, 1, 1, 0}, {0, 0, 1, 1}, {a, b, c, d}, texture};
}

// Eight corners of a unit box.
LayoutMesh Box() {
  LayoutMesh m;
  m.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1}};
  return m;
}

sample_mesh::Vertex V(float x, float y, float z, float u, float v) { return {x, y, z, 0, 1, 0, {9, 9, 9, 255}, u, v}; }


// ---- The older layout ----

TEST_F(BruminMeshes, SampleShedReadsEveryFieldAndLoadsItsBitmapAndItsFrameList) {
  std::string error;
  ASSERT_TRUE(sample_building::WriteSampleBuilding(base_, error)) << error;
  LayoutMesh shed = sample_building::SampleShed();
  shed.quads[2].spare[0] = 0xAB;  // carried over without meaning
  shed.triangles[0].spare = 0xCD;
  Write("buildings/shed.msh", shed.Bytes());
  Load("shed.msh");
  ASSERT_EQ(block_->VertexCount, shed.vertices.size());
  ASSERT_EQ(block_->QuadCount, shed.quads.size());
  ASSERT_EQ(block_->TriangleCount, 1);
  ASSERT_EQ(block_->TextureSlotCount, 2);
  for (size_t i = 0; i < shed.vertices.size(); ++i) {
    EXPECT_EQ(block_->Vertices[i].x, shed.vertices[i].x);
    EXPECT_EQ(block_->Vertices[i].y, shed.vertices[i].y);
    EXPECT_EQ(block_->Vertices[i].z, shed.vertices[i].z);
  }
  for (size_t i = 0; i < shed.quads.size(); ++i) {
    const brumin::TMeshQuad& q = block_->Quads[i];
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(q.U[k], shed.quads[i].u[k]);
      EXPECT_EQ(q.V[k], shed.quads[i].v[k]);
      EXPECT_EQ(q.Corners[k], shed.quads[i].corners[k]);
    }
    EXPECT_EQ(q.Texture, shed.quads[i].texture);
  }
  EXPECT_EQ(block_->Quads[2].Spare[0], 0xAB);
  const brumin::TMeshTriangle& t = block_->Triangles[0];
  EXPECT_EQ(t.U[0], 100.0f);
  EXPECT_FLOAT_EQ(t.V[1], 0.35f);
  EXPECT_EQ(t.Corners[2], 15);
  EXPECT_EQ(t.Spare, 0xCD);
  // hwall.bmp and the first frame of lamp.lst's ring of three.
  EXPECT_EQ(MeshTextureTable[block_->TextureSlots[0]].FileName.str(), "hwall.bmp");
  const uint16_t lamp = block_->TextureSlots[1];
  EXPECT_EQ(MeshTextureTable[lamp].FileName.str(), "lamp1.bmp");
  EXPECT_EQ(MeshTextureTable[MeshTextureTable[MeshTextureTable[MeshTextureTable[lamp].Next].Next].Next].FileName.str(),
            "lamp1.bmp");
  EXPECT_EQ(MeshTextureCount, 4);
  EXPECT_TRUE(Warnings().empty());
}

TEST_F(BruminMeshes, OldLayoutWithoutPolygonsIsAnEmptyBlockThatDrawsNothing) {
  Write("buildings/bare.msh", Box().Bytes());
  Load("bare.msh");
  EXPECT_EQ(block_->VertexCount, 8);
  EXPECT_EQ(block_->QuadCount, 0);
  EXPECT_EQ(block_->TriangleCount, 0);
  EXPECT_EQ(block_->TextureSlotCount, 0);
  brumin_test::Calls().clear();
  brumin::DrawMesh(*block_, 1, 1, 1, 1);
  EXPECT_TRUE(CallsOf("glBegin").empty());
  EXPECT_TRUE(Warnings().empty());
}

// A file cut anywhere, one that lies about a name's length, or one that is missing: a warning, an
// empty block, and no texture loaded.
TEST_F(BruminMeshes, MissingOrShortOldLayoutFileGivesAnEmptyBlockAndAWarning) {
  WriteBmp("gfx/hwall.bmp", 4);
  LayoutMesh m = Box();
  m.quads = {Quad(1, 2, 3, 4, 1)};
  m.triangles = {{{0, 1, 0}, {0, 0, 1}, {5, 6, 7}, 2}};
  m.textures = {{0, "hwall.bmp"}, {1, "hwall.bmp"}};
  const std::string whole = m.Bytes();
  LayoutMesh lying = m;
  lying.nameLengthOverride = {9, 0xFFFFFFF0};
  struct Case {
    std::string what, bytes;
  };
  std::vector<Case> cases;
  for (size_t n = 0; n < whole.size(); ++n) cases.push_back({"cut to " + std::to_string(n) + " bytes", whole.substr(0, n)});
  cases.push_back({"a name longer than the file", lying.Bytes()});
  for (const Case& c : cases) {
    testing_support::Warnings().clear();
    Write("buildings/short.msh", c.bytes);
    std::memset(block_.get(), 0x5A, sizeof(TMeshBlock));  // whatever the block held before
    Load("short.msh");
    EXPECT_TRUE(Empty()) << c.what;
    EXPECT_EQ(MeshTextureCount, 0) << c.what;
    ASSERT_EQ(Warnings().size(), 1u) << c.what;
    EXPECT_NE(Warnings()[0].find("ends before its counts say"), std::string::npos) << c.what;
  }
  testing_support::Warnings().clear();
  Load("nothere.msh");
  EXPECT_TRUE(Empty());
  EXPECT_EQ(Warnings(), std::vector<std::string>{"ERROR: buildings\\nothere.msh NOT EXISTS!!"});
  // The whole file loads.
  Write("buildings/whole.msh", whole);
  Load("whole.msh");
  EXPECT_EQ(block_->QuadCount, 1);
  EXPECT_EQ(block_->TextureSlotCount, 2);
}

TEST_F(BruminMeshes, OldLayoutCountsAndIndicesBeyondTheRoomAreCutWithAWarning) {
  WriteBmp("gfx/t.bmp", 4);
  struct Case {
    std::string what;
    LayoutMesh mesh;
    size_t warnings;
    std::function<void(const TMeshBlock&)> check;
  };
  std::vector<Case> cases;
  {
    LayoutMesh m;
    for (int i = 0; i < 5003; ++i) m.vertices.push_back({float(i), 0, 0});
    m.quads = {Quad(1, 5000, 5001, 5003, 0)};
    m.textures = {{0, "t.bmp"}};
    cases.push_back({"5003 vertices", m, 2, [](const TMeshBlock& b) {
                       EXPECT_EQ(b.VertexCount, 5000);
                       EXPECT_EQ(b.Vertices[4999].x, 4999.0f);
                       EXPECT_EQ(b.Quads[0].Corners[1], 5000);
                       EXPECT_EQ(b.Quads[0].Corners[2], 1);  // past the kept vertices
                       EXPECT_EQ(b.TextureSlotCount, 1);     // the texture list after them is read right
                     }});
  }
  {
    LayoutMesh m = Box();
    m.quads = {Quad(0, 2, 9, 4, 1), Quad(1, 2, 3, 4, 3), Quad(1, 2, 3, 4, 7, 100.0f)};
    m.triangles = {{{0, 0, 0}, {0, 0, 0}, {1, 8, 65535}, 2}};
    m.textures = {{0, "t.bmp"}, {0, "t.bmp"}};
    cases.push_back({"corners and textures naming nothing", m, 3, [](const TMeshBlock& b) {
                       EXPECT_EQ(b.Quads[0].Corners[0], 1);
                       EXPECT_EQ(b.Quads[0].Corners[2], 1);
                       EXPECT_EQ(b.Quads[0].Corners[3], 4);
                       EXPECT_EQ(b.Quads[1].Texture, 0);  // 3 of 2: untextured
                       EXPECT_EQ(b.Quads[2].Texture, 0);  // a colour polygon: cut without a word
                       EXPECT_EQ(b.Triangles[0].Corners[1], 8);
                       EXPECT_EQ(b.Triangles[0].Corners[2], 1);
                       EXPECT_EQ(b.Triangles[0].Texture, 2);
                     }});
  }
  {
    LayoutMesh m = Box();
    for (int i = 0; i < 22; ++i) m.textures.push_back({0, i == 21 ? "last.bmp" : "t.bmp"});
    cases.push_back({"22 textures", m, 1, [](const TMeshBlock& b) {
                       EXPECT_EQ(b.TextureSlotCount, 20);
                       EXPECT_EQ(MeshTextureCount, 1);  // the 21st and 22nd are not loaded
                     }});
  }
  {
    LayoutMesh m = Box();
    m.textures = {{0, "x.bmp" + std::string(300, 'x')}, {0, "t.bmp"}};
    cases.push_back({"a name of 305 characters", m, 1, [this](const TMeshBlock& b) {
                       ASSERT_EQ(b.TextureSlotCount, 2);
                       EXPECT_EQ(b.TextureSlots[0], 0);  // its first 255 characters name no file
                       EXPECT_EQ(MeshTextureTable[b.TextureSlots[1]].FileName.str(), "t.bmp");
                       EXPECT_NE(Log().find("Datei x.bmp" + std::string(250, 'x') + " nicht existent!"), std::string::npos);
                     }});
  }
  for (const Case& c : cases) {
    brumin::ResetMeshTextures(base_);
    testing_support::Warnings().clear();
    Write("buildings/c.msh", c.mesh.Bytes());
    Load("c.msh");
    EXPECT_EQ(Warnings().size(), c.warnings) << c.what;
    c.check(*block_);
  }
}

// ---- *.msh2 files ----

TEST_F(BruminMeshes, ConversionDropsOtherKindsAndListsSlotsInFirstSeenOrder) {
  brumin::TMesh2& m = *staging_;
  std::memset(&m, 0, sizeof(m));
  m.VertexCount = 4;
  for (int i = 0; i < 4; ++i) m.Vertices[i] = {float(i), 2.0f * i, 0, 0, 1, 0, {0, 0, 0, 0}, 0.1f * i, 0.2f * i};
  struct Poly {
    uint16_t slot;
    uint8_t kind;
  };
  const Poly polys[] = {{5, 1}, {2, 0}, {5, 2}, {0, 1}, {9, 0}, {2, 1}, {7, 3}};
  m.PolygonCount = std::size(polys);
  for (size_t i = 0; i < std::size(polys); ++i) {
    TMeshPolygon& p = m.Polygons[i];
    p.Texture = polys[i].slot;
    p.Kind = polys[i].kind;
    p.Vertices[0] = 4;
    p.Vertices[1] = 3;
    p.Vertices[2] = 2;
    p.Vertices[3] = 1;
  }
  std::memset(block_.get(), 0x5A, sizeof(TMeshBlock));
  brumin::Mesh2ToBlock(m, *block_);
  EXPECT_EQ(block_->VertexCount, 4);
  EXPECT_EQ(block_->Vertices[3].y, 6.0f);
  ASSERT_EQ(block_->TextureSlotCount, 4);
  EXPECT_EQ(std::vector<uint16_t>(block_->TextureSlots, block_->TextureSlots + 4), (std::vector<uint16_t>{5, 2, 0, 9}));
  ASSERT_EQ(block_->QuadCount, 3);
  ASSERT_EQ(block_->TriangleCount, 2);
  EXPECT_EQ(block_->Quads[0].Texture, 1);
  EXPECT_EQ(block_->Quads[1].Texture, 3);
  EXPECT_EQ(block_->Quads[2].Texture, 2);
  EXPECT_EQ(block_->Triangles[0].Texture, 2);
  EXPECT_EQ(block_->Triangles[1].Texture, 4);
  // Each corner takes its vertex's u and v.
  const brumin::TMeshQuad& q = block_->Quads[0];
  EXPECT_EQ(q.Corners[0], 4);
  EXPECT_FLOAT_EQ(q.U[0], 0.3f);
  EXPECT_FLOAT_EQ(q.V[3], 0.0f);
  EXPECT_FLOAT_EQ(block_->Triangles[0].V[1], 0.4f);
}

TEST_F(BruminMeshes, ConversionKeepsTwentyDistinctSlotsAndDrawsTheRestUntextured) {
  brumin::TMesh2& m = *staging_;
  std::memset(&m, 0, sizeof(m));
  m.VertexCount = 3;
  m.PolygonCount = 22;
  for (int i = 0; i < 22; ++i) {
    m.Polygons[i] = {};
    m.Polygons[i].Texture = static_cast<uint16_t>(100 + i);
    m.Polygons[i].Vertices[0] = 1;
    m.Polygons[i].Vertices[1] = 2;
    m.Polygons[i].Vertices[2] = 3;
  }
  brumin::Mesh2ToBlock(m, *block_);
  EXPECT_EQ(block_->TextureSlotCount, 20);
  EXPECT_EQ(block_->TriangleCount, 22);
  EXPECT_EQ(block_->Triangles[19].Texture, 20);
  EXPECT_EQ(block_->Triangles[20].Texture, 0);
  EXPECT_EQ(block_->SlotAt(block_->Triangles[21].Texture), 0);
  EXPECT_EQ(Warnings().size(), 2u);
}

TEST_F(BruminMeshes, SampleHouseLoadsWithItsTexturesAndTheFenceWithTransparency) {
  std::string error;
  ASSERT_TRUE(sample_building::WriteSampleBuilding(base_, error)) << error;
  Load("samplehouse.msh2");
  const MeshFile house = sample_building::SampleHouse();
  EXPECT_EQ(block_->VertexCount, house.vertices.size());
  EXPECT_EQ(block_->QuadCount, 6 + 2 + 2);
  EXPECT_EQ(block_->TriangleCount, 2);
  // Loaded in file order: walls 1, roof 2, fence 3, flag.ani's bitmap 4; listed highest first.
  ASSERT_EQ(block_->TextureSlotCount, 4);
  EXPECT_EQ(std::vector<uint16_t>(block_->TextureSlots, block_->TextureSlots + 4), (std::vector<uint16_t>{4, 3, 2, 1}));
  EXPECT_EQ(MeshTextureTable[3].FileName.str(), "hfence.bmp");
  EXPECT_EQ(MeshTextureTable[3].Alpha, 1);
  EXPECT_EQ(MeshTextureTable[1].Alpha, 0);
  EXPECT_EQ(MeshTextureTable[4].FileName.str(), "flag1.bmp");
  EXPECT_TRUE(Warnings().empty());
}

TEST_F(BruminMeshes, Msh2FaultsAreWarnedAndCutAsTheSharedReaderDoes) {
  WriteBmp("gfx/a.bmp", 4);
  struct Case {
    std::string what;
    MeshFile file;
    std::vector<std::string> warnings;
    std::function<void(const brumin::TMesh2&)> check;
  };
  std::vector<Case> cases;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  {
    MeshFile f;
    f.magic = "QZ 3D Mesh 9.9";
    f.textures = {{"a.bmp", 0}};
    f.vertices = {V(1, 2, 3, 0, 0), V(4, 5, 6, 0, 0), V(7, 8, 9, 0, 0)};
    f.polygons = {MakePolygon(1, 2, 3, 0, 1, 0)};
    cases.push_back({"unknown version", f, {"Unknown mesh-Version: m.msh2"}, [](const brumin::TMesh2& m) {
                       EXPECT_EQ(m.VertexCount, 3);
                       EXPECT_EQ(m.Vertices[2].z, 9.0f);
                       EXPECT_EQ(m.PolygonCount, 0);
                       EXPECT_EQ(MeshTextureCount, 1);  // its textures are read
                     }});
  }
  {
    MeshFile f;
    for (int i = 0; i < 5002; ++i) f.vertices.push_back(V(float(i), 0, 0, 0, 0));
    f.polygons = {MakePolygon(1, 5000, 5001, 0, 0, 0)};
    cases.push_back({"5002 vertices",
                     f,
                     {"Error: Mesh3D: LoadMesh2: buildings\\m.msh2 has 5002 vertices, only 5000 are kept",
                      "TMesh2.load:m.msh2 Polygone: 1 fehlerhaft!!"},
                     [](const brumin::TMesh2& m) {
                       EXPECT_EQ(m.VertexCount, 5000);
                       EXPECT_EQ(m.Vertices[4999].x, 4999.0f);
                       EXPECT_EQ(m.Polygons[0].Vertices[1], 5000);
                       EXPECT_EQ(m.Polygons[0].Vertices[2], 1);
                     }});
  }
  {
    MeshFile f;
    f.textures = {{"a.bmp", 1}, {"", 0}};
    f.vertices = {V(nan, 0, 0, 0, 0), V(1, 0, 0, 0, 0), V(0, 1, 0, 0, 0)};
    f.polygons = {MakePolygon(0, 2, 3, 0, 1, 0), MakePolygon(1, 2, 3, 0, 3, 0), MakePolygon(1, 2, 3, 0, 2, 0)};
    cases.push_back({"a corner 0, a texture past the list, a vertex that is no number",
                     f,
                     {"TMesh2.load:m.msh2 Polygone: 1 fehlerhaft!!", "TMesh2.load:m.msh2 Polygone: 2 fehlerhaft!!"},
                     [](const brumin::TMesh2& m) {
                       ASSERT_EQ(m.PolygonCount, 3);
                       EXPECT_EQ(m.Polygons[0].Texture, 1);  // a.bmp, slot 1 (sorted first)
                       EXPECT_EQ(m.Polygons[0].Vertices[0], 1);
                       EXPECT_EQ(m.Polygons[1].Texture, 0);
                       EXPECT_EQ(MeshTextureTable[1].Alpha, 1);  // state 1
                       EXPECT_TRUE(std::isnan(m.Vertices[0].x));
                     }});
  }
  for (const Case& c : cases) {
    brumin::ResetMeshTextures(base_);
    testing_support::Warnings().clear();
    Write("buildings/m.msh2", c.file.Bytes());
    brumin::LoadMesh2(*staging_, Work_DIR.str(), "m.msh2");
    EXPECT_EQ(Warnings(), c.warnings) << c.what;
    c.check(*staging_);
  }
}

TEST_F(BruminMeshes, MissingMsh2ReadsNoMeshAndWithoutItTooGivesAnEmptyBlock) {
  Write("buildings/NoMesh.msh2", sample_mesh::NoMeshFile().Bytes());
  Load("gone.msh2");
  EXPECT_EQ(block_->VertexCount, 5);
  EXPECT_EQ(block_->TriangleCount, 4);
  EXPECT_EQ(Warnings(), std::vector<std::string>{"ERROR: buildings\\gone.msh2 NOT EXISTS!!"});
  std::filesystem::remove(base_ + "buildings/NoMesh.msh2");
  testing_support::Warnings().clear();
  Load("gone.MSH2");
  EXPECT_TRUE(Empty());
  EXPECT_EQ(Warnings(), (std::vector<std::string>{"ERROR: buildings\\gone.MSH2 NOT EXISTS!!",
                                                  "ERROR: buildings\\NoMesh.msh2 NOT EXISTS!!"}));
}

// ---- Drawing ----

TEST_F(BruminMeshes, DrawMeshSendsTexturedAndColourPolygonsInOrder) {
  WriteBmp("gfx/a.bmp", 4);
  ASSERT_EQ(brumin::LoadTextureByName("a.bmp", false), 1);  // GL name 3
  TMeshBlock& b = *block_;
  std::memset(&b, 0, sizeof(b));
  b.VertexCount = 4;
  b.Vertices[0] = {0, 0, 0};
  b.Vertices[1] = {1, 0, 0};
  b.Vertices[2] = {1, 1, 0};
  b.Vertices[3] = {0, 1, 0};
  b.TextureSlotCount = 1;
  b.TextureSlots[0] = 1;
  b.TriangleCount = 2;
  b.Triangles[0] = {{0.5f, 1, 0}, {0, 0, 1}, {1, 2, 3}, 1, 0};
  b.Triangles[1] = {{100, 7, 7}, {0.5f, 0.5f, 0.5f}, {1, 3, 4}, 1, 0};  // grey, untextured
  b.QuadCount = 2;
  b.Quads[0] = {{0, 1, 1, 0}, {0, 0, 1, 1}, {1, 2, 3, 9}, 1, {0, 0, 0}};  // corner 9 draws vertex 1
  b.Quads[1] = {{0, 1, 1, 0}, {0, 0, 1, 1}, {1, 2, 3, 4}, 5, {0, 0, 0}};  // position 5 of 1: untextured
  brumin_test::Calls().clear();
  std::fesetround(FE_UPWARD);
  brumin::DrawMesh(b, 1, 2, 1, 1);
  EXPECT_EQ(std::fegetround(), FE_TONEAREST);  // every vertex leaves the default floating-point state
  const float tex2d = float(glk::TEXTURE_2D);
  const float polygon = float(brumin::kGlPolygon);
  const std::vector<GlCall> expected = {
      {"glTexEnvf", {float(glk::TEXTURE_ENV_MODE), float(glk::MODULATE)}},
      {"glEnable", {tex2d}},
      {"glBindTexture", {3}},
      {"glColor3f", {1, 2, 1}},
      {"glBegin", {float(glk::TRIANGLES)}},
      {"glTexCoord2f", {0.5f, 0}},
      {"glVertex3f", {0, 0, 0}},
      {"glTexCoord2f", {1, 0}},
      {"glVertex3f", {1, 0, 0}},
      {"glTexCoord2f", {0, 1}},
      {"glVertex3f", {1, 1, 0}},
      {"glEnd", {}},
      {"glColor3f", {0.5f, 0.5f, 0.5f}},
      {"glDisable", {tex2d}},
      {"glBegin", {float(glk::TRIANGLES)}},
      {"glVertex3f", {0, 0, 0}},
      {"glVertex3f", {1, 1, 0}},
      {"glVertex3f", {0, 1, 0}},
      {"glEnd", {}},
      {"glColor3f", {1, 2, 1}},
      {"glEnable", {tex2d}},
      {"glBindTexture", {3}},
      {"glBegin", {polygon}},
      {"glTexCoord2f", {0, 0}},
      {"glVertex3f", {0, 0, 0}},
      {"glTexCoord2f", {1, 0}},
      {"glVertex3f", {1, 0, 0}},
      {"glTexCoord2f", {1, 1}},
      {"glVertex3f", {1, 1, 0}},
      {"glTexCoord2f", {0, 1}},
      {"glVertex3f", {0, 0, 0}},
      {"glEnd", {}},
      {"glColor3f", {1, 2, 1}},
      {"glDisable", {tex2d}},
      {"glBegin", {polygon}},
      {"glVertex3f", {0, 0, 0}},
      {"glVertex3f", {1, 0, 0}},
      {"glVertex3f", {1, 1, 0}},
      {"glVertex3f", {0, 1, 0}},
      {"glEnd", {}},
  };
  EXPECT_EQ(brumin_test::Calls(), expected);
}

}  // namespace
