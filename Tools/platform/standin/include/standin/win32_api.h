// The part of the Windows API that the tools and their tests use, declared for
// hosts without Windows. Names, constants and record layouts are those of the
// 32-bit Windows headers, so record sizes are the same on every platform.
#ifndef STANDIN_WIN32_API_H_
#define STANDIN_WIN32_API_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define WINAPI
#define CONST const

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef std::uint32_t DWORD;
typedef std::uint64_t DWORDLONG;
typedef std::int32_t LONG;
typedef unsigned int UINT;
typedef char CHAR;
typedef CHAR* LPSTR;
typedef CHAR* PSTR;
typedef const CHAR* LPCSTR;
typedef const CHAR* PCSTR;
typedef BYTE* PBYTE;
typedef DWORD* PDWORD;
typedef DWORD* LPDWORD;
typedef void* HANDLE;
typedef HANDLE HLOCAL;
typedef HANDLE HDEVINFO;
// Window handles and the pointer-sized record fields that the tools never touch
// are 32-bit here, as in the 32-bit records the tools are built against.
typedef DWORD HWND;
typedef DWORD ULONG_PTR32;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_INVALID_DATA 13
#define ERROR_NO_MORE_FILES 18
#define ERROR_GEN_FAILURE 31
#define ERROR_INVALID_PARAMETER 87
#define ERROR_CALL_NOT_IMPLEMENTED 120
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_INVALID_NAME 123
#define ERROR_FILENAME_EXCED_RANGE 206
#define ERROR_NO_MORE_ITEMS 259
#define ERROR_MR_MID_NOT_FOUND 317
#define ERROR_FILE_INVALID 1006
#define ERROR_KEY_DELETED 1018
#define ERROR_INVALID_USER_BUFFER 1784
#define ERROR_EXPECTED_SECTION_NAME 0xE0000000
#define ERROR_BAD_SECTION_NAME_LINE 0xE0000001
#define ERROR_WRONG_INF_STYLE 0xE0000100
#define ERROR_SECTION_NOT_FOUND 0xE0000101
#define ERROR_CLASS_MISMATCH 0xE0000201
#define ERROR_INVALID_DEVINST_NAME 0xE0000205
#define ERROR_INVALID_CLASS 0xE0000206
#define ERROR_DEVINST_ALREADY_EXISTS 0xE0000207
#define ERROR_INVALID_REG_PROPERTY 0xE0000209
#define ERROR_NO_SUCH_DEVINST 0xE000020B
#define ERROR_DI_DO_DEFAULT 0xE000020E

#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((static_cast<WORD>(s) << 10) | static_cast<WORD>(p))

#define REG_SZ 1
#define REG_BINARY 3
#define REG_MULTI_SZ 7

#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080

#define DIGCF_DEFAULT 0x00000001
#define DIGCF_PRESENT 0x00000002
#define DIGCF_ALLCLASSES 0x00000004
#define DIGCF_PROFILE 0x00000008
#define DIGCF_DEVICEINTERFACE 0x00000010

#define SPDRP_DEVICEDESC 0x00000000
#define SPDRP_HARDWAREID 0x00000001
#define SPDRP_COMPATIBLEIDS 0x00000002
#define SPDRP_CLASS 0x00000007
#define SPDRP_CLASSGUID 0x00000008
#define SPDRP_MAXIMUM_PROPERTY 0x00000024

#define DIF_REMOVE 0x00000005
#define DIF_REGISTERDEVICE 0x00000019
#define DICD_GENERATE_ID 0x00000001
#define SPDIT_NODRIVER 0x00000000
#define SPDIT_CLASSDRIVER 0x00000001
#define SPDIT_COMPATDRIVER 0x00000002
#define DI_FLAGSEX_ALLOWEXCLUDEDDRVS 0x00000800
#define SPOST_NONE 0
#define SPOST_PATH 1
#define SPOST_URL 2
#define LINE_LEN 256
#define MAX_DEVICE_ID_LEN 200

#pragma pack(push, 1)

typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID;

typedef struct _FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
} FILETIME;

typedef struct _WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
} WIN32_FIND_DATAA, *LPWIN32_FIND_DATAA;

typedef struct _SP_DEVINFO_DATA {
  DWORD cbSize;
  GUID ClassGuid;
  DWORD DevInst;
  ULONG_PTR32 Reserved;
} SP_DEVINFO_DATA, *PSP_DEVINFO_DATA;

typedef struct _SP_DEVINSTALL_PARAMS_A {
  DWORD cbSize;
  DWORD Flags;
  DWORD FlagsEx;
  HWND hwndParent;
  ULONG_PTR32 InstallMsgHandler;
  ULONG_PTR32 InstallMsgHandlerContext;
  ULONG_PTR32 FileQueue;
  ULONG_PTR32 ClassInstallReserved;
  DWORD Reserved;
  CHAR DriverPath[MAX_PATH];
} SP_DEVINSTALL_PARAMS_A, *PSP_DEVINSTALL_PARAMS_A;

typedef struct _SP_DRVINFO_DATA_V1_A {
  DWORD cbSize;
  DWORD DriverType;
  ULONG_PTR32 Reserved;
  CHAR Description[LINE_LEN];
  CHAR MfgName[LINE_LEN];
  CHAR ProviderName[LINE_LEN];
} SP_DRVINFO_DATA_V1_A, *PSP_DRVINFO_DATA_V1_A;

typedef struct _SP_DRVINFO_DATA_V2_A {
  DWORD cbSize;
  DWORD DriverType;
  ULONG_PTR32 Reserved;
  CHAR Description[LINE_LEN];
  CHAR MfgName[LINE_LEN];
  CHAR ProviderName[LINE_LEN];
  FILETIME DriverDate;
  DWORDLONG DriverVersion;
} SP_DRVINFO_DATA_V2_A, *PSP_DRVINFO_DATA_V2_A;

typedef SP_DRVINFO_DATA_V2_A SP_DRVINFO_DATA_A;
typedef PSP_DRVINFO_DATA_V2_A PSP_DRVINFO_DATA_A;

typedef struct _SP_DRVINFO_DETAIL_DATA_A {
  DWORD cbSize;
  FILETIME InfDate;
  DWORD CompatIDsOffset;
  DWORD CompatIDsLength;
  ULONG_PTR32 Reserved;
  CHAR SectionName[LINE_LEN];
  CHAR InfFileName[MAX_PATH];
  CHAR DrvDescription[LINE_LEN];
  CHAR HardwareID[1];
} SP_DRVINFO_DETAIL_DATA_A, *PSP_DRVINFO_DETAIL_DATA_A;

#pragma pack(pop)

// KERNEL32: last-error code.
DWORD GetLastError();
void SetLastError(DWORD code);

// KERNEL32: local heap. Blocks are fixed; LPTR zero-fills.
HLOCAL LocalAlloc(UINT flags, std::size_t bytes);
HLOCAL LocalFree(HLOCAL block);

// KERNEL32: messages. Only FORMAT_MESSAGE_FROM_SYSTEM with
// FORMAT_MESSAGE_ALLOCATE_BUFFER is supported; `buffer` then receives a LPSTR*.
DWORD FormatMessageA(DWORD flags, const void* source, DWORD code,
                     DWORD language, LPSTR buffer, DWORD size, void* arguments);

// KERNEL32: files and directories (Windows paths: C:\ is the machine's drive,
// Z:\ the host's root).
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL DeleteFileA(LPCSTR path);
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL FindClose(HANDLE search);

// KERNEL32: INI files.
DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR default_text,
                               LPSTR buffer, DWORD size, LPCSTR file);
UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int default_value,
                           LPCSTR file);

// KERNEL32: ANSI strings. None of them tests a bound.
int lstrcmpA(LPCSTR a, LPCSTR b);
LPSTR lstrcpyA(LPSTR to, LPCSTR from);
LPSTR lstrcatA(LPSTR to, LPCSTR from);
int lstrlenA(LPCSTR text);

// MSVCRT helpers that a C library outside Windows lacks.
char* _strdup(const char* text);
char* _strupr(char* text);

// SETUPAPI: device information sets.
HDEVINFO SetupDiGetClassDevsA(const GUID* class_guid, PCSTR enumerator,
                              HWND parent, DWORD flags);
HDEVINFO SetupDiCreateDeviceInfoList(const GUID* class_guid, HWND parent);
BOOL SetupDiDestroyDeviceInfoList(HDEVINFO set);
BOOL SetupDiEnumDeviceInfo(HDEVINFO set, DWORD index, PSP_DEVINFO_DATA device);
BOOL SetupDiCreateDeviceInfoA(HDEVINFO set, PCSTR name, const GUID* class_guid,
                              PCSTR description, HWND parent, DWORD flags,
                              PSP_DEVINFO_DATA device);
BOOL SetupDiRegisterDeviceInfo(HDEVINFO set, PSP_DEVINFO_DATA device,
                               DWORD flags, void* compare, void* context,
                               PSP_DEVINFO_DATA duplicate);
BOOL SetupDiGetDeviceInstanceIdA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                 PSTR buffer, DWORD size, PDWORD required);

// SETUPAPI: device properties.
BOOL SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                       DWORD property, PDWORD type,
                                       PBYTE buffer, DWORD size,
                                       PDWORD required);
BOOL SetupDiSetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                       DWORD property, const BYTE* buffer,
                                       DWORD size);

// SETUPAPI: installer functions.
BOOL SetupDiCallClassInstaller(DWORD function, HDEVINFO set,
                               PSP_DEVINFO_DATA device);
BOOL SetupDiGetDeviceInstallParamsA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                    PSP_DEVINSTALL_PARAMS_A params);
BOOL SetupDiSetDeviceInstallParamsA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                    PSP_DEVINSTALL_PARAMS_A params);

// SETUPAPI: driver lists.
BOOL SetupDiBuildDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device,
                                DWORD driver_type);
BOOL SetupDiEnumDriverInfoA(HDEVINFO set, PSP_DEVINFO_DATA device,
                            DWORD driver_type, DWORD index,
                            PSP_DRVINFO_DATA_A driver);
BOOL SetupDiGetDriverInfoDetailA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                 PSP_DRVINFO_DATA_A driver,
                                 PSP_DRVINFO_DETAIL_DATA_A detail, DWORD size,
                                 PDWORD required);
BOOL SetupDiDestroyDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device,
                                  DWORD driver_type);

// SETUPAPI: OEM INF pre-install.
BOOL SetupCopyOEMInfA(PCSTR source, PCSTR media_location, DWORD media_type,
                      DWORD copy_style, PSTR destination, DWORD size,
                      PDWORD required, PSTR* component);

#endif  // STANDIN_WIN32_API_H_
