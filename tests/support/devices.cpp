#include "support/devices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

namespace harness {
namespace {

/// MAX_DEVICE_ID_LEN and its NUL; mingw-w64 declares the constant only in
/// cfgmgr32.h.
constexpr std::size_t kInstanceIdSize = 200 + 1;

/// The System device class.
constexpr GUID kSystemClass = {
    0x4d36e97d,
    0xe325,
    0x11ce,
    {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

struct DeviceSetCloser {
  void operator()(void* set) const {
    SetupDiDestroyDeviceInfoList(static_cast<HDEVINFO>(set));
  }
};

/// A device information set, destroyed when it goes.
using DeviceSet = std::unique_ptr<void, DeviceSetCloser>;

/// Takes over a set handle; INVALID_HANDLE_VALUE gives an empty DeviceSet.
DeviceSet OwnSet(HDEVINFO set) {
  return DeviceSet(set == INVALID_HANDLE_VALUE ? nullptr : set);
}

/// A device record with its cbSize set, for a call to fill.
SP_DEVINFO_DATA NewDeviceData() {
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  return device;
}

/// Every device the machine knows of, present or not.
DeviceSet AllDevices() {
  return OwnSet(SetupDiGetClassDevsA(nullptr, nullptr, 0, DIGCF_ALLCLASSES));
}

/// The instance ID of a device in `set`; a failed call fails the test.
std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA* device) {
  char id[kInstanceIdSize] = {};
  if (!SetupDiGetDeviceInstanceIdA(set, device, id, sizeof id, nullptr)) {
    ADD_FAILURE() << "SetupDiGetDeviceInstanceIdA: " << GetLastError();
  }
  return id;
}

/// Fills `device` with the record of `instance_id` in `set`.
bool FindDevice(HDEVINFO set, const std::string& instance_id,
                SP_DEVINFO_DATA* device) {
  *device = NewDeviceData();
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, device); ++i) {
    if (InstanceId(set, device) == instance_id) return true;
  }
  return false;
}

// The REG_MULTI_SZ form of a list of strings.
std::string MultiString(const std::vector<std::string>& strings) {
  std::string bytes;
  for (const std::string& text : strings) {
    bytes += text;
    bytes.push_back('\0');
  }
  bytes.push_back('\0');
  return bytes;
}

// The strings of a REG_MULTI_SZ value, up to its first empty string and never
// past its size.
std::vector<std::string> SplitMultiString(const std::string& bytes) {
  std::vector<std::string> strings;
  std::size_t start = 0;
  while (start < bytes.size() && bytes[start] != '\0') {
    std::size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    strings.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return strings;
}

std::vector<std::string> HardwareIds(HDEVINFO set, SP_DEVINFO_DATA* device) {
  DWORD required = 0;
  if (SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_HARDWAREID, nullptr,
                                        nullptr, 0, &required) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER || required == 0) {
    // No value, or one of 0 bytes (which a size-0 call calls short too).
    return {};
  }
  std::string bytes(required, '\0');
  if (!SetupDiGetDeviceRegistryPropertyA(set, device, SPDRP_HARDWAREID, nullptr,
                                         reinterpret_cast<BYTE*>(bytes.data()),
                                         required, nullptr)) {
    ADD_FAILURE() << "SetupDiGetDeviceRegistryPropertyA: " << GetLastError();
    return {};
  }
  return SplitMultiString(bytes);
}

// Writes a value of a registered device's Enum key; the key must exist.
void SetEnumValue(const std::string& instance_id, const char* name, DWORD type,
                  const void* bytes, DWORD size) {
  const std::string key_name =
      "System\\CurrentControlSet\\Enum\\" + instance_id;
  HKEY key = nullptr;
  LONG error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_name.c_str(), 0,
                             KEY_SET_VALUE, &key);
  if (error != ERROR_SUCCESS) {
    ADD_FAILURE() << "no device " << instance_id << ": error " << error;
    return;
  }
  error =
      RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(bytes), size);
  RegCloseKey(key);
  if (error != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot set " << name << " of " << instance_id
                  << ": error " << error;
  }
}

/// A System-class device information set; a failed call fails the test.
DeviceSet NewSystemSet() {
  DeviceSet set = OwnSet(SetupDiCreateDeviceInfoList(&kSystemClass, 0));
  if (!set) ADD_FAILURE() << "SetupDiCreateDeviceInfoList: " << GetLastError();
  return set;
}

// Creates and registers a System device in `set`, named `name` as the flags
// say, with a hardware-ID value of these bytes when there is one. Returns its
// instance ID, or "" when it could not be made.
std::string RegisterDeviceIn(HDEVINFO set, const char* name, DWORD flags,
                             const std::optional<std::string>& id_bytes) {
  SP_DEVINFO_DATA device = NewDeviceData();
  if (!SetupDiCreateDeviceInfoA(set, name, &kSystemClass, nullptr, 0, flags,
                                &device)) {
    ADD_FAILURE() << "SetupDiCreateDeviceInfoA(" << name
                  << "): " << GetLastError();
    return {};
  }
  if (id_bytes) {
    if (!SetupDiSetDeviceRegistryPropertyA(
            set, &device, SPDRP_HARDWAREID,
            reinterpret_cast<const BYTE*>(id_bytes->data()),
            static_cast<DWORD>(id_bytes->size()))) {
      ADD_FAILURE() << "SetupDiSetDeviceRegistryPropertyA: " << GetLastError();
    }
  }
  if (!SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr)) {
    ADD_FAILURE() << "SetupDiRegisterDeviceInfo: " << GetLastError();
    return {};
  }
  return InstanceId(set, &device);
}

// Creates and registers a System device (ROOT\SYSTEM\000N), with a
// hardware-ID value of these bytes when there is one.
std::string RegisterDevice(const std::optional<std::string>& id_bytes) {
  DeviceSet set = NewSystemSet();
  if (!set) return {};
  return RegisterDeviceIn(set.get(), "SYSTEM", DICD_GENERATE_ID, id_bytes);
}

}  // namespace

std::string CreateDevice(const std::vector<std::string>& hardware_ids) {
  return RegisterDevice(hardware_ids.empty()
                            ? std::nullopt
                            : std::optional(MultiString(hardware_ids)));
}

long CreateNumberedDevices(
    const std::string& prefix, long count,
    const std::function<std::vector<std::string>(long)>& ids) {
  DeviceSet set = NewSystemSet();
  if (!set) return 0;
  long made = 0;
  while (made < count &&
         !RegisterDeviceIn(set.get(), (prefix + std::to_string(made)).c_str(),
                           0, MultiString(ids(made)))
              .empty()) {
    ++made;
  }
  return made;
}

std::string CreateDeviceWithRawIds(const std::string& bytes) {
  return RegisterDevice(bytes);
}

std::string CreateDeviceWithValue(unsigned long type,
                                  const std::string& bytes) {
  const std::string instance_id = RegisterDevice(std::nullopt);
  SetHardwareIdValue(instance_id, type, bytes);
  return instance_id;
}

void SetHardwareIdValue(const std::string& instance_id, unsigned long type,
                        const std::string& bytes) {
  SetEnumValue(instance_id, "HardwareID", type, bytes.data(),
               static_cast<DWORD>(bytes.size()));
}

void MakeNotPresent(const std::string& instance_id) {
  // Wine ignores DIGCF_PRESENT; its only not-present state is this value.
  const DWORD phantom = 1;
  SetEnumValue(instance_id, "Phantom", REG_DWORD, &phantom, sizeof phantom);
}

void RemoveDevice(const std::string& instance_id) {
  DeviceSet set = AllDevices();
  SP_DEVINFO_DATA device;
  if (!set || !FindDevice(set.get(), instance_id, &device)) {
    ADD_FAILURE() << "no device " << instance_id;
    return;
  }
  if (!SetupDiCallClassInstaller(DIF_REMOVE, set.get(), &device)) {
    ADD_FAILURE() << "cannot remove " << instance_id << ": " << GetLastError();
  }
}

std::vector<DeviceInfo> ListDevices() {
  DeviceSet set = AllDevices();
  if (!set) {
    ADD_FAILURE() << "SetupDiGetClassDevsA: " << GetLastError();
    return {};
  }
  std::vector<DeviceInfo> devices;
  SP_DEVINFO_DATA device = NewDeviceData();
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device);
       ++index) {
    devices.push_back(
        {InstanceId(set.get(), &device), HardwareIds(set.get(), &device)});
  }
  return devices;
}

bool DeviceExists(const std::string& instance_id) {
  const std::vector<DeviceInfo> devices = ListDevices();
  return std::any_of(devices.begin(), devices.end(),
                     [&](const DeviceInfo& device) {
                       return device.instance_id == instance_id;
                     });
}

}  // namespace harness
