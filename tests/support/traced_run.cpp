#include "support/traced_run.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>

using standin::testing::TraceEvent;

std::vector<TraceEvent> CallsOf(const std::vector<TraceEvent>& trace,
                                const std::string& operation) {
  std::vector<TraceEvent> calls;
  std::copy_if(trace.begin(), trace.end(), std::back_inserter(calls),
               [&](const TraceEvent& event) {
                 return event.kind == "call" && event.name == operation;
               });
  return calls;
}

std::vector<TraceEvent> TracedRun::Calls(const std::string& operation) const {
  return CallsOf(trace, operation);
}

TracedRun TracedToolTest::RunTraced(
    const std::filesystem::path& tool, const std::vector<std::string>& args,
    const std::vector<standin::testing::Fault>& faults, const char* file,
    int line) {
  harness::TempDir trace_dir;
  const auto trace_file = trace_dir.path() / "trace.log";
  harness::RunOptions options;
  options.environment = {
      std::string(standin::testing::kTraceVariable) + "=" + trace_file.string(),
      std::string(standin::testing::kFaultsVariable) + "=" +
          standin::testing::EncodeFaults(faults)};
  TracedRun traced;
  traced.run = Run(tool, args, options, file, line);
  traced.trace = standin::testing::ReadTrace(trace_file);
  return traced;
}

namespace {

// Pairs opening and closing events: what stays open, and what was closed
// without being open.
void ExpectPaired(const std::vector<TraceEvent>& trace, const char* opened,
                  const char* closed, const char* id_key) {
  std::multiset<std::string> live;
  for (const TraceEvent& event : trace) {
    const std::string id = event.name + " " + event.Arg(id_key);
    if (event.kind == opened) {
      live.insert(id);
    } else if (event.kind == closed) {
      const auto found = live.find(id);
      if (found == live.end()) {
        ADD_FAILURE() << closed << " of " << id << " that is not " << opened;
      } else {
        live.erase(found);
      }
    }
  }
  for (const std::string& id : live) {
    ADD_FAILURE() << id << " left " << opened;
  }
}

}  // namespace

void ExpectNothingLeaked(const TracedRun& traced) {
  // A trace without a single call would prove nothing.
  EXPECT_FALSE(traced.trace.empty()) << "the tool left no trace";
  ExpectPaired(traced.trace, "open", "close", "id");
  ExpectPaired(traced.trace, "alloc", "free", "block");
}
