#include "support/machine_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iterator>
#include <thread>

#include "support/machine.h"

namespace harness {
namespace {

namespace fs = std::filesystem;

std::string Describe(const DeviceInfo& device) {
  std::string line = "device " + device.instance_id + " [";
  for (const std::string& id : device.hardware_ids) {
    line += (line.back() == '[' ? "" : ", ") + id;
  }
  return line + "]";
}

/// The lines of `from` that `other` lacks, each after `label`.
std::string Missing(const std::set<std::string>& from,
                    const std::set<std::string>& other,
                    const std::string& label) {
  std::string lines;
  std::set<std::string> missing;
  std::set_difference(from.begin(), from.end(), other.begin(), other.end(),
                      std::inserter(missing, missing.end()));
  for (const std::string& line : missing) lines += label + line + "\n";
  return lines;
}

}  // namespace

MachineState ReadMachineState() {
  MachineState state;
  for (const DeviceInfo& device : ListDevices()) {
    state.devices.insert(Describe(device));
  }
  for (const auto& entry : fs::directory_iterator(InfFolder())) {
    std::error_code ignored;
    state.inf_files.insert(
        "INF folder file " + entry.path().filename().string() + " (" +
        std::to_string(entry.is_regular_file() ? entry.file_size(ignored) : 0) +
        " bytes, written " +
        std::to_string(
            entry.last_write_time(ignored).time_since_epoch().count()) +
        ")");
  }
  return state;
}

std::string Changes(const MachineState& before, const MachineState& after) {
  return Missing(after.devices, before.devices, "left: ") +
         Missing(before.devices, after.devices, "taken: ") +
         Missing(after.inf_files, before.inf_files, "left: ") +
         Missing(before.inf_files, after.inf_files, "taken: ");
}

MachineState SettledMachineState() {
  // Wine's own devices were in place at a program's first reading in every
  // trial, also with three machines booting at once; the pause guards the
  // machine that is slower than those.
  constexpr auto kPause = std::chrono::milliseconds(100);
  constexpr int kMostReadings = 150;
  MachineState last = ReadMachineState();
  for (int reading = 1; reading < kMostReadings; ++reading) {
    std::this_thread::sleep_for(kPause);
    MachineState now = ReadMachineState();
    if (Changes(last, now).empty()) return now;
    last = std::move(now);
  }
  ADD_FAILURE() << "the machine's devices kept changing for "
                << kMostReadings * kPause.count() / 1000 << " s";
  return last;
}

}  // namespace harness
