// One frame of the vehicle editor's 3D view under Mesa's software renderer, over a scene large
// enough to weigh the vertex work: 30 detailed vehicles of five parts each (about 30,000
// polygons, from the sample mesh generator) on the ground, with the light silhouettes and the
// bounding box of the first vehicle.
//
// Ours (vehicle_frame/ours) is the editor's own drawing: every part placed anew from its loaded mesh
// (PlacePartMesh), then the scene in immediate mode, one begin and end per polygon with the
// software light per vertex (DrawViewScene for the first vehicle, the ground and the outlines;
// Gra_DrawMesh, as DrawViewScene draws a part, for the others).
//
// The reference (vehicle_frame/vs_vertex_buffers) does the same work each frame: it places every part
// with the same routine, lights every corner with the same brightness and colour, binds the same
// textures and draws in the same order, but hands the corners to GL as one vertex buffer filled
// once a frame and drawn with a few indexed draw calls (one per run of polygons that share a
// texture), with a fixed index buffer (a quad as the two triangles the immediate fan makes). The
// ground, which never changes, sits in a buffer made once; the outlines are drawn from arrays in
// part 1's frame, as the editor's matrix places them.
//
// Both frames clear, set the view and the camera the same way, wait for the picture (a read of
// one back-buffer pixel) and swap. Before timing, the two pictures are compared pixel by pixel;
// when more than 0.1 % of them differ, the program stops without timing.
// The end of the run prints both times per frame and their ratio.
//
// Needs a display:  LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1280x1024x24" bench_vadrel_frame
// With --pictures=<prefix>, both pictures are written as <prefix>ours.png and
// <prefix>vertex_buffers.png.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "apps/vadrel/view3d.h"
#include "bench/gl_frame.h"
#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/files/vehiclefile.h"
#include "engine/mesh/drawing.h"
#include "engine/mesh/mesh.h"
#include "engine/render/graphics.h"
#include "engine/render/texturefiles.h"
#include "platform/glpanel.h"
#include "platform/platform.h"
#include "tools/sample_gfx.h"
#include "tools/sample_mesh.h"

namespace {

constexpr int kWidth = 535;
constexpr int kHeight = 433;
// Above the front corner of the fleet, looking down across it.
const TPlacement kCamera = {38.0f, 30.0f, 30.0f, 0.0f, 39.0f, -27.0f};

constexpr int kRows = 5;
constexpr int kColumns = 6;
constexpr int kVehicles = kRows * kColumns;
constexpr int kParts = 5;

// GL names the engine's table does not carry.
constexpr uint32_t kArrayBuffer = 0x8892, kElementArrayBuffer = 0x8893;
constexpr uint32_t kStaticDraw = 0x88E4, kStreamDraw = 0x88E0, kUnsignedInt = 0x1405;

// A corner as the reference hands it to GL: the colours are the floats the immediate drawing
// passes to glColor4f, so both pictures get the same values.
struct Corner {
  float x, y, z;
  float r, g, b, a;
  float u, v;
};

// Polygons drawn with one texture, in drawing order: their indices in the index buffer.
struct Run {
  uint16_t texture;
  int32_t first;  // index position
  int32_t count;  // indices
};

struct World {
  QOpenGLFunctions* gl = nullptr;
  std::vector<TMesh2> loaded = std::vector<TMesh2>(kParts);  // one of each part
  std::vector<TMesh2> placed = std::vector<TMesh2>(static_cast<size_t>(kVehicles * kParts));
  std::vector<TPlacement> placements = std::vector<TPlacement>(static_cast<size_t>(kVehicles * kParts));
  std::unique_ptr<TVehicleInfo> info = std::make_unique<TVehicleInfo>();
  vadrel::TViewScene scene;  // the first vehicle
  int32_t polygons = 0;

  // The reference's state.
  uint32_t groundBuffer = 0, groundCount = 0;
  uint32_t cornerBuffer = 0, indexBuffer = 0;
  std::vector<Corner> corners;  // filled every frame
  std::vector<Run> firstRuns, otherRuns;  // the first vehicle's, then the others'
};

TMesh2& Placed(World& w, int vehicle, int part) { return w.placed[static_cast<size_t>(vehicle * kParts + part)]; }

// Where vehicle v's parts stand: rows along x, each vehicle turned a little further.
void MakePlacements(World& w) {
  for (int v = 0; v < kVehicles; ++v) {
    const float x = -33.0f + 13.0f * static_cast<float>(v % kColumns);
    const float z = -40.0f + 10.0f * static_cast<float>(v / kColumns);
    const float gier = 6.0f * static_cast<float>(v % 5) - 12.0f;
    float s, c;
    SinCos(s, c, gier * kDegToRad);
    for (int k = 0; k < kParts; ++k) {
      const sample_mesh::DetailedPart& part = sample_mesh::kDetailedParts[k];
      TVector offset = {part.x, part.y, part.z};
      RotateY(offset, c, s);
      w.placements[static_cast<size_t>(v * kParts + k)] = {x + offset.x, offset.y, z + offset.z, 0.0f, gier, 0.0f};
    }
  }
}

// Every part placed anew from its loaded mesh, as the editor does each frame.
void PlaceAll(World& w) {
  for (int v = 0; v < kVehicles; ++v)
    for (int k = 0; k < kParts; ++k)
      vadrel::PlacePartMesh(w.loaded[static_cast<size_t>(k)], w.placements[static_cast<size_t>(v * kParts + k)],
                            Placed(w, v, k));
}

// Points on a circle of radius 0.3 in the x = 5 plane (the front of the body); point 49 + k the
// centre of light k.
void MakeLights(TVehicleInfo& info) {
  std::memset(&info, 0, sizeof info);
  for (int k = 0; k < 3; ++k) {
    const int first = 1 + 16 * k;
    for (int i = 0; i < 16; ++i) {
      const double a = i * 2 * M_PI / 16;
      info.LightSilhouette[first - 1 + i] = {5.0f, static_cast<float>(1.8 + 0.8 * k + std::sin(a) * 0.3),
                                             static_cast<float>(-1.0 + k + std::cos(a) * 0.3)};
    }
    info.LightSilhouette[48 + k] = {5.0f, 1.8f + 0.8f * k, -1.0f + k};
    info.LightActive[k] = 1;
    info.LightRanges[k] = {first, first + 15, 49 + k};
    info.LightCones[k][0] = 2.0f;
  }
}

// The drawable polygons of a mesh in drawing order: a triangle or a quad whose corners all lie in
// the vertex room, as the immediate drawing skips the rest.
template <class F>
void ForEachDrawn(const TMesh2& m, F&& f) {
  for (int i = 1; i <= m.PolygonCount; ++i) {
    const TMeshPolygon& p = m.Polygon(i);
    const int corners = p.Kind == kPolyQuad ? 4 : (p.Kind == kPolyTriangle ? 3 : 0);
    bool inRoom = corners > 0;
    for (int k = 0; k < corners; ++k) inRoom = inRoom && p.Vertices[k] >= 1 && p.Vertices[k] <= kMeshMaxVertices;
    if (inRoom) f(p, corners);
  }
}

// The index buffer and the runs of one texture, from the polygon lists (which placing does not
// change). Corner n of the frame's corner list is the n-th corner the frame writes.
void MakeIndices(World& w) {
  std::vector<uint32_t> indices;
  uint32_t corner = 0;
  auto add = [&](std::vector<Run>& runs, int vehicleFrom, int vehicleTo) {
    for (int v = vehicleFrom; v < vehicleTo; ++v) {
      for (int k = 0; k < kParts; ++k) {
        ForEachDrawn(Placed(w, v, k), [&](const TMeshPolygon& p, int corners) {
          if (runs.empty() || runs.back().texture != p.Texture)
            runs.push_back({p.Texture, static_cast<int32_t>(indices.size()), 0});
          for (int t = 1; t + 1 < corners; ++t) {
            for (uint32_t c : {corner, corner + t, corner + t + 1}) indices.push_back(c);
            runs.back().count += 3;
          }
          corner += static_cast<uint32_t>(corners);
          ++w.polygons;
        });
      }
    }
  };
  add(w.firstRuns, 0, 1);
  add(w.otherRuns, 1, kVehicles);
  w.corners.reserve(corner);
  w.gl->glGenBuffers(1, &w.indexBuffer);
  w.gl->glBindBuffer(kElementArrayBuffer, w.indexBuffer);
  w.gl->glBufferData(kElementArrayBuffer, static_cast<qopengl_GLsizeiptr>(indices.size() * sizeof(uint32_t)),
                     indices.data(), kStaticDraw);
  w.gl->glBindBuffer(kElementArrayBuffer, 0);
  w.gl->glGenBuffers(1, &w.cornerBuffer);
}

// The ground as DrawGround draws it: 31 x 31 squares, each as the two triangles of its fan.
void MakeGround(World& w) {
  std::vector<Corner> ground;
  for (int i = -15; i <= 15; ++i)
    for (int j = -15; j <= 15; ++j) {
      const float x0 = 50.0f * j, x1 = 50.0f * (j + 1), z0 = 50.0f * i, z1 = 50.0f * (i + 1);
      const Corner a = {x0, -3, z0, 1, 1, 1, 1, 0, 0}, b = {x1, -3, z0, 1, 1, 1, 1, 1, 0},
                   c = {x1, -3, z1, 1, 1, 1, 1, 1, 1}, d = {x0, -3, z1, 1, 1, 1, 1, 0, 1};
      for (const Corner& x : {a, b, c, a, c, d}) ground.push_back(x);
    }
  w.groundCount = static_cast<uint32_t>(ground.size());
  w.gl->glGenBuffers(1, &w.groundBuffer);
  w.gl->glBindBuffer(kArrayBuffer, w.groundBuffer);
  w.gl->glBufferData(kArrayBuffer, static_cast<qopengl_GLsizeiptr>(ground.size() * sizeof(Corner)), ground.data(),
                     kStaticDraw);
  w.gl->glBindBuffer(kArrayBuffer, 0);
}

void Setup(World& w) {
  const std::string base = platform::CurrentDir() + "/";
  w.gl = QOpenGLContext::currentContext()->functions();

  const float len = std::sqrt(0.4f * 0.4f + 0.3f * 0.3f + 0.7f * 0.7f);
  Weather.LightDirection = {0.4f / len, -0.3f / len, -0.7f / len};
  Weather.LightFactor = 3.0f;
  Weather.AmbientCeiling = 0.666f;
  Gra_SetLight(true);
  LocalPlayer = 1;
  Players[1].Camera = kCamera;

  for (int k = 0; k < kParts; ++k) LoadMesh2(w.loaded[static_cast<size_t>(k)], base + "vehicles\\", sample_mesh::kDetailedParts[k].file);
  MakePlacements(w);
  PlaceAll(w);

  vadrel::TViewScene& s = w.scene;
  s.GrassTexture = LoadTexture("nlgrasb.bmp", 0, 0, true);
  for (int k = 0; k < kParts; ++k) s.Parts[k + 1] = &Placed(w, 0, k);
  s.Part1Placement = w.placements[0];
  MakeLights(*w.info);
  s.ShowLights = true;
  s.Lights = w.info.get();
  s.Box = {{{-5, 0, -2}, {5, 0, -2}, {5, 0, 2}, {-5, 0, 2}}, 4.0f, 0.0f};

  MakeGround(w);
  MakeIndices(w);
}

// ---- Ours: the editor's frame

void DrawOurs(World& w) {
  vadrel::BeginViewFrame(kCamera, kWidth, kHeight);
  PlaceAll(w);
  vadrel::DrawViewScene(w.scene, kCamera);
  Gra_Color4ub(255, 255, 255, 255);
  for (int v = 1; v < kVehicles; ++v)
    for (int k = 0; k < kParts; ++k) Gra_DrawMesh(&Placed(w, v, k), kNoTint, kMeshModeOpaque, false);
}

// ---- The reference

// The corners of a placed mesh with the colour and light the immediate drawing gives them.
void AddCorners(World& w, const TMesh2& m) {
  const TVector eye = {kCamera.X, kCamera.Y, kCamera.Z};
  ForEachDrawn(m, [&](const TMeshPolygon& p, int corners) {
    const TMeshVertex& first = m.Vertex(p.Vertices[0]);
    TVector toFirst;
    VecSub(TVector{first.x, first.y, first.z}, eye, toFirst);
    const float facing = VecDot(toFirst, p.Normal);
    const float c[4] = {ByteToFloat[p.Colour[0]], ByteToFloat[p.Colour[1]], ByteToFloat[p.Colour[2]],
                        ByteToFloat[p.Colour[3]]};
    const bool lit = (p.Flags & kPolyLit) != 0, flat = (p.Flags & kPolyFlat) != 0;
    float bright = 1;
    for (int k = 0; k < corners; ++k) {
      const TMeshVertex& v = m.Vertex(p.Vertices[k]);
      if (lit && (k == 0 || !flat)) bright = MeshVertexBrightness(TVector{v.nx, v.ny, v.nz}, facing);
      if (lit)
        w.corners.push_back({v.x, v.y, v.z, c[0] * bright, c[1] * bright, c[2] * bright, c[3], v.u, v.v});
      else
        w.corners.push_back({v.x, v.y, v.z, c[0], c[1], c[2], c[3], v.u, v.v});
    }
  });
}

// The array pointers at corners from `base`: an offset into the bound buffer, or an address.
void PointAt(uintptr_t base) {
  auto at = [base](size_t offset) { return reinterpret_cast<const void*>(base + offset); };
  GraGL.glVertexPointer(3, glk::FLOAT, sizeof(Corner), at(offsetof(Corner, x)));
  GraGL.glColorPointer(4, glk::FLOAT, sizeof(Corner), at(offsetof(Corner, r)));
  GraGL.glTexCoordPointer(2, glk::FLOAT, sizeof(Corner), at(offsetof(Corner, u)));
}
void PointAt(const std::vector<Corner>& v) { PointAt(reinterpret_cast<uintptr_t>(v.data())); }

void DrawRuns(const std::vector<Run>& runs) {
  for (const Run& r : runs) {
    Gra_SetTexture(r.texture);
    GraGL.glDrawElements(glk::TRIANGLES, r.count, kUnsignedInt,
                         reinterpret_cast<const void*>(static_cast<uintptr_t>(r.first) * sizeof(uint32_t)));
  }
}

Corner Plain(const TVector& p, float r, float g, float b) { return {p.x, p.y, p.z, r, g, b, 1, 0, 0}; }

// The light silhouettes and the box, from arrays in part 1's frame.
void DrawOutlines(const World& w) {
  const vadrel::TViewScene& s = w.scene;
  std::vector<Corner> quads, points, box;
  const vadrel::TLightGeometry light = vadrel::LightSilhouettes(*s.Lights);
  for (const auto& q : light.Quads)
    for (const TVector& p : q) quads.push_back(Plain(p, 1, 0, 0));
  for (const TVector& p : light.Points) points.push_back(Plain(p, 1, 0, 0));
  const float top = s.Box.Top, bottom = s.Box.Bottom;
  for (int i = 0; i < 4; ++i) {
    const TVector& a = s.Box.Corners[i];
    const TVector& b = s.Box.Corners[(i + 1) % 4];
    const TVector sides[4][4] = {
        {{a.x, bottom, a.z}, {b.x, bottom, b.z}, {b.x, bottom + 0.5f, b.z}, {a.x, bottom + 0.5f, a.z}},
        {{a.x, top, a.z}, {b.x, top, b.z}, {b.x, top - 0.5f, b.z}, {a.x, top - 0.5f, a.z}},
        {{b.x, top, b.z}, {b.x, bottom, b.z}, {b.x - 0.5f, bottom, b.z}, {b.x - 0.5f, top, b.z}},
        {{a.x, bottom, a.z}, {a.x, top, a.z}, {a.x + 0.5f, top, a.z}, {a.x + 0.5f, bottom, a.z}}};
    for (const auto& q : sides)
      for (const TVector& p : q) box.push_back(Plain(p, 1, 1, 1));
  }
  const TPlacement& p = s.Part1Placement;
  Gra_PushMatrix();
  GraGL.glTranslatef(p.X, p.Y, p.Z);
  GraGL.glRotatef(p.Gier, 0.0f, 1.0f, 0.0f);
  GraGL.glRotatef(p.Nick, 1.0f, 0.0f, 0.0f);
  GraGL.glRotatef(p.Roll, 0.0f, 0.0f, 1.0f);
  Gra_SetTexture(0);
  GraGL.glPolygonMode(glk::FRONT_AND_BACK, glk::LINE);
  PointAt(quads);
  GraGL.glDrawArrays(glk::QUADS, 0, static_cast<int32_t>(quads.size()));
  GraGL.glPolygonMode(glk::FRONT_AND_BACK, glk::FILL);
  PointAt(points);
  GraGL.glDrawArrays(glk::POINTS, 0, static_cast<int32_t>(points.size()));
  GraGL.glPolygonMode(glk::FRONT_AND_BACK, glk::LINE);
  PointAt(box);
  GraGL.glDrawArrays(glk::QUADS, 0, static_cast<int32_t>(box.size()));
  GraGL.glPolygonMode(glk::FRONT_AND_BACK, glk::FILL);
  Gra_PopMatrix();
}

void DrawReference(World& w) {
  vadrel::BeginViewFrame(kCamera, kWidth, kHeight);
  PlaceAll(w);
  w.corners.clear();
  for (int v = 0; v < kVehicles; ++v)
    for (int k = 0; k < kParts; ++k) AddCorners(w, Placed(w, v, k));
  w.gl->glBindBuffer(kArrayBuffer, w.cornerBuffer);
  w.gl->glBufferData(kArrayBuffer, static_cast<qopengl_GLsizeiptr>(w.corners.size() * sizeof(Corner)), w.corners.data(),
                     kStreamDraw);
  Gra_SetBlendMode(1);

  w.gl->glBindBuffer(kArrayBuffer, w.groundBuffer);
  PointAt(0);
  Gra_SetTexture(static_cast<uint16_t>(w.scene.GrassTexture));
  GraGL.glDrawArrays(glk::TRIANGLES, 0, static_cast<int32_t>(w.groundCount));

  w.gl->glBindBuffer(kArrayBuffer, w.cornerBuffer);
  w.gl->glBindBuffer(kElementArrayBuffer, w.indexBuffer);
  PointAt(0);
  DrawRuns(w.firstRuns);
  w.gl->glBindBuffer(kArrayBuffer, 0);
  w.gl->glBindBuffer(kElementArrayBuffer, 0);
  DrawOutlines(w);
  w.gl->glBindBuffer(kArrayBuffer, w.cornerBuffer);
  w.gl->glBindBuffer(kElementArrayBuffer, w.indexBuffer);
  PointAt(0);
  DrawRuns(w.otherRuns);
  w.gl->glBindBuffer(kArrayBuffer, 0);
  w.gl->glBindBuffer(kElementArrayBuffer, 0);
}

// ---- Timing

void SavePicture(const std::vector<uint8_t>& px, const std::string& file) {
  QImage image(px.data(), kWidth, kHeight, kWidth * 4, QImage::Format_RGBA8888);
  if (!image.mirrored().save(QString::fromStdString(file))) std::fprintf(stderr, "cannot write %s\n", file.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  std::string pictures;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--pictures=", 11) == 0) {
      pictures = argv[i] + 11;
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      break;
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::GlScene scene("vadrel-frame", kWidth, kHeight, [](const std::string& base, std::string& error) {
    return sample_gfx::WriteSampleGraphics(base, error) && sample_mesh::WriteSampleMeshes(base, error) &&
           sample_mesh::WriteDetailedMeshes(base, error);
  });
  World world;
  Setup(world);
  bench::RegisterFrameCases("vehicle_frame", "vertex_buffers", [&world] { DrawOurs(world); }, [&world] { DrawReference(world); },
                            kWidth, kHeight);
  if (!pictures.empty()) pictures = std::filesystem::absolute(pictures).string();

  // How far the two pictures agree.
  const uint32_t before = Gra_Counter(kGraCountVertices);
  DrawOurs(world);
  const uint32_t meshVertices = Gra_Counter(kGraCountVertices) - before;
  const std::vector<uint8_t> a = bench::ReadPicture(kWidth, kHeight);
  Gra_SwapBuffers();
  DrawReference(world);
  const std::vector<uint8_t> b = bench::ReadPicture(kWidth, kHeight);
  Gra_SwapBuffers();
  std::printf("%d vehicles, %d polygons, %u mesh corners a frame; pixels that differ between the two pictures: %.2f %%\n",
              kVehicles, world.polygons, meshVertices,
              100.0 * static_cast<double>(bench::DifferingPixels(a, b)) / (static_cast<double>(a.size()) / 4));
  if (!pictures.empty()) {
    SavePicture(a, pictures + "ours.png");
    SavePicture(b, pictures + "vertex_buffers.png");
  }
  const int status = bench::TimeFramesWhenPicturesAgree(a, b, "vehicle_frame", "vertex_buffers", "vertex buffers");
  benchmark::Shutdown();
  return status;
}
