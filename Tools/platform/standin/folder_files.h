// Listing a folder the way Windows' INF searches see it.
#ifndef STANDIN_FOLDER_FILES_H_
#define STANDIN_FOLDER_FILES_H_

#include <filesystem>
#include <vector>

namespace standin {

/// The regular files of a folder (not its subfolders), by name ignoring
/// case; none when the folder cannot be read.
std::vector<std::filesystem::path> FilesByName(
    const std::filesystem::path& folder);

}  // namespace standin

#endif  // STANDIN_FOLDER_FILES_H_
