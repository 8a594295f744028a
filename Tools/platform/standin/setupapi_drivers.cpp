// SETUPAPI: driver lists. Like Wine, enumeration and details read a driver's
// INF file again, so a deleted INF file fails every later call about its
// drivers with ERROR_FILE_NOT_FOUND.
#include <standin/win32_api.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <string>

#include "device_set.h"
#include "driver_search.h"
#include "inf_file.h"
#include "instrument.h"
#include "last_error.h"
#include "machine.h"

namespace standin {
namespace {

// Seconds from 1601-01-01 (FILETIME) to 1970-01-01 (Unix time).
constexpr unsigned long long kEpochDifference = 11644473600ULL;
constexpr unsigned long long kTicksPerSecond = 10000000ULL;

constexpr DWORD kFixedDetailSize =
    static_cast<DWORD>(offsetof(SP_DRVINFO_DETAIL_DATA_A, HardwareID));

bool KnownDriverType(DWORD driver_type) {
  return driver_type == SPDIT_CLASSDRIVER || driver_type == SPDIT_COMPATDRIVER;
}

// Stricter than Wine on purpose, which takes any cbSize: Windows checks it,
// and a tool that passed a wrong one would fail there.
bool DriverRecordSize(DWORD size) {
  return size == sizeof(SP_DRVINFO_DATA_V1_A) ||
         size == sizeof(SP_DRVINFO_DATA_V2_A);
}

// Copies text into a fixed field, cut to fit with its NUL.
template <std::size_t N>
void CopyField(const std::string& text, CHAR (&field)[N]) {
  const std::size_t length = std::min(text.size(), N - 1);
  std::copy_n(text.data(), length, field);
  field[length] = '\0';
}

// Copies text into a detail field as Wine's conversion to ANSI does: a text
// that does not fit fills the field and gets no NUL.
template <std::size_t N>
void ConvertField(const std::string& text, CHAR (&field)[N]) {
  const std::size_t length = std::min(text.size() + 1, N);
  std::copy_n(text.c_str(), length, field);
}

FILETIME LastWriteTime(const std::filesystem::path& file) {
  struct stat status {};
  if (::stat(file.c_str(), &status) != 0) return {};
  const unsigned long long ticks =
      (static_cast<unsigned long long>(status.st_mtim.tv_sec) +
       kEpochDifference) *
          kTicksPerSecond +
      static_cast<unsigned long long>(status.st_mtim.tv_nsec) / 100;
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// The hardware ID and compatible IDs as the detail's multi-string tail.
std::string IdTail(const std::vector<std::string>& ids) {
  std::string tail;
  for (const std::string& id : ids) {
    tail += id;
    tail.push_back('\0');
  }
  tail.push_back('\0');
  return tail;
}

// SetupDiBuildDriverInfoList and SetupDiDestroyDriverInfoList take the same
// arguments.
void TraceDriverListCall(const char* operation, HDEVINFO set,
                         const SP_DEVINFO_DATA* device, DWORD driver_type) {
  TraceCall(operation, {{"set", SetTraceId(set)},
                        {"cbSize", CbSizeOrNull(device)},
                        {"type", std::to_string(driver_type)}});
}

const DriverNode* FindDriver(const DeviceRecord& record, DWORD key) {
  for (const auto& [type, list] : record.driver_lists) {
    const auto found =
        std::find_if(list.drivers.begin(), list.drivers.end(),
                     [&](const DriverNode& node) { return node.key == key; });
    if (found != list.drivers.end()) return &*found;
  }
  return nullptr;
}

std::vector<DriverNode> CompatibleDrivers(const DeviceRecord& record,
                                          const Device& device) {
  const MachineState machine = LoadMachine();
  std::vector<DriverNode> drivers = FindCompatibleDrivers(
      SplitMultiString(device.hardware_ids.value_or("")),
      DriverSearchFolders(record.install_params.DriverPath,
                          machine.driver_folders));
  for (DriverNode& node : drivers) node.key = NewDriverKey();
  return drivers;
}

}  // namespace
}  // namespace standin

using namespace standin;

BOOL SetupDiBuildDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device,
                                DWORD driver_type) {
  TraceDriverListCall("SetupDiBuildDriverInfoList", set, device, driver_type);
  if (FaultDue("SetupDiBuildDriverInfoList")) return FALSE;
  DeviceRecord* record = FindDevice(set, device);
  if (record == nullptr) return FALSE;
  if (!KnownDriverType(driver_type)) return Fail(ERROR_INVALID_PARAMETER);
  // A list already built stays as it is.
  if (record->driver_lists.count(driver_type) == 0) {
    DriverList list{NewDriverListTraceId(), {}};
    // No class installers, so no class drivers: that list is empty.
    if (driver_type == SPDIT_COMPATDRIVER) {
      const std::optional<Device> live = LiveDevice(*record);
      if (!live) return FALSE;
      list.drivers = CompatibleDrivers(*record, *live);
    }
    TraceOpen("drvlist", list.trace_id);
    record->driver_lists.emplace(driver_type, std::move(list));
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL SetupDiEnumDriverInfoA(HDEVINFO set, PSP_DEVINFO_DATA device,
                            DWORD driver_type, DWORD index,
                            PSP_DRVINFO_DATA_A driver) {
  TraceCall("SetupDiEnumDriverInfoA", {{"set", SetTraceId(set)},
                                       {"device_cbSize", CbSizeOrNull(device)},
                                       {"type", std::to_string(driver_type)},
                                       {"index", std::to_string(index)},
                                       {"cbSize", CbSizeOrNull(driver)}});
  if (FaultDue("SetupDiEnumDriverInfoA")) return FALSE;
  const DeviceRecord* record = FindDevice(set, device);
  if (record == nullptr) return FALSE;
  if (driver == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (!DriverRecordSize(driver->cbSize)) return Fail(ERROR_INVALID_USER_BUFFER);
  const auto list = record->driver_lists.find(driver_type);
  if (list == record->driver_lists.end() ||
      index >= list->second.drivers.size()) {
    return Fail(ERROR_NO_MORE_ITEMS);
  }
  const DriverNode& node = list->second.drivers[index];
  InfFile inf;
  const DWORD error = LoadInf(node.inf_host_path, &inf);
  if (error != ERROR_SUCCESS) return Fail(error);
  driver->DriverType = driver_type;
  driver->Reserved = node.key;
  CopyField(node.description, driver->Description);
  CopyField(node.manufacturer, driver->MfgName);
  CopyField(inf.Value("Version", "Provider").value_or(""),
            driver->ProviderName);
  if (driver->cbSize == sizeof(SP_DRVINFO_DATA_V2_A)) {
    driver->DriverDate = {};
    driver->DriverVersion = 0;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL SetupDiGetDriverInfoDetailA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                 PSP_DRVINFO_DATA_A driver,
                                 PSP_DRVINFO_DETAIL_DATA_A detail, DWORD size,
                                 PDWORD required) {
  TraceCall("SetupDiGetDriverInfoDetailA",
            {{"set", SetTraceId(set)},
             {"device_cbSize", CbSizeOrNull(device)},
             {"driver_cbSize", CbSizeOrNull(driver)},
             {"cbSize", CbSizeOrNull(detail)},
             {"size", std::to_string(size)},
             {"required", GivenOrNull(required)}});
  if (FaultDue("SetupDiGetDriverInfoDetailA")) return FALSE;
  const DeviceRecord* record = FindDevice(set, device);
  if (record == nullptr) return FALSE;
  // No driver is ever selected, so a driver record must be given.
  if (driver == nullptr || (detail == nullptr && size != 0)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (!DriverRecordSize(driver->cbSize) ||
      (detail != nullptr &&
       (detail->cbSize != sizeof(SP_DRVINFO_DETAIL_DATA_A) ||
        size < sizeof(SP_DRVINFO_DETAIL_DATA_A)))) {
    return Fail(ERROR_INVALID_USER_BUFFER);
  }
  const DriverNode* node = FindDriver(*record, driver->Reserved);
  if (node == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  InfFile inf;
  const DWORD error = LoadInf(node->inf_host_path, &inf);
  if (error != ERROR_SUCCESS) return Fail(error);
  const std::string tail = IdTail(node->ids);
  const DWORD needed = kFixedDetailSize + static_cast<DWORD>(tail.size());
  if (required != nullptr) *required = needed;
  if (detail == nullptr) return Fail(ERROR_INSUFFICIENT_BUFFER);
  // The fixed part is filled even when the tail does not fit (Wine).
  detail->InfDate = LastWriteTime(node->inf_host_path);
  detail->CompatIDsOffset = 0;
  detail->CompatIDsLength = 0;
  detail->Reserved = node->key;
  ConvertField(node->section, detail->SectionName);
  ConvertField(node->inf_file_name, detail->InfFileName);
  ConvertField(node->description, detail->DrvDescription);
  detail->HardwareID[0] = '\0';
  if (size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::copy(tail.begin(), tail.end(), detail->HardwareID);
  if (node->ids.size() > 1) {
    detail->CompatIDsOffset = static_cast<DWORD>(node->ids.front().size() + 1);
    detail->CompatIDsLength =
        static_cast<DWORD>(tail.size()) - detail->CompatIDsOffset;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL SetupDiDestroyDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device,
                                  DWORD driver_type) {
  TraceDriverListCall("SetupDiDestroyDriverInfoList", set, device, driver_type);
  // A faulted destroy still releases the list, as a faulted
  // SetupDiDestroyDeviceInfoList does its set.
  const bool faulted = FaultDue("SetupDiDestroyDriverInfoList");
  const DWORD fault = GetLastError();
  DeviceRecord* record = FindDevice(set, device);
  if (record == nullptr) return FALSE;
  CloseDriverList(record, driver_type);
  // Wine's code after this call; on Windows it is undefined.
  SetLastError(faulted ? fault : ERROR_CALL_NOT_IMPLEMENTED);
  return !faulted;
}
