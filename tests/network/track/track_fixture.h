// The track tests' world: the world state at its start, an empty record store and node pool, the
// track units' hooks at their defaults, and helpers that make nodes, links and ways.
#pragma once

#include <gtest/gtest.h>

#include <array>

#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "engine/world/hooks.h"
#include "engine/world/records.h"
#include "network/construction/nodes.h"
#include "network/track/paths.h"
#include "network/track/stations.h"
#include "network/track/trackfields.h"
#include "tests/engine/store/store_fixture.h"

namespace track_testing {

using arrayer_testing::Fatal;
using arrayer_testing::FatalOf;

class TrackTest : public arrayer_testing::ArrayerTest {
 protected:
  void SetUp() override {
    ResetWorldState();
    ArrayerTest::SetUp();
    world_hooks::InstallDefaults();
    path_hooks::InstallDefaults();
    station_hooks::InstallDefaults();
  }
  void TearDown() override {
    world_hooks::InstallDefaults();
    path_hooks::InstallDefaults();
    station_hooks::InstallDefaults();
    ArrayerTest::TearDown();
  }

  // A node at (x, 0, z) with the given flags.
  static uint32_t Node(float x, float z, uint8_t flags = kNodeFlagWayFinished) {
    TNode n{};
    InitNode(n, {x, 0.0f, z});
    n.Flags = flags;
    return AddNode(n);
  }
  // Links From to To (LinkNodes) and gives the new link the length Length.
  static void Link(uint32_t from, uint32_t to, int32_t length) {
    LinkNodes(from, to);
    TNode& n = NodeByIndex(from);
    SetLinkLength(n, n.NextLinkCount - 1, length);
  }
  // A finished way of the given type and use over Nodes, stored, owned by player 1. Its first and
  // third nodes get the way; with Lanes its lanes are linked, node 1 -> 4 and 3 -> 2, Length long.
  static uint32_t Way(uint8_t waytype, uint8_t use, std::initializer_list<uint32_t> nodes, bool lanes = true,
                      int32_t length = 100, uint8_t part = 0) {
    TWay w{};
    w.Init(use, waytype);
    w.Owner = 1;
    w.State = 2;
    WayPart(w) = part;
    for (uint32_t n : nodes) w.Nodes[w.NodesCounter++] = n;
    w.A_Write();
    if (w.NodesCounter >= 1) NodeByIndex(w.Nodes[0]).Way = w.Index;
    if (w.NodesCounter >= 3) NodeByIndex(w.Nodes[2]).Way = w.Index;
    if (lanes) {
      Link(w.Nodes[0], w.Nodes[3], length);
      Link(w.Nodes[2], w.Nodes[1], length);
    }
    return w.Index;
  }
  static TWay ReadWay(uint32_t index) {
    TWay w{};
    w.A_Read(index);
    return w;
  }
};

}  // namespace track_testing
