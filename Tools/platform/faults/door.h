// The test-only door. A test build of a tool (TOOLS_DOOR defined; see
// platform.h) reaches every operating-system operation it calls through the
// function of the same name in namespace door, which passes it straight to
// the real service unless the process's environment says otherwise:
//
//   TOOLS_FAULTS="Operation#n=value,..."  the n-th call of Operation (from 1;
//       0: every call) does not reach the service. A value 0xCODE (or a
//       decimal code) fails it with that last-error code; a word gives an
//       answer no machine can be made to produce on demand:
//         GetCurrentDirectoryA ... =long        the directory does not fit
//         SetupDiGetDriverInfoDetailA =unended  InfFileName has no NUL in
//                                               its MAX_PATH characters
//         SetupDiGetDriverInfoDetailA =inf:PATH InfFileName is PATH
//       (these two let the real call fill the record first). A failed
//       FormatMessageA means "no text for the code". Releasing operations
//       (LocalFree, free, FindClose, the two Destroy calls) release for real
//       and then report the failure.
//   TOOLS_TRACE=<file>  appends one tab-separated line per event:
//       call <Operation> key=value... result=R error=CODE [fault=VALUE]
//       open|close <devinfo|drvlist|find> id=ID
//       alloc <heap|crt> block=ADDRESS bytes=N
//       free <heap|crt> block=ADDRESS
//       with backslash, tab, CR and LF escaped as \\ \t \r \n.
//
// The shipped executables are built without this header or its sources.
#ifndef TOOLS_PLATFORM_FAULTS_DOOR_H_
#define TOOLS_PLATFORM_FAULTS_DOOR_H_

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

namespace door {

HDEVINFO SetupDiGetClassDevsA(const GUID* class_guid, PCSTR enumerator,
                              HWND parent, DWORD flags);
BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device);
BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                       DWORD property, PDWORD type,
                                       PBYTE buffer, DWORD size,
                                       PDWORD required);
BOOL SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO set,
                               PSP_DEVINFO_DATA device);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);
BOOL SetupDiGetDeviceInstallParamsA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                    PSP_DEVINSTALL_PARAMS_A params);
BOOL SetupDiSetDeviceInstallParamsA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                    PSP_DEVINSTALL_PARAMS_A params);
BOOL SetupDiBuildDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device,
                                DWORD type);
BOOL SetupDiEnumDriverInfoA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD type,
                            DWORD index, PSP_DRVINFO_DATA_A driver);
BOOL SetupDiGetDriverInfoDetailA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                 PSP_DRVINFO_DATA_A driver,
                                 PSP_DRVINFO_DETAIL_DATA_A detail, DWORD size,
                                 PDWORD required);
BOOL SetupDiDestroyDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device,
                                  DWORD type);
BOOL SetupCopyOEMInfA(PCSTR source, PCSTR media_location, DWORD media_type,
                      DWORD copy_style, PSTR destination, DWORD size,
                      PDWORD required, PSTR* component);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback,
                               LPSTR buffer, DWORD size, LPCSTR path);
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT fallback,
                           LPCSTR path);
BOOL DeleteFileA(LPCSTR path);
HANDLE FindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA found);
BOOL FindClose(HANDLE search);
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD code, DWORD language,
                     LPSTR buffer, DWORD size, va_list* arguments);
HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL block);
char* _strdup(const char* text);
void free(void* block);

}  // namespace door

#ifndef TOOLS_DOOR_IMPLEMENTATION
#define SetupDiGetClassDevsA door::SetupDiGetClassDevsA
#define SetupDiEnumDeviceInfo door::SetupDiEnumDeviceInfo
#define SetupDiGetDeviceRegistryPropertyA door::SetupDiGetDeviceRegistryPropertyA
#define SetupDiCallClassInstaller door::SetupDiCallClassInstaller
#define SetupDiDestroyDeviceInfoList door::SetupDiDestroyDeviceInfoList
#define SetupDiGetDeviceInstallParamsA door::SetupDiGetDeviceInstallParamsA
#define SetupDiSetDeviceInstallParamsA door::SetupDiSetDeviceInstallParamsA
#define SetupDiBuildDriverInfoList door::SetupDiBuildDriverInfoList
#define SetupDiEnumDriverInfoA door::SetupDiEnumDriverInfoA
#define SetupDiGetDriverInfoDetailA door::SetupDiGetDriverInfoDetailA
#define SetupDiDestroyDriverInfoList door::SetupDiDestroyDriverInfoList
#define SetupCopyOEMInfA door::SetupCopyOEMInfA
#define GetCurrentDirectoryA door::GetCurrentDirectoryA
#define GetPrivateProfileStringA door::GetPrivateProfileStringA
#define GetPrivateProfileIntA door::GetPrivateProfileIntA
#define DeleteFileA door::DeleteFileA
#define FindFirstFileA door::FindFirstFileA
#define FindClose door::FindClose
#define FormatMessageA door::FormatMessageA
#define LocalAlloc door::LocalAlloc
#define LocalFree door::LocalFree
#define _strdup door::_strdup
#define free door::free
#endif

#endif  // TOOLS_PLATFORM_FAULTS_DOOR_H_
