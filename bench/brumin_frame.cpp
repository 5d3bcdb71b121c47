// One frame of the building editor's 3D view under Mesa's software renderer: ten preview blocks,
// each a large mesh near the block's room (a curved roof of 4,096 vertices and 3,969 quads in two
// textures, with a strip of 126 colour triangles), placed in two rows by the model-view matrix as
// the view places its preview meshes.
//
// Ours (building_frame/ours) is the program's own drawing: brumin::DrawMesh per block, one begin and end
// per polygon, the texture bound through the program's texture table (which skips a binding that
// does not change).
//
// The reference (building_frame/vs_vertex_arrays) draws the same scene from client-side vertex arrays made
// once: per block, one array of textured corners per texture and one of coloured corners for the
// colour triangles, each drawn with one call (a quad as the two triangles GL makes of a polygon).
// Its per-frame work is the placement, the texture bindings and the draw calls.
//
// Both frames clear, set the view the same way, wait for the picture (a read of one back-buffer
// pixel) and swap. Before timing, the two pictures are compared pixel by pixel; when more than
// 0.1 % of them differ, the program stops without timing. The end of the run prints both times per
// frame and their ratio.
//
// Needs a display:  LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24" bench_brumin_frame

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "apps/brumin/meshes.h"
#include "apps/brumin/textures.h"
#include "bench/gl_frame.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/render/graphics.h"
#include "platform/glpanel.h"
#include "tools/sample_building.h"
#include "tools/sample_gfx.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kBlocks = 10;
constexpr int kGrid = 64;  // vertices along each side of a roof

struct Placement {
  float x, z, gier;
};

// A corner as the reference hands it to GL.
struct Corner {
  float x, y, z;
  float u, v;
};
struct ColourCorner {
  float x, y, z;
  float r, g, b;
};

// The reference's arrays of one block: the textured corners by texture slot, the colour corners.
struct ArrayBlock {
  std::vector<uint16_t> textures;
  std::vector<std::vector<Corner>> corners;  // per slot
  std::vector<ColourCorner> coloured;
};

struct World {
  std::unique_ptr<brumin::TMeshBlock> blocks[kBlocks];
  Placement placements[kBlocks];
  ArrayBlock arrays[kBlocks];
  int polygons = 0;
};

// A roof of kGrid x kGrid vertices over 20 x 20 units: bands of four quad rows alternate between
// the block's texture positions 1 and 2; the first column of cells is a strip of colour triangles
// in shades of brown.
void MakeRoof(brumin::TMeshBlock& b, uint16_t wall, uint16_t roof, float phase) {
  std::memset(&b, 0, sizeof b);
  for (int i = 0; i < kGrid; ++i)
    for (int j = 0; j < kGrid; ++j) {
      const float x = -10.0f + 20.0f * static_cast<float>(j) / (kGrid - 1);
      const float z = -10.0f + 20.0f * static_cast<float>(i) / (kGrid - 1);
      const float y = 4.0f + 3.0f * std::cos(x * 0.15f + phase) * std::cos(z * 0.15f);
      b.Vertices[i * kGrid + j] = {x, y, z};
    }
  b.VertexCount = kGrid * kGrid;
  b.TextureSlotCount = 2;
  b.TextureSlots[0] = wall;
  b.TextureSlots[1] = roof;
  const auto vertex = [](int i, int j) { return static_cast<uint16_t>(i * kGrid + j + 1); };
  for (int i = 0; i + 1 < kGrid; ++i)
    for (int j = 0; j + 1 < kGrid; ++j) {
      const uint16_t c[4] = {vertex(i, j), vertex(i, j + 1), vertex(i + 1, j + 1), vertex(i + 1, j)};
      if (j == 0) {
        const float shade = 0.3f + 0.4f * static_cast<float>(i) / kGrid;
        b.Triangles[b.TriangleCount++] = {{brumin::kColourPolygon, 0, 0}, {shade, shade * 0.6f, 0.1f}, {c[0], c[1], c[2]}, 0, 0};
        b.Triangles[b.TriangleCount++] = {{brumin::kColourPolygon, 0, 0}, {shade, shade * 0.6f, 0.1f}, {c[0], c[2], c[3]}, 0, 0};
        continue;
      }
      const float u0 = static_cast<float>(j) / 8, v0 = static_cast<float>(i) / 8;
      const float u1 = u0 + 0.125f, v1 = v0 + 0.125f;
      b.Quads[b.QuadCount++] = {{u0, u1, u1, u0}, {v0, v0, v1, v1}, {c[0], c[1], c[2], c[3]},
                                static_cast<uint8_t>((i / 4) % 2 + 1), {0, 0, 0}};
    }
}

// The reference's arrays of a block: the same corners, a quad as the fan GL makes of a polygon.
void MakeArrays(const brumin::TMeshBlock& b, ArrayBlock& a) {
  a.textures.assign(b.TextureSlots, b.TextureSlots + b.TextureSlotCount);
  a.corners.assign(a.textures.size(), {});
  const auto at = [&b](uint16_t corner) { return b.Vertex(corner); };
  for (int t = 0; t < b.TriangleCount; ++t) {
    const brumin::TMeshTriangle& tri = b.Triangles[t];
    for (int k = 0; k < 3; ++k) {
      const TVector p = at(tri.Corners[k]);
      a.coloured.push_back({p.x, p.y, p.z, tri.V[0], tri.V[1], tri.V[2]});
    }
  }
  for (int q = 0; q < b.QuadCount; ++q) {
    const brumin::TMeshQuad& quad = b.Quads[q];
    std::vector<Corner>& to = a.corners[quad.Texture - 1];
    for (int k : {0, 1, 2, 0, 2, 3}) {
      const TVector p = at(quad.Corners[k]);
      to.push_back({p.x, p.y, p.z, quad.U[k], quad.V[k]});
    }
  }
}

void Setup(World& w) {
  Base_DIR = "";
  Work_DIR = "buildings\\";
  brumin::InitMeshUnit();
  const uint16_t wall = brumin::LoadTextureByName("hwall.bmp", false);
  const uint16_t roof = brumin::LoadTextureByName("hroof.bmp", false);
  for (int k = 0; k < kBlocks; ++k) {
    w.blocks[k] = std::make_unique<brumin::TMeshBlock>();
    MakeRoof(*w.blocks[k], wall, roof, 0.7f * static_cast<float>(k));
    MakeArrays(*w.blocks[k], w.arrays[k]);
    w.placements[k] = {-50.0f + 25.0f * static_cast<float>(k % 5), -12.0f - 25.0f * static_cast<float>(k / 5),
                       9.0f * static_cast<float>(k)};
    w.polygons += w.blocks[k]->QuadCount + w.blocks[k]->TriangleCount;
  }
}

// The view of both frames: navy sky, depth test, a perspective looking down over the two rows.
void BeginFrame() {
  GraGL.glViewport(0, 0, kWidth, kHeight);
  GraGL.glClearColor(0.0f, 0.0f, 128.0f / 255.0f, 1.0f);
  GraGL.glClear(glk::COLOR_BUFFER_BIT | glk::DEPTH_BUFFER_BIT);
  GraGL.glEnable(glk::DEPTH_TEST);
  GraGL.glDepthFunc(glk::LEQUAL);
  GraGL.glMatrixMode(glk::PROJECTION);
  GraGL.glLoadIdentity();
  GraGL.glFrustum(-0.6667, 0.6667, -0.5, 0.5, 1.0, 600.0);
  GraGL.glMatrixMode(glk::MODELVIEW);
  GraGL.glLoadIdentity();
  GraGL.glRotatef(35.0f, 1.0f, 0.0f, 0.0f);
  GraGL.glTranslatef(0.0f, -30.0f, -12.0f);
}

void Place(const Placement& p) {
  GraGL.glPushMatrix();
  GraGL.glTranslatef(p.x, 0.0f, p.z);
  GraGL.glRotatef(p.gier, 0.0f, 1.0f, 0.0f);
}

void DrawOurs(World& w) {
  BeginFrame();
  for (int k = 0; k < kBlocks; ++k) {
    Place(w.placements[k]);
    brumin::DrawMesh(*w.blocks[k], 1, 1, 1, 1);
    GraGL.glPopMatrix();
  }
}

void DrawReference(World& w) {
  BeginFrame();
  GraGL.glTexEnvf(glk::TEXTURE_ENV, glk::TEXTURE_ENV_MODE, static_cast<float>(glk::MODULATE));
  GraGL.glEnableClientState(glk::VERTEX_ARRAY);
  for (int k = 0; k < kBlocks; ++k) {
    const ArrayBlock& a = w.arrays[k];
    Place(w.placements[k]);
    GraGL.glEnableClientState(glk::COLOR_ARRAY);
    brumin::BindTexture(0, 0);
    GraGL.glVertexPointer(3, glk::FLOAT, sizeof(ColourCorner), &a.coloured[0].x);
    GraGL.glColorPointer(3, glk::FLOAT, sizeof(ColourCorner), &a.coloured[0].r);
    GraGL.glDrawArrays(glk::TRIANGLES, 0, static_cast<int32_t>(a.coloured.size()));
    GraGL.glDisableClientState(glk::COLOR_ARRAY);
    GraGL.glEnableClientState(glk::TEXTURE_COORD_ARRAY);
    GraGL.glColor3f(1.0f, 1.0f, 1.0f);
    for (size_t s = 0; s < a.textures.size(); ++s) {
      if (a.corners[s].empty()) continue;
      brumin::BindTexture(a.textures[s], 1);
      GraGL.glVertexPointer(3, glk::FLOAT, sizeof(Corner), &a.corners[s][0].x);
      GraGL.glTexCoordPointer(2, glk::FLOAT, sizeof(Corner), &a.corners[s][0].u);
      GraGL.glDrawArrays(glk::TRIANGLES, 0, static_cast<int32_t>(a.corners[s].size()));
    }
    GraGL.glDisableClientState(glk::TEXTURE_COORD_ARRAY);
    GraGL.glPopMatrix();
  }
  GraGL.glDisableClientState(glk::VERTEX_ARRAY);
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::GlScene scene("brumin-frame", kWidth, kHeight, [](const std::string& base, std::string& error) {
    return sample_gfx::WriteSampleGraphics(base, error) && sample_building::WriteSampleBuilding(base, error);
  });
  World world;
  Setup(world);
  bench::RegisterFrameCases("building_frame", "vertex_arrays", [&world] { DrawOurs(world); }, [&world] { DrawReference(world); },
                            kWidth, kHeight);

  // How far the two pictures agree.
  DrawOurs(world);
  const std::vector<uint8_t> a = bench::ReadPicture(kWidth, kHeight);
  Gra_SwapBuffers();
  DrawReference(world);
  const std::vector<uint8_t> b = bench::ReadPicture(kWidth, kHeight);
  Gra_SwapBuffers();
  size_t sky = 0;
  for (size_t i = 0; i < a.size(); i += 4) sky += a[i] == 0 && a[i + 1] == 0 && a[i + 2] == 128;
  const double pixels = static_cast<double>(a.size()) / 4;
  std::printf("%d blocks, %d polygons; pixels that show the scene: %.1f %%; that differ between the two pictures: %.2f %%\n",
              kBlocks, world.polygons, 100.0 * (pixels - static_cast<double>(sky)) / pixels,
              100.0 * static_cast<double>(bench::DifferingPixels(a, b)) / pixels);
  const int status = bench::TimeFramesWhenPicturesAgree(a, b, "building_frame", "vertex_arrays", "vertex arrays");
  benchmark::Shutdown();
  return status;
}
