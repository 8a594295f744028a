// The compatible-driver search: the INF files of the driver folders, their
// [Manufacturer] and model sections, matched against a device's IDs.
#ifndef STANDIN_DRIVER_SEARCH_H_
#define STANDIN_DRIVER_SEARCH_H_

#include <standin/win32_api.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

/// One compatible driver: a model line that names one of the device's IDs.
struct DriverNode {
  DWORD key = 0;  ///< SP_DRVINFO_DATA.Reserved: names the node in its list
  std::string description;
  std::string manufacturer;
  std::string section;
  std::string inf_file_name;  ///< the path InfFileName reports
  std::filesystem::path inf_host_path;
  std::vector<std::string> ids;  ///< the hardware ID, then compatible IDs
};

/// A folder to search, and the folder part InfFileName reports for it.
struct DriverFolder {
  std::string windows_path;
  std::string reported_path;
};

/// The folders a search reads: only `driver_path` (the install parameters'
/// DriverPath) when set, as Wine does; otherwise the machine's folders.
std::vector<DriverFolder> DriverSearchFolders(
    std::string_view driver_path,
    const std::vector<std::string>& machine_folders);

/// The compatible drivers for a device with these IDs, in Wine's order:
/// folders in turn, every file of a folder (not subfolders) by name ignoring
/// case, then [Manufacturer] lines and model lines in file order. Files that
/// are not Windows 4 INF files are passed over; nothing is ranked or merged.
std::vector<DriverNode> FindCompatibleDrivers(
    const std::vector<std::string>& device_ids,
    const std::vector<DriverFolder>& folders);

/// The strings of a REG_MULTI_SZ value up to its first empty string, never
/// reading past its end.
std::vector<std::string> SplitMultiString(std::string_view bytes);

}  // namespace standin

#endif  // STANDIN_DRIVER_SEARCH_H_
