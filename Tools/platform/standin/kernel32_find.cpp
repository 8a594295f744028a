// FindFirstFileA and FindClose: the first entry of a folder whose name
// matches a wildcard pattern, ignoring case.
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ascii.h"
#include "host_files.h"
#include "instrument.h"
#include "instrument_format.h"
#include "machine.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kFileAttributeReadOnly = 0x01;
constexpr DWORD kFileAttributeHidden = 0x02;
constexpr DWORD kFileAttributeArchive = 0x20;
// Seconds from 1601-01-01 (FILETIME) to 1970-01-01 (the host's epoch).
constexpr std::uint64_t kEpochDifference = 11644473600ULL;

// An open search; its address is the handle.
struct Search {
  std::string pattern;
};

struct Searches {
  std::mutex mutex;
  std::map<HANDLE, std::unique_ptr<Search>> open;
};

Searches& GetSearches() {
  static Searches* searches = new Searches;  // outlives every caller
  return *searches;
}

// '*' matches any run of characters and '?' one; like Wine, '.' and '*' left
// in the pattern once the name is used up still match ("*." matches all).
bool WildcardMatch(std::string_view name, std::string_view pattern) {
  std::size_t n = 0, p = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || standin::AsciiUpper(pattern[p]) ==
                                         standin::AsciiUpper(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  return pattern.find_first_not_of(".*", p) == std::string_view::npos;
}

FILETIME ToFileTime(std::int64_t seconds, long nanoseconds) {
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(seconds) + kEpochDifference) * 10000000 +
      static_cast<std::uint64_t>(nanoseconds) / 100;
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void Describe(const fs::path& entry, const std::string& name,
              LPWIN32_FIND_DATAA data) {
  std::memset(data, 0, sizeof *data);
  struct stat info;
  if (::stat(entry.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      data->dwFileAttributes = FILE_ATTRIBUTE_DIRECTORY;
    } else {
      data->dwFileAttributes = kFileAttributeArchive;
      const auto size = static_cast<std::uint64_t>(info.st_size);
      data->nFileSizeLow = static_cast<DWORD>(size);
      data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    }
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
      data->dwFileAttributes |= kFileAttributeReadOnly;
    }
    data->ftCreationTime =
        ToFileTime(info.st_ctim.tv_sec, info.st_ctim.tv_nsec);
    data->ftLastAccessTime =
        ToFileTime(info.st_atim.tv_sec, info.st_atim.tv_nsec);
    data->ftLastWriteTime =
        ToFileTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
  }
  // Wine shows the host's dot files as hidden.
  if (name.size() > 1 && name[0] == '.' && name != "..") {
    data->dwFileAttributes |= kFileAttributeHidden;
  }
  const std::size_t length = std::min(name.size(), sizeof data->cFileName - 1);
  std::memcpy(data->cFileName, name.data(), length);
}

// The first name in `folder` that matches, in Windows' order: "." and ".."
// (not at a drive's root), then the entries sorted ignoring case.
std::optional<std::string> FirstMatch(const fs::path& folder,
                                      std::string_view pattern) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end(), standin::LessIgnoringCase);
  if (standin::WindowsPath(folder).size() > 3) {
    names.insert(names.begin(), {".", ".."});
  }
  const auto match = std::find_if(names.begin(), names.end(),
                                  [pattern](const std::string& name) {
                                    return WildcardMatch(name, pattern);
                                  });
  if (match == names.end()) return std::nullopt;
  return *match;
}

HANDLE Fail(DWORD code) {
  SetLastError(code);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  standin::TraceCall("FindFirstFileA",
                     {{"pattern", pattern != nullptr ? pattern : ""}});
  if (standin::FaultDue("FindFirstFileA")) return INVALID_HANDLE_VALUE;
  if (pattern == nullptr || data == nullptr) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  const std::string_view text = pattern;
  if (standin::AnsiPathTooLong(text)) return Fail(ERROR_FILENAME_EXCED_RANGE);
  const std::size_t cut = text.find_last_of("\\/");
  const std::string_view name_pattern = standin::WithoutTrailingDotsAndSpaces(
      cut == std::string_view::npos ? text : text.substr(cut + 1));
  const std::string folder_path = cut == std::string_view::npos
                                      ? "."
                                      : std::string(text.substr(0, cut + 1));
  if (standin::HasWildcards(folder_path)) return Fail(ERROR_INVALID_NAME);
  const fs::path folder = standin::HostPath(folder_path);
  std::error_code error;
  const fs::file_status status = fs::status(folder, error);
  if (folder.empty() || !fs::is_directory(status)) {
    // Wine calls a file used as a folder an invalid name.
    return Fail(fs::exists(status) ? ERROR_INVALID_NAME : ERROR_PATH_NOT_FOUND);
  }
  const std::optional<std::string> match =
      name_pattern.empty() ? std::nullopt : FirstMatch(folder, name_pattern);
  if (!match) return Fail(ERROR_FILE_NOT_FOUND);
  Describe(folder / *match, *match, data);

  auto search = std::make_unique<Search>();
  search->pattern = text;
  const HANDLE handle = search.get();
  Searches& searches = GetSearches();
  {
    std::lock_guard<std::mutex> lock(searches.mutex);
    searches.open.emplace(handle, std::move(search));
  }
  standin::TraceOpen("find", standin::FormatAddress(handle));
  return handle;
}

BOOL FindClose(HANDLE search) {
  Searches& searches = GetSearches();
  {
    std::lock_guard<std::mutex> lock(searches.mutex);
    if (searches.open.erase(search) == 0) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
  }
  standin::TraceClose("find", standin::FormatAddress(search));
  return TRUE;
}
