#include "network/gp_ways.h"

#include <cstring>

#include "engine/base/diagnostics.h"

float MaxPieceAngle[2][4] = {{0.20943951f, 0.20943951f, 0.20943951f, 0.20943951f},
                             {0.20943951f, 0.20943951f, 0.20943951f, 0.20943951f}};

void ResetConstruction(TCurveline& curve) {
  curve.conzahl = 0;
  std::memset(curve.Connects, 0, sizeof(curve.Connects));
  std::memset(curve.Pieces, 0, sizeof(curve.Pieces));
}

void constructcurve(TCurveline& curve, uint8_t waytype, TMetaconnect, TMetaconnect, uint8_t, uint16_t, uint8_t,
                    uint8_t result[6]) {
  if (waytype > 1) SYS_BREAKPROGRAM("Gameplay.constructcurve: call with illegal waytype: " + std::to_string(waytype));
  // The way construction is not there yet: nothing is planned, so the curve keeps no pieces.
  curve.conzahl = 0;
  if (result) std::memset(result, 0, 6);
}
