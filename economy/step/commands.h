// The command queue: every world change a player makes through the tools is posted as a command
// message and executed inside the simulation step, a fixed delay later, by the command's handler
// in its executing form on behalf of the posting player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <tuple>

#include "economy/step/commandpayloads.h"
#include "engine/base/types.h"
#include "network/construction/result.h"

constexpr int kCommandSlots = 50;

#pragma pack(push, 1)
// A command message (1,008 bytes).
struct TCommandSlot {
  uint8_t Player;    // the posting player 1..10; 0 = slot free
  uint8_t Sequence;  // the queue's Sequence after the post
  uint16_t Command;  // the command number 1..23
  uint32_t DueTick;  // the GameTime at which it runs
  TCommandPayload Payload;
};
struct TCommandQueue {
  uint32_t Delay;     // ticks between posting and execution
  uint8_t Sequence;   // the posting counter; 0 again after every ExecuteCommands
  TCommandSlot Slots[kCommandSlots];  // slot n (1..50) is Slots[n - 1]
};
#pragma pack(pop)
static_assert(sizeof(TCommandSlot) == 1008);
static_assert(offsetof(TCommandSlot, Sequence) == 1 && offsetof(TCommandSlot, Command) == 2 &&
              offsetof(TCommandSlot, DueTick) == 4 && offsetof(TCommandSlot, Payload) == 8);
static_assert(sizeof(TCommandQueue) == 5 + kCommandSlots * 1008);

extern TCommandQueue CommandQueue;
// The queue as the unit starts it: every slot free, Delay 1, Sequence 0.
void ResetCommandQueue(TCommandQueue& queue = CommandQueue);

// The tick at which a message posted now runs: GameTime + the queue's Delay on GameTime's cycle
// (past kGameTimeLast it starts again at 0).
uint32_t CommandDueTick(const TCommandQueue& queue);

// Puts a message into the lowest free slot; with none free the command is lost with the warning
// "WARNING: Command Queue overflow".
void PostCommand(TCommandQueue& queue, uint8_t player, uint16_t command, const TCommandPayload& payload);

// The posting routines, one per command that the tools post; each fills the payload of its command.
void PostBuildCurveWay(TCommandQueue& queue, uint8_t player, uint8_t waytype, uint8_t secondTrack, uint16_t word,
                       const TVector& a, const TVector& b);
void PostBuildWay(TCommandQueue& queue, uint8_t player, uint16_t word, const TVector& a, const TVector& b,
                  const TVector& c);
void PostBuildXCrossing(TCommandQueue& queue, uint8_t player, uint16_t word, const TVector& a, const TVector& b,
                        const TVector& c, const TVector& d);
void PostBuildTCrossing(TCommandQueue& queue, uint8_t player, uint16_t word, const TVector& a, const TVector& b,
                        const TVector& c);
void PostBuildWayedBuilding(TCommandQueue& queue, uint8_t player, uint16_t buildingType, uint8_t phase,
                            const TVector& connectPoint, const TVector& buildingPoint);
void PostExtendWay(TCommandQueue& queue, uint8_t player, uint16_t word, const TVector& a, const TVector& b,
                   uint32_t way);
void PostBuildStationTrack(TCommandQueue& queue, uint8_t player, const TVector& a, const TVector& b,
                           uint32_t station);
void PostBuildStationBuilding(TCommandQueue& queue, uint8_t player, const TVector& rayStart, const TVector& rayDir);
void PostBuildStationTrackAtPick(TCommandQueue& queue, uint8_t player, const TVector& rayStart,
                                 const TVector& rayDir);
void PostRebuildWay(TCommandQueue& queue, uint8_t player, uint16_t word, const TVector& rayStart,
                    const TVector& rayDir);
void PostRaiseLowerTerrain(TCommandQueue& queue, uint8_t player, int32_t column, int32_t row, int32_t delta);
void PostBuildCoastBuilding(TCommandQueue& queue, uint8_t player, const TVector& a, const TVector& b);
void PostPlaceHarbour(TCommandQueue& queue, uint8_t player, const TVector& a, const TVector& b);
void PostBuildShipLanding(TCommandQueue& queue, uint8_t player, const TVector& rayStart, const TVector& rayDir,
                          const TVector& target);
void PostRemoveWay(TCommandQueue& queue, uint8_t player, uint32_t way, uint8_t planOnly);
void PostRemoveBuilding(TCommandQueue& queue, uint8_t player, uint32_t building, uint8_t planOnly);
void PostConvertToStationTrack(TCommandQueue& queue, uint8_t player, uint32_t way, uint32_t station);

// Runs this tick's messages (DueTick = GameTime), player by player from 1 to PlayerCount and in
// posting order within a player, each through its handler (source 0, execute 1) with ActPlayer
// set to its player and ActCity 0, and frees their slots. For the local player a success moves
// the tool on (SetMouseMode, or ContinueCurvePlacement after a curve) and anything else sets the
// StatusLine "Commanqueue Error".
// A message that can never run is freed first with the warning
// "WARNING: Command Queue: dropped a stale command No <n> of player <p>": one whose DueTick lies
// outside GameTime .. GameTime + Delay on GameTime's cycle (the clock wrapped or was set back, or
// the queue did not run in its tick), or whose player is above PlayerCount. A message whose
// payload fails CommandPayloadSound does not reach its handler: an undefined number gives the
// warning "Undefined Command No <n>", any other the warning
// "WARNING: Command Queue: dropped a bad command No <n> of player <p>"; both count as failed.
void ExecuteCommands(TCommandQueue& queue = CommandQueue);

// The handlers in their executing form, reached from ExecuteCommands; each takes the fields of
// its payload, then Source and Execute (for the removals: Source, Phase and PlanOnly), and sets
// its result. The command handlers install theirs; until then every entry refuses with {29}
// (PlantTree returns false) and ContinueCurvePlacement does nothing.
namespace command_handlers {
namespace detail {
// A handler that refuses: its result set, the last argument, becomes {29}.
template <class F>
struct Refusing;
template <class... A>
struct Refusing<void (*)(A...)> {
  static void Run(A... args) { std::get<sizeof...(A) - 1>(std::forward_as_tuple(args...)).Assign(29); }
};
template <class... A>
struct Refusing<bool (*)(A...)> {
  static bool Run(A...) { return false; }
};
}  // namespace detail

using TVec = const TVector&;
using TResult = TConstructResult&;
using PlantTreeFn = bool (*)(TVec point, uint8_t kind, uint8_t source, uint8_t execute);
using CurveWayFn = void (*)(uint8_t waytype, uint8_t secondTrack, uint16_t word, TVec a, TVec b, uint8_t source,
                            uint8_t execute, TResult r);
using ThreePointFn = void (*)(TVec a, TVec b, TVec c, uint16_t word, uint8_t source, uint8_t execute, TResult r);
using FourPointFn = void (*)(TVec a, TVec b, TVec c, TVec d, uint16_t word, uint8_t source, uint8_t execute,
                             TResult r);
using RouterFn = void (*)(TVec rayStart, TVec rayDir, TVec target, uint16_t word, uint8_t stubMode, uint8_t source,
                          uint8_t execute, TResult r);
using PickTargetFn = void (*)(TVec rayStart, TVec rayDir, TVec target, uint16_t word, uint8_t source,
                              uint8_t execute, TResult r);
using WayedBuildingFn = void (*)(uint16_t buildingType, TVec connectPoint, TVec buildingPoint, uint8_t phase,
                                 uint8_t source, uint8_t execute, TResult r);
using SignalFn = void (*)(const TCommandPayload& payload, TResult r);
using ExtendWayFn = void (*)(TVec a, TVec b, uint32_t way, uint16_t word, uint8_t source, uint8_t execute,
                             TResult r);
using StationTrackFn = void (*)(TVec a, TVec b, uint32_t station, uint8_t source, uint8_t execute, TResult r);
using RayFn = void (*)(TVec rayStart, TVec rayDir, uint8_t source, uint8_t execute, TResult r);
using RebuildWayFn = void (*)(TVec rayStart, TVec rayDir, uint16_t word, uint8_t source, uint8_t execute,
                              TResult r);
using TerrainFn = void (*)(int32_t column, int32_t row, int32_t delta, uint8_t source, uint8_t execute, TResult r);
using TwoPointFn = void (*)(TVec a, TVec b, uint8_t source, uint8_t execute, TResult r);
using ShipLandingFn = void (*)(TVec rayStart, TVec rayDir, TVec target, uint8_t source, uint8_t execute,
                               TResult r);
using RemoveFn = void (*)(uint32_t index, uint8_t source, uint8_t phase, uint8_t planOnly, TResult r);
using ConvertFn = void (*)(uint32_t way, uint32_t station, uint8_t source, uint8_t execute, TResult r);
using ContinueCurveFn = void (*)(uint8_t waytype, uint8_t secondTrack, TVec endPoint);

template <class F>
constexpr F Refuse() {
  return &detail::Refusing<F>::Run;
}

struct TCommandHandlers {
  PlantTreeFn PlantTree = Refuse<PlantTreeFn>();                                  // 1
  CurveWayFn BuildCurveWay = Refuse<CurveWayFn>();                                // 3
  ThreePointFn BuildWay = Refuse<ThreePointFn>();                                 // 4
  FourPointFn BuildXCrossing = Refuse<FourPointFn>();                             // 5
  ThreePointFn BuildTCrossing = Refuse<ThreePointFn>();                           // 6
  RouterFn BuildRouter = Refuse<RouterFn>();                                      // 7
  PickTargetFn ExtendWayAtPick = Refuse<PickTargetFn>();                          // 8
  WayedBuildingFn BuildWayedBuilding = Refuse<WayedBuildingFn>();                 // 9
  SignalFn PlaceSignal = Refuse<SignalFn>();                                      // 10
  ExtendWayFn ExtendWay = Refuse<ExtendWayFn>();                                  // 11
  StationTrackFn BuildStationTrack = Refuse<StationTrackFn>();                    // 12
  RayFn BuildStationBuilding = Refuse<RayFn>();                                   // 13
  RayFn BuildStationTrackAtPick = Refuse<RayFn>();                                // 14
  RebuildWayFn RebuildWay = Refuse<RebuildWayFn>();                               // 15
  TerrainFn RaiseLowerTerrain = Refuse<TerrainFn>();                              // 16
  TwoPointFn BuildCoastBuilding = Refuse<TwoPointFn>();                           // 17
  TwoPointFn PlaceHarbour = Refuse<TwoPointFn>();                                 // 18
  ShipLandingFn BuildShipLanding = Refuse<ShipLandingFn>();                       // 19
  RemoveFn RemoveWay = Refuse<RemoveFn>();                                        // 20
  RemoveFn RemoveBuilding = Refuse<RemoveFn>();                                   // 21
  SignalFn RemoveSignal = Refuse<SignalFn>();                                     // 22
  ConvertFn ConvertToStationTrack = Refuse<ConvertFn>();                          // 23
  // After a successful curve of the local player: the next curve starts at its end point.
  ContinueCurveFn ContinueCurvePlacement = [](uint8_t, uint8_t, TVec) {};
};

extern TCommandHandlers Handlers;
// Every entry back to its default.
void InstallDefaults();
}  // namespace command_handlers
