// The device information sets of this process: the handles SetupAPI hands
// out, each a snapshot of device records with their install parameters and
// driver lists. Device state itself lives on the machine (machine.h).
#ifndef STANDIN_DEVICE_SET_H_
#define STANDIN_DEVICE_SET_H_

#include <standin/win32_api.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device_class.h"
#include "driver_search.h"
#include "machine.h"

namespace standin {

/// A built driver list: its drivers and the id its trace events carry.
struct DriverList {
  std::string trace_id;
  std::vector<DriverNode> drivers;
};

/// A device as one set knows it.
struct DeviceRecord {
  DWORD key = 0;  ///< SP_DEVINFO_DATA.Reserved: names the record in its set
  std::string instance_id;
  GUID class_guid{};
  bool registered = false;  ///< known to the machine
  bool removed = false;     ///< removed through this record (DIF_REMOVE)
  /// Hardware IDs set before the device is registered.
  std::optional<std::string> pending_hardware_ids;
  SP_DEVINSTALL_PARAMS_A install_params{};
  std::map<DWORD, DriverList> driver_lists;  ///< by driver type
};

struct DeviceSet {
  std::optional<GUID> class_guid;
  std::vector<DeviceRecord> devices;
};

/// Keeps a new set and returns its handle (traced as a "devinfo" handle).
HDEVINFO OpenDeviceSet(DeviceSet set);

/// The set a handle names; nullptr with ERROR_INVALID_HANDLE when none.
DeviceSet* FindDeviceSet(HDEVINFO handle);

/// Forgets a set and every driver list it holds; false with
/// ERROR_INVALID_HANDLE when the handle names none.
bool CloseDeviceSet(HDEVINFO handle);

/// The record `device` names in the set `handle` names. On failure nullptr
/// with the code Wine gives: ERROR_INVALID_HANDLE for the set,
/// ERROR_INVALID_PARAMETER for a missing, wrong-sized or foreign record,
/// ERROR_NO_SUCH_DEVINST for a removed device.
DeviceRecord* FindDevice(HDEVINFO handle, const SP_DEVINFO_DATA* device);

/// A new record with a fresh key and default install parameters.
DeviceRecord NewDeviceRecord(std::string instance_id, const GUID& class_guid,
                             bool registered);

/// The device's state as the machine has it now, or as the record holds it
/// before registration; nullopt with ERROR_KEY_DELETED once the machine has
/// lost it (removed through another set or process), as Wine reports it.
std::optional<Device> LiveDevice(const DeviceRecord& record);

/// Fills the caller's record (cbSize already checked) from `record`.
void FillDeviceData(const DeviceRecord& record, SP_DEVINFO_DATA* device);

/// Closes a driver list of a record, if built (traced as "drvlist").
void CloseDriverList(DeviceRecord* record, DWORD driver_type);

/// A fresh id for the trace events of a driver list.
std::string NewDriverListTraceId();

/// A fresh SP_DRVINFO_DATA.Reserved value for a driver node.
DWORD NewDriverKey();

/// Device instance IDs in enumeration order: component by component, each
/// ignoring case, as Wine lists its Enum registry keys.
bool InstanceIdLess(std::string_view a, std::string_view b);

/// Trace argument, and "devinfo" handle id, for a set handle.
std::string SetTraceId(HDEVINFO handle);

/// Trace argument for an optional pointer.
inline std::string GivenOrNull(const void* pointer) {
  return pointer != nullptr ? "given" : "NULL";
}

/// Trace argument for an optional string.
inline std::string TextOrNull(const char* text) {
  return text != nullptr ? text : "NULL";
}

/// Trace argument for an optional record's cbSize.
template <typename Record>
std::string CbSizeOrNull(const Record* record) {
  return record != nullptr ? std::to_string(record->cbSize) : "NULL";
}

}  // namespace standin

#endif  // STANDIN_DEVICE_SET_H_
