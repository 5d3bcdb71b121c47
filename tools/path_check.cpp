#include "tools/path_check.h"

#include <boost/graph/compressed_sparse_row_graph.hpp>
#include <boost/graph/dijkstra_shortest_paths_no_color_map.hpp>
#include <boost/property_map/property_map.hpp>

#include <functional>
#include <limits>
#include <random>

#include "engine/store/nodepool.h"
#include "engine/world/records.h"
#include "network/track/paths.h"

namespace path_check {

namespace {

struct TWeight {
  uint32_t Cost;
};
using Graph = boost::compressed_sparse_row_graph<boost::directedS, boost::no_property, TWeight, boost::no_property,
                                                 uint32_t, uint32_t>;
using Vertex = boost::graph_traits<Graph>::vertex_descriptor;

constexpr uint64_t kUnreached = std::numeric_limits<uint64_t>::max();

// Thrown to leave the search once the target is taken from the queue.
struct TTargetTaken {};

// Records every vertex whose distance was set, so that only those are reset afterwards.
class TVisitor : public boost::default_dijkstra_visitor {
 public:
  TVisitor(Vertex target, std::vector<Vertex>& touched) : target_(target), touched_(&touched) {}
  void discover_vertex(Vertex v, const Graph&) { touched_->push_back(v); }
  void examine_vertex(Vertex v, const Graph&) {
    if (v == target_) throw TTargetTaken{};
  }

 private:
  Vertex target_;
  std::vector<Vertex>* touched_;
};

}  // namespace

struct TReferenceGraph::Impl {
  Graph graph;
  std::vector<uint64_t> distance;
  std::vector<Vertex> predecessor;
  std::vector<Vertex> touched;
};

TReferenceGraph::TReferenceGraph() : impl_(std::make_unique<Impl>()) {
  // Vertex n is node n; vertex 0 stays alone.
  std::vector<std::pair<uint32_t, uint32_t>> edges;
  std::vector<TWeight> weights;
  for (uint32_t n = 1; n <= NodeArrayCount; ++n) {
    const TNode& node = NodeByIndex(n);
    if (node.Used == 0) continue;
    for (int k = 0; k < node.NextLinkCount && k < 2; ++k) {
      edges.emplace_back(n, node.NextLinks[k]);
      weights.push_back({LinkStepCost(n, k)});
    }
  }
  const uint32_t vertices = NodeArrayCount + 1;
  impl_->graph = Graph(boost::edges_are_sorted, edges.begin(), edges.end(), weights.begin(), vertices);
  impl_->distance.assign(vertices, kUnreached);
  impl_->predecessor.resize(vertices);
}

TReferenceGraph::~TReferenceGraph() = default;

bool TReferenceGraph::Cost(uint32_t from, uint32_t to, uint64_t& cost) {
  Impl& m = *impl_;
  m.touched.clear();
  m.distance[from] = 0;
  try {
    boost::dijkstra_shortest_paths_no_color_map_no_init(
        m.graph, from, boost::make_iterator_property_map(m.predecessor.begin(), get(boost::vertex_index, m.graph)),
        boost::make_iterator_property_map(m.distance.begin(), get(boost::vertex_index, m.graph)),
        get(&TWeight::Cost, m.graph), get(boost::vertex_index, m.graph), std::less<uint64_t>(),
        std::plus<uint64_t>(), kUnreached, uint64_t{0}, TVisitor(to, m.touched));
  } catch (const TTargetTaken&) {
  }
  cost = m.distance[to];
  m.distance[from] = kUnreached;
  for (const Vertex v : m.touched) m.distance[v] = kUnreached;
  return cost != kUnreached;
}

bool SearchCost(uint32_t from, uint32_t to, uint64_t& cost) {
  static const std::unique_ptr<TPath> path = std::make_unique<TPath>();
  NodeSearch(NodeTargetEvaluator, from, to, path.get());
  cost = path->Cost;
  return path->Invalid == 0;
}

std::vector<std::pair<uint32_t, uint32_t>> SeededPairs(uint32_t count, uint32_t seed, uint32_t first,
                                                       uint32_t nodes) {
  std::mt19937 twister(seed);
  std::vector<std::pair<uint32_t, uint32_t>> pairs;
  if (nodes < 2) return pairs;
  pairs.reserve(count);
  while (pairs.size() < count) {
    const uint32_t a = first + static_cast<uint32_t>(twister() % nodes);
    const uint32_t b = first + static_cast<uint32_t>(twister() % nodes);
    if (a != b) pairs.emplace_back(a, b);
  }
  return pairs;
}

}  // namespace path_check
