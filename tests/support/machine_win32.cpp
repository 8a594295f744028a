// Under Wine each test already runs in a prefix of its own (scripts/wine-run).
#include <gtest/gtest.h>
#include <windows.h>

#include "support/devices.h"
#include "support/machine.h"

namespace harness {

std::unique_ptr<TempDir> FreshMachine() { return nullptr; }

void MakeNotPresent(const std::string& instance_id) {
  // Wine ignores DIGCF_PRESENT; its only not-present state is this value in
  // the device's Enum key. The key must exist: the device is registered.
  const std::string key_name =
      "System\\CurrentControlSet\\Enum\\" + instance_id;
  HKEY key = nullptr;
  LONG error = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key_name.c_str(), 0,
                             KEY_SET_VALUE, &key);
  if (error != ERROR_SUCCESS) {
    ADD_FAILURE() << "no device " << instance_id << ": error " << error;
    return;
  }
  const DWORD phantom = 1;
  error =
      RegSetValueExA(key, "Phantom", 0, REG_DWORD,
                     reinterpret_cast<const BYTE*>(&phantom), sizeof phantom);
  RegCloseKey(key);
  if (error != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot mark " << instance_id << " not present: error "
                  << error;
  }
}

}  // namespace harness
