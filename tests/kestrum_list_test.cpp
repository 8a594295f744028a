// Kestrum F: the removal list read from an INI file in the current directory,
// against the real service.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/devices.h"
#include "support/driver_inf.h"
#include "support/fixture.h"

namespace {

namespace fs = std::filesystem;
using harness::CreateDevice;
using harness::DeviceExists;

constexpr char kListUnreadable[] = "Fail to retrive key values from INI file.";

class KestrumList : public ToolTest {
 protected:
  // Writes the removal list as list.ini in the working directory and runs
  // Kestrum on it.
  harness::ToolRun RunList(const std::string& ini_text,
                           const char* file = __builtin_FILE(),
                           int line = __builtin_LINE()) {
    harness::WriteFile(work_dir() / "list.ini", ini_text);
    return RunKestrum({"F", "list.ini"}, file, line);
  }

  // Places a driver for id in C:\windows\inf as stem.inf with its stem.pnf.
  void PlaceDriver(const std::string& stem, const std::string& id) {
    harness::WriteFile(InfDir() / (stem + ".inf"), harness::DriverInf({id}));
    harness::WriteFile(InfDir() / (stem + ".pnf"), "precompiled");
  }
};

TEST_F(KestrumList, EntriesAreReadByKeyNameAndEachActsOnItsDevices) {
  const std::string zero = CreateDevice({"ROOT\\KESTRUM_LIST0"});
  const std::string five = CreateDevice({"ROOT\\KESTRUM_LIST5"});
  const std::string twelve = CreateDevice({"ROOT\\KESTRUM_LIST12"});
  const std::string named = CreateDevice({"ROOT\\KESTRUM_NAMED"});

  const auto run = RunList(
      "[Hardware]\r\n"
      "Dev5=ROOT\\KESTRUM_LIST5\r\n"
      "Dev0=ROOT\\KESTRUM_LIST0\r\n"
      "Dev12=ROOT\\KESTRUM_LIST12\r\n"
      "Device=ROOT\\KESTRUM_NAMED\r\n"
      "[RemoveINF]\r\n"
      "Dev0=0\r\nDev5=0\r\nDev12=0\r\nDevice=0\r\n");

  EXPECT_EQ(run.output,
            "Found! [ROOT\\KESTRUM_LIST0]\n"
            "Found! [ROOT\\KESTRUM_LIST5]\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(zero));
  EXPECT_FALSE(DeviceExists(five));
  EXPECT_TRUE(DeviceExists(twelve));
  EXPECT_TRUE(DeviceExists(named));
}

TEST_F(KestrumList, OnlyRemoveInfOneDeletesDriverFiles) {
  PlaceDriver("kestrum_delete", "ROOT\\KESTRUM_DELETE");
  PlaceDriver("kestrum_keep", "ROOT\\KESTRUM_KEEP");
  const std::string deleted = CreateDevice({"ROOT\\KESTRUM_DELETE"});
  const std::string kept = CreateDevice({"ROOT\\KESTRUM_KEEP"});

  const auto run = RunList(
      "[Hardware]\r\nDev0=ROOT\\KESTRUM_DELETE\r\nDev1=ROOT\\KESTRUM_KEEP\r\n"
      "[RemoveINF]\r\nDev0=1\r\nDev1=2\r\n");

  EXPECT_EQ(run.output,
            "Found! [ROOT\\KESTRUM_DELETE]\n"
            "Deleted INF file: C:/windows/inf\\kestrum_delete.inf\n"
            "Deleted PNF file: C:/windows/inf\\kestrum_delete.pnf\n"
            "Found! [ROOT\\KESTRUM_KEEP]\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(deleted));
  EXPECT_FALSE(DeviceExists(kept));
  EXPECT_FALSE(fs::exists(InfDir() / "kestrum_delete.inf"));
  EXPECT_FALSE(fs::exists(InfDir() / "kestrum_delete.pnf"));
  EXPECT_TRUE(fs::exists(InfDir() / "kestrum_keep.inf"));
  EXPECT_TRUE(fs::exists(InfDir() / "kestrum_keep.pnf"));
}

TEST_F(KestrumList, ListWithoutUsableEntryEndsBeforeTheScan) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_UNLISTED"});
  const std::vector<std::pair<const char*, std::string>> lists = {
      {"empty RemoveINF section",
       "[Hardware]\r\nDev0=ROOT\\KESTRUM_UNLISTED\r\n[RemoveINF]\r\n"},
      {"no RemoveINF section", "[Hardware]\r\nDev0=ROOT\\KESTRUM_UNLISTED\r\n"},
      {"negative RemoveINF",
       "[Hardware]\r\nDev0=ROOT\\KESTRUM_UNLISTED\r\n[RemoveINF]\r\nDev0=-"
       "3\r\n"},
      {"empty Hardware value",
       "[Hardware]\r\nDev0=\r\n[RemoveINF]\r\nDev0=1\r\n"},
  };
  for (const auto& [what, text] : lists) {
    const auto run = RunList(text);
    EXPECT_EQ(run.output, kListUnreadable) << what;
    EXPECT_EQ(run.status, 1) << what;
  }
  EXPECT_TRUE(DeviceExists(device));
}

TEST_F(KestrumList, MissingOrUnreachableFileEndsBeforeTheScan) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_LIST_ABS"});
  harness::WriteFile(work_dir() / "list.ini",
                     "[Hardware]\r\nDev0=ROOT\\KESTRUM_LIST_ABS\r\n"
                     "[RemoveINF]\r\nDev0=0\r\n");
  // An absolute name is still joined after the current directory.
  const std::string absolute = harness::WindowsPath(work_dir() / "list.ini");
  for (const std::string& name : {std::string("absent.ini"), absolute}) {
    const auto run = RunKestrum({"f", name});
    EXPECT_EQ(run.output, kListUnreadable) << name;
    EXPECT_EQ(run.status, 1) << name;
  }
  EXPECT_TRUE(DeviceExists(device));
}

TEST_F(KestrumList, ListIdsAreUpperCasedDeviceIdsAreNot) {
  const std::string upper = CreateDevice({"ROOT\\KESTRUM_LOWER_IN_FILE"});
  const std::string mixed = CreateDevice({"Root\\Kestrum_Mixed_Device"});

  const auto run = RunList(
      "[hardware]\r\ndev0 = root\\kestrum_lower_in_file\r\n"
      "Dev1=Root\\Kestrum_Mixed_Device\r\n"
      "[removeinf]\r\nDEV0 = 0\r\nDev1=0\r\n");

  EXPECT_EQ(run.output, "Found! [ROOT\\KESTRUM_LOWER_IN_FILE]\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(upper));
  EXPECT_TRUE(DeviceExists(mixed));
}

// Unlike a single ID, a list match does not end the walk over the device's
// IDs: the second match asks again for a device that is already gone.
TEST_F(KestrumList, DeviceWithTwoListedIdsIsRemovedTwice) {
  const std::string device =
      CreateDevice({"ROOT\\KESTRUM_TWICE_A", "ROOT\\KESTRUM_TWICE_B"});

  const auto run = RunList(
      "[Hardware]\r\nDev0=ROOT\\KESTRUM_TWICE_B\r\nDev1=ROOT\\KESTRUM_TWICE_"
      "A\r\n"
      "[RemoveINF]\r\nDev0=0\r\nDev1=0\r\n");

  EXPECT_EQ(run.output,
            "Found! [ROOT\\KESTRUM_TWICE_A]\n"
            "Found! [ROOT\\KESTRUM_TWICE_B]\n"
            "CallClassInstaller(REMOVE) FAILURE: (0xe000020b)\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(device));
}

TEST_F(KestrumList, FirstOfDuplicateEntriesDecides) {
  PlaceDriver("kestrum_dup", "ROOT\\KESTRUM_DUP");
  const std::string device = CreateDevice({"ROOT\\KESTRUM_DUP"});

  const auto run = RunList(
      "[Hardware]\r\nDev0=ROOT\\KESTRUM_DUP\r\nDev1=ROOT\\KESTRUM_DUP\r\n"
      "[RemoveINF]\r\nDev0=0\r\nDev1=1\r\n");

  EXPECT_EQ(run.output, "Found! [ROOT\\KESTRUM_DUP]\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(device));
  EXPECT_TRUE(fs::exists(InfDir() / "kestrum_dup.inf"));
}

// Only the mode's first letter counts: F followed by anything is list mode.
TEST_F(KestrumList, LetterFFollowedByMoreIsListMode) {
  for (const char* mode : {"File", "Fx", "f1"}) {
    SCOPED_TRACE(mode);
    const std::string device = CreateDevice({"ROOT\\KESTRUM_FILE_WORD"});
    harness::WriteFile(work_dir() / "list.ini",
                       "[Hardware]\r\nDev0=ROOT\\KESTRUM_FILE_WORD\r\n"
                       "[RemoveINF]\r\nDev0=0\r\n");
    const auto run = RunKestrum({mode, "list.ini"});
    EXPECT_EQ(run.output, "Found! [ROOT\\KESTRUM_FILE_WORD]\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_FALSE(DeviceExists(device));
  }
}

// Dev0 to Dev11 fill all twelve entries, and Dev12 is never read.
TEST_F(KestrumList, TwelveEntriesFillTheList) {
  std::string hardware = "[Hardware]\r\n";
  std::string remove_inf = "[RemoveINF]\r\n";
  std::string output;
  std::vector<std::string> listed;
  for (int index = 0; index <= 12; ++index) {
    const std::string key = "Dev" + std::to_string(index);
    const std::string id = "ROOT\\KESTRUM_ENTRY" + std::to_string(index);
    hardware += key + "=" + id + "\r\n";
    remove_inf += key + "=0\r\n";
    listed.push_back(CreateDevice({id}));
    if (index < 12) output += "Found! [" + id + "]\n";
  }

  const auto run = RunList(hardware + remove_inf);

  EXPECT_EQ(run.output, output);
  EXPECT_EQ(run.status, 0);
  for (int index = 0; index <= 12; ++index) {
    EXPECT_EQ(DeviceExists(listed[index]), index == 12) << index;
  }
}

// An entry holds 255 characters: an ID that long is matched whole; a longer
// one is read as its first 255 characters, so the device that reports the
// whole longer ID is not matched, and one that reports the cut ID is.
TEST_F(KestrumList, EntryOfTheLongestLengthTheListHolds) {
  const std::string longest = "ROOT\\" + std::string(250, 'L');
  const std::string longer = "ROOT\\" + std::string(251, 'M');
  const std::string cut = longer.substr(0, 255);
  ASSERT_EQ(longest.size(), 255u);
  const std::string longest_device = CreateDevice({longest});
  const std::string longer_device = CreateDevice({longer});
  const std::string cut_device = CreateDevice({cut});

  const auto run =
      RunList("[Hardware]\r\nDev0=" + longest + "\r\nDev1=" + longer +
              "\r\n[RemoveINF]\r\nDev0=0\r\nDev1=0\r\n");

  EXPECT_EQ(run.output,
            "Found! [" + longest + "]\n" + "Found! [" + cut + "]\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(longest_device));
  EXPECT_TRUE(DeviceExists(longer_device));
  EXPECT_FALSE(DeviceExists(cut_device));
}

// A key missing from Hardware reads as its default text, which then stands in
// the list like any other ID.
TEST_F(KestrumList, KeyOnlyInRemoveInfListsTheDefaultText) {
  const std::string odd = CreateDevice({"NO FOUND!!!"});
  const std::string other = CreateDevice({"ROOT\\KESTRUM_NOT_LISTED"});

  const auto run = RunList("[Hardware]\r\n[RemoveINF]\r\nDev3=0\r\n");

  EXPECT_EQ(run.output, "Found! [NO FOUND!!!]\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(odd));
  EXPECT_TRUE(DeviceExists(other));
}

// The joined path must fit 262 characters with its NUL; the INI service then
// reads no path longer than 259, so that is the longest list that works.
TEST_F(KestrumList, JoinedPathAtTheBounds) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_EDGE"});
  const std::string folder = harness::WindowsPath(work_dir()) + "\\";
  const struct {
    std::size_t length;
    std::string output;
  } cases[] = {
      {262, "Path is too long."},
      {261, kListUnreadable},
      {260, kListUnreadable},
      {259, "Found! [ROOT\\KESTRUM_EDGE]\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    const std::string name(c.length - folder.size(), 'l');
    // Only the list that can be read is written: whether a longer one is
    // there makes no difference.
    if (c.length == 259) {
      harness::WriteFile(work_dir() / name,
                         "[Hardware]\r\nDev0=ROOT\\KESTRUM_EDGE\r\n"
                         "[RemoveINF]\r\nDev0=0\r\n");
    }
    const auto run = RunKestrum({"F", name});
    EXPECT_EQ(run.output, c.output);
    EXPECT_EQ(run.status, c.length == 259 ? 0 : 1);
    EXPECT_EQ(DeviceExists(device), c.length != 259);
  }
  EXPECT_EQ(RunKestrum({"F", std::string(300, 'l')}).output,
            "Path is too long.");
}

// As every file call does, the INI service drops the dots and spaces that
// end the name.
TEST_F(KestrumList, NameEndingInADotReadsTheNameWithout) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_DOT"});
  harness::WriteFile(work_dir() / "list.ini",
                     "[Hardware]\r\nDev0=ROOT\\KESTRUM_DOT\r\n"
                     "[RemoveINF]\r\nDev0=0\r\n");
  const auto run = RunKestrum({"F", "list.ini."});
  EXPECT_EQ(run.output, "Found! [ROOT\\KESTRUM_DOT]\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(device));
}

}  // namespace
