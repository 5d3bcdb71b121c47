// Way construction services that the editors call to build their test track.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "network/construction/curveline.h"
#include "network/construction/limits.h"
#include "network/construction/result.h"

// Plans the curve from A to B and in mode 1 builds it.
void constructcurve(TCurveline& curve, uint8_t waytype, TMetaconnect a, TMetaconnect b, uint8_t b1,
                    uint16_t w1, uint8_t mode, uint8_t result[6]);
