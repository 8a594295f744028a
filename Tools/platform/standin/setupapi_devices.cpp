// SETUPAPI: device information sets and the devices in them.
#include <standin/win32_api.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "ascii.h"
#include "device_set.h"
#include "instrument.h"
#include "last_error.h"
#include "machine.h"

namespace standin {
namespace {

// Generated instance numbers have four digits.
constexpr int kInstanceNumbers = 10000;

std::string GuidOrNull(const GUID* guid) {
  return guid != nullptr ? GuidText(*guid) : "NULL";
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), AsciiUpper);
  return text;
}

std::string_view Enumerator(std::string_view instance_id) {
  return instance_id.substr(0, instance_id.find('\\'));
}

bool Taken(const MachineState& machine, const DeviceSet& set,
           const std::string& instance_id) {
  const auto same = [&](const std::string& other) {
    return EqualIgnoringCase(other, instance_id);
  };
  return std::any_of(
             machine.devices.begin(), machine.devices.end(),
             [&](const Device& device) { return same(device.instance_id); }) ||
         std::any_of(set.devices.begin(), set.devices.end(),
                     [&](const DeviceRecord& record) {
                       return !record.removed && same(record.instance_id);
                     });
}

// ROOT\<NAME>\NNNN with the lowest number neither the machine nor the set
// uses; empty when all are taken.
std::string GenerateInstanceId(const MachineState& machine,
                               const DeviceSet& set, const std::string& name) {
  for (int number = 0; number < kInstanceNumbers; ++number) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "%04d", number);
    std::string instance_id = "ROOT\\" + Upper(name) + "\\" + suffix;
    if (!Taken(machine, set, instance_id)) return instance_id;
  }
  return {};
}

// An instance ID given whole: non-empty parts between backslashes.
bool WellFormedInstanceId(std::string_view instance_id) {
  if (instance_id.empty()) return false;
  while (true) {
    const std::size_t end = instance_id.find('\\');
    if (end == 0) return false;
    if (end == std::string_view::npos) return true;
    instance_id.remove_prefix(end + 1);
    if (instance_id.empty()) return false;
  }
}

}  // namespace
}  // namespace standin

using namespace standin;

HDEVINFO SetupDiGetClassDevsA(const GUID* class_guid, PCSTR enumerator,
                              HWND /*parent*/, DWORD flags) {
  TraceCall("SetupDiGetClassDevsA", {{"class", GuidOrNull(class_guid)},
                                     {"enumerator", TextOrNull(enumerator)},
                                     {"flags", std::to_string(flags)}});
  if (FaultDue("SetupDiGetClassDevsA")) return INVALID_HANDLE_VALUE;
  const bool all_classes = (flags & DIGCF_ALLCLASSES) != 0;
  if (!all_classes && class_guid == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  DeviceSet set;
  if (!all_classes) set.class_guid = *class_guid;
  // The machine has no device interfaces: such a set is empty.
  if ((flags & DIGCF_DEVICEINTERFACE) == 0) {
    for (const Device& device : LoadMachine().devices) {
      if (!all_classes && !SameGuid(device.class_guid, *class_guid)) continue;
      // Honoured as Windows does; Wine ignores it (stricter on purpose: a
      // tool that asked for present devices only would miss phantoms).
      if ((flags & DIGCF_PRESENT) != 0 && !device.present) continue;
      if (enumerator != nullptr &&
          !EqualIgnoringCase(Enumerator(device.instance_id), enumerator)) {
        continue;
      }
      set.devices.push_back(
          NewDeviceRecord(device.instance_id, device.class_guid, true));
    }
  }
  return OpenDeviceSet(std::move(set));
}

HDEVINFO SetupDiCreateDeviceInfoList(const GUID* class_guid, HWND /*parent*/) {
  TraceCall("SetupDiCreateDeviceInfoList", {{"class", GuidOrNull(class_guid)}});
  if (FaultDue("SetupDiCreateDeviceInfoList")) return INVALID_HANDLE_VALUE;
  DeviceSet set;
  if (class_guid != nullptr) set.class_guid = *class_guid;
  return OpenDeviceSet(std::move(set));
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set) {
  TraceCall("SetupDiDestroyDeviceInfoList", {{"set", SetTraceId(set)}});
  // A faulted destroy still releases the set: its caller has no other way
  // to, so the fault tests only what the caller makes of the failure.
  const bool faulted = FaultDue("SetupDiDestroyDeviceInfoList");
  const DWORD fault = GetLastError();
  if (!CloseDeviceSet(set)) return FALSE;
  // Wine clears the code on success.
  SetLastError(faulted ? fault : ERROR_SUCCESS);
  return !faulted;
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device) {
  TraceCall("SetupDiEnumDeviceInfo", {{"set", SetTraceId(set)},
                                      {"index", std::to_string(index)},
                                      {"cbSize", CbSizeOrNull(device)}});
  if (FaultDue("SetupDiEnumDeviceInfo")) return FALSE;
  const DeviceSet* devices = FindDeviceSet(set);
  if (devices == nullptr) return FALSE;
  if (device == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (device->cbSize != sizeof(SP_DEVINFO_DATA)) {
    return Fail(ERROR_INVALID_USER_BUFFER);
  }
  if (index >= devices->devices.size()) return Fail(ERROR_NO_MORE_ITEMS);
  FillDeviceData(devices->devices[index], device);
  return TRUE;
}

BOOL SetupDiCreateDeviceInfoA(HDEVINFO set, PCSTR name, const GUID* class_guid,
                              PCSTR /*description*/, HWND /*parent*/,
                              DWORD flags, PSP_DEVINFO_DATA device) {
  TraceCall("SetupDiCreateDeviceInfoA", {{"set", SetTraceId(set)},
                                         {"name", TextOrNull(name)},
                                         {"class", GuidOrNull(class_guid)},
                                         {"flags", std::to_string(flags)},
                                         {"cbSize", CbSizeOrNull(device)}});
  if (FaultDue("SetupDiCreateDeviceInfoA")) return FALSE;
  DeviceSet* devices = FindDeviceSet(set);
  if (devices == nullptr) return FALSE;
  if (class_guid == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (devices->class_guid && !SameGuid(*devices->class_guid, *class_guid)) {
    return Fail(ERROR_CLASS_MISMATCH);
  }
  if (device != nullptr && device->cbSize != sizeof(SP_DEVINFO_DATA)) {
    return Fail(ERROR_INVALID_USER_BUFFER);
  }
  const std::string given = name != nullptr ? name : "";
  const bool generate = (flags & DICD_GENERATE_ID) != 0;
  if (generate ? given.empty() || given.find('\\') != std::string::npos
               : !WellFormedInstanceId(given)) {
    return Fail(ERROR_INVALID_DEVINST_NAME);
  }
  const MachineState machine = LoadMachine();
  // Instance IDs are kept upper-case, as Wine keeps them.
  const std::string instance_id =
      generate ? GenerateInstanceId(machine, *devices, given) : Upper(given);
  if (instance_id.empty() ||
      (!generate && Taken(machine, *devices, instance_id))) {
    return Fail(ERROR_DEVINST_ALREADY_EXISTS);
  }
  devices->devices.push_back(NewDeviceRecord(instance_id, *class_guid, false));
  if (device != nullptr) FillDeviceData(devices->devices.back(), device);
  return TRUE;
}

BOOL SetupDiRegisterDeviceInfo(HDEVINFO set, PSP_DEVINFO_DATA device,
                               DWORD flags, void* /*compare*/,
                               void* /*context*/,
                               PSP_DEVINFO_DATA /*duplicate*/) {
  TraceCall("SetupDiRegisterDeviceInfo", {{"set", SetTraceId(set)},
                                          {"cbSize", CbSizeOrNull(device)},
                                          {"flags", std::to_string(flags)}});
  if (FaultDue("SetupDiRegisterDeviceInfo")) return FALSE;
  DeviceRecord* record = FindDevice(set, device);
  if (record == nullptr) return FALSE;
  // Registering again changes nothing (Wine).
  if (record->registered) return TRUE;
  MachineState machine = LoadMachine();
  if (FindMachineDevice(&machine, record->instance_id) != nullptr) {
    return Fail(ERROR_DEVINST_ALREADY_EXISTS);
  }
  Device added{record->instance_id, ClassNameOf(record->class_guid),
               record->class_guid, record->pending_hardware_ids, true};
  const auto position =
      std::upper_bound(machine.devices.begin(), machine.devices.end(), added,
                       [](const Device& a, const Device& b) {
                         return InstanceIdLess(a.instance_id, b.instance_id);
                       });
  machine.devices.insert(position, std::move(added));
  SaveMachine(machine);
  record->registered = true;
  record->pending_hardware_ids.reset();
  return TRUE;
}

BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                 PSTR buffer, DWORD size, PDWORD required) {
  TraceCall("SetupDiGetDeviceInstanceIdA",
            {{"set", SetTraceId(set)},
             {"cbSize", CbSizeOrNull(device)},
             {"buffer", GivenOrNull(buffer)},
             {"size", std::to_string(size)},
             {"required", GivenOrNull(required)}});
  if (FaultDue("SetupDiGetDeviceInstanceIdA")) return FALSE;
  const DeviceRecord* record = FindDevice(set, device);
  if (record == nullptr) return FALSE;
  if (buffer == nullptr && size != 0) return Fail(ERROR_INVALID_USER_BUFFER);
  const DWORD needed = static_cast<DWORD>(record->instance_id.size() + 1);
  if (required != nullptr) *required = needed;
  if (size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::copy(record->instance_id.begin(), record->instance_id.end(), buffer);
  buffer[record->instance_id.size()] = '\0';
  return TRUE;
}
