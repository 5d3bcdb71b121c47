#include "network/world/terrain.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/base/worldstate.h"

const int kNeighbourDX[8] = {0, 1, 1, 1, 0, -1, -1, -1};
const int kNeighbourDZ[8] = {-1, -1, 0, 1, 1, 1, 0, -1};

TTileFan TileFan;

namespace {

// The ring's diamond around the vertex, in world units.
constexpr float kRingOffsetX[8] = {0.0f, 50.0f, 100.0f, 50.0f, 0.0f, -50.0f, -100.0f, -50.0f};
constexpr float kRingOffsetZ[8] = {-100.0f, -50.0f, 0.0f, 50.0f, 100.0f, 50.0f, 0.0f, -50.0f};

constexpr int kInnerFirst = 1;
constexpr int kInnerLast = kMapSize - 2;

bool OnMap(int X, int Z) { return X >= 0 && X < kMapSize && Z >= 0 && Z < kMapSize; }
bool IsLand(uint8_t kind) { return kind >= 5 && kind <= 12; }
// The fan shows every water kind as one.
uint8_t FanKind(uint8_t kind) { return kind <= kGroundOpenWater ? 3 : kind; }

// The shading of a vertex from the height fall d across it (map units).
int8_t ShadingOf(int d) {
  if (d > 0) {
    const long double s = std::nearbyint(std::sqrt(static_cast<long double>(d)) * 2.2L);
    return static_cast<int8_t>(s >= 127.0L ? 127 : static_cast<int>(s));
  }
  const long double s = -std::nearbyint(std::sqrt(static_cast<long double>(-d)) * 2.2L);
  return static_cast<int8_t>(s <= -127.0L ? -127 : static_cast<int>(s));
}

// The ground kind of a land vertex of map height H and steepness M, by the rules in their order,
// each overwriting the last.
uint8_t LandKind(uint8_t kind, int H, int M) {
  if (H < 600) {
    if (M > 20) kind = kGroundSloped;
    if (M > 50) kind = kGroundSteep;
  }
  if (H >= 600) {
    kind = kGroundSloped;
    if (M > 50) kind = kGroundSteep;
  }
  if (H >= 800 && M > 50) kind = kGroundSteep;
  if (H > 1000) {
    kind = kGroundHigh;
    if (M > 80) kind = kGroundSteep;
  }
  return kind;
}

// True when open water lies within two vertices of (X, Z), counting inner vertices only.
bool OpenWaterNear(int X, int Z) {
  for (int i = X - 2; i <= X + 2; ++i) {
    for (int j = Z - 2; j <= Z + 2; ++j) {
      if (i < kInnerFirst || i > kInnerLast || j < kInnerFirst || j > kInnerLast) continue;
      if (GroundMap[i][j] == kGroundOpenWater) return true;
    }
  }
  return false;
}

}  // namespace

bool NeighbourTileInMap(int X, int Z, int K) {
  if (K < 0 || K > 7) return false;
  return OnMap(X + kNeighbourDX[K], Z + kNeighbourDZ[K]);
}

bool BuildTileFan(TTileFan& Fan, int X, int Z) {
  if (!OnMap(X, Z)) return false;
  const uint8_t own = FanKind(GroundMap[X][Z]);
  const float centre = 2.0f * HeightMap[X][Z];
  float neighbourHeight[8];
  Fan.Kinds[0] = own;
  for (int k = 0; k < 8; ++k) {
    if (NeighbourTileInMap(X, Z, k)) {
      const int nx = X + kNeighbourDX[k], nz = Z + kNeighbourDZ[k];
      Fan.Kinds[1 + k] = FanKind(GroundMap[nx][nz]);
      neighbourHeight[k] = 2.0f * HeightMap[nx][nz];
    } else {
      Fan.Kinds[1 + k] = own;
      neighbourHeight[k] = centre;
    }
  }
  Fan.CentreX = 100.0f * static_cast<float>(X);
  Fan.CentreZ = 100.0f * static_cast<float>(Z);
  Fan.CentreHeight = centre;
  for (int k = 0; k < 8; ++k) {
    Fan.RingX[k] = Fan.CentreX + kRingOffsetX[k];
    Fan.RingZ[k] = Fan.CentreZ + kRingOffsetZ[k];
  }
  for (int k = 0; k < 8; k += 2) Fan.RingHeight[k] = neighbourHeight[k];
  // A diagonal middle lies on both diagonals of its cell; it takes the lower of the two.
  for (int k = 1; k < 8; k += 2) {
    const float alongVertex = (centre + neighbourHeight[k]) / 2.0f;
    const float across = (Fan.RingHeight[k - 1] + Fan.RingHeight[(k + 1) % 8]) / 2.0f;
    Fan.RingHeight[k] = std::min(alongVertex, across);
  }
  Fan.EdgesUniform = 1;
  Fan.CornersUniform = 1;
  for (int k = 0; k < 8; ++k) {
    if (Fan.Kinds[1 + k] == own) continue;
    if (k % 2 == 0)
      Fan.EdgesUniform = 0;
    else
      Fan.CornersUniform = 0;
  }
  Fan.Shading = ShadingMap[X][Z];
  return true;
}

float GetHeightAt(TTileFan& Fan, float WorldX, float WorldZ) {
  // The nearest vertex, halves to the even one; anything off the map (or not a number) reads 0.
  const long double rx = std::nearbyint(static_cast<long double>(WorldX) / 100.0L);
  const long double rz = std::nearbyint(static_cast<long double>(WorldZ) / 100.0L);
  if (!(rx >= 0.0L && rx < kMapSize && rz >= 0.0L && rz < kMapSize)) return 0.0f;
  if (!BuildTileFan(Fan, static_cast<int>(rx), static_cast<int>(rz))) return 0.0f;
  const float dx = WorldX - Fan.CentreX;
  const float dz = WorldZ - Fan.CentreZ;
  int s;
  if (dx >= 0.0f)
    s = dz < 0.0f ? 0 : 2;
  else
    s = dz >= 0.0f ? 4 : 6;
  for (int t = 0; t < 2; ++t) {
    const int i = (s + t) % 8, j = (s + t + 1) % 8;
    const float aX = Fan.RingX[i] - Fan.CentreX, aH = Fan.RingHeight[i] - Fan.CentreHeight,
                aZ = Fan.RingZ[i] - Fan.CentreZ;
    const float bX = Fan.RingX[j] - Fan.CentreX, bH = Fan.RingHeight[j] - Fan.CentreHeight,
                bZ = Fan.RingZ[j] - Fan.CentreZ;
    const float det = aX * bZ - aZ * bX;
    float u = 0.0f, v = 0.0f;
    if (det != 0.0f) {
      u = (dx * bZ - dz * bX) / det;
      v = (dx * aZ - dz * aX) / -det;
    }
    if (u >= 0.0f && v >= 0.0f && u + v < 1.001f) return Fan.CentreHeight + u * aH + v * bH;
  }
  return 100.0f;
}

float HeightAt(float WorldX, float WorldZ) { return GetHeightAt(TileFan, WorldX, WorldZ); }

void MarkGroundBorder(int X, int Z) {
  if (X < kInnerFirst || X > kInnerLast || Z < kInnerFirst || Z > kInnerLast) return;
  const uint8_t own = GroundMap[X][Z];
  const bool buildingGround = (CellFlags[X][Z] & 0x10) != 0;
  bool border = false;
  for (int i = X - 1; i <= X + 1; ++i) {
    for (int j = Z - 1; j <= Z + 1; ++j) {
      if (GroundMap[i][j] == own) continue;
      border = true;
      if (buildingGround) CellFlags[i][j] &= static_cast<uint8_t>(~0x06);
    }
  }
  if (border)
    CellFlags[X][Z] |= 0x01;
  else
    CellFlags[X][Z] &= static_cast<uint8_t>(~0x01);
}

void MarkGroundBorders() {
  for (int x = kInnerFirst; x <= kInnerLast; ++x)
    for (int z = kInnerFirst; z <= kInnerLast; ++z) MarkGroundBorder(x, z);
}

void UpdateLandRect(int X0, int X1, int Z0, int Z1, bool SetGround) {
  X0 = std::max(X0, kInnerFirst);
  Z0 = std::max(Z0, kInnerFirst);
  X1 = std::min(X1, kInnerLast);
  Z1 = std::min(Z1, kInnerLast);
  const auto h = [](int x, int z) { return static_cast<int>(HeightMap[x][z]); };

  for (int x = X0; x <= X1; ++x) {
    for (int z = Z0; z <= Z1; ++z) {
      const int d = (h(x - 1, z) + h(x, z - 1) - h(x + 1, z) - h(x, z + 1)) / 2;  // truncates toward zero
      ShadingMap[x][z] = ShadingOf(d);
      if (!SetGround || !IsLand(GroundMap[x][z])) continue;
      int steepness = 0;
      for (int k = 0; k < 8; ++k)
        steepness = std::max(steepness, std::abs(h(x, z) - h(x + kNeighbourDX[k], z + kNeighbourDZ[k])));
      GroundMap[x][z] = LandKind(GroundMap[x][z], h(x, z), steepness);
    }
  }
  if (!SetGround) return;

  // In place: a vertex changed here counts for the ones after it.
  for (int x = X0; x <= X1; ++x) {
    for (int z = Z0; z <= Z1; ++z) {
      const uint8_t edges = GroundMap[x - 1][z] & GroundMap[x][z - 1] & GroundMap[x + 1][z] & GroundMap[x][z + 1];
      uint8_t& kind = GroundMap[x][z];
      if (edges == GroundMap[x][z + 1] && edges != kind && IsLand(edges) && IsLand(kind)) kind = edges;
      const int H = h(x, z);
      if (H >= 0 && H <= 10 && (kind == 5 || kind == kGroundSloped || kind == 10) && OpenWaterNear(x, z))
        kind = kGroundShore;
    }
  }
}
