// Kestrum with one hardware ID on the command line (modes N and Y), against
// the real service.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/fixture.h"
#include "support/machine.h"
#include "support/messages.h"

namespace {

using harness::CreateDevice;
using harness::DeviceExists;
using harness::Ends;
using messages::Found;
using messages::kKestrumLongUsage;
using messages::kKestrumShortUsage;

using KestrumSingleId = ToolTest;

TEST_F(KestrumSingleId, TooFewArgumentsPrintTheShortUsage) {
  EXPECT_EQ(Run(kKestrum, {}), Ends(kKestrumShortUsage, 1));
  EXPECT_EQ(Run(kKestrum, {"N"}), Ends(kKestrumShortUsage, 1));
}

TEST_F(KestrumSingleId, ModeLetterWithMoreCharactersEndsSilently) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_SILENT"});
  for (const char* mode : {"Yes", "No", "yy", "N1"}) {
    EXPECT_EQ(Run(kKestrum, {mode, "ROOT\\KESTRUM_SILENT"}), Ends("", 1))
        << mode;
  }
  EXPECT_TRUE(DeviceExists(device));
}

TEST_F(KestrumSingleId, UnknownModeLetterPrintsTheLongUsage) {
  for (const char* mode : {"Q", "x", "", "-N"}) {
    EXPECT_EQ(Run(kKestrum, {mode, "ROOT\\ANY"}), Ends(kKestrumLongUsage, 1))
        << "mode '" << mode << "'";
  }
}

TEST_F(KestrumSingleId, LowerCaseWantedIdMatchesUpperCaseDevice) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_UPPER"});
  EXPECT_EQ(Run(kKestrum, {"n", "root\\kestrum_upper"}),
            Ends(Found("ROOT\\KESTRUM_UPPER"), 0));
  EXPECT_FALSE(DeviceExists(device));
}

TEST_F(KestrumSingleId, DeviceIdWithLowerCaseLettersNeverMatches) {
  const std::string device = CreateDevice({"Root\\Kestrum_Mixed"});
  EXPECT_EQ(Run(kKestrum, {"N", "Root\\Kestrum_Mixed"}), Ends("", 0));
  EXPECT_EQ(Run(kKestrum, {"N", "ROOT\\KESTRUM_MIXED"}), Ends("", 0));
  EXPECT_TRUE(DeviceExists(device));
}

TEST_F(KestrumSingleId, MatchOnSecondIdRemovesTheDeviceOnce) {
  const std::string device = CreateDevice(
      {"ROOT\\KESTRUM_FIRST", "ROOT\\KESTRUM_SECOND", "ROOT\\KESTRUM_SECOND"});
  EXPECT_EQ(Run(kKestrum, {"N", "ROOT\\KESTRUM_SECOND"}),
            Ends(Found("ROOT\\KESTRUM_SECOND"), 0));
  EXPECT_FALSE(DeviceExists(device));
}

TEST_F(KestrumSingleId, EveryMatchingDeviceIsRemovedAndOthersKept) {
  const std::string first = CreateDevice({"ROOT\\KESTRUM_MANY"});
  const std::string other = CreateDevice({"ROOT\\KESTRUM_OTHER"});
  const std::string second =
      CreateDevice({"PCI\\KESTRUM_X", "ROOT\\KESTRUM_MANY"});
  const std::string third = CreateDevice({"ROOT\\KESTRUM_MANY"});
  const std::string found = Found("ROOT\\KESTRUM_MANY");
  EXPECT_EQ(Run(kKestrum, {"N", "ROOT\\KESTRUM_MANY", "ignored", "too"}),
            Ends(found + found + found, 0));
  EXPECT_FALSE(DeviceExists(first));
  EXPECT_FALSE(DeviceExists(second));
  EXPECT_FALSE(DeviceExists(third));
  EXPECT_TRUE(DeviceExists(other));
}

// No value, or one that holds no ID: the scan passes the device by without a
// word, ends, and finds the device after it. A value of 0 bytes answers every
// size-0 fetch with "0 bytes more".
TEST_F(KestrumSingleId, DeviceWithoutHardwareIdsIsSkippedSilently) {
  const std::vector<std::string> bare = {
      CreateDevice({}),
      harness::CreateDeviceWithRawIds(""),
      harness::CreateDeviceWithRawIds(std::string(1, '\0')),
      harness::CreateDeviceWithValue(REG_BINARY, "ROOT\\KESTRUM_AFTER_BARE"),
  };
  const std::string wanted = CreateDevice({"ROOT\\KESTRUM_AFTER_BARE"});
  EXPECT_EQ(Run(kKestrum, {"N", "ROOT\\KESTRUM_AFTER_BARE"}),
            Ends(Found("ROOT\\KESTRUM_AFTER_BARE"), 0));
  for (const std::string& device : bare) EXPECT_TRUE(DeviceExists(device));
  EXPECT_FALSE(DeviceExists(wanted));
}

TEST_F(KestrumSingleId, DeviceNotPresentIsScannedAndRemoved) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_PHANTOM"});
  harness::MakeNotPresent(device);
  ASSERT_TRUE(DeviceExists(device));
  EXPECT_EQ(Run(kKestrum, {"N", "ROOT\\KESTRUM_PHANTOM"}),
            Ends(Found("ROOT\\KESTRUM_PHANTOM"), 0));
  EXPECT_FALSE(DeviceExists(device));
}

TEST_F(KestrumSingleId, NoMatchingDeviceIsACompletedScan) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_KEPT"});
  EXPECT_EQ(Run(kKestrum, {"N", "ROOT\\KESTRUM_NOWHERE"}), Ends("", 0));
  EXPECT_TRUE(DeviceExists(device));
}

// Only whole strings before the list's empty string are hardware IDs: not the
// bytes after it (Wine's own ROOT\WINE\WINEBUS value has such junk), and not a
// last string that the value does not end, which the exactly sized buffer
// would let a comparison read past.
TEST_F(KestrumSingleId, OnlyWholeStringsBeforeTheListEndAreIds) {
  using namespace std::string_literals;
  const struct {
    std::string value;
    std::string id_inside;
    std::string id_outside;
  } cases[] = {
      {"ROOT\\KESTRUM_J\0\0ROOT\\KESTRUM_JUNK\0\0"s, "ROOT\\KESTRUM_J",
       "ROOT\\KESTRUM_JUNK"},
      {"ROOT\\KESTRUM_U\0ROOT\\KESTRUM_TAIL"s, "ROOT\\KESTRUM_U",
       "ROOT\\KESTRUM_TAIL"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id_outside);
    const std::string device =
        harness::CreateDeviceWithValue(REG_BINARY, c.value);
    EXPECT_EQ(Run(kKestrum, {"N", c.id_outside}), Ends("", 0));
    EXPECT_TRUE(DeviceExists(device));

    EXPECT_EQ(Run(kKestrum, {"N", c.id_inside}), Ends(Found(c.id_inside), 0));
    EXPECT_FALSE(DeviceExists(device));
  }
}

}  // namespace
