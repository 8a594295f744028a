// SetupAPI device sets as tests hold them: an owning handle, the System
// class, and finding devices in a set.
#ifndef TESTS_SUPPORT_DEVICE_SETS_H_
#define TESTS_SUPPORT_DEVICE_SETS_H_

#include <gtest/gtest.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

namespace harness {

/// MAX_DEVICE_ID_LEN and its NUL; mingw-w64 declares the constant only in
/// cfgmgr32.h.
inline constexpr std::size_t kInstanceIdSize = 200 + 1;

/// The System device class.
inline constexpr GUID kSystemClass = {
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
DeviceSet OwnSet(HDEVINFO set);

/// A device record with its cbSize set, for a call to fill.
SP_DEVINFO_DATA NewDeviceData();

/// The instance ID of a device in `set`; a failed call fails the test.
std::string InstanceId(HDEVINFO set, SP_DEVINFO_DATA* device);

/// The instance IDs of a set, in its order.
std::vector<std::string> InstanceIds(HDEVINFO set);

/// Fills `device` with the record of `instance_id` in `set`.
::testing::AssertionResult FindDevice(HDEVINFO set,
                                      const std::string& instance_id,
                                      SP_DEVINFO_DATA* device);

}  // namespace harness

#endif  // TESTS_SUPPORT_DEVICE_SETS_H_
