#include "support/device_sets.h"

namespace harness {

DeviceSet OwnSet(HDEVINFO set) {
  return DeviceSet(set == INVALID_HANDLE_VALUE ? nullptr : set);
}

SP_DEVINFO_DATA NewDeviceData() {
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  return device;
}

std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA* device) {
  char id[kInstanceIdSize] = {};
  if (!SetupDiGetDeviceInstanceIdA(set, device, id, sizeof id, nullptr)) {
    ADD_FAILURE() << "SetupDiGetDeviceInstanceIdA: " << GetLastError();
  }
  return id;
}

std::vector<std::string> InstanceIds(HDEVINFO set) {
  std::vector<std::string> ids;
  SP_DEVINFO_DATA device = NewDeviceData();
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    ids.push_back(InstanceId(set, &device));
  }
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  return ids;
}

::testing::AssertionResult FindDevice(HDEVINFO set,
                                      const std::string& instance_id,
                                      SP_DEVINFO_DATA* device) {
  *device = NewDeviceData();
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, device); ++i) {
    if (InstanceId(set, device) == instance_id) {
      return ::testing::AssertionSuccess();
    }
  }
  return ::testing::AssertionFailure() << "no device " << instance_id;
}

}  // namespace harness
