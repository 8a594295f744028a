// On the stand-in a test's machine is a directory of its own.
#include <gtest/gtest.h>
#include <standin/testing.h>
#include <stdlib.h>

#include "support/devices.h"
#include "support/machine.h"

namespace harness {

std::unique_ptr<TempDir> FreshMachine() {
  auto machine = std::make_unique<TempDir>();
  setenv(standin::testing::kMachineVariable, machine->path().c_str(), 1);
  return machine;
}

void SetHardwareIdValue(const std::string& instance_id, unsigned long type,
                        const std::string& bytes) {
  if (!standin::testing::SetHardwareIdValue(instance_id, type, bytes)) {
    ADD_FAILURE() << "no device " << instance_id;
  }
}

void MakeNotPresent(const std::string& instance_id) {
  if (!standin::testing::SetDevicePresent(instance_id, false)) {
    ADD_FAILURE() << "no device " << instance_id;
  }
}

}  // namespace harness
