#include "economy/step/commands.h"

#include <string>

#include "engine/base/diagnostics.h"
#include "engine/base/worldstate.h"
#include "engine/gui/mousemode.h"

TCommandQueue CommandQueue;

namespace command_handlers {
TCommandHandlers Handlers;
void InstallDefaults() { Handlers = TCommandHandlers{}; }
}  // namespace command_handlers

namespace {

constexpr uint8_t kExecutingSource = 0;
constexpr uint8_t kExecute = 1;
constexpr int64_t kGameTimeCycle = static_cast<int64_t>(kGameTimeLast) + 1;
constexpr uint8_t kMaxPlayer = 10;

// The ticks from GameTime forward to `tick` on GameTime's cycle.
int64_t TicksAhead(uint32_t tick) {
  int64_t d = (static_cast<int64_t>(tick) - static_cast<int64_t>(GameTime)) % kGameTimeCycle;
  if (d < 0) d += kGameTimeCycle;
  return d;
}

uint8_t LastPlayer() { return PlayerCount < kMaxPlayer ? PlayerCount : kMaxPlayer; }

// The executing form of each command, by number; the entries of 0 and 2 are empty.
using command_handlers::Handlers;
using Dispatch = void (*)(const TCommandPayload& p, TConstructResult& r);

template <class Args>
Args Of(const TCommandPayload& p) {
  return UnpackCommandArgs<Args>(p);
}

constexpr uint8_t S = kExecutingSource, X = kExecute;
// The payloads of the removals carry no phase: from the queue they test, then remove.
constexpr uint8_t kRemovalPhase = 1;

constexpr Dispatch kDispatch[kLastCommand + 1] = {
    nullptr,
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TPlantTreeArgs>(p);
      Handlers.PlantTree(a.Position, a.Kind, S, X);
      r = TConstructResult::Success();  // a tree always counts as planted
    },
    nullptr,
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TCurveWayArgs>(p);
      Handlers.BuildCurveWay(a.Waytype, a.SecondTrack, a.Word, a.A, a.B, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TThreePointArgs>(p);
      Handlers.BuildWay(a.A, a.B, a.C, a.Word, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TXCrossingArgs>(p);
      Handlers.BuildXCrossing(a.A, a.B, a.C, a.D, a.Word, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TThreePointArgs>(p);
      Handlers.BuildTCrossing(a.A, a.B, a.C, a.Word, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TRouterArgs>(p);
      Handlers.BuildRouter(a.RayStart, a.RayDir, a.Target, a.Word, a.StubMode, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TPickTargetArgs>(p);
      Handlers.ExtendWayAtPick(a.RayStart, a.RayDir, a.Target, a.Word, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TWayedBuildingArgs>(p);
      Handlers.BuildWayedBuilding(a.BuildingType, a.ConnectPoint, a.BuildingPoint, a.Phase, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) { Handlers.PlaceSignal(p, r); },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TExtendWayArgs>(p);
      Handlers.ExtendWay(a.A, a.B, a.Way, a.Word, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TStationTrackArgs>(p);
      Handlers.BuildStationTrack(a.A, a.B, a.Station, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TRayArgs>(p);
      Handlers.BuildStationBuilding(a.RayStart, a.RayDir, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TRayArgs>(p);
      Handlers.BuildStationTrackAtPick(a.RayStart, a.RayDir, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TRebuildWayArgs>(p);
      Handlers.RebuildWay(a.RayStart, a.RayDir, a.Word, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TTerrainArgs>(p);
      Handlers.RaiseLowerTerrain(a.Column, a.Row, a.Delta, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TTwoPointArgs>(p);
      Handlers.BuildCoastBuilding(a.A, a.B, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TTwoPointArgs>(p);
      Handlers.PlaceHarbour(a.A, a.B, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TShipLandingArgs>(p);
      Handlers.BuildShipLanding(a.RayStart, a.RayDir, a.Target, S, X, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TRemoveArgs>(p);
      Handlers.RemoveWay(a.Index, S, kRemovalPhase, a.PlanOnly, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TRemoveArgs>(p);
      Handlers.RemoveBuilding(a.Index, S, kRemovalPhase, a.PlanOnly, r);
    },
    [](const TCommandPayload& p, TConstructResult& r) { Handlers.RemoveSignal(p, r); },
    [](const TCommandPayload& p, TConstructResult& r) {
      const auto a = Of<TConvertArgs>(p);
      Handlers.ConvertToStationTrack(a.Way, a.Station, S, X, r);
    },
};

// The tool mode that follows a success of the local player (0: the mode stays).
constexpr uint8_t kFollowUpMode[kLastCommand + 1] = {
    0, 0, 0, 0, 14, 8, 8, 14, 8, 0, 0, 8, 14, 14, 14, 14, 0, 0, 0, 34, 0, 0, 0, 0,
};

// Frees every message that can no longer run, with a warning.
void DropStale(TCommandQueue& q) {
  for (TCommandSlot& s : q.Slots) {
    if (s.Player == 0) continue;
    if (s.Player <= LastPlayer() && s.DueTick <= kGameTimeLast && TicksAhead(s.DueTick) <= q.Delay) continue;
    SYS_Warning("WARNING: Command Queue: dropped a stale command No " + std::to_string(s.Command) + " of player " +
                std::to_string(s.Player));
    s.Player = 0;
  }
}

// The slot of the player's next message due now (lowest Sequence, then lowest slot); null if none.
TCommandSlot* NextDue(TCommandQueue& q, uint8_t player) {
  TCommandSlot* next = nullptr;
  for (TCommandSlot& s : q.Slots) {
    if (s.Player != player || s.DueTick != GameTime) continue;
    if (!next || s.Sequence < next->Sequence) next = &s;
  }
  return next;
}

// Runs one message through its handler; the result stays empty when it does not reach one.
TConstructResult Run(const TCommandSlot& s) {
  TConstructResult r{};
  if (s.Command > kLastCommand || !kDispatch[s.Command]) {
    SYS_Warning("Undefined Command No " + std::to_string(s.Command));
  } else if (!CommandPayloadSound(s.Command, s.Payload)) {
    SYS_Warning("WARNING: Command Queue: dropped a bad command No " + std::to_string(s.Command) + " of player " +
                std::to_string(s.Player));
  } else {
    kDispatch[s.Command](s.Payload, r);
  }
  return r;
}

// What the user interface does after the local player's message ran.
void FollowUp(const TCommandSlot& s, const TConstructResult& r) {
  if (!(r == TConstructResult::Success())) {
    StatusLine = std::string("Commanqueue Error");
    return;
  }
  if (MouseModeChanged != 0) return;
  if (s.Command == kCmdBuildCurveWay) {
    const auto a = UnpackCommandArgs<TCurveWayArgs>(s.Payload);
    Handlers.ContinueCurvePlacement(a.Waytype, a.SecondTrack, a.B);
  } else if (s.Command <= kLastCommand && kFollowUpMode[s.Command] != 0) {
    SetMouseMode(kFollowUpMode[s.Command]);
  }
}

}  // namespace

void ResetCommandQueue(TCommandQueue& queue) {
  queue = TCommandQueue{};
  queue.Delay = 1;
}

uint32_t CommandDueTick(const TCommandQueue& queue) {
  return static_cast<uint32_t>((static_cast<int64_t>(GameTime) + queue.Delay) % kGameTimeCycle);
}

void PostCommand(TCommandQueue& queue, uint8_t player, uint16_t command, const TCommandPayload& payload) {
  for (TCommandSlot& s : queue.Slots) {
    if (s.Player != 0) continue;
    ++queue.Sequence;
    s.Player = player;
    s.Sequence = queue.Sequence;
    s.Command = command;
    s.DueTick = CommandDueTick(queue);
    s.Payload = payload;
    return;
  }
  SYS_Warning("WARNING: Command Queue overflow");
}

void ExecuteCommands(TCommandQueue& queue) {
  queue.Sequence = 0;
  DropStale(queue);
  for (uint8_t p = 1; p <= LastPlayer(); ++p) {
    while (TCommandSlot* s = NextDue(queue, p)) {
      ActPlayer = s->Player;
      ActCity = 0;
      const TConstructResult r = Run(*s);
      if (s->Player == LocalPlayer) FollowUp(*s, r);
      s->Player = 0;
    }
  }
}

void PostBuildCurveWay(TCommandQueue& q, uint8_t player, uint8_t waytype, uint8_t secondTrack, uint16_t word,
                       const TVector& a, const TVector& b) {
  PostCommand(q, player, kCmdBuildCurveWay, PackCommandArgs(TCurveWayArgs{waytype, secondTrack, word, a, b}));
}
void PostBuildWay(TCommandQueue& q, uint8_t player, uint16_t word, const TVector& a, const TVector& b,
                  const TVector& c) {
  PostCommand(q, player, kCmdBuildWay, PackCommandArgs(TThreePointArgs{word, a, b, c}));
}
void PostBuildXCrossing(TCommandQueue& q, uint8_t player, uint16_t word, const TVector& a, const TVector& b,
                        const TVector& c, const TVector& d) {
  PostCommand(q, player, kCmdBuildXCrossing, PackCommandArgs(TXCrossingArgs{word, a, b, c, d}));
}
void PostBuildTCrossing(TCommandQueue& q, uint8_t player, uint16_t word, const TVector& a, const TVector& b,
                        const TVector& c) {
  PostCommand(q, player, kCmdBuildTCrossing, PackCommandArgs(TThreePointArgs{word, a, b, c}));
}
void PostBuildWayedBuilding(TCommandQueue& q, uint8_t player, uint16_t buildingType, uint8_t phase,
                            const TVector& connectPoint, const TVector& buildingPoint) {
  PostCommand(q, player, kCmdBuildWayedBuilding,
              PackCommandArgs(TWayedBuildingArgs{buildingType, phase, connectPoint, buildingPoint}));
}
void PostExtendWay(TCommandQueue& q, uint8_t player, uint16_t word, const TVector& a, const TVector& b,
                   uint32_t way) {
  PostCommand(q, player, kCmdExtendWay, PackCommandArgs(TExtendWayArgs{word, a, b, way}));
}
void PostBuildStationTrack(TCommandQueue& q, uint8_t player, const TVector& a, const TVector& b,
                           uint32_t station) {
  PostCommand(q, player, kCmdBuildStationTrack, PackCommandArgs(TStationTrackArgs{a, b, station}));
}
void PostBuildStationBuilding(TCommandQueue& q, uint8_t player, const TVector& rayStart, const TVector& rayDir) {
  PostCommand(q, player, kCmdBuildStationBuilding, PackCommandArgs(TRayArgs{rayStart, rayDir}));
}
void PostBuildStationTrackAtPick(TCommandQueue& q, uint8_t player, const TVector& rayStart,
                                 const TVector& rayDir) {
  PostCommand(q, player, kCmdBuildStationTrackAtPick, PackCommandArgs(TRayArgs{rayStart, rayDir}));
}
void PostRebuildWay(TCommandQueue& q, uint8_t player, uint16_t word, const TVector& rayStart,
                    const TVector& rayDir) {
  PostCommand(q, player, kCmdRebuildWay, PackCommandArgs(TRebuildWayArgs{word, rayStart, rayDir}));
}
void PostRaiseLowerTerrain(TCommandQueue& q, uint8_t player, int32_t column, int32_t row, int32_t delta) {
  PostCommand(q, player, kCmdRaiseLowerTerrain, PackCommandArgs(TTerrainArgs{column, row, delta}));
}
void PostBuildCoastBuilding(TCommandQueue& q, uint8_t player, const TVector& a, const TVector& b) {
  PostCommand(q, player, kCmdBuildCoastBuilding, PackCommandArgs(TTwoPointArgs{a, b}));
}
void PostPlaceHarbour(TCommandQueue& q, uint8_t player, const TVector& a, const TVector& b) {
  PostCommand(q, player, kCmdPlaceHarbour, PackCommandArgs(TTwoPointArgs{a, b}));
}
void PostBuildShipLanding(TCommandQueue& q, uint8_t player, const TVector& rayStart, const TVector& rayDir,
                          const TVector& target) {
  PostCommand(q, player, kCmdBuildShipLanding, PackCommandArgs(TShipLandingArgs{rayStart, rayDir, target}));
}
void PostRemoveWay(TCommandQueue& q, uint8_t player, uint32_t way, uint8_t planOnly) {
  PostCommand(q, player, kCmdRemoveWay, PackCommandArgs(TRemoveArgs{way, planOnly}));
}
void PostRemoveBuilding(TCommandQueue& q, uint8_t player, uint32_t building, uint8_t planOnly) {
  PostCommand(q, player, kCmdRemoveBuilding, PackCommandArgs(TRemoveArgs{building, planOnly}));
}
void PostConvertToStationTrack(TCommandQueue& q, uint8_t player, uint32_t way, uint32_t station) {
  PostCommand(q, player, kCmdConvertToStationTrack, PackCommandArgs(TConvertArgs{way, station}));
}

namespace {
struct CommandQueueStart {
  CommandQueueStart() { ResetCommandQueue(); }
} g_commandQueueStart;
}  // namespace
