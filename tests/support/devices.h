// Making and inspecting devices through the Windows API.
#ifndef TESTS_SUPPORT_DEVICES_H_
#define TESTS_SUPPORT_DEVICES_H_

#include <functional>
#include <string>
#include <vector>

namespace harness {

/// A device as enumeration reports it.
struct DeviceInfo {
  std::string instance_id;
  /// The hardware IDs up to the first empty string; empty when it has none.
  std::vector<std::string> hardware_ids;
};

/// Creates and registers a System-class device (ROOT\SYSTEM\000N) with these
/// hardware IDs; with none it gets no hardware-ID property at all. Returns its
/// instance ID.
std::string CreateDevice(const std::vector<std::string>& hardware_ids);

/// Creates and registers `count` System-class devices in one device set,
/// under instance IDs of our own, `prefix` and the device's number (from 0),
/// each with the hardware IDs `ids` gives for its number. Unlike a generated
/// instance ID, which costs a search for the lowest free number that grows
/// with the machine, each costs the same however many there are. Returns how
/// many were made; a failed call fails the test.
long CreateNumberedDevices(
    const std::string& prefix, long count,
    const std::function<std::vector<std::string>(long)>& ids);

/// Creates and registers a device whose hardware-ID value is set to exactly
/// these bytes through SetupAPI, as REG_MULTI_SZ; none (0 bytes) included.
/// Wine's registry then ends a last string that lacks its NUL. Returns its
/// instance ID.
std::string CreateDeviceWithRawIds(const std::string& bytes);

/// Creates and registers a device, then stores its hardware-ID value as these
/// bytes of this registry type, untouched (REG_BINARY keeps a last string
/// without its NUL). Returns its instance ID.
std::string CreateDeviceWithValue(unsigned long type, const std::string& bytes);

/// Stores a registered device's hardware-ID value as these bytes of this
/// registry type (the HardwareID value of its Enum key).
void SetHardwareIdValue(const std::string& instance_id, unsigned long type,
                        const std::string& bytes);

/// Asks for a device's removal (DIF_REMOVE) through a set of its own.
void RemoveDevice(const std::string& instance_id);

/// Every device the machine knows of, present or not, in enumeration order.
std::vector<DeviceInfo> ListDevices();

/// Whether a device with this instance ID is still known to the machine.
bool DeviceExists(const std::string& instance_id);

/// Makes a registered device known but not present (Wine's Phantom value).
void MakeNotPresent(const std::string& instance_id);

}  // namespace harness

#endif  // TESTS_SUPPORT_DEVICES_H_
