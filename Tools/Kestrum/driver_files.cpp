// Deleting the INF and PNF files of a device's compatible drivers.
#include "kestrum.h"
#include "pnf_path.h"

// Any InfFileName with ".pnf" appended, and the NUL.
const int kPnfPathSize = MAX_PATH + 4;

// Deletes an INF file and its PNF file; neither result matters, both lines
// are printed.
static void DeleteDriverFiles(const char* inf_path) {
  char pnf_path[kPnfPathSize];
  memset(pnf_path, 0, sizeof pnf_path);
  // An INF path ended within MAX_PATH always fits with its new extension.
  if (!MakePnfPath(inf_path, pnf_path, sizeof pnf_path)) return;
  DeleteFileA(inf_path);
  printf("Deleted INF file: %s\n", inf_path);
  DeleteFileA(pnf_path);
  printf("Deleted PNF file: %s\n", pnf_path);
}

bool DeleteDriverNodeINF(HDEVINFO set, SP_DEVINFO_DATA* device) {
  SP_DEVINSTALL_PARAMS_A params;
  SP_DRVINFO_DATA_V1_A driver;
  SP_DRVINFO_DETAIL_DATA_A detail;
  bool found = false;

  memset(&params, 0, sizeof params);
  memset(&driver, 0, sizeof driver);
  params.cbSize = sizeof params;
  driver.cbSize = sizeof driver;
  if (!SetupDiGetDeviceInstallParamsA(set, device, &params)) return false;
  // List drivers marked as excluded from selection too.
  params.FlagsEx |= DI_FLAGSEX_ALLOWEXCLUDEDDRVS;
  if (!SetupDiSetDeviceInstallParamsA(set, device, &params)) return false;
  if (!SetupDiBuildDriverInfoList(set, device, SPDIT_COMPATDRIVER))
    return false;

  for (DWORD index = 0; SetupDiEnumDriverInfoA(
           set, device, SPDIT_COMPATDRIVER, index, (PSP_DRVINFO_DATA_A)&driver);
       ++index) {
    found = true;
    detail.cbSize = sizeof detail;
    // Only the variable tail may not fit; InfFileName is filled either way.
    if (SetupDiGetDriverInfoDetailA(set, device, (PSP_DRVINFO_DATA_A)&driver,
                                    &detail, sizeof detail, 0) ||
        GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
      // A name the field does not end is no path of a file: cutting it would
      // name, and delete, another file.
      if (memchr(detail.InfFileName, '\0', sizeof detail.InfFileName) != 0) {
        DeleteDriverFiles(detail.InfFileName);
      }
    }
  }
  DWORD code = GetLastError();
  if (code != 0 && code != ERROR_NO_MORE_ITEMS) {
    DisplayError("SetupDiEnumDriverInfo");
  }
  SetupDiDestroyDriverInfoList(set, device, SPDIT_COMPATDRIVER);
  // The caller reports why no driver was found; destroying the list must not
  // change that code.
  SetLastError(code);
  return found;
}
