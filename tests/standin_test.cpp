// What only the stand-in has: the machine directory and its state file, path
// mapping between its drives and the host, faults on demand, the trace, and
// the exact wording of its system messages.
#include <gtest/gtest.h>
#include <standin/testing.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform.h"
#include "standin/instrument.h"
#include "standin/machine.h"
#include "support/harness.h"
#include "support/in_directory.h"
#include "support/scoped_env.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using standin::testing::Fault;
using standin::testing::TraceEvent;

using harness::InDirectory;
using harness::ScopedEnv;

// A fresh, empty machine directory for each test.
class Machine : public ::testing::Test {
 protected:
  const fs::path& dir() const { return dir_.path(); }
  fs::path DriveC() const { return dir() / "drive_c"; }

 private:
  harness::TempDir dir_;
  ScopedEnv machine_{standin::testing::kMachineVariable, dir_.path().string()};
};

TEST_F(Machine, FreshMachineIsAFreshWinePrefix) {
  const standin::MachineState state = standin::LoadMachine();
  std::vector<std::string> ids;
  for (const standin::Device& device : state.devices) {
    ids.push_back(device.instance_id);
    EXPECT_TRUE(device.present) << device.instance_id;
  }
  EXPECT_EQ(ids, (std::vector<std::string>{
                     "DISPLAY\\DEFAULT_MONITOR\\0000&0000",
                     "HID\\VID_845E&PID_0001\\0&0000&0&0",
                     "HID\\VID_845E&PID_0002\\0&0000&0&0",
                     "PCI\\VEN_0000&DEV_0000&SUBSYS_00000000&REV_00\\00000000",
                     "ROOT\\WINE\\WINEBUS",
                     "ROOT\\WINE\\WINEUSB",
                     "WINEBUS\\VID_845E&PID_0001\\0&0000&0&0",
                     "WINEBUS\\VID_845E&PID_0002\\0&0000&0&0",
                 }));
  const standin::Device& winebus = state.devices[4];
  EXPECT_EQ(winebus.class_name, "System");
  EXPECT_EQ(winebus.class_guid.Data1, 0x4d36e97du);
  EXPECT_EQ(winebus.class_guid.Data4[7], 0x18);
  // Exactly 28 bytes: junk after the empty string and no final NUL.
  EXPECT_EQ(winebus.hardware_ids, "root\\winebus\0\0C:\\windows\\inf"s);
  EXPECT_EQ(
      state.devices[1].hardware_ids,
      "HID\\VID_845E&PID_0001\\0&0000&0&0\0HID\\VID_845E&PID_0001\0HID\0\0"s);
  EXPECT_EQ(state.driver_folders,
            (std::vector<std::string>{"C:\\windows\\inf",
                                      "C:\\windows\\inf\\other"}));
  EXPECT_TRUE(fs::is_directory(DriveC() / "windows" / "inf" / "other"));
}

TEST_F(Machine, SavedStateIsWhatTheNextLoadSees) {
  standin::MachineState state = standin::LoadMachine();
  state.devices.push_back(
      {"ROOT\\SYSTEM\\0000", "System", {}, std::nullopt, false});
  state.devices.push_back(
      {"ROOT\\SYSTEM\\0001", "System", {}, "BIN\xff\x80\0\0\x01"s, true});
  state.driver_folders = {"C:\\drivers"};
  standin::SaveMachine(state);

  const standin::MachineState loaded = standin::LoadMachine();
  ASSERT_EQ(loaded.devices.size(), state.devices.size());
  const standin::Device& absent = loaded.devices.end()[-2];
  EXPECT_EQ(absent.instance_id, "ROOT\\SYSTEM\\0000");
  EXPECT_FALSE(absent.hardware_ids.has_value());
  EXPECT_FALSE(absent.present);
  EXPECT_EQ(loaded.devices.back().hardware_ids, "BIN\xff\x80\0\0\x01"s);
  EXPECT_EQ(loaded.driver_folders, state.driver_folders);
  // Nothing of the write is left beside the state file.
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(dir())) {
    files.push_back(entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"drive_c", "machine.json"}));
}

TEST_F(Machine, CorruptStateIsReported) {
  standin::LoadMachine();
  harness::WriteFile(dir() / "machine.json", "{\"devices\": [");
  EXPECT_THROW(standin::LoadMachine(), std::runtime_error);
}

TEST_F(Machine, SetDevicePresent) {
  EXPECT_TRUE(standin::testing::SetDevicePresent("root\\wine\\winebus", false));
  EXPECT_FALSE(standin::LoadMachine().devices[4].present);
  EXPECT_TRUE(standin::testing::SetDevicePresent("ROOT\\WINE\\WINEBUS", true));
  EXPECT_TRUE(standin::LoadMachine().devices[4].present);
  EXPECT_FALSE(standin::testing::SetDevicePresent("ROOT\\SYSTEM\\9999", false));
}

TEST_F(Machine, SetDriverFolders) {
  standin::testing::SetDriverFolders({"C:\\a", "Z:\\b"});
  EXPECT_EQ(standin::LoadMachine().driver_folders,
            (std::vector<std::string>{"C:\\a", "Z:\\b"}));
}

TEST_F(Machine, HostPathMatchesExistingNamesIgnoringCase) {
  using standin::testing::HostPath;
  EXPECT_EQ(HostPath("C:\\WINDOWS\\Inf\\OTHER"),
            DriveC() / "windows" / "inf" / "other");
  // Names that do not exist yet stay as given, even below a matched one.
  EXPECT_EQ(HostPath("c:/Windows/New/File.TXT"),
            DriveC() / "windows" / "New" / "File.TXT");
  EXPECT_EQ(HostPath("C:\\windows\\..\\..\\.\\windows"), DriveC() / "windows");
  EXPECT_EQ(HostPath("C:\\"), DriveC());
  EXPECT_EQ(HostPath("Z:\\tmp"), fs::path("/tmp"));
  EXPECT_EQ(HostPath("z:/"), fs::path("/"));
}

TEST_F(Machine, HostPathPrefersTheExactName) {
  standin::LoadMachine();
  harness::WriteFile(DriveC() / "Name.ini", "a");
  harness::WriteFile(DriveC() / "name.ini", "b");
  EXPECT_EQ(standin::testing::HostPath("C:\\name.ini"), DriveC() / "name.ini");
  EXPECT_EQ(standin::testing::HostPath("C:\\NAME.INI"), DriveC() / "Name.ini");
}

TEST_F(Machine, HostPathOfRelativePaths) {
  const InDirectory in(standin::testing::HostPath("C:\\windows"));
  EXPECT_EQ(standin::testing::HostPath("INF\\x.inf"),
            DriveC() / "windows" / "inf" / "x.inf");
  EXPECT_EQ(standin::testing::HostPath("\\windows"), DriveC() / "windows");
}

TEST_F(Machine, HostPathOfPathsWithoutAHostFolder) {
  for (const char* path : {"Q:\\x", "C:windows", "\\\\server\\share", ""}) {
    EXPECT_EQ(standin::testing::HostPath(path), fs::path()) << path;
  }
}

TEST_F(Machine, WindowsPathNamesTheDrive) {
  using standin::testing::WindowsPath;
  standin::LoadMachine();
  EXPECT_EQ(WindowsPath(DriveC() / "windows" / "inf"), "C:\\windows\\inf");
  EXPECT_EQ(WindowsPath(DriveC()), "C:\\");
  EXPECT_EQ(WindowsPath("/tmp/x/"), "Z:\\tmp\\x");
  EXPECT_EQ(WindowsPath("/"), "Z:\\");
  // A neighbour whose name starts like the drive's folder is not on it.
  std::string neighbour = (dir() / "drive_cx").string();
  std::replace(neighbour.begin(), neighbour.end(), '/', '\\');
  EXPECT_EQ(WindowsPath(dir() / "drive_cx"), "Z:" + neighbour);
}

TEST_F(Machine, CurrentDirectoryOnDriveC) {
  const InDirectory in(standin::testing::HostPath("C:\\windows\\inf"));
  char buffer[MAX_PATH];
  EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 14u);
  EXPECT_STREQ(buffer, "C:\\windows\\inf");
}

// Faults and the trace: each test sets the variables for its own calls.
class Instrumented : public ::testing::Test {
 protected:
  void SetFaults(const std::vector<Fault>& faults) {
    faults_.reset();  // restore before the next value is saved
    faults_.emplace(standin::testing::kFaultsVariable,
                    standin::testing::EncodeFaults(faults));
  }
  std::vector<TraceEvent> Trace() const {
    return standin::testing::ReadTrace(trace_file_);
  }

 private:
  harness::TempDir dir_;
  fs::path trace_file_ = dir_.path() / "trace.txt";
  ScopedEnv trace_{standin::testing::kTraceVariable, trace_file_.string()};
  std::optional<ScopedEnv> faults_;
};

TEST_F(Instrumented, NthCallFails) {
  SetFaults({{"LocalAlloc", 2, ERROR_NOT_ENOUGH_MEMORY}});
  HLOCAL first = LocalAlloc(LPTR, 8);
  SetLastError(0);
  EXPECT_EQ(LocalAlloc(LPTR, 8), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  HLOCAL third = LocalAlloc(LPTR, 8);
  EXPECT_NE(first, nullptr);
  EXPECT_NE(third, nullptr);
  LocalFree(first);
  LocalFree(third);
}

TEST_F(Instrumented, CallZeroFailsEveryCall) {
  SetFaults({{"GetCurrentDirectoryA", 0, ERROR_ACCESS_DENIED}});
  char buffer[MAX_PATH];
  for (int call = 0; call < 3; ++call) {
    SetLastError(0);
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  }
}

TEST_F(Instrumented, NewFaultsCountCallsAfresh) {
  SetFaults({{"DeleteFileA", 1, ERROR_GEN_FAILURE}});
  EXPECT_FALSE(DeleteFileA("Z:\\nonexistent-standin-test"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
  SetFaults({{"DeleteFileA", 1, ERROR_ACCESS_DENIED}});
  EXPECT_FALSE(DeleteFileA("Z:\\nonexistent-standin-test"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(Instrumented, MalformedFaultEntriesAreSkipped) {
  const ScopedEnv faults(standin::testing::kFaultsVariable,
                         "garbage,LocalAlloc#x=1,#1=0x5," +
                             standin::testing::EncodeFaults(
                                 {{"LocalAlloc", 2, ERROR_GEN_FAILURE}}));
  HLOCAL block = LocalAlloc(LPTR, 4);
  EXPECT_NE(block, nullptr);
  EXPECT_EQ(LocalAlloc(LPTR, 4), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_GEN_FAILURE));
  LocalFree(block);
}

TEST_F(Instrumented, FormatMessageFaultMeansNoText) {
  SetFaults({{"FormatMessageA", 1, ERROR_MR_MID_NOT_FOUND}});
  char* text = nullptr;
  EXPECT_EQ(
      FormatMessageA(
          FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
          ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr),
      0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
  EXPECT_EQ(text, nullptr);
}

TEST_F(Instrumented, FaultedProfileReadGivesDefault) {
  SetFaults({{"GetPrivateProfileStringA", 1, ERROR_ACCESS_DENIED}});
  char buffer[16];
  EXPECT_EQ(GetPrivateProfileStringA("S", "k", "\"d\"", buffer, sizeof buffer,
                                     "Z:\\tmp\\x.ini"),
            3u);
  EXPECT_STREQ(buffer, "\"d\"");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(Instrumented, TraceKeepsArgumentsExactly) {
  const std::string awkward = "C:\\a b\\t\tab\nline\r=end\\";
  standin::TraceCall("Op", {{"path", awkward}, {"empty", ""}});
  const std::vector<TraceEvent> trace = Trace();
  ASSERT_EQ(trace.size(), 1u);
  EXPECT_EQ(trace[0].kind, "call");
  EXPECT_EQ(trace[0].name, "Op");
  EXPECT_EQ(trace[0].Arg("path"), awkward);
  EXPECT_EQ(trace[0].args.count("empty"), 1u);
  EXPECT_EQ(trace[0].Arg("absent"), "");
}

// The kinds of events, one after another, for matching opens with closes.
std::vector<std::string> Kinds(const std::vector<TraceEvent>& trace) {
  std::vector<std::string> kinds;
  for (const TraceEvent& event : trace)
    kinds.push_back(event.kind + " " + event.name);
  return kinds;
}

TEST_F(Instrumented, TraceShowsHeapBlocks) {
  HLOCAL block = LocalAlloc(LPTR, 24);
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM,
                 nullptr, ERROR_ACCESS_DENIED, 0,
                 reinterpret_cast<LPSTR>(&text), 0, nullptr);
  LocalFree(text);
  LocalFree(block);
  const std::vector<TraceEvent> trace = Trace();
  ASSERT_EQ(Kinds(trace),
            (std::vector<std::string>{"call LocalAlloc", "alloc heap",
                                      "call FormatMessageA", "alloc heap",
                                      "free heap", "free heap"}));
  EXPECT_EQ(trace[0].Arg("flags"), std::to_string(LPTR));
  EXPECT_EQ(trace[1].Arg("bytes"), "24");
  EXPECT_EQ(trace[2].Arg("code"), std::to_string(ERROR_ACCESS_DENIED));
  EXPECT_EQ(trace[3].Arg("bytes"), "17");  // "Access denied.\r\n" and NUL
  EXPECT_EQ(trace[4].Arg("block"), trace[3].Arg("block"));
  EXPECT_EQ(trace[5].Arg("block"), trace[1].Arg("block"));
}

TEST_F(Instrumented, TraceShowsSearchHandles) {
  WIN32_FIND_DATAA data;
  const HANDLE search = FindFirstFileA("Z:\\tmp", &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(FindClose(search));
  EXPECT_FALSE(FindClose(search));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  const std::vector<TraceEvent> trace = Trace();
  ASSERT_EQ(Kinds(trace),
            (std::vector<std::string>{"call FindFirstFileA", "open find",
                                      "close find"}));
  EXPECT_EQ(trace[0].Arg("pattern"), "Z:\\tmp");
  EXPECT_FALSE(trace[1].Arg("id").empty());
  EXPECT_EQ(trace[1].Arg("id"), trace[2].Arg("id"));
}

TEST(StandinHeap, FreeingWhatIsNoBlockFails) {
  int not_a_block = 0;
  SetLastError(0);
  EXPECT_EQ(LocalFree(&not_a_block), &not_a_block);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(LocalFree(nullptr), nullptr);
}

TEST(StandinHeap, LptrZeroFills) {
  auto* block = static_cast<unsigned char*>(LocalAlloc(LPTR, 64));
  ASSERT_NE(block, nullptr);
  EXPECT_TRUE(
      std::all_of(block, block + 64, [](unsigned char c) { return c == 0; }));
  EXPECT_EQ(LocalFree(block), nullptr);
}

TEST(StandinMessages, UnknownCodeHasNoText) {
  char* text = nullptr;
  SetLastError(0);
  EXPECT_EQ(
      FormatMessageA(
          FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
          0x12345, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr),
      0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
  EXPECT_EQ(text, nullptr);
}

}  // namespace
