// Kestrum with one hardware ID on the command line (modes N and Y), on the
// stand-in and under Wine alike.
#include <gtest/gtest.h>

#include "platform.h"
#include "support/devices.h"
#include "support/fixture.h"

namespace {

using harness::CreateDevice;
using harness::DeviceExists;

constexpr char kShortUsage[] = "usage: kestrum <Y|N> <Hardware_ID>\n";
constexpr char kLongUsage[] = "usage: remove <Y|N|F> <Hardware_ID|INI file>\n";

using KestrumSingleId = ToolTest;

TEST_F(KestrumSingleId, TooFewArgumentsPrintTheShortUsage) {
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"N"}}) {
    const auto run = RunKestrum(args);
    EXPECT_EQ(run.output, kShortUsage);
    EXPECT_EQ(run.status, 1);
  }
}

TEST_F(KestrumSingleId, ModeLetterWithMoreCharactersEndsSilently) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_SILENT"});
  for (const char* mode : {"Yes", "No", "yy", "N1"}) {
    const auto run = RunKestrum({mode, "ROOT\\KESTRUM_SILENT"});
    EXPECT_EQ(run.output, "") << mode;
    EXPECT_EQ(run.status, 1) << mode;
  }
  EXPECT_TRUE(DeviceExists(device));
}

TEST_F(KestrumSingleId, UnknownModeLetterPrintsTheLongUsage) {
  for (const char* mode : {"Q", "x", "", "-N"}) {
    const auto run = RunKestrum({mode, "ROOT\\ANY"});
    EXPECT_EQ(run.output, kLongUsage) << "mode '" << mode << "'";
    EXPECT_EQ(run.status, 1);
  }
}

TEST_F(KestrumSingleId, LowerCaseWantedIdMatchesUpperCaseDevice) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_UPPER"});
  const auto run = RunKestrum({"n", "root\\kestrum_upper"});
  EXPECT_EQ(run.output, "Found! [ROOT\\KESTRUM_UPPER]\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(device));
}

TEST_F(KestrumSingleId, DeviceIdWithLowerCaseLettersNeverMatches) {
  const std::string device = CreateDevice({"Root\\Kestrum_Mixed"});
  for (const char* wanted : {"Root\\Kestrum_Mixed", "ROOT\\KESTRUM_MIXED"}) {
    const auto run = RunKestrum({"N", wanted});
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.status, 0);
  }
  EXPECT_TRUE(DeviceExists(device));
}

TEST_F(KestrumSingleId, MatchOnSecondIdRemovesTheDeviceOnce) {
  const std::string device = CreateDevice(
      {"ROOT\\KESTRUM_FIRST", "ROOT\\KESTRUM_SECOND", "ROOT\\KESTRUM_SECOND"});
  const auto run = RunKestrum({"N", "ROOT\\KESTRUM_SECOND"});
  EXPECT_EQ(run.output, "Found! [ROOT\\KESTRUM_SECOND]\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(device));
}

TEST_F(KestrumSingleId, EveryMatchingDeviceIsRemovedAndOthersKept) {
  const std::string first = CreateDevice({"ROOT\\KESTRUM_MANY"});
  const std::string other = CreateDevice({"ROOT\\KESTRUM_OTHER"});
  const std::string second =
      CreateDevice({"PCI\\KESTRUM_X", "ROOT\\KESTRUM_MANY"});
  const std::string third = CreateDevice({"ROOT\\KESTRUM_MANY"});
  const auto run = RunKestrum({"N", "ROOT\\KESTRUM_MANY", "ignored", "too"});
  EXPECT_EQ(run.output,
            "Found! [ROOT\\KESTRUM_MANY]\n"
            "Found! [ROOT\\KESTRUM_MANY]\n"
            "Found! [ROOT\\KESTRUM_MANY]\n");
  EXPECT_EQ(run.status, 0);
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
  const auto run = RunKestrum({"N", "ROOT\\KESTRUM_AFTER_BARE"});
  EXPECT_EQ(run.output, "Found! [ROOT\\KESTRUM_AFTER_BARE]\n");
  EXPECT_EQ(run.status, 0);
  for (const std::string& device : bare) EXPECT_TRUE(DeviceExists(device));
  EXPECT_FALSE(DeviceExists(wanted));
}

TEST_F(KestrumSingleId, DeviceNotPresentIsScannedAndRemoved) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_PHANTOM"});
  harness::MakeNotPresent(device);
  ASSERT_TRUE(DeviceExists(device));
  const auto run = RunKestrum({"N", "ROOT\\KESTRUM_PHANTOM"});
  EXPECT_EQ(run.output, "Found! [ROOT\\KESTRUM_PHANTOM]\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_FALSE(DeviceExists(device));
}

TEST_F(KestrumSingleId, NoMatchingDeviceIsACompletedScan) {
  const std::string device = CreateDevice({"ROOT\\KESTRUM_KEPT"});
  const auto run = RunKestrum({"N", "ROOT\\KESTRUM_NOWHERE"});
  EXPECT_EQ(run.output, "");
  EXPECT_EQ(run.status, 0);
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
    auto run = RunKestrum({"N", c.id_outside});
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(DeviceExists(device));

    run = RunKestrum({"N", c.id_inside});
    EXPECT_EQ(run.output, "Found! [" + c.id_inside + "]\n");
    EXPECT_FALSE(DeviceExists(device));
  }
}

}  // namespace
