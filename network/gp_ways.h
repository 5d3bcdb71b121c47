// Way construction services that the editors call to build their test track.
#pragma once

#include <cstdint>

#include "engine/base/types.h"

#pragma pack(push, 1)
// A working copy of a connection point: the first 32 bytes are a connection record image.
struct TMetaconnect {
  uint8_t Waytype;          // 0 road, 1 rail
  uint8_t ConnectUsed;
  uint8_t ConnectBytes[2];
  TVector Position;
  uint8_t ConnectRest[16];
  uint32_t ConnectIndex;    // 0 = a new point
  uint8_t HasDirection;
  uint8_t Pad[3];
  TVector Direction;
  uint8_t Pad2[4];
};
static_assert(sizeof(TMetaconnect) == 56);

// One piece of a planned curve: its planned way (node count and node numbers) and its small mesh.
struct TCurvePiece {
  uint8_t Bytes[1378];
};
static_assert(sizeof(TCurvePiece) == 1378);
#pragma pack(pop)

constexpr int kCurveConnects = 20;
constexpr int kCurvePieces = 19;

// The construction record of a curve.
struct TCurveline {
  uint8_t conzahl = 0;  // number of connects, 1 to 20
  TMetaconnect Connects[kCurveConnects + 1] = {};
  TCurvePiece Pieces[kCurvePieces + 1] = {};  // 1..19
};

// The largest bend per curve piece in radians, by way type (0 road, 1 rail) and variant.
extern float MaxPieceAngle[2][4];

void ResetConstruction(TCurveline& curve);
// Plans the curve from A to B and in mode 1 builds it.
void constructcurve(TCurveline& curve, uint8_t waytype, TMetaconnect a, TMetaconnect b, uint8_t b1,
                    uint16_t w1, uint8_t mode, uint8_t result[6]);
