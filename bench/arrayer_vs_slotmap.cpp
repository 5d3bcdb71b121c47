// The Arrayer record store against a plain slot map (std::vector<std::optional<T>> with a free
// list) on the same simulated ticks: mixed writes, reads, rewrites and deletes of vehicle records
// whose goods lists vary in length, and for the store one ArrayerCollect per tick. The ratio
// benchmark reports the store's time over the slot map's for the same work.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/store/compaction.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"

namespace {

enum class Op : uint8_t { Write, Read, ReWrite, Delete };

struct Step {
  Op op;
  uint32_t target;  // for Read, ReWrite, Delete: the position in the list of live handles
  uint8_t goods;    // the goods count of a written record
};

struct Workload {
  uint32_t ticks;
  uint32_t opsPerTick;
  std::vector<Step> steps;
};

uint64_t g_state = 0x1234567;
uint32_t Next(uint32_t n) {
  g_state = g_state * 6364136223846793005ull + 1442695040888963407ull;
  return static_cast<uint32_t>((g_state >> 33) % n);
}

// A mix around `live` records: a quarter writes, a third reads, a fifth rewrites, the rest deletes,
// with writes favoured below the target and deletes above it. Most goods lists are short.
Workload MakeWorkload(uint32_t live, uint32_t ticks, uint32_t opsPerTick) {
  g_state = 0x1234567;
  Workload w{ticks, opsPerTick, {}};
  uint32_t n = 0;
  for (uint32_t i = 0; i < ticks * opsPerTick; ++i) {
    const uint32_t r = Next(100);
    const uint8_t goods = static_cast<uint8_t>(Next(10) == 0 ? Next(101) : Next(8));
    Step s{Op::Read, 0, goods};
    const bool grow = n < live;
    if (n == 0 || r < (grow ? 35u : 15u)) {
      s.op = Op::Write;
      ++n;
    } else if (r < 65) {
      s.op = Op::Read;
    } else if (r < 85) {
      s.op = Op::ReWrite;
    } else {
      s.op = Op::Delete;
    }
    if (s.op != Op::Write) s.target = Next(n);
    if (s.op == Op::Delete) --n;
    w.steps.push_back(s);
  }
  return w;
}

TVehicle MakeVehicle(uint8_t goods, uint32_t seed) {
  TVehicle v{};
  v.VehicleType = static_cast<uint16_t>(seed & 0xFF);
  v.RunDistance = static_cast<float>(seed);
  v.VehicleGoodsCounter = goods;
  for (uint32_t g = 0; g < goods; ++g) v.Goods[g] = seed + g;
  return v;
}

// A changed goods list: the caller fills every element it keeps.
void Refill(TVehicle& v, uint8_t goods, uint32_t seed) {
  v.VehicleGoodsCounter = goods;
  for (uint32_t g = 0; g < goods; ++g) v.Goods[g] = seed + 3 * g;
}

// What a reader takes from a record: its fixed part and the used part of its list.
uint64_t Checksum(const TVehicle& v) {
  const uint32_t n = v.VehicleGoodsCounter;
  return v.VehicleType + static_cast<uint64_t>(v.RunDistance) + n + (n ? v.Goods[0] + v.Goods[n - 1] : 0);
}

void EnsureStore() {
  static bool ready = false;
  if (!ready) ready = ArrayerInit();
}

// Runs the workload on the store; returns a checksum of what was read.
uint64_t RunArrayer(const Workload& w) {
  ArrayerReset();
  std::vector<uint32_t> handles;
  uint64_t sum = 0;
  TVehicle v{};
  size_t i = 0;
  for (uint32_t t = 0; t < w.ticks; ++t) {
    for (uint32_t k = 0; k < w.opsPerTick; ++k, ++i) {
      const Step& s = w.steps[i];
      switch (s.op) {
        case Op::Write:
          v = MakeVehicle(s.goods, static_cast<uint32_t>(i));
          v.A_Write();
          handles.push_back(v.Index);
          break;
        case Op::Read:
          v.A_Read(handles[s.target]);
          sum += Checksum(v);
          break;
        case Op::ReWrite:
          v.A_Read(handles[s.target]);
          Refill(v, s.goods, static_cast<uint32_t>(i));
          v.A_ReWrite();
          break;
        case Op::Delete:
          ArrayerEntryDestroyRest(handles[s.target]);
          handles[s.target] = handles.back();
          handles.pop_back();
          break;
      }
    }
    ArrayerCollect();
  }
  return sum;
}

// The same work on a slot map: a vector of optional records and a list of free slots.
uint64_t RunSlotMap(const Workload& w) {
  std::vector<std::optional<TVehicle>> slots;
  std::vector<uint32_t> freeSlots;
  std::vector<uint32_t> handles;
  uint64_t sum = 0;
  TVehicle v{};
  size_t i = 0;
  for (uint32_t t = 0; t < w.ticks; ++t) {
    for (uint32_t k = 0; k < w.opsPerTick; ++k, ++i) {
      const Step& s = w.steps[i];
      switch (s.op) {
        case Op::Write: {
          v = MakeVehicle(s.goods, static_cast<uint32_t>(i));
          uint32_t slot;
          if (!freeSlots.empty()) {
            slot = freeSlots.back();
            freeSlots.pop_back();
            slots[slot] = v;
          } else {
            slot = static_cast<uint32_t>(slots.size());
            slots.emplace_back(v);
          }
          handles.push_back(slot);
          break;
        }
        case Op::Read:
          v = *slots[handles[s.target]];
          sum += Checksum(v);
          break;
        case Op::ReWrite:
          v = *slots[handles[s.target]];
          Refill(v, s.goods, static_cast<uint32_t>(i));
          slots[handles[s.target]] = v;
          break;
        case Op::Delete:
          slots[handles[s.target]].reset();
          freeSlots.push_back(handles[s.target]);
          handles[s.target] = handles.back();
          handles.pop_back();
          break;
      }
    }
  }
  return sum;
}

const Workload& WorkloadFor(int64_t live) {
  static std::vector<std::pair<int64_t, Workload>> made;
  for (const auto& [l, w] : made) {
    if (l == live) return w;
  }
  made.emplace_back(live, MakeWorkload(static_cast<uint32_t>(live), 200, 1000));
  return made.back().second;
}

void BM_ArrayerTicks(benchmark::State& state) {
  EnsureStore();
  const Workload& w = WorkloadFor(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(RunArrayer(w));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(w.steps.size()));
}

void BM_SlotMapTicks(benchmark::State& state) {
  const Workload& w = WorkloadFor(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(RunSlotMap(w));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(w.steps.size()));
}

// Both on the same workload in each iteration; "ratio" is the store's time over the slot map's.
void BM_ArrayerOverSlotMapRatio(benchmark::State& state) {
  EnsureStore();
  const Workload& w = WorkloadFor(state.range(0));
  double arrayerSeconds = 0, slotMapSeconds = 0;
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    const uint64_t a = RunArrayer(w);
    const auto t1 = Clock::now();
    const uint64_t b = RunSlotMap(w);
    const auto t2 = Clock::now();
    if (a != b) {
      state.SkipWithError("the store and the slot map read different records");
      return;
    }
    arrayerSeconds += std::chrono::duration<double>(t1 - t0).count();
    slotMapSeconds += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["arrayer_ms"] = benchmark::Counter(arrayerSeconds * 1e3, benchmark::Counter::kAvgIterations);
  state.counters["slotmap_ms"] = benchmark::Counter(slotMapSeconds * 1e3, benchmark::Counter::kAvgIterations);
  state.counters["ratio"] = slotMapSeconds > 0 ? arrayerSeconds / slotMapSeconds : 0.0;
}

}  // namespace

BENCHMARK(BM_ArrayerTicks)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SlotMapTicks)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrayerOverSlotMapRatio)->Arg(1000)->Arg(20000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
