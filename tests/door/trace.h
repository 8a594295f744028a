// The trace a test asks for in TOOLS_TRACE: one line per event, appended to
// the file as it happens, so that a run that crashes still leaves its trace.
#ifndef TESTS_DOOR_TRACE_H_
#define TESTS_DOOR_TRACE_H_

#include <array>
#include <cstddef>
#include <string_view>

namespace door {

/// One line of the trace, built field by field; Write appends it. Leaves the
/// thread's last-error code as it found it.
class TraceLine {
 public:
  TraceLine(std::string_view kind, std::string_view name);

  /// key=text; a null text reads "(null)".
  TraceLine& Text(std::string_view key, const char* text);
  TraceLine& Text(std::string_view key, std::string_view text);
  TraceLine& Number(std::string_view key, unsigned long long value);
  /// key=0x... in hexadecimal, as handles, blocks and flags are shown.
  TraceLine& Hex(std::string_view key, unsigned long long value);
  TraceLine& Address(std::string_view key, const void* address);

  void Write();

 private:
  void Append(std::string_view text);
  void AppendEscaped(std::string_view text);

  std::array<char, 1024> text_{};
  std::size_t size_ = 0;
};

}  // namespace door

#endif  // TESTS_DOOR_TRACE_H_
