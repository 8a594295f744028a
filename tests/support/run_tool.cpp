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

namespace harness {
namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
};

/// A kernel handle, closed when it goes.
using Handle = std::unique_ptr<void, HandleCloser>;

/// One argument as MSVCRT's command-line splitting gives it back: quoted when
/// it is empty or holds blanks or quotes; inside quotes a run of backslashes
/// is doubled before a quote (and before the closing one), and the quote is
/// escaped.
std::string QuoteArgument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) {
    return arg;
  }
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    quoted += c;
    backslashes = 0;
  }
  quoted.append(2 * backslashes, '\\');
  quoted += '"';
  return quoted;
}

/// The program's own name takes no escapes: it runs to the closing quote.
std::string CommandLine(const std::filesystem::path& tool,
                        const std::vector<std::string>& args) {
  std::string line = "\"" + tool.string() + "\"";
  for (const std::string& arg : args) line += " " + QuoteArgument(arg);
  return line;
}

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

/// An inheritable duplicate of one of our own handles, for the child.
Handle InheritableCopy(HANDLE handle) {
  HANDLE copy = nullptr;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy,
                       0, TRUE, DUPLICATE_SAME_ACCESS)) {
    return Handle();
  }
  return Handle(copy);
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
  ToolRun run{-1, ""};

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

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.get();
  startup.hStdOutput = output_writer.get();
  startup.hStdError = errors.get();

  std::string command_line = CommandLine(tool, args);
  std::string environment = EnvironmentBlock(options.environment);
  const std::string cwd =
      options.cwd.empty() ? std::string() : WindowsPath(options.cwd);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(tool.string().c_str(), command_line.data(), nullptr,
                      nullptr, TRUE, 0, environment.data(),
                      cwd.empty() ? nullptr : cwd.c_str(), &startup,
                      &process)) {
    const DWORD error = GetLastError();
    ADD_FAILURE_AT(file, line)
        << "cannot start " << tool << ": error " << error;
    return run;
  }
  Handle process_handle(process.hProcess);
  Handle thread_handle(process.hThread);
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
