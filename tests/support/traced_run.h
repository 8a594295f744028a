// Stand-in only: running a tool with injected faults and reading its trace.
#ifndef TESTS_SUPPORT_TRACED_RUN_H_
#define TESTS_SUPPORT_TRACED_RUN_H_

#include <standin/testing.h>

#include <string>
#include <vector>

#include "support/fixture.h"

/// The calls of one operation in a trace, in order.
std::vector<standin::testing::TraceEvent> CallsOf(
    const std::vector<standin::testing::TraceEvent>& trace,
    const std::string& operation);

/// What a traced tool process gave back and the calls it made.
struct TracedRun {
  harness::ToolRun run;
  std::vector<standin::testing::TraceEvent> trace;

  /// The calls of one operation, in order.
  std::vector<standin::testing::TraceEvent> Calls(
      const std::string& operation) const;
};

class TracedToolTest : public ToolTest {
 protected:
  /// Runs a tool in the working directory with these faults, tracing it.
  TracedRun RunTraced(const std::filesystem::path& tool,
                      const std::vector<std::string>& args,
                      const std::vector<standin::testing::Fault>& faults = {},
                      const char* file = __builtin_FILE(),
                      int line = __builtin_LINE());
};

/// Fails the test unless every handle the trace opened was closed once and
/// every heap block allocated was freed once.
void ExpectNothingLeaked(const TracedRun& traced);

#endif  // TESTS_SUPPORT_TRACED_RUN_H_
