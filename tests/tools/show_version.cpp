// Prints the Windows version this program is shown, as GetVersionExA gives it:
// "<major>.<minor> platform <id>". Copied under a tool's file name, it shows
// what Wine tells that tool.
#include <windows.h>

#include <cstdio>

int main() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) {
    std::fprintf(stderr, "GetVersionExA: error %lu\n", GetLastError());
    return 1;
  }
  std::printf("%lu.%lu platform %lu\n", info.dwMajorVersion,
              info.dwMinorVersion, info.dwPlatformId);
  return 0;
}
