// The world of the crossing, router and extension tests: the construction tests' flat land with
// economy level 3, the network's services (finished rail ways join the block system), distinct
// standard textures, and helpers that read what a build left behind.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "engine/base/worldstate.h"
#include "engine/store/recordstore.h"
#include "engine/world/hooks.h"
#include "engine/world/train.h"
#include "network/construction/constructcurve.h"
#include "network/construction/limits.h"
#include "network/construction/routers.h"
#include "network/construction/ways.h"
#include "network/services.h"
#include "tests/network/construction/construction_fixture.h"

namespace construction_testing {

inline TMetaconnect Road(float x, float z, float y = 0.0f) {
  TMetaconnect m = Meta(kWaytypeRoad, x, z);
  m.Position.y = y;
  return m;
}

inline TWay ReadWay(uint32_t index) {
  TWay w{};
  w.A_Read(index);
  return w;
}

class CrossingTest : public ConstructionTest {
 protected:
  void SetUp() override {
    ConstructionTest::SetUp();
    InstallNetworkServices();
    PlayerCount = 2;
    for (int i = 0; i < 16; ++i) StandardTextures[i] = static_cast<uint16_t>(100 + i);
    curve_ = NewCurveline();
  }
  void TearDown() override {
    world_hooks::InstallDefaults();
    way_hooks::InstallDefaults();
    router_hooks::InstallDefaults();
    train_hooks::RemoveTrainFromAllBlocks = nullptr;
    ResetWorldState();
    InitWayConstruction();
    ConstructionTest::TearDown();
  }

  static TWay Stored(uint32_t index) { return ReadWay(index); }
  static std::vector<TWay> Ways() {
    std::vector<TWay> ways;
    for (uint32_t i = FindInArrayerBW(kARTypeWay, 0); i != 0; i = FindInArrayerBW(kARTypeWay, i))
      ways.push_back(Stored(i));
    return ways;
  }
  static std::vector<TWay> WaysOfType(uint8_t waytype) {
    std::vector<TWay> ways = Ways();
    std::erase_if(ways, [waytype](const TWay& w) { return w.Waytype != waytype; });
    return ways;
  }
  static TVector ConnectAt(const TWay& w, int k) { return ConnectByIndex(w.Connections[k]).Position; }
  static bool Links(uint32_t from, uint32_t to) {
    const TNode& n = NodeByIndex(from);
    for (int k = 0; k < n.NextLinkCount; ++k)
      if (n.NextLinks[k] == to) return true;
    return false;
  }
  // Every node that the lanes lead to from Start.
  static std::set<uint32_t> Reachable(uint32_t start) {
    std::set<uint32_t> seen{start};
    std::vector<uint32_t> open{start};
    while (!open.empty()) {
      const TNode& n = NodeByIndex(open.back());
      open.pop_back();
      for (int k = 0; k < n.NextLinkCount; ++k)
        if (seen.insert(n.NextLinks[k]).second) open.push_back(n.NextLinks[k]);
    }
    return seen;
  }
  // A straight road or rail of the way construction from A to B, built (and finished with Finish).
  uint32_t Lay(uint8_t waytype, const TMetaconnect& a, const TMetaconnect& b, bool finish = true) {
    auto curve = NewCurveline();
    TConstructResult r;
    constructcurve(*curve, waytype, a, b, false, {}, 1, r);
    EXPECT_TRUE(r.Ok()) << r.Elements();
    if (finish) CompleteCurveWays(*curve);
    return curve->Pieces[1].Way.Index;
  }
  static bool Near(const TVector& a, const TVector& b, float tolerance = 1e-3f) {
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance && std::fabs(a.z - b.z) <= tolerance;
  }

  std::unique_ptr<TCurveline> curve_;
};

}  // namespace construction_testing
