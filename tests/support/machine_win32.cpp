// Under Wine each test already runs in a prefix of its own (scripts/wine-run).
#include <gtest/gtest.h>
#include <windows.h>

#include "support/devices.h"
#include "support/machine.h"

namespace harness {
namespace {

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
  error = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(bytes),
                         size);
  RegCloseKey(key);
  if (error != ERROR_SUCCESS) {
    ADD_FAILURE() << "cannot set " << name << " of " << instance_id
                  << ": error " << error;
  }
}

}  // namespace

std::unique_ptr<TempDir> FreshMachine() { return nullptr; }

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

}  // namespace harness
