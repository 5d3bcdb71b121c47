// The path search over the node graph. CalcPath walks the graph from a start node, depth first
// with pruning, and stops at nodes that an evaluator accepts as targets; the searches of the
// network (to a node, to a station, to a station avoiding occupied blocks, to a halt candidate of a
// schedule) differ only in their evaluator. The result is a TPath: the cost of the cheapest path
// found and the nodes along it at which a vehicle has to decide something.
//
// Costs: a single link costs its length (a link of length 0 counts as 1, so that the search cannot
// go round a cycle of coincident nodes for ever); leaving a station stop node over its single link
// costs 150 more on a road and 800 more on a rail; each link of a branch node costs 200 more, and
// 200 more again at a station stop node; turning at a dead end, on an unfinished way or before
// another player's building node costs 2000 (200 when the node before is a station stop) and goes
// on at the node that OppositeNode gives in mode 1. The limit shrinks to the cost of every target
// reached, so the first of two equal paths is kept at branch nodes and the later one wins over
// single links.
//
// The search keeps its branch nodes on a stack of its own instead of the call stack, so that the
// depth of a large network is bounded by the node pool only.
#pragma once

#include <cstdint>

#include "engine/base/types.h"
#include "engine/world/records.h"

// The halt candidates of a schedule calculation: for each halt 1..20 up to 200 candidate nodes
// (the first nodes of the halt station's stop-node runs), each with a mark.
constexpr int kHaltCandidateRoom = 200;
constexpr uint8_t kCandidateGood = 1, kCandidateOnChain = 3, kCandidateUntried = 4, kCandidateDead = 5;
struct THaltCandidates {
  uint8_t Count[21] = {};  // by halt; entry 0 unused
  uint32_t Nodes[21][kHaltCandidateRoom] = {};
  uint8_t Marks[21][kHaltCandidateRoom] = {};

  // The 1-based number of Node in halt Halt's list; 0 when it is not there (or Halt is not 1..20).
  int Find(uint32_t halt, uint32_t node) const;
};

// The search object of CalcPath. Its three operations are virtual; each kind below overrides what
// it needs. The caller owns the path record.
class TPathEvaluator {
 public:
  virtual ~TPathEvaluator() = default;
  virtual bool IsTarget(uint32_t node) = 0;
  // May the search step from Current to Next.
  virtual bool AcceptEdge(uint32_t next, uint32_t current);
  // Called for every node the search stands on.
  virtual void Visit(uint32_t node);

  TPath* Path = nullptr;
  uint32_t StartNode = 0;
  uint8_t UseAccept = 1;  // call AcceptEdge during the search
  uint8_t UseVisit = 0;   // call Visit during the search
  uint32_t Limit = 0;     // the cost limit; after a success the cost of the best path found
  TVector TargetPos{};    // orders the two links of a branch node: the nearer next node first
  uint32_t Target = 0;    // a node or a station, by kind
};

// The target is the node Target.
class TNodeTargetEvaluator : public TPathEvaluator {
 public:
  bool IsTarget(uint32_t node) override;
};

// The target is a station stop node (flag 4) of a way whose station is Target.
class TStationTargetEvaluator : public TPathEvaluator {
 public:
  bool IsTarget(uint32_t node) override;
};

// A station target that does not enter a red block near the start: within AcceptRadius of the
// start (the current node's cost below it) a step into a node whose block state is 1 is refused.
// The schedule searches add the halt they look for and their candidates.
class TStationSearchEvaluator : public TStationTargetEvaluator {
 public:
  bool AcceptEdge(uint32_t next, uint32_t current) override;

  uint32_t Halt = 0;
  TSchedule* Schedule = nullptr;
  uint32_t AcceptRadius = 0;
  const THaltCandidates* Candidates = nullptr;
};

// A station target that is also a candidate of halt Halt not marked dead.
class TOpenHaltCandidateEvaluator : public TStationSearchEvaluator {
 public:
  bool IsTarget(uint32_t node) override;
};

// A station target that is also a candidate of halt Halt marked good.
class TGoodHaltCandidateEvaluator : public TStationSearchEvaluator {
 public:
  bool IsTarget(uint32_t node) override;
};

// The path unit's evaluators; the schedule unit keeps its own three (network/track/schedules.h).
extern TNodeTargetEvaluator NodeTargetEvaluator;
extern TStationTargetEvaluator StationTargetEvaluator;

// The parts of the network that the search asks and that live in other units.
namespace path_hooks {
// The block state at a node: 0 no signal or green, 1 red, 2 one-way against. The search does not
// leave a node over its single link while this is 2, and the block-avoiding evaluators refuse a red
// block near the start. Default: 0.
extern uint8_t (*BlockStateAtNode)(uint32_t node);
// Every hook above back to its default.
void InstallDefaults();
}  // namespace path_hooks

// Searches from E.StartNode and fills E.Path: status (Invalid) 0 found, 2 failed; on success the
// cost (also in E.Limit) and the decision nodes from the end node back to the start. A failed
// search changes only the status. A start that is 0, outside the node pool or not on a finished
// way fails at once; more than 1000 decision nodes fail. An end node without predecessor is a
// fatal stop ("Error in CalcPath: endnode has no from!").
void CalcPath(TPathEvaluator& e, uint32_t limit);
// CalcPath from Start to the node TargetNode without a limit ($7FFFFFFF).
void NodeSearch(TPathEvaluator& e, uint32_t start, uint32_t targetNode, TPath* path);
// CalcPath from Start to a stop node of Station with the given limit; the evaluator refuses red
// blocks within Radius of the start when Radius is not 0. The station is read for its position.
void StationSearch(TStationSearchEvaluator& e, uint32_t start, uint32_t station, uint32_t radius, uint32_t limit,
                   TPath* path, TSchedule* schedule, uint32_t halt);

// The cost of leaving Node over its next link k (0 or 1), as the search counts it: the link's
// length (at least 1), plus 200 (and 200 more at a station stop) at a branch node, or the stop cost
// of a station stop node with a single link (150 road, 800 rail). Turns are not included.
uint32_t LinkStepCost(uint32_t node, int k);

// The deepest the search's branch stack grew in the last CalcPath.
extern uint32_t PathSearchDeepestStack;
