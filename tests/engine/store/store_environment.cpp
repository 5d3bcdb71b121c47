// The record store of the test program is released when the tests end, so that the leak check at
// exit has no 60 MB of store to scan.
#include <gtest/gtest.h>

#include "engine/store/recordstore.h"

namespace {

class ArrayerEnvironment : public ::testing::Environment {
 public:
  void TearDown() override { ArrayerFree(); }
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ArrayerEnvironment);

}  // namespace
