#include "trace.h"

#include <windows.h>

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace door {
namespace {

constexpr char kTraceVariable[] = "TOOLS_TRACE";

// The trace file, opened at the first event; the process's end closes it.
struct TraceFile {
  bool opened = false;
  HANDLE handle = INVALID_HANDLE_VALUE;
};

TraceFile trace_file;

HANDLE TraceHandle() {
  if (!trace_file.opened) {
    trace_file.opened = true;
    char path[MAX_PATH];
    const DWORD length =
        GetEnvironmentVariableA(kTraceVariable, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
      trace_file.handle = CreateFileA(
          path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
  }
  return trace_file.handle;
}

}  // namespace

TraceLine::TraceLine(std::string_view kind, std::string_view name) {
  Append(kind);
  Append("\t");
  Append(name);
}

TraceLine& TraceLine::Text(std::string_view key, const char* text) {
  return Text(key, text != nullptr ? std::string_view(text)
                                   : std::string_view("(null)"));
}

TraceLine& TraceLine::Text(std::string_view key, std::string_view text) {
  Append("\t");
  Append(key);
  Append("=");
  AppendEscaped(text);
  return *this;
}

TraceLine& TraceLine::Number(std::string_view key, unsigned long long value) {
  std::array<char, 24> digits{};
  const auto result =
      std::to_chars(digits.data(), digits.data() + digits.size(), value);
  return Text(key, std::string_view(digits.data(), result.ptr - digits.data()));
}

TraceLine& TraceLine::Hex(std::string_view key, unsigned long long value) {
  std::array<char, 24> digits{'0', 'x'};
  const auto result = std::to_chars(digits.data() + 2,
                                    digits.data() + digits.size(), value, 16);
  return Text(key, std::string_view(digits.data(), result.ptr - digits.data()));
}

TraceLine& TraceLine::Address(std::string_view key, const void* address) {
  return Hex(key, reinterpret_cast<std::uintptr_t>(address));
}

void TraceLine::Write() {
  const DWORD error = GetLastError();
  const HANDLE file = TraceHandle();
  if (file != INVALID_HANDLE_VALUE) {
    text_[size_++] = '\n';  // Append keeps room for it
    DWORD written = 0;
    WriteFile(file, text_.data(), static_cast<DWORD>(size_), &written, nullptr);
  }
  SetLastError(error);
}

void TraceLine::Append(std::string_view text) {
  // One character stays free for the line end: a field cut short is better
  // than a lost line.
  const std::size_t room = text_.size() - 1 - size_;
  const std::size_t count = std::min(text.size(), room);
  std::copy_n(text.data(), count, text_.data() + size_);
  size_ += count;
}

void TraceLine::AppendEscaped(std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '\\':
        Append("\\\\");
        break;
      case '\t':
        Append("\\t");
        break;
      case '\r':
        Append("\\r");
        break;
      case '\n':
        Append("\\n");
        break;
      default:
        Append(std::string_view(&c, 1));
    }
  }
}

}  // namespace door
