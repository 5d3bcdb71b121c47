// The path search (CalcPath, to a node) against Dijkstra's algorithm of the Boost Graph Library on
// the same grid networks.
//
// Each network is a grid of nodes 100 apart (sample_world::BuildNodeGrid: a ring around inner rows
// and columns of alternating direction, every link 100 long, no dead ends): 25 x 40 = 1,000,
// 100 x 100 = 10,000 and 250 x 400 = 100,000 nodes. The reference graph holds the same nodes and
// links with the weights the search counts (link length plus 200 at a branch node); Dijkstra runs
// from the start until it takes the target from its queue and resets only the vertices it touched,
// so neither side pays for the size of the network beyond what it visits. 200 seeded pairs per
// grid; an iteration searches the next pair. The program checks that both sides find the same cost
// for every pair before it times them.
//
// Cases are named grid<nodes>/ours and grid<nodes>/vs_boost_dijkstra. Ours reports two counters
// from the check: deepest_stack, the deepest branch stack of its searches over all pairs, and
// ratio_vs_dijkstra, ours / Dijkstra over the check's one pass of each side. The table at the end
// gives the time per search of the timed cases, their ratio and the depth.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/ratio_reporter.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "network/track/paths.h"
#include "tools/path_check.h"
#include "tools/sample_world.h"

namespace {

struct Grid {
  int columns, rows;
  std::string name;
};
const Grid kGrids[] = {{25, 40, "grid1000"}, {100, 100, "grid10000"}, {250, 400, "grid100000"}};
constexpr uint32_t kPairs = 200, kSeed = 7;

// The grid in the node pool, its reference graph and its pairs; built once per grid, the pool
// rebuilt when another grid was built since.
struct Network {
  const Grid* grid = nullptr;
  std::unique_ptr<path_check::TReferenceGraph> reference;
  std::vector<std::pair<uint32_t, uint32_t>> pairs;
};
Network g_network;

Network& Build(const Grid& grid) {
  if (g_network.grid == &grid) return g_network;
  ResetWorldState();
  if (!ArrayerReady() && !ArrayerInit()) std::abort();
  ArrayerReset();
  const sample_world::TNodeGrid g = sample_world::BuildNodeGrid(grid.columns, grid.rows, 100.0f, {1000, 0, 1000});
  g_network.grid = &grid;
  g_network.reference = std::make_unique<path_check::TReferenceGraph>();
  g_network.pairs = path_check::SeededPairs(kPairs, kSeed, g.First, g.Count());
  return g_network;
}

// What the check of each grid found: the deepest branch stack of the searches and the time of
// each side's pass over all pairs (nanoseconds).
struct Checked {
  uint32_t deepest = 0;
  double ours = 0, theirs = 0;
};
Checked g_checked[std::size(kGrids)];

double Since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - t0).count();
}

// Both sides over every pair of every grid: the same cost each time, or the program stops.
bool Agree() {
  for (size_t k = 0; k < std::size(kGrids); ++k) {
    const Grid& grid = kGrids[k];
    Network& n = Build(grid);
    std::vector<uint64_t> ours(n.pairs.size()), theirs(n.pairs.size());
    std::vector<char> found(n.pairs.size());
    Checked& c = g_checked[k];
    auto t0 = std::chrono::steady_clock::now();
    for (size_t i = 0; i < n.pairs.size(); ++i) {
      found[i] = path_check::SearchCost(n.pairs[i].first, n.pairs[i].second, ours[i]);
      c.deepest = std::max(c.deepest, PathSearchDeepestStack);
    }
    c.ours = Since(t0);
    t0 = std::chrono::steady_clock::now();
    for (size_t i = 0; i < n.pairs.size(); ++i) {
      if (n.reference->Cost(n.pairs[i].first, n.pairs[i].second, theirs[i]) != static_cast<bool>(found[i]) ||
          ours[i] != theirs[i]) {
        std::fprintf(stderr, "%s: %u -> %u: search %llu, dijkstra %llu\n", grid.name.c_str(), n.pairs[i].first,
                     n.pairs[i].second, static_cast<unsigned long long>(ours[i]),
                     static_cast<unsigned long long>(theirs[i]));
        return false;
      }
    }
    c.theirs = Since(t0);
  }
  return true;
}

void BM_Ours(benchmark::State& state, const Grid* grid) {
  Network& n = Build(*grid);
  size_t i = 0;
  for (auto _ : state) {
    uint64_t cost = 0;
    benchmark::DoNotOptimize(path_check::SearchCost(n.pairs[i].first, n.pairs[i].second, cost));
    i = (i + 1) % n.pairs.size();
  }
  const Checked& c = g_checked[grid - kGrids];
  state.counters["deepest_stack"] = c.deepest;
  state.counters["ratio_vs_dijkstra"] = bench::RatioReporter::Ratio(c.ours, c.theirs);
}

void BM_Dijkstra(benchmark::State& state, const Grid* grid) {
  Network& n = Build(*grid);
  size_t i = 0;
  for (auto _ : state) {
    uint64_t cost = 0;
    benchmark::DoNotOptimize(n.reference->Cost(n.pairs[i].first, n.pairs[i].second, cost));
    i = (i + 1) % n.pairs.size();
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!Agree()) return 1;
  for (const Grid& g : kGrids) {
    benchmark::RegisterBenchmark((g.name + "/ours").c_str(), BM_Ours, &g)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark((g.name + "/vs_boost_dijkstra").c_str(), BM_Dijkstra, &g)
        ->Unit(benchmark::kMicrosecond);
  }
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nTime per search between seeded pairs of a grid network:\n");
  std::printf("  %-11s %12s %12s %10s %14s\n", "grid", "ours", "dijkstra", "ours/dij", "deepest stack");
  for (const Grid& g : kGrids) {
    const std::string ours = g.name + "/ours", theirs = g.name + "/vs_boost_dijkstra";
    if (!reporter.Has(ours) || !reporter.Has(theirs)) continue;
    const double a = reporter.Nanoseconds(ours), b = reporter.Nanoseconds(theirs);
    std::printf("  %-11s %9.1f us %9.1f us %10.3f %14.0f\n", g.name.c_str(), a / 1000.0, b / 1000.0,
                bench::RatioReporter::Ratio(a, b), reporter.Counter(ours, "deepest_stack"));
  }
  benchmark::Shutdown();
  return 0;
}
