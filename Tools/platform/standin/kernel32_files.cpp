// GetCurrentDirectoryA and DeleteFileA on the machine's drives.
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "host_files.h"
#include "instrument.h"
#include "last_error.h"
#include "machine.h"

namespace fs = std::filesystem;

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  standin::TraceCall("GetCurrentDirectoryA", {{"size", std::to_string(size)}});
  if (standin::FaultDue("GetCurrentDirectoryA")) return 0;
  std::error_code error;
  const fs::path current = fs::current_path(error);
  if (error) {  // the folder was removed under the process
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const std::string directory = standin::WindowsPath(current);
  const auto length = static_cast<DWORD>(directory.size());
  // Too small a buffer is left untouched; the answer then counts the NUL.
  if (buffer == nullptr || size <= length) return length + 1;
  std::memcpy(buffer, directory.c_str(), directory.size() + 1);
  return length;
}

BOOL DeleteFileA(LPCSTR path) {
  standin::TraceCall("DeleteFileA", {{"path", path != nullptr ? path : ""}});
  if (standin::FaultDue("DeleteFileA")) return FALSE;
  if (path == nullptr) return standin::Fail(ERROR_PATH_NOT_FOUND);
  if (standin::AnsiPathTooLong(path)) {
    return standin::Fail(ERROR_FILENAME_EXCED_RANGE);
  }
  if (standin::HasWildcards(path)) return standin::Fail(ERROR_INVALID_NAME);
  const fs::path file = standin::HostPath(path);
  struct stat info;
  if (file.empty() || ::stat(file.c_str(), &info) != 0) {
    return standin::Fail(file.empty() ? ERROR_PATH_NOT_FOUND
                                      : standin::MissingPathError(file));
  }
  // A folder cannot be deleted as a file, nor can a read-only file (Wine
  // shows a file nobody may write as read-only).
  const bool read_only = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  std::error_code error;
  if (S_ISDIR(info.st_mode) || read_only || !fs::remove(file, error)) {
    return standin::Fail(ERROR_ACCESS_DENIED);
  }
  return TRUE;
}
