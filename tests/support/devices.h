// Making and inspecting devices through the Windows API. No test framework:
// make_devices uses these too. Each call says why it failed instead of
// failing a test; support/machine.h wraps them for the cases.
#ifndef TESTS_SUPPORT_DEVICES_H_
#define TESTS_SUPPORT_DEVICES_H_

#include <functional>
#include <string>
#include <vector>

namespace devices {

/// Why a call failed: the Windows call and its code; empty when it did not.
using Error = std::string;

/// What a call gave back, or why it failed.
template <typename T>
struct Result {
  T value{};
  Error error;
};

/// A device as enumeration reports it.
struct DeviceInfo {
  std::string instance_id;
  /// The hardware IDs up to the first empty string; empty when it has none.
  std::vector<std::string> hardware_ids;
};

/// Creates and registers a System-class device (ROOT\SYSTEM\000N) with these
/// hardware IDs; with none it gets no hardware-ID property at all. Gives its
/// instance ID.
Result<std::string> Create(const std::vector<std::string>& hardware_ids);

/// Creates and registers `count` System-class devices in one device set,
/// under instance IDs of our own, `prefix` and the device's number (from 0),
/// each with the hardware IDs `ids` gives for its number. Unlike a generated
/// instance ID, which costs a search for the lowest free number that grows
/// with the machine, each costs the same however many there are. Gives how
/// many were made, and why the next one could not be.
Result<long> CreateNumbered(
    const std::string& prefix, long count,
    const std::function<std::vector<std::string>(long)>& ids);

/// Creates and registers a device whose hardware-ID value is set to exactly
/// these bytes through SetupAPI, as REG_MULTI_SZ; none (0 bytes) included.
/// Wine's registry then ends a last string that lacks its NUL. Gives its
/// instance ID.
Result<std::string> CreateWithRawIds(const std::string& bytes);

/// Creates and registers a device, then stores its hardware-ID value as these
/// bytes of this registry type, untouched (REG_BINARY keeps a last string
/// without its NUL). Gives its instance ID.
Result<std::string> CreateWithValue(unsigned long type,
                                    const std::string& bytes);

/// Removes a device as the service's removal (DIF_REMOVE) does; one with no
/// driver or service of its own, as every device made here, without the
/// service's call, which costs Wine some 10 ms a device. Fails with
/// NoDevice(instance_id) when the machine knows no such device.
Error Remove(const std::string& instance_id);

/// The error of a call on a device the machine does not know.
Error NoDevice(const std::string& instance_id);

/// Whether the machine knows a device of this instance ID, present or not:
/// opened by its ID, without building a set of every device.
bool Exists(const std::string& instance_id);

/// Every device the machine knows of, present or not, in enumeration order.
Result<std::vector<DeviceInfo>> List();

/// Makes a registered device known but not present (Wine's Phantom value).
Error MakeNotPresent(const std::string& instance_id);

/// The InfFileName of every compatible driver the service lists for a device
/// with this hardware ID, in its order, as a tool reads them: asked through a
/// device that is never registered, and gone when the call returns.
Result<std::vector<std::string>> CompatibleInfFileNames(
    const std::string& hardware_id);

}  // namespace devices

#endif  // TESTS_SUPPORT_DEVICES_H_
