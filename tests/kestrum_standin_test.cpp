// Kestrum on machines only the stand-in can make: drivers in the 98-style
// second folder, in folders whose names hold a dot, and with paths as long as
// the driver record holds or longer.
#include <gtest/gtest.h>
#include <standin/testing.h>

#include <filesystem>

#include "support/devices.h"
#include "support/driver_inf.h"
#include "support/fixture.h"

namespace {

namespace fs = std::filesystem;

class KestrumDriverFolders : public ToolTest {
 protected:
  harness::ToolRun RemoveWithFiles(const std::string& id,
                                   const char* file = __builtin_FILE(),
                                   int line = __builtin_LINE()) {
    return RunKestrum({"Y", id}, file, line);
  }
};

TEST_F(KestrumDriverFolders, DriversInTwoFoldersAreAllDeleted) {
  const fs::path other = harness::HostPath("C:\\windows\\inf\\other");
  harness::WriteFile(InfDir() / "first.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_TWO_FOLDERS"}));
  harness::WriteFile(InfDir() / "first.pnf", "pnf");
  harness::WriteFile(other / "second.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_TWO_FOLDERS"}));
  harness::WriteFile(other / "second.pnf", "pnf");
  const std::string device =
      harness::CreateDevice({"ROOT\\KESTRUM_TWO_FOLDERS"});

  const auto run = RemoveWithFiles("ROOT\\KESTRUM_TWO_FOLDERS");

  EXPECT_EQ(run.output,
            "Found! [ROOT\\KESTRUM_TWO_FOLDERS]\n"
            "Deleted INF file: C:/windows/inf\\first.inf\n"
            "Deleted PNF file: C:/windows/inf\\first.pnf\n"
            "Deleted INF file: C:\\windows\\inf\\other\\second.inf\n"
            "Deleted PNF file: C:\\windows\\inf\\other\\second.pnf\n");
  EXPECT_EQ(run.status, 0);
  for (const fs::path& gone : {InfDir() / "first.inf", InfDir() / "first.pnf",
                               other / "second.inf", other / "second.pnf"}) {
    EXPECT_FALSE(fs::exists(gone)) << gone;
  }
  EXPECT_FALSE(harness::DeviceExists(device));
}

// Cutting the name at a dot of its folder would name, and delete, a file
// that has nothing to do with the driver.
TEST_F(KestrumDriverFolders, DotInFolderNameIsNeverACutPoint) {
  standin::testing::SetDriverFolders({"C:\\A.B"});
  const fs::path folder = harness::HostPath("C:\\");
  fs::create_directories(folder / "A.B");
  harness::WriteFile(folder / "A.B" / "x.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_DOTTED"}));
  harness::WriteFile(folder / "A.B" / "x.pnf", "pnf");
  harness::WriteFile(folder / "A.B" / "noext",
                     harness::DriverInf({"ROOT\\KESTRUM_DOTTED"}));
  harness::WriteFile(folder / "A.pnf", "unrelated");
  harness::CreateDevice({"ROOT\\KESTRUM_DOTTED"});

  const auto run = RemoveWithFiles("ROOT\\KESTRUM_DOTTED");

  EXPECT_EQ(run.output,
            "Found! [ROOT\\KESTRUM_DOTTED]\n"
            "Deleted INF file: C:\\A.B\\noext\n"
            "Deleted PNF file: C:\\A.B\\noext.pnf\n"
            "Deleted INF file: C:\\A.B\\x.inf\n"
            "Deleted PNF file: C:\\A.B\\x.pnf\n");
  EXPECT_TRUE(fs::exists(folder / "A.pnf"));
  EXPECT_FALSE(fs::exists(folder / "A.B" / "x.pnf"));
}

// A driver whose INF path is `length` characters long, in a folder of its own
// under C:\, for ROOT\KESTRUM_LONG. Returns the path.
std::string PlaceDriverWithPathLength(std::size_t length) {
  const std::string folder_name(240, 'd');
  const std::string windows_folder = "C:\\" + folder_name;
  standin::testing::SetDriverFolders({windows_folder});
  const fs::path folder = harness::HostPath("C:\\") / folder_name;
  fs::create_directories(folder);
  const std::string name(length - windows_folder.size() - 1, 'n');
  harness::WriteFile(folder / name, harness::DriverInf({"ROOT\\KESTRUM_LONG"}));
  return windows_folder + "\\" + name;
}

// The longest InfFileName the driver record holds still yields its PNF path.
TEST_F(KestrumDriverFolders, LongestInfPathKeepsItsPnfPath) {
  const std::string inf = PlaceDriverWithPathLength(MAX_PATH - 1);
  harness::CreateDevice({"ROOT\\KESTRUM_LONG"});

  const auto run = RemoveWithFiles("ROOT\\KESTRUM_LONG");

  EXPECT_EQ(run.output, "Found! [ROOT\\KESTRUM_LONG]\n"
                        "Deleted INF file: " + inf + "\n"
                        "Deleted PNF file: " + inf + ".pnf\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(fs::exists(harness::HostPath(inf)));
}

// One character more and the record holds no ended name: the driver counts as
// found but nothing is deleted, least of all the file the cut name names.
TEST_F(KestrumDriverFolders, InfPathPastTheRecordIsNeverCut) {
  const std::string inf = PlaceDriverWithPathLength(MAX_PATH);
  const fs::path cut = harness::HostPath(inf.substr(0, MAX_PATH - 1));
  harness::WriteFile(cut, "not the driver");
  const std::string device = harness::CreateDevice({"ROOT\\KESTRUM_LONG"});

  const auto run = RemoveWithFiles("ROOT\\KESTRUM_LONG");

  EXPECT_EQ(run.output, "Found! [ROOT\\KESTRUM_LONG]\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(fs::exists(cut));
  EXPECT_TRUE(fs::exists(harness::HostPath(inf)));
  EXPECT_FALSE(harness::DeviceExists(device));
}

}  // namespace
