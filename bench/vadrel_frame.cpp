// One frame of the vehicle editor's 3D view under Mesa's software renderer: the ground, five
// mesh rows (the sample bus, two bogies, the cube and the stand-in pyramid), three light
// silhouettes and the bounding box, drawn as the editor draws them (immediate mode, one begin
// and end per quad and polygon, the software light per vertex, the parts placed anew each
// frame), beside the same geometry drawn from vertex buffers made once, in one draw call per
// mesh (the outlines as one line list and one point list), with its light baked in.
//
// Both frames clear, set the view and the camera the same way, wait for the picture (a read of
// one back-buffer pixel) and swap. The reference draws every mesh with its first texture, so
// its picture differs where a mesh mixes textured and untextured polygons; the vertex count is
// the same. The end of the run prints frames per second of both and the ratio
// immediate / vertex buffers of the time per frame.
//
// Needs a display:  LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24" bench_vadrel_frame

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "apps/vadrel/view3d.h"
#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/files/vehiclefile.h"
#include "engine/mesh/drawing.h"
#include "engine/mesh/mesh.h"
#include "engine/render/graphics.h"
#include "engine/render/texturefiles.h"
#include "platform/glpanel.h"
#include "tools/sample_gfx.h"
#include "tools/sample_mesh.h"

namespace {

constexpr int kWidth = 535;
constexpr int kHeight = 433;
// Looking down at the vehicle with the ground behind it.
const TPlacement kCamera = {12.0f, 8.0f, 14.0f, 0.0f, 40.0f, -20.0f};

struct Row {
  const char* file;
  TPlacement place;
};
const Row kRows[6] = {{},
                      {"samplebus.msh2", {0, 0, 0, 0, 20, 0}},
                      {"samplebogie.msh2", {3, 0, 0, 0, 20, 0}},
                      {"samplebogie.msh2", {-3, 0, 0, 0, 20, 0}},
                      {"cube.msh2", {-14, 5, -6, 0, 10, 0}},
                      {"NoMesh.msh2", {8, 0, -8, 0, 0, 0}}};

// A vertex buffer of one mesh.
struct Batch {
  uint32_t buffer = 0;
  int32_t count = 0;
  uint32_t primitive = glk::TRIANGLES;
  uint16_t texture = 0;
};

struct World {
  std::string folder;  // the sample data, removed at the end
  platform::GlPanel* panel = nullptr;
  std::unique_ptr<std::array<TMesh2, 6>> loaded = std::make_unique<std::array<TMesh2, 6>>();
  std::unique_ptr<std::array<TMesh2, 6>> placed = std::make_unique<std::array<TMesh2, 6>>();
  std::unique_ptr<TVehicleInfo> info = std::make_unique<TVehicleInfo>();
  vadrel::TViewScene scene;
  std::vector<Batch> batches;
  QOpenGLFunctions* gl = nullptr;
};
World* g_world = nullptr;

TInterleavedVertex Vx(const TVector& p, const float c[4], float u, float v) {
  auto b = [](float f) { return static_cast<uint8_t>(std::lround(std::fmin(1.0f, std::fmax(0.0f, f)) * 255.0f)); };
  return {p.x, p.y, p.z, b(c[0]), b(c[1]), b(c[2]), b(c[3]), u, v};
}

// The triangles of a placed mesh with the colours the immediate drawing gives them.
Batch MeshBatch(World& w, const TMesh2& m) {
  std::vector<TInterleavedVertex> v;
  Batch b;
  for (int i = 1; i <= m.PolygonCount; ++i) {
    const TMeshPolygon& p = m.Polygon(i);
    const int corners = p.Kind == kPolyQuad ? 4 : 3;
    if (!b.texture) b.texture = p.Texture;
    const TMeshVertex& first = m.Vertex(p.Vertices[0]);
    const float facing = (first.x - kCamera.X) * p.Normal.x + (first.y - kCamera.Y) * p.Normal.y +
                         (first.z - kCamera.Z) * p.Normal.z;
    TInterleavedVertex corner[4];
    for (int k = 0; k < corners; ++k) {
      const TMeshVertex& mv = m.Vertex(p.Vertices[k]);
      const TMeshVertex& lightFrom = (p.Flags & kPolyFlat) ? first : mv;
      const float s = (p.Flags & kPolyLit) ? MeshVertexBrightness({lightFrom.nx, lightFrom.ny, lightFrom.nz}, facing) : 1;
      const float c[4] = {ByteToFloat[p.Colour[0]] * s, ByteToFloat[p.Colour[1]] * s, ByteToFloat[p.Colour[2]] * s,
                          ByteToFloat[p.Colour[3]]};
      corner[k] = Vx({mv.x, mv.y, mv.z}, c, mv.u, mv.v);
    }
    for (int k = 1; k + 1 < corners; ++k) {
      v.push_back(corner[0]);
      v.push_back(corner[k]);
      v.push_back(corner[k + 1]);
    }
  }
  b.count = static_cast<int32_t>(v.size());
  w.gl->glGenBuffers(1, &b.buffer);
  w.gl->glBindBuffer(0x8892 /* ARRAY_BUFFER */, b.buffer);
  w.gl->glBufferData(0x8892, static_cast<qopengl_GLsizeiptr>(v.size() * sizeof(TInterleavedVertex)), v.data(),
                     0x88E4 /* STATIC_DRAW */);
  return b;
}

Batch ListBatch(World& w, const std::vector<TInterleavedVertex>& v, uint32_t primitive) {
  Batch b;
  b.primitive = primitive;
  b.count = static_cast<int32_t>(v.size());
  w.gl->glGenBuffers(1, &b.buffer);
  w.gl->glBindBuffer(0x8892, b.buffer);
  w.gl->glBufferData(0x8892, static_cast<qopengl_GLsizeiptr>(v.size() * sizeof(TInterleavedVertex)), v.data(),
                     0x88E4);
  return b;
}

// Points on a circle of radius 1 in the x = 5 plane round (5, y, z); point 51 of light k its centre.
void MakeLights(TVehicleInfo& info) {
  std::memset(&info, 0, sizeof info);
  for (int k = 0; k < 3; ++k) {
    const int first = 1 + 16 * k;
    for (int i = 0; i < 16; ++i) {
      const double a = i * 2 * M_PI / 16;
      info.LightSilhouette[first - 1 + i] = {5.0f, static_cast<float>(1.5 + k + std::sin(a) * 0.5),
                                             static_cast<float>(-1.0 + k + std::cos(a) * 0.5)};
    }
    info.LightSilhouette[48 + k] = {5.0f, 1.5f + k, -1.0f + k};
    info.LightActive[k] = 1;
    info.LightRanges[k] = {first, first + 15, 49 + k};
    info.LightCones[k][0] = 2.0f;
  }
}

void Setup(World& w) {
  char folder[] = "/tmp/vadrel-frame-XXXXXX";
  if (!mkdtemp(folder)) std::abort();
  const std::string base = std::string(folder) + "/";
  std::string error;
  if (!sample_gfx::WriteSampleGraphics(base, error) || !sample_mesh::WriteSampleMeshes(base, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  if (chdir(folder) != 0) std::abort();
  w.folder = folder;
  sys_test::SetLogFolder(base);

  w.panel = new platform::GlPanel();
  w.panel->resize(kWidth, kHeight);
  w.panel->show();
  QGuiApplication::processEvents();
  MainWindowHandle = w.panel;
  Gra_Init(kWidth, kHeight, 32, 0, false);
  w.gl = QOpenGLContext::currentContext()->functions();

  const float len = std::sqrt(0.4f * 0.4f + 0.3f * 0.3f + 0.7f * 0.7f);
  Weather.LightDirection = {0.4f / len, -0.3f / len, -0.7f / len};
  Weather.LightFactor = 3.0f;
  Weather.AmbientCeiling = 0.666f;
  Gra_SetLight(true);
  LocalPlayer = 1;
  Players[1].Camera = kCamera;

  vadrel::TViewScene& s = w.scene;
  s.GrassTexture = LoadTexture("nlgrasb.bmp", 0, 0, true);
  for (int k = 1; k <= 5; ++k) {
    LoadMesh2((*w.loaded)[k], base + "vehicles\\", kRows[k].file);
    vadrel::PlacePartMesh((*w.loaded)[k], kRows[k].place, (*w.placed)[k]);
    s.Parts[k] = &(*w.placed)[k];
  }
  s.Part1Placement = kRows[1].place;
  MakeLights(*w.info);
  s.ShowLights = true;
  s.Lights = w.info.get();
  s.Box = {{{-5, 0, -2}, {5, 0, -2}, {5, 0, 2}, {-5, 0, 2}}, 4.0f, 0.0f};

  // The reference's buffers: the ground, each placed part, then the outlines in part 1's frame
  // (turned here once, as the matrix turns them in the immediate frame).
  std::vector<TInterleavedVertex> ground;
  const float white[4] = {1, 1, 1, 1};
  for (int i = -15; i <= 15; ++i)
    for (int j = -15; j <= 15; ++j) {
      const TInterleavedVertex a = Vx({50.0f * j, -3, 50.0f * i}, white, 0, 0),
                               b = Vx({50.0f * (j + 1), -3, 50.0f * i}, white, 1, 0),
                               c = Vx({50.0f * (j + 1), -3, 50.0f * (i + 1)}, white, 1, 1),
                               d = Vx({50.0f * j, -3, 50.0f * (i + 1)}, white, 0, 1);
      for (const TInterleavedVertex& x : {a, b, c, a, c, d}) ground.push_back(x);
    }
  Batch g = ListBatch(w, ground, glk::TRIANGLES);
  g.texture = static_cast<uint16_t>(s.GrassTexture);
  w.batches.push_back(g);
  for (int k = 1; k <= 5; ++k) w.batches.push_back(MeshBatch(w, (*w.placed)[k]));

  auto turned = [&s](TVector p) {
    auto m = std::make_unique<TMesh2>();
    std::memset(m.get(), 0, sizeof(TMesh2));
    m->VertexCount = 1;
    m->Vertex(1) = {p.x, p.y, p.z, 0, 0, 0, 0, 0};
    auto out = std::make_unique<TMesh2>();
    vadrel::PlacePartMesh(*m, s.Part1Placement, *out);
    return TVector{out->Vertex(1).x, out->Vertex(1).y, out->Vertex(1).z};
  };
  const float red[4] = {1, 0, 0, 1};
  std::vector<TInterleavedVertex> lines, points;
  const vadrel::TLightGeometry light = vadrel::LightSilhouettes(*w.info);
  for (const auto& q : light.Quads)
    for (int e = 0; e < 4; ++e) {
      lines.push_back(Vx(turned(q[e]), red, 0, 0));
      lines.push_back(Vx(turned(q[(e + 1) % 4]), red, 0, 0));
    }
  for (const TVector& p : light.Points) points.push_back(Vx(turned(p), red, 0, 0));
  for (int i = 0; i < 4; ++i) {
    const TVector& a = s.Box.Corners[i];
    const TVector& b = s.Box.Corners[(i + 1) % 4];
    const TVector quads[4][4] = {
        {{a.x, 0, a.z}, {b.x, 0, b.z}, {b.x, 0.5f, b.z}, {a.x, 0.5f, a.z}},
        {{a.x, 4, a.z}, {b.x, 4, b.z}, {b.x, 3.5f, b.z}, {a.x, 3.5f, a.z}},
        {{b.x, 4, b.z}, {b.x, 0, b.z}, {b.x - 0.5f, 0, b.z}, {b.x - 0.5f, 4, b.z}},
        {{a.x, 0, a.z}, {a.x, 4, a.z}, {a.x + 0.5f, 4, a.z}, {a.x + 0.5f, 0, a.z}}};
    for (const auto& q : quads)
      for (int e = 0; e < 4; ++e) {
        lines.push_back(Vx(turned(q[e]), white, 0, 0));
        lines.push_back(Vx(turned(q[(e + 1) % 4]), white, 0, 0));
      }
  }
  w.batches.push_back(ListBatch(w, lines, glk::LINES));
  w.batches.push_back(ListBatch(w, points, glk::POINTS));
  w.gl->glBindBuffer(0x8892, 0);
}

// The editor's frame: the parts placed anew, then the scene.
void DrawImmediate(World& w) {
  vadrel::BeginViewFrame(kCamera, kWidth, kHeight);
  for (int k = 1; k <= 5; ++k) vadrel::PlacePartMesh((*w.loaded)[k], kRows[k].place, (*w.placed)[k]);
  vadrel::DrawViewScene(w.scene, kCamera);
}

// The reference: one draw call per buffer.
void DrawBuffers(World& w) {
  vadrel::BeginViewFrame(kCamera, kWidth, kHeight);
  Gra_SetBlendMode(1);
  for (const Batch& b : w.batches) {
    Gra_SetTexture(b.texture);
    w.gl->glBindBuffer(0x8892, b.buffer);
    GraGL.glVertexPointer(3, glk::FLOAT, sizeof(TInterleavedVertex), reinterpret_cast<const void*>(0));
    GraGL.glColorPointer(4, glk::UNSIGNED_BYTE, sizeof(TInterleavedVertex), reinterpret_cast<const void*>(12));
    GraGL.glTexCoordPointer(2, glk::FLOAT, sizeof(TInterleavedVertex), reinterpret_cast<const void*>(16));
    GraGL.glDrawArrays(b.primitive, 0, b.count);
  }
  w.gl->glBindBuffer(0x8892, 0);
}

std::vector<uint8_t> Picture() {
  std::vector<uint8_t> px(static_cast<size_t>(kWidth) * kHeight * 4);
  GraGL.glReadBuffer(glk::BACK);
  GraGL.glPixelStorei(glk::PACK_ALIGNMENT, 1);
  GraGL.glReadPixels(0, 0, kWidth, kHeight, glk::RGBA, glk::UNSIGNED_BYTE, px.data());
  return px;
}

// Waits until the picture is made, then shows it.
void Finish() {
  uint8_t px[4];
  GraGL.glReadPixels(kWidth / 2, kHeight / 2, 1, 1, glk::RGBA, glk::UNSIGNED_BYTE, px);
  benchmark::DoNotOptimize(px);
  Gra_SwapBuffers();
}

void BM_Frame_Immediate(benchmark::State& state) {
  World& w = *g_world;
  for (auto _ : state) {
    DrawImmediate(w);
    Finish();
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Frame_Immediate)->Name("frame/immediate")->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Frame_VertexBuffers(benchmark::State& state) {
  World& w = *g_world;
  for (auto _ : state) {
    DrawBuffers(w);
    Finish();
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Frame_VertexBuffers)->Name("frame/vertex_buffers")->UseRealTime()->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration && run.iterations > 0)
        ns_[run.run_name.function_name] = run.real_accumulated_time * 1e9 / static_cast<double>(run.iterations);
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatio() const {
    const auto a = ns_.find("frame/immediate"), b = ns_.find("frame/vertex_buffers");
    if (a == ns_.end() || b == ns_.end()) return;
    std::printf("\n%-22s %10s %10s\n", "frame", "ms", "fps");
    std::printf("%-22s %10.3f %10.1f\n", "immediate", a->second / 1e6, 1e9 / a->second);
    std::printf("%-22s %10.3f %10.1f\n", "vertex buffers", b->second / 1e6, 1e9 / b->second);
    std::printf("immediate / vertex buffers (time per frame): %.2f\n", a->second / b->second);
  }

 private:
  std::map<std::string, double> ns_;
};

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  World world;
  g_world = &world;
  Setup(world);
  // How far the two pictures agree (the reference's textures differ on mixed meshes).
  const uint32_t before = Gra_Counter(kGraCountVertices);
  DrawImmediate(world);
  const uint32_t meshVertices = Gra_Counter(kGraCountVertices) - before;
  const std::vector<uint8_t> a = Picture();
  DrawBuffers(world);
  const std::vector<uint8_t> b = Picture();
  size_t differ = 0;
  for (size_t i = 0; i < a.size(); i += 4)
    differ += std::abs(a[i] - b[i]) > 8 || std::abs(a[i + 1] - b[i + 1]) > 8 || std::abs(a[i + 2] - b[i + 2]) > 8;
  std::printf("mesh vertices a frame: %u; pixels that differ between the two pictures: %.1f %%\n", meshVertices,
              100.0 * static_cast<double>(differ) / (static_cast<double>(a.size()) / 4));
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio();
  benchmark::Shutdown();
  Gra_Done();
  MainWindowHandle = nullptr;
  delete world.panel;
  if (chdir("/") == 0) std::filesystem::remove_all(world.folder);
  return 0;
}
