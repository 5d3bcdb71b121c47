// Town building placement: towns build by themselves. A background process walks the town
// streets, and wherever a town wishes for a building type it tries to stand a building of that
// type beside the street, front to the street, sliding it along the street side until the ground,
// the water and every nearby building and way allow it, and then builds it for the town.
//
// The process is incremental: the simulation step calls PP_Placebuilding once a tick, each call
// does a bounded amount of work and leaves its place in the process record (world state), and the
// next call resumes there. Its progress and its reasons for giving up a spot go to status line 1.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/base/types.h"
#include "engine/world/records.h"

#pragma pack(push, 1)

// An object the attempts on one street have collided with: its kind word (kARTypeBuilding or
// kARTypeWay) and its index.
struct TPlacementCollision {
  uint32_t Kind;
  uint32_t Index;
};
static_assert(sizeof(TPlacementCollision) == 8);

// The placement process record. Steps: 0 find a street, 1 start the street, 3 collect its
// buildings, 2 start a side, 4 fit a front, 5 ground tests and sliding, 6 collision tests, 7 build.
struct TPPPlacebuilding {
  uint8_t Failed;  // 1 when the last attempt ended without a building
  uint8_t Ended;   // 1 when an attempt has ended
  uint8_t Side;    // the street side being filled: 1 or 2
  uint32_t Way;    // the street way; 0 starts from the first way
  uint16_t BuildingType;
  TVector Position;  // the candidate's reference point
  float Angle;       // the candidate's rotation (radians)
  float SinAngle, CosAngle;
  TVector SideVector;  // the street side edge, from its start vertex to its end vertex
  TVector SideFlat;    // SideVector with y = 0
  float SideLength, FlatLength;
  TVector FlatUnit;   // SideFlat / FlatLength
  TVector Direction;  // SideVector / FlatLength: one unit along the ground per unit
  float Shift;        // distance of the candidate's front start from the side's start, along the ground
  TVector Front;      // the type's front edge in building coordinates
  uint8_t FrontCorner, FrontCorner2;  // the front edge's corners (1..4)
  uint32_t ScanCursor;                // the store cursor of the building and way scans
  float FrontWidth;
  uint8_t FrontCollision;  // the last collision was with a building on this street side
  TVector StartPoint;      // the street side's start vertex
  TVector FrontStart, FrontEnd;
  uint8_t TestSelector;  // the next collision test: 1..5, 0 all passed
  TVector CandidateQuad[4];
  TVector OtherQuad[4];
  float Ranges[4];  // candidate top, candidate bottom, other top, other bottom
  TVector Corners[4];
  uint8_t CornerFlags;  // +2 the edge before the front is also a front edge, +4 the edge after it
  float CornerAngleBefore, CornerAngleAfter;
  float AngleLow, AngleHigh;  // the crossing corner's angle, less and plus 0.132
  uint8_t Backward;           // slide from the side's end toward its start
  TWay NextWay;               // the way that continues the street side at a crossing (Index 0 none)
  uint8_t NextWaySide;
  uint32_t WayCount;
  uint32_t Ways[10];  // the ways met at the street's connects
  uint16_t CandidateCount;
  uint16_t Candidates[255];  // the building types still to try on this side
  uint8_t Step;
  uint8_t Alignment;  // 1 plain street side; 2 or 3 the side ends at a crossing corner
  uint32_t StreetBuildings[30];
  uint8_t StreetBuildingCount, StreetCursor;  // the cursor is 1-based
  TPlacementCollision Collisions[10];
  uint8_t CollisionCount, CollisionCursor;  // the cursor is 1-based
  uint8_t Owner;                             // of the buildings placed: always 0, the town
  uint8_t StartEnd, EndEnd;                  // the connect of the way (1 or 2) at the side's start and end
  float StartMargin, EndMargin;              // -30.0 at a dead end, +30.0 otherwise
};
static_assert(sizeof(TPPPlacebuilding) == 1673);

#pragma pack(pop)

// The process record of the game (world state).
extern TPPPlacebuilding PlaceBuildingProcess;

// The room of the record's lists.
constexpr int kPlacementStreetBuildings = 30;
constexpr int kPlacementCollisions = 10;
constexpr int kPlacementWays = 10;
// How far a street end lets a building reach: past a junction's end vertex, short of a dead end.
constexpr float kStreetEndMargin = 30.0f;
// A building farther than this from the candidate (ground plane) is not tested.
constexpr float kPlacementNearby = 1500.0f;

// One batch of work, resumed at P.Step. A step above 7 stops the program with "Invalid instruction
// pointer in PP_Placebuilding"; a street or next way that has vanished resets the process.
void PP_Placebuilding(TPPPlacebuilding& p);
// Clears the whole record: Ended 1, status line 1 "Resetted"; the search starts again from the
// first way.
void ResetPlaceBuilding(TPPPlacebuilding& p);
// The delete hook of ways: when WayIndex is the street, its next way or one of the ways at its
// connects, the attempt ends as failed with "The street has disappeared..." (the next call finds
// the street gone and resets).
void PP_StreetDeleted(TPPPlacebuilding& p, uint32_t wayIndex);

// Whether building type T may stand along Way: the one-per-map rule, the town's size against the
// type's bounds (four in five streets, by the way's index) and the street's zone and class.
bool TypeSuitsStreet(uint8_t type, const TWay& way);

// The record's share of the world's state hash, field by field, through any writer with U8, U16,
// U32, F32, Vec and Bytes (the world state's THashWriter).
template <class Writer>
void HashPlaceBuilding(const TPPPlacebuilding& p, Writer& h) {
  h.U8(p.Failed);
  h.U8(p.Ended);
  h.U8(p.Side);
  h.U32(p.Way);
  h.U16(p.BuildingType);
  h.Vec(p.Position);
  for (float v : {p.Angle, p.SinAngle, p.CosAngle}) h.F32(v);
  h.Vec(p.SideVector);
  h.Vec(p.SideFlat);
  h.F32(p.SideLength);
  h.F32(p.FlatLength);
  h.Vec(p.FlatUnit);
  h.Vec(p.Direction);
  h.F32(p.Shift);
  h.Vec(p.Front);
  h.U8(p.FrontCorner);
  h.U8(p.FrontCorner2);
  h.U32(p.ScanCursor);
  h.F32(p.FrontWidth);
  h.U8(p.FrontCollision);
  h.Vec(p.StartPoint);
  h.Vec(p.FrontStart);
  h.Vec(p.FrontEnd);
  h.U8(p.TestSelector);
  for (int k = 0; k < 4; ++k) h.Vec(p.CandidateQuad[k]);
  for (int k = 0; k < 4; ++k) h.Vec(p.OtherQuad[k]);
  for (int k = 0; k < 4; ++k) h.F32(p.Ranges[k]);
  for (int k = 0; k < 4; ++k) h.Vec(p.Corners[k]);
  h.U8(p.CornerFlags);
  for (float v : {p.CornerAngleBefore, p.CornerAngleAfter, p.AngleLow, p.AngleHigh}) h.F32(v);
  h.U8(p.Backward);
  // The next way is a copy of a store record: hashed as its stored image is.
  uint8_t image[sizeof(TWay)];
  std::memcpy(image, &p.NextWay, sizeof(TWay));
  h.Bytes(image, sizeof(image));
  h.U8(p.NextWaySide);
  h.U32(p.WayCount);
  for (int k = 0; k < kPlacementWays; ++k) h.U32(p.Ways[k]);
  h.U16(p.CandidateCount);
  for (int k = 0; k < 255; ++k) h.U16(p.Candidates[k]);
  h.U8(p.Step);
  h.U8(p.Alignment);
  for (int k = 0; k < kPlacementStreetBuildings; ++k) h.U32(p.StreetBuildings[k]);
  h.U8(p.StreetBuildingCount);
  h.U8(p.StreetCursor);
  for (int k = 0; k < kPlacementCollisions; ++k) {
    h.U32(p.Collisions[k].Kind);
    h.U32(p.Collisions[k].Index);
  }
  h.U8(p.CollisionCount);
  h.U8(p.CollisionCursor);
  h.U8(p.Owner);
  h.U8(p.StartEnd);
  h.U8(p.EndEnd);
  h.F32(p.StartMargin);
  h.F32(p.EndMargin);
}
