// The bare cost of a scan, for scripts/bench to hold Kestrum's against: visits
// every device the machine knows of and fetches its hardware IDs as any scan
// must (a size query, then the fetch into a buffer of that size), and nothing
// else. Prints how many devices it saw and how many had IDs.
#include <cstdio>

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

int main() {
  HDEVINFO set = SetupDiGetClassDevsA(nullptr, nullptr, 0, DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "SetupDiGetClassDevsA: error %lu\n",
                 static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  SP_DEVINFO_DATA device = {};
  device.cbSize = sizeof device;
  DWORD devices = 0;
  DWORD with_ids = 0;
  int status = 0;
  for (; SetupDiEnumDeviceInfo(set, devices, &device); ++devices) {
    DWORD size = 0;
    if (SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                          nullptr, nullptr, 0, &size) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) {
      continue;  // no IDs
    }
    BYTE* ids = static_cast<BYTE*>(LocalAlloc(LPTR, size));
    if (ids == nullptr) {
      std::fprintf(stderr, "LocalAlloc: error %lu\n",
                   static_cast<unsigned long>(GetLastError()));
      status = 1;
      break;
    }
    if (SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                          nullptr, ids, size, nullptr)) {
      ++with_ids;
    }
    LocalFree(ids);
  }
  SetupDiDestroyDeviceInfoList(set);
  std::printf("%lu devices, %lu with hardware IDs\n",
              static_cast<unsigned long>(devices),
              static_cast<unsigned long>(with_ids));
  return status;
}
