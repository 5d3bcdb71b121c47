// The invariants of the goods economy that every tick keeps, for tests that run a world tick by
// tick: each batch is held by exactly one list (a station's in-goods or out-goods, a vehicle's goods
// or a ship's slot) and every listed batch exists; in the goods-way economy every goods way and
// passenger way counts exactly the batches that refer to it, and a goods way holds 2 to 99 path
// entries and no station twice; the lists' counts, the stations' goods entries and the goods
// processes' phases and speeds stay in their ranges.
#pragma once

#include <string>
#include <vector>

namespace goods_testing {

// What is broken, one line each; empty when everything holds.
std::vector<std::string> GoodsInvariantViolations();

}  // namespace goods_testing
