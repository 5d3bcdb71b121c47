// Nodes: sharing lane nodes at a connect, linking them with lengths and curve values.
#include <gtest/gtest.h>

#include <cmath>

#include "network/construction/connects.h"
#include "network/construction/nodes.h"
#include "tests/network/construction/construction_fixture.h"

namespace {

using namespace construction_testing;

class Nodes : public ConstructionTest {
 protected:
  uint32_t NodeAt(float x, float z) {
    TNode n{};
    InitNode(n, {x, 0.0f, z});
    return AddNode(n);
  }
};

TEST_F(Nodes, AStraightLinkCountsAsAOneDegreeBendAndAnEndHasNoCurve) {
  const uint32_t a = NodeAt(1000, 1000), b = NodeAt(1100, 1000), c = NodeAt(1250, 1000);
  LinkNodes(a, b);
  EXPECT_EQ(NodeByIndex(a).NextLinkCount, 1);
  EXPECT_EQ(NodeByIndex(a).NextLinks[0], b);
  EXPECT_EQ(NodeByIndex(b).PrevLinks[0], a);
  EXPECT_EQ(LinkLength(NodeByIndex(a), 0), 100);
  // Neither node has a link on both sides yet.
  for (uint32_t n : {a, b}) {
    EXPECT_EQ(CurveValue(NodeByIndex(n), 0), 99999.0f);
    EXPECT_EQ(CurveValue(NodeByIndex(n), 1), 99999.0f);
  }
  LinkNodes(b, c);
  EXPECT_EQ(LinkLength(NodeByIndex(b), 0), 150);
  EXPECT_FLOAT_EQ(CurveValue(NodeByIndex(b), 0), static_cast<float>(2 * 3.141592653589793 / 0.0174533 * 150 / 600));
  EXPECT_EQ(CurveValue(NodeByIndex(c), 0), 99999.0f);
}

TEST_F(Nodes, TheCurveValueTakesTheSharpestPreviousBendHeldAtNinetyDegrees) {
  // b has two previous nodes: one straight behind, one at 45 degrees; and next links straight on
  // and at 120 degrees.
  const uint32_t a1 = NodeAt(900, 1000), a2 = NodeAt(900, 900), b = NodeAt(1000, 1000);
  const uint32_t c1 = NodeAt(1100, 1000), c2 = NodeAt(950, 1000 + 50 * std::sqrt(3.0f));
  LinkNodes(a1, b);
  LinkNodes(a2, b);
  LinkNodes(b, c1);
  LinkNodes(b, c2);
  const TNode& n = NodeByIndex(b);
  EXPECT_NEAR(CurveValue(n, 0), 2 * 3.141592653589793 / (3.141592653589793 / 4) * 100 / 600, 1e-3);
  EXPECT_NEAR(CurveValue(n, 1), 2 * 3.141592653589793 / 1.5707963 * 100 / 600, 1e-3);
  // The previous nodes got their values when b's links came: a1 sees its straight on link.
  EXPECT_EQ(CurveValue(NodeByIndex(a1), 0), 99999.0f);
}

TEST_F(Nodes, AThirdLinkOnEitherSideIsAFatalStopThatWritesNothing) {
  const uint32_t a = NodeAt(1000, 1000), b = NodeAt(1100, 1000), c = NodeAt(1200, 1000), d = NodeAt(1300, 1000);
  LinkNodes(a, b);
  LinkNodes(a, c);
  EXPECT_EQ(FatalOf([&] { LinkNodes(a, d); }),
            Fatal("Error in LinkNodes: a node cannot have more than 2 next nodes"));
  EXPECT_EQ(NodeByIndex(a).NextLinkCount, 2);
  EXPECT_EQ(NodeByIndex(d).PrevLinkCount, 0);
  LinkNodes(c, d);
  LinkNodes(b, d);
  EXPECT_EQ(FatalOf([&] { LinkNodes(a, d); }),
            Fatal("Error in LinkNodes: a node cannot have more than 2 next nodes"));
  const uint32_t e = NodeAt(1400, 1000);
  EXPECT_EQ(FatalOf([&] { LinkNodes(e, d); }),
            Fatal("Error in LinkNodes: a node cannot have more than 2 previous nodes"));
  EXPECT_EQ(NodeByIndex(e).NextLinkCount, 0);
  NodeByIndex(e).Position = {3.0e9f, 0.0f, 0.0f};
  EXPECT_EQ(FatalOf([&] { LinkNodes(e, a); }), Fatal("Error in LinkNodes: Distance is irreal large"));
}

TEST_F(Nodes, ANewWaySharesTheLaneNodesOfTheWayAtItsConnect) {
  const uint32_t a = AddConnectAt(0, 1000, 1000), b = AddConnectAt(0, 1200, 1000);
  EXPECT_EQ(FatalOf([] { NewNode(1, {0, 0, 0}, 0); }), Fatal("Error in NewNode: con=0!"));
  const uint32_t fresh = NewNode(1, {1000, 0, 1020}, a);
  EXPECT_EQ(NodeByIndex(fresh).Position.z, 1020.0f);
  EXPECT_EQ(NodeByIndex(fresh).Used, 255);

  const uint32_t w = AddWayBetween(a, b);
  TWay way{};
  way.A_Read(w);
  for (int i = 0; i < 4; ++i) way.Nodes[i] = 100 + i;  // nodes 1..4 of the way
  way.NodesCounter = 4;
  way.A_ReWrite();
  // At its first connect a: corners 2 and 4 take node 1, corners 1 and 3 node 2.
  const uint32_t atFirst[5] = {0, 101, 100, 101, 100};
  // At its second connect b: corners 2 and 4 take node 3, corners 1 and 3 node 4.
  const uint32_t atSecond[5] = {0, 103, 102, 103, 102};
  for (uint8_t corner = 1; corner <= 4; ++corner) {
    EXPECT_EQ(NewNode(corner, {0, 0, 0}, a), atFirst[corner]) << int(corner);
    EXPECT_EQ(NewNode(corner, {0, 0, 0}, b), atSecond[corner]) << int(corner);
  }
  AddWayBetween(b, AddConnectAt(0, 1400, 1000));
  EXPECT_EQ(FatalOf([&] { NewNode(1, {0, 0, 0}, b); }), Fatal("Error in NewNode: con has 2 ways"));
}

TEST_F(Nodes, WayNodesTakeTheWayAndItsFinishedFlagAndCentresAreNotLinked) {
  const uint32_t n = NodeAt(1000, 1000);
  TWay w{};
  w.Index = 8;
  const struct {
    uint8_t state, flagsBefore, flagsAfter;
  } states[] = {{0, 64 | 4, 4}, {1, 64, 0}, {2, 4, 64 | 4}, {3, 0, 64}, {4, 64, 64}, {4, 0, 0}};
  for (const auto& s : states) {
    NodeByIndex(n).Flags = s.flagsBefore;
    w.State = s.state;
    SetNodeWay(w, n);
    EXPECT_EQ(NodeByIndex(n).Way, 8u);
    EXPECT_EQ(NodeByIndex(n).Flags, s.flagsAfter) << int(s.state);
  }

  const uint32_t n1 = NodeAt(1000, 1020), n2 = NodeAt(1000, 980), n3 = NodeAt(1200, 980), n4 = NodeAt(1200, 1020);
  w.Nodes[0] = n1;
  w.Nodes[1] = n2;
  w.Nodes[2] = n3;
  w.Nodes[3] = n4;
  const struct {
    uint8_t waytype, part;
    bool linked;
  } ways[] = {{1, 5, false}, {6, 5, false}, {3, 4, false}, {1, 4, true}, {3, 5, true}, {0, 0, true}};
  for (const auto& c : ways) {
    for (uint32_t k : {n1, n2, n3, n4}) NodeByIndex(k).NextLinkCount = NodeByIndex(k).PrevLinkCount = 0;
    w.Waytype = c.waytype;
    WayPart(w) = c.part;
    LinkWayNodes(w);
    EXPECT_EQ(NodeByIndex(n1).NextLinkCount, c.linked ? 1 : 0);
    if (!c.linked) continue;
    EXPECT_EQ(NodeByIndex(n1).NextLinks[0], n4);  // lane 1: node 1 -> node 4
    EXPECT_EQ(NodeByIndex(n3).NextLinks[0], n2);  // lane 2: node 3 -> node 2
  }
}

}  // namespace
