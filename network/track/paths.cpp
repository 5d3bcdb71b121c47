#include "network/track/paths.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/base/diagnostics.h"
#include "engine/base/maths.h"
#include "engine/base/worldstate.h"
#include "engine/store/nodepool.h"
#include "network/track/stations.h"
#include "network/track/trackfields.h"

TNodeTargetEvaluator NodeTargetEvaluator;
TStationTargetEvaluator StationTargetEvaluator;
uint32_t PathSearchDeepestStack = 0;

namespace path_hooks {
uint8_t (*BlockStateAtNode)(uint32_t node) = [](uint32_t) -> uint8_t { return 0; };
void InstallDefaults() { BlockStateAtNode = [](uint32_t) -> uint8_t { return 0; }; }
}  // namespace path_hooks

namespace {

constexpr uint32_t kNoLimit = 0x7FFFFFFF;
constexpr uint32_t kBranchCost = 200;
constexpr uint32_t kRoadStopCost = 150, kRailStopCost = 800;
constexpr uint32_t kTurnCost = 2000, kTurnAfterStopCost = 200;
constexpr uint16_t kMostPathNodes = 1000;

bool Finished(const TNode& n) { return (n.Flags & kNodeFlagWayFinished) != 0; }
bool MarkedNow(uint32_t n) { return PFIDArray[n - 1] == PFIDMark; }

// The way of a node (0 none) read into W.
bool ReadNodeWay(const TNode& n, TWay& w) {
  if (n.Way == 0) return false;
  w.A_Read(n.Way);
  return true;
}

uint64_t LengthCost(const TNode& n, int k) {
  const int32_t length = LinkLength(n, k);
  return length > 0 ? static_cast<uint64_t>(length) : 1;
}

// The extra cost of leaving a station stop node over its single link.
uint32_t StopCost(const TNode& n) {
  if ((n.Flags & kNodeFlagStation) == 0) return 0;
  TWay w;
  if (!ReadNodeWay(n, w)) return 0;
  if (w.Use == 0) return kRoadStopCost;
  if (w.Use == 1) return kRailStopCost;
  return 0;
}

uint64_t BranchStepCost(const TNode& n, int k) {
  return LengthCost(n, k) + kBranchCost + ((n.Flags & kNodeFlagStation) ? kBranchCost : 0);
}

// A capture or scripted node of a building way that belongs to another player is not passed.
bool OthersBuildingNode(const TNode& n) {
  if ((n.Flags & (kNodeFlagCapture | kNodeFlagScripted)) == 0) return false;
  TWay w;
  return ReadNodeWay(n, w) && w.Owner != ActPlayer;
}

void Reach(uint32_t next, uint32_t from, uint64_t cost) {
  PFIDArray[next - 1] = PFIDMark;
  TNode& n = NodeByIndex(next);
  SetSearchCost(n, static_cast<uint32_t>(cost));
  SetSearchFrom(n, from);
}

// A branch node on the search's own stack: the link it tries first (0 or 1) and how many of its
// two links it has tried.
struct TBranchFrame {
  uint32_t Node;
  uint8_t First;
  uint8_t Tried;
};
std::vector<TBranchFrame> BranchStack;

class TSearch {
 public:
  explicit TSearch(TPathEvaluator& e) : e_(e) {}
  uint32_t LastTarget() const { return lastTarget_; }

  // Depth first from Start: single links are walked in a loop; at a branch node both links are
  // tried in turn, and each walk from a link runs to its end (with every branch below it) before
  // the next link is tried.
  void Explore(uint32_t start) {
    BranchStack.clear();
    uint32_t n = start;
    bool walking = true;
    for (;;) {
      if (walking) Walk(n);
      walking = false;
      if (BranchStack.empty()) return;
      TBranchFrame& f = BranchStack.back();
      if (f.Tried == 2) {
        BranchStack.pop_back();
        continue;
      }
      const int k = f.Tried == 0 ? f.First : 1 - f.First;
      ++f.Tried;
      const uint32_t b = f.Node;
      const TNode& node = NodeByIndex(b);
      const uint32_t next = node.NextLinks[k];
      const uint64_t cost = BranchStepCost(node, k) + SearchCost(node);
      if (cost >= e_.Limit || !NodeInPool(next)) continue;
      if (e_.UseAccept && !e_.AcceptEdge(next, b)) {
        BranchStack.pop_back();  // a refused link ends the branch step
        continue;
      }
      if (MarkedNow(next) && SearchCost(NodeByIndex(next)) <= cost) continue;
      Reach(next, b, cost);
      if (e_.IsTarget(next)) {
        Found(next, cost);
        BranchStack.pop_back();
        continue;
      }
      n = next;
      walking = true;
    }
  }

 private:
  // The single links from N until the walk ends or reaches a branch node, which goes on the stack.
  void Walk(uint32_t n) {
    for (;;) {
      if (e_.UseVisit) e_.Visit(n);
      const TNode& node = NodeByIndex(n);
      if (node.NextLinkCount >= 2 && Finished(node)) {
        PushBranch(n, node);
        return;
      }
      uint32_t next;
      uint64_t cost = SearchCost(node);
      if (node.NextLinkCount >= 1 && Finished(node) && !OthersBuildingNode(node)) {
        next = node.NextLinks[0];
        cost += LengthCost(node, 0) + StopCost(node);
      } else {
        // A dead end, an unfinished way or another player's building: the search turns.
        next = OppositeNode(n, 1);
        const bool afterStop =
            node.PrevLinkCount >= 1 && NodeInPool(node.PrevLinks[0]) &&
            (NodeByIndex(node.PrevLinks[0]).Flags & kNodeFlagStation) != 0;
        cost += afterStop ? kTurnAfterStopCost : kTurnCost;
      }
      if (cost > e_.Limit || !NodeInPool(next)) return;
      if (e_.UseAccept && !e_.AcceptEdge(next, n)) return;
      // A one-way signal forbids entering the block beyond it.
      if (node.Signal != 0 && path_hooks::BlockStateAtNode(n) == 2) return;
      if (MarkedNow(next) && SearchCost(NodeByIndex(next)) < cost) return;
      Reach(next, n, cost);
      if (e_.IsTarget(next)) {
        Found(next, cost);
        return;
      }
      n = next;
    }
  }

  // Link 1 first when its node is nearer to the target position in the ground plane, else link 2.
  void PushBranch(uint32_t n, const TNode& node) {
    // A link to no node of the pool counts as the farther one; the step over it is refused.
    const auto distance = [this](uint32_t next) {
      return NodeInPool(next) ? VecDistanceXZ(NodeByIndex(next).Position, e_.TargetPos) : HUGE_VALF;
    };
    const float d1 = distance(node.NextLinks[0]);
    const float d2 = distance(node.NextLinks[1]);
    BranchStack.push_back({n, static_cast<uint8_t>(d1 < d2 ? 0 : 1), 0});
    PathSearchDeepestStack = std::max<uint32_t>(PathSearchDeepestStack, static_cast<uint32_t>(BranchStack.size()));
  }

  void Found(uint32_t node, uint64_t cost) {
    e_.Limit = static_cast<uint32_t>(cost);
    lastTarget_ = node;
    e_.Path->Invalid = 0;
  }

  TPathEvaluator& e_;
  uint32_t lastTarget_ = 0;
};

// A node at which a vehicle decides something: a branch, the first node after a branch, a merge.
bool IsDecisionNode(const TNode& n) {
  return n.NextLinkCount >= 2 || n.PrevLinkCount >= 2 ||
         (n.PrevLinkCount >= 1 && NodeInPool(n.PrevLinks[0]) && NodeByIndex(n.PrevLinks[0]).NextLinkCount >= 2);
}

const char* const kNoFrom = "Error in CalcPath: endnode has no from!";

}  // namespace

int THaltCandidates::Find(uint32_t halt, uint32_t node) const {
  if (halt < 1 || halt > 20) return 0;
  const int count = std::min<int>(Count[halt], kHaltCandidateRoom);
  for (int i = 0; i < count; ++i) {
    if (Nodes[halt][i] == node) return i + 1;
  }
  return 0;
}

bool TPathEvaluator::AcceptEdge(uint32_t, uint32_t) { return true; }
void TPathEvaluator::Visit(uint32_t) {}

bool TNodeTargetEvaluator::IsTarget(uint32_t node) { return node == Target; }

bool TStationTargetEvaluator::IsTarget(uint32_t node) {
  const TNode& n = NodeByIndex(node);
  if ((n.Flags & kNodeFlagStation) == 0) return false;
  TWay w;
  return ReadNodeWay(n, w) && w.Station == Target;
}

bool TStationSearchEvaluator::AcceptEdge(uint32_t next, uint32_t current) {
  if (SearchCost(NodeByIndex(current)) >= AcceptRadius) return true;
  return path_hooks::BlockStateAtNode(next) != 1;
}

bool TOpenHaltCandidateEvaluator::IsTarget(uint32_t node) {
  if (!TStationTargetEvaluator::IsTarget(node) || !Candidates) return false;
  const int i = Candidates->Find(Halt, node);
  return i != 0 && Candidates->Marks[Halt][i - 1] != kCandidateDead;
}

bool TGoodHaltCandidateEvaluator::IsTarget(uint32_t node) {
  if (!TStationTargetEvaluator::IsTarget(node) || !Candidates) return false;
  const int i = Candidates->Find(Halt, node);
  return i != 0 && Candidates->Marks[Halt][i - 1] == kCandidateGood;
}

uint32_t LinkStepCost(uint32_t node, int k) {
  const TNode& n = NodeByIndex(node);
  const uint64_t cost = n.NextLinkCount >= 2 ? BranchStepCost(n, k) : LengthCost(n, k) + StopCost(n);
  return static_cast<uint32_t>(std::min<uint64_t>(cost, 0xFFFFFFFFu));
}

void CalcPath(TPathEvaluator& e, uint32_t limit) {
  PathSearchDeepestStack = 0;
  TPath& path = *e.Path;
  path.Invalid = 2;
  const uint32_t start = e.StartNode;
  if (!NodeInPool(start) || !Finished(NodeByIndex(start))) return;
  SetSearchCost(NodeByIndex(start), 0);
  if (PFIDMark == 255)
    ClearPFIDArray();
  else
    ++PFIDMark;
  e.Limit = limit;
  PFIDArray[start - 1] = PFIDMark;
  // The branch stack never holds a node twice, so room for every node is room enough.
  if (BranchStack.capacity() < NodeArrayCount) BranchStack.reserve(NodeArrayCount);

  TSearch search(e);
  search.Explore(start);
  if (path.Invalid != 0) return;

  const uint32_t end = search.LastTarget();
  if (end == 0) SYS_BREAKPROGRAM("Error in CalcPath: found \"valid\" path without endnode!");
  if (SearchFrom(NodeByIndex(end)) == 0) SYS_BREAKPROGRAM(kNoFrom);
  path.Cost = e.Limit;
  std::memset(path.Nodes, 0, sizeof(path.Nodes));
  path.PathNodeCounter = 1;
  path.Nodes[0] = end;
  // Back along the predecessors; the end node is looked at like any other and may stand twice.
  for (uint32_t n = end;;) {
    if (path.PathNodeCounter == kMostPathNodes) {
      path.Invalid = 2;
      return;
    }
    const TNode& node = NodeByIndex(n);
    if (n == start || IsDecisionNode(node)) path.Nodes[path.PathNodeCounter++] = n;
    if (n == start) return;
    n = SearchFrom(node);
    if (!NodeInPool(n)) SYS_BREAKPROGRAM(kNoFrom);
  }
}

void NodeSearch(TPathEvaluator& e, uint32_t start, uint32_t targetNode, TPath* path) {
  e.Path = path;
  e.StartNode = start;
  e.Target = targetNode;
  e.TargetPos = NodeInPool(targetNode) ? NodeByIndex(targetNode).Position : TVector{};
  CalcPath(e, kNoLimit);
}

void StationSearch(TStationSearchEvaluator& e, uint32_t start, uint32_t station, uint32_t radius, uint32_t limit,
                   TPath* path, TSchedule* schedule, uint32_t halt) {
  e.StartNode = start;
  e.Target = station;
  e.Halt = halt;
  e.Schedule = schedule;
  e.Path = path;
  e.AcceptRadius = radius;
  e.UseAccept = radius != 0 ? 1 : 0;
  static const std::unique_ptr<TStation> s = std::make_unique<TStation>();
  s->A_Read(station);
  e.TargetPos = s->Position;
  CalcPath(e, limit);
}
