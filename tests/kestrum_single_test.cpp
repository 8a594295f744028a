// Kestrum with one hardware ID on the command line (modes N and Y), against
// the real service.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on
#include "support/devices.h"
#include "support/door.h"
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

// Machines of random devices, from a fixed seed: hardware-ID values of every
// shape (none, empty, one NUL, well formed, REG_SZ, a last string without its
// NUL, bytes after the list's end), holding the wanted ID at random places,
// also in lower case. Kestrum's test build must end with what a plain model
// of the walk says, leave exactly the devices that did not match, and free
// every buffer it took. About 30 seconds of machines under Wine.
constexpr int kRandomMachines = 80;

class KestrumScan : public DoorTest {
 protected:
  enum class Shape { kNone, kEmpty, kOneNul, kList, kRegSz, kUnended, kJunk };

  struct Value {
    Shape shape;
    std::string bytes;
  };

  static constexpr char kWanted[] = "ROOT\\RND_WANTED";

  std::string RandomId() {
    const int pick = Uniform(0, 9);
    if (pick < 3) return kWanted;
    if (pick == 3) return "root\\rnd_wanted";
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\\&_";
    std::string id = "ROOT\\RND_";
    for (int n = Uniform(1, 8); n > 0; --n) {
      id += kAlphabet[Uniform(0, sizeof kAlphabet - 2)];
    }
    return id;
  }

  // One to three IDs, each ended by its NUL.
  std::string RandomIds() {
    std::string ids;
    for (int n = Uniform(1, 3); n > 0; --n) ids += RandomId() + '\0';
    return ids;
  }

  Value RandomValue() {
    const auto shape = static_cast<Shape>(Uniform(0, 6));
    switch (shape) {
      case Shape::kNone:
      case Shape::kEmpty:
        return {shape, ""};
      case Shape::kOneNul:
        return {shape, std::string(1, '\0')};
      case Shape::kList:
        return {shape, RandomIds() + '\0'};
      case Shape::kRegSz:
        return {shape, RandomId() + '\0'};
      case Shape::kUnended: {
        const std::string ids = RandomIds();
        return {shape, ids.substr(0, ids.size() - 1)};
      }
      case Shape::kJunk: {
        std::string bytes = RandomIds() + '\0';
        for (int n = Uniform(1, 8); n > 0; --n) {
          bytes += static_cast<char>(Uniform(0, 255));
        }
        return {shape, bytes};
      }
    }
    return {Shape::kNone, ""};
  }

  static std::string Create(const Value& value) {
    switch (value.shape) {
      case Shape::kNone:
        return harness::CreateDevice({});
      case Shape::kEmpty:
      case Shape::kOneNul:
      case Shape::kList:
        return harness::CreateDeviceWithRawIds(value.bytes);
      case Shape::kRegSz:
        return harness::CreateDeviceWithValue(REG_SZ, value.bytes);
      case Shape::kUnended:
      case Shape::kJunk:
        return harness::CreateDeviceWithValue(REG_BINARY, value.bytes);
    }
    return {};
  }

  // The model: the whole strings before the first empty one, and the first
  // of them that equals the wanted ID.
  static std::optional<std::string> Match(const std::string& bytes) {
    std::size_t start = 0;
    while (start < bytes.size() && bytes[start] != '\0') {
      const std::size_t end = bytes.find('\0', start);
      if (end == std::string::npos) break;
      const std::string id = bytes.substr(start, end - start);
      if (id == kWanted) return id;
      start = end + 1;
    }
    return std::nullopt;
  }

  int Uniform(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random_);
  }

  std::mt19937 random_{20261208};
};

TEST_F(KestrumScan, RandomMachinesEndAsTheWalkSays) {
  for (int machine = 0; machine < kRandomMachines; ++machine) {
    SCOPED_TRACE("machine " + std::to_string(machine));
    std::vector<std::string> devices;
    std::string output;
    std::set<std::string> kept;
    for (int n = Uniform(1, 6); n > 0; --n) {
      const Value value = RandomValue();
      devices.push_back(Create(value));
      const std::optional<std::string> match = Match(value.bytes);
      if (match) {
        output += "Found! [" + *match + "]\n";
      } else {
        kept.insert(devices.back());
      }
    }
    const std::string typed = Uniform(0, 1) == 0 ? kWanted : "root\\RND_wanted";

    const harness::TracedRun traced = RunKestrumThroughDoor({"N", typed});
    const harness::ToolRun& run = traced.run;
    ExpectNothingLeaked(traced);

    EXPECT_EQ(run.output, output);
    EXPECT_EQ(run.status, 0);
    std::set<std::string> left;
    for (const harness::DeviceInfo& device : harness::ListDevices()) {
      left.insert(device.instance_id);
    }
    for (const std::string& device : devices) {
      const bool exists = left.count(device) == 1;
      EXPECT_EQ(exists, kept.count(device) == 1) << device;
      if (exists) harness::RemoveDevice(device);
    }
  }
}

}  // namespace
