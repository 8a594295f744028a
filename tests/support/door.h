// Running the tools' test builds through the door: the faults they are to
// meet, and the trace they leave (see tests/door/door.h).
#ifndef TESTS_SUPPORT_DOOR_H_
#define TESTS_SUPPORT_DOOR_H_

// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/fixture.h"

namespace harness {

/// The `call`-th call (from 1; 0: every call) of `operation` fails with a
/// last-error code, or gives an answer the door knows ("long", "unended",
/// "inf:PATH").
struct Fault {
  Fault(std::string operation, int call, DWORD error);
  Fault(std::string operation, int call, std::string answer);

  std::string operation;
  int call;
  std::string value;
};

/// One line of a trace: "call" (name: the operation), "open" / "close"
/// (name: devinfo, drvlist, find), "alloc" / "free" (name: heap, crt).
struct TraceEvent {
  std::string kind;
  std::string name;
  std::map<std::string, std::string> args;

  /// The value of `key`, or "" when the event has none.
  std::string Arg(const std::string& key) const;
  /// The value of `key` as a number (decimal or 0x hexadecimal).
  unsigned long long Number(const std::string& key) const;
};

/// What a tool run through the door gave back, and the trace it left.
struct TracedRun : ToolRun {
  std::vector<TraceEvent> trace;

  /// The calls of one operation, in order.
  std::vector<TraceEvent> Calls(const std::string& operation) const;
  /// How many events of this kind the trace holds.
  std::size_t Count(const std::string& kind) const;
};

/// Fails the test unless every handle the trace opened was closed once and
/// every block allocated was freed once.
void ExpectNothingLeaked(const TracedRun& traced);

/// Fails the test for each of `args` (key and value as the trace writes
/// them) that `call` did not pass so.
void ExpectArgs(const TraceEvent& call,
                const std::map<std::string, std::string>& args);

/// Fails the test unless the trace holds `count` calls of `operation`, each
/// passing `args` so.
void ExpectCalls(const TracedRun& traced, const std::string& operation,
                 std::size_t count,
                 const std::map<std::string, std::string>& args);

}  // namespace harness

class DoorTest : public ToolTest {
 protected:
  /// Runs a tool's test build with these faults, tracing it, in the working
  /// directory unless `extra` names another.
  harness::TracedRun RunThroughDoor(
      Tool tool, const std::vector<std::string>& args,
      const std::vector<harness::Fault>& faults = {},
      const harness::RunOptions& extra = {},
      const char* file = __builtin_FILE(), int line = __builtin_LINE());
};

#endif  // TESTS_SUPPORT_DOOR_H_
