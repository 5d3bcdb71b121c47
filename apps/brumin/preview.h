// What the building editor's 3D view shows of the building, built from the pages when the author
// changes page: the preview meshes with their placements, the nodes with their links (and, for a
// wayed building, the two waypoints, the four generated way nodes and the corners of the way
// strip), and the box that "AutoBound" finds around the loaded meshes. Nothing here uses Qt.
#pragma once

#include <array>
#include <cstdint>

#include "apps/brumin/meshes.h"
#include "engine/base/types.h"

namespace brumin {

// Where a preview mesh sits: angles in degrees, Nick about x, Gier about the vertical y, Roll about z.
struct TPreviewPlacement {
  float X = 0.0f, Y = 0.0f, Z = 0.0f, Nick = 0.0f, Gier = 0.0f, Roll = 0.0f;
};

// One mesh of the 3D view (the blocks live on the heap: a mesh block is large).
struct TPreviewBlock {
  bool Loaded = false;
  TMeshBlock Mesh{};
  TPreviewPlacement RowPlacement;     // from the block's mesh row
  TPreviewPlacement ScriptPlacement;  // set by the script, zero after every preview rebuild
};

// Blocks 1..10; element 0 unused.
using TPreviewBlocks = std::array<TPreviewBlock, 11>;

// Kind: 1 station + 2 switcher + 4 scripted, or a waypoint.
constexpr int32_t kWaypointKind = 100;

struct TPreviewNode {
  float X = 0.0f, Y = 0.0f, Z = 0.0f;
  int32_t Kind = 0;
  int32_t Next1 = 0, Next2 = 0;  // node numbers; 0 = none
  bool Visible = false;
};

// Entries -2..100: 1..100 mirror the node grid, -1 and -2 are the waypoints of a wayed building,
// 0 is never shown.
struct TPreviewNodes {
  static constexpr int32_t kFirst = -2, kLast = 100;
  std::array<TPreviewNode, kLast - kFirst + 1> Entries{};

  static bool Has(int32_t k) { return k >= kFirst && k <= kLast; }
  TPreviewNode& operator[](int32_t k) { return Entries[static_cast<size_t>(k - kFirst)]; }
  const TPreviewNode& operator[](int32_t k) const { return Entries[static_cast<size_t>(k - kFirst)]; }
};

// A link the view draws: one naming an entry of the node table other than 0. Links the table has
// no entry for (a node number typed or loaded out of range) are not followed.
bool LinkFollowed(int32_t link);

// One row of the node grid as its texts and boxes give it.
struct TNodeRow {
  float X = 0.0f, Y = 0.0f, Z = 0.0f;
  int32_t Next1 = 0, Next2 = 0;
  bool Station = false, Switcher = false, Scripted = false;
};

// The way type choice of a wayed building, in the order of its items.
enum TWayType : int32_t { wtNone = 0, wtRail = 1, wtRoad = 2 };

struct TWayedSettings {
  bool Wayed = false;
  TVector Waypoint1{}, Waypoint2{};  // the point rows the two waypoint numbers name
  int32_t WayType = wtNone;          // an item index; any other number counts as no way
};

// The way drawing of a wayed building: the four corners of its strip.
struct TWayPreview {
  std::array<TVector, 4> WayEdgePoints{};
  bool WayPreviewVisible = false;
};

// Rebuilds the node entries from rows 1..100 (element 0 unused) and, for a wayed building, the
// waypoints, the four way nodes that lie on both sides of the line between them and the corners
// of the strip. The waypoint entries keep their values while the building is not wayed; the way
// nodes' grid links stand unless they are 0.
void BuildPreviewNodes(const std::array<TNodeRow, 101>& rows, const TWayedSettings& way, TPreviewNodes& nodes,
                       TWayPreview& strip);

// Dst := Src turned by the angles (degrees) that are not exactly 0, in the order Z, X, Y.
void RotateVectorDeg(const TVector& Src, TVector& Dst, float AngleX, float AngleY, float AngleZ);

struct TAutoBound {
  TVector Min, Max;
};
// The box of the vertices of the loaded blocks, each turned and moved by its row placement (the
// script's placement plays no part). The minimum starts at 16,777,215 and the maximum at 0 on
// every axis, so the box always reaches 0 on its upper side, and with no mesh it stays there.
TAutoBound AutoBound(const TPreviewBlocks& blocks);

}  // namespace brumin
