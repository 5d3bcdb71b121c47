// The command queue on arbitrary messages, run by the real command handlers: posts of any player,
// command number and payload bytes, ticks, jumps of the game clock (back, forward, across its
// restart at 0) and the plans finished, then two ticks more, in a fresh world of flat land with a
// strip of open water (map columns 60..79, world x 6000..7999) and the economy's services installed. Each handler is reached through a check of what the queue
// hands it (the acting player is one of the game's players, every vector is finite, a terrain
// vertex lies on the map) and then runs as the game runs it. A payload is untrusted: a crash, a
// sanitizer report or a fatal stop while the queue runs is a finding. After the last two ticks
// every slot must be free again.
//
// Input: PlayerCount, LocalPlayer, BuildingTypeCount (one byte each), the GameTime to start at
// (u32), then operations until the input ends, chosen by a byte modulo 5:
//   0 post: player (u8), command (u16), n (u8) and n payload bytes (the rest of the payload zero)
//   1 the next tick: GameTime + 1, ExecuteCommands
//   2 GameTime := u32 (on the clock's range)
//   3 ExecuteCommands once more in the same tick
//   4 every planned way and building finished at once (as an instant start of the plans leaves
//     them), so that what needs finished track (signals, marks for demolition) is reached
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#include "economy/step/commands.h"
#include "economy/step/worldstate_hash.h"
#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/building.h"
#include "engine/world/records.h"
#include "network/construction/buildings.h"
#include "network/construction/ways.h"
#include "network/world/terrain.h"
#include "fuzz/file_host.h"

namespace {

using fuzz_files::Check;
using command_handlers::TCommandHandlers;

constexpr uint64_t kCycle = static_cast<uint64_t>(kGameTimeLast) + 1;

class Input {
 public:
  Input(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool More() const { return p_ < end_; }
  uint8_t U8() { return More() ? *p_++ : 0; }
  uint16_t U16() { return static_cast<uint16_t>(U8() | U8() << 8); }
  uint32_t U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(U8()) << (8 * i);
    return v;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

void CheckVector(const TVector& v) {
  Check(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z), "finite vectors");
}
void CheckArg(const TVector& v) { CheckVector(v); }
void CheckArg(const TCommandPayload& p) { CheckVector(UnpackCommandArgs<TSignalArgs>(p).Point); }
template <class T>
void CheckArg(const T&) {}

void CheckPlayer() { Check(ActPlayer >= 1 && ActPlayer <= PlayerCount && ActPlayer <= 10, "a player of the game"); }

// The handlers the economy installed; the queue's table holds the checking entries below.
TCommandHandlers g_real;

template <auto Member, class F = std::remove_reference_t<decltype(std::declval<TCommandHandlers&>().*Member)>>
struct Checking;
template <auto Member, class R, class... A>
struct Checking<Member, R (*)(A...)> {
  static R Run(A... args) {
    CheckPlayer();
    (CheckArg(args), ...);
    return (g_real.*Member)(args...);
  }
};
template <auto Member>
void Install() {
  command_handlers::Handlers.*Member = &Checking<Member>::Run;
}

void RaiseLowerTerrain(int32_t column, int32_t row, int32_t delta, uint8_t source, uint8_t execute,
                       TConstructResult& r) {
  CheckPlayer();
  Check(column >= 0 && column < kMapSize && row >= 0 && row < kMapSize, "a vertex on the map");
  g_real.RaiseLowerTerrain(column, row, delta, source, execute, r);
}

void InstallCheckingHandlers() {
  g_real = command_handlers::Handlers;
  using H = TCommandHandlers;
  Install<&H::PlantTree>(), Install<&H::BuildCurveWay>(), Install<&H::BuildWay>(), Install<&H::BuildXCrossing>();
  Install<&H::BuildTCrossing>(), Install<&H::BuildRouter>(), Install<&H::ExtendWayAtPick>();
  Install<&H::BuildWayedBuilding>(), Install<&H::PlaceSignal>(), Install<&H::ExtendWay>();
  Install<&H::BuildStationTrack>(), Install<&H::BuildStationBuilding>(), Install<&H::BuildStationTrackAtPick>();
  Install<&H::RebuildWay>(), Install<&H::BuildCoastBuilding>(), Install<&H::PlaceHarbour>();
  Install<&H::BuildShipLanding>(), Install<&H::RemoveWay>(), Install<&H::RemoveBuilding>();
  Install<&H::RemoveSignal>(), Install<&H::ConvertToStationTrack>();
  command_handlers::Handlers.RaiseLowerTerrain = RaiseLowerTerrain;
}

// The world every input starts from: flat land with its strip of water, the economy's services, and rows for the special
// building types the handlers look up (platform, harbour, coast building, landing), priced but
// otherwise empty.
void ResetWorld() {
  Check(ResetSimulationWorld(), "the record store could be allocated");
  std::memset(GroundMap, 5, sizeof(GroundMap));
  for (int x = 60; x < 80; ++x) std::memset(GroundMap[x], kGroundOpenWater, sizeof(GroundMap[x]));
  constexpr int kSpecial[] = {2, 3, 6, 7};
  for (int k = 0; k < 4; ++k) {
    const uint16_t row = static_cast<uint16_t>(30 + k);
    SpecialBuildingTypes[kSpecial[k]] = row;
    SetBuildingTypePrice(BuildingTypes[row], 500);
  }
  for (int p = 1; p <= 10; ++p) Players[p].Finances[0].Balance = 1000000.0L;
}

// Runs f; a fatal stop there is a finding: a queued payload must never stop the game.
template <class F>
void NoFatalStop(F&& f) {
  try {
    f();
  } catch (const fuzz_files::Refused& r) {
    std::fprintf(stderr, "fatal stop: %s\n", r.text.c_str());
    fuzz_files::Fail("a command message stopped the game");
  }
}

void FinishPlans() {
  for (uint32_t i = FindInArrayerBW(kARTypeWay, 0); i != 0; i = FindInArrayerBW(kARTypeWay, i)) {
    TWay w{};
    w.A_Read(i);
    if (w.State != 0 && w.State != 1) continue;
    FinishWay(w);
    w.A_Overwrite();
  }
  for (uint32_t i = FindInArrayerBW(kARTypeBuilding, 0); i != 0; i = FindInArrayerBW(kARTypeBuilding, i)) {
    TBuilding b{};
    b.A_Read(i);
    if (b.State != 0 && b.State != 1) continue;
    FinishBuilding(b);
    b.A_Overwrite();
  }
}

void NextTick() {
  GameTime = static_cast<uint32_t>((static_cast<uint64_t>(GameTime) + 1) % kCycle);
  NoFatalStop([] { ExecuteCommands(); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = fuzz_files::Start();
  (void)started;
  ResetWorld();
  InstallCheckingHandlers();
  Input in(data, size);
  PlayerCount = in.U8() % 11;
  LocalPlayer = in.U8() % 11;
  BuildingTypeCount = in.U8();
  GameTime = static_cast<uint32_t>(in.U32() % kCycle);
  while (in.More()) {
    switch (in.U8() % 5) {
      case 0: {
        const uint8_t player = in.U8();
        const uint16_t command = in.U16();
        TCommandPayload payload{};
        const uint8_t n = in.U8();
        for (uint8_t i = 0; i < n && in.More(); ++i) payload[i] = in.U8();
        PostCommand(CommandQueue, player, command, payload);
        break;
      }
      case 1:
        NextTick();
        break;
      case 2:
        GameTime = static_cast<uint32_t>(in.U32() % kCycle);
        break;
      case 3:
        NoFatalStop([] { ExecuteCommands(); });
        break;
      default:
        NoFatalStop(FinishPlans);
        break;
    }
  }
  // Whatever was posted runs or is dropped within two ticks.
  NextTick();
  NextTick();
  for (const TCommandSlot& s : CommandQueue.Slots) Check(s.Player == 0, "every slot free after two ticks");
  return 0;
}
