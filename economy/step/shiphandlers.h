// The command handlers of the water tools: a coast building (command 17), a harbour (18) and a
// ship landing (19). Each has the two forms of every construction handler: Source 1, called by the
// user interface while the player points, previews under the mouse and on a click (Execute 1) that
// succeeded posts the command for LocalPlayer; Source 0, called by the command queue with the
// payload, builds on behalf of ActPlayer.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "network/construction/result.h"

// The coast building from A to B. R starts as {30}; interactively B is the terrain point under the
// mouse (PlacementPoints[1]; none: {2}).
void BuildCoastBuilding(const TVector& a, const TVector& b, uint8_t source, uint8_t execute, TConstructResult& r);
// The harbour quay from A to B, as BuildCoastBuilding.
void PlaceHarbour(const TVector& a, const TVector& b, uint8_t source, uint8_t execute, TConstructResult& r);
// A landing at the harbour under the ray: no harbour there gives {29}. Interactively the target is
// the terrain point under the mouse (PlacementPoints[0]; none: {2}); the ray and the target are
// posted.
void BuildShipLanding(const TVector& rayStart, const TVector& rayDir, const TVector& target, uint8_t source,
                      uint8_t execute, TConstructResult& r);

// Puts the three handlers into the command queue's table.
void InstallShipHandlers();
