// What the KERNEL32 file functions share: the error codes Windows gives for
// paths that cannot be used.
#ifndef STANDIN_HOST_FILES_H_
#define STANDIN_HOST_FILES_H_

#include <standin/win32_api.h>

#include <filesystem>
#include <string_view>

namespace standin {

/// The code for a path that does not exist: ERROR_FILE_NOT_FOUND when its
/// folder exists, ERROR_PATH_NOT_FOUND when it does not (or is a file).
DWORD MissingPathError(const std::filesystem::path& host_path);

/// Whether a Windows path holds the wildcards '*' or '?', which no file name
/// may contain.
bool HasWildcards(std::string_view windows_path);

/// Wine converts an ANSI file name through a buffer of MAX_PATH + 1
/// characters: a longer one fails with ERROR_FILENAME_EXCED_RANGE.
bool AnsiPathTooLong(std::string_view windows_path);

/// A path's last name without the dots and spaces that end it, which Windows
/// drops before it looks: "list.ini." opens list.ini. "." and ".." stay.
std::string_view WithoutTrailingDotsAndSpaces(std::string_view name);

}  // namespace standin

#endif  // STANDIN_HOST_FILES_H_
