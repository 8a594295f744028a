#include "inf_file.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <system_error>

#include "ascii.h"
#include "host_files.h"

namespace standin {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::array<std::string_view, 3> kWin4Signatures = {
    "$Windows NT$", "$Chicago$", "$Windows 95$"};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Physical lines, split at CRLF, LF or CR.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() &&
        text[start] == '\n') {
      ++start;
    }
  }
  return lines;
}

// A field being read: blanks around it go, quoted characters always stay.
class FieldBuilder {
 public:
  void Add(char c, bool quoted) {
    if (!quoted && IsBlank(c) && text_.empty()) return;
    text_.push_back(c);
    if (quoted || !IsBlank(c)) kept_ = text_.size();
  }
  std::string Take() {
    text_.resize(kept_);
    std::string field = std::move(text_);
    text_.clear();
    kept_ = 0;
    return field;
  }

 private:
  std::string text_;
  std::size_t kept_ = 0;
};

// A '\' that only blanks or a comment follow joins the next line to this one.
bool ContinuesLine(std::string_view rest) {
  const std::size_t next = rest.find_first_not_of(" \t");
  return next == std::string_view::npos || rest[next] == ';';
}

// Reads the logical line that starts at physical line `*index`, and moves
// `*index` past it. Returns false for a blank or comment-only line.
bool ReadLine(const std::vector<std::string_view>& lines, std::size_t* index,
              InfLine* line) {
  FieldBuilder field;
  std::vector<std::string> parts;
  bool in_quotes = false;
  bool any = false;
  for (; *index < lines.size(); ++*index) {
    const std::string_view text = lines[*index];
    bool joined = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (in_quotes) {
        if (c != '"') {
          field.Add(c, true);
        } else if (i + 1 < text.size() && text[i + 1] == '"') {
          field.Add('"', true);
          ++i;
        } else {
          in_quotes = false;
        }
        continue;
      }
      if (c == ';') break;
      if (!IsBlank(c)) any = true;
      if (c == '"') {
        in_quotes = true;
      } else if (c == '=' && !line->key) {
        line->key = field.Take();
      } else if (c == ',') {
        parts.push_back(field.Take());
      } else if (c == '\\' && ContinuesLine(text.substr(i + 1))) {
        joined = true;
        break;
      } else {
        field.Add(c, false);
      }
    }
    // Quotes end with their line.
    in_quotes = false;
    if (!joined) break;
  }
  ++*index;
  if (!any) return false;
  parts.push_back(field.Take());
  line->fields = std::move(parts);
  return true;
}

}  // namespace

DWORD InfFile::Parse(std::string_view text, InfFile* inf) {
  if (text.find('\0') != std::string_view::npos) {
    return ERROR_EXPECTED_SECTION_NAME;
  }
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    text.remove_prefix(kUtf8Bom.size());
  }
  const std::vector<std::string_view> lines = SplitLines(text);
  InfFile parsed;
  Section* current = nullptr;
  std::size_t index = 0;
  while (index < lines.size()) {
    const std::string_view first = lines[index];
    const std::size_t start = first.find_first_not_of(" \t");
    if (start != std::string_view::npos && first[start] == '[') {
      const std::size_t end = first.find(']', start);
      if (end == std::string_view::npos) return ERROR_BAD_SECTION_NAME_LINE;
      const std::string_view name = first.substr(start + 1, end - start - 1);
      current = parsed.FindSection(name);
      if (current == nullptr) {
        parsed.sections_.push_back({std::string(name), {}});
        current = &parsed.sections_.back();
      }
      ++index;
      continue;
    }
    InfLine line;
    if (!ReadLine(lines, &index, &line)) continue;
    if (current == nullptr) return ERROR_EXPECTED_SECTION_NAME;
    current->lines.push_back(std::move(line));
  }
  *inf = std::move(parsed);
  return ERROR_SUCCESS;
}

InfFile::Section* InfFile::FindSection(std::string_view name) {
  const auto found = std::find_if(
      sections_.begin(), sections_.end(), [&](const Section& section) {
        return EqualIgnoringCase(section.name, name);
      });
  return found == sections_.end() ? nullptr : &*found;
}

const InfFile::Section* InfFile::FindSection(std::string_view name) const {
  return const_cast<InfFile*>(this)->FindSection(name);
}

bool InfFile::HasSection(std::string_view name) const {
  return FindSection(name) != nullptr;
}

const std::vector<InfLine>& InfFile::Lines(std::string_view name) const {
  static const std::vector<InfLine> kNoLines;
  const Section* section = FindSection(name);
  return section == nullptr ? kNoLines : section->lines;
}

std::optional<std::string> InfFile::Field(const InfLine& line,
                                          std::size_t index) const {
  if (index == 0 && line.key) return Substitute(*line.key);
  const std::size_t position = index == 0 ? 0 : index - 1;
  if (position >= line.fields.size()) return std::nullopt;
  return Substitute(line.fields[position]);
}

std::optional<std::string> InfFile::Value(std::string_view section,
                                          std::string_view key) const {
  const std::vector<InfLine>& lines = Lines(section);
  const auto found =
      std::find_if(lines.begin(), lines.end(), [&](const InfLine& line) {
        return line.key && EqualIgnoringCase(*line.key, key);
      });
  if (found == lines.end()) return std::nullopt;
  return Field(*found, 1).value_or("");
}

// %strkey% becomes its [Strings] value, %% a single '%'; an unknown key stays
// as it is written.
std::string InfFile::Substitute(std::string_view text) const {
  std::string result;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t open = text.find('%', start);
    const std::size_t close =
        open == std::string_view::npos ? open : text.find('%', open + 1);
    if (close == std::string_view::npos) {
      result.append(text.substr(start));
      break;
    }
    result.append(text.substr(start, open - start));
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const std::vector<InfLine>& strings = Lines("Strings");
    const auto found =
        std::find_if(strings.begin(), strings.end(), [&](const InfLine& line) {
          return line.key && EqualIgnoringCase(*line.key, name);
        });
    if (name.empty()) {
      result.push_back('%');
    } else if (found != strings.end()) {
      result.append(found->fields.empty() ? "" : found->fields.front());
    } else {
      result.append(text.substr(open, close - open + 1));
    }
    start = close + 1;
  }
  return result;
}

DWORD ReadWholeFile(const fs::path& host_path, std::string* bytes) {
  std::error_code error;
  const fs::file_status status = fs::status(host_path, error);
  if (!fs::exists(status)) return MissingPathError(host_path);
  if (fs::is_directory(status)) return ERROR_ACCESS_DENIED;
  std::ifstream file(host_path, std::ios::binary);
  if (!file) return ERROR_ACCESS_DENIED;
  bytes->assign(std::istreambuf_iterator<char>(file),
                std::istreambuf_iterator<char>());
  return file.bad() ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

DWORD ParseWin4Inf(std::string_view text, InfFile* inf) {
  if (text.empty()) return ERROR_FILE_INVALID;
  InfFile parsed;
  const DWORD parse_error = InfFile::Parse(text, &parsed);
  if (parse_error != ERROR_SUCCESS) return parse_error;
  const std::optional<std::string> signature =
      parsed.Value("Version", "Signature");
  const bool win4 =
      signature && std::any_of(kWin4Signatures.begin(), kWin4Signatures.end(),
                               [&](std::string_view known) {
                                 return EqualIgnoringCase(*signature, known);
                               });
  if (!win4) return ERROR_WRONG_INF_STYLE;
  *inf = std::move(parsed);
  return ERROR_SUCCESS;
}

DWORD LoadInf(const fs::path& host_path, InfFile* inf) {
  std::string text;
  const DWORD error = ReadWholeFile(host_path, &text);
  return error != ERROR_SUCCESS ? error : ParseWin4Inf(text, inf);
}

}  // namespace standin
