// INF files as SetupAPI reads them: sections of lines, each an optional key
// and comma-separated fields, with %strkey% taken from [Strings].
#ifndef STANDIN_INF_FILE_H_
#define STANDIN_INF_FILE_H_

#include <standin/win32_api.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

/// One line of a section, quotes resolved, %strkey% not yet replaced.
struct InfLine {
  std::optional<std::string> key;   ///< the text before '=', if any
  std::vector<std::string> fields;  ///< fields 1..n
};

class InfFile {
 public:
  /// Parses INF text. Returns ERROR_SUCCESS, ERROR_EXPECTED_SECTION_NAME for
  /// text outside any section (or a NUL byte), ERROR_BAD_SECTION_NAME_LINE
  /// for a '[' without ']'.
  static DWORD Parse(std::string_view text, InfFile* inf);

  /// Whether the section is there, even with no lines. Names ignore case.
  bool HasSection(std::string_view name) const;

  /// The lines of a section (of every block of that name, in file order).
  const std::vector<InfLine>& Lines(std::string_view name) const;

  /// Field `index` of a line as SetupGetStringField gives it, %strkey%
  /// replaced: 0 is the key, or the first field of a line without one.
  std::optional<std::string> Field(const InfLine& line,
                                   std::size_t index) const;

  /// The first field of the first line of `section` whose key is `key`.
  std::optional<std::string> Value(std::string_view section,
                                   std::string_view key) const;

 private:
  struct Section {
    std::string name;
    std::vector<InfLine> lines;
  };

  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;
  std::string Substitute(std::string_view text) const;

  std::vector<Section> sections_;
};

/// Reads a whole file. Returns ERROR_SUCCESS or the code Windows gives:
/// ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, or ERROR_ACCESS_DENIED for a
/// folder or an unreadable file.
DWORD ReadWholeFile(const std::filesystem::path& host_path, std::string* bytes);

/// Parses the text of an INF file as SetupOpenInfFile(INF_STYLE_WIN4) does.
/// Returns ERROR_SUCCESS, ERROR_FILE_INVALID for an empty file, a parse
/// error, or ERROR_WRONG_INF_STYLE without a [Version] Signature of Windows
/// NT, Chicago or Windows 95.
DWORD ParseWin4Inf(std::string_view text, InfFile* inf);

/// Opens an INF file: ReadWholeFile, then ParseWin4Inf.
DWORD LoadInf(const std::filesystem::path& host_path, InfFile* inf);

}  // namespace standin

#endif  // STANDIN_INF_FILE_H_
