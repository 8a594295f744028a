#include "support/machine_guard.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace harness {
namespace {

bool IsOne(const char* value) {
  return value != nullptr && std::strcmp(value, "1") == 0;
}

/// Whether this process runs under Wine, whose ntdll exports
/// wine_get_version (unless kAsOnWindowsVariable is 1).
bool RunsUnderWine() {
  if (IsOne(std::getenv(kAsOnWindowsVariable))) return false;
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr &&
         GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

std::string RefusalLine(std::string_view program) {
  return std::string(program) +
         ": nothing run: the suite registers and removes devices, writes INF "
         "files into the system's INF folder and pre-installs drivers into "
         "its driver store, and this machine is not Wine; on a throwaway "
         "machine, set " +
         kMayChangeMachineVariable + "=1 to allow it";
}

bool MayChangeThisMachine(const char* program) {
  if (RunsUnderWine() || IsOne(std::getenv(kMayChangeMachineVariable))) {
    return true;
  }
  const std::string name =
      std::filesystem::path(program == nullptr ? "" : program)
          .filename()
          .string();
  std::printf("%s\n", RefusalLine(name).c_str());
  std::fflush(stdout);
  return false;
}

}  // namespace harness
