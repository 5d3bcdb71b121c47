// The vehicle editor's 3D view: one frame of the scene (ground, test track with its node
// markers, the vehicle's parts, light silhouettes, bounding box, smoke point) and the camera
// steering with the right mouse button. The drawing routines work in the current GL context
// and need no window of their own; the form gathers their inputs (view3d.cpp also holds the
// form's frame and mouse handlers).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/base/types.h"
#include "engine/files/vehiclefile.h"
#include "engine/mesh/mesh.h"
#include "engine/render/fonts.h"
#include "engine/store/nodepool.h"
#include "network/construction/constructcurve.h"

namespace vadrel {

// ---- Mouse navigation

// Reference point of the next move in view pixels: the view centre after a recentre, else the
// last mouse position.
extern int32_t LastMouseX, LastMouseY;
// Set after the program moved the cursor: the next move event only clears it.
extern bool SkipNextMouseMove;

// The camera after a move of (moveX, moveY) view pixels with the right button held (y grows
// downwards). Gier drops a quarter degree per pixel to the right, unwrapped; then Shift raises
// the camera three units per pixel upwards, else Ctrl tilts Nick a quarter degree per pixel
// (kept within -90..90), else the camera walks a fifth of a unit per pixel along its heading
// (upwards is forwards).
TPlacement NavigationStep(const TPlacement& camera, int32_t moveX, int32_t moveY, bool shift, bool ctrl);

// The move handler without its window: a pending skip is used up; without the right button
// the position becomes the reference point; with it the camera takes a navigation step from the
// reference point. True when the camera was moved, so the caller must recentre.
bool ViewMouseMove(TPlacement& camera, int32_t x, int32_t y, bool rightHeld, bool shift, bool ctrl);

// The reference point becomes the centre of a view of the given size (each side halved toward
// zero) and the next move event will be skipped. Moving the cursor there is the caller's part.
void ViewRecentre(int32_t viewWidth, int32_t viewHeight);

// ---- The frame

// "X:600.0    Y:130.0    Z:240.0    NICK:-20.0    GIER:140.0    ROLL:0.0"
std::string CoordsText(const TPlacement& camera);

// The bounding box as the frame draws it: four corners (x and z are used) and the heights.
struct TViewBox {
  TVector Corners[4];
  float Top, Bottom;
};

// Everything the frame draws after the view is set up. Arrays are 1-based (element 0 unused).
struct TViewScene {
  int32_t GrassTexture = 0;
  int32_t SmokeTexture = 0;
  TFont3D* NodeFont = nullptr;
  const TMesh2* RoadPieceMeshes = nullptr;
  const TCurvePiece* RoadPieces = nullptr;
  int32_t RoadPieceCount = 0;
  const TMesh2* RailPieceMeshes = nullptr;
  const TCurvePiece* RailPieces = nullptr;
  int32_t RailPieceCount = 0;
  bool ShowNodes = false;
  const TMesh2* Parts[15] = {};  // the placed part meshes 1..14; null = not shown
  TPlacement Part1Placement{};  // the frame of the light silhouettes, the box and the smoke
  bool ShowLights = false;
  const TVehicleInfo* Lights = nullptr;
  TViewBox Box{};
  bool Smoking = false;
  TVector SmokePosition{};
};

// Clears the frame and sets the view values for a view of the given pixel size (60 degrees
// vertical, near 5, far 2000), the projection, depth test, the camera and the zero transform.
void BeginViewFrame(const TPlacement& camera, int32_t width, int32_t height);
// Draws the scene in order: ground, road, road nodes, rail, rail nodes, vehicle parts, then in
// part 1's frame the light silhouettes and the bounding box, then the smoke point.
void DrawViewScene(const TViewScene& scene, const TPlacement& camera);

// The ground: 31 x 31 squares of 50 units at height -3 from -750 to 800 in x and z.
void DrawGround(int32_t grassTexture);
// Each piece mesh 1..count, opaque, untinted, without culling.
void DrawWayPieces(const TMesh2* meshes, int32_t count);
// A post and a label for every node of every piece's way; rail labels of even nodes stand one
// text height higher.
void DrawNodeMarkers(const TCurvePiece* pieces, int32_t count, bool rail, TFont3D* font);

// The node numbers of a curve piece's planned way, in list order (at most 100).
std::vector<uint32_t> PieceNodes(const TCurvePiece& piece);
// "Node 12", then " B" and the first previous node when it has one, " N" and the first next node.
std::string NodeLabel(uint32_t number, const TNode& node);

// The outline quads (P, Q, Q', P') and the points of the light silhouettes of a vehicle record.
// A light is drawn when it is active and its first, last and centre points all lie in 1..51.
struct TLightGeometry {
  std::vector<std::array<TVector, 4>> Quads;
  std::vector<TVector> Points;  // every point used, each once, in point order
};
TLightGeometry LightSilhouettes(const TVehicleInfo& info);
void DrawLightSilhouettes(const TVehicleInfo& info);
// Four thin quads per side of the box, as outlines.
void DrawBoundingBox(const TViewBox& box);
// The smoke square at `position` in part 1's frame (z turned round), facing the camera.
void DrawSmokeMarker(int32_t smokeTexture, const TPlacement& part1, const TVector& position, const TPlacement& camera);

// `out` := `source` turned by the placement's Roll (about z), Nick (about x) and Gier (about y),
// positions and normals alike, then moved by its X, Y, Z. The source is left as it was, so a
// part placed anew every frame never drifts.
void PlacePartMesh(const TMesh2& source, const TPlacement& placement, TMesh2& out);

}  // namespace vadrel
