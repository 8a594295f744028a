// Starting the tools as processes of their own (under Wine in the tests),
// where they run against the real device-installation service.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "support/harness.h"
#include "support/process_start.h"

namespace harness {
namespace {

/// The name part of a "NAME=value" entry, upper-cased: Windows compares
/// environment names without case.
std::string EntryName(const std::string& entry) {
  // Entries such as "=C:=C:\dir" name drives; their name includes the '='.
  std::string name = entry.substr(0, entry.find('=', 1));
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return std::toupper(c); });
  return name;
}

/// The current environment with `additions` put in (replacing an entry of the
/// same name), as the block CreateProcessA takes.
std::string EnvironmentBlock(const std::vector<std::string>& additions) {
  std::vector<std::string> entries;
  if (char* block = GetEnvironmentStringsA()) {
    for (const char* entry = block; *entry; entry += std::strlen(entry) + 1) {
      entries.emplace_back(entry);
    }
    FreeEnvironmentStringsA(block);
  }
  for (const std::string& addition : additions) {
    const std::string name = EntryName(addition);
    auto same = std::find_if(
        entries.begin(), entries.end(),
        [&](const std::string& entry) { return EntryName(entry) == name; });
    if (same == entries.end()) {
      entries.push_back(addition);
    } else {
      *same = addition;
    }
  }
  std::string block;
  for (const std::string& entry : entries) {
    block += entry;
    block += '\0';
  }
  block += '\0';
  return block;
}

/// Undoes the text mode of the tool's standard output.
std::string FoldLineEnds(const std::string& text) {
  std::string folded;
  folded.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      continue;
    }
    folded += text[i];
  }
  return folded;
}

/// Whether an exit code is an unhandled exception's (0xC0000005 for an
/// access violation), not a value the program returned.
bool IsExceptionCode(DWORD code) { return (code & 0xF0000000) == 0xC0000000; }

}  // namespace

ToolRun RunTool(const std::filesystem::path& tool,
                const std::vector<std::string>& args, const RunOptions& options,
                const char* file, int line) {
  ToolRun run;
  run.status = -1;

  // Standard output goes to a pipe that we drain while the tool runs, so a
  // large output cannot block it.
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) {
    const DWORD error = GetLastError();
    ADD_FAILURE_AT(file, line) << "CreatePipe: error " << error;
    return run;
  }
  Handle output_reader(read_end);
  Handle output_writer(write_end);
  SetHandleInformation(output_reader.get(), HANDLE_FLAG_INHERIT, 0);
  // No input: a tool that reads it sees the end at once.
  Handle input(CreateFileA("NUL", GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                           OPEN_EXISTING, 0, nullptr));
  // Diagnostics go where the test's own go.
  Handle errors = InheritableCopy(GetStdHandle(STD_ERROR_HANDLE));

  StartRequest request;
  request.program = tool;
  request.args = args;
  request.environment = EnvironmentBlock(options.environment);
  if (!options.cwd.empty()) request.cwd = WindowsPath(options.cwd);
  request.input = input.get();
  request.output = output_writer.get();
  request.error = errors.get();
  ProcessStart started = StartProcess(request);
  run.restarts = started.restarts;
  if (!started.process) {
    ADD_FAILURE_AT(file, line)
        << "cannot start " << tool << ": error " << started.error;
    return run;
  }
  Handle process_handle = std::move(started.process);
  // Only the child may hold the write end now, so reading ends when it does.
  output_writer.reset();
  // A tool that hangs is ended, which ends the reading too.
  std::atomic<bool> hung{false};
  std::thread watchdog([&] {
    if (WaitForSingleObject(process_handle.get(),
                            kToolDeadlineSeconds * 1000) == WAIT_TIMEOUT) {
      hung = true;
      TerminateProcess(process_handle.get(), 1);
    }
  });

  std::string output;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(output_reader.get(), chunk, sizeof chunk, &got, nullptr) &&
         got > 0) {
    output.append(chunk, got);
  }
  WaitForSingleObject(process_handle.get(), INFINITE);
  watchdog.join();
  if (hung) {
    ADD_FAILURE_AT(file, line) << tool << " did not end within "
                               << kToolDeadlineSeconds << " s: ended";
    return run;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process_handle.get(), &code)) {
    const DWORD error = GetLastError();
    ADD_FAILURE_AT(file, line) << "GetExitCodeProcess: error " << error;
    return run;
  }
  run.output = FoldLineEnds(output);
  if (IsExceptionCode(code)) {
    // As a signal on POSIX: a crash, not a status the tool chose.
    ADD_FAILURE_AT(file, line)
        << tool << " ended by exception 0x" << std::hex << code;
    return run;
  }
  run.status = static_cast<signed char>(code & 0xFF);
  return run;
}

}  // namespace harness
