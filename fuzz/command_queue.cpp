// The command queue on arbitrary messages: posts of any player, command number and payload bytes,
// ticks, and jumps of the game clock (back, forward, across its restart at 0), then two ticks
// more. The handlers installed here check what reaches them: the acting player is one of the
// game's players, every vector is finite and a terrain vertex lies on the map; then they refuse.
// After the last two ticks every slot must be free again.
//
// Input: PlayerCount, LocalPlayer, BuildingTypeCount (one byte each), the GameTime to start at
// (u32), then operations until the input ends, chosen by a byte modulo 4:
//   0 post: player (u8), command (u16), n (u8) and n payload bytes (the rest of the payload zero)
//   1 the next tick: GameTime + 1, ExecuteCommands
//   2 GameTime := u32 (on the clock's range)
//   3 ExecuteCommands once more in the same tick
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

#include "economy/step/commands.h"
#include "engine/base/worldstate.h"
#include "fuzz/file_host.h"

namespace {

using fuzz_files::Check;

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

void CheckArg(const TVector& v) { Check(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z), "finite vectors"); }
template <class T>
void CheckArg(const T&) {}

void CheckPlayer() { Check(ActPlayer >= 1 && ActPlayer <= PlayerCount && ActPlayer <= 10, "a player of the game"); }

template <class F>
struct Checking;
template <class... A>
struct Checking<void (*)(A...)> {
  static void Run(A... args) {
    CheckPlayer();
    (CheckArg(args), ...);
    command_handlers::detail::Refusing<void (*)(A...)>::Run(args...);
  }
};
template <class... A>
struct Checking<bool (*)(A...)> {
  static bool Run(A... args) {
    CheckPlayer();
    (CheckArg(args), ...);
    return false;
  }
};
template <class F>
void Install(F& entry) {
  entry = &Checking<F>::Run;
}

void InstallCheckingHandlers() {
  auto& h = command_handlers::Handlers;
  Install(h.PlantTree), Install(h.BuildCurveWay), Install(h.BuildWay), Install(h.BuildXCrossing);
  Install(h.BuildTCrossing), Install(h.BuildRouter), Install(h.ExtendWayAtPick), Install(h.BuildWayedBuilding);
  Install(h.ExtendWay), Install(h.BuildStationTrack), Install(h.BuildStationBuilding);
  Install(h.BuildStationTrackAtPick), Install(h.RebuildWay), Install(h.BuildCoastBuilding), Install(h.PlaceHarbour);
  Install(h.BuildShipLanding), Install(h.RemoveWay), Install(h.RemoveBuilding), Install(h.ConvertToStationTrack);
  h.RaiseLowerTerrain = [](int32_t column, int32_t row, int32_t, uint8_t, uint8_t, TConstructResult& r) {
    CheckPlayer();
    Check(column >= 0 && column < kMapSize && row >= 0 && row < kMapSize, "a vertex on the map");
    r.Assign(29);
  };
  auto signal = [](const TCommandPayload& p, TConstructResult& r) {
    CheckPlayer();
    CheckArg(UnpackCommandArgs<TSignalArgs>(p).Point);
    r.Assign(29);
  };
  h.PlaceSignal = signal;
  h.RemoveSignal = signal;
}

void NextTick() {
  GameTime = static_cast<uint32_t>((static_cast<uint64_t>(GameTime) + 1) % kCycle);
  ExecuteCommands();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool started = fuzz_files::Start();
  (void)started;
  ResetCommandQueue();
  InstallCheckingHandlers();
  Input in(data, size);
  PlayerCount = in.U8() % 11;
  LocalPlayer = in.U8() % 11;
  BuildingTypeCount = in.U8();
  GameTime = static_cast<uint32_t>(in.U32() % kCycle);
  while (in.More()) {
    switch (in.U8() % 4) {
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
      default:
        ExecuteCommands();
        break;
    }
  }
  // Whatever was posted runs or is dropped within two ticks.
  NextTick();
  NextTick();
  for (const TCommandSlot& s : CommandQueue.Slots) Check(s.Player == 0, "every slot free after two ticks");
  return 0;
}
