// What a case starts from and what it leaves on the machine: devices, and
// drivers in the system's INF folder. Each helper fails the calling test when
// the machine refuses what it asks.
#ifndef TESTS_SUPPORT_MACHINE_H_
#define TESTS_SUPPORT_MACHINE_H_

#include <filesystem>
#include <string>
#include <vector>

#include "support/devices.h"

namespace harness {

using devices::DeviceInfo;

/// Devices, as support/devices.h makes and reads them.
std::string CreateDevice(const std::vector<std::string>& hardware_ids);
std::string CreateDeviceWithRawIds(const std::string& bytes);
std::string CreateDeviceWithValue(unsigned long type, const std::string& bytes);
void MakeNotPresent(const std::string& instance_id);
void RemoveDevice(const std::string& instance_id);
std::vector<DeviceInfo> ListDevices();
bool DeviceExists(const std::string& instance_id);

/// C:\windows\inf, where the compatible-driver search looks.
std::filesystem::path InfFolder();

/// The INF folder as the service spells it at the head of a driver's
/// InfFileName, which Kestrum prints: asked of the service once, through a
/// driver placed for the purpose. (Wine: "C:/windows/inf\".)
const std::string& InfFolderAsTheServiceSpellsIt();

/// A driver placed in the INF folder: its INF file and the PNF file Kestrum
/// deletes with it (the INF file's name with ".pnf" for its extension).
struct Driver {
  std::string inf;
  std::string pnf;
  /// Whether the PNF file was placed too.
  bool pnf_placed = true;

  /// Every file placed is still there.
  bool Intact() const;
  /// None of its files is left.
  bool Gone() const;
};

enum class Pnf { kPlaced, kNone };

/// The files of the INF folder that hold exactly `inf` (the service's copies
/// of a pre-installed INF file): they go, with their PNF files, when the case
/// ends.
std::vector<std::filesystem::path> PreInstalled(const std::string& inf);

/// Places a driver for these hardware IDs in the INF folder as `inf_name`,
/// with its PNF file beside it unless told otherwise.
Driver PlaceDriver(const std::string& inf_name,
                   const std::vector<std::string>& hardware_ids,
                   Pnf pnf = Pnf::kPlaced);

}  // namespace harness

#endif  // TESTS_SUPPORT_MACHINE_H_
