#include "host_files.h"

namespace standin {

DWORD MissingPathError(const std::filesystem::path& host_path) {
  std::error_code error;
  return std::filesystem::is_directory(host_path.parent_path(), error)
             ? ERROR_FILE_NOT_FOUND
             : ERROR_PATH_NOT_FOUND;
}

bool HasWildcards(std::string_view windows_path) {
  return windows_path.find_first_of("*?") != std::string_view::npos;
}

}  // namespace standin
