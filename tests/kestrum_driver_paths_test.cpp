// Kestrum Y on the paths of its drivers' INF files: the longest one the
// driver record holds, made for real, and those Wine's driver search never
// gives (other folders, a dot in a folder's name, no NUL in the record, no
// details at all), which the door answers for.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <vector>

#include "support/case_ledger.h"
#include "support/door.h"
#include "support/machine.h"
#include "support/messages.h"

namespace {

namespace fs = std::filesystem;
using harness::CreateDevice;
using harness::DeviceExists;
using harness::Ends;
using harness::PlaceDriver;
using messages::Deleted;
using messages::Failure;
using messages::Found;

using KestrumDriverPaths = DoorTest;

// The longest InfFileName the driver record holds still yields its PNF path,
// and both files go. One character more, and Wine cannot read the driver at
// all: the enumeration's failure is reported and nothing is deleted.
TEST_F(KestrumDriverPaths, InfPathsAtTheRecordsBound) {
  const std::string& folder = harness::InfFolderAsTheServiceSpellsIt();
  for (const std::size_t length : {MAX_PATH - 1, MAX_PATH}) {
    SCOPED_TRACE(length);
    const std::string stem(length - folder.size() - 4, 'n');
    const auto driver = PlaceDriver(stem + ".inf", {"ROOT\\KESTRUM_LONG"});
    const std::string device = CreateDevice({"ROOT\\KESTRUM_LONG"});

    const bool fits = length < MAX_PATH;
    EXPECT_EQ(
        Run(kKestrum, {"Y", "ROOT\\KESTRUM_LONG"}),
        Ends(Found("ROOT\\KESTRUM_LONG") +
                 (fits ? Deleted(driver)
                       : Failure(messages::kEnumDriver, ERROR_FILE_NOT_FOUND) +
                             Failure(messages::kDriverFiles,
                                     ERROR_FILE_NOT_FOUND)),
             0));
    EXPECT_EQ(driver.Gone(), fits);
    EXPECT_EQ(driver.Intact(), !fits);
    EXPECT_FALSE(DeviceExists(device));
  }
}

// The longest name the record can end, without an extension: its PNF path
// is four characters longer, and is printed whole.
TEST_F(KestrumDriverPaths, LongestInfPathWithoutExtensionGetsItsPnfPath) {
  PlaceDriver("kestrum_bare.inf", {"ROOT\\KESTRUM_BARE"}, harness::Pnf::kNone);
  const std::string inf = "C:\\d\\" + std::string(MAX_PATH - 6, 'n');
  const std::string device = CreateDevice({"ROOT\\KESTRUM_BARE"});

  const auto traced =
      RunThroughDoor(kKestrum, {"Y", "ROOT\\KESTRUM_BARE"},
                     {{"SetupDiGetDriverInfoDetailA", 1, "inf:" + inf}});

  EXPECT_EQ(traced,
            Ends(Found("ROOT\\KESTRUM_BARE") + Deleted(inf, inf + ".pnf"), 0));
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
    const auto driver =
        PlaceDriver("kestrum_unusable.inf", {"ROOT\\KESTRUM_UNUSABLE"});
    const std::string device = CreateDevice({"ROOT\\KESTRUM_UNUSABLE"});

    const auto traced =
        RunThroughDoor(kKestrum, {"Y", "ROOT\\KESTRUM_UNUSABLE"}, {fault});

    EXPECT_EQ(traced, Ends(Found("ROOT\\KESTRUM_UNUSABLE"), 0));
    EXPECT_TRUE(traced.Calls("DeleteFileA").empty());
    EXPECT_TRUE(driver.Intact());
    EXPECT_FALSE(DeviceExists(device));
    ExpectNothingLeaked(traced);
  }
}

// Two drivers in two other folders: both pairs go, in the service's order. A
// file without an extension in a folder named with a dot gets ".pnf"
// appended: the folder's dot is never the cut point, or the file named like
// the folder with ".pnf" would go.
TEST_F(KestrumDriverPaths, DriversInOtherFoldersLoseTheirOwnFilesOnly) {
  PlaceDriver("kestrum_p1.inf", {"ROOT\\KESTRUM_FOLDERS"}, harness::Pnf::kNone);
  PlaceDriver("kestrum_p2.inf", {"ROOT\\KESTRUM_FOLDERS"}, harness::Pnf::kNone);
  const fs::path dotted = "C:\\kestrum_folders.d";
  const fs::path plain = "C:\\kestrum_folders";
  const fs::path beside = "C:\\kestrum_folders.pnf";
  for (const fs::path& made : {dotted, plain, beside}) {
    harness::CaseLedger::Current().MadeFile(made);
  }
  fs::create_directories(dotted);
  fs::create_directories(plain);
  for (const fs::path& file :
       {plain / "x.inf", plain / "x.pnf", dotted / "noext",
        dotted / "noext.pnf", beside}) {
    harness::WriteFile(file, "file");
  }
  const std::string device = CreateDevice({"ROOT\\KESTRUM_FOLDERS"});

  const auto traced = RunThroughDoor(
      kKestrum, {"Y", "ROOT\\KESTRUM_FOLDERS"},
      {{"SetupDiGetDriverInfoDetailA", 1, "inf:C:\\kestrum_folders\\x.inf"},
       {"SetupDiGetDriverInfoDetailA", 2, "inf:C:\\kestrum_folders.d\\noext"}});

  EXPECT_EQ(traced,
            Ends(Found("ROOT\\KESTRUM_FOLDERS") +
                     Deleted("C:\\kestrum_folders\\x.inf",
                             "C:\\kestrum_folders\\x.pnf") +
                     Deleted("C:\\kestrum_folders.d\\noext",
                             "C:\\kestrum_folders.d\\noext.pnf"),
                 0));
  for (const fs::path& gone : {plain / "x.inf", plain / "x.pnf",
                               dotted / "noext", dotted / "noext.pnf"}) {
    EXPECT_FALSE(fs::exists(gone)) << gone;
  }
  EXPECT_TRUE(fs::exists(beside));
  EXPECT_FALSE(DeviceExists(device));
  ExpectNothingLeaked(traced);
}

}  // namespace
