#include "support/process_start.h"

#include <cstdio>

namespace harness {
namespace {

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

/// The command line that gives the program `args` back as MSVCRT splits
/// it, after the program's own name.
std::string CommandLine(const std::filesystem::path& program,
                        const std::vector<std::string>& args) {
  // The program's own name takes no escapes: it runs to the closing quote.
  std::string line = "\"" + program.string() + "\"";
  for (const std::string& arg : args) line += " " + QuoteArgument(arg);
  return line;
}

}  // namespace

bool StartsAgain(DWORD error, int restarts) {
  return error == kFumbledStartError && restarts < kMaxRestarts;
}

Handle InheritableCopy(HANDLE handle) {
  HANDLE copy = nullptr;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy,
                       0, TRUE, DUPLICATE_SAME_ACCESS)) {
    return Handle();
  }
  return Handle(copy);
}

std::filesystem::path FromUnixPath(const std::string& path) {
  return std::filesystem::path(path.rfind('/', 0) == 0 ? "Z:" + path : path)
      .make_preferred();
}

ProcessStart StartProcess(const StartRequest& request) {
  ProcessStart start;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = request.input;
  startup.hStdOutput = request.output;
  startup.hStdError = request.error;
  const std::string command_line = CommandLine(request.program, request.args);
  for (;;) {
    // CreateProcessA takes both as writable buffers.
    std::string command = command_line;
    std::string environment = request.environment;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(request.program.string().c_str(), command.data(),
                       nullptr, nullptr, TRUE, 0,
                       environment.empty() ? nullptr : environment.data(),
                       request.cwd.empty() ? nullptr : request.cwd.c_str(),
                       &startup, &process)) {
      start.process.reset(process.hProcess);
      CloseHandle(process.hThread);
      start.error = 0;
      return start;
    }
    start.error = GetLastError();
    if (!StartsAgain(start.error, start.restarts)) return start;
    ++start.restarts;
    // In the case's own output, where anyone reading a run looks.
    std::printf("harness: Wine fumbled the start of %s (error %lu); starting "
                "it again (%d of %d)\n",
                request.program.string().c_str(), start.error, start.restarts,
                kMaxRestarts);
    std::fflush(stdout);
  }
}

}  // namespace harness
