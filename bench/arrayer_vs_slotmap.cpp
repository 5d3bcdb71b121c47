// The Arrayer record store against a plain slot map (std::vector<std::optional<T>> with a free
// list) on the same simulated ticks: mixed writes, reads, rewrites and deletes of vehicle records
// whose goods lists vary in length, and for the store one ArrayerCollect per tick.
//
// Both sides keep their memory from one run to the next, as a game keeps its store between
// ticks: the store is emptied with ArrayerReset, the slot map's vectors are cleared and keep
// their capacity, and the list of live handles is reused on both sides. Each run therefore
// measures the work on the records, not the first touch of fresh pages.
//
// Cases are named <case>/ours and <case>/vs_slotmap (the convention scripts/run-benchmarks
// reads); at the end a table gives the store's time over the slot map's for each size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
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

// Runs the workload on the store; returns a checksum of what was read. `handles` is the caller's
// list, kept between runs.
uint64_t RunArrayer(const Workload& w, std::vector<uint32_t>& handles) {
  ArrayerReset();
  handles.clear();
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

// A vector of optional records and a list of free slots. Reset empties both and keeps their
// memory, as ArrayerReset keeps the store's.
struct SlotMap {
  std::vector<std::optional<TVehicle>> slots;
  std::vector<uint32_t> freeSlots;
  std::vector<uint32_t> handles;

  void Reset() {
    slots.clear();
    freeSlots.clear();
    handles.clear();
  }
};

// The same work on the slot map.
uint64_t RunSlotMap(const Workload& w, SlotMap& m) {
  m.Reset();
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
          if (!m.freeSlots.empty()) {
            slot = m.freeSlots.back();
            m.freeSlots.pop_back();
            m.slots[slot] = v;
          } else {
            slot = static_cast<uint32_t>(m.slots.size());
            m.slots.emplace_back(v);
          }
          m.handles.push_back(slot);
          break;
        }
        case Op::Read:
          v = *m.slots[m.handles[s.target]];
          sum += Checksum(v);
          break;
        case Op::ReWrite:
          v = *m.slots[m.handles[s.target]];
          Refill(v, s.goods, static_cast<uint32_t>(i));
          m.slots[m.handles[s.target]] = v;
          break;
        case Op::Delete:
          m.slots[m.handles[s.target]].reset();
          m.freeSlots.push_back(m.handles[s.target]);
          m.handles[s.target] = m.handles.back();
          m.handles.pop_back();
          break;
      }
    }
  }
  return sum;
}

constexpr uint32_t kSizes[] = {1000, 20000};

const Workload& WorkloadFor(uint32_t live) {
  static std::map<uint32_t, Workload> made;
  auto it = made.find(live);
  if (it == made.end()) it = made.emplace(live, MakeWorkload(live, 200, 1000)).first;
  return it->second;
}

// The first run of each side (outside the timing) touches the memory both keep.
void BM_Store(benchmark::State& state, uint32_t live) {
  const Workload& w = WorkloadFor(live);
  static std::vector<uint32_t> handles;
  RunArrayer(w, handles);
  for (auto _ : state) benchmark::DoNotOptimize(RunArrayer(w, handles));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(w.steps.size()));
}

void BM_SlotMap(benchmark::State& state, uint32_t live) {
  const Workload& w = WorkloadFor(live);
  static SlotMap map;
  RunSlotMap(w, map);
  for (auto _ : state) benchmark::DoNotOptimize(RunSlotMap(w, map));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(w.steps.size()));
}

void PrintRatios(const bench::RatioReporter& r) {
  std::printf("\n%-12s %12s %14s %12s\n", "live records", "store (ms)", "slot map (ms)", "store / map");
  for (uint32_t live : kSizes) {
    const std::string c = "store_ticks/" + std::to_string(live);
    const double a = r.Nanoseconds(c + "/ours"), b = r.Nanoseconds(c + "/vs_slotmap");
    std::printf("%-12u %12.2f %14.2f %12.2f\n", live, a / 1e6, b / 1e6, bench::RatioReporter::Ratio(a, b));
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!ArrayerInit()) {
    std::fprintf(stderr, "the store could not be allocated\n");
    return 1;
  }
  // Both sides must read the same records, or the comparison is void.
  for (uint32_t live : kSizes) {
    std::vector<uint32_t> handles;
    SlotMap map;
    if (RunArrayer(WorkloadFor(live), handles) != RunSlotMap(WorkloadFor(live), map)) {
      std::fprintf(stderr, "the store and the slot map read different records (%u live)\n", live);
      return 1;
    }
  }
  for (uint32_t live : kSizes) {
    const std::string c = "store_ticks/" + std::to_string(live);
    benchmark::RegisterBenchmark((c + "/ours").c_str(), BM_Store, live)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((c + "/vs_slotmap").c_str(), BM_SlotMap, live)->Unit(benchmark::kMillisecond);
  }
  bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter);
  benchmark::Shutdown();
  ArrayerFree();
  return 0;
}
