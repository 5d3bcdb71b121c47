#include "tests/tools/sim_scenarios.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "economy/step/tick.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/records.h"
#include "network/construction/signals.h"
#include "tools/sample_world.h"

namespace {

bool Reset() {
  if (ResetSimulationWorld()) return true;
  std::fprintf(stderr, "sim_driver: the record store could not be allocated\n");
  return false;
}

std::string List(const std::vector<uint32_t>& values) {
  if (values.empty()) return "-";
  std::string text;
  for (uint32_t v : values) text += (text.empty() ? "" : ",") + std::to_string(v);
  return text;
}

int BlockCount() {
  int n = 0;
  for (uint32_t b = FindInArrayerRest(kARTypeBlock, 0); b != 0; b = FindInArrayerRest(kARTypeBlock, b)) ++n;
  return n;
}

void PrintFloat(const std::string& key, float value) {
  std::printf("%s=%.3f\n", key.c_str(), static_cast<double>(value));
}

// The loop of the signals scenario: six ways round a rectangle, the pairs at two opposite
// connects, the trains on the first lane of two ways.
constexpr TVector kLoop[] = {{1000, 0, 1000}, {2000, 0, 1000}, {3000, 0, 1000},
                             {3000, 0, 2000}, {2000, 0, 2000}, {1000, 0, 2000}};
constexpr int kLoopPoints = 6;
constexpr int kPairAt[] = {1, 4};
constexpr int kTrainOn[] = {0, 5};

}  // namespace

int SignalScenario(const std::vector<std::string>& args) {
  if (!args.empty()) return 2;
  if (!Reset()) return 1;
  std::vector<uint32_t> connects;
  const std::vector<uint32_t> ways = sample_world::RailTrack(kLoop, kLoopPoints, true, &connects);
  std::printf("ways=%zu\n", ways.size());
  for (int w : kTrainOn) sample_world::RailTrainOn(ways[w], 0);
  for (int k = 0; k < 2; ++k) {
    TConstructResult r{};
    PlaceSignal(kLoop[kPairAt[k]], r);
    std::printf("pair%d.result=%s\n", k + 1, r.Elements().c_str());
    std::printf("pair%d.blocks=%d\n", k + 1, BlockCount());
  }
  TBlock b{};
  for (uint32_t i = FindInArrayerRest(kARTypeBlock, 0); i != 0; i = FindInArrayerRest(kARTypeBlock, i)) {
    b.A_Read(i);
    std::vector<uint32_t> in;
    TWay w{};
    for (uint32_t way : ways) {
      w.A_Read(way);
      if (w.Block == i) in.push_back(way);
    }
    const std::string key = "block" + std::to_string(i);
    std::printf("%s.ways=%s\n", key.c_str(), List(in).c_str());
    std::printf("%s.trains=%s\n", key.c_str(), List({b.Trains, b.Trains + b.TrainCount}).c_str());
    std::printf("%s.insignals=%s\n", key.c_str(), List({b.InSignals, b.InSignals + b.Insignalcounter}).c_str());
  }
  std::printf("blocks=%d\n", BlockCount());
  int signals = 0;
  TSignal s{};
  for (uint32_t i = FindInArrayerOA(kARTypeSignal, 0); i != 0; i = FindInArrayerOA(kARTypeSignal, i)) {
    s.A_Read(i);
    ++signals;
    const std::string key = "signal" + std::to_string(i);
    std::printf("%s.node=%u\n%s.block=%u\n%s.partner=%u\n", key.c_str(), s.Node, key.c_str(), s.Block, key.c_str(),
                s.Partner);
    std::printf("%s.lamp=%u\n%s.oneway=%u\n", key.c_str(), s.Lamp, key.c_str(), s.OneWay);
    PrintFloat(key + ".x", s.Pose.X);
    PrintFloat(key + ".y", s.Pose.Y);
    PrintFloat(key + ".z", s.Pose.Z);
    PrintFloat(key + ".heading", s.Pose.Gier);
  }
  std::printf("signals=%d\n", signals);
  return 0;
}

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
