// Drawing a mesh in the current model-view matrix, polygon by polygon in immediate mode, with
// the layer's own back-face test against the local player's camera and its own per-vertex
// directional light (LightDirection, LightScale, AmbientLight). GL lighting and GL face culling
// are never used.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/mesh/mesh.h"

// A colour laid over a whole mesh: red, green, blue, alpha bytes. All four 255 means no tint.
struct TMeshTint {
  uint8_t Red, Green, Blue, Alpha;
  bool operator==(const TMeshTint&) const = default;
};
constexpr TMeshTint kNoTint = {255, 255, 255, 255};

// Drawing modes.
constexpr uint8_t kMeshModeGhost = 0;   // blend mode 2; every polygon white at alpha 130/255, textures kept
constexpr uint8_t kMeshModeWire = 1;    // blend mode 1; outlines in the tint's colour at full alpha, untextured
constexpr uint8_t kMeshModeOpaque = 2;  // blend mode 1; polygon colours (or the tint), textures
constexpr uint8_t kGhostAlpha = 130;

// Draws the mesh (nothing for a null pointer).
//   mode 0 (ghost): as mode 2 with the tint (255, 255, 255, 130) in place of the given one.
//   mode 1 (wire frame): every polygon as a closed outline of lines.
//   mode 2 (opaque): with cull set, a polygon that is not two-sided is skipped when it does not
//     face the camera (edge-on counts as not facing).
//   any other mode: as mode 2, without touching the blend mode.
// A polygon whose kind is neither triangle nor quad, or that names a vertex outside 1..600, is
// skipped. Counters: one mesh a call; a drawn quad 4 vertices and 2 triangles, a drawn triangle
// 3 and 1; in wire frame 4 edges and 5 vertices a polygon.
void Gra_DrawMesh(const TMesh2* mesh, TMeshTint tint, uint8_t mode, bool cull);

// The brightness the software light gives a vertex normal: the normal is turned towards the
// camera when `facing` (the polygon's facing value) is above 0; the result is AmbientLight, plus
// the light term -dot(LightDirection, normal) / LightScale when that is not negative.
float MeshVertexBrightness(const TVector& normal, float facing);
