// What Kestrum's scan costs per device, from the door's trace: one
// enumeration call, a size query and a fetch of the hardware IDs, and one
// buffer for them, freed before the next device's. A change that adds work
// per device changes these counts (scripts/bench measures the time).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/door.h"
#include "support/machine.h"

namespace {

using harness::TraceEvent;

constexpr char kAbsentId[] = "ROOT\\KESTRUM_SCAN_ABSENT";

struct ScanCost {
  int devices = 0;           // every device the machine knows of
  int devices_with_ids = 0;  // of which report hardware IDs
  int calls = 0;             // every call the scan made
  int enumerations = 0;
  int hardware_id_queries = 0;
  int allocations = 0;
  int most_blocks_alive = 0;
};

class KestrumScanCost : public DoorTest {
 protected:
  // Adds `extra` devices with two hardware IDs each, none of them wanted and
  // each named after `name`, scans for an ID no device has, and counts what
  // the trace shows.
  ScanCost ScanWithExtraDevices(const std::string& name, int extra) {
    for (int i = 0; i < extra; ++i) {
      const std::string id = "ROOT\\" + name + std::to_string(i);
      harness::CreateDevice({id + "_A", id + "_B"});
    }
    ScanCost cost;
    for (const harness::DeviceInfo& device : harness::ListDevices()) {
      ++cost.devices;
      if (!device.hardware_ids.empty()) ++cost.devices_with_ids;
    }
    const harness::TracedRun traced =
        RunThroughDoor(kKestrum, {"N", kAbsentId});
    EXPECT_EQ(traced, harness::Ends("", 0));
    ExpectNothingLeaked(traced);

    int alive = 0;
    for (const TraceEvent& event : traced.trace) {
      if (event.kind == "call") ++cost.calls;
      // The heap of the hardware-ID buffers, not the wanted ID's copy.
      if (event.name != "heap") continue;
      if (event.kind == "alloc") {
        cost.most_blocks_alive = std::max(cost.most_blocks_alive, ++alive);
      }
      if (event.kind == "free") --alive;
    }
    cost.enumerations =
        static_cast<int>(traced.Calls("SetupDiEnumDeviceInfo").size());
    const auto queries = traced.Calls("SetupDiGetDeviceRegistryPropertyA");
    cost.hardware_id_queries = static_cast<int>(
        std::count_if(queries.begin(), queries.end(), [](const auto& call) {
          return call.Arg("property") == std::to_string(SPDRP_HARDWAREID);
        }));
    EXPECT_EQ(cost.hardware_id_queries, static_cast<int>(queries.size()))
        << "a property other than the hardware IDs was read";
    cost.allocations = static_cast<int>(traced.Calls("LocalAlloc").size());
    return cost;
  }
};

TEST_F(KestrumScanCost, EachDeviceCostsOneEnumerationAndTwoPropertyCalls) {
  const ScanCost cost = ScanWithExtraDevices("SCAN_COST", 3);
  ASSERT_GE(cost.devices_with_ids, 3);
  // The last enumeration call is the one that finds no more devices.
  EXPECT_EQ(cost.enumerations, cost.devices + 1);
  // A size query and one fetch per device with IDs; only the query for the
  // others (the service answers that there is nothing).
  EXPECT_EQ(cost.hardware_id_queries,
            2 * cost.devices_with_ids + (cost.devices - cost.devices_with_ids));
  EXPECT_EQ(cost.allocations, cost.devices_with_ids);
  // Every block of this scan is a hardware-ID buffer.
  EXPECT_EQ(cost.most_blocks_alive, 1);
}

TEST_F(KestrumScanCost, NoCallBeyondThePerDeviceOnes) {
  const ScanCost few = ScanWithExtraDevices("SCAN_FEW", 3);
  const ScanCost more = ScanWithExtraDevices("SCAN_MORE", 10);
  // Per added device: one enumeration, two property calls, one allocation
  // and its release.
  EXPECT_EQ(more.calls - few.calls, 10 * 5);
}

}  // namespace
