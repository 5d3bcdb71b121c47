// The parameters of the command messages: one small record per command, each taken from and put
// into the 1,000 payload bytes field by field at fixed little-endian offsets. A payload can come
// from elsewhere (a replay, a peer), so its bytes are never cast to a record; what a handler
// receives is checked first (CommandPayloadSound).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/base/types.h"
#include "engine/files/infofile.h"

constexpr size_t kCommandPayloadSize = 1000;
using TCommandPayload = std::array<uint8_t, kCommandPayloadSize>;

// The command numbers. 2 is not a command.
enum TCommandNumber : uint16_t {
  kCmdPlantTree = 1,
  kCmdBuildCurveWay = 3,
  kCmdBuildWay = 4,
  kCmdBuildXCrossing = 5,
  kCmdBuildTCrossing = 6,
  kCmdBuildRouter = 7,
  kCmdExtendWayAtPick = 8,
  kCmdBuildWayedBuilding = 9,
  kCmdPlaceSignal = 10,
  kCmdExtendWay = 11,
  kCmdBuildStationTrack = 12,
  kCmdBuildStationBuilding = 13,
  kCmdBuildStationTrackAtPick = 14,
  kCmdRebuildWay = 15,
  kCmdRaiseLowerTerrain = 16,
  kCmdBuildCoastBuilding = 17,
  kCmdPlaceHarbour = 18,
  kCmdBuildShipLanding = 19,
  kCmdRemoveWay = 20,
  kCmdRemoveBuilding = 21,
  kCmdRemoveSignal = 22,
  kCmdConvertToStationTrack = 23,
};
constexpr uint16_t kLastCommand = 23;

// Each record names its fields once, in Fields(io, record), for an InfoFieldWriter (const record)
// and an InfoFieldReader alike; the offsets are those of the payload. The vectors are aligned
// (TVector itself is packed), so the field writer and reader may bind to their coordinates.

// 1: a tree to plant.
struct TPlantTreeArgs {
  alignas(4) TVector Position;
  uint8_t Kind;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.Vec(0, r.Position);
    io.U8(12, r.Kind);
  }
};

// 3: a curve between two points.
struct TCurveWayArgs {
  uint8_t Waytype;  // 0 road, 1 rail
  uint8_t SecondTrack;
  uint16_t Word;    // the construction word
  alignas(4) TVector A, B;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.U8(0, r.Waytype);
    io.U8(1, r.SecondTrack);
    io.U16(2, r.Word);
    io.Vec(4, r.A);
    io.Vec(16, r.B);
  }
};

// 4 (a way), 6 (a T crossing): three points.
struct TThreePointArgs {
  uint16_t Word;
  alignas(4) TVector A, B, C;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.U16(0, r.Word);
    io.Vec(4, r.A);
    io.Vec(16, r.B);
    io.Vec(28, r.C);
  }
};

// 5: an X crossing, four arm points.
struct TXCrossingArgs {
  uint16_t Word;
  alignas(4) TVector A, B, C, D;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    TThreePointArgs::Fields(io, r);
    io.Vec(40, r.D);
  }
};

// 8 (a way extension at the pick), 7 (a router, with its stub mode): a pick ray and a target.
struct TPickTargetArgs {
  uint16_t Word;
  alignas(4) TVector RayStart, RayDir, Target;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.U16(0, r.Word);
    io.Vec(4, r.RayStart);
    io.Vec(16, r.RayDir);
    io.Vec(28, r.Target);
  }
};
struct TRouterArgs {
  uint16_t Word;
  alignas(4) TVector RayStart, RayDir, Target;
  uint8_t StubMode;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    TPickTargetArgs::Fields(io, r);
    io.U8(40, r.StubMode);
  }
};

// 9: a building with its way.
struct TWayedBuildingArgs {
  uint16_t BuildingType;
  uint8_t Phase;
  alignas(4) TVector ConnectPoint, BuildingPoint;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.U16(0, r.BuildingType);
    io.U8(2, r.Phase);
    io.Vec(4, r.ConnectPoint);
    io.Vec(16, r.BuildingPoint);
  }
};

// 10, 22: the signal routines take the whole payload; it begins with the picked point.
struct TSignalArgs {
  alignas(4) TVector Point;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.Vec(0, r.Point);
  }
};

// 11: an extension of a way from A to B.
struct TExtendWayArgs {
  uint16_t Word;
  alignas(4) TVector A, B;
  uint32_t Way;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.U16(0, r.Word);
    io.Vec(4, r.A);
    io.Vec(16, r.B);
    io.U32(28, r.Way);
  }
};

// 12: a station track between two points.
struct TStationTrackArgs {
  alignas(4) TVector A, B;
  uint32_t Station;  // 0 = a new station
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.Vec(0, r.A);
    io.Vec(12, r.B);
    io.U32(24, r.Station);
  }
};

// 13, 14: a pick ray.
struct TRayArgs {
  alignas(4) TVector RayStart, RayDir;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.Vec(0, r.RayStart);
    io.Vec(12, r.RayDir);
  }
};

// 15: a rebuild of the way under the ray.
struct TRebuildWayArgs {
  uint16_t Word;
  alignas(4) TVector RayStart, RayDir;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.U16(0, r.Word);
    io.Vec(4, r.RayStart);
    io.Vec(16, r.RayDir);
  }
};

// 16: a height vertex raised or lowered.
struct TTerrainArgs {
  int32_t Column, Row, Delta;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.I32(0, r.Column);
    io.I32(4, r.Row);
    io.I32(8, r.Delta);
  }
};

// 17, 18: two points.
struct TTwoPointArgs {
  alignas(4) TVector A, B;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.Vec(0, r.A);
    io.Vec(12, r.B);
  }
};

// 19: a ship landing at the harbour under the ray.
struct TShipLandingArgs {
  alignas(4) TVector RayStart, RayDir, Target;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    TRayArgs::Fields(io, r);
    io.Vec(24, r.Target);
  }
};

// 20, 21: a way or a building to remove.
struct TRemoveArgs {
  uint32_t Index;
  uint8_t PlanOnly;
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.U32(0, r.Index);
    io.U8(4, r.PlanOnly);
  }
};

// 23: a way made a station track.
struct TConvertArgs {
  uint32_t Way;
  uint32_t Station;  // 0 = none
  template <class IO, class R>
  static void Fields(IO& io, R& r) {
    io.U32(0, r.Way);
    io.U32(4, r.Station);
  }
};

// The payload of a record; the bytes past its fields are zero.
template <class Args>
TCommandPayload PackCommandArgs(const Args& args) {
  TCommandPayload p{};
  InfoFieldWriter w(p.data());
  Args::Fields(w, args);
  return p;
}
// The record of a payload.
template <class Args>
Args UnpackCommandArgs(const TCommandPayload& p) {
  Args a{};
  InfoFieldReader r(p.data());
  Args::Fields(r, a);
  return a;
}

// Whether every vector of the record is finite (no NaN, no infinity).
namespace command_payload_detail {
struct FiniteCheck {
  bool ok = true;
  template <class T>
  void U8(size_t, const T&) {}
  template <class T>
  void U16(size_t, const T&) {}
  template <class T>
  void U32(size_t, const T&) {}
  template <class T>
  void I32(size_t, const T&) {}
  void Vec(size_t, const TVector& v);
};
}  // namespace command_payload_detail
template <class Args>
bool CommandArgsFinite(const Args& args) {
  command_payload_detail::FiniteCheck check;
  Args::Fields(check, args);
  return check.ok;
}

// Whether a payload may go to the handler of its command: a defined command (1, 3..23), every
// vector finite, and each field that names a range within it: a way type 0 or 1 (3), a building
// type of the table and a phase 0..2 (9), a map column and row 0..1023 (16).
bool CommandPayloadSound(uint16_t command, const TCommandPayload& payload);
