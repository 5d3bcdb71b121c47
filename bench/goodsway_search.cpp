// The goods-way search's and the production planning's own cost: steps per second of each process
// on a goods-way world of 100 industries and 50 markets with lines between neighbouring sites
// (tools/sample_economy), over whole passes. The search: ageing, the walks from every industry, and
// the ways they find stored or refreshed. The planning: on the ways that two passes of the search
// found, the requests, the chains, the markets' demand and the commit. Only the process measured
// steps; no other process runs.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bench/ratio_reporter.h"
#include "economy/goods/driver.h"
#include "economy/goods/goodswaysearch.h"
#include "economy/goods/planning.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/hooks.h"
#include "tools/sample_economy.h"

namespace {

void BM_GoodswaySearch(benchmark::State& state) {
  if (!ResetSimulationWorld()) std::abort();
  sample_economy::BuildGoodswayEconomy(100, 50);
  TPPFoundNewGoodsways& p = PPFoundNewGoodsways;
  p.Speed = 1;
  p.PassStart = GameTime;
  int64_t passes = 0;
  for (auto _ : state) {
    const uint8_t before = p.Phase;
    FoundNewGoodswaysStep(p);
    if (before != 0 && p.Phase == 0) ++passes;
  }
  uint32_t ways = 0;
  for (uint32_t i = FindInArrayerRest(kARTypeGoodsway, 0); i != 0; i = FindInArrayerRest(kARTypeGoodsway, i)) ++ways;
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["passes"] = static_cast<double>(passes);
  state.counters["goods_ways"] = ways;
}
BENCHMARK(BM_GoodswaySearch)->Name("goodsway_search_100x50/ours")->Unit(benchmark::kMicrosecond);

void BM_GoodswayPlanning(benchmark::State& state) {
  if (!ResetSimulationWorld()) std::abort();
  sample_economy::BuildGoodswayEconomy(100, 50);
  TPPFoundNewGoodsways& search = PPFoundNewGoodsways;
  search.Speed = 1;
  search.PassStart = GameTime;
  for (int passes = 0; passes < 2;) {
    const uint8_t before = search.Phase;
    FoundNewGoodswaysStep(search);
    if (before != 0 && search.Phase == 0) ++passes;
  }
  TPPRecalcProductionWays& p = PPRecalcProductionWays;
  p.Speed = 1;
  p.PassStart = GameTime;
  int64_t passes = 0;
  for (auto _ : state) {
    const uint8_t before = p.Phase;
    RecalcProductionWaysStep(p);
    if (before != 0 && p.Phase == 0) ++passes;
  }
  state.counters["steps_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["passes"] = static_cast<double>(passes);
}
BENCHMARK(BM_GoodswayPlanning)->Name("goodsway_planning_100x50/ours")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nSteps per second:\n");
  for (const char* name : {"goodsway_search_100x50/ours", "goodsway_planning_100x50/ours"})
    if (reporter.Has(name)) std::printf("  %-30s %12.0f\n", name, 1e9 / reporter.Nanoseconds(name));
  benchmark::Shutdown();
  return 0;
}
