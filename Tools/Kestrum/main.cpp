// Kestrum's entry: the command line, the device scan and the removals.
#include "hardware_id_list.h"
#include "kestrum.h"

int nRemoveFile = -1;
int bAccessINI = 0;
char bDevID[kMaxListEntries][kListIdSize];
int bRemoveINF[kMaxListEntries];
DWORD dwDevIDNum = 0;

// How fetching a device's hardware-ID list ended.
enum FetchResult { kFetched, kNoHardwareIds, kFetchFailed };

// Fetches the device's hardware-ID list into a zero-filled local-heap buffer
// exactly as large as the service asks. On kFetched the caller owns *buffer
// (*size bytes); otherwise *buffer is 0.
static FetchResult FetchHardwareIds(HDEVINFO set, SP_DEVINFO_DATA* device,
                                    char** buffer, DWORD* size) {
  DWORD type = 0;
  // Kept apart from *size, so that the walk is bounded by the buffer as
  // allocated, whatever size the service reports with its answer.
  DWORD required = 0;
  *buffer = 0;
  *size = 0;
  for (;;) {
    BOOL fetched = SetupDiGetDeviceRegistryPropertyA(
        set, device, SPDRP_HARDWAREID, &type, (PBYTE)*buffer, *size, &required);
    if (fetched && *buffer != 0) return kFetched;
    // A success without a buffer only tells the size, as a short buffer does.
    DWORD code = fetched ? ERROR_INSUFFICIENT_BUFFER : GetLastError();
    if (*buffer != 0) LocalFree(*buffer);
    *buffer = 0;
    if (code == ERROR_INVALID_DATA) return kNoHardwareIds;
    if (code != ERROR_INSUFFICIENT_BUFFER) {
      SetLastError(code);
      DisplayError("GetDeviceRegistryProperty");
      return kFetchFailed;
    }
    // A short buffer that asks for no more than it was (an empty value, or a
    // device removed meanwhile, answers a required size of 0) would be
    // answered the same way for ever: the device has no usable IDs.
    if (required <= *size) return kNoHardwareIds;
    *size = required;
    *buffer = (char*)LocalAlloc(LPTR, *size);
    if (*buffer == 0) {
      // Asking again without a buffer would only repeat the same answer.
      DisplayError("LocalAlloc");
      return kFetchFailed;
    }
  }
}

// Reports a match and asks for the device's removal, deleting its driver
// files first when delete_files is set. True when the removal succeeded.
static bool RemoveMatchedDevice(HDEVINFO set, SP_DEVINFO_DATA* device,
                                const char* hardware_id, bool delete_files) {
  printf("Found! [%s]\n", hardware_id);
  if (delete_files && !DeleteDriverNodeINF(set, device)) {
    DisplayError("FAIL TO REMOVE SPECIFIED INF & PNF files!");
  }
  if (SetupDiCallClassInstaller(DIF_REMOVE, set, device)) return true;
  DisplayError("CallClassInstaller(REMOVE)");
  return false;
}

// Whether a device's hardware ID is wanted: equal to the wanted ID, or in
// list mode to the first equal list entry. Sets *delete_files to whether the
// driver files go too.
static bool IsWanted(const char* id, const char* wanted_id,
                     bool* delete_files) {
  if (bAccessINI == 0) {
    *delete_files = nRemoveFile == 1;
    return lstrcmpA(id, wanted_id) == 0;
  }
  for (DWORD entry = 0; entry < dwDevIDNum; ++entry) {
    if (lstrcmpA(id, bDevID[entry]) == 0) {
      *delete_files = bRemoveINF[entry] == 1;
      return true;
    }
  }
  return false;
}

// Walks the device's hardware-ID list (size bytes) and removes the device for
// each wanted ID: only the first in single-ID mode, every one in list mode.
// Sets *matched when any ID matched and *removed when a removal succeeded.
static void HandleDevice(HDEVINFO set, SP_DEVINFO_DATA* device, const char* ids,
                         DWORD size, const char* wanted_id, bool* matched,
                         bool* removed) {
  DWORD offset = 0;
  const char* id;
  bool delete_files = false;
  while ((id = NextHardwareId(ids, size, &offset)) != 0) {
    if (!IsWanted(id, wanted_id, &delete_files)) continue;
    *matched = true;
    if (RemoveMatchedDevice(set, device, id, delete_files)) *removed = true;
    if (bAccessINI == 0) return;
  }
}

// Removes every device that reports a wanted hardware ID. Returns the exit
// status: 0 when every matched device was removed, 1 otherwise or on a fatal
// failure.
static int ScanDevices(const char* wanted_id) {
  HDEVINFO set = SetupDiGetClassDevsA(0, 0, 0, DIGCF_ALLCLASSES);
  if (set == INVALID_HANDLE_VALUE) {
    DisplayError("GetClassDevs(All Devices)");
    return 1;
  }
  SP_DEVINFO_DATA device;
  device.cbSize = sizeof device;
  bool removal_failed = false;
  DWORD index;
  for (index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    char* ids = 0;
    DWORD size = 0;
    FetchResult fetched = FetchHardwareIds(set, &device, &ids, &size);
    if (fetched == kFetchFailed) {
      SetupDiDestroyDeviceInfoList(set);
      return 1;
    }
    if (fetched == kNoHardwareIds) continue;
    bool matched = false;
    bool removed = false;
    HandleDevice(set, &device, ids, size, wanted_id, &matched, &removed);
    if (matched && !removed) removal_failed = true;
    LocalFree(ids);
  }
  DWORD code = GetLastError();
  bool enumeration_failed = code != 0 && code != ERROR_NO_MORE_ITEMS;
  if (enumeration_failed) DisplayError("EnumDeviceInfo");
  SetupDiDestroyDeviceInfoList(set);
  return enumeration_failed || removal_failed ? 1 : 0;
}

int main(int argc, char** argv) {
  if (argc < 3) {
    printf("usage: kestrum <Y|N> <Hardware_ID>\n");
    return 1;
  }
  nRemoveFile = -1;
  switch (argv[1][0]) {
    case 'Y':
    case 'y':
      if (argv[1][1] != '\0') return 1;
      nRemoveFile = 1;
      break;
    case 'N':
    case 'n':
      if (argv[1][1] != '\0') return 1;
      nRemoveFile = 0;
      break;
    case 'F':
    case 'f':
      if (!ReadRemovalList(argv[2])) return 1;
      bAccessINI = 1;
      nRemoveFile = 2;
      break;
    default:
      printf("usage: remove <Y|N|F> <Hardware_ID|INI file>\n");
      return 1;
  }
  // Only the wanted ID is upper-cased; devices' IDs are compared as reported.
  char* wanted_id = _strdup(argv[2]);
  if (wanted_id == 0) {
    printf("Out of memory.\n");
    return 1;
  }
  _strupr(wanted_id);
  int status = ScanDevices(wanted_id);
  free(wanted_id);
  return status;
}
