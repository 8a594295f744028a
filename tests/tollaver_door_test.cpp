// Tollaver's calls as the door's trace shows them, its failures that only the
// door can make, and current directories deep enough to leave no room.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/door.h"
#include "support/driver_inf.h"
#include "support/machine.h"
#include "support/messages.h"

namespace {

namespace fs = std::filesystem;
using harness::Ends;

using TollaverDoor = DoorTest;

TEST_F(TollaverDoor, MissingFileNeverReachesTheService) {
  const auto traced = RunThroughDoor(kTollaver, {"absent.inf"});
  EXPECT_EQ(traced, Ends(messages::kTollaverNoFile, -1));
  EXPECT_TRUE(traced.Calls("SetupCopyOEMInfA").empty());
  ExpectNothingLeaked(traced);
}

// The service gets the joined path as typed, wildcards and all. The buffers
// are offered whole: no run under Wine shows a folder or a copy's name long
// enough to tell.
TEST_F(TollaverDoor, ServiceGetsTheJoinedPathAsTyped) {
  const std::string inf = harness::DriverInf({"ROOT\\TOLLAVER_PRE"});
  harness::WriteFile(work_dir() / "pre.inf", inf);
  for (const char* typed : {"pre.inf", "p*.inf"}) {
    const auto traced = RunThroughDoor(kTollaver, {typed});
    ExpectCalls(traced, "SetupCopyOEMInfA", 1,
                {{"source", harness::WindowsPath(work_dir()) + "\\" + typed},
                 {"size", "256"}});
    ExpectCalls(traced, "GetCurrentDirectoryA", 1,
                {{"size", std::to_string(MAX_PATH)}});
    // The search handle is closed whatever the service said.
    ExpectNothingLeaked(traced);
  }
  EXPECT_EQ(harness::PreInstalled(inf).size(), 1u);
}

// Each failure ends with its own line and -1, and never leaves a handle open;
// a search handle that cannot be closed changes nothing.
TEST_F(TollaverDoor, FailuresEndWithTheirLine) {
  const std::string inf = harness::DriverInf({"ROOT\\TOLLAVER_OK"});
  harness::WriteFile(work_dir() / "ok.inf", inf);
  const struct {
    harness::Fault fault;
    harness::Outcome outcome;
  } cases[] = {
      {{"SetupCopyOEMInfA", 1, ERROR_ACCESS_DENIED},
       {messages::kTollaverRefused, -1}},
      {{"FindFirstFileA", 1, ERROR_ACCESS_DENIED},
       {messages::kTollaverNoFile, -1}},
      {{"GetCurrentDirectoryA", 1, ERROR_ACCESS_DENIED},
       {messages::kTollaverNoPathname, -1}},
      {{"GetCurrentDirectoryA", 1, "long"}, {messages::kTollaverTooLong, -1}},
      {{"FindClose", 1, ERROR_GEN_FAILURE}, {"", 0}},
  };
  for (const auto& [fault, outcome] : cases) {
    SCOPED_TRACE(fault.operation + "=" + fault.value);
    const auto traced = RunThroughDoor(kTollaver, {"ok.inf"}, {fault});
    EXPECT_EQ(traced, outcome);
    ExpectNothingLeaked(traced);
  }
  // Only the run whose failure came after the copy made one.
  EXPECT_EQ(harness::PreInstalled(inf).size(), 1u);
}

// A directory of 250 characters, as deep as Wine starts a program in: it
// fits, the joined path does not, and the service is never called.
TEST_F(TollaverDoor, DeepCurrentDirectoryLeavesNoRoomForTheName) {
  fs::path deep = work_dir();
  while (harness::WindowsPath(deep).size() < 240) deep /= "deeper";
  deep /= std::string(250 - harness::WindowsPath(deep).size() - 1, 'd');
  fs::create_directories(deep);
  const std::string inf = harness::DriverInf({"ROOT\\TOLLAVER_DEEP"});
  harness::WriteFile(deep / "a.inf", inf);
  harness::RunOptions in_deep;
  in_deep.cwd = deep;

  auto traced = RunThroughDoor(kTollaver, {"long_name.inf"}, {}, in_deep);
  EXPECT_EQ(traced, Ends(messages::kTollaverTooLong, -1));
  EXPECT_TRUE(traced.Calls("FindFirstFileA").empty());

  // A short name still fits.
  EXPECT_EQ(RunThroughDoor(kTollaver, {"a.inf"}, {}, in_deep), Ends("", 0));
  EXPECT_EQ(harness::PreInstalled(inf).size(), 1u);
}

}  // namespace
