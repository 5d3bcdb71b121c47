// The path search: costs of single links, branches, stops and turns; the first or later of equal
// paths; evaluators that refuse a step; the search marks; the sparse node list and its limit; the
// evaluator kinds of the path and schedule units.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "network/track/schedules.h"
#include "tests/network/track/track_fixture.h"

namespace {

using track_testing::Fatal;
using track_testing::FatalOf;

using Links = std::initializer_list<std::pair<uint32_t, uint32_t>>;

// A node target that refuses one step and records the nodes it stands on.
class TRefusingEvaluator : public TNodeTargetEvaluator {
 public:
  bool AcceptEdge(uint32_t next, uint32_t current) override { return !(next == refuseNext && current == refuseFrom); }
  void Visit(uint32_t node) override { visits.push_back(node); }
  uint32_t refuseNext = 0, refuseFrom = 0;
  std::vector<uint32_t> visits;
};

// One small network of four parts.
//
// A street of two ways with dead ends at both ends (W1 from C0 to C1, W2 from C1 to C2), each lane
// 100 long: lane 1 a1 -> a4 -> a6, lane 2 a5 -> a3 -> a2. Turning at a6 goes on at a3, at a2 on at
// a4 (the far end of the other lane). Nothing leads into a1 or a5.
//
// A fork s -> {f1 link 1, g1 link 2}, then single links f1 -> f2 -> t and g1 -> g2 -> t, t -> s;
// every link 100, both ways to t cost 500. f1 lies nearer to t and is tried first.
//
// A fork s2 -> {p, q} whose branches p and q both lead to t2 and to z; t2 -> s2, z -> s2; every
// link 100, both ways to t2 cost 600. p lies nearer to t2 and is tried first.
//
// A cycle of coincident nodes z0 -> z1 -> z2 -> z1 with links of length 0.
class PathSearch : public track_testing::TrackTest {
 protected:
  void SetUp() override {
    TrackTest::SetUp();
    Build();
  }
  // The network on an empty store and node pool (the same indices every time).
  void Build() {
    ArrayerReset();
    a1 = Node(0, 0, 0);
    a2 = Node(0, 10, 0);
    a3 = Node(100, 10, 0);
    a4 = Node(100, 0, 0);
    a5 = Node(200, 10, 0);
    a6 = Node(200, 0, 0);
    w1 = Way(kWaytypeStreet, 0, {a1, a2, a3, a4});
    w2 = Way(kWaytypeStreet, 0, {a4, a3, a5, a6});
    // As finishing a way marks them: the nodes that carry a way.
    for (uint32_t n : {a1, a3, a4, a5}) NodeByIndex(n).Flags |= kNodeFlagWayFinished;

    s = Node(0, 1000);
    f1 = Node(100, 950);
    g1 = Node(100, 1050);
    f2 = Node(200, 950);
    g2 = Node(200, 1050);
    t = Node(300, 990);
    for (const auto& [from, to] : Links{{s, f1}, {s, g1}, {f1, f2}, {f2, t}, {g1, g2}, {g2, t}, {t, s}})
      Link(from, to, 100);

    s2 = Node(0, 2000);
    p = Node(100, 1950);
    q = Node(100, 2050);
    t2 = Node(200, 1990);
    z = Node(200, 2200);
    for (const auto& [from, to] : Links{{s2, p}, {s2, q}, {p, t2}, {p, z}, {q, t2}, {q, z}, {t2, s2}, {z, s2}})
      Link(from, to, 100);

    z0 = Node(0, 3000);
    z1 = Node(0, 3000);
    z2 = Node(0, 3000);
    for (const auto& [from, to] : Links{{z0, z1}, {z1, z2}, {z2, z1}}) Link(from, to, 0);
  }

  // The search from Start to Target with E (the path record prefilled with 0xEE).
  TPath& Search(TPathEvaluator& e, uint32_t start, uint32_t target) {
    std::memset(static_cast<void*>(path.get()), 0xEE, sizeof(TPath));
    NodeSearch(e, start, target, path.get());
    return *path;
  }
  static std::vector<uint32_t> Nodes(const TPath& p) {
    return std::vector<uint32_t>(p.Nodes, p.Nodes + std::min<int>(p.PathNodeCounter, 1000));
  }

  uint32_t a1 = 0, a2 = 0, a3 = 0, a4 = 0, a5 = 0, a6 = 0, w1 = 0, w2 = 0;
  uint32_t s = 0, f1 = 0, g1 = 0, f2 = 0, g2 = 0, t = 0;
  uint32_t s2 = 0, p = 0, q = 0, t2 = 0, z = 0;
  uint32_t z0 = 0, z1 = 0, z2 = 0;
  std::unique_ptr<TPath> path = std::make_unique<TPath>();
};

TEST_F(PathSearch, CostsAndDecisionNodesOverTheSmallNetwork) {
  const auto stopAt = [](uint32_t node) { NodeByIndex(node).Flags |= kNodeFlagStation; };
  const auto railway = [](uint32_t way) {
    TWay w = ReadWay(way);
    w.Use = 1;
    w.A_Overwrite();
  };
  struct Case {
    std::string name;
    uint32_t start, target;
    std::function<void()> setup;
    uint32_t refuseNext, refuseFrom;
    bool found;
    uint32_t cost;
    std::vector<uint32_t> nodes;
  };
  const std::vector<Case> cases = {
      // Turns at dead ends: 2000 each, and the turn counts the way as driven back.
      {"turn at a dead end", a1, a3, nullptr, 0, 0, true, 2200, {a3, a1}},
      {"on after the turn", a1, a2, nullptr, 0, 0, true, 2300, {a2, a1}},
      {"turn after a road stop", a1, a3, [&] { stopAt(a4); }, 0, 0, true, 550, {a3, a1}},
      {"turn after a rail stop", a1, a3, [&] {
         stopAt(a4);
         railway(w2);
       }, 0, 0, true, 1200, {a3, a1}},
      {"nothing leads there", a5, a1, nullptr, 0, 0, false, 0, {}},
      {"start not on a finished way", a1, a3, [&] { NodeByIndex(a1).Flags = 0; }, 0, 0, false, 0, {}},
      {"start 0", 0, a3, nullptr, 0, 0, false, 0, {}},
      {"start outside the pool", NodeArrayCount + 1, a3, nullptr, 0, 0, false, 0, {}},
      // Equal costs: over single links the later path replaces the earlier, at a branch it does not.
      {"later of equal single-link paths", s, t, nullptr, 0, 0, true, 500, {t, t, g1, s}},
      {"single link refused", s, t, nullptr, t, g2, true, 500, {t, t, f1, s}},
      {"first of equal branch paths", s2, t2, nullptr, 0, 0, true, 600, {t2, t2, p, s2}},
      {"second branch link refused", s2, t2, nullptr, q, s2, true, 600, {t2, t2, p, s2}},
      {"first branch link refused", s2, t2, nullptr, p, s2, false, 0, {}},
      {"branch at a stop node", s2, t2, [&] { stopAt(s2); }, 0, 0, true, 800, {t2, t2, p, s2}},
      // Links of length 0 count as 1.
      {"coincident nodes", z0, z2, nullptr, 0, 0, true, 2, {z2, z1, z0}},
      {"cycle of coincident nodes", z0, a1, nullptr, 0, 0, false, 0, {}},
  };
  for (const Case& c : cases) {
    Build();
    if (c.setup) c.setup();
    TRefusingEvaluator e;
    e.refuseNext = c.refuseNext;
    e.refuseFrom = c.refuseFrom;
    PFIDMark = 10;
    const TPath& r = Search(e, c.start, c.target);
    if (!c.found) {
      EXPECT_EQ(r.Invalid, 2) << c.name;
      // A failed search keeps everything but the status.
      EXPECT_EQ(r.PathNodeCounter, 0xEEEE) << c.name;
      EXPECT_EQ(r.Cost, 0xEEEEEEEEu) << c.name;
      continue;
    }
    EXPECT_EQ(r.Invalid, 0) << c.name;
    EXPECT_EQ(r.Cost, c.cost) << c.name;
    EXPECT_EQ(e.Limit, c.cost) << c.name;
    EXPECT_EQ(Nodes(r), c.nodes) << c.name;
    EXPECT_EQ(r.Nodes[r.PathNodeCounter], 0u) << c.name << ": the rest of the list is cleared";
    EXPECT_EQ(PFIDMark, 11) << c.name;
  }
}

TEST_F(PathSearch, AStartOffAFinishedWayLeavesTheMarksAlone) {
  NodeByIndex(s).Flags = 0;
  PFIDMark = 7;
  EXPECT_EQ(Search(NodeTargetEvaluator, s, t).Invalid, 2);
  EXPECT_EQ(PFIDMark, 7);
}

// A branch whose second link names no node of the pool is searched over its first link only.
TEST_F(PathSearch, ABranchLinkOutsideThePoolIsNeverFollowed) {
  for (uint32_t broken : {0u, NodeArrayCount + 5}) {
    Build();
    NodeByIndex(s).NextLinks[1] = broken;
    const TPath p = Search(NodeTargetEvaluator, s, t);
    EXPECT_EQ(p.Invalid, 0) << broken;
    EXPECT_EQ(p.Cost, 500u) << broken;
  }
}

TEST_F(PathSearch, TheSearchVisitsTheNodesItStandsOnWhenAsked) {
  TRefusingEvaluator e;
  e.UseVisit = 1;
  Search(e, a1, a3);
  EXPECT_EQ(e.visits, (std::vector<uint32_t>{a1, a4, a6}));
  e.visits.clear();
  e.UseVisit = 0;
  Search(e, a1, a3);
  EXPECT_TRUE(e.visits.empty());
}

TEST_F(PathSearch, AOneWaySignalStopsTheSearchLeavingItsNode) {
  static uint32_t oneWayNode = 0;
  static uint8_t state = 0;
  oneWayNode = a4;
  path_hooks::BlockStateAtNode = [](uint32_t n) -> uint8_t { return n == oneWayNode ? state : 0; };
  NodeByIndex(a4).Signal = 1;
  state = 1;  // red: the search goes on
  EXPECT_EQ(Search(NodeTargetEvaluator, a1, a3).Cost, 2200u);
  state = 2;  // one-way against
  EXPECT_EQ(Search(NodeTargetEvaluator, a1, a3).Invalid, 2);
  // Without a signal at the node the block state is not asked.
  NodeByIndex(a4).Signal = 0;
  EXPECT_EQ(Search(NodeTargetEvaluator, a1, a3).Invalid, 0);
}

TEST_F(PathSearch, MarksWrapThroughAFullClearingAfter255) {
  PFIDMark = 254;
  EXPECT_EQ(Search(NodeTargetEvaluator, s, t).Invalid, 0);
  EXPECT_EQ(PFIDMark, 255);
  // A stale mark of 1 with cost 0 would block g1 if the marks were not cleared.
  PFIDArray[g1 - 1] = 1;
  SetSearchCost(NodeByIndex(g1), 0);
  const TPath& r = Search(NodeTargetEvaluator, s, t);
  EXPECT_EQ(PFIDMark, 1);
  EXPECT_EQ(r.Cost, 500u);
  EXPECT_EQ(Nodes(r), (std::vector<uint32_t>{t, t, g1, s}));
  EXPECT_EQ(PFIDArray[a1 - 1], 0) << "a node of the street, not reached, is unmarked";
}

// A chain c0 .. cN of branch nodes: ci -> c(i+1) (link 1, 100) and ci -> si -> c(i+1) (link 2 and a
// single link, 100 each), cN -> c0. Every ci on a path is a decision node, and every ci the search
// passes is a branch on its stack.
class BranchChain : public track_testing::TrackTest {
 protected:
  std::vector<uint32_t> Build(int n) {
    std::vector<uint32_t> c(n + 1), side(n);
    for (int i = 0; i <= n; ++i) {
      c[i] = Node(i * 100.0f, 0);
      if (i < n) side[i] = Node(i * 100.0f + 50.0f, 500);
    }
    for (int i = 0; i < n; ++i) {
      Link(c[i], c[i + 1], 100);
      Link(c[i], side[i], 100);
      Link(side[i], c[i + 1], 100);
    }
    Link(c[n], c[0], 100);
    return c;
  }
  std::unique_ptr<TPath> path = std::make_unique<TPath>();
};

TEST_F(BranchChain, AtMostAThousandDecisionNodesMakeAPath) {
  const std::vector<uint32_t> c = Build(999);
  // c0 .. c998 and the end node twice: 1000 entries.
  NodeSearch(NodeTargetEvaluator, c[0], c[998], path.get());
  EXPECT_EQ(path->Invalid, 0);
  EXPECT_EQ(path->PathNodeCounter, 1000);
  EXPECT_EQ(path->Cost, 998u * 300u);
  EXPECT_EQ(path->Nodes[0], c[998]);
  EXPECT_EQ(path->Nodes[1], c[998]);
  EXPECT_EQ(path->Nodes[999], c[0]);
  EXPECT_GE(PathSearchDeepestStack, 998u);
  // One more does not fit: the search fails although it reached the target.
  NodeSearch(NodeTargetEvaluator, c[0], c[999], path.get());
  EXPECT_EQ(path->Invalid, 2);
  EXPECT_EQ(NodeTargetEvaluator.Limit, 999u * 300u);
}

TEST_F(BranchChain, DeepChainsRunOnTheSearchsOwnStack) {
  const int n = 40000;
  const std::vector<uint32_t> c = Build(n);
  NodeSearch(NodeTargetEvaluator, c[0], c[n], path.get());
  EXPECT_EQ(NodeTargetEvaluator.Limit, static_cast<uint32_t>(n) * 300u);
  EXPECT_GE(PathSearchDeepestStack, static_cast<uint32_t>(n));
  EXPECT_LE(PathSearchDeepestStack, NodeArrayCount);
}

// The evaluator kinds on the street of PathSearch: W1 is a stop of a stored station (its first
// and third nodes stop nodes), so the only stop the search can reach from a1 is a3, at 2350 (a1's
// road stop costs 150 more, the turn at a6 2000).
class Evaluators : public PathSearch {
 protected:
  void SetUp() override {
    PathSearch::SetUp();
    auto st = std::make_unique<TStation>();
    st->Init(1, 0, {50.0f, 0.0f, 5.0f});
    st->A_Write();
    station = st->Index;
    TWay w = ReadWay(w1);
    w.Station = station;
    w.A_Overwrite();
    NodeByIndex(a1).Flags |= kNodeFlagStation;
    NodeByIndex(a3).Flags |= kNodeFlagStation;
    red = a6;
    path_hooks::BlockStateAtNode = [](uint32_t n) -> uint8_t { return n == red ? 1 : 0; };
  }
  const TPath& Station(TStationSearchEvaluator& e, uint32_t radius) {
    StationSearch(e, a1, station, radius, 0x7FFFFFFF, path.get(), nullptr, 2);
    return *path;
  }
  uint32_t station = 0;
  static inline uint32_t red = 0;
};

TEST_F(Evaluators, StationTargetsAndRedBlocksNearTheStart) {
  StationTargetEvaluator.Target = station;
  StationTargetEvaluator.StartNode = a1;
  StationTargetEvaluator.Path = path.get();
  CalcPath(StationTargetEvaluator, 0x7FFFFFFF);
  EXPECT_EQ(path->Invalid, 0);
  EXPECT_EQ(path->Cost, 2350u);
  EXPECT_EQ(path->Nodes[0], a3);
  StationTargetEvaluator.Target = station + 1;
  CalcPath(StationTargetEvaluator, 0x7FFFFFFF);
  EXPECT_EQ(path->Invalid, 2);
  // The limit is the caller's: a path dearer than it is not found.
  StationTargetEvaluator.Target = station;
  CalcPath(StationTargetEvaluator, 2349);
  EXPECT_EQ(path->Invalid, 2);

  // a6 lies in a red block; the step a4 -> a6 starts at cost 250.
  struct Case {
    uint32_t radius;
    bool found;
  };
  for (const Case& k : {Case{0, true}, Case{250, true}, Case{251, false}}) {
    const TPath& r = Station(StationAvoidingBlocksEvaluator, k.radius);
    EXPECT_EQ(r.Invalid == 0, k.found) << k.radius;
    EXPECT_EQ(StationAvoidingBlocksEvaluator.UseAccept, k.radius != 0 ? 1 : 0);
    EXPECT_EQ(StationAvoidingBlocksEvaluator.TargetPos.x, 50.0f);
  }
}

TEST_F(Evaluators, HaltCandidatesByTheirMarks) {
  THaltCandidates candidates;
  candidates.Count[2] = 2;
  candidates.Nodes[2][0] = a4;
  candidates.Nodes[2][1] = a3;
  OpenHaltCandidateEvaluator.Candidates = &candidates;
  GoodHaltCandidateEvaluator.Candidates = &candidates;
  struct Case {
    uint8_t mark;
    bool open, good;
  };
  for (const Case& k : {Case{kCandidateUntried, true, false}, Case{kCandidateOnChain, true, false},
                        Case{kCandidateGood, true, true}, Case{kCandidateDead, false, false}}) {
    candidates.Marks[2][1] = k.mark;
    EXPECT_EQ(Station(OpenHaltCandidateEvaluator, 0).Invalid == 0, k.open) << int(k.mark);
    EXPECT_EQ(Station(GoodHaltCandidateEvaluator, 0).Invalid == 0, k.good) << int(k.mark);
  }
  // A candidate of another halt, or a halt outside 1..20, is no target.
  candidates.Marks[2][1] = kCandidateGood;
  StationSearch(GoodHaltCandidateEvaluator, a1, station, 0, 0x7FFFFFFF, path.get(), nullptr, 3);
  EXPECT_EQ(path->Invalid, 2);
  StationSearch(GoodHaltCandidateEvaluator, a1, station, 0, 0x7FFFFFFF, path.get(), nullptr, 21);
  EXPECT_EQ(path->Invalid, 2);
  EXPECT_EQ(candidates.Find(2, a3), 2);
  EXPECT_EQ(candidates.Find(0, a3), 0);
}

TEST_F(PathSearch, LinkStepCostsAsTheSearchCountsThem) {
  NodeByIndex(a4).Flags |= kNodeFlagStation;
  EXPECT_EQ(LinkStepCost(a1, 0), 100u);
  EXPECT_EQ(LinkStepCost(a4, 0), 250u);
  EXPECT_EQ(LinkStepCost(s, 1), 300u);
  EXPECT_EQ(LinkStepCost(z1, 0), 1u);
  NodeByIndex(s).Flags |= kNodeFlagStation;
  EXPECT_EQ(LinkStepCost(s, 0), 500u);
}

}  // namespace
