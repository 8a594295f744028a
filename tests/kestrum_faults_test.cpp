// Kestrum's test build against failures the real service cannot be made to
// produce on demand, and what its trace proves: the records it passes, the
// reports and statuses of every failure, and nothing leaked on any path.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/door.h"
#include "support/machine.h"
#include "support/messages.h"
#include "support/removal_list.h"

namespace {

using harness::CreateDevice;
using harness::DeviceExists;
using harness::Ends;
using harness::Fault;
using harness::PlaceDriver;
using messages::Deleted;
using messages::Failure;
using messages::Found;

constexpr DWORD kAccessDenied = ERROR_ACCESS_DENIED;
constexpr DWORD kGeneralFailure = ERROR_GEN_FAILURE;

// A removal list of one entry, driver files included.
std::string ListOfAny() {
  return harness::RemovalList({{"Dev0", "ROOT\\KESTRUM_ANY", 1}});
}

using KestrumFaults = DoorTest;

TEST_F(KestrumFaults, FailedRemovalIsReportedAndTheScanGoesOn) {
  const std::string first = CreateDevice({"ROOT\\KESTRUM_STUCK"});
  const std::string second = CreateDevice({"ROOT\\KESTRUM_STUCK"});

  const auto traced =
      RunThroughDoor(kKestrum, {"N", "ROOT\\KESTRUM_STUCK"},
                     {{"SetupDiCallClassInstaller", 1, kAccessDenied}});

  EXPECT_EQ(traced, Ends(Found("ROOT\\KESTRUM_STUCK") +
                             Failure(messages::kRemove, kAccessDenied) +
                             Found("ROOT\\KESTRUM_STUCK"),
                         1));
  EXPECT_TRUE(DeviceExists(first));
  EXPECT_FALSE(DeviceExists(second));
  ExpectNothingLeaked(traced);
}

TEST_F(KestrumFaults, ReportWithoutSystemTextShowsTheCode) {
  CreateDevice({"ROOT\\KESTRUM_NO_TEXT"});
  const auto traced =
      RunThroughDoor(kKestrum, {"N", "ROOT\\KESTRUM_NO_TEXT"},
                     {{"SetupDiCallClassInstaller", 1, kAccessDenied},
                      {"FormatMessageA", 1, ERROR_MR_MID_NOT_FOUND}});
  EXPECT_EQ(traced, Ends(Found("ROOT\\KESTRUM_NO_TEXT") + messages::kRemove +
                             " FAILURE: (0x00000005)\n",
                         1));
  ExpectNothingLeaked(traced);
}

// Each fatal failure ends the run with its report, status 1, no removal, and
// nothing left open or allocated.
TEST_F(KestrumFaults, FatalFailuresEndTheRunWithTheirReport) {
  const std::vector<std::pair<Fault, std::string>> cases = {
      {{"SetupDiGetClassDevsA", 1, kAccessDenied},
       Failure(messages::kGetClassDevs, kAccessDenied)},
      {{"SetupDiGetDeviceRegistryPropertyA", 1, kAccessDenied},
       Failure(messages::kGetProperty, kAccessDenied)},
      {{"SetupDiEnumDeviceInfo", 1, kAccessDenied},
       Failure(messages::kEnumDevice, kAccessDenied)},
      {{"SetupDiGetClassDevsA", 1, 0xE000020Bu},
       Failure(messages::kGetClassDevs, 0xE000020Bu)},
      {{"LocalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY},
       Failure(messages::kLocalAlloc, ERROR_NOT_ENOUGH_MEMORY)},
      {{"_strdup", 1, ERROR_NOT_ENOUGH_MEMORY}, messages::kKestrumOutOfMemory},
  };
  const std::string device = CreateDevice({"ROOT\\KESTRUM_FATAL"});
  for (const auto& [fault, output] : cases) {
    SCOPED_TRACE(fault.operation);
    const auto traced =
        RunThroughDoor(kKestrum, {"N", "ROOT\\KESTRUM_FATAL"}, {fault});
    EXPECT_EQ(traced, Ends(output, 1));
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

  const auto traced = RunThroughDoor(
      kKestrum, {"N", "ROOT\\KESTRUM_EARLY"},
      {{"SetupDiEnumDeviceInfo", failing_call, kGeneralFailure}});

  EXPECT_EQ(traced, Ends(Found("ROOT\\KESTRUM_EARLY") +
                             Failure(messages::kEnumDevice, kGeneralFailure),
                         1));
  EXPECT_FALSE(DeviceExists(early));
  EXPECT_TRUE(DeviceExists(late));
  ExpectNothingLeaked(traced);
}

// The list file's folder: unreadable, or too long for the path (a directory
// Wine cannot start a program in, so the door answers for it).
TEST_F(KestrumFaults, ListFolderThatCannotBeUsedEndsBeforeTheScan) {
  harness::WriteFile(work_dir() / "list.ini", ListOfAny());
  const std::string device = CreateDevice({"ROOT\\KESTRUM_ANY"});
  const std::vector<std::pair<Fault, std::string>> cases = {
      {{"GetCurrentDirectoryA", 1, kAccessDenied},
       messages::kKestrumNoPathname},
      {{"GetCurrentDirectoryA", 1, "long"}, messages::kKestrumPathTooLong},
  };
  for (const auto& [fault, output] : cases) {
    SCOPED_TRACE(fault.value);
    const auto traced = RunThroughDoor(kKestrum, {"F", "list.ini"}, {fault});
    EXPECT_EQ(traced, Ends(output, 1));
    EXPECT_TRUE(traced.Calls("GetPrivateProfileStringA").empty());
    EXPECT_TRUE(traced.Calls("SetupDiGetClassDevsA").empty());
  }
  EXPECT_TRUE(DeviceExists(device));
}

TEST_F(KestrumFaults, CallsPassTheRecordsTheServiceExpects) {
  PlaceDriver("kestrum_r.inf", {"ROOT\\KESTRUM_RECORDS"}, harness::Pnf::kNone);
  CreateDevice({"ROOT\\KESTRUM_RECORDS"});
  const auto traced = RunThroughDoor(kKestrum, {"Y", "ROOT\\KESTRUM_RECORDS"});
  ASSERT_EQ(traced.status, 0);
  const std::string device = std::to_string(sizeof(SP_DEVINFO_DATA));
  ExpectCalls(traced, "SetupDiGetClassDevsA", 1,
              {{"class", "0x0"}, {"enumerator", "(null)"}, {"flags", "0x4"}});
  ExpectCalls(
      traced, "SetupDiGetDeviceInstallParamsA", 1,
      {{"device_cbSize", device},
       {"params_cbSize", std::to_string(sizeof(SP_DEVINSTALL_PARAMS_A))}});
  ExpectCalls(traced, "SetupDiBuildDriverInfoList", 1,
              {{"device_cbSize", device}, {"type", "2"}});
  ExpectCalls(
      traced, "SetupDiEnumDriverInfoA", 2,
      {{"device_cbSize", device},
       {"type", "2"},
       {"driver_cbSize", std::to_string(sizeof(SP_DRVINFO_DATA_V1_A))}});
  const std::string detail = std::to_string(sizeof(SP_DRVINFO_DETAIL_DATA_A));
  ExpectCalls(traced, "SetupDiGetDriverInfoDetailA", 1,
              {{"detail_cbSize", detail}, {"size", detail}});
  ExpectCalls(traced, "SetupDiDestroyDriverInfoList", 1, {{"type", "2"}});
  ExpectCalls(
      traced, "SetupDiCallClassInstaller", 1,
      {{"function", std::to_string(DIF_REMOVE)}, {"device_cbSize", device}});
  for (const auto& call : traced.Calls("SetupDiEnumDeviceInfo")) {
    EXPECT_EQ(call.Arg("device_cbSize"), device);
  }
  const auto properties = traced.Calls("SetupDiGetDeviceRegistryPropertyA");
  ASSERT_FALSE(properties.empty());
  EXPECT_EQ(properties[0].Arg("size"), "0");
  for (const auto& call : properties) {
    EXPECT_EQ(call.Arg("property"), std::to_string(SPDRP_HARDWAREID));
  }
  // Drivers marked as excluded from selection are listed too.
  const auto set = traced.Calls("SetupDiSetDeviceInstallParamsA");
  ASSERT_EQ(set.size(), 1u);
  EXPECT_EQ(set[0].Number("FlagsEx") & DI_FLAGSEX_ALLOWEXCLUDEDDRVS,
            DI_FLAGSEX_ALLOWEXCLUDEDDRVS);
  ExpectNothingLeaked(traced);
}

// The list reader asks for the folder with room for 262 characters, and for
// each of the twelve keys, in order, its ID into 256 characters and its
// number with -1 for a missing one.
TEST_F(KestrumFaults, ListReaderPassesItsBuffersAndDefaults) {
  harness::WriteFile(work_dir() / "list.ini", ListOfAny());
  const auto traced = RunThroughDoor(kKestrum, {"F", "list.ini"});
  ASSERT_EQ(traced.status, 0);
  const auto directory = traced.Calls("GetCurrentDirectoryA");
  ASSERT_EQ(directory.size(), 1u);
  EXPECT_EQ(directory[0].Arg("size"), "262");
  const std::string path = harness::WindowsPath(work_dir() / "list.ini");
  const auto strings = traced.Calls("GetPrivateProfileStringA");
  const auto numbers = traced.Calls("GetPrivateProfileIntA");
  ASSERT_EQ(strings.size(), 12u);
  ASSERT_EQ(numbers.size(), 12u);
  for (std::size_t index = 0; index < 12; ++index) {
    SCOPED_TRACE(index);
    const std::string key = "Dev" + std::to_string(index);
    ExpectArgs(strings[index], {{"section", "Hardware"},
                                {"key", key},
                                {"default", "NO FOUND!!!"},
                                {"size", "256"},
                                {"path", path}});
    ExpectArgs(numbers[index], {{"section", "RemoveINF"}, {"key", key}});
    EXPECT_EQ(static_cast<int>(numbers[index].Number("default")), -1);
  }
  ExpectNothingLeaked(traced);
}

TEST_F(KestrumFaults, DriverFileStepFailuresAreReportedAndTheDeviceRemoved) {
  const auto driver = PlaceDriver("kestrum_f.inf", {"ROOT\\KESTRUM_FILES_FAIL"},
                                  harness::Pnf::kNone);
  for (const char* operation :
       {"SetupDiGetDeviceInstallParamsA", "SetupDiSetDeviceInstallParamsA",
        "SetupDiBuildDriverInfoList"}) {
    SCOPED_TRACE(operation);
    const std::string device = CreateDevice({"ROOT\\KESTRUM_FILES_FAIL"});
    const auto traced =
        RunThroughDoor(kKestrum, {"Y", "ROOT\\KESTRUM_FILES_FAIL"},
                       {{operation, 1, kAccessDenied}});
    EXPECT_EQ(traced, Ends(Found("ROOT\\KESTRUM_FILES_FAIL") +
                               Failure(messages::kDriverFiles, kAccessDenied),
                           0));
    EXPECT_FALSE(DeviceExists(device));
    EXPECT_TRUE(driver.Intact());
    ExpectNothingLeaked(traced);
  }
}

TEST_F(KestrumFaults, DriverEnumerationFailingWithAnotherCode) {
  const auto driver = PlaceDriver("kestrum_e.inf", {"ROOT\\KESTRUM_ENUM_FAIL"},
                                  harness::Pnf::kNone);
  CreateDevice({"ROOT\\KESTRUM_ENUM_FAIL"});

  // Fails at once: nothing found, so the caller reports too.
  auto traced = RunThroughDoor(kKestrum, {"Y", "ROOT\\KESTRUM_ENUM_FAIL"},
                               {{"SetupDiEnumDriverInfoA", 1, kAccessDenied}});
  EXPECT_EQ(traced.output, Found("ROOT\\KESTRUM_ENUM_FAIL") +
                               Failure(messages::kEnumDriver, kAccessDenied) +
                               Failure(messages::kDriverFiles, kAccessDenied));
  EXPECT_EQ(traced.Calls("SetupDiDestroyDriverInfoList").size(), 1u);
  ExpectNothingLeaked(traced);

  // Fails after one driver: only the enumeration is reported.
  CreateDevice({"ROOT\\KESTRUM_ENUM_FAIL"});
  traced = RunThroughDoor(kKestrum, {"Y", "ROOT\\KESTRUM_ENUM_FAIL"},
                          {{"SetupDiEnumDriverInfoA", 2, kAccessDenied}});
  EXPECT_EQ(traced.output, Found("ROOT\\KESTRUM_ENUM_FAIL") + Deleted(driver) +
                               Failure(messages::kEnumDriver, kAccessDenied));
  ExpectNothingLeaked(traced);
}

// Whatever a deletion did, both lines are printed and the driver counts as
// found: no report follows.
TEST_F(KestrumFaults, FileThatCannotBeDeletedIsNotReported) {
  const auto driver =
      PlaceDriver("kestrum_locked.inf", {"ROOT\\KESTRUM_LOCKED"});
  const std::string device = CreateDevice({"ROOT\\KESTRUM_LOCKED"});

  const auto traced = RunThroughDoor(kKestrum, {"Y", "ROOT\\KESTRUM_LOCKED"},
                                     {{"DeleteFileA", 0, kAccessDenied}});

  EXPECT_EQ(traced, Ends(Found("ROOT\\KESTRUM_LOCKED") + Deleted(driver), 0));
  EXPECT_EQ(traced.Calls("DeleteFileA").size(), 2u);
  EXPECT_TRUE(driver.Intact());
  EXPECT_FALSE(DeviceExists(device));
}

// Every call the tool makes may fail; whichever does, at each of its first
// calls, the tool ends with a status of its own, no crash, and nothing left
// open or allocated. The call sites are those a run without faults shows.
class KestrumFaultSweep : public DoorTest {
 protected:
  void Prepare() {
    PlaceDriver("kestrum_any.inf", {"ROOT\\KESTRUM_ANY"}, harness::Pnf::kNone);
    harness::WriteFile(work_dir() / "list.ini", ListOfAny());
    CreateDevice({"ROOT\\KESTRUM_ANY"});
    CreateDevice({"ROOT\\KESTRUM_ANY", "ROOT\\KESTRUM_ANY_TOO"});
  }

  void Sweep(const std::vector<std::string>& args) {
    Prepare();
    const auto clean = RunThroughDoor(kKestrum, args);
    ASSERT_EQ(clean.status, 0);
    std::map<std::string, int> calls;
    for (const auto& event : clean.trace) {
      if (event.kind == "call") ++calls[event.name];
    }
    ASSERT_GE(calls.size(), 15u) << "the clean run reached too few operations";
    for (const auto& [operation, count] : calls) {
      for (int call = 1; call <= std::min(count, 4); ++call) {
        SCOPED_TRACE(operation + " #" + std::to_string(call));
        Prepare();
        const auto traced = RunThroughDoor(
            kKestrum, args, {{operation, call, kGeneralFailure}});
        EXPECT_TRUE(traced.status == 0 || traced.status == 1) << traced.status;
        ExpectNothingLeaked(traced);
        // That very call failed with the code (free has none to report).
        const auto faulted = traced.Calls(operation);
        ASSERT_GE(faulted.size(), static_cast<std::size_t>(call));
        if (operation != "free") {
          EXPECT_EQ(faulted[call - 1].Number("error"), kGeneralFailure);
        }
      }
    }
  }
};

TEST_F(KestrumFaultSweep, SingleIdWithDriverFiles) {
  Sweep({"Y", "ROOT\\KESTRUM_ANY"});
}

TEST_F(KestrumFaultSweep, RemovalList) { Sweep({"F", "list.ini"}); }

}  // namespace
