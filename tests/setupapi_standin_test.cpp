// The stand-in's SetupAPI where Wine cannot be asked: its driver folders,
// devices that are not present, its own choices where Windows and Wine part,
// and the trace and faults that tests of the tools build on.
#include <gtest/gtest.h>
#include <standin/testing.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform.h"
#include "support/device_sets.h"
#include "support/devices.h"
#include "support/driver_inf.h"
#include "support/fixture.h"
#include "support/harness.h"
#include "support/scoped_env.h"
#include "support/traced_run.h"

namespace {

namespace fs = std::filesystem;
using standin::testing::TraceEvent;
using namespace std::string_literals;

using harness::kSystemClass;
using harness::ScopedEnv;

constexpr DWORD kFaultCode = 0x1234;

class StandinSetupApi : public ToolTest {
 protected:
  // Fails the next call of `operation` in this process with kFaultCode.
  static ScopedEnv Fault(const char* operation) {
    return ScopedEnv(
        standin::testing::kFaultsVariable,
        standin::testing::EncodeFaults({{operation, 1, kFaultCode}}));
  }

  void TearDown() override {
    if (set_ != INVALID_HANDLE_VALUE) SetupDiDestroyDeviceInfoList(set_);
    ToolTest::TearDown();
  }

  // Opens the set of every device and finds `instance_id` in it.
  void OpenDevice(const std::string& instance_id) {
    set_ = SetupDiGetClassDevsA(nullptr, nullptr, 0, DIGCF_ALLCLASSES);
    ASSERT_NE(set_, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(harness::FindDevice(set_, instance_id, &device_));
  }

  // The InfFileName of every compatible driver of the open device.
  std::vector<std::string> DriverInfPaths() {
    std::vector<std::string> paths;
    EXPECT_TRUE(SetupDiBuildDriverInfoList(set_, &device_, SPDIT_COMPATDRIVER));
    SP_DRVINFO_DATA_V1_A driver = {};
    driver.cbSize = sizeof driver;
    for (DWORD i = 0;
         SetupDiEnumDriverInfoA(set_, &device_, SPDIT_COMPATDRIVER, i,
                                reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver));
         ++i) {
      SP_DRVINFO_DETAIL_DATA_A detail;
      detail.cbSize = sizeof detail;
      SetupDiGetDriverInfoDetailA(set_, &device_,
                                  reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver),
                                  &detail, sizeof detail, nullptr);
      paths.push_back(detail.InfFileName);
    }
    SetupDiDestroyDriverInfoList(set_, &device_, SPDIT_COMPATDRIVER);
    return paths;
  }

  HDEVINFO set_ = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA device_ = {};
};

// Folders in their configured order, each reported as configured, except
// C:\windows\inf in Wine's spelling; subfolders are never read.
TEST_F(StandinSetupApi, DriverFoldersInOrder) {
  standin::testing::SetDriverFolders(
      {"C:\\A.B", "C:\\windows\\inf", "C:\\windows\\inf\\other"});
  const std::string inf = harness::DriverInf({"ROOT\\STANDIN_FOLDERS"});
  fs::create_directories(harness::HostPath("C:\\") / "A.B" / "sub");
  harness::WriteFile(harness::HostPath("C:\\A.B") / "dotted", inf);
  harness::WriteFile(harness::HostPath("C:\\A.B") / "sub" / "never.inf", inf);
  harness::WriteFile(InfDir() / "Z.inf", inf);
  harness::WriteFile(InfDir() / "y.INF", inf);
  harness::WriteFile(InfDir() / "x.pnf", "not an INF");
  harness::WriteFile(harness::HostPath("C:\\windows\\inf\\other") / "w.inf",
                     inf);
  OpenDevice(harness::CreateDevice({"ROOT\\STANDIN_FOLDERS"}));

  EXPECT_EQ(DriverInfPaths(),
            (std::vector<std::string>{
                "C:\\A.B\\dotted", "C:/windows/inf\\y.INF",
                "C:/windows/inf\\Z.inf", "C:\\windows\\inf\\other\\w.inf"}));
}

// Wine ignores DIGCF_PRESENT; Windows leaves out devices that are not there.
TEST_F(StandinSetupApi, PresentDevicesOnly) {
  const std::string gone = harness::CreateDevice({"ROOT\\STANDIN_GONE"});
  const std::string here = harness::CreateDevice({"ROOT\\STANDIN_HERE"});
  harness::MakeNotPresent(gone);
  EXPECT_TRUE(harness::DeviceExists(gone));

  HDEVINFO present = SetupDiGetClassDevsA(nullptr, nullptr, 0,
                                          DIGCF_ALLCLASSES | DIGCF_PRESENT);
  ASSERT_NE(present, INVALID_HANDLE_VALUE);
  const std::vector<std::string> ids = harness::InstanceIds(present);
  SetupDiDestroyDeviceInfoList(present);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), here), 1);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), gone), 0);
}

// What the stand-in answers where Wine's answer is a stub or a crash.
TEST_F(StandinSetupApi, WindowsAnswersWhereWineHasNone) {
  harness::WriteFile(InfDir() / "standin.inf",
                     harness::DriverInf({"ROOT\\STANDIN_OWN"}));
  OpenDevice(harness::CreateDevice({"ROOT\\STANDIN_OWN"}));

  // Driver records in their two forms only.
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set_, &device_, SPDIT_COMPATDRIVER));
  SP_DRVINFO_DATA_V2_A driver = {};
  for (DWORD size : {DWORD{779}, DWORD{781}, DWORD{797}}) {
    driver.cbSize = size;
    EXPECT_FALSE(
        SetupDiEnumDriverInfoA(set_, &device_, SPDIT_COMPATDRIVER, 0, &driver));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
  }
  driver.cbSize = sizeof driver;
  EXPECT_TRUE(
      SetupDiEnumDriverInfoA(set_, &device_, SPDIT_COMPATDRIVER, 0, &driver));
  // Building again keeps the list; destroying it ends it.
  EXPECT_TRUE(SetupDiBuildDriverInfoList(set_, &device_, SPDIT_COMPATDRIVER));
  EXPECT_FALSE(
      SetupDiEnumDriverInfoA(set_, &device_, SPDIT_COMPATDRIVER, 1, &driver));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_TRUE(SetupDiDestroyDriverInfoList(set_, &device_, SPDIT_COMPATDRIVER));
  EXPECT_FALSE(
      SetupDiEnumDriverInfoA(set_, &device_, SPDIT_COMPATDRIVER, 0, &driver));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));

  // No class installers: no class drivers, and the default for other DIFs.
  EXPECT_TRUE(SetupDiBuildDriverInfoList(set_, &device_, SPDIT_CLASSDRIVER));
  EXPECT_FALSE(
      SetupDiEnumDriverInfoA(set_, &device_, SPDIT_CLASSDRIVER, 0, &driver));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_FALSE(SetupDiCallClassInstaller(0x17, set_, &device_));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DI_DO_DEFAULT));

  // Properties: the class follows from the GUID, others are refused.
  char name[16] = {};
  DWORD type = 0;
  EXPECT_TRUE(SetupDiGetDeviceRegistryPropertyA(
      set_, &device_, SPDRP_CLASS, &type, reinterpret_cast<BYTE*>(name),
      sizeof name, nullptr));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_STREQ(name, "System");
  EXPECT_FALSE(SetupDiGetDeviceRegistryPropertyA(
      set_, &device_, SPDRP_MAXIMUM_PROPERTY, nullptr,
      reinterpret_cast<BYTE*>(name), sizeof name, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_REG_PROPERTY));
  EXPECT_FALSE(SetupDiSetDeviceRegistryPropertyA(
      set_, &device_, SPDRP_COMPATIBLEIDS,
      reinterpret_cast<const BYTE*>("X\0\0"), 3));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_REG_PROPERTY));
}

// A device removed through another set is gone from the machine: Wine reads
// its deleted registry key, and removing it again still succeeds.
TEST_F(StandinSetupApi, DeviceRemovedElsewhere) {
  const std::string id = harness::CreateDevice({"ROOT\\STANDIN_ELSEWHERE"});
  OpenDevice(id);
  HDEVINFO first_set = set_;
  const SP_DEVINFO_DATA first_device = device_;
  OpenDevice(id);
  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, set_, &device_));
  SetupDiDestroyDeviceInfoList(set_);
  set_ = first_set;
  device_ = first_device;

  // Its hardware IDs, as Wine answers them, are held to Wine in setupapi_test.
  EXPECT_TRUE(SetupDiCallClassInstaller(DIF_REMOVE, set_, &device_));
  EXPECT_FALSE(SetupDiCallClassInstaller(DIF_REMOVE, set_, &device_));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_SUCH_DEVINST));
}

// Devices made in a set join the machine only when registered, hardware IDs
// and all; DIF_REGISTERDEVICE registers as SetupDiRegisterDeviceInfo does.
TEST_F(StandinSetupApi, DevicesJoinTheMachineWhenRegistered) {
  set_ = SetupDiCreateDeviceInfoList(&kSystemClass, 0);
  ASSERT_NE(set_, INVALID_HANDLE_VALUE);
  device_.cbSize = sizeof device_;
  ASSERT_TRUE(SetupDiCreateDeviceInfoA(set_, "Standin", &kSystemClass, nullptr,
                                       0, DICD_GENERATE_ID, &device_));
  const std::string ids = "Pending\\ID\0\0"s;
  ASSERT_TRUE(SetupDiSetDeviceRegistryPropertyA(
      set_, &device_, SPDRP_HARDWAREID,
      reinterpret_cast<const BYTE*>(ids.data()),
      static_cast<DWORD>(ids.size())));
  EXPECT_FALSE(harness::DeviceExists("ROOT\\STANDIN\\0000"));

  ASSERT_TRUE(SetupDiCallClassInstaller(DIF_REGISTERDEVICE, set_, &device_));
  const std::vector<harness::DeviceInfo> devices = harness::ListDevices();
  const auto found = std::find_if(
      devices.begin(), devices.end(), [](const harness::DeviceInfo& device) {
        return device.instance_id == "ROOT\\STANDIN\\0000";
      });
  ASSERT_NE(found, devices.end());
  EXPECT_EQ(found->hardware_ids, std::vector<std::string>{"Pending\\ID"});

  SP_DEVINFO_DATA twin = {};
  twin.cbSize = sizeof twin;
  EXPECT_FALSE(SetupDiCreateDeviceInfoA(set_, "ROOT\\STANDIN\\0000",
                                        &kSystemClass, nullptr, 0, 0, &twin));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVINST_ALREADY_EXISTS));
  EXPECT_FALSE(SetupDiCreateDeviceInfoA(set_, "A\\B", &kSystemClass, nullptr, 0,
                                        DICD_GENERATE_ID, &twin));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DEVINST_NAME));
}

// Windows' names for the copies: oemN.inf with the lowest free N, the .pnf
// beside it, and the copy's name reported in full and by its file part.
TEST_F(StandinSetupApi, OemCopiesAreNumbered) {
  harness::WriteFile(InfDir() / "oem0.INF", "taken");
  harness::WriteFile(work_dir() / "a.inf", harness::DriverInf({"ROOT\\A"}));
  harness::WriteFile(work_dir() / "b.inf", harness::DriverInf({"ROOT\\B"}));
  for (const char* name : {"a.inf", "b.inf", "a.inf"}) {
    SCOPED_TRACE(name);
    char destination[256] = {};
    DWORD required = 0;
    PSTR component = nullptr;
    ASSERT_TRUE(SetupCopyOEMInfA(
        harness::WindowsPath(work_dir() / name).c_str(), nullptr, SPOST_PATH, 0,
        destination, sizeof destination, &required, &component));
    const std::string expected = name == std::string("b.inf")
                                     ? "C:\\windows\\inf\\oem2.inf"
                                     : "C:\\windows\\inf\\oem1.inf";
    EXPECT_EQ(destination, expected);
    EXPECT_EQ(required, expected.size() + 1);
    EXPECT_STREQ(component, expected.c_str() + expected.rfind('\\') + 1);
  }
  EXPECT_TRUE(fs::exists(InfDir() / "oem1.pnf"));
  EXPECT_TRUE(fs::exists(InfDir() / "oem2.pnf"));
}

// Every entry point fails a faulted call with the chosen code before it does
// anything: the set stays open and the device stays on the machine.
TEST_F(StandinSetupApi, EveryOperationTakesFaults) {
  harness::WriteFile(InfDir() / "faults.inf",
                     harness::DriverInf({"ROOT\\STANDIN_FAULTS"}));
  const std::string id = harness::CreateDevice({"ROOT\\STANDIN_FAULTS"});
  OpenDevice(id);
  ASSERT_TRUE(SetupDiBuildDriverInfoList(set_, &device_, SPDIT_COMPATDRIVER));
  SP_DRVINFO_DATA_V1_A driver = {};
  driver.cbSize = sizeof driver;
  ASSERT_TRUE(
      SetupDiEnumDriverInfoA(set_, &device_, SPDIT_COMPATDRIVER, 0,
                             reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver)));
  SP_DRVINFO_DETAIL_DATA_A detail;
  SP_DEVINSTALL_PARAMS_A params = {};
  params.cbSize = sizeof params;
  char text[256];
  const std::string source = harness::WindowsPath(InfDir() / "faults.inf");
  const std::vector<std::pair<const char*, std::function<bool()>>> operations =
      {
          {"SetupDiGetClassDevsA",
           [] {
             return SetupDiGetClassDevsA(nullptr, nullptr, 0,
                                         DIGCF_ALLCLASSES) ==
                    INVALID_HANDLE_VALUE;
           }},
          {"SetupDiCreateDeviceInfoList",
           [] {
             return SetupDiCreateDeviceInfoList(nullptr, 0) ==
                    INVALID_HANDLE_VALUE;
           }},
          {"SetupDiEnumDeviceInfo",
           [&] { return !SetupDiEnumDeviceInfo(set_, 0, &device_); }},
          {"SetupDiCreateDeviceInfoA",
           [&] {
             return !SetupDiCreateDeviceInfoA(set_, "X", &kSystemClass, nullptr,
                                              0, DICD_GENERATE_ID, nullptr);
           }},
          {"SetupDiRegisterDeviceInfo",
           [&] {
             return !SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr,
                                               nullptr, nullptr);
           }},
          {"SetupDiGetDeviceInstanceIdA",
           [&] {
             return !SetupDiGetDeviceInstanceIdA(set_, &device_, text,
                                                 sizeof text, nullptr);
           }},
          {"SetupDiGetDeviceRegistryPropertyA",
           [&] {
             return !SetupDiGetDeviceRegistryPropertyA(
                 set_, &device_, SPDRP_HARDWAREID, nullptr,
                 reinterpret_cast<BYTE*>(text), sizeof text, nullptr);
           }},
          {"SetupDiSetDeviceRegistryPropertyA",
           [&] {
             return !SetupDiSetDeviceRegistryPropertyA(
                 set_, &device_, SPDRP_HARDWAREID,
                 reinterpret_cast<const BYTE*>("X\0\0"), 3);
           }},
          {"SetupDiCallClassInstaller",
           [&] {
             return !SetupDiCallClassInstaller(DIF_REMOVE, set_, &device_);
           }},
          {"SetupDiGetDeviceInstallParamsA",
           [&] {
             return !SetupDiGetDeviceInstallParamsA(set_, &device_, &params);
           }},
          {"SetupDiSetDeviceInstallParamsA",
           [&] {
             return !SetupDiSetDeviceInstallParamsA(set_, &device_, &params);
           }},
          {"SetupDiBuildDriverInfoList",
           [&] {
             return !SetupDiBuildDriverInfoList(set_, &device_,
                                                SPDIT_CLASSDRIVER);
           }},
          {"SetupDiEnumDriverInfoA",
           [&] {
             return !SetupDiEnumDriverInfoA(
                 set_, &device_, SPDIT_COMPATDRIVER, 0,
                 reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver));
           }},
          {"SetupDiGetDriverInfoDetailA",
           [&] {
             detail.cbSize = sizeof detail;
             return !SetupDiGetDriverInfoDetailA(
                 set_, &device_, reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver),
                 &detail, sizeof detail, nullptr);
           }},
          {"SetupCopyOEMInfA",
           [&] {
             return !SetupCopyOEMInfA(source.c_str(), nullptr, SPOST_PATH, 0,
                                      text, sizeof text, nullptr, nullptr);
           }},
      };
  for (const auto& [operation, call] : operations) {
    SCOPED_TRACE(operation);
    const ScopedEnv faults = Fault(operation);
    SetLastError(0);
    EXPECT_TRUE(call());
    EXPECT_EQ(GetLastError(), kFaultCode);
  }
  EXPECT_TRUE(harness::DeviceExists(id));

  // A faulted destroy fails, yet releases: its caller could not otherwise.
  {
    const ScopedEnv faults = Fault("SetupDiDestroyDriverInfoList");
    EXPECT_FALSE(
        SetupDiDestroyDriverInfoList(set_, &device_, SPDIT_COMPATDRIVER));
    EXPECT_EQ(GetLastError(), kFaultCode);
  }
  EXPECT_FALSE(
      SetupDiEnumDriverInfoA(set_, &device_, SPDIT_COMPATDRIVER, 0,
                             reinterpret_cast<PSP_DRVINFO_DATA_A>(&driver)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  {
    const ScopedEnv faults = Fault("SetupDiDestroyDeviceInfoList");
    EXPECT_FALSE(SetupDiDestroyDeviceInfoList(set_));
    EXPECT_EQ(GetLastError(), kFaultCode);
  }
  EXPECT_FALSE(SetupDiEnumDeviceInfo(set_, 0, &device_));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  set_ = INVALID_HANDLE_VALUE;
}

// The trace tells which records a caller passed, and pairs every set and
// driver list opened with its closing.
TEST_F(StandinSetupApi, TraceShowsRecordsAndHandles) {
  harness::WriteFile(InfDir() / "traced.inf",
                     harness::DriverInf({"ROOT\\STANDIN_TRACED"}));
  const std::string id = harness::CreateDevice({"ROOT\\STANDIN_TRACED"});
  harness::TempDir trace_dir;
  const fs::path trace_file = trace_dir.path() / "trace.log";
  {
    ScopedEnv trace(standin::testing::kTraceVariable, trace_file.string());
    OpenDevice(id);
    DriverInfPaths();
    SetupDiBuildDriverInfoList(set_, &device_, SPDIT_COMPATDRIVER);
    SetupDiDestroyDeviceInfoList(set_);
    set_ = INVALID_HANDLE_VALUE;
  }
  const std::vector<TraceEvent> events =
      standin::testing::ReadTrace(trace_file);
  const auto calls = [&](const std::string& name) {
    return CallsOf(events, name);
  };
  const auto handles = [&](const std::string& kind, const std::string& name) {
    return std::count_if(events.begin(), events.end(),
                         [&](const TraceEvent& event) {
                           return event.kind == kind && event.name == name;
                         });
  };
  ASSERT_EQ(calls("SetupDiGetClassDevsA").size(), 1u);
  EXPECT_EQ(calls("SetupDiGetClassDevsA")[0].Arg("flags"), "4");
  EXPECT_EQ(calls("SetupDiEnumDeviceInfo").at(0).Arg("cbSize"), "28");
  const auto details = calls("SetupDiGetDriverInfoDetailA");
  ASSERT_EQ(details.size(), 1u);
  EXPECT_EQ(details[0].Arg("cbSize"), "797");
  EXPECT_EQ(details[0].Arg("driver_cbSize"), "780");
  EXPECT_EQ(details[0].Arg("size"), "797");
  EXPECT_EQ(details[0].Arg("required"), "NULL");
  EXPECT_EQ(calls("SetupDiBuildDriverInfoList").at(0).Arg("type"), "2");
  EXPECT_EQ(handles("open", "devinfo"), 1);
  EXPECT_EQ(handles("close", "devinfo"), 1);
  // Two lists: one destroyed by its caller, one by the set's destruction.
  EXPECT_EQ(handles("open", "drvlist"), 2);
  EXPECT_EQ(handles("close", "drvlist"), 2);
}

}  // namespace
