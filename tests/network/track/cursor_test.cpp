// The node cursor: points between nodes, link choice at branches, forward and backward moves over
// link ends, vehicle poses and points on a way's lane line.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "engine/store/nodepool.h"
#include "engine/store/trainpool.h"
#include "engine/world/records.h"
#include "network/track/cursor.h"
#include "tests/engine/store/store_fixture.h"
#include "tools/sample_world.h"

namespace {

class Cursor : public arrayer_testing::ArrayerTest {
 protected:
  uint32_t Node(float x, float y, float z) {
    TNode n{};
    InitNode(n, {x, y, z});
    return AddNode(n);
  }
  static void Link(uint32_t from, uint32_t to) {
    TNode& a = NodeByIndex(from);
    TNode& b = NodeByIndex(to);
    a.NextLinks[a.NextLinkCount++] = to;
    b.PrevLinks[b.PrevLinkCount++] = from;
  }
  // Nodes along +x at the given x values, each linked to the next.
  std::vector<uint32_t> Chain(std::initializer_list<float> xs) {
    std::vector<uint32_t> nodes;
    for (float x : xs) {
      nodes.push_back(Node(x, 0, 0));
      if (nodes.size() > 1) Link(nodes[nodes.size() - 2], nodes.back());
    }
    return nodes;
  }
  static void Place(uint32_t prev, uint32_t cur, float dist) {
    NodeCursor.PrevNode = prev;
    NodeCursor.CurNode = cur;
    NodeCursor.AheadNode = 0;
    NodeCursor.Dist = dist;
  }
};

void ExpectPoint(const TVector& p, float x, float y, float z, float tolerance = 1e-4f) {
  EXPECT_NEAR(p.x, x, tolerance);
  EXPECT_NEAR(p.y, y, tolerance);
  EXPECT_NEAR(p.z, z, tolerance);
}

TEST_F(Cursor, PointBetweenNodesRunsOnBeyondTheLinkAndCoincidentNodesGiveTheFirst) {
  const uint32_t a = Node(10, 0, 0), b = Node(10, 30, 40), c = Node(10, 0, 0);
  struct Case {
    uint32_t from, to;
    float dist;
    TVector expected;
  };
  for (const Case& k : {Case{a, b, 0, {10, 0, 0}}, Case{a, b, 25, {10, 15, 20}}, Case{a, b, 100, {10, 60, 80}},
                        Case{b, a, 5, {10, 27, 36}}, Case{a, c, 7, {10, 0, 0}}}) {
    TVector out{-1, -1, -1};
    PointBetweenNodes(k.from, k.to, out, k.dist);
    ExpectPoint(out, k.expected.x, k.expected.y, k.expected.z);
  }
}

TEST_F(Cursor, LinkChoiceTakesTheSecondLinkOnlyWhenItsNodeIsAmongTheRecentNodes) {
  const uint32_t hub = Node(0, 0, 0), n1 = Node(10, 0, 0), n2 = Node(10, 0, 10), p1 = Node(-10, 0, 0),
                 p2 = Node(-10, 0, 10), lone = Node(50, 0, 0);
  Link(hub, n1);
  Link(hub, n2);
  Link(p1, hub);
  Link(p2, hub);
  uint32_t list[50] = {};
  list[49] = n2;  // the last entry searched
  list[3] = p2;
  uint32_t other[50] = {};
  other[0] = n1;
  EXPECT_EQ(NextLinkOnPath(hub, list, 49), 2);
  EXPECT_EQ(NextLinkOnPath(hub, list, 48), 1);  // n2 stands beyond the searched part
  EXPECT_EQ(NextLinkOnPath(hub, other, 49), 1);
  EXPECT_EQ(NextLinkOnPath(hub, nullptr, -1), 1);
  EXPECT_EQ(PrevLinkOnPath(hub, list, 49), 2);
  EXPECT_EQ(PrevLinkOnPath(hub, other, 49), 1);
  EXPECT_EQ(NextLinkOnPath(n1, list, 49), 0);  // a dead end
  EXPECT_EQ(PrevLinkOnPath(n1, list, 49), 1);
  EXPECT_EQ(NextLinkOnPath(lone, list, 49), 0);
  NodeByIndex(lone).NextLinkCount = 3;  // more than two links counts as none
  EXPECT_EQ(NextLinkOnPath(lone, list, 49), 0);
  EXPECT_EQ(NextLinkOnPath(0, list, 49), 0);
}

TEST_F(Cursor, AMoveAtABranchFollowsTheTrainsRecentNodes) {
  const uint32_t a = Node(0, 0, 0), hub = Node(100, 0, 0), straight = Node(200, 0, 0), side = Node(200, 0, 100);
  Link(a, hub);
  Link(hub, straight);
  Link(hub, side);
  const uint32_t train = NewTrain();
  TrainByIndex(train).VBT_Type = kTrainRail;
  for (const auto& [recent, trainArg, expected] :
       {std::tuple{0u, 0u, straight}, std::tuple{side, train, side}, std::tuple{side, 0u, straight},
        std::tuple{straight, train, straight}}) {
    std::memset(TrainByIndex(train).NodesAhead, 0, sizeof(TrainByIndex(train).NodesAhead));
    TrainByIndex(train).NodesAhead[7] = recent;
    Place(a, hub, 90);
    TVector front, out;
    PointBetweenNodes(a, hub, front, 90);
    ASSERT_TRUE(NodeCursorForward(front, out, trainArg, 20));
    EXPECT_EQ(NodeCursor.PrevNode, hub);
    EXPECT_EQ(NodeCursor.CurNode, expected);
  }
}

TEST_F(Cursor, AStepEqualToTheRestOfTheLinkLeavesTheLink) {
  const auto n = Chain({0, 100, 200});
  TVector out{};
  Place(n[0], n[1], 40);
  ASSERT_TRUE(NodeCursorForward({40, 0, 0}, out, 0, 60));
  EXPECT_EQ(NodeCursor.PrevNode, n[1]);
  EXPECT_EQ(NodeCursor.CurNode, n[2]);
  EXPECT_EQ(NodeCursor.Dist, 0.0f);
  ExpectPoint(out, 100, 0, 0);

  Place(n[1], n[2], 30);
  NodeCursor.AheadNode = 77;
  ASSERT_TRUE(NodeCursorBackward({130, 0, 0}, out, 0, 30));
  EXPECT_EQ(NodeCursor.PrevNode, n[0]);
  EXPECT_EQ(NodeCursor.CurNode, n[1]);
  EXPECT_EQ(NodeCursor.AheadNode, n[2]);
  ExpectPoint(out, 100, 0, 0);
  EXPECT_NEAR(NodeCursor.Dist, 100.0f, 0.02f);

  // Short of the link's end the cursor stays on its link and AheadNode is not written.
  Place(n[1], n[2], 30);
  NodeCursor.AheadNode = 77;
  ASSERT_TRUE(NodeCursorBackward({130, 0, 0}, out, 0, 29.5f));
  EXPECT_EQ(NodeCursor.PrevNode, n[1]);
  EXPECT_EQ(NodeCursor.AheadNode, 77u);
  EXPECT_FLOAT_EQ(NodeCursor.Dist, 0.5f);
  ExpectPoint(out, 100.5f, 0, 0);
  ASSERT_TRUE(NodeCursorForward(out, out, 0, 99));
  EXPECT_EQ(NodeCursor.PrevNode, n[1]);
  EXPECT_FLOAT_EQ(NodeCursor.Dist, 99.5f);
}

TEST_F(Cursor, OfTwoSphereHitsForwardTakesTheNearerTheStartAndBackwardTheNearerTheEnd) {
  // The sphere of radius 50 around (60, 0, 30) cuts the x axis at x = 20 and x = 100.
  auto n = Chain({0, 10, 110});
  TVector out{};
  Place(n[0], n[1], 0);
  ASSERT_TRUE(NodeCursorForward({60, 0, 30}, out, 0, 50));
  EXPECT_EQ(NodeCursor.PrevNode, n[1]);
  ExpectPoint(out, 20, 0, 0);
  EXPECT_NEAR(NodeCursor.Dist, 10.0f, 0.01f);

  // Around (50, 0, 30) the sphere cuts the x axis at 10 and 90.
  n = Chain({0, 100, 110});
  Place(n[1], n[2], 0);
  ASSERT_TRUE(NodeCursorBackward({50, 0, 30}, out, 0, 50));
  EXPECT_EQ(NodeCursor.PrevNode, n[0]);
  ExpectPoint(out, 90, 0, 0);
  EXPECT_NEAR(NodeCursor.Dist, 90.0f, 0.01f);
}

TEST_F(Cursor, MovesFailAtDeadEndsAndBeyondTheirNodeStepLimits) {
  // Links of 10 units: forward the third link beyond the cursor's is the last one tried, backward
  // the sixth.
  const auto n = Chain({0, 10, 20, 30, 40, 50, 60, 70, 80, 90});
  TVector out{};
  Place(n[0], n[1], 0);
  EXPECT_TRUE(NodeCursorForward({0, 0, 0}, out, 0, 35));
  ExpectPoint(out, 35, 0, 0);
  Place(n[0], n[1], 0);
  EXPECT_FALSE(NodeCursorForward({0, 0, 0}, out, 0, 45));
  EXPECT_EQ(NodeCursor.CurNode, n[4]);  // left on the last pair reached
  Place(n[8], n[9], 10);
  EXPECT_TRUE(NodeCursorBackward({90, 0, 0}, out, 0, 65));
  ExpectPoint(out, 25, 0, 0);
  Place(n[8], n[9], 10);
  EXPECT_FALSE(NodeCursorBackward({90, 0, 0}, out, 0, 75));
  EXPECT_EQ(NodeCursor.PrevNode, n[2]);
  Place(n[1], n[2], 5);
  EXPECT_FALSE(NodeCursorBackward({15, 0, 0}, out, 0, 20));  // n[0] has no previous link
  Place(n[8], n[9], 5);
  EXPECT_FALSE(NodeCursorForward({85, 0, 0}, out, 0, 20));  // n[9] has no next link
  Place(0, n[1], 5);
  EXPECT_FALSE(NodeCursorForward({5, 0, 0}, out, 0, 1));
}

TEST_F(Cursor, OrientationFacesFromTheRearToTheFront) {
  struct Case {
    TVector front, rear;
    float gier, nick;
  };
  for (const Case& k : {Case{{10, 0, 0}, {0, 0, 0}, -90, 0}, Case{{0, 0, 10}, {0, 0, 0}, -180, 0},
                        Case{{-5, 0, 0}, {0, 0, 0}, -270, 0}, Case{{3, 4, 0}, {-1, 0, 0}, -90, 45},
                        Case{{1, 2, 3}, {1, 2, 3}, 0, 0}}) {
    TPlacement pose{0, 0, 0, 7, 7, 7};
    OrientationFromPoints(pose, k.front, k.rear);
    EXPECT_EQ(pose.X, k.front.x);
    EXPECT_EQ(pose.Y, k.front.y);
    EXPECT_EQ(pose.Z, k.front.z);
    EXPECT_NEAR(pose.Gier, k.gier, 1e-4);
    EXPECT_NEAR(pose.Nick, k.nick, 1e-4);
    EXPECT_EQ(pose.Roll, 0.0f);
  }
}

TEST_F(Cursor, PointOnWayCurveFollowsTheLaneOfTheWaysOwnMesh) {
  // A straight road of half-width 15 from (0, 0, 0) to (100, 0, 0): the lanes lie 7.5 from its
  // centre, the first lane from the first node to the fourth, the second from the third back to
  // the second.
  const uint32_t w = sample_world::StraightWay(0, {0, 0, 0}, {100, 0, 0}, 15);
  TWay way;
  way.A_Read(w);
  const uint32_t first = Node(0, 0, 0), second = Node(0, 0, 0), third = Node(100, 0, 0), fourth = Node(100, 0, 0);
  way.Nodes[0] = first;
  way.Nodes[1] = second;
  way.Nodes[2] = third;
  way.Nodes[3] = fourth;
  way.NodesCounter = 4;
  way.A_ReWrite();
  for (uint32_t n : {first, third}) NodeByIndex(n).Way = w;

  TVector out{};
  PointOnWayCurve(first, fourth, 5, 30, out);
  EXPECT_NEAR(out.x, 30, 1e-3);
  EXPECT_NEAR(std::abs(out.z), 7.5f, 1e-3);
  const float firstSide = out.z;
  PointOnWayCurve(third, second, 5, 30, out);
  EXPECT_NEAR(out.x, 70, 1e-3);
  EXPECT_NEAR(out.z, -firstSide, 1e-3);
  PointOnWayCurve(first, fourth, 5, 130, out);  // past the end the last segment runs on
  EXPECT_NEAR(out.x, 130, 1e-3);

  // Cases that leave the point alone.
  const auto untouched = [&](uint32_t a, int32_t segments) {
    TVector p{-1, -2, -3};
    PointOnWayCurve(a, fourth, segments, 30, p);
    return p.x == -1 && p.y == -2 && p.z == -3;
  };
  EXPECT_TRUE(untouched(first, 0));
  EXPECT_TRUE(untouched(second, 5));  // no way at the node
  for (uint8_t type : {1, 5, 6}) {
    way.Waytype = type;
    way.A_Overwrite();
    EXPECT_TRUE(untouched(first, 5)) << int(type);
  }
  way.Waytype = 0;
  const uint32_t marker = 0xF0000000u;
  std::memcpy(way.Reserved28, &marker, sizeof(marker));
  way.A_Overwrite();
  EXPECT_TRUE(untouched(first, 5));
  way.Waytype = 3;  // the marker counts only for way types 0 and 2
  way.A_Overwrite();
  EXPECT_FALSE(untouched(first, 5));
  WayPart(way) = kRouterCentrePart;  // a router's centre way
  way.A_Overwrite();
  EXPECT_TRUE(untouched(first, 5));
}

}  // namespace
