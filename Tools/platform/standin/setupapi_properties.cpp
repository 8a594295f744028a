// SETUPAPI: device registry properties. The stand-in stores hardware IDs;
// the class name and GUID follow from the device's class; every other
// property is one the device has no value for.
#include <standin/win32_api.h>

#include <algorithm>
#include <optional>
#include <string>

#include "device_set.h"
#include "instrument.h"
#include "last_error.h"
#include "machine.h"

namespace standin {
namespace {

struct PropertyValue {
  DWORD type = 0;
  std::string bytes;
};

std::optional<PropertyValue> ValueOf(const Device& device, DWORD property) {
  switch (property) {
    case SPDRP_HARDWAREID:
      if (!device.hardware_ids) return std::nullopt;
      return PropertyValue{device.hardware_id_type, *device.hardware_ids};
    case SPDRP_CLASS:
      if (device.class_name.empty()) return std::nullopt;
      return PropertyValue{REG_SZ, device.class_name + '\0'};
    case SPDRP_CLASSGUID:
      return PropertyValue{REG_SZ, GuidText(device.class_guid) + '\0'};
    default:
      return std::nullopt;
  }
}

}  // namespace
}  // namespace standin

using namespace standin;

BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                       DWORD property, PDWORD type,
                                       PBYTE buffer, DWORD size,
                                       PDWORD required) {
  TraceCall("SetupDiGetDeviceRegistryPropertyA",
            {{"set", SetTraceId(set)},
             {"cbSize", CbSizeOrNull(device)},
             {"property", std::to_string(property)},
             {"type", GivenOrNull(type)},
             {"buffer", GivenOrNull(buffer)},
             {"size", std::to_string(size)},
             {"required", GivenOrNull(required)}});
  if (FaultDue("SetupDiGetDeviceRegistryPropertyA")) return FALSE;
  const DeviceRecord* record = FindDevice(set, device);
  if (record == nullptr) return FALSE;
  // Wine: a size without a buffer is refused before anything is read.
  if (buffer == nullptr && size != 0) return Fail(ERROR_INVALID_DATA);
  if (property >= SPDRP_MAXIMUM_PROPERTY) {
    return Fail(ERROR_INVALID_REG_PROPERTY);
  }
  // Where Wine's registry read fails, the size passed in comes back as the
  // required size.
  const std::optional<Device> live = LiveDevice(*record);
  if (!live) {
    if (required != nullptr) *required = size;
    // Wine answers a size of 0 as a short buffer whatever else the read
    // failed with (but a missing value), so that call asks for 0 bytes.
    return size == 0 ? Fail(ERROR_INSUFFICIENT_BUFFER) : FALSE;
  }
  const std::optional<PropertyValue> value = ValueOf(*live, property);
  if (!value) {
    // As Wine reports a missing value: type 0.
    if (type != nullptr) *type = 0;
    if (required != nullptr) *required = size;
    return Fail(ERROR_INVALID_DATA);
  }
  const DWORD needed = static_cast<DWORD>(value->bytes.size());
  if (type != nullptr) *type = value->type;
  if (required != nullptr) *required = needed;
  // A size of 0 is short even for a value of 0 bytes (Wine).
  if (size == 0 || size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::copy(value->bytes.begin(), value->bytes.end(), buffer);
  return TRUE;
}

BOOL SetupDiSetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                       DWORD property, const BYTE* buffer,
                                       DWORD size) {
  TraceCall("SetupDiSetDeviceRegistryPropertyA",
            {{"set", SetTraceId(set)},
             {"cbSize", CbSizeOrNull(device)},
             {"property", std::to_string(property)},
             {"buffer", GivenOrNull(buffer)},
             {"size", std::to_string(size)}});
  if (FaultDue("SetupDiSetDeviceRegistryPropertyA")) return FALSE;
  DeviceRecord* record = FindDevice(set, device);
  if (record == nullptr) return FALSE;
  if (property != SPDRP_HARDWAREID) return Fail(ERROR_INVALID_REG_PROPERTY);
  if (buffer == nullptr && size != 0) return Fail(ERROR_INVALID_PARAMETER);
  // Stored byte for byte; an empty value stays a value (Wine).
  std::string bytes =
      buffer != nullptr
          ? std::string(reinterpret_cast<const char*>(buffer), size)
          : std::string();
  // Wine's registry, as NT's, counts a NUL that the caller left out after
  // the last string (it looks at the byte past the buffer; the stand-in,
  // which never reads there, always adds it).
  if (!bytes.empty() && bytes.back() != '\0') bytes.push_back('\0');
  if (!record->registered) {
    record->pending_hardware_ids = std::move(bytes);
    return TRUE;
  }
  MachineState machine = LoadMachine();
  Device* stored = FindMachineDevice(&machine, record->instance_id);
  if (stored == nullptr) return Fail(ERROR_KEY_DELETED);
  stored->hardware_ids = std::move(bytes);
  SaveMachine(machine);
  return TRUE;
}
