#include "network/construction/constructcurve.h"

#include <cstring>
#include <string>

#include "engine/base/diagnostics.h"

void constructcurve(TCurveline& curve, uint8_t waytype, TMetaconnect, TMetaconnect, uint8_t, uint16_t, uint8_t,
                    uint8_t result[6]) {
  if (waytype > 1) SYS_BREAKPROGRAM("Gameplay.constructcurve: call with illegal waytype: " + std::to_string(waytype));
  // The building of curves is not there yet: nothing is planned, so the curve keeps no pieces.
  curve.conzahl = 0;
  if (result) std::memset(result, 0, 6);
}
