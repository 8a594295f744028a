#include "instrument_format.h"

#include <charconv>
#include <cstdint>
#include <cstdio>

namespace standin {
namespace {

constexpr char kFieldSeparator = '\t';

std::string Escape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string Unescape(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      plain += text[i];
      continue;
    }
    switch (text[++i]) {
      case 't':
        plain += '\t';
        break;
      case 'n':
        plain += '\n';
        break;
      case 'r':
        plain += '\r';
        break;
      default:
        plain += text[i];
    }
  }
  return plain;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

template <typename Number>
bool ParseNumber(std::string_view text, int base, Number* number) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, *number, base);
  return !text.empty() && error == std::errc() && stop == end;
}

bool ParseFault(std::string_view entry, testing::Fault* fault) {
  const std::size_t hash = entry.rfind('#');
  if (hash == std::string_view::npos) return false;
  const std::size_t equals = entry.find('=', hash);
  if (equals == std::string_view::npos) return false;
  std::string_view code = entry.substr(equals + 1);
  int base = 10;
  if (code.size() > 2 && code[0] == '0' && (code[1] == 'x' || code[1] == 'X')) {
    code.remove_prefix(2);
    base = 16;
  }
  fault->operation = std::string(entry.substr(0, hash));
  return !fault->operation.empty() &&
         ParseNumber(entry.substr(hash + 1, equals - hash - 1), 10,
                     &fault->call) &&
         fault->call >= 0 && ParseNumber(code, base, &fault->error);
}

}  // namespace

std::string FormatFaults(const std::vector<testing::Fault>& faults) {
  std::string text;
  for (const testing::Fault& fault : faults) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%X",
                  static_cast<unsigned>(fault.error));
    if (!text.empty()) text += ',';
    text += fault.operation + '#' + std::to_string(fault.call) + '=' + code;
  }
  return text;
}

std::vector<testing::Fault> ParseFaults(std::string_view text) {
  std::vector<testing::Fault> faults;
  if (text.empty()) return faults;
  for (std::string_view entry : Split(text, ',')) {
    testing::Fault fault;
    if (ParseFault(entry, &fault)) {
      faults.push_back(std::move(fault));
    } else {
      std::fprintf(stderr, "standin: ignoring malformed fault \"%.*s\"\n",
                   static_cast<int>(entry.size()), entry.data());
    }
  }
  return faults;
}

std::string FormatTraceLine(const testing::TraceEvent& event) {
  std::string line = Escape(event.kind) + kFieldSeparator + Escape(event.name);
  for (const auto& [key, value] : event.args) {
    line += kFieldSeparator + Escape(key) + '=' + Escape(value);
  }
  return line + '\n';
}

bool ParseTraceLine(std::string_view line, testing::TraceEvent* event) {
  const std::vector<std::string_view> fields = Split(line, kFieldSeparator);
  if (fields.size() < 2 || fields[0].empty()) return false;
  event->kind = Unescape(fields[0]);
  event->name = Unescape(fields[1]);
  event->args.clear();
  for (auto field = fields.begin() + 2; field != fields.end(); ++field) {
    const std::size_t equals = field->find('=');
    event->args[Unescape(field->substr(0, equals))] =
        equals == std::string_view::npos ? ""
                                         : Unescape(field->substr(equals + 1));
  }
  return true;
}

std::string FormatAddress(const void* address) {
  char text[2 + 2 * sizeof(std::uintptr_t) + 1] = "0x";
  const auto [end, error] =
      std::to_chars(text + 2, text + sizeof text - 1,
                    reinterpret_cast<std::uintptr_t>(address), 16);
  static_cast<void>(error);  // the buffer holds every value
  return std::string(text, end);
}

}  // namespace standin
