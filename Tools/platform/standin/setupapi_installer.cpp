// SETUPAPI: the class installer and device install parameters. The stand-in
// has no class installers: DIF_REMOVE and DIF_REGISTERDEVICE get the default
// handling Wine gives them, every other function asks for the default
// (ERROR_DI_DO_DEFAULT), as Wine's answer to most of them is.
#include <standin/win32_api.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "ascii.h"
#include "device_set.h"
#include "instrument.h"
#include "last_error.h"
#include "machine.h"

namespace standin {
namespace {

BOOL RemoveDevice(DeviceRecord* record) {
  if (!record->registered) return Fail(ERROR_NO_SUCH_DEVINST);
  MachineState machine = LoadMachine();
  const auto gone = std::remove_if(
      machine.devices.begin(), machine.devices.end(),
      [&](const Device& device) {
        return EqualIgnoringCase(device.instance_id, record->instance_id);
      });
  // A device another set or process removed first is gone all the same.
  if (gone != machine.devices.end()) {
    machine.devices.erase(gone, machine.devices.end());
    SaveMachine(machine);
  }
  record->removed = true;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

// A caller's install parameters: given, and of their one size.
bool ValidParams(const SP_DEVINSTALL_PARAMS_A* params) {
  if (params == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  if (params->cbSize != sizeof(SP_DEVINSTALL_PARAMS_A)) {
    return Fail(ERROR_INVALID_USER_BUFFER);
  }
  return true;
}

}  // namespace
}  // namespace standin

using namespace standin;

BOOL SetupDiCallClassInstaller(DWORD function, HDEVINFO set,
                               PSP_DEVINFO_DATA device) {
  TraceCall("SetupDiCallClassInstaller",
            {{"function", std::to_string(function)},
             {"set", SetTraceId(set)},
             {"cbSize", CbSizeOrNull(device)}});
  if (FaultDue("SetupDiCallClassInstaller")) return FALSE;
  if (function == DIF_REGISTERDEVICE) {
    return SetupDiRegisterDeviceInfo(set, device, 0, nullptr, nullptr, nullptr);
  }
  DeviceRecord* record = FindDevice(set, device);
  if (record == nullptr) return FALSE;
  if (function == DIF_REMOVE) return RemoveDevice(record);
  return Fail(ERROR_DI_DO_DEFAULT);
}

BOOL SetupDiGetDeviceInstallParamsA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                    PSP_DEVINSTALL_PARAMS_A params) {
  TraceCall("SetupDiGetDeviceInstallParamsA",
            {{"set", SetTraceId(set)},
             {"device_cbSize", CbSizeOrNull(device)},
             {"cbSize", CbSizeOrNull(params)}});
  if (FaultDue("SetupDiGetDeviceInstallParamsA")) return FALSE;
  // Parameters of a whole set are not kept (Wine): a device is needed.
  const DeviceRecord* record = FindDevice(set, device);
  if (record == nullptr) return FALSE;
  if (!ValidParams(params)) return FALSE;
  *params = record->install_params;
  return TRUE;
}

BOOL SetupDiSetDeviceInstallParamsA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                    PSP_DEVINSTALL_PARAMS_A params) {
  const bool given = params != nullptr;
  TraceCall(
      "SetupDiSetDeviceInstallParamsA",
      {{"set", SetTraceId(set)},
       {"device_cbSize", CbSizeOrNull(device)},
       {"cbSize", CbSizeOrNull(params)},
       {"Flags", given ? std::to_string(params->Flags) : "NULL"},
       {"FlagsEx", given ? std::to_string(params->FlagsEx) : "NULL"},
       {"DriverPath", given ? std::string(params->DriverPath,
                                          strnlen(params->DriverPath, MAX_PATH))
                            : "NULL"}});
  if (FaultDue("SetupDiSetDeviceInstallParamsA")) return FALSE;
  DeviceRecord* record = FindDevice(set, device);
  if (record == nullptr) return FALSE;
  if (!ValidParams(params)) return FALSE;
  record->install_params = *params;
  record->install_params.DriverPath[MAX_PATH - 1] = '\0';
  return TRUE;
}
