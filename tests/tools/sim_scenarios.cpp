#include "tests/tools/sim_scenarios.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "network/track/paths.h"
#include "tools/path_check.h"
#include "tools/sample_world.h"

namespace {

// A whole number from min to max, the whole text.
bool ReadWhole(const std::string& text, long min, long max, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return end != text.c_str() && *end == '\0' && value >= min && value <= max;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

bool Reset() {
  if (ResetSimulationWorld()) return true;
  std::fprintf(stderr, "sim_driver: the record store could not be allocated\n");
  return false;
}

}  // namespace

int RunScenario(const std::vector<std::string>& args) {
  if (args.size() != 2) return 2;
  char* end = nullptr;
  const long ticks = std::strtol(args[1].c_str(), &end, 10);
  if (end == args[1].c_str() || *end != '\0' || ticks < 0 || ticks > 100000000) return 2;
  if (args[0] != "idle" && args[0] != "calendar") return 2;
  if (!Reset()) return 1;
  if (args[0] == "calendar") sample_world::StartCalendarGame();
  for (long t = 0; t < ticks; ++t) GameplayTick();
  std::printf("date=%d.%d.%d\n", GameDay, GameMonth, GameYear);
  std::printf("tick=%u\n", GameTime);
  for (int p = 1; p <= PlayerCount && p <= 10; ++p) {
    const TYearFinance& now = Players[p].Finances[0];
    const TYearFinance& last = Players[p].Finances[1];
    std::printf("player%d.balance=%.3Lf\n", p, now.Balance.get());
    std::printf("player%d.last_year_interest=%.3f\n", p,
                static_cast<double>(last.CreditInterest + last.OverdraftInterest + last.InterestIncome));
  }
  std::printf("hash=%s\n", WorldStateHashText().c_str());
  return 0;
}

int PrintResetHash(const std::vector<std::string>& args) {
  if (!args.empty()) return 2;
  if (!Reset()) return 1;
  std::printf("hash=%s\n", WorldStateHashText().c_str());
  return 0;
}

int PathCheck(const std::vector<std::string>& args) {
  long columns = 0, rows = 0, pairs = -1, seed = -1;
  for (size_t i = 0; i + 1 < args.size(); i += 2) {
    const std::string& value = args[i + 1];
    if (args[i] == "--grid") {
      const size_t x = value.find('x');
      if (x == std::string::npos || !ReadWhole(value.substr(0, x), 2, 100000, columns) ||
          !ReadWhole(value.substr(x + 1), 2, 100000, rows))
        return 2;
    } else if (args[i] == "--pairs") {
      if (!ReadWhole(value, 0, 10000000, pairs)) return 2;
    } else if (args[i] == "--seed") {
      if (!ReadWhole(value, 0, 4294967295L, seed)) return 2;
    } else {
      return 2;
    }
  }
  if (args.size() % 2 != 0 || columns == 0 || pairs < 0 || seed < 0) return 2;
  if (!Reset()) return 1;
  if (columns * rows > static_cast<long>(NodeArrayCapacity)) {
    std::fprintf(stderr, "sim_driver: a grid of more than %u nodes does not fit the node pool\n", NodeArrayCapacity);
    return 2;
  }
  const sample_world::TNodeGrid grid =
      sample_world::BuildNodeGrid(static_cast<int>(columns), static_cast<int>(rows), 100.0f, {1000.0f, 0.0f, 1000.0f});
  path_check::TReferenceGraph reference;
  const auto list =
      path_check::SeededPairs(static_cast<uint32_t>(pairs), static_cast<uint32_t>(seed), grid.First, grid.Count());

  struct Answer {
    bool found = false;
    uint64_t cost = 0;
  };
  std::vector<Answer> ours(list.size()), theirs(list.size());
  uint32_t deepest = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (size_t i = 0; i < list.size(); ++i) {
    ours[i].found = path_check::SearchCost(list[i].first, list[i].second, ours[i].cost);
    deepest = std::max(deepest, PathSearchDeepestStack);
  }
  const auto t1 = std::chrono::steady_clock::now();
  for (size_t i = 0; i < list.size(); ++i)
    theirs[i].found = reference.Cost(list[i].first, list[i].second, theirs[i].cost);
  const auto t2 = std::chrono::steady_clock::now();

  int mismatches = 0, unreachable = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    if (!ours[i].found && !theirs[i].found) {
      ++unreachable;
    } else if (ours[i].found != theirs[i].found || ours[i].cost != theirs[i].cost) {
      if (++mismatches <= 10)
        std::fprintf(stderr, "sim_driver: %u -> %u: search %s %llu, dijkstra %s %llu\n", list[i].first,
                     list[i].second, ours[i].found ? "found" : "none", static_cast<unsigned long long>(ours[i].cost),
                     theirs[i].found ? "found" : "none", static_cast<unsigned long long>(theirs[i].cost));
    }
  }
  std::printf("nodes=%u\n", grid.Count());
  std::printf("pairs=%zu\n", list.size());
  std::printf("mismatches=%d\n", mismatches);
  std::printf("unreachable=%d\n", unreachable);
  std::printf("deepest_stack=%u\n", deepest);
  std::printf("calcpath_ms=%.3f\n", Milliseconds(t1 - t0));
  std::printf("dijkstra_ms=%.3f\n", Milliseconds(t2 - t1));
  return 0;
}
