// Convoy-ticks per second of the simulation step with 10, 100 and 1,000 trains, each shuttling on a
// line of its own (four rail ways of 500, parallel lines 80 apart; sample_world::BuildShuttle
// without stations) in the calendar game. The whole step runs, so the figures include the calendar
// and the processes around the trains. After the timed cases the program runs each count for a
// fixed number of ticks from a fresh world and prints the state hash, so that a faster build can be
// checked for the same result.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "bench/ratio_reporter.h"
#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "tools/sample_world.h"

namespace {

constexpr int kCounts[] = {10, 100, 1000};
constexpr long kHashTicks = 5000;

void Start(int trains) {
  if (!ResetSimulationWorld()) std::abort();
  sample_world::StartCalendarGame();
  sample_world::SetShuttleVehicleTypes();
  for (int i = 0; i < trains; ++i)
    sample_world::BuildShuttle({1000.0f, 0.0f, 1000.0f + 80.0f * static_cast<float>(i)}, 4, 500.0f, false);
}

void BM_Shuttles(benchmark::State& state) {
  const int trains = static_cast<int>(state.range(0));
  Start(trains);
  for (auto _ : state) GameplayTick();
  state.counters["convoy_ticks_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * trains, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Shuttles)->Name("shuttles/ours")->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nConvoy-ticks per second, and the state hash after %ld ticks:\n", kHashTicks);
  for (const int trains : kCounts) {
    const std::string name = "shuttles/ours/" + std::to_string(trains);
    const double rate = reporter.Has(name) ? reporter.Counter(name, "convoy_ticks_per_s") : 0.0;
    Start(trains);
    for (long t = 0; t < kHashTicks; ++t) GameplayTick();
    std::printf("  %5d trains %14.0f  hash=%s\n", trains, rate, WorldStateHashText().c_str());
  }
  benchmark::Shutdown();
  return 0;
}
