// Connect snapping and curve solving of the way construction on a full connect pool.
//
// The pool holds 100,000 stored connects on a grid 250 units apart (road and rail alternating),
// as a large game map would. Snapping a planned point (FindOrCreateConnect) and looking for a free
// end nearby (FindNearConnect) look at every stored connect in pool order: the first usable
// connect within reach wins and a later one replaces it only by the precedence rules, so the
// order of the pool is part of the result and an index would have to keep it. The arc and the
// step solver touch no stored connect; the two-arc solver snaps its midpoint and so pays one scan.
//
// Cases are named <case>/ours; the table at the end gives the time per call.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "bench/ratio_reporter.h"
#include "engine/base/worldstate.h"
#include "engine/store/connectpool.h"
#include "engine/store/recordstore.h"
#include "network/construction/connects.h"
#include "network/construction/curves.h"
#include "network/construction/limits.h"

namespace {

constexpr int kSide = 316;        // 316 x 316 = 99,856 connects
constexpr float kSpacing = 250.0f;
constexpr float kOrigin = 1000.0f;

void FillPool() {
  static bool filled = false;
  if (filled) return;
  filled = true;
  if (!ArrayerReady() && !ArrayerInit()) std::abort();
  ArrayerReset();
  ActPlayer = 1;
  InitWayConstruction();
  std::memset(GroundMap, 5, sizeof(GroundMap));
  for (int i = 0; i < kSide; ++i) {
    for (int j = 0; j < kSide; ++j) {
      TConnect c{};
      ClearConnect(c, static_cast<uint8_t>((i + j) % 2));
      c.Position = {kOrigin + i * kSpacing, 0.0f, kOrigin + j * kSpacing};
      AddConnect(c);
    }
  }
  // Up to 100,000 with connects far outside the grid.
  while (ConnectArrayLast < 100000) {
    TConnect c{};
    ClearConnect(c, 0);
    c.Position = {90000.0f, 0.0f, 90000.0f + ConnectArrayLast};
    AddConnect(c);
  }
}

TMetaconnect Meta(uint8_t wt, float x, float z, bool directed, float dx = 0, float dz = 0) {
  TMetaconnect m{};
  m.Waytype = wt;
  m.Position = {x, 0.0f, z};
  m.HasDirection = directed;
  m.Direction = {dx, 0.0f, dz};
  return m;
}

void BM_Snap(benchmark::State& state) {
  FillPool();
  int k = 0;
  for (auto _ : state) {
    // Alternately near a stored connect and between four of them.
    const float x = kOrigin + (k % 300) * kSpacing + (k % 2 ? 2.0f : 125.0f);
    const float z = kOrigin + (k % 290) * kSpacing + 1.0f;
    TMetaconnect m{};
    TConstructResult r;
    FindOrCreateConnect(0, {x, 0.0f, z}, m, r);
    benchmark::DoNotOptimize(m.ConnectIndex);
    ++k;
  }
}
BENCHMARK(BM_Snap)->Name("snap/ours")->Unit(benchmark::kMicrosecond);

void BM_NearConnect(benchmark::State& state) {
  FillPool();
  int k = 0;
  for (auto _ : state) {
    TMetaconnect m = Meta(1, kOrigin + (k % 300) * kSpacing + 10.0f, kOrigin + 20.0f, false);
    benchmark::DoNotOptimize(FindNearConnect(m, {0, 0, 0}, 40.0f));
    ++k;
  }
}
BENCHMARK(BM_NearConnect)->Name("near_connect/ours")->Unit(benchmark::kMicrosecond);

void Solve(benchmark::State& state, uint8_t wt, const TMetaconnect& a, const TMetaconnect& b) {
  FillPool();
  auto curve = NewCurveline();
  for (auto _ : state) {
    ResetConstruction(*curve);
    TCurvePlan plan{curve.get(), wt, a, b, 0};
    TConstructResult r;
    SolveCurve(plan, r);
    benchmark::DoNotOptimize(curve->conzahl);
  }
}

void BM_SolveArc(benchmark::State& state) {
  Solve(state, 1, Meta(1, 330, 680, true, 0.8f, 1.0f), Meta(1, 330, 300, false));
}
BENCHMARK(BM_SolveArc)->Name("solve_arc/ours")->Unit(benchmark::kMicrosecond);

void BM_SolveSteps(benchmark::State& state) {
  Solve(state, 0, Meta(0, 50000, 5000, true, -1, 0), Meta(0, 52000, 6500, false));
}
BENCHMARK(BM_SolveSteps)->Name("solve_steps/ours")->Unit(benchmark::kMicrosecond);

void BM_SolveTwoArcs(benchmark::State& state) {
  Solve(state, 1, Meta(1, 50000, 1000, true, -1, 0), Meta(1, 51600, 1300, true, 1, 0));
}
BENCHMARK(BM_SolveTwoArcs)->Name("solve_two_arcs/ours")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nTime per call on a pool of 100,000 connects:\n");
  for (const char* name : {"snap/ours", "near_connect/ours", "solve_arc/ours", "solve_steps/ours", "solve_two_arcs/ours"}) {
    if (reporter.Has(name)) std::printf("  %-22s %10.1f us\n", name, reporter.Nanoseconds(name) / 1000.0);
  }
  benchmark::Shutdown();
  return 0;
}
