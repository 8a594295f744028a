// The test programs' entry: GoogleTest's, once the machine may be changed.
#include <gtest/gtest.h>

#include "support/machine_guard.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // Listing the cases, as the build does to find them, changes nothing.
  if (!GTEST_FLAG_GET(list_tests) && !harness::MayChangeThisMachine(argv[0])) {
    return harness::kRefusedStatus;
  }
  return RUN_ALL_TESTS();
}
