// The test-only door. The build forces this header into every source of a
// tool's door variant (-include, before the tool's own headers), so that each
// operating-system operation the tool calls reaches the function of the same
// name in namespace door, which passes it straight to the real service unless
// the process's environment says otherwise:
//
//   TOOLS_FAULTS="Operation#n=value,..."  the n-th call of Operation (from 1;
//       0: every call) does not reach the service. A value 0xCODE (or a
//       decimal code) fails it with that last-error code; a word gives an
//       answer no machine can be made to produce on demand:
//         GetCurrentDirectoryA#n=long  the directory does not fit the buffer
//         SetupDiGetDriverInfoDetailA#n=unended  InfFileName has no NUL in
//             its MAX_PATH characters
//         SetupDiGetDriverInfoDetailA#n=inf:PATH  InfFileName is PATH
//       (the last two after the real call has filled the record). A failed
//       FormatMessageA means "no text for the code". Releasing operations
//       (LocalFree, FindClose, the two Destroy calls) release for real and
//       then report the failure; free releases and reports nothing.
//   TOOLS_TRACE=<file>  appends one tab-separated line per event:
//       call <Operation> key=value... result=R error=CODE [fault=VALUE]
//       open|close <devinfo|find> id=HANDLE
//       open|close drvlist id=SET device=DEVINST
//       alloc <heap|crt> block=ADDRESS bytes=N
//       free <heap|crt> block=ADDRESS
//       with backslash, tab, CR and LF escaped as \\ \t \r \n.
//
// The shipped executables are built without this header or its sources, and
// their sources never name it.
#ifndef TESTS_DOOR_DOOR_H_
#define TESTS_DOOR_DOOR_H_

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on
// Every C header the tools include, before the names below are taken over.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Each operation with the very type of the real one.
namespace door {
decltype(::SetupDiGetClassDevsA) SetupDiGetClassDevsA;
decltype(::SetupDiEnumDeviceInfo) SetupDiEnumDeviceInfo;
decltype(::SetupDiGetDeviceRegistryPropertyA) SetupDiGetDeviceRegistryPropertyA;
decltype(::SetupDiCallClassInstaller) SetupDiCallClassInstaller;
decltype(::SetupDiDestroyDeviceInfoList) SetupDiDestroyDeviceInfoList;
decltype(::SetupDiGetDeviceInstallParamsA) SetupDiGetDeviceInstallParamsA;
decltype(::SetupDiSetDeviceInstallParamsA) SetupDiSetDeviceInstallParamsA;
decltype(::SetupDiBuildDriverInfoList) SetupDiBuildDriverInfoList;
decltype(::SetupDiEnumDriverInfoA) SetupDiEnumDriverInfoA;
decltype(::SetupDiGetDriverInfoDetailA) SetupDiGetDriverInfoDetailA;
decltype(::SetupDiDestroyDriverInfoList) SetupDiDestroyDriverInfoList;
decltype(::SetupCopyOEMInfA) SetupCopyOEMInfA;
decltype(::GetCurrentDirectoryA) GetCurrentDirectoryA;
decltype(::GetPrivateProfileStringA) GetPrivateProfileStringA;
decltype(::GetPrivateProfileIntA) GetPrivateProfileIntA;
decltype(::DeleteFileA) DeleteFileA;
decltype(::FindFirstFileA) FindFirstFileA;
decltype(::FindClose) FindClose;
decltype(::FormatMessageA) FormatMessageA;
decltype(::LocalAlloc) LocalAlloc;
decltype(::LocalFree) LocalFree;
decltype(::_strdup) _strdup;
decltype(::free) free;
}  // namespace door

#ifndef TOOLS_DOOR_IMPLEMENTATION
#define SetupDiGetClassDevsA door::SetupDiGetClassDevsA
#define SetupDiEnumDeviceInfo door::SetupDiEnumDeviceInfo
#define SetupDiGetDeviceRegistryPropertyA \
  door::SetupDiGetDeviceRegistryPropertyA
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

#endif  // TESTS_DOOR_DOOR_H_
