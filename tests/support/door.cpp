#include "support/door.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <numeric>
#include <set>
#include <sstream>

namespace harness {
namespace {

// The door's environment variables.
constexpr char kFaultsVariable[] = "TOOLS_FAULTS";
constexpr char kTraceVariable[] = "TOOLS_TRACE";

std::string EncodeFaults(const std::vector<Fault>& faults) {
  return std::accumulate(
      faults.begin(), faults.end(), std::string(),
      [](std::string text, const Fault& fault) {
        return (text.empty() ? text : text + ",") + fault.operation + "#" +
               std::to_string(fault.call) + "=" + fault.value;
      });
}

// Undoes the door's escapes of backslash, tab, CR and LF.
std::string Unescape(const std::string& text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      plain += text[i];
      continue;
    }
    const char next = text[++i];
    plain += next == 't'   ? '\t'
             : next == 'r' ? '\r'
             : next == 'n' ? '\n'
                           : next;
  }
  return plain;
}

TraceEvent ParseLine(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) {
    fields.push_back(field);
  }
  TraceEvent event;
  if (fields.size() < 2) {
    ADD_FAILURE() << "trace line without kind and name: " << line;
    return event;
  }
  event.kind = fields[0];
  event.name = fields[1];
  std::for_each(fields.begin() + 2, fields.end(), [&](const std::string& f) {
    const std::size_t equals = f.find('=');
    event.args[f.substr(0, equals)] =
        equals == std::string::npos ? "" : Unescape(f.substr(equals + 1));
  });
  return event;
}

std::vector<TraceEvent> ReadTrace(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<TraceEvent> trace;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) trace.push_back(ParseLine(line));
  }
  return trace;
}

// Pairs opening and closing events: what stays open, and what was closed
// without being open.
void ExpectPaired(const std::vector<TraceEvent>& trace, const char* opened,
                  const char* closed, const char* id_key) {
  std::multiset<std::string> live;
  for (const TraceEvent& event : trace) {
    // A driver list is known by its set and its device.
    const std::string id =
        event.name + " " + event.Arg(id_key) + " " + event.Arg("device");
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
  for (const std::string& id : live) ADD_FAILURE() << id << " left " << opened;
}

}  // namespace

Fault::Fault(std::string operation, int call, DWORD error)
    : operation(std::move(operation)), call(call) {
  std::ostringstream code;
  code << "0x" << std::hex << error;
  value = code.str();
}

Fault::Fault(std::string operation, int call, std::string answer)
    : operation(std::move(operation)), call(call), value(std::move(answer)) {}

std::string TraceEvent::Arg(const std::string& key) const {
  const auto found = args.find(key);
  return found == args.end() ? "" : found->second;
}

unsigned long long TraceEvent::Number(const std::string& key) const {
  return std::stoull(Arg(key), nullptr, 0);
}

std::vector<TraceEvent> TracedRun::Calls(const std::string& operation) const {
  std::vector<TraceEvent> calls;
  std::copy_if(trace.begin(), trace.end(), std::back_inserter(calls),
               [&](const TraceEvent& event) {
                 return event.kind == "call" && event.name == operation;
               });
  return calls;
}

std::size_t TracedRun::Count(const std::string& kind) const {
  return static_cast<std::size_t>(std::count_if(
      trace.begin(), trace.end(),
      [&](const TraceEvent& event) { return event.kind == kind; }));
}

void ExpectNothingLeaked(const TracedRun& traced) {
  // A trace without a single call would prove nothing.
  EXPECT_NE(traced.Count("call"), 0u) << "the tool left no trace";
  ExpectPaired(traced.trace, "open", "close", "id");
  ExpectPaired(traced.trace, "alloc", "free", "block");
}

void ExpectArgs(const TraceEvent& call,
                const std::map<std::string, std::string>& args) {
  for (const auto& [key, value] : args) {
    EXPECT_EQ(call.Arg(key), value) << call.name << " " << key;
  }
}

void ExpectCalls(const TracedRun& traced, const std::string& operation,
                 std::size_t count,
                 const std::map<std::string, std::string>& args) {
  const std::vector<TraceEvent> calls = traced.Calls(operation);
  EXPECT_EQ(calls.size(), count) << operation;
  for (const TraceEvent& call : calls) ExpectArgs(call, args);
}

}  // namespace harness

harness::TracedRun DoorTest::RunThroughDoor(
    Tool tool, const std::vector<std::string>& args,
    const std::vector<harness::Fault>& faults, const harness::RunOptions& extra,
    const char* file, int line) {
  const harness::TempDir trace_dir;
  const auto trace_file = trace_dir.path() / "trace.log";
  harness::RunOptions options = InWorkDir(extra);
  options.environment.push_back(std::string(harness::kTraceVariable) + "=" +
                                harness::WindowsPath(trace_file));
  options.environment.push_back(std::string(harness::kFaultsVariable) + "=" +
                                harness::EncodeFaults(faults));
  const auto door_build = tool == kKestrum ? harness::KestrumDoorPath()
                                           : harness::TollaverDoorPath();
  // A braced list runs the tool before it reads the trace.
  return {harness::RunTool(door_build, args, options, file, line),
          harness::ReadTrace(trace_file)};
}
