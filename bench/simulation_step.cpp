// The simulation step's own cost: ticks per second of a running world with nothing on it (the
// calendar standing still) and of the calendar scenario (10 ticks a day, one player, the bank, the
// weather and the news running). The processes that later fill the world are not in these figures.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bench/ratio_reporter.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "tools/sample_world.h"

namespace {

void Reset() {
  if (!ResetSimulationWorld()) std::abort();
  GameRunning = 1;
}

void BM_EmptyWorld(benchmark::State& state) {
  Reset();
  for (auto _ : state) GameplayTick();
  state.counters["ticks_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EmptyWorld)->Name("empty_world/ours")->Unit(benchmark::kMicrosecond);

void BM_Calendar(benchmark::State& state) {
  Reset();
  sample_world::StartCalendarGame();
  for (auto _ : state) GameplayTick();
  state.counters["ticks_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Calendar)->Name("calendar/ours")->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nSimulation ticks per second:\n");
  for (const char* name : {"empty_world/ours", "calendar/ours"}) {
    if (reporter.Has(name)) std::printf("  %-18s %12.0f\n", name, 1e9 / reporter.Nanoseconds(name));
  }
  benchmark::Shutdown();
  return 0;
}
