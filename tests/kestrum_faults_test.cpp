// Kestrum against failures only the stand-in can make on demand, and what its
// trace proves: the arguments passed, and nothing leaked on any path.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/devices.h"
#include "support/driver_inf.h"
#include "support/traced_run.h"

namespace {

using harness::CreateDevice;
using harness::DeviceExists;
using standin::testing::Fault;

constexpr DWORD kAccessDenied = 5;
constexpr DWORD kGeneralFailure = 31;

class KestrumFaults : public TracedToolTest {
 protected:
  TracedRun TraceKestrum(const std::vector<std::string>& args,
                         const std::vector<Fault>& faults = {},
                         const char* file = __builtin_FILE(),
                         int line = __builtin_LINE()) {
    return RunTraced(harness::KestrumPath(), args, faults, file, line);
  }
};

TEST_F(KestrumFaults, FailedRemovalIsReportedAndTheScanGoesOn) {
  const std::string first = CreateDevice({"ROOT\\KESTRUM_STUCK"});
  const std::string second = CreateDevice({"ROOT\\KESTRUM_STUCK"});

  const auto traced =
      TraceKestrum({"N", "ROOT\\KESTRUM_STUCK"},
                   {{"SetupDiCallClassInstaller", 1, kAccessDenied}});

  EXPECT_EQ(traced.run.output,
            "Found! [ROOT\\KESTRUM_STUCK]\n"
            "CallClassInstaller(REMOVE) FAILURE: Access denied.\r\n\n"
            "Found! [ROOT\\KESTRUM_STUCK]\n");
  EXPECT_EQ(traced.run.status, 1);
  EXPECT_TRUE(DeviceExists(first));
  EXPECT_FALSE(DeviceExists(second));
  ExpectNothingLeaked(traced);
}

TEST_F(KestrumFaults, ReportWithoutSystemTextShowsTheCode) {
  CreateDevice({"ROOT\\KESTRUM_NO_TEXT"});
  const auto traced =
      TraceKestrum({"N", "ROOT\\KESTRUM_NO_TEXT"},
                   {{"SetupDiCallClassInstaller", 1, kAccessDenied},
                    {"FormatMessageA", 1, ERROR_MR_MID_NOT_FOUND}});
  EXPECT_EQ(traced.run.output,
            "Found! [ROOT\\KESTRUM_NO_TEXT]\n"
            "CallClassInstaller(REMOVE) FAILURE: (0x00000005)\n");
  EXPECT_EQ(traced.run.status, 1);
  ExpectNothingLeaked(traced);
}

TEST_F(KestrumFaults, FatalFailuresEndTheScanWithItsReport) {
  struct Case {
    Fault fault;
    std::string output;
  };
  const std::vector<Case> cases = {
      {{"SetupDiGetClassDevsA", 1, kAccessDenied},
       "GetClassDevs(All Devices) FAILURE: Access denied.\r\n\n"},
      {{"SetupDiGetDeviceRegistryPropertyA", 1, kAccessDenied},
       "GetDeviceRegistryProperty FAILURE: Access denied.\r\n\n"},
      {{"SetupDiEnumDeviceInfo", 1, kAccessDenied},
       "EnumDeviceInfo FAILURE: Access denied.\r\n\n"},
      {{"LocalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY}, "LocalAlloc FAILURE: "},
  };
  for (const Case& fatal : cases) {
    SCOPED_TRACE(fatal.fault.operation);
    const std::string device = CreateDevice({"ROOT\\KESTRUM_FATAL"});
    const auto traced =
        TraceKestrum({"N", "ROOT\\KESTRUM_FATAL"}, {fatal.fault});
    EXPECT_EQ(traced.run.output.substr(0, fatal.output.size()), fatal.output);
    EXPECT_EQ(traced.run.status, 1);
    EXPECT_TRUE(DeviceExists(device));
    EXPECT_TRUE(traced.Calls("SetupDiCallClassInstaller").empty());
    ExpectNothingLeaked(traced);
  }
}

TEST_F(KestrumFaults, EnumerationFailingMidwayKeepsEarlierRemovals) {
  const std::string early = CreateDevice({"ROOT\\KESTRUM_EARLY"});
  const std::string late = CreateDevice({"ROOT\\KESTRUM_EARLY"});
  const auto devices = harness::ListDevices();
  const auto late_position = std::find_if(
      devices.begin(), devices.end(), [&](const harness::DeviceInfo& device) {
        return device.instance_id == late;
      });
  ASSERT_NE(late_position, devices.end());
  // The enumeration call that would fill in the later device fails.
  const int failing_call =
      static_cast<int>(late_position - devices.begin()) + 1;

  const auto traced =
      TraceKestrum({"N", "ROOT\\KESTRUM_EARLY"},
                   {{"SetupDiEnumDeviceInfo", failing_call, kGeneralFailure}});

  EXPECT_EQ(traced.run.output.rfind("Found! [ROOT\\KESTRUM_EARLY]\n"
                                    "EnumDeviceInfo FAILURE: ",
                                    0),
            0u)
      << traced.run.output;
  EXPECT_EQ(traced.run.status, 1);
  EXPECT_FALSE(DeviceExists(early));
  EXPECT_TRUE(DeviceExists(late));
  ExpectNothingLeaked(traced);
}

TEST_F(KestrumFaults, CallsPassTheRecordsTheServiceExpects) {
  CreateDevice({"ROOT\\KESTRUM_TRACED"});
  const auto traced = TraceKestrum({"N", "ROOT\\KESTRUM_TRACED"});
  ASSERT_EQ(traced.run.status, 0);

  const auto sets = traced.Calls("SetupDiGetClassDevsA");
  ASSERT_EQ(sets.size(), 1u);
  EXPECT_EQ(sets[0].Arg("flags"), "4");
  for (const auto& call : traced.Calls("SetupDiEnumDeviceInfo")) {
    EXPECT_EQ(call.Arg("cbSize"), "28");
  }
  const auto properties = traced.Calls("SetupDiGetDeviceRegistryPropertyA");
  ASSERT_FALSE(properties.empty());
  EXPECT_EQ(properties[0].Arg("property"), "1");
  EXPECT_EQ(properties[0].Arg("size"), "0");
  const auto removals = traced.Calls("SetupDiCallClassInstaller");
  ASSERT_EQ(removals.size(), 1u);
  EXPECT_EQ(removals[0].Arg("function"), "5");
  const auto count = [&](const char* kind) {
    return std::count_if(traced.trace.begin(), traced.trace.end(),
                         [&](const standin::testing::TraceEvent& event) {
                           return event.kind == kind;
                         });
  };
  // One set, and one hardware-ID buffer per device with IDs.
  EXPECT_EQ(count("open"), 1);
  EXPECT_GE(count("alloc"), 2);
  ExpectNothingLeaked(traced);
}

TEST_F(KestrumFaults, DriverFileStepFailuresAreReportedAndTheDeviceRemoved) {
  harness::WriteFile(InfDir() / "kestrum_f.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_FILES_FAIL"}));
  for (const char* operation :
       {"SetupDiGetDeviceInstallParamsA", "SetupDiSetDeviceInstallParamsA",
        "SetupDiBuildDriverInfoList"}) {
    SCOPED_TRACE(operation);
    const std::string device = CreateDevice({"ROOT\\KESTRUM_FILES_FAIL"});
    const auto traced = TraceKestrum({"Y", "ROOT\\KESTRUM_FILES_FAIL"},
                                     {{operation, 1, kAccessDenied}});
    EXPECT_EQ(traced.run.output,
              "Found! [ROOT\\KESTRUM_FILES_FAIL]\n"
              "FAIL TO REMOVE SPECIFIED INF & PNF files! FAILURE: "
              "Access denied.\r\n\n");
    EXPECT_EQ(traced.run.status, 0);
    EXPECT_FALSE(DeviceExists(device));
    EXPECT_TRUE(std::filesystem::exists(InfDir() / "kestrum_f.inf"));
    ExpectNothingLeaked(traced);
  }
}

TEST_F(KestrumFaults, DriverEnumerationFailingWithAnotherCode) {
  harness::WriteFile(InfDir() / "kestrum_e.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_ENUM_FAIL"}));
  CreateDevice({"ROOT\\KESTRUM_ENUM_FAIL"});

  // Fails at once: nothing found, so the caller reports too.
  auto traced = TraceKestrum({"Y", "ROOT\\KESTRUM_ENUM_FAIL"},
                             {{"SetupDiEnumDriverInfoA", 1, kAccessDenied}});
  EXPECT_EQ(traced.run.output,
            "Found! [ROOT\\KESTRUM_ENUM_FAIL]\n"
            "SetupDiEnumDriverInfo FAILURE: Access denied.\r\n\n"
            "FAIL TO REMOVE SPECIFIED INF & PNF files! FAILURE: "
            "Access denied.\r\n\n");
  EXPECT_EQ(traced.Calls("SetupDiDestroyDriverInfoList").size(), 1u);
  ExpectNothingLeaked(traced);

  // Fails after one driver: only the enumeration is reported.
  CreateDevice({"ROOT\\KESTRUM_ENUM_FAIL"});
  harness::WriteFile(InfDir() / "kestrum_e.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_ENUM_FAIL"}));
  traced = TraceKestrum({"Y", "ROOT\\KESTRUM_ENUM_FAIL"},
                        {{"SetupDiEnumDriverInfoA", 2, kAccessDenied}});
  EXPECT_EQ(traced.run.output,
            "Found! [ROOT\\KESTRUM_ENUM_FAIL]\n"
            "Deleted INF file: C:/windows/inf\\kestrum_e.inf\n"
            "Deleted PNF file: C:/windows/inf\\kestrum_e.pnf\n"
            "SetupDiEnumDriverInfo FAILURE: Access denied.\r\n\n");
  ExpectNothingLeaked(traced);
}

// A driver whose details cannot be read is passed over without a word; it
// still counts as found, so no report follows either.
TEST_F(KestrumFaults, DriverWhoseDetailsFailIsSkippedSilently) {
  harness::WriteFile(InfDir() / "kestrum_d.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_DETAILS"}));
  const std::string device = CreateDevice({"ROOT\\KESTRUM_DETAILS"});

  const auto traced =
      TraceKestrum({"Y", "ROOT\\KESTRUM_DETAILS"},
                   {{"SetupDiGetDriverInfoDetailA", 1, kAccessDenied}});

  EXPECT_EQ(traced.run.output, "Found! [ROOT\\KESTRUM_DETAILS]\n");
  EXPECT_EQ(traced.run.status, 0);
  EXPECT_TRUE(traced.Calls("DeleteFileA").empty());
  EXPECT_TRUE(std::filesystem::exists(InfDir() / "kestrum_d.inf"));
  EXPECT_FALSE(DeviceExists(device));
  ExpectNothingLeaked(traced);
}

// Whatever a deletion did, both lines are printed and the driver counts as
// found: no report follows.
TEST_F(KestrumFaults, FileThatCannotBeDeletedIsNotReported) {
  harness::WriteFile(InfDir() / "kestrum_locked.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_LOCKED"}));
  harness::WriteFile(InfDir() / "kestrum_locked.pnf", "pnf");
  const std::string device = CreateDevice({"ROOT\\KESTRUM_LOCKED"});

  const auto traced = TraceKestrum({"Y", "ROOT\\KESTRUM_LOCKED"},
                                   {{"DeleteFileA", 0, kAccessDenied}});

  EXPECT_EQ(traced.run.output,
            "Found! [ROOT\\KESTRUM_LOCKED]\n"
            "Deleted INF file: C:/windows/inf\\kestrum_locked.inf\n"
            "Deleted PNF file: C:/windows/inf\\kestrum_locked.pnf\n");
  EXPECT_EQ(traced.run.status, 0);
  EXPECT_EQ(traced.Calls("DeleteFileA").size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(InfDir() / "kestrum_locked.inf"));
  EXPECT_TRUE(std::filesystem::exists(InfDir() / "kestrum_locked.pnf"));
  EXPECT_FALSE(DeviceExists(device));
}

TEST_F(KestrumFaults, DriverCallsPassTheRecordsTheServiceExpects) {
  harness::WriteFile(InfDir() / "kestrum_r.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_RECORDS"}));
  CreateDevice({"ROOT\\KESTRUM_RECORDS"});
  const auto traced = TraceKestrum({"Y", "ROOT\\KESTRUM_RECORDS"});
  ASSERT_EQ(traced.run.status, 0);

  const auto get = traced.Calls("SetupDiGetDeviceInstallParamsA");
  const auto set = traced.Calls("SetupDiSetDeviceInstallParamsA");
  ASSERT_EQ(get.size(), 1u);
  ASSERT_EQ(set.size(), 1u);
  EXPECT_EQ(get[0].Arg("cbSize"), "296");
  EXPECT_EQ(set[0].Arg("cbSize"), "296");
  EXPECT_NE(std::stoul(set[0].Arg("FlagsEx"), nullptr, 0) &
                DI_FLAGSEX_ALLOWEXCLUDEDDRVS,
            0u);
  const auto build = traced.Calls("SetupDiBuildDriverInfoList");
  ASSERT_EQ(build.size(), 1u);
  EXPECT_EQ(build[0].Arg("type"), "2");
  for (const auto& call : traced.Calls("SetupDiEnumDriverInfoA")) {
    EXPECT_EQ(call.Arg("cbSize"), "780");
  }
  const auto details = traced.Calls("SetupDiGetDriverInfoDetailA");
  ASSERT_EQ(details.size(), 1u);
  EXPECT_EQ(details[0].Arg("cbSize"), "797");
  EXPECT_EQ(details[0].Arg("size"), "797");
  ExpectNothingLeaked(traced);
}

// Every call the tool makes may fail; whichever does, the tool ends with a
// status of its own, no crash, and nothing left open or allocated.
TEST_F(KestrumFaults, AnyFailingCallNeverCrashesOrLeaks) {
  const std::vector<std::string> operations = {
      "SetupDiGetClassDevsA",
      "SetupDiEnumDeviceInfo",
      "SetupDiGetDeviceRegistryPropertyA",
      "SetupDiCallClassInstaller",
      "SetupDiGetDeviceInstallParamsA",
      "SetupDiSetDeviceInstallParamsA",
      "SetupDiBuildDriverInfoList",
      "SetupDiEnumDriverInfoA",
      "SetupDiGetDriverInfoDetailA",
      "SetupDiDestroyDriverInfoList",
      "SetupDiDestroyDeviceInfoList",
      "LocalAlloc",
      "FormatMessageA",
      "DeleteFileA"};
  for (const std::string& operation : operations) {
    for (int call = 1; call <= 4; ++call) {
      SCOPED_TRACE(operation + " #" + std::to_string(call));
      harness::WriteFile(InfDir() / "kestrum_any.inf",
                         harness::DriverInf({"ROOT\\KESTRUM_ANY"}));
      CreateDevice({"ROOT\\KESTRUM_ANY"});
      CreateDevice({"ROOT\\KESTRUM_ANY", "ROOT\\KESTRUM_ANY_TOO"});
      const auto traced = TraceKestrum({"Y", "ROOT\\KESTRUM_ANY"},
                                       {{operation, call, kGeneralFailure}});
      EXPECT_TRUE(traced.run.status == 0 || traced.run.status == 1)
          << traced.run.status;
      ExpectNothingLeaked(traced);
    }
  }
}

}  // namespace
