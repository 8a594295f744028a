#include "device_set.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>

#include "ascii.h"
#include "instrument.h"

namespace standin {
namespace {

// Handle values stay clear of NULL and INVALID_HANDLE_VALUE, and of small
// numbers a caller might pass by mistake.
constexpr std::uintptr_t kFirstHandle = 0x5E70000;
constexpr std::uintptr_t kHandleStep = 4;

struct SetTable {
  std::uintptr_t next_handle = kFirstHandle;
  std::map<std::uintptr_t, std::unique_ptr<DeviceSet>> sets;
  DWORD next_record_key = 1;
  int next_driver_list = 1;
  std::map<std::string, DWORD, bool (*)(std::string_view, std::string_view)>
      dev_insts{LessIgnoringCase};
};

SetTable& Table() {
  static SetTable* table = new SetTable;  // outlives every caller
  return *table;
}

std::uintptr_t HandleValue(HDEVINFO handle) {
  return reinterpret_cast<std::uintptr_t>(handle);
}

// DevInst: a number per device, the same for every set of this process.
DWORD DevInstOf(const std::string& instance_id) {
  SetTable& table = Table();
  const auto found = table.dev_insts.find(instance_id);
  if (found != table.dev_insts.end()) return found->second;
  const DWORD number = static_cast<DWORD>(table.dev_insts.size()) + 1;
  table.dev_insts.emplace(instance_id, number);
  return number;
}

}  // namespace

HDEVINFO OpenDeviceSet(DeviceSet set) {
  SetTable& table = Table();
  const std::uintptr_t value = table.next_handle;
  table.next_handle += kHandleStep;
  table.sets.emplace(value, std::make_unique<DeviceSet>(std::move(set)));
  const HDEVINFO handle = reinterpret_cast<HDEVINFO>(value);
  TraceOpen("devinfo", SetTraceId(handle));
  return handle;
}

DeviceSet* FindDeviceSet(HDEVINFO handle) {
  SetTable& table = Table();
  const auto found = table.sets.find(HandleValue(handle));
  if (found == table.sets.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return found->second.get();
}

bool CloseDeviceSet(HDEVINFO handle) {
  DeviceSet* set = FindDeviceSet(handle);
  if (set == nullptr) return false;
  for (DeviceRecord& record : set->devices) {
    while (!record.driver_lists.empty()) {
      CloseDriverList(&record, record.driver_lists.begin()->first);
    }
  }
  Table().sets.erase(HandleValue(handle));
  TraceClose("devinfo", SetTraceId(handle));
  return true;
}

DeviceRecord* FindDevice(HDEVINFO handle, const SP_DEVINFO_DATA* device) {
  DeviceSet* set = FindDeviceSet(handle);
  if (set == nullptr) return nullptr;
  if (device == nullptr || device->cbSize != sizeof(SP_DEVINFO_DATA)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const auto found = std::find_if(set->devices.begin(), set->devices.end(),
                                  [&](const DeviceRecord& record) {
                                    return record.key == device->Reserved;
                                  });
  if (found == set->devices.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (found->removed) {
    SetLastError(ERROR_NO_SUCH_DEVINST);
    return nullptr;
  }
  return &*found;
}

DeviceRecord NewDeviceRecord(std::string instance_id, const GUID& class_guid,
                             bool registered) {
  DeviceRecord record;
  record.key = Table().next_record_key++;
  record.instance_id = std::move(instance_id);
  record.class_guid = class_guid;
  record.registered = registered;
  record.install_params.cbSize = sizeof(SP_DEVINSTALL_PARAMS_A);
  return record;
}

std::optional<Device> LiveDevice(const DeviceRecord& record) {
  if (!record.registered) {
    return Device{record.instance_id, ClassNameOf(record.class_guid),
                  record.class_guid, record.pending_hardware_ids, true};
  }
  MachineState machine = LoadMachine();
  const Device* device = FindMachineDevice(&machine, record.instance_id);
  if (device == nullptr) {
    SetLastError(ERROR_KEY_DELETED);
    return std::nullopt;
  }
  return *device;
}

void FillDeviceData(const DeviceRecord& record, SP_DEVINFO_DATA* device) {
  device->ClassGuid = record.class_guid;
  device->DevInst = DevInstOf(record.instance_id);
  device->Reserved = record.key;
}

void CloseDriverList(DeviceRecord* record, DWORD driver_type) {
  const auto found = record->driver_lists.find(driver_type);
  if (found == record->driver_lists.end()) return;
  TraceClose("drvlist", found->second.trace_id);
  record->driver_lists.erase(found);
}

std::string SetTraceId(HDEVINFO handle) {
  return std::to_string(HandleValue(handle));
}

std::string NewDriverListTraceId() {
  return std::to_string(Table().next_driver_list++);
}

DWORD NewDriverKey() { return Table().next_record_key++; }

bool InstanceIdLess(std::string_view a, std::string_view b) {
  while (true) {
    const std::string_view part_a = a.substr(0, a.find('\\'));
    const std::string_view part_b = b.substr(0, b.find('\\'));
    if (!EqualIgnoringCase(part_a, part_b)) {
      return LessIgnoringCase(part_a, part_b);
    }
    const bool more_a = part_a.size() < a.size();
    const bool more_b = part_b.size() < b.size();
    if (!more_a || !more_b) return !more_a && more_b;
    a.remove_prefix(part_a.size() + 1);
    b.remove_prefix(part_b.size() + 1);
  }
}

}  // namespace standin
