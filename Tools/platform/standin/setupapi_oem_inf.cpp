// SETUPAPI: OEM INF pre-install. The INF file is copied into C:\windows\inf
// as oemN.inf, Windows' naming (Wine keeps the original name when it is
// free), with a precompiled .pnf beside it; a file already there with the
// same bytes is reused.
#include <standin/win32_api.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <string>
#include <system_error>

#include "ascii.h"
#include "device_set.h"
#include "folder_files.h"
#include "host_files.h"
#include "inf_file.h"
#include "instrument.h"
#include "last_error.h"
#include "machine.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

constexpr char kInfFolder[] = "C:\\windows\\inf";
// Starts the .pnf so that no INF reader mistakes it for an INF file.
constexpr char kPnfHeader[] = "PNF\x01\x00";

// "X:\..." or "X:/...", or a UNC path "\\server\...".
bool IsAbsoluteWindowsPath(std::string_view path) {
  if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
      path[1] == ':' && (path[2] == '\\' || path[2] == '/')) {
    return true;
  }
  return path.substr(0, 2) == "\\\\";
}

// The source's bytes, once they are known to make a Windows 4 INF file.
DWORD ReadSourceInf(std::string_view source, std::string* bytes) {
  if (HasWildcards(source)) return ERROR_INVALID_NAME;
  if (!IsAbsoluteWindowsPath(source)) return ERROR_FILE_NOT_FOUND;
  const DWORD error = ReadWholeFile(HostPath(source), bytes);
  if (error != ERROR_SUCCESS) return error;
  InfFile inf;
  return ParseWin4Inf(*bytes, &inf);
}

// The name of an INF file in the folder with exactly these bytes.
std::optional<std::string> IdenticalInf(const std::vector<fs::path>& files,
                                        const std::string& bytes) {
  for (const fs::path& file : files) {
    if (!EqualIgnoringCase(file.extension().string(), ".inf")) continue;
    std::string existing;
    if (ReadWholeFile(file, &existing) == ERROR_SUCCESS && existing == bytes) {
      return file.filename().string();
    }
  }
  return std::nullopt;
}

// oemN.inf with the lowest N no file of the folder has.
std::string FreeOemName(const std::vector<fs::path>& files) {
  for (int number = 0;; ++number) {
    const std::string name = "oem" + std::to_string(number) + ".inf";
    const bool taken =
        std::any_of(files.begin(), files.end(), [&](const fs::path& file) {
          return EqualIgnoringCase(file.filename().string(), name);
        });
    if (!taken) return name;
  }
}

// Writes a file whole or not at all: write, then rename.
bool WriteAtomically(const fs::path& file, const std::string& bytes) {
  const fs::path temporary =
      file.parent_path() /
      ("." + file.filename().string() + "." + std::to_string(::getpid()));
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      fs::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  fs::rename(temporary, file, error);
  return !error;
}

// Copies the INF (unless an identical one is there) and writes its .pnf.
// Returns the name in the INF folder, or nullopt when it cannot be written.
std::optional<std::string> Install(std::string_view source,
                                   const std::string& bytes) {
  const fs::path folder = HostPath(kInfFolder);
  std::error_code error;
  fs::create_directories(folder, error);
  const std::vector<fs::path> files = FilesByName(folder);
  std::optional<std::string> name = IdenticalInf(files, bytes);
  if (!name) {
    name = FreeOemName(files);
    if (!WriteAtomically(folder / *name, bytes)) return std::nullopt;
  }
  const std::string pnf =
      std::string(kPnfHeader, sizeof kPnfHeader - 1) + std::string(source);
  if (!WriteAtomically(folder / fs::path(*name).replace_extension(".pnf"),
                       pnf)) {
    return std::nullopt;
  }
  return name;
}

}  // namespace
}  // namespace standin

using namespace standin;

BOOL SetupCopyOEMInfA(PCSTR source, PCSTR media_location, DWORD media_type,
                      DWORD copy_style, PSTR destination, DWORD size,
                      PDWORD required, PSTR* component) {
  TraceCall("SetupCopyOEMInfA", {{"source", TextOrNull(source)},
                                 {"media_location", TextOrNull(media_location)},
                                 {"media_type", std::to_string(media_type)},
                                 {"copy_style", std::to_string(copy_style)},
                                 {"destination", GivenOrNull(destination)},
                                 {"size", std::to_string(size)},
                                 {"required", GivenOrNull(required)},
                                 {"component", GivenOrNull(component)}});
  if (FaultDue("SetupCopyOEMInfA")) return FALSE;
  if (source == nullptr || (destination == nullptr && size != 0)) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  std::string bytes;
  const DWORD error = ReadSourceInf(source, &bytes);
  if (error != ERROR_SUCCESS) return Fail(error);
  const std::optional<std::string> name = Install(source, bytes);
  if (!name) return Fail(ERROR_ACCESS_DENIED);
  const std::string folder = std::string(kInfFolder) + "\\";
  const std::string installed = folder + *name;
  const DWORD needed = static_cast<DWORD>(installed.size() + 1);
  if (required != nullptr) *required = needed;
  if (destination != nullptr) {
    // The copy is made even when its name does not fit.
    if (size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::copy(installed.begin(), installed.end(), destination);
    destination[installed.size()] = '\0';
    if (component != nullptr) *component = destination + folder.size();
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}
