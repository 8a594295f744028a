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

TEST_F(TollaverDoor, FailuresEndWithTheirLine) {
  harness::WriteFile(work_dir() / "ok.inf", harness::DriverInf({"ROOT\\OK"}));
  const std::vector<std::pair<harness::Fault, std::string>> cases = {
      {{"SetupCopyOEMInfA", 1, ERROR_ACCESS_DENIED},
       "Failure in SetupCopyOEMInf function!!!\n"},
      {{"FindFirstFileA", 1, ERROR_ACCESS_DENIED},
       "Error opening search handle!!!\n"},
      {{"GetCurrentDirectoryA", 1, ERROR_ACCESS_DENIED},
       "Failure getting pathname!!!\n"},
      {{"GetCurrentDirectoryA", 1, "long"}, kTooLong},
  };
  for (const auto& [fault, output] : cases) {
    SCOPED_TRACE(fault.operation + "=" + fault.value);
    const auto traced = RunTollaverThroughDoor({"ok.inf"}, {fault});
    EXPECT_EQ(traced.run.output, output);
    EXPECT_EQ(traced.run.status, -1);
    ExpectNothingLeaked(traced);
  }
}

// Every call may fail, at each of its calls: a line of its own and -1, or
// success, and never a crash or a handle left open.
TEST_F(TollaverDoor, AnyFailingCallNeverCrashesOrLeaks) {
  harness::WriteFile(work_dir() / "any.inf", harness::DriverInf({"ROOT\\ANY"}));
  for (const char* operation : {"GetCurrentDirectoryA", "FindFirstFileA",
                                "SetupCopyOEMInfA", "FindClose"}) {
    SCOPED_TRACE(operation);
    const auto traced = RunTollaverThroughDoor(
        {"any.inf"}, {{operation, 1, ERROR_GEN_FAILURE}});
    EXPECT_TRUE(traced.run.status == 0 || traced.run.status == -1);
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
