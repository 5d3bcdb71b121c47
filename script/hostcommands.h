// The host names a program gives its scripts, as data: the variables and procedures in their
// registration order. And the command bodies that the game's host and the building program's
// share: the part placements, the node and point commands, the track cursor and the pose from two
// points. A body takes all its arguments off the stack first, checks the numbers a script gives
// (parts, node slots, point slots) and ignores a call with one outside its range; a function still
// leaves its result. What the commands work on is the program's view of the world.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "engine/base/types.h"
#include "engine/base/worldstate.h"
#include "script/interpreter.h"
#include "script/sdatabase.h"

struct TScriptHostVar {
  const char* Name;
  uint8_t TypeCode;
  void* Host;
};

struct TScriptHostProc {
  const char* Name;
  TScriptRoutine Body;
  const char* ResultType;
  int32_t ParamCount;
  int32_t IsFunction;
};

// Registers the variables and then the procedures, each in its table's order.
void RegisterHostTables(std::span<const TScriptHostVar> vars, std::span<const TScriptHostProc> procs);

// A program's view of the world for the shared bodies. Node slots and point slots are numbered
// 1..NodeSlots and 1..CoordCount; the bodies check the numbers before they call.
struct TScriptWorldView {
  // The placement of a part for "SetRotation" and its kind, and for "OrientObj"; null ignores.
  TPlacement* (*PlacedPart)(int32_t part);
  TPlacement* (*OrientedPart)(int32_t part);
  TVector* Coords;  // element 0 unused
  int32_t CoordCount;
  int32_t NodeSlots;
  // Slot := node Node.
  void (*ReadNode)(int32_t node, int32_t slot);
  // Slot Target := the node after slot Slot; false when there is none.
  bool (*NextNode)(int32_t slot, int32_t target);
  // Out := the point at Dist on the straight link from slot A's node to slot B's.
  void (*PointBetween)(int32_t a, int32_t b, float dist, TVector& out);
  // Out := the point at Dist on the curve of slot A's way built with Segments pieces.
  void (*CurvePoint)(int32_t a, int32_t b, int32_t segments, float dist, TVector& out);
  void (*CopyNode)(int32_t from, int32_t to);
  // Moves the cursor on the link from slot A to slot B at Dist by Step from P (Forward or back);
  // Out receives the point; the slots and Dist receive the cursor's state, also on failure.
  bool (*MoveCursor)(bool forward, int32_t a, int32_t b, float& dist, const TVector& p, float step, TVector& out);
  // Pose := at point A facing from B to A.
  void (*Orient)(TPlacement& pose, const TVector& a, const TVector& b);
};

template <const TScriptWorldView& V>
struct TScriptWorldCommands {
  static bool Coord(int32_t n) { return n >= 1 && n <= V.CoordCount; }
  static bool Slot(int32_t n) { return n >= 1 && n <= V.NodeSlots; }

  // Three fields of a part ("SetPosition": X, Y, Z; "SetRotation": Roll, Gier, Nick): the part,
  // then the three values.
  template <float TPlacement::*A, float TPlacement::*B, float TPlacement::*C>
  static void SetThree() {
    const int32_t part = PopInt();
    const float a = PopFloat(), b = PopFloat(), c = PopFloat();
    if (TPlacement* p = V.PlacedPart(part)) {
      p->*A = a;
      p->*B = b;
      p->*C = c;
    }
  }

  // One angle of a part: the part, then the angle.
  template <float TPlacement::*Angle>
  static void SetAngle() {
    const int32_t part = PopInt();
    const float value = PopFloat();
    if (TPlacement* p = V.PlacedPart(part)) p->*Angle = value;
  }

  static void ReadNode() {
    const int32_t node = PopInt(), slot = PopInt();
    if (Slot(slot)) V.ReadNode(node, slot);
  }

  static void GetNextNode() {
    const int32_t slot = PopInt(), target = PopInt();
    PushInt(Slot(slot) && Slot(target) && V.NextNode(slot, target) ? 1 : 0);
  }

  static void GetCoordPos() {
    const int32_t a = PopInt(), b = PopInt();
    const float dist = PopFloat();
    const int32_t coord = PopInt();
    if (Slot(a) && Slot(b) && Coord(coord)) V.PointBetween(a, b, dist, V.Coords[coord]);
  }

  static void CMBezier() {
    const int32_t a = PopInt(), b = PopInt();
    const float dist = PopFloat();
    const int32_t coord = PopInt();
    if (CurveCommandsOn != 0 && Slot(a) && Slot(b) && Coord(coord))
      V.CurvePoint(a, b, CurveSegments, dist, V.Coords[coord]);
  }

  static void CopyCoord() {
    const int32_t from = PopInt(), to = PopInt();
    if (Coord(from) && Coord(to)) V.Coords[to] = V.Coords[from];
  }

  static void CopyNode() {
    const int32_t from = PopInt(), to = PopInt();
    if (Slot(from) && Slot(to)) V.CopyNode(from, to);
  }

  // "TBC" and "TFC": slot A is the link's start, slot B its end, the referenced float the distance
  // from A toward B, point From the sphere's centre, Step the distance, point To the result.
  template <bool Forward>
  static void TrackCursor() {
    const int32_t a = PopInt(), b = PopInt(), distRef = PopInt(), from = PopInt();
    const float step = PopFloat();
    const int32_t to = PopInt();
    float dist = 0.0f;
    int32_t moved = 0;
    if (Slot(a) && Slot(b) && Coord(from) && Coord(to) && ScriptPointerGetFloat(distRef, dist)) {
      const TVector centre = V.Coords[from];
      moved = V.MoveCursor(Forward, a, b, dist, centre, step, V.Coords[to]) ? 1 : 0;
      ScriptPointerSetFloat(distRef, dist);
    }
    PushInt(moved);
  }

  static void OrientObj() {
    const int32_t part = PopInt(), from = PopInt(), to = PopInt();
    TPlacement* p = V.OrientedPart(part);
    if (p && Coord(from) && Coord(to)) V.Orient(*p, V.Coords[from], V.Coords[to]);
  }

  // Their rows, in the order in which both programs register them.
  static constexpr TScriptHostProc kRows[] = {
      {"SetRotation", SetThree<&TPlacement::Roll, &TPlacement::Gier, &TPlacement::Nick>, "", 4, 0},
      {"SetPosition", SetThree<&TPlacement::X, &TPlacement::Y, &TPlacement::Z>, "", 4, 0},
      {"SetNick", SetAngle<&TPlacement::Nick>, "", 2, 0},
      {"SetGier", SetAngle<&TPlacement::Gier>, "", 2, 0},
      {"SetRoll", SetAngle<&TPlacement::Roll>, "", 2, 0},
      {"ReadNode", ReadNode, "", 2, 0},
      {"GetNextNode", GetNextNode, "Integer", 2, 1},
      {"GetCoordPos", GetCoordPos, "", 4, 0},
      {"CMBezier", CMBezier, "", 4, 0},
      {"CopyCoord", CopyCoord, "", 2, 0},
      {"CopyNode", CopyNode, "", 2, 0},
      {"TBC", TrackCursor<false>, "integer", 6, 1},
      {"TFC", TrackCursor<true>, "integer", 6, 1},
      {"OrientObj", OrientObj, "", 3, 0},
  };
};

// A program's table: its own rows around the shared ones.
std::vector<TScriptHostProc> JoinHostRows(std::initializer_list<std::span<const TScriptHostProc>> parts);

// Commands that take their arguments and do nothing with them.
template <int Ints, int Floats = 0>
void TakeArguments() {
  for (int i = 0; i < Ints; ++i) PopInt();
  for (int i = 0; i < Floats; ++i) PopFloat();
}
inline void DoNothing() {}
