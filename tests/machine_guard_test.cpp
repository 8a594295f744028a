// Outside Wine the test programs run no case unless told that the machine may
// change: this very program, told to decide as on Windows.
#include "support/machine_guard.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/harness.h"

namespace {

// This very test program.
std::filesystem::path ThisProgram() {
  return harness::FromUnixPath(THIS_TEST_EXE);
}

harness::ToolRun RunSuiteAsOnWindows(const std::vector<std::string>& args,
                                     const std::string& allowed) {
  harness::RunOptions options;
  options.environment = {
      std::string(harness::kAsOnWindowsVariable) + "=1",
      std::string(harness::kMayChangeMachineVariable) + "=" + allowed};
  return harness::RunTool(ThisProgram(), args, options);
}

TEST(MachineGuard, TestProgramOutsideWineRunsNoCase) {
  // Only an explicit 1 allows it.
  for (const char* allowed : {"", "11"}) {
    const auto refused = RunSuiteAsOnWindows({}, allowed);
    EXPECT_EQ(refused.output,
              harness::RefusalLine(ThisProgram().filename().string()) + "\n")
        << "'" << allowed << "'";
    EXPECT_EQ(refused.status, harness::kRefusedStatus);
  }

  // Listing the cases changes nothing, and is not refused.
  const auto listed = RunSuiteAsOnWindows({"--gtest_list_tests"}, "");
  EXPECT_NE(listed.output.find("WineVersions."), std::string::npos);
  EXPECT_EQ(listed.status, 0);

  const auto allowed = RunSuiteAsOnWindows(
      {"--gtest_filter=WineVersions.KestrumIsShownWindows98"}, "1");
  EXPECT_NE(allowed.output.find("[  PASSED  ] 1 test."), std::string::npos)
      << allowed.output;
  EXPECT_EQ(allowed.status, 0);
}

}  // namespace
