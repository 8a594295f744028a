// The faults a test asks for in TOOLS_FAULTS, and the count of calls that
// decides when each is due.
#ifndef TESTS_DOOR_FAULT_PLAN_H_
#define TESTS_DOOR_FAULT_PLAN_H_

#include <windows.h>

#include <optional>
#include <string_view>

namespace door {

/// What a due fault asks of a call: to fail with `error`, or, when `answer` is
/// not empty, to give that answer (see door.h).
struct Fault {
  std::string_view answer;
  DWORD error = 0;
  /// The value as the test wrote it, for the trace.
  std::string_view written;
};

/// Counts a call of `operation` and returns the fault due for it, if any.
std::optional<Fault> FaultFor(std::string_view operation);

}  // namespace door

#endif  // TESTS_DOOR_FAULT_PLAN_H_
