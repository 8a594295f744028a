// The simulated machine: its devices and settings, kept in a directory so that
// every process that names the same directory sees the same machine.
#ifndef STANDIN_MACHINE_H_
#define STANDIN_MACHINE_H_

#include <standin/win32_api.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

/// A device the machine knows of, present or not.
struct Device {
  std::string instance_id;  ///< e.g. "ROOT\SYSTEM\0000"
  std::string class_name;   ///< e.g. "System"
  GUID class_guid{};
  /// The raw bytes of the hardware-ID value exactly as stored (they may be
  /// malformed, as Wine's own ROOT\WINE\WINEBUS is); no value when the device
  /// has none.
  std::optional<std::string> hardware_ids;
  bool present = true;
  /// The registry type of the value: REG_MULTI_SZ unless it was stored raw.
  DWORD hardware_id_type = REG_MULTI_SZ;
};

/// Everything the machine keeps between processes.
struct MachineState {
  std::vector<Device> devices;  ///< in enumeration order
  /// Windows paths searched for compatible-driver INF files, in this order.
  std::vector<std::string> driver_folders;
};

/// The machine directory kMachineVariable names. Unset or empty, it ends the
/// process with one line on stderr and status 1.
std::filesystem::path MachineDir();

/// Creates the machine (see LoadMachine) unless it exists, without reading
/// its state: for callers that only need its folders.
void EnsureMachine();

/// Reads the state; a machine seen for the first time is created with the
/// devices and folders of a fresh Windows installation.
MachineState LoadMachine();

/// Writes the state atomically (write, then rename).
void SaveMachine(const MachineState& state);

/// The machine's device with this instance ID (ignoring case), or nullptr.
Device* FindMachineDevice(MachineState* machine, std::string_view instance_id);

/// Host path of a Windows path (see standin::testing::HostPath).
std::filesystem::path HostPath(std::string_view windows_path);

/// Windows form of a host path: under drive_c "C:\...", elsewhere "Z:\...".
std::string WindowsPath(const std::filesystem::path& host_path);

}  // namespace standin

#endif  // STANDIN_MACHINE_H_
