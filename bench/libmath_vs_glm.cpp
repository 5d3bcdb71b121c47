// The vector routines a mesh transform runs per vertex (normalise, cross product, turning by a
// placement) against the same operations written with GLM, in one program. Each pair runs on
// the same 4,096 vertices; the end of the run prints libmath time / GLM time per pair, and the
// largest difference between the two results.
//
// The engine's routines keep their intermediate results in extended precision (x87) and store
// floats; GLM works in single-precision SSE, so a ratio above 1 is the price of that precision.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "bench/ratio_reporter.h"
#include "engine/base/maths.h"

namespace {

constexpr int kVertices = 4096;

struct Data {
  std::vector<TVector> a, b;
  std::vector<glm::vec3> ga, gb;
  TPlacement place;

  Data() : place{120.5f, -3.25f, 88.0f, 12.0f, 215.0f, -7.5f} {
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<float> coord(-50.0f, 50.0f);
    for (int i = 0; i < kVertices; ++i) {
      const TVector p = {coord(rng), coord(rng), coord(rng)};
      const TVector q = {coord(rng), coord(rng), coord(rng)};
      a.push_back(p);
      b.push_back(q);
      ga.emplace_back(p.x, p.y, p.z);
      gb.emplace_back(q.x, q.y, q.z);
    }
  }
};

const Data& TheData() {
  static const Data data;
  return data;
}

// ---- The engine's routines

// Roll about z, Nick about x, Gier about y, then the position: the mesh transform's order.
struct PlacementTurn {
  float cr, sr, cn, sn, cg, sg;
  TVector offset;
  explicit PlacementTurn(const TPlacement& p) : offset{p.X, p.Y, p.Z} {
    SinCos(sr, cr, p.Roll * kDegToRad);
    SinCos(sn, cn, p.Nick * kDegToRad);
    SinCos(sg, cg, p.Gier * kDegToRad);
  }
  void Apply(TVector& v) const {
    RotateZ(v, cr, sr);
    RotateX(v, cn, sn);
    RotateY(v, cg, sg);
    VecAdd(v, offset, v);
  }
};

void LibNormalize(const Data& d, std::vector<TVector>& out) {
  for (int i = 0; i < kVertices; ++i) NormalizeTo(d.a[i], out[i]);
}
void LibCross(const Data& d, std::vector<TVector>& out) {
  for (int i = 0; i < kVertices; ++i) VecCross(d.a[i], d.b[i], out[i]);
}
void LibTurn(const Data& d, std::vector<TVector>& out) {
  const PlacementTurn turn(d.place);
  for (int i = 0; i < kVertices; ++i) {
    out[i] = d.a[i];
    turn.Apply(out[i]);
  }
}

// ---- The same with GLM

glm::mat3 GlmTurnMatrix(const TPlacement& p) {
  glm::mat4 m(1.0f);
  m = glm::rotate(m, p.Gier * kDegToRad, glm::vec3(0, 1, 0));
  m = glm::rotate(m, p.Nick * kDegToRad, glm::vec3(1, 0, 0));
  m = glm::rotate(m, p.Roll * kDegToRad, glm::vec3(0, 0, 1));
  return glm::mat3(m);
}

void GlmNormalize(const Data& d, std::vector<glm::vec3>& out) {
  for (int i = 0; i < kVertices; ++i) out[i] = glm::normalize(d.ga[i]);
}
void GlmCross(const Data& d, std::vector<glm::vec3>& out) {
  for (int i = 0; i < kVertices; ++i) out[i] = glm::cross(d.ga[i], d.gb[i]);
}
void GlmTurn(const Data& d, std::vector<glm::vec3>& out) {
  const glm::mat3 m = GlmTurnMatrix(d.place);
  const glm::vec3 offset(d.place.X, d.place.Y, d.place.Z);
  for (int i = 0; i < kVertices; ++i) out[i] = m * d.ga[i] + offset;
}

template <void (*Op)(const Data&, std::vector<TVector>&)>
void BM_LibMath(benchmark::State& state) {
  const Data& d = TheData();
  std::vector<TVector> out(kVertices);
  for (auto _ : state) {
    Op(d, out);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kVertices);
}

template <void (*Op)(const Data&, std::vector<glm::vec3>&)>
void BM_Glm(benchmark::State& state) {
  const Data& d = TheData();
  std::vector<glm::vec3> out(kVertices);
  for (auto _ : state) {
    Op(d, out);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kVertices);
}

BENCHMARK(BM_LibMath<LibNormalize>)->Name("normalize/ours");
BENCHMARK(BM_Glm<GlmNormalize>)->Name("normalize/vs_glm");
BENCHMARK(BM_LibMath<LibCross>)->Name("cross/ours");
BENCHMARK(BM_Glm<GlmCross>)->Name("cross/vs_glm");
BENCHMARK(BM_LibMath<LibTurn>)->Name("placement_turn/ours");
BENCHMARK(BM_Glm<GlmTurn>)->Name("placement_turn/vs_glm");

// Largest absolute difference between the two results of one operation.
template <void (*L)(const Data&, std::vector<TVector>&), void (*G)(const Data&, std::vector<glm::vec3>&)>
double MaxDifference() {
  std::vector<TVector> lib(kVertices);
  std::vector<glm::vec3> ref(kVertices);
  L(TheData(), lib);
  G(TheData(), ref);
  double worst = 0;
  for (int i = 0; i < kVertices; ++i) {
    worst = std::max({worst, std::fabs(double(lib[i].x) - ref[i].x), std::fabs(double(lib[i].y) - ref[i].y),
                      std::fabs(double(lib[i].z) - ref[i].z)});
  }
  return worst;
}

void PrintRatios(const bench::RatioReporter& r) {
  const std::pair<const char*, double> ops[] = {
      {"normalize", MaxDifference<LibNormalize, GlmNormalize>()},
      {"cross", MaxDifference<LibCross, GlmCross>()},
      {"placement_turn", MaxDifference<LibTurn, GlmTurn>()},
  };
  std::printf("\n%-16s %14s %14s %16s %14s\n", "operation", "libmath ns/vx", "glm ns/vx", "libmath / glm", "max |diff|");
  for (const auto& [op, diff] : ops) {
    const double lib = r.Nanoseconds(std::string(op) + "/ours"), glm = r.Nanoseconds(std::string(op) + "/vs_glm");
    if (lib == 0 || glm == 0) continue;
    std::printf("%-16s %14.3f %14.3f %16.2f %14.3g\n", op, lib / kVertices, glm / kVertices, lib / glm, diff);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter);
  benchmark::Shutdown();
  return 0;
}
