// The host procedures through which a building script moves the preview meshes: each takes its
// arguments from the script stack, first argument first, and works on the preview blocks it was
// pointed at. Block numbers outside 1..10 and texture entries outside 1..20 are ignored (their
// arguments are still taken).
#pragma once

#include <array>

#include "apps/brumin/mainform.h"

namespace brumin {

using TPreviewBlocks = std::array<TPreviewBlock, 11>;

// The blocks the procedures move; nullptr: they only take their arguments.
void SetPreviewHostBlocks(TPreviewBlocks* blocks);

// "SetRotation" (block, roll, gier, nick), "SetPosition" (block, x, y, z), "SetNick", "SetGier",
// "SetRoll" (block, angle): the block's script placement.
void SetRotationRoutine();
void SetPositionRoutine();
void SetNickRoutine();
void SetGierRoutine();
void SetRollRoutine();
// "SetTexture" (block, entry, steps): the entry's texture slot moved steps - 1 times along its
// animation ring (not at all for steps <= 1); a slot without a ring steps to 0, which stays 0.
void SetTextureRoutine();
// "GetProducity": 1.0.
void GetProducityRoutine();

}  // namespace brumin
