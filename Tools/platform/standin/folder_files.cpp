#include "folder_files.h"

#include <algorithm>
#include <system_error>

#include "ascii.h"

namespace standin {

std::vector<std::filesystem::path> FilesByName(
    const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    std::error_code ignored;
    if (it->is_regular_file(ignored)) files.push_back(it->path());
  }
  std::sort(
      files.begin(), files.end(), [](const fs::path& a, const fs::path& b) {
        return LessIgnoringCase(a.filename().string(), b.filename().string());
      });
  return files;
}

}  // namespace standin
