// The building editor's 3D view: one frame of the building's preview (its meshes at their row and
// script placements, the bounding box bands, the smoke marker, the nodes as turning spheres with
// their links and numbers, the way strip of a wayed building) and the camera steering with the
// right mouse button. The drawing routines work in the current GL context with the matrices the
// view driver set up; the form gathers their inputs (view3d.cpp also holds the form's handlers).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "apps/brumin/fonts.h"
#include "apps/brumin/gldriver.h"
#include "apps/brumin/preview.h"
#include "engine/base/types.h"

namespace brumin {

// ---- Mouse navigation

// Where the next move is measured from, in view pixels, and whether it is only the echo of the
// cursor put back to the centre (the form's mouse handlers keep them).
extern int32_t ViewCentreX, ViewCentreY;
extern bool IgnoreMouseMove;

// The camera after a move of (h, v) view pixels with the right button held (v grows downwards):
// Gier grows a quarter degree per pixel to the right, unwrapped; then Shift raises the camera
// three units per pixel upwards, else Ctrl tilts Nick a quarter degree per pixel downwards (kept
// within -90..90), else the camera walks a fifth of a unit per pixel along its heading (upwards is
// forwards), and its direction becomes that heading, (sin Gier, 0, -cos Gier).
TObserver NavigationStep(const TObserver& camera, int32_t h, int32_t v, bool shift, bool ctrl);

// ---- The frame

// "X : 0.0 Y : 0.0 Z : 30.0 NICK : 0.0 GIER : 0.0 ROLL : 0.0"
std::string CoordsText(const TObserver& camera);

// The bounding box as the pages give it: the x and z of corners 1..4 (at 0..3), the top and bottom
// heights, and which sides (side s from corner s to the next) are fronts.
struct TBoxBands {
  std::array<float, 4> X{}, Z{};
  float Top = 0.0f, Bottom = 0.0f;
  std::array<bool, 4> Fronts{};
};

// Everything one frame draws after the driver set up the camera.
struct TBuildingScene {
  const TPreviewBlocks* Blocks = nullptr;
  TBoxBands Box;
  bool Smoking = false;
  TVector SmokePoint{};
  uint16_t SmokeTexture = 0;
  bool ShowNodes = false;
  const TPreviewNodes* Nodes = nullptr;
  uint16_t SphereTexture = 0;
  TFont3D* Font = nullptr;
  const TWayPreview* Way = nullptr;
  float CameraGier = 0.0f;
  uint32_t Ticks = 0;  // the millisecond clock; the spheres turn one degree per 10 ms
};

// Draws the scene in order: meshes, box bands, smoke marker, nodes (when shown), way strip (when
// visible). Texturing is on at the start.
void DrawBuildingScene(const TBuildingScene& scene);

// Each loaded block: moved and turned (Gier, Nick, Roll) by its row placement, then by its script
// placement, drawn untinted.
void DrawPreviewMeshes(const TPreviewBlocks& blocks);
// Per side a batch of four 3-unit bands: along the bottom, along the top and up both corners;
// cyan for a front, else red. Untextured.
void DrawBoxBands(const TBoxBands& box);
// The 16 x 16 smoke square at the smoke point in block 1's frame (row placement, then the
// script's), turned to face the camera.
void DrawSmokeMarker(const TPreviewBlock& block1, const TVector& smokePoint, uint16_t smokeTexture, float cameraGier);
// The visible nodes: a textured sphere of radius 2 turned by the clock, the lines to the linked
// nodes the table holds, then every number (waypoints: their captions) facing the camera.
void DrawNodes(const TPreviewNodes& nodes, uint16_t sphereTexture, TFont3D* font, float cameraGier, uint32_t ticks);
// The strip's four upper edges, the four edges 20 units below and the four verticals, smooth red
// lines.
void DrawWayStrip(const TWayPreview& way);

// The colour of a node's sphere (label false) or number (label true) by its kind; false, and
// nothing written, for a kind the table does not name.
bool NodeColour(int32_t kind, bool label, float rgb[3]);
// A node's text: its number, or for the waypoints -1 and -2 (kind 100) their captions.
std::string NodeText(int32_t node, int32_t kind);
// The degrees the spheres are turned by at a clock value.
float SphereTurn(uint32_t ticks);

// A sphere about the origin, its poles on the z axis: `stacks` quad strips from +z to -z of
// `slices` quads each, with smooth normals and texture coordinates that wrap once around.
void DrawSphere(float radius, int32_t slices, int32_t stacks);

}  // namespace brumin
