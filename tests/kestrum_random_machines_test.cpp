// Kestrum's scan over machines of random devices, through the door: it must
// end as a plain model of the hardware-ID walk says and free every buffer it
// took.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "support/door.h"
#include "support/machine.h"
#include "support/messages.h"

namespace {

// Machines of random devices, from a fixed seed: hardware-ID values of every
// shape (none, empty, one NUL, well formed, REG_SZ, a last string without its
// NUL, bytes after the list's end), holding the wanted ID at random places,
// also in lower case. Kestrum's test build must end with what a plain model
// of the walk says, leave exactly the devices that did not match, and free
// every buffer it took. What counts is how many devices of which shapes
// stand before and after a match, not how many scans: a few machines of many
// devices each.
constexpr int kRandomMachines = 4;
constexpr int kFewestDevices = 12;
constexpr int kMostDevices = 20;

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
    for (int n = Uniform(kFewestDevices, kMostDevices); n > 0; --n) {
      const Value value = RandomValue();
      devices.push_back(Create(value));
      const std::optional<std::string> match = Match(value.bytes);
      if (match) {
        output += messages::Found(*match);
      } else {
        kept.insert(devices.back());
      }
    }
    const std::string typed = Uniform(0, 1) == 0 ? kWanted : "root\\RND_wanted";

    const harness::TracedRun traced = RunThroughDoor(kKestrum, {"N", typed});
    EXPECT_EQ(traced, harness::Ends(output, 0));
    ExpectNothingLeaked(traced);
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
