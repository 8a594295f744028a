// Kestrum F: the removal list read from an INI file in the current directory,
// against the real service.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on
#include "support/fixture.h"
#include "support/machine.h"
#include "support/messages.h"
#include "support/removal_list.h"

namespace {

using harness::CreateDevice;
using harness::DeviceExists;
using harness::Ends;
using harness::ListEntry;
using harness::PlaceDriver;
using harness::RemovalList;
using messages::Deleted;
using messages::Found;
using messages::kKestrumListUnreadable;

class KestrumList : public ToolTest {
 protected:
  // Writes the list as list.ini in the working directory.
  void WriteList(const std::string& text) {
    harness::WriteFile(work_dir() / "list.ini", text);
  }
};

TEST_F(KestrumList, EntriesAreReadByKeyNameAndEachActsOnItsDevices) {
  const std::string zero = CreateDevice({"ROOT\\KESTRUM_LIST0"});
  const std::string five = CreateDevice({"ROOT\\KESTRUM_LIST5"});
  const std::string twelve = CreateDevice({"ROOT\\KESTRUM_LIST12"});
  const std::string named = CreateDevice({"ROOT\\KESTRUM_NAMED"});
  WriteList(RemovalList({{"Dev5", "ROOT\\KESTRUM_LIST5", 0},
                         {"Dev0", "ROOT\\KESTRUM_LIST0", 0},
                         {"Dev12", "ROOT\\KESTRUM_LIST12", 0},
                         {"Device", "ROOT\\KESTRUM_NAMED", 0}}));

  EXPECT_EQ(
      Run(kKestrum, {"F", "list.ini"}),
      Ends(Found("ROOT\\KESTRUM_LIST0") + Found("ROOT\\KESTRUM_LIST5"), 0));
  EXPECT_FALSE(DeviceExists(zero));
  EXPECT_FALSE(DeviceExists(five));
  EXPECT_TRUE(DeviceExists(twelve));
  EXPECT_TRUE(DeviceExists(named));
}

TEST_F(KestrumList, OnlyRemoveInfOneDeletesDriverFiles) {
  const auto deleted =
      PlaceDriver("kestrum_delete.inf", {"ROOT\\KESTRUM_DELETE"});
  const auto kept = PlaceDriver("kestrum_list_keep.inf", {"ROOT\\KESTRUM_KEEP"});
  const std::string deleted_device = CreateDevice({"ROOT\\KESTRUM_DELETE"});
  const std::string kept_device = CreateDevice({"ROOT\\KESTRUM_KEEP"});
  WriteList(RemovalList({{"Dev0", "ROOT\\KESTRUM_DELETE", 1},
                         {"Dev1", "ROOT\\KESTRUM_KEEP", 2}}));

  EXPECT_EQ(Run(kKestrum, {"F", "list.ini"}),
            Ends(Found("ROOT\\KESTRUM_DELETE") + Deleted(deleted) +
                     Found("ROOT\\KESTRUM_KEEP"),
                 0));
  EXPECT_FALSE(DeviceExists(deleted_device));
  EXPECT_FALSE(DeviceExists(kept_device));
  EXPECT_TRUE(deleted.Gone());
  EXPECT_TRUE(kept.Intact());
}

TEST_F(KestrumList, ListWithoutUsableEntryEndsBeforeTheScan) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_UNLISTED"});
  const std::vector<std::pair<const char*, std::string>> lists = {
      {"empty RemoveINF section",
       RemovalList({{"Dev0", "ROOT\\KESTRUM_UNLISTED", std::nullopt}})},
      // Written out: RemovalList always writes both sections.
      {"no RemoveINF section", "[Hardware]\r\nDev0=ROOT\\KESTRUM_UNLISTED\r\n"},
      {"negative RemoveINF",
       RemovalList({{"Dev0", "ROOT\\KESTRUM_UNLISTED", -3}})},
      {"empty Hardware value", RemovalList({{"Dev0", "", 1}})},
  };
  for (const auto& [what, text] : lists) {
    WriteList(text);
    EXPECT_EQ(Run(kKestrum, {"F", "list.ini"}), Ends(kKestrumListUnreadable, 1))
        << what;
  }
  EXPECT_TRUE(DeviceExists(device));
}

TEST_F(KestrumList, MissingOrUnreachableFileEndsBeforeTheScan) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_LIST_ABS"});
  WriteList(RemovalList({{"Dev0", "ROOT\\KESTRUM_LIST_ABS", 0}}));
  // An absolute name is still joined after the current directory.
  const std::string absolute = harness::WindowsPath(work_dir() / "list.ini");
  for (const std::string& name : {std::string("absent.ini"), absolute}) {
    EXPECT_EQ(Run(kKestrum, {"f", name}), Ends(kKestrumListUnreadable, 1))
        << name;
  }
  EXPECT_TRUE(DeviceExists(device));
}

TEST_F(KestrumList, ListIdsAreUpperCasedDeviceIdsAreNot) {
  const std::string upper = CreateDevice({"ROOT\\KESTRUM_LOWER_IN_FILE"});
  const std::string mixed = CreateDevice({"Root\\Kestrum_Mixed_Device"});
  // Written out: the names' spelling and spacing are part of the case.
  WriteList(
      "[hardware]\r\ndev0 = root\\kestrum_lower_in_file\r\n"
      "Dev1=Root\\Kestrum_Mixed_Device\r\n"
      "[removeinf]\r\nDEV0 = 0\r\nDev1=0\r\n");

  EXPECT_EQ(Run(kKestrum, {"F", "list.ini"}),
            Ends(Found("ROOT\\KESTRUM_LOWER_IN_FILE"), 0));
  EXPECT_FALSE(DeviceExists(upper));
  EXPECT_TRUE(DeviceExists(mixed));
}

// Unlike a single ID, a list match does not end the walk over the device's
// IDs: the second match asks again for a device that is already gone.
TEST_F(KestrumList, DeviceWithTwoListedIdsIsRemovedTwice) {
  const std::string device =
      CreateDevice({"ROOT\\KESTRUM_TWICE_A", "ROOT\\KESTRUM_TWICE_B"});
  WriteList(RemovalList({{"Dev0", "ROOT\\KESTRUM_TWICE_B", 0},
                         {"Dev1", "ROOT\\KESTRUM_TWICE_A", 0}}));

  EXPECT_EQ(
      Run(kKestrum, {"F", "list.ini"}),
      Ends(Found("ROOT\\KESTRUM_TWICE_A") + Found("ROOT\\KESTRUM_TWICE_B") +
               messages::Failure(messages::kRemove, ERROR_NO_SUCH_DEVINST),
           0));
  EXPECT_FALSE(DeviceExists(device));
}

TEST_F(KestrumList, FirstOfDuplicateEntriesDecides) {
  const auto driver = PlaceDriver("kestrum_dup.inf", {"ROOT\\KESTRUM_DUP"});
  const std::string device = CreateDevice({"ROOT\\KESTRUM_DUP"});
  WriteList(RemovalList(
      {{"Dev0", "ROOT\\KESTRUM_DUP", 0}, {"Dev1", "ROOT\\KESTRUM_DUP", 1}}));

  EXPECT_EQ(Run(kKestrum, {"F", "list.ini"}),
            Ends(Found("ROOT\\KESTRUM_DUP"), 0));
  EXPECT_FALSE(DeviceExists(device));
  EXPECT_TRUE(driver.Intact());
}

// Only the mode's first letter counts: F followed by anything is list mode.
TEST_F(KestrumList, LetterFFollowedByMoreIsListMode) {
  WriteList(RemovalList({{"Dev0", "ROOT\\KESTRUM_FILE_WORD", 0}}));
  for (const char* mode : {"File", "Fx", "f1"}) {
    SCOPED_TRACE(mode);
    const std::string device = CreateDevice({"ROOT\\KESTRUM_FILE_WORD"});
    EXPECT_EQ(Run(kKestrum, {mode, "list.ini"}),
              Ends(Found("ROOT\\KESTRUM_FILE_WORD"), 0));
    EXPECT_FALSE(DeviceExists(device));
  }
}

// Dev0 to Dev11 fill all twelve entries, and Dev12 is never read.
TEST_F(KestrumList, TwelveEntriesFillTheList) {
  std::vector<ListEntry> entries;
  std::string output;
  std::vector<std::string> listed;
  for (int index = 0; index <= 12; ++index) {
    const std::string id = "ROOT\\KESTRUM_ENTRY" + std::to_string(index);
    entries.push_back({"Dev" + std::to_string(index), id, 0});
    listed.push_back(CreateDevice({id}));
    if (index < 12) output += Found(id);
  }
  WriteList(RemovalList(entries));

  EXPECT_EQ(Run(kKestrum, {"F", "list.ini"}), Ends(output, 0));
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
  const std::string longest_device = CreateDevice({longest});
  const std::string longer_device = CreateDevice({longer});
  const std::string cut_device = CreateDevice({cut});
  WriteList(RemovalList({{"Dev0", longest, 0}, {"Dev1", longer, 0}}));

  EXPECT_EQ(Run(kKestrum, {"F", "list.ini"}),
            Ends(Found(longest) + Found(cut), 0));
  EXPECT_FALSE(DeviceExists(longest_device));
  EXPECT_TRUE(DeviceExists(longer_device));
  EXPECT_FALSE(DeviceExists(cut_device));
}

// A key missing from Hardware reads as its default text, which then stands in
// the list like any other ID.
TEST_F(KestrumList, KeyOnlyInRemoveInfListsTheDefaultText) {
  const std::string odd = CreateDevice({"NO FOUND!!!"});
  const std::string other = CreateDevice({"ROOT\\KESTRUM_NOT_LISTED"});
  WriteList(RemovalList({{"Dev3", std::nullopt, 0}}));

  EXPECT_EQ(Run(kKestrum, {"F", "list.ini"}), Ends(Found("NO FOUND!!!"), 0));
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
    int status;
  } cases[] = {
      {262, messages::kKestrumPathTooLong, 1},
      {261, kKestrumListUnreadable, 1},
      {260, kKestrumListUnreadable, 1},
      {259, Found("ROOT\\KESTRUM_EDGE"), 0},
  };
  for (const auto& [length, output, status] : cases) {
    SCOPED_TRACE(length);
    const std::string name(length - folder.size(), 'l');
    // Only the list that can be read is written: whether a longer one is
    // there makes no difference.
    if (status == 0) {
      harness::WriteFile(work_dir() / name,
                         RemovalList({{"Dev0", "ROOT\\KESTRUM_EDGE", 0}}));
    }
    EXPECT_EQ(Run(kKestrum, {"F", name}), Ends(output, status));
    EXPECT_EQ(DeviceExists(device), status != 0);
  }
  EXPECT_EQ(Run(kKestrum, {"F", std::string(300, 'l')}).output,
            messages::kKestrumPathTooLong);
}

// As every file call does, the INI service drops the dots and spaces that
// end the name.
TEST_F(KestrumList, NameEndingInADotReadsTheNameWithout) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_DOT"});
  WriteList(RemovalList({{"Dev0", "ROOT\\KESTRUM_DOT", 0}}));
  EXPECT_EQ(Run(kKestrum, {"F", "list.ini."}),
            Ends(Found("ROOT\\KESTRUM_DOT"), 0));
  EXPECT_FALSE(DeviceExists(device));
}

}  // namespace
