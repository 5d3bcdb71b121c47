// The limits of way construction: piece lengths and bends by waytype and variant, clearances,
// gradients, gauges and lane offsets. Waytype 0 is road, 1 is rail; the three piece tables are
// indexed by waytype * 3 + variant, where variant 0 is the ordinary limit and variants 1 and 2 are
// the tighter rail limits that some callers of the piece test ask for. Entries never set stay 0.
#pragma once

#include <cstdint>

constexpr uint8_t kWaytypeRoad = 0;
constexpr uint8_t kWaytypeRail = 1;

// The tables that the way unit fills at its start; a program may change an entry afterwards (the
// vehicle editor widens the road's bend limit).
extern float MaxPieceLength[6];
extern float MinPieceLength[6];
extern float MaxPieceAngle[6];   // radians
extern float WayClearance[2];    // added above a piece's highest corner for its height range
extern float MaxWayGradient[2];  // largest |dy| / ground length of one piece

// Full width of the way body by use (road, rail, the third use).
constexpr float WayGauge[3] = {80.0f, 30.0f, 30.0f};
// Factor on the half-gauge side vector that places the two lane nodes.
constexpr float LaneOffset[2] = {0.5f, 0.0f};
constexpr float WayBodyDepth = 20.0f;
constexpr float RouterUnit = 30.0f;

// The entry of a piece table for a waytype and variant.
inline int LimitIndex(uint8_t waytype, uint8_t variant = 0) { return waytype * 3 + variant; }

// The start of the way unit: the tables get their start values, the router and extension picks are
// emptied, the global piece log is cleared and GlobalCurveline logs into it. All of this holds
// already when a program starts (the tables and the global records are constant-initialised);
// tests and the driver call it to undo changes.
void InitWayConstruction();
