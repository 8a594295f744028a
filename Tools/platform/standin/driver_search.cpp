#include "driver_search.h"

#include <algorithm>
#include <system_error>

#include "ascii.h"
#include "folder_files.h"
#include "inf_file.h"
#include "machine.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

// Wine reports files of its own INF folder under this odd spelling.
constexpr std::string_view kWindowsInf = "C:\\windows\\inf";
constexpr std::string_view kWindowsInfReported = "C:/windows/inf";

// Wine keeps a [Manufacturer] line whose decorations include one whose
// platform part (up to the first '.') is a prefix of "NTx86", ignoring case,
// versions being ignored.
bool FitsThisPlatform(std::string_view decoration) {
  constexpr std::string_view kPlatform = "NTx86";
  const std::string_view platform = decoration.substr(0, decoration.find('.'));
  return platform.size() <= kPlatform.size() &&
         EqualIgnoringCase(platform, kPlatform.substr(0, platform.size()));
}

// The models section a 32-bit program reads: .NTx86, else .NT, else the
// undecorated one (SetupDiGetActualSectionToInstall).
std::string ModelsSection(const InfFile& inf, const std::string& name) {
  for (const char* suffix : {".NTx86", ".NT"}) {
    if (inf.HasSection(name + suffix)) return name + suffix;
  }
  return name;
}

bool MatchesAny(const std::string& id, const std::vector<std::string>& ids) {
  return std::any_of(ids.begin(), ids.end(), [&](const std::string& other) {
    return EqualIgnoringCase(id, other);
  });
}

// The model lines of one INF file that name one of `device_ids`.
void AddDriversOfFile(const InfFile& inf,
                      const std::vector<std::string>& device_ids,
                      const DriverNode& file_node,
                      std::vector<DriverNode>* drivers) {
  for (const InfLine& maker : inf.Lines("Manufacturer")) {
    const std::string manufacturer = inf.Field(maker, 0).value_or("");
    const std::string models = inf.Field(maker, 1).value_or(manufacturer);
    if (maker.fields.size() >= 2) {
      bool fits = false;
      for (std::size_t i = 2; !fits && i <= maker.fields.size(); ++i) {
        fits = FitsThisPlatform(inf.Field(maker, i).value_or(""));
      }
      if (!fits) continue;
    }
    for (const InfLine& model : inf.Lines(ModelsSection(inf, models))) {
      std::vector<std::string> ids;
      for (std::size_t i = 2; i <= model.fields.size(); ++i) {
        ids.push_back(inf.Field(model, i).value_or(""));
      }
      const bool matches = std::any_of(
          ids.begin(), ids.end(),
          [&](const std::string& id) { return MatchesAny(id, device_ids); });
      if (!matches) continue;
      DriverNode node = file_node;
      node.description = inf.Field(model, 0).value_or("");
      node.manufacturer = manufacturer;
      node.section = inf.Field(model, 1).value_or("");
      node.ids = std::move(ids);
      drivers->push_back(std::move(node));
    }
  }
}

}  // namespace

std::vector<DriverFolder> DriverSearchFolders(
    std::string_view driver_path,
    const std::vector<std::string>& machine_folders) {
  if (!driver_path.empty()) {
    return {{std::string(driver_path), std::string(driver_path)}};
  }
  std::vector<DriverFolder> folders;
  for (const std::string& folder : machine_folders) {
    folders.push_back({folder, EqualIgnoringCase(folder, kWindowsInf)
                                   ? std::string(kWindowsInfReported)
                                   : folder});
  }
  return folders;
}

std::vector<DriverNode> FindCompatibleDrivers(
    const std::vector<std::string>& device_ids,
    const std::vector<DriverFolder>& folders) {
  std::vector<DriverNode> drivers;
  if (device_ids.empty()) return drivers;
  for (const DriverFolder& folder : folders) {
    for (const fs::path& file : FilesByName(HostPath(folder.windows_path))) {
      InfFile inf;
      if (LoadInf(file, &inf) != ERROR_SUCCESS) continue;
      DriverNode file_node;
      file_node.inf_file_name =
          folder.reported_path + "\\" + file.filename().string();
      file_node.inf_host_path = file;
      AddDriversOfFile(inf, device_ids, file_node, &drivers);
    }
  }
  return drivers;
}

std::vector<std::string> SplitMultiString(std::string_view bytes) {
  std::vector<std::string> strings;
  std::size_t start = 0;
  while (start < bytes.size() && bytes[start] != '\0') {
    std::size_t end = bytes.find('\0', start);
    if (end == std::string_view::npos) end = bytes.size();
    strings.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  return strings;
}

}  // namespace standin
