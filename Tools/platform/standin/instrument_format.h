// The text forms of the test-only channels: the fault list a test puts in the
// environment and the trace lines a process appends. Both sides of each
// channel use these, so they cannot drift apart.
#ifndef STANDIN_INSTRUMENT_FORMAT_H_
#define STANDIN_INSTRUMENT_FORMAT_H_

#include <standin/testing.h>

#include <string>
#include <string_view>
#include <vector>

namespace standin {

/// "Operation#call=0xCODE" entries joined by ','.
std::string FormatFaults(const std::vector<testing::Fault>& faults);

/// Reads FormatFaults' text back; malformed entries are reported on stderr and
/// skipped.
std::vector<testing::Fault> ParseFaults(std::string_view text);

/// One trace line: kind, name and "key=value" fields separated by tabs, each
/// with backslash, tab, CR and LF escaped; ends with '\n'.
std::string FormatTraceLine(const testing::TraceEvent& event);

/// Reads FormatTraceLine's text back (without its '\n'); false when the line
/// has no kind and name.
bool ParseTraceLine(std::string_view line, testing::TraceEvent* event);

/// How handles and heap blocks appear in the trace.
std::string FormatAddress(const void* address);

}  // namespace standin

#endif  // STANDIN_INSTRUMENT_FORMAT_H_
