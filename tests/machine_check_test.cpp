// The fixture's promise, shown by cases that break it on purpose: run in a
// test program of their own making (this one, started again), each must fail
// by name, saying what it left, took or shared.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/case_ledger.h"
#include "support/devices.h"
#include "support/fixture.h"
#include "support/machine.h"

namespace {

namespace fs = std::filesystem;

constexpr char kLeftId[] = "ROOT\\HARNESS_LEFT_BEHIND";
constexpr char kSharedId[] = "ROOT\\HARNESS_SHARED";
constexpr char kTakenInf[] = "harness_taken.inf";

// Disabled: only the case below runs them, in a process of their own.
using PlantedFaults = ToolTest;

TEST_F(PlantedFaults, DISABLED_LeavesADevice) {
  // Made past the helpers, so nothing removes it.
  EXPECT_TRUE(devices::Create({kLeftId}).error.empty());
}

TEST_F(PlantedFaults, DISABLED_TakesAFile) {
  fs::remove(harness::InfFolder() / kTakenInf);
}

TEST_F(PlantedFaults, DISABLED_FirstOwner) {
  harness::CreateDevice({kSharedId});
}

TEST_F(PlantedFaults, DISABLED_SecondOwner) {
  harness::CreateDevice({kSharedId});
}

using MachineCheck = ToolTest;

TEST_F(MachineCheck, CaseThatLeavesTakesOrSharesFailsByName) {
  // A file of the machine that one planted case deletes.
  harness::WriteFile(harness::InfFolder() / kTakenInf, "[Version]\r\n");
  harness::CaseLedger::Current().MadeFile(harness::InfFolder() / kTakenInf);

  const harness::ToolRun planted = harness::RunTool(
      harness::FromUnixPath(THIS_TEST_EXE),
      {"--gtest_also_run_disabled_tests", "--gtest_filter=PlantedFaults.*"});

  const std::string& output = planted.output;
  EXPECT_EQ(planted.status, 1);
  for (const char* failed :
       {"[  FAILED  ] PlantedFaults.DISABLED_LeavesADevice",
        "[  FAILED  ] PlantedFaults.DISABLED_TakesAFile",
        "[  FAILED  ] PlantedFaults.DISABLED_SecondOwner",
        "[       OK ] PlantedFaults.DISABLED_FirstOwner",
        "left: device ROOT\\SYSTEM\\",
        "taken: INF folder file harness_taken.inf",
        "\"ROOT\\HARNESS_SHARED\" is PlantedFaults.DISABLED_FirstOwner's"}) {
    EXPECT_NE(output.find(failed), std::string::npos) << failed << "\n"
                                                      << output;
  }
  EXPECT_NE(output.find(std::string("[") + kLeftId + "]"), std::string::npos);

  // What the planted case left goes, so that this case leaves nothing.
  for (const harness::DeviceInfo& device : harness::ListDevices()) {
    if (device.hardware_ids == std::vector<std::string>{kLeftId}) {
      harness::RemoveDevice(device.instance_id);
    }
  }
}

}  // namespace
