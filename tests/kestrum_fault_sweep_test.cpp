// Kestrum's test build failing calls where the position of a device in the
// machine's whole list counts: each case runs in a program of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "support/case_ledger.h"
#include "support/door.h"
#include "support/machine.h"
#include "support/messages.h"
#include "support/removal_list.h"

namespace {

using harness::CreateDevice;
using harness::DeviceExists;
using harness::Ends;
using messages::Failure;
using messages::Found;

constexpr DWORD kGeneralFailure = ERROR_GEN_FAILURE;

using KestrumEnumeration = DoorTest;

TEST_F(KestrumEnumeration, FailingMidwayKeepsEarlierRemovals) {
  const std::string early = CreateDevice({"ROOT\\KESTRUM_EARLY"});
  const std::string late = CreateDevice({"ROOT\\KESTRUM_EARLY"});
  const auto devices = harness::ListDevices();
  const auto late_position = std::find_if(
      devices.begin(), devices.end(), [&](const harness::DeviceInfo& device) {
        return device.instance_id == late;
      });
  ASSERT_NE(late_position, devices.end());
  // The enumeration call that would fill in the later device fails.
  const int failing_call =
      static_cast<int>(late_position - devices.begin()) + 1;

  const auto traced = RunThroughDoor(
      kKestrum, {"N", "ROOT\\KESTRUM_EARLY"},
      {{"SetupDiEnumDeviceInfo", failing_call, kGeneralFailure}});

  EXPECT_EQ(traced, Ends(Found("ROOT\\KESTRUM_EARLY") +
                             Failure(messages::kEnumDevice, kGeneralFailure),
                         1));
  EXPECT_FALSE(DeviceExists(early));
  EXPECT_TRUE(DeviceExists(late));
  ExpectNothingLeaked(traced);
}

// Every call the tool makes may fail; whichever does, the tool ends without a
// crash and leaves nothing open or allocated. The call sites are those a run
// without faults shows; each fails at its first call and at its last (in a
// loop, the first round and one after others), each run on the machine the
// sweep prepared: made afresh after a run that removed or deleted anything.
class KestrumFaultSweep : public DoorTest {
 protected:
  // A driver `inf` and two devices for `id`, one with a second ID, and a
  // list of `id` with its driver files.
  void Prepare(const std::string& id, const std::string& inf) {
    prepared_ = true;
    harness::CaseLedger::Current().Undo();
    harness::PlaceDriver(inf, {id}, harness::Pnf::kNone);
    harness::WriteFile(work_dir() / "list.ini",
                       harness::RemovalList({{"Dev0", id, 1}}));
    CreateDevice({id});
    CreateDevice({id, id + "_TOO"});
  }

  // Whether a run removed a device or deleted a file, by its trace.
  static bool Changed(const harness::TracedRun& traced) {
    for (const char* operation : {"SetupDiCallClassInstaller", "DeleteFileA"}) {
      for (const auto& call : traced.Calls(operation)) {
        if (call.Arg("result") == "1") return true;
      }
    }
    return false;
  }

  // The operations a clean run of `args` reaches, and how often, on a
  // machine prepared afresh.
  std::map<std::string, int> CleanRunCalls(
      const std::string& id, const std::string& inf,
      const std::vector<std::string>& args) {
    Prepare(id, inf);
    const auto clean = RunThroughDoor(kKestrum, args);
    prepared_ = false;
    EXPECT_EQ(clean.status, 0);
    std::map<std::string, int> calls;
    for (const auto& event : clean.trace) {
      if (event.kind == "call") ++calls[event.name];
    }
    EXPECT_GE(calls.size(), 15u) << "the clean run reached too few operations";
    return calls;
  }

  // Sweeps the operations a clean run of `args` reaches, but those in
  // `swept_already`.
  void Sweep(const std::string& id, const std::string& inf,
             const std::vector<std::string>& args,
             const std::map<std::string, int>& swept_already = {}) {
    const auto calls = CleanRunCalls(id, inf, args);
    for (const auto& [operation, count] : calls) {
      if (swept_already.count(operation) != 0) continue;
      for (const int call : std::set<int>{1, count}) {
        SCOPED_TRACE(operation + " #" + std::to_string(call));
        if (!prepared_) Prepare(id, inf);
        const auto traced = RunThroughDoor(
            kKestrum, args, {{operation, call, kGeneralFailure}});
        prepared_ = !Changed(traced);
        ExpectNothingLeaked(traced);
        // That very call failed with the code (free has none to report).
        const auto faulted = traced.Calls(operation);
        ASSERT_GE(faulted.size(), static_cast<std::size_t>(call));
        if (operation != "free") {
          EXPECT_EQ(faulted[call - 1].Number("error"), kGeneralFailure);
        }
      }
    }
  }

  bool prepared_ = false;
};

TEST_F(KestrumFaultSweep, SingleIdWithDriverFiles) {
  Sweep("ROOT\\KESTRUM_SWEEP_Y", "kestrum_sweep_y.inf",
        {"Y", "ROOT\\KESTRUM_SWEEP_Y"});
}

// List mode reaches the walk over the devices and their IDs and the driver
// file steps through the very code a single ID does, swept above; what it
// adds (the current folder, reading the list) is swept here.
TEST_F(KestrumFaultSweep, RemovalList) {
  const std::string id = "ROOT\\KESTRUM_SWEEP_F";
  const std::string inf = "kestrum_sweep_f.inf";
  Sweep(id, inf, {"F", "list.ini"}, CleanRunCalls(id, inf, {"Y", id}));
}

}  // namespace
