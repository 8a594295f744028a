// The test-only extension: encodes faults, reads traces, and edits the
// machine's state as a test needs.
#include <standin/testing.h>

#include <fstream>

#include "instrument_format.h"
#include "machine.h"

namespace standin::testing {

std::string EncodeFaults(const std::vector<Fault>& faults) {
  return FormatFaults(faults);
}

std::string TraceEvent::Arg(const std::string& key) const {
  const auto found = args.find(key);
  return found != args.end() ? found->second : std::string();
}

std::vector<TraceEvent> ReadTrace(const std::filesystem::path& file) {
  std::vector<TraceEvent> events;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  TraceEvent event;
  while (std::getline(in, line)) {
    if (ParseTraceLine(line, &event)) events.push_back(event);
  }
  return events;
}

std::filesystem::path HostPath(std::string_view windows_path) {
  return standin::HostPath(windows_path);
}

std::string WindowsPath(const std::filesystem::path& host_path) {
  return standin::WindowsPath(host_path);
}

namespace {

// Applies `change` to a registered device and saves the machine; false if
// there is no such device.
template <typename Change>
bool EditDevice(std::string_view instance_id, Change change) {
  MachineState state = LoadMachine();
  // Instance IDs name a device ignoring case, as on Windows.
  Device* device = FindMachineDevice(&state, instance_id);
  if (device == nullptr) return false;
  change(device);
  SaveMachine(state);
  return true;
}

}  // namespace

bool SetDevicePresent(std::string_view instance_id, bool present) {
  return EditDevice(instance_id,
                    [present](Device* device) { device->present = present; });
}

bool SetHardwareIdValue(std::string_view instance_id, DWORD type,
                        std::string_view bytes) {
  return EditDevice(instance_id, [&](Device* device) {
    device->hardware_ids = std::string(bytes);
    device->hardware_id_type = type;
  });
}

void SetDriverFolders(const std::vector<std::string>& folders) {
  MachineState state = LoadMachine();
  state.driver_folders = folders;
  SaveMachine(state);
}

}  // namespace standin::testing
