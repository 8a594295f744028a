// Windows paths on the host: C:\ is the machine's drive_c, Z:\ the host's
// root, as in a Wine prefix.
#include <string>
#include <vector>

#include "ascii.h"
#include "host_files.h"
#include "machine.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDriveLetter(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') ||
          (path[0] >= 'a' && path[0] <= 'z'));
}

// The names of a path after "." and ".." are applied, as Windows does before
// it looks at the disk; ".." never climbs above the drive's root.
std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start < path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::string_view name = path.substr(start, end - start);
    if (end == path.size()) name = WithoutTrailingDotsAndSpaces(name);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.emplace_back(name);
    }
    start = end + 1;
  }
  return names;
}

// The entry of `folder` that Windows would open for `name`: the exact name if
// there is one, else the first that differs only in case; `name` itself when
// none exists.
std::string MatchEntry(const fs::path& folder, const std::string& name) {
  std::error_code error;
  if (fs::exists(fs::symlink_status(folder / name, error))) return name;
  std::string match;
  for (fs::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    std::string entry = it->path().filename().string();
    if (EqualIgnoringCase(entry, name) &&
        (match.empty() || LessIgnoringCase(entry, match))) {
      match = std::move(entry);
    }
  }
  return match.empty() ? name : match;
}

fs::path Resolve(const fs::path& root, std::string_view rest) {
  fs::path result = root;
  bool searchable = true;  // `result` is an existing folder
  for (const std::string& name : Components(rest)) {
    result /= searchable ? MatchEntry(result, name) : name;
    std::error_code error;
    searchable = searchable && fs::is_directory(result, error);
  }
  return result;
}

// The host folder of a drive letter; empty for drives the machine lacks.
fs::path DriveRoot(char letter) {
  switch (AsciiUpper(letter)) {
    case 'C':
      EnsureMachine();
      return MachineDir() / "drive_c";
    case 'Z':
      return "/";
    default:
      return {};
  }
}

std::string CurrentWindowsDirectory() {
  std::error_code error;
  const fs::path current = fs::current_path(error);
  return error ? std::string() : WindowsPath(current);
}

// "C:\" + the names of `relative`, joined by backslashes.
std::string DrivePath(char letter, const fs::path& relative) {
  std::string path{letter, ':'};
  for (const fs::path& name : relative) {
    const std::string text = name.string();
    if (text.empty() || text == "." || text == "/") continue;
    path += '\\' + text;
  }
  if (path.size() == 2) path += '\\';
  return path;
}

fs::path Canonical(const fs::path& path) {
  std::error_code error;
  fs::path canonical = fs::weakly_canonical(path, error);
  return error ? path.lexically_normal() : canonical;
}

}  // namespace

fs::path HostPath(std::string_view windows_path) {
  if (HasDriveLetter(windows_path)) {
    const std::string_view rest = windows_path.substr(2);
    // "C:name" is relative to the drive's own current folder, which the
    // stand-in does not keep.
    if (rest.empty() || !IsSeparator(rest[0])) return {};
    const fs::path root = DriveRoot(windows_path[0]);
    return root.empty() ? root : Resolve(root, rest);
  }
  if (windows_path.empty()) return {};
  // UNC and device paths name no drive of the machine.
  if (windows_path.size() >= 2 && IsSeparator(windows_path[0]) &&
      IsSeparator(windows_path[1])) {
    return {};
  }
  const std::string current = CurrentWindowsDirectory();
  if (current.empty()) return {};
  if (IsSeparator(windows_path[0])) {  // the root of the current drive
    return HostPath(current.substr(0, 2) + std::string(windows_path));
  }
  return HostPath(current + '\\' + std::string(windows_path));
}

std::string WindowsPath(const fs::path& host_path) {
  std::error_code error;
  fs::path absolute = fs::absolute(host_path, error);
  if (error) absolute = host_path;
  const fs::path drive_c = Canonical(MachineDir() / "drive_c");
  const fs::path inside = Canonical(absolute).lexically_relative(drive_c);
  if (!inside.empty() && *inside.begin() != "..") return DrivePath('C', inside);
  return DrivePath('Z', absolute.lexically_normal().relative_path());
}

}  // namespace standin
