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

bool AnsiPathTooLong(std::string_view windows_path) {
  return windows_path.size() > MAX_PATH;
}

std::string_view WithoutTrailingDotsAndSpaces(std::string_view name) {
  if (name == "." || name == "..") return name;
  const std::size_t kept = name.find_last_not_of(". ");
  return kept == std::string_view::npos ? std::string_view()
                                        : name.substr(0, kept + 1);
}

}  // namespace standin
