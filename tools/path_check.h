// The network's path search beside Dijkstra's algorithm of the Boost Graph Library on the same
// node graph, for the simulation driver's check and the path search benchmark.
//
// The reference graph holds every node of the pool that is in use and its next links, each
// weighted as the path search counts the step (LinkStepCost: the link's length, at least 1, plus
// the branch and station stop costs). Turns at dead ends and the owner test of building nodes are
// not in it, so the two agree on networks without dead ends, whose nodes all lie on finished ways
// and whose two links at a branch node are equally long: there the search's early stop at a target
// behind the first link of a branch cannot miss a cheaper one behind the second.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace path_check {

class TReferenceGraph {
 public:
  // The graph of the node pool as it is now.
  TReferenceGraph();
  ~TReferenceGraph();
  // The cheapest cost from From to To (the search stops when To is taken from the queue); false
  // when To cannot be reached. From = To costs 0.
  bool Cost(uint32_t from, uint32_t to, uint64_t& cost);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The path search from From to the node To (NodeSearch with the node-target evaluator); false
// when it finds nothing (or a path of more than 1000 decision nodes). Cost is the found path's
// cost.
bool SearchCost(uint32_t from, uint32_t to, uint64_t& cost);

// Count pairs of distinct nodes First .. First + Nodes - 1 drawn by a Mersenne twister seeded with
// Seed, the same on every machine; none when Nodes is below 2.
std::vector<std::pair<uint32_t, uint32_t>> SeededPairs(uint32_t count, uint32_t seed, uint32_t first,
                                                       uint32_t nodes);

}  // namespace path_check
