// Connects: the points where at most two ways meet. A planned end point snaps to a stored connect
// nearby or becomes a new one; a connect may be used only by its way's owner and placed only on
// fitting ground inside the map; a new way leaves an existing one from the side its mesh gives.
// A stored connect always has way A when it has any way; way B is filled second.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/mesh/mesh.h"
#include "engine/world/records.h"
#include "network/construction/curveline.h"
#include "network/construction/result.h"

// The snapping distance: a stored connect closer than this to a planned point is taken.
constexpr float kSnapDistance = 5.0f;

// The map tile of a position: x / 100 and z / 100, each rounded to the nearest integer (halves to even).
void ConnectTile(const TVector& pos, int32_t& tileX, int32_t& tileZ);
// False when 3 <= TileX < 1021 and 3 <= TileZ < 1021: only those tiles hold connects.
bool TileOutsideMap(int32_t tileX, int32_t tileZ);
// Way A of the stored connect has no owner or belongs to ActPlayer (a connect without a way is usable).
bool IsConnectUsable(uint32_t connect);

// The stored connect that Pos snaps to (see the .cpp for the exact precedence), else a new one at
// Pos; then its direction and the place test. Off the map: Result {15} and Meta untouched.
void FindOrCreateConnect(uint8_t waytype, const TVector& pos, TMetaconnect& meta, TConstructResult& result);
// {0} when the place is allowed; a new connect off the map {15}, a road or rail connect on water
// or unbuildable ground (kinds 0..4) {9}, a waytype-3 connect on land (kinds 5..12) {10}; a stored
// connect of another waytype {16}.
void CheckConnectPlace(uint8_t waytype, const TMetaconnect& meta, TConstructResult& result);
// Result {0}, then the direction into the way that already ends at a stored connect; a connect that
// already joins two ways gives {17} and no direction. A connect not yet stored loses its direction,
// junction building and arc step.
void MakeMetaconnectDir(TMetaconnect& meta, TConstructResult& result);
// The direction from the end of a way mesh: End 1 rotate90(vertex 2 - vertex 1) / 2, any other
// rotate90(vertex 4 - vertex 3) / 2.
void MetaconnectDirFromMesh(TMetaconnect& meta, const TMesh2& mesh, uint8_t end);
// After ways were removed: the copy forgets the removed ways, keeps way A filled first, becomes
// not stored when no way is left, and takes its direction from the remaining way's mesh.
void RefreshMetaconnect(TMetaconnect& meta, uint32_t way1, uint32_t way2, uint32_t way3);
// 2 when Connect is the way's first connect, 1 when its second, 0 otherwise.
uint8_t ConnectEnd(const TWay& way, uint32_t connect);
// Reads way A and way B of the stored connect (a record with index 0 where the field is empty);
// 2 when both exist, 1 when one exists, 0 when none.
uint8_t GetConnectWays(uint32_t connect, TWay& wayA, TWay& wayB);
// The position of the stored connect.
TVector ConnectPosition(uint32_t connect);
// The copy of the stored connect: its index and its image.
void LoadConnect(TMetaconnect& meta, uint32_t connect);
// The image back into the pool record at the copy's index.
void WriteBackConnect(const TMetaconnect& meta);
// Stores a copy that is not stored yet (it must have no way) and returns its index.
uint32_t StoreConnect(TMetaconnect& meta);
// Registers the way at the stored connect (way A first, then way B) and reloads the copy.
void AddWayToCon(uint32_t way, TMetaconnect& meta);
// The stored connect within Range of the copy's position, of its waytype, with fewer than two
// ways, at least 1.0 from Avoid and usable; the nearest in pool order wins. Found: the copy becomes
// that connect with its direction.
bool FindNearConnect(TMetaconnect& meta, const TVector& avoid, float range);

// The room that the stored connects of a planned construction have for its new ways. A
// construction names each way its build would add at a point; a stored connect holds the ways its
// copy names and at most two, so a plan that would give one a third way is refused before anything
// is built. A point that is not stored becomes a new connect and is not counted.
class TConnectRoom {
 public:
  // One more way at the point.
  void Add(const TMetaconnect& point);
  // False once some stored connect would hold more than two ways (or more connects were named than
  // the count holds).
  bool Fits() const { return fits_; }

 private:
  struct Entry {
    uint32_t Connect;
    uint8_t Ways;
  };
  static constexpr int kRoom = 24;
  Entry entries_[kRoom] = {};
  int count_ = 0;
  bool fits_ = true;
};

// The image of a connect record in a copy and back.
void ConnectToMeta(const TConnect& c, TMetaconnect& meta);
void MetaToConnect(const TMetaconnect& meta, TConnect& c);
// (x, y, z) -> (-z, y, x): a quarter turn in the ground plane.
TVector Rotate90(const TVector& v);
