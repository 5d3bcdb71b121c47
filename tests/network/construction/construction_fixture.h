// The construction tests' world: the world state at its start, an empty record store, flat land
// of ground kind 5, the way unit's own limits, ActPlayer 1, and helpers that store connects and
// ways with meshes.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "engine/base/worldstate.h"
#include "engine/mesh/mesh.h"
#include "engine/store/connectpool.h"
#include "engine/store/nodepool.h"
#include "engine/world/records.h"
#include "network/construction/curveline.h"
#include "network/construction/limits.h"
#include "network/construction/result.h"
#include "tests/engine/store/store_fixture.h"
#include "tools/sample_world.h"

namespace construction_testing {

using arrayer_testing::Fatal;
using arrayer_testing::FatalOf;

inline TConstructResult Set(std::initializer_list<int> elements) { return TConstructResult::Of(elements); }

inline TMetaconnect Meta(uint8_t waytype, float x, float z) {
  TMetaconnect m{};
  m.Waytype = waytype;
  m.Position = {x, 0.0f, z};
  return m;
}
inline TMetaconnect Directed(uint8_t waytype, float x, float z, float dx, float dz) {
  TMetaconnect m = Meta(waytype, x, z);
  m.Direction = {dx, 0.0f, dz};
  m.HasDirection = 1;
  return m;
}

class ConstructionTest : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    ResetWorldState();
    ArrayerTest::SetUp();
    InitWayConstruction();
    std::memset(GroundMap, 5, sizeof(GroundMap));
  }

  uint32_t AddConnectAt(uint8_t waytype, float x, float z) {
    TConnect c{};
    ClearConnect(c, waytype);
    c.Position = {x, 0.0f, z};
    return AddConnect(c);
  }

  // A straight way from connect `from` to `to` with the piece mesh of a way of half-width `half`:
  // vertices 1..4 are start + side, start - side, end - side, end + side, the side pointing left of
  // the way. Registered at both connects; owner 1, state 0.
  uint32_t AddWayBetween(uint32_t from, uint32_t to, float half = 15.0f, uint8_t owner = 1) {
    return sample_world::WayBetween(from, to, half, owner);
  }
};

}  // namespace construction_testing
