// GetPrivateProfileStringA and GetPrivateProfileIntA: INI files read as Wine
// reads them (profile_text.h), from the machine's drives.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "host_files.h"
#include "instrument.h"
#include "machine.h"
#include "profile_text.h"

namespace {

namespace fs = std::filesystem;

// Wine makes the full path in a buffer of MAX_PATH characters: a longer one
// opens nothing, though the file may exist.
constexpr std::size_t kMaxProfilePath = MAX_PATH - 1;

// Wine reads an integer through a 30-character buffer.
constexpr std::size_t kIntBufferSize = 30;

// The file as GetPrivateProfileString sees it. A file missing from a folder
// that exists is open but empty (Wine keeps it for a later write); then, as
// for a file that exists, the default is copied by the rules for values.
struct OpenedProfile {
  bool open = false;
  standin::Profile profile;
};

OpenedProfile OpenProfile(std::string_view file, const char* operation) {
  if (standin::FaultDue(operation)) return {};
  if (standin::HasWildcards(file)) {
    SetLastError(ERROR_INVALID_NAME);
    return {};
  }
  // A bare file name is looked for in the Windows folder.
  const std::string windows_path =
      file.find_first_of("\\/") == std::string_view::npos
          ? "C:\\windows\\" + std::string(file)
          : std::string(file);
  if (windows_path.size() > kMaxProfilePath) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return {};
  }
  const fs::path path = standin::HostPath(windows_path);
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (path.empty() || fs::is_directory(status)) {
    SetLastError(path.empty() ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    return {};
  }
  if (!fs::exists(status)) {
    const DWORD missing = standin::MissingPathError(path);
    SetLastError(missing);
    return {missing == ERROR_FILE_NOT_FOUND, {}};
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    SetLastError(ERROR_ACCESS_DENIED);
    return {};
  }
  const std::string bytes{std::istreambuf_iterator<char>(in),
                          std::istreambuf_iterator<char>()};
  SetLastError(ERROR_SUCCESS);
  return {true, standin::ParseProfile(standin::DecodeProfileBytes(bytes))};
}

// The text a buffer of `size` (> 0) characters receives.
std::string ReadProfileString(const char* section, const char* key,
                              const char* default_text, std::size_t size,
                              const char* file, const char* operation) {
  // Trailing spaces of the default go, but never its first character.
  std::string_view fallback = default_text != nullptr ? default_text : "";
  while (fallback.size() > 1 && fallback.back() == ' ')
    fallback.remove_suffix(1);
  // As on Windows, no file name means win.ini.
  const OpenedProfile opened =
      OpenProfile(file != nullptr ? file : "win.ini", operation);
  if (!opened.open) return std::string(fallback.substr(0, size - 1));
  // Without a section or key Windows lists names; the stand-in, which the
  // tools never ask that, gives the default.
  const std::string* value =
      section != nullptr && key != nullptr
          ? standin::FindProfileValue(opened.profile, section, key)
          : nullptr;
  return standin::CopyProfileEntry(value != nullptr ? *value : fallback, size);
}

std::string TraceText(const char* text) {
  return text != nullptr ? text : "(null)";
}

}  // namespace

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR default_text,
                               LPSTR buffer, DWORD size, LPCSTR file) {
  standin::TraceCall("GetPrivateProfileStringA",
                     {{"section", TraceText(section)},
                      {"key", TraceText(key)},
                      {"size", std::to_string(size)},
                      {"file", TraceText(file)}});
  if (buffer == nullptr || size == 0) return 0;
  const std::string text = ReadProfileString(section, key, default_text, size,
                                             file, "GetPrivateProfileStringA");
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int default_value,
                           LPCSTR file) {
  standin::TraceCall("GetPrivateProfileIntA", {{"section", TraceText(section)},
                                               {"key", TraceText(key)},
                                               {"file", TraceText(file)}});
  const std::string text = ReadProfileString(section, key, "", kIntBufferSize,
                                             file, "GetPrivateProfileIntA");
  // An empty value reads as the default too.
  if (text.empty()) return static_cast<UINT>(default_value);
  return standin::ParseProfileInt(text);
}
