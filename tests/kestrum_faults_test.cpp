// Kestrum's test build against failures the real service cannot be made to
// produce on demand, and what its trace proves: the records it passes, the
// reports and statuses of every failure, and nothing leaked on any path.
#include <gtest/gtest.h>

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

// A removal list of one entry for `id`, driver files included.
std::string ListOf(const std::string& id) {
  return harness::RemovalList({{"Dev0", id, 1}});
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

// The list file's folder: unreadable, or too long for the path (a directory
// Wine cannot start a program in, so the door answers for it).
TEST_F(KestrumFaults, ListFolderThatCannotBeUsedEndsBeforeTheScan) {
  harness::WriteFile(work_dir() / "list.ini", ListOf("ROOT\\KESTRUM_UNUSED"));
  const std::string device = CreateDevice({"ROOT\\KESTRUM_UNUSED"});
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

// What the calls pass where Wine would take a wrong value as well as the
// right one: devices not present are listed (Wine ignores DIGCF_PRESENT),
// the first size query offers no buffer, drivers marked as excluded from
// selection are listed (Wine ignores the mark), and the driver records have
// the sizes Windows 98 takes (Wine takes the later forms too).
TEST_F(KestrumFaults, CallsPassWhatOnlyWindowsChecks) {
  PlaceDriver("kestrum_r.inf", {"ROOT\\KESTRUM_RECORDS"}, harness::Pnf::kNone);
  CreateDevice({"ROOT\\KESTRUM_RECORDS"});
  const auto traced = RunThroughDoor(kKestrum, {"Y", "ROOT\\KESTRUM_RECORDS"});
  ASSERT_EQ(traced.status, 0);
  ExpectCalls(traced, "SetupDiGetClassDevsA", 1, {{"flags", "0x4"}});
  const auto properties = traced.Calls("SetupDiGetDeviceRegistryPropertyA");
  ASSERT_FALSE(properties.empty());
  EXPECT_EQ(properties[0].Arg("size"), "0");
  const auto set = traced.Calls("SetupDiSetDeviceInstallParamsA");
  ASSERT_EQ(set.size(), 1u);
  EXPECT_EQ(set[0].Number("FlagsEx") & DI_FLAGSEX_ALLOWEXCLUDEDDRVS,
            DI_FLAGSEX_ALLOWEXCLUDEDDRVS);
  ExpectCalls(
      traced, "SetupDiEnumDriverInfoA", 2,
      {{"driver_cbSize", std::to_string(sizeof(SP_DRVINFO_DATA_V1_A))}});
  const std::string detail = std::to_string(sizeof(SP_DRVINFO_DETAIL_DATA_A));
  ExpectCalls(traced, "SetupDiGetDriverInfoDetailA", 1,
              {{"detail_cbSize", detail}, {"size", detail}});
  ExpectNothingLeaked(traced);
}

// The one bound of the list reader no run under Wine shows: the folder is
// asked for with all 262 characters of its buffer (Wine starts no program in
// a folder long enough to tell).
TEST_F(KestrumFaults, ListReaderOffersItsWholeFolderBuffer) {
  harness::WriteFile(work_dir() / "list.ini", ListOf("ROOT\\KESTRUM_READER"));
  const auto traced = RunThroughDoor(kKestrum, {"F", "list.ini"});
  ASSERT_EQ(traced.status, 0);
  ExpectCalls(traced, "GetCurrentDirectoryA", 1, {{"size", "262"}});
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

}  // namespace
