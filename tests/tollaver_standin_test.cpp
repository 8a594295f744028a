// Tollaver's calls as the stand-in's trace shows them, and the current
// directory that Wine cannot start a program in.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/driver_inf.h"
#include "support/traced_run.h"

namespace {

namespace fs = std::filesystem;

class TollaverTraced : public TracedToolTest {};

TEST_F(TollaverTraced, MissingFileNeverReachesTheService) {
  const auto traced = RunTraced(harness::TollaverPath(), {"absent.inf"});
  EXPECT_EQ(traced.run.output, "Error opening search handle!!!\n");
  EXPECT_TRUE(traced.Calls("SetupCopyOEMInfA").empty());
  ExpectNothingLeaked(traced);
}

TEST_F(TollaverTraced, ServiceGetsTheJoinedPathAsTyped) {
  harness::WriteFile(work_dir() / "pre.inf", harness::DriverInf({"ROOT\\PRE"}));
  for (const char* typed : {"pre.inf", "p*.inf"}) {
    const auto traced = RunTraced(harness::TollaverPath(), {typed});
    const auto copies = traced.Calls("SetupCopyOEMInfA");
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].Arg("source"),
              harness::WindowsPath(work_dir()) + "\\" + typed);
    EXPECT_EQ(copies[0].Arg("media_type"), "1");
    EXPECT_EQ(copies[0].Arg("copy_style"), "0");
    EXPECT_EQ(copies[0].Arg("size"), "256");
    // The search handle is closed whatever the service said.
    ExpectNothingLeaked(traced);
  }
}

TEST_F(TollaverTraced, FailingServiceOrSearchEndsWithItsLine) {
  harness::WriteFile(work_dir() / "ok.inf", harness::DriverInf({"ROOT\\OK"}));
  auto traced = RunTraced(harness::TollaverPath(), {"ok.inf"},
                          {{"SetupCopyOEMInfA", 1, ERROR_ACCESS_DENIED}});
  EXPECT_EQ(traced.run.output, "Failure in SetupCopyOEMInf function!!!\n");
  EXPECT_EQ(traced.run.status, -1);
  ExpectNothingLeaked(traced);

  traced = RunTraced(harness::TollaverPath(), {"ok.inf"},
                     {{"GetCurrentDirectoryA", 1, ERROR_ACCESS_DENIED}});
  EXPECT_EQ(traced.run.output, "Failure getting pathname!!!\n");
  EXPECT_EQ(traced.run.status, -1);
}

// Directories this deep exist only outside Wine, which cannot start a program
// in them.
TEST_F(TollaverTraced, DeepCurrentDirectory) {
  fs::path deep = work_dir();
  while (harness::WindowsPath(deep).size() < 250) deep /= "deeper";
  fs::create_directories(deep);
  harness::WriteFile(deep / "a.inf", harness::DriverInf({"ROOT\\DEEP"}));
  harness::RunOptions in_deep;
  in_deep.cwd = deep;
  // The directory fits, the joined path does not.
  auto run = Run(harness::TollaverPath(), {"long_enough_name.inf"}, in_deep);
  EXPECT_EQ(run.output, "Pathname is too long!!!\n");
  EXPECT_EQ(run.status, -1);

  while (harness::WindowsPath(deep).size() < 270) deep /= "deeper";
  fs::create_directories(deep);
  in_deep.cwd = deep;
  run = Run(harness::TollaverPath(), {"a.inf"}, in_deep);
  EXPECT_EQ(run.output, "Pathname is too long!!!\n");
  EXPECT_EQ(run.status, -1);
}

}  // namespace
