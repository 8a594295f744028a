// Outside Wine the test programs run no case unless told that the machine may
// change: the decision, and a test program that makes it.
#include "support/machine_guard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/harness.h"

namespace {

TEST(MachineGuard, OnlyWineOrAnExplicitOneAllowsChanges) {
  EXPECT_TRUE(harness::MayChangeMachine(true, nullptr));
  EXPECT_TRUE(harness::MayChangeMachine(true, "0"));
  EXPECT_TRUE(harness::MayChangeMachine(false, "1"));
  for (const char* allowed : {"", "0", "yes", "11", " 1"}) {
    EXPECT_FALSE(harness::MayChangeMachine(false, allowed)) << allowed;
  }
  EXPECT_FALSE(harness::MayChangeMachine(false, nullptr));
}

TEST(MachineGuard, WineIsRecognized) { EXPECT_TRUE(harness::RunsUnderWine()); }

// executables_test, told to decide as on Windows.
harness::ToolRun RunSuiteAsOnWindows(const std::vector<std::string>& args,
                                     const char* allowed) {
  harness::RunOptions options;
  options.environment = {
      std::string(harness::kAsOnWindowsVariable) + "=1",
      std::string(harness::kMayChangeMachineVariable) + "=" + allowed};
  return harness::RunTool(harness::FromUnixPath(EXECUTABLES_TEST_EXE), args,
                          options);
}

TEST(MachineGuard, TestProgramOutsideWineRunsNoCase) {
  const auto refused = RunSuiteAsOnWindows({}, "");
  EXPECT_EQ(refused.output,
            harness::RefusalLine("executables_test.exe") + "\n");
  EXPECT_EQ(refused.status, harness::kRefusedStatus);

  // Listing the cases changes nothing, and is not refused.
  const auto listed = RunSuiteAsOnWindows({"--gtest_list_tests"}, "");
  EXPECT_NE(listed.output.find("VersionResource."), std::string::npos);
  EXPECT_EQ(listed.status, 0);

  const auto allowed =
      RunSuiteAsOnWindows({"--gtest_filter=VersionResource.Kestrum"}, "1");
  EXPECT_NE(allowed.output.find("[  PASSED  ] 1 test."), std::string::npos)
      << allowed.output;
  EXPECT_EQ(allowed.status, 0);
}

}  // namespace
