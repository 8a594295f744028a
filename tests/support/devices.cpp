#include "support/devices.h"

#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

namespace devices {
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

/// Why the Windows call `call` just failed.
Error Failed(const std::string& call) {
  return call + ": error " + std::to_string(GetLastError());
}

/// The instance ID of a device in `set`.
Result<std::string> InstanceId(HDEVINFO set, SP_DEVINFO_DATA* device) {
  char id[kInstanceIdSize] = {};
  if (!SetupDiGetDeviceInstanceIdA(set, device, id, sizeof id, nullptr)) {
    return {{}, Failed("SetupDiGetDeviceInstanceIdA")};
  }
  return {id, {}};
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

Result<std::vector<std::string>> HardwareIds(HDEVINFO set,
                                             SP_DEVINFO_DATA* device) {
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
    return {{}, Failed("SetupDiGetDeviceRegistryPropertyA")};
  }
  return {SplitMultiString(bytes), {}};
}

/// The device's key under HKEY_LOCAL_MACHINE, where the service keeps it.
std::string EnumKeyName(const std::string& instance_id) {
  return "System\\CurrentControlSet\\Enum\\" + instance_id;
}

struct KeyCloser {
  void operator()(HKEY key) const { RegCloseKey(key); }
};

/// An open registry key, closed when it goes.
using Key = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

/// The device's Enum key, opened for `access`; empty, with the code in
/// `*error` when given, when it cannot be.
Key OpenEnumKey(const std::string& instance_id, REGSAM access,
                LONG* error = nullptr) {
  HKEY key = nullptr;
  const LONG code = RegOpenKeyExA(
      HKEY_LOCAL_MACHINE, EnumKeyName(instance_id).c_str(), 0, access, &key);
  if (error != nullptr) *error = code;
  return Key(code == ERROR_SUCCESS ? key : nullptr);
}

// Writes a value of a registered device's Enum key; the key must exist.
Error SetEnumValue(const std::string& instance_id, const char* name, DWORD type,
                   const void* bytes, DWORD size) {
  LONG error = ERROR_SUCCESS;
  const Key key = OpenEnumKey(instance_id, KEY_SET_VALUE, &error);
  if (!key) {
    return "no device " + instance_id + ": error " + std::to_string(error);
  }
  error = RegSetValueExA(key.get(), name, 0, type,
                         static_cast<const BYTE*>(bytes), size);
  if (error != ERROR_SUCCESS) {
    return std::string("cannot set ") + name + " of " + instance_id +
           ": error " + std::to_string(error);
  }
  return {};
}

/// A System-class device information set.
Result<DeviceSet> NewSystemSet() {
  DeviceSet set = OwnSet(SetupDiCreateDeviceInfoList(&kSystemClass, 0));
  if (!set) return {{}, Failed("SetupDiCreateDeviceInfoList")};
  return {std::move(set), {}};
}

// Creates and registers a System device in `set`, named `name` as the flags
// say, with a hardware-ID value of these bytes when there is one. Gives its
// instance ID.
Result<std::string> RegisterDeviceIn(
    HDEVINFO set, const std::string& name, DWORD flags,
    const std::optional<std::string>& id_bytes) {
  SP_DEVINFO_DATA device = NewDeviceData();
  if (!SetupDiCreateDeviceInfoA(set, name.c_str(), &kSystemClass, nullptr, 0,
                                flags, &device)) {
    return {{}, Failed("SetupDiCreateDeviceInfoA(" + name + ")")};
  }
  if (id_bytes && !SetupDiSetDeviceRegistryPropertyA(
                      set, &device, SPDRP_HARDWAREID,
                      reinterpret_cast<const BYTE*>(id_bytes->data()),
                      static_cast<DWORD>(id_bytes->size()))) {
    return {{}, Failed("SetupDiSetDeviceRegistryPropertyA")};
  }
  if (!SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr)) {
    return {{}, Failed("SetupDiRegisterDeviceInfo")};
  }
  return InstanceId(set, &device);
}

// Creates and registers a System device (ROOT\SYSTEM\000N), with a
// hardware-ID value of these bytes when there is one.
Result<std::string> RegisterDevice(const std::optional<std::string>& id_bytes) {
  Result<DeviceSet> set = NewSystemSet();
  if (!set.error.empty()) return {{}, set.error};
  return RegisterDeviceIn(set.value.get(), "SYSTEM", DICD_GENERATE_ID,
                          id_bytes);
}

/// A set holding the device of this instance ID; empty when the machine knows
/// none. Opened by its ID, without building a set of every device, unless it
/// is not present: Wine opens no such device by its ID.
DeviceSet OpenDevice(const std::string& instance_id, SP_DEVINFO_DATA* device) {
  // The service knows no device without its Enum key.
  if (!OpenEnumKey(instance_id, KEY_READ)) return nullptr;
  DeviceSet set = OwnSet(SetupDiCreateDeviceInfoList(nullptr, nullptr));
  if (set && SetupDiOpenDeviceInfoA(set.get(), instance_id.c_str(), nullptr, 0,
                                    device)) {
    return set;
  }
  set = AllDevices();
  for (DWORD i = 0; set && SetupDiEnumDeviceInfo(set.get(), i, device); ++i) {
    if (InstanceId(set.get(), device).value == instance_id) return set;
  }
  return nullptr;
}

/// Whether the device has neither a driver nor a service of its own; fails
/// with NoDevice when the machine knows no such device.
Result<bool> IsBareDevice(const std::string& instance_id) {
  const Key key = OpenEnumKey(instance_id, KEY_QUERY_VALUE);
  if (!key) return {false, NoDevice(instance_id)};
  const auto absent = [&](const char* value) {
    return RegQueryValueExA(key.get(), value, nullptr, nullptr, nullptr,
                            nullptr) == ERROR_FILE_NOT_FOUND;
  };
  return {absent("Driver") && absent("Service"), {}};
}

/// What the service's removal does to a bare device: its Enum key goes, then
/// each key above it that holds nothing else. Its one more step, telling the
/// device's service, costs Wine a call to the service manager (some 10 ms)
/// and has no service to tell.
Error RemoveBareDevice(const std::string& instance_id) {
  const LONG error =
      RegDeleteTreeA(HKEY_LOCAL_MACHINE, EnumKeyName(instance_id).c_str());
  if (error != ERROR_SUCCESS) {
    return "cannot remove " + instance_id + ": RegDeleteTreeA: error " +
           std::to_string(error);
  }
  // A key that still holds another device's key is not deleted.
  for (std::string parent = instance_id;
       parent.find('\\') != std::string::npos;) {
    parent.erase(parent.rfind('\\'));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, EnumKeyName(parent).c_str());
  }
  return {};
}

}  // namespace

Result<std::string> Create(const std::vector<std::string>& hardware_ids) {
  return RegisterDevice(hardware_ids.empty()
                            ? std::nullopt
                            : std::optional(MultiString(hardware_ids)));
}

Result<long> CreateNumbered(
    const std::string& prefix, long count,
    const std::function<std::vector<std::string>(long)>& ids) {
  Result<DeviceSet> set = NewSystemSet();
  if (!set.error.empty()) return {0, set.error};
  for (long made = 0; made < count; ++made) {
    const Result<std::string> device =
        RegisterDeviceIn(set.value.get(), prefix + std::to_string(made), 0,
                         MultiString(ids(made)));
    if (!device.error.empty()) return {made, device.error};
  }
  return {count, {}};
}

Result<std::string> CreateWithRawIds(const std::string& bytes) {
  return RegisterDevice(bytes);
}

Result<std::string> CreateWithValue(unsigned long type,
                                    const std::string& bytes) {
  Result<std::string> device = RegisterDevice(std::nullopt);
  if (device.error.empty()) {
    device.error = SetEnumValue(device.value, "HardwareID", type, bytes.data(),
                                static_cast<DWORD>(bytes.size()));
  }
  return device;
}

Error MakeNotPresent(const std::string& instance_id) {
  // Wine ignores DIGCF_PRESENT; its only not-present state is this value.
  const DWORD phantom = 1;
  return SetEnumValue(instance_id, "Phantom", REG_DWORD, &phantom,
                      sizeof phantom);
}

Error Remove(const std::string& instance_id) {
  const Result<bool> bare = IsBareDevice(instance_id);
  if (!bare.error.empty()) return bare.error;
  if (bare.value) return RemoveBareDevice(instance_id);
  SP_DEVINFO_DATA device = NewDeviceData();
  const DeviceSet set = OpenDevice(instance_id, &device);
  if (!set) return NoDevice(instance_id);
  if (!SetupDiCallClassInstaller(DIF_REMOVE, set.get(), &device)) {
    return Failed("cannot remove " + instance_id +
                  ": SetupDiCallClassInstaller");
  }
  return {};
}

Error NoDevice(const std::string& instance_id) {
  return "no device " + instance_id;
}

bool Exists(const std::string& instance_id) {
  SP_DEVINFO_DATA device = NewDeviceData();
  return OpenDevice(instance_id, &device) != nullptr;
}

Result<std::vector<DeviceInfo>> List() {
  DeviceSet set = AllDevices();
  if (!set) return {{}, Failed("SetupDiGetClassDevsA")};
  Result<std::vector<DeviceInfo>> devices;
  SP_DEVINFO_DATA device = NewDeviceData();
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set.get(), index, &device);
       ++index) {
    Result<std::string> id = InstanceId(set.get(), &device);
    Result<std::vector<std::string>> ids = HardwareIds(set.get(), &device);
    if (devices.error.empty()) devices.error = id.error + ids.error;
    devices.value.push_back({id.value, ids.value});
  }
  return devices;
}

Result<std::vector<std::string>> CompatibleInfFileNames(
    const std::string& hardware_id) {
  Result<DeviceSet> set = NewSystemSet();
  if (!set.error.empty()) return {{}, set.error};
  SP_DEVINFO_DATA device = NewDeviceData();
  const std::string ids = MultiString({hardware_id});
  if (!SetupDiCreateDeviceInfoA(set.value.get(), "SYSTEM", &kSystemClass,
                                nullptr, 0, DICD_GENERATE_ID, &device)) {
    return {{}, Failed("SetupDiCreateDeviceInfoA")};
  }
  if (!SetupDiSetDeviceRegistryPropertyA(
          set.value.get(), &device, SPDRP_HARDWAREID,
          reinterpret_cast<const BYTE*>(ids.data()),
          static_cast<DWORD>(ids.size()))) {
    return {{}, Failed("SetupDiSetDeviceRegistryPropertyA")};
  }
  if (!SetupDiBuildDriverInfoList(set.value.get(), &device,
                                  SPDIT_COMPATDRIVER)) {
    return {{}, Failed("SetupDiBuildDriverInfoList")};
  }
  Result<std::vector<std::string>> names;
  SP_DRVINFO_DATA_A driver = {};
  driver.cbSize = sizeof driver;
  for (DWORD index = 0; SetupDiEnumDriverInfoA(
           set.value.get(), &device, SPDIT_COMPATDRIVER, index, &driver);
       ++index) {
    // The fixed record, as the tool passes it: only the variable tail may
    // not fit, and InfFileName is filled either way.
    SP_DRVINFO_DETAIL_DATA_A detail = {};
    detail.cbSize = sizeof detail;
    if (!SetupDiGetDriverInfoDetailA(set.value.get(), &device, &driver, &detail,
                                     sizeof detail, nullptr) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
      return {{}, Failed("SetupDiGetDriverInfoDetailA")};
    }
    names.value.emplace_back(detail.InfFileName);
  }
  SetupDiDestroyDriverInfoList(set.value.get(), &device, SPDIT_COMPATDRIVER);
  return names;
}

}  // namespace devices
