// The store of the test program goes when the tests end, so that the leak check at exit does not
// scan it.
#include <gtest/gtest.h>

#include "engine/store/recordstore.h"

namespace {

struct ReleaseStore : ::testing::Environment {
  void TearDown() override { ArrayerFree(); }
};

[[maybe_unused]] ::testing::Environment* const g_release = ::testing::AddGlobalTestEnvironment(new ReleaseStore);

}  // namespace
