// Tollaver's calls as the door's trace shows them, its failures that only the
// door can make, and current directories deep enough to leave no room.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "support/door.h"
#include "support/driver_inf.h"

namespace {

namespace fs = std::filesystem;

constexpr char kTooLong[] = "Pathname is too long!!!\n";

class TollaverDoor : public DoorTest {
 protected:
  harness::TracedRun RunTollaverThroughDoor(
      const std::vector<std::string>& args,
      const std::vector<harness::Fault>& faults = {},
      const harness::RunOptions& extra = {}) {
    return RunThroughDoor(harness::TollaverDoorPath(), args, faults, extra);
  }
};

TEST_F(TollaverDoor, MissingFileNeverReachesTheService) {
  const auto traced = RunTollaverThroughDoor({"absent.inf"});
  EXPECT_EQ(traced.run.output, "Error opening search handle!!!\n");
  EXPECT_EQ(traced.run.status, -1);
  EXPECT_TRUE(traced.Calls("SetupCopyOEMInfA").empty());
  ExpectNothingLeaked(traced);
}

TEST_F(TollaverDoor, ServiceGetsTheJoinedPathAsTyped) {
  harness::WriteFile(work_dir() / "pre.inf", harness::DriverInf({"ROOT\\PRE"}));
  for (const char* typed : {"pre.inf", "p*.inf"}) {
    const auto traced = RunTollaverThroughDoor({typed});
    const auto copies = traced.Calls("SetupCopyOEMInfA");
    ASSERT_EQ(copies.size(), 1u);
    const std::map<std::string, std::string> expected = {
        {"source", harness::WindowsPath(work_dir()) + "\\" + typed},
        {"media_location", "(null)"},
        {"media_type", std::to_string(SPOST_PATH)},
        {"copy_style", "0"},
        {"size", "256"}};
    for (const auto& [key, value] : expected) {
      EXPECT_EQ(copies[0].Arg(key), value) << key;
    }
    const auto directory = traced.Calls("GetCurrentDirectoryA");
    ASSERT_EQ(directory.size(), 1u);
    EXPECT_EQ(directory[0].Arg("size"), std::to_string(MAX_PATH));
    // The search handle is closed whatever the service said.
    ExpectNothingLeaked(traced);
  }
}

// Each failure ends with its own line and -1, and never leaves a handle open;
// a search handle that cannot be closed changes nothing.
TEST_F(TollaverDoor, FailuresEndWithTheirLine) {
  harness::WriteFile(work_dir() / "ok.inf", harness::DriverInf({"ROOT\\OK"}));
  const struct {
    harness::Fault fault;
    std::string output;
    int status;
  } cases[] = {
      {{"SetupCopyOEMInfA", 1, ERROR_ACCESS_DENIED},
       "Failure in SetupCopyOEMInf function!!!\n",
       -1},
      {{"FindFirstFileA", 1, ERROR_ACCESS_DENIED},
       "Error opening search handle!!!\n",
       -1},
      {{"GetCurrentDirectoryA", 1, ERROR_ACCESS_DENIED},
       "Failure getting pathname!!!\n",
       -1},
      {{"GetCurrentDirectoryA", 1, "long"}, kTooLong, -1},
      {{"FindClose", 1, ERROR_GEN_FAILURE}, "", 0},
  };
  for (const auto& [fault, output, status] : cases) {
    SCOPED_TRACE(fault.operation + "=" + fault.value);
    const auto traced = RunTollaverThroughDoor({"ok.inf"}, {fault});
    EXPECT_EQ(traced.run.output, output);
    EXPECT_EQ(traced.run.status, status);
    ExpectNothingLeaked(traced);
  }
}

// A directory of 250 characters, as deep as Wine starts a program in: it
// fits, the joined path does not, and the service is never called.
TEST_F(TollaverDoor, DeepCurrentDirectoryLeavesNoRoomForTheName) {
  fs::path deep = work_dir();
  while (harness::WindowsPath(deep).size() < 240) deep /= "deeper";
  deep /= std::string(250 - harness::WindowsPath(deep).size() - 1, 'd');
  ASSERT_EQ(harness::WindowsPath(deep).size(), 250u);
  fs::create_directories(deep);
  harness::WriteFile(deep / "a.inf", harness::DriverInf({"ROOT\\DEEP"}));
  harness::RunOptions in_deep;
  in_deep.cwd = deep;

  auto traced = RunTollaverThroughDoor({"long_name.inf"}, {}, in_deep);
  EXPECT_EQ(traced.run.output, kTooLong);
  EXPECT_EQ(traced.run.status, -1);
  EXPECT_TRUE(traced.Calls("FindFirstFileA").empty());

  // A short name still fits.
  traced = RunTollaverThroughDoor({"a.inf"}, {}, in_deep);
  EXPECT_EQ(traced.run.output, "");
  EXPECT_EQ(traced.run.status, 0);
}

}  // namespace
