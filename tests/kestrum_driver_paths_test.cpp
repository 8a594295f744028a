// Kestrum Y on the paths of its drivers' INF files: the longest one the
// driver record holds, made for real, and those Wine's driver search never
// gives (other folders, a dot in a folder's name, no NUL in the record, no
// details at all), which the door answers for.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/devices.h"
#include "support/door.h"
#include "support/driver_inf.h"

namespace {

namespace fs = std::filesystem;
using harness::CreateDevice;
using harness::DeviceExists;

// Wine names the files of its driver folder so: a forward slash, then a
// backslash.
constexpr char kInfFolder[] = "C:/windows/inf\\";

using KestrumDriverPaths = DoorTest;

// The longest InfFileName the driver record holds still yields its PNF path,
// and both files go. One character more, and Wine cannot read the driver at
// all: the enumeration's failure is reported and nothing is deleted.
TEST_F(KestrumDriverPaths, InfPathsAtTheRecordsBound) {
  const std::string folder = kInfFolder;
  for (const std::size_t length : {MAX_PATH - 1, MAX_PATH}) {
    SCOPED_TRACE(length);
    const std::string stem(length - folder.size() - 4, 'n');
    harness::WriteFile(InfDir() / (stem + ".inf"),
                       harness::DriverInf({"ROOT\\KESTRUM_LONG"}));
    harness::WriteFile(InfDir() / (stem + ".pnf"), "pnf");
    const std::string device = CreateDevice({"ROOT\\KESTRUM_LONG"});

    const auto run = RunKestrum({"Y", "ROOT\\KESTRUM_LONG"});

    const bool fits = length < MAX_PATH;
    EXPECT_EQ(
        run.output,
        "Found! [ROOT\\KESTRUM_LONG]\n" +
            (fits ? "Deleted INF file: " + folder + stem +
                        ".inf\nDeleted PNF file: " + folder + stem + ".pnf\n"
                  : "SetupDiEnumDriverInfo FAILURE: File not found.\r\n\n"
                    "FAIL TO REMOVE SPECIFIED INF & PNF files! FAILURE: "
                    "File not found.\r\n\n"));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(fs::exists(InfDir() / (stem + ".inf")), !fits);
    EXPECT_EQ(fs::exists(InfDir() / (stem + ".pnf")), !fits);
    EXPECT_FALSE(DeviceExists(device));
  }
}

// The longest name the record can end, without an extension: its PNF path
// is four characters longer, and is printed whole.
TEST_F(KestrumDriverPaths, LongestInfPathWithoutExtensionGetsItsPnfPath) {
  harness::WriteFile(InfDir() / "kestrum_bare.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_BARE"}));
  const std::string inf = "C:\\d\\" + std::string(MAX_PATH - 6, 'n');
  ASSERT_EQ(inf.size(), MAX_PATH - 1u);
  const std::string device = CreateDevice({"ROOT\\KESTRUM_BARE"});

  const auto traced =
      RunKestrumThroughDoor({"Y", "ROOT\\KESTRUM_BARE"},
                            {{"SetupDiGetDriverInfoDetailA", 1, "inf:" + inf}});

  EXPECT_EQ(traced.run.output,
            "Found! [ROOT\\KESTRUM_BARE]\n"
            "Deleted INF file: " +
                inf +
                "\n"
                "Deleted PNF file: " +
                inf + ".pnf\n");
  EXPECT_EQ(traced.run.status, 0);
  const auto deletions = traced.Calls("DeleteFileA");
  ASSERT_EQ(deletions.size(), 2u);
  EXPECT_EQ(deletions[1].Arg("path"), inf + ".pnf");
  EXPECT_FALSE(DeviceExists(device));
  ExpectNothingLeaked(traced);
}

// A driver whose details cannot be read, or whose record's name runs to the
// field's end (no path: a cut one would name, and delete, another file), is
// passed over without a word. It still counts as found, so no report follows.
TEST_F(KestrumDriverPaths, DriverWithoutAUsablePathIsPassedOverSilently) {
  const std::vector<harness::Fault> faults = {
      {"SetupDiGetDriverInfoDetailA", 1, ERROR_ACCESS_DENIED},
      {"SetupDiGetDriverInfoDetailA", 1, "unended"}};
  for (const harness::Fault& fault : faults) {
    SCOPED_TRACE(fault.value);
    harness::WriteFile(InfDir() / "kestrum_unusable.inf",
                       harness::DriverInf({"ROOT\\KESTRUM_UNUSABLE"}));
    harness::WriteFile(InfDir() / "kestrum_unusable.pnf", "pnf");
    const std::string device = CreateDevice({"ROOT\\KESTRUM_UNUSABLE"});

    const auto traced =
        RunKestrumThroughDoor({"Y", "ROOT\\KESTRUM_UNUSABLE"}, {fault});

    EXPECT_EQ(traced.run.output, "Found! [ROOT\\KESTRUM_UNUSABLE]\n");
    EXPECT_EQ(traced.run.status, 0);
    EXPECT_TRUE(traced.Calls("DeleteFileA").empty());
    EXPECT_TRUE(fs::exists(InfDir() / "kestrum_unusable.inf"));
    EXPECT_TRUE(fs::exists(InfDir() / "kestrum_unusable.pnf"));
    EXPECT_FALSE(DeviceExists(device));
    ExpectNothingLeaked(traced);
  }
}

// Two drivers in two other folders: both pairs go, in the service's order. A
// file without an extension in a folder named with a dot gets ".pnf"
// appended: the folder's dot is never the cut point, or C:\A.pnf would go.
TEST_F(KestrumDriverPaths, DriversInOtherFoldersLoseTheirOwnFilesOnly) {
  harness::WriteFile(InfDir() / "kestrum_p1.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_FOLDERS"}));
  harness::WriteFile(InfDir() / "kestrum_p2.inf",
                     harness::DriverInf({"ROOT\\KESTRUM_FOLDERS"}));
  const fs::path dotted = "C:\\A.B";
  const fs::path plain = "C:\\drivers";
  fs::create_directories(dotted);
  fs::create_directories(plain);
  for (const fs::path& file :
       {plain / "x.inf", plain / "x.pnf", dotted / "noext",
        dotted / "noext.pnf", fs::path("C:\\A.pnf")}) {
    harness::WriteFile(file, "file");
  }
  const std::string device = CreateDevice({"ROOT\\KESTRUM_FOLDERS"});

  const auto traced = RunKestrumThroughDoor(
      {"Y", "ROOT\\KESTRUM_FOLDERS"},
      {{"SetupDiGetDriverInfoDetailA", 1, "inf:C:\\drivers\\x.inf"},
       {"SetupDiGetDriverInfoDetailA", 2, "inf:C:\\A.B\\noext"}});

  EXPECT_EQ(traced.run.output,
            "Found! [ROOT\\KESTRUM_FOLDERS]\n"
            "Deleted INF file: C:\\drivers\\x.inf\n"
            "Deleted PNF file: C:\\drivers\\x.pnf\n"
            "Deleted INF file: C:\\A.B\\noext\n"
            "Deleted PNF file: C:\\A.B\\noext.pnf\n");
  EXPECT_EQ(traced.run.status, 0);
  for (const fs::path& gone : {plain / "x.inf", plain / "x.pnf",
                               dotted / "noext", dotted / "noext.pnf"}) {
    EXPECT_FALSE(fs::exists(gone)) << gone;
  }
  EXPECT_TRUE(fs::exists("C:\\A.pnf"));
  EXPECT_FALSE(DeviceExists(device));
  ExpectNothingLeaked(traced);
}

}  // namespace
