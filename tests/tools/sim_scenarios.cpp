#include "tests/tools/sim_scenarios.h"

#include <cstdio>
#include <cstdlib>

#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "tools/sample_world.h"

namespace {

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
