// The signal commands: a signal pair placed at a connect between two finished rail ways of the
// acting player (a click on a pair that stands switches its one-way direction), and a pair
// removed. The blocks on either side follow (network/track/blocks.h).
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "network/construction/result.h"

// The connect is the one a rail end point at Point snaps to. A new pair: R {0}, the block across
// the connect split. A standing pair cycles its one-way flags (lane-start signal, lane-end signal)
// (0, 0) -> (1, 0) -> (0, 1) -> (0, 0): R {0}. Refused: R is the empty set.
void PlaceSignal(const TVector& point, TConstructResult& r);
// Removes the pair at the connect that Point snaps to, merging the blocks on its two sides: R {0};
// refused (no rail connect of two ways of the acting player with a signal): R {2}.
void RemoveSignal(const TVector& point, TConstructResult& r);
// The signal of kind 1 at the node (a node that has one keeps it): red, two-way, without block
// or partner. It stands 21 units (0.7 rail gauges) ahead along the node's first next link and as
// far beside it (that direction turned a quarter to (-z, x)), turned to the link's heading. Its
// index.
uint32_t CreateSignal(uint32_t node);
