#include "network/construction/connects.h"

#include <cmath>
#include <cstring>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/connectpool.h"

namespace {

bool IsStoredConnect(uint32_t index) { return index >= 1 && index <= ConnectArrayCount; }

// A way mesh is large; construction reads one at a time.
TMesh2& MeshBuffer() {
  static TMesh2 buffer;
  return buffer;
}

}  // namespace

TVector Rotate90(const TVector& v) { return {-v.z, v.y, v.x}; }

void ConnectToMeta(const TConnect& c, TMetaconnect& meta) {
  meta.Waytype = c.WayType;
  meta.ConnectUsed = c.Used;
  meta.ConnectBytes[0] = c.NetBytes[0];
  meta.ConnectBytes[1] = c.NetBytes[1];
  meta.Position = c.Position;
  std::memcpy(&meta.ArcStep, &c.NetValue, sizeof(float));
  meta.WayA = c.WayA;
  meta.WayB = c.WayB;
  meta.JunctionBuilding = c.JunctionBuilding;
}

void MetaToConnect(const TMetaconnect& meta, TConnect& c) {
  c.WayType = meta.Waytype;
  c.Used = meta.ConnectUsed;
  c.NetBytes[0] = meta.ConnectBytes[0];
  c.NetBytes[1] = meta.ConnectBytes[1];
  c.Position = meta.Position;
  std::memcpy(&c.NetValue, &meta.ArcStep, sizeof(float));
  c.WayA = meta.WayA;
  c.WayB = meta.WayB;
  c.JunctionBuilding = meta.JunctionBuilding;
}

void ConnectTile(const TVector& pos, int32_t& tileX, int32_t& tileZ) {
  tileX = RoundToInt(static_cast<long double>(pos.x) / 100.0L);
  tileZ = RoundToInt(static_cast<long double>(pos.z) / 100.0L);
}

bool TileOutsideMap(int32_t tileX, int32_t tileZ) {
  return !(tileX >= 3 && tileX < 1021 && tileZ >= 3 && tileZ < 1021);
}

bool IsConnectUsable(uint32_t connect) {
  const uint32_t wayA = ConnectByIndex(connect).WayA;
  if (wayA == 0) return true;
  TWay w{};
  w.A_Read(wayA);
  return w.Owner == 0 || w.Owner == ActPlayer;
}

// The first usable connect within 5.0 is taken whatever its waytype; a later one replaces it only
// when it lies inside the square of the current best distance, has the requested waytype, and is
// nearer or the chosen one has a foreign waytype. Every stored connect is looked at, in pool order.
void FindOrCreateConnect(uint8_t waytype, const TVector& pos, TMetaconnect& meta, TConstructResult& result) {
  int32_t tileX, tileZ;
  ConnectTile(pos, tileX, tileZ);
  if (TileOutsideMap(tileX, tileZ)) {
    result.Assign(15);
    return;
  }
  float best = kSnapDistance;
  uint32_t chosen = 0;
  uint8_t chosenType = 0;
  for (uint32_t c = FindNextConnect(0); c != 0; c = FindNextConnect(c)) {
    const TConnect& con = ConnectByIndex(c);
    if (!(std::fabs(con.Position.x - pos.x) < best && std::fabs(con.Position.z - pos.z) < best)) continue;
    const long double d = VecDistance(con.Position, pos);
    if (!(d < kSnapDistance)) continue;
    if (chosen != 0) {
      if (con.WayType != waytype) continue;
      if (d >= best && chosenType == waytype) continue;
    }
    if (IsConnectUsable(c)) {
      chosen = c;
      chosenType = con.WayType;
      best = static_cast<float>(d);
    }
  }
  if (chosen == 0) {
    meta = TMetaconnect{};
    meta.Waytype = waytype;
    meta.Position = pos;
  } else {
    LoadConnect(meta, chosen);
  }
  MakeMetaconnectDir(meta, result);
  if (result.Ok()) CheckConnectPlace(waytype, meta, result);
}

void CheckConnectPlace(uint8_t waytype, const TMetaconnect& meta, TConstructResult& result) {
  if (meta.ConnectIndex == 0) {
    int32_t tileX, tileZ;
    ConnectTile(meta.Position, tileX, tileZ);
    if (TileOutsideMap(tileX, tileZ)) {
      result.Assign(15);
      return;
    }
    const uint8_t ground = GroundMap[tileX][tileZ];
    if ((waytype == 0 || waytype == 1) && ground <= 4) {
      result.Assign(9);
      return;
    }
    if (waytype == 3 && ground >= 5 && ground <= 12) {
      result.Assign(10);
      return;
    }
  } else if (meta.Waytype != waytype) {
    result.Assign(16);
    return;
  }
  result = TConstructResult::Success();
}

void MakeMetaconnectDir(TMetaconnect& meta, TConstructResult& result) {
  result = TConstructResult::Success();
  if (meta.ConnectIndex == 0) {
    meta.HasDirection = 0;
    meta.JunctionBuilding = 0;
    meta.ArcStep = 0.0f;
    return;
  }
  TWay wayA{}, wayB{};
  const uint8_t ways = GetConnectWays(meta.ConnectIndex, wayA, wayB);
  if (ways == 2) {
    result.Assign(17);
    meta.HasDirection = 0;
    return;
  }
  if (ways == 0) return;
  const TWay& way = wayA.Index != 0 ? wayA : wayB;
  const uint8_t end = ConnectEnd(way, meta.ConnectIndex);
  if (way.Mesh == 0)
    SYS_BREAKPROGRAM("Error in gp_ways.MakeMetaconnectDir - way has no mesh (tried to connect to virtual way?)");
  TMesh2& mesh = MeshBuffer();
  mesh.A_Read(way.Mesh);
  const TMeshVertex& v = mesh.Vertex(end == 2 ? 2 : 4);
  TVector corner{v.x, v.y, v.z}, d;
  VecSub(corner, meta.Position, d);
  meta.Direction = Rotate90(d);
  meta.HasDirection = 1;
}

void MetaconnectDirFromMesh(TMetaconnect& meta, const TMesh2& mesh, uint8_t end) {
  const TMeshVertex& a = mesh.Vertex(end == 1 ? 1 : 3);
  const TMeshVertex& b = mesh.Vertex(end == 1 ? 2 : 4);
  TVector d{b.x - a.x, b.y - a.y, b.z - a.z};
  VecScale(Rotate90(d), meta.Direction, 0.5f);
  meta.HasDirection = 1;
}

void RefreshMetaconnect(TMetaconnect& meta, uint32_t way1, uint32_t way2, uint32_t way3) {
  meta.HasDirection = 0;
  if (meta.ConnectIndex == 0) return;
  for (uint32_t* field : {&meta.WayA, &meta.WayB}) {
    if (*field == way1 || *field == way2 || *field == way3) *field = 0;
  }
  if (meta.WayA == 0) {
    meta.WayA = meta.WayB;
    meta.WayB = 0;
  }
  if (meta.WayA == 0) {
    meta.ConnectIndex = 0;
    return;
  }
  TWay way{};
  way.A_Read(meta.WayA);
  if (way.Mesh == 0) return;
  TMesh2& mesh = MeshBuffer();
  mesh.A_Read(way.Mesh);
  const int count = way.ConnectionCounter < 10 ? way.ConnectionCounter : 10;
  for (int i = 1; i <= count; ++i) {
    if (way.Connections[i - 1] == meta.ConnectIndex) MetaconnectDirFromMesh(meta, mesh, static_cast<uint8_t>(i));
  }
}

uint8_t ConnectEnd(const TWay& way, uint32_t connect) {
  if (way.Connections[0] == connect) return 2;
  if (way.Connections[1] == connect) return 1;
  return 0;
}

uint8_t GetConnectWays(uint32_t connect, TWay& wayA, TWay& wayB) {
  TConnect c;
  GetConnect(c, connect);
  wayA = TWay{};
  wayB = TWay{};
  if (c.WayA != 0) wayA.A_Read(c.WayA);
  if (c.WayB != 0) wayB.A_Read(c.WayB);
  const int count = (c.WayA != 0) + (c.WayB != 0);
  return static_cast<uint8_t>(count);
}

TVector ConnectPosition(uint32_t connect) {
  TConnect c{};
  GetConnect(c, connect);
  return c.Position;
}

void LoadConnect(TMetaconnect& meta, uint32_t connect) {
  TConnect c;
  GetConnect(c, connect);
  meta.ConnectIndex = connect;
  ConnectToMeta(c, meta);
}

void WriteBackConnect(const TMetaconnect& meta) {
  if (!IsStoredConnect(meta.ConnectIndex))
    SYS_BREAKPROGRAM("Error in gp_ways.WriteBackConnect: This Con is not stored");
  MetaToConnect(meta, ConnectByIndex(meta.ConnectIndex));
}

uint32_t StoreConnect(TMetaconnect& meta) {
  if (meta.ConnectIndex == 0) {
    if (meta.WayA != 0) SYS_BREAKPROGRAM("Error: a not-stored connect cannot have a way");
    TConnect c{};
    MetaToConnect(meta, c);
    meta.ConnectIndex = AddConnect(c);
    meta.ConnectUsed = ConnectByIndex(meta.ConnectIndex).Used;  // the copy stays the image of the record
  }
  return meta.ConnectIndex;
}

void AddWayToCon(uint32_t way, TMetaconnect& meta) {
  if (meta.ConnectIndex == 0) SYS_BREAKPROGRAM("Error in gp_ways.AddWayToCon: This Con is not stored");
  TConnect c;
  GetConnect(c, meta.ConnectIndex);
  if (c.WayB != 0) SYS_BREAKPROGRAM("Error in gp_ways.AddWayToCon: This Con has already 2 Ways");
  if (c.WayA == way)
    SYS_BREAKPROGRAM("Error in gp_ways.AddWayToCon: This Con has already Way nr " + std::to_string(way));
  TConnect& stored = ConnectByIndex(meta.ConnectIndex);
  if (stored.WayA != 0)
    stored.WayB = way;
  else
    stored.WayA = way;
  LoadConnect(meta, meta.ConnectIndex);
}

bool FindNearConnect(TMetaconnect& meta, const TVector& avoid, float range) {
  const TVector from = meta.Position;
  const uint8_t waytype = meta.Waytype;
  bool found = false;
  for (uint32_t c = FindNextConnect(0); c != 0; c = FindNextConnect(c)) {
    const TConnect& con = ConnectByIndex(c);
    if (con.WayType != waytype || ConnectWayCount(con) >= 2) continue;
    const long double d = VecDistance(con.Position, from);
    if (!(d < range) || VecDistance(con.Position, avoid) < 1.0L || !IsConnectUsable(c)) continue;
    LoadConnect(meta, c);
    TConstructResult ignored;
    MakeMetaconnectDir(meta, ignored);
    range = static_cast<float>(d);
    found = true;
  }
  return found;
}

void TConnectRoom::Add(const TMetaconnect& point) {
  if (point.ConnectIndex == 0) return;
  Entry* entry = nullptr;
  for (int i = 0; i < count_; ++i) {
    if (entries_[i].Connect == point.ConnectIndex) entry = &entries_[i];
  }
  if (entry == nullptr) {
    if (count_ == kRoom) {
      fits_ = false;
      return;
    }
    entry = &entries_[count_++];
    entry->Connect = point.ConnectIndex;
    entry->Ways = static_cast<uint8_t>((point.WayA != 0) + (point.WayB != 0));
  }
  if (++entry->Ways > 2) fits_ = false;
}
